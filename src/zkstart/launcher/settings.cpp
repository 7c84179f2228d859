// The options store: HKEY_CURRENT_USER\Software\Orvandel\Zantorik, every
// value a REG_SZ text, used the way an INI file's section is.
#include <algorithm>

#include "common/error.h"
#include "common/text.h"
#include "launcher/Unit1.h"

namespace zk {

namespace {
const char kParentKey[] = "Software\\Orvandel";
const char kSection[] = "Zantorik";
const std::string kKey = std::string(kParentKey) + "\\" + kSection;

// The flags in the order in which they are written and read.
struct Flag {
    const char* name;
    bool StartOptions::*field;
};
const Flag kFlags[] = {
    {"xFast", &StartOptions::fast},        {"xFair", &StartOptions::fair},
    {"xNoFC", &StartOptions::slowRobots},  {"xNoTic", &StartOptions::noTicks},
    {"xNieCD", &StartOptions::cdOff},      {"xNoCD", &StartOptions::cdStandBy},
    {"xNoTxt", &StartOptions::noThemes},   {"xTI", &StartOptions::analysisTrack},
    {"xTG", &StartOptions::gameTrack},     {"xP", &StartOptions::speedPreset},
};

// Another registry type than REG_SZ counts as missing.
int32_t ReadInteger(platform::Registry& reg, const char* name, int32_t def) {
    platform::StringRead r = reg.ReadString(kKey, name);
    return r.status == platform::ReadStatus::Present ? StrToIntDef(r.value, def) : def;
}

// A track number the two-character field cannot hold counts as missing too;
// 0 ("aus") and -9 to -1 are the field's own.
int32_t ReadTrack(platform::Registry& reg, const char* name, int32_t def) {
    const int32_t track = ReadInteger(reg, name, def);
    return track >= -9 && track <= 99 ? track : def;
}
}  // namespace

bool LoadOptions(platform::Registry& reg, StartOptions& options) {
    reg.CreateKey(kParentKey);
    if (!reg.KeyExists(kKey)) return false;
    platform::StringRead path = reg.ReadString(kKey, "zkPfad");
    options.gameFolder = path.status == platform::ReadStatus::Present ? path.value : std::string();
    for (const Flag& f : kFlags) options.*f.field = ReadInteger(reg, f.name, 0) != 0;
    options.trackTI = ReadTrack(reg, "CD_I", 2);
    options.trackTG = ReadTrack(reg, "CD_G", 3);
    // The speed bar's range.
    options.speed = std::clamp(ReadInteger(reg, "Speed", 50), 1, 99);
    return true;
}

void StoreOptions(platform::Registry& reg, const StartOptions& options) {
    reg.CreateKey(kParentKey);
    auto write = [&](const char* name, const std::string& text) {
        if (!reg.CreateKey(kKey)) throw Error(std::string("Erzeugung von Schlüssel ") + kSection + " misslungen");
        if (!reg.WriteString(kKey, name, text))
            throw Error(std::string("Fehler beim Setzen der Daten für '") + name + "'");
    };
    write("zkPfad", options.gameFolder);
    for (const Flag& f : kFlags) write(f.name, options.*f.field ? "1" : "0");
    write("CD_I", NumStr(options.trackTI));
    write("CD_G", NumStr(options.trackTG));
    write("Speed", NumStr(options.speed));
}

bool TFormStart::RegSettings(uint8_t mode) {
    if (mode == kSaveOptions) {
        StoreOptions(platform.registry, Options());
        return true;
    }
    if (mode != kLoadOptions) return false;
    StartOptions options = Options();
    if (!LoadOptions(platform.registry, options)) return false;
    ShowOptions(options);
    return true;
}

}  // namespace zk
