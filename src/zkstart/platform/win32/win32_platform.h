// The platform services over the real Win32 API.
#pragma once
#include <map>
#include <vector>

#include "platform/platform.h"

namespace zk::win32 {

class Registry : public platform::Registry {
public:
    bool CreateKey(const std::string& key) override;
    bool KeyExists(const std::string& key) override;
    platform::StringRead ReadString(const std::string& key, const std::string& name) override;
    bool WriteString(const std::string& key, const std::string& name, const std::string& value) override;
    platform::StringRead ReadMachineString(const std::string& key, const std::string& name) override;
};

class FileSystem : public platform::FileSystem {
public:
    std::string ModulePath() override;
    std::string CurrentDir() override;
    bool SetCurrentDir(const std::string& dir) override;
    bool FindFirst(const std::string& path, uint32_t attrMask, platform::FoundEntry& found) override;
    bool FileExists(const std::string& path) override;
    int LastError() override { return lastError_; }
    std::unique_ptr<platform::File> Open(const std::string& path, platform::OpenMode mode) override;
    std::unique_ptr<platform::DirReader> OpenDir(const std::string& folder) override;
    bool DirExists(const std::string& path) override;
    bool CreateDir(const std::string& path) override;
    bool RemoveDir(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    bool RenameFile(const std::string& from, const std::string& to) override;
    bool GetFileStamp(const std::string& path, platform::FileTime& time) override;
    bool SetFileStamp(const std::string& path, platform::FileTime time) override;
    std::optional<uint32_t> Attributes(const std::string& path) override;
    bool SetAttributes(const std::string& path, uint32_t attr) override;
    std::string FullPathName(const std::string& path) override;
    std::string ShortPathName(const std::string& path) override;
    std::string TempFileName(const std::string& folder, const std::string& prefix) override;
    platform::DriveType DriveKind(char letter) override;
    std::optional<uint64_t> DiskFree(char letter) override;
    std::optional<uint64_t> DiskSize(char letter) override;
    std::optional<platform::DiskSpace> RootSpace(const std::string& root) override;
    bool VolumeInfo(char letter, std::string& label, uint32_t& serial) override;
    bool SetDriveLabel(char letter, const std::string& label) override;
    std::string Drives() override;
    unsigned SetCriticalErrorMode(unsigned mode) override;
    std::string SystemFolder() override;
    std::string WindowsFolder() override;
    std::vector<std::string> ProgramFilesFolders() override;
    bool RecycleFile(const std::string& path) override;
    std::string TempFolder() override;

private:
    // Keeps the system's error number for LastError; false for chaining.
    bool Failed();
    int lastError_ = 0;
};

class Process : public platform::Process {
public:
    unsigned WinExec(const std::string& commandLine, int showMode) override;
};

class Help : public platform::Help {
public:
    bool Call(const std::string& helpFile, platform::HelpCommand command, const std::string& data) override;
};

class Application : public platform::ApplicationState {
public:
    void PostQuit() override;
    void ShowError(const std::string& message) override;
    void ProcessMessages() override;
    void DiscardInput() override;
};

class Timers : public platform::Timers {
public:
    int Start(unsigned intervalMs, std::function<void()> fn) override;
    void Stop(int id) override;
};

class DynLib : public platform::DynLib {
public:
    platform::LibHandle Load(const std::string& name) override;
    void* Symbol(platform::LibHandle lib, const std::string& name) override;
    bool Free(platform::LibHandle lib) override;
};

// SHFormatDrive on a thread of its own, its dialog steered by a message hook.
class DiskFormat : public platform::DiskFormat {
public:
    int Format(int drive, const std::string& label, bool confirmErase, void* parentWindow) override;
    // SHFormatDrive's shape; unset, the shell's own is looked up. Tests put
    // a stand-in dialog here.
    using FormatFn = unsigned long(__stdcall*)(void* parent, unsigned drive, unsigned capacity, unsigned options);
    FormatFn formatFunction = nullptr;
};

// GetOpenFileNameW, owned by the active window.
class FileDialogs : public platform::FileDialogs {
public:
    bool OpenFile(const platform::OpenFileRequest& request, std::string& path) override;
};

class CodePages : public platform::CodePages {
public:
    unsigned OemCodePage() override;
    unsigned AnsiCodePage() override;
    std::string ToUtf8(const std::string& bytes, unsigned codePage) override;
    std::string FromUtf8(const std::string& text, unsigned codePage) override;
};

}  // namespace zk::win32
