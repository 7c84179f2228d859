// Adding files: the component's command as the library receives it, and the
// real zip library linked in behind the fake run-time libraries, writing into
// a scratch folder that the fake drive Z: shows.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "addfiles_shared.h"
#include "host_scratch.h"
#include "zip_fixture.h"
#include "zkzip/zkfs.h"
#include "zkzip/zkzip.h"

namespace zk::test {
namespace {

namespace sfs = std::filesystem;

// ---- a library that only records what it was sent ----

struct SentSpec {
    std::string spec;
    bool hasPassword = false;
    std::string password;
    int32_t encrypt = 0;
    uint16_t recurse = 0;
    std::string rootDir;
};
struct Sent {
    int calls = 0;
    int32_t argCount = 0;
    int32_t endMark = 0;
    std::string archive;
    std::vector<SentSpec> specs;
    std::vector<std::string> whole;  // old layout
};
Sent g_sent;
int32_t g_version = 160;
int32_t g_result = 0;

int32_t ZK_STDCALL RecordingVersion() { return g_version; }
int32_t ZK_STDCALL RecordingExec(ZipCommand* c) {
    ++g_sent.calls;
    g_sent.argCount = c->argCount;
    g_sent.archive = c->archiveName ? c->archiveName : "";
    if (g_version < ZK_NEW_LAYOUT_VERSION) {
        auto* old = reinterpret_cast<ZipCommandOld*>(c);
        g_sent.endMark = old->endMark;
        for (int i = 0; i < old->argCount; ++i) g_sent.whole.push_back(old->fileSpecs[i]);
        if (old->fileSpecs[old->argCount] != nullptr) g_sent.whole.push_back("<slot after the last is set>");
    } else {
        g_sent.endMark = c->endMark;
        for (int i = 0; i < c->argCount; ++i) {
            const ZipFileSpec& s = c->fileSpecs[i];
            g_sent.specs.push_back({s.fileSpec, s.password != nullptr, s.password ? s.password : "", s.encrypt,
                                    s.recurse, s.rootDir ? s.rootDir : ""});
        }
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
    const std::vector<SentSpec> expected = {
        {"C:\\DATA\\*.TXT", true, "allgemein", -1, 0xFFFF, "C:\\SPIELE\\"},
        {"C:\\DATA\\*.TXT", true, "allgemein", -1, 0, "C:\\SPIELE\\"},
        {"C:\\A.TXT", true, "geheim", 0xFFFF, 0, "C:\\SPIELE\\"},
        {"C:\\A.TXT", false, "", 0, 0, "C:\\SPIELE\\"},
        {"B.TXT", true, "allgemein", -1, 0, "C:\\SPIELE\\"},
        {"C:\\B.TXT", true, "x<y", 0xFFFF, 0xFFFF, "C:\\SPIELE\\"},  // the name ends at the first "<"
        {"", true, "allgemein", -1, 0, "C:\\SPIELE\\"},
    };
    ASSERT_EQ(g_sent.specs.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const SentSpec& s = g_sent.specs[i];
        const SentSpec& e = expected[i];
        EXPECT_EQ(s.spec, e.spec) << i;
        EXPECT_EQ(s.hasPassword, e.hasPassword) << i;
        EXPECT_EQ(s.password, e.password) << i;
        EXPECT_EQ(s.encrypt, e.encrypt) << i;
        EXPECT_EQ(s.recurse, e.recurse) << i;
        EXPECT_EQ(s.rootDir, e.rootDir) << i;
    }
    // Consumed, not re-read (the result was 0), the library let go again.
    EXPECT_TRUE(zip.FSpecArgs.empty());
    EXPECT_EQ(dirUpdates, 0);
    EXPECT_EQ(TZipArchiver::ZipLibraryHandle(), 0u);
    EXPECT_EQ(fake.dynlib.OpenCount(), 0u);
}

TEST_F(AddFilesCommand, RecurseOptionIsTheDefaultOfEveryEntry) {
    zip.AddOptions = {AddRecurseDirs};
    zip.FSpecArgs = {"A.TXT", "|B.TXT", "C.TXT"};
    zip.AddFiles();
    ASSERT_EQ(g_sent.specs.size(), 3u);
    EXPECT_EQ(g_sent.specs[0].recurse, 0xFFFF);
    EXPECT_EQ(g_sent.specs[1].recurse, 0);
    EXPECT_EQ(g_sent.specs[2].recurse, 0xFFFF);
    EXPECT_FALSE(g_sent.specs[0].hasPassword);
    EXPECT_EQ(g_sent.specs[0].encrypt, 0);
    EXPECT_EQ(g_sent.specs[0].rootDir, "");
}

TEST_F(AddFilesCommand, OldLibrariesGetTheEntriesWhole) {
    g_version = 150;
    zip.FSpecArgs = {">C:\\DATA\\*.TXT", "C:\\A.TXT<geheim"};
    zip.AddFiles();
    EXPECT_EQ(g_sent.whole, (std::vector<std::string>{">C:\\DATA\\*.TXT", "C:\\A.TXT<geheim"}));
    EXPECT_EQ(g_sent.argCount, 2);
    EXPECT_EQ(g_sent.endMark, 7);
    EXPECT_TRUE(zip.FSpecArgs.empty());
}

TEST_F(AddFilesCommand, OldLayoutRefusesMoreEntriesThanItHasSlots) {
    g_version = 150;
    zip.FSpecArgs.assign(ZK_OLD_SPEC_SLOTS + 1, "A.TXT");
    zip.AddFiles();
    EXPECT_EQ(g_sent.calls, 0);
    EXPECT_EQ(Numbers(), std::vector<int>{10101});
    EXPECT_TRUE(zip.FSpecArgs.empty());
    EXPECT_FALSE(zip.Busy);
}

TEST_F(AddFilesCommand, TemporaryNames) {
    fake.files.AddDir("C:\\TEMP");
    // Neither TempDir nor a system folder: no name.
    fake.files.tempFolder = "";
    EXPECT_EQ(zip.MakeTempName("", ""), "");
    // An empty TempDir falls back to the platform's folder, asked at each call.
    fake.files.tempFolder = "C:\\TEMP\\";
    std::string a = zip.MakeTempName("", "");
    EXPECT_EQ(a.compare(0, 11, "C:\\TEMP\\zip"), 0) << a;
    EXPECT_EQ(a.substr(a.size() - 4), ".zip");
    EXPECT_FALSE(fake.files.FileExists(a));  // only the name is kept
    std::string b = zip.MakeTempName("abc", ".tmp");
    EXPECT_EQ(b.compare(0, 11, "C:\\TEMP\\abc"), 0) << b;
    EXPECT_EQ(b.substr(b.size() - 4), ".tmp");
    EXPECT_NE(a.substr(0, a.size() - 4), b.substr(0, b.size() - 4));
    EXPECT_EQ(zip.TempDir, "");
    // A TempDir that does not exist gives no name, not the system folder's.
    zip.TempDir = "C:\\FEHLT";
    EXPECT_EQ(zip.MakeTempName("", ""), "");
    EXPECT_EQ(zip.TempDir, "C:\\FEHLT\\");
    // A TempDir that exists wins over the system folder.
    fake.files.AddDir("D:\\ZWISCHEN");
    zip.TempDir = "D:\\ZWISCHEN";
    std::string c = zip.MakeTempName("", "");
    EXPECT_EQ(c.compare(0, 15, "D:\\ZWISCHEN\\zip"), 0) << c;
}

TEST_F(AddFilesCommand, SpanningWithoutTempDirUsesTheSystemFolder) {
    fake.files.AddDir("C:\\SYSTMP");
    fake.files.tempFolder = "C:\\SYSTMP\\";
    zip.AddOptions = {AddDiskSpan};
    zip.Verbose = true;
    g_result = 1;
    std::string copiedFrom;
    zip.copyToDisks = [&](const std::string& source, const std::string&) {
        copiedFrom = source;
        return 0;
    };
    zip.FSpecArgs = {"A.TXT"};
    zip.AddFiles();
    EXPECT_EQ(g_sent.archive.compare(0, 13, "C:\\SYSTMP\\zip"), 0) << g_sent.archive;
    EXPECT_EQ(copiedFrom, g_sent.archive);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages[0].text, "Temporary zipfile: " + g_sent.archive);
}

TEST_F(AddFilesCommand, StopsBeforeTheLibrary) {
    struct Case {
        std::vector<std::string> specs;
        std::string archive;
        AddOpts options;
        int message;
    };
    const Case cases[] = {
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
        EXPECT_EQ(zip.ErrorCode, c.message);
        EXPECT_EQ(zip.SuccessCount, 0) << c.message;
        EXPECT_EQ(zip.FSpecArgs, c.specs) << c.message;  // left for another try
    }
    EXPECT_EQ(g_sent.calls, 0);
    EXPECT_TRUE(fake.dynlib.loads.empty());
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

TEST_F(AddFilesCommand, MissingLibraryStopsAfterItsMessage) {
    fake.dynlib.Remove("ZKZIP.DLL");
    zip.FSpecArgs = {"A.TXT"};
    zip.AddFiles();
    EXPECT_EQ(Numbers(), std::vector<int>{10604});
    EXPECT_FALSE(zip.Busy);
    EXPECT_EQ(zip.FSpecArgs.size(), 1u);
}

TEST_F(AddFilesCommand, SpanningWritesATemporaryArchiveAndCopiesIt) {
    fake.files.AddDir("C:\\TMP");
    zip.TempDir = "C:\\TMP";
    zip.Verbose = true;
    zip.AddOptions = {AddDiskSpan};
    g_result = 2;
    std::vector<std::pair<std::string, std::string>> copies;
    zip.copyToDisks = [&](const std::string& source, const std::string& target) {
        copies.push_back({source, target});
        return 0;
    };
    zip.FSpecArgs = {"A.TXT"};
    zip.AddFiles();
    ASSERT_FALSE(messages.empty());
    const std::string prefix = "Temporary zipfile: C:\\TMP\\zip";
    EXPECT_EQ(messages[0].text.compare(0, prefix.size(), prefix), 0) << messages[0].text;
    EXPECT_EQ(messages[0].text.substr(messages[0].text.size() - 4), ".zip");
    EXPECT_EQ(zip.TempDir, "C:\\TMP\\");
    const std::string temp = messages[0].text.substr(std::string("Temporary zipfile: ").size());
    EXPECT_EQ(g_sent.archive, temp);
    EXPECT_EQ(copies, (std::vector<std::pair<std::string, std::string>>{{temp, "C:\\ZIP\\GAME.ZIP"}}));
    EXPECT_EQ(zip.SuccessCount, 2);
    EXPECT_FALSE(fake.files.FileExists(temp));

    // Without the disk copy the add counts nothing.
    zip.copyToDisks = nullptr;
    zip.Verbose = false;
    messages.clear();
    zip.FSpecArgs = {"A.TXT"};
    zip.AddFiles();
    EXPECT_EQ(zip.SuccessCount, 0);
    EXPECT_EQ(Numbers(), std::vector<int>{10101});
}

TEST_F(AddFilesCommand, ExeStubSeamRunsOnlyForANewExeArchive) {
    int stubs = 0;
    int32_t stubResult = 0;
    zip.writeSfxStub = [&] { return ++stubs, stubResult; };
    zip.SetZipFileName("C:\\ZIP\\SETUP.EXE");
    zip.FSpecArgs = {"A.TXT"};
    zip.AddFiles();
    EXPECT_EQ(stubs, 1);
    EXPECT_EQ(g_sent.calls, 1);

    stubResult = 3;
    zip.FSpecArgs = {"A.TXT"};
    zip.AddFiles();
    EXPECT_EQ(stubs, 2);
    EXPECT_EQ(g_sent.calls, 1);  // stopped
    EXPECT_EQ(zip.ErrorCode, 10304);
    EXPECT_EQ(zip.FSpecArgs.size(), 1u);

    zip.SetZipFileName("C:\\ZIP\\GAME.ZIP");
    zip.AddFiles();
    EXPECT_EQ(stubs, 2);
    EXPECT_EQ(g_sent.calls, 2);
}

TEST_F(AddFilesCommand, ALoadedLibraryStaysLoaded) {
    zip.LoadZipLibrary();
    zip.FSpecArgs = {"A.TXT"};
    zip.AddFiles();
    EXPECT_NE(TZipArchiver::ZipLibraryHandle(), 0u);
    EXPECT_EQ(fake.dynlib.loads.size(), 1u);
}

// ---- the real library ----

class AddFilesNative : public ZipFixture, public HostScratch {
protected:
    AddFilesNative() : HostScratch("zkadd") {
        oldCwd_ = sfs::current_path().string();
        sfs::current_path(root_);
        fake.files.Drive('Z').hostFolder = root_;
        EXPECT_TRUE(fake.files.SetCurrentDir("Z:\\"));
        fake.dynlib.Add("ZKZIP.DLL", {{"ZkZipExec", reinterpret_cast<void*>(&::ZkZipExec)},
                                      {"GetZkZipVersion", reinterpret_cast<void*>(&::GetZkZipVersion)}});
    }
    ~AddFilesNative() override {
        zkzip::fs::TestHooks() = {};
        std::error_code ec;
        sfs::current_path(oldCwd_, ec);
    }
    std::string Bytes(const std::string& rel) { return Read(rel); }
    // The library's file layer refuses to open it.
    void Unreadable(const std::string& rel) {
        zkzip::fs::TestHooks().failReadName = rel.substr(rel.rfind('/') + 1);
        zkzip::fs::TestHooks().failReadAfter = -1;
    }
    bool LibraryLoaded() { return TZipArchiver::ZipLibraryHandle() != 0 || fake.dynlib.OpenCount() != 0; }

    std::string oldCwd_;
};

// Shown like the component's other messages, in a box unless unattended.
TEST_F(AddFilesNative, AFileLeftOutIsShownInABox) {
    zip.SetZipFileName("GAME.ZIP");
    Write("TIEF/A.TXT", "a");
    Write("FLACH/A.TXT", "b");
    zip.FSpecArgs = {"TIEF\\A.TXT", "FLACH\\A.TXT"};
    fake.dialogs.Answer(platform::mrOk);
    zip.AddFiles();
    EXPECT_EQ(zip.SuccessCount, 1);
    ASSERT_EQ(fake.dialogs.shown.size(), 1u);
    EXPECT_EQ(fake.dialogs.shown[0].text.rfind(Missing(10306) + "\n1 file(s) not added", 0), 0u)
        << fake.dialogs.shown[0].text;
}

using NativeEnv = ::testing::Types<AddFilesNative>;
INSTANTIATE_TYPED_TEST_SUITE_P(Native, AddFilesShared, NativeEnv);

}  // namespace
}  // namespace zk::test
