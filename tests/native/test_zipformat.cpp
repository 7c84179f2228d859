// The format core on its own: records written and read back, the zip64
// forms at their limits, and the rules for UTF-8 names.
#include <gtest/gtest.h>

#include <cstring>

#include "zipformat/zipformat.h"

namespace zipformat {
namespace {

class Bytes : public Reader {
public:
    explicit Bytes(std::vector<uint8_t> b) : b_(std::move(b)) {}
    uint64_t Size() override { return b_.size(); }
    bool ReadAt(uint64_t pos, void* buf, size_t n) override {
        if (pos > b_.size() || b_.size() - pos < n) return false;
        std::memcpy(buf, b_.data() + pos, n);
        return true;
    }

private:
    std::vector<uint8_t> b_;
};

// Closing records for a directory behind `prefix` bytes, read back; a count
// of all ones, a size or an offset that does not fit 32 bits means zip64.
TEST(ZipFormat, EndRecordsTakeZip64FormsAtTheirLimits) {
    EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
    struct Case {
        uint64_t entries, size, offset;
        size_t prefix;
        bool zip64;
    } cases[] = {
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
        EXPECT_EQ(info.record.totalEntries, c.entries);
        EXPECT_EQ(info.record.directorySize, c.size);
        EXPECT_EQ(info.record.directoryOffset, c.offset);
        EXPECT_EQ(info.comment, "Kommentar");
        EXPECT_EQ(info.directoryEnd, c.zip64 ? c.prefix : info.endPos);
    }
    // A marked classic record without its zip64 record is refused...
    std::vector<uint8_t> file;
    AppendEnd(file, OneDiskEnd(3, 100, 0xFFFFFFFFull), 0, "");
    Bytes classic(std::vector<uint8_t>(file.end() - kEndSize, file.end()));
    EndInfo info;
    EXPECT_EQ(LocateEnd(classic, info), EndStatus::BadZip64);
    // ...but 65,535 entries written without one are taken as they stand.
    std::vector<uint8_t> plain;
    AppendEnd(plain, OneDiskEnd(1, 0, 0), 0, "");
    Set16(&plain[8], 0xFFFF);
    Set16(&plain[10], 0xFFFF);
    Bytes p(plain);
    ASSERT_EQ(LocateEnd(p, info), EndStatus::Found);
    EXPECT_EQ(info.record.totalEntries, 65535u);
}

TEST(ZipFormat, HeadersCarryWhatDoesNotFitInAZip64Field) {
    struct Case {
        uint64_t size, packed, offset;
        size_t zip64Bytes;
    } cases[] = {{10, 5, 100, 0}, {uint64_t{5} << 30, 1000, 100, 8},
                 {uint64_t{5} << 30, uint64_t{5} << 30, uint64_t{6} << 30, 24}, {10, 5, 0xFFFFFFFFull, 8}};
    const std::string other("\x55\x54\x01\x00\x07", 5);
    for (const Case& c : cases) {
        CentralHeader h;
        h.versionNeeded = 20;
        h.size = c.size, h.packed = c.packed, h.localOffset = c.offset;
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
    marked.size = kMarker32;
    EXPECT_FALSE(ApplyZip64(marked, nullptr, 0));
    // Local headers keep their length for sizes written later.
    LocalHeader h;
    std::vector<uint8_t> empty = LocalBytes(h, "big.dat", true);
    h.size = uint64_t{5} << 30;
    h.packed = 4000000;
    std::vector<uint8_t> done = LocalBytes(h, "big.dat", true);
    ASSERT_EQ(done.size(), empty.size());
    LocalHeader back;
    ASSERT_TRUE(ParseLocal(done.data(), back));
    ASSERT_TRUE(ApplyZip64(back, done.data() + kLocalSize + 7, back.extraLength));
    EXPECT_TRUE(back.zip64);
    EXPECT_EQ(back.size, h.size);
    EXPECT_EQ(back.packed, h.packed);
    EXPECT_EQ(DescriptorSize(back.zip64, true), 24u);
    EXPECT_EQ(LocalBytes(LocalHeader(), "a", false).size(), kLocalSize + 1);
}

TEST(ZipFormat, NamesInUtf8) {
    auto unicodeField = [](const std::string& stored, const std::string& name, uint32_t crcDelta = 0) {
        std::vector<uint8_t> f;
        Put16(f, kExtraUnicodePath);
        Put16(f, uint32_t(5 + name.size()));
        f.push_back(1);
        Put32(f, Crc32(stored.data(), stored.size()) + crcDelta);
        f.insert(f.end(), name.begin(), name.end());
        return std::string(f.begin(), f.end());
    };
    const std::string oem = "gr\x81\xE1" "e";
    struct Case {
        uint16_t flags;
        uint8_t host;
        std::string raw, extra, name;  // name "": not UTF-8
    } cases[] = {
        {kFlagUtf8, 0, "gr\xC3\xBC\xC3\x9F" "e", "", "grüße"},
        {0, 3, "gr\xC3\xBC\xC3\x9F" "e", "", "grüße"},  // Unix, multi-byte UTF-8
        {0, 3, "PLAIN.TXT", "", ""},                       // nothing to decide
        {0, 3, "gr\xFC\xDF" "e", "", ""},                  // Unix, Latin-1
        {0, 3, "\xC0\xAF", "", ""},                        // overlong
        {0, 3, "\xED\xA0\x80", "", ""},                    // surrogate
        {0, 0, "gr\xC3\xBC", "", ""},                      // Windows tools keep their code pages
        {0, 11, "gr\xC3\xBC", "", ""},
        {0, 0, oem, unicodeField(oem, "grüße"), "grüße"},
        {0, 0, oem, unicodeField(oem, "grüße", 1), ""},  // for another name
        {0, 0, "x", unicodeField("x", "\xFF"), ""},      // not UTF-8
    };
    for (const Case& c : cases) {
        std::string name;
        EXPECT_EQ(Utf8Name(c.flags, c.host, c.raw, reinterpret_cast<const uint8_t*>(c.extra.data()), c.extra.size(), name),
                  !c.name.empty())
            << c.raw;
        if (!c.name.empty()) {
            EXPECT_EQ(name, c.name);
        }
    }
}

}  // namespace
}  // namespace zipformat
