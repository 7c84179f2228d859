#include "ui/win32/peers.h"

#include "ui/win32/peer_base.h"
#include "ui/win32/peer_container.h"

namespace zk::ui::win32 {

namespace {

// The one factory of the run: the peers of every form share its fonts and brushes.
WinPeerFactory gFactory;

void LayoutPages(Control& c) {
    // A page control's peer lays out its sheets when its active page is set.
    if (c.GetKind() == Kind::PageControl && c.GetPeer()) static_cast<WinPeer*>(c.GetPeer())->Update(Prop::ActivePage);
    for (Control* child : c.Children()) LayoutPages(*child);
}

}  // namespace

void Init(platform::ApplicationState& app) {
    gFactory.app = &app;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &ContainerPeer::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kContainerClass;
    wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    RegisterClassExW(&wc);
    app.onHintPause = [](int ms) {
        for (HWND tip : gFactory.tooltips) SendMessageW(tip, TTM_SETDELAYTIME, TTDT_INITIAL, ms);
    };
}

void Realize(Form& form) {
    form.AttachPeers(gFactory);
    LayoutPages(form);
    // Put the peers in step with state set before they existed.
    if (form.Visible()) static_cast<WinPeer*>(form.GetPeer())->Changed(Prop::Visible);
}

namespace {
bool IsOurForm(HWND h) {
    WinPeer* p = h ? PeerOf(h) : nullptr;
    return p && p->ctl.GetKind() == Kind::Form;
}

PageControl* FirstPageControl(Control& c) {
    if (c.GetKind() == Kind::PageControl) return static_cast<PageControl*>(&c);
    for (Control* child : c.Children())
        if (PageControl* p = FirstPageControl(*child)) return p;
    return nullptr;
}

// Ctrl+Tab and Ctrl+Shift+Tab turn the pages of the form's page control.
bool TurnPage(HWND root, const MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || GetKeyState(VK_CONTROL) >= 0) return false;
    PageControl* pc = FirstPageControl(PeerOf(root)->ctl);
    if (!pc) return false;
    auto pages = pc->Pages();
    if (pages.empty()) return true;
    size_t i = 0;
    while (i < pages.size() && pages[i] != pc->ActivePage()) ++i;
    size_t n = pages.size();
    size_t next = GetKeyState(VK_SHIFT) < 0 ? (i + n - 1) % n : (i + 1) % n;
    pc->Perform([&] { pc->SetActivePage(pages[next]); });
    return true;
}

void Dispatch(MSG& msg) {
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (IsOurForm(root) && (TurnPage(root, msg) || IsDialogMessageW(root, &msg))) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}
}  // namespace

int RunMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) Dispatch(msg);
    return static_cast<int>(msg.wParam);
}

void ProcessMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        Dispatch(msg);
    }
}

void* WindowOf(Control& control) { return HwndOf(control); }

}  // namespace zk::ui::win32
