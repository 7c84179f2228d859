#include "common/text.h"

#include <cstdint>

namespace zk {

std::string TrimBlanks(const std::string& text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string NumStr(long long value) { return std::to_string(value); }

std::string DottedNumber(long long value) {
    if (value < 0) return " ist kleiner 0!";
    std::string digits = std::to_string(value);
    std::string out;
    size_t n = digits.size();
    for (size_t i = 0; i < n; ++i) {
        size_t fromEnd = n - i;
        if (i > 0 && fromEnd % 3 == 0) out += '.';
        out += digits[i];
    }
    return out;
}

namespace {
// ä ö ü and Ä Ö Ü share the lead byte 0xC3; their second bytes differ by 0x20.
std::string ChangeCase(const std::string& text, bool upper) {
    std::string out = text;
    for (size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if (upper && c >= 'a' && c <= 'z') out[i] = static_cast<char>(c - 32);
        else if (!upper && c >= 'A' && c <= 'Z') out[i] = static_cast<char>(c + 32);
        else if (c == 0xC3 && i + 1 < out.size()) {
            unsigned char d = static_cast<unsigned char>(out[i + 1]);
            if (upper && (d == 0xA4 || d == 0xB6 || d == 0xBC)) out[i + 1] = static_cast<char>(d - 0x20);
            else if (!upper && (d == 0x84 || d == 0x96 || d == 0x9C)) out[i + 1] = static_cast<char>(d + 0x20);
            ++i;
        }
    }
    return out;
}
}  // namespace

std::string UpperCaseDE(const std::string& text) { return ChangeCase(text, true); }
std::string LowerCaseDE(const std::string& text) { return ChangeCase(text, false); }

std::string BackslashPath(const std::string& path, bool withSlash) {
    std::string p = path;
    if (!p.empty() && p.back() == '\\') p.pop_back();
    if (withSlash || p.size() <= 2) p += '\\';
    return p;
}

namespace {
int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

struct Scan {
    int64_t value = 0;
    size_t end = 0;       // index of the first character not read
    bool digits = false;  // at least one digit read
    bool overflow = false;
};

// Reads blanks, sign, hex marker and digits as far as they go.
Scan ScanInt(const std::string& s, bool letterX) {
    Scan r;
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    int base = 10;
    if (i < s.size() && (s[i] == '$' || (letterX && (s[i] == 'x' || s[i] == 'X')))) {
        base = 16;
        ++i;
    }
    const int64_t limit = negative ? int64_t{2147483648} : int64_t{2147483647};
    uint32_t raw = 0;  // hex texts may spell the full 32-bit pattern
    for (; i < s.size(); ++i) {
        int d = base == 16 ? HexDigit(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
        if (d < 0) break;
        if (base == 16) {
            if (raw > 0x0FFFFFFFu) { r.overflow = true; break; }
            raw = raw * 16 + static_cast<uint32_t>(d);
            r.value = static_cast<int32_t>(raw);
        } else {
            if (r.value * 10 + d > limit) { r.overflow = true; break; }
            r.value = r.value * 10 + d;
        }
        r.digits = true;
    }
    if (negative) r.value = -r.value;
    r.end = i;
    return r;
}
}  // namespace

int32_t StrToIntDef(const std::string& text, int32_t def) {
    Scan r = ScanInt(text, false);
    if (!r.digits || r.overflow || r.end != text.size()) return def;
    return static_cast<int32_t>(r.value);
}

int32_t IntPrefix(const std::string& text) {
    return static_cast<int32_t>(ScanInt(text, true).value);
}

}  // namespace zk
