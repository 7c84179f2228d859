// The system's dialog for choosing a file to open.
#pragma once
#include <string>
#include <vector>

namespace zk::platform {

struct FileFilter {
    std::string name;     // as the list shows it: "DOSBox (DOSBox.exe)"
    std::string pattern;  // ";" between patterns: "DOSBox.exe;dosbox-x.exe"
};

struct OpenFileRequest {
    std::string title;
    std::vector<FileFilter> filters;
    std::string folder;  // where the dialog opens; "" leaves it to the system
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The full path of the existing file the player chose; false when he
    // cancelled. The current folder stays as it was.
    virtual bool OpenFile(const OpenFileRequest& request, std::string& path) = 0;
};

}  // namespace zk::platform
