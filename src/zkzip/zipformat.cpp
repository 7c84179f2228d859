#include "zkzip/zipformat.h"

#include <zlib.h>

#include <algorithm>

namespace zkzip {

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

namespace {

class FileReader : public zipformat::Reader {
public:
    explicit FileReader(fs::File& f) : f_(f) {}
    uint64_t Size() override { return f_.Size(); }
    bool ReadAt(uint64_t pos, void* buf, size_t n) override { return zkzip::ReadAt(f_, pos, buf, n); }

private:
    fs::File& f_;
};

}  // namespace

bool ReadDirectory(fs::File& f, ArchiveDirectory& dir, std::string& error) {
    using zipformat::EndStatus;
    dir = ArchiveDirectory();
    dir.fileSize = f.Size();
    const uint64_t size = dir.fileSize;
    FileReader reader(f);
    zipformat::EndInfo end;
    switch (zipformat::LocateEnd(reader, end)) {
    case EndStatus::Found: break;
    case EndStatus::TooShort: error = "not a zip archive (too short)"; return false;
    case EndStatus::ReadError: error = "cannot read the archive: " + fs::LastErrorText(); return false;
    case EndStatus::NotFound: error = "not a zip archive (no end of central directory)"; return false;
    case EndStatus::BadZip64: error = "the archive is damaged (zip64 end of central directory)"; return false;
    }
    const zipformat::EndRecord& rec = end.record;
    dir.comment = end.comment;
    if (rec.disk != 0 || rec.directoryDisk != 0 || rec.entriesHere != rec.totalEntries) {
        error = "archives spanning several disks cannot be updated";
        return false;
    }
    if (rec.directorySize > end.directoryEnd) {
        error = "the archive is damaged (central directory size)";
        return false;
    }
    dir.dirStart = end.directoryEnd - rec.directorySize;
    dir.dirSize = rec.directorySize;
    // Bytes put in front of an archive without adjusting its offsets move
    // every recorded position by the same amount.
    const int64_t shift = int64_t(dir.dirStart) - int64_t(rec.directoryOffset);
    dir.appendable = shift == 0 && end.endPos + zipformat::kEndSize + rec.commentLength == size;

    dir.tail.resize(size_t(size - dir.dirStart));
    if (!ReadAt(f, dir.dirStart, dir.tail.data(), dir.tail.size())) {
        error = "cannot read the archive: " + fs::LastErrorText();
        return false;
    }
    const uint8_t* cd = dir.tail.data();
    const uint64_t dirSize = dir.dirSize;
    size_t at = 0;
    dir.dataStart = dir.dirStart;
    dir.entries.reserve(size_t(std::min<uint64_t>(rec.totalEntries, dirSize / zipformat::kCentralSize)));
    for (uint64_t i = 0; i < rec.totalEntries; ++i) {
        const std::string which = " (central directory entry " + std::to_string(i + 1) + ")";
        CentralEntry e;
        CentralHeader& h = e.header;
        if (at + zipformat::kCentralSize > dirSize || !zipformat::ParseCentral(cd + at, h) ||
            at + h.Length() > dirSize) {
            error = "the archive is damaged" + which;
            return false;
        }
        const uint8_t* extra = cd + at + zipformat::kCentralSize + h.nameLength;
        if (!zipformat::ApplyZip64(h, extra, h.extraLength) || h.diskStart != 0) {
            error = "the archive is damaged" + which;
            return false;
        }
        e.flags = h.flags;
        e.method = h.method;
        e.dosTime = h.dosTime;
        e.compressedSize = h.packed;
        int64_t local = int64_t(h.localOffset) + shift;
        if (local < 0 || uint64_t(local) >= dir.dirStart || h.packed > dir.dirStart) {
            error = "the archive is damaged" + which;
            return false;
        }
        e.localOffset = uint64_t(local);
        const char* p = reinterpret_cast<const char*>(cd + at + zipformat::kCentralSize);
        e.name.assign(p, h.nameLength);
        e.extra.assign(p + h.nameLength, h.extraLength);
        e.comment.assign(p + h.nameLength + h.extraLength, h.commentLength);
        dir.dataStart = std::min(dir.dataStart, e.localOffset);
        at += h.Length();
        dir.entries.push_back(std::move(e));
    }
    if (at != dirSize) {
        error = "the archive is damaged (central directory size)";
        return false;
    }
    return true;
}

uint64_t LocalEntryLength(fs::File& f, const CentralEntry& e, uint64_t limit) {
    uint8_t raw[zipformat::kLocalSize];
    zipformat::LocalHeader h;
    if (!ReadAt(f, e.localOffset, raw, sizeof raw) || !zipformat::ParseLocal(raw, h)) return 0;
    std::vector<uint8_t> extra(h.extraLength);
    if (!extra.empty() && !ReadAt(f, e.localOffset + zipformat::kLocalSize + h.nameLength, extra.data(), extra.size()))
        return 0;
    zipformat::ApplyZip64(h, extra.data(), extra.size());
    uint64_t len = h.Length() + e.compressedSize;
    if (e.flags & kFlagDescriptor) {
        uint8_t sig[4];
        bool withSig = e.localOffset + len + 4 <= limit && ReadAt(f, e.localOffset + len, sig, 4) &&
                       Get32(sig) == zipformat::kDescriptorSig;
        len += zipformat::DescriptorSize(h.zip64, withSig);
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
