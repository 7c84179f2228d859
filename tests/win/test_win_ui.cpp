// The ui layer's real windows: keys and clicks reach the control objects.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/error.h"
#include "platform/fake/fake_platform.h"
#include "ui/win32/peers.h"

namespace zk::ui {

struct KeyForm : Form {
    explicit KeyForm(platform::Platform& p)
        : Form(p, "KeyForm"), Box(this, "Box"), Name(&Box, "Name"), Ok(this, "Ok"), Cancel(this, "Cancel") {
        SetClientSize(240, 120);
        Box.SetBounds(8, 8, 224, 60);
        Box.SetCaption("Kopieren");
        Name.SetBounds(8, 20, 200, 21);
        Ok.SetBounds(8, 80, 80, 25);
        Ok.SetCaption("OK");
        Ok.isDefault = true;
        Cancel.SetBounds(100, 80, 80, 25);
        Cancel.SetCaption("Abbrechen");
        Cancel.isCancel = true;
        Ok.OnClick = [this] { log += "ok "; };
        Cancel.OnClick = [this] { log += "cancel "; };
        Name.OnChange = [this] { log += "change "; };
        SetActiveControl(&Name);
    }
    GroupBox Box;
    Edit Name;
    Button Ok, Cancel;
    std::string log;
};

struct RealWindows : ::testing::Test {
    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
    KeyForm form{platform};
    RealWindows() {
        win32::Init(fake.app);
        win32::Realize(form);
        form.Show();
        win32::ProcessMessages();
    }
    HWND H(Control& c) { return static_cast<HWND>(win32::WindowOf(c)); }
    void Key(Control& c, WPARAM key) {
        PostMessageW(H(c), WM_KEYDOWN, key, 0);
        PostMessageW(H(c), WM_KEYUP, key, 0xC0000001);
        win32::ProcessMessages();
    }
};

TEST_F(RealWindows, EnterPressesTheDefaultAndEscapeTheCancelButton) {
    ASSERT_NE(H(form.Name), nullptr);
    EXPECT_EQ(GetParent(H(form.Name)), H(form.Box));  // the group box holds its controls
    SetFocus(H(form.Name));
    Key(form.Name, VK_RETURN);
    Key(form.Name, VK_ESCAPE);
    EXPECT_EQ(form.log, "ok cancel ");
}

TEST_F(RealWindows, TypingReachesTheEditAndItsOnChange) {
    SetFocus(H(form.Name));
    for (wchar_t c : std::wstring(L"äb")) SendMessageW(H(form.Name), WM_CHAR, c, 0);
    win32::ProcessMessages();
    EXPECT_EQ(form.Name.Text(), "äb");
    EXPECT_EQ(form.log, "change change ");
    form.Name.SetText("neu");  // the program's change shows in the window
    wchar_t buf[16];
    GetWindowTextW(H(form.Name), buf, 16);
    EXPECT_STREQ(buf, L"neu");
}

TEST_F(RealWindows, ErrorsOfAUserActionGoToTheErrorBox) {
    form.Ok.OnClick = [] { throw Error("Erzeugung von Schlüssel Zantorik misslungen"); };
    SendMessageW(H(form.Ok), BM_CLICK, 0, 0);
    win32::ProcessMessages();
    ASSERT_EQ(fake.app.errors.size(), 1u);
    EXPECT_EQ(fake.app.errors[0], "Erzeugung von Schlüssel Zantorik misslungen");
}

TEST_F(RealWindows, CloseBoxRunsCloseAndHides) {
    int closed = 0;
    form.OnClose = [&] { ++closed; };
    SendMessageW(H(form), WM_CLOSE, 0, 0);
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(form.Visible());
    EXPECT_FALSE(IsWindowVisible(H(form)));
}

// The percentage over the bar in the background's colour, over the rest in
// the bar's: some of the text's pixels must show so on either side.
TEST_F(RealWindows, GaugeTextReadsOnTheBarAndBesideIt) {
    Form f{platform, "GaugeForm"};
    f.SetClientSize(220, 40);
    Gauge g{&f, "g"};
    g.SetBounds(10, 10, 200, 20);
    g.border = false;
    Font bold;
    bold.bold = true;
    g.SetFont(bold);
    win32::Realize(f);
    f.Show();
    const struct { int percent; bool onBar, beside; } cases[] = {{50, true, true}, {5, false, true}, {95, true, false}};
    for (const auto& c : cases) {
        g.SetProgress(c.percent);
        RedrawWindow(H(g), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        win32::ProcessMessages();
        HDC dc = GetDC(H(g));
        int backOnBar = 0, barBeside = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 200; ++x) {
                COLORREF px = GetPixel(dc, x, y);
                if (x < c.percent * 2 && px == RGB(0, 0, 0)) ++backOnBar;
                if (x >= c.percent * 2 && px == RGB(0, 255, 0)) ++barBeside;
            }
        ReleaseDC(H(g), dc);
        EXPECT_EQ(backOnBar > 0, c.onBar) << c.percent << "%";
        EXPECT_EQ(barBeside > 0, c.beside) << c.percent << "%";
    }
}

}  // namespace zk::ui
