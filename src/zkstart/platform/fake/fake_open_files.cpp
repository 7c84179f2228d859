// The open files of the fake file system: in memory, on a host folder,
// and the layer that counts their bytes and fails where a test asks.
#include "platform/fake/fake_files.h"

#include <algorithm>
#include <cstring>

#include "platform/fake/fake_paths.h"

namespace zk::platform {

using namespace fakefs;

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

}  // namespace zk::platform
