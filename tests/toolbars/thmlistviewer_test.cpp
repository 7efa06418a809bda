#include "toolbars/core/thmlistviewer.h"
#include "toolbars/core/thmscrollbar.h"

#include <gtest/gtest.h>

#include <QMap>

#include <tuple>
#include <vector>

using namespace qel::toolbars;

namespace {

// The host's timers: which run and at what interval; a test fires them by hand.
struct TFakeTimers {
  QMap<int, int> Running;
  int Starts = 0;
  template <class T> void Attach(T &target) {
    target.StartTimer = [this](int id, int ms) {
      Running[id] = ms;
      ++Starts;
    };
    target.StopTimer = [this](int id) { Running.remove(id); };
  }
};

// A vertical bar 16 wide; the track is the length less two 16-pixel buttons.
struct TBarFixture {
  TThmScrollBar Bar;
  TFakeTimers Timers;
  int Changes = 0;
  int Redraws = 0;
  TBarFixture(int length, int range, int page, int position = 0) {
    Timers.Attach(Bar);
    Bar.SetBounds(QRect(0, 0, 16, length));
    Bar.SetPageSize(page);
    Bar.SetRange(range);
    Bar.SetPosition(position);
    Bar.OnChange = [this] { ++Changes; };
    Bar.OnRedraw = [this] { ++Redraws; };
  }
  QPoint At(int along) const { return QPoint(8, along); }
};

} // namespace

TEST(ThmScrollBar, ZonesAlongTheBar) {
  struct Case {
    int length, range, page, position;
    int thumbTop, thumbLength; // thumbLength 0: no thumb, the track is the empty zone
  };
  const Case cases[] = {
      {100, 20, 8, 0, 16, 27},   // track 68: thumb 68 x 8 / 20 = 27.2 -> 27
      {100, 20, 8, 12, 57, 27},  // at the end: 68 x 12 / 20 = 40.8 -> 41
      {100, 8, 4, 1, 24, 34},    // 8.5 rounds to 8 (halves to even)
      {100, 8, 4, 3, 42, 34},    // 25.5 rounds to 26
      {100, 1000, 8, 0, 16, 8},  // too short: 8 long
      {100, 1000, 8, 496, 46, 8}, // (68 - 8) x 496 / 992 = 30
      {100, 1000, 8, 992, 76, 8},
      {100, 8, 8, 0, 0, 0},      // nothing to scroll
      {40, 20, 8, 0, 0, 0},      // a track of 8 pixels has no thumb
  };
  for (const Case &c : cases) {
    TBarFixture f(c.length, c.range, c.page, c.position);
    const QRect thumb = f.Bar.Zone(sbz::Thumb);
    SCOPED_TRACE(testing::Message() << "length " << c.length << " range " << c.range << " position " << c.position);
    EXPECT_EQ(f.Bar.Zone(sbz::PrevButton), QRect(0, 0, 16, 16));
    EXPECT_EQ(f.Bar.Zone(sbz::NextButton), QRect(0, c.length - 16, 16, 16));
    if (c.thumbLength == 0) {
      EXPECT_TRUE(thumb.isNull());
      EXPECT_EQ(f.Bar.Zone(sbz::Empty), QRect(0, 16, 16, c.length - 32));
      continue;
    }
    EXPECT_EQ(thumb, QRect(0, c.thumbTop, 16, c.thumbLength));
    EXPECT_TRUE(f.Bar.Zone(sbz::Empty).isNull());
    // The track parts fill the rest of the track exactly.
    EXPECT_EQ(f.Bar.Zone(sbz::TrackBefore).height() + thumb.height() + f.Bar.Zone(sbz::TrackAfter).height(),
              c.length - 32);
  }
  // Buttons that would not leave two pixels of track share the length.
  TBarFixture shortBar(30, 20, 8);
  EXPECT_EQ(shortBar.Bar.Zone(sbz::PrevButton), QRect(0, 0, 16, 14));
  EXPECT_EQ(shortBar.Bar.Zone(sbz::NextButton), QRect(0, 16, 16, 14));
}

TEST(ThmScrollBar, DraggingTheThumbMapsTheTrackOntoTheRange) {
  struct Case {
    int range, page, start, moved, expected;
  };
  const Case cases[] = {
      {1000, 8, 0, 30, 496},   // an 8-pixel thumb: the free 60 pixels span 0..992
      {1000, 8, 0, 60, 992},
      {1000, 8, 0, 200, 992},  // clamped
      {1000, 8, 992, -60, 0},
      {20, 8, 0, 34, 10},      // a thumb of its own length: 68 pixels span the range 20
      {20, 8, 6, -17, 1},
  };
  for (const Case &c : cases) {
    TBarFixture f(100, c.range, c.page, c.start);
    const QPoint grip = f.Bar.Zone(sbz::Thumb).center();
    f.Bar.MouseDown(grip, true);
    EXPECT_EQ(f.Bar.DownZone(), sbz::Thumb);
    f.Bar.MouseMove(grip + QPoint(0, c.moved));
    EXPECT_EQ(f.Bar.Position(), c.expected) << "range " << c.range << " moved " << c.moved;
    EXPECT_EQ(f.Changes, c.expected != c.start ? 1 : 0);
    f.Bar.MouseUp(grip, true);
    EXPECT_EQ(f.Bar.DownZone(), sbz::None);
  }
}

TEST(ThmScrollBar, ButtonsAndTrackStepAndRepeat) {
  TBarFixture f(100, 20, 8, 0);
  // The next button: one step at once, then again every 100 ms after a first 500 ms.
  f.Bar.MouseDown(f.At(95), true);
  EXPECT_EQ(f.Bar.Position(), 1);
  EXPECT_EQ(f.Timers.Running.value(TThmScrollBar::RepeatTimer), 500);
  f.Bar.TimerFired(TThmScrollBar::RepeatTimer);
  EXPECT_EQ(f.Bar.Position(), 2);
  EXPECT_EQ(f.Timers.Running.value(TThmScrollBar::RepeatTimer), 100);
  f.Bar.MouseUp(f.At(95), true);
  EXPECT_FALSE(f.Timers.Running.contains(TThmScrollBar::RepeatTimer));
  EXPECT_EQ(f.Changes, 2);

  // The track below the thumb pages down until the thumb comes under the mouse.
  TBarFixture t(100, 40, 8, 0);
  t.Bar.MouseDown(t.At(60), true);
  EXPECT_EQ(t.Bar.Position(), 8);
  for (int i = 0; i < 10 && t.Timers.Running.contains(TThmScrollBar::RepeatTimer); ++i)
    t.Bar.TimerFired(TThmScrollBar::RepeatTimer);
  EXPECT_FALSE(t.Timers.Running.contains(TThmScrollBar::RepeatTimer));
  EXPECT_TRUE(t.Bar.Zone(sbz::Thumb).contains(t.At(60)) || t.Bar.Zone(sbz::TrackBefore).contains(t.At(60)));
  EXPECT_EQ(t.Bar.Position(), 24);

  // Right button presses and programmatic positions do nothing visible.
  TBarFixture r(100, 20, 8, 0);
  r.Bar.MouseDown(r.At(95), false);
  r.Bar.SetPosition(50);
  EXPECT_EQ(r.Bar.Position(), 12);
  EXPECT_EQ(r.Changes, 0);
  EXPECT_EQ(r.Redraws, 0);
  EXPECT_TRUE(r.Timers.Running.isEmpty());
}

TEST(ThmScrollBar, AutoScrollRunsUntilTheEnd) {
  TBarFixture f(100, 20, 8, 0);
  f.Bar.StartAutoScroll(0, 100); // no direction: nothing
  EXPECT_FALSE(f.Bar.AutoScrolling());
  f.Bar.StartAutoScroll(4, 100);
  f.Bar.StartAutoScroll(4, 100); // already running: not started twice
  EXPECT_EQ(f.Timers.Starts, 1);
  std::vector<int> positions;
  while (f.Timers.Running.contains(TThmScrollBar::AutoScrollTimer) && positions.size() < 10) {
    f.Bar.TimerFired(TThmScrollBar::AutoScrollTimer);
    positions.push_back(f.Bar.Position());
  }
  EXPECT_EQ(positions, (std::vector<int>{4, 8, 12}));
  EXPECT_FALSE(f.Bar.AutoScrolling());
}

namespace {

// A list popup of `count` rows 16 pixels high (text 14) whose item keeps the
// chosen row and hands it back to the viewer, as the list item does.
struct TListFixture {
  TThmListModel List;
  TThmListViewerLogic Viewer;
  TFakeTimers Timers;
  int ItemIndex = -1;
  int Chosen = 0;
  std::vector<std::pair<int, int>> RowRedraws;
  QSize Size;
  explicit TListFixture(int count, int maxVisible = 8, int itemIndex = -1) {
    Timers.Attach(Viewer);
    List.AddViewer(&Viewer);
    List.OnChange = [this] {
      ItemIndex = List.ItemIndex();
      ++Chosen;
    };
    Viewer.ChooseIndex = [this](int index) { List.SetItemIndex(index); };
    Viewer.InvalidateRows = [this](int from, int to) { RowRedraws.emplace_back(from, to); };
    TThmListMeasureInput input;
    input.Count = count;
    input.TextHeight = 14;
    input.MaxVisibleItems = maxVisible;
    input.ScrollBarWidth = 16;
    input.RowWidth = [](int) { return ListRowWidth(60, 0, true); };
    Size = Viewer.Measure(input);
    Viewer.Start(itemIndex);
    Viewer.SetClientRect(QRect(QPoint(0, 0), Size));
  }
  QPoint Row(int shownRow) const { return QPoint(10, shownRow * 16 + 8); }
};

} // namespace

TEST(ThmListViewer, MeasuresRowsAndScrollBar) {
  TListFixture twenty(20);
  EXPECT_EQ(twenty.Viewer.VisibleRows(), 8);
  EXPECT_EQ(twenty.Size, QSize(68 + 16, 8 * 16));
  ASSERT_NE(twenty.Viewer.ScrollBar(), nullptr);
  EXPECT_EQ(twenty.Viewer.ScrollBar()->Bounds(), QRect(68, 0, 16, 128));

  TListFixture three(3);
  EXPECT_EQ(three.Size, QSize(68, 3 * 16));
  EXPECT_EQ(three.Viewer.ScrollBar(), nullptr);

  TListFixture empty(0);
  EXPECT_EQ(empty.Size.height(), 16);

  // Images make rows taller; the measuring event has the last word, but a row is never 0 high.
  TThmListViewerLogic viewer;
  TThmListMeasureInput input;
  input.Count = 5;
  input.TextHeight = 14;
  input.ImageHeight = 20;
  input.MinWidth = 100;
  EXPECT_EQ(viewer.Measure(input), QSize(100, 5 * 22));
  input.MeasureHeight = [](int &height) { height = 0; };
  EXPECT_EQ(viewer.Measure(input).height(), 5);
  viewer.SetClientRect(QRect(0, 0, 100, 5));
  EXPECT_EQ(viewer.RowAt(QPoint(10, 3)), 3);
  // The widest row wins, capped by a maximum above the minimum.
  input.RowWidth = [](int index) { return index * 100; };
  input.MaxWidth = 300;
  EXPECT_EQ(viewer.Measure(input).width(), 300);
}

TEST(ThmListViewer, StartsShowingTheChosenRow) {
  TListFixture below(20, 8, 15);
  EXPECT_EQ(below.Viewer.Offset(), 8);
  EXPECT_EQ(below.Viewer.HoverIndex(), 15);
  TListFixture beyond(20, 8, 25);
  EXPECT_EQ(beyond.Viewer.Offset(), 0);
  EXPECT_EQ(beyond.Viewer.HoverIndex(), -1);
}

TEST(ThmListViewer, AutoScrollWhileTheMouseIsHeldOutside) {
  const std::tuple<int, int, int> steps[] = {{0, 1, 150},  {9, 1, 150},  {10, 1, 100}, {29, 1, 100},
                                             {30, 2, 100}, {50, 2, 100}, {51, 4, 100}, {-40, 2, 100}};
  for (const auto &[distance, rows, interval] : steps) {
    EXPECT_EQ(ListAutoScrollStep(distance).Rows, rows) << distance;
    EXPECT_EQ(ListAutoScrollStep(distance).Interval, interval) << distance;
  }

  TListFixture f(20);
  EXPECT_FALSE(f.Viewer.MouseDown(f.Row(2)));
  EXPECT_EQ(f.Viewer.HoverIndex(), 2);
  // 40 pixels below the last row: two rows every 100 ms until the last row shows.
  f.Viewer.MouseMove(QPoint(10, 128 + 39), true);
  EXPECT_EQ(f.Viewer.HoverIndex(), -1);
  EXPECT_EQ(f.Timers.Running.value(TThmScrollBar::AutoScrollTimer), 100);
  std::vector<int> offsets;
  while (f.Timers.Running.contains(TThmScrollBar::AutoScrollTimer) && offsets.size() < 20) {
    f.Viewer.ScrollBar()->TimerFired(TThmScrollBar::AutoScrollTimer);
    offsets.push_back(f.Viewer.Offset());
  }
  EXPECT_EQ(offsets, (std::vector<int>{2, 4, 6, 8, 10, 12}));
  // Above the rows there is room again; back inside, it stops.
  f.Viewer.MouseMove(QPoint(10, -5), true);
  EXPECT_EQ(f.Timers.Running.value(TThmScrollBar::AutoScrollTimer), 150);
  f.Viewer.MouseMove(f.Row(1), true);
  EXPECT_TRUE(f.Timers.Running.isEmpty());
  EXPECT_EQ(f.Viewer.HoverIndex(), f.Viewer.Offset() + 1);
  // Releasing on a row chooses it.
  EXPECT_EQ(f.Viewer.MouseUp(f.Row(1)), TThmListViewerLogic::Release::Choose);
  EXPECT_EQ(f.ItemIndex, f.Viewer.Offset() + 1);

  // With nothing hidden nothing scrolls.
  TListFixture three(3);
  three.Viewer.MouseDown(three.Row(0));
  three.Viewer.MouseMove(QPoint(10, 100), true);
  EXPECT_TRUE(three.Timers.Running.isEmpty());
}

TEST(ThmListViewer, HoverRedrawsTheRowsBetween) {
  TListFixture f(20);
  f.Viewer.MouseMove(f.Row(1), false);
  f.Viewer.MouseMove(f.Row(4), false);
  f.Viewer.MouseMove(f.Row(4), false);
  f.Viewer.MouseMove(QPoint(75, 8), false); // over the scroll bar: no row, the hover stays
  EXPECT_EQ(f.RowRedraws, (std::vector<std::pair<int, int>>{{-1, 1}, {1, 4}}));
  EXPECT_EQ(f.Viewer.HoverIndex(), 4);
}

TEST(ThmListViewer, KeysMoveTheChoice) {
  struct Case {
    int from, key, expected;
  };
  const Case cases[] = {
      {19, Qt::Key_Down, 19},    {3, Qt::Key_PageUp, 0},  {3, Qt::Key_PageDown, 11}, {15, Qt::Key_PageDown, 19},
      {5, Qt::Key_End, 19},      {5, Qt::Key_Home, 0},    {5, Qt::Key_Up, 4},        {-1, Qt::Key_Down, 0},
      {-1, Qt::Key_Up, 0},       {7, Qt::Key_Return, 7},
  };
  for (const Case &c : cases) {
    TListFixture f(20, 8, c.from);
    EXPECT_TRUE(f.Viewer.KeyDown(c.key));
    EXPECT_EQ(f.ItemIndex, c.expected) << "from " << c.from << " key " << c.key;
    EXPECT_EQ(f.Viewer.HoverIndex(), c.expected);
    // The chosen row is scrolled into view.
    EXPECT_LE(f.Viewer.Offset(), std::max(0, c.expected));
    EXPECT_GT(f.Viewer.Offset() + 8, c.expected);
  }
  TListFixture f(20);
  EXPECT_FALSE(f.Viewer.KeyDown(Qt::Key_A));
  EXPECT_EQ(f.Chosen, 0);
}

TEST(ThmListViewer, WheelScrollsWholeRowsAndKeepsTheRemainder) {
  TListFixture f(20, 8, 12);
  EXPECT_EQ(f.Viewer.Offset(), 5);
  f.Viewer.Wheel(240);
  EXPECT_EQ(f.Viewer.Offset(), 3);
  f.Viewer.Wheel(-60);
  EXPECT_EQ(f.Viewer.Offset(), 3);
  f.Viewer.Wheel(-60);
  EXPECT_EQ(f.Viewer.Offset(), 4);
  EXPECT_EQ(f.Viewer.ScrollBar()->Position(), 4);
  f.Viewer.Wheel(1200);
  EXPECT_EQ(f.Viewer.Offset(), 0);
}

TEST(ThmListViewer, APressInTheScrollBarKeepsTheMenuOpen) {
  TListFixture f(20, 8, 4);
  EXPECT_TRUE(f.Viewer.MouseDown(QPoint(75, 127)));
  EXPECT_EQ(f.Viewer.Offset(), 1);
  EXPECT_EQ(f.Viewer.MouseUp(QPoint(75, 127)), TThmListViewerLogic::Release::ScrollBar);
  EXPECT_EQ(f.Chosen, 0);
  EXPECT_TRUE(f.Timers.Running.isEmpty());
}

TEST(ThmListViewer, TheChoiceReachesEveryViewer) {
  TListFixture f(20);
  TThmListViewerLogic second;
  TThmListMeasureInput input;
  input.Count = 20;
  input.TextHeight = 14;
  input.MaxVisibleItems = 4;
  second.Measure(input);
  second.Start(-1);
  f.List.AddViewer(&second);
  f.List.SetItemIndex(10);
  EXPECT_EQ(f.Chosen, 1);
  EXPECT_EQ(f.Viewer.HoverIndex(), 10);
  EXPECT_EQ(f.Viewer.Offset(), 3);
  EXPECT_EQ(second.Offset(), 7);
  f.List.MakeVisible(0);
  EXPECT_EQ(f.Viewer.Offset(), 0);
  EXPECT_EQ(second.Offset(), 0);
  f.List.RemoveViewer(&second);
  f.List.SetItemIndex(-5);
  EXPECT_EQ(f.List.ItemIndex(), -1);
  EXPECT_EQ(f.Viewer.HoverIndex(), -1);
  EXPECT_EQ(second.HoverIndex(), 10);
}
