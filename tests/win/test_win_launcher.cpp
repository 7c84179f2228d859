// The launcher with real windows over the real platform: user input goes in
// as window messages, the game comes up as the stub in zantorik.pif.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <fstream>
#include <sstream>

#include "ui/win32/win32_bundle.h"
#include "common/text.h"
#include "launcher/Unit1.h"
#include "platform/fake/fake_platform.h"
#include "platform/win32/shelllink_win32.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/wstr.h"
#include "ui/win32/peers.h"

namespace zk::test {

using win32::Wide;

class RealLauncher : public ::testing::Test {
protected:
    RealLauncher() {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Orvandel\\Zantorik");
        fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) { ADD_FAILURE() << "dialog: " << r.text; };
        ui::win32::Init(real.app);
        wchar_t tmp[MAX_PATH];
        GetTempPathW(MAX_PATH, tmp);
        logPath = std::wstring(tmp) + L"zk_stub_log.txt";
        DeleteFileW(logPath.c_str());
        SetEnvironmentVariableW(L"ZK_STUB_LOG", logPath.c_str());
    }
    ~RealLauncher() override {
        SetEnvironmentVariableW(L"ZK_STUB_LOG", nullptr);
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Orvandel\\Zantorik");
    }

    TFormStart& Open() {
        form = std::make_unique<TFormStart>(platform);
        form->Created();
        ui::win32::Realize(*form);
        form->Show();
        ui::win32::ProcessMessages();
        return *form;
    }
    HWND H(ui::Control& c) { return static_cast<HWND>(ui::win32::WindowOf(c)); }
    void Tab(ui::TabSheet& sheet) {
        form->PageControl1.SetActivePage(&sheet);
        ui::win32::ProcessMessages();
    }
    void Click(ui::Control& c) {
        SendMessageW(H(c), BM_CLICK, 0, 0);
        ui::win32::ProcessMessages();
    }
    void Type(ui::Control& c, const std::wstring& text) {
        SendMessageW(H(c), EM_SETSEL, 0, -1);
        SendMessageW(H(c), WM_CHAR, VK_BACK, 0);
        for (wchar_t ch : text) SendMessageW(H(c), WM_CHAR, ch, 0);
        ui::win32::ProcessMessages();
    }
    void Key(ui::Control& c, WPARAM key) {
        SendMessageW(H(c), WM_KEYDOWN, key, 0);
        SendMessageW(H(c), WM_KEYUP, key, 0xC0000001);
        ui::win32::ProcessMessages();
    }

    // The stub's record: its command line and its working folder.
    std::vector<std::string> WaitForGame() {
        for (int i = 0; i < 300; ++i) {
            std::ifstream in(logPath.c_str());
            std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (all.size() > 2 && all.back() == '\n') {
                std::vector<std::string> lines;
                std::istringstream s(all);
                for (std::string l; std::getline(s, l);) lines.push_back(l);
                return lines;
            }
            Sleep(100);
        }
        ADD_FAILURE() << "the game did not start";
        return {"", ""};
    }

    platform::FakePlatform fake;
    win32::Win32Platform real;
    // Help, dialogs and the file dialog stay fakes: nothing waits for a click.
    platform::Platform platform = platform::Mix(real.Get(), fake.Get(), platform::kHelp | platform::kDialogs | platform::kFileDialogs);
    std::unique_ptr<TFormStart> form;
    std::wstring logPath;
};

TEST_F(RealLauncher, StartsTheGameWithDefaultOptions) {
    TFormStart& f = Open();
    std::string folder = f.ProgramFolder();
    ASSERT_EQ(folder.back(), '\\');
    Click(f.zk_run);
    auto rec = WaitForGame();
    EXPECT_EQ(rec[0], folder + "\\zantorik.pif " + folder + " / /B0");
    EXPECT_EQ(rec[1] + "\\", folder);
    EXPECT_TRUE(IsWindowVisible(H(f)));
}

TEST_F(RealLauncher, StartsTheGameWithTheWorkedExampleSetByKeysAndClicks) {
    TFormStart& f = Open();
    Tab(f.TabSheet4);
    Click(f.cb_ppp);
    ASSERT_TRUE(IsWindowEnabled(H(f.roll_ppp)));
    for (int i = 0; i < 4; ++i) Key(f.roll_ppp, VK_NEXT);  // four pages of 5: 50 to 70
    EXPECT_EQ(f.roll_ppp.Position(), 70);
    EXPECT_EQ(f.roll_ppp.Hint(), "70%");
    EXPECT_EQ(real.app.HintPause(), 2500);  // released keys leave the long pause
    Type(f.ed_param, L"/X");
    Tab(f.TabSheet2);
    Click(f.cb_fast);
    Tab(f.TabSheet3);
    Click(f.cb_nocd);
    EXPECT_FALSE(IsWindowEnabled(H(f.cb_niecd)));
    Click(f.cb_ti);
    EXPECT_TRUE(IsWindowEnabled(H(f.ed_ti)));
    Type(f.ed_ti, L"123");  // the field takes two characters
    EXPECT_EQ(f.ed_ti.Text(), "12");
    EXPECT_EQ(f.TrackTI(), 12);
    Type(f.ed_ti, L"2");
    Tab(f.TabSheet1);
    Click(f.zk_run);
    std::string folder = f.ProgramFolder();
    auto rec = WaitForGame();
    EXPECT_EQ(rec[0], folder + "\\zantorik.pif " + folder + " /P70 /TI2 /X /B5");
    EXPECT_EQ(rec[1] + "\\", folder);
}

TEST_F(RealLauncher, OptionsSurviveAnExitAndAreReadBack) {
    TFormStart& f = Open();
    Tab(f.TabSheet3);
    Click(f.cb_niecd);
    EXPECT_FALSE(IsWindowEnabled(H(f.cb_nocd)));
    f.bt_exit.Perform([&] { f.bt_exit.Click(); });
    ui::win32::ProcessMessages();
    EXPECT_FALSE(IsWindowVisible(H(f)));
    platform::StringRead path = real.registry.ReadString("Software\\Orvandel\\Zantorik", "zkPfad");
    EXPECT_EQ(path.value, UpperCaseDE(f.ProgramFolder()));  // the field is an upper-case one
    form.reset();
    TFormStart& g = Open();
    EXPECT_TRUE(g.cb_niecd.Checked());
    EXPECT_EQ(SendMessageW(H(g.cb_niecd), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_FALSE(IsWindowEnabled(H(g.cb_nocd)));
}

}  // namespace zk::test
