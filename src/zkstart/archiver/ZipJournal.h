// The component's side of the library's undo journal: an add that was cut
// short (a crash, a killed process) is undone before the archive is read.
#pragma once
#include <string>

#include "platform/filesystem.h"

namespace zk {

// Puts back the archive a half-finished add left behind and removes the
// journal; leaves both alone when the archive cannot be written.
void UndoInterruptedAdd(platform::FileSystem& files, const std::string& archive);

}  // namespace zk
