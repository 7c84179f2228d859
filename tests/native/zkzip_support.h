// The zip library's tests: commands as the component builds them, a
// recording callback, a look into the archives through the format's parsers.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host_scratch.h"
#include "sfx_support.h"
#include "zipformat/zipformat.h"
#include "zkzip/zipdll.h"
#include "zkzip/zkzip.h"

namespace zkzip::test {

using zk::test::HostScratch;
using zksfx::test::RandomBytes;
std::string TextLike(size_t n, uint32_t seed);
void SetMTime(const std::string& path, int64_t mtime);  // seconds since 1970

struct Event {
    int32_t action, error, value;
    std::string text;
};

class Recorder {
public:
    std::vector<Event> events;
    int32_t cancelAction = 0;  // answer -1 at the cancelAt-th callback (1-based) of this action
    int cancelAt = 0;
    void (*onEvery)() = nullptr;  // called first at every callback

    static int32_t ZK_STDCALL Callback(ZipCallbackData* data);
    std::vector<Event> Of(int32_t action) const;
    int64_t Sum(int32_t action) const;  // of the values
    std::string Messages() const;  // every code-4 text, one a line
    int32_t LastError() const;     // error number of the last code-4 message
    int32_t LastReason() const;    // and the reason it carries
};

// A new-layout command as the component fills it for the setup, with all it points at.
class Command {
public:
    Command(const std::string& archive, std::vector<std::string> specs, Recorder* rec = nullptr);
    Command& Spec(size_t i, const std::string& password, bool encrypt);
    Command& RootDir(const std::string& dir) { return Text(rootDir_, dir); }
    Command& Password(const std::string& pw) { return Text(password_, pw); }
    Command& Suffixes(const std::string& list) { return Text(suffixes_, list); }
    Command& TempDir(const std::string& dir) { return Text(tempDir_, dir); }
    Command& Comment(const std::string& text) { return Text(comment_, text); }
    Command& Exclude(std::vector<std::string> patterns) { return excl_ = std::move(patterns), *this; }
    ZipCommand& Raw() { return cmd_; }  // to set the plain flags
    int32_t Run();

private:
    Command& Text(std::vector<std::string>& field, const std::string& value) {
        field = {value};
        return *this;
    }
    static char* Ptr(std::vector<std::string>& v) { return v.empty() ? nullptr : v[0].data(); }
    std::string archive_;
    std::vector<std::string> specs_, specPasswords_, rootDir_, password_, suffixes_, tempDir_, comment_, excl_;
    std::vector<int> specEncrypt_;
    std::vector<ZipFileSpec> records_;
    std::vector<char*> exclPtrs_;
    ZipCommand cmd_;
    Recorder* rec_;
};

struct ViewEntry : zipformat::CentralHeader {
    std::string name;
};
struct ZipView {
    bool ok = false;
    std::string error, comment;
    std::vector<ViewEntry> entries;
    std::vector<std::string> Names() const;
    const ViewEntry* Find(const std::string& name) const;
};
ZipView ViewZip(const std::string& path);
// One entry's data, checked against its CRC; "" and `error` when it is not whole.
std::string EntryData(const std::string& zipPath, const ViewEntry& e, const std::string& password, std::string& error);

// Each test in a scratch folder of its own, the current folder; hooks reset.
class ZkZipTest : public ::testing::Test {
protected:
    ZkZipTest();
    ~ZkZipTest() override;
    std::string Zip() const { return dir.Path("out.zip"); }
    ZipView View() const { return ViewZip(Zip()); }
    int32_t Add(std::vector<std::string> specs) { return Command(Zip(), std::move(specs), &rec).Run(); }
    std::string Data(const std::string& name, const std::string& password = "") const;

    HostScratch dir{"zkzip-test"};
    Recorder rec;

private:
    std::string oldCwd_;
};

}  // namespace zkzip::test
