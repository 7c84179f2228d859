// The password dialog of the archive component: one masked entry, OK and
// Cancel, built in code.
#pragma once
#include <functional>
#include <string>

#include "ui/form.h"

namespace zk {

class TPasswordDlg : public ui::Form {
public:
    TPasswordDlg(platform::Platform& platform, const std::string& caption, const std::string& prompt,
                 const std::string& okCaption, const std::string& cancelCaption);

    // Shows the dialog until a button closes it: the entry after OK, ""
    // after Cancel.
    std::string ShowModalPwdDlg();

    // Handlers.
    void OKBtnClick();
    void CancelBtnClick();

    ui::Label PromptLabel;
    ui::Edit PwdEdit;
    ui::Button OKBtn;
    ui::Button CancelBtn;
    int ModalResult = platform::mrNone;

    // Runs a dialog modally: returns once a button has set ModalResult. The
    // program installs one that gives the form real windows; tests install
    // one that plays the user. Without one the dialog counts as cancelled.
    static std::function<void(TPasswordDlg&)> runModal;
};

}  // namespace zk
