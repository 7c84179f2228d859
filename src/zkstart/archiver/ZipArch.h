// The archive component TZipArchiver: it collects its properties into a
// command for the zip library ZKZIP.DLL, serves the library's callbacks while
// the command runs, and reads an archive's central directory itself.
// Strings are UTF-8; names read from archives are decoded on the way in.
#pragma once
#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/error.h"
#include "platform/platform.h"
#include "zipformat/zipformat.h"
#include "zipundo/undo.h"
#include "zkzip/zipdll.h"

namespace zk {

// ---- enumerations; the ordinal is the bit number in a set ----

enum AddOptsEnum : uint8_t {
    AddDirNames, AddRecurseDirs, AddMove, AddFreshen, AddUpdate, AddZipTime, AddForceDOS, AddHiddenFiles,
    AddArchiveOnly, AddResetArchive, AddEncrypt, AddSeparateDirs, AddVolume, AddDiskSpan, AddDiskSpanErase,
};
enum AddStoreSuffixEnum : uint8_t {
    assGIF, assPNG, assZ, assZIP, assZOO, assARC, assLZH, assARJ, assTAZ, assTGZ, assLHA, assEXE,
};
enum ExtrOptsEnum : uint8_t { ExtrDirNames, ExtrOverWrite, ExtrFreshen, ExtrUpdate, ExtrTest };
enum SFXOptsEnum : uint8_t {
    SFXAskCmdLine, SFXAskFiles, SFXAutoRun, SFXHideOverWriteBox, SFXCheckSize, SFXNoSuccessMsg,
};
enum OvrOpts : uint8_t { OvrConfirm, OvrAlways, OvrNever };
enum CodePageOpts : uint8_t { cpAuto, cpNone, cpOEM };
enum DeleteOpts : uint8_t { htdFinal, htdAllowUndo };
enum ProgressType : uint8_t { ProgressFileStart, ProgressStep, ProgressEnd, ProgressCount, ProgressTotal };

// The suffixes of AddStoreSuffixEnum, in its order.
extern const char* const kStoreSuffixTexts[12];

// A set of an enumeration's members, one bit per ordinal.
template <typename E, unsigned Count>
class EnumSet {
public:
    constexpr EnumSet() = default;
    constexpr EnumSet(std::initializer_list<E> members) {
        for (E e : members) bits_ |= Bit(e);
    }
    static constexpr EnumSet FromBits(uint32_t bits) {
        EnumSet s;
        s.bits_ = bits & kAll;
        return s;
    }
    static constexpr EnumSet All() { return FromBits(kAll); }
    constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
    EnumSet& Include(E e) { return bits_ |= Bit(e), *this; }
    EnumSet& Exclude(E e) { return bits_ &= ~Bit(e), *this; }
    constexpr uint32_t Bits() const { return bits_; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr bool operator==(const EnumSet& o) const { return bits_ == o.bits_; }
    constexpr bool operator!=(const EnumSet& o) const { return bits_ != o.bits_; }

private:
    static constexpr uint32_t kAll = (uint32_t{1} << Count) - 1;
    static constexpr uint32_t Bit(E e) { return uint32_t{1} << static_cast<unsigned>(e); }
    uint32_t bits_ = 0;
};

using AddOpts = EnumSet<AddOptsEnum, 15>;  // 16 bits wide
using AddStoreExts = EnumSet<AddStoreSuffixEnum, 12>;
using ExtrOpts = EnumSet<ExtrOptsEnum, 5>;
using SFXOpts = EnumSet<SFXOptsEnum, 6>;

// Flags of OnStatusDisk.
using TZipDiskStatus = uint8_t;
enum : TZipDiskStatus {
    zdsEmpty = 1, zdsHasFiles = 2, zdsPreviousDisk = 4, zdsSameFileName = 8, zdsNotEnoughSpace = 16,
};
// The answer of OnStatusDisk: go on, go on after formatting, another disk, cancel.
enum TZipDiskAction : uint8_t { zdaOk, zdaErase, zdaReject, zdaCancel };

// An icon for the self-extractor, as the bytes of an .ico file.
struct TZipIcon {
    std::vector<uint8_t> data;
    bool Empty() const { return data.empty(); }
};

// One file of the archive's central directory.
struct ZipDirEntry {
    // The central header from the version made by to the local header offset.
    uint8_t MadeByVersion = 0;  // version of the format the writer followed
    uint8_t HostVersionNo = 0;  // the writer's system: 0 FAT, 3 Unix, 6 HPFS, 11 NTFS ...
    uint16_t Version = 0;       // needed to extract
    uint16_t Flag = 0;
    uint16_t ComprMethod = 0;
    uint32_t DateTime = 0;      // DOS time in the low word, date in the high word
    uint32_t CRC32 = 0;
    uint64_t ComprSize = 0;     // sizes and offset with their zip64 values
    uint64_t UncomprSize = 0;
    uint16_t FileNameLength = 0;
    uint16_t ExtraFieldLength = 0;
    uint16_t FileCommentLen = 0;
    uint16_t StartOnDisk = 0;
    uint16_t IntFileAttrib = 0;
    uint32_t ExtFileAttrib = 0;
    uint64_t RelOffLocalHdr = 0;

    std::string FileName;     // decoded, "/" turned into "\"
    std::string FileComment;  // decoded; empty when there is none
    bool Encrypted = false;   // bit 0 of Flag
    // The extra field and one zero byte after it; empty when there is none.
    std::vector<uint8_t> ExtraData;
};

// ---- messages ----

// "The message table is probably not linked to the executable\nMissing String ID is: "
extern const char* const kMissingMessage;

// The component's message texts by number, filled with the German texts
// (ZipMessages.cpp); a number without a text shows its fallback.
std::map<int, std::string>& ZipMessageTable();
const std::map<int, std::string>& ZipMessagesDE();
// The table's text for the number, else the fallback.
std::string MessageText(int number, const std::string& fallback);
// The table's text, else the general fallback followed by the number.
std::string MessageText(int number);
// The text with its first format (%d, %s, with flags, width or precision)
// replaced by the argument; "%%" stands for "%".
std::string FormatMessageArg(const std::string& text, long long arg);
std::string FormatMessageArg(const std::string& text, const std::string& arg);

// The component's exception: a numbered message, perhaps to be shown.
class EZipArchiver : public Error {
public:
    // Plain, shown or not as asked.
    static EZipArchiver CreateResDisp(int number, bool showToUser);
    // With a number or a text formatted into the message; always shown.
    static EZipArchiver CreateResInt(int number, long long arg);
    static EZipArchiver CreateResStr(int number, const std::string& arg);
    // Plain, with a fallback text of its own for an empty table.
    static EZipArchiver CreateResFallback(int number, const std::string& fallback, bool showToUser);

    bool ShowToUser;
    int MessageNumber;

private:
    EZipArchiver(const std::string& message, int number, bool show)
        : Error(message), ShowToUser(show), MessageNumber(number) {}
};

// The message numbers the component reports.
enum ZipMessage {
    zmException = 10101, zmNoZipFile = 10102, zmOutOfMemory = 10103, zmPasswordsDiffer = 10104,
    zmCopying = 10105,
    zmPasswordConfirmUnattended = 10150, zmPasswordUnattended = 10151, zmPwdOkCaption = 10152,
    zmPwdCancelCaption = 10153, zmPwdCaption = 10154, zmPwdPrompt = 10155, zmPwdConfirmPrompt = 10156,
    zmSeekDirectory = 10201, zmReadFailed = 10202, zmDirectoryDisplaced = 10203, zmBytesAfterEnd = 10204,
    zmNothingToAdd = 10301, zmEncryptUnattended = 10302, zmSpanWithUpdate = 10303, zmSfxStubFailed = 10304,
    zmSkippedTooDeep = 10305, zmSkippedSameName = 10306, zmArchiveBusy = 10307, zmUndoFailed = 10308,
    // The library's failures, in German (its own texts are for the log); %s takes the reason.
    zmLibCreate = 10310, zmLibWrite = 10311, zmLibTemp = 10312, zmLibRead = 10313, zmLibFormat = 10314,
    zmLibTooBig = 10315, zmLibNothing = 10316,
    // Why a file could not be used: 10320 plus the zipundo::Reason.
    zmReasonFirst = 10320,
    zmSpanToExe = 11041,
    zmLibraryLoaded = 10601, zmNoExecEntry = 10602, zmNoVersionEntry = 10603, zmLibraryNotLoaded = 10604,
    zmCannotOpen = 11001, zmCannotOpenReported = 11002, zmBadDriveRoot = 11003, zmDriveNotReady = 11004,
    zmSeekEnd = 11008, zmReadEnd = 11011, zmDirectoryShort = 11013, zmBadDirSignature = 11015,
    zmNameShort = 11017, zmCommentShort = 11022,
    zmNoEndRecord = 11036, zmNoEndFirstDisk1 = 11037, zmNoEndOnDisk = 11038, zmNoEndFirstDisk = 11045,
};

// A command record for the library with every text and array it points at;
// all of it is freed together. Zero-filled when made.
class ZipCommandBlock {
public:
    explicit ZipCommandBlock(bool oldLayout);
    bool OldLayout() const { return old_ != nullptr; }
    ZipCommand& New() { return *new_; }
    ZipCommandOld& Old() { return *old_; }
    // The record as ZkZipExec takes it.
    ZipCommand* Record() { return old_ ? reinterpret_cast<ZipCommand*>(old_.get()) : new_.get(); }
    // An owned NUL-terminated copy of the text.
    char* Copy(const std::string& text);
    std::vector<ZipFileSpec> specs;  // the new layout's file specifications
    std::vector<char*> excl;         // the exclusion list

private:
    std::unique_ptr<ZipCommand> new_;
    std::unique_ptr<ZipCommandOld> old_;
    std::vector<std::unique_ptr<char[]>> texts_;
};

// ---- the component ----

class TZipArchiver {
public:
    explicit TZipArchiver(platform::Platform& platform);
    ~TZipArchiver();
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

    // Passwords for the library: the entry, or "" when none was given.
    std::string AskPasswordConfirmed();
    std::string AskPassword();

    // The zip library, shared by all instances of the process.
    void LoadZipLibrary();
    static void UnloadZipLibrary();
    static platform::LibHandle ZipLibraryHandle();
    static ZkZipExecFn ZkZipExecEntry();
    static GetZkZipVersionFn GetZkZipVersionEntry();
    // The library's version; loads it for the call when it is not loaded. 0
    // when it cannot be loaded.
    int32_t GetZkZipVersion();
    // The library calls this for every step of a command; caller is the component.
    static int32_t ZK_STDCALL ZipCallback(ZipCallbackData* data);
    // An exception that an event handler raised inside a callback cancelled
    // the command; the code that ran the command raises it again here.
    void RethrowCallbackError();

    // Writes the properties into a command for a library of that version:
    // the archive name, flags, password, suffix list, callback; from 151 the
    // temporary folder; from 160 the archive comment, the archive-attribute
    // flags and the exclusion list. The file specifications, their count and
    // the end mark are the add operation's.
    void FillCommand(ZipCommandBlock& command, const std::string& workName, int32_t version);
    // ".gif:.png:..." from AddStoreSuffixes; "" for none.
    std::string StoredSuffixList() const;

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
    // Fills the new layout's file specification from one entry.
    void ParseFileSpec(ZipCommandBlock& command, const std::string& entry, ZipFileSpec& spec);

    // Seams for the parts of adding that live elsewhere.
    // The system's temporary folder (the platform's, from creation on);
    // unset: only TempDir is used.
    std::function<std::string()> systemTempFolder;
    // Copies a temporary archive onto removable disks; 0 on success. Unset:
    // spanning is not available and the copy fails.
    std::function<int32_t(const std::string& source, const std::string& nameOnDisks)> copyToDisks;
    // Writes the self-extractor stub to a new ".EXE" archive; 0 on success.
    // Unset: such a name is treated like any other.
    std::function<int32_t()> writeSfxStub;

    // ---- the self-extractor in front of a new ".EXE" archive (ZipSfx.cpp) ----
    // Writes ZKSFX.BIN, its settings header and an empty end record to
    // ZipFileName, replacing a file of that name. 0 on success; -1 the file
    // cannot be made, -2 writing failed, -3 the stub cannot be read, -9 the
    // settings, stub or icon are unusable. On failure no file is left.
    int32_t WriteSfxStub();
    // The flags byte of the settings header from SFXOptions and SFXOverWriteMode.
    uint8_t SfxFlags() const;
    // The settings header; false (with the would-be length) when a text does
    // not fit its length byte. The texts go in the Windows (ANSI) code page.
    bool MakeSfxHeader(std::vector<uint8_t>& header, size_t& length);
    // The first stub found in the search order, stored in SFXPath; "" when
    // there is none.
    std::string FindSfxStub();
    // Puts the 744 image bytes of SFXIcon over the stub's own icon in the
    // open copy: 0, -9 when the icon or the stub has another shape, -2 when
    // the file cannot be read or written.
    int32_t ReplaceSfxIcon(platform::File& file);
    // The hourglass while the stub is written (true), the normal cursor after.
    std::function<void(bool busy)> busyCursor;

    // Asking for disk number n (0-based) of a spanned set while reading: the
    // part opened for reading. The disk handling fills this in; without it
    // the part cannot be opened (EZipArchiver 11001).
    std::function<std::unique_ptr<platform::File>(int diskNo)> diskForReading;

    // ---- spanning an archive over several disks ----
    // Copies the temporary archive `source` onto disks in the drive of
    // `target`, each part named like target (numbered on fixed drives);
    // 0 on success, -7 after a reported EZipArchiver, -8 out of memory, -9
    // any other failure. The parts written so far stay.
    int32_t WriteSpannedArchive(const std::string& source, const std::string& target);
    // Asks for disk diskNo (0-based) of the set of ZipFileName until the
    // right one is in the drive; its part, opened for reading.
    std::unique_ptr<platform::File> SelectDiskForReading(int diskNo);
    // The name of a part on a fixed or network drive: "C:\X\ARC.ZIP" and
    // disk 1 (1-based) give "C:\X\ARC001.ZIP".
    static std::string NumberedPartName(const std::string& target, int diskNo1);
    // Reading: the last three characters before the extension give way to the number.
    static std::string ReadingPartName(const std::string& name, int diskNo1);
    // The highest number a disk label holds.
    static constexpr int kMaxDisks = 999;

private:
    struct SpanCopyRecord {
        uint16_t disk = 0;
        uint64_t offset = 0;
        std::string name;
        bool used = false;  // matched by a central header
    };
    struct SpanState {
        std::string root;       // "A:"
        std::string source, target, partName;
        int disk = 0;           // current disk, 0-based
        int estimate = 0;       // estimated disks - 1
        int64_t free = 0;       // what the open part may still take
        int64_t written = 0;    // bytes on the open part
        int64_t sourceSize = 0;
        platform::FileTime sourceDate = 0;
        bool newDisk = true;    // a fresh disk must be asked for
        bool progress = false;  // steps of the split writer go to OnProgress
        bool writing = false;   // a copy runs (else the directory reader asks)
        TZipDiskAction statusAction = zdaOk;
        std::unique_ptr<platform::File> out;  // the open part
        std::unique_ptr<platform::File> in;   // the source
    };
    // The split writer: a minimum piece above 0 keeps that many first bytes on one disk.
    void SpanWrite(const void* buffer, size_t length, int64_t minPiece);
    void SpanEnsureRoom(int64_t minPiece);
    void SpanOpenPart();
    bool SpanClosePart();  // false when the part's last bytes did not get out
    void SpanNextDisk();
    // Asks for the disk span_.disk names until it is in the drive.
    platform::DriveType SpanRequestDisk();
    // count bytes of the source through the split writer, in 8192-byte pieces.
    void SpanCopy(int64_t count, int errorNumber);
    void SpanRead(void* buffer, size_t count, int errorNumber);
    int FormatDisk(const std::string& label);
    bool SpanDriveCheck();
    SpanState span_;

public:

    // What the directory read found out.
    bool Spanned() const { return spanned_; }
    bool Displaced() const { return displaced_; }
    int64_t DirectoryPosition() const { return dirPos_; }
    int64_t EndRecordPosition() const { return endRecordPos_; }
    int64_t ArchiveFileSize() const { return fileSize_; }
    int LastDisk() const { return lastDisk_; }
    const std::string& VolumeLabel() const { return volumeLabel_; }
    uint32_t VolumeSerial() const { return volumeSerial_; }
    uint64_t DiskFreeBytes() const { return diskFree_; }
    uint64_t DiskSizeBytes() const { return diskSize_; }

    // The end record, with the values of its zip64 record when it has one.
    struct EndRecord : zipformat::EndRecord {
        int64_t directoryEnd = 0;  // where the directory ends: the zip64 record, else the end record
    };
    // Finds the end record of the file: true when found. Sets ArchiveComment
    // and leaves the file open for the directory read. Raises EZipArchiver
    // when asked to, else reports and answers false.
    bool LocateEndRecord(const std::string& fileName, bool raise, EndRecord& record);
    // Whether the drive of a root ("C:\" or "\\server\share\") can be read;
    // fills the volume label, serial, free space and size.
    bool CheckDrive(const std::string& root);
    // A name or comment from the archive as UTF-8.
    // For names, the extra field may hold the name's Unicode form.
    std::string ConvertName(const std::string& raw, uint8_t specVersion, uint8_t host, uint16_t flags,
                            const uint8_t* extra = nullptr, size_t extraLength = 0);

private:
    // The add itself; AddFiles judges its outcome.
    void RunAdd();
    void ShowMessage(const std::string& text);
    // The library reported a failure: the user reads it in German, with its reason.
    void ShowLibraryFailure(int32_t errorCode);
    void EventMessage(int32_t errCode, const std::string& message);
    int32_t Callback(ZipCallbackData& data);
    void PasswordRequest(ZipCallbackData& data, const std::string& text);
    std::string RunPasswordDialog(int promptNumber);
    void OpenDiskForReading(int disk);
    void ReadEntries(const EndRecord& record);

    std::string zipFileName_;
    std::string password_;
    std::string dllDirectory_;
    std::string versionInfo_ = "1.60 L";
    uint32_t passwordReqCount_ = 1;
    std::string rootDir_;
    std::exception_ptr callbackError_;

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
    std::string volumeLabel_;
    uint32_t volumeSerial_ = 0;
    uint64_t diskFree_ = 0;
    uint64_t diskSize_ = 0;
};

// The signature of Kernel32's GetDiskFreeSpaceExA, looked up at run time.
using DiskFreeSpaceExFn = int32_t(ZK_STDCALL*)(const char* root, uint64_t* freeToCaller, uint64_t* total,
                                               uint64_t* totalFree);

// The root of a path's drive: "C:\" or "\\server\share\"; relative paths
// are taken against the current folder.
std::string DriveRootOf(const std::string& path, const std::string& currentDir);

// The first count characters of UTF-8 text, and the longest start of it
// that fits into limit bytes without splitting a character.
std::string Utf8Left(const std::string& text, size_t count);
std::string Utf8Fit(const std::string& text, size_t limit);

}  // namespace zk
