// The file system in memory: drives by letter, files and folders as nodes,
// removable disks on a shelf, and the faults a test asks for. A drive may
// also stand on a host folder.
#pragma once
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/filesystem.h"

namespace zk::platform {

// A drive of the fake file system. Its files live in memory, or, when
// hostFolder is set, as real files below that host folder (for measuring
// the engine against the host's own tools).
struct FakeDrive {
    DriveType type = DriveType::Fixed;
    std::string hostFolder;
    // Free bytes; nothing: the drive cannot tell. A host folder's drive
    // reports the host's count instead.
    std::optional<uint64_t> free = uint64_t{1} << 30;
    std::optional<uint64_t> size = uint64_t{2} << 30;  // nothing: the drive cannot tell
    bool formatted = true;  // false: the volume cannot be read (error 31)
    // Writes and deletions move the free count; off, it stands still.
    bool freeFollows = true;
    bool ready = true;
    bool writeProtected = false;
    std::string label = "FAKE";
    uint32_t serial = 0x1234ABCD;
};

class FakeFileSystem : public FileSystem {
public:
    struct Node {
        bool dir = false;
        uint32_t attr = 0;
        std::string content;
        FileTime time = 0;
        uint64_t seq = 0;  // order of creation: the order folders list in
    };

    std::string ModulePath() override { return modulePath; }
    std::string CurrentDir() override { return current_; }
    bool SetCurrentDir(const std::string& dir) override;
    bool FindFirst(const std::string& path, uint32_t attrMask, FoundEntry& found) override;
    bool FileExists(const std::string& path) override;
    int LastError() override { return lastError_; }
    std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override;
    std::unique_ptr<DirReader> OpenDir(const std::string& folder) override;
    bool DirExists(const std::string& path) override;
    bool CreateDir(const std::string& path) override;
    bool RemoveDir(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    bool RenameFile(const std::string& from, const std::string& to) override;
    bool GetFileStamp(const std::string& path, FileTime& time) override;
    bool SetFileStamp(const std::string& path, FileTime time) override;
    std::optional<uint32_t> Attributes(const std::string& path) override;
    bool SetAttributes(const std::string& path, uint32_t attr) override;
    std::string FullPathName(const std::string& path) override;
    // An existing path's entry in shortNames, else the path itself.
    std::string ShortPathName(const std::string& path) override;
    std::string TempFileName(const std::string& folder, const std::string& prefix) override;
    DriveType DriveKind(char letter) override;
    std::optional<uint64_t> DiskFree(char letter) override;
    std::optional<uint64_t> DiskSize(char letter) override;
    std::optional<DiskSpace> RootSpace(const std::string& root) override;
    bool VolumeInfo(char letter, std::string& label, uint32_t& serial) override;
    bool SetDriveLabel(char letter, const std::string& label) override;
    std::string Drives() override;
    unsigned SetCriticalErrorMode(unsigned mode) override;
    std::string SystemFolder() override { return systemFolder; }
    std::string WindowsFolder() override { return windowsFolder; }
    std::vector<std::string> ProgramFilesFolders() override { return programFiles; }
    // Removes the file and records it in `recycled`.
    bool RecycleFile(const std::string& path) override;
    std::string TempFolder() override { return tempFolder; }

    // Test side: drives. A drive is declared by its first use here or by
    // AddDir/AddFile on it; undeclared letters have no drive.
    FakeDrive& Drive(char letter);
    void RemoveDrive(char letter);
    // Test side: removable media. A disk waits on the shelf under its name
    // until a test puts it into a drive; the disk a drive held goes back to
    // the shelf. Its files, label, size and free space travel with it.
    struct Disk {
        std::optional<uint64_t> size, free;
        std::string label;
        uint32_t serial = 0;
        bool formatted = true;
        std::map<std::string, Node> nodes;          // by folded path below the root: "\arc.zip"
        std::map<std::string, std::string> names;  // as created: "\ARC.ZIP"
    };
    // A blank disk on the shelf (an old one of that name is replaced).
    Disk& NewDisk(const std::string& name, uint64_t size, const std::string& label = "");
    // Puts a shelved disk into the drive; the drive is removable and ready.
    void InsertDisk(char letter, const std::string& name);
    // Takes the disk out: the drive is then not ready.
    void EjectDisk(char letter);
    std::string DiskIn(char letter) const;  // "" when the drive is empty
    // A disk's file, label and the paths of its files, in the drive or on the shelf.
    std::string DiskFile(const std::string& disk, const std::string& pathBelowRoot);
    std::string DiskLabel(const std::string& disk);
    std::vector<std::string> DiskFiles(const std::string& disk);
    // Erases the disk in the drive and gives it the label (a format).
    void WipeDisk(char letter, const std::string& label);
    // Test side: looking at files. Content of a missing file: "<missing>".
    std::string Content(const std::string& path);
    bool Exists(const std::string& path);
    FileTime Stamp(const std::string& path);
    // Test side: faults, by path (any case).
    std::map<std::string, uint64_t> failWriteAfter;  // writes fail once this many bytes went in
    std::map<std::string, uint64_t> failReadAfter;   // reads fail once this many bytes came out
    std::set<std::string> failCreateDir;             // folders that cannot be made
    std::set<std::string> failOpen;                  // files that cannot be opened
    std::set<std::string> heldElsewhere;             // files another program holds open without sharing
    std::set<std::string> failOpenDir;               // folders that cannot be entered
    // Test side: what was done with open files ("read", "write", "close").
    struct Io {
        std::string op;
        std::string path;
        int64_t n;
    };
    std::vector<Io> io;
    bool logIo = true;
    // Sizes the folder listing reports instead of the stored ones (huge files
    // without the memory).
    std::map<std::string, uint64_t> listedSize;
    int freeReads = 0;  // calls of DiskFree
    std::vector<unsigned> errorModes;  // every mode set, in order
    unsigned errorMode = 0;
    FileTime clock = 132000000000000000;  // stamp of the next change; moves one second each time

    // Test side. Parents are created as needed.
    void AddDir(const std::string& path);
    void AddFile(const std::string& path, const std::string& content = {}, uint32_t attr = faArchive);
    std::string Absolute(const std::string& path) const;
    std::string modulePath = "C:\\SPIELE\\ZANTORIK\\ZKSTART.EXE";
    std::set<std::string> failSetCurrent;  // folders (any case) that cannot be made current
    std::map<std::string, std::string> shortNames;  // path (any case) → its short form
    std::string systemFolder = "C:\\WINDOWS\\SYSTEM32";
    std::string windowsFolder = "C:\\WINDOWS";
    std::vector<std::string> programFiles = {"C:\\Program Files", "C:\\Program Files (x86)"};
    std::vector<std::string> recycled;  // files moved to the recycle bin, as named
    std::string tempFolder = "C:\\TEMP\\";  // what TempFolder answers; the folder is not made

private:
    friend class FakeMemFile;
    friend class FakeFaultFile;
    struct Loc {
        std::string abs;  // absolute, runs of "\" collapsed
        std::string key;
        char letter = 0;
        FakeDrive* drive = nullptr;
    };
    static std::string Key(const std::string& absolute);
    Loc Locate(const std::string& path);
    // False (and the error number set) when the drive cannot do it.
    bool Usable(const Loc& loc, bool write);
    bool Listed(const std::set<std::string>& paths, const Loc& loc);
    const uint64_t* Limit(const std::map<std::string, uint64_t>& limits, const Loc& loc);
    std::string HostPath(const Loc& loc) const;
    bool HostError();
    Node* Find(const std::string& key);
    void Put(const std::string& key, const std::string& name, Node node);
    // Moves the drive's free count by a change of stored bytes; false when it
    // does not hold that many more.
    bool Charge(const Loc& loc, int64_t delta);
    FileTime Tick() { return clock += 10000000; }
    std::set<std::string> held_;            // keys of the files this process holds
    std::map<std::string, Node> nodes_;     // by folded absolute path without trailing "\"
    std::map<std::string, std::string> names_;  // folded → name as created
    std::map<char, FakeDrive> drives_;      // by upper-case letter
    std::map<std::string, Disk> disks_;     // the shelf
    std::map<char, std::string> inserted_;  // drive → name of the disk in it
    std::string current_ = "C:\\";
    int lastError_ = 0;
    uint64_t seq_ = 0;
    unsigned temp_ = 0;
};

}  // namespace zk::platform
