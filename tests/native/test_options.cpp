// The options as one value: loaded from and stored into the registry, and
// made into the game's command line.
#include "fixture.h"

namespace zk::test {
namespace {

using Type = platform::FakeRegistry::Type;

// What a store writes, "name=text" in order.
std::vector<std::string> Written(const platform::FakeRegistry& reg) {
    std::vector<std::string> out;
    for (const std::string& w : reg.writes) out.push_back(w.substr(kOptionsKey.size() + 1));
    return out;
}

const std::vector<std::string> kDefaults = {"zkPfad=", "xFast=0", "xFair=0", "xNoFC=0", "xNoTic=0",
                                            "xNieCD=0", "xNoCD=0", "xNoTxt=0", "xTI=0", "xTG=0",
                                            "xP=0", "CD_I=2", "CD_G=3", "Speed=50"};

// One stored value loaded and stored again: what comes back, every other
// value at its default.
TEST(OptionsStore, LoadThenStoreRoundTrips) {
    struct { const char* name; const char* text; Type type; const char* back; } rows[] = {
        {"zkPfad", "C:\\SPIELE\\", Type::Sz, "C:\\SPIELE\\"}, {"zkPfad", "X:\\", Type::Dword, ""},
        {"xFast", "1", Type::Sz, "1"}, {"xFast", "2", Type::Sz, "1"}, {"xFast", "-1", Type::Sz, "1"},
        {"xFast", "", Type::Sz, "0"}, {"xFast", "ja", Type::Sz, "0"}, {"xFast", "1 ", Type::Sz, "0"},
        {"xFast", "1", Type::Dword, "0"},  // another type counts as missing
        {"xFair", "1", Type::Sz, "1"}, {"xNoFC", "1", Type::Sz, "1"}, {"xNoTic", "1", Type::Sz, "1"},
        {"xNieCD", "1", Type::Sz, "1"}, {"xNoCD", "1", Type::Sz, "1"}, {"xNoTxt", "1", Type::Sz, "1"},
        {"xTI", "1", Type::Sz, "1"}, {"xTG", "1", Type::Sz, "1"}, {"xP", "1", Type::Sz, "1"},
        {"Speed", "0", Type::Sz, "1"}, {"Speed", "150", Type::Sz, "99"}, {"Speed", "abc", Type::Sz, "50"},
        {"Speed", " 42", Type::Sz, "42"}, {"Speed", "$10", Type::Sz, "16"}, {"Speed", "70", Type::Dword, "50"},
        // A track outside the field's 1 to 99, or none, loads as the default.
        {"CD_I", "17", Type::Sz, "17"}, {"CD_I", "1", Type::Sz, "1"}, {"CD_I", "99", Type::Sz, "99"},
        {"CD_I", "", Type::Sz, "2"}, {"CD_I", "x", Type::Sz, "2"}, {"CD_I", "0", Type::Sz, "2"},
        {"CD_I", "100", Type::Sz, "2"}, {"CD_I", "-2147483648", Type::Sz, "2"},
        {"CD_G", "1", Type::Sz, "1"}, {"CD_G", "99", Type::Sz, "99"}, {"CD_G", "0", Type::Sz, "3"},
        {"CD_G", "100", Type::Sz, "3"},
    };
    for (const auto& r : rows) {
        platform::FakeRegistry reg;
        reg.SetValue(kOptionsKey, r.name, r.text, r.type);
        StartOptions options;
        options.trackTI = options.trackTG = options.speed = 7;
        ASSERT_TRUE(LoadOptions(reg, options));
        StoreOptions(reg, options);
        std::vector<std::string> want = kDefaults;
        for (std::string& w : want)
            if (w.substr(0, w.find('=')) == r.name) w = std::string(r.name) + "=" + r.back;
        EXPECT_EQ(Written(reg), want) << r.name << "=\"" << r.text << '"';
    }
}

TEST(OptionsStore, NothingStoredLeavesTheOptionsAndOnlyTheParentKey) {
    platform::FakeRegistry reg;
    StartOptions options;
    options.fast = true;
    options.speed = 80;
    EXPECT_FALSE(LoadOptions(reg, options));
    EXPECT_TRUE(options.fast && options.speed == 80);
    EXPECT_TRUE(reg.KeyExists("Software\\Orvandel"));
    EXPECT_FALSE(reg.KeyExists(kOptionsKey));
}

TEST(OptionsStore, AKeyThatCannotBeMadeStopsTheStore) {
    platform::FakeRegistry reg;
    reg.failCreate.insert("SOFTWARE\\ORVANDEL\\ZANTORIK");
    try {
        StoreOptions(reg, StartOptions{});
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Erzeugung von Schlüssel Zantorik misslungen");
    }
    EXPECT_TRUE(reg.writes.empty());
}

TEST(CommandLine, TokensAndMaskByOptions) {
    struct { const char* name; std::function<void(StartOptions&)> set; std::string tail; } rows[] = {
        {"defaults", [](StartOptions&) {}, "/ /B0"},
        {"worked example",
         [](StartOptions& o) {
             o.speedPreset = o.fast = o.cdStandBy = o.analysisTrack = true;
             o.speed = 70;
             o.params = "/X";
         },
         "/P70 /TI2 /X /B5"},
        {"empty free field", [](StartOptions& o) { o.params.clear(); }, "/B0"},
        {"off and stand-by", [](StartOptions& o) { o.cdOff = o.cdStandBy = true; }, "/ /B8"},
        {"off ignores tracks", [](StartOptions& o) { o.cdOff = o.analysisTrack = o.gameTrack = true; }, "/ /B8"},
        {"both tracks", [](StartOptions& o) { o.analysisTrack = o.gameTrack = true; o.trackTG = 17; },
         "/TI2 /TG17 / /B0"},
        {"track zero", [](StartOptions& o) { o.analysisTrack = true; o.trackTI = 0; }, "/TI0 / /B0"},
        {"speed low", [](StartOptions& o) { o.speedPreset = true; o.speed = 1; }, "/P1 / /B0"},
        {"speed high", [](StartOptions& o) { o.speedPreset = true; o.speed = 99; }, "/P99 / /B0"},
        {"speed box off", [](StartOptions& o) { o.speed = 80; }, "/ /B0"},
        {"fair", [](StartOptions& o) { o.fair = true; }, "/ /B2"},
        {"all off-mode bits",
         [](StartOptions& o) { o.fast = o.fair = o.cdOff = o.noTicks = o.noThemes = o.slowRobots = true; }, "/ /B187"},
        {"all stand-by bits",
         [](StartOptions& o) { o.fast = o.fair = o.cdStandBy = o.noTicks = o.noThemes = o.slowRobots = true; },
         "/ /B183"},
        {"player's own /B first", [](StartOptions& o) { o.params = "/B255 /Q"; }, "/B255 /Q /B0"},
        {"free text unaltered", [](StartOptions& o) { o.params = "  a  b "; }, "  a  b  /B0"},
    };
    const std::string head = "C:\\SPIELE\\ZANTORIK\\\\zantorik.pif C:\\SPIELE\\ZANTORIK\\ ";
    for (const auto& r : rows) {
        StartOptions o;
        r.set(o);
        EXPECT_EQ(BuildCommandLine(o, "C:\\SPIELE\\ZANTORIK\\", "zantorik.pif"), head + r.tail) << r.name;
    }
    // Passed whole, however long: a cut would lose the final /B.
    StartOptions o;
    for (int i = 0; i < 700; ++i) o.params += "XYZ12345 ";
    EXPECT_EQ(BuildCommandLine(o, "C:\\SPIELE\\ZANTORIK\\", "zantorik.pif"), head + o.params + " /B0");
}

TEST(PifFound, FoundLeavesTheFolderCurrentNotFoundTheOldOne) {
    struct { const char* folder; bool found; const char* current; } rows[] = {
        {"C:\\SPIELE\\ZANTORIK\\", true, "C:\\SPIELE\\ZANTORIK"},
        {"C:\\A\\", true, "C:\\A"},  // the .pif is a folder
        {"C:\\B\\", true, "C:\\B"},  // hidden, system and read-only
        {"C:\\LEER\\", false, "D:\\ANDERS"},
        {"C:\\NIRGENDS\\", false, "D:\\ANDERS"},
    };
    for (const auto& r : rows) {
        platform::FakeFileSystem files;
        files.AddFile("C:\\SPIELE\\ZANTORIK\\zantorik.pif", "PIF");
        files.AddDir("C:\\A\\zantorik.pif");
        files.AddFile("C:\\B\\zantorik.pif", "", platform::faHidden | platform::faSysFile | platform::faReadOnly);
        files.AddDir("C:\\LEER");
        files.AddDir("D:\\ANDERS");
        files.SetCurrentDir("D:\\ANDERS");
        EXPECT_EQ(PifFound(files, r.folder, "zantorik.pif"), r.found) << r.folder;
        EXPECT_EQ(files.CurrentDir(), r.current) << r.folder;
    }
    platform::FakeFileSystem files;
    files.AddDir("D:\\WEG");
    files.AddDir("C:\\SPIELE");
    files.SetCurrentDir("D:\\WEG");
    files.failSetCurrent.insert("D:\\WEG");
    EXPECT_THROW(PifFound(files, "C:\\SPIELE\\", "zantorik.pif"), InOutError);
}

}  // namespace
}  // namespace zk::test
