// The options as one value: loaded, stored and made into the game's command line.
#include <array>

#include "fixture.h"

namespace zk::test {

// One stored value loaded and stored again, the others at their defaults; "#": a DWORD, as if missing.
TEST(OptionsStore, LoadThenStoreRoundTrips) {
    const char* rows[][3] = {
        {"zkPfad", "C:\\SPIELE\\", "C:\\SPIELE\\"}, {"zkPfad", "#X:\\", ""}, {"xFast", "2", "1"}, {"xFast", "ja", "0"},
        {"xFast", "#1", "0"}, {"Speed", "0", "1"}, {"Speed", "150", "99"}, {"Speed", "$10", "16"}, {"Speed", "#70", "50"},
        // What the two-character field can hold loads as it is (0 is "aus"); anything else as the default.
        {"CD_I", "0", "0"}, {"CD_I", "99", "99"}, {"CD_I", "-9", "-9"}, {"CD_I", "100", "2"}, {"CD_I", "-10", "2"},
        {"CD_G", "0", "0"}, {"CD_G", "$F", "15"}, {"CD_G", "-2147483648", "3"}, {"CD_G", "x", "3"},
    };
    for (const auto& [name, text, back] : rows) {
        platform::FakeRegistry reg;
        const bool dword = text[0] == '#';
        reg.SetValue(kOptionsKey, name, text + dword, dword ? platform::FakeRegistry::Type::Dword : platform::FakeRegistry::Type::Sz);
        StartOptions options;
        options.trackTI = options.trackTG = options.speed = 7;
        ASSERT_TRUE(LoadOptions(reg, options));
        StoreOptions(reg, options);
        std::string got, want = "zkPfad= xFast=0 xFair=0 xNoFC=0 xNoTic=0 xNieCD=0 xNoCD=0 xNoTxt=0 xTI=0 xTG=0 xP=0 CD_I=2 CD_G=3 Speed=50 ";
        for (const auto& w : reg.writes) got += w.substr(kOptionsKey.size() + 1) + " ";
        const size_t at = want.find(std::string(name) + "=") + strlen(name) + 1;
        want.replace(at, want.find(' ', at) - at, back);
        EXPECT_EQ(got, want) << name << "=\"" << text << '"';
    }
}

TEST(OptionsStore, NothingStoredLeavesTheOptionsAndOnlyTheParentKey) {
    platform::FakeRegistry reg;
    StartOptions options;
    options.speed = 80;
    EXPECT_FALSE(LoadOptions(reg, options));
    EXPECT_EQ(std::tuple(options.speed, reg.KeyExists("Software\\Orvandel"), reg.KeyExists(kOptionsKey)), std::tuple(80, true, false));
    reg.failCreate.insert("SOFTWARE\\ORVANDEL\\ZANTORIK");  // the store stops at once
    EXPECT_THROW(StoreOptions(reg, options), Error);
    EXPECT_TRUE(reg.writes.empty());
}

TEST(CommandLine, TokensAndMaskByOptions) {
    struct { std::function<void(StartOptions&)> set; std::string tail; } rows[] = {
        {[](StartOptions&) {}, "/ /B0"},
        {[](StartOptions& o) { o.speedPreset = o.fast = o.cdStandBy = o.analysisTrack = true, o.speed = 70, o.params = "/X"; }, "/P70 /TI2 /X /B5"},
        {[](StartOptions& o) { o.params.clear(); }, "/B0"},
        {[](StartOptions& o) { o.cdOff = o.cdStandBy = o.analysisTrack = o.gameTrack = true; }, "/ /B8"},  // off: no tracks
        {[](StartOptions& o) { o.analysisTrack = o.gameTrack = true, o.trackTG = 17; }, "/TI2 /TG17 / /B0"},
        {[](StartOptions& o) { o.fast = o.fair = o.cdOff = o.noTicks = o.noThemes = o.slowRobots = true; }, "/ /B187"},
        {[](StartOptions& o) { o.params = " /B255 /Q"; }, " /B255 /Q /B0"},  // the player's own /B first, unaltered
        {[](StartOptions& o) { o.params = std::string(6000, 'L'); }, std::string(6000, 'L') + " /B0"},  // no cut
    };
    for (const auto& r : rows) {
        StartOptions o;
        r.set(o);
        EXPECT_EQ(BuildCommandLine("C:\\Z\\", "zantorik.pif", GameArguments(o), "C:\\Y\\"),
                  "C:\\Z\\\\zantorik.pif C:\\Z\\ " + r.tail);
    }
}

// A folder a DOS program cannot take reaches the game by its short form, where that one is plain.
TEST(CommandLine, FolderThatIsNoPlainDosPathGoesByItsShortForm) {
    const std::string umlauts = "C:\\Spiele\\Zäntorik Größe\\";
    std::vector<std::array<std::string, 3>> rows = {  // folder, short form as given, what the game gets
        {"C:\\SPIELE\\ZANTORIK\\", "C:\\ANDERS\\", "C:\\SPIELE\\ZANTORIK\\"},
        {"C:\\zk-1_(2)\\ZANTORIK.DAT\\", "C:\\ANDERS\\", "C:\\zk-1_(2)\\ZANTORIK.DAT\\"},  // 8.3 at most
        {umlauts, "C:\\Spiele\\ZNTORI~1\\", "C:\\Spiele\\ZNTORI~1\\"}, {umlauts, "C:\\Spiele\\ZNTORI~1", "C:\\Spiele\\ZNTORI~1\\"},
        {umlauts, "", umlauts}, {umlauts, umlauts, umlauts}, {umlauts, "C:\\SPIELE\\ZANTORIK.GAME\\", umlauts},  // none, 8.3 off, not plain
        {"C:\\ZANTORIK2\\", "C:\\ZANTOR~1\\", "C:\\ZANTOR~1\\"}, {"C:\\ZK.GAME\\", "C:\\ZKGAME~1\\", "C:\\ZKGAME~1\\"},
        {"C:\\ZK.1.0\\", "C:\\ZK10~1\\", "C:\\ZK10~1\\"},
    };
    for (char c : std::string("+,;=[]")) rows.push_back({std::string("C:\\A") + c + "B\\", "C:\\AB~1\\", "C:\\AB~1\\"});
    for (const auto& [folder, shortForm, dos] : rows)
        EXPECT_EQ(BuildCommandLine(folder, "zantorik.pif", "/ /B0", shortForm), dos + "\\zantorik.pif " + dos + " / /B0")
            << folder << " " << shortForm;
}

TEST(PifFound, FoundLeavesTheFolderCurrentNotFoundTheOldOne) {
    platform::FakeFileSystem files;
    files.AddDir("C:\\A\\zantorik.pif");  // a folder counts
    files.AddFile("C:\\B\\zantorik.pif", "", platform::faHidden | platform::faSysFile | platform::faReadOnly);
    for (const char* folder : {"C:\\LEER", "D:\\ANDERS"}) files.AddDir(folder);
    for (auto [folder, found, current] : {std::tuple{"C:\\A\\", true, "C:\\A"}, {"C:\\B\\", true, "C:\\B"},
                                          {"C:\\LEER\\", false, "D:\\ANDERS"}, {"C:\\NIRGENDS\\", false, "D:\\ANDERS"}}) {
        files.SetCurrentDir("D:\\ANDERS");
        EXPECT_EQ(PifFound(files, folder, "zantorik.pif"), found) << folder;
        EXPECT_EQ(files.CurrentDir(), current) << folder;
    }
    files.failSetCurrent.insert("D:\\ANDERS");  // the way back lost
    EXPECT_THROW(PifFound(files, "C:\\LEER\\", "zantorik.pif"), InOutError);
}

}  // namespace zk::test
