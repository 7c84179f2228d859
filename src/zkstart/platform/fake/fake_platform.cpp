#include "platform/fake/fake_platform.h"

#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/text.h"
#include "platform/buffered_file.h"

namespace zk::platform {

// ---- registry ----

std::string FakeRegistry::Fold(const std::string& s) {
    std::string out;
    for (char c : s) out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    while (!out.empty() && out.front() == '\\') out.erase(out.begin());
    while (!out.empty() && out.back() == '\\') out.pop_back();
    return out;
}

bool FakeRegistry::CreateKey(const std::string& key) {
    std::string k = Fold(key);
    for (const auto& f : failCreate)
        if (Fold(f) == k) return false;
    // Parents come into being with the key, as on Windows.
    for (size_t pos = 0; (pos = k.find('\\', pos)) != std::string::npos; ++pos) keys_[k.substr(0, pos)];
    keys_[k];
    return true;
}

bool FakeRegistry::KeyExists(const std::string& key) { return keys_.count(Fold(key)) != 0; }

StringRead FakeRegistry::ReadString(const std::string& key, const std::string& name) {
    const Value* v = Find(key, name);
    if (!v) return {};
    if (v->type != Type::Sz) return {ReadStatus::NotString, {}};
    return {ReadStatus::Present, v->text};
}

bool FakeRegistry::WriteString(const std::string& key, const std::string& name, const std::string& value) {
    auto it = keys_.find(Fold(key));
    if (it == keys_.end()) return false;
    it->second[Fold(name)] = Value{Type::Sz, value};
    writes.push_back(key + "\\" + name + "=" + value);
    return true;
}

void FakeRegistry::SetValue(const std::string& key, const std::string& name, const std::string& text, Type type) {
    CreateKey(key);
    keys_[Fold(key)][Fold(name)] = Value{type, text};
}

const FakeRegistry::Value* FakeRegistry::Find(const std::string& key, const std::string& name) const {
    auto it = keys_.find(Fold(key));
    if (it == keys_.end()) return nullptr;
    auto v = it->second.find(Fold(name));
    return v == it->second.end() ? nullptr : &v->second;
}

// ---- file system ----

namespace {
std::string FoldPath(const std::string& s) {
    std::string out;
    for (char c : s) out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Runs of backslashes count as one, as Windows reads them.
std::string Collapse(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '/') c = '\\';
        if (c == '\\' && !out.empty() && out.back() == '\\') continue;
        out += c;
    }
    return out;
}

bool WildMatch(const char* pat, const char* s) {
    if (*pat == 0) return *s == 0;
    if (*pat == '*') return WildMatch(pat + 1, s) || (*s && WildMatch(pat, s + 1));
    if (*s == 0) return false;
    if (*pat == '?' || *pat == *s) return WildMatch(pat + 1, s + 1);
    return false;
}

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

std::string ParentKey(const std::string& key) {
    size_t kc = key.rfind('\\');
    return key.substr(0, kc == 2 ? 3 : kc);
}

// Windows error numbers the fake reports.
constexpr int kFileNotFound = 2, kPathNotFound = 3, kAccessDenied = 5, kWriteProtect = 19, kNotReady = 21,
              kReadFault = 30, kWriteFault = 29, kSharingViolation = 32, kDiskFull = 112, kAlreadyExists = 183,
              kDirNotEmpty = 145;

// 100-ns ticks between 1601 and 1970.
constexpr int64_t kUnixEpoch = 116444736000000000;
}  // namespace

// A file held in memory; it finds its node again on every call, so a file
// removed while open only fails.
class FakeMemFile : public File {
public:
    FakeMemFile(FakeFileSystem& fs, FakeFileSystem::Loc loc, bool read, bool write, bool hold)
        : fs_(fs), loc_(std::move(loc)), read_(read), write_(write), hold_(hold) {
        if (hold_) fs_.held_.insert(loc_.key);
    }
    ~FakeMemFile() override { Close(); }
    int64_t Read(void* buffer, size_t count) override {
        FakeFileSystem::Node* n = fs_.Find(loc_.key);
        if (!open_ || !read_ || !n || !fs_.Usable(loc_, false)) return Fail(kReadFault);
        size_t avail = pos_ < n->content.size() ? n->content.size() - pos_ : 0;
        size_t got = std::min(count, avail);
        std::memcpy(buffer, n->content.data() + pos_, got);
        pos_ += got;
        return static_cast<int64_t>(got);
    }
    int64_t Write(const void* buffer, size_t count) override {
        FakeFileSystem::Node* n = fs_.Find(loc_.key);
        if (!open_ || !write_ || !n || !fs_.Usable(loc_, true)) return Fail(kWriteFault);
        size_t end = pos_ + count;
        int64_t growth = end > n->content.size() ? static_cast<int64_t>(end - n->content.size()) : 0;
        if (growth > 0 && !fs_.Charge(loc_, growth)) {
            // Disk full: what still fits goes in.
            const FakeDrive& d = *loc_.drive;
            uint64_t room = d.free ? *d.free : 0;
            count = static_cast<size_t>(std::min<uint64_t>(count, n->content.size() - std::min(n->content.size(), pos_) + room));
            end = pos_ + count;
            growth = end > n->content.size() ? static_cast<int64_t>(end - n->content.size()) : 0;
            fs_.Charge(loc_, growth);
            fs_.lastError_ = kDiskFull;
        }
        if (n->content.size() < end) n->content.resize(end);
        std::memcpy(&n->content[pos_], buffer, count);
        pos_ = end;
        n->time = fs_.Tick();
        return static_cast<int64_t>(count);
    }
    int64_t Seek(int64_t offset, SeekFrom from) override {
        FakeFileSystem::Node* n = fs_.Find(loc_.key);
        if (!open_ || !n) return Fail(kAccessDenied);
        int64_t base = from == SeekFrom::Begin ? 0 : from == SeekFrom::Current ? static_cast<int64_t>(pos_)
                                                                               : static_cast<int64_t>(n->content.size());
        if (base + offset < 0) return Fail(131);
        pos_ = static_cast<size_t>(base + offset);
        return base + offset;
    }
    int64_t Position() override { return open_ ? static_cast<int64_t>(pos_) : -1; }
    int64_t Size() override {
        FakeFileSystem::Node* n = fs_.Find(loc_.key);
        return open_ && n ? static_cast<int64_t>(n->content.size()) : Fail(kAccessDenied);
    }
    bool Truncate() override {
        FakeFileSystem::Node* n = fs_.Find(loc_.key);
        if (!open_ || !write_ || !n || !fs_.Usable(loc_, true)) return Fail(kAccessDenied) == 0;
        if (pos_ < n->content.size()) {
            fs_.Charge(loc_, -static_cast<int64_t>(n->content.size() - pos_));
            n->content.resize(pos_);
        } else if (!fs_.Charge(loc_, static_cast<int64_t>(pos_ - n->content.size()))) {
            return Fail(kDiskFull) == 0;
        } else {
            n->content.resize(pos_);
        }
        n->time = fs_.Tick();
        return true;
    }
    bool RemoveHeld() override {
        FakeFileSystem::Node* n = fs_.Find(loc_.key);
        if (!open_ || !hold_ || !n || !fs_.Usable(loc_, true)) return Fail(kAccessDenied) == 0 && Close();
        fs_.Charge(loc_, -static_cast<int64_t>(n->content.size()));
        fs_.nodes_.erase(loc_.key);
        fs_.names_.erase(loc_.key);
        return Close();
    }
    bool Close() override {
        bool was = open_;
        open_ = false;
        if (was && hold_) fs_.held_.erase(loc_.key);
        return was;
    }

private:
    int64_t Fail(int error) {
        fs_.lastError_ = error;
        return -1;
    }
    FakeFileSystem& fs_;
    FakeFileSystem::Loc loc_;
    bool read_, write_, hold_;
    bool open_ = true;
    size_t pos_ = 0;
};

namespace {
class ListReader : public DirReader {
public:
    explicit ListReader(std::vector<DirEntry> entries) : entries_(std::move(entries)) {}
    bool Next(DirEntry& entry) override {
        if (next_ >= entries_.size()) return false;
        entry = entries_[next_++];
        return true;
    }

private:
    std::vector<DirEntry> entries_;
    size_t next_ = 0;
};

#ifndef _WIN32
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

// The host side of a drive with a host folder. Errors leave errno set.
struct HostStat {
    bool dir = false;
    uint64_t size = 0;
    FileTime time = 0;
};

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
// Windows builds of the tests keep every drive in memory.
struct HostStat {
    bool dir = false;
    uint64_t size = 0;
    FileTime time = 0;
};
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
}  // namespace

// Counts the bytes that pass and fails where a test asked for a fault.
class FakeFaultFile : public File {
public:
    FakeFaultFile(FakeFileSystem& fs, std::unique_ptr<File> inner, std::string path, const uint64_t* readLimit,
                  const uint64_t* writeLimit)
        : fs_(fs), inner_(std::move(inner)), path_(std::move(path)),
          readLimit_(readLimit ? std::optional<uint64_t>(*readLimit) : std::nullopt),
          writeLimit_(writeLimit ? std::optional<uint64_t>(*writeLimit) : std::nullopt) {}
    ~FakeFaultFile() override { Close(); }
    int64_t Read(void* buffer, size_t count) override {
        int64_t n = -1;
        if (readLimit_ && read_ + count > *readLimit_) {
            fs_.lastError_ = kReadFault;
        } else {
            n = inner_->Read(buffer, count);
        }
        if (n > 0) read_ += static_cast<uint64_t>(n);
        Log("read", n);
        return n;
    }
    int64_t Write(const void* buffer, size_t count) override {
        int64_t n;
        if (writeLimit_ && written_ + count > *writeLimit_) {
            // What fits below the limit lands, then the write fails.
            size_t part = static_cast<size_t>(*writeLimit_ - std::min(*writeLimit_, written_));
            if (part) written_ += static_cast<uint64_t>(std::max<int64_t>(0, inner_->Write(buffer, part)));
            fs_.lastError_ = kWriteFault;
            n = -1;
        } else {
            n = inner_->Write(buffer, count);
            if (n > 0) written_ += static_cast<uint64_t>(n);
        }
        Log("write", n);
        return n;
    }
    int64_t Seek(int64_t offset, SeekFrom from) override { return inner_->Seek(offset, from); }
    int64_t Position() override { return inner_->Position(); }
    int64_t Size() override { return inner_->Size(); }
    bool Truncate() override { return inner_->Truncate(); }
    bool RemoveHeld() override {
        if (closed_) return false;
        closed_ = true;
        Log("remove", 0);
        return inner_->RemoveHeld();
    }
    bool Close() override {
        if (closed_) return false;
        closed_ = true;
        Log("close", 0);
        return inner_->Close();
    }

private:
    void Log(const char* op, int64_t n) {
        if (fs_.logIo) fs_.io.push_back({op, path_, n});
    }
    FakeFileSystem& fs_;
    std::unique_ptr<File> inner_;
    std::string path_;
    std::optional<uint64_t> readLimit_, writeLimit_;
    uint64_t read_ = 0, written_ = 0;
    bool closed_ = false;
};

std::string FakeFileSystem::Absolute(const std::string& path) const {
    std::string p = Collapse(path);
    if (p.size() >= 2 && p[1] == ':') {
        if (p.size() == 2) return p + "\\";
        if (p[2] != '\\') return current_ + (current_.back() == '\\' ? "" : "\\") + p.substr(2);
        return p;
    }
    if (!p.empty() && p[0] == '\\') return current_.substr(0, 2) + p;
    return current_ + (current_.back() == '\\' ? "" : "\\") + p;
}

std::string FakeFileSystem::Key(const std::string& absolute) {
    std::string k = FoldPath(Collapse(absolute));
    while (k.size() > 3 && k.back() == '\\') k.pop_back();
    return k;
}

FakeFileSystem::Loc FakeFileSystem::Locate(const std::string& path) {
    Loc loc;
    loc.abs = Collapse(Absolute(path));
    while (loc.abs.size() > 3 && loc.abs.back() == '\\') loc.abs.pop_back();
    loc.key = Key(loc.abs);
    loc.letter = Upper(loc.abs[0]);
    auto it = drives_.find(loc.letter);
    loc.drive = it == drives_.end() ? nullptr : &it->second;
    return loc;
}

bool FakeFileSystem::Usable(const Loc& loc, bool write) {
    if (!loc.drive) lastError_ = kPathNotFound;
    else if (!loc.drive->ready) lastError_ = kNotReady;
    else if (write && loc.drive->writeProtected) lastError_ = kWriteProtect;
    else return true;
    return false;
}

bool FakeFileSystem::Listed(const std::set<std::string>& paths, const Loc& loc) {
    for (const auto& p : paths)
        if (Locate(p).key == loc.key) return true;
    return false;
}

const uint64_t* FakeFileSystem::Limit(const std::map<std::string, uint64_t>& limits, const Loc& loc) {
    for (const auto& [p, n] : limits)
        if (Locate(p).key == loc.key) return &n;
    return nullptr;
}

std::string FakeFileSystem::HostPath(const Loc& loc) const {
    std::string out = loc.drive->hostFolder;
    for (size_t i = 3; i < loc.abs.size(); ++i) {
        if (i == 3) out += '/';
        out += loc.abs[i] == '\\' ? '/' : loc.abs[i];
    }
    return out;
}

bool FakeFileSystem::HostError() {
    switch (errno) {
        case ENOENT: lastError_ = kFileNotFound; break;
        case ENOTDIR: lastError_ = kPathNotFound; break;
        case EEXIST: lastError_ = kAlreadyExists; break;
        case ENOTEMPTY: lastError_ = kDirNotEmpty; break;
        case ENOSPC: lastError_ = kDiskFull; break;
        case EROFS: lastError_ = kWriteProtect; break;
        case EWOULDBLOCK: lastError_ = kSharingViolation; break;
        default: lastError_ = kAccessDenied;
    }
    return false;
}

FakeFileSystem::Node* FakeFileSystem::Find(const std::string& key) {
    auto it = nodes_.find(key);
    return it == nodes_.end() ? nullptr : &it->second;
}

void FakeFileSystem::Put(const std::string& key, const std::string& name, Node node) {
    node.seq = ++seq_;
    if (node.time == 0) node.time = Tick();
    nodes_[key] = std::move(node);
    names_[key] = name;
}

bool FakeFileSystem::Charge(const Loc& loc, int64_t delta) {
    FakeDrive& d = *loc.drive;
    if (!d.freeFollows || !d.free) return true;
    if (delta > 0 && static_cast<uint64_t>(delta) > *d.free) return false;
    *d.free = static_cast<uint64_t>(static_cast<int64_t>(*d.free) - delta);
    return true;
}

FakeDrive& FakeFileSystem::Drive(char letter) {
    FakeDrive& d = drives_[Upper(letter)];
    std::string root = std::string(1, Upper(letter)) + ":\\";
    if (!nodes_.count(Key(root))) Put(Key(root), root, Node{true, faDirectory, {}});
    return d;
}

void FakeFileSystem::RemoveDrive(char letter) { drives_.erase(Upper(letter)); }

FakeFileSystem::Disk& FakeFileSystem::NewDisk(const std::string& name, uint64_t size, const std::string& label) {
    Disk& d = disks_[name];
    d = Disk{};
    d.size = size;
    d.free = size;
    d.label = label;
    d.serial = 0x5A000000u + static_cast<uint32_t>(disks_.size());
    return d;
}

void FakeFileSystem::EjectDisk(char letter) {
    const char l = Upper(letter);
    FakeDrive& drive = Drive(l);
    drive.ready = false;
    auto in = inserted_.find(l);
    if (in == inserted_.end()) return;
    Disk& d = disks_[in->second];
    d.size = drive.size;
    d.free = drive.free;
    d.label = drive.label;
    d.serial = drive.serial;
    d.formatted = drive.formatted;
    d.nodes.clear();
    d.names.clear();
    const std::string prefix = Key(std::string(1, l) + ":\\").substr(0, 2);
    for (auto it = nodes_.begin(); it != nodes_.end();) {
        if (it->first.size() > 3 && it->first.compare(0, 2, prefix) == 0) {
            d.nodes[it->first.substr(2)] = it->second;
            d.names[it->first.substr(2)] = names_[it->first].substr(2);
            names_.erase(it->first);
            it = nodes_.erase(it);
        } else {
            ++it;
        }
    }
    inserted_.erase(in);
}

void FakeFileSystem::InsertDisk(char letter, const std::string& name) {
    const char l = Upper(letter);
    EjectDisk(l);
    char other = 0;  // a disk is in one drive at a time
    for (const auto& [drv, disk] : inserted_)
        if (disk == name) other = drv;
    if (other) EjectDisk(other);
    Disk& d = disks_[name];
    FakeDrive& drive = Drive(l);
    drive.type = DriveType::Removable;
    drive.ready = true;
    drive.size = d.size;
    drive.free = d.free;
    drive.label = d.label;
    drive.serial = d.serial;
    drive.formatted = d.formatted;
    const std::string prefix = Key(std::string(1, l) + ":\\").substr(0, 2);
    const std::string root(1, l);
    for (auto& [k, node] : d.nodes) {
        nodes_[prefix + k] = node;
        names_[prefix + k] = root + ":" + d.names[k];
    }
    d.nodes.clear();
    d.names.clear();
    inserted_[l] = name;
}

std::string FakeFileSystem::DiskIn(char letter) const {
    auto it = inserted_.find(Upper(letter));
    return it == inserted_.end() ? std::string() : it->second;
}

std::string FakeFileSystem::DiskFile(const std::string& disk, const std::string& pathBelowRoot) {
    for (const auto& [letter, name] : inserted_)
        if (name == disk) return Content(std::string(1, letter) + ":" + pathBelowRoot);
    auto it = disks_.find(disk);
    if (it == disks_.end()) return "<missing>";
    auto n = it->second.nodes.find(FoldPath(Collapse(pathBelowRoot)));
    return n == it->second.nodes.end() || n->second.dir ? "<missing>" : n->second.content;
}

std::string FakeFileSystem::DiskLabel(const std::string& disk) {
    for (const auto& [letter, name] : inserted_)
        if (name == disk) return drives_[letter].label;
    auto it = disks_.find(disk);
    return it == disks_.end() ? std::string() : it->second.label;
}

std::vector<std::string> FakeFileSystem::DiskFiles(const std::string& disk) {
    std::vector<std::string> out;
    for (const auto& [letter, name] : inserted_) {
        if (name != disk) continue;
        const std::string prefix = Key(std::string(1, letter) + ":\\").substr(0, 2);
        for (const auto& [k, node] : nodes_)
            if (k.size() > 3 && k.compare(0, 2, prefix) == 0 && !node.dir) out.push_back(names_[k].substr(2));
        return out;
    }
    auto it = disks_.find(disk);
    if (it != disks_.end())
        for (const auto& [k, node] : it->second.nodes)
            if (!node.dir) out.push_back(it->second.names[k]);
    return out;
}

void FakeFileSystem::WipeDisk(char letter, const std::string& label) {
    const char l = Upper(letter);
    FakeDrive& drive = Drive(l);
    const std::string prefix = Key(std::string(1, l) + ":\\").substr(0, 2);
    for (auto it = nodes_.begin(); it != nodes_.end();) {
        if (it->first.size() > 3 && it->first.compare(0, 2, prefix) == 0) {
            names_.erase(it->first);
            it = nodes_.erase(it);
        } else {
            ++it;
        }
    }
    drive.free = drive.size;
    drive.label = label;
    drive.formatted = true;
}

void FakeFileSystem::AddDir(const std::string& path) {
    std::string abs = Collapse(Absolute(path));
    while (abs.size() > 3 && abs.back() == '\\') abs.pop_back();
    std::string k = Key(abs);
    Drive(k[0]);
    for (size_t pos = 3; (pos = k.find('\\', pos)) != std::string::npos; ++pos)
        if (!nodes_.count(k.substr(0, pos))) Put(k.substr(0, pos), Collapse(abs).substr(0, pos), Node{true, faDirectory, {}});
    if (!nodes_.count(k) || !nodes_[k].dir) Put(k, Collapse(abs), Node{true, faDirectory, {}});
}

void FakeFileSystem::AddFile(const std::string& path, const std::string& content, uint32_t attr) {
    std::string abs = Absolute(path);
    size_t cut = abs.rfind('\\');
    AddDir(abs.substr(0, cut + 1));
    Put(Key(abs), abs, Node{false, attr, content});
}

std::string FakeFileSystem::Content(const std::string& path) {
    Loc loc = Locate(path);
    if (loc.drive && !loc.drive->hostFolder.empty()) {
        std::string out;
        if (FILE* f = std::fopen(HostPath(loc).c_str(), "rb")) {
            char buf[4096];
            for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, n);
            std::fclose(f);
            return out;
        }
        return "<missing>";
    }
    Node* n = Find(loc.key);
    return n && !n->dir ? n->content : "<missing>";
}

bool FakeFileSystem::Exists(const std::string& path) {
    Loc loc = Locate(path);
    if (loc.drive && !loc.drive->hostFolder.empty()) {
        HostStat st;
        return HostInfo(HostPath(loc), st);
    }
    return Find(loc.key) != nullptr;
}

FileTime FakeFileSystem::Stamp(const std::string& path) {
    FileTime t = 0;
    GetFileStamp(path, t);
    return t;
}

bool FakeFileSystem::SetCurrentDir(const std::string& dir) {
    std::string abs = Absolute(dir);
    std::string k = Key(abs);
    for (const auto& f : failSetCurrent)
        if (Key(Absolute(f)) == k) { lastError_ = 5; return false; }
    if (!Usable(Locate(dir), false)) return false;
    if (!DirExists(dir)) { lastError_ = 3; return false; }
    current_ = names_.count(k) ? names_[k] : Locate(dir).abs;
    while (current_.size() > 3 && current_.back() == '\\') current_.pop_back();
    return true;
}

bool FakeFileSystem::FindFirst(const std::string& path, uint32_t attrMask, FoundEntry& found) {
    std::string abs = Collapse(Absolute(path));
    size_t cut = abs.rfind('\\');
    std::string folder = Key(abs.substr(0, cut + 1));
    std::string pattern = FoldPath(abs.substr(cut + 1));
    for (const auto& [k, node] : nodes_) {
        if (k.size() <= 3) continue;
        size_t kc = k.rfind('\\');
        std::string parent = k.substr(0, kc == 2 ? 3 : kc);
        if (parent != folder || !WildMatch(pattern.c_str(), k.c_str() + kc + 1)) continue;
        // Hidden, system and folder entries show only when the mask asks for them.
        uint32_t special = node.attr & (faHidden | faSysFile | faDirectory);
        if ((special & ~attrMask) != 0) continue;
        found.name = names_[k].substr(names_[k].rfind('\\') + 1);
        found.attr = node.attr;
        found.size = node.content.size();
        return true;
    }
    lastError_ = 2;
    return false;
}

bool FakeFileSystem::FileExists(const std::string& path) {
    Loc loc = Locate(path);
    if (!Usable(loc, false)) return false;
    if (!loc.drive->hostFolder.empty()) {
        HostStat st;
        return HostInfo(HostPath(loc), st) && !st.dir;
    }
    Node* n = Find(loc.key);
    return n && !n->dir;
}

std::unique_ptr<File> FakeFileSystem::Open(const std::string& path, OpenMode mode) {
    Loc loc = Locate(path);
    const bool write = mode != OpenMode::Read;
    const bool hold = mode == OpenMode::Hold || mode == OpenMode::HoldOrCreate;
    bool create = mode == OpenMode::Write || mode == OpenMode::ReadWriteNew;
    if (!Usable(loc, write)) return nullptr;
    if (Listed(failOpen, loc)) { lastError_ = kAccessDenied; return nullptr; }
    // Held without sharing, here or by another process.
    if (Listed(heldElsewhere, loc) || held_.count(loc.key)) { lastError_ = kSharingViolation; return nullptr; }
    std::unique_ptr<File> inner;
    if (!loc.drive->hostFolder.empty()) {
        inner = HostOpen(HostPath(loc), mode);
        if (!inner) { HostError(); return nullptr; }
    } else {
        Node* n = Find(loc.key);
        if (mode == OpenMode::HoldOrCreate && !n) create = true;
        if (n && n->dir) { lastError_ = kAccessDenied; return nullptr; }
        if (!create && !n) { lastError_ = kFileNotFound; return nullptr; }
        if (write && n && (n->attr & faReadOnly)) { lastError_ = kAccessDenied; return nullptr; }
        // Windows creates no normal file over a hidden or system one.
        if (create && n && (n->attr & (faHidden | faSysFile))) { lastError_ = kAccessDenied; return nullptr; }
        if (create) {
            Node* parent = Find(ParentKey(loc.key));
            if (!parent || !parent->dir) { lastError_ = kPathNotFound; return nullptr; }
            if (n) {
                Charge(loc, -static_cast<int64_t>(n->content.size()));
                n->content.clear();
                n->time = Tick();
            } else {
                Put(loc.key, loc.abs, Node{false, faArchive, {}});
            }
        }
        inner = std::make_unique<FakeMemFile>(*this, loc, mode != OpenMode::Write, write, hold);
    }
    return std::make_unique<FakeFaultFile>(*this, std::move(inner), loc.abs, Limit(failReadAfter, loc),
                                           Limit(failWriteAfter, loc));
}

std::unique_ptr<DirReader> FakeFileSystem::OpenDir(const std::string& folder) {
    Loc loc = Locate(folder);
    if (!Usable(loc, false)) return nullptr;
    if (Listed(failOpenDir, loc)) { lastError_ = kAccessDenied; return nullptr; }
    if (!loc.drive->hostFolder.empty()) {
        auto reader = HostOpenDir(HostPath(loc));
        if (!reader) HostError();
        return reader;
    }
    Node* self = Find(loc.key);
    if (!self || !self->dir) { lastError_ = kPathNotFound; return nullptr; }
    std::vector<std::pair<uint64_t, DirEntry>> found;
    for (const auto& [k, node] : nodes_) {
        if (k.size() <= 3 || ParentKey(k) != loc.key) continue;
        DirEntry e;
        e.name = names_[k].substr(names_[k].rfind('\\') + 1);
        e.attr = node.attr | (node.dir ? uint32_t{faDirectory} : uint32_t{0});
        e.size = node.content.size();
        for (const auto& [p, n] : listedSize)
            if (Locate(p).key == k) e.size = n;
        e.time = node.time;
        found.push_back({node.seq, e});
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<DirEntry> entries;
    if (loc.key.size() > 3) {
        // Windows lists these two in every folder but a root.
        entries.push_back(DirEntry{".", faDirectory, 0, self->time});
        entries.push_back(DirEntry{"..", faDirectory, 0, self->time});
    }
    for (auto& f : found) entries.push_back(std::move(f.second));
    return std::make_unique<ListReader>(std::move(entries));
}

bool FakeFileSystem::DirExists(const std::string& path) {
    Loc loc = Locate(path);
    if (!Usable(loc, false)) return false;
    if (!loc.drive->hostFolder.empty()) {
        HostStat st;
        return HostInfo(HostPath(loc), st) && st.dir;
    }
    Node* n = Find(loc.key);
    return n && n->dir;
}

bool FakeFileSystem::CreateDir(const std::string& path) {
    Loc loc = Locate(path);
    if (!Usable(loc, true)) return false;
    if (Listed(failCreateDir, loc)) { lastError_ = kAccessDenied; return false; }
    if (!loc.drive->hostFolder.empty()) return HostMkdir(HostPath(loc)) || HostError();
    if (Find(loc.key)) { lastError_ = kAlreadyExists; return false; }
    Node* parent = Find(ParentKey(loc.key));
    if (!parent || !parent->dir) { lastError_ = kPathNotFound; return false; }
    Put(loc.key, loc.abs, Node{true, faDirectory, {}});
    return true;
}

bool FakeFileSystem::RemoveDir(const std::string& path) {
    Loc loc = Locate(path);
    if (!Usable(loc, true)) return false;
    if (!loc.drive->hostFolder.empty()) return HostRmdir(HostPath(loc)) || HostError();
    Node* n = Find(loc.key);
    if (!n || !n->dir || loc.key.size() <= 3) { lastError_ = kPathNotFound; return false; }
    for (const auto& [k, node] : nodes_)
        if (k.size() > 3 && ParentKey(k) == loc.key) { lastError_ = kDirNotEmpty; return false; }
    nodes_.erase(loc.key);
    names_.erase(loc.key);
    return true;
}

bool FakeFileSystem::RemoveFile(const std::string& path) {
    Loc loc = Locate(path);
    if (!Usable(loc, true)) return false;
    if (!loc.drive->hostFolder.empty()) return HostUnlink(HostPath(loc)) || HostError();
    Node* n = Find(loc.key);
    if (!n || n->dir) { lastError_ = kFileNotFound; return false; }
    if (n->attr & faReadOnly) { lastError_ = kAccessDenied; return false; }
    Charge(loc, -static_cast<int64_t>(n->content.size()));
    nodes_.erase(loc.key);
    names_.erase(loc.key);
    return true;
}

bool FakeFileSystem::RecycleFile(const std::string& path) {
    if (!RemoveFile(path)) return false;
    recycled.push_back(path);
    return true;
}

bool FakeFileSystem::RenameFile(const std::string& from, const std::string& to) {
    Loc a = Locate(from), b = Locate(to);
    if (!Usable(a, true) || !Usable(b, true)) return false;
    if (a.letter != b.letter) { lastError_ = 17; return false; }
    if (!a.drive->hostFolder.empty()) return HostRename(HostPath(a), HostPath(b)) || HostError();
    if (!Find(a.key)) { lastError_ = kFileNotFound; return false; }
    if (Find(b.key)) { lastError_ = kAlreadyExists; return false; }
    Node* parent = Find(ParentKey(b.key));
    if (!parent || !parent->dir) { lastError_ = kPathNotFound; return false; }
    // A folder takes everything below it along.
    std::vector<std::string> moving;
    for (const auto& [k, node] : nodes_)
        if (k == a.key || k.compare(0, a.key.size() + 1, a.key + "\\") == 0) moving.push_back(k);
    for (const auto& k : moving) {
        std::string nk = b.key + k.substr(a.key.size());
        nodes_[nk] = nodes_[k];
        names_[nk] = b.abs + names_[k].substr(a.key.size());
        nodes_.erase(k);
        names_.erase(k);
    }
    return true;
}

bool FakeFileSystem::GetFileStamp(const std::string& path, FileTime& time) {
    Loc loc = Locate(path);
    if (!Usable(loc, false)) return false;
    if (!loc.drive->hostFolder.empty()) {
        HostStat st;
        if (!HostInfo(HostPath(loc), st)) return HostError();
        time = st.time;
        return true;
    }
    Node* n = Find(loc.key);
    if (!n) { lastError_ = kFileNotFound; return false; }
    time = n->time;
    return true;
}

bool FakeFileSystem::SetFileStamp(const std::string& path, FileTime time) {
    Loc loc = Locate(path);
    if (!Usable(loc, true)) return false;
    if (!loc.drive->hostFolder.empty()) return HostSetTime(HostPath(loc), time) || HostError();
    Node* n = Find(loc.key);
    if (!n) { lastError_ = kFileNotFound; return false; }
    n->time = time;
    return true;
}

std::optional<uint32_t> FakeFileSystem::Attributes(const std::string& path) {
    Loc loc = Locate(path);
    if (!Usable(loc, false)) return std::nullopt;
    if (!loc.drive->hostFolder.empty()) {
        HostStat st;
        if (!HostInfo(HostPath(loc), st)) return HostError(), std::nullopt;
        return st.dir ? uint32_t{faDirectory} : uint32_t{faArchive};
    }
    Node* n = Find(loc.key);
    if (!n) { lastError_ = kFileNotFound; return std::nullopt; }
    return n->attr | (n->dir ? uint32_t{faDirectory} : uint32_t{0});
}

bool FakeFileSystem::SetAttributes(const std::string& path, uint32_t attr) {
    Loc loc = Locate(path);
    if (!Usable(loc, true)) return false;
    if (!loc.drive->hostFolder.empty()) {
        HostStat st;
        return HostInfo(HostPath(loc), st) || HostError();  // host files keep no such marks
    }
    Node* n = Find(loc.key);
    if (!n) { lastError_ = kFileNotFound; return false; }
    n->attr = attr & (faReadOnly | faHidden | faSysFile | faArchive);
    return true;
}

std::string FakeFileSystem::FullPathName(const std::string& path) {
    const std::string abs = Collapse(Absolute(path));
    if (abs.size() < 3 || abs[1] != ':') return {};
    std::vector<std::string> parts;
    size_t at = 3;
    while (at <= abs.size()) {
        size_t end = abs.find('\\', at);
        if (end == std::string::npos) end = abs.size();
        const std::string part = abs.substr(at, end - at);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = end + 1;
    }
    std::string out = abs.substr(0, 3);
    for (size_t i = 0; i < parts.size(); ++i) out += (i ? "\\" : "") + parts[i];
    // A trailing separator stays, as the system keeps it.
    if (!parts.empty() && abs.back() == '\\') out += '\\';
    return out;
}

std::string FakeFileSystem::ShortPathName(const std::string& path) {
    if (!Attributes(path)) return {};
    const std::string key = Locate(path).key;
    for (const auto& [p, shortForm] : shortNames)
        if (Locate(p).key == key) return shortForm;
    return path;
}

std::string FakeFileSystem::TempFileName(const std::string& folder, const std::string& prefix) {
    if (!DirExists(folder)) return {};
    for (int tries = 0; tries < 1000; ++tries) {
        char name[16];
        std::snprintf(name, sizeof name, "%X.TMP", ++temp_ & 0xFFFF);
        std::string path = BackslashPath(folder, true) + prefix.substr(0, 3) + name;
        if (Exists(path)) continue;
        auto f = Open(path, OpenMode::Write);
        return f && f->Close() ? path : std::string();
    }
    return {};
}

DriveType FakeFileSystem::DriveKind(char letter) {
    auto it = drives_.find(Upper(letter));
    return it == drives_.end() ? DriveType::NoRootDir : it->second.type;
}

std::optional<uint64_t> FakeFileSystem::DiskFree(char letter) {
    ++freeReads;
    auto it = drives_.find(Upper(letter));
    if (it == drives_.end() || !it->second.ready) return std::nullopt;
    if (!it->second.hostFolder.empty()) return HostFree(it->second.hostFolder);
    return it->second.free;
}

std::optional<uint64_t> FakeFileSystem::DiskSize(char letter) {
    auto it = drives_.find(Upper(letter));
    if (it == drives_.end() || !it->second.ready) return std::nullopt;
    if (!it->second.hostFolder.empty()) return HostSize(it->second.hostFolder);
    return it->second.size;
}

bool FakeFileSystem::VolumeInfo(char letter, std::string& label, uint32_t& serial) {
    auto it = drives_.find(Upper(letter));
    if (it == drives_.end() || !it->second.ready) return (lastError_ = kNotReady), false;
    if (!it->second.formatted) return (lastError_ = 31), false;
    label = it->second.label;
    serial = it->second.serial;
    return true;
}

bool FakeFileSystem::SetDriveLabel(char letter, const std::string& label) {
    auto it = drives_.find(Upper(letter));
    if (it == drives_.end() || !it->second.ready || it->second.writeProtected) return false;
    it->second.label = label;
    return true;
}

std::string FakeFileSystem::Drives() {
    std::string letters;
    for (const auto& [letter, d] : drives_) letters += letter;
    return letters;
}

unsigned FakeFileSystem::SetCriticalErrorMode(unsigned mode) {
    unsigned before = errorMode;
    errorMode = mode;
    errorModes.push_back(mode);
    return before;
}

// ---- dialogs ----

int FakeDialogs::Show(const DialogRequest& request) {
    shown.push_back(request);
    if (onShow) onShow(request);
    if (script.empty()) {
        ++unexpected;
        if (onUnexpected) onUnexpected(request);
        return mrCancel;
    }
    int answer = script.front();
    script.pop_front();
    return answer;
}

// ---- timers ----

int FakeTimers::Start(unsigned intervalMs, std::function<void()> fn) {
    int id = next_++;
    timers_[id] = Entry{intervalMs, now + intervalMs, std::move(fn)};
    return id;
}

void FakeTimers::Stop(int id) { timers_.erase(id); }

bool FakeTimers::Running(int id) const { return timers_.count(id) != 0; }

void FakeTimers::Advance(unsigned ms) {
    const unsigned long long end = now + ms;
    for (;;) {
        int id = 0;
        unsigned long long due = end + 1;
        for (const auto& [k, e] : timers_)
            if (e.due < due) { due = e.due; id = k; }
        if (id == 0) break;
        now = due;
        auto fn = timers_[id].fn;  // the callback may stop or restart its timer
        timers_[id].due = now + (timers_[id].interval ? timers_[id].interval : 1);
        fn();
    }
    now = end;
}

}  // namespace zk::platform
