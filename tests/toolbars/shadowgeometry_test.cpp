#include "toolbars/core/shadowgeometry.h"

#include <gtest/gtest.h>

using namespace qel::toolbars;

namespace {

QRect Ltrb(int l, int t, int r, int b) { return QRect(l, t, r - l, b - t); }

QList<int> Row(const QList<std::uint8_t> &alpha, int width, int y) {
  QList<int> row;
  for (int x = 0; x < width; ++x)
    row.append(alpha.at(y * width + x));
  return row;
}

TEST(ToolbarShadows, StripAlphaFallsOffWithRoundedCorners) {
  // Straight: 255 - y x 256 div h, opaque next to the window.
  const auto plain = ShadowStripAlpha(true, QSize(3, 4), 0);
  EXPECT_EQ(Row(plain, 3, 0), (QList<int>{255, 255, 255}));
  EXPECT_EQ(Row(plain, 3, 3), (QList<int>{63, 63, 63}));

  // Both corners of a long strip meet the straight part without a seam.
  const auto both = ShadowStripAlpha(true, QSize(12, 4), ShadowStartCorner | ShadowEndCorner);
  EXPECT_EQ(Row(both, 12, 0), (QList<int>{63, 127, 191, 255, 255, 255, 255, 255, 255, 191, 127, 63}));
  EXPECT_EQ(Row(both, 12, 1).mid(3, 6), QList<int>(6, 191));
  EXPECT_EQ(both.at(3 * 12 + 0), 0); // the far corner pixel is clear

  // Narrower than two corners: the width is split evenly, no straight part.
  const auto narrow = ShadowStripAlpha(true, QSize(6, 4), ShadowStartCorner | ShadowEndCorner);
  EXPECT_EQ(Row(narrow, 6, 0), (QList<int>{63, 127, 191, 191, 127, 63}));

  // Vertical with a start corner only: corner rows, then columns falling off.
  const auto vertical = ShadowStripAlpha(false, QSize(4, 6), ShadowStartCorner);
  EXPECT_EQ(Row(vertical, 4, 0), (QList<int>{63, 31, 0, 0}));
  EXPECT_EQ(Row(vertical, 4, 3), (QList<int>{255, 191, 127, 63}));
  EXPECT_EQ(Row(vertical, 4, 5), (QList<int>{255, 191, 127, 63}));

  EXPECT_TRUE(ShadowStripAlpha(true, QSize(0, 4), 3).isEmpty());
}

TEST(ToolbarShadows, LayoutForLoneAndOpenedPopups) {
  using S = TShadowSlot;
  constexpr int Both = ShadowStartCorner | ShadowEndCorner;
  struct Case {
    const char *name;
    QRect opening, window;
    bool halve;
    QList<TShadowStrip> strips;
  };
  const Case cases[] = {
      {"lone popup", QRect(), Ltrb(100, 100, 150, 180), false,
       {{S::V1, false, Ltrb(150, 104, 154, 180), ShadowStartCorner}, {S::H1, true, Ltrb(104, 180, 154, 184), Both}}},
      {"lone popup, halved", QRect(), Ltrb(100, 100, 150, 180), true,
       {{S::V1, false, Ltrb(150, 102, 152, 180), ShadowStartCorner}, {S::H1, true, Ltrb(102, 180, 152, 182), Both}}},
      {"nothing", QRect(), QRect(), false, {}},
      {"overlapping", Ltrb(100, 100, 150, 150), Ltrb(120, 120, 170, 170), false, {}},
      {"below its button", Ltrb(100, 80, 130, 100), Ltrb(100, 100, 220, 160), false,
       {{S::V1, false, Ltrb(130, 84, 134, 100), ShadowStartCorner},
        {S::V2, false, Ltrb(220, 104, 224, 160), ShadowStartCorner},
        {S::H2, true, Ltrb(104, 160, 224, 164), Both}}},
      {"right of its button", Ltrb(100, 100, 130, 120), Ltrb(130, 100, 230, 160), false,
       {{S::H1, true, Ltrb(104, 120, 130, 124), ShadowStartCorner},
        {S::V2, false, Ltrb(230, 104, 234, 164), Both},
        {S::H2, true, Ltrb(134, 160, 230, 164), ShadowStartCorner}}},
      {"left of its button", Ltrb(230, 100, 260, 120), Ltrb(130, 100, 230, 160), false,
       {{S::H1, true, Ltrb(134, 160, 230, 164), ShadowStartCorner},
        {S::V2, false, Ltrb(260, 104, 264, 124), Both},
        {S::H2, true, Ltrb(230, 120, 260, 124), 0},
        {S::V3, false, Ltrb(230, 120, 234, 164), Both}}},
  };
  for (const Case &c : cases)
    EXPECT_EQ(ShadowLayout(c.opening, c.window, 4, c.halve), c.strips) << c.name;
}

} // namespace
