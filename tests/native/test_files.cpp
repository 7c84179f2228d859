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

}  // namespace zk::test
