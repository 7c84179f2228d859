// The format core on its own: records written and read back, the zip64
// forms at their limits.
#include <gtest/gtest.h>

#include <cstring>

#include "zipformat/zipformat.h"

namespace zipformat {
namespace {

struct Bytes : Reader {
    std::vector<uint8_t> b;
    explicit Bytes(std::vector<uint8_t> v) : b(std::move(v)) {}
    uint64_t Size() override { return b.size(); }
    bool ReadAt(uint64_t pos, void* buf, size_t n) override {
        return pos <= b.size() && b.size() - pos >= n && (std::memcpy(buf, b.data() + pos, n), true);
    }
};

// Closing records for a directory behind `prefix` bytes, read back; a count
// of all ones, a size or an offset that does not fit 32 bits means zip64.
TEST(ZipFormat, EndRecordsTakeZip64FormsAtTheirLimits) {
    EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
    struct Case { uint64_t entries, size, offset; size_t prefix; bool zip64; } cases[] = {
        {65534, 100, 200, 0, false}, {65535, 100, 200, 0, true}, {70000, 100, 200, 0, true},
        {1, 0xFFFFFFFEull, 0, 0, false}, {1, 0xFFFFFFFFull, 0, 0, true}, {1, 10, uint64_t{5} << 32, 0, true},
        {70000, 100, 0, 500, true},  // offsets not moved: the record is found right before its locator
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entries);
        std::vector<uint8_t> file(c.prefix, 'x');
        AppendEnd(file, OneDiskEnd(c.entries, c.size, c.offset), 0, "Kommentar");
        Bytes r(file);
        EndInfo info;
        ASSERT_EQ(LocateEnd(r, info), EndStatus::Found);
        EXPECT_EQ(info.zip64, c.zip64);
        EXPECT_EQ((std::vector<uint64_t>{info.record.totalEntries, info.record.directorySize, info.record.directoryOffset}),
                  (std::vector<uint64_t>{c.entries, c.size, c.offset}));
        EXPECT_EQ(info.comment, "Kommentar");
        EXPECT_EQ(info.directoryEnd, c.zip64 ? c.prefix : info.endPos);
    }
    std::vector<uint8_t> file;  // a marked classic record without its zip64 record is refused...
    AppendEnd(file, OneDiskEnd(3, 100, 0xFFFFFFFFull), 0, "");
    Bytes classic(std::vector<uint8_t>(file.end() - kEndSize, file.end()));
    EndInfo info;
    EXPECT_EQ(LocateEnd(classic, info), EndStatus::BadZip64);
    // ...but 65,535 entries written without one are taken as they stand.
    std::vector<uint8_t> plain;
    AppendEnd(plain, OneDiskEnd(1, 0, 0), 0, "");
    Set16(&plain[8], 0xFFFF), Set16(&plain[10], 0xFFFF);
    Bytes p(plain);
    ASSERT_EQ(LocateEnd(p, info), EndStatus::Found);
    EXPECT_EQ(info.record.totalEntries, 65535u);
}

TEST(ZipFormat, HeadersCarryWhatDoesNotFitInAZip64Field) {
    struct Case { uint64_t size, packed, offset; size_t zip64Bytes; } cases[] = {{10, 5, 100, 0}, {uint64_t{5} << 30, 1000, 100, 8},
                 {uint64_t{5} << 30, uint64_t{5} << 30, uint64_t{6} << 30, 24}, {10, 5, 0xFFFFFFFFull, 8}};
    const std::string other("\x55\x54\x01\x00\x07", 5);
    for (const Case& c : cases) {
        CentralHeader h;
        h.versionNeeded = 20, h.size = c.size, h.packed = c.packed, h.localOffset = c.offset;
        std::vector<uint8_t> b = CentralBytes(h, "A.TXT", other, "note");
        CentralHeader back;
        ASSERT_TRUE(ParseCentral(b.data(), back));
        ASSERT_EQ(back.Length(), b.size());
        EXPECT_EQ(back.extraLength, other.size() + (c.zip64Bytes ? 4 + c.zip64Bytes : 0));
        EXPECT_EQ(back.versionNeeded, c.zip64Bytes ? kVersionZip64 : 20);
        ASSERT_TRUE(ApplyZip64(back, b.data() + kCentralSize + 5, back.extraLength));
        EXPECT_EQ((std::vector<uint64_t>{back.size, back.packed, back.localOffset}),
                  (std::vector<uint64_t>{c.size, c.packed, c.offset}));
        // Written again with small values, the zip64 field goes.
        back.size = back.packed = back.localOffset = 1;
        std::string extra(reinterpret_cast<const char*>(b.data() + kCentralSize + 5), back.extraLength);
        EXPECT_EQ(CentralBytes(back, "A.TXT", extra, "note").size(), kCentralSize + 5 + other.size() + 4);
    }
    CentralHeader marked;  // a marked size whose field is missing is refused
    EXPECT_FALSE((marked.size = kMarker32, ApplyZip64(marked, nullptr, 0)));
    LocalHeader h;  // local headers keep their length for sizes written later
    std::vector<uint8_t> empty = LocalBytes(h, "big.dat", true);
    h.size = uint64_t{5} << 30, h.packed = 4000000;
    std::vector<uint8_t> done = LocalBytes(h, "big.dat", true);
    ASSERT_EQ(done.size(), empty.size());
    LocalHeader back;
    ASSERT_TRUE(ParseLocal(done.data(), back));
    ASSERT_TRUE(ApplyZip64(back, done.data() + kLocalSize + 7, back.extraLength));
    EXPECT_EQ(std::tuple(back.zip64, back.size, back.packed), std::tuple(true, h.size, h.packed));
    EXPECT_EQ(DescriptorSize(back.zip64, true), 24u);
    EXPECT_EQ(LocalBytes(LocalHeader(), "a", false).size(), kLocalSize + 1);
}

// Two entries behind 7 bytes put in front without moving their offsets;
// each case spoils one field, and the read says what stopped it and keeps
// the entries before the spoilt record.
TEST(ZipFormat, DirectoryReadsWholeOrSaysWhereItStopped) {
    std::vector<uint8_t> good(7, 'x'), local = LocalBytes(LocalHeader(), "A.TXT", false);
    good.insert(good.end(), local.begin(), local.end());
    const size_t dir = good.size(), second = dir + kCentralSize + 5;
    for (const char* name : {"A.TXT", "B.TXT"}) {
        std::vector<uint8_t> c = CentralBytes(CentralHeader(), name, "", "");
        good.insert(good.end(), c.begin(), c.end());
    }
    const size_t dirSize = good.size() - dir, end = good.size();
    AppendEnd(good, OneDiskEnd(2, dirSize, dir - 7), 0, "");
    struct Case { size_t at; uint32_t value; DirectoryStatus status; size_t entries; } cases[] = {
        {0, 0x78787878, DirectoryStatus::Found, 2},         {end + 4, 1, DirectoryStatus::Spanned, 0},
        {end + 12, 9999, DirectoryStatus::BadSize, 0},      {second, 0, DirectoryStatus::BadEntry, 1},
        {second + 24, kMarker32, DirectoryStatus::NoZip64, 1},  // a marked size without its field
        {end + 8, 0x00030003, DirectoryStatus::BadEntry, 2},    // one entry more than the directory holds
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.at);
        Bytes r(good);
        Set32(&r.b[c.at], c.value);
        Directory d;
        const DirectoryStatus status = ReadDirectory(r, d);
        EXPECT_EQ(std::tuple(status, d.entries.size()), std::tuple(c.status, c.entries));
        if (c.status != DirectoryStatus::Found) continue;
        EXPECT_EQ(std::tuple(d.start, d.size, d.shift, d.used, d.entries[1].name),
                  std::tuple(dir, uint64_t(dirSize), int64_t(7), uint64_t(dirSize), std::string("B.TXT")));
        EXPECT_EQ(LocalEntryLength(r, 7, 0, 0, dir), kLocalSize + 5);
        EXPECT_EQ(LocalEntryLength(r, 7, 0, 0, dir - 1), 0u);  // it would reach into the directory
    }
}

}  // namespace
}  // namespace zipformat
