#include "graphics/surface.h"

#include <cmath>

namespace zk::graphics {

using platform::BrushStyle;
using platform::MakeRgb;

Canvas* SurfaceCanvas = nullptr;
uint16_t MaxX = 0;
uint16_t MaxY = 0;

int RoundEven(double v) {
    // Spelt out rather than left to the floating-point mode of the moment.
    double f = std::floor(v), d = v - f;
    if (d > 0.5 || (d == 0.5 && std::fmod(f, 2.0) != 0)) f += 1;
    return static_cast<int>(f);
}

void InitSurface(Canvas& canvas, uint16_t width, uint16_t height) {
    SurfaceCanvas = &canvas;
    MaxX = width;
    MaxY = height;
    SetFillPattern(1, MakeRgb(0, 0, 0));
    ClearSurface();
}

void ReleaseSurface() { SurfaceCanvas = nullptr; }

void ClearSurface() { FillBar(0, 0, MaxX, MaxY); }

void FillBar(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (SurfaceCanvas) SurfaceCanvas->FillRect(x1, y1, x2 + 1, y2 + 1);
}

Rgb PaletteColor(uint8_t index) {
    static const Rgb palette[16] = {
        MakeRgb(0, 0, 0),      MakeRgb(0, 0, 168),    MakeRgb(0, 168, 0),    MakeRgb(0, 168, 168),
        MakeRgb(168, 0, 0),    MakeRgb(168, 0, 168),  MakeRgb(252, 84, 0),   MakeRgb(168, 168, 168),
        MakeRgb(84, 84, 84),   MakeRgb(84, 84, 252),  MakeRgb(84, 252, 84),  MakeRgb(84, 252, 252),
        MakeRgb(252, 84, 84),  MakeRgb(252, 84, 252), MakeRgb(252, 252, 84), MakeRgb(252, 252, 252),
    };
    return index < 16 ? palette[index] : MakeRgb(0, 0, 0);
}

void SetPenColorIndex(uint8_t index) {
    if (SurfaceCanvas) SurfaceCanvas->SetPenColor(PaletteColor(index));
}

void SetFillPattern(uint8_t pattern, Rgb color) {
    static const BrushStyle styles[10] = {
        BrushStyle::Clear,           BrushStyle::Solid,           BrushStyle::Horizontal,
        BrushStyle::RisingDiagonal,  BrushStyle::RisingDiagonal,  BrushStyle::FallingDiagonal,
        BrushStyle::FallingDiagonal, BrushStyle::Cross,           BrushStyle::DiagonalCross,
        BrushStyle::Vertical,
    };
    if (!SurfaceCanvas) return;
    if (pattern < 10) SurfaceCanvas->SetBrushStyle(styles[pattern]);
    SurfaceCanvas->SetBrushColor(color);
}

void MovePen(int x, int y) {
    if (SurfaceCanvas) SurfaceCanvas->MoveTo(x, y);
}

int GetPenX() { return SurfaceCanvas ? SurfaceCanvas->PenPos().x : 0; }
int GetPenY() { return SurfaceCanvas ? SurfaceCanvas->PenPos().y : 0; }

void DrawLine(int x1, int y1, int x2, int y2) {
    if (!SurfaceCanvas) return;
    SurfaceCanvas->MoveTo(x1, y1);
    SurfaceCanvas->LineTo(x2, y2);
}

void DrawCircle(int x, int y, uint16_t r) {
    if (SurfaceCanvas) SurfaceCanvas->Ellipse(x - r, y - r, x + r, y + r);
}

void DrawArc(int x, int y, uint16_t startAngle, uint16_t endAngle, uint16_t r) {
    if (!SurfaceCanvas) return;
    const double pi = 3.14159265358979323846;
    double a = startAngle * pi / 180.0, b = endAngle * pi / 180.0;
    int x1 = x + RoundEven(r * std::cos(a)), y1 = y - RoundEven(r * std::sin(a));
    int x2 = x + RoundEven(r * std::cos(b)), y2 = y - RoundEven(r * std::sin(b));
    SurfaceCanvas->Arc(x - r, y - r, x + r, y + r, x1, y1, x2, y2);
}

void DrawEllipse(int x, int y, uint16_t, uint16_t, uint16_t a, uint16_t b) {
    if (SurfaceCanvas) SurfaceCanvas->Ellipse(x - a / 2, y - b / 2, x + a / 2, y + b / 2);
}

}  // namespace zk::graphics
