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
    const std::string pf = "C:\\Program Files\\", x86 = "C:\\Program Files (x86)\\", v = "DOSBox-0.74\\DOSBox.exe";
    // Where each path is set: a "file" that exists, the "stored" choice,
    // the "user"'s or the "machine"'s App Paths.
    struct { std::vector<std::pair<std::string, std::string>> set; std::string found; } rows[] = {
        {{}, ""},
        {{{"file", x86 + v}, {"file", pf + "DOSBox Staging\\dosbox.exe"}}, pf + "DOSBox Staging\\DOSBox.exe"},  // 64-bit first
        {{{"file", x86 + v}, {"file", x86 + "DOSBox-0.74-3\\DOSBox.exe"}}, x86 + "DOSBox-0.74-3\\DOSBox.exe"},  // the newest
        {{{"file", pf + "DOSBox-X\\dosbox-x.exe"}}, pf + "DOSBox-X\\dosbox-x.exe"},
        {{{"file", pf + "DOSBox-0.74\\README.txt"}, {"file", x86 + v}}, x86 + v},
        {{{"file", pf + "NotDOSBox\\DOSBox.exe"}}, ""},
        {{{"file", pf + v}, {"file", "D:\\E\\DOSBox.exe"}, {"machine", "\"D:\\E\\DOSBox.exe\""}}, "D:\\E\\DOSBox.exe"},
        {{{"file", "D:\\A\\DOSBox.exe"}, {"machine", "D:\\A\\DOSBox.exe"}, {"file", "D:\\B\\DOSBox.exe"}, {"user", "D:\\B\\DOSBox.exe"}},
         "D:\\B\\DOSBox.exe"},
        {{{"machine", "D:\\W\\DOSBox.exe"}, {"file", x86 + v}}, x86 + v},  // App Paths to nothing
        {{{"file", "D:\\A\\DOSBox.exe"}, {"user", "D:\\A\\DOSBox.exe"}, {"file", "E:\\M\\dosbox.exe"}, {"stored", "E:\\M\\dosbox.exe"}},
         "E:\\M\\dosbox.exe"},
        {{{"stored", "E:\\W\\dosbox.exe"}, {"file", "D:\\A\\DOSBox.exe"}, {"user", "D:\\A\\DOSBox.exe"}}, "D:\\A\\DOSBox.exe"},
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
        EXPECT_EQ(FindDosBox(p), r.found) << r.found;
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

TEST_F(DosBoxStart, FoundItRunsTheGameWithTheCdWhenTheMusicIsOn) {
    fake.files.AddFile(box, "MZ");
    fake.files.Drive('E').type = fake.files.Drive('F').type = platform::DriveType::CDRom;
    Run();
    Launcher().cb_niecd.SetChecked(true);
    Run();
    EXPECT_EQ(Started(0) + "|" + Started(1) + "|" + Started(2), pif + " C:\\SPIELE\\ZANTORIK\\ / /B0|\"" + box + mount +
                                                                   " -c \"MOUNT D E:\\ -t cdrom\"|" + pif + " C:\\SPIELE\\ZANTORIK\\ / /B8");
    EXPECT_EQ(fake.process.started.at(3).commandLine, "\"" + box + mount + " -c \"C:\" -c \"ZANTORIK.EXE C:\\ / /B8\" -c \"EXIT\"");
    EXPECT_EQ(fake.process.started[1].currentDir, "C:\\SPIELE\\ZANTORIK");
    EXPECT_TRUE(fake.dialogs.shown.empty() && fake.registry.writes.empty());
}

// Its text and buttons are checked on the real window.
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
    EXPECT_EQ(fake.process.started.size(), 6u);
    EXPECT_EQ(Started(5), "\"D:\\EMU\\DOSBox.exe" + mount);
    EXPECT_EQ(fake.dialogs.shown.size(), 3u);
    EXPECT_EQ(Stored("DOSBox"), "D:\\EMU\\DOSBox.exe");
}

// WinExec's results up to 31 are errors: only they call for DOSBox, and
// DOSBox refused is an error in turn.
TEST_F(DosBoxStart, OnlyAnErrorOfWinExecCallsForDosBox) {
    fake.files.AddFile(box, "MZ");
    Run({31});
    Run({32});
    EXPECT_EQ(fake.process.started.size(), 3u);  // the .pif and DOSBox, then the .pif alone
    fake.dialogs.Answer(platform::mrOk);
    Run({2, 11});
    EXPECT_EQ(fake.dialogs.shown.at(0).text, "DOSBox konnte nicht gestartet werden.\n\rWindows hat das Programm\n\r" + box +
                                                 "\n\rnicht ausgeführt. Installiere DOSBox neu oder wähle ein anderes aus.");
}

}  // namespace zk::test
