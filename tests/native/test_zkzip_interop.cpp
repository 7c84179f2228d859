// The archives the library writes, checked by the common tools: Info-ZIP's
// unzip, Python's zipfile and 7-Zip test them and extract them byte for byte.
// A tool that is not installed skips its test.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "zkzip/zkfs.h"
#include "zkzip_support.h"

namespace zkzip::test {
namespace {

namespace sfs = std::filesystem;

struct Archive {
    std::string path;
    std::string password;
    bool prefixed = false;                      // something stands in front of the zip data
    std::map<std::string, std::string> files;   // entry name -> content ("/" at the end: a folder)
};

class Interop : public ZkZipTest {
protected:
    bool Have(const std::string& tool) { return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0; }

    // Runs a shell command with a UTF-8 locale; its output goes to a log
    // that a failing test shows.
    bool Sh(const std::string& command, std::string& log) {
        std::string logFile = dir.Path("tool.log");
        int rc = std::system(("LC_ALL=C.UTF-8 " + command + " </dev/null >" + logFile + " 2>&1").c_str());
        log = command + "\n" + ReadFile(logFile);
        return rc == 0;
    }

    void AddOne(const std::string& zip, const std::string& spec, std::function<void(Command&)> tune = nullptr) {
        Recorder r;
        Command c(zip, {spec}, &r);
        c.Suffixes(".gif:.png:.z:.zip:.zoo:.arc:.lzh:.arj:.taz:.tgz:.lha");
        if (tune) tune(c);
        ASSERT_GT(c.Run(), 0) << spec << "\n" << r.Messages();
    }

    // A game-like folder and the archives made from it in every way the tests know.
    std::vector<Archive> Build() {
        std::map<std::string, std::string> game = {
            {"ZANTORIK.EXE", RandomBytes(3000, 30) + TextLike(150000, 31)},
            {"TEXTE/THEMA.{1}", TextLike(200000, 32)},
            {"TEXTE/THEMA.{2}", TextLike(70000, 33)},
            {"GRAFIK/LOGO.GIF", RandomBytes(40000, 34)},
            {"GRAFIK/FELD.BMP", std::string(90000, '\x11') + RandomBytes(1000, 35)},
            {"SOUND/JINGLE.Z", RandomBytes(20000, 36)},
            {"DATEN/LEER.DAT", ""},
            // Plain and deflated blocks in one entry.
            {"DATEN/GEMISCHT.DAT", RandomBytes(1200000, 37) + TextLike(1100000, 38) + RandomBytes(1100000, 39)},
        };
        for (const auto& [name, data] : game) dir.Write("game/" + name, data, 1300000000);
        std::vector<Archive> out;
        const std::string gameDir = dir.Path("game");
        EXPECT_EQ(::chdir(gameDir.c_str()), 0);

        {  // One file per call, as the setup does it.
            Archive a{dir.Path("setup.zip"), "", false, game};
            for (const auto& [name, data] : game) AddOne(a.path, name);
            out.push_back(a);
        }
        {  // Stored, the whole folder at once.
            Archive a{dir.Path("stored.zip"), "", false, game};
            AddOne(a.path, "*", [](Command& c) {
                c.Raw().level = 0;
                c.Raw().recurse = 0xFFFF;
            });
            out.push_back(a);
        }
        {  // Encrypted, one file per call.
            Archive a{dir.Path("encrypted.zip"), "Geheim!7", false, game};
            for (const auto& [name, data] : game)
                AddOne(a.path, name, [](Command& c) {
                    c.Raw().encrypt = -1;
                    c.Password("Geheim!7");
                });
            out.push_back(a);
        }
        {  // With folder entries, an empty folder too.
            dir.MakeDir("game/LEER");
            Archive a{dir.Path("dirs.zip"), "", false, game};
            for (auto d : {"TEXTE/", "GRAFIK/", "SOUND/", "DATEN/", "LEER/"}) a.files[d] = "/";
            AddOne(a.path, "*", [](Command& c) {
                c.Raw().recurse = 0xFFFF;
                c.Raw().noDirEntries = 0;
            });
            out.push_back(a);
        }
        {  // With a comment, added to and replaced in.
            Archive a{dir.Path("comment.zip"), "", false, {}};
            AddOne(a.path, "TEXTE/*", [](Command& c) { c.Comment("ZANTORIK\r\nDas Familienspiel"); });
            AddOne(a.path, "GRAFIK/*");
            dir.Write("game/TEXTE/THEMA.{1}", "neuer Text", 1300000100);
            AddOne(a.path, "TEXTE/THEMA.{1}");
            a.files = game;
            a.files.erase("ZANTORIK.EXE");
            a.files.erase("SOUND/JINGLE.Z");
            a.files.erase("DATEN/LEER.DAT");
            a.files.erase("DATEN/GEMISCHT.DAT");
            a.files["TEXTE/THEMA.{1}"] = "neuer Text";
            dir.Write("game/TEXTE/THEMA.{1}", game["TEXTE/THEMA.{1}"], 1300000000);
            out.push_back(a);
        }
        {  // Names beyond ASCII.
            dir.Write("game/Übung/Größe ß.txt", "Umlaute", 1300000000);
            dir.Write("game/Ärger.txt", TextLike(5000, 37), 1300000000);
            Archive a{dir.Path("umlaut.zip"), "", false, {{"Übung/Größe ß.txt", "Umlaute"}}};
            a.files["Ärger.txt"] = TextLike(5000, 37);
            AddOne(a.path, "Übung\\Größe ß.txt");
            AddOne(a.path, "Ärger.txt");
            out.push_back(a);
        }
        {  // Behind a self-extractor stub, as the component starts a new ".EXE".
            std::string stub = "MZ" + RandomBytes(6000, 38);
            std::string header = std::string("MPV\x00\x00\x01\x24\x00", 8) + std::string(28, '\0');
            std::string end = std::string("PK\x05\x06", 4) + std::string(12, '\0');
            uint32_t off = uint32_t(stub.size() + header.size());
            for (int i = 0; i < 4; ++i) end += char(off >> (8 * i));
            end += std::string(2, '\0');
            dir.Write("sfx.exe", stub + header + end);
            Archive a{dir.Path("sfx.exe"), "", true, {}};
            for (auto n : {"TEXTE/THEMA.{2}", "GRAFIK/LOGO.GIF"}) {
                AddOne(a.path, n);
                a.files[n] = game[n];
            }
            out.push_back(a);
        }
        EXPECT_EQ(::chdir(dir.Root().c_str()), 0);
        return out;
    }

    // Every expected file is there with its bytes, and nothing else.
    void ExpectExtracted(const Archive& a, const std::string& where, const std::string& tool) {
        size_t files = 0;
        for (const auto& [name, data] : a.files) {
            std::string p = where + "/" + name;
            if (name.back() == '/') {
                EXPECT_TRUE(sfs::is_directory(p)) << tool << ": " << a.path << ": " << name;
            } else {
                ++files;
                EXPECT_TRUE(sfs::is_regular_file(p)) << tool << ": " << a.path << ": " << name;
                EXPECT_TRUE(ReadFile(p) == data) << tool << ": " << a.path << ": " << name;
            }
        }
        size_t found = 0;
        for (auto& e : sfs::recursive_directory_iterator(where)) found += e.is_regular_file();
        EXPECT_EQ(found, files) << tool << ": " << a.path;
    }
};

TEST_F(Interop, InfoZipUnzip) {
    if (!Have("unzip")) GTEST_SKIP() << "unzip is not installed";
    int n = 0;
    for (const Archive& a : Build()) {
        std::string pw = a.password.empty() ? "" : " -P '" + a.password + "'";
        std::string log;
        EXPECT_TRUE(Sh("unzip -t" + pw + " " + a.path, log)) << log;
        std::string out = dir.Path("unzip" + std::to_string(++n));
        EXPECT_TRUE(Sh("unzip -q -o" + pw + " " + a.path + " -d " + out, log)) << log;
        ExpectExtracted(a, out, "unzip");
    }
}

TEST_F(Interop, PythonZipfile) {
    if (!Have("python3")) GTEST_SKIP() << "python3 is not installed";
    std::ofstream(dir.Path("check.py")) << "import sys, zipfile\n"
                                           "z = zipfile.ZipFile(sys.argv[1])\n"
                                           "if sys.argv[3]: z.setpassword(sys.argv[3].encode())\n"
                                           "bad = z.testzip()\n"
                                           "if bad: sys.exit('bad entry: ' + bad)\n"
                                           "z.extractall(sys.argv[2])\n";
    int n = 0;
    for (const Archive& a : Build()) {
        std::string out = dir.Path("python" + std::to_string(++n));
        std::string log;
        EXPECT_TRUE(Sh("python3 " + dir.Path("check.py") + " " + a.path + " " + out + " '" + a.password + "'", log))
            << log;
        ExpectExtracted(a, out, "zipfile");
    }
}

TEST_F(Interop, SevenZip) {
    if (!Have("7z")) GTEST_SKIP() << "7z is not installed";
    int n = 0;
    for (const Archive& a : Build()) {
        std::string opts = std::string(" -y -tzip") + (a.password.empty() ? "" : " '-p" + a.password + "'");
        std::string log;
        EXPECT_TRUE(Sh("7z t" + opts + " " + a.path, log)) << log;
        EXPECT_EQ(log.find("WARNING"), std::string::npos) << log;
        std::string out = dir.Path("7z" + std::to_string(++n));
        EXPECT_TRUE(Sh("7z x" + opts + " -o" + out + " " + a.path, log)) << log;
        ExpectExtracted(a, out, "7z");
    }
}

TEST_F(Interop, OurArchivesReadTheirArchives) {
    // An archive made by Info-ZIP's zip gets our entries added in place.
    if (!Have("zip")) GTEST_SKIP() << "zip is not installed";
    dir.Write("theirs/a.txt", TextLike(30000, 40));
    dir.Write("theirs/b.txt", TextLike(3000, 41));
    dir.Write("c.txt", "unser");
    std::string log;
    ASSERT_TRUE(Sh("cd " + dir.Root() + " && zip -q -r -9 their.zip theirs", log)) << log;
    std::string theirs = dir.Path("their.zip");
    AddOne(theirs, "c.txt");
    dir.Write("theirs/b.txt", "ersetzt");
    AddOne(theirs, "theirs/b.txt");
    ZipView v = ViewZip(theirs);
    ASSERT_TRUE(v.ok) << v.error;
    std::vector<std::string> names = v.Names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"c.txt", "theirs/", "theirs/a.txt", "theirs/b.txt"}));
    EXPECT_EQ(v.Names().back(), "theirs/b.txt");
    if (Have("unzip")) {
        EXPECT_TRUE(Sh("unzip -t " + theirs, log)) << log;
        EXPECT_TRUE(Sh("unzip -q " + theirs + " -d " + dir.Path("back"), log)) << log;
        EXPECT_EQ(dir.Read("back/theirs/b.txt"), "ersetzt");
        EXPECT_EQ(dir.Read("back/theirs/a.txt"), TextLike(30000, 40));
        EXPECT_EQ(dir.Read("back/c.txt"), "unser");
    }
}

}  // namespace
}  // namespace zkzip::test
