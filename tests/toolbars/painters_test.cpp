#include "toolbars/paint/drawutils.h"

#include <QImage>
#include <QMap>
#include <QPainter>

#include <gtest/gtest.h>

using namespace qel;
using namespace qel::toolbars;

namespace {

constexpr QRgb Bg = 0xFF102030u;

QImage Blank(int w = 16, int h = 16) {
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(Bg);
  return image;
}

// The image as rows of characters: '.' the background, else the key of the colour.
QStringList Picture(const QImage &image, const QMap<QRgb, QChar> &keys) {
  QStringList rows;
  for (int y = 0; y < image.height(); ++y) {
    QString row;
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      row += p == Bg ? QChar('.') : keys.value(p, QChar('?'));
    }
    rows << row;
  }
  return rows;
}

TEST(ToolbarPainters, FillAndFrame) {
  QImage image = Blank(6, 5);
  {
    QPainter painter(&image);
    TPainterCanvas canvas(painter);
    EXPECT_FALSE(FillRectWithColor(canvas, QRect(0, 0, 6, 5), clNone));
    QRect frame(0, 0, 6, 5);
    EXPECT_TRUE(FrameRectWithColor(canvas, frame, 0x0000FF, true));
    EXPECT_EQ(frame, QRect(1, 1, 4, 3));
    EXPECT_TRUE(FillRectWithColor(canvas, QRect(2, 2, 2, 1), 0x00FF00));
    // No colour: nothing painted, yet the rectangle shrinks all the same.
    QRect none(1, 1, 4, 3);
    EXPECT_FALSE(FrameRectWithColor(canvas, none, clNone, true));
    EXPECT_EQ(none, QRect(2, 2, 2, 1));
  }
  EXPECT_EQ(Picture(image, {{0xFFFF0000u, 'r'}, {0xFF00FF00u, 'g'}}),
            QStringList({"rrrrrr", "r....r", "r.gg.r", "r....r", "rrrrrr"}));
}

TEST(ToolbarPainters, FrameLinesAndLines) {
  QImage image = Blank(5, 4);
  {
    QPainter painter(&image);
    TPainterCanvas canvas(painter);
    QRect rect(0, 0, 5, 4);
    DrawFrameLines(canvas, rect, 0xFFFFFF, 0x000000);
    EXPECT_EQ(rect, QRect(1, 1, 3, 2));
  }
  EXPECT_EQ(Picture(image, {{0xFFFFFFFFu, 'w'}, {0xFF000000u, 'k'}}),
            QStringList({"wwwwk", "w...k", "w...k", "kkkkk"}));

  QImage lines = Blank(6, 6);
  {
    QPainter painter(&lines);
    TPainterCanvas canvas(painter);
    DrawLineWithColor(canvas, 0, 0, 5, 0, 0x0000FF); // the end point stays unpainted
    DrawLineWithColor(canvas, 5, 0, 5, 5, 0x0000FF); // so lines end to end meet exactly
    DrawLineWithColor(canvas, 0, 2, 3, 5, 0x00FF00);
    DrawLineWithColor(canvas, 2, 2, 2, 2, 0x00FF00); // an empty line paints nothing
  }
  EXPECT_EQ(Picture(lines, {{0xFFFF0000u, 'r'}, {0xFF00FF00u, 'g'}}),
            QStringList({"rrrrrr", ".....r", "g....r", ".g...r", "..g..r", "......"}));
}

TEST(ToolbarPainters, DitherPatternIsAlignedToTheOrigin) {
  QImage image = Blank(5, 3);
  {
    QPainter painter(&image);
    TPainterCanvas canvas(painter);
    FillRectWithDitherPattern(canvas, QRect(1, 0, 4, 3), 0xFFFFFF, 0x000000);
  }
  EXPECT_EQ(Picture(image, {{0xFFFFFFFFu, 'w'}, {0xFF000000u, 'k'}}),
            QStringList({".kwkw", ".wkwk", ".kwkw"}));
}

TEST(ToolbarPainters, HalftoneFrameMovesAndErasesItself) {
  const QImage original = Blank(12, 10);
  QImage image = original;
  QPainter painter(&image);
  TPainterCanvas canvas(painter);
  DrawHalftoneFrame(canvas, QRect(1, 1, 6, 5), std::nullopt, 2, 0);
  painter.end();
  // The band of two pixels inverted where x + y is odd; the inside untouched.
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 12; ++x) {
      const bool inBand = QRect(1, 1, 6, 5).contains(x, y) && !QRect(3, 3, 2, 1).contains(x, y);
      const QRgb expected = inBand && (x + y) % 2 ? (Bg ^ 0x00FFFFFFu) : Bg;
      ASSERT_EQ(image.pixel(x, y), expected) << x << "," << y;
    }

  // Moving it: one call erases the old frame and draws the new one.
  painter.begin(&image);
  DrawHalftoneFrame(canvas, QRect(4, 3, 7, 6), QRect(1, 1, 6, 5), 1, 2);
  painter.end();
  QImage fresh = original;
  painter.begin(&fresh);
  DrawHalftoneFrame(canvas, QRect(4, 3, 7, 6), std::nullopt, 1, 0);
  painter.end();
  EXPECT_EQ(image, fresh);

  // Drawn once more as the old frame with no new one: the surface is as it was.
  painter.begin(&image);
  DrawHalftoneFrame(canvas, std::nullopt, QRect(4, 3, 7, 6), 0, 1);
  painter.end();
  EXPECT_EQ(image, original);
}

} // namespace
