// The span writer: a finished temporary archive copied record by record onto
// a series of disks, each part named like the target (numbered on fixed and
// network drives), the central directory rewritten to name the disk and
// offset of every local header.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "archiver/ZipTypes.h"
#include "platform/filesystem.h"

namespace zk {

class TZipArchiver;

class ZipSpanWriter {
public:
    explicit ZipSpanWriter(TZipArchiver& zip) : zip_(zip) {}

    // Copies the temporary archive `source` onto disks in the drive of
    // `target`; 0 on success, -7 after a reported EZipArchiver, -8 out of
    // memory, -9 any other failure. The parts written so far stay.
    int32_t WriteSpannedArchive(const std::string& source, const std::string& target);

private:
    struct CopyRecord {
        uint16_t disk = 0;
        uint64_t offset = 0;
        std::string name;
        bool used = false;  // matched by a central header
    };
    void CopyLocalRecords(std::vector<CopyRecord>& records, const std::string& copying);
    void CopyDirectory(std::vector<CopyRecord>& records, uint64_t entries, uint64_t& dirSize, int& dirDisk,
                       uint64_t& dirOffset);
    // The split writer: a minimum piece above 0 keeps that many first bytes on one disk.
    void Write(const void* buffer, size_t length, int64_t minPiece);
    void EnsureRoom(int64_t minPiece);
    void OpenPart();
    // The part file already on the disk: true to overwrite it, false for
    // another disk; raises when the user cancels.
    bool MayOverwrite(bool fixed);
    // Too little space on the new part's disk: raises unless another disk is to be tried.
    void NotEnoughSpace();
    bool ClosePart();  // false when the part's last bytes did not get out
    void NextDisk();
    // count bytes of the source through the split writer, in 8192-byte pieces.
    void Copy(int64_t count, int errorNumber);
    void Read(void* buffer, size_t count, int errorNumber);

    TZipArchiver& zip_;
    std::string source_, target_, partName_;
    int64_t free_ = 0;       // what the open part may still take
    int64_t written_ = 0;    // bytes on the open part
    platform::FileTime sourceDate_ = 0;
    bool progress_ = false;  // steps of the split writer go to OnProgress
    TZipDiskAction statusAction_ = zdaOk;
    std::unique_ptr<platform::File> out_;  // the open part
    std::unique_ptr<platform::File> in_;   // the source
};

}  // namespace zk
