// The game's command line and its start.
#include <cstring>

#include "common/error.h"
#include "common/text.h"
#include "launcher/Unit1.h"
#include "launcher/dosbox.h"

namespace zk {

namespace {
// WinExec's results up to this one are errors.
constexpr unsigned kLastExecError = 31;

const char kNoDosBoxText[] =
    "Dieses Windows kann DOS-Programme wie ZANTORIK nicht selbst starten.\n\r"
    "Das kostenlose Programm DOSBox (www.dosbox.com) kann es: Installiere es und starte ZANTORIK noch einmal.\n\n\r"
    "Ist DOSBox schon installiert, dann zeige mit \"DOSBox suchen…\" auf die Datei DOSBox.exe.";
}  // namespace

bool PifFound(platform::FileSystem& fs, const std::string& folder, const std::string& pifName) {
    const std::string remembered = fs.CurrentDir();
    if (!fs.SetCurrentDir(folder)) return false;
    // The folder ends with a backslash already; the doubled one is harmless
    // and the path is used as it stands.
    platform::FoundEntry entry;
    if (fs.FindFirst(folder + "\\" + pifName, platform::faAnyFile, entry)) return true;
    if (!fs.SetCurrentDir(remembered)) throw InOutError(fs.LastError());
    return false;
}

std::string GameArguments(const StartOptions& o) {
    std::string line;
    uint8_t mask = 0;
    if (o.slowRobots) mask += 128;
    if (o.noTicks) mask += 16;
    if (o.noThemes) mask += 32;
    if (o.speedPreset) line += "/P" + NumStr(o.speed) + " ";
    if (o.fast) mask += 1;
    if (o.fair) mask += 2;
    if (o.cdOff) {
        // CD player off: stand-by and both tracks do not apply.
        mask += 8;
    } else {
        if (o.cdStandBy) mask += 4;
        if (o.analysisTrack) line += "/TI" + NumStr(o.trackTI) + " ";
        if (o.gameTrack) line += "/TG" + NumStr(o.trackTG) + " ";
    }
    if (!o.params.empty()) line += o.params + " ";
    return line + "/B" + NumStr(mask);
}

bool PlainDosPath(const std::string& path) {
    for (unsigned char c : path)
        if (c <= ' ' || c >= 0x80 || std::strchr("+,;=[]", c)) return false;
    for (size_t start = 0; start <= path.size();) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        const std::string name = path.substr(start, end - start);
        const size_t dot = name.find('.');
        if (dot == std::string::npos ? name.size() > 8
                                     : dot > 8 || name.size() - dot > 4 || name.find('.', dot + 1) != std::string::npos)
            return false;
        start = end + 1;
    }
    return true;
}

std::string DosFolder(const std::string& folder, const std::string& shortForm) {
    if (PlainDosPath(folder) || shortForm.empty()) return folder;
    const std::string dos = BackslashPath(shortForm, true);
    // Where 8.3 names are switched off the "short" form is the long one.
    return PlainDosPath(dos) ? dos : folder;
}

// Passed whole, however long: a cut line would lose the final /B token.
// The .pif's path takes the short folder too: unquoted blanks would leave
// the system guessing which part names the program.
std::string BuildCommandLine(const std::string& folder, const std::string& pifName, const std::string& arguments,
                             const std::string& shortFolder) {
    const std::string dos = DosFolder(folder, shortFolder);
    return dos + "\\" + pifName + " " + dos + " " + arguments;
}

void TFormStart::StartInDosBox(const std::string& folder, const std::string& arguments, bool withCd) {
    std::string dosbox = FindDosBox(platform);
    if (dosbox.empty()) {
        if (ui::MessageDlg(platform, kNoDosBoxText, platform::DlgType::Information,
                           {platform::DlgButton::OK, platform::DlgButton::Cancel}, 0,
                           {"DOSBox suchen…", "Abbrechen"}) != platform::mrOk)
            return;
        std::vector<std::string> programFiles = platform.files.ProgramFilesFolders();
        platform::OpenFileRequest request{"DOSBox suchen",
                                          {{"DOSBox (DOSBox.exe)", "DOSBox.exe;dosbox-x.exe"}, {"Programme", "*.exe"}},
                                          programFiles.empty() ? std::string() : programFiles.front()};
        if (!platform.fileDialogs.OpenFile(request, dosbox)) return;
        // Not kept (a registry that refuses): the game starts all the same,
        // and the next start asks again.
        StoreDosBox(platform.registry, dosbox);
    }
    // Inside DOSBox the game's folder is drive C:, and the game is told so.
    DosBoxGame game{folder, "ZANTORIK.EXE", "C:\\ " + arguments};
    if (withCd) FindGameCd(platform, game);
    if (platform.process.WinExec(DosBoxCommandLine(dosbox, game), platform::SW_SHOWNORMAL_) > kLastExecError) return;
    ui::MessageDlg(platform,
                   "DOSBox konnte nicht gestartet werden.\n\rWindows hat das Programm\n\r" + dosbox +
                       "\n\rnicht ausgeführt. Installiere DOSBox neu oder wähle ein anderes aus.",
                   platform::DlgType::Error, {platform::DlgButton::OK}, 0);
}

void TFormStart::zk_runClick() {
    const std::string folder = ProgramFolder();
    if (PifFound(platform.files, folder, "zantorik.pif")) {
        const StartOptions options = Options();
        const std::string arguments = GameArguments(options);
        const std::string commandLine =
            BuildCommandLine(folder, "zantorik.pif", arguments, platform.files.ShortPathName(folder));
        // Refused (no DOS on 64-bit Windows): DOSBox steps in.
        if (platform.process.WinExec(commandLine, platform::SW_SHOWNORMAL_) <= kLastExecError)
            StartInDosBox(folder, arguments, !options.cdOff);
        return;
    }
    ui::MessageDlg(platform,
                   "ZANTORIK nicht gefunden.\n\rVersuche herauszufinden, in welchem Ordner ZANTORIK gespeichert "
                   "wurde.\n\n\rDanach gib den kompletten Pfad mit Laufwerksbuchstaben bei \"Programm-Pfad\" "
                   "ein\n\n\rBeispiel: D:\\GAMES\\ZANTORIK",
                   platform::DlgType::Error, {platform::DlgButton::OK, platform::DlgButton::Help}, 77);
}

}  // namespace zk
