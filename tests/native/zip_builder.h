// Small archives put together byte by byte, for the cases no zip tool
// writes on purpose: stubs in front, padding, wrong fields, odd names.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zk::test {

struct TestEntry {
    std::string name = "";  // raw bytes as stored
    std::string data = "";  // stored uncompressed
    uint8_t specVersion = 20;
    uint8_t host = 0;  // 0 FAT, 3 Unix, 6 HPFS, 11 NTFS
    uint16_t flags = 0;
    std::string extra = "";
    std::string comment = "";
    uint32_t crc = 0;
    uint32_t dosTime = 0x5A6B3C2D;
    uint32_t externalAttr = 0x20;
};

struct TestZip {
    std::vector<TestEntry> entries;
    std::string comment;
    std::string prefix;          // bytes in front, a stub for instance
    bool adjustOffsets = false;  // offsets count the prefix
    uint16_t thisDisk = 0;
    uint16_t directoryDisk = 0;
};

struct BuiltZip {
    std::string bytes;
    uint32_t directoryOffset = 0;  // where the central directory lies in bytes
    uint32_t directorySize = 0;
    uint32_t endOffset = 0;        // where the end record lies
    std::vector<uint32_t> localOffsets;  // as recorded
};

BuiltZip BuildZip(const TestZip& zip);
// Just the 22-byte end record of an empty archive.
std::string EmptyZip();

void Put16(std::string& bytes, size_t at, uint16_t value);
void Put32(std::string& bytes, size_t at, uint32_t value);

}  // namespace zk::test
