// ZKSTART.EXE: the program's main entry.
#include <windows.h>

#include "launcher/program.h"
#include "platform/win32/shelllink_win32.h"
#include "platform/win32/win32_platform.h"
#include "ui/win32/dialogs_win32.h"
#include "ui/win32/peers.h"
#include "archiver/win32/PasswordDlg_win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    zk::win32::Registry registry;
    zk::win32::FileSystem files;
    zk::win32::Process process;
    zk::win32::Help help;
    zk::ui::win32::Dialogs dialogs(help);
    zk::win32::Application app;
    zk::win32::Timers timers;
    // COM for this thread, once, for the whole run.
    zk::win32::ShellLinks shellLinks;
    zk::win32::DynLib dynlib;
    zk::win32::CodePages codePages;
    zk::win32::DiskFormat diskFormat;
    zk::win32::FileDialogs fileDialogs;
    zk::platform::Platform platform{registry, files, process, help, dialogs,
                                    app, timers, shellLinks, dynlib, codePages, diskFormat, fileDialogs};

    zk::ui::win32::Init(app);
    zk::win32::InstallPasswordDlg();
    zk::Program program(platform, [&app](zk::ui::Form& form) {
        zk::ui::win32::Realize(form);
        // The zip library's dialogs belong to the main window.
        if (form.isMainForm) app.mainWindow = zk::ui::win32::WindowOf(form);
    });
    return zk::ui::win32::RunMessageLoop();
}
