// The drive selector.
#include "ui/win32/peer_base.h"

namespace zk::ui::win32 {

namespace {

// A drop-down list of the drives.
class DriveComboBoxPeer : public WinPeer {
public:
    DriveComboBoxPeer(DriveComboBox& d, WinPeerFactory& k) : WinPeer(d, k), box(d) {
        const Bounds& b = d.GetBounds();
        // The height of a combo box counts its open list too.
        Create(WC_COMBOBOXW, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST);
        MoveWindow(hwnd, b.left, b.top, b.width, b.height + 200, FALSE);
        if (box.Items().empty()) box.Refresh();
        Update(Prop::Items);
    }
    DriveComboBox& box;
    void Update(Prop p) override {
        if (p != Prop::Items && p != Prop::Text) return;
        updating = true;
        if (p == Prop::Items) {
            SendMessageW(hwnd, CB_RESETCONTENT, 0, 0);
            for (const auto& item : box.Items())
                SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
        }
        size_t at = box.Letters().find(box.Drive());
        SendMessageW(hwnd, CB_SETCURSEL, at == std::string::npos ? static_cast<WPARAM>(-1) : at, 0);
        updating = false;
    }
    void OnCommand(WORD code) override {
        if (code == CBN_SETFOCUS) User([this] { box.SetFocus(); });
        if (code != CBN_SELCHANGE) return;
        LRESULT at = SendMessageW(hwnd, CB_GETCURSEL, 0, 0);
        if (at >= 0) User([this, at] { box.Select(static_cast<size_t>(at)); });
    }
};

}  // namespace

std::unique_ptr<Peer> MakeDriveComboBoxPeer(DriveComboBox& d, WinPeerFactory& k) {
    return std::make_unique<DriveComboBoxPeer>(d, k);
}

}  // namespace zk::ui::win32
