#include "toolbars/core/colormath.h"

#include <algorithm>
#include <cmath>

namespace qel::toolbars {

namespace {

int Channel(std::uint32_t value, int shift) { return int((value >> shift) & 0xFF); }
int Clamp255(int v) { return std::clamp(v, 0, 255); }
TColor Rgb(int r, int g, int b) { return TColor(r | (g << 8) | (b << 16)); }
TPixel Pixel(int r, int g, int b) { return 0xFF000000u | TPixel(r << 16) | TPixel(g << 8) | TPixel(b); }

} // namespace

TColor MixColors(TColor c1, TColor c2, int weight) {
  const int w = Clamp255(weight);
  const auto mix = [&](int shift) {
    return (Channel(std::uint32_t(c1), shift) * w + Channel(std::uint32_t(c2), shift) * (255 - w)) / 256;
  };
  return Rgb(mix(0), mix(8), mix(16));
}

TColor MixColorsNearest(TColor c1, TColor c2, int weight, int screenDepth) {
  return NearestScreenColor(MixColors(c1, c2, weight), screenDepth);
}

namespace {

// A channel as a screen with `bits` bits for it shows it: the nearest of its
// levels, widened back to eight bits by repeating the high bits.
int QuantizedChannel(int value, int bits) {
  const int levels = (1 << bits) - 1;
  const int k = (value * levels + 127) / 255;
  return (k << (8 - bits)) | (k >> (2 * bits - 8));
}

} // namespace

TColor NearestScreenColor(TColor color, int depth) {
  const auto c = std::uint32_t(color);
  const int r = Channel(c, 0), g = Channel(c, 8), b = Channel(c, 16);
  if (depth >= 24)
    return Rgb(r, g, b);
  if (depth >= 15)
    return Rgb(QuantizedChannel(r, 5), QuantizedChannel(g, depth >= 16 ? 6 : 5), QuantizedChannel(b, 5));
  // The basic sixteen: black, maroon, green, olive, navy, purple, teal,
  // silver, grey, red, lime, yellow, blue, fuchsia, aqua, white.
  static constexpr TColor Basic[16] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                       0x808000, 0xC0C0C0, 0x808080, 0x0000FF, 0x00FF00, 0x00FFFF,
                                       0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
  TColor best = Basic[0];
  int bestDistance = -1;
  for (const TColor candidate : Basic) {
    const auto k = std::uint32_t(candidate);
    const int dr = r - Channel(k, 0), dg = g - Channel(k, 8), db = b - Channel(k, 16);
    const int distance = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || distance < bestDistance) {
      bestDistance = distance;
      best = candidate;
    }
  }
  return best;
}

TColor AdjustColorLevels(TColor color, int delta) {
  const auto adjust = [&](int shift) { return Clamp255(Channel(std::uint32_t(color), shift) + delta); };
  return Rgb(adjust(0), adjust(8), adjust(16));
}

bool IsDarkColor(TColor color, int threshold) {
  const auto c = std::uint32_t(color);
  return 76 * Channel(c, 0) + 150 * Channel(c, 8) + 30 * Channel(c, 16) < threshold * 256;
}

namespace {

double Luminance(TColor color) {
  const auto linear = [&](int shift) {
    const double v = Channel(std::uint32_t(color), shift) / 255.0;
    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(0) + 0.7152 * linear(8) + 0.0722 * linear(16);
}

} // namespace

double ContrastRatio(TColor c1, TColor c2) {
  const double l1 = Luminance(c1), l2 = Luminance(c2);
  return (std::max(l1, l2) + 0.05) / (std::min(l1, l2) + 0.05);
}

TColor ReadableInk(TColor ink, TColor fallback, TColor background, double minimum) {
  // Weight of `ink` from full down to none, a sixteenth at a time.
  for (int weight = 255; weight > 0; weight -= 16) {
    const TColor mixed = weight == 255 ? ink : MixColors(ink, fallback, weight);
    if (ContrastRatio(mixed, background) >= minimum)
      return mixed;
  }
  return fallback;
}

std::uint32_t SwapRedBlue(std::uint32_t value) {
  return (value & 0xFF00FF00u) | ((value & 0xFF) << 16) | ((value >> 16) & 0xFF);
}

TPixel DarkBackgroundGlyphPixel(TPixel glyph) {
  const int r = Channel(glyph, 16), g = Channel(glyph, 8), b = Channel(glyph, 0);
  const int l = 76 * r + 150 * g + 29 * b;
  TColor c = Rgb(r, g, b);
  if (l > 0xFD00)
    c = 0x000000;
  else if (l < 25600)
    c = 0xFFFFFF;
  c = AdjustColorLevels(c, 32);
  return Pixel(Channel(std::uint32_t(c), 0), Channel(std::uint32_t(c), 8), Channel(std::uint32_t(c), 16));
}

TPixel BlendedGlyphPixel(TPixel glyph, TColor color, int weight) {
  const int a = Clamp255(weight);
  const std::uint32_t colorPixel = SwapRedBlue(std::uint32_t(color) & 0xFFFFFF);
  const auto blend = [&](int shift) { return (Channel(colorPixel, shift) * (255 - a) + Channel(glyph, shift) * a) / 256; };
  return Pixel(blend(16), blend(8), blend(0));
}

TPixel FadedGlyphPixel(TPixel background, TPixel glyph, int level) {
  static constexpr int Divisor[3] = {3, 8, 20};
  static constexpr int Base[3] = {170, 224, 243};
  const int lv = std::clamp(level, 0, 2);
  const int l = (Channel(glyph, 16) * 29 + Channel(glyph, 8) * 150 + Channel(glyph, 0) * 76) / 256;
  const int f = l / Divisor[lv] + Base[lv];
  const auto fade = [&](int shift) { return Channel(background, shift) * f / 256; };
  return (background & 0xFF000000u) | TPixel(fade(16) << 16) | TPixel(fade(8) << 8) | TPixel(fade(0));
}

} // namespace qel::toolbars
