// The bytes of a self-extracting archive: the stub's own program image, the
// settings header behind it and the zip archive after that. Portable: the
// stub reads its own file through `Source`, the tests read memory.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "zipformat/zipformat.h"

namespace zksfx {

using zipformat::Get16;
using zipformat::Get32;

// Random access to a file's bytes.
class Source {
public:
    virtual ~Source() = default;
    virtual uint64_t Size() const = 0;
    // Reads exactly n bytes at pos; false when they are not all there.
    virtual bool ReadAt(uint64_t pos, void* buf, size_t n) = 0;
};

class MemorySource : public Source {
public:
    explicit MemorySource(std::string bytes) : bytes_(std::move(bytes)) {}
    uint64_t Size() const override { return bytes_.size(); }
    bool ReadAt(uint64_t pos, void* buf, size_t n) override;

private:
    std::string bytes_;
};

// ---- Settings header -------------------------------------------------------

enum SettingsFlag : uint8_t {
    kAskCmdLine = 0x01,
    kAskFiles = 0x02,
    kHideOverwriteBox = 0x04,
    kOverwriteAlways = 0x08,
    kOverwriteNever = 0x10,
    kNoCheckSize = 0x20,  // set when the size check is NOT wanted
    kAutoRun = 0x40,
    kNoSuccessMsg = 0x80
};

enum class Overwrite { Confirm, Always, Never };

struct Settings {
    uint8_t flags = 0;
    uint16_t headerLength = 0;
    // Decoded to UTF-8.
    std::string caption, defaultDir, commandLine, message;

    bool Has(SettingsFlag f) const { return (flags & f) != 0; }
    Overwrite OverwriteMode() const;
    bool CheckSize() const { return !Has(kNoCheckSize); }
};

constexpr uint8_t kHeaderSignature[5] = {'M', 'P', 'V', 0, 1};
constexpr size_t kHeaderMinLength = 12;

// Parses a header from the first n bytes of `data`; false with the reason.
bool ParseHeader(const uint8_t* data, size_t n, Settings& out, std::string& error);

// Where the stub's own program image ends in `src` (headers, sections,
// symbol table, signature): where the header was put. 0 when `src` does
// not begin with a PE program.
uint64_t PeImageEnd(Source& src);

// Finds and parses the header: right behind the program image, else the
// first well-formed header in [from, limit) (a stub that carries bytes of
// its own behind its image). Sets `offset` to where it starts.
bool LocateHeader(Source& src, uint64_t limit, uint64_t& offset, Settings& out, std::string& error);

// ---- Texts ---------------------------------------------------------------

bool IsUtf8(const std::string& s);
// The archiver writes the settings texts in the Windows (ANSI) code page of
// the machine that made the archive; hand-made ones may carry UTF-8. UTF-8
// when they read as such, else the ANSI decoder's result.
std::string SettingText(const std::string& raw);
// The decoder for ANSI texts; code page 1252 until the program sets the
// system's own.
using AnsiDecoder = std::string (*)(const std::string& raw);
void SetAnsiDecoder(AnsiDecoder decoder);
std::string Cp1252ToUtf8(const std::string& raw);
std::string Cp437ToUtf8(const std::string& raw);

// ---- Zip directory -------------------------------------------------------

using zipformat::kFlagEncrypted;
using zipformat::kFlagUtf8;

struct Entry {
    std::string rawName;  // as stored
    std::string name;     // UTF-8, "/" between parts
    uint16_t madeBy = 0, flags = 0, method = 0;
    uint32_t dosTime = 0;  // date in the high word
    uint32_t crc = 0, attributes = 0;
    uint64_t packed = 0, size = 0;  // zip64 values applied
    uint64_t recordedOffset = 0;    // of the local header, as the directory says
    bool IsFolder() const { return !name.empty() && name.back() == '/'; }
};

struct Archive {
    uint64_t endPos = 0;    // of the end record
    uint64_t dirStart = 0;  // actual position of the central directory
    // Actual minus recorded directory position: the bytes put in front of
    // an archive whose offsets were written for a file of its own.
    int64_t shift = 0;
    std::vector<Entry> entries;
};

bool ReadArchive(Source& src, Archive& out, std::string& error);

// Position of an entry's compressed data. The local header is looked for
// where the shifted offset points, then where the plain offset points
// (archives whose entries were appended with offsets from the file's start
// after the rest was written for a shifted start).
// `headerPos`, when given, receives where the local header was found.
bool LocateData(Source& src, const Archive& a, const Entry& e, uint64_t& dataPos, std::string& error,
                uint64_t* headerPos = nullptr);

// ---- Names -------------------------------------------------------------

// The entry's name as a path below the target folder, parts joined by "\"
// (no trailing one). False for names that would reach outside it or that
// Windows cannot hold: absolute paths, drives, "..", devices, forbidden
// characters.
bool SafeRelativePath(const std::string& name, std::string& rel);

}  // namespace zksfx
