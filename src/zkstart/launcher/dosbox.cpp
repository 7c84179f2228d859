#include "launcher/dosbox.h"

#include <algorithm>
#include <vector>

#include "common/text.h"
#include "zipformat/zipformat.h"

namespace zk {

const char kDosBoxValue[] = "DOSBox";
const char kDosBoxCdValue[] = "DOSBoxCD";

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

bool HasExtension(const std::string& name, const std::string& extension) {
    return name.size() > extension.size() && LowerCaseDE(name.substr(name.size() - extension.size())) == extension;
}

bool IsAbsolute(const std::string& path) {
    return (path.size() > 2 && path[1] == ':' && path[2] == '\\') || path.rfind("\\\\", 0) == 0;
}

// The files a cue sheet's FILE lines name, relative ones beside the sheet,
// as DOSBox looks for them; none when the sheet cannot be read.
std::vector<std::string> CueTracks(platform::Platform& platform, const std::string& cue) {
    constexpr size_t kMaxSheet = 64 * 1024;  // a sheet of 99 tracks takes a few KB
    std::string sheet(kMaxSheet + 1, '\0');
    auto file = platform.files.Open(cue, platform::OpenMode::Read);
    const int64_t n = file ? file->Read(sheet.data(), sheet.size()) : -1;
    if (n < 0 || n > static_cast<int64_t>(kMaxSheet)) return {};
    sheet.resize(n);
    std::vector<std::string> tracks;
    const std::string folder = cue.substr(0, cue.find_last_of('\\') + 1);
    size_t at = sheet.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    while (at < sheet.size()) {
        const size_t end = std::min(sheet.find('\n', at), sheet.size());
        std::string line = sheet.substr(at, end - at);
        at = end + 1;
        std::replace(line.begin(), line.end(), '\t', ' ');
        line.erase(0, line.find_first_not_of(' '));
        if (UpperCaseDE(line.substr(0, 5)) != "FILE ") continue;
        line.erase(0, line.find_first_not_of(' ', 5));
        std::string name = line.empty() || line[0] != '"' ? line.substr(0, line.find_first_of(" \r"))
                                                          : line.substr(1, line.find('"', 1) - 1);
        // Sheets written on Windows name their files in its 8-bit character set.
        if (!zipformat::IsUtf8(name)) name = platform.codePages.ToUtf8(name, platform.codePages.AnsiCodePage());
        std::replace(name.begin(), name.end(), '/', '\\');
        tracks.push_back(IsAbsolute(name) ? name : folder + name);
    }
    return tracks;
}

// DOSBox refuses a cue sheet whose track files are missing; an .iso or any
// other image it reads as it is.
bool Mountable(platform::Platform& platform, const std::string& image) {
    if (!platform.files.FileExists(image)) return false;
    if (!HasExtension(image, ".cue")) return true;
    const std::vector<std::string> tracks = CueTracks(platform, image);
    return !tracks.empty() && std::all_of(tracks.begin(), tracks.end(),
                                          [&](const std::string& t) { return platform.files.FileExists(t); });
}

// The game folder's images of one kind, by name with case ignored.
std::vector<std::string> ImagesIn(platform::FileSystem& files, const std::string& folder, const std::string& extension) {
    std::vector<std::string> names;
    if (auto dir = files.OpenDir(folder)) {
        platform::DirEntry e;
        while (dir->Next(e))
            if (!(e.attr & platform::faDirectory) && HasExtension(e.name, extension)) names.push_back(e.name);
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return LowerCaseDE(a) < LowerCaseDE(b); });
    for (std::string& name : names) name = BackslashPath(folder, true) + name;
    return names;
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
    if (!game.cdImage.empty())
        command("IMGMOUNT D \"" + game.cdImage + "\" -t iso");
    else if (game.cdDrive)
        command(std::string("MOUNT D ") + game.cdDrive + ":\\ -t cdrom");
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

void FindGameCd(platform::Platform& platform, DosBoxGame& game) {
    const platform::StringRead stored = platform.registry.ReadString(kOptionsKey, kDosBoxCdValue);
    std::string image = Unquoted(stored.value);
    if (stored.status == platform::ReadStatus::Present && IsAbsolute(image) && Mountable(platform, image)) {
        game.cdImage = image;
        return;
    }
    for (const std::string& cue : ImagesIn(platform.files, game.folder, ".cue"))
        if (Mountable(platform, cue)) {
            game.cdImage = cue;
            return;
        }
    game.cdDrive = FirstCdDrive(platform.files);
    if (game.cdDrive) return;
    std::vector<std::string> isos = ImagesIn(platform.files, game.folder, ".iso");
    if (!isos.empty()) game.cdImage = isos.front();
}

}  // namespace zk
