#include "archiver/ZipArch.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>
#include <stdexcept>

#include "common/text.h"
#include "archiver/PasswordDlg.h"
#include "archiver/TempFolder.h"
#include "archiver/ZipJournal.h"

namespace zk {

const char* const kStoreSuffixTexts[12] = {"gif", "png", "z", "zip", "zoo", "arc", "lzh", "arj", "taz", "tgz",
                                           "lha", "exe"};

const char* const kMissingMessage =
    "The message table is probably not linked to the executable\nMissing String ID is: ";

// ---- messages ----

std::string MessageText(int number, const std::string& fallback) {
    const auto& table = ZipMessageTable();
    auto it = table.find(number);
    return it == table.end() ? fallback : it->second;
}

std::string MessageText(int number) { return MessageText(number, kMissingMessage + NumStr(number)); }

namespace {

struct FormatSpec {
    size_t begin = std::string::npos, end = 0;  // the "%...x" run
    bool left = false;
    size_t width = 0;
    long precision = -1;
    char type = 0;
};

// The first format of the text; begin is npos when there is none.
FormatSpec FindFormat(const std::string& text) {
    FormatSpec f;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '%') continue;
        if (text[i + 1] == '%') {
            ++i;
            continue;
        }
        size_t p = i + 1;
        FormatSpec s;
        if (p < text.size() && text[p] == '-') s.left = true, ++p;
        while (p < text.size() && std::isdigit(static_cast<unsigned char>(text[p])))
            s.width = std::min<size_t>(s.width * 10 + static_cast<size_t>(text[p++] - '0'), 1000);
        if (p < text.size() && text[p] == '.') {
            s.precision = 0;
            ++p;
            while (p < text.size() && std::isdigit(static_cast<unsigned char>(text[p])))
                s.precision = std::min<long>(s.precision * 10 + (text[p++] - '0'), 1000);
        }
        if (p < text.size() && std::strchr("dusx", std::tolower(static_cast<unsigned char>(text[p])))) {
            s.begin = i;
            s.end = p + 1;
            s.type = static_cast<char>(std::tolower(static_cast<unsigned char>(text[p])));
            return s;
        }
    }
    return f;
}

std::string Pad(std::string value, const FormatSpec& f) {
    if (value.size() < f.width) {
        std::string fill(f.width - value.size(), ' ');
        value = f.left ? value + fill : fill + value;
    }
    return value;
}

std::string Substitute(const std::string& text, const FormatSpec& f, const std::string& value) {
    std::string out;
    auto unescape = [&out](const std::string& part) {
        for (size_t i = 0; i < part.size(); ++i) {
            out += part[i];
            if (part[i] == '%' && i + 1 < part.size() && part[i + 1] == '%') ++i;
        }
    };
    if (f.begin == std::string::npos) {
        unescape(text);
        return out;
    }
    unescape(text.substr(0, f.begin));
    out += Pad(value, f);
    unescape(text.substr(f.end));
    return out;
}

}  // namespace

std::string FormatMessageArg(const std::string& text, long long arg) {
    FormatSpec f = FindFormat(text);
    std::string digits;
    if (f.type == 'x') {
        unsigned long long v = static_cast<unsigned long long>(arg);
        do {
            digits.insert(digits.begin(), "0123456789ABCDEF"[v & 15]);
            v >>= 4;
        } while (v);
    } else {
        std::string n = NumStr(arg);
        bool negative = !n.empty() && n[0] == '-';
        digits = negative ? n.substr(1) : n;
        if (f.type != 's' && f.precision > 0 && digits.size() < static_cast<size_t>(f.precision))
            digits.insert(0, static_cast<size_t>(f.precision) - digits.size(), '0');
        if (negative) digits.insert(0, "-");
    }
    return Substitute(text, f, digits);
}

std::string FormatMessageArg(const std::string& text, const std::string& arg) {
    FormatSpec f = FindFormat(text);
    std::string value = arg;
    if (f.type == 's' && f.precision >= 0) value = Utf8Left(value, static_cast<size_t>(f.precision));
    return Substitute(text, f, value);
}

EZipArchiver EZipArchiver::CreateResDisp(int number, bool showToUser) {
    return EZipArchiver(MessageText(number), number, showToUser);
}

EZipArchiver EZipArchiver::CreateResInt(int number, long long arg) {
    const auto& table = ZipMessageTable();
    auto it = table.find(number);
    return EZipArchiver(it == table.end() ? MessageText(number) : FormatMessageArg(it->second, arg), number, true);
}

EZipArchiver EZipArchiver::CreateResStr(int number, const std::string& arg) {
    const auto& table = ZipMessageTable();
    auto it = table.find(number);
    return EZipArchiver(it == table.end() ? MessageText(number) : FormatMessageArg(it->second, arg), number, true);
}

// ---- text helpers ----

namespace {
bool Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
}  // namespace

std::string Utf8Left(const std::string& text, size_t count) {
    size_t chars = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (Continuation(text[i])) continue;
        if (chars++ == count) return text.substr(0, i);
    }
    return text;
}

std::string Utf8Fit(const std::string& text, size_t limit) {
    if (text.size() <= limit) return text;
    size_t cut = limit;
    while (cut > 0 && Continuation(text[cut])) --cut;
    return text.substr(0, cut);
}

std::string DriveRootOf(const std::string& path, const std::string& currentDir) {
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        // \\server\share\ : up to the separator after the share.
        size_t server = path.find('\\', 2);
        if (server == std::string::npos) return path + "\\";
        size_t share = path.find('\\', server + 1);
        return share == std::string::npos ? path + "\\" : path.substr(0, share + 1);
    }
    if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2) + "\\";
    if (currentDir.empty() || currentDir == path) return path.empty() ? "\\" : path.substr(0, 1) + ":\\";
    return DriveRootOf(currentDir, "");
}

// ---- the library, one for the whole process ----

namespace {

struct ZipLibrary {
    platform::DynLib* dynlib = nullptr;
    platform::LibHandle handle = 0;
    ZkZipExecFn exec = nullptr;
    GetZkZipVersionFn version = nullptr;
};

ZipLibrary& Library() {
    static ZipLibrary lib;
    return lib;
}

// The components alive now: a callback whose caller is none of them is refused.
std::vector<TZipArchiver*>& Instances() {
    static std::vector<TZipArchiver*> list;
    return list;
}

constexpr unsigned kNoErrorBoxes = 3;  // no critical-error and no fault boxes

using zipformat::Get32;
constexpr int64_t kEndSize = zipformat::kEndSize;
constexpr int64_t kSearchSize = zipformat::kEndSearchSize;

// Reads until count bytes are in or the file ends; the bytes read.
int64_t ReadFull(platform::File& file, void* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        int64_t n = file.Read(static_cast<char*>(buffer) + done, count - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
}

bool ReadBytes(platform::File& file, std::string& out, size_t count) {
    out.assign(count, '\0');
    return count == 0 || ReadFull(file, out.data(), count) == static_cast<int64_t>(count);
}

// The open archive for the format core's searches.
class FileReader : public zipformat::Reader {
public:
    explicit FileReader(platform::File& file) : file_(file) {}
    uint64_t Size() override { return static_cast<uint64_t>(std::max<int64_t>(file_.Size(), 0)); }
    bool ReadAt(uint64_t pos, void* buf, size_t n) override {
        const int64_t at = static_cast<int64_t>(pos);
        return file_.Seek(at, platform::SeekFrom::Begin) == at && ReadFull(file_, buf, n) == static_cast<int64_t>(n);
    }

private:
    platform::File& file_;
};

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

}  // namespace

// ---- the component ----

TZipArchiver::TZipArchiver(platform::Platform& platform) : platform(platform) {
    if (auto* state = dynamic_cast<platform::ApplicationState*>(&platform.app)) OwnerWindow = state->mainWindow;
    copyToDisks = [this](const std::string& source, const std::string& target) { return WriteSpannedArchive(source, target); };
    diskForReading = [this](int diskNo) { return SelectDiskForReading(diskNo); };
    Instances().push_back(this);
    systemTempFolder = SystemTempFolder(platform.files);
    writeSfxStub = [this] { return WriteSfxStub(); };
}

TZipArchiver::~TZipArchiver() {
    auto& list = Instances();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void TZipArchiver::SetZipFileName(const std::string& name) {
    zipFileName_ = name;
    if (!designing) ReadDirectory();
}

void TZipArchiver::SetPassword(const std::string& password) { password_ = Utf8Left(password, 255); }

void TZipArchiver::SetDLLDirectory(const std::string& dir) {
    if (dir == dllDirectory_) return;
    dllDirectory_ = !dir.empty() && dir.back() == '\\' ? dir.substr(0, dir.size() - 1) : dir;
}

void TZipArchiver::SetPasswordReqCount(uint32_t count) { passwordReqCount_ = std::min<uint32_t>(count, 15); }

void TZipArchiver::SetRootDir(const std::string& dir) {
    if (dir == rootDir_) return;
    rootDir_ = dir.empty() || dir.back() == '\\' ? dir : dir + "\\";
}

// ---- messages ----

void TZipArchiver::ShowMessage(const std::string& text) {
    // A plain box: the application's title, no icon, one OK button.
    platform::DialogRequest r;
    r.type = platform::DlgType::Custom;
    r.title = platform.app.Title();
    r.text = text;
    r.buttons = {platform::DlgButton::OK};
    r.captions = {"OK"};
    r.defaultIndex = 0;
    r.cancelIndex = 0;
    r.helpFile = platform.app.HelpFile();
    platform.dialogs.Show(r);
}

void TZipArchiver::EventMessage(int32_t errCode, const std::string& message) {
    if (OnMessage) OnMessage(*this, errCode, message);
}

void TZipArchiver::ReportMessage(int number, const std::string& extra) {
    std::string message = MessageText(number) + extra;
    LastMessage = message;
    ErrorCode = number;
    if (!Unattended) ShowMessage(message);
    EventMessage(0, message);
}

namespace {
std::string ReasonText(zipundo::Reason why) {
    const auto n = static_cast<unsigned>(why);
    return MessageText(zmReasonFirst + static_cast<int>(n < zipundo::kReasonCount ? n : 0), "");
}

std::string WithReason(int number, zipundo::Reason why) {
    return FormatMessageArg(MessageText(number), ReasonText(why));
}
}  // namespace

void TZipArchiver::ReportReason(int number, zipundo::Reason why) {
    const std::string message = WithReason(number, why);
    LastMessage = message;
    ErrorCode = number;
    if (!Unattended) ShowMessage(message);
    EventMessage(0, message);
}

void TZipArchiver::ShowLibraryFailure(int32_t errorCode) {
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
    if (!Unattended) ShowMessage(WithReason(number, why));
}

void TZipArchiver::ReportException(const EZipArchiver& e) {
    if (e.ShowToUser && !Unattended) ShowMessage(e.what());
    ErrorCode = e.MessageNumber;
    LastMessage = e.what();
    EventMessage(0, LastMessage);
}

// ---- passwords ----

std::string TZipArchiver::RunPasswordDialog(int promptNumber) {
    TPasswordDlg dlg(platform, MessageText(zmPwdCaption, kMissingMessage), MessageText(promptNumber, ""),
                     MessageText(zmPwdOkCaption, ""), MessageText(zmPwdCancelCaption, ""));
    return dlg.ShowModalPwdDlg();
}

std::string TZipArchiver::AskPasswordConfirmed() {
    if (Unattended) {
        ReportMessage(zmPasswordConfirmUnattended);
        return {};
    }
    std::string first = RunPasswordDialog(zmPwdPrompt);
    if (first.empty()) return {};
    std::string second = RunPasswordDialog(zmPwdConfirmPrompt);
    if (second.empty()) return {};
    if (second != first) {
        ReportMessage(zmPasswordsDiffer);
        return {};
    }
    return first;
}

std::string TZipArchiver::AskPassword() {
    if (Unattended) {
        ReportMessage(zmPasswordUnattended);
        return {};
    }
    return RunPasswordDialog(zmPwdPrompt);
}

// ---- the library ----

void TZipArchiver::LoadZipLibrary() {
    ZipLibrary& lib = Library();
    if (lib.handle) return;
    std::string path;
    if (!dllDirectory_.empty() && platform.files.FileExists(dllDirectory_ + "\\ZKZIP.DLL"))
        path = dllDirectory_ + "\\ZKZIP.DLL";
    if (path.empty()) path = "ZKZIP.DLL";
    platform::LibHandle handle = 0;
    platform.files.SetCriticalErrorMode(kNoErrorBoxes);
    try {
        handle = platform.dynlib.Load(path);
    } catch (...) {
        // A library whose start-up fails counts as missing.
        handle = 0;
    }
    platform.files.SetCriticalErrorMode(0);
    if (handle <= 32) {
        lib.handle = 0;
        ReportMessage(zmLibraryNotLoaded);
        return;
    }
    lib.dynlib = &platform.dynlib;
    lib.handle = handle;
    if (Trace) ReportMessage(zmLibraryLoaded);
    lib.exec = platform::SymbolAs<ZkZipExecFn>(platform.dynlib, handle, "ZkZipExec");
    lib.version = platform::SymbolAs<GetZkZipVersionFn>(platform.dynlib, handle, "GetZkZipVersion");
    if (!lib.exec) ReportMessage(zmNoExecEntry);
    if (!lib.version) ReportMessage(zmNoVersionEntry);
}

void TZipArchiver::UnloadZipLibrary() {
    ZipLibrary& lib = Library();
    if (lib.handle && lib.dynlib) lib.dynlib->Free(lib.handle);
    lib.handle = 0;
    lib.exec = nullptr;
    lib.version = nullptr;
}

platform::LibHandle TZipArchiver::ZipLibraryHandle() { return Library().handle; }
ZkZipExecFn TZipArchiver::ZkZipExecEntry() { return Library().exec; }
GetZkZipVersionFn TZipArchiver::GetZkZipVersionEntry() { return Library().version; }

int32_t TZipArchiver::GetZkZipVersion() {
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

std::string TZipArchiver::StoredSuffixList() const {
    std::string list;
    for (unsigned i = 0; i < 12; ++i)
        if (AddStoreSuffixes.Contains(static_cast<AddStoreSuffixEnum>(i))) list += std::string(".") + kStoreSuffixTexts[i] + ":";
    if (!list.empty()) list.pop_back();
    return list;
}

namespace {
int32_t Flag(bool on) { return on ? -1 : 0; }

// The fields both layouts share, from 0x00 to 0x7C.
template <typename Record>
void FillHead(Record& c, ZipCommandBlock& block, TZipArchiver& zip, const std::string& workName) {
    const AddOpts& o = zip.AddOptions;
    c.version = ZK_INTERFACE_VERSION;
    c.caller = &zip;
    c.callback = &TZipArchiver::ZipCallback;
    c.reserved28 = 0;
    c.reserved30 = 0;
    c.reserved38 = -1;
    c.reserved44 = 0;
    c.reserved50 = -1;
    c.reserved5C = 0;
    c.reserved68 = 0;
    std::string suffixes = zip.StoredSuffixList();
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

void TZipArchiver::FillCommand(ZipCommandBlock& command, const std::string& workName, int32_t version) {
    if (command.OldLayout()) {
        FillHead(command.Old(), command, *this, workName);
        return;
    }
    ZipCommand& c = command.New();
    if (version >= 160) {
        c.comment = ArchiveComment.empty() ? nullptr : command.Copy(ArchiveComment);
        c.archiveOnly = AddOptions.Contains(AddArchiveOnly) ? 1 : 0;
        c.resetArchive = AddOptions.Contains(AddResetArchive) ? 1 : 0;
        if (!FSpecArgsExcl.empty()) {
            command.excl.clear();
            for (const std::string& pattern : FSpecArgsExcl) command.excl.push_back(command.Copy(pattern));
            c.exclCount = static_cast<int32_t>(command.excl.size());
            c.excl = command.excl.data();
        }
    }
    if (version >= ZK_NEW_LAYOUT_VERSION && !TempDir.empty()) c.tempDir = command.Copy(TempDir);
    FillHead(c, command, *this, workName);
}

// ---- callbacks ----

int32_t ZK_STDCALL TZipArchiver::ZipCallback(ZipCallbackData* data) {
    if (!data) return -1;
    auto& list = Instances();
    auto* zip = static_cast<TZipArchiver*>(data->caller);
    // Only a caller we gave out is trusted; anything else stops the command.
    if (std::find(list.begin(), list.end(), zip) == list.end()) return -1;
    try {
        return zip->Callback(*data);
    } catch (...) {
        // Nothing may unwind through the library's frames: the command is
        // cancelled and the error raised again once it has returned.
        if (!zip->callbackError_) zip->callbackError_ = std::current_exception();
        return -1;
    }
}

void TZipArchiver::RethrowCallbackError() {
    if (!callbackError_) return;
    std::exception_ptr e = callbackError_;
    callbackError_ = nullptr;
    std::rethrow_exception(e);
}

int32_t TZipArchiver::Callback(ZipCallbackData& data) {
    const std::string text = CallbackText(data);
    auto progress = [this](ProgressType type, const std::string& name, int32_t size) {
        if (OnProgress) OnProgress(*this, type, name, size);
    };
    switch (data.actionCode) {
        case ZK_CB_FILE_START: progress(ProgressFileStart, text, data.value); break;
        case ZK_CB_STEP: progress(ProgressStep, "", data.value); break;
        case ZK_CB_FILE_END: progress(ProgressEnd, "", 0); break;
        case ZK_CB_MESSAGE:
            // Files the library left out are news the user must see.
            if (data.errorCode == ZK_MSG_SKIPPED_TOO_DEEP || data.errorCode == ZK_MSG_SKIPPED_SAME_NAME) {
                ReportMessage(data.errorCode == ZK_MSG_SKIPPED_TOO_DEEP ? zmSkippedTooDeep : zmSkippedSameName,
                              "\n" + text);
                break;
            }
            LastMessage = text;
            if (data.errorCode != 0) {
                ErrorCode = data.errorCode & 0xFF;
                FullErrorCode = data.errorCode;
                ShowLibraryFailure(data.errorCode);
            }
            EventMessage(data.errorCode, text);
            break;
        case ZK_CB_COUNT: progress(ProgressCount, "", data.value); break;
        case ZK_CB_TOTAL:
            TotalToProcess = data.value;
            progress(ProgressTotal, "", data.value);
            break;
        case ZK_CB_NEW_NAME:
            if (OnSetNewName) {
                std::string name = text;
                bool changed = false;
                OnSetNewName(*this, name, changed);
                if (changed) PutCallbackText(data, name);
                data.errorCode = changed ? 1 : 0;
            }
            break;
        case ZK_CB_PASSWORD: PasswordRequest(data, text); break;
        case ZK_CB_CRC_ERROR: {
            bool doExtract = true;
            if (OnCRC32Error) {
                OnCRC32Error(*this, text, static_cast<uint32_t>(data.errorCode), static_cast<uint32_t>(data.value),
                             doExtract);
                data.errorCode = doExtract ? 1 : 0;
            } else {
                data.errorCode = 2;
            }
            break;
        }
        case ZK_CB_OVERWRITE:
            if (OnExtractOverwrite) {
                bool doOverwrite = (data.value & 0xFF) != 0;
                OnExtractOverwrite(*this, text, (data.errorCode & 1) != 0, doOverwrite);
                data.value = doOverwrite ? 1 : 0;
            }
            break;
        case ZK_CB_SKIPPED:
            if (data.errorCode != 0) {
                ErrorCode = data.errorCode & 0xFF;
                FullErrorCode = data.errorCode;
            }
            if (OnExtractSkipped) OnExtractSkipped(*this, text, static_cast<uint8_t>(data.value & 0xFF), data.errorCode);
            break;
        case ZK_CB_COMMENT:
            if (OnFileComment) {
                std::string comment(1, data.text[ZK_COMMENT_BYTE_INDEX]);
                bool changed = false;
                OnFileComment(*this, text, comment, changed);
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
    int32_t result = Cancel ? -1 : 0;
    platform.app.ProcessMessages();
    return result;
}

void TZipArchiver::PasswordRequest(ZipCallbackData& data, const std::string& text) {
    std::string answer;
    uint32_t count = static_cast<uint32_t>(data.value);
    if (OnPasswordError)
        OnPasswordError(*this, answer, text, count);
    else
        answer = (data.errorCode & 1) ? AskPasswordConfirmed() : AskPassword();
    if (!answer.empty()) {
        PutCallbackText(data, Utf8Left(answer, 80));
        data.errorCode = 1;
    } else {
        count = 0;
        data.errorCode = 0;
    }
    data.value = static_cast<int32_t>(std::min<uint32_t>(count, 15));
}

// ---- the archive's directory ----

std::string TZipArchiver::ConvertName(const std::string& raw, uint8_t specVersion, uint8_t host, uint16_t flags,
                                      const uint8_t* extra, size_t extraLength) {
    // Flag bit 11, the Unicode path field, UTF-8 from a Unix host.
    std::string utf8;
    if (zipformat::Utf8Name(flags, host, raw, extra, extraLength, utf8))
        return platform.codePages.ToUtf8(utf8, platform::kCodePageUtf8);
    bool oem = (CodePage == cpAuto && host == 0) || host == 6 || (host == 11 && specVersion == 50) || CodePage == cpOEM;
    return platform.codePages.ToUtf8(raw, oem ? platform.codePages.OemCodePage() : platform.codePages.AnsiCodePage());
}

bool TZipArchiver::CheckDrive(const std::string& root) {
    diskSize_ = 0;
    diskFree_ = 0;
    volumeLabel_.clear();
    volumeSerial_ = 0;
    const bool share = !root.empty() && root[0] == '\\';
    char letter = 0;
    if (!share) {
        letter = root.empty() ? 0 : static_cast<char>(std::toupper(static_cast<unsigned char>(root[0])));
        if (letter < 'A' || letter > 'Z') throw EZipArchiver::CreateResStr(zmBadDriveRoot, root);
        if (platform.files.Drives().find(letter) == std::string::npos)
            throw EZipArchiver::CreateResStr(zmDriveNotReady, root);
    }
    platform::QuietDriveErrors quiet(platform.files);
    if (!share) {
        std::string label;
        uint32_t serial = 0;
        if (!platform.files.VolumeInfo(letter, label, serial))
            return platform.files.LastError() == 31 && AddOptions.Contains(AddDiskSpanErase);
        volumeLabel_ = Utf8Left(label, 255);
        volumeSerial_ = serial;
    }
    // The 64-bit query where the system has it; else the classic one.
    bool sized = false;
    if (platform::LibHandle kernel = platform.dynlib.Load("Kernel32")) {
        auto query = platform::SymbolAs<DiskFreeSpaceExFn>(platform.dynlib, kernel, "GetDiskFreeSpaceExA");
        uint64_t available = 0, total = 0, totalFree = 0;
        if (query) {
            std::string ansiRoot = platform.codePages.FromUtf8(root, platform.codePages.AnsiCodePage());
            if (query(ansiRoot.c_str(), &available, &total, &totalFree)) {
                diskFree_ = available;
                diskSize_ = total;
                sized = true;
            }
        }
        platform.dynlib.Free(kernel);
    }
    if (!sized && !share) {
        diskFree_ = platform.files.DiskFree(letter).value_or(0);
        std::optional<uint64_t> size = platform.files.DiskSize(letter);
        diskSize_ = size.value_or(UINT64_MAX);
        sized = size.has_value();
    }
    // A share answers true without its sizes.
    return sized || share;
}

bool TZipArchiver::LocateEndRecord(const std::string& fileName, bool raise, EndRecord& record) {
    ArchiveComment.clear();
    inFile_ = platform.files.Open(fileName, platform::OpenMode::Read);
    if (!inFile_) {
        if (raise) throw EZipArchiver::CreateResDisp(zmCannotOpen, true);
        ReportMessage(zmCannotOpenReported);
        return false;
    }
    try {
        platform::File& file = *inFile_;
        labelDiskNr_ = 0;
        if (volumeLabel_.compare(0, 8, "PKBACK# ") == 0)
            labelDiskNr_ = std::max(0, StrToIntDef(volumeLabel_.substr(8, 3), 0));
        realFileSize_ = file.Size();
        if (realFileSize_ < 0) throw EZipArchiver::CreateResDisp(zmSeekEnd, true);
        const int64_t size = realFileSize_;

        bool firstPart = false;
        uint8_t head[8];
        if (ReadFull(file, head, sizeof head) == 8 && Get32(head) == zipformat::kDescriptorSig &&
            Get32(head + 4) == zipformat::kLocalSig) {
            firstPart = true;
            spanned_ = true;
        }

        // The tail of the file: 22 bytes first, the longest comment's worth when needed.
        std::vector<uint8_t> tail(static_cast<size_t>(kEndSize));
        int64_t tailStart = std::max<int64_t>(size - kEndSize, 0);
        if (file.Seek(tailStart, platform::SeekFrom::Begin) != tailStart)
            throw EZipArchiver::CreateResDisp(zmSeekEnd, true);
        if (ReadFull(file, tail.data(), tail.size()) != kEndSize) throw EZipArchiver::CreateResDisp(zmReadEnd, true);
        int64_t found = -1;  // the record's index in tail
        if (Get32(tail.data()) == zipformat::kEndSig) {
            found = 0;
        } else {
            int64_t n = std::min(kSearchSize, size);
            tailStart = size - n;
            tail.assign(static_cast<size_t>(n), 0);
            if (file.Seek(tailStart, platform::SeekFrom::Begin) != tailStart)
                throw EZipArchiver::CreateResDisp(zmSeekEnd, true);
            if (ReadFull(file, tail.data(), tail.size()) != n) throw EZipArchiver::CreateResDisp(zmReadEnd, true);
            // The last 22 bytes were looked at already.
            if (n > kEndSize) found = zipformat::FindEnd(tail.data(), tail.size(), static_cast<size_t>(n - kEndSize - 1), false);
        }

        if (found >= 0) {
            const uint8_t* r = tail.data() + found;
            static_cast<zipformat::EndRecord&>(record) = zipformat::ParseEnd(r);
            endRecordPos_ = tailStart + found;
            // The values of a zip64 record; a damaged one leaves the classic
            // values, which then fail as they would.
            FileReader reader(file);
            zipformat::EndInfo info;
            info.record = record;
            if (zipformat::ReadZip64End(reader, static_cast<uint64_t>(endRecordPos_), info) == zipformat::EndStatus::Found)
                static_cast<zipformat::EndRecord&>(record) = info.record;
            record.directoryEnd = static_cast<int64_t>(info.directoryEnd);
            const int64_t commentAt = found + kEndSize;  // index in tail
            const int64_t end = endRecordPos_ + kEndSize + record.commentLength;
            fileSize_ = end;
            if (end != size) {
                // Zero padding up to a whole sector is what some copy tools leave.
                bool padding = size % 512 == 0 && end < size && size - end < 512;
                for (int64_t i = end - tailStart; padding && i < static_cast<int64_t>(tail.size()); ++i)
                    padding = tail[static_cast<size_t>(i)] == 0;
                if (!padding) ReportMessage(zmBytesAfterEnd);
            }
            int64_t available = std::min<int64_t>(record.commentLength, static_cast<int64_t>(tail.size()) - commentAt);
            std::string comment(reinterpret_cast<const char*>(tail.data() + commentAt), static_cast<size_t>(available));
            comment.resize(strnlen(comment.c_str(), comment.size()));
            ArchiveComment = platform.codePages.ToUtf8(comment, platform.codePages.AnsiCodePage());
            return true;
        }
        if (raise) {
            if (!firstPart && labelDiskNr_ != 0) throw EZipArchiver::CreateResInt(zmNoEndOnDisk, labelDiskNr_);
            if (firstPart && labelDiskNr_ == 1) throw EZipArchiver::CreateResDisp(zmNoEndFirstDisk1, true);
            if (firstPart) throw EZipArchiver::CreateResDisp(zmNoEndFirstDisk, true);
            throw EZipArchiver::CreateResDisp(zmNoEndRecord, true);
        }
        return false;
    } catch (...) {
        if (raise) throw;
        return false;
    }
}

void TZipArchiver::OpenDiskForReading(int disk) {
    inFile_.reset();
    diskNr_ = disk;
    if (diskForReading) inFile_ = diskForReading(disk);
    if (!inFile_) throw EZipArchiver::CreateResDisp(zmCannotOpen, true);
}

void TZipArchiver::ReadEntries(const EndRecord& record) {
    constexpr int64_t kCentralSize = zipformat::kCentralSize;
    for (uint64_t seq = 1; seq <= record.totalEntries; ++seq) {
        uint8_t raw[kCentralSize];
        // A header that does not fit lies whole on the next disk.
        while (ReadFull(*inFile_, raw, sizeof raw) != kCentralSize) {
            if (diskNr_ >= endDiskNr_) throw EZipArchiver::CreateResDisp(zmDirectoryShort, true);
            OpenDiskForReading(diskNr_ + 1);
        }
        zipformat::CentralHeader h;
        if (!zipformat::ParseCentral(raw, h)) throw EZipArchiver::CreateResDisp(zmBadDirSignature, true);
        ZipDirEntry e;
        e.MadeByVersion = h.madeByVersion;
        e.HostVersionNo = h.madeByHost;
        e.Version = h.versionNeeded;
        e.Flag = h.flags;
        e.ComprMethod = h.method;
        e.DateTime = h.dosTime;
        e.CRC32 = h.crc;
        e.FileNameLength = h.nameLength;
        e.ExtraFieldLength = h.extraLength;
        e.FileCommentLen = h.commentLength;
        e.IntFileAttrib = h.internalAttributes;
        e.ExtFileAttrib = h.externalAttributes;

        std::string name;
        if (!ReadBytes(*inFile_, name, e.FileNameLength)) throw EZipArchiver::CreateResDisp(zmNameShort, true);
        e.Encrypted = (e.Flag & 1) != 0;
        if (e.ExtraFieldLength > 0) {
            e.ExtraData.assign(e.ExtraFieldLength + 1u, 0);
            if (ReadFull(*inFile_, e.ExtraData.data(), e.ExtraFieldLength) != e.ExtraFieldLength)
                throw EZipArchiver::CreateResDisp(zmSeekDirectory, true);
        }
        // Values the zip64 field does not hold stay as the header has them.
        zipformat::ApplyZip64(h, e.ExtraData.data(), e.ExtraFieldLength);
        e.ComprSize = h.packed;
        e.UncomprSize = h.size;
        e.StartOnDisk = static_cast<uint16_t>(std::min<uint32_t>(h.diskStart, 0xFFFF));
        e.RelOffLocalHdr = h.localOffset;
        e.FileName = ConvertName(name, e.MadeByVersion, e.HostVersionNo, e.Flag, e.ExtraData.data(), e.ExtraFieldLength);
        std::replace(e.FileName.begin(), e.FileName.end(), '/', '\\');
        if (e.FileCommentLen > 0) {
            std::string comment;
            if (!ReadBytes(*inFile_, comment, e.FileCommentLen)) throw EZipArchiver::CreateResDisp(zmCommentShort, true);
            e.FileComment = ConvertName(comment, e.MadeByVersion, e.HostVersionNo, e.Flag);
        }
        const uint64_t localOffset = e.RelOffLocalHdr;
        const std::string& fileName = e.FileName;
        bool dirOnly = fileName.empty() || fileName.back() == '\\' || fileName.back() == ':';
        if (!UseDirOnlyEntries && dirOnly) {
            ++DirOnlyCount;
        } else {
            Contents.push_back(std::move(e));
            if (OnNewName) OnNewName(*this, static_cast<int32_t>(std::min<uint64_t>(seq, INT32_MAX)), Contents.back());
        }
        DataOffset = static_cast<int64_t>(std::min<uint64_t>(static_cast<uint64_t>(DataOffset), localOffset));
    }
}

void TZipArchiver::ReadDirectory() {
    if (designing) return;
    Contents.clear();
    DataOffset = 0;
    realFileSize_ = 0;
    fileSize_ = 0;
    dirPos_ = 0;
    endRecordPos_ = 0;
    DirOnlyCount = 0;
    ArchiveComment.clear();
    spanned_ = false;
    displaced_ = false;
    // An add that was cut short is undone first; one that is still going
    // on elsewhere, or an archive that cannot be put back, ends the read.
    const zipundo::Reason undo =
        zipFileName_.empty() ? zipundo::Reason::None : UndoInterruptedAdd(platform.files, zipFileName_);
    if (undo != zipundo::Reason::None) {
        ReportReason(undo == zipundo::Reason::Busy ? zmArchiveBusy : zmUndoFailed, undo);
        zipFileName_.clear();
        if (OnDirUpdate) OnDirUpdate(*this);
        return;
    }
    if (!platform.files.FileExists(zipFileName_)) {
        if (OnDirUpdate) OnDirUpdate(*this);
        return;
    }
    struct CloseAtEnd {
        std::unique_ptr<platform::File>& file;
        ~CloseAtEnd() { file.reset(); }
    } closeAtEnd{inFile_};
    EndRecord record;
    bool failed = false;
    try {
        std::string root = DriveRootOf(zipFileName_, platform.files.CurrentDir());
        if (!CheckDrive(root)) throw EZipArchiver::CreateResStr(zmDriveNotReady, root);
        LocateEndRecord(zipFileName_, true, record);
        // A zip64 record may name disks beyond any set's; the classic limit holds.
        endDiskNr_ = static_cast<int>(std::min<uint32_t>(record.disk, 0xFFFF));
        diskNr_ = endDiskNr_;
        if (endDiskNr_ > 0) spanned_ = true;
        if (record.directoryDisk != record.disk) {
            OpenDiskForReading(static_cast<int>(std::min<uint32_t>(record.directoryDisk, 0xFFFF)));
            fileSize_ = inFile_->Size();
            if (fileSize_ < 0) throw EZipArchiver::CreateResDisp(zmSeekEnd, true);
            dirPos_ = static_cast<int64_t>(std::min<uint64_t>(record.directoryOffset, INT64_MAX));
        } else {
            dirPos_ = record.directoryEnd - static_cast<int64_t>(std::min<uint64_t>(record.directorySize, INT64_MAX));
        }
        DataOffset = fileSize_ == kEndSize ? 0 : fileSize_;
        if (static_cast<int64_t>(record.directoryOffset) != dirPos_) {
            displaced_ = true;
            ReportMessage(zmDirectoryDisplaced);
        }
        if (dirPos_ < 0 || inFile_->Seek(dirPos_, platform::SeekFrom::Begin) != dirPos_)
            throw EZipArchiver::CreateResDisp(zmSeekDirectory, true);
        ReadEntries(record);
        lastDisk_ = diskNr_;
    } catch (const EZipArchiver& e) {
        failed = true;
        ReportException(e);
    } catch (const std::bad_alloc&) {
        failed = true;
        ReportMessage(zmOutOfMemory);
    } catch (const std::exception& e) {
        failed = true;
        ReportMessage(zmReadFailed, e.what());
    } catch (...) {
        failed = true;
        ReportMessage(zmReadFailed);
    }
    inFile_.reset();
    if (failed) {
        zipFileName_.clear();
        DataOffset = 0;
    } else {
        DataOffset += dirPos_ - static_cast<int64_t>(record.directoryOffset);
    }
    if (OnDirUpdate) OnDirUpdate(*this);
}

// ---- adding files ----

namespace {
// The extension from the last "." after the last "\" or ":", upper-cased.
std::string UpperExtension(const std::string& name) {
    size_t start = name.find_last_of("\\:");
    start = start == std::string::npos ? 0 : start + 1;
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot < start) return {};
    std::string ext = name.substr(dot);
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext;
}
}  // namespace

std::string TZipArchiver::MakeTempName(const std::string& prefix, const std::string& extension) {
    std::string folder;
    if (!TempDir.empty()) {
        if (TempDir.back() != '\\') TempDir += '\\';
        folder = TempDir;
    } else if (systemTempFolder) {
        folder = systemTempFolder();
    }
    if (folder.empty()) return {};
    std::string name = platform.files.TempFileName(folder, prefix.empty() ? "zip" : prefix);
    if (name.empty()) return {};
    // Only the unique name is wanted; the library creates the file itself.
    platform.files.RemoveFile(name);
    size_t slash = name.find_last_of("\\:");
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) name.erase(dot);
    return name + (extension.empty() ? ".zip" : extension);
}

void TZipArchiver::ParseFileSpec(ZipCommandBlock& command, const std::string& entry, ZipFileSpec& spec) {
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
    spec.rootDir = rootDir_.empty() ? nullptr : command.Copy(rootDir_);
    // "<" right after ">" leaves an empty name; the library then finds nothing.
    spec.fileSpec = command.Copy(last > first ? entry.substr(first, last - first) : std::string());
}

bool TZipArchiver::AddFiles() {
    // Every failure on the way reports a number: this call's only. A call
    // during a running command does nothing and leaves that one's number.
    if (!Busy) ErrorCode = 0;
    RunAdd();
    return SuccessCount > 0 && ErrorCode == 0;
}

void TZipArchiver::RunAdd() {
    SuccessCount = 0;
    if (FSpecArgs.empty()) return ReportMessage(zmNothingToAdd);
    if (zipFileName_.empty()) return ReportMessage(zmNoZipFile);
    if (Unattended && AddOptions.Contains(AddEncrypt) && password_.empty()) return ReportMessage(zmEncryptUnattended);
    const bool spanning = AddOptions.Contains(AddDiskSpan) || AddOptions.Contains(AddDiskSpanErase);
    std::string workName = zipFileName_;
    if (spanning) {
        if (AddOptions.Contains(AddFreshen) || AddOptions.Contains(AddUpdate)) return ReportMessage(zmSpanWithUpdate);
        if (UpperExtension(zipFileName_) == ".EXE") return ReportMessage(zmSpanToExe);
        workName = MakeTempName("", "");
        if (Verbose) EventMessage(0, "Temporary zipfile: " + workName);
    }
    if (Busy) return;
    if (writeSfxStub && UpperExtension(zipFileName_) == ".EXE" && DataOffset == 0 &&
        !platform.files.FileExists(zipFileName_)) {
        try {
            int32_t result = writeSfxStub();
            if (result != 0) throw EZipArchiver::CreateResInt(zmSfxStubFailed, result);
        } catch (const EZipArchiver& e) {
            ReportException(e);
            return;
        }
    }
    bool loadedHere = false;
    if (!ZipLibraryHandle()) {
        LoadZipLibrary();
        loadedHere = true;
        if (!ZipLibraryHandle()) return;
    }
    Busy = true;
    Cancel = false;
    const int32_t version = GetZkZipVersion();
    {
        std::unique_ptr<ZipCommandBlock> command;
        try {
            if (version < ZK_NEW_LAYOUT_VERSION) {
                command = std::make_unique<ZipCommandBlock>(true);
                FillCommand(*command, workName, version);
                ZipCommandOld& c = command->Old();
                // The old record has a fixed number of slots.
                if (FSpecArgs.size() > static_cast<size_t>(ZK_OLD_SPEC_SLOTS))
                    throw std::length_error("too many file specifications");
                for (size_t i = 0; i < FSpecArgs.size(); ++i) c.fileSpecs[i] = command->Copy(FSpecArgs[i]);
                c.endMark = ZK_END_MARK;
                c.argCount = static_cast<int32_t>(FSpecArgs.size());
            } else {
                command = std::make_unique<ZipCommandBlock>(false);
                FillCommand(*command, workName, version);
                ZipCommand& c = command->New();
                command->specs.assign(FSpecArgs.size(), ZipFileSpec{});
                c.fileSpecs = command->specs.data();
                for (size_t i = 0; i < FSpecArgs.size(); ++i) ParseFileSpec(*command, FSpecArgs[i], command->specs[i]);
                c.endMark = ZK_END_MARK;
                c.argCount = static_cast<int32_t>(FSpecArgs.size());
            }
            ZkZipExecFn exec = ZkZipExecEntry();
            if (!exec) throw std::runtime_error("ZkZipExec");
            SuccessCount = exec(command->Record());
            RethrowCallbackError();
            if (SuccessCount > 0 && spanning) {
                int32_t copied = copyToDisks ? copyToDisks(workName, zipFileName_) : -1;
                if (!copyToDisks) ReportMessage(zmException, " (Verteilen auf mehrere Disketten ist hier nicht möglich.)");
                if (copied != 0) SuccessCount = 0;
                platform.files.RemoveFile(workName);
            }
        } catch (const std::exception& e) {
            ReportMessage(zmException, std::string(" ") + e.what());
        } catch (...) {
            ReportMessage(zmException);
        }
        // A temporary archive is never left behind, whatever the library did.
        if (spanning && !workName.empty() && platform.files.FileExists(workName)) platform.files.RemoveFile(workName);
        // Clean-up: every add consumes its entries; the block frees itself.
        FSpecArgs.clear();
        FSpecArgsExcl.clear();
    }
    if (loadedHere) UnloadZipLibrary();
    Cancel = false;
    Busy = false;
    if (SuccessCount > 0) ReadDirectory();
}

}  // namespace zk
