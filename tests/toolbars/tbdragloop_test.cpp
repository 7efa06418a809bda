#include "toolbars/core/tbdragloop.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace qel::toolbars;

namespace {

// Records what the loop asks of the desktop.
class Host : public TTbrDragLoopHost {
public:
  QRect Work = QRect(0, 0, 1024, 768);
  QList<int> Refused; // docks whose OnRequestDock says no
  TTbrDragCursor Cursor = TTbrDragCursor::Saved;
  QRect Outline;
  int OutlineThickness = 0;
  QList<TTbrDockDrop> Docked;
  QList<QPoint> Floated;
  QStringList Asked;

  bool RequestDock(int dock) override {
    Asked << QString::number(dock);
    return !Refused.contains(dock);
  }
  QRect WorkAreaAt(const QPoint &) override { return Work; }
  void SetCursor(TTbrDragCursor cursor) override { Cursor = cursor; }
  void ShowOutline(const QRect &rect, int thickness) override {
    Outline = rect;
    OutlineThickness = thickness;
  }
  void ApplyDock(const TTbrDockDrop &drop) override { Docked << drop; }
  void ApplyFloat(const QPoint &pos) override { Floated << pos; }
};

// A form 1024 wide: a top dock (id 1) of two 26-pixel rows at y 0..51, a
// left dock (id 2) below it, 30 wide, from y 52 to 500. The window is a
// 101 x 26 toolbar docked in the top dock's row 0 at x 10, grabbed at its
// left edge, half-way down.
TTbrDragSetup TopAndLeftDocks() {
  TTbrDragSetup s;
  s.OuterRect = QRect(10, 0, 101, 26);
  s.PressPoint = QPoint(10, 13);
  s.StartDock = 1;
  s.StartRow = 0;
  s.StartPos = 10;
  s.FloatingSize = QSize(95, 40);
  s.FloatFrameWidth = 3;
  s.FloatFrameHeight = 3;
  s.CaptionHeight = 14;
  TTbrDragTarget top;
  top.Dock = 1;
  top.ScreenRect = QRect(0, 0, 1024, 52);
  top.WindowSize = QSize(101, 26);
  top.Rows = {26, 26};
  TTbrDragTarget left;
  left.Dock = 2;
  left.Vertical = true;
  left.ScreenRect = QRect(0, 52, 30, 448);
  left.WindowSize = QSize(26, 101);
  left.Rows = {26};
  s.Targets = {top, left};
  return s;
}

TTbrDragEvent Move(int x, int y) { return {TTbrDragEvent::Kind::Move, QPoint(x, y)}; }
TTbrDragEvent Ev(TTbrDragEvent::Kind kind) { return {kind, QPoint()}; }
using K = TTbrDragEvent::Kind;

// Where a drag to `to` and a release leave the window: "dock:row@pos" with
// "+new" for a row inserted before, "split" for a split drag, "float@x,y",
// or "stay" when nothing was applied.
QString DropAt(TTbrDragSetup s, QPoint to, bool ctrl = false, Host *seen = nullptr) {
  Host local;
  Host &h = seen ? *seen : local;
  TTbrDragLoop loop(std::move(s), h);
  loop.Start(ctrl);
  loop.Feed(Move(to.x(), to.y()));
  loop.Feed(Ev(K::LeftRelease));
  if (!h.Docked.isEmpty()) {
    const TTbrDockDrop &d = h.Docked.last();
    return QString("%1:%2@%3%4%5")
        .arg(d.Dock)
        .arg(d.Row)
        .arg(d.Pos)
        .arg(d.NewRowBefore ? "+new" : "")
        .arg(d.SplitDrag ? " split" : "");
  }
  if (!h.Floated.isEmpty())
    return QString("float@%1,%2").arg(h.Floated.last().x()).arg(h.Floated.last().y());
  return "stay";
}

} // namespace

TEST(DragLoopHitTest, TolerancesFollowTheGrabPoint) {
  TTbrDragTarget dock;
  dock.ScreenRect = QRect(100, 100, 200, 30); // inflated: 97..302 x 97..132
  dock.WindowSize = QSize(51, 41);
  const QSize outer1(50, 40);
  struct Case {
    QPoint grab, cursor;
    bool hit;
  } cases[] = {
      // Grabbed at the top left: up to 25 pixels before the dock, none after it.
      {{0, 0}, {72, 110}, true},
      {{0, 0}, {71, 110}, false},
      {{0, 0}, {302, 110}, true},
      {{0, 0}, {303, 110}, false},
      {{0, 0}, {150, 72}, true},
      {{0, 0}, {150, 71}, false},
      {{0, 0}, {150, 132}, true},
      {{0, 0}, {150, 133}, false},
      // Grabbed at the bottom right: none before, up to 25 after.
      {{50, 40}, {96, 110}, false},
      {{50, 40}, {97, 110}, true},
      {{50, 40}, {327, 110}, true},
      {{50, 40}, {328, 110}, false},
      {{50, 40}, {150, 157}, true},
      {{50, 40}, {150, 158}, false},
      // Grabbed in the middle: about half the tolerance on each side (25 *
      // 25 / 50 rounds to 13, 25 * 20 / 40 as well).
      {{25, 20}, {85, 110}, true},
      {{25, 20}, {84, 110}, false},
      {{25, 20}, {315, 110}, true},
      {{25, 20}, {316, 110}, false},
  };
  for (const Case &c : cases)
    EXPECT_EQ(TTbrDragLoop::HitTest(dock, c.cursor, c.grab, outer1), c.hit)
        << "grab " << c.grab.x() << "," << c.grab.y() << " cursor " << c.cursor.x() << "," << c.cursor.y();

  // A vertical dock takes no tolerance above or below it.
  dock.Vertical = true;
  EXPECT_TRUE(TTbrDragLoop::HitTest(dock, {150, 97}, {0, 0}, outer1));
  EXPECT_FALSE(TTbrDragLoop::HitTest(dock, {150, 96}, {0, 0}, outer1));
  EXPECT_FALSE(TTbrDragLoop::HitTest(dock, {150, 140}, {50, 40}, outer1));
  dock.Vertical = false;

  // Within the tolerance, but the window placed there would not touch the dock.
  dock.WindowSize = QSize(51, 11);
  EXPECT_FALSE(TTbrDragLoop::HitTest(dock, {150, 72}, {0, 0}, outer1));
  EXPECT_TRUE(TTbrDragLoop::HitTest(dock, {150, 87}, {0, 0}, outer1));
  dock.WindowSize = QSize(51, 41);

  // A window one pixel wide has no grab point to scale: it counts as
  // grabbed at its leading edge, without a division by zero.
  EXPECT_TRUE(TTbrDragLoop::HitTest(dock, {72, 110}, {0, 0}, QSize(0, 0)));
  EXPECT_FALSE(TTbrDragLoop::HitTest(dock, {71, 110}, {0, 0}, QSize(0, 0)));
}

TEST(DragLoopRowTest, QuartersInsertOrJoinHalvesWithFullSize) {
  struct Case {
    QList<int> rows;
    int centre;
    bool fullSize;
    int row;
    bool inserted;
  } cases[] = {
      // Rows of 24: a quarter is 6.
      {{24, 24}, 0, false, 0, true},
      {{24, 24}, 5, false, 0, true},
      {{24, 24}, 6, false, 0, false},
      {{24, 24}, 17, false, 0, false},
      {{24, 24}, 18, false, 1, true}, // the last quarter of row 0 inserts before row 1
      {{24, 24}, 24, false, 1, true},
      {{24, 24}, 29, false, 1, true},
      {{24, 24}, 30, false, 1, false},
      {{24, 24}, 42, false, 2, false}, // past the last row: a new row at the end
      {{24, 24}, 500, false, 2, false},
      // The window is FullSize: it never joins a row; the first half
      // inserts before the row, the second before the next one.
      {{24, 24}, 11, true, 0, true},
      {{24, 24}, 12, true, 1, true},
      {{24, 24}, 35, true, 1, true},
      {{24, 24}, 36, true, 2, false},
      // A row holding a FullSize window is halved as well.
      {{24 | RowFull, 24}, 11, false, 0, true},
      {{24 | RowFull, 24}, 12, false, 1, true},
      {{24 | RowFull, 24}, 30, false, 1, false},
      // Empty rows are skipped.
      {{0, 24}, 3, false, 1, true},
      {{0, 24}, 10, false, 1, false},
      {{}, 10, false, 0, false},
  };
  for (const Case &c : cases) {
    const TTbrDragLoop::RowChoice r = TTbrDragLoop::ChooseRow(c.rows, c.centre, c.fullSize);
    EXPECT_EQ(r.Row, c.row) << "centre " << c.centre << (c.fullSize ? " full" : "");
    EXPECT_EQ(r.Inserted, c.inserted) << "centre " << c.centre << (c.fullSize ? " full" : "");
  }
}

TEST(DragLoopRowTest, TargetRowsComeFromTheDockLayout) {
  auto member = [](int row, int thickness, bool full = false) {
    TTbrDockMember m;
    m.DockRow = row;
    m.BaseSize = QSize(50, thickness);
    m.FrameSize = QSize(10, 4);
    m.FullSize = full;
    return m;
  };
  const QList<TTbrDockMember> members = {member(0, 22), member(0, 18), member(2, 30, true)};
  TTbrDockLayoutParams params;
  params.AvailableLength = 400;
  const TTbrDockLayoutResult layout = ArrangeDockedWindows(members, params);
  // Row 1 is claimed by nobody and goes; the full-size window's row is flagged.
  EXPECT_EQ(DragTargetRows(members, layout.Places, false), (QList<int>{26, 34 | RowFull}));
}

TEST(DragLoopDecisions, WhereAReleaseLeavesTheWindow) {
  struct Case {
    const char *what;
    QPoint to;
    QString result;
  } cases[] = {
      {"the second row of the same dock", {200, 39}, "1:1@200"},
      {"the top quarter of the first row", {200, 3}, "1:0@200+new"},
      {"past the last row, within the tolerance", {200, 60}, "1:2@200"},
      {"the left dock turns the window upright", {2, 150}, "2:0@46"},
      {"the right half of the left dock's row: a row after it", {15, 150}, "2:1@46"},
      {"away from every dock", {500, 400}, "float@500,380"},
      {"off the work area: the pointer is kept inside", {2000, 400}, "float@1016,380"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(DropAt(TopAndLeftDocks(), c.to), c.result) << c.what;
}

TEST(DragLoopDecisions, FloatingRectangleStaysReachable) {
  TTbrDragSetup s = TopAndLeftDocks();
  // Grabbed at the right edge of the floating size: the window would lie
  // wholly left of the work area.
  s.OuterRect = QRect(0, 0, 96, 41);
  s.PressPoint = QPoint(95, 40);
  s.Targets.clear();
  Host h;
  h.Work = QRect(100, 100, 800, 600);
  EXPECT_EQ(DropAt(s, {100, 300}, false, &h), "float@13,261"); // right edge 1 past 100 + 3 + 4
  // Its top never goes more than caption and frame above the work area.
  s.PressPoint = QPoint(0, 0);
  EXPECT_EQ(DropAt(s, {300, 100}, false, &h), "float@300,100");
  s.PressPoint = QPoint(10, 40);
  h.Floated.clear();
  EXPECT_EQ(DropAt(s, {300, 100}, false, &h), "float@290,87"); // 100 - (3 + 14) + 4
}

TEST(DragLoopDecisions, CannotFloatShowsNoEntryAndNothingMoves) {
  for (bool live : {false, true}) {
    TTbrDragSetup s = TopAndLeftDocks();
    s.Mode = dmCannotFloat;
    s.LiveDragging = live;
    Host h;
    TTbrDragLoop loop(s, h);
    loop.Start(false);
    h.Docked.clear();
    loop.Feed(Move(500, 400));
    EXPECT_EQ(h.Cursor, TTbrDragCursor::NoEntry);
    EXPECT_TRUE(loop.Rect().isEmpty());
    loop.Feed(Ev(K::LeftRelease));
    EXPECT_TRUE(h.Docked.isEmpty()) << live;
    EXPECT_TRUE(h.Floated.isEmpty()) << live;
    EXPECT_EQ(loop.End().Dock, 1);
    EXPECT_FALSE(loop.End().RestoreRowPos);
  }
}

TEST(DragLoopDecisions, CannotChangeDocksKeepsToItsOwnDock) {
  const QList<TTbrDockTreeNode> none;
  EXPECT_EQ(CandidateDocks(1, false, dmCannotFloatOrChangeDocks, none), QList<int>{1});
  TTbrDragSetup s = TopAndLeftDocks();
  s.Mode = dmCannotFloatOrChangeDocks;
  s.Targets.removeLast(); // the candidates the driver hands in
  EXPECT_EQ(DropAt(s, {15, 150}), "stay");
  EXPECT_EQ(DropAt(s, {200, 39}), "1:1@200");
}

TEST(DragLoopDecisions, OnRequestDockPassesToTheNextCandidate) {
  TTbrDragSetup s = TopAndLeftDocks();
  // A second dock over the same place as the first.
  TTbrDragTarget other = s.Targets[0];
  other.Dock = 7;
  s.Targets.append(other);
  Host h;
  h.Refused = {1};
  EXPECT_EQ(DropAt(s, {200, 39}, false, &h), "7:1@200");
  Host all;
  all.Refused = {1, 7};
  EXPECT_EQ(DropAt(s, {200, 39}, false, &all), "float@200,19");
}

TEST(DragLoopDecisions, CtrlSuppressesDockingUntilReleased) {
  Host h;
  TTbrDragLoop loop(TopAndLeftDocks(), h);
  loop.Start(true);
  loop.Feed(Move(200, 39));
  EXPECT_EQ(loop.Target(), -1);
  EXPECT_EQ(h.OutlineThickness, 3); // the floating frame
  loop.Feed(Ev(K::CtrlUp)); // docks again without a move
  EXPECT_EQ(loop.Target(), 0);
  EXPECT_EQ(h.OutlineThickness, 1);
  loop.Feed(Ev(K::CtrlDown));
  EXPECT_EQ(loop.Target(), -1);
  loop.Feed(Ev(K::LeftRelease));
  EXPECT_EQ(h.Floated, QList<QPoint>{QPoint(200, 19)});
  EXPECT_TRUE(h.Outline.isEmpty()); // erased
}

TEST(DragLoopDecisions, EndingWithoutADrop) {
  for (K end : {K::Escape, K::LeftPress, K::CaptureLost}) {
    Host h;
    TTbrDragLoop loop(TopAndLeftDocks(), h);
    loop.Start(false);
    loop.Feed(Move(500, 400));
    EXPECT_TRUE(loop.Feed(Ev(K::OtherKey)));
    EXPECT_TRUE(loop.Feed(Ev(K::OtherButton)));
    EXPECT_FALSE(loop.Feed(Ev(end)));
    EXPECT_TRUE(h.Floated.isEmpty());
    EXPECT_TRUE(h.Docked.isEmpty());
    EXPECT_TRUE(h.Outline.isEmpty());
    EXPECT_FALSE(loop.End().Dropped);
    EXPECT_EQ(loop.End().Dock, 1);
    EXPECT_EQ(loop.End().LastDock, 1);
    EXPECT_FALSE(loop.Feed(Ev(K::LeftRelease))); // nothing after the end
  }
  // Live: the window stays where the last move put it.
  TTbrDragSetup s = TopAndLeftDocks();
  s.LiveDragging = true;
  Host h;
  TTbrDragLoop loop(s, h);
  loop.Start(false);
  loop.Feed(Move(500, 400));
  loop.Feed(Ev(K::Escape));
  EXPECT_EQ(h.Floated.size(), 1);
  EXPECT_EQ(loop.End().Dock, -1);
  EXPECT_TRUE(h.Outline.isNull());
}

TEST(DragLoopDecisions, EndingFloatingGivesBackTheStartRowAndPlace) {
  TTbrDragSetup s = TopAndLeftDocks();
  s.LiveDragging = true;
  s.StartRow = 1;
  s.StartPos = 300;
  Host h;
  TTbrDragLoop loop(s, h);
  loop.Start(false);
  loop.Feed(Move(200, 3)); // live into a new first row: row and place change ...
  EXPECT_EQ(h.Docked.last(), (TTbrDockDrop{1, 0, 200, true, false, false}));
  loop.Feed(Move(500, 400)); // ... then away
  loop.Feed(Ev(K::LeftRelease));
  const TTbrDragEnd &end = loop.End();
  EXPECT_TRUE(end.Dropped);
  EXPECT_EQ(end.Dock, -1);
  EXPECT_EQ(end.LastDock, -1);
  EXPECT_TRUE(end.RestoreRowPos);
  EXPECT_EQ(end.DockRow, 1);
  EXPECT_EQ(end.DockPos, 300);
}

TEST(DragLoopDecisions, LastDockIsTheDockDroppedInto) {
  TTbrDragSetup s = TopAndLeftDocks();
  Host h;
  TTbrDragLoop loop(s, h);
  loop.Start(false);
  loop.Feed(Move(2, 150));
  loop.Feed(Ev(K::LeftRelease));
  EXPECT_EQ(loop.End().Dock, 2);
  EXPECT_EQ(loop.End().LastDock, 2);
  EXPECT_EQ(loop.End().DockRow, 0);
  EXPECT_EQ(h.Docked.last().CommitPositions, true);

  s.UseLastDock = false;
  TTbrDragLoop without(s, h);
  without.Start(false);
  without.Feed(Move(15, 150));
  without.Feed(Ev(K::LeftRelease));
  EXPECT_EQ(without.End().LastDock, -1);
}

TEST(DragLoopDecisions, FloatingWindowDoesNotDockOnTheFirstEvaluation) {
  TTbrDragSetup s = TopAndLeftDocks();
  s.StartDock = -1;
  s.OuterRect = QRect(150, 10, 96, 41);
  s.PressPoint = QPoint(160, 20);
  s.LiveDragging = true;
  Host h;
  TTbrDragLoop loop(s, h);
  loop.Start(false); // over the top dock, but it stays floating
  EXPECT_EQ(loop.Target(), -1);
  EXPECT_TRUE(h.Docked.isEmpty());
  loop.Feed(Move(161, 20));
  EXPECT_EQ(loop.Target(), 0);
  loop.Feed(Move(161, 20)); // no change, no evaluation
  EXPECT_EQ(h.Docked.size(), 1);
}

TEST(DragLoopSplit, TravelAlongTheSharedRowSplits) {
  struct Case {
    const char *what;
    QList<QPoint> moves;
    bool splitAllowed;
    QString result;
  } cases[] = {
      {"9 pixels is not yet a split", {{19, 13}}, true, "1:0@19"},
      {"10 pixels is", {{20, 13}}, true, "1:0@20 split"},
      {"backwards as well", {{0, 13}}, true, "1:0@0 split"},
      {"not when the row is not over-full", {{40, 13}}, false, "1:0@40"},
      {"another row forbids it for the rest of the drag", {{10, 39}, {40, 13}}, true, "1:0@40"},
      {"so does inserting a row", {{10, 3}, {40, 13}}, true, "1:0@40"},
      {"once split, the row stays whatever the pointer crosses", {{40, 13}, {60, 39}}, true, "1:0@60 split"},
  };
  for (const Case &c : cases) {
    TTbrDragSetup s = TopAndLeftDocks();
    s.LiveDragging = true;
    s.SplitAllowed = c.splitAllowed;
    Host h;
    TTbrDragLoop loop(s, h);
    loop.Start(false);
    for (const QPoint &p : c.moves)
      loop.Feed(Move(p.x(), p.y()));
    loop.Feed(Ev(K::LeftRelease));
    const TTbrDockDrop &d = h.Docked.last();
    const QString got = QString("%1:%2@%3%4").arg(d.Dock).arg(d.Row).arg(d.Pos).arg(d.SplitDrag ? " split" : "");
    EXPECT_EQ(got, c.result) << c.what;
  }
}

TEST(DragLoopSplit, SplitDragKeepsTheDockAndShowsASizeCursor) {
  TTbrDragSetup s = TopAndLeftDocks();
  s.LiveDragging = true;
  s.SplitAllowed = true;
  Host h;
  TTbrDragLoop loop(s, h);
  loop.Start(false);
  loop.Feed(Move(40, 13));
  EXPECT_TRUE(loop.SplitDrag());
  EXPECT_EQ(h.Cursor, TTbrDragCursor::SizeWE);
  loop.Feed(Move(500, 400)); // far off every dock: still in the dock
  EXPECT_EQ(loop.Target(), 0);
  EXPECT_EQ(h.Cursor, TTbrDragCursor::SizeWE);
  EXPECT_TRUE(h.Floated.isEmpty());
}

TEST(DragLoopCandidates, DocksInWalkOrder) {
  auto dock = [](int id, TTbrDockPosition position, bool accepts = true) {
    TTbrDockTreeNode n;
    n.Dock = id;
    n.Position = position;
    n.Accepts = accepts;
    return n;
  };
  TTbrDockTreeNode panel; // a control with a dock of its own inside
  panel.Children = {dock(20, dpTop)};
  TTbrDockTreeNode hidden;
  hidden.Showing = false;
  hidden.Children = {dock(30, dpTop)};
  TTbrDockTreeNode form;
  form.Children = {panel, dock(4, dpRight), dock(3, dpLeft), dock(2, dpBottom), dock(1, dpTop), hidden,
                   dock(5, dpTop, false)};
  TTbrDockTreeNode nested = dock(6, dpBottom);
  nested.Children = {dock(60, dpLeft)};
  TTbrDockTreeNode second;
  second.Children = {nested};
  // Sibling docks by position, other controls after them; a dock after its
  // own children; the current dock first and only once.
  EXPECT_EQ(CandidateDocks(2, true, dmCanFloat, {form, second}), (QList<int>{2, 1, 3, 4, 20, 60, 6}));
  // The current dock comes first only when it accepts the window.
  EXPECT_EQ(CandidateDocks(5, false, dmCannotFloat, {form}), (QList<int>{1, 2, 3, 4, 20}));
  // The control that holds the window is not walked.
  form.Children[0].ContainsWindow = true;
  EXPECT_EQ(CandidateDocks(-1, false, dmCanFloat, {form}), (QList<int>{1, 2, 3, 4}));
}
