// In-memory platform for headless tests: every service records what it was
// asked, and a test scripts the answers and the failures.
#pragma once
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/fake/fake_dynlib.h"
#include "platform/fake/fake_shelllink.h"
#include "platform/platform.h"

namespace zk::platform {

class FakeRegistry : public Registry {
public:
    enum class Type { Sz, Dword };
    struct Value {
        Type type = Type::Sz;
        std::string text;
    };

    bool CreateKey(const std::string& key) override;
    bool KeyExists(const std::string& key) override;
    StringRead ReadString(const std::string& key, const std::string& name) override;
    bool WriteString(const std::string& key, const std::string& name, const std::string& value) override;
    // The machine's hive lives beside the user's, its keys under "HKLM\".
    StringRead ReadMachineString(const std::string& key, const std::string& name) override {
        return ReadString("HKLM\\" + key, name);
    }

    // Test side.
    void SetValue(const std::string& key, const std::string& name, const std::string& text, Type type = Type::Sz);
    const Value* Find(const std::string& key, const std::string& name) const;
    std::set<std::string> failCreate;  // keys (any case) whose creation fails
    std::vector<std::string> writes;   // "key\name=value" in order

private:
    static std::string Fold(const std::string& s);
    std::map<std::string, std::map<std::string, Value>> keys_;  // folded names
};

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

class FakeProcess : public Process {
public:
    explicit FakeProcess(FileSystem& files) : files_(files) {}
    struct Started {
        std::string commandLine;
        int showMode;
        std::string currentDir;
    };
    unsigned WinExec(const std::string& commandLine, int showMode) override {
        started.push_back({commandLine, showMode, files_.CurrentDir()});
        if (results.empty()) return 33;
        unsigned r = results.front();
        results.pop_front();
        return r;
    }
    std::vector<Started> started;
    std::deque<unsigned> results;  // one per start, in order; none left: started (33)

private:
    FileSystem& files_;
};

class FakeHelp : public Help {
public:
    struct HelpCall {
        std::string file;
        HelpCommand command;
        std::string data;
    };
    bool Call(const std::string& helpFile, HelpCommand command, const std::string& data) override {
        calls.push_back({helpFile, command, data});
        return succeed;
    }
    std::vector<HelpCall> calls;
    bool succeed = true;
};

// Answers dialogs from a script; a dialog nobody scripted goes to
// onUnexpected (tests make that a failure) and is answered with Cancel.
class FakeDialogs : public Dialogs {
public:
    int Show(const DialogRequest& request) override;
    void Answer(int modalResult) { script.push_back(modalResult); }
    std::deque<int> script;
    std::vector<DialogRequest> shown;
    std::function<void(const DialogRequest&)> onUnexpected;
    int unexpected = 0;
    // Runs as each dialog shows, before it is answered (the user acting meanwhile).
    std::function<void(const DialogRequest&)> onShow;
};

class FakeApplication : public ApplicationState {
public:
    void PostQuit() override { ++quitPosted; }
    void ShowError(const std::string& message) override { errors.push_back(message); }
    void ProcessMessages() override {
        ++messagesProcessed;
        if (onProcessMessages) onProcessMessages();
    }
    void DiscardInput() override { ++inputDiscarded; }
    int messagesProcessed = 0;
    int inputDiscarded = 0;
    std::function<void()> onProcessMessages;  // the user acting while a long run goes on
    int quitPosted = 0;
    std::vector<std::string> errors;
};

// Time moves only when a test advances it.
class FakeTimers : public Timers {
public:
    int Start(unsigned intervalMs, std::function<void()> fn) override;
    void Stop(int id) override;
    // Fires every timer that falls due, in time order.
    void Advance(unsigned ms);
    bool Running(int id) const;
    size_t Count() const { return timers_.size(); }
    unsigned long long now = 0;

private:
    struct Entry {
        unsigned interval;
        unsigned long long due;
        std::function<void()> fn;
    };
    std::map<int, Entry> timers_;
    int next_ = 1;
};

// Formats from a script: each call takes the next result (none left: no
// dialog ran). A result of 0 or more wipes the disk in the drive and gives it the label.
class FakeDiskFormat : public DiskFormat {
public:
    explicit FakeDiskFormat(FakeFileSystem& files) : files_(files) {}
    struct Call {
        int drive;
        std::string label;
        bool confirmErase;
        void* parent;
    };
    int Format(int drive, const std::string& label, bool confirmErase, void* parentWindow) override {
        calls.push_back({drive, label, confirmErase, parentWindow});
        int result = kFormatNotRun;
        if (!results.empty()) {
            result = results.front();
            results.pop_front();
        }
        if (result >= 0) files_.WipeDisk(static_cast<char>('A' + drive), label);
        return result;
    }
    std::vector<Call> calls;
    std::deque<int> results;

private:
    FakeFileSystem& files_;
};

// Answers open-file dialogs from a script: each answer a path, or nothing
// for a cancelled dialog; with none left the dialog is cancelled.
class FakeFileDialogs : public FileDialogs {
public:
    bool OpenFile(const OpenFileRequest& request, std::string& path) override {
        requests.push_back(request);
        std::optional<std::string> answer;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
        if (answer) path = *answer;
        return answer.has_value();
    }
    std::deque<std::optional<std::string>> answers;
    std::vector<OpenFileRequest> requests;
};

struct FakePlatform {
    FakeRegistry registry;
    FakeFileSystem files;
    FakeProcess process{files};
    FakeHelp help;
    FakeDialogs dialogs;
    FakeApplication app;
    FakeTimers timers;
    FakeShellLinks shellLinks{files};
    FakeDynLib dynlib{files};
    FakeCodePages codePages;
    FakeDiskFormat diskFormat{files};
    FakeFileDialogs fileDialogs;
    Platform Get() {
        return Platform{registry, files, process, help, dialogs, app, timers, shellLinks, dynlib, codePages,
                        diskFormat, fileDialogs};
    }
};

}  // namespace zk::platform
