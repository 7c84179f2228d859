// The base peer and the helpers every kind uses.
#include "ui/win32/peer_base.h"

#include <set>

#include "platform/win32/canvas_win32.h"

namespace zk::ui::win32 {

const wchar_t kContainerClass[] = L"ZkContainer";

COLORREF ToColorRef(Color c) {
    if (c & 0x80000000u) return GetSysColor(static_cast<int>(c & 0xFF));
    return static_cast<COLORREF>(c & 0xFFFFFF);
}

Color BackgroundUnder(const Control& control) {
    const Control* parent = control.Parent();
    return parent && parent->GetColor() != clDefault ? parent->GetColor() : clBtnFace;
}

LPCWSTR CursorId(Cursor c) {
    switch (c) {
        case Cursor::HandPoint: return IDC_HAND;
        case Cursor::IBeam: return IDC_IBEAM;
        case Cursor::SizeWE: return IDC_SIZEWE;
        case Cursor::HourGlass: return IDC_WAIT;
        case Cursor::Arrow: return IDC_ARROW;
        case Cursor::Default: break;
    }
    return nullptr;
}

std::wstring WindowText(HWND h) {
    int n = GetWindowTextLengthW(h);
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    n = GetWindowTextW(h, s.data(), n + 1);
    s.resize(static_cast<size_t>(n));
    return s;
}

namespace {
// Our peers' windows. Other windows of the program (the message dialog) keep
// their own data in GWLP_USERDATA, which is no peer.
std::set<HWND> gPeerWindows;
}  // namespace

WinPeer* PeerOf(HWND h) {
    if (!gPeerWindows.count(h)) return nullptr;
    return reinterpret_cast<WinPeer*>(GetWindowLongPtrW(h, GWLP_USERDATA));
}

HWND HwndOf(Control& c) {
    auto* p = dynamic_cast<WinPeer*>(c.GetPeer());
    return p ? p->hwnd : nullptr;
}

WinPeer::~WinPeer() {
    gPeerWindows.erase(hwnd);
    if (hwnd && IsWindow(hwnd)) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        if (ctl.GetKind() == Kind::Form) DestroyWindow(hwnd);
    }
}

HWND WinPeer::ParentWindow() {
    Control* p = ctl.Parent();
    while (p && !HwndOf(*p)) p = p->Parent();
    return p ? HwndOf(*p) : nullptr;
}

HWND WinPeer::FormTooltip() {
    Form* f = ctl.OwnerForm();
    return f && f->GetPeer() ? static_cast<WinPeer*>(f->GetPeer())->tooltip : nullptr;
}

void WinPeer::Create(LPCWSTR cls, DWORD style, DWORD exStyle) {
    const Bounds& b = ctl.GetBounds();
    HWND parent = ParentWindow();
    if (ctl.Visible()) style |= WS_VISIBLE;
    if (!ctl.Enabled()) style |= WS_DISABLED;
    hwnd = CreateWindowExW(exStyle, cls, Wide(ctl.Caption()).c_str(), style | WS_CHILD, b.left, b.top, b.width,
                           b.height, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kit.NextId())),
                           GetModuleHandleW(nullptr), nullptr);
    Adopt();
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(kit.FontFor(ctl.GetFont())), FALSE);
    AddTool();
}

void WinPeer::Adopt() {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    gPeerWindows.insert(hwnd);
}

void WinPeer::AddTool() {
    HWND tip = FormTooltip();
    if (!tip || ctl.Hint().empty()) return;
    std::wstring text = Wide(ctl.Hint());
    TOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = GetParent(hwnd);
    ti.uId = reinterpret_cast<UINT_PTR>(hwnd);
    ti.lpszText = text.data();
    SendMessageW(tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    if (ctl.ShowHint()) SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void WinPeer::Subclass() {
    oldProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WinPeer::SubclassProc)));
}

LRESULT CALLBACK WinPeer::SubclassProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    WinPeer* p = PeerOf(h);
    if (p && msg == WM_PAINT) p->dirty = false;
    LRESULT r = 0;
    if (p && p->OnSubclassed(msg, wp, lp, r)) return r;
    WNDPROC old = p ? p->oldProc : DefWindowProcW;
    return CallWindowProcW(old, h, msg, wp, lp);
}

void WinPeer::Changed(Prop prop) {
    if (!hwnd) return;
    switch (prop) {
        case Prop::Bounds: {
            const Bounds& b = ctl.GetBounds();
            MoveWindow(hwnd, b.left, b.top, b.width, b.height, TRUE);
            break;
        }
        case Prop::Enabled: EnableWindow(hwnd, ctl.Enabled()); break;
        case Prop::Visible: ShowWindow(hwnd, ctl.Visible() ? SW_SHOW : SW_HIDE); break;
        case Prop::Caption: SetWindowTextW(hwnd, Wide(ctl.Caption()).c_str()); InvalidateRect(hwnd, nullptr, TRUE); break;
        case Prop::Hint: AddTool(); break;
        case Prop::Font: SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(kit.FontFor(ctl.GetFont())), TRUE); break;
        case Prop::Focus:
            if (GetFocus() != hwnd) ::SetFocus(hwnd);
            break;
        default: Update(prop); break;
    }
}

// A run repaints after every block, far more often than a screen shows
// a change, and each paint costs a trip to the display. A repaint within
// one frame of the last one stays pending and goes out with the next
// repaint after the frame, or when the message loop runs.
void WinPeer::Invalidate() {
    if (oldProc && dirty) return;
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    if (oldProc) dirty = true;
}

void WinPeer::Repaint() {
    if (!hwnd) return;
    Invalidate();
    if (!kit.FrameDue()) return;
    RedrawWindow(GetAncestor(hwnd, GA_ROOT), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

std::unique_ptr<platform::Canvas> WinPeer::OpenCanvas() { return platform::OpenWindowCanvas(hwnd); }

void WinPeer::PaintedInForm() {
    Form* f = ctl.OwnerForm();
    if (f && f->OnPaint) User(f->OnPaint);
}

}  // namespace zk::ui::win32
