#include "zkzip/entries.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "zipformat/zipformat.h"
#include "zkzip/names.h"
#include "zkzip/zkzip.h"

namespace zkzip {

using zipformat::CentralHeader;
using zipformat::kFlagEncrypted;
using zipformat::kFlagUtf8;

namespace {

// Files from this size on get zip64 local headers: stored, with an
// encryption header, their data may reach 4 GiB.
constexpr uint64_t kZip64FileSize = zipformat::kMarker32 - 64;

std::vector<uint8_t> LocalHeader(const Item& item, uint16_t flags, uint16_t method, uint32_t crc, uint64_t packed,
                                 uint64_t size, bool zip64) {
    zipformat::LocalHeader h;
    h.versionNeeded = (method == 8 || (flags & kFlagEncrypted) || item.isDir) ? 20 : 10;
    h.flags = flags;
    h.method = method;
    h.dosTime = item.dosTime;
    h.crc = crc;
    h.packed = packed;
    h.size = size;
    return zipformat::LocalBytes(h, item.stored, zip64);
}

// Already-compressed data gains nothing from deflate and costs it the most
// time. After a window of input that deflate did not shrink, the data goes
// out in plain deflate blocks until a stretch of it looks compressible
// again (its bytes are far from evenly spread); then the requested level
// returns. The stream stays one valid deflate stream throughout.
class LevelChooser {
public:
    static constexpr size_t kStretch = 32 * 1024;

    explicit LevelChooser(int level) : current(level), wanted(level) {}

    // At the requested level: whether the last window came out no smaller
    // than it went in.
    bool WindowDidNotShrink(uLong totalIn, uLong totalOut) {
        const uLong in = totalIn - windowIn_, out = totalOut - windowOut_;
        if (in < kWindow) return false;
        StartWindow(totalIn, totalOut);
        return out >= in - in / 100;
    }
    void StartWindow(uLong totalIn, uLong totalOut) {
        windowIn_ = totalIn;
        windowOut_ = totalOut;
    }
    // Order-0 entropy below 7.8 bits a byte: Huffman coding alone saves a
    // few percent there.
    static bool LooksCompressible(const uint8_t* data, size_t n) {
        if (n < 256) return true;
        uint32_t counts[256] = {};
        for (size_t i = 0; i < n; ++i) ++counts[data[i]];
        double bits = 0;
        for (uint32_t c : counts)
            if (c) bits -= double(c) * std::log2(double(c) / double(n));
        return bits < 7.8 * double(n);
    }

    int current;
    const int wanted;

private:
    static constexpr uLong kWindow = 1024 * 1024;
    uLong windowIn_ = 0, windowOut_ = 0;
};

}  // namespace

void Output::Write(const void* data, size_t n) {
    if (pos_ + n > limit_)
        throw Failure{kErrTooBig, "The archive would grow beyond " + std::to_string(limit_) + " bytes"};
    const uint8_t* p = static_cast<const uint8_t*>(data);
    buf_.insert(buf_.end(), p, p + n);
    pos_ += n;
    if (buf_.size() >= kChunk * 4) Flush();
}

void Output::Flush() {
    if (buf_.empty()) return;
    if (!f_.Write(buf_.data(), int64_t(buf_.size()))) throw IoFail(kErrWrite, "Cannot write the archive");
    buf_.clear();
}

void Output::Patch(uint64_t at, const std::vector<uint8_t>& b) {
    Flush();
    if (!f_.Seek(at) || !f_.Write(b.data(), int64_t(b.size())) || !f_.Seek(pos_))
        throw IoFail(kErrWrite, "Cannot write the archive");
}

void Output::Rewind(uint64_t to) {
    Flush();
    if (!f_.Seek(to)) throw IoFail(kErrWrite, "Cannot write the archive");
    pos_ = to;
}

ZipCrypto::ZipCrypto(const std::string& password) {
    for (unsigned char c : password) Update(c);
}

void ZipCrypto::Update(uint8_t c) {
    static const z_crc_t* table = get_crc_table();
    k0_ = table[(k0_ ^ c) & 0xFF] ^ (k0_ >> 8);
    k1_ = (k1_ + (k0_ & 0xFF)) * 134775813u + 1;
    k2_ = table[(k2_ ^ (k1_ >> 24)) & 0xFF] ^ (k2_ >> 8);
}

uint8_t ZipCrypto::Encrypt(uint8_t plain) {
    uint32_t t = (k2_ | 2) & 0xFFFF;
    uint8_t mask = uint8_t((t * (t ^ 1)) >> 8);
    Update(plain);
    return plain ^ mask;
}

uint32_t EntryWriter::FileCrc(const Item& item) {
    fs::File f;
    if (!f.Open(item.src, fs::File::Mode::Read))
        throw IoFail(kErrOpen, "Cannot open " + item.src);
    std::vector<uint8_t> buf(kChunk);
    uLong crc = crc32(0, nullptr, 0);
    for (;;) {
        int64_t n = f.Read(buf.data(), int64_t(buf.size()));
        if (n < 0) throw IoFail(kErrRead, "Cannot read " + item.src);
        if (n == 0) break;
        crc = crc32(crc, buf.data(), uInt(n));
    }
    return uint32_t(crc);
}

EntryWriter::PumpResult EntryWriter::Pump(Output& out, const Item& item, int method, bool progress,
                                          const uint32_t* knownCrc) {
    fs::File f;
    if (!f.Open(item.src, fs::File::Mode::Read))
        throw IoFail(kErrOpen, "Cannot open " + item.src);
    std::unique_ptr<ZipCrypto> crypt;
    PumpResult r;
    if (item.encrypt) {
        crypt = std::make_unique<ZipCrypto>(item.password);
        uint8_t head[12];
        for (int i = 0; i < 11; ++i) head[i] = uint8_t(rng_());
        head[11] = uint8_t(*knownCrc >> 24);  // lets a reader check the password
        crypt->Encrypt(head, sizeof head);
        out.Write(head, sizeof head);
        r.packed += sizeof head;
    }
    inBuf_.resize(kChunk);
    outBuf_.resize(kChunk);
    std::vector<uint8_t>& in = inBuf_;
    std::vector<uint8_t>& packed = outBuf_;
    z_stream& zs = deflater_.z;
    if (method == 8) {
        if (!deflater_.ready) {
            std::memset(&zs, 0, sizeof zs);
            if (deflateInit2(&zs, o_.level, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK)
                throw std::bad_alloc();
            deflater_.ready = true;
        } else if (deflateReset(&zs) != Z_OK || deflateParams(&zs, o_.level, Z_DEFAULT_STRATEGY) != Z_OK) {
            throw Failure{kErrMemory, "Compression failed for " + item.src};
        }
    }

    auto emit = [&](uint8_t* data, size_t n) {
        if (crypt) crypt->Encrypt(data, n);
        out.Write(data, n);
        r.packed += n;
    };
    LevelChooser levels(o_.level);
    auto setLevel = [&](int level) {
        for (int tries = 0; tries < 64; ++tries) {
            zs.next_out = packed.data();
            zs.avail_out = uInt(packed.size());
            int rc = deflateParams(&zs, level, Z_DEFAULT_STRATEGY);
            emit(packed.data(), packed.size() - zs.avail_out);
            if (rc == Z_OK) {
                levels.current = level;
                levels.StartWindow(zs.total_in, zs.total_out);
                return;
            }
            if (rc != Z_BUF_ERROR) break;
        }
        throw Failure{kErrMemory, "Compression failed for " + item.src};
    };
    auto feed = [&](uint8_t* data, size_t n, int flush) {
        zs.next_in = data;
        zs.avail_in = uInt(n);
        int rc;
        do {
            zs.next_out = packed.data();
            zs.avail_out = uInt(packed.size());
            rc = deflate(&zs, flush);
            if (rc == Z_STREAM_ERROR) throw Failure{kErrMemory, "Compression failed for " + item.src};
            emit(packed.data(), packed.size() - zs.avail_out);
        } while (zs.avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
    };
    uLong crc = crc32(0, nullptr, 0);
    for (;;) {
        int64_t n = f.Read(in.data(), int64_t(in.size()));
        if (n < 0) throw IoFail(kErrRead, "Cannot read " + item.src);
        crc = crc32(crc, in.data(), uInt(n));
        r.size += uint64_t(n);
        if (method == 0) {
            emit(in.data(), size_t(n));
        } else {
            size_t done = 0;
            if (n > 0 && levels.wanted > 0) {
                if (levels.current != 0 && levels.WindowDidNotShrink(zs.total_in, zs.total_out)) setLevel(0);
                if (levels.current == 0) {
                    while (done < size_t(n)) {
                        const size_t stretch = std::min(LevelChooser::kStretch, size_t(n) - done);
                        if (LevelChooser::LooksCompressible(in.data() + done, stretch)) break;
                        done += stretch;
                    }
                    feed(in.data(), done, Z_NO_FLUSH);
                    if (done < size_t(n)) setLevel(levels.wanted);
                }
            }
            feed(in.data() + done, size_t(n) - done, n == 0 ? Z_FINISH : Z_NO_FLUSH);
        }
        if (n == 0) break;
        if (progress) caller_.Step(ZK_CB_STEP, int32_t(n));
    }
    r.crc = uint32_t(crc);
    if (knownCrc && r.crc != *knownCrc)
        throw Failure{kErrRead, item.src + " changed while it was being added"};
    return r;
}

void EntryWriter::Write(Output& out, const Item& item) {
    const uint64_t offset = out.Pos();
    uint16_t flags = IsAscii(item.stored) || !IsUtf8(item.stored) ? 0 : kFlagUtf8;
    uint16_t method = 0;
    PumpResult r;
    const bool zip64 = !item.isDir && item.st.size >= kZip64FileSize;
    if (item.isDir) {
        out.Write(LocalHeader(item, flags, 0, 0, 0, 0, false));
        if (o_.verbose) caller_.Message(kInfo, "  adding: " + item.stored);
    } else {
        caller_.Step(ZK_CB_FILE_START, Clamp32(item.st.size), item.stored);
        method = o_.level == 0 || o_.IsStoredSuffix(item.stored) ? 0 : 8;
        uint32_t crc = 0;
        if (item.encrypt) {
            flags |= kFlagEncrypted;
            crc = FileCrc(item);
        }
        uint16_t levelBits = o_.level >= 8 ? 2 : o_.level == 2 ? 4 : o_.level == 1 ? 6 : 0;
        out.Write(LocalHeader(item, uint16_t(flags | (method == 8 ? levelBits : 0)), method, 0, 0, 0, zip64));
        const uint64_t dataStart = out.Pos();
        r = Pump(out, item, method, true, item.encrypt ? &crc : nullptr);
        uint64_t overhead = item.encrypt ? 12 : 0;
        if (method == 8 && r.packed - overhead >= r.size) {
            // Deflate did not help: store it instead, checked against the first pass.
            out.Rewind(dataStart);
            method = 0;
            uint32_t first = r.crc;
            r = Pump(out, item, 0, false, &first);
        }
        if (method == 8) flags |= levelBits;
        // A file that grew past 4 GiB after it was looked at has no room
        // for its sizes in the header already written.
        if (!zip64 && (r.size >= zipformat::kMarker32 || r.packed >= zipformat::kMarker32))
            throw Failure{kErrRead, item.src + " changed while it was being added"};
        out.Patch(offset, LocalHeader(item, flags, method, r.crc, r.packed, r.size, zip64));
        caller_.Step(ZK_CB_FILE_END, 0);
        if (o_.verbose) {
            int pct = r.size ? int(100 - (r.packed - overhead) * 100 / r.size) : 0;
            caller_.Message(kInfo, "  adding: " + item.stored + (method == 8 ? " (deflated " : " (stored ") +
                                       std::to_string(std::max(pct, 0)) + "%)");
        }
    }
    CentralHeader h;
    h.madeByVersion = kMadeByVersion;
    h.madeByHost = kMadeByHost;
    h.versionNeeded = (method == 8 || (flags & kFlagEncrypted) || item.isDir) ? 20 : 10;
    if (zip64) h.versionNeeded = zipformat::kVersionZip64;
    h.flags = flags;
    h.method = method;
    h.dosTime = item.dosTime;
    h.crc = r.crc;
    h.packed = r.packed;
    h.size = r.size;
    h.externalAttributes = item.st.attributes | (item.isDir ? 0x10 : 0);
    h.localOffset = offset;
    central_.push_back(zipformat::CentralBytes(h, item.stored, {}, {}));
}

}  // namespace zkzip
