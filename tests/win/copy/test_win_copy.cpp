// The copy engine over the real file system under Wine: a game copied from
// C: to the second drive X:, folders named by other spellings.
#include <windows.h>

#include <random>

#include "../../native/copy_fixture.h"
#include "platform/win32/wstr.h"
#include "ui/win32/win32_bundle.h"

namespace zk::test {

using zk::win32::Wide;

// The real file system; every other service stays a fake, so an unexpected
// dialog fails the test instead of waiting for a click.
struct RealFiles : ::testing::Test {
    platform::FakePlatform fake;
    zk::win32::Win32Platform real;
    zk::win32::FileSystem& files = real.files;
    platform::Platform platform = platform::Mix(fake.Get(), real.Get(), platform::kFiles);
    CopyRig rig{platform};
    RealFiles() {
        fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) { ADD_FAILURE() << "unexpected dialog: " << r.text; };
    }
    void Write(const std::string& path, const std::string& content, platform::FileTime stamp = 125000000000000000) {
        auto f = files.Open(path, platform::OpenMode::Write);
        ASSERT_TRUE(f) << path;
        ASSERT_EQ(f->Write(content.data(), content.size()), static_cast<int64_t>(content.size()));
        ASSERT_TRUE(f->Close());
        ASSERT_TRUE(files.SetFileStamp(path, stamp));
    }
    std::string Read(const std::string& path) {
        auto f = files.Open(path, platform::OpenMode::Read);
        std::string out = f ? "" : "<missing>";
        char buf[4096];
        for (int64_t n; f && (n = f->Read(buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
        return out;
    }
    void RemoveTree(const std::string& folder) {
        auto dir = files.OpenDir(folder);
        platform::DirEntry e;
        while (dir && dir->Next(e)) {
            if (e.name == "." || e.name == "..") continue;
            const std::string path = folder + "\\" + e.name;
            SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
            if (e.attr & platform::faDirectory) RemoveTree(path);
            else files.RemoveFile(path);
        }
        dir.reset();
        files.RemoveDir(folder);
    }
};

// A game-like folder on C: copied to X:: every listed file arrives byte for
// byte with its stamp, nothing else does; a second run overwrites.
TEST_F(RealFiles, CopiesAGameFromCToX) {
    const std::string src = "C:\\zkquelle\\ZANTORIK";
    RemoveTree("C:\\zkquelle");
    ASSERT_TRUE(files.CreateDir("C:\\zkquelle") && files.CreateDir(src) && files.CreateDir(src + "\\TEXTE"));
    std::mt19937 rng(7);
    auto random = [&](size_t n) {
        std::string s(n, '\0');
        for (char& c : s) c = static_cast<char>(rng());
        return s;
    };
    const struct {
        std::string name, content;
        bool listed;
    } game[] = {
        {"ZANTORIK.EXE", random(300000), true},  {"ZKSTART.EXE", random(20000), true},
        {"ZANTORIK.HLP", random(8192), true},    {"ZANTORIK.PIF", random(545), true},
        {"ZKZIP.DLL", random(65536 + 1), true},  {"ZANTORIK.TXT", "", true},
        {"TEXTE\\THEMA.{1}", random(1234), true}, {"SAVE.DAT", random(999), false},
        {"TEXTE\\NOTIZ.DOC", "nein", false},
    };
    platform::FileTime stamp = 125911584000000000;  // 1 Jan 2000
    int32_t expected = 0;
    for (const auto& f : game) {
        Write(src + "\\" + f.name, f.content, stamp += 36000000000);
        if (f.listed) expected += static_cast<int32_t>(f.content.size());
    }
    SetFileAttributesW(Wide(src + "\\ZANTORIK.PIF").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);

    ASSERT_TRUE(rig.Run("c:\\zkquelle", "x:/ziel"));
    EXPECT_EQ(rig.plan.sourceFolder, "c:\\zkquelle\\ZANTORIK");
    EXPECT_EQ(rig.plan.files.size(), 7u);
    EXPECT_EQ(rig.plan.total, expected);
    EXPECT_GT(rig.plan.free, expected);
    EXPECT_EQ(rig.progress.Of("left").back(), "0");
    for (const auto& f : game) {
        const std::string copy = "X:\\ziel\\ZANTORIK\\" + f.name;
        EXPECT_TRUE(f.listed ? Read(copy) == f.content : !files.FileExists(copy)) << f.name;
        platform::FileTime a = 0, b = 0;
        EXPECT_TRUE(!f.listed || (files.GetFileStamp(src + "\\" + f.name, a) && files.GetFileStamp(copy, b) && a == b));
    }
    EXPECT_FALSE(files.DirExists("X:\\_-_"));
    EXPECT_TRUE(fake.dialogs.shown.empty());

    // Once more over the copy, whose files are now read-only, hidden or
    // system files: Wine 8 keeps such marks on a file it overwrites (and as
    // root allows the plain create over a read-only one); Windows refuses.
    const DWORD marks[] = {FILE_ATTRIBUTE_READONLY, 0, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM};
    for (size_t i = 0; i < 4; ++i) SetFileAttributesW(Wide("X:\\ziel\\ZANTORIK\\" + game[i].name).c_str(), marks[i]);
    Write(src + "\\ZKSTART.EXE", "neu");
    ASSERT_TRUE(rig.Run("c:\\zkquelle", "x:/ziel"));
    EXPECT_EQ(Read("X:\\ziel\\ZANTORIK\\ZKSTART.EXE"), "neu");
    for (size_t i : {0, 2, 3}) {
        EXPECT_EQ(*files.Attributes("X:\\ziel\\ZANTORIK\\" + game[i].name) & marks[i], 0u) << game[i].name;
        EXPECT_TRUE(Read("X:\\ziel\\ZANTORIK\\" + game[i].name) == game[i].content) << game[i].name;
    }
    ASSERT_TRUE(files.SetCurrentDir("C:\\"));  // the source test left the source current
    RemoveTree("C:\\zkquelle");
    EXPECT_FALSE(files.DirExists("C:\\zkquelle"));
}

// "." and ".." and doubled separators name the same folder as the plain
// spelling, as the system resolves them.
TEST_F(RealFiles, SamePlaceThroughOtherSpellings) {
    for (const char* target : {"C:\\SPIELE\\.\\", "C:\\SPIELE\\X\\..\\", "C:\\SPIELE\\\\.\\", "c:/spiele/./",
                               "c:\\spiele\\zantorik\\texte\\.."}) {
        fake.dialogs.Answer(platform::mrAbort);
        EXPECT_FALSE(rig.Prepare("C:\\SPIELE\\ZANTORIK", target)) << target;
        EXPECT_EQ(fake.dialogs.shown.back().text, "Quelle und Ziel müssen verschieden sein!") << target;
    }
}

}  // namespace zk::test
