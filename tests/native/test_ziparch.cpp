// The archive component: properties and their setter rules, messages, the
// library through the fake run-time libraries, the command record, the
// callback codes and the password paths.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>

#include "zip_fixture.h"

namespace zk::test {
namespace {

using platform::mrCancel;
using platform::mrOk;

class ZipArch : public ZipFixture {};

// ---- properties ----

TEST_F(ZipArch, CreationSetsTheDefaultsOfEveryProperty) {
    EXPECT_FALSE(zip.Verbose);
    EXPECT_FALSE(zip.Trace);
    EXPECT_EQ(zip.AddCompLevel, 9);
    EXPECT_TRUE(zip.AddOptions.Empty());
    EXPECT_EQ(zip.ExtrBaseDir, "");
    EXPECT_TRUE(zip.ExtrOptions.Empty());
    EXPECT_EQ(zip.SFXOptions, SFXOpts{SFXCheckSize});
    EXPECT_TRUE(zip.FSpecArgs.empty());
    EXPECT_FALSE(zip.Unattended);
    EXPECT_EQ(zip.ZipFileName(), "");
    EXPECT_EQ(zip.Password(), "");
    EXPECT_EQ(zip.SFXPath, "ZkSFX.bin");
    EXPECT_EQ(zip.DLLDirectory(), "");
    EXPECT_EQ(zip.SFXOverWriteMode, OvrConfirm);
    EXPECT_EQ(zip.SFXCaption, "Self-extracting Archive");
    EXPECT_EQ(zip.SFXDefaultDir + zip.SFXCommandLine + zip.SFXMessage + zip.TempDir, "");
    EXPECT_EQ(zip.KeepFreeOnDisk1, 0);
    EXPECT_EQ(zip.MaxVolumeSize, 0);
    EXPECT_EQ(zip.MinFreeVolumeSize, 65536);
    EXPECT_TRUE(zip.ConfirmErase);
    EXPECT_EQ(zip.CodePage, cpAuto);
    EXPECT_EQ(zip.HowToDelete, htdAllowUndo);
    EXPECT_EQ(zip.VersionInfo(), "1.60 L");
    EXPECT_TRUE(zip.SFXIcon.Empty());
    EXPECT_EQ(zip.AddStoreSuffixes.Bits(), 0x7FFu);  // all but assEXE
    EXPECT_EQ(zip.PasswordReqCount(), 1u);
    EXPECT_TRUE(zip.FSpecArgsExcl.empty());
    EXPECT_FALSE(zip.UseDirOnlyEntries);
    EXPECT_EQ(zip.RootDir(), "");
    EXPECT_FALSE(zip.Busy);
    EXPECT_FALSE(zip.Cancel);
    EXPECT_EQ(zip.OwnerWindow, nullptr);
}

TEST_F(ZipArch, OwnerWindowIsTheApplicationsMainWindowAtCreation) {
    int window = 0;
    fake.app.mainWindow = &window;
    TZipArchiver other(platform);
    EXPECT_EQ(other.OwnerWindow, &window);
}

TEST_F(ZipArch, OrdinalsAreBitNumbers) {
    struct Case {
        uint32_t bits, expected;
    } cases[] = {
        {AddOpts{AddDirNames}.Bits(), 1u << 0},
        {AddOpts{AddFreshen, AddUpdate}.Bits(), 1u << 3 | 1u << 4},
        {AddOpts{AddEncrypt}.Bits(), 1u << 10},
        {AddOpts{AddDiskSpanErase}.Bits(), 1u << 14},
        {AddOpts::All().Bits(), 0x7FFFu},
        {AddStoreExts{assEXE}.Bits(), 1u << 11},
        {AddStoreExts{assLHA}.Bits(), 1u << 10},
        {ExtrOpts{ExtrTest}.Bits(), 1u << 4},
        {SFXOpts{SFXNoSuccessMsg}.Bits(), 1u << 5},
        {static_cast<uint32_t>(OvrNever), 2},
        {static_cast<uint32_t>(cpOEM), 2},
        {static_cast<uint32_t>(htdAllowUndo), 1},
        {static_cast<uint32_t>(ProgressTotal), 4},
    };
    for (const Case& c : cases) EXPECT_EQ(c.bits, c.expected);
    EXPECT_STREQ(kStoreSuffixTexts[assZ], "z");
    EXPECT_STREQ(kStoreSuffixTexts[assEXE], "exe");
}

TEST_F(ZipArch, SetterRules) {
    struct Case {
        std::function<void()> set;
        std::function<std::string()> get;
        std::string expected;
    } cases[] = {
        {[&] { zip.SetDLLDirectory("C:\\LIB\\"); }, [&] { return zip.DLLDirectory(); }, "C:\\LIB"},
        {[&] { zip.SetDLLDirectory("C:\\LIB"); }, [&] { return zip.DLLDirectory(); }, "C:\\LIB"},
        {[&] { zip.SetDLLDirectory("C:\\LIB\\\\"); }, [&] { return zip.DLLDirectory(); }, "C:\\LIB\\"},
        {[&] { zip.SetDLLDirectory(""); }, [&] { return zip.DLLDirectory(); }, ""},
        {[&] { zip.SetRootDir("C:\\GAME"); }, [&] { return zip.RootDir(); }, "C:\\GAME\\"},
        {[&] { zip.SetRootDir("C:\\GAME\\"); }, [&] { return zip.RootDir(); }, "C:\\GAME\\"},
        {[&] { zip.SetRootDir(""); }, [&] { return zip.RootDir(); }, ""},
        {[&] { zip.SetPasswordReqCount(20); }, [&] { return std::to_string(zip.PasswordReqCount()); }, "15"},
        {[&] { zip.SetPasswordReqCount(15); }, [&] { return std::to_string(zip.PasswordReqCount()); }, "15"},
        {[&] { zip.SetPasswordReqCount(0xFFFFFFFFu); }, [&] { return std::to_string(zip.PasswordReqCount()); }, "15"},
        {[&] { zip.SetPasswordReqCount(3); }, [&] { return std::to_string(zip.PasswordReqCount()); }, "3"},
        {[&] { zip.SetVersionInfo("9.99"); }, [&] { return zip.VersionInfo(); }, "1.60 L"},
        {[&] { zip.SetPassword(std::string(300, 'x')); }, [&] { return std::to_string(zip.Password().size()); }, "255"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        cases[i].set();
        EXPECT_EQ(cases[i].get(), cases[i].expected) << "case " << i;
    }
    // Characters count, not bytes.
    std::string umlauts;
    for (int i = 0; i < 300; ++i) umlauts += "ä";
    zip.SetPassword(umlauts);
    EXPECT_EQ(zip.Password().size(), 255u * 2);
}

TEST_F(ZipArch, SettingTheArchiveReadsItsDirectoryUnlessDesigning) {
    zip.designing = true;
    zip.SetZipFileName("C:\\ZIP\\NONE.ZIP");
    EXPECT_EQ(dirUpdates, 0);
    EXPECT_EQ(zip.ZipFileName(), "C:\\ZIP\\NONE.ZIP");
    zip.designing = false;
    zip.SetZipFileName("C:\\ZIP\\NONE.ZIP");
    EXPECT_EQ(dirUpdates, 1);
}

// ---- messages ----

TEST_F(ZipArch, MessageTextFallsBackToTheMissingTextWithTheNumber) {
    EXPECT_EQ(MessageText(10301),
              "The message table is probably not linked to the executable\nMissing String ID is: 10301");
    EXPECT_EQ(MessageText(11034, "Please insert disk volume %.1d of %.1d"), "Please insert disk volume %.1d of %.1d");
    ZipMessageTable()[10301] = "Nichts zu tun";
    EXPECT_EQ(MessageText(10301), "Nichts zu tun");
    EXPECT_EQ(MessageText(10301, "fallback"), "Nichts zu tun");
}

// Every number the code names (zm... = number) has a German text, and the
// texts that take arguments keep their formats.
TEST_F(ZipArch, EveryMessageNumberHasAGermanText) {
    std::string root = ZK_SOURCE_DIR;
#ifdef _WIN32
    root = "Z:" + root;  // the host's root under Wine
#endif
    const std::regex number(R"(\bzm\w+\s*=\s*(1\d{4})\b)");
    std::set<int> numbers;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root + "/zkstart/archiver")) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path());
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (std::sregex_iterator m(text.begin(), text.end(), number), end; m != end; ++m)
            numbers.insert(std::stoi((*m)[1]));
    }
    EXPECT_GT(numbers.size(), 60u);
    const auto& de = ZipMessagesDE();
    for (int n : numbers) EXPECT_TRUE(de.count(n)) << "no text for " << n;

    ZipMessageTable() = de;
    EXPECT_EQ(FormatMessageArg(FormatMessageArg(MessageText(11034), 1), 3) + FormatMessageArg(MessageText(11035), "A:\\"),
              "Bitte lege Diskette 1 von 3 ein\r\nin Laufwerk A:\\");
    EXPECT_EQ(EZipArchiver::CreateResStr(11004, "Q:\\").what(), std::string("Laufwerk Q:\\ nicht bereit!"));
    EXPECT_EQ(EZipArchiver::CreateResInt(10304, -9).what(),
              std::string("Der Selbstentpacker konnte nicht geschrieben werden (Fehler -9)."));
    EXPECT_EQ(MessageText(99999), std::string(kMissingMessage) + "99999");
}

TEST_F(ZipArch, FormatsOneArgument) {
    struct Case {
        std::string text;
        long long number;
        std::string expected;
    } numbers[] = {
        {"Disk %d", 7, "Disk 7"},
        {"volume %.1d of %.1d", 1, "volume 1 of %.1d"},
        {"[%3d]", 5, "[  5]"},
        {"[%-3d]", 5, "[5  ]"},
        {"[%.3d]", -5, "[-005]"},
        {"%x!", 255, "FF!"},
        {"100%% von %d", 3, "100% von 3"},
        {"kein Platz", 3, "kein Platz"},
        {"Nr. %s", 12, "Nr. 12"},
    };
    for (const Case& c : numbers) EXPECT_EQ(FormatMessageArg(c.text, c.number), c.expected) << c.text;
    EXPECT_EQ(FormatMessageArg("Laufwerk %s fehlt", std::string("A:\\")), "Laufwerk A:\\ fehlt");
    EXPECT_EQ(FormatMessageArg("[%.2s]", std::string("äöü")), "[äö]");
    EXPECT_EQ(FormatMessageArg("[%5s]", std::string("ab")), "[   ab]");
}

TEST_F(ZipArch, ReportMessageShowsAPlainBoxAndTellsOnMessage) {
    fake.dialogs.Answer(mrOk);
    zip.ReportMessage(10301, " (C:\\X)");
    ASSERT_EQ(fake.dialogs.shown.size(), 1u);
    const platform::DialogRequest& box = fake.dialogs.shown[0];
    EXPECT_EQ(box.type, platform::DlgType::Custom);
    EXPECT_EQ(box.title, "Ruvalin ZANTORIK-Starter");
    EXPECT_EQ(box.text, Missing(10301) + " (C:\\X)");
    EXPECT_EQ(box.captions, std::vector<std::string>{"OK"});
    EXPECT_EQ(zip.LastMessage, Missing(10301) + " (C:\\X)");
    EXPECT_EQ(zip.ErrorCode, 10301);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].code, 0);
    EXPECT_EQ(messages[0].text, zip.LastMessage);

    zip.Unattended = true;
    zip.ReportMessage(10102);
    EXPECT_EQ(fake.dialogs.shown.size(), 1u);
    EXPECT_EQ(zip.ErrorCode, 10102);
    EXPECT_EQ(messages.size(), 2u);
}

TEST_F(ZipArch, ExceptionsComeInThreeWays) {
    EZipArchiver quiet = EZipArchiver::CreateResDisp(11007, false);
    EXPECT_FALSE(quiet.ShowToUser);
    EXPECT_EQ(quiet.MessageNumber, 11007);
    EXPECT_EQ(std::string(quiet.what()), Missing(11007));
    EXPECT_TRUE(EZipArchiver::CreateResDisp(11036, true).ShowToUser);

    // Without a text the argument is dropped.
    EZipArchiver withInt = EZipArchiver::CreateResInt(11038, 3);
    EXPECT_TRUE(withInt.ShowToUser);
    EXPECT_EQ(std::string(withInt.what()), Missing(11038));
    EZipArchiver withText = EZipArchiver::CreateResStr(11004, "Q:\\");
    EXPECT_TRUE(withText.ShowToUser);
    EXPECT_EQ(std::string(withText.what()), Missing(11004));

    ZipMessageTable()[11038] = "Kein Verzeichnis auf Diskette %d";
    ZipMessageTable()[11004] = "Laufwerk %s nicht lesbar";
    EXPECT_EQ(std::string(EZipArchiver::CreateResInt(11038, 3).what()), "Kein Verzeichnis auf Diskette 3");
    EXPECT_EQ(std::string(EZipArchiver::CreateResStr(11004, "Q:\\").what()), "Laufwerk Q:\\ nicht lesbar");
}

TEST_F(ZipArch, ACaughtExceptionIsShownOnlyWhenItAsksAndNotUnattended) {
    struct Case {
        bool show, unattended;
        size_t boxes;
    } cases[] = {{true, false, 1}, {false, false, 0}, {true, true, 0}, {false, true, 0}};
    for (const Case& c : cases) {
        fake.dialogs.shown.clear();
        messages.clear();
        if (c.boxes) fake.dialogs.Answer(mrOk);
        zip.Unattended = c.unattended;
        zip.ReportException(EZipArchiver::CreateResDisp(11036, c.show));
        EXPECT_EQ(fake.dialogs.shown.size(), c.boxes);
        EXPECT_EQ(zip.ErrorCode, 11036);
        EXPECT_EQ(zip.LastMessage, Missing(11036));
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].code, 0);
    }
}

// ---- the library ----

int32_t ZK_STDCALL Version160() { return 160; }
int32_t ZK_STDCALL Version150() { return 150; }
int32_t ZK_STDCALL ExecNothing(ZipCommand*) { return 0; }

std::map<std::string, void*> FullLibrary(GetZkZipVersionFn version = Version160) {
    return {{"ZkZipExec", reinterpret_cast<void*>(ExecNothing)}, {"GetZkZipVersion", reinterpret_cast<void*>(version)}};
}

class ZipLibraryTest : public ZipFixture {
protected:
    ZipLibraryTest() { zip.Unattended = true; }
};

TEST_F(ZipLibraryTest, LoadsFromTheLibraryFolderWhenTheFileIsThere) {
    fake.files.AddFile("C:\\LIB\\ZKZIP.DLL", "MZ");
    fake.dynlib.Add("C:\\LIB\\ZKZIP.DLL", FullLibrary(Version150));
    fake.dynlib.Add("ZKZIP.DLL", FullLibrary());
    zip.SetDLLDirectory("C:\\LIB\\");
    EXPECT_EQ(zip.DLLDirectory(), "C:\\LIB");
    zip.LoadZipLibrary();
    EXPECT_EQ(fake.dynlib.loads, std::vector<std::string>{"C:\\LIB\\ZKZIP.DLL"});
    EXPECT_NE(TZipArchiver::ZipLibraryHandle(), 0u);
    EXPECT_EQ(TZipArchiver::GetZkZipVersionEntry()(), 150);
    EXPECT_NE(TZipArchiver::ZkZipExecEntry(), nullptr);
    EXPECT_TRUE(messages.empty());
    // Quiet while loading, back to 0 afterwards.
    EXPECT_EQ(fake.dynlib.loadErrorModes, std::vector<unsigned>{3});
    EXPECT_EQ(fake.files.errorModes, (std::vector<unsigned>{3, 0}));
}

TEST_F(ZipLibraryTest, LoadsByThePlainNameWhenTheFolderLacksIt) {
    fake.dynlib.Add("C:\\LIB\\ZKZIP.DLL", FullLibrary(Version150));  // not on the disk
    fake.dynlib.Add("ZKZIP.DLL", FullLibrary());
    zip.SetDLLDirectory("C:\\LIB\\");
    zip.LoadZipLibrary();
    EXPECT_EQ(fake.dynlib.loads, std::vector<std::string>{"ZKZIP.DLL"});
    EXPECT_EQ(TZipArchiver::GetZkZipVersionEntry()(), 160);
}

TEST_F(ZipLibraryTest, LoadFailuresAndMissingEntryPoints) {
    struct Case {
        std::map<std::string, void*> entries;  // empty: no library at all
        bool throws;
        std::vector<int> reported;
        bool loaded;
    } cases[] = {
        {{}, false, {10604}, false},
        {{}, true, {10604}, false},
        {{{"GetZkZipVersion", reinterpret_cast<void*>(Version160)}}, false, {10602}, true},
        {{{"ZkZipExec", reinterpret_cast<void*>(ExecNothing)}}, false, {10603}, true},
        {{{"zkzipexec", reinterpret_cast<void*>(ExecNothing)}}, false, {10602, 10603}, true},
        {FullLibrary(), false, {}, true},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        messages.clear();
        fake.dynlib.Remove("ZKZIP.DLL");
        if (!c.entries.empty()) fake.dynlib.Add("ZKZIP.DLL", c.entries);
        fake.dynlib.throwOnLoad = c.throws;
        zip.LoadZipLibrary();
        EXPECT_EQ(Numbers(), c.reported) << "case " << i;
        EXPECT_EQ(TZipArchiver::ZipLibraryHandle() != 0, c.loaded) << "case " << i;
        EXPECT_EQ(fake.files.errorMode, 0u);
        TZipArchiver::UnloadZipLibrary();
        EXPECT_EQ(fake.dynlib.OpenCount(), 0u) << "case " << i;
    }
}

TEST_F(ZipLibraryTest, TraceReportsTheLoading) {
    fake.dynlib.Add("ZKZIP.DLL", FullLibrary());
    zip.Trace = true;
    zip.LoadZipLibrary();
    EXPECT_EQ(Numbers(), std::vector<int>{10601});
}

TEST_F(ZipLibraryTest, MissingLibraryIsShownUnlessUnattended) {
    zip.Unattended = false;
    fake.dialogs.Answer(mrOk);
    zip.LoadZipLibrary();
    ASSERT_EQ(fake.dialogs.shown.size(), 1u);
    EXPECT_EQ(fake.dialogs.shown[0].text, Missing(10604));
}

TEST_F(ZipLibraryTest, TheVersionLoadsAndFreesTheLibraryItLoaded) {
    fake.dynlib.Add("ZKZIP.DLL", FullLibrary(Version150));
    EXPECT_EQ(zip.GetZkZipVersion(), 150);
    EXPECT_EQ(TZipArchiver::ZipLibraryHandle(), 0u);
    EXPECT_EQ(fake.dynlib.OpenCount(), 0u);
    EXPECT_EQ(fake.dynlib.loads.size(), 1u);

    // Loaded before: it stays loaded.
    zip.LoadZipLibrary();
    platform::LibHandle held = TZipArchiver::ZipLibraryHandle();
    EXPECT_EQ(zip.GetZkZipVersion(), 150);
    EXPECT_EQ(TZipArchiver::ZipLibraryHandle(), held);
    EXPECT_EQ(fake.dynlib.OpenCount(), 1u);
    TZipArchiver::UnloadZipLibrary();
    EXPECT_EQ(TZipArchiver::ZipLibraryHandle(), 0u);
    EXPECT_EQ(fake.dynlib.OpenCount(), 0u);

    // Nothing to load: version 0 after the report.
    fake.dynlib.Remove("ZKZIP.DLL");
    EXPECT_EQ(zip.GetZkZipVersion(), 0);
    EXPECT_EQ(Numbers(), std::vector<int>{10604});
    // A library without the version entry has none either.
    fake.dynlib.Add("ZKZIP.DLL", {{"ZkZipExec", reinterpret_cast<void*>(ExecNothing)}});
    EXPECT_EQ(zip.GetZkZipVersion(), 0);
    EXPECT_EQ(fake.dynlib.OpenCount(), 0u);
}

TEST_F(ZipLibraryTest, TheHandleIsSharedByAllInstances) {
    fake.dynlib.Add("ZKZIP.DLL", FullLibrary());
    TZipArchiver other(platform);
    other.Unattended = true;
    zip.LoadZipLibrary();
    platform::LibHandle h = TZipArchiver::ZipLibraryHandle();
    other.LoadZipLibrary();  // already loaded: nothing new
    EXPECT_EQ(TZipArchiver::ZipLibraryHandle(), h);
    EXPECT_EQ(fake.dynlib.loads.size(), 1u);
    EXPECT_EQ(other.GetZkZipVersion(), 160);
    EXPECT_EQ(TZipArchiver::ZipLibraryHandle(), h);
}

// ---- the command ----

class ZipCommandTest : public ZipFixture {};

TEST_F(ZipCommandTest, PropertiesGoIntoTheFields) {
    int window = 0;
    zip.OwnerWindow = &window;
    zip.AddOptions = {AddRecurseDirs, AddMove, AddZipTime, AddForceDOS, AddHiddenFiles, AddEncrypt, AddVolume};
    zip.AddCompLevel = 6;
    zip.SetPassword("geheim");
    ZipCommandBlock block(false);
    zip.FillCommand(block, "C:\\ZIP\\GAME.ZIP", 160);
    const ZipCommand& c = block.New();
    EXPECT_EQ(c.handle, &window);
    EXPECT_EQ(c.caller, &zip);
    EXPECT_EQ(c.version, 160);
    EXPECT_EQ(c.callback, &TZipArchiver::ZipCallback);
    EXPECT_STREQ(c.archiveName, "C:\\ZIP\\GAME.ZIP");
    EXPECT_STREQ(c.password, "geheim");
    EXPECT_STREQ(c.storeSuffixes, ".gif:.png:.z:.zip:.zoo:.arc:.lzh:.arj:.taz:.tgz:.lha");
    EXPECT_EQ(c.level, 6);
    EXPECT_EQ(c.recurse, 0xFFFF);
    struct Field {
        int32_t value, expected;
        const char* name;
    } fields[] = {
        {c.trace, 0, "trace"},          {c.encrypt, -1, "encrypt"},     {c.hiddenFiles, -1, "hidden"},
        {c.volume, -1, "volume"},       {c.reserved28, 0, "0x28"},      {c.noDirEntries, -1, "noDirEntries"},
        {c.reserved30, 0, "0x30"},      {c.verbose, 0, "verbose"},      {c.reserved38, -1, "0x38"},
        {c.reserved44, 0, "0x44"},      {c.dropDirNames, -1, "drop"},   {c.reserved50, -1, "0x50"},
        {c.forceDOS, -1, "forceDOS"},   {c.move, -1, "move"},           {c.reserved5C, 0, "0x5C"},
        {c.update, 0, "update"},        {c.freshen, 0, "freshen"},      {c.reserved68, 0, "0x68"},
        {c.keepArchiveTime, -1, "time"}, {c.argCount, 0, "argCount"},   {c.endMark, 0, "endMark"},
    };
    for (const Field& f : fields) EXPECT_EQ(f.value, f.expected) << f.name;
}

TEST_F(ZipCommandTest, EdgeCasesOfTheFlags) {
    struct Case {
        std::function<void()> tune;
        std::function<bool(const ZipCommand&)> check;
        const char* what;
    } cases[] = {
        {[&] { zip.AddOptions = {AddFreshen, AddUpdate}; },
         [](const ZipCommand& c) { return c.update == -1 && c.freshen == 0; }, "freshen with update: update only"},
        {[&] { zip.AddOptions = {AddFreshen}; }, [](const ZipCommand& c) { return c.update == 0 && c.freshen == -1; },
         "freshen alone"},
        {[&] { zip.Trace = true; }, [](const ZipCommand& c) { return c.trace == -1 && c.verbose == -1; },
         "trace without verbose still sends verbose"},
        {[&] { zip.Verbose = true; }, [](const ZipCommand& c) { return c.trace == 0 && c.verbose == -1; }, "verbose"},
        {[&] { zip.SetPassword(std::string(81, 'p') + "123456789"); },
         [](const ZipCommand& c) { return std::string(c.password) == std::string(81, 'p'); },
         "a 90-character password is sent as its first 81"},
        {[&] { zip.SetPassword(""); }, [](const ZipCommand& c) { return c.password == nullptr; }, "no password"},
        {[&] { zip.AddOptions = {AddDirNames, AddSeparateDirs}; },
         [](const ZipCommand& c) { return c.dropDirNames == 0 && c.noDirEntries == 0 && c.recurse == 0; },
         "folder names kept, folder entries made"},
        {[&] { zip.AddStoreSuffixes = {}; }, [](const ZipCommand& c) { return c.storeSuffixes == nullptr; },
         "no suffix list"},
        {[&] { zip.AddStoreSuffixes = {assZIP, assEXE}; },
         [](const ZipCommand& c) { return std::string(c.storeSuffixes) == ".zip:.exe"; }, "two suffixes"},
        {[&] {
             zip.OwnerWindow = &zip;
             zip.Unattended = true;
         },
         [](const ZipCommand& c) { return c.handle == nullptr; }, "unattended: no window"},
    };
    for (const Case& c : cases) {
        TZipArchiver fresh(platform);
        zip.AddOptions = {};
        zip.Trace = zip.Verbose = false;
        zip.SetPassword("");
        zip.AddStoreSuffixes = fresh.AddStoreSuffixes;
        c.tune();
        ZipCommandBlock block(false);
        zip.FillCommand(block, "A.ZIP", 160);
        EXPECT_TRUE(c.check(block.New())) << c.what;
    }
}

TEST_F(ZipCommandTest, VersionDecidesTheLaterFields) {
    zip.TempDir = "C:\\TEMP";
    zip.ArchiveComment = "Spielstand";
    zip.AddOptions = {AddArchiveOnly, AddResetArchive};
    zip.FSpecArgsExcl = {"*.BAK", "*.TMP"};
    struct Case {
        int32_t version;
        bool tempDir, later;
    } cases[] = {{151, true, false}, {159, true, false}, {160, true, true}, {200, true, true}};
    for (const Case& c : cases) {
        ZipCommandBlock block(false);
        zip.FillCommand(block, "A.ZIP", c.version);
        const ZipCommand& cmd = block.New();
        EXPECT_EQ(cmd.version, 160) << c.version;  // whatever the library says
        EXPECT_EQ(cmd.tempDir != nullptr, c.tempDir) << c.version;
        EXPECT_EQ(cmd.comment != nullptr, c.later) << c.version;
        EXPECT_EQ(cmd.archiveOnly, c.later ? 1 : 0) << c.version;
        EXPECT_EQ(cmd.resetArchive, c.later ? 1 : 0) << c.version;
        EXPECT_EQ(cmd.exclCount, c.later ? 2 : 0) << c.version;
        if (c.later) {
            EXPECT_STREQ(cmd.comment, "Spielstand");
            EXPECT_STREQ(cmd.excl[0], "*.BAK");
            EXPECT_STREQ(cmd.excl[1], "*.TMP");
        }
    }
    // The old layout takes the shared head only.
    ZipCommandBlock old(true);
    zip.FillCommand(old, "A.ZIP", 150);
    EXPECT_STREQ(old.Old().archiveName, "A.ZIP");
    EXPECT_EQ(old.Old().version, 160);
    EXPECT_EQ(old.Old().endMark, 0);
    EXPECT_EQ(old.Old().fileSpecs[0], nullptr);
    EXPECT_EQ(reinterpret_cast<void*>(old.Record()), reinterpret_cast<void*>(&old.Old()));
}

// ---- callbacks ----

class ZipCallbackTest : public ZipFixture {
protected:
    ZipCallbackData Data(int32_t action, int32_t error = 0, int32_t value = 0, const std::string& text = "") {
        ZipCallbackData d;
        std::memset(&d, 0, sizeof d);
        d.caller = &zip;
        d.actionCode = action;
        d.errorCode = error;
        d.value = value;
        std::memcpy(d.text, text.data(), std::min(text.size(), sizeof d.text - 1));
        return d;
    }
    int32_t Call(ZipCallbackData& d) { return TZipArchiver::ZipCallback(&d); }

    struct Progress {
        ProgressType type;
        std::string name;
        int32_t size;
        bool operator==(const Progress& o) const { return type == o.type && name == o.name && size == o.size; }
    };
    std::vector<Progress> progress;
    ZipCallbackTest() {
        zip.OnProgress = [this](TZipArchiver&, ProgressType t, const std::string& n, int32_t s) {
            progress.push_back({t, n, s});
        };
    }
};

TEST_F(ZipCallbackTest, ProgressCodes) {
    struct Case {
        int32_t action, value;
        const char* text;
        Progress expected;
    } cases[] = {
        {1, 4096, "TEXTE/THEMA.{1}  \r\n", {ProgressFileStart, "TEXTE\\THEMA.{1}", 4096}},
        {2, 512, "ignored", {ProgressStep, "", 512}},
        {3, 77, "ignored", {ProgressEnd, "", 0}},
        {5, 12, "", {ProgressCount, "", 12}},
        {6, 123456, "", {ProgressTotal, "", 123456}},
    };
    for (const Case& c : cases) {
        progress.clear();
        ZipCallbackData d = Data(c.action, 0, c.value, c.text);
        EXPECT_EQ(Call(d), 0);
        ASSERT_EQ(progress.size(), 1u) << c.action;
        EXPECT_EQ(progress[0], c.expected) << c.action;
    }
    EXPECT_EQ(zip.TotalToProcess, 123456);
    EXPECT_EQ(fake.app.messagesProcessed, 5);
}

TEST_F(ZipCallbackTest, MessageCodeSetsTheErrorOnlyWhenThereIsOne) {
    ZipCallbackData d = Data(4, 0x1234, 0, "Cannot open GAME.DAT");
    Call(d);
    EXPECT_EQ(zip.ErrorCode, 0x34);
    EXPECT_EQ(zip.FullErrorCode, 0x1234);
    EXPECT_EQ(zip.LastMessage, "Cannot open GAME.DAT");
    d = Data(4, 0, 0, "adding: A.TXT");
    Call(d);
    EXPECT_EQ(zip.ErrorCode, 0x34);
    EXPECT_EQ(zip.LastMessage, "adding: A.TXT");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].code, 0x1234);
    EXPECT_EQ(messages[1].code, 0);
    EXPECT_EQ(messages[1].text, "adding: A.TXT");
}

TEST_F(ZipCallbackTest, NewNameCode) {
    ZipCallbackData d = Data(7, 55, 0, "OLD/NAME.TXT");
    Call(d);  // no handler: untouched
    EXPECT_EQ(d.errorCode, 55);
    EXPECT_STREQ(d.text, "OLD/NAME.TXT");

    std::string seen;
    std::string answer;
    zip.OnSetNewName = [&](TZipArchiver&, std::string& name, bool& changed) {
        seen = name;
        if (!answer.empty()) name = answer, changed = true;
    };
    Call(d);
    EXPECT_EQ(seen, "OLD\\NAME.TXT");
    EXPECT_EQ(d.errorCode, 0);
    EXPECT_STREQ(d.text, "OLD/NAME.TXT");
    answer = "NEU\\NAME.TXT";
    Call(d);
    EXPECT_EQ(d.errorCode, 1);
    EXPECT_STREQ(d.text, "NEU\\NAME.TXT");
    // A name longer than the buffer is cut before its NUL.
    answer = std::string(600, 'n');
    Call(d);
    EXPECT_EQ(std::strlen(d.text), 511u);
    EXPECT_EQ(d.text[511], '\0');
}

TEST_F(ZipCallbackTest, CrcOverwriteAndSkipCodes) {
    ZipCallbackData d = Data(9, 0x1111, 0x2222, "A.TXT");
    Call(d);
    EXPECT_EQ(d.errorCode, 2);  // nobody asked

    uint32_t found = 0, expected = 0;
    bool extract = false;
    zip.OnCRC32Error = [&](TZipArchiver&, const std::string&, uint32_t f, uint32_t e, bool& doExtract) {
        found = f, expected = e;
        EXPECT_TRUE(doExtract);
        doExtract = extract;
    };
    d = Data(9, static_cast<int32_t>(0xDEADBEEF), 0x2222, "A.TXT");
    Call(d);
    EXPECT_EQ(found, 0xDEADBEEFu);
    EXPECT_EQ(expected, 0x2222u);
    EXPECT_EQ(d.errorCode, 0);
    extract = true;
    d = Data(9, 1, 2, "A.TXT");
    Call(d);
    EXPECT_EQ(d.errorCode, 1);

    d = Data(10, 1, 0x101, "B.TXT");
    Call(d);
    EXPECT_EQ(d.value, 0x101);  // no handler
    bool older = false, offered = false, answer = true;
    zip.OnExtractOverwrite = [&](TZipArchiver&, const std::string&, bool isOlder, bool& doOverwrite) {
        older = isOlder, offered = doOverwrite, doOverwrite = answer;
    };
    Call(d);
    EXPECT_TRUE(older);
    EXPECT_TRUE(offered);
    EXPECT_EQ(d.value, 1);
    d = Data(10, 2, 0x100, "B.TXT");
    answer = false;
    Call(d);
    EXPECT_FALSE(older);
    EXPECT_FALSE(offered);  // only the low byte counts
    EXPECT_EQ(d.value, 0);

    uint8_t skipType = 0;
    int32_t skipError = 0;
    zip.OnExtractSkipped = [&](TZipArchiver&, const std::string&, uint8_t type, int32_t error) {
        skipType = type, skipError = error;
    };
    d = Data(11, 0x2A05, 0x1203, "C.TXT");
    Call(d);
    EXPECT_EQ(skipType, 3);
    EXPECT_EQ(skipError, 0x2A05);
    EXPECT_EQ(zip.ErrorCode, 5);
    EXPECT_EQ(zip.FullErrorCode, 0x2A05);
    d = Data(11, 0, 1, "C.TXT");
    Call(d);
    EXPECT_EQ(zip.ErrorCode, 5);
}

TEST_F(ZipCallbackTest, CommentCode) {
    std::string seed;
    std::string answer;
    bool change = false;
    zip.OnFileComment = [&](TZipArchiver&, const std::string& file, std::string& comment, bool& changed) {
        EXPECT_EQ(file, "A.TXT");
        seed = comment;
        comment = answer;
        changed = change;
    };
    struct Case {
        std::string answer;
        bool change;
        std::string text;
        int32_t error, value;
    } cases[] = {
        {"Level 1", true, "Level 1", 1, 7},
        {"", true, "", 1, 0},
        {"ignored", false, "", 0, 7},
        {std::string(600, 'c'), true, std::string(511, 'c'), 1, 511},
    };
    for (const Case& c : cases) {
        ZipCallbackData d = Data(12, 0, 0, "A.TXT");
        d.text[ZK_COMMENT_BYTE_INDEX] = 'X';
        answer = c.answer;
        change = c.change;
        Call(d);
        EXPECT_EQ(seed, "X");
        EXPECT_EQ(std::string(d.text), c.text);
        EXPECT_EQ(d.errorCode, c.error);
        EXPECT_EQ(d.value, c.value);
    }
}

TEST_F(ZipCallbackTest, CodesWithoutAnActionChangeNothing) {
    zip.OnProgress = [](TZipArchiver&, ProgressType, const std::string&, int32_t) { FAIL(); };
    for (int32_t code : {0, 13, 99, -1}) {
        ZipCallbackData d = Data(code, 7, 8, "X");
        ZipCallbackData before = d;
        zip.Cancel = false;
        EXPECT_EQ(Call(d), 0) << code;
        EXPECT_EQ(std::memcmp(&d, &before, sizeof d), 0) << code;
        zip.Cancel = true;
        EXPECT_EQ(Call(d), -1) << code;
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(ZipCallbackTest, CancelTakesEffectAtTheNextCallback) {
    // The user presses a cancel button while the messages are processed.
    fake.app.onProcessMessages = [this] { zip.Cancel = true; };
    ZipCallbackData d = Data(2, 0, 100);
    EXPECT_EQ(Call(d), 0);
    EXPECT_EQ(Call(d), -1);
    EXPECT_EQ(fake.app.messagesProcessed, 2);
}

TEST_F(ZipCallbackTest, AForeignCallerIsRefused) {
    ZipCallbackData d = Data(1, 0, 5, "A");
    int notAComponent = 0;
    d.caller = &notAComponent;
    EXPECT_EQ(Call(d), -1);
    d.caller = nullptr;
    EXPECT_EQ(Call(d), -1);
    EXPECT_EQ(TZipArchiver::ZipCallback(nullptr), -1);
    EXPECT_TRUE(progress.empty());
    // A component that is gone no longer answers.
    auto gone = std::make_unique<TZipArchiver>(platform);
    d.caller = gone.get();
    gone.reset();
    EXPECT_EQ(Call(d), -1);
}

TEST_F(ZipCallbackTest, AHandlersErrorCancelsAndIsRaisedAfterwards) {
    zip.OnProgress = [](TZipArchiver&, ProgressType, const std::string&, int32_t) {
        throw std::runtime_error("handler broke");
    };
    ZipCallbackData d = Data(1, 0, 5, "A");
    EXPECT_EQ(Call(d), -1);
    EXPECT_THROW(zip.RethrowCallbackError(), std::runtime_error);
    EXPECT_NO_THROW(zip.RethrowCallbackError());
}

// ---- passwords ----

class ZipPasswordTest : public ZipCallbackTest {
protected:
    // The user's actions, one per dialog: the entry and the button.
    struct Act {
        std::string entry;
        bool ok;
    };
    std::vector<Act> acts;
    struct Seen {
        std::string caption, prompt, ok, cancel;
    };
    std::vector<Seen> seen;
    ZipPasswordTest() {
        TPasswordDlg::runModal = [this](TPasswordDlg& dlg) {
            seen.push_back({dlg.Caption(), dlg.PromptLabel.Caption(), dlg.OKBtn.Caption(), dlg.CancelBtn.Caption()});
            if (seen.size() > acts.size()) {
                ADD_FAILURE() << "one dialog too many";
                return;
            }
            const Act& a = acts[seen.size() - 1];
            dlg.PwdEdit.Type(a.entry);
            (a.ok ? dlg.OKBtn : dlg.CancelBtn).Click();
        };
    }
    ZipCallbackData Request(bool confirm, int32_t count = 1) {
        ZipCallbackData d = Data(8, confirm ? 1 : 0, count, "DATA/SAVE.DAT");
        Call(d);
        return d;
    }
};

TEST_F(ZipPasswordTest, TheHandlerAnswersFirst) {
    std::string forFile;
    zip.OnPasswordError = [&](TZipArchiver&, std::string& pw, const std::string& file, uint32_t& count) {
        forFile = file;
        EXPECT_EQ(count, 3u);
        pw = "geheim";
        count = 20;
    };
    ZipCallbackData d = Request(true, 3);
    EXPECT_EQ(forFile, "DATA\\SAVE.DAT");
    EXPECT_STREQ(d.text, "geheim");
    EXPECT_EQ(d.errorCode, 1);
    EXPECT_EQ(d.value, 15);
    EXPECT_EQ(zip.Password(), "");  // for the library only
    EXPECT_TRUE(seen.empty());

    zip.OnPasswordError = [&](TZipArchiver&, std::string&, const std::string&, uint32_t& count) { count = 9; };
    d = Request(false, 3);
    EXPECT_EQ(d.errorCode, 0);
    EXPECT_EQ(d.value, 0);
}

TEST_F(ZipPasswordTest, UnattendedAsksNobody) {
    zip.Unattended = true;
    ZipCallbackData d = Request(true);
    EXPECT_EQ(d.errorCode, 0);
    EXPECT_EQ(d.value, 0);
    d = Request(false);
    EXPECT_EQ(d.errorCode, 0);
    EXPECT_EQ(Numbers(), (std::vector<int>{10150, 10151}));
    EXPECT_TRUE(seen.empty());
    EXPECT_TRUE(fake.dialogs.shown.empty());
}

TEST_F(ZipPasswordTest, ConfirmedEntriesThatMatch) {
    acts = {{"Zantorik", true}, {"Zantorik", true}};
    ZipCallbackData d = Request(true, 2);
    EXPECT_STREQ(d.text, "Zantorik");
    EXPECT_EQ(d.errorCode, 1);
    EXPECT_EQ(d.value, 2);
    ASSERT_EQ(seen.size(), 2u);
    // Without a table: the caption is the fallback without a number, the rest empty.
    EXPECT_EQ(seen[0].caption, kMissingMessage);
    EXPECT_EQ(seen[0].prompt, "");
    EXPECT_EQ(seen[0].ok, "");
    EXPECT_EQ(seen[0].cancel, "");
}

TEST_F(ZipPasswordTest, ConfirmationPaths) {
    struct Case {
        std::vector<Act> acts;
        std::string answer;
        size_t dialogs;
        std::vector<int> reported;
    } cases[] = {
        {{{"abc", true}, {"abd", true}}, "", 2, {10104}},
        {{{"abc", true}, {"ABC", true}}, "", 2, {10104}},  // case counts
        {{{"abc", false}}, "", 1, {}},
        {{{"", true}}, "", 1, {}},
        {{{"abc", true}, {"abc", false}}, "", 2, {}},
        {{{"abc", true}, {"", true}}, "", 2, {}},
        {{{"abc", true}, {"abc", true}}, "abc", 2, {}},
    };
    zip.Unattended = false;
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        acts = c.acts;
        seen.clear();
        messages.clear();
        if (!c.reported.empty()) fake.dialogs.Answer(mrOk);
        EXPECT_EQ(zip.AskPasswordConfirmed(), c.answer) << "case " << i;
        EXPECT_EQ(seen.size(), c.dialogs) << "case " << i;
        EXPECT_EQ(Numbers(), c.reported) << "case " << i;
    }
}

TEST_F(ZipPasswordTest, WithoutConfirmationOneDialog) {
    ZipMessageTable() = {{10152, "OK"}, {10153, "Abbrechen"}, {10154, "Kennwort"}, {10155, "Kennwort eingeben:"},
                         {10156, "Kennwort wiederholen:"}};
    acts = {{"eins", true}};
    ZipCallbackData d = Request(false, 1);
    EXPECT_STREQ(d.text, "eins");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "Kennwort");
    EXPECT_EQ(seen[0].prompt, "Kennwort eingeben:");
    EXPECT_EQ(seen[0].ok, "OK");
    EXPECT_EQ(seen[0].cancel, "Abbrechen");

    acts = {{"zwei", true}, {"zwei", true}};
    seen.clear();
    EXPECT_EQ(zip.AskPasswordConfirmed(), "zwei");
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].prompt, "Kennwort wiederholen:");
}

TEST_F(ZipPasswordTest, TheEntryTakesEightyCharactersAndTheBufferAsMany) {
    acts = {{std::string(90, 'k'), true}};
    ZipCallbackData d = Request(false);
    EXPECT_EQ(std::string(d.text), std::string(80, 'k'));
    // A handler's longer answer is cut the same way.
    zip.OnPasswordError = [](TZipArchiver&, std::string& pw, const std::string&, uint32_t&) {
        pw = std::string(100, 'h');
    };
    d = Request(false);
    EXPECT_EQ(std::string(d.text), std::string(80, 'h'));
}

TEST_F(ZipPasswordTest, NoWayToShowTheDialogCountsAsCancelled) {
    TPasswordDlg::runModal = nullptr;
    EXPECT_EQ(zip.AskPassword(), "");
}

TEST(PasswordDlg, IsBuiltAsTheDialogDescribes) {
    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
    TPasswordDlg dlg(platform, "Kennwort", "Eingabe:", "OK", "Abbrechen");
    EXPECT_EQ(dlg.ClientWidth(), 344);
    EXPECT_EQ(dlg.ClientHeight(), 137);
    EXPECT_EQ(dlg.borderStyle, ui::BorderStyle::Dialog);
    EXPECT_TRUE(dlg.centered);
    EXPECT_EQ(dlg.GetFont().name, "Arial");
    EXPECT_EQ(dlg.GetFont().height, 12);
    EXPECT_TRUE(dlg.GetFont().bold);
    auto at = [](const ui::Control& c) {
        const ui::Bounds& b = c.GetBounds();
        return std::vector<int>{b.left, b.top, b.width};
    };
    EXPECT_EQ(at(dlg.PromptLabel), (std::vector<int>{20, 8, 297}));
    EXPECT_EQ(dlg.PromptLabel.GetBounds().height, 18);
    EXPECT_EQ(at(dlg.PwdEdit), (std::vector<int>{20, 40, 297}));
    EXPECT_EQ(at(dlg.OKBtn), (std::vector<int>{44, 72, 90}));
    EXPECT_EQ(at(dlg.CancelBtn), (std::vector<int>{205, 72, 90}));
    EXPECT_EQ(dlg.OKBtn.GetBounds().height, 28);
    EXPECT_EQ(dlg.PwdEdit.passwordChar, '*');
    EXPECT_EQ(dlg.PwdEdit.maxLength, 80);
    EXPECT_TRUE(dlg.OKBtn.isDefault);
    EXPECT_TRUE(dlg.CancelBtn.isCancel);
    EXPECT_TRUE(dlg.OKBtn.glyph && dlg.CancelBtn.glyph);
    EXPECT_EQ(dlg.Caption(), "Kennwort");
    EXPECT_EQ(dlg.PromptLabel.Caption(), "Eingabe:");
    EXPECT_EQ(dlg.ActiveControl(), &dlg.PwdEdit);

    TPasswordDlg::runModal = [](TPasswordDlg& d) {
        EXPECT_TRUE(d.Visible());
        d.PwdEdit.Type("secret");
        d.CancelBtn.Click();
    };
    EXPECT_EQ(dlg.ShowModalPwdDlg(), "");
    EXPECT_FALSE(dlg.Visible());
    TPasswordDlg::runModal = [](TPasswordDlg& d) {
        EXPECT_EQ(d.PwdEdit.Text(), "");  // nothing left from before
        d.PwdEdit.Type("secret");
        d.OKBtn.Click();
    };
    EXPECT_EQ(dlg.ShowModalPwdDlg(), "secret");
    TPasswordDlg::runModal = nullptr;
}

}  // namespace
}  // namespace zk::test
