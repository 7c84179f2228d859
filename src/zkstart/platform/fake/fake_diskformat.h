// The drive-format dialog, its results scripted.
#pragma once
#include <deque>
#include <string>
#include <vector>

#include "platform/diskformat.h"
#include "platform/fake/fake_files.h"

namespace zk::platform {

// Formats from a script: each call takes the next result (none left: no
// dialog ran). A result of 0 or more wipes the disk in the drive and gives it the label.
class FakeDiskFormat : public DiskFormat {
public:
    explicit FakeDiskFormat(FakeFileSystem& files) : files_(files) {}
    struct Call {
        int drive;
        std::string label;
        bool confirmErase;
        void* parent;
    };
    int Format(int drive, const std::string& label, bool confirmErase, void* parentWindow) override {
        calls.push_back({drive, label, confirmErase, parentWindow});
        int result = kFormatNotRun;
        if (!results.empty()) {
            result = results.front();
            results.pop_front();
        }
        if (result >= 0) files_.WipeDisk(static_cast<char>('A' + drive), label);
        return result;
    }
    std::vector<Call> calls;
    std::deque<int> results;

private:
    FakeFileSystem& files_;
};

}  // namespace zk::platform
