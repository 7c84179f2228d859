// The about box on a real screen: opened from the launcher's button, its
// logo strip read back from the window and checked in every scheme.
//   test_about_win.exe OUTDIR [HOLDMS]
// keeps the strips as BMP files in OUTDIR; with HOLDMS it then leaves the
// box up that long after creating OUTDIR\about_ready, for a screenshot.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "ui/win32/win32_bundle.h"
#include "graphics/Aboutzk.h"
#include "graphics/logo.h"
#include "graphics/surface.h"
#include "launcher/Unit1.h"
#include "platform/win32/shelllink_win32.h"
#include "platform/win32/win32_platform.h"
#include "ui/win32/dialogs_win32.h"
#include "ui/win32/peers.h"

namespace {

std::string gOutDir = ".";
int gHoldMs = 0;

struct Shot {
    int width = 0, height = 0;
    std::vector<uint32_t> bits;  // 0x00RRGGBB, top row first
    COLORREF At(int x, int y) const {
        uint32_t p = bits[static_cast<size_t>(y) * width + x];
        return RGB(p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF);
    }
};

// What the window shows now, read back from its own device context.
Shot Capture(HWND window) {
    RECT rc;
    GetClientRect(window, &rc);
    Shot s;
    s.width = rc.right - rc.left;
    s.height = rc.bottom - rc.top;
    s.bits.resize(static_cast<size_t>(s.width) * s.height);
    HDC src = GetDC(window);
    HDC mem = CreateCompatibleDC(src);
    HBITMAP bmp = CreateCompatibleBitmap(src, s.width, s.height);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, s.width, s.height, src, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = s.width;
    bi.bmiHeader.biHeight = -s.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    GetDIBits(mem, bmp, 0, static_cast<UINT>(s.height), s.bits.data(), &bi, DIB_RGB_COLORS);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(window, src);
    return s;
}

void SaveBmp(const Shot& s, const std::string& name) {
    std::string path = gOutDir + "\\" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof ih;
    ih.biWidth = s.width;
    ih.biHeight = -s.height;
    ih.biPlanes = 1;
    ih.biBitCount = 32;
    ih.biCompression = BI_RGB;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = static_cast<DWORD>(fh.bfOffBits + s.bits.size() * 4);
    std::fwrite(&fh, sizeof fh, 1, f);
    std::fwrite(&ih, sizeof ih, 1, f);
    std::fwrite(s.bits.data(), 4, s.bits.size(), f);
    std::fclose(f);
}

void Pump(int ms) {
    DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    while (static_cast<int>(end - GetTickCount()) > 0) {
        zk::ui::win32::ProcessMessages();
        Sleep(5);
    }
}

COLORREF Palette(uint8_t index) {
    zk::platform::Rgb c = zk::graphics::PaletteColor(index);
    return RGB(zk::platform::RedOf(c), zk::platform::GreenOf(c), zk::platform::BlueOf(c));
}

struct Screen : ::testing::Test {
    Screen() { zk::ui::win32::Init(real.app); }
    zk::win32::Win32Platform real;
    zk::win32::Application& app = real.app;
    zk::platform::Platform platform = real.Get();
};

TEST_F(Screen, AboutBoxFromTheLauncherInEveryScheme) {
    zk::TFormStart launcher(platform);
    launcher.Created();
    zk::ui::win32::Realize(launcher);
    launcher.Show();
    zk::TAboutBoxRV about(platform);
    int scheme = 5;
    about.scheme = [&] { return scheme; };
    about.Created();
    zk::ui::win32::Realize(about);
    launcher.seams.showAboutBox = [&about] { about.Show(); };
    Pump(300);
    ASSERT_FALSE(about.Visible());

    // The player's click on "Infos und Copyright".
    SendMessageW(static_cast<HWND>(zk::ui::win32::WindowOf(launcher.bCopyright)), BM_CLICK, 0, 0);
    ASSERT_TRUE(about.Visible());
    ASSERT_TRUE(launcher.Visible());  // not modal: the launcher stays
    Pump(500);
    HWND box = static_cast<HWND>(zk::ui::win32::WindowOf(about));
    HWND strip = static_cast<HWND>(zk::ui::win32::WindowOf(about.Label3));

    for (int r = 5; r >= 0; --r) {
        scheme = r;
        // Covering and uncovering repaints the box, and the logo follows.
        RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump(300);
        EXPECT_FALSE(about.Timer1.Enabled());
        Shot s = Capture(strip);
        ASSERT_EQ(s.width, 335);
        ASSERT_EQ(s.height, 53);
        SaveBmp(s, "about_logo_" + std::to_string(r) + ".bmp");
        std::set<COLORREF> want = {RGB(0, 0, 0)};
        for (int layer = 1; layer <= 5; ++layer) want.insert(Palette(zk::graphics::LogoLayerColor(r, layer)));
        std::set<COLORREF> seen;
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x) seen.insert(s.At(x, y));
        EXPECT_EQ(seen, want) << "scheme " << r;
        // The top face's O (last copy from 46, O at 203, centre (220, 31),
        // radius 17): black inside, the top colour on its left edge.
        const COLORREF top = Palette(zk::graphics::LogoLayerColor(r, 5));
        for (int x = 207; x <= 233; ++x) EXPECT_EQ(s.At(x, 31), RGB(0, 0, 0)) << "scheme " << r << " x " << x;
        bool edge = false;
        for (int x = 202; x <= 205; ++x) edge |= s.At(x, 31) == top;
        EXPECT_TRUE(edge) << "scheme " << r;
        // Nothing of the logo above the strip's top row or left of 38.
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < 38; ++x) ASSERT_EQ(s.At(x, y), RGB(0, 0, 0)) << x << "," << y;
    }

    // Scheme 5 stays up for an outside screenshot when one is waiting.
    if (gHoldMs > 0) {
        scheme = 5;
        RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump(300);
        if (FILE* f = std::fopen((gOutDir + "\\about_ready").c_str(), "wb")) std::fclose(f);
        Pump(gHoldMs);
    }

    // Enter presses "Danke", which only hides the box.
    SetForegroundWindow(box);
    Pump(100);
    HWND focus = GetFocus();
    EXPECT_EQ(focus, static_cast<HWND>(zk::ui::win32::WindowOf(about.OKButton)));
    PostMessageW(focus, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageW(focus, WM_KEYUP, VK_RETURN, 0xC0000001);
    Pump(300);
    EXPECT_FALSE(about.Visible());
    EXPECT_TRUE(launcher.Visible());
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 1) gOutDir = argv[1];
    if (argc > 2) gHoldMs = std::atoi(argv[2]);
    return RUN_ALL_TESTS();
}
