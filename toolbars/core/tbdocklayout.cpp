#include "toolbars/core/tbdocklayout.h"

#include <algorithm>

namespace qel::toolbars {

namespace {

// The dock's frame across each row of windows.
constexpr int RowFrame = 4;

// A member's working state during one pass.
struct TWork {
  int Member = 0;
  int Row = -1;    // its row when shown, else -1
  int Claimed = 0; // the row it keeps, shown or not
  int Lead = 0;
  int Full = 0, Min = 0, Cur = 0;
  int Overlap = 0;
  int Offset = 0;
};

int Along(const QSize &size, bool vertical) { return vertical ? size.height() : size.width(); }
int Across(const QSize &size, bool vertical) { return vertical ? size.width() : size.height(); }

} // namespace

TTbrDockLayoutResult ArrangeDockedWindows(const QList<TTbrDockMember> &members, const TTbrDockLayoutParams &params) {
  const bool vertical = params.Vertical;
  const int available = std::max(0, params.AvailableLength);
  const int n = int(members.size());

  TTbrDockLayoutResult result;
  result.Places.resize(n);
  result.DockRows.resize(n);
  result.DockPositions.resize(n);
  for (int i = 0; i < n; ++i) {
    result.DockRows[i] = params.LimitToOneRow ? 0 : members[i].DockRow;
    result.DockPositions[i] = members[i].DockPos;
    result.AnyVisible = result.AnyVisible || members[i].Visible;
  }
  auto rowOf = [&](int i) { return result.DockRows[i]; };

  // Work list in row and position order; a splitting drag keeps the dragged
  // window where it stood in the member order, so it stays between the
  // neighbours it is pushing.
  QList<int> order(n);
  for (int i = 0; i < n; ++i)
    order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return rowOf(a) != rowOf(b) ? rowOf(a) < rowOf(b) : members[a].DockPos < members[b].DockPos;
  });
  const int dragged = params.Dragged >= 0 && params.Dragged < n ? params.Dragged : -1;
  if (dragged >= 0 && params.SplitDrag) {
    order.removeOne(dragged);
    order.insert(dragged, dragged);
  }
  result.Order = order;
  if (!result.AnyVisible) {
    for (int i = 0; i < n; ++i) {
      result.Places[i].ArrangedRow = rowOf(i);
      result.Places[i].ArrangedPos = members[i].DockPos;
    }
    return result;
  }

  QList<TWork> work;
  work.reserve(n);
  int highest = 0;
  for (int m : order) {
    TWork w;
    w.Member = m;
    w.Row = members[m].Visible ? rowOf(m) : -1;
    w.Claimed = rowOf(m);
    w.Offset = members[m].DockPos;
    work.append(w);
    highest = std::max(highest, rowOf(m));
  }

  // A window that asks for a row of its own (a new row before it, or one
  // that takes the dock's whole length) keeps its row; the others of that
  // row and every row after it move one row further.
  auto pushFrom = [&](int row, int except) {
    for (TWork &w : work) {
      if (w.Member == except)
        continue;
      if (w.Claimed >= row)
        ++w.Claimed;
      if (w.Row >= row)
        ++w.Row;
    }
    ++highest;
  };
  for (int pass = 0; pass < 2; ++pass) {
    for (int row = 0; row <= highest; ++row) {
      for (const TWork &w : work) {
        const TTbrDockMember &m = members[w.Member];
        const bool own = pass == 0 ? m.NewRowBefore && !params.LimitToOneRow : m.FullSize;
        if (w.Claimed != row || !own)
          continue;
        const bool shared = std::any_of(work.begin(), work.end(), [&](const TWork &o) {
          return o.Member != w.Member && o.Claimed == row;
        });
        if (shared) {
          pushFrom(row, w.Member);
          break;
        }
      }
    }
  }

  // Rows nobody claims go (hidden and floating members keep theirs).
  for (int row = 0; row <= highest;) {
    const bool claimed =
        std::any_of(work.begin(), work.end(), [&](const TWork &w) { return w.Claimed == row; });
    if (claimed) {
      ++row;
      continue;
    }
    for (TWork &w : work) {
      if (w.Claimed > row)
        --w.Claimed;
      if (w.Row > row)
        --w.Row;
    }
    --highest;
  }

  int thicknessOffset = 0;
  for (int row = 0; row <= highest; ++row) {
    // The row's windows; one that does not fit after the first wraps to a
    // new row, and so does everything after it.
    QList<int> inRow; // indices into work
    int needed = 0, total = 0;
    for (int k = 0; k < work.size(); ++k) {
      TWork &w = work[k];
      if (w.Row != row)
        continue;
      const TTbrDockMember &m = members[w.Member];
      w.Full = Along(m.BaseSize, vertical) + Along(m.FrameSize, vertical);
      w.Cur = w.Full;
      w.Min = std::min(std::max(0, m.MinimumLength), w.Full);
      needed += m.ShrinkMode == tbsmChevron ? w.Min : w.Full;
      if (!inRow.isEmpty() && needed > available && !params.LimitToOneRow) {
        for (int j = k; j < work.size(); ++j) {
          if (work[j].Claimed >= row)
            ++work[j].Claimed;
          if (work[j].Row >= row)
            ++work[j].Row;
        }
        ++highest;
        break;
      }
      total += w.Full;
      inRow.append(k);
    }
    if (inRow.isEmpty())
      continue;
    auto at = [&](int i) -> TWork & { return work[inRow[i]]; };
    auto memberAt = [&](int i) -> const TTbrDockMember & { return members[at(i).Member]; };
    const int count = int(inRow.size());
    int draggedIndex = -1;
    for (int i = 0; i < count; ++i)
      if (at(i).Member == dragged)
        draggedIndex = i;

    // Requested offsets: a gap before a window becomes its leading space
    // when the row has room; in an over-full row it is dropped, and a
    // window that starts before the previous one ends overlaps it.
    int excess = total - available;
    int end = 0, shift = 0, minimumSum = 0, previousEnd = 0, draggedRequest = 0;
    for (int i = 0; i < count; ++i) {
      TWork &w = at(i);
      const TTbrDockMember &m = memberAt(i);
      int requested = end == 0 && (m.FullSize || m.Stretch) ? 0 : w.Offset + shift;
      if (i == draggedIndex)
        draggedRequest = requested;
      requested = std::max(requested, minimumSum);
      if (end < requested) {
        if (excess > 0)
          shift += requested - end;
        else
          w.Lead = requested - end;
        end = requested;
      } else if (requested < previousEnd) {
        w.Overlap = previousEnd - requested;
      }
      end += w.Cur;
      previousEnd = requested + w.Cur;
      minimumSum += w.Min;
    }

    // With room to spare, a window dragged back over the windows before it
    // pushes them back by taking their spaces, nearest first; the window
    // after it keeps its place.
    if (excess < 0 && draggedIndex >= 0) {
      int before = 0;
      for (int i = 0; i < draggedIndex; ++i)
        before += at(i).Lead + at(i).Cur;
      int surplus = before - draggedRequest;
      int taken = 0;
      for (int i = draggedIndex - 1; i >= 0 && surplus > 0; --i) {
        const int take = std::min(at(i).Lead, surplus);
        at(i).Lead -= take;
        surplus -= take;
        taken += take;
      }
      if (draggedIndex + 1 < count)
        at(draggedIndex + 1).Lead += taken;
    }
    {
      int used = 0;
      for (int i = 0; i < count; ++i)
        used += at(i).Lead + at(i).Cur;
      int over = used - available;
      for (int i = count - 1; i >= 0 && over > 0; --i) {
        const int take = std::min(at(i).Lead, over);
        at(i).Lead -= take;
        over -= take;
      }
    }

    if (excess > 0) {
      // A window pushed into the one before it takes the length from the
      // chevron windows before it, nearest first, down to their minimum.
      int overlapSum = 0;
      for (int i = 0; i < count && excess > 0; ++i) {
        overlapSum = std::min(overlapSum + at(i).Overlap, excess);
        for (int j = i - 1; j >= 0 && overlapSum > 0; --j) {
          if (j == draggedIndex) {
            if (count > 1)
              result.SplitAllowed = true;
            break;
          }
          if (memberAt(j).ShrinkMode != tbsmChevron)
            continue;
          const int give = std::min(overlapSum, at(j).Cur - at(j).Min);
          if (give > 0) {
            at(j).Cur -= give;
            excess -= give;
            overlapSum -= give;
          }
        }
      }
      // Still too long: the shrinkable windows give way, the last first; a
      // wrapping window only when it has the row to itself.
      for (int i = count - 1; i >= 0 && excess > 0; --i) {
        const TTbrDockMember &m = memberAt(i);
        if (m.ShrinkMode == tbsmNone || (m.ShrinkMode == tbsmWrap && count > 1))
          continue;
        const int give = std::min(at(i).Cur - at(i).Min, excess);
        if (give > 0) {
          at(i).Cur -= give;
          excess -= give;
        }
      }
    }

    // Offsets; a full-size or stretching window fills the spaces around it.
    int sum = 0;
    for (int i = 0; i < count; ++i) {
      TWork &w = at(i);
      const TTbrDockMember &m = memberAt(i);
      if (m.FullSize || m.Stretch) {
        w.Cur += w.Lead;
        w.Lead = 0;
      }
      sum += w.Lead;
      if (m.FullSize)
        w.Cur = std::max(w.Cur, available);
      if (m.Stretch) {
        if (i + 1 < count) {
          w.Cur += at(i + 1).Lead;
          at(i + 1).Lead = 0;
        } else {
          w.Cur = std::max(w.Cur, available - sum);
        }
      }
      w.Offset = sum;
      sum += w.Cur;
    }

    // Thickness of the row, then the windows' bounds.
    int rowThickness = 0;
    QList<int> across(count);
    for (int i = 0; i < count; ++i) {
      TWork &w = at(i);
      const TTbrDockMember &m = memberAt(i);
      TTbrDockPlace &place = result.Places[w.Member];
      place.ShrunkLength = w.Cur >= w.Full ? 0 : w.Cur;
      QSize contents = m.BaseSize;
      if (place.ShrunkLength > 0 && m.ShrinkMode != tbsmNone && params.MeasureShrunk)
        contents = params.MeasureShrunk(w.Member, place.ShrunkLength);
      across[i] = Across(contents, vertical);
      place.RowThickness = across[i];
      rowThickness = std::max(rowThickness, across[i]);
    }
    if (rowThickness != 0)
      rowThickness += RowFrame;
    for (int i = 0; i < count; ++i) {
      const TWork &w = at(i);
      result.Places[w.Member].Bounds = vertical ? QRect(thicknessOffset, w.Offset, rowThickness, w.Cur)
                                                : QRect(w.Offset, thicknessOffset, w.Cur, rowThickness);
    }
    thicknessOffset += rowThickness;
  }

  for (const TWork &w : work) {
    TTbrDockPlace &place = result.Places[w.Member];
    place.ArrangedRow = w.Claimed;
    place.ArrangedPos = w.Offset;
    result.DockRows[w.Member] = w.Claimed;
    result.DockPositions[w.Member] = w.Offset;
  }
  result.Thickness = thicknessOffset;
  return result;
}

TTbrRowSize RowSize(const QList<TTbrDockMember> &members, const QList<TTbrDockPlace> &places, int row,
                    bool vertical) {
  TTbrRowSize size;
  if (row < 0)
    return size;
  for (int i = 0; i < members.size() && i < places.size(); ++i) {
    if (!members[i].Visible || places[i].ArrangedRow != row)
      continue;
    size.Thickness = std::max(size.Thickness, vertical ? places[i].Bounds.width() : places[i].Bounds.height());
    size.FullSize = size.FullSize || members[i].FullSize;
  }
  return size;
}

int RowThicknessExcept(const QList<TTbrDockMember> &members, const QList<TTbrDockPlace> &places, int row,
                       int except) {
  int thickness = 0;
  for (int i = 0; i < members.size() && i < places.size(); ++i)
    if (i != except && members[i].Visible && places[i].ArrangedRow == row)
      thickness = std::max(thickness, places[i].RowThickness);
  return thickness;
}

int LastRowIndex(const QList<TTbrDockMember> &members, const QList<TTbrDockPlace> &places, bool arranged) {
  int last = -1;
  for (int i = 0; i < members.size(); ++i)
    last = std::max(last, arranged ? (i < places.size() ? places[i].ArrangedRow : -1) : members[i].DockRow);
  return last;
}

int RowAtOffset(int lastRow, const std::function<int(int row)> &rowThickness, int offset) {
  int cumulative = 0;
  for (int row = 0; row <= lastRow; ++row) {
    const int thickness = rowThickness(row);
    if (thickness == 0)
      continue;
    cumulative += thickness;
    if (cumulative > offset)
      return row;
  }
  return lastRow + 1;
}

int RowAt(const QList<TTbrDockMember> &members, const QList<TTbrDockPlace> &places, int offset, bool vertical) {
  return RowAtOffset(LastRowIndex(members, places, true),
                     [&](int row) { return RowSize(members, places, row, vertical).Thickness; }, offset);
}

QRect DockGeometry(TTbrDockPosition position, const QRect &present, int thickness) {
  QRect r = present;
  switch (position) {
  case dpTop:
    r.setHeight(thickness);
    break;
  case dpLeft:
    r.setWidth(thickness);
    break;
  case dpBottom:
    r.setTop(present.bottom() + 1 - thickness);
    break;
  case dpRight:
    r.setLeft(present.right() + 1 - thickness);
    break;
  }
  return r;
}

int GripSize(TTbrDragHandleStyle style, bool closeButtonWhenDocked) {
  if (closeButtonWhenDocked)
    return 14;
  switch (style) {
  case dhDouble:
    return 9;
  case dhNone:
    return 0;
  case dhSingle:
    break;
  }
  return 6;
}

QSize DockedFrameSize(bool docked, bool vertical, bool allowDrag, int gripSize) {
  if (!docked)
    return QSize(0, 0);
  const int grip = allowDrag ? gripSize : 0;
  return vertical ? QSize(2 * DockedBorder, 2 * DockedBorder + grip) : QSize(2 * DockedBorder + grip, 2 * DockedBorder);
}

QRect DockedClientRect(const QSize &size, bool vertical, bool allowDrag, int gripSize) {
  const int grip = allowDrag ? gripSize : 0;
  QRect r(QPoint(0, 0), size);
  r.adjust(DockedBorder, DockedBorder, -DockedBorder, -DockedBorder);
  if (vertical)
    r.setTop(r.top() + grip);
  else
    r.setLeft(r.left() + grip);
  return r;
}

QRect DockedCloseRect(const QSize &size, bool vertical, bool allowDrag, bool closeButtonWhenDocked, int gripSize) {
  if (!closeButtonWhenDocked || !allowDrag)
    return QRect();
  const int side = gripSize - 3;
  // The client width of a vertical window is inside its 2-pixel border.
  return vertical ? QRect(size.width() - 2 * DockedBorder - side + 2, 3, side, side) : QRect(3, 2, side, side);
}

TTbrDockedHit DockedHitTest(const QPoint &point, const QSize &size, bool vertical, bool allowDrag,
                            bool closeButtonWhenDocked, int gripSize) {
  if (DockedCloseRect(size, vertical, allowDrag, closeButtonWhenDocked, gripSize).contains(point))
    return HitCloseButton;
  if (DockedClientRect(size, vertical, allowDrag, gripSize).contains(point))
    return HitClient;
  return QRect(QPoint(0, 0), size).contains(point) ? HitFrame : HitClient;
}

bool InGripZone(const QPoint &point, const QSize &size, bool vertical, TTbrDragHandleStyle style, int gripSize) {
  if (style == dhNone || !QRect(QPoint(0, 0), size).contains(point))
    return false;
  return (vertical ? point.y() : point.x()) < gripSize + DockedBorder;
}

} // namespace qel::toolbars
