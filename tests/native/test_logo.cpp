#include <gtest/gtest.h>

#include <set>

#include "graphics/logo.h"
#include "graphics/surface.h"
#include "platform/fake/fake_canvas.h"
#include "ui/controls.h"
#include "canvas_peer.h"

namespace zk::test {
namespace {

using namespace graphics;
using platform::CanvasCall;
using platform::FakeCanvas;
using platform::MakeRgb;
using platform::Rgb;

struct Copy {
    int left, baseline;
    std::vector<int> color;
    bool operator==(const Copy& o) const { return left == o.left && baseline == o.baseline && color == o.color; }
};
std::ostream& operator<<(std::ostream& os, const Copy& c) {
    return os << "{" << c.left << "," << c.baseline << ",(" << c.color[0] << "," << c.color[1] << "," << c.color[2]
              << ")}";
}

// Every copy starts with its colour, then Z's diagonal from (x + 35, y - 35).
std::vector<Copy> Copies(const FakeCanvas& c) {
    std::vector<Copy> copies;
    for (size_t i = 0; i + 1 < c.calls.size(); ++i) {
        if (c.calls[i].op != CanvasCall::Op::PenColor) continue;
        const CanvasCall& move = c.calls[i + 1];
        EXPECT_EQ(move.op, CanvasCall::Op::MoveTo);
        copies.push_back({move.args[0] - 35, move.args[1] + 35, c.calls[i].args});
    }
    return copies;
}

const std::vector<int> kMagenta{168, 0, 168}, kRed{168, 0, 0}, kLightRed{252, 84, 84}, kWhite{252, 252, 252};

TEST(Logo, SchemeFiveOnTheAboutStrip) {
    FakeCanvas c(335, 53);
    size_t repaintAt = 0;
    DrawLogo(c, 335, 53, [&] { repaintAt = c.calls.size(); }, [] { return 5; });
    ReleaseSurface();
    ASSERT_GE(c.calls.size(), 3u);
    EXPECT_EQ(c.calls[0].Text(), "BrushStyle(Solid)");
    EXPECT_EQ(c.calls[1].Text(), "BrushColor(0,0,0)");
    EXPECT_EQ(c.calls[2].Text(), "FillRect(0,0,336,54)");
    EXPECT_EQ(repaintAt, 3u);  // the control repaints over the cleared strip, under the logo
    const std::vector<Copy> want = {
        {40, 44, kMagenta},  {41, 44, kMagenta},  {42, 44, kMagenta},
        {41, 45, kRed},      {42, 45, kRed},      {43, 45, kRed},
        {42, 46, kLightRed}, {43, 46, kLightRed}, {44, 46, kLightRed},
        {43, 47, kMagenta},  {44, 47, kMagenta},  {45, 47, kMagenta},
        {44, 48, kWhite},    {45, 48, kWhite},    {46, 48, kWhite},
    };
    EXPECT_EQ(Copies(c), want);
}

TEST(Logo, PixelsHoldOnlyTheSchemeAndTheTopFaceStaysBlackInside) {
    FakeCanvas c(335, 53, MakeRgb(1, 2, 3));
    DrawLogo(c, 335, 53, nullptr, [] { return 5; });
    ReleaseSurface();
    const std::set<Rgb> allowed = {MakeRgb(0, 0, 0), MakeRgb(168, 0, 168), MakeRgb(168, 0, 0), MakeRgb(252, 84, 84),
                                   MakeRgb(252, 252, 252)};
    std::set<Rgb> seen;
    for (int y = 0; y < 53; ++y)
        for (int x = 0; x < 335; ++x) seen.insert(c.Pixel(x, y));
    EXPECT_EQ(seen, allowed);
    // The last copy's O: origin 46 + 41 + 35 + 46 + 35 = 203, centre (220, 31), radius 17.
    EXPECT_EQ(c.Pixel(220, 31), MakeRgb(0, 0, 0));
    EXPECT_EQ(c.Pixel(210, 31), MakeRgb(0, 0, 0));
    EXPECT_EQ(c.Pixel(203, 31), MakeRgb(252, 252, 252));  // its left edge in the top colour
}

TEST(Logo, SixSchemes) {
    const int want[6][5] = {{1, 9, 7, 9, 1}, {9, 7, 9, 1, 5}, {7, 9, 1, 5, 4},
                            {9, 1, 5, 4, 12}, {1, 5, 4, 12, 5}, {5, 4, 12, 5, 15}};
    for (int r = 0; r < 6; ++r) {
        FakeCanvas c;
        DrawLogo(c, 335, 53, nullptr, [r] { return r; });
        std::vector<Copy> copies = Copies(c);
        ASSERT_EQ(copies.size(), 15u);
        for (int i = 0; i < 5; ++i) {
            Rgb rgb = PaletteColor(static_cast<uint8_t>(want[r][i]));
            std::vector<int> color = {int(platform::RedOf(rgb)), int(platform::GreenOf(rgb)), int(platform::BlueOf(rgb))};
            for (int j = 0; j < 3; ++j) EXPECT_EQ(copies[i * 3 + j].color, color) << "r " << r << " layer " << i + 1;
        }
    }
    ReleaseSurface();
}

TEST(Logo, OnAControlUsesItsCanvasSizeAndRepaint) {
    FakeCanvas c;
    ui::Label label(nullptr, "Label3");
    label.SetBounds(6, 6, 318, 60);
    auto peer = std::make_unique<CanvasPeer>(c);
    CanvasPeer& p = *peer;
    label.AttachPeer(std::move(peer));
    DrawLogo(label, [] { return 0; });
    EXPECT_EQ(c.calls[2].Text(), "FillRect(0,0,319,61)");
    EXPECT_EQ(p.repaintedAt, std::vector<size_t>{3});
    std::vector<Copy> copies = Copies(c);
    ASSERT_EQ(copies.size(), 15u);
    // 318 wide: the centred start is 30, so the copies begin at 32 to 38.
    EXPECT_EQ(copies.front().left, 32);
    EXPECT_EQ(copies.front().baseline, 51);
    EXPECT_EQ(copies.back().left, 38);
    EXPECT_EQ(copies.back().baseline, 55);
    EXPECT_EQ(SurfaceCanvas, nullptr);  // the lent canvas is gone
}

TEST(Logo, AControlWithoutAWindowDrawsNothing) {
    ui::Label label(nullptr, "Label3");
    label.SetBounds(0, 0, 335, 53);
    bool asked = false;
    DrawLogo(label, [&] { asked = true; return 0; });
    EXPECT_FALSE(asked);
}

TEST(Logo, TheRandomSchemeStaysInRange) {
    std::set<int> seen;
    for (int k = 0; k < 200; ++k) {
        int r = TimeSeededScheme();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 5);
        seen.insert(r);
    }
    EXPECT_GT(seen.size(), 1u);
}

}  // namespace
}  // namespace zk::test
