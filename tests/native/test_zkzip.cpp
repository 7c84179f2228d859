// The zip library: what each add option does to the archive, and that no
// failure, cancel or crash damages an archive or leaves anything behind.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "zipundo/journal.h"
#include "zkzip/zkfs.h"
#include "zkzip_support.h"

namespace zkzip::test {
namespace {

namespace journal = zipundo::journal;

using Names = std::vector<std::string>;
Names Sorted(Names v) {
    std::sort(v.begin(), v.end());
    return v;
}

TEST_F(ZkZipTest, AddsOneFileTheWayTheSetupDoes) {
    const std::string text = TextLike(300000, 1);
    dir.Write("TEXTE/THEMA.{1}", text);
    SetMTime(dir.Path("TEXTE/THEMA.{1}"), 1300000000);  // 2011-03-13, an even second
    EXPECT_EQ(GetZkZipVersion(), 160);
    EXPECT_EQ(Add({"TEXTE\\THEMA.{1}"}), 1) << rec.Messages();
    ZipView v = View();
    ASSERT_EQ(v.Names(), Names{"TEXTE/THEMA.{1}"}) << v.error;
    const ViewEntry& e = v.entries[0];
    // Deflate at its best level, no UTF-8 flag, made on NTFS by 2.0.
    EXPECT_EQ(std::vector<uint32_t>({e.method, e.flags, e.madeByHost, e.madeByVersion, e.versionNeeded,
                                     e.externalAttributes, e.dosTime}),
              std::vector<uint32_t>({8, 2, 11, 20, 20, 0x20, fs::DosDateTime(1300000000)}));
    EXPECT_LT(e.packed, e.size / 2);
    EXPECT_EQ(Data("TEXTE/THEMA.{1}"), text);
    // Total, then count, then the file from start to end.
    ASSERT_GE(rec.events.size(), 5u);
    const std::pair<int32_t, int32_t> first[] = {{ZK_CB_TOTAL, 300000}, {ZK_CB_COUNT, 1}, {ZK_CB_FILE_START, 300000}};
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(std::make_pair(rec.events[i].action, rec.events[i].value), first[i]);
    EXPECT_EQ(rec.events[2].text, "TEXTE/THEMA.{1}");
    EXPECT_EQ(rec.events.back().action, ZK_CB_FILE_END);
    EXPECT_EQ(rec.Sum(ZK_CB_STEP), 300000);
    EXPECT_GE(rec.Of(ZK_CB_STEP).size(), 2u);
    EXPECT_EQ(rec.Messages(), "");
}

TEST_F(ZkZipTest, FindsTheMatchingFiles) {
    for (const char* f : {"a.txt", "b.TXT", "c.dat", "noext", ".hidden.txt", "Langer Name.text", "sub/d.txt",
                          "sub/e.bak", "sub/deep/f.txt", "save/g.txt", ".secret/h.txt"})
        dir.Write(f, f);
    dir.MakeDir("empty");
    using Setup = std::function<void(Command&)>;
    const Names top = {"a.txt", "b.TXT", "c.dat", "noext", "Langer Name.text"};
    const std::tuple<Names, Setup, Names> cases[] = {
        {{"*.txt"}, nullptr, {"a.txt", "b.TXT"}},  // case ignored, hidden files not taken
        {{"*.*"}, nullptr, top},                    // also names without a dot
        {{"*.txt"}, [](Command& c) { c.Raw().hiddenFiles = -1; }, {"a.txt", "b.TXT", ".hidden.txt"}},
        {{"*"}, [](Command& c) { c.Raw().recurse = 0xFFFF, c.Raw().noDirEntries = 0; },
         {"a.txt", "b.TXT", "c.dat", "noext", "Langer Name.text", "sub/", "sub/d.txt", "sub/e.bak", "sub/deep/",
          "sub/deep/f.txt", "save/", "save/g.txt", "empty/"}},
        {{"sub/deep/f.txt"}, [](Command& c) { c.Raw().noDirEntries = 0; }, {"sub/", "sub/deep/", "sub/deep/f.txt"}},
        // No folder names, so no folder entries either.
        {{"*.txt"}, [](Command& c) { c.Raw().recurse = 0xFFFF, c.Raw().dropDirNames = -1, c.Raw().noDirEntries = 0; },
         {"a.txt", "b.TXT", "d.txt", "f.txt", "g.txt"}},
        {{"*"}, [](Command& c) { c.Raw().recurse = 0xFFFF, c.Exclude({"*.bak", "save", "sub\\deep\\*", "Langer*"}); },
         {"a.txt", "b.TXT", "c.dat", "noext", "sub/d.txt"}},
        {{"*.txt", "deep\\f.txt"}, [this](Command& c) { c.RootDir(dir.Path("sub") + "/"); }, {"d.txt", "deep/f.txt"}},
        {{dir.Path("sub/d.txt")}, nullptr, {dir.Root().substr(1) + "/sub/d.txt"}},  // an absolute spec loses its root
        {{"sub"}, [](Command& c) { c.Raw().recurse = 0xFFFF; }, {"sub/d.txt", "sub/e.bak", "sub/deep/f.txt"}},
        {{"Langer Name.text", "sub/deep/f.txt"}, [](Command& c) { c.Raw().forceDOS = -1; }, {"LANGER_N.TEX", "SUB/DEEP/F.TXT"}},
        {{"a.txt", "./a.txt", "sub/../a.txt"}, nullptr, {"a.txt"}},
        {{"*"}, [this](Command&) { ASSERT_EQ(Command(Zip(), {"c.dat"}).Run(), 1); }, top},  // never the archive itself
    };
    for (const auto& [specs, setup, expected] : cases) {
        SCOPED_TRACE(specs[0]);
        std::remove(Zip().c_str());
        Recorder r;
        Command cmd(Zip(), specs, &r);
        if (setup) setup(cmd);
        const int32_t added = cmd.Run();
        ZipView v = View();
        EXPECT_EQ(Sorted(v.Names()), Sorted(expected)) << r.Messages();
        EXPECT_EQ(added, std::count_if(expected.begin(), expected.end(), [](const std::string& n) { return n.back() != '/'; }));
        for (const auto& e : v.entries)
            if (e.name.back() == '/') { EXPECT_EQ(std::make_pair(e.size, e.externalAttributes & 0x10), std::make_pair(uint64_t(0), 0x10u)); }
    }
}

// Refused before anything changes: the archive stays as it was, or none is made.
// Files the add leaves out are told to the caller and not counted.
TEST_F(ZkZipTest, LeftOutFilesAreReported) {
    std::string deep;
    for (int i = 0; i < 64; ++i) deep += "d/";
    for (const std::string& f : Names{"a.txt", deep + "in.txt", deep + "d/out.txt", deep + "d/d/out.txt"}) dir.Write(f, "x");
    Command c(Zip(), {"*.txt"}, &rec);
    c.Raw().recurse = 0xFFFF;
    EXPECT_EQ(c.Run(), 2) << rec.Messages();
    EXPECT_EQ(View().Names(), (Names{"a.txt", deep + "in.txt"}));
    EXPECT_EQ(rec.LastError(), kSkippedTooDeep);
    EXPECT_NE(rec.Messages().find("2 file(s) not added, more than 64 folders deep, below: " + dir.Path(deep + "d")),
              std::string::npos) << rec.Messages();
    // Without folder names, two files of one name would become one entry.
    dir.Write("x/same.txt", "x");
    dir.Write("y/same.txt", "y");
    std::remove(Zip().c_str());
    Recorder r;
    Command flat(Zip(), {"x/same.txt", "y/same.txt", "x/same.txt"}, &r);
    flat.Raw().dropDirNames = -1;
    EXPECT_EQ(flat.Run(), 1) << r.Messages();
    EXPECT_EQ(r.LastError(), kSkippedSameName);
    EXPECT_NE(r.Messages().find("1 file(s) not added, their names in the archive are taken: " + dir.Path("y/same.txt") +
                                " (same.txt)"), std::string::npos) << r.Messages();
}

TEST_F(ZkZipTest, RefusalsLeaveEverythingAsItWas) {
    dir.Write("a.txt", TextLike(5000, 25));
    dir.Write("b.txt", "b");
    ASSERT_EQ(Add({"a.txt", "b.txt"}), 2);
    const std::string good = dir.Read("out.zip");
    auto patched = [&](size_t fromEnd, char c) {
        std::string s = good;
        s[s.size() - fromEnd] = c;
        return s;
    };
    const struct {
        const char* what;
        std::string archive;  // "-": none; "/": a folder of that name
        Names specs;
        int32_t error;
    } cases[] = {
        {"nothing matched", "-", {"*.xyz"}, kErrNothing},
        {"no archive name", "", {"a.txt"}, kErrName},
        {"not a zip archive", "Dies ist keine Zip-Datei, auch wenn sie so heißt.", {"a.txt"}, kErrFormat},
        {"directory signature", patched(22 + 51, 'X'), {"c.txt"}, kErrFormat},
        {"spanned", patched(22 - 4, 1), {"c.txt"}, kErrFormat},
    };
    dir.Write("c.txt", "c");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(Zip());
        if (c.archive == "/") dir.MakeDir("out.zip");
        else if (c.archive != "-" && !c.archive.empty()) dir.Write("out.zip", c.archive);
        const Names files = dir.Files();
        Recorder r;
        EXPECT_EQ(Command(c.archive.empty() ? "" : Zip(), c.specs, &r).Run(), 0);
        EXPECT_EQ(r.LastError(), c.error) << r.Messages();
        EXPECT_EQ(dir.Files(), files);
        if (!c.archive.empty() && c.archive != "-" && c.archive != "/") { EXPECT_TRUE(dir.Read("out.zip") == c.archive); }
        if (c.error == kErrNothing) { EXPECT_EQ(r.Of(ZK_CB_TOTAL).size(), 0u); }
    }
    EXPECT_EQ(ZkZipExec(nullptr), 0);
}


TEST_F(ZkZipTest, MethodAndDeflateBitsByLevelSuffixAndContent) {
    const std::string text = TextLike(100000, 3), noise = RandomBytes(70000, 5);
    const struct {
        int level;
        const char* name;
        std::string data;
        uint16_t method, bits, needed;
    } cases[] = {
        {0, "a.txt", text, 0, 0, 10}, {1, "a.txt", text, 8, 6, 20}, {2, "a.txt", text, 8, 4, 20},
        {8, "a.txt", text, 8, 2, 20}, {9, "bild.GIF", text, 0, 0, 10},
        {9, "rauschen.dat", noise, 0, 0, 10},  // deflate would have grown it
        {9, "leer.txt", "", 0, 0, 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " at level " + std::to_string(c.level));
        std::remove(Zip().c_str());
        dir.Write(c.name, c.data);
        Recorder r;
        Command cmd(Zip(), {c.name}, &r);
        cmd.Raw().level = c.level;
        cmd.Suffixes(".gif:.png:.z:.zip:.zoo:.arc:.lzh:.arj:.taz:.tgz:.lha");
        ASSERT_EQ(cmd.Run(), 1) << r.Messages();
        const ViewEntry e = View().entries.at(0);
        EXPECT_EQ(e.method, c.method);
        EXPECT_EQ(e.flags & 6, c.bits);
        EXPECT_EQ(e.versionNeeded, c.needed);
        if (c.method == 0) { EXPECT_EQ(e.packed, c.data.size()); }
        EXPECT_TRUE(Data(c.name) == c.data);
        EXPECT_EQ(r.Sum(ZK_CB_STEP), int64_t(c.data.size()));  // a fall-back to storing is silent
    }
}


TEST_F(ZkZipTest, CommandAndEntryPasswords) {
    const std::string text = TextLike(80000, 6);
    for (const auto& [name, data] : {std::pair{"a.txt", text}, {"b.gif", text}, {"d.txt", "vier"}, {"e.txt", "fünf"}})
        dir.Write(name, data);
    Command cmd(Zip(), {"a.txt", "b.gif", "d.txt", "e.txt"}, &rec);
    cmd.Raw().encrypt = -1;
    cmd.Password("Geheim!7").Suffixes(".gif");
    cmd.Spec(2, "Eins", true).Spec(3, "", false);  // "d.txt<Eins" and "e.txt<"
    ASSERT_EQ(cmd.Run(), 4) << rec.Messages();
    ZipView v = View();
    for (const auto& e : v.entries) {
        EXPECT_EQ(e.flags & 1, e.name == "e.txt" ? 0 : 1) << e.name;
        EXPECT_EQ(e.versionNeeded, e.flags & 1 ? 20 : 10) << e.name;
    }
    EXPECT_EQ(v.Find("a.txt")->method, 8);
    EXPECT_EQ(v.Find("b.gif")->method, 0);
    EXPECT_EQ(v.Find("b.gif")->packed, 80000u + 12);
    EXPECT_EQ(Data("a.txt", "Geheim!7"), text);
    EXPECT_EQ(Data("b.gif", "Geheim!7"), text);
    EXPECT_EQ(Data("d.txt", "Eins"), "vier");
    EXPECT_EQ(Data("e.txt"), "fünf");
    std::string error;
    EntryData(Zip(), *v.Find("a.txt"), "geheim!7", error);
    EXPECT_NE(error, "");
    EXPECT_EQ(rec.Of(ZK_CB_PASSWORD).size(), 0u);
}


// Update and freshen compare modification times (an age in seconds after
// the archived copy; a new name is not in the archive).
TEST_F(ZkZipTest, UpdateAndFreshenCompareModificationTimes) {
    const int64_t t0 = 1262304000;  // 2010-01-01
    const struct {
        bool update, freshen;
        int64_t fileAge;
        bool inArchive, added;
    } cases[] = {{true, false, 0, true, false},      {true, false, 60, true, true},   {true, false, -3600, false, true},
                 {false, true, 60, true, true},      {false, true, 60, false, false}, {true, true, 60, false, true},
                 {false, false, -3600, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.update) + std::to_string(c.freshen) + std::to_string(c.fileAge) + std::to_string(c.inArchive));
        std::remove(Zip().c_str());
        dir.Write("alt.txt", "alt");
        SetMTime(dir.Path("alt.txt"), t0);
        ASSERT_EQ(Add({"alt.txt"}), 1);
        const std::string name = c.inArchive ? "alt.txt" : "neu.txt", before = dir.Read("out.zip");
        dir.Write(name, "geändert");
        SetMTime(dir.Path(name), t0 + c.fileAge);
        Recorder r;
        Command cmd(Zip(), {name}, &r);
        cmd.Raw().update = c.update ? -1 : 0;
        cmd.Raw().freshen = c.freshen ? -1 : 0;
        EXPECT_EQ(cmd.Run(), c.added ? 1 : 0) << r.Messages();
        EXPECT_TRUE(c.added ? Data(name) == "geändert" : dir.Read("out.zip") == before && r.LastError() == kErrNothing);
        std::remove(dir.Path("neu.txt").c_str());
    }
}

// Appended in place with room only for the new file; replaced through a
// temporary archive on another file system; the sources moved.
TEST_F(ZkZipTest, AppendInPlaceReplaceElsewhereMoveWithUnicodeNames) {
    const std::string zip = dir.Path("Ärchiv.zip");
    const int64_t t = 1300000000;
    dir.Write("TEXTE/THEMA.{1}", TextLike(300000, 50));
    dir.Write("Übung/Größe ß.txt", "Umlaute");
    dir.Write("rauschen.bin", RandomBytes(20000, 51));
    for (const char* f : {"TEXTE/THEMA.{1}", "Übung/Größe ß.txt", "rauschen.bin"}) SetMTime(dir.Path(f), t);
    for (const char* spec : {"TEXTE\\THEMA.{1}", "Übung\\Größe ß.txt"}) ASSERT_EQ(Command(zip, {spec}, &rec).Run(), 1);
    const std::string before = dir.Read("Ärchiv.zip");
    Command append(zip, {"rauschen.bin"}, &rec);
    append.Raw().keepArchiveTime = -1;
    fs::TestHooks().diskFree = 30000;  // far too little for a second copy
    ASSERT_EQ(append.Run(), 1) << rec.Messages();
    fs::TestHooks() = fs::Hooks();
    ZipView v = ViewZip(zip);
    const uint64_t at = v.entries.at(2).localOffset;
    EXPECT_TRUE(dir.Read("Ärchiv.zip").substr(0, at) == before.substr(0, at));
    fs::Stat st;
    ASSERT_TRUE(fs::GetStat(zip, st));
    EXPECT_EQ(st.mtime, t);
    struct stat here, shm;
    const bool otherFs = ::stat("/dev/shm", &shm) == 0 && ::stat(dir.Root().c_str(), &here) == 0 && here.st_dev != shm.st_dev;
    const std::string tmp = otherFs ? "/dev/shm/zkzip-test-" + std::to_string(::getpid()) : dir.Path("tmp");
    ::mkdir(tmp.c_str(), 0700);
    dir.Write("TEXTE/THEMA.{1}", "ersetzt");
    Command replace(zip, {"TEXTE/THEMA.{1}"}, &rec);
    replace.Raw().noDirEntries = 0;
    replace.Raw().move = -1;
    replace.TempDir(tmp);
    ASSERT_EQ(replace.Run(), 1) << rec.Messages();
    EXPECT_EQ(::rmdir(tmp.c_str()), 0) << "temporary files left in " << tmp;
    v = ViewZip(zip);
    EXPECT_EQ(v.Names(), (Names{"Übung/Größe ß.txt", "rauschen.bin", "TEXTE/", "TEXTE/THEMA.{1}"}));
    EXPECT_EQ((v.entries[0].flags & 0x800) + (v.entries[1].flags & 0x800), 0x800);  // UTF-8 flag only when not ASCII
    std::string error;
    EXPECT_EQ(EntryData(zip, *v.Find("TEXTE/THEMA.{1}"), "", error), "ersetzt");
    EXPECT_EQ(EntryData(zip, *v.Find("Übung/Größe ß.txt"), "", error), "Umlaute");
    EXPECT_EQ(EntryData(zip, *v.Find("rauschen.bin"), "", error), RandomBytes(20000, 51));
    EXPECT_EQ(error, "");
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"rauschen.bin", "Ärchiv.zip", "Übung/Größe ß.txt"}));
}


// Where the add starts from: no archive, one that gets a new entry in
// place, one in which an entry is replaced (rewritten).
enum class Start { NoArchive, Append, Replace };

class Safety : public ZkZipTest, public ::testing::WithParamInterface<Start> {
protected:
    // Two files to add, one above the 256 KiB read step.
    void SetUp() override {
        dir.Write("alt.txt", TextLike(120000, 20));
        dir.Write("rauschen.bin", RandomBytes(50000, 21));
        if (GetParam() != Start::NoArchive) {
            Command c(Zip(), {"alt.txt", "rauschen.bin"});
            c.Raw().level = 6;
            ASSERT_EQ(c.Run(), 2);
            original = dir.Read("out.zip");
        }
        dir.Write("neu/text.txt", TextLike(400000, 22));
        dir.Write("neu/bild.gif", RandomBytes(30000, 23));
        if (GetParam() == Start::Replace) dir.Write("alt.txt", TextLike(130000, 24));
        files = dir.Files();
    }
    // The command under test: move on, so sources must survive a failure.
    int32_t Add(Recorder& r, bool move = true) {
        Command c(Zip(), GetParam() == Start::Replace ? Names{"neu/*", "alt.txt"} : Names{"neu/*"}, &r);
        c.Raw().move = c.Raw().verbose = move ? -1 : 0;
        c.Raw().noDirEntries = 0;
        c.Suffixes(".gif");
        return c.Run();
    }
    void ExpectUntouched(const Recorder& r, int expectedError) {
        EXPECT_TRUE(GetParam() == Start::NoArchive ? !dir.Exists("out.zip") : dir.Read("out.zip") == original)
            << "archive changed";
        EXPECT_EQ(dir.Files(), files);
        EXPECT_EQ(r.LastError(), expectedError) << r.Messages();
    }

    std::string original;
    Names files;
};

// Failures, cancels and a full disk at every stage change nothing; exactly enough room works.
TEST_P(Safety, FailuresCancelsAndAFullDiskLeaveEverythingAsItWas) {
    const std::string saved = GetParam() == Start::NoArchive ? std::string() : dir.Read("out.zip");
    fs::TestHooks().diskFree = int64_t(1) << 40;  // how much the add takes, measured on a copy
    Recorder probe;
    ASSERT_GT(Add(probe, false), 0) << probe.Messages();
    const int64_t need = (int64_t(1) << 40) - fs::TestHooks().diskFree;
    std::remove(Zip().c_str());
    if (!saved.empty()) dir.Write("out.zip", saved);
    const uint64_t size = saved.size();
    using Hooks = fs::Hooks;
    const std::tuple<std::function<void(Recorder&, Hooks&)>, int32_t, std::string> failures[] = {
        {[](Recorder&, Hooks& h) { h.failReadName = "neu/text.txt", h.failReadAfter = -1; }, kErrOpen, "neu/text.txt"},
        {[](Recorder&, Hooks& h) { h.failReadName = "neu/text.txt", h.failReadAfter = 300000; }, kErrRead, ""},
        {[=](Recorder&, Hooks& h) { h.maxArchiveSize = size + 20000; }, kErrTooBig, std::to_string(size + 20000)},
    };
    std::vector<std::tuple<std::function<void(Recorder&, Hooks&)>, int32_t, std::string>> cases(std::begin(failures),
                                                                                                 std::end(failures));
    for (auto p : {std::pair{ZK_CB_TOTAL, 1}, {ZK_CB_COUNT, 1}, {ZK_CB_FILE_START, 2}, {ZK_CB_STEP, 2},
                   {ZK_CB_FILE_END, 2}, {ZK_CB_MESSAGE, 1}})
        cases.emplace_back([p](Recorder& r, Hooks&) { r.cancelAction = p.first, r.cancelAt = p.second; }, kErrCancel, "");
    // Full at once, in a header, the data, the central directory, the end record.
    for (int64_t room : {int64_t(0), int64_t(29), need / 2, need - 40, need - 1})
        cases.emplace_back([room](Recorder&, Hooks& h) { h.diskFree = room; }, kErrWrite, "No space left");
    for (const auto& [arm, error, told] : cases) {
        Recorder r;
        fs::TestHooks() = Hooks();
        arm(r, fs::TestHooks());
        EXPECT_EQ(Add(r), 0);
        fs::TestHooks() = Hooks();
        ExpectUntouched(r, error);
        EXPECT_NE(r.Messages().find(told), std::string::npos) << r.Messages();
    }
    fs::TestHooks().diskFree = need;
    EXPECT_EQ(Add(rec), GetParam() == Start::Replace ? 3 : 2) << rec.Messages();
    EXPECT_EQ(Data("neu/text.txt"), TextLike(400000, 22));
    EXPECT_EQ(View().entries.size(), GetParam() == Start::NoArchive ? 3u : 5u);  // old ones, neu/, 2 new
}

// Counts down the moments of an add (callbacks and changes on disk) and
// ends the process at zero, as a crash or the task manager would.
int g_momentsLeft = 0;
void CountDownMoment() {
    if (--g_momentsLeft == 0) _exit(0);
}

TEST_P(Safety, KilledAtAnyMoment) {
    Names oldNames, newNames;
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
            if (Add(r, false) > 0) _exit(99);
            std::fprintf(stderr, "%s\n", r.Messages().c_str());
            _exit(98);
        }
        int status = 0;
        ASSERT_TRUE(waitpid(pid, &status, 0) == pid && WIFEXITED(status));
        const int code = WEXITSTATUS(status);
        ASSERT_NE(code, 98) << "the add failed at moment " << moment;
        std::string error;  // the next reader undoes what was cut short
        ASSERT_TRUE(UndoInterruptedAdd(Zip(), error)) << error;
        Names expected = files;
        if (GetParam() == Start::NoArchive && dir.Exists("out.zip")) expected.push_back("out.zip");
        EXPECT_EQ(dir.Files(), Sorted(expected)) << "moment " << moment;
        const bool old = GetParam() == Start::NoArchive ? !dir.Exists("out.zip") : dir.Read("out.zip") == original;
        if (!old) {
            if (newNames.empty()) newNames = View().Names();
            EXPECT_EQ(View().Names(), newNames) << "moment " << moment << ": " << View().error;
            EXPECT_GT(newNames.size(), oldNames.size());
            EXPECT_EQ(Data("neu/text.txt"), TextLike(400000, 22)) << "moment " << moment;
            EXPECT_EQ(std::system(("unzip -tqq " + Zip() + " >/dev/null 2>&1").c_str()), 0) << "moment " << moment;
        }
        if (code == 99) {
            EXPECT_FALSE(old) << "the finished add left the old archive";
            EXPECT_GT(moment, 10);
            break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(From, Safety, ::testing::Values(Start::NoArchive, Start::Append, Start::Replace));

// The first writer pauses in the middle of its add until the test lets it go on.
int g_paused[2], g_resume[2], g_calls = 0;
void PauseInTheMiddle() {
    char c = 1;
    if (++g_calls == 4 && write(g_paused[1], &c, 1) == 1) (void)!read(g_resume[0], &c, 1);
}

// A second process finds the undo record held: it neither adds nor undoes,
// says why, and the first add ends whole.
TEST_F(ZkZipTest, OneWriterAtATime) {
    dir.Write("alt.txt", TextLike(5000, 30));
    ASSERT_EQ(Add({"alt.txt"}), 1);
    dir.Write("gross.bin", RandomBytes(3000000, 31));
    dir.Write("neu.txt", TextLike(4000, 32));
    ASSERT_TRUE(pipe(g_paused) == 0 && pipe(g_resume) == 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        Recorder r;
        r.onEvery = &PauseInTheMiddle;
        _exit(Command(Zip(), {"gross.bin"}, &r).Run() == 1 ? 0 : 1);
    }
    char c = 0;
    ASSERT_EQ(read(g_paused[0], &c, 1), 1);
    const std::string archive = dir.Read("out.zip"), record = dir.Read("out.zip.zkj");
    Recorder second;
    EXPECT_EQ(Command(Zip(), {"neu.txt"}, &second).Run(), 0);
    EXPECT_EQ(second.LastError(), kErrBusy);
    EXPECT_EQ(second.LastReason(), int(zipundo::Reason::Busy));
    std::string error;
    EXPECT_FALSE(UndoInterruptedAdd(Zip(), error));
    EXPECT_EQ(dir.Read("out.zip"), archive);
    EXPECT_EQ(dir.Read("out.zip.zkj"), record);
    ASSERT_EQ(write(g_resume[1], &c, 1), 1);
    int status = -1;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Add({"neu.txt"}), 1) << rec.Messages();
    EXPECT_EQ(Sorted(View().Names()), (Names{"alt.txt", "gross.bin", "neu.txt"}));
    EXPECT_EQ(Data("gross.bin"), RandomBytes(3000000, 31));
    EXPECT_FALSE(dir.Exists("out.zip.zkj"));
}

// A journal that is not whole, or not for this file, changes nothing.
TEST_F(ZkZipTest, ForeignOrTornJournalLeavesTheArchive) {
    dir.Write("a.txt", TextLike(9000, 26));
    ASSERT_EQ(Add({"a.txt"}), 1);
    const std::string good = dir.Read("out.zip");
    journal::Undo u;
    u.tailOffset = good.size() - 100;
    u.tail = std::string(100, 'x');
    u.prefixLength = 16;
    u.prefixCrc = journal::Crc32(good.data() + u.tailOffset - 16, 16);
    const std::string whole = journal::Encode(u);
    u.prefixCrc ^= 1;
    for (const std::string& j : {whole.substr(0, 40), whole.substr(0, whole.size() - 1), journal::Encode(u), whole}) {
        dir.Write("out.zip.zkj", j);
        std::string error;
        EXPECT_TRUE(UndoInterruptedAdd(Zip(), error)) << error;
        EXPECT_FALSE(dir.Exists("out.zip.zkj"));
        EXPECT_TRUE(dir.Read("out.zip") == (j == whole ? good.substr(0, good.size() - 100) + std::string(100, 'x') : good))
            << j.size();
    }
}

}  // namespace
}  // namespace zkzip::test
