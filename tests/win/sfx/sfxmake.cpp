// Makes a self-extracting archive the program's way, for the tests under
// Wine: TZipArchiver over the real Win32 file system, ZKZIP.DLL and
// ZKSFX.BIN found where the program finds them (here: beside this tool).
//   sfxmake OUT.EXE FOLDER [options] PATTERN...   one AddFiles per PATTERN, FOLDER current
// Options: --caption T  --dir D  --cmd C  --msg M  --icon FILE.ICO  --options BITS
// Prints every message of the component; exit 0 when every add added files.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ui/win32/win32_bundle.h"
#include "platform/fake/fake_platform.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/wstr.h"
#include "archiver/ZipArch.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: sfxmake OUT.EXE FOLDER [options] SPEC...\n");
        return 2;
    }
    zk::platform::FakePlatform fake;  // registry, dialogs and the like: unused when unattended
    zk::win32::Win32Platform real;
    zk::win32::FileSystem& files = real.files;
    namespace zp = zk::platform;
    zp::Platform platform = zp::Mix(fake.Get(), real.Get(), zp::kFiles | zp::kApp | zp::kDynLib | zp::kCodePages);
    zk::TZipArchiver zip(platform);
    zip.Unattended = true;
    zip.AddOptions = {zk::AddDirNames, zk::AddRecurseDirs, zk::AddSeparateDirs};
    zip.OnMessage = [](zk::TZipArchiver&, int32_t code, const std::string& text) {
        std::printf("message %d: %s\n", int(code), text.c_str());
    };

    const std::string out = zk::win32::Utf8(argv[1]);
    if (!files.SetCurrentDir(zk::win32::Utf8(argv[2]))) {
        std::fprintf(stderr, "cannot enter %ls\n", argv[2]);
        return 1;
    }
    std::vector<std::string> specs;
    for (int i = 3; i < argc; ++i) {
        const std::wstring a = argv[i];
        auto value = [&]() { return i + 1 < argc ? zk::win32::Utf8(argv[++i]) : std::string(); };
        if (a == L"--caption") zip.SFXCaption = value();
        else if (a == L"--dir") zip.SFXDefaultDir = value();
        else if (a == L"--cmd") zip.SFXCommandLine = value();
        else if (a == L"--msg") zip.SFXMessage = value();
        else if (a == L"--options") zip.SFXOptions = zk::SFXOpts::FromBits(std::stoul(value(), nullptr, 0));
        else if (a == L"--icon") {
            std::ifstream f(zk::win32::Wide(value()).c_str(), std::ios::binary);
            std::ostringstream s;
            s << f.rdbuf();
            const std::string bytes = s.str();
            zip.SFXIcon.data.assign(bytes.begin(), bytes.end());
        } else specs.push_back(zk::win32::Utf8(a));
    }
    zip.SetZipFileName(out);
    int failed = 0;
    for (const std::string& spec : specs) {
        zip.FSpecArgs = {spec};
        zip.AddFiles();
        std::printf("added %d for %s (stub %s)\n", int(zip.SuccessCount), spec.c_str(), zip.SFXPath.c_str());
        if (zip.SuccessCount <= 0) ++failed;
    }
    std::printf("entries %d\n", int(zip.Contents.size()));
    return failed == 0 ? 0 : 1;
}
