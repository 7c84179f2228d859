#include "fixture.h"
#include "launcher/dosbox.h"

namespace zk::test {

TEST(DosBoxCommandLine, MountsStartsAndEnds) {
    const std::string box = "C:\\Program Files\\DOSBox-0.74\\DOSBox.exe";
    const std::string q = "\"" + box + "\"";
    struct Case {
        const char* name;
        DosBoxGame game;
        std::string line;
    } cases[] = {
        {"worked example", {"C:\\SPIELE\\ZANTORIK\\", "ZANTORIK.EXE", "C:\\ /P70 /TI2 /X /B5", 0},
         q + " -c \"MOUNT C \\\"C:\\SPIELE\\ZANTORIK\\\"\" -c \"C:\" -c \"ZANTORIK.EXE C:\\ /P70 /TI2 /X /B5\" -c \"EXIT\""},
        {"blanks and umlauts", {"D:\\Meine Spiele\\Zantorik für Jörg\\", "ZANTORIK.EXE", "C:\\ / /B0", 0},
         q + " -c \"MOUNT C \\\"D:\\Meine Spiele\\Zantorik für Jörg\\\"\" -c \"C:\" -c \"ZANTORIK.EXE C:\\ / /B0\" -c \"EXIT\""},
        {"CD as D:", {"C:\\Z\\", "ZANTORIK.EXE", "C:\\ /TI2 /B4", 'E'},
         q + " -c \"MOUNT C \\\"C:\\Z\\\"\" -c \"MOUNT D E:\\ -t cdrom\" -c \"C:\" -c \"ZANTORIK.EXE C:\\ /TI2 /B4\" -c \"EXIT\""},
        {"quotes in the free parameters", {"C:\\Z\\", "ZANTORIK.EXE", "C:\\ /N\"Anna B\" /D\"A:\\\" /B0", 0},
         q + " -c \"MOUNT C \\\"C:\\Z\\\"\" -c \"C:\" -c \"ZANTORIK.EXE C:\\ /N\\\"Anna B\\\" /D\\\"A:\\\\\\\" /B0\" -c \"EXIT\""},
        // The backslash before the closing quote is doubled, or it would escape it.
        {"a drive's root", {"D:\\", "ZANTORIK.EXE", "C:\\ / /B0", 0},
         q + " -c \"MOUNT C \\\"D:\\\\\\\"\" -c \"C:\" -c \"ZANTORIK.EXE C:\\ / /B0\" -c \"EXIT\""},
    };
    for (const Case& c : cases) EXPECT_EQ(DosBoxCommandLine(box, c.game), c.line) << c.name;
}

TEST(DosBoxSearch, FirstExistingFileWinsInOrder) {
    const std::string appPath = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\DOSBox.exe";
    const std::string pf = "C:\\Program Files\\", x86 = "C:\\Program Files (x86)\\";
    // Each setting: where ("stored", "user", "machine" App Paths, or a
    // "file" that exists) and the path.
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> set;
        std::string found;
    } cases[] = {
        {"nothing", {}, ""},
        {"32-bit install", {{"file", x86 + "DOSBox-0.74\\DOSBox.exe"}}, x86 + "DOSBox-0.74\\DOSBox.exe"},
        {"64-bit folder first",
         {{"file", x86 + "DOSBox-0.74\\DOSBox.exe"}, {"file", pf + "DOSBox Staging\\dosbox.exe"}},
         pf + "DOSBox Staging\\DOSBox.exe"},
        {"newest version", {{"file", x86 + "DOSBox-0.74\\DOSBox.exe"}, {"file", x86 + "DOSBox-0.74-3\\DOSBox.exe"}},
         x86 + "DOSBox-0.74-3\\DOSBox.exe"},
        {"DOSBox-X", {{"file", pf + "DOSBox-X\\dosbox-x.exe"}}, pf + "DOSBox-X\\dosbox-x.exe"},
        {"folder without the program",
         {{"file", pf + "DOSBox-0.74\\README.txt"}, {"file", x86 + "DOSBox-0.74\\DOSBox.exe"}},
         x86 + "DOSBox-0.74\\DOSBox.exe"},
        {"other folders", {{"file", pf + "NotDOSBox\\DOSBox.exe"}}, ""},
        {"machine's App Paths, quoted",
         {{"file", pf + "DOSBox-0.74\\DOSBox.exe"}, {"file", "D:\\EMU\\DOSBox.exe"}, {"machine", "\"D:\\EMU\\DOSBox.exe\""}},
         "D:\\EMU\\DOSBox.exe"},
        {"user's App Paths first",
         {{"file", "D:\\A\\DOSBox.exe"}, {"machine", "D:\\A\\DOSBox.exe"}, {"file", "D:\\B\\DOSBox.exe"},
          {"user", "D:\\B\\DOSBox.exe"}},
         "D:\\B\\DOSBox.exe"},
        {"App Paths to a missing file",
         {{"machine", "D:\\WEG\\DOSBox.exe"}, {"file", x86 + "DOSBox-0.74\\DOSBox.exe"}},
         x86 + "DOSBox-0.74\\DOSBox.exe"},
        {"stored choice first",
         {{"file", "D:\\A\\DOSBox.exe"}, {"machine", "D:\\A\\DOSBox.exe"}, {"file", "E:\\MEINS\\dosbox.exe"},
          {"stored", "E:\\MEINS\\dosbox.exe"}},
         "E:\\MEINS\\dosbox.exe"},
        {"stored file gone", {{"stored", "E:\\WEG\\dosbox.exe"}, {"file", "D:\\A\\DOSBox.exe"}, {"user", "D:\\A\\DOSBox.exe"}},
         "D:\\A\\DOSBox.exe"},
    };
    for (const Case& c : cases) {
        platform::FakePlatform f;
        platform::Platform p = f.Get();
        for (const auto& [where, path] : c.set) {
            if (where == "file") f.files.AddFile(path, "MZ");
            if (where == "stored") f.registry.SetValue("Software\\Orvandel\\Zantorik", "DOSBox", path);
            if (where == "user") f.registry.SetValue(appPath, "", path);
            if (where == "machine") f.registry.SetValue("HKLM\\" + appPath, "", path);
        }
        EXPECT_EQ(FindDosBox(p), c.found) << c.name;
    }
}

// zantorik.pif refused, as a DOS program is on 64-bit Windows.
struct DosBoxStart : LauncherTest {
    DosBoxStart() {
        fake.files.AddFile("C:\\SPIELE\\ZANTORIK\\zantorik.pif", "\xB8\x00\x4C\xCD\x21");
        fake.process.results = {2};
    }
    void Run() { Press(Launcher().zk_run); }
    std::string Line(const std::string& box, const std::string& mountCd = "", const std::string& mask = "0") {
        return "\"" + box + "\" -c \"MOUNT C \\\"C:\\SPIELE\\ZANTORIK\\\"\"" + mountCd +
               " -c \"C:\" -c \"ZANTORIK.EXE C:\\ / /B" + mask + "\" -c \"EXIT\"";
    }
    const std::string box = "C:\\Program Files (x86)\\DOSBox-0.74\\DOSBox.exe";
};

TEST_F(DosBoxStart, FoundDosBoxRunsTheGameWithTheCdWhenTheMusicIsOn) {
    fake.files.AddFile(box, "MZ");
    fake.files.Drive('E').type = platform::DriveType::CDRom;
    fake.files.Drive('F').type = platform::DriveType::CDRom;
    Run();
    Launcher().cb_niecd.SetChecked(true);
    fake.process.results = {2};
    Run();
    ASSERT_EQ(fake.process.started.size(), 4u);
    EXPECT_EQ(fake.process.started[1].commandLine, Line(box, " -c \"MOUNT D E:\\ -t cdrom\""));
    EXPECT_EQ(fake.process.started[1].currentDir, "C:\\SPIELE\\ZANTORIK");
    EXPECT_EQ(fake.process.started[3].commandLine, Line(box, "", "8"));  // CD player off: no D:
    EXPECT_TRUE(fake.dialogs.shown.empty());
    EXPECT_TRUE(fake.registry.writes.empty());
}

TEST_F(DosBoxStart, NotFoundExplainsAndTheChosenDosBoxIsStoredAndStarted) {
    fake.dialogs.Answer(platform::mrOk);
    fake.files.AddFile("D:\\EMU\\DOSBox.exe", "MZ");
    fake.fileDialogs.answers = {"D:\\EMU\\DOSBox.exe"};
    Run();
    ASSERT_EQ(fake.dialogs.shown.size(), 1u);
    const auto& d = fake.dialogs.shown[0];
    EXPECT_EQ(d.captions, (std::vector<std::string>{"DOSBox suchen…", "Abbrechen"}));
    EXPECT_EQ(d.text,
              "Dieses Windows kann DOS-Programme wie ZANTORIK nicht selbst starten.\n\r"
              "Das kostenlose Programm DOSBox (www.dosbox.com) kann es: Installiere es und starte ZANTORIK noch einmal.\n\n\r"
              "Ist DOSBox schon installiert, dann zeige mit \"DOSBox suchen…\" auf die Datei DOSBox.exe.");
    ASSERT_EQ(fake.fileDialogs.requests.size(), 1u);
    EXPECT_EQ(fake.fileDialogs.requests[0].folder, "C:\\Program Files");
    EXPECT_EQ(Stored("DOSBox"), "D:\\EMU\\DOSBox.exe");
    ASSERT_EQ(fake.process.started.size(), 2u);
    EXPECT_EQ(fake.process.started[1].commandLine, Line("D:\\EMU\\DOSBox.exe"));
    // Next time it is found without asking; the exit button keeps it.
    fake.process.results = {2};
    Run();
    EXPECT_EQ(fake.process.started.size(), 4u);
    EXPECT_EQ(fake.dialogs.shown.size(), 1u);
    Press(Launcher().bt_exit);
    EXPECT_EQ(Stored("DOSBox"), "D:\\EMU\\DOSBox.exe");
}

TEST_F(DosBoxStart, CancelledNothingIsStartedOrStored) {
    fake.dialogs.Answer(platform::mrCancel);  // Abbrechen
    Run();
    EXPECT_TRUE(fake.fileDialogs.requests.empty());
    fake.dialogs.Answer(platform::mrOk);
    fake.fileDialogs.answers = {std::nullopt};  // the file dialog cancelled
    fake.process.results = {2};
    Run();
    EXPECT_EQ(fake.fileDialogs.requests.size(), 1u);
    EXPECT_EQ(fake.process.started.size(), 2u);  // the two refused .pif starts
    EXPECT_EQ(Stored("DOSBox"), "<missing>");
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
