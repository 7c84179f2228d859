// Byte-level pieces of the zip format: little-endian fields, the directory
// of an existing archive, and the traditional PKWARE encryption.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "zkzip/zkfs.h"

namespace zkzip {

constexpr uint32_t kLocalSig = 0x04034b50;
constexpr uint32_t kCentralSig = 0x02014b50;
constexpr uint32_t kEndSig = 0x06054b50;
constexpr uint32_t kZip64LocatorSig = 0x07064b50;
constexpr uint32_t kDescriptorSig = 0x08074b50;
constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagDescriptor = 0x0008;
constexpr uint16_t kFlagUtf8 = 0x0800;
constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kEndSize = 22;
// Host 11 (NTFS): attributes are DOS attributes, and readers that convert
// names from the DOS code page for host 0 leave ours alone.
constexpr uint16_t kVersionMadeBy = (11 << 8) | 20;

inline void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
inline void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
inline void Set32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}
inline uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t Get32(const uint8_t* p) { return uint32_t(Get16(p)) | (uint32_t(Get16(p + 2)) << 16); }

struct CentralEntry {
    std::string name;           // as stored
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t dosTime = 0;       // date in the high word
    uint32_t compressedSize = 0;
    uint64_t localOffset = 0;   // actual position in the file
    std::vector<uint8_t> raw;   // the whole directory record
};

struct ArchiveDirectory {
    uint64_t fileSize = 0;
    uint64_t dirStart = 0;      // actual position of the central directory
    uint64_t dirSize = 0;
    uint64_t dataStart = 0;     // first local header (bytes before it are a stub)
    std::string comment;
    std::vector<CentralEntry> entries;
    // The directory sits where the end record says, directly before it, and
    // the end record closes the file: new entries may go where it starts.
    bool appendable = false;
    std::vector<uint8_t> tail;  // the bytes from dirStart to the end of the file
};

// Reads the directory of an open archive; false with the reason in `error`.
bool ReadDirectory(fs::File& f, ArchiveDirectory& dir, std::string& error);

// Length of an entry's local data (header, name, extra, data, descriptor),
// read from its local header; 0 when the header is damaged.
uint64_t LocalEntryLength(fs::File& f, const CentralEntry& e, uint64_t limit);

// Traditional PKWARE encryption.
class ZipCrypto {
public:
    explicit ZipCrypto(const std::string& password);
    uint8_t Encrypt(uint8_t plain);
    void Encrypt(uint8_t* data, size_t n) {
        for (size_t i = 0; i < n; ++i) data[i] = Encrypt(data[i]);
    }

private:
    void Update(uint8_t c);
    uint32_t k0_ = 0x12345678, k1_ = 0x23456789, k2_ = 0x34567890;
};

}  // namespace zkzip
