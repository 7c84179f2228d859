// The game through DOSBox: 64-bit Windows has no DOS subsystem and refuses
// zantorik.pif, so the launcher starts the game in the emulator instead.
#pragma once
#include <string>

#include "platform/platform.h"

namespace zk {

// The launcher's own values: the player's choice of DOSBox, and a CD image
// kept outside the game's folder.
extern const char kDosBoxValue[];
extern const char kDosBoxCdValue[];

// What DOSBox is to run.
struct DosBoxGame {
    std::string folder;        // the game's folder, mounted as C:
    std::string program;       // the game's program there: "ZANTORIK.EXE"
    std::string arguments;     // its command line after the program's name
    char cdDrive = 0;          // the CD-ROM drive mounted as D: for the music; 0: none
    std::string cdImage = {};  // or the disc's image (.cue, .iso), mounted as D: instead
};

// DOSBox's command line: the folder as C:, the CD as D:, the program
// started on C: and DOSBox ending with it, one -c per DOS command.
std::string DosBoxCommandLine(const std::string& dosbox, const DosBoxGame& game);

// One argument in double quotes, as Windows programs split their command
// lines: quotes escaped, and the backslashes that stand before one doubled.
std::string QuotedArgument(const std::string& text);

// The first existing one of: the stored choice, the path registered under
// App Paths (the user's, then the machine's), a DOSBox install folder under
// the program-files folders; "" when there is none.
std::string FindDosBox(platform::Platform& platform);

// Keeps the player's choice for the next start; false when it cannot.
bool StoreDosBox(platform::Registry& registry, const std::string& path);

// The letter of the first CD-ROM drive; 0 when there is none.
char FirstCdDrive(platform::FileSystem& files);

// What DOSBox mounts as D: for the game's CD, the first there is of: the
// image stored as DOSBoxCD (an absolute path), a .cue sheet in the game's
// folder (the first by name, any case) whose track files are there, for the
// music; the first CD-ROM drive; an .iso in the game's folder (data only).
// Sets game.cdImage or game.cdDrive, or neither.
void FindGameCd(platform::Platform& platform, DosBoxGame& game);

}  // namespace zk
