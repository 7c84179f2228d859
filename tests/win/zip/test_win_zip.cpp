// The archive component with real libraries and real windows: ZKZIP.DLL
// loaded from the library folder and by its plain name and let go again,
// stand-ins without an entry point, the command as a recording library of
// a given version receives it, the password dialog on the screen.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "../screenshot.h"
#include "archiver/ZipArch.h"
#include "archiver/win32/PasswordDlg_win32.h"
#include "platform/fake/fake_platform.h"
#include "platform/win32/wstr.h"
#include "ui/win32/peers.h"
#include "ui/win32/win32_bundle.h"

namespace zk::test {
namespace {

std::string Dlls(const std::string& which) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p = path;
    return win32::Utf8(p.substr(0, p.rfind(L'\\'))) + "\\zipdlls\\" + which;
}

// The folder the loaded ZKZIP.DLL came from, in lower case; "" when none is loaded.
std::string LoadedFrom() {
    HMODULE h = GetModuleHandleW(L"ZKZIP.DLL");
    wchar_t path[MAX_PATH] = {};
    if (h) GetModuleFileNameW(h, path, MAX_PATH);
    std::string s = win32::Utf8(path);
    for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return s.empty() ? s : s.substr(0, s.rfind('\\'));
}

class ZipWin : public ::testing::Test {
protected:
    ZipWin() {
        fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) { ADD_FAILURE() << "dialog: " << r.text; };
        zip.Unattended = true;
        zip.OnMessage = [this](TZipArchiver& z, int32_t, const std::string&) { numbers.push_back(z.ErrorCode); };
        SetCurrentDirectoryW(win32::Wide(Dlls("none")).c_str());
    }
    ~ZipWin() override {
        TZipArchiver::UnloadZipLibrary();
        SetEnvironmentVariableA("ZK_TESTLIB_VERSION", nullptr);
    }
    platform::FakePlatform fake;
    win32::Win32Platform real;
    platform::Platform platform = platform::Mix(fake.Get(), real.Get(),
                                                platform::kFiles | platform::kApp | platform::kDynLib | platform::kCodePages);
    TZipArchiver zip{platform};
    std::vector<int> numbers;
};

TEST_F(ZipWin, TheLibraryIsLoadedAsFoundAndLetGoAgain) {
    auto lower = [](std::string s) {
        for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        return s;
    };
    struct Case {
        const char *current, *folder, *loaded;  // loaded "": none
        std::vector<int> numbers;
        int32_t version;
    } cases[] = {
        {"real", "record", "record", {}, 4711},  // the folder first...
        {"real", "", "real", {}, 160},           // ...else the plain name
        {"real", "none", "real", {}, 160},
        {"none", "none", "", {10604}, 0},
        {"none", "noexec", "noexec", {10602}, 160},  // stays loaded without an entry point
        {"none", "nover", "nover", {10603}, 0},
    };
    for (const Case& c : cases) {
        numbers.clear();
        SetCurrentDirectoryW(win32::Wide(Dlls(c.current)).c_str());
        zip.SetDLLDirectory(*c.folder ? Dlls(c.folder) : "");
        zip.LoadZipLibrary();
        EXPECT_EQ(numbers, c.numbers) << c.folder;
        EXPECT_EQ(LoadedFrom(), *c.loaded ? lower(Dlls(c.loaded)) : "") << c.folder;
        auto version = TZipArchiver::GetZkZipVersionEntry();
        EXPECT_EQ(version ? version() : 0, c.version) << c.folder;
        EXPECT_EQ(SetErrorMode(0), 0u);  // set back after the load
        TZipArchiver::UnloadZipLibrary();
        EXPECT_EQ(LoadedFrom(), "") << c.folder;  // the library let go for real
    }
    // The version routine loads the library and frees it again, unless it was loaded before.
    SetCurrentDirectoryW(win32::Wide(Dlls("real")).c_str());
    zip.SetDLLDirectory("");
    EXPECT_EQ(zip.GetZkZipVersion(), 160);
    EXPECT_EQ(LoadedFrom(), "");
    zip.LoadZipLibrary();
    EXPECT_EQ(zip.GetZkZipVersion(), 160);
    EXPECT_NE(LoadedFrom(), "");
}

// The fields of the command as the recording library reports them; "*" the
// component's own address. The head as the setup's instance sends it:
const char* const kSetupHead =
    "callback=1 trace=0 password=null suffixes=\".gif:.png:.z:.zip:.zoo:.arc:.lzh:.arj:.taz:.tgz:.lha\" encrypt=0 "
    "hidden=0 volume=0 0x28=0 noDirEntries=-1 0x30=0 verbose=0 0x38=-1 level=9 0x44=0 dropDirNames=0 recurse=0 "
    "0x50=-1 forceDOS=0 move=0 0x5C=0 update=0 freshen=0 0x68=0 time=0 ";

TEST_F(ZipWin, TheCommandAsALibraryOfAGivenVersionReceivesIt) {
    std::string umlauts;  // 90 characters, the last 45 of two bytes each: 81 go out
    for (int i = 0; i < 45; ++i) umlauts += "ü";
    const std::string pw81 = "password=\"" + std::string(45, 'p') + umlauts.substr(0, 72) + "\" ";
    const std::string archive = "archive=\"C:\\NIRGENDS\\GAME.ZIP\" ";
    struct Case {
        int version;
        bool everything;  // every option on, else as the setup adds
        std::string sent;
    } cases[] = {
        {160, false, std::string("handle=0 caller=* version=160 ") + kSetupHead + "argCount=2 " + archive +
                         "tempDir=null comment=\"Kommentar\" archiveOnly=0 resetArchive=0 exclCount=1 excl=1 "
                         "excl=\"*.BAK\" endMark=7 spec=\"A.TXT\" password=\"pw\" encrypt=65535 recurse=65535 "
                         "rootDir=null spec=\"B.TXT\" password=null encrypt=0 recurse=0 rootDir=null "},
        {160, true, "handle=18193 caller=* version=160 callback=1 trace=-1 " + pw81 +
                        "suffixes=\".gif:.zip:.exe\" encrypt=-1 hidden=-1 volume=-1 0x28=0 noDirEntries=0 0x30=0 "
                        "verbose=-1 0x38=-1 level=6 0x44=0 dropDirNames=-1 recurse=65535 0x50=-1 forceDOS=-1 move=-1 "
                        "0x5C=0 update=-1 freshen=0 0x68=0 time=-1 argCount=2 " + archive +
                        "tempDir=\"C:\\TMP\" comment=\"Kommentar\" archiveOnly=1 resetArchive=1 exclCount=2 excl=1 "
                        "excl=\"*.BAK\" excl=\"TEXTE\\NOTIZ.*\" endMark=7 spec=\"A.TXT\" password=\"pw\" "
                        "encrypt=65535 recurse=65535 rootDir=\"C:\\SPIELE\\\" spec=\"B.TXT\" " + pw81 +
                        "encrypt=-1 recurse=0 rootDir=\"C:\\SPIELE\\\" "},
        // Below: the old layout, the entries whole.
        {150, false, std::string("layout=old handle=0 caller=* version=160 ") + kSetupHead + "argCount=2 " + archive +
                         "endMark=7 spec=\">A.TXT<pw\" spec=\"|B.TXT\" "},
    };
    int dirUpdates = 0;
    zip.OnDirUpdate = [&](TZipArchiver&) { ++dirUpdates; };
    zip.SetDLLDirectory(Dlls("record"));
    for (const Case& c : cases) {
        zip.SetZipFileName("C:\\NIRGENDS\\GAME.ZIP");  // not there: nothing to read, the comment cleared
        TZipArchiver fresh(platform);
        zip.AddOptions = {AddDirNames};
        zip.AddStoreSuffixes = fresh.AddStoreSuffixes;
        zip.AddCompLevel = 9;
        zip.SetPassword("");
        zip.SetRootDir("");
        zip.Trace = false;
        zip.Unattended = true;
        zip.ArchiveComment = "Kommentar";
        zip.TempDir = "";
        zip.FSpecArgsExcl = {"*.BAK"};
        zip.FSpecArgs = {">A.TXT<pw", "|B.TXT"};
        if (c.everything) {
            zip.Unattended = false;
            zip.OwnerWindow = reinterpret_cast<void*>(0x4711);
            zip.Trace = true;  // brings the verbose flag with it, and a box for the load
            fake.dialogs.Answer(platform::mrOk);
            zip.AddCompLevel = 6;
            zip.AddOptions = {AddRecurseDirs, AddMove,        AddFreshen,      AddUpdate,  AddZipTime,      AddForceDOS,
                              AddHiddenFiles, AddArchiveOnly, AddResetArchive, AddEncrypt, AddSeparateDirs, AddVolume};
            zip.SetPassword(std::string(45, 'p') + umlauts);
            zip.AddStoreSuffixes = {assZIP, assEXE, assGIF};
            zip.TempDir = "C:\\TMP";
            zip.SetRootDir("C:\\SPIELE");
            zip.FSpecArgsExcl = {"*.BAK", "TEXTE\\NOTIZ.*"};
            zip.FSpecArgs = {">A.TXT<pw", "|B.TXT"};
        }
        SetEnvironmentVariableA("ZK_TESTLIB_VERSION", std::to_string(c.version).c_str());
        zip.LoadZipLibrary();  // kept loaded to read its log afterwards
        dirUpdates = 0;
        zip.AddFiles();
        EXPECT_EQ(zip.SuccessCount, 2) << c.version;
        EXPECT_TRUE(zip.FSpecArgs.empty() && zip.FSpecArgsExcl.empty()) << c.version;
        EXPECT_EQ(dirUpdates, 1) << c.version;  // a result above 0 re-reads the (missing) archive
        auto log = platform::SymbolAs<const char*(ZK_STDCALL*)()>(real.dynlib, TZipArchiver::ZipLibraryHandle(),
                                                                    "ZkTestLog");
        ASSERT_NE(log, nullptr);
        std::string sent = log();
        const std::string caller = "caller=" + std::to_string(reinterpret_cast<intptr_t>(&zip)) + " ";
        if (sent.find(caller) != std::string::npos) sent.replace(sent.find(caller), caller.size(), "caller=* ");
        EXPECT_EQ(sent, c.sent) << c.version;
        TZipArchiver::UnloadZipLibrary();
    }
}

// The dialog on a real screen: a timer types into it and presses its buttons
// while the dialog's own loop runs.
struct DialogUser {
    static inline std::vector<std::pair<std::string, bool>> acts;  // entry, OK
    static inline size_t next = 0;
    static inline bool starred = true;
    static BOOL CALLBACK FindDialog(HWND h, LPARAM param) {
        wchar_t caption[256] = {};
        GetWindowTextW(h, caption, 256);
        if (!IsWindowVisible(h) || caption != win32::Wide(MessageText(zmPwdCaption))) return TRUE;
        *reinterpret_cast<HWND*>(param) = h;
        return FALSE;
    }
    static void CALLBACK Act(HWND, UINT, UINT_PTR, DWORD) {
        HWND dlg = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dlg));
        HWND edit = dlg ? FindWindowExW(dlg, nullptr, L"EDIT", nullptr) : nullptr;
        if (!edit || next >= acts.size()) return;
        if (const char* dir = std::getenv("ZK_SHOT_DIR"); dir && *dir && next == 0)
            SaveShot(dlg, std::string(dir) + "\\look-password.bmp");
        starred &= SendMessageW(edit, EM_GETPASSWORDCHAR, 0, 0) == '*';
        const auto& [entry, ok] = acts[next++];
        SetWindowTextW(edit, win32::Wide(entry).c_str());
        HWND button = FindWindowExW(dlg, nullptr, L"BUTTON", nullptr);
        PostMessageW(ok ? button : FindWindowExW(dlg, button, L"BUTTON", nullptr), BM_CLICK, 0, 0);
    }
};

TEST_F(ZipWin, ThePasswordDialogOnTheScreen) {
    ui::win32::Init(real.app);
    win32::InstallPasswordDlg();
    zip.Unattended = false;
    DialogUser::acts = {{"Zantorik", true}, {"Zantorik", true}, {"nur einmal", false}};
    UINT_PTR timer = SetTimer(nullptr, 0, 100, DialogUser::Act);
    EXPECT_EQ(zip.AskPasswordConfirmed(), "Zantorik");
    EXPECT_EQ(zip.AskPassword(), "");
    KillTimer(nullptr, timer);
    EXPECT_EQ(DialogUser::next, 3u);
    EXPECT_TRUE(DialogUser::starred);
    TPasswordDlg::runModal = nullptr;
}

}  // namespace
}  // namespace zk::test
