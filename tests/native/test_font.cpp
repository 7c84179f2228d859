#include <gtest/gtest.h>

#include "graphics/strokefont.h"
#include "graphics/surface.h"
#include "platform/fake/fake_canvas.h"

namespace zk::test {
namespace {

using namespace graphics;
using platform::FakeCanvas;
using Texts = std::vector<std::string>;

struct Font : ::testing::Test {
    Font() { InitSurface(canvas, 400, 100); canvas.Clear(); }
    ~Font() override { ReleaseSurface(); }
    Texts Glyph(uint8_t code, double s, int x = 100, int y = 50, bool draw = true) {
        canvas.Clear();
        DrawGlyph(x, y, draw, s, code);
        return canvas.Texts();
    }
    FakeCanvas canvas;
};

TEST_F(Font, LogoLetterAdvancesAtFivePointEight) {
    struct Case { char c; int advance; };
    const Case cases[] = {{'Z', 41}, {'A', 35}, {'N', 46}, {'T', 35}, {'O', 41}, {'R', 29}, {'I', 9}, {'K', 23}};
    for (const Case& k : cases) {
        EXPECT_EQ(Glyph(k.c, 5.8, 100, 50, false), Texts{"MoveTo(" + std::to_string(100 + k.advance) + ",50)"})
            << k.c;
        EXPECT_EQ(LastAdvance, k.advance) << k.c;
    }
}

TEST_F(Font, ZantorikMeasures259AndOnlyMovesThePen) {
    MovePen(10, 40);
    canvas.Clear();
    EXPECT_EQ(MeasureStrokeText(1, "zantorik", 5.8), 259);
    EXPECT_EQ(LastAdvance, 259);
    EXPECT_EQ(canvas.Texts(), (Texts{"MoveTo(51,40)", "MoveTo(86,40)", "MoveTo(132,40)", "MoveTo(167,40)",
                                     "MoveTo(208,40)", "MoveTo(237,40)", "MoveTo(246,40)", "MoveTo(269,40)"}));
    EXPECT_EQ(MeasureStrokeText(1, "ZANTORIK", 5.8), 259);
    // Each unit of spacing adds a pixel per character; 0 takes one away.
    EXPECT_EQ(MeasureStrokeText(3, "zantorik", 5.8), 259 + 16);
    EXPECT_EQ(MeasureStrokeText(0, "zantorik", 5.8), 259 - 8);
}

TEST_F(Font, MeasuringPaintsNoPixel) {
    FakeCanvas raster(200, 60);
    InitSurface(raster, 200, 60);
    SetPenColorIndex(15);
    MovePen(5, 50);
    MeasureStrokeText(1, "ZANTORIK 0123456789", 3);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 200; ++x) ASSERT_EQ(raster.Pixel(x, y), platform::MakeRgb(0, 0, 0)) << x << "," << y;
    EXPECT_EQ(raster.PenPos().y, 50);
}

// Glyphs worked out by hand from their strokes, origin (100, 50).
TEST_F(Font, TellingGlyphs) {
    struct Case { uint8_t code; double s; Texts calls; };
    const Case cases[] = {
        {'O', 1, {"Ellipse(100,44,106,50)", "MoveTo(107,50)"}},
        {'4', 1,
         {"Arc(100,44,108,52,104,44,100,48)", "MoveTo(100,48)", "LineTo(104,48)", "Arc(98,46,102,50,100,50,102,47)",
          "Arc(102,46,106,50,102,47,104,50)", "MoveTo(105,50)"}},
        {'!', 1,
         {"Ellipse(100,50,100,50)", "Arc(100,36,118,54,100,43,101,48)", "MoveTo(100,48)", "LineTo(102,45)",
          "Arc(100,39,106,45,100,43,102,45)", "MoveTo(103,50)"}},
        // [2.5] = 2 and [3.5] = 4: the dots are not symmetric at scale 1.
        {148, 1, {"Ellipse(100,44,106,50)", "Ellipse(102,46,102,46)", "Ellipse(104,46,104,46)", "MoveTo(107,50)"}},
        {153, 1, {"Ellipse(100,44,106,50)", "Ellipse(102,46,102,46)", "Ellipse(104,46,104,46)", "MoveTo(107,50)"}},
        // At 5.8: [3] = 17, [2.5] = [14.5] = 14, [3.5] = [20.3] = 20, [4.5] = [26.1] = 26, [0.4] = 2.
        {148, 5.8, {"Ellipse(100,16,134,50)", "Ellipse(112,22,116,26)", "Ellipse(118,22,122,26)", "MoveTo(141,50)"}},
        // Two-term coordinates round each term: y - [3.7] - [1.125] is y - 7 - 2 at scale 2, not y - [4.825].
        {248, 2,
         {"Ellipse(100,38,106,44)", "MoveTo(102,41)", "LineTo(102,43)", "MoveTo(102,40)", "LineTo(103,40)",
          "MoveTo(102,41)", "LineTo(103,41)", "Arc(102,40,104,42,103,42,103,40)", "MoveTo(103,41)", "LineTo(104,43)",
          "MoveTo(107,50)"}},
        // Digit 0: the ellipse's axes [2] and [3] are halved to 1 and 1.
        {'0', 1, {"Ellipse(101,46,103,48)", "MoveTo(101,48)", "LineTo(103,46)", "MoveTo(105,50)"}},
        {' ', 5.8, {"MoveTo(129,50)"}},
    };
    for (const Case& k : cases) EXPECT_EQ(Glyph(k.code, k.s), k.calls) << int(k.code) << " at " << k.s;
}

TEST_F(Font, LowerCaseDrawsLikeUpperCase) {
    for (char c = 'a'; c <= 'z'; ++c) {
        Texts upper = Glyph(static_cast<uint8_t>(c - 32), 5.8);
        EXPECT_GT(upper.size(), 1u) << c;
        EXPECT_EQ(Glyph(static_cast<uint8_t>(c), 5.8), upper) << c;
    }
    canvas.Clear();
    DrawStrokeText(20, 60, 1, 15, 5.8, "zantorik");
    Texts lower = canvas.Texts();
    canvas.Clear();
    DrawStrokeText(20, 60, 1, 15, 5.8, "ZANTORIK");
    EXPECT_EQ(canvas.Texts(), lower);
}

TEST_F(Font, ExactlyTheListedCodesHaveGlyphs) {
    std::vector<int> want = {32, 33, 37, 43, 45, 46};
    for (int c = 48; c <= 58; ++c) want.push_back(c);
    for (int c = 63; c <= 90; ++c) want.push_back(c);
    for (int c = 97; c <= 122; ++c) want.push_back(c);
    for (int c : {129, 132, 142, 148, 153, 154, 248}) want.push_back(c);
    std::vector<int> have;
    for (int c = 0; c < 256; ++c)
        if (DrawGlyph(0, 0, false, 1, static_cast<uint8_t>(c)) > 0) have.push_back(c);
    EXPECT_EQ(have, want);
}

TEST_F(Font, CodesWithoutGlyphAdvanceZeroAndDrawNothing) {
    // ANSI umlauts and ß, control codes, gaps in the table, the top of the range.
    for (int code : {0, 1, 31, 34, 36, 47, 59, 62, 91, 96, 123, 127, 128, 130, 196, 214, 220, 223, 228, 246, 247,
                     249, 252, 255}) {
        LastAdvance = 99;
        EXPECT_EQ(Glyph(static_cast<uint8_t>(code), 5.8, 70, 30), Texts{"MoveTo(70,30)"}) << code;
        EXPECT_EQ(LastAdvance, 0) << code;
    }
}

TEST_F(Font, EmptyTextMeasuresZeroAndDrawsOnlyThePenColour) {
    LastAdvance = 5;
    EXPECT_EQ(MeasureStrokeText(1, "", 5.8), 0);
    EXPECT_EQ(LastAdvance, 0);
    canvas.Clear();
    DrawStrokeText(10, 10, 1, 6, 5.8, "");
    EXPECT_EQ(canvas.Texts(), Texts{"PenColor(252,84,0)"});
}

TEST_F(Font, SpacingSetsTheNextOrigin) {
    struct Case { uint8_t spacing; int secondLeft; };
    for (const Case& k : {Case{1, 107}, Case{0, 106}, Case{3, 109}}) {
        canvas.Clear();
        DrawStrokeText(100, 50, k.spacing, 1, 1, "OO");
        Texts t = canvas.Texts();
        ASSERT_EQ(t.size(), 5u);
        EXPECT_EQ(t[0], "PenColor(0,0,168)");
        EXPECT_EQ(t[1], "Ellipse(100,44,106,50)");
        EXPECT_EQ(t[3], "Ellipse(" + std::to_string(k.secondLeft) + ",44," + std::to_string(k.secondLeft + 6) + ",50)");
        EXPECT_EQ(LastAdvance, 7);  // the last glyph's, not the text's
    }
}

TEST_F(Font, CentringTakesTheEvenHalf) {
    struct Case { uint16_t area, offset; int left; };
    // "O" is 7 wide: a difference of 5 gives 2, of 7 gives 4, of 0 gives 0.
    const Case cases[] = {{12, 0, 2}, {14, 0, 4}, {7, 0, 0}, {12, 10, 12}, {14, 3, 7}, {13, 0, 3}};
    for (const Case& k : cases) {
        canvas.Clear();
        DrawCenteredStrokeText(k.area, k.offset, 50, 15, "O", 1, 1);
        Texts t = canvas.Texts();
        ASSERT_EQ(t.size(), 4u);  // measure, colour, circle, move
        EXPECT_EQ(t[2], "Ellipse(" + std::to_string(k.left) + ",44," + std::to_string(k.left + 6) + ",50)")
            << k.area << "+" << k.offset;
    }
}

TEST_F(Font, LogoWordOnA318PixelStripStartsAt30) {
    DrawCenteredStrokeText(318, 0, 44, 15, "zantorik", 5.8, 1);
    Texts t = canvas.Texts();
    ASSERT_GE(t.size(), 11u);
    // Eight moves of the measuring, then the colour and Z's diagonal from
    // (x + [6], y - [6]) to (x, y).
    EXPECT_EQ(t[8], "PenColor(252,252,252)");
    EXPECT_EQ(t[9], "MoveTo(65,9)");
    EXPECT_EQ(t[10], "LineTo(30,44)");
    EXPECT_EQ(t.back(), "MoveTo(289,44)");  // K ends at 30 + 259
}

TEST_F(Font, TextsAreCutAt255Characters) {
    EXPECT_EQ(MeasureStrokeText(1, std::string(300, '.'), 1), 255 * 2);
    canvas.Clear();
    DrawStrokeText(0, 50, 1, 15, 1, std::string(300, '.'));
    EXPECT_EQ(canvas.Texts().size(), 1u + 255 * 2);
}

}  // namespace
}  // namespace zk::test
