#include "zip_builder.h"

namespace zk::test {

namespace {
void Add16(std::string& s, uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}
void Add32(std::string& s, uint32_t v) {
    Add16(s, static_cast<uint16_t>(v & 0xFFFF));
    Add16(s, static_cast<uint16_t>(v >> 16));
}
}  // namespace

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
    b = zip.prefix;
    const uint32_t shift = zip.adjustOffsets ? static_cast<uint32_t>(zip.prefix.size()) : 0;
    for (const TestEntry& e : zip.entries) {
        out.localOffsets.push_back(static_cast<uint32_t>(b.size() - zip.prefix.size()) + shift);
        Add32(b, 0x04034b50);
        Add16(b, 20);
        Add16(b, e.flags);
        Add16(b, 0);
        Add32(b, e.dosTime);
        Add32(b, e.crc);
        Add32(b, static_cast<uint32_t>(e.data.size()));
        Add32(b, static_cast<uint32_t>(e.data.size()));
        Add16(b, static_cast<uint16_t>(e.name.size()));
        Add16(b, 0);
        b += e.name;
        b += e.data;
    }
    out.directoryOffset = static_cast<uint32_t>(b.size());
    for (size_t i = 0; i < zip.entries.size(); ++i) {
        const TestEntry& e = zip.entries[i];
        Add32(b, 0x02014b50);
        b += static_cast<char>(e.specVersion);
        b += static_cast<char>(e.host);
        Add16(b, 20);
        Add16(b, e.flags);
        Add16(b, 0);
        Add32(b, e.dosTime);
        Add32(b, e.crc);
        Add32(b, static_cast<uint32_t>(e.data.size()));
        Add32(b, static_cast<uint32_t>(e.data.size()));
        Add16(b, static_cast<uint16_t>(e.name.size()));
        Add16(b, static_cast<uint16_t>(e.extra.size()));
        Add16(b, static_cast<uint16_t>(e.comment.size()));
        Add16(b, 0);
        Add16(b, 0);
        Add32(b, e.externalAttr);
        Add32(b, out.localOffsets[i]);
        b += e.name;
        b += e.extra;
        b += e.comment;
    }
    out.directorySize = static_cast<uint32_t>(b.size()) - out.directoryOffset;
    out.endOffset = static_cast<uint32_t>(b.size());
    Add32(b, 0x06054b50);
    Add16(b, zip.thisDisk);
    Add16(b, zip.directoryDisk);
    Add16(b, static_cast<uint16_t>(zip.entries.size()));
    Add16(b, static_cast<uint16_t>(zip.entries.size()));
    Add32(b, out.directorySize);
    Add32(b, out.directoryOffset - static_cast<uint32_t>(zip.prefix.size()) + shift);
    Add16(b, static_cast<uint16_t>(zip.comment.size()));
    b += zip.comment;
    return out;
}

std::string EmptyZip() { return BuildZip(TestZip{}).bytes; }

}  // namespace zk::test
