// The file layer on Windows: the wide APIs, UTF-8 paths converted at the call.
#include <windows.h>

#include <algorithm>

#include "utf16/utf16.h"
#include "zkzip/zkfs_impl.h"

namespace zkzip::fs {

using namespace impl;

namespace {

using utf16::Utf8;

// A path for the wide APIs, "\" between its parts.
std::wstring Wide(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return utf16::Wide(path);
}

HANDLE Handle(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

void SetError(DWORD code, const std::string& path = {}) {
    wchar_t* buf = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                             reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
    std::string text = n ? Utf8(std::wstring(buf, n)) : std::string();
    if (buf) LocalFree(buf);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    bool readOnly = false;
    if (code == ERROR_ACCESS_DENIED && !path.empty()) {
        const DWORD attr = GetFileAttributesW(Wide(path).c_str());
        readOnly = attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY);
    }
    SetFailure(text.empty() ? "Windows error " + std::to_string(code) : text,
               zipundo::FromWindowsError(code, readOnly));
}

void SetLastFailure(const std::string& path = {}) { SetError(GetLastError(), path); }

int64_t FromFileTime(const FILETIME& ft) {
    uint64_t t = (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return int64_t(t / 10000000ULL) - 11644473600LL;
}

FILETIME ToFileTime(int64_t unixTime) {
    uint64_t t = uint64_t(unixTime + 11644473600LL) * 10000000ULL;
    FILETIME ft;
    ft.dwLowDateTime = DWORD(t);
    ft.dwHighDateTime = DWORD(t >> 32);
    return ft;
}

void FillStat(DWORD attr, DWORD sizeHigh, DWORD sizeLow, const FILETIME& written, Stat& st) {
    st.isDir = (attr & FILE_ATTRIBUTE_DIRECTORY) != 0;
    st.hidden = (attr & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
    st.archive = (attr & FILE_ATTRIBUTE_ARCHIVE) != 0;
    st.link = (attr & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    st.attributes = attr & 0x37;  // read-only, hidden, system, directory, archive
    st.size = st.isDir ? 0 : (uint64_t(sizeHigh) << 32) | sizeLow;
    st.mtime = FromFileTime(written);
}

}  // namespace

bool GetStat(const std::string& path, Stat& st) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) {
        SetLastFailure();
        return false;
    }
    FillStat(data.dwFileAttributes, data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime, st);
    return true;
}

bool ListDir(const std::string& dir, std::vector<DirItem>& items) {
    items.clear();
    std::string pattern = dir;
    if (!pattern.empty() && pattern.back() != '/' && pattern.back() != '\\') pattern += '/';
    pattern += '*';
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileExW(Wide(pattern).c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr, 0);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD e = GetLastError();
        if (e == ERROR_FILE_NOT_FOUND) return true;
        SetError(e);
        return false;
    }
    do {
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        DirItem item;
        item.name = Utf8(name);
        FillStat(fd.dwFileAttributes, fd.nFileSizeHigh, fd.nFileSizeLow, fd.ftLastWriteTime, item.st);
        items.push_back(std::move(item));
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return true;
}

File::~File() {
    if (handle_ != kClosed) CloseHandle(Handle(handle_));
}

bool File::IsOpen() const { return handle_ != kClosed; }

bool File::Open(const std::string& path, Mode mode) {
    path_ = path;
    pos_ = 0;
    readSoFar_ = 0;
    if (mode == Mode::Read && HookRefusesRead(path)) {
        SetFailure("Access is denied", zipundo::Reason::Denied);
        return false;
    }
    if (mode == Mode::CreateNew || mode == Mode::HoldOrCreate) BeforeChange();
    const bool hold = mode == Mode::Hold || mode == Mode::HoldOrCreate;
    DWORD access = mode == Mode::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    if (hold) access |= DELETE;
    // Sources may be open elsewhere; the archive is ours alone while we write
    // it (others may read), a held record is nobody else's at all.
    DWORD share = mode == Mode::Read ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE
                  : hold             ? 0
                                     : FILE_SHARE_READ;
    DWORD disposition = mode == Mode::CreateNew      ? CREATE_NEW
                        : mode == Mode::HoldOrCreate ? OPEN_ALWAYS
                                                     : OPEN_EXISTING;
    HANDLE h = CreateFileW(Wide(path).c_str(), access, share, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        SetLastFailure(path);
        return false;
    }
    handle_ = reinterpret_cast<intptr_t>(h);
    LARGE_INTEGER size;
    size_ = GetFileSizeEx(h, &size) ? uint64_t(size.QuadPart) : 0;
    return true;
}

int64_t File::Read(void* buf, int64_t n) {
    if (!HookLimitsRead(path_, readSoFar_, n)) {
        SetFailure("The device is not ready (test)", zipundo::Reason::Other);
        return -1;
    }
    DWORD got = 0;
    if (!ReadFile(Handle(handle_), buf, DWORD(std::min<int64_t>(n, 1 << 30)), &got, nullptr)) {
        SetLastFailure();
        return -1;
    }
    pos_ += got;
    readSoFar_ += got;
    return got;
}

bool File::WriteAll(const char* p, int64_t n) {
    while (n > 0) {
        DWORD put = 0;
        if (!WriteFile(Handle(handle_), p, DWORD(std::min<int64_t>(n, 1 << 30)), &put, nullptr)) {
            SetLastFailure();
            return false;
        }
        p += put;
        n -= put;
        pos_ += put;
    }
    return true;
}

void File::SetDiskFull() { SetError(ERROR_DISK_FULL); }

bool File::Seek(uint64_t pos) {
    LARGE_INTEGER li;
    li.QuadPart = LONGLONG(pos);
    if (!SetFilePointerEx(Handle(handle_), li, nullptr, FILE_BEGIN)) {
        SetLastFailure();
        return false;
    }
    pos_ = pos;
    return true;
}

bool File::Truncate(uint64_t len) {
    BeforeChange();
    if (!Seek(len)) return false;
    if (!SetEndOfFile(Handle(handle_))) {
        SetLastFailure();
        return false;
    }
    size_ = len;
    return true;
}

bool File::RemoveHeld() {
    BeforeChange();
    FILE_DISPOSITION_INFO gone{TRUE};
    const bool ok = SetFileInformationByHandle(Handle(handle_), FileDispositionInfo, &gone, sizeof gone) != 0;
    if (!ok) SetLastFailure();
    return Close() && ok;
}

bool File::Close() {
    if (handle_ == kClosed) return true;
    bool ok = CloseHandle(Handle(handle_)) != 0;
    if (!ok) SetLastFailure();
    handle_ = kClosed;
    return ok;
}

bool Remove(const std::string& path) {
    BeforeChange();
    if (DeleteFileW(Wide(path).c_str())) return true;
    SetLastFailure(path);
    return false;
}

bool Rename(const std::string& from, const std::string& to) {
    BeforeChange();
    if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    SetLastFailure();
    return false;
}

std::string CurrentDir() {
    DWORD n = GetCurrentDirectoryW(0, nullptr);
    std::wstring w(n, L'\0');
    n = GetCurrentDirectoryW(n, w.data());
    w.resize(n);
    return Slashed(Utf8(w));
}

bool IsAbsolute(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':') return true;
    return !path.empty() && (path[0] == '/' || path[0] == '\\');
}

std::string FullPath(const std::string& path) {
    std::wstring w = Wide(path);
    DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
    if (n == 0) return Slashed(path);
    std::wstring out(n, L'\0');
    n = GetFullPathNameW(w.c_str(), n, out.data(), nullptr);
    out.resize(n);
    return Slashed(Utf8(out));
}

bool SamePath(const std::string& a, const std::string& b) {
    std::wstring x = Wide(FullPath(a)), y = Wide(FullPath(b));
    return CompareStringOrdinal(x.c_str(), int(x.size()), y.c_str(), int(y.size()), TRUE) == CSTR_EQUAL;
}

uint32_t DosDateTime(int64_t mtime) {
    FILETIME ft = ToFileTime(mtime + (mtime & 1)), local;
    WORD date = 0, time = 0;
    if (!FileTimeToLocalFileTime(&ft, &local) || !FileTimeToDosDateTime(&local, &date, &time) || date < 0x21)
        return 0x00210000;  // 1980-01-01 00:00
    return (uint32_t(date) << 16) | time;
}

bool SetDosTime(const std::string& path, uint32_t dosDateTime) {
    FILETIME local, ft;
    if (!DosDateTimeToFileTime(WORD(dosDateTime >> 16), WORD(dosDateTime), &local) ||
        !LocalFileTimeToFileTime(&local, &ft)) {
        SetLastFailure();
        return false;
    }
    HANDLE h = CreateFileW(Wide(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        SetLastFailure();
        return false;
    }
    bool ok = SetFileTime(h, nullptr, nullptr, &ft) != 0;
    if (!ok) SetLastFailure();
    CloseHandle(h);
    return ok;
}

bool ClearArchiveAttribute(const std::string& path) {
    std::wstring w = Wide(path);
    DWORD attr = GetFileAttributesW(w.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES || !SetFileAttributesW(w.c_str(), attr & ~DWORD(FILE_ATTRIBUTE_ARCHIVE))) {
        SetLastFailure();
        return false;
    }
    return true;
}

}  // namespace zkzip::fs
