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

// After each click, which of "Stand By", the two track boxes and fields,
// "Abgeschaltet" and the speed bar are enabled, and the two fields' texts.
TEST_F(Window, EnablingRulesAsTheBoxesAreClicked) {
    TFormStart& f = Launcher();
    auto state = [&f] {
        std::string s;
        const std::vector<const ui::Control*> controls = {&f.cb_nocd, &f.cb_ti, &f.cd_tg, &f.ed_ti, &f.ed_tg, &f.cb_niecd, &f.roll_ppp};
        for (const ui::Control* c : controls) s += c->Enabled() ? '1' : '0';
        return s + " " + f.ed_ti.Text() + " " + f.ed_tg.Text();
    };
    using F = TFormStart;
    struct { ui::CheckBox F::*box; const char* state; } clicks[] = {
        {&F::cb_ti, "1111010 2 3"}, {&F::cd_tg, "1111110 2 3"}, {&F::cb_niecd, "0001110 2 3"},  // a track field stays
        {&F::cb_niecd, "1111110 2 3"}, {&F::cb_nocd, "1111100 2 3"}, {&F::cb_nocd, "1111110 2 3"},
        {&F::cb_ti, "1110110 2 3"}, {&F::cb_ppp, "1110111 2 3"}, {&F::cb_ppp, "1110110 2 3"},
    };
    for (const auto& c : clicks) {
        (f.*c.box).Toggle();
        EXPECT_EQ(state(), c.state);
    }
    f.ed_ti.SetText("5");
    f.cb_ti.Toggle();  // ticking shows the number the field holds
    EXPECT_EQ(f.ed_ti.Text(), "5");
    // The track number follows the text as it is typed.
    for (auto [typed, number] : {std::pair{"7", 7}, {"4x", 4}, {"", 0}, {"$A", 10}, {"123", 12}}) {
        f.ed_ti.Type(typed);
        f.ed_tg.Type(typed);
        EXPECT_EQ(f.Options().trackTI * 100 + f.Options().trackTG, number * 101) << typed;
    }
}

TEST_F(Window, SpeedBarHintAndHintPause) {
    TFormStart& f = Launcher();
    EXPECT_EQ(fake.app.HintPause(), 500);
    f.cb_ppp.Toggle();
    EXPECT_EQ(f.roll_ppp.Hint(), "50%");
    f.roll_ppp.SetPosition(73);
    EXPECT_EQ(f.roll_ppp.Hint() + NumStr(fake.app.HintPause()), "73%1");
    f.roll_ppp.OnKeyUp(39);
    EXPECT_EQ(fake.app.HintPause(), 2500);
    f.roll_ppp.OnKeyDown(39);
    EXPECT_EQ(fake.app.HintPause(), 1);
}

// Each box both ways: loaded from its value, and stored into it.
TEST_F(Window, EachBoxIsItsStoredValue) {
    using F = TFormStart;
    struct { ui::CheckBox F::*box; const char* name; } rows[] = {
        {&F::cb_fast, "xFast"},   {&F::cb_fair, "xFair"}, {&F::cb_nofc, "xNoFC"}, {&F::cb_notic, "xNoTic"},
        {&F::cb_niecd, "xNieCD"}, {&F::cb_nocd, "xNoCD"}, {&F::cb_notxt, "xNoTxt"}, {&F::cb_ti, "xTI"},
        {&F::cd_tg, "xTG"},       {&F::cb_ppp, "xP"},
    };
    for (const auto& r : rows) {
        Store(r.name, "1");
        EXPECT_TRUE((Reopened().*r.box).Checked()) << r.name;
        Store(r.name, "0");
        (Reopened().*r.box).SetChecked(true);
        EXPECT_TRUE(form->RegSettings(0));
        EXPECT_EQ(Stored(r.name), "1") << r.name;
        Store(r.name, "0");
    }
}

TEST_F(Window, LoadingAppliesTheEnablingRulesInTheOrderOfTheValues) {
    for (auto [name, text] : {std::pair{"xNieCD", "1"}, {"xNoCD", "1"}, {"xTI", "1"}, {"xP", "1"}, {"CD_I", "17"}, {"Speed", "73"}})
        Store(name, text);
    TFormStart& f = Launcher();
    // Stand-by loads after CD-off, and its handler disables CD-off in turn;
    // a disabled box still loads its state and runs its handler.
    EXPECT_FALSE(f.cb_nocd.Enabled() || f.cb_ti.Enabled() || f.cd_tg.Enabled() || f.cb_niecd.Enabled());
    EXPECT_TRUE(f.cb_nocd.Checked() && f.cb_ti.Checked() && f.ed_ti.Enabled() && f.roll_ppp.Enabled());
    EXPECT_EQ(f.ed_ti.Text() + " " + NumStr(f.Options().trackTI) + " " + f.roll_ppp.Hint(), "17 17 73%");
    EXPECT_FALSE(f.RegSettings(2) || f.RegSettings(255));
}

TEST_F(Window, ExitStoresRenewsTheMenuAndCloses) {
    const std::string exe = "C:\\SPIELE\\ZANTORIK\\ZKSTART.EXE";
    struct { const char* name; std::string module; bool offered, failRegistry, failMenu; std::vector<std::string> calls, errors; } rows[] = {
        {"plain", exe, false, false, false, {"menu C:\\SPIELE\\ZANTORIK", "close main"}, {}},
        {"menu offered", exe, true, false, false, {"close main"}, {}},
        {"drive root", "D:\\ZKSTART.EXE", false, false, false, {"menu D:\\", "close main"}, {}},
        {"registry refuses", exe, false, true, false, {}, {"Erzeugung von Schlüssel Zantorik misslungen"}},
        {"menu fails", exe, false, false, true, {}, {"E/A-Fehler 3"}},
    };
    for (const auto& r : rows) {
        fake.app.errors.clear();
        fake.files.modulePath = r.module;
        MenuOffered = r.offered;
        if (r.failMenu) seams.createMenuEntries = [](const std::string&) { throw InOutError(3); };
        TFormStart& f = Reopened();
        f.Show();
        if (r.failRegistry) fake.registry.failCreate = {kOptionsKey};
        calls.clear();
        Press(f.bt_exit);
        fake.registry.failCreate.clear();
        EXPECT_EQ(calls, r.calls) << r.name;
        EXPECT_EQ(fake.app.errors, r.errors) << r.name;
        EXPECT_EQ(f.Visible(), !r.errors.empty()) << r.name;
        if (!r.failRegistry) {
            EXPECT_EQ(Stored("zkPfad"), r.module.substr(0, r.module.rfind('\\') + 1)) << r.name;
        }
    }
    Reopened().cb_fast.SetChecked(true);
    fake.registry.writes.clear();
    form->Perform([&] { form->Close(); });  // the close box, Alt+F4
    EXPECT_TRUE(fake.registry.writes.empty());
    EXPECT_EQ(calls.back(), "close main");
}

// The setup, the about box and the folder chooser are reached in their own tests.
TEST_F(Window, HelpByKeyword) {
    TFormStart& f = Launcher();
    Press(f.Hilfe);
    for (ui::MenuItem* m : f.PopupMenu1.items) m->OnClick();
    fake.help.succeed = false;  // no contents, no jump
    Press(f.Hilfe);
    std::string asked;
    for (auto& c : fake.help.calls) asked += c.file + (c.command == platform::HelpCommand::Command ? " " + c.data : "") + ";";
    EXPECT_EQ(asked, "ZANTORIK;ZANTORIK JumpID(\"\",\"thpara\");ZANTORIK;ZANTORIK JumpID(\"\",\"th00\");ZANTORIK;"
                     "ZANTORIK JumpID(\"\",\"thpara\");ZANTORIK;ZANTORIK JumpID(\"\",\"thsetup\");ZANTORIK;"
                     "ZANTORIK JumpID(\"\",\"th7\");ZANTORIK;");
}

TEST_F(Window, StartButtonStartsTheGameWithTheOptionsOfTheControls) {
    fake.files.AddFile("C:\\SPIELE\\ZANTORIK\\zantorik.pif", "PIF");
    TFormStart& f = Launcher();
    for (ui::CheckBox* c : {&f.cb_ppp, &f.cb_fast, &f.cb_nocd, &f.cb_ti}) c->SetChecked(true);
    f.roll_ppp.SetPosition(70);
    f.ed_param.SetText("/X");
    Press(f.zk_run);
    Press(f.zk_run);  // no record of a running game
    ASSERT_EQ(fake.process.started.size(), 2u);
    const auto& s = fake.process.started[1];
    EXPECT_EQ(s.commandLine, "C:\\SPIELE\\ZANTORIK\\\\zantorik.pif C:\\SPIELE\\ZANTORIK\\ /P70 /TI2 /X /B5");
    EXPECT_EQ(s.showMode, 1);
    EXPECT_EQ(s.currentDir, "C:\\SPIELE\\ZANTORIK");
    EXPECT_TRUE(fake.registry.writes.empty());
}

TEST_F(Window, MissingPifShowsTheErrorWithHelpContext77) {
    fake.dialogs.Answer(platform::mrOk);
    Press(Launcher().zk_run);
    EXPECT_TRUE(fake.process.started.empty());
    const auto& d = fake.dialogs.shown.at(0);
    EXPECT_EQ(d.title, "Fehler");
    EXPECT_EQ(d.captions, (std::vector<std::string>{"OK", "&Hilfe"}));
    EXPECT_EQ(d.helpContext, 77);
    EXPECT_EQ(d.text, "ZANTORIK nicht gefunden.\n\rVersuche herauszufinden, in welchem Ordner ZANTORIK gespeichert wurde."
                      "\n\n\rDanach gib den kompletten Pfad mit Laufwerksbuchstaben bei \"Programm-Pfad\" ein\n\n\r"
                      "Beispiel: D:\\GAMES\\ZANTORIK");
}

}  // namespace zk::test
