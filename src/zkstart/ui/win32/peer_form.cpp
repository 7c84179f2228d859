// Forms: top-level windows with a tool tip for their controls' hints.
#include "ui/win32/peer_base.h"

#include "ui/win32/peer_container.h"

namespace zk::ui::win32 {

namespace {

class FormPeer : public ContainerPeer {
public:
    FormPeer(Form& f, WinPeerFactory& k) : ContainerPeer(f, k), form(f) {
        DWORD style = WS_CLIPCHILDREN;
        DWORD ex = WS_EX_CONTROLPARENT;
        if (f.borderStyle == BorderStyle::None) {
            style |= WS_POPUP;
        } else {
            style |= WS_CAPTION;
            if (f.borderIcons.systemMenu) style |= WS_SYSMENU;
            if (f.borderIcons.minimize) style |= WS_MINIMIZEBOX;
            if (f.borderIcons.maximize) style |= WS_MAXIMIZEBOX;
            if (f.borderStyle == BorderStyle::Sizeable) style |= WS_THICKFRAME;
            if (f.borderStyle == BorderStyle::Dialog) ex |= WS_EX_DLGMODALFRAME;
            if (f.borderStyle == BorderStyle::ToolWindow) ex |= WS_EX_TOOLWINDOW;
        }
        if (f.stayOnTop) ex |= WS_EX_TOPMOST;
        RECT rc{0, 0, f.ClientWidth(), f.ClientHeight()};
        AdjustWindowRectEx(&rc, style, FALSE, ex);
        int w = rc.right - rc.left, hgt = rc.bottom - rc.top;
        int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
        if (f.centered) {
            x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
            y = (GetSystemMetrics(SM_CYSCREEN) - hgt) / 2;
        }
        if (f.placed) {
            x = f.GetBounds().left;
            y = f.GetBounds().top;
        }
        hwnd = CreateWindowExW(ex, kContainerClass, Wide(f.Caption()).c_str(), style, x, y, w, hgt, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
        Adopt();
        ReportPlace();
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(kit.FontFor(f.GetFont())), FALSE);
        HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
        if (icon) SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, hwnd,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
        SendMessageW(tooltip, TTM_SETMAXTIPWIDTH, 0, 400);
        kit.tooltips.push_back(tooltip);
        if (kit.app) SendMessageW(tooltip, TTM_SETDELAYTIME, TTDT_INITIAL, kit.app->HintPause());
    }
    ~FormPeer() override {
        for (auto it = kit.tooltips.begin(); it != kit.tooltips.end(); ++it)
            if (*it == tooltip) { kit.tooltips.erase(it); break; }
    }
    Form& form;

    void Changed(Prop prop) override {
        switch (prop) {
            case Prop::Bounds: {
                RECT rc{0, 0, form.ClientWidth(), form.ClientHeight()};
                AdjustWindowRectEx(&rc, static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)), FALSE,
                                   static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)));
                SetWindowPos(hwnd, nullptr, form.GetBounds().left, form.GetBounds().top, rc.right - rc.left,
                             rc.bottom - rc.top, (form.placed ? 0 : SWP_NOMOVE) | SWP_NOZORDER | SWP_NOACTIVATE);
                break;
            }
            case Prop::Visible:
                ShowWindow(hwnd, form.Visible() ? SW_SHOW : SW_HIDE);
                break;
            case Prop::Cursor: {
                // At once: a run holds the thread, so no WM_SETCURSOR comes meanwhile.
                POINT pt;
                GetCursorPos(&pt);
                HWND under = WindowFromPoint(pt);
                if (under && (under == hwnd || IsChild(hwnd, under))) {
                    LPCWSTR id = CursorId(form.GetCursor());
                    SetCursor(LoadCursorW(nullptr, id ? id : IDC_ARROW));
                }
                break;
            }
            case Prop::Focus:
                SetForegroundWindow(hwnd);
                SetActiveWindow(hwnd);
                FocusActiveControl();
                break;
            default: WinPeer::Changed(prop);
        }
    }

    // The window's place and the thickness of its frame and caption.
    void ReportPlace() {
        RECT wr;
        GetWindowRect(hwnd, &wr);
        POINT origin{0, 0};
        ClientToScreen(hwnd, &origin);
        form.WindowPlaced(wr.left, wr.top, origin.x - wr.left, origin.y - wr.top);
    }

    // The control that had the focus when the form went inactive; controls
    // that do not report their focus (track bar, tab row, memo) are known
    // only here.
    void RememberFocus() {
        HWND f = GetFocus();
        if (!f || !IsChild(hwnd, f)) return;
        WinPeer* p = PeerOf(f);
        for (HWND h = f; !p && h && h != hwnd; h = GetParent(h)) p = PeerOf(h);
        if (p && &p->ctl != &form) User([p] { p->ctl.SetFocus(); });
    }

    // Back to the form's active control; when that cannot take the focus
    // (hidden with its tab, disabled by a run), to the first tab stop.
    void FocusActiveControl() {
        Control* c = form.ActiveControl();
        HWND h = c && c->GetPeer() ? static_cast<WinPeer*>(c->GetPeer())->hwnd : nullptr;
        if (!h || !IsWindowVisible(h) || !IsWindowEnabled(h)) h = GetNextDlgTabItem(hwnd, nullptr, FALSE);
        if (h && h != hwnd) ::SetFocus(h);
    }

    bool Handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT& r) override {
        switch (msg) {
            case WM_CLOSE:
                User([this] { form.Close(); });
                return true;
            case WM_QUERYENDSESSION:
                // A form that may not close now (a run holds it) keeps the session.
                r = form.CloseQuery() ? TRUE : FALSE;
                return true;
            case WM_ACTIVATE:
                if (LOWORD(wp) == WA_INACTIVE) {
                    RememberFocus();
                    if (HWND other = reinterpret_cast<HWND>(lp); other && PeerOf(other)) form.Deactivate();
                    return false;
                }
                User([this] { form.Activate(); });
                if (HIWORD(wp)) return false;  // minimised: nothing takes the focus
                // Not DefWindowProc: it would give the focus to the form itself,
                // and Tab would start over at the first control.
                FocusActiveControl();
                r = 0;
                return true;
            case WM_SETFOCUS:
                FocusActiveControl();
                return true;
            case WM_MOVE:
                ReportPlace();
                return false;
            case WM_SIZE:
                if (form.OnResize) User(form.OnResize);
                return false;
            case WM_PAINT:
                ContainerPeer::Handle(msg, wp, lp, r);
                PaintedInForm();
                return true;
        }
        return ContainerPeer::Handle(msg, wp, lp, r);
    }
};

}  // namespace

std::unique_ptr<Peer> MakeFormPeer(Form& f, WinPeerFactory& k) { return std::make_unique<FormPeer>(f, k); }

}  // namespace zk::ui::win32
