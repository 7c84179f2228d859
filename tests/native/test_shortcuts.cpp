// Shortcuts in the special folders over the fake platform: the registry
// says where the folders are, the fake file system holds what was written.
#include <gtest/gtest.h>

#include "common/error.h"
#include "platform/fake/fake_platform.h"
#include "shell/shelllinks.h"

namespace zk::test {
namespace {

const std::string kExplorer = "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const std::string kPrograms = "C:\\Users\\Spieler\\Startmenü\\Programme", kGroup = kPrograms + "\\ZANTORIK";

struct Shortcuts : ::testing::Test {
    Shortcuts() {
        fake.registry.SetValue(kExplorer, "Programs", kPrograms);
        fake.files.AddDir(kPrograms);
        fake.files.AddDir("C:\\Arbeit");
        fake.files.SetCurrentDir("C:\\Arbeit");
    }
    // "file | description | target" of each saved shortcut.
    std::vector<std::string> Saved() {
        std::vector<std::string> out;
        for (const auto& s : fake.shellLinks.saved) out.push_back(s.file + " | " + s.description + " | " + s.target);
        return out;
    }
    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
};

TEST_F(Shortcuts, GameEntriesAreReplacedByASecondCallThatLeavesTheRestOfTheGroup) {
    CreateGameMenuEntries(platform, "C:\\SPIELE\\ZANTORIK");
    fake.files.AddFile(kGroup + "\\Liesmich.lnk", "vom Spieler");
    CreateGameMenuEntries(platform, "D:\\ZANTORIK");
    const std::string play = kGroup + "\\ZANTORIK spielen.lnk | ZANTORIK spielen | ";
    const std::string manual = kGroup + "\\ZANTORIK Anleitung.lnk | ZANTORIK Anleitung | ";
    EXPECT_EQ(Saved(), (std::vector<std::string>{play + "C:\\SPIELE\\ZANTORIK\\zkstart.exe",
                                                 manual + "C:\\SPIELE\\ZANTORIK\\zantorik.hlp",
                                                 play + "D:\\ZANTORIK\\zkstart.exe", manual + "D:\\ZANTORIK\\zantorik.hlp"}));
    EXPECT_TRUE(fake.files.FileExists(kGroup + "\\ZANTORIK spielen.lnk") && fake.files.FileExists(kGroup + "\\Liesmich.lnk"));
    EXPECT_EQ(fake.shellLinks.linksAlive, 0);
    EXPECT_EQ(fake.files.CurrentDir(), "C:\\Arbeit");  // the group goes by its full path
}

TEST_F(Shortcuts, EachLocationReadsItsOwnValue) {
    const std::string mapGroups = "Software\\Microsoft\\Windows\\CurrentVersion\\GrpConv\\MapGroups";
    struct { std::string key, name, folder; } values[] = {
        {kExplorer, "Desktop", "C:\\P\\Desktop"},     {mapGroups, "Quick Launch", "C:\\P\\Schnellstart"},
        {kExplorer, "SendTo", "C:\\P\\SendTo"},       {kExplorer, "Start Menu", "C:\\P\\Startmenü"},
        {kExplorer, "Programs", "C:\\P\\Programme"},  {kExplorer, "Quick Launch", "C:\\P\\Falsch"},  // a decoy
    };
    for (const auto& v : values) {
        fake.registry.SetValue(v.key, v.name, v.folder);
        fake.files.AddDir(v.folder);
    }
    for (int location : {0, 1, 2, 3, 4, 5, 255}) CreateShellLink(platform, "G", "V", "C:\\z.exe", uint8_t(location));
    std::vector<std::string> want;
    for (int i = 0; i < 5; ++i) want.push_back(values[i].folder + "\\G\\V.lnk | V | C:\\z.exe");
    EXPECT_EQ(Saved(), want);
    EXPECT_TRUE(fake.app.errors.empty());
}

// What each failure raises; nothing is left open or half written.
TEST(ShortcutFailures, RaisedOrSwallowed) {
    using Type = platform::FakeRegistry::Type;
    struct { const char* name; std::function<void(platform::FakePlatform&)> set; int raised, made; } rows[] = {
        {"no Programs value", [](platform::FakePlatform&) {}, 0, 2},
        {"empty value", [](platform::FakePlatform& f) { f.registry.SetValue(kExplorer, "Programs", ""); }, 0, 2},
        {"not a string", [](platform::FakePlatform& f) { f.registry.SetValue(kExplorer, "Programs", kPrograms, Type::Dword); }, 0, 2},
        {"folder missing", [](platform::FakePlatform& f) { f.registry.SetValue(kExplorer, "Programs", kPrograms + "X"); }, 3, 1},
        {"no access", [](platform::FakePlatform& f) { f.files.failSetCurrent.insert(kPrograms); }, 5, 1},
        {"no shortcut object", [](platform::FakePlatform& f) { f.shellLinks.failNewLink = true; }, -1, 0},
        {"group not made", [](platform::FakePlatform& f) { f.files.failCreateDir.insert(kGroup); }, 0, 2},
        {"save fails", [](platform::FakePlatform& f) { f.shellLinks.failSave = true; }, 0, 2},
    };
    for (const auto& r : rows) {
        platform::FakePlatform f;
        platform::Platform p = f.Get();
        f.files.AddDir(kPrograms);
        if (r.name != std::string("no Programs value")) f.registry.SetValue(kExplorer, "Programs", kPrograms);
        r.set(f);
        int raised = 0;
        try {
            CreateGameMenuEntries(p, "C:\\SPIELE\\ZANTORIK");
        } catch (const InOutError& e) {
            raised = e.Code();
            EXPECT_EQ(std::string(e.what()), "E/A-Fehler " + std::to_string(raised));
        } catch (const Error&) {
            raised = -1;
        }
        EXPECT_EQ(raised, r.raised) << r.name;
        EXPECT_EQ(f.shellLinks.linksMade, r.made) << r.name;
        EXPECT_EQ(f.shellLinks.linksAlive, 0) << r.name;
        EXPECT_TRUE(f.shellLinks.saved.empty() && !f.files.FileExists(kGroup + "\\ZANTORIK spielen.lnk")) << r.name;
        EXPECT_TRUE(f.dialogs.shown.empty() && f.app.errors.empty()) << r.name;
    }
}

}  // namespace
}  // namespace zk::test
