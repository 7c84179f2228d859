// Reading an archive's directory over the fake file system: the end record,
// its comment, stubs and padding, names, the drive check, disks of a set,
// and every numbered failure.
#include <cstring>

#include "zip_builder.h"
#include "zkzip/journal.h"
#include "zip_fixture.h"

namespace zk::test {
namespace {

using platform::mrOk;

class ZipDir : public ZipFixture {
protected:
    ZipDir() { zip.Unattended = true; }

    static TestZip TwoFiles() {
        TestZip z;
        TestEntry a;
        a.name = "TEXTE/THEMA.{1}";
        a.data = "Thema eins";
        a.crc = 0x11223344;
        TestEntry b;
        b.name = "ZANTORIK.EXE";
        b.data = std::string(300, 'z');
        b.host = 11;
        b.specVersion = 25;
        z.entries = {a, b};
        return z;
    }
    void Read(const std::string& bytes, const std::string& path = "C:\\ZIP\\GAME.ZIP") {
        fake.files.AddFile(path, bytes);
        zip.SetZipFileName(path);
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (const ZipDirEntry& e : zip.Contents) out.push_back(e.FileName);
        return out;
    }
    bool Failed() const { return zip.ZipFileName().empty(); }
};

TEST_F(ZipDir, AMissingArchiveGivesAnEmptyDirectory) {
    zip.ArchiveComment = "alt";
    zip.SetZipFileName("C:\\ZIP\\NONE.ZIP");
    EXPECT_TRUE(zip.Contents.empty());
    EXPECT_EQ(zip.ArchiveComment, "");
    EXPECT_EQ(dirUpdates, 1);
    EXPECT_EQ(zip.ZipFileName(), "C:\\ZIP\\NONE.ZIP");
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
    EXPECT_EQ(Names(), (std::vector<std::string>{"TEXTE\\THEMA.{1}", "ZANTORIK.EXE"}));
    EXPECT_TRUE(fake.files.Content("C:\\ZIP\\GAME.ZIP") == old.bytes);
    EXPECT_FALSE(fake.files.FileExists("C:\\ZIP\\GAME.ZIP.zkj"));
    EXPECT_TRUE(messages.empty());

    u = zkzip::journal::Undo();
    u.created = true;
    fake.files.AddFile("C:\\ZIP\\NEW.ZIP.zkj", zkzip::journal::Encode(u));
    Read("PK\3\4 half the first entry", "C:\\ZIP\\NEW.ZIP");
    EXPECT_TRUE(zip.Contents.empty());
    EXPECT_FALSE(fake.files.FileExists("C:\\ZIP\\NEW.ZIP"));
    EXPECT_FALSE(fake.files.FileExists("C:\\ZIP\\NEW.ZIP.zkj"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(ZipDir, TheEmptyArchiveOfTwentyTwoBytes) {
    Read(EmptyZip());
    EXPECT_TRUE(zip.Contents.empty());
    EXPECT_EQ(zip.DataOffset, 0);
    EXPECT_EQ(zip.ArchiveFileSize(), 22);
    EXPECT_FALSE(Failed());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(dirUpdates, 1);
}

TEST_F(ZipDir, EntriesCarryTheirHeaderFields) {
    TestZip z = TwoFiles();
    z.entries[0].flags = 0x0009;  // encrypted, data descriptor
    z.entries[0].extra = std::string("\x55\x54\x05\x00\x01\x02\x03\x04\x05", 9);
    z.entries[0].comment = "erste Datei";
    z.entries[0].externalAttr = 0x81A40020;
    BuiltZip built = BuildZip(z);
    std::vector<int32_t> seqs;
    zip.OnNewName = [&](TZipArchiver&, int32_t seq, const ZipDirEntry& e) {
        seqs.push_back(seq);
        EXPECT_FALSE(e.FileName.empty());
    };
    Read(built.bytes);
    ASSERT_EQ(Names(), (std::vector<std::string>{"TEXTE\\THEMA.{1}", "ZANTORIK.EXE"}));
    EXPECT_EQ(seqs, (std::vector<int32_t>{1, 2}));
    const ZipDirEntry& a = zip.Contents[0];
    EXPECT_EQ(a.MadeByVersion, 20);
    EXPECT_EQ(a.HostVersionNo, 0);
    EXPECT_EQ(a.Version, 20);
    EXPECT_EQ(a.Flag, 0x0009);
    EXPECT_TRUE(a.Encrypted);
    EXPECT_EQ(a.ComprMethod, 0);
    EXPECT_EQ(a.DateTime, 0x5A6B3C2Du);
    EXPECT_EQ(a.CRC32, 0x11223344u);
    EXPECT_EQ(a.ComprSize, 10u);
    EXPECT_EQ(a.UncomprSize, 10u);
    EXPECT_EQ(a.FileNameLength, 15);
    EXPECT_EQ(a.ExtraFieldLength, 9);
    EXPECT_EQ(a.FileCommentLen, 11);
    EXPECT_EQ(a.ExtFileAttrib, 0x81A40020u);
    EXPECT_EQ(a.RelOffLocalHdr, 0u);
    EXPECT_EQ(a.FileComment, "erste Datei");
    ASSERT_EQ(a.ExtraData.size(), 10u);
    EXPECT_EQ(std::memcmp(a.ExtraData.data(), z.entries[0].extra.data(), 9), 0);
    EXPECT_EQ(a.ExtraData[9], 0);
    const ZipDirEntry& b = zip.Contents[1];
    EXPECT_FALSE(b.Encrypted);
    EXPECT_TRUE(b.ExtraData.empty());
    EXPECT_EQ(b.HostVersionNo, 11);
    EXPECT_EQ(b.MadeByVersion, 25);
    EXPECT_EQ(b.RelOffLocalHdr, built.localOffsets[1]);
    EXPECT_EQ(zip.DataOffset, 0);
    EXPECT_EQ(zip.DirectoryPosition(), built.directoryOffset);
    EXPECT_EQ(zip.EndRecordPosition(), built.endOffset);
    EXPECT_FALSE(zip.Displaced());
    EXPECT_FALSE(zip.Spanned());
    EXPECT_TRUE(messages.empty());
}

TEST_F(ZipDir, TheCommentIsFoundByTheBackwardSearch) {
    TestZip z = TwoFiles();
    z.comment = std::string("Spielst\xE4nde\0danach nichts", 24);
    Read(BuildZip(z).bytes);
    EXPECT_EQ(zip.ArchiveComment, "Spielstände");  // up to the zero byte, in the ANSI code page
    EXPECT_EQ(zip.Contents.size(), 2u);
    EXPECT_TRUE(messages.empty());
    // The longest comment there can be.
    z.comment = std::string(65535, 'c');
    Read(BuildZip(z).bytes);
    EXPECT_EQ(zip.ArchiveComment.size(), 65535u);
    EXPECT_EQ(zip.Contents.size(), 2u);
}

TEST_F(ZipDir, AStubInFrontOfTheArchive) {
    struct Case {
        bool adjusted;
        std::vector<int> reported;
        bool displaced;
    } cases[] = {{false, {10203}, true}, {true, {}, false}};
    for (const Case& c : cases) {
        messages.clear();
        TestZip z = TwoFiles();
        z.prefix = std::string(20000, 'S');
        z.adjustOffsets = c.adjusted;
        Read(BuildZip(z).bytes);
        EXPECT_EQ(Numbers(), c.reported) << c.adjusted;
        EXPECT_EQ(zip.Displaced(), c.displaced);
        EXPECT_EQ(zip.DataOffset, 20000) << c.adjusted;
        EXPECT_EQ(zip.Contents.size(), 2u);
        EXPECT_FALSE(Failed());
    }
}

TEST_F(ZipDir, BytesAfterTheEndRecord) {
    const std::string base = BuildZip(TwoFiles()).bytes;
    const size_t toSector = (512 - base.size() % 512) % 512;
    ASSERT_GT(toSector, 1u);
    std::string oneBad(toSector, '\0');
    oneBad[toSector / 2] = 1;
    struct Case {
        std::string tail;
        std::vector<int> reported;
        const char* what;
    } cases[] = {
        {std::string(toSector, '\0'), {}, "zeros up to a whole sector"},
        {oneBad, {10204}, "one byte not zero"},
        {std::string(toSector - 1, '\0'), {10204}, "zeros, not to a whole sector"},
        {std::string(toSector + 512, '\0'), {10204}, "a whole sector of zeros and more"},
        {"JUNK", {10204}, "text"},
    };
    for (const Case& c : cases) {
        messages.clear();
        Read(base + c.tail);
        EXPECT_EQ(Numbers(), c.reported) << c.what;
        EXPECT_EQ(zip.Contents.size(), 2u) << c.what;
        EXPECT_EQ(zip.ArchiveFileSize(), static_cast<int64_t>(base.size())) << c.what;
        EXPECT_EQ(zip.DataOffset, 0) << c.what;
    }
}

TEST_F(ZipDir, FolderEntriesCountedOrListed) {
    TestZip z = TwoFiles();
    TestEntry dir;
    dir.name = "DATA/";
    TestEntry drive;
    drive.name = "";
    z.entries.insert(z.entries.begin(), dir);
    z.entries.push_back(drive);
    std::vector<int32_t> seqs;
    zip.OnNewName = [&](TZipArchiver&, int32_t seq, const ZipDirEntry&) { seqs.push_back(seq); };
    Read(BuildZip(z).bytes);
    EXPECT_EQ(Names(), (std::vector<std::string>{"TEXTE\\THEMA.{1}", "ZANTORIK.EXE"}));
    EXPECT_EQ(zip.DirOnlyCount, 2);
    EXPECT_EQ(seqs, (std::vector<int32_t>{2, 3}));

    zip.UseDirOnlyEntries = true;
    seqs.clear();
    zip.ReadDirectory();
    EXPECT_EQ(Names(), (std::vector<std::string>{"DATA\\", "TEXTE\\THEMA.{1}", "ZANTORIK.EXE", ""}));
    EXPECT_EQ(zip.DirOnlyCount, 0);
    EXPECT_EQ(seqs, (std::vector<int32_t>{1, 2, 3, 4}));
}

TEST_F(ZipDir, NamesAreDecodedByHostFlagAndSetting) {
    struct Case {
        uint8_t host, spec;
        uint16_t flags;
        CodePageOpts cp;
        std::string raw, expected;
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
    };
    for (const Case& c : cases) {
        TestZip z;
        TestEntry e;
        e.name = c.raw;
        e.host = c.host;
        e.specVersion = c.spec;
        e.flags = c.flags;
        e.comment = c.raw;
        z.entries = {e};
        zip.CodePage = c.cp;
        Read(BuildZip(z).bytes);
        ASSERT_EQ(zip.Contents.size(), 1u) << c.expected;
        EXPECT_EQ(zip.Contents[0].FileName, c.expected);
        std::string comment = c.expected;
        std::replace(comment.begin(), comment.end(), '\\', '/');
        EXPECT_EQ(zip.Contents[0].FileComment, comment) << "comment of " << c.expected;
    }
}

// Info-ZIP's Unicode path field names the entry when it was written for
// exactly the stored name.
TEST_F(ZipDir, TheUnicodePathFieldWinsWhenItsCrcMatches) {
    auto field = [](const std::string& stored, const std::string& name) {
        std::vector<uint8_t> f;
        zipformat::Put16(f, zipformat::kExtraUnicodePath);
        zipformat::Put16(f, static_cast<uint32_t>(5 + name.size()));
        f.push_back(1);
        zipformat::Put32(f, zipformat::Crc32(stored.data(), stored.size()));
        f.insert(f.end(), name.begin(), name.end());
        return std::string(f.begin(), f.end());
    };
    TestZip z;
    TestEntry e;
    e.name = "M\x8ERCHEN/K\x94NIG.TXT";
    e.extra = field(e.name, "Märchen/König.txt");
    TestEntry stale = e;
    stale.name = "ALT.TXT";  // renamed after the field was written
    z.entries = {e, stale};
    Read(BuildZip(z).bytes);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Märchen\\König.txt", "ALT.TXT"}));
}

// Zip64 end records as other tools write them, and one naming disks no
// set has: read as far as they hold, never past what the file holds.
TEST_F(ZipDir, Zip64EndRecords) {
    BuiltZip built = BuildZip(TwoFiles());
    auto withEnd = [&](zipformat::EndRecord end) {
        std::vector<uint8_t> tail;
        zipformat::AppendEnd(tail, end, built.endOffset, "");
        return built.bytes.substr(0, built.endOffset) + std::string(tail.begin(), tail.end());
    };
    zipformat::EndRecord end = zipformat::OneDiskEnd(2, built.directorySize, built.directoryOffset);
    end.entriesHere = end.totalEntries = 0xFFFF;  // marked in the classic record
    std::string marked = withEnd(end);
    const size_t record = marked.size() - 22 - 20 - 56;
    Put32(marked, record + 24, 2);  // the zip64 record holds the real count
    Put32(marked, record + 32, 2);
    Read(marked);
    EXPECT_EQ(Names(), (std::vector<std::string>{"TEXTE\\THEMA.{1}", "ZANTORIK.EXE"}));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(zip.ArchiveFileSize(), static_cast<int64_t>(marked.size()));

    end.directoryDisk = 0x85858585;
    Read(withEnd(end), "C:\\ZIP\\DISKS.ZIP");
    EXPECT_TRUE(Failed());
}

TEST_F(ZipDir, OemAndAnsiAreThePlatformsCodePages) {
    fake.codePages.oem = 1252;
    fake.codePages.ansi = 437;
    TestZip z;
    TestEntry e;
    e.name = "\x81";
    e.host = 0;
    z.entries = {e};
    Read(BuildZip(z).bytes);
    ASSERT_EQ(zip.Contents.size(), 1u);
    EXPECT_EQ(zip.Contents[0].FileName, "\xC2\x81");
}

TEST_F(ZipDir, ATextFileNamedZip) {
    zip.Unattended = false;
    fake.dialogs.Answer(mrOk);
    Read("Dies ist kein Archiv, nur ein Text mit mehr als zweiundzwanzig Zeichen.\r\n");
    ASSERT_EQ(fake.dialogs.shown.size(), 1u);
    EXPECT_EQ(fake.dialogs.shown[0].text, Missing(11036));
    EXPECT_EQ(zip.ErrorCode, 11036);
    EXPECT_TRUE(Failed());
    EXPECT_EQ(zip.DataOffset, 0);
    EXPECT_EQ(dirUpdates, 1);
    // Reading again now finds no name, and nothing is said.
    zip.ReadDirectory();
    EXPECT_EQ(fake.dialogs.shown.size(), 1u);
}

TEST_F(ZipDir, DamagedArchivesEndWithTheirNumbers) {
    const BuiltZip built = BuildZip(TwoFiles());
    const size_t dir = built.directoryOffset, end = built.endOffset;
    auto with = [&](std::function<void(std::string&)> damage) {
        std::string b = built.bytes;
        damage(b);
        return b;
    };
    const size_t second = dir + 46 + TwoFiles().entries[0].name.size();
    struct Case {
        std::string bytes;
        std::vector<int> numbers;
        size_t kept;  // entries read before the failure
        const char* what;
    } cases[] = {
        {"PK\5\6", {11011}, 0, "shorter than an end record"},
        {"", {11011}, 0, "empty file"},
        {std::string(22, '\0'), {11036}, 0, "22 zero bytes"},
        {with([&](std::string& b) { Put32(b, second, 0x02014b51); }), {11015}, 1, "second header's signature"},
        {with([&](std::string& b) { Put16(b, dir + 28, 60000); }), {11017}, 0, "name past the end"},
        {with([&](std::string& b) { Put16(b, dir + 30, 60000); }), {10201}, 0, "extra field past the end"},
        {with([&](std::string& b) { Put16(b, dir + 32, 60000); }), {11022}, 0, "comment past the end"},
        {with([&](std::string& b) { Put16(b, end + 10, 5); }), {11013}, 2, "more entries than there are"},
        {with([&](std::string& b) { Put32(b, end + 12, 1000000); }), {10203, 10201}, 0,
         "directory larger than the file: first seen as displaced"},
    };
    for (const Case& c : cases) {
        messages.clear();
        Read(c.bytes);
        EXPECT_EQ(Numbers(), c.numbers) << c.what;
        EXPECT_TRUE(Failed()) << c.what;
        EXPECT_EQ(zip.DataOffset, 0) << c.what;
        EXPECT_EQ(zip.Contents.size(), c.kept) << c.what;
    }
    EXPECT_EQ(dirUpdates, static_cast<int>(std::size(cases)));
}

TEST_F(ZipDir, AnArchiveThatCannotBeOpened) {
    fake.files.failOpen.insert("C:\\ZIP\\GAME.ZIP");
    Read(BuildZip(TwoFiles()).bytes);
    EXPECT_EQ(Numbers(), std::vector<int>{11001});
    EXPECT_TRUE(Failed());
    // Asked not to raise, the locator reports 11002 and answers not found.
    messages.clear();
    TZipArchiver::EndRecord record;
    EXPECT_FALSE(zip.LocateEndRecord("C:\\ZIP\\GAME.ZIP", false, record));
    EXPECT_EQ(Numbers(), std::vector<int>{11002});
    fake.files.failOpen.clear();
    EXPECT_TRUE(zip.LocateEndRecord("C:\\ZIP\\GAME.ZIP", false, record));
    EXPECT_EQ(record.totalEntries, 2);
}

TEST_F(ZipDir, ErrorsOfHandlersDuringTheRead) {
    struct Case {
        std::function<void()> raise;
        std::vector<int> reported;
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

TEST_F(ZipDir, ReadingAgainForgetsTheLastArchive) {
    TestZip z = TwoFiles();
    z.comment = "eins";
    Read(BuildZip(z).bytes, "C:\\ZIP\\A.ZIP");
    EXPECT_EQ(zip.Contents.size(), 2u);
    Read(EmptyZip(), "C:\\ZIP\\B.ZIP");
    EXPECT_TRUE(zip.Contents.empty());
    EXPECT_EQ(zip.ArchiveComment, "");
}

TEST_F(ZipDir, ARelativeNameIsTakenInTheCurrentFolder) {
    fake.files.AddFile("C:\\ZIP\\GAME.ZIP", BuildZip(TwoFiles()).bytes);
    ASSERT_TRUE(fake.files.SetCurrentDir("C:\\ZIP"));
    zip.SetZipFileName("GAME.ZIP");
    EXPECT_EQ(zip.Contents.size(), 2u);
    EXPECT_EQ(zip.VolumeLabel(), "FAKE");
    EXPECT_EQ(zip.VolumeSerial(), 0x1234ABCDu);
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
        *avail = 5000000000ull;
        *total = 8000000000ull;
        *free = 6000000000ull;
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

    // It fails: the classic query answers.
    ExQuery::succeed = false;
    fake.files.Drive('C').free = 1234;
    fake.files.Drive('C').size = 99999;
    EXPECT_TRUE(zip.CheckDrive("C:\\"));
    EXPECT_EQ(zip.DiskFreeBytes(), 1234u);
    EXPECT_EQ(zip.DiskSizeBytes(), 99999u);
    // Not there at all: the same.
    fake.dynlib.Remove("Kernel32");
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
        bool erase;
        bool ok;
        int thrown;  // 0: answers without raising
    } cases[] = {
        {"1:\\", false, false, 11003},  {"", false, false, 11003},   {"Q:\\", false, false, 11004},
        {"D:\\", false, false, 0},      {"E:\\", false, false, 0},   {"E:\\", true, true, 0},
        {"C:\\", false, true, 0},       {"\\\\SERVER\\SPIELE\\", false, true, 0},
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
}

TEST_F(ZipDir, AnArchiveOnAnUnreadableDriveIsNotRead) {
    fake.files.AddFile("E:\\GAME.ZIP", BuildZip(TwoFiles()).bytes);
    fake.files.Drive('E').formatted = false;
    zip.SetZipFileName("E:\\GAME.ZIP");
    EXPECT_EQ(Numbers(), std::vector<int>{11004});
    EXPECT_TRUE(Failed());
    // With formatting allowed, an unformatted disk does not stop the read.
    messages.clear();
    zip.AddOptions = {AddDiskSpanErase};
    zip.SetZipFileName("E:\\GAME.ZIP");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(zip.Contents.size(), 2u);
}

// ---- disks of a spanned set ----

TEST_F(ZipDir, SpannedSetsWithoutAnEndRecord) {
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
    for (const Case& c : cases) {
        messages.clear();
        fake.files.Drive('A').type = platform::DriveType::Removable;
        fake.files.Drive('A').label = c.label;
        Read(c.bytes, "A:\\GAME.ZIP");
        EXPECT_EQ(Numbers(), std::vector<int>{c.number}) << c.label;
        EXPECT_TRUE(Failed());
    }
}

TEST_F(ZipDir, TheFirstPartOfASetIsMarkedSpanned) {
    TestZip z = TwoFiles();
    z.prefix = std::string("PK\x07\x08", 4);
    z.adjustOffsets = true;
    Read(BuildZip(z).bytes);
    EXPECT_TRUE(zip.Spanned());
    EXPECT_EQ(zip.Contents.size(), 2u);
    EXPECT_EQ(zip.DataOffset, 4);
}

TEST_F(ZipDir, TheDirectoryOnAnotherDiskNeedsTheDiskRequest) {
    BuiltZip built = BuildZip(TwoFiles());
    std::string last = built.bytes;
    Put16(last, built.endOffset + 4, 1);  // this disk: 1, directory on disk 0
    Read(last);
    EXPECT_EQ(Numbers(), std::vector<int>{11001});
    EXPECT_TRUE(Failed());
    EXPECT_TRUE(zip.Spanned());
}

TEST_F(ZipDir, ADirectoryRunningOverTwoDisks) {
    const BuiltZip built = BuildZip(TwoFiles());
    const std::string& b = built.bytes;
    const size_t header1 = 46 + TwoFiles().entries[0].name.size();
    // Disk 0: the local data and the first central header; disk 1: the second
    // header and the end record.
    std::string disk0 = b.substr(0, built.directoryOffset + header1);
    std::string disk1 = b.substr(built.directoryOffset + header1);
    const size_t end = built.endOffset - built.directoryOffset - header1;
    Put16(disk1, end + 4, 1);
    Put16(disk1, end + 6, 0);
    fake.files.AddFile("C:\\ZIP\\PART0.ZIP", disk0);
    std::vector<int> asked;
    zip.diskForReading = [&](int disk) -> std::unique_ptr<platform::File> {
        asked.push_back(disk);
        return fake.files.Open(disk == 0 ? "C:\\ZIP\\PART0.ZIP" : "C:\\ZIP\\GAME.ZIP", platform::OpenMode::Read);
    };
    Read(disk1);
    EXPECT_EQ(asked, (std::vector<int>{0, 1}));
    EXPECT_EQ(Names(), (std::vector<std::string>{"TEXTE\\THEMA.{1}", "ZANTORIK.EXE"}));
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(zip.Spanned());
    EXPECT_EQ(zip.LastDisk(), 1);
    EXPECT_EQ(zip.DirectoryPosition(), built.directoryOffset);
    EXPECT_EQ(zip.DataOffset, 0);
}

}  // namespace
}  // namespace zk::test
