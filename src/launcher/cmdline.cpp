// The game's command line and its start.
#include "common/error.h"
#include "common/text.h"
#include "launcher/Unit1.h"

namespace zk {

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

bool TFormStart::BuildCommandLine(const std::string& folder, const std::string& pifName, std::string& commandLine) {
    commandLine.clear();
    uint8_t mask = 0;
    if (!PifFound(folder, pifName)) return false;

    std::string line = folder + "\\" + pifName + " " + folder + " ";
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
    line += "/B" + NumStr(mask);
    // Passed whole, however long: a cut line would lose the final /B token.
    commandLine = line;
    return true;
}

void TFormStart::zk_runClick() {
    std::string commandLine;
    if (BuildCommandLine(ProgramFolder(), "zantorik.pif", commandLine)) {
        platform.process.WinExec(commandLine, platform::SW_SHOWNORMAL_);
        return;
    }
    ui::MessageDlg(platform,
                   "ZANTORIK nicht gefunden.\n\rVersuche herauszufinden, in welchem Ordner ZANTORIK gespeichert "
                   "wurde.\n\n\rDanach gib den kompletten Pfad mit Laufwerksbuchstaben bei \"Programm-Pfad\" "
                   "ein\n\n\rBeispiel: D:\\GAMES\\ZANTORIK",
                   platform::DlgType::Error, {platform::DlgButton::OK, platform::DlgButton::Help}, 77);
}

}  // namespace zk
