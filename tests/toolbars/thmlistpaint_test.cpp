#include "thmtestpalette.h"

#include "toolbars/paint/thmlistpaint.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <functional>

using namespace qel::toolbars;
using namespace qel::toolbars::test;
using qel::TColor;

namespace {

constexpr QRgb Untouched = 0xFF123456;

QImage Paint(int w, int h, const std::function<void(TCanvas &)> &paint) {
  TPaletteGuard palette(ClassicColors);
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(Untouched);
  QPainter painter(&image);
  TPainterCanvas canvas(painter);
  paint(canvas);
  painter.end();
  return image;
}

QRgb At(const QImage &image, int x, int y) { return image.pixel(x, y) | 0xFF000000u; }

} // namespace

TEST(ThmListPaint, ScrollBarZones) {
  TThmScrollBar bar;
  bar.SetBounds(QRect(4, 0, 16, 100));
  bar.SetPageSize(8);
  bar.SetRange(20);
  bar.SetPosition(6); // thumb from 16 + round(68 x 6 / 20) = 36, 27 long
  const auto paint = [&bar](TCanvas &canvas) { PaintScrollBar(canvas, bar); };
  QImage image = Paint(24, 100, paint);
  EXPECT_EQ(At(image, 0, 50), Untouched); // left of the bar
  EXPECT_EQ(At(image, 12, 50), ClassicColors.Face);                                      // thumb face
  const QRgb track[] = {At(image, 12, 20), At(image, 13, 20)};                          // the checker
  EXPECT_NE(track[0], track[1]);
  for (QRgb p : track)
    EXPECT_TRUE(p == ClassicColors.Light || p == ClassicColors.Face) << std::hex << p;
  EXPECT_EQ(At(image, 12, 36 + 26), ClassicColors.DarkShadow); // the thumb's raised edge below

  // The held track part is dark.
  // The held track part is dark (a press pages the thumb from 16 to 43 first).
  bar.SetPosition(0);
  bar.MouseDown(QPoint(8, 80), true);
  ASSERT_EQ(bar.Zone(sbz::TrackAfter), QRect(0, 70, 16, 14));
  image = Paint(24, 100, paint);
  EXPECT_EQ(At(image, 12, 77), ClassicColors.DarkShadow);
  EXPECT_NE(At(image, 12, 30), ClassicColors.DarkShadow);
}

TEST(ThmListPaint, ColourSwatchesAndCells) {
  struct Case {
    TColor color;
    bool enabled, inMenu;
    QRgb corner, inside; // pixel (0,0)/(2,2) of the rectangle and its centre
  };
  const QRgb red = 0xFFFF0000;
  const Case cases[] = {
      {0x0000FF, true, false, ClassicColors.Shadow, red},
      {0x0000FF, true, true, Untouched, red},     // two pixels in, in menus
      {ThmNoColor, true, false, Untouched, Untouched}, // an empty place
  };
  for (const Case &c : cases) {
    const QImage image =
        Paint(16, 16, [&](TCanvas &canvas) { PaintColorSwatch(canvas, QRect(0, 0, 16, 16), c.color, c.enabled, c.inMenu); });
    EXPECT_EQ(At(image, 0, 0), c.corner);
    EXPECT_EQ(At(image, 8, 8), c.inside);
    if (c.inMenu) {
      EXPECT_EQ(At(image, 2, 2), ClassicColors.Shadow);
    }
  }
  // Disabled: an edge, no colour.
  QImage image = Paint(16, 16, [](TCanvas &canvas) { PaintColorSwatch(canvas, QRect(0, 0, 12, 12), 0x0000FF, false, false); });
  EXPECT_EQ(At(image, 0, 0), ClassicColors.Shadow);
  EXPECT_EQ(At(image, 6, 6), Untouched);

  image = Paint(12, 12, [](TCanvas &canvas) { PaintColorCell(canvas, QRect(0, 0, 12, 12), 0x00FF00, true); });
  EXPECT_EQ(At(image, 0, 0), ClassicColors.Shadow);
  EXPECT_EQ(At(image, 1, 1), 0xFF00FF00);
  image = Paint(12, 12, [](TCanvas &canvas) { PaintColorCell(canvas, QRect(0, 0, 12, 12), 0x00FF00, false); });
  EXPECT_EQ(At(image, 11, 11), ClassicColors.Shadow);
  EXPECT_EQ(At(image, 5, 5), Untouched);
}

TEST(ThmListPaint, RowsHoverAndPlain) {
  for (bool hover : {false, true}) {
    const QImage image = Paint(80, 16, [&](TCanvas &canvas) {
      TThmListRowPaint row;
      row.Rect = QRect(0, 0, 80, 16);
      row.Text = QStringLiteral("WWWW");
      row.Hover = hover;
      PaintListRow(canvas, row);
    });
    const QRgb background = hover ? ClassicColors.Highlight : ClassicColors.Window;
    const QRgb text = hover ? ClassicColors.HighlightText : ClassicColors.WindowText;
    EXPECT_EQ(At(image, 2, 8), background);
    EXPECT_EQ(At(image, 79, 0), background);
    bool hasText = false;
    for (int x = 4; x < 60 && !hasText; ++x)
      for (int y = 0; y < 16; ++y)
        hasText = hasText || At(image, x, y) == text;
    EXPECT_TRUE(hasText);
  }
}
