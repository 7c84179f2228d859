#include "graphics/logo.h"

#include <chrono>
#include <random>

#include "graphics/strokefont.h"
#include "graphics/surface.h"
#include "ui/controls.h"

namespace zk::graphics {

int TimeSeededScheme() {
    using namespace std::chrono;
    auto now = system_clock::now().time_since_epoch();
    return SchemeFromSeed(static_cast<uint32_t>(duration_cast<microseconds>(now).count()));
}

int SchemeFromSeed(uint32_t seed) {
    std::mt19937 gen(seed);
    return std::uniform_int_distribution<int>(0, 5)(gen);
}

uint8_t LogoLayerColor(int r, int layer) {
    // Blue, light blue, light grey, light blue, blue, magenta, red,
    // light red, magenta, white.
    static const uint8_t table[10] = {1, 9, 7, 9, 1, 5, 4, 12, 5, 15};
    int i = r + layer;
    return i >= 1 && i <= 10 ? table[i - 1] : 0;
}

void DrawLogo(platform::Canvas& canvas, uint16_t width, uint16_t height, const std::function<void()>& repaint,
              const SchemeSource& scheme) {
    InitSurface(canvas, width, height);
    if (repaint) repaint();
    int r = scheme ? scheme() : 0;
    if (r < 0 || r > 5) r = 0;
    for (int i = 1; i <= 5; ++i)
        for (int j = 1; j <= 3; ++j)
            DrawCenteredStrokeText(width, static_cast<uint16_t>(i + j), static_cast<uint16_t>(height - 10 + i),
                                   LogoLayerColor(r, i), "zantorik", kLogoScale, 1);
}

void DrawLogo(ui::Control& control, const SchemeSource& scheme) {
    std::unique_ptr<platform::Canvas> canvas = control.OpenCanvas();
    if (!canvas) return;
    const ui::Bounds& b = control.GetBounds();
    DrawLogo(*canvas, static_cast<uint16_t>(b.width), static_cast<uint16_t>(b.height), [&] { control.Repaint(); },
             scheme);
    // The canvas goes away with this call; the surface must not keep it.
    ReleaseSurface();
}

}  // namespace zk::graphics
