// Push buttons; a button with a glyph draws itself; a pop-up menu on the right button.
#include "ui/win32/peer_base.h"

#include "platform/win32/canvas_win32.h"

namespace zk::ui::win32 {

namespace {

class ButtonPeer : public WinPeer {
public:
    ButtonPeer(Button& b, WinPeerFactory& k) : WinPeer(b, k), button(b) {
        DWORD kind = b.glyph ? BS_OWNERDRAW : b.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        Create(L"BUTTON", WS_TABSTOP | BS_NOTIFY | kind);
        Subclass();
    }
    Button& button;

    // A button with a glyph: the caption above, the picture below it; or
    // the picture left of the caption, both centred together.
    bool OnDrawItem(const DRAWITEMSTRUCT& di) override {
        HDC dc = di.hDC;
        RECT rc = di.rcItem;
        const bool pushed = di.itemState & ODS_SELECTED, disabled = di.itemState & ODS_DISABLED;
        if (button.isDefault || (di.itemState & ODS_FOCUS)) {
            FrameRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            InflateRect(&rc, -1, -1);
        }
        DrawFrameControl(dc, &rc, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
        const int shift = pushed ? 1 : 0;
        SIZE text{};
        std::wstring caption = Wide(button.Caption());
        HGDIOBJ oldFont = SelectObject(dc, kit.FontFor(button.GetFont()));
        GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &text);
        const int gap = button.glyphLeft ? 4 : 2;
        RECT tr;
        int gx, gy;
        if (button.glyphLeft) {
            const int total = button.glyphWidth + gap + text.cx;
            gx = rc.left + (rc.right - rc.left - total) / 2 + shift;
            gy = rc.top + (rc.bottom - rc.top - button.glyphHeight) / 2 + shift;
            const int ty = rc.top + (rc.bottom - rc.top - text.cy) / 2 + shift;
            tr = {gx + button.glyphWidth + gap, ty, gx + total, ty + text.cy};
        } else {
            const int total = text.cy + gap + button.glyphHeight;
            const int top = rc.top + (rc.bottom - rc.top - total) / 2 + shift;
            tr = {rc.left + shift, top, rc.right + shift, top + text.cy};
            gx = rc.left + (rc.right - rc.left - button.glyphWidth) / 2 + shift;
            gy = tr.bottom + gap;
        }
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
        DrawTextW(dc, caption.c_str(), -1, &tr, (button.glyphLeft ? DT_LEFT : DT_CENTER) | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, oldFont);
        const Painter& paint = disabled && button.glyphDisabled ? button.glyphDisabled : button.glyph;
        int saved = SaveDC(dc);
        IntersectClipRect(dc, gx, gy, gx + button.glyphWidth, gy + button.glyphHeight);
        SetViewportOrgEx(dc, gx, gy, nullptr);
        {
            platform::CanvasWin32 canvas(dc);
            paint(canvas);
        }
        RestoreDC(dc, saved);
        if (di.itemState & ODS_FOCUS) {
            RECT fr = rc;
            InflateRect(&fr, -4, -4);
            DrawFocusRect(dc, &fr);
        }
        return true;
    }
    void OnCommand(WORD code) override {
        if (code == BN_CLICKED) User([this] { button.Click(); });
        if (code == BN_SETFOCUS) User([this] { button.SetFocus(); });
    }
    bool OnSubclassed(UINT msg, WPARAM, LPARAM lp, LRESULT&) override {
        if (msg != WM_RBUTTONUP || !button.popupMenu) return false;
        HMENU menu = CreatePopupMenu();
        auto& items = button.popupMenu->items;
        for (size_t i = 0; i < items.size(); ++i)
            AppendMenuW(menu, MF_STRING, i + 1, Wide(items[i]->caption).c_str());
        POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        ClientToScreen(hwnd, &pt);
        UINT chosen = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd, nullptr));
        DestroyMenu(menu);
        if (chosen > 0 && chosen <= items.size()) {
            MenuItem* item = items[chosen - 1];
            User([item] {
                if (item->OnClick) item->OnClick();
            });
        }
        return true;
    }
};

}  // namespace

std::unique_ptr<Peer> MakeButtonPeer(Button& b, WinPeerFactory& k) { return std::make_unique<ButtonPeer>(b, k); }

}  // namespace zk::ui::win32
