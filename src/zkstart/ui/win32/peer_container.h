// Forms, tab sheets, panels and group boxes: windows of our own class that
// hand their children's notifications back to the children's objects.
#pragma once
#include "ui/win32/peer_base.h"

namespace zk::ui::win32 {

class ContainerPeer : public WinPeer {
public:
    ContainerPeer(Control& c, WinPeerFactory& k) : WinPeer(c, k) {}

    void CreateChild() {
        DWORD ex = WS_EX_CONTROLPARENT;
        Create(kContainerClass, WS_CLIPCHILDREN, ex);
    }

    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = static_cast<ContainerPeer*>(PeerOf(h));
        if (!self) return DefWindowProcW(h, msg, wp, lp);
        LRESULT r = 0;
        if (self->Handle(msg, wp, lp, r)) return r;
        return DefWindowProcW(h, msg, wp, lp);
    }

    virtual bool Handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT& r) {
        switch (msg) {
            case WM_COMMAND:
                if (lp) {
                    if (WinPeer* child = PeerOf(reinterpret_cast<HWND>(lp))) child->OnCommand(HIWORD(wp));
                } else {
                    PressForKey(LOWORD(wp));
                }
                return true;
            case WM_HSCROLL:
                if (lp)
                    if (WinPeer* child = PeerOf(reinterpret_cast<HWND>(lp))) child->OnScroll();
                return true;
            case WM_NOTIFY: {
                auto* nm = reinterpret_cast<NMHDR*>(lp);
                if (WinPeer* child = PeerOf(nm->hwndFrom)) r = child->OnNotify(nm);
                return true;
            }
            case WM_SETCURSOR: {
                // A form-wide cursor (the hourglass of a run) wins over the controls' own.
                if (Form* f = ctl.OwnerForm(); f && LOWORD(lp) == HTCLIENT)
                    if (LPCWSTR id = CursorId(f->GetCursor())) {
                        SetCursor(LoadCursorW(nullptr, id));
                        r = TRUE;
                        return true;
                    }
                WinPeer* child = PeerOf(reinterpret_cast<HWND>(wp));
                if (child && child != this && LOWORD(lp) == HTCLIENT) {
                    if (LPCWSTR id = CursorId(child->ctl.GetCursor())) {
                        SetCursor(LoadCursorW(nullptr, id));
                        r = TRUE;
                        return true;
                    }
                }
                return false;
            }
            case WM_DRAWITEM: {
                auto* di = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
                WinPeer* child = di ? PeerOf(di->hwndItem) : nullptr;
                if (!child || !child->OnDrawItem(*di)) return false;
                r = TRUE;
                return true;
            }
            case WM_CTLCOLORSTATIC:
            case WM_CTLCOLORBTN: {
                WinPeer* child = PeerOf(reinterpret_cast<HWND>(lp));
                if (!child) return false;
                HDC dc = reinterpret_cast<HDC>(wp);
                SetTextColor(dc, ToColorRef(child->ctl.GetFont().color));
                const Label* label = child->ctl.GetKind() == Kind::Label ? static_cast<Label*>(&child->ctl) : nullptr;
                if (label && label->transparent) {
                    SetBkMode(dc, TRANSPARENT);
                    r = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
                    return true;
                }
                Color bg = child->ctl.GetColor() == clDefault ? ctl.GetColor() : child->ctl.GetColor();
                if (bg == clDefault) bg = clBtnFace;
                SetBkColor(dc, ToColorRef(bg));
                r = reinterpret_cast<LRESULT>(kit.Brush(bg));
                return true;
            }
            case WM_ERASEBKGND: {
                RECT rc;
                GetClientRect(h(), &rc);
                Color bg = ctl.GetColor() == clDefault ? clBtnFace : ctl.GetColor();
                FillRect(reinterpret_cast<HDC>(wp), &rc, kit.Brush(bg));
                r = 1;
                return true;
            }
            case WM_PAINT: {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(h(), &ps);
                PaintDecorations(ctl, dc);
                EndPaint(h(), &ps);
                return true;
            }
        }
        return false;
    }

    HWND h() const { return hwnd; }

    // Enter presses the focused button, else the form's default button;
    // Escape presses the form's cancel button.
    void PressForKey(WORD id) {
        if (id != IDOK && id != IDCANCEL) return;
        if (HWND focus = GetFocus(); focus && id == IDOK) {
            if (WinPeer* child = PeerOf(focus); child && child->ctl.GetKind() == Kind::Button) {
                child->OnCommand(BN_CLICKED);
                return;
            }
        }
        Form* form = ctl.OwnerForm();
        if (!form) return;
        if (Button* b = FindButton(*form, id == IDOK))
            if (b->Enabled() && b->Visible()) User([b] { b->Click(); });
    }
    static Button* FindButton(Control& c, bool isDefault) {
        if (c.GetKind() == Kind::Button) {
            auto* b = static_cast<Button*>(&c);
            if (isDefault ? b->isDefault : b->isCancel) return b;
        }
        for (Control* child : c.Children())
            if (Button* b = FindButton(*child, isDefault)) return b;
        return nullptr;
    }
};

}  // namespace zk::ui::win32
