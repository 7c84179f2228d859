// The program's start: the splash's two ticks on the test clock, the first-run dialogs scripted.
#include "canvas_peer.h"
#include "fixture.h"
#include "graphics/surface.h"
#include "launcher/program.h"
#include "platform/fake/fake_canvas.h"

namespace zk::test {
namespace {

const std::string kFolder = "C:\\SPIELE\\ZANTORIK\\", kPrograms = "C:\\Users\\Spieler\\Startmenü\\Programme";
enum class Seen { Launcher, Setup, End };

struct Start {
    explicit Start(const std::string& module = kFolder + "ZKSTART.EXE") {
        CopyDone = MenuOffered = 0;
        fake.files.modulePath = module;
        fake.files.AddDir(module.substr(0, module.rfind('\\') + 1)), fake.files.AddDir(kPrograms);
        fake.registry.SetValue("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Programs", kPrograms);
    }
    ~Start() { graphics::ReleaseSurface(); }
    Program& Run() {
        program = std::make_unique<Program>(platform, [this](ui::Form& form) {
            if (auto* splash = dynamic_cast<TForm2*>(&form)) splash->Label1.AttachPeer(std::make_unique<CanvasPeer>(logo));
        });
        program->splash->seams.showSetup = [this] { ++setupShown; };
        auto formShow = program->launcher->OnShow;  // notes the errors shown before the launcher
        program->launcher->OnShow = [this, formShow] { errorsAtLauncher = fake.app.errors.size(), formShow(); };
        return *program;
    }
    Seen Outcome() {
        EXPECT_EQ(std::tuple(program->splash->Visible(), fake.timers.Count()), std::tuple(false, 0u)) << "the splash stays";
        const bool launcher = program->launcher->Visible(), quit = fake.app.quitPosted > 0, setup = setupShown > 0;
        EXPECT_EQ(launcher + quit + setup, 1) << "launcher " << launcher << ", end " << quit << ", setup " << setup;
        return launcher ? Seen::Launcher : setup ? Seen::Setup : Seen::End;
    }
    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
    std::unique_ptr<Program> program;
    platform::FakeCanvas logo;
    int setupShown = 0, errorsAtLauncher = 99;
};

TEST(Splash, TheLogoAfterTenMillisecondsThenTheDecisionAfterThreeAndAHalfSeconds) {
    Start s;
    s.fake.registry.SetValue(kOptionsKey, "xFast", "1");
    Program& p = s.Run();
    s.fake.timers.Advance(9);
    EXPECT_TRUE(s.logo.calls.empty());  // drawn at 10 ms, once
    s.fake.timers.Advance(3500);
    const size_t drawn = s.logo.calls.size();
    EXPECT_EQ(std::tuple(drawn > 0, p.splash->Visible(), p.launcher->Visible()), std::tuple(true, true, false));
    s.fake.timers.Advance(1);
    EXPECT_EQ(s.Outcome(), Seen::Launcher);
    EXPECT_EQ(std::tuple(p.launcher->cb_fast.Checked(), s.fake.files.CurrentDir()), std::tuple(true, "C:\\SPIELE\\ZANTORIK"));
    s.fake.timers.Advance(60000);
    EXPECT_EQ(s.logo.calls.size(), drawn);
}

TEST(Splash, WhatTheSecondTickShows) {
    const int none = -1, ok = platform::mrOk;
    const std::string exe = kFolder + "ZKSTART.EXE";
    struct { std::string module; bool stored, game; int answer; std::string badDir; Seen seen; bool links; std::vector<std::string> errors; } rows[] = {
        {exe, true, true, none, "", Seen::Launcher, false, {}},  // options stored
        {"E:\\ZANTORIK\\ZKSTART.EXE", false, true, none, "", Seen::Launcher, false, {}},  // a CD-ROM
        {"\\\\server\\spiele\\ZKSTART.EXE", false, true, none, "", Seen::Launcher, false, {}},
        {exe, false, true, ok, "", Seen::Launcher, true, {}},
        {exe, false, true, platform::mrIgnore, "", Seen::Setup, false, {}},
        {exe, false, true, platform::mrCancel, "", Seen::End, false, {}},
        {exe, false, false, ok, "", Seen::End, false, {}},
        {exe, false, true, none, kFolder, Seen::Launcher, false, {"E/A-Fehler 5"}},
        {exe, false, true, ok, kPrograms, Seen::Launcher, false, {"E/A-Fehler 3"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.module + " " + NumStr(r.answer) + " " + r.badDir);
        Start s(r.module);
        if (r.module[0] == 'E') s.fake.files.Drive('E').type = platform::DriveType::CDRom;
        const std::string folder = r.module.substr(0, r.module.rfind('\\') + 1);
        if (r.stored) s.fake.registry.SetValue(kOptionsKey, "zkPfad", "X:\\");
        if (r.game) s.fake.files.AddFile(folder + "zantorik.exe");
        if (r.answer != none) s.fake.dialogs.Answer(r.answer);
        if (r.badDir == kPrograms) s.fake.files.RemoveDir(kPrograms);
        else if (!r.badDir.empty()) s.fake.files.failSetCurrent.insert(r.badDir);
        s.Run();
        s.fake.timers.Advance(3510);
        EXPECT_EQ(s.Outcome(), r.seen);
        EXPECT_EQ(s.fake.dialogs.shown.size(), r.answer == none ? 0u : 1u);
        EXPECT_EQ(r.answer != none && r.game ? s.fake.dialogs.shown[0].cancelIndex : 1, 1);  // Escape, the close box
        if (!r.game) {  // still zipped
            EXPECT_EQ(s.fake.dialogs.shown.at(0).text,
                      "ZANTORIK ist vermutlich noch gezippt.\n\n\rBitte entpacken Sie ZANTORIK zuerst\n\rund starten dann ZKSTART.EXE erneut.");
        }
        EXPECT_EQ(s.fake.app.errors, r.errors);
        EXPECT_EQ(s.errorsAtLauncher, r.seen == Seen::Launcher ? int(r.errors.size()) : 99);
        std::vector<std::string> targets, want;  // the folder as it comes, its backslash too
        for (const auto& l : s.fake.shellLinks.saved) targets.push_back(l.target);
        if (r.links) want = {kFolder + "\\zkstart.exe", kFolder + "\\zantorik.hlp"};
        EXPECT_EQ(targets, want);
        if (r.seen == Seen::Launcher) { EXPECT_EQ(s.program->launcher->ed_zkpfad.Text(), UpperCaseDE(folder)); }
        EXPECT_EQ(s.fake.registry.KeyExists(kOptionsKey), r.stored);  // the next start greets again
    }
}

}  // namespace
}  // namespace zk::test
