// What the real windows of the controls share: the base peer, the factory
// that makes the peers and holds their fonts and brushes, and the makers of
// each kind (one file per kind).
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/application.h"
#include "platform/win32/wstr.h"
#include "ui/form.h"

namespace zk::ui::win32 {

using zk::win32::Utf8;
using zk::win32::Wide;

// The window class of forms, tab sheets, panels and group boxes.
extern const wchar_t kContainerClass[];

COLORREF ToColorRef(Color c);
// The colour a control stands on: its parent's, else the button face.
Color BackgroundUnder(const Control& control);
LPCWSTR CursorId(Cursor c);
std::wstring WindowText(HWND h);

class WinPeer;
WinPeer* PeerOf(HWND h);
HWND HwndOf(Control& c);
// Bevels and shapes of a parent, which have no window of their own.
void PaintDecorations(Control& parent, HDC dc);

// Makes the peers, and holds for the whole run what they share.
class WinPeerFactory : public PeerFactory {
public:
    WinPeerFactory() = default;
    WinPeerFactory(const WinPeerFactory&) = delete;
    WinPeerFactory& operator=(const WinPeerFactory&) = delete;
    ~WinPeerFactory() override;

    std::unique_ptr<Peer> Make(Control& c) override;
    HFONT FontFor(const Font& f);
    HBRUSH Brush(Color c);
    UINT NextId() { return nextId_++; }
    // Whether a frame has passed since the last forced repaint; if so, the
    // repaint now counts as the last.
    bool FrameDue();

    platform::ApplicationState* app = nullptr;
    std::vector<HWND> tooltips;  // one per form

private:
    static constexpr ULONGLONG kFrameMs = 15;
    std::vector<std::pair<Font, HFONT>> fonts_;
    std::map<Color, HBRUSH> brushes_;
    ULONGLONG lastRepaint_ = 0;
    UINT nextId_ = 1000;
};

class WinPeer : public Peer {
public:
    WinPeer(Control& c, WinPeerFactory& k) : ctl(c), kit(k) {}
    ~WinPeer() override;

    Control& ctl;
    WinPeerFactory& kit;
    HWND hwnd = nullptr;
    // An invalidation is pending; known only for subclassed windows, whose
    // paints we see.
    bool dirty = false;
    HWND tooltip = nullptr;  // forms: the one tool-tip window for all their controls
    WNDPROC oldProc = nullptr;
    bool updating = false;

    HWND ParentWindow();
    HWND FormTooltip();
    void Create(LPCWSTR cls, DWORD style, DWORD exStyle = 0);
    // Marks hwnd as this peer's window.
    void Adopt();
    void AddTool();

    // Routes the window's own messages through OnSubclassed first.
    void Subclass();
    static LRESULT CALLBACK SubclassProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
    virtual bool OnSubclassed(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

    // Notifications from the control, sent to its parent window.
    virtual void OnCommand(WORD) {}
    virtual void OnScroll() {}
    virtual LRESULT OnNotify(NMHDR*) { return 0; }
    // An owner-drawn control: true when it drew itself.
    virtual bool OnDrawItem(const DRAWITEMSTRUCT&) { return false; }

    void Changed(Prop prop) override;
    virtual void Update(Prop) {}

    void Invalidate();
    void Repaint() override;
    std::unique_ptr<platform::Canvas> OpenCanvas() override;

    // Tells the form that part of it was painted again.
    void PaintedInForm();

    // A user action on this control: errors go to the error box.
    template <class F>
    void User(F&& f) {
        if (updating) return;
        ctl.Perform(std::forward<F>(f));
    }
};

std::unique_ptr<Peer> MakeFormPeer(Form& f, WinPeerFactory& k);
std::unique_ptr<Peer> MakePanelPeer(Panel& p, WinPeerFactory& k);
std::unique_ptr<Peer> MakeGroupBoxPeer(GroupBox& g, WinPeerFactory& k);
std::unique_ptr<Peer> MakeTabSheetPeer(TabSheet& t, WinPeerFactory& k);
std::unique_ptr<Peer> MakePageControlPeer(PageControl& p, WinPeerFactory& k);
std::unique_ptr<Peer> MakePaintedPeer(Control& c);
std::unique_ptr<Peer> MakeLabelPeer(Label& l, WinPeerFactory& k);
std::unique_ptr<Peer> MakeImagePeer(Image& i, WinPeerFactory& k);
std::unique_ptr<Peer> MakeButtonPeer(Button& b, WinPeerFactory& k);
std::unique_ptr<Peer> MakeCheckBoxPeer(CheckBox& c, WinPeerFactory& k);
std::unique_ptr<Peer> MakeEditPeer(Edit& e, WinPeerFactory& k);
std::unique_ptr<Peer> MakeMemoPeer(Memo& m, WinPeerFactory& k);
std::unique_ptr<Peer> MakeTrackBarPeer(TrackBar& t, WinPeerFactory& k);
std::unique_ptr<Peer> MakeGaugePeer(Gauge& g, WinPeerFactory& k);
std::unique_ptr<Peer> MakeDriveComboBoxPeer(DriveComboBox& d, WinPeerFactory& k);
std::unique_ptr<Peer> MakeFolderTreePeer(FolderTree& t, WinPeerFactory& k);

}  // namespace zk::ui::win32
