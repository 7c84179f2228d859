// Check boxes.
#include "ui/win32/peer_base.h"

namespace zk::ui::win32 {

namespace {

class CheckBoxPeer : public WinPeer {
public:
    CheckBoxPeer(CheckBox& c, WinPeerFactory& k) : WinPeer(c, k), box(c) {
        Create(L"BUTTON", (c.tabStop ? WS_TABSTOP : 0) | BS_NOTIFY | BS_AUTOCHECKBOX);
        Update(Prop::Checked);
    }
    CheckBox& box;
    void OnCommand(WORD code) override {
        if (code == BN_SETFOCUS) User([this] { box.SetFocus(); });
        if (code != BN_CLICKED) return;
        bool on = SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
        User([this, on] { box.SetChecked(on); });
    }
    void Update(Prop p) override {
        if (p == Prop::Checked) SendMessageW(hwnd, BM_SETCHECK, box.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
    }
};

}  // namespace

std::unique_ptr<Peer> MakeCheckBoxPeer(CheckBox& c, WinPeerFactory& k) { return std::make_unique<CheckBoxPeer>(c, k); }

}  // namespace zk::ui::win32
