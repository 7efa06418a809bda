#include "toolbars/core/colormath.h"
#include "toolbars/paint/glypheffects.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::toolbars;

namespace {

// Opaque white, transparent, opaque black, opaque grey.
QImage Glyph() {
  QImage glyph(2, 2, QImage::Format_ARGB32);
  glyph.setPixel(0, 0, 0xFFFFFFFFu);
  glyph.setPixel(1, 0, 0x00000000u);
  glyph.setPixel(0, 1, 0xFF000000u);
  glyph.setPixel(1, 1, 0xFF808080u);
  return glyph;
}

template <typename Paint>
QImage Painted(QRgb background, Paint paint) {
  QImage image(4, 4, QImage::Format_ARGB32);
  image.fill(background);
  QPainter painter(&image);
  TPainterCanvas canvas(painter);
  paint(canvas);
  return image;
}

QList<QRgb> At(const QImage &image) {
  return {image.pixel(1, 1), image.pixel(2, 1), image.pixel(1, 2), image.pixel(2, 2), image.pixel(3, 3)};
}

TEST(ToolbarGlyphEffects, ContrastBlendAndFade) {
  constexpr QRgb Bg = 0xFF102030u;
  const QRect rect(1, 1, 5, 5);

  EXPECT_EQ(At(Painted(Bg, [&](TCanvas &c) { DrawImageContrast(c, rect, Glyph(), false); })),
            (QList<QRgb>{0xFFFFFFFFu, Bg, 0xFF000000u, 0xFF808080u, Bg}));
  EXPECT_EQ(At(Painted(Bg, [&](TCanvas &c) { DrawImageContrast(c, rect, Glyph(), true); })),
            (QList<QRgb>{0xFF202020u, Bg, 0xFFFFFFFFu, 0xFFA0A0A0u, Bg}));
  // The default theme's inactive look: weight 178 into the window colour (white here).
  EXPECT_EQ(At(Painted(Bg, [&](TCanvas &c) { DrawImageBlended(c, rect, Glyph(), 178, clWhite); })),
            (QList<QRgb>{0xFFFEFEFEu, Bg, 0xFF4C4C4Cu, 0xFFA5A5A5u, Bg}));
  // Faded: the grey background darkened by the glyph's brightness; no glyph colour shows.
  constexpr QRgb Grey = 0xFF808080u;
  EXPECT_EQ(At(Painted(Grey, [&](TCanvas &c) { DrawImageFaded(c, rect, Glyph(), 0); })),
            (QList<QRgb>{0xFF7F7F7Fu, Grey, 0xFF555555u, Grey, Grey}));
  EXPECT_EQ(At(Painted(0xFF102030u, [&](TCanvas &c) { DrawImageFaded(c, rect, Glyph(), 1); })),
            (QList<QRgb>{FadedGlyphPixel(Bg, 0xFFFFFFFFu, 1), Bg, FadedGlyphPixel(Bg, 0xFF000000u, 1),
                         FadedGlyphPixel(Bg, 0xFF808080u, 1), Bg}));
}

TEST(ToolbarGlyphEffects, TheAreaIsTheSmallerOfGlyphAndRectangle) {
  constexpr QRgb Bg = 0xFF102030u;
  const QRect narrow(1, 1, 1, 5);
  EXPECT_EQ(At(Painted(Bg, [&](TCanvas &c) { DrawImageContrast(c, narrow, Glyph(), true); })),
            (QList<QRgb>{0xFF202020u, Bg, 0xFFFFFFFFu, Bg, Bg}));
  EXPECT_EQ(At(Painted(Bg, [&](TCanvas &c) { DrawImageFaded(c, QRect(1, 1, 0, 0), Glyph(), 0); })),
            (QList<QRgb>{Bg, Bg, Bg, Bg, Bg}));
}

} // namespace
