// The directory of an existing archive as the library needs it (read through
// the format core), and the traditional PKWARE encryption.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "zipformat/zipformat.h"
#include "zkzip/zkfs.h"

namespace zkzip {

using zipformat::CentralHeader;
using zipformat::Get16;
using zipformat::Get32;
using zipformat::kFlagDescriptor;
using zipformat::kFlagEncrypted;
using zipformat::kFlagUtf8;

// Exactly n bytes from pos, or false.
bool ReadAt(fs::File& f, uint64_t pos, void* buf, size_t n);

// Host 11 (NTFS): attributes are DOS attributes, and readers that convert
// names from the DOS code page for host 0 leave ours alone.
constexpr uint8_t kMadeByVersion = 20, kMadeByHost = 11;

struct CentralEntry {
    std::string name;           // as stored
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t dosTime = 0;       // date in the high word
    uint64_t compressedSize = 0;
    uint64_t localOffset = 0;   // actual position in the file
    CentralHeader header;       // zip64 values applied
    std::string extra, comment;
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
