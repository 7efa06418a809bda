#include "toolbars/core/tbtext.h"
#include "toolbars/paint/verticaltext.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace qel::toolbars;

namespace {

QFont TestFont() {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(16);
  return font;
}

QImage Draw(const QString &text, const QRect &rect, unsigned flags, const QColor &color = Qt::black) {
  QImage image(60, 300, QImage::Format_ARGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  TPainterCanvas canvas(painter);
  canvas.SetFont(TestFont());
  DrawVerticalText(canvas, text, rect, flags, color);
  return image;
}

// The bounding box of every pixel that is not white, and how many there are per row.
struct TInk {
  QRect Box;
  QList<int> PerRow;
  int Total = 0;
};

TInk InkOf(const QImage &image) {
  TInk ink;
  ink.PerRow.fill(0, image.height());
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != qRgb(255, 255, 255)) {
        ink.Box |= QRect(x, y, 1, 1);
        ++ink.PerRow[y];
        ++ink.Total;
      }
  return ink;
}

// Width and height of a text in the vertical font, as the drawing measures it.
QSize Measure(const QString &text) {
  QImage image(1, 1, QImage::Format_ARGB32);
  QPainter painter(&image);
  TPainterCanvas canvas(painter);
  canvas.SetFont(MakeVerticalFont(TestFont()));
  return {canvas.TextWidth(text), canvas.TextHeight()};
}

TEST(ToolbarVerticalText, ReadsDownwardsCentredAcrossItsRectangle) {
  const QRect rect(10, 20, 40, 260);
  const QString text = QStringLiteral("MMMM........");
  const TInk ink = InkOf(Draw(text, rect, TextNoPrefix));
  ASSERT_GT(ink.Total, 0);
  EXPECT_TRUE(rect.contains(ink.Box));
  const QSize measured = Measure(text);
  // Along the rectangle the text is as long as it is wide lying down, across
  // no wider than a line; it starts at the top.
  EXPECT_NEAR(ink.Box.height(), measured.width(), 4);
  EXPECT_LE(ink.Box.width(), measured.height());
  EXPECT_LE(ink.Box.top() - rect.top(), 3);
  // Its line is centred across: the ink lies within the middle line-high band.
  const int cellLeft = rect.left() + (rect.width() - measured.height()) / 2;
  EXPECT_GE(ink.Box.left(), cellLeft);
  EXPECT_LT(ink.Box.right(), cellLeft + measured.height());

  // The heavy letters come first (top to bottom, not bottom to top) ...
  const int middle = ink.Box.center().y();
  int upper = 0, lower = 0;
  for (int y = ink.Box.top(); y <= ink.Box.bottom(); ++y)
    (y < middle ? upper : lower) += ink.PerRow[y];
  EXPECT_GT(upper, 3 * lower);
  // ... and the full stops, sitting on the baseline, are on the left: the
  // tops of the letters face right (turned clockwise).
  const QImage image = Draw(text, rect, TextNoPrefix);
  int dotsLeft = 0, dotsRight = 0;
  for (int y = ink.Box.bottom() - 20; y <= ink.Box.bottom(); ++y)
    for (int x = ink.Box.left(); x <= ink.Box.right(); ++x)
      if (image.pixel(x, y) != qRgb(255, 255, 255))
        (x < cellLeft + measured.height() / 2 ? dotsLeft : dotsRight)++;
  EXPECT_GT(dotsLeft, 0);
  EXPECT_EQ(dotsRight, 0);
}

TEST(ToolbarVerticalText, CentredAlongWhenAsked) {
  const QRect rect(10, 20, 40, 260);
  const TInk ink = InkOf(Draw(QStringLiteral("Standard"), rect, TextVCenter));
  ASSERT_GT(ink.Total, 0);
  EXPECT_NEAR(ink.Box.center().y(), rect.center().y(), 3);
}

TEST(ToolbarVerticalText, AcceleratorUnderlinedUnlessHidden) {
  const QRect rect(10, 20, 40, 260);
  const QImage shown = Draw(QStringLiteral("Fi&le"), rect, 0, Qt::blue);
  const QImage hidden = Draw(QStringLiteral("Fi&le"), rect, TextHidePrefix, Qt::blue);
  // Without the underline it is the text with the mark removed.
  EXPECT_EQ(hidden, Draw(QStringLiteral("File"), rect, TextNoPrefix, Qt::blue));
  // The underline: one column of text-coloured pixels, as long as the "l"
  // is wide, beside the letters where "l" stands along the text.
  QRect line;
  for (int y = 0; y < shown.height(); ++y)
    for (int x = 0; x < shown.width(); ++x)
      if (shown.pixel(x, y) != hidden.pixel(x, y)) {
        EXPECT_EQ(shown.pixel(x, y), qRgb(0, 0, 255)) << x << "," << y;
        line |= QRect(x, y, 1, 1);
      }
  ASSERT_FALSE(line.isEmpty());
  EXPECT_EQ(line.width(), 1);
  const int start = rect.top() + Measure(QStringLiteral("Fi")).width();
  EXPECT_EQ(line.top(), start);
  EXPECT_EQ(line.bottom(), rect.top() + Measure(QStringLiteral("Fil")).width() - 1);
  const TInk ink = InkOf(hidden);
  EXPECT_LT(line.left(), ink.Box.center().x()); // below the baseline: the left side

  // A doubled mark is a literal "&": nothing to underline.
  EXPECT_EQ(Draw(QStringLiteral("A&&B"), rect, 0), Draw(QStringLiteral("A&B"), rect, TextNoPrefix));
}

TEST(ToolbarVerticalText, EllipsisAndClipping) {
  const QRect rect(10, 20, 40, 60);
  const QString text = QStringLiteral("Format painter");
  ASSERT_GT(Measure(text).width(), rect.height());

  // Shortened to the rectangle: the same as drawing the shortened text.
  const QString shortened =
      ShortenWithEllipsis(text, rect.height(), [](const QString &s) { return Measure(s).width(); });
  ASSERT_TRUE(shortened.endsWith(QStringLiteral("...")));
  EXPECT_LE(Measure(shortened).width(), rect.height());
  EXPECT_EQ(Draw(text, rect, TextEndEllipsis), Draw(shortened, rect, 0));
  // An accelerator cut off with the end of the text is not underlined.
  EXPECT_EQ(Draw(QStringLiteral("Format pain&ter"), rect, TextEndEllipsis), Draw(shortened, rect, 0));

  // Too long and not shortened: clipped to the rectangle, unless asked not to be.
  EXPECT_TRUE(rect.contains(InkOf(Draw(text, rect, 0)).Box));
  EXPECT_GT(InkOf(Draw(text, rect, TextNoClip)).Box.bottom(), rect.bottom() + 20);
}

TEST(ToolbarVerticalText, VerticalFont) {
  QFont old(QStringLiteral("MS Sans Serif"));
  old.setPointSize(8);
  old.setBold(true);
  const QFont vertical = MakeVerticalFont(old);
  EXPECT_EQ(vertical.family(), QStringLiteral("Arial"));
  EXPECT_EQ(vertical.pointSize(), 8);
  EXPECT_TRUE(vertical.bold());
  EXPECT_TRUE(vertical.styleStrategy() & QFont::ForceOutline);
  EXPECT_EQ(MakeVerticalFont(QFont(QStringLiteral("microsoft sans serif"))).family(), QStringLiteral("Arial"));
  EXPECT_EQ(MakeVerticalFont(TestFont()).family(), QStringLiteral("DejaVu Sans"));
}

} // namespace
