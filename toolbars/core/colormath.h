#pragma once
// Colour arithmetic of the themes. Colours are plain 0x00BBGGRR values here
// (system colours are resolved by the painting side before they get here);
// pixels are 32-bit 0xAARRGGBB values as QImage::Format_ARGB32 holds them.

#include <cstdint>

namespace qel {
using TColor = std::int32_t;
} // namespace qel

namespace qel::toolbars {

using TPixel = std::uint32_t;

// Per channel (c1 x weight + c2 x (255 - weight)) div 256; weight is clamped to 0..255.
TColor MixColors(TColor c1, TColor c2, int weight);
// Delta added to each channel, each clamped to 0..255.
TColor AdjustColorLevels(TColor color, int delta);
// 76 x red + 150 x green + 30 x blue < threshold x 256.
bool IsDarkColor(TColor color, int threshold);
// Exchanges the first and third bytes: a colour value to a pixel value and back.
std::uint32_t SwapRedBlue(std::uint32_t value);

// A glyph pixel as shown on a dark background: very bright pixels turn
// black, very dark ones white, then everything is lightened by 32.
TPixel DarkBackgroundGlyphPixel(TPixel glyph);
// A glyph pixel blended into `color` (0x00BBGGRR): (color x (255 - weight) +
// glyph x weight) div 256 per channel, opaque.
TPixel BlendedGlyphPixel(TPixel glyph, TColor color, int weight);
// The background pixel under a glyph pixel darkened by the glyph's
// brightness; level 0 is the faintest shading, 2 the lightest (clamped to 0..2).
TPixel FadedGlyphPixel(TPixel background, TPixel glyph, int level);

} // namespace qel::toolbars
