// The page control: a tab row over its tab sheets.
#include "ui/win32/peer_base.h"

namespace zk::ui::win32 {

namespace {

class PageControlPeer : public WinPeer {
public:
    PageControlPeer(PageControl& p, WinPeerFactory& k) : WinPeer(p, k), pages(p) {
        Create(WC_TABCONTROLW, WS_TABSTOP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | (p.multiLine ? TCS_MULTILINE : 0),
               WS_EX_CONTROLPARENT);
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(kit.FontFor(p.tabFont)), FALSE);
        auto sheets = p.Pages();
        for (size_t i = 0; i < sheets.size(); ++i) {
            std::wstring cap = Wide(sheets[i]->Caption());
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = cap.data();
            SendMessageW(hwnd, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
        }
    }
    PageControl& pages;

    // Places the sheets in the display area and shows the active one.
    // A focus on the page that goes moves to the first tab stop of the new
    // one (else to the tab row): keys must not go to a hidden control.
    void Layout() {
        RECT rc;
        GetClientRect(hwnd, &rc);
        SendMessageW(hwnd, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rc));
        auto sheets = pages.Pages();
        const HWND focus = GetFocus();
        HWND shown = nullptr;
        bool focusHidden = false;
        for (size_t i = 0; i < sheets.size(); ++i) {
            if (!sheets[i]->GetPeer()) continue;
            HWND s = static_cast<WinPeer*>(sheets[i]->GetPeer())->hwnd;
            MoveWindow(s, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
            bool active = sheets[i] == pages.ActivePage();
            if (active) SendMessageW(hwnd, TCM_SETCURSEL, i, 0);
            if (active) shown = s;
            else if (focus && (focus == s || IsChild(s, focus))) focusHidden = true;
            ShowWindow(s, active ? SW_SHOW : SW_HIDE);
        }
        if (!focusHidden) return;
        HWND first = shown ? GetNextDlgTabItem(shown, nullptr, FALSE) : nullptr;
        ::SetFocus(first && first != shown && IsChild(shown, first) ? first : hwnd);
    }
    void Update(Prop p) override {
        if (p == Prop::ActivePage) Layout();
    }
    LRESULT OnNotify(NMHDR* nm) override {
        if (nm->code == TCN_SELCHANGE) {
            auto sheets = pages.Pages();
            size_t i = static_cast<size_t>(SendMessageW(hwnd, TCM_GETCURSEL, 0, 0));
            if (i < sheets.size()) User([this, s = sheets[i]] { pages.SetActivePage(s); });
        }
        return 0;
    }
};

}  // namespace

std::unique_ptr<Peer> MakePageControlPeer(PageControl& p, WinPeerFactory& k) {
    return std::make_unique<PageControlPeer>(p, k);
}

}  // namespace zk::ui::win32
