#include "toolbars/core/tblayout.h"

#include <QRandomGenerator>
#include <QStringList>

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QSize &s, std::ostream *os) { *os << s.width() << "x" << s.height(); }
inline void PrintTo(const QRect &r, std::ostream *os) {
  *os << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}

using namespace qel::toolbars;

namespace {

using F = TTbrLayoutItem;

TTbrLayoutItem B(int w, int h, std::uint16_t extra = 0) { return {QSize(w, h), std::uint16_t(F::Wanted | extra)}; }
TTbrLayoutItem S(std::uint16_t extra = 0, QSize size = QSize(6, 6)) {
  return {size, std::uint16_t(F::Wanted | F::Separator | extra)};
}
TTbrLayoutItem Hidden(int w, int h) { return {QSize(w, h), 0}; }

QString R(const QRect &r) { return QString("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()); }

// One word per item: its rectangle when shown ("L" before a line separator),
// "off" for an item in the chevron, "clip" and its rectangle under a scroll
// arrow, "-" when not laid out.
QString Places(const TTbrLayoutResult &r) {
  QStringList words;
  for (const TTbrLayoutPlace &p : r.Places) {
    if (p.Show)
      words << (p.LineSep ? "L" + R(p.Bounds) : R(p.Bounds));
    else if (p.OffEdge)
      words << "off";
    else if (p.Clipped)
      words << "clip" + R(p.Bounds);
    else
      words << "-";
  }
  return words.join(' ');
}

TTbrLayoutParams Toolbar(int wrap = 0) {
  TTbrLayoutParams p;
  p.WrapOffset = wrap;
  return p;
}
TTbrLayoutParams Menu() {
  TTbrLayoutParams p;
  p.IsToolbar = false;
  return p;
}
TTbrLayoutParams Chevron(int offset, int size = 12, const QList<int> *priority = nullptr) {
  TTbrLayoutParams p;
  p.HasChevron = true;
  p.ChevronOffset = offset;
  p.ChevronSize = size;
  p.Priority = priority;
  return p;
}
TTbrLayoutParams Vertical(int wrap = 0) {
  TTbrLayoutParams p = Toolbar(wrap);
  p.Orientation = tbvoVertical;
  return p;
}
TTbrLayoutParams Floating(int wrap = 0) {
  TTbrLayoutParams p = Toolbar(wrap);
  p.Orientation = tbvoFloating;
  p.Margins = {4, 2, 4, 1};
  return p;
}

const QList<int> RecentCAEBD{2, 0, 4, 1, 3};
const QList<int> RecentACB{0, 4, 2};

struct Case {
  const char *name;
  QList<TTbrLayoutItem> items;
  TTbrLayoutParams params;
  QString places;
  QSize total, base;
  int lines;
};

TEST(ToolbarLayout, Table) {
  const Case cases[] = {
      {"toolbar line, a lower item centred",
       {B(23, 22), B(30, 22), B(23, 19)},
       Toolbar(),
       "0,0,23,22 23,0,30,22 53,1,23,19",
       {76, 22},
       {76, 22},
       1},
      {"A, separator, separator, B, separator shows A, one separator, B",
       {B(23, 22), S(), S(), B(23, 22), S()},
       Toolbar(),
       "0,0,23,22 23,0,6,22 - 29,0,23,22 -",
       {52, 22},
       {52, 22},
       1},
      {"leading separator and hidden items",
       {S(), Hidden(40, 40), B(23, 22), Hidden(10, 10)},
       Toolbar(),
       "- - 0,0,23,22 -",
       {23, 22},
       {23, 22},
       1},
      {"a stretched item spans the line",
       {B(23, 22), B(40, 10, F::Stretch)},
       Toolbar(),
       "0,0,23,22 23,0,40,22",
       {63, 22},
       {63, 22},
       1},
      {"same width takes the widest",
       {B(30, 22, F::SameWidth), B(50, 22, F::SameWidth), B(20, 22)},
       Toolbar(),
       "0,0,50,22 50,0,50,22 100,0,20,22",
       {120, 22},
       {120, 22},
       1},
      {"wrapping an item that would end beyond the length",
       {B(23, 22), B(23, 22), B(23, 22)},
       Toolbar(60),
       "0,0,23,22 23,0,23,22 0,22,23,22",
       {60, 44},
       {69, 22},
       2},
      {"a group that does not fit breaks at its separator",
       {B(23, 22), B(23, 22), S(), B(23, 22), B(23, 22)},
       Toolbar(60),
       "0,0,23,22 23,0,23,22 L0,22,60,6 0,28,23,22 23,28,23,22",
       {60, 50},
       {98, 22},
       2},
      {"a break inside the group before forces a break at the separator",
       {B(23, 22), B(23, 22), B(23, 22), S(), B(10, 22)},
       Toolbar(50),
       "0,0,23,22 23,0,23,22 0,22,23,22 L0,44,50,6 0,50,10,22",
       {50, 72},
       {85, 22},
       3},
      {"a separator with NoLineBreak stays when the next group fits",
       {B(23, 22), B(23, 22), B(23, 22), S(F::NoLineBreak), B(10, 22)},
       Toolbar(50),
       "0,0,23,22 23,0,23,22 0,22,23,22 23,22,6,22 29,22,10,22",
       {50, 44},
       {85, 22},
       2},
      {"right alignment moves the rest of a wrapped line to its end",
       {B(50, 22), B(40, 22), B(30, 22, F::RightAlign), B(20, 22)},
       Toolbar(100),
       "0,0,50,22 50,0,40,22 50,22,30,22 80,22,20,22",
       {100, 44},
       {140, 22},
       2},
      {"right alignment without a wrap length moves nothing",
       {B(50, 22), B(30, 22, F::RightAlign), B(20, 22)},
       Toolbar(),
       "0,0,50,22 50,0,30,22 80,0,20,22",
       {100, 22},
       {100, 22},
       1},
      {"chevron hides from the end of the line",
       {B(20, 22), B(20, 22), B(20, 22), B(20, 22), B(20, 22)},
       Chevron(70),
       "0,0,20,22 20,0,20,22 off off off",
       {70, 22},
       {100, 22},
       1},
      {"chevron hides the least recently used first",
       {B(20, 22), B(20, 22), B(20, 22), B(20, 22), B(20, 22)},
       Chevron(70, 12, &RecentCAEBD),
       "0,0,20,22 off 20,0,20,22 off off",
       {70, 22},
       {100, 22},
       1},
      {"chevron keeps two items however short the line",
       {B(20, 22), S(), B(20, 22), B(20, 22)},
       Chevron(15),
       "0,0,20,22 20,0,6,22 26,0,20,22 off",
       {58, 22},
       {66, 22},
       1},
      {"chevron leaves no separator at the end",
       {B(20, 22), B(20, 22), S(), B(20, 22)},
       Chevron(60),
       "0,0,20,22 20,0,20,22 - off",
       {60, 22},
       {66, 22},
       1},
      {"chevron leaves no separator after a separator",
       {B(20, 22), S(), B(20, 22), S(), B(20, 22)},
       Chevron(70, 12, &RecentACB),
       "0,0,20,22 20,0,6,22 off - 26,0,20,22",
       {70, 22},
       {72, 22},
       1},
      {"chevron unused when the line fits",
       {B(20, 22), B(20, 22)},
       Chevron(200),
       "0,0,20,22 20,0,20,22",
       {40, 22},
       {40, 22},
       1},
      {"vertical toolbar: down the line, lines mirrored right to left",
       {B(23, 22), B(23, 22), B(23, 22)},
       Vertical(50),
       "23,0,23,22 23,22,23,22 0,0,23,22",
       {46, 50},
       {23, 66},
       2},
      {"floating toolbar inside its margins, wrap length less the right margin",
       {B(23, 22), B(23, 22), B(23, 22)},
       Floating(60),
       "4,2,23,22 27,2,23,22 4,24,23,22",
       {60, 47},
       {69, 22},
       2},
      {"menu items below each other, as wide as the menu",
       {B(100, 20), B(80, 20), S(0, QSize(0, 9)), B(60, 20)},
       Menu(),
       "0,0,100,20 0,20,100,20 0,40,100,9 0,49,100,20",
       {100, 69},
       {240, 20},
       1},
      {"toolbar-sized items side by side in a menu, then below everything",
       {B(100, 20), B(22, 30, F::Across), B(22, 22, F::Across), B(80, 20)},
       Menu(),
       "0,0,100,20 0,20,22,30 22,20,22,22 0,50,100,20",
       {100, 70},
       {224, 30},
       1},
      {"an empty view", {}, Toolbar(), "", {23, 22}, {23, 22}, 1},
      {"a view of hidden items", {Hidden(40, 40), S()}, Menu(), "- -", {23, 22}, {23, 22}, 1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const TTbrLayoutResult r = CalculateLayout(c.items, c.params);
    EXPECT_EQ(Places(r), c.places);
    EXPECT_EQ(r.TotalSize, c.total);
    EXPECT_EQ(r.BaseSize, c.base);
    EXPECT_EQ(r.WrappedLines, c.lines);
  }
}

TEST(ToolbarLayout, ChevronPlacementAndEnabling) {
  const QList<TTbrLayoutItem> five(5, B(20, 22));
  // At the end of the available length.
  auto r = CalculateLayout(five, Chevron(70));
  EXPECT_TRUE(r.ChevronInUse);
  EXPECT_TRUE(r.ChevronEnabled);
  EXPECT_EQ(r.ChevronBounds, QRect(58, 0, 12, 22));
  // After the content when two items still run past it; the view covers it.
  r = CalculateLayout(five, Chevron(15));
  EXPECT_EQ(r.ChevronBounds, QRect(40, 0, 12, 22));
  EXPECT_EQ(r.TotalSize, QSize(52, 22));
  // Only a control went: the chevron shows but has nothing to list.
  QList<TTbrLayoutItem> withControl = five;
  withControl[4].Flags |= F::Control;
  r = CalculateLayout(withControl, Chevron(95));
  EXPECT_EQ(Places(r), "0,0,20,22 20,0,20,22 40,0,20,22 60,0,20,22 off");
  EXPECT_TRUE(r.ChevronInUse);
  EXPECT_FALSE(r.ChevronEnabled);
  // A vertical toolbar's chevron is below its items, across the full width.
  TTbrLayoutParams v = Chevron(70);
  v.Orientation = tbvoVertical;
  r = CalculateLayout(five, v);
  EXPECT_EQ(r.ChevronBounds, QRect(0, 58, 20, 12));
  EXPECT_EQ(Places(r), "0,0,20,22 0,22,20,22 off off off");
  // Without a chevron item nothing is hidden.
  TTbrLayoutParams none = Chevron(70);
  none.HasChevron = false;
  EXPECT_EQ(Places(CalculateLayout(five, none)), "0,0,20,22 20,0,20,22 40,0,20,22 60,0,20,22 80,0,20,22");
}

TEST(ToolbarLayout, PopupTallerThanItsLimitScrolls) {
  const QList<TTbrLayoutItem> items(10, B(100, 20));
  TTbrLayoutParams p = Menu();
  p.MaxHeight = 110; // the down arrow's edge at 91: the fifth item (80..100) is half under it

  auto r = CalculateLayout(items, p);
  EXPECT_FALSE(r.ShowUpArrow);
  EXPECT_TRUE(r.ShowDownArrow);
  EXPECT_EQ(r.TotalSize, QSize(100, 110));
  EXPECT_EQ(Places(r).section(' ', 3, 5), "0,60,100,20 clip0,80,100,20 clip0,100,100,20");

  // One step down brings it whole; what went under the up arrow is clipped.
  const int down = ScrollStepOffset(items, r.Places, p.MaxHeight, r.ScrollOffset, true);
  EXPECT_EQ(down, 9);
  p.ScrollOffset = down;
  r = CalculateLayout(items, p);
  EXPECT_TRUE(r.ShowUpArrow);
  EXPECT_TRUE(r.ShowDownArrow);
  EXPECT_EQ(Places(r).section(' ', 0, 4), "clip0,-9,100,20 clip0,11,100,20 0,31,100,20 0,51,100,20 0,71,100,20");

  // One step up brings the lower of the clipped items at the top back.
  const int up = ScrollStepOffset(items, r.Places, p.MaxHeight, r.ScrollOffset, false);
  EXPECT_EQ(up, 1);
  // Just below the top, the step up stops at the top, where the first item shows.
  p.ScrollOffset = up;
  r = CalculateLayout(items, p);
  EXPECT_EQ(Places(r).section(' ', 0, 0), "clip0,-1,100,20");
  EXPECT_EQ(ScrollStepOffset(items, r.Places, p.MaxHeight, r.ScrollOffset, false), 0);

  // Beyond the end the offset is limited and the down arrow goes.
  p.ScrollOffset = 1000;
  r = CalculateLayout(items, p);
  EXPECT_EQ(r.ScrollOffset, 90);
  EXPECT_TRUE(r.ShowUpArrow);
  EXPECT_FALSE(r.ShowDownArrow);
  EXPECT_EQ(Places(r).section(' ', 9, 9), "0,90,100,20");
  EXPECT_EQ(ScrollStepOffset(items, r.Places, p.MaxHeight, r.ScrollOffset, true), -1);

  // Scrolling a clipped selection into view, above and below.
  EXPECT_EQ(ScrollIntoViewOffset(QRect(0, -9, 100, 20), 110, 9), 9 - 28);
  EXPECT_EQ(ScrollIntoViewOffset(QRect(0, 100, 100, 20), 110, 0), 29);
  EXPECT_EQ(ScrollIntoViewOffset(QRect(0, 40, 100, 20), 110, 5), 5);

  // A popup that fits has no arrows and no offset.
  p.MaxHeight = 400;
  r = CalculateLayout(items, p);
  EXPECT_EQ(r.ScrollOffset, 0);
  EXPECT_FALSE(r.ShowUpArrow || r.ShowDownArrow);
  EXPECT_EQ(r.TotalSize, QSize(100, 200));
}

int LinearFind(const TTbrLayoutResult &r, const QPoint &point) {
  for (int i = 0; i < r.Places.size(); ++i)
    if (r.Places.at(i).Show && r.Places.at(i).Bounds.contains(point))
      return i;
  return -1;
}

TEST(ToolbarLayout, HitTestAgreesWithAScanOverEveryPoint) {
  QRandomGenerator random(47);
  const auto randomItems = [&](int count) {
    QList<TTbrLayoutItem> items;
    for (int i = 0; i < count; ++i) {
      const int kind = random.bounded(10);
      if (kind == 0)
        items << S();
      else if (kind == 1)
        items << Hidden(20, 20);
      else
        items << B(10 + random.bounded(30), 10 + random.bounded(20),
                   std::uint16_t((kind == 2 ? F::Across : 0) | (kind == 3 ? F::RightAlign : 0)));
    }
    return items;
  };
  TTbrLayoutParams scrolled = Menu();
  scrolled.MaxHeight = 200;
  scrolled.ScrollOffset = 37;
  const TTbrLayoutParams params[] = {Toolbar(), Toolbar(150), Vertical(120), Floating(130),
                                     Menu(),    scrolled,     Chevron(200)};
  for (const TTbrLayoutParams &p : params) {
    for (int round = 0; round < 4; ++round) {
      const auto items = randomItems(40);
      const TTbrLayoutResult r = CalculateLayout(items, p);
      for (int y = -2; y < r.TotalSize.height() + 2; ++y)
        for (int x = -2; x < r.TotalSize.width() + 2; ++x) {
          const QPoint point(x, y);
          ASSERT_EQ(r.HitIndex.Find(point), LinearFind(r, point))
              << "orientation " << p.Orientation << " toolbar " << p.IsToolbar << " at " << x << "," << y;
        }
    }
  }
}

} // namespace
