#include "platform/fake/fake_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "common/text.h"
#include "platform/fake/fake_paths.h"

namespace zk::platform {

using namespace fakefs;

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

}  // namespace zk::platform
