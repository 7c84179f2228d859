// The self-extractor stub in front of a new ".EXE" archive: the settings
// header (read back by the stub's own parser), the stub search, the icon in
// the stub's resources, the failures and what they leave behind.
#include <cstring>

#include "sfx_support.h"
#include "span_support.h"
#include "zip_builder.h"
#include "zip_fixture.h"
#include "zksfx/sfxformat.h"

namespace zk::test {
namespace {

// A program image with two sections, the second ".rsrc" with a resource
// tree: a group icon type first, then icons of id 2 (744 bytes, not ours)
// and id 1 in two languages, 100 bytes first, then 744 bytes at kIconAt.
constexpr size_t kRsrc = 0x400;       // file position of the section
constexpr uint32_t kRsrcVa = 0x2000;  // its address in memory
constexpr size_t kIconAt = kRsrc + 0x480;
constexpr size_t kPeAt = 0x40;
constexpr size_t kSectionTable = kPeAt + 24 + 224;

std::string ResourceStub(const std::function<void(std::string&)>& change = nullptr) {
    std::string s(0xC00, '\0');
    s.replace(0, 2, "MZ");
    Put32(s, 0x3C, kPeAt);
    s.replace(kPeAt, 4, std::string("PE\0\0", 4));
    const std::pair<size_t, uint16_t> head[] = {{4, 0x14C}, {6, 2}, {20, 224}, {22, 0x102}, {24, 0x10B}};
    for (auto [at, v] : head) Put16(s, kPeAt + at, v);
    Put32(s, kPeAt + 24 + 60, 0x200), Put32(s, kPeAt + 24 + 92, 16);
    auto section = [&](size_t at, const char* name, uint32_t va, uint32_t size, uint32_t raw) {
        std::memcpy(&s[at], name, std::strlen(name));
        Put32(s, at + 8, size), Put32(s, at + 12, va), Put32(s, at + 16, size), Put32(s, at + 20, raw);
    };
    section(kSectionTable, ".text", 0x1000, 0x200, 0x200), section(kSectionTable + 40, ".rsrc", kRsrcVa, 0x800, kRsrc);
    std::fill(&s[0x200], &s[kRsrc], static_cast<char>(0x90));
    auto dir = [&](size_t at, std::vector<std::pair<uint32_t, uint32_t>> entries) {
        Put16(s, kRsrc + at + 14, static_cast<uint16_t>(entries.size()));
        for (size_t i = 0; i < entries.size(); ++i)
            Put32(s, kRsrc + at + 16 + 8 * i, entries[i].first), Put32(s, kRsrc + at + 20 + 8 * i, entries[i].second);
    };
    const uint32_t sub = 0x80000000u;
    dir(0x000, {{14, sub | 0x30}, {3, sub | 0x50}}), dir(0x030, {}), dir(0x050, {{2, sub | 0x78}, {1, sub | 0x98}});
    dir(0x078, {{0x409, 0xC0}}), dir(0x098, {{0x407, 0xD0}, {0x409, 0xE0}});
    auto data = [&](size_t at, uint32_t rva, uint32_t size, char fill) {
        Put32(s, kRsrc + at, rva), Put32(s, kRsrc + at + 4, size);
        std::fill_n(&s[kRsrc + (rva - kRsrcVa)], size, fill);
    };
    data(0xC0, kRsrcVa + 0x100, 744, 'A'), data(0xD0, kRsrcVa + 0x400, 100, 'B'), data(0xE0, kRsrcVa + 0x480, 744, 'C');
    if (change) change(s);
    return s;
}

// An .ico file; the defaults make the one shape the stub takes.
struct IconShape { uint16_t count = 1; uint8_t width = 32, height = 32, colours = 16; uint32_t imageBytes = 744; size_t fileBytes = 766; };
std::vector<uint8_t> IconFile(const IconShape& shape = {}) {
    std::string s(shape.fileBytes, '\0');
    Put16(s, 2, 1), Put16(s, 4, shape.count), Put16(s, 10, 1), Put16(s, 12, 4);
    s[6] = static_cast<char>(shape.width), s[7] = static_cast<char>(shape.height), s[8] = static_cast<char>(shape.colours);
    Put32(s, 14, shape.imageBytes), Put32(s, 18, 22);
    for (size_t i = 22; i < s.size(); ++i) s[i] = static_cast<char>(i * 7 + 3);
    return {s.begin(), s.end()};
}

const char* const kArchive = "C:\\ZIP\\SETUP.EXE";
const char* const kProgramStub = "C:\\SPIELE\\ZANTORIK\\ZKSFX.BIN";

class SfxWriter : public ZipFixture {
protected:
    SfxWriter() {
        zip.Unattended = true, stub = zksfx::test::FakeStub(4096);
        fake.files.AddFile(kProgramStub, stub), zip.SetZipFileName(kArchive);
        zip.busyCursor = [this](bool busy) { cursor.push_back(busy); };
        messages.clear();
    }
    zksfx::Settings StubReads() {  // the settings the stub finds in the written file
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
    ASSERT_EQ(zip.sfx.WriteSfxStub(), 0) << zip.LastMessage;
    const std::string file = fake.files.Content(kArchive);
    // "Self-extracting Archive": 23 characters, 12 + 23 rounded up to 36.
    EXPECT_TRUE(file == stub + zksfx::test::MakeHeader(0, "Self-extracting Archive") +
                            zksfx::test::EmptyEndRecord(static_cast<uint32_t>(stub.size() + 36)));
    EXPECT_EQ(file.size(), stub.size() + 36 + 22);
    EXPECT_EQ(zip.SFXPath, kProgramStub);
    EXPECT_EQ(std::tuple(cursor, messages.size()), std::tuple(std::vector<bool>{true, false}, 0u));
    size_t journalWrite = 0, firstWrite = 0;  // the undo journal ("remove it") stood while the stub was written
    for (size_t i = fake.files.io.size(); i-- > 0;)
        if (const auto& io = fake.files.io[i]; io.op == "write" && io.path.rfind(kArchive, 0) == 0)
            (io.path == kArchive ? firstWrite : journalWrite) = i + 1;
    EXPECT_EQ(std::tuple(journalWrite != 0, journalWrite < firstWrite), std::tuple(true, true)) << journalWrite << " " << firstWrite;
    EXPECT_FALSE(fake.files.Exists(std::string(kArchive) + ".zkj"));
    EXPECT_EQ(StubReads().caption, "Self-extracting Archive");
}

TEST_F(SfxWriter, EveryOptionHasItsFlagBit) {
    struct Case { SFXOpts options; OvrOpts mode; uint8_t flags; } cases[] = {
        {{SFXCheckSize}, OvrConfirm, 0x00}, {{}, OvrConfirm, 0x20}, {SFXOpts::All(), OvrNever, 0xD7},
        {{SFXAskCmdLine, SFXAskFiles, SFXHideOverWriteBox, SFXAutoRun, SFXNoSuccessMsg}, OvrAlways, 0xEF}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.flags));
        fake.files.RemoveFile(kArchive);
        zip.SFXOptions = c.options, zip.SFXOverWriteMode = c.mode;
        ASSERT_EQ(zip.sfx.WriteSfxStub(), 0);
        EXPECT_EQ(static_cast<uint8_t>(fake.files.Content(kArchive)[stub.size() + 3]), c.flags);
        const zksfx::Settings read = StubReads();  // the stub understands them as meant
        EXPECT_EQ(read.CheckSize(), c.options.Contains(SFXCheckSize));
        EXPECT_EQ(read.Has(zksfx::kAutoRun), c.options.Contains(SFXAutoRun));
        EXPECT_EQ(read.OverwriteMode(), c.mode == OvrAlways  ? zksfx::Overwrite::Always
                                        : c.mode == OvrNever ? zksfx::Overwrite::Never
                                                             : zksfx::Overwrite::Confirm);
    }
}

// Lengths counted in characters of the Windows code page, the header padded
// to four bytes; a text over 255 characters refused with 10801.
TEST_F(SfxWriter, TextsAreCountedPaddedAndRefusedOver255) {
    auto times = [](const std::string& s, int n) { std::string out; while (n--) out += s; return out; };
    struct Case { std::string caption, dir, cmd, msg; size_t length; bool ok; } cases[] = {  // length: of the header
        {"ABCD", "", "", "", 16, true}, {"Größe", "C:\\SPIELE\\ZANTORIK", "zantorik.exe /P ><", "Bitte erst lesen.", 72, true},
        {std::string(255, 'a'), std::string(255, 'b'), std::string(255, 'c'), std::string(255, 'd'), 1032, true},
        {times("ä", 255), "", "", times("ä", 255), 524, true},  // characters count, not UTF-8 bytes
        {std::string(256, 'x'), "", "", "", 268, false}, {"C", "", "", times("ä", 256), 272, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption.substr(0, 10) + "/" + std::to_string(c.length));
        fake.files.RemoveFile(kArchive);
        zip.SFXCaption = c.caption, zip.SFXDefaultDir = c.dir, zip.SFXCommandLine = c.cmd, zip.SFXMessage = c.msg;
        messages.clear(), cursor.clear();
        EXPECT_EQ(zip.sfx.WriteSfxStub(), c.ok ? 0 : -9) << zip.LastMessage;
        if (!c.ok) {
            EXPECT_EQ(messages.at(0).text, Missing(10801) + "\r\nSFXCaption + SFXDefaultDir + SFXCommandLine + SFXMessage =" +
                                               std::to_string(c.length + 1));
            EXPECT_EQ(std::tuple(cursor.size(), fake.files.Exists(kArchive)), std::tuple(0u, false));
            continue;
        }
        const std::string file = fake.files.Content(kArchive);
        ASSERT_EQ(file.size(), stub.size() + c.length + 22);
        EXPECT_EQ(SpanLe32(file, file.size() - 6), stub.size() + c.length);
        const zksfx::Settings read = StubReads();
        EXPECT_EQ(read.caption + "|" + read.defaultDir + "|" + read.commandLine + "|" + read.message,
                  c.caption + "|" + c.dir + "|" + c.cmd + "|" + c.msg);
    }
    zip.SFXCaption = "Größe für ZANTORIK", zip.SFXMessage = "Übung";  // in the Windows code page
    ASSERT_EQ(zip.sfx.WriteSfxStub(), 0);
    EXPECT_EQ(fake.files.Content(kArchive).substr(stub.size() + 8, 27),
              std::string("\x12Gr\xF6\xDF" "e f\xFCr ZANTORIK\0\0\x05\xDC" "bung", 27));
    // Too long for its length byte in a code page of two bytes for an umlaut.
    fake.files.RemoveFile(kArchive), fake.codePages.ansi = platform::kCodePageUtf8, zip.SFXMessage = times("ö", 200);
    EXPECT_EQ(zip.sfx.WriteSfxStub(), -9);
    EXPECT_EQ(zip.ErrorCode, 10801);
    EXPECT_FALSE(fake.files.Exists(kArchive));
}

TEST_F(SfxWriter, StubIsLookedForInItsOrder) {
    fake.files.RemoveFile(kProgramStub), fake.files.AddDir("C:\\WORK"), zip.SetDLLDirectory("D:\\LIB\\");
    ASSERT_TRUE(fake.files.SetCurrentDir("C:\\WORK"));
    const std::vector<std::string> order = {"D:\\TOOLS\\MYSFX.BIN", "C:\\WORK\\ZKSFX.BIN", kProgramStub,
                                            "C:\\WINDOWS\\SYSTEM32\\ZKSFX.BIN", "C:\\WINDOWS\\ZKSFX.BIN", "D:\\LIB\\ZKSFX.BIN"};
    for (size_t i = 0; i < order.size(); ++i) fake.files.AddFile(order[i], "stub " + std::to_string(i));
    for (size_t i = 0; i < order.size(); ++i) {
        zip.SFXPath = "D:\\TOOLS\\MYSFX.BIN", fake.files.RemoveFile(kArchive);
        ASSERT_EQ(zip.sfx.WriteSfxStub(), 0);
        EXPECT_EQ(zip.SFXPath + fake.files.Content(kArchive).substr(0, 6), order[i] + "stub " + std::to_string(i));
        fake.files.RemoveFile(order[i]);
    }
    fake.files.AddFile("C:\\ZKSFX.BIN", "root");  // none left: without DLLDirectory "\ZKSFX.BIN" is not tried
    zip.SetDLLDirectory(""), fake.files.RemoveFile(kArchive);
    EXPECT_EQ(zip.sfx.WriteSfxStub(), -9);
    EXPECT_EQ(std::tuple(Numbers(), fake.files.Exists(kArchive)), std::tuple(std::vector<int>{10802}, false));
}

TEST_F(SfxWriter, IconReplacesTheStubsOwnIconImage) {
    const std::string resStub = ResourceStub();
    fake.files.AddFile(kProgramStub, resStub);
    zip.SFXIcon.data = IconFile();
    ASSERT_EQ(zip.sfx.WriteSfxStub(), 0);
    const std::string expected = std::string(resStub).replace(kIconAt, 744, std::string(zip.SFXIcon.data.begin() + 22, zip.SFXIcon.data.end()));
    const std::string file = fake.files.Content(kArchive);
    ASSERT_EQ(file.size(), resStub.size() + 36 + 22);
    EXPECT_TRUE(file.substr(0, resStub.size()) == expected) << "the image went elsewhere";
    EXPECT_EQ(file.substr(resStub.size(), 3), "MPV");  // the header and the end record behind the stub's size
    EXPECT_EQ(SpanLe32(file, file.size() - 6), resStub.size() + 36);
}

TEST_F(SfxWriter, FailuresGiveTheirCodeAndLeaveNoFile) {
    const size_t n = stub.size();
    auto stubWith = [&](std::function<void(std::string&)> change) {
        return [=] { fake.files.AddFile(kProgramStub, ResourceStub(change)), zip.SFXIcon.data = IconFile(); };
    };
    auto icon = [&](IconShape shape) {
        return [=] { fake.files.AddFile(kProgramStub, ResourceStub()), zip.SFXIcon.data = IconFile(shape); };
    };
    struct Case { const char* what; std::function<void()> arrange; int32_t result; } cases[] = {
        {"archive cannot be made", [&] { fake.files.failOpen.insert(kArchive); }, -1},
        {"stub cannot be opened", [&] { fake.files.failOpen.insert(kProgramStub); }, -3},
        {"stub cannot be read", [&] { fake.files.failReadAfter[kProgramStub] = 100; }, -3},
        {"disk full in the stub", [&] { fake.files.failWriteAfter[kArchive] = 1000; }, -2},
        {"disk full in the end record", [&] { fake.files.failWriteAfter[kArchive] = n + 36 + 3; }, -2},
        {"icon cannot be written", [&] { stubWith(nullptr)(), fake.files.failWriteAfter[kArchive] = ResourceStub().size(); }, -2},
        {"icon file one byte short", icon({1, 32, 32, 16, 744, 765}), -9}, {"two images", icon({2, 32, 32, 16, 744, 766}), -9},
        {"16 x 16", icon({1, 16, 16, 16, 744, 766}), -9},    {"256 colours", icon({1, 32, 32, 0, 744, 766}), -9},
        {"image size", icon({1, 32, 32, 16, 743, 766}), -9}, {"no program", stubWith([](std::string& s) { s[0] = 'X'; }), -9},
        {"no PE header", stubWith([](std::string& s) { s[kPeAt + 1] = 'X'; }), -9},
        {"no resource section", stubWith([](std::string& s) { s[kSectionTable + 40 + 1] = 'd'; }), -9},
        {"no icon type", stubWith([](std::string& s) { Put32(s, kRsrc + 0x18, 5); }), -9},
        {"no icon 1", stubWith([](std::string& s) { Put32(s, kRsrc + 0x68, 7); }), -9},
        // Only the icon of id 2 has 744 bytes: it is not ours.
        {"no 744 bytes", stubWith([](std::string& s) { Put32(s, kRsrc + 0xE4, 745); }), -9},
        {"data outside its section", stubWith([](std::string& s) { Put32(s, kRsrc + 0xE0, kRsrcVa + 0x7F0); }), -9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fake.files.failOpen.clear(), fake.files.failReadAfter.clear(), fake.files.failWriteAfter.clear();
        fake.files.AddFile(kProgramStub, stub), zip.SFXIcon.data.clear(), cursor.clear();
        c.arrange();
        EXPECT_EQ(zip.sfx.WriteSfxStub(), c.result);
        fake.files.failWriteAfter.clear();
        EXPECT_EQ(std::tuple(fake.files.Exists(kArchive), fake.files.Exists(std::string(kArchive) + ".zkj")), std::tuple(false, false));
        EXPECT_EQ(cursor, (std::vector<bool>{true, false}));
    }
    // Another program adding to an archive of that name: nothing is touched.
    fake.files.AddFile(kArchive, "alt");
    fake.files.heldElsewhere.insert(std::string(kArchive) + ".zkj");
    try {
        ADD_FAILURE() << "no busy archive: " << zip.sfx.WriteSfxStub();
    } catch (const EZipArchiver& e) {
        EXPECT_EQ(e.MessageNumber, zmArchiveBusy);
    }
    EXPECT_EQ(fake.files.Content(kArchive), "alt");
}

}  // namespace
}  // namespace zk::test
