// The plain look draws the pictures of items from an image list that holds
// pixels: on a toolbar button and in a menu's check column, greyed while the
// item is disabled.

#include "toolbars/core/tbview.h"
#include "toolbars/paint/pixelimagelist.h"
#include "toolbars/paint/canvas.h"
#include "toolbars/paint/plainview.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include "tests/toolbars/toolbartest.h"

using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

class THost : public TTbrViewHost {
public:
  const TTbrTextMeasure &Measure() const override { return measure; }
  TFixedMeasure measure;
};

// How many pixels of the painted view have exactly this colour.
int CountColor(const QImage &image, QRgb color) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      n += (image.pixel(x, y) & 0xFFFFFF) == (color & 0xFFFFFF);
  return n;
}

QImage Paint(const TTbrView &view) {
  QImage image(200, 60, QImage::Format_ARGB32);
  TPlainViewColors colors;
  image.fill(colors.Face);
  QPainter painter(&image);
  TPainterCanvas canvas(painter);
  PaintViewPlain(canvas, view, colors);
  return image;
}

TEST(PlainViewPictures, ButtonsAndMenuEntriesShowTheirPictureGreyedWhenDisabled) {
  TTbrPixelImageList images(16, 16);
  QImage red(16, 16, QImage::Format_ARGB32);
  red.fill(QColor(255, 0, 0));
  const int index = images.Add(red);
  EXPECT_EQ(images.Count(), 1);
  EXPECT_EQ(images.Image(index).size(), QSize(16, 16));
  EXPECT_TRUE(images.Image(5).isNull()); // out of range: nothing, no crash

  for (const bool toolbar : {true, false}) {
    SCOPED_TRACE(toolbar ? "toolbar" : "menu");
    TTbrRootItem root;
    root.SetSubMenuImages(&images);
    TTbrCustomItem *item = Add(&root, QStringLiteral("Open"));
    item->SetImageIndex(index);
    THost host;
    TTbrView view(&host, nullptr, &root, toolbar);
    view.ValidatePositions();
    EXPECT_GE(CountColor(Paint(view), qRgb(255, 0, 0)), 16 * 16);

    item->SetEnabled(false);
    view.ValidatePositions();
    const QImage disabled = Paint(view);
    EXPECT_EQ(CountColor(disabled, qRgb(255, 0, 0)), 0);
  }
}

} // namespace
