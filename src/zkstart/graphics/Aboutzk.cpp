#include "graphics/Aboutzk.h"

#include "graphics/pictures.h"

namespace zk {

namespace {
constexpr ui::Color clSilver = 0xC0C0C0;

ui::Font Arial(bool bold = false, bool italic = false) {
    ui::Font f;
    f.name = "Arial";
    f.height = 13;
    f.bold = bold;
    f.italic = italic;
    return f;
}

void SetupMemo(ui::Memo& m, int left, int top, int width, int height, std::vector<std::string> lines) {
    m.SetBounds(left, top, width, height);
    m.SetLines(std::move(lines));
    m.readOnly = true;
    m.centered = true;
    m.tabStop = false;
    m.SetCursor(ui::Cursor::Arrow);
    m.SetShowHint(false);
}

void SetupIcon(ui::Image& image, int left, int top, const std::string& hint, ui::Painter paint) {
    image.SetBounds(left, top, graphics::kIconSize, graphics::kIconSize);
    image.picture = std::move(paint);
    image.pictureWidth = image.pictureHeight = graphics::kIconSize;
    image.SetHint(hint);
}
}  // namespace

TAboutBoxRV::TAboutBoxRV(platform::Platform& platform)
    : Form(platform, "AboutBoxRV"),
      Panel2(this, "Panel2"),
      Label3(&Panel2, "Label3"),
      Bevel1(this, "Bevel1", ui::Bevel::Shape::Box, ui::Bevel::Style::Raised),
      Label2(this, "Label2"),
      Panel1(this, "Panel1"),
      Image3(&Panel1, "Image3"),
      Memo3(&Panel1, "Memo3"),
      ProgramIcon(&Panel1, "ProgramIcon"),
      Label1(&Panel1, "Label1"),
      Memo2(&Panel1, "Memo2"),
      Memo1(&Panel1, "Memo1"),
      Image1(&Panel1, "Image1"),
      OKButton(this, "OKButton"),
      Timer1(*this, "Timer1") {
    SetCaption("");
    borderStyle = ui::BorderStyle::Dialog;
    borderIcons = {true, false, false};
    SetClientSize(347, 383);
    centered = true;
    stayOnTop = true;
    SetFont(Arial());

    // The logo strip.
    Panel2.SetBounds(0, 0, 347, 65);
    Panel2.bevelInner = ui::Panel::BevelKind::Lowered;
    Panel2.bevelWidth = 2;
    Panel2.borderWidth = 2;
    Panel2.SetColor(clSilver);
    Panel2.SetShowHint(false);
    Label3.SetBounds(6, 6, 335, 53);
    Label3.SetColor(ui::clBlack);
    Label3.SetCaption("");
    Label3.SetShowHint(false);

    Bevel1.SetBounds(0, 65, 347, 16);
    Label2.SetBounds(0, 65, 345, 16);
    Label2.alignment = ui::Label::Align::Center;
    Label2.transparent = true;
    Label2.SetCaption("");
    Label2.SetShowHint(false);

    Panel1.SetBounds(0, 81, 347, 302);
    Panel1.bevelInner = ui::Panel::BevelKind::Lowered;
    Panel1.bevelWidth = 2;
    Panel1.singleBorder = true;
    Panel1.SetColor(clSilver);
    Panel1.SetShowHint(false);

    SetupIcon(Image3, 16, 16, "Setup", graphics::PaintSetupIcon);
    SetupMemo(Memo3, 64, 8, 217, 57, {"ZANTORIK Setup Version 2.03", "ZANTORIK Version 6.0", "Ruvalin Version 2.1"});
    Memo3.SetEnabled(false);
    SetupIcon(ProgramIcon, 296, 16, "Ruvalin", graphics::PaintLauncherIcon);

    Label1.SetBounds(0, 56, 65, 16);
    Label1.SetFont(Arial(true));
    Label1.alignment = ui::Label::Align::Center;
    Label1.transparent = true;
    Label1.SetCaption("© 1999");
    Label1.SetHint("Entwicklungsbeginn: 1992");

    SetupMemo(Memo2, 64, 72, 217, 121,
              {"ZANTORIK und Ruvalin", "© 1992–1999 Orvandel", "Alle Rechte vorbehalten.", "Erschienen 1999.", "",
               "Fragen, Lob und Fehlerberichte an:", "Orvandel Spiele", "post@orvandel.example", "",
               "Die Zip-Komponente verwendet", "zlib © 1995–2024", "Jean-loup Gailly und Mark Adler."});
    Memo2.verticalScrollBar = true;

    SetupMemo(Memo1, 4, 198, 335, 56,
              {"ZANTORIK ist das Spiel für die ganze Familie. ",
               "Acht Personen können gleichzeitig an einer ",
               "Tastatur gemeinsam spielen.",
               "Mit dem Parameter-Manager Ruvalin kann ",
               "ZANTORIK von Windows aus bequem gestartet ",
               "werden.",
               "Das Setup-Programm hilft beim Kopieren von ",
               "ZANTORIK an Freunde und Bekannte.",
               " ",
               " ",
               "auch ",
               "in der Hilfe-Datei zu ZANTORIK nach näheren ",
               "Informationen."});
    Memo1.verticalScrollBar = true;
    Memo1.SetFont(Arial(true, true));

    Image1.SetBounds(4, 254, 335, 40);
    Image1.center = true;
    Image1.picture = graphics::PaintMakerBanner;
    Image1.pictureWidth = graphics::kBannerWidth;
    Image1.pictureHeight = graphics::kBannerHeight;
    Image1.SetHint("Orvandel® ist ein Warenzeichen von Orvandel Spiele.");

    OKButton.SetBounds(16, 176, 97, 41);
    OKButton.SetCaption("Danke");
    OKButton.SetHint("Danke für's anschauen.");
    ui::Font serif;
    serif.name = "MS Serif";
    serif.bold = true;
    OKButton.SetFont(serif);
    OKButton.isDefault = true;
    OKButton.glyph = graphics::PaintThanksGlyph;
    OKButton.glyphDisabled = graphics::PaintThanksGlyphDisabled;
    OKButton.glyphWidth = OKButton.glyphHeight = graphics::kGlyphSize;

    Timer1.SetInterval(10);

    OKButton.OnClick = [this] { OKButtonClick(); };
    Timer1.OnTimer = [this] { FormPaint(); };
    OnCreate = [this] { FormActivate(); };
    OnShow = [this] { FormActivate(); };
    OnActivate = [this] { FormActivate(); };
    OnResize = [this] { FormActivate(); };
    OnPaint = [this] { FormActivate(); };
    SetActiveControl(&OKButton);
}

void TAboutBoxRV::FormActivate() { Timer1.SetEnabled(true); }

void TAboutBoxRV::FormPaint() {
    graphics::DrawLogo(Label3, scheme);
    Timer1.SetEnabled(false);
}

void TAboutBoxRV::OKButtonClick() { Close(); }

}  // namespace zk
