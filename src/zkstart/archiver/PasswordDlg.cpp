#include "archiver/PasswordDlg.h"

namespace zk {

std::function<void(TPasswordDlg&)> TPasswordDlg::runModal;

namespace {
constexpr platform::Rgb kGreen = platform::MakeRgb(0, 128, 0);
constexpr platform::Rgb kRed = platform::MakeRgb(192, 0, 0);

// The platform's OK and Cancel marks: a tick and a cross, 18 pixels square.
void PaintTick(platform::Canvas& c) {
    c.SetPenColor(kGreen);
    for (int d = 0; d < 3; ++d) {
        c.MoveTo(2, 9 + d);
        c.LineTo(7, 14 + d);
        c.LineTo(16, 4 + d);
    }
}

void PaintCross(platform::Canvas& c) {
    c.SetPenColor(kRed);
    for (int d = 0; d < 2; ++d) {
        c.MoveTo(3 + d, 3);
        c.LineTo(15 + d, 15);
        c.MoveTo(15 + d, 3);
        c.LineTo(3 + d, 15);
    }
}
}  // namespace

TPasswordDlg::TPasswordDlg(platform::Platform& platform, const std::string& caption, const std::string& prompt,
                           const std::string& okCaption, const std::string& cancelCaption)
    : ui::Form(platform, "PasswordDlg"),
      PromptLabel(this, "PromptLabel"),
      PwdEdit(this, "PwdEdit"),
      OKBtn(this, "OKBtn"),
      CancelBtn(this, "CancelBtn") {
    SetCaption(caption);
    borderStyle = ui::BorderStyle::Dialog;
    borderIcons = {true, false, false};
    centered = true;
    SetClientSize(344, 137);
    ui::Font font;
    font.name = "Arial";
    font.height = 12;
    font.bold = true;
    for (ui::Control* c : std::initializer_list<ui::Control*>{this, &PromptLabel, &PwdEdit, &OKBtn, &CancelBtn})
        c->SetFont(font);
    PromptLabel.SetBounds(20, 8, 297, 18);
    PromptLabel.SetCaption(prompt);
    PwdEdit.SetBounds(20, 40, 297, PwdEdit.GetBounds().height ? PwdEdit.GetBounds().height : 21);
    PwdEdit.passwordChar = '*';
    PwdEdit.maxLength = 80;
    OKBtn.SetBounds(44, 72, 90, 28);
    OKBtn.SetCaption(okCaption);
    OKBtn.isDefault = true;
    CancelBtn.SetBounds(205, 72, 90, 28);
    CancelBtn.SetCaption(cancelCaption);
    CancelBtn.isCancel = true;
    for (ui::Button* b : {&OKBtn, &CancelBtn}) {
        b->glyph = b == &OKBtn ? ui::Painter(PaintTick) : ui::Painter(PaintCross);
        b->glyphWidth = 18;
        b->glyphHeight = 18;
        b->glyphLeft = true;  // where the platform's OK and Cancel buttons have it
    }
    PwdEdit.SetTabOrder(0);
    OKBtn.SetTabOrder(1);
    CancelBtn.SetTabOrder(2);
    OKBtn.OnClick = [this] { OKBtnClick(); };
    CancelBtn.OnClick = [this] { CancelBtnClick(); };
    SetActiveControl(&PwdEdit);
}

void TPasswordDlg::OKBtnClick() {
    ModalResult = platform::mrOk;
    Hide();
}

void TPasswordDlg::CancelBtnClick() {
    ModalResult = platform::mrCancel;
    Hide();
}

std::string TPasswordDlg::ShowModalPwdDlg() {
    ModalResult = platform::mrNone;
    PwdEdit.SetText("");
    Show();
    if (runModal) runModal(*this);
    Hide();
    return ModalResult == platform::mrOk ? PwdEdit.Text() : std::string();
}

}  // namespace zk
