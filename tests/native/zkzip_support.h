// Helpers for the zip library tests: a scratch folder, commands built the
// way the component builds them, a recording callback, and a small reader
// of our own to look into the archives.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "zkzip/zipdll.h"
#include "zkzip/zkzip.h"

namespace zkzip::test {

// A fresh folder below the system's temporary folder, removed afterwards.
class Scratch {
public:
    Scratch();
    ~Scratch();
    const std::string& Root() const { return root_; }
    std::string Path(const std::string& rel) const { return root_ + "/" + rel; }
    // Writes a file (parents made as needed); mtime in seconds since 1970 when given.
    void Write(const std::string& rel, const std::string& content, int64_t mtime = 0) const;
    void MakeDir(const std::string& rel) const;
    std::string Read(const std::string& rel) const;
    bool Exists(const std::string& rel) const;
    // Every file below the root, relative, sorted.
    std::vector<std::string> Files() const;

private:
    std::string root_;
};

std::string ReadFile(const std::string& path);
std::string RandomBytes(size_t n, uint32_t seed);
std::string TextLike(size_t n, uint32_t seed);
void SetMTime(const std::string& path, int64_t mtime);

// What the callback saw.
struct Event {
    int32_t action;
    int32_t error;
    int32_t value;
    std::string text;
};

class Recorder {
public:
    std::vector<Event> events;
    // Answer -1 at the n-th callback (1-based) of this action; 0 = never.
    int32_t cancelAction = 0;
    int cancelAt = 0;
    // Answer to a password request (code 8); empty: none given.
    std::string password;
    bool cancelPassword = false;
    bool wrongCaller = false;  // set when a callback came without our caller
    void (*onEvery)() = nullptr;  // called first at every callback

    static int32_t ZK_STDCALL Callback(ZipCallbackData* data);
    std::vector<Event> Of(int32_t action) const;
    std::string Messages() const;  // every code-4 text, one a line
    int32_t LastError() const;     // error number of the last code-4 message
};

// A command of the new layout with everything it points at.
class Command {
public:
    Command(const std::string& archive, std::vector<std::string> specs, Recorder* rec = nullptr);
    // Per-entry fields; recurse, encrypt and password default to the command's.
    Command& Spec(size_t i, const std::string& password, bool encrypt);
    Command& RootDir(const std::string& dir);
    Command& Password(const std::string& pw);
    Command& Suffixes(const std::string& list);
    Command& TempDir(const std::string& dir);
    Command& Comment(const std::string& text);
    Command& Exclude(std::vector<std::string> patterns);
    ZipCommand& Raw();  // to set the plain flags
    int32_t Run();

private:
    void Build();
    std::string archive_;
    std::vector<std::string> specs_;
    std::vector<std::string> specPasswords_;
    std::vector<int> specEncrypt_;
    std::string rootDir_, password_, suffixes_, tempDir_, comment_;
    bool hasRoot_ = false, hasPassword_ = false, hasSuffixes_ = false, hasTemp_ = false, hasComment_ = false;
    std::vector<std::string> excl_;
    std::vector<ZipFileSpec> records_;
    std::vector<char*> exclPtrs_;
    ZipCommand cmd_;
    Recorder* rec_;
};

// Our own look into an archive, independent of the library's reader.
struct ViewEntry {
    std::string name;
    uint16_t madeBy = 0, needed = 0, flags = 0, method = 0;
    uint32_t dosTime = 0, crc = 0, packed = 0, size = 0, attributes = 0, offset = 0;
};

struct ZipView {
    bool ok = false;
    std::string error;
    std::vector<ViewEntry> entries;
    std::string comment;
    std::vector<std::string> Names() const;
    const ViewEntry* Find(const std::string& name) const;
};

ZipView ViewZip(const std::string& path);
// The data of one entry, decrypted and inflated, checked against its CRC;
// sets `error` and returns "" when anything is wrong.
std::string EntryData(const std::string& zipPath, const ViewEntry& e, const std::string& password,
                      std::string& error);

// Each test runs in its own scratch folder, made the current folder, with
// the library's test hooks reset.
class ZkZipTest : public ::testing::Test {
protected:
    ZkZipTest();
    ~ZkZipTest() override;
    std::string Zip() const { return dir.Path("out.zip"); }
    ZipView View() const { return ViewZip(Zip()); }
    // The data of an entry, failing the test when it cannot be read back.
    std::string Data(const std::string& name, const std::string& password = "") const;

    Scratch dir;
    Recorder rec;

private:
    std::string oldCwd_;
};

}  // namespace zkzip::test
