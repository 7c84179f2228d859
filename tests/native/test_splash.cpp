// The program's start over the fake platform: the windows in their order,
// the splash's two ticks on the test clock and the first-run dialogs
// answered from a script.
#include <gtest/gtest.h>

#include "common/runflags.h"
#include "graphics/surface.h"
#include "launcher/program.h"
#include "launcher/setupzip.h"
#include "platform/fake/fake_canvas.h"
#include "platform/fake/fake_platform.h"
#include "canvas_peer.h"

namespace zk::test {
namespace {

using platform::DlgButton;
using platform::DlgType;

const std::string kFolder = "C:\\SPIELE\\ZANTORIK\\";
const std::string kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const std::string kPrograms = "C:\\Users\\Spieler\\Startmenü\\Programme";
const std::string kOptionsKey = "Software\\Orvandel\\Zantorik";

class Start : public ::testing::Test {
protected:
    Start() {
        CopyDone = 0;
        MenuOffered = 0;
        fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) {
            ADD_FAILURE() << "unexpected dialog: " << r.text;
        };
        fake.files.AddDir(kFolder);
        fake.registry.SetValue(kShellFolders, "Programs", kPrograms);
        fake.files.AddDir(kPrograms);
    }
    ~Start() override { graphics::ReleaseSurface(); }

    // Starts the program as the main entry does; the splash's label gets a
    // canvas, and the setup seam is counted instead of the stand-in.
    Program& Run() {
        program = std::make_unique<Program>(platform, [this](ui::Form& form) {
            created.push_back(form.Name());
            // As the main entry does: the main window is known from here on.
            if (form.isMainForm) fake.app.mainWindow = &mainWindow;
            visibleAtCreation.push_back(form.Visible());
            if (auto* splash = dynamic_cast<TForm2*>(&form)) {
                splash->scheme = [] { return 5; };
                splash->Label1.AttachPeer(std::make_unique<CanvasPeer>(logo));
            }
        });
        program->splash->seams.showSetup = [this] { ++setupShown; };
        return *program;
    }
    // Notes in errorsAtLauncher how many errors were shown by the time the
    // launcher comes up.
    void WatchTheLauncher() {
        auto formShow = Launcher().OnShow;
        Launcher().OnShow = [this, formShow] {
            errorsAtLauncher = fake.app.errors.size();
            formShow();
        };
    }
    TForm2& Splash() { return *program->splash; }
    TFormStart& Launcher() { return *program->launcher; }
    void Game() { fake.files.AddFile(kFolder + "zantorik.exe"); }
    void StoreOptions() { fake.registry.SetValue(kOptionsKey, "zkPfad", kFolder); }
    // Both ticks of the splash timer.
    void Ticks() {
        fake.timers.Advance(10);
        fake.timers.Advance(3500);
    }
    // What the player sees once the splash has decided.
    enum class Seen { Launcher, Setup, End };
    Seen Outcome() {
        EXPECT_FALSE(Splash().Visible()) << "the splash stays on screen";
        EXPECT_EQ(fake.timers.Count(), 0u) << "the splash timer still runs";
        const bool launcher = Launcher().Visible(), quit = fake.app.quitPosted > 0, setup = setupShown > 0;
        EXPECT_EQ(launcher + quit + setup, 1) << "launcher " << launcher << ", end " << quit << ", setup " << setup;
        return launcher ? Seen::Launcher : setup ? Seen::Setup : Seen::End;
    }

    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
    std::unique_ptr<Program> program;
    platform::FakeCanvas logo;
    std::vector<std::string> created;
    std::vector<bool> visibleAtCreation;
    int setupShown = 0;
    size_t errorsAtLauncher = 99;
    int mainWindow = 0;
};

TEST_F(Start, ApplicationAndWindowsInTheirOrder) {
    Run();
    EXPECT_EQ(fake.app.HelpFile(), "ZANTORIK.HLP");
    EXPECT_EQ(fake.app.Title(), "Ruvalin ZANTORIK-Starter");
    EXPECT_EQ(created, (std::vector<std::string>{"Form2", "FormStart", "Form1", "AboutBoxRV", "GetDirDialog"}));
    // The splash shows at once, the others are made hidden.
    EXPECT_EQ(visibleAtCreation, (std::vector<bool>{true, false, false, false, false}));
    EXPECT_TRUE(Splash().isMainForm);
    EXPECT_FALSE(Launcher().isMainForm);
    // The launcher's creation ran its FormShow.
    EXPECT_EQ(Launcher().ed_zkpfad.Text(), kFolder);
}

TEST_F(Start, TheSetupGetsItsArchiveComponentWithTheStoredSettings) {
    Game();
    fake.files.AddFile(kFolder + "zantorik.zip", "kein Archiv");
    fake.files.SetCurrentDir(kFolder);
    fake.dialogs.Answer(platform::mrOk);
    Run();
    ASSERT_EQ(fake.dialogs.shown.size(), 1u);
    // A file too short for an archive's end, in German (message 11011).
    EXPECT_EQ(fake.dialogs.shown[0].text, "Das Ende der Zip-Datei kann nicht gelesen werden.");
    auto* zip = dynamic_cast<SetupZip*>(program->setup->Zip.get());
    ASSERT_NE(zip, nullptr);
    EXPECT_EQ(zip->zip.AddCompLevel, 9);
    EXPECT_EQ(zip->zip.AddOptions, AddOpts{AddDirNames});
    // Made after the splash has its window: the library's dialogs hang on it.
    EXPECT_EQ(zip->zip.OwnerWindow, &mainWindow);
    // The stored name is read at once; a file that is no archive is
    // reported and forgotten, so no run can append to it.
    EXPECT_EQ(zip->zip.ZipFileName(), "");
    program->setup->Show();
    EXPECT_TRUE(program->setup->chkZip.Enabled());

    // The window's settings reach the component unchanged.
    zip->SetAddOptions(zaoAddDirNames | zaoAddRecurseDirs);
    EXPECT_EQ(zip->zip.AddOptions, (AddOpts{AddDirNames, AddRecurseDirs}));
    zip->SetFSpecArgs({"TEXTE\\THEMA.{1}"});
    EXPECT_EQ(zip->zip.FSpecArgs, std::vector<std::string>{"TEXTE\\THEMA.{1}"});
}

TEST_F(Start, SplashWindowAndControls) {
    Run();
    TForm2& s = Splash();
    EXPECT_EQ(s.Caption(), "Hallo!");
    EXPECT_EQ(s.borderStyle, ui::BorderStyle::None);
    EXPECT_EQ(s.ClientWidth(), 338);
    EXPECT_EQ(s.ClientHeight(), 74);
    EXPECT_TRUE(s.centered);
    EXPECT_EQ(s.GetFont().name, "System");

    const ui::Bounds& p = s.Panel1.GetBounds();
    EXPECT_EQ(std::vector<int>({p.left, p.top, p.width, p.height}), std::vector<int>({0, 0, 338, 74}));
    EXPECT_EQ(s.Panel1.GetColor(), ui::clBlack);
    EXPECT_EQ(s.Panel1.bevelInner, ui::Panel::BevelKind::Lowered);
    EXPECT_EQ(s.Panel1.bevelWidth, 5);
    EXPECT_EQ(s.Panel1.GetCursor(), ui::Cursor::HourGlass);

    EXPECT_EQ(s.Label1.Parent(), &s.Panel1);
    const ui::Bounds& l = s.Label1.GetBounds();
    EXPECT_EQ(std::vector<int>({l.left, l.top, l.width, l.height}), std::vector<int>({10, 10, 318, 54}));
    EXPECT_EQ(s.Label1.Caption(), "Version 6.0 ");
    EXPECT_EQ(s.Label1.alignment, ui::Label::Align::Right);
    EXPECT_TRUE(s.Label1.transparent);
    EXPECT_EQ(s.Label1.GetFont().name, "MS Sans Serif");
    EXPECT_EQ(s.Label1.GetFont().height, 11);
    EXPECT_EQ(s.Label1.GetFont().color, ui::clWhite);

    EXPECT_TRUE(s.Timer1.Enabled());
    EXPECT_EQ(s.Timer1.Interval(), 10u);
    EXPECT_EQ(s.Timer1.Tag(), 0);
}

TEST_F(Start, TheLogoAfterTenMillisecondsThenTheDecisionAfterThreeAndAHalfSeconds) {
    StoreOptions();
    Run();
    fake.timers.Advance(9);
    EXPECT_TRUE(logo.calls.empty());
    fake.timers.Advance(1);
    // Drawn once into the label's area, over its repainted caption.
    ASSERT_FALSE(logo.calls.empty());
    EXPECT_EQ(logo.calls[2].Text(), "FillRect(0,0,319,55)");
    EXPECT_EQ(static_cast<CanvasPeer*>(Splash().Label1.GetPeer())->repaints(), 1);
    EXPECT_EQ(Splash().Timer1.Interval(), 3500u);
    EXPECT_EQ(Splash().Timer1.Tag(), 1);
    const size_t drawn = logo.calls.size();

    fake.timers.Advance(3499);
    EXPECT_TRUE(Splash().Visible());
    EXPECT_FALSE(Launcher().Visible());
    fake.timers.Advance(1);
    EXPECT_EQ(Outcome(), Seen::Launcher);
    // No more ticks: the logo is not drawn again.
    fake.timers.Advance(60000);
    EXPECT_EQ(logo.calls.size(), drawn);
}

TEST_F(Start, StoredOptionsGoStraightToTheLauncher) {
    StoreOptions();
    fake.registry.SetValue(kOptionsKey, "xFast", "1");
    Game();
    Run();
    Ticks();
    EXPECT_EQ(Outcome(), Seen::Launcher);
    EXPECT_TRUE(fake.dialogs.shown.empty());
    EXPECT_TRUE(Launcher().cb_fast.Checked());
    EXPECT_EQ(Launcher().ed_zkpfad.Text(), kFolder);
    // The program folder was made current.
    EXPECT_EQ(fake.files.CurrentDir(), "C:\\SPIELE\\ZANTORIK");
    EXPECT_TRUE(fake.shellLinks.saved.empty());
}

TEST_F(Start, NoWelcomeAwayFromAFixedDisk) {
    using platform::DriveType;
    struct Case { const char* what; std::string module; DriveType type; };
    const Case cases[] = {
        {"CD-ROM", "E:\\ZANTORIK\\ZKSTART.EXE", DriveType::CDRom},
        {"network drive", "n:\\SPIELE\\ZKSTART.EXE", DriveType::Remote},
        {"floppy", "A:\\ZKSTART.EXE", DriveType::Removable},
        {"no drive letter", "\\\\server\\spiele\\ZKSTART.EXE", DriveType::Fixed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform::FakePlatform f;
        platform::Platform p = f.Get();
        f.dialogs.onUnexpected = [](const platform::DialogRequest& r) { ADD_FAILURE() << "dialog: " << r.text; };
        f.files.modulePath = c.module;
        const std::string folder = c.module.substr(0, c.module.rfind('\\') + 1);
        f.files.AddDir(folder);
        f.files.AddFile(folder + "zantorik.exe");
        f.files.Drive(c.module[0] == '\\' ? 'C' : c.module[0]).type = c.type;
        Program prog(p);
        f.timers.Advance(10);
        f.timers.Advance(3500);
        EXPECT_TRUE(prog.launcher->Visible());
        EXPECT_FALSE(prog.splash->Visible());
        EXPECT_TRUE(f.dialogs.shown.empty());
        EXPECT_EQ(f.app.quitPosted, 0);
    }
}

TEST_F(Start, TheWelcomeDialogExactly) {
    Game();
    Run();
    fake.dialogs.Answer(platform::mrCancel);
    Ticks();
    ASSERT_EQ(fake.dialogs.shown.size(), 1u);
    const platform::DialogRequest& r = fake.dialogs.shown[0];
    EXPECT_EQ(r.type, DlgType::Confirmation);
    EXPECT_EQ(r.title, "Bestätigung");
    EXPECT_EQ(r.text,
              "Willkommen zu ZANTORIK!\n\rPfad: C:\\SPIELE\\ZANTORIK\\\n\n\r"
              "\"OK\" zum Einbinden ins System (Symbole,...),\n\r"
              "\"Ignorieren\" um es an andere Stelle zu kopieren bzw.\n\r"
              "\"Abbruch\" zum Beenden.");
    EXPECT_EQ(r.buttons, (std::vector<DlgButton>{DlgButton::OK, DlgButton::Cancel, DlgButton::Ignore}));
    EXPECT_EQ(r.captions, (std::vector<std::string>{"OK", "Abbrechen", "&Ignorieren"}));
    EXPECT_EQ(r.defaultIndex, 0);
    // Escape and the close box press "Abbrechen".
    EXPECT_EQ(r.cancelIndex, 1);
    EXPECT_EQ(r.helpContext, 0);
}

TEST_F(Start, EveryAnswerToTheWelcome) {
    struct Case { const char* what; int answer; Seen seen; size_t shortcuts; };
    const Case cases[] = {
        {"OK", platform::mrOk, Seen::Launcher, 2},
        {"Ignorieren", platform::mrIgnore, Seen::Setup, 0},
        {"Abbrechen, Escape, close box", platform::mrCancel, Seen::End, 0},
        {"closed some other way", platform::mrNone, Seen::End, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform::FakePlatform f;
        platform::Platform p = f.Get();
        f.files.AddFile(kFolder + "zantorik.exe");
        f.registry.SetValue(kShellFolders, "Programs", kPrograms);
        f.files.AddDir(kPrograms);
        Program prog(p);
        int setup = 0;
        prog.splash->seams.showSetup = [&setup] { ++setup; };
        f.dialogs.Answer(c.answer);
        f.timers.Advance(10);
        f.timers.Advance(3500);
        EXPECT_EQ(f.dialogs.shown.size(), 1u);
        EXPECT_FALSE(prog.splash->Visible());
        EXPECT_EQ(prog.launcher->Visible(), c.seen == Seen::Launcher);
        EXPECT_EQ(setup, c.seen == Seen::Setup ? 1 : 0);
        EXPECT_EQ(f.app.quitPosted, c.seen == Seen::End ? 1 : 0);
        ASSERT_EQ(f.shellLinks.saved.size(), c.shortcuts);
        if (c.shortcuts) {
            // The folder as it comes, trailing backslash included.
            EXPECT_EQ(f.shellLinks.saved[0].target, "C:\\SPIELE\\ZANTORIK\\\\zkstart.exe");
            EXPECT_EQ(f.shellLinks.saved[1].target, "C:\\SPIELE\\ZANTORIK\\\\zantorik.hlp");
            EXPECT_EQ(prog.launcher->ed_zkpfad.Text(), kFolder);
        }
        EXPECT_TRUE(f.app.errors.empty());
        // Nothing was stored: the next start greets again.
        EXPECT_FALSE(f.registry.KeyExists(kOptionsKey));
    }
}

TEST_F(Start, WithoutTheGameTheUnpackMessageEndsTheProgram) {
    for (int answer : {platform::mrOk, platform::mrCancel, platform::mrNone}) {
        SCOPED_TRACE(answer);
        platform::FakePlatform f;
        platform::Platform p = f.Get();
        f.files.AddDir(kFolder);
        Program prog(p);
        f.dialogs.Answer(answer);
        f.timers.Advance(3510);
        ASSERT_EQ(f.dialogs.shown.size(), 1u);
        const platform::DialogRequest& r = f.dialogs.shown[0];
        EXPECT_EQ(r.type, DlgType::Information);
        EXPECT_EQ(r.title, "Information");
        EXPECT_EQ(r.text,
                  "ZANTORIK ist vermutlich noch gezippt.\n\n\rBitte entpacken Sie ZANTORIK zuerst\n\r"
                  "und starten dann ZKSTART.EXE erneut.");
        EXPECT_EQ(r.captions, std::vector<std::string>{"OK"});
        EXPECT_EQ(f.app.quitPosted, 1);
        EXPECT_FALSE(prog.launcher->Visible());
        EXPECT_FALSE(prog.splash->Visible());
        EXPECT_TRUE(f.shellLinks.saved.empty());
    }
}

TEST_F(Start, AProgramFolderThatCannotBeEnteredShowsTheErrorThenTheLauncher) {
    Game();
    fake.files.failSetCurrent.insert(kFolder);
    Run();
    WatchTheLauncher();
    Ticks();
    ASSERT_EQ(fake.app.errors, std::vector<std::string>{"E/A-Fehler 5"});
    EXPECT_EQ(errorsAtLauncher, 1u);
    EXPECT_TRUE(fake.dialogs.shown.empty());
    EXPECT_EQ(Outcome(), Seen::Launcher);
}

TEST_F(Start, AnErrorFromTheShortcutsAfterOkShowsTheErrorThenTheLauncher) {
    Game();
    // The registry names a Programs folder that is not there.
    fake.registry.SetValue(kShellFolders, "Programs", "C:\\Weg\\Programme");
    Run();
    WatchTheLauncher();
    fake.dialogs.Answer(platform::mrOk);
    Ticks();
    EXPECT_EQ(fake.app.errors, std::vector<std::string>{"E/A-Fehler 3"});
    EXPECT_EQ(errorsAtLauncher, 1u);
    EXPECT_EQ(Outcome(), Seen::Launcher);
    EXPECT_TRUE(fake.shellLinks.saved.empty());
}

TEST_F(Start, ExitButtonStoresTheOptionsSoTheNextStartSkipsTheWelcome) {
    Game();
    Run();
    fake.dialogs.Answer(platform::mrOk);
    Ticks();
    ASSERT_EQ(Outcome(), Seen::Launcher);
    // Alt+F4 stores nothing, and the program ends with the splash.
    Launcher().Close();
    EXPECT_EQ(fake.app.quitPosted, 1);
    EXPECT_FALSE(fake.registry.KeyExists(kOptionsKey));

    // The next start greets again; this time the player leaves through the
    // exit button, which stores the options and renews the shortcuts.
    program.reset();
    fake.app.quitPosted = 0;
    fake.shellLinks.saved.clear();
    Run();
    fake.dialogs.Answer(platform::mrOk);
    Ticks();
    ASSERT_EQ(fake.dialogs.shown.size(), 2u);
    Launcher().bt_exit.Click();
    EXPECT_EQ(fake.app.quitPosted, 1);
    EXPECT_TRUE(fake.registry.KeyExists(kOptionsKey));
    ASSERT_EQ(fake.shellLinks.saved.size(), 4u);
    EXPECT_EQ(fake.shellLinks.saved[2].target, "C:\\SPIELE\\ZANTORIK\\zkstart.exe");

    // And the start after that goes straight to the launcher.
    program.reset();
    fake.app.quitPosted = 0;
    Run();
    Ticks();
    EXPECT_EQ(Outcome(), Seen::Launcher);
    EXPECT_EQ(fake.dialogs.shown.size(), 2u);
}

TEST_F(Start, AnErrorFromTheShortcutsOnExitKeepsTheLauncherOpen) {
    StoreOptions();
    fake.registry.SetValue(kShellFolders, "Programs", "C:\\Weg\\Programme");
    Run();
    Ticks();
    ASSERT_EQ(Outcome(), Seen::Launcher);
    // A click is a user action: what escapes it goes to the error box.
    Launcher().bt_exit.Perform([this] { Launcher().bt_exit.Click(); });
    EXPECT_EQ(fake.app.errors, std::vector<std::string>{"E/A-Fehler 3"});
    EXPECT_TRUE(Launcher().Visible());
    EXPECT_EQ(fake.app.quitPosted, 0);
    // Saved before the shortcuts were tried.
    EXPECT_EQ(fake.registry.Find(kOptionsKey, "Speed")->text, "50");
}

}  // namespace
}  // namespace zk::test
