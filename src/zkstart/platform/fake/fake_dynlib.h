// Fakes of the run-time libraries and the code pages.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/dynlib.h"

namespace zk::platform {

class FakeFileSystem;

// Libraries are tables of entry points that a test hands in: functions of
// the test program itself (the real zip library linked in, or doubles).
class FakeDynLib : public DynLib {
public:
    explicit FakeDynLib(FakeFileSystem& files) : files_(files) {}
    LibHandle Load(const std::string& name) override;
    void* Symbol(LibHandle lib, const std::string& name) override;
    bool Free(LibHandle lib) override;

    // Test side. A library is found by exactly the name it is loaded by
    // (any case): a path, or a plain name standing for the search order.
    void Add(const std::string& name, std::map<std::string, void*> entries);
    void Remove(const std::string& name);
    std::vector<std::string> loads;          // every name asked for, in order
    std::vector<unsigned> loadErrorModes;    // the critical-error mode at each load
    std::vector<std::string> lookups;        // every entry point asked for
    int frees = 0;
    bool throwOnLoad = false;                // loading raises, as a broken library's start-up may
    size_t OpenCount() const { return open_.size(); }
    // The name a handle was loaded by; "" for none.
    std::string NameOf(LibHandle lib) const;

private:
    FakeFileSystem& files_;
    std::map<std::string, std::map<std::string, void*>> libraries_;  // by folded name
    std::map<LibHandle, std::string> open_;                          // handle -> folded name
    LibHandle next_ = 0x10000;
};

// Code pages 437, 1252 and UTF-8 as Windows converts them; any other page
// knows only ASCII.
class FakeCodePages : public CodePages {
public:
    unsigned OemCodePage() override { return oem; }
    unsigned AnsiCodePage() override { return ansi; }
    std::string ToUtf8(const std::string& bytes, unsigned codePage) override;
    std::string FromUtf8(const std::string& text, unsigned codePage) override;
    unsigned oem = 437;
    unsigned ansi = 1252;
};

// One code point as UTF-8.
void AppendUtf8(std::string& out, char32_t c);
// The next code point of UTF-8 text at pos, moving pos on; U+FFFD for a
// broken sequence (one byte consumed).
char32_t NextUtf8(const std::string& text, size_t& pos);

}  // namespace zk::platform
