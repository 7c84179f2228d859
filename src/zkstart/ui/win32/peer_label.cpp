// Labels, painted from the control object's caption.
#include "ui/win32/peer_base.h"

#include <algorithm>

namespace zk::ui::win32 {

namespace {

DWORD LabelStyle(const Label& l) {
    switch (l.alignment) {
        case Label::Align::Center: return SS_CENTER;
        case Label::Align::Right: return SS_RIGHT;
        case Label::Align::Left: break;
    }
    return SS_LEFT;
}

class StaticPeer : public WinPeer {
public:
    StaticPeer(Control& c, WinPeerFactory& k, DWORD style) : WinPeer(c, k) {
        Create(L"STATIC", style);
        Subclass();
    }
    // A label is a window of its own here: its repaint is part of the form's.
    // The caption lives in the control object: a run changes it every
    // block, and setting the window's text would paint at once each time.
    void Changed(Prop prop) override {
        if (prop == Prop::Caption) Invalidate();
        else WinPeer::Changed(prop);
    }
    bool OnSubclassed(UINT msg, WPARAM wp, LPARAM lp, LRESULT& r) override {
        if (msg == WM_GETTEXTLENGTH || msg == WM_GETTEXT) {
            const std::wstring text = Wide(ctl.Caption());
            if (msg == WM_GETTEXTLENGTH) {
                r = static_cast<LRESULT>(text.size());
            } else {
                const size_t room = static_cast<size_t>(wp);
                const size_t n = room ? std::min(text.size(), room - 1) : 0;
                auto* out = reinterpret_cast<wchar_t*>(lp);
                if (room) {
                    text.copy(out, n);
                    out[n] = L'\0';
                }
                r = static_cast<LRESULT>(n);
            }
            return true;
        }
        if (msg == WM_ERASEBKGND) {
            r = 1;
            return true;
        }
        if (msg != WM_PAINT) return false;
        PaintLabel(ctl.GetKind() == Kind::Label && static_cast<Label&>(ctl).transparent);
        PaintedInForm();
        return true;
    }

    // Painted from the caption of the control object. A transparent label:
    // the parent clips its children, so what lies below (its colour, bevels
    // and shapes) is painted here again, then the caption over it.
    void PaintLabel(bool transparent) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        Color bg = BackgroundUnder(ctl);
        if (!transparent && ctl.GetColor() != clDefault) bg = ctl.GetColor();
        HBRUSH brush = CreateSolidBrush(ToColorRef(bg));
        FillRect(dc, &rc, brush);
        DeleteObject(brush);
        if (Control* parent = ctl.Parent(); parent && transparent) {
            const Bounds& b = ctl.GetBounds();
            POINT old;
            SetViewportOrgEx(dc, -b.left, -b.top, &old);
            PaintDecorations(*parent, dc);
            SetViewportOrgEx(dc, old.x, old.y, nullptr);
        }
        std::wstring text = Wide(ctl.Caption());
        HGDIOBJ oldFont = SelectObject(dc, kit.FontFor(ctl.GetFont()));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, IsWindowEnabled(hwnd) ? ToColorRef(ctl.GetFont().color) : GetSysColor(COLOR_GRAYTEXT));
        UINT align = static_cast<Label&>(ctl).alignment == Label::Align::Center ? DT_CENTER
                   : static_cast<Label&>(ctl).alignment == Label::Align::Right  ? DT_RIGHT : DT_LEFT;
        DrawTextW(dc, text.c_str(), -1, &rc, align | DT_NOPREFIX | DT_WORDBREAK);
        SelectObject(dc, oldFont);
        EndPaint(hwnd, &ps);
    }
};

}  // namespace

std::unique_ptr<Peer> MakeLabelPeer(Label& l, WinPeerFactory& k) {
    // SS_NOTIFY: a label with a hint takes the mouse, so its hint shows.
    return std::make_unique<StaticPeer>(l, k, LabelStyle(l) | SS_NOPREFIX | (l.Hint().empty() ? 0 : SS_NOTIFY));
}

}  // namespace zk::ui::win32
