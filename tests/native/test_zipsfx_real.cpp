// A self-extracting archive made the way the program makes one: AddFiles to
// a new ".EXE" with the real zip library linked in, the stub found in the
// current folder. The stub's own reader, unzip and 7z must accept it, and
// unzip must give every file back byte for byte.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "sfx_support.h"
#include "host_scratch.h"
#include "zip_fixture.h"
#include "zkzip/zkzip.h"
#include "zksfx/sfxformat.h"

namespace zk::test {
namespace {

namespace sfs = std::filesystem;

class SfxReal : public ZipFixture, public HostScratch {
protected:
    SfxReal() : HostScratch("zksfx") {
        oldCwd_ = sfs::current_path().string();
        sfs::current_path(root_);
        fake.files.Drive('Z').hostFolder = root_;
        EXPECT_TRUE(fake.files.SetCurrentDir("Z:\\"));
        zip.Unattended = true;
        zip.AddOptions = {AddDirNames};
        fake.dynlib.Add("ZKZIP.DLL", {{"ZkZipExec", reinterpret_cast<void*>(&::ZkZipExec)},
                                      {"GetZkZipVersion", reinterpret_cast<void*>(&::GetZkZipVersion)}});
        stub_ = zksfx::test::FakeStub(6000);
        Write("ZKSFX.BIN", stub_);
        Write("ZANTORIK.EXE", zksfx::test::RandomBytes(70000, 7));
        std::string text;
        for (int i = 0; i < 2000; ++i) text += "Zeile " + std::to_string(i) + " des Themas\r\n";
        Write("TEXTE/THEMA.{1}", text);
        Write("TEXTE/LEER.TXT", "");
    }
    ~SfxReal() override {
        std::error_code ec;
        sfs::current_path(oldCwd_, ec);
    }
    // Exit code of a shell command run in the scratch folder; its output in `out`.
    int Run(const std::string& command, std::string& out) {
        const std::string log = root_ + "/tool.log";
        int rc = std::system(("cd '" + root_ + "' && LC_ALL=C.UTF-8 " + command + " </dev/null >'" + log +
                              "' 2>&1").c_str());
        out = Read("tool.log");
        return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    }

    std::string oldCwd_, stub_;
};

TEST_F(SfxReal, NewExeArchiveIsStubSettingsAndTheFiles) {
    zip.SFXCaption = "ZANTORIK entpacken";
    zip.SFXDefaultDir = "C:\\SPIELE\\ZANTORIK";
    zip.SetZipFileName("SETUP.EXE");
    zip.FSpecArgs = {"ZANTORIK.EXE"};
    zip.AddFiles();
    ASSERT_EQ(zip.SuccessCount, 1) << zip.LastMessage;
    EXPECT_EQ(zip.SFXPath, "Z:\\ZKSFX.BIN");
    // The second add finds the archive and only adds to it.
    zip.FSpecArgs = {"TEXTE\\THEMA.{1}", "TEXTE\\LEER.TXT"};
    zip.AddFiles();
    ASSERT_EQ(zip.SuccessCount, 2) << zip.LastMessage;
    ASSERT_EQ(zip.Contents.size(), 3u);
    EXPECT_EQ(zip.Contents[0].FileName, "ZANTORIK.EXE");
    EXPECT_EQ(zip.Contents[1].FileName, "TEXTE\\THEMA.{1}");

    const std::string file = Read("SETUP.EXE");
    ASSERT_GT(file.size(), stub_.size());
    EXPECT_EQ(file.substr(0, stub_.size()), stub_);

    // What the stub finds when it starts.
    zksfx::MemorySource src(file);
    zksfx::Settings settings;
    uint64_t at = 0;
    std::string error;
    ASSERT_TRUE(zksfx::LocateHeader(src, src.Size(), at, settings, error)) << error;
    EXPECT_EQ(at, stub_.size());
    EXPECT_EQ(settings.caption, "ZANTORIK entpacken");
    EXPECT_EQ(settings.defaultDir, "C:\\SPIELE\\ZANTORIK");
    zksfx::Archive archive;
    ASSERT_TRUE(zksfx::ReadArchive(src, archive, error)) << error;
    ASSERT_EQ(archive.entries.size(), 3u);
    EXPECT_EQ(archive.entries[2].name, "TEXTE/LEER.TXT");

    std::string out;
    if (!Have("unzip") || !Have("7z")) GTEST_SKIP() << "unzip or 7z is not installed";
    EXPECT_EQ(Run("unzip -t SETUP.EXE", out), 0) << out;
    EXPECT_NE(out.find("No errors detected in compressed data"), std::string::npos) << out;
    EXPECT_EQ(Run("7z t -tzip SETUP.EXE", out), 0) << out;
    EXPECT_NE(out.find("Everything is Ok"), std::string::npos) << out;
    ASSERT_EQ(Run("unzip -q SETUP.EXE -d out", out), 0) << out;
    for (const char* name : {"ZANTORIK.EXE", "TEXTE/THEMA.{1}", "TEXTE/LEER.TXT"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(sfs::exists(sfs::path(root_) / "out" / name));
        EXPECT_TRUE(Read(std::string("out/") + name) == Read(name)) << "differs";
    }
}

TEST_F(SfxReal, FailedStubLeavesNoArchiveAndCallsNoLibrary) {
    zip.SFXMessage = std::string(300, 'x');
    zip.SetZipFileName("SETUP.EXE");
    zip.FSpecArgs = {"ZANTORIK.EXE"};
    zip.AddFiles();
    EXPECT_EQ(zip.SuccessCount, 0);
    EXPECT_EQ(Numbers(), (std::vector<int>{10801, 10304}));
    EXPECT_FALSE(sfs::exists(sfs::path(root_) / "SETUP.EXE"));
    EXPECT_TRUE(fake.dynlib.loads.empty());
}

}  // namespace
}  // namespace zk::test
