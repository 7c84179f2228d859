// Self-extractor test builders: the settings header, a stand-in stub, and
// archives with knobs for damage.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zksfx::test {

// "MPV", flags, 0, 1, the 16-bit length, four counted texts, zeros to a multiple of 4.
std::string MakeHeader(uint8_t flags, const std::string& caption, const std::string& defaultDir = "",
                       const std::string& commandLine = "", const std::string& message = "");
// The empty end record that closes a new self-extractor.
std::string EmptyEndRecord(uint32_t dirOffset);

// A PE image of exactly `size` bytes (one section), maybe with a symbol table behind.
std::string FakeStub(size_t size, size_t symbolBytes = 0);

struct ZipItem {
    ZipItem() = default;
    ZipItem(std::string n, std::string d, uint16_t m = 8) : name(std::move(n)), data(std::move(d)), method(m) {}
    std::string name;  // stored bytes
    std::string data;
    uint16_t method = 8;  // 0 stored, 8 deflated; others are written stored
    uint16_t flags = 0;
    uint16_t madeBy = (11 << 8) | 20;
    uint32_t attributes = 0x20;
    uint32_t dosTime = (uint32_t((2001 - 1980) << 9 | 2 << 5 | 3) << 16) | (4 << 11 | 5 << 5 | 6 / 2);
    int crcDelta = 0;   // added to the stored CRC
    int sizeDelta = 0;  // added to the stored uncompressed size
    size_t cutData = 0; // bytes of compressed data left out
};

class ZipMaker {
public:
    ZipMaker& Add(ZipItem item) { return items_.push_back(std::move(item)), *this; }
    ZipMaker& File(const std::string& name, const std::string& data, uint16_t method = 8) {
        return Add(ZipItem(name, data, method));
    }
    ZipMaker& Folder(const std::string& name) { return Add(ZipItem(name, "", 0)), items_.back().attributes = 0x10, *this; }
    // Every offset counted from `base` (the bytes that will precede it).
    std::string Build(uint32_t base = 0, const std::string& comment = "") const;

private:
    std::vector<ZipItem> items_;
};

std::string RandomBytes(size_t n, uint32_t seed);

}  // namespace zksfx::test
