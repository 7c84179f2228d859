// libFuzzer target: any bytes as an archive for the directory reader. It must
// end with an entry list or one of its numbered messages, never with a
// crash, a hang, a leak or a read outside the file.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "platform/fake/fake_platform.h"
#include "archiver/ZipArch.h"

namespace {

const char* const kPath = "C:\\ZIP\\FUZZ.ZIP";

// Failures the reader may end with on a damaged archive.
const std::set<int> kFailures = {10201, 11001, 11004, 11008, 11011, 11013, 11015,
                                 11017, 11022, 11036, 11037, 11038, 11045};
const std::set<int> kWarnings = {10203, 10204};

void Require(bool ok) { if (!ok) __builtin_trap(); }

bool Utf8(const std::string& s) {
    std::string again;
    for (size_t pos = 0; pos < s.size();) zk::platform::AppendUtf8(again, zk::platform::NextUtf8(s, pos));
    return again == s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zk::platform::FakePlatform fake;
    fake.files.AddFile(kPath, std::string(reinterpret_cast<const char*>(data), size));
    // The size picks the settings, so that the bytes stay the archive.
    const unsigned pick = static_cast<unsigned>(size);
    if (pick & 4) fake.files.Drive('C').label = (pick & 8) ? "PKBACK# 001" : "PKBACK# 004";
    zk::platform::Platform platform = fake.Get();
    zk::TZipArchiver zip(platform);
    zip.Unattended = true;
    zip.UseDirOnlyEntries = (pick & 1) != 0;
    zip.CodePage = static_cast<zk::CodePageOpts>((pick >> 1) % 3);
    // The first four parts of a set lie beside it, each of them this same file.
    if (pick & 16)
        for (int disk = 1; disk <= 4; ++disk)
            fake.files.AddFile(zk::ZipDisks::ReadingPartName(kPath, disk), fake.files.Content(kPath));

    int updates = 0;
    std::vector<int> numbers;
    zip.OnDirUpdate = [&](zk::TZipArchiver&) { ++updates; };
    zip.OnMessage = [&](zk::TZipArchiver& z, int32_t, const std::string&) { numbers.push_back(z.ErrorCode); };
    size_t named = 0;
    zip.OnNewName = [&](zk::TZipArchiver&, int32_t seq, const zk::ZipDirEntry& e) {
        Require(seq >= 1 && seq <= 65535);
        Require(e.ExtraData.size() == (e.ExtraFieldLength ? e.ExtraFieldLength + 1u : 0u));
        Require(Utf8(e.FileName) && Utf8(e.FileComment));
        ++named;
    };
    zip.SetZipFileName(kPath);

    Require(updates == 1);
    Require(named == zip.Contents.size());
    Require(Utf8(zip.ArchiveComment));
    const bool failed = zip.ZipFileName().empty();
    for (size_t i = 0; i < numbers.size(); ++i) {
        bool last = i + 1 == numbers.size();
        Require(kWarnings.count(numbers[i]) || (failed && last && kFailures.count(numbers[i])));
    }
    if (failed) Require(!numbers.empty() && zip.DataOffset == 0);
    return 0;
}
