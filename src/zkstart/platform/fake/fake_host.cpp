#include "platform/fake/fake_paths.h"

#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#endif

#include <cerrno>

#include "platform/buffered_file.h"

namespace zk::platform::fakefs {

#ifndef _WIN32
namespace {

// A real file below a drive's host folder.
class HostFile : public File {
public:
    HostFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~HostFile() override { Close(); }
    int64_t Read(void* buffer, size_t count) override { return ::read(fd_, buffer, count); }
    int64_t Write(const void* buffer, size_t count) override { return ::write(fd_, buffer, count); }
    int64_t Seek(int64_t offset, SeekFrom from) override {
        return ::lseek(fd_, offset, from == SeekFrom::Begin ? SEEK_SET : from == SeekFrom::Current ? SEEK_CUR : SEEK_END);
    }
    int64_t Position() override { return ::lseek(fd_, 0, SEEK_CUR); }
    int64_t Size() override {
        struct stat st {};
        return ::fstat(fd_, &st) == 0 ? st.st_size : -1;
    }
    bool Truncate() override {
        off_t at = ::lseek(fd_, 0, SEEK_CUR);
        return at >= 0 && ::ftruncate(fd_, at) == 0;
    }
    bool RemoveHeld() override {
        const bool removed = ::unlink(path_.c_str()) == 0;
        return Close() && removed;
    }
    bool Close() override {
        if (fd_ < 0) return false;
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
    std::string path_;
};

class HostDirReader : public DirReader {
public:
    HostDirReader(DIR* dir, std::string folder) : dir_(dir), folder_(std::move(folder)) {}
    ~HostDirReader() override { ::closedir(dir_); }
    bool Next(DirEntry& entry) override {
        struct dirent* d = ::readdir(dir_);
        if (!d) return false;
        entry = DirEntry{};
        entry.name = d->d_name;
        struct stat st {};
        if (::lstat((folder_ + "/" + entry.name).c_str(), &st) == 0) {
            if (S_ISLNK(st.st_mode)) {
                entry.attr |= faReparsePoint;
                struct stat target {};
                if (::stat((folder_ + "/" + entry.name).c_str(), &target) == 0 && S_ISDIR(target.st_mode))
                    entry.attr |= faDirectory;
            } else if (S_ISDIR(st.st_mode)) {
                entry.attr |= faDirectory;
            } else {
                entry.attr |= faArchive;
                entry.size = static_cast<uint64_t>(st.st_size);
            }
            entry.time = kUnixEpoch + static_cast<int64_t>(st.st_mtim.tv_sec) * 10000000 + st.st_mtim.tv_nsec / 100;
        }
        return true;
    }

private:
    DIR* dir_;
    std::string folder_;
};

}  // namespace

bool HostInfo(const std::string& path, HostStat& out) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    out.dir = S_ISDIR(st.st_mode);
    out.size = static_cast<uint64_t>(st.st_size);
    out.time = kUnixEpoch + static_cast<int64_t>(st.st_mtim.tv_sec) * 10000000 + st.st_mtim.tv_nsec / 100;
    return true;
}

std::unique_ptr<File> HostOpen(const std::string& path, OpenMode mode) {
    int flags = mode == OpenMode::Read ? O_RDONLY : mode == OpenMode::Write ? O_WRONLY : O_RDWR;
    if (mode == OpenMode::Write || mode == OpenMode::ReadWriteNew) flags |= O_CREAT | O_TRUNC;
    if (mode == OpenMode::HoldOrCreate) flags |= O_CREAT;
    int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) return nullptr;
    // Held as the zip library holds its records natively: an advisory lock.
    if ((mode == OpenMode::Hold || mode == OpenMode::HoldOrCreate) && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        ::close(fd);
        errno = e;
        return nullptr;
    }
    return std::make_unique<BufferedFile>(std::make_unique<HostFile>(fd, path));
}

std::unique_ptr<DirReader> HostOpenDir(const std::string& path) {
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return nullptr;
    return std::make_unique<HostDirReader>(dir, path);
}

bool HostMkdir(const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0; }
bool HostRmdir(const std::string& path) { return ::rmdir(path.c_str()) == 0; }
bool HostUnlink(const std::string& path) { return ::unlink(path.c_str()) == 0; }
bool HostRename(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()) == 0; }

bool HostSetTime(const std::string& path, FileTime time) {
    int64_t since = time - kUnixEpoch;
    struct timespec ts[2];
    ts[0].tv_sec = 0;
    ts[0].tv_nsec = UTIME_OMIT;
    ts[1].tv_sec = static_cast<time_t>(since / 10000000);
    ts[1].tv_nsec = static_cast<long>(since % 10000000) * 100;
    return ::utimensat(AT_FDCWD, path.c_str(), ts, 0) == 0;
}

std::optional<uint64_t> HostFree(const std::string& path) {
    struct statvfs sv {};
    if (::statvfs(path.c_str(), &sv) != 0) return std::nullopt;
    return static_cast<uint64_t>(sv.f_bavail) * sv.f_frsize;
}
std::optional<uint64_t> HostSize(const std::string& path) {
    struct statvfs sv {};
    if (::statvfs(path.c_str(), &sv) != 0) return std::nullopt;
    return static_cast<uint64_t>(sv.f_blocks) * sv.f_frsize;
}
#else
bool HostInfo(const std::string&, HostStat&) { errno = ENOENT; return false; }
std::unique_ptr<File> HostOpen(const std::string&, OpenMode) { errno = ENOENT; return nullptr; }
std::unique_ptr<DirReader> HostOpenDir(const std::string&) { errno = ENOENT; return nullptr; }
bool HostMkdir(const std::string&) { errno = EACCES; return false; }
bool HostRmdir(const std::string&) { errno = EACCES; return false; }
bool HostUnlink(const std::string&) { errno = EACCES; return false; }
bool HostRename(const std::string&, const std::string&) { errno = EACCES; return false; }
bool HostSetTime(const std::string&, FileTime) { errno = EACCES; return false; }
std::optional<uint64_t> HostFree(const std::string&) { return std::nullopt; }
std::optional<uint64_t> HostSize(const std::string&) { return std::nullopt; }
#endif

}  // namespace zk::platform::fakefs
