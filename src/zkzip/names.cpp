#include "zkzip/names.h"

#include <algorithm>

#include "zipformat/zipformat.h"

namespace zkzip {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// Bytes of the UTF-8 character starting with `c` (1 for anything odd).
size_t CharLen(unsigned char c) {
    if (c >= 0xF0 && c < 0xF8) return 4;
    if (c >= 0xE0) return c < 0xF0 ? 3 : 1;
    if (c >= 0xC0) return 2;
    return 1;
}

std::vector<std::string> Split(const std::string& s) {
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= s.size()) {
        size_t j = s.find('/', i);
        if (j == std::string::npos) j = s.size();
        parts.push_back(s.substr(i, j - i));
        i = j + 1;
    }
    return parts;
}

}  // namespace

bool HasWildcards(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

bool WildMatch(const std::string& pattern, const std::string& text) {
    // "*.*" means every name, with or without a dot, as it always did on DOS.
    const std::string& pat = pattern == "*.*" ? std::string("*") : pattern;
    size_t p = 0, t = 0, starP = std::string::npos, starT = 0;
    while (t < text.size()) {
        if (p < pat.size() && pat[p] == '*') {
            starP = ++p;
            starT = t;
        } else if (p < pat.size() && pat[p] == '?') {
            ++p;
            t += CharLen(static_cast<unsigned char>(text[t]));
        } else if (p < pat.size() && Lower(pat[p]) == Lower(text[t])) {
            ++p;
            ++t;
        } else if (starP != std::string::npos) {
            p = starP;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pat.size() && pat[p] == '*') ++p;
    return p == pat.size() && t <= text.size();
}

std::string Fold(const std::string& s) {
    std::string out = s;
    for (char& c : out) c = c == '\\' ? '/' : Lower(c);
    return out;
}

std::string Slashed(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::string BaseName(const std::string& path) {
    size_t p = path.find_last_of('/');
    return p == std::string::npos ? path : path.substr(p + 1);
}

std::vector<std::string> ResolvedParts(const std::string& path) {
    std::vector<std::string> parts;
    for (const std::string& part : Split(path)) {
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
    }
    return parts;
}

std::string CleanStoredName(const std::string& path) {
    std::string p = Slashed(path);
    if (p.size() >= 2 && p[1] == ':') p.erase(0, 2);
    std::string out;
    for (const auto& part : ResolvedParts(p)) out += (out.empty() ? "" : "/") + part;
    return out;
}

std::string DosName(const std::string& stored) {
    bool dir = !stored.empty() && stored.back() == '/';
    std::string out;
    for (const std::string& part : Split(dir ? stored.substr(0, stored.size() - 1) : stored)) {
        size_t dot = part.find_last_of('.');
        std::string base = dot == std::string::npos ? part : part.substr(0, dot);
        std::string ext = dot == std::string::npos ? std::string() : part.substr(dot + 1);
        auto fix = [](std::string s, size_t max) {
            std::string r;
            for (char c : s) {
                if (c == '.' || c == ' ' || static_cast<unsigned char>(c) >= 0x80) c = '_';
                else if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
                if (r.size() < max) r += c;
            }
            return r;
        };
        if (!out.empty()) out += '/';
        out += fix(base, 8);
        if (!ext.empty()) out += "." + fix(ext, 3);
    }
    return dir ? out + "/" : out;
}

bool IsAscii(const std::string& s) {
    for (unsigned char c : s) {
        if (c >= 0x80) return false;
    }
    return true;
}

bool IsUtf8(const std::string& s) { return zipformat::IsUtf8(s); }

}  // namespace zkzip
