// Reading an archive's directory over the fake file system: crafted archives
// (stubs, padding, damaged fields, zip64 records, disks of a set), names by
// host, flag and setting, the drive check.
#include "zip_builder.h"
#include "zip_fixture.h"
#include "zipundo/journal.h"

#include <functional>

namespace zk::test {
namespace {

using Ints = std::vector<int>;
using Names = std::vector<std::string>;

class ZipDir : public ZipFixture {
protected:
    ZipDir() { zip.Unattended = true; }
    static TestZip TwoFiles() {
        TestZip z;
        z.entries = {TestEntry{"TEXTE/THEMA.{1}", "Thema eins"}, TestEntry{"ZANTORIK.EXE", std::string(300, 'z'), 25, 11}};
        z.entries[0].crc = 0x11223344;
        return z;
    }
    void Read(const std::string& bytes, const std::string& path = "C:\\ZIP\\GAME.ZIP") {
        fake.files.AddFile(path, bytes);
        zip.SetZipFileName(path);
    }
    Names Listed() const { Names out; for (const ZipDirEntry& e : zip.Contents) out.push_back(e.FileName); return out; }
    bool Failed() const { return zip.ZipFileName().empty(); }
};

TEST_F(ZipDir, EachReadReplacesTheLastDirectory) {
    TestZip z = TwoFiles();
    z.comment = std::string("Spielst\xE4nde\0danach nichts", 24);
    Read(BuildZip(z).bytes);
    EXPECT_EQ(zip.ArchiveComment, "Spielstände");  // up to the zero byte, in the ANSI code page
    EXPECT_EQ(zip.Contents.size(), 2u);
    Read(BuildZip(TestZip{}).bytes, "C:\\ZIP\\EMPTY.ZIP");
    EXPECT_EQ(std::tuple(zip.Contents.size(), zip.ArchiveComment, zip.directory.ArchiveFileSize()), std::tuple(0u, "", 22));
    z.comment = std::string(65535, 'c');  // the longest comment there can be
    Read(BuildZip(z).bytes);
    EXPECT_EQ(zip.ArchiveComment.size(), 65535u);
    zip.SetZipFileName("C:\\ZIP\\NONE.ZIP");  // missing: an empty directory, no message
    EXPECT_EQ(std::tuple(zip.Contents.size(), zip.ArchiveComment, messages.size()), std::tuple(0u, "", 0u));
    EXPECT_EQ(zip.ZipFileName() + std::to_string(dirUpdates), "C:\\ZIP\\NONE.ZIP4");
}

// An add cut short leaves the library's undo record beside the archive:
// reading puts the old archive back (or removes a new one) first. When it
// cannot, nothing changes, the read fails and the user is told why.
TEST_F(ZipDir, AnInterruptedAddIsUndoneBeforeReadingOrKeptWithTheReason) {
    ZipMessageTable() = ZipMessagesDE();
    fake.dialogs.onUnexpected = nullptr;
    zip.Unattended = false;
    const BuiltZip old = BuildZip(TwoFiles());
    zipundo::journal::Undo u;
    u.tailOffset = old.directoryOffset, u.tail = old.bytes.substr(old.directoryOffset), u.prefixLength = 64;
    u.prefixCrc = zipundo::journal::Crc32(old.bytes.data() + old.directoryOffset - 64, 64);
    const std::string record = zipundo::journal::Encode(u), crashed = old.bytes.substr(0, old.directoryOffset) + "PK\3\4 half";
    const std::string kept = "Die Zip-Datei ist seit einem abgebrochenen Zippen unvollständig und kann jetzt nicht "
                             "wiederhergestellt werden, denn ";
    const char* const kArc = "C:\\ZIP\\GAME.ZIP";
    const std::string kRecord = std::string(kArc) + ".zkj";
    struct Row {
        std::function<void()> arm;
        std::string told;  // "" when the archive is put back
    } rows[] = {
        {[&] { fake.files.SetAttributes(kArc, platform::faReadOnly); }, kept + "sie ist schreibgeschützt."},
        {[&] { fake.files.heldElsewhere.insert(kArc); }, kept + "ein anderes Programm hat sie geöffnet."},
        {[&] { fake.files.Drive('C').writeProtected = true; }, kept + "das Laufwerk ist schreibgeschützt."},
        {[&] { fake.files.failWriteAfter[kArc] = 10; }, kept + "Windows meldet einen Fehler."},
        {[&] { fake.files.heldElsewhere.insert(kRecord); },
         "Die Zip-Datei wird gerade von einem anderen Programm geschrieben. "
         "Warte, bis es fertig ist, und versuche es dann noch einmal."},
        {[] {}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.told);
        fake.files.AddFile(kRecord, record);
        fake.files.AddFile(kArc, crashed);
        row.arm();
        fake.dialogs.shown.clear();
        zip.SetZipFileName(kArc);
        fake.files.Drive('C').writeProtected = false, fake.files.heldElsewhere.clear(), fake.files.failWriteAfter.clear();
        fake.files.SetAttributes(kArc, platform::faArchive);
        if (!row.told.empty()) {
            ASSERT_EQ(fake.dialogs.shown.size(), 1u);
            EXPECT_EQ(fake.dialogs.shown[0].text, row.told);
            EXPECT_TRUE(Failed());
            EXPECT_EQ(fake.files.Content(kRecord), record);
            // A write cut short in the middle of the undo is taken up again next time.
            if (row.told.find("Windows") == std::string::npos) {
                EXPECT_EQ(fake.files.Content(kArc), crashed);
            }
        }
    }
    EXPECT_EQ(Listed(), (Names{"TEXTE\\THEMA.{1}", "ZANTORIK.EXE"}));
    EXPECT_EQ(fake.files.Content(kArc), old.bytes);
    EXPECT_FALSE(fake.files.FileExists(kRecord));
    u = zipundo::journal::Undo(), u.kind = zipundo::journal::Kind::Created;
    fake.files.AddFile("C:\\ZIP\\NEW.ZIP.zkj", zipundo::journal::Encode(u));
    Read("PK\3\4 half the first entry", "C:\\ZIP\\NEW.ZIP");
    EXPECT_EQ(std::tuple(zip.Contents.size(), fake.dialogs.shown.size()), std::tuple(0u, 0u));
    EXPECT_EQ(std::tuple(fake.files.FileExists("C:\\ZIP\\NEW.ZIP"), fake.files.FileExists("C:\\ZIP\\NEW.ZIP.zkj")),
              std::tuple(false, false));
}

// One row per crafted archive: what is reported, whether the read fails,
// the entries kept, where the data starts, whether it counts as displaced
// or spanned, the size found (0: not checked).
TEST_F(ZipDir, CraftedArchives) {
    const BuiltZip built = BuildZip(TwoFiles());
    const std::string& base = built.bytes;
    const size_t dir = built.directoryOffset, end = built.endOffset, second = dir + 46 + 15;
    auto with = [&](size_t at, uint32_t value, int width = 16) {
        std::string b = base;
        return width == 16 ? Put16(b, at, static_cast<uint16_t>(value)) : Put32(b, at, value), b;
    };
    TestZip set = TwoFiles();  // the first part of a set: the span marker in front
    set.prefix = "PK\x07\x08", set.adjustOffsets = true;
    auto zip64 = [&](uint32_t directoryDisk) {
        zipformat::EndRecord e = zipformat::OneDiskEnd(2, built.directorySize, built.directoryOffset);
        e.entriesHere = e.totalEntries = 0xFFFF;  // marked in the classic record
        e.directoryDisk = directoryDisk;
        std::vector<uint8_t> tail;
        zipformat::AppendEnd(tail, e, built.endOffset, "");
        std::string b = base.substr(0, built.endOffset) + std::string(tail.begin(), tail.end());
        Put32(b, b.size() - 22 - 20 - 56 + 24, 2);  // the zip64 record holds the real count
        Put32(b, b.size() - 22 - 20 - 56 + 32, 2);
        return b;
    };
    const size_t toSector = (512 - base.size() % 512) % 512, n = base.size();
    std::string oneBad(toSector, '\0');
    oneBad[toSector / 2] = 1;
    struct Case { const char* what; std::string bytes; Ints numbers; bool failed; size_t kept; int64_t dataOffset;
                  bool displacedOrSpanned; size_t size; } cases[] = {
        {"first part of a set", BuildZip(set).bytes, {}, false, 2, 4, true, 0},  // stubs: with Info-ZIP's
        {"zeros up to a whole sector", base + std::string(toSector, '\0'), {}, false, 2, 0, false, n},
        {"one byte not zero", base + oneBad, {10204}, false, 2, 0, false, n},
        {"zeros, not to a whole sector", base + std::string(toSector - 1, '\0'), {10204}, false, 2, 0, false, n},
        {"a whole sector of zeros and more", base + std::string(toSector + 512, '\0'), {10204}, false, 2, 0, false, n},
        {"zip64 end record", zip64(0), {}, false, 2, 0, false, zip64(0).size()},
        {"zip64 record naming disks no set has", zip64(0x85858585), {11001}, true, 0, 0, false, 0},
        {"shorter than an end record", "PK\5\6", {11011}, true, 0, 0, false, 0},
        {"22 zero bytes", std::string(22, '\0'), {11036}, true, 0, 0, false, 0},
        {"second header's signature", with(second, 0x02014b51, 32), {11015}, true, 1, 0, false, 0},
        {"name past the end", with(dir + 28, 60000), {11017}, true, 0, 0, false, 0},
        {"extra field past the end", with(dir + 30, 60000), {10201}, true, 0, 0, false, 0},
        {"comment past the end", with(dir + 32, 60000), {11022}, true, 0, 0, false, 0},
        {"more entries than there are", with(end + 10, 5), {11013}, true, 2, 0, false, 0},
        {"directory larger than the file", with(end + 12, 1000000, 32), {10203, 10201}, true, 0, 0, false, 0},
        {"directory on another disk", with(end + 4, 1), {11001}, true, 0, 0, true, 0},
    };
    for (const Case& c : cases) {
        messages.clear();
        Read(c.bytes);
        EXPECT_EQ(Numbers(), c.numbers) << c.what;
        EXPECT_EQ(std::to_string(Failed()) + " " + std::to_string(zip.Contents.size()) + " " + std::to_string(zip.DataOffset),
                  std::to_string(c.failed) + " " + std::to_string(c.kept) + " " + std::to_string(c.failed ? 0 : c.dataOffset))
            << c.what;
        if (!c.failed || c.displacedOrSpanned) { EXPECT_EQ(zip.directory.Displaced() || zip.directory.Spanned(), c.displacedOrSpanned) << c.what; }
        if (c.size) { EXPECT_EQ(zip.directory.ArchiveFileSize(), static_cast<int64_t>(c.size)) << c.what; }
    }
    EXPECT_EQ(dirUpdates, static_cast<int>(std::size(cases)));
}

// Names and comments: OEM for converted names, ANSI for those that stay,
// UTF-8 under flag bit 11, and the platform's code pages for OEM and ANSI.
TEST_F(ZipDir, NamesAreDecodedByHostFlagAndSetting) {
    const std::string oem = "M\x8ERCHEN/K\x94NIG.TXT", unicode = UnicodePathField(oem, "Märchen/König.txt");
    struct Case { uint8_t host, spec; uint16_t flags; CodePageOpts cp; std::string raw, expected, extra; unsigned oemPage; }
    cases[] = {
        {0, 20, 0, cpAuto, "\x81", "ü", "", 437},            // MS-DOS: OEM
        {0, 20, 0, cpNone, "\x81", "\xC2\x81", "", 437},     // as it is: ANSI 0x81, the C1 control
        {3, 20, 0, cpAuto, "gr\xFCn", "grün", "", 437},      // Unix: ANSI
        {3, 30, 0, cpAuto, "gr\xC3\xBCn", "grün", "", 437},  // Unix, multi-byte UTF-8: UTF-8
        {3, 30, 0, cpAuto, "\xC0\xAF", "À¯", "", 437},       // overlong: no UTF-8
        {0, 20, 0, cpAuto, "gr\xC3\xBCn", "gr├╝n", "", 437},  // the same bytes from MS-DOS: OEM
        {3, 20, 0, cpOEM, "gr\x81n", "grün", "", 437},       // OEM asked for
        {6, 20, 0, cpNone, "\x9A", "Ü", "", 437},            // HPFS: always OEM
        {11, 50, 0, cpAuto, "\x84", "ä", "", 437},           // NTFS written by PKZIP 5.0: OEM
        {11, 20, 0, cpAuto, "\x84", "„", "", 437},           // other NTFS: ANSI
        {0, 20, 0x800, cpAuto, "gr\xC3\xBCn/\xE2\x82\xAC", "grün\\€", "", 437},  // UTF-8 flag
        {3, 63, 0x800, cpOEM, "\xC3\xA4", "ä", "", 437},     // the flag wins over the setting
        {0, 20, 0x800, cpAuto, "a\xFF" "b", "a\xEF\xBF\xBD" "b", "", 437},  // broken UTF-8
        {0, 20, 0, cpAuto, "\x81", "\xC2\x81", "", 1252},    // the platform's pages, swapped
        {0, 20, 0, cpAuto, oem, "Märchen\\König.txt", unicode, 437},
        {0, 20, 0, cpAuto, "ALT.TXT", "ALT.TXT", unicode, 437},  // renamed since
    };
    for (const Case& c : cases) {
        TestZip z;
        z.entries = {TestEntry{c.raw, "", c.spec, c.host, c.flags, c.extra, c.extra.empty() ? c.raw : ""}};
        zip.CodePage = c.cp, fake.codePages.oem = c.oemPage, fake.codePages.ansi = c.oemPage == 437 ? 1252 : 437;
        Read(BuildZip(z).bytes);
        ASSERT_EQ(zip.Contents.size(), 1u) << c.expected;
        std::string comment = c.extra.empty() ? c.expected : "";
        std::replace(comment.begin(), comment.end(), '\\', '/');
        EXPECT_EQ(zip.Contents[0].FileName + "|" + zip.Contents[0].FileComment, c.expected + "|" + comment);
    }
}

TEST_F(ZipDir, ArchivesThatCannotBeOpenedOrWhoseHandlersFail) {
    zip.Unattended = false;  // a damaged archive is shown, once
    fake.dialogs.Answer(platform::mrOk);
    Read("Dies ist kein Archiv, nur ein Text mit mehr als zweiundzwanzig Zeichen.\r\n");
    zip.ReadDirectory();  // no name any more: nothing is said
    ASSERT_EQ(fake.dialogs.shown.size(), 1u);
    EXPECT_EQ(fake.dialogs.shown[0].text, Missing(11036));
    zip.Unattended = true, fake.files.failOpen.insert("C:\\ZIP\\GAME.ZIP");
    Read(BuildZip(TwoFiles()).bytes);
    ZipDirReader::EndRecord record;
    EXPECT_FALSE(zip.directory.LocateEndRecord("C:\\ZIP\\GAME.ZIP", false, record));  // not raised: 11002, not found
    EXPECT_EQ(Numbers(), (Ints{11036, 11001, 11002}));
    EXPECT_TRUE(Failed());
    fake.files.failOpen.clear();
    EXPECT_TRUE(zip.directory.LocateEndRecord("C:\\ZIP\\GAME.ZIP", false, record));
    EXPECT_EQ(record.totalEntries, 2);
    const std::pair<std::function<void()>, std::string> cases[] = {  // a handler's error; 1 entry kept
        {[] { throw std::runtime_error("kaputt"); }, Missing(10202) + "kaputt"},
        {[] { throw std::bad_alloc(); }, Missing(10103)},
        {[] { throw EZipArchiver::CreateResDisp(11007, false); }, Missing(11007)},
    };
    for (const auto& [raise, text] : cases) {
        zip.OnNewName = [&](TZipArchiver&, int32_t, const ZipDirEntry&) { raise(); };
        Read(BuildZip(TwoFiles()).bytes);
        EXPECT_EQ(zip.LastMessage + std::to_string(Failed()) + std::to_string(zip.Contents.size()), text + "11");
    }
}

TEST_F(ZipDir, DrivesThatCannotBeRead) {
    fake.files.Drive('D').size = std::nullopt, fake.files.Drive('E').formatted = false;
    struct Case { std::string root; bool erase; int result; } cases[] = {  // 1: ready, 0: not, else the number raised
        {"1:\\", false, 11003}, {"", false, 11003}, {"Q:\\", false, 11004}, {"D:\\", false, 0}, {"E:\\", false, 0},
        {"E:\\", true, 1}, {"C:\\", false, 1}, {"\\\\SERVER\\SPIELE\\", false, 1}};
    for (const Case& c : cases) {
        zip.AddOptions = c.erase ? AddOpts{AddDiskSpanErase} : AddOpts{};
        try {
            EXPECT_EQ(zip.disks.CheckDrive(c.root), c.result) << c.root;
        } catch (const EZipArchiver& e) {
            EXPECT_EQ(e.MessageNumber * e.ShowToUser, c.result) << c.root;
        }
    }
    // An archive on the unformatted disk is read only when formatting is allowed.
    zip.AddOptions = {}, Read(BuildZip(TwoFiles()).bytes, "E:\\GAME.ZIP");
    EXPECT_EQ(Numbers(), Ints{11004});
    zip.AddOptions = {AddDiskSpanErase}, zip.SetZipFileName("E:\\GAME.ZIP");
    EXPECT_EQ(std::tuple(Numbers(), zip.Contents.size()), std::tuple(Ints{11004}, 2u));
}

TEST_F(ZipDir, SpannedSetsWithoutAnEndRecordByTheirLabels) {
    const std::string marker("PK\x07\x08PK\x03\x04", 8);
    const std::pair<std::string, int> cases[] = {  // label, message; a set's first disk starts with the marker
        {"FAKE", 11045}, {"PKBACK# 001", 11037}, {"PKBACK# 002", 11045}, {"-PKBACK# 003", 11038}, {"-PKBACK# abc", 11036}};
    fake.files.Drive('A').type = platform::DriveType::Removable;
    for (const auto& [label, number] : cases) {
        messages.clear();
        fake.files.Drive('A').label = label[0] == '-' ? label.substr(1) : label;
        Read((label[0] == '-' ? "" : marker) + std::string(100, 'x'), "A:\\GAME.ZIP");
        EXPECT_EQ(Numbers(), Ints{number}) << label;
        EXPECT_TRUE(Failed()) << label;
    }
}

}  // namespace
}  // namespace zk::test
