// The directory reader: the central directory of an archive read into the
// component's Contents, with the archive comment, where the archive data
// starts, and what the read found out about the file. It is the only part of
// the component that parses archives; names are decoded to UTF-8 on the way in.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/filesystem.h"
#include "zipformat/zipformat.h"

namespace zk {

class TZipArchiver;

class ZipDirReader {
public:
    explicit ZipDirReader(TZipArchiver& zip) : zip_(zip) {}

    // Reads the directory of `archive` into Contents, ArchiveComment,
    // DataOffset and DirOnlyCount, raising OnNewName for every entry kept;
    // an interrupted add is undone first. False when the read failed (the
    // failure is reported); a missing file reads as an empty directory.
    bool ReadDirectory(const std::string& archive);

    // The end record, with the values of its zip64 record when it has one.
    struct EndRecord : zipformat::EndRecord {
        int64_t directoryEnd = 0;  // where the directory ends: the zip64 record, else the end record
    };
    // Finds the end record of the file: true when found. Sets ArchiveComment
    // and leaves the file open (TakeFile). Raises EZipArchiver when asked to,
    // else reports and answers false.
    bool LocateEndRecord(const std::string& fileName, bool raise, EndRecord& record);
    std::unique_ptr<platform::File> TakeFile() { return std::move(inFile_); }
    // A name or comment from the archive as UTF-8. For names, the extra
    // field may hold the name's Unicode form.
    std::string ConvertName(const std::string& raw, uint8_t specVersion, uint8_t host, uint16_t flags,
                            const uint8_t* extra = nullptr, size_t extraLength = 0);

    // What the last read found out.
    bool Spanned() const { return spanned_; }
    bool Displaced() const { return displaced_; }
    int64_t DirectoryPosition() const { return dirPos_; }
    int64_t EndRecordPosition() const { return endRecordPos_; }
    int64_t ArchiveFileSize() const { return fileSize_; }
    int LastDisk() const { return lastDisk_; }

private:
    void Reset();
    // Reads the directory of the open archive; raises on failure.
    void Read(const std::string& archive, EndRecord& record);
    void OpenDiskForReading(int disk);
    void ReadEntries(const EndRecord& record);

    TZipArchiver& zip_;
    std::string archive_;                     // the archive being read
    std::unique_ptr<platform::File> inFile_;  // the archive (or the part) being read
    bool spanned_ = false;
    bool displaced_ = false;
    int64_t dirPos_ = 0;
    int64_t endRecordPos_ = 0;
    int64_t fileSize_ = 0;      // up to the end of the archive comment
    int64_t realFileSize_ = 0;  // as the file system has it
    int diskNr_ = 0;            // disk of the part being read
    int endDiskNr_ = 0;         // the end record's disk
    int lastDisk_ = 0;
    int labelDiskNr_ = 0;       // from a "PKBACK# nnn" volume label
};

}  // namespace zk
