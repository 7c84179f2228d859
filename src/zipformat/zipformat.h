// The zip container, read and written from byte buffers: signatures,
// little-endian fields, the end records with their zip64 forms, central and
// local headers with their extra fields (zip64, Unicode path), data
// descriptors, and the rules that tell a name stored in UTF-8.
//
// No file I/O: callers read the bytes and hand them in, or take the bytes to
// write. Where a search needs more of the file than one buffer (the end
// records), it asks a `Reader` for them. The component, the zip library and
// the self-extractor stub all read and write archives through this.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zipformat {

constexpr uint32_t kLocalSig = 0x04034b50;
constexpr uint32_t kCentralSig = 0x02014b50;
constexpr uint32_t kEndSig = 0x06054b50;
constexpr uint32_t kZip64EndSig = 0x06064b50;
constexpr uint32_t kZip64LocatorSig = 0x07064b50;
// Also the first four bytes of the first part of a spanned set.
constexpr uint32_t kDescriptorSig = 0x08074b50;

constexpr size_t kLocalSize = 30;
constexpr size_t kCentralSize = 46;
constexpr size_t kEndSize = 22;
constexpr size_t kZip64EndSize = 56;
constexpr size_t kZip64LocatorSize = 20;
// The end record with the longest comment.
constexpr size_t kEndSearchSize = kEndSize + 0xFFFF;

constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagDescriptor = 0x0008;
constexpr uint16_t kFlagUtf8 = 0x0800;

constexpr uint16_t kExtraZip64 = 0x0001;
constexpr uint16_t kExtraUnicodePath = 0x7075;

// A 32-bit field of all ones (16-bit for counts and disks) says: the value
// is in the zip64 record or field.
constexpr uint32_t kMarker32 = 0xFFFFFFFF;
constexpr uint16_t kMarker16 = 0xFFFF;
// "Version needed" of an entry or archive with zip64 records.
constexpr uint16_t kVersionZip64 = 45;

// ---- Fields ------------------------------------------------------------

inline uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t Get32(const uint8_t* p) { return uint32_t(Get16(p)) | (uint32_t(Get16(p + 2)) << 16); }
inline uint64_t Get64(const uint8_t* p) { return uint64_t(Get32(p)) | (uint64_t(Get32(p + 4)) << 32); }
inline void Set16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void Set32(uint8_t* p, uint32_t v) {
    Set16(p, v & 0xFFFF);
    Set16(p + 2, v >> 16);
}
inline void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
inline void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
inline void Put64(std::vector<uint8_t>& b, uint64_t v) {
    Put32(b, uint32_t(v));
    Put32(b, uint32_t(v >> 32));
}

// The CRC-32 of the format, continued from `crc`.
uint32_t Crc32(const void* data, size_t n, uint32_t crc = 0);

// ---- End of central directory -------------------------------------------

struct EndRecord {
    uint32_t disk = 0;           // number of this disk
    uint32_t directoryDisk = 0;  // disk where the directory starts
    uint64_t entriesHere = 0;
    uint64_t totalEntries = 0;
    uint64_t directorySize = 0;
    uint64_t directoryOffset = 0;  // as recorded
    uint16_t commentLength = 0;
};

// The 22 bytes of the classic record (signature not checked).
EndRecord ParseEnd(const uint8_t* p);
// The last place in `tail` at or before `from` where the end signature
// starts; -1 when there is none. With `commentFits`, a record whose comment
// would run past the tail does not count.
int64_t FindEnd(const uint8_t* tail, size_t n, size_t from, bool commentFits);

// The 20-byte locator that stands right before the classic end record:
// where the zip64 end record lies. False when the signature is not there.
bool ParseZip64Locator(const uint8_t* p, uint64_t& recordPos, uint32_t& recordDisk);
// The 56 fixed bytes of the zip64 end record; its values replace those of
// `end` (the comment length stays). False when the signature is wrong.
bool ParseZip64End(const uint8_t* p, EndRecord& end);

// The records that close an archive: the zip64 end record and its locator
// when the archive needs them (65,535 entries or more, a directory size or
// position of 4 GiB or more, a disk number of 65,535 or more), then the
// classic record with `comment` (its length taken from the comment).
// `directoryEnd` is where these bytes will start on the last disk.
void AppendEnd(std::vector<uint8_t>& out, const EndRecord& end, uint64_t directoryEnd, const std::string& comment);
bool EndNeedsZip64(const EndRecord& end);
// An archive on one disk.
EndRecord OneDiskEnd(uint64_t entries, uint64_t directorySize, uint64_t directoryOffset);

// Random access to a file's bytes, for searches that need more than one buffer.
class Reader {
public:
    virtual ~Reader() = default;
    virtual uint64_t Size() = 0;
    // Exactly n bytes at pos; false when they are not all there.
    virtual bool ReadAt(uint64_t pos, void* buf, size_t n) = 0;
};

enum class EndStatus { Found, TooShort, ReadError, NotFound, BadZip64 };

struct EndInfo {
    EndRecord record;
    uint64_t endPos = 0;      // of the classic record
    bool zip64 = false;       // the values come from a zip64 end record
    uint64_t zip64Pos = 0;    // where that record was found
    // Where the central directory ends in the file: the zip64 record, else
    // the classic one.
    uint64_t directoryEnd = 0;
    std::string comment;      // as stored (up to the end of the file)
};

// The zip64 end record of the classic record at `endPos` (already parsed
// into `info.record`), when a locator stands right before it; writers put
// one there even when no classic field is marked. The record is looked for
// where the locator says, and right before the locator (bytes were put in
// front of the archive). Found: there is none, or it was read. BadZip64: a
// locator without its record, or a classic size or offset marked without a
// locator (a count of exactly 65,535 may stand alone).
EndStatus ReadZip64End(Reader& r, uint64_t endPos, EndInfo& info);
// The whole search: the classic record at the very end or before a comment
// of up to 64 KiB (whose comment fits in the file), then its zip64 record.
EndStatus LocateEnd(Reader& r, EndInfo& info);

// ---- Central and local headers ---------------------------------------

struct CentralHeader {
    uint8_t madeByVersion = 0;
    uint8_t madeByHost = 0;  // 0 FAT, 3 Unix, 6 HPFS, 11 NTFS
    uint16_t versionNeeded = 0;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t dosTime = 0;  // time in the low word, date in the high word
    uint32_t crc = 0;
    uint64_t packed = 0;
    uint64_t size = 0;
    uint16_t nameLength = 0, extraLength = 0, commentLength = 0;
    uint32_t diskStart = 0;
    uint16_t internalAttributes = 0;
    uint32_t externalAttributes = 0;
    uint64_t localOffset = 0;  // as recorded

    size_t Length() const { return kCentralSize + nameLength + extraLength + commentLength; }
};

// The 46 fixed bytes; false when the signature is wrong.
bool ParseCentral(const uint8_t* p, CentralHeader& h);
// Sizes, offset and disk that the fixed part marks as zip64, taken from the
// zip64 extra field in the format's order. False when a marked value is
// missing from the field (the fixed value then stays).
bool ApplyZip64(CentralHeader& h, const uint8_t* extra, size_t n);
// A whole central record: the fixed part, the name, `extra` (any zip64 field
// in it is dropped) with a new zip64 field for the values that need one, and
// the comment. Lengths and the version needed follow from what is given.
std::vector<uint8_t> CentralBytes(CentralHeader h, const std::string& name, const std::string& extra,
                                  const std::string& comment);

struct LocalHeader {
    uint16_t versionNeeded = 0;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t dosTime = 0;
    uint32_t crc = 0;
    uint64_t packed = 0;
    uint64_t size = 0;
    uint16_t nameLength = 0, extraLength = 0;
    bool zip64 = false;  // its sizes came from a zip64 field

    size_t Length() const { return kLocalSize + nameLength + extraLength; }
};

bool ParseLocal(const uint8_t* p, LocalHeader& h);
// Both sizes from the zip64 field when either fixed size is marked.
bool ApplyZip64(LocalHeader& h, const uint8_t* extra, size_t n);
// A local header with its name. With `zip64`, the sizes go into a zip64
// field (20 bytes) and both fixed sizes are marked, so the header keeps its
// length when the sizes are written into it later.
std::vector<uint8_t> LocalBytes(const LocalHeader& h, const std::string& name, bool zip64);

// The data descriptor behind an entry's data: CRC and both sizes, 8-byte
// sizes when the local header carries a zip64 field.
inline size_t DescriptorSize(bool zip64, bool signature) { return (zip64 ? 20 : 12) + (signature ? 4 : 0); }

// The length of an entry's local part (header, name, extra field, data and
// data descriptor) at `offset`, from its local header and the central
// record's `flags` and `packed` size; 0 when the header is damaged or the
// part would reach past `limit`.
uint64_t LocalEntryLength(Reader& r, uint64_t offset, uint16_t flags, uint64_t packed, uint64_t limit);

// ---- The central directory ----------------------------------------------

enum class DirectoryStatus {
    Found,
    TooShort, ReadError, NotFound, BadZip64,  // as the end search says
    Spanned,     // the records name more than one disk
    BadSize,     // the directory would start before the file
    Unreadable,  // the directory's bytes cannot be read
    BadEntry,    // a record does not fit or lacks its signature
    NoZip64,     // a record marks a value that its zip64 field lacks
};

struct DirectoryEntry {
    CentralHeader header;  // zip64 values applied
    std::string name, extra, comment;  // as stored
};

struct Directory {
    EndInfo end;
    uint64_t start = 0;  // actual position of the central directory
    uint64_t size = 0;
    // Actual minus recorded position (wrapping): the bytes put in front of
    // an archive whose offsets were written for a file of its own.
    int64_t shift = 0;
    std::vector<uint8_t> tail;  // the bytes from `start` to the end of the file
    // In order; after BadEntry or NoZip64, those before the bad record.
    std::vector<DirectoryEntry> entries;
    uint64_t used = 0;  // bytes of the directory that the entries take
};

// The end records, checked (one disk, a directory in front of them), then
// every central record. Callers keep their own rules on top (offsets,
// bytes left over) and their own messages.
DirectoryStatus ReadDirectory(Reader& r, Directory& dir);

// ---- Extra fields and names ---------------------------------------------

// The field `id` in an extra area; false when there is none.
bool FindExtra(const uint8_t* extra, size_t n, uint16_t id, const uint8_t*& data, size_t& length);
// The extra area without the fields of `id`.
std::string DropExtra(const std::string& extra, uint16_t id);

bool IsUtf8(const std::string& s);

// The stored name in UTF-8 when the archive says it is, as unzip and
// libarchive take it on a UTF-8 system: flag bit 11 (the bytes as they are);
// the Unicode path field written for exactly this stored name (its CRC
// matches); a name made on Unix (host 3) whose bytes are UTF-8 with at
// least one multi-byte sequence. False: the caller's code-page rules apply.
bool Utf8Name(uint16_t flags, uint8_t host, const std::string& raw, const uint8_t* extra, size_t extraLength,
              std::string& name);

}  // namespace zipformat
