// What the steps of an add share: the command's options as values, the way
// back to the caller, how a step fails, and the files it handles.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "zipundo/undo.h"
#include "zkzip/zipdll.h"
#include "zkzip/zkfs.h"

namespace zkzip {

constexpr size_t kChunk = 256 * 1024;

// A size or count in the callback's 32-bit value.
inline int32_t Clamp32(uint64_t v) { return int32_t(v < 0x7FFFFFFF ? v : 0x7FFFFFFF); }

// A step that cannot go on: the number and text the caller gets, and the
// reason of a file that could not be used.
struct Failure {
    int code;
    std::string text;
    zipundo::Reason reason = zipundo::Reason::None;
};
// A failure of the file layer, with its text and its reason.
Failure IoFail(int code, const std::string& what);

// The caller answered a callback with "cancel".
struct Cancelled {};

// One file specification as the library sees it, from either layout.
struct Spec {
    std::string pattern;
    std::string rootDir;
    bool recurse = false;
    bool encrypt = false;
    bool hasPassword = false;
    std::string password;
};

struct Options {
    bool oldLayout = false;
    std::string archive;  // "/" between parts
    std::string tempDir;
    bool hasComment = false;
    std::string comment;
    std::string password;
    bool verbose = false, trace = false;
    bool hidden = false, dirEntries = false, dropDirs = false, forceDos = false;
    bool move = false, update = false, freshen = false, keepTime = false;
    bool archiveOnly = false, resetArchive = false;
    int level = 9;
    std::vector<std::string> suffixes;  // folded, with their dot
    std::vector<std::string> excl;
    std::vector<Spec> specs;

    // Whether the name ends in a suffix that is stored without compression.
    bool IsStoredSuffix(const std::string& name) const;
};

// The callback of the command.
class Caller {
public:
    explicit Caller(const ZipCommand& cmd) : cmd_(cmd) {}
    // The caller's answer; `out` gets the record as the caller left it.
    int32_t Callback(int32_t action, int32_t error, int32_t value, const std::string& text,
                     ZipCallbackData* out = nullptr);
    // Progress that may cancel the command.
    void Step(int32_t action, int32_t value, const std::string& text = {});
    // A message that may cancel the command.
    void Message(int code, const std::string& text);

private:
    const ZipCommand& cmd_;
};

// The command's fields in either layout; told through `caller` what it leaves out.
Options ReadCommand(const ZipCommand& cmd, Caller& caller);

// A file or folder found for the archive.
struct Item {
    std::string src;     // path on disk
    std::string stored;  // name in the archive
    fs::Stat st;
    bool isDir = false;
    bool encrypt = false;
    std::string password;
    uint32_t dosTime = 0;
};

}  // namespace zkzip
