// The game's start options as one value: what the launcher's controls show,
// what the registry keeps and what the game's command line is made of.
#pragma once
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace zk {

struct StartOptions {
    std::string gameFolder = "D:\\GAMES\\ZANTORIK";  // zkPfad
    bool fast = false;           // xFast, "Schneller Start"
    bool fair = false;           // xFair, "Fairplay-Modus"
    bool slowRobots = false;     // xNoFC, "langsame Roboter"
    bool noTicks = false;        // xNoTic, "keine Analyse-Ticks"
    bool cdOff = false;          // xNieCD, "Abgeschaltet"
    bool cdStandBy = false;      // xNoCD, "Stand By"
    bool noThemes = false;       // xNoTxt, "keine Themenwahl"
    bool analysisTrack = false;  // xTI, "Analyse-Track"
    bool gameTrack = false;      // xTG, "Spiel-Track"
    bool speedPreset = false;    // xP, "Voreinstellung Spielgeschwindigkeit in %"
    int32_t trackTI = 2;         // CD_I
    int32_t trackTG = 3;         // CD_G
    int32_t speed = 50;          // Speed, 1..99
    std::string params = "/";    // the free start parameters; never stored
};

// The store: HKEY_CURRENT_USER\Software\Orvandel\Zantorik. Loading gives
// false and leaves the options alone when nothing was ever stored; every
// value missing or unreadable takes its default. Storing raises zk::Error
// when the key cannot be made, with the values written so far kept.
bool LoadOptions(platform::Registry& registry, StartOptions& options);
void StoreOptions(platform::Registry& registry, const StartOptions& options);

// The options as the game's parameters after its folder: "/P70 /TI2 /X /B5".
std::string GameArguments(const StartOptions& options);

// Whether a DOS program can take the path as it stands: ASCII without
// blanks and without + , ; = [ ], every name at most 8.3 with one dot.
bool PlainDosPath(const std::string& path);

// The folder as the game gets it, with its trailing backslash: as it stands
// when plain, else its short form (as the platform gave it, "" for none)
// when that one is plain, else as it stands.
std::string DosFolder(const std::string& folder, const std::string& shortForm);

// The whole command line for the .pif in the program folder (which ends
// with a backslash): the .pif's path, the folder, the game's parameters
// (GameArguments). Both paths take the folder as DosFolder gives it.
std::string BuildCommandLine(const std::string& folder, const std::string& pifName, const std::string& arguments,
                             const std::string& shortFolder);

// Whether the .pif (of any kind, a folder too) lies in the folder; when it
// does, the folder is left current, as the started game inherits it.
// Raises zk::InOutError when the old current folder cannot be restored.
bool PifFound(platform::FileSystem& files, const std::string& folder, const std::string& pifName);

}  // namespace zk
