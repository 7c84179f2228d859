// The about box on a real screen: opened from the launcher's button, its
// texts read back line by line, its logo strip checked in every scheme.
//   test_about_win.exe OUTDIR   keeps a picture of the box there
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>

#include "graphics/Aboutzk.h"
#include "launcher/Unit1.h"
#include "screenshot.h"
#include "ui/win32/peers.h"
#include "ui/win32/win32_bundle.h"

namespace {

std::string gOutDir = ".";

HWND H(zk::ui::Control& c) { return static_cast<HWND>(zk::ui::win32::WindowOf(c)); }

// Handles messages until the condition holds; false after the limit.
bool PumpUntil(const std::function<bool()>& done, int ms = 5000) {
    for (DWORD start = GetTickCount(); !done(); Sleep(5)) {
        if (GetTickCount() - start > static_cast<DWORD>(ms)) return false;
        zk::ui::win32::ProcessMessages();
    }
    return true;
}

// The lines a memo shows, joined by "|".
std::wstring Lines(HWND memo) {
    std::wstring lines;
    for (LRESULT i = 0, n = SendMessageW(memo, EM_GETLINECOUNT, 0, 0); i < n; ++i) {
        wchar_t buf[256] = {255};  // the first word holds the buffer's size
        lines.append(i ? L"|" : L"").append(buf, size_t(SendMessageW(memo, EM_GETLINE, i, LPARAM(buf))));
    }
    return lines;
}

// The six colour schemes (palette indexes of the layers 1 to 5) and the palette's colours for them.
constexpr int kSchemes[6][5] = {{1, 9, 7, 9, 1}, {9, 7, 9, 1, 5}, {7, 9, 1, 5, 4}, {9, 1, 5, 4, 12}, {1, 5, 4, 12, 5}, {5, 4, 12, 5, 15}};
const std::map<int, COLORREF> kPalette = {{1, RGB(0, 0, 168)},     {4, RGB(168, 0, 0)},    {5, RGB(168, 0, 168)},
                                          {7, RGB(168, 168, 168)}, {9, RGB(84, 84, 252)},  {12, RGB(252, 84, 84)},
                                          {15, RGB(252, 252, 252)}};

TEST(Screen, AboutBoxFromTheLauncherItsTextsAndEveryScheme) {
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
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == H(launcher); }));
    // The player's click on "Infos und Copyright"; the launcher stays.
    SendMessageW(H(launcher.bCopyright), BM_CLICK, 0, 0);
    ASSERT_TRUE(about.Visible());
    ASSERT_TRUE(launcher.Visible());

    EXPECT_EQ(Lines(H(about.Memo1)),
              L"ZANTORIK ist das Spiel für die ganze Familie. |Acht Personen können gleichzeitig an einer |"
              L"Tastatur gemeinsam spielen.|Mit dem Parameter-Manager Ruvalin kann |ZANTORIK von Windows aus bequem "
              L"gestartet |werden.|Das Setup-Programm hilft beim Kopieren von |ZANTORIK an Freunde und Bekannte.| | |"
              L"auch |in der Hilfe-Datei zu ZANTORIK nach näheren |Informationen.");
    EXPECT_EQ(Lines(H(about.Memo3)), L"ZANTORIK Setup Version 2.03|ZANTORIK Version 6.0|Ruvalin Version 2.1");

    HWND box = H(about), strip = H(about.Label3);
    for (int r : {5, 0, 1, 2, 3, 4}) {
        scheme = r;
        // Covering and uncovering repaints the box, and the logo follows in the scheme of the moment.
        RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        std::set<COLORREF> want, seen;
        for (int index : kSchemes[r]) want.insert(kPalette.at(index));
        zk::test::Shot s;
        PumpUntil([&] {
            s = zk::test::Capture(strip), seen.clear();
            for (int y = 0; y < s.height; ++y)
                for (int x = 0; x < s.width; ++x) seen.insert(s.At(x, y));
            seen.erase(RGB(0, 0, 0));
            return seen == want;
        });
        ASSERT_EQ(s.width * 1000 + s.height, 335053);
        EXPECT_EQ(seen, want) << "colours besides black in scheme " << r;
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < 38; ++x) ASSERT_EQ(s.At(x, y), RGB(0, 0, 0)) << "left of the logo at " << x << "," << y;
        // The top face's O (centre (220, 31), radius 17): the top colour on its left edge, black inside.
        bool edge = false;
        for (int x = 202; x <= 205; ++x) edge |= s.At(x, 31) == kPalette.at(kSchemes[r][4]);
        EXPECT_TRUE(edge) << "scheme " << r;
        for (int x = 207; x <= 233; ++x) EXPECT_EQ(s.At(x, 31), RGB(0, 0, 0)) << "scheme " << r << " x " << x;
    }
    zk::test::SaveShot(box, gOutDir + "\\about_box.bmp");
    // Enter presses "Danke", which has the focus and only hides the box.
    SetForegroundWindow(box);
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == H(about.OKButton); })) << "focus on " << GetFocus();
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 0);
    PostMessageW(GetFocus(), WM_KEYUP, VK_RETURN, 0xC0000001);
    EXPECT_TRUE(PumpUntil([&] { return !about.Visible() && !IsWindowVisible(box); }));
    EXPECT_TRUE(IsWindowVisible(H(launcher)));
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 1) CreateDirectoryA((gOutDir = argv[1]).c_str(), nullptr);
    return RUN_ALL_TESTS();
}
