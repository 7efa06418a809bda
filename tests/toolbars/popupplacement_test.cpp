#include "toolbars/core/platformmetrics.h"
#include "toolbars/core/popupplacement.h"

#include <gtest/gtest.h>

using namespace qel::toolbars;

namespace {

const QRect Screen(0, 0, 1024, 768);
const QRect Second(1024, 0, 1280, 1024); // to the right of the first

enum TFrom { Point, DropDown, DropDownRtl, Submenu, OppositeSubmenu, VerticalBar, Chevron };

struct TRow {
  const char *Name;
  TFrom From;
  QRect Parent; // the parent item, or the point as an empty rectangle
  int W, H;
  TTbrPopupAlignment Alignment;
  QRect Monitor;
  // expected
  int X, Y;
  unsigned AnimDir;
  bool Leftward;
};

struct TOutcome {
  int X, Y;
  unsigned AnimDir;
  bool Leftward;
  bool Opposite;
};

TOutcome Place(const TRow &row, QList<QRect> rowViewers = {}) {
  TTbrFirstPositionInput in;
  in.AtPoint = row.From == Point;
  in.PopupPoint = row.Parent.topLeft();
  in.Alignment = row.Alignment;
  in.PositionAsSubmenu = row.From == Submenu || row.From == OppositeSubmenu;
  in.Chevron = row.From == Chevron;
  in.ParentVertical = row.From == VerticalBar;
  in.DropAlignRight = row.From == DropDownRtl;
  in.ParentItemRect = row.Parent;
  in.NCSizeX = in.NCSizeY = 3;
  in.W = row.W;
  in.H = row.H;
  const QPoint first = FirstPopupPosition(in);

  TTbrPopupPlacement d;
  d.PositionAsSubmenu = in.PositionAsSubmenu;
  d.Alignment = row.Alignment;
  d.Opposite = row.From == OppositeSubmenu;
  d.MonitorRect = row.Monitor;
  d.ParentItemRect = row.Parent;
  d.NCSizeX = d.NCSizeY = 3;
  d.X = first.x();
  d.Y = first.y();
  d.W = row.W;
  d.H = row.H;
  TTbrPopupParentView parent;
  parent.Exists = row.From != Point;
  parent.Vertical = row.From == VerticalBar;
  parent.ShownViewerRects = rowViewers.isEmpty() && parent.Exists ? QList<QRect>{row.Parent} : rowViewers;
  const bool leftward = PlacePopup(d, parent);
  return {d.X, d.Y, d.AnimDir, leftward, d.Opposite};
}

TEST(PopupPlacement, Table) {
  const TRow rows[] = {
      // context menus at a point
      {"room everywhere", Point, QRect(500, 300, 0, 0), 200, 300, tbpaLeft, Screen, 500, 300, tbadDown | tbadRight, false},
      {"near the right edge flips left of the point", Point, QRect(950, 300, 0, 0), 200, 300, tbpaLeft, Screen, 750,
       300, tbadDown | tbadLeft, false},
      {"near the bottom opens above the point", Point, QRect(500, 700, 0, 0), 200, 300, tbpaLeft, Screen, 500, 400,
       tbadUp | tbadRight, false},
      {"right-aligned past the left edge moves right", Point, QRect(100, 300, 0, 0), 200, 300, tbpaRight, Screen, 100,
       300, tbadDown | tbadRight, false},
      {"right-aligned with room", Point, QRect(600, 300, 0, 0), 200, 300, tbpaRight, Screen, 400, 300,
       tbadDown | tbadLeft, false},
      {"centred past the right edge is clamped", Point, QRect(1000, 300, 0, 0), 200, 100, tbpaCenter, Screen, 824,
       300, tbadDown, false},
      {"taller than the monitor starts at its top", Point, QRect(500, 100, 0, 0), 200, 900, tbpaLeft, Screen, 500, 0,
       tbadRight, false},
      {"second monitor right edge", Point, QRect(2250, 300, 0, 0), 200, 300, tbpaLeft, Second, 2050, 300,
       tbadDown | tbadLeft, false},
      {"second monitor, right-aligned at its left edge", Point, QRect(1030, 300, 0, 0), 200, 300, tbpaRight, Second,
       1030, 300, tbadDown | tbadRight, false},
      // drop-downs below toolbar buttons
      {"below the button", DropDown, QRect(100, 0, 23, 22), 150, 200, tbpaLeft, Screen, 100, 22, tbadDown, false},
      {"right-to-left: right edges aligned", DropDownRtl, QRect(500, 0, 23, 22), 150, 200, tbpaLeft, Screen, 373, 22,
       tbadDown, false},
      {"near the right edge is clamped", DropDown, QRect(1000, 0, 23, 22), 150, 200, tbpaLeft, Screen, 874, 22,
       tbadDown, false},
      {"right-to-left near the left edge is clamped", DropDownRtl, QRect(10, 0, 23, 22), 150, 200, tbpaLeft, Screen,
       0, 22, tbadDown, false},
      {"at the bottom of the screen opens above", DropDown, QRect(100, 740, 23, 22), 150, 200, tbpaLeft, Screen, 100,
       540, tbadUp, false},
      {"fits neither below nor above: beside the button", DropDown, QRect(100, 300, 23, 22), 150, 600, tbpaLeft,
       Screen, 123, 168, tbadRight, false},
      {"on the second monitor's bottom", DropDown, QRect(1500, 1000, 23, 22), 150, 200, tbpaLeft, Second, 1500, 800,
       tbadUp, false},
      {"vertical toolbar at the left edge: right of it", VerticalBar, QRect(0, 100, 22, 23), 150, 200, tbpaLeft,
       Screen, 22, 100, tbadRight, false},
      {"vertical toolbar at the right edge: left of it", VerticalBar, QRect(1002, 100, 22, 23), 150, 200, tbpaLeft,
       Screen, 852, 100, tbadLeft, false},
      {"chevron of a horizontal toolbar", Chevron, QRect(600, 0, 13, 22), 150, 200, tbpaLeft, Screen, 463, 22,
       tbadDown, false},
      // submenus beside menu entries
      {"submenu on the right", Submenu, QRect(300, 100, 150, 20), 200, 100, tbpaLeft, Screen, 447, 97, tbadRight,
       false},
      {"submenu without room on the right opens left", Submenu, QRect(800, 100, 150, 20), 200, 100, tbpaLeft, Screen,
       603, 97, tbadLeft, true},
      {"a leftward chain keeps opening left", OppositeSubmenu, QRect(400, 100, 150, 20), 200, 100, tbpaLeft, Screen,
       203, 97, tbadLeft, true},
      {"a leftward chain without room turns right", OppositeSubmenu, QRect(50, 100, 150, 20), 200, 100, tbpaLeft,
       Screen, 197, 97, tbadRight, false},
      {"room on neither side: clamped to the monitor", OppositeSubmenu, QRect(400, 100, 150, 20), 1000, 100, tbpaLeft,
       Screen, 0, 97, tbadRight, true},
      {"submenu near the bottom ends level with its item", Submenu, QRect(300, 700, 150, 20), 200, 200, tbpaLeft,
       Screen, 447, 523, tbadRight, false},
      {"submenu on the second monitor's right edge", Submenu, QRect(2100, 100, 150, 20), 200, 100, tbpaLeft, Second,
       1903, 97, tbadLeft, true},
  };
  for (const TRow &row : rows) {
    SCOPED_TRACE(row.Name);
    const TOutcome o = Place(row);
    EXPECT_EQ(o.X, row.X);
    EXPECT_EQ(o.Y, row.Y);
    EXPECT_EQ(o.AnimDir, row.AnimDir);
    EXPECT_EQ(o.Leftward, row.Leftward);
  }
}

TEST(PopupPlacement, ALeftwardChainWithoutRoomClearsOpposite) {
  const TRow row{"", OppositeSubmenu, QRect(50, 100, 150, 20), 200, 100, tbpaLeft, Screen, 0, 0, 0, false};
  EXPECT_FALSE(Place(row).Opposite);
  const TRow roomy{"", OppositeSubmenu, QRect(400, 100, 150, 20), 200, 100, tbpaLeft, Screen, 0, 0, 0, false};
  EXPECT_TRUE(Place(roomy).Opposite);
}

TEST(PopupPlacement, ADropDownClampedOverItsRowMovesOffTheRow) {
  // A toolbar near the bottom whose popup, clamped to the monitor, would
  // cover the buttons beside the opening one: it goes above the row instead.
  const TRow row{"", DropDown, QRect(100, 600, 23, 22), 150, 300, tbpaLeft, Screen, 0, 0, 0, false};
  const QList<QRect> buttons{QRect(100, 600, 23, 22), QRect(123, 600, 23, 22), QRect(146, 600, 23, 22)};
  const TOutcome o = Place(row, buttons);
  EXPECT_EQ(o.Y, 300);
  EXPECT_EQ(o.X, 100);
  EXPECT_EQ(o.AnimDir, unsigned(tbadUp));
}

class TTwoMonitors : public TPlatformMetrics {
public:
  QList<TMonitor> Monitors() const override {
    return {{Screen, QRect(0, 0, 1024, 740)}, {Second, QRect(1024, 0, 1280, 1000)}};
  }
};

TEST(PopupPlacement, MonitorOfThePopupAndItsSizeLimits) {
  TTwoMonitors metrics;
  // The full monitor, not its work area: menus may cover a panel.
  EXPECT_EQ(PopupMonitorRect(metrics, QRect(), QRect(1500, 300, 0, 0), true), Second);
  EXPECT_EQ(PopupMonitorRect(metrics, QRect(), QRect(10, 750, 0, 0), true), Screen);
  EXPECT_EQ(PopupMonitorRect(metrics, QRect(), QRect(1000, 10, 60, 22), false), Second); // mostly on the second
  EXPECT_EQ(PopupMonitorRect(metrics, Screen, QRect(1000, 10, 60, 22), false), Screen);  // the parent view's own

  const TTbrPopupLimits menu = PopupSizeLimits(Screen, 3, false);
  EXPECT_EQ(menu.MaxHeight, 762);
  EXPECT_EQ(menu.WrapOffset, 0);
  const TTbrPopupLimits chevron = PopupSizeLimits(Screen, 3, true);
  EXPECT_EQ(chevron.WrapOffset, 1018);
  EXPECT_EQ(chevron.MaxHeight, 0);
}

} // namespace
