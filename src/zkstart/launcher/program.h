// The program's windows, created in their order and wired to each other:
// what the main entry builds before it runs the message loop.
#pragma once
#include <functional>
#include <memory>

#include "graphics/Aboutzk.h"
#include "launcher/Unit1.h"
#include "launcher/Zkstrt00.h"
#include "setup/Dirlog.h"
#include "setup/Zksetup1.h"

namespace zk {

class Program {
public:
    // Called for each window right after its creation, before the next one
    // is made (the main entry gives it its real window there).
    using Realize = std::function<void(ui::Form&)>;

    Program(platform::Platform& platform, const Realize& realize = {});

    // The splash is the main window for the whole run.
    std::unique_ptr<TForm2> splash;
    std::unique_ptr<TFormStart> launcher;
    std::unique_ptr<TForm1> setup;
    std::unique_ptr<TAboutBoxRV> about;
    std::unique_ptr<TGetDirDialog> dirDialog;
};

// The setup window and the launcher, wired as the program runs them: the
// launcher's "Zantorik kopieren" hides the launcher and shows the setup;
// closing the setup disables that button and shows the launcher again;
// the launcher does not close (which ends the program) while a run goes on.
void ConnectSetupAndLauncher(TForm1& setup, TFormStart& launcher);

}  // namespace zk
