// The system's drive-format dialog, used when a disk set is written with erase.
#pragma once
#include <string>

namespace zk::platform {

// Results besides the format function's own.
enum : int { kFormatError = -1, kFormatCancelled = -2, kFormatNotRun = -3 };

class DiskFormat {
public:
    virtual ~DiskFormat() = default;
    // Formats drive number `drive` (0 = A:) through the system's dialog; the
    // dialog's label field keeps `label`. Without confirmErase the dialog
    // starts and closes by itself. The format function's result,
    // kFormatError or kFormatCancelled; kFormatNotRun when no dialog ran.
    virtual int Format(int drive, const std::string& label, bool confirmErase, void* parentWindow) = 0;
};

}  // namespace zk::platform
