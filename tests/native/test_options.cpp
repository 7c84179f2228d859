// The options as one value: loaded from and stored into the registry, and
// made into the game's command line.
#include "fixture.h"

namespace zk::test {
namespace {

// One stored value loaded and stored again: what comes back, every other
// value at its default. A text that starts with "#" is stored as a DWORD,
// which counts as missing.
TEST(OptionsStore, LoadThenStoreRoundTrips) {
    const char* rows[][3] = {
        {"zkPfad", "C:\\SPIELE\\", "C:\\SPIELE\\"}, {"zkPfad", "#X:\\", ""}, {"xFast", "1", "1"}, {"xFast", "2", "1"},
        {"xFast", "-1", "1"}, {"xFast", "", "0"}, {"xFast", "ja", "0"}, {"xFast", "1 ", "0"}, {"xFast", "#1", "0"},
        {"xFair", "1", "1"}, {"xNoFC", "1", "1"}, {"xNoTic", "1", "1"}, {"xNieCD", "1", "1"}, {"xNoCD", "1", "1"},
        {"xNoTxt", "1", "1"}, {"xTI", "1", "1"}, {"xTG", "1", "1"}, {"xP", "1", "1"},
        {"Speed", "0", "1"}, {"Speed", "150", "99"}, {"Speed", "abc", "50"}, {"Speed", " 42", "42"}, {"Speed", "$10", "16"},
        {"Speed", "#70", "50"},
        // A track outside the field's 1 to 99, or none, loads as the default.
        {"CD_I", "17", "17"}, {"CD_I", "1", "1"}, {"CD_I", "99", "99"}, {"CD_I", "", "2"}, {"CD_I", "x", "2"},
        {"CD_I", "0", "2"}, {"CD_I", "100", "2"}, {"CD_I", "-2147483648", "2"}, {"CD_G", "1", "1"}, {"CD_G", "99", "99"},
        {"CD_G", "0", "3"}, {"CD_G", "100", "3"},
    };
    for (const auto& [name, text, back] : rows) {
        platform::FakeRegistry reg;
        const bool dword = text[0] == '#';
        reg.SetValue(kOptionsKey, name, text + dword, dword ? platform::FakeRegistry::Type::Dword : platform::FakeRegistry::Type::Sz);
        StartOptions options;
        options.trackTI = options.trackTG = options.speed = 7;
        ASSERT_TRUE(LoadOptions(reg, options));
        StoreOptions(reg, options);
        std::vector<std::string> want;
        for (std::string d : {"zkPfad=", "xFast=0", "xFair=0", "xNoFC=0", "xNoTic=0", "xNieCD=0", "xNoCD=0", "xNoTxt=0",
                              "xTI=0", "xTG=0", "xP=0", "CD_I=2", "CD_G=3", "Speed=50"}) {
            if (d.rfind(name + std::string("="), 0) == 0) d = name + std::string("=") + back;
            want.push_back(kOptionsKey + "\\" + d);
        }
        EXPECT_EQ(reg.writes, want) << name << "=\"" << text << '"';
    }
}

TEST(OptionsStore, NothingStoredLeavesTheOptionsAndOnlyTheParentKey) {
    platform::FakeRegistry reg;
    StartOptions options;
    options.speed = 80;
    EXPECT_FALSE(LoadOptions(reg, options));
    EXPECT_EQ(options.speed, 80);
    EXPECT_TRUE(reg.KeyExists("Software\\Orvandel") && !reg.KeyExists(kOptionsKey));
    reg.failCreate.insert("SOFTWARE\\ORVANDEL\\ZANTORIK");  // the store stops at once
    try {
        StoreOptions(reg, options);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Erzeugung von Schlüssel Zantorik misslungen");
    }
    EXPECT_TRUE(reg.writes.empty());
}

TEST(CommandLine, TokensAndMaskByOptions) {
    struct { const char* name; std::function<void(StartOptions&)> set; std::string tail; } rows[] = {
        {"defaults", [](StartOptions&) {}, "/ /B0"},
        {"worked example", [](StartOptions& o) { o.speedPreset = o.fast = o.cdStandBy = o.analysisTrack = true, o.speed = 70, o.params = "/X"; },
         "/P70 /TI2 /X /B5"},
        {"empty free field", [](StartOptions& o) { o.params.clear(); }, "/B0"},
        {"off and stand-by", [](StartOptions& o) { o.cdOff = o.cdStandBy = true; }, "/ /B8"},
        {"off ignores tracks", [](StartOptions& o) { o.cdOff = o.analysisTrack = o.gameTrack = true; }, "/ /B8"},
        {"both tracks", [](StartOptions& o) { o.analysisTrack = o.gameTrack = true, o.trackTG = 17; }, "/TI2 /TG17 / /B0"},
        {"track zero", [](StartOptions& o) { o.analysisTrack = true, o.trackTI = 0; }, "/TI0 / /B0"},
        {"speed low", [](StartOptions& o) { o.speedPreset = true, o.speed = 1; }, "/P1 / /B0"},
        {"speed high", [](StartOptions& o) { o.speedPreset = true, o.speed = 99; }, "/P99 / /B0"},
        {"speed box off", [](StartOptions& o) { o.speed = 80; }, "/ /B0"},
        {"fair", [](StartOptions& o) { o.fair = true; }, "/ /B2"},
        {"off bits", [](StartOptions& o) { o.fast = o.fair = o.cdOff = o.noTicks = o.noThemes = o.slowRobots = true; }, "/ /B187"},
        {"stand-by bits", [](StartOptions& o) { o.fast = o.fair = o.cdStandBy = o.noTicks = o.noThemes = o.slowRobots = true; },
         "/ /B183"},
        {"player's own /B first", [](StartOptions& o) { o.params = "/B255 /Q"; }, "/B255 /Q /B0"},
        {"free text unaltered", [](StartOptions& o) { o.params = "  a  b "; }, "  a  b  /B0"},
        // Passed whole, however long: a cut would lose the final /B.
        {"long", [](StartOptions& o) { o.params = std::string(6000, 'L'); }, std::string(6000, 'L') + " /B0"},
    };
    for (const auto& r : rows) {
        StartOptions o;
        r.set(o);
        EXPECT_EQ(BuildCommandLine(o, "C:\\Z\\", "zantorik.pif"), "C:\\Z\\\\zantorik.pif C:\\Z\\ " + r.tail) << r.name;
    }
}

TEST(PifFound, FoundLeavesTheFolderCurrentNotFoundTheOldOne) {
    struct { const char* folder; bool found; const char* current; } rows[] = {
        {"C:\\SPIELE\\", true, "C:\\SPIELE"}, {"C:\\A\\", true, "C:\\A"},  // the .pif a folder
        {"C:\\B\\", true, "C:\\B"},  // hidden, system and read-only
        {"C:\\LEER\\", false, "D:\\ANDERS"}, {"C:\\NIRGENDS\\", false, "D:\\ANDERS"},
    };
    platform::FakeFileSystem files;
    files.AddFile("C:\\SPIELE\\zantorik.pif", "PIF");
    files.AddDir("C:\\A\\zantorik.pif");
    files.AddFile("C:\\B\\zantorik.pif", "", platform::faHidden | platform::faSysFile | platform::faReadOnly);
    files.AddDir("C:\\LEER");
    files.AddDir("D:\\ANDERS");
    for (const auto& r : rows) {
        files.SetCurrentDir("D:\\ANDERS");
        EXPECT_EQ(PifFound(files, r.folder, "zantorik.pif"), r.found) << r.folder;
        EXPECT_EQ(files.CurrentDir(), r.current) << r.folder;
    }
    files.failSetCurrent.insert("D:\\ANDERS");  // the way back lost
    EXPECT_THROW(PifFound(files, "C:\\LEER\\", "zantorik.pif"), InOutError);
}

}  // namespace
}  // namespace zk::test
