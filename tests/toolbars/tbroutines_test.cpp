#include "toolbars/core/platformmetrics.h"
#include "toolbars/core/tbroutines.h"
#include "toolbars/core/tbtext.h"
#include "toolbars/paint/canvas.h"
#include "toolbars/qt/qtplatformmetrics.h"

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

using namespace qel::toolbars;

namespace {

const QString Emoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // U+1F600, two UTF-16 units

TEST(ToolbarText, AmpersandRules) {
  struct Case {
    QString text, removed, doubled;
  };
  const Case cases[] = {
      {"", "", ""},
      {"&File", "File", "&&File"},
      {"Save && Close", "Save & Close", "Save &&&& Close"},
      {"&&&x", "&x", "&&&&&&x"},
      {"end&", "end", "end&&"},
      {"&" + Emoji + "x", Emoji + "x", "&&" + Emoji + "x"},
      {QString::fromUtf8("&\xC3\xA9t\xC3\xA9"), QString::fromUtf8("\xC3\xA9t\xC3\xA9"),
       QString::fromUtf8("&&\xC3\xA9t\xC3\xA9")},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(RemoveAmpersands(c.text), c.removed) << c.text.toStdString();
    EXPECT_EQ(DoubleAmpersands(c.text), c.doubled) << c.text.toStdString();
    // Doubling then removing gives the text back.
    EXPECT_EQ(RemoveAmpersands(DoubleAmpersands(c.text)), c.text) << c.text.toStdString();
  }
}

TEST(ToolbarText, AccelCharOf) {
  struct Case {
    QString caption;
    char32_t accel;
  };
  const Case cases[] = {
      {"", 0},
      {"File", 0},
      {"&File", U'F'},
      {"&One &&and T&wo", U'w'},   // two single marks and one doubled: the last single one
      {"Fish && Chips", 0},
      {"&&&x", U'x'},
      {"trailing&", 0},
      {"&" + Emoji + " smile", U'\U0001F600'}, // the whole code point, not half of it
      {QString::fromUtf8("caf&\xC3\xA9"), U'\u00E9'},
  };
  for (const Case &c : cases)
    EXPECT_EQ(AccelCharOf(c.caption), c.accel) << c.caption.toStdString();
}

TEST(ToolbarText, AcceleratorPositionAfterRemoval) {
  const std::pair<QString, qsizetype> cases[] = {
      {"", -1},     {"File", -1},      {"&File", 0},         {"Fi&le", 2},
      {"&A&B", 1},  {"A && B", -1},    {"&&&x", 1},           {"x&", -1},
      {Emoji + "&y", 2}, // positions count UTF-16 units of the result
  };
  for (const auto &[text, index] : cases) {
    qsizetype accel = 99;
    EXPECT_EQ(RemoveAmpersands(text, accel), RemoveAmpersands(text)) << text.toStdString();
    EXPECT_EQ(accel, index) << text.toStdString();
  }
}

TEST(ToolbarText, ShortenWithEllipsis) {
  // Every code point 10 wide (a full stop 3), so the expected fits are plain arithmetic.
  const auto measure = [](const QString &s) {
    int w = 0;
    for (const char32_t c : s.toUcs4())
      w += c == U'.' ? 3 : 10;
    return w;
  };
  struct Case {
    QString text;
    int width;
    QString shown;
    qsizetype kept;
  };
  const Case cases[] = {
      {"Toolbar", 70, "Toolbar", 7},   // fits exactly
      {"Toolbar", 69, "Toolba...", 6}, // 60 + 9
      {"Toolbar", 68, "Toolb...", 5},
      {"Toolbar", 19, "T...", 1},      // one code point at least
      {"Toolbar", 18, "T", 1},         // not even that: the first code point alone
      {"Toolbar", 0, "T", 1},
      {"", 0, "", 0},
      {Emoji + Emoji + Emoji, 28, Emoji + "...", 2}, // never half a code point
  };
  for (const Case &c : cases) {
    qsizetype kept = -1;
    EXPECT_EQ(ShortenWithEllipsis(c.text, c.width, measure, &kept), c.shown) << c.text.toStdString() << " " << c.width;
    EXPECT_EQ(kept, c.kept) << c.text.toStdString() << " " << c.width;
  }
}

TEST(ToolbarText, TrimTrailingColonOrDots) {
  const std::pair<QString, QString> cases[] = {
      {"Open...", "Open"}, {"Open..", "Open.."}, {"Name:", "Name"},     {"Name::", "Name:"},
      {"Plain", "Plain"},  {"", ""},             {"....", "."},          {":", ""},
      {Emoji + "...", Emoji},
  };
  for (const auto &[in, out] : cases)
    EXPECT_EQ(TrimTrailingColonOrDots(in), out) << in.toStdString();
}

TEST(ToolbarRoutines, DivideRoundingOutSigns) {
  struct Case {
    int a, b, q;
  };
  const Case cases[] = {
      {7, 2, 4},   {-7, 2, -4}, {7, -2, -4}, {-7, -2, 4}, {6, 2, 3},  {-6, 2, -3},
      {0, 5, 0},   {1, 5, 1},   {-1, 5, -1}, {5, 0, 0},   {INT_MIN, -1, INT_MAX},
      {INT_MAX, 2, INT_MAX / 2 + 1}, {INT_MIN, 2, INT_MIN / 2},
  };
  for (const Case &c : cases)
    EXPECT_EQ(DivideRoundingOut(c.a, c.b), c.q) << c.a << " / " << c.b;
}

int CompareInts(const int &a, const int &b, int sign) { return sign * (a < b ? -1 : a > b ? 1 : 0); }

TEST(ToolbarRoutines, SortListOnZeroOneTwoAndMany) {
  QList<int> empty;
  SortList(empty, CompareInts, 1);
  EXPECT_TRUE(empty.isEmpty());

  int calls = 0;
  QList<int> one{42};
  SortList(one, [&](int, int, int) { ++calls; return 0; }, 0);
  EXPECT_EQ(one, QList<int>{42});
  EXPECT_EQ(calls, 0); // fewer than two items are never compared

  QList<int> two{2, 1};
  SortList(two, CompareInts, 1);
  EXPECT_EQ(two, (QList<int>{1, 2}));

  // Many: random lists with duplicates, ascending and (through the data) descending.
  QRandomGenerator rng(45);
  for (int round = 0; round < 50; ++round) {
    QList<int> list;
    const int n = int(rng.bounded(3, 200));
    for (int i = 0; i < n; ++i)
      list.append(int(rng.bounded(0, 20)));
    QList<int> expected = list;
    const int sign = round % 2 ? -1 : 1;
    std::sort(expected.begin(), expected.end(), [&](int a, int b) { return sign * a < sign * b; });
    SortList(list, CompareInts, sign);
    EXPECT_EQ(list, expected) << "round " << round;
  }
  QList<int> sorted{1, 2, 3, 4, 5, 6, 7}, reversed{7, 6, 5, 4, 3, 2, 1}, same(9, 3);
  SortList(sorted, CompareInts, 1);
  SortList(reversed, CompareInts, 1);
  SortList(same, CompareInts, 1);
  EXPECT_EQ(sorted, (QList<int>{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(reversed, (QList<int>{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(same, QList<int>(9, 3));
}

TEST(ToolbarRoutines, OnDemandLists) {
  std::unique_ptr<QList<int>> list;
  ListRemoveAndFree(list, 1); // nothing to remove from no list
  EXPECT_FALSE(list);
  EXPECT_TRUE(ListAddUnique(list, 1));
  EXPECT_FALSE(ListAddUnique(list, 1));
  EXPECT_TRUE(ListInsertFirstUnique(list, 2));
  EXPECT_FALSE(ListInsertFirstUnique(list, 1));
  EXPECT_EQ(*list, (QList<int>{2, 1}));
  ListRemoveAndFree(list, 2);
  EXPECT_EQ(*list, QList<int>{1});
  ListRemoveAndFree(list, 1);
  EXPECT_FALSE(list); // emptied: freed
}

class TwoMonitors : public TPlatformMetrics {
public:
  QList<TMonitor> Monitors() const override {
    return {{QRect(0, 0, 1000, 800), QRect(0, 0, 1000, 760)},
            {QRect(1000, 0, 1200, 900), QRect(1000, 30, 1200, 870)}};
  }
};

TEST(ToolbarPlatformMetrics, DefaultsAndMonitorChoice) {
  const TPlatformMetrics defaults;
  EXPECT_EQ(defaults.MenuShowDelay(), 400);
  EXPECT_TRUE(defaults.KeyboardCuesOn());
  EXPECT_FALSE(defaults.SeveralMonitors());
  EXPECT_EQ(defaults.MonitorAreaOfPoint(QPoint(5000, 5000), true), defaults.ScreenOrWorkArea(true));
  EXPECT_EQ(SanitizedMenuShowDelay(-5), 0);
  EXPECT_EQ(SanitizedMenuShowDelay(250), 250);

  const TwoMonitors two;
  EXPECT_TRUE(two.SeveralMonitors());
  EXPECT_EQ(two.ScreenOrWorkArea(true), QRect(0, 0, 1000, 760));
  EXPECT_EQ(two.ScreenOrWorkArea(false), QRect(0, 0, 1000, 800));
  // The monitor the rectangle mostly lies on, else the nearest one.
  EXPECT_EQ(two.MonitorAreaOfRect(QRect(900, 10, 300, 50), true), QRect(1000, 30, 1200, 870));
  EXPECT_EQ(two.MonitorAreaOfRect(QRect(900, 10, 150, 50), false), QRect(0, 0, 1000, 800));
  EXPECT_EQ(two.MonitorAreaOfPoint(QPoint(3000, 100), false), QRect(1000, 0, 1200, 900));
  EXPECT_EQ(two.MonitorAreaOfPoint(QPoint(-50, 100), true), QRect(0, 0, 1000, 760));
}

TEST(ToolbarPlatformMetrics, QtMetricsAnswerFromTheScreens) {
  const TQtPlatformMetrics metrics;
  EXPECT_GE(metrics.MenuShowDelay(), 0);
  EXPECT_FALSE(metrics.Monitors().isEmpty());
  EXPECT_FALSE(metrics.ScreenOrWorkArea(false).isEmpty());
}

TEST(ToolbarCanvas, TextWidthStripsAcceleratorsWhenAsked) {
  QImage image(100, 30, QImage::Format_ARGB32);
  QPainter painter(&image);
  TPainterCanvas canvas(painter);
  EXPECT_GT(CanvasTextHeight(canvas), 0);
  EXPECT_EQ(CanvasTextWidth(canvas, "&File", true), canvas.TextWidth("File"));
  EXPECT_EQ(CanvasTextWidth(canvas, "&File", false), canvas.TextWidth("&File"));
}

} // namespace
