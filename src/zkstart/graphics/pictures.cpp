#include "graphics/pictures.h"

#include "graphics/strokefont.h"
#include "graphics/surface.h"

namespace zk::graphics {

using platform::BrushStyle;
using platform::MakeRgb;

namespace {
// Borrows the surface for one picture and gives the old binding back, so a
// paint in the middle of a logo run cannot steal its canvas.
class SurfaceLoan {
public:
    SurfaceLoan(platform::Canvas& canvas, uint16_t width, uint16_t height)
        : canvas_(SurfaceCanvas), maxX_(MaxX), maxY_(MaxY) {
        // The surface clears up to its edges inclusive; a picture stays inside.
        InitSurface(canvas, static_cast<uint16_t>(width - 1), static_cast<uint16_t>(height - 1));
    }
    ~SurfaceLoan() {
        SurfaceCanvas = canvas_;
        MaxX = maxX_;
        MaxY = maxY_;
    }

private:
    platform::Canvas* canvas_;
    uint16_t maxX_, maxY_;
};

void Fill(platform::Canvas& c, Rgb color, int left, int top, int right, int bottom) {
    c.SetBrushStyle(BrushStyle::Solid);
    c.SetBrushColor(color);
    c.FillRect(left, top, right, bottom);
}
}  // namespace

void PaintSetupIcon(platform::Canvas& c) {
    const Rgb body = MakeRgb(0, 0, 128), metal = MakeRgb(192, 192, 192), label = MakeRgb(255, 255, 255);
    Fill(c, body, 3, 3, 29, 29);
    Fill(c, body, 29, 6, 30, 29);  // the cut corner's other side
    Fill(c, metal, 9, 3, 23, 12);
    Fill(c, body, 18, 5, 21, 10);
    Fill(c, label, 7, 16, 25, 29);
    c.SetPenColor(MakeRgb(168, 0, 0));
    for (int y = 19; y <= 25; y += 3) {
        c.MoveTo(9, y);
        c.LineTo(23, y);
    }
}

namespace {
void Smile(platform::Canvas& c, Rgb face, Rgb ink) {
    c.SetBrushStyle(BrushStyle::Solid);
    c.SetBrushColor(face);
    c.SetPenColor(ink);
    c.Ellipse(0, 0, kGlyphSize, kGlyphSize);
    c.SetBrushColor(ink);
    c.Ellipse(4, 4, 7, 8);
    c.Ellipse(9, 4, 12, 8);
    // The mouth: the lower part of a circle, counter-clockwise from left to right.
    c.Arc(3, 3, 13, 13, 3, 9, 13, 9);
}
}  // namespace

void PaintThanksGlyph(platform::Canvas& c) { Smile(c, MakeRgb(255, 255, 0), MakeRgb(0, 0, 0)); }

void PaintThanksGlyphDisabled(platform::Canvas& c) { Smile(c, MakeRgb(192, 192, 192), MakeRgb(128, 128, 128)); }

void PaintLauncherIcon(platform::Canvas& c) {
    SurfaceLoan loan(c, kIconSize, kIconSize);
    const uint8_t colors[] = {5, 4, 12, 5, 15};
    for (int i = 0; i < 5; ++i) DrawStrokeText(2 + i, 27 + i / 2, 1, colors[i], 3.4, "Z");
}

void PaintMakerBanner(platform::Canvas& c) {
    SurfaceLoan loan(c, kBannerWidth, kBannerHeight);
    const uint8_t colors[] = {1, 9, 7, 15};
    for (int i = 0; i < 4; ++i) DrawCenteredStrokeText(kBannerWidth, static_cast<uint16_t>(i), 31, colors[i], "Orvandel", 3.3, 2);
    SetPenColorIndex(7);
    DrawLine(8, 36, kBannerWidth - 8, 36);
}

}  // namespace zk::graphics
