#include <gtest/gtest.h>

#include <random>

#include "platform/buffered_file.h"
#include "platform/fake/fake_platform.h"

namespace zk::test {

using platform::OpenMode;
using platform::SeekFrom;

// The buffered stream must behave like the plain one it wraps, whatever
// mixture of reads, writes, seeks and truncations comes.
TEST(BufferedFile, BehavesLikeTheUnbufferedFile) {
    for (unsigned seed = 1; seed <= 8; ++seed) {
        platform::FakeFileSystem fs;
        fs.logIo = false;
        fs.AddFile("C:\\A.BIN", std::string(300000, 'a'));
        fs.AddFile("C:\\B.BIN", std::string(300000, 'a'));
        platform::BufferedFile a(fs.Open("C:\\A.BIN", OpenMode::ReadWrite));
        auto b = fs.Open("C:\\B.BIN", OpenMode::ReadWrite);
        std::mt19937 rng(seed);
        std::vector<char> bufA(700000), bufB(700000);
        for (int step = 0; step < 300; ++step) {
            size_t n = rng() % 4 == 0 ? rng() % 600000 : rng() % 10000;
            switch (rng() % 5) {
                case 0:
                case 1: {
                    int64_t ra = a.Read(bufA.data(), n), rb = b->Read(bufB.data(), n);
                    ASSERT_EQ(ra, rb) << seed << ":" << step;
                    ASSERT_TRUE(std::equal(bufA.begin(), bufA.begin() + std::max<int64_t>(ra, 0), bufB.begin()));
                    break;
                }
                case 2: {
                    for (size_t i = 0; i < n; ++i) bufA[i] = static_cast<char>(rng());
                    ASSERT_EQ(a.Write(bufA.data(), n), b->Write(bufA.data(), n)) << seed << ":" << step;
                    break;
                }
                case 3: {
                    int64_t to = static_cast<int64_t>(rng() % 400000);
                    SeekFrom from = static_cast<SeekFrom>(rng() % 3);
                    if (from != SeekFrom::Begin) to -= 200000;
                    ASSERT_EQ(a.Seek(to, from), b->Seek(to, from)) << seed << ":" << step;
                    break;
                }
                default:
                    if (rng() % 4 == 0) {
                        ASSERT_EQ(a.Truncate(), b->Truncate());
                    } else {
                        ASSERT_EQ(a.Size(), b->Size());
                    }
            }
            ASSERT_EQ(a.Position(), b->Position()) << seed << ":" << step;
        }
        EXPECT_TRUE(a.Close());
        EXPECT_TRUE(b->Close());
        EXPECT_TRUE(fs.Content("C:\\A.BIN") == fs.Content("C:\\B.BIN")) << seed;
    }
}

TEST(BufferedFile, SmallBlocksReachTheDiskInLargeOnesAndFailuresShowLate) {
    platform::FakeFileSystem fs;
    fs.AddFile("C:\\IN.BIN", std::string(600000, 'x'));
    fs.failWriteAfter["C:\\OUT.BIN"] = 400000;
    platform::BufferedFile in(fs.Open("C:\\IN.BIN", OpenMode::Read));
    platform::BufferedFile out(fs.Open("C:\\OUT.BIN", OpenMode::Write));
    char block[8192];
    int64_t n, failedAt = -1, copied = 0;
    while ((n = in.Read(block, sizeof block)) > 0) {
        if (out.Write(block, static_cast<size_t>(n)) != n) {
            failedAt = copied;
            break;
        }
        copied += n;
    }
    int reads = 0, writes = 0;
    for (const auto& e : fs.io) {
        if (e.op == "read") ++reads;
        if (e.op == "write") ++writes;
    }
    constexpr int64_t kBuf = platform::BufferedFile::kBufferSize;
    EXPECT_LE(reads, 600000 / kBuf + 2);
    EXPECT_EQ(writes, 400000 / kBuf + 1);  // whole buffers went in until one failed
    EXPECT_GE(failedAt, 400000);
    EXPECT_FALSE(out.Close() && failedAt < 0);
}

TEST(FakeDrives, FreeSpaceFollowsWritesAndDiskFullCutsShort) {
    platform::FakeFileSystem fs;
    fs.Drive('D').free = 10000;
    auto f = fs.Open("D:\\X.BIN", OpenMode::Write);
    std::string data(6000, 'd');
    EXPECT_EQ(f->Write(data.data(), data.size()), 6000);
    EXPECT_EQ(fs.DiskFree('D'), 4000u);
    EXPECT_EQ(f->Write(data.data(), data.size()), 4000);  // the disk is full
    EXPECT_EQ(fs.LastError(), 112);
    EXPECT_EQ(fs.DiskFree('D'), 0u);
    f->Close();
    EXPECT_TRUE(fs.RemoveFile("D:\\X.BIN"));
    EXPECT_EQ(fs.DiskFree('D'), 10000u);
    fs.Drive('D').freeFollows = false;
    f = fs.Open("D:\\Y.BIN", OpenMode::Write);
    EXPECT_EQ(f->Write(data.data(), data.size()), 6000);
    EXPECT_EQ(fs.DiskFree('D'), 10000u);
}

TEST(FakeDrives, NotReadyWriteProtectedAndMissing) {
    platform::FakeFileSystem fs;
    fs.AddFile("A:\\DISK.TXT", "on the disk");
    fs.Drive('A').type = platform::DriveType::Removable;
    fs.Drive('A').writeProtected = true;
    EXPECT_TRUE(fs.Open("A:\\DISK.TXT", OpenMode::Read));
    EXPECT_FALSE(fs.Open("A:\\DISK.TXT", OpenMode::ReadWrite));
    EXPECT_EQ(fs.LastError(), 19);
    EXPECT_FALSE(fs.CreateDir("A:\\NEU"));
    EXPECT_FALSE(fs.RemoveFile("A:\\DISK.TXT"));
    EXPECT_FALSE(fs.SetFileStamp("A:\\DISK.TXT", 1));
    fs.Drive('A').ready = false;
    EXPECT_FALSE(fs.Open("A:\\DISK.TXT", OpenMode::Read));
    EXPECT_EQ(fs.LastError(), 21);
    EXPECT_FALSE(fs.DirExists("A:\\"));
    EXPECT_FALSE(fs.SetCurrentDir("A:\\"));
    EXPECT_FALSE(fs.DiskFree('A'));
    std::string label;
    uint32_t serial = 0;
    EXPECT_FALSE(fs.VolumeInfo('A', label, serial));
    EXPECT_EQ(fs.DriveKind('A'), platform::DriveType::Removable);
    EXPECT_EQ(fs.DriveKind('Q'), platform::DriveType::NoRootDir);
    EXPECT_EQ(fs.Drives(), "A");  // C: was never named
    EXPECT_FALSE(fs.OpenDir("Q:\\"));
    EXPECT_EQ(fs.LastError(), 3);
}

TEST(FakeDrives, FoldersListInCreationOrderWithDotsBelowTheRoot) {
    platform::FakeFileSystem fs;
    fs.AddFile("C:\\G\\ZETA.EXE", "z");
    fs.AddDir("C:\\G\\Alpha");
    fs.AddFile("C:\\G\\beta.txt", "bb", platform::faHidden);
    auto names = [&](const std::string& folder) {
        std::vector<std::string> out;
        auto dir = fs.OpenDir(folder);
        platform::DirEntry e;
        while (dir && dir->Next(e)) out.push_back(e.name + (e.attr & platform::faDirectory ? "/" : "") + std::to_string(e.size));
        return out;
    };
    EXPECT_EQ(names("C:\\G"), (std::vector<std::string>{"./0", "../0", "ZETA.EXE1", "Alpha/0", "beta.txt2"}));
    EXPECT_EQ(names("c:\\"), std::vector<std::string>{"G/0"});
    EXPECT_TRUE(fs.RenameFile("C:\\G", "C:\\H"));
    EXPECT_EQ(fs.Content("C:\\H\\beta.txt"), "bb");
    EXPECT_FALSE(fs.RemoveDir("C:\\H"));  // not empty
    std::string temp = fs.TempFileName("C:\\H", "zkx");
    EXPECT_EQ(temp.substr(0, 8), "C:\\H\\zkx");
    EXPECT_TRUE(fs.FileExists(temp));
}

// Windows creates no file over a read-only, hidden or system one, and opens
// no read-only one for writing; the attributes can be changed.
TEST(FakeDrives, AttributesAsWindowsKeepsThem) {
    using namespace platform;
    FakeFileSystem fs;
    for (uint32_t marks : {uint32_t{faReadOnly}, uint32_t{faHidden}, uint32_t{faSysFile}}) {
        fs.AddFile("C:\\F.TXT", "f", marks);
        EXPECT_FALSE(fs.Open("C:\\F.TXT", OpenMode::Write)) << marks;
        EXPECT_EQ(fs.LastError(), 5);
        EXPECT_EQ(fs.Open("C:\\F.TXT", OpenMode::ReadWrite) != nullptr, marks != faReadOnly) << marks;
        EXPECT_EQ(fs.Attributes("C:\\F.TXT"), marks);
        EXPECT_TRUE(fs.SetAttributes("C:\\F.TXT", faArchive));
        EXPECT_TRUE(fs.Open("C:\\F.TXT", OpenMode::Write)) << marks;
    }
    EXPECT_EQ(fs.Attributes("C:\\"), uint32_t{faDirectory});
    EXPECT_FALSE(fs.Attributes("C:\\NICHTS"));
}

TEST(FakeDrives, FullPathNames) {
    platform::FakeFileSystem fs;
    fs.AddDir("C:\\SPIELE");
    ASSERT_TRUE(fs.SetCurrentDir("C:\\SPIELE"));
    const std::pair<const char*, const char*> cases[] = {
        {"c:\\spiele\\.\\", "c:\\spiele\\"}, {"c:\\spiele\\x\\..", "c:\\spiele"},
        {"c:/a//b/./../c", "c:\\a\\c"},        {"c:\\..\\..", "c:\\"},
        {"zantorik", "C:\\SPIELE\\zantorik"},  {"c:neu\\", "C:\\SPIELE\\neu\\"},
    };
    for (const auto& [path, full] : cases) EXPECT_EQ(fs.FullPathName(path), full) << path;
}

}  // namespace zk::test
