// The self-extractor's run over fake files, windows and process start:
// what it asks, what it writes where, what it reports.
#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <map>
#include <set>

#include "sfx_support.h"
#include "zksfx/sfxjournal.h"
#include "zksfx/sfxrun.h"
#include "zkzip/journal.h"

namespace zksfx {
namespace {

using test::MakeHeader;
using test::ZipItem;
using test::ZipMaker;

class FakeTarget : public Target {
public:
    class Out : public OutFile {
    public:
        Out(FakeTarget& t, std::string path) : t_(t), path_(std::move(path)) {}
        bool Write(const void* data, size_t n) override {
            if (t_.written + n > t_.failWriteAfter) return false;
            t_.written += n;
            t_.files[path_].append(static_cast<const char*>(data), n);
            return true;
        }
        bool Close() override { return true; }
        void Discard() override {
            t_.files.erase(path_);
            t_.discarded.push_back(path_);
        }

    private:
        FakeTarget& t_;
        std::string path_;
    };

    Kind Exists(const std::string& path) override {
        if (files.count(path)) return Kind::File;
        return folders.count(path) ? Kind::Folder : Kind::None;
    }
    bool MakeFolder(const std::string& path) override {
        if (!ParentThere(path)) return false;
        folders.insert(path);
        return true;
    }
    std::unique_ptr<OutFile> Create(const std::string& path) override {
        if (!ParentThere(path) || folders.count(path)) return nullptr;
        files[path].clear();
        return std::make_unique<Out>(*this, path);
    }
    int64_t FreeSpace(const std::string& path) override {
        freeAskedFor = path;
        return free;
    }
    void Finish(const std::string& path, uint32_t dosTime, uint32_t attributes) override {
        finished[path] = {dosTime, attributes};
    }
    std::string LastError() override { return "kaputt"; }

    std::map<std::string, std::string> files;
    std::set<std::string> folders;
    std::map<std::string, std::pair<uint32_t, uint32_t>> finished;
    std::vector<std::string> discarded;
    int64_t free = -1;
    std::string freeAskedFor;
    size_t written = 0, failWriteAfter = SIZE_MAX;

private:
    // Folders are made one by one below a drive's root.
    bool ParentThere(const std::string& path) const {
        const std::string parent = path.substr(0, path.rfind('\\'));
        return (parent.size() == 2 && parent[1] == ':') || folders.count(parent) != 0;
    }
};

// Records every call as one line; answers as scripted.
class FakeUi : public Ui {
public:
    bool ShowMessage(const std::string& caption, const std::string& text) override {
        calls.push_back("message " + caption + ": " + text);
        return messageOk;
    }
    bool AskOptions(const std::string& caption, std::string& folder, Overwrite& mode, bool offerMode, size_t files,
                    uint64_t bytes) override {
        calls.push_back("options " + caption + ": " + folder + " mode " + std::to_string(int(mode)) +
                        (offerMode ? " offered " : " hidden ") + std::to_string(files) + "/" + std::to_string(bytes));
        if (!newFolder.empty()) folder = newFolder;
        if (newMode) mode = *newMode;
        return optionsOk;
    }
    OverwriteAnswer AskOverwrite(const std::string& caption, const std::string& path) override {
        calls.push_back("overwrite " + caption + ": " + path);
        if (overwrite.empty()) {
            ADD_FAILURE() << "unexpected overwrite question for " << path;
            return OverwriteAnswer::Cancel;
        }
        OverwriteAnswer a = overwrite.front();
        overwrite.pop_front();
        return a;
    }
    bool AskCommandLine(const std::string& caption, std::string& commandLine) override {
        calls.push_back("command " + caption + ": " + commandLine);
        if (!newCommand.empty()) commandLine = newCommand;
        return commandOk;
    }
    void Error(const std::string& caption, const std::string& text) override {
        calls.push_back("error " + caption + ": " + text);
    }
    void Success(const std::string& caption, const std::string& text) override {
        calls.push_back("success " + caption + ": " + text);
    }
    void Begin(const std::string&, uint64_t totalBytes) override { calls.push_back("begin " + std::to_string(totalBytes)); }
    bool Progress(const std::string&, uint64_t doneBytes) override {
        progress.push_back(doneBytes);
        return doneBytes < cancelAt;
    }
    void End() override { calls.push_back("end"); }

    std::vector<std::string> calls;
    std::vector<uint64_t> progress;
    bool messageOk = true, optionsOk = true, commandOk = true;
    std::string newFolder, newCommand;
    std::optional<Overwrite> newMode;
    std::deque<OverwriteAnswer> overwrite;
    uint64_t cancelAt = UINT64_MAX;
};

class FakeLauncher : public Launcher {
public:
    bool Start(const std::string& commandLine, const std::string& folder, std::string& error) override {
        started.push_back(commandLine + " @ " + folder);
        if (!ok) error = "nicht gefunden";
        return ok;
    }
    std::vector<std::string> started;
    bool ok = true;
};

const std::string kCaption = "Zantorik entpacken";
const std::string kBig = test::RandomBytes(150000, 11);

class SfxRunTest : public ::testing::Test {
protected:
    SfxRunTest() {
        zip.File("readme.txt", "Hallo Welt\r\n")
            .Folder("daten/")
            .File("daten/bild.bin", kBig)
            .File("daten/leer.txt", "", 0)
            .File("tief/unten/x.dat", std::string(5000, 'x'), 0);
    }

    // The stub's file: stub, header, archive.
    std::string SelfFile(bool absoluteOffsets = true) const {
        const std::string prefix = test::FakeStub(4096) + MakeHeader(flags, caption, dir, command, message);
        return prefix + zip.Build(absoluteOffsets ? uint32_t(prefix.size()) : 0);
    }
    Result RunIt(bool absoluteOffsets = true) {
        MemorySource self(SelfFile(absoluteOffsets));
        return RunOn(self);
    }
    Result RunOn(Source& self) {
        RunOptions options;
        options.exeFolder = "C:\\Downloads";
        return zksfx::Run(self, options, target, ui, launcher);
    }
    std::string File(const std::string& path) const {
        auto it = target.files.find(path);
        return it == target.files.end() ? "<missing>" : it->second;
    }
    std::string Last() const { return ui.calls.empty() ? "" : ui.calls.back(); }

    uint8_t flags = 0;
    std::string caption = kCaption, dir = "C:\\ZIEL", command, message;
    ZipMaker zip;
    FakeTarget target;
    FakeUi ui;
    FakeLauncher launcher;
};

TEST_F(SfxRunTest, UnpacksEveryFileIntoTheDefaultFolder) {
    for (bool absolute : {true, false}) {
        SCOPED_TRACE(absolute ? "offsets from the file's start" : "offsets from the archive's start");
        target = FakeTarget();
        ui = FakeUi();
        ASSERT_EQ(RunIt(absolute), Result::Ok);
        EXPECT_EQ(File("C:\\ZIEL\\readme.txt"), "Hallo Welt\r\n");
        EXPECT_TRUE(File("C:\\ZIEL\\daten\\bild.bin") == kBig);
        EXPECT_EQ(File("C:\\ZIEL\\daten\\leer.txt"), "");
        EXPECT_EQ(File("C:\\ZIEL\\tief\\unten\\x.dat"), std::string(5000, 'x'));
        EXPECT_EQ(target.files.size(), 4u);
        EXPECT_EQ(target.folders, (std::set<std::string>{"C:\\ZIEL", "C:\\ZIEL\\daten", "C:\\ZIEL\\tief",
                                                          "C:\\ZIEL\\tief\\unten"}));
        EXPECT_EQ(ui.calls, (std::vector<std::string>{
                                "begin " + std::to_string(12 + kBig.size() + 5000), "end",
                                "success " + kCaption + ": 4 Dateien wurden entpackt nach\nC:\\ZIEL"}));
        EXPECT_TRUE(launcher.started.empty());
        EXPECT_EQ(target.freeAskedFor, "C:\\ZIEL");
    }
}

TEST_F(SfxRunTest, TimeAndAttributesOfFilesAndFolders) {
    zip = ZipMaker();
    ZipItem ro{"nurlesen.txt", "r"};
    ro.attributes = 0x21;
    ro.dosTime = 0x2B4A6C21;
    ZipItem unixRo{"unix.txt", "u"};
    unixRo.madeBy = 3 << 8 | 30;
    unixRo.attributes = 0100444u << 16;
    ZipItem unixRw = unixRo;
    unixRw.name = "unix2.txt";
    unixRw.attributes = 0100644u << 16;
    ZipItem folder{"ordner/", ""};
    folder.method = 0;
    folder.attributes = 0x12;
    folder.dosTime = 0x2B000000;
    for (const ZipItem& it : {ro, unixRo, unixRw, folder}) zip.Add(it);
    ASSERT_EQ(RunIt(), Result::Ok);
    using P = std::pair<uint32_t, uint32_t>;
    EXPECT_EQ(target.finished["C:\\ZIEL\\nurlesen.txt"], P(0x2B4A6C21, 0x21));
    EXPECT_EQ(target.finished["C:\\ZIEL\\unix.txt"].second, 1u);
    EXPECT_EQ(target.finished["C:\\ZIEL\\unix2.txt"].second, 0u);
    EXPECT_EQ(target.finished["C:\\ZIEL\\ordner"], P(0x2B000000, 0x02));
}

TEST(SfxFolders, DefaultFolderResolved) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "C:\\Downloads"},
        {"   ", "C:\\Downloads"},
        {"Spiel", "C:\\Downloads\\Spiel"},
        {"C:/A/B/", "C:\\A\\B"},
        {"\\Spiele", "C:\\Spiele"},
        {"D:Spiele", "D:\\Spiele"},
        {"..\\Anders", "C:\\Anders"},
        {"C:\\..\\..", "C:\\"},
        {"D:\\", "D:\\"},
        {"\\\\server\\share\\dir\\", "\\\\server\\share\\dir"},
        {" C:\\X ", "C:\\X"},
    };
    for (const auto& [dir, want] : cases) EXPECT_EQ(ResolveFolder(dir, "C:\\Downloads"), want) << dir;
    EXPECT_EQ(ExpandCommandLine("\"><\\setup.exe\" /d:>< <>", "C:\\Z"), "\"C:\\Z\\setup.exe\" /d:C:\\Z <>");
    EXPECT_EQ(GroupedNumber(0), "0");
    EXPECT_EQ(GroupedNumber(999), "999");
    EXPECT_EQ(GroupedNumber(1000), "1.000");
    EXPECT_EQ(GroupedNumber(1234567), "1.234.567");
}

TEST_F(SfxRunTest, WithoutADefaultFolderBesideTheProgram) {
    dir = "";
    ASSERT_EQ(RunIt(), Result::Ok);
    EXPECT_EQ(File("C:\\Downloads\\readme.txt"), "Hallo Welt\r\n");
    dir = "Spiel";
    ASSERT_EQ(RunIt(), Result::Ok);
    EXPECT_EQ(File("C:\\Downloads\\Spiel\\readme.txt"), "Hallo Welt\r\n");
}

TEST_F(SfxRunTest, MessageFirstAndCancelEndsEverything) {
    message = "Bitte erst lesen.";
    ASSERT_EQ(RunIt(), Result::Ok);
    EXPECT_EQ(ui.calls.front(), "message " + kCaption + ": Bitte erst lesen.");

    target = FakeTarget();
    ui = FakeUi();
    ui.messageOk = false;
    flags = kAskFiles | kAutoRun;
    command = "readme.txt";
    EXPECT_EQ(RunIt(), Result::Cancelled);
    EXPECT_EQ(ui.calls, std::vector<std::string>{"message " + kCaption + ": Bitte erst lesen."});
    EXPECT_TRUE(target.files.empty());
    EXPECT_TRUE(target.folders.empty());
    EXPECT_TRUE(launcher.started.empty());
}

TEST_F(SfxRunTest, AskFilesOffersFolderAndOverwriteMode) {
    target.folders = {"D:\\Anders"};
    target.files["D:\\Anders\\readme.txt"] = "alt";
    struct Case {
        uint8_t flags;
        const char* offered;
    } const cases[] = {{kAskFiles, "offered"}, {kAskFiles | kHideOverwriteBox, "hidden"}};
    for (const Case& c : cases) {
        flags = c.flags;
        ui = FakeUi();
        ui.newFolder = "D:\\Anders\\";
        ui.newMode = Overwrite::Always;
        ASSERT_EQ(RunIt(), Result::Ok);
        EXPECT_EQ(ui.calls.front(), "options " + kCaption + ": C:\\ZIEL mode 0 " + c.offered + " 4/" +
                                        std::to_string(12 + kBig.size() + 5000));
        EXPECT_EQ(File("D:\\Anders\\readme.txt"), "Hallo Welt\r\n");
        EXPECT_EQ(Last(), "success " + kCaption + ": 4 Dateien wurden entpackt nach\nD:\\Anders");
    }
    EXPECT_EQ(target.folders.count("C:\\ZIEL"), 0u);

    ui = FakeUi();
    ui.optionsOk = false;
    target = FakeTarget();
    EXPECT_EQ(RunIt(), Result::Cancelled);
    EXPECT_EQ(ui.calls.size(), 1u);
    EXPECT_TRUE(target.files.empty());
}

TEST_F(SfxRunTest, OverwriteModes) {
    using A = OverwriteAnswer;
    zip = ZipMaker();
    zip.File("a.txt", "neu a").File("b.txt", "neu b").File("c.txt", "neu c");
    struct Case {
        const char* what;
        uint8_t flags;
        std::deque<A> answers;
        Result result;
        const char* a;
        const char* b;
        const char* c;
        size_t questions;
    } const cases[] = {
        {"always", kOverwriteAlways, {}, Result::Ok, "neu a", "neu b", "neu c", 0},
        {"never", kOverwriteNever, {}, Result::Ok, "alt a", "alt b", "neu c", 0},
        {"hidden box keeps the mode", kOverwriteNever | kHideOverwriteBox, {}, Result::Ok, "alt a", "alt b", "neu c", 0},
        {"yes, no", 0, {A::Yes, A::No}, Result::Ok, "neu a", "alt b", "neu c", 2},
        {"yes to all", 0, {A::YesToAll}, Result::Ok, "neu a", "neu b", "neu c", 1},
        {"no to all", 0, {A::NoToAll}, Result::Ok, "alt a", "alt b", "neu c", 1},
        {"cancel", 0, {A::Cancel}, Result::Cancelled, "alt a", "alt b", "<missing>", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        target = FakeTarget();
        target.folders = {"C:\\ZIEL"};
        target.files = {{"C:\\ZIEL\\a.txt", "alt a"}, {"C:\\ZIEL\\b.txt", "alt b"}};
        ui = FakeUi();
        ui.overwrite = c.answers;
        flags = c.flags;
        EXPECT_EQ(RunIt(), c.result);
        EXPECT_EQ(File("C:\\ZIEL\\a.txt"), c.a);
        EXPECT_EQ(File("C:\\ZIEL\\b.txt"), c.b);
        EXPECT_EQ(File("C:\\ZIEL\\c.txt"), c.c);
        size_t questions = 0;
        for (const std::string& call : ui.calls) questions += call.rfind("overwrite " + kCaption + ": C:\\ZIEL\\", 0) == 0;
        EXPECT_EQ(questions, c.questions);
        EXPECT_TRUE(ui.overwrite.empty());
    }
    // What stayed is counted in the report.
    target = FakeTarget();
    target.folders = {"C:\\ZIEL"};
    target.files = {{"C:\\ZIEL\\a.txt", "alt a"}, {"C:\\ZIEL\\b.txt", "alt b"}};
    ui = FakeUi();
    flags = kOverwriteNever;
    ASSERT_EQ(RunIt(), Result::Ok);
    EXPECT_EQ(Last(), "success " + kCaption + ": 1 Datei wurde entpackt nach\nC:\\ZIEL\n2 Dateien blieben unverändert.");
}

TEST_F(SfxRunTest, SizeCheckAgainstFreeSpace) {
    const uint64_t need = 12 + kBig.size() + 5000;
    struct Case {
        uint8_t flags;
        int64_t free;
        Result result;
    } const cases[] = {
        {0, 1000, Result::Failed},
        {0, int64_t(need) - 1, Result::Failed},
        {0, int64_t(need), Result::Ok},
        {0, -1, Result::Ok},  // unknown
        {kNoCheckSize, 1000, Result::Ok},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.free) + " free, flags " + std::to_string(c.flags));
        target = FakeTarget();
        ui = FakeUi();
        target.free = c.free;
        flags = c.flags;
        EXPECT_EQ(RunIt(), c.result);
        EXPECT_EQ(target.files.empty(), c.result == Result::Failed);
    }
    target = FakeTarget();
    ui = FakeUi();
    target.free = 1000;
    flags = 0;
    RunIt();
    EXPECT_EQ(ui.calls, std::vector<std::string>{"error " + kCaption +
                                                 ": Auf dem Ziellaufwerk sind nur 1.000 Bytes frei; zum Entpacken "
                                                 "werden 155.012 Bytes gebraucht."});
    EXPECT_TRUE(target.folders.empty());
}

TEST_F(SfxRunTest, CommandLineAfterwards) {
    struct Case {
        const char* what;
        uint8_t flags;
        std::string command;
        bool answer;
        std::string edited;
        std::string started;  // empty: nothing started
        bool asked;
    } const cases[] = {
        {"auto-run", kAutoRun, "setup.exe /d \"><\"", true, "", "setup.exe /d \"C:\\ZIEL\" @ C:\\ZIEL", false},
        {"auto-run, edited", kAutoRun | kAskCmdLine, "setup.exe", true, "readme.txt", "readme.txt @ C:\\ZIEL", true},
        {"auto-run, declined", kAutoRun | kAskCmdLine, "setup.exe", false, "", "", true},
        {"only asked", kAskCmdLine, "setup.exe", true, "", "setup.exe @ C:\\ZIEL", true},
        {"not wanted", 0, "setup.exe", true, "", "", false},
        {"nothing to run", kAutoRun | kAskCmdLine, "", true, "", "", false},
        {"edited to nothing", kAutoRun | kAskCmdLine, "setup.exe", true, "  ", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        target = FakeTarget();
        ui = FakeUi();
        launcher = FakeLauncher();
        flags = c.flags;
        command = c.command;
        ui.commandOk = c.answer;
        ui.newCommand = c.edited;
        EXPECT_EQ(RunIt(), Result::Ok);
        if (c.started.empty()) {
            EXPECT_TRUE(launcher.started.empty());
        } else {
            EXPECT_EQ(launcher.started, std::vector<std::string>{c.started});
        }
        const bool asked = !ui.calls.empty() && ui.calls.back().rfind("command ", 0) == 0;
        EXPECT_EQ(asked, c.asked);
        if (c.asked) {
            EXPECT_EQ(ui.calls.back(), "command " + kCaption + ": " + c.command);
        }
        // The report comes first, then the command.
        EXPECT_EQ(ui.calls[ui.calls.size() - (c.asked ? 2 : 1)].rfind("success ", 0), 0u);
    }

    launcher = FakeLauncher();
    launcher.ok = false;
    target = FakeTarget();
    ui = FakeUi();
    flags = kAutoRun | kNoSuccessMsg;
    command = "fehlt.exe";
    EXPECT_EQ(RunIt(), Result::Failed);
    EXPECT_EQ(ui.calls.back(), "error " + kCaption + ": fehlt.exe\nkann nicht gestartet werden.\nnicht gefunden");
}

TEST_F(SfxRunTest, NoSuccessMessageWhenTold) {
    flags = kNoSuccessMsg;
    ASSERT_EQ(RunIt(), Result::Ok);
    EXPECT_EQ(Last(), "end");
    EXPECT_EQ(target.files.size(), 4u);
}

TEST_F(SfxRunTest, UnsafeNamesStayOutside) {
    zip = ZipMaker();
    zip.File("../evil.txt", "x")
        .File("/abs.txt", "x")
        .File("C:/x.txt", "x")
        .File("ok.txt", "gut")
        .File("sub/../../evil2.txt", "x")
        .File("nul", "x");
    flags = kAutoRun;
    command = "ok.txt";
    EXPECT_EQ(RunIt(), Result::Failed);
    EXPECT_EQ(target.files, (std::map<std::string, std::string>{{"C:\\ZIEL\\ok.txt", "gut"}}));
    for (const std::string& f : target.folders) EXPECT_EQ(f.rfind("C:\\ZIEL", 0), 0u) << f;
    EXPECT_EQ(Last(), "error " + kCaption +
                          ": Nicht alles konnte entpackt werden:\n"
                          "../evil.txt: unzulässiger Name, nicht entpackt\n"
                          "/abs.txt: unzulässiger Name, nicht entpackt\n"
                          "C:/x.txt: unzulässiger Name, nicht entpackt\n"
                          "sub/../../evil2.txt: unzulässiger Name, nicht entpackt\n"
                          "nul: unzulässiger Name, nicht entpackt");
    EXPECT_TRUE(launcher.started.empty());
}

TEST_F(SfxRunTest, DamagedEntriesAreLeftOutAndReported) {
    zip = ZipMaker();
    ZipItem crc{"b.bin", kBig};
    crc.crcDelta = 1;
    ZipItem encrypted{"geheim.txt", "x", 0};
    encrypted.flags = kFlagEncrypted;
    ZipItem bzip{"neu.bz", "x", 12};
    ZipItem cut{"kurz.bin", kBig};
    cut.cutData = 500;
    zip.File("a.txt", "A").Add(crc).Add(encrypted).Add(bzip).Add(cut).File("z.txt", "Z");
    EXPECT_EQ(RunIt(), Result::Failed);
    EXPECT_EQ(target.files, (std::map<std::string, std::string>{{"C:\\ZIEL\\a.txt", "A"}, {"C:\\ZIEL\\z.txt", "Z"}}));
    EXPECT_EQ(target.discarded, (std::vector<std::string>{"C:\\ZIEL\\b.bin", "C:\\ZIEL\\kurz.bin"}));
    EXPECT_EQ(Last(), "error " + kCaption +
                          ": Nicht alles konnte entpackt werden:\n"
                          "b.bin: Prüfsummenfehler, nicht entpackt\n"
                          "geheim.txt: verschlüsselt, nicht entpackt\n"
                          "neu.bz: unbekanntes Packverfahren 12, nicht entpackt\n"
                          "kurz.bin: Daten beschädigt, nicht entpackt");
}

// Many directory entries naming one lump of data: refused before a byte is
// written, even with the size check off.
TEST_F(SfxRunTest, EntriesSharingTheirDataAreRefused) {
    flags = kNoCheckSize;
    zip = ZipMaker();
    zip.File("a.bin", kBig).File("b.txt", "B");
    std::string self = SelfFile();
    const size_t end = self.size() - 22, dir = self.find("PK\1\2"), second = self.find("PK\1\2", dir + 1);
    const std::string first = self.substr(dir, second - dir);
    std::string copies;
    for (int i = 0; i < 50; ++i) copies += first;
    self.insert(end, copies);
    const size_t e = self.size() - 22;
    const uint16_t count = uint16_t(2 + 50);
    const uint32_t size = uint32_t(end - dir + copies.size());
    for (int i = 0; i < 2; ++i) self[e + 8 + i] = self[e + 10 + i] = char(count >> (8 * i));
    for (int i = 0; i < 4; ++i) self[e + 12 + i] = char(size >> (8 * i));
    MemorySource src(self);
    EXPECT_EQ(RunOn(src), Result::Failed);
    EXPECT_EQ(Last(), "error " + kCaption + ": Das Archiv ist beschädigt: die Daten seiner Einträge überlappen sich.");
    EXPECT_TRUE(target.files.empty());
}

// The archiver's last add was cut short: the journal beside the program
// gives back the archive as it was.
TEST_F(SfxRunTest, AnInterruptedAddIsReadAsBefore) {
    const std::string old = SelfFile();
    zkzip::journal::Undo u;
    u.tailOffset = old.find("PK\1\2");
    u.tail = old.substr(u.tailOffset);
    u.prefixLength = 100;
    u.prefixCrc = zkzip::journal::Crc32(old.data() + u.tailOffset - 100, 100);
    const std::string journal = zkzip::journal::Encode(u);
    MemorySource crashed(old.substr(0, u.tailOffset) + "PK\3\4 half a new entry");
    EXPECT_EQ(UndoneView(crashed, journal.substr(0, journal.size() - 1)), nullptr);
    std::unique_ptr<Source> undone = UndoneView(crashed, journal);
    ASSERT_NE(undone, nullptr);
    ASSERT_EQ(RunOn(*undone), Result::Ok);
    EXPECT_EQ(target.files.size(), 4u);
    EXPECT_TRUE(File("C:\\ZIEL\\daten\\bild.bin") == kBig);
}

TEST_F(SfxRunTest, LongProblemListIsCut) {
    zip = ZipMaker();
    for (int i = 0; i < 20; ++i) zip.File("../x" + std::to_string(i), "x");
    EXPECT_EQ(RunIt(), Result::Failed);
    EXPECT_NE(Last().find("../x14: unzulässiger Name, nicht entpackt\n... und 5 weitere"), std::string::npos) << Last();
    EXPECT_EQ(Last().find("../x15"), std::string::npos);
}

TEST_F(SfxRunTest, WriteFailureStopsTheRun) {
    target.failWriteAfter = 100000;
    flags = kAutoRun;
    command = "readme.txt";
    EXPECT_EQ(RunIt(), Result::Failed);
    EXPECT_EQ(target.files.count("C:\\ZIEL\\daten\\bild.bin"), 0u);
    EXPECT_EQ(target.files.count("C:\\ZIEL\\tief\\unten\\x.dat"), 0u);
    EXPECT_EQ(File("C:\\ZIEL\\readme.txt"), "Hallo Welt\r\n");
    EXPECT_EQ(ui.calls.end()[-2], "end");
    EXPECT_EQ(Last(), "error " + kCaption + ": Die Datei C:\\ZIEL\\daten\\bild.bin kann nicht geschrieben werden.\nkaputt");
    EXPECT_TRUE(launcher.started.empty());
}

TEST_F(SfxRunTest, FolderThatCannotBeMade) {
    // A file stands where the target folder should be.
    target.files["C:\\ZIEL"] = "Datei";
    EXPECT_EQ(RunIt(), Result::Failed);
    EXPECT_EQ(Last(), "error " + kCaption + ": Der Ordner C:\\ZIEL kann nicht angelegt werden.\nkaputt");
    // A folder stands where a file should go.
    target = FakeTarget();
    target.folders = {"C:\\ZIEL", "C:\\ZIEL\\readme.txt"};
    ui = FakeUi();
    EXPECT_EQ(RunIt(), Result::Failed);
    EXPECT_NE(Last().find("readme.txt: ein Ordner dieses Namens ist schon da, nicht entpackt"), std::string::npos);
    EXPECT_TRUE(File("C:\\ZIEL\\daten\\bild.bin") == kBig);
}

TEST_F(SfxRunTest, CancelWhileUnpacking) {
    ui.cancelAt = 50000;
    EXPECT_EQ(RunIt(), Result::Cancelled);
    EXPECT_EQ(target.discarded, std::vector<std::string>{"C:\\ZIEL\\daten\\bild.bin"});
    EXPECT_EQ(target.files.count("C:\\ZIEL\\daten\\bild.bin"), 0u);
    EXPECT_EQ(Last(), "end");
}

TEST_F(SfxRunTest, NotASelfExtractor) {
    MemorySource bare(test::FakeStub(4096) + zip.Build());
    EXPECT_EQ(RunOn(bare), Result::Failed);
    EXPECT_EQ(ui.calls.size(), 1u);
    EXPECT_EQ(Last().rfind("error Selbstentpackendes Archiv: Diese Datei enthält kein selbstentpackendes Archiv (", 0), 0u)
        << Last();

    ui = FakeUi();
    MemorySource broken(test::FakeStub(4096) + MakeHeader(0, kCaption) + std::string(100, 'z'));
    EXPECT_EQ(RunOn(broken), Result::Failed);
    EXPECT_EQ(Last(), "error " + kCaption + ": Das Archiv ist beschädigt: kein Zip-Archiv (Endsatz fehlt).");
    EXPECT_TRUE(target.files.empty());
}

TEST_F(SfxRunTest, EmptyCaptionFallsBack) {
    caption = "";
    ASSERT_EQ(RunIt(), Result::Ok);
    EXPECT_EQ(Last().rfind("success Selbstentpackendes Archiv: ", 0), 0u);
}

TEST_F(SfxRunTest, NewSelfExtractorBeforeAnyFileWasAdded) {
    // Stub, header and the empty end record pointing behind the header.
    const std::string prefix = test::FakeStub(4096) + MakeHeader(0, kCaption, "C:\\ZIEL");
    MemorySource self(prefix + test::EmptyEndRecord(uint32_t(prefix.size())));
    EXPECT_EQ(RunOn(self), Result::Ok);
    EXPECT_EQ(Last(), "success " + kCaption + ": 0 Dateien wurden entpackt nach\nC:\\ZIEL");
}

TEST_F(SfxRunTest, UnattendedAnswersWithTheDefaults) {
    std::vector<std::string> log;
    UnattendedUi quiet([&log](const std::string& line) { log.push_back(line); });
    target.folders = {"C:\\ZIEL"};
    target.files["C:\\ZIEL\\readme.txt"] = "alt";
    flags = kAskFiles | kAskCmdLine | kAutoRun;
    message = "Erst lesen\nzweite Zeile";
    command = "readme.txt";
    MemorySource self(SelfFile());
    RunOptions options;
    options.exeFolder = "C:\\Downloads";
    EXPECT_EQ(zksfx::Run(self, options, target, quiet, launcher), Result::Ok);
    EXPECT_EQ(log, (std::vector<std::string>{
                       "message: Erst lesen|zweite Zeile -> ok",
                       "options: C:\\ZIEL confirm (mode offered), 4 files, 155012 bytes -> ok",
                       "overwrite: C:\\ZIEL\\readme.txt -> no",
                       "success: 3 Dateien wurden entpackt nach|C:\\ZIEL|1 Datei blieb unverändert.",
                       "command line: readme.txt -> run",
                   }));
    EXPECT_EQ(File("C:\\ZIEL\\readme.txt"), "alt");
    EXPECT_EQ(launcher.started, std::vector<std::string>{"readme.txt @ C:\\ZIEL"});
}

}  // namespace
}  // namespace zksfx
