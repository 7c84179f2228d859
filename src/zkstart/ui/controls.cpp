#include <algorithm>

#include "common/text.h"
#include "ui/form.h"

namespace zk::ui {

Control::Control(Kind kind, Control* parent, std::string name) : kind_(kind), parent_(parent), name_(std::move(name)) {
    if (parent_) parent_->children_.push_back(this);
}

Control::~Control() {
    if (parent_) {
        auto& c = parent_->children_;
        c.erase(std::remove(c.begin(), c.end(), this), c.end());
    }
}

Form* Control::OwnerForm() {
    Control* c = this;
    while (c->parent_) c = c->parent_;
    return c->kind_ == Kind::Form ? static_cast<Form*>(c) : nullptr;
}

void Place(Control& c, int left, int top, int width, int height, const std::string& caption, const std::string& hint,
           int tabOrder, const Font& font) {
    c.SetBounds(left, top, width, height);
    c.SetCaption(caption);
    c.SetHint(hint);
    c.SetTabOrder(tabOrder);
    c.SetFont(font);
}

void Control::SetBounds(int left, int top, int width, int height) {
    bounds_ = {left, top, width, height};
    Notify(Prop::Bounds);
}

void Control::SetEnabled(bool on) {
    if (enabled_ == on) return;
    enabled_ = on;
    Notify(Prop::Enabled);
}

void Control::SetVisible(bool on) {
    if (visible_ == on) return;
    visible_ = on;
    Notify(Prop::Visible);
}

void Control::SetCaption(const std::string& text) {
    if (caption_ == text) return;
    caption_ = text;
    Notify(Prop::Caption);
}

void Control::SetHint(const std::string& text) {
    if (hint_ == text) return;
    hint_ = text;
    Notify(Prop::Hint);
}

void Control::SetFont(const Font& font) {
    font_ = font;
    Notify(Prop::Font);
}

void Control::SetColor(Color color) {
    color_ = color;
    Notify(Prop::Color);
}

void Control::Repaint() {
    if (peer_) peer_->Repaint();
}

void Control::SetFocus() {
    if (Form* f = OwnerForm()) f->SetActiveControl(this);
}

bool Control::Focused() {
    Form* f = OwnerForm();
    return f && f->ActiveControl() == this;
}

void Control::Perform(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& e) {
        if (Form* f = OwnerForm()) f->platform.app.ShowError(e.what());
    }
}

void Control::AttachPeers(PeerFactory& factory) {
    if (!peer_) peer_ = factory.Make(*this);
    for (Control* c : InTabOrder()) c->AttachPeers(factory);
}

std::vector<Control*> Control::InTabOrder() const {
    std::vector<Control*> all = children_, ordered;
    std::vector<size_t> places;
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i]->tabOrder_ >= 0) {
            places.push_back(i);
            ordered.push_back(all[i]);
        }
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const Control* a, const Control* b) { return a->tabOrder_ < b->tabOrder_; });
    for (size_t i = 0; i < places.size(); ++i) all[places[i]] = ordered[i];
    return all;
}

void CheckBox::SetChecked(bool on) {
    if (checked_ == on) return;
    checked_ = on;
    Notify(Prop::Checked);
    if (OnClick) OnClick();
}

void Edit::SetText(const std::string& text) {
    std::string t = charCase == CharCase::Upper ? UpperCaseDE(text)
                  : charCase == CharCase::Lower ? LowerCaseDE(text) : text;
    if (t == text_) return;
    text_ = t;
    Notify(Prop::Text);
    if (OnChange) OnChange();
}

void Edit::Type(const std::string& text) {
    if (maxLength <= 0) return SetText(text);
    // Count UTF-8 characters, not bytes.
    std::string kept;
    int chars = 0;
    for (size_t i = 0; i < text.size();) {
        size_t len = 1;
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0xF0) len = 4; else if (c >= 0xE0) len = 3; else if (c >= 0xC0) len = 2;
        if (++chars > maxLength) break;
        kept += text.substr(i, len);
        i += len;
    }
    SetText(kept);
}

void TrackBar::SetRange(int min, int max) {
    min_ = min;
    max_ = std::max(min, max);
    Notify(Prop::Position);
    SetPosition(position_);
}

void TrackBar::SetPosition(int position) {
    int p = std::clamp(position, min_, max_);
    if (p == position_) return;
    position_ = p;
    Notify(Prop::Position);
    if (OnChange) OnChange();
}

void Memo::SetLines(std::vector<std::string> lines) {
    lines_ = std::move(lines);
    Notify(Prop::Lines);
}

std::vector<TabSheet*> PageControl::Pages() const {
    std::vector<TabSheet*> pages;
    for (Control* c : Children())
        if (c->GetKind() == Kind::TabSheet) pages.push_back(static_cast<TabSheet*>(c));
    return pages;
}

void PageControl::SetActivePage(TabSheet* page) {
    if (page == active_) return;
    active_ = page;
    Notify(Prop::ActivePage);
}

void Gauge::SetMin(int min) {
    min_ = min;
    max_ = std::max(min_, max_);
    SetProgress(progress_);
    Notify(Prop::Progress);
}

void Gauge::SetMax(int max) {
    max_ = std::max(min_, max);
    SetProgress(progress_);
    Notify(Prop::Progress);
}

void Gauge::SetProgress(int progress) {
    int p = std::clamp(progress, min_, max_);
    if (p == progress_) return;
    progress_ = p;
    Notify(Prop::Progress);
}

void Gauge::AddProgress(int by) {
    long long p = std::clamp(static_cast<long long>(progress_) + by, static_cast<long long>(min_),
                             static_cast<long long>(max_));
    SetProgress(static_cast<int>(p));
}

int Gauge::PercentDone() const {
    long long span = static_cast<long long>(max_) - min_;
    if (span <= 0) return 0;
    return static_cast<int>((static_cast<long long>(progress_) - min_) * 100 / span);
}

void Gauge::SetShowText(bool on) {
    if (showText_ == on) return;
    showText_ = on;
    Notify(Prop::Progress);
}

namespace {
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
}  // namespace

void DriveComboBox::Refresh() {
    Form* form = OwnerForm();
    if (!form) return;
    platform::FileSystem& files = form->platform.files;
    platform::QuietDriveErrors quiet(files);
    letters_.clear();
    items_.clear();
    for (char letter : files.Drives()) {
        std::string item = std::string(1, Lower(letter)) + ":";
        // Removable drives are not asked for a label: that would spin them up.
        std::string label;
        uint32_t serial = 0;
        auto type = files.DriveKind(letter);
        if (type != platform::DriveType::Removable && files.VolumeInfo(letter, label, serial) && !label.empty())
            item += " [" + label + "]";
        letters_ += Lower(letter);
        items_.push_back(item);
    }
    Notify(Prop::Items);
}

bool DriveComboBox::SetDrive(char letter) {
    if (letters_.empty()) Refresh();
    letter = Lower(letter);
    if (letters_.find(letter) == std::string::npos) return false;
    if (letter == drive_) return true;
    drive_ = letter;
    Notify(Prop::Text);
    if (OnChange) OnChange();
    return true;
}

bool DriveComboBox::Select(size_t index) {
    return index < letters_.size() && SetDrive(letters_[index]);
}

platform::FileSystem* FolderTree::Files() {
    Form* form = OwnerForm();
    return form ? &form->platform.files : nullptr;
}

bool FolderTree::SetDrive(char letter) {
    return SetDirectory(std::string(1, Lower(letter)) + ":\\");
}

bool FolderTree::SetDirectory(const std::string& path) {
    platform::FileSystem* files = Files();
    if (!files || path.size() < 2 || path[1] != ':') return false;
    std::string p;
    for (char c : path) {
        if (c == '/') c = '\\';
        if (c == '\\' && !p.empty() && p.back() == '\\') continue;
        p += c;
    }
    if (p.size() == 2) p += '\\';
    if (p.find('\\') != 2) return false;  // a full path: x:\...
    while (p.size() > 3 && p.back() == '\\') p.pop_back();
    platform::QuietDriveErrors quiet(*files);
    if (!files->DirExists(p)) return false;
    if (p == directory_) return true;
    directory_ = p;
    Notify(Prop::Directory);
    return true;
}

std::vector<std::string> FolderTree::SubFolders(const std::string& folder) {
    std::vector<std::string> names;
    platform::FileSystem* files = Files();
    if (!files) return names;
    platform::QuietDriveErrors quiet(*files);
    auto dir = files->OpenDir(folder);
    platform::DirEntry e;
    while (dir && dir->Next(e))
        if ((e.attr & platform::faDirectory) && e.name != "." && e.name != "..") names.push_back(e.name);
    return names;
}

}  // namespace zk::ui
