// The archive component: setter rules, messages, the library through the
// fake run-time libraries, the command record, callbacks, passwords.
#include <cstring>
#include <iterator>
#include <set>

#include "zip_fixture.h"

namespace zk::test {
namespace {

using platform::mrOk;
using Ints = std::vector<int>;

class ZipArch : public ZipFixture {};

TEST_F(ZipArch, SetterRules) {
    auto dll = [&](const std::string& v) { return zip.SetDLLDirectory(v), zip.DLLDirectory(); };
    auto root = [&](const std::string& v) { return zip.SetRootDir(v), zip.RootDir(); };
    auto count = [&](uint32_t v) { return zip.SetPasswordReqCount(v), zip.PasswordReqCount(); };
    auto password = [&](const std::string& v) { return zip.SetPassword(v), zip.Password().size(); };
    EXPECT_EQ(dll("C:\\LIB\\") + dll("C:\\LIB") + dll("C:\\LIB\\\\") + dll(""), "C:\\LIBC:\\LIBC:\\LIB\\");
    EXPECT_EQ(root("C:\\GAME") + root("C:\\GAME\\") + root(""), "C:\\GAME\\C:\\GAME\\");
    EXPECT_EQ((std::vector<uint32_t>{count(20), count(15), count(0xFFFFFFFFu), count(3)}),
              (std::vector<uint32_t>{15, 15, 15, 3}));
    zip.SetVersionInfo("9.99");
    EXPECT_EQ(zip.VersionInfo(), "1.60 L");
    std::string umlauts;
    while (umlauts.size() < 600) umlauts += "ä";
    EXPECT_EQ(password(umlauts), 510u);  // 255 characters, not bytes
    zip.designing = true;  // no directory read while designing
    zip.SetZipFileName("C:\\ZIP\\NONE.ZIP");
    zip.designing = false;
    zip.SetZipFileName("C:\\ZIP\\NONE.ZIP");
    EXPECT_EQ(dirUpdates, 1);
}

// The table: one row a number, a row for every reason zipundo names, every
// text what the component shows and its formats ones it can fill.
TEST_F(ZipArch, TheMessageTableHasOneRowANumberAndFormatsItCanFill) {
    ZipMessageTable() = ZipMessagesDE();
    std::set<int> numbers;
    for (size_t i = 0; i < kZipMessageCount; ++i) {
        const ZipMessageRow& row = kZipMessages[i];
        EXPECT_TRUE(numbers.insert(row.number).second) << row.name << " takes " << row.number << " again";
        EXPECT_EQ(MessageText(row.number, ""), row.text) << row.name;
        EXPECT_EQ(FormatMessageArg(FormatMessageArg(row.text, 1), 2).find('%'), std::string::npos) << row.name;
    }
    for (unsigned r = 0; r < zipundo::kReasonCount; ++r) EXPECT_TRUE(numbers.count(zmReasonUnknown + int(r))) << r;
    EXPECT_EQ(FormatMessageArg(FormatMessageArg(MessageText(11034), 1), 3) + FormatMessageArg(MessageText(11035), "A:\\"),
              "Bitte lege Diskette 1 von 3 ein\r\nin Laufwerk A:\\");
    EXPECT_EQ(EZipArchiver::CreateResStr(11004, "Q:\\").what(), std::string("Laufwerk Q:\\ nicht bereit!"));
    EXPECT_EQ(EZipArchiver::CreateResInt(10304, -9).what(),
              std::string("Der Selbstentpacker konnte nicht geschrieben werden (Fehler -9)."));
    EXPECT_EQ(MessageText(99999) + MessageText(99999, "Ersatz"), Missing(99999) + "Ersatz");  // a fallback of its own
    EXPECT_EQ(MessageText(11034, "Ersatz"), "Bitte lege Diskette %.1d von %.1d ein");  // the table wins
}

TEST_F(ZipArch, FormatsOneArgument) {
    struct Case { std::string text; long long number; std::string expected; } numbers[] = {{"volume %.1d of %.1d", 1, "volume 1 of %.1d"}, {"[%3d]", 5, "[  5]"}, {"[%-3d]", 5, "[5  ]"},
                   {"[%.3d]", -5, "[-005]"}, {"%x!", 255, "FF!"}, {"100%% von %d", 3, "100% von 3"},
                   {"kein Platz", 3, "kein Platz"}, {"Nr. %s", 12, "Nr. 12"}};
    for (const Case& c : numbers) EXPECT_EQ(FormatMessageArg(c.text, c.number), c.expected) << c.text;
    EXPECT_EQ(FormatMessageArg("[%.2s]", std::string("äöü")), "[äö]");
    EXPECT_EQ(FormatMessageArg("[%5s]", std::string("ab")), "[   ab]");
}

// Messages and caught exceptions go to OnMessage (code 0) and, unless
// unattended or asked not to, into a plain box with the program's title.
TEST_F(ZipArch, ReportsShowABoxOnlyWhenTheyMayAndTellOnMessage) {
    fake.app.SetTitle("Starter");
    struct Case { std::function<void()> report; bool unattended; size_t boxes; int number; std::string text; } cases[] = {
        {[&] { zip.ReportMessage(10301, " (C:\\X)"); }, false, 1, 10301, Missing(10301) + " (C:\\X)"},
        {[&] { zip.ReportMessage(10102); }, true, 0, 10102, Missing(10102)},
        {[&] { zip.ReportException(EZipArchiver::CreateResDisp(11036, true)); }, false, 1, 11036, Missing(11036)},
        {[&] { zip.ReportException(EZipArchiver::CreateResDisp(11036, false)); }, false, 0, 11036, Missing(11036)},
        {[&] { zip.ReportException(EZipArchiver::CreateResDisp(11036, true)); }, true, 0, 11036, Missing(11036)},
        // Without a text the argument is dropped.
        {[&] { zip.ReportException(EZipArchiver::CreateResInt(11038, 3)); }, true, 0, 11038, Missing(11038)},
    };
    for (const Case& c : cases) {
        fake.dialogs.shown.clear(), messages.clear();
        if (c.boxes) fake.dialogs.Answer(mrOk);
        zip.Unattended = c.unattended;
        c.report();
        ASSERT_EQ(fake.dialogs.shown.size(), c.boxes) << c.number;
        if (c.boxes) { EXPECT_EQ(fake.dialogs.shown[0].title + "|" + fake.dialogs.shown[0].text, "Starter|" + c.text); }
        EXPECT_EQ(std::to_string(zip.ErrorCode) + "|" + zip.LastMessage, std::to_string(c.number) + "|" + c.text);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(std::to_string(messages[0].code) + messages[0].text, "0" + c.text);
    }
    EXPECT_TRUE(EZipArchiver::CreateResStr(11004, "Q:\\").ShowToUser);
}

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

TEST_F(ZipLibraryTest, LoadsFromTheLibraryFolderWhenTheFileIsThereElseByThePlainName) {
    fake.dynlib.Add("C:\\LIB\\ZKZIP.DLL", FullLibrary(Version150));
    fake.dynlib.Add("ZKZIP.DLL", FullLibrary());
    zip.SetDLLDirectory("C:\\LIB\\");
    EXPECT_EQ(zip.library.GetZkZipVersion(), 160);  // not on the disk: the plain name; loaded and freed
    EXPECT_EQ(ZipLibrary::ZipLibraryHandle(), 0u);
    fake.files.AddFile("C:\\LIB\\ZKZIP.DLL", "MZ");
    fake.files.errorModes.clear();
    fake.dynlib.loadErrorModes.clear();
    zip.library.LoadZipLibrary();
    TZipArchiver other(platform);
    other.library.LoadZipLibrary();  // the handle is shared: nothing new
    EXPECT_EQ(fake.dynlib.loads, (std::vector<std::string>{"ZKZIP.DLL", "C:\\LIB\\ZKZIP.DLL"}));
    EXPECT_EQ(other.library.GetZkZipVersion(), 150);
    EXPECT_NE(ZipLibrary::ZkZipExecEntry(), nullptr);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(fake.dynlib.loadErrorModes, std::vector<unsigned>{3});  // quiet while loading, 0 afterwards
    EXPECT_EQ(fake.files.errorModes, (std::vector<unsigned>{3, 0}));
}

TEST_F(ZipLibraryTest, LoadFailuresAndMissingEntryPoints) {
    struct Case { std::map<std::string, void*> entries; bool throws, trace; Ints reported; bool loaded; } cases[] = {
        // entries empty: no library at all
        {{}, false, false, {10604}, false}, {{}, true, false, {10604}, false},
        {{{"GetZkZipVersion", reinterpret_cast<void*>(Version160)}}, false, false, {10602}, true},
        {{{"ZkZipExec", reinterpret_cast<void*>(ExecNothing)}}, false, false, {10603}, true},
        {{{"zkzipexec", reinterpret_cast<void*>(ExecNothing)}}, false, false, {10602, 10603}, true},
        {FullLibrary(), false, false, {}, true}, {FullLibrary(), false, true, {10601}, true},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        messages.clear(), fake.dynlib.Remove("ZKZIP.DLL");
        if (!c.entries.empty()) fake.dynlib.Add("ZKZIP.DLL", c.entries);
        fake.dynlib.throwOnLoad = c.throws, zip.Trace = c.trace;
        zip.library.LoadZipLibrary();
        EXPECT_EQ(Numbers(), c.reported) << "case " << i;
        EXPECT_EQ(ZipLibrary::ZipLibraryHandle() != 0, c.loaded) << "case " << i;
        EXPECT_EQ(fake.files.errorMode, 0u);
        ZipLibrary::UnloadZipLibrary();
        EXPECT_EQ(fake.dynlib.OpenCount(), 0u);
    }
}

TEST_F(ZipLibraryTest, NoVersionWithoutTheLibraryOrItsEntry) {
    EXPECT_EQ(zip.library.GetZkZipVersion(), 0);
    fake.dynlib.Add("ZKZIP.DLL", {{"ZkZipExec", reinterpret_cast<void*>(ExecNothing)}});
    EXPECT_EQ(zip.library.GetZkZipVersion() + fake.dynlib.OpenCount(), 0u);
}

TEST_F(ZipArch, PropertiesGoIntoTheCommandFields) {
    int window = 0;
    zip.OwnerWindow = &window;
    zip.AddOptions = {AddRecurseDirs, AddMove, AddZipTime, AddForceDOS, AddHiddenFiles, AddEncrypt, AddVolume};
    zip.AddCompLevel = 6, zip.SetPassword("geheim");
    ZipCommandBlock block(false);
    zip.library.FillCommand(block, "C:\\ZIP\\GAME.ZIP", 160);
    const ZipCommand& c = block.New();
    EXPECT_EQ(std::tuple(c.handle, c.caller, c.callback),
              std::tuple(static_cast<void*>(&window), static_cast<void*>(&zip), &ZipLibrary::ZipCallback));
    EXPECT_EQ(std::string(c.archiveName) + "|" + c.password + "|" + c.storeSuffixes,
              "C:\\ZIP\\GAME.ZIP|geheim|.gif:.png:.z:.zip:.zoo:.arc:.lzh:.arj:.taz:.tgz:.lha");
    const int32_t got[] = {c.level,      c.recurse,      c.trace,      c.encrypt,    c.hiddenFiles, c.volume,
                           c.reserved28, c.noDirEntries, c.reserved30, c.verbose,    c.reserved38,  c.reserved44,
                           c.dropDirNames, c.reserved50, c.forceDOS,   c.move,       c.reserved5C,  c.update,
                           c.freshen,    c.reserved68,   c.keepArchiveTime, c.argCount, c.endMark};
    const int32_t expected[] = {6, 0xFFFF, 0, -1, -1, -1, 0, -1, 0, 0, -1, 0, -1, -1, -1, -1, 0, 0, 0, 0, -1, 0, 0};
    for (size_t i = 0; i < std::size(got); ++i) EXPECT_EQ(got[i], expected[i]) << "field " << i;
}

TEST_F(ZipArch, EdgeCasesOfTheCommandFlags) {
    using Check = std::function<bool(const ZipCommand&)>;
    const std::pair<std::function<void()>, Check> cases[] = {
        {[&] { zip.AddOptions = {AddFreshen, AddUpdate}; }, [](auto& c) { return c.update == -1 && c.freshen == 0; }},
        {[&] { zip.AddOptions = {AddFreshen}; }, [](auto& c) { return c.update == 0 && c.freshen == -1; }},
        {[&] { zip.Trace = true; }, [](auto& c) { return c.trace == -1 && c.verbose == -1; }},  // verbose with it
        {[&] { zip.Verbose = true; }, [](auto& c) { return c.trace == 0 && c.verbose == -1; }},
        {[&] { zip.SetPassword(std::string(81, 'p') + "123456789"); },  // 81 of 90 characters sent
         [](auto& c) { return std::string(c.password) == std::string(81, 'p'); }},
        {[] {}, [](auto& c) { return c.password == nullptr && std::string(c.storeSuffixes) == ".zip:.exe"; }},
        {[&] { zip.AddOptions = {AddDirNames, AddSeparateDirs}; },
         [](auto& c) { return c.dropDirNames == 0 && c.noDirEntries == 0 && c.recurse == 0; }},
        {[&] { zip.AddStoreSuffixes = {}; }, [](auto& c) { return c.storeSuffixes == nullptr; }},
        {[&] { zip.OwnerWindow = &zip, zip.Unattended = true; }, [](auto& c) { return c.handle == nullptr; }},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        zip.AddOptions = {}, zip.Trace = zip.Verbose = false, zip.AddStoreSuffixes = {assZIP, assEXE};
        zip.SetPassword("");
        cases[i].first();
        ZipCommandBlock block(false);
        zip.library.FillCommand(block, "A.ZIP", 160);
        EXPECT_TRUE(cases[i].second(block.New())) << "case " << i;
    }
}

TEST_F(ZipArch, TheLibrarysVersionDecidesTheLaterCommandFields) {
    zip.TempDir = "C:\\TEMP", zip.ArchiveComment = "Spielstand";
    zip.AddOptions = {AddArchiveOnly, AddResetArchive};
    zip.FSpecArgsExcl = {"*.BAK", "*.TMP"};
    for (int32_t version : {159, 160}) {
        const bool later = version >= 160;
        ZipCommandBlock block(false);
        zip.library.FillCommand(block, "A.ZIP", version);
        const ZipCommand& cmd = block.New();
        EXPECT_EQ(cmd.version, 160) << version;  // whatever the library says
        EXPECT_STREQ(cmd.tempDir, "C:\\TEMP");
        EXPECT_EQ((cmd.comment != nullptr) + cmd.archiveOnly + cmd.resetArchive + cmd.exclCount, later ? 5 : 0) << version;
        EXPECT_STREQ(later ? cmd.excl[1] : "*.TMP", "*.TMP");
    }
    ZipCommandBlock old(true);  // the old layout takes the shared head only
    zip.library.FillCommand(old, "A.ZIP", 150);
    EXPECT_EQ(std::tuple(old.Old().version, old.Old().endMark), std::tuple(160, 0));
    EXPECT_EQ(reinterpret_cast<void*>(old.Record()), reinterpret_cast<void*>(&old.Old()));
}

class ZipCallbackTest : public ZipFixture {
protected:
    ZipCallbackData Data(int32_t action, int32_t error = 0, int32_t value = 0, const std::string& text = "") {
        ZipCallbackData d;
        std::memset(&d, 0, sizeof d);
        d.caller = &zip, d.actionCode = action, d.errorCode = error, d.value = value;
        std::memcpy(d.text, text.data(), std::min(text.size(), sizeof d.text - 1));
        return d;
    }
    int32_t Call(ZipCallbackData& d) { return ZipLibrary::ZipCallback(&d); }
};

// One row per callback: what comes in, what the handlers (or none) answer,
// and "what they saw|errorCode,value|the text if it changed|ErrorCode/FullErrorCode".
TEST_F(ZipCallbackTest, EveryActionCode) {
    std::string seen, answer;
    bool yes = false;
    TZipArchiver bare(platform);  // without handlers
    zip.OnSetNewName = [&](TZipArchiver&, std::string& name, bool& changed) {
        seen += "name " + name;
        if (yes) name = answer, changed = true;
    };
    zip.OnCRC32Error = [&](TZipArchiver&, const std::string& file, uint32_t found, uint32_t expected, bool& extract) {
        seen += "crc " + file + " " + std::to_string(found) + " " + std::to_string(expected) + (extract ? " offered" : "");
        extract = yes;
    };
    zip.OnExtractOverwrite = [&](TZipArchiver&, const std::string& file, bool older, bool& overwrite) {
        seen += "overwrite " + file + (older ? " older" : "") + (overwrite ? " offered" : "");
        overwrite = yes;
    };
    zip.OnProgress = [&](TZipArchiver&, ProgressType t, const std::string& n, int32_t size) {
        seen += "progress " + std::to_string(t) + " " + n + " " + std::to_string(size);
    };
    zip.OnMessage = [&](TZipArchiver&, int32_t code, const std::string& text) { seen += "message " + std::to_string(code) + " " + text; };
    zip.OnExtractSkipped = [&](TZipArchiver&, const std::string& file, uint8_t type, int32_t error) {
        seen += "skipped " + file + " " + std::to_string(type) + " " + std::to_string(error);
    };
    zip.OnFileComment = [&](TZipArchiver&, const std::string& file, std::string& comment, bool& changed) {
        seen += "comment " + file + " " + comment;
        comment = answer, changed = yes;
    };
    const std::string n600(600, 'n');
    zip.Unattended = true;  // the library's failures as the user reads them: the next test
    struct Case { int32_t action, error, value; std::string text; bool handlers; std::string answer; bool yes; std::string expected; }
    cases[] = {
        {1, 0, 4096, "TEXTE/THEMA.{1}  \r\n", true, "", false, "progress 0 TEXTE\\THEMA.{1} 4096|0,4096||0/0"},
        {2, 0, 512, "ignored", true, "", false, "progress 1  512|0,512||0/0"},
        {3, 0, 77, "ignored", true, "", false, "progress 2  0|0,77||0/0"},
        {5, 0, 12, "", true, "", false, "progress 3  12|0,12||0/0"},
        {6, 0, 123456, "", true, "", false, "progress 4  123456|0,123456||0/0"},
        {4, 0x1234, 0, "Cannot open GAME.DAT", true, "", false, "message 4660 Cannot open GAME.DAT|4660,0||52/4660"},
        {4, 0, 0, "adding: A.TXT", true, "", false, "message 0 adding: A.TXT|0,0||52/4660"},  // no error: kept
        {7, 55, 0, "OLD/NAME.TXT", false, "", false, "|55,0||0/0"},
        {7, 55, 0, "OLD/NAME.TXT", true, "", false, "name OLD\\NAME.TXT|0,0||52/4660"},
        {7, 55, 0, "OLD/NAME.TXT", true, "NEU\\NAME.TXT", true, "name OLD\\NAME.TXT|1,0|NEU\\NAME.TXT|52/4660"},
        {7, 55, 0, "OLD/NAME.TXT", true, n600, true, "name OLD\\NAME.TXT|1,0|511 bytes|52/4660"},  // the zero fits
        {9, 0x1111, 0x2222, "A.TXT", false, "", false, "|2,8738||0/0"},  // nobody asked
        {9, static_cast<int32_t>(0xDEADBEEF), 0x2222, "A.TXT", true, "", false, "crc A.TXT 3735928559 8738 offered|0,8738||52/4660"},
        {10, 1, 0x101, "B.TXT", false, "", false, "|1,257||0/0"},
        {10, 1, 0x101, "B.TXT", true, "", true, "overwrite B.TXT older offered|1,1||52/4660"},
        {10, 2, 0x100, "B.TXT", true, "", false, "overwrite B.TXT|2,0||52/4660"},  // only the low byte counts
        {11, 0x2A05, 0x1203, "C.TXT", true, "", false, "skipped C.TXT 3 10757|10757,4611||5/10757"},
        {12, 0, 0, "A.TXT", true, "Level 1", true, "comment A.TXT X|1,7|Level 1|5/10757"},
        {12, 0, 0, "A.TXT", true, "ignored", false, "comment A.TXT X|0,7|(empty)|5/10757"},
        {12, 0, 0, "A.TXT", true, std::string(600, 'c'), true, "comment A.TXT X|1,511|511 bytes|5/10757"},
        {0, 7, 8, "X", true, "", false, "|7,8||5/10757"},  // codes without an action change nothing
        {13, 7, 8, "X", true, "", false, "|7,8||5/10757"},
    };
    for (const Case& c : cases) {
        answer = c.answer, yes = c.yes, seen.clear();
        ZipCallbackData d = Data(c.action, c.error, c.value, c.text);
        if (!c.handlers) d.caller = &bare;
        d.text[ZK_COMMENT_BYTE_INDEX] = 'X';  // the comment's first byte
        const std::string in = d.text;
        EXPECT_EQ(Call(d), 0);
        const std::string out = d.text;
        const std::string text = out == in ? "" : out.empty() ? "(empty)" : out.size() > 60 ? std::to_string(out.size()) + " bytes" : out;
        const TZipArchiver& z = c.handlers ? zip : bare;
        EXPECT_EQ(seen + "|" + std::to_string(d.errorCode) + "," + std::to_string(d.value) + "|" + text + "|" +
                      std::to_string(z.ErrorCode) + "/" + std::to_string(z.FullErrorCode), c.expected) << c.action;
    }
    EXPECT_EQ(zip.TotalToProcess, 123456);
    EXPECT_EQ(fake.app.messagesProcessed, static_cast<int>(std::size(cases)));
}

// A failure the library reports reaches the user once, in German, with the
// reason its second byte carries; a cancel the user asked for does not.
TEST_F(ZipCallbackTest, LibraryFailuresAreShownInGermanWithTheirReason) {
    ZipMessageTable() = ZipMessagesDE();
    fake.dialogs.onUnexpected = nullptr;
    const std::pair<int32_t, std::string> cases[] = {
        {ZK_ERR_CREATE | 1 << 8, "Die Zip-Datei kann nicht geöffnet oder angelegt werden, denn sie ist schreibgeschützt."},
        {ZK_ERR_CREATE | 2 << 8,
         "Die Zip-Datei kann nicht geöffnet oder angelegt werden, denn ein anderes Programm hat sie geöffnet."},
        {ZK_ERR_CREATE | 3 << 8, "Die Zip-Datei kann nicht geöffnet oder angelegt werden, denn das Laufwerk ist schreibgeschützt."},
        {ZK_ERR_WRITE | 4 << 8, "In die Zip-Datei kann nicht geschrieben werden, denn auf dem Laufwerk ist kein Platz mehr frei."},
        {ZK_ERR_BUSY | 5 << 8, "Die Zip-Datei wird gerade von einem anderen Programm geschrieben. "
                               "Warte, bis es fertig ist, und versuche es dann noch einmal."},
        {ZK_ERR_UNDO | 7 << 8, "Die Zip-Datei ist seit einem abgebrochenen Zippen unvollständig und kann jetzt nicht "
                               "wiederhergestellt werden, denn der Zugriff ist nicht erlaubt."},
        {ZK_ERR_OPEN | 8 << 8, "Eine Datei kann nicht gelesen werden, denn Windows meldet einen Fehler."},
        {ZK_ERR_WRITE | 99 << 8, "In die Zip-Datei kann nicht geschrieben werden, denn Windows meldet einen Fehler."},
        {ZK_ERR_CANCEL, ""},
    };
    for (const auto& [code, told] : cases) {
        fake.dialogs.shown.clear();
        ZipCallbackData d = Data(ZK_CB_MESSAGE, code, 0, "Cannot open ...: Access is denied");
        EXPECT_EQ(Call(d), 0);
        EXPECT_EQ(zip.ErrorCode, code & 0xFF);
        EXPECT_EQ(zip.LastMessage, "Cannot open ...: Access is denied");
        ASSERT_EQ(fake.dialogs.shown.size(), told.empty() ? 0u : 1u) << code;
        if (!told.empty()) { EXPECT_EQ(fake.dialogs.shown[0].text, told); }
    }
}

TEST_F(ZipCallbackTest, CancelAnswersMinusOneAtTheNextCallback) {
    // The user presses a cancel button while the messages are processed.
    fake.app.onProcessMessages = [this] { zip.Cancel = true; };
    ZipCallbackData d = Data(2, 0, 100);
    EXPECT_EQ(Call(d), 0);
    EXPECT_EQ(Call(d), -1);
}

TEST_F(ZipCallbackTest, AForeignCallerIsRefused) {
    int progress = 0;
    zip.OnProgress = [&](TZipArchiver&, ProgressType, const std::string&, int32_t) { ++progress; };
    ZipCallbackData d = Data(1, 0, 5, "A");
    auto gone = std::make_unique<TZipArchiver>(platform);  // a component that is gone no longer answers
    int notAComponent = 0;
    for (void* caller : {static_cast<void*>(&notAComponent), static_cast<void*>(gone.get()), static_cast<void*>(nullptr)}) {
        gone.reset();
        d.caller = caller;
        EXPECT_EQ(Call(d), -1);
    }
    EXPECT_EQ(ZipLibrary::ZipCallback(nullptr), -1);
    EXPECT_EQ(progress, 0);
}

TEST_F(ZipCallbackTest, AHandlersErrorCancelsAndIsRaisedAfterwards) {
    zip.OnProgress = [](TZipArchiver&, ProgressType, const std::string&, int32_t) { throw std::runtime_error("broke"); };
    ZipCallbackData d = Data(1, 0, 5, "A");
    EXPECT_EQ(Call(d), -1);
    EXPECT_THROW(zip.library.RethrowCallbackError(), std::runtime_error);
    EXPECT_NO_THROW(zip.library.RethrowCallbackError());
}

class ZipPasswordTest : public ZipCallbackTest {
protected:
    struct Act { std::string entry; bool ok; };  // the user's entry and button, one per dialog
    std::vector<Act> acts;
    std::vector<std::string> seen;  // caption|prompt|OK|Cancel of each dialog
    ZipPasswordTest() {
        TPasswordDlg::runModal = [this](TPasswordDlg& dlg) {
            seen.push_back(dlg.Caption() + "|" + dlg.PromptLabel.Caption() + "|" + dlg.OKBtn.Caption() + "|" +
                           dlg.CancelBtn.Caption());
            ASSERT_LE(seen.size(), acts.size()) << "one dialog too many";
            dlg.PwdEdit.Type(acts[seen.size() - 1].entry);
            (acts[seen.size() - 1].ok ? dlg.OKBtn : dlg.CancelBtn).Click();
        };
    }
    ZipCallbackData Request(bool confirm, int32_t count = 1) {
        ZipCallbackData d = Data(8, confirm ? 1 : 0, count, "DATA/SAVE.DAT");
        return Call(d), d;
    }
};

TEST_F(ZipPasswordTest, TheHandlerAnswersFirstAndUnattendedAsksNobody) {
    std::string forFile;
    zip.OnPasswordError = [&](TZipArchiver&, std::string& pw, const std::string& file, uint32_t& count) {
        forFile = file;
        EXPECT_EQ(count, 3u);
        pw = std::string(100, 'h');  // cut to the entry's 80 characters
        count = 20;
    };
    ZipCallbackData d = Request(true, 3);
    EXPECT_EQ(forFile + std::to_string(d.errorCode) + "/" + std::to_string(d.value), "DATA\\SAVE.DAT1/15");
    EXPECT_EQ(std::string(d.text), std::string(80, 'h'));
    EXPECT_EQ(zip.Password(), "");  // for the library only
    zip.OnPasswordError = [&](TZipArchiver&, std::string&, const std::string&, uint32_t& count) { count = 9; };
    d = Request(false, 3);
    EXPECT_EQ(d.errorCode + d.value, 0);
    zip.OnPasswordError = nullptr, zip.Unattended = true;  // unattended, nobody is asked
    d = Request(true);
    EXPECT_EQ(d.errorCode + d.value + Request(false).errorCode, 0);
    EXPECT_EQ(Numbers(), (Ints{10150, 10151}));
    EXPECT_TRUE(seen.empty());
}

TEST_F(ZipPasswordTest, TheDialogAnswersTheRequest) {
    ZipMessageTable() = {{10152, "OK"}, {10153, "Abbrechen"}, {10154, "Kennwort"}, {10155, "Kennwort eingeben:"},
                         {10156, "Kennwort wiederholen:"}};
    acts = {{std::string(90, 'k'), true}, {std::string(90, 'k'), true}};
    ZipCallbackData d = Request(true, 2);
    EXPECT_EQ(std::string(d.text), std::string(80, 'k'));  // the entry takes 80 characters
    EXPECT_EQ(std::tuple(d.errorCode, d.value), std::tuple(1, 2));
    TPasswordDlg::runModal = nullptr;  // no way to show the dialog: cancelled
    EXPECT_EQ(zip.AskPassword(), "");
    const std::string ask = "Kennwort|Kennwort eingeben:|OK|Abbrechen", again = "Kennwort|Kennwort wiederholen:|OK|Abbrechen";
    EXPECT_EQ(seen, (std::vector<std::string>{ask, again}));
}

TEST_F(ZipPasswordTest, ConfirmationPaths) {
    struct Case { std::vector<Act> acts; std::string answer; size_t dialogs; Ints reported; } cases[] = {
        {{{"abc", true}, {"ABC", true}}, "", 2, {10104}},  // case counts
        {{{"abc", false}}, "", 1, {}}, {{{"", true}}, "", 1, {}}, {{{"abc", true}, {"abc", false}}, "", 2, {}},
        {{{"abc", true}, {"", true}}, "", 2, {}}, {{{"abc", true}, {"abc", true}}, "abc", 2, {}}};
    for (const Case& c : cases) {
        acts = c.acts, seen.clear(), messages.clear();
        if (!c.reported.empty()) fake.dialogs.Answer(mrOk);
        EXPECT_EQ(zip.AskPasswordConfirmed(), c.answer) << c.acts[0].entry << c.dialogs;
        EXPECT_EQ(seen.size(), c.dialogs);
        EXPECT_EQ(Numbers(), c.reported);
    }
}

}  // namespace
}  // namespace zk::test
