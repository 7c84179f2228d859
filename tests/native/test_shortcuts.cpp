// Shortcuts in the special folders, over the fake platform: the registry
// says where the folders are, the fake file system holds what was written.
#include <gtest/gtest.h>

#include "common/error.h"
#include "platform/fake/fake_platform.h"
#include "shell/shelllinks.h"

namespace zk::test {
namespace {

using platform::FakeShellLinks;

const std::string kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const std::string kMapGroups = "Software\\Microsoft\\Windows\\CurrentVersion\\GrpConv\\MapGroups";
const std::string kPrograms = "C:\\Users\\Spieler\\Startmenü\\Programme";
const std::string kGroup = kPrograms + "\\ZANTORIK";

// "file | description | target" for each saved shortcut.
std::vector<std::string> Lines(const std::vector<FakeShellLinks::Saved>& saved) {
    std::vector<std::string> out;
    for (const auto& s : saved) out.push_back(s.file + " | " + s.description + " | " + s.target);
    return out;
}

struct Shortcuts : ::testing::Test {
    Shortcuts() {
        fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) { ADD_FAILURE() << "dialog: " << r.text; };
        fake.registry.SetValue(kShellFolders, "Programs", kPrograms);
        fake.files.AddDir(kPrograms);
        fake.files.AddDir("C:\\Arbeit");
        fake.files.SetCurrentDir("C:\\Arbeit");
    }
    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
};

TEST_F(Shortcuts, GameEntriesInTheProgramsGroupInOrder) {
    CreateGameMenuEntries(platform, "C:\\SPIELE\\ZANTORIK");
    EXPECT_EQ(Lines(fake.shellLinks.saved),
              (std::vector<std::string>{
                  kGroup + "\\ZANTORIK spielen.lnk | ZANTORIK spielen | C:\\SPIELE\\ZANTORIK\\zkstart.exe",
                  kGroup + "\\ZANTORIK Anleitung.lnk | ZANTORIK Anleitung | C:\\SPIELE\\ZANTORIK\\zantorik.hlp",
              }));
    EXPECT_TRUE(fake.files.DirExists(kGroup));
    EXPECT_TRUE(fake.files.FileExists(kGroup + "\\ZANTORIK spielen.lnk"));
    EXPECT_TRUE(fake.files.FileExists(kGroup + "\\ZANTORIK Anleitung.lnk"));
    EXPECT_EQ(fake.shellLinks.linksMade, 2);
    EXPECT_EQ(fake.shellLinks.linksAlive, 0);
    // The group folder goes by its full path: the working directory stays.
    EXPECT_EQ(fake.files.CurrentDir(), "C:\\Arbeit");
}

TEST_F(Shortcuts, TwiceForTheSameFolderReplacesBothAndLeavesTheRest) {
    CreateGameMenuEntries(platform, "C:\\SPIELE\\ZANTORIK");
    fake.files.AddFile(kGroup + "\\Liesmich.lnk", "vom Spieler");
    CreateGameMenuEntries(platform, "D:\\ZANTORIK");
    ASSERT_EQ(fake.shellLinks.saved.size(), 4u);
    EXPECT_EQ(fake.shellLinks.saved[2].file, fake.shellLinks.saved[0].file);
    EXPECT_EQ(fake.shellLinks.saved[3].file, fake.shellLinks.saved[1].file);
    EXPECT_EQ(fake.shellLinks.saved[2].target, "D:\\ZANTORIK\\zkstart.exe");
    EXPECT_TRUE(fake.files.FileExists(kGroup + "\\Liesmich.lnk"));
    EXPECT_TRUE(fake.app.errors.empty());
}

TEST_F(Shortcuts, EachLocationReadsItsOwnValue) {
    const std::string explorerKey = "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    struct Value { std::string key, name, folder; };
    const Value values[] = {
        {explorerKey, "Desktop", "C:\\Profil\\Desktop"},
        {kMapGroups, "Quick Launch", "C:\\Profil\\Schnellstart"},
        {explorerKey, "SendTo", "C:\\Profil\\SendTo"},
        {explorerKey, "Start Menu", "C:\\Profil\\Startmenü"},
        {explorerKey, "Programs", "C:\\Profil\\Startmenü\\Programme"},
        // A decoy: location 1 must not read the quick-launch folder here.
        {explorerKey, "Quick Launch", "C:\\Profil\\Falsch"},
    };
    for (const Value& v : values) {
        fake.registry.SetValue(v.key, v.name, v.folder);
        fake.files.AddDir(v.folder);
    }
    for (uint8_t location = 0; location <= 4; ++location) {
        SCOPED_TRACE(static_cast<int>(location));
        fake.shellLinks.saved.clear();
        CreateShellLink(platform, "Gruppe", "Verknüpfung", "C:\\ziel.exe", location);
        ASSERT_EQ(fake.shellLinks.saved.size(), 1u);
        EXPECT_EQ(fake.shellLinks.saved[0].file, values[location].folder + "\\Gruppe\\Verknüpfung.lnk");
        EXPECT_EQ(fake.shellLinks.saved[0].description, "Verknüpfung");
        EXPECT_EQ(fake.shellLinks.saved[0].target, "C:\\ziel.exe");
    }
    // Any other code names no folder.
    fake.shellLinks.saved.clear();
    for (int location : {5, 6, 255}) CreateShellLink(platform, "Neu", "X", "C:\\ziel.exe", static_cast<uint8_t>(location));
    EXPECT_TRUE(fake.shellLinks.saved.empty());
    for (const Value& v : values) EXPECT_FALSE(fake.files.DirExists(v.folder + "\\Neu")) << v.folder;
    EXPECT_TRUE(fake.app.errors.empty());
    EXPECT_EQ(fake.shellLinks.linksAlive, 0);
}

TEST_F(Shortcuts, NoUsableProgramsValueWritesNothingAndSaysNothing) {
    using Type = platform::FakeRegistry::Type;
    struct Case { const char* what; bool present; Type type; const char* text; };
    const Case cases[] = {
        {"missing", false, Type::Sz, ""},
        {"empty", true, Type::Sz, ""},
        {"not a string", true, Type::Dword, "C:\\Users\\Spieler\\Startmenü\\Programme"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform::FakePlatform f;
        platform::Platform p = f.Get();
        f.files.AddDir(kPrograms);
        if (c.present) f.registry.SetValue(kShellFolders, "Programs", c.text, c.type);
        CreateGameMenuEntries(p, "C:\\SPIELE\\ZANTORIK");
        EXPECT_TRUE(f.shellLinks.saved.empty());
        EXPECT_FALSE(f.files.DirExists(kGroup));
        EXPECT_TRUE(f.dialogs.shown.empty());
        EXPECT_TRUE(f.app.errors.empty());
        // The explorer key is opened with creation, as the shell does it.
        EXPECT_TRUE(f.registry.KeyExists("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer"));
    }
}

TEST_F(Shortcuts, ASpecialFolderThatCannotBeEnteredRaisesTheInOutError) {
    struct Case { const char* what; int code; };
    for (const Case c : {Case{"missing", 3}, Case{"no access", 5}}) {
        SCOPED_TRACE(c.what);
        platform::FakePlatform f;
        platform::Platform p = f.Get();
        f.registry.SetValue(kShellFolders, "Programs", kPrograms);
        if (c.code == 5) {
            f.files.AddDir(kPrograms);
            f.files.failSetCurrent.insert(kPrograms);
        }
        try {
            CreateGameMenuEntries(p, "C:\\SPIELE\\ZANTORIK");
            ADD_FAILURE() << "no error raised";
        } catch (const InOutError& e) {
            EXPECT_EQ(e.Code(), c.code);
            EXPECT_EQ(std::string(e.what()), "E/A-Fehler " + std::to_string(c.code));
        }
        // The first shortcut ends it: the second is never begun.
        EXPECT_EQ(f.shellLinks.linksMade, 1);
        EXPECT_EQ(f.shellLinks.linksAlive, 0);
        EXPECT_TRUE(f.shellLinks.saved.empty());
        EXPECT_FALSE(f.files.DirExists(kGroup));
    }
}

TEST_F(Shortcuts, NoShortcutObjectRaisesBeforeAnythingIsRead) {
    platform::FakePlatform f;
    platform::Platform p = f.Get();
    f.shellLinks.failNewLink = true;
    EXPECT_THROW(CreateGameMenuEntries(p, "C:\\SPIELE\\ZANTORIK"), Error);
    EXPECT_FALSE(f.registry.KeyExists("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer"));
    EXPECT_TRUE(f.shellLinks.saved.empty());
}

TEST_F(Shortcuts, AGroupFolderThatCannotBeMadeOrAFailedSaveGoesUnreported) {
    fake.files.failCreateDir.insert(kGroup);
    CreateGameMenuEntries(platform, "C:\\SPIELE\\ZANTORIK");
    fake.files.failCreateDir.clear();
    fake.shellLinks.failSave = true;
    CreateGameMenuEntries(platform, "C:\\SPIELE\\ZANTORIK");
    EXPECT_TRUE(fake.shellLinks.saved.empty());
    EXPECT_FALSE(fake.files.FileExists(kGroup + "\\ZANTORIK spielen.lnk"));
    EXPECT_TRUE(fake.app.errors.empty());
    EXPECT_EQ(fake.shellLinks.linksMade, 4);
    EXPECT_EQ(fake.shellLinks.linksAlive, 0);
    // Present already: the failed creation does not matter.
    fake.shellLinks.failSave = false;
    fake.files.failCreateDir.insert(kGroup);
    CreateGameMenuEntries(platform, "C:\\SPIELE\\ZANTORIK");
    EXPECT_EQ(fake.shellLinks.saved.size(), 2u);
}

}  // namespace
}  // namespace zk::test
