// The setup window opened from the launcher, whole runs over fake drives, questions answered by a script.
#include "copy_fixture.h"

#include "common/error.h"
#include "common/runflags.h"
#include "launcher/Unit1.h"
#include "launcher/program.h"
#include "setup/Dirlog.h"
#include "setup/Zksetup1.h"

namespace zk::test {

using platform::mrNo;
using platform::mrYes;

namespace {
// Notes what a control shows at each repaint, and the hourglass.
struct RunRecorder : ui::Peer {
    RunRecorder(ui::Control& c, std::vector<std::string>& log) : c(c), log(log) {}
    void Changed(ui::Prop) override {}
    void Repaint() override {
        log.push_back(c.Name() + "=" +
                      (c.GetKind() == ui::Kind::Gauge ? std::to_string(static_cast<ui::Gauge&>(c).Progress()) : c.Caption()) +
                      (c.OwnerForm()->GetCursor() == ui::Cursor::HourGlass ? " (busy)" : ""));
    }
    ui::Control& c;
    std::vector<std::string>& log;
};
}  // namespace

struct Setup : ::testing::Test {
    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
    RecordingZip* zip = nullptr;
    std::unique_ptr<TFormStart> launcher;
    std::unique_ptr<TForm1> setup;
    std::unique_ptr<TGetDirDialog> chooser;
    std::vector<std::string> calls, repaints;

    Setup() {
        CopyDone = MenuOffered = 0;
        fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) { ADD_FAILURE() << "unexpected dialog: " << r.text; };
        fake.files.modulePath = "D:\\ZANTORIK\\ZKSTART.EXE";
        fake.files.Drive('C'), fake.files.Drive('D').type = platform::DriveType::CDRom;
        fake.files.Drive('A').type = platform::DriveType::Removable, fake.files.Drive('A').free = 1457664;
        for (const auto& [name, content] : {std::pair{"ZANTORIK.EXE", std::string(20000, 'Z')}, {"ZKSTART.EXE", "start"},
                                            {"ZANTORIK.HLP", "help"}, {"TEXTE\\THEMA.{1}", "Thema eins"}})
            fake.files.AddFile(std::string("D:\\ZANTORIK\\") + name, content);
        (launcher = std::make_unique<TFormStart>(platform))->Created();
        (setup = std::make_unique<TForm1>(platform, SetupSeams{}, std::unique_ptr<ZipArchive>(zip = new RecordingZip(fake.files))))->Created();
        (chooser = std::make_unique<TGetDirDialog>(platform))->Created();
        ConnectSetupAndLauncher(*setup, *launcher), ConnectFolderChooser(*setup, *chooser);
        setup->seams.createMenuEntries = [this](const std::string& folder) { calls.push_back("menu " + folder); };
        for (ui::Control* c : std::vector<ui::Control*>{&setup->Statuslabel, &setup->txbyte2copy, &setup->txHDrest, &setup->Gauge1})
            c->AttachPeer(std::make_unique<RunRecorder>(*c, repaints));
        launcher->Show();
    }
    ~Setup() override { CopyDone = MenuOffered = 0; }

    static void Press(ui::Button& b) { b.Perform([&] { b.Click(); }); }
    // The launcher's "Zantorik kopieren", once more for each case.
    TForm1& Open() {
        setup->Hide(), launcher->ZKSetup.SetEnabled(true), launcher->Show();
        Press(launcher->ZKSetup);
        return *setup;
    }
    void Start(const std::string& target) {  // from the preset source, the program's folder
        setup->Edit2.Type(target), Press(setup->ButStart);
    }
    std::vector<std::string> Asked() {
        std::vector<std::string> out;
        for (const auto& r : fake.dialogs.shown) out.push_back((r.type == platform::DlgType::Information ? "" : r.title + ": ") + r.text);
        return fake.dialogs.shown.clear(), out;
    }
    std::string Focus() { return setup->ActiveControl() ? setup->ActiveControl()->Name() : "none"; }
    std::vector<std::string> Repaints(const std::string& name) { return Tails(repaints, name + "="); }
    void ExpectIdle() {
        TForm1& f = *setup;
        for (ui::Control* c : std::vector<ui::Control*>{&f.box1, &f.Edit1, &f.Edit2, &f.getquelle, &f.getziel,
                                                        &f.ButStart, &f.ButEnde, &f.Panel1, &f.ChkMulti, &f.chkZip})
            EXPECT_EQ(std::tuple(c->Enabled(), f.GetCursor()), std::tuple(true, ui::Cursor::Default)) << c->Name();
    }
};

constexpr int32_t kGameSize = 20000 + 5 + 4 + 10;

// Each time it is shown: the presets, "?" for the counts, the menu flag down; CopyDone stays as the last run left it.
TEST_F(Setup, OpenedFromTheLauncherWithItsPresets) {
    EXPECT_EQ(zip->log, (std::vector<std::string>{"level 9", "options 1", "name zantorik.zip"}));
    TForm1& f = Open();
    const auto presets = [&] { return f.Edit1.Text() + "|" + f.Edit2.Text() + "|" + f.txbyte2copy.Caption() + f.txHDrest.Caption(); };
    EXPECT_TRUE(f.Active());
    EXPECT_EQ(presets(), "d:\\zantorik\\|c:\\|??");
    EXPECT_EQ(Focus(), "Edit1");
    const std::string onSource = f.Statuslabel.Caption();
    f.Edit2.SetFocus();
    EXPECT_EQ(onSource + "|" + f.Statuslabel.Caption(), "QUELLE bitte ändern, wenn nicht korrekt.|Im ZIEL wird ein Ordner \"ZANTORIK\" angelegt.");
    f.ChkMulti.Toggle();
    EXPECT_EQ(f.Edit2.Text(), "a:\\");
    f.Edit2.Type("c:\\spiele"), f.ChkMulti.Toggle();  // unticking leaves the field
    EXPECT_EQ(f.Edit2.Text(), "c:\\spiele");
    fake.dialogs.Answer(mrNo), fake.dialogs.Answer(mrYes), Start("c:\\spiele");
    ASSERT_EQ(std::tuple(CopyDone, MenuOffered), std::tuple(1, 1));
    Open();
    EXPECT_EQ(presets(), "d:\\zantorik\\|c:\\|??");
    EXPECT_EQ(std::tuple(CopyDone, MenuOffered), std::tuple(1, 0));
}

// "Infos" is in the program's wiring below.
TEST_F(Setup, HilfeOpensTheSetupTopic) {
    TForm1& f = Open();
    Press(f.Hilfe);
    ASSERT_EQ(fake.help.calls.size(), 2u);
    EXPECT_EQ(std::tuple(fake.help.calls[0].command, fake.help.calls[1].data),
              std::tuple(platform::HelpCommand::Contents, "JumpID(\"\",\"thsetup\")"));
    fake.help.succeed = false;  // no help file: nothing more is asked
    Press(f.Hilfe);
    EXPECT_EQ(fake.help.calls.size(), 3u);
}

// What a run ends with: the questions, the window open or closed, the focus and the two flags the launcher reads.
// Mended: a zip run was closed away by the close box, Alt+F4 or "Programm beenden" on the launcher it brought
// back; keys pressed during a copy run answered its first question (now dropped once, before it).
TEST_F(Setup, TheQuestionsAtTheEndOfARun) {
    const std::string more = "\n\rWeitere Kopie erstellen?", ok = "Installation erfolgreich abgeschlossen.",
                      bad = "Installation leider fehlgeschlagen...", zipped = "Zip erfolgreich erstellt!\n\rSetup verlassen?",
                      menu = ok + "\n\rZANTORIK ins Startmenü einbinden?",
                      start = "Bestätigung: ZANTORIK wurde erfolgreich installiert. Jetzt starten?";
    const auto failWrite = [this] { fake.files.failWriteAfter["C:\\SPIELE\\ZANTORIK\\ZKSTART.EXE"] = 2; };
    const auto failMenu = [this] { setup->seams.createMenuEntries = [](const std::string&) { throw InOutError(3); }; };
    const struct { const char* what; bool multi, zip; std::function<void()> fault; std::string target;
        std::vector<int> answers; std::vector<std::string> asked; bool open; uint8_t copyDone, menuOffered;
        std::vector<std::string> calls; std::string made; } cases[] = {
        {"multi-copy, one more", true, false, [] {}, "a:\\", {mrYes}, {ok + more}, true, 0, 0, {}, "A:\\ZANTORIK\\ZKSTART.EXE"},
        {"multi-copy, enough", true, false, [] {}, "a:\\", {mrNo}, {ok + more}, false, 0, 0, {}, "A:\\ZANTORIK\\ZKSTART.EXE"},
        {"single floppy", false, false, [] {}, "a:", {}, {}, true, 1, 0, {}, "A:\\ZANTORIK\\TEXTE\\THEMA.{1}"},
        {"menu, start", false, false, [] {}, "c:\\spiele\\", {mrYes, mrYes}, {menu, start}, false, 1, 1,
         {"menu c:\\spiele\\ZANTORIK"}, "C:\\SPIELE\\ZANTORIK\\ZANTORIK.EXE"},
        {"menu, not now", false, false, [] {}, "c:\\spiele", {mrYes, mrNo}, {menu, start}, true, 0, 1,
         {"menu c:\\spiele\\ZANTORIK"}, "C:\\SPIELE\\ZANTORIK\\ZANTORIK.HLP"},
        {"no menu, start", false, false, [] {}, "c:\\spiele", {mrNo, mrYes}, {menu, start}, false, 1, 1, {}, ""},
        {"failed, once more", false, false, failWrite, "c:\\spiele", {mrYes}, {bad + more}, true, 0, 0, {}, ""},
        {"failed, enough", false, false, failWrite, "c:\\spiele", {mrNo}, {bad + more}, false, 0, 0, {}, ""},
        {"zip, stay", false, true, [] {}, "c:\\ziel", {mrNo}, {zipped}, true, 1, 0, {}, "C:\\ZIEL\\ZANTORIK.ZIP"},
        {"zip, leave", false, true, [] {}, "c:\\ziel", {mrYes}, {zipped}, false, 1, 0, {}, "C:\\ZIEL\\ZANTORIK.ZIP"},
        {"zip and multi-copy", true, true, [] {}, "a:\\", {mrNo}, {zipped}, true, 1, 0, {}, "A:\\ZANTORIK.ZIP"},
        {"zip failed", false, true, [this] { zip->refuse = {"ZKSTART.EXE"}; }, "c:\\ziel", {mrYes}, {bad + more}, true, 0,
         0, {}, ""},
        // The error box, and no "Jetzt starten?"; the window stays usable.
        {"menu fails", false, false, failMenu, "c:\\spiele", {mrYes}, {menu}, true, 1, 1, {"E/A-Fehler 3"}, ""},
    };
    zip->onAdd = [this] { setup->Close(), Press(launcher->bt_exit), launcher->Close(); };
    std::vector<int> discarded;  // by each question
    fake.dialogs.onShow = [&](const platform::DialogRequest&) { discarded.push_back(fake.app.inputDiscarded); };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fake.files.RemoveDrive('A'), fake.files.Drive('A').type = platform::DriveType::Removable;
        fake.files.failWriteAfter.clear(), zip->refuse.clear(), discarded.clear(), calls.clear(), fake.app.errors.clear();
        fake.app.inputDiscarded = CopyDone = MenuOffered = 0;
        TForm1& f = Open();
        if (f.ChkMulti.Checked() != c.multi) f.ChkMulti.Toggle();
        if (f.chkZip.Checked() != c.zip) f.chkZip.Toggle();
        c.fault();
        for (int a : c.answers) fake.dialogs.Answer(a);
        Start(c.target);
        EXPECT_EQ(Asked(), c.asked);
        EXPECT_EQ(discarded, std::vector<int>(c.asked.size(), 1));
        EXPECT_EQ(Repaints("Statuslabel").back(), c.asked.size() && c.asked[0].rfind(bad, 0) == 0 ? "So ein Mist..." : "Geschafft!");
        EXPECT_EQ(f.Visible(), c.open);
        EXPECT_EQ(launcher->Visible(), !c.open);
        if (!c.open) { EXPECT_FALSE(launcher->ZKSetup.Enabled()); }  // however the window closed
        if (c.answers == std::vector<int>{mrYes} && c.asked[0].find(more) != std::string::npos) { EXPECT_EQ(Focus(), "Edit2"); }
        EXPECT_EQ(std::tuple(CopyDone, MenuOffered), std::tuple(c.copyDone, c.menuOffered));
        calls.insert(calls.end(), fake.app.errors.begin(), fake.app.errors.end());
        EXPECT_EQ(calls, c.calls);
        if (!c.made.empty()) { EXPECT_TRUE(fake.files.Exists(c.made)) << c.made; }
        EXPECT_EQ(fake.files.Exists("C:\\ZIEL\\ZANTORIK"), false);  // no game folder beside an archive
        ExpectIdle();
    }
    EXPECT_TRUE(fake.registry.writes.empty());  // "Programm beenden" during a run stored nothing
}

TEST_F(Setup, TheRunRepaintsItsCountsAtOnceWithTheHourglass) {
    TForm1& f = Open();
    fake.files.Drive('C').free = uint64_t{1} << 40, fake.files.Drive('C').freeFollows = false;
    std::string shownAtTheEnd;
    fake.dialogs.onShow = [&](const platform::DialogRequest&) { shownAtTheEnd = f.txHDrest.Caption(); };
    fake.dialogs.Answer(mrNo), fake.dialogs.Answer(mrNo), Start("c:\\spiele");
    auto status = Repaints("Statuslabel"), left = Repaints("txbyte2copy");
    EXPECT_EQ(status.back(), "Geschafft!");
    EXPECT_EQ(left.back(), "0 (busy)");
    status.resize(3), left.resize(3);  // the refresh before the copy, then the first file
    EXPECT_EQ(status, (std::vector<std::string>{"Kopieren wird vorbereitet...", "Kopieren wird vorbereitet... (busy)",
                                                "ZANTORIK-Hauptprogramm (busy)"}));
    EXPECT_EQ(left, (std::vector<std::string>{"?", "20.019 (busy)", "11.827 (busy)"}));  // 20019 bytes, less one block
    EXPECT_EQ(Repaints("Gauge1").front() + "|" + Repaints("Gauge1").back(), "8192 (busy)|" + std::to_string(kGameSize) + " (busy)");
    EXPECT_EQ(Repaints("txHDrest")[1], "2.147.483.647 (busy)");  // held, however big the drive
    EXPECT_EQ(shownAtTheEnd, "Aktualisieren");
    EXPECT_EQ(std::tuple(f.Gauge1.ShowText(), f.Label3.Caption()), std::tuple(true, "Noch zu Kopieren"));
    EXPECT_EQ(f.Filebox.Lines(), (std::vector<std::string>{"\\ZANTORIK.EXE", "\\ZKSTART.EXE", "\\ZANTORIK.HLP", "\\TEXTE\\THEMA.{1}"}));
}

TEST_F(Setup, AFailedTestLeavesEveryControlEnabledAndThePathsAsTyped) {
    const std::string readOnly = "Fehler: Das Ziellaufwerk ist schreibgeschützt, nicht bereit oder unbekannt.";
    const std::vector<std::string> abort{"&Abbrechen"}, okCancel{"OK", "Abbrechen"};
    const struct { std::string source, target; std::vector<std::string> asked; std::string focus; } cases[] = {
        {"c:\\nirgends", " C:/Ziel ", {"Fehler: In diesem \"Quell\"-Verzeichnis gibt es keine ZANTORIK-Dateien."}, "Edit1"},
        {"d:\\zantorik", "d:\\anders", {readOnly}, "Edit2"},
        {"d:\\zantorik", "a:\\", {"Warnung: Diskette einlegen!!", readOnly}, "Edit2"},
        {"d:\\zantorik", "d:\\zantorik", {"Fehler: Quelle und Ziel müssen verschieden sein!"}, "Edit1"},
        {"zantorik", "c:\\", {"Fehler: Quelle und Ziel benötigen Laufwerksbuchstaben, auf die je ein Doppelpunkt folgt."}, "Edit1"},
    };
    fake.files.Drive('D').writeProtected = true, fake.files.Drive('A').ready = false;
    fake.dialogs.onUnexpected = nullptr;  // the answers do not matter
    TForm1& f = Open();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source + " -> " + c.target);
        f.Edit1.Type(c.source), f.Edit2.Type(c.target), f.Edit1.SetFocus(), Press(f.ButStart);
        for (const auto& r : fake.dialogs.shown)
            EXPECT_EQ(r.captions, r.type == platform::DlgType::Error ? abort : okCancel);
        EXPECT_EQ(Asked(), c.asked);
        EXPECT_EQ(f.Edit1.Text() + "|" + f.Edit2.Text(), LowerCaseDE(c.source + "|" + c.target));
        EXPECT_EQ(std::tuple(Focus(), CopyDone), std::tuple(c.focus, 0));
        ExpectIdle();
    }
    EXPECT_FALSE(fake.files.Exists("C:\\ZIEL"));
}

// The windows as the main entry makes and wires them.
TEST(SetupInProgram, WiredToTheLauncherTheChooserTheAboutBoxAndTheWelcome) {
    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
    fake.files.AddDir("C:\\SPIELE\\ZANTORIK");  // the program's folder
    CopyDone = 0;
    Program program(platform);
    TForm1& setup = *program.setup;
    EXPECT_FALSE(setup.Visible());
    program.splash->seams.showSetup();  // "Ignorieren" in the welcome
    EXPECT_EQ(std::tuple(setup.Visible(), program.launcher->Visible(), setup.chkZip.Enabled()), std::tuple(true, false, true));
    EXPECT_EQ(setup.Edit1.Text(), "c:\\spiele\\zantorik\\");
    setup.Hilfe.Click(), setup.ButInfo.Click(), setup.getziel.Click();
    EXPECT_EQ(fake.help.calls.at(0).file, "ZANTORIK.HLP");  // the program's help file
    EXPECT_EQ(std::tuple(program.about->Visible(), program.dirDialog->Caption()), std::tuple(true, "Zielordner wählen!"));
    setup.Activate();  // a click back into the setup window
    EXPECT_FALSE(program.dirDialog->Visible());
    setup.getquelle.Click(), program.dirDialog->Nimms.Click();
    EXPECT_EQ(setup.Edit1.Text(), "c:\\spiele\\zantorik");
    setup.getziel.Click();
    EXPECT_TRUE(setup.seams.createMenuEntries != nullptr);
    setup.ButEnde.Click();
    EXPECT_EQ(std::tuple(program.dirDialog->Visible(), program.launcher->Visible(), program.launcher->ZKSetup.Enabled()),
              std::tuple(false, true, false));
    TForm1 bare(platform);  // without an archive component "Komprimieren" cannot be ticked
    bare.Created();
    EXPECT_FALSE(bare.chkZip.Enabled());
}

struct Chooser : ::testing::Test {
    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
    // Stands in for the setup window and its two path fields.
    ui::Form setup{platform, "Form1"};
    ui::Edit Edit1{&setup, "Edit1"}, Edit2{&setup, "Edit2"};
    TGetDirDialog dialog{platform};

    Chooser() {
        fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) { ADD_FAILURE() << "unexpected dialog: " << r.text; };
        setup.SetBounds(100, 50, 426, 220);
        Edit1.SetBounds(8, 32, 385, 24), Edit2.SetBounds(8, 72, 385, 24);
        Edit1.charCase = Edit2.charCase = ui::CharCase::Lower;
        fake.files.Drive('C').label = "SYSTEM", fake.files.Drive('Q').label = "DATEN";
        fake.files.AddDir("C:\\SPIELE\\Zantorik\\TEXTE"), fake.files.AddDir("C:\\WINDOWS");
        fake.files.Drive('A').type = platform::DriveType::Removable, fake.files.Drive('A').ready = false;
        DialogMode = ChooserField::None;
    }
    std::string Shown() { return dialog.DriveBox.Drive() + std::string(" ") + dialog.DirBox.Directory(); }
};

// Mended: the chooser covered its own field; it opens just below it, counted from the client area.
TEST_F(Chooser, OpensBelowItsFieldOnItsFolderAndWritesTheChoiceBack) {
    Edit1.SetText("c:\\spiele\\zantorik\\"), setup.borderWidth = 2;
    dialog.OpenFor(ChooserField::Source, setup, Edit1);
    EXPECT_EQ(std::tuple(DialogMode, dialog.Active(), dialog.Caption()), std::tuple(ChooserField::Source, true, "Quellordner wählen!"));
    EXPECT_EQ(std::tuple(dialog.GetBounds().left, dialog.GetBounds().top), std::tuple(100 + 8 + 2 + 5, 50 + 32 + 24 + 2));
    EXPECT_EQ(Shown(), "c c:\\spiele\\zantorik");
    ASSERT_TRUE(dialog.DirBox.SetDirectory("C:\\SPIELE\\Zantorik\\TEXTE"));  // the user clicks it
    dialog.Nimms.Click();
    EXPECT_EQ(Edit1.Text(), "c:\\spiele\\zantorik\\texte");
    EXPECT_FALSE(dialog.Visible());
    // A missing target folder opens at its drive's root, which keeps its backslash.
    Edit2.SetText("q:\\nichts");
    dialog.OpenFor(ChooserField::Target, setup, Edit2);
    EXPECT_EQ(std::tuple(DialogMode, dialog.Caption(), dialog.GetBounds().top), std::tuple(ChooserField::Target, "Zielordner wählen!", 50 + 72 + 24 + 2));
    EXPECT_EQ(Shown(), "q q:\\");
    dialog.Nimms.Click();
    EXPECT_EQ(Edit2.Text() + " " + Edit1.Text(), "q:\\ c:\\spiele\\zantorik\\texte");
    // An empty field keeps what the chooser showed last.
    Edit2.SetText(""), dialog.OpenFor(ChooserField::Target, setup, Edit2);
    EXPECT_EQ(Shown(), "q q:\\");
}

// The drive list switches the tree to the drive's root; a floppy without disk says so, the tree stays.
TEST_F(Chooser, DriveBoxSwitchesTheTreeOrSaysTheDriveIsNotReady) {
    Edit2.SetText("c:\\windows"), dialog.OpenFor(ChooserField::Target, setup, Edit2);
    EXPECT_EQ(dialog.DriveBox.Items(), (std::vector<std::string>{"a:", "c: [SYSTEM]", "q: [DATEN]"}));
    const auto pick = [&](int item) { return dialog.DriveBox.Select(item) ? dialog.DirBox.Directory() : "refused"; };
    EXPECT_EQ(pick(2), "q:\\");
    fake.dialogs.Answer(platform::mrOk);
    EXPECT_EQ(pick(1), "c:\\");
    EXPECT_EQ(pick(0), "c:\\");
    ASSERT_EQ(fake.dialogs.shown.size(), 1u);
    EXPECT_EQ(std::tuple(fake.dialogs.shown[0].text, fake.dialogs.shown[0].type),
              std::tuple("Laufwerk nicht bereit!\n\rÜberprüfen Sie den Datenträger.", platform::DlgType::Error));
    fake.files.Drive('A').ready = true;
    EXPECT_EQ(pick(1), "c:\\");
    EXPECT_EQ(pick(0), "a:\\");
    // The multi-copy box puts a:\ into the field: opening on it without a disk says so once more.
    EXPECT_EQ(pick(1), "c:\\");
    fake.files.Drive('A').ready = false;
    dialog.Hide(), Edit2.SetText("a:\\");
    fake.dialogs.Answer(platform::mrOk);
    dialog.OpenFor(ChooserField::Target, setup, Edit2);
    EXPECT_EQ(std::tuple(fake.dialogs.shown.size(), dialog.Visible()), std::tuple(2u, true));
}

// On activation the tree follows the field of its mode; a missing folder goes to its drive's root.
TEST_F(Chooser, ActivationFollowsTheFieldOfTheMode) {
    Edit1.SetText("c:\\windows"), dialog.OpenFor(ChooserField::Source, setup, Edit1);
    for (const auto& [field, shown] : {std::pair{"c:\\spiele", "c c:\\spiele"}, {"q:\\daten", "q q:\\"}}) {
        setup.Activate(), Edit1.SetText(field), dialog.Activate();
        EXPECT_EQ(Shown(), shown);
    }
}

}  // namespace zk::test
