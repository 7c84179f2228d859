// The folder chooser: a small tool window beside the setup window's path
// fields, with a drive selector and the folder tree of one drive.
#pragma once
#include <cstdint>

#include "ui/form.h"

namespace zk {

// Which field the chooser serves; None until it was first opened.
enum class ChooserField : uint8_t { None = 0, Source = 1, Target = 2 };
extern ChooserField DialogMode;

class TGetDirDialog : public ui::Form {
public:
    explicit TGetDirDialog(platform::Platform& platform);

    // Opens the chooser below the field of the owner window, for the source
    // or the target field.
    void OpenFor(ChooserField mode, const ui::Form& owner, ui::Edit& field);
    // Another window became active.
    void HideIfVisible();

    // Handlers.
    void FormActivate();
    void DriveBoxChange();
    void NimmsClick();

    ui::DriveComboBox DriveBox;
    ui::FolderTree DirBox;
    ui::Button Nimms;

private:
    ui::Edit* Field() const;
    // Folder tree := the text, else the root of its drive; an empty text
    // leaves the tree as it was.
    void ShowFolderOf(const std::string& text);
    ui::Edit* fields_[2] = {nullptr, nullptr};
};

}  // namespace zk
