// The common zip tools, which share none of our code, as checkers: Info-ZIP's
// zip, unzip and zipinfo, 7-Zip and Python's zipfile test and unpack what the
// library, the spanning writer and the stub's reader make or read, and make
// archives for the component's directory reader. The Makefile installs them;
// a missing one fails the run.
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "host_scratch.h"
#include "span_support.h"
#include "zip_fixture.h"
#include "zkzip_support.h"
#include "zksfx/sfxrun.h"

namespace zk::test {
namespace {

namespace sfs = std::filesystem;
using zkzip::test::Command;
using zkzip::test::RandomBytes;
using zkzip::test::TextLike;

const char* const kStoreSuffixes = ".gif:.png:.z:.zip:.zoo:.arc:.lzh:.arj:.taz:.tgz:.lha";

// What zipinfo -v tells about one entry, in the component's terms.
struct InfoEntry {
    std::string name, host, made, needed, method, modified, comment;
    bool encrypted = false;
    uint32_t crc = 0, packed = 0, size = 0, offset = 0, nameLength = 0, extraLength = 0, commentLength = 0;
};
struct Info {
    std::string comment;
    unsigned entries = 0;
    int64_t endOffset = -1;
    std::vector<InfoEntry> list;
};

class HostTools : public ZipFixture, public HostScratch {
protected:
    HostTools() : HostScratch("zkinterop") {
        oldCwd_ = sfs::current_path().string();
        sfs::current_path(root_);
        fake.files.Drive('Z').hostFolder = root_;
        fake.files.AddDir("C:\\TMP");
        zip.Unattended = true;
        zip.UseDirOnlyEntries = true;
    }
    ~HostTools() override { sfs::current_path(oldCwd_); }
    void SetUp() override {
        for (const char* tool : {"zip", "unzip", "zipinfo", "7z", "python3"})
            ASSERT_TRUE(Have(tool)) << tool << " is not installed (make deps installs it)";
    }

    Info ZipInfo(const std::string& rel) {
        Info info;
        std::istringstream in(Run("zipinfo -v '" + rel + "' || [ $? -eq 1 ]"));
        std::vector<std::string> lines;
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        auto value = [](const std::string& l) {
            size_t start = l.find_first_not_of(' ', l.find(':') + 1);
            return start == std::string::npos ? std::string() : l.substr(start);
        };
        auto block = [&](size_t& i, const char* end) {
            std::string text;
            for (++i; i < lines.size() && lines[i].find(end) == std::string::npos; ++i)
                text += (text.empty() ? "" : "\n") + lines[i];
            return text;
        };
        const std::pair<const char*, uint32_t InfoEntry::*> numbers[] = {
            {"offset of local header", &InfoEntry::offset},     {"  compressed size:", &InfoEntry::packed},
            {"  uncompressed size:", &InfoEntry::size},         {"length of filename", &InfoEntry::nameLength},
            {"length of extra field", &InfoEntry::extraLength}, {"length of file comment", &InfoEntry::commentLength}};
        const std::pair<const char*, std::string InfoEntry::*> texts[] = {
            {"operating system of origin", &InfoEntry::host}, {"version of encoding software", &InfoEntry::made},
            {"minimum software version required", &InfoEntry::needed}, {"compression method:", &InfoEntry::method}};
        InfoEntry* e = nullptr;
        std::smatch m;
        for (size_t i = 0; i < lines.size(); ++i) {
            const std::string& l = lines[i];
            if (l.find("zipfile comment begins") != std::string::npos) info.comment = block(i, "zipfile comment ends");
            else if (l.find("Actual end-cent-dir record offset:") != std::string::npos) info.endOffset = std::stoll(value(l));
            else if (std::regex_search(l, m, std::regex("central directory contains (\\d+) entr"))) info.entries = std::stoul(m[1]);
            else if (l.rfind("Central directory entry #", 0) == 0) {
                e = &info.list.emplace_back();
                e->name = lines.at(i += 3).substr(2);
            } else if (!e) continue;
            else if (l.find("file comment begins") != std::string::npos) e->comment = block(i, "file comment ends");
            else if (l.find("file security status") != std::string::npos) e->encrypted = value(l) == "encrypted";
            else if (l.find("(DOS date/time)") != std::string::npos) e->modified = value(l.substr(l.find(')')));
            else if (l.find("32-bit CRC value") != std::string::npos)
                e->crc = uint32_t(std::stoul(value(l.substr(l.find(')'))), nullptr, 16));
            for (const auto& [key, field] : numbers)
                if (l.find(key) != std::string::npos && (key[0] != ' ' || l.rfind(key, 0) == 0))
                    e->*field = uint32_t(std::stoul(value(l)));
            for (const auto& [key, field] : texts)
                if (l.find(key) != std::string::npos) e->*field = value(l);
        }
        EXPECT_EQ(info.entries, info.list.size()) << "zipinfo could not be read";
        return info;
    }
    // The output of a command that must succeed.
    std::string Run(const std::string& command) {
        Sh(command);
        return Read(".log");
    }

    // The name zipinfo shows, as the component must give it: zipinfo turns
    // MS-DOS names into Latin-1 and prints others as they are stored; the
    // component takes those as the ANSI code page unless they are UTF-8
    // (flagged, or multi-byte UTF-8 from Unix).
    static std::string Expected(const std::string& shown, const ZipDirEntry& e) {
        std::string latin1;
        for (unsigned char c : shown) {
            if (c < 0x80) latin1 += char(c);
            else latin1 += {char(0xC0 | c >> 6), char(0x80 | (c & 0x3F))};
        }
        const bool unixUtf8 = e.HostVersionNo == 3 && zipformat::IsUtf8(shown) && shown != latin1;
        std::string name = (e.Flag & 0x800) || unixUtf8 ? shown : latin1;
        std::replace(name.begin(), name.end(), '/', '\\');
        return name;
    }
    static std::string Dos(uint32_t dt) {
        static const char* months[] = {"?", "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        unsigned date = dt >> 16, time = dt & 0xFFFF;
        char buf[64];
        std::snprintf(buf, sizeof buf, "%u %s %u %02u:%02u:%02u", 1980 + (date >> 9), months[((date >> 5) & 15) % 13],
                      date & 31, time >> 11, (time >> 5) & 63, (time & 31) * 2);
        return buf;
    }

    // Reads the archive with the component and holds it against zipinfo.
    void Check(const std::string& rel, bool offsetsAsRecorded = true) {
        SCOPED_TRACE(rel);
        Info info = ZipInfo(rel);
        messages.clear();
        zip.SetZipFileName("Z:\\" + rel);
        ASSERT_FALSE(zip.ZipFileName().empty()) << zip.LastMessage;
        std::string comment = zip.ArchiveComment;  // zipinfo shows line ends without CR
        comment.erase(std::remove(comment.begin(), comment.end(), '\r'), comment.end());
        EXPECT_EQ(comment, info.comment);
        EXPECT_EQ(zip.EndRecordPosition(), info.endOffset);
        ASSERT_EQ(zip.Contents.size(), info.list.size());
        const std::map<int, std::string> hosts = {{0, "MS-DOS, OS/2 or NT FAT"}, {3, "Unix"}, {11, "NTFS"}};
        auto version = [](unsigned v) { return std::to_string(v / 10) + "." + std::to_string(v % 10); };
        for (size_t i = 0; i < info.list.size(); ++i) {
            const InfoEntry& want = info.list[i];
            const ZipDirEntry& got = zip.Contents[i];
            SCOPED_TRACE(want.name);
            EXPECT_EQ(got.FileName, Expected(want.name, got));
            EXPECT_EQ(hosts.count(got.HostVersionNo) ? hosts.at(got.HostVersionNo) : "?", want.host);
            EXPECT_EQ(version(got.MadeByVersion), want.made);
            EXPECT_EQ(version(got.Version), want.needed);
            EXPECT_EQ(got.ComprMethod == 0 ? "none (stored)" : got.ComprMethod == 8 ? "deflated" : "?", want.method);
            EXPECT_EQ(got.Encrypted, want.encrypted);
            EXPECT_EQ(Dos(got.DateTime), want.modified);
            EXPECT_EQ(got.CRC32, want.crc);
            EXPECT_EQ(got.ComprSize, want.packed);
            EXPECT_EQ(got.UncomprSize, want.size);
            EXPECT_EQ(got.FileNameLength, want.nameLength);
            EXPECT_EQ(got.ExtraFieldLength, want.extraLength);
            EXPECT_EQ(got.FileCommentLen, want.commentLength);
            EXPECT_EQ(got.ExtraData.size(), got.ExtraFieldLength ? got.ExtraFieldLength + 1u : 0u);
            EXPECT_EQ(want.commentLength ? got.FileComment : "", want.commentLength ? Expected(want.comment, got) : "");
            EXPECT_EQ(offsetsAsRecorded ? got.RelOffLocalHdr : 0, offsetsAsRecorded ? want.offset : 0);
        }
    }

    // The files the tools' archives are made of.
    void Game() {
        Write("game/ZANTORIK.EXE", std::string(5000, 'M') + "ZANTORIK");
        Write("game/TEXTE/THEMA.{1}", TextLike(20000, 1));
        Write("game/GRAFIK/LOGO.GIF", RandomBytes(20000, 2));
        Write("game/LEER.DAT", "");
        Write("game/gr\xC3\xBCn \xC3\xA9t\xC3\xA9.txt", "umlauts");  // UTF-8 on the disk, stored as such by zip
        sfs::create_directories(sfs::path(root_) / "game/SPIELE");
    }
    // The library's command as the add operation makes it from the component.
    int32_t AddThroughComponent(const std::string& archive, const std::vector<std::string>& files) {
        ZipCommandBlock block(false);
        zip.FillCommand(block, archive, zip.GetZkZipVersion());
        for (const std::string& f : files) {
            ZipFileSpec spec{};
            spec.fileSpec = block.Copy(f);
            block.specs.push_back(spec);
        }
        block.New().fileSpecs = block.specs.data();
        block.New().argCount = int32_t(files.size());
        block.New().endMark = ZK_END_MARK;
        return TZipArchiver::ZkZipExecEntry()(block.Record());
    }
    void LoadRealLibrary() {
        fake.dynlib.Add("ZKZIP.DLL", {{"ZkZipExec", reinterpret_cast<void*>(&::ZkZipExec)},
                                      {"GetZkZipVersion", reinterpret_cast<void*>(&::GetZkZipVersion)}});
        zip.LoadZipLibrary();
        ASSERT_NE(TZipArchiver::ZkZipExecEntry(), nullptr);
        zip.AddOptions = {AddDirNames};
    }

    std::string oldCwd_;
};

// ---- archives of the library, tested and unpacked by the tools ----

struct Made {
    std::string path, password;
    std::map<std::string, std::string> files;  // entry -> content; "/" at the end: a folder
};

// One game folder zipped in every way the setup and the component can ask for.
std::vector<Made> MakeWithTheLibrary(const HostScratch& s, const std::string& root) {
    std::map<std::string, std::string> game = {
        {"ZANTORIK.EXE", RandomBytes(3000, 30) + TextLike(150000, 31)},
        {"TEXTE/THEMA.{1}", TextLike(200000, 32)},
        {"GRAFIK/LOGO.GIF", RandomBytes(40000, 34)},
        {"GRAFIK/FELD.BMP", std::string(90000, '\x11') + RandomBytes(1000, 35)},
        {"DATEN/LEER.DAT", ""},
        {"Übung/Größe ß.txt", "Umlaute"},
        // Plain and deflated blocks in one entry.
        {"DATEN/GEMISCHT.DAT", RandomBytes(1200000, 37) + TextLike(1100000, 38) + RandomBytes(1100000, 39)},
    };
    for (const auto& [name, data] : game) s.Write("game/" + name, data);
    EXPECT_EQ(::chdir((root + "/game").c_str()), 0);
    auto add = [](const std::string& zip, const std::string& spec, std::function<void(Command&)> tune) {
        zkzip::test::Recorder r;
        Command c(zip, {spec}, &r);
        c.Suffixes(kStoreSuffixes);
        if (tune) tune(c);
        EXPECT_GT(c.Run(), 0) << spec << "\n" << r.Messages();
    };
    auto eachFile = [&](const std::string& zip, std::function<void(Command&)> tune) {
        for (const auto& [name, data] : game) add(zip, name, tune);
    };
    auto recurse = [](int level, bool dirs) {
        return [=](Command& c) {
            c.Raw().level = level;
            c.Raw().recurse = 0xFFFF;
            c.Raw().noDirEntries = dirs ? 0 : -1;
        };
    };
    std::vector<Made> out;
    out.push_back({root + "/setup.zip", "", game});  // one file per call, as the setup does it
    eachFile(out.back().path, nullptr);
    out.push_back({root + "/stored.zip", "", game});
    add(out.back().path, "*", recurse(0, false));
    out.push_back({root + "/encrypted.zip", "Geheim!7", game});
    eachFile(out.back().path, [](Command& c) {
        c.Raw().encrypt = -1;
        c.Password("Geheim!7");
    });
    sfs::create_directories(root + "/game/LEER");
    out.push_back({root + "/dirs.zip", "", game});
    for (auto d : {"TEXTE/", "GRAFIK/", "DATEN/", "LEER/", "Übung/"}) out.back().files[d] = "/";
    add(out.back().path, "*", recurse(9, true));
    // A comment, an append and a replacement.
    out.push_back({root + "/comment.zip", "", {}});
    add(out.back().path, "TEXTE/*", [](Command& c) { c.Comment("ZANTORIK\r\nDas Familienspiel"); });
    add(out.back().path, "GRAFIK/*", nullptr);
    s.Write("game/TEXTE/THEMA.{1}", "neuer Text");
    add(out.back().path, "TEXTE/THEMA.{1}", nullptr);
    out.back().files = {{"TEXTE/THEMA.{1}", "neuer Text"},
                        {"GRAFIK/LOGO.GIF", game["GRAFIK/LOGO.GIF"]},
                        {"GRAFIK/FELD.BMP", game["GRAFIK/FELD.BMP"]}};
    // Behind a self-extractor stub, as the component starts a new ".EXE".
    std::string stub = "MZ" + RandomBytes(6000, 38) + std::string("MPV\x00\x00\x01\x24\x00", 8) + std::string(28, '\0');
    std::string end = std::string("PK\x05\x06", 4) + std::string(12, '\0');
    for (int i = 0; i < 4; ++i) end += char(stub.size() >> (8 * i));
    s.Write("sfx.exe", stub + end + std::string(2, '\0'));
    out.push_back({root + "/sfx.exe", "", {{"TEXTE/THEMA.{1}", "neuer Text"}, {"GRAFIK/LOGO.GIF", game["GRAFIK/LOGO.GIF"]}}});
    for (const auto& [name, data] : out.back().files) add(out.back().path, name, nullptr);
    EXPECT_EQ(::chdir(root.c_str()), 0);
    return out;
}

TEST_F(HostTools, TheLibrarysArchivesPassEveryTool) {
    Write("check.py",
          "import sys, zipfile\n"
          "z = zipfile.ZipFile(sys.argv[1])\n"
          "if sys.argv[3]: z.setpassword(sys.argv[3].encode())\n"
          "bad = z.testzip()\n"
          "if bad: sys.exit('bad entry: ' + bad)\n"
          "z.extractall(sys.argv[2])\n");
    struct Tool {
        const char* name;
        std::function<std::string(const Made&, const std::string& pw, const std::string& out)> command;
    } const tools[] = {
        {"unzip", [](const Made& a, const std::string& pw, const std::string& out) {
             const std::string p = pw.empty() ? "" : " -P '" + pw + "'";
             return "unzip -tq" + p + " " + a.path + " && unzip -q -o" + p + " " + a.path + " -d " + out;
         }},
        {"7z", [](const Made& a, const std::string& pw, const std::string& out) {
             const std::string p = " -y -tzip" + (pw.empty() ? "" : " '-p" + pw + "'");
             return "7z t" + p + " " + a.path + " >7z.log && ! grep WARNING 7z.log && 7z x" + p + " -o" + out + " " +
                    a.path;
         }},
        {"zipfile", [](const Made& a, const std::string& pw, const std::string& out) {
             return "python3 check.py " + a.path + " " + out + " '" + pw + "'";
         }},
    };
    int n = 0;
    for (const Made& a : MakeWithTheLibrary(*this, root_)) {
        for (const Tool& t : tools) {
            SCOPED_TRACE(std::string(t.name) + " on " + a.path);
            const std::string out = root_ + "/out" + std::to_string(++n);
            Sh(t.command(a, a.password, out));
            size_t files = 0, found = 0;
            for (const auto& [name, data] : a.files) {
                const std::string p = out + "/" + name;
                if (name.back() == '/') {
                    EXPECT_TRUE(sfs::is_directory(p)) << name;
                } else {
                    ++files;
                    EXPECT_TRUE(Slurp(p) == data) << name;
                }
            }
            for (auto& e : sfs::recursive_directory_iterator(out)) found += e.is_regular_file();
            EXPECT_EQ(found, files);
        }
    }
}

// An archive made by Info-ZIP's zip gets our entries, appended in place and replaced.
TEST_F(HostTools, TheLibraryAddsToInfoZipsArchives) {
    Write("theirs/a.txt", TextLike(30000, 40));
    Write("theirs/b.txt", TextLike(3000, 41));
    Write("c.txt", "unser");
    Sh("zip -q -r -9 their.zip theirs");
    for (const char* spec : {"c.txt", "theirs/b.txt"}) {
        Write("theirs/b.txt", "ersetzt");
        zkzip::test::Recorder r;
        ASSERT_EQ(Command(root_ + "/their.zip", {spec}, &r).Run(), 1) << r.Messages();
    }
    std::istringstream listed(Run("zipinfo -1 their.zip"));
    std::vector<std::string> names;
    for (std::string l; std::getline(listed, l);) names.push_back(l);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.back(), "theirs/b.txt");  // replaced: written anew at the end
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"c.txt", "theirs/", "theirs/a.txt", "theirs/b.txt"}));
    Sh("unzip -t their.zip && unzip -q their.zip -d back");
    EXPECT_EQ(Read("back/theirs/b.txt"), "ersetzt");
    EXPECT_EQ(Read("back/theirs/a.txt"), TextLike(30000, 40));
    EXPECT_EQ(Read("back/c.txt"), "unser");
}

// ---- archives of the tools, read by the component ----

TEST_F(HostTools, TheComponentReadsInfoZipsArchives) {
    Game();
    Write(".comment", "Zantorik Spielarchiv\nzweite Zeile\n");
    Sh("zip -q -r -n .gif a.zip game -z < .comment && zip -q -0 -r b.zip game && zip -q -D -r -9 c.zip game && "
       "zip -q -r -X d.zip game/TEXTE");
    for (const char* name : {"a.zip", "b.zip", "c.zip", "d.zip"}) Check(name);
    EXPECT_EQ(zip.DataOffset, 0);
    zip.SetZipFileName("Z:\\a.zip");
    std::map<std::string, uint16_t> method;
    for (const ZipDirEntry& e : zip.Contents) method[e.FileName] = e.ComprMethod;
    EXPECT_EQ(method["game\\GRAFIK\\LOGO.GIF"], 0);
    EXPECT_EQ(method["game\\TEXTE\\THEMA.{1}"], 8);
    EXPECT_TRUE(method.count("game\\SPIELE\\"));
    EXPECT_TRUE(method.count("game\\grün été.txt"));  // UTF-8 from Unix, without the flag
    zip.UseDirOnlyEntries = false;
    zip.SetZipFileName("Z:\\a.zip");
    EXPECT_EQ(zip.DirOnlyCount, 4);
    EXPECT_EQ(zip.Contents.size(), 5u);

    zip.UseDirOnlyEntries = true;
    // Behind a stub: adjusted by zip -A the offsets count it; not adjusted
    // they are off by the stub, which the read says.
    Write("stub.bin", std::string(20000, '\x90'));
    Sh("cat stub.bin d.zip > raw.zip && cat stub.bin d.zip > sfx.zip && zip -q -A sfx.zip");
    Check("sfx.zip");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(zip.DataOffset, 20000);
    Check("raw.zip", false);
    EXPECT_EQ(Numbers(), std::vector<int>{10203});
    EXPECT_EQ(zip.DataOffset, 20000);
}

TEST_F(HostTools, TheComponentReadsPythonsArchives) {
    Write("make.py", R"PY(
import zipfile

class Dos(zipfile.ZipInfo):
    # Names in the DOS code page without the UTF-8 flag, as old Windows tools wrote them.
    def _encodeFilenameFlags(self):
        return self.filename.encode('cp437'), self.flag_bits

def entry(name, data, method, comment=b'', cls=zipfile.ZipInfo, host=None):
    zi = cls(name, (2021, 11, 3, 18, 30, 44))
    zi.compress_type, zi.comment = method, comment
    if host is not None:
        zi.create_system = host
    return zi, data

def make(name, entries, comment=b''):
    with zipfile.ZipFile(name, 'w') as z:
        for zi, data in entries:
            z.writestr(zi, data)
        z.comment = comment

text = b''.join(b'Zeile %d\n' % i for i in range(3000))
S, D = zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED
make('py.zip', [entry('SPIEL/', b'', S), entry('SPIEL/THEMA.TXT', text, D, b'das Thema'),
                entry('SPIEL/ROH.BIN', bytes(range(256)) * 8, S), entry('LEER', b'', D)], b'von Python')
make('dos.zip', [entry('\u00dcBER\u00fc.TXT', b'abc', S, b'', Dos, 0),
                 entry('M\u00c4RCHEN/K\u00f6nig.txt', text, D, 'Gr\u00fc\u00dfe'.encode('cp437'), Dos, 0)])
make('utf8.zip', [entry('gr\u00fcn/\u20ac uro.txt', b'euro', D), entry('\u65e5\u672c.txt', b'nihon', S),
                  entry('plain.txt', b'plain', S)])
make('empty.zip', [])
make('long.zip', [entry('a.txt', b'a', S)], b'K' * 3000)
)PY");
    Sh("python3 make.py");
    for (const char* name : {"py.zip", "dos.zip", "utf8.zip", "long.zip"}) Check(name);
    const std::pair<const char*, std::vector<std::string>> names[] = {
        {"dos.zip", {"ÜBERü.TXT", "MÄRCHEN\\König.txt"}}, {"utf8.zip", {"grün\\€ uro.txt", "日本.txt", "plain.txt"}},
        {"empty.zip", {}}};
    for (const auto& [rel, want] : names) {
        zip.SetZipFileName(std::string("Z:\\") + rel);
        std::vector<std::string> got;
        for (const ZipDirEntry& e : zip.Contents) got.push_back(e.FileName);
        EXPECT_EQ(got, want) << rel;
    }
    EXPECT_EQ(zip.DataOffset, 0);
    EXPECT_EQ(zip.ArchiveFileSize(), 22);
    zip.SetZipFileName("Z:\\dos.zip");
    EXPECT_EQ(zip.Contents.at(1).FileComment, "Grüße");
}

// A disk set: Info-ZIP's archive spread over fake floppies by the component;
// the parts, named as Info-ZIP names a split archive, are joined by zip -s 0
// and tested and unpacked by unzip; 7z reads the set as it lies.
TEST_F(HostTools, SpannedPartsJoinAndTestWithTheTools) {
    const std::string noise = RandomBytes(2500000, 7), text = TextLike(400000, 8);
    Write("in/ZANTORIK.EXE", noise);
    Write("in/TEXTE/THEMA.TXT", text);
    Write("in/LEER.DAT", "");
    Sh("cd in && zip -q -r ../src.zip ZANTORIK.EXE TEXTE LEER.DAT");
    fake.files.logIo = false;
    zip.Unattended = false;  // the disks are asked for
    fake.files.AddFile("C:\\TMP\\SRC.ZIP", Read("src.zip"));
    int disks = 0;
    fake.files.Drive('A').type = platform::DriveType::Removable;
    fake.files.EjectDisk('A');
    zip.OnGetNextDisk = [&](TZipArchiver&, int32_t disk, int32_t, const std::string&, bool&) {
        if (disk > disks) fake.files.NewDisk("d" + std::to_string(disk), 1457664), disks = disk;
        fake.files.InsertDisk('A', "d" + std::to_string(disk));
    };
    ASSERT_EQ(zip.WriteSpannedArchive("C:\\TMP\\SRC.ZIP", "A:\\X.ZIP"), 0) << zip.LastMessage;
    ASSERT_GE(disks, 2);
    std::vector<std::string> parts;
    for (int i = 1; i <= disks; ++i) {
        parts.push_back(fake.files.DiskFile("d" + std::to_string(i), "\\X.ZIP"));
        char name[16];
        std::snprintf(name, sizeof name, i == disks ? "set/x.zip" : "set/x.z%02d", i);
        Write(name, parts.back());
    }
    ASSERT_EQ(ViewSet(parts).error, "");
    Sh("cd set && zip -s 0 x.zip --out ../joined.zip && 7z t x.zip");
    Sh("unzip -t joined.zip && unzip -q joined.zip -d out");
    EXPECT_TRUE(Read("out/ZANTORIK.EXE") == noise);
    EXPECT_TRUE(Read("out/TEXTE/THEMA.TXT") == text);
    EXPECT_TRUE(sfs::exists(root_ + "/out/LEER.DAT"));
    EXPECT_EQ(sfs::file_size(root_ + "/out/LEER.DAT"), 0u);
}

// ---- zip64: archives past 65,535 entries or 4 GiB, both ways ----

// A host file for the stub's reader, read where it lies.
class HostSource : public zksfx::Source {
public:
    explicit HostSource(const std::string& path) : fd_(open(path.c_str(), O_RDONLY)) {}
    ~HostSource() override { close(fd_); }
    uint64_t Size() const override { return uint64_t(lseek(fd_, 0, SEEK_END)); }
    bool ReadAt(uint64_t pos, void* buf, size_t n) override { return pread(fd_, buf, n, off_t(pos)) == ssize_t(n); }

private:
    int fd_;
};

// Output that goes nowhere: the stub's own checks of size and CRC remain.
class NullOut : public zksfx::OutFile {
public:
    bool Write(const void*, size_t) override { return true; }
    bool Close() override { return true; }
    void Discard() override {}
};

constexpr uint64_t kBig = (uint64_t{4} << 30) + (1 << 20);  // over 4 GiB
constexpr size_t kMany = 65535, kMore = 4465;               // 70,000 together

class Zip64Interop : public HostTools {
protected:
    // The files the component lists of an archive, folders left out.
    std::vector<const ZipDirEntry*> Files(const std::string& rel) {
        SCOPED_TRACE(rel);
        messages.clear();
        zip.SetZipFileName("Z:\\" + rel);
        EXPECT_FALSE(zip.ZipFileName().empty()) << zip.LastMessage;
        EXPECT_TRUE(messages.empty()) << messages.front().text;
        std::vector<const ZipDirEntry*> out;
        for (const ZipDirEntry& e : zip.Contents)
            if (e.FileName.back() != '\\') out.push_back(&e);
        return out;
    }
    // The stub reads the archive and unpacks every entry.
    void StubUnpacks(const std::string& rel, size_t entries) {
        SCOPED_TRACE(rel);
        HostSource src(root_ + "/" + rel);
        zksfx::Archive a;
        std::string error;
        ASSERT_TRUE(zksfx::ReadArchive(src, a, error)) << error;
        EXPECT_EQ(a.entries.size(), entries);
        for (const zksfx::Entry& e : a.entries) {
            uint64_t data = 0;
            ASSERT_TRUE(zksfx::LocateData(src, a, e, data, error)) << error;
            NullOut out;
            ASSERT_EQ(zksfx::Unpack(src, data, e, out, nullptr), zksfx::UnpackStatus::Ok) << e.name;
        }
    }
};

// Run once, as it is slow: one sparse file over 4 GiB and 70,000 small
// files, zipped by the common tools for the component and by the library
// for the tools and the stub.
TEST_F(Zip64Interop, OtherToolsArchivesReadAndTheLibrarysTested) {
    Write("make.py", R"PY(
import os, zipfile
for folder, n in (('many', 65535), ('more', 4465)):
    os.makedirs(folder)
    for i in range(n):
        open('%s/%s%05d.txt' % (folder, folder[0], i), 'w').write(str(i))
with open('big.dat', 'wb') as f:
    f.truncate((4 << 30) + (1 << 20))
with zipfile.ZipFile('py70k.zip', 'w') as z:
    for i in range(70000):
        z.writestr('f%05d' % i, str(i))
with zipfile.ZipFile('pybig.zip', 'w', zipfile.ZIP_DEFLATED, compresslevel=1) as z:
    z.write('big.dat')
)PY");
    Sh("python3 make.py && zip -q -1 zipbig.zip big.dat && zip -q -D -r zip70k.zip many more");
    Sh("sh -c \"printf 'aus der Leitung' | zip -q pipe.zip -\"");
    Sh("7z a -tzip -mx1 7zbig.zip big.dat && 7z a -tzip 7z70k.zip many more");

    // Zip64 end records, zip64 extra fields, and a stream of unknown size.
    for (const char* rel : {"zipbig.zip", "pybig.zip", "7zbig.zip"}) {
        auto files = Files(rel);
        ASSERT_EQ(files.size(), 1u) << rel;
        EXPECT_EQ(files[0]->UncomprSize, kBig) << rel;
        EXPECT_LT(files[0]->ComprSize, kBig) << rel;
    }
    for (const char* rel : {"zip70k.zip", "py70k.zip", "7z70k.zip"}) EXPECT_EQ(Files(rel).size(), 70000u) << rel;
    auto piped = Files("pipe.zip");
    ASSERT_EQ(piped.size(), 1u);
    EXPECT_EQ(piped[0]->FileName, "-");
    EXPECT_EQ(piped[0]->UncomprSize, 15u);

    // The library: exactly 65,535 entries, then more by an append; a file
    // over 4 GiB; an append to an archive of zip's with zip64 records.
    LoadRealLibrary();
    zip.AddCompLevel = 1;
    ASSERT_EQ(AddThroughComponent(root_ + "/lib70k.zip", {"many/*"}), int32_t(kMany)) << zip.LastMessage;
    EXPECT_EQ(Files("lib70k.zip").size(), kMany);
    StubUnpacks("lib70k.zip", kMany);
    ASSERT_EQ(AddThroughComponent(root_ + "/lib70k.zip", {"more/*"}), int32_t(kMore)) << zip.LastMessage;
    ASSERT_EQ(AddThroughComponent(root_ + "/libbig.zip", {"big.dat"}), 1) << zip.LastMessage;
    ASSERT_EQ(AddThroughComponent(root_ + "/pipe.zip", {"many/m00001.txt"}), 1) << zip.LastMessage;
    for (const char* rel : {"lib70k.zip", "libbig.zip", "pipe.zip"}) {
        SCOPED_TRACE(rel);
        Sh(std::string("unzip -tqq ") + rel + " && 7z t " + rel);
        Sh("python3 -c \"import sys, zipfile; sys.exit(zipfile.ZipFile('" + std::string(rel) +
           "').testzip() is not None)\"");
    }
    EXPECT_EQ(Files("lib70k.zip").size(), kMany + kMore);
    EXPECT_EQ(Files("pipe.zip").size(), 2u);
    auto big = Files("libbig.zip");
    ASSERT_EQ(big.size(), 1u);
    EXPECT_EQ(big[0]->UncomprSize, kBig);
    StubUnpacks("libbig.zip", 1);
    StubUnpacks("lib70k.zip", kMany + kMore);
}

}  // namespace
}  // namespace zk::test
