// What the parts of the fake file system share: paths as Windows reads
// them, the error numbers it reports, the host side of a drive that stands
// on a host folder.
#pragma once
#include <cctype>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/filesystem.h"

namespace zk::platform::fakefs {

inline std::string FoldPath(const std::string& s) {
    std::string out;
    for (char c : s) out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Runs of backslashes count as one, as Windows reads them.
inline std::string Collapse(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '/') c = '\\';
        if (c == '\\' && !out.empty() && out.back() == '\\') continue;
        out += c;
    }
    return out;
}

inline bool WildMatch(const char* pat, const char* s) {
    if (*pat == 0) return *s == 0;
    if (*pat == '*') return WildMatch(pat + 1, s) || (*s && WildMatch(pat, s + 1));
    if (*s == 0) return false;
    if (*pat == '?' || *pat == *s) return WildMatch(pat + 1, s + 1);
    return false;
}

inline char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

inline std::string ParentKey(const std::string& key) {
    size_t kc = key.rfind('\\');
    return key.substr(0, kc == 2 ? 3 : kc);
}

// Windows error numbers the fake reports.
constexpr int kFileNotFound = 2, kPathNotFound = 3, kAccessDenied = 5, kWriteProtect = 19, kNotReady = 21,
              kReadFault = 30, kWriteFault = 29, kSharingViolation = 32, kDiskFull = 112, kAlreadyExists = 183,
              kDirNotEmpty = 145;

// 100-ns ticks between 1601 and 1970.
constexpr int64_t kUnixEpoch = 116444736000000000;

// The host side of a drive with a host folder (fake_host.cpp). Errors leave
// errno set; Windows builds of the tests keep every drive in memory.
struct HostStat {
    bool dir = false;
    uint64_t size = 0;
    FileTime time = 0;
};
bool HostInfo(const std::string& path, HostStat& out);
std::unique_ptr<File> HostOpen(const std::string& path, OpenMode mode);
std::unique_ptr<DirReader> HostOpenDir(const std::string& path);
bool HostMkdir(const std::string& path);
bool HostRmdir(const std::string& path);
bool HostUnlink(const std::string& path);
bool HostRename(const std::string& from, const std::string& to);
bool HostSetTime(const std::string& path, FileTime time);
std::optional<uint64_t> HostFree(const std::string& path);
std::optional<uint64_t> HostSize(const std::string& path);

}  // namespace zk::platform::fakefs
