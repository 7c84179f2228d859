#include "zkzip/zipformat.h"

#include <zlib.h>

#include <algorithm>

namespace zkzip {

namespace {

bool ReadAt(fs::File& f, uint64_t pos, void* buf, size_t n) {
    if (!f.Seek(pos)) return false;
    uint8_t* p = static_cast<uint8_t*>(buf);
    while (n > 0) {
        int64_t got = f.Read(p, int64_t(n));
        if (got <= 0) return false;
        p += got;
        n -= size_t(got);
    }
    return true;
}

}  // namespace

bool ReadDirectory(fs::File& f, ArchiveDirectory& dir, std::string& error) {
    dir = ArchiveDirectory();
    dir.fileSize = f.Size();
    const uint64_t size = dir.fileSize;
    if (size < kEndSize) {
        error = "not a zip archive (too short)";
        return false;
    }
    // The end record: at the very end, or before a comment of up to 64 KiB.
    size_t span = size_t(std::min<uint64_t>(size, kEndSize + 0xFFFF));
    std::vector<uint8_t> back(span);
    if (!ReadAt(f, size - span, back.data(), span)) {
        error = "cannot read the archive: " + fs::LastErrorText();
        return false;
    }
    int64_t found = -1;
    for (int64_t i = int64_t(span - kEndSize); i >= 0; --i) {
        const uint8_t* p = &back[size_t(i)];
        if (Get32(p) == kEndSig && uint64_t(i) + kEndSize + Get16(p + 20) <= span) {
            found = i;
            break;
        }
    }
    if (found < 0) {
        error = "not a zip archive (no end of central directory)";
        return false;
    }
    const uint8_t* end = &back[size_t(found)];
    const uint64_t endPos = size - span + uint64_t(found);
    uint16_t disk = Get16(end + 4), dirDisk = Get16(end + 6);
    uint16_t onDisk = Get16(end + 8), total = Get16(end + 10);
    uint32_t dirSize = Get32(end + 12), dirOffset = Get32(end + 16);
    uint16_t commentLen = Get16(end + 20);
    dir.comment.assign(reinterpret_cast<const char*>(end + kEndSize), commentLen);
    bool locator = found >= 20 && Get32(end - 20) == kZip64LocatorSig;
    if (locator || total == 0xFFFF || dirSize == 0xFFFFFFFF || dirOffset == 0xFFFFFFFF) {
        error = "ZIP64 archives are not supported";
        return false;
    }
    if (disk != 0 || dirDisk != 0 || onDisk != total) {
        error = "archives spanning several disks cannot be updated";
        return false;
    }
    if (dirSize > endPos) {
        error = "the archive is damaged (central directory size)";
        return false;
    }
    dir.dirStart = endPos - dirSize;
    dir.dirSize = dirSize;
    // Bytes put in front of an archive without adjusting its offsets move
    // every recorded position by the same amount.
    const int64_t shift = int64_t(dir.dirStart) - int64_t(dirOffset);
    dir.appendable = shift == 0 && endPos + kEndSize + commentLen == size;

    dir.tail.resize(size_t(size - dir.dirStart));
    if (!ReadAt(f, dir.dirStart, dir.tail.data(), dir.tail.size())) {
        error = "cannot read the archive: " + fs::LastErrorText();
        return false;
    }
    const uint8_t* cd = dir.tail.data();
    size_t at = 0;
    dir.dataStart = dir.dirStart;
    dir.entries.reserve(total);
    for (unsigned i = 0; i < total; ++i) {
        if (at + kCentralHeaderSize > dirSize || Get32(cd + at) != kCentralSig) {
            error = "the archive is damaged (central directory entry " + std::to_string(i + 1) + ")";
            return false;
        }
        const uint8_t* h = cd + at;
        size_t len = kCentralHeaderSize + Get16(h + 28) + Get16(h + 30) + Get16(h + 32);
        if (at + len > dirSize || Get16(h + 34) != 0) {
            error = "the archive is damaged (central directory entry " + std::to_string(i + 1) + ")";
            return false;
        }
        CentralEntry e;
        e.flags = Get16(h + 8);
        e.method = Get16(h + 10);
        e.dosTime = (uint32_t(Get16(h + 14)) << 16) | Get16(h + 12);
        e.compressedSize = Get32(h + 20);
        int64_t local = int64_t(Get32(h + 42)) + shift;
        if (local < 0 || uint64_t(local) >= dir.dirStart || e.compressedSize == 0xFFFFFFFF ||
            Get32(h + 24) == 0xFFFFFFFF) {
            error = "the archive is damaged or uses ZIP64 (entry " + std::to_string(i + 1) + ")";
            return false;
        }
        e.localOffset = uint64_t(local);
        e.name.assign(reinterpret_cast<const char*>(h + kCentralHeaderSize), Get16(h + 28));
        e.raw.assign(h, h + len);
        dir.dataStart = std::min(dir.dataStart, e.localOffset);
        dir.entries.push_back(std::move(e));
        at += len;
    }
    if (at != dirSize) {
        error = "the archive is damaged (central directory size)";
        return false;
    }
    return true;
}

uint64_t LocalEntryLength(fs::File& f, const CentralEntry& e, uint64_t limit) {
    uint8_t h[kLocalHeaderSize];
    if (!ReadAt(f, e.localOffset, h, sizeof h) || Get32(h) != kLocalSig) return 0;
    uint64_t len = kLocalHeaderSize + Get16(h + 26) + Get16(h + 28) + uint64_t(e.compressedSize);
    if (e.flags & kFlagDescriptor) {
        uint8_t sig[4];
        bool withSig = e.localOffset + len + 4 <= limit && ReadAt(f, e.localOffset + len, sig, 4) &&
                       Get32(sig) == kDescriptorSig;
        len += withSig ? 16 : 12;
    }
    return e.localOffset + len <= limit ? len : 0;
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

}  // namespace zkzip
