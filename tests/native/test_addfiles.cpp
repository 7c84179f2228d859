// Adding files: the component's command as a recording library receives it,
// then the real zip library linked in behind the fake run-time libraries,
// writing into a scratch folder that the fake drive Z: shows; a new ".EXE"
// archive from it is checked by the stub's reader, unzip and 7z.
#include <unistd.h>

#include <filesystem>

#include "host_scratch.h"
#include "sfx_support.h"
#include "zip_fixture.h"
#include "zkzip/zkfs.h"
#include "zkzip/zkzip.h"
#include "zksfx/sfxformat.h"

namespace zk::test {
namespace {

namespace sfs = std::filesystem;
using Texts = std::vector<std::string>;

// ---- a library that only records what it was sent ----

struct Sent {
    int calls = 0;
    int32_t argCount = 0, endMark = 0;
    std::string archive;
    Texts specs;  // spec|password|encrypt|recurse|rootDir, or whole entries of the old layout
};
Sent g_sent;
int32_t g_version = 160, g_result = 0;

int32_t ZK_STDCALL RecordingVersion() { return g_version; }
int32_t ZK_STDCALL RecordingExec(ZipCommand* c) {
    ++g_sent.calls;
    g_sent.argCount = c->argCount;
    g_sent.archive = c->archiveName ? c->archiveName : "";
    auto text = [](const char* s) { return s ? std::string(s) : std::string("null"); };
    if (g_version < ZK_NEW_LAYOUT_VERSION) {
        auto* old = reinterpret_cast<ZipCommandOld*>(c);
        g_sent.endMark = old->endMark;
        for (int i = 0; i <= old->argCount; ++i) g_sent.specs.push_back(text(old->fileSpecs[i]));
        return g_result;
    }
    g_sent.endMark = c->endMark;
    for (int i = 0; i < c->argCount; ++i) {
        const ZipFileSpec& s = c->fileSpecs[i];
        g_sent.specs.push_back(text(s.fileSpec) + "|" + text(s.password) + "|" + std::to_string(s.encrypt) + "|" +
                               std::to_string(s.recurse) + "|" + text(s.rootDir));
    }
    return g_result;
}

class AddFilesCommand : public ZipFixture {
protected:
    AddFilesCommand() {
        g_sent = {};
        g_version = 160;
        g_result = 0;
        zip.Unattended = true;
        fake.dynlib.Add("ZKZIP.DLL", {{"ZkZipExec", reinterpret_cast<void*>(&RecordingExec)},
                                      {"GetZkZipVersion", reinterpret_cast<void*>(&RecordingVersion)}});
        zip.SetZipFileName("C:\\ZIP\\GAME.ZIP");
        messages.clear();
        dirUpdates = 0;
    }
};

TEST_F(AddFilesCommand, EntrySyntaxBecomesTheFileSpecifications) {
    zip.SetPassword("allgemein");
    zip.AddOptions = {AddEncrypt};
    zip.SetRootDir("C:\\SPIELE");
    zip.FSpecArgs = {">C:\\DATA\\*.TXT", "|C:\\DATA\\*.TXT", "C:\\A.TXT<geheim", "C:\\A.TXT<", "B.TXT",
                     ">C:\\B.TXT<x<y", "|"};
    zip.AddFiles();
    ASSERT_EQ(g_sent.calls, 1);
    EXPECT_EQ(g_sent.argCount, 7);
    EXPECT_EQ(g_sent.endMark, 7);
    EXPECT_EQ(g_sent.archive, "C:\\ZIP\\GAME.ZIP");
    EXPECT_EQ(g_sent.specs, (Texts{"C:\\DATA\\*.TXT|allgemein|-1|65535|C:\\SPIELE\\",
                                   "C:\\DATA\\*.TXT|allgemein|-1|0|C:\\SPIELE\\", "C:\\A.TXT|geheim|65535|0|C:\\SPIELE\\",
                                   "C:\\A.TXT|null|0|0|C:\\SPIELE\\", "B.TXT|allgemein|-1|0|C:\\SPIELE\\",
                                   "C:\\B.TXT|x<y|65535|65535|C:\\SPIELE\\",  // the name ends at the first "<"
                                   "|allgemein|-1|0|C:\\SPIELE\\"}));
    // Consumed, not re-read (the result was 0), the library let go again.
    EXPECT_TRUE(zip.FSpecArgs.empty());
    EXPECT_EQ(dirUpdates, 0);
    EXPECT_EQ(fake.dynlib.OpenCount(), 0u);

    g_sent = {};  // recursing is the default of every entry that does not say "|"
    zip.SetPassword("");
    zip.SetRootDir("");
    zip.AddOptions = {AddRecurseDirs};
    zip.FSpecArgs = {"A.TXT", "|B.TXT"};
    zip.AddFiles();
    EXPECT_EQ(g_sent.specs, (Texts{"A.TXT|null|0|65535|null", "B.TXT|null|0|0|null"}));
}

TEST_F(AddFilesCommand, OldLibrariesGetTheEntriesWholeAndNoMoreThanTheirSlots) {
    g_version = 150;
    zip.FSpecArgs = {">C:\\DATA\\*.TXT", "C:\\A.TXT<geheim"};
    zip.AddFiles();
    EXPECT_EQ(g_sent.specs, (Texts{">C:\\DATA\\*.TXT", "C:\\A.TXT<geheim", "null"}));  // the next slot stays empty
    EXPECT_EQ(g_sent.argCount, 2);
    EXPECT_EQ(g_sent.endMark, 7);
    EXPECT_TRUE(zip.FSpecArgs.empty());
    zip.FSpecArgs.assign(ZK_OLD_SPEC_SLOTS + 1, "A.TXT");  // would write past the record's end
    zip.AddFiles();
    EXPECT_EQ(g_sent.calls, 1);
    EXPECT_EQ(Numbers(), std::vector<int>{10101});
    EXPECT_FALSE(zip.Busy);
}

TEST_F(AddFilesCommand, TemporaryNames) {
    fake.files.AddDir("C:\\TEMP");
    fake.files.tempFolder = "";  // neither TempDir nor a system folder: no name
    EXPECT_EQ(zip.MakeTempName("", ""), "");
    // An empty TempDir falls back to the platform's folder, asked at each call.
    fake.files.tempFolder = "C:\\TEMP\\";
    const std::string a = zip.MakeTempName("", ""), b = zip.MakeTempName("abc", ".tmp");
    EXPECT_EQ(a.compare(0, 11, "C:\\TEMP\\zip"), 0) << a;
    EXPECT_EQ(a.substr(a.size() - 4), ".zip");
    EXPECT_FALSE(fake.files.FileExists(a));  // only the name is kept
    EXPECT_EQ(b.compare(0, 11, "C:\\TEMP\\abc"), 0) << b;
    EXPECT_EQ(b.substr(b.size() - 4), ".tmp");
    EXPECT_NE(a.substr(0, a.size() - 4), b.substr(0, b.size() - 4));
    EXPECT_EQ(zip.TempDir, "");
    zip.TempDir = "C:\\FEHLT";  // does not exist: no name, not the system folder's
    EXPECT_EQ(zip.MakeTempName("", ""), "");
    EXPECT_EQ(zip.TempDir, "C:\\FEHLT\\");
    fake.files.AddDir("D:\\ZWISCHEN");  // one that exists wins over the system folder
    zip.TempDir = "D:\\ZWISCHEN";
    EXPECT_EQ(zip.MakeTempName("", "").compare(0, 15, "D:\\ZWISCHEN\\zip"), 0);
}

TEST_F(AddFilesCommand, SpanningWritesATemporaryArchiveAndCopiesIt) {
    for (const char* tempDir : {"C:\\TMP", ""}) {  // without TempDir: the system's folder
        fake.files.AddDir("C:\\TMP");
        fake.files.AddDir("C:\\SYSTMP");
        fake.files.tempFolder = "C:\\SYSTMP\\";
        zip.TempDir = tempDir;
        zip.Verbose = true;
        zip.AddOptions = {AddDiskSpan};
        g_result = 2;
        Texts copies;
        zip.copyToDisks = [&](const std::string& source, const std::string& target) {
            copies.push_back(source + ">" + target);
            return 0;
        };
        messages.clear();
        zip.FSpecArgs = {"A.TXT"};
        zip.AddFiles();
        const std::string prefix = std::string("Temporary zipfile: ") + (*tempDir ? "C:\\TMP\\zip" : "C:\\SYSTMP\\zip");
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages[0].text.compare(0, prefix.size(), prefix), 0) << messages[0].text;
        EXPECT_EQ(messages[0].text.substr(messages[0].text.size() - 4), ".zip");
        const std::string temp = messages[0].text.substr(std::string("Temporary zipfile: ").size());
        EXPECT_EQ(g_sent.archive, temp);
        EXPECT_EQ(copies, Texts{temp + ">C:\\ZIP\\GAME.ZIP"});
        EXPECT_EQ(zip.SuccessCount, 2);
        EXPECT_FALSE(fake.files.FileExists(temp));
    }
    // Without the disk copy the add counts nothing.
    zip.copyToDisks = nullptr;
    zip.Verbose = false;
    messages.clear();
    zip.FSpecArgs = {"A.TXT"};
    zip.AddFiles();
    EXPECT_EQ(zip.SuccessCount, 0);
    EXPECT_EQ(Numbers(), std::vector<int>{10101});
}

TEST_F(AddFilesCommand, StopsBeforeTheLibrary) {
    struct Case {
        Texts specs;
        std::string archive;
        AddOpts options;
        int message;
    } cases[] = {
        {{}, "C:\\ZIP\\GAME.ZIP", {}, 10301},
        {{"A.TXT"}, "", {}, 10102},
        {{"A.TXT"}, "C:\\ZIP\\GAME.ZIP", {AddEncrypt}, 10302},
        {{"A.TXT"}, "C:\\ZIP\\GAME.ZIP", {AddDiskSpan, AddFreshen}, 10303},
        {{"A.TXT"}, "C:\\ZIP\\GAME.ZIP", {AddDiskSpanErase, AddUpdate}, 10303},
        {{"A.TXT"}, "C:\\ZIP\\game.exe", {AddDiskSpan}, 11041},
    };
    for (const Case& c : cases) {
        messages.clear();
        zip.SuccessCount = 5;
        zip.SetZipFileName(c.archive);
        zip.AddOptions = c.options;
        zip.FSpecArgs = c.specs;
        EXPECT_FALSE(zip.AddFiles()) << c.message;
        EXPECT_EQ(Numbers(), std::vector<int>{c.message}) << c.message;
        EXPECT_EQ(zip.SuccessCount, 0) << c.message;
        EXPECT_EQ(zip.FSpecArgs, c.specs) << c.message;  // left for another try
    }
    fake.dynlib.Remove("ZKZIP.DLL");  // no library: stops after its message
    messages.clear();
    zip.AddOptions = {};
    zip.SetZipFileName("C:\\ZIP\\GAME.ZIP");
    zip.FSpecArgs = {"A.TXT"};
    EXPECT_FALSE(zip.AddFiles());
    EXPECT_EQ(Numbers(), std::vector<int>{10604});
    EXPECT_FALSE(zip.Busy);
    EXPECT_EQ(zip.FSpecArgs.size(), 1u);
    EXPECT_EQ(g_sent.calls, 0);
}

// The answer of AddFiles: the library's count, and no error on the way,
// the directory read afterwards included; an earlier call's does not count.
TEST_F(AddFilesCommand, TellsWhetherEverythingWentIn) {
    const std::string endRecordOnly = std::string("PK\x05\x06", 4) + std::string(18, '\0');
    struct Case {
        int32_t result;
        std::string archive;
        bool added;
    } cases[] = {{0, "", false}, {1, "kein Archiv", false}, {2, endRecordOnly, true}};
    for (const Case& c : cases) {
        fake.files.RemoveFile("C:\\ZIP\\GAME.ZIP");
        zip.SetZipFileName("C:\\ZIP\\GAME.ZIP");
        fake.files.AddFile("C:\\ZIP\\GAME.ZIP", c.archive);  // as the library leaves it
        g_result = c.result;
        zip.FSpecArgs = {"A.TXT"};
        EXPECT_EQ(zip.AddFiles(), c.added) << c.result;
        EXPECT_EQ(zip.ErrorCode != 0, c.result > 0 && !c.added) << zip.LastMessage;
    }
}

TEST_F(AddFilesCommand, ExeStubSeamRunsOnlyForANewExeArchive) {
    int stubs = 0;
    int32_t stubResult = 0;
    zip.writeSfxStub = [&] { return ++stubs, stubResult; };
    zip.SetZipFileName("C:\\ZIP\\SETUP.EXE");
    zip.FSpecArgs = {"A.TXT"};
    zip.AddFiles();
    EXPECT_EQ((std::vector<int>{stubs, g_sent.calls}), (std::vector<int>{1, 1}));
    stubResult = 3;
    zip.FSpecArgs = {"A.TXT"};
    zip.AddFiles();
    EXPECT_EQ((std::vector<int>{stubs, g_sent.calls}), (std::vector<int>{2, 1}));  // stopped after the stub
    EXPECT_EQ(zip.ErrorCode, 10304);
    EXPECT_EQ(zip.FSpecArgs.size(), 1u);
    zip.SetZipFileName("C:\\ZIP\\GAME.ZIP");
    zip.LoadZipLibrary();  // loaded before: it stays loaded
    zip.AddFiles();
    EXPECT_EQ(stubs, 2);
    EXPECT_EQ(g_sent.calls, 2);
    EXPECT_NE(TZipArchiver::ZipLibraryHandle(), 0u);
    EXPECT_EQ(fake.dynlib.loads.size(), 2u);
}

// ---- the real library ----

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
        std::string text;
        for (int i = 0; i < 300; ++i) text += "Zeile " + std::to_string(i) + " des Themas\n";
        Write("TEXTE/THEMA.{1}", text);
        Write("TEXTE/THEMA.{2}", "zwei");
        zip.SetZipFileName("GAME.ZIP");  // relative: found in the current folder
        messages.clear();
        dirUpdates = 0;
    }
    ~AddFilesReal() override {
        zkzip::fs::TestHooks() = {};
        std::error_code ec;
        sfs::current_path(oldCwd_, ec);
    }
    Texts Names() const {
        Texts out;
        for (const auto& e : zip.Contents) out.push_back(e.FileName);
        return out;
    }
    bool Add(Texts specs) {
        zip.FSpecArgs = std::move(specs);
        return zip.AddFiles();
    }
    std::string oldCwd_;
};

TEST_F(AddFilesReal, NewArchiveGrowsOneCallAtATime) {
    EXPECT_TRUE(Add({"TEXTE\\THEMA.{1}"}));
    EXPECT_EQ(zip.SuccessCount, 1) << zip.LastMessage;
    EXPECT_EQ(Names(), Texts{"TEXTE\\THEMA.{1}"});
    EXPECT_EQ(dirUpdates, 1);
    EXPECT_TRUE(zip.FSpecArgs.empty());
    EXPECT_EQ(fake.dynlib.OpenCount(), 0u);
    EXPECT_TRUE(Add({"ZANTORIK.EXE<geheim", "TEXTE\\THEMA.{2}"}));
    EXPECT_EQ(zip.SuccessCount, 2) << zip.LastMessage;
    EXPECT_EQ(Names(), (Texts{"TEXTE\\THEMA.{1}", "ZANTORIK.EXE", "TEXTE\\THEMA.{2}"}));
    EXPECT_EQ(dirUpdates, 2);
    ASSERT_EQ(zip.Contents.size(), 3u);
    EXPECT_EQ(zip.Contents[0].UncomprSize, Read("TEXTE/THEMA.{1}").size());
    EXPECT_LT(zip.Contents[0].ComprSize, zip.Contents[0].UncomprSize);
    EXPECT_EQ(zip.Contents[1].UncomprSize, 5008u);
    // The password suffix encrypts only its entry.
    EXPECT_EQ((std::vector<bool>{zip.Contents[0].Encrypted, zip.Contents[1].Encrypted, zip.Contents[2].Encrypted}),
              (std::vector<bool>{false, true, false}));
    EXPECT_FALSE(zip.Busy);
}

// A failed, cancelled or broken add leaves the archive byte for byte alone.
TEST_F(AddFilesReal, FailedCancelledOrBrokenAddLeavesTheArchiveAlone) {
    ASSERT_TRUE(Add({"ZANTORIK.EXE"}));
    const std::string before = Read("GAME.ZIP");
    int starts = 0;
    struct Case {
        const char* what;
        std::function<void()> arrange;
        int32_t error;
        std::string said;
    } cases[] = {
        {"unreadable file", [&] { zkzip::fs::TestHooks().failReadName = "THEMA.{2}", zkzip::fs::TestHooks().failReadAfter = -1; },
         zkzip::kErrOpen, "THEMA.{2}"},
        {"cancel from a progress event",
         [&] {
             zip.OnProgress = [&](TZipArchiver& z, ProgressType t, const std::string&, int32_t) {
                 if (t == ProgressFileStart && ++starts == 1) z.Cancel = true;
             };
         },
         zkzip::kErrCancel, ""},
        {"handler exception",
         [&] {
             zip.OnProgress = [](TZipArchiver&, ProgressType, const std::string&, int32_t) {
                 throw std::runtime_error("Abbruch im Ereignis");
             };
         },
         10101, "Abbruch im Ereignis"},
    };
    for (const Case& c : cases) {
        zip.OnProgress = nullptr;
        zkzip::fs::TestHooks() = {};
        c.arrange();
        const int updates = dirUpdates;
        EXPECT_FALSE(Add({"TEXTE\\THEMA.{1}", "TEXTE\\THEMA.{2}"})) << c.what;
        EXPECT_LE(zip.SuccessCount, 0) << c.what;
        EXPECT_EQ(zip.ErrorCode, c.error) << c.what << ": " << zip.LastMessage;
        EXPECT_NE(zip.LastMessage.find(c.said), std::string::npos) << zip.LastMessage;
        EXPECT_TRUE(Read("GAME.ZIP") == before) << c.what << ": archive changed";
        EXPECT_TRUE(zip.FSpecArgs.empty());
        EXPECT_EQ(dirUpdates, updates) << c.what;  // not re-read
        EXPECT_EQ(zip.Contents.size(), 1u);
        EXPECT_FALSE(zip.Busy || zip.Cancel) << c.what;
        EXPECT_EQ(fake.dynlib.OpenCount(), 0u);
    }
    EXPECT_EQ(starts, 1);
    // The next add runs normally: Cancel is cleared at its start too.
    zip.OnProgress = nullptr;
    zkzip::fs::TestHooks() = {};
    zip.Cancel = true;
    EXPECT_TRUE(Add({"TEXTE\\THEMA.{2}"})) << zip.LastMessage;
    EXPECT_EQ(Names(), (Texts{"ZANTORIK.EXE", "TEXTE\\THEMA.{2}"}));
}

TEST_F(AddFilesReal, BusyDuringTheRunAndASecondAddDoesNothing) {
    std::vector<bool> busy;
    zip.OnProgress = [&](TZipArchiver& z, ProgressType, const std::string&, int32_t) {
        busy.push_back(z.Busy);
        if (busy.size() > 1) return;
        size_t before = messages.size();
        EXPECT_FALSE(z.AddFiles());  // finds Busy set
        EXPECT_EQ(messages.size(), before);
        EXPECT_EQ(z.FSpecArgs.size(), 2u);
    };
    EXPECT_TRUE(Add({"ZANTORIK.EXE", "TEXTE\\THEMA.{2}"})) << zip.LastMessage;
    ASSERT_FALSE(busy.empty());
    EXPECT_EQ(busy, std::vector<bool>(busy.size(), true));
    EXPECT_FALSE(zip.Busy);
    EXPECT_EQ(zip.Contents.size(), 2u);
}

// Without folder names two files of one name would collapse into one entry:
// the second is left out, reported as 10306 (in a box unless unattended) and
// not counted.
TEST_F(AddFilesReal, AFileLeftOutIsReportedAndNotCounted) {
    zip.AddOptions = {};
    zip.Unattended = false;
    Write("ANDERE/THEMA.{2}", "andere");
    fake.dialogs.Answer(platform::mrOk);
    EXPECT_FALSE(Add({"TEXTE\\THEMA.{2}", "ANDERE\\THEMA.{2}"}));
    EXPECT_EQ(zip.SuccessCount, 1) << zip.LastMessage;
    EXPECT_EQ(Names(), Texts{"THEMA.{2}"});
    EXPECT_EQ(zip.ErrorCode, 10306);
    ASSERT_EQ(fake.dialogs.shown.size(), 1u);
    EXPECT_EQ(fake.dialogs.shown[0].text.rfind(Missing(10306) + "\n1 file(s) not added", 0), 0u)
        << fake.dialogs.shown[0].text;
    EXPECT_NE(zip.LastMessage.find("THEMA.{2} (THEMA.{2})"), std::string::npos) << zip.LastMessage;
}

// A self-extracting archive made the way the program makes one: the stub
// found in the current folder; the stub's own reader, unzip and 7z accept
// it, and unzip gives every file back byte for byte.
TEST_F(AddFilesReal, NewExeArchiveIsStubSettingsAndTheFiles) {
    ASSERT_TRUE(Have("unzip") && Have("7z")) << "unzip and 7z are needed";
    const std::string stub = zksfx::test::FakeStub(6000);
    Write("ZKSFX.BIN", stub);
    Write("TEXTE/LEER.TXT", "");
    zip.SFXCaption = "ZANTORIK entpacken";
    zip.SFXDefaultDir = "C:\\SPIELE\\ZANTORIK";
    zip.SetZipFileName("SETUP.EXE");
    ASSERT_TRUE(Add({"ZANTORIK.EXE"})) << zip.LastMessage;
    EXPECT_EQ(zip.SFXPath, "Z:\\ZKSFX.BIN");
    // The second add finds the archive and only adds to it.
    ASSERT_TRUE(Add({"TEXTE\\THEMA.{1}", "TEXTE\\LEER.TXT"})) << zip.LastMessage;
    EXPECT_EQ(Names(), (Texts{"ZANTORIK.EXE", "TEXTE\\THEMA.{1}", "TEXTE\\LEER.TXT"}));
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
    EXPECT_EQ(archive.entries[2].name, "TEXTE/LEER.TXT");
    Sh("unzip -t SETUP.EXE");
    EXPECT_NE(Read(".log").find("No errors detected in compressed data"), std::string::npos) << Read(".log");
    Sh("7z t -tzip SETUP.EXE");
    EXPECT_NE(Read(".log").find("Everything is Ok"), std::string::npos) << Read(".log");
    Sh("unzip -q SETUP.EXE -d out");
    for (const char* name : {"ZANTORIK.EXE", "TEXTE/THEMA.{1}", "TEXTE/LEER.TXT"})
        EXPECT_TRUE(sfs::exists(root_ + "/out/" + name) && Read(std::string("out/") + name) == Read(name)) << name;
}

}  // namespace
}  // namespace zk::test
