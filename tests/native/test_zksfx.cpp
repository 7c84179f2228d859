// The self-extractor: its reading of its own file (the settings header, the
// end of its program image, the archive behind it, names and entry data),
// and its run over fake files, windows and process start: what it asks,
// what it writes where, what it reports.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>

#include "sfx_support.h"
#include "zksfx/sfxformat.h"
#include "zksfx/sfxjournal.h"
#include "zksfx/sfxrun.h"
#include "zipundo/journal.h"

namespace zksfx {
namespace {

using test::FakeStub;
using test::MakeHeader;
using test::ZipItem;
using test::ZipMaker;


TEST(SfxHeader, ParsedOrRefusedAndItsFlags) {
    const std::string h = MakeHeader(0xC5, "Gr\xF6\xDF" "e \x80\xA0", "\xC3\xBC" "ber", "setup.exe ><", "Hallo\nWelt");
    Settings s;
    std::string error;
    ASSERT_TRUE(ParseHeader(reinterpret_cast<const uint8_t*>(h.data()), h.size(), s, error)) << error;
    EXPECT_EQ(s.headerLength, 48);  // 12 + 8 + 5 + 12 + 10, rounded up to a multiple of 4
    EXPECT_EQ(s.caption + "|" + s.defaultDir + "|" + s.commandLine + "|" + s.message,
              "Größe €\u00A0|über|setup.exe ><|Hallo\nWelt");  // UTF-8 or the ANSI code page
    EXPECT_EQ(std::tuple(s.Has(kAskCmdLine), s.Has(kHideOverwriteBox), s.Has(kAutoRun), s.Has(kNoSuccessMsg), s.Has(kAskFiles)),
              std::tuple(true, true, true, true, false));
    const std::string good = MakeHeader(0, "Self-extracting Archive");
    auto with = [&](size_t at, char c, std::string tail = "") {
        std::string b = good;
        b[at] = c;
        return b + tail;
    };
    std::string overrun = MakeHeader(0, "abc");
    overrun[8] = 100;
    for (const std::string& bytes : {with(2, 'W'), with(5, 2), with(6, 35), with(6, 40, std::string(4, '\0')),
                                     with(6, 32), overrun, with(34, 2) /* last text one byte past */,
                                     good.substr(0, 30), std::string()}) {
        const std::vector<uint8_t> exact(bytes.begin(), bytes.end());  // the sanitizers see any read beyond
        EXPECT_FALSE(ParseHeader(exact.data(), exact.size(), s, error)) << bytes.size();
    }
    const std::tuple<uint8_t, Overwrite, bool> flags[] = {
        {0x10, Overwrite::Never, true}, {0x18, Overwrite::Confirm, true}, {0x2C, Overwrite::Always, false}};
    for (const auto& [f, mode, check] : flags) {
        s.flags = f;
        EXPECT_EQ(std::make_pair(s.OverwriteMode(), s.CheckSize()), std::make_pair(mode, check)) << int(f);
    }
}

// A signature's directory entry points at the end of the file.
std::string Signed(std::string file) {
    const std::string cert = "signature" + std::string(503, 's');
    const size_t entry = 0x40 + 24 + 112 + 4 * 8;  // PE32+ directory 4
    for (int i = 0; i < 4; ++i) {
        file[entry + i] = char(file.size() >> (8 * i));
        file[entry + 4 + i] = char(cert.size() >> (8 * i));
    }
    return file + cert;
}

TEST(SfxImage, EndOfTheProgramImage) {
    std::string shortOptional = FakeStub(4000);
    shortOptional[0x40 + 20] = 64;  // PE32+ optional header of 64 bytes only (once read past its buffer):
    const std::pair<std::string, uint64_t> cases[] = {
        {FakeStub(4096, 4 + 18 * 3 + 40), 4096 + 4 + 18 * 3 + 40},  // with a symbol table
        {FakeStub(4096, 4 + 18 * 3), 4096 + 4 + 18 * 3},            // and an empty string table
        {FakeStub(3000) + std::string(700, 'x'), 3000},             // bytes behind the image do not count
        {Signed(FakeStub(4000)), 4000},                             // the image ends with its sections
        {shortOptional, 0x200},  // the section table behind it is empty: the image ends with its headers
    };
    for (const auto& [file, end] : cases) {
        MemorySource src(file);
        EXPECT_EQ(PeImageEnd(src), end) << file.size();
    }
}

TEST(SfxImage, HeaderBehindTheImageFoundDespiteGapsAndSignatures) {
    const std::string header = MakeHeader(0x40, "Titel", "C:\\ZIEL");
    const std::string zip = ZipMaker().File("a", "b").Build(4000 + uint32_t(header.size()));
    const std::tuple<std::string, uint64_t, uint64_t> cases[] = {  // file, where the search ends, header (0: none)
        {FakeStub(4000, 94) + header, 0, 4094},
        {Signed(FakeStub(4000) + header + zip), 0, 4000},               // the finished archive signed
        {Signed(FakeStub(4000)) + header + zip, 0, 4512},               // the stub signed first
        {FakeStub(4000) + header, 4000 + header.size() - 1, 0},         // it would overlap the archive
        {FakeStub(4000) + zip, 0, 0},                                   {FakeStub(4000) + std::string("MPV\0\0", 5), 0, 0},
    };
    for (const auto& [file, end, want] : cases) {
        MemorySource src(file);
        uint64_t offset = 0;
        Settings s;
        std::string error;
        EXPECT_EQ(LocateHeader(src, end ? end : file.size(), offset, s, error), want != 0) << want << error;
        EXPECT_EQ(want ? offset : 0, want);
        EXPECT_EQ(want ? s.caption : "Titel", "Titel");
    }
}


TEST(SfxArchive, OffsetsFromTheArchiveOrFromTheFileStartOrAShiftedDirectory) {
    const std::string prefix = FakeStub(2048) + MakeHeader(0, "x");
    ZipMaker zip;
    zip.File("eins.txt", "erste Datei", 0).File("zwei.bin", test::RandomBytes(3000, 2), 0);
    std::string moved = prefix + zip.Build(uint32_t(prefix.size()));
    // The end record claims the directory 100 bytes too early; the entries
    // count from the file's start.
    const size_t end = moved.size() - 22;
    const uint32_t recorded = Get32(reinterpret_cast<const uint8_t*>(&moved[end + 16])) - 100;
    for (int i = 0; i < 4; ++i) moved[end + 16 + size_t(i)] = char(recorded >> (8 * i));
    const std::pair<std::string, int64_t> cases[] = {
        {prefix + zip.Build(0, "Kommentar"), int64_t(prefix.size())},  // appended as it was (unzip's prefix)
        {prefix + zip.Build(uint32_t(prefix.size())), 0},               // grown by the library
        {moved, 100},
    };
    for (const auto& [file, shift] : cases) {
        MemorySource src(file);
        Archive a;
        std::string error;
        ASSERT_TRUE(ReadArchive(src, a, error)) << shift << ": " << error;
        EXPECT_EQ(a.shift, shift);
        ASSERT_EQ(a.entries.size(), 2u);
        uint64_t data = 0, header = 0;
        ASSERT_TRUE(LocateData(src, a, a.entries[1], data, error, &header)) << shift;
        EXPECT_EQ(header, prefix.size() + 30 + 8 + 11) << shift;
        EXPECT_EQ(data, header + 30 + 8) << shift;
    }
}

TEST(SfxArchive, RefusesWhatItCannotRead) {
    auto damaged = [](size_t fromEnd, char c, size_t n = 1) {
        std::string z = ZipMaker().File("a", "b").Build();
        for (size_t i = 0; i < n; ++i) z[z.size() - fromEnd + i] = c;
        return z;
    };
    // Too short, no end record, spanned, a broken directory, zip64.
    for (const std::string& bytes : {std::string("PK\x05\x06"), std::string(400, 'z'), damaged(22 - 4, 1),
                                     damaged(22 + 47, 'X'), damaged(22 - 16, '\xFF', 4)}) {
        MemorySource src(bytes);
        Archive a;
        std::string error;
        EXPECT_FALSE(ReadArchive(src, a, error)) << bytes.size();
    }
    // An entry whose local header is not where the directory says.
    std::string moved = ZipMaker().File("a", "b", 0).Build();
    moved[0] = 'Q';
    MemorySource src(moved);
    Archive a;
    std::string error;
    ASSERT_TRUE(ReadArchive(src, a, error));
    uint64_t data;
    EXPECT_FALSE(LocateData(src, a, a.entries[0], data, error));
    // A zip64 offset past any file beside a shifted directory: the sum is
    // taken in unsigned arithmetic (found by fuzzing).
    a.shift = -10822;
    a.entries[0].recordedOffset = uint64_t(1) << 63;
    EXPECT_FALSE(LocateData(src, a, a.entries[0], data, error));
}

TEST(SfxArchive, NamesInUtf8OrTheDosCodePage) {
    ZipItem utf8{"Gr\xC3\xB6\xC3\x9F" "e.txt", "x"}, dos{"M\x84" "rchen\\\x9A" "ber.txt", "x"};
    utf8.flags = kFlagUtf8, dos.madeBy = 20;
    MemorySource src(ZipMaker().Add(utf8).Add(dos).Build());
    Archive a;
    std::string error;
    ASSERT_TRUE(ReadArchive(src, a, error)) << error;
    ASSERT_EQ(a.entries.size(), 2u);
    EXPECT_EQ(a.entries[0].name + "|" + a.entries[1].name, "Größe.txt|Märchen/Über.txt");
}

// Device names are refused, also COM0, LPT0 and the superscript digits.
TEST(SfxNames, OnlyPathsBelowTheTarget) {
    const std::pair<const char*, const char*> cases[] = {  // nullptr: refused
        {"dir/sub/b.bin", "dir\\sub\\b.bin"}, {"./a//b", "a\\b"}, {"readme.", "readme"}, {"com10.txt", "com10.txt"},
        {"COM\u2074", "COM\u2074"}, {"../evil.txt", nullptr}, {"a/.. /evil", nullptr}, {"a/.../evil", nullptr},
        {"\\windows\\x", nullptr}, {"C:x.txt", nullptr}, {"file.txt:stream", nullptr}, {"dir/nul.txt", nullptr},
        {"COM\u00B2 .log", nullptr}, {"COM0", nullptr}, {"lpt0.txt", nullptr}, {"a<b", nullptr}, {"tab\there", nullptr},
        {"./", nullptr},
    };
    for (const auto& [name, want] : cases) {
        std::string rel;
        EXPECT_EQ(SafeRelativePath(name, rel) ? rel : "refused", want ? want : "refused") << name;
    }
}

TEST(SfxUnpack, DamageIsFound) {
    const std::string data = test::RandomBytes(100000, 3) + std::string(50000, 'q');
    auto item = [&](uint16_t method, std::function<void(ZipItem&)> spoil) {
        ZipItem it{"f", data, method};
        spoil(it);
        return it;
    };
    const std::pair<ZipItem, UnpackStatus> cases[] = {
        {item(8, [](ZipItem& i) { i.crcDelta = 1; }), UnpackStatus::CrcError},
        {item(0, [](ZipItem& i) { i.crcDelta = -1; }), UnpackStatus::CrcError},
        {item(8, [](ZipItem& i) { i.sizeDelta = 10; }), UnpackStatus::DataError},   // the stream ends early
        {item(8, [](ZipItem& i) { i.sizeDelta = -10; }), UnpackStatus::DataError},  // the stream yields more
        {item(8, [](ZipItem& i) { i.cutData = 100; }), UnpackStatus::DataError},
        {item(0, [](ZipItem& i) { i.flags = kFlagEncrypted; }), UnpackStatus::Encrypted},
        {item(0, [](ZipItem& i) { i.method = 12; }), UnpackStatus::Unsupported},
    };
    for (const auto& [it, want] : cases) {
        struct Out : OutFile {
            bool Write(const void* d, size_t n) override { return bytes.append(static_cast<const char*>(d), n), true; }
            bool Close() override { return true; }
            void Discard() override {}
            std::string bytes;
        } out;
        MemorySource src(ZipMaker().Add(it).Build());
        Archive a;
        std::string error;
        uint64_t at = 0;
        ASSERT_TRUE(ReadArchive(src, a, error)) << error;
        ASSERT_TRUE(LocateData(src, a, a.entries.at(0), at, error)) << error;
        EXPECT_EQ(Unpack(src, at, a.entries[0], out, nullptr), want);
        // Inflating stops at the declared size: a lying entry cannot fill the disk.
        EXPECT_LE(out.bytes.size(), size_t(int64_t(data.size()) + it.sizeDelta));
    }
}


class FakeTarget : public Target {
public:
    struct Out : OutFile {
        Out(FakeTarget& t, std::string path) : t(t), path(std::move(path)) {}
        bool Write(const void* data, size_t n) override {
            if (t.written + n > t.failWriteAfter) return false;
            t.written += n;
            t.files[path].append(static_cast<const char*>(data), n);
            return true;
        }
        bool Close() override { return true; }
        void Discard() override { t.files.erase(path), t.discarded.push_back(path); }
        FakeTarget& t;
        std::string path;
    };
    Kind Exists(const std::string& path) override {
        return files.count(path) ? Kind::File : folders.count(path) ? Kind::Folder : Kind::None;
    }
    bool MakeFolder(const std::string& path) override { return ParentThere(path) && folders.insert(path).second; }
    std::unique_ptr<OutFile> Create(const std::string& path) override {
        if (!ParentThere(path) || folders.count(path)) return nullptr;
        files[path].clear();
        return std::make_unique<Out>(*this, path);
    }
    int64_t FreeSpace(const std::string& path) override { return freeAskedFor = path, free; }
    void Finish(const std::string& path, uint32_t dosTime, uint32_t attr) override { finished[path] = {dosTime, attr}; }
    std::string LastError() override { return "kaputt"; }

    std::map<std::string, std::string> files;
    std::set<std::string> folders;
    std::map<std::string, std::pair<uint32_t, uint32_t>> finished;  // time and DOS attributes given
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
        return Call("message " + caption + ": " + text), messageOk;
    }
    bool AskOptions(const std::string& caption, std::string& folder, Overwrite& mode, bool offerMode, size_t files,
                    uint64_t bytes) override {
        Call("options " + caption + ": " + folder + " mode " + std::to_string(int(mode)) +
             (offerMode ? " offered " : " hidden ") + std::to_string(files) + "/" + std::to_string(bytes));
        if (!newFolder.empty()) folder = newFolder;
        if (newMode) mode = *newMode;
        return optionsOk;
    }
    OverwriteAnswer AskOverwrite(const std::string& caption, const std::string& path) override {
        Call("overwrite " + caption + ": " + path);
        EXPECT_FALSE(overwrite.empty()) << "unexpected overwrite question for " << path;
        OverwriteAnswer a = overwrite.empty() ? OverwriteAnswer::Cancel : overwrite.front();
        if (!overwrite.empty()) overwrite.pop_front();
        return a;
    }
    bool AskCommandLine(const std::string& caption, std::string& commandLine) override {
        Call("command " + caption + ": " + commandLine);
        if (!newCommand.empty()) commandLine = newCommand;
        return commandOk;
    }
    void Error(const std::string& caption, const std::string& text) override { Call("error " + caption + ": " + text); }
    void Success(const std::string& caption, const std::string& text) override { Call("success " + caption + ": " + text); }
    void Begin(const std::string&, uint64_t totalBytes) override { Call("begin " + std::to_string(totalBytes)); }
    bool Progress(const std::string&, uint64_t doneBytes) override { return doneBytes < cancelAt; }
    void End() override { Call("end"); }
    void Call(const std::string& line) { calls.push_back(line); }

    std::vector<std::string> calls;
    bool messageOk = true, optionsOk = true, commandOk = true;
    std::string newFolder, newCommand;
    std::optional<Overwrite> newMode;
    std::deque<OverwriteAnswer> overwrite;
    uint64_t cancelAt = UINT64_MAX;
};

class FakeLauncher : public Launcher {
public:
    bool Start(const std::string& commandLine, const std::string& folder, std::string& error) override {
        return started.push_back(commandLine + " @ " + folder), error.empty();
    }
    std::vector<std::string> started;
};

const std::string kCaption = "Zantorik entpacken";
const std::string kBig = test::RandomBytes(150000, 11);
const uint64_t kTotal = 12 + kBig.size() + 5000;
const std::string kDone = "success " + kCaption + ": 4 Dateien wurden entpackt nach\n";

class SfxRun : public ::testing::Test {
public:
    SfxRun() { Defaults(); }
    // The stub's file: stub, header, archive.
    std::string SelfFile(bool absoluteOffsets = true) const {
        const std::string prefix = FakeStub(4096) + MakeHeader(flags, caption, dir, command, message);
        return prefix + zip.Build(absoluteOffsets ? uint32_t(prefix.size()) : 0);
    }
    Result RunIt(bool absoluteOffsets = true) {
        MemorySource self(SelfFile(absoluteOffsets));
        return RunOn(self);
    }
    Result RunOn(Source& self, Ui* other = nullptr) {
        RunOptions options;
        options.exeFolder = "C:\\Downloads";
        return zksfx::Run(self, options, target, other ? *other : ui, launcher);
    }
    void Defaults() {
        flags = 0;
        caption = kCaption, dir = "C:\\ZIEL", command = message = "";
        zip = ZipMaker();
        zip.File("readme.txt", "Hallo Welt\r\n").Folder("daten/").File("daten/bild.bin", kBig).File("daten/leer.txt", "", 0);
        zip.File("tief/unten/x.dat", std::string(5000, 'x'), 0);
        Reset();
    }
    void Reset() { target = FakeTarget(), ui = FakeUi(), launcher = FakeLauncher(); }
    std::string File(const std::string& path) const {
        auto it = target.files.find(path);
        return it == target.files.end() ? "<missing>" : it->second;
    }
    std::string Last() const { return ui.calls.empty() ? "" : ui.calls.back(); }

    uint8_t flags;
    std::string caption, dir, command, message;
    ZipMaker zip;
    FakeTarget target;
    FakeUi ui;
    FakeLauncher launcher;
};

TEST_F(SfxRun, UnpacksEveryFileIntoTheDefaultFolder) {
    for (bool absolute : {true, false}) {
        Reset();
        ASSERT_EQ(RunIt(absolute), Result::Ok);
        EXPECT_EQ(target.files, (std::map<std::string, std::string>{{"C:\\ZIEL\\readme.txt", "Hallo Welt\r\n"},
                                                                     {"C:\\ZIEL\\daten\\bild.bin", kBig},
                                                                     {"C:\\ZIEL\\daten\\leer.txt", ""},
                                                                     {"C:\\ZIEL\\tief\\unten\\x.dat", std::string(5000, 'x')}}));
        EXPECT_EQ(target.folders, (std::set<std::string>{"C:\\ZIEL", "C:\\ZIEL\\daten", "C:\\ZIEL\\tief",
                                                          "C:\\ZIEL\\tief\\unten"}));
        EXPECT_EQ(ui.calls, (std::vector<std::string>{"begin " + std::to_string(kTotal), "end", kDone + "C:\\ZIEL"}));
        EXPECT_EQ(target.freeAskedFor, "C:\\ZIEL");
    }
}

// Files get their stored time, and the DOS attributes worth keeping: from a
// DOS, Windows or OS/2 host as they are, from Unix read-only when no one may write.
TEST_F(SfxRun, TimesAndAttributesByHost) {
    const std::tuple<uint16_t, uint32_t, uint32_t> rows[] = {
        {0x0014, 0x31, 0x21},          {0x0614, 0x27, 0x27},     {0x0B14, 0x10 | 0x07, 0x07},
        {0x0E14, 0x01, 0x01},          {0x0314, 0100444u << 16, 1}, {0x0314, 0100644u << 16, 0},
        {0x0314, 0x01, 0},             {0x1314, 0x01, 0},
    };
    for (const auto& [madeBy, attributes, want] : rows) {
        zip = ZipMaker();
        ZipItem item("a.txt", "a");
        item.madeBy = madeBy, item.attributes = attributes;
        zip.Add(item);
        Reset();
        ASSERT_EQ(RunIt(), Result::Ok);
        EXPECT_EQ(target.finished["C:\\ZIEL\\a.txt"], std::make_pair(item.dosTime, want)) << std::hex << madeBy;
    }
}

TEST_F(SfxRun, OverwriteModes) {
    using A = OverwriteAnswer;
    zip = ZipMaker();
    zip.File("a.txt", "neu a").File("b.txt", "neu b").File("c.txt", "neu c");
    const struct { uint8_t flags; std::deque<A> answers; Result result; const char* files; } cases[] = {
        {kOverwriteAlways, {}, Result::Ok, "neu a|neu b|neu c"},
        {kOverwriteNever | kHideOverwriteBox, {}, Result::Ok, "alt a|alt b|neu c"},
        {0, {A::Yes, A::No}, Result::Ok, "neu a|alt b|neu c"},
        {0, {A::Cancel}, Result::Cancelled, "alt a|alt b|<missing>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.files);
        Reset();
        target.folders = {"C:\\ZIEL"};
        target.files = {{"C:\\ZIEL\\a.txt", "alt a"}, {"C:\\ZIEL\\b.txt", "alt b"}};
        ui.overwrite = c.answers;
        flags = c.flags;
        EXPECT_EQ(RunIt(), c.result);
        EXPECT_EQ(File("C:\\ZIEL\\a.txt") + "|" + File("C:\\ZIEL\\b.txt") + "|" + File("C:\\ZIEL\\c.txt"), c.files);
        size_t questions = 0;
        for (const std::string& call : ui.calls) questions += call.rfind("overwrite " + kCaption + ": C:\\ZIEL\\", 0) == 0;
        EXPECT_EQ(questions, c.answers.size());
        EXPECT_TRUE(ui.overwrite.empty());
    }
    EXPECT_EQ(ui.calls.back(), "end");
}

TEST_F(SfxRun, CommandLineAfterwards) {
    // started empty: nothing started
    const struct { uint8_t flags; std::string command; bool answer; std::string edited, started; bool asked; } cases[] = {
        {kAutoRun, "setup.exe /d \"><\"", true, "", "setup.exe /d \"C:\\ZIEL\" @ C:\\ZIEL", false},
        {kAutoRun | kAskCmdLine, "setup.exe", true, "readme.txt", "readme.txt @ C:\\ZIEL", true},
        {kAutoRun | kAskCmdLine, "setup.exe", false, "", "", true}, {0, "setup.exe", true, "", "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.started);
        Reset();
        flags = c.flags;
        command = c.command;
        ui.commandOk = c.answer;
        ui.newCommand = c.edited;
        EXPECT_EQ(RunIt(), Result::Ok);
        EXPECT_EQ(launcher.started, c.started.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.started});
        // The report comes first, then the command.
        EXPECT_EQ(Last(), c.asked ? "command " + kCaption + ": " + c.command : kDone + "C:\\ZIEL");
    }
}

// One row per ending: the result and what the user sees last.
TEST_F(SfxRun, EndingsAndTheirReports) {
    const std::string broken = "error " + kCaption + ": Nicht alles konnte entpackt werden:\n";
    const std::map<std::string, std::string> readme = {{"C:\\ZIEL\\readme.txt", "Hallo Welt\r\n"}};
    using Files = std::optional<std::map<std::string, std::string>>;
    const Files nothing = std::map<std::string, std::string>{};
    const struct { std::function<void(SfxRun&)> setup; Result result; std::string last; Files files; std::vector<std::string> discarded; }
    cases[] = {
        {[](SfxRun& t) { t.dir = ""; }, Result::Ok, kDone + "C:\\Downloads", {}, {}},  // beside the program
        {[](SfxRun& t) { t.message = "Bitte erst lesen.", t.ui.messageOk = false, t.flags = kAskFiles; }, Result::Cancelled,
         "message " + kCaption + ": Bitte erst lesen.", nothing, {}},
        {[](SfxRun& t) {  // another folder and mode asked for
             t.flags = kAskFiles, t.ui.newFolder = "D:\\Anders\\", t.ui.newMode = Overwrite::Always;
             t.target.folders = {"D:\\Anders"}, t.target.files["D:\\Anders\\readme.txt"] = "alt";
             t.zip = ZipMaker(), t.zip.File("readme.txt", "neu");
         },
         Result::Ok, "success " + kCaption + ": 1 Datei wurde entpackt nach\nD:\\Anders", Files{{{"D:\\Anders\\readme.txt", "neu"}}},
         {}},
        {[](SfxRun& t) { t.target.free = int64_t(kTotal); }, Result::Ok, kDone + "C:\\ZIEL", {}, {}},
        // A server without a share holds no folders; its entries would name the shares (found by fuzzing).
        {[](SfxRun& t) { t.dir = "//IE", t.zip = ZipMaker(), t.zip.Folder("Q.T/\\").File("Q.T/a.txt", "a"); },
         Result::Failed, "error " + kCaption + ": Der Ordner \\\\IE kann nicht angelegt werden.\nkaputt", nothing, {}},
        {[](SfxRun& t) { t.target.free = int64_t(kTotal) - 1; }, Result::Failed,
         "error " + kCaption + ": Auf dem Ziellaufwerk sind nur 155.011 Bytes frei; zum Entpacken werden 155.012 Bytes gebraucht.",
         nothing, {}},
        {[](SfxRun& t) { t.flags = kAskFiles | kHideOverwriteBox, t.ui.optionsOk = false; }, Result::Cancelled,
         "options " + kCaption + ": C:\\ZIEL mode 0 hidden 4/" + std::to_string(kTotal), nothing, {}},
        {[](SfxRun& t) {
             t.zip = ZipMaker();
             for (const char* n : {"../evil.txt", "ok.txt", "nul"}) t.zip.File(n, std::string(n) == "ok.txt" ? "gut" : "x");
             t.flags = kAutoRun;
             t.command = "ok.txt";  // not started after a failure
         },
         Result::Failed, broken + "../evil.txt: unzulässiger Name, nicht entpackt\nnul: unzulässiger Name, nicht entpackt",
         Files{{{"C:\\ZIEL\\ok.txt", "gut"}}}, {}},
        {[](SfxRun& t) {
             ZipItem crc{"b.bin", kBig}, encrypted{"geheim.txt", "x", 0}, bzip{"neu.bz", "x", 12}, cut{"kurz.bin", kBig};
             crc.crcDelta = 1, encrypted.flags = kFlagEncrypted, cut.cutData = 500;
             t.zip = ZipMaker();
             t.zip.File("a.txt", "A").Add(crc).Add(encrypted).Add(bzip).Add(cut).File("z.txt", "Z");
         },
         Result::Failed,
         broken + "b.bin: Prüfsummenfehler, nicht entpackt\ngeheim.txt: verschlüsselt, nicht entpackt\n"
                  "neu.bz: unbekanntes Packverfahren 12, nicht entpackt\nkurz.bin: Daten beschädigt, nicht entpackt",
         Files{{{"C:\\ZIEL\\a.txt", "A"}, {"C:\\ZIEL\\z.txt", "Z"}}}, {"C:\\ZIEL\\b.bin", "C:\\ZIEL\\kurz.bin"}},
        {[](SfxRun& t) { t.target.failWriteAfter = 100000, t.flags = kAutoRun, t.command = "readme.txt"; }, Result::Failed,
         "error " + kCaption + ": Die Datei C:\\ZIEL\\daten\\bild.bin kann nicht geschrieben werden.\nkaputt", readme,
         {"C:\\ZIEL\\daten\\bild.bin"}},
        {[](SfxRun& t) { t.ui.cancelAt = 50000; }, Result::Cancelled, "end", readme, {"C:\\ZIEL\\daten\\bild.bin"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.last);
        Defaults();
        c.setup(*this);
        EXPECT_EQ(RunIt(), c.result);
        EXPECT_EQ(Last(), c.last);
        if (c.files) { EXPECT_EQ(target.files, *c.files); }
        EXPECT_EQ(target.discarded, c.discarded);
        if (c.result != Result::Ok) { EXPECT_EQ(launcher.started, std::vector<std::string>{}); }
        if (c.files == nothing) { EXPECT_EQ(target.folders, std::set<std::string>{}); }
    }
}

// Many directory entries naming one lump of data: refused before a byte is
// written, even with the size check off.
TEST_F(SfxRun, EntriesSharingTheirDataAreRefused) {
    flags = kNoCheckSize;
    zip = ZipMaker();
    zip.File("a.bin", kBig).File("b.txt", "B");
    std::string self = SelfFile();
    const size_t end = self.size() - 22, dir = self.find("PK\1\2"), second = self.find("PK\1\2", dir + 1);
    std::string copies;
    for (int i = 0; i < 50; ++i) copies += self.substr(dir, second - dir);
    self.insert(end, copies);
    const size_t e = self.size() - 22;
    const uint32_t count = 2 + 50, size = uint32_t(end - dir + copies.size());
    for (int i = 0; i < 2; ++i) self[e + 8 + i] = self[e + 10 + i] = char(count >> (8 * i));
    for (int i = 0; i < 4; ++i) self[e + 12 + i] = char(size >> (8 * i));
    MemorySource src(self);
    EXPECT_EQ(RunOn(src), Result::Failed);
    EXPECT_EQ(Last(), "error " + kCaption + ": Das Archiv ist beschädigt: die Daten seiner Einträge überlappen sich.");
    EXPECT_TRUE(target.files.empty());
}

// The undo record beside the archive, as another program may hold it.
struct Records : zipundo::Files {
    std::string bytes;
    bool held = false;
    std::unique_ptr<zipundo::File> Open(const std::string&, Access, zipundo::Reason& why) override {
        if (held) why = zipundo::Reason::InUse;
        return held || bytes.empty() ? nullptr : ReadOnlyFile(std::make_unique<MemorySource>(bytes));
    }
    bool Remove(const std::string&, zipundo::Reason&) override { return false; }
};

// A cut-short add: the record beside gives the archive back; one torn or for
// another file not; one held by a writer still at work stops the run.
TEST_F(SfxRun, AnInterruptedAddIsReadAsBefore) {
    const std::string old = SelfFile();
    zipundo::journal::Undo u;
    u.tailOffset = old.find("PK\1\2");
    u.tail = old.substr(u.tailOffset);
    u.prefixLength = 100;
    u.prefixCrc = zipundo::journal::Crc32(old.data() + u.tailOffset - 100, 100);
    const std::string journal = zipundo::journal::Encode(u);
    u.prefixCrc ^= 1;
    MemorySource crashed(old.substr(0, u.tailOffset) + "PK\3\4 half a new entry");
    Records records;
    zipundo::Reason why = zipundo::Reason::Other;
    for (const std::string& torn : {journal.substr(0, journal.size() - 1), zipundo::journal::Encode(u), std::string()}) {
        records.bytes = torn;
        EXPECT_EQ(UndoneView(crashed, records, "C:\\X.EXE", why), nullptr);
        EXPECT_EQ(why, zipundo::Reason::None);
    }
    records.bytes = journal;
    records.held = true;
    EXPECT_EQ(UndoneView(crashed, records, "C:\\X.EXE", why), nullptr);
    EXPECT_EQ(why, zipundo::Reason::Busy);
    records.held = false;
    std::unique_ptr<Source> undone = UndoneView(crashed, records, "C:\\X.EXE", why);
    ASSERT_NE(undone, nullptr);
    ASSERT_EQ(RunOn(*undone), Result::Ok);
    EXPECT_EQ(target.files.size(), 4u);
    EXPECT_TRUE(File("C:\\ZIEL\\daten\\bild.bin") == kBig);
}

}  // namespace
}  // namespace zksfx
