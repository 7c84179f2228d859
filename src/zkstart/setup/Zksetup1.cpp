#include "setup/Zksetup1.h"

#include "common/runflags.h"
#include "common/text.h"
#include "graphics/pictures.h"
#include "setup/Dirlog.h"

namespace zk {

using platform::DlgButton;
using platform::DlgType;

using ui::Place;

namespace {
ui::Font SansSerif(bool bold = false, bool underline = false, bool italic = false) {
    ui::Font f;
    f.height = 13;
    f.bold = bold;
    f.underline = underline;
    f.italic = italic;
    return f;
}
}  // namespace

TForm1::TForm1(platform::Platform& platform, SetupSeams seamsIn, std::unique_ptr<ZipArchive> zip)
    : Form(platform, "Form1"),
      seams(std::move(seamsIn)),
      box1(this, "box1"),
      Label1(&box1, "Label1"),
      Edit1(&box1, "Edit1"),
      getquelle(&box1, "getquelle"),
      Label2(&box1, "Label2"),
      Edit2(&box1, "Edit2"),
      getziel(&box1, "getziel"),
      ButStart(this, "ButStart"),
      ButInfo(this, "ButInfo"),
      Hilfe(this, "Hilfe"),
      ButEnde(this, "ButEnde"),
      chkZip(this, "chkZip"),
      Panel1(this, "Panel1"),
      Image1(&Panel1, "Image1"),
      Label3(&Panel1, "Label3"),
      txbyte2copy(&Panel1, "txbyte2copy"),
      Label4(&Panel1, "Label4"),
      txHDrest(&Panel1, "txHDrest"),
      Gauge1(&Panel1, "Gauge1"),
      Statuslabel(&Panel1, "Statuslabel"),
      Filebox(this, "Filebox"),
      ChkMulti(this, "ChkMulti"),
      Zip(std::move(zip)),
      engine(platform, *this) {
    SetCaption("ZANTORIK Setup V2.03");
    borderStyle = ui::BorderStyle::Dialog;
    borderIcons = {true, false, false};
    SetClientSize(426, 220);
    centered = true;
    SetFont(ui::Font::System());

    // The copy group, aligned to the top.
    Place(box1, 0, 0, 426, 105, "Kopieren", "", 0);
    Place(Label1, 8, 16, 80, 16, "von Quelle", "Hier sind alle ZANTORIK-Dateien zu finden, die kopiert werden.", -1,
          SansSerif(false, false, true));
    Place(Edit1, 8, 32, 385, 24, "", "", 0);
    Place(getquelle, 400, 32, 19, 25, "...", "Order wählen", 1);
    Place(Label2, 8, 56, 80, 16, "nach Ziel", "Im Ziel wird ein ZANTORIK-Ordner angelegt.", -1,
          SansSerif(false, false, true));
    Place(Edit2, 8, 72, 385, 24, "", "", 2);
    Place(getziel, 400, 72, 19, 25, "...", "Ordner wählen", 3);
    Edit1.charCase = ui::CharCase::Lower;
    Edit2.charCase = ui::CharCase::Lower;

    Place(chkZip, 4, 104, 109, 17, "Komprimieren", "Für eine kompakte Zip-Datei ", 5);
    Place(ChkMulti, 4, 120, 105, 17, "Multi-Copy A:\\", "Viele Disketten-Kopien anfertigen", 8);
    ChkMulti.tabStop = false;
    Place(ButStart, 112, 108, 73, 25, "Start", "Mit dem installieren oder kopieren beginnen", 1, SansSerif(true, true));
    Place(ButInfo, 192, 108, 73, 25, "Infos", "über die ZANTORIK-Programme", 2);
    Place(Hilfe, 272, 108, 73, 25, "Hilfe", "zu Setup", 3);
    Place(ButEnde, 352, 108, 73, 25, "Ende", "Setup beenden", 4);
    for (ui::Control* c : std::initializer_list<ui::Control*>{&chkZip, &ChkMulti, &ButStart, &ButInfo, &Hilfe, &ButEnde})
        c->SetCursor(ui::Cursor::HandPoint);

    // The progress panel, aligned to the bottom.
    Place(Panel1, 0, 136, 426, 84, "", "", 6);
    Panel1.bevelInner = ui::Panel::BevelKind::Lowered;
    Image1.SetBounds(8, 8, 409, 33);
    Image1.center = true;
    Image1.picture = graphics::PaintSetupIcon;
    Image1.pictureWidth = graphics::kIconSize;
    Image1.pictureHeight = graphics::kIconSize;
    Image1.SetEnabled(false);
    Place(Label3, 8, 8, 150, 16, "Noch zu Kopieren", "", -1);
    Place(txbyte2copy, 8, 24, 150, 16, "", "", -1);
    // Right-aligned labels grow to the left from their right edge, as sized
    // labels do; the numbers need the room.
    Place(Label4, 327, 8, 90, 16, "Restkapazität ", "", -1);
    Place(txHDrest, 217, 24, 200, 16, "", "", -1);
    Label4.alignment = ui::Label::Align::Right;
    txHDrest.alignment = ui::Label::Align::Right;
    for (ui::Label* l : {&Label3, &txbyte2copy, &Label4, &txHDrest}) l->transparent = true;
    Place(Gauge1, 8, 48, 409, 18, "", "", -1);
    Gauge1.foreColor = ui::clLime;
    Gauge1.backColor = ui::clBlack;
    Gauge1.border = false;
    Gauge1.SetShowText(false);
    // Inside the panel's two bevels.
    Place(Statuslabel, 2, 66, 422, 16, "", "", -1);
    Statuslabel.alignment = ui::Label::Align::Center;

    // The file list lies where the progress panel is; it is the run's list,
    // not something to look at, and would cover the counts.
    Place(Filebox, 8, 144, 137, 65, "", "", 7);
    Filebox.verticalScrollBar = true;
    Filebox.SetVisible(false);

    if (!Zip) chkZip.SetEnabled(false);
    if (Zip) {
        // The settings stored with the component.
        Zip->SetAddCompLevel(9);
        Zip->SetAddOptions(zaoAddDirNames);
        Zip->SetZipFileName("zantorik.zip");
    }

    // Wire the handlers only now, so building the window fires none of them.
    Edit1.OnEnter = [this] { Edit1Enter(); };
    Edit2.OnEnter = [this] { Edit2Enter(); };
    getquelle.OnClick = [this] { getquelleClick(); };
    getziel.OnClick = [this] { getzielClick(); };
    ChkMulti.OnClick = [this] { ChkMultiClick(); };
    ButStart.OnClick = [this] { ButStartClick(); };
    ButInfo.OnClick = [this] { ButInfoClick(); };
    Hilfe.OnClick = [this] { HilfeClick(); };
    ButEnde.OnClick = [this] { ButEndeClick(); };
    OnCreate = [this] { FormCreate(); };
    OnShow = [this] { FormShow(); };
    OnActivate = [this] { FormActivate(); };
    OnClose = [this] { FormClose(); };
    OnCloseQuery = [this] { return !running_; };
}

void TForm1::FormCreate() {
    CopyDone = 0;
    FormShow();
}

void TForm1::FormShow() {
    MenuOffered = 0;
    Edit1.SetText(platform::ProgramFolder(platform.files));
    Edit2.SetText("C:\\");
    txbyte2copy.SetCaption("?");
    txHDrest.SetCaption("?");
}

void TForm1::FormActivate() {
    if (seams.hideFolderChooser) seams.hideFolderChooser();
    Edit1.SetFocus();
}

void TForm1::FormClose() {
    if (seams.disableLauncherSetup) seams.disableLauncherSetup();
    if (seams.showLauncher) seams.showLauncher();
}

void TForm1::Edit1Enter() { Statuslabel.SetCaption("QUELLE bitte ändern, wenn nicht korrekt."); }

void TForm1::Edit2Enter() { Statuslabel.SetCaption("Im ZIEL wird ein Ordner \"ZANTORIK\" angelegt."); }

void TForm1::ChkMultiClick() {
    if (ChkMulti.Checked()) Edit2.SetText("A:\\");
}

void TForm1::getquelleClick() {
    if (seams.openFolderChooser) seams.openFolderChooser(ChooserField::Source, Edit1);
}

void TForm1::getzielClick() {
    if (seams.openFolderChooser) seams.openFolderChooser(ChooserField::Target, Edit2);
}

void TForm1::ButInfoClick() {
    if (seams.showAboutBox) seams.showAboutBox();
}

void TForm1::HilfeClick() {
    const std::string file = helpFile.empty() ? platform.app.HelpFile() : helpFile;
    if (platform.help.Call(file, platform::HelpCommand::Contents, {}))
        platform.help.Call(file, platform::HelpCommand::Command, "JumpID(\"\",\"thsetup\")");
}

void TForm1::ButEndeClick() {
    if (seams.showLauncher) seams.showLauncher();
    if (seams.closeFolderChooser) seams.closeFolderChooser();
    Close();
}

void TForm1::LabelRefresh() {
    for (ui::Label* l : {&Label1, &Label2, &Label3, &txbyte2copy, &Label4, &txHDrest, &Statuslabel}) l->Repaint();
    Repaint();
}

void TForm1::SetRunControlsEnabled(bool on) {
    for (ui::Control* c : std::initializer_list<ui::Control*>{&box1, &ButStart, &Panel1, &ButEnde, &ChkMulti})
        c->SetEnabled(on);
    chkZip.SetEnabled(on && Zip);
}

void TForm1::ShowNumber(ui::Label& label, int32_t value) {
    label.SetCaption(DottedNumber(value));
    label.Repaint();
}

void TForm1::Status(const std::string& text) {
    Statuslabel.SetCaption(text);
    Statuslabel.Repaint();
}

void TForm1::Begin(const std::string& heading, int32_t total) {
    Label3.SetCaption(heading);
    Label3.Repaint();
    Gauge1.SetMax(total);
}

void TForm1::Progress(int32_t done, int32_t left) {
    Gauge1.SetProgress(done);
    Gauge1.Repaint();
    ShowNumber(txbyte2copy, left);
}

void TForm1::Free(int32_t bytes) { ShowNumber(txHDrest, bytes); }

void TForm1::FreeNotFollowed() {
    txHDrest.SetCaption("Aktualisieren");
    txHDrest.Repaint();
}

void TForm1::Focus(Field field) { (field == Field::Source ? Edit1 : Edit2).SetFocus(); }

void TForm1::Warning(const std::string& text) {
    ui::MessageDlg(platform, text, DlgType::Warning, {DlgButton::OK, DlgButton::Cancel}, 0);
}

void TForm1::Error(const std::string& text) { ui::MessageDlg(platform, text, DlgType::Error, {DlgButton::Abort}, 0); }

void TForm1::ButStartClick() {
    Statuslabel.SetCaption("Kopieren wird vorbereitet...");
    LabelRefresh();
    // However the run ends, an error that nobody catches included, the
    // window goes back to idle: enabled, with the normal cursor.
    struct BackToIdle {
        TForm1& form;
        ~BackToIdle() {
            form.running_ = false;
            form.SetCursor(ui::Cursor::Default);
            form.SetRunControlsEnabled(true);
        }
    } idle{*this};
    CopyPlan plan;
    const bool ready = engine.PrepareCopy(Edit1.Text(), Edit2.Text(), plan);
    Filebox.SetLines(plan.Lines());
    if (!ready) return;

    SetRunControlsEnabled(false);
    SetCursor(ui::Cursor::HourGlass);
    txbyte2copy.SetCaption(DottedNumber(plan.total));
    txHDrest.SetCaption(DottedNumber(plan.free < 0 ? 2147483647 : plan.free));
    Gauge1.SetProgress(0);
    Gauge1.SetMax(plan.total);
    Gauge1.SetProgress(0);
    Gauge1.SetShowText(true);
    LabelRefresh();

    running_ = true;
    const bool ok = chkZip.Checked() ? Zip && engine.ZipAll(plan, *Zip) : engine.CopyAll(plan);
    running_ = false;

    SetCursor(ui::Cursor::Default);
    Statuslabel.SetCaption(ok ? "Geschafft!" : "So ein Mist...");
    Statuslabel.Repaint();
    // Keys and clicks given while the run held the window (a copy takes in
    // none) were meant for the run, not as answers to the questions.
    platform.app.DiscardInput();
    MsgCopyFertig(ok, plan);
}

int TForm1::Ask(const std::string& text, DlgType type) {
    return ui::MessageDlg(platform, text, type, {DlgButton::Yes, DlgButton::No}, 0);
}

void TForm1::MsgCopyFertig(bool success, const CopyPlan& plan) {
    CopyDone = 1;
    // A zip run that wrote nothing ends like a failed copy.
    if (chkZip.Checked() && success) {
        if (Ask("Zip erfolgreich erstellt!\n\rSetup verlassen?", DlgType::Information) == platform::mrYes) Close();
        return;
    }
    const std::string msg = success ? "Installation erfolgreich abgeschlossen." : "Installation leider fehlgeschlagen...";
    if (ChkMulti.Checked() || !success) {
        CopyDone = 0;
        if (Ask(msg + "\n\rWeitere Kopie erstellen?", DlgType::Information) == platform::mrYes)
            Edit2.SetFocus();
        else
            Close();
        return;
    }
    if (plan.drive == 'A' || plan.drive == 'B') return;
    MenuOffered = 1;
    if (Ask(msg + "\n\rZANTORIK ins Startmenü einbinden?", DlgType::Information) == platform::mrYes &&
        seams.createMenuEntries)
        seams.createMenuEntries(plan.destFolder);
    if (Ask("ZANTORIK wurde erfolgreich installiert. Jetzt starten?", DlgType::Confirmation) == platform::mrYes)
        Close();
    else
        CopyDone = 0;
}

void ConnectFolderChooser(TForm1& setup, TGetDirDialog& chooser) {
    setup.seams.openFolderChooser = [&setup, &chooser](ChooserField mode, ui::Edit& field) {
        chooser.OpenFor(mode, setup, field);
    };
    setup.seams.hideFolderChooser = [&chooser] { chooser.HideIfVisible(); };
    setup.seams.closeFolderChooser = [&chooser] { chooser.Close(); };
}

}  // namespace zk
