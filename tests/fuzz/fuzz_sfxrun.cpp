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
            t_.written += n;
            bytes_.append(static_cast<const char*>(data), n);
            return true;
        }
        bool Close() override {
            t_.files[path_] = bytes_;
            return true;
        }
        void Discard() override {}

    private:
        MemTarget& t_;
        std::string path_, bytes_;
    };

    Kind Exists(const std::string& path) override {
        if (folders.count(path)) return Kind::Folder;
        return files.count(path) ? Kind::File : Kind::None;
    }
    bool MakeFolder(const std::string& path) override {
        Inside(path);
        folders[path] = true;
        return true;
    }
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

// A PE program image of 1024 bytes: headers and one section.
std::string Stub() {
    std::string s(1024, '\0');
    auto put = [&s](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i) s[at + i] = char(v >> (8 * i));
    };
    s[0] = 'M', s[1] = 'Z';
    put(0x3C, 0x40, 4);
    s.replace(0x40, 4, std::string("PE\0\0", 4));
    put(0x44, 0x8664, 2);
    put(0x46, 1, 2);
    put(0x54, 240, 2);
    put(0x58, 0x20B, 2);
    put(0x58 + 60, 0x200, 4);
    const size_t sec = 0x58 + 240;
    s.replace(sec, 5, ".text");
    put(sec + 8, 0x200, 4);
    put(sec + 16, 0x200, 4);
    put(sec + 20, 0x200, 4);
    return s;
}

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
    static const std::string stub = Stub();
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
