// The factory: one peer per kind of control, and the fonts and brushes they share.
#include "ui/win32/peer_base.h"

namespace zk::ui::win32 {

WinPeerFactory::~WinPeerFactory() {
    for (auto& [font, h] : fonts_) DeleteObject(h);
    for (auto& [color, b] : brushes_)
        if (!(color & 0x80000000u)) DeleteObject(b);  // the system's brushes are not ours
}

std::unique_ptr<Peer> WinPeerFactory::Make(Control& c) {
    switch (c.GetKind()) {
        case Kind::Form: return MakeFormPeer(static_cast<Form&>(c), *this);
        case Kind::PageControl: return MakePageControlPeer(static_cast<PageControl&>(c), *this);
        case Kind::TabSheet: return MakeTabSheetPeer(static_cast<TabSheet&>(c), *this);
        case Kind::Panel: return MakePanelPeer(static_cast<Panel&>(c), *this);
        case Kind::GroupBox: return MakeGroupBoxPeer(static_cast<GroupBox&>(c), *this);
        case Kind::Bevel: return MakePaintedPeer(c);
        case Kind::Label: return MakeLabelPeer(static_cast<Label&>(c), *this);
        case Kind::Shape: return MakePaintedPeer(c);
        case Kind::Button: return MakeButtonPeer(static_cast<Button&>(c), *this);
        case Kind::CheckBox: return MakeCheckBoxPeer(static_cast<CheckBox&>(c), *this);
        case Kind::Edit: return MakeEditPeer(static_cast<Edit&>(c), *this);
        case Kind::TrackBar: return MakeTrackBarPeer(static_cast<TrackBar&>(c), *this);
        case Kind::Memo: return MakeMemoPeer(static_cast<Memo&>(c), *this);
        case Kind::Image: return MakeImagePeer(static_cast<Image&>(c), *this);
        case Kind::Gauge: return MakeGaugePeer(static_cast<Gauge&>(c), *this);
        case Kind::DriveComboBox: return MakeDriveComboBoxPeer(static_cast<DriveComboBox&>(c), *this);
        case Kind::FolderTree: return MakeFolderTreePeer(static_cast<FolderTree&>(c), *this);
    }
    return nullptr;
}

HFONT WinPeerFactory::FontFor(const Font& f) {
    for (auto& [font, h] : fonts_)
        if (font == f) return h;
    HFONT h = CreateFontW(-f.height, 0, 0, 0, f.bold ? FW_BOLD : FW_NORMAL, f.italic, f.underline, FALSE, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                          Wide(f.name).c_str());
    fonts_.emplace_back(f, h);
    return h;
}

HBRUSH WinPeerFactory::Brush(Color c) {
    auto it = brushes_.find(c);
    if (it != brushes_.end()) return it->second;
    HBRUSH b = (c & 0x80000000u) ? GetSysColorBrush(static_cast<int>(c & 0xFF)) : CreateSolidBrush(ToColorRef(c));
    brushes_[c] = b;
    return b;
}

bool WinPeerFactory::FrameDue() {
    const ULONGLONG now = GetTickCount64();
    if (now - lastRepaint_ < kFrameMs) return false;
    lastRepaint_ = now;
    return true;
}

}  // namespace zk::ui::win32
