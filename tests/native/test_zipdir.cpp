// Reading an archive's directory over the fake file system: one table of
// crafted archives (stubs, padding, damaged fields, zip64 records, disks of
// a set), names by host, flag and setting, the drive check, and a directory
// running over two disks.
#include <cstring>

#include "zip_builder.h"
#include "zip_fixture.h"
#include "zkzip/journal.h"

namespace zk::test {
namespace {

using Ints = std::vector<int>;
using Names = std::vector<std::string>;

class ZipDir : public ZipFixture {
protected:
    ZipDir() { zip.Unattended = true; }
    static TestZip TwoFiles() {
        TestZip z;
        z.entries.resize(2);
        z.entries[0].name = "TEXTE/THEMA.{1}";
        z.entries[0].data = "Thema eins";
        z.entries[0].crc = 0x11223344;
        z.entries[1].name = "ZANTORIK.EXE";
        z.entries[1].data = std::string(300, 'z');
        z.entries[1].host = 11;
        z.entries[1].specVersion = 25;
        return z;
    }
    void Read(const std::string& bytes, const std::string& path = "C:\\ZIP\\GAME.ZIP") {
        fake.files.AddFile(path, bytes);
        zip.SetZipFileName(path);
    }
    Names Listed() const {
        Names out;
        for (const ZipDirEntry& e : zip.Contents) out.push_back(e.FileName);
        return out;
    }
    bool Failed() const { return zip.ZipFileName().empty(); }
};

TEST_F(ZipDir, EachReadReplacesTheLastDirectory) {
    TestZip z = TwoFiles();
    z.comment = std::string("Spielst\xE4nde\0danach nichts", 24);
    Read(BuildZip(z).bytes);
    EXPECT_EQ(zip.ArchiveComment, "Spielstände");  // up to the zero byte, in the ANSI code page
    EXPECT_EQ(zip.Contents.size(), 2u);
    Read(EmptyZip(), "C:\\ZIP\\EMPTY.ZIP");
    EXPECT_TRUE(zip.Contents.empty());
    EXPECT_EQ(zip.ArchiveComment, "");
    EXPECT_EQ(zip.ArchiveFileSize(), 22);
    z.comment = std::string(65535, 'c');  // the longest comment there can be
    Read(BuildZip(z).bytes);
    EXPECT_EQ(zip.ArchiveComment.size(), 65535u);
    zip.SetZipFileName("C:\\ZIP\\NONE.ZIP");  // missing: an empty directory, no message
    EXPECT_TRUE(zip.Contents.empty());
    EXPECT_EQ(zip.ArchiveComment, "");
    EXPECT_EQ(zip.ZipFileName(), "C:\\ZIP\\NONE.ZIP");
    EXPECT_EQ(dirUpdates, 4);
    EXPECT_TRUE(messages.empty());
}

// An add cut short leaves the library's undo journal beside the archive:
// reading puts the old archive back (or removes a new one) first.
TEST_F(ZipDir, AnInterruptedAddIsUndoneBeforeReading) {
    const BuiltZip old = BuildZip(TwoFiles());
    zkzip::journal::Undo u;
    u.tailOffset = old.directoryOffset;
    u.tail = old.bytes.substr(old.directoryOffset);
    u.prefixLength = 64;
    u.prefixCrc = zkzip::journal::Crc32(old.bytes.data() + old.directoryOffset - 64, 64);
    fake.files.AddFile("C:\\ZIP\\GAME.ZIP.zkj", zkzip::journal::Encode(u));
    Read(old.bytes.substr(0, old.directoryOffset) + "PK\3\4 half a new entry");
    EXPECT_EQ(Listed(), (Names{"TEXTE\\THEMA.{1}", "ZANTORIK.EXE"}));
    EXPECT_TRUE(fake.files.Content("C:\\ZIP\\GAME.ZIP") == old.bytes);
    EXPECT_FALSE(fake.files.FileExists("C:\\ZIP\\GAME.ZIP.zkj"));
    u = zkzip::journal::Undo();
    u.created = true;
    fake.files.AddFile("C:\\ZIP\\NEW.ZIP.zkj", zkzip::journal::Encode(u));
    Read("PK\3\4 half the first entry", "C:\\ZIP\\NEW.ZIP");
    EXPECT_TRUE(zip.Contents.empty());
    EXPECT_FALSE(fake.files.FileExists("C:\\ZIP\\NEW.ZIP") || fake.files.FileExists("C:\\ZIP\\NEW.ZIP.zkj"));
    EXPECT_TRUE(messages.empty());
}

// One row per crafted archive: what is reported, whether the read fails,
// how many entries it kept, where the data starts.
TEST_F(ZipDir, CraftedArchives) {
    const BuiltZip built = BuildZip(TwoFiles());
    const std::string& base = built.bytes;
    const size_t dir = built.directoryOffset, end = built.endOffset, second = dir + 46 + 15;
    auto with = [&](size_t at, uint32_t value, int width = 16) {
        std::string b = base;
        width == 16 ? Put16(b, at, static_cast<uint16_t>(value)) : Put32(b, at, value);
        return b;
    };
    auto stub = [](bool adjusted, const std::string& prefix = std::string(20000, 'S')) {
        TestZip z = TwoFiles();
        z.prefix = prefix;
        z.adjustOffsets = adjusted;
        return BuildZip(z).bytes;
    };
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
    const size_t toSector = (512 - base.size() % 512) % 512;
    std::string oneBad(toSector, '\0');
    oneBad[toSector / 2] = 1;
    struct Case {
        const char* what;
        std::string bytes;
        Ints numbers;
        bool failed;
        size_t kept;
        int64_t dataOffset;
        bool displacedOrSpanned = false;
        size_t size = 0;  // of the archive as found, when it is checked
    } cases[] = {
        {"stub in front, offsets as written", stub(false), {10203}, false, 2, 20000, true},
        {"stub in front, offsets moved", stub(true), {}, false, 2, 20000},
        {"first part of a set", stub(true, "PK\x07\x08"), {}, false, 2, 4, true},
        {"zeros up to a whole sector", base + std::string(toSector, '\0'), {}, false, 2, 0, false, base.size()},
        {"one byte not zero", base + oneBad, {10204}, false, 2, 0, false, base.size()},
        {"zeros, not to a whole sector", base + std::string(toSector - 1, '\0'), {10204}, false, 2, 0, false, base.size()},
        {"a whole sector of zeros and more", base + std::string(toSector + 512, '\0'), {10204}, false, 2, 0, false, base.size()},
        {"text after the end", base + "JUNK", {10204}, false, 2, 0, false, base.size()},
        {"zip64 end record", zip64(0), {}, false, 2, 0, false, zip64(0).size()},
        {"zip64 record naming disks no set has", zip64(0x85858585), {11001}, true, 0, 0},
        {"shorter than an end record", "PK\5\6", {11011}, true, 0, 0},
        {"empty file", "", {11011}, true, 0, 0},
        {"22 zero bytes", std::string(22, '\0'), {11036}, true, 0, 0},
        {"second header's signature", with(second, 0x02014b51, 32), {11015}, true, 1, 0},
        {"name past the end", with(dir + 28, 60000), {11017}, true, 0, 0},
        {"extra field past the end", with(dir + 30, 60000), {10201}, true, 0, 0},
        {"comment past the end", with(dir + 32, 60000), {11022}, true, 0, 0},
        {"more entries than there are", with(end + 10, 5), {11013}, true, 2, 0},
        {"directory larger than the file", with(end + 12, 1000000, 32), {10203, 10201}, true, 0, 0},
        {"directory on another disk", with(end + 4, 1), {11001}, true, 0, 0, true},
    };
    for (const Case& c : cases) {
        messages.clear();
        Read(c.bytes);
        EXPECT_EQ(Numbers(), c.numbers) << c.what;
        EXPECT_EQ(Failed(), c.failed) << c.what;
        EXPECT_EQ(zip.Contents.size(), c.kept) << c.what;
        EXPECT_EQ(zip.DataOffset, c.failed ? 0 : c.dataOffset) << c.what;
        if (!c.failed || c.displacedOrSpanned) {
            EXPECT_EQ(zip.Displaced() || zip.Spanned(), c.displacedOrSpanned) << c.what;
        }
        if (c.size) {
            EXPECT_EQ(zip.ArchiveFileSize(), static_cast<int64_t>(c.size)) << c.what;
        }
    }
    EXPECT_EQ(dirUpdates, static_cast<int>(std::size(cases)));
}

TEST_F(ZipDir, FolderEntriesCountedOrListed) {
    TestZip z = TwoFiles();
    z.entries.insert(z.entries.begin(), TestEntry{"DATA/"});
    z.entries.push_back(TestEntry{""});
    std::vector<int32_t> seqs;
    zip.OnNewName = [&](TZipArchiver&, int32_t seq, const ZipDirEntry&) { seqs.push_back(seq); };
    Read(BuildZip(z).bytes);
    EXPECT_EQ(Listed(), (Names{"TEXTE\\THEMA.{1}", "ZANTORIK.EXE"}));
    EXPECT_EQ(zip.DirOnlyCount, 2);
    EXPECT_EQ(seqs, (std::vector<int32_t>{2, 3}));
    zip.UseDirOnlyEntries = true;
    seqs.clear();
    zip.ReadDirectory();
    EXPECT_EQ(Listed(), (Names{"DATA\\", "TEXTE\\THEMA.{1}", "ZANTORIK.EXE", ""}));
    EXPECT_EQ(zip.DirOnlyCount, 0);
    EXPECT_EQ(seqs, (std::vector<int32_t>{1, 2, 3, 4}));
}

// Info-ZIP's Unicode path field for exactly the stored name.
std::string UnicodeField(const std::string& stored, const std::string& name) {
    std::vector<uint8_t> f;
    zipformat::Put16(f, zipformat::kExtraUnicodePath);
    zipformat::Put16(f, static_cast<uint32_t>(5 + name.size()));
    f.push_back(1);
    zipformat::Put32(f, zipformat::Crc32(stored.data(), stored.size()));
    f.insert(f.end(), name.begin(), name.end());
    return std::string(f.begin(), f.end());
}

// Names and comments: OEM for converted names, ANSI for those that stay,
// UTF-8 under flag bit 11, and the platform's code pages for OEM and ANSI.
TEST_F(ZipDir, NamesAreDecodedByHostFlagAndSetting) {
    const std::string oem = "M\x8ERCHEN/K\x94NIG.TXT";
    struct Case {
        uint8_t host, spec;
        uint16_t flags;
        CodePageOpts cp;
        std::string raw, expected, extra = "";
        unsigned oemPage = 437, ansiPage = 1252;
    } cases[] = {
        {0, 20, 0, cpAuto, "\x81", "ü"},            // MS-DOS: OEM
        {0, 20, 0, cpNone, "\x81", "\xC2\x81"},     // as it is: ANSI 0x81, the C1 control
        {3, 20, 0, cpAuto, "gr\xFCn", "grün"},      // Unix: ANSI
        {3, 30, 0, cpAuto, "gr\xC3\xBCn", "grün"},  // Unix, multi-byte UTF-8: UTF-8
        {0, 20, 0, cpAuto, "gr\xC3\xBCn", "gr├╝n"},  // the same bytes from MS-DOS: OEM
        {3, 20, 0, cpOEM, "gr\x81n", "grün"},       // OEM asked for
        {6, 20, 0, cpNone, "\x9A", "Ü"},            // HPFS: always OEM
        {11, 50, 0, cpAuto, "\x84", "ä"},           // NTFS written by PKZIP 5.0: OEM
        {11, 20, 0, cpAuto, "\x84", "„"},           // other NTFS: ANSI
        {0, 20, 0x800, cpAuto, "gr\xC3\xBCn/\xE2\x82\xAC", "grün\\€"},  // UTF-8 flag
        {3, 63, 0x800, cpOEM, "\xC3\xA4", "ä"},     // the flag wins over the setting
        {0, 20, 0x800, cpAuto, "a\xFF" "b", "a\xEF\xBF\xBD" "b"},  // broken UTF-8
        {0, 20, 0, cpAuto, "PLAIN.TXT", "PLAIN.TXT"},
        {0, 20, 0, cpAuto, "\x81", "\xC2\x81", "", 1252, 437},  // the platform's pages, swapped
        {0, 20, 0, cpAuto, oem, "Märchen\\König.txt", UnicodeField(oem, "Märchen/König.txt")},
        {0, 20, 0, cpAuto, "ALT.TXT", "ALT.TXT", UnicodeField(oem, "Märchen/König.txt")},  // renamed since
    };
    for (const Case& c : cases) {
        TestZip z;
        z.entries = {TestEntry{c.raw, "", c.spec, c.host, c.flags, c.extra, c.extra.empty() ? c.raw : ""}};
        zip.CodePage = c.cp;
        fake.codePages.oem = c.oemPage;
        fake.codePages.ansi = c.ansiPage;
        Read(BuildZip(z).bytes);
        ASSERT_EQ(zip.Contents.size(), 1u) << c.expected;
        EXPECT_EQ(zip.Contents[0].FileName, c.expected);
        std::string comment = c.extra.empty() ? c.expected : "";
        std::replace(comment.begin(), comment.end(), '\\', '/');
        EXPECT_EQ(zip.Contents[0].FileComment, comment) << "comment of " << c.expected;
    }
}

TEST_F(ZipDir, ArchivesThatCannotBeOpenedOrWhoseHandlersFail) {
    zip.Unattended = false;  // a damaged archive is shown, once
    fake.dialogs.Answer(platform::mrOk);
    Read("Dies ist kein Archiv, nur ein Text mit mehr als zweiundzwanzig Zeichen.\r\n");
    ASSERT_EQ(fake.dialogs.shown.size(), 1u);
    EXPECT_EQ(fake.dialogs.shown[0].text, Missing(11036));
    zip.ReadDirectory();  // no name any more: nothing is said
    EXPECT_EQ(fake.dialogs.shown.size(), 1u);
    zip.Unattended = true;

    fake.files.failOpen.insert("C:\\ZIP\\GAME.ZIP");
    messages.clear();
    Read(BuildZip(TwoFiles()).bytes);
    EXPECT_EQ(Numbers(), Ints{11001});
    EXPECT_TRUE(Failed());
    // Asked not to raise, the locator reports 11002 and answers not found.
    messages.clear();
    TZipArchiver::EndRecord record;
    EXPECT_FALSE(zip.LocateEndRecord("C:\\ZIP\\GAME.ZIP", false, record));
    EXPECT_EQ(Numbers(), Ints{11002});
    fake.files.failOpen.clear();
    EXPECT_TRUE(zip.LocateEndRecord("C:\\ZIP\\GAME.ZIP", false, record));
    EXPECT_EQ(record.totalEntries, 2);

    struct Case {
        std::function<void()> raise;
        Ints reported;
        std::string text;
    } cases[] = {
        {[] { throw std::runtime_error("kaputt"); }, {10202}, Missing(10202) + "kaputt"},
        {[] { throw std::bad_alloc(); }, {10103}, Missing(10103)},
        {[] { throw EZipArchiver::CreateResDisp(11007, false); }, {11007}, Missing(11007)},
    };
    for (const Case& c : cases) {
        messages.clear();
        zip.OnNewName = [&](TZipArchiver&, int32_t, const ZipDirEntry&) { c.raise(); };
        Read(BuildZip(TwoFiles()).bytes);
        EXPECT_EQ(Numbers(), c.reported);
        EXPECT_EQ(zip.LastMessage, c.text);
        EXPECT_TRUE(Failed());
        EXPECT_EQ(zip.Contents.size(), 1u);  // the one it was told about
    }
}

// ---- the drive check ----

struct ExQuery {
    static inline int calls = 0;
    static inline bool succeed = true;
    static inline std::string root;
    static int32_t ZK_STDCALL Fn(const char* r, uint64_t* avail, uint64_t* total, uint64_t* free) {
        ++calls;
        root = r;
        if (!succeed) return 0;
        *avail = 5000000000ull, *total = 8000000000ull, *free = 6000000000ull;
        return 1;
    }
};

TEST_F(ZipDir, TheDriveCheckPrefersTheSixtyFourBitQuery) {
    ExQuery::calls = 0;
    ExQuery::succeed = true;
    fake.dynlib.Add("Kernel32", {{"GetDiskFreeSpaceExA", reinterpret_cast<void*>(ExQuery::Fn)}});
    EXPECT_TRUE(zip.CheckDrive("C:\\"));
    EXPECT_EQ(ExQuery::root, "C:\\");
    EXPECT_EQ(zip.DiskFreeBytes(), 5000000000ull);
    EXPECT_EQ(zip.DiskSizeBytes(), 8000000000ull);
    EXPECT_EQ(fake.dynlib.OpenCount(), 0u);  // Kernel32 let go again
    ExQuery::succeed = false;                 // it fails: the classic query answers
    fake.files.Drive('C').free = 1234;
    fake.files.Drive('C').size = 99999;
    EXPECT_TRUE(zip.CheckDrive("C:\\"));
    EXPECT_EQ(zip.DiskFreeBytes(), 1234u);
    EXPECT_EQ(zip.DiskSizeBytes(), 99999u);
    fake.dynlib.Remove("Kernel32");  // not there at all: the same
    EXPECT_TRUE(zip.CheckDrive("c:\\"));
    EXPECT_EQ(zip.DiskSizeBytes(), 99999u);
    EXPECT_EQ(ExQuery::calls, 2);
    // The critical-error boxes were off and are back as before.
    EXPECT_EQ(fake.files.errorMode, 0u);
    EXPECT_FALSE(fake.files.errorModes.empty());
}

TEST_F(ZipDir, DrivesThatCannotBeRead) {
    fake.files.Drive('D').size = std::nullopt;
    fake.files.Drive('E').formatted = false;
    struct Case {
        std::string root;
        bool erase, ok;
        int thrown;  // 0: answers without raising
    } cases[] = {
        {"1:\\", false, false, 11003}, {"", false, false, 11003}, {"Q:\\", false, false, 11004},
        {"D:\\", false, false, 0},     {"E:\\", false, false, 0}, {"E:\\", true, true, 0},
        {"C:\\", false, true, 0},      {"\\\\SERVER\\SPIELE\\", false, true, 0},
    };
    for (const Case& c : cases) {
        zip.AddOptions = c.erase ? AddOpts{AddDiskSpanErase} : AddOpts{};
        try {
            EXPECT_EQ(zip.CheckDrive(c.root), c.ok) << c.root;
            EXPECT_EQ(c.thrown, 0) << c.root;
        } catch (const EZipArchiver& e) {
            EXPECT_EQ(e.MessageNumber, c.thrown) << c.root;
            EXPECT_TRUE(e.ShowToUser);
        }
    }
    // An archive on the unformatted disk is read only when formatting is allowed.
    fake.files.AddFile("E:\\GAME.ZIP", BuildZip(TwoFiles()).bytes);
    zip.AddOptions = {};
    zip.SetZipFileName("E:\\GAME.ZIP");
    EXPECT_EQ(Numbers(), Ints{11004});
    messages.clear();
    zip.AddOptions = {AddDiskSpanErase};
    zip.SetZipFileName("E:\\GAME.ZIP");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(zip.Contents.size(), 2u);
}

// ---- disks of a spanned set ----

TEST_F(ZipDir, SpannedSetsWithoutAnEndRecordByTheirLabels) {
    const std::string marker("PK\x07\x08PK\x03\x04", 8);
    struct Case {
        std::string bytes, label;
        int number;
    } cases[] = {
        {marker + std::string(100, 'x'), "FAKE", 11045},
        {marker + std::string(100, 'x'), "PKBACK# 001", 11037},
        {marker + std::string(100, 'x'), "PKBACK# 002", 11045},
        {std::string(100, 'x'), "PKBACK# 003", 11038},
        {std::string(100, 'x'), "PKBACK# abc", 11036},
    };
    fake.files.Drive('A').type = platform::DriveType::Removable;
    for (const Case& c : cases) {
        messages.clear();
        fake.files.Drive('A').label = c.label;
        Read(c.bytes, "A:\\GAME.ZIP");
        EXPECT_EQ(Numbers(), Ints{c.number}) << c.label;
        EXPECT_TRUE(Failed());
    }
}

TEST_F(ZipDir, ADirectoryRunningOverTwoDisks) {
    const BuiltZip built = BuildZip(TwoFiles());
    const size_t cut = built.directoryOffset + 46 + 15;  // after the first central header
    std::string disk1 = built.bytes.substr(cut);
    Put16(disk1, built.endOffset - cut + 4, 1);  // this disk 1, the directory from disk 0
    fake.files.AddFile("C:\\ZIP\\PART0.ZIP", built.bytes.substr(0, cut));
    Ints asked;
    zip.diskForReading = [&](int disk) -> std::unique_ptr<platform::File> {
        asked.push_back(disk);
        return fake.files.Open(disk == 0 ? "C:\\ZIP\\PART0.ZIP" : "C:\\ZIP\\GAME.ZIP", platform::OpenMode::Read);
    };
    Read(disk1);
    EXPECT_EQ(asked, (Ints{0, 1}));
    EXPECT_EQ(Listed(), (Names{"TEXTE\\THEMA.{1}", "ZANTORIK.EXE"}));
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(zip.Spanned());
    EXPECT_EQ(zip.LastDisk(), 1);
    EXPECT_EQ(zip.DirectoryPosition(), built.directoryOffset);
}

}  // namespace
}  // namespace zk::test
