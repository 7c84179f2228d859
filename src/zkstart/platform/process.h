// Starting another program.
#pragma once
#include <string>

namespace zk::platform {

constexpr int SW_SHOWNORMAL_ = 1;

class Process {
public:
    virtual ~Process() = default;
    // Starts a command line the way WinExec does: the first token names the
    // program, the new process inherits the current folder. Returns the
    // system's result (above 31 means started).
    virtual unsigned WinExec(const std::string& commandLine, int showMode) = 0;
};

}  // namespace zk::platform
