// The drive an archive lies on and the disks of a set in it: the drive check
// with the volume's label and sizes, the request for a disk (a prompt, or
// OnGetNextDisk), formatting a disk, and the part of a set the directory
// reader asks for.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/filesystem.h"

namespace zk {

class TZipArchiver;

// The root of a path's drive: "C:\" or "\\server\share\"; relative paths
// are taken against the current folder.
std::string DriveRootOf(const std::string& path, const std::string& currentDir);

class ZipDisks {
public:
    explicit ZipDisks(TZipArchiver& zip) : zip_(zip) {}

    // Whether the drive of a root ("C:\" or "\\server\share\") can be read;
    // fills the volume label, serial, free space and size. A root that names
    // no drive raises EZipArchiver.
    bool CheckDrive(const std::string& root);
    const std::string& VolumeLabel() const { return volumeLabel_; }
    uint32_t VolumeSerial() const { return volumeSerial_; }
    uint64_t FreeBytes() const { return free_; }
    uint64_t SizeBytes() const { return size_; }  // all bits set: the drive cannot tell

    // A set written to the drive of `target` from a source of that size:
    // disk 0 comes next, a fresh disk is wanted.
    void BeginWriting(const std::string& target, int64_t sourceSize);
    void EndWriting() { writing_ = false; }
    const std::string& Root() const { return root_; }
    int Disk() const { return disk_; }  // the current disk, 0-based
    // The next disk of the set, or (again) a fresh disk for the current one.
    void NextDisk() { ++disk_, newDisk_ = true; }
    void WantFreshDisk() { newDisk_ = true; }
    // Asks for the disk Disk() names until the drive holds one; a fixed or
    // network drive is asked nothing. Raises the silent zmUserCancel when
    // the user cancels. The drive's type.
    platform::DriveType RequestDisk();
    // Formats the disk in the drive and gives it the label; the format
    // dialog's result.
    int FormatDisk(const std::string& label);

    // Asks for disk diskNo (0-based) of the set of `archive`, whose end
    // record lies on lastDisk, until the right one is in the drive; its part,
    // opened for reading.
    std::unique_ptr<platform::File> SelectDiskForReading(const std::string& archive, int diskNo, int lastDisk);

    // "PKBACK# 001" for disk 0.
    static std::string Label(int disk0);
    // The number in a "PKBACK# nnn" label; `otherwise` when there is none.
    static int LabelNumber(const std::string& label, int otherwise);
    // The name of a part on a fixed or network drive: "C:\X\ARC.ZIP" and
    // disk 1 (1-based) give "C:\X\ARC001.ZIP".
    static std::string NumberedPartName(const std::string& target, int diskNo1);
    // Reading: the last three characters before the extension give way to the number.
    static std::string ReadingPartName(const std::string& name, int diskNo1);
    // The highest number a disk label holds.
    static constexpr int kMaxDisks = 999;

private:
    std::string Prompt();

    TZipArchiver& zip_;
    std::string volumeLabel_;
    uint32_t volumeSerial_ = 0;
    uint64_t free_ = 0;
    uint64_t size_ = 0;
    std::string root_;          // "A:\"
    int disk_ = 0;              // current disk, 0-based
    int estimate_ = 0;          // estimated disks - 1
    int lastDisk_ = 0;          // reading: the disk of the end record
    int64_t sourceSize_ = 0;    // writing: what goes onto the disks
    bool newDisk_ = true;       // a fresh disk must be asked for
    bool writing_ = false;      // a copy runs (else the directory reader asks)
};

}  // namespace zk
