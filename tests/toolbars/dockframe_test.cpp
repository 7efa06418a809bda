// The docked frame painted into an image: the close button's cross where
// its glyph puts it (shifted when pressed), the grip bar, and the chevron.

#include "toolbars/paint/dockframe.h"
#include "toolbars/paint/framecontrols.h"

#include <QImage>
#include <QPainter>
#include <QStringList>

#include <gtest/gtest.h>

#include "tests/toolbars/toolbartest.h"

using namespace qel::toolbars;

namespace {

// The 8 x 8 pixels at `at` as rows of "#" (the colour) and ".".
QStringList Cells(const QImage &image, const QPoint &at, const QColor &color) {
  QStringList rows;
  for (int y = 0; y < 8; ++y) {
    QString row;
    for (int x = 0; x < 8; ++x)
      row += image.pixelColor(at + QPoint(x, y)) == color ? u'#' : u'.';
    rows << row;
  }
  return rows;
}

QImage Paint(const TDockFrameState &state, const TDockFrameColors &colors) {
  QImage image(state.Size, QImage::Format_ARGB32);
  image.fill(Qt::magenta);
  QPainter painter(&image);
  TPainterCanvas canvas(painter);
  PaintDockedFrame(canvas, state, colors);
  return image;
}

TEST(DockFrame, CloseGlyphGripAndFrame) {
  TDockFrameColors colors;
  colors.Text = Qt::blue;
  TDockFrameState state;
  state.Size = QSize(80, 26);
  state.CloseButtonWhenDocked = true;
  // An 11-pixel button at (3, 2): the glyph centred in it, at (4, 3).
  const QStringList cross = {"........", "##..##..", ".####...", "..##....",
                             ".####...", "##..##..", "........", "........"};
  EXPECT_EQ(Cells(Paint(state, colors), QPoint(4, 3), Qt::blue), cross);
  state.ClosePressed = true;
  EXPECT_EQ(Cells(Paint(state, colors), QPoint(5, 4), Qt::blue), cross);

  // The contents are left alone; the frame and the grip zone are painted.
  state = TDockFrameState();
  state.Size = QSize(80, 26);
  const QImage plain = Paint(state, colors);
  EXPECT_EQ(plain.pixelColor(40, 13), QColor(Qt::magenta)); // client
  const QColor light = SysQColor(sciBtnHighlight), shadow = SysQColor(sciBtnShadow);
  EXPECT_EQ(plain.pixel(0, 0), light.rgb()); // raised edge
  EXPECT_EQ(plain.pixel(79, 25), shadow.rgb());
  EXPECT_EQ(plain.pixel(3, 10), light.rgb()); // the grip bar's lit side
  EXPECT_EQ(plain.pixel(5, 10), shadow.rgb());
  // Without dragging there is no grip: the client starts 2 pixels in.
  state.AllowDrag = false;
  EXPECT_EQ(Paint(state, colors).pixelColor(3, 10), QColor(Qt::magenta));
}

TEST(DockFrame, ChevronGlyphAlongTheToolbar) {
  TDockFrameColors colors;
  colors.Text = Qt::blue;
  QImage image(12, 22, QImage::Format_ARGB32);
  image.fill(Qt::magenta);
  {
    QPainter painter(&image);
    TPainterCanvas canvas(painter);
    PaintChevronButton(canvas, image.rect(), false, false, false, true, colors);
  }
  const QStringList horizontal = {"##..##..", ".##..##.", "..##..##", ".##..##.",
                                  "##..##..", "........", "........", "........"};
  EXPECT_EQ(Cells(image, QPoint(2, 2), Qt::blue), horizontal);
}

} // namespace
