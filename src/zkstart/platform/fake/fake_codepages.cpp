#include <cstdint>

#include "platform/fake/fake_dynlib.h"

namespace zk::platform {

namespace {

// Bytes 0x80 to 0xFF of code page 437.
const char16_t kCp437[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

// Bytes 0x80 to 0x9F of code page 1252; from 0xA0 on it is Latin-1. Windows
// maps the five bytes the page leaves free to the C1 controls of that value.
const char16_t kCp1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char32_t kReplacement = 0xFFFD;

char32_t Decode(unsigned char b, unsigned codePage) {
    if (b < 0x80) return b;
    if (codePage == 437) return kCp437[b - 0x80];
    if (codePage == 1252) return b < 0xA0 ? kCp1252[b - 0x80] : b;
    return kReplacement;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char32_t NextUtf8(const std::string& text, size_t& pos) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char b = byte(pos);
    size_t len = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 1) return ++pos, b;
    if (len == 0 || pos + len > text.size()) return ++pos, kReplacement;
    char32_t c = b & (0x7F >> len);
    for (size_t i = 1; i < len; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) return ++pos, kReplacement;
        c = (c << 6) | (byte(pos + i) & 0x3F);
    }
    static const char32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
    // Over-long forms, surrogates and values beyond Unicode are broken too.
    if (c < kLeast[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return ++pos, kReplacement;
    pos += len;
    return c;
}

std::string FakeCodePages::ToUtf8(const std::string& bytes, unsigned codePage) {
    std::string out;
    if (codePage == kCodePageUtf8) {
        for (size_t pos = 0; pos < bytes.size();) AppendUtf8(out, NextUtf8(bytes, pos));
        return out;
    }
    for (char ch : bytes) AppendUtf8(out, Decode(static_cast<unsigned char>(ch), codePage));
    return out;
}

std::string FakeCodePages::FromUtf8(const std::string& text, unsigned codePage) {
    if (codePage == kCodePageUtf8) return ToUtf8(text, kCodePageUtf8);
    std::string out;
    for (size_t pos = 0; pos < text.size();) {
        char32_t c = NextUtf8(text, pos);
        char found = '?';
        if (c < 0x80) {
            found = static_cast<char>(c);
        } else {
            for (unsigned b = 0x80; b < 0x100; ++b)
                if (Decode(static_cast<unsigned char>(b), codePage) == c) {
                    found = static_cast<char>(b);
                    break;
                }
        }
        out += found;
    }
    return out;
}

}  // namespace zk::platform
