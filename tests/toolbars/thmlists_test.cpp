#include "toolbars/paint/thmdefaulttheme.h"
#include "toolbars/paint/thmlistpaint.h"
#include "toolbars/paint/thmlists.h"
#include "toolbars/qt/tbwidgethost.h"

#include <QImage>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include "tests/toolbars/toolbartest.h"
#include "tests/toolbars/thmtestsetup.h"

using namespace qel;
using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

// The window of a list popup: says it shows a list, measures with a real
// font and counts what it is asked to repaint.
class TListHost : public TTbrViewHost {
public:
  TListHost() { TextMeasure.SetFont(QFont("DejaVu Sans", 9)); }
  const TTbrTextMeasure &Measure() const override { return TextMeasure; }
  int ViewTypeQuery() const override { return vt::ListPopup; }
  void Invalidate(const QRect &rect) override {
    Repaints.append(rect);
    if (OnInvalidate)
      OnInvalidate();
  }
  TTbrQtTextMeasure TextMeasure;
  QList<QRect> Repaints;
  std::function<void()> OnInvalidate;
};

class ThemedListTest : public ::testing::Test {
protected:
  void SetUp() override {
    StartThemedItemsWith<TThmDefaultTheme>();
    List = new TThmStringList;
    List->OnMeasureHeight = [this](TThmCustomList *, const QFont &, int &height) {
      if (RowHeight >= 0)
        height = RowHeight;
    };
    Parent.Add(List);
  }
  void TearDown() override {
    View.reset();
    StopThemedItems();
    ClearThemeRegistry();
  }
  // The popup's view of the list with `count` strings, laid out; the list viewer.
  TThmCustomListViewer *Open(int count, int itemIndex = -1) {
    QStringList strings;
    for (int i = 0; i < count; ++i)
      strings << QStringLiteral("Font %1").arg(i);
    List->SetStrings(strings);
    List->SetItemIndex(itemIndex);
    View = std::make_unique<TTbrView>(&Host, nullptr, &Parent, false);
    View->ValidatePositions();
    auto *viewer = dynamic_cast<TThmCustomListViewer *>(View->Find(List));
    EXPECT_NE(viewer, nullptr);
    View->Select(viewer, false);
    PaintInto(viewer);
    return viewer;
  }
  QImage PaintInto(TThmCustomListViewer *viewer) {
    QImage image(viewer->BoundsRect.bottomRight().x() + 1, viewer->BoundsRect.bottomRight().y() + 1,
                 QImage::Format_ARGB32);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    TPainterCanvas canvas(painter);
    canvas.SetFont(Host.TextMeasure.Font());
    viewer->Paint(canvas, viewer->BoundsRect, true, false, false);
    return image;
  }

  int RowHeight = 20;
  TListHost Host;
  TThmSubmenuItem Parent;
  TThmStringList *List = nullptr;
  std::unique_ptr<TTbrView> View;
};

} // namespace

TEST_F(ThemedListTest, RowsShownAndTheScrollBar) {
  struct TCase {
    int Count, MaxVisible, RowHeight;
    int Rows, RowHeightUsed;
    bool ScrollBar;
  } cases[] = {
      {20, 8, 20, 8, 20, true},
      {3, 8, 20, 3, 20, false},
      {0, 8, 20, 1, 20, false}, // an empty list is one row high
      {20, 16, 20, 16, 20, true},
      {5, 8, 0, 5, 1, false}, // a row height measured as 0 counts as 1
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.Count);
    RowHeight = c.RowHeight;
    List->SetMaxVisibleItems(c.MaxVisible);
    TThmCustomListViewer *viewer = Open(c.Count);
    EXPECT_EQ(viewer->Logic().VisibleRows(), c.Rows);
    EXPECT_EQ(viewer->Logic().RowHeight(), c.RowHeightUsed);
    EXPECT_EQ(viewer->BoundsRect.height(), c.Rows * c.RowHeightUsed);
    EXPECT_EQ(viewer->Logic().ScrollBar() != nullptr, c.ScrollBar);
    EXPECT_GE(viewer->BoundsRect.width(), 32);
  }
}

TEST_F(ThemedListTest, PaintsTheShownRowsThroughItsEventsAndTheBarAtTheRight) {
  QList<int> drawn;
  int hovered = -2;
  List->OnDrawItem = [&](TThmCustomList *, TCanvas &, const QRect &, int index, int hover, bool &drawDefault) {
    drawn << index;
    hovered = hover;
    drawDefault = index != 12; // row 12 is the handler's own
  };
  TThmCustomListViewer *viewer = Open(20, 12);
  // The chosen row shows as the last one, hovered.
  EXPECT_EQ(viewer->Logic().Offset(), 5);
  EXPECT_EQ(drawn, (QList<int>{5, 6, 7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(hovered, 12);
  const QImage image = PaintInto(viewer);
  const QRect bounds = viewer->BoundsRect;
  const QRect bar = viewer->Logic().ScrollBar()->Bounds().translated(bounds.topLeft());
  EXPECT_EQ(bar.right(), bounds.right());
  EXPECT_EQ(bar.height(), bounds.height());
  // The hover row is highlighted; the others have the window colour.
  const int rowY = bounds.top() + 7 * 20 + 10;
  EXPECT_EQ(QColor(image.pixel(bounds.left() + 1, rowY)), ListRowBackground(true));
  EXPECT_EQ(QColor(image.pixel(bounds.left() + 1, bounds.top() + 10)), ListRowBackground(false));
  EXPECT_NE(QColor(image.pixel(bar.center())), QColor(Qt::magenta));
}

TEST_F(ThemedListTest, WheelScrollsWholeRows) {
  TThmCustomListViewer *viewer = Open(20, 19);
  ASSERT_EQ(viewer->Logic().Offset(), 12);
  viewer->MouseWheel(240, 5, 5);
  EXPECT_EQ(viewer->Logic().Offset(), 10);
  viewer->MouseWheel(-60, 5, 5);
  EXPECT_EQ(viewer->Logic().Offset(), 10);
  viewer->MouseWheel(-60, 5, 5);
  EXPECT_EQ(viewer->Logic().Offset(), 11);
}

TEST_F(ThemedListTest, KeysChooseRowsAndEnterIsLeftToTheMenu) {
  int changes = 0;
  List->OnChange = [&](TThmCustomList *) { ++changes; };
  TThmCustomListViewer *viewer = Open(20, 3);
  changes = 0;
  struct TCase {
    int Key, Expected;
    bool Consumed;
  } cases[] = {
      {Qt::Key_PageUp, 0, true}, {Qt::Key_Down, 1, true},  {Qt::Key_End, 19, true},    {Qt::Key_Down, 19, true},
      {Qt::Key_Home, 0, true},   {Qt::Key_Up, 0, true},    {Qt::Key_PageDown, 8, true}, {Qt::Key_A, 8, false},
      {Qt::Key_Return, 8, false},
  };
  for (const TCase &c : cases) {
    int key = c.Key;
    viewer->KeyDown(key, Qt::NoModifier);
    EXPECT_EQ(List->ItemIndex(), c.Expected) << c.Key;
    EXPECT_EQ(key == 0, c.Consumed) << c.Key;
  }
  EXPECT_EQ(changes, 8);
  // The row moved to shows.
  EXPECT_EQ(viewer->Logic().Offset(), 1);
}

TEST_F(ThemedListTest, AClickOnARowChoosesItAndAPressInTheBarKeepsTheMenuOpen) {
  TThmCustomListViewer *viewer = Open(20);
  const QPoint origin = viewer->BoundsRect.topLeft();
  // A press on the scroll bar's next button scrolls and chooses nothing.
  const QRect bar = viewer->Logic().ScrollBar()->Bounds();
  View->HandleMouseDown(origin + QPoint(bar.center().x(), bar.bottom() - 2), Qt::NoModifier, false);
  View->HandleMouseUp(origin + QPoint(bar.center().x(), bar.bottom() - 2));
  EXPECT_EQ(viewer->Logic().Offset(), 1);
  EXPECT_EQ(List->ItemIndex(), -1);
  EXPECT_EQ(View->DoneAction.Kind, TTbrDoneActionKind::None);
  // Row 2 on the screen is string 3 now.
  View->HandleMouseMove(origin + QPoint(10, 2 * 20 + 5));
  View->HandleMouseDown(origin + QPoint(10, 2 * 20 + 5), Qt::NoModifier, false);
  View->HandleMouseUp(origin + QPoint(10, 2 * 20 + 5));
  EXPECT_EQ(List->ItemIndex(), 3);
  EXPECT_EQ(View->DoneAction.Kind, TTbrDoneActionKind::ClickItem);
  EXPECT_EQ(View->DoneAction.ClickItem, List);
}

TEST_F(ThemedListTest, HoldingTheMouseBelowScrollsTwoRowsAtATimeToTheEnd) {
  TThmCustomListViewer *viewer = Open(20);
  const QPoint origin = viewer->BoundsRect.topLeft();
  QList<int> offsets;
  Host.OnInvalidate = [&] {
    if (offsets.isEmpty() || offsets.back() != viewer->Logic().Offset())
      offsets << viewer->Logic().Offset();
  };
  View->HandleMouseDown(origin + QPoint(10, 5), Qt::NoModifier, false);
  // 40 pixels below the last row.
  View->HandleMouseMove(origin + QPoint(10, 8 * 20 - 1 + 40));
  ASSERT_NE(viewer->Logic().ScrollBar(), nullptr);
  EXPECT_TRUE(viewer->Logic().ScrollBar()->AutoScrolling());
  EXPECT_EQ(viewer->Logic().ScrollBar()->AutoScrollInterval(), 100);
  EXPECT_EQ(viewer->Logic().HoverIndex(), -1);
  // The timers run on the event loop: wait until the last row shows.
  EXPECT_TRUE(QTest::qWaitFor([&] { return viewer->Logic().Offset() == 12; }));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !viewer->Logic().ScrollBar()->AutoScrolling(); }));
  EXPECT_EQ(offsets, (QList<int>{0, 2, 4, 6, 8, 10, 12}));
  EXPECT_FALSE(viewer->Timers()->Running(TThmScrollBar::AutoScrollTimer));
  View->HandleMouseUp(origin + QPoint(10, 8 * 20 - 1 + 40));
  EXPECT_EQ(List->ItemIndex(), -1); // released outside the rows
}

TEST_F(ThemedListTest, HoldingAScrollButtonRepeatsUntilReleased) {
  TThmCustomListViewer *viewer = Open(20);
  const QPoint origin = viewer->BoundsRect.topLeft();
  const QRect bar = viewer->Logic().ScrollBar()->Bounds();
  const QPoint next = origin + QPoint(bar.center().x(), bar.bottom() - 2);
  View->HandleMouseDown(next, Qt::NoModifier, false);
  EXPECT_EQ(viewer->Logic().Offset(), 1);
  EXPECT_TRUE(QTest::qWaitFor([&] { return viewer->Logic().Offset() >= 3; }));
  View->HandleMouseUp(next);
  EXPECT_FALSE(viewer->Timers()->Running(TThmScrollBar::RepeatTimer));
}

TEST_F(ThemedListTest, ViewerGoneWhileItsTimerRuns) {
  TThmCustomListViewer *viewer = Open(20);
  const QPoint origin = viewer->BoundsRect.topLeft();
  View->HandleMouseDown(origin + QPoint(10, 5), Qt::NoModifier, false);
  View->HandleMouseMove(origin + QPoint(10, 8 * 20 + 60));
  ASSERT_TRUE(viewer->Timers()->Running(TThmScrollBar::AutoScrollTimer));
  View.reset();
  // The item outlives its viewers and keeps its choice.
  List->SetItemIndex(4);
  EXPECT_EQ(List->ItemIndex(), 4);
  EXPECT_TRUE(List->Model().Viewers().empty());
}
