#include "toolbars/core/thmcolorset.h"
#include "toolbars/paint/thmmrulist.h"
#include "toolbars/core/thmthemes.h"
#include "toolbars/core/thmtoolpalette.h"

#include <gtest/gtest.h>

using namespace qel::toolbars;
using qel::TColor;

namespace {

// The plain desktop colours for the length of a test.
struct TPlainSystem {
  const TThmSystem *Saved = &ThemeManager().System();
  TPlainSystem() { ThemeManager().SetSystem(nullptr); }
  ~TPlainSystem() { ThemeManager().SetSystem(Saved); }
};

// A colour palette of 18 x 18 cells in a menu with a 20-pixel indent, and
// the viewer showing it.
struct TPaletteFixture {
  TPlainSystem System;
  TThmColorPaletteModel Palette;
  TThmToolGrid Grid;
  TThmToolViewerLogic Viewer{Palette, Grid};
  int Changes = 0;
  int Repaints = 0;
  TPaletteFixture() {
    Palette.OnChange = [this] { ++Changes; };
    Palette.Changed = [this](bool) { ++Repaints; };
    Grid.ColCount = Palette.ColCount();
    Grid.RowCount = Palette.RowCount();
    const QSize cell = TThmToolGrid::CellSizeFor(TThmColorPaletteModel::CellImageSize());
    Grid.CellWidth = cell.width();
    Grid.CellHeight = cell.height();
    Grid.IndentLeft = 20;
  }
  QPoint CellCentre(int col, int row) const { return Grid.CellRect(QRect(0, 0, 200, 90), col, row).center(); }
};

} // namespace

TEST(ThmColorSet, DefaultSetNamesAndColours) {
  TThmCustomColorSet &set = DefaultColorSet();
  EXPECT_EQ(set.ColCount(), 8);
  EXPECT_EQ(set.RowCount(), 5);
  struct Case {
    int col, row;
    TColor color;
    const char *name;
  };
  const Case cases[] = {{0, 0, 0x000000, "Black"},   {5, 0, 0x800000, "Dark blue"}, {0, 2, 0x0000FF, "Red"},
                        {7, 4, 0xFFFFFF, "White"},   {3, 3, 0x00FF00, "Bright Green"},
                        {8, 0, ThmNoColor, ""},      {0, 5, ThmNoColor, ""},       {-1, 0, ThmNoColor, ""}};
  for (const Case &c : cases) {
    EXPECT_EQ(set.GetColor(c.col, c.row), c.color) << c.col << "," << c.row;
    EXPECT_EQ(set.GetName(c.col, c.row), QString::fromLatin1(c.name)) << c.col << "," << c.row;
  }
}

TEST(ThmColorSet, ColorToString) {
  TPlainSystem system;
  TThmCustomColorSet &set = DefaultColorSet();
  const std::pair<TColor, const char *> cases[] = {
      {ThmNoColor, "None"},           {0x0000FF, "Red"},    {0x7F0000FF, "Red"}, // only the colour bits count
      {SysColor(sciWindow), "White"}, {0x123456, "#563412"}, {0x0A0B0C, "#0C0B0A"}};
  for (const auto &[color, text] : cases)
    EXPECT_EQ(set.ColorToString(color), QString::fromLatin1(text)) << std::hex << color;

  // A set of its own: the first cell of a colour names it; a nameless one gives the "#" form.
  TThmCustomColorSet own;
  own.UpdateSize(2, 1);
  own.OnGetColorInfo = [](int col, int, TColor &color, QString &name) {
    color = 0x00FF00;
    name = col == 0 ? QString() : QStringLiteral("Green too");
  };
  EXPECT_EQ(own.ColorToString(0x00FF00), "#00FF00");
}

TEST(ThmColorPalette, WritingAColourChoosesItsCellAndReportsOnce) {
  TPaletteFixture f;
  EXPECT_EQ(f.Palette.Color(), ThmNoColor);
  EXPECT_EQ(f.Palette.ColCount(), 8);
  EXPECT_EQ(f.Palette.RowCount(), 5);
  EXPECT_TRUE(f.Palette.PaletteOptions() & tpoCustomImages);

  f.Palette.SetColor(0x0000FF);
  EXPECT_EQ(f.Palette.SelectedCell(), QPoint(0, 2));
  EXPECT_EQ(f.Palette.Color(), 0x0000FF);
  EXPECT_EQ(f.Changes, 1);

  f.Palette.SetColor(0x123456);
  EXPECT_EQ(f.Palette.SelectedCell(), NoCell);
  EXPECT_EQ(f.Palette.Color(), 0x123456);
  EXPECT_EQ(f.Changes, 2);

  // A desktop colour keeps its value and chooses the cell of its colour.
  f.Palette.SetColor(SysColor(sciWindow));
  EXPECT_EQ(f.Palette.SelectedCell(), QPoint(7, 4));
  EXPECT_EQ(f.Palette.Color(), SysColor(sciWindow));
  EXPECT_EQ(f.Changes, 3);
}

TEST(ThmColorPalette, ClickingACell) {
  TPaletteFixture f;
  QList<QPoint> clicks;
  f.Palette.OnCellClick = [&](int col, int row, bool &) { clicks << QPoint(col, row); };
  EXPECT_TRUE(f.Palette.HandleClickCell(1, 3));
  EXPECT_EQ(f.Palette.SelectedCell(), QPoint(1, 3));
  EXPECT_EQ(f.Palette.Color(), 0x00CCFF);
  EXPECT_EQ(f.Changes, 1);

  // Without auto-select only the click is reported.
  f.Palette.SetPaletteOptions(f.Palette.PaletteOptions() | tpoNoAutoSelect);
  EXPECT_TRUE(f.Palette.HandleClickCell(4, 4));
  EXPECT_EQ(clicks, (QList<QPoint>{{1, 3}, {4, 4}}));
  EXPECT_EQ(f.Palette.SelectedCell(), QPoint(1, 3));
  EXPECT_EQ(f.Changes, 1);

  // A refused click changes nothing either.
  f.Palette.SetPaletteOptions(tpoCustomImages);
  f.Palette.OnCellClick = [](int, int, bool &allow) { allow = false; };
  EXPECT_FALSE(f.Palette.HandleClickCell(0, 0));
  EXPECT_EQ(f.Palette.SelectedCell(), QPoint(1, 3));
}

TEST(ThmToolPalette, KeysMoveTheHotCellInsideTheGrid) {
  struct Case {
    QPoint from;
    int key;
    QPoint expected; // NoCell: the key passes to the menu and the hot cell stays
  };
  const Case cases[] = {
      {{7, 0}, Qt::Key_Right, {0, 1}},  {{0, 0}, Qt::Key_Left, NoCell},   {{2, 3}, Qt::Key_End, {7, 3}},
      {{0, 1}, Qt::Key_Left, {7, 0}},   {{7, 4}, Qt::Key_Right, NoCell},  {{3, 4}, Qt::Key_Down, NoCell},
      {{3, 0}, Qt::Key_Up, NoCell},     {{3, 2}, Qt::Key_PageDown, {3, 4}}, {{3, 2}, Qt::Key_PageUp, {3, 0}},
      {{3, 2}, Qt::Key_Home, {0, 2}},   {{0, 2}, Qt::Key_Home, NoCell},   {{3, 2}, Qt::Key_Down, {3, 3}},
  };
  for (const Case &c : cases) {
    TPaletteFixture f;
    f.Viewer.Selected(false, true);
    for (int i = 0; i < c.from.y(); ++i) {
      int key = Qt::Key_Down;
      f.Viewer.KeyDown(key);
    }
    for (int i = 0; i < c.from.x(); ++i) {
      int key = Qt::Key_Right;
      f.Viewer.KeyDown(key);
    }
    ASSERT_EQ(f.Viewer.HotCell(), c.from);
    int key = c.key;
    f.Viewer.KeyDown(key);
    SCOPED_TRACE(testing::Message() << "from " << c.from.x() << "," << c.from.y() << " key " << c.key);
    if (IsNoCell(c.expected)) {
      EXPECT_EQ(key, c.key);
      EXPECT_EQ(f.Viewer.HotCell(), c.from);
    } else {
      EXPECT_EQ(key, 0);
      EXPECT_EQ(f.Viewer.HotCell(), c.expected);
    }
  }
}

TEST(ThmToolPalette, EnteringChoosingAndOtherKeys) {
  TPaletteFixture f;
  // From the entry below, the last cell ("White"); from above, the first.
  f.Viewer.Selected(true, false);
  EXPECT_EQ(f.Viewer.HotCell(), QPoint(7, 4));
  f.Viewer.Selected(false, true);
  EXPECT_EQ(f.Viewer.HotCell(), QPoint(0, 0));
  // Entering from below skips hidden cells at the end of the last row.
  f.Palette.OnGetCellVisible = [](int col, int row, bool &visible) { visible = visible && !(row == 4 && col > 5); };
  f.Viewer.Selected(true, false);
  EXPECT_EQ(f.Viewer.HotCell(), QPoint(5, 4));
  f.Palette.OnGetCellVisible = nullptr;

  // No hot cell: a move starts from the chosen cell, or else at the first one.
  f.Viewer.Selected(false, false);
  EXPECT_EQ(f.Viewer.HotCell(), NoCell);
  int key = Qt::Key_Down;
  f.Viewer.KeyDown(key);
  EXPECT_EQ(f.Viewer.HotCell(), QPoint(0, 0));
  f.Palette.SetSelectedCell(QPoint(6, 1));
  f.Viewer.Selected(false, false);
  key = Qt::Key_Right;
  f.Viewer.KeyDown(key);
  EXPECT_EQ(f.Viewer.HotCell(), QPoint(7, 1));

  // Enter chooses the hot cell and is left for the menu to close on.
  key = Qt::Key_Return;
  f.Viewer.KeyDown(key);
  EXPECT_EQ(key, Qt::Key_Return);
  EXPECT_EQ(f.Palette.Color(), 0x808080);
  EXPECT_EQ(f.Changes, 1);
  // A key that is not a grid key belongs to the menu, even with no hot cell.
  f.Viewer.Selected(false, false);
  f.Palette.SetSelectedCell(NoCell);
  key = Qt::Key_Escape;
  f.Viewer.KeyDown(key);
  EXPECT_EQ(key, Qt::Key_Escape);
  EXPECT_EQ(f.Viewer.HotCell(), NoCell);
}

TEST(ThmToolPalette, CellsMeasureAndHitTest) {
  TPaletteFixture f;
  EXPECT_EQ(f.Grid.CellWidth, 18);
  EXPECT_EQ(f.Grid.Measure(4), QSize(8 * 18 + 20 + 4, 5 * 18));
  TThmToolGrid tiny;
  EXPECT_EQ(tiny.Measure(0), QSize(8, 8));
  EXPECT_EQ(tiny.CellAt(QPoint(30, 30), QSize(8, 8)), QPoint(0, 0)); // no cell size

  const QSize viewer(20 + 144, 90);
  const std::pair<QPoint, QPoint> hits[] = {
      {{20, 0}, {0, 0}},  {{37, 17}, {0, 0}}, {{38, 18}, {1, 1}}, {{20 + 7 * 18, 4 * 18}, {7, 4}},
      {{5, 5}, NoCell}, // the indent is no cell
      {{20 + 8 * 18, 5}, NoCell}, {{25, 5 * 18}, NoCell}};
  for (const auto &[point, cell] : hits)
    EXPECT_EQ(f.Viewer.VisibleCellAt(point, viewer), cell) << point.x() << "," << point.y();

  // Stretched, rectangles and hits follow one rule, indent included.
  for (int width : {164, 203, 300}) {
    f.Grid.Stretch = true;
    const QRect area(10, 5, width, 97);
    for (int row = 0; row < 5; ++row)
      for (int col = 0; col < 8; ++col) {
        const QRect cell = f.Grid.CellRect(area, col, row);
        EXPECT_GE(cell.left(), area.left() + 20);
        for (const QPoint corner : {cell.topLeft(), cell.bottomRight()})
          EXPECT_EQ(f.Grid.CellAt(corner - area.topLeft(), area.size()), QPoint(col, row))
              << width << ": " << col << "," << row;
      }
  }
}

TEST(ThmToolPalette, MouseAndHints) {
  TPaletteFixture f;
  const QRect viewer(0, 0, 164, 90);
  QPoint old;
  EXPECT_TRUE(f.Viewer.MouseMove(f.CellCentre(0, 2), viewer.size(), &old));
  EXPECT_EQ(old, NoCell);
  EXPECT_EQ(f.Viewer.HotCell(), QPoint(0, 2));
  EXPECT_FALSE(f.Viewer.MouseMove(f.CellCentre(0, 2) + QPoint(1, 1), viewer.size()));
  EXPECT_TRUE(f.Viewer.MouseMove(QPoint(3, 3), viewer.size(), &old));
  EXPECT_EQ(old, QPoint(0, 2));
  EXPECT_EQ(f.Viewer.HotCell(), NoCell);

  f.Viewer.MouseDown(f.CellCentre(2, 3), viewer.size());
  EXPECT_TRUE(f.Viewer.MouseUp(f.CellCentre(2, 3), viewer.size()));
  EXPECT_EQ(f.Palette.Color(), 0x00FFFF);
  EXPECT_EQ(f.Changes, 1);

  QRect cellRect;
  EXPECT_EQ(f.Viewer.HintAt(f.CellCentre(0, 2), viewer, &cellRect), "Red");
  EXPECT_EQ(cellRect, QRect(20, 36, 18, 18));
  f.Palette.OnGetCellHint = [](int, int, QString &hint) { hint += QStringLiteral("!"); };
  EXPECT_EQ(f.Viewer.HintAt(f.CellCentre(7, 4), viewer, nullptr), "White!");
  EXPECT_EQ(f.Viewer.HintAt(QPoint(3, 3), viewer, nullptr), QString());
}

TEST(ThmColorPalette, ColourSetOfItsOwn) {
  TPaletteFixture f;
  {
    TThmCustomColorSet own;
    own.UpdateSize(3, 2);
    own.OnGetColorInfo = [](int col, int row, TColor &color, QString &name) {
      color = row * 3 + col == 5 ? ThmNoColor : TColor(0x010101 * (row * 3 + col));
      name = QStringLiteral("c%1").arg(row * 3 + col);
    };
    f.Palette.SetColorSet(&own);
    EXPECT_EQ(f.Palette.ColCount(), 3);
    EXPECT_EQ(f.Palette.RowCount(), 2);
    EXPECT_FALSE(f.Viewer.IsCellVisible(QPoint(2, 1))); // no colour
    EXPECT_TRUE(f.Viewer.IsCellVisible(QPoint(1, 1)));
    own.UpdateSize(4, 2);
    EXPECT_EQ(f.Palette.ColCount(), 4);
    f.Palette.SetColor(0x040404);
    EXPECT_EQ(f.Palette.SelectedCell(), QPoint(1, 1));
  }
  // The set is gone: the palette is back on the default one.
  EXPECT_EQ(f.Palette.ColorSet(), nullptr);
  EXPECT_EQ(f.Palette.ColCount(), 8);
  EXPECT_EQ(f.Palette.RowCount(), 5);
}

TEST(ThmMRUList, NegativeKeyShiftIsStoredAsZero) {
  TThmMRUList list;
  list.SetAddFullPath(false);
  list.AddMRUFile(QStringLiteral("b.qel"));
  list.AddMRUFile(QStringLiteral("a.qel"));
  list.SetKeyShift(-3);
  EXPECT_EQ(list.KeyShift(), 0);
  EXPECT_EQ(list.Container()->Items(0)->Caption(), TTbrMRUList::EntryCaption("a.qel", 0, false));
  list.SetKeyShift(2);
  EXPECT_EQ(list.Container()->Items(1)->Caption(), TTbrMRUList::EntryCaption("b.qel", 3, false));
}
