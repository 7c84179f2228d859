// Zips a folder the way the setup does: through the archive component, one
// AddFiles call per file, the folder current and the names relative to it,
// the setup's settings (level 9, folder names kept, the stored suffixes),
// and the archive's directory read back after every call. The real zip
// library is linked in behind the fake run-time libraries; the fake drive
// Z: shows the folder.
//
// Then one small file is added to the finished archive and to a new one: with
// an append that costs the file plus the directory, both take about as long.
//
//   addfiles_bench ARCHIVE FOLDER
// prints: files added, seconds; then the two small adds in milliseconds
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "archiver/ZipArch.h"
#include "zkzip/zkzip.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: addfiles_bench ARCHIVE FOLDER\n");
        return 2;
    }
    namespace sfs = std::filesystem;
    const sfs::path target = sfs::absolute(argv[1]);
    const sfs::path folder = sfs::absolute(argv[2]);
    std::vector<std::string> files;
    for (auto& e : sfs::recursive_directory_iterator(folder)) {
        if (!e.is_regular_file()) continue;
        std::string rel = sfs::relative(e.path(), folder).generic_string();
        std::replace(rel.begin(), rel.end(), '/', '\\');
        files.push_back(rel);
    }
    std::sort(files.begin(), files.end());
    // Written inside the folder (the one path both sides read alike), moved out at the end.
    const std::string work = "ZKBENCH.ZIP";
    sfs::remove(folder / work);
    sfs::current_path(folder);

    zk::platform::FakePlatform fake;
    fake.files.logIo = false;
    fake.files.Drive('Z').hostFolder = folder.string();
    fake.files.SetCurrentDir("Z:\\");
    fake.dynlib.Add("ZKZIP.DLL", {{"ZkZipExec", reinterpret_cast<void*>(&::ZkZipExec)},
                                  {"GetZkZipVersion", reinterpret_cast<void*>(&::GetZkZipVersion)}});
    zk::platform::Platform platform = fake.Get();
    zk::TZipArchiver zip(platform);
    zip.AddCompLevel = 9;
    zip.AddOptions = {zk::AddDirNames};
    zip.Unattended = true;
    int failures = 0;
    zip.OnMessage = [&](zk::TZipArchiver&, int32_t code, const std::string& text) {
        std::fprintf(stderr, "message %d: %s\n", int(code), text.c_str());
        ++failures;
    };

    const auto start = std::chrono::steady_clock::now();
    zip.SetZipFileName(work);
    int added = 0;
    for (const std::string& f : files) {
        zip.FSpecArgs = {f};
        zip.AddFiles();
        added += zip.SuccessCount;
        if (zip.Contents.size() != size_t(added)) ++failures;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    // On a copy: the archive itself goes out as zip -9's counterpart.
    const std::string small = "ZKBENCH.TXT", fresh = "ZKBENCH2.ZIP", copy = "ZKBENCH3.ZIP";
    sfs::copy_file(folder / work, folder / copy, sfs::copy_options::overwrite_existing);
    std::FILE* f = std::fopen(small.c_str(), "wb");
    for (int i = 0; f && i < 40; ++i) std::fprintf(f, "Zeile %02d des kleinen Nachtrags\n", i);
    if (f) std::fclose(f);
    auto timedAdd = [&](const std::string& archive) {
        zip.SetZipFileName(archive);
        const size_t before = zip.Contents.size();
        const auto t0 = std::chrono::steady_clock::now();
        zip.FSpecArgs = {small};
        zip.AddFiles();
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        if (zip.SuccessCount != 1 || zip.Contents.size() != before + 1) ++failures;
        return ms;
    };
    const double toBig = timedAdd(copy);
    const double toNew = timedAdd(fresh);
    sfs::remove(folder / small);
    sfs::remove(folder / fresh);
    sfs::remove(folder / copy);
    sfs::rename(folder / work, target);
    std::printf("%d %.3f\n%.2f %.2f\n", added, seconds, toBig, toNew);
    return added == int(files.size()) && failures == 0 ? 0 : 1;
}
