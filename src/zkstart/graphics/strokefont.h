// A scalable decorative font drawn from lines, arcs and filled circles on
// the drawing surface. Texts are bytes in code page 437 (the umlauts at
// 129, 132, 142, 148, 153, 154); letters are drawn as capitals.
#pragma once
#include <cstdint>
#include <string>

namespace zk::graphics {

// The advance of the last glyph, or the width of the last measured text.
extern uint16_t LastAdvance;

// Draws (or, without draw, only measures) one character with its origin at
// (x, y), the baseline; the pen ends at (x + advance, y) either way.
uint16_t DrawGlyph(int x, int y, bool draw, double s, uint8_t code);

// Widths count advance + spacing - 1 per character; spacing 1 lets
// characters abut. Texts are cut to 255 characters.
uint16_t MeasureStrokeText(uint8_t spacing, const std::string& text, double s);
void DrawStrokeText(int32_t x, int y, uint8_t spacing, uint8_t color, double s, const std::string& text);
void DrawCenteredStrokeText(uint16_t areaWidth, uint16_t xOffset, uint16_t y, uint8_t color, const std::string& text,
                            double s, uint8_t spacing);

}  // namespace zk::graphics
