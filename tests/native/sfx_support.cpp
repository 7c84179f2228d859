#include "sfx_support.h"

#include <zlib.h>

#include <stdexcept>
#include <tuple>

#include "zipformat/zipformat.h"

namespace zksfx::test {

std::string MakeHeader(uint8_t flags, const std::string& caption, const std::string& defaultDir,
                       const std::string& commandLine, const std::string& message) {
    std::string texts;
    for (const std::string* t : {&caption, &defaultDir, &commandLine, &message}) texts += char(t->size()) + *t;
    const size_t length = (8 + texts.size() + 3) / 4 * 4;
    std::string h = std::string("MPV") + char(flags) + '\0' + '\1' + char(length & 0xFF) + char(length >> 8) + texts;
    h.resize(length, '\0');
    return h;
}

std::string EmptyEndRecord(uint32_t dirOffset) {
    std::vector<uint8_t> e;
    zipformat::AppendEnd(e, zipformat::OneDiskEnd(0, 0, dirOffset), dirOffset, "");
    return std::string(e.begin(), e.end());
}

std::string FakeStub(size_t size, size_t symbolBytes) {
    if (size < 0x400) throw std::invalid_argument("a stub needs at least 1024 bytes");
    std::string s(size + symbolBytes, '\0');
    const uint32_t body = uint32_t(size - 0x200), symbols = uint32_t(symbolBytes ? (symbolBytes - 4) / 18 : 0);
    // The PE header at 0x40: machine, one section, a time stamp, the symbol table, an optional header of
    // PE32+ (headers 0x200 long, 16 directories), then the section ".text" behind the headers.
    const std::tuple<size_t, uint32_t, int> fields[] = {
        {0x3C, 0x40, 4},  {0x44, 0x8664, 2}, {0x46, 1, 2},      {0x48, 0x12345678, 4}, {0x4C, symbolBytes ? uint32_t(size) : 0, 4},
        {0x50, symbols, 4}, {0x54, 240, 2},  {0x56, 0x22, 2},   {0x58, 0x20B, 2},      {0x94, 0x200, 4}, {0xC4, 16, 4},
        {0x150, body, 4}, {0x154, 0x1000, 4}, {0x158, body, 4}, {0x15C, 0x200, 4}};
    for (auto [at, value, bytes] : fields)
        for (int i = 0; i < bytes; ++i) s[at + size_t(i)] = char(value >> (8 * i));
    s.replace(0, 2, "MZ"), s.replace(0x40, 2, "PE"), s.replace(0x148, 5, ".text");
    for (size_t i = 0x200; i < size; ++i) s[i] = char(0x90 + i % 7);
    if (symbolBytes) {  // symbols as zeros, then the string table with its own length
        const size_t strings = size + symbols * 18;
        for (int i = 0; i < 4; ++i) s[strings + size_t(i)] = char(uint32_t(size + symbolBytes - strings) >> (8 * i));
    }
    return s;
}

namespace {
std::string Deflate(const std::string& data) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, uLong(data.size())) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data())), z.avail_in = uInt(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data()), z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH), deflateEnd(&z);
    return out.substr(0, out.size() - z.avail_out);
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
