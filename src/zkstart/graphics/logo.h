// The game's name as a stack of fifteen coloured copies on a black strip.
#pragma once
#include <cstdint>
#include <functional>

#include "platform/canvas.h"

namespace zk::ui {
class Control;
}

namespace zk::graphics {

constexpr double kLogoScale = 5.8;

// Picks one of the six colour schemes, 0 to 5.
using SchemeSource = std::function<int()>;
// A fresh draw seeded from the time of day, in microseconds.
int TimeSeededScheme();
// The draw for one seed.
int SchemeFromSeed(uint32_t seed);
// Palette index of layer 1 to 5 in scheme r.
uint8_t LogoLayerColor(int r, int layer);

// Binds the surface to the canvas, clears it, lets the control repaint its
// own background and caption, then draws the logo on top.
void DrawLogo(platform::Canvas& canvas, uint16_t width, uint16_t height, const std::function<void()>& repaint,
              const SchemeSource& scheme);
// The same on a control's own canvas; nothing happens when it has none.
void DrawLogo(ui::Control& control, const SchemeSource& scheme = TimeSeededScheme);

}  // namespace zk::graphics
