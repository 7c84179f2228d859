// zip, unzip, 7-Zip and Python's zipfile (none shares our code) check what the library
// writes and make archives for our readers. The Makefile installs them; a missing one fails.
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "host_scratch.h"
#include "zip_fixture.h"
#include "zkzip_support.h"
#include "zksfx/sfxrun.h"

namespace zk::test {
namespace {

namespace sfs = std::filesystem;
using zkzip::test::Command;
using zkzip::test::RandomBytes;
using zkzip::test::TextLike;

class HostTools : public ZipFixture, public HostScratch {
protected:
    HostTools() : HostScratch("zkinterop") {
        oldCwd_ = sfs::current_path().string();
        sfs::current_path(root_);
        fake.files.Drive('Z').hostFolder = root_;
        fake.files.AddDir("C:\\TMP");
        zip.Unattended = zip.UseDirOnlyEntries = true;
        Write("list.py",
              "import sys, zipfile\n"
              "for i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
              "    n = i.filename if i.filename.isascii() else '*'\n"
              "    print(n, i.CRC, i.file_size, i.compress_size, i.compress_type)\n");
    }
    ~HostTools() override { sfs::current_path(oldCwd_); }
    void SetUp() override {
        for (const char* tool : {"zip", "unzip", "7z", "python3"})
            ASSERT_TRUE(Have(tool)) << tool << " is not installed (make deps installs it)";
    }
    std::string Run(const std::string& command) { return Sh(command), Read(".log"); }
    // The component reads the archive as Python's zipfile does.
    void Check(const std::string& rel) {
        SCOPED_TRACE(rel);
        std::istringstream theirs(Run("python3 list.py " + rel));
        zip.SetZipFileName("Z:\\" + rel);
        ASSERT_FALSE(zip.ZipFileName().empty()) << zip.LastMessage;
        std::string line;
        for (const ZipDirEntry& e : zip.Contents) {
            std::string name = e.FileName;
            std::replace(name.begin(), name.end(), '\\', '/');
            if (std::any_of(name.begin(), name.end(), [](char c) { return c & 0x80; })) name = "*";
            std::ostringstream ours;
            ours << name << ' ' << e.CRC32 << ' ' << e.UncomprSize << ' ' << e.ComprSize << ' ' << e.ComprMethod;
            ASSERT_TRUE(std::getline(theirs, line));
            EXPECT_EQ(ours.str(), line);
        }
        EXPECT_FALSE(std::getline(theirs, line)) << line;
    }
    // The library's command as the add operation makes it from the component.
    int32_t AddThroughComponent(const std::string& archive, const std::vector<std::string>& files) {
        ZipCommandBlock block(false);
        zip.library.FillCommand(block, archive, zip.library.GetZkZipVersion());
        for (const std::string& f : files) {
            ZipFileSpec spec{};
            spec.fileSpec = block.Copy(f);
            block.specs.push_back(spec);
        }
        block.New().fileSpecs = block.specs.data(), block.New().argCount = int32_t(files.size());
        block.New().endMark = ZK_END_MARK;
        return ZipLibrary::ZkZipExecEntry()(block.Record());
    }
    void LoadRealLibrary() {
        fake.dynlib.Add("ZKZIP.DLL", {{"ZkZipExec", reinterpret_cast<void*>(&::ZkZipExec)},
                                      {"GetZkZipVersion", reinterpret_cast<void*>(&::GetZkZipVersion)}});
        zip.library.LoadZipLibrary();
        ASSERT_NE(ZipLibrary::ZkZipExecEntry(), nullptr);
        zip.AddOptions = {AddDirNames};
    }
    std::string oldCwd_;
};

struct Made {
    std::string path, password;
    std::map<std::string, std::string> files;  // entry -> content; "/" at the end: a folder
};

// One game folder zipped in each way the setup and the component ask for.
std::vector<Made> MakeWithTheLibrary(const HostScratch& s, const std::string& root) {
    std::map<std::string, std::string> game = {
        {"ZANTORIK.EXE", RandomBytes(3000, 30) + TextLike(150000, 31)},
        {"GRAFIK/LOGO.GIF", RandomBytes(40000, 34)},
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
        c.Suffixes(".gif:.zip");
        if (tune) tune(c);
        EXPECT_GT(c.Run(), 0) << spec << "\n" << r.Messages();
    };
    std::vector<Made> out;
    out.push_back({root + "/encrypted.zip", "Geheim!7", game});  // one file per call, as the setup does it
    for (const auto& [name, data] : game)
        add(out.back().path, name, [](Command& c) { c.Raw().encrypt = -1, c.Password("Geheim!7"); });
    // Behind a self-extractor stub, with a comment, an append and a replacement.
    std::string stub = "MZ" + RandomBytes(6000, 38) + std::string("MPV\x00\x00\x01\x24\x00", 8) + std::string(28, '\0');
    std::string end = std::string("PK\x05\x06", 4) + std::string(12, '\0');
    for (int i = 0; i < 4; ++i) end += char(stub.size() >> (8 * i));
    s.Write("sfx.exe", stub + end + std::string(2, '\0'));
    out.push_back({root + "/sfx.exe", "", {{"ZANTORIK.EXE", "neu"}, {"GRAFIK/LOGO.GIF", game["GRAFIK/LOGO.GIF"]}}});
    add(out.back().path, "ZANTORIK.EXE", [](Command& c) { c.Comment("ZANTORIK\r\nDas Familienspiel"); });
    add(out.back().path, "GRAFIK/*", nullptr);
    s.Write("game/ZANTORIK.EXE", "neu"), add(out.back().path, "ZANTORIK.EXE", nullptr);
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
    using Tool = std::function<std::string(const std::string& zip, const std::string& pw, const std::string& out)>;
    const Tool tools[] = {
        [](auto& a, auto& pw, auto& out) {
            const std::string p = pw.empty() ? "" : " -P '" + pw + "'";
            return "unzip -tq" + p + " " + a + " && unzip -q -o" + p + " " + a + " -d " + out;
        },
        [](auto& a, auto& pw, auto& out) {
            const std::string p = " -y -tzip" + (pw.empty() ? "" : " '-p" + pw + "'");
            return "7z t" + p + " " + a + " >7z.log && ! grep WARNING 7z.log && 7z x" + p + " -o" + out + " " + a;
        },
        [](auto& a, auto& pw, auto& out) { return "python3 check.py " + a + " " + out + " '" + pw + "'"; },
    };
    int n = 0;
    for (const Made& a : MakeWithTheLibrary(*this, root_)) {
        for (const Tool& t : tools) {
            const std::string out = root_ + "/out" + std::to_string(++n);
            SCOPED_TRACE(a.path + " -> " + out);
            Sh(t(a.path, a.password, out));
            size_t files = 0, found = 0;
            for (const auto& [name, data] : a.files) {
                files += name.back() != '/';
                if (name.back() == '/') EXPECT_TRUE(sfs::is_directory(out + "/" + name)) << name;
                else EXPECT_TRUE(Slurp(out + "/" + name) == data) << name;
            }
            for (auto& e : sfs::recursive_directory_iterator(out)) found += e.is_regular_file();
            EXPECT_EQ(found, files);
        }
    }
    EXPECT_EQ(Run("unzip -z sfx.exe"), "Archive:  sfx.exe\nZANTORIK\nDas Familienspiel\n");
}

// zip's (with a comment), 7-Zip's and Python's archives (names in the DOS
// code page without the flag).
TEST_F(HostTools, TheComponentReadsTheToolsArchives) {
    Write("game/TEXTE/THEMA.{1}", TextLike(20000, 1)), Write("game/GRAFIK/LOGO.GIF", RandomBytes(20000, 2));
    Write("game/LEER.DAT", ""), Write(".comment", "Zantorik Spielarchiv\n");
    Write("game/gr\xC3\xBCn.txt", "umlauts");  // UTF-8 on the disk, stored as such by zip
    Write("make.py", R"PY(
import zipfile
class Dos(zipfile.ZipInfo):
    def _encodeFilenameFlags(self):
        return self.filename.encode('cp437'), self.flag_bits
with zipfile.ZipFile('dos.zip', 'w') as z:
    for name, data in (('\u00dcBER\u00fc.TXT', b'abc'), ('M\u00c4RCHEN/K\u00f6nig.txt', b'x' * 5000)):
        zi = Dos(name, (2021, 11, 3, 18, 30, 44))
        zi.compress_type, zi.create_system = zipfile.ZIP_DEFLATED, 0
        z.writestr(zi, data)
)PY");
    Sh("python3 make.py && zip -q -r -n .gif a.zip game -z < .comment && 7z a -tzip 7z.zip game >/dev/null");
    for (const char* name : {"7z.zip", "dos.zip", "a.zip"}) Check(name);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(zip.ArchiveComment, "Zantorik Spielarchiv");
    bool utf8 = false;
    for (const ZipDirEntry& e : zip.Contents) utf8 |= e.FileName == "game\\grün.txt";  // from Unix, without the flag
    EXPECT_TRUE(utf8);
    zip.SetZipFileName("Z:\\dos.zip");
    EXPECT_EQ(zip.Contents.at(0).FileName + "|" + zip.Contents.at(1).FileName, "ÜBERü.TXT|MÄRCHEN\\König.txt");
}

// ---- zip64: past 65,535 entries or 4 GiB, both ways (run once: slow) ----

class Zip64Interop : public HostTools {
protected:
    size_t Files(const std::string& rel, uint64_t size = 0) {
        messages.clear(), zip.SetZipFileName("Z:\\" + rel);
        EXPECT_TRUE(messages.empty()) << rel << ": " << zip.LastMessage;
        size_t n = 0;
        for (const ZipDirEntry& e : zip.Contents) n += e.FileName.back() != '\\' && (!size || e.UncomprSize == size);
        return n;
    }
    void StubUnpacks(const std::string& rel, size_t entries) {
        struct HostSource : zksfx::Source {
            int fd;
            uint64_t Size() const override { return uint64_t(lseek(fd, 0, SEEK_END)); }
            bool ReadAt(uint64_t pos, void* buf, size_t n) override { return pread(fd, buf, n, off_t(pos)) == ssize_t(n); }
        } src;
        struct NullOut : zksfx::OutFile {  // the stub's own checks of size and CRC remain
            bool Write(const void*, size_t) override { return true; }
            bool Close() override { return true; }
            void Discard() override {}
        } out;
        src.fd = open((root_ + "/" + rel).c_str(), O_RDONLY);
        zksfx::Archive a;
        std::string error;
        uint64_t data = 0;
        ASSERT_TRUE(zksfx::ReadArchive(src, a, error)) << error;
        EXPECT_EQ(a.entries.size(), entries);
        for (const zksfx::Entry& e : a.entries) {
            ASSERT_TRUE(zksfx::LocateData(src, a, e, data, error)) << e.name << ": " << error;
            ASSERT_EQ(zksfx::Unpack(src, data, e, out, nullptr), zksfx::UnpackStatus::Ok) << e.name;
        }
        close(src.fd);
    }
};

TEST_F(Zip64Interop, OtherToolsArchivesReadAndTheLibrarysTested) {
    const uint64_t big = (uint64_t{4} << 30) + (1 << 20);
    Sh("mkdir many && cd many && seq -f m%05g.txt 0 65534 | xargs touch && touch n.txt && cd .. && truncate -s " + std::to_string(big) +
       " big.dat && zip -q -1 zipbig.zip big.dat && zip -q -D -r zip70k.zip many && 7z a -tzip 7z70k.zip many >/dev/null");
    EXPECT_EQ(Files("zipbig.zip", big), 1u);
    for (const char* rel : {"zip70k.zip", "7z70k.zip"}) EXPECT_EQ(Files(rel), 65536u) << rel;
    LoadRealLibrary();
    zip.AddCompLevel = 1;
    ASSERT_EQ(AddThroughComponent(root_ + "/lib70k.zip", {"many/m*"}), 65535) << zip.LastMessage;
    StubUnpacks("lib70k.zip", 65535);
    ASSERT_EQ(AddThroughComponent(root_ + "/lib70k.zip", {"many/n.txt"}), 1) << zip.LastMessage;
    ASSERT_EQ(AddThroughComponent(root_ + "/libbig.zip", {"big.dat"}), 1) << zip.LastMessage;
    for (const std::string rel : {"lib70k.zip", "libbig.zip"})
        Sh("unzip -tqq " + rel + " && 7z t " + rel + " && python3 -c \"import sys, zipfile; sys.exit(zipfile.ZipFile('" +
           rel + "').testzip() is not None)\"");
    EXPECT_EQ(Files("lib70k.zip"), 65536u);
    StubUnpacks("libbig.zip", 1);
    StubUnpacks("lib70k.zip", 65536);
}

}  // namespace
}  // namespace zk::test
