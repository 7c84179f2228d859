// Shortcuts over the real registry, file system and shell of the Wine
// prefix: written by our code, read back through the shell's own object.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "ui/win32/win32_bundle.h"
#include "common/error.h"
#include "platform/fake/fake_platform.h"
#include "platform/win32/shelllink_win32.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/wstr.h"
#include "shell/shelllinks.h"

namespace zk::test {
namespace {

using win32::Utf8;
using win32::Wide;

const wchar_t kGrpConv[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\GrpConv";

// A string value of the current user's hive, read without our own layer.
std::wstring RegText(const wchar_t* key, const wchar_t* name) {
    wchar_t buf[MAX_PATH * 2];
    DWORD size = sizeof buf;
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS) return {};
    return buf;
}

void MakeFile(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Path and description of a shortcut file, as the shell reads them.
struct ReadBack {
    bool loaded = false;
    std::string path, description;
};

ReadBack Load(const std::wstring& file) {
    ReadBack r;
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return r;
    IPersistFile* persist = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
        if (SUCCEEDED(persist->Load(file.c_str(), STGM_READ))) {
            wchar_t buf[MAX_PATH * 2] = L"";
            r.loaded = true;
            link->GetPath(buf, MAX_PATH * 2, nullptr, SLGP_RAWPATH);
            r.path = Utf8(buf);
            buf[0] = 0;
            link->GetDescription(buf, MAX_PATH * 2);
            r.description = Utf8(buf);
        }
        persist->Release();
    }
    link->Release();
    return r;
}

class RealShortcuts : public ::testing::Test {
protected:
    RealShortcuts() {
        programs = RegText(L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", L"Programs");
        group = programs + L"\\ZANTORIK";
        Clean();
        CreateDirectoryW(L"C:\\SPIELE", nullptr);
        CreateDirectoryW(kGame, nullptr);
        MakeFile(std::wstring(kGame) + L"\\zkstart.exe");
        MakeFile(std::wstring(kGame) + L"\\zantorik.hlp");
        fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) { ADD_FAILURE() << "dialog: " << r.text; };
    }
    ~RealShortcuts() override {
        Clean();
        RegDeleteTreeW(HKEY_CURRENT_USER, kGrpConv);
    }
    void Clean() {
        for (const wchar_t* f : {L"\\ZANTORIK spielen.lnk", L"\\ZANTORIK Anleitung.lnk", L"\\Liesmich.txt"})
            DeleteFileW((group + f).c_str());
        RemoveDirectoryW(group.c_str());
    }

    static constexpr const wchar_t* kGame = L"C:\\SPIELE\\ZKTEST";
    std::wstring programs, group;
    platform::FakePlatform fake;
    win32::Win32Platform real;
    platform::Platform platform = platform::Mix(fake.Get(), real.Get(), platform::kRegistry | platform::kFiles | platform::kShellLinks);
};

TEST_F(RealShortcuts, GameEntriesInTheProgramsFolderReadBackThroughTheShell) {
    ASSERT_FALSE(programs.empty()) << "the prefix names no Programs folder";
    ASSERT_TRUE(Exists(programs));
    const std::string before = real.files.CurrentDir();
    CreateGameMenuEntries(platform, "C:\\SPIELE\\ZKTEST");
    EXPECT_EQ(real.files.CurrentDir(), before);

    ReadBack play = Load(group + L"\\ZANTORIK spielen.lnk");
    ASSERT_TRUE(play.loaded);
    EXPECT_EQ(play.path, "C:\\SPIELE\\ZKTEST\\zkstart.exe");
    EXPECT_EQ(play.description, "ZANTORIK spielen");
    ReadBack manual = Load(group + L"\\ZANTORIK Anleitung.lnk");
    ASSERT_TRUE(manual.loaded);
    EXPECT_EQ(manual.path, "C:\\SPIELE\\ZKTEST\\zantorik.hlp");
    EXPECT_EQ(manual.description, "ZANTORIK Anleitung");
}

TEST_F(RealShortcuts, ASecondCallReplacesBothAndLeavesTheRestOfTheGroup) {
    CreateGameMenuEntries(platform, "C:\\SPIELE\\ZKTEST");
    MakeFile(group + L"\\Liesmich.txt");
    CreateDirectoryW(L"C:\\SPIELE\\ZKTEST\\NEU", nullptr);
    CreateGameMenuEntries(platform, "C:\\SPIELE\\ZKTEST\\NEU");
    EXPECT_EQ(Load(group + L"\\ZANTORIK spielen.lnk").path, "C:\\SPIELE\\ZKTEST\\NEU\\zkstart.exe");
    EXPECT_EQ(Load(group + L"\\ZANTORIK Anleitung.lnk").path, "C:\\SPIELE\\ZKTEST\\NEU\\zantorik.hlp");
    EXPECT_TRUE(Exists(group + L"\\Liesmich.txt"));
    EXPECT_TRUE(fake.app.errors.empty());
}

TEST_F(RealShortcuts, QuickLaunchComesFromMapGroupsAndAMissingFolderIsAnInOutError) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kGrpConv) + L"\\MapGroups").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    auto setFolder = [&](const std::wstring& folder) {
        RegSetValueExW(key, L"Quick Launch", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    };
    setFolder(std::wstring(kGame));
    CreateShellLink(platform, "Schnell", "Spiel", "C:\\SPIELE\\ZKTEST\\zkstart.exe", slQuickLaunch);
    ReadBack r = Load(std::wstring(kGame) + L"\\Schnell\\Spiel.lnk");
    EXPECT_TRUE(r.loaded);
    EXPECT_EQ(r.description, "Spiel");
    DeleteFileW((std::wstring(kGame) + L"\\Schnell\\Spiel.lnk").c_str());
    RemoveDirectoryW((std::wstring(kGame) + L"\\Schnell").c_str());

    setFolder(L"C:\\SPIELE\\FEHLT\\Schnellstart");
    try {
        CreateShellLink(platform, "Schnell", "Spiel", "C:\\SPIELE\\ZKTEST\\zkstart.exe", slQuickLaunch);
        ADD_FAILURE() << "no error raised";
    } catch (const InOutError& e) {
        EXPECT_EQ(e.Code(), ERROR_PATH_NOT_FOUND);
        EXPECT_STREQ(e.what(), "E/A-Fehler 3");
    }
    RegCloseKey(key);
    EXPECT_FALSE(Exists(L"C:\\SPIELE\\FEHLT"));
}

TEST_F(RealShortcuts, AnUnknownLocationWritesNothing) {
    CreateShellLink(platform, "ZANTORIK", "ZANTORIK spielen", "C:\\SPIELE\\ZKTEST\\zkstart.exe", 5);
    EXPECT_FALSE(Exists(group));
}

}  // namespace
}  // namespace zk::test
