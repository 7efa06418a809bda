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
// MixColors, then the nearest colour a screen of `screenDepth` bits per
// pixel can show (see NearestScreenColor).
TColor MixColorsNearest(TColor c1, TColor c2, int weight, int screenDepth);
// The colour a screen of `depth` bits per pixel shows for `color`: itself
// from 24 bits up; each channel rounded to 5 (red, blue) and 6 or 5 (green)
// bits and widened back at 16 and 15 bits; the nearest of the sixteen basic
// colours below that.
TColor NearestScreenColor(TColor color, int depth);
// Delta added to each channel, each clamped to 0..255.
TColor AdjustColorLevels(TColor color, int delta);
// 76 x red + 150 x green + 30 x blue < threshold x 256.
bool IsDarkColor(TColor color, int threshold);
// How well one colour reads on the other: the ratio of their relative
// luminances (each plus 0.05), 1 for equal colours up to 21 for black on white.
double ContrastRatio(TColor c1, TColor c2);
// `ink` when it reads on `background` with at least `minimum` contrast;
// otherwise `ink` mixed toward `fallback` in steps until it does (at most
// `fallback` itself, which the caller picks to read well there).
TColor ReadableInk(TColor ink, TColor fallback, TColor background, double minimum);
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
