#include "launcher/dosbox.h"

#include <algorithm>
#include <vector>

#include "common/text.h"

namespace zk {

const char kDosBoxValue[] = "DOSBox";

namespace {
const char kOptionsKey[] = "Software\\Orvandel\\Zantorik";  // as the options store writes it
const char kAppPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\DOSBox.exe";
// The program files of DOSBox 0.74 and Staging, and of DOSBox-X.
const char* const kProgramNames[] = {"DOSBox.exe", "dosbox-x.exe"};

// Registered paths may come in quotes.
std::string Unquoted(const std::string& path) {
    std::string p = TrimBlanks(path);
    if (p.size() >= 2 && p.front() == '"' && p.back() == '"') p = p.substr(1, p.size() - 2);
    return p;
}

bool StartsWithDosBox(const std::string& name) {
    return LowerCaseDE(name.substr(0, 6)) == "dosbox";
}

// The install folders of one program-files folder: every folder named
// DOSBox..., whatever its version, the highest name first.
std::string FindInstalled(platform::FileSystem& files, const std::string& programFiles) {
    std::vector<std::string> names;
    if (auto dir = files.OpenDir(programFiles)) {
        platform::DirEntry e;
        while (dir->Next(e))
            if ((e.attr & platform::faDirectory) && StartsWithDosBox(e.name)) names.push_back(e.name);
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return LowerCaseDE(a) > LowerCaseDE(b); });
    for (const std::string& name : names)
        for (const char* program : kProgramNames) {
            std::string path = programFiles + "\\" + name + "\\" + program;
            if (files.FileExists(path)) return path;
        }
    return {};
}
}  // namespace

std::string QuotedArgument(const std::string& text) {
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : text) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

std::string DosBoxCommandLine(const std::string& dosbox, const DosBoxGame& game) {
    std::string line = QuotedArgument(dosbox);
    auto command = [&line](const std::string& dos) { line += " -c " + QuotedArgument(dos); };
    // The folder without its trailing backslash, a drive's root with it.
    command("MOUNT C \"" + BackslashPath(game.folder, false) + "\"");
    if (game.cdDrive) command(std::string("MOUNT D ") + game.cdDrive + ":\\ -t cdrom");
    command("C:");
    command(game.program + (game.arguments.empty() ? "" : " " + game.arguments));
    command("EXIT");
    return line;
}

std::string FindDosBox(platform::Platform& platform) {
    platform::Registry& reg = platform.registry;
    std::vector<platform::StringRead> registered = {
        reg.ReadString(kOptionsKey, kDosBoxValue),
        reg.ReadString(kAppPath, ""),
        reg.ReadMachineString(kAppPath, ""),
    };
    for (const platform::StringRead& r : registered) {
        std::string path = Unquoted(r.value);
        if (r.status == platform::ReadStatus::Present && !path.empty() && platform.files.FileExists(path))
            return path;
    }
    for (const std::string& folder : platform.files.ProgramFilesFolders()) {
        std::string path = FindInstalled(platform.files, folder);
        if (!path.empty()) return path;
    }
    return {};
}

bool StoreDosBox(platform::Registry& registry, const std::string& path) {
    return registry.CreateKey(kOptionsKey) && registry.WriteString(kOptionsKey, kDosBoxValue, path);
}

char FirstCdDrive(platform::FileSystem& files) {
    for (char letter : files.Drives())
        if (files.DriveKind(letter) == platform::DriveType::CDRom) return letter;
    return 0;
}

}  // namespace zk
