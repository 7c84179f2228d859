#include "shell/shelllinks.h"

#include <memory>

#include "common/error.h"

namespace zk {

namespace {
const std::string kExplorer = "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer";
const std::string kShellFolders = kExplorer + "\\Shell Folders";
const std::string kMapGroups = "Software\\MicroSoft\\Windows\\CurrentVersion\\GrpConv\\MapGroups";

// A missing value, or one that is no string, names no folder.
std::string SpecialFolder(platform::Registry& reg, uint8_t location) {
    std::string key = kShellFolders, value;
    switch (location) {
        case slDesktop: value = "Desktop"; break;
        case slQuickLaunch: key = kMapGroups; value = "Quick Launch"; break;
        case slSendTo: value = "SendTo"; break;
        case slStartMenu: value = "Start Menu"; break;
        case slPrograms: value = "Programs"; break;
        default: return {};
    }
    platform::StringRead r = reg.ReadString(key, value);
    return r.status == platform::ReadStatus::Present ? r.value : std::string();
}
}  // namespace

void CreateShellLink(platform::Platform& platform, const std::string& group, const std::string& name,
                     const std::string& target, uint8_t location) {
    std::unique_ptr<platform::ShellLink> link = platform.shellLinks.NewLink();
    link->SetDescription(name);
    link->SetPath(target);

    platform.registry.CreateKey(kExplorer);
    const std::string folder = SpecialFolder(platform.registry, location);
    if (folder.empty()) return;
    // A special folder that cannot be entered is an input/output error. It
    // is entered only for that test: the working directory stays as it was.
    const std::string current = platform.files.CurrentDir();
    if (!platform.files.SetCurrentDir(folder)) throw InOutError(platform.files.LastError());
    platform.files.SetCurrentDir(current);

    // By its full path. An existing group folder is fine, and a missing one
    // only makes the save fail.
    const std::string groupFolder = folder + "\\" + group;
    platform.files.CreateDir(groupFolder);
    link->Save(groupFolder + "\\" + name + ".lnk");
}

void CreateGameMenuEntries(platform::Platform& platform, const std::string& folder) {
    CreateShellLink(platform, "ZANTORIK", "ZANTORIK spielen", folder + "\\zkstart.exe", slPrograms);
    CreateShellLink(platform, "ZANTORIK", "ZANTORIK Anleitung", folder + "\\zantorik.hlp", slPrograms);
}

}  // namespace zk
