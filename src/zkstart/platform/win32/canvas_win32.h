// The canvas of a Windows device context.
#pragma once
#include <windows.h>

#include <memory>

#include "platform/canvas.h"

namespace zk::platform {

// Draws on a device context it does not own. The pen stays one pixel wide
// and solid; the context's own pen and brush are back in place afterwards.
class CanvasWin32 : public Canvas {
public:
    explicit CanvasWin32(HDC dc);
    ~CanvasWin32() override;
    CanvasWin32(const CanvasWin32&) = delete;
    CanvasWin32& operator=(const CanvasWin32&) = delete;

    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) override;
    void Ellipse(int left, int top, int right, int bottom) override;
    void FillRect(int left, int top, int right, int bottom) override;
    CanvasPoint PenPos() const override;
    void SetPenColor(Rgb color) override;
    Rgb PenColor() const override { return penColor_; }
    void SetBrushStyle(BrushStyle style) override;
    BrushStyle GetBrushStyle() const override { return brushStyle_; }
    void SetBrushColor(Rgb color) override;
    Rgb BrushColor() const override { return brushColor_; }

protected:
    HDC dc_;

private:
    // A pen or brush we made; deleted once it is no longer selected.
    struct GdiObject {
        HGDIOBJ handle = nullptr;
        bool owned = false;
        ~GdiObject() { Reset(); }
        void Reset() {
            if (owned && handle) DeleteObject(handle);
            handle = nullptr;
            owned = false;
        }
    };
    void MakeBrush();

    HGDIOBJ oldPen_, oldBrush_;
    int oldBkMode_, oldArcDirection_;
    GdiObject pen_, brush_;
    Rgb penColor_;
    BrushStyle brushStyle_ = BrushStyle::Solid;
    Rgb brushColor_ = MakeRgb(255, 255, 255);
};

// The client area of a window, through GetDC; clipped to that area even
// where the window class lends its parent's context.
std::unique_ptr<Canvas> OpenWindowCanvas(HWND window);

}  // namespace zk::platform
