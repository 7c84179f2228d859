// Spanning under Wine: the real ZKZIP.DLL writes the temporary archive, the
// component copies it onto drive A:, which the prefix maps as a floppy. The
// script around this test swaps the folder behind A: whenever the disk
// request asks for the next disk (ZK_SPAN_CTL names the folder both sides
// talk through), and checks the parts afterwards with Info-ZIP.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "ui/win32/win32_bundle.h"
#include "platform/fake/fake_platform.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/wstr.h"
#include "archiver/ZipArch.h"

namespace zk::test {
namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(win32::Wide(path).c_str(), std::ios::binary) << content;
}

bool Exists(const std::string& path) { return GetFileAttributesW(win32::Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

// Asks the script for disk n behind A: and waits until it is there.
bool SwapDisk(const std::string& ctl, int n) {
    const std::string ack = ctl + "\\ack" + std::to_string(n);
    WriteFile(ctl + "\\request.tmp", std::to_string(n));
    if (!MoveFileExW(win32::Wide(ctl + "\\request.tmp").c_str(), win32::Wide(ctl + "\\request").c_str(),
                     MOVEFILE_REPLACE_EXISTING))
        return false;
    for (int i = 0; i < 600; ++i) {
        if (Exists(ack)) {
            DeleteFileW(win32::Wide(ack).c_str());
            return true;
        }
        Sleep(50);
    }
    return false;
}

class SpanWine : public ::testing::Test {
protected:
    SpanWine() {
        fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) {
            ADD_FAILURE() << "unexpected dialog: " << r.text;
        };
        zip.OnMessage = [this](TZipArchiver& z, int32_t, const std::string& text) {
            if (text.rfind(MessageText(zmCopying), 0) != 0) messages += std::to_string(z.ErrorCode) + " " + text + "\n";
        };
    }
    platform::FakePlatform fake;
    win32::Win32Platform real;
    win32::FileSystem& files = real.files;
    platform::Platform platform = platform::Mix(fake.Get(), real.Get(),
                                                platform::kFiles | platform::kApp | platform::kDynLib | platform::kCodePages | platform::kDiskFormat);
    TZipArchiver zip{platform};
    std::string messages;
};

TEST_F(SpanWine, GameOntoFloppies) {
    const std::string ctl = Env("ZK_SPAN_CTL"), src = Env("ZK_SPAN_SRC");
    if (ctl.empty() || src.empty()) GTEST_SKIP() << "run through run_span.sh";
    ASSERT_EQ(files.DriveKind('A'), platform::DriveType::Removable);
    ASSERT_TRUE(files.SetCurrentDir(src));
    files.CreateDir(src + "\\TMP");
    zip.TempDir = src + "\\TMP";
    zip.AddOptions = {AddDirNames, AddDiskSpan};
    zip.MaxVolumeSize = 1457664;
    zip.SetZipFileName("A:\\GAME.ZIP");
    std::vector<int> asked, totals;
    zip.OnGetNextDisk = [&](TZipArchiver&, int32_t disk, int32_t total, const std::string& drive, bool& abort) {
        EXPECT_EQ(drive, "A:\\");
        asked.push_back(disk);
        totals.push_back(total);
        abort = !SwapDisk(ctl, disk);
    };
    zip.FSpecArgs = {"ZANTORIK.EXE", "TEXTE\\THEMA.TXT", "LEER.DAT"};
    zip.AddFiles();
    ASSERT_EQ(zip.SuccessCount, 3) << messages;
    ASSERT_GE(asked.size(), 2u);
    for (size_t i = 0; i < asked.size(); ++i) EXPECT_EQ(asked[i], static_cast<int>(i) + 1);
    EXPECT_EQ(totals.front(), static_cast<int>(asked.size()));
    // The directory was read back from the last disk.
    ASSERT_EQ(zip.Contents.size(), 3u) << messages;
    EXPECT_EQ(zip.Contents[1].FileName, "TEXTE\\THEMA.TXT");
    EXPECT_TRUE(zip.Spanned());
    // Wine keeps the label written in the file .windows-label of the disk's
    // root (the script checks every disk) but reads an empty one back for a
    // drive typed floppy.
    EXPECT_EQ(zip.VolumeLabel(), "");
    // Nothing is left in the temporary folder.
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(win32::Wide(src + "\\TMP\\*.*").c_str(), &fd);
    int left = 0;
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++left;
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    EXPECT_EQ(left, 0);

    // Disk 1 alone holds no end record. On Windows its label would make
    // that 11037 (the first disk); with Wine's empty label it is 11045.
    ASSERT_TRUE(SwapDisk(ctl, 1));
    fake.dialogs.Answer(platform::mrOk);  // the message box of the failed read
    zip.SetZipFileName("A:\\GAME.ZIP");
    EXPECT_EQ(zip.ZipFileName(), "");
    EXPECT_NE(messages.find("11045"), std::string::npos) << messages;
}

}  // namespace
}  // namespace zk::test

namespace zk::test {
namespace {

// Wine's shell has no format dialog: SHFormatDrive answers "no format" at
// once, which the component takes as a cancelled format.
TEST(DiskFormatWine, NoDialogRunsUnderWine) {
    win32::DiskFormat format;
    const DWORD before = GetTickCount();
    EXPECT_EQ(format.Format(0, "PKBACK# 001", false, nullptr), platform::kFormatNotRun);
    EXPECT_LT(GetTickCount() - before, 10000u);
    EXPECT_EQ(format.Format(26, "PKBACK# 001", true, nullptr), platform::kFormatNotRun);  // no such drive
}

TEST_F(SpanWine, EraseEndsAsACancelledFormat) {
    const std::string ctl = Env("ZK_SPAN_CTL"), src = Env("ZK_SPAN_SRC");
    if (ctl.empty() || src.empty()) GTEST_SKIP() << "run through run_span.sh";
    ASSERT_TRUE(files.SetCurrentDir(src));
    files.CreateDir(src + "\\TMP");
    zip.TempDir = src + "\\TMP";
    zip.AddOptions = {AddDirNames, AddDiskSpanErase};
    zip.MaxVolumeSize = 1457664;
    zip.ConfirmErase = false;
    zip.SetZipFileName("A:\\ERASE.ZIP");
    fake.dialogs.Answer(platform::mrOk);  // the disk prompt; no OnGetNextDisk here
    zip.FSpecArgs = {"LEER.DAT"};
    zip.AddFiles();
    EXPECT_EQ(zip.SuccessCount, 0);
    EXPECT_EQ(zip.ErrorCode, 11007) << messages;
    EXPECT_EQ(fake.dialogs.shown.size(), 1u);
    EXPECT_FALSE(files.FileExists("A:\\ERASE.ZIP"));
}

}  // namespace
}  // namespace zk::test

namespace zk::test {
namespace {

// A stand-in for the shell's format dialog, with the same control numbers:
// it turns its controls on as the real one does, puts its own text into the
// label field, and records what the hook made of them when it closes.
struct StandIn {
    bool confirm = true;     // the test's expectation: nobody presses Start
    bool started = false;    // Start was pressed
    bool closedByHook = false;
    std::wstring label;      // the label field at the end
    bool capacityEnabled = true, labelEnabled = true, quickEnabled = true;
    bool quickChecked = false, systemChecked = true;
    unsigned drive = 99;
    bool done = false;
    unsigned long result = 0;
};
StandIn g_standIn;

void Record(HWND dlg) {
    wchar_t text[64] = {};
    GetDlgItemTextW(dlg, 38, text, 64);
    g_standIn.label = text;
    g_standIn.capacityEnabled = IsWindowEnabled(GetDlgItem(dlg, 35));
    g_standIn.labelEnabled = IsWindowEnabled(GetDlgItem(dlg, 38));
    g_standIn.quickEnabled = IsWindowEnabled(GetDlgItem(dlg, 39));
    g_standIn.quickChecked = IsDlgButtonChecked(dlg, 39) == BST_CHECKED;
    g_standIn.systemChecked = IsDlgButtonChecked(dlg, 41) == BST_CHECKED;
}

LRESULT CALLBACK StandInProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND && LOWORD(wp) == 1) {
        g_standIn.started = true;
        // "Formatted": Cancel becomes a plain Close button.
        SendMessageW(GetDlgItem(h, 2), BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
        return 0;
    }
    if (msg == WM_COMMAND && LOWORD(wp) == 2) {
        Record(h);
        g_standIn.closedByHook = true;
        g_standIn.result = 0;
        g_standIn.done = true;
        return 0;
    }
    if (msg == WM_TIMER) {  // nobody acted: the user cancels
        Record(h);
        g_standIn.result = static_cast<unsigned long>(platform::kFormatCancelled);
        g_standIn.done = true;
        return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

unsigned long __stdcall StandInFormat(void* parent, unsigned drive, unsigned, unsigned) {
    g_standIn.drive = drive;
    WNDCLASSW wc{};
    wc.lpfnWndProc = StandInProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZkStandInFormat";
    RegisterClassW(&wc);
    HWND dlg = CreateWindowExW(0, L"ZkStandInFormat", L"Format", WS_POPUP | WS_CAPTION | WS_VISIBLE, 10, 10, 300, 200,
                               static_cast<HWND>(parent), nullptr, wc.hInstance, nullptr);
    auto control = [&](const wchar_t* cls, int id, DWORD style) {
        return CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | WS_DISABLED | style, 10, 10 + id, 100, 20, dlg,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), wc.hInstance, nullptr);
    };
    control(L"COMBOBOX", 35, CBS_DROPDOWNLIST);
    control(L"EDIT", 38, 0);
    control(L"BUTTON", 39, BS_AUTOCHECKBOX);
    HWND system = control(L"BUTTON", 41, BS_AUTOCHECKBOX);
    control(L"BUTTON", 1, BS_DEFPUSHBUTTON);
    control(L"BUTTON", 2, BS_PUSHBUTTON);
    SendMessageW(system, BM_SETCHECK, BST_CHECKED, 0);
    for (int id : {35, 38, 39, 41, 1, 2}) EnableWindow(GetDlgItem(dlg, id), TRUE);
    SetDlgItemTextW(dlg, 38, L"EIGENES");
    PostMessageW(dlg, 0x402, 0, 0);
    SetTimer(dlg, 1, 1500, nullptr);
    MSG m;
    while (!g_standIn.done && GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    DestroyWindow(dlg);
    return g_standIn.result;
}

TEST(DiskFormatWine, TheHookSteersTheDialog) {
    // The owner lives on this thread, which must keep its messages moving
    // while the dialog's thread talks to it.
    HWND owner = CreateWindowExW(0, L"STATIC", L"Besitzer", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    for (bool confirm : {false, true}) {
        g_standIn = StandIn{};
        win32::DiskFormat format;
        format.formatFunction = &StandInFormat;
        int result = format.Format(1, "PKBACK# 007", confirm, confirm ? nullptr : owner);
        EXPECT_EQ(g_standIn.drive, 1u);
        EXPECT_EQ(g_standIn.label, L"PKBACK# 007") << confirm;
        EXPECT_FALSE(g_standIn.capacityEnabled) << confirm;
        EXPECT_FALSE(g_standIn.labelEnabled) << confirm;
        EXPECT_FALSE(g_standIn.quickEnabled) << confirm;
        EXPECT_TRUE(g_standIn.quickChecked) << confirm;
        EXPECT_FALSE(g_standIn.systemChecked) << confirm;
        // Without confirmation Start and then Close are pressed for the user.
        EXPECT_EQ(g_standIn.started, !confirm);
        EXPECT_EQ(g_standIn.closedByHook, !confirm);
        EXPECT_EQ(result, confirm ? platform::kFormatCancelled : 0);
    }
    DestroyWindow(owner);
}

}  // namespace
}  // namespace zk::test
