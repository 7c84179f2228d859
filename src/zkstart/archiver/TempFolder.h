// The system's temporary folder as the archive component asks for it.
#pragma once
#include <functional>
#include <string>

#include "platform/filesystem.h"

namespace zk {

// Asks the platform each time: the folder may change while the program runs.
std::function<std::string()> SystemTempFolder(platform::FileSystem& files);

}  // namespace zk
