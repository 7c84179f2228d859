// The system's 8-bit character sets. Names in archives and other byte-level
// formats come in them; inside the program text is UTF-8.
#pragma once
#include <string>

namespace zk::platform {

constexpr unsigned kCodePageUtf8 = 65001;

class CodePages {
public:
    virtual ~CodePages() = default;
    // The console (DOS) character set, 437 or 850 for instance.
    virtual unsigned OemCodePage() = 0;
    // The Windows character set, 1252 for instance.
    virtual unsigned AnsiCodePage() = 0;
    // Bytes of a code page as UTF-8; a byte the page does not define, or a
    // broken UTF-8 sequence, becomes U+FFFD.
    virtual std::string ToUtf8(const std::string& bytes, unsigned codePage) = 0;
    // UTF-8 text in a code page; what the page cannot hold becomes "?".
    virtual std::string FromUtf8(const std::string& text, unsigned codePage) = 0;
};

}  // namespace zk::platform
