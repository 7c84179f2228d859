#include "setup/copyengine.h"

#include <algorithm>

#include "common/text.h"
#include "setup/filelist.h"

namespace zk {

using platform::DlgButton;
using platform::DlgType;

namespace {
std::string Quoted(const char* word) { return std::string("\"") + word + "\""; }

// A folder and a list line that begins with "\".
std::string Join(const std::string& folder, const std::string& line) {
    return BackslashPath(folder, false) + (BackslashPath(folder, false).back() == '\\' ? line.substr(1) : line);
}

char UpperLetter(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

void Show(ui::Label& label, int32_t tag) {
    label.SetTag(tag);
    label.SetCaption(DottedNumber(tag));
    label.Repaint();
}
}  // namespace

int NormalizePath(std::string& path) {
    int result = 0;
    std::string p = TrimBlanks(path);
    std::replace(p.begin(), p.end(), '/', '\\');
    for (size_t at; (at = p.find("\\\\")) != std::string::npos;) p.erase(at, 1);
    if (p.size() >= 2 && p[1] == ':' && (p.size() == 2 || p[2] != '\\')) p.insert(2, "\\");
    if (p.size() < 2 || p[1] != ':') result = -1;
    int count = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(p[i]);
        if ((c & 0xC0) == 0x80) continue;  // the tail of one character
        if (c == '.' || c == '\\') {
            count = 0;
        } else if (++count > 8) {
            result = -2;
            break;
        }
    }
    path = p;
    return result;
}

void CopyEngine::Reset(const std::string& programFolder) {
    Source = programFolder;
    Target = "C:\\";
    Total = 0;
    view.txbyte2copy.SetCaption("?");
    view.txHDrest.SetCaption("?");
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

bool CopyEngine::PrepareCopy(int32_t& bytes, int32_t& free) {
    platform::QuietDriveErrors quiet(platform.files);
    Target = BackslashPath(Target, true);
    Source = BackslashPath(Source, true);
    const int targetCode = NormalizePath(Target);
    const int sourceCode = NormalizePath(Source);
    // Without a drive letter nothing below can work; long names do no harm.
    if (sourceCode == -1 || targetCode == -1) return !ReportSetupError(-1);

    // The copy would land on its own source. The folders as the system
    // resolves them, so that "." or ".." spell no other place; built with the
    // slash rule, so that a drive root as target is caught too.
    const std::string s = UpperCaseDE(BackslashPath(Resolved(Source), false));
    const std::string t = UpperCaseDE(BackslashPath(Resolved(Target), false));
    if (s == t || s == BackslashPath(t, true) + "ZANTORIK") return !ReportSetupError(-99);

    if (ReportSetupError(CheckTargetDrive())) return false;
    if (ReportSetupError(CheckSourceFolder())) return false;
    int32_t total = 0, measured = 0;
    if (ReportSetupError(ScanAndMeasure(total, measured))) return false;
    DestFolder = BackslashPath(Target, true) + "ZANTORIK";
    bytes = total;
    free = measured;
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
    ui::MessageDlg(platform, ErrorText, DlgType::Error, {DlgButton::Abort}, 0);
    switch (code) {
        case 1: case 3: case -1: case -10: case -99: view.Edit1.SetFocus(); break;
        case 4: case -11: case -14: view.Edit2.SetFocus(); break;
        default: break;
    }
    return true;
}

int CopyEngine::CheckTargetDrive() {
    const std::string root = BackslashPath(Target.substr(0, 2), true);
    if (!platform.files.SetCurrentDir(root)) {
        // The answer does not matter: the user has had the chance to put a disk in.
        const char letter = UpperLetter(Target.empty() ? ' ' : Target[0]);
        ui::MessageDlg(platform,
                       letter == 'A' || letter == 'B' ? "Diskette einlegen!!"
                                                      : "Ziel-Laufwerk unbekannt oder nicht bereit!",
                       DlgType::Warning, {DlgButton::OK, DlgButton::Cancel}, 0);
    }
    const std::string probe = root + "_-_";
    if (!platform.files.CreateDir(probe)) return -14;
    if (!platform.files.RemoveDir(probe)) return -14;
    return 0;
}

int CopyEngine::CheckSourceFolder() {
    if (!platform.files.SetCurrentDir(Source)) return -10;
    if (platform.files.FileExists(BackslashPath(Source, true) + "ZANTORIK.EXE")) {
        SourceFolder = Source;
    } else if (platform.files.FileExists(BackslashPath(Source, true) + "ZANTORIK\\ZANTORIK.EXE")) {
        SourceFolder = BackslashPath(Source, true) + "ZANTORIK";
    } else {
        return -10;
    }
    return 0;
}

int CopyEngine::ScanAndMeasure(int32_t& total, int32_t& free) {
    if (Target.size() < 3 || !platform.files.DirExists(Target.substr(0, 3))) return -14;
    free = FreeBytes(Target[0]);
    Free = free;
    // Never the whole drive.
    if (SourceFolder.size() <= 3) {
        SourceFolder = BackslashPath(SourceFolder.substr(0, 2), true) + "ZANTORIK";
        if (!platform.files.DirExists(SourceFolder)) return -10;
    }
    std::vector<std::string> list;
    total = ListSourceFiles(platform.files, SourceFolder, kGamePattern, list);
    Total = total;
    view.Filebox.SetLines(std::move(list));
    return free > total ? 0 : -11;
}

bool CopyEngine::CopyAll(ui::Label& statusLabel) {
    platform::QuietDriveErrors quiet(platform.files);
    view.Label3.SetCaption("Noch zu Kopieren");
    const std::vector<std::string> lines = view.Filebox.Lines();
    int code = 0;
    for (const std::string& line : lines) {
        code = CopyListedFile(statusLabel, SourceFolder, DestFolder, line);
        if (code != 0) break;
    }
    return code == 0;
}

int CopyEngine::CopyListedFile(ui::Label& statusLabel, const std::string& sourceDir, const std::string& destDir,
                               const std::string& line) {
    statusLabel.SetCaption(DescribeFile(line));
    statusLabel.Repaint();
    // A folder named like a game file: its files have lines of their own.
    if (platform.files.DirExists(Join(sourceDir, line))) return ForcePath(Join(destDir, line) + "\\") ? 0 : 5;
    const char drive = UpperLetter(Target.empty() ? ' ' : Target[0]);
    const int32_t before = FreeBytes(drive);
    if (!CopyFileWithProgress(Join(sourceDir, line), Join(destDir, line), view.txbyte2copy, view.txHDrest,
                              view.Gauge1, FreeDisplayOff))
        return 5;
    const int32_t after = FreeBytes(drive);
    // A drive whose free count does not move is not asked again this run.
    if (after == before) FreeDisplayOff = true;
    if (FreeDisplayOff) {
        view.txHDrest.SetCaption("Aktualisieren");
        view.txHDrest.Repaint();
    } else {
        Show(view.txHDrest, after);
    }
    return 0;
}

bool CopyEngine::CopyFileWithProgress(const std::string& src, const std::string& dst, ui::Label& bytes2CopyLabel,
                                      ui::Label& freeLabel, ui::Gauge& gauge, bool freeDisplayOff) {
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
    const char drive = UpperLetter(dst[0]);
    int64_t n;
    do {
        n = in->Read(buffer_.data(), buffer_.size());
        if (n < 0) return fail();
        if (n > 0 && out->Write(buffer_.data(), static_cast<size_t>(n)) != n) return fail();
        const int32_t step = static_cast<int32_t>(n);
        gauge.AddProgress(step);
        gauge.Repaint();
        Show(bytes2CopyLabel, bytes2CopyLabel.Tag() - step);
        if (!freeDisplayOff) Show(freeLabel, FreeBytes(drive));
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
