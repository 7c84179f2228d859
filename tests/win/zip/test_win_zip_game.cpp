// The setup's way of zipping with the real ZKZIP.DLL: every file of a
// game-like folder added by its own AddFiles call, the folder current, the
// names relative to it, and the archive's directory read back after each
// call. Started by zip_game.sh, which makes the folder and checks the
// archive with the common tools afterwards:
//   ZK_GAME_DIR  the folder to zip
//   ZK_GAME_ZIP  the archive to write (must not exist yet)
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ui/win32/win32_bundle.h"
#include "platform/fake/fake_platform.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/wstr.h"
#include "archiver/ZipArch.h"

namespace zk::test {
namespace {

std::string Env(const wchar_t* name) {
    const wchar_t* v = _wgetenv(name);
    return v ? win32::Utf8(v) : std::string();
}

std::string DllFolder() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p = path;
    return win32::Utf8(p.substr(0, p.rfind(L'\\'))) + "\\zipdlls\\real";
}

struct GameFile {
    std::string rel;  // with "\"
    uint64_t size;
};

// Every file below the folder, in a fixed order: the setup's list is sorted too.
std::vector<GameFile> FilesOf(const std::string& folder) {
    namespace sfs = std::filesystem;
    const sfs::path root(win32::Wide(folder));
    std::vector<GameFile> out;
    for (const auto& e : sfs::recursive_directory_iterator(root)) {
        if (!e.is_regular_file()) continue;
        std::wstring rel = sfs::relative(e.path(), root).wstring();
        std::replace(rel.begin(), rel.end(), L'/', L'\\');
        out.push_back({win32::Utf8(rel), static_cast<uint64_t>(e.file_size())});
    }
    std::sort(out.begin(), out.end(), [](const GameFile& a, const GameFile& b) { return a.rel < b.rel; });
    return out;
}

TEST(ZipGame, OneFilePerAddWithTheDirectoryReadBackEachTime) {
    const std::string game = Env(L"ZK_GAME_DIR"), archive = Env(L"ZK_GAME_ZIP");
    ASSERT_FALSE(game.empty()) << "ZK_GAME_DIR is not set";
    ASSERT_FALSE(archive.empty()) << "ZK_GAME_ZIP is not set";
    const std::vector<GameFile> files = FilesOf(game);
    ASSERT_GE(files.size(), 10u);

    platform::FakePlatform fake;
    fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) { ADD_FAILURE() << "dialog: " << r.text; };
    win32::Win32Platform real;
    platform::Platform platform = platform::Mix(fake.Get(), real.Get(),
                                                platform::kFiles | platform::kApp | platform::kDynLib | platform::kCodePages);
    TZipArchiver zip(platform);
    // As the setup's instance is stored.
    zip.AddCompLevel = 9;
    zip.AddOptions = {AddDirNames};
    zip.Unattended = true;
    zip.SetDLLDirectory(DllFolder());
    std::vector<std::string> messages;
    zip.OnMessage = [&](TZipArchiver&, int32_t, const std::string& text) { messages.push_back(text); };
    int reads = 0;
    zip.OnDirUpdate = [&](TZipArchiver&) { ++reads; };
    ASSERT_TRUE(real.files.SetCurrentDir(game));
    zip.SetZipFileName(archive);
    ASSERT_TRUE(zip.Contents.empty());
    ASSERT_EQ(reads, 1);

    for (size_t i = 0; i < files.size(); ++i) {
        const GameFile& f = files[i];
        zip.FSpecArgs = {f.rel};
        zip.AddFiles();
        ASSERT_EQ(zip.SuccessCount, 1) << f.rel << ": " << zip.LastMessage;
        ASSERT_EQ(reads, static_cast<int>(i) + 2) << f.rel;  // re-read after every add
        ASSERT_EQ(zip.Contents.size(), i + 1) << f.rel;
        // Earlier entries keep their names, places and sizes; the new one comes last.
        for (size_t k = 0; k <= i; ++k) {
            EXPECT_EQ(zip.Contents[k].FileName, files[k].rel) << "after " << f.rel;
            EXPECT_EQ(zip.Contents[k].UncomprSize, files[k].size) << files[k].rel;
        }
        EXPECT_EQ(zip.DataOffset, 0);
        EXPECT_TRUE(zip.FSpecArgs.empty());
    }
    // Already-compressed data and empty files are not made larger.
    for (const ZipDirEntry& e : zip.Contents) EXPECT_LE(e.ComprSize, e.UncomprSize) << e.FileName;
    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_EQ(TZipArchiver::ZipLibraryHandle(), 0u);
}

}  // namespace
}  // namespace zk::test
