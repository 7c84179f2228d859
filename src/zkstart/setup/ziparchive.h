// What the setup window asks of its archive component `Zip`: the few
// properties it stores and sets, and the add operation. The archive
// component implements this (or an adapter over it does), so the window's
// zip run does not depend on how the component talks to the zip library.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zk {

// Bits of the component's add options (a 16-bit set, bit = ordinal).
enum ZipAddOption : uint16_t {
    zaoAddDirNames = 1u << 0,
    zaoAddRecurseDirs = 1u << 1,
};

class ZipArchive {
public:
    virtual ~ZipArchive() = default;
    virtual void SetAddCompLevel(int level) = 0;
    virtual void SetAddOptions(uint16_t options) = 0;
    // Names the archive; the component reads its directory at once.
    virtual void SetZipFileName(const std::string& name) = 0;
    // Empty after a name whose file could not be read as an archive.
    virtual std::string ZipFileName() = 0;
    // File specifications of the next add, relative to the current folder.
    virtual void SetFSpecArgs(const std::vector<std::string>& specs) = 0;
    // Adds the specified files; the component reports its own problems.
    // True when every file asked for went in.
    virtual bool AddFiles() = 0;
    // The entries of the archive as its directory was last read (after every
    // add), names with "\" between folders.
    virtual std::vector<std::string> Entries() = 0;
};

}  // namespace zk
