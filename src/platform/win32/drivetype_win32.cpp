#include <windows.h>

#include "platform/win32/win32_platform.h"
#include "platform/win32/wstr.h"

namespace zk::win32 {

unsigned FileSystem::DriveTypeOf(const std::string& root) { return GetDriveTypeW(Wide(root).c_str()); }

}  // namespace zk::win32
