// Shortcuts for headless tests: every saved shortcut is recorded and also
// lands as a file in the fake file system, so folders behave as on disk.
#pragma once
#include <string>
#include <vector>

#include "platform/shelllink.h"

namespace zk::platform {

class FakeFileSystem;

class FakeShellLinks : public ShellLinks {
public:
    explicit FakeShellLinks(FakeFileSystem& files) : files_(files) {}

    struct Saved {
        std::string file;
        std::string description;
        std::string target;
    };

    std::unique_ptr<ShellLink> NewLink() override;

    // Test side.
    std::vector<Saved> saved;  // in the order written
    int linksMade = 0;         // shortcut objects handed out
    int linksAlive = 0;        // ... and not yet released
    bool failNewLink = false;  // the shell has no shortcut object
    bool failSave = false;     // every save fails

    // What a saved shortcut file holds here: description, line feed, target.
    static std::string Content(const std::string& description, const std::string& target) {
        return description + "\n" + target;
    }

private:
    friend class FakeShellLink;
    FakeFileSystem& files_;
};

}  // namespace zk::platform
