// The self-extractor the archiver puts in front of a new ".EXE" archive:
// the settings header (read back by the stub's own parser), the stub
// search, the icon put into the stub's resources, the failures and what
// they leave behind.
#include <cstring>

#include "sfx_support.h"
#include "zip_fixture.h"
#include "zksfx/sfxformat.h"

namespace zk::test {
namespace {

void Set16(std::string& s, size_t at, uint32_t v) {
    s[at] = static_cast<char>(v);
    s[at + 1] = static_cast<char>(v >> 8);
}
void Set32(std::string& s, size_t at, uint32_t v) {
    Set16(s, at, v & 0xFFFF);
    Set16(s, at + 2, v >> 16);
}
uint32_t Get32(const std::string& s, size_t at) {
    auto b = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(s[at + i])); };
    return b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
}

// A program image with two sections, the second ".rsrc" with a resource
// tree: a group icon type first, then icons of id 2 (744 bytes, not ours)
// and id 1 in two languages, 100 bytes first, then 744 bytes at kIconAt.
constexpr size_t kRsrc = 0x400;        // file position of the section
constexpr uint32_t kRsrcVa = 0x2000;   // its address in memory
constexpr size_t kIconAt = kRsrc + 0x480;
constexpr size_t kPeAt = 0x40;
constexpr size_t kSectionTable = kPeAt + 24 + 224;

std::string ResourceStub() {
    std::string s(0xC00, '\0');
    s[0] = 'M';
    s[1] = 'Z';
    Set32(s, 0x3C, kPeAt);
    s.replace(kPeAt, 4, std::string("PE\0\0", 4));
    Set16(s, kPeAt + 4, 0x14C);
    Set16(s, kPeAt + 6, 2);
    Set16(s, kPeAt + 20, 224);
    Set16(s, kPeAt + 22, 0x102);
    Set16(s, kPeAt + 24, 0x10B);
    Set32(s, kPeAt + 24 + 60, 0x200);
    Set32(s, kPeAt + 24 + 92, 16);
    auto section = [&](size_t at, const char* name, uint32_t va, uint32_t size, uint32_t raw) {
        std::memcpy(&s[at], name, std::strlen(name));
        Set32(s, at + 8, size);
        Set32(s, at + 12, va);
        Set32(s, at + 16, size);
        Set32(s, at + 20, raw);
    };
    section(kSectionTable, ".text", 0x1000, 0x200, 0x200);
    section(kSectionTable + 40, ".rsrc", kRsrcVa, 0x800, kRsrc);
    for (size_t i = 0x200; i < kRsrc; ++i) s[i] = static_cast<char>(0x90);
    auto dir = [&](size_t at, std::vector<std::pair<uint32_t, uint32_t>> entries) {
        Set16(s, kRsrc + at + 14, static_cast<uint32_t>(entries.size()));
        for (size_t i = 0; i < entries.size(); ++i) {
            Set32(s, kRsrc + at + 16 + 8 * i, entries[i].first);
            Set32(s, kRsrc + at + 20 + 8 * i, entries[i].second);
        }
    };
    const uint32_t sub = 0x80000000u;
    dir(0x000, {{14, sub | 0x30}, {3, sub | 0x50}});
    dir(0x030, {});
    dir(0x050, {{2, sub | 0x78}, {1, sub | 0x98}});
    dir(0x078, {{0x409, 0xC0}});
    dir(0x098, {{0x407, 0xD0}, {0x409, 0xE0}});
    auto data = [&](size_t at, uint32_t rva, uint32_t size, char fill) {
        Set32(s, kRsrc + at, rva);
        Set32(s, kRsrc + at + 4, size);
        std::fill_n(&s[kRsrc + (rva - kRsrcVa)], size, fill);
    };
    data(0xC0, kRsrcVa + 0x100, 744, 'A');
    data(0xD0, kRsrcVa + 0x400, 100, 'B');
    data(0xE0, kRsrcVa + 0x480, 744, 'C');
    return s;
}

// An .ico file; the defaults make the one shape the stub takes.
struct IconShape {
    uint16_t count = 1;
    uint8_t width = 32, height = 32, colours = 16;
    uint32_t imageBytes = 744;
    size_t fileBytes = 766;
};
std::string IconFile(const IconShape& shape = {}) {
    std::string s(shape.fileBytes, '\0');
    Set16(s, 2, 1);
    Set16(s, 4, shape.count);
    s[6] = static_cast<char>(shape.width);
    s[7] = static_cast<char>(shape.height);
    s[8] = static_cast<char>(shape.colours);
    Set16(s, 10, 1);
    Set16(s, 12, 4);
    Set32(s, 14, shape.imageBytes);
    Set32(s, 18, 22);
    for (size_t i = 22; i < s.size(); ++i) s[i] = static_cast<char>(i * 7 + 3);
    return s;
}
std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

const char* const kArchive = "C:\\ZIP\\SETUP.EXE";
const char* const kProgramStub = "C:\\SPIELE\\ZANTORIK\\ZKSFX.BIN";
const char* const kTooLongTail = "\r\nSFXCaption + SFXDefaultDir + SFXCommandLine + SFXMessage =";

class SfxWriter : public ZipFixture {
protected:
    SfxWriter() {
        zip.Unattended = true;
        stub = zksfx::test::FakeStub(4096);
        fake.files.AddFile(kProgramStub, stub);
        zip.SetZipFileName(kArchive);
        zip.busyCursor = [this](bool busy) { cursor.push_back(busy); };
        messages.clear();
    }
    // The settings the stub finds in the written file.
    zksfx::Settings StubReads() {
        zksfx::MemorySource src(fake.files.Content(kArchive));
        zksfx::Settings settings;
        uint64_t at = 0;
        std::string error;
        EXPECT_TRUE(zksfx::LocateHeader(src, src.Size(), at, settings, error)) << error;
        EXPECT_EQ(at, stub.size());
        return settings;
    }

    std::string stub;
    std::vector<bool> cursor;
};

TEST_F(SfxWriter, DefaultsGiveTheShortHeaderAndAnEmptyEndRecord) {
    ASSERT_EQ(zip.WriteSfxStub(), 0) << zip.LastMessage;
    const std::string file = fake.files.Content(kArchive);
    // "Self-extracting Archive": 23 characters, 12 + 23 rounded up to 36.
    const std::string header = std::string("MPV\0\0\1", 6) + "\x24" + std::string(1, '\0') + "\x17" +
                               "Self-extracting Archive" + std::string(4, '\0');
    ASSERT_EQ(file.size(), stub.size() + 36 + 22);
    EXPECT_EQ(file.substr(0, stub.size()), stub);
    EXPECT_EQ(file.substr(stub.size(), 36), header);
    const std::string end = file.substr(stub.size() + 36);
    EXPECT_EQ(Get32(end, 0), 0x06054b50u);
    EXPECT_EQ(Get32(end, 16), stub.size() + 36);
    EXPECT_EQ(end, zksfx::test::EmptyEndRecord(static_cast<uint32_t>(stub.size() + 36)));
    EXPECT_EQ(zip.SFXPath, kProgramStub);
    EXPECT_EQ(cursor, (std::vector<bool>{true, false}));
    EXPECT_TRUE(messages.empty());
    // The undo journal ("remove it") stood while the stub was written.
    size_t journalWrite = 0, firstWrite = 0;
    for (size_t i = fake.files.io.size(); i-- > 0;) {
        const auto& io = fake.files.io[i];
        if (io.op == "write" && io.path == std::string(kArchive) + ".zkj") journalWrite = i + 1;
        if (io.op == "write" && io.path == kArchive) firstWrite = i + 1;
    }
    EXPECT_TRUE(journalWrite != 0 && journalWrite < firstWrite) << journalWrite << " " << firstWrite;
    EXPECT_FALSE(fake.files.Exists(std::string(kArchive) + ".zkj"));

    const zksfx::Settings read = StubReads();
    EXPECT_EQ(read.flags, 0x00);
    EXPECT_EQ(read.headerLength, 36);
    EXPECT_EQ(read.caption, "Self-extracting Archive");
    EXPECT_TRUE(read.CheckSize());
    EXPECT_EQ(read.OverwriteMode(), zksfx::Overwrite::Confirm);
}

TEST_F(SfxWriter, EveryOptionHasItsFlagBit) {
    struct Case {
        SFXOpts options;
        OvrOpts mode;
        uint8_t flags;
    };
    const Case cases[] = {
        {{SFXCheckSize}, OvrConfirm, 0x00},
        {{}, OvrConfirm, 0x20},
        {{SFXCheckSize, SFXAskCmdLine}, OvrConfirm, 0x01},
        {{SFXCheckSize, SFXAskFiles}, OvrConfirm, 0x02},
        {{SFXCheckSize, SFXHideOverWriteBox}, OvrConfirm, 0x04},
        {{SFXCheckSize}, OvrAlways, 0x08},
        {{SFXCheckSize}, OvrNever, 0x10},
        {{SFXCheckSize, SFXAutoRun}, OvrConfirm, 0x40},
        {{SFXCheckSize, SFXNoSuccessMsg}, OvrConfirm, 0x80},
        {SFXOpts::All(), OvrNever, 0xD7},
        {{SFXAskCmdLine, SFXAskFiles, SFXHideOverWriteBox, SFXAutoRun, SFXNoSuccessMsg}, OvrAlways, 0xEF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.flags));
        fake.files.RemoveFile(kArchive);
        zip.SFXOptions = c.options;
        zip.SFXOverWriteMode = c.mode;
        EXPECT_EQ(zip.SfxFlags(), c.flags);
        ASSERT_EQ(zip.WriteSfxStub(), 0);
        EXPECT_EQ(static_cast<uint8_t>(fake.files.Content(kArchive)[stub.size() + 3]), c.flags);
        // The stub understands them as meant.
        const zksfx::Settings read = StubReads();
        EXPECT_EQ(read.CheckSize(), c.options.Contains(SFXCheckSize));
        EXPECT_EQ(read.Has(zksfx::kAskFiles), c.options.Contains(SFXAskFiles));
        EXPECT_EQ(read.Has(zksfx::kAutoRun), c.options.Contains(SFXAutoRun));
        EXPECT_EQ(read.OverwriteMode(), c.mode == OvrAlways  ? zksfx::Overwrite::Always
                                        : c.mode == OvrNever ? zksfx::Overwrite::Never
                                                             : zksfx::Overwrite::Confirm);
    }
}

TEST_F(SfxWriter, TextsAreCountedAndPaddedToFourBytes) {
    struct Case {
        std::string caption, dir, cmd, msg;
        size_t length;
    };
    const Case cases[] = {
        {"", "", "", "", 12},
        {"A", "", "", "", 16},
        {"ABCD", "", "", "", 16},
        {"ABCDE", "", "", "", 20},
        {"Self-extracting Archive", "", "", "", 36},
        {"Größe", "C:\\SPIELE\\ZANTORIK", "zantorik.exe /P ><", "Bitte erst lesen.", 72},
        {std::string(255, 'x'), "", "", "", 268},
        {std::string(255, 'a'), std::string(255, 'b'), std::string(255, 'c'), std::string(255, 'd'), 1032},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption.substr(0, 10) + "/" + c.dir);
        fake.files.RemoveFile(kArchive);
        zip.SFXCaption = c.caption;
        zip.SFXDefaultDir = c.dir;
        zip.SFXCommandLine = c.cmd;
        zip.SFXMessage = c.msg;
        ASSERT_EQ(zip.WriteSfxStub(), 0) << zip.LastMessage;
        const std::string file = fake.files.Content(kArchive);
        ASSERT_EQ(file.size(), stub.size() + c.length + 22);
        EXPECT_EQ(Get32(file, file.size() - 22 + 16), stub.size() + c.length);
        const zksfx::Settings read = StubReads();
        EXPECT_EQ(read.headerLength, c.length);
        EXPECT_EQ(read.caption, c.caption);
        EXPECT_EQ(read.defaultDir, c.dir);
        EXPECT_EQ(read.commandLine, c.cmd);
        EXPECT_EQ(read.message, c.msg);
    }
}

TEST_F(SfxWriter, TextsGoInTheWindowsCodePage) {
    zip.SFXCaption = "Größe für ZANTORIK";
    zip.SFXMessage = "Übung";
    ASSERT_EQ(zip.WriteSfxStub(), 0);
    const std::string header = fake.files.Content(kArchive).substr(stub.size());
    EXPECT_EQ(header.substr(8, 19), "\x12Gr\xF6\xDF" "e f\xFCr ZANTORIK");
    EXPECT_EQ(header.substr(29, 6), "\x05\xDC" "bung");
    EXPECT_EQ(StubReads().caption, "Größe für ZANTORIK");
}

TEST_F(SfxWriter, TextOver255CharactersIsRefused) {
    struct Case {
        std::string TZipArchiver::*field;
        std::string text;
        size_t length;  // of the header that would have been
    };
    const Case cases[] = {
        {&TZipArchiver::SFXCaption, std::string(256, 'x'), 268},
        {&TZipArchiver::SFXDefaultDir, std::string(256, 'x'), 292},
        {&TZipArchiver::SFXCommandLine, std::string(300, 'x'), 336},
        {&TZipArchiver::SFXMessage, std::string(256, 'x'), 292},
        // Characters count, not UTF-8 bytes: 256 umlauts are too many, 255 fit.
        {&TZipArchiver::SFXMessage, [] { std::string s; for (int i = 0; i < 256; ++i) s += "ä"; return s; }(), 292},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        zip.SFXCaption = "Self-extracting Archive";
        zip.SFXDefaultDir = zip.SFXCommandLine = zip.SFXMessage = "";
        zip.*c.field = c.text;
        messages.clear();
        cursor.clear();
        EXPECT_EQ(zip.WriteSfxStub(), -9);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, Missing(10801) + kTooLongTail + std::to_string(c.length + 1));
        EXPECT_EQ(zip.ErrorCode, 10801);
        EXPECT_FALSE(fake.files.Exists(kArchive));
        EXPECT_TRUE(cursor.empty());
    }
    std::string umlauts;
    for (int i = 0; i < 255; ++i) umlauts += "ä";
    zip.SFXCaption = zip.SFXMessage = umlauts;
    EXPECT_EQ(zip.WriteSfxStub(), 0) << zip.LastMessage;
}

TEST_F(SfxWriter, TextTooLongForItsLengthByteInAMultiByteCodePage) {
    // 200 characters, 400 bytes in a code page of two bytes for an umlaut.
    fake.codePages.ansi = platform::kCodePageUtf8;
    std::string text;
    for (int i = 0; i < 200; ++i) text += "ö";
    zip.SFXMessage = text;
    EXPECT_EQ(zip.WriteSfxStub(), -9);
    EXPECT_EQ(zip.ErrorCode, 10801);
    EXPECT_FALSE(fake.files.Exists(kArchive));
}

TEST_F(SfxWriter, StubIsLookedForInItsOrder) {
    fake.files.RemoveFile(kProgramStub);
    fake.files.AddDir("C:\\WORK");
    ASSERT_TRUE(fake.files.SetCurrentDir("C:\\WORK"));
    zip.SetDLLDirectory("D:\\LIB\\");
    const std::vector<std::string> order = {
        "D:\\TOOLS\\MYSFX.BIN",             // SFXPath
        "C:\\WORK\\ZKSFX.BIN",              // the current folder
        kProgramStub,                       // the program's folder
        "C:\\WINDOWS\\SYSTEM32\\ZKSFX.BIN",  // the system folder
        "C:\\WINDOWS\\ZKSFX.BIN",           // the Windows folder
        "D:\\LIB\\ZKSFX.BIN",               // DLLDirectory
    };
    for (size_t i = 0; i < order.size(); ++i) fake.files.AddFile(order[i], "stub " + std::to_string(i));
    for (size_t i = 0; i < order.size(); ++i) {
        SCOPED_TRACE(order[i]);
        zip.SFXPath = "D:\\TOOLS\\MYSFX.BIN";
        fake.files.RemoveFile(kArchive);
        ASSERT_EQ(zip.WriteSfxStub(), 0);
        EXPECT_EQ(zip.SFXPath, order[i]);
        EXPECT_EQ(fake.files.Content(kArchive).substr(0, 6), "stub " + std::to_string(i));
        fake.files.RemoveFile(order[i]);
    }
    // None left: no file; without DLLDirectory "\ZKSFX.BIN" is not tried.
    fake.files.AddFile("C:\\ZKSFX.BIN", "root");
    zip.SetDLLDirectory("");
    fake.files.RemoveFile(kArchive);
    messages.clear();
    EXPECT_EQ(zip.WriteSfxStub(), -9);
    EXPECT_EQ(Numbers(), std::vector<int>{10802});
    EXPECT_FALSE(fake.files.Exists(kArchive));
}

TEST_F(SfxWriter, IconReplacesTheStubsOwnIconImage) {
    const std::string resStub = ResourceStub();
    fake.files.AddFile(kProgramStub, resStub);
    const std::string icon = IconFile();
    zip.SFXIcon.data = Bytes(icon);
    ASSERT_EQ(zip.WriteSfxStub(), 0);
    std::string expected = resStub;
    expected.replace(kIconAt, 744, icon.substr(22));
    const std::string file = fake.files.Content(kArchive);
    ASSERT_EQ(file.size(), resStub.size() + 36 + 22);
    EXPECT_TRUE(file.substr(0, resStub.size()) == expected) << "the image went elsewhere";
    // Header and end record still behind the untouched stub size.
    EXPECT_EQ(file.substr(resStub.size(), 3), "MPV");
    EXPECT_EQ(Get32(file, file.size() - 6), resStub.size() + 36);
}

TEST_F(SfxWriter, IconOrStubOfAnotherShapeFailsAndLeavesNoFile) {
    auto stubWith = [](const std::function<void(std::string&)>& change) {
        std::string s = ResourceStub();
        change(s);
        return s;
    };
    struct Case {
        const char* what;
        std::string icon, stub;
    };
    const std::string good = ResourceStub();
    const Case cases[] = {
        {"icon file one byte short", IconFile({1, 32, 32, 16, 744, 765}), good},
        {"two images", IconFile({2, 32, 32, 16, 744, 766}), good},
        {"16 x 16", IconFile({1, 16, 16, 16, 744, 766}), good},
        {"256 colours", IconFile({1, 32, 32, 0, 744, 766}), good},
        {"image size", IconFile({1, 32, 32, 16, 743, 766}), good},
        {"no program", IconFile(), stubWith([](std::string& s) { s[0] = 'X'; })},
        {"no PE header", IconFile(), stubWith([](std::string& s) { s[kPeAt + 1] = 'X'; })},
        {"no resource section", IconFile(), stubWith([](std::string& s) { s[kSectionTable + 40 + 1] = 'd'; })},
        {"no icon type", IconFile(), stubWith([](std::string& s) { Set32(s, kRsrc + 0x18, 5); })},
        {"no icon 1", IconFile(), stubWith([](std::string& s) { Set32(s, kRsrc + 0x68, 7); })},
        // Only the icon of id 2 has 744 bytes: it is not ours.
        {"no 744 bytes", IconFile(), stubWith([](std::string& s) { Set32(s, kRsrc + 0xE4, 745); })},
        {"data outside", IconFile(), stubWith([](std::string& s) { Set32(s, kRsrc + 0xE0, kRsrcVa + 0x7F0); })},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fake.files.AddFile(kProgramStub, c.stub);
        zip.SFXIcon.data = Bytes(c.icon);
        cursor.clear();
        EXPECT_EQ(zip.WriteSfxStub(), -9);
        EXPECT_FALSE(fake.files.Exists(kArchive));
        EXPECT_FALSE(fake.files.Exists(std::string(kArchive) + ".zkj"));
        EXPECT_EQ(cursor, (std::vector<bool>{true, false}));
    }
}

TEST_F(SfxWriter, FailuresGiveTheirCodeAndLeaveNoFile) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
        int32_t result;
    };
    const size_t n = stub.size();
    const Case cases[] = {
        {"archive cannot be made", [&] { fake.files.failOpen.insert(kArchive); }, -1},
        {"stub cannot be opened", [&] { fake.files.failOpen.insert(kProgramStub); }, -3},
        {"stub cannot be read", [&] { fake.files.failReadAfter[kProgramStub] = 100; }, -3},
        {"disk full in the stub", [&] { fake.files.failWriteAfter[kArchive] = 1000; }, -2},
        {"disk full in the header", [&] { fake.files.failWriteAfter[kArchive] = n + 5; }, -2},
        {"disk full in the end record", [&] { fake.files.failWriteAfter[kArchive] = n + 36 + 3; }, -2},
        {"icon cannot be written", [&] {
             fake.files.AddFile(kProgramStub, ResourceStub());
             zip.SFXIcon.data = Bytes(IconFile());
             fake.files.failWriteAfter[kArchive] = ResourceStub().size();
         }, -2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fake.files.failOpen.clear();
        fake.files.failReadAfter.clear();
        fake.files.failWriteAfter.clear();
        c.arrange();
        cursor.clear();
        EXPECT_EQ(zip.WriteSfxStub(), c.result);
        fake.files.failWriteAfter.clear();
        EXPECT_FALSE(fake.files.Exists(kArchive));
        EXPECT_FALSE(fake.files.Exists(std::string(kArchive) + ".zkj"));
        EXPECT_EQ(cursor, (std::vector<bool>{true, false}));
    }
}

TEST_F(SfxWriter, AnExistingFileIsReplacedThroughTheRecycleBinWhenUndoIsAllowed) {
    for (DeleteOpts how : {htdAllowUndo, htdFinal}) {
        fake.files.recycled.clear();
        fake.files.AddFile(kArchive, "altes Archiv");
        zip.HowToDelete = how;
        ASSERT_EQ(zip.WriteSfxStub(), 0);
        EXPECT_EQ(fake.files.Content(kArchive).substr(0, stub.size()), stub);
        EXPECT_EQ(fake.files.recycled, how == htdAllowUndo ? std::vector<std::string>{kArchive}
                                                           : std::vector<std::string>{});
    }
    // A file that cannot be deleted is kept as it was.
    fake.files.AddFile(kArchive, "schreibgeschützt", platform::faReadOnly);
    EXPECT_EQ(zip.WriteSfxStub(), -1);
    EXPECT_EQ(fake.files.Content(kArchive), "schreibgeschützt");
}

TEST_F(SfxWriter, AddFilesStopsWithItsMessageAfterTheWritersOwn) {
    zip.SFXCaption = std::string(256, 'x');
    zip.FSpecArgs = {"C:\\ZIP\\A.TXT"};
    zip.AddFiles();
    EXPECT_EQ(Numbers(), (std::vector<int>{10801, 10304}));
    EXPECT_FALSE(fake.files.Exists(kArchive));
    EXPECT_TRUE(fake.dynlib.loads.empty());
    EXPECT_EQ(zip.FSpecArgs.size(), 1u);

    messages.clear();
    zip.SFXCaption = "Self-extracting Archive";
    fake.files.RemoveFile(kProgramStub);
    zip.AddFiles();
    EXPECT_EQ(Numbers(), (std::vector<int>{10802, 10304}));
    EXPECT_FALSE(fake.files.Exists(kArchive));
}

}  // namespace
}  // namespace zk::test
