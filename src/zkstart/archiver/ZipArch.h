// The archive component TZipArchiver: the face with the properties, events
// and methods its callers use. The jobs behind it are objects it owns, each
// in a file of its own: the library command (ZipLibrary), the drive and its
// disks (ZipDisks), the directory reader (ZipDirReader), the span writer
// (ZipSpanWriter) and the self-extractor writer (ZipSfxWriter).
// Strings are UTF-8; names read from archives are decoded on the way in.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archiver/ZipDirReader.h"
#include "archiver/ZipDisks.h"
#include "archiver/ZipLibrary.h"
#include "archiver/ZipMessages.h"
#include "archiver/ZipSfx.h"
#include "archiver/ZipSpan.h"
#include "archiver/ZipTypes.h"
#include "platform/platform.h"

namespace zk {

class TZipArchiver {
public:
    explicit TZipArchiver(platform::Platform& platform);
    TZipArchiver(const TZipArchiver&) = delete;
    TZipArchiver& operator=(const TZipArchiver&) = delete;

    platform::Platform& platform;
    bool designing = false;  // in the form designer: setting the archive reads nothing

    // Published properties without setter rules.
    bool Verbose = false;
    bool Trace = false;
    int32_t AddCompLevel = 9;
    AddOpts AddOptions;
    std::string ExtrBaseDir;  // stored only
    ExtrOpts ExtrOptions;     // stored only
    SFXOpts SFXOptions{SFXCheckSize};
    std::vector<std::string> FSpecArgs;      // emptied by every add
    std::vector<std::string> FSpecArgsExcl;  // emptied by every add
    bool Unattended = false;
    std::string SFXPath = "ZkSFX.bin";
    OvrOpts SFXOverWriteMode = OvrConfirm;
    std::string SFXCaption = "Self-extracting Archive";
    std::string SFXDefaultDir, SFXCommandLine, SFXMessage;
    std::string TempDir;
    int32_t KeepFreeOnDisk1 = 0;
    int32_t MaxVolumeSize = 0;
    int32_t MinFreeVolumeSize = 65536;
    bool ConfirmErase = true;
    CodePageOpts CodePage = cpAuto;
    DeleteOpts HowToDelete = htdAllowUndo;
    TZipIcon SFXIcon;
    AddStoreExts AddStoreSuffixes = AddStoreExts::All().Exclude(assEXE);
    bool UseDirOnlyEntries = false;

    // Published properties with setter rules.
    const std::string& ZipFileName() const { return zipFileName_; }
    // Reads the archive's directory at once, unless designing.
    void SetZipFileName(const std::string& name);
    const std::string& Password() const { return password_; }
    void SetPassword(const std::string& password);  // at most 255 characters kept
    const std::string& DLLDirectory() const { return dllDirectory_; }
    void SetDLLDirectory(const std::string& dir);   // one trailing "\" dropped
    const std::string& VersionInfo() const { return versionInfo_; }
    void SetVersionInfo(const std::string&) {}      // fixed
    uint32_t PasswordReqCount() const { return passwordReqCount_; }
    void SetPasswordReqCount(uint32_t count);       // at most 15
    const std::string& RootDir() const { return rootDir_; }
    void SetRootDir(const std::string& dir);        // kept with a trailing "\"

    // Run-time values.
    void* OwnerWindow = nullptr;  // the application's main window, taken at creation
    std::vector<ZipDirEntry> Contents;
    int32_t SuccessCount = 0;
    int32_t ErrorCode = 0;
    int32_t FullErrorCode = 0;
    std::string LastMessage;
    bool Cancel = false;
    bool Busy = false;
    std::string ArchiveComment;
    int32_t TotalToProcess = 0;
    int32_t DirOnlyCount = 0;
    int64_t DataOffset = 0;
    std::vector<uint8_t> ZipStream;  // the extract side's memory stream; unused

    // Events; each is called only when assigned.
    std::function<void(TZipArchiver& Sender)> OnDirUpdate;
    std::function<void(TZipArchiver& Sender, ProgressType ProgrType, const std::string& Filename, int32_t FileSize)>
        OnProgress;
    std::function<void(TZipArchiver& Sender, int32_t ErrCode, const std::string& Message)> OnMessage;
    std::function<void(TZipArchiver& Sender, std::string& OldFileName, bool& IsChanged)> OnSetNewName;
    std::function<void(TZipArchiver& Sender, int32_t SeqNo, const ZipDirEntry& ZipEntry)> OnNewName;
    std::function<void(TZipArchiver& Sender, const std::string& ForFile, uint32_t FoundCRC, uint32_t ExpectedCRC,
                       bool& DoExtract)>
        OnCRC32Error;
    std::function<void(TZipArchiver& Sender, std::string& NewPassword, const std::string& ForFile,
                       uint32_t& RepeatCount)>
        OnPasswordError;
    std::function<void(TZipArchiver& Sender, const std::string& ForFile, bool IsOlder, bool& DoOverwrite)>
        OnExtractOverwrite;
    std::function<void(TZipArchiver& Sender, const std::string& ForFile, uint8_t SkipType, int32_t ExtError)>
        OnExtractSkipped;
    std::function<void(TZipArchiver& Sender, const std::string& ForFile, bool& DoOverwrite)> OnCopyZipOverwrite;
    std::function<void(TZipArchiver& Sender, int32_t DiskSeqNo, int32_t DiskTotal, const std::string& Drive,
                       bool& AbortAction)>
        OnGetNextDisk;
    std::function<void(TZipArchiver& Sender, int32_t PreviousDisk, const std::string& PreviousFile,
                       TZipDiskStatus Status, TZipDiskAction& Action)>
        OnStatusDisk;
    std::function<void(TZipArchiver& Sender, const std::string& ForFile, std::string& FileComment, bool& IsChanged)>
        OnFileComment;

    // Messages.
    void ReportMessage(int number, const std::string& extra = "");
    // The message with the reason a file could not be used in its place.
    void ReportReason(int number, zipundo::Reason why);
    // Reports an EZipArchiver that was caught.
    void ReportException(const EZipArchiver& e);
    // A plain box: the application's title, no icon, one OK button.
    void ShowMessage(const std::string& text);
    // A box of the component with the title, icon and buttons given.
    int Box(const std::string& title, const std::string& text, platform::DlgType type,
            const std::vector<platform::DlgButton>& buttons, int defaultIndex, int cancelIndex);
    // The events OnMessage and OnProgress (the size cut to what it takes), when assigned.
    void EventMessage(int32_t errCode, const std::string& message);
    void Progress(ProgressType type, const std::string& name, int64_t size);

    // Passwords for the library: the entry, or "" when none was given.
    std::string AskPasswordConfirmed();
    std::string AskPassword();

    // The archive's directory (run by SetZipFileName).
    void ReadDirectory();
    // Adds every entry of FSpecArgs to ZipFileName; the outcome is in
    // SuccessCount, ErrorCode and LastMessage. An entry may start with ">"
    // (recurse) or "|" (do not), and end in "<password" or "<" (no
    // encryption for it). True when the library added files and nothing
    // went wrong on the way, the directory read back after it included.
    bool AddFiles();
    // A unique file name in TempDir (or the system's temporary folder) with
    // the extension; "" when none can be made.
    std::string MakeTempName(const std::string& prefix, const std::string& extension);

    // The hourglass while the self-extractor is written (true), the normal cursor after.
    std::function<void(bool busy)> busyCursor;

    // The jobs, owned for the component's lifetime.
    ZipLibrary library{*this};
    ZipDisks disks{*this};
    ZipDirReader directory{*this};
    ZipSpanWriter span{*this};
    ZipSfxWriter sfx{*this};

private:
    // The add itself; AddFiles judges its outcome.
    void RunAdd();
    std::string RunPasswordDialog(int promptNumber);

    std::string zipFileName_;
    std::string password_;
    std::string dllDirectory_;
    std::string versionInfo_ = "1.60 L";
    uint32_t passwordReqCount_ = 1;
    std::string rootDir_;
};

}  // namespace zk
