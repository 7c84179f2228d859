#include "zkzip/zkfs.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <cstdio>
#include <random>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>
#endif

namespace zkzip::fs {

namespace {

// A plain buffer: a thread-local object with a destructor would pin the
// DLL in memory, and the component could never unload it.
thread_local char g_lastErrorText[512];

void SetLastErrorText(const std::string& text) {
    size_t n = std::min(text.size(), sizeof g_lastErrorText - 1);
    while (n < text.size() && n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;  // whole characters
    std::memcpy(g_lastErrorText, text.data(), n);
    g_lastErrorText[n] = 0;
}

std::string Slashed(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

void BeforeChange() {
    if (TestHooks().beforeChange) TestHooks().beforeChange();
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return !tail.empty() && s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

Hooks& TestHooks() {
    static Hooks hooks;
    return hooks;
}

std::string LastErrorText() { return g_lastErrorText; }

#ifdef _WIN32

namespace {

std::wstring Wide(const std::string& utf8) {
    std::string s = utf8;
    std::replace(s.begin(), s.end(), '/', '\\');
    if (s.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
    std::wstring w(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), w.data(), n);
    return w;
}

std::string Utf8(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

void SetError(DWORD code) {
    wchar_t* buf = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                             reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
    std::string text = n ? Utf8(std::wstring(buf, n)) : std::string();
    if (buf) LocalFree(buf);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    SetLastErrorText(text.empty() ? "Windows error " + std::to_string(code) : text);
}

void SetLastFailure() { SetError(GetLastError()); }

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
    if (h_) CloseHandle(h_);
}

bool File::IsOpen() const { return h_ != nullptr; }

bool File::Open(const std::string& path, Mode mode) {
    path_ = path;
    pos_ = 0;
    readSoFar_ = 0;
    Hooks& hooks = TestHooks();
    if (mode == Mode::Read && hooks.failReadAfter < 0 && EndsWith(Slashed(path), hooks.failReadName)) {
        SetLastErrorText("Access is denied");
        return false;
    }
    if (mode == Mode::CreateNew) BeforeChange();
    DWORD access = mode == Mode::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    // Sources may be open elsewhere; the archive is ours alone while we write it.
    DWORD share = mode == Mode::Read ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : FILE_SHARE_READ;
    DWORD disposition = mode == Mode::CreateNew ? CREATE_NEW : OPEN_EXISTING;
    HANDLE h = CreateFileW(Wide(path).c_str(), access, share, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        SetLastFailure();
        return false;
    }
    h_ = h;
    LARGE_INTEGER size;
    size_ = GetFileSizeEx(h, &size) ? uint64_t(size.QuadPart) : 0;
    return true;
}

int64_t File::Read(void* buf, int64_t n) {
    Hooks& hooks = TestHooks();
    if (hooks.failReadAfter >= 0 && EndsWith(Slashed(path_), hooks.failReadName)) {
        if (readSoFar_ >= hooks.failReadAfter) {
            SetLastErrorText("The device is not ready (test)");
            return -1;
        }
        n = std::min(n, hooks.failReadAfter - readSoFar_);
    }
    DWORD got = 0;
    if (!ReadFile(h_, buf, DWORD(std::min<int64_t>(n, 1 << 30)), &got, nullptr)) {
        SetLastFailure();
        return -1;
    }
    pos_ += got;
    readSoFar_ += got;
    return got;
}

bool File::Write(const void* buf, int64_t n) {
    BeforeChange();
    Hooks& hooks = TestHooks();
    int64_t allowed = n;
    if (hooks.diskFree >= 0) {
        int64_t growth = int64_t(pos_ + uint64_t(n)) - int64_t(size_);
        if (growth > hooks.diskFree) allowed = n - (growth - hooks.diskFree);
    }
    const char* p = static_cast<const char*>(buf);
    int64_t left = std::max<int64_t>(allowed, 0);
    while (left > 0) {
        DWORD put = 0;
        if (!WriteFile(h_, p, DWORD(std::min<int64_t>(left, 1 << 30)), &put, nullptr)) {
            SetLastFailure();
            return false;
        }
        p += put;
        left -= put;
        pos_ += put;
    }
    if (pos_ > size_) {
        if (hooks.diskFree >= 0) hooks.diskFree -= int64_t(pos_ - size_);
        size_ = pos_;
    }
    if (allowed < n) {
        SetError(ERROR_DISK_FULL);
        return false;
    }
    return true;
}

bool File::Seek(uint64_t pos) {
    LARGE_INTEGER li;
    li.QuadPart = LONGLONG(pos);
    if (!SetFilePointerEx(h_, li, nullptr, FILE_BEGIN)) {
        SetLastFailure();
        return false;
    }
    pos_ = pos;
    return true;
}

bool File::Truncate(uint64_t len) {
    BeforeChange();
    if (!Seek(len)) return false;
    if (!SetEndOfFile(h_)) {
        SetLastFailure();
        return false;
    }
    size_ = len;
    return true;
}

bool File::Flush() {
    if (FlushFileBuffers(h_)) return true;
    SetLastFailure();
    return false;
}

bool File::Close() {
    if (!h_) return true;
    bool ok = CloseHandle(h_) != 0;
    if (!ok) SetLastFailure();
    h_ = nullptr;
    return ok;
}

bool Remove(const std::string& path) {
    BeforeChange();
    if (DeleteFileW(Wide(path).c_str())) return true;
    SetLastFailure();
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

#else  // native

namespace {

void SetErrno(int e) { SetLastErrorText(std::strerror(e)); }

void FillStat(const struct stat& s, const std::string& name, Stat& st) {
    st.isDir = S_ISDIR(s.st_mode);
    st.hidden = !name.empty() && name[0] == '.';
    st.archive = true;
    st.attributes = (st.isDir ? 0x10 : 0x20) | (st.hidden ? 0x02 : 0) | ((s.st_mode & 0222) ? 0 : 0x01);
    st.size = st.isDir ? 0 : uint64_t(s.st_size);
    st.mtime = int64_t(s.st_mtime);
}

std::string BaseName(const std::string& path) {
    size_t p = path.find_last_of('/');
    return p == std::string::npos ? path : path.substr(p + 1);
}

}  // namespace

bool GetStat(const std::string& path, Stat& st) {
    struct stat s;
    std::string p = Slashed(path);
    if (::stat(p.c_str(), &s) != 0) {
        SetErrno(errno);
        return false;
    }
    FillStat(s, BaseName(p), st);
    struct stat l;
    st.link = ::lstat(p.c_str(), &l) == 0 && S_ISLNK(l.st_mode);
    return true;
}

bool ListDir(const std::string& dir, std::vector<DirItem>& items) {
    items.clear();
    std::string d = Slashed(dir);
    DIR* h = ::opendir(d.empty() ? "." : d.c_str());
    if (!h) {
        SetErrno(errno);
        return false;
    }
    if (!d.empty() && d.back() != '/') d += '/';
    while (dirent* e = ::readdir(h)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        DirItem item;
        item.name = name;
        if (!GetStat(d + name, item.st)) continue;  // vanished or a dangling link
        items.push_back(std::move(item));
    }
    ::closedir(h);
    return true;
}

File::~File() {
    if (fd_ >= 0) ::close(fd_);
}

bool File::IsOpen() const { return fd_ >= 0; }

bool File::Open(const std::string& path, Mode mode) {
    path_ = Slashed(path);
    pos_ = 0;
    readSoFar_ = 0;
    Hooks& hooks = TestHooks();
    if (mode == Mode::Read && hooks.failReadAfter < 0 && EndsWith(path_, hooks.failReadName)) {
        SetErrno(EACCES);
        return false;
    }
    int flags = O_CLOEXEC;
    if (mode == Mode::Read) flags |= O_RDONLY;
    else if (mode == Mode::ReadWrite) flags |= O_RDWR;
    else flags |= O_RDWR | O_CREAT | O_EXCL;
    if (mode == Mode::CreateNew) BeforeChange();
    int fd = ::open(path_.c_str(), flags, 0666);
    if (fd < 0) {
        SetErrno(errno);
        return false;
    }
    struct stat s;
    if (::fstat(fd, &s) != 0 || S_ISDIR(s.st_mode)) {
        SetErrno(S_ISDIR(s.st_mode) ? EISDIR : errno);
        ::close(fd);
        return false;
    }
    fd_ = fd;
    size_ = uint64_t(s.st_size);
    return true;
}

int64_t File::Read(void* buf, int64_t n) {
    Hooks& hooks = TestHooks();
    if (hooks.failReadAfter >= 0 && EndsWith(path_, hooks.failReadName)) {
        if (readSoFar_ >= hooks.failReadAfter) {
            SetErrno(EIO);
            return -1;
        }
        n = std::min(n, hooks.failReadAfter - readSoFar_);
    }
    for (;;) {
        ssize_t got = ::read(fd_, buf, size_t(n));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            SetErrno(errno);
            return -1;
        }
        pos_ += uint64_t(got);
        readSoFar_ += got;
        return got;
    }
}

bool File::Write(const void* buf, int64_t n) {
    BeforeChange();
    Hooks& hooks = TestHooks();
    int64_t allowed = n;
    if (hooks.diskFree >= 0) {
        int64_t growth = int64_t(pos_ + uint64_t(n)) - int64_t(size_);
        if (growth > hooks.diskFree) allowed = n - (growth - hooks.diskFree);
    }
    const char* p = static_cast<const char*>(buf);
    int64_t left = std::max<int64_t>(allowed, 0);
    while (left > 0) {
        ssize_t put = ::write(fd_, p, size_t(left));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            SetErrno(put < 0 ? errno : ENOSPC);
            return false;
        }
        p += put;
        left -= put;
        pos_ += uint64_t(put);
    }
    if (pos_ > size_) {
        if (hooks.diskFree >= 0) hooks.diskFree -= int64_t(pos_ - size_);
        size_ = pos_;
    }
    if (allowed < n) {
        SetErrno(ENOSPC);
        return false;
    }
    return true;
}

bool File::Seek(uint64_t pos) {
    if (::lseek(fd_, off_t(pos), SEEK_SET) < 0) {
        SetErrno(errno);
        return false;
    }
    pos_ = pos;
    return true;
}

bool File::Truncate(uint64_t len) {
    BeforeChange();
    if (::ftruncate(fd_, off_t(len)) != 0) {
        SetErrno(errno);
        return false;
    }
    size_ = len;
    return Seek(len);
}

bool File::Flush() {
    if (::fdatasync(fd_) == 0) return true;
    SetErrno(errno);
    return false;
}

bool File::Close() {
    if (fd_ < 0) return true;
    bool ok = ::close(fd_) == 0;
    if (!ok) SetErrno(errno);
    fd_ = -1;
    return ok;
}

bool Remove(const std::string& path) {
    BeforeChange();
    if (::unlink(Slashed(path).c_str()) == 0) return true;
    SetErrno(errno);
    return false;
}

bool Rename(const std::string& from, const std::string& to) {
    BeforeChange();
    if (::rename(Slashed(from).c_str(), Slashed(to).c_str()) == 0) return true;
    SetErrno(errno);
    return false;
}

std::string CurrentDir() {
    std::vector<char> buf(4096);
    while (!::getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE) return ".";
        buf.resize(buf.size() * 2);
    }
    return buf.data();
}

bool IsAbsolute(const std::string& path) { return !path.empty() && (path[0] == '/' || path[0] == '\\'); }

std::string FullPath(const std::string& path) {
    std::string p = Slashed(path);
    if (!IsAbsolute(p)) p = CurrentDir() + "/" + p;
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= p.size()) {
        size_t j = p.find('/', i);
        if (j == std::string::npos) j = p.size();
        std::string part = p.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string out;
    for (const auto& part : parts) out += "/" + part;
    return out.empty() ? "/" : out;
}

bool SamePath(const std::string& a, const std::string& b) { return FullPath(a) == FullPath(b); }

uint32_t DosDateTime(int64_t mtime) {
    time_t t = time_t(mtime + (mtime & 1));
    struct tm tm;
    if (!::localtime_r(&t, &tm) || tm.tm_year < 80) return 0x00210000;  // 1980-01-01 00:00
    if (tm.tm_year > 207) tm.tm_year = 207;
    uint32_t date = uint32_t(((tm.tm_year - 80) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
    uint32_t time = uint32_t((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
    return (date << 16) | time;
}

bool SetDosTime(const std::string& path, uint32_t dosDateTime) {
    struct tm tm {};
    uint32_t date = dosDateTime >> 16, time = dosDateTime & 0xFFFF;
    tm.tm_year = int((date >> 9) + 80);
    tm.tm_mon = int(((date >> 5) & 15) - 1);
    tm.tm_mday = int(date & 31);
    tm.tm_hour = int(time >> 11);
    tm.tm_min = int((time >> 5) & 63);
    tm.tm_sec = int((time & 31) * 2);
    tm.tm_isdst = -1;
    struct utimbuf ut;
    ut.actime = ut.modtime = ::mktime(&tm);
    if (::utime(Slashed(path).c_str(), &ut) == 0) return true;
    SetErrno(errno);
    return false;
}

bool ClearArchiveAttribute(const std::string&) { return true; }

#endif

std::string CreateTemp(const std::string& dir) {
    // Fresh randomness each time: a generator kept in the process would give
    // a forked copy of it the same names.
    std::random_device rng;
    std::string base = Slashed(dir);
    if (!base.empty() && base.back() != '/') base += '/';
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "zk%08x.tmp", unsigned(rng()));
        File f;
        if (f.Open(base + name, File::Mode::CreateNew)) {
            f.Close();
            return base + name;
        }
    }
    return {};
}

}  // namespace zkzip::fs
