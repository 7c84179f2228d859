#include "platform/win32/canvas_win32.h"

namespace zk::platform {

CanvasWin32::CanvasWin32(HDC dc) : dc_(dc) {
    oldPen_ = GetCurrentObject(dc_, OBJ_PEN);
    oldBrush_ = GetCurrentObject(dc_, OBJ_BRUSH);
    oldBkMode_ = GetBkMode(dc_);
    oldArcDirection_ = SetArcDirection(dc_, AD_COUNTERCLOCKWISE);
    // Start from what the context holds, as the surface expects.
    LOGPEN lp{};
    penColor_ = GetObject(oldPen_, sizeof lp, &lp) == sizeof lp ? lp.lopnColor : MakeRgb(0, 0, 0);
    LOGBRUSH lb{};
    if (GetObject(oldBrush_, sizeof lb, &lb) == sizeof lb) {
        brushColor_ = lb.lbColor;
        if (lb.lbStyle == BS_NULL) brushStyle_ = BrushStyle::Clear;
        if (lb.lbStyle == BS_HATCHED) {
            switch (lb.lbHatch) {
                case HS_HORIZONTAL: brushStyle_ = BrushStyle::Horizontal; break;
                case HS_VERTICAL: brushStyle_ = BrushStyle::Vertical; break;
                case HS_BDIAGONAL: brushStyle_ = BrushStyle::RisingDiagonal; break;
                case HS_FDIAGONAL: brushStyle_ = BrushStyle::FallingDiagonal; break;
                case HS_CROSS: brushStyle_ = BrushStyle::Cross; break;
                default: brushStyle_ = BrushStyle::DiagonalCross; break;
            }
        }
    }
}

CanvasWin32::~CanvasWin32() {
    SelectObject(dc_, oldPen_);
    SelectObject(dc_, oldBrush_);
    SetBkMode(dc_, oldBkMode_);
    if (oldArcDirection_) SetArcDirection(dc_, oldArcDirection_);
    // pen_ and brush_ are deselected now and go with the members.
}

void CanvasWin32::MoveTo(int x, int y) { MoveToEx(dc_, x, y, nullptr); }

void CanvasWin32::LineTo(int x, int y) { ::LineTo(dc_, x, y); }

void CanvasWin32::Arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) {
    ::Arc(dc_, left, top, right, bottom, x1, y1, x2, y2);
}

void CanvasWin32::Ellipse(int left, int top, int right, int bottom) { ::Ellipse(dc_, left, top, right, bottom); }

void CanvasWin32::FillRect(int left, int top, int right, int bottom) {
    if (brushStyle_ == BrushStyle::Clear) return;
    RECT r{left, top, right, bottom};
    ::FillRect(dc_, &r, static_cast<HBRUSH>(GetCurrentObject(dc_, OBJ_BRUSH)));
}

CanvasPoint CanvasWin32::PenPos() const {
    POINT p{};
    GetCurrentPositionEx(dc_, &p);
    return {static_cast<int>(p.x), static_cast<int>(p.y)};
}

void CanvasWin32::SetPenColor(Rgb color) {
    HPEN pen = CreatePen(PS_SOLID, 1, color);
    if (!pen) return;
    SelectObject(dc_, pen);
    pen_.Reset();
    pen_.handle = pen;
    pen_.owned = true;
    penColor_ = color;
}

void CanvasWin32::SetBrushStyle(BrushStyle style) {
    brushStyle_ = style;
    MakeBrush();
}

void CanvasWin32::SetBrushColor(Rgb color) {
    brushColor_ = color;
    MakeBrush();
}

void CanvasWin32::MakeBrush() {
    HGDIOBJ brush = nullptr;
    bool owned = true;
    int hatch = -1;
    switch (brushStyle_) {
        case BrushStyle::Solid: brush = CreateSolidBrush(brushColor_); break;
        case BrushStyle::Clear: brush = GetStockObject(NULL_BRUSH); owned = false; break;
        case BrushStyle::Horizontal: hatch = HS_HORIZONTAL; break;
        case BrushStyle::Vertical: hatch = HS_VERTICAL; break;
        case BrushStyle::RisingDiagonal: hatch = HS_BDIAGONAL; break;
        case BrushStyle::FallingDiagonal: hatch = HS_FDIAGONAL; break;
        case BrushStyle::Cross: hatch = HS_CROSS; break;
        case BrushStyle::DiagonalCross: hatch = HS_DIAGCROSS; break;
    }
    if (hatch >= 0) brush = CreateHatchBrush(hatch, brushColor_);
    if (!brush) return;
    // Hatch lines only: the gaps keep what lies below.
    SetBkMode(dc_, brushStyle_ == BrushStyle::Solid || brushStyle_ == BrushStyle::Clear ? oldBkMode_ : TRANSPARENT);
    SelectObject(dc_, brush);
    brush_.Reset();
    brush_.handle = brush;
    brush_.owned = owned;
}

namespace {
// Holds the window's context; a base of the canvas so that it is released
// only after the canvas has put its pen and brush back.
struct DcLease {
    explicit DcLease(HWND window) : window(window), dc(GetDC(window)) {}
    ~DcLease() {
        if (dc) ReleaseDC(window, dc);
    }
    HWND window;
    HDC dc;
};

class WindowCanvas : private DcLease, public CanvasWin32 {
public:
    explicit WindowCanvas(HWND window) : DcLease(window), CanvasWin32(DcLease::dc), saved_(SaveDC(DcLease::dc)) {
        RECT r{};
        GetClientRect(window, &r);
        IntersectClipRect(DcLease::dc, 0, 0, r.right, r.bottom);
    }
    ~WindowCanvas() override { RestoreDC(DcLease::dc, saved_); }
    bool HasDc() const { return DcLease::dc != nullptr; }

private:
    int saved_;
};
}  // namespace

std::unique_ptr<Canvas> OpenWindowCanvas(HWND window) {
    if (!window) return nullptr;
    auto canvas = std::make_unique<WindowCanvas>(window);
    if (!canvas->HasDc()) return nullptr;
    return canvas;
}

}  // namespace zk::platform
