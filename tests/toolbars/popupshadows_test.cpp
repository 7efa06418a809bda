#include "toolbars/qt/popupshadows.h"

#include <QApplication>

#include <gtest/gtest.h>

using namespace qel::toolbars;

namespace {

TEST(ToolbarPopupShadows, StripPicturesScaleTheFallOffByTheOpacity) {
  const QImage image = ShadowStripImage(true, QSize(12, 4), ShadowStartCorner | ShadowEndCorner, 61);
  const QList<std::uint8_t> alpha = ShadowStripAlpha(true, QSize(12, 4), ShadowStartCorner | ShadowEndCorner);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 12; ++x)
      ASSERT_EQ(image.pixel(x, y), qRgba(0, 0, 0, alpha.at(y * 12 + x) * 61 / 255)) << x << "," << y;
  EXPECT_EQ(qAlpha(image.pixel(5, 0)), 61); // opaque fall-off next to the window: the full opacity
}

TEST(ToolbarPopupShadows, StripWindowsFollowTheLayoutOnlyWhenTranslucent) {
  const QRect popup(300, 200, 120, 80);
  const TPopupShadows none(QRect(), popup, 61, 4, false);
  EXPECT_TRUE(none.Strips().empty());

  QWidget menu(nullptr, Qt::Popup);
  menu.setGeometry(popup);
  TPopupShadows shadows(QRect(), popup, 61, 4, true);
  const QList<TShadowStrip> layout = ShadowLayout(QRect(), popup, 4, false);
  ASSERT_EQ(shadows.Strips().size(), std::size_t(layout.size()));
  for (std::size_t i = 0; i < shadows.Strips().size(); ++i)
    EXPECT_EQ(shadows.Strips()[i]->geometry(), layout[qsizetype(i)].Bounds);
  menu.show();
  shadows.Show(&menu);
  for (const auto &strip : shadows.Strips()) {
    EXPECT_TRUE(strip->isVisible());
    EXPECT_NE(QApplication::activeWindow(), strip.get()); // never takes the focus
  }
}

} // namespace
