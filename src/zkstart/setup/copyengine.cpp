#include "setup/copyengine.h"

#include <algorithm>
#include <set>

#include "common/text.h"

namespace zk {

namespace {
std::string Quoted(const char* word) { return std::string("\"") + word + "\""; }

// A folder and a list line that begins with "\".
std::string Join(const std::string& folder, const std::string& line) {
    return BackslashPath(folder, false) + (BackslashPath(folder, false).back() == '\\' ? line.substr(1) : line);
}

char UpperLetter(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
}  // namespace

PathCheck NormalizePath(std::string& path) {
    PathCheck result = kPathOk;
    std::string p = TrimBlanks(path);
    std::replace(p.begin(), p.end(), '/', '\\');
    for (size_t at; (at = p.find("\\\\")) != std::string::npos;) p.erase(at, 1);
    if (p.size() >= 2 && p[1] == ':' && (p.size() == 2 || p[2] != '\\')) p.insert(2, "\\");
    if (p.size() < 2 || p[1] != ':') result = kNoDriveLetter;
    int count = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(p[i]);
        if ((c & 0xC0) == 0x80) continue;  // the tail of one character
        if (c == '.' || c == '\\') {
            count = 0;
        } else if (++count > 8) {
            result = kNameTooLong;
            break;
        }
    }
    path = p;
    return result;
}

std::vector<std::string> CopyPlan::Lines() const {
    std::vector<std::string> lines;
    for (const ListedFile& f : files) lines.push_back(f.line);
    return lines;
}

std::string CopyEngine::Resolved(const std::string& path) {
    const std::string full = platform.files.FullPathName(path);
    return full.empty() ? path : full;
}

int32_t CopyEngine::FreeBytes(char letter) {
    std::optional<uint64_t> free = platform.files.DiskFree(letter);
    if (!free) return -1;
    return static_cast<int32_t>(std::min<uint64_t>(*free, 2147483647));
}

bool CopyEngine::PrepareCopy(const std::string& source, const std::string& target, CopyPlan& plan) {
    platform::QuietDriveErrors quiet(platform.files);
    plan = CopyPlan{};
    plan.target = BackslashPath(target, true);
    plan.source = BackslashPath(source, true);
    const PathCheck targetCode = NormalizePath(plan.target);
    const PathCheck sourceCode = NormalizePath(plan.source);
    plan.drive = UpperLetter(plan.target.empty() ? ' ' : plan.target[0]);
    // Without a drive letter nothing below can work; long names do no harm.
    if (sourceCode == kNoDriveLetter || targetCode == kNoDriveLetter) return !ReportSetupError(kNoDriveLetter);

    // The copy would land on its own source. The folders as the system
    // resolves them, so that "." or ".." spell no other place; built with the
    // slash rule, so that a drive root as target is caught too.
    const std::string s = UpperCaseDE(BackslashPath(Resolved(plan.source), false));
    const std::string t = UpperCaseDE(BackslashPath(Resolved(plan.target), false));
    if (s == t || s == BackslashPath(t, true) + "ZANTORIK") return !ReportSetupError(-99);

    if (ReportSetupError(CheckTargetDrive(plan))) return false;
    if (ReportSetupError(CheckSourceFolder(plan))) return false;
    if (ReportSetupError(ScanAndMeasure(plan))) return false;
    plan.destFolder = plan.target + "ZANTORIK";
    return true;
}

std::string CopyEngine::ErrorMessage(int code) {
    switch (code) {
        case 1:
            return "Das ZANTORIK-Verzeichnis wurde nicht gefunden.\n\rDie Angabe bei " + Quoted("Quelle") +
                   " ist offenbar falsch.";
        case 2: return "Du hast den Kopiervorgang abgebrochen.";
        case 3: return "Das ZANTORIK-Verzeichnis wurde nicht in der " + Quoted("Quelle") + " gefunden.";
        case 4: return "Zuwenig Speicher oder verkehrte Laufwerke.";
        case 5: return "Probleme beim Schreiben.";
        case 100: return "Versuche es nochmal mit anderen Quelle/Ziel-Angaben.";
        case -1: return "Quelle und Ziel benötigen Laufwerksbuchstaben, auf die je ein Doppelpunkt folgt.";
        case -2: return "Die Verzeichnisnamen dürfen hier nur 8 Buchstaben lang sein!";
        case -10: return "In diesem " + Quoted("Quell") + "-Verzeichnis gibt es keine ZANTORIK-Dateien.";
        case -11: return "Auf dem " + Quoted("Ziel") + "-Laufwerk ist zuwenig Platz.";
        case -14: return "Das Ziellaufwerk ist schreibgeschützt, nicht bereit oder unbekannt.";
        case -99: return "Quelle und Ziel müssen verschieden sein!";
        default: return "Unbekannter Fehler mit der Nummer " + NumStr(code);
    }
}

bool CopyEngine::ReportSetupError(int code) {
    if (code == 0) return false;
    ErrorText = ErrorMessage(code);
    progress.Error(ErrorText);
    switch (code) {
        case 1: case 3: case -1: case -10: case -99: progress.Focus(CopyProgress::Field::Source); break;
        case 4: case -11: case -14: progress.Focus(CopyProgress::Field::Target); break;
        default: break;
    }
    return true;
}

int CopyEngine::CheckTargetDrive(const CopyPlan& plan) {
    const std::string root = BackslashPath(plan.target.substr(0, 2), true);
    if (!platform.files.SetCurrentDir(root)) {
        // The answer does not matter: the user has had the chance to put a disk in.
        progress.Warning(plan.drive == 'A' || plan.drive == 'B' ? "Diskette einlegen!!"
                                                                : "Ziel-Laufwerk unbekannt oder nicht bereit!");
    }
    const std::string probe = root + "_-_";
    if (!platform.files.CreateDir(probe)) return -14;
    if (!platform.files.RemoveDir(probe)) return -14;
    return 0;
}

int CopyEngine::CheckSourceFolder(CopyPlan& plan) {
    if (!platform.files.SetCurrentDir(plan.source)) return -10;
    if (platform.files.FileExists(plan.source + "ZANTORIK.EXE")) {
        plan.sourceFolder = plan.source;
    } else if (platform.files.FileExists(plan.source + "ZANTORIK\\ZANTORIK.EXE")) {
        plan.sourceFolder = plan.source + "ZANTORIK";
    } else {
        return -10;
    }
    return 0;
}

int CopyEngine::ScanAndMeasure(CopyPlan& plan) {
    if (plan.target.size() < 3 || !platform.files.DirExists(plan.target.substr(0, 3))) return -14;
    plan.free = FreeBytes(plan.drive);
    // Never the whole drive.
    if (plan.sourceFolder.size() <= 3) {
        plan.sourceFolder = BackslashPath(plan.sourceFolder.substr(0, 2), true) + "ZANTORIK";
        if (!platform.files.DirExists(plan.sourceFolder)) return -10;
    }
    plan.total = ListSourceFiles(platform.files, plan.sourceFolder, kGamePattern, plan.files);
    return plan.free > plan.total ? 0 : -11;
}

void CopyEngine::Advance(int32_t bytes) {
    done_ += bytes;
    left_ -= bytes;
    progress.Progress(done_, left_);
}

bool CopyEngine::CopyAll(const CopyPlan& plan) {
    platform::QuietDriveErrors quiet(platform.files);
    FreeDisplayOff = false;
    done_ = 0;
    left_ = plan.total;
    progress.Begin("Noch zu Kopieren", plan.total);
    int code = 0;
    for (const ListedFile& file : plan.files) {
        code = CopyListedFile(plan, file);
        if (code != 0) break;
    }
    return code == 0;
}

int CopyEngine::CopyListedFile(const CopyPlan& plan, const ListedFile& file) {
    progress.Status(DescribeFile(file.line));
    // A folder named like a game file: its files have lines of their own.
    if (file.folder) return ForcePath(Join(plan.destFolder, file.line) + "\\") ? 0 : 5;
    const int32_t before = FreeBytes(plan.drive);
    if (!CopyFileWithProgress(Join(plan.sourceFolder, file.line), Join(plan.destFolder, file.line), plan.drive))
        return 5;
    const int32_t after = FreeBytes(plan.drive);
    // A drive whose free count does not move is not asked again this run.
    if (after == before) FreeDisplayOff = true;
    if (FreeDisplayOff)
        progress.FreeNotFollowed();
    else
        progress.Free(after);
    return 0;
}

bool CopyEngine::CopyFileWithProgress(const std::string& src, const std::string& dst, char drive) {
    platform::FileSystem& files = platform.files;
    auto in = files.Open(src, platform::OpenMode::Read);
    if (!in) return false;
    if (!ForcePath(dst)) return false;
    // Windows creates no file over a read-only, hidden or system one, as an
    // earlier copy from a CD-ROM often is.
    constexpr uint32_t kGuarded = platform::faReadOnly | platform::faHidden | platform::faSysFile;
    const std::optional<uint32_t> old = files.Attributes(dst);
    if (old && !(*old & platform::faDirectory) && (*old & kGuarded))
        files.SetAttributes(dst, *old & platform::faAnyFile & ~kGuarded);
    auto out = files.Open(dst, platform::OpenMode::Write);
    if (!out) return false;
    // From here a failure leaves no half file behind.
    auto fail = [&] {
        out->Close();
        in->Close();
        files.RemoveFile(dst);
        return false;
    };
    int64_t n;
    do {
        n = in->Read(buffer_.data(), buffer_.size());
        if (n < 0) return fail();
        if (n > 0 && out->Write(buffer_.data(), static_cast<size_t>(n)) != n) return fail();
        Advance(static_cast<int32_t>(n));
        if (!FreeDisplayOff) progress.Free(FreeBytes(drive));
    } while (n != 0);
    platform::FileTime stamp = 0;
    const bool stamped = files.GetFileStamp(src, stamp);
    in->Close();
    if (!out->Close()) {
        files.RemoveFile(dst);
        return false;
    }
    if (stamped) files.SetFileStamp(dst, stamp);
    return true;
}

std::string CopyEngine::FolderNotMade(const std::string& folder) {
    const int error = platform.files.LastError();
    const std::string why = error == 183 ? "dort liegt schon eine Datei dieses Namens"
                            : error == 19 ? "das Laufwerk ist schreibgeschützt"
                            : error == 5  ? "der Zugriff ist nicht erlaubt"
                            : error == 3  ? "der Weg dorthin fehlt"
                                          : "Windows meldet den Fehler " + NumStr(error);
    return "Der Zielordner " + BackslashPath(folder, false) + " kann nicht angelegt werden, denn " + why + ".";
}

bool CopyEngine::ZipAll(const CopyPlan& plan, ZipArchive& zip) {
    // Without its folder no archive can be written (a file of that name, say).
    if (plan.target.size() > 3 && !ForcePath(plan.target)) {
        progress.Error(FolderNotMade(plan.target));
        return false;
    }
    // List lines without their leading "\" are names relative to it.
    platform.files.SetCurrentDir(plan.sourceFolder);
    const std::string archive = plan.target + "zantorik.zip";
    zip.SetZipFileName(archive);
    // Naming it reads the file there; one that is no archive has been told
    // and leaves no name, so an add would only report a name missing.
    if (zip.ZipFileName().empty()) return false;
    progress.Status("Dateien werden gezippt...");
    done_ = 0;
    left_ = plan.total;
    progress.Begin("Noch zu Zippen", plan.total);
    std::vector<std::string> added;
    for (const ListedFile& file : plan.files) {
        // A folder named like a game file: its files have lines of their own.
        if (file.folder) continue;
        const std::string name = file.line.substr(1);
        zip.SetFSpecArgs({name});
        // Like the copy, the run ends at the first file that did not go in.
        if (!zip.AddFiles()) return false;
        added.push_back(UpperCaseDE(name));
        Advance(static_cast<int32_t>(std::min<uint64_t>(file.size, 2147483647)));
        progress.Free(FreeBytes(plan.drive));
    }
    // The archive must be there and read back with every file in it.
    if (!platform.files.FileExists(archive)) return false;
    std::set<std::string> entries;
    for (const std::string& e : zip.Entries()) entries.insert(UpperCaseDE(e));
    return std::all_of(added.begin(), added.end(), [&](const std::string& n) { return entries.count(n) > 0; });
}

bool CopyEngine::ForcePath(const std::string& path) {
    const size_t last = path.rfind('\\');
    const size_t first = path.find('\\');
    if (last == std::string::npos) return true;
    for (size_t at = path.find('\\', first + 1); at != std::string::npos && at <= last; at = path.find('\\', at + 1)) {
        const std::string folder = path.substr(0, at);
        if (!platform.files.DirExists(folder) && !platform.files.CreateDir(folder)) return false;
    }
    return true;
}

}  // namespace zk
