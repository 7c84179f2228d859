// The about box's pictures, drawn by code.
#pragma once
#include "platform/canvas.h"

namespace zk::graphics {

constexpr int kIconSize = 32;
constexpr int kBannerWidth = 194, kBannerHeight = 40;

void PaintSetupIcon(platform::Canvas& canvas);     // a floppy disk
void PaintLauncherIcon(platform::Canvas& canvas);  // a layered Z like the logo
void PaintMakerBanner(platform::Canvas& canvas);   // the maker's name on black
constexpr int kGlyphSize = 16;
void PaintThanksGlyph(platform::Canvas& canvas);          // a smiling face
void PaintThanksGlyphDisabled(platform::Canvas& canvas);  // the same in grey

}  // namespace zk::graphics
