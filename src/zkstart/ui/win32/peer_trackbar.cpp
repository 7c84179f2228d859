// The track bar.
#include "ui/win32/peer_base.h"

namespace zk::ui::win32 {

namespace {

class TrackBarPeer : public WinPeer {
public:
    TrackBarPeer(TrackBar& t, WinPeerFactory& k) : WinPeer(t, k), bar(t) {
        Create(TRACKBAR_CLASSW, WS_TABSTOP | TBS_HORZ | TBS_FIXEDLENGTH | (t.tickMarks ? TBS_AUTOTICKS : TBS_NOTICKS));
        SendMessageW(hwnd, TBM_SETTHUMBLENGTH, static_cast<WPARAM>(t.thumbLength), 0);
        SendMessageW(hwnd, TBM_SETPAGESIZE, 0, t.pageSize);
        Update(Prop::Position);
        Subclass();
    }
    TrackBar& bar;
    void Update(Prop p) override {
        if (p != Prop::Position) return;
        SendMessageW(hwnd, TBM_SETRANGE, TRUE, MAKELPARAM(bar.Min(), bar.Max()));
        SendMessageW(hwnd, TBM_SETPOS, TRUE, bar.Position());
    }
    void OnScroll() override {
        int pos = static_cast<int>(SendMessageW(hwnd, TBM_GETPOS, 0, 0));
        User([this, pos] { bar.SetPosition(pos); });
    }
    bool OnSubclassed(UINT msg, WPARAM wp, LPARAM, LRESULT&) override {
        int key = static_cast<int>(wp);
        if (msg == WM_KEYDOWN && bar.OnKeyDown) User([this, key] { bar.OnKeyDown(key); });
        if (msg == WM_KEYUP && bar.OnKeyUp) User([this, key] { bar.OnKeyUp(key); });
        return false;
    }
};

}  // namespace

std::unique_ptr<Peer> MakeTrackBarPeer(TrackBar& t, WinPeerFactory& k) { return std::make_unique<TrackBarPeer>(t, k); }

}  // namespace zk::ui::win32
