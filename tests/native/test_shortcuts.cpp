// Shortcuts in the special folders the registry names.
#include "fixture.h"
#include "shell/shelllinks.h"

namespace zk::test {
namespace {

const std::string kExplorer = "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const std::string kPrograms = "C:\\Users\\Spieler\\Startmenü\\Programme", kGroup = kPrograms + "\\ZANTORIK";

std::string Saved(platform::FakePlatform& f) {
    std::string out;
    for (const auto& s : f.shellLinks.saved) out += s.file + " | " + s.description + " | " + s.target + "\n";
    return out;
}

TEST(Shortcuts, GameEntriesAreReplacedByASecondCallThatLeavesTheRestOfTheGroup) {
    platform::FakePlatform fake;
    platform::Platform p = fake.Get();
    fake.registry.SetValue(kExplorer, "Programs", kPrograms);
    fake.files.AddDir(kPrograms), fake.files.AddDir("C:\\Arbeit");
    fake.files.SetCurrentDir("C:\\Arbeit");
    CreateGameMenuEntries(p, "C:\\SPIELE\\ZANTORIK");
    fake.files.AddFile(kGroup + "\\Liesmich.lnk", "vom Spieler"), CreateGameMenuEntries(p, "D:\\ZANTORIK");
    const std::string play = kGroup + "\\ZANTORIK spielen.lnk | ZANTORIK spielen | ";
    const std::string manual = kGroup + "\\ZANTORIK Anleitung.lnk | ZANTORIK Anleitung | ";
    EXPECT_EQ(Saved(fake), play + "C:\\SPIELE\\ZANTORIK\\zkstart.exe\n" + manual + "C:\\SPIELE\\ZANTORIK\\zantorik.hlp\n" + play +
                               "D:\\ZANTORIK\\zkstart.exe\n" + manual + "D:\\ZANTORIK\\zantorik.hlp\n");
    EXPECT_EQ(std::tuple(fake.files.FileExists(kGroup + "\\ZANTORIK spielen.lnk"), fake.files.FileExists(kGroup + "\\Liesmich.lnk")),
              std::tuple(true, true));
    EXPECT_EQ(fake.shellLinks.linksAlive, 0);
    EXPECT_EQ(fake.files.CurrentDir(), "C:\\Arbeit");  // the group goes by its full path
}

TEST(Shortcuts, EachLocationReadsItsOwnValue) {
    platform::FakePlatform fake;
    platform::Platform p = fake.Get();
    const std::string mapGroups = "Software\\Microsoft\\Windows\\CurrentVersion\\GrpConv\\MapGroups";
    struct { std::string key, name, folder; } values[] = {
        {kExplorer, "Desktop", "C:\\P\\Desktop"},     {mapGroups, "Quick Launch", "C:\\P\\Schnellstart"},
        {kExplorer, "SendTo", "C:\\P\\SendTo"},       {kExplorer, "Start Menu", "C:\\P\\Startmenü"},
        {kExplorer, "Programs", "C:\\P\\Programme"},  {kExplorer, "Quick Launch", "C:\\P\\Falsch"},  // a decoy
    };
    std::string want;
    for (const auto& v : values) {
        fake.registry.SetValue(v.key, v.name, v.folder), fake.files.AddDir(v.folder);
        if (&v - values < 5) want += v.folder + "\\G\\V.lnk | V | C:\\z.exe\n";
    }
    for (int location : {0, 1, 2, 3, 4, 5, 255}) CreateShellLink(p, "G", "V", "C:\\z.exe", uint8_t(location));
    EXPECT_EQ(Saved(fake), want);
    EXPECT_TRUE(fake.app.errors.empty());
}

// What each failure raises (-1: not an I/O error); nothing is left open or half written.
TEST(ShortcutFailures, RaisedOrSwallowed) {
    using Type = platform::FakeRegistry::Type;
    struct { std::function<void(platform::FakePlatform&)> set; int raised, made; } rows[] = {
        {[](platform::FakePlatform& f) { f.registry = {}; }, 0, 2},
        {[](platform::FakePlatform& f) { f.registry.SetValue(kExplorer, "Programs", kPrograms, Type::Dword); }, 0, 2},
        {[](platform::FakePlatform& f) { f.registry.SetValue(kExplorer, "Programs", kPrograms + "X"); }, 3, 1},
        {[](platform::FakePlatform& f) { f.files.failSetCurrent.insert(kPrograms); }, 5, 1},
        {[](platform::FakePlatform& f) { f.shellLinks.failNewLink = true; }, -1, 0},
        {[](platform::FakePlatform& f) { f.shellLinks.failSave = true; }, 0, 2},
    };
    for (const auto& r : rows) {
        platform::FakePlatform f;
        platform::Platform p = f.Get();
        f.files.AddDir(kPrograms), f.registry.SetValue(kExplorer, "Programs", kPrograms), r.set(f);
        int raised = 0;
        try {
            CreateGameMenuEntries(p, "C:\\SPIELE\\ZANTORIK");
        } catch (const InOutError& e) { raised = e.Code(); } catch (const Error&) { raised = -1; }
        EXPECT_EQ(std::to_string(raised) + " " + std::to_string(f.shellLinks.linksMade) + " " + std::to_string(f.shellLinks.linksAlive),
                  std::to_string(r.raised) + " " + std::to_string(r.made) + " 0");
        EXPECT_EQ(std::tuple(f.shellLinks.saved.size(), f.files.FileExists(kGroup + "\\ZANTORIK spielen.lnk")), std::tuple(0u, false));
        EXPECT_EQ(std::tuple(f.dialogs.shown.size(), f.app.errors), std::tuple(0u, std::vector<std::string>{}));
    }
}

}  // namespace
}  // namespace zk::test
