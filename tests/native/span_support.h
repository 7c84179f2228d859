// A written disk set looked into independently of the component: the end
// record, the central headers and the local headers they name.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "zipformat/zipformat.h"

namespace zk::test {

inline const uint8_t* At(const std::string& b, size_t at) { return reinterpret_cast<const uint8_t*>(b.data() + at); }
inline uint32_t SpanLe16(const std::string& b, size_t at) { return zipformat::Get16(At(b, at)); }
inline uint32_t SpanLe32(const std::string& b, size_t at) { return zipformat::Get32(At(b, at)); }

struct SetEntry { uint32_t disk = 0, offset = 0; };
struct SetView {
    std::string error;  // empty when the set holds together
    uint32_t endDisk = 0, dirDisk = 0;
    std::vector<SetEntry> entries;
};

// Parts in disk order; every central header must name a local header of the
// same name on the disk and at the offset it gives.
inline SetView ViewSet(const std::vector<std::string>& parts) {
    SetView v;
    const std::string& last = parts.back();
    const size_t end = last.rfind(std::string("PK\x05\x06", 4));
    if (parts[0].compare(0, 4, std::string("PK\x07\x08", 4)) != 0 || end == std::string::npos || end + 22 > last.size())
        return v.error = "no span marker or no end record", v;
    v.endDisk = SpanLe16(last, end + 4), v.dirDisk = SpanLe16(last, end + 6);
    if (v.endDisk != parts.size() - 1 || v.dirDisk >= parts.size()) return v.error = "wrong disks in the end record", v;
    size_t disk = v.dirDisk, at = SpanLe32(last, end + 16);
    for (uint32_t i = 0; i < SpanLe16(last, end + 10); ++i) {
        if (at + 46 > parts[disk].size()) ++disk, at = 0;  // a header lies whole on the next disk
        if (disk >= parts.size() || parts[disk].compare(at, 4, std::string("PK\x01\x02", 4)) != 0)
            return v.error = "central header " + std::to_string(i) + " missing", v;
        const std::string& p = parts[disk];
        const size_t n = SpanLe16(p, at + 28);
        const std::string name = p.substr(at + 46, n);
        const SetEntry e{SpanLe16(p, at + 34), SpanLe32(p, at + 42)};
        at += 46 + n + SpanLe16(p, at + 30) + SpanLe16(p, at + 32);
        if (e.disk >= parts.size() || parts[e.disk].compare(e.offset, 4, std::string("PK\x03\x04", 4)) != 0 ||
            parts[e.disk].compare(e.offset + 30, n, name) != 0)
            return v.error = "the local header of " + name + " is not where its central header says", v;
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
