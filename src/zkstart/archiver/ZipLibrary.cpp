#include "archiver/ZipLibrary.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "archiver/ZipArch.h"

namespace zk {

namespace {

// The library, one for the whole process.
struct LoadedLibrary {
    platform::DynLib* dynlib = nullptr;
    platform::LibHandle handle = 0;
    ZkZipExecFn exec = nullptr;
    GetZkZipVersionFn version = nullptr;
};

LoadedLibrary& Library() {
    static LoadedLibrary lib;
    return lib;
}

// The components alive now: a callback whose caller is none of them is refused.
std::vector<ZipLibrary*>& Instances() {
    static std::vector<ZipLibrary*> list;
    return list;
}

constexpr unsigned kNoErrorBoxes = 3;  // no critical-error and no fault boxes

// The callback's text: up to its NUL, trailing blanks and control characters
// dropped, "/" as "\".
std::string CallbackText(const ZipCallbackData& data) {
    std::string text(data.text, strnlen(data.text, sizeof data.text));
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
    std::replace(text.begin(), text.end(), '/', '\\');
    return text;
}

// Hands text back to the library, cut to what the buffer holds with its NUL.
void PutCallbackText(ZipCallbackData& data, const std::string& text) {
    std::string fit = Utf8Fit(text, sizeof data.text - 1);
    std::memset(data.text, 0, sizeof data.text);
    std::memcpy(data.text, fit.data(), fit.size());
}

int32_t Flag(bool on) { return on ? -1 : 0; }

// The fields both layouts share, from 0x00 to 0x7C.
template <typename Record>
void FillHead(Record& c, ZipCommandBlock& block, TZipArchiver& zip, const std::string& suffixes,
              const std::string& workName) {
    const AddOpts& o = zip.AddOptions;
    c.version = ZK_INTERFACE_VERSION;
    c.caller = &zip;
    c.callback = &ZipLibrary::ZipCallback;
    c.reserved28 = 0;
    c.reserved30 = 0;
    c.reserved38 = -1;
    c.reserved44 = 0;
    c.reserved50 = -1;
    c.reserved5C = 0;
    c.reserved68 = 0;
    c.storeSuffixes = suffixes.empty() ? nullptr : block.Copy(suffixes);
    c.handle = zip.Unattended ? nullptr : zip.OwnerWindow;
    c.trace = Flag(zip.Trace);
    c.verbose = Flag(zip.Verbose || zip.Trace);
    c.encrypt = Flag(o.Contains(AddEncrypt));
    c.hiddenFiles = Flag(o.Contains(AddHiddenFiles));
    c.volume = Flag(o.Contains(AddVolume));
    c.noDirEntries = Flag(!o.Contains(AddSeparateDirs));
    c.dropDirNames = Flag(!o.Contains(AddDirNames));
    c.recurse = o.Contains(AddRecurseDirs) ? 0xFFFF : 0;
    c.forceDOS = Flag(o.Contains(AddForceDOS));
    c.move = Flag(o.Contains(AddMove));
    c.update = Flag(o.Contains(AddUpdate));
    // Update already brings the newer files in; freshen would narrow it.
    c.freshen = Flag(o.Contains(AddFreshen) && !o.Contains(AddUpdate));
    c.keepArchiveTime = Flag(o.Contains(AddZipTime));
    c.level = zip.AddCompLevel;
    c.archiveName = block.Copy(workName);
    c.password = zip.Password().empty() ? nullptr : block.Copy(Utf8Left(zip.Password(), 81));
}

}  // namespace

ZipCommandBlock::ZipCommandBlock(bool oldLayout) {
    // Value-initialised: every byte of the records is zero.
    if (oldLayout)
        old_.reset(new ZipCommandOld());
    else
        new_.reset(new ZipCommand());
}

char* ZipCommandBlock::Copy(const std::string& text) {
    texts_.push_back(std::make_unique<char[]>(text.size() + 1));
    std::memcpy(texts_.back().get(), text.c_str(), text.size() + 1);
    return texts_.back().get();
}

ZipLibrary::ZipLibrary(TZipArchiver& zip) : zip_(zip) { Instances().push_back(this); }

ZipLibrary::~ZipLibrary() {
    auto& list = Instances();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

// ---- loading ----

void ZipLibrary::LoadZipLibrary() {
    LoadedLibrary& lib = Library();
    if (lib.handle) return;
    platform::Platform& p = zip_.platform;
    const std::string& folder = zip_.DLLDirectory();
    std::string path;
    if (!folder.empty() && p.files.FileExists(folder + "\\ZKZIP.DLL")) path = folder + "\\ZKZIP.DLL";
    if (path.empty()) path = "ZKZIP.DLL";
    platform::LibHandle handle = 0;
    p.files.SetCriticalErrorMode(kNoErrorBoxes);
    try {
        handle = p.dynlib.Load(path);
    } catch (...) {
        // A library whose start-up fails counts as missing.
        handle = 0;
    }
    p.files.SetCriticalErrorMode(0);
    if (handle <= 32) {
        lib.handle = 0;
        zip_.ReportMessage(zmLibraryNotLoaded);
        return;
    }
    lib.dynlib = &p.dynlib;
    lib.handle = handle;
    if (zip_.Trace) zip_.ReportMessage(zmLibraryLoaded);
    lib.exec = platform::SymbolAs<ZkZipExecFn>(p.dynlib, handle, "ZkZipExec");
    lib.version = platform::SymbolAs<GetZkZipVersionFn>(p.dynlib, handle, "GetZkZipVersion");
    if (!lib.exec) zip_.ReportMessage(zmNoExecEntry);
    if (!lib.version) zip_.ReportMessage(zmNoVersionEntry);
}

void ZipLibrary::UnloadZipLibrary() {
    LoadedLibrary& lib = Library();
    if (lib.handle && lib.dynlib) lib.dynlib->Free(lib.handle);
    lib.handle = 0;
    lib.exec = nullptr;
    lib.version = nullptr;
}

platform::LibHandle ZipLibrary::ZipLibraryHandle() { return Library().handle; }
ZkZipExecFn ZipLibrary::ZkZipExecEntry() { return Library().exec; }
GetZkZipVersionFn ZipLibrary::GetZkZipVersionEntry() { return Library().version; }

int32_t ZipLibrary::GetZkZipVersion() {
    bool loadedHere = false;
    if (!Library().handle) {
        LoadZipLibrary();
        loadedHere = true;
    }
    int32_t version = 0;
    // A library without the entry point has no version to tell.
    if (Library().handle && Library().version) version = Library().version();
    if (loadedHere) UnloadZipLibrary();
    return version;
}

// ---- the command ----

std::string ZipLibrary::StoredSuffixList() const {
    std::string list;
    for (unsigned i = 0; i < 12; ++i)
        if (zip_.AddStoreSuffixes.Contains(static_cast<AddStoreSuffixEnum>(i)))
            list += std::string(".") + kStoreSuffixTexts[i] + ":";
    if (!list.empty()) list.pop_back();
    return list;
}

void ZipLibrary::FillCommand(ZipCommandBlock& command, const std::string& workName, int32_t version) {
    if (command.OldLayout()) {
        FillHead(command.Old(), command, zip_, StoredSuffixList(), workName);
        return;
    }
    ZipCommand& c = command.New();
    if (version >= 160) {
        c.comment = zip_.ArchiveComment.empty() ? nullptr : command.Copy(zip_.ArchiveComment);
        c.archiveOnly = zip_.AddOptions.Contains(AddArchiveOnly) ? 1 : 0;
        c.resetArchive = zip_.AddOptions.Contains(AddResetArchive) ? 1 : 0;
        if (!zip_.FSpecArgsExcl.empty()) {
            command.excl.clear();
            for (const std::string& pattern : zip_.FSpecArgsExcl) command.excl.push_back(command.Copy(pattern));
            c.exclCount = static_cast<int32_t>(command.excl.size());
            c.excl = command.excl.data();
        }
    }
    if (version >= ZK_NEW_LAYOUT_VERSION && !zip_.TempDir.empty()) c.tempDir = command.Copy(zip_.TempDir);
    FillHead(c, command, zip_, StoredSuffixList(), workName);
}

void ZipLibrary::ParseFileSpec(ZipCommandBlock& command, const std::string& entry, ZipFileSpec& spec) {
    const ZipCommand& c = command.New();
    size_t first = 0;
    size_t last = entry.size();  // one past the end
    spec.recurse = c.recurse;
    if (!entry.empty() && entry[0] == '>') {
        spec.recurse = 0xFFFF;
        first = 1;
    } else if (!entry.empty() && entry[0] == '|') {
        spec.recurse = 0;
        first = 1;
    }
    spec.encrypt = c.encrypt;
    spec.password = c.password ? command.Copy(c.password) : nullptr;
    size_t lt = entry.find('<');
    if (lt != std::string::npos) {
        spec.encrypt = 0x0000FFFF;
        spec.password = nullptr;
        if (lt + 1 < entry.size())
            spec.password = command.Copy(entry.substr(lt + 1));
        else
            spec.encrypt = 0;
        last = lt;
    }
    const std::string& root = zip_.RootDir();
    spec.rootDir = root.empty() ? nullptr : command.Copy(root);
    // "<" right after ">" leaves an empty name; the library then finds nothing.
    spec.fileSpec = command.Copy(last > first ? entry.substr(first, last - first) : std::string());
}

std::unique_ptr<ZipCommandBlock> ZipLibrary::MakeCommand(const std::string& workName, int32_t version) {
    const std::vector<std::string>& args = zip_.FSpecArgs;
    if (version < ZK_NEW_LAYOUT_VERSION) {
        // The old record has a fixed number of slots.
        if (args.size() > static_cast<size_t>(ZK_OLD_SPEC_SLOTS)) throw std::length_error("too many file specifications");
        auto command = std::make_unique<ZipCommandBlock>(true);
        FillCommand(*command, workName, version);
        ZipCommandOld& c = command->Old();
        for (size_t i = 0; i < args.size(); ++i) c.fileSpecs[i] = command->Copy(args[i]);
        c.endMark = ZK_END_MARK;
        c.argCount = static_cast<int32_t>(args.size());
        return command;
    }
    auto command = std::make_unique<ZipCommandBlock>(false);
    FillCommand(*command, workName, version);
    ZipCommand& c = command->New();
    command->specs.assign(args.size(), ZipFileSpec{});
    c.fileSpecs = command->specs.data();
    for (size_t i = 0; i < args.size(); ++i) ParseFileSpec(*command, args[i], command->specs[i]);
    c.endMark = ZK_END_MARK;
    c.argCount = static_cast<int32_t>(args.size());
    return command;
}

int32_t ZipLibrary::Exec(ZipCommandBlock& command) {
    ZkZipExecFn exec = ZkZipExecEntry();
    if (!exec) throw std::runtime_error("ZkZipExec");
    const int32_t count = exec(command.Record());
    RethrowCallbackError();
    return count;
}

// ---- callbacks ----

int32_t ZK_STDCALL ZipLibrary::ZipCallback(ZipCallbackData* data) {
    if (!data) return -1;
    auto& list = Instances();
    // Only a caller we gave out is trusted; anything else stops the command.
    auto it = std::find_if(list.begin(), list.end(), [data](ZipLibrary* l) { return &l->zip_ == data->caller; });
    if (it == list.end()) return -1;
    ZipLibrary& lib = **it;
    try {
        return lib.Callback(*data);
    } catch (...) {
        // Nothing may unwind through the library's frames: the command is
        // cancelled and the error raised again once it has returned.
        if (!lib.callbackError_) lib.callbackError_ = std::current_exception();
        return -1;
    }
}

void ZipLibrary::RethrowCallbackError() {
    if (!callbackError_) return;
    std::exception_ptr e = callbackError_;
    callbackError_ = nullptr;
    std::rethrow_exception(e);
}

int32_t ZipLibrary::Callback(ZipCallbackData& data) {
    TZipArchiver& z = zip_;
    const std::string text = CallbackText(data);
    switch (data.actionCode) {
        case ZK_CB_FILE_START: z.Progress(ProgressFileStart, text, data.value); break;
        case ZK_CB_STEP: z.Progress(ProgressStep, "", data.value); break;
        case ZK_CB_FILE_END: z.Progress(ProgressEnd, "", 0); break;
        case ZK_CB_MESSAGE: Message(data, text); break;
        case ZK_CB_COUNT: z.Progress(ProgressCount, "", data.value); break;
        case ZK_CB_TOTAL:
            z.TotalToProcess = data.value;
            z.Progress(ProgressTotal, "", data.value);
            break;
        case ZK_CB_NEW_NAME:
            if (z.OnSetNewName) {
                std::string name = text;
                bool changed = false;
                z.OnSetNewName(z, name, changed);
                if (changed) PutCallbackText(data, name);
                data.errorCode = changed ? 1 : 0;
            }
            break;
        case ZK_CB_PASSWORD: PasswordRequest(data, text); break;
        case ZK_CB_CRC_ERROR: {
            bool doExtract = true;
            if (z.OnCRC32Error) {
                z.OnCRC32Error(z, text, static_cast<uint32_t>(data.errorCode), static_cast<uint32_t>(data.value),
                               doExtract);
                data.errorCode = doExtract ? 1 : 0;
            } else {
                data.errorCode = 2;
            }
            break;
        }
        case ZK_CB_OVERWRITE:
            if (z.OnExtractOverwrite) {
                bool doOverwrite = (data.value & 0xFF) != 0;
                z.OnExtractOverwrite(z, text, (data.errorCode & 1) != 0, doOverwrite);
                data.value = doOverwrite ? 1 : 0;
            }
            break;
        case ZK_CB_SKIPPED:
            if (data.errorCode != 0) {
                z.ErrorCode = data.errorCode & 0xFF;
                z.FullErrorCode = data.errorCode;
            }
            if (z.OnExtractSkipped) z.OnExtractSkipped(z, text, static_cast<uint8_t>(data.value & 0xFF), data.errorCode);
            break;
        case ZK_CB_COMMENT:
            if (z.OnFileComment) {
                std::string comment(1, data.text[ZK_COMMENT_BYTE_INDEX]);
                bool changed = false;
                z.OnFileComment(z, text, comment, changed);
                std::string fit = Utf8Fit(comment, 511);
                if (changed && !comment.empty())
                    PutCallbackText(data, fit);
                else
                    std::memset(data.text, 0, sizeof data.text);
                data.errorCode = changed ? 1 : 0;
                data.value = static_cast<int32_t>(fit.size());
            }
            break;
        default: break;  // 0 and codes above 12 ask for nothing
    }
    int32_t result = z.Cancel ? -1 : 0;
    z.platform.app.ProcessMessages();
    return result;
}

void ZipLibrary::Message(ZipCallbackData& data, const std::string& text) {
    // Files the library left out are news the user must see.
    if (data.errorCode == ZK_MSG_SKIPPED_TOO_DEEP || data.errorCode == ZK_MSG_SKIPPED_SAME_NAME) {
        zip_.ReportMessage(data.errorCode == ZK_MSG_SKIPPED_TOO_DEEP ? zmSkippedTooDeep : zmSkippedSameName,
                           "\n" + text);
        return;
    }
    zip_.LastMessage = text;
    if (data.errorCode != 0) {
        zip_.ErrorCode = data.errorCode & 0xFF;
        zip_.FullErrorCode = data.errorCode;
        ShowLibraryFailure(data.errorCode);
    }
    zip_.EventMessage(data.errorCode, text);
}

void ZipLibrary::ShowLibraryFailure(int32_t errorCode) {
    const auto why = static_cast<zipundo::Reason>((errorCode >> 8) & 0xFF);
    int number = 0;
    switch (errorCode & 0xFF) {
        case ZK_ERR_CANCEL: return;  // the user's own wish
        case ZK_ERR_FORMAT: number = zmLibFormat; break;
        case ZK_ERR_MEMORY: number = zmOutOfMemory; break;
        case ZK_ERR_TOO_BIG: number = zmLibTooBig; break;
        case ZK_ERR_TEMP: number = zmLibTemp; break;
        case ZK_ERR_READ:
        case ZK_ERR_OPEN: number = zmLibRead; break;
        case ZK_ERR_NOTHING: number = zmLibNothing; break;
        case ZK_ERR_NAME: number = zmNoZipFile; break;
        case ZK_ERR_CREATE: number = zmLibCreate; break;
        case ZK_ERR_BUSY: number = zmArchiveBusy; break;
        case ZK_ERR_UNDO: number = zmUndoFailed; break;
        case ZK_ERR_PASSWORD: number = zmEncryptUnattended; break;
        default: number = zmLibWrite; break;
    }
    if (!zip_.Unattended) zip_.ShowMessage(MessageWithReason(number, why));
}

void ZipLibrary::PasswordRequest(ZipCallbackData& data, const std::string& text) {
    std::string answer;
    uint32_t count = static_cast<uint32_t>(data.value);
    if (zip_.OnPasswordError)
        zip_.OnPasswordError(zip_, answer, text, count);
    else
        answer = (data.errorCode & 1) ? zip_.AskPasswordConfirmed() : zip_.AskPassword();
    if (!answer.empty()) {
        PutCallbackText(data, Utf8Left(answer, 80));
        data.errorCode = 1;
    } else {
        count = 0;
        data.errorCode = 0;
    }
    data.value = static_cast<int32_t>(std::min<uint32_t>(count, 15));
}

}  // namespace zk
