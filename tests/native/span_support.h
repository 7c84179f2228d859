// Looking into a written disk set independently of the component: where the
// end record, the central headers and the local headers they name lie.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zk::test {

inline uint32_t SpanLe16(const std::string& b, size_t at) {
    return static_cast<uint8_t>(b[at]) | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8;
}
inline uint32_t SpanLe32(const std::string& b, size_t at) { return SpanLe16(b, at) | SpanLe16(b, at + 2) << 16; }

struct SetEntry {
    std::string name;
    uint32_t disk = 0, offset = 0, packed = 0;
    uint32_t cdisk = 0;  // where its central header lies
};

struct SetView {
    std::string error;  // empty when the set holds together
    uint32_t endDisk = 0, dirDisk = 0, dirOffset = 0, total = 0;
    std::vector<SetEntry> entries;
};

// Parts in disk order. Every central header must name a local header with
// the same name on the disk and at the offset it gives.
inline SetView ViewSet(const std::vector<std::string>& parts) {
    SetView v;
    if (parts.empty() || parts[0].compare(0, 4, std::string("PK\x07\x08", 4)) != 0) {
        v.error = "the first part does not start with the span marker";
        return v;
    }
    const std::string& last = parts.back();
    size_t end = last.size() >= 22 ? last.rfind(std::string("PK\x05\x06", 4)) : std::string::npos;
    if (end == std::string::npos || end + 22 > last.size()) {
        v.error = "no end record on the last part";
        return v;
    }
    v.endDisk = SpanLe16(last, end + 4);
    v.dirDisk = SpanLe16(last, end + 6);
    v.total = SpanLe16(last, end + 10);
    v.dirOffset = SpanLe32(last, end + 16);
    if (v.endDisk != parts.size() - 1 || v.dirDisk >= parts.size()) {
        v.error = "the end record names the wrong disks";
        return v;
    }
    size_t disk = v.dirDisk, at = v.dirOffset;
    for (uint32_t i = 0; i < v.total; ++i) {
        if (at + 46 > parts[disk].size()) {  // a header lies whole on the next disk
            ++disk;
            at = 0;
        }
        if (disk >= parts.size() || parts[disk].compare(at, 4, std::string("PK\x01\x02", 4)) != 0) {
            v.error = "central header " + std::to_string(i) + " missing";
            return v;
        }
        const std::string& p = parts[disk];
        SetEntry e;
        size_t n = SpanLe16(p, at + 28);
        e.name = p.substr(at + 46, n);
        e.cdisk = static_cast<uint32_t>(disk);
        e.packed = SpanLe32(p, at + 20);
        e.disk = SpanLe16(p, at + 34);
        e.offset = SpanLe32(p, at + 42);
        at += 46 + n + SpanLe16(p, at + 30) + SpanLe16(p, at + 32);
        if (e.disk >= parts.size() || parts[e.disk].compare(e.offset, 4, std::string("PK\x03\x04", 4)) != 0 ||
            parts[e.disk].compare(e.offset + 30, n, e.name) != 0) {
            v.error = "the local header of " + e.name + " is not where its central header says";
            return v;
        }
        v.entries.push_back(e);
    }
    return v;
}

inline std::string Joined(const std::vector<std::string>& parts) {
    std::string all;
    for (const auto& p : parts) all += p;
    return all;
}

}  // namespace zk::test
