// The directory reader on archives that none of our code wrote: Info-ZIP's
// zip and Python's zipfile make them in the test run, and zipinfo says what
// they hold. Also the real zip library, linked in, behind the fake run-time
// libraries: the component loads it, runs a command with its own callback,
// and reads the result.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "host_scratch.h"
#include "zip_fixture.h"
#include "zkzip/zkzip.h"
#include "zksfx/sfxrun.h"

namespace zk::test {
namespace {

namespace sfs = std::filesystem;

// Bytes of Latin-1 (and of code page 1252 from 0xA0 on) as UTF-8.
std::string Latin1(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// What zipinfo -v tells about one entry.
struct InfoEntry {
    std::string name;  // as zipinfo printed it
    std::string host;
    std::string made, needed;  // "3.0"
    std::string method;
    bool encrypted = false;
    std::string modified;  // "2020 May 17 13:45:22"
    uint32_t crc = 0, packed = 0, size = 0, offset = 0;
    unsigned nameLength = 0, extraLength = 0, commentLength = 0;
    std::string comment;
};

struct Info {
    bool ok = false;
    std::string comment;
    unsigned entries = 0;
    int64_t endOffset = -1;
    std::vector<InfoEntry> list;
};

class ZipInterop : public ZipFixture, public HostScratch {
protected:
    ZipInterop() : HostScratch("zkzipdir") {
        oldCwd_ = sfs::current_path().string();
        fake.files.Drive('Z').hostFolder = root_;
        zip.Unattended = true;
        zip.UseDirOnlyEntries = true;
    }
    ~ZipInterop() override {
        std::error_code ec;
        sfs::current_path(oldCwd_, ec);
    }

    void Python(const std::string& script) {
        Write(".make.py", script);
        Sh("python3 .make.py");
    }

    Info ZipInfo(const std::string& rel) {
        Info info;
        std::string out = root_ + "/.zipinfo";
        std::system(("cd '" + root_ + "' && LC_ALL=C.UTF-8 zipinfo -v '" + rel + "' >'" + out + "' 2>&1").c_str());
        std::istringstream in(Slurp(out));
        std::vector<std::string> lines;
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        auto value = [](const std::string& line) {
            size_t colon = line.find(':');
            size_t start = line.find_first_not_of(' ', colon + 1);
            return start == std::string::npos ? std::string() : line.substr(start);
        };
        auto number = [&](const std::string& line) { return static_cast<uint32_t>(std::stoul(value(line))); };
        InfoEntry* e = nullptr;
        for (size_t i = 0; i < lines.size(); ++i) {
            const std::string& l = lines[i];
            if (l.find("zipfile comment begins") != std::string::npos) {
                std::string text;
                for (++i; i < lines.size() && lines[i].find("zipfile comment ends") == std::string::npos; ++i)
                    text += (text.empty() ? "" : "\n") + lines[i];
                info.comment = text;
            } else if (l.find("Actual end-cent-dir record offset:") != std::string::npos) {
                info.endOffset = std::stoll(value(l));
            } else if (l.find("central directory contains") != std::string::npos) {
                std::smatch m;
                if (std::regex_search(l, m, std::regex("contains (\\d+) entr"))) info.entries = std::stoul(m[1]);
            } else if (l.rfind("Central directory entry #", 0) == 0) {
                info.list.emplace_back();
                e = &info.list.back();
                e->name = lines.at(i + 3).substr(2);
                i += 3;
            } else if (!e) {
                continue;
            } else if (l.find("offset of local header") != std::string::npos) {
                e->offset = number(l);
            } else if (l.find("operating system of origin") != std::string::npos) {
                e->host = value(l);
            } else if (l.find("version of encoding software") != std::string::npos) {
                e->made = value(l);
            } else if (l.find("minimum software version required") != std::string::npos) {
                e->needed = value(l);
            } else if (l.find("compression method:") != std::string::npos) {
                e->method = value(l);
            } else if (l.find("file security status") != std::string::npos) {
                e->encrypted = value(l) == "encrypted";
            } else if (l.find("(DOS date/time)") != std::string::npos) {
                e->modified = value(l.substr(l.find(')')));
            } else if (l.find("32-bit CRC value") != std::string::npos) {
                e->crc = static_cast<uint32_t>(std::stoul(value(l.substr(l.find(')'))), nullptr, 16));
            } else if (l.find("  compressed size:") == 0) {
                e->packed = number(l);
            } else if (l.find("  uncompressed size:") == 0) {
                e->size = number(l);
            } else if (l.find("length of filename") != std::string::npos) {
                e->nameLength = number(l);
            } else if (l.find("length of extra field") != std::string::npos) {
                e->extraLength = number(l);
            } else if (l.find("length of file comment") != std::string::npos) {
                e->commentLength = number(l);
            } else if (l.find("file comment begins") != std::string::npos) {
                std::string text;
                for (++i; i < lines.size() && lines[i].find("file comment ends") == std::string::npos; ++i)
                    text += (text.empty() ? "" : "\n") + lines[i];
                e->comment = text;
            }
        }
        info.ok = info.entries == info.list.size();
        return info;
    }

    static std::string Host(uint8_t host) {
        switch (host) {
            case 0: return "MS-DOS, OS/2 or NT FAT";
            case 3: return "Unix";
            case 11: return "NTFS";
        }
        return "?";
    }
    static std::string Version(unsigned v) { return std::to_string(v / 10) + "." + std::to_string(v % 10); }
    static std::string Method(uint16_t m) { return m == 0 ? "none (stored)" : m == 8 ? "deflated" : "?"; }
    static std::string Dos(uint32_t dt) {
        static const char* months[] = {"?", "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec", "?", "?", "?"};
        unsigned date = dt >> 16, time = dt & 0xFFFF;
        char buf[64];
        std::snprintf(buf, sizeof buf, "%u %s %u %02u:%02u:%02u", 1980 + (date >> 9), months[(date >> 5) & 15],
                      date & 31, time >> 11, (time >> 5) & 63, (time & 31) * 2);
        return buf;
    }
    // The name zipinfo shows, as the component must give it: zipinfo turns
    // MS-DOS names into Latin-1 and prints others as they are stored; the
    // component takes those as the ANSI code page unless they are UTF-8
    // (flagged, or multi-byte UTF-8 from Unix).
    static std::string Expected(const std::string& shown, const ZipDirEntry& e) {
        const bool unixUtf8 = e.HostVersionNo == 3 && zipformat::IsUtf8(shown) && shown != Latin1(shown);
        std::string name = (e.Flag & 0x800) || unixUtf8 ? shown : Latin1(shown);
        std::replace(name.begin(), name.end(), '/', '\\');
        return name;
    }

    // Reads the archive with the component and holds it against zipinfo.
    void Check(const std::string& rel, bool offsetsAsRecorded = true) {
        SCOPED_TRACE(rel);
        Info info = ZipInfo(rel);
        ASSERT_TRUE(info.ok) << "zipinfo could not be read";
        messages.clear();
        zip.SetZipFileName("Z:\\" + rel);
        ASSERT_FALSE(zip.ZipFileName().empty()) << zip.LastMessage;
        EXPECT_EQ(zip.ArchiveComment, info.comment);
        EXPECT_EQ(zip.EndRecordPosition(), info.endOffset);
        ASSERT_EQ(zip.Contents.size(), info.list.size());
        for (size_t i = 0; i < info.list.size(); ++i) {
            const InfoEntry& want = info.list[i];
            const ZipDirEntry& got = zip.Contents[i];
            SCOPED_TRACE(want.name);
            EXPECT_EQ(got.FileName, Expected(want.name, got));
            EXPECT_EQ(Host(got.HostVersionNo), want.host);
            EXPECT_EQ(Version(got.MadeByVersion), want.made);
            EXPECT_EQ(Version(got.Version), want.needed);
            EXPECT_EQ(Method(got.ComprMethod), want.method);
            EXPECT_EQ(got.Encrypted, want.encrypted);
            EXPECT_EQ(Dos(got.DateTime), want.modified);
            EXPECT_EQ(got.CRC32, want.crc);
            EXPECT_EQ(got.ComprSize, want.packed);
            EXPECT_EQ(got.UncomprSize, want.size);
            EXPECT_EQ(got.FileNameLength, want.nameLength);
            EXPECT_EQ(got.ExtraFieldLength, want.extraLength);
            EXPECT_EQ(got.FileCommentLen, want.commentLength);
            EXPECT_EQ(got.ExtraData.size(), got.ExtraFieldLength ? got.ExtraFieldLength + 1u : 0u);
            if (want.commentLength) {
                EXPECT_EQ(got.FileComment, Expected(want.comment, got));
            }
            if (offsetsAsRecorded) {
                EXPECT_EQ(got.RelOffLocalHdr, want.offset);
            }
        }
    }

    // The files the archives are made of.
    void Game() {
        Write("game/ZANTORIK.EXE", std::string(5000, 'M') + "ZANTORIK");
        std::string text;
        for (int i = 0; i < 400; ++i) text += "Zeile " + std::to_string(i) + " des Themas\n";
        Write("game/TEXTE/THEMA.{1}", text);
        std::string noise;
        uint32_t x = 12345;
        for (int i = 0; i < 20000; ++i) noise += static_cast<char>((x = x * 1103515245 + 12345) >> 24);
        Write("game/GRAFIK/LOGO.GIF", noise);
        Write("game/LEER.DAT", "");
        Write("game/gr\xC3\xBCn \xC3\xA9t\xC3\xA9.txt", "umlauts");  // UTF-8 on the disk, stored as such by zip
        sfs::create_directories(sfs::path(root_) / "game/SPIELE");
    }

    std::string oldCwd_;
};

TEST_F(ZipInterop, ArchivesOfInfoZip) {
    if (!Have("zip") || !Have("zipinfo")) GTEST_SKIP() << "zip or zipinfo is not installed";
    Game();
    Write(".comment", "Zantorik Spielarchiv\nzweite Zeile\n");
    Sh("zip -q -r -n .gif a.zip game -z < .comment");
    Sh("zip -q -0 -r b.zip game");
    Sh("zip -q -D -r -9 c.zip game");
    Sh("zip -q -r -X d.zip game/TEXTE");
    for (const char* name : {"a.zip", "b.zip", "c.zip", "d.zip"}) Check(name);
    EXPECT_EQ(zip.DataOffset, 0);

    // The stored and the deflated entries are there, folders too.
    zip.SetZipFileName("Z:\\a.zip");
    std::map<std::string, uint16_t> method;
    for (const ZipDirEntry& e : zip.Contents) method[e.FileName] = e.ComprMethod;
    EXPECT_EQ(method["game\\GRAFIK\\LOGO.GIF"], 0);
    EXPECT_EQ(method["game\\TEXTE\\THEMA.{1}"], 8);
    EXPECT_TRUE(method.count("game\\SPIELE\\"));
    EXPECT_TRUE(method.count("game\\grün été.txt"));  // UTF-8 from Unix, without the flag
    // Without folder entries when not asked for.
    zip.UseDirOnlyEntries = false;
    zip.SetZipFileName("Z:\\a.zip");
    EXPECT_EQ(zip.DirOnlyCount, 4);
    EXPECT_EQ(zip.Contents.size(), 5u);
}

TEST_F(ZipInterop, SelfExtractorStubsInFront) {
    if (!Have("zip") || !Have("zipinfo")) GTEST_SKIP() << "zip or zipinfo is not installed";
    Game();
    Sh("zip -q -r a.zip game");
    Write("stub.bin", std::string(20000, '\x90'));
    Sh("cat stub.bin a.zip > raw.zip && cat stub.bin a.zip > sfx.zip && zip -q -A sfx.zip");
    // Adjusted by zip -A: the offsets count the stub.
    Check("sfx.zip");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(zip.DataOffset, 20000);
    // Not adjusted: the offsets are off by the stub, which the read says.
    Check("raw.zip", false);
    EXPECT_EQ(Numbers(), std::vector<int>{10203});
    EXPECT_EQ(zip.DataOffset, 20000);
}

TEST_F(ZipInterop, ArchivesOfPythonsZipfile) {
    if (!Have("python3") || !Have("zipinfo")) GTEST_SKIP() << "python3 or zipinfo is not installed";
    Python(R"PY(
import zipfile

class Dos(zipfile.ZipInfo):
    # Names in the DOS code page without the UTF-8 flag, as old Windows tools wrote them.
    def _encodeFilenameFlags(self):
        return self.filename.encode('cp437'), self.flag_bits

def entry(name, data, method, comment=b'', cls=zipfile.ZipInfo, host=None):
    zi = cls(name, (2021, 11, 3, 18, 30, 44))
    zi.compress_type = method
    zi.comment = comment
    if host is not None:
        zi.create_system = host
    return zi, data

text = b''.join(b'Zeile %d\n' % i for i in range(3000))
with zipfile.ZipFile('py.zip', 'w') as z:
    for zi, data in [
        entry('SPIEL/', b'', zipfile.ZIP_STORED),
        entry('SPIEL/THEMA.TXT', text, zipfile.ZIP_DEFLATED, b'das Thema'),
        entry('SPIEL/ROH.BIN', bytes(range(256)) * 8, zipfile.ZIP_STORED),
        entry('LEER', b'', zipfile.ZIP_DEFLATED),
    ]:
        z.writestr(zi, data)
    z.comment = b'von Python'

with zipfile.ZipFile('dos.zip', 'w') as z:
    for zi, data in [
        entry('\u00dcBER\u00fc.TXT', b'abc', zipfile.ZIP_STORED, b'', Dos, 0),
        entry('M\u00c4RCHEN/K\u00f6nig.txt', text, zipfile.ZIP_DEFLATED, 'Gr\u00fc\u00dfe'.encode('cp437'), Dos, 0),
    ]:
        z.writestr(zi, data)

with zipfile.ZipFile('utf8.zip', 'w') as z:
    for zi, data in [
        entry('gr\u00fcn/\u20ac uro.txt', b'euro', zipfile.ZIP_DEFLATED),
        entry('\u65e5\u672c.txt', b'nihon', zipfile.ZIP_STORED),
        entry('plain.txt', b'plain', zipfile.ZIP_STORED),
    ]:
        z.writestr(zi, data)

with zipfile.ZipFile('empty.zip', 'w') as z:
    pass

with zipfile.ZipFile('long.zip', 'w') as z:
    z.writestr('a.txt', b'a')
    z.comment = b'K' * 3000
)PY");
    for (const char* name : {"py.zip", "dos.zip", "utf8.zip", "long.zip"}) Check(name);

    zip.SetZipFileName("Z:\\dos.zip");
    ASSERT_EQ(zip.Contents.size(), 2u);
    EXPECT_EQ(zip.Contents[0].FileName, "ÜBERü.TXT");
    EXPECT_EQ(zip.Contents[1].FileName, "MÄRCHEN\\König.txt");
    EXPECT_EQ(zip.Contents[1].FileComment, "Grüße");
    zip.SetZipFileName("Z:\\utf8.zip");
    ASSERT_EQ(zip.Contents.size(), 3u);
    EXPECT_EQ(zip.Contents[0].FileName, "grün\\€ uro.txt");
    EXPECT_EQ(zip.Contents[1].FileName, "日本.txt");

    zip.SetZipFileName("Z:\\empty.zip");
    EXPECT_FALSE(zip.ZipFileName().empty());
    EXPECT_TRUE(zip.Contents.empty());
    EXPECT_EQ(zip.DataOffset, 0);
    EXPECT_EQ(zip.ArchiveFileSize(), 22);
}

// The fake's code pages hold what Python's codecs hold (code page 1252 with
// the five free bytes as Windows maps them).
TEST_F(ZipInterop, TheFakeCodePagesAreThePlatformsOnes) {
    if (!Have("python3")) GTEST_SKIP() << "python3 is not installed";
    Python(R"PY(
for cp in ('cp437', 'cp1252'):
    out = []
    for b in range(256):
        try:
            out.append(bytes([b]).decode(cp))
        except UnicodeDecodeError:
            out.append(chr(b))
    open(cp + '.txt', 'wb').write(''.join(out).encode('utf-8'))
)PY");
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    for (unsigned cp : {437u, 1252u}) {
        std::string expected = Slurp(root_ + "/cp" + std::to_string(cp) + ".txt");
        EXPECT_EQ(fake.codePages.ToUtf8(all, cp), expected) << cp;
        EXPECT_EQ(fake.codePages.FromUtf8(expected, cp), all) << cp;
    }
    EXPECT_EQ(fake.codePages.FromUtf8("€ und 日本", 437), "? und ??");
}

// ---- the real library, linked in ----

class ZipWithLibrary : public ZipInterop {
protected:
    ZipWithLibrary() {
        fake.dynlib.Add("ZKZIP.DLL", {{"ZkZipExec", reinterpret_cast<void*>(&::ZkZipExec)},
                                      {"GetZkZipVersion", reinterpret_cast<void*>(&::GetZkZipVersion)}});
    }
    // A command as the add operation will make it: the component's fields,
    // one file specification per entry.
    int32_t Run(const std::string& archive, const std::vector<std::string>& files) {
        ZipCommandBlock block(false);
        zip.FillCommand(block, archive, zip.GetZkZipVersion());
        for (const std::string& f : files) {
            ZipFileSpec spec{};
            spec.fileSpec = block.Copy(f);
            spec.encrypt = block.New().encrypt;
            block.specs.push_back(spec);
        }
        block.New().fileSpecs = block.specs.data();
        block.New().argCount = static_cast<int32_t>(files.size());
        block.New().endMark = ZK_END_MARK;
        return TZipArchiver::ZkZipExecEntry()(block.Record());
    }
};

TEST_F(ZipWithLibrary, TheComponentDrivesTheLibraryAndReadsWhatItWrote) {
    if (!Have("zipinfo")) GTEST_SKIP() << "zipinfo is not installed";
    Game();
    EXPECT_EQ(zip.GetZkZipVersion(), 160);
    EXPECT_EQ(TZipArchiver::ZipLibraryHandle(), 0u);  // let go again

    std::vector<std::pair<ProgressType, std::string>> progress;
    zip.OnProgress = [&](TZipArchiver&, ProgressType t, const std::string& name, int32_t) {
        progress.push_back({t, name});
    };
    zip.LoadZipLibrary();
    ASSERT_NE(TZipArchiver::ZkZipExecEntry(), nullptr);
    zip.AddOptions = {AddDirNames};
    ASSERT_EQ(chdir(root_.c_str()), 0);
    int32_t added = Run(root_ + "/lib.zip", {"game/TEXTE/THEMA.{1}", "game/ZANTORIK.EXE", "game/GRAFIK/LOGO.GIF"});
    EXPECT_EQ(added, 3) << zip.LastMessage;
    EXPECT_GT(fake.app.messagesProcessed, 0);
    bool sawStart = false, sawTotal = false;
    for (const auto& [type, name] : progress) {
        sawStart |= type == ProgressFileStart && name == "game\\TEXTE\\THEMA.{1}";
        sawTotal |= type == ProgressTotal;
    }
    EXPECT_TRUE(sawStart);
    EXPECT_TRUE(sawTotal);
    Check("lib.zip");
    EXPECT_EQ(zip.Contents.size(), 3u);

    // Cancelled at the first callback, nothing is added.
    zip.Cancel = true;
    EXPECT_LE(Run(root_ + "/cancelled.zip", {"game/LEER.DAT"}), 0);
    zip.Cancel = false;
    TZipArchiver::UnloadZipLibrary();
    EXPECT_EQ(fake.dynlib.OpenCount(), 0u);
}

// ---- zip64: archives past 65,535 entries or 4 GiB, both ways ----

// A host file for the stub's reader, read where it lies.
class HostSource : public zksfx::Source {
public:
    explicit HostSource(const std::string& path) : fd_(open(path.c_str(), O_RDONLY)) {}
    ~HostSource() override { close(fd_); }
    uint64_t Size() const override { return static_cast<uint64_t>(lseek(fd_, 0, SEEK_END)); }
    bool ReadAt(uint64_t pos, void* buf, size_t n) override {
        return pread(fd_, buf, n, static_cast<off_t>(pos)) == static_cast<ssize_t>(n);
    }

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

class Zip64Interop : public ZipWithLibrary {
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
    // Info-ZIP, 7-Zip and Python test the archive.
    void ToolsAccept(const std::string& rel) {
        SCOPED_TRACE(rel);
        Sh("unzip -tqq " + rel);
        Sh("7z t " + rel);
        Sh("python3 -c \"import sys, zipfile; sys.exit(zipfile.ZipFile('" + rel + "').testzip() is not None)\"");
    }
};

// Run once, as it is slow: one sparse file over 4 GiB and 70,000 small
// files, zipped by the common tools for the component and by the library
// for the tools and the stub.
TEST_F(Zip64Interop, OtherToolsArchivesReadAndTheLibrarysTested) {
    for (const char* tool : {"zip", "unzip", "7z", "python3"})
        if (!Have(tool)) GTEST_SKIP() << tool << " is not installed";
    Python(R"PY(
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
    Sh("zip -q -1 zipbig.zip big.dat && zip -q -D -r zip70k.zip many more");
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
    ASSERT_EQ(chdir(root_.c_str()), 0);
    zip.LoadZipLibrary();
    zip.AddOptions = {AddDirNames};
    zip.AddCompLevel = 1;
    ASSERT_EQ(Run(root_ + "/lib70k.zip", {"many/*"}), int32_t(kMany)) << zip.LastMessage;
    EXPECT_EQ(Files("lib70k.zip").size(), kMany);
    StubUnpacks("lib70k.zip", kMany);
    ASSERT_EQ(Run(root_ + "/lib70k.zip", {"more/*"}), int32_t(kMore)) << zip.LastMessage;
    ASSERT_EQ(Run(root_ + "/libbig.zip", {"big.dat"}), 1) << zip.LastMessage;
    ASSERT_EQ(Run(root_ + "/pipe.zip", {"many/m00001.txt"}), 1) << zip.LastMessage;
    for (const char* rel : {"lib70k.zip", "libbig.zip", "pipe.zip"}) ToolsAccept(rel);
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
