#include "platform/fake/fake_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace zk::platform {

namespace {
constexpr double kPi = 3.14159265358979323846;

std::vector<int> Components(Rgb c) {
    return {static_cast<int>(RedOf(c)), static_cast<int>(GreenOf(c)), static_cast<int>(BlueOf(c))};
}

// The pixels of the ellipse inscribed in a box, right and bottom exclusive.
struct EllipseShape {
    double cx, cy, rx, ry;
    EllipseShape(int left, int top, int right, int bottom)
        : cx((left + right) / 2.0), cy((top + bottom) / 2.0), rx((right - left) / 2.0), ry((bottom - top) / 2.0) {}
    bool Inside(int x, int y) const {
        if (rx <= 0 || ry <= 0) return false;
        double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
        return dx * dx + dy * dy <= 1.0;
    }
    bool Edge(int x, int y) const {
        return Inside(x, y) && (!Inside(x - 1, y) || !Inside(x + 1, y) || !Inside(x, y - 1) || !Inside(x, y + 1));
    }
    // Counter-clockwise on the screen, 0 pointing right.
    double Angle(double x, double y) const { return std::atan2(cy - y, x - cx); }
};

double Wrap(double a) {
    a = std::fmod(a, 2 * kPi);
    return a < 0 ? a + 2 * kPi : a;
}
}  // namespace

const char* BrushStyleName(BrushStyle style) {
    switch (style) {
        case BrushStyle::Solid: return "Solid";
        case BrushStyle::Clear: return "Clear";
        case BrushStyle::Horizontal: return "Horizontal";
        case BrushStyle::Vertical: return "Vertical";
        case BrushStyle::RisingDiagonal: return "RisingDiagonal";
        case BrushStyle::FallingDiagonal: return "FallingDiagonal";
        case BrushStyle::Cross: return "Cross";
        case BrushStyle::DiagonalCross: return "DiagonalCross";
    }
    return "?";
}

std::string CanvasCall::Text() const {
    static const char* names[] = {"MoveTo", "LineTo", "Arc", "Ellipse", "FillRect", "PenColor", "BrushStyle", "BrushColor"};
    std::string s = names[static_cast<int>(op)];
    s += '(';
    if (op == Op::BrushStyle) {
        s += BrushStyleName(static_cast<BrushStyle>(args.at(0)));
    } else {
        for (size_t i = 0; i < args.size(); ++i) s += (i ? "," : "") + std::to_string(args[i]);
    }
    return s + ')';
}

FakeCanvas::FakeCanvas(int width, int height, Rgb background)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_), background) {}

std::vector<std::string> FakeCanvas::Texts() const {
    std::vector<std::string> t;
    for (const CanvasCall& c : calls) t.push_back(c.Text());
    return t;
}

Rgb FakeCanvas::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0xFFFFFFFF;
    return pixels_[static_cast<size_t>(y) * width_ + x];
}

void FakeCanvas::Plot(int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[static_cast<size_t>(y) * width_ + x] = c;
}

bool FakeCanvas::BrushCovers(int x, int y) const {
    auto m8 = [](int v) { return ((v % 8) + 8) % 8 == 0; };
    switch (brushStyle_) {
        case BrushStyle::Solid: return true;
        case BrushStyle::Clear: return false;
        case BrushStyle::Horizontal: return m8(y);
        case BrushStyle::Vertical: return m8(x);
        case BrushStyle::RisingDiagonal: return m8(x + y);
        case BrushStyle::FallingDiagonal: return m8(x - y);
        case BrushStyle::Cross: return m8(x) || m8(y);
        case BrushStyle::DiagonalCross: return m8(x + y) || m8(x - y);
    }
    return false;
}

void FakeCanvas::MoveTo(int x, int y) {
    Record(CanvasCall::Op::MoveTo, {x, y});
    pos_ = {x, y};
}

void FakeCanvas::LineTo(int x, int y) {
    Record(CanvasCall::Op::LineTo, {x, y});
    // Bresenham, leaving out the end point.
    int x0 = pos_.x, y0 = pos_.y;
    int dx = std::abs(x - x0), sx = x0 < x ? 1 : -1;
    int dy = -std::abs(y - y0), sy = y0 < y ? 1 : -1;
    int err = dx + dy;
    while (!(x0 == x && y0 == y)) {
        Plot(x0, y0, pen_);
        int e2 = 2 * err;
        if (e2 >= dy) { err += dy; x0 += sx; }
        if (e2 <= dx) { err += dx; y0 += sy; }
    }
    pos_ = {x, y};
}

void FakeCanvas::Arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) {
    Record(CanvasCall::Op::Arc, {left, top, right, bottom, x1, y1, x2, y2});
    if (pixels_.empty()) return;
    EllipseShape e(std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom));
    double a1 = e.Angle(x1, y1), sweep = Wrap(e.Angle(x2, y2) - a1);
    for (int y = static_cast<int>(e.cy - e.ry) - 1; y <= e.cy + e.ry; ++y)
        for (int x = static_cast<int>(e.cx - e.rx) - 1; x <= e.cx + e.rx; ++x)
            if (e.Edge(x, y) && (sweep == 0 || Wrap(e.Angle(x + 0.5, y + 0.5) - a1) <= sweep)) Plot(x, y, pen_);
}

void FakeCanvas::Ellipse(int left, int top, int right, int bottom) {
    Record(CanvasCall::Op::Ellipse, {left, top, right, bottom});
    if (pixels_.empty()) return;
    EllipseShape e(std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom));
    for (int y = std::min(top, bottom); y < std::max(top, bottom); ++y)
        for (int x = std::min(left, right); x < std::max(left, right); ++x) {
            if (e.Edge(x, y)) Plot(x, y, pen_);
            else if (e.Inside(x, y) && BrushCovers(x, y)) Plot(x, y, brush_);
        }
}

void FakeCanvas::FillRect(int left, int top, int right, int bottom) {
    Record(CanvasCall::Op::FillRect, {left, top, right, bottom});
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (BrushCovers(x, y)) Plot(x, y, brush_);
}

void FakeCanvas::SetPenColor(Rgb color) {
    Record(CanvasCall::Op::PenColor, Components(color));
    pen_ = color;
}

void FakeCanvas::SetBrushStyle(BrushStyle style) {
    Record(CanvasCall::Op::BrushStyle, {static_cast<int>(style)});
    brushStyle_ = style;
}

void FakeCanvas::SetBrushColor(Rgb color) {
    Record(CanvasCall::Op::BrushColor, Components(color));
    brush_ = color;
}

namespace {
class LentCanvas : public Canvas {
public:
    explicit LentCanvas(Canvas& c) : c_(c) {}
    void MoveTo(int x, int y) override { c_.MoveTo(x, y); }
    void LineTo(int x, int y) override { c_.LineTo(x, y); }
    void Arc(int l, int t, int r, int b, int x1, int y1, int x2, int y2) override { c_.Arc(l, t, r, b, x1, y1, x2, y2); }
    void Ellipse(int l, int t, int r, int b) override { c_.Ellipse(l, t, r, b); }
    void FillRect(int l, int t, int r, int b) override { c_.FillRect(l, t, r, b); }
    CanvasPoint PenPos() const override { return c_.PenPos(); }
    void SetPenColor(Rgb color) override { c_.SetPenColor(color); }
    Rgb PenColor() const override { return c_.PenColor(); }
    void SetBrushStyle(BrushStyle style) override { c_.SetBrushStyle(style); }
    BrushStyle GetBrushStyle() const override { return c_.GetBrushStyle(); }
    void SetBrushColor(Rgb color) override { c_.SetBrushColor(color); }
    Rgb BrushColor() const override { return c_.BrushColor(); }

private:
    Canvas& c_;
};
}  // namespace

std::unique_ptr<Canvas> FakeCanvas::Lend() { return std::make_unique<LentCanvas>(*this); }

bool FakeCanvas::SavePpm(const std::string& path) const {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "P6\n%d %d\n255\n", width_, height_);
    for (Rgb p : pixels_) {
        unsigned char rgb[3] = {static_cast<unsigned char>(RedOf(p)), static_cast<unsigned char>(GreenOf(p)),
                                static_cast<unsigned char>(BlueOf(p))};
        std::fwrite(rgb, 1, 3, f);
    }
    return std::fclose(f) == 0;
}

}  // namespace zk::platform
