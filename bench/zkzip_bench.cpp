// Zips a folder the way the setup does: one ZkZipExec call per file, the
// file named relative to the folder with "\" separators, level 9, folder
// names kept, the setup's stored suffixes. Natively the library is linked
// in; on Windows ZKZIP.DLL is loaded like the component loads it.
//
//   zkzip_bench ARCHIVE FOLDER     prints: files, seconds
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "zkzip/zipdll.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "zkzip/zkzip.h"
#endif

namespace {

int g_failures = 0;

int32_t ZK_STDCALL Callback(ZipCallbackData* d) {
    if (d->actionCode == ZK_CB_MESSAGE && d->errorCode != 0) {
        d->text[sizeof d->text - 1] = 0;
        std::fprintf(stderr, "zkzip: [%d] %s\n", int(d->errorCode), d->text);
        ++g_failures;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zkzip_bench ARCHIVE FOLDER\n");
        return 2;
    }
    namespace sfs = std::filesystem;
    std::string archive = sfs::absolute(argv[1]).string();
    sfs::current_path(argv[2]);

#ifdef _WIN32
    HMODULE lib = LoadLibraryW(L"ZKZIP.DLL");
    if (!lib) {
        std::fprintf(stderr, "cannot load ZKZIP.DLL\n");
        return 1;
    }
    auto version = reinterpret_cast<GetZkZipVersionFn>(reinterpret_cast<void*>(GetProcAddress(lib, "GetZkZipVersion")));
    auto exec = reinterpret_cast<ZkZipExecFn>(reinterpret_cast<void*>(GetProcAddress(lib, "ZkZipExec")));
    if (!version || !exec) {
        std::fprintf(stderr, "ZKZIP.DLL lacks an entry point\n");
        return 1;
    }
#else
    GetZkZipVersionFn version = &GetZkZipVersion;
    ZkZipExecFn exec = &ZkZipExec;
#endif
    if (version() != ZK_INTERFACE_VERSION) {
        std::fprintf(stderr, "unexpected library version %d\n", int(version()));
        return 1;
    }

    std::vector<std::string> files;
    for (auto& e : sfs::recursive_directory_iterator(".")) {
        if (!e.is_regular_file()) continue;
        std::string rel = sfs::relative(e.path(), ".").generic_string();
        for (char& c : rel) {
            if (c == '/') c = '\\';
        }
        files.push_back(rel);
    }

    std::string suffixes = ".gif:.png:.z:.zip:.zoo:.arc:.lzh:.arj:.taz:.tgz:.lha";
    auto start = std::chrono::steady_clock::now();
    int added = 0;
    for (std::string& f : files) {
        ZipCommand cmd;
        std::memset(&cmd, 0, sizeof cmd);
        ZipFileSpec spec;
        std::memset(&spec, 0, sizeof spec);
        spec.fileSpec = f.data();
        cmd.version = ZK_INTERFACE_VERSION;
        cmd.callback = &Callback;
        cmd.storeSuffixes = suffixes.data();
        cmd.noDirEntries = -1;
        cmd.reserved38 = -1;
        cmd.level = 9;
        cmd.reserved50 = -1;
        cmd.argCount = 1;
        cmd.archiveName = archive.data();
        cmd.fileSpecs = &spec;
        cmd.endMark = ZK_END_MARK;
        added += exec(&cmd);
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d %.3f\n", added, seconds);
    return added == int(files.size()) && g_failures == 0 ? 0 : 1;
}
