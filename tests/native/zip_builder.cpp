#include "zip_builder.h"

namespace zk::test {

void Put16(std::string& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

void Put32(std::string& bytes, size_t at, uint32_t value) {
    Put16(bytes, at, static_cast<uint16_t>(value & 0xFFFF));
    Put16(bytes, at + 2, static_cast<uint16_t>(value >> 16));
}

BuiltZip BuildZip(const TestZip& zip) {
    BuiltZip out;
    std::string& b = out.bytes;
    // Little-endian fields of the given widths, in order.
    auto put = [&b](std::initializer_list<std::pair<int, uint32_t>> fields) {
        for (auto [width, value] : fields)
            for (int i = 0; i < width; ++i) b += static_cast<char>(value >> (8 * i));
    };
    auto size = [](const std::string& s) { return static_cast<uint32_t>(s.size()); };
    b = zip.prefix;
    const uint32_t shift = zip.adjustOffsets ? size(zip.prefix) : 0;
    for (const TestEntry& e : zip.entries) {
        out.localOffsets.push_back(size(b) - size(zip.prefix) + shift);
        put({{4, 0x04034b50}, {2, 20}, {2, e.flags}, {2, 0}, {4, e.dosTime}, {4, e.crc}, {4, size(e.data)},
             {4, size(e.data)}, {2, size(e.name)}, {2, 0}});
        b += e.name + e.data;
    }
    out.directoryOffset = size(b);
    for (size_t i = 0; i < zip.entries.size(); ++i) {
        const TestEntry& e = zip.entries[i];
        put({{4, 0x02014b50}, {1, e.specVersion}, {1, e.host}, {2, 20}, {2, e.flags}, {2, 0}, {4, e.dosTime},
             {4, e.crc}, {4, size(e.data)}, {4, size(e.data)}, {2, size(e.name)}, {2, size(e.extra)},
             {2, size(e.comment)}, {2, 0}, {2, 0}, {4, e.externalAttr}, {4, out.localOffsets[i]}});
        b += e.name + e.extra + e.comment;
    }
    out.directorySize = size(b) - out.directoryOffset;
    out.endOffset = size(b);
    const uint32_t count = static_cast<uint32_t>(zip.entries.size());
    put({{4, 0x06054b50}, {2, zip.thisDisk}, {2, zip.directoryDisk}, {2, count}, {2, count}, {4, out.directorySize},
         {4, out.directoryOffset - size(zip.prefix) + shift}, {2, size(zip.comment)}});
    b += zip.comment;
    return out;
}

std::string EmptyZip() { return BuildZip(TestZip{}).bytes; }

}  // namespace zk::test
