#include "archiver/TempFolder.h"

namespace zk {

std::function<std::string()> SystemTempFolder(platform::FileSystem& files) {
    return [&files] { return files.TempFolder(); };
}

}  // namespace zk
