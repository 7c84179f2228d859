// Writing the entries of an add: each file's local header and data,
// deflated or stored and perhaps encrypted, and its central record kept for
// the directory.
#pragma once
#include <zlib.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "zkzip/command.h"

namespace zkzip {

// Host 11 (NTFS): attributes are DOS attributes, and readers that convert
// names from the DOS code page for host 0 leave ours alone.
constexpr uint8_t kMadeByVersion = 20, kMadeByHost = 11;

// Buffered output to the archive (or its temporary copy) that keeps the
// position and refuses to grow past a limit (a test's stand-in for a file
// system's largest file).
class Output {
public:
    Output(fs::File& f, uint64_t start, uint64_t limit) : f_(f), pos_(start), limit_(limit) {
        buf_.reserve(kChunk * 4);
    }

    void Write(const void* data, size_t n);
    void Write(const std::vector<uint8_t>& b) { Write(b.data(), b.size()); }
    uint64_t Pos() const { return pos_; }
    void Flush();
    // Overwrites bytes already written, then goes on at the end.
    void Patch(uint64_t at, const std::vector<uint8_t>& b);
    // Drops everything from `to` on; writing goes on there.
    void Rewind(uint64_t to);

private:
    fs::File& f_;
    uint64_t pos_;
    uint64_t limit_;
    std::vector<uint8_t> buf_;
};

// Traditional PKWARE encryption.
class ZipCrypto {
public:
    explicit ZipCrypto(const std::string& password);
    uint8_t Encrypt(uint8_t plain);
    void Encrypt(uint8_t* data, size_t n) {
        for (size_t i = 0; i < n; ++i) data[i] = Encrypt(data[i]);
    }

private:
    void Update(uint8_t c);
    uint32_t k0_ = 0x12345678, k1_ = 0x23456789, k2_ = 0x34567890;
};

class EntryWriter {
public:
    EntryWriter(const Options& options, Caller& caller) : o_(options), caller_(caller) {}
    // Writes one entry at the output's position and keeps its central record.
    void Write(Output& out, const Item& item);
    // The central records of the entries written, in order.
    const std::vector<std::vector<uint8_t>>& Central() const { return central_; }

private:
    struct PumpResult {
        uint32_t crc = 0;
        uint64_t size = 0;
        uint64_t packed = 0;
    };
    PumpResult Pump(Output& out, const Item& item, int method, bool progress, const uint32_t* knownCrc);
    uint32_t FileCrc(const Item& item);

    const Options& o_;
    Caller& caller_;
    std::vector<std::vector<uint8_t>> central_;
    std::mt19937 rng_{std::random_device{}()};
    // Reused from file to file: an archive of many small files would
    // otherwise spend its time clearing fresh buffers.
    std::vector<uint8_t> inBuf_, outBuf_;
    struct Deflater {
        z_stream z;
        bool ready = false;
        ~Deflater() {
            if (ready) deflateEnd(&z);
        }
    } deflater_;
};

}  // namespace zkzip
