// Adding files: the command as a recording library receives it, then the
// real zip library linked in behind the fake run-time libraries, writing
// into a scratch folder the fake drive Z: shows; a new ".EXE" archive is
// checked by the stub's reader, unzip and 7z.
#include <unistd.h>

#include <filesystem>

#include "host_scratch.h"
#include "sfx_support.h"
#include "zip_fixture.h"
#include "zkzip/zkzip.h"
#include "zksfx/sfxformat.h"

namespace zk::test {
namespace {

namespace sfs = std::filesystem;
using Texts = std::vector<std::string>;

// A library that records what it is sent: spec|password|encrypt|recurse|rootDir,
// or the whole entries of the old layout.
struct Sent { int calls = 0; int32_t argCount = 0, endMark = 0; std::string archive; Texts specs; };
Sent g_sent;
int32_t g_version = 160, g_result = 0;

int32_t ZK_STDCALL RecordingVersion() { return g_version; }
int32_t ZK_STDCALL RecordingExec(ZipCommand* c) {
    auto text = [](const char* s) { return s ? std::string(s) : std::string("null"); };
    ++g_sent.calls, g_sent.argCount = c->argCount, g_sent.archive = text(c->archiveName);
    if (g_version < ZK_NEW_LAYOUT_VERSION) {
        auto* old = reinterpret_cast<ZipCommandOld*>(c);
        g_sent.endMark = old->endMark;
        for (int i = 0; i <= old->argCount; ++i) g_sent.specs.push_back(text(old->fileSpecs[i]));
        return g_result;
    }
    g_sent.endMark = c->endMark;
    for (const ZipFileSpec& s : std::vector<ZipFileSpec>(c->fileSpecs, c->fileSpecs + c->argCount))
        g_sent.specs.push_back(text(s.fileSpec) + "|" + text(s.password) + "|" + std::to_string(s.encrypt) + "|" +
                               std::to_string(s.recurse) + "|" + text(s.rootDir));
    return g_result;
}

class AddFilesCommand : public ZipFixture {
protected:
    AddFilesCommand() {
        g_sent = {}, g_version = 160, g_result = 0;
        zip.Unattended = true;
        fake.dynlib.Add("ZKZIP.DLL", {{"ZkZipExec", reinterpret_cast<void*>(&RecordingExec)},
                                      {"GetZkZipVersion", reinterpret_cast<void*>(&RecordingVersion)}});
        zip.SetZipFileName("C:\\ZIP\\GAME.ZIP");
        messages.clear(), dirUpdates = 0;
    }
    bool Add(Texts specs) { return zip.FSpecArgs = std::move(specs), zip.AddFiles(); }
};

TEST_F(AddFilesCommand, EntrySyntaxBecomesTheFileSpecifications) {
    zip.SetPassword("allgemein"), zip.SetRootDir("C:\\SPIELE");
    zip.AddOptions = {AddEncrypt};
    Add({">C:\\DATA\\*.TXT", "|C:\\DATA\\*.TXT", "C:\\A.TXT<geheim", "C:\\A.TXT<", "B.TXT", ">C:\\B.TXT<x<y", "|"});
    ASSERT_EQ(g_sent.calls, 1);
    EXPECT_EQ(std::tuple(g_sent.argCount, g_sent.endMark), std::tuple(7, 7));
    EXPECT_EQ(g_sent.archive, "C:\\ZIP\\GAME.ZIP");
    EXPECT_EQ(g_sent.specs, (Texts{"C:\\DATA\\*.TXT|allgemein|-1|65535|C:\\SPIELE\\",
                                   "C:\\DATA\\*.TXT|allgemein|-1|0|C:\\SPIELE\\", "C:\\A.TXT|geheim|65535|0|C:\\SPIELE\\",
                                   "C:\\A.TXT|null|0|0|C:\\SPIELE\\", "B.TXT|allgemein|-1|0|C:\\SPIELE\\",
                                   "C:\\B.TXT|x<y|65535|65535|C:\\SPIELE\\",  // the name ends at the first "<"
                                   "|allgemein|-1|0|C:\\SPIELE\\"}));
    // Consumed, not re-read (the result was 0), the library let go again.
    EXPECT_EQ(zip.FSpecArgs.size() + dirUpdates + fake.dynlib.OpenCount(), 0u);
    g_sent = {};  // recursing is the default of every entry that does not say "|"
    zip.SetPassword(""), zip.SetRootDir("");
    zip.AddOptions = {AddRecurseDirs};
    Add({"A.TXT", "|B.TXT"});
    EXPECT_EQ(g_sent.specs, (Texts{"A.TXT|null|0|65535|null", "B.TXT|null|0|0|null"}));
}

TEST_F(AddFilesCommand, OldLibrariesGetTheEntriesWholeAndNoMoreThanTheirSlots) {
    g_version = 150;
    Add({">C:\\DATA\\*.TXT", "C:\\A.TXT<geheim"});
    EXPECT_EQ(g_sent.specs, (Texts{">C:\\DATA\\*.TXT", "C:\\A.TXT<geheim", "null"}));  // the next slot stays empty
    EXPECT_EQ(std::tuple(g_sent.argCount, g_sent.endMark), std::tuple(2, 7));
    Add(Texts(ZK_OLD_SPEC_SLOTS + 1, "A.TXT"));  // would write past the record's end
    EXPECT_EQ(g_sent.calls, 1);
    EXPECT_EQ(Numbers(), std::vector<int>{10101});
    EXPECT_FALSE(zip.Busy);
}

TEST_F(AddFilesCommand, StopsBeforeTheLibrary) {
    struct Case { Texts specs; std::string archive; AddOpts options; int message; } cases[] = {
        {{}, "C:\\ZIP\\GAME.ZIP", {}, 10301}, {{"A.TXT"}, "", {}, 10102}, {{"A.TXT"}, "C:\\ZIP\\GAME.ZIP", {AddEncrypt}, 10302},
        {{"A.TXT"}, "C:\\ZIP\\GAME.ZIP", {AddDiskSpan, AddFreshen}, 10303},
        {{"A.TXT"}, "C:\\ZIP\\GAME.ZIP", {AddDiskSpanErase, AddUpdate}, 10303},
        {{"A.TXT"}, "C:\\ZIP\\game.exe", {AddDiskSpan}, 11041},
        {{"A.TXT"}, "C:\\ZIP\\GAME.ZIP", {}, 10604},  // no library: stops after its message
    };
    for (const Case& c : cases) {
        if (c.message == 10604) fake.dynlib.Remove("ZKZIP.DLL");
        messages.clear(), zip.SuccessCount = 5, zip.AddOptions = c.options;
        zip.SetZipFileName(c.archive);
        EXPECT_FALSE(Add(c.specs)) << c.message;
        EXPECT_EQ(Numbers(), std::vector<int>{c.message});
        EXPECT_EQ(zip.SuccessCount, 0) << c.message;
        EXPECT_EQ(zip.FSpecArgs, c.specs) << c.message;  // left for another try
    }
    EXPECT_FALSE(zip.Busy);
    EXPECT_EQ(g_sent.calls, 0);
}

// The answer of AddFiles: the library's count, and no error on the way,
// the directory read afterwards included; an earlier call's does not count.
TEST_F(AddFilesCommand, TellsWhetherEverythingWentIn) {
    const std::string endRecordOnly = std::string("PK\x05\x06", 4) + std::string(18, '\0');
    struct Case { int32_t result; std::string archive; bool added; } cases[] = {
        {0, "", false}, {1, "kein Archiv", false}, {2, endRecordOnly, true}};
    for (const Case& c : cases) {
        fake.files.RemoveFile("C:\\ZIP\\GAME.ZIP"), zip.SetZipFileName("C:\\ZIP\\GAME.ZIP");
        fake.files.AddFile("C:\\ZIP\\GAME.ZIP", c.archive), g_result = c.result;  // as the library leaves it
        EXPECT_EQ(Add({"A.TXT"}), c.added) << c.result;
        EXPECT_EQ(zip.ErrorCode != 0, c.result > 0 && !c.added) << zip.LastMessage;
    }
}

// A new ".EXE" archive gets the stub first; without a stub to copy the add
// stops there. An archive that exists, or a ".ZIP", gets none.
TEST_F(AddFilesCommand, OnlyANewExeArchiveGetsTheStub) {
    const char* const kStub = "C:\\SPIELE\\ZANTORIK\\ZKSFX.BIN";  // in the program's folder
    zip.SetZipFileName("C:\\ZIP\\SETUP.EXE");
    Add({"A.TXT"});
    EXPECT_EQ(std::tuple(Numbers(), g_sent.calls, zip.FSpecArgs.size()), std::tuple(std::vector<int>{10802, 10304}, 0, 1u));
    fake.files.AddFile(kStub, "MZ stub");
    Add({"A.TXT"});
    fake.files.AddFile(kStub, "MZ neu!");
    Add({"A.TXT"});
    EXPECT_EQ(std::tuple(g_sent.calls, fake.files.Content("C:\\ZIP\\SETUP.EXE").substr(0, 7)), std::tuple(2, "MZ stub"));
    zip.SetZipFileName("C:\\ZIP\\GAME.ZIP");
    zip.library.LoadZipLibrary();  // loaded before: it stays loaded
    Add({"A.TXT"});
    EXPECT_EQ(std::tuple(g_sent.calls, fake.files.Exists("C:\\ZIP\\GAME.ZIP")), std::tuple(3, false));
    EXPECT_NE(ZipLibrary::ZipLibraryHandle(), 0u);
}

class AddFilesReal : public ZipFixture, public HostScratch {
protected:
    AddFilesReal() : HostScratch("zkadd") {
        oldCwd_ = sfs::current_path().string();
        sfs::current_path(root_);
        fake.files.Drive('Z').hostFolder = root_;
        EXPECT_TRUE(fake.files.SetCurrentDir("Z:\\"));
        fake.dynlib.Add("ZKZIP.DLL", {{"ZkZipExec", reinterpret_cast<void*>(&::ZkZipExec)},
                                      {"GetZkZipVersion", reinterpret_cast<void*>(&::GetZkZipVersion)}});
        zip.Unattended = true;
        zip.AddOptions = {AddDirNames};
        Write("ZANTORIK.EXE", std::string(5000, 'M') + "ZANTORIK");
        Write("TEXTE/THEMA.{1}", std::string(3000, 't'));
        Write("TEXTE/THEMA.{2}", "zwei");
        zip.SetZipFileName("GAME.ZIP");  // relative: found in the current folder
        messages.clear(), dirUpdates = 0;
    }
    ~AddFilesReal() override {
        std::error_code ec;
        sfs::current_path(oldCwd_, ec);
    }
    bool Add(Texts specs) { return zip.FSpecArgs = std::move(specs), zip.AddFiles(); }
    std::string oldCwd_;
};

// A handler's error ends the add with 10101 and its text; a Cancel left
// from before is cleared at the start (else the error would be the cancel).
TEST_F(AddFilesReal, AHandlersErrorEndsTheAdd) {
    zip.Cancel = true;
    zip.OnProgress = [](TZipArchiver&, ProgressType, const std::string&, int32_t) { throw std::runtime_error("Abbruch"); };
    EXPECT_FALSE(Add({"TEXTE\\THEMA.{2}"}));
    EXPECT_EQ(zip.ErrorCode, 10101) << zip.LastMessage;
    EXPECT_NE(zip.LastMessage.find("Abbruch"), std::string::npos) << zip.LastMessage;
    EXPECT_EQ(std::tuple(zip.Busy, zip.Cancel, Exists("GAME.ZIP"), dirUpdates), std::tuple(false, false, false, 0));
}

// A second add started from a handler while the library works (its callback
// lets the window's messages through) does nothing and says nothing; the first ends whole.
TEST_F(AddFilesReal, ASecondAddWhileTheFirstRunsDoesNothing) {
    bool tried = false;
    fake.app.onProcessMessages = [&] {
        if (!zip.Busy || std::exchange(tried, true)) return;
        zip.FSpecArgs.push_back("TEXTE\\THEMA.{2}");
        EXPECT_FALSE(zip.AddFiles());
        EXPECT_EQ(std::tuple(zip.FSpecArgs.size(), zip.Busy), std::tuple(3u, true));  // nothing consumed, still busy
    };
    EXPECT_TRUE(Add({"ZANTORIK.EXE", "TEXTE\\THEMA.{1}"})) << zip.LastMessage;
    EXPECT_EQ(std::tuple(tried, zip.SuccessCount, messages.size(), zip.Contents.size()), std::tuple(true, 2, 0u, 2u));
    Sh("unzip -tq GAME.ZIP");
}

// A file the library leaves out is shown as 10306 and not counted.
TEST_F(AddFilesReal, AFileLeftOutIsReportedAndNotCounted) {
    zip.AddOptions = {}, zip.Unattended = false;
    Write("ANDERE/THEMA.{2}", "andere"), fake.dialogs.Answer(platform::mrOk);
    EXPECT_FALSE(Add({"TEXTE\\THEMA.{2}", "ANDERE\\THEMA.{2}"}));
    EXPECT_EQ(zip.SuccessCount, 1) << zip.LastMessage;
    EXPECT_EQ(zip.ErrorCode, 10306);
    ASSERT_EQ(fake.dialogs.shown.size(), 1u);
    EXPECT_EQ(fake.dialogs.shown[0].text.rfind(Missing(10306) + "\n1 file(s) not added", 0), 0u)
        << fake.dialogs.shown[0].text;
    EXPECT_NE(zip.LastMessage.find("THEMA.{2} (THEMA.{2})"), std::string::npos) << zip.LastMessage;
}

// A self-extracting archive made as the program makes one, the stub found in
// the current folder: the stub's own reader, unzip and 7z accept it.
TEST_F(AddFilesReal, NewExeArchiveIsStubSettingsAndTheFiles) {
    ASSERT_EQ(std::tuple(Have("unzip"), Have("7z")), std::tuple(true, true)) << "unzip and 7z are needed";
    const std::string stub = zksfx::test::FakeStub(6000);
    Write("ZKSFX.BIN", stub), Write("TEXTE/LEER.TXT", "");
    zip.SFXCaption = "ZANTORIK entpacken", zip.SFXDefaultDir = "C:\\SPIELE\\ZANTORIK";
    zip.SetZipFileName("SETUP.EXE");
    ASSERT_TRUE(Add({"ZANTORIK.EXE"})) << zip.LastMessage;
    EXPECT_EQ(zip.SFXPath, "Z:\\ZKSFX.BIN");
    ASSERT_TRUE(Add({"TEXTE\\THEMA.{1}", "TEXTE\\LEER.TXT"})) << zip.LastMessage;  // only added to
    ASSERT_EQ(zip.Contents.size(), 3u);
    EXPECT_EQ(zip.Contents[2].FileName, "TEXTE\\LEER.TXT");
    const std::string file = Read("SETUP.EXE");
    EXPECT_EQ(file.substr(0, stub.size()), stub);
    zksfx::MemorySource src(file);  // what the stub finds when it starts
    zksfx::Settings settings;
    uint64_t at = 0;
    std::string error;
    ASSERT_TRUE(zksfx::LocateHeader(src, src.Size(), at, settings, error)) << error;
    EXPECT_EQ(at, stub.size());
    EXPECT_EQ(settings.caption + "|" + settings.defaultDir, "ZANTORIK entpacken|C:\\SPIELE\\ZANTORIK");
    zksfx::Archive archive;
    ASSERT_TRUE(zksfx::ReadArchive(src, archive, error)) << error;
    ASSERT_EQ(archive.entries.size(), 3u);
    Sh("unzip -t SETUP.EXE && 7z t -tzip SETUP.EXE && unzip -q SETUP.EXE -d out");
    for (const char* name : {"ZANTORIK.EXE", "TEXTE/THEMA.{1}", "TEXTE/LEER.TXT"})
        EXPECT_EQ(std::tuple(Exists(std::string("out/") + name), Read(std::string("out/") + name)), std::tuple(true, Read(name))) << name;
}

}  // namespace
}  // namespace zk::test
