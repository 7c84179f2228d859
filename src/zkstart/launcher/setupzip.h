// The setup window's archive component `Zip`: a TZipArchiver behind the
// narrow interface the window uses (the window sets what it stores).
#pragma once
#include <memory>

#include "setup/ziparchive.h"
#include "archiver/ZipArch.h"

namespace zk {

class SetupZip : public ZipArchive {
public:
    explicit SetupZip(platform::Platform& platform) : zip(platform) {}

    void SetAddCompLevel(int level) override { zip.AddCompLevel = level; }
    void SetAddOptions(uint16_t options) override { zip.AddOptions = AddOpts::FromBits(options); }
    void SetZipFileName(const std::string& name) override { zip.SetZipFileName(name); }
    std::string ZipFileName() override { return zip.ZipFileName(); }
    void SetFSpecArgs(const std::vector<std::string>& specs) override { zip.FSpecArgs = specs; }
    bool AddFiles() override { return zip.AddFiles(); }
    std::vector<std::string> Entries() override {
        std::vector<std::string> names;
        for (const ZipDirEntry& e : zip.Contents) names.push_back(e.FileName);
        return names;
    }

    TZipArchiver zip;
};

}  // namespace zk
