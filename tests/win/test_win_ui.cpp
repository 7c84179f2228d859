// The ui layer's real windows: keys and clicks reach the control objects.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/error.h"
#include "common/runflags.h"
#include "launcher/program.h"
#include "platform/fake/fake_platform.h"
#include "ui/win32/peers.h"

namespace zk::ui {

struct RealWindows : ::testing::Test {
    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
    Form form{platform, "KeyForm"};
    GroupBox box{&form, "Box"};
    Edit name{&box, "Name"};
    Button ok{&form, "Ok"}, cancel{&form, "Cancel"};
    Gauge gauge{&form, "Gauge"};
    Memo memo{&form, "Memo"};
    std::string log;
    RealWindows() {
        form.SetClientSize(240, 150), box.SetBounds(8, 8, 224, 60), name.SetBounds(8, 20, 200, 21);
        ok.SetBounds(8, 80, 80, 25), cancel.SetBounds(100, 80, 80, 25), gauge.SetBounds(10, 115, 200, 20);
        ok.isDefault = cancel.isCancel = true, gauge.border = false;
        ok.OnClick = [this] { log += "ok "; };
        cancel.OnClick = [this] { log += "cancel "; };
        name.OnChange = [this] { log += "change "; };
        form.SetActiveControl(&name);
        win32::Init(fake.app), win32::Realize(form);
        form.Show(), win32::ProcessMessages();
    }
    HWND H(Control& c) { return static_cast<HWND>(win32::WindowOf(c)); }
};

// Typed umlauts, Enter for the default and Escape for the cancel button, the
// program's text in the window, an error from a click in the error box.
TEST_F(RealWindows, KeysReachTheControlsAndErrorsTheErrorBox) {
    EXPECT_EQ(GetParent(H(name)), H(box));
    SetFocus(H(name));
    for (wchar_t c : std::wstring(L"äb")) SendMessageW(H(name), WM_CHAR, c, 0);
    for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
        PostMessageW(H(name), WM_KEYDOWN, key, 0);
        PostMessageW(H(name), WM_KEYUP, key, 0xC0000001);
    }
    win32::ProcessMessages();
    EXPECT_EQ(name.Text(), "äb");
    EXPECT_EQ(log, "change change ok cancel ");
    name.SetText("neu");
    wchar_t buf[16] = {};
    GetWindowTextW(H(name), buf, 16);
    EXPECT_EQ(std::wstring(buf), L"neu");
    memo.SetLines({"", "ä", ""});
    GetWindowTextW(H(memo), buf, 16);
    EXPECT_EQ(std::wstring(buf), L"\r\nä\r\n");
    ok.OnClick = [] { throw Error("kaputt"); };
    SendMessageW(H(ok), BM_CLICK, 0, 0);
    EXPECT_EQ(fake.app.errors, std::vector<std::string>{"kaputt"});
}

// The percentage reads in the background's colour over the bar, in the bar's beside it.
TEST_F(RealWindows, GaugeTextReadsOnTheBarAndBesideIt) {
    const struct { int percent; bool onBar, beside; } cases[] = {{50, true, true}, {5, false, true}, {95, true, false}};
    for (const auto& c : cases) {
        gauge.SetProgress(c.percent);
        RedrawWindow(H(gauge), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        win32::ProcessMessages();
        HDC dc = GetDC(H(gauge));
        int backOnBar = 0, barBeside = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 200; ++x) {
                COLORREF px = GetPixel(dc, x, y);
                backOnBar += x < c.percent * 2 && px == RGB(0, 0, 0);
                barBeside += x >= c.percent * 2 && px == RGB(0, 255, 0);
            }
        ReleaseDC(H(gauge), dc);
        EXPECT_EQ(std::tuple(backOnBar > 0, barBeside > 0), std::tuple(c.onBar, c.beside)) << c.percent << "%";
    }
}

// The launcher back from the setup window ("Zantorik kopieren", then "Ende"):
// after a copy every control keeps what the user set, the free parameters
// too; else the stored options come back and the free parameters read "/".
TEST_F(RealWindows, TheLauncherBackFromTheSetupKeepsItsControlsOnlyAfterACopy) {
    fake.files.AddDir("C:\\SPIELE\\ZANTORIK");
    fake.registry.SetValue("Software\\Orvandel\\Zantorik", "xFast", "0");
    for (const uint8_t copyDone : {1, 0}) {
        Program program(platform, [](Form& f) { win32::Realize(f); });
        TFormStart& l = *program.launcher;
        const auto shown = [&] {
            wchar_t text[32] = {};
            GetWindowTextW(H(l.ed_param), text, 32);
            return std::to_wstring(SendMessageW(H(l.cb_fast), BM_GETCHECK, 0, 0)) + L" " + text;
        };
        l.Show(), win32::ProcessMessages();
        SendMessageW(H(l.cb_fast), BM_CLICK, 0, 0), SetFocus(H(l.ed_param));
        for (wchar_t c : std::wstring(L"X 7")) SendMessageW(H(l.ed_param), WM_CHAR, c, 0);
        const std::wstring set = shown();
        SendMessageW(H(l.ZKSetup), BM_CLICK, 0, 0);
        CopyDone = copyDone;  // as the run left it
        SendMessageW(H(program.setup->ButEnde), BM_CLICK, 0, 0), win32::ProcessMessages();
        EXPECT_EQ(std::pair(IsWindowVisible(H(l)), set.substr(0, 5)), std::pair(TRUE, std::wstring(L"1 X 7")));
        EXPECT_EQ(shown(), copyDone ? set : L"0 /") << copyDone;
    }
    CopyDone = 0;
}

}  // namespace zk::ui
