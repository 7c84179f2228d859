// Small archives put together byte by byte, for the cases no zip tool
// writes on purpose: stubs in front, padding, wrong fields, odd names.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "zipformat/zipformat.h"

namespace zk::test {

struct TestEntry {  // the name's raw bytes, the data stored; host 0 FAT, 3 Unix, 6 HPFS, 11 NTFS
    std::string name = "", data = "";
    uint8_t specVersion = 20, host = 0;
    uint16_t flags = 0;
    std::string extra = "", comment = "";
    uint32_t crc = 0;
};
struct TestZip {  // prefix: bytes in front, a stub for instance; adjustOffsets: the offsets count it
    std::vector<TestEntry> entries;
    std::string comment, prefix;
    bool adjustOffsets = false;
};
struct BuiltZip { std::string bytes; uint32_t directoryOffset = 0, directorySize = 0, endOffset = 0; };

inline void Put16(std::string& b, size_t at, uint16_t v) { b[at] = static_cast<char>(v), b[at + 1] = static_cast<char>(v >> 8); }
inline void Put32(std::string& b, size_t at, uint32_t v) { Put16(b, at, static_cast<uint16_t>(v)), Put16(b, at + 2, v >> 16); }

inline BuiltZip BuildZip(const TestZip& zip) {
    BuiltZip out;
    std::string& b = out.bytes;
    auto put = [&b](std::initializer_list<std::pair<int, uint32_t>> fields) {  // little-endian, of the widths given
        for (auto [width, value] : fields)
            for (int i = 0; i < width; ++i) b += static_cast<char>(value >> (8 * i));
    };
    auto size = [](const std::string& s) { return static_cast<uint32_t>(s.size()); };
    b = zip.prefix;
    const uint32_t shift = zip.adjustOffsets ? 0 : size(zip.prefix);
    std::vector<uint32_t> offsets;
    for (const TestEntry& e : zip.entries) {
        offsets.push_back(size(b) - shift);
        put({{4, 0x04034b50}, {2, 20}, {2, e.flags}, {2, 0}, {4, 0x5A6B3C2D}, {4, e.crc}, {4, size(e.data)},
             {4, size(e.data)}, {2, size(e.name)}, {2, 0}});
        b += e.name + e.data;
    }
    out.directoryOffset = size(b);
    for (size_t i = 0; i < zip.entries.size(); ++i) {
        const TestEntry& e = zip.entries[i];
        put({{4, 0x02014b50}, {1, e.specVersion}, {1, e.host}, {2, 20}, {2, e.flags}, {2, 0}, {4, 0x5A6B3C2D},
             {4, e.crc}, {4, size(e.data)}, {4, size(e.data)}, {2, size(e.name)}, {2, size(e.extra)},
             {2, size(e.comment)}, {2, 0}, {2, 0}, {4, 0x20}, {4, offsets[i]}});
        b += e.name + e.extra + e.comment;
    }
    out.directorySize = size(b) - out.directoryOffset, out.endOffset = size(b);
    const uint32_t count = static_cast<uint32_t>(zip.entries.size());
    put({{4, 0x06054b50}, {2, 0}, {2, 0}, {2, count}, {2, count}, {4, out.directorySize},
         {4, out.directoryOffset - shift}, {2, size(zip.comment)}});
    b += zip.comment;
    return out;
}

// Info-ZIP's Unicode path field, for the stored name (its CRC off by crcDelta).
inline std::string UnicodePathField(const std::string& stored, const std::string& name, uint32_t crcDelta = 0) {
    std::vector<uint8_t> f;
    zipformat::Put16(f, zipformat::kExtraUnicodePath);
    zipformat::Put16(f, static_cast<uint32_t>(5 + name.size()));
    f.push_back(1);
    zipformat::Put32(f, zipformat::Crc32(stored.data(), stored.size()) + crcDelta);
    return std::string(f.begin(), f.end()) + name;
}

}  // namespace zk::test
