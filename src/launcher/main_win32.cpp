// ZKSTART.EXE: the program's main entry.
#include <windows.h>

#include "graphics/Aboutzk.h"
#include "launcher/Unit1.h"
#include "platform/win32/win32_platform.h"
#include "setup/Dirlog.h"
#include "setup/Zksetup1.h"
#include "ui/win32/dialogs_win32.h"
#include "ui/win32/peers.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    zk::win32::Registry registry;
    zk::win32::FileSystem files;
    zk::win32::Process process;
    zk::win32::Help help;
    zk::ui::win32::Dialogs dialogs(help);
    zk::win32::Application app;
    zk::win32::Timers timers;
    zk::platform::Platform platform{registry, files, process, help, dialogs, app, timers};

    app.SetHelpFile("ZANTORIK.HLP");
    app.SetTitle("Ruvalin ZANTORIK-Starter");
    zk::ui::win32::Init(app);

    // Until the splash window exists the launcher is the main window:
    // closing it ends the program.
    zk::TFormStart launcher(platform);
    launcher.isMainForm = true;
    launcher.Created();
    zk::ui::win32::Realize(launcher);
    // The setup window, created hidden; no archive component yet.
    zk::TForm1 setup(platform);
    setup.Created();
    zk::ui::win32::Realize(setup);
    zk::ConnectSetupAndLauncher(setup, launcher);
    // Created hidden; the launcher shows it without making it modal.
    zk::TAboutBoxRV about(platform);
    about.Created();
    zk::ui::win32::Realize(about);
    launcher.seams.showAboutBox = [&about] { about.Show(); };
    setup.seams.showAboutBox = [&about] { about.Show(); };
    zk::TGetDirDialog dirDialog(platform);
    dirDialog.placed = true;
    dirDialog.Created();
    zk::ui::win32::Realize(dirDialog);
    launcher.seams.hideFolderChooser = [&dirDialog] { dirDialog.HideIfVisible(); };
    zk::ConnectFolderChooser(setup, dirDialog);
    launcher.Show();
    return zk::ui::win32::RunMessageLoop();
}
