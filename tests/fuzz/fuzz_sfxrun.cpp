// libFuzzer target: the self-extractor's whole run over any bytes behind a
// stub (or any bytes at all when they begin with "MZ"): settings, archive,
// questions answered with their defaults, unpacking into files in memory.
// It must end with a result, never with a crash, a hang or a read outside
// the file, and never make a path that climbs out of its folder.
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "sfx_support.h"
#include "zksfx/sfxjournal.h"
#include "zksfx/sfxrun.h"

namespace {

using namespace zksfx;

void Require(bool ok) {
    if (!ok) __builtin_trap();
}

constexpr size_t kMaxWritten = 32 << 20;  // what the memory target holds

class MemTarget : public Target {
public:
    class Out : public OutFile {
    public:
        Out(MemTarget& t, std::string path) : t_(t), path_(std::move(path)) {}
        bool Write(const void* data, size_t n) override {
            if (t_.written + n > kMaxWritten) return false;
            t_.written += n, bytes_.append(static_cast<const char*>(data), n);
            return true;
        }
        bool Close() override { return t_.files[path_] = bytes_, true; }
        void Discard() override {}

    private:
        MemTarget& t_;
        std::string path_, bytes_;
    };

    // Drive roots are there; shares are not.
    Kind Exists(const std::string& path) override {
        if (folders.count(path) || (path.size() == 3 && path.compare(1, 2, ":\\") == 0)) return Kind::Folder;
        return files.count(path) ? Kind::File : Kind::None;
    }
    bool MakeFolder(const std::string& path) override { return Inside(path), folders[path] = true; }
    std::unique_ptr<OutFile> Create(const std::string& path) override {
        Inside(path);
        return std::make_unique<Out>(*this, path);
    }
    int64_t FreeSpace(const std::string&) override { return int64_t(kMaxWritten); }
    void Finish(const std::string& path, uint32_t, uint32_t) override { Require(Exists(path) != Kind::None); }
    std::string LastError() override { return "voll"; }

    // No part of a path may climb up.
    static void Inside(const std::string& path) { Require((path + "\\").find("\\..\\") == std::string::npos); }

    std::map<std::string, std::string> files;
    std::map<std::string, bool> folders;
    size_t written = 0;
};

class NoLauncher : public Launcher {
public:
    bool Start(const std::string&, const std::string&, std::string&) override { return true; }
};

// An undo record beside the archive, from the fuzzer's bytes.
struct Records : zipundo::Files {
    std::string bytes;
    std::unique_ptr<zipundo::File> Open(const std::string&, Access, zipundo::Reason&) override {
        return ReadOnlyFile(std::make_unique<MemorySource>(bytes));
    }
    bool Remove(const std::string&, zipundo::Reason&) override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string stub = zksfx::test::FakeStub(1024);
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const bool whole = size >= 2 && data[0] == 'M' && data[1] == 'Z';
    MemorySource file(whole ? bytes : stub + bytes);
    // The last bytes double as an undo record now and then, so that the undone view is read too.
    Records records;
    records.bytes = bytes.substr(size / 2);
    zipundo::Reason why = zipundo::Reason::None;
    std::unique_ptr<Source> undone = size > 40 && (size & 1) ? UndoneView(file, records, "X.EXE", why) : nullptr;
    RunOptions options;
    options.exeFolder = "C:\\ZIEL";
    MemTarget target;
    UnattendedUi ui([](const std::string&) {});
    NoLauncher launcher;
    Result r = Run(undone ? *undone : file, options, target, ui, launcher);
    Require(r == Result::Ok || r == Result::Failed || r == Result::Cancelled);
    return 0;
}
