#include <gtest/gtest.h>

#include <functional>

#include "common/text.h"
#include "platform/fake/fake_platform.h"
#include "setup/copyengine.h"
#include "setup/filelist.h"

namespace zk::test {

using platform::DlgButton;
using platform::DlgType;

// Writes down what a control shows each time it is repainted.
class Recorder : public ui::Peer {
public:
    Recorder(ui::Control& control, std::vector<std::string>& log) : control_(control), log_(log) {}
    void Changed(ui::Prop) override {}
    void Repaint() override {
        if (control_.GetKind() == ui::Kind::Gauge)
            log_.push_back(control_.Name() + "=" + std::to_string(static_cast<ui::Gauge&>(control_).Progress()));
        else
            log_.push_back(control_.Name() + "=" + control_.Caption());
    }

private:
    ui::Control& control_;
    std::vector<std::string>& log_;
};

struct Copy : ::testing::Test {
    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
    ui::Form form{platform, "Form1"};
    ui::Label Statuslabel{&form, "Statuslabel"}, txbyte2copy{&form, "txbyte2copy"}, txHDrest{&form, "txHDrest"},
        Label3{&form, "Label3"};
    ui::Gauge Gauge1{&form, "Gauge1"};
    ui::Memo Filebox{&form, "Filebox"};
    ui::Edit Edit1{&form, "Edit1"}, Edit2{&form, "Edit2"};
    CopyEngine engine{platform, CopyView{Statuslabel, Gauge1, txbyte2copy, txHDrest, Label3, Filebox, Edit1, Edit2}};
    std::vector<std::string> repaints;

    Copy() {
        fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) {
            ADD_FAILURE() << "unexpected dialog: " << r.text;
        };
        for (ui::Control* c : std::vector<ui::Control*>{&Statuslabel, &txbyte2copy, &txHDrest, &Gauge1})
            c->AttachPeer(std::make_unique<Recorder>(*c, repaints));
        fake.files.Drive('C');
    }

    // The game as it is shipped, in a folder.
    void Game(const std::string& folder) {
        auto& f = fake.files;
        f.AddFile(folder + "\\ZANTORIK.EXE", std::string(20000, 'Z'));
        f.AddFile(folder + "\\ZKSTART.EXE", "start");
        f.AddFile(folder + "\\SAVE.DAT", "not listed");
        f.AddFile(folder + "\\TEXTE\\THEMA.{1}", "Thema eins");
        f.AddFile(folder + "\\ZANTORIK.HLP", "help");
    }
    static constexpr int32_t kGameSize = 20000 + 5 + 10 + 4;

    // The setup window's start: the two fields' texts, then the tests.
    bool Prepare(const std::string& source, const std::string& target) {
        engine.Source = source;
        engine.Target = target;
        bytes = free = 0;
        return engine.PrepareCopy(bytes, free);
    }
    bool Run(const std::string& source, const std::string& target) {
        if (!Prepare(source, target)) return false;
        txbyte2copy.SetTag(bytes);
        txHDrest.SetTag(free);
        Gauge1.SetMax(bytes);
        Gauge1.SetProgress(0);
        return engine.CopyAll(Statuslabel);
    }
    std::string Focus() {
        ui::Control* c = form.ActiveControl();
        return c ? c->Name() : "none";
    }
    std::vector<std::string> Repaints(const std::string& name) {
        std::vector<std::string> out;
        for (const auto& r : repaints)
            if (r.compare(0, name.size() + 1, name + "=") == 0) out.push_back(r.substr(name.size() + 1));
        return out;
    }
    std::vector<int64_t> Io(const std::string& op, const std::string& path) {
        std::vector<int64_t> out;
        for (const auto& e : fake.files.io)
            if (e.op == op && UpperCaseDE(e.path) == UpperCaseDE(path)) out.push_back(e.n);
        return out;
    }
    int32_t bytes = 0, free = 0;
};

TEST(NormalizePath, Table) {
    struct Case {
        const char* in;
        const char* out;
        int code;
    } cases[] = {
        {"  c:/spiele//zantorik ", "c:\\spiele\\zantorik", 0},
        {"spiele", "spiele", -1},
        {"c:\\programme\\x", "c:\\programme\\x", -2},
        {"c:spiele", "c:\\spiele", 0},
        {"c:", "c:\\", 0},
        {"c:\\\\\\a\\\\b\\", "c:\\a\\b\\", 0},
        {"", "", -1},
        {"\\\\server\\share", "\\server\\share", -1},
        {"c:\\12345678\\12345678.123", "c:\\12345678\\12345678.123", 0},
        {"c:\\abc.123456789", "c:\\abc.123456789", -2},  // the part after the dot counts too
        {"c:\\äöüäöüäöü", "c:\\äöüäöüäöü", -2},            // characters, not bytes: nine of them
        {"c:\\äöüäöüäö", "c:\\äöüäöüäö", 0},
        {"x\\c:", "x\\c:", -1},
    };
    for (const Case& c : cases) {
        std::string p = c.in;
        EXPECT_EQ(NormalizePath(p), c.code) << c.in;
        EXPECT_EQ(p, c.out) << c.in;
    }
}

TEST_F(Copy, EveryCodeHasItsMessageAndFocus) {
    struct Case {
        int code;
        std::string text;
        std::string focus;
    } cases[] = {
        {1, "Das ZANTORIK-Verzeichnis wurde nicht gefunden.\n\rDie Angabe bei \"Quelle\" ist offenbar falsch.", "Edit1"},
        {2, "Du hast den Kopiervorgang abgebrochen.", "none"},
        {3, "Das ZANTORIK-Verzeichnis wurde nicht in der \"Quelle\" gefunden.", "Edit1"},
        {4, "Zuwenig Speicher oder verkehrte Laufwerke.", "Edit2"},
        {5, "Probleme beim Schreiben.", "none"},
        {100, "Versuche es nochmal mit anderen Quelle/Ziel-Angaben.", "none"},
        {-1, "Quelle und Ziel benötigen Laufwerksbuchstaben, auf die je ein Doppelpunkt folgt.", "Edit1"},
        {-2, "Die Verzeichnisnamen dürfen hier nur 8 Buchstaben lang sein!", "none"},
        {-10, "In diesem \"Quell\"-Verzeichnis gibt es keine ZANTORIK-Dateien.", "Edit1"},
        {-11, "Auf dem \"Ziel\"-Laufwerk ist zuwenig Platz.", "Edit2"},
        {-14, "Das Ziellaufwerk ist schreibgeschützt, nicht bereit oder unbekannt.", "Edit2"},
        {-99, "Quelle und Ziel müssen verschieden sein!", "Edit1"},
        {21, "Unbekannter Fehler mit der Nummer 21", "none"},
        {-7, "Unbekannter Fehler mit der Nummer -7", "none"},
    };
    for (const Case& c : cases) {
        form.SetActiveControl(nullptr);
        fake.dialogs.Answer(platform::mrAbort);
        EXPECT_TRUE(engine.ReportSetupError(c.code));
        ASSERT_FALSE(fake.dialogs.shown.empty());
        const auto& d = fake.dialogs.shown.back();
        EXPECT_EQ(d.text, c.text) << c.code;
        EXPECT_EQ(engine.ErrorText, c.text);
        EXPECT_EQ(d.type, DlgType::Error);
        EXPECT_EQ(d.title, "Fehler");
        EXPECT_EQ(d.buttons, std::vector<DlgButton>{DlgButton::Abort});
        EXPECT_EQ(d.captions, std::vector<std::string>{"&Abbrechen"});
        EXPECT_EQ(Focus(), c.focus) << c.code;
    }
    size_t before = fake.dialogs.shown.size();
    EXPECT_FALSE(engine.ReportSetupError(0));
    EXPECT_EQ(fake.dialogs.shown.size(), before);
}

// Several things are wrong at once: the tests run in their fixed order and
// only the first failure is reported.
TEST_F(Copy, TestsRunInTheirOrderAndReportTheFirstFailure) {
    struct Case {
        const char* what;
        std::function<void(platform::FakeFileSystem&)> setUp;
        std::string source, target;
        int code;
        std::string focus;
    } cases[] = {
        {"no drive letter beats everything", [](auto& f) { f.Drive('D').writeProtected = true; },
         "spiele", "spiele", -1, "Edit1"},
        {"target without letter", [](auto&) {}, "c:\\game", "ziel", -1, "Edit1"},
        {"same place before the drive test", [](auto& f) { f.Drive('D').writeProtected = true; },
         "d:\\x\\", "D:\\X", -99, "Edit1"},
        {"drive test before the source test", [](auto& f) { f.Drive('D').writeProtected = true; },
         "c:\\nothing", "d:\\", -14, "Edit2"},
        {"source test before the space test", [](auto& f) { f.Drive('D').free = 0; },
         "c:\\nothing", "d:\\", -10, "Edit1"},
        {"no game in the source", [](auto& f) { f.AddFile("C:\\LEER\\README.TXT", "x"); },
         "c:\\leer", "d:\\", -10, "Edit1"},
        {"space", [](auto& f) { f.Drive('D').free = 100; }, "c:\\game", "d:\\", -11, "Edit2"},
        {"space unreadable", [](auto& f) { f.Drive('D').free.reset(); }, "c:\\game", "d:\\", -11, "Edit2"},
    };
    for (const Case& c : cases) {
        fake.files = platform::FakeFileSystem();
        fake.dialogs.shown.clear();
        form.SetActiveControl(nullptr);
        Game("C:\\GAME");
        fake.files.Drive('D');
        c.setUp(fake.files);
        fake.dialogs.Answer(platform::mrAbort);
        EXPECT_FALSE(Prepare(c.source, c.target)) << c.what;
        ASSERT_EQ(fake.dialogs.shown.size(), 1u) << c.what;
        EXPECT_EQ(fake.dialogs.shown[0].text, CopyEngine::ErrorMessage(c.code)) << c.what;
        EXPECT_EQ(Focus(), c.focus) << c.what;
        EXPECT_FALSE(fake.files.Exists("D:\\ZANTORIK")) << c.what;
        EXPECT_FALSE(fake.files.Exists("D:\\_-_")) << c.what;
    }
}

TEST_F(Copy, LongFolderNamesDoNotStopTheRun) {
    Game("C:\\PROGRAMME\\LANGERNAME");
    fake.files.Drive('D');
    EXPECT_TRUE(Run("c:\\programme\\langername", "d:\\sehrlangesziel"));
    EXPECT_EQ(fake.files.Content("D:\\SEHRLANGESZIEL\\ZANTORIK\\ZKSTART.EXE"), "start");
}

TEST_F(Copy, SamePlace) {
    Game("C:\\SPIELE\\ZANTORIK");
    Game("C:\\X\\ZANTORIK");
    Game("C:\\ZANTORIK");
    struct Case {
        const char* source;
        const char* target;
    } cases[] = {
        {"c:\\spiele\\zantorik\\", "c:\\spiele\\zantorik"},
        {"c:\\x\\zantorik", "c:\\x\\"},
        {"C:\\X\\ZANTORIK", "c:\\x"},
        {"c:\\spiele", "C:\\SPIELE\\"},
        // A drive root as target puts the copy into c:\ZANTORIK: its own source.
        {"c:\\zantorik", "c:\\"},
        {"c:\\zantorik\\", "c:"},
        // Other spellings of the same folders.
        {"c:\\spiele\\zantorik", "c:\\spiele\\.\\"},
        {"c:\\spiele\\zantorik", "c:\\spiele\\x\\..\\"},
        {"c:\\spiele\\zantorik", "c:\\spiele\\\\.\\"},
        {"c:\\spiele\\zantorik", "c:/spiele/./"},
        {"c:\\spiele\\zantorik\\.", "C:/Spiele/Zantorik/Texte/.."},
    };
    for (const Case& c : cases) {
        fake.dialogs.Answer(platform::mrAbort);
        EXPECT_FALSE(Prepare(c.source, c.target)) << c.source << " " << c.target;
        EXPECT_EQ(fake.dialogs.shown.back().text, "Quelle und Ziel müssen verschieden sein!");
        EXPECT_EQ(Focus(), "Edit1");
    }
    EXPECT_EQ(fake.files.Content("C:\\ZANTORIK\\ZANTORIK.EXE"), std::string(20000, 'Z'));
}

TEST_F(Copy, FloppyAndUnknownDrivePrompts) {
    Game("C:\\GAME");
    fake.files.Drive('A').type = platform::DriveType::Removable;
    fake.files.Drive('A').ready = false;
    struct Case {
        const char* target;
        const char* warning;
    } cases[] = {
        {"a:\\", "Diskette einlegen!!"},
        {"B:\\", "Diskette einlegen!!"},
        {"q:\\", "Ziel-Laufwerk unbekannt oder nicht bereit!"},
    };
    for (const Case& c : cases) {
        fake.dialogs.shown.clear();
        fake.dialogs.Answer(platform::mrCancel);  // not consulted
        fake.dialogs.Answer(platform::mrAbort);
        EXPECT_FALSE(Prepare("c:\\game", c.target));
        ASSERT_EQ(fake.dialogs.shown.size(), 2u);
        const auto& w = fake.dialogs.shown[0];
        EXPECT_EQ(w.text, c.warning);
        EXPECT_EQ(w.type, DlgType::Warning);
        EXPECT_EQ(w.buttons, (std::vector<DlgButton>{DlgButton::OK, DlgButton::Cancel}));
        EXPECT_EQ(fake.dialogs.shown[1].text, "Das Ziellaufwerk ist schreibgeschützt, nicht bereit oder unbekannt.");
        EXPECT_EQ(Focus(), "Edit2");
    }
}

TEST_F(Copy, DiskPutInAtThePromptLetsTheRunGoOn) {
    Game("C:\\GAME");
    auto& a = fake.files.Drive('A');
    a.type = platform::DriveType::Removable;
    a.ready = false;
    a.free = 1440 * 1024;
    fake.dialogs.onShow = [&](const platform::DialogRequest&) { fake.files.Drive('A').ready = true; };
    fake.dialogs.Answer(platform::mrOk);
    EXPECT_TRUE(Run("c:\\game", "a:"));
    EXPECT_EQ(fake.dialogs.shown.size(), 1u);
    EXPECT_EQ(engine.Target, "a:\\");
    EXPECT_EQ(fake.files.Content("A:\\ZANTORIK\\TEXTE\\THEMA.{1}"), "Thema eins");
    EXPECT_FALSE(fake.files.Exists("A:\\_-_"));
}

TEST_F(Copy, TargetRootLostBeforeTheSpaceTestIsMinus14) {
    Game("C:\\GAME");
    fake.files.Drive('D');
    engine.Source = "c:\\game\\";
    engine.Target = "d:\\";
    ASSERT_EQ(engine.CheckTargetDrive(), 0);
    ASSERT_EQ(engine.CheckSourceFolder(), 0);
    fake.files.Drive('D').ready = false;
    int32_t total = 0, free = 0;
    EXPECT_EQ(engine.ScanAndMeasure(total, free), -14);
    fake.files.RemoveDrive('D');
    EXPECT_EQ(engine.ScanAndMeasure(total, free), -14);
}

TEST_F(Copy, WriteProtectedOrUnmakeableProbeIsMinus14WithoutWarning) {
    Game("C:\\GAME");
    fake.files.Drive('D').writeProtected = true;
    engine.Target = "d:\\";
    EXPECT_EQ(engine.CheckTargetDrive(), -14);
    fake.files.Drive('E');
    fake.files.failCreateDir.insert("E:\\_-_");
    engine.Target = "e:\\ziel\\";
    EXPECT_EQ(engine.CheckTargetDrive(), -14);
    EXPECT_TRUE(fake.dialogs.shown.empty());
}

TEST_F(Copy, WhereTheSourceIsFound) {
    struct Case {
        const char* what;
        const char* gameAt;
        const char* source;
        const char* sourceFolder;
    } cases[] = {
        {"directly", "C:\\SPIELE\\ZANTORIK", "c:\\spiele\\zantorik", "c:\\spiele\\zantorik\\"},
        {"in its ZANTORIK sub-folder", "C:\\SPIELE\\ZANTORIK", "c:\\spiele", "c:\\spiele\\ZANTORIK"},
        {"below a drive root", "D:\\ZANTORIK", "d:\\", "d:\\ZANTORIK"},
        {"below a drive root, named", "D:\\ZANTORIK", "d:", "d:\\ZANTORIK"},
    };
    for (const Case& c : cases) {
        fake.files = platform::FakeFileSystem();
        fake.files.Drive('C');
        Game(c.gameAt);
        fake.files.AddFile("D:\\OTHER\\FREMD.EXE", "not the game");
        fake.files.Drive('E');
        EXPECT_TRUE(Prepare(c.source, "e:\\")) << c.what;
        EXPECT_EQ(engine.SourceFolder, c.sourceFolder) << c.what;
        EXPECT_EQ(bytes, kGameSize) << c.what;
        EXPECT_EQ(Filebox.Lines(),
                  (std::vector<std::string>{"\\ZANTORIK.EXE", "\\ZKSTART.EXE", "\\TEXTE\\THEMA.{1}", "\\ZANTORIK.HLP"}))
            << c.what;
    }
}

TEST_F(Copy, GameInTheDriveRootItselfIsNotWalked) {
    fake.files.AddFile("D:\\ZANTORIK.EXE", "exe");
    fake.files.AddFile("D:\\WINDOWS\\SYSTEM.DLL", "never");
    fake.files.Drive('E');
    fake.dialogs.Answer(platform::mrAbort);
    EXPECT_FALSE(Prepare("d:\\", "e:\\"));
    EXPECT_EQ(fake.dialogs.shown.back().text, CopyEngine::ErrorMessage(-10));
    EXPECT_TRUE(Filebox.Lines().empty());
}

TEST_F(Copy, FreeSpaceAgainstTotal) {
    Game("C:\\GAME");
    struct Case {
        uint64_t free;
        bool passes;
        int32_t held;
    } cases[] = {
        {kGameSize, false, kGameSize},  // equal is too little
        {kGameSize + 1, true, kGameSize + 1},
        {uint64_t{2147483647}, true, 2147483647},
        {uint64_t{2147483648}, true, 2147483647},
        {uint64_t{50} << 30, true, 2147483647},
    };
    for (const Case& c : cases) {
        fake.files.Drive('D').free = c.free;
        fake.files.Drive('D').freeFollows = false;
        if (!c.passes) fake.dialogs.Answer(platform::mrAbort);
        EXPECT_EQ(Prepare("c:\\game", "d:\\"), c.passes) << c.free;
        EXPECT_EQ(engine.Free, c.held) << c.free;
        if (c.passes) {
            EXPECT_EQ(free, c.held);
        }
    }
    EXPECT_EQ(engine.FreeBytes('Q'), -1);
}

// A game whose sizes add up past 32 bits must not slip through the space
// test on a wrapped, negative total.
TEST_F(Copy, HugeTotalIsHeldAndFailsTheSpaceTest) {
    Game("C:\\GAME");
    fake.files.listedSize["C:\\GAME\\ZANTORIK.EXE"] = 3000000000ull;
    fake.files.listedSize["C:\\GAME\\ZKSTART.EXE"] = 1294967296ull + 1000;
    fake.files.Drive('D').free = uint64_t{50} << 30;
    fake.dialogs.Answer(platform::mrAbort);
    EXPECT_FALSE(Prepare("c:\\game", "d:\\"));
    EXPECT_EQ(engine.Total, 2147483647);
    EXPECT_EQ(fake.dialogs.shown.back().text, "Auf dem \"Ziel\"-Laufwerk ist zuwenig Platz.");
}

TEST_F(Copy, QuietDriveErrorsDuringTheTestsAndTheCopy) {
    Game("C:\\GAME");
    fake.files.Drive('D');
    fake.files.errorMode = 0x8000;
    EXPECT_TRUE(Run("c:\\game", "d:\\"));
    EXPECT_EQ(fake.files.errorMode, 0x8000u);
    EXPECT_EQ(fake.files.errorModes,
              (std::vector<unsigned>{platform::kFailCriticalErrors, 0x8000, platform::kFailCriticalErrors, 0x8000}));
}

TEST_F(Copy, AWholeRun) {
    Game("C:\\SPIELE\\ZANTORIK");
    fake.files.Drive('D').free = 1000000;
    fake.files.SetFileStamp("C:\\SPIELE\\ZANTORIK\\ZKSTART.EXE", 125000000000000000);
    EXPECT_TRUE(Run("  c:/spiele", "d:\\neu"));
    EXPECT_TRUE(fake.dialogs.shown.empty());
    EXPECT_EQ(engine.Target, "d:\\neu\\");
    EXPECT_EQ(engine.DestFolder, "d:\\neu\\ZANTORIK");
    EXPECT_EQ(bytes, kGameSize);
    EXPECT_EQ(free, 1000000);
    EXPECT_EQ(Label3.Caption(), "Noch zu Kopieren");
    for (const char* name : {"ZANTORIK.EXE", "ZKSTART.EXE", "TEXTE\\THEMA.{1}", "ZANTORIK.HLP"}) {
        EXPECT_TRUE(fake.files.Content(std::string("D:\\NEU\\ZANTORIK\\") + name) ==
                    fake.files.Content(std::string("C:\\SPIELE\\ZANTORIK\\") + name))
            << name;
        EXPECT_EQ(fake.files.Stamp(std::string("D:\\NEU\\ZANTORIK\\") + name),
                  fake.files.Stamp(std::string("C:\\SPIELE\\ZANTORIK\\") + name))
            << name;
    }
    EXPECT_EQ(fake.files.Stamp("D:\\NEU\\ZANTORIK\\ZKSTART.EXE"), 125000000000000000);
    EXPECT_FALSE(fake.files.Exists("D:\\NEU\\ZANTORIK\\SAVE.DAT"));
    EXPECT_EQ(Gauge1.Progress(), kGameSize);
    EXPECT_EQ(txbyte2copy.Tag(), 0);
    EXPECT_EQ(txbyte2copy.Caption(), "0");
    EXPECT_EQ(txHDrest.Tag(), 1000000 - kGameSize);
    EXPECT_EQ(txHDrest.Caption(), "979.981");
    EXPECT_EQ(Repaints("Statuslabel"),
              (std::vector<std::string>{"ZANTORIK-Hauptprogramm", "Ruvalin, der ParameterManager für ZANTORIK",
                                        "Texte zu Thema 1", "ZANTORIK-Hilfedatei, Anleitung"}));
}

TEST_F(Copy, A20000ByteFileGoesInThreeBlocksWithTheDisplayFollowing) {
    fake.files.AddFile("C:\\GAME\\ZANTORIK.EXE", std::string(20000, 'Z'));
    fake.files.Drive('D').free = 100000;
    engine.Target = "d:\\";
    txbyte2copy.SetTag(25000);
    Gauge1.SetMax(25000);
    EXPECT_EQ(engine.CopyListedFile(Statuslabel, "c:\\game\\", "d:\\ZANTORIK", "\\ZANTORIK.EXE"), 0);
    EXPECT_EQ(Io("read", "C:\\GAME\\ZANTORIK.EXE"), (std::vector<int64_t>{8192, 8192, 3616, 0}));
    EXPECT_EQ(Io("write", "D:\\ZANTORIK\\ZANTORIK.EXE"), (std::vector<int64_t>{8192, 8192, 3616}));
    EXPECT_EQ(Repaints("txbyte2copy"), (std::vector<std::string>{"16.808", "8.616", "5.000", "5.000"}));
    EXPECT_EQ(Repaints("Gauge1"), (std::vector<std::string>{"8192", "16384", "20000", "20000"}));
    // The free space is read after every block, and once more for the file.
    EXPECT_EQ(Repaints("txHDrest"), (std::vector<std::string>{"91.808", "83.616", "80.000", "80.000", "80.000"}));
    EXPECT_FALSE(engine.FreeDisplayOff);
    EXPECT_EQ(Repaints("Statuslabel"), std::vector<std::string>{"ZANTORIK-Hauptprogramm"});
}

TEST_F(Copy, FreeSpaceThatStandsStillSwitchesToAktualisieren) {
    Game("C:\\GAME");
    fake.files.Drive('D').freeFollows = false;  // a drive that does not report
    EXPECT_TRUE(Run("c:\\game", "d:\\"));
    EXPECT_TRUE(engine.FreeDisplayOff);
    EXPECT_EQ(txHDrest.Caption(), "Aktualisieren");
    // After the first file only the two readings per file remain.
    fake.files.freeReads = 0;
    repaints.clear();
    EXPECT_EQ(engine.CopyListedFile(Statuslabel, "c:\\game", "d:\\ZANTORIK", "\\ZANTORIK.EXE"), 0);
    EXPECT_EQ(fake.files.freeReads, 2);
    EXPECT_EQ(Repaints("txHDrest"), std::vector<std::string>{"Aktualisieren"});
}

TEST_F(Copy, AnEmptyFileSwitchesTheFreeDisplayOffForTheRun) {
    fake.files.AddFile("C:\\GAME\\ZANTORIK.EXE", "");
    fake.files.AddFile("C:\\GAME\\ZKSTART.EXE", "0123456789");
    fake.files.Drive('D').free = 5000;
    EXPECT_TRUE(Run("c:\\game", "d:\\"));
    EXPECT_EQ(txHDrest.Caption(), "Aktualisieren");
    EXPECT_EQ(txHDrest.Tag(), 5000);  // the last number it was given
    // One reading in the empty file's only (empty) block, none in the next file's.
    EXPECT_EQ(Repaints("txHDrest"), (std::vector<std::string>{"5.000", "Aktualisieren", "Aktualisieren"}));
}

TEST_F(Copy, AnExistingTargetIsOverwrittenAndTakesTheSourcesStamp) {
    fake.files.AddFile("C:\\GAME\\ZANTORIK.EXE", "new and short");
    fake.files.SetFileStamp("C:\\GAME\\ZANTORIK.EXE", 120000000000000000);
    fake.files.AddFile("D:\\ZANTORIK\\ZANTORIK.EXE", std::string(50000, 'o'));
    ASSERT_NE(fake.files.Stamp("D:\\ZANTORIK\\ZANTORIK.EXE"), 120000000000000000);
    EXPECT_TRUE(Run("c:\\game", "d:\\"));
    EXPECT_EQ(fake.files.Content("D:\\ZANTORIK\\ZANTORIK.EXE"), "new and short");
    EXPECT_EQ(fake.files.Stamp("D:\\ZANTORIK\\ZANTORIK.EXE"), 120000000000000000);
}

// A game once copied from a CD-ROM is read-only; files may be hidden or
// system files. Windows creates no file over them: they are cleared first.
TEST_F(Copy, AnEarlierCopyThatIsReadOnlyHiddenOrSystemIsOverwritten) {
    using namespace platform;
    Game("C:\\GAME");
    const uint32_t guarded = faReadOnly | faHidden | faSysFile;
    for (uint32_t marks : {uint32_t{faReadOnly}, uint32_t{faHidden}, uint32_t{faSysFile}, guarded | faArchive}) {
        fake.files.AddFile("D:\\ZANTORIK\\ZKSTART.EXE", "old", marks);
        EXPECT_TRUE(Run("c:\\game", "d:\\")) << marks;
        EXPECT_EQ(fake.files.Content("D:\\ZANTORIK\\ZKSTART.EXE"), "start") << marks;
        EXPECT_EQ(*fake.files.Attributes("D:\\ZANTORIK\\ZKSTART.EXE") & guarded, 0u);
    }
}

// Listed for its name, a folder is made in the target; the files inside
// it have lines of their own, and the copy goes on after it.
TEST_F(Copy, AFolderNamedLikeAGameFileDoesNotStopTheCopy) {
    fake.files.AddFile("C:\\GAME\\ALT.EXE\\ALT.TXT", "alt");
    fake.files.AddDir("C:\\GAME\\TEXTE.TXT");
    Game("C:\\GAME");
    fake.files.Drive('D');
    EXPECT_TRUE(Run("c:\\game", "d:\\"));
    EXPECT_EQ(Filebox.Lines().front(), "\\ALT.EXE");
    EXPECT_EQ(bytes, kGameSize + 3);
    EXPECT_EQ(fake.files.Content("D:\\ZANTORIK\\ALT.EXE\\ALT.TXT"), "alt");
    EXPECT_TRUE(fake.files.DirExists("D:\\ZANTORIK\\TEXTE.TXT"));
    EXPECT_EQ(fake.files.Content("D:\\ZANTORIK\\ZANTORIK.HLP"), "help");
    EXPECT_EQ(txbyte2copy.Tag(), 0);
    EXPECT_FALSE(engine.FreeDisplayOff);  // a made folder does not count as a still drive
}

// The second of three files fails in its middle: the first stays, the
// broken one goes, the third is never begun, the source is untouched.
TEST_F(Copy, AWriteFailingInTheMiddleOfTheSecondFile) {
    const std::string one(10000, '1'), two(20000, '2'), three(3000, '3');
    fake.files.AddFile("C:\\GAME\\ZANTORIK.EXE", one);
    fake.files.AddFile("C:\\GAME\\ZKSTART.EXE", two);
    fake.files.AddFile("C:\\GAME\\ZANTORIK.HLP", three);
    fake.files.Drive('D');
    fake.files.failWriteAfter["d:\\zantorik\\zkstart.exe"] = 12000;
    EXPECT_FALSE(Run("c:\\game", "d:\\"));
    EXPECT_EQ(fake.files.Content("D:\\ZANTORIK\\ZANTORIK.EXE"), one);
    EXPECT_FALSE(fake.files.Exists("D:\\ZANTORIK\\ZKSTART.EXE"));
    EXPECT_FALSE(fake.files.Exists("D:\\ZANTORIK\\ZANTORIK.HLP"));
    EXPECT_EQ(fake.files.Content("C:\\GAME\\ZANTORIK.EXE"), one);
    EXPECT_EQ(fake.files.Content("C:\\GAME\\ZKSTART.EXE"), two);
    EXPECT_EQ(fake.files.Content("C:\\GAME\\ZANTORIK.HLP"), three);
    EXPECT_EQ(Statuslabel.Caption(), "Ruvalin, der ParameterManager für ZANTORIK");
    EXPECT_EQ(txbyte2copy.Tag(), 3000 + 20000 - 8192);  // one block of the second file went through
    EXPECT_TRUE(fake.dialogs.shown.empty());             // the setup window tells the failure itself
    // Both files were closed.
    EXPECT_EQ(Io("close", "C:\\GAME\\ZKSTART.EXE").size(), 1u);
    EXPECT_EQ(Io("close", "D:\\ZANTORIK\\ZKSTART.EXE").size(), 1u);
}

TEST_F(Copy, EveryFailureOfOneFileGivesCode5AndLeavesNoHalfFile) {
    struct Case {
        const char* what;
        std::function<void(platform::FakeFileSystem&)> fault;
        bool oldTargetStays;
    } cases[] = {
        {"read error", [](auto& f) { f.failReadAfter["C:\\GAME\\ZANTORIK.EXE"] = 8192; }, false},
        {"source cannot be opened", [](auto& f) { f.failOpen.insert("C:\\GAME\\ZANTORIK.EXE"); }, true},
        {"target cannot be created", [](auto& f) { f.failOpen.insert("D:\\ZANTORIK\\TEXTE\\ZANTORIK.EXE"); }, true},
        {"folder cannot be made", [](auto& f) { f.failCreateDir.insert("D:\\ZANTORIK\\TEXTE"); }, true},
        {"disk full", [](auto& f) { f.Drive('D').free = 9000; }, false},
    };
    for (const Case& c : cases) {
        fake.files = platform::FakeFileSystem();
        fake.files.AddFile("C:\\GAME\\ZANTORIK.EXE", std::string(20000, 'Z'));
        fake.files.Drive('D');
        c.fault(fake.files);
        const bool hadOld = fake.files.Exists("D:\\ZANTORIK\\TEXTE\\ZANTORIK.EXE");
        engine.Target = "d:\\";
        EXPECT_EQ(engine.CopyListedFile(Statuslabel, "C:\\GAME", "D:\\ZANTORIK\\TEXTE", "\\ZANTORIK.EXE"), 5) << c.what;
        EXPECT_EQ(fake.files.Exists("D:\\ZANTORIK\\TEXTE\\ZANTORIK.EXE"), hadOld && c.oldTargetStays) << c.what;
        EXPECT_EQ(fake.files.Content("C:\\GAME\\ZANTORIK.EXE"), std::string(20000, 'Z')) << c.what;
    }
}

TEST_F(Copy, ForcePath) {
    fake.files.Drive('D');
    EXPECT_TRUE(engine.ForcePath("d:\\a\\b\\c\\datei.exe"));
    EXPECT_TRUE(fake.files.DirExists("D:\\A\\B\\C"));
    EXPECT_FALSE(fake.files.Exists("D:\\A\\B\\C\\DATEI.EXE"));
    EXPECT_TRUE(engine.ForcePath("d:\\x\\y\\"));
    EXPECT_TRUE(fake.files.DirExists("D:\\X\\Y"));
    EXPECT_TRUE(engine.ForcePath("d:\\a\\b\\c\\d"));  // all there already
    EXPECT_FALSE(fake.files.Exists("D:\\A\\B\\C\\D"));
    fake.files.failCreateDir.insert("D:\\P\\Q");
    EXPECT_FALSE(engine.ForcePath("d:\\p\\q\\r\\f.txt"));
    EXPECT_TRUE(fake.files.DirExists("D:\\P"));
    EXPECT_FALSE(fake.files.Exists("D:\\P\\Q\\R"));
}

TEST_F(Copy, ResetForTheShownWindow) {
    engine.Total = 77;
    engine.Reset("C:\\SPIELE\\ZANTORIK\\");
    EXPECT_EQ(engine.Source, "C:\\SPIELE\\ZANTORIK\\");
    EXPECT_EQ(engine.Target, "C:\\");
    EXPECT_EQ(engine.Total, 0);
    EXPECT_EQ(txbyte2copy.Caption(), "?");
    EXPECT_EQ(txHDrest.Caption(), "?");
}

TEST_F(Copy, AnEmptyListCopiesNothingAndSucceeds) {
    EXPECT_TRUE(engine.CopyAll(Statuslabel));
    EXPECT_EQ(Label3.Caption(), "Noch zu Kopieren");
}

}  // namespace zk::test

namespace zk::test {

TEST(Gauge, ProgressStaysInRangeAndCountsPercent) {
    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
    ui::Form form{platform, "Form1"};
    ui::Gauge g{&form, "Gauge1"};
    g.SetMax(2000000000);
    g.AddProgress(1500000000);
    EXPECT_EQ(g.PercentDone(), 75);  // no overflow on the way
    g.AddProgress(1500000000);
    EXPECT_EQ(g.Progress(), 2000000000);
    g.SetMax(10);
    EXPECT_EQ(g.Progress(), 10);
    g.SetProgress(-5);
    EXPECT_EQ(g.Progress(), 0);
    g.SetMax(0);
    EXPECT_EQ(g.PercentDone(), 0);
}

}  // namespace zk::test
