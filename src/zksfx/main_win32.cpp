// ZKSFX.BIN, the self-extractor stub: the Win32 side of the run in
// sfxrun.cpp. Reads its own file, shows its dialogs, writes the files.
// ZKSFX_UNATTENDED=1 answers every question with its default and shows
// nothing; ZKSFX_LOG names a file that gets one line per question and the
// result (for the tests).
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <memory>
#include <string>

#include "utf16/utf16.h"
#include "zksfx/resource.h"
#include "zksfx/sfxjournal.h"
#include "zksfx/sfxrun.h"

namespace {

using namespace zksfx;
using utf16::Utf8;
using utf16::Wide;

// The settings texts in the code page of the machine that wrote them,
// taken to be this one's.
std::string AnsiToUtf8(const std::string& raw) {
    if (raw.empty()) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, raw.data(), int(raw.size()), nullptr, 0);
    if (n <= 0) return Cp1252ToUtf8(raw);
    std::wstring w(size_t(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, raw.data(), int(raw.size()), w.data(), n);
    return Utf8(w);
}

std::string ErrorText(DWORD code) {
    wchar_t* buf = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
    std::wstring text = n != 0 ? std::wstring(buf, n) : std::wstring();
    LocalFree(buf);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    return "Fehler " + std::to_string(code) + (text.empty() ? "" : ": " + Utf8(text));
}

std::wstring Env(const wchar_t* name) {
    wchar_t buf[4096];
    DWORD n = GetEnvironmentVariableW(name, buf, 4096);
    return n > 0 && n < 4096 ? std::wstring(buf, n) : std::wstring();
}

// ---- The program's own file --------------------------------------------

class FileSource : public Source {
public:
    explicit FileSource(const std::wstring& path) {
        h_ = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        LARGE_INTEGER size{};
        if (h_ != INVALID_HANDLE_VALUE && GetFileSizeEx(h_, &size)) size_ = uint64_t(size.QuadPart);
    }
    ~FileSource() override {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    bool Ok() const { return h_ != INVALID_HANDLE_VALUE; }
    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t pos, void* buf, size_t n) override {
        LARGE_INTEGER at;
        at.QuadPart = LONGLONG(pos);
        if (!SetFilePointerEx(h_, at, nullptr, FILE_BEGIN)) return false;
        auto* p = static_cast<char*>(buf);
        while (n > 0) {
            DWORD got = 0;
            if (!ReadFile(h_, p, DWORD(n < (1u << 20) ? n : (1u << 20)), &got, nullptr) || got == 0) return false;
            p += got;
            n -= got;
        }
        return true;
    }

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
    uint64_t size_ = 0;
};

// ---- The target folder ---------------------------------------------------

class WinOutFile : public OutFile {
public:
    WinOutFile(HANDLE h, std::wstring path, DWORD* lastError) : h_(h), path_(std::move(path)), lastError_(lastError) {}
    ~WinOutFile() override {
        if (h_ != INVALID_HANDLE_VALUE) Discard();
    }
    bool Write(const void* data, size_t n) override {
        DWORD done = 0;
        if (WriteFile(h_, data, DWORD(n), &done, nullptr) && done == n) return true;
        *lastError_ = done == n ? GetLastError() : ERROR_DISK_FULL;
        return false;
    }
    bool Close() override {
        bool ok = CloseHandle(h_) != 0;
        if (!ok) *lastError_ = GetLastError();
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }
    void Discard() override {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
        DeleteFileW(path_.c_str());
    }

private:
    HANDLE h_;
    std::wstring path_;
    DWORD* lastError_;
};

class WinTarget : public Target {
public:
    Kind Exists(const std::string& path) override {
        DWORD a = GetFileAttributesW(Wide(path).c_str());
        if (a == INVALID_FILE_ATTRIBUTES) return lastError_ = GetLastError(), Kind::None;
        return (a & FILE_ATTRIBUTE_DIRECTORY) ? Kind::Folder : Kind::File;
    }
    bool MakeFolder(const std::string& path) override {
        if (CreateDirectoryW(Wide(path).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return true;
        lastError_ = GetLastError();
        return false;
    }
    std::unique_ptr<OutFile> Create(const std::string& path) override {
        const std::wstring w = Wide(path);
        // Write-protected, hidden or system files are not replaced as they are.
        DWORD a = GetFileAttributesW(w.c_str());
        if (a != INVALID_FILE_ATTRIBUTES && (a & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
            SetFileAttributesW(w.c_str(), FILE_ATTRIBUTE_NORMAL);
        HANDLE h = CreateFileW(w.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            lastError_ = GetLastError();
            return nullptr;
        }
        return std::make_unique<WinOutFile>(h, w, &lastError_);
    }
    int64_t FreeSpace(const std::string& path) override {
        // The nearest folder that exists already tells the drive.
        std::string p = path;
        for (;;) {
            DWORD a = GetFileAttributesW(Wide(p).c_str());
            if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) break;
            size_t cut = p.find_last_of('\\');
            if (cut == std::string::npos || cut == 0) return -1;
            if (cut <= 2 && p[1] == ':') {
                p = p.substr(0, 3);  // the drive's root
                break;
            }
            p = p.substr(0, cut);
        }
        ULARGE_INTEGER free{};
        if (!GetDiskFreeSpaceExW(Wide(p).c_str(), &free, nullptr, nullptr)) return -1;
        return int64_t(free.QuadPart);
    }
    void Finish(const std::string& path, uint32_t dosTime, uint32_t dosAttributes) override {
        const std::wstring w = Wide(path);
        DWORD a = GetFileAttributesW(w.c_str());
        const bool folder = a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
        FILETIME local, utc;
        if (DosDateTimeToFileTime(WORD(dosTime >> 16), WORD(dosTime), &local) && LocalFileTimeToFileTime(&local, &utc)) {
            HANDLE h = CreateFileW(w.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, folder ? FILE_FLAG_BACKUP_SEMANTICS : 0, nullptr);
            if (h != INVALID_HANDLE_VALUE) {
                SetFileTime(h, nullptr, nullptr, &utc);
                CloseHandle(h);
            }
        }
        const DWORD keep = folder ? (dosAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
                                  : (dosAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
        if (keep & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
            SetFileAttributesW(w.c_str(), (a & FILE_ATTRIBUTE_DIRECTORY) | keep);
    }
    std::string LastError() override { return ErrorText(lastError_); }

private:
    DWORD lastError_ = 0;
};

// ---- Starting the command line -----------------------------------------

class WinLauncher : public Launcher {
public:
    bool Start(const std::string& commandLine, const std::string& folder, std::string& error) override {
        // The program: the first word, or the quoted first part.
        std::wstring cmd = Wide(commandLine), program, params;
        size_t i = 0;
        while (i < cmd.size() && cmd[i] == L' ') ++i;
        if (i < cmd.size() && cmd[i] == L'"') {
            size_t close = cmd.find(L'"', i + 1);
            if (close == std::wstring::npos) close = cmd.size();
            program = cmd.substr(i + 1, close - i - 1);
            i = close + 1;
        } else {
            size_t end = cmd.find(L' ', i);
            if (end == std::wstring::npos) end = cmd.size();
            program = cmd.substr(i, end - i);
            i = end;
        }
        while (i < cmd.size() && cmd[i] == L' ') ++i;
        params = i < cmd.size() ? cmd.substr(i) : std::wstring();
        // A program named without a path is first looked for among the
        // files just unpacked.
        const std::wstring dir = Wide(folder);
        if (program.find_first_of(L"\\/:") == std::wstring::npos) {
            std::wstring local = dir + (dir.empty() || dir.back() == L'\\' ? L"" : L"\\") + program;
            if (GetFileAttributesW(local.c_str()) != INVALID_FILE_ATTRIBUTES) program = local;
        }
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
        info.lpFile = program.c_str();
        info.lpParameters = params.empty() ? nullptr : params.c_str();
        info.lpDirectory = dir.c_str();
        info.nShow = SW_SHOWNORMAL;
        if (ShellExecuteExW(&info)) return true;
        error = ErrorText(GetLastError());
        return false;
    }
};

// ---- Dialogs -------------------------------------------------------------

HINSTANCE g_instance;
HHOOK g_boxHook;

// The system's message box speaks the system's language; ours speaks German.
LRESULT CALLBACK GermanButtons(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wp);
        SetDlgItemTextW(box, IDOK, L"OK");
        SetDlgItemTextW(box, IDCANCEL, L"Abbrechen");
        UnhookWindowsHookEx(g_boxHook);
        g_boxHook = nullptr;
        return 0;
    }
    return CallNextHookEx(g_boxHook, code, wp, lp);
}

int Box(HWND owner, const std::string& text, const std::string& caption, UINT type) {
    g_boxHook = SetWindowsHookExW(WH_CBT, GermanButtons, nullptr, GetCurrentThreadId());
    int answer = MessageBoxW(owner, Wide(text).c_str(), Wide(caption).c_str(), type);
    if (g_boxHook) UnhookWindowsHookEx(g_boxHook);
    g_boxHook = nullptr;
    return answer;
}

void SetText(HWND dlg, int id, const std::string& text) { SetDlgItemTextW(dlg, id, Wide(text).c_str()); }

std::string GetText(HWND dlg, int id) {
    HWND h = GetDlgItem(dlg, id);
    int n = GetWindowTextLengthW(h);
    std::wstring w(size_t(n) + 1, L'\0');
    GetWindowTextW(h, w.data(), n + 1);
    w.resize(size_t(n));
    return Utf8(w);
}

int CALLBACK BrowseCallback(HWND h, UINT msg, LPARAM, LPARAM data) {
    if (msg == BFFM_INITIALIZED && data) SendMessageW(h, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

struct OptionsState {
    std::string caption, folder, info;
    Overwrite mode;
    bool offerMode;
};

INT_PTR CALLBACK OptionsProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = reinterpret_cast<OptionsState*>(GetWindowLongPtrW(dlg, DWLP_USER));
    switch (msg) {
        case WM_INITDIALOG: {
            st = reinterpret_cast<OptionsState*>(lp);
            SetWindowLongPtrW(dlg, DWLP_USER, lp);
            SetWindowTextW(dlg, Wide(st->caption).c_str());
            SetText(dlg, IDC_FOLDER, st->folder);
            SetText(dlg, IDC_INFO, st->info);
            const int radio = st->mode == Overwrite::Always ? IDC_ALWAYS : st->mode == Overwrite::Never ? IDC_NEVER : IDC_CONFIRM;
            CheckRadioButton(dlg, IDC_CONFIRM, IDC_NEVER, radio);
            for (int id : {IDC_MODEGROUP, IDC_CONFIRM, IDC_ALWAYS, IDC_NEVER})
                ShowWindow(GetDlgItem(dlg, id), st->offerMode ? SW_SHOW : SW_HIDE);
            return TRUE;
        }
        case WM_COMMAND:
            switch (LOWORD(wp)) {
                case IDC_BROWSE: {
                    std::wstring start = Wide(GetText(dlg, IDC_FOLDER));
                    BROWSEINFOW bi{};
                    bi.hwndOwner = dlg;
                    bi.lpszTitle = L"Ordner zum Entpacken wählen:";
                    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
                    bi.lpfn = BrowseCallback;
                    bi.lParam = reinterpret_cast<LPARAM>(start.c_str());
                    if (PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi)) {
                        wchar_t path[MAX_PATH];
                        if (SHGetPathFromIDListW(pidl, path)) SetDlgItemTextW(dlg, IDC_FOLDER, path);
                        CoTaskMemFree(pidl);
                    }
                    return TRUE;
                }
                case IDOK: {
                    std::string folder = GetText(dlg, IDC_FOLDER);
                    if (folder.find_first_not_of(' ') == std::string::npos) {
                        Box(dlg, "Bitte einen Ordner angeben.", st->caption, MB_OK | MB_ICONWARNING);
                        SetFocus(GetDlgItem(dlg, IDC_FOLDER));
                        return TRUE;
                    }
                    st->folder = folder;
                    st->mode = IsDlgButtonChecked(dlg, IDC_ALWAYS) ? Overwrite::Always
                               : IsDlgButtonChecked(dlg, IDC_NEVER) ? Overwrite::Never
                                                                    : Overwrite::Confirm;
                    EndDialog(dlg, IDOK);
                    return TRUE;
                }
                case IDCANCEL: EndDialog(dlg, IDCANCEL); return TRUE;
            }
            break;
    }
    return FALSE;
}

struct TextState {
    std::string caption, text;
};

INT_PTR CALLBACK OverwriteProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG: {
            auto* st = reinterpret_cast<TextState*>(lp);
            SetWindowTextW(dlg, Wide(st->caption).c_str());
            SetText(dlg, IDC_TEXT, "Die Datei\n" + st->text + "\nist schon vorhanden. Soll sie überschrieben werden?");
            SendDlgItemMessageW(dlg, IDC_QUESTION, STM_SETICON, WPARAM(LoadIconW(nullptr, IDI_QUESTION)), 0);
            SetFocus(GetDlgItem(dlg, IDC_ANSWER_NO));
            return FALSE;
        }
        case WM_COMMAND:
            switch (LOWORD(wp)) {
                case IDC_ANSWER_YES:
                case IDC_ANSWER_YESALL:
                case IDC_ANSWER_NO:
                case IDC_ANSWER_NOALL:
                case IDCANCEL: EndDialog(dlg, LOWORD(wp)); return TRUE;
            }
            break;
    }
    return FALSE;
}

INT_PTR CALLBACK CommandProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = reinterpret_cast<TextState*>(GetWindowLongPtrW(dlg, DWLP_USER));
    switch (msg) {
        case WM_INITDIALOG:
            st = reinterpret_cast<TextState*>(lp);
            SetWindowLongPtrW(dlg, DWLP_USER, lp);
            SetWindowTextW(dlg, Wide(st->caption).c_str());
            SetText(dlg, IDC_COMMAND, st->text);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK) st->text = GetText(dlg, IDC_COMMAND);
            if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
                EndDialog(dlg, LOWORD(wp));
                return TRUE;
            }
            break;
    }
    return FALSE;
}

INT_PTR CALLBACK ProgressProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL) {
        SetWindowLongPtrW(dlg, DWLP_USER, 1);  // the run sees it at its next step
        EnableWindow(GetDlgItem(dlg, IDCANCEL), FALSE);
        return TRUE;
    }
    return msg == WM_INITDIALOG;
}

class WinUi : public Ui {
public:
    bool ShowMessage(const std::string& caption, const std::string& text) override {
        return Box(Owner(), text, caption, MB_OKCANCEL | MB_ICONINFORMATION) == IDOK;
    }
    bool AskOptions(const std::string& caption, std::string& folder, Overwrite& mode, bool offerMode, size_t files,
                    uint64_t bytes) override {
        OptionsState st{caption, folder,
                        std::to_string(files) + (files == 1 ? " Datei, " : " Dateien, ") + GroupedNumber(bytes) + " Bytes",
                        mode, offerMode};
        if (DialogBoxParamW(g_instance, MAKEINTRESOURCEW(IDD_OPTIONS), Owner(), OptionsProc, LPARAM(&st)) != IDOK)
            return false;
        folder = st.folder;
        mode = st.mode;
        return true;
    }
    OverwriteAnswer AskOverwrite(const std::string& caption, const std::string& path) override {
        TextState st{caption, path};
        switch (DialogBoxParamW(g_instance, MAKEINTRESOURCEW(IDD_OVERWRITE), Owner(), OverwriteProc, LPARAM(&st))) {
            case IDC_ANSWER_YES: return OverwriteAnswer::Yes;
            case IDC_ANSWER_YESALL: return OverwriteAnswer::YesToAll;
            case IDC_ANSWER_NO: return OverwriteAnswer::No;
            case IDC_ANSWER_NOALL: return OverwriteAnswer::NoToAll;
            default: return OverwriteAnswer::Cancel;
        }
    }
    bool AskCommandLine(const std::string& caption, std::string& commandLine) override {
        TextState st{caption, commandLine};
        if (DialogBoxParamW(g_instance, MAKEINTRESOURCEW(IDD_COMMAND), Owner(), CommandProc, LPARAM(&st)) != IDOK)
            return false;
        commandLine = st.text;
        return true;
    }
    void Error(const std::string& caption, const std::string& text) override {
        Box(Owner(), text, caption, MB_OK | MB_ICONERROR);
    }
    void Success(const std::string& caption, const std::string& text) override {
        Box(Owner(), text, caption, MB_OK | MB_ICONINFORMATION);
    }
    void Begin(const std::string& caption, uint64_t totalBytes) override {
        total_ = totalBytes;
        progress_ = CreateDialogParamW(g_instance, MAKEINTRESOURCEW(IDD_PROGRESS), nullptr, ProgressProc, 0);
        if (!progress_) return;
        SetWindowTextW(progress_, Wide(caption).c_str());
        SendDlgItemMessageW(progress_, IDC_BAR, PBM_SETRANGE32, 0, 1000);
        ShowWindow(progress_, SW_SHOW);
        Pump();
    }
    bool Progress(const std::string& name, uint64_t doneBytes) override {
        if (!progress_) return true;
        // The window is brought up to date a few times a second, not per block.
        DWORD now = GetTickCount();
        if (name != shown_ || now - lastUpdate_ >= 100) {
            if (name != shown_) SetText(progress_, IDC_NAME, shown_ = name);
            SendDlgItemMessageW(progress_, IDC_BAR, PBM_SETPOS, WPARAM(total_ ? doneBytes * 1000 / total_ : 0), 0);
            lastUpdate_ = now;
        }
        Pump();
        return GetWindowLongPtrW(progress_, DWLP_USER) == 0;
    }
    void End() override {
        if (progress_) DestroyWindow(progress_);
        progress_ = nullptr;
    }

private:
    HWND Owner() const { return progress_; }
    void Pump() {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (!progress_ || !IsDialogMessageW(progress_, &m)) {
                TranslateMessage(&m);
                DispatchMessageW(&m);
            }
        }
    }
    HWND progress_ = nullptr;
    uint64_t total_ = 0;
    std::string shown_;
    DWORD lastUpdate_ = 0;
};

// The undo record beside the program, read only: a writer that holds it
// shares it with nobody.
class RecordFiles : public zipundo::Files {
public:
    std::unique_ptr<zipundo::File> Open(const std::string& path, Access, zipundo::Reason& why) override {
        auto file = std::make_unique<FileSource>(Wide(path));
        if (file->Ok()) return ReadOnlyFile(std::move(file));
        why = zipundo::FromWindowsError(GetLastError(), false);
        return nullptr;
    }
    bool Remove(const std::string&, zipundo::Reason& why) override {
        why = zipundo::Reason::Other;
        return false;
    }
};

// Lines of the test log, UTF-8, appended.
void AppendLog(const std::wstring& path, const std::string& line) {
    if (path.empty()) return;
    HANDLE h = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    std::string text = line + "\r\n";
    DWORD done = 0;
    WriteFile(h, text.data(), DWORD(text.size()), &done, nullptr);
    CloseHandle(h);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    g_instance = instance;
    SetAnsiDecoder(&AnsiToUtf8);
    const bool unattended = Env(L"ZKSFX_UNATTENDED") == L"1";
    const std::wstring logPath = Env(L"ZKSFX_LOG");
    auto log = [&logPath](const std::string& line) { AppendLog(logPath, line); };

    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // for the folder browser

    std::wstring self(32768, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), DWORD(self.size())));
    RunOptions options;
    options.exeFolder = Utf8(self.substr(0, self.find_last_of(L'\\')));

    UnattendedUi quiet(log);
    WinUi windows;
    Ui& ui = unattended ? static_cast<Ui&>(quiet) : windows;
    FileSource source(self);
    Result result = Result::Failed;
    if (!source.Ok()) {
        ui.Error(options.fallbackCaption, Utf8(self) + "\nkann nicht gelesen werden.\n" + ErrorText(GetLastError()));
    } else {
        WinTarget target;
        WinLauncher launcher;
        // An add that was cut short: read the archive as it was before.
        RecordFiles records;
        zipundo::Reason why = zipundo::Reason::None;
        std::unique_ptr<Source> undone = UndoneView(source, records, Utf8(self), why);
        if (why == zipundo::Reason::Busy)
            ui.Error(options.fallbackCaption, Utf8(self) + "\nwird gerade von einem anderen Programm geschrieben.\n"
                                                           "Versuche es noch einmal, wenn es fertig ist.");
        else
            result = Run(undone ? *undone : source, options, target, ui, launcher);
    }
    log("result: " + std::to_string(int(result)));
    CoUninitialize();
    return int(result);
}
