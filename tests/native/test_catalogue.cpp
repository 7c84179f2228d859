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

TEST(MatchesPattern, TheSetupsPattern) {
    struct Case {
        const char* name;
        bool matches;
    } cases[] = {
        {"ZANTORIK.EXE", true},   {"zkzip.dll", true},     {"Zantorik.Hlp", true}, {"README.TXT", true},
        {"ZANTORIK.PIF", true},   {"FILE_ID.DIZ", true},   {"THEMA.{1}", true},    {"THEMA.{x}", true},
        {"NOTESTXT", true},       // the last three characters, no dot needed
        {"README", false},        {"SAVE.DAT", false},     {"THEMA.{12}", false},  {"THEMA.(1)", false},
        {"XE", false},            {"", false},             {"A.EX", false},        {"KÄSE.TXT", true},
        {"{ä}", true},            // one character between the braces, however it is stored
        {"MENU.EXÄ", false},
    };
    for (const Case& c : cases) EXPECT_EQ(MatchesPattern(c.name, kGamePattern), c.matches) << c.name;
}

TEST(MatchesPattern, GroupsAndWildcards) {
    EXPECT_TRUE(MatchesPattern("anything", ""));
    EXPECT_TRUE(MatchesPattern("x", ""));
    EXPECT_TRUE(MatchesPattern("DATEI.äöü", "ÄÖÜ"));  // both sides upper-cased the German way
    EXPECT_TRUE(MatchesPattern("A.B?C", "B?C"));       // an exact group
    EXPECT_TRUE(MatchesPattern("A.XYZ", "???"));
    // A later wildcard group that misses takes back an earlier wildcard hit.
    EXPECT_FALSE(MatchesPattern("A.X1Z", "X?ZQ?Q"));
    EXPECT_TRUE(MatchesPattern("A.X1Z", "Q?QX?Z"));
    // but an exact hit ends the test at once.
    EXPECT_TRUE(MatchesPattern("A.ABC", "ABCQ?Q"));
    EXPECT_FALSE(MatchesPattern("A.ABC", "ABD"));
}

TEST(DescribeFile, Catalogue) {
    const std::string foreign = "Fremde, nicht dazugehörige Datei: ";
    struct Case {
        const char* line;
        std::string text;
    } cases[] = {
        {"\\ZKZIP.DLL", "Kompressions-Bibliothek"},
        {"\\FILE_ID.DIZ", "Archiv-Information"},
        {"\\ZKSTART.EXE", "Ruvalin, der ParameterManager für ZANTORIK"},
        {"\\ZANTORIK.EXE", "ZANTORIK-Hauptprogramm"},
        {"\\ZANTORIK.HLP", "ZANTORIK-Hilfedatei, Anleitung"},
        {"\\ZANTORIK.PIF", "Schnittstelle zwischen Ruvalin und ZANTORIK"},
        {"\\ZANTORIK.TXT", "ZANTORIKKurz-Anleitung"},
        {"\\TEXTE\\THEMA.{7}", "Texte zu Thema 7"},
        {"\\A\\B\\C\\THEMA.{x}", "Texte zu Thema x"},
        {"\\SUB\\ZANTORIK.EXE", "ZANTORIK-Hauptprogramm"},  // only the bare name counts
        {"\\SETUP.EXE", foreign + "SETUP.EXE"},
        {"\\README.TXT", foreign + "README.TXT"},
        {"\\Zantorik.EXE", foreign + "ZANTORIK.EXE"},  // letter case matters in the catalogue
        {"\\müll.Dll", foreign + "MÜLL.DLL"},
        {"\\zkstart.exe", "-"},  // kind e is no kind of the catalogue
        {"\\readme.txt", "-"},
        {"\\A.B", "-"},
        {"\\A.E", "-"},  // four characters
        {"", "-"},
        {"\\NOTESTXT", "-"},  // no dot: the kind is the first letter, N
        {"\\EXTRATXT", foreign + "EXTRATXT"},  // no dot, first letter E
        {"\\SAVE.DAT", foreign + "SAVE.DAT"},
        {"\\ARCHIV.ZIP", "-"},
    };
    for (const Case& c : cases) EXPECT_EQ(DescribeFile(c.line), c.text) << c.line;
}

struct Walk : ::testing::Test {
    platform::FakePlatform fake;
    std::vector<std::string> list;
    int32_t Run(const std::string& folder = "C:\\GAME") {
        return ListSourceFiles(fake.files, folder, kGamePattern, list);
    }
};

TEST_F(Walk, ListsTheGameFilesDepthFirstInTheFileSystemsOrder) {
    auto& f = fake.files;
    f.AddFile("C:\\GAME\\ZANTORIK.EXE", std::string(1000, 'e'));
    f.AddFile("C:\\GAME\\ZKSTART.EXE", std::string(200, 's'));
    f.AddDir("C:\\GAME\\TEXTE");
    f.AddFile("C:\\GAME\\TEXTE\\THEMA.{1}", "eins");
    f.AddFile("C:\\GAME\\TEXTE\\THEMA.{2}", "zwei!");
    f.AddFile("C:\\GAME\\ZANTORIK.HLP", std::string(30, 'h'), faHidden | faSysFile | faReadOnly);
    f.AddFile("C:\\GAME\\ZANTORIK.PIF", std::string(7, 'p'), faHidden);
    f.AddFile("C:\\GAME\\SAVE.DAT", std::string(999, 'd'));
    f.AddFile("C:\\GAME\\ZKZIP.DLL", std::string(50, 'z'));
    list = {"old line"};
    EXPECT_EQ(Run(), 1000 + 200 + 4 + 5 + 30 + 7 + 50);
    EXPECT_EQ(list, (std::vector<std::string>{"\\ZANTORIK.EXE", "\\ZKSTART.EXE", "\\TEXTE\\THEMA.{1}",
                                              "\\TEXTE\\THEMA.{2}", "\\ZANTORIK.HLP", "\\ZANTORIK.PIF",
                                              "\\ZKZIP.DLL"}));
}

TEST_F(Walk, FoldersNamedLikeGameFilesAreListedAndEntered) {
    auto& f = fake.files;
    f.AddDir("C:\\GAME\\ALT.EXE");
    f.AddFile("C:\\GAME\\ALT.EXE\\OLD.EXE", "123");
    f.AddFile("C:\\GAME\\.GIT\\HOOK.EXE", "never");  // a folder beginning with "." is not entered
    f.AddFile("C:\\GAME\\.HIDDEN.TXT", "ab");        // but a file so named is listed
    EXPECT_EQ(Run(), 3 + 2);
    EXPECT_EQ(list, (std::vector<std::string>{"\\ALT.EXE", "\\ALT.EXE\\OLD.EXE", "\\.HIDDEN.TXT"}));
}

TEST_F(Walk, EmptyMissingAndUnreadableFolders) {
    fake.files.AddDir("C:\\GAME");
    list = {"stale"};
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(list.empty());
    list = {"stale"};
    EXPECT_EQ(Run("C:\\NOWHERE"), 0);
    EXPECT_TRUE(list.empty());

    fake.files.AddFile("C:\\GAME\\A.EXE", "1");
    fake.files.AddFile("C:\\GAME\\LOCKED\\B.EXE", "22");
    fake.files.AddFile("C:\\GAME\\C.EXE", "333");
    fake.files.failOpenDir.insert("c:\\game\\locked");
    EXPECT_EQ(Run(), 4);
    EXPECT_EQ(list, (std::vector<std::string>{"\\A.EXE", "\\C.EXE"}));
    fake.files.failOpenDir.insert("C:\\GAME");
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(list.empty());
}

TEST_F(Walk, GoesDeeperThanTenLevelsAndCutsLongLines) {
    std::string folder = "C:\\GAME", relative;
    for (int level = 1; level <= 14; ++level) {
        folder += "\\L" + std::to_string(level);
        relative += "\\L" + std::to_string(level);
    }
    fake.files.AddFile(folder + "\\DEEP.TXT", "deep");
    std::string longName(300, 'N');
    fake.files.AddFile("C:\\GAME\\" + longName + ".EXE", "x");
    EXPECT_EQ(Run(), 5);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0], relative + "\\DEEP.TXT");
    EXPECT_EQ(list[1], "\\" + longName.substr(0, 254));
}

TEST_F(Walk, TotalIsHeldInsteadOfWrapping) {
    fake.files.AddFile("C:\\GAME\\A.EXE", "a");
    fake.files.AddFile("C:\\GAME\\B.EXE", "b");
    fake.files.AddFile("C:\\GAME\\C.EXE", "c");
    fake.files.listedSize["C:\\GAME\\A.EXE"] = 2000000000;
    fake.files.listedSize["C:\\GAME\\B.EXE"] = 2000000000;
    EXPECT_EQ(Run(), 2147483647);
    EXPECT_EQ(list.size(), 3u);
    fake.files.listedSize["C:\\GAME\\B.EXE"] = 5000000000ull;  // above 32 bits on its own
    fake.files.listedSize.erase("C:\\GAME\\A.EXE");
    EXPECT_EQ(Run(), 2147483647);
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
    EXPECT_EQ(ListSourceFiles(fake.files, "H:\\GAME", kGamePattern, list), 5);
    std::sort(list.begin(), list.end());  // the host lists in its own order
    EXPECT_EQ(list, (std::vector<std::string>{"\\SUB\\THEMA.{1}", "\\ZANTORIK.EXE"}));
    std::filesystem::remove_all(root);
}
#endif

}  // namespace zk::test
