// The about box: the logo strip, the version lines, a word about the game
// and the maker's lines. Created hidden at start; closing only hides it.
#pragma once
#include "graphics/logo.h"
#include "ui/form.h"

namespace zk {

class TAboutBoxRV : public ui::Form {
public:
    explicit TAboutBoxRV(platform::Platform& platform);

    // Handlers.
    void FormActivate();
    void FormPaint();
    void OKButtonClick();

    // Where the logo's colour scheme comes from.
    graphics::SchemeSource scheme = graphics::TimeSeededScheme;

    ui::Panel Panel2;
    ui::Label Label3;
    ui::Bevel Bevel1;
    ui::Label Label2;
    ui::Panel Panel1;
    ui::Image Image3;
    ui::Memo Memo3;
    ui::Image ProgramIcon;
    ui::Label Label1;
    ui::Memo Memo2;
    ui::Memo Memo1;
    ui::Image Image1;
    ui::Button OKButton;
    ui::Timer Timer1;
};

}  // namespace zk
