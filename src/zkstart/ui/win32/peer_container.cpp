// Panels, group boxes and tab sheets.
#include "ui/win32/peer_base.h"
#include "ui/win32/peer_container.h"

namespace zk::ui::win32 {

namespace {

class PanelPeer : public ContainerPeer {
public:
    PanelPeer(Panel& p, WinPeerFactory& k) : ContainerPeer(p, k), panel(p) { CreateChild(); }
    Panel& panel;
    bool Handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT& r) override {
        if (msg != WM_PAINT) return ContainerPeer::Handle(msg, wp, lp, r);
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        auto edge = [&](Panel::BevelKind k) {
            if (k == Panel::BevelKind::None) return;
            // Both bevels are bevelWidth pixels wide, as the window library draws them.
            for (int i = 0; i < panel.bevelWidth; ++i) {
                DrawEdge(dc, &rc, k == Panel::BevelKind::Raised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
            }
        };
        PaintDecorations(panel, dc);
        if (panel.singleBorder) {
            FrameRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            InflateRect(&rc, -1, -1);
        }
        edge(panel.bevelOuter);
        InflateRect(&rc, -panel.borderWidth, -panel.borderWidth);
        edge(panel.bevelInner);
        std::wstring text = Wide(panel.Caption());
        if (!text.empty()) {
            HGDIOBJ old = SelectObject(dc, kit.FontFor(panel.GetFont()));
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, ToColorRef(panel.GetFont().color));
            DrawTextW(dc, text.c_str(), -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            SelectObject(dc, old);
        }
        EndPaint(hwnd, &ps);
        PaintedInForm();
        return true;
    }
};

class GroupBoxPeer : public ContainerPeer {
public:
    GroupBoxPeer(GroupBox& g, WinPeerFactory& k) : ContainerPeer(g, k) { CreateChild(); }
    bool Handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT& r) override {
        if (msg != WM_PAINT) return ContainerPeer::Handle(msg, wp, lp, r);
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        HGDIOBJ old = SelectObject(dc, kit.FontFor(ctl.GetFont()));
        std::wstring text = Wide(ctl.Caption());
        SIZE ts{0, 0};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &ts);
        RECT rc;
        GetClientRect(hwnd, &rc);
        rc.top += ts.cy / 2;
        DrawEdge(dc, &rc, EDGE_ETCHED, BF_RECT);
        PaintDecorations(ctl, dc);
        if (!text.empty()) {
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            SetBkMode(dc, OPAQUE);
            SetTextColor(dc, ToColorRef(ctl.GetFont().color));
            TextOutW(dc, 8, 0, text.c_str(), static_cast<int>(text.size()));
        }
        SelectObject(dc, old);
        EndPaint(hwnd, &ps);
        return true;
    }
};

class TabSheetPeer : public ContainerPeer {
public:
    TabSheetPeer(TabSheet& t, WinPeerFactory& k) : ContainerPeer(t, k) {
        CreateChild();
    }
};

}  // namespace

std::unique_ptr<Peer> MakePanelPeer(Panel& p, WinPeerFactory& k) { return std::make_unique<PanelPeer>(p, k); }
std::unique_ptr<Peer> MakeGroupBoxPeer(GroupBox& g, WinPeerFactory& k) { return std::make_unique<GroupBoxPeer>(g, k); }
std::unique_ptr<Peer> MakeTabSheetPeer(TabSheet& t, WinPeerFactory& k) { return std::make_unique<TabSheetPeer>(t, k); }

}  // namespace zk::ui::win32
