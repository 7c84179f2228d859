// The program's start over the fake platform: the windows in their order,
// the splash's two ticks on the test clock and the first-run dialogs
// answered from a script.
#include <gtest/gtest.h>

#include "canvas_peer.h"
#include "common/runflags.h"
#include "common/text.h"
#include "graphics/surface.h"
#include "launcher/program.h"
#include "launcher/setupzip.h"
#include "platform/fake/fake_canvas.h"
#include "platform/fake/fake_platform.h"

namespace zk::test {
namespace {

using platform::DlgButton;
using platform::DriveType;

const std::string kFolder = "C:\\SPIELE\\ZANTORIK\\";
const std::string kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const std::string kPrograms = "C:\\Users\\Spieler\\Startmenü\\Programme";
const std::string kOptionsKey = "Software\\Orvandel\\Zantorik";
enum class Seen { Launcher, Setup, End };

// One start of the program, up to the splash's decision.
struct Start {
    explicit Start(const std::string& module = kFolder + "ZKSTART.EXE") {
        CopyDone = MenuOffered = 0;
        fake.files.modulePath = module;
        fake.files.AddDir(module.substr(0, module.rfind('\\') + 1));
        fake.registry.SetValue(kShellFolders, "Programs", kPrograms);
        fake.files.AddDir(kPrograms);
    }
    ~Start() { graphics::ReleaseSurface(); }
    Program& Run() {
        program.reset();
        program = std::make_unique<Program>(platform, [this](ui::Form& form) {
            created.push_back(form.Name() + (form.Visible() ? " shown" : ""));
            if (form.isMainForm) fake.app.mainWindow = &mainWindow;
            if (auto* splash = dynamic_cast<TForm2*>(&form)) {
                splash->scheme = [] { return 5; };
                splash->Label1.AttachPeer(std::make_unique<CanvasPeer>(logo));
            }
        });
        program->splash->seams.showSetup = [this] { ++setupShown; };
        // How many errors were shown by the time the launcher came up.
        auto formShow = program->launcher->OnShow;
        program->launcher->OnShow = [this, formShow] {
            errorsAtLauncher = fake.app.errors.size();
            formShow();
        };
        return *program;
    }
    void Ticks() {
        fake.timers.Advance(10);
        fake.timers.Advance(3500);
    }
    Seen Outcome() {
        EXPECT_FALSE(program->splash->Visible()) << "the splash stays on screen";
        EXPECT_EQ(fake.timers.Count(), 0u) << "the splash timer still runs";
        const bool launcher = program->launcher->Visible(), quit = fake.app.quitPosted > 0, setup = setupShown > 0;
        EXPECT_EQ(launcher + quit + setup, 1) << "launcher " << launcher << ", end " << quit << ", setup " << setup;
        return launcher ? Seen::Launcher : setup ? Seen::Setup : Seen::End;
    }

    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
    std::unique_ptr<Program> program;
    platform::FakeCanvas logo;
    std::vector<std::string> created;
    int setupShown = 0, mainWindow = 0;
    size_t errorsAtLauncher = 99;
};

TEST(Program, WindowsInTheirOrderAndTheSetupsArchiveComponent) {
    Start s;
    s.fake.files.AddFile(kFolder + "zantorik.zip", "kein Archiv");
    s.fake.files.SetCurrentDir(kFolder);
    s.fake.dialogs.Answer(platform::mrOk);
    Program& p = s.Run();
    EXPECT_EQ(s.fake.app.HelpFile(), "ZANTORIK.HLP");
    EXPECT_EQ(s.fake.app.Title(), "Ruvalin ZANTORIK-Starter");
    EXPECT_EQ(s.created, (std::vector<std::string>{"Form2 shown", "FormStart", "Form1", "AboutBoxRV", "GetDirDialog"}));
    EXPECT_TRUE(p.splash->isMainForm && !p.launcher->isMainForm);
    EXPECT_EQ(p.launcher->ed_zkpfad.Text(), kFolder);  // its creation ran FormShow
    // The stored archive name is read at once: one that is no archive is
    // reported (message 11011) and forgotten, so no run can append to it.
    ASSERT_EQ(s.fake.dialogs.shown.size(), 1u);
    EXPECT_EQ(s.fake.dialogs.shown[0].text, "Das Ende der Zip-Datei kann nicht gelesen werden.");
    auto* zip = dynamic_cast<SetupZip*>(p.setup->Zip.get());
    ASSERT_NE(zip, nullptr);
    EXPECT_EQ(zip->zip.AddCompLevel, 9);
    EXPECT_EQ(zip->zip.AddOptions, AddOpts{AddDirNames});
    EXPECT_EQ(zip->zip.ZipFileName(), "");
    // Made after the splash has its window: the library's dialogs hang on it.
    EXPECT_EQ(zip->zip.OwnerWindow, &s.mainWindow);
    zip->SetAddOptions(zaoAddDirNames | zaoAddRecurseDirs);
    EXPECT_EQ(zip->zip.AddOptions, (AddOpts{AddDirNames, AddRecurseDirs}));
}

TEST(Splash, TheLogoAfterTenMillisecondsThenTheDecisionAfterThreeAndAHalfSeconds) {
    Start s;
    s.fake.registry.SetValue(kOptionsKey, "xFast", "1");
    Program& p = s.Run();
    s.fake.timers.Advance(9);
    EXPECT_TRUE(s.logo.calls.empty());
    s.fake.timers.Advance(1);
    ASSERT_FALSE(s.logo.calls.empty());
    const size_t drawn = s.logo.calls.size();
    s.fake.timers.Advance(3499);
    EXPECT_TRUE(p.splash->Visible());
    EXPECT_FALSE(p.launcher->Visible());
    s.fake.timers.Advance(1);
    EXPECT_EQ(s.Outcome(), Seen::Launcher);
    EXPECT_TRUE(p.launcher->cb_fast.Checked());
    EXPECT_EQ(s.fake.files.CurrentDir(), "C:\\SPIELE\\ZANTORIK");
    s.fake.timers.Advance(60000);
    EXPECT_EQ(s.logo.calls.size(), drawn);  // no more ticks
}

TEST(Splash, WhatTheSecondTickShows) {
    const int noDialog = -1;
    struct { const char* name; std::string module; DriveType drive; bool stored, game; int answer;
             const char* badDir; Seen seen; size_t shortcuts; std::vector<std::string> errors; } rows[] = {
        {"stored options", kFolder + "ZKSTART.EXE", DriveType::Fixed, true, true, noDialog, "", Seen::Launcher, 0, {}},
        {"CD-ROM", "E:\\ZANTORIK\\ZKSTART.EXE", DriveType::CDRom, false, true, noDialog, "", Seen::Launcher, 0, {}},
        {"network", "n:\\SPIELE\\ZKSTART.EXE", DriveType::Remote, false, true, noDialog, "", Seen::Launcher, 0, {}},
        {"floppy", "A:\\ZKSTART.EXE", DriveType::Removable, false, true, noDialog, "", Seen::Launcher, 0, {}},
        {"no drive letter", "\\\\server\\spiele\\ZKSTART.EXE", DriveType::Fixed, false, true, noDialog, "",
         Seen::Launcher, 0, {}},
        {"OK", kFolder + "ZKSTART.EXE", DriveType::Fixed, false, true, platform::mrOk, "", Seen::Launcher, 2, {}},
        {"Ignorieren", kFolder + "ZKSTART.EXE", DriveType::Fixed, false, true, platform::mrIgnore, "", Seen::Setup, 0, {}},
        {"Abbrechen", kFolder + "ZKSTART.EXE", DriveType::Fixed, false, true, platform::mrCancel, "", Seen::End, 0, {}},
        {"closed", kFolder + "ZKSTART.EXE", DriveType::Fixed, false, true, platform::mrNone, "", Seen::End, 0, {}},
        {"unpack, OK", kFolder + "ZKSTART.EXE", DriveType::Fixed, false, false, platform::mrOk, "", Seen::End, 0, {}},
        {"unpack, closed", kFolder + "ZKSTART.EXE", DriveType::Fixed, false, false, platform::mrNone, "", Seen::End, 0, {}},
        // After an error the launcher comes anyway, never only the splash.
        {"folder not enterable", kFolder + "ZKSTART.EXE", DriveType::Fixed, false, true, noDialog,
         "C:\\SPIELE\\ZANTORIK\\", Seen::Launcher, 0, {"E/A-Fehler 5"}},
        {"OK, no Programs folder", kFolder + "ZKSTART.EXE", DriveType::Fixed, false, true, platform::mrOk, kPrograms.c_str(),
         Seen::Launcher, 0, {"E/A-Fehler 3"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Start s(r.module);
        s.fake.files.Drive(r.module[0] == '\\' ? 'C' : r.module[0]).type = r.drive;
        const std::string folder = r.module.substr(0, r.module.rfind('\\') + 1);
        if (r.stored) s.fake.registry.SetValue(kOptionsKey, "zkPfad", "X:\\");
        if (r.game) s.fake.files.AddFile(folder + "zantorik.exe");
        if (r.answer == noDialog)
            s.fake.dialogs.onUnexpected = [](const platform::DialogRequest& d) { ADD_FAILURE() << d.text; };
        else
            s.fake.dialogs.Answer(r.answer);
        if (r.badDir == kPrograms) s.fake.files.RemoveDir(kPrograms);
        else if (*r.badDir) s.fake.files.failSetCurrent.insert(r.badDir);
        s.Run();
        s.Ticks();
        EXPECT_EQ(s.Outcome(), r.seen);
        EXPECT_EQ(s.fake.dialogs.shown.size(), r.answer == noDialog ? 0u : 1u);
        EXPECT_EQ(s.fake.app.errors, r.errors);
        if (!r.errors.empty()) {
            EXPECT_EQ(s.errorsAtLauncher, 1u);
        }
        ASSERT_EQ(s.fake.shellLinks.saved.size(), r.shortcuts);
        if (r.shortcuts) {  // the folder as it comes, its backslash too
            EXPECT_EQ(s.fake.shellLinks.saved[0].target, "C:\\SPIELE\\ZANTORIK\\\\zkstart.exe");
            EXPECT_EQ(s.fake.shellLinks.saved[1].target, "C:\\SPIELE\\ZANTORIK\\\\zantorik.hlp");
        }
        if (r.seen == Seen::Launcher) {
            EXPECT_EQ(s.program->launcher->ed_zkpfad.Text(), UpperCaseDE(folder));  // an upper-case field
        }
        // Nothing is stored: the next start greets again.
        EXPECT_EQ(s.fake.registry.KeyExists(kOptionsKey), r.stored);
    }
}

TEST(Splash, TheWelcomeAndTheUnpackMessageExactly) {
    for (bool game : {true, false}) {
        Start s;
        if (game) s.fake.files.AddFile(kFolder + "zantorik.exe");
        s.fake.dialogs.Answer(platform::mrCancel);
        s.Run();
        s.Ticks();
        ASSERT_EQ(s.fake.dialogs.shown.size(), 1u);
        const platform::DialogRequest& r = s.fake.dialogs.shown[0];
        if (!game) {
            EXPECT_EQ(r.title, "Information");
            EXPECT_EQ(r.captions, std::vector<std::string>{"OK"});
            EXPECT_EQ(r.text, "ZANTORIK ist vermutlich noch gezippt.\n\n\rBitte entpacken Sie ZANTORIK zuerst\n\r"
                              "und starten dann ZKSTART.EXE erneut.");
            continue;
        }
        EXPECT_EQ(r.title, "Bestätigung");
        EXPECT_EQ(r.text, "Willkommen zu ZANTORIK!\n\rPfad: C:\\SPIELE\\ZANTORIK\\\n\n\r"
                          "\"OK\" zum Einbinden ins System (Symbole,...),\n\r"
                          "\"Ignorieren\" um es an andere Stelle zu kopieren bzw.\n\r\"Abbruch\" zum Beenden.");
        EXPECT_EQ(r.buttons, (std::vector<DlgButton>{DlgButton::OK, DlgButton::Cancel, DlgButton::Ignore}));
        EXPECT_EQ(r.defaultIndex, 0);
        EXPECT_EQ(r.cancelIndex, 1);  // Escape and the close box
    }
}

TEST(Splash, OnlyTheExitButtonStoresTheOptionsSoTheNextStartSkipsTheWelcome) {
    Start s;
    s.fake.files.AddFile(kFolder + "zantorik.exe");
    for (bool exitButton : {false, true}) {
        s.fake.app.quitPosted = 0;
        s.fake.dialogs.Answer(platform::mrOk);
        s.Run();
        s.Ticks();
        ASSERT_EQ(s.Outcome(), Seen::Launcher);
        if (exitButton) s.program->launcher->bt_exit.Click();
        else s.program->launcher->Close();  // Alt+F4
        EXPECT_EQ(s.fake.app.quitPosted, 1);
        EXPECT_EQ(s.fake.registry.KeyExists(kOptionsKey), exitButton);
    }
    // The exit button renewed the shortcuts, without the doubled backslash.
    ASSERT_EQ(s.fake.shellLinks.saved.size(), 6u);
    EXPECT_EQ(s.fake.shellLinks.saved[4].target, "C:\\SPIELE\\ZANTORIK\\zkstart.exe");
    s.fake.app.quitPosted = 0;
    s.Run();
    s.Ticks();
    EXPECT_EQ(s.Outcome(), Seen::Launcher);
    EXPECT_EQ(s.fake.dialogs.shown.size(), 2u);
}

}  // namespace
}  // namespace zk::test
