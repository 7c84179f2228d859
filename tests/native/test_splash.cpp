// The program's start over the fake platform: the windows in their order,
// the splash's two ticks on the test clock, the first-run dialogs answered
// from a script.
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

using platform::DriveType;
const std::string kFolder = "C:\\SPIELE\\ZANTORIK\\", kOptionsKey = "Software\\Orvandel\\Zantorik";
const std::string kPrograms = "C:\\Users\\Spieler\\Startmenü\\Programme";
enum class Seen { Launcher, Setup, End };

// One start of the program with the launcher at the module path.
struct Start {
    explicit Start(const std::string& module = kFolder + "ZKSTART.EXE") {
        CopyDone = MenuOffered = 0;
        fake.files.modulePath = module;
        fake.files.AddDir(module.substr(0, module.rfind('\\') + 1));
        fake.registry.SetValue("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Programs", kPrograms);
        fake.files.AddDir(kPrograms);
    }
    ~Start() { graphics::ReleaseSurface(); }
    Program& Run() {
        program = std::make_unique<Program>(platform, [this](ui::Form& form) {
            created.push_back(form.Name() + (form.Visible() ? " shown" : ""));
            if (form.isMainForm) fake.app.mainWindow = &mainWindow;
            if (auto* splash = dynamic_cast<TForm2*>(&form)) splash->Label1.AttachPeer(std::make_unique<CanvasPeer>(logo));
        });
        program->splash->seams.showSetup = [this] { ++setupShown; };
        auto formShow = program->launcher->OnShow;  // notes the errors shown before the launcher
        program->launcher->OnShow = [this, formShow] { errorsAtLauncher = fake.app.errors.size(), formShow(); };
        return *program;
    }
    Seen Outcome() {
        EXPECT_FALSE(program->splash->Visible() || fake.timers.Count()) << "the splash stays";
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

TEST(Program, WindowsInTheirOrderAndTheSetupsArchiveComponentOnTheSplash) {
    Start s;
    s.fake.files.AddFile(kFolder + "zantorik.zip", "kein Archiv");
    s.fake.files.SetCurrentDir(kFolder);
    s.fake.dialogs.Answer(platform::mrOk);
    Program& p = s.Run();
    EXPECT_EQ(s.created, (std::vector<std::string>{"Form2 shown", "FormStart", "Form1", "AboutBoxRV", "GetDirDialog"}));
    EXPECT_EQ(p.launcher->ed_zkpfad.Text(), kFolder);  // its creation ran FormShow
    // The stored archive name is read at once; one that is no archive is
    // reported and forgotten, so no run can append to it.
    EXPECT_EQ(s.fake.dialogs.shown.at(0).text, "Das Ende der Zip-Datei kann nicht gelesen werden.");
    auto& zip = dynamic_cast<SetupZip&>(*p.setup->Zip).zip;
    EXPECT_EQ(zip.ZipFileName(), "");
    EXPECT_EQ(zip.OwnerWindow, &s.mainWindow);  // made once the splash has its window
}

TEST(Splash, TheLogoAfterTenMillisecondsThenTheDecisionAfterThreeAndAHalfSeconds) {
    Start s;
    s.fake.registry.SetValue(kOptionsKey, "xFast", "1");
    Program& p = s.Run();
    s.fake.timers.Advance(9);
    EXPECT_TRUE(s.logo.calls.empty());
    s.fake.timers.Advance(1);
    const size_t drawn = s.logo.calls.size();
    EXPECT_GT(drawn, 0u);  // drawn once, and never again
    s.fake.timers.Advance(3499);
    EXPECT_TRUE(p.splash->Visible() && !p.launcher->Visible());
    s.fake.timers.Advance(1);
    EXPECT_EQ(s.Outcome(), Seen::Launcher);
    EXPECT_TRUE(p.launcher->cb_fast.Checked() && s.fake.files.CurrentDir() == "C:\\SPIELE\\ZANTORIK");
    s.fake.timers.Advance(60000);
    EXPECT_EQ(s.logo.calls.size(), drawn);
}

TEST(Splash, WhatTheSecondTickShows) {
    const int none = -1, ok = platform::mrOk;
    const std::string exe = kFolder + "ZKSTART.EXE";
    struct { const char* name; std::string module; DriveType drive; bool stored, game; int answer; std::string badDir;
             Seen seen; size_t shortcuts; std::vector<std::string> errors; } rows[] = {
        {"stored options", exe, DriveType::Fixed, true, true, none, "", Seen::Launcher, 0, {}},
        {"CD-ROM", "E:\\ZANTORIK\\ZKSTART.EXE", DriveType::CDRom, false, true, none, "", Seen::Launcher, 0, {}},
        {"network", "n:\\SPIELE\\ZKSTART.EXE", DriveType::Remote, false, true, none, "", Seen::Launcher, 0, {}},
        {"floppy", "A:\\ZKSTART.EXE", DriveType::Removable, false, true, none, "", Seen::Launcher, 0, {}},
        {"no drive letter", "\\\\server\\spiele\\ZKSTART.EXE", DriveType::Fixed, false, true, none, "", Seen::Launcher, 0, {}},
        {"OK", exe, DriveType::Fixed, false, true, ok, "", Seen::Launcher, 2, {}},
        {"Ignorieren", exe, DriveType::Fixed, false, true, platform::mrIgnore, "", Seen::Setup, 0, {}},
        {"Abbrechen", exe, DriveType::Fixed, false, true, platform::mrCancel, "", Seen::End, 0, {}},
        {"closed", exe, DriveType::Fixed, false, true, platform::mrNone, "", Seen::End, 0, {}},
        {"unpack, OK", exe, DriveType::Fixed, false, false, ok, "", Seen::End, 0, {}},
        {"unpack, closed", exe, DriveType::Fixed, false, false, platform::mrNone, "", Seen::End, 0, {}},
        // After an error the launcher comes all the same, never only the splash.
        {"folder not enterable", exe, DriveType::Fixed, false, true, none, kFolder, Seen::Launcher, 0, {"E/A-Fehler 5"}},
        {"OK, no Programs folder", exe, DriveType::Fixed, false, true, ok, kPrograms, Seen::Launcher, 0, {"E/A-Fehler 3"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Start s(r.module);
        s.fake.files.Drive(r.module[0] == '\\' ? 'C' : r.module[0]).type = r.drive;
        const std::string folder = r.module.substr(0, r.module.rfind('\\') + 1);
        if (r.stored) s.fake.registry.SetValue(kOptionsKey, "zkPfad", "X:\\");
        if (r.game) s.fake.files.AddFile(folder + "zantorik.exe");
        if (r.answer != none) s.fake.dialogs.Answer(r.answer);
        if (r.badDir == kPrograms) s.fake.files.RemoveDir(kPrograms);
        else if (!r.badDir.empty()) s.fake.files.failSetCurrent.insert(r.badDir);
        s.Run();
        s.fake.timers.Advance(10);
        s.fake.timers.Advance(3500);
        EXPECT_EQ(s.Outcome(), r.seen);
        EXPECT_EQ(s.fake.dialogs.shown.size(), r.answer == none ? 0u : 1u);
        if (r.answer != none && r.game) {  // Escape and the close box answer "Abbrechen"
            EXPECT_EQ(s.fake.dialogs.shown[0].cancelIndex, 1);
        }
        EXPECT_EQ(s.fake.app.errors, r.errors);
        EXPECT_EQ(s.errorsAtLauncher, r.seen == Seen::Launcher ? r.errors.size() : 99u);
        std::vector<std::string> targets;  // the folder as it comes, its backslash too
        for (const auto& l : s.fake.shellLinks.saved) targets.push_back(l.target);
        if (r.shortcuts) {
            EXPECT_EQ(targets, (std::vector<std::string>{kFolder + "\\zkstart.exe", kFolder + "\\zantorik.hlp"}));
        }
        EXPECT_EQ(targets.size(), r.shortcuts);
        if (r.seen == Seen::Launcher) {
            EXPECT_EQ(s.program->launcher->ed_zkpfad.Text(), UpperCaseDE(folder));
        }
        EXPECT_EQ(s.fake.registry.KeyExists(kOptionsKey), r.stored);  // the next start greets again
    }
}

// The welcome's text and buttons are checked on the real dialog.
TEST(Splash, TheUnpackMessageExactly) {
    Start s;
    s.Run();
    s.fake.timers.Advance(3510);
    const platform::DialogRequest& r = s.fake.dialogs.shown.at(0);
    EXPECT_EQ(r.title + " " + r.captions.at(0), "Information OK");
    EXPECT_EQ(r.text, "ZANTORIK ist vermutlich noch gezippt.\n\n\rBitte entpacken Sie ZANTORIK zuerst\n\r"
                      "und starten dann ZKSTART.EXE erneut.");
}

}  // namespace
}  // namespace zk::test
