// Builds self-extracting archives for the tests under Wine, the way the
// archiver does: the stub, the settings header, then the archive.
//   sfxpack new OUT.EXE STUB [options]           stub, header, empty end record
//   sfxpack cat OUT.EXE STUB ZIP [options]       stub, header, an archive as it is
//   sfxpack add OUT.EXE ZKZIP.DLL FOLDER SPEC... the library adds files from FOLDER
// Options: --flags N  --caption T  --dir D  --cmd C  --msg M  --ansi
// (--ansi writes the texts in code page 1252 instead of UTF-8.)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sfx_support.h"
#include "zkzip/zipdll.h"

namespace {

std::string Narrow(const std::wstring& w, UINT cp) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(cp, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(size_t(n), '\0');
    WideCharToMultiByte(cp, 0, w.data(), int(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

bool ReadAll(const std::wstring& path, std::string& out) {
    std::ifstream f(path.c_str(), std::ios::binary);
    if (!f) return false;
    std::ostringstream s;
    s << f.rdbuf();
    out = s.str();
    return true;
}

bool WriteAll(const std::wstring& path, const std::string& bytes) {
    std::ofstream f(path.c_str(), std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(f);
}

int Usage() {
    std::fprintf(stderr, "usage: sfxpack new|cat|add ... (see the source)\n");
    return 2;
}

int32_t ZK_STDCALL Callback(ZipCallbackData* d) {
    if (d->actionCode == ZK_CB_MESSAGE) std::printf("zkzip %d: %s\n", int(d->errorCode), d->text);
    return 0;
}

int Add(const std::wstring& archive, const std::wstring& dll, const std::wstring& folder,
        const std::vector<std::wstring>& specs) {
    HMODULE lib = LoadLibraryW(dll.c_str());
    auto exec = lib ? reinterpret_cast<ZkZipExecFn>(reinterpret_cast<void*>(GetProcAddress(lib, "ZkZipExec"))) : nullptr;
    if (!exec) {
        std::fprintf(stderr, "cannot load ZkZipExec from %ls\n", dll.c_str());
        return 1;
    }
    // As the setup does it: the source folder current, names relative to it.
    if (!SetCurrentDirectoryW(folder.c_str())) return 1;
    std::string name = Narrow(archive, CP_UTF8);
    std::vector<std::string> texts;
    for (const auto& s : specs) texts.push_back(Narrow(s, CP_UTF8));
    std::vector<ZipFileSpec> records(texts.size());
    ZipCommand cmd;
    std::memset(&cmd, 0, sizeof cmd);
    for (size_t i = 0; i < texts.size(); ++i) {
        std::memset(&records[i], 0, sizeof records[i]);
        records[i].fileSpec = texts[i].data();
        records[i].recurse = 0xFFFF;
    }
    cmd.version = ZK_INTERFACE_VERSION;
    cmd.callback = Callback;
    cmd.noDirEntries = 0;  // folders get entries of their own
    cmd.reserved38 = -1;
    cmd.reserved50 = -1;
    cmd.level = 9;
    cmd.recurse = 0xFFFF;
    cmd.archiveName = name.data();
    cmd.argCount = int32_t(records.size());
    cmd.fileSpecs = records.data();
    cmd.endMark = ZK_END_MARK;
    int32_t n = exec(&cmd);
    std::printf("zkzip added %d\n", int(n));
    return n > 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return Usage();
    const std::wstring mode = argv[1], out = argv[2];
    std::vector<std::wstring> args(argv + 3, argv + argc);
    if (mode == L"add") {
        if (args.size() < 3) return Usage();
        return Add(out, args[0], args[1], std::vector<std::wstring>(args.begin() + 2, args.end()));
    }
    const size_t positional = mode == L"cat" ? 2 : mode == L"new" ? 1 : 0;
    if (positional == 0 || args.size() < positional) return Usage();
    unsigned flags = 0;
    std::wstring caption = L"Self-extracting Archive", dir, cmd, msg;
    UINT cp = CP_UTF8;
    for (size_t i = positional; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        auto value = [&]() -> std::wstring { return i + 1 < args.size() ? args[++i] : std::wstring(); };
        if (a == L"--flags") flags = unsigned(std::wcstoul(value().c_str(), nullptr, 0));
        else if (a == L"--caption") caption = value();
        else if (a == L"--dir") dir = value();
        else if (a == L"--cmd") cmd = value();
        else if (a == L"--msg") msg = value();
        else if (a == L"--ansi") cp = 1252;
        else return Usage();
    }
    std::string stub, zip;
    if (!ReadAll(args[0], stub) || (mode == L"cat" && !ReadAll(args[1], zip))) {
        std::fprintf(stderr, "cannot read the stub or the archive\n");
        return 1;
    }
    std::string file = stub + zksfx::test::MakeHeader(uint8_t(flags), Narrow(caption, cp), Narrow(dir, cp),
                                                      Narrow(cmd, cp), Narrow(msg, cp));
    // A new self-extractor ends with an empty end record whose directory
    // starts right behind the header.
    file += mode == L"cat" ? zip : zksfx::test::EmptyEndRecord(uint32_t(file.size()));
    if (!WriteAll(out, file)) {
        std::fprintf(stderr, "cannot write %ls\n", out.c_str());
        return 1;
    }
    return 0;
}
