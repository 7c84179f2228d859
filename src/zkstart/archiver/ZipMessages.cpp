#include "archiver/ZipMessages.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "common/text.h"

namespace zk {

const ZipMessageRow kZipMessages[] = {
#define ZK_ZIP_MESSAGE_ROW(name, number, text) {number, #name, text},
    ZK_ZIP_MESSAGES(ZK_ZIP_MESSAGE_ROW)
#undef ZK_ZIP_MESSAGE_ROW
};
const size_t kZipMessageCount = sizeof kZipMessages / sizeof kZipMessages[0];

const char* const kMissingMessage =
    "The message table is probably not linked to the executable\nMissing String ID is: ";

const std::map<int, std::string>& ZipMessagesDE() {
    static const std::map<int, std::string> texts = [] {
        std::map<int, std::string> map;
        for (const ZipMessageRow& row : kZipMessages) map.emplace(row.number, row.text);
        return map;
    }();
    return texts;
}

std::map<int, std::string>& ZipMessageTable() {
    static std::map<int, std::string> table = ZipMessagesDE();
    return table;
}

std::string MessageText(int number, const std::string& fallback) {
    const auto& table = ZipMessageTable();
    auto it = table.find(number);
    return it == table.end() ? fallback : it->second;
}

std::string MessageText(int number) { return MessageText(number, kMissingMessage + NumStr(number)); }

std::string MessageWithReason(int number, zipundo::Reason why) {
    const auto n = static_cast<unsigned>(why);
    const std::string reason = MessageText(zmReasonUnknown + static_cast<int>(n < zipundo::kReasonCount ? n : 0), "");
    return FormatMessageArg(MessageText(number), reason);
}

// ---- one argument into a text ----

namespace {

struct FormatSpec {
    size_t begin = std::string::npos, end = 0;  // the "%...x" run
    bool left = false;
    size_t width = 0;
    long precision = -1;
    char type = 0;
};

// The first format of the text; begin is npos when there is none.
FormatSpec FindFormat(const std::string& text) {
    FormatSpec f;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '%') continue;
        if (text[i + 1] == '%') {
            ++i;
            continue;
        }
        size_t p = i + 1;
        FormatSpec s;
        if (p < text.size() && text[p] == '-') s.left = true, ++p;
        while (p < text.size() && std::isdigit(static_cast<unsigned char>(text[p])))
            s.width = std::min<size_t>(s.width * 10 + static_cast<size_t>(text[p++] - '0'), 1000);
        if (p < text.size() && text[p] == '.') {
            s.precision = 0;
            ++p;
            while (p < text.size() && std::isdigit(static_cast<unsigned char>(text[p])))
                s.precision = std::min<long>(s.precision * 10 + (text[p++] - '0'), 1000);
        }
        if (p < text.size() && std::strchr("dusx", std::tolower(static_cast<unsigned char>(text[p])))) {
            s.begin = i;
            s.end = p + 1;
            s.type = static_cast<char>(std::tolower(static_cast<unsigned char>(text[p])));
            return s;
        }
    }
    return f;
}

std::string Pad(std::string value, const FormatSpec& f) {
    if (value.size() < f.width) {
        std::string fill(f.width - value.size(), ' ');
        value = f.left ? value + fill : fill + value;
    }
    return value;
}

std::string Substitute(const std::string& text, const FormatSpec& f, const std::string& value) {
    std::string out;
    auto unescape = [&out](const std::string& part) {
        for (size_t i = 0; i < part.size(); ++i) {
            out += part[i];
            if (part[i] == '%' && i + 1 < part.size() && part[i + 1] == '%') ++i;
        }
    };
    if (f.begin == std::string::npos) {
        unescape(text);
        return out;
    }
    unescape(text.substr(0, f.begin));
    out += Pad(value, f);
    unescape(text.substr(f.end));
    return out;
}

bool Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::string FormatMessageArg(const std::string& text, long long arg) {
    FormatSpec f = FindFormat(text);
    std::string digits;
    if (f.type == 'x') {
        unsigned long long v = static_cast<unsigned long long>(arg);
        do {
            digits.insert(digits.begin(), "0123456789ABCDEF"[v & 15]);
            v >>= 4;
        } while (v);
    } else {
        std::string n = NumStr(arg);
        bool negative = !n.empty() && n[0] == '-';
        digits = negative ? n.substr(1) : n;
        if (f.type != 's' && f.precision > 0 && digits.size() < static_cast<size_t>(f.precision))
            digits.insert(0, static_cast<size_t>(f.precision) - digits.size(), '0');
        if (negative) digits.insert(0, "-");
    }
    return Substitute(text, f, digits);
}

std::string FormatMessageArg(const std::string& text, const std::string& arg) {
    FormatSpec f = FindFormat(text);
    std::string value = arg;
    if (f.type == 's' && f.precision >= 0) value = Utf8Left(value, static_cast<size_t>(f.precision));
    return Substitute(text, f, value);
}

std::string Utf8Left(const std::string& text, size_t count) {
    size_t chars = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (Continuation(text[i])) continue;
        if (chars++ == count) return text.substr(0, i);
    }
    return text;
}

std::string Utf8Fit(const std::string& text, size_t limit) {
    if (text.size() <= limit) return text;
    size_t cut = limit;
    while (cut > 0 && Continuation(text[cut])) --cut;
    return text.substr(0, cut);
}

// ---- the exception ----

EZipArchiver EZipArchiver::CreateResDisp(int number, bool showToUser) {
    return EZipArchiver(MessageText(number), number, showToUser);
}

namespace {
// Without a text the argument is dropped: the fallback has no place for it.
template <typename Arg>
std::string TextWith(int number, const Arg& arg) {
    const auto& table = ZipMessageTable();
    auto it = table.find(number);
    return it == table.end() ? MessageText(number) : FormatMessageArg(it->second, arg);
}
}  // namespace

EZipArchiver EZipArchiver::CreateResInt(int number, long long arg) {
    return EZipArchiver(TextWith(number, arg), number, true);
}

EZipArchiver EZipArchiver::CreateResStr(int number, const std::string& arg) {
    return EZipArchiver(TextWith(number, arg), number, true);
}

EZipArchiver EZipArchiver::CreateResFallback(int number, const std::string& fallback, bool showToUser) {
    return EZipArchiver(MessageText(number, fallback), number, showToUser);
}

}  // namespace zk
