#include "platform/fake/fake_platform.h"

#include <algorithm>
#include <cctype>

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
}  // namespace

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

void FakeFileSystem::AddDir(const std::string& path) {
    std::string abs = Absolute(path);
    std::string k = Key(abs);
    for (size_t pos = 3; (pos = k.find('\\', pos)) != std::string::npos; ++pos) {
        nodes_[k.substr(0, pos)] = Node{true, faDirectory, {}};
        names_[k.substr(0, pos)] = Collapse(abs).substr(0, pos);
    }
    nodes_[k] = Node{true, faDirectory, {}};
    names_[k] = Collapse(abs);
    nodes_[k.substr(0, 3)] = Node{true, faDirectory, {}};
}

void FakeFileSystem::AddFile(const std::string& path, const std::string& content, uint32_t attr) {
    std::string abs = Absolute(path);
    size_t cut = abs.rfind('\\');
    AddDir(abs.substr(0, cut + 1));
    nodes_[Key(abs)] = Node{false, attr, content};
    names_[Key(abs)] = abs;
}

bool FakeFileSystem::SetCurrentDir(const std::string& dir) {
    std::string abs = Absolute(dir);
    std::string k = Key(abs);
    for (const auto& f : failSetCurrent)
        if (Key(Absolute(f)) == k) { lastError_ = 5; return false; }
    auto it = nodes_.find(k);
    if (it == nodes_.end() || !it->second.dir) { lastError_ = 3; return false; }
    current_ = names_.count(k) ? names_[k] : abs;
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
    auto it = nodes_.find(Key(Absolute(path)));
    return it != nodes_.end() && !it->second.dir;
}

unsigned FakeFileSystem::DriveTypeOf(const std::string& root) {
    for (const auto& [r, type] : driveTypes)
        if (FoldPath(r) == FoldPath(root)) return type;
    const bool letter = root.size() == 3 && std::isalpha(static_cast<unsigned char>(root[0])) && root[1] == ':' &&
                        root[2] == '\\';
    return letter ? 3 : 1;  // a fixed disk, or no root directory
}

// ---- dialogs ----

int FakeDialogs::Show(const DialogRequest& request) {
    shown.push_back(request);
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
