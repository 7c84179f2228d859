// The setup's way of zipping with the real ZKZIP.DLL: every file of the game
// folder added by its own AddFiles call, the folder current, the names
// relative to it, the directory read back after each call. Run by
// zip_game.sh, which makes the folder (ZK_GAME_DIR) and checks the archive
// (ZK_GAME_ZIP, not there yet) with the common tools afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "archiver/ZipArch.h"
#include "platform/fake/fake_platform.h"
#include "platform/win32/wstr.h"
#include "ui/win32/win32_bundle.h"

namespace zk::test {
namespace {

TEST(ZipGame, OneFilePerAddWithTheDirectoryReadBackEachTime) {
    const wchar_t *game = _wgetenv(L"ZK_GAME_DIR"), *archive = _wgetenv(L"ZK_GAME_ZIP");
    ASSERT_TRUE(game && archive) << "run by zip_game.sh";
    std::vector<std::pair<std::string, uint64_t>> files;  // relative name with "\", size; sorted as the setup lists
    for (const auto& e : std::filesystem::recursive_directory_iterator(game)) {
        std::wstring rel = std::filesystem::relative(e.path(), game).wstring();
        std::replace(rel.begin(), rel.end(), L'/', L'\\');
        if (e.is_regular_file()) files.push_back({win32::Utf8(rel), e.file_size()});
    }
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 10u);

    platform::FakePlatform fake;
    fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) { ADD_FAILURE() << "dialog: " << r.text; };
    win32::Win32Platform real;
    platform::Platform mixed =
        platform::Mix(fake.Get(), real.Get(), platform::kFiles | platform::kApp | platform::kDynLib | platform::kCodePages);
    TZipArchiver zip(mixed);
    zip.AddOptions = {AddDirNames};  // as the setup's instance is stored
    zip.Unattended = true;
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    zip.SetDLLDirectory(win32::Utf8(std::filesystem::path(exe).parent_path().wstring()) + "\\zipdlls\\real");
    std::string said;
    zip.OnMessage = [&](TZipArchiver&, int32_t, const std::string& text) { said += text + "\n"; };
    int reads = 0;
    zip.OnDirUpdate = [&](TZipArchiver&) { ++reads; };
    ASSERT_TRUE(real.files.SetCurrentDir(win32::Utf8(game)));
    zip.SetZipFileName(win32::Utf8(archive));
    for (size_t i = 0; i < files.size(); ++i) {
        zip.FSpecArgs = {files[i].first};
        ASSERT_TRUE(zip.AddFiles()) << files[i].first << ": " << zip.LastMessage;
        ASSERT_EQ(reads, static_cast<int>(i) + 2) << files[i].first;  // re-read after every add
        ASSERT_EQ(zip.Contents.size(), i + 1) << files[i].first;
        // Earlier entries keep their names and sizes; the new one comes last.
        for (size_t k = 0; k <= i; ++k)
            EXPECT_EQ(zip.Contents[k].FileName + " " + std::to_string(zip.Contents[k].UncomprSize),
                      files[k].first + " " + std::to_string(files[k].second));
        ASSERT_EQ(GetModuleHandleW(L"ZKZIP.DLL"), nullptr) << "the library was not let go";
    }
    // Already-compressed data and empty files are not made larger.
    for (const ZipDirEntry& e : zip.Contents) EXPECT_LE(e.ComprSize, e.UncomprSize) << e.FileName;
    EXPECT_EQ(said, "");
    EXPECT_GT(zip.DiskSizeBytes(), 0u);  // GetDiskFreeSpaceExA, looked up in Kernel32
    EXPECT_NE(zip.DiskSizeBytes(), UINT64_MAX);
}

}  // namespace
}  // namespace zk::test
