// Files and folders. Paths are UTF-8 with "\" separators, as on Windows.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zk::platform {

enum FileAttr : uint32_t {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faSysFile = 0x04,
    faVolumeID = 0x08,
    faDirectory = 0x10,
    faArchive = 0x20,
    faAnyFile = 0x3F,
    faReparsePoint = 0x400,  // symbolic link or junction
};

struct FoundEntry {
    std::string name;
    uint32_t attr = 0;
    uint64_t size = 0;
};

// Last-write time as Windows counts it: 100-nanosecond ticks since
// 1 January 1601, UTC.
using FileTime = int64_t;

// The values of GetDriveType.
enum class DriveType { Unknown = 0, NoRootDir = 1, Removable = 2, Fixed = 3, Remote = 4, CDRom = 5, RamDisk = 6 };

// The critical-error mode flag that keeps "no disk in drive" boxes away.
constexpr unsigned kFailCriticalErrors = 0x0001;

enum class OpenMode {
    Read,          // an existing file, for reading; others may read it too
    Write,         // created, or emptied when it exists; writing only
    ReadWrite,     // an existing file as it is, reading and writing
    ReadWriteNew,  // created, or emptied when it exists; reading and writing
    Hold,          // an existing file as it is, reading and writing, shut to every other process
    HoldOrCreate,  // the same, made empty when missing
};

enum class SeekFrom { Begin, Current, End };

// What a drive holds: free bytes for the caller and its size.
struct DiskSpace {
    uint64_t free = 0;
    uint64_t size = 0;
};

// An open file. Closed by Close or, at the latest, by the destructor.
class File {
public:
    virtual ~File() = default;
    // Bytes read, 0 at the end, -1 on a read error.
    virtual int64_t Read(void* buffer, size_t count) = 0;
    // Bytes written: fewer than count when the disk is full; -1 on an error.
    virtual int64_t Write(const void* buffer, size_t count) = 0;
    // The new position, or -1.
    virtual int64_t Seek(int64_t offset, SeekFrom from) = 0;
    virtual int64_t Position() = 0;
    virtual int64_t Size() = 0;
    // The file ends at the current position.
    virtual bool Truncate() = 0;
    // False when the last buffered data could not be written.
    virtual bool Close() = 0;
    // A held file: removes it before letting it go, so that no other process
    // can take it in between, and closes it.
    virtual bool RemoveHeld() { return false; }
};

struct DirEntry {
    std::string name;
    uint32_t attr = 0;
    uint64_t size = 0;
    FileTime time = 0;
};

// One open enumeration of a folder, entries in the order the file system
// lists them ("." and ".." included where it lists them).
class DirReader {
public:
    virtual ~DirReader() = default;
    virtual bool Next(DirEntry& entry) = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Full path of the running program.
    virtual std::string ModulePath() = 0;
    virtual std::string CurrentDir() = 0;
    virtual bool SetCurrentDir(const std::string& dir) = 0;
    // The first entry matching the path (its name part may hold wildcards)
    // whose attributes fit the mask; false when there is none.
    virtual bool FindFirst(const std::string& path, uint32_t attrMask, FoundEntry& found) = 0;
    virtual bool FileExists(const std::string& path) = 0;
    // Error number of the last failed call (as Windows numbers them), for
    // the input/output error and the reasons the user is told.
    virtual int LastError() = 0;

    // Streams; nullptr when the file cannot be opened.
    virtual std::unique_ptr<File> Open(const std::string& path, OpenMode mode) = 0;
    // nullptr when the folder cannot be entered.
    virtual std::unique_ptr<DirReader> OpenDir(const std::string& folder) = 0;
    virtual bool DirExists(const std::string& path) = 0;
    // One folder; its parent must exist.
    virtual bool CreateDir(const std::string& path) = 0;
    // An empty folder.
    virtual bool RemoveDir(const std::string& path) = 0;
    virtual bool RemoveFile(const std::string& path) = 0;
    virtual bool RenameFile(const std::string& from, const std::string& to) = 0;
    virtual bool GetFileStamp(const std::string& path, FileTime& time) = 0;
    virtual bool SetFileStamp(const std::string& path, FileTime time) = 0;
    // The attributes (faReadOnly ...) of a file or folder; nothing when it is
    // not there.
    virtual std::optional<uint32_t> Attributes(const std::string& path) = 0;
    // Sets faReadOnly, faHidden, faSysFile and faArchive as given.
    virtual bool SetAttributes(const std::string& path, uint32_t attr) = 0;
    // The path as the system resolves it: absolute, without ".", ".." and
    // doubled separators (short names of existing folders in their long
    // form); "" when the system cannot tell.
    virtual std::string FullPathName(const std::string& path) = 0;
    // The path's short 8.3 form as the system gives it (the long one where
    // 8.3 names are switched off); "" when the system cannot tell.
    virtual std::string ShortPathName(const std::string& path) = 0;
    // A new empty file in the folder with a unique name; "" on failure.
    virtual std::string TempFileName(const std::string& folder, const std::string& prefix) = 0;

    // Drives by letter (either case).
    virtual DriveType DriveKind(char letter) = 0;
    // Free bytes for the caller; nothing when the drive is missing or not ready.
    virtual std::optional<uint64_t> DiskFree(char letter) = 0;
    // Total bytes of the drive; nothing when the drive cannot tell.
    virtual std::optional<uint64_t> DiskSize(char letter) = 0;
    // The space of the drive at a root ("C:\" or "\\server\share\"): the
    // 64-bit query where the system has it, else the classic one in
    // clusters; nothing when neither answers.
    virtual std::optional<DiskSpace> RootSpace(const std::string& root) = 0;
    virtual bool VolumeInfo(char letter, std::string& label, uint32_t& serial) = 0;
    virtual bool SetDriveLabel(char letter, const std::string& label) = 0;
    // The letters of the drives that exist, upper case, in order: "ACD".
    virtual std::string Drives() = 0;
    // Sets the critical-error mode and returns the one before.
    virtual unsigned SetCriticalErrorMode(unsigned mode) = 0;
    // The system folder (C:\WINDOWS\SYSTEM32) and the Windows folder, without
    // a trailing "\"; "" when the system cannot tell.
    virtual std::string SystemFolder() = 0;
    virtual std::string WindowsFolder() = 0;
    // The program-files folders without a trailing "\", the 64-bit one
    // first, each once; empty when the system names none.
    virtual std::vector<std::string> ProgramFilesFolders() = 0;
    // Moves a file to the recycle bin, silently; false when it is still there.
    virtual bool RecycleFile(const std::string& path) = 0;
    // The system's folder for temporary files, with a trailing "\"; "" when
    // the system names none.
    virtual std::string TempFolder() = 0;
};

// The folder of the running program: its path up to and including the last
// "\" or ":" ("" when it has none).
inline std::string ProgramFolder(FileSystem& files) {
    const std::string path = files.ModulePath();
    const size_t cut = path.find_last_of("\\:");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// Keeps the system's "drive not ready" boxes away for a scope.
class QuietDriveErrors {
public:
    explicit QuietDriveErrors(FileSystem& files)
        : files_(files), before_(files.SetCriticalErrorMode(kFailCriticalErrors)) {}
    ~QuietDriveErrors() { files_.SetCriticalErrorMode(before_); }
    QuietDriveErrors(const QuietDriveErrors&) = delete;
    QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

private:
    FileSystem& files_;
    unsigned before_;
};

}  // namespace zk::platform
