#include "zksfx/sfxformat.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace zksfx {

bool MemorySource::ReadAt(uint64_t pos, void* buf, size_t n) {
    if (pos > bytes_.size() || bytes_.size() - pos < n) return false;
    std::memcpy(buf, bytes_.data() + pos, n);
    return true;
}

// ---- Settings header -------------------------------------------------------

Overwrite Settings::OverwriteMode() const {
    // Both bits make no sense; asking is the choice that loses nothing.
    if (Has(kOverwriteAlways) && Has(kOverwriteNever)) return Overwrite::Confirm;
    if (Has(kOverwriteAlways)) return Overwrite::Always;
    if (Has(kOverwriteNever)) return Overwrite::Never;
    return Overwrite::Confirm;
}

bool ParseHeader(const uint8_t* data, size_t n, Settings& out, std::string& error) {
    out = Settings();
    if (n < kHeaderMinLength || std::memcmp(data, "MPV", 3) != 0) {
        error = "keine Einstellungen gefunden";
        return false;
    }
    if (data[4] != 0 || data[5] != 1) {
        error = "unbekannte Fassung der Einstellungen";
        return false;
    }
    out.flags = data[3];
    out.headerLength = Get16(data + 6);
    const size_t length = out.headerLength;
    if (length < kHeaderMinLength || length % 4 != 0 || length > n) {
        error = "Länge der Einstellungen falsch (" + std::to_string(length) + ")";
        return false;
    }
    // Four counted texts; the last length byte must lie inside the header.
    size_t at = 8;
    std::string* texts[4] = {&out.caption, &out.defaultDir, &out.commandLine, &out.message};
    for (std::string* t : texts) {
        if (at >= length || at + 1 + data[at] > length) {
            error = "Texte der Einstellungen zu lang";
            return false;
        }
        *t = SettingText(std::string(reinterpret_cast<const char*>(data + at + 1), data[at]));
        at += 1 + data[at];
    }
    // The length is the used part rounded up to four: anything else was
    // not written by the archiver.
    if (((at + 3) & ~size_t(3)) != length) {
        error = "Länge der Einstellungen passt nicht zu ihren Texten (" + std::to_string(length) + ")";
        return false;
    }
    return true;
}

uint64_t PeImageEnd(Source& src) {
    uint8_t dos[64];
    if (!src.ReadAt(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return 0;
    const uint64_t pe = Get32(dos + 0x3C);
    uint8_t coff[24];
    if (!src.ReadAt(pe, coff, sizeof coff) || std::memcmp(coff, "PE\0\0", 4) != 0) return 0;
    const unsigned sections = Get16(coff + 6);
    const uint32_t symbols = Get32(coff + 12), symbolCount = Get32(coff + 16);
    const unsigned optSize = Get16(coff + 20);
    std::vector<uint8_t> opt(optSize);
    if (optSize < 64 || !src.ReadAt(pe + 24, opt.data(), optSize)) return 0;
    uint64_t end = Get32(&opt[60]);  // size of the headers
    for (unsigned i = 0; i < sections; ++i) {
        uint8_t s[40];
        if (!src.ReadAt(pe + 24 + optSize + 40ull * i, s, sizeof s)) return 0;
        const uint32_t rawSize = Get32(s + 16), rawPos = Get32(s + 20);
        if (rawSize != 0) end = std::max<uint64_t>(end, uint64_t(rawPos) + rawSize);
    }
    // A linker's symbol table, its string table right behind it.
    if (symbols != 0 && symbolCount != 0) {
        const uint64_t strings = uint64_t(symbols) + 18ull * symbolCount;
        uint8_t len[4];
        if (strings + 4 <= src.Size() && src.ReadAt(strings, len, 4)) end = std::max(end, strings + Get32(len));
    }
    // A code signature is left out: added to the finished archive, it lies
    // behind everything, and added to the stub alone, the header search
    // looks past it.
    return end;
}

namespace {

bool HeaderAt(Source& src, uint64_t pos, uint64_t limit, Settings& out, std::string& error) {
    if (pos >= limit) {
        error = "keine Einstellungen gefunden";
        return false;
    }
    std::vector<uint8_t> buf(size_t(std::min<uint64_t>(limit - pos, 12 + 4 * 255 + 3)));
    if (!src.ReadAt(pos, buf.data(), buf.size())) {
        error = "Einstellungen nicht lesbar";
        return false;
    }
    return ParseHeader(buf.data(), buf.size(), out, error);
}

}  // namespace

bool LocateHeader(Source& src, uint64_t limit, uint64_t& offset, Settings& out, std::string& error) {
    limit = std::min(limit, src.Size());
    const uint64_t image = PeImageEnd(src);
    if (image != 0 && HeaderAt(src, image, limit, out, error)) {
        offset = image;
        return true;
    }
    std::string first = error;
    // Search the gap up to the archive for the signature.
    const uint64_t from = image, span = limit > from ? limit - from : 0;
    std::vector<uint8_t> gap(size_t(std::min<uint64_t>(span, 1 << 20)));
    if (!gap.empty() && src.ReadAt(from, gap.data(), gap.size())) {
        for (size_t i = 0; i + kHeaderMinLength <= gap.size(); ++i) {
            if (std::memcmp(&gap[i], kHeaderSignature, 3) == 0 && gap[i + 4] == 0 && gap[i + 5] == 1 &&
                ParseHeader(&gap[i], gap.size() - i, out, error)) {
                offset = from + i;
                return true;
            }
        }
    }
    error = image == 0 ? "keine Programmdatei" : first;
    return false;
}

// ---- Texts ---------------------------------------------------------------

namespace {

const uint16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

// 0x80 to 0x9F; from 0xA0 the code page is Latin-1.
const uint16_t kCp1252Low[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

}  // namespace

bool IsUtf8(const std::string& s) { return zipformat::IsUtf8(s); }

std::string Cp1252ToUtf8(const std::string& raw) {
    std::string out;
    for (unsigned char c : raw) AppendUtf8(out, c >= 0x80 && c < 0xA0 ? kCp1252Low[c - 0x80] : c);
    return out;
}

std::string Cp437ToUtf8(const std::string& raw) {
    std::string out;
    for (unsigned char c : raw) AppendUtf8(out, c < 0x80 ? c : kCp437High[c - 0x80]);
    return out;
}

namespace {
AnsiDecoder g_ansiDecoder = &Cp1252ToUtf8;
}  // namespace

void SetAnsiDecoder(AnsiDecoder decoder) { g_ansiDecoder = decoder ? decoder : &Cp1252ToUtf8; }

std::string SettingText(const std::string& raw) { return IsUtf8(raw) ? raw : g_ansiDecoder(raw); }

// ---- Zip directory -------------------------------------------------------

namespace {

// The name in UTF-8: as the archive says it is UTF-8, else in the DOS code page.
std::string DecodeName(const std::string& raw, uint16_t flags, uint16_t madeBy, const uint8_t* extra,
                       size_t extraLen) {
    std::string name;
    if (zipformat::Utf8Name(flags, uint8_t(madeBy >> 8), raw, extra, extraLen, name)) return name;
    return Cp437ToUtf8(raw);
}

class SourceReader : public zipformat::Reader {
public:
    explicit SourceReader(Source& src) : src_(src) {}
    uint64_t Size() override { return src_.Size(); }
    bool ReadAt(uint64_t pos, void* buf, size_t n) override { return src_.ReadAt(pos, buf, n); }

private:
    Source& src_;
};

}  // namespace

bool ReadArchive(Source& src, Archive& out, std::string& error) {
    using zipformat::DirectoryStatus;
    out = Archive();
    SourceReader reader(src);
    zipformat::Directory dir;
    const DirectoryStatus status = zipformat::ReadDirectory(reader, dir);
    const std::string where = " (Eintrag " + std::to_string(dir.entries.size() + 1) + ")";
    switch (status) {
    case DirectoryStatus::Found: break;
    case DirectoryStatus::TooShort: error = "kein Zip-Archiv (Datei zu kurz)"; return false;
    case DirectoryStatus::ReadError: error = "Dateiende nicht lesbar"; return false;
    case DirectoryStatus::NotFound: error = "kein Zip-Archiv (Endsatz fehlt)"; return false;
    case DirectoryStatus::BadZip64: error = "ZIP64-Endsatz fehlt oder ist beschädigt"; return false;
    case DirectoryStatus::Spanned: error = "das Archiv ist auf mehrere Disketten verteilt"; return false;
    case DirectoryStatus::BadSize: error = "Größe des Inhaltsverzeichnisses falsch"; return false;
    case DirectoryStatus::Unreadable: error = "Inhaltsverzeichnis nicht lesbar"; return false;
    case DirectoryStatus::BadEntry: error = "Inhaltsverzeichnis beschädigt" + where; return false;
    case DirectoryStatus::NoZip64: error = "ZIP64-Angaben fehlen" + where; return false;
    }
    out.endPos = dir.end.endPos;
    out.dirStart = dir.start;
    out.shift = dir.shift;
    out.entries.reserve(dir.entries.size());
    for (const zipformat::DirectoryEntry& d : dir.entries) {
        const zipformat::CentralHeader& h = d.header;
        Entry e;
        e.madeBy = uint16_t(h.madeByVersion | (h.madeByHost << 8));
        e.flags = h.flags;
        e.method = h.method;
        e.dosTime = h.dosTime;
        e.crc = h.crc;
        e.packed = h.packed;
        e.size = h.size;
        e.attributes = h.externalAttributes;
        e.recordedOffset = h.localOffset;
        e.rawName = d.name;
        e.name = DecodeName(e.rawName, e.flags, e.madeBy, reinterpret_cast<const uint8_t*>(d.extra.data()),
                            d.extra.size());
        std::replace(e.name.begin(), e.name.end(), '\\', '/');
        out.entries.push_back(std::move(e));
    }
    return true;
}

bool LocateData(Source& src, const Archive& a, const Entry& e, uint64_t& dataPos, std::string& error,
                uint64_t* headerPos) {
    // Unsigned on purpose: a zip64 offset may be anything, and a sum that
    // wraps lands beyond the directory and is refused like any other.
    const uint64_t candidates[2] = {e.recordedOffset + uint64_t(a.shift), e.recordedOffset};
    for (int i = 0; i < (a.shift != 0 ? 2 : 1); ++i) {
        const uint64_t pos = candidates[i];
        uint8_t raw[zipformat::kLocalSize];
        zipformat::LocalHeader h;
        if (pos >= a.dirStart || !src.ReadAt(pos, raw, sizeof raw) || !zipformat::ParseLocal(raw, h)) continue;
        const uint64_t data = pos + h.Length();
        if (data > a.dirStart || e.packed > a.dirStart - data) continue;
        dataPos = data;
        if (headerPos) *headerPos = pos;
        return true;
    }
    error = "kein Dateikopf für " + e.name;
    return false;
}

// ---- Names -------------------------------------------------------------

namespace {

bool IsDeviceName(std::string part) {
    // Windows reserves these names with any extension.
    part = part.substr(0, part.find('.'));
    while (!part.empty() && part.back() == ' ') part.pop_back();
    for (char& c : part) c = char(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* d : kDevices) {
        if (part == d) return true;
    }
    if (part.compare(0, 3, "COM") != 0 && part.compare(0, 3, "LPT") != 0) return false;
    // Any digit, and the superscripts one to three, which Windows takes as digits here.
    const std::string n = part.substr(3);
    return (n.size() == 1 && n[0] >= '0' && n[0] <= '9') || n == "\xC2\xB9" || n == "\xC2\xB2" || n == "\xC2\xB3";
}

}  // namespace

bool SafeRelativePath(const std::string& name, std::string& rel) {
    rel.clear();
    if (name.empty() || name[0] == '/' || name[0] == '\\') return false;
    size_t i = 0;
    while (i <= name.size()) {
        size_t j = name.find_first_of("/\\", i);
        if (j == std::string::npos) j = name.size();
        std::string part = name.substr(i, j - i);
        i = j + 1;
        if (part.empty() || part == ".") continue;
        for (unsigned char c : part) {
            if (c < 0x20 || std::strchr("<>:\"|?*", c) != nullptr) return false;
        }
        // Windows drops trailing dots and blanks: ".. " would climb up.
        while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
        if (part.empty() || IsDeviceName(part)) return false;
        rel += (rel.empty() ? "" : "\\") + part;
    }
    return !rel.empty();
}

}  // namespace zksfx
