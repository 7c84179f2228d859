#include "fixture.h"

namespace zk::test {

struct CommandLine : LauncherTest {
    CommandLine() { fake.files.AddFile("C:\\SPIELE\\ZANTORIK\\zantorik.pif", "PIF"); }
    std::string Line() {
        std::string line;
        EXPECT_TRUE(Launcher().BuildCommandLine("C:\\SPIELE\\ZANTORIK\\", "zantorik.pif", line));
        return line;
    }
    const std::string head = "C:\\SPIELE\\ZANTORIK\\\\zantorik.pif C:\\SPIELE\\ZANTORIK\\ ";
};

TEST_F(CommandLine, WorkedExample) {
    EXPECT_EQ(Line(), head + "/ /B0");
    TFormStart& f = Launcher();
    f.cb_ppp.SetChecked(true);
    f.roll_ppp.SetPosition(70);
    f.cb_fast.SetChecked(true);
    f.cb_nocd.SetChecked(true);
    f.cb_ti.SetChecked(true);
    f.ed_param.SetText("/X");
    EXPECT_EQ(Line(), head + "/P70 /TI2 /X /B5");
}

TEST_F(CommandLine, MaskAndTokens) {
    struct Case {
        const char* name;
        std::function<void(TFormStart&)> set;
        std::string tail;
    } cases[] = {
        {"empty free field", [](TFormStart& f) { f.ed_param.SetText(""); }, "/B0"},
        {"off and stand-by", [](TFormStart& f) { f.cb_nocd.SetChecked(true); f.cb_niecd.SetChecked(true); }, "/ /B8"},
        {"off ignores tracks",
         [](TFormStart& f) { f.cb_ti.SetChecked(true); f.cd_tg.SetChecked(true); f.cb_niecd.SetChecked(true); },
         "/ /B8"},
        {"both tracks",
         [](TFormStart& f) { f.cb_ti.SetChecked(true); f.cd_tg.SetChecked(true); }, "/TI2 /TG3 / /B0"},
        {"speed low", [](TFormStart& f) { f.cb_ppp.SetChecked(true); f.roll_ppp.SetPosition(-5); }, "/P1 / /B0"},
        {"speed high", [](TFormStart& f) { f.cb_ppp.SetChecked(true); f.roll_ppp.SetPosition(99); }, "/P99 / /B0"},
        {"speed box off", [](TFormStart& f) { f.roll_ppp.SetPosition(80); }, "/ /B0"},
        {"track zero", [](TFormStart& f) { f.cb_ti.SetChecked(true); f.ed_ti.Type("0"); }, "/TI0 / /B0"},
        {"track emptied", [](TFormStart& f) { f.cd_tg.SetChecked(true); f.ed_tg.Type(""); }, "/TG0 / /B0"},
        {"track not a number", [](TFormStart& f) { f.cb_ti.SetChecked(true); f.ed_ti.Type("4x"); }, "/TI4 / /B0"},
        {"all off-mode bits",
         [](TFormStart& f) {
             for (ui::CheckBox* c : {&f.cb_fast, &f.cb_fair, &f.cb_niecd, &f.cb_notic, &f.cb_notxt, &f.cb_nofc})
                 c->SetChecked(true);
         },
         "/ /B187"},
        {"all stand-by bits",
         [](TFormStart& f) {
             for (ui::CheckBox* c : {&f.cb_fast, &f.cb_fair, &f.cb_nocd, &f.cb_notic, &f.cb_notxt, &f.cb_nofc})
                 c->SetChecked(true);
         },
         "/ /B183"},
        {"player's own /B first", [](TFormStart& f) { f.ed_param.SetText("/B255 /Q"); }, "/B255 /Q /B0"},
        {"free text unaltered", [](TFormStart& f) { f.ed_param.SetText("  a  b "); }, "  a  b  /B0"},
    };
    for (auto& c : cases) {
        form.reset();
        c.set(Launcher());
        EXPECT_EQ(Line(), head + c.tail) << c.name;
    }
}

TEST_F(CommandLine, LongLinesArePassedWhole) {
    std::string params = "/";
    for (int i = 0; i < 700; ++i) params += "XYZ12345 ";
    Launcher().ed_param.SetText(params);
    std::string line = Line();
    EXPECT_EQ(line, head + params + " /B0");
    EXPECT_GT(line.size(), 6000u);
}

TEST_F(CommandLine, PifFoundMakesTheFolderCurrentOnlyWhenFound) {
    fake.files.AddDir("D:\\ANDERS");
    fake.files.SetCurrentDir("D:\\ANDERS");
    std::string line = "stale";
    EXPECT_FALSE(Launcher().BuildCommandLine("C:\\SPIELE\\ZANTORIK\\", "fehlt.pif", line));
    EXPECT_EQ(line, "");
    EXPECT_EQ(fake.files.CurrentDir(), "D:\\ANDERS");
    EXPECT_FALSE(Launcher().PifFound("C:\\NIRGENDS\\", "zantorik.pif"));
    EXPECT_EQ(fake.files.CurrentDir(), "D:\\ANDERS");
    EXPECT_TRUE(Launcher().PifFound("C:\\SPIELE\\ZANTORIK\\", "zantorik.pif"));
    EXPECT_EQ(fake.files.CurrentDir(), "C:\\SPIELE\\ZANTORIK");
}

TEST_F(CommandLine, PifAsDirectoryOrHiddenCountsAsFound) {
    fake.files.AddDir("C:\\A\\zantorik.pif");
    EXPECT_TRUE(Launcher().PifFound("C:\\A\\", "zantorik.pif"));
    fake.files.AddFile("C:\\B\\zantorik.pif", "", platform::faHidden | platform::faSysFile | platform::faReadOnly);
    EXPECT_TRUE(Launcher().PifFound("C:\\B\\", "zantorik.pif"));
}

TEST_F(CommandLine, LostWayBackIsAnInOutError) {
    fake.files.AddDir("D:\\WEG");
    fake.files.SetCurrentDir("D:\\WEG");
    fake.files.failSetCurrent.insert("D:\\WEG");
    EXPECT_THROW(Launcher().PifFound("C:\\SPIELE\\", "zantorik.pif"), InOutError);
}

TEST_F(CommandLine, StartButtonStartsTheGameFromTheProgramFolder) {
    fake.files.AddFile("C:\\Program Files\\DOSBox-0.74\\DOSBox.exe");  // never needed: the .pif starts
    TFormStart& f = Launcher();
    f.zk_run.Perform([&] { f.zk_run.Click(); });
    f.zk_run.Perform([&] { f.zk_run.Click(); });  // no record of a running game
    ASSERT_EQ(fake.process.started.size(), 2u);
    EXPECT_EQ(fake.process.started[0].commandLine, head + "/ /B0");
    EXPECT_EQ(fake.process.started[0].showMode, 1);
    EXPECT_EQ(fake.process.started[0].currentDir, "C:\\SPIELE\\ZANTORIK");
    EXPECT_TRUE(fake.dialogs.shown.empty());
    EXPECT_EQ(fake.app.quitPosted, 0);
    EXPECT_TRUE(fake.registry.writes.empty());
}

TEST_F(CommandLine, MissingPifShowsTheErrorWithHelpContext77) {
    fake.files.modulePath = "E:\\LEER\\ZKSTART.EXE";
    fake.files.AddDir("E:\\LEER");
    fake.dialogs.Answer(platform::mrOk);
    TFormStart& f = Launcher();
    f.zk_run.Perform([&] { f.zk_run.Click(); });
    EXPECT_TRUE(fake.process.started.empty());
    ASSERT_EQ(fake.dialogs.shown.size(), 1u);
    const auto& d = fake.dialogs.shown[0];
    EXPECT_EQ(d.type, platform::DlgType::Error);
    EXPECT_EQ(d.title, "Fehler");
    EXPECT_EQ(d.captions, (std::vector<std::string>{"OK", "&Hilfe"}));
    EXPECT_EQ(d.helpContext, 77);
    EXPECT_EQ(d.text,
              "ZANTORIK nicht gefunden.\n\rVersuche herauszufinden, in welchem Ordner ZANTORIK gespeichert wurde."
              "\n\n\rDanach gib den kompletten Pfad mit Laufwerksbuchstaben bei \"Programm-Pfad\" ein\n\n\r"
              "Beispiel: D:\\GAMES\\ZANTORIK");
}

}  // namespace zk::test
