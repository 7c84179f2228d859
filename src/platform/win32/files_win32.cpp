#include <windows.h>

#include "platform/win32/win32_platform.h"
#include "platform/win32/wstr.h"

namespace zk::win32 {

std::string FileSystem::ModulePath() {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n < buf.size()) {
            buf.resize(n);
            return Utf8(buf);
        }
        buf.resize(buf.size() * 2);
    }
}

std::string FileSystem::CurrentDir() {
    DWORD n = GetCurrentDirectoryW(0, nullptr);
    std::wstring buf(n, L'\0');
    n = GetCurrentDirectoryW(n, buf.data());
    buf.resize(n);
    return Utf8(buf);
}

bool FileSystem::SetCurrentDir(const std::string& dir) {
    if (SetCurrentDirectoryW(Wide(dir).c_str())) return true;
    lastError_ = static_cast<int>(GetLastError());
    return false;
}

bool FileSystem::FindFirst(const std::string& path, uint32_t attrMask, platform::FoundEntry& found) {
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW(Wide(path).c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) {
        lastError_ = static_cast<int>(GetLastError());
        return false;
    }
    bool ok = false;
    do {
        // Hidden, system and folder entries count only when the mask asks for them.
        uint32_t special = data.dwFileAttributes & (platform::faHidden | platform::faSysFile | platform::faDirectory);
        if ((special & ~attrMask) == 0) {
            found.name = Utf8(data.cFileName);
            found.attr = data.dwFileAttributes & platform::faAnyFile;
            found.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
            ok = true;
            break;
        }
    } while (FindNextFileW(h, &data));
    FindClose(h);
    if (!ok) lastError_ = ERROR_FILE_NOT_FOUND;
    return ok;
}

bool FileSystem::FileExists(const std::string& path) {
    DWORD a = GetFileAttributesW(Wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace zk::win32
