#include <gtest/gtest.h>

#include <map>

#include "graphics/Aboutzk.h"
#include "graphics/pictures.h"
#include "graphics/surface.h"
#include "platform/fake/fake_canvas.h"
#include "platform/fake/fake_platform.h"
#include "canvas_peer.h"

namespace zk::test {
namespace {

using platform::CanvasCall;
using platform::FakeCanvas;

struct About : ::testing::Test {
    About() {
        fake.dialogs.onUnexpected = [](const platform::DialogRequest& r) { ADD_FAILURE() << "dialog: " << r.text; };
        box.scheme = [this] { return scheme; };
        box.Label3.AttachPeer(std::make_unique<CanvasPeer>(strip));
        box.Created();
    }
    ~About() override { graphics::ReleaseSurface(); }
    // How many logos were drawn on the strip so far.
    int Logos() const {
        int n = 0;
        for (const CanvasCall& c : strip.calls) n += c.op == CanvasCall::Op::FillRect;
        return n;
    }
    std::string LastTopColour() const {
        std::string last;
        for (const CanvasCall& c : strip.calls)
            if (c.op == CanvasCall::Op::PenColor) last = c.Text();
        return last;
    }

    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
    TAboutBoxRV box{platform};
    FakeCanvas strip;
    int scheme = 5;
};

TEST_F(About, WindowAndControls) {
    EXPECT_EQ(box.Caption(), "");
    EXPECT_EQ(box.ClientWidth(), 347);
    EXPECT_EQ(box.ClientHeight(), 383);
    EXPECT_EQ(box.borderStyle, ui::BorderStyle::Dialog);
    EXPECT_TRUE(box.borderIcons.systemMenu);
    EXPECT_FALSE(box.borderIcons.minimize || box.borderIcons.maximize);
    EXPECT_TRUE(box.centered && box.stayOnTop);
    EXPECT_FALSE(box.Visible());
    EXPECT_EQ(box.GetFont().name, "Arial");
    EXPECT_EQ(box.GetFont().height, 13);

    struct Place { ui::Control* c; ui::Control* parent; int left, top, width, height; };
    const Place places[] = {
        {&box.Panel2, &box, 0, 0, 347, 65},         {&box.Label3, &box.Panel2, 6, 6, 335, 53},
        {&box.Bevel1, &box, 0, 65, 347, 16},        {&box.Label2, &box, 0, 65, 345, 16},
        {&box.Panel1, &box, 0, 81, 347, 302},       {&box.Image3, &box.Panel1, 16, 16, 32, 32},
        {&box.Memo3, &box.Panel1, 64, 8, 217, 57},  {&box.ProgramIcon, &box.Panel1, 296, 16, 32, 32},
        {&box.Label1, &box.Panel1, 0, 56, 65, 16},  {&box.Memo2, &box.Panel1, 64, 72, 217, 121},
        {&box.Memo1, &box.Panel1, 4, 198, 335, 56}, {&box.Image1, &box.Panel1, 4, 254, 335, 40},
        {&box.OKButton, &box, 16, 176, 97, 41},
    };
    for (const Place& p : places) {
        const ui::Bounds& b = p.c->GetBounds();
        EXPECT_EQ(p.c->Parent(), p.parent) << p.c->Name();
        EXPECT_EQ(std::vector<int>({b.left, b.top, b.width, b.height}),
                  std::vector<int>({p.left, p.top, p.width, p.height}))
            << p.c->Name();
    }
    EXPECT_EQ(box.Label3.GetColor(), ui::clBlack);
    EXPECT_EQ(box.Label3.Caption(), "");
    EXPECT_EQ(box.Label2.Caption(), "");
    EXPECT_EQ(box.Bevel1.style, ui::Bevel::Style::Raised);
    EXPECT_EQ(box.Panel2.bevelInner, ui::Panel::BevelKind::Lowered);
    EXPECT_EQ(box.Panel2.bevelWidth, 2);
    EXPECT_EQ(box.Panel2.borderWidth, 2);
    EXPECT_TRUE(box.Panel1.singleBorder);
}

TEST_F(About, Texts) {
    EXPECT_EQ(box.Memo1.Lines(), (std::vector<std::string>{
                                     "ZANTORIK ist das Spiel für die ganze Familie. ",
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
                                     "Informationen.",
                                 }));
    EXPECT_EQ(box.Memo3.Lines(), (std::vector<std::string>{"ZANTORIK Setup Version 2.03", "ZANTORIK Version 6.0",
                                                           "Ruvalin Version 2.1"}));
    EXPECT_FALSE(box.Memo3.Enabled());
    EXPECT_TRUE(box.Memo1.GetFont().bold && box.Memo1.GetFont().italic);
    for (ui::Memo* m : {&box.Memo1, &box.Memo2, &box.Memo3}) {
        EXPECT_TRUE(m->readOnly && m->centered) << m->Name();
        EXPECT_FALSE(m->tabStop) << m->Name();
    }
    EXPECT_TRUE(box.Memo1.verticalScrollBar && box.Memo2.verticalScrollBar);
    bool creditsZlib = false;
    for (const std::string& line : box.Memo2.Lines()) creditsZlib |= line.find("zlib") != std::string::npos;
    EXPECT_TRUE(creditsZlib);
    EXPECT_EQ(box.OKButton.Caption(), "Danke");
    EXPECT_EQ(box.OKButton.Hint(), "Danke für's anschauen.");
    EXPECT_TRUE(box.OKButton.isDefault);
    EXPECT_EQ(box.OKButton.GetFont().name, "MS Serif");
    EXPECT_EQ(box.Image3.Hint(), "Setup");
    EXPECT_EQ(box.ProgramIcon.Hint(), "Ruvalin");
    EXPECT_EQ(box.Label1.Hint(), "Entwicklungsbeginn: 1992");
    EXPECT_FALSE(box.Label1.Caption().empty());
    EXPECT_FALSE(box.Image1.Hint().empty());
}

TEST_F(About, TheTimerDrawsTheLogoOnceAfterEachEvent) {
    // Creation already enabled the timer: the logo is drawn even unseen.
    EXPECT_TRUE(box.Timer1.Enabled());
    EXPECT_EQ(box.Timer1.Interval(), 10u);
    fake.timers.Advance(9);
    EXPECT_EQ(Logos(), 0);
    fake.timers.Advance(1);
    EXPECT_EQ(Logos(), 1);
    EXPECT_FALSE(box.Timer1.Enabled());
    fake.timers.Advance(100);
    EXPECT_EQ(Logos(), 1);
    EXPECT_EQ(LastTopColour(), "PenColor(252,252,252)");  // scheme 5: white on top

    int logos = 1;
    struct Trigger { const char* name; std::function<void()> fire; };
    const Trigger triggers[] = {
        {"show", [&] { box.Show(); }},
        {"paint", [&] { box.OnPaint(); }},
        {"resize", [&] { box.OnResize(); }},
        {"activate", [&] { box.Hide(); box.Show(); }},
    };
    for (const Trigger& t : triggers) {
        scheme = logos % 6;
        t.fire();
        EXPECT_TRUE(box.Timer1.Enabled()) << t.name;
        fake.timers.Advance(10);
        EXPECT_EQ(Logos(), ++logos) << t.name;
        EXPECT_EQ(LastTopColour(), strip.calls.empty() ? "" : [&] {
            platform::Rgb c = graphics::PaletteColor(graphics::LogoLayerColor(scheme, 5));
            return "PenColor(" + std::to_string(platform::RedOf(c)) + "," + std::to_string(platform::GreenOf(c)) + "," +
                   std::to_string(platform::BlueOf(c)) + ")";
        }()) << t.name;
        fake.timers.Advance(50);
        EXPECT_EQ(Logos(), logos) << t.name;
    }
}

TEST_F(About, DankeClosesWithoutEndingTheProgram) {
    box.Show();
    EXPECT_TRUE(box.Visible());
    box.OKButton.Perform([&] { box.OKButton.Click(); });
    EXPECT_FALSE(box.Visible());
    EXPECT_EQ(fake.app.quitPosted, 0);
    box.Show();  // it can be opened again
    EXPECT_TRUE(box.Visible());
}

TEST_F(About, PicturesPaintInsideTheirSizeAndLeaveTheSurfaceAlone) {
    FakeCanvas other;
    graphics::InitSurface(other, 12, 34);
    struct Case { std::string name; ui::Painter paint; int width, height; };
    const Case cases[] = {
        {"Image3", box.Image3.picture, box.Image3.pictureWidth, box.Image3.pictureHeight},
        {"ProgramIcon", box.ProgramIcon.picture, box.ProgramIcon.pictureWidth, box.ProgramIcon.pictureHeight},
        {"Image1", box.Image1.picture, box.Image1.pictureWidth, box.Image1.pictureHeight},
        {"glyph", box.OKButton.glyph, box.OKButton.glyphWidth, box.OKButton.glyphHeight},
        {"disabled glyph", box.OKButton.glyphDisabled, box.OKButton.glyphWidth, box.OKButton.glyphHeight},
    };
    const std::map<std::string, std::pair<int, int>> sizes = {
        {"Image3", {32, 32}}, {"ProgramIcon", {32, 32}}, {"Image1", {194, 40}}, {"glyph", {16, 16}},
        {"disabled glyph", {16, 16}}};
    std::vector<std::vector<platform::Rgb>> pictures;
    for (const Case& k : cases) {
        ASSERT_TRUE(k.paint) << k.name;
        EXPECT_EQ(std::make_pair(k.width, k.height), sizes.at(k.name)) << k.name;
        const platform::Rgb unset = platform::MakeRgb(1, 2, 3);
        FakeCanvas c(k.width + 20, k.height + 20, unset);
        k.paint(c);
        int painted = 0;
        std::vector<platform::Rgb> pixels;
        for (int y = 0; y < c.Height(); ++y)
            for (int x = 0; x < c.Width(); ++x) {
                pixels.push_back(c.Pixel(x, y));
                if (c.Pixel(x, y) == unset) continue;
                EXPECT_TRUE(x < k.width && y < k.height) << k.name << " at " << x << "," << y;
                ++painted;
            }
        pictures.push_back(pixels);
        EXPECT_GT(painted, k.width * k.height / 2) << k.name;
        EXPECT_EQ(graphics::SurfaceCanvas, &other);
        EXPECT_EQ(graphics::MaxX, 12);
        EXPECT_EQ(graphics::MaxY, 34);
    }
    EXPECT_NE(pictures[3], pictures[4]);  // the two states differ
}

TEST_F(About, TheButtonHasTheFocus) { EXPECT_EQ(box.ActiveControl(), &box.OKButton); }

}  // namespace
}  // namespace zk::test
