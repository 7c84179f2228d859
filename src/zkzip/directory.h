// The directory of the archive as it stands before an add, read through the
// format core.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "zipformat/zipformat.h"
#include "zkzip/zkfs.h"

namespace zkzip {

using zipformat::CentralHeader;

// An open file for the format core's reads.
class FileReader : public zipformat::Reader {
public:
    explicit FileReader(fs::File& f) : f_(f) {}
    uint64_t Size() override { return f_.Size(); }
    bool ReadAt(uint64_t pos, void* buf, size_t n) override { return fs::ReadAt(f_, pos, buf, n); }

private:
    fs::File& f_;
};

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

}  // namespace zkzip
