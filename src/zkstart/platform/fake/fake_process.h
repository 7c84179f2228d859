// Process start: every command line recorded, the results scripted.
#pragma once
#include <deque>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/process.h"

namespace zk::platform {

class FakeProcess : public Process {
public:
    explicit FakeProcess(FileSystem& files) : files_(files) {}
    struct Started {
        std::string commandLine;
        int showMode;
        std::string currentDir;
    };
    unsigned WinExec(const std::string& commandLine, int showMode) override {
        started.push_back({commandLine, showMode, files_.CurrentDir()});
        if (results.empty()) return 33;
        unsigned r = results.front();
        results.pop_front();
        return r;
    }
    std::vector<Started> started;
    std::deque<unsigned> results;  // one per start, in order; none left: started (33)

private:
    FileSystem& files_;
};

}  // namespace zk::platform
