// Shortcuts in the current user's special folders, and the game's group
// "ZANTORIK" in the start menu's Programs folder.
#pragma once
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace zk {

// Where a shortcut goes: the special folder, found through the registry.
enum ShellLocation : uint8_t {
    slDesktop = 0,
    slQuickLaunch = 1,
    slSendTo = 2,
    slStartMenu = 3,
    slPrograms = 4,
};

// Writes group\name.lnk into the special folder of the location, the group
// folder created if missing; the name is also the description. An unknown
// location or an empty folder value writes nothing. A special folder that
// cannot be entered raises zk::InOutError; a failed save goes unreported.
void CreateShellLink(platform::Platform& platform, const std::string& group, const std::string& name,
                     const std::string& target, uint8_t location);

// The launcher and the manual in the given folder, used as it comes: a
// trailing backslash doubles the separator.
void CreateGameMenuEntries(platform::Platform& platform, const std::string& folder);

}  // namespace zk
