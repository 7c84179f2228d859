// libFuzzer target: the zip library adding one file to any bytes as an
// existing archive. Either the add succeeds and the archive reads back with
// the new entry, or it fails and leaves the archive byte for byte as it was;
// never a crash, a leak, a read outside a buffer, or a journal left behind.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "zkzip/directory.h"
#include "zkzip/zkfs.h"
#include "zkzip/zkzip.h"

namespace {

void Require(bool ok) {
    if (!ok) __builtin_trap();
}

std::string Slurp(const std::string& path) {
    std::string out;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
        std::fclose(f);
    }
    return out;
}

void Spill(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    Require(f != nullptr);
    Require(std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size());
    std::fclose(f);
}

// A folder of its own in memory-backed storage where there is one.
const std::string& Folder() {
    static const std::string dir = [] {
        std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string tmpl = base + "/zkfuzzXXXXXX";
        Require(mkdtemp(tmpl.data()) != nullptr);
        Spill(tmpl + "/neu.txt", "Neuer Eintrag, einmal, zweimal, dreimal: neu neu neu\n");
        return tmpl;
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string archive = Folder() + "/alt.zip";
    const std::string before(reinterpret_cast<const char*>(data), size);
    Spill(archive, before);

    std::string spec = Folder() + "/neu.txt";
    ZipFileSpec file{};
    file.fileSpec = spec.data();
    ZipCommand cmd{};
    cmd.version = ZK_INTERFACE_VERSION;
    cmd.archiveName = const_cast<char*>(archive.c_str());
    cmd.level = 6;
    cmd.noDirEntries = -1;
    cmd.argCount = 1;
    cmd.fileSpecs = &file;
    cmd.endMark = ZK_END_MARK;
    const int32_t added = ZkZipExec(&cmd);

    Require(access(zkzip::JournalPath(archive).c_str(), F_OK) != 0);
    if (added <= 0) {
        Require(Slurp(archive) == before);
    } else {
        zkzip::fs::File f;
        Require(f.Open(archive, zkzip::fs::File::Mode::Read));
        zkzip::ArchiveDirectory dir;
        std::string error;
        Require(zkzip::ReadDirectory(f, dir, error));
        bool found = false;
        for (const auto& e : dir.entries) found = found || e.name == spec.substr(1);
        Require(found);
    }
    std::remove(archive.c_str());
    return 0;
}
