#include "launcher/Unit1.h"

#include "common/runflags.h"
#include "common/text.h"

namespace zk {

using ui::Bevel;

using ui::Place;

namespace {
ui::Font SansSerif(int height, bool bold = false, bool underline = false) {
    ui::Font f;
    f.height = height;
    f.bold = bold;
    f.underline = underline;
    return f;
}
}  // namespace

TFormStart::TFormStart(platform::Platform& platform, LauncherSeams seamsIn)
    : Form(platform, "FormStart"),
      seams(std::move(seamsIn)),
      PageControl1(this, "PageControl1"),
      TabSheet1(&PageControl1, "TabSheet1"),
      TabSheet2(&PageControl1, "TabSheet2"),
      TabSheet3(&PageControl1, "TabSheet3"),
      TabSheet4(&PageControl1, "TabSheet4"),
      Bevel1(&TabSheet1, "Bevel1", Bevel::Shape::Frame, Bevel::Style::Raised),
      Bevel2(&TabSheet1, "Bevel2", Bevel::Shape::TopLine),
      Bevel3(&TabSheet1, "Bevel3", Bevel::Shape::TopLine),
      Bevel4(&TabSheet1, "Bevel4", Bevel::Shape::LeftLine),
      zk_run(&TabSheet1, "zk_run"),
      bt_exit(&TabSheet1, "bt_exit"),
      bCopyright(&TabSheet1, "bCopyright"),
      ZKSetup(&TabSheet1, "ZKSetup"),
      Hilfe(&TabSheet1, "Hilfe"),
      Panel2(&TabSheet2, "Panel2"),
      Bevel5(&TabSheet2, "Bevel5", Bevel::Shape::TopLine),
      cb_fast(&TabSheet2, "cb_fast"),
      cb_fair(&TabSheet2, "cb_fair"),
      cb_nofc(&TabSheet2, "cb_nofc"),
      cb_notic(&TabSheet2, "cb_notic"),
      cb_notxt(&TabSheet2, "cb_notxt"),
      Panel3(&TabSheet3, "Panel3"),
      Bevel6(&TabSheet3, "Bevel6", Bevel::Shape::TopLine),
      cb_niecd(&TabSheet3, "cb_niecd"),
      cb_nocd(&TabSheet3, "cb_nocd"),
      cb_ti(&TabSheet3, "cb_ti"),
      cd_tg(&TabSheet3, "cd_tg"),
      ed_ti(&TabSheet3, "ed_ti"),
      ed_tg(&TabSheet3, "ed_tg"),
      Bevel7(&TabSheet4, "Bevel7", Bevel::Shape::Frame),
      Shape1(&TabSheet4, "Shape1"),
      Panel4(&TabSheet4, "Panel4"),
      ed_param(&TabSheet4, "ed_param"),
      roll_ppp(&TabSheet4, "roll_ppp"),
      cb_ppp(&TabSheet4, "cb_ppp"),
      ed_zkpfad(this, "ed_zkpfad"),
      PopupMenu1("PopupMenu1"),
      MenuItem1("MenuItem1", "allg. Anleitung"),
      MenuItem2("MenuItem2", "Hilfe zu Ruvalin"),
      MenuItem3("MenuItem3", "Hilfe zu Setup"),
      MenuItem4("MenuItem4", "Probleme lösen") {
    SetCaption("Orvandel® ZANTORIK Ruvalin V2.1");
    borderStyle = ui::BorderStyle::Single;
    borderIcons = {true, false, false};
    SetClientSize(353, 211);
    centered = true;
    scaled = false;
    helpFile = "ZANTORIK";
    SetFont(SansSerif(13));

    const ui::Font f13 = SansSerif(13), f11 = SansSerif(11);
    PageControl1.SetBounds(0, 0, 353, 211);
    PageControl1.multiLine = true;
    PageControl1.tabFont = f11;
    PageControl1.SetFont(f11);
    // The tab sheets fill the page control below the tab row.
    ui::TabSheet* sheets[] = {&TabSheet1, &TabSheet2, &TabSheet3, &TabSheet4};
    const char* tabCaptions[] = {"Start", "Allgemeines", "CD-Player", "Sonstiges"};
    for (int i = 0; i < 4; ++i) {
        sheets[i]->SetBounds(4, 24, 345, 183);
        sheets[i]->SetCaption(tabCaptions[i]);
        sheets[i]->SetFont(i == 0 ? f13 : f11);
    }
    PageControl1.SetActivePage(&TabSheet1);

    // Tab 1: the buttons, in their tab order.
    Bevel1.SetBounds(8, 8, 329, 169);
    Bevel2.SetBounds(8, 64, 329, 2);
    Bevel3.SetBounds(8, 120, 329, 2);
    Bevel4.SetBounds(176, 8, 2, 112);
    Place(zk_run, 16, 128, 313, 41, ">> ZANTORIK starten <<", "Viel Spaß!", 0, SansSerif(13, true, true));
    Place(bt_exit, 16, 72, 153, 41, "Programm beenden", "Programm verlassen. Auch mit Alt-F4 möglich.", 1, f13);
    Place(bCopyright, 16, 16, 153, 41, "Infos und Copyright", "über die ZANTORIK-Programme", 2, f13);
    Place(ZKSetup, 184, 16, 145, 41, "Zantorik kopieren", "ZANTORIK für Freunde kopieren", 3, f13);
    Place(Hilfe, 184, 72, 145, 41, "Anleitung", "Auswahl mit rechter Maustaste", 4, f13);
    Hilfe.popupMenu = &PopupMenu1;
    PopupMenu1.items = {&MenuItem1, &MenuItem2, &MenuItem3, &MenuItem4};

    // Tab 2.
    Panel2.SetBounds(16, 8, 313, 33);
    Panel2.SetCaption("Allgemeines");
    Panel2.SetFont(SansSerif(13, true));
    Bevel5.SetBounds(16, 100, 313, 2);
    Place(cb_fast, 96, 56, 169, 17, "Schneller Start", "überspringt Countdown und Game Over", 0, f11);
    Place(cb_fair, 96, 72, 169, 17, "Fairplay-Modus", "Es erscheint nichts zum Aufsammeln", 1, f11);
    Place(cb_nofc, 96, 120, 177, 17, "langsame Roboter", "wenn alle Menschen aus dem Spiel sind", 2, f11);
    Place(cb_notic, 96, 136, 177, 17, "keine Analyse-Ticks", "Ticks sind die Geräusche beim Druck der Analysetexte", 3, f11);
    Place(cb_notxt, 96, 152, 177, 17, "keine Themenwahl", "Es wird gleich auf das interne Standardthema zugegriffen", 4, f11);

    // Tab 3.
    Panel3.SetBounds(16, 8, 313, 33);
    Panel3.SetCaption("CD-Player");
    Panel3.SetFont(SansSerif(13, true));
    Bevel6.SetBounds(16, 96, 313, 2);
    Place(cb_niecd, 104, 56, 161, 17, "Abgeschaltet", "greift überhaupt nicht auf das CD-Laufwerk zu", 0, f11);
    Place(cb_nocd, 104, 72, 161, 17, "Stand By", "per Menütaste F9 später einschaltbar", 1, f11);
    Place(cb_ti, 104, 115, 113, 17, "Analyse-Track", "Musikstück, das im Intro und der Analyse spielt", 2, f11);
    Place(ed_ti, 216, 112, 25, 21, "", "Tracknr. 1-99; 0=aus", 3, f11);
    Place(cd_tg, 104, 148, 113, 17, "Spiel-Track",
          "Einstellung, ob nur ein bestimmter Track während des Spiels abgespielt wird.", 4, f11);
    Place(ed_tg, 216, 144, 25, 21, "", "Tracknr. 1-99; 0=aus", 5, f11);
    for (ui::Edit* e : {&ed_ti, &ed_tg}) {
        e->maxLength = 2;
        e->SetEnabled(false);
        e->SetCursor(ui::Cursor::IBeam);
    }

    // Tab 4: the free field first, as its table lists it.
    Bevel7.SetBounds(16, 16, 313, 49);
    Shape1.SetBounds(180, 56, 2, 5);
    Shape1.SetColor(ui::clBlack);
    Panel4.SetBounds(16, 72, 313, 17);
    Panel4.SetCaption("Sonstige Start-Parameter");
    Panel4.SetFont(f11);
    Place(cb_ppp, 24, 24, 225, 17, "Voreinstellung Spielgeschwindigkeit in %", "50 % sind normal", 2, f11);
    Place(roll_ppp, 40, 40, 281, 17, "", "50%", 1, f11);
    roll_ppp.SetRange(1, 99);
    roll_ppp.pageSize = 5;
    roll_ppp.thumbLength = 15;
    roll_ppp.tickMarks = false;
    roll_ppp.SetEnabled(false);
    roll_ppp.SetCursor(ui::Cursor::SizeWE);
    Place(ed_param, 16, 88, 313, 21, "", "mit einem / beginnen und zwischen den Parametern ein Abstand.", 0, f11);
    ed_param.SetCursor(ui::Cursor::IBeam);

    // The hidden game-folder field.
    ed_zkpfad.SetBounds(312, 128, 17, 24);
    ed_zkpfad.SetVisible(false);
    ed_zkpfad.charCase = ui::CharCase::Upper;
    ed_zkpfad.maxLength = 80;
    ed_zkpfad.SetHint("Hier den Ordner angeben, in dem ZANTORIK gespeichert ist.");

    for (ui::Button* b : {&zk_run, &bt_exit, &bCopyright, &ZKSetup, &Hilfe}) b->SetCursor(ui::Cursor::HandPoint);
    for (ui::CheckBox* c : {&cb_fast, &cb_fair, &cb_nofc, &cb_notic, &cb_notxt, &cb_niecd, &cb_nocd, &cb_ti, &cd_tg, &cb_ppp})
        c->SetCursor(ui::Cursor::HandPoint);

    ShowOptions(StartOptions{});
    // Wire the handlers only now, so building the window fires none of them.
    zk_run.OnClick = [this] { zk_runClick(); };
    bt_exit.OnClick = [this] { bt_exitClick(); };
    bCopyright.OnClick = [this] { bCopyrightClick(); };
    ZKSetup.OnClick = [this] { ZKSetupClick(); };
    Hilfe.OnClick = [this] { HilfeClick(); };
    MenuItem1.OnClick = [this] { allgAnleitung1Click(); };
    MenuItem2.OnClick = [this] { HilfezuRuvalin1Click(); };
    MenuItem3.OnClick = [this] { HilfezuSetup1Click(); };
    MenuItem4.OnClick = [this] { Problemelsen1Click(); };
    cb_niecd.OnClick = [this] { cb_niecdClick(); };
    cb_nocd.OnClick = [this] { cb_nocdClick(); };
    cb_ti.OnClick = [this] { cb_tiClick(); };
    cd_tg.OnClick = [this] { cd_tgClick(); };
    ed_ti.OnChange = [this] { ed_tiChange(); };
    ed_tg.OnChange = [this] { ed_tgChange(); };
    cb_ppp.OnClick = [this] { cb_pppClick(); };
    roll_ppp.OnChange = [this] { roll_pppChange(); };
    roll_ppp.OnKeyDown = [this](int key) { roll_pppKeyDown(key); };
    roll_ppp.OnKeyUp = [this](int key) { roll_pppKeyUp(key); };
    OnCreate = [this] { FormShow(); };
    OnShow = [this] { FormShow(); };
    OnActivate = [this] { FormActivate(); };
    OnClose = [this] { FormClose(); };
    SetActiveControl(&zk_run);
}

StartOptions TFormStart::Options() const {
    StartOptions o;
    o.gameFolder = ed_zkpfad.Text();
    o.fast = cb_fast.Checked();
    o.fair = cb_fair.Checked();
    o.slowRobots = cb_nofc.Checked();
    o.noTicks = cb_notic.Checked();
    o.cdOff = cb_niecd.Checked();
    o.cdStandBy = cb_nocd.Checked();
    o.noThemes = cb_notxt.Checked();
    o.analysisTrack = cb_ti.Checked();
    o.gameTrack = cd_tg.Checked();
    o.speedPreset = cb_ppp.Checked();
    o.trackTI = trackTI_;
    o.trackTG = trackTG_;
    o.speed = roll_ppp.Position();
    o.params = ed_param.Text();
    return o;
}

void TFormStart::ShowOptions(const StartOptions& o) {
    ed_zkpfad.SetText(o.gameFolder);
    cb_fast.SetChecked(o.fast);
    cb_fair.SetChecked(o.fair);
    cb_nofc.SetChecked(o.slowRobots);
    cb_notic.SetChecked(o.noTicks);
    cb_niecd.SetChecked(o.cdOff);
    cb_nocd.SetChecked(o.cdStandBy);
    cb_notxt.SetChecked(o.noThemes);
    cb_ti.SetChecked(o.analysisTrack);
    cd_tg.SetChecked(o.gameTrack);
    cb_ppp.SetChecked(o.speedPreset);
    trackTI_ = o.trackTI;
    ed_ti.SetText(NumStr(trackTI_));
    trackTG_ = o.trackTG;
    ed_tg.SetText(NumStr(trackTG_));
    roll_ppp.SetPosition(o.speed);
    roll_ppp.SetHint(NumStr(roll_ppp.Position()) + "%");
    ed_param.SetText(o.params);
}

// The launcher's takes its blanks off, as the game's folder.
std::string TFormStart::ProgramFolder() { return TrimBlanks(platform::ProgramFolder(platform.files)); }

void TFormStart::FormShow() {
    if (!CopyDone) ReloadOptions();
    ed_zkpfad.SetText(ProgramFolder());
}

void TFormStart::ReloadOptions() {
    RegSettings(kLoadOptions);
    ed_param.SetText("/");
}

void TFormStart::FormActivate() {
    if (seams.hideFolderChooser) seams.hideFolderChooser();
}

void TFormStart::FormClose() {
    if (seams.closeMainWindow) seams.closeMainWindow();
}

void TFormStart::bt_exitClick() {
    if (!CloseQuery()) return;  // a run holds the setup: no end, so nothing stored either
    RegSettings(kSaveOptions);
    if (!MenuOffered && seams.createMenuEntries) seams.createMenuEntries(BackslashPath(ProgramFolder(), false));
    Close();
}

void TFormStart::bCopyrightClick() {
    if (seams.showAboutBox) seams.showAboutBox();
}

void TFormStart::ZKSetupClick() {
    Hide();
    if (seams.showSetup) seams.showSetup();
}

void TFormStart::HelpByKeyword(const std::string& keyword) {
    const std::string file = helpFile.empty() ? platform.app.HelpFile() : helpFile;
    if (platform.help.Call(file, platform::HelpCommand::Contents, {}))
        platform.help.Call(file, platform::HelpCommand::Command, "JumpID(\"\",\"" + keyword + "\")");
}

void TFormStart::HilfeClick() { HelpByKeyword("thpara"); }
void TFormStart::allgAnleitung1Click() { HelpByKeyword("th00"); }
void TFormStart::HilfezuRuvalin1Click() { HelpByKeyword("thpara"); }
void TFormStart::HilfezuSetup1Click() { HelpByKeyword("thsetup"); }
void TFormStart::Problemelsen1Click() { HelpByKeyword("th7"); }

void TFormStart::cb_niecdClick() {
    const bool on = !cb_niecd.Checked();
    cb_nocd.SetEnabled(on);
    cb_ti.SetEnabled(on);
    cd_tg.SetEnabled(on);
}

void TFormStart::cb_nocdClick() { cb_niecd.SetEnabled(!cb_nocd.Checked()); }

void TFormStart::cb_tiClick() {
    if (cb_ti.Checked()) {
        ed_ti.SetEnabled(true);
        ed_ti.SetText(NumStr(trackTI_));
    } else {
        ed_ti.SetEnabled(false);
    }
}

void TFormStart::cd_tgClick() {
    if (cd_tg.Checked()) {
        ed_tg.SetEnabled(true);
        ed_tg.SetText(NumStr(trackTG_));
    } else {
        ed_tg.SetEnabled(false);
    }
}

void TFormStart::ed_tiChange() { trackTI_ = IntPrefix(ed_ti.Text()); }
void TFormStart::ed_tgChange() { trackTG_ = IntPrefix(ed_tg.Text()); }

void TFormStart::cb_pppClick() {
    if (cb_ppp.Checked()) {
        roll_ppp.SetEnabled(true);
        roll_ppp.SetHint(NumStr(roll_ppp.Position()) + "%");
    } else {
        roll_ppp.SetEnabled(false);
    }
}

void TFormStart::roll_pppChange() {
    platform.app.SetHintPause(1);
    roll_ppp.SetHint(NumStr(roll_ppp.Position()) + "%");
}

void TFormStart::roll_pppKeyDown(int) { platform.app.SetHintPause(1); }
void TFormStart::roll_pppKeyUp(int) { platform.app.SetHintPause(2500); }

}  // namespace zk
