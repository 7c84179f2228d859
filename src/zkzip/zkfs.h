// The library's own small file-system layer: the one place that differs
// between the native build and Windows (zkfs_win32.cpp, zkfs_posix.cpp; what
// both share is in zkfs.cpp). Paths are UTF-8 with "/" as the separator ("\"
// is accepted too); on Windows they go to the wide APIs.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "zipundo/undo.h"

namespace zkzip::fs {

struct Stat {
    bool isDir = false;
    bool hidden = false;    // Windows: hidden or system attribute; native: a leading "."
    bool archive = true;    // Windows archive attribute; always set natively
    bool link = false;      // a symbolic link or reparse point
    uint32_t attributes = 0;  // DOS attribute byte for the archive entry
    uint64_t size = 0;
    int64_t mtime = 0;      // seconds since 1970 (UTC)
};

struct DirItem {
    std::string name;
    Stat st;
};

// False when the path does not exist.
bool GetStat(const std::string& path, Stat& st);
// The entries of a folder without "." and "..", in no particular order.
bool ListDir(const std::string& dir, std::vector<DirItem>& items);

class File {
public:
    enum class Mode {
        Read,
        ReadWrite,     // others may read
        CreateNew,
        Hold,          // reading and writing, shut to every other process
        HoldOrCreate,  // the same, made when missing
    };
    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    bool Open(const std::string& path, Mode mode);
    bool IsOpen() const;
    // Bytes read, 0 at the end, -1 on failure.
    int64_t Read(void* buf, int64_t n);
    bool Write(const void* buf, int64_t n);
    bool Seek(uint64_t pos);
    uint64_t Size() const { return size_; }
    bool Truncate(uint64_t len);
    // Removes a held file before letting it go (no other process can take
    // it in between), then closes it.
    bool RemoveHeld();
    bool Close();

private:
    static constexpr intptr_t kClosed = -1;
    // All n bytes at the position, which moves on; false on a failure.
    bool WriteAll(const char* p, int64_t n);
    static void SetDiskFull();
    intptr_t handle_ = kClosed;  // each side's handle or descriptor
    std::string path_;
    uint64_t pos_ = 0;
    uint64_t size_ = 0;
    int64_t readSoFar_ = 0;
};

// Exactly n bytes from pos, or false.
bool ReadAt(File& f, uint64_t pos, void* buf, size_t n);

bool Remove(const std::string& path);
// Replaces `to` when it exists; fails across volumes.
bool Rename(const std::string& from, const std::string& to);
// Creates a new empty file with a unique name in `dir`; returns its path or "".
std::string CreateTemp(const std::string& dir);
std::string CurrentDir();
bool IsAbsolute(const std::string& path);
// Absolute, with "." and ".." resolved, "/" separators; no file access.
std::string FullPath(const std::string& path);
bool SamePath(const std::string& a, const std::string& b);
// Local-time DOS date (high word) and time (low word), seconds rounded up to even.
uint32_t DosDateTime(int64_t mtime);
bool SetDosTime(const std::string& path, uint32_t dosDateTime);
bool ClearArchiveAttribute(const std::string& path);
// Text and reason of the last failure of this layer.
std::string LastErrorText();
zipundo::Reason LastReason();

// This layer as the undo of an interrupted add sees it.
zipundo::Files& UndoFiles();

// Test hooks: a small disk and files that cannot be read.
struct Hooks {
    int64_t diskFree = -1;        // bytes files may still grow by; -1 = unlimited
    std::string failReadName;     // reading a file whose path ends with this fails
    int64_t failReadAfter = 0;    // ... after this many bytes (-1: opening fails)
    uint64_t maxArchiveSize = 0;  // when non-zero, replaces the format's 4 GiB limit
    // Called before every change on disk (a write, a cut, a file made,
    // renamed or removed): the crash tests end the process there.
    void (*beforeChange)() = nullptr;
};
Hooks& TestHooks();

}  // namespace zkzip::fs
