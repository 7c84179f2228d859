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
    void Press(ui::Button& b) { b.Perform([&] { b.Click(); }); }
};

TEST_F(Window, LayoutAndCaptions) {
    TFormStart& f = Launcher();
    EXPECT_EQ(f.Caption(), "Orvandel® ZANTORIK Ruvalin V2.1");
    EXPECT_EQ(f.ClientWidth(), 353);
    EXPECT_EQ(f.ClientHeight(), 211);
    EXPECT_FALSE(f.borderIcons.minimize || f.borderIcons.maximize);
    EXPECT_EQ(f.PageControl1.Pages().size(), 4u);
    EXPECT_EQ(f.PageControl1.ActivePage(), &f.TabSheet1);
    EXPECT_EQ(f.ActiveControl(), &f.zk_run);
    EXPECT_EQ(f.zk_run.TabOrder(), 0);
    EXPECT_TRUE(f.zk_run.GetFont().bold && f.zk_run.GetFont().underline);
    EXPECT_EQ(f.Hilfe.popupMenu->items.size(), 4u);
    EXPECT_FALSE(f.ed_zkpfad.Visible());
    EXPECT_EQ(f.roll_ppp.Min(), 1);
    EXPECT_EQ(f.roll_ppp.Max(), 99);
    EXPECT_FALSE(f.roll_ppp.Enabled());
    EXPECT_FALSE(f.ed_ti.Enabled());
    EXPECT_EQ(f.ed_ti.maxLength, 2);
}

TEST_F(Window, TrackFieldsFollowTheirBoxes) {
    TFormStart& f = Launcher();
    f.cb_ti.Toggle();
    EXPECT_TRUE(f.ed_ti.Enabled());
    EXPECT_EQ(f.ed_ti.Text(), "2");
    f.cd_tg.Toggle();
    EXPECT_EQ(f.ed_tg.Text(), "3");
    f.ed_ti.Type("7");
    EXPECT_EQ(f.TrackTI(), 7);
    f.ed_ti.Type("");
    EXPECT_EQ(f.TrackTI(), 0);
    f.cb_ti.Toggle();
    EXPECT_FALSE(f.ed_ti.Enabled());
    f.ed_ti.SetText("5");
    f.cb_ti.Toggle();  // ticking shows the number the field holds
    EXPECT_EQ(f.ed_ti.Text(), "5");
}

TEST_F(Window, CdModesExcludeEachOther) {
    TFormStart& f = Launcher();
    f.cb_ti.Toggle();
    f.cb_niecd.Toggle();
    EXPECT_FALSE(f.cb_nocd.Enabled());
    EXPECT_FALSE(f.cb_ti.Enabled());
    EXPECT_FALSE(f.cd_tg.Enabled());
    EXPECT_TRUE(f.ed_ti.Enabled());  // the track field itself is left alone
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

TEST_F(Window, ShowReloadsUnlessCopyDone) {
    Store("xFair", "1");
    TFormStart& f = Launcher();
    EXPECT_TRUE(f.cb_fair.Checked());
    EXPECT_EQ(f.ed_zkpfad.Text(), "C:\\SPIELE\\ZANTORIK\\");
    f.cb_fair.SetChecked(false);
    f.ed_param.SetText("/X");
    f.Hide();
    f.Show();
    EXPECT_TRUE(f.cb_fair.Checked());
    EXPECT_EQ(f.ed_param.Text(), "/");

    f.cb_fair.SetChecked(false);
    f.ed_param.SetText("/X");
    f.ed_zkpfad.SetText("Q:\\");
    f.Hide();
    CopyDone = 1;
    f.Show();
    EXPECT_FALSE(f.cb_fair.Checked());
    EXPECT_EQ(f.ed_param.Text(), "/X");
    EXPECT_EQ(f.ed_zkpfad.Text(), "C:\\SPIELE\\ZANTORIK\\");
}

TEST_F(Window, ExitSavesRenewsMenuAndCloses) {
    TFormStart& f = Launcher();
    f.Show();
    calls.clear();
    Press(f.bt_exit);
    EXPECT_EQ(Stored("xFast"), "0");
    EXPECT_EQ(calls, (std::vector<std::string>{"menu C:\\SPIELE\\ZANTORIK", "close main"}));
    EXPECT_FALSE(f.Visible());
}

TEST_F(Window, ExitWithMenuOfferedSkipsTheMenu) {
    TFormStart& f = Launcher();
    MenuOffered = 1;
    Press(f.bt_exit);
    EXPECT_EQ(calls, (std::vector<std::string>{"close main"}));
}

TEST_F(Window, ExitFromADriveRootKeepsItsBackslash) {
    fake.files.modulePath = "D:\\ZKSTART.EXE";
    Press(Launcher().bt_exit);
    EXPECT_EQ(calls.front(), "menu D:\\");
}

TEST_F(Window, RegistryFailureKeepsTheLauncherOpen) {
    TFormStart& f = Launcher();
    f.Show();
    fake.registry.failCreate.insert("Software\\Orvandel\\Zantorik");
    calls.clear();
    Press(f.bt_exit);
    EXPECT_EQ(fake.app.errors, (std::vector<std::string>{"Erzeugung von Schlüssel Zantorik misslungen"}));
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(f.Visible());
}

TEST_F(Window, MenuErrorIsShownAfterSavingAndTheLauncherStays) {
    seams.createMenuEntries = [](const std::string&) { throw InOutError(3); };
    TFormStart& f = Launcher();
    f.Show();
    Press(f.bt_exit);
    EXPECT_EQ(Stored("Speed"), "50");
    EXPECT_EQ(fake.app.errors, (std::vector<std::string>{"E/A-Fehler 3"}));
    EXPECT_TRUE(f.Visible());
}

TEST_F(Window, CloseBoxStoresNothing) {
    TFormStart& f = Launcher();
    f.Show();
    f.cb_fast.SetChecked(true);
    f.Perform([&] { f.Close(); });
    EXPECT_TRUE(fake.registry.writes.empty());
    EXPECT_FALSE(fake.registry.KeyExists("Software\\Orvandel\\Zantorik"));
    EXPECT_EQ(calls.back(), "close main");
}

TEST_F(Window, ButtonsReachTheirWindows) {
    TFormStart& f = Launcher();
    f.Show();
    calls.clear();
    Press(f.bCopyright);
    EXPECT_TRUE(f.Visible());
    Press(f.ZKSetup);
    EXPECT_FALSE(f.Visible());
    f.Show();
    EXPECT_EQ(calls, (std::vector<std::string>{"about", "setup", "hide chooser"}));
}

TEST_F(Window, HelpByKeyword) {
    TFormStart& f = Launcher();
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
    ASSERT_EQ(fake.help.calls.size(), 1u);
    EXPECT_EQ(fake.help.calls[0].command, platform::HelpCommand::Contents);
}

}  // namespace zk::test
