// The zip library: what each add option does to the archive.
#include <sys/stat.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>

#include <zlib.h>

#include "zkzip/zkfs.h"
#include "zkzip_support.h"

namespace zkzip::test {
namespace {

std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

TEST(ZkZipVersion, ReportsTheInterfaceVersion) { EXPECT_EQ(GetZkZipVersion(), 160); }

TEST_F(ZkZipTest, AddsOneFileTheWayTheSetupDoes) {
    std::string text = TextLike(300000, 1);
    dir.Write("TEXTE/THEMA.{1}", text, 1300000000);  // 2011-03-13
    EXPECT_EQ(Command(Zip(), {"TEXTE\\THEMA.{1}"}, &rec).Run(), 1) << rec.Messages();

    ZipView v = View();
    ASSERT_TRUE(v.ok) << v.error;
    ASSERT_EQ(v.Names(), std::vector<std::string>{"TEXTE/THEMA.{1}"});
    const ViewEntry& e = v.entries[0];
    EXPECT_EQ(e.method, 8);
    EXPECT_EQ(e.flags, 2);  // deflate at its best level, no UTF-8 flag
    EXPECT_EQ(e.madeBy, (11 << 8) | 20);
    EXPECT_EQ(e.needed, 20);
    EXPECT_EQ(e.attributes, 0x20u);
    EXPECT_EQ((e.dosTime >> 25) + 1980, 2011u);  // DOS date: year, month, day
    EXPECT_EQ((e.dosTime >> 21) & 15, 3u);
    EXPECT_NEAR(double((e.dosTime >> 16) & 31), 13.0, 1.0);
    EXPECT_LT(e.packed, e.size / 2);
    EXPECT_EQ(Data("TEXTE/THEMA.{1}"), text);

    // Total, then count, then the file from start to end.
    ASSERT_GE(rec.events.size(), 5u);
    EXPECT_EQ(rec.events[0].action, ZK_CB_TOTAL);
    EXPECT_EQ(rec.events[0].value, 300000);
    EXPECT_EQ(rec.events[1].action, ZK_CB_COUNT);
    EXPECT_EQ(rec.events[1].value, 1);
    EXPECT_EQ(rec.events[2].action, ZK_CB_FILE_START);
    EXPECT_EQ(rec.events[2].text, "TEXTE/THEMA.{1}");
    EXPECT_EQ(rec.events[2].value, 300000);
    EXPECT_EQ(rec.events.back().action, ZK_CB_FILE_END);
    int64_t steps = 0;
    for (const auto& s : rec.Of(ZK_CB_STEP)) steps += s.value;
    EXPECT_EQ(steps, 300000);
    EXPECT_GE(rec.Of(ZK_CB_STEP).size(), 2u);
    EXPECT_EQ(rec.Of(ZK_CB_MESSAGE).size(), 0u) << rec.Messages();
}

// ------------------------------------------------------------------ finding files

struct FindCase {
    const char* name;
    std::vector<std::string> specs;
    std::function<void(Command&, const Scratch&)> setup;
    std::function<std::vector<std::string>(const Scratch&)> expected;
};

std::vector<std::string> List(std::vector<std::string> v) { return v; }

class FindFiles : public ZkZipTest, public ::testing::WithParamInterface<FindCase> {};

TEST_P(FindFiles, StoresTheMatchingNames) {
    const FindCase& c = GetParam();
    dir.Write("a.txt", "a");
    dir.Write("b.TXT", "b");
    dir.Write("c.dat", "c");
    dir.Write("noext", "n");
    dir.Write(".hidden.txt", "h");
    dir.Write("Langer Name.text", "l");
    dir.Write("sub/d.txt", "d");
    dir.Write("sub/e.bak", "e");
    dir.Write("sub/deep/f.txt", "f");
    dir.Write("save/g.txt", "g");
    dir.Write(".secret/h.txt", "h");
    dir.MakeDir("empty");
    Command cmd(Zip(), c.specs, &rec);
    if (c.setup) c.setup(cmd, dir);
    int32_t added = cmd.Run();
    std::vector<std::string> want = Sorted(c.expected(dir));
    ZipView v = View();
    ASSERT_TRUE(v.ok) << v.error << "\n" << rec.Messages();
    EXPECT_EQ(Sorted(v.Names()), want) << rec.Messages();
    int files = 0;
    for (const auto& n : want) files += n.back() != '/';
    EXPECT_EQ(added, files);
    for (const auto& e : v.entries) {
        if (e.name.back() == '/') {
            EXPECT_EQ(e.size, 0u);
            EXPECT_EQ(e.attributes & 0x10, 0x10u) << e.name;
        }
    }
}

auto Recurse = [](Command& c, const Scratch&) { c.Raw().recurse = 0xFFFF; };

INSTANTIATE_TEST_SUITE_P(
    Options, FindFiles,
    ::testing::Values(
        FindCase{"WildcardIgnoresCaseAndHidden", {"*.txt"}, nullptr,
                 [](const Scratch&) { return List({"a.txt", "b.TXT"}); }},
        FindCase{"StarDotStarTakesNamesWithoutDot", {"*.*"}, nullptr,
                 [](const Scratch&) { return List({"a.txt", "b.TXT", "c.dat", "noext", "Langer Name.text"}); }},
        FindCase{"QuestionMark", {"?.t?t"}, nullptr, [](const Scratch&) { return List({"a.txt", "b.TXT"}); }},
        FindCase{"HiddenFilesWhenAsked", {"*.txt"}, [](Command& c, const Scratch&) { c.Raw().hiddenFiles = -1; },
                 [](const Scratch&) { return List({"a.txt", "b.TXT", ".hidden.txt"}); }},
        FindCase{"NamedHiddenFileIsTaken", {".hidden.txt"}, nullptr,
                 [](const Scratch&) { return List({".hidden.txt"}); }},
        FindCase{"Recursion", {"*.txt"}, Recurse,
                 [](const Scratch&) { return List({"a.txt", "b.TXT", "sub/d.txt", "sub/deep/f.txt", "save/g.txt"}); }},
        FindCase{"RecursionWithHiddenFolders", {"*.txt"},
                 [](Command& c, const Scratch&) {
                     c.Raw().recurse = 0xFFFF;
                     c.Raw().hiddenFiles = -1;
                 },
                 [](const Scratch&) {
                     return List({"a.txt", "b.TXT", ".hidden.txt", "sub/d.txt", "sub/deep/f.txt", "save/g.txt",
                                  ".secret/h.txt"});
                 }},
        FindCase{"RecursionWithFolderEntries", {"*"},
                 [](Command& c, const Scratch&) {
                     c.Raw().recurse = 0xFFFF;
                     c.Raw().noDirEntries = 0;
                 },
                 [](const Scratch&) {
                     return List({"a.txt", "b.TXT", "c.dat", "noext", "Langer Name.text", "sub/", "sub/d.txt",
                                  "sub/e.bak", "sub/deep/", "sub/deep/f.txt", "save/", "save/g.txt", "empty/"});
                 }},
        FindCase{"FolderEntriesAboveANamedFile", {"sub/deep/f.txt"},
                 [](Command& c, const Scratch&) { c.Raw().noDirEntries = 0; },
                 [](const Scratch&) { return List({"sub/", "sub/deep/", "sub/deep/f.txt"}); }},
        FindCase{"NoFolderEntriesByDefault", {"sub/deep/f.txt"}, nullptr,
                 [](const Scratch&) { return List({"sub/deep/f.txt"}); }},
        FindCase{"DroppedFolderNames", {"*.txt"},
                 [](Command& c, const Scratch&) {
                     c.Raw().recurse = 0xFFFF;
                     c.Raw().dropDirNames = -1;
                     c.Raw().noDirEntries = 0;  // no folder names, so no folder entries either
                 },
                 [](const Scratch&) { return List({"a.txt", "b.TXT", "d.txt", "f.txt", "g.txt"}); }},
        FindCase{"Exclusions", {"*"},
                 [](Command& c, const Scratch&) {
                     c.Raw().recurse = 0xFFFF;
                     c.Exclude({"*.bak", "save", "sub\\deep\\*", "Langer*"});
                 },
                 [](const Scratch&) { return List({"a.txt", "b.TXT", "c.dat", "noext", "sub/d.txt"}); }},
        FindCase{"AbsoluteExclusion", {"*.txt", "sub/*.txt"},
                 [](Command& c, const Scratch& d) { c.Exclude({d.Path("sub") + "/*"}); },
                 [](const Scratch&) { return List({"a.txt", "b.TXT"}); }},
        FindCase{"RootFolder", {"*.txt", "deep\\f.txt"},
                 [](Command& c, const Scratch& d) { c.RootDir(d.Path("sub") + "/"); },
                 [](const Scratch&) { return List({"d.txt", "deep/f.txt"}); }},
        FindCase{"AbsoluteSpecInsideTheRootFolder", {},
                 [](Command& c, const Scratch& d) {
                     c = Command(d.Path("out.zip"), {d.Path("sub/deep") + "/*.txt"}, nullptr);
                     c.RootDir(d.Root());
                 },
                 [](const Scratch&) { return List({"sub/deep/f.txt"}); }},
        FindCase{"AbsoluteSpecLosesItsRoot", {},
                 [](Command& c, const Scratch& d) { c = Command(d.Path("out.zip"), {d.Path("sub/d.txt")}, nullptr); },
                 [](const Scratch& d) { return List({d.Root().substr(1) + "/sub/d.txt"}); }},
        FindCase{"NamedFolderWithRecursion", {"sub"}, Recurse,
                 [](const Scratch&) { return List({"sub/d.txt", "sub/e.bak", "sub/deep/f.txt"}); }},
        FindCase{"NamedFileInEverySubfolderWhenRecursing", {"f.txt"}, Recurse,
                 [](const Scratch&) { return List({"sub/deep/f.txt"}); }},
        FindCase{"ForcedDosNames", {"Langer Name.text", "sub/deep/f.txt"},
                 [](Command& c, const Scratch&) { c.Raw().forceDOS = -1; },
                 [](const Scratch&) { return List({"LANGER_N.TEX", "SUB/DEEP/F.TXT"}); }},
        FindCase{"SameNameTwiceIsAddedOnce", {"a.txt", "./a.txt", "sub/../a.txt"}, nullptr,
                 [](const Scratch&) { return List({"a.txt"}); }},
        FindCase{"UnmatchedSpecBesideAMatchingOne", {"nothing*.xyz", "c.dat"}, nullptr,
                 [](const Scratch&) { return List({"c.dat"}); }}),
    [](const ::testing::TestParamInfo<FindCase>& i) { return std::string(i.param.name); });

TEST_F(ZkZipTest, PerEntryRecursionOverridesTheCommand) {
    dir.Write("x.txt", "x");
    dir.Write("sub/y.txt", "y");
    dir.Write("other/z.dat", "z");
    Command cmd(Zip(), {"*.txt", "*.dat"}, &rec);
    cmd.Run();  // builds the records; now change them the way ">" and "|" do
    std::remove(Zip().c_str());
    ZipCommand& raw = cmd.Raw();
    raw.fileSpecs[0].recurse = 0;
    raw.fileSpecs[1].recurse = 0xFFFF;
    EXPECT_EQ(ZkZipExec(&raw), 2);
    EXPECT_EQ(Sorted(View().Names()), Sorted({"x.txt", "other/z.dat"}));
}

// Files the add leaves out are told to the caller and not counted.
TEST_F(ZkZipTest, LeftOutFilesAreReported) {
    std::string deep;
    for (int i = 0; i < 64; ++i) deep += "d/";
    dir.Write("a.txt", "a");
    dir.Write(deep + "in.txt", "in");
    dir.Write(deep + "d/out.txt", "out");
    dir.Write(deep + "d/d/out.txt", "out");
    Command c(Zip(), {"*.txt"}, &rec);
    c.Raw().recurse = 0xFFFF;
    EXPECT_EQ(c.Run(), 2) << rec.Messages();
    EXPECT_EQ(View().Names(), (std::vector<std::string>{"a.txt", deep + "in.txt"}));
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
                                " (same.txt)"),
              std::string::npos) << r.Messages();
}

TEST_F(ZkZipTest, NothingMatchedLeavesNoArchive) {
    dir.Write("a.txt", "a");
    EXPECT_EQ(Command(Zip(), {"*.xyz"}, &rec).Run(), 0);
    EXPECT_FALSE(dir.Exists("out.zip"));
    EXPECT_EQ(rec.LastError(), kErrNothing);
    EXPECT_NE(rec.Messages().find("Nothing to do"), std::string::npos) << rec.Messages();
    EXPECT_EQ(rec.Of(ZK_CB_TOTAL).size(), 0u);
}

TEST_F(ZkZipTest, MissingArchiveNameIsRefused) {
    dir.Write("a.txt", "a");
    EXPECT_EQ(Command("", {"a.txt"}, &rec).Run(), 0);
    EXPECT_EQ(rec.LastError(), kErrName);
    EXPECT_EQ(ZkZipExec(nullptr), 0);
}

TEST_F(ZkZipTest, NeverAddsTheArchiveToItself) {
    dir.Write("a.txt", "a");
    ASSERT_EQ(Command(Zip(), {"a.txt"}, &rec).Run(), 1);
    dir.Write("b.txt", "b");
    EXPECT_EQ(Command(Zip(), {"*"}, &rec).Run(), 2);  // a.txt again, b.txt, not out.zip
    EXPECT_EQ(Sorted(View().Names()), Sorted({"a.txt", "b.txt"}));
}

TEST_F(ZkZipTest, NamesAreUtf8WithFlagOnlyWhenNotAscii) {
    dir.Write("Übung/Größe ß.txt", "umlaut");
    dir.Write("plain.txt", "ascii");
    ASSERT_EQ(Command(Zip(), {"Übung/*", "plain.txt"}, &rec).Run(), 2) << rec.Messages();
    ZipView v = View();
    const ViewEntry* u = v.Find("Übung/Größe ß.txt");
    ASSERT_TRUE(u);
    EXPECT_EQ(u->flags & 0x800, 0x800);
    const ViewEntry* a = v.Find("plain.txt");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->flags & 0x800, 0);
    EXPECT_EQ(Data("Übung/Größe ß.txt"), "umlaut");
}

// ------------------------------------------------------------------ compression

TEST_F(ZkZipTest, LevelZeroStoresEverything) {
    std::string text = TextLike(100000, 2);
    dir.Write("a.txt", text);
    Command cmd(Zip(), {"a.txt"}, &rec);
    cmd.Raw().level = 0;
    ASSERT_EQ(cmd.Run(), 1);
    ZipView v = View();
    const ViewEntry& e = v.entries.at(0);
    EXPECT_EQ(e.method, 0);
    EXPECT_EQ(e.needed, 10);
    EXPECT_EQ(e.packed, 100000u);
    EXPECT_EQ(Data("a.txt"), text);
}

TEST_F(ZkZipTest, LevelsSetTheDeflateBits) {
    std::string text = TextLike(100000, 3);
    dir.Write("a.txt", text);
    const std::pair<int, uint16_t> levels[] = {{1, 6}, {2, 4}, {5, 0}, {8, 2}, {9, 2}, {42, 2}};
    for (auto [level, bits] : levels) {
        std::remove(Zip().c_str());
        Command cmd(Zip(), {"a.txt"}, &rec);
        cmd.Raw().level = level;
        ASSERT_EQ(cmd.Run(), 1);
        ZipView v = View();
    const ViewEntry& e = v.entries.at(0);
        EXPECT_EQ(e.method, 8) << level;
        EXPECT_EQ(e.flags & 6, bits) << level;
        EXPECT_EQ(Data("a.txt"), text) << level;
    }
}

TEST_F(ZkZipTest, StoredSuffixesAndIncompressibleDataAreStored) {
    std::string text = TextLike(50000, 4), noise = RandomBytes(70000, 5);
    dir.Write("bild.GIF", text);
    dir.Write("musik.tgz", text);
    dir.Write("text.txt", text);
    dir.Write("rauschen.dat", noise);
    Command cmd(Zip(), {"*"}, &rec);
    cmd.Suffixes(".gif:.png:.z:.zip:.zoo:.arc:.lzh:.arj:.taz:.tgz:.lha");
    ASSERT_EQ(cmd.Run(), 4) << rec.Messages();
    ZipView v = View();
    EXPECT_EQ(v.Find("bild.GIF")->method, 0);
    EXPECT_EQ(v.Find("musik.tgz")->method, 0);
    EXPECT_EQ(v.Find("text.txt")->method, 8);
    EXPECT_EQ(v.Find("rauschen.dat")->method, 0);  // deflate would have grown it
    EXPECT_EQ(v.Find("rauschen.dat")->packed, 70000u);
    EXPECT_EQ(Data("bild.GIF"), text);
    EXPECT_EQ(Data("rauschen.dat"), noise);
    // The fall-back is silent: the steps still add up to the file once.
    int64_t steps = 0;
    for (const auto& s : rec.Of(ZK_CB_STEP)) steps += s.value;
    EXPECT_EQ(steps, 3 * 50000 + 70000);
}

TEST_F(ZkZipTest, CompressedStretchesInsideAFileCostNoSize) {
    // Noise and text in turns: the noise goes out in plain blocks, the text
    // after it is deflated again, and the whole is as small as deflate at
    // the best level makes it.
    std::string mixed = RandomBytes(2500000, 7) + TextLike(2000000, 8) + RandomBytes(1500000, 9) +
                        TextLike(1200000, 10);
    dir.Write("GEMISCHT.DAT", mixed);
    dir.Write("RAUSCHEN.DAT", RandomBytes(3000000, 11));
    ASSERT_EQ(Command(Zip(), {"GEMISCHT.DAT", "RAUSCHEN.DAT"}, &rec).Run(), 2) << rec.Messages();
    ZipView v = View();
    ASSERT_TRUE(v.ok) << v.error;
    const ViewEntry* e = v.Find("GEMISCHT.DAT");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->method, 8);
    uLongf best = compressBound(uLong(mixed.size()));
    std::vector<Bytef> whole(best);
    ASSERT_EQ(compress2(whole.data(), &best, reinterpret_cast<const Bytef*>(mixed.data()), uLong(mixed.size()), 9),
              Z_OK);
    EXPECT_LE(double(e->packed), double(best) * 1.01);
    EXPECT_EQ(Data("GEMISCHT.DAT"), mixed);
    EXPECT_EQ(v.Find("RAUSCHEN.DAT")->method, 0);
    EXPECT_EQ(v.Find("RAUSCHEN.DAT")->packed, 3000000u);
}

TEST_F(ZkZipTest, EmptyFile) {
    dir.Write("leer.txt", "");
    ASSERT_EQ(Command(Zip(), {"leer.txt"}, &rec).Run(), 1);
    ZipView v = View();
    const ViewEntry& e = v.entries.at(0);
    EXPECT_EQ(e.size, 0u);
    EXPECT_EQ(Data("leer.txt"), "");
}

// ------------------------------------------------------------------ encryption

TEST_F(ZkZipTest, CommandPasswordEncryptsEveryEntry) {
    std::string text = TextLike(80000, 6), noise = RandomBytes(30000, 7);
    dir.Write("a.txt", text);
    dir.Write("b.gif", text);
    dir.Write("c.bin", noise);
    Command cmd(Zip(), {"*"}, &rec);
    cmd.Raw().encrypt = -1;
    cmd.Password("Geheim!7").Suffixes(".gif");
    ASSERT_EQ(cmd.Run(), 3) << rec.Messages();
    ZipView v = View();
    for (const auto& e : v.entries) {
        EXPECT_EQ(e.flags & 1, 1) << e.name;
        EXPECT_EQ(e.needed, 20) << e.name;
    }
    EXPECT_EQ(v.Find("a.txt")->method, 8);
    EXPECT_EQ(v.Find("b.gif")->method, 0);
    EXPECT_EQ(v.Find("b.gif")->packed, 80000u + 12);
    EXPECT_EQ(v.Find("c.bin")->method, 0);
    EXPECT_EQ(Data("a.txt", "Geheim!7"), text);
    EXPECT_EQ(Data("b.gif", "Geheim!7"), text);
    EXPECT_EQ(Data("c.bin", "Geheim!7"), noise);
    std::string error;
    EntryData(Zip(), *v.Find("a.txt"), "geheim!7", error);
    EXPECT_NE(error, "");
    EXPECT_EQ(rec.Of(ZK_CB_PASSWORD).size(), 0u);
}

TEST_F(ZkZipTest, EntryPasswordsAndEntriesWithoutEncryption) {
    dir.Write("a.txt", "eins");
    dir.Write("b.txt", "zwei");
    dir.Write("c.txt", "drei");
    Command cmd(Zip(), {"a.txt", "b.txt", "c.txt"}, &rec);
    cmd.Raw().encrypt = -1;
    cmd.Password("Befehl");
    cmd.Spec(0, "Eins", true).Spec(2, "", false);  // "a.txt<Eins" and "c.txt<"
    ASSERT_EQ(cmd.Run(), 3) << rec.Messages();
    ZipView v = View();
    EXPECT_EQ(Data("a.txt", "Eins"), "eins");
    EXPECT_EQ(Data("b.txt", "Befehl"), "zwei");
    EXPECT_EQ(v.Find("c.txt")->flags & 1, 0);
    EXPECT_EQ(Data("c.txt"), "drei");
}

TEST_F(ZkZipTest, AsksOnceForAMissingPassword) {
    dir.Write("a.txt", "eins");
    dir.Write("b.txt", "zwei");
    rec.password = "Gefragt";
    Command cmd(Zip(), {"a.txt", "b.txt"}, &rec);
    cmd.Raw().encrypt = -1;
    ASSERT_EQ(cmd.Run(), 2) << rec.Messages();
    auto asked = rec.Of(ZK_CB_PASSWORD);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].error & 1, 1);  // with confirmation: a new password
    EXPECT_EQ(asked[0].text, "a.txt");
    EXPECT_EQ(Data("a.txt", "Gefragt"), "eins");
    EXPECT_EQ(Data("b.txt", "Gefragt"), "zwei");
    // Asked before anything else happens.
    EXPECT_EQ(rec.events[0].action, ZK_CB_PASSWORD);
}

TEST_F(ZkZipTest, NoPasswordNoArchive) {
    dir.Write("a.txt", "eins");
    for (bool cancel : {false, true}) {
        Recorder r;
        r.cancelPassword = cancel;
        Command cmd(Zip(), {"a.txt"}, &r);
        cmd.Raw().encrypt = -1;
        EXPECT_EQ(cmd.Run(), 0);
        EXPECT_FALSE(dir.Exists("out.zip"));
        EXPECT_EQ(r.LastError(), cancel ? kErrCancel : kErrPassword) << r.Messages();
    }
}

// ------------------------------------------------------------------ existing archives

TEST_F(ZkZipTest, AppendingLeavesTheOldEntriesInPlace) {
    std::string one = TextLike(40000, 8), two = TextLike(20000, 9);
    dir.Write("eins.txt", one);
    dir.Write("zwei.txt", two);
    ASSERT_EQ(Command(Zip(), {"eins.txt"}, &rec).Run(), 1);
    std::string before = ReadFile(Zip());
    uint32_t oldDir = View().entries[0].packed + 30 + 8;
    ASSERT_EQ(Command(Zip(), {"zwei.txt"}, &rec).Run(), 1);
    std::string after = ReadFile(Zip());
    EXPECT_EQ(after.substr(0, oldDir), before.substr(0, oldDir));
    ZipView v = View();
    ASSERT_TRUE(v.ok) << v.error;
    EXPECT_EQ(v.Names(), (std::vector<std::string>{"eins.txt", "zwei.txt"}));
    EXPECT_EQ(v.entries[1].offset, oldDir);
    EXPECT_EQ(Data("eins.txt"), one);
    EXPECT_EQ(Data("zwei.txt"), two);
}

TEST_F(ZkZipTest, AppendingNeedsRoomOnlyForTheNewFile) {
    // A disk with room for the new entry and the directory, far too little
    // for a second copy of the archive: only an in-place append fits.
    dir.Write("gross.bin", RandomBytes(3 << 20, 10));
    dir.Write("klein.txt", TextLike(5000, 11));
    ASSERT_EQ(Command(Zip(), {"gross.bin"}, &rec).Run(), 1);
    fs::TestHooks().diskFree = 8192;
    EXPECT_EQ(Command(Zip(), {"klein.txt"}, &rec).Run(), 1) << rec.Messages();
    EXPECT_EQ(View().Names(), (std::vector<std::string>{"gross.bin", "klein.txt"}));
}

TEST_F(ZkZipTest, SameNameReplacesTheEntry) {
    dir.Write("a.txt", "alt");
    dir.Write("b.txt", TextLike(30000, 12));
    dir.Write("c.txt", "cc");
    ASSERT_EQ(Command(Zip(), {"a.txt", "b.txt", "c.txt"}, &rec).Run(), 3);
    dir.Write("a.txt", "neu und länger");
    dir.Write("A.TXT", "GROSS");
    ASSERT_EQ(Command(Zip(), {"a.txt"}, &rec).Run(), 1);
    ZipView v = View();
    ASSERT_TRUE(v.ok) << v.error;
    EXPECT_EQ(v.Names(), (std::vector<std::string>{"b.txt", "c.txt", "a.txt"}));
    EXPECT_EQ(Data("a.txt"), "neu und länger");
    EXPECT_EQ(Data("b.txt"), TextLike(30000, 12));
    // Names compare without regard to case, as on Windows.
    ASSERT_EQ(Command(Zip(), {"A.TXT"}, &rec).Run(), 1);
    EXPECT_EQ(View().Names(), (std::vector<std::string>{"b.txt", "c.txt", "A.TXT"}));
    EXPECT_EQ(Data("A.TXT"), "GROSS");
    EXPECT_TRUE(dir.Files() == (std::vector<std::string>{"A.TXT", "a.txt", "b.txt", "c.txt", "out.zip"}));
}

struct TimeCase {
    const char* name;
    bool update, freshen;
    int64_t fileAge;  // seconds after the archived copy; 0 = the same file
    bool inArchive;
    bool added;
};

class UpdateFreshen : public ZkZipTest, public ::testing::WithParamInterface<TimeCase> {};

TEST_P(UpdateFreshen, ComparesModificationTimes) {
    const TimeCase& c = GetParam();
    const int64_t t0 = 1262304000;  // 2010-01-01
    dir.Write("alt.txt", "alt", t0);
    ASSERT_EQ(Command(Zip(), {"alt.txt"}, &rec).Run(), 1);
    std::string name = c.inArchive ? "alt.txt" : "neu.txt";
    dir.Write(name, "geändert", t0 + c.fileAge);
    std::string before = ReadFile(Zip());
    Command cmd(Zip(), {name}, &rec);
    cmd.Raw().update = c.update ? -1 : 0;
    cmd.Raw().freshen = c.freshen ? -1 : 0;
    EXPECT_EQ(cmd.Run(), c.added ? 1 : 0) << rec.Messages();
    if (c.added) {
        EXPECT_EQ(Data(name), "geändert");
    } else {
        EXPECT_EQ(ReadFile(Zip()), before);
        EXPECT_EQ(rec.LastError(), kErrNothing);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Times, UpdateFreshen,
    ::testing::Values(TimeCase{"UpdateSkipsTheSameTime", true, false, 0, true, false},
                      TimeCase{"UpdateSkipsAnOlderFile", true, false, -3600, true, false},
                      TimeCase{"UpdateTakesANewerFile", true, false, 60, true, true},
                      TimeCase{"UpdateTakesANewName", true, false, -3600, false, true},
                      TimeCase{"FreshenTakesANewerFile", false, true, 60, true, true},
                      TimeCase{"FreshenSkipsTheSameTime", false, true, 0, true, false},
                      TimeCase{"FreshenSkipsANewName", false, true, 60, false, false},
                      TimeCase{"UpdateWinsOverFreshen", true, true, 60, false, true},
                      TimeCase{"NeitherReplacesAnOlderFile", false, false, -3600, true, true}),
    [](const ::testing::TestParamInfo<TimeCase>& i) { return std::string(i.param.name); });

TEST_F(ZkZipTest, MoveDeletesTheAddedFilesOnly) {
    dir.Write("weg.txt", "weg");
    dir.Write("sub/auch.txt", "auch");
    dir.Write("bleibt.dat", "bleibt");
    Command cmd(Zip(), {"*.txt"}, &rec);
    cmd.Raw().move = -1;
    cmd.Raw().recurse = 0xFFFF;
    cmd.Raw().noDirEntries = 0;
    ASSERT_EQ(cmd.Run(), 2) << rec.Messages();
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"bleibt.dat", "out.zip"}));
    EXPECT_EQ(Data("sub/auch.txt"), "auch");
}

TEST_F(ZkZipTest, ArchiveComment) {
    dir.Write("a.txt", "a");
    dir.Write("b.txt", "b");
    dir.Write("c.txt", "c");
    Command first(Zip(), {"a.txt"}, &rec);
    first.Comment("ZANTORIK – das Familienspiel");
    ASSERT_EQ(first.Run(), 1);
    EXPECT_EQ(View().comment, "ZANTORIK – das Familienspiel");
    ASSERT_EQ(Command(Zip(), {"b.txt"}, &rec).Run(), 1);  // no comment given: it stays
    EXPECT_EQ(View().comment, "ZANTORIK – das Familienspiel");
    Command third(Zip(), {"c.txt"}, &rec);
    third.Comment("kurz");
    ASSERT_EQ(third.Run(), 1);
    ZipView v = View();
    ASSERT_TRUE(v.ok) << v.error;
    EXPECT_EQ(v.comment, "kurz");
    EXPECT_EQ(v.Names(), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
}

TEST_F(ZkZipTest, KeepArchiveTimeTakesTheNewestEntry) {
    const int64_t t1 = 1262304000, t2 = 1300000000;  // even seconds
    dir.Write("alt.txt", "alt", t1);
    dir.Write("neu.txt", "neu", t2);
    Command cmd(Zip(), {"*.txt"}, &rec);
    cmd.Raw().keepArchiveTime = -1;
    ASSERT_EQ(cmd.Run(), 2);
    struct stat st;
    ASSERT_EQ(::stat(Zip().c_str(), &st), 0);
    EXPECT_EQ(int64_t(st.st_mtime), t2);
}

TEST_F(ZkZipTest, TempDirTakesTheTemporaryArchive) {
    dir.Write("a.txt", TextLike(20000, 13));
    dir.Write("b.txt", "b");
    dir.MakeDir("tmp");
    ASSERT_EQ(Command(Zip(), {"a.txt", "b.txt"}, &rec).Run(), 2);
    dir.Write("a.txt", "ersetzt");
    Command cmd(Zip(), {"a.txt"}, &rec);
    cmd.TempDir(dir.Path("tmp"));
    ASSERT_EQ(cmd.Run(), 1) << rec.Messages();
    EXPECT_EQ(Data("a.txt"), "ersetzt");
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"a.txt", "b.txt", "out.zip"}));
}

TEST_F(ZkZipTest, TempDirOnAnotherFileSystem) {
    struct stat a, b;
    if (::stat("/dev/shm", &b) != 0 || ::stat(dir.Root().c_str(), &a) != 0 || a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system at /dev/shm";
    std::string tmp = "/dev/shm/zkzip-test-" + std::to_string(::getpid());
    ::mkdir(tmp.c_str(), 0700);
    dir.Write("a.txt", "alt");
    ASSERT_EQ(Command(Zip(), {"a.txt"}, &rec).Run(), 1);
    dir.Write("a.txt", "neu");
    Command cmd(Zip(), {"a.txt"}, &rec);
    cmd.TempDir(tmp);
    EXPECT_EQ(cmd.Run(), 1) << rec.Messages();
    EXPECT_EQ(Data("a.txt"), "neu");
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"a.txt", "out.zip"}));
    EXPECT_EQ(::rmdir(tmp.c_str()), 0) << "temporary files left in " << tmp;
}

TEST_F(ZkZipTest, SelfExtractorStubStaysInFront) {
    // What the component writes for a new ".EXE" archive: stub, settings
    // header, and an empty end record pointing behind them.
    std::string stub = "MZ" + RandomBytes(4998, 14);
    std::string header = std::string("MPV\x00\x00\x01", 6) + std::string("\x24\x00", 2) + std::string(28, '\0');
    std::string end = std::string("PK\x05\x06", 4) + std::string(12, '\0');
    uint32_t off = uint32_t(stub.size() + header.size());
    for (int i = 0; i < 4; ++i) end += char(off >> (8 * i));
    end += std::string(2, '\0');
    dir.Write("GAME.EXE", stub + header + end);
    dir.Write("a.txt", TextLike(10000, 15));
    ASSERT_EQ(Command(dir.Path("GAME.EXE"), {"a.txt"}, &rec).Run(), 1) << rec.Messages();
    std::string after = dir.Read("GAME.EXE");
    EXPECT_EQ(after.substr(0, off), stub + header);
    ZipView v = ViewZip(dir.Path("GAME.EXE"));
    ASSERT_TRUE(v.ok) << v.error;
    EXPECT_EQ(v.entries.at(0).offset, off);
}

TEST_F(ZkZipTest, DisplacedArchiveIsRewrittenWithTrueOffsets) {
    dir.Write("a.txt", TextLike(10000, 16));
    dir.Write("b.txt", "b");
    ASSERT_EQ(Command(Zip(), {"a.txt"}, &rec).Run(), 1);
    std::string prefix = RandomBytes(1000, 17);
    dir.Write("out.zip", prefix + ReadFile(Zip()));
    ASSERT_EQ(Command(Zip(), {"b.txt"}, &rec).Run(), 1) << rec.Messages();
    ZipView v = View();
    ASSERT_TRUE(v.ok) << v.error;
    EXPECT_EQ(v.entries.at(0).offset, 1000u);
    EXPECT_EQ(ReadFile(Zip()).substr(0, 1000), prefix);
    EXPECT_EQ(Data("a.txt"), TextLike(10000, 16));
    EXPECT_EQ(Data("b.txt"), "b");
}

TEST_F(ZkZipTest, OldLayoutEntriesAreParsedByTheLibrary) {
    dir.Write("a.txt", "a");
    dir.Write("sub/b.txt", "b");
    dir.Write("c.dat", "c");
    std::vector<char> mem(sizeof(ZipCommandOld), 0);
    auto* old = reinterpret_cast<ZipCommandOld*>(mem.data());
    std::string archive = Zip(), e1 = ">*.txt", e2 = "c.dat<Alt";
    old->caller = &rec;
    old->callback = &Recorder::Callback;
    old->version = 160;
    old->level = 9;
    old->noDirEntries = -1;
    old->endMark = ZK_END_MARK;
    old->archiveName = archive.data();
    old->fileSpecs[0] = e1.data();
    old->fileSpecs[1] = e2.data();
    old->argCount = 2;
    EXPECT_EQ(ZkZipExec(reinterpret_cast<ZipCommand*>(old)), 3) << rec.Messages();
    ZipView v = View();
    EXPECT_EQ(Sorted(v.Names()), Sorted({"a.txt", "sub/b.txt", "c.dat"}));
    EXPECT_EQ(v.Find("c.dat")->flags & 1, 1);
    EXPECT_EQ(Data("c.dat", "Alt"), "c");
}

TEST_F(ZkZipTest, VerboseReportsEachFile) {
    dir.Write("a.txt", TextLike(10000, 18));
    Command cmd(Zip(), {"a.txt"}, &rec);
    cmd.Raw().verbose = -1;
    ASSERT_EQ(cmd.Run(), 1);
    auto m = rec.Of(ZK_CB_MESSAGE);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].error, 0);
    EXPECT_EQ(m[0].text.rfind("  adding: a.txt (deflated ", 0), 0u) << m[0].text;
}

TEST_F(ZkZipTest, NotAZipArchiveIsLeftAlone) {
    dir.Write("out.zip", "Dies ist keine Zip-Datei, auch wenn sie so heißt.");
    dir.Write("a.txt", "a");
    EXPECT_EQ(Command(Zip(), {"a.txt"}, &rec).Run(), 0);
    EXPECT_EQ(rec.LastError(), kErrFormat);
    EXPECT_EQ(dir.Read("out.zip"), "Dies ist keine Zip-Datei, auch wenn sie so heißt.");
}

TEST_F(ZkZipTest, EmptyExistingFileBecomesTheArchive) {
    dir.Write("out.zip", "");
    dir.Write("a.txt", "a");
    EXPECT_EQ(Command(Zip(), {"a.txt"}, &rec).Run(), 1) << rec.Messages();
    EXPECT_EQ(Data("a.txt"), "a");
}

}  // namespace
}  // namespace zkzip::test
