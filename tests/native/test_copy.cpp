#include "copy_fixture.h"

#include <filesystem>
#include <functional>

#include "host_scratch.h"
#include "setup/filelist.h"

namespace zk::test {

using platform::FakeFileSystem;
using Lines = std::vector<std::string>;

struct Copy : ::testing::Test {
    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
    CopyRig rig{platform};
    CopyEngine& engine = rig.engine;
    static constexpr int32_t kGameSize = 20000 + 5 + 10 + 4;

    Copy() { fake.files.Drive('C'); }
    void Game(const std::string& folder) {
        for (const auto& [name, content] : std::vector<std::pair<std::string, std::string>>{
                 {"ZANTORIK.EXE", std::string(20000, 'Z')}, {"ZKSTART.EXE", "start"}, {"SAVE.DAT", "not listed"},
                 {"TEXTE\\THEMA.{1}", "Thema eins"}, {"ZANTORIK.HLP", "help"}})
            fake.files.AddFile(folder + "\\" + name, content);
    }
    std::vector<int64_t> Io(const std::string& op, const std::string& path) {
        std::vector<int64_t> out;
        for (const auto& e : fake.files.io)
            if (e.op == op && UpperCaseDE(e.path) == UpperCaseDE(path)) out.push_back(e.n);
        return out;
    }
};

TEST(NormalizePath, Table) {
    const struct { const char *in, *out; int code; } cases[] = {
        {"  c:/spiele//zantorik ", "c:\\spiele\\zantorik", 0}, {"spiele", "spiele", -1},
        {"c:\\programme\\x", "c:\\programme\\x", -2},           {"c:spiele", "c:\\spiele", 0},
        {"c:", "c:\\", 0},                                      {"c:\\\\\\a\\\\b\\", "c:\\a\\b\\", 0},
        {"", "", -1},                                           {"\\\\server\\share", "\\server\\share", -1},
        {"c:\\12345678\\12345678.123", "c:\\12345678\\12345678.123", 0},
        {"c:\\abc.123456789", "c:\\abc.123456789", -2},  // the part after the dot counts too
        {"c:\\äöüäöüäöü", "c:\\äöüäöüäöü", -2},            // characters, not bytes: nine of them
        {"c:\\äöüäöüäö", "c:\\äöüäöüäö", 0},               {"x\\c:", "x\\c:", -1},
    };
    for (const auto& c : cases) {
        std::string p = c.in;
        EXPECT_EQ(std::to_string(NormalizePath(p)) + " " + p, std::to_string(c.code) + " " + c.out);
    }
}

// Each code's message as the setup's user reads it, and the field that gets the focus.
const std::map<int, std::pair<std::string, const char*>> kMessages = {
    {1, {"Das ZANTORIK-Verzeichnis wurde nicht gefunden.\n\rDie Angabe bei \"Quelle\" ist offenbar falsch.", "source"}},
    {2, {"Du hast den Kopiervorgang abgebrochen.", ""}},
    {3, {"Das ZANTORIK-Verzeichnis wurde nicht in der \"Quelle\" gefunden.", "source"}},
    {4, {"Zuwenig Speicher oder verkehrte Laufwerke.", "target"}}, {5, {"Probleme beim Schreiben.", ""}},
    {100, {"Versuche es nochmal mit anderen Quelle/Ziel-Angaben.", ""}},
    {-1, {"Quelle und Ziel benötigen Laufwerksbuchstaben, auf die je ein Doppelpunkt folgt.", "source"}},
    {-2, {"Die Verzeichnisnamen dürfen hier nur 8 Buchstaben lang sein!", ""}},
    {-10, {"In diesem \"Quell\"-Verzeichnis gibt es keine ZANTORIK-Dateien.", "source"}},
    {-11, {"Auf dem \"Ziel\"-Laufwerk ist zuwenig Platz.", "target"}},
    {-14, {"Das Ziellaufwerk ist schreibgeschützt, nicht bereit oder unbekannt.", "target"}},
    {-99, {"Quelle und Ziel müssen verschieden sein!", "source"}},
    {21, {"Unbekannter Fehler mit der Nummer 21", ""}}, {-7, {"Unbekannter Fehler mit der Nummer -7", ""}},
};

TEST_F(Copy, EveryCodeHasItsMessageAndFocus) {
    for (const auto& [code, message] : kMessages) {
        rig.progress.log.clear();
        EXPECT_TRUE(engine.ReportSetupError(code));
        EXPECT_EQ(rig.progress.Of("error"), Lines{message.first}) << code;
        EXPECT_EQ(rig.progress.Of("focus"), *message.second ? Lines{message.second} : Lines{}) << code;
    }
    rig.progress.log.clear();
    EXPECT_FALSE(engine.ReportSetupError(0));
    EXPECT_TRUE(rig.progress.log.empty());
}

// The tests run in their order; only the first failure is told, after a warning for a floppy.
TEST_F(Copy, TestsRunInTheirOrderAndReportTheFirstFailure) {
    const auto writeProtectedD = [](FakeFileSystem& f) { f.Drive('D').writeProtected = true; };
    const auto none = [](FakeFileSystem&) {};
    const auto floppy = [](FakeFileSystem& f) { f.Drive('A').type = platform::DriveType::Removable, f.Drive('A').ready = false; };
    const struct { const char* what; std::function<void(FakeFileSystem&)> setUp;
        std::string source, target; int code; std::string warning = "", sourceFolder = ""; } cases[] = {
        {"no drive letter beats everything", writeProtectedD, "spiele", "spiele", -1},
        {"target without letter", none, "c:\\game", "ziel", -1},
        {"same place before the drive test", writeProtectedD, "d:\\x\\", "D:\\X", -99},
        {"same place", none, "c:\\spiele\\zantorik\\", "c:\\spiele\\zantorik", -99},
        {"copy into its own source", none, "c:\\x\\zantorik", "c:\\x\\", -99},
        {"letter case", none, "C:\\X\\ZANTORIK", "c:\\x", -99},
        {"a drive root onto its ZANTORIK", none, "c:\\zantorik", "c:\\", -99},
        {"dot", none, "c:\\spiele\\zantorik", "c:\\spiele\\.\\", -99},
        {"dot-dot", none, "c:\\spiele\\zantorik", "c:\\spiele\\x\\..\\", -99},
        {"doubled", none, "c:\\spiele\\zantorik", "c:\\spiele\\\\.\\", -99},
        {"dots on both sides", none, "c:\\spiele\\zantorik\\.", "C:/Spiele/Zantorik/Texte/..", -99},
        {"drive test before the source test", writeProtectedD, "c:\\nothing", "d:\\", -14},
        {"floppy without disk", floppy, "c:\\game", "a:\\", -14, "Diskette einlegen!!"},
        {"floppy B", floppy, "c:\\game", "B:\\", -14, "Diskette einlegen!!"},
        {"a disk put in at the prompt", [&](auto& f) { floppy(f), rig.progress.onWarning = [&] { f.Drive('A').ready = true; }; },
         "c:\\game", "a:", 0, "Diskette einlegen!!", "c:\\game\\"},
        {"no such drive", none, "c:\\game", "q:\\", -14, "Ziel-Laufwerk unbekannt oder nicht bereit!"},
        {"probe cannot be made", [](auto& f) { f.failCreateDir.insert("D:\\_-_"); }, "c:\\game", "d:\\ziel\\", -14},
        {"source test before the space test", [](auto& f) { f.Drive('D').free = 0; }, "c:\\nothing", "d:\\", -10},
        {"no game in the source", [](auto& f) { f.AddFile("C:\\LEER\\README.TXT", "x"); }, "c:\\leer", "d:\\", -10},
        {"the game in a drive root is never walked", [](auto& f) { f.AddFile("E:\\ZANTORIK.EXE", "x"); }, "e:\\",
         "d:\\", -10},
        {"but its ZANTORIK below is", [this](auto& f) { f.AddFile("E:\\ZANTORIK.EXE", "x"), Game("E:\\ZANTORIK"); }, "e:",
         "d:\\", 0, "", "e:\\ZANTORIK"},
        {"space", [](auto& f) { f.Drive('D').free = 100; }, "c:\\game", "d:\\", -11},
        {"space unreadable", [](auto& f) { f.Drive('D').free.reset(); }, "c:\\game", "d:\\", -11},
        {"found directly", none, "c:\\game", "d:\\", 0, "", "c:\\game\\"},
        {"found in its ZANTORIK", none, "c:\\", "d:\\", 0, "", "c:\\ZANTORIK"},
        {"found in a sub-folder", none, "C:/SPIELE", "d:\\", 0, "", "C:\\SPIELE\\ZANTORIK"},
        {"long names do not stop the run", [this](auto&) { Game("C:\\PROGRAMME\\LANGERNAME"); },
         "c:\\programme\\langername", "d:\\sehrlangesziel", 0, "", "c:\\programme\\langername\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fake.files = FakeFileSystem();
        rig.progress.log.clear(), rig.progress.onWarning = nullptr;
        for (const char* folder : {"C:\\GAME", "C:\\ZANTORIK", "C:\\SPIELE\\ZANTORIK"}) Game(folder);
        fake.files.Drive('D');
        c.setUp(fake.files);
        EXPECT_EQ(rig.Prepare(c.source, c.target), c.code == 0);
        EXPECT_EQ(rig.progress.Of("warning"), c.warning.empty() ? Lines{} : Lines{c.warning});
        EXPECT_EQ(rig.progress.Of("error"), c.code ? Lines{kMessages.at(c.code).first} : Lines{});
        EXPECT_FALSE(fake.files.Exists("D:\\_-_"));
        if (c.code) continue;
        EXPECT_EQ(std::tuple(rig.plan.sourceFolder, rig.plan.total), std::tuple(c.sourceFolder, kGameSize));
        EXPECT_EQ(rig.plan.Lines(),
                  (std::vector<std::string>{"\\ZANTORIK.EXE", "\\ZKSTART.EXE", "\\TEXTE\\THEMA.{1}", "\\ZANTORIK.HLP"}));
        const std::string dest = c.target + (c.target.back() == '\\' ? "" : "\\") + "ZANTORIK";
        EXPECT_EQ(std::tuple(rig.plan.destFolder, rig.plan.drive), std::tuple(dest, c.target[0] == 'a' ? 'A' : 'D'));
    }
}

TEST_F(Copy, TargetRootLostBeforeTheSpaceTestIsMinus14) {
    Game("C:\\GAME"), fake.files.Drive('D');
    CopyPlan plan{"c:\\game\\", "d:\\", 'D', "", "", {}, 0, 0};
    ASSERT_EQ(engine.CheckTargetDrive(plan), 0);
    ASSERT_EQ(engine.CheckSourceFolder(plan), 0);
    fake.files.Drive('D').ready = false;
    const int notReady = engine.ScanAndMeasure(plan);
    fake.files.RemoveDrive('D');
    EXPECT_EQ(std::tuple(notReady, engine.ScanAndMeasure(plan)), std::tuple(-14, -14));
}

// Free space and total above 31 bits are held (no wrap past the test); free equal to the total is too little.
TEST_F(Copy, FreeSpaceAgainstTotal) {
    Game("C:\\GAME");
    const struct { uint64_t free, exeSize; bool passes; int32_t held, total; } cases[] = {
        {kGameSize, 20000, false, kGameSize, kGameSize}, {kGameSize + 1, 20000, true, kGameSize + 1, kGameSize},
        {2147483647, 20000, true, 2147483647, kGameSize}, {2147483648, 20000, true, 2147483647, kGameSize},
        {uint64_t{50} << 30, 3000000000ull, false, 2147483647, 2147483647},
        {uint64_t{50} << 30, 5000000000ull, false, 2147483647, 2147483647},
    };
    for (const auto& c : cases) {
        fake.files.Drive('D').free = c.free, fake.files.listedSize["C:\\GAME\\ZANTORIK.EXE"] = c.exeSize;
        EXPECT_EQ(rig.Prepare("c:\\game", "d:\\"), c.passes) << c.free;
        EXPECT_EQ(std::tuple(rig.plan.free, rig.plan.total), std::tuple(c.held, c.total)) << c.free;
    }
    EXPECT_EQ(engine.FreeBytes('Q'), -1);
}

// Mended: a folder named like a game file is made, counts nothing, and the copy goes on after it.
TEST_F(Copy, AWholeRun) {
    fake.files.AddFile("C:\\SPIELE\\ZANTORIK\\ALT.EXE\\ALT.TXT", "alt");
    fake.files.AddDir("C:\\SPIELE\\ZANTORIK\\TEXTE.TXT"), Game("C:\\SPIELE\\ZANTORIK");
    fake.files.SetFileStamp("C:\\SPIELE\\ZANTORIK\\ZKSTART.EXE", 125000000000000000);
    fake.files.Drive('D').free = 1000000, fake.files.errorMode = 0x8000;
    EXPECT_TRUE(rig.Run("  c:/spiele", "d:\\neu"));
    EXPECT_EQ(fake.files.errorModes, (std::vector<unsigned>{platform::kFailCriticalErrors, 0x8000, platform::kFailCriticalErrors, 0x8000}));
    EXPECT_EQ(std::tuple(rig.plan.files.front().folder, rig.plan.total), std::tuple(true, kGameSize + 3));
    for (const std::string name : {"ZANTORIK.EXE", "ZKSTART.EXE", "TEXTE\\THEMA.{1}", "ZANTORIK.HLP", "ALT.EXE\\ALT.TXT"}) {
        const std::string from = "C:\\SPIELE\\ZANTORIK\\" + name, to = "D:\\NEU\\ZANTORIK\\" + name;
        EXPECT_EQ(std::tuple(fake.files.Content(to), fake.files.Stamp(to)), std::tuple(fake.files.Content(from), fake.files.Stamp(from)));
    }
    EXPECT_EQ(fake.files.Stamp("D:\\NEU\\ZANTORIK\\ZKSTART.EXE"), 125000000000000000);
    const std::string made = "D:\\NEU\\ZANTORIK\\";
    EXPECT_EQ(std::tuple(fake.files.Exists(made + "SAVE.DAT"), fake.files.DirExists(made + "TEXTE.TXT")), std::tuple(false, true));
    const RecordedProgress& p = rig.progress;
    EXPECT_EQ(p.log.front(), "begin Noch zu Kopieren " + std::to_string(kGameSize + 3));
    EXPECT_EQ(p.Of("done").back() + " " + p.Of("left").back() + " " + p.Of("free").back(),
              std::to_string(kGameSize + 3) + " 0 " + std::to_string(1000000 - kGameSize - 3));
    EXPECT_FALSE(engine.FreeDisplayOff);  // a made folder does not count as a still drive
    const std::string foreign = "Fremde, nicht dazugehörige Datei: ";
    EXPECT_EQ(p.Of("status"), (std::vector<std::string>{foreign + "ALT.EXE", foreign + "ALT.TXT", foreign + "TEXTE.TXT",
                                                        "ZANTORIK-Hauptprogramm", "Ruvalin, der ParameterManager für ZANTORIK",
                                                        "Texte zu Thema 1", "ZANTORIK-Hilfedatei, Anleitung"}));
}

TEST_F(Copy, A20000ByteFileGoesInThreeBlocksWithTheDisplayFollowing) {
    fake.files.AddFile("C:\\GAME\\ZANTORIK.EXE", std::string(20000, 'Z')), fake.files.Drive('D').free = 100000;
    ASSERT_TRUE(rig.Prepare("c:\\game", "d:\\"));
    rig.plan.total = 25000;  // 5000 bytes still to come after it
    EXPECT_TRUE(engine.CopyAll(rig.plan));
    EXPECT_EQ(Io("read", "C:\\GAME\\ZANTORIK.EXE"), (std::vector<int64_t>{8192, 8192, 3616, 0}));  // the last read finds the end
    EXPECT_EQ(Io("write", "D:\\ZANTORIK\\ZANTORIK.EXE"), (std::vector<int64_t>{8192, 8192, 3616}));
    const RecordedProgress& p = rig.progress;
    EXPECT_EQ(p.Of("left"), (std::vector<std::string>{"16808", "8616", "5000", "5000"}));
    EXPECT_EQ(p.Of("done"), (std::vector<std::string>{"8192", "16384", "20000", "20000"}));
    // The free space is read after every block, and once more for the file.
    EXPECT_EQ(p.Of("free"), (std::vector<std::string>{"91808", "83616", "80000", "80000", "80000"}));
    EXPECT_FALSE(engine.FreeDisplayOff);
}

// A free count that does not move (a still drive, an empty file) switches the free display off.
TEST_F(Copy, FreeSpaceThatStandsStillSwitchesToAktualisieren) {
    Game("C:\\GAME");
    fake.files.Drive('D').freeFollows = false;
    EXPECT_TRUE(rig.Run("c:\\game", "d:\\"));
    EXPECT_EQ(std::tuple(engine.FreeDisplayOff, rig.progress.log.back()), std::tuple(true, "free off"));
    // After the first file only the two readings per file remain.
    fake.files.freeReads = 0, rig.progress.log.clear();
    EXPECT_EQ(engine.CopyListedFile(rig.plan, rig.plan.files[0]), 0);
    EXPECT_EQ(fake.files.freeReads, 2);
    EXPECT_EQ(rig.progress.Of("free"), std::vector<std::string>{"off"});

    fake.files = FakeFileSystem();
    fake.files.AddFile("C:\\GAME\\ZANTORIK.EXE", ""), fake.files.AddFile("C:\\GAME\\ZKSTART.EXE", "0123456789");
    fake.files.Drive('D').free = 5000;
    rig.progress.log.clear();
    EXPECT_TRUE(rig.Run("c:\\game", "d:\\"));
    // One reading in the empty file's only (empty) block, none in the next file's.
    EXPECT_EQ(rig.progress.Of("free"), (std::vector<std::string>{"5000", "off", "off"}));
}

// Mended: an earlier copy is overwritten also when read-only, hidden or a system file.
TEST_F(Copy, AnEarlierCopyIsOverwritten) {
    using namespace platform;
    fake.files.AddFile("C:\\GAME\\ZANTORIK.EXE", "new and short");
    fake.files.SetFileStamp("C:\\GAME\\ZANTORIK.EXE", 120000000000000000);
    const uint32_t guarded = faReadOnly | faHidden | faSysFile;
    for (uint32_t marks : {0u, uint32_t{faReadOnly}, uint32_t{faHidden}, uint32_t{faSysFile}, guarded | faArchive}) {
        fake.files.AddFile("D:\\ZANTORIK\\ZANTORIK.EXE", std::string(50000, 'o'), marks);
        EXPECT_TRUE(rig.Run("c:\\game", "d:\\")) << marks;
        EXPECT_EQ(std::tuple(fake.files.Content("D:\\ZANTORIK\\ZANTORIK.EXE"), fake.files.Stamp("D:\\ZANTORIK\\ZANTORIK.EXE")),
                  std::tuple("new and short", 120000000000000000)) << marks;
        EXPECT_EQ(*fake.files.Attributes("D:\\ZANTORIK\\ZANTORIK.EXE") & guarded, 0u) << marks;
    }
}

// Mended: a failed file leaves no half file; the first stays, the third is never begun.
TEST_F(Copy, AWriteFailingInTheMiddleOfTheSecondFile) {
    const std::string one(10000, '1'), two(20000, '2'), three(3000, '3');
    fake.files.AddFile("C:\\GAME\\ZANTORIK.EXE", one), fake.files.AddFile("C:\\GAME\\ZKSTART.EXE", two);
    fake.files.AddFile("C:\\GAME\\ZANTORIK.HLP", three), fake.files.Drive('D');
    fake.files.failWriteAfter["d:\\zantorik\\zkstart.exe"] = 12000;
    EXPECT_FALSE(rig.Run("c:\\game", "d:\\"));
    EXPECT_EQ(std::tuple(fake.files.Content("D:\\ZANTORIK\\ZANTORIK.EXE"), fake.files.Content("C:\\GAME\\ZKSTART.EXE")), std::tuple(one, two));
    EXPECT_EQ(std::tuple(fake.files.Exists("D:\\ZANTORIK\\ZKSTART.EXE"), fake.files.Exists("D:\\ZANTORIK\\ZANTORIK.HLP")),
              std::tuple(false, false));
    EXPECT_EQ(rig.progress.Of("status").back(), "Ruvalin, der ParameterManager für ZANTORIK");
    EXPECT_EQ(rig.progress.Of("left").back(), std::to_string(3000 + 20000 - 8192));  // one block went through
    EXPECT_TRUE(rig.progress.Of("error").empty());  // the setup window tells the failure itself
    EXPECT_EQ(std::tuple(Io("close", "C:\\GAME\\ZKSTART.EXE").size(), Io("close", "D:\\ZANTORIK\\ZKSTART.EXE").size()), std::tuple(1u, 1u));
}

TEST_F(Copy, EveryFailureOfOneFileGivesCode5AndLeavesNoHalfFile) {
    const struct { const char* what; std::function<void(FakeFileSystem&)> fault; bool oldTargetStays; } cases[] = {
        {"read error", [](auto& f) { f.failReadAfter["C:\\GAME\\ZANTORIK.EXE"] = 8192; }, false},
        {"source cannot be opened", [](auto& f) { f.failOpen.insert("C:\\GAME\\ZANTORIK.EXE"); }, true},
        {"target cannot be created", [](auto& f) { f.failOpen.insert("D:\\ZANTORIK\\TEXTE\\ZANTORIK.EXE"); }, true},
        {"folder cannot be made", [](auto& f) { f.failCreateDir.insert("D:\\ZANTORIK\\TEXTE"); }, true},
        {"disk full", [](auto& f) { f.Drive('D').free = 9000; }, false},
    };
    for (const auto& c : cases) {
        fake.files = FakeFileSystem();
        fake.files.AddFile("C:\\GAME\\ZANTORIK.EXE", std::string(20000, 'Z')), fake.files.Drive('D');
        c.fault(fake.files);
        const bool hadOld = fake.files.Exists("D:\\ZANTORIK\\TEXTE\\ZANTORIK.EXE");
        CopyPlan plan{"c:\\game\\", "d:\\", 'D', "C:\\GAME", "D:\\ZANTORIK\\TEXTE", {}, 0, 0};
        EXPECT_EQ(engine.CopyListedFile(plan, {"\\ZANTORIK.EXE", 20000, false}), 5) << c.what;
        EXPECT_EQ(fake.files.Exists("D:\\ZANTORIK\\TEXTE\\ZANTORIK.EXE"), hadOld && c.oldTargetStays) << c.what;
        EXPECT_EQ(fake.files.Content("C:\\GAME\\ZANTORIK.EXE"), std::string(20000, 'Z')) << c.what;
    }
}

TEST_F(Copy, ForcePath) {
    fake.files.Drive('D');
    EXPECT_EQ(std::tuple(engine.ForcePath("d:\\a\\b\\c\\datei.exe"), engine.ForcePath("d:\\x\\y\\")), std::tuple(true, true));
    EXPECT_EQ(std::tuple(fake.files.DirExists("D:\\A\\B\\C"), fake.files.DirExists("D:\\X\\Y"), fake.files.Exists("D:\\A\\B\\C\\DATEI.EXE")),
              std::tuple(true, true, false));
    fake.files.failCreateDir.insert("D:\\P\\Q");
    EXPECT_FALSE(engine.ForcePath("d:\\p\\q\\r\\f.txt"));
    EXPECT_EQ(std::tuple(fake.files.DirExists("D:\\P"), fake.files.Exists("D:\\P\\Q\\R")), std::tuple(true, false));
}

// Mended: a zip run that wrote nothing (no folder, a failed add, no read-back) says so; a file there that is no
// archive (told by the component, which drops the name) is not added to.
TEST_F(Copy, TheZipRun) {
    std::unique_ptr<RecordingZip> zip;
    const std::string noFolder = "Der Zielordner c:\\datei.txt kann nicht angelegt werden, denn ";
    const struct { const char* what; std::string target; std::function<void()> fault;
        bool ok; size_t logged; std::string archive, told; } cases[] = {
        {"into a folder it makes", "c:\\ziel", [] {}, true, 6, "C:\\ZIEL\\ZANTORIK.ZIP", ""},
        {"into a drive root", "c:", [] {}, true, 6, "C:\\ZANTORIK.ZIP", ""},
        {"a file as target", "c:\\datei.txt", [&] { fake.files.AddFile("C:\\DATEI.TXT", "x"); }, false, 0, "",
         noFolder + "dort liegt schon eine Datei dieses Namens."},
        {"a folder refused", "c:\\datei.txt", [&] { fake.files.failCreateDir.insert("C:\\DATEI.TXT"); }, false, 0, "",
         noFolder + "der Zugriff ist nicht erlaubt."},
        {"an add that fails", "c:\\ziel", [&] { zip->refuse = {"ZKSTART.EXE"}; }, false, 3, "", ""},
        {"no read-back", "c:\\ziel", [&] { zip->forget = true; }, false, 6, "", ""},
        {"no archive there", "c:\\ziel", [&] { zip->notAnArchive = true; }, false, 1, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fake.files = FakeFileSystem();
        Game("D:\\ZANTORIK"), fake.files.AddFile("D:\\ZANTORIK\\ALT.EXE\\ALT.TXT", "alt"), fake.files.Drive('C');
        zip = std::make_unique<RecordingZip>(fake.files), rig.progress.log.clear();
        c.fault();
        ASSERT_TRUE(rig.Prepare("d:\\zantorik", c.target));
        EXPECT_EQ(engine.ZipAll(rig.plan, *zip), c.ok);
        EXPECT_EQ(zip->log.size(), c.logged);  // the name, then each add
        EXPECT_EQ(rig.progress.Of("error"), c.told.empty() ? Lines{} : Lines{c.told});
        if (!c.ok) continue;
        EXPECT_EQ(zip->log.front() + "|" + zip->log[1], "name " + c.target + "\\zantorik.zip|add ZANTORIK.EXE from D:\\ZANTORIK");
        const auto& archive = zip->archives[c.archive];
        EXPECT_EQ(std::tuple(archive.size(), archive.at("ALT.EXE\\ALT.TXT"), archive.at("TEXTE\\THEMA.{1}")),
                  std::tuple(5u, "alt", "Thema eins"));
        EXPECT_FALSE(fake.files.Exists("C:\\ZIEL\\ZANTORIK"));  // no game folder for an archive
        const RecordedProgress& p = rig.progress;
        EXPECT_EQ(p.Of("status").front() + "|" + p.Of("begin").front(),
                  "Dateien werden gezippt...|Noch zu Zippen " + std::to_string(kGameSize + 3));
        EXPECT_EQ(p.Of("left"), (std::vector<std::string>{"22", "17", "7", "3", "0"}));
        EXPECT_EQ(std::tuple(p.Of("done").back(), p.Of("free").size()), std::tuple(std::to_string(kGameSize + 3), 5u));
    }
}

using platform::faHidden;
using platform::faReadOnly;
using platform::faSysFile;

TEST(MatchesPattern, Table) {
    const std::string game = kGamePattern;
    const struct { const char* name; std::string pattern; bool matches; } cases[] = {
        {"ZANTORIK.EXE", game, true}, {"zkzip.dll", game, true}, {"Zantorik.Hlp", game, true},
        {"README.TXT", game, true},   {"ZANTORIK.PIF", game, true}, {"FILE_ID.DIZ", game, true},
        {"THEMA.{1}", game, true},    {"THEMA.{x}", game, true},    {"KÄSE.TXT", game, true},
        {"NOTESTXT", game, true},  // the last three characters, no dot needed
        {"{ä}", game, true},       // one character between the braces, however it is stored
        {"README", game, false},      {"SAVE.DAT", game, false},    {"THEMA.{12}", game, false},
        {"THEMA.(1)", game, false},   {"XE", game, false},          {"", game, false},
        {"A.EX", game, false},        {"MENU.EXÄ", game, false},    {"anything", "", true},       {"x", "", true},
        {"DATEI.äöü", "ÄÖÜ", true},  // both sides upper-cased the German way
        {"A.B?C", "B?C", true},       {"A.XYZ", "???", true},
        {"A.X1Z", "X?ZQ?Q", false},  // a later wildcard group that misses takes back an earlier hit
        {"A.X1Z", "Q?QX?Z", true},   {"A.ABC", "ABD", false},
        {"A.ABC", "ABCQ?Q", true},   // but an exact hit ends the test at once
    };
    for (const auto& c : cases) EXPECT_EQ(MatchesPattern(c.name, c.pattern), c.matches) << c.name << " " << c.pattern;
}

TEST(DescribeFile, Catalogue) {
    const std::string foreign = "Fremde, nicht dazugehörige Datei: ";
    const std::pair<const char*, std::string> cases[] = {
        {"\\ZKZIP.DLL", "Kompressions-Bibliothek"}, {"\\FILE_ID.DIZ", "Archiv-Information"},
        {"\\ZKSTART.EXE", "Ruvalin, der ParameterManager für ZANTORIK"}, {"\\ZANTORIK.EXE", "ZANTORIK-Hauptprogramm"},
        {"\\ZANTORIK.HLP", "ZANTORIK-Hilfedatei, Anleitung"},
        {"\\ZANTORIK.PIF", "Schnittstelle zwischen Ruvalin und ZANTORIK"},
        {"\\ZANTORIK.TXT", "ZANTORIKKurz-Anleitung"}, {"\\TEXTE\\THEMA.{7}", "Texte zu Thema 7"},
        {"\\A\\B\\C\\THEMA.{x}", "Texte zu Thema x"},
        {"\\SUB\\ZANTORIK.EXE", "ZANTORIK-Hauptprogramm"},  // only the bare name counts
        {"\\SETUP.EXE", foreign + "SETUP.EXE"}, {"\\README.TXT", foreign + "README.TXT"},
        {"\\Zantorik.EXE", foreign + "ZANTORIK.EXE"},  // letter case matters in the catalogue
        {"\\müll.Dll", foreign + "MÜLL.DLL"}, {"\\SAVE.DAT", foreign + "SAVE.DAT"},
        {"\\zkstart.exe", "-"}, {"\\readme.txt", "-"},  // kinds e and t are none of the catalogue's
        {"\\A.B", "-"}, {"\\A.E", "-"}, {"", "-"},      // four characters or fewer
        {"\\NOTESTXT", "-"},                            // no dot: the kind is the first letter, N
        {"\\EXTRATXT", foreign + "EXTRATXT"}, {"\\ARCHIV.ZIP", "-"},
    };
    for (const auto& [line, text] : cases) EXPECT_EQ(DescribeFile(line), text) << line;
}

struct Walk : ::testing::Test {
    platform::FakePlatform fake;
    std::vector<ListedFile> files;
    std::pair<int32_t, Lines> Run(const std::string& folder = "C:\\GAME") {  // the total and the lines listed
        files = {{"stale"}};
        std::pair<int32_t, Lines> out{ListSourceFiles(fake.files, folder, kGamePattern, files), {}};
        for (const ListedFile& f : files) out.second.push_back(f.line);
        return out;
    }
};

// Depth-first; a folder named like a game file is listed and entered, a "." folder is not; lines cut at 255.
TEST_F(Walk, ListsTheGameFilesDepthFirstInTheFileSystemsOrder) {
    const std::string deep = "\\1\\2\\3\\4\\5\\6\\7\\8\\9\\10\\11\\12\\DEEP.TXT", longName(300, 'N');
    for (const auto& [name, content] : std::vector<std::pair<std::string, std::string>>{
             {"\\ZANTORIK.EXE", std::string(1000, 'e')}, {"\\TEXTE\\THEMA.{1}", "eins"}, {"\\TEXTE\\THEMA.{2}", "zwei!"},
             {"\\ZANTORIK.HLP", std::string(30, 'h')}, {"\\SAVE.DAT", std::string(999, 'd')}, {"\\ALT.EXE\\OLD.EXE", "123"},
             {"\\.GIT\\HOOK.EXE", "never"}, {"\\.HIDDEN.TXT", "ab"}, {deep, "deep"}, {"\\" + longName + ".EXE", "x"}})
        fake.files.AddFile("C:\\GAME" + name, content);
    fake.files.SetAttributes("C:\\GAME\\ZANTORIK.HLP", faHidden | faSysFile | faReadOnly);
    EXPECT_EQ(Run(), std::pair(1000 + 4 + 5 + 30 + 3 + 2 + 4 + 1, Lines{"\\ZANTORIK.EXE", "\\TEXTE\\THEMA.{1}", "\\TEXTE\\THEMA.{2}",
        "\\ZANTORIK.HLP", "\\ALT.EXE", "\\ALT.EXE\\OLD.EXE", "\\.HIDDEN.TXT", deep, "\\" + longName.substr(0, 254)}));
    EXPECT_EQ(std::tuple(files[4].folder, files[4].size, files[5].folder, files[5].size), std::tuple(true, 0u, false, 3u));
}

TEST_F(Walk, EmptyMissingAndUnreadableFolders) {
    fake.files.AddDir("C:\\GAME");
    EXPECT_EQ(Run(), std::pair(0, Lines{}));
    EXPECT_EQ(Run("C:\\NOWHERE"), std::pair(0, Lines{}));
    for (const char* name : {"A.EXE", "LOCKED\\B.EXE", "C.EXE"}) fake.files.AddFile(std::string("C:\\GAME\\") + name, "1");
    fake.files.failOpenDir.insert("c:\\game\\locked");
    EXPECT_EQ(Run(), std::pair(2, Lines{"\\A.EXE", "\\C.EXE"}));
}

#ifndef _WIN32
// Over real files: a link to a folder is not followed, so a loop cannot make the walk go round.
TEST_F(Walk, FollowsNoLinks) {
    const HostScratch root("zkwalk");
    root.Write("GAME/ZANTORIK.EXE", "exe"), root.Write("GAME/SUB/THEMA.{1}", "t1"), root.Write("ELSEWHERE/FREMD.EXE", "fremd");
    std::filesystem::create_directory_symlink(root.Path("GAME"), root.Path("GAME/SUB/LOOP"));
    std::filesystem::create_directory_symlink(root.Path("ELSEWHERE"), root.Path("GAME/LINK"));
    fake.files.Drive('H').hostFolder = root.Root();
    auto [total, list] = Run("H:\\GAME");
    std::sort(list.begin(), list.end());  // the host lists in its own order
    EXPECT_EQ(std::pair(total, list), std::pair(5, Lines{"\\SUB\\THEMA.{1}", "\\ZANTORIK.EXE"}));
}
#endif

}  // namespace zk::test
