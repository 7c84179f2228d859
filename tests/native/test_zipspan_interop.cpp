// A disk set checked by tools that share none of our code: Info-ZIP's zip
// makes the archive, the component spreads it over fake floppies, and the
// parts, named as Info-ZIP names a split archive, are joined by zip -s 0 and
// tested and unpacked by unzip; 7z reads the set as it lies, too.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host_scratch.h"
#include "span_support.h"
#include "zip_fixture.h"

namespace zk::test {
namespace {

namespace sfs = std::filesystem;

class SpanInterop : public ZipFixture, public HostScratch {
protected:
    SpanInterop() : HostScratch("zkspan") {
        fake.files.AddDir("C:\\TMP");
        fake.files.logIo = false;
    }
};

TEST_F(SpanInterop, PartsJoinAndTestWithInfoZip) {
    if (!Have("zip") || !Have("unzip")) GTEST_SKIP() << "Info-ZIP zip/unzip missing";
    // Some data that does not compress, some that does, a folder, an empty file.
    std::string noise(2500000, '\0');
    uint32_t seed = 7;
    for (char& c : noise) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 16);
    }
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "Zeile " + std::to_string(i) + " des Spiels\n";
    Write("in/ZANTORIK.EXE", noise);
    Write("in/TEXTE/THEMA.TXT", text);
    Write("in/LEER.DAT", "");
    Sh("cd in && zip -q -r ../src.zip ZANTORIK.EXE TEXTE LEER.DAT");
    fake.files.AddFile("C:\\TMP\\SRC.ZIP", Slurp(root_ + "/src.zip"));

    const uint64_t floppy = 1457664;
    int disks = 0;
    fake.files.Drive('A').type = platform::DriveType::Removable;
    fake.files.EjectDisk('A');  // the drive is empty at first
    zip.OnGetNextDisk = [&](TZipArchiver&, int32_t disk, int32_t, const std::string&, bool&) {
        std::string name = "d" + std::to_string(disk);
        if (disk > disks) fake.files.NewDisk(name, floppy), disks = disk;
        fake.files.InsertDisk('A', name);
    };
    ASSERT_EQ(zip.WriteSpannedArchive("C:\\TMP\\SRC.ZIP", "A:\\X.ZIP"), 0) << zip.LastMessage;
    ASSERT_GE(disks, 2);
    std::vector<std::string> parts;
    for (int i = 1; i <= disks; ++i) parts.push_back(fake.files.DiskFile("d" + std::to_string(i), "\\X.ZIP"));
    ASSERT_EQ(ViewSet(parts).error, "");

    // x.z01, x.z02, ..., the last one x.zip.
    sfs::create_directories(root_ + "/set");
    for (int i = 1; i <= disks; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, i == disks ? "x.zip" : "x.z%02d", i);
        std::ofstream(root_ + "/set/" + name, std::ios::binary) << parts[i - 1];
    }
    Sh("cd set && zip -s 0 x.zip --out ../joined.zip");
    Sh("unzip -t joined.zip");
    Sh("unzip -q joined.zip -d out");
    EXPECT_TRUE(Slurp(root_ + "/out/ZANTORIK.EXE") == noise);
    EXPECT_TRUE(Slurp(root_ + "/out/TEXTE/THEMA.TXT") == text);
    EXPECT_TRUE(sfs::exists(root_ + "/out/LEER.DAT"));
    EXPECT_EQ(sfs::file_size(root_ + "/out/LEER.DAT"), 0u);

    // 7-Zip reads the split set directly.
    if (Have("7z")) {
        Sh("cd set && 7z t x.zip");
    }
}

}  // namespace
}  // namespace zk::test
