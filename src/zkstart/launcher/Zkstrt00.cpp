#include "launcher/Zkstrt00.h"

#include <cctype>

#include "common/error.h"
#include "shell/shelllinks.h"

namespace zk {

using platform::DlgButton;
using platform::DlgType;

namespace {
// The system's drive type of the first three characters of the folder: a
// root such as "C:\" names a drive, anything else (a network path) none.
bool OnFixedDisk(platform::FileSystem& files, const std::string& folder) {
    const bool root = folder.size() >= 3 && std::isalpha(static_cast<unsigned char>(folder[0])) && folder[1] == ':' &&
                      folder[2] == '\\';
    return root && files.DriveKind(folder[0]) == platform::DriveType::Fixed;
}
}  // namespace

const char kUnpackText[] =
    "ZANTORIK ist vermutlich noch gezippt.\n\n\rBitte entpacken Sie ZANTORIK zuerst\n\rund starten dann ZKSTART.EXE erneut.";

std::string WelcomeText(const std::string& folder) {
    return "Willkommen zu ZANTORIK!\n\rPfad: " + folder + "\n\n\r" +
           "\"OK\" zum Einbinden ins System (Symbole,...),\n\r" +
           "\"Ignorieren\" um es an andere Stelle zu kopieren bzw.\n\r" + "\"Abbruch\" zum Beenden.";
}

TForm2::TForm2(platform::Platform& platform, SplashSeams seamsIn)
    : Form(platform, "Form2"), seams(std::move(seamsIn)), Panel1(this, "Panel1"), Label1(&Panel1, "Label1"),
      Timer1(*this, "Timer1") {
    SetCaption("Hallo!");
    borderStyle = ui::BorderStyle::None;
    SetClientSize(338, 74);
    centered = true;
    SetFont(ui::Font::System());

    Panel1.SetBounds(0, 0, 338, 74);
    Panel1.SetColor(ui::clBlack);
    Panel1.bevelInner = ui::Panel::BevelKind::Lowered;
    Panel1.bevelWidth = 5;
    Panel1.SetCursor(ui::Cursor::HourGlass);

    Label1.SetBounds(10, 10, 318, 54);
    Label1.SetCaption("Version 6.0 ");
    Label1.alignment = ui::Label::Align::Right;
    Label1.transparent = true;
    ui::Font small;
    small.height = 11;
    small.color = ui::clWhite;
    Label1.SetFont(small);

    Timer1.SetInterval(10);
    Timer1.SetTag(0);
    Timer1.OnTimer = [this] { Timer1Timer(); };
    Timer1.SetEnabled(true);
    // Visible from its creation on.
    SetVisible(true);
}

void TForm2::Timer1Timer() {
    if (Timer1.Tag() == 0) {
        graphics::DrawLogo(Label1, scheme);
        Timer1.SetInterval(3500);
        Timer1.SetTag(1);
        return;
    }
    Timer1.SetEnabled(false);
    const std::string folder = platform::ProgramFolder(platform.files);
    SetGameFolder(folder);
    Next next;
    try {
        next = FirstRunCheck(folder);
    } catch (const std::exception& e) {
        // The error box first, then the launcher: never leave the player
        // with nothing but the splash.
        platform.app.ShowError(e.what());
        next = Next::Launcher;
    }
    switch (next) {
        case Next::Launcher:
            if (seams.showLauncher) seams.showLauncher();
            break;
        case Next::Setup:
            // The launcher stays hidden; closing the setup window shows it.
            if (seams.showSetup) seams.showSetup();
            break;
        case Next::Quit:
            platform.app.PostQuit();
            break;
    }
    Hide();
}

void TForm2::SetGameFolder(const std::string& folder) {
    if (seams.setGameFolder) seams.setGameFolder(folder);
}

TForm2::Next TForm2::FirstRunCheck(const std::string& folder) {
    if (!platform.files.SetCurrentDir(folder)) throw InOutError(platform.files.LastError());
    if (!seams.loadOptions || seams.loadOptions()) return Next::Launcher;
    // Only a copy on a fixed disk is greeted: not one on a CD-ROM, a
    // network drive or a path without a drive letter.
    if (!OnFixedDisk(platform.files, folder)) return Next::Launcher;

    int answer = platform::mrCancel;
    if (platform.files.FileExists(folder + "zantorik.exe")) {
        answer = ui::MessageDlg(platform, WelcomeText(folder), DlgType::Confirmation,
                                {DlgButton::OK, DlgButton::Cancel, DlgButton::Ignore}, 0);
        if (answer == platform::mrOk) CreateGameMenuEntries(platform, folder);
    } else {
        // Whatever closes it, the program ends.
        ui::MessageDlg(platform, kUnpackText, DlgType::Information, {DlgButton::OK}, 0);
    }
    if (answer == platform::mrOk) {
        SetGameFolder(folder);
        return Next::Launcher;
    }
    if (answer == platform::mrIgnore) return Next::Setup;
    return Next::Quit;
}

}  // namespace zk
