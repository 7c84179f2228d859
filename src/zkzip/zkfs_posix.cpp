// The file layer natively (the tests' build): POSIX calls; an advisory lock
// stands in for Windows' sharing modes where a record is held.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include "zkzip/zkfs_impl.h"

namespace zkzip::fs {

using namespace impl;

namespace {

zipundo::Reason ReasonOf(int e, const std::string& path, bool creating) {
    using zipundo::Reason;
    switch (e) {
    case EACCES:
    case EPERM: {
        struct stat s;
        return ::stat(path.c_str(), &s) == 0 && !(s.st_mode & 0222) ? Reason::ReadOnly : Reason::Denied;
    }
    case EROFS: return Reason::DriveReadOnly;
    case ENOSPC:
    case EDQUOT: return Reason::DiskFull;
    case EWOULDBLOCK:
    case EBUSY:
    case ETXTBSY: return Reason::InUse;
    case ENOENT:
    case ENOTDIR: return creating ? Reason::NoFolder : Reason::None;
    default: return Reason::Other;
    }
}

void SetErrno(int e, const std::string& path = {}, bool creating = false) {
    SetFailure(std::strerror(e), ReasonOf(e, path, creating));
}

void FillStat(const struct stat& s, const std::string& name, Stat& st) {
    st.isDir = S_ISDIR(s.st_mode);
    st.hidden = !name.empty() && name[0] == '.';
    st.archive = true;
    st.attributes = (st.isDir ? 0x10 : 0x20) | (st.hidden ? 0x02 : 0) | ((s.st_mode & 0222) ? 0 : 0x01);
    st.size = st.isDir ? 0 : uint64_t(s.st_size);
    st.mtime = int64_t(s.st_mtime);
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
    if (handle_ != kClosed) ::close(int(handle_));
}

bool File::IsOpen() const { return handle_ != kClosed; }

bool File::Open(const std::string& path, Mode mode) {
    path_ = Slashed(path);
    pos_ = 0;
    readSoFar_ = 0;
    if (mode == Mode::Read && HookRefusesRead(path_)) {
        SetErrno(EACCES);
        return false;
    }
    const bool hold = mode == Mode::Hold || mode == Mode::HoldOrCreate;
    const bool creating = mode == Mode::CreateNew || mode == Mode::HoldOrCreate;
    int flags = O_CLOEXEC;
    if (mode == Mode::Read) flags |= O_RDONLY;
    else if (mode == Mode::CreateNew) flags |= O_RDWR | O_CREAT | O_EXCL;
    else flags |= O_RDWR | (creating ? O_CREAT : 0);
    if (creating) BeforeChange();
    for (int attempt = 0;; ++attempt) {
        int fd = ::open(path_.c_str(), flags, 0666);
        if (fd < 0) {
            SetErrno(errno, path_, creating);
            return false;
        }
        struct stat s, now;
        if (::fstat(fd, &s) != 0 || S_ISDIR(s.st_mode)) {
            SetErrno(S_ISDIR(s.st_mode) ? EISDIR : errno);
            ::close(fd);
            return false;
        }
        if (hold) {
            if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
                SetErrno(errno);
                ::close(fd);
                return false;
            }
            // The holder before us may have removed it meanwhile: a lock on
            // a file no longer under this name holds nothing.
            if (::stat(path_.c_str(), &now) != 0 || now.st_ino != s.st_ino || now.st_dev != s.st_dev) {
                ::close(fd);
                if (attempt < 100) continue;
                SetErrno(EWOULDBLOCK);
                return false;
            }
        }
        handle_ = fd;
        size_ = uint64_t(s.st_size);
        return true;
    }
}

int64_t File::Read(void* buf, int64_t n) {
    if (!HookLimitsRead(path_, readSoFar_, n)) {
        SetErrno(EIO);
        return -1;
    }
    for (;;) {
        ssize_t got = ::read(int(handle_), buf, size_t(n));
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

bool File::WriteAll(const char* p, int64_t n) {
    while (n > 0) {
        ssize_t put = ::write(int(handle_), p, size_t(n));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            SetErrno(put < 0 ? errno : ENOSPC);
            return false;
        }
        p += put;
        n -= put;
        pos_ += uint64_t(put);
    }
    return true;
}

void File::SetDiskFull() { SetErrno(ENOSPC); }

bool File::Seek(uint64_t pos) {
    if (::lseek(int(handle_), off_t(pos), SEEK_SET) < 0) {
        SetErrno(errno);
        return false;
    }
    pos_ = pos;
    return true;
}

bool File::Truncate(uint64_t len) {
    BeforeChange();
    if (::ftruncate(int(handle_), off_t(len)) != 0) {
        SetErrno(errno);
        return false;
    }
    size_ = len;
    return Seek(len);
}

bool File::RemoveHeld() {
    BeforeChange();
    const bool ok = ::unlink(path_.c_str()) == 0;
    if (!ok) SetErrno(errno, path_);
    return Close() && ok;
}

bool File::Close() {
    if (handle_ == kClosed) return true;
    bool ok = ::close(int(handle_)) == 0;
    if (!ok) SetErrno(errno);
    handle_ = kClosed;
    return ok;
}

bool Remove(const std::string& path) {
    BeforeChange();
    if (::unlink(Slashed(path).c_str()) == 0) return true;
    SetErrno(errno, Slashed(path));
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
    std::string out;
    for (const auto& part : ResolvedParts(p)) out += "/" + part;
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

}  // namespace zkzip::fs
