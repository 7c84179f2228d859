// The archive component with real libraries, real files and real windows:
// ZKZIP.DLL loaded from the library folder and by its plain name, stand-ins
// without an entry point, a callback round trip through a DLL, the password
// dialog on the screen.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "ui/win32/win32_bundle.h"
#include "addfiles_shared.h"
#include "platform/fake/fake_platform.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/wstr.h"
#include "ui/win32/peers.h"
#include "archiver/ZipArch.h"
#include "archiver/win32/PasswordDlg_win32.h"
#include "../screenshot.h"

namespace zk::test {
namespace {

std::string ExeFolder() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p = path;
    return win32::Utf8(p.substr(0, p.rfind(L'\\')));
}

std::string Dlls(const std::string& which) { return ExeFolder() + "\\zipdlls\\" + which; }

// Where the loaded ZKZIP.DLL came from; "" when none is loaded.
std::string LoadedFrom() {
    HMODULE h = GetModuleHandleW(L"ZKZIP.DLL");
    if (!h) return "";
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(h, path, MAX_PATH);
    return win32::Utf8(path);
}

bool EndsWith(const std::string& s, const std::string& tail) {
    auto lower = [](std::string t) {
        for (char& c : t) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        return t;
    };
    return s.size() >= tail.size() && lower(s.substr(s.size() - tail.size())) == lower(tail);
}

class ZipWin : public ::testing::Test {
protected:
    ZipWin() {
        fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) {
            ADD_FAILURE() << "unexpected dialog: " << r.text;
        };
        wchar_t cwd[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, cwd);
        oldCwd_ = cwd;
        zip.Unattended = true;
        zip.OnMessage = [this](TZipArchiver& z, int32_t, const std::string&) { numbers.push_back(z.ErrorCode); };
    }
    ~ZipWin() override {
        TZipArchiver::UnloadZipLibrary();
        SetCurrentDirectoryW(oldCwd_.c_str());
    }
    void Into(const std::string& folder) { ASSERT_TRUE(SetCurrentDirectoryW(win32::Wide(folder).c_str())); }

    platform::FakePlatform fake;
    win32::Win32Platform real;
    win32::FileSystem& files = real.files;
    platform::Platform platform = platform::Mix(fake.Get(), real.Get(),
                                                platform::kFiles | platform::kApp | platform::kDynLib | platform::kCodePages);
    TZipArchiver zip{platform};
    std::vector<int> numbers;
    std::wstring oldCwd_;
};

TEST_F(ZipWin, FromTheLibraryFolder) {
    Into(Dlls("real"));  // a plain-name load would find the real one
    zip.SetDLLDirectory(Dlls("callback") + "\\");
    zip.LoadZipLibrary();
    EXPECT_TRUE(numbers.empty());
    ASSERT_NE(TZipArchiver::ZipLibraryHandle(), 0u);
    EXPECT_TRUE(EndsWith(LoadedFrom(), "zipdlls\\callback\\ZKZIP.DLL")) << LoadedFrom();
    EXPECT_EQ(TZipArchiver::GetZkZipVersionEntry()(), 4711);
    TZipArchiver::UnloadZipLibrary();
    EXPECT_EQ(LoadedFrom(), "");
}

TEST_F(ZipWin, ByThePlainName) {
    Into(Dlls("real"));
    for (const std::string& dir : {std::string(), Dlls("none")}) {
        zip.SetDLLDirectory(dir);
        zip.LoadZipLibrary();
        ASSERT_NE(TZipArchiver::ZipLibraryHandle(), 0u) << dir;
        EXPECT_TRUE(EndsWith(LoadedFrom(), "zipdlls\\real\\ZKZIP.DLL")) << LoadedFrom();
        EXPECT_EQ(TZipArchiver::GetZkZipVersionEntry()(), 160);
        EXPECT_NE(TZipArchiver::ZkZipExecEntry(), nullptr);
        TZipArchiver::UnloadZipLibrary();
    }
    EXPECT_TRUE(numbers.empty());
}

TEST_F(ZipWin, AMissingLibrary) {
    Into(Dlls("none"));
    zip.SetDLLDirectory(Dlls("none"));
    zip.LoadZipLibrary();
    EXPECT_EQ(numbers, std::vector<int>{10604});
    EXPECT_EQ(TZipArchiver::ZipLibraryHandle(), 0u);
    EXPECT_EQ(SetErrorMode(0), 0u);  // set back to 0 after the load
}

TEST_F(ZipWin, LibrariesWithoutAnEntryPointStayLoaded) {
    Into(Dlls("none"));
    struct Case {
        const char* folder;
        int number;
    } cases[] = {{"noexec", 10602}, {"nover", 10603}};
    for (const Case& c : cases) {
        numbers.clear();
        zip.SetDLLDirectory(Dlls(c.folder));
        zip.LoadZipLibrary();
        EXPECT_EQ(numbers, std::vector<int>{c.number}) << c.folder;
        EXPECT_NE(TZipArchiver::ZipLibraryHandle(), 0u);
        EXPECT_TRUE(EndsWith(LoadedFrom(), std::string(c.folder) + "\\ZKZIP.DLL")) << LoadedFrom();
        TZipArchiver::UnloadZipLibrary();
        EXPECT_EQ(LoadedFrom(), "");
    }
}

TEST_F(ZipWin, TheVersionLoadsAndFreesTheLibrary) {
    Into(Dlls("real"));
    EXPECT_EQ(zip.GetZkZipVersion(), 160);
    EXPECT_EQ(TZipArchiver::ZipLibraryHandle(), 0u);
    EXPECT_EQ(LoadedFrom(), "");
    zip.LoadZipLibrary();
    EXPECT_EQ(zip.GetZkZipVersion(), 160);
    EXPECT_NE(LoadedFrom(), "");  // it was loaded before: it stays
    Into(Dlls("none"));
    TZipArchiver::UnloadZipLibrary();
    EXPECT_EQ(zip.GetZkZipVersion(), 0);
    EXPECT_EQ(numbers, std::vector<int>{10604});
}

TEST_F(ZipWin, ACallbackRoundTripWithEveryActionCode) {
    zip.SetDLLDirectory(Dlls("callback"));
    zip.LoadZipLibrary();
    ASSERT_NE(TZipArchiver::ZkZipExecEntry(), nullptr);
    auto log = platform::SymbolAs<const char*(ZK_STDCALL*)()>(real.dynlib, TZipArchiver::ZipLibraryHandle(), "ZkTestLog");
    ASSERT_NE(log, nullptr);

    std::vector<std::string> seen;
    zip.OnProgress = [&](TZipArchiver&, ProgressType t, const std::string& name, int32_t size) {
        seen.push_back("progress " + std::to_string(t) + " " + name + " " + std::to_string(size));
    };
    zip.OnSetNewName = [&](TZipArchiver&, std::string& name, bool& changed) {
        seen.push_back("rename " + name);
        name = "new.txt";
        changed = true;
    };
    zip.OnPasswordError = [&](TZipArchiver&, std::string& pw, const std::string& file, uint32_t& count) {
        seen.push_back("password " + file + " " + std::to_string(count));
        pw = "pw";
    };
    zip.OnCRC32Error = [&](TZipArchiver&, const std::string& file, uint32_t found, uint32_t expected, bool& extract) {
        seen.push_back("crc " + file + " " + std::to_string(found) + " " + std::to_string(expected));
        extract = false;
    };
    zip.OnExtractOverwrite = [&](TZipArchiver&, const std::string& file, bool older, bool& overwrite) {
        seen.push_back("overwrite " + file + " " + std::to_string(older) + " " + std::to_string(overwrite));
        overwrite = false;
    };
    zip.OnExtractSkipped = [&](TZipArchiver&, const std::string& file, uint8_t type, int32_t error) {
        seen.push_back("skipped " + file + " " + std::to_string(type) + " " + std::to_string(error));
    };
    zip.OnFileComment = [&](TZipArchiver&, const std::string& file, std::string& comment, bool& changed) {
        seen.push_back("comment " + file + " " + comment);
        comment = "Kommentar";
        changed = true;
    };

    ZipCommandBlock block(false);
    zip.FillCommand(block, "ROUND.ZIP", zip.GetZkZipVersion());
    block.New().endMark = ZK_END_MARK;
    EXPECT_EQ(TZipArchiver::ZkZipExecEntry()(block.Record()), 14);
    EXPECT_EQ(std::string(log()),
              "version=160 window=0 end=7 archive=ROUND.ZIP;"
              "1:0:0:1234:game/a.txt;2:0:0:512:;3:0:0:0:;4:0:261:0:Warnung  \r\n;5:0:0:3:;6:0:0:99999:;"
              "7:0:1:0:new.txt;8:0:1:2:pw;9:0:0:8738:crc.txt;10:0:1:0:over.txt;11:0:515:5:skip.txt;"
              "12:0:1:9:Kommentar;13:0:7:8:unknown;0:0:7:8:none;");
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "progress 0 game\\a.txt 1234", "progress 1  512", "progress 2  0", "progress 3  3",
                        "progress 4  99999", "rename old\\name.txt", "password secret.dat 2",
                        "crc crc.txt 4369 8738", "overwrite over.txt 1 1", "skipped skip.txt 5 515",
                        "comment comment.txt C"}));
    EXPECT_EQ(zip.LastMessage, "Warnung");
    EXPECT_EQ(zip.ErrorCode, 3);  // from code 11 after code 4's 5
    EXPECT_EQ(zip.FullErrorCode, 515);
    EXPECT_EQ(zip.TotalToProcess, 99999);

    // Cancelled: every callback answers -1.
    zip.Cancel = true;
    TZipArchiver::ZkZipExecEntry()(block.Record());
    std::string cancelled = log();
    size_t answers = 0;
    for (size_t at = 0; (at = cancelled.find(":-1:", at)) != std::string::npos; ++at) ++answers;
    EXPECT_EQ(answers, 14u) << cancelled;
}

TEST_F(ZipWin, TheRealLibraryWritesWhatTheReaderReads) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::string dir = win32::Utf8(temp) + "zkzipwin";
    CreateDirectoryW(win32::Wide(dir).c_str(), nullptr);
    std::string text(5000, 'a');
    for (const char* name : {"EINS.TXT", "ZWEI.TXT"}) {
        std::unique_ptr<platform::File> f = files.Open(dir + "\\" + name, platform::OpenMode::Write);
        ASSERT_TRUE(f);
        f->Write(text.data(), text.size());
    }
    std::string archive = dir + "\\GAME.ZIP";
    files.RemoveFile(archive);
    Into(Dlls("real"));
    zip.LoadZipLibrary();
    Into(dir);
    ZipCommandBlock block(false);
    zip.FillCommand(block, archive, zip.GetZkZipVersion());
    for (const char* name : {"EINS.TXT", "ZWEI.TXT"}) {
        ZipFileSpec spec{};
        spec.fileSpec = block.Copy(name);
        block.specs.push_back(spec);
    }
    block.New().fileSpecs = block.specs.data();
    block.New().argCount = 2;
    block.New().endMark = ZK_END_MARK;
    int files_started = 0;
    zip.OnProgress = [&](TZipArchiver&, ProgressType t, const std::string&, int32_t) {
        files_started += t == ProgressFileStart;
    };
    EXPECT_EQ(TZipArchiver::ZkZipExecEntry()(block.Record()), 2) << zip.LastMessage;
    EXPECT_EQ(files_started, 2);

    zip.SetZipFileName(archive);
    ASSERT_EQ(zip.Contents.size(), 2u) << zip.LastMessage;
    EXPECT_EQ(zip.Contents[0].FileName, "EINS.TXT");
    EXPECT_EQ(zip.Contents[1].UncomprSize, 5000u);
    EXPECT_EQ(zip.DataOffset, 0);
    EXPECT_GT(zip.DiskSizeBytes(), 0u);  // GetDiskFreeSpaceExA, looked up in Kernel32
    EXPECT_NE(zip.DiskSizeBytes(), UINT64_MAX);
    EXPECT_TRUE(numbers.empty());
    TZipArchiver::UnloadZipLibrary();
    for (const char* name : {"EINS.TXT", "ZWEI.TXT", "GAME.ZIP"}) files.RemoveFile(dir + "\\" + name);
    Into(ExeFolder());
    RemoveDirectoryW(win32::Wide(dir).c_str());
}

TEST_F(ZipWin, TemporaryNamesInTheSystemsFolder) {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    std::wstring folder = std::wstring(temp) + L"zk tmp ä";
    CreateDirectoryW(folder.c_str(), nullptr);
    wchar_t before[MAX_PATH] = {};
    const bool hadTmp = GetEnvironmentVariableW(L"TMP", before, MAX_PATH) > 0;
    // Named without the trailing backslash: the service adds it.
    SetEnvironmentVariableW(L"TMP", folder.c_str());
    const std::string expected = win32::Utf8(folder) + "\\";
    EXPECT_EQ(files.TempFolder(), expected);
    // The component falls back to it while TempDir is empty.
    std::string name = zip.MakeTempName("", "");
    EXPECT_EQ(name.compare(0, expected.size() + 3, expected + "zip"), 0) << name;
    EXPECT_EQ(name.substr(name.size() - 4), ".zip");
    EXPECT_EQ(name.find('\\', expected.size()), std::string::npos) << name;
    EXPECT_FALSE(files.FileExists(name));
    EXPECT_TRUE(files.RemoveDir(win32::Utf8(folder)));  // nothing was left in it
    SetEnvironmentVariableW(L"TMP", hadTmp ? before : nullptr);
    EXPECT_TRUE(numbers.empty());
}

// ---- the command as a library of a given version receives it ----

// The lines the recording library writes for one field each; "*" marks the
// fields that vary per run and are filled in by the test.
std::string Lines(std::initializer_list<const char*> lines) {
    std::string out;
    for (const char* l : lines) out += std::string(l) + "\n";
    return out;
}

// The head fields of both layouts as the setup's instance sends them.
const char* const kSetupHead[] = {
    "trace=0", "password=null", "suffixes=\".gif:.png:.z:.zip:.zoo:.arc:.lzh:.arj:.taz:.tgz:.lha\"",
    "encrypt=0", "hidden=0", "volume=0", "0x28=0", "noDirEntries=-1", "0x30=0", "verbose=0", "0x38=-1",
    "level=9", "0x44=0", "dropDirNames=0", "recurse=0", "0x50=-1", "forceDOS=0", "move=0", "0x5C=0",
    "update=0", "freshen=0", "0x68=0", "keepArchiveTime=0"};

class ZipWinCommand : public ZipWin {
protected:
    ZipWinCommand() {
        zip.SetDLLDirectory(Dlls("record"));
        zip.SetZipFileName("C:\\NIRGENDS\\GAME.ZIP");  // not there: nothing to read
        zip.AddOptions = {AddDirNames};
        zip.OnDirUpdate = [this](TZipArchiver&) { ++dirUpdates; };
    }
    ~ZipWinCommand() override { SetEnvironmentVariableA("ZK_TESTLIB_VERSION", nullptr); }
    // Runs AddFiles against the recording library reporting that version;
    // the command as it arrived, with the caller already checked.
    std::string Sent(int version) {
        SetEnvironmentVariableA("ZK_TESTLIB_VERSION", std::to_string(version).c_str());
        const size_t entries = zip.FSpecArgs.size();
        zip.LoadZipLibrary();  // kept loaded to read its log afterwards
        zip.AddFiles();
        auto log = platform::SymbolAs<const char*(ZK_STDCALL*)()>(real.dynlib, TZipArchiver::ZipLibraryHandle(),
                                                                    "ZkTestLog");
        if (!log) return "no log";
        EXPECT_EQ(zip.SuccessCount, static_cast<int32_t>(entries));
        EXPECT_TRUE(zip.FSpecArgs.empty());
        std::string text = log();
        const std::string caller = "caller=" + std::to_string(reinterpret_cast<intptr_t>(&zip)) + "\n";
        size_t at = text.find(caller);
        EXPECT_NE(at, std::string::npos) << text;
        if (at != std::string::npos) text.replace(at, caller.size(), "caller=*\n");
        return text;
    }
    int dirUpdates = 0;
};

TEST_F(ZipWinCommand, EveryOptionOnForTheNewLayout) {
    zip.Unattended = false;
    zip.OwnerWindow = reinterpret_cast<void*>(0x4711);
    zip.Trace = true;  // brings the verbose flag with it
    zip.AddCompLevel = 6;
    zip.AddOptions = {AddRecurseDirs, AddMove,        AddFreshen,      AddUpdate,  AddZipTime,      AddForceDOS,
                      AddHiddenFiles, AddArchiveOnly, AddResetArchive, AddEncrypt, AddSeparateDirs, AddVolume};
    // 90 characters, the last 45 of two bytes each: 81 characters go out.
    std::string umlauts;
    for (int i = 0; i < 45; ++i) umlauts += "\xC3\xBC";
    zip.SetPassword(std::string(45, 'p') + umlauts);
    zip.AddStoreSuffixes = {assZIP, assEXE, assGIF};
    zip.TempDir = "C:\\TMP";
    zip.ArchiveComment = "Kommentar";
    zip.SetRootDir("C:\\SPIELE");
    zip.FSpecArgsExcl = {"*.BAK", "TEXTE\\NOTIZ.*"};
    zip.FSpecArgs = {">DATEN\\*.DAT", "|A.TXT<geheim", "B.TXT<", "C.TXT"};
    numbers.clear();
    fake.dialogs.Answer(platform::mrOk);  // Trace reports the load, not unattended: in a box
    const std::string pw81 = "\"" + std::string(45, 'p') + umlauts.substr(0, 72) + "\"";
    const std::string expected =
        Lines({"layout=new", "handle=18193", "caller=*", "version=160", "callback=1", "trace=-1"}) +
        "password=" + pw81 + "\n" +
        Lines({"suffixes=\".gif:.zip:.exe\"", "encrypt=-1", "hidden=-1", "volume=-1", "0x28=0", "noDirEntries=0",
               "0x30=0", "verbose=-1", "0x38=-1", "level=6", "0x44=0", "dropDirNames=-1", "recurse=65535",
               "0x50=-1", "forceDOS=-1", "move=-1", "0x5C=0", "update=-1", "freshen=0", "0x68=0",
               "keepArchiveTime=-1", "argCount=4", "archive=\"C:\\NIRGENDS\\GAME.ZIP\"", "tempDir=\"C:\\TMP\"",
               "comment=\"Kommentar\"", "archiveOnly=1", "resetArchive=1", "exclCount=2", "excl=1",
               "excl=\"*.BAK\"", "excl=\"TEXTE\\NOTIZ.*\"", "endMark=7",
               // Recurse from ">", the command's password and encrypt flag.
               "spec=\"DATEN\\*.DAT\""}) +
        " password=" + pw81 + "\n" +
        Lines({" encrypt=-1", " recurse=65535", " rootDir=\"C:\\SPIELE\\\"",
               // "|" stops recursing; "<" with a password of its own.
               "spec=\"A.TXT\"", " password=\"geheim\"", " encrypt=65535", " recurse=0",
               " rootDir=\"C:\\SPIELE\\\"",
               // "<" alone: no encryption, no password.
               "spec=\"B.TXT\"", " password=null", " encrypt=0", " recurse=65535", " rootDir=\"C:\\SPIELE\\\"",
               "spec=\"C.TXT\""}) +
        " password=" + pw81 + "\n" + Lines({" encrypt=-1", " recurse=65535", " rootDir=\"C:\\SPIELE\\\""});
    EXPECT_EQ(Sent(160), expected);
    EXPECT_EQ(numbers, std::vector<int>{10601});
    EXPECT_TRUE(zip.FSpecArgsExcl.empty());
    EXPECT_EQ(dirUpdates, 1);  // a result above 0 re-reads the (missing) archive
}

TEST_F(ZipWinCommand, TheSetupsOwnAdd) {
    zip.Unattended = true;
    zip.OwnerWindow = reinterpret_cast<void*>(0x4711);  // not given when unattended
    zip.FSpecArgs = {"TEXTE\\THEMA.{1}"};
    std::string expected = Lines({"layout=new", "handle=0", "caller=*", "version=160", "callback=1"});
    for (const char* line : kSetupHead) expected += std::string(line) + "\n";
    expected += Lines({"argCount=1", "archive=\"C:\\NIRGENDS\\GAME.ZIP\"", "tempDir=null", "comment=null",
                       "archiveOnly=0", "resetArchive=0", "exclCount=0", "excl=0", "endMark=7",
                       "spec=\"TEXTE\\THEMA.{1}\"", " password=null", " encrypt=0", " recurse=0", " rootDir=null"});
    EXPECT_EQ(Sent(160), expected);
}

TEST_F(ZipWinCommand, VersionsDecideWhatIsSent) {
    struct Case {
        int version;
        std::string tail;  // after the archive name
    };
    const Case cases[] = {
        // From 151: the new layout and the temporary folder; the comment, the
        // archive-attribute flags and the exclusions only from 160.
        {151, Lines({"tempDir=\"C:\\TMP\"", "comment=null", "archiveOnly=0", "resetArchive=0", "exclCount=0",
                     "excl=0", "endMark=7", "spec=\"A.TXT\"", " password=\"pw\"", " encrypt=65535",
                     " recurse=65535", " rootDir=null", "spec=\"B.TXT\"", " password=null", " encrypt=0",
                     " recurse=0", " rootDir=null"})},
        {159, Lines({"tempDir=\"C:\\TMP\"", "comment=null", "archiveOnly=0", "resetArchive=0", "exclCount=0",
                     "excl=0", "endMark=7", "spec=\"A.TXT\"", " password=\"pw\"", " encrypt=65535",
                     " recurse=65535", " rootDir=null", "spec=\"B.TXT\"", " password=null", " encrypt=0",
                     " recurse=0", " rootDir=null"})},
        // Below 151: the old layout, the entries whole, no temporary folder.
        {150, Lines({"endMark=7", "spec=\">A.TXT<pw\"", "spec=\"|B.TXT\""})},
        {0, Lines({"endMark=7", "spec=\">A.TXT<pw\"", "spec=\"|B.TXT\""})},
    };
    for (const Case& c : cases) {
        zip.Unattended = true;
        zip.TempDir = "C:\\TMP";
        zip.ArchiveComment = "Kommentar";
        zip.AddOptions = {AddDirNames, AddArchiveOnly, AddResetArchive};
        zip.FSpecArgsExcl = {"*.BAK"};
        zip.FSpecArgs = {">A.TXT<pw", "|B.TXT"};
        std::string expected = Lines({c.version < 151 ? "layout=old" : "layout=new", "handle=0", "caller=*",
                                      "version=160", "callback=1"});
        for (const char* line : kSetupHead) expected += std::string(line) + "\n";
        expected += Lines({"argCount=2", "archive=\"C:\\NIRGENDS\\GAME.ZIP\""}) + c.tail;
        EXPECT_EQ(Sent(c.version), expected) << c.version;
        EXPECT_TRUE(zip.FSpecArgsExcl.empty()) << c.version;
        TZipArchiver::UnloadZipLibrary();
    }
}

// ---- AddFiles with the real ZKZIP.DLL, the cases the native build runs ----

class AddFilesWine : public ZipWin {
protected:
    AddFilesWine() {
        wchar_t temp[MAX_PATH], name[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        GetTempFileNameW(temp, L"zka", 0, name);  // a unique name for the folder
        DeleteFileW(name);
        root_ = name;
        CreateDirectoryW(root_.c_str(), nullptr);
        Into(win32::Utf8(root_));
        zip.SetDLLDirectory(Dlls("real"));
        zip.OnMessage = [this](TZipArchiver&, int32_t, const std::string& text) { messages.push_back(text); };
        zip.OnDirUpdate = [this](TZipArchiver&) { ++dirUpdates; };
    }
    ~AddFilesWine() override {
        for (HANDLE h : locks_) CloseHandle(h);
        TZipArchiver::UnloadZipLibrary();
        SetCurrentDirectoryW(oldCwd_.c_str());
        std::error_code ec;
        std::filesystem::remove_all(std::filesystem::path(root_), ec);
    }
    std::wstring Path(std::string rel) {
        for (char& c : rel)
            if (c == '/') c = '\\';
        return root_ + L"\\" + win32::Wide(rel);
    }
    void Write(const std::string& rel, const std::string& content) {
        std::filesystem::create_directories(std::filesystem::path(Path(rel)).parent_path());
        std::ofstream(std::filesystem::path(Path(rel)), std::ios::binary) << content;
    }
    std::string Bytes(const std::string& rel) {
        std::ifstream in(std::filesystem::path(Path(rel)), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Held open without sharing: nobody else can open it until the test ends.
    void Unreadable(const std::string& rel) {
        HANDLE h = CreateFileW(Path(rel).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        locks_.push_back(h);
    }
    bool LibraryLoaded() { return GetModuleHandleW(L"ZKZIP.DLL") != nullptr; }

    std::vector<std::string> messages;
    int dirUpdates = 0;

private:
    std::wstring root_;
    std::vector<HANDLE> locks_;
};

using WineEnv = ::testing::Types<AddFilesWine>;
INSTANTIATE_TYPED_TEST_SUITE_P(Wine, AddFilesShared, WineEnv);

TEST_F(ZipWin, CodePagesOfTheSystem) {
    EXPECT_EQ(real.codePages.ToUtf8("\x81\x84\xE1", 437), "üäß");
    EXPECT_EQ(real.codePages.ToUtf8("\x80\xE4", 1252), "€ä");
    EXPECT_EQ(real.codePages.ToUtf8("gr\xC3\xBCn", platform::kCodePageUtf8), "grün");
    EXPECT_EQ(real.codePages.FromUtf8("üäß", 437), "\x81\x84\xE1");
    EXPECT_EQ(real.codePages.ToUtf8("", 437), "");
    EXPECT_GT(real.codePages.OemCodePage(), 0u);
    EXPECT_GT(real.codePages.AnsiCodePage(), 0u);
}

// The dialog on a real screen: a timer types into it and presses its buttons
// while the dialog's own loop runs.
struct DialogUser {
    static inline std::vector<std::pair<std::string, bool>> acts;  // entry, OK
    static inline size_t next = 0;
    static inline bool starred = true;

    static BOOL CALLBACK FindDialog(HWND h, LPARAM param) {
        wchar_t caption[256] = {};
        GetWindowTextW(h, caption, 256);
        if (IsWindowVisible(h) && caption == win32::Wide(MessageText(zmPwdCaption))) {
            *reinterpret_cast<HWND*>(param) = h;
            return FALSE;
        }
        return TRUE;
    }
    static void CALLBACK Act(HWND, UINT, UINT_PTR, DWORD) {
        HWND dlg = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dlg));
        if (!dlg || next >= acts.size()) return;
        HWND edit = FindWindowExW(dlg, nullptr, L"EDIT", nullptr);
        if (!edit) return;
        if (const char* dir = std::getenv("ZK_SHOT_DIR"); dir && *dir && next == 0)
            SaveShot(dlg, std::string(dir) + "\\look-password.bmp");
        starred &= SendMessageW(edit, EM_GETPASSWORDCHAR, 0, 0) == '*';
        const auto& [entry, ok] = acts[next++];
        SetWindowTextW(edit, win32::Wide(entry).c_str());
        HWND button = FindWindowExW(dlg, nullptr, L"BUTTON", nullptr);
        if (!ok) button = FindWindowExW(dlg, button, L"BUTTON", nullptr);
        PostMessageW(button, BM_CLICK, 0, 0);
    }
};

TEST_F(ZipWin, ThePasswordDialogOnTheScreen) {
    ui::win32::Init(real.app);
    win32::InstallPasswordDlg();
    zip.Unattended = false;
    DialogUser::acts = {{"Zantorik", true}, {"Zantorik", true}, {"nur einmal", false}};
    DialogUser::next = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 100, DialogUser::Act);
    EXPECT_EQ(zip.AskPasswordConfirmed(), "Zantorik");
    EXPECT_EQ(zip.AskPassword(), "");
    KillTimer(nullptr, timer);
    EXPECT_EQ(DialogUser::next, 3u);
    EXPECT_TRUE(DialogUser::starred);
    TPasswordDlg::runModal = nullptr;
}

}  // namespace
}  // namespace zk::test
