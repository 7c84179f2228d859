// The game's command line and its start.
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

bool TFormStart::PifFound(const std::string& folder, const std::string& pifName) {
    platform::FileSystem& fs = platform.files;
    const std::string remembered = fs.CurrentDir();
    if (!fs.SetCurrentDir(folder)) return false;
    // The folder ends with a backslash already; the doubled one is harmless
    // and the path is used as it stands.
    platform::FoundEntry entry;
    if (fs.FindFirst(folder + "\\" + pifName, platform::faAnyFile, entry)) return true;
    if (!fs.SetCurrentDir(remembered)) throw InOutError(fs.LastError());
    return false;
}

std::string TFormStart::GameArguments() {
    std::string line;
    uint8_t mask = 0;
    if (cb_nofc.Checked()) mask += 128;
    if (cb_notic.Checked()) mask += 16;
    if (cb_notxt.Checked()) mask += 32;
    if (cb_ppp.Checked()) line += "/P" + NumStr(roll_ppp.Position()) + " ";
    if (cb_fast.Checked()) mask += 1;
    if (cb_fair.Checked()) mask += 2;
    if (cb_niecd.Checked()) {
        // CD player off: stand-by and both tracks do not apply.
        mask += 8;
    } else {
        if (cb_nocd.Checked()) mask += 4;
        if (cb_ti.Checked()) line += "/TI" + NumStr(trackTI_) + " ";
        if (cd_tg.Checked()) line += "/TG" + NumStr(trackTG_) + " ";
    }
    if (!ed_param.Text().empty()) line += ed_param.Text() + " ";
    return line + "/B" + NumStr(mask);
}

bool TFormStart::BuildCommandLine(const std::string& folder, const std::string& pifName, std::string& commandLine) {
    commandLine.clear();
    if (!PifFound(folder, pifName)) return false;
    // Passed whole, however long: a cut line would lose the final /B token.
    commandLine = folder + "\\" + pifName + " " + folder + " " + GameArguments();
    return true;
}

void TFormStart::StartInDosBox(const std::string& folder) {
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
    DosBoxGame game{folder, "ZANTORIK.EXE", "C:\\ " + GameArguments(),
                    cb_niecd.Checked() ? '\0' : FirstCdDrive(platform.files)};
    if (platform.process.WinExec(DosBoxCommandLine(dosbox, game), platform::SW_SHOWNORMAL_) > kLastExecError) return;
    ui::MessageDlg(platform,
                   "DOSBox konnte nicht gestartet werden.\n\rWindows hat das Programm\n\r" + dosbox +
                       "\n\rnicht ausgeführt. Installiere DOSBox neu oder wähle ein anderes aus.",
                   platform::DlgType::Error, {platform::DlgButton::OK}, 0);
}

void TFormStart::zk_runClick() {
    std::string commandLine;
    const std::string folder = ProgramFolder();
    if (BuildCommandLine(folder, "zantorik.pif", commandLine)) {
        // Refused (no DOS on 64-bit Windows): DOSBox steps in.
        if (platform.process.WinExec(commandLine, platform::SW_SHOWNORMAL_) <= kLastExecError) StartInDosBox(folder);
        return;
    }
    ui::MessageDlg(platform,
                   "ZANTORIK nicht gefunden.\n\rVersuche herauszufinden, in welchem Ordner ZANTORIK gespeichert "
                   "wurde.\n\n\rDanach gib den kompletten Pfad mit Laufwerksbuchstaben bei \"Programm-Pfad\" "
                   "ein\n\n\rBeispiel: D:\\GAMES\\ZANTORIK",
                   platform::DlgType::Error, {platform::DlgButton::OK, platform::DlgButton::Help}, 77);
}

}  // namespace zk
