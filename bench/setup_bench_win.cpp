// The copy through the real setup window, under Wine: the window realized and
// shown, the paths in its fields, "Start" pressed, every question answered
// "No". Prints the bytes copied and the seconds the run took.
//   setup_bench.exe SOURCE TARGET [--hidden | --zip]
// --hidden runs the same without real windows (the copy without repaints);
// --zip ticks "Komprimieren": TARGET\zantorik.zip through ZKZIP.DLL.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "ui/win32/win32_bundle.h"
#include "platform/fake/fake_platform.h"
#include "platform/win32/wstr.h"
#include "launcher/setupzip.h"
#include "setup/Zksetup1.h"
#include "ui/win32/peers.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    const bool hidden = argc > 3 && std::wstring(argv[3]) == L"--hidden";
    const bool zip = argc > 3 && std::wstring(argv[3]) == L"--zip";
    zk::win32::Win32Platform real;
    zk::platform::FakePlatform noes;  // every question answered "No"
    noes.dialogs.onShow = [&noes](const zk::platform::DialogRequest& r) {
        std::fprintf(stderr, "dialog: %s\n", r.text.c_str());
        noes.dialogs.Answer(zk::platform::mrNo);
    };
    zk::platform::Platform platform = zk::platform::Mix(real.Get(), noes.Get(), zk::platform::kDialogs);
    zk::win32::Application& app = real.app;
    zk::ui::win32::Init(app);
    zk::TForm1 setup(platform, {}, std::make_unique<zk::SetupZip>(platform));
    setup.Created();
    if (!hidden) zk::ui::win32::Realize(setup);
    setup.Show();
    zk::ui::win32::ProcessMessages();
    setup.Edit1.SetText(zk::win32::Utf8(argv[1]));
    setup.Edit2.SetText(zk::win32::Utf8(argv[2]));
    if (zip) setup.chkZip.Toggle();
    zk::ui::win32::ProcessMessages();
    const auto t0 = std::chrono::steady_clock::now();
    setup.ButStartClick();
    const auto t1 = std::chrono::steady_clock::now();
    const bool ok = setup.Statuslabel.Caption() == "Geschafft!";
    std::printf("%s %d bytes %.3f s\n", ok ? "ok" : "failed", setup.Gauge1.Max(),
                std::chrono::duration<double>(t1 - t0).count());
    return ok ? 0 : 1;
}
