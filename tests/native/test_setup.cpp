// The setup window as the player meets it: opened from the launcher, whole
// runs over the fake drives, every question answered from a script.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "common/error.h"
#include "common/runflags.h"
#include "common/text.h"
#include "launcher/Unit1.h"
#include "launcher/program.h"
#include "platform/fake/fake_platform.h"
#include "setup/Dirlog.h"
#include "setup/Zksetup1.h"

namespace zk::test {

using platform::DlgButton;
using platform::DlgType;
using platform::mrNo;
using platform::mrYes;

namespace {

// Stands in for the archive component: it reads each named file relative to
// the current folder, as the zip library does, and keeps what it was given
// per archive. An archive whose folder is missing cannot be written; a name
// in `refuse` is not added; with `forget` the directory reads back empty.
class RecordingZip : public ZipArchive {
public:
    explicit RecordingZip(platform::FakeFileSystem& files) : files_(files) {}
    void SetAddCompLevel(int level) override { log.push_back("level " + std::to_string(level)); }
    void SetAddOptions(uint16_t options) override { log.push_back("options " + std::to_string(options)); }
    void SetZipFileName(const std::string& name) override {
        name_ = name;
        log.push_back("name " + name);
    }
    void SetFSpecArgs(const std::vector<std::string>& specs) override { specs_ = specs; }
    bool AddFiles() override {
        if (onAdd) onAdd();
        const std::string folder = name_.substr(0, name_.rfind('\\') + 1);
        const size_t before = failures.size();
        for (const std::string& spec : specs_) {
            log.push_back("add " + spec + " from " + files_.CurrentDir());
            if (!files_.FileExists(spec)) {
                failures.push_back("missing " + spec);
            } else if (!files_.DirExists(folder)) {
                failures.push_back("no folder for " + name_);
            } else if (refuse.count(spec)) {
                failures.push_back("refused " + spec);
            } else {
                archives[UpperCaseDE(name_)][spec] = files_.Content(spec);
                files_.AddFile(name_, "PK");
            }
        }
        specs_.clear();
        return failures.size() == before;
    }
    std::vector<std::string> Entries() override {
        std::vector<std::string> names;
        if (!forget)
            for (const auto& [name, content] : archives[UpperCaseDE(name_)]) names.push_back(name);
        return names;
    }
    std::set<std::string> refuse;
    bool forget = false;
    std::vector<std::string> log;
    std::vector<std::string> failures;
    std::map<std::string, std::map<std::string, std::string>> archives;  // by upper-cased name
    std::function<void()> onAdd;

private:
    platform::FakeFileSystem& files_;
    std::string name_;
    std::vector<std::string> specs_;
};

// Writes down what a control shows each time it is repainted, and the
// window's cursor at that moment.
class RunRecorder : public ui::Peer {
public:
    RunRecorder(ui::Control& control, std::vector<std::string>& log) : control_(control), log_(log) {}
    void Changed(ui::Prop) override {}
    void Repaint() override {
        const bool busy = control_.OwnerForm()->GetCursor() == ui::Cursor::HourGlass;
        std::string shown = control_.GetKind() == ui::Kind::Gauge
                                ? std::to_string(static_cast<ui::Gauge&>(control_).Progress())
                                : control_.Caption();
        log_.push_back(control_.Name() + "=" + shown + (busy ? " (busy)" : ""));
    }

private:
    ui::Control& control_;
    std::vector<std::string>& log_;
};

}  // namespace

struct Setup : ::testing::Test {
    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
    RecordingZip* zip = nullptr;
    std::unique_ptr<TFormStart> launcher;
    std::unique_ptr<TForm1> setup;
    std::unique_ptr<TGetDirDialog> chooser;
    std::vector<std::string> calls;
    std::vector<std::string> repaints;

    static constexpr const char* kGame = "D:\\ZANTORIK";

    Setup() {
        CopyDone = 0;
        MenuOffered = 0;
        fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) {
            ADD_FAILURE() << "unexpected dialog: " << r.text;
        };
        fake.app.SetHelpFile("ZANTORIK.HLP");
        // The program runs from the game's folder on a CD.
        fake.files.modulePath = std::string(kGame) + "\\ZKSTART.EXE";
        fake.files.Drive('C');
        fake.files.Drive('D').type = platform::DriveType::CDRom;
        auto& a = fake.files.Drive('A');
        a.type = platform::DriveType::Removable;
        a.free = 1457664;
        fake.files.AddFile(std::string(kGame) + "\\ZANTORIK.EXE", std::string(20000, 'Z'));
        fake.files.AddFile(std::string(kGame) + "\\ZKSTART.EXE", "start");
        fake.files.AddFile(std::string(kGame) + "\\ZANTORIK.HLP", "help");
        fake.files.AddFile(std::string(kGame) + "\\SAVE.DAT", "not listed");
        fake.files.AddFile(std::string(kGame) + "\\TEXTE\\THEMA.{1}", "Thema eins");

        // The windows in the order the main entry makes them, wired as it wires them.
        launcher = std::make_unique<TFormStart>(platform);
        launcher->Created();
        auto z = std::make_unique<RecordingZip>(fake.files);
        zip = z.get();
        setup = std::make_unique<TForm1>(platform, SetupSeams{}, std::move(z));
        setup->Created();
        chooser = std::make_unique<TGetDirDialog>(platform);
        chooser->Created();
        ConnectSetupAndLauncher(*setup, *launcher);
        ConnectFolderChooser(*setup, *chooser);
        launcher->seams.hideFolderChooser = [this] { chooser->HideIfVisible(); };
        setup->seams.showAboutBox = [this] { calls.push_back("about"); };
        setup->seams.createMenuEntries = [this](const std::string& folder) { calls.push_back("menu " + folder); };
        launcher->seams.createMenuEntries = [this](const std::string& folder) {
            calls.push_back("launcher menu " + folder);
        };
        TForm1& f = *setup;
        for (ui::Control* c : std::vector<ui::Control*>{&f.Statuslabel, &f.txbyte2copy, &f.txHDrest, &f.Gauge1, &f.Label3})
            c->AttachPeer(std::make_unique<RunRecorder>(*c, repaints));
        launcher->Show();
    }
    ~Setup() override {
        CopyDone = 0;
        MenuOffered = 0;
    }

    static void Press(ui::Button& b) { b.Perform([&] { b.Click(); }); }
    // The launcher's "Zantorik kopieren".
    TForm1& Open() {
        Press(launcher->ZKSetup);
        return *setup;
    }
    void Start(const std::string& source, const std::string& target) {
        // An empty source keeps the preset: the program's own folder.
        if (!source.empty()) setup->Edit1.Type(source);
        setup->Edit2.Type(target);
        Press(setup->ButStart);
    }
    // The questions asked since the last look, one line each.
    std::vector<std::string> Asked() {
        std::vector<std::string> out;
        for (const auto& r : fake.dialogs.shown) {
            std::string type = r.type == DlgType::Information    ? "info"
                               : r.type == DlgType::Confirmation ? "confirm"
                               : r.type == DlgType::Error        ? "error"
                                                                 : "warning";
            std::string buttons;
            for (DlgButton b : r.buttons) buttons += b == DlgButton::Yes ? "Y" : b == DlgButton::No ? "N" : "?";
            out.push_back(type + " " + buttons + ": " + r.text);
        }
        fake.dialogs.shown.clear();
        return out;
    }
    std::string Focus() {
        ui::Control* c = setup->ActiveControl();
        return c ? c->Name() : "none";
    }
    // The launcher as it shows its options again: it reloads them (the
    // free parameters back to "/") unless the setup finished a copy.
    bool LauncherKeptItsOptions() { return launcher->ed_param.Text() == "/keep"; }
    void ChangeLauncherOptions() { launcher->ed_param.SetText("/keep"); }
    std::vector<std::string> Repaints(const std::string& name) {
        std::vector<std::string> out;
        for (const auto& r : repaints)
            if (r.compare(0, name.size() + 1, name + "=") == 0) out.push_back(r.substr(name.size() + 1));
        return out;
    }
    void ExpectIdle() {
        TForm1& f = *setup;
        for (ui::Control* c : std::vector<ui::Control*>{&f.box1, &f.Edit1, &f.Edit2, &f.getquelle, &f.getziel,
                                                        &f.ButStart, &f.ButEnde, &f.Panel1, &f.ChkMulti, &f.chkZip,
                                                        &f.ButInfo, &f.Hilfe})
            EXPECT_TRUE(c->Enabled()) << c->Name();
        EXPECT_EQ(f.GetCursor(), ui::Cursor::Default);
    }
};

static const std::vector<std::string> kListed = {"ZANTORIK.EXE", "ZKSTART.EXE", "ZANTORIK.HLP", "TEXTE\\THEMA.{1}"};
constexpr int32_t kGameSize = 20000 + 5 + 4 + 10;

TEST_F(Setup, WindowAndControls) {
    TForm1& f = *setup;
    EXPECT_EQ(f.Caption(), "ZANTORIK Setup V2.03");
    EXPECT_EQ(f.ClientWidth(), 426);
    EXPECT_EQ(f.ClientHeight(), 220);
    EXPECT_EQ(f.borderStyle, ui::BorderStyle::Dialog);
    EXPECT_TRUE(f.borderIcons.systemMenu);
    EXPECT_FALSE(f.borderIcons.minimize || f.borderIcons.maximize);
    EXPECT_TRUE(f.centered);
    EXPECT_EQ(f.GetFont().name, "System");
    EXPECT_FALSE(f.Visible());

    struct Row {
        ui::Control& c;
        ui::Control* parent;
        int left, top, width, height;
        std::string caption, hint;
        ui::Cursor cursor;
    } rows[] = {
        {f.box1, &f, 0, 0, 426, 105, "Kopieren", "", ui::Cursor::Default},
        {f.Label1, &f.box1, 8, 16, 80, 16, "von Quelle", "Hier sind alle ZANTORIK-Dateien zu finden, die kopiert werden.",
         ui::Cursor::Default},
        {f.Edit1, &f.box1, 8, 32, 385, 24, "", "", ui::Cursor::Default},
        {f.getquelle, &f.box1, 400, 32, 19, 25, "...", "Order wählen", ui::Cursor::Default},
        {f.Label2, &f.box1, 8, 56, 80, 16, "nach Ziel", "Im Ziel wird ein ZANTORIK-Ordner angelegt.", ui::Cursor::Default},
        {f.Edit2, &f.box1, 8, 72, 385, 24, "", "", ui::Cursor::Default},
        {f.getziel, &f.box1, 400, 72, 19, 25, "...", "Ordner wählen", ui::Cursor::Default},
        {f.chkZip, &f, 4, 104, 109, 17, "Komprimieren", "Für eine kompakte Zip-Datei ", ui::Cursor::HandPoint},
        {f.ChkMulti, &f, 4, 120, 105, 17, "Multi-Copy A:\\", "Viele Disketten-Kopien anfertigen", ui::Cursor::HandPoint},
        {f.ButStart, &f, 112, 108, 73, 25, "Start", "Mit dem installieren oder kopieren beginnen", ui::Cursor::HandPoint},
        {f.ButInfo, &f, 192, 108, 73, 25, "Infos", "über die ZANTORIK-Programme", ui::Cursor::HandPoint},
        {f.Hilfe, &f, 272, 108, 73, 25, "Hilfe", "zu Setup", ui::Cursor::HandPoint},
        {f.ButEnde, &f, 352, 108, 73, 25, "Ende", "Setup beenden", ui::Cursor::HandPoint},
        {f.Panel1, &f, 0, 136, 426, 84, "", "", ui::Cursor::Default},
        {f.Image1, &f.Panel1, 8, 8, 409, 33, "", "", ui::Cursor::Default},
        {f.Label3, &f.Panel1, 8, 8, 150, 16, "Noch zu Kopieren", "", ui::Cursor::Default},
        {f.txbyte2copy, &f.Panel1, 8, 24, 150, 16, "?", "", ui::Cursor::Default},
        {f.Label4, &f.Panel1, 327, 8, 90, 16, "Restkapazität ", "", ui::Cursor::Default},
        {f.Gauge1, &f.Panel1, 8, 48, 409, 18, "", "", ui::Cursor::Default},
        {f.Filebox, &f, 8, 144, 137, 65, "", "", ui::Cursor::Default},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.c.Name());
        EXPECT_EQ(r.c.Parent(), r.parent);
        const ui::Bounds& b = r.c.GetBounds();
        EXPECT_EQ(b.left, r.left);
        EXPECT_EQ(b.top, r.top);
        EXPECT_EQ(b.width, r.width);
        EXPECT_EQ(b.height, r.height);
        EXPECT_EQ(r.c.Caption(), r.caption);
        EXPECT_EQ(r.c.Hint(), r.hint);
        EXPECT_TRUE(r.c.ShowHint());
        EXPECT_EQ(r.c.GetCursor(), r.cursor);
        EXPECT_EQ(r.c.GetFont().name, "MS Sans Serif");
        EXPECT_EQ(r.c.GetFont().height, 13);
        const bool italic = &r.c == &f.Label1 || &r.c == &f.Label2;
        EXPECT_EQ(r.c.GetFont().italic, italic);
        const bool start = &r.c == &f.ButStart;
        EXPECT_EQ(r.c.GetFont().bold, start);
        EXPECT_EQ(r.c.GetFont().underline, start);
    }
    // The free bytes end where "Restkapazität " ends, however long they get.
    const ui::Bounds& rest = f.txHDrest.GetBounds();
    EXPECT_EQ(rest.left + rest.width, 417);
    EXPECT_EQ(rest.top, 24);
    EXPECT_EQ(f.txHDrest.alignment, ui::Label::Align::Right);
    EXPECT_EQ(f.Label4.alignment, ui::Label::Align::Right);
    for (ui::Label* l : {&f.Label3, &f.txbyte2copy, &f.Label4, &f.txHDrest}) EXPECT_TRUE(l->transparent) << l->Name();
    // The status line lies along the panel's bottom, inside its two bevels.
    const ui::Bounds& s = f.Statuslabel.GetBounds();
    EXPECT_EQ(s.top + s.height, 84 - 2);
    EXPECT_EQ(s.height, 16);
    EXPECT_EQ(s.width, 426 - 4);
    EXPECT_EQ(f.Statuslabel.alignment, ui::Label::Align::Center);
    EXPECT_EQ(f.Panel1.bevelInner, ui::Panel::BevelKind::Lowered);
    EXPECT_TRUE(f.Image1.center);
    EXPECT_FALSE(f.Image1.Enabled());
    EXPECT_TRUE(f.Image1.picture != nullptr);
    EXPECT_EQ(f.Gauge1.foreColor, ui::clLime);
    EXPECT_EQ(f.Gauge1.backColor, ui::clBlack);
    EXPECT_FALSE(f.Gauge1.border);
    EXPECT_FALSE(f.Gauge1.ShowText());
    EXPECT_TRUE(f.Filebox.verticalScrollBar);
    EXPECT_EQ(f.Edit1.charCase, ui::CharCase::Lower);
    EXPECT_EQ(f.Edit2.charCase, ui::CharCase::Lower);
    EXPECT_FALSE(f.ChkMulti.tabStop);
    EXPECT_TRUE(f.chkZip.tabStop);
    // The stored settings of the archive component.
    EXPECT_EQ(zip->log, (std::vector<std::string>{"level 9", "options 1", "name zantorik.zip"}));
}

TEST_F(Setup, TabOrderRunsThroughTheGroupThenTheWindow) {
    TForm1& f = *setup;
    // Inside box1.
    std::vector<ui::Control*> inBox = {&f.Edit1, &f.getquelle, &f.Edit2, &f.getziel};
    for (size_t i = 0; i < inBox.size(); ++i) EXPECT_EQ(inBox[i]->TabOrder(), static_cast<int>(i)) << inBox[i]->Name();
    std::vector<ui::Control*> onWindow = {&f.box1, &f.ButStart, &f.ButInfo, &f.Hilfe, &f.ButEnde, &f.chkZip, &f.Panel1, &f.Filebox};
    for (size_t i = 0; i < onWindow.size(); ++i)
        EXPECT_EQ(onWindow[i]->TabOrder(), static_cast<int>(i)) << onWindow[i]->Name();
    // The real window tabs through its controls in the order they were made.
    std::vector<std::string> made;
    for (ui::Control* c : f.Children()) made.push_back(c->Name());
    EXPECT_EQ(made, (std::vector<std::string>{"box1", "ButStart", "ButInfo", "Hilfe", "ButEnde", "chkZip", "Panel1",
                                              "Filebox", "ChkMulti"}));
    std::vector<std::string> inGroup;
    for (ui::Control* c : f.box1.Children())
        if (c->GetKind() != ui::Kind::Label) inGroup.push_back(c->Name());
    EXPECT_EQ(inGroup, (std::vector<std::string>{"Edit1", "getquelle", "Edit2", "getziel"}));
}

TEST_F(Setup, OpenedFromTheLauncherWithItsPresets) {
    TForm1& f = Open();
    EXPECT_FALSE(launcher->Visible());
    EXPECT_TRUE(f.Visible());
    EXPECT_TRUE(f.Active());
    EXPECT_EQ(f.Edit1.Text(), "d:\\zantorik\\");
    EXPECT_EQ(f.Edit2.Text(), "c:\\");
    EXPECT_EQ(f.txbyte2copy.Caption(), "?");
    EXPECT_EQ(f.txHDrest.Caption(), "?");
    EXPECT_EQ(Focus(), "Edit1");
    EXPECT_EQ(f.Statuslabel.Caption(), "QUELLE bitte ändern, wenn nicht korrekt.");
    f.Edit2.SetFocus();
    EXPECT_EQ(f.Statuslabel.Caption(), "Im ZIEL wird ein Ordner \"ZANTORIK\" angelegt.");
}

TEST_F(Setup, MultiCopyTicksTheFloppyAndUntickingLeavesIt) {
    TForm1& f = Open();
    f.ChkMulti.Toggle();
    EXPECT_EQ(f.Edit2.Text(), "a:\\");
    f.Edit2.Type("c:\\spiele");
    f.ChkMulti.Toggle();
    EXPECT_EQ(f.Edit2.Text(), "c:\\spiele");
}

TEST_F(Setup, FolderChooserServesBothFieldsAndHidesWhenTheWindowIsActiveAgain) {
    TForm1& f = Open();
    fake.files.AddDir("C:\\SPIELE");
    f.Edit2.Type("c:\\spiele");
    Press(f.getziel);
    EXPECT_TRUE(chooser->Visible());
    EXPECT_EQ(DialogMode, 2);
    EXPECT_EQ(chooser->Caption(), "Zielordner wählen!");
    EXPECT_EQ(chooser->DirBox.Directory(), "c:\\spiele");
    // Clicking back into the setup window.
    f.Deactivate();
    f.Activate();
    EXPECT_FALSE(chooser->Visible());
    EXPECT_EQ(f.Edit2.Text(), "c:\\spiele");
    EXPECT_EQ(Focus(), "Edit1");

    Press(f.getquelle);
    EXPECT_EQ(DialogMode, 1);
    EXPECT_EQ(chooser->Caption(), "Quellordner wählen!");
    EXPECT_EQ(chooser->DirBox.Directory(), "d:\\zantorik");
    Press(chooser->Nimms);
    EXPECT_EQ(f.Edit1.Text(), "d:\\zantorik");
    EXPECT_FALSE(chooser->Visible());
}

TEST_F(Setup, InfosShowsTheAboutBoxAndHilfeTheSetupTopic) {
    TForm1& f = Open();
    Press(f.ButInfo);
    EXPECT_EQ(calls, (std::vector<std::string>{"about"}));
    Press(f.Hilfe);
    ASSERT_EQ(fake.help.calls.size(), 2u);
    EXPECT_EQ(fake.help.calls[0].file, "ZANTORIK.HLP");
    EXPECT_EQ(fake.help.calls[0].command, platform::HelpCommand::Contents);
    EXPECT_EQ(fake.help.calls[1].command, platform::HelpCommand::Command);
    EXPECT_EQ(fake.help.calls[1].data, "JumpID(\"\",\"thsetup\")");
    fake.help.calls.clear();
    fake.help.succeed = false;  // no help file: nothing more is asked
    Press(f.Hilfe);
    EXPECT_EQ(fake.help.calls.size(), 1u);
}

TEST_F(Setup, FloppyMultiCopyOneDiskAfterAnother) {
    TForm1& f = Open();
    f.ChkMulti.Toggle();
    fake.dialogs.Answer(mrYes);
    Press(f.ButStart);
    const std::string done = "info YN: Installation erfolgreich abgeschlossen.\n\rWeitere Kopie erstellen?";
    EXPECT_EQ(Asked(), (std::vector<std::string>{done}));
    EXPECT_EQ(fake.files.Content("A:\\ZANTORIK\\ZANTORIK.EXE"), std::string(20000, 'Z'));
    EXPECT_EQ(fake.files.Content("A:\\ZANTORIK\\TEXTE\\THEMA.{1}"), "Thema eins");
    EXPECT_TRUE(f.Visible());
    EXPECT_EQ(Focus(), "Edit2");
    EXPECT_EQ(f.Statuslabel.Caption(), "Im ZIEL wird ein Ordner \"ZANTORIK\" angelegt.");
    EXPECT_EQ(CopyDone, 0);
    EXPECT_EQ(MenuOffered, 0);
    ExpectIdle();

    // The next disk, then enough.
    fake.files.RemoveDrive('A');
    fake.files.Drive('A').type = platform::DriveType::Removable;
    fake.dialogs.Answer(mrNo);
    Press(f.ButStart);
    EXPECT_EQ(Asked(), (std::vector<std::string>{done}));
    EXPECT_EQ(fake.files.Content("A:\\ZANTORIK\\ZKSTART.EXE"), "start");
    EXPECT_FALSE(f.Visible());
    EXPECT_TRUE(launcher->Visible());
    EXPECT_FALSE(launcher->ZKSetup.Enabled());
    EXPECT_EQ(CopyDone, 0);
}

TEST_F(Setup, SingleFloppyCopyEndsWithoutAQuestion) {
    TForm1& f = Open();
    Start("", "a:");
    EXPECT_TRUE(Asked().empty());
    EXPECT_EQ(fake.files.Content("A:\\ZANTORIK\\ZANTORIK.HLP"), "help");
    EXPECT_EQ(f.Statuslabel.Caption(), "Geschafft!");
    EXPECT_TRUE(f.Visible());
    EXPECT_EQ(CopyDone, 1);
    EXPECT_EQ(MenuOffered, 0);
    ExpectIdle();
}

TEST_F(Setup, CopyToAFolderAsksForTheStartMenuThenToStart) {
    struct Case {
        int menu, start;
        bool menuMade, closed;
        uint8_t copyDone;
    } cases[] = {
        {mrYes, mrYes, true, true, 1},
        {mrYes, mrNo, true, false, 0},
        {mrNo, mrYes, false, true, 1},
        {mrNo, mrNo, false, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.menu) + "/" + std::to_string(c.start));
        calls.clear();
        setup->Hide();
        launcher->ZKSetup.SetEnabled(true);
        launcher->Show();
        TForm1& f = Open();
        fake.dialogs.Answer(c.menu);
        fake.dialogs.Answer(c.start);
        Start("d:\\zantorik", "c:\\spiele\\");
        EXPECT_EQ(Asked(), (std::vector<std::string>{
                               "info YN: Installation erfolgreich abgeschlossen.\n\rZANTORIK ins Startmenü einbinden?",
                               "confirm YN: ZANTORIK wurde erfolgreich installiert. Jetzt starten?"}));
        EXPECT_EQ(calls, c.menuMade ? std::vector<std::string>{"menu c:\\spiele\\ZANTORIK"} : std::vector<std::string>{});
        EXPECT_EQ(fake.files.Content("C:\\SPIELE\\ZANTORIK\\ZANTORIK.EXE"), std::string(20000, 'Z'));
        EXPECT_EQ(f.Visible(), !c.closed);
        EXPECT_EQ(launcher->Visible(), c.closed);
        EXPECT_EQ(CopyDone, c.copyDone);
        EXPECT_EQ(MenuOffered, 1);
        ExpectIdle();
    }
}

TEST_F(Setup, ZipRunsIntoTheTargetFolderAndASecondRunWritesTheSamePath) {
    TForm1& f = Open();
    f.chkZip.Toggle();
    std::vector<std::string> during;
    zip->onAdd = [&] {
        during.push_back(f.Statuslabel.Caption() + "|" + f.Label3.Caption() + "|" +
                         (f.GetCursor() == ui::Cursor::HourGlass ? "busy" : "idle") + "|" +
                         (f.ButStart.Enabled() ? "enabled" : "disabled"));
    };
    fake.dialogs.Answer(mrNo);
    Start("d:\\zantorik\\", "c:\\ziel");
    EXPECT_EQ(Asked(), (std::vector<std::string>{"info YN: Zip erfolgreich erstellt!\n\rSetup verlassen?"}));
    EXPECT_TRUE(fake.files.DirExists("C:\\ZIEL"));
    EXPECT_FALSE(fake.files.Exists("C:\\ZIEL\\ZANTORIK"));  // no game folder for an archive
    EXPECT_TRUE(zip->failures.empty()) << zip->failures.front();
    std::vector<std::string> expectLog = {"name c:\\ziel\\zantorik.zip"};
    for (const auto& name : kListed) expectLog.push_back("add " + name + " from D:\\ZANTORIK");
    EXPECT_EQ(std::vector<std::string>(zip->log.begin() + 3, zip->log.end()), expectLog);
    const auto& archive = zip->archives["C:\\ZIEL\\ZANTORIK.ZIP"];
    EXPECT_EQ(archive.size(), kListed.size());
    EXPECT_EQ(archive.at("TEXTE\\THEMA.{1}"), "Thema eins");
    EXPECT_EQ(during.front(), "Dateien werden gezippt...|Noch zu Zippen|busy|disabled");
    EXPECT_EQ(during.size(), kListed.size());
    // The counts follow the files one by one.
    EXPECT_EQ(Repaints("txbyte2copy"),
              (std::vector<std::string>{"?", "20.019 (busy)", "19 (busy)", "14 (busy)", "10 (busy)", "0 (busy)"}));
    EXPECT_EQ(Repaints("Gauge1").back(), std::to_string(kGameSize) + " (busy)");
    EXPECT_EQ(f.Gauge1.Max(), kGameSize);
    EXPECT_TRUE(f.Gauge1.ShowText());
    EXPECT_EQ(f.Statuslabel.Caption(), "Geschafft!");
    EXPECT_TRUE(f.Visible());
    EXPECT_EQ(CopyDone, 1);
    EXPECT_EQ(MenuOffered, 0);
    ExpectIdle();

    // Again into the same folder, now there: the same archive, written anew.
    zip->log.clear();
    fake.dialogs.Answer(mrYes);
    Press(f.ButStart);
    EXPECT_EQ(Asked(), (std::vector<std::string>{"info YN: Zip erfolgreich erstellt!\n\rSetup verlassen?"}));
    ASSERT_FALSE(zip->log.empty());
    EXPECT_EQ(zip->log.front(), "name c:\\ziel\\zantorik.zip");
    EXPECT_EQ(zip->log.size(), 1 + kListed.size());
    EXPECT_FALSE(f.Visible());
    EXPECT_TRUE(launcher->Visible());
    EXPECT_FALSE(launcher->ZKSetup.Enabled());
    EXPECT_EQ(CopyDone, 1);
}

TEST_F(Setup, ZipIntoADriveRootMakesNoFolder) {
    TForm1& f = Open();
    f.chkZip.Toggle();
    fake.dialogs.Answer(mrNo);
    Start("", "c:");
    EXPECT_EQ(zip->log[3], "name c:\\zantorik.zip");
    EXPECT_TRUE(zip->failures.empty());
    EXPECT_EQ(zip->archives["C:\\ZANTORIK.ZIP"].size(), kListed.size());
}

// A zip run that writes nothing, or not everything, says so and ends like a
// failed copy.
TEST_F(Setup, AZipRunThatFailsEndsLikeAFailedCopy) {
    struct Case {
        const char* what;
        std::string target;
        std::function<void()> fault;
        size_t adds;  // calls that reached the component
    } cases[] = {
        {"a file as target", "c:\\datei.txt", [&] { fake.files.AddFile("C:\\DATEI.TXT", "x"); }, 0},
        {"an add that fails", "c:\\ziel", [&] { zip->refuse = {"ZKSTART.EXE"}; }, 2},
        {"no read-back", "c:\\ziel", [&] { zip->forget = true; }, kListed.size()},
    };
    TForm1& f = Open();
    f.chkZip.Toggle();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        zip->refuse.clear();
        zip->forget = false;
        zip->log.clear();
        c.fault();
        fake.dialogs.Answer(mrYes);
        Start("", c.target);
        EXPECT_EQ(Asked(), (std::vector<std::string>{
                               "info YN: Installation leider fehlgeschlagen...\n\rWeitere Kopie erstellen?"}));
        EXPECT_EQ(Repaints("Statuslabel").back(), "So ein Mist...");
        EXPECT_EQ(zip->log.size() - (c.adds ? 1 : 0), c.adds);
        EXPECT_EQ(CopyDone, 0);
        EXPECT_EQ(Focus(), "Edit2");
        ExpectIdle();
    }
}

// Its files are listed and zipped on their own lines; the folder's line is
// no file to add.
TEST_F(Setup, ZipSkipsAFolderNamedLikeAGameFile) {
    fake.files.AddFile(std::string(kGame) + "\\ALT.EXE\\ALT.TXT", "alt");
    TForm1& f = Open();
    f.chkZip.Toggle();
    fake.dialogs.Answer(mrNo);
    Start("", "c:\\ziel");
    EXPECT_EQ(Asked(), (std::vector<std::string>{"info YN: Zip erfolgreich erstellt!\n\rSetup verlassen?"}));
    EXPECT_TRUE(zip->failures.empty()) << zip->failures.front();
    EXPECT_EQ(zip->archives["C:\\ZIEL\\ZANTORIK.ZIP"].at("ALT.EXE\\ALT.TXT"), "alt");
    EXPECT_EQ(zip->archives["C:\\ZIEL\\ZANTORIK.ZIP"].size(), kListed.size() + 1);
}

TEST_F(Setup, ZipAndMultiCopyTogetherAskOnlyTheZipQuestion) {
    TForm1& f = Open();
    f.chkZip.Toggle();
    f.ChkMulti.Toggle();
    fake.dialogs.Answer(mrNo);
    Press(f.ButStart);
    EXPECT_EQ(Asked(), (std::vector<std::string>{"info YN: Zip erfolgreich erstellt!\n\rSetup verlassen?"}));
    EXPECT_EQ(zip->archives["A:\\ZANTORIK.ZIP"].size(), kListed.size());
    EXPECT_FALSE(fake.files.Exists("A:\\ZANTORIK"));
    EXPECT_EQ(CopyDone, 1);
}

TEST_F(Setup, AFailedTestLeavesEveryControlEnabledAndThePathsAsTyped) {
    struct Case {
        std::string source, target, message, focus;
    } cases[] = {
        {"c:\\nirgends", " C:/Ziel ", "In diesem \"Quell\"-Verzeichnis gibt es keine ZANTORIK-Dateien.", "Edit1"},
        {"d:\\zantorik", "d:\\anders", "Das Ziellaufwerk ist schreibgeschützt, nicht bereit oder unbekannt.", "Edit2"},
        {"d:\\zantorik", "d:\\zantorik", "Quelle und Ziel müssen verschieden sein!", "Edit1"},
        {"zantorik", "c:\\", "Quelle und Ziel benötigen Laufwerksbuchstaben, auf die je ein Doppelpunkt folgt.", "Edit1"},
    };
    fake.files.Drive('D').writeProtected = true;
    TForm1& f = Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source + " -> " + c.target);
        fake.dialogs.Answer(platform::mrAbort);
        f.Edit1.Type(c.source);
        f.Edit2.Type(c.target);
        f.Edit1.SetFocus();
        Press(f.ButStart);
        auto asked = Asked();
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0], "error ?: " + c.message);
        EXPECT_EQ(f.Edit1.Text(), LowerCaseDE(c.source));
        EXPECT_EQ(f.Edit2.Text(), LowerCaseDE(c.target));
        EXPECT_EQ(Focus(), c.focus);
        EXPECT_TRUE(f.Visible());
        EXPECT_EQ(CopyDone, 0);
        ExpectIdle();
    }
    EXPECT_TRUE(zip->log.size() == 3);  // nothing zipped either
    EXPECT_FALSE(fake.files.Exists("C:\\ZIEL"));
}

TEST_F(Setup, AFailedCopyAsksForAnotherOne) {
    struct Case {
        int answer;
        bool open;
    } cases[] = {{mrYes, true}, {mrNo, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        setup->Hide();
        launcher->Show();
        TForm1& f = Open();
        fake.files.failWriteAfter["C:\\SPIELE\\ZANTORIK\\ZKSTART.EXE"] = 2;
        fake.dialogs.Answer(c.answer);
        Start("d:\\zantorik", "c:\\spiele");
        EXPECT_EQ(Asked(), (std::vector<std::string>{
                               "info YN: Installation leider fehlgeschlagen...\n\rWeitere Kopie erstellen?"}));
        EXPECT_EQ(Repaints("Statuslabel").back(), "So ein Mist...");
        EXPECT_EQ(f.Visible(), c.open);
        if (c.open) {
            EXPECT_EQ(Focus(), "Edit2");
        }
        EXPECT_EQ(CopyDone, 0);
        EXPECT_EQ(MenuOffered, 0);
        ExpectIdle();
    }
}

TEST_F(Setup, TheRunRepaintsItsCountsAtOnceWithTheHourglass) {
    TForm1& f = Open();
    fake.dialogs.Answer(mrNo);
    fake.dialogs.Answer(mrNo);
    Start("", "c:\\spiele");
    fake.dialogs.shown.clear();
    // Status first, then the counts the tests found, then every block.
    auto status = Repaints("Statuslabel");
    ASSERT_GE(status.size(), 4u);
    EXPECT_EQ(status[0], "Kopieren wird vorbereitet...");
    EXPECT_EQ(status[1], "Kopieren wird vorbereitet... (busy)");  // the refresh before the copy
    EXPECT_EQ(status[2], "ZANTORIK-Hauptprogramm (busy)");
    EXPECT_EQ(status.back(), "Geschafft!");
    auto left = Repaints("txbyte2copy");
    ASSERT_GE(left.size(), 3u);
    EXPECT_EQ(left[0], "?");
    EXPECT_EQ(left[1], DottedNumber(kGameSize) + " (busy)");
    EXPECT_EQ(left[2], DottedNumber(kGameSize - 8192) + " (busy)");
    EXPECT_EQ(left.back(), "0 (busy)");
    auto gauge = Repaints("Gauge1");
    ASSERT_FALSE(gauge.empty());
    EXPECT_EQ(gauge.front(), "8192 (busy)");
    EXPECT_EQ(gauge.back(), std::to_string(kGameSize) + " (busy)");
    EXPECT_EQ(f.Label3.Caption(), "Noch zu Kopieren");
    EXPECT_EQ(f.Filebox.Lines(), (std::vector<std::string>{"\\ZANTORIK.EXE", "\\ZKSTART.EXE", "\\ZANTORIK.HLP",
                                                            "\\TEXTE\\THEMA.{1}"}));
}

TEST_F(Setup, HugeFreeSpaceIsCappedAndAStillDriveShowsAktualisieren) {
    TForm1& f = Open();
    fake.files.Drive('C').free = uint64_t{1} << 40;
    fake.files.Drive('C').freeFollows = false;
    std::string shown;
    fake.dialogs.onShow = [&](const platform::DialogRequest&) { shown = f.txHDrest.Caption(); };
    fake.dialogs.Answer(mrNo);
    fake.dialogs.Answer(mrNo);
    Start("", "c:\\spiele");
    EXPECT_EQ(f.txHDrest.Tag(), 2147483647);
    EXPECT_EQ(shown, "Aktualisieren");
}

TEST_F(Setup, FlagsAsTheLauncherSeesThemAfterEachOutcome) {
    // The launcher reloads its options when it comes back unless a copy was
    // done; its exit renews the start-menu entries unless they were offered.
    struct Case {
        std::string name;
        std::function<void(TForm1&)> run;
        bool kept;
        bool offered;
    } cases[] = {
        {"closed at once", [&](TForm1& f) { Press(f.ButEnde); }, false, false},
        {"single floppy, then Ende", [&](TForm1& f) { Start("", "a:\\"); Press(f.ButEnde); }, true, false},
        {"zip, leave",
         [&](TForm1& f) {
             f.chkZip.Toggle();
             fake.dialogs.Answer(mrYes);
             Press(f.ButStart);
         },
         true, false},
        {"multi-copy, no more",
         [&](TForm1& f) {
             f.ChkMulti.Toggle();
             fake.dialogs.Answer(mrNo);
             Press(f.ButStart);
         },
         false, false},
        {"folder, start",
         [&](TForm1&) {
             fake.dialogs.Answer(mrNo);
             fake.dialogs.Answer(mrYes);
             Start("", "c:\\spiele");
         },
         true, true},
        {"folder, not now, then the close box",
         [&](TForm1& f) {
             fake.dialogs.Answer(mrNo);
             fake.dialogs.Answer(mrNo);
             Start("", "c:\\spiele");
             f.Close();
         },
         false, true},
        {"failed copy, no more",
         [&](TForm1&) {
             fake.files.failOpen.insert("D:\\ZANTORIK\\ZANTORIK.HLP");
             fake.dialogs.Answer(mrNo);
             Start("", "c:\\spiele");
         },
         false, false},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A fresh program run for each outcome.
        CopyDone = 0;
        MenuOffered = 0;
        fake.files.failOpen.clear();
        setup.reset();
        launcher = std::make_unique<TFormStart>(platform);
        launcher->Created();
        auto z = std::make_unique<RecordingZip>(fake.files);
        setup = std::make_unique<TForm1>(platform, SetupSeams{}, std::move(z));
        setup->Created();
        ConnectSetupAndLauncher(*setup, *launcher);
        launcher->seams.createMenuEntries = [this](const std::string& folder) {
            calls.push_back("launcher menu " + folder);
        };
        launcher->Show();
        ChangeLauncherOptions();
        TForm1& f = Open();
        c.run(f);
        Asked();
        EXPECT_FALSE(f.Visible());
        ASSERT_TRUE(launcher->Visible());
        EXPECT_FALSE(launcher->ZKSetup.Enabled());
        EXPECT_EQ(LauncherKeptItsOptions(), c.kept);
        calls.clear();
        Press(launcher->bt_exit);
        EXPECT_EQ(calls.empty(), c.offered);
    }
}

TEST_F(Setup, TheLauncherButtonStaysDisabledHoweverTheWindowCloses) {
    struct Case {
        std::string name;
        std::function<void(TForm1&)> close;
    } cases[] = {
        {"Ende", [&](TForm1& f) { Press(f.ButEnde); }},
        {"close box", [&](TForm1& f) { f.Close(); }},
        {"no further copy", [&](TForm1& f) {
             f.ChkMulti.Toggle();
             fake.dialogs.Answer(mrNo);
             Press(f.ButStart);
         }},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        launcher->ZKSetup.SetEnabled(true);
        setup->Hide();
        launcher->Show();
        Press(launcher->ZKSetup);
        c.close(*setup);
        EXPECT_FALSE(setup->Visible());
        EXPECT_TRUE(launcher->Visible());
        EXPECT_FALSE(launcher->ZKSetup.Enabled());
        // Pressing the disabled button does nothing on a real screen; the
        // window stays closed.
        EXPECT_FALSE(setup->Visible());
    }
}

TEST_F(Setup, EndeClosesTheChooserAndShowsTheLauncher) {
    TForm1& f = Open();
    Press(f.getziel);
    ASSERT_TRUE(chooser->Visible());
    Press(f.ButEnde);
    EXPECT_FALSE(chooser->Visible());
    EXPECT_FALSE(f.Visible());
    EXPECT_TRUE(launcher->Visible());
    EXPECT_TRUE(launcher->Active());
}

TEST_F(Setup, ShowingAgainResetsThePathsAndTheMenuFlagButNotCopyDone) {
    TForm1& f = Open();
    fake.dialogs.Answer(mrNo);
    fake.dialogs.Answer(mrYes);
    Start("d:\\zantorik", "c:\\spiele");
    ASSERT_EQ(CopyDone, 1);
    ASSERT_EQ(MenuOffered, 1);
    ASSERT_FALSE(f.Visible());
    f.Edit1.Type("c:\\anders");
    f.Show();
    EXPECT_EQ(f.Edit1.Text(), "d:\\zantorik\\");
    EXPECT_EQ(f.Edit2.Text(), "c:\\");
    EXPECT_EQ(f.txbyte2copy.Caption(), "?");
    EXPECT_EQ(MenuOffered, 0);
    EXPECT_EQ(CopyDone, 1);
}

TEST_F(Setup, AnErrorFromTheStartMenuStillLeavesTheWindowUsable) {
    TForm1& f = Open();
    setup->seams.createMenuEntries = [](const std::string&) { throw InOutError(3); };
    fake.dialogs.Answer(mrYes);
    Start("", "c:\\spiele");
    EXPECT_EQ(Asked().size(), 1u);  // "Jetzt starten?" is not reached
    ASSERT_EQ(fake.app.errors.size(), 1u);
    EXPECT_EQ(fake.app.errors[0], "E/A-Fehler 3");
    EXPECT_TRUE(f.Visible());
    ExpectIdle();
}

// The windows as the main entry makes and wires them.
TEST(SetupInProgram, WiredToTheLauncherTheChooserTheAboutBoxAndTheWelcome) {
    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
    fake.files.modulePath = "C:\\SPIELE\\ZANTORIK\\ZKSTART.EXE";
    fake.files.AddDir("C:\\SPIELE\\ZANTORIK");
    CopyDone = 0;
    Program program(platform);
    TForm1& setup = *program.setup;
    TFormStart& launcher = *program.launcher;
    EXPECT_FALSE(setup.Visible());

    // "Ignorieren" in the welcome shows the setup; the launcher stays hidden.
    program.splash->seams.showSetup();
    EXPECT_TRUE(setup.Visible());
    EXPECT_FALSE(launcher.Visible());
    EXPECT_EQ(setup.Edit1.Text(), "c:\\spiele\\zantorik\\");
    setup.ButInfo.Click();
    EXPECT_TRUE(program.about->Visible());
    setup.getziel.Click();
    EXPECT_TRUE(program.dirDialog->Visible());
    EXPECT_EQ(program.dirDialog->Caption(), "Zielordner wählen!");
    setup.Activate();
    EXPECT_FALSE(program.dirDialog->Visible());
    ASSERT_TRUE(setup.seams.createMenuEntries != nullptr);
    setup.ButEnde.Click();
    EXPECT_FALSE(setup.Visible());
    EXPECT_TRUE(launcher.Visible());
    EXPECT_FALSE(launcher.ZKSetup.Enabled());

    // The launcher's button, had it stayed enabled, opens it again.
    launcher.ZKSetup.Click();
    EXPECT_FALSE(launcher.Visible());
    EXPECT_TRUE(setup.Visible());
}

TEST(SetupWithoutArchive, KomprimierenCannotBeTicked) {
    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
    TForm1 f(platform);
    f.Created();
    EXPECT_FALSE(f.chkZip.Enabled());
    EXPECT_FALSE(f.ZipAll());
}

}  // namespace zk::test
