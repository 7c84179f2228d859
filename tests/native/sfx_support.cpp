#include "sfx_support.h"

#include <zlib.h>

#include <stdexcept>

#include "zipformat/zipformat.h"

namespace zksfx::test {

namespace {

void Put16(std::string& b, uint32_t v) { b += {char(v & 0xFF), char((v >> 8) & 0xFF)}; }
void Put32(std::string& b, uint32_t v) { Put16(b, v & 0xFFFF), Put16(b, v >> 16); }
void Set32(std::string& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = char((v >> (8 * i)) & 0xFF);
}

}  // namespace

std::string MakeHeader(uint8_t flags, const std::string& caption, const std::string& defaultDir,
                       const std::string& commandLine, const std::string& message) {
    std::string texts;
    for (const std::string* t : {&caption, &defaultDir, &commandLine, &message}) texts += char(t->size()) + *t;
    const size_t length = (8 + texts.size() + 3) / 4 * 4;
    std::string h = std::string("MPV") + char(flags) + '\0' + '\1';
    Put16(h, uint32_t(length));
    (h += texts).resize(length, '\0');
    return h;
}

std::string EmptyEndRecord(uint32_t dirOffset) {
    std::vector<uint8_t> e;
    zipformat::AppendEnd(e, zipformat::OneDiskEnd(0, 0, dirOffset), dirOffset, "");
    return std::string(e.begin(), e.end());
}

std::string FakeStub(size_t size, size_t symbolBytes) {
    const size_t headers = 0x200;
    if (size < headers + 0x200) throw std::invalid_argument("a stub needs at least 1024 bytes");
    std::string s(size + symbolBytes, '\0');
    s.replace(0, 2, "MZ"), Set32(s, 0x3C, 0x40);
    std::string pe("PE\0\0", 4);
    Put16(pe, 0x8664), Put16(pe, 1), Put32(pe, 0x12345678);  // machine, one section, time stamp
    Put32(pe, symbolBytes ? uint32_t(size) : 0), Put32(pe, symbolBytes ? uint32_t((symbolBytes - 4) / 18) : 0);
    Put16(pe, 240), Put16(pe, 0x22);  // an optional header of PE32+
    std::string opt("\x0B\x02", 2);
    opt.resize(240, '\0'), Set32(opt, 60, uint32_t(headers)), Set32(opt, 108, 16);
    std::string section(".text\0\0\0", 8);
    Put32(section, uint32_t(size - headers)), Put32(section, 0x1000);              // virtual size and address
    Put32(section, uint32_t(size - headers)), Put32(section, uint32_t(headers));  // raw size and position
    section.resize(40, '\0');
    std::string head = pe + opt + section;
    s.replace(0x40, head.size(), head);
    for (size_t i = headers; i < size; ++i) s[i] = char(0x90 + i % 7);
    if (symbolBytes) {
        // Symbols as zeros, then the string table with its own length.
        const size_t strings = size + (symbolBytes - 4) / 18 * 18;
        Set32(s, strings, uint32_t(size + symbolBytes - strings));
    }
    return s;
}

namespace {
std::string Deflate(const std::string& data) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, uLong(data.size())) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = uInt(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    return out;
}

uint32_t Crc(const std::string& data) { return zipformat::Crc32(data.data(), data.size()); }
}  // namespace

std::string RandomBytes(size_t n, uint32_t seed) {
    std::string s(n, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (char& c : s) x ^= x << 13, x ^= x >> 17, x ^= x << 5, c = char(x & 0xFF);
    return s;
}

std::string ZipMaker::Build(uint32_t base, const std::string& comment) const {
    std::vector<uint8_t> out, dir;
    for (const ZipItem& it : items_) {
        std::string packed = it.method == 8 ? Deflate(it.data) : it.data;
        packed.resize(packed.size() - std::min(it.cutData, packed.size()));
        zipformat::LocalHeader l;
        l.versionNeeded = 20, l.flags = it.flags, l.method = it.method, l.dosTime = it.dosTime;
        l.crc = Crc(it.data) + uint32_t(it.crcDelta);
        l.packed = packed.size(), l.size = uint32_t(it.data.size() + size_t(it.sizeDelta));
        zipformat::CentralHeader c;
        c.madeByVersion = uint8_t(it.madeBy), c.madeByHost = uint8_t(it.madeBy >> 8), c.versionNeeded = 20;
        c.flags = l.flags, c.method = l.method, c.dosTime = l.dosTime, c.crc = l.crc, c.packed = l.packed, c.size = l.size;
        c.externalAttributes = it.attributes, c.localOffset = base + out.size();
        for (const auto& part : {zipformat::LocalBytes(l, it.name, false), std::vector<uint8_t>(packed.begin(), packed.end())})
            out.insert(out.end(), part.begin(), part.end());
        const auto central = zipformat::CentralBytes(c, it.name, "", "");
        dir.insert(dir.end(), central.begin(), central.end());
    }
    const uint64_t dirOffset = base + out.size();
    out.insert(out.end(), dir.begin(), dir.end());
    zipformat::AppendEnd(out, zipformat::OneDiskEnd(items_.size(), dir.size(), dirOffset), dirOffset + dir.size(), comment);
    return std::string(out.begin(), out.end());
}

}  // namespace zksfx::test
