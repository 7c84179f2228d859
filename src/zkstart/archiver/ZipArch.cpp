#include "archiver/ZipArch.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "archiver/PasswordDlg.h"
#include "ui/form.h"

namespace zk {

const char* const kStoreSuffixTexts[12] = {"gif", "png", "z", "zip", "zoo", "arc", "lzh", "arj", "taz", "tgz",
                                           "lha", "exe"};

TZipArchiver::TZipArchiver(platform::Platform& platform) : platform(platform) {
    if (auto* state = dynamic_cast<platform::ApplicationState*>(&platform.app)) OwnerWindow = state->mainWindow;
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

int TZipArchiver::Box(const std::string& title, const std::string& text, platform::DlgType type,
                      const std::vector<platform::DlgButton>& buttons, int defaultIndex, int cancelIndex) {
    platform::DialogRequest r;
    r.type = type;
    r.title = title;
    r.text = text;
    r.buttons = buttons;
    for (platform::DlgButton b : buttons) r.captions.push_back(ui::ButtonCaption(b));
    r.defaultIndex = defaultIndex;
    r.cancelIndex = cancelIndex;
    r.helpFile = platform.app.HelpFile();
    return platform.dialogs.Show(r);
}

void TZipArchiver::ShowMessage(const std::string& text) {
    Box(platform.app.Title(), text, platform::DlgType::Custom, {platform::DlgButton::OK}, 0, 0);
}

void TZipArchiver::EventMessage(int32_t errCode, const std::string& message) {
    if (OnMessage) OnMessage(*this, errCode, message);
}

void TZipArchiver::Progress(ProgressType type, const std::string& name, int64_t size) {
    if (OnProgress) OnProgress(*this, type, name, static_cast<int32_t>(std::min<int64_t>(size, INT32_MAX)));
}

void TZipArchiver::ReportMessage(int number, const std::string& extra) {
    std::string message = MessageText(number) + extra;
    LastMessage = message;
    ErrorCode = number;
    if (!Unattended) ShowMessage(message);
    EventMessage(0, message);
}

void TZipArchiver::ReportReason(int number, zipundo::Reason why) {
    const std::string message = MessageWithReason(number, why);
    LastMessage = message;
    ErrorCode = number;
    if (!Unattended) ShowMessage(message);
    EventMessage(0, message);
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

// ---- the directory ----

void TZipArchiver::ReadDirectory() {
    if (designing) return;
    // A failed read forgets the archive: the next add then says there is none.
    if (!directory.ReadDirectory(zipFileName_)) zipFileName_.clear();
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
    } else {
        // Asked each time: the folder may change while the program runs.
        folder = platform.files.TempFolder();
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
    if (UpperExtension(zipFileName_) == ".EXE" && DataOffset == 0 && !platform.files.FileExists(zipFileName_)) {
        try {
            int32_t result = sfx.WriteSfxStub();
            if (result != 0) throw EZipArchiver::CreateResInt(zmSfxStubFailed, result);
        } catch (const EZipArchiver& e) {
            ReportException(e);
            return;
        }
    }
    bool loadedHere = false;
    if (!ZipLibrary::ZipLibraryHandle()) {
        library.LoadZipLibrary();
        loadedHere = true;
        if (!ZipLibrary::ZipLibraryHandle()) return;
    }
    Busy = true;
    Cancel = false;
    const int32_t version = library.GetZkZipVersion();
    try {
        std::unique_ptr<ZipCommandBlock> command = library.MakeCommand(workName, version);
        SuccessCount = library.Exec(*command);
        if (SuccessCount > 0 && spanning) {
            if (span.WriteSpannedArchive(workName, zipFileName_) != 0) SuccessCount = 0;
            platform.files.RemoveFile(workName);
        }
    } catch (const std::exception& e) {
        ReportMessage(zmException, std::string(" ") + e.what());
    } catch (...) {
        ReportMessage(zmException);
    }
    // A temporary archive is never left behind, whatever the library did.
    if (spanning && !workName.empty() && platform.files.FileExists(workName)) platform.files.RemoveFile(workName);
    // Every add consumes its entries; the command freed itself.
    FSpecArgs.clear();
    FSpecArgsExcl.clear();
    if (loadedHere) ZipLibrary::UnloadZipLibrary();
    Cancel = false;
    Busy = false;
    if (SuccessCount > 0) ReadDirectory();
}

}  // namespace zk
