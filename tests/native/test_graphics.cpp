// Surface, stroke font, logo and the about box's timer, by the canvas calls they make (worked out by hand).
#include <gtest/gtest.h>

#include <array>
#include <set>

#include "graphics/Aboutzk.h"
#include "graphics/logo.h"
#include "graphics/strokefont.h"
#include "graphics/surface.h"
#include "platform/fake/fake_platform.h"
#include "canvas_peer.h"

namespace zk::test {
namespace {

using namespace graphics;
using platform::CanvasCall;
using platform::FakeCanvas;
using platform::MakeRgb;
using Texts = std::vector<std::string>;

struct Graphics : ::testing::Test {
    ~Graphics() override { ReleaseSurface(); }
    Texts Calls(const std::function<void()>& draw) {
        InitSurface(canvas, 400, 100), canvas.Clear(), draw();
        return canvas.Texts();
    }
    FakeCanvas canvas;
};

TEST_F(Graphics, Primitives) {
    const std::pair<std::function<void()>, Texts> cases[] = {
        {[] { FillBar(2, 3, 4, 5); }, {"FillRect(2,3,5,6)"}}, {[] { DrawLine(2, 5, 8, 5); }, {"MoveTo(2,5)", "LineTo(8,5)"}},
        // cos 45 * 10 = 7.07: three quarters, open to the right.
        {[] { DrawArc(50, 50, 45, 315, 10); }, {"Arc(40,40,60,60,57,43,57,57)"}},
        // cos 167 * 9 = -8.77, sin 167 * 9 = 2.02, cos 200 * 9 = -8.46, sin 200 * 9 = -3.08.
        {[] { DrawArc(50, 50, 167, 200, 9); }, {"Arc(41,41,59,59,41,48,42,53)"}},
        {[] { DrawEllipse(20, 30, 90, 10, 3, 5); }, {"Ellipse(19,28,21,32)"}},  // axes halved, angles ignored
        {[] { DrawCircle(7, 9, 0); }, {"Ellipse(7,9,7,9)"}}, {[] { SetPenColorIndex(6); }, {"PenColor(252,84,0)"}},  // orange
        {[] { SetPenColorIndex(16); }, {"PenColor(0,0,0)"}}, {[] { SetPenColorIndex(255); }, {"PenColor(0,0,0)"}},
        {[] { SetFillPattern(0, MakeRgb(1, 1, 1)); }, {"BrushStyle(Clear)", "BrushColor(1,1,1)"}},
        {[] { SetFillPattern(10, MakeRgb(1, 1, 1)); }, {"BrushColor(1,1,1)"}},  // the style stays
    };
    for (const auto& [draw, calls] : cases) EXPECT_EQ(Calls(draw), calls);
    EXPECT_EQ(GetPenX() * 100 + GetPenY(), 805);
}

TEST(Palette, SixteenColours) {  // 6 is orange, not brown
    const unsigned want[] = {0x000000, 0x0000A8, 0x00A800, 0x00A8A8, 0xA80000, 0xA800A8, 0xFC5400, 0xA8A8A8,
                             0x545454, 0x5454FC, 0x54FC54, 0x54FCFC, 0xFC5454, 0xFC54FC, 0xFCFC54, 0xFCFCFC};
    for (uint8_t i = 0; i < 16; ++i) EXPECT_EQ(PaletteColor(i), MakeRgb(want[i] >> 16, want[i] >> 8 & 0xFF, want[i] & 0xFF));
}

// Mended: primitives drew through a dangling canvas once its control had gone.
TEST_F(Graphics, NothingHappensWithoutACanvas) {
    EXPECT_EQ(Calls([] {
                  ReleaseSurface(), DrawLine(0, 0, 5, 5), DrawCircle(1, 1, 1), DrawArc(1, 1, 0, 90, 1);
                  DrawEllipse(1, 1, 0, 360, 2, 2), ClearSurface(), SetPenColorIndex(3);
                  SetFillPattern(2, MakeRgb(0, 0, 0)), MovePen(3, 3);
              }),
              Texts{});
    EXPECT_EQ(GetPenX(), 0);
}

TEST_F(Graphics, LogoLettersAndWordMeasureAtFivePointEight) {
    const std::pair<char, int> letters[] = {{'Z', 41}, {'A', 35}, {'N', 46}, {'T', 35}, {'O', 41}, {'R', 29}, {'I', 9}, {'K', 23}};
    for (auto [c, advance] : letters) {
        EXPECT_EQ(Calls([c = c] { DrawGlyph(100, 50, false, 5.8, c); }),
                  Texts{"MoveTo(" + std::to_string(100 + advance) + ",50)"});
        EXPECT_EQ(LastAdvance, advance) << c;
    }
    // Each unit of spacing adds a pixel per character; 0 takes one away.
    const std::pair<uint8_t, int> widths[] = {{1, 259}, {3, 259 + 16}, {0, 259 - 8}};
    for (auto [spacing, width] : widths) {
        Calls([] { MovePen(10, 40); });
        EXPECT_EQ(MeasureStrokeText(spacing, "zantorik", 5.8) * 1000 + LastAdvance, width * 1001);
        for (const CanvasCall& c : canvas.calls) EXPECT_EQ(c.op, CanvasCall::Op::MoveTo);  // nothing drawn
        EXPECT_EQ(canvas.calls.back().Text(), "MoveTo(269,40)");  // by the advances, from the pen's place
    }
}

// Origin (100, 50).
TEST_F(Graphics, TellingGlyphs) {
    const Texts oe1 = {"Ellipse(100,44,106,50)", "Ellipse(102,46,102,46)", "Ellipse(104,46,104,46)", "MoveTo(107,50)"};
    const std::tuple<uint8_t, double, Texts> cases[] = {
        {'O', 1, {"Ellipse(100,44,106,50)", "MoveTo(107,50)"}},
        {'4', 1, {"Arc(100,44,108,52,104,44,100,48)", "MoveTo(100,48)", "LineTo(104,48)",
                  "Arc(98,46,102,50,100,50,102,47)", "Arc(102,46,106,50,102,47,104,50)", "MoveTo(105,50)"}},
        {'!', 1, {"Ellipse(100,50,100,50)", "Arc(100,36,118,54,100,43,101,48)", "MoveTo(100,48)", "LineTo(102,45)",
                  "Arc(100,39,106,45,100,43,102,45)", "MoveTo(103,50)"}},
        {148, 1, oe1},  // [2.5] = 2 and [3.5] = 4: the dots are not symmetric at scale 1
        {153, 1, oe1},
        // Each term rounded on its own: y - [3.7] - [1.125] is y - 7 - 2 at scale 2.
        {248, 2, {"Ellipse(100,38,106,44)", "MoveTo(102,41)", "LineTo(102,43)", "MoveTo(102,40)", "LineTo(103,40)",
                  "MoveTo(102,41)", "LineTo(103,41)", "Arc(102,40,104,42,103,42,103,40)", "MoveTo(103,41)",
                  "LineTo(104,43)", "MoveTo(107,50)"}},
        {'0', 1, {"Ellipse(101,46,103,48)", "MoveTo(101,48)", "LineTo(103,46)", "MoveTo(105,50)"}},  // axes halved
    };
    for (const auto& [code, s, calls] : cases)
        EXPECT_EQ(Calls([&] { DrawGlyph(100, 50, true, s, code); }), calls) << int(code) << " at " << s;
}

// Lower case draws as upper; any other code without a glyph (ANSI umlauts, ß) advances 0, draws nothing.
TEST_F(Graphics, OnlyTheListedCodesHaveGlyphs) {
    std::set<int> listed = {32, 33, 37, 43, 45, 46, 129, 132, 142, 148, 153, 154, 248};
    for (int c = 48; c <= 58; ++c) listed.insert(c);
    for (int c = 63; c <= 90; ++c) listed.insert(c);
    for (int code = 0; code < 256; ++code) {
        const int upper = code >= 'a' && code <= 'z' ? code - 32 : code;
        LastAdvance = 99;
        const Texts drawn = Calls([code] { DrawGlyph(100, 50, true, 5.8, uint8_t(code)); });
        const bool hasGlyph = LastAdvance > 0;
        EXPECT_EQ(hasGlyph, listed.count(upper) > 0) << code;
        if (upper != code) {
            EXPECT_EQ(drawn, Calls([upper] { DrawGlyph(100, 50, true, 5.8, uint8_t(upper)); })) << code;
        } else if (hasGlyph && code != ' ') {
            EXPECT_GT(drawn.size(), 1u) << code;  // strokes, then the move
        } else {
            EXPECT_EQ(drawn, Texts{code == ' ' ? "MoveTo(129,50)" : "MoveTo(100,50)"}) << code;
        }
    }
}

TEST_F(Graphics, TextDrawing) {
    const std::string dots(300, '.');
    const std::tuple<const char*, std::function<void()>, size_t, std::string> cases[] = {
        {"empty", [] { DrawStrokeText(10, 10, 1, 6, 5.8, ""); }, 0, "PenColor(252,84,0)"},
        // "O" is 7 wide: with spacing 1 the second starts at 107; 0 pulls it to 106, 3 pushes it to 109.
        {"spacing 0", [] { DrawStrokeText(100, 50, 0, 1, 1, "OO"); }, 3, "Ellipse(106,44,112,50)"},
        {"spacing 3", [] { DrawStrokeText(100, 50, 3, 1, 1, "OO"); }, 3, "Ellipse(109,44,115,50)"},
        // Centred: a difference of 5 gives 2, of 7 gives 4; the offset adds.
        {"odd 5", [] { DrawCenteredStrokeText(12, 0, 50, 15, "O", 1, 1); }, 2, "Ellipse(2,44,8,50)"},
        {"odd 7", [] { DrawCenteredStrokeText(14, 3, 50, 15, "O", 1, 1); }, 2, "Ellipse(7,44,13,50)"},
        // 318 wide: 29.5 goes to 30; Z's diagonal from (x + [6], y - [6]) after eight measuring moves.
        {"logo strip", [] { DrawCenteredStrokeText(318, 0, 44, 15, "zantorik", 5.8, 1); }, 9, "MoveTo(65,9)"},
        {"cut at 255", [&] { DrawStrokeText(0, 50, 1, 15, 1, dots); }, 255 * 2, "MoveTo(510,50)"},
    };
    for (const auto& [name, draw, at, call] : cases) {
        Texts t = Calls(draw);
        ASSERT_GT(t.size(), at) << name;
        EXPECT_EQ(t[at], call) << name;
    }
    EXPECT_EQ(Calls(std::get<1>(cases[0])).size(), 1u);
    EXPECT_EQ(Calls(std::get<1>(cases[6])).size(), 1u + 510);
    EXPECT_EQ(LastAdvance, 2);  // after drawing: the last glyph's, not the text's
    EXPECT_EQ(MeasureStrokeText(1, dots, 1), 510);
    EXPECT_EQ(MeasureStrokeText(1, "", 5.8) + LastAdvance, 0);
}

// A copy of the word (left, baseline, palette index): its colour, then Z's diagonal from (x + 35, y - 35).
using Copy = std::array<int, 3>;
std::vector<Copy> Copies(const FakeCanvas& c) {
    std::vector<Copy> copies;
    for (size_t i = 0; i + 1 < c.calls.size(); ++i) {
        const std::vector<int>& rgb = c.calls[i].args;
        int index = 0;
        while (c.calls[i].op == CanvasCall::Op::PenColor && PaletteColor(uint8_t(index)) != MakeRgb(rgb[0], rgb[1], rgb[2]))
            ++index;
        if (c.calls[i].op == CanvasCall::Op::PenColor)
            copies.push_back({c.calls[i + 1].args[0] - 35, c.calls[i + 1].args[1] + 35, index});
    }
    return copies;
}

TEST_F(Graphics, LogoSchemeFiveOnTheAboutStrip) {
    size_t repaintAt = 0;
    DrawLogo(canvas, 335, 53, [&] { repaintAt = canvas.calls.size(); }, [] { return 5; });
    // Bound and cleared to black, the pen left alone; the control repaints over the strip, under the logo.
    EXPECT_TRUE(SurfaceCanvas == &canvas && MaxX * 1000 + MaxY == 335053);
    const Texts t = canvas.Texts();
    EXPECT_EQ(Texts(t.begin(), t.begin() + 4), (Texts{"BrushStyle(Solid)", "BrushColor(0,0,0)", "FillRect(0,0,336,54)", "MoveTo(41,0)"}));
    EXPECT_EQ(repaintAt, 3u);
    EXPECT_EQ(Copies(canvas), (std::vector<Copy>{{40, 44, 5}, {41, 44, 5}, {42, 44, 5}, {41, 45, 4}, {42, 45, 4},
                                                 {43, 45, 4}, {42, 46, 12}, {43, 46, 12}, {44, 46, 12}, {43, 47, 5},
                                                 {44, 47, 5}, {45, 47, 5}, {44, 48, 15}, {45, 48, 15}, {46, 48, 15}}));
}

// Mended: a scheme number outside 0..5 counts as 0.
TEST_F(Graphics, LogoSchemesOutOfRangeCountAsZeroAndTheRandomOneStaysInRange) {
    std::vector<std::vector<Copy>> logos;
    for (int r : {0, 6, -1}) {
        DrawLogo(canvas, 335, 53, nullptr, [r] { return r; });
        logos.push_back(Copies(canvas)), canvas.Clear();
    }
    EXPECT_TRUE(logos[0][14][2] == 1 && logos[1] == logos[0] && logos[2] == logos[0]);
    // Sixty ticks of a coarse clock (15.625 ms in microseconds) draw every scheme, and nothing else.
    std::set<int> drawn;
    for (uint32_t tick = 0; tick < 60; ++tick) drawn.insert(SchemeFromSeed(1700000000u + tick * 15625));
    EXPECT_EQ(drawn, (std::set<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(drawn.count(TimeSeededScheme()), 1u);  // the clock's own draw is one of them
}

// Mended: the surface kept the lent canvas after the call.
TEST_F(Graphics, LogoOnAControlUsesItsCanvasSizeAndRepaintAndLetsTheCanvasGo) {
    ui::Label label(nullptr, "Label3"), unrealized(nullptr, "Label3");
    label.SetBounds(6, 6, 318, 60);
    label.AttachPeer(std::make_unique<CanvasPeer>(canvas));
    DrawLogo(label, [] { return 0; });
    EXPECT_EQ(canvas.calls.at(2).Text(), "FillRect(0,0,319,61)");
    EXPECT_EQ(static_cast<CanvasPeer*>(label.GetPeer())->repaintedAt, std::vector<size_t>{3});
    // 318 wide: the centred start is 30, so the copies begin at 32 to 38.
    EXPECT_TRUE(Copies(canvas).front() == (Copy{32, 51, 1}) && Copies(canvas).back() == (Copy{38, 55, 1}));
    EXPECT_EQ(SurfaceCanvas, nullptr);
    DrawLogo(unrealized, [] { return ADD_FAILURE() << "no window, no canvas: nothing to draw", 0; });
}

// Drawn once from creation, then 10 ms after each show, paint, resize or activation, in that moment's scheme.
TEST_F(Graphics, AboutBoxDrawsTheLogoOnceAfterEachEvent) {
    platform::FakePlatform fake;
    platform::Platform platform = fake.Get();
    TAboutBoxRV box{platform};
    int scheme = 5, logos = 0;
    const int top[] = {1, 5, 4, 12, 5, 15};  // the last layer's palette index by scheme
    box.scheme = [&] { return scheme; };
    box.Label3.AttachPeer(std::make_unique<CanvasPeer>(canvas));
    box.Created();
    EXPECT_EQ(box.ActiveControl(), &box.OKButton);  // Enter presses "Danke"
    const std::pair<int, std::function<void()>> events[] = {{5, [] {}}, {0, [&] { box.Show(); }}, {2, [&] { box.OnPaint(); }},
                                                            {4, [&] { box.OnResize(); }}, {1, [&] { box.Hide(), box.Show(); }}};
    for (const auto& [r, fire] : events) {
        scheme = r;
        fire();
        fake.timers.Advance(9);
        EXPECT_EQ(Copies(canvas).size(), 15u * logos) << "r " << r;
        fake.timers.Advance(101);
        ASSERT_EQ(Copies(canvas).size(), 15u * ++logos) << "r " << r;
        EXPECT_EQ(Copies(canvas).back()[2], top[r]) << "r " << r;
    }
}

}  // namespace
}  // namespace zk::test
