// Files and folders. Paths are UTF-8 with "\" separators, as on Windows.
#pragma once
#include <cstdint>
#include <string>

namespace zk::platform {

enum FileAttr : uint32_t {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faSysFile = 0x04,
    faVolumeID = 0x08,
    faDirectory = 0x10,
    faArchive = 0x20,
    faAnyFile = 0x3F,
};

struct FoundEntry {
    std::string name;
    uint32_t attr = 0;
    uint64_t size = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Full path of the running program.
    virtual std::string ModulePath() = 0;
    virtual std::string CurrentDir() = 0;
    virtual bool SetCurrentDir(const std::string& dir) = 0;
    // The first entry matching the path (its name part may hold wildcards)
    // whose attributes fit the mask; false when there is none.
    virtual bool FindFirst(const std::string& path, uint32_t attrMask, FoundEntry& found) = 0;
    virtual bool FileExists(const std::string& path) = 0;
    // Error number of the last failed call, for the input/output error.
    virtual int LastError() = 0;
    // The system's drive type of a root such as "C:\" (3 is a fixed disk).
    virtual unsigned DriveTypeOf(const std::string& root) = 0;
};

}  // namespace zk::platform
