#include "toolbars/core/tbdocklayout.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

using namespace qel::toolbars;

namespace {

// A window of a horizontal dock with a single grip: frame 4 + 6 along, 4 across.
TTbrDockMember W(int row, int pos, int length, int thickness = 22, TTbrShrinkMode shrink = tbsmNone,
                 int minimum = 0) {
  TTbrDockMember m;
  m.DockRow = row;
  m.DockPos = pos;
  m.BaseSize = QSize(length - 10, thickness);
  m.FrameSize = QSize(10, 4);
  m.ShrinkMode = shrink;
  m.MinimumLength = minimum;
  return m;
}
TTbrDockMember Chevron(int row, int pos, int length, int minimum) {
  return W(row, pos, length, 22, tbsmChevron, minimum);
}
TTbrDockMember Hidden(TTbrDockMember m) {
  m.Visible = false;
  return m;
}
TTbrDockMember Full(TTbrDockMember m) {
  m.FullSize = true;
  return m;
}
TTbrDockMember Stretched(TTbrDockMember m) {
  m.Stretch = true;
  return m;
}
TTbrDockMember NewRow(TTbrDockMember m) {
  m.NewRowBefore = true;
  return m;
}

// One word per member: "row@offset+length" for a shown one ("*" after a
// shrunk length), "row:hidden" for one not shown; then "|" and the
// dock's thickness.
QString Layout(const QList<TTbrDockMember> &members, const TTbrDockLayoutParams &params) {
  const TTbrDockLayoutResult r = ArrangeDockedWindows(members, params);
  QStringList words;
  for (int i = 0; i < members.size(); ++i) {
    const TTbrDockPlace &p = r.Places[i];
    if (!members[i].Visible) {
      words << QString("%1:hidden").arg(p.ArrangedRow);
      continue;
    }
    const int length = params.Vertical ? p.Bounds.height() : p.Bounds.width();
    QString w = QString("%1@%2+%3").arg(p.ArrangedRow).arg(p.ArrangedPos).arg(length);
    if (p.ShrunkLength)
      w += "*";
    words << w;
  }
  return words.join(' ') + QString(" | %1").arg(r.Thickness);
}

TTbrDockLayoutParams Dock(int available, bool oneRow = false) {
  TTbrDockLayoutParams p;
  p.AvailableLength = available;
  p.LimitToOneRow = oneRow;
  return p;
}

struct TCase {
  const char *Name;
  QList<TTbrDockMember> Members;
  TTbrDockLayoutParams Params;
  const char *Expected;
};

TEST(DockLayout, Table) {
  const QList<TCase> cases = {
      {"empty dock", {}, Dock(300), " | 0"},
      {"only member hidden: empty", {Hidden(W(0, 0, 50))}, Dock(300), "0:hidden | 0"},
      {"one window at its place", {W(0, 40, 50)}, Dock(300), "0@40+50 | 26"},
      {"two side by side with the gap kept", {W(0, 0, 50), W(0, 100, 50)}, Dock(300), "0@0+50 0@100+50 | 26"},
      {"overlapping places follow one another", {W(0, 0, 50), W(0, 20, 50)}, Dock(300), "0@0+50 0@50+50 | 26"},
      {"order by position, not by list", {W(0, 100, 50), W(0, 0, 50)}, Dock(300), "0@100+50 0@0+50 | 26"},
      {"gap taken back from the last when the row would overflow", {W(0, 0, 100), W(0, 250, 100)}, Dock(300),
       "0@0+100 0@200+100 | 26"},
      {"second wraps into a new row", {W(0, 0, 200), W(0, 0, 150)}, Dock(300), "0@0+200 1@0+150 | 52"},
      {"one row only: no wrap, nothing shrinks", {W(0, 0, 200), W(0, 0, 150)}, Dock(300, true),
       "0@0+200 0@200+150 | 26"},
      {"one row only: rows given up", {W(0, 0, 100), W(3, 0, 100)}, Dock(300, true), "0@0+100 0@100+100 | 26"},
      {"the thickest window sets the row", {W(0, 0, 50, 22), W(0, 50, 50, 40)}, Dock(300),
       "0@0+50 0@50+50 | 44"},
      {"full size alone in its row, the others below", {W(0, 0, 50), Full(W(0, 60, 80)), W(1, 0, 50)}, Dock(300),
       "1@0+50 0@0+300 2@0+50 | 78"},
      {"a new row before pushes the rest down", {W(0, 0, 50), NewRow(W(0, 60, 50))}, Dock(300),
       "1@0+50 0@60+50 | 52"},
      {"empty rows collapse", {W(2, 0, 50), W(5, 0, 50)}, Dock(300), "0@0+50 1@0+50 | 52"},
      {"a hidden window keeps its row", {W(0, 0, 50), Hidden(W(1, 0, 50)), W(2, 0, 50)}, Dock(300),
       "0@0+50 1:hidden 2@0+50 | 52"},
      {"a hidden window's row stays claimed in a shared row", {Hidden(W(0, 0, 50)), W(0, 60, 50)}, Dock(300),
       "0:hidden 0@60+50 | 26"},
      // 100 + 40 + 40 needed of 220: one row; 80 too long, the last chevron
      // gives 60 (to its minimum), the one before it 20; the wrap toolbar none.
      {"chevrons absorb the shortage last first, a wrap toolbar never",
       {W(0, 0, 100, 22, tbsmWrap, 30), Chevron(0, 100, 100, 40), Chevron(0, 200, 100, 40)}, Dock(220),
       "0@0+100 0@100+80* 0@180+40* | 26"},
      {"both chevrons down to their minimum",
       {W(0, 0, 100, 22, tbsmWrap, 30), Chevron(0, 100, 100, 40), Chevron(0, 200, 100, 40)}, Dock(180),
       "0@0+100 0@100+40* 0@140+40* | 26"},
      {"below the minimums the last wraps (keeping its place as far as it can)",
       {W(0, 0, 100, 22, tbsmWrap, 30), Chevron(0, 100, 100, 40), Chevron(0, 200, 100, 40)}, Dock(170),
       "0@0+100 0@100+70* 1@70+100 | 52"},
      // The chevron gives the 40 too many, down to 60; the wrap toolbar after
      // it, though the last, keeps its length.
      {"a wrap toolbar that shares its row never shrinks, even as the last",
       {Chevron(0, 0, 100, 40), W(0, 100, 100, 22, tbsmWrap, 30)}, Dock(160), "0@0+60* 0@60+100 | 26"},
      {"a wrap toolbar alone in its row shrinks", {W(0, 0, 200, 22, tbsmWrap, 40)}, Dock(120), "0@0+120* | 26"},
      {"a plain window never shrinks", {W(0, 0, 200)}, Dock(120), "0@0+200 | 26"},
      {"minimum above the full length counts as the full length", {Chevron(0, 0, 50, 80), W(0, 0, 50)}, Dock(90),
       "0@0+50 1@0+50 | 52"},
      // B asks for 60 but A ends at 100: A, a chevron, gives the 40 of the
      // overlap first, then 10 more for the rest of the excess.
      {"an overlap shrinks the chevron before it", {Chevron(0, 0, 100, 30), W(0, 60, 100)}, Dock(150),
       "0@0+50* 0@50+100 | 26"},
      {"a stretching window fills the rest of its row", {W(0, 0, 50), Stretched(W(0, 50, 50))}, Dock(300),
       "0@0+50 0@50+250 | 26"},
      {"a stretching window takes the gap after it", {Stretched(W(0, 0, 50)), W(0, 200, 50)}, Dock(300),
       "0@0+200 0@200+50 | 26"},
      {"a stretching window starts the row at 0", {Stretched(W(0, 80, 50))}, Dock(300), "0@0+300 | 26"},
      {"negative available length counts as none", {W(0, 0, 50), W(0, 0, 50)}, Dock(-20),
       "0@0+50 1@0+50 | 52"},
  };
  for (const TCase &c : cases)
    EXPECT_EQ(Layout(c.Members, c.Params), QString(c.Expected)) << c.Name;
}

TEST(DockLayout, VerticalDockTransposesBounds) {
  TTbrDockMember a = W(0, 0, 60), b = W(1, 10, 80);
  // A vertical dock's frame lies along the height.
  for (TTbrDockMember *m : {&a, &b}) {
    m->BaseSize = m->BaseSize.transposed();
    m->FrameSize = m->FrameSize.transposed();
  }
  TTbrDockLayoutParams p = Dock(400);
  p.Vertical = true;
  const TTbrDockLayoutResult r = ArrangeDockedWindows({a, b}, p);
  EXPECT_EQ(r.Places[0].Bounds, QRect(0, 0, 26, 60));
  EXPECT_EQ(r.Places[1].Bounds, QRect(26, 10, 26, 80));
  EXPECT_EQ(r.Thickness, 52);
}

TEST(DockLayout, ShrunkWrapToolbarTakesItsWrappedThickness) {
  TTbrDockLayoutParams p = Dock(120);
  int askedFor = -1;
  p.MeasureShrunk = [&](int member, int length) {
    askedFor = member;
    EXPECT_EQ(length, 120);
    return QSize(100, 44); // two lines
  };
  const TTbrDockLayoutResult r = ArrangeDockedWindows({W(0, 0, 20), W(1, 0, 200, 22, tbsmWrap, 40)}, p);
  EXPECT_EQ(askedFor, 1);
  EXPECT_EQ(r.Places[1].RowThickness, 44);
  EXPECT_EQ(r.Places[1].Bounds, QRect(0, 26, 120, 48));
  EXPECT_EQ(r.Thickness, 26 + 48);
}

TEST(DockLayout, CommitValuesAndOrder) {
  const TTbrDockLayoutResult r =
      ArrangeDockedWindows({W(1, 0, 50), Full(W(0, 30, 50)), W(0, 0, 50)}, Dock(300, false));
  EXPECT_EQ(r.Order, QList<int>({2, 1, 0}));
  EXPECT_EQ(r.DockRows, QList<int>({2, 0, 1}));
  EXPECT_EQ(r.DockPositions, QList<int>({0, 0, 0}));
}

TEST(DockLayout, DraggedWindowPushesTheOnesBeforeItBack) {
  // A and B sit apart; C, dragged to 100, overlaps B: B gives up its space
  // and the window after C keeps its place by taking it.
  QList<TTbrDockMember> members = {W(0, 0, 50), W(0, 100, 50), W(0, 100, 50), W(0, 250, 50)};
  TTbrDockLayoutParams p = Dock(400);
  p.Dragged = 2;
  EXPECT_EQ(Layout(members, p), QString("0@0+50 0@50+50 0@100+50 0@250+50 | 26"));
  p.Dragged = -1;
  EXPECT_EQ(Layout(members, p), QString("0@0+50 0@100+50 0@150+50 0@250+50 | 26"));
}

TEST(DockLayout, SplitDragInOverfullRow) {
  // Dragged B pushes into C; shrinking stops at the dragged window, so the
  // split is allowed and the chevron after it gives way instead.
  QList<TTbrDockMember> members = {W(0, 0, 50), Chevron(0, 50, 100, 30), Chevron(0, 120, 100, 30)};
  TTbrDockLayoutParams p = Dock(200);
  p.Dragged = 1;
  p.SplitDrag = true;
  const TTbrDockLayoutResult r = ArrangeDockedWindows(members, p);
  EXPECT_TRUE(r.SplitAllowed);
  EXPECT_EQ(r.Places[1].Bounds.width(), 100);
  EXPECT_EQ(r.Places[2].Bounds.width(), 50);
  p.Dragged = -1;
  EXPECT_FALSE(ArrangeDockedWindows(members, p).SplitAllowed);

  // Split, B keeps its place in the row order though its position has
  // passed C's; otherwise the positions decide.
  members[1].DockPos = 130;
  p.Dragged = 1;
  const TTbrDockLayoutResult split = ArrangeDockedWindows(members, p);
  EXPECT_LT(split.Places[1].ArrangedPos, split.Places[2].ArrangedPos);
  EXPECT_EQ(split.Order, QList<int>({0, 1, 2}));
  p.SplitDrag = false;
  const TTbrDockLayoutResult moved = ArrangeDockedWindows(members, p);
  EXPECT_GT(moved.Places[1].ArrangedPos, moved.Places[2].ArrangedPos);
  EXPECT_EQ(moved.Order, QList<int>({0, 2, 1}));
}

TEST(DockLayout, RowQuestions) {
  QList<TTbrDockMember> members = {W(0, 0, 50, 22), W(0, 60, 50, 30), Hidden(W(1, 0, 50)), Full(W(2, 0, 50, 18))};
  const TTbrDockLayoutResult r = ArrangeDockedWindows(members, Dock(300));
  EXPECT_EQ(RowSize(members, r.Places, 0, false).Thickness, 34);
  EXPECT_FALSE(RowSize(members, r.Places, 0, false).FullSize);
  EXPECT_EQ(RowSize(members, r.Places, 1, false).Thickness, 0);
  EXPECT_TRUE(RowSize(members, r.Places, 2, false).FullSize);
  EXPECT_EQ(RowSize(members, r.Places, -1, false).Thickness, 0);
  EXPECT_EQ(RowThicknessExcept(members, r.Places, 0, 1), 22);
  EXPECT_EQ(RowThicknessExcept(members, r.Places, 0, 0), 30);
  EXPECT_EQ(RowThicknessExcept(members, r.Places, 2, 3), 0);
  EXPECT_EQ(LastRowIndex(members, r.Places, true), 2);
  EXPECT_EQ(LastRowIndex({}, {}, true), -1);
  // Rows 0 (34 thick), 1 (empty, skipped), 2 (22 thick).
  EXPECT_EQ(RowAt(members, r.Places, 0, false), 0);
  EXPECT_EQ(RowAt(members, r.Places, 33, false), 0);
  EXPECT_EQ(RowAt(members, r.Places, 34, false), 2);
  EXPECT_EQ(RowAt(members, r.Places, 56, false), 3);
}

TEST(DockLayout, DockThicknessAndGrowthDirection) {
  TTbrDockLayoutResult empty = ArrangeDockedWindows({Hidden(W(0, 0, 50))}, Dock(300));
  EXPECT_EQ(DockThickness(empty, 2, false), 0);
  EXPECT_EQ(DockThickness(empty, 2, true), 1);
  TTbrDockLayoutResult two = ArrangeDockedWindows({W(0, 0, 200), W(0, 0, 200)}, Dock(300));
  EXPECT_EQ(DockThickness(two, 2, false), 54);

  const QRect bottom(0, 500, 640, 26), right(600, 30, 40, 400);
  EXPECT_EQ(DockGeometry(dpBottom, bottom, 52), QRect(0, 474, 640, 52));
  EXPECT_EQ(DockGeometry(dpRight, right, 52), QRect(588, 30, 52, 400));
  EXPECT_EQ(DockGeometry(dpTop, QRect(0, 0, 640, 26), 52), QRect(0, 0, 640, 52));
  EXPECT_EQ(DockGeometry(dpLeft, QRect(0, 30, 26, 400), 52), QRect(0, 30, 52, 400));
}

} // namespace
