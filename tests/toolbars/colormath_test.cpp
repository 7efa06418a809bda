#include "toolbars/core/colormath.h"
#include "toolbars/paint/drawutils.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace qel;
using namespace qel::toolbars;

namespace {

TEST(ToolbarColorMath, MixColors) {
  struct Case {
    TColor c1, c2;
    int weight;
    TColor mixed;
  };
  const Case cases[] = {
      {0xFFFFFF, 0x000000, 255, 0xFEFEFE}, // 255 x 255 div 256 = 254
      {0xFFFFFF, 0x000000, 0, 0x000000},
      {0x000000, 0xFFFFFF, 0, 0xFEFEFE},
      {0x0000FF, 0xFF0000, 128, 0x7E007F}, // red 255*128/256 = 127, blue 255*127/256 = 126
      {0x102030, 0x403020, 64, 0},         // checked against the definition only
      {0xFFFFFF, 0x000000, 300, 0xFEFEFE}, // a weight beyond the range is clamped
      {0xFFFFFF, 0x000000, -4, 0x000000},
  };
  for (const Case &c : cases) {
    // Each channel from the definition, so the table's constants are checked too.
    const auto ch = [&](int shift) {
      const int w = qBound(0, c.weight, 255);
      return ((c.c1 >> shift & 0xFF) * w + (c.c2 >> shift & 0xFF) * (255 - w)) / 256;
    };
    const TColor expected = ch(0) | ch(8) << 8 | ch(16) << 16;
    EXPECT_EQ(MixColors(c.c1, c.c2, c.weight), expected) << std::hex << c.c1 << " " << c.c2 << " " << std::dec << c.weight;
    if (c.weight != 64) {
      EXPECT_EQ(MixColors(c.c1, c.c2, c.weight), c.mixed);
    }
  }
}

TEST(ToolbarColorMath, MixColorsNearestToWhatTheScreenShows) {
  struct Case {
    TColor c1, c2;
    int weight, depth;
    TColor nearest;
  };
  const Case cases[] = {
      {0xFFFFFF, 0x000000, 128, 32, 0x7F7F7F}, // true colour: the mix itself
      {0x336699, 0x336699, 255, 24, 0x326598},
      {0xFFFFFF, 0x000000, 128, 16, 0x7B7D7B}, // 127: 5-bit level 15 = 123, 6-bit level 31 = 125
      {0xFFFFFF, 0x000000, 128, 15, 0x7B7B7B}, // green has five bits too
      {0xFFFFFF, 0xFFFFFF, 255, 16, 0xFFFFFF}, // 254 rounds up to the top level
      {0x000000, 0x000000, 0, 16, 0x000000},
      {0xFFFFFF, 0x000000, 128, 8, 0x808080},  // the basic colours: grey
      {0xC8C8C8, 0xC8C8C8, 255, 8, 0xC0C0C0},  // silver
      {0x0000FF, 0x000000, 255, 8, 0x0000FF},  // 0x0000FE: red
      {0x2020E0, 0x2020E0, 255, 4, 0x0000FF},  // reddish: red, not maroon
      {0x808000, 0xFFFFFF, 200, 1, 0x808000},  // teal-ish mix stays teal
  };
  for (const Case &c : cases)
    EXPECT_EQ(MixColorsNearest(c.c1, c.c2, c.weight, c.depth), c.nearest)
        << std::hex << c.c1 << " " << c.c2 << std::dec << " w" << c.weight << " d" << c.depth;

  // At 16 bits every channel lands within half a level and stays put when matched again.
  for (int v = 0; v < 256; v += 5) {
    const TColor grey = v | v << 8 | v << 16;
    const TColor shown = NearestScreenColor(grey, 16);
    EXPECT_LE(std::abs((shown & 0xFF) - v), 4) << v;
    EXPECT_LE(std::abs((shown >> 8 & 0xFF) - v), 2) << v;
    EXPECT_EQ(NearestScreenColor(shown, 16), shown) << v;
  }
}

TEST(ToolbarColorMath, LevelsDarknessAndByteOrder) {
  EXPECT_EQ(AdjustColorLevels(0x10F080, 32), 0x30FFA0);
  EXPECT_EQ(AdjustColorLevels(0x10F080, -32), 0x00D060);
  EXPECT_EQ(AdjustColorLevels(0x000000, -1), 0x000000);

  // 76 red + 150 green + 30 blue against threshold x 256.
  EXPECT_TRUE(IsDarkColor(0x000000, 1));
  EXPECT_FALSE(IsDarkColor(0x000000, 0));
  EXPECT_TRUE(IsDarkColor(0x0000FF, 76));   // pure red: 76 x 255 = 19380 < 19456
  EXPECT_FALSE(IsDarkColor(0x0000FF, 75));  // 19380 >= 19200
  EXPECT_FALSE(IsDarkColor(0x00FF00, 149)); // green: 38250 >= 38144
  EXPECT_TRUE(IsDarkColor(0xFF0000, 30));   // blue: 7650 < 7680

  EXPECT_EQ(SwapRedBlue(0x00112233u), 0x00332211u);
  EXPECT_EQ(SwapRedBlue(0xAA112233u), 0xAA332211u);
  EXPECT_EQ(SwapRedBlue(SwapRedBlue(0x12345678u)), 0x12345678u);
}

TEST(ToolbarColorMath, GlyphPixelEffects) {
  // Dark background: L = 76 red + 150 green + 29 blue; above 0xFD00 turns
  // black, below 25600 white, then everything is lightened by 32.
  const std::pair<TPixel, TPixel> dark[] = {
      {0xFFFFFFFFu, 0xFF202020u}, {0xFFFEFEFEu, 0xFF202020u}, // 64770 > 64768
      {0xFFFDFDFDu, 0xFFFFFFFFu},                             // 64515 stays, then clamped
      {0xFF000000u, 0xFFFFFFFFu}, {0xFF646464u, 0xFFFFFFFFu}, // 25500 < 25600
      {0xFF656565u, 0xFF858585u}, {0xFF808080u, 0xFFA0A0A0u},
  };
  for (const auto &[in, out] : dark)
    EXPECT_EQ(DarkBackgroundGlyphPixel(in), out) << std::hex << in;

  // Blend: (colour x (255 - A) + glyph x A) div 256, the colour given as 0x00BBGGRR.
  EXPECT_EQ(BlendedGlyphPixel(0xFF000000u, 0xFFFFFF, 178), 0xFF4C4C4Cu);
  EXPECT_EQ(BlendedGlyphPixel(0xFFFF0000u, 0x0000FF, 100), 0xFFFE0000u);
  EXPECT_EQ(BlendedGlyphPixel(0xFF000000u, 0xFF0000, 0), 0xFF0000FEu); // blue stays blue

  // Faded: L = (29 red + 150 green + 76 blue) div 256 of the glyph; F = L div D + K.
  struct Fade {
    TPixel glyph;
    int level;
    TPixel result;
  };
  const Fade fades[] = {
      {0xFFFFFFFFu, 0, 0xFF7F7F7Fu}, {0xFFFFFFFFu, 1, 0xFF7F7F7Fu}, {0xFFFFFFFFu, 2, 0xFF7F7F7Fu},
      {0xFF000000u, 0, 0xFF555555u}, {0xFF000000u, 1, 0xFF707070u}, {0xFF000000u, 2, 0xFF797979u},
      {0xFFFF0000u, 0, 0xFF595959u}, {0xFF0000FFu, 0, 0xFF616161u},
      {0xFF000000u, 7, 0xFF797979u}, // a level beyond 2 is taken as 2
  };
  for (const Fade &f : fades)
    EXPECT_EQ(FadedGlyphPixel(0xFF808080u, f.glyph, f.level), f.result) << std::hex << f.glyph << " " << f.level;
  EXPECT_EQ(FadedGlyphPixel(0x40808080u, 0xFF000000u, 0), 0x40555555u); // the background keeps its alpha
}

} // namespace
