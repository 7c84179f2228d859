// The self-extractor's reading of its own file: the settings header, the
// end of its program image, the archive behind it, names and entry data.
#include <gtest/gtest.h>

#include "sfx_support.h"
#include "zksfx/sfxformat.h"
#include "zksfx/sfxrun.h"

namespace zksfx {
namespace {

using test::FakeStub;
using test::MakeHeader;
using test::ZipItem;
using test::ZipMaker;

std::string Bytes(std::initializer_list<int> b) {
    std::string s;
    for (int c : b) s += char(c);
    return s;
}

bool Parse(const std::string& bytes, Settings& s, std::string& error) {
    return ParseHeader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), s, error);
}

// ---- Settings header -------------------------------------------------------

TEST(SfxHeader, LayoutAsTheArchiverWritesIt) {
    // Caption of 23 characters, the rest empty: 12 + 23 = 35, rounded to 36.
    std::string h = MakeHeader(0x00, "Self-extracting Archive");
    ASSERT_EQ(h.size(), 36u);
    EXPECT_EQ(h.substr(0, 8), Bytes({'M', 'P', 'V', 0x00, 0, 1, 36, 0}));
    EXPECT_EQ(h[8], 23);
    EXPECT_EQ(h.substr(9, 23), "Self-extracting Archive");
    EXPECT_EQ(h.substr(32), Bytes({0, 0, 0, 0}));  // three empty lengths, one byte of padding

    EXPECT_EQ(MakeHeader(0x20, "ab", "C:\\X", "go", "hi"),
              Bytes({'M', 'P', 'V', 0x20, 0, 1, 24, 0, 2, 'a', 'b', 4, 'C', ':', '\\', 'X', 2, 'g', 'o', 2, 'h', 'i',
                     0, 0}));
    EXPECT_EQ(MakeHeader(0, "").size(), 12u);
    EXPECT_EQ(MakeHeader(0, std::string(255, 'a'), std::string(255, 'b'), std::string(255, 'c'),
                         std::string(255, 'd')).size(), 1032u);
    EXPECT_EQ(test::EmptyEndRecord(20036),
              Bytes({0x50, 0x4b, 5, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x44, 0x4e, 0, 0, 0, 0}));
}

TEST(SfxHeader, ParsesTextsFlagsAndLength) {
    Settings s;
    std::string error;
    ASSERT_TRUE(Parse(MakeHeader(0xC5, "Titel", "C:\\SPIELE", "setup.exe ><", "Hallo\nWelt"), s, error)) << error;
    EXPECT_EQ(s.flags, 0xC5);
    EXPECT_EQ(s.headerLength, 48);  // 12 + 5 + 9 + 12 + 10
    EXPECT_EQ(s.caption, "Titel");
    EXPECT_EQ(s.defaultDir, "C:\\SPIELE");
    EXPECT_EQ(s.commandLine, "setup.exe ><");
    EXPECT_EQ(s.message, "Hallo\nWelt");
    EXPECT_TRUE(s.Has(kAskCmdLine) && s.Has(kHideOverwriteBox) && s.Has(kAutoRun) && s.Has(kNoSuccessMsg));
    EXPECT_FALSE(s.Has(kAskFiles));
}

TEST(SfxHeader, TextsInUtf8OrTheAnsiCodePage) {
    Settings s;
    std::string error;
    ASSERT_TRUE(Parse(MakeHeader(0, "Gr\xF6\xDF" "e \x80", "\xC3\xBC" "ber"), s, error)) << error;
    EXPECT_EQ(s.caption, "Größe €");
    EXPECT_EQ(s.defaultDir, "über");
}

TEST(SfxHeader, RejectsWhatTheArchiverDoesNotWrite) {
    const std::string good = MakeHeader(0, "Self-extracting Archive");
    struct Case {
        const char* what;
        std::string bytes;
    };
    std::string badSig = good, badVersion = good, notFour = good, tooLong = good, tooShort = good;
    badSig[2] = 'W';
    badVersion[5] = 2;
    notFour[6] = 35;
    tooLong[6] = 40;
    tooLong += std::string(4, '\0');
    tooShort[6] = 32;  // the texts reach beyond it
    std::string overrun = MakeHeader(0, "abc");
    overrun[8] = 100;
    const Case cases[] = {
        {"signature", badSig},           {"version bytes", badVersion},
        {"length not a multiple of 4", notFour}, {"length beyond the rounding", tooLong},
        {"length short of the texts", tooShort}, {"text beyond the length", overrun},
        {"cut short", good.substr(0, 30)},       {"nothing", ""},
    };
    for (const Case& c : cases) {
        Settings s;
        std::string error;
        EXPECT_FALSE(Parse(c.bytes, s, error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
}

TEST(SfxHeader, OverwriteModeAndSizeCheckFromFlags) {
    struct Case {
        uint8_t flags;
        Overwrite mode;
        bool checkSize;
    } const cases[] = {
        {0x00, Overwrite::Confirm, true}, {0x08, Overwrite::Always, true}, {0x10, Overwrite::Never, true},
        {0x18, Overwrite::Confirm, true}, {0x20, Overwrite::Confirm, false}, {0xFF, Overwrite::Confirm, false},
        {0x2C, Overwrite::Always, false},
    };
    for (const Case& c : cases) {
        Settings s;
        s.flags = c.flags;
        EXPECT_EQ(s.OverwriteMode(), c.mode) << int(c.flags);
        EXPECT_EQ(s.CheckSize(), c.checkSize) << int(c.flags);
    }
}

// ---- Where the header lies ------------------------------------------------

TEST(SfxImage, EndOfTheProgramImage) {
    MemorySource plain(FakeStub(5000));
    EXPECT_EQ(PeImageEnd(plain), 5000u);
    MemorySource withSymbols(FakeStub(4096, 4 + 18 * 3 + 40));
    EXPECT_EQ(PeImageEnd(withSymbols), 4096u + 4 + 18 * 3 + 40);
    // Bytes behind the image do not count.
    MemorySource grown(FakeStub(3000) + std::string(700, 'x'));
    EXPECT_EQ(PeImageEnd(grown), 3000u);
    MemorySource notPe("MZ but nothing else, really nothing at all........................");
    EXPECT_EQ(PeImageEnd(notPe), 0u);
    MemorySource text(std::string(100, 'a'));
    EXPECT_EQ(PeImageEnd(text), 0u);
}

TEST(SfxImage, HeaderRightBehindTheImageOrFoundInTheGap) {
    const std::string header = MakeHeader(0x40, "Titel", "C:\\ZIEL");
    struct Case {
        const char* what;
        std::string file;
        uint64_t offset;
    } const cases[] = {
        {"behind the image", FakeStub(4000) + header + "PK", 4000},
        {"behind a symbol table", FakeStub(4000, 94) + header, 4094},
        {"after bytes the stub carries", FakeStub(4000) + std::string(13, '\x01') + header, 4013},
    };
    for (const Case& c : cases) {
        MemorySource src(c.file);
        uint64_t offset = 0;
        Settings s;
        std::string error;
        ASSERT_TRUE(LocateHeader(src, src.Size(), offset, s, error)) << c.what << ": " << error;
        EXPECT_EQ(offset, c.offset) << c.what;
        EXPECT_EQ(s.caption, "Titel") << c.what;
    }
    // A header that would overlap the archive is not one.
    MemorySource src(FakeStub(4000) + header);
    uint64_t offset = 0;
    Settings s;
    std::string error;
    EXPECT_FALSE(LocateHeader(src, 4000 + header.size() - 1, offset, s, error));
    MemorySource bare(FakeStub(4000) + ZipMaker().File("a", "b").Build());
    EXPECT_FALSE(LocateHeader(bare, bare.Size(), offset, s, error));
}

// A signature's directory entry points at the end of the file; the image
// ends with its sections all the same.
TEST(SfxImage, CodeSignedAfterwards) {
    const std::string header = MakeHeader(0, "Titel");
    auto signedAt = [](std::string file) {
        std::string cert = "signature" + std::string(503, 's');
        const size_t entry = 0x40 + 24 + 112 + 4 * 8;  // PE32+ directory 4
        for (int i = 0; i < 4; ++i) {
            file[entry + i] = char(file.size() >> (8 * i));
            file[entry + 4 + i] = char(cert.size() >> (8 * i));
        }
        return file + cert;
    };
    const std::string zip = ZipMaker().File("a", "b").Build(4000 + uint32_t(header.size()));
    struct Case {
        const char* what;
        std::string file;
    } const cases[] = {
        {"the finished archive signed", signedAt(FakeStub(4000) + header + zip)},
        {"the stub signed before the archive was made", signedAt(FakeStub(4000)) + header + zip},
    };
    for (const Case& c : cases) {
        MemorySource src(c.file);
        uint64_t offset = 0;
        Settings s;
        std::string error;
        EXPECT_EQ(PeImageEnd(src), 4000u) << c.what;
        ASSERT_TRUE(LocateHeader(src, src.Size(), offset, s, error)) << c.what << ": " << error;
        EXPECT_EQ(s.caption, "Titel") << c.what;
    }
}

// Inputs that once read past their buffers (the sanitizers tell).
TEST(SfxImage, ShortHeadersAreReadWithinBounds) {
    std::string shortOptional = FakeStub(4000);
    shortOptional[0x40 + 20] = 64;  // PE32+ optional header of 64 bytes only
    MemorySource a(shortOptional);
    PeImageEnd(a);
    MemorySource b(FakeStub(4000) + std::string("MPV\0\0", 5));
    uint64_t offset = 0;
    Settings s;
    std::string error;
    EXPECT_FALSE(LocateHeader(b, b.Size(), offset, s, error));
}

// ---- The archive -------------------------------------------------------

TEST(SfxArchive, OffsetsFromTheArchiveOrFromTheFileStart) {
    const std::string prefix = FakeStub(2048) + MakeHeader(0, "x");
    ZipMaker zip;
    zip.File("eins.txt", "erste Datei").File("zwei.bin", test::RandomBytes(3000, 2), 0);
    struct Case {
        const char* what;
        uint32_t base;
        int64_t shift;
    } const cases[] = {
        {"appended as it was (unzip's prefix)", 0, int64_t(prefix.size())},
        {"written for the whole file (grown by the library)", uint32_t(prefix.size()), 0},
    };
    for (const Case& c : cases) {
        MemorySource src(prefix + zip.Build(c.base, "Kommentar"));
        Archive a;
        std::string error;
        ASSERT_TRUE(ReadArchive(src, a, error)) << c.what << ": " << error;
        EXPECT_EQ(a.shift, c.shift) << c.what;
        ASSERT_EQ(a.entries.size(), 2u);
        uint64_t data = 0, header = 0;
        ASSERT_TRUE(LocateData(src, a, a.entries[0], data, error, &header)) << c.what;
        EXPECT_EQ(header, prefix.size()) << c.what;
        EXPECT_EQ(data, prefix.size() + 30 + 8) << c.what;
    }
}

TEST(SfxArchive, EntryOffsetsFromTheFileStartBehindAShiftedDirectory) {
    // The directory was moved, one entry's offset counts from the file start.
    const std::string prefix = FakeStub(2048) + MakeHeader(0, "x");
    std::string zip = ZipMaker().File("a.txt", "AAAA", 0).Build(uint32_t(prefix.size()));
    std::string file = prefix + zip;
    // Make the end record claim the directory 100 bytes too early.
    const size_t end = file.size() - 22;
    uint32_t recorded = Get32(reinterpret_cast<const uint8_t*>(&file[end + 16])) - 100;
    for (int i = 0; i < 4; ++i) file[end + 16 + size_t(i)] = char((recorded >> (8 * i)) & 0xFF);
    MemorySource src(file);
    Archive a;
    std::string error;
    ASSERT_TRUE(ReadArchive(src, a, error)) << error;
    EXPECT_EQ(a.shift, 100);
    uint64_t data = 0;
    ASSERT_TRUE(LocateData(src, a, a.entries[0], data, error)) << error;
    EXPECT_EQ(data, prefix.size() + 30 + 5);
}

TEST(SfxArchive, RefusesWhatItCannotRead) {
    std::string spanned = ZipMaker().File("a", "b").Build();
    spanned[spanned.size() - 22 + 4] = 1;  // number of this disk
    std::string badEntry = ZipMaker().File("a", "b").Build();
    badEntry[badEntry.find("PK\x01\x02")] = 'X';
    const std::pair<const char*, std::string> cases[] = {
        {"too short", "PK\x05\x06"},
        {"no end record", std::string(400, 'z')},
        {"spanned", spanned},
        {"broken directory", badEntry},
        {"zip64", [] {
             std::string z = ZipMaker().File("a", "b").Build();
             for (int i = 0; i < 4; ++i) z[z.size() - 22 + 16 + size_t(i)] = '\xFF';
             return z;
         }()},
    };
    for (const auto& [what, bytes] : cases) {
        MemorySource src(bytes);
        Archive a;
        std::string error;
        EXPECT_FALSE(ReadArchive(src, a, error)) << what;
        EXPECT_FALSE(error.empty()) << what;
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
    // A zip64 offset past any file beside a shifted directory (found by fuzzing).
    a.shift = -10822;
    a.entries[0].recordedOffset = uint64_t(1) << 63;
    EXPECT_FALSE(LocateData(src, a, a.entries[0], data, error));
}

TEST(SfxArchive, NamesInUtf8OemOrUnixBytes) {
    ZipItem utf8{"Gr\xC3\xB6\xC3\x9F" "e.txt", "x"};
    utf8.flags = kFlagUtf8;
    ZipItem oem{"M\x84" "rchen\\\x9A" "ber.txt", "x"};
    oem.madeBy = 0 << 8 | 20;
    ZipItem unix{"caf\xC3\xA9.txt", "x"};
    unix.madeBy = 3 << 8 | 30;
    ZipItem unixOem{"\x81" "x.txt", "x"};  // not UTF-8: read as DOS
    unixOem.madeBy = 3 << 8 | 30;
    ZipItem field{"\x84" "pfel.txt", "x"};
    field.extra = test::UnicodePathField(field.name, "Äpfel.txt");
    ZipItem staleField{"\x84" "pfel2.txt", "x"};
    staleField.extra = test::UnicodePathField("other", "Wrong.txt");
    ZipMaker zip;
    for (const ZipItem& it : {utf8, oem, unix, unixOem, field, staleField}) zip.Add(it);
    MemorySource src(zip.Build());
    Archive a;
    std::string error;
    ASSERT_TRUE(ReadArchive(src, a, error)) << error;
    ASSERT_EQ(a.entries.size(), 6u);
    EXPECT_EQ(a.entries[0].name, "Größe.txt");
    EXPECT_EQ(a.entries[1].name, "Märchen/Über.txt");
    EXPECT_EQ(a.entries[2].name, "café.txt");
    EXPECT_EQ(a.entries[3].name, "üx.txt");
    EXPECT_EQ(a.entries[4].name, "Äpfel.txt");
    EXPECT_EQ(a.entries[5].name, "äpfel2.txt");
}

TEST(SfxNames, OnlyPathsBelowTheTarget) {
    struct Case {
        const char* name;
        const char* rel;  // nullptr: refused
    } const cases[] = {
        {"a.txt", "a.txt"},
        {"dir/sub/b.bin", "dir\\sub\\b.bin"},
        {"dir/", "dir"},
        {"./a//b", "a\\b"},
        {"Umlaut ä.txt", "Umlaut ä.txt"},
        {"readme.", "readme"},
        {"com10.txt", "com10.txt"},
        {"../evil.txt", nullptr},
        {"a/../../evil.txt", nullptr},
        {"a/..", nullptr},
        {"a/.. /evil", nullptr},
        {"a/.../evil", nullptr},
        {"/etc/passwd", nullptr},
        {"\\windows\\x", nullptr},
        {"C:/x.txt", nullptr},
        {"C:x.txt", nullptr},
        {"file.txt:stream", nullptr},
        {"CON", nullptr},
        {"dir/nul.txt", nullptr},
        {"Lpt1", nullptr},
        {"COM\u00B9", nullptr},
        {"dir/lpt\u00B3.txt", nullptr},
        {"COM\u00B2 .log", nullptr},
        {"COM0", nullptr},
        {"lpt0.txt", nullptr},
        {"COM\u2074", "COM\u2074"},
        {"a<b", nullptr},
        {"what?", nullptr},
        {"tab\there", nullptr},
        {"", nullptr},
        {"./", nullptr},
    };
    for (const Case& c : cases) {
        std::string rel;
        const bool ok = SafeRelativePath(c.name, rel);
        EXPECT_EQ(ok, c.rel != nullptr) << c.name;
        if (ok && c.rel) {
            EXPECT_EQ(rel, c.rel) << c.name;
        }
    }
}

// ---- Entry data -------------------------------------------------------------

class MemoryOut : public OutFile {
public:
    bool Write(const void* data, size_t n) override {
        if (failAfter != std::string::npos && bytes.size() + n > failAfter) return false;
        bytes.append(static_cast<const char*>(data), n);
        return true;
    }
    bool Close() override { return true; }
    void Discard() override { discarded = true; }
    std::string bytes;
    size_t failAfter = std::string::npos;
    bool discarded = false;
};

struct Unpacked {
    UnpackStatus status;
    std::string bytes;
};

Unpacked UnpackOne(const ZipItem& item, size_t failAfter = std::string::npos,
                   std::function<bool(uint64_t)> progress = nullptr) {
    MemorySource src(ZipMaker().Add(item).Build());
    Archive a;
    std::string error;
    EXPECT_TRUE(ReadArchive(src, a, error)) << error;
    uint64_t data = 0;
    EXPECT_TRUE(LocateData(src, a, a.entries.at(0), data, error)) << error;
    MemoryOut out;
    out.failAfter = failAfter;
    UnpackStatus s = Unpack(src, data, a.entries[0], out, progress);
    return {s, out.bytes};
}

TEST(SfxUnpack, StoredAndDeflatedDataComeBackWhole) {
    const std::string texts[] = {"", "x", std::string(200000, 'a') + "end", test::RandomBytes(150000, 7)};
    for (const std::string& t : texts) {
        for (uint16_t method : {0, 8}) {
            ZipItem item{"f", t, method};
            Unpacked u = UnpackOne(item);
            EXPECT_EQ(u.status, UnpackStatus::Ok) << t.size() << " method " << method;
            EXPECT_TRUE(u.bytes == t) << t.size() << " method " << method;
        }
    }
}

TEST(SfxUnpack, DamageIsFound) {
    const std::string data = test::RandomBytes(100000, 3) + std::string(50000, 'q');
    auto item = [&](uint16_t method) { return ZipItem{"f", data, method}; };
    ZipItem crc = item(8), crcStored = item(0), longer = item(8), shorter = item(8), cut = item(8), cutStored = item(0),
            encrypted = item(0), bzip = item(0);
    crc.crcDelta = 1;
    crcStored.crcDelta = -1;
    longer.sizeDelta = 10;    // the stream ends before the declared size
    shorter.sizeDelta = -10;  // the stream yields more than declared
    cut.cutData = 100;
    cutStored.cutData = 1;  // stored size shrinks with it: the CRC tells
    encrypted.flags = kFlagEncrypted;
    bzip.method = 12;
    const std::pair<ZipItem, UnpackStatus> cases[] = {
        {crc, UnpackStatus::CrcError},         {crcStored, UnpackStatus::CrcError},
        {longer, UnpackStatus::DataError},     {shorter, UnpackStatus::DataError},
        {cut, UnpackStatus::DataError},        {encrypted, UnpackStatus::Encrypted},
        {bzip, UnpackStatus::Unsupported},
    };
    for (const auto& [it, want] : cases) EXPECT_EQ(UnpackOne(it).status, want);
    // An entry that inflates beyond its declared size stops there: a lying
    // entry cannot fill the disk.
    EXPECT_LE(UnpackOne(shorter).bytes.size(), data.size() - 10);
    cutStored.sizeDelta = -1;
    EXPECT_EQ(UnpackOne(cutStored).status, UnpackStatus::CrcError);
}

TEST(SfxUnpack, WriteFailureAndCancelStopTheEntry) {
    ZipItem item{"f", test::RandomBytes(300000, 5), 8};
    EXPECT_EQ(UnpackOne(item, 70000).status, UnpackStatus::WriteError);
    std::vector<uint64_t> seen;
    Unpacked u = UnpackOne(item, std::string::npos, [&](uint64_t n) {
        seen.push_back(n);
        return n < 100000;
    });
    EXPECT_EQ(u.status, UnpackStatus::Cancelled);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_GE(seen.back(), 100000u);
    EXPECT_LT(seen.back(), 300000u);
}

}  // namespace
}  // namespace zksfx
