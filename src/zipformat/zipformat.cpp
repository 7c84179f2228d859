#include "zipformat/zipformat.h"

#include <algorithm>
#include <array>

namespace zipformat {

namespace {

std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[i] = c;
    }
    return t;
}

}  // namespace

uint32_t Crc32(const void* data, size_t n, uint32_t crc) {
    static const std::array<uint32_t, 256> table = MakeCrcTable();
    const uint8_t* p = static_cast<const uint8_t*>(data);
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

// ---- End of central directory -------------------------------------------

EndRecord ParseEnd(const uint8_t* p) {
    EndRecord e;
    e.disk = Get16(p + 4);
    e.directoryDisk = Get16(p + 6);
    e.entriesHere = Get16(p + 8);
    e.totalEntries = Get16(p + 10);
    e.directorySize = Get32(p + 12);
    e.directoryOffset = Get32(p + 16);
    e.commentLength = Get16(p + 20);
    return e;
}

int64_t FindEnd(const uint8_t* tail, size_t n, size_t from, bool commentFits) {
    if (n < kEndSize) return -1;
    for (int64_t i = int64_t(std::min(from, n - kEndSize)); i >= 0; --i) {
        const uint8_t* p = tail + i;
        if (Get32(p) != kEndSig) continue;
        if (commentFits && uint64_t(i) + kEndSize + Get16(p + 20) > n) continue;
        return i;
    }
    return -1;
}

bool ParseZip64Locator(const uint8_t* p, uint64_t& recordPos, uint32_t& recordDisk) {
    if (Get32(p) != kZip64LocatorSig) return false;
    recordDisk = Get32(p + 4);
    recordPos = Get64(p + 8);
    return true;
}

bool ParseZip64End(const uint8_t* p, EndRecord& e) {
    if (Get32(p) != kZip64EndSig || Get64(p + 4) < kZip64EndSize - 12) return false;
    e.disk = Get32(p + 16);
    e.directoryDisk = Get32(p + 20);
    e.entriesHere = Get64(p + 24);
    e.totalEntries = Get64(p + 32);
    e.directorySize = Get64(p + 40);
    e.directoryOffset = Get64(p + 48);
    return true;
}

bool EndNeedsZip64(const EndRecord& e) {
    return e.disk >= kMarker16 || e.directoryDisk >= kMarker16 || e.entriesHere >= kMarker16 ||
           e.totalEntries >= kMarker16 || e.directorySize >= kMarker32 || e.directoryOffset >= kMarker32;
}

EndRecord OneDiskEnd(uint64_t entries, uint64_t directorySize, uint64_t directoryOffset) {
    EndRecord e;
    e.entriesHere = e.totalEntries = entries;
    e.directorySize = directorySize;
    e.directoryOffset = directoryOffset;
    return e;
}

void AppendEnd(std::vector<uint8_t>& out, const EndRecord& e, uint64_t directoryEnd, const std::string& comment) {
    if (EndNeedsZip64(e)) {
        Put32(out, kZip64EndSig);
        Put64(out, kZip64EndSize - 12);
        Put16(out, kVersionZip64);  // made by
        Put16(out, kVersionZip64);  // needed
        Put32(out, e.disk);
        Put32(out, e.directoryDisk);
        Put64(out, e.entriesHere);
        Put64(out, e.totalEntries);
        Put64(out, e.directorySize);
        Put64(out, e.directoryOffset);
        Put32(out, kZip64LocatorSig);
        Put32(out, e.disk);  // the disk of the zip64 record: this one
        Put64(out, directoryEnd);
        Put32(out, e.disk + 1);
    }
    auto field16 = [](uint64_t v) { return v >= kMarker16 ? kMarker16 : uint32_t(v); };
    auto field32 = [](uint64_t v) { return v >= kMarker32 ? kMarker32 : uint32_t(v); };
    Put32(out, kEndSig);
    Put16(out, field16(e.disk));
    Put16(out, field16(e.directoryDisk));
    Put16(out, field16(e.entriesHere));
    Put16(out, field16(e.totalEntries));
    Put32(out, field32(e.directorySize));
    Put32(out, field32(e.directoryOffset));
    const size_t commentLength = std::min<size_t>(comment.size(), 0xFFFF);
    Put16(out, uint32_t(commentLength));
    out.insert(out.end(), comment.begin(), comment.begin() + int64_t(commentLength));
}

EndStatus ReadZip64End(Reader& r, uint64_t endPos, EndInfo& info) {
    info.zip64 = false;
    info.directoryEnd = endPos;
    uint8_t loc[kZip64LocatorSize];
    uint64_t recorded = 0;
    uint32_t disk = 0;
    if (endPos < kZip64LocatorSize || !r.ReadAt(endPos - kZip64LocatorSize, loc, sizeof loc) ||
        !ParseZip64Locator(loc, recorded, disk)) {
        // Only a count of exactly 65,535 may stand without its zip64 record.
        const EndRecord& e = info.record;
        const bool marked = e.disk == kMarker16 || e.directoryDisk == kMarker16 || e.directorySize == kMarker32 ||
                            e.directoryOffset == kMarker32;
        return marked ? EndStatus::BadZip64 : EndStatus::Found;
    }
    // Where the locator says, or right before it when bytes were put in
    // front of the archive.
    const uint64_t before = endPos - kZip64LocatorSize;
    const uint64_t candidates[2] = {recorded, before >= kZip64EndSize ? before - kZip64EndSize : before};
    for (uint64_t pos : candidates) {
        uint8_t rec[kZip64EndSize];
        EndRecord e = info.record;
        if (pos + kZip64EndSize > before || !r.ReadAt(pos, rec, sizeof rec) || !ParseZip64End(rec, e)) continue;
        e.commentLength = info.record.commentLength;
        info.record = e;
        info.zip64 = true;
        info.zip64Pos = pos;
        info.directoryEnd = pos;
        return EndStatus::Found;
    }
    return EndStatus::BadZip64;
}

EndStatus LocateEnd(Reader& r, EndInfo& info) {
    info = EndInfo();
    const uint64_t size = r.Size();
    if (size < kEndSize) return EndStatus::TooShort;
    const size_t n = size_t(std::min<uint64_t>(size, kEndSearchSize));
    std::vector<uint8_t> tail(n);
    if (!r.ReadAt(size - n, tail.data(), n)) return EndStatus::ReadError;
    const int64_t at = FindEnd(tail.data(), n, n - kEndSize, true);
    if (at < 0) return EndStatus::NotFound;
    info.record = ParseEnd(&tail[size_t(at)]);
    info.endPos = size - n + uint64_t(at);
    info.comment.assign(reinterpret_cast<const char*>(&tail[size_t(at) + kEndSize]), info.record.commentLength);
    return ReadZip64End(r, info.endPos, info);
}

// ---- Central and local headers ---------------------------------------

namespace {

// From "version needed" to the size: the fields that central and local
// headers share, in the same order.
template <class Header>
void GetShared(const uint8_t* p, Header& h) {
    h.versionNeeded = Get16(p);
    h.flags = Get16(p + 2);
    h.method = Get16(p + 4);
    h.dosTime = Get32(p + 6);
    h.crc = Get32(p + 10);
    h.packed = Get32(p + 14);
    h.size = Get32(p + 18);
}

template <class Header>
void PutShared(std::vector<uint8_t>& b, const Header& h, uint16_t versionNeeded, uint32_t packed, uint32_t size) {
    Put16(b, versionNeeded);
    Put16(b, h.flags);
    Put16(b, h.method);
    Put32(b, h.dosTime);
    Put32(b, h.crc);
    Put32(b, packed);
    Put32(b, size);
}

}  // namespace

bool ParseCentral(const uint8_t* p, CentralHeader& h) {
    if (Get32(p) != kCentralSig) return false;
    h.madeByVersion = p[4];
    h.madeByHost = p[5];
    GetShared(p + 6, h);
    h.nameLength = Get16(p + 28);
    h.extraLength = Get16(p + 30);
    h.commentLength = Get16(p + 32);
    h.diskStart = Get16(p + 34);
    h.internalAttributes = Get16(p + 36);
    h.externalAttributes = Get32(p + 38);
    h.localOffset = Get32(p + 42);
    return true;
}

bool ApplyZip64(CentralHeader& h, const uint8_t* extra, size_t n) {
    const bool wantSize = h.size == kMarker32, wantPacked = h.packed == kMarker32;
    const bool wantOffset = h.localOffset == kMarker32, wantDisk = h.diskStart == kMarker16;
    if (!wantSize && !wantPacked && !wantOffset && !wantDisk) return true;
    const uint8_t* f = nullptr;
    size_t len = 0;
    if (!FindExtra(extra, n, kExtraZip64, f, len)) return false;
    size_t at = 0;
    auto take64 = [&](uint64_t& v) {
        if (at + 8 > len) return false;
        v = Get64(f + at);
        at += 8;
        return true;
    };
    CentralHeader c = h;
    if (wantSize && !take64(c.size)) return false;
    if (wantPacked && !take64(c.packed)) return false;
    if (wantOffset && !take64(c.localOffset)) return false;
    if (wantDisk) {
        if (at + 4 > len) return false;
        c.diskStart = Get32(f + at);
    }
    h = c;
    return true;
}

std::vector<uint8_t> CentralBytes(CentralHeader h, const std::string& name, const std::string& extra,
                                  const std::string& comment) {
    std::vector<uint8_t> z;
    const bool bigSize = h.size >= kMarker32, bigPacked = h.packed >= kMarker32;
    const bool bigOffset = h.localOffset >= kMarker32, bigDisk = h.diskStart >= kMarker16;
    if (bigSize) Put64(z, h.size);
    if (bigPacked) Put64(z, h.packed);
    if (bigOffset) Put64(z, h.localOffset);
    if (bigDisk) Put32(z, h.diskStart);
    std::string rest = DropExtra(extra, kExtraZip64);
    const size_t extraLength = (z.empty() ? 0 : 4 + z.size()) + rest.size();
    if (!z.empty()) h.versionNeeded = std::max(h.versionNeeded, kVersionZip64);

    std::vector<uint8_t> c;
    c.reserve(kCentralSize + name.size() + extraLength + comment.size());
    Put32(c, kCentralSig);
    c.push_back(h.madeByVersion);
    c.push_back(h.madeByHost);
    PutShared(c, h, h.versionNeeded, bigPacked ? kMarker32 : uint32_t(h.packed),
              bigSize ? kMarker32 : uint32_t(h.size));
    Put16(c, uint32_t(name.size()));
    Put16(c, uint32_t(extraLength));
    Put16(c, uint32_t(comment.size()));
    Put16(c, bigDisk ? kMarker16 : h.diskStart);
    Put16(c, h.internalAttributes);
    Put32(c, h.externalAttributes);
    Put32(c, bigOffset ? kMarker32 : uint32_t(h.localOffset));
    c.insert(c.end(), name.begin(), name.end());
    if (!z.empty()) {
        Put16(c, kExtraZip64);
        Put16(c, uint32_t(z.size()));
        c.insert(c.end(), z.begin(), z.end());
    }
    c.insert(c.end(), rest.begin(), rest.end());
    c.insert(c.end(), comment.begin(), comment.end());
    return c;
}

bool ParseLocal(const uint8_t* p, LocalHeader& h) {
    if (Get32(p) != kLocalSig) return false;
    GetShared(p + 4, h);
    h.nameLength = Get16(p + 26);
    h.extraLength = Get16(p + 28);
    h.zip64 = false;
    return true;
}

bool ApplyZip64(LocalHeader& h, const uint8_t* extra, size_t n) {
    const uint8_t* f = nullptr;
    size_t len = 0;
    const bool marked = h.size == kMarker32 || h.packed == kMarker32;
    if (!FindExtra(extra, n, kExtraZip64, f, len) || len < 16) return !marked;
    h.zip64 = true;
    if (marked) {
        h.size = Get64(f);
        h.packed = Get64(f + 8);
    }
    return true;
}

std::vector<uint8_t> LocalBytes(const LocalHeader& h, const std::string& name, bool zip64) {
    std::vector<uint8_t> b;
    b.reserve(kLocalSize + name.size() + (zip64 ? 20 : 0));
    Put32(b, kLocalSig);
    PutShared(b, h, zip64 ? std::max(h.versionNeeded, kVersionZip64) : h.versionNeeded,
              zip64 ? kMarker32 : uint32_t(h.packed), zip64 ? kMarker32 : uint32_t(h.size));
    Put16(b, uint32_t(name.size()));
    Put16(b, zip64 ? 20 : 0);
    b.insert(b.end(), name.begin(), name.end());
    if (zip64) {
        Put16(b, kExtraZip64);
        Put16(b, 16);
        Put64(b, h.size);
        Put64(b, h.packed);
    }
    return b;
}

uint64_t LocalEntryLength(Reader& r, uint64_t offset, uint16_t flags, uint64_t packed, uint64_t limit) {
    uint8_t raw[kLocalSize];
    LocalHeader h;
    if (!r.ReadAt(offset, raw, sizeof raw) || !ParseLocal(raw, h)) return 0;
    std::vector<uint8_t> extra(h.extraLength);
    if (!extra.empty() && !r.ReadAt(offset + kLocalSize + h.nameLength, extra.data(), extra.size())) return 0;
    ApplyZip64(h, extra.data(), extra.size());
    uint64_t len = h.Length() + packed;
    if (flags & kFlagDescriptor) {
        uint8_t sig[4];
        const bool withSig =
            offset + len + 4 <= limit && r.ReadAt(offset + len, sig, 4) && Get32(sig) == kDescriptorSig;
        len += DescriptorSize(h.zip64, withSig);
    }
    return offset + len <= limit ? len : 0;
}

// ---- The central directory ----------------------------------------------

DirectoryStatus ReadDirectory(Reader& r, Directory& dir) {
    dir = Directory();
    switch (LocateEnd(r, dir.end)) {
    case EndStatus::Found: break;
    case EndStatus::TooShort: return DirectoryStatus::TooShort;
    case EndStatus::ReadError: return DirectoryStatus::ReadError;
    case EndStatus::NotFound: return DirectoryStatus::NotFound;
    case EndStatus::BadZip64: return DirectoryStatus::BadZip64;
    }
    const EndRecord& rec = dir.end.record;
    if (rec.disk != 0 || rec.directoryDisk != 0 || rec.entriesHere != rec.totalEntries)
        return DirectoryStatus::Spanned;
    if (rec.directorySize > dir.end.directoryEnd) return DirectoryStatus::BadSize;
    dir.start = dir.end.directoryEnd - rec.directorySize;
    dir.size = rec.directorySize;
    dir.shift = int64_t(dir.start - rec.directoryOffset);  // wraps, never overflows

    dir.tail.resize(size_t(r.Size() - dir.start));
    if (!r.ReadAt(dir.start, dir.tail.data(), dir.tail.size())) return DirectoryStatus::Unreadable;
    const uint8_t* cd = dir.tail.data();
    dir.entries.reserve(size_t(std::min<uint64_t>(rec.totalEntries, dir.size / kCentralSize)));
    for (uint64_t i = 0; i < rec.totalEntries; ++i) {
        DirectoryEntry e;
        CentralHeader& h = e.header;
        const uint64_t at = dir.used;
        if (at + kCentralSize > dir.size || !ParseCentral(cd + at, h) || at + h.Length() > dir.size)
            return DirectoryStatus::BadEntry;
        const char* name = reinterpret_cast<const char*>(cd + at + kCentralSize);
        const char* extra = name + h.nameLength;
        if (!ApplyZip64(h, reinterpret_cast<const uint8_t*>(extra), h.extraLength)) return DirectoryStatus::NoZip64;
        e.name.assign(name, h.nameLength);
        e.extra.assign(extra, h.extraLength);
        e.comment.assign(extra + h.extraLength, h.commentLength);
        dir.used += h.Length();
        dir.entries.push_back(std::move(e));
    }
    return DirectoryStatus::Found;
}

// ---- Extra fields and names ---------------------------------------------

bool FindExtra(const uint8_t* extra, size_t n, uint16_t id, const uint8_t*& data, size_t& length) {
    size_t at = 0;
    while (extra && at + 4 <= n) {
        const uint16_t tag = Get16(extra + at);
        const size_t len = Get16(extra + at + 2);
        if (at + 4 + len > n) return false;
        if (tag == id) {
            data = extra + at + 4;
            length = len;
            return true;
        }
        at += 4 + len;
    }
    return false;
}

std::string DropExtra(const std::string& extra, uint16_t id) {
    std::string out;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(extra.data());
    size_t at = 0;
    while (at + 4 <= extra.size()) {
        const size_t len = Get16(p + at + 2);
        // A field that runs past the end is kept as it is.
        if (at + 4 + len > extra.size()) break;
        if (Get16(p + at) != id) out.append(extra, at, 4 + len);
        at += 4 + len;
    }
    out.append(extra, at, std::string::npos);
    return out;
}

bool IsUtf8(const std::string& s) {
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n;
        unsigned char lo = 0x80, hi = 0xBF;  // bounds of the second byte
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            n = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 3;
            if (c == 0xE0) lo = 0xA0;
            if (c == 0xED) hi = 0x9F;  // no surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 4;
            if (c == 0xF0) lo = 0x90;
            if (c == 0xF4) hi = 0x8F;
        } else {
            return false;
        }
        if (i + n > s.size()) return false;
        const unsigned char second = static_cast<unsigned char>(s[i + 1]);
        if (second < lo || second > hi) return false;
        for (size_t k = 2; k < n; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        }
        i += n;
    }
    return true;
}

bool Utf8Name(uint16_t flags, uint8_t host, const std::string& raw, const uint8_t* extra, size_t extraLength,
              std::string& name) {
    if (flags & kFlagUtf8) {
        name = raw;
        return true;
    }
    const uint8_t* f = nullptr;
    size_t len = 0;
    if (FindExtra(extra, extraLength, kExtraUnicodePath, f, len) && len >= 5 && f[0] == 1 &&
        Get32(f + 1) == Crc32(raw.data(), raw.size())) {
        std::string unicode(reinterpret_cast<const char*>(f + 5), len - 5);
        if (IsUtf8(unicode)) {
            name = unicode;
            return true;
        }
    }
    const bool multiByte = std::any_of(raw.begin(), raw.end(), [](char c) { return (c & 0x80) != 0; });
    if (host == 3 && multiByte && IsUtf8(raw)) {
        name = raw;
        return true;
    }
    return false;
}

}  // namespace zipformat
