// The drawing canvas of one control: pen, brush, current position and the
// few operations the vector graphics need. Coordinates are pixels of the
// control, x to the right, y downwards.
#pragma once
#include <cstdint>

namespace zk::platform {

// 0x00BBGGRR, as the window system takes it.
using Rgb = uint32_t;
constexpr Rgb MakeRgb(unsigned r, unsigned g, unsigned b) { return (r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16; }
constexpr unsigned RedOf(Rgb c) { return c & 0xFF; }
constexpr unsigned GreenOf(Rgb c) { return c >> 8 & 0xFF; }
constexpr unsigned BlueOf(Rgb c) { return c >> 16 & 0xFF; }

enum class BrushStyle {
    Solid,
    Clear,            // hollow: fills leave the background
    Horizontal,
    Vertical,
    RisingDiagonal,   // "/" lines
    FallingDiagonal,  // "\" lines
    Cross,
    DiagonalCross,
};

struct CanvasPoint {
    int x = 0, y = 0;
    bool operator==(const CanvasPoint& o) const { return x == o.x && y == o.y; }
};

class Canvas {
public:
    virtual ~Canvas() = default;

    virtual void MoveTo(int x, int y) = 0;
    // Draws with the pen from the current position up to, not including,
    // (x, y), which becomes the current position.
    virtual void LineTo(int x, int y) = 0;
    // The part of the ellipse in the box (left, top)-(right, bottom) that runs
    // counter-clockwise from the ray through (x1, y1) to the ray through
    // (x2, y2); the whole ellipse when the rays coincide. Pen only.
    virtual void Arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) = 0;
    // Outline with the pen, inside with the brush; right and bottom exclusive.
    virtual void Ellipse(int left, int top, int right, int bottom) = 0;
    // Fills with the brush; right and bottom exclusive.
    virtual void FillRect(int left, int top, int right, int bottom) = 0;

    virtual CanvasPoint PenPos() const = 0;
    virtual void SetPenColor(Rgb color) = 0;
    virtual Rgb PenColor() const = 0;
    virtual void SetBrushStyle(BrushStyle style) = 0;
    virtual BrushStyle GetBrushStyle() const = 0;
    virtual void SetBrushColor(Rgb color) = 0;
    virtual Rgb BrushColor() const = 0;
};

}  // namespace zk::platform
