// The game through DOSBox when Windows refuses zantorik.pif.
#include "fixture.h"
#include "launcher/dosbox.h"

namespace zk::test {

TEST(DosBoxCommandLine, MountsStartsAndEnds) {
    const std::string box = "C:\\Program Files\\DOSBox-0.74\\DOSBox.exe", q = "\"" + box + "\" -c \"MOUNT C \\\"";
    const std::string run = " -c \"C:\" -c \"ZANTORIK.EXE C:\\ ";
    struct { DosBoxGame game; std::string line; } rows[] = {
        {{"D:\\Meine Spiele\\Für Jörg\\", "ZANTORIK.EXE", "C:\\ / /B0", 0},
         q + "D:\\Meine Spiele\\Für Jörg\\\"\"" + run + "/ /B0\" -c \"EXIT\""},
        {{"C:\\Z\\", "ZANTORIK.EXE", "C:\\ /TI2 /B4", 'E'},
         q + "C:\\Z\\\"\" -c \"MOUNT D E:\\ -t cdrom\"" + run + "/TI2 /B4\" -c \"EXIT\""},
        {{"C:\\Z\\", "ZANTORIK.EXE", "C:\\ /N\"Anna B\" /D\"A:\\\" /B0", 0},
         q + "C:\\Z\\\"\"" + run + "/N\\\"Anna B\\\" /D\\\"A:\\\\\\\" /B0\" -c \"EXIT\""},
        // The backslash before the closing quote is doubled, or it would escape it.
        {{"D:\\", "ZANTORIK.EXE", "C:\\ / /B0", 0}, q + "D:\\\\\\\"\"" + run + "/ /B0\" -c \"EXIT\""},
    };
    for (const auto& r : rows) EXPECT_EQ(DosBoxCommandLine(box, r.game), r.line) << r.game.folder;
    EXPECT_EQ(QuotedArgument("C:\\A\\"), "\"C:\\A\\\\\"");  // trailing backslashes doubled too
}

TEST(DosBoxSearch, FirstExistingFileWinsInOrder) {
    const std::string pf = "C:\\Program Files\\", x86 = "C:\\Program Files (x86)\\";
    // Where each path is set: a "file" that exists, the "stored" choice,
    // the "user"'s or the "machine"'s App Paths.
    struct { const char* name; std::vector<std::pair<std::string, std::string>> set; std::string found; } rows[] = {
        {"nothing", {}, ""},
        {"32-bit install", {{"file", x86 + "DOSBox-0.74\\DOSBox.exe"}}, x86 + "DOSBox-0.74\\DOSBox.exe"},
        {"64-bit first", {{"file", x86 + "DOSBox-0.74\\DOSBox.exe"}, {"file", pf + "DOSBox Staging\\dosbox.exe"}},
         pf + "DOSBox Staging\\DOSBox.exe"},
        {"newest version", {{"file", x86 + "DOSBox-0.74\\DOSBox.exe"}, {"file", x86 + "DOSBox-0.74-3\\DOSBox.exe"}},
         x86 + "DOSBox-0.74-3\\DOSBox.exe"},
        {"DOSBox-X", {{"file", pf + "DOSBox-X\\dosbox-x.exe"}}, pf + "DOSBox-X\\dosbox-x.exe"},
        {"folder without it", {{"file", pf + "DOSBox-0.74\\README.txt"}, {"file", x86 + "DOSBox-0.74\\DOSBox.exe"}},
         x86 + "DOSBox-0.74\\DOSBox.exe"},
        {"other folders", {{"file", pf + "NotDOSBox\\DOSBox.exe"}}, ""},
        {"machine, quoted", {{"file", pf + "DOSBox-0.74\\DOSBox.exe"}, {"file", "D:\\E\\DOSBox.exe"}, {"machine", "\"D:\\E\\DOSBox.exe\""}},
         "D:\\E\\DOSBox.exe"},
        {"user first", {{"file", "D:\\A\\DOSBox.exe"}, {"machine", "D:\\A\\DOSBox.exe"}, {"file", "D:\\B\\DOSBox.exe"}, {"user", "D:\\B\\DOSBox.exe"}},
         "D:\\B\\DOSBox.exe"},
        {"App Paths gone", {{"machine", "D:\\W\\DOSBox.exe"}, {"file", x86 + "DOSBox-0.74\\DOSBox.exe"}}, x86 + "DOSBox-0.74\\DOSBox.exe"},
        {"stored first", {{"file", "D:\\A\\DOSBox.exe"}, {"machine", "D:\\A\\DOSBox.exe"}, {"file", "E:\\M\\dosbox.exe"}, {"stored", "E:\\M\\dosbox.exe"}},
         "E:\\M\\dosbox.exe"},
        {"stored gone", {{"stored", "E:\\W\\dosbox.exe"}, {"file", "D:\\A\\DOSBox.exe"}, {"user", "D:\\A\\DOSBox.exe"}}, "D:\\A\\DOSBox.exe"},
    };
    const std::string appPath = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\DOSBox.exe";
    for (const auto& r : rows) {
        platform::FakePlatform f;
        platform::Platform p = f.Get();
        for (const auto& [where, path] : r.set) {
            if (where == "file") f.files.AddFile(path, "MZ");
            if (where == "stored") f.registry.SetValue(kOptionsKey, "DOSBox", path);
            if (where == "user" || where == "machine") f.registry.SetValue((where == "user" ? "" : "HKLM\\") + appPath, "", path);
        }
        EXPECT_EQ(FindDosBox(p), r.found) << r.name;
    }
}

// zantorik.pif refused, as a DOS program is on 64-bit Windows.
struct DosBoxStart : LauncherTest {
    DosBoxStart() {
        fake.files.AddFile("C:\\SPIELE\\ZANTORIK\\zantorik.pif", "\xB8\x00\x4C\xCD\x21");
        fake.process.results = {2};
    }
    void Run() { Press(Launcher().zk_run); }
    std::vector<std::string> Started() {
        std::vector<std::string> out;
        for (const auto& s : fake.process.started) out.push_back(s.commandLine.substr(0, s.commandLine.find(" -c \"C:\"")));
        return out;
    }
    const std::string box = "C:\\Program Files (x86)\\DOSBox-0.74\\DOSBox.exe", pif = "C:\\SPIELE\\ZANTORIK\\\\zantorik.pif";
    const std::string mount = "\" -c \"MOUNT C \\\"C:\\SPIELE\\ZANTORIK\\\"\"";
};

TEST_F(DosBoxStart, FoundItRunsTheGameWithTheCdWhenTheMusicIsOn) {
    fake.files.AddFile(box, "MZ");
    fake.files.Drive('E').type = fake.files.Drive('F').type = platform::DriveType::CDRom;
    Run();
    Launcher().cb_niecd.SetChecked(true);
    fake.process.results = {2};
    Run();
    const std::string dosbox = "\"" + box + mount;
    EXPECT_EQ(Started(), (std::vector<std::string>{pif + " C:\\SPIELE\\ZANTORIK\\ / /B0", dosbox + " -c \"MOUNT D E:\\ -t cdrom\"",
                                                   pif + " C:\\SPIELE\\ZANTORIK\\ / /B8", dosbox}));
    EXPECT_EQ(fake.process.started[3].commandLine, dosbox + " -c \"C:\" -c \"ZANTORIK.EXE C:\\ / /B8\" -c \"EXIT\"");
    EXPECT_EQ(fake.process.started[1].currentDir, "C:\\SPIELE\\ZANTORIK");
    EXPECT_TRUE(fake.dialogs.shown.empty() && fake.registry.writes.empty());
}

TEST_F(DosBoxStart, NotFoundExplainsAndTheChoiceIsStoredStartedAndKeptForTheNextStart) {
    fake.dialogs.Answer(platform::mrCancel);  // Abbrechen: nothing
    Run();
    fake.dialogs.Answer(platform::mrOk);
    fake.fileDialogs.answers = {std::nullopt};  // the file dialog cancelled: nothing
    fake.process.results = {2};
    Run();
    EXPECT_EQ(Stored("DOSBox"), "<missing>");
    fake.dialogs.Answer(platform::mrOk);
    fake.files.AddFile("D:\\EMU\\DOSBox.exe", "MZ");
    fake.fileDialogs.answers = {"D:\\EMU\\DOSBox.exe"};
    fake.process.results = {2};
    Run();
    ASSERT_EQ(fake.dialogs.shown.size(), 3u);
    EXPECT_EQ(fake.dialogs.shown[0].captions, (std::vector<std::string>{"DOSBox suchen…", "Abbrechen"}));
    EXPECT_EQ(fake.dialogs.shown[0].text,
              "Dieses Windows kann DOS-Programme wie ZANTORIK nicht selbst starten.\n\r"
              "Das kostenlose Programm DOSBox (www.dosbox.com) kann es: Installiere es und starte ZANTORIK noch einmal.\n\n\r"
              "Ist DOSBox schon installiert, dann zeige mit \"DOSBox suchen…\" auf die Datei DOSBox.exe.");
    EXPECT_EQ(fake.fileDialogs.requests.at(1).folder, "C:\\Program Files");
    EXPECT_EQ(Stored("DOSBox"), "D:\\EMU\\DOSBox.exe");
    // Next time it is found without asking; the exit button keeps it.
    fake.process.results = {2};
    Run();
    Press(Launcher().bt_exit);
    EXPECT_EQ(Started().size(), 6u);
    EXPECT_EQ(Started()[5], "\"D:\\EMU\\DOSBox.exe" + mount);
    EXPECT_EQ(fake.dialogs.shown.size(), 3u);
    EXPECT_EQ(Stored("DOSBox"), "D:\\EMU\\DOSBox.exe");
}

// WinExec's results up to 31 are errors: only they call for DOSBox.
TEST_F(DosBoxStart, OnlyAnErrorOfWinExecCallsForDosBox) {
    fake.files.AddFile(box, "MZ");
    for (unsigned result : {31u, 32u}) {
        fake.process.results = {result};
        Run();
    }
    EXPECT_EQ(Started().size(), 3u);  // the .pif and DOSBox, then the .pif alone
}

TEST_F(DosBoxStart, DosBoxRefusedIsAnError) {
    fake.files.AddFile(box, "MZ");
    fake.process.results = {2, 11};
    fake.dialogs.Answer(platform::mrOk);
    Run();
    ASSERT_EQ(fake.dialogs.shown.size(), 1u);
    EXPECT_EQ(fake.dialogs.shown[0].text, "DOSBox konnte nicht gestartet werden.\n\rWindows hat das Programm\n\r" + box +
                                              "\n\rnicht ausgeführt. Installiere DOSBox neu oder wähle ein anderes aus.");
}

}  // namespace zk::test
