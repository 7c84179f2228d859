// The component with the real ZKZIP.DLL beside the program, run by scripts:
// zip_game.sh (the game folder ZK_GAME_DIR zipped one file per call, as the
// setup does) and run_span.sh (spanning onto A:, a floppy of the prefix,
// whose disk the script swaps when asked through the folder ZK_SPAN_CTL).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "archiver/ZipArch.h"
#include "zipundo/journal.h"
#include "archiver/win32/PasswordDlg_win32.h"
#include "host_scratch.h"
#include "ui/win32/peers.h"
#include "platform/fake/fake_platform.h"
#include "platform/win32/wstr.h"
#include "ui/win32/win32_bundle.h"

namespace zk::test {
namespace {

class ZipWin : public ::testing::Test {
protected:
    ZipWin() {
        fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) { ADD_FAILURE() << "dialog: " << r.text; };
        zip.Unattended = true;
        zip.OnMessage = [this](TZipArchiver&, int32_t, const std::string& text) { said += text + "\n"; };
    }
    platform::FakePlatform fake;
    win32::Win32Platform real;
    platform::Platform mixed = platform::Mix(fake.Get(), real.Get(), platform::kFiles | platform::kApp |
                                                 platform::kDynLib | platform::kCodePages | platform::kDiskFormat);
    TZipArchiver zip{mixed};
    std::string said;
};

// The names relative to the current folder, the directory read back and the
// library let go after each call.
TEST_F(ZipWin, GameOneFilePerAdd) {
    const wchar_t *game = _wgetenv(L"ZK_GAME_DIR"), *archive = _wgetenv(L"ZK_GAME_ZIP");
    ASSERT_TRUE(game && archive) << "run by zip_game.sh";
    std::vector<std::pair<std::string, uint64_t>> files;  // sorted as the setup lists them
    for (const auto& e : std::filesystem::recursive_directory_iterator(game))
        if (e.is_regular_file()) {
            std::wstring rel = std::filesystem::relative(e.path(), game).wstring();
            std::replace(rel.begin(), rel.end(), L'/', L'\\');
            files.push_back({win32::Utf8(rel), e.file_size()});
        }
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 10u);
    zip.AddOptions = {AddDirNames};
    int reads = 0;
    zip.OnDirUpdate = [&](TZipArchiver&) { ++reads; };
    ASSERT_TRUE(real.files.SetCurrentDir(win32::Utf8(game)));
    zip.SetZipFileName(win32::Utf8(archive));
    for (size_t i = 0; i < files.size(); ++i) {
        zip.FSpecArgs = {files[i].first};
        ASSERT_TRUE(zip.AddFiles()) << files[i].first << ": " << zip.LastMessage;
        ASSERT_EQ(reads, static_cast<int>(i) + 2) << files[i].first;
        ASSERT_EQ(zip.Contents.size(), i + 1) << files[i].first;
        for (size_t k = 0; k <= i; ++k)
            EXPECT_EQ(zip.Contents[k].FileName + " " + std::to_string(zip.Contents[k].UncomprSize),
                      files[k].first + " " + std::to_string(files[k].second));
        ASSERT_EQ(GetModuleHandleW(L"ZKZIP.DLL"), nullptr) << "the library was not let go";
    }
    for (const ZipDirEntry& e : zip.Contents) EXPECT_LE(e.ComprSize, e.UncomprSize) << e.FileName;
    EXPECT_EQ(said, "");
    // GetDiskFreeSpaceExA, from Kernel32
    EXPECT_EQ(std::tuple(zip.disks.SizeBytes() > 0, zip.disks.SizeBytes() < UINT64_MAX), std::tuple(true, true));
}

// Asks the script for disk n behind A: and waits until it is there.
bool SwapDisk(const std::string& ctl, int n) {
    std::ofstream(win32::Wide(ctl + "\\request.tmp").c_str()) << n;
    MoveFileExW(win32::Wide(ctl + "\\request.tmp").c_str(), win32::Wide(ctl + "\\request").c_str(), MOVEFILE_REPLACE_EXISTING);
    for (int i = 0; i < 600; ++i, Sleep(50))
        if (DeleteFileW(win32::Wide(ctl + "\\ack" + std::to_string(n)).c_str())) return true;
    return false;
}

// The library writes a temporary archive (in ZK_SPAN_SRC, with the files),
// the component copies it onto the disks; run_span.sh joins them.
TEST_F(ZipWin, SpanOntoFloppies) {
    const char *ctl = std::getenv("ZK_SPAN_CTL"), *src = std::getenv("ZK_SPAN_SRC");
    ASSERT_TRUE(ctl && src && real.files.SetCurrentDir(src)) << "run through run_span.sh";
    ASSERT_EQ(real.files.DriveKind('A'), platform::DriveType::Removable);
    zip.TempDir = std::string(src) + "\\TMP";
    real.files.CreateDir(zip.TempDir);
    zip.Unattended = false, zip.MaxVolumeSize = 1457664;  // the disks are asked for
    zip.AddOptions = {AddDirNames, AddDiskSpan};
    zip.SetZipFileName("A:\\GAME.ZIP");
    std::vector<int> asked;
    zip.OnGetNextDisk = [&](TZipArchiver&, int32_t disk, int32_t, const std::string& drive, bool& abort) {
        EXPECT_EQ(drive, "A:\\");
        asked.push_back(disk);
        abort = !SwapDisk(ctl, disk);
    };
    zip.FSpecArgs = {"ZANTORIK.EXE", "TEXTE\\THEMA.TXT", "LEER.DAT"};
    ASSERT_TRUE(zip.AddFiles()) << said;
    for (size_t i = 0; i < asked.size(); ++i) EXPECT_EQ(asked[i], static_cast<int>(i) + 1);
    ASSERT_EQ(zip.Contents.size(), 3u) << said;  // read back from the last disk
    EXPECT_EQ(std::tuple(zip.directory.Spanned(), zip.Contents[1].FileName), std::tuple(true, "TEXTE\\THEMA.TXT"));
    platform::FoundEntry left;
    EXPECT_FALSE(real.files.FindFirst(zip.TempDir + "\\*.*", 0, left)) << left.name;  // no temporary archive left
}

// The password dialog on a real screen: a timer types into it and presses OK
// or Cancel while the dialog's own loop runs; the entry shows stars.
struct DialogUser {
    static inline std::vector<std::pair<std::string, bool>> acts;  // entry, OK
    static inline size_t next = 0;
    static inline bool starred = true;
    static void CALLBACK Act(HWND, UINT, UINT_PTR, DWORD) {
        HWND dlg = FindWindowW(nullptr, win32::Wide(MessageText(zmPwdCaption)).c_str());
        HWND edit = dlg && IsWindowVisible(dlg) ? FindWindowExW(dlg, nullptr, L"EDIT", nullptr) : nullptr;
        if (!edit || next >= acts.size()) return;
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

// Windows' sharing modes keep one writer at a time: a held record stops the
// add and the directory read; an archive that another program holds keeps
// the record of a cut-short add until it can be put back.
TEST_F(ZipWin, OneWriterAtATimeBySharingModes) {
    const std::string dir = real.files.TempFolder() + "ZKONE", arc = dir + "\\ONE.ZIP", record = arc + ".zkj";
    real.files.CreateDir(dir);
    ASSERT_TRUE(real.files.SetCurrentDir(dir));
    for (const char* name : {"A.TXT", "B.TXT"}) std::ofstream(win32::Wide(dir + "\\" + name).c_str()) << name << " Inhalt";
    DeleteFileW(win32::Wide(arc).c_str());
    auto add = [this](const char* name) {
        zip.FSpecArgs = {name};
        return zip.AddFiles();
    };
    auto hold = [](const std::string& path, DWORD how) {
        return CreateFileW(win32::Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, how, 0, nullptr);
    };
    zip.SetZipFileName(arc);
    ASSERT_TRUE(add("A.TXT")) << said;
    EXPECT_FALSE(real.files.FileExists(record));  // removed through its handle
    const std::string one = Slurp(arc);
    HANDLE other = hold(record, CREATE_NEW);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(add("B.TXT"));
    EXPECT_EQ(zip.ErrorCode, ZK_ERR_BUSY);
    zip.SetZipFileName(arc);
    EXPECT_TRUE(zip.ZipFileName().empty());
    EXPECT_EQ(zip.LastMessage, MessageText(zmArchiveBusy));
    CloseHandle(other);
    DeleteFileW(win32::Wide(record).c_str());
    EXPECT_EQ(Slurp(arc), one);
    // The record of an add cut short, over a broken end; the archive held elsewhere.
    zipundo::journal::Undo u;
    u.tailOffset = one.size() - 22, u.tail = one.substr(u.tailOffset), u.prefixLength = 16;
    u.prefixCrc = zipundo::journal::Crc32(one.data() + u.tailOffset - 16, 16);
    std::ofstream(win32::Wide(record).c_str(), std::ios::binary) << zipundo::journal::Encode(u);
    std::ofstream(win32::Wide(arc).c_str(), std::ios::binary) << one.substr(0, u.tailOffset) << "PK\3\4 halb";
    other = hold(arc, OPEN_EXISTING);
    zip.SetZipFileName(arc);
    CloseHandle(other);
    EXPECT_TRUE(zip.ZipFileName().empty());
    EXPECT_NE(zip.LastMessage.find("denn ein anderes Programm hat sie geöffnet."), std::string::npos) << zip.LastMessage;
    EXPECT_TRUE(real.files.FileExists(record));
    zip.SetZipFileName(arc);
    EXPECT_EQ(Slurp(arc), one);
    ASSERT_TRUE(add("B.TXT")) << said;
    EXPECT_EQ(zip.Contents.size(), 2u);
    EXPECT_FALSE(real.files.FileExists(record));
}

}  // namespace
}  // namespace zk::test
