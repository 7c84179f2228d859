#include "zkzip/collect.h"

#include <algorithm>
#include <map>

#include "zkzip/names.h"
#include "zkzip/zkzip.h"

namespace zkzip {

using zipundo::NewCopyPath;

namespace {

constexpr int kMaxDepth = 64;

std::string DirName(const std::string& path) {
    size_t p = path.find_last_of('/');
    if (p == std::string::npos) return ".";
    return p == 0 ? "/" : path.substr(0, p);
}

std::string Join(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

}  // namespace

bool Collection::Excluded(const std::string& stored, const std::string& src) const {
    std::string plain = stored;
    if (!plain.empty() && plain.back() == '/') plain.pop_back();
    for (const auto& e : o_.excl) {
        if (fs::IsAbsolute(e) ? WildMatch(e, fs::FullPath(src))
                              : e.find('/') != std::string::npos ? WildMatch(e, plain) || WildMatch(e, stored)
                                                                 : WildMatch(e, BaseName(plain)))
            return true;
    }
    return false;
}

void Collection::AddFound(const std::string& src, std::string stored, const fs::Stat& st, const Spec& spec) {
    // Never the archive itself, nor its undo record or new copy.
    if (!st.isDir && (fs::SamePath(src, o_.archive) || fs::SamePath(src, JournalPath(o_.archive)) ||
                      fs::SamePath(src, NewCopyPath(o_.archive))))
        return;
    if (o_.dropDirs) stored = BaseName(stored.back() == '/' ? stored.substr(0, stored.size() - 1) : stored);
    if (stored.empty()) return;
    if (st.isDir && stored.back() != '/') stored += '/';
    if (o_.forceDos) stored = DosName(stored);
    Item it;
    it.src = src;
    it.stored = stored;
    it.st = st;
    it.isDir = st.isDir;
    it.encrypt = spec.encrypt && !st.isDir;
    it.password = spec.hasPassword ? spec.password : o_.password;
    it.dosTime = fs::DosDateTime(st.mtime);
    found_.push_back(std::move(it));
}

void Collection::Walk(const std::string& dir, const std::string& storedDir, const std::string& pattern,
                      const Spec& spec, bool keepDirs, int depth, bool& matched) {
    std::vector<fs::DirItem> items;
    if (!fs::ListDir(dir, items)) {
        if (depth > 0) caller_.Message(kInfo, "Cannot read folder " + dir + ": " + fs::LastErrorText());
        return;
    }
    std::sort(items.begin(), items.end(),
              [](const fs::DirItem& a, const fs::DirItem& b) { return Fold(a.name) < Fold(b.name); });
    for (const auto& i : items) {
        if (i.st.isDir || (i.st.hidden && !o_.hidden)) continue;
        if (WildMatch(pattern, i.name)) {
            matched = true;
            AddFound(Join(dir, i.name), storedDir + i.name, i.st, spec);
        }
    }
    if (!spec.recurse) return;
    for (const auto& i : items) {
        if (!i.st.isDir || i.st.link || (i.st.hidden && !o_.hidden)) continue;
        std::string sub = Join(dir, i.name);
        std::string stored = storedDir + i.name + "/";
        if (Excluded(stored, sub)) continue;
        if (depth >= kMaxDepth) {
            TooDeep(sub, stored, pattern);
            continue;
        }
        if (keepDirs) AddFound(sub, stored, i.st, spec);
        Walk(sub, stored, pattern, spec, keepDirs, depth + 1, matched);
    }
}

// Counts the files a walk would have taken below a folder it does not enter.
void Collection::TooDeep(const std::string& dir, const std::string& storedDir, const std::string& pattern) {
    size_t before = tooDeepFiles_;
    std::vector<std::pair<std::string, std::string>> todo{{dir, storedDir}};
    while (!todo.empty()) {
        auto [d, stored] = todo.back();
        todo.pop_back();
        std::vector<fs::DirItem> items;
        if (!fs::ListDir(d, items)) continue;
        for (const auto& i : items) {
            if (i.st.link || (i.st.hidden && !o_.hidden)) continue;
            if (!i.st.isDir) {
                tooDeepFiles_ += WildMatch(pattern, i.name) && !Excluded(stored + i.name, Join(d, i.name));
            } else if (!Excluded(stored + i.name + "/", Join(d, i.name))) {
                todo.emplace_back(Join(d, i.name), stored + i.name + "/");
            }
        }
    }
    if (tooDeepFiles_ > before) tooDeepDirs_.push_back(dir);
}

// One message per reason, naming what was left out, as many as fit.
void Collection::ReportSkipped() {
    auto list = [](std::string text, const std::vector<std::string>& names) {
        for (size_t i = 0; i < names.size(); ++i) {
            std::string more = " ... (" + std::to_string(names.size() - i) + " more)";
            if (text.size() + 2 + names[i].size() + more.size() >= ZK_TEXT_SIZE) return text + more;
            text += (i ? "; " : " ") + names[i];
        }
        return text;
    };
    if (tooDeepFiles_ != 0) {
        const std::string text = std::to_string(tooDeepFiles_) + " file(s) not added, more than " +
                                 std::to_string(kMaxDepth) + " folders deep, below:";
        caller_.Message(kSkippedTooDeep, list(text, tooDeepDirs_));
    }
    if (!sameName_.empty()) {
        const std::string text =
            std::to_string(sameName_.size()) + " file(s) not added, their names in the archive are taken:";
        caller_.Message(kSkippedSameName, list(text, sameName_));
    }
}

void Collection::Find(const Spec& spec) {
    std::string pat = Slashed(spec.pattern);
    if (pat.empty()) return;
    bool absolute = fs::IsAbsolute(pat);
    std::string base = absolute ? std::string() : !spec.rootDir.empty() ? spec.rootDir : fs::CurrentDir();
    size_t slash = pat.find_last_of('/');
    std::string dirPart = slash == std::string::npos ? std::string() : pat.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? pat : pat.substr(slash + 1);
    if (absolute && dirPart.size() == 3 && dirPart[1] == ':') dirPart = dirPart.substr(0, 3);
    std::string searchDir = absolute ? dirPart : Join(base, dirPart);
    if (searchDir.empty()) searchDir = ".";
    if (searchDir.size() > 1 && searchDir.back() == '/' && !(searchDir.size() == 3 && searchDir[1] == ':'))
        searchDir.pop_back();

    // Stored names are relative to the base folder; an absolute spec inside
    // the root folder is stored relative to it, any other loses its drive.
    std::string storedDir = CleanStoredName(dirPart);
    if (absolute && !spec.rootDir.empty()) {
        std::string root = Fold(fs::FullPath(spec.rootDir)), here = fs::FullPath(searchDir);
        if (root.back() != '/') root += '/';
        if (Fold(here + "/").rfind(root, 0) == 0)
            storedDir = CleanStoredName(here.substr(std::min(here.size(), root.size())));
    }
    if (!storedDir.empty()) storedDir += '/';
    bool keepDirs = o_.dirEntries && !o_.dropDirs;

    bool matched = false;
    if (!HasWildcards(name)) {
        fs::Stat st;
        std::string path = Join(searchDir, name);
        if (!name.empty() && fs::GetStat(path, st)) {
            if (!st.isDir) {
                // A file named outright is taken even when it is hidden.
                matched = true;
                AddFound(path, storedDir + name, st, spec);
            } else {
                matched = true;
                if (keepDirs) AddFound(path, storedDir + name + "/", st, spec);
                if (spec.recurse) {
                    Spec all = spec;
                    Walk(path, storedDir + name + "/", "*", all, keepDirs, 1, matched);
                } else if (!keepDirs) {
                    caller_.Message(kInfo, "Skipped folder " + pat + " (no recursion, no folder entries)");
                }
            }
        }
        if (spec.recurse && !name.empty()) {
            // The name counts in every subfolder too.
            std::vector<fs::DirItem> items;
            if (fs::ListDir(searchDir, items)) {
                std::sort(items.begin(), items.end(),
                          [](const fs::DirItem& a, const fs::DirItem& b) { return Fold(a.name) < Fold(b.name); });
                for (const auto& i : items) {
                    if (!i.st.isDir || i.st.link || (i.st.hidden && !o_.hidden) || Fold(i.name) == Fold(name)) continue;
                    std::string stored = storedDir + i.name + "/";
                    if (Excluded(stored, Join(searchDir, i.name))) continue;
                    Walk(Join(searchDir, i.name), stored, name, spec, false, 1, matched);
                }
            }
        }
    } else {
        Walk(searchDir, storedDir, name, spec, keepDirs && spec.recurse && (name == "*" || name == "*.*"), 0, matched);
    }
    if (!matched) caller_.Message(kInfo, "Name not matched: " + spec.pattern);
}

void Collection::Plan(const ArchiveDirectory& old) {
    std::map<std::string, size_t> oldIndex;  // folded name -> entry
    for (size_t i = 0; i < old.entries.size(); ++i) oldIndex.emplace(Fold(old.entries[i].name), i);
    std::map<std::string, std::string> taken;  // folded names planned -> source
    auto addDir = [&](const std::string& stored, const std::string& src) {
        std::string key = Fold(stored);
        if (oldIndex.count(key) || taken.count(key)) return;
        fs::Stat st;
        if (!fs::GetStat(src, st) || !st.isDir) return;
        Item d;
        d.src = src;
        d.stored = stored;
        d.st = st;
        d.isDir = true;
        d.dosTime = fs::DosDateTime(st.mtime);
        taken.emplace(key, src);
        plan_.push_back(std::move(d));
    };
    for (Item& it : found_) {
        std::string key = Fold(it.stored);
        if (it.isDir) {
            if (!o_.freshen && !Excluded(it.stored, it.src)) addDir(it.stored, it.src);
            continue;
        }
        if (Excluded(it.stored, it.src)) continue;
        if (auto t = taken.find(key); t != taken.end()) {
            // The same file named twice is no loss; another file of that name is.
            if (!fs::SamePath(t->second, it.src)) sameName_.push_back(it.src + " (" + it.stored + ")");
            continue;
        }
        if (o_.archiveOnly && !it.st.archive) continue;
        auto was = oldIndex.find(key);
        bool exists = was != oldIndex.end();
        bool newer = exists && it.dosTime > old.entries[was->second].dosTime;
        if (o_.freshen && !newer) continue;
        if (o_.update && exists && !newer) continue;
        if (o_.dirEntries && !o_.dropDirs && !o_.freshen) {
            // The folders above the file, each once, before it.
            std::vector<std::pair<std::string, std::string>> parents;
            std::string stored = it.stored, src = it.src;
            for (size_t p = stored.find_last_of('/'); p != std::string::npos && p > 0;
                 p = stored.find_last_of('/', p - 1)) {
                stored = stored.substr(0, p);
                src = DirName(src);
                parents.emplace_back(stored + "/", src);
            }
            for (auto r = parents.rbegin(); r != parents.rend(); ++r) addDir(r->first, r->second);
        }
        if (exists) replaced_.insert(was->second);
        taken.emplace(key, it.src);
        plan_.push_back(it);
        ++fileCount_;
    }
    if (fileCount_ == 0) plan_.clear();
}

void Collection::AskPassword() {
    const Item* needs = nullptr;
    for (const Item& it : plan_) {
        if (it.encrypt && it.password.empty()) {
            needs = &it;
            break;
        }
    }
    if (!needs) return;
    ZipCallbackData d;
    // Bit 0 of the error field: ask twice, as a new password is being set.
    if (caller_.Callback(ZK_CB_PASSWORD, 1, 1, needs->stored, &d) == -1) throw Cancelled{};
    d.text[sizeof d.text - 1] = 0;
    std::string answer = d.errorCode != 0 ? std::string(d.text) : std::string();
    if (answer.empty()) throw Failure{kErrPassword, "No password given: nothing was added"};
    for (Item& it : plan_) {
        if (it.encrypt && it.password.empty()) it.password = answer;
    }
}

}  // namespace zkzip
