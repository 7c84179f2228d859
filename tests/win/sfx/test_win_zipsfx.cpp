// The self-extractor on Windows: the built ZKSFX.BIN (copied beside this
// test) with icon image 1 of 744 bytes and its program image ending with the
// file; the writer over the real Win32 file system (system and Windows
// folders, the recycle bin), the stub found in the program's folder with its
// icon replaced, as Windows' own resource loader then sees it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <string>

#include "ui/win32/win32_bundle.h"
#include "platform/fake/fake_platform.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/wstr.h"
#include "archiver/ZipArch.h"
#include "zksfx/sfxformat.h"

namespace zk::test {
namespace {

std::string ExeFolder() {
    wchar_t path[MAX_PATH];
    std::wstring p(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
    return win32::Utf8(p.substr(0, p.rfind(L'\\')));
}

std::string ReadFile(const std::string& path) {
    std::ifstream f(win32::Wide(path).c_str(), std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(win32::Wide(path).c_str(), std::ios::binary) << bytes;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A fresh folder below the temporary folder.
std::string ScratchFolder(const char* name) {
    wchar_t temp[MAX_PATH];
    std::string folder = win32::Utf8(std::wstring(temp, GetTempPathW(MAX_PATH, temp))) + name;
    CreateDirectoryW(win32::Wide(folder).c_str(), nullptr);
    return folder;
}

// Files in the host's trash whose names begin with `name`; -1 when the
// tests were not given a trash of their own (XDG_DATA_HOME, a host path
// that Wine shows below Z:).
int InTrash(const std::string& name) {
    wchar_t buf[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"XDG_DATA_HOME", buf, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return -1;
    std::wstring folder = L"Z:" + std::wstring(buf, n);
    for (wchar_t& c : folder) c = c == L'/' ? L'\\' : c;
    // Made here: without them Wine deletes for good.
    for (const wchar_t* part : {L"", L"\\Trash", L"\\Trash\\info", L"\\Trash\\files"})
        CreateDirectoryW((folder + part).c_str(), nullptr);
    folder += L"\\Trash\\files\\";
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((folder + win32::Wide(name) + L"*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do ++count;
    while (FindNextFileW(h, &found));
    FindClose(h);
    return count;
}

// Icon image 1 of a program file as Windows' resource loader finds it; empty when none.
std::string IconImage(const std::string& path) {
    HMODULE m = LoadLibraryExW(win32::Wide(path).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!m) return {};
    HRSRC r = FindResourceW(m, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(3));
    const char* data = r ? static_cast<const char*>(LockResource(LoadResource(m, r))) : nullptr;
    std::string image = data ? std::string(data, SizeofResource(m, r)) : std::string();
    HICON icon = static_cast<HICON>(LoadImageW(m, MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, 0));
    if (!icon) image.clear();  // the group that shows it must hold it
    else DestroyIcon(icon);
    FreeLibrary(m);
    return image;
}

// The icon file: one image, 32 x 32, 16 colours, its 744 bytes at 22.
TEST(SfxStub, IconImageOneIsTheIconFilesImageAndTheImageEndsWithTheFile) {
    const std::string stub = ReadFile(ExeFolder() + "\\ZKSFX.BIN"), ico = ReadFile(ExeFolder() + "\\zksfx.ico");
    ASSERT_EQ(ico.size(), 766u);
    EXPECT_EQ(ico.substr(0, 10), std::string("\0\0\1\0\1\0\x20\x20\x10\0", 10));
    EXPECT_EQ(ico.substr(14, 8), std::string("\xE8\x02\0\0\x16\0\0\0", 8));
    EXPECT_TRUE(IconImage(ExeFolder() + "\\ZKSFX.BIN") == ico.substr(22));
    zksfx::MemorySource src(stub);
    EXPECT_EQ(zksfx::PeImageEnd(src), stub.size());
}

TEST(Win32Files, SystemAndWindowsFolders) {
    win32::FileSystem files;
    const std::string system = files.SystemFolder(), windows = files.WindowsFolder();
    ASSERT_FALSE(system.empty());
    ASSERT_FALSE(windows.empty());
    EXPECT_NE(system.back(), '\\');
    EXPECT_NE(windows.back(), '\\');
    EXPECT_TRUE(files.DirExists(windows));
    EXPECT_EQ(Lower(system), Lower(windows + "\\system32"));
    EXPECT_TRUE(files.FileExists(system + "\\kernel32.dll"));
}

TEST(Win32Files, RecycleFileTakesTheFileAway) {
    win32::FileSystem files;
    const std::string folder = ScratchFolder("zkrecycle");
    const std::string full = folder + "\\weg damit.txt";
    WriteFile(full, "alt");
    ASSERT_TRUE(files.FileExists(full));
    const int before = InTrash("weg damit.txt");
    EXPECT_TRUE(files.RecycleFile(full));
    EXPECT_FALSE(files.FileExists(full));
    if (before >= 0) {
        EXPECT_EQ(InTrash("weg damit.txt"), before + 1) << "not in the recycle bin";
    }
    EXPECT_FALSE(files.RecycleFile(full));  // nothing there any more

    // A name relative to the current folder.
    wchar_t old[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, old);
    ASSERT_TRUE(files.SetCurrentDir(folder));
    WriteFile(folder + "\\Größe.txt", "alt");
    EXPECT_TRUE(files.RecycleFile("Größe.txt"));
    EXPECT_FALSE(files.FileExists(folder + "\\Größe.txt"));
    SetCurrentDirectoryW(old);
    RemoveDirectoryW(win32::Wide(folder).c_str());
}

class SfxOnWindows : public ::testing::Test {
protected:
    SfxOnWindows() {
        fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) {
            ADD_FAILURE() << "unexpected dialog: " << r.text;
        };
        GetCurrentDirectoryW(MAX_PATH, oldCwd_);
        work_ = ScratchFolder("zksfxwork");
        SetCurrentDirectoryW(win32::Wide(work_).c_str());
        zip.Unattended = true;
        zip.OnMessage = [this](TZipArchiver& z, int32_t, const std::string&) { numbers.push_back(z.ErrorCode); };
    }
    ~SfxOnWindows() override { SetCurrentDirectoryW(oldCwd_); }

    platform::FakePlatform fake;
    win32::Win32Platform real;
    win32::FileSystem& files = real.files;
    platform::Platform platform = platform::Mix(fake.Get(), real.Get(),
                                                platform::kFiles | platform::kApp | platform::kDynLib | platform::kCodePages);
    TZipArchiver zip{platform};
    std::vector<int> numbers;
    std::string work_;
    wchar_t oldCwd_[MAX_PATH];
};

TEST_F(SfxOnWindows, StubFromTheProgramFolderWithAnotherIcon) {
    const std::string stub = ReadFile(ExeFolder() + "\\ZKSFX.BIN");
    std::string icon = ReadFile(ExeFolder() + "\\zksfx.ico");
    ASSERT_EQ(icon.size(), 766u);
    // Other colours: every pixel's palette index changed.
    for (size_t i = 22 + 40 + 64; i < 22 + 40 + 64 + 512; ++i) icon[i] = static_cast<char>(icon[i] ^ 0x33);
    zip.SFXIcon.data.assign(icon.begin(), icon.end());
    zip.SFXPath = "FEHLT.BIN";
    zip.SFXCaption = "Größe für ZANTORIK";
    const std::string archive = work_ + "\\NEU.EXE";
    DeleteFileW(win32::Wide(archive).c_str());  // left by an earlier run
    zip.SetZipFileName(archive);
    WriteFile(archive, "ein altes Archiv");  // goes to the recycle bin
    ASSERT_TRUE(numbers.empty());
    const int before = InTrash("NEU.EXE");

    ASSERT_EQ(zip.WriteSfxStub(), 0) << zip.LastMessage;
    EXPECT_TRUE(numbers.empty());
    if (before >= 0) {
        EXPECT_EQ(InTrash("NEU.EXE"), before + 1) << "the old file is not in the recycle bin";
    }
    EXPECT_EQ(Lower(zip.SFXPath), Lower(ExeFolder() + "\\ZKSFX.BIN"));
    const std::string file = ReadFile(archive);
    ASSERT_EQ(file.size(), stub.size() + 32 + 22);  // 12 + 18 rounded up

    EXPECT_TRUE(IconImage(archive) == icon.substr(22)) << "Windows sees another icon image";

    // Nothing else of the stub changed, and the stub finds its settings.
    size_t differ = 0;
    for (size_t i = 0; i < stub.size(); ++i) differ += file[i] != stub[i];
    EXPECT_GT(differ, 0u);
    EXPECT_LE(differ, 512u);
    zksfx::MemorySource src(file);
    EXPECT_EQ(zksfx::PeImageEnd(src), stub.size());
    zksfx::Settings settings;
    uint64_t at = 0;
    std::string error;
    ASSERT_TRUE(zksfx::LocateHeader(src, src.Size(), at, settings, error)) << error;
    EXPECT_EQ(settings.caption, "Größe für ZANTORIK");
    DeleteFileW(win32::Wide(archive).c_str());
}

}  // namespace
}  // namespace zk::test
