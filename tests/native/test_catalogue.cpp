#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/fake/fake_platform.h"
#include "setup/filelist.h"

namespace zk::test {

using platform::faArchive;
using platform::faHidden;
using platform::faReadOnly;
using platform::faSysFile;

TEST(MatchesPattern, Table) {
    const std::string game = kGamePattern;
    const struct {
        const char* name;
        std::string pattern;
        bool matches;
    } cases[] = {
        {"ZANTORIK.EXE", game, true}, {"zkzip.dll", game, true}, {"Zantorik.Hlp", game, true},
        {"README.TXT", game, true},   {"ZANTORIK.PIF", game, true}, {"FILE_ID.DIZ", game, true},
        {"THEMA.{1}", game, true},    {"THEMA.{x}", game, true},    {"KÄSE.TXT", game, true},
        {"NOTESTXT", game, true},  // the last three characters, no dot needed
        {"{ä}", game, true},       // one character between the braces, however it is stored
        {"README", game, false},      {"SAVE.DAT", game, false},    {"THEMA.{12}", game, false},
        {"THEMA.(1)", game, false},   {"XE", game, false},          {"", game, false},
        {"A.EX", game, false},        {"MENU.EXÄ", game, false},
        {"anything", "", true},       {"x", "", true},
        {"DATEI.äöü", "ÄÖÜ", true},  // both sides upper-cased the German way
        {"A.B?C", "B?C", true},       {"A.XYZ", "???", true},
        {"A.X1Z", "X?ZQ?Q", false},  // a later wildcard group that misses takes back an earlier hit
        {"A.X1Z", "Q?QX?Z", true},
        {"A.ABC", "ABCQ?Q", true},   // but an exact hit ends the test at once
        {"A.ABC", "ABD", false},
    };
    for (const auto& c : cases) EXPECT_EQ(MatchesPattern(c.name, c.pattern), c.matches) << c.name << " " << c.pattern;
}

TEST(DescribeFile, Catalogue) {
    const std::string foreign = "Fremde, nicht dazugehörige Datei: ";
    const std::pair<const char*, std::string> cases[] = {
        {"\\ZKZIP.DLL", "Kompressions-Bibliothek"}, {"\\FILE_ID.DIZ", "Archiv-Information"},
        {"\\ZKSTART.EXE", "Ruvalin, der ParameterManager für ZANTORIK"}, {"\\ZANTORIK.EXE", "ZANTORIK-Hauptprogramm"},
        {"\\ZANTORIK.HLP", "ZANTORIK-Hilfedatei, Anleitung"},
        {"\\ZANTORIK.PIF", "Schnittstelle zwischen Ruvalin und ZANTORIK"},
        {"\\ZANTORIK.TXT", "ZANTORIKKurz-Anleitung"}, {"\\TEXTE\\THEMA.{7}", "Texte zu Thema 7"},
        {"\\A\\B\\C\\THEMA.{x}", "Texte zu Thema x"},
        {"\\SUB\\ZANTORIK.EXE", "ZANTORIK-Hauptprogramm"},  // only the bare name counts
        {"\\SETUP.EXE", foreign + "SETUP.EXE"}, {"\\README.TXT", foreign + "README.TXT"},
        {"\\Zantorik.EXE", foreign + "ZANTORIK.EXE"},  // letter case matters in the catalogue
        {"\\müll.Dll", foreign + "MÜLL.DLL"}, {"\\SAVE.DAT", foreign + "SAVE.DAT"},
        {"\\zkstart.exe", "-"}, {"\\readme.txt", "-"},  // kinds e and t are none of the catalogue's
        {"\\A.B", "-"}, {"\\A.E", "-"}, {"", "-"},      // four characters or fewer
        {"\\NOTESTXT", "-"},                            // no dot: the kind is the first letter, N
        {"\\EXTRATXT", foreign + "EXTRATXT"}, {"\\ARCHIV.ZIP", "-"},
    };
    for (const auto& [line, text] : cases) EXPECT_EQ(DescribeFile(line), text) << line;
}

struct Walk : ::testing::Test {
    platform::FakePlatform fake;
    std::vector<ListedFile> files;
    std::vector<std::string> list;
    int32_t Run(const std::string& folder = "C:\\GAME") {
        files = {{"stale"}};
        const int32_t total = ListSourceFiles(fake.files, folder, kGamePattern, files);
        list.clear();
        for (const ListedFile& f : files) list.push_back(f.line);
        return total;
    }
};

// Depth-first in the file system's order, hidden and system files too; a
// folder named like a game file is listed and entered, one whose name
// begins with "." is not; lines are cut at 255 characters, the walk goes
// below ten levels.
TEST_F(Walk, ListsTheGameFilesDepthFirstInTheFileSystemsOrder) {
    auto& f = fake.files;
    f.AddFile("C:\\GAME\\ZANTORIK.EXE", std::string(1000, 'e'));
    f.AddFile("C:\\GAME\\TEXTE\\THEMA.{1}", "eins");
    f.AddFile("C:\\GAME\\TEXTE\\THEMA.{2}", "zwei!");
    f.AddFile("C:\\GAME\\ZANTORIK.HLP", std::string(30, 'h'), faHidden | faSysFile | faReadOnly);
    f.AddFile("C:\\GAME\\SAVE.DAT", std::string(999, 'd'));
    f.AddFile("C:\\GAME\\ALT.EXE\\OLD.EXE", "123");
    f.AddFile("C:\\GAME\\.GIT\\HOOK.EXE", "never");
    f.AddFile("C:\\GAME\\.HIDDEN.TXT", "ab");
    const std::string deep = "\\1\\2\\3\\4\\5\\6\\7\\8\\9\\10\\11\\12\\DEEP.TXT", longName(300, 'N');
    f.AddFile("C:\\GAME" + deep, "deep");
    f.AddFile("C:\\GAME\\" + longName + ".EXE", "x");
    EXPECT_EQ(Run(), 1000 + 4 + 5 + 30 + 3 + 2 + 4 + 1);
    EXPECT_EQ(list, (std::vector<std::string>{"\\ZANTORIK.EXE", "\\TEXTE\\THEMA.{1}", "\\TEXTE\\THEMA.{2}",
                                              "\\ZANTORIK.HLP", "\\ALT.EXE", "\\ALT.EXE\\OLD.EXE", "\\.HIDDEN.TXT",
                                              deep, "\\" + longName.substr(0, 254)}));
    EXPECT_TRUE(files[4].folder && files[4].size == 0);
    EXPECT_TRUE(!files[5].folder && files[5].size == 3);
}

TEST_F(Walk, EmptyMissingAndUnreadableFolders) {
    fake.files.AddDir("C:\\GAME");
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(Run("C:\\NOWHERE"), 0);
    EXPECT_TRUE(list.empty());
    fake.files.AddFile("C:\\GAME\\A.EXE", "1");
    fake.files.AddFile("C:\\GAME\\LOCKED\\B.EXE", "22");
    fake.files.AddFile("C:\\GAME\\C.EXE", "333");
    fake.files.failOpenDir.insert("c:\\game\\locked");
    EXPECT_EQ(Run(), 4);
    EXPECT_EQ(list, (std::vector<std::string>{"\\A.EXE", "\\C.EXE"}));
}

#ifndef _WIN32
// Over real files: a symbolic link to a folder is not followed, so a link
// back up the tree cannot make the walk go round.
TEST_F(Walk, FollowsNoLinks) {
    char tmpl[] = "/tmp/zkwalkXXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    std::filesystem::path root(tmpl);
    std::filesystem::create_directories(root / "GAME" / "SUB");
    std::ofstream(root / "GAME" / "ZANTORIK.EXE") << "exe";
    std::ofstream(root / "GAME" / "SUB" / "THEMA.{1}") << "t1";
    std::filesystem::create_directories(root / "ELSEWHERE");
    std::ofstream(root / "ELSEWHERE" / "FREMD.EXE") << "fremd";
    std::filesystem::create_directory_symlink(root / "GAME", root / "GAME" / "SUB" / "LOOP");
    std::filesystem::create_directory_symlink(root / "ELSEWHERE", root / "GAME" / "LINK");
    fake.files.Drive('H').hostFolder = root.string();
    EXPECT_EQ(Run("H:\\GAME"), 5);
    std::sort(list.begin(), list.end());  // the host lists in its own order
    EXPECT_EQ(list, (std::vector<std::string>{"\\SUB\\THEMA.{1}", "\\ZANTORIK.EXE"}));
    std::filesystem::remove_all(root);
}
#endif

}  // namespace zk::test
