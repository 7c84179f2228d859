#include <gtest/gtest.h>

#include "graphics/surface.h"
#include "platform/fake/fake_canvas.h"

namespace zk::test {
namespace {

using namespace graphics;
using platform::BrushStyle;
using platform::FakeCanvas;
using platform::MakeRgb;
using Texts = std::vector<std::string>;

const platform::Rgb kWhite = MakeRgb(255, 255, 255), kBlack = MakeRgb(0, 0, 0);

struct Surface : ::testing::Test {
    // Bound with a cleared log, so each case sees only its own calls.
    FakeCanvas& Bind(FakeCanvas& c, uint16_t w = 100, uint16_t h = 100) {
        InitSurface(c, w, h);
        c.Clear();
        return c;
    }
    ~Surface() override { ReleaseSurface(); }
};

TEST_F(Surface, InitBindsClearsToBlackAndKeepsThePen) {
    FakeCanvas c(335, 53);
    c.SetPenColor(MakeRgb(1, 2, 3));
    c.Clear();
    InitSurface(c, 335, 53);
    EXPECT_EQ(SurfaceCanvas, &c);
    EXPECT_EQ(MaxX, 335);
    EXPECT_EQ(MaxY, 53);
    EXPECT_EQ(c.Texts(), (Texts{"BrushStyle(Solid)", "BrushColor(0,0,0)", "FillRect(0,0,336,54)"}));
    EXPECT_EQ(c.PenColor(), MakeRgb(1, 2, 3));
    for (int y = 0; y < 53; ++y)
        for (int x = 0; x < 335; ++x) ASSERT_EQ(c.Pixel(x, y), kBlack) << x << "," << y;
}

TEST_F(Surface, PaletteByIndex) {
    struct Case { uint8_t index; int r, g, b; };
    const Case cases[] = {
        {0, 0, 0, 0},     {1, 0, 0, 168},    {4, 168, 0, 0},     {5, 168, 0, 168},    {6, 252, 84, 0},
        {7, 168, 168, 168}, {8, 84, 84, 84}, {9, 84, 84, 252},   {12, 252, 84, 84},   {14, 252, 252, 84},
        {15, 252, 252, 252}, {16, 0, 0, 0},  {255, 0, 0, 0},
    };
    FakeCanvas c;
    Bind(c);
    for (const Case& k : cases) {
        c.Clear();
        SetPenColorIndex(k.index);
        EXPECT_EQ(c.Texts(), Texts{"PenColor(" + std::to_string(k.r) + "," + std::to_string(k.g) + "," +
                                   std::to_string(k.b) + ")"})
            << int(k.index);
    }
}

TEST_F(Surface, FillPatternsMapToBrushStyles) {
    const BrushStyle styles[] = {BrushStyle::Clear,           BrushStyle::Solid,         BrushStyle::Horizontal,
                                 BrushStyle::RisingDiagonal,  BrushStyle::RisingDiagonal, BrushStyle::FallingDiagonal,
                                 BrushStyle::FallingDiagonal, BrushStyle::Cross,          BrushStyle::DiagonalCross,
                                 BrushStyle::Vertical};
    FakeCanvas c;
    Bind(c);
    for (uint8_t p = 0; p < 10; ++p) {
        SetFillPattern(p, MakeRgb(10, 20, 30));
        EXPECT_EQ(c.GetBrushStyle(), styles[p]) << int(p);
        EXPECT_EQ(c.BrushColor(), MakeRgb(10, 20, 30));
    }
    // Above 9 the style stays, the colour still changes.
    SetFillPattern(7, kBlack);
    c.Clear();
    SetFillPattern(10, MakeRgb(1, 1, 1));
    EXPECT_EQ(c.Texts(), Texts{"BrushColor(1,1,1)"});
    EXPECT_EQ(c.GetBrushStyle(), BrushStyle::Cross);
}

TEST_F(Surface, PatternZeroMakesCirclesHollow) {
    FakeCanvas c(40, 40);
    InitSurface(c, 40, 40);
    SetFillPattern(1, kWhite);
    FillBar(0, 0, 39, 39);
    SetPenColorIndex(4);
    SetFillPattern(0, kBlack);
    DrawCircle(20, 20, 10);
    EXPECT_EQ(c.Pixel(20, 20), kWhite);           // inside left alone
    EXPECT_EQ(c.Pixel(10, 20), MakeRgb(168, 0, 0));  // outline drawn
    SetFillPattern(1, kBlack);
    DrawCircle(20, 20, 10);
    EXPECT_EQ(c.Pixel(20, 20), kBlack);
}

TEST_F(Surface, FillBarIncludesBothCorners) {
    FakeCanvas c(10, 10);
    Bind(c);
    SetFillPattern(1, kWhite);
    FillBar(2, 3, 4, 5);
    EXPECT_EQ(c.Texts().back(), "FillRect(2,3,5,6)");
    EXPECT_EQ(c.Pixel(4, 5), kWhite);
    EXPECT_EQ(c.Pixel(5, 5), kBlack);
    EXPECT_EQ(c.Pixel(4, 6), kBlack);
}

TEST_F(Surface, LineLeavesItsEndPixel) {
    FakeCanvas c(20, 20);
    Bind(c);
    SetPenColorIndex(15);
    c.Clear();
    DrawLine(2, 5, 8, 5);
    EXPECT_EQ(c.Texts(), (Texts{"MoveTo(2,5)", "LineTo(8,5)"}));
    EXPECT_EQ(GetPenX(), 8);
    EXPECT_EQ(GetPenY(), 5);
    EXPECT_EQ(c.Pixel(2, 5), MakeRgb(252, 252, 252));
    EXPECT_EQ(c.Pixel(7, 5), MakeRgb(252, 252, 252));
    EXPECT_EQ(c.Pixel(8, 5), kBlack);
    MovePen(3, 4);
    EXPECT_EQ(c.Texts().back(), "MoveTo(3,4)");
    EXPECT_EQ(GetPenX(), 3);
}

TEST_F(Surface, ArcsByAngles) {
    struct Case { uint16_t from, to, r; const char* call; };
    const Case cases[] = {
        // cos 45 * 10 = 7.07: three quarters, open to the right.
        {45, 315, 10, "Arc(40,40,60,60,57,43,57,57)"},
        {0, 90, 10, "Arc(40,40,60,60,60,50,50,40)"},
        {90, 0, 10, "Arc(40,40,60,60,50,40,60,50)"},
        {0, 360, 10, "Arc(40,40,60,60,60,50,60,50)"},
        {180, 270, 4, "Arc(46,46,54,54,46,50,50,54)"},
        // cos 167 * 9 = -8.77, sin 167 * 9 = 2.02, cos 200 * 9 = -8.46, sin 200 * 9 = -3.08.
        {167, 200, 9, "Arc(41,41,59,59,41,48,42,53)"},
        {0, 0, 0, "Arc(50,50,50,50,50,50,50,50)"},
    };
    FakeCanvas c;
    Bind(c);
    for (const Case& k : cases) {
        c.Clear();
        DrawArc(50, 50, k.from, k.to, k.r);
        EXPECT_EQ(c.Texts(), Texts{k.call}) << k.from << " to " << k.to;
    }
}

TEST_F(Surface, ArcFromFortyFiveToThreeFifteenIsOpenToTheRight) {
    FakeCanvas c(100, 100);
    Bind(c);
    SetPenColorIndex(15);
    DrawArc(50, 50, 45, 315, 10);
    const auto white = MakeRgb(252, 252, 252);
    EXPECT_EQ(c.Pixel(40, 50), white);  // left
    EXPECT_EQ(c.Pixel(50, 40), white);  // top
    EXPECT_EQ(c.Pixel(50, 59), white);  // bottom
    EXPECT_EQ(c.Pixel(59, 50), kBlack);  // right: the gap
    EXPECT_EQ(c.Pixel(50, 50), kBlack);  // an arc fills nothing
}

TEST_F(Surface, EllipseHalvesItsAxesAndCircleZeroIsAnEmptyBox) {
    FakeCanvas c;
    Bind(c);
    DrawEllipse(20, 30, 0, 360, 3, 5);
    DrawEllipse(20, 30, 90, 10, 4, 1);  // the angles change nothing
    DrawCircle(7, 9, 0);
    DrawCircle(7, 9, 4);
    EXPECT_EQ(c.Texts(), (Texts{"Ellipse(19,28,21,32)", "Ellipse(18,30,22,30)", "Ellipse(7,9,7,9)",
                                "Ellipse(3,5,11,13)"}));
}

TEST_F(Surface, RoundsHalvesToEven) {
    struct Case { double v; int want; };
    const Case cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {4.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2},
                          {2.4999, 2}, {2.5001, 3}, {17.4, 17}, {14.5, 14}, {-6.7, -7}};
    for (const Case& k : cases) EXPECT_EQ(RoundEven(k.v), k.want) << k.v;
}

TEST_F(Surface, NothingHappensWithoutACanvas) {
    FakeCanvas c;
    Bind(c);
    ReleaseSurface();
    DrawLine(0, 0, 5, 5);
    DrawCircle(1, 1, 1);
    DrawArc(1, 1, 0, 90, 1);
    DrawEllipse(1, 1, 0, 360, 2, 2);
    FillBar(0, 0, 1, 1);
    SetPenColorIndex(3);
    SetFillPattern(2, kWhite);
    MovePen(3, 3);
    EXPECT_TRUE(c.calls.empty());
    EXPECT_EQ(GetPenX(), 0);
}

}  // namespace
}  // namespace zk::test
