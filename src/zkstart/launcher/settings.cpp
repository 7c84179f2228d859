// The options store: HKEY_CURRENT_USER\Software\Orvandel\Zantorik, every
// value a REG_SZ text, used the way an INI file's section is.
#include "common/error.h"
#include "common/text.h"
#include "launcher/Unit1.h"

namespace zk {

namespace {
const char kParentKey[] = "Software\\Orvandel";
const char kSection[] = "Zantorik";
const std::string kKey = std::string(kParentKey) + "\\" + kSection;

// Another registry type than REG_SZ counts as missing.
int32_t ReadInteger(platform::Registry& reg, const char* name, int32_t def) {
    platform::StringRead r = reg.ReadString(kKey, name);
    return r.status == platform::ReadStatus::Present ? StrToIntDef(r.value, def) : def;
}

// A track number outside the field's 1 to 99 counts as missing too.
int32_t ReadTrack(platform::Registry& reg, const char* name, int32_t def) {
    const int32_t track = ReadInteger(reg, name, def);
    return track >= 1 && track <= 99 ? track : def;
}
}  // namespace

bool TFormStart::RegSettings(uint8_t mode) {
    if (mode > 1) return false;
    platform::Registry& reg = platform.registry;
    reg.CreateKey(kParentKey);

    ui::CheckBox* const flags[] = {&cb_fast, &cb_fair, &cb_nofc, &cb_notic, &cb_niecd,
                                   &cb_nocd, &cb_notxt, &cb_ti, &cd_tg, &cb_ppp};
    const char* const flagNames[] = {"xFast", "xFair", "xNoFC", "xNoTic", "xNieCD",
                                     "xNoCD", "xNoTxt", "xTI", "xTG", "xP"};

    if (mode == 0) {
        auto write = [&](const char* name, const std::string& text) {
            if (!reg.CreateKey(kKey)) throw Error(std::string("Erzeugung von Schlüssel ") + kSection + " misslungen");
            if (!reg.WriteString(kKey, name, text))
                throw Error(std::string("Fehler beim Setzen der Daten für '") + name + "'");
        };
        write("zkPfad", ed_zkpfad.Text());
        for (size_t i = 0; i < std::size(flags); ++i) write(flagNames[i], flags[i]->Checked() ? "1" : "0");
        write("CD_I", NumStr(trackTI_));
        write("CD_G", NumStr(trackTG_));
        write("Speed", NumStr(roll_ppp.Position()));
        return true;
    }

    if (!reg.KeyExists(kKey)) return false;
    // Each control is set before the next value is read, so the click
    // handlers apply the enabling rules in the order of the values.
    platform::StringRead path = reg.ReadString(kKey, "zkPfad");
    ed_zkpfad.SetText(path.status == platform::ReadStatus::Present ? path.value : std::string());
    for (size_t i = 0; i < std::size(flags); ++i) flags[i]->SetChecked(ReadInteger(reg, flagNames[i], 0) != 0);
    trackTI_ = ReadTrack(reg, "CD_I", 2);
    ed_ti.SetText(NumStr(trackTI_));
    trackTG_ = ReadTrack(reg, "CD_G", 3);
    ed_tg.SetText(NumStr(trackTG_));
    roll_ppp.SetPosition(ReadInteger(reg, "Speed", 50));
    roll_ppp.SetHint(NumStr(roll_ppp.Position()) + "%");
    return true;
}

}  // namespace zk
