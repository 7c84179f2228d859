#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>

#include "zkzip/zkfs_impl.h"

namespace zkzip::fs {

namespace {

// Plain values: a thread-local object with a destructor would pin the DLL
// in memory, and the component could never unload it.
thread_local char g_lastErrorText[512];
thread_local zipundo::Reason g_lastReason = zipundo::Reason::None;

bool EndsWith(const std::string& s, const std::string& tail) {
    return !tail.empty() && s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

namespace impl {

void SetFailure(const std::string& text, zipundo::Reason reason) {
    size_t n = std::min(text.size(), sizeof g_lastErrorText - 1);
    while (n < text.size() && n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;  // whole characters
    std::memcpy(g_lastErrorText, text.data(), n);
    g_lastErrorText[n] = 0;
    g_lastReason = reason;
}

void BeforeChange() {
    if (TestHooks().beforeChange) TestHooks().beforeChange();
}

bool HookRefusesRead(const std::string& path) {
    const Hooks& hooks = TestHooks();
    return hooks.failReadAfter < 0 && EndsWith(Slashed(path), hooks.failReadName);
}

bool HookLimitsRead(const std::string& path, int64_t readSoFar, int64_t& n) {
    const Hooks& hooks = TestHooks();
    if (hooks.failReadAfter < 0 || !EndsWith(Slashed(path), hooks.failReadName)) return true;
    if (readSoFar >= hooks.failReadAfter) return false;
    n = std::min(n, hooks.failReadAfter - readSoFar);
    return true;
}

int64_t HookAllowedWrite(uint64_t pos, uint64_t size, int64_t n) {
    const Hooks& hooks = TestHooks();
    if (hooks.diskFree < 0) return n;
    const int64_t growth = int64_t(pos + uint64_t(n)) - int64_t(size);
    return std::max<int64_t>(growth > hooks.diskFree ? n - (growth - hooks.diskFree) : n, 0);
}

void HookGrew(uint64_t bytes) {
    if (TestHooks().diskFree >= 0) TestHooks().diskFree -= int64_t(bytes);
}

}  // namespace impl

bool File::Write(const void* buf, int64_t n) {
    impl::BeforeChange();
    const int64_t allowed = impl::HookAllowedWrite(pos_, size_, n);
    if (!WriteAll(static_cast<const char*>(buf), allowed)) return false;
    if (pos_ > size_) {
        impl::HookGrew(pos_ - size_);
        size_ = pos_;
    }
    if (allowed < n) {
        SetDiskFull();
        return false;
    }
    return true;
}

bool ReadAt(File& f, uint64_t pos, void* buf, size_t n) {
    if (!f.Seek(pos)) return false;
    auto* p = static_cast<uint8_t*>(buf);
    while (n > 0) {
        const int64_t got = f.Read(p, int64_t(n));
        if (got <= 0) return false;
        p += got;
        n -= size_t(got);
    }
    return true;
}

Hooks& TestHooks() {
    static Hooks hooks;
    return hooks;
}

std::string LastErrorText() { return g_lastErrorText; }
zipundo::Reason LastReason() { return g_lastReason; }

namespace {

class UndoFile : public zipundo::File {
public:
    fs::File f;
    uint64_t Size() override { return f.Size(); }
    bool ReadAt(uint64_t pos, void* buffer, size_t n) override { return fs::ReadAt(f, pos, buffer, n); }
    bool WriteAt(uint64_t pos, const void* buffer, size_t n) override {
        return f.Seek(pos) && f.Write(buffer, int64_t(n));
    }
    bool Truncate(uint64_t size) override { return f.Truncate(size); }
    bool RemoveHeld() override { return f.RemoveHeld(); }
    zipundo::Reason Failure() override { return LastReason(); }
};

class LayerFiles : public zipundo::Files {
public:
    std::unique_ptr<zipundo::File> Open(const std::string& path, Access access, zipundo::Reason& why) override {
        using Mode = fs::File::Mode;
        const Mode mode = access == Access::Read        ? Mode::Read
                          : access == Access::ReadWrite ? Mode::ReadWrite
                          : access == Access::Hold      ? Mode::Hold
                                                        : Mode::HoldOrCreate;
        auto u = std::make_unique<UndoFile>();
        if (u->f.Open(path, mode)) return u;
        why = LastReason();
        // Opening what is not there: a missing folder says no more than a missing file.
        if (access != Access::HoldOrCreate && why == zipundo::Reason::NoFolder) why = zipundo::Reason::None;
        return nullptr;
    }
    bool Remove(const std::string& path, zipundo::Reason& why) override {
        Stat st;
        if (!GetStat(path, st) || fs::Remove(path)) return true;
        why = LastReason();
        return false;
    }
};

}  // namespace

zipundo::Files& UndoFiles() {
    static LayerFiles files;
    return files;
}

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
