// The zip library: no failure and no cancel may damage an archive or leave
// anything behind.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "zkzip/journal.h"
#include "zkzip/zkfs.h"
#include "zkzip_support.h"

namespace zkzip::test {
namespace {

// Where the add starts from.
enum class Start {
    NoArchive,  // a new archive
    Append,     // an existing archive that gets a new entry (in place)
    Replace     // an existing archive in which an entry is replaced (rewrite)
};

const char* StartName(Start s) {
    return s == Start::NoArchive ? "NoArchive" : s == Start::Append ? "Append" : "Replace";
}

class Safety : public ZkZipTest, public ::testing::WithParamInterface<Start> {
protected:
    // Files for the add: two of them, one above the 256 KiB read step.
    void Prepare() {
        dir.Write("alt.txt", TextLike(120000, 20));
        dir.Write("rauschen.bin", RandomBytes(50000, 21));
        if (GetParam() != Start::NoArchive) {
            Command c(Zip(), {"alt.txt", "rauschen.bin"}, nullptr);
            c.Raw().level = 6;
            ASSERT_EQ(c.Run(), 2);
            original = ReadFile(Zip());
        }
        dir.Write("neu/text.txt", TextLike(400000, 22));
        dir.Write("neu/bild.gif", RandomBytes(30000, 23));
        if (GetParam() == Start::Replace) dir.Write("alt.txt", TextLike(130000, 24));
        files = dir.Files();
    }
    std::vector<std::string> Specs() const {
        return GetParam() == Start::Replace ? std::vector<std::string>{"neu/*", "alt.txt"}
                                            : std::vector<std::string>{"neu/*"};
    }
    // The command under test: move on, so sources must survive a failure.
    int32_t Add(Recorder& r) {
        Command c(Zip(), Specs(), &r);
        c.Raw().move = -1;
        c.Raw().verbose = -1;
        c.Raw().noDirEntries = 0;
        c.Suffixes(".gif");
        return c.Run();
    }
    // Everything as before: the archive byte for byte, the sources, no stray files.
    void ExpectUntouched(const Recorder& r, int expectedError) {
        if (GetParam() == Start::NoArchive) {
            EXPECT_FALSE(dir.Exists("out.zip"));
        } else {
            EXPECT_TRUE(ReadFile(Zip()) == original) << "archive changed";
        }
        EXPECT_EQ(dir.Files(), files);
        EXPECT_EQ(r.LastError(), expectedError) << r.Messages();
    }

    std::string original;
    std::vector<std::string> files;
};

TEST_P(Safety, UnopenableFile) {
    Prepare();
    fs::TestHooks().failReadName = "neu/text.txt";
    fs::TestHooks().failReadAfter = -1;
    EXPECT_EQ(Add(rec), 0);
    ExpectUntouched(rec, kErrOpen);
    EXPECT_NE(rec.Messages().find("neu/text.txt"), std::string::npos) << rec.Messages();
}

TEST_P(Safety, ReadFailsHalfWay) {
    Prepare();
    fs::TestHooks().failReadName = "neu/text.txt";
    fs::TestHooks().failReadAfter = 300000;
    EXPECT_EQ(Add(rec), 0);
    ExpectUntouched(rec, kErrRead);
}

TEST_P(Safety, DiskFillsUp) {
    Prepare();
    // How much the disk must take for the add to succeed, measured on a copy.
    int64_t need = 0;
    {
        std::string saved = GetParam() == Start::NoArchive ? std::string() : ReadFile(Zip());
        Scratch probe;
        for (const auto& f : files) probe.Write(f, dir.Read(f));
        std::string cwd = dir.Root();
        ASSERT_EQ(::chdir(probe.Root().c_str()), 0);
        fs::TestHooks().diskFree = int64_t(1) << 40;
        Recorder r;
        Command c(probe.Path("out.zip"), Specs(), &r);
        c.Raw().noDirEntries = 0;
        c.Suffixes(".gif");
        ASSERT_GT(c.Run(), 0) << r.Messages();
        need = (int64_t(1) << 40) - fs::TestHooks().diskFree;
        fs::TestHooks().diskFree = -1;
        ASSERT_EQ(::chdir(cwd.c_str()), 0);
    }
    ASSERT_GT(need, 1000);
    // Full at every stage: nothing written yet, in a header, in the data,
    // in the central directory, in the end record.
    for (int64_t room : {int64_t(0), int64_t(1), int64_t(29), int64_t(45), need / 3, need / 2, need - 200,
                         need - 40, need - 23, need - 1}) {
        Recorder r;
        fs::TestHooks().diskFree = room;
        EXPECT_EQ(Add(r), 0) << "room " << room;
        fs::TestHooks().diskFree = -1;
        ExpectUntouched(r, kErrWrite);
        EXPECT_NE(r.Messages().find("No space left"), std::string::npos) << r.Messages();
    }
    // With exactly enough room it works: the sweep covered the whole add.
    fs::TestHooks().diskFree = need;
    EXPECT_GT(Add(rec), 0) << rec.Messages();
}

TEST_P(Safety, CancelFromAnyCallback) {
    Prepare();
    struct Point {
        int32_t action;
        int at;
    };
    for (Point p : {Point{ZK_CB_TOTAL, 1}, Point{ZK_CB_COUNT, 1}, Point{ZK_CB_FILE_START, 1},
                    Point{ZK_CB_FILE_START, 2}, Point{ZK_CB_STEP, 1}, Point{ZK_CB_STEP, 2}, Point{ZK_CB_FILE_END, 1},
                    Point{ZK_CB_FILE_END, 2}, Point{ZK_CB_MESSAGE, 1}}) {
        Recorder r;
        r.cancelAction = p.action;
        r.cancelAt = p.at;
        EXPECT_EQ(Add(r), 0) << "action " << p.action << " #" << p.at;
        ExpectUntouched(r, kErrCancel);
    }
}

// A file system whose largest file is smaller than the archive would grow.
TEST_P(Safety, ArchiveWouldOutgrowTheFileSystem) {
    Prepare();
    uint64_t size = GetParam() == Start::NoArchive ? 0 : original.size();
    fs::TestHooks().maxArchiveSize = size + 20000;
    EXPECT_EQ(Add(rec), 0);
    ExpectUntouched(rec, kErrTooBig);
    EXPECT_NE(rec.Messages().find(std::to_string(size + 20000)), std::string::npos) << rec.Messages();
}

TEST_P(Safety, SuccessAfterAFailure) {
    Prepare();
    fs::TestHooks().diskFree = 5000;
    EXPECT_EQ(Add(rec), 0);
    fs::TestHooks().diskFree = -1;
    Recorder r;
    EXPECT_EQ(Add(r), GetParam() == Start::Replace ? 3 : 2) << r.Messages();
    ZipView v = View();
    ASSERT_TRUE(v.ok) << v.error;
    EXPECT_EQ(Data("neu/text.txt"), TextLike(400000, 22));
    if (GetParam() != Start::NoArchive) {
        EXPECT_EQ(v.entries.size(), 5u);  // 2 old, neu/, 2 new
    }
}

// Counts down the moments of an add (callbacks and changes on disk) and
// ends the process at zero, as a crash or the task manager would.
int g_momentsLeft = 0;
void CountDownMoment() {
    if (--g_momentsLeft == 0) _exit(0);
}

TEST_P(Safety, KilledAtAnyMoment) {
    Prepare();
    const std::string journal = JournalPath(Zip());
    std::vector<std::string> oldNames, newNames;
    if (GetParam() != Start::NoArchive) oldNames = View().Names();
    for (int moment = 1;; ++moment) {
        if (GetParam() == Start::NoArchive) std::remove(Zip().c_str());
        else dir.Write("out.zip", original);
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            Recorder r;
            r.onEvery = &CountDownMoment;
            fs::TestHooks().beforeChange = &CountDownMoment;
            g_momentsLeft = moment;
            Command c(Zip(), Specs(), &r);
            c.Raw().noDirEntries = 0;
            c.Suffixes(".gif");
            if (c.Run() > 0) _exit(99);
            std::fprintf(stderr, "%s\n", r.Messages().c_str());
            _exit(98);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        const int code = WEXITSTATUS(status);
        ASSERT_NE(code, 98) << "the add failed at moment " << moment;
        // The next reader undoes what was cut short.
        std::string error;
        ASSERT_TRUE(UndoInterruptedAdd(Zip(), error)) << error;
        std::vector<std::string> expected = files;
        if (GetParam() == Start::NoArchive && dir.Exists("out.zip")) expected.push_back("out.zip");
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(dir.Files(), expected) << "moment " << moment;
        const bool old = GetParam() == Start::NoArchive ? !dir.Exists("out.zip") : ReadFile(Zip()) == original;
        if (!old) {
            ZipView v = View();
            ASSERT_TRUE(v.ok) << "moment " << moment << ": " << v.error;
            if (newNames.empty()) newNames = v.Names();
            EXPECT_EQ(v.Names(), newNames) << "moment " << moment;
            EXPECT_GT(newNames.size(), oldNames.size());
            EXPECT_EQ(Data("neu/text.txt"), TextLike(400000, 22)) << "moment " << moment;
            if (std::system(("unzip -tqq " + Zip() + " >/dev/null 2>&1").c_str()) != 0)
                ADD_FAILURE() << "unzip -t fails at moment " << moment;
        }
        if (code == 99) {
            EXPECT_FALSE(old) << "the finished add left the old archive";
            EXPECT_GT(moment, 10);
            break;
        }
    }
}

// A journal that is not whole, or not for this file, changes nothing.
TEST_F(ZkZipTest, ForeignOrTornJournalLeavesTheArchive) {
    dir.Write("a.txt", TextLike(9000, 26));
    ASSERT_EQ(Command(Zip(), {"a.txt"}, &rec).Run(), 1);
    const std::string good = ReadFile(Zip());
    journal::Undo u;
    u.tailOffset = good.size() - 100;
    u.tail = std::string(100, 'x');
    u.prefixLength = 16;
    u.prefixCrc = journal::Crc32(good.data() + u.tailOffset - 16, 16);
    const std::string whole = journal::Encode(u);
    u.prefixCrc ^= 1;
    const std::string foreign = journal::Encode(u);
    for (const std::string& j : {whole.substr(0, 4), whole.substr(0, 40), whole.substr(0, whole.size() - 1), foreign}) {
        dir.Write("out.zip.zkj", j);
        std::string error;
        EXPECT_TRUE(UndoInterruptedAdd(Zip(), error)) << error;
        EXPECT_TRUE(ReadFile(Zip()) == good) << j.size();
        EXPECT_FALSE(dir.Exists("out.zip.zkj"));
    }
    // The whole one is applied: the last 100 bytes are its tail.
    dir.Write("out.zip.zkj", whole);
    std::string error;
    EXPECT_TRUE(UndoInterruptedAdd(Zip(), error)) << error;
    EXPECT_EQ(ReadFile(Zip()), good.substr(0, good.size() - 100) + std::string(100, 'x'));
}

INSTANTIATE_TEST_SUITE_P(From, Safety, ::testing::Values(Start::NoArchive, Start::Append, Start::Replace),
                         [](const ::testing::TestParamInfo<Start>& i) { return std::string(StartName(i.param)); });

TEST_F(ZkZipTest, DamagedArchiveIsRefusedUntouched) {
    dir.Write("a.txt", TextLike(5000, 25));
    dir.Write("b.txt", "b");
    ASSERT_EQ(Command(Zip(), {"a.txt"}, &rec).Run(), 1);
    std::string good = ReadFile(Zip());
    struct Damage {
        const char* what;
        std::function<std::string(std::string)> make;
    };
    const Damage damages[] = {
        {"directory signature", [](std::string s) { s[s.size() - 22 - 51] = 'X'; return s; }},
        {"directory size", [](std::string s) { s[s.size() - 22 + 12] = 1; return s; }},
        {"entry count", [](std::string s) { s[s.size() - 22 + 10] = 2; s[s.size() - 22 + 8] = 2; return s; }},
        {"spanned", [](std::string s) { s[s.size() - 22 + 4] = 1; return s; }},
        {"cut short", [](std::string s) { return s.substr(0, s.size() - 30); }},
    };
    for (const Damage& d : damages) {
        std::string bad = d.make(good);
        dir.Write("out.zip", bad);
        Recorder r;
        EXPECT_EQ(Command(Zip(), {"b.txt"}, &r).Run(), 0) << d.what;
        EXPECT_EQ(r.LastError(), kErrFormat) << d.what << ": " << r.Messages();
        EXPECT_TRUE(ReadFile(Zip()) == bad) << d.what;
    }
    // A damaged local header only shows when the entry must be copied.
    ASSERT_EQ(::remove(Zip().c_str()), 0);
    ASSERT_EQ(Command(Zip(), {"a.txt", "b.txt"}, &rec).Run(), 2);
    std::string bad = ReadFile(Zip());
    bad[0] = 'X';
    dir.Write("out.zip", bad);
    dir.Write("b.txt", "neu");
    Recorder r;
    EXPECT_EQ(Command(Zip(), {"b.txt"}, &r).Run(), 0);
    EXPECT_EQ(r.LastError(), kErrFormat) << r.Messages();
    EXPECT_TRUE(ReadFile(Zip()) == bad);
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"a.txt", "b.txt", "out.zip"}));
}

TEST_F(ZkZipTest, ArchiveNameOfAFolderIsRefused) {
    dir.MakeDir("out.zip");
    dir.Write("a.txt", "a");
    EXPECT_EQ(Command(Zip(), {"a.txt"}, &rec).Run(), 0);
    EXPECT_EQ(rec.LastError(), kErrCreate) << rec.Messages();
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"a.txt"}));
}

}  // namespace
}  // namespace zkzip::test
