// The gauge.
#include "ui/win32/peer_base.h"

namespace zk::ui::win32 {

namespace {

// A progress bar with the percentage written across it when asked, painted
// by us: the common progress control paints at once on every new position,
// which would cost a paint per block during a run.
class GaugePeer : public WinPeer {
public:
    GaugePeer(Gauge& g, WinPeerFactory& k) : WinPeer(g, k), gauge(g) {
        Create(L"STATIC", SS_NOTIFY, g.border ? WS_EX_STATICEDGE : 0);
        Subclass();
    }
    Gauge& gauge;
    int shownWidth = -1, shownPercent = -1;
    bool shownText = false;
    void Update(Prop p) override {
        if (p != Prop::Progress) return;
        // Only what the eye can see changes the picture.
        RECT rc;
        GetClientRect(hwnd, &rc);
        const int width = BarWidth(rc);
        if (width == shownWidth && gauge.PercentDone() == shownPercent && gauge.ShowText() == shownText) return;
        Invalidate();
    }
    int BarWidth(const RECT& rc) const {
        const long long span = static_cast<long long>(gauge.Max()) - gauge.Min();
        if (span <= 0) return 0;
        return static_cast<int>((static_cast<long long>(gauge.Progress()) - gauge.Min()) * (rc.right - rc.left) / span);
    }
    bool OnSubclassed(UINT msg, WPARAM, LPARAM, LRESULT& r) override {
        if (msg == WM_ERASEBKGND) {
            r = 1;
            return true;
        }
        if (msg != WM_PAINT) return false;
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rc;
        GetClientRect(hwnd, &rc);
        shownWidth = BarWidth(rc);
        shownPercent = gauge.PercentDone();
        shownText = gauge.ShowText();
        RECT done = rc, rest = rc;
        done.right = rc.left + shownWidth;
        rest.left = done.right;
        HBRUSH fore = CreateSolidBrush(ToColorRef(gauge.foreColor));
        HBRUSH back = CreateSolidBrush(ToColorRef(gauge.backColor));
        FillRect(dc, &done, fore);
        FillRect(dc, &rest, back);
        DeleteObject(fore);
        DeleteObject(back);
        if (shownText) {
            // Readable at every percentage: over the bar in the background's
            // colour, over the background in the bar's, as Windows does it.
            std::wstring text = std::to_wstring(shownPercent) + L"%";
            HGDIOBJ old = SelectObject(dc, kit.FontFor(gauge.GetFont()));
            SetBkMode(dc, TRANSPARENT);
            for (const auto& [part, color] : {std::pair{done, gauge.backColor}, std::pair{rest, gauge.foreColor}}) {
                int saved = SaveDC(dc);
                IntersectClipRect(dc, part.left, part.top, part.right, part.bottom);
                SetTextColor(dc, ToColorRef(color));
                DrawTextW(dc, text.c_str(), -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
                RestoreDC(dc, saved);
            }
            SelectObject(dc, old);
        }
        EndPaint(hwnd, &ps);
        return true;
    }
};

}  // namespace

std::unique_ptr<Peer> MakeGaugePeer(Gauge& g, WinPeerFactory& k) { return std::make_unique<GaugePeer>(g, k); }

}  // namespace zk::ui::win32
