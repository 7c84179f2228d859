// The launcher window over the fake platform: its controls as the live copy
// of the options, its buttons and the seams to the other windows.
#include "fixture.h"

namespace zk::test {

struct Window : LauncherTest {
    std::vector<std::string> calls;
    Window() {
        seams.showAboutBox = [this] { calls.push_back("about"); };
        seams.showSetup = [this] { calls.push_back("setup"); };
        seams.hideFolderChooser = [this] { calls.push_back("hide chooser"); };
        seams.createMenuEntries = [this](const std::string& d) { calls.push_back("menu " + d); };
        seams.closeMainWindow = [this] { calls.push_back("close main"); };
    }
    TFormStart& Reopened() {
        form.reset();
        return Launcher();
    }
};

TEST_F(Window, EnablingRulesOfTheBoxes) {
    TFormStart& f = Launcher();
    f.cb_ti.Toggle();
    EXPECT_TRUE(f.ed_ti.Enabled());
    EXPECT_EQ(f.ed_ti.Text(), "2");
    f.cd_tg.Toggle();
    EXPECT_EQ(f.ed_tg.Text(), "3");
    // The track number follows the text as it is typed.
    for (auto [typed, number] : {std::pair{"7", 7}, {"4x", 4}, {"", 0}, {"$A", 10}}) {
        f.ed_ti.Type(typed);
        f.ed_tg.Type(typed);
        EXPECT_EQ(f.Options().trackTI, number) << typed;
        EXPECT_EQ(f.Options().trackTG, number) << typed;
    }
    f.cb_ti.Toggle();
    EXPECT_FALSE(f.ed_ti.Enabled());
    f.ed_ti.SetText("5");
    f.cb_ti.Toggle();  // ticking shows the number the field holds
    EXPECT_EQ(f.ed_ti.Text(), "5");
    // CD off disables stand-by and the track boxes, not a track field.
    f.cb_niecd.Toggle();
    EXPECT_FALSE(f.cb_nocd.Enabled() || f.cb_ti.Enabled() || f.cd_tg.Enabled());
    EXPECT_TRUE(f.ed_ti.Enabled());
    f.cb_niecd.Toggle();
    EXPECT_TRUE(f.cb_nocd.Enabled() && f.cb_ti.Enabled() && f.cd_tg.Enabled());
    f.cb_nocd.Toggle();
    EXPECT_FALSE(f.cb_niecd.Enabled());
    f.cb_nocd.Toggle();
    EXPECT_TRUE(f.cb_niecd.Enabled());
}

TEST_F(Window, SpeedBarHintAndHintPause) {
    TFormStart& f = Launcher();
    EXPECT_EQ(fake.app.HintPause(), 500);
    f.cb_ppp.Toggle();
    EXPECT_TRUE(f.roll_ppp.Enabled());
    EXPECT_EQ(f.roll_ppp.Hint(), "50%");
    f.roll_ppp.SetPosition(73);
    EXPECT_EQ(f.roll_ppp.Hint(), "73%");
    EXPECT_EQ(fake.app.HintPause(), 1);
    f.roll_ppp.OnKeyDown(39);
    EXPECT_EQ(fake.app.HintPause(), 1);
    f.roll_ppp.OnKeyUp(39);
    EXPECT_EQ(fake.app.HintPause(), 2500);
    f.cb_ppp.Toggle();
    EXPECT_FALSE(f.roll_ppp.Enabled());
}

// Each box both ways: loaded from its value, and stored into it.
TEST_F(Window, EachBoxIsItsStoredValue) {
    struct { ui::CheckBox TFormStart::*box; const char* name; } rows[] = {
        {&TFormStart::cb_fast, "xFast"},   {&TFormStart::cb_fair, "xFair"},   {&TFormStart::cb_nofc, "xNoFC"},
        {&TFormStart::cb_notic, "xNoTic"}, {&TFormStart::cb_niecd, "xNieCD"}, {&TFormStart::cb_nocd, "xNoCD"},
        {&TFormStart::cb_notxt, "xNoTxt"}, {&TFormStart::cb_ti, "xTI"},       {&TFormStart::cd_tg, "xTG"},
        {&TFormStart::cb_ppp, "xP"},
    };
    for (const auto& r : rows) {
        Store(r.name, "1");
        EXPECT_TRUE((Reopened().*r.box).Checked()) << r.name;
        Store(r.name, "0");
        TFormStart& f = Reopened();
        EXPECT_FALSE((f.*r.box).Checked()) << r.name;
        (f.*r.box).SetChecked(true);
        f.RegSettings(0);
        EXPECT_EQ(Stored(r.name), "1") << r.name;
        Store(r.name, "0");
    }
}

TEST_F(Window, LoadingAppliesTheEnablingRulesInTheOrderOfTheValues) {
    for (auto [name, text] : {std::pair{"xNieCD", "1"}, {"xNoCD", "1"}, {"xTI", "1"}, {"xP", "1"}, {"CD_I", "17"},
                              {"Speed", "73"}})
        Store(name, text);
    TFormStart& f = Launcher();
    EXPECT_FALSE(f.cb_nocd.Enabled() || f.cb_ti.Enabled() || f.cd_tg.Enabled());
    // Stand-by loads after CD-off, and its handler disables CD-off in turn.
    EXPECT_TRUE(f.cb_nocd.Checked());
    EXPECT_FALSE(f.cb_niecd.Enabled());
    // A disabled box still loads its state and runs its handler.
    EXPECT_TRUE(f.cb_ti.Checked() && f.ed_ti.Enabled());
    EXPECT_EQ(f.ed_ti.Text(), "17");
    EXPECT_EQ(f.Options().trackTI, 17);
    EXPECT_TRUE(f.roll_ppp.Enabled());
    EXPECT_EQ(f.roll_ppp.Position(), 73);
    EXPECT_EQ(f.roll_ppp.Hint(), "73%");
    EXPECT_FALSE(f.RegSettings(2) || f.RegSettings(255));
}

TEST_F(Window, ShowReloadsUnlessCopyDone) {
    Store("xFair", "1");
    TFormStart& f = Launcher();
    EXPECT_TRUE(f.cb_fair.Checked());
    for (bool copyDone : {false, true}) {
        f.cb_fair.SetChecked(false);
        f.ed_param.SetText("/X");
        f.ed_zkpfad.SetText("Q:\\");
        f.Hide();
        CopyDone = copyDone;
        f.Show();
        EXPECT_EQ(f.cb_fair.Checked(), !copyDone);
        EXPECT_EQ(f.ed_param.Text(), copyDone ? "/X" : "/");
        EXPECT_EQ(f.ed_zkpfad.Text(), "C:\\SPIELE\\ZANTORIK\\");
    }
}

TEST_F(Window, ExitSavesRenewsTheMenuAndCloses) {
    struct { const char* name; const char* module; bool offered, failRegistry, failMenu; std::vector<std::string> calls, errors; } rows[] = {
        {"plain", "C:\\SPIELE\\ZANTORIK\\ZKSTART.EXE", false, false, false, {"menu C:\\SPIELE\\ZANTORIK", "close main"}, {}},
        {"menu offered", "C:\\SPIELE\\ZANTORIK\\ZKSTART.EXE", true, false, false, {"close main"}, {}},
        {"drive root", "D:\\ZKSTART.EXE", false, false, false, {"menu D:\\", "close main"}, {}},
        {"registry refuses", "C:\\SPIELE\\ZANTORIK\\ZKSTART.EXE", false, true, false, {},
         {"Erzeugung von Schlüssel Zantorik misslungen"}},
        {"menu fails", "C:\\SPIELE\\ZANTORIK\\ZKSTART.EXE", false, false, true, {}, {"E/A-Fehler 3"}},
    };
    for (const auto& r : rows) {
        fake.app.errors.clear();
        fake.registry.failCreate.clear();
        fake.files.modulePath = r.module;
        MenuOffered = r.offered;
        if (r.failMenu) seams.createMenuEntries = [](const std::string&) { throw InOutError(3); };
        TFormStart& f = Reopened();
        f.Show();
        if (r.failRegistry) fake.registry.failCreate.insert(kOptionsKey);
        calls.clear();
        Press(f.bt_exit);
        EXPECT_EQ(calls, r.calls) << r.name;
        EXPECT_EQ(fake.app.errors, r.errors) << r.name;
        EXPECT_EQ(f.Visible(), !r.errors.empty()) << r.name;
        if (!r.failRegistry) {
            const std::string module = r.module;
            EXPECT_EQ(Stored("zkPfad"), module.substr(0, module.rfind('\\') + 1));
        }
    }
}

TEST_F(Window, CloseBoxStoresNothing) {
    TFormStart& f = Launcher();
    f.Show();
    f.cb_fast.SetChecked(true);
    f.Perform([&] { f.Close(); });
    EXPECT_TRUE(fake.registry.writes.empty());
    EXPECT_EQ(calls.back(), "close main");
}

TEST_F(Window, ButtonsReachTheirWindowsAndTheHelpFile) {
    TFormStart& f = Launcher();
    f.Show();
    calls.clear();
    Press(f.bCopyright);
    EXPECT_TRUE(f.Visible());
    Press(f.ZKSetup);
    EXPECT_FALSE(f.Visible());
    f.Show();
    EXPECT_EQ(calls, (std::vector<std::string>{"about", "setup", "hide chooser"}));

    Press(f.Hilfe);
    for (ui::MenuItem* m : f.PopupMenu1.items) m->OnClick();
    std::vector<std::string> macros;
    for (auto& c : fake.help.calls) {
        EXPECT_EQ(c.file, "ZANTORIK");
        if (c.command == platform::HelpCommand::Command) macros.push_back(c.data);
    }
    EXPECT_EQ(fake.help.calls.size(), 10u);
    EXPECT_EQ(macros, (std::vector<std::string>{"JumpID(\"\",\"thpara\")", "JumpID(\"\",\"th00\")",
                                                "JumpID(\"\",\"thpara\")", "JumpID(\"\",\"thsetup\")",
                                                "JumpID(\"\",\"th7\")"}));
    fake.help.calls.clear();
    fake.help.succeed = false;  // no contents, no jump
    Press(f.Hilfe);
    EXPECT_EQ(fake.help.calls.size(), 1u);
}

TEST_F(Window, StartButtonStartsTheGameWithTheOptionsOfTheControls) {
    fake.files.AddFile("C:\\SPIELE\\ZANTORIK\\zantorik.pif", "PIF");
    TFormStart& f = Launcher();
    f.cb_ppp.SetChecked(true);
    f.roll_ppp.SetPosition(70);
    f.cb_fast.SetChecked(true);
    f.cb_nocd.SetChecked(true);
    f.cb_ti.SetChecked(true);
    f.ed_param.SetText("/X");
    Press(f.zk_run);
    Press(f.zk_run);  // no record of a running game
    ASSERT_EQ(fake.process.started.size(), 2u);
    EXPECT_EQ(fake.process.started[1].commandLine,
              "C:\\SPIELE\\ZANTORIK\\\\zantorik.pif C:\\SPIELE\\ZANTORIK\\ /P70 /TI2 /X /B5");
    EXPECT_EQ(fake.process.started[1].showMode, 1);
    EXPECT_EQ(fake.process.started[1].currentDir, "C:\\SPIELE\\ZANTORIK");
    EXPECT_TRUE(fake.registry.writes.empty());
}

TEST_F(Window, MissingPifShowsTheErrorWithHelpContext77) {
    fake.dialogs.Answer(platform::mrOk);
    Press(Launcher().zk_run);
    EXPECT_TRUE(fake.process.started.empty());
    ASSERT_EQ(fake.dialogs.shown.size(), 1u);
    const auto& d = fake.dialogs.shown[0];
    EXPECT_EQ(d.title, "Fehler");
    EXPECT_EQ(d.captions, (std::vector<std::string>{"OK", "&Hilfe"}));
    EXPECT_EQ(d.helpContext, 77);
    EXPECT_EQ(d.text,
              "ZANTORIK nicht gefunden.\n\rVersuche herauszufinden, in welchem Ordner ZANTORIK gespeichert wurde."
              "\n\n\rDanach gib den kompletten Pfad mit Laufwerksbuchstaben bei \"Programm-Pfad\" ein\n\n\r"
              "Beispiel: D:\\GAMES\\ZANTORIK");
}

}  // namespace zk::test
