// Shortcut files (".lnk") through the shell's own shortcut object, and the
// two folder operations that writing them into a special folder needs.
#pragma once
#include <memory>
#include <string>

namespace zk::platform {

// One shortcut object of the shell; it lives for one shortcut.
class ShellLink {
public:
    virtual ~ShellLink() = default;
    virtual void SetDescription(const std::string& text) = 0;
    virtual void SetPath(const std::string& target) = 0;
    // Writes the shortcut file, replacing one of the same name, without
    // making it the object's file; false when it could not be written.
    virtual bool Save(const std::string& file) = 0;
};

class ShellLinks {
public:
    virtual ~ShellLinks() = default;
    // A new shortcut object; raises zk::Error when the shell cannot make one
    // or it lacks one of its interfaces.
    virtual std::unique_ptr<ShellLink> NewLink() = 0;
    // 0 when the path names a folder that can be entered, else the system's
    // error number (what making it the working directory would report).
    virtual int FolderError(const std::string& path) = 0;
    // Creates one folder whose parent exists; false when it exists already
    // or cannot be made.
    virtual bool CreateFolder(const std::string& path) = 0;
};

}  // namespace zk::platform
