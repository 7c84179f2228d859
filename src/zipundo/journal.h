// The undo record of an add. Before the library overwrites an archive's
// central directory it writes the bytes it is about to lose into a side
// file beside the archive ("<archive>.zkj") and only removes that file once
// the new archive is complete. Whoever next finds such a record (the
// library, the component, the self-extractor) knows the add was cut short
// and puts the old archive back; a record that is itself incomplete means
// the archive was not touched yet.
//
// This is the format alone, plain bytes with no file access; undo.h applies it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace zipundo::journal {

inline const char* const kSuffix = ".zkj";
// The bytes before the overwritten part that a journal is checked against:
// a journal left beside some other file must not be applied to it.
constexpr size_t kPrefixCheck = 4096;

// What undoing means.
enum class Kind : uint32_t {
    InPlace = 0,  // the old bytes from tailOffset on go back
    Created = 1,  // the archive did not exist: undoing removes it
    Rewrite = 2,  // the archive is replaced whole by a finished copy: nothing to put back
};

struct Undo {
    Kind kind = Kind::InPlace;
    uint64_t tailOffset = 0;  // first byte the add may overwrite
    uint32_t prefixLength = 0, prefixCrc = 0;  // of the bytes just before tailOffset
    std::string tail;         // the old bytes from tailOffset to the old end

    uint64_t OldSize() const { return tailOffset + tail.size(); }
};

inline uint32_t Crc32(const void* data, size_t n, uint32_t crc = 0) {
    struct Table {
        uint32_t v[256];
        Table() {
            for (uint32_t i = 0; i < 256; ++i) {
                uint32_t c = i;
                for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
                v[i] = c;
            }
        }
    };
    static const Table table;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) crc = table.v[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

namespace detail {
inline void Put(std::string& s, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s += char(uint8_t(v >> (8 * i)));
}
inline uint64_t Get(const uint8_t* p, int bytes) {
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}
constexpr size_t kHead = 32;
}  // namespace detail

inline std::string Encode(const Undo& u) {
    std::string s = "ZKJ1";
    detail::Put(s, uint32_t(u.kind), 4);
    detail::Put(s, u.tailOffset, 8);
    detail::Put(s, u.prefixLength, 4);
    detail::Put(s, u.prefixCrc, 4);
    detail::Put(s, u.tail.size(), 8);
    s += u.tail;
    detail::Put(s, Crc32(s.data(), s.size()), 4);
    return s;
}

// False for anything but a whole journal (cut short, damaged, foreign).
inline bool Decode(const void* data, size_t n, Undo& out) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    if (n < detail::kHead + 4 || std::string(reinterpret_cast<const char*>(p), 4) != "ZKJ1") return false;
    const uint64_t kind = detail::Get(p + 4, 4), tailLength = detail::Get(p + 24, 8);
    if (kind > uint64_t(Kind::Rewrite) || tailLength != n - detail::kHead - 4) return false;
    if (Crc32(p, n - 4) != uint32_t(detail::Get(p + n - 4, 4))) return false;
    out = Undo();
    out.kind = Kind(kind);
    out.tailOffset = detail::Get(p + 8, 8);
    out.prefixLength = uint32_t(detail::Get(p + 16, 4));
    out.prefixCrc = uint32_t(detail::Get(p + 20, 4));
    if (out.prefixLength > kPrefixCheck || out.prefixLength > out.tailOffset) return false;
    out.tail.assign(reinterpret_cast<const char*>(p + detail::kHead), size_t(tailLength));
    return true;
}

// Whether the journal belongs to a file whose bytes before tailOffset are
// `prefix` (the last prefixLength of them) and whose size is `size`.
inline bool Fits(const Undo& u, uint64_t size, const std::string& prefix) {
    return u.kind == Kind::InPlace && size >= u.tailOffset && prefix.size() == u.prefixLength &&
           Crc32(prefix.data(), prefix.size()) == u.prefixCrc;
}

}  // namespace zipundo::journal
