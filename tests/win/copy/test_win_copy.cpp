// Over the real platform under Wine: a game copied from C: to the second
// drive X:, and the folder chooser on the screen.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include "ui/win32/win32_bundle.h"
#include "platform/fake/fake_platform.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/wstr.h"
#include "setup/Dirlog.h"
#include "setup/copyengine.h"
#include "ui/win32/peers.h"
#include "../screenshot.h"

namespace zk::test {

using zk::win32::Wide;

// The copy engine over headless controls, as the setup window hands them over.
struct CopyRig {
    explicit CopyRig(platform::Platform& p) : form{p, "Form1"}, engine{p, View()} {}
    ui::Form form;
    ui::Label Statuslabel{&form, "Statuslabel"}, txbyte2copy{&form, "txbyte2copy"}, txHDrest{&form, "txHDrest"},
        Label3{&form, "Label3"};
    ui::Gauge Gauge1{&form, "Gauge1"};
    ui::Memo Filebox{&form, "Filebox"};
    ui::Edit Edit1{&form, "Edit1"}, Edit2{&form, "Edit2"};
    CopyEngine engine;

private:
    CopyView View() { return CopyView{Statuslabel, Gauge1, txbyte2copy, txHDrest, Label3, Filebox, Edit1, Edit2}; }
};

// The real file system; every other service stays a fake, so an unexpected
// dialog fails the test instead of waiting for a click.
struct RealFiles : ::testing::Test {
    platform::FakePlatform fake;
    zk::win32::Win32Platform real;
    zk::win32::FileSystem& files = real.files;
    platform::Platform platform = platform::Mix(fake.Get(), real.Get(), platform::kFiles);
    RealFiles() {
        fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) {
            ADD_FAILURE() << "unexpected dialog: " << r.text;
        };
    }
    void Write(const std::string& path, const std::string& content, platform::FileTime stamp) {
        auto f = files.Open(path, platform::OpenMode::Write);
        ASSERT_TRUE(f) << path;
        ASSERT_EQ(f->Write(content.data(), content.size()), static_cast<int64_t>(content.size()));
        ASSERT_TRUE(f->Close());
        ASSERT_TRUE(files.SetFileStamp(path, stamp));
    }
    std::string Read(const std::string& path) {
        auto f = files.Open(path, platform::OpenMode::Read);
        if (!f) return "<missing>";
        std::string out;
        char buf[4096];
        for (int64_t n; (n = f->Read(buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
        return out;
    }
    void RemoveTree(const std::string& folder) {
        auto dir = files.OpenDir(folder);
        platform::DirEntry e;
        while (dir && dir->Next(e)) {
            if (e.name == "." || e.name == "..") continue;
            std::string path = folder + "\\" + e.name;
            if (e.attr & platform::faDirectory) RemoveTree(path);
            else {
                SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
                files.RemoveFile(path);
            }
        }
        dir.reset();
        files.RemoveDir(folder);
    }
};

TEST_F(RealFiles, TheSecondDriveIsThere) {
    EXPECT_NE(files.Drives().find('X'), std::string::npos) << files.Drives();
    EXPECT_NE(files.Drives().find('C'), std::string::npos);
    EXPECT_TRUE(files.DirExists("x:\\"));
    EXPECT_GT(files.DiskFree('X').value_or(0), 0u);
    EXPECT_FALSE(files.DiskFree('Q').has_value());
    EXPECT_EQ(files.DriveKind('Q'), platform::DriveType::NoRootDir);
}

TEST_F(RealFiles, StreamsSeekTruncateAndStamps) {
    const std::string path = "C:\\zkstream.bin";
    auto f = files.Open(path, platform::OpenMode::ReadWriteNew);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Write("0123456789", 10), 10);
    EXPECT_EQ(f->Seek(4, platform::SeekFrom::Begin), 4);
    char buf[3] = {};
    EXPECT_EQ(f->Read(buf, 3), 3);
    EXPECT_EQ(std::string(buf, 3), "456");
    EXPECT_TRUE(f->Truncate());
    EXPECT_EQ(f->Size(), 7);
    EXPECT_TRUE(f->Close());
    EXPECT_EQ(Read(path), "0123456");
    EXPECT_TRUE(files.SetFileStamp(path, 125000000000000000));
    platform::FileTime t = 0;
    EXPECT_TRUE(files.GetFileStamp(path, t));
    EXPECT_EQ(t, 125000000000000000);
    EXPECT_FALSE(files.Open("C:\\nowhere\\x.bin", platform::OpenMode::Read));
    EXPECT_EQ(files.LastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_TRUE(files.RemoveFile(path));
    std::string temp = files.TempFileName("C:\\", "zk");
    EXPECT_FALSE(temp.empty());
    EXPECT_TRUE(files.FileExists(temp));
    files.RemoveFile(temp);
}

// A game-like folder on C: copied to X:: every listed file arrives byte for
// byte with its stamp, nothing else does.
TEST_F(RealFiles, CopiesAGameFromCToX) {
    const std::string src = "C:\\zkquelle\\ZANTORIK";
    RemoveTree("C:\\zkquelle");
    ASSERT_TRUE(files.CreateDir("C:\\zkquelle"));
    ASSERT_TRUE(files.CreateDir(src));
    ASSERT_TRUE(files.CreateDir(src + "\\TEXTE"));
    std::mt19937 rng(7);
    auto random = [&](size_t n) {
        std::string s(n, '\0');
        for (char& c : s) c = static_cast<char>(rng());
        return s;
    };
    struct File {
        std::string name;
        std::string content;
        bool listed;
    } game[] = {
        {"ZANTORIK.EXE", random(300000), true},  {"ZKSTART.EXE", random(20000), true},
        {"ZANTORIK.HLP", random(8192), true},    {"ZANTORIK.PIF", random(545), true},
        {"ZKZIP.DLL", random(65536 + 1), true},  {"FILE_ID.DIZ", "Zantorik\r\n", true},
        {"ZANTORIK.TXT", "", true},              {"TEXTE\\THEMA.{1}", random(1234), true},
        {"TEXTE\\THEMA.{2}", random(4321), true}, {"SAVE.DAT", random(999), false},
        {"TEXTE\\NOTIZ.DOC", "nein", false},
    };
    platform::FileTime stamp = 125911584000000000;  // 1 Jan 2000
    for (auto& f : game) {
        Write(src + "\\" + f.name, f.content, stamp);
        stamp += 36000000000;
    }
    SetFileAttributesW(Wide(src + "\\ZANTORIK.PIF").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);

    CopyRig rig{platform};
    CopyEngine& engine = rig.engine;
    engine.Source = "c:\\zkquelle";
    engine.Target = "x:/ziel";
    int32_t bytes = 0, free = 0;
    ASSERT_TRUE(engine.PrepareCopy(bytes, free));
    EXPECT_EQ(engine.SourceFolder, "c:\\zkquelle\\ZANTORIK");
    EXPECT_EQ(engine.DestFolder, "x:\\ziel\\ZANTORIK");
    EXPECT_EQ(rig.Filebox.Lines().size(), 9u);
    int32_t expected = 0;
    for (auto& f : game)
        if (f.listed) expected += static_cast<int32_t>(f.content.size());
    EXPECT_EQ(bytes, expected);
    EXPECT_GT(free, bytes);
    rig.txbyte2copy.SetTag(bytes);
    rig.Gauge1.SetMax(bytes);
    ASSERT_TRUE(engine.CopyAll(rig.Statuslabel));
    EXPECT_EQ(rig.txbyte2copy.Tag(), 0);
    EXPECT_EQ(rig.Gauge1.Progress(), bytes);
    for (auto& f : game) {
        const std::string copy = "X:\\ziel\\ZANTORIK\\" + f.name;
        if (!f.listed) {
            EXPECT_FALSE(files.FileExists(copy)) << f.name;
            continue;
        }
        EXPECT_TRUE(Read(copy) == f.content) << f.name;
        platform::FileTime a = 0, b = 0;
        EXPECT_TRUE(files.GetFileStamp(src + "\\" + f.name, a));
        EXPECT_TRUE(files.GetFileStamp(copy, b));
        EXPECT_EQ(a, b) << f.name;
    }
    EXPECT_FALSE(files.DirExists("X:\\_-_"));
    EXPECT_TRUE(fake.dialogs.shown.empty());

    // Once more over the copy: existing files are overwritten.
    Write(src + "\\ZKSTART.EXE", "neu", 126000000000000000);
    ASSERT_TRUE(engine.PrepareCopy(bytes, free));
    ASSERT_TRUE(engine.CopyAll(rig.Statuslabel));
    EXPECT_EQ(Read("X:\\ziel\\ZANTORIK\\ZKSTART.EXE"), "neu");
    // The source test left the source current; a current folder cannot go.
    EXPECT_EQ(files.CurrentDir(), "c:\\zkquelle");
    ASSERT_TRUE(files.SetCurrentDir("C:\\"));
    RemoveTree("C:\\zkquelle");
    EXPECT_FALSE(files.DirExists("C:\\zkquelle"));
}

// An earlier copy that is read-only, hidden or a system file is overwritten
// and loses the mark. What a plain create over it does here is printed: Wine
// 8 refuses one over a read-only file only when not run as root, and keeps
// the marks of a file it overwrites; Windows refuses all three.
TEST_F(RealFiles, AnEarlierCopyThatIsReadOnlyHiddenOrSystemIsOverwritten) {
    CopyRig rig{platform};
    CopyEngine& engine = rig.engine;
    engine.Target = "x:\\";
    RemoveTree("C:\\zkschutz");
    RemoveTree("X:\\schutz");
    ASSERT_TRUE(files.CreateDir("C:\\zkschutz"));
    ASSERT_TRUE(files.CreateDir("X:\\schutz"));
    Write("C:\\zkschutz\\ZKSTART.EXE", "neu", 126000000000000000);
    const std::string copy = "X:\\schutz\\ZKSTART.EXE";
    const struct {
        const char* what;
        DWORD attr;
    } cases[] = {{"read-only", FILE_ATTRIBUTE_READONLY}, {"hidden", FILE_ATTRIBUTE_HIDDEN}, {"system", FILE_ATTRIBUTE_SYSTEM}};
    for (const auto& c : cases) {
        Write(copy, "alt", 125000000000000000);
        ASSERT_TRUE(SetFileAttributesW(Wide(copy).c_str(), c.attr)) << c.what;
        ASSERT_EQ(*files.Attributes(copy) & c.attr, c.attr) << c.what;
        HANDLE h = CreateFileW(Wide(copy).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        const DWORD error = h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        std::printf("plain create over a %s file: %s, attributes then %#x\n", c.what,
                    error ? ("refused, error " + std::to_string(error)).c_str() : "allowed",
                    static_cast<unsigned>(GetFileAttributesW(Wide(copy).c_str())));
        SetFileAttributesW(Wide(copy).c_str(), c.attr);
        EXPECT_EQ(engine.CopyListedFile(rig.Statuslabel, "C:\\zkschutz", "X:\\schutz", "\\ZKSTART.EXE"), 0) << c.what;
        EXPECT_EQ(Read(copy), "neu") << c.what;
        EXPECT_EQ(*files.Attributes(copy) & c.attr, 0u) << c.what;
    }
    RemoveTree("C:\\zkschutz");
    RemoveTree("X:\\schutz");
}

// "." and ".." and doubled separators name the same folder as the plain
// spelling, as the system resolves them.
TEST_F(RealFiles, SamePlaceThroughOtherSpellings) {
    CopyRig rig{platform};
    CopyEngine& engine = rig.engine;
    for (const char* target : {"C:\\SPIELE\\.\\", "C:\\SPIELE\\X\\..\\", "C:\\SPIELE\\\\.\\", "c:/spiele/./",
                               "c:\\spiele\\zantorik\\texte\\.."}) {
        engine.Source = "C:\\SPIELE\\ZANTORIK";
        engine.Target = target;
        fake.dialogs.Answer(platform::mrAbort);
        int32_t bytes = 0, free = 0;
        EXPECT_FALSE(engine.PrepareCopy(bytes, free)) << target;
        ASSERT_FALSE(fake.dialogs.shown.empty());
        EXPECT_EQ(fake.dialogs.shown.back().text, "Quelle und Ziel müssen verschieden sein!") << target;
    }
}

TEST_F(RealFiles, AMissingDriveIsReportedNotCopied) {
    CopyRig rig{platform};
    CopyEngine& engine = rig.engine;
    engine.Source = "c:\\windows";
    engine.Target = "q:\\";
    fake.dialogs.Answer(platform::mrOk);
    fake.dialogs.Answer(platform::mrAbort);
    int32_t bytes = 0, free = 0;
    EXPECT_FALSE(engine.PrepareCopy(bytes, free));
    ASSERT_EQ(fake.dialogs.shown.size(), 2u);
    EXPECT_EQ(fake.dialogs.shown[0].text, "Ziel-Laufwerk unbekannt oder nicht bereit!");
    EXPECT_EQ(fake.dialogs.shown[1].text, "Das Ziellaufwerk ist schreibgeschützt, nicht bereit oder unbekannt.");
}

std::wstring ItemText(HWND tree, HTREEITEM item) {
    wchar_t buf[MAX_PATH] = {};
    TVITEMW it{};
    it.mask = TVIF_TEXT;
    it.hItem = item;
    it.pszText = buf;
    it.cchTextMax = MAX_PATH;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    return buf;
}

TEST_F(RealFiles, FolderChooserOnScreen) {
    RemoveTree("C:\\zkwahl");
    ASSERT_TRUE(files.CreateDir("C:\\zkwahl"));
    ASSERT_TRUE(files.CreateDir("C:\\zkwahl\\Spiele"));
    ASSERT_TRUE(files.CreateDir("C:\\zkwahl\\Spiele\\Zantorik"));
    ASSERT_TRUE(files.CreateDir("X:\\Neu"));
    ui::win32::Init(fake.app);
    // Stands in for the setup window with its target field.
    ui::Form setup{platform, "Form1"};
    setup.placed = true;
    setup.SetBounds(100, 80, 426, 220);
    ui::Edit Edit2{&setup, "Edit2"};
    Edit2.charCase = ui::CharCase::Lower;
    Edit2.SetBounds(8, 72, 385, 24);
    Edit2.SetText("c:\\zkwahl\\spiele\\");
    TGetDirDialog dialog{platform};
    dialog.placed = true;
    ui::win32::Realize(setup);
    ui::win32::Realize(dialog);
    setup.Show();
    dialog.OpenFor(2, setup, Edit2);
    ui::win32::ProcessMessages();

    HWND window = static_cast<HWND>(ui::win32::WindowOf(dialog));
    ASSERT_TRUE(IsWindowVisible(window));
    wchar_t caption[64] = {};
    GetWindowTextW(window, caption, 64);
    EXPECT_EQ(std::wstring(caption), L"Zielordner wählen!");
    // Just below the field, 5 pixels in.
    RECT rc, field;
    GetWindowRect(window, &rc);
    GetWindowRect(static_cast<HWND>(ui::win32::WindowOf(Edit2)), &field);
    EXPECT_EQ(rc.left, field.left + 5);
    EXPECT_EQ(rc.top, field.bottom);
    GetClientRect(window, &rc);
    EXPECT_EQ(rc.right, 145);
    EXPECT_EQ(rc.bottom, 217);

    // The drive list shows the drives with c: chosen.
    HWND drives = static_cast<HWND>(ui::win32::WindowOf(dialog.DriveBox));
    int count = static_cast<int>(SendMessageW(drives, CB_GETCOUNT, 0, 0));
    EXPECT_GE(count, 2);
    std::wstring all;
    for (int i = 0; i < count; ++i) {
        wchar_t item[64] = {};
        SendMessageW(drives, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
        all += std::wstring(item) + L"|";
    }
    EXPECT_NE(all.find(L"c:"), std::wstring::npos);
    EXPECT_NE(all.find(L"x:"), std::wstring::npos);
    wchar_t current[64] = {};
    GetWindowTextW(drives, current, 64);
    EXPECT_EQ(std::wstring(current).substr(0, 2), L"c:");

    // The tree shows the field's folder chosen and its sub-folder below.
    HWND tree = static_cast<HWND>(ui::win32::WindowOf(dialog.DirBox));
    HTREEITEM sel = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    ASSERT_TRUE(sel);
    EXPECT_EQ(ItemText(tree, sel), L"Spiele");
    HTREEITEM child = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(sel)));
    ASSERT_TRUE(child);
    EXPECT_EQ(ItemText(tree, child), L"Zantorik");
    if (const char* dir = std::getenv("ZK_SHOT_DIR"); dir && *dir)
        SaveShot(window, std::string(dir) + "\\chooser.bmp");

    // The user clicks the sub-folder, then "Übernehmen!".
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(child));
    EXPECT_EQ(dialog.DirBox.Directory(), "c:\\zkwahl\\Spiele\\Zantorik");
    SendMessageW(static_cast<HWND>(ui::win32::WindowOf(dialog.Nimms)), BM_CLICK, 0, 0);
    ui::win32::ProcessMessages();
    EXPECT_EQ(Edit2.Text(), "c:\\zkwahl\\spiele\\zantorik");
    wchar_t shown[MAX_PATH] = {};
    GetWindowTextW(static_cast<HWND>(ui::win32::WindowOf(Edit2)), shown, MAX_PATH);
    EXPECT_EQ(std::wstring(shown), L"c:\\zkwahl\\spiele\\zantorik");
    EXPECT_FALSE(IsWindowVisible(window));

    // Choosing X: in the list takes the tree to its root.
    dialog.OpenFor(2, setup, Edit2);
    ui::win32::ProcessMessages();
    int x = static_cast<int>(SendMessageW(drives, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"x:")));
    ASSERT_GE(x, 0);
    SendMessageW(drives, CB_SETCURSEL, static_cast<WPARAM>(x), 0);
    SendMessageW(GetParent(drives), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(drives), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(drives));
    EXPECT_EQ(dialog.DirBox.Directory(), "x:\\");
    sel = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    EXPECT_EQ(ItemText(tree, sel), L"x:\\");
    child = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(sel)));
    ASSERT_TRUE(child);
    EXPECT_EQ(ItemText(tree, child), L"Neu");
    // Back in the setup window, the chooser hides and writes nothing.
    dialog.HideIfVisible();
    ui::win32::ProcessMessages();
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(Edit2.Text(), "c:\\zkwahl\\spiele\\zantorik");
    RemoveTree("C:\\zkwahl");
}

}  // namespace zk::test
