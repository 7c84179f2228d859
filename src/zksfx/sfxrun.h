// What the self-extractor does when started: read its settings, ask what
// they allow to ask, unpack, run the command line, report. Portable: the
// windows, the files and the process start are behind the interfaces
// below, implemented for Win32 in main_win32.cpp and by fakes in the tests.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "zksfx/sfxformat.h"

namespace zksfx {

// A file being written; destroyed without Close it is removed.
class OutFile {
public:
    virtual ~OutFile() = default;
    virtual bool Write(const void* data, size_t n) = 0;
    virtual bool Close() = 0;
    virtual void Discard() = 0;  // close and remove
};

// The target folder's file system. Paths are UTF-8 with "\" between parts.
class Target {
public:
    enum class Kind { None, File, Folder };
    virtual ~Target() = default;
    virtual Kind Exists(const std::string& path) = 0;
    virtual bool MakeFolder(const std::string& path) = 0;  // the last part only
    // Creates or replaces the file (also a write-protected one).
    virtual std::unique_ptr<OutFile> Create(const std::string& path) = 0;
    // Bytes free for the caller on the drive of `path` (which may not exist
    // yet); -1 when unknown.
    virtual int64_t FreeSpace(const std::string& path) = 0;
    // Time stamp (DOS format, local time) and attributes (DOS bits) of a
    // finished file or folder.
    virtual void Finish(const std::string& path, uint32_t dosTime, uint32_t dosAttributes) = 0;
    // The reason of the last failure, for the messages.
    virtual std::string LastError() = 0;
};

// Starts the command line in the given folder.
class Launcher {
public:
    virtual ~Launcher() = default;
    virtual bool Start(const std::string& commandLine, const std::string& folder, std::string& error) = 0;
};

enum class OverwriteAnswer { Yes, YesToAll, No, NoToAll, Cancel };

// The questions and reports; `caption` is the settings' caption.
class Ui {
public:
    virtual ~Ui() = default;
    // SFXMessage: true to go on (OK), false to end (Cancel).
    virtual bool ShowMessage(const std::string& caption, const std::string& text) = 0;
    // The folder (and the overwrite mode when `offerMode`); false: cancelled.
    virtual bool AskOptions(const std::string& caption, std::string& folder, Overwrite& mode, bool offerMode,
                            size_t files, uint64_t bytes) = 0;
    virtual OverwriteAnswer AskOverwrite(const std::string& caption, const std::string& path) = 0;
    // May change the command line; false: do not run it.
    virtual bool AskCommandLine(const std::string& caption, std::string& commandLine) = 0;
    virtual void Error(const std::string& caption, const std::string& text) = 0;
    virtual void Success(const std::string& caption, const std::string& text) = 0;
    // Before and during the unpacking; false asks to stop.
    virtual void Begin(const std::string& caption, uint64_t totalBytes) { (void)caption, (void)totalBytes; }
    virtual bool Progress(const std::string& name, uint64_t doneBytes) { return (void)name, (void)doneBytes, true; }
    virtual void End() {}
};

// Answers every question with its default without showing anything and
// writes one line per question and the outcome through `log`.
class UnattendedUi : public Ui {
public:
    explicit UnattendedUi(std::function<void(const std::string&)> log) : log_(std::move(log)) {}
    bool ShowMessage(const std::string& caption, const std::string& text) override;
    bool AskOptions(const std::string& caption, std::string& folder, Overwrite& mode, bool offerMode, size_t files,
                    uint64_t bytes) override;
    OverwriteAnswer AskOverwrite(const std::string& caption, const std::string& path) override;
    bool AskCommandLine(const std::string& caption, std::string& commandLine) override;
    void Error(const std::string& caption, const std::string& text) override;
    void Success(const std::string& caption, const std::string& text) override;

private:
    std::function<void(const std::string&)> log_;
};

enum class Result { Ok = 0, Cancelled = 1, Failed = 2 };

// Unpacks one entry's data into `out`, checking its CRC. `progress` gets
// the bytes written so far and may stop the work by answering false.
enum class UnpackStatus { Ok, Unsupported, Encrypted, DataError, CrcError, ReadError, WriteError, Cancelled };
UnpackStatus Unpack(Source& src, uint64_t dataPos, const Entry& e, OutFile& out,
                    const std::function<bool(uint64_t)>& progress);

struct RunOptions {
    std::string exeFolder;  // the folder of the running .EXE, without trailing "\"
    std::string fallbackCaption = "Selbstentpackendes Archiv";
};

// The whole run over the program's own file.
Result Run(Source& self, const RunOptions& options, Target& target, Ui& ui, Launcher& launcher);

// Helpers the run is made of, open for the tests.
std::string JoinPath(const std::string& folder, const std::string& rel);
// SFXDefaultDir made absolute: relative ones below the .EXE's folder,
// nothing at all means that folder.
std::string ResolveFolder(const std::string& dir, const std::string& exeFolder);
// "><" in the command line stands for the folder unpacked into.
std::string ExpandCommandLine(const std::string& commandLine, const std::string& folder);
std::string GroupedNumber(uint64_t n);  // 1234567 -> 1.234.567

}  // namespace zksfx
