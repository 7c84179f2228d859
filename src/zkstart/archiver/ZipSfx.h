// The self-extractor writer: in front of a new ".EXE" archive, the stub
// program ZKSFX.BIN copied whole (its icon perhaps replaced), the settings
// header the stub reads at run time, and an empty end record, so that the
// zip library takes the file for an existing empty archive and adds to it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/filesystem.h"

namespace zk {

class TZipArchiver;

class ZipSfxWriter {
public:
    explicit ZipSfxWriter(TZipArchiver& zip) : zip_(zip) {}

    // Writes the stub, its settings header and an empty end record to
    // ZipFileName, replacing a file of that name. 0 on success; -1 the file
    // cannot be made, -2 writing failed, -3 the stub cannot be read, -9 the
    // settings, stub or icon are unusable. On failure no file is left.
    int32_t WriteSfxStub();
    // The flags byte of the settings header from SFXOptions and SFXOverWriteMode.
    uint8_t SfxFlags() const;
    // The settings header; false (with the would-be length) when a text does
    // not fit its length byte. The texts go in the Windows (ANSI) code page.
    bool MakeSfxHeader(std::vector<uint8_t>& header, size_t& length);
    // The first stub found in the search order, stored in SFXPath; "" when
    // there is none.
    std::string FindSfxStub();
    // Puts the 744 image bytes of SFXIcon over the stub's own icon in the
    // open copy: 0, -9 when the icon or the stub has another shape, -2 when
    // the file cannot be read or written.
    int32_t ReplaceSfxIcon(platform::File& file);

private:
    // Copies the stub, the icon, the header and the end record into the new file.
    int32_t WriteInto(platform::File& out, const std::string& stub, const std::vector<uint8_t>& header);

    TZipArchiver& zip_;
};

}  // namespace zk
