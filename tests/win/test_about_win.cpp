// The about box on a real screen: opened from the launcher's button, its
// logo strip read back and checked in every scheme.
//   test_about_win.exe OUTDIR   keeps a picture of the box there
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "graphics/Aboutzk.h"
#include "graphics/surface.h"
#include "launcher/Unit1.h"
#include "screenshot.h"
#include "ui/win32/peers.h"
#include "ui/win32/win32_bundle.h"

namespace {

using zk::ui::win32::WindowOf;
std::string gOutDir = ".";

void Pump(int ms) {
    for (DWORD end = GetTickCount() + static_cast<DWORD>(ms); static_cast<int>(end - GetTickCount()) > 0; Sleep(5))
        zk::ui::win32::ProcessMessages();
}

COLORREF Layer(int scheme, int layer) {
    zk::platform::Rgb c = zk::graphics::PaletteColor(zk::graphics::LogoLayerColor(scheme, layer));
    return RGB(zk::platform::RedOf(c), zk::platform::GreenOf(c), zk::platform::BlueOf(c));
}

TEST(Screen, AboutBoxFromTheLauncherInEveryScheme) {
    zk::win32::Win32Platform real;
    zk::platform::Platform platform = real.Get();
    zk::ui::win32::Init(real.app);
    zk::TFormStart launcher(platform);
    zk::TAboutBoxRV about(platform);
    int scheme = 5;
    about.scheme = [&] { return scheme; };
    launcher.Created(), about.Created();
    zk::ui::win32::Realize(launcher), zk::ui::win32::Realize(about);
    launcher.Show();
    launcher.seams.showAboutBox = [&about] { about.Show(); };
    Pump(300);
    // The player's click on "Infos und Copyright"; the launcher stays.
    SendMessageW(static_cast<HWND>(WindowOf(launcher.bCopyright)), BM_CLICK, 0, 0);
    ASSERT_TRUE(about.Visible() && launcher.Visible());
    Pump(500);
    HWND box = static_cast<HWND>(WindowOf(about));
    for (int r = 0; r <= 5; ++r) {
        scheme = r;
        // Covering and uncovering repaints the box, and the logo follows.
        RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump(300);
        zk::test::Shot s = zk::test::Capture(static_cast<HWND>(WindowOf(about.Label3)));
        ASSERT_EQ(s.width * 1000 + s.height, 335053);
        std::set<COLORREF> want = {RGB(0, 0, 0)}, seen;
        for (int layer = 1; layer <= 5; ++layer) want.insert(Layer(r, layer));
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x) {
                seen.insert(s.At(x, y));
                ASSERT_TRUE(x >= 38 || s.At(x, y) == RGB(0, 0, 0)) << "left of the logo at " << x << "," << y;
            }
        EXPECT_EQ(seen, want) << "scheme " << r;
        // The top face's O (centre (220, 31), radius 17): the top colour on its left edge, black inside.
        bool edge = false;
        for (int x = 202; x <= 205; ++x) edge |= s.At(x, 31) == Layer(r, 5);
        EXPECT_TRUE(edge) << "scheme " << r;
        for (int x = 207; x <= 233; ++x) EXPECT_EQ(s.At(x, 31), RGB(0, 0, 0)) << "scheme " << r << " x " << x;
    }
    zk::test::SaveShot(box, gOutDir + "\\about_box.bmp");
    // Enter presses "Danke", which has the focus and only hides the box.
    SetForegroundWindow(box);
    Pump(100);
    HWND focus = GetFocus();
    EXPECT_EQ(focus, static_cast<HWND>(WindowOf(about.OKButton)));
    PostMessageW(focus, WM_KEYDOWN, VK_RETURN, 0), PostMessageW(focus, WM_KEYUP, VK_RETURN, 0xC0000001);
    Pump(300);
    EXPECT_TRUE(!about.Visible() && launcher.Visible());
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 1) CreateDirectoryA((gOutDir = argv[1]).c_str(), nullptr);
    return RUN_ALL_TESTS();
}
