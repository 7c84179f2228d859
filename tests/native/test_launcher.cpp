// The launcher window: its controls as the live copy of the options, its buttons and seams.
#include "fixture.h"

namespace zk::test {

using Window = LauncherTest;

// After each click, which of "Stand By", the track boxes and fields, "Abgeschaltet" and the speed bar are enabled.
TEST_F(Window, EnablingRulesAsTheBoxesAreClicked) {
    TFormStart& f = Launcher();
    auto state = [&f] {
        std::string s;
        for (const ui::Control* c : std::initializer_list<const ui::Control*>{&f.cb_nocd, &f.cb_ti, &f.cd_tg, &f.ed_ti, &f.ed_tg, &f.cb_niecd, &f.roll_ppp})
            s += c->Enabled() ? '1' : '0';
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
    for (auto [typed, number] : {std::pair{"4x", 4}, {"", 0}, {"123", 12}}) {  // two characters at most
        f.ed_ti.Type(typed);
        f.ed_tg.Type(typed);
        EXPECT_EQ(std::tuple(f.Options().trackTI, f.Options().trackTG), std::tuple(number, number)) << typed;
    }
}

TEST_F(Window, SpeedBarHintAndHintPause) {
    TFormStart& f = Launcher();
    std::string seen = NumStr(fake.app.HintPause());
    f.cb_ppp.Toggle();
    seen += " " + f.roll_ppp.Hint();
    f.roll_ppp.SetPosition(73);
    seen += " " + f.roll_ppp.Hint() + " " + NumStr(fake.app.HintPause());
    f.roll_ppp.OnKeyUp(39);
    seen += " " + NumStr(fake.app.HintPause());
    f.roll_ppp.OnKeyDown(39);
    EXPECT_EQ(seen + " " + NumStr(fake.app.HintPause()), "500 50% 73% 1 2500 1");
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
        (form.get()->*r.box).SetChecked(false);
        EXPECT_TRUE(form->RegSettings(0));
        EXPECT_EQ(Stored(r.name), "0") << r.name;
    }
}

TEST_F(Window, LoadingAppliesTheEnablingRulesInTheOrderOfTheValues) {
    for (auto [name, text] : {std::pair{"xNieCD", "1"}, {"xNoCD", "1"}, {"xTI", "1"}, {"xP", "1"}, {"CD_I", "17"}, {"Speed", "73"}})
        Store(name, text);
    TFormStart& f = Launcher();
    // Stand-by loads after CD-off and disables it; a disabled box still loads and runs its handler.
    const auto on = [](const ui::Control& c) { return c.Enabled(); };
    EXPECT_EQ(std::tuple(on(f.cb_nocd), on(f.cb_ti), on(f.cd_tg), on(f.cb_niecd)), std::tuple(false, false, false, false));
    EXPECT_EQ(std::tuple(f.cb_nocd.Checked(), f.cb_ti.Checked(), on(f.ed_ti), on(f.roll_ppp)), std::tuple(true, true, true, true));
    EXPECT_EQ(f.ed_ti.Text() + " " + NumStr(f.Options().trackTI) + " " + f.roll_ppp.Hint(), "17 17 73%");
    EXPECT_EQ(std::tuple(f.RegSettings(2), f.RegSettings(255)), std::tuple(false, false));
}

TEST_F(Window, ExitStoresRenewsTheMenuAndCloses) {
    struct { bool offered, failRegistry, failMenu; std::vector<std::string> calls, errors; } rows[] = {
        {false, true, false, {}, {"Erzeugung von Schlüssel Zantorik misslungen"}}, {true, false, false, {"close main"}, {}},
        {false, false, false, {"menu C:\\SPIELE\\ZANTORIK", "close main"}, {}}, {false, false, true, {}, {"E/A-Fehler 3"}},
    };
    fake.files.modulePath = "C:\\SPIELE\\ZANTORIK\\ZKSTART.EXE";
    std::vector<std::string> calls;
    seams.createMenuEntries = [&](const std::string& d) { calls.push_back("menu " + d); };
    seams.closeMainWindow = [&] { calls.push_back("close main"); };
    for (const auto& r : rows) {
        fake.app.errors.clear();
        MenuOffered = r.offered;
        if (r.failMenu) seams.createMenuEntries = [](const std::string&) { throw InOutError(3); };
        TFormStart& f = Reopened();
        f.Show();
        if (r.failRegistry) fake.registry.failCreate = {kOptionsKey};
        calls.clear();
        Press(f.bt_exit);
        fake.registry.failCreate.clear();
        EXPECT_EQ(calls, r.calls);
        EXPECT_EQ(fake.app.errors, r.errors);
        EXPECT_EQ(f.Visible(), !r.errors.empty());
        EXPECT_EQ(Stored("zkPfad"), r.failRegistry ? "<missing>" : "C:\\SPIELE\\ZANTORIK\\");
    }
    fake.registry.writes.clear();
    Reopened().Perform([&] { form->Close(); });  // the close box, Alt+F4: nothing stored
    EXPECT_EQ(std::tuple(fake.registry.writes.size(), calls.back()), std::tuple(0u, "close main"));
}

TEST_F(Window, HelpByKeyword) {
    TFormStart& f = Launcher();
    Press(f.Hilfe);
    for (ui::MenuItem* m : f.PopupMenu1.items) m->OnClick();
    fake.help.succeed = false;  // no contents, no jump
    Press(f.Hilfe);
    std::string asked, want = "ZANTORIK;";
    for (auto& c : fake.help.calls) asked += c.file + (c.command == platform::HelpCommand::Command ? " " + c.data : "") + ";";
    for (std::string id : {"thpara", "th00", "thpara", "thsetup", "th7"}) want += "ZANTORIK JumpID(\"\",\"" + id + "\");ZANTORIK;";
    EXPECT_EQ(asked, want);
}

TEST_F(Window, StartButtonStartsTheGameOrShowsTheNotFoundErrorWithHelpContext77) {
    fake.dialogs.Answer(platform::mrOk);
    TFormStart& f = Launcher();
    Press(f.zk_run);
    EXPECT_EQ(fake.dialogs.shown.at(0).helpContext, 77);
    fake.files.AddFile("C:\\SPIELE\\ZANTORIK\\zantorik.pif", "PIF");
    for (ui::CheckBox* c : {&f.cb_ppp, &f.cb_fast, &f.cb_nocd, &f.cb_ti}) c->SetChecked(true);
    f.roll_ppp.SetPosition(70);
    f.ed_param.SetText("/X");
    Press(f.zk_run);
    ASSERT_EQ(fake.process.started.size(), 1u);
    const auto& s = fake.process.started[0];
    EXPECT_EQ(s.commandLine + NumStr(s.showMode), "C:\\SPIELE\\ZANTORIK\\\\zantorik.pif C:\\SPIELE\\ZANTORIK\\ /P70 /TI2 /X /B51");
    EXPECT_EQ(std::tuple(s.currentDir, fake.registry.writes.size()), std::tuple("C:\\SPIELE\\ZANTORIK", 0u));
    // A folder with blanks and umlauts goes by the short form the platform gives.
    fake.files.modulePath = "C:\\Spiele\\Zäntorik Größe\\ZKSTART.EXE";
    fake.files.AddFile("C:\\Spiele\\Zäntorik Größe\\zantorik.pif");
    fake.files.shortNames["c:\\spiele\\zäntorik größe"] = "C:\\Spiele\\ZNTORI~1\\";
    Press(f.zk_run);
    EXPECT_EQ(fake.process.started.at(1).commandLine, "C:\\Spiele\\ZNTORI~1\\\\zantorik.pif C:\\Spiele\\ZNTORI~1\\ /P70 /TI2 /X /B5");
}

}  // namespace zk::test
