// The splash window: the logo for a few seconds, then the first-run check
// that decides what the player sees first. It is the program's main window
// for the whole run, hidden once the decision is taken.
#pragma once
#include <functional>
#include <string>

#include "graphics/logo.h"
#include "ui/form.h"

namespace zk {

// Calls into windows that live elsewhere in the program; each does nothing
// until its owner plugs it in.
struct SplashSeams {
    // The launcher's RegSettings(1): false when no options were ever stored.
    std::function<bool()> loadOptions;
    // The launcher's hidden game-folder field.
    std::function<void(const std::string& folder)> setGameFolder;
    std::function<void()> showLauncher;
    std::function<void()> showSetup;
};

class TForm2 : public ui::Form {
public:
    explicit TForm2(platform::Platform& platform, SplashSeams seams = {});

    // Handler of Timer1: the logo on the first tick, the decision on the second.
    void Timer1Timer();

    // The folder of the running program with its trailing backslash, as it comes.

    SplashSeams seams;
    // Where the logo's colour scheme comes from.
    graphics::SchemeSource scheme = graphics::TimeSeededScheme;

    ui::Panel Panel1;
    ui::Label Label1;
    ui::Timer Timer1;

private:
    enum class Next { Launcher, Setup, Quit };
    Next FirstRunCheck(const std::string& folder);
    void SetGameFolder(const std::string& folder);
};

std::string WelcomeText(const std::string& folder);
extern const char kUnpackText[];

}  // namespace zk
