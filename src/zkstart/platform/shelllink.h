// Shortcut files (".lnk") through the shell's own shortcut object.
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
};

}  // namespace zk::platform
