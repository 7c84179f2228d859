#include "launcher/program.h"

#include "launcher/setupzip.h"
#include "shell/shelllinks.h"

namespace zk {

Program::Program(platform::Platform& platform, const Realize& realize) {
    platform.app.SetHelpFile("ZANTORIK.HLP");
    platform.app.SetTitle("Ruvalin ZANTORIK-Starter");
    auto made = [&](ui::Form& form) {
        form.Created();
        if (realize) realize(form);
    };

    // Visible at once; closing it ends the program.
    splash = std::make_unique<TForm2>(platform);
    splash->isMainForm = true;
    made(*splash);
    // Hidden; its creation loads the stored options.
    launcher = std::make_unique<TFormStart>(platform);
    made(*launcher);
    // Hidden; its archive component takes the splash as its owner window.
    setup = std::make_unique<TForm1>(platform, SetupSeams{}, std::make_unique<SetupZip>(platform));
    made(*setup);
    about = std::make_unique<TAboutBoxRV>(platform);
    made(*about);
    // It places itself beside the field it serves.
    dirDialog = std::make_unique<TGetDirDialog>(platform);
    dirDialog->placed = true;
    made(*dirDialog);

    launcher->seams.showAboutBox = [this] { about->Show(); };
    launcher->seams.closeMainWindow = [this] { splash->Close(); };
    launcher->seams.hideFolderChooser = [this] { dirDialog->HideIfVisible(); };
    launcher->seams.createMenuEntries = [&platform](const std::string& folder) {
        CreateGameMenuEntries(platform, folder);
    };
    ConnectSetupAndLauncher(*setup, *launcher);
    ConnectFolderChooser(*setup, *dirDialog);
    setup->seams.showAboutBox = [this] { about->Show(); };
    setup->seams.createMenuEntries = [&platform](const std::string& folder) {
        CreateGameMenuEntries(platform, folder);
    };
    // Closing the main window ends the program, which must wait for a run.
    splash->OnCloseQuery = [this] { return !setup->Running(); };
    splash->seams.loadOptions = [this] { return launcher->RegSettings(TFormStart::kLoadOptions); };
    splash->seams.setGameFolder = [this](const std::string& folder) { launcher->ed_zkpfad.SetText(folder); };
    splash->seams.showLauncher = [this] { launcher->Show(); };
    // "Ignorieren" in the welcome: the setup, the launcher stays hidden.
    splash->seams.showSetup = [this] { setup->Show(); };
}

void ConnectSetupAndLauncher(TForm1& setup, TFormStart& launcher) {
    launcher.seams.showSetup = [&setup] { setup.Show(); };
    setup.seams.showLauncher = [&launcher] { launcher.Show(); };
    setup.seams.disableLauncherSetup = [&launcher] { launcher.ZKSetup.SetEnabled(false); };
    // Closing the launcher ends the program: not while a run holds the setup.
    launcher.OnCloseQuery = [&setup] { return !setup.Running(); };
}

}  // namespace zk
