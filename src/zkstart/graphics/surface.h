// A DOS-style drawing surface over one platform canvas: a 16-colour palette
// by index, fill patterns 0 to 9, arcs by centre, angles and radius. Every
// primitive draws on the one canvas bound by InitSurface.
#pragma once
#include <cstdint>

#include "platform/canvas.h"

namespace zk::graphics {

using platform::Canvas;
using platform::Rgb;

// Module state. The canvas belongs to its control; nothing is drawn while
// none is bound.
extern Canvas* SurfaceCanvas;
extern uint16_t MaxX;
extern uint16_t MaxY;

// Rounds to the nearest integer, an exact half to the even neighbour.
int RoundEven(double v);

// Binds the canvas, sets a solid black brush and clears to black.
void InitSurface(Canvas& canvas, uint16_t width, uint16_t height);
// Forgets the bound canvas, for callers whose canvas is about to go away.
void ReleaseSurface();
void ClearSurface();
// Both corners lie inside the filled rectangle.
void FillBar(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

Rgb PaletteColor(uint8_t index);
void SetPenColorIndex(uint8_t index);
// Pattern 0 to 9 sets the brush style, a higher one keeps it; the colour
// is set in every case.
void SetFillPattern(uint8_t pattern, Rgb color);

void MovePen(int x, int y);
int GetPenX();
int GetPenY();

// The end pixel stays unset; the pen ends at (x2, y2).
void DrawLine(int x1, int y1, int x2, int y2);
// Outlined with the pen and filled with the brush.
void DrawCircle(int x, int y, uint16_t r);
// Counter-clockwise from start to end degrees, 90 pointing up.
void DrawArc(int x, int y, uint16_t startAngle, uint16_t endAngle, uint16_t r);
// Whole ellipse whatever the angles; a and b are full axes, halved downwards.
void DrawEllipse(int x, int y, uint16_t startAngle, uint16_t endAngle, uint16_t a, uint16_t b);

}  // namespace zk::graphics
