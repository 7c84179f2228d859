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
    };
    for (const auto& r : rows) EXPECT_EQ(DosBoxCommandLine(box, r.game), r.line) << r.game.folder;
    EXPECT_EQ(QuotedArgument("C:\\A\\\\"), "\"C:\\A\\\\\\\\\"");  // trailing backslashes doubled too
}

TEST(DosBoxSearch, FirstExistingFileWinsInOrder) {
    const std::string pf = "fC:\\Program Files\\", x86 = "fC:\\Program Files (x86)\\", v = "DOSBox-0.74\\DOSBox.exe";
    // "f"ile that exists, the "s"tored choice, the "u"ser's or the "m"achine's App Paths.
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
    };
    for (const auto& r : rows) {
        platform::FakePlatform f;
        platform::Platform p = f.Get();
        for (const std::string& at : r.set) {
            const std::string path = at.substr(1), appPath = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\DOSBox.exe";
            if (at[0] == 'f') f.files.AddFile(path, "MZ");
            if (at[0] == 's') f.registry.SetValue(kOptionsKey, "DOSBox", path);
            if (at[0] == 'u' || at[0] == 'm') f.registry.SetValue((at[0] == 'u' ? "" : "HKLM\\") + appPath, "", path);
        }
        EXPECT_EQ("f" + FindDosBox(p), r.found.empty() ? "f" : r.found);
    }
}

// zantorik.pif refused, as a DOS program is on 64-bit Windows.
struct DosBoxStart : LauncherTest {
    DosBoxStart() { fake.files.AddFile("C:\\SPIELE\\ZANTORIK\\zantorik.pif", "\xB8\x00\x4C\xCD\x21"); }
    void Run(std::deque<unsigned> results = {2}) {
        fake.process.results = results;
        Press(Launcher().zk_run);
    }
    std::string Started(size_t i) {
        const std::string& s = fake.process.started.at(i).commandLine;
        return s.substr(0, s.find(" -c \"C:\""));
    }
    const std::string box = "C:\\Program Files (x86)\\DOSBox-0.74\\DOSBox.exe", pif = "C:\\SPIELE\\ZANTORIK\\\\zantorik.pif";
    const std::string mount = "\" -c \"MOUNT C \\\"C:\\SPIELE\\ZANTORIK\\\"\"";
};

TEST_F(DosBoxStart, NotFoundExplainsAndTheChoiceIsStoredStartedAndKeptForTheNextStart) {
    fake.dialogs.Answer(platform::mrCancel);  // Abbrechen: nothing
    Run();
    fake.dialogs.Answer(platform::mrOk);
    fake.fileDialogs.answers = {std::nullopt};  // the file dialog cancelled: nothing
    Run();
    EXPECT_EQ(Stored("DOSBox"), "<missing>");
    fake.dialogs.Answer(platform::mrOk);
    fake.files.AddFile("D:\\EMU\\DOSBox.exe", "MZ");
    fake.fileDialogs.answers = {"D:\\EMU\\DOSBox.exe"};
    Run();
    EXPECT_EQ(fake.fileDialogs.requests.at(1).folder, "C:\\Program Files");
    Run();  // next time found without asking; the exit button keeps it
    Press(Launcher().bt_exit);
    EXPECT_EQ(std::tuple(Started(5), fake.process.started.size(), fake.dialogs.shown.size()),
              std::tuple("\"D:\\EMU\\DOSBox.exe" + mount, 6u, 3u));
    EXPECT_EQ(Stored("DOSBox"), "D:\\EMU\\DOSBox.exe");
}

// Only WinExec's errors (up to 31) call for DOSBox, with the first CD-ROM while the music is on.
TEST_F(DosBoxStart, OnlyAnErrorOfWinExecCallsForDosBox) {
    fake.files.AddFile(box, "MZ");
    fake.files.Drive('E').type = fake.files.Drive('F').type = platform::DriveType::CDRom;
    Run({31});
    Run({32});
    Launcher().cb_niecd.SetChecked(true);
    Run();
    std::string started;
    for (size_t i = 0; i < fake.process.started.size(); ++i) started += Started(i) + "|";
    const std::string game = pif + " C:\\SPIELE\\ZANTORIK\\ / /B";
    EXPECT_EQ(started, game + "0|\"" + box + mount + " -c \"MOUNT D E:\\ -t cdrom\"|" + game + "0|" + game + "8|\"" + box + mount + "|");
    EXPECT_EQ(fake.process.started.at(4).commandLine, "\"" + box + mount + " -c \"C:\" -c \"ZANTORIK.EXE C:\\ / /B8\" -c \"EXIT\"");
    EXPECT_EQ(fake.process.started[1].currentDir, "C:\\SPIELE\\ZANTORIK");
    EXPECT_EQ(std::tuple(fake.dialogs.shown.size(), fake.registry.writes.size()), std::tuple(0u, 0u));
    fake.dialogs.Answer(platform::mrOk);
    Run({2, 11});
    EXPECT_EQ(fake.dialogs.shown.at(0).text, "DOSBox konnte nicht gestartet werden.\n\rWindows hat das Programm\n\r" + box +
                                                 "\n\rnicht ausgeführt. Installiere DOSBox neu oder wähle ein anderes aus.");
}

}  // namespace zk::test
