// The self-extractor on Windows: one made the program's way (ZKSFX.BIN and
// ZKZIP.DLL beside this test) with another icon, as Windows' resource loader
// sees it, then started unattended: its default folder gets the files.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "host_scratch.h"
#include "ui/win32/win32_bundle.h"
#include "platform/fake/fake_platform.h"
#include "platform/win32/wstr.h"
#include "archiver/ZipArch.h"

namespace zk::test {
namespace {

std::string ExeFolder() {
    wchar_t path[MAX_PATH];
    std::wstring p(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
    return win32::Utf8(p.substr(0, p.rfind(L'\\')));
}

// Icon image 1 of a program file as Windows finds it; empty when none.
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

TEST(SfxOnWindows, AMadeSelfExtractorShowsItsIconAndUnpacksUnattended) {
    platform::FakePlatform fake;
    fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) { ADD_FAILURE() << "dialog: " << r.text; };
    win32::Win32Platform real;
    platform::Platform mixed = platform::Mix(fake.Get(), real.Get(),
                                             platform::kFiles | platform::kApp | platform::kDynLib | platform::kCodePages);
    TZipArchiver zip(mixed);
    wchar_t temp[MAX_PATH];
    const std::string work = win32::Utf8(std::wstring(temp, GetTempPathW(MAX_PATH, temp))) + "zksfxwork";
    for (const char* d : {"", "\\in", "\\in\\Daten"}) CreateDirectoryW(win32::Wide(work + d).c_str(), nullptr);
    const std::pair<const char*, std::string> files[] = {
        {"\\liesmich.txt", "Hallo Welt\r\n"}, {"\\Daten\\Größe.txt", std::string(300000, 'Z') + "Umlaute"}};
    for (const auto& [name, data] : files) std::ofstream(win32::Wide(work + "\\in" + name).c_str(), std::ios::binary) << data;
    ASSERT_TRUE(real.files.SetCurrentDir(work + "\\in"));

    // Other colours: every pixel's palette index changed.
    std::string icon = Slurp(ExeFolder() + "\\zksfx.ico");
    ASSERT_EQ(icon.size(), 766u);
    for (size_t i = 22 + 40 + 64; i < 22 + 40 + 64 + 512; ++i) icon[i] = static_cast<char>(icon[i] ^ 0x33);
    EXPECT_TRUE(IconImage(ExeFolder() + "\\ZKSFX.BIN") == Slurp(ExeFolder() + "\\zksfx.ico").substr(22));
    zip.SFXIcon.data.assign(icon.begin(), icon.end());
    zip.SFXDefaultDir = work + "\\out", zip.Unattended = true, zip.AddOptions = {AddDirNames, AddRecurseDirs};
    const std::string exe = work + "\\NEU.EXE";
    DeleteFileW(win32::Wide(exe).c_str()), zip.SetZipFileName(exe), zip.FSpecArgs = {"*.*"};
    zip.AddFiles();
    ASSERT_EQ(zip.SuccessCount, 2) << zip.LastMessage;
    EXPECT_TRUE(IconImage(exe) == icon.substr(22)) << "Windows sees another icon image";

    for (const auto& [name, data] : files) DeleteFileW(win32::Wide(work + "\\out" + name).c_str());  // an earlier run's
    const std::string log = work + "\\sfx.log";
    DeleteFileW(win32::Wide(log).c_str());
    SetEnvironmentVariableW(L"ZKSFX_UNATTENDED", L"1"), SetEnvironmentVariableW(L"ZKSFX_LOG", win32::Wide(log).c_str());
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + win32::Wide(exe) + L"\"";
    ASSERT_TRUE(CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    ASSERT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
    DWORD rc = 1;
    GetExitCodeProcess(pi.hProcess, &rc), CloseHandle(pi.hProcess), CloseHandle(pi.hThread);
    EXPECT_EQ(rc, 0u);
    const std::string said = Slurp(log);  // the answers given, then the result
    EXPECT_EQ(said.substr(said.rfind("result")), "result: 0\r\n") << said;
    for (const auto& [name, data] : files) EXPECT_TRUE(Slurp(work + "\\out" + name) == data) << name;
}

}  // namespace
}  // namespace zk::test
