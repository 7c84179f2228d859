// The archive component's value types: the enumerations of its properties
// (the ordinal is the bit number in a set), the sets, the disk status of
// spanning, and one entry of an archive's directory.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace zk {

enum AddOptsEnum : uint8_t {
    AddDirNames, AddRecurseDirs, AddMove, AddFreshen, AddUpdate, AddZipTime, AddForceDOS, AddHiddenFiles,
    AddArchiveOnly, AddResetArchive, AddEncrypt, AddSeparateDirs, AddVolume, AddDiskSpan, AddDiskSpanErase,
};
enum AddStoreSuffixEnum : uint8_t {
    assGIF, assPNG, assZ, assZIP, assZOO, assARC, assLZH, assARJ, assTAZ, assTGZ, assLHA, assEXE,
};
enum ExtrOptsEnum : uint8_t { ExtrDirNames, ExtrOverWrite, ExtrFreshen, ExtrUpdate, ExtrTest };
enum SFXOptsEnum : uint8_t {
    SFXAskCmdLine, SFXAskFiles, SFXAutoRun, SFXHideOverWriteBox, SFXCheckSize, SFXNoSuccessMsg,
};
enum OvrOpts : uint8_t { OvrConfirm, OvrAlways, OvrNever };
enum CodePageOpts : uint8_t { cpAuto, cpNone, cpOEM };
enum DeleteOpts : uint8_t { htdFinal, htdAllowUndo };
enum ProgressType : uint8_t { ProgressFileStart, ProgressStep, ProgressEnd, ProgressCount, ProgressTotal };

// The suffixes of AddStoreSuffixEnum, in its order.
extern const char* const kStoreSuffixTexts[12];

// A set of an enumeration's members, one bit per ordinal.
template <typename E, unsigned Count>
class EnumSet {
public:
    constexpr EnumSet() = default;
    constexpr EnumSet(std::initializer_list<E> members) {
        for (E e : members) bits_ |= Bit(e);
    }
    static constexpr EnumSet FromBits(uint32_t bits) {
        EnumSet s;
        s.bits_ = bits & kAll;
        return s;
    }
    static constexpr EnumSet All() { return FromBits(kAll); }
    constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
    EnumSet& Include(E e) { return bits_ |= Bit(e), *this; }
    EnumSet& Exclude(E e) { return bits_ &= ~Bit(e), *this; }
    constexpr uint32_t Bits() const { return bits_; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr bool operator==(const EnumSet& o) const { return bits_ == o.bits_; }
    constexpr bool operator!=(const EnumSet& o) const { return bits_ != o.bits_; }

private:
    static constexpr uint32_t kAll = (uint32_t{1} << Count) - 1;
    static constexpr uint32_t Bit(E e) { return uint32_t{1} << static_cast<unsigned>(e); }
    uint32_t bits_ = 0;
};

using AddOpts = EnumSet<AddOptsEnum, 15>;  // 16 bits wide
using AddStoreExts = EnumSet<AddStoreSuffixEnum, 12>;
using ExtrOpts = EnumSet<ExtrOptsEnum, 5>;
using SFXOpts = EnumSet<SFXOptsEnum, 6>;

// Flags of OnStatusDisk.
using TZipDiskStatus = uint8_t;
enum : TZipDiskStatus {
    zdsEmpty = 1, zdsHasFiles = 2, zdsPreviousDisk = 4, zdsSameFileName = 8, zdsNotEnoughSpace = 16,
};
// The answer of OnStatusDisk: go on, go on after formatting, another disk, cancel.
enum TZipDiskAction : uint8_t { zdaOk, zdaErase, zdaReject, zdaCancel };

// An icon for the self-extractor, as the bytes of an .ico file.
struct TZipIcon {
    std::vector<uint8_t> data;
    bool Empty() const { return data.empty(); }
};

// One file of the archive's central directory.
struct ZipDirEntry {
    // The central header from the version made by to the local header offset.
    uint8_t MadeByVersion = 0;  // version of the format the writer followed
    uint8_t HostVersionNo = 0;  // the writer's system: 0 FAT, 3 Unix, 6 HPFS, 11 NTFS ...
    uint16_t Version = 0;       // needed to extract
    uint16_t Flag = 0;
    uint16_t ComprMethod = 0;
    uint32_t DateTime = 0;      // DOS time in the low word, date in the high word
    uint32_t CRC32 = 0;
    uint64_t ComprSize = 0;     // sizes and offset with their zip64 values
    uint64_t UncomprSize = 0;
    uint16_t FileNameLength = 0;
    uint16_t ExtraFieldLength = 0;
    uint16_t FileCommentLen = 0;
    uint16_t StartOnDisk = 0;
    uint16_t IntFileAttrib = 0;
    uint32_t ExtFileAttrib = 0;
    uint64_t RelOffLocalHdr = 0;

    std::string FileName;     // decoded, "/" turned into "\"
    std::string FileComment;  // decoded; empty when there is none
    bool Encrypted = false;   // bit 0 of Flag
    // The extra field and one zero byte after it; empty when there is none.
    std::vector<uint8_t> ExtraData;
};

}  // namespace zk
