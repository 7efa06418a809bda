#include "thmtestpalette.h"

#include "toolbars/paint/framecontrols.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qel;
using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

using TRows = std::vector<std::string>;

// '.' face, 'w' highlight, 'm' light, 's' shadow, 'd' dark shadow, 'k' text, '?' anything else.
TRows Picture(const QImage &image) {
  const auto &c = ClassicColors;
  TRows rows;
  for (int y = 0; y < image.height(); ++y) {
    std::string row;
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y) | 0xFF000000u;
      row += p == c.Face ? '.' : p == c.Light ? 'w' : p == c.Midlight ? 'm' : p == c.Shadow ? 's'
           : p == c.DarkShadow ? 'd' : p == c.Text ? 'k' : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

template <typename F> QImage Paint(int w, int h, F &&paint) {
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(ClassicColors.Face);
  QPainter painter(&image);
  TPainterCanvas canvas(painter);
  paint(canvas);
  return image;
}

TEST(FrameControls, EdgesByKindAndSide) {
  TPaletteGuard palette(ClassicColors);
  struct TCase {
    const char *Name;
    unsigned Kind, Flags;
    TRows Rows;
    QRect After;
  } cases[] = {
      {"raised", edRaised, efRect, {"mmmmd", "mwwsd", "mw.sd", "msssd", "ddddd"}, QRect(0, 0, 5, 5)},
      {"sunken, adjusted", edSunken, efRect | efAdjust, {"ssssw", "sddmw", "sd.mw", "smmmw", "wwwww"},
       QRect(2, 2, 1, 1)},
      {"etched, top only", edEtched, efTop | efAdjust, {"sssss", "wwwww", ".....", ".....", "....."},
       QRect(0, 2, 5, 3)},
      {"flat with the middle filled", edSunken, efRect | efFlat | efMiddle, {"sssss", "s...s", "s...s", "s...s", "sssss"},
       QRect(0, 0, 5, 5)},
  };
  for (const auto &c : cases) {
    QRect rect(0, 0, 5, 5);
    const QImage image = Paint(5, 5, [&](TCanvas &canvas) { DrawEdge(canvas, rect, c.Kind, c.Flags); });
    EXPECT_EQ(Picture(image), c.Rows) << c.Name;
    EXPECT_EQ(rect, c.After) << c.Name;
  }
}

TEST(FrameControls, GlyphStampsLeaveTheClearBits) {
  TPaletteGuard palette(ClassicColors);
  const std::uint8_t cross[8] = {0xC6, 0x6C, 0x38, 0x38, 0x6C, 0xC6, 0x00, 0x00};
  const QImage image = Paint(9, 7, [&](TCanvas &canvas) {
    StampGlyph(canvas, QPoint(1, 0), cross, 7, 6, QColor(ClassicColors.Text));
  });
  EXPECT_EQ(Picture(image), (TRows{".kk...kk.", "..kk.kk..", "...kkk...", "...kkk...", "..kk.kk..", ".kk...kk.",
                                   "........."}));
}

TEST(FrameControls, FormattedTextPlacesCutsAndUnderlines) {
  TPaletteGuard palette(ClassicColors);
  const QColor ink(ClassicColors.Text);
  auto inkColumns = [](const QImage &image) {
    int first = -1, last = -1;
    for (int x = 0; x < image.width(); ++x)
      for (int y = 0; y < image.height(); ++y)
        if (qGray(image.pixel(x, y)) < 100) {
          if (first < 0)
            first = x;
          last = x;
        }
    return std::pair{first, last};
  };
  const QRect box(10, 0, 100, 20);
  const auto left = inkColumns(Paint(120, 20, [&](TCanvas &c) { DrawFormattedText(c, "Wide", box, TextVCenter, ink); }));
  const auto right =
      inkColumns(Paint(120, 20, [&](TCanvas &c) { DrawFormattedText(c, "Wide", box, TextVCenter | TextRight, ink); }));
  const auto centre =
      inkColumns(Paint(120, 20, [&](TCanvas &c) { DrawFormattedText(c, "Wide", box, TextVCenter | TextCenter, ink); }));
  EXPECT_GE(left.first, 10);
  EXPECT_LE(left.first, 12);
  EXPECT_LE(right.second, 109);
  EXPECT_GE(right.second, 106);
  EXPECT_NEAR((centre.first + centre.second) / 2.0, 59.5, 3);

  // Too long for its box: cut short within it.
  const auto cut = inkColumns(Paint(120, 20, [&](TCanvas &c) {
    DrawFormattedText(c, "A caption far too long for this box", QRect(10, 0, 40, 20), TextVCenter | TextEndEllipsis, ink);
  }));
  EXPECT_GE(cut.first, 10);
  EXPECT_LE(cut.second, 49);

  // The accelerator is underlined unless hidden: the underline is a run of ink below the letters.
  auto longestRun = [](const QImage &image) {
    int best = 0;
    for (int y = 0; y < image.height(); ++y) {
      int run = 0;
      for (int x = 0; x < image.width(); ++x) {
        run = qGray(image.pixel(x, y)) < 100 ? run + 1 : 0;
        best = qMax(best, run);
      }
    }
    return best;
  };
  const QImage shown = Paint(60, 20, [&](TCanvas &c) { DrawFormattedText(c, "&mm", QRect(0, 0, 60, 20), 0, ink); });
  const QImage hidden =
      Paint(60, 20, [&](TCanvas &c) { DrawFormattedText(c, "&mm", QRect(0, 0, 60, 20), TextHidePrefix, ink); });
  EXPECT_GT(longestRun(shown), longestRun(hidden));
}

} // namespace
