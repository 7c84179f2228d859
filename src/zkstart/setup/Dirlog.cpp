#include "setup/Dirlog.h"

namespace zk {

ChooserField DialogMode = ChooserField::None;

TGetDirDialog::TGetDirDialog(platform::Platform& platform)
    : ui::Form(platform, "GetDirDialog"), DriveBox(this, "DriveBox"), DirBox(this, "DirBox"), Nimms(this, "Nimms") {
    SetCaption("Ordner wählen!");
    borderStyle = ui::BorderStyle::ToolWindow;
    borderIcons = {true, false, false};
    SetClientSize(145, 217);
    ui::Font font;
    font.height = 11;
    SetFont(font);
    DriveBox.SetFont(font);
    DirBox.SetFont(font);
    Nimms.SetFont(font);
    DriveBox.SetBounds(0, 0, 145, 19);
    DirBox.SetBounds(0, 24, 145, 161);
    DirBox.itemHeight = 13;
    Nimms.SetBounds(0, 192, 145, 25);
    Nimms.SetCaption("Übernehmen!");
    DriveBox.SetTabOrder(0);
    DirBox.SetTabOrder(1);
    Nimms.SetTabOrder(2);
    DriveBox.OnChange = [this] { DriveBoxChange(); };
    Nimms.OnClick = [this] { NimmsClick(); };
    OnActivate = [this] { FormActivate(); };
    SetActiveControl(&DirBox);
}

ui::Edit* TGetDirDialog::Field() const {
    return DialogMode == ChooserField::None ? nullptr : fields_[DialogMode == ChooserField::Source ? 0 : 1];
}

void TGetDirDialog::ShowFolderOf(const std::string& text) {
    if (text.empty()) return;
    if (!DirBox.SetDirectory(text)) DirBox.SetDirectory(text.substr(0, 1) + ":\\");
}

void TGetDirDialog::OpenFor(ChooserField mode, const ui::Form& owner, ui::Edit& field) {
    DialogMode = mode;
    fields_[mode == ChooserField::Source ? 0 : 1] = &field;
    // Just below the field: counted from the owner's client area, since the
    // window's own left and top would leave its caption out and put the
    // chooser over the field. The field may sit in a group box.
    const ui::Bounds o = owner.ClientOrigin();
    ui::Bounds f = field.GetBounds();
    for (const ui::Control* p = field.Parent(); p && p != &owner; p = p->Parent()) {
        f.left += p->GetBounds().left;
        f.top += p->GetBounds().top;
    }
    const ui::Bounds& me = GetBounds();
    SetBounds(o.left + f.left + owner.borderWidth + 5, o.top + f.top + f.height + owner.borderWidth, me.width,
              me.height);
    SetCaption(mode == ChooserField::Source ? "Quellordner wählen!" : "Zielordner wählen!");
    const std::string text = field.Text();
    if (!text.empty()) DriveBox.SetDrive(text[0]);
    ShowFolderOf(text);
    Show();
}

void TGetDirDialog::HideIfVisible() {
    if (Visible()) Hide();
}

void TGetDirDialog::FormActivate() {
    ui::Edit* field = Field();
    if (!field) return;
    const std::string text = field->Text();
    ShowFolderOf(text);
    if (!text.empty()) DriveBox.SetDrive(text[0]);
    DirBox.Repaint();
}

void TGetDirDialog::DriveBoxChange() {
    const char drive = DriveBox.Drive();
    if (!DirBox.SetDrive(drive) || !DirBox.SetDirectory(std::string(1, drive) + ":\\")) {
        ui::MessageDlg(platform, "Laufwerk nicht bereit!\n\rÜberprüfen Sie den Datenträger.", platform::DlgType::Error,
                       {platform::DlgButton::OK}, 0);
        return;
    }
    DirBox.Repaint();
}

void TGetDirDialog::NimmsClick() {
    if (ui::Edit* field = Field()) field->SetText(DirBox.Directory());
    Hide();
}

}  // namespace zk
