// A canvas for headless tests: records every drawing and state call in
// order and, when given a size, also paints into a pixel buffer (close to
// what the window system does, not pixel-exact).
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/canvas.h"

namespace zk::platform {

struct CanvasCall {
    enum class Op { MoveTo, LineTo, Arc, Ellipse, FillRect, PenColor, BrushStyle, BrushColor };
    Op op;
    std::vector<int> args;  // colours as red, green, blue; a style as its number
    // "LineTo(3,4)", "PenColor(252,84,0)", "BrushStyle(Clear)".
    std::string Text() const;
};

const char* BrushStyleName(BrushStyle style);

class FakeCanvas : public Canvas {
public:
    // Without a size nothing is painted, only recorded.
    explicit FakeCanvas(int width = 0, int height = 0, Rgb background = MakeRgb(255, 255, 255));

    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) override;
    void Ellipse(int left, int top, int right, int bottom) override;
    void FillRect(int left, int top, int right, int bottom) override;
    CanvasPoint PenPos() const override { return pos_; }
    void SetPenColor(Rgb color) override;
    Rgb PenColor() const override { return pen_; }
    void SetBrushStyle(BrushStyle style) override;
    BrushStyle GetBrushStyle() const override { return brushStyle_; }
    void SetBrushColor(Rgb color) override;
    Rgb BrushColor() const override { return brush_; }

    // Test side.
    std::vector<CanvasCall> calls;
    std::vector<std::string> Texts() const;
    void Clear() { calls.clear(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    Rgb Pixel(int x, int y) const;
    // A canvas that draws on this one, for code that wants to own its canvas.
    std::unique_ptr<Canvas> Lend();
    // Writes the pixels as a binary PPM file; false on failure.
    bool SavePpm(const std::string& path) const;

private:
    void Record(CanvasCall::Op op, std::vector<int> args) { calls.push_back({op, std::move(args)}); }
    void Plot(int x, int y, Rgb c);
    bool BrushCovers(int x, int y) const;
    int width_, height_;
    std::vector<Rgb> pixels_;
    CanvasPoint pos_;
    Rgb pen_ = MakeRgb(0, 0, 0);
    BrushStyle brushStyle_ = BrushStyle::Solid;
    Rgb brush_ = MakeRgb(255, 255, 255);
};

}  // namespace zk::platform
