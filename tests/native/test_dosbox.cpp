// The game through DOSBox when Windows refuses zantorik.pif.
#include "fixture.h"
#include "launcher/dosbox.h"

namespace zk::test {

TEST(DosBoxCommandLine, MountsStartsAndEnds) {
    const std::string box = "C:\\Program Files\\DOSBox-0.74\\DOSBox.exe", q = "\"" + box + "\" -c \"MOUNT C \\\"";
    const std::string run = " -c \"C:\" -c \"ZANTORIK.EXE C:\\ ";
    struct { DosBoxGame game; std::string line; } rows[] = {
        {{"D:\\Meine Spiele\\Für Jörg\\", "ZANTORIK.EXE", "C:\\ /TI2 /B4", 'E'},
         q + "D:\\Meine Spiele\\Für Jörg\\\"\" -c \"MOUNT D E:\\ -t cdrom\"" + run + "/TI2 /B4\" -c \"EXIT\""},
        {{"C:\\Z\\", "ZANTORIK.EXE", "C:\\ /N\"Anna B\" /D\"A:\\\" /B0", 0},
         q + "C:\\Z\\\"\"" + run + "/N\\\"Anna B\\\" /D\\\"A:\\\\\\\" /B0\" -c \"EXIT\""},
        // The backslash before the closing quote is doubled, or it would escape it.
        {{"D:\\", "ZANTORIK.EXE", "C:\\ / /B0", 0}, q + "D:\\\\\\\"\"" + run + "/ /B0\" -c \"EXIT\""},
        // An image instead of the drive, quoted as the folder is.
        {{"C:\\Z\\", "ZANTORIK.EXE", "C:\\ /B0", 'E', "D:\\Für Jörg\\Zan Torik.cue"},
         q + "C:\\Z\\\"\" -c \"IMGMOUNT D \\\"D:\\Für Jörg\\Zan Torik.cue\\\" -t iso\"" + run + "/B0\" -c \"EXIT\""},
    };
    for (const auto& r : rows) EXPECT_EQ(DosBoxCommandLine(box, r.game), r.line) << r.game.folder;
    EXPECT_EQ(QuotedArgument("C:\\A\\\\"), "\"C:\\A\\\\\\\\\"");  // trailing backslashes doubled too
}

// DOSBox, then D: for the music. "f"iles (in the game's folder unless a path; "=" before their content), the
// "s"tored DOSBox, the "u"ser's or the "m"achine's App Paths, "c"d-rom drives, the stored CD "i"mage.
TEST(DosBoxSearch, FirstExistingWinsInOrder) {
    const std::string pf = "fC:\\Program Files\\", x86 = "fC:\\Program Files (x86)\\", v = "DOSBox-0.74\\DOSBox.exe";
    const std::string g = "C:\\SPIELE\\ZANTORIK\\", G = "f" + g, cue = "fzantorik.cue=FILE \"ZANTORIK.BIN\" BINARY\r\n";
    const std::string multi = "fb.cue=REM\n\tfile \"Track 1.bin\" BINARY\nFILE Track2.bin WAVE\n", img = "fD:\\Images\\Z";
    struct { std::vector<std::string> set; std::string found; } rows[] = {
        {{}, ""},
        {{x86 + v, pf + "DOSBox Staging\\dosbox.exe"}, pf + "DOSBox Staging\\DOSBox.exe"},  // 64-bit first
        {{x86 + v, x86 + "DOSBox-0.74-3\\DOSBox.exe"}, x86 + "DOSBox-0.74-3\\DOSBox.exe"},  // the newest
        {{pf + "DOSBox-X\\dosbox-x.exe"}, pf + "DOSBox-X\\dosbox-x.exe"},
        {{pf + "DOSBox-0.74\\README.txt", x86 + v}, x86 + v}, {{pf + "NotDOSBox\\DOSBox.exe"}, ""},
        {{pf + v, "fD:\\E\\DOSBox.exe", "m\"D:\\E\\DOSBox.exe\""}, "fD:\\E\\DOSBox.exe"},
        {{"fD:\\A\\DOSBox.exe", "mD:\\A\\DOSBox.exe", "fD:\\B\\DOSBox.exe", "uD:\\B\\DOSBox.exe"}, "fD:\\B\\DOSBox.exe"},
        {{"mD:\\W\\DOSBox.exe", x86 + v}, x86 + v},  // App Paths to nothing
        {{"fD:\\A\\DOSBox.exe", "uD:\\A\\DOSBox.exe", "fE:\\M\\dosbox.exe", "sE:\\M\\dosbox.exe"}, "fE:\\M\\dosbox.exe"},
        {{"sE:\\W\\dosbox.exe", "fD:\\A\\DOSBox.exe", "uD:\\A\\DOSBox.exe"}, "fD:\\A\\DOSBox.exe"},
        // A .cue whose files are all there, the drive, an .iso; the stored image first when it is there.
        {{"cE", "cF"}, "fE:"}, {{cue, "fzantorik.bin", "cE", "fzantorik.iso"}, G + "zantorik.cue"}, {{cue, "cE"}, "fE:"},
        {{cue, "fzantorik.iso"}, G + "zantorik.iso"}, {{multi, "fTrack 1.bin", "fa.iso"}, G + "a.iso"},
        {{multi, "fTrack 1.bin", "ftrack2.BIN"}, G + "b.cue"}, {{"fb.cue=FILE \"J\xF6rg.bin\"", "fJörg.bin"}, G + "b.cue"},
        {{"fB.cue=FILE a.bin BINARY", "fa.cue=FILE a.bin BINARY", "fA.BIN"}, G + "a.cue"},  // case ignored
        {{"fa.cue=FILE x.bin BINARY", "fB.CUE=\xEF\xBB\xBF" "FILE a.bin", "fA.BIN"}, G + "B.CUE"},
        {{"fa.cue=FILE \"D:\\CD\\Z.bin\" BINARY", "fD:\\CD\\Z.bin"}, G + "a.cue"},
        {{"fa.cue=REM\r\n", "fa.bin", "fx.iso\\y", "fz.ISO"}, G + "z.ISO"},  // no FILE line; a folder
        {{cue, "fzantorik.bin", img + ".iso", "iD:\\Images\\Z.iso"}, img + ".iso"},
        {{cue, "fzantorik.bin", "iD:\\Images\\Z.cue"}, G + "zantorik.cue"},  // stored but not there
        {{img + ".iso", "i\"D:\\Images\\Z.iso\"", "cE"}, img + ".iso"}, {{"fzantorik.iso", "izantorik.iso", "cE"}, "fE:"},
        {{img + ".cue=FILE Z.bin BINARY", img + ".bin", "iD:\\Images\\Z.cue", "cE"}, img + ".cue"},
        {{img + ".cue=FILE Y.bin BINARY", img + ".bin", "iD:\\Images\\Z.cue", "cE"}, "fE:"},
    };
    for (const auto& r : rows) {
        platform::FakePlatform f;
        platform::Platform p = f.Get();
        for (const std::string& at : r.set) {
            const std::string item = at.substr(1), name = item.substr(0, item.find('=')), appPath = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\DOSBox.exe";
            if (at[0] == 'f') f.files.AddFile(name.find(':') == 1 ? name : g + name, name == item ? "MZ" : item.substr(name.size() + 1));
            if (at[0] == 's' || at[0] == 'i') f.registry.SetValue(kOptionsKey, at[0] == 's' ? "DOSBox" : "DOSBoxCD", item);
            if (at[0] == 'u' || at[0] == 'm') f.registry.SetValue((at[0] == 'u' ? "" : "HKLM\\") + appPath, "", item);
            if (at[0] == 'c') f.files.Drive(item[0]).type = platform::DriveType::CDRom;
        }
        f.files.SetCurrentDir(g);  // as the launcher leaves it
        DosBoxGame game{g, {}, {}};
        FindGameCd(p, game);
        const std::string cd = game.cdImage + (game.cdDrive ? std::string(1, game.cdDrive) + ":" : "");
        EXPECT_EQ("f" + FindDosBox(p) + cd, r.found.empty() ? "f" : r.found) << &r - rows;
    }
}

// zantorik.pif refused, as a DOS program is on 64-bit Windows.
struct DosBoxStart : LauncherTest {
    DosBoxStart() { fake.files.AddFile(g + "zantorik.pif", "\xB8\x00\x4C\xCD\x21"); }
    void Run(std::deque<unsigned> results = {2}) { fake.process.results = results, Press(Launcher().zk_run); }
    std::string Started(size_t i) {
        const std::string& s = fake.process.started.at(i).commandLine;
        return s.substr(0, s.find(" -c \"C:\""));
    }
    const std::string box = "C:\\Program Files (x86)\\DOSBox-0.74\\DOSBox.exe", g = "C:\\SPIELE\\ZANTORIK\\", pif = g + "\\zantorik.pif";
    const std::string mount = "\" -c \"MOUNT C \\\"C:\\SPIELE\\ZANTORIK\\\"\"";
};

TEST_F(DosBoxStart, NotFoundExplainsAndTheChoiceIsStoredStartedAndKeptForTheNextStart) {
    fake.dialogs.Answer(platform::mrCancel), Run();  // Abbrechen: nothing
    fake.dialogs.Answer(platform::mrOk), fake.fileDialogs.answers = {std::nullopt}, Run();  // the file dialog cancelled
    EXPECT_EQ(Stored("DOSBox"), "<missing>");
    fake.files.AddFile("D:\\EMU\\DOSBox.exe", "MZ"), fake.fileDialogs.answers = {"D:\\EMU\\DOSBox.exe"};
    fake.dialogs.Answer(platform::mrOk), Run();
    EXPECT_EQ(fake.fileDialogs.requests.at(1).folder, "C:\\Program Files");
    Run(), Press(Launcher().bt_exit);  // next time found without asking; the exit button keeps it
    EXPECT_EQ(std::tuple(Started(5), fake.process.started.size(), fake.dialogs.shown.size()),
              std::tuple("\"D:\\EMU\\DOSBox.exe" + mount, 6u, 3u));
    EXPECT_EQ(Stored("DOSBox"), "D:\\EMU\\DOSBox.exe");
}

// Only WinExec's errors (up to 31) call for DOSBox, with the CD image (before the drive) while the music is on.
TEST_F(DosBoxStart, OnlyAnErrorOfWinExecCallsForDosBox) {
    fake.files.AddFile(box, "MZ"), fake.files.AddFile(g + "Zantorik.cue", "FILE ZANTORIK.BIN BINARY"), fake.files.AddFile(g + "zantorik.bin");
    fake.files.Drive('E').type = fake.files.Drive('F').type = platform::DriveType::CDRom;
    Run({31}), Run({32}), Launcher().cb_niecd.SetChecked(true), Run();
    std::string started;
    for (size_t i = 0; i < fake.process.started.size(); ++i) started += Started(i) + "|";
    const std::string game = pif + " C:\\SPIELE\\ZANTORIK\\ / /B";
    EXPECT_EQ(started, game + "0|\"" + box + mount + " -c \"IMGMOUNT D \\\"" + g + "Zantorik.cue\\\" -t iso\"|" + game + "0|" + game + "8|\"" + box + mount + "|");
    EXPECT_EQ(fake.process.started.at(4).commandLine, "\"" + box + mount + " -c \"C:\" -c \"ZANTORIK.EXE C:\\ / /B8\" -c \"EXIT\"");
    EXPECT_EQ(fake.process.started[1].currentDir, "C:\\SPIELE\\ZANTORIK");
    EXPECT_EQ(std::tuple(fake.dialogs.shown.size(), fake.registry.writes.size()), std::tuple(0u, 0u));
    fake.dialogs.Answer(platform::mrOk), Run({2, 11});
    EXPECT_EQ(fake.dialogs.shown.at(0).text, "DOSBox konnte nicht gestartet werden.\n\rWindows hat das Programm\n\r" + box +
                                                 "\n\rnicht ausgeführt. Installiere DOSBox neu oder wähle ein anderes aus.");
}

}  // namespace zk::test
