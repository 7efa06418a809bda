#include "toolbars/core/tbdragloop.h"

#include <algorithm>
#include <cstdlib>

namespace qel::toolbars {

namespace {

// How far the pointer may lie outside a dock and still dock there, on the
// side the grab point is on.
constexpr int DockTolerance = 25;
// A dock is hit a little beyond its edges.
constexpr int DockInflate = 3;
// Pointer travel along the dock that turns a drag within its own shared
// row into sharing the row out anew.
constexpr int SplitThreshold = 9;

// a * b / c rounded to the nearest, halves away from zero; 0 for c = 0 (a
// window one pixel wide has no grab point to scale).
int MulDiv(int a, int b, int c) {
  if (c == 0)
    return 0;
  const long long n = static_cast<long long>(a) * b;
  const long long q = (std::llabs(n) * 2 + std::llabs(c)) / (2 * std::llabs(static_cast<long long>(c)));
  return static_cast<int>((n < 0) != (c < 0) ? -q : q);
}

// Right and bottom one past the last pixel.
int RightEx(const QRect &r) { return r.left() + r.width(); }
int BottomEx(const QRect &r) { return r.top() + r.height(); }

void Walk(const TTbrDockTreeNode &node, QList<int> &out) {
  static constexpr TTbrDockPosition Order[] = {dpTop, dpBottom, dpLeft, dpRight};
  QList<const TTbrDockTreeNode *> visit;
  for (TTbrDockPosition position : Order)
    for (const TTbrDockTreeNode &child : node.Children)
      if (child.Dock >= 0 && child.Position == position)
        visit.append(&child);
  for (const TTbrDockTreeNode &child : node.Children)
    if (child.Dock < 0)
      visit.append(&child);
  for (const TTbrDockTreeNode *child : visit) {
    if (child->ContainsWindow || !child->Showing)
      continue;
    Walk(*child, out);
  }
  if (node.Dock >= 0 && node.Accepts && !out.contains(node.Dock))
    out.append(node.Dock);
}

} // namespace

QList<int> DragTargetRows(const QList<TTbrDockMember> &members, const QList<TTbrDockPlace> &places, bool vertical) {
  QList<int> rows;
  const int last = LastRowIndex(members, places, true);
  for (int row = 0; row <= last; ++row) {
    const TTbrRowSize size = RowSize(members, places, row, vertical);
    rows.append((std::clamp(size.Thickness, 0, RowThicknessMask)) | (size.FullSize ? RowFull : 0));
  }
  return rows;
}

QList<int> CandidateDocks(int currentDock, bool currentAccepts, TTbrDockMode mode,
                          const QList<TTbrDockTreeNode> &forms) {
  QList<int> out;
  if (mode == dmCannotFloatOrChangeDocks) {
    if (currentDock >= 0)
      out.append(currentDock);
    return out;
  }
  if (currentDock >= 0 && currentAccepts)
    out.append(currentDock);
  for (const TTbrDockTreeNode &form : forms)
    Walk(form, out);
  return out;
}

TTbrDragLoop::TTbrDragLoop(TTbrDragSetup setup, TTbrDragLoopHost &host) : S(std::move(setup)), H(host) {
  FGrab = S.PressPoint - S.OuterRect.topLeft();
  FOuter1 = QSize(S.OuterRect.width() - 1, S.OuterRect.height() - 1);
  FCursor = S.PressPoint;
  FSplitAllowed = S.StartDock >= 0 && S.SplitAllowed;
  FCurrentDock = S.StartDock;
  FRow = S.StartRow;
  FPos = S.StartPos;
}

bool TTbrDragLoop::HitTest(const TTbrDragTarget &target, const QPoint &cursor, const QPoint &grab,
                           const QSize &outer1) {
  const QRect r = target.ScreenRect.adjusted(-DockInflate, -DockInflate, DockInflate, DockInflate);
  const int gx = MulDiv(DockTolerance, grab.x(), outer1.width());
  const int gy = MulDiv(DockTolerance, grab.y(), outer1.height());
  if (cursor.x() < r.left() + gx - DockTolerance || cursor.x() >= RightEx(r) + gx)
    return false;
  if (target.Vertical && (cursor.y() < r.top() || cursor.y() >= BottomEx(r)))
    return false;
  if (cursor.y() < r.top() + gy - DockTolerance || cursor.y() >= BottomEx(r) + gy)
    return false;
  const QSize &size = target.WindowSize;
  const QRect placed(cursor.x() - MulDiv(grab.x(), size.width() - 1, outer1.width()),
                     cursor.y() - MulDiv(grab.y(), size.height() - 1, outer1.height()), size.width(),
                     size.height());
  return placed.intersects(r);
}

TTbrDragLoop::RowChoice TTbrDragLoop::ChooseRow(const QList<int> &rows, int centre, bool fullSize) {
  int sum = 0;
  for (int i = 0; i < rows.size(); ++i) {
    const int thickness = rows[i] & RowThicknessMask;
    if (thickness == 0)
      continue;
    const bool full = fullSize || (rows[i] & RowFull) != 0;
    const int d = full ? thickness / 2 : thickness / 4;
    if (centre < sum + d)
      return {i, true};
    sum += thickness;
    if (!full && centre < sum - d)
      return {i, false};
  }
  return {int(rows.size()), false};
}

QRect TTbrDragLoop::PlaceAt(const QSize &size, const QPoint &cursor) const {
  return QRect(cursor.x() - MulDiv(FGrab.x(), size.width() - 1, FOuter1.width()),
               cursor.y() - MulDiv(FGrab.y(), size.height() - 1, FOuter1.height()), size.width(), size.height());
}

QRect TTbrDragLoop::KeepReachable(QRect rect, const QRect &workArea) const {
  const QRect inner = workArea.adjusted(S.FloatFrameWidth + 4, S.FloatFrameHeight + 4, -(S.FloatFrameWidth + 4),
                                        -(S.FloatFrameHeight + 4));
  if (RightEx(rect) <= inner.left())
    rect.moveLeft(inner.left() - rect.width() + 1);
  else if (rect.left() >= RightEx(inner))
    rect.moveLeft(RightEx(inner) - 1);
  if (BottomEx(rect) <= inner.top())
    rect.moveTop(inner.top() - rect.height() + 1);
  else if (rect.top() >= BottomEx(inner))
    rect.moveTop(BottomEx(inner) - 1);
  const int minTop = workArea.top() - (S.FloatFrameHeight + S.CaptionHeight) + 4;
  if (rect.top() < minTop)
    rect.moveTop(minTop);
  return rect;
}

void TTbrDragLoop::Start(bool ctrlDown) {
  FCtrl = ctrlDown;
  FFirst = true;
  Evaluate();
  FFirst = false;
}

void TTbrDragLoop::Evaluate() {
  QPoint cursor = FCursor;
  int target = -1;
  auto indexOf = [&](int dock) {
    for (int i = 0; i < S.Targets.size(); ++i)
      if (S.Targets[i].Dock == dock)
        return i;
    return -1;
  };
  if (FSplitDrag) {
    target = indexOf(FCurrentDock);
  } else if (!FCtrl && !(FFirst && S.StartDock < 0)) {
    for (int i = 0; i < S.Targets.size() && target < 0; ++i)
      if (HitTest(S.Targets[i], cursor, FGrab, FOuter1) && H.RequestDock(S.Targets[i].Dock))
        target = i;
  }
  if (target < 0) {
    const QRect work = H.WorkAreaAt(cursor);
    if (!work.isEmpty())
      cursor = QPoint(std::clamp(cursor.x(), work.left(), work.right()),
                      std::clamp(cursor.y(), work.top(), work.bottom()));
  }

  FTarget = target;
  TTbrDragCursor shape = TTbrDragCursor::Saved;
  if (target >= 0) {
    FRect = PlaceAt(S.Targets[target].WindowSize, cursor);
    if (FSplitDrag)
      shape = S.Targets[target].Vertical ? TTbrDragCursor::SizeNS : TTbrDragCursor::SizeWE;
  } else if (S.Mode == dmCanFloat) {
    FRect = KeepReachable(PlaceAt(S.FloatingSize, cursor), H.WorkAreaAt(cursor));
  } else {
    FRect = QRect();
    shape = TTbrDragCursor::NoEntry;
  }
  H.SetCursor(shape);
  if (S.LiveDragging) {
    if (!FRect.isEmpty())
      Apply(true);
  } else {
    H.ShowOutline(FRect, target >= 0 ? 1 : S.FloatFrameWidth);
  }
}

TTbrDockDrop TTbrDragLoop::DockDrop(bool live) {
  const TTbrDragTarget &t = S.Targets[FTarget];
  TTbrDockDrop drop;
  drop.Dock = t.Dock;
  if (FSplitDrag) {
    drop.Row = FRow;
  } else {
    const int centre = t.Vertical ? FRect.left() + FRect.width() / 2 - t.ScreenRect.left()
                                  : FRect.top() + FRect.height() / 2 - t.ScreenRect.top();
    const RowChoice choice = ChooseRow(t.Rows, centre, S.FullSize);
    drop.Row = choice.Row;
    drop.NewRowBefore = choice.Inserted;
  }
  if (FSplitAllowed) {
    if (t.Dock == S.StartDock && drop.Row == S.StartRow && !drop.NewRowBefore) {
      const int travel = t.Vertical ? FCursor.y() - S.PressPoint.y() : FCursor.x() - S.PressPoint.x();
      if (std::abs(travel) > SplitThreshold)
        FSplitDrag = true;
    } else {
      FSplitAllowed = false;
    }
  }
  drop.SplitDrag = FSplitDrag;
  drop.Pos = t.Vertical ? FRect.top() - t.ScreenRect.top() : FRect.left() - t.ScreenRect.left();
  drop.CommitPositions = !live;
  return drop;
}

void TTbrDragLoop::Apply(bool live) {
  if (FTarget >= 0) {
    const bool wasSplit = FSplitDrag;
    const TTbrDockDrop drop = DockDrop(live);
    FCurrentDock = drop.Dock;
    FRow = drop.Row;
    FPos = drop.Pos;
    H.ApplyDock(drop);
    if (FSplitDrag && !wasSplit)
      H.SetCursor(S.Targets[FTarget].Vertical ? TTbrDragCursor::SizeNS : TTbrDragCursor::SizeWE);
  } else {
    FCurrentDock = -1;
    H.ApplyFloat(FRect.topLeft());
  }
}

void TTbrDragLoop::Finish(bool drop) {
  FEnded = true;
  if (!S.LiveDragging)
    H.ShowOutline(QRect(), 0);
  FEnd.Dropped = drop;
  if (drop && !FRect.isEmpty())
    Apply(false);
  FEnd.Dock = FCurrentDock;
  FEnd.LastDock = S.UseLastDock ? FCurrentDock : -1;
  FEnd.RestoreRowPos = FCurrentDock < 0;
  FEnd.DockRow = FEnd.RestoreRowPos ? S.StartRow : FRow;
  FEnd.DockPos = FEnd.RestoreRowPos ? S.StartPos : FPos;
}

bool TTbrDragLoop::Feed(const TTbrDragEvent &event) {
  if (FEnded)
    return false;
  using K = TTbrDragEvent::Kind;
  switch (event.kind) {
  case K::Move:
    if (event.pos != FCursor) {
      FCursor = event.pos;
      Evaluate();
    }
    break;
  case K::CtrlDown:
  case K::CtrlUp:
    FCtrl = event.kind == K::CtrlDown;
    Evaluate();
    break;
  case K::Escape:
  case K::LeftPress:
  case K::CaptureLost:
    Finish(false);
    break;
  case K::LeftRelease:
    Finish(true);
    break;
  case K::OtherKey:
  case K::OtherButton:
    break;
  }
  return !FEnded;
}

} // namespace qel::toolbars
