// ZKSTART.EXE: the program's main entry.
#include <windows.h>

#include "launcher/program.h"
#include "ui/win32/win32_bundle.h"
#include "ui/win32/peers.h"
#include "archiver/win32/PasswordDlg_win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    zk::win32::Win32Platform real;
    zk::platform::Platform platform = real.Get();
    zk::win32::Application& app = real.app;

    zk::ui::win32::Init(app);
    zk::win32::InstallPasswordDlg();
    zk::Program program(platform, [&app](zk::ui::Form& form) {
        zk::ui::win32::Realize(form);
        // The zip library's dialogs belong to the main window.
        if (form.isMainForm) app.mainWindow = zk::ui::win32::WindowOf(form);
    });
    return zk::ui::win32::RunMessageLoop();
}
