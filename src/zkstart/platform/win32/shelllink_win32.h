// Shortcuts through the shell's shortcut object (COM).
#pragma once
#include "platform/shelllink.h"

namespace zk::win32 {

// Made once, on the user-interface thread at program start: it enters that
// thread into a single-threaded apartment and leaves it when destroyed.
class ShellLinks : public platform::ShellLinks {
public:
    ShellLinks();
    ~ShellLinks() override;
    ShellLinks(const ShellLinks&) = delete;
    ShellLinks& operator=(const ShellLinks&) = delete;

    std::unique_ptr<platform::ShellLink> NewLink() override;

private:
    bool initialized_ = false;
};

}  // namespace zk::win32
