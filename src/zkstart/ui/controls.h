// Our small form-and-control layer.
//
// Every control is a plain C++ object that holds its state and fires its
// events; forms keep their controls as named fields. A peer, when one is
// attached, mirrors the state into a real window and feeds user input back
// through the same setters, so the semantics below hold with or without one:
//  - setting a check box's Checked to a different value runs OnClick;
//  - setting an edit's Text to a different text runs OnChange, and an
//    upper- or lower-case edit converts the text it is given; MaxLength
//    limits typing only;
//  - a track bar clamps Position to Min..Max and runs OnChange on a change.
// Events fired by setters propagate errors to their caller, as nested
// handler calls do; only Perform, the entry for user actions, catches them
// and hands them to the application's standard error box.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/platform.h"

namespace zk::ui {

using Event = std::function<void()>;
using KeyEvent = std::function<void(int key)>;

// Colours as 0x00BBGGRR; the high bit marks a system colour.
using Color = uint32_t;
constexpr Color clBlack = 0x000000, clWhite = 0xFFFFFF, clLime = 0x00FF00;
constexpr Color clBtnFace = 0x8000000F, clWindow = 0x80000005, clDefault = 0x20000000;

enum class Cursor { Default, HandPoint, IBeam, SizeWE, HourGlass, Arrow };

struct Font {
    std::string name = "MS Sans Serif";
    int height = 13;  // character height in pixels
    bool bold = false;
    bool underline = false;
    Color color = clBlack;
    bool italic = false;
    bool operator==(const Font& o) const {
        return name == o.name && height == o.height && bold == o.bold && underline == o.underline && color == o.color &&
               italic == o.italic;
    }
    // The system's own font, which forms without a font of their own show.
    static Font System() {
        Font f;
        f.name = "System";
        f.height = 16;
        return f;
    }
};

struct Bounds {
    int left = 0, top = 0, width = 0, height = 0;
};

enum class Kind {
    Form, PageControl, TabSheet, Panel, Bevel, Label, Button, CheckBox, Edit, TrackBar, Memo, Image, Shape,
    GroupBox, Gauge, DriveComboBox, FolderTree,
};

// What changed, for the peer.
enum class Prop {
    Bounds, Enabled, Visible, Caption, Hint, Font, Color, Checked, Text, Position, ActivePage, Lines, Focus,
    Progress, Items, Directory, Cursor,
};

class Control;
class Form;

class Peer {
public:
    virtual ~Peer() = default;
    virtual void Changed(Prop prop) = 0;
    virtual void Repaint() = 0;
    // A canvas on the real window, valid until it is destroyed.
    virtual std::unique_ptr<platform::Canvas> OpenCanvas() { return nullptr; }
};

// Makes the peers when a form is shown on a real screen.
class PeerFactory {
public:
    virtual ~PeerFactory() = default;
    virtual std::unique_ptr<Peer> Make(Control& control) = 0;
};

class Control {
public:
    Control(Kind kind, Control* parent, std::string name);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    Kind GetKind() const { return kind_; }
    const std::string& Name() const { return name_; }
    Control* Parent() const { return parent_; }
    const std::vector<Control*>& Children() const { return children_; }
    Form* OwnerForm();

    const Bounds& GetBounds() const { return bounds_; }
    void SetBounds(int left, int top, int width, int height);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);
    bool Visible() const { return visible_; }
    virtual void SetVisible(bool on);
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& text);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& text);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool on) { showHint_ = on; }
    const Font& GetFont() const { return font_; }
    void SetFont(const Font& font);
    Color GetColor() const { return color_; }
    void SetColor(Color color);
    Cursor GetCursor() const { return cursor_; }
    void SetCursor(Cursor cursor) {
        if (cursor_ == cursor) return;
        cursor_ = cursor;
        Notify(Prop::Cursor);
    }
    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int order) { tabOrder_ = order; }
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    // Paints at once, not when the message queue gets round to it.
    void Repaint();
    // Draws straight onto the control's window; nullptr without one.
    std::unique_ptr<platform::Canvas> OpenCanvas() { return peer_ ? peer_->OpenCanvas() : nullptr; }
    void SetFocus();
    bool Focused();

    // Runs a user action; an error that escapes it goes to the error box.
    void Perform(const std::function<void()>& action);

    // Called when the control receives the focus.
    virtual void Entered() {}

    Peer* GetPeer() const { return peer_.get(); }
    void AttachPeer(std::unique_ptr<Peer> peer) { peer_ = std::move(peer); }
    // Child-to-parent with peers made on demand by the form. Siblings get
    // their windows in tab order: the window system tabs in creation order.
    void AttachPeers(PeerFactory& factory);
    // The children, those with a TabOrder sorted by it within the places
    // they hold among the children; the others stay where they are.
    std::vector<Control*> InTabOrder() const;

protected:
    // The bounds as the real window has them, without telling the peer.
    void StoreBounds(const Bounds& b) { bounds_ = b; }
    void Notify(Prop prop) {
        if (peer_) peer_->Changed(prop);
    }

private:
    Kind kind_;
    Control* parent_;
    std::string name_;
    std::vector<Control*> children_;
    Bounds bounds_;
    bool enabled_ = true;
    bool visible_ = true;
    std::string caption_;
    std::string hint_;
    bool showHint_ = true;
    Font font_;
    Color color_ = clDefault;
    Cursor cursor_ = Cursor::Default;
    int tabOrder_ = -1;
    int tag_ = 0;
    std::unique_ptr<Peer> peer_;
};

// A control's place, texts, tab order and font in one call, as the forms lay
// themselves out.
void Place(Control& c, int left, int top, int width, int height, const std::string& caption, const std::string& hint,
           int tabOrder, const Font& font = Font());

class PopupMenu;

// Paints a picture of its own size onto a canvas.
using Painter = std::function<void(platform::Canvas& canvas)>;

class Button : public Control {
public:
    Button(Control* parent, std::string name) : Control(Kind::Button, parent, std::move(name)) {}
    void Click() {
        if (OnClick) OnClick();
    }
    bool isDefault = false;
    bool isCancel = false;
    PopupMenu* popupMenu = nullptr;  // opened by a right click
    Event OnClick;
    // A picture below the caption, one for the enabled and one for the
    // disabled button; none when glyph is empty.
    Painter glyph, glyphDisabled;
    int glyphWidth = 0, glyphHeight = 0;
    bool glyphLeft = false;  // the picture left of the caption instead
};

class CheckBox : public Control {
public:
    CheckBox(Control* parent, std::string name) : Control(Kind::CheckBox, parent, std::move(name)) {}
    bool Checked() const { return checked_; }
    void SetChecked(bool on);
    // A click toggles, as the mouse or the space bar does.
    void Toggle() { SetChecked(!checked_); }
    Event OnClick;
    bool tabStop = true;

private:
    bool checked_ = false;
};

enum class CharCase { Normal, Upper, Lower };

class Edit : public Control {
public:
    Edit(Control* parent, std::string name) : Control(Kind::Edit, parent, std::move(name)) {}
    const std::string& Text() const { return text_; }
    void SetText(const std::string& text);
    // What typing the text into an empty field leaves there: MaxLength applies.
    void Type(const std::string& text);
    int maxLength = 0;  // 0: no limit; counts characters
    CharCase charCase = CharCase::Normal;
    char passwordChar = 0;  // shown for every character; 0: the text itself
    Event OnChange;
    Event OnEnter;
    void Entered() override {
        if (OnEnter) OnEnter();
    }

private:
    std::string text_;
};

class TrackBar : public Control {
public:
    TrackBar(Control* parent, std::string name) : Control(Kind::TrackBar, parent, std::move(name)) {}
    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetRange(int min, int max);
    int Position() const { return position_; }
    void SetPosition(int position);
    int pageSize = 2;
    int thumbLength = 20;
    bool tickMarks = true;
    Event OnChange;
    KeyEvent OnKeyDown;
    KeyEvent OnKeyUp;

private:
    int min_ = 0, max_ = 10, position_ = 0;
};

class Label : public Control {
public:
    Label(Control* parent, std::string name) : Control(Kind::Label, parent, std::move(name)) {}
    enum class Align { Left, Center, Right } alignment = Align::Left;
    bool transparent = false;
};

class Panel : public Control {
public:
    Panel(Control* parent, std::string name) : Control(Kind::Panel, parent, std::move(name)) {}
    enum class BevelKind { None, Raised, Lowered } bevelOuter = BevelKind::Raised, bevelInner = BevelKind::None;
    int bevelWidth = 1;
    int borderWidth = 0;        // gap between the outer and inner bevel
    bool singleBorder = false;  // a plain frame around it all
};

// A captioned frame that holds controls.
class GroupBox : public Control {
public:
    GroupBox(Control* parent, std::string name) : Control(Kind::GroupBox, parent, std::move(name)) {}
};

class Bevel : public Control {
public:
    enum class Shape { Box, Frame, TopLine, LeftLine };
    enum class Style { Lowered, Raised };
    Bevel(Control* parent, std::string name, Shape shape, Style style = Style::Lowered)
        : Control(Kind::Bevel, parent, std::move(name)), shape(shape), style(style) {}
    Shape shape;
    Style style;
};

// A plain filled rectangle.
class ShapeBox : public Control {
public:
    ShapeBox(Control* parent, std::string name) : Control(Kind::Shape, parent, std::move(name)) {}
};

class Memo : public Control {
public:
    Memo(Control* parent, std::string name) : Control(Kind::Memo, parent, std::move(name)) {}
    const std::vector<std::string>& Lines() const { return lines_; }
    void SetLines(std::vector<std::string> lines);
    bool readOnly = false;
    bool centered = false;
    bool verticalScrollBar = false;
    bool tabStop = true;

private:
    std::vector<std::string> lines_;
};

// A picture drawn by code, so it scales with nothing and needs no files.
class Image : public Control {
public:
    Image(Control* parent, std::string name) : Control(Kind::Image, parent, std::move(name)) {}
    Painter picture;
    int pictureWidth = 0, pictureHeight = 0;
    bool center = false;  // the picture centred in the control, else at its top left
};

class TabSheet : public Control {
public:
    TabSheet(Control* parent, std::string name) : Control(Kind::TabSheet, parent, std::move(name)) {}
};

class PageControl : public Control {
public:
    PageControl(Control* parent, std::string name) : Control(Kind::PageControl, parent, std::move(name)) {}
    std::vector<TabSheet*> Pages() const;
    TabSheet* ActivePage() const { return active_; }
    void SetActivePage(TabSheet* page);
    bool multiLine = false;
    Font tabFont;

private:
    TabSheet* active_ = nullptr;
};

struct MenuItem {
    MenuItem(std::string name, std::string caption) : name(std::move(name)), caption(std::move(caption)) {}
    std::string name;
    std::string caption;
    Event OnClick;
};

class PopupMenu {
public:
    explicit PopupMenu(std::string name) : name(std::move(name)) {}
    std::string name;
    std::vector<MenuItem*> items;
};

// A progress bar counted in any unit; Progress stays within Min..Max.
class Gauge : public Control {
public:
    Gauge(Control* parent, std::string name) : Control(Kind::Gauge, parent, std::move(name)) {}
    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetMin(int min);
    void SetMax(int max);
    int Progress() const { return progress_; }
    void SetProgress(int progress);
    void AddProgress(int by);
    // Whole percent of the way from Min to Max.
    int PercentDone() const;
    bool ShowText() const { return showText_; }
    void SetShowText(bool on);
    Color foreColor = clLime;
    Color backColor = clBlack;
    bool border = true;

private:
    int min_ = 0, max_ = 100, progress_ = 0;
    bool showText_ = true;
};

// A drop-down of the drives that exist, by letter. Setting the drive to a
// different letter runs OnChange, as choosing it with the mouse does.
class DriveComboBox : public Control {
public:
    DriveComboBox(Control* parent, std::string name) : Control(Kind::DriveComboBox, parent, std::move(name)) {}
    // Reads the drives (and the labels of those that are ready) anew.
    void Refresh();
    // "c: [LABEL]" lines, one per drive.
    const std::vector<std::string>& Items() const { return items_; }
    const std::string& Letters() const { return letters_; }
    // Lower case; 0 before a drive is set.
    char Drive() const { return drive_; }
    // False for a letter without a drive.
    bool SetDrive(char letter);
    // The user picks a line.
    bool Select(size_t index);
    Event OnChange;

private:
    std::string letters_;
    std::vector<std::string> items_;
    char drive_ = 0;
};

// The folders of one drive as an expandable tree, one of them current.
class FolderTree : public Control {
public:
    FolderTree(Control* parent, std::string name) : Control(Kind::FolderTree, parent, std::move(name)) {}
    char Drive() const { return directory_.empty() ? 0 : directory_[0]; }
    // Fails for a drive that is not ready; the tree shows its root.
    bool SetDrive(char letter);
    // A full path, without trailing "\" but for a root (x:\).
    const std::string& Directory() const { return directory_; }
    // Fails for a folder that does not exist; nothing changes then.
    bool SetDirectory(const std::string& path);
    // The sub-folders of a folder, in the order the file system lists them.
    std::vector<std::string> SubFolders(const std::string& folder);
    int itemHeight = 13;

private:
    platform::FileSystem* Files();
    std::string directory_;
};

}  // namespace zk::ui
