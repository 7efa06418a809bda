#include "toolbars/core/tblayout.h"

#include <algorithm>
#include <vector>

namespace qel::toolbars {

namespace {

using Item = TTbrLayoutItem;

// A placed viewer in line coordinates: A along the lines, C across them.
struct TPos {
  int A = 0, C = 0, LA = 0, LC = 0;
};

struct TLine {
  int Begin = 0, End = 0; // range in the shown order
  int StartC = 0;
  bool Down = false;    // one menu item placed below the previous one
  bool LineSep = false; // a separator that ended the line before
};

// The shown items as a doubly linked list, so the chevron can hide items one
// by one and look at their shown neighbours without rescanning.
class TShownList {
public:
  explicit TShownList(const std::vector<char> &show) : prev_(show.size(), -1), next_(show.size(), -1) {
    int last = -1;
    for (int i = 0; i < int(show.size()); ++i) {
      if (!show[i])
        continue;
      if (last < 0)
        head_ = i;
      else
        next_[last] = i;
      prev_[i] = last;
      last = i;
    }
    tail_ = last;
  }
  int Tail() const { return tail_; }
  int Prev(int i) const { return prev_[i]; }
  int Next(int i) const { return next_[i]; }
  void Unlink(int i) {
    const int p = prev_[i], n = next_[i];
    (p < 0 ? head_ : next_[p]) = n;
    (n < 0 ? tail_ : prev_[n]) = p;
  }

private:
  std::vector<int> prev_, next_;
  int head_ = -1, tail_ = -1;
};

} // namespace

TTbrLayoutResult CalculateLayout(const QList<TTbrLayoutItem> &items, const TTbrLayoutParams &p) {
  const int n = int(items.size());
  const bool vertical = p.Orientation == tbvoVertical;
  const auto alongOf = [vertical](const QSize &s) { return vertical ? s.height() : s.width(); };
  const auto acrossOf = [vertical](const QSize &s) { return vertical ? s.width() : s.height(); };
  const auto isSep = [&items](int i) { return items.at(i).Has(Item::Separator); };

  TTbrLayoutResult r;
  r.Places.resize(n);

  // Which items show: a separator needs something other than a separator
  // before it and content after it.
  std::vector<char> show(n, 0);
  int prevShown = -1;
  for (int i = 0; i < n; ++i) {
    if (!items.at(i).Has(Item::Wanted))
      continue;
    if (isSep(i) && (prevShown < 0 || isSep(prevShown)))
      continue;
    show[i] = 1;
    prevShown = i;
  }
  for (int i = n - 1; i >= 0; --i) {
    if (!show[i])
      continue;
    if (!isSep(i))
      break;
    show[i] = 0;
  }

  // Sizes, with the items that share a width widened to the widest of them.
  std::vector<QSize> size(n);
  int sameWidth = 0;
  for (int i = 0; i < n; ++i) {
    size[i] = items.at(i).Size.expandedTo(QSize(0, 0));
    if (show[i] && items.at(i).Has(Item::SameWidth))
      sameWidth = std::max(sameWidth, size[i].width());
  }
  int baseAlong = 0;
  for (int i = 0; i < n; ++i) {
    if (!show[i])
      continue;
    if (items.at(i).Has(Item::SameWidth))
      size[i].setWidth(sameWidth);
    baseAlong += alongOf(size[i]);
  }

  // Chevron: hide items until the line fits before it, least recently used
  // first, keeping at least two items other than separators.
  std::vector<char> offEdge(n, 0);
  if (p.HasChevron && p.ChevronOffset > 0 && p.ChevronOffset < baseAlong) {
    r.ChevronInUse = true;
    const int available = p.ChevronOffset - p.ChevronSize;
    int length = baseAlong;
    int content = 0;
    for (int i = 0; i < n; ++i)
      content += show[i] && !isSep(i);
    TShownList shown(show);
    const auto hide = [&](int i) {
      show[i] = 0;
      length -= alongOf(size[i]);
      shown.Unlink(i);
    };
    qsizetype priorityAt = p.Priority ? p.Priority->size() - 1 : -1;
    while (length > available && content > 2) {
      const int last = shown.Tail();
      if (isSep(last)) {
        hide(last);
        continue;
      }
      int victim = last;
      if (p.Priority) {
        // Items are only ever hidden here, so the walk back never returns.
        while (priorityAt >= 0) {
          const int i = p.Priority->at(priorityAt);
          if (i >= 0 && i < n && show[i] && !isSep(i))
            break;
          --priorityAt;
        }
        if (priorityAt < 0)
          break;
        victim = p.Priority->at(priorityAt);
      }
      const int before = shown.Prev(victim), after = shown.Next(victim);
      hide(victim);
      offEdge[victim] = 1;
      --content;
      if (!items.at(victim).Has(Item::Control))
        r.ChevronEnabled = true;
      if (after >= 0 && isSep(after) && (before < 0 || isSep(before)))
        hide(after);
    }
    while (shown.Tail() >= 0 && isSep(shown.Tail()))
      hide(shown.Tail());
  }

  int baseAcross = 0;
  for (int i = 0; i < n; ++i)
    if (show[i])
      baseAcross = std::max(baseAcross, acrossOf(size[i]));
  r.BaseSize = vertical ? QSize(baseAcross, baseAlong) : QSize(baseAlong, baseAcross);

  const TTbrMargins &m = p.Margins;
  int wrap = p.WrapOffset;
  if (wrap > 0)
    wrap = std::max(1, wrap - m.Right);
  const int marginA = vertical ? m.Top : m.Left, marginC = vertical ? m.Left : m.Top;

  // The length of the group after each separator (up to the next one), for
  // deciding whether a line breaks at the separator.
  std::vector<int> groupAfter(n, 0);
  {
    int run = 0;
    for (int i = n - 1; i >= 0; --i) {
      if (!show[i])
        continue;
      if (isSep(i)) {
        groupAfter[i] = run;
        run = 0;
      } else {
        run += alongOf(size[i]);
      }
    }
  }

  // Placement in lines.
  std::vector<TPos> pos(n);
  std::vector<char> lineSep(n, 0);
  std::vector<int> order; // shown items in placement order
  order.reserve(n);
  std::vector<TLine> lines;
  int a = marginA, c = marginC, totalA = 0, totalC = 0;
  bool atLineStart = true, brokeInGroup = false, prevDown = false;
  const auto startLine = [&](bool down, bool sepLine) {
    if (!lines.empty())
      lines.back().End = int(order.size());
    lines.push_back({int(order.size()), int(order.size()), c, down, sepLine});
  };
  const auto cover = [&](const TPos &q) {
    totalA = std::max(totalA, q.A + q.LA);
    totalC = std::max(totalC, q.C + q.LC);
  };
  for (int i = 0; i < n; ++i) {
    if (!show[i])
      continue;
    const QSize s = size[i];
    const bool down = !vertical && !p.IsToolbar && !items.at(i).Has(Item::Across);
    if (down) {
      // A menu item below everything placed so far, as wide as the menu.
      if (!order.empty() && !prevDown) {
        a = marginA;
        c = totalC;
      }
      startLine(true, false);
      pos[i] = {std::max(a, 0), std::max(c, 0), s.width(), s.height()};
      order.push_back(i);
      cover(pos[i]);
      c += s.height();
      atLineStart = true;
      prevDown = true;
      continue;
    }
    if (prevDown || lines.empty()) {
      startLine(false, false);
      atLineStart = true;
    }
    prevDown = false;
    const int len = alongOf(s);
    if (wrap > 0 && !atLineStart) {
      if (isSep(i)) {
        const bool forced = brokeInGroup && !items.at(i).Has(Item::NoLineBreak);
        brokeInGroup = false;
        if (forced || a + len + groupAfter[i] > wrap) {
          // The separator ends the line: a divider across the view at the
          // start of the next line, which begins beside it.
          c = totalC;
          startLine(false, true);
          pos[i] = {0, std::max(c, 0), 0, TbrLineSepThickness};
          lineSep[i] = 1;
          order.push_back(i);
          cover(pos[i]);
          ++r.WrappedLines;
          c += TbrLineSepThickness;
          a = marginA;
          startLine(false, false);
          atLineStart = true;
          continue;
        }
      } else if (a + len > wrap) {
        c = totalC;
        a = marginA;
        startLine(false, false);
        ++r.WrappedLines;
        brokeInGroup = true;
      }
    } else if (isSep(i)) {
      brokeInGroup = false;
    }
    pos[i] = {std::max(a, 0), std::max(c, 0), len, acrossOf(s)};
    order.push_back(i);
    cover(pos[i]);
    a += len;
    atLineStart = false;
  }
  if (!lines.empty())
    lines.back().End = int(order.size());

  // Finishing the lines.
  const bool wrapped = r.WrappedLines > 1;
  if (wrapped && !p.IsChevronPopup)
    totalA = std::max(totalA, wrap);
  for (std::size_t l = 0; l < lines.size(); ++l) {
    const TLine &line = lines[l];
    if (line.LineSep || line.Begin == line.End)
      continue;
    if (p.IsToolbar) {
      int thickness = 0;
      if (l + 1 == lines.size() && !wrapped && p.Orientation != tbvoFloating)
        thickness = totalC - line.StartC;
      else
        for (int k = line.Begin; k < line.End; ++k)
          thickness = std::max(thickness, pos[order[k]].LC);
      for (int k = line.Begin; k < line.End; ++k) {
        TPos &q = pos[order[k]];
        if (items.at(order[k]).Flags & (Item::Separator | Item::Stretch)) {
          q.C = line.StartC;
          q.LC = thickness;
        } else {
          q.C = line.StartC + (thickness - q.LC) / 2;
        }
      }
    } else if (line.Down) {
      TPos &q = pos[order[line.Begin]];
      q.LA = std::max(q.LA, totalA - q.A);
    }
    int firstRight = -1;
    for (int k = line.Begin; k < line.End && firstRight < 0; ++k)
      if (items.at(order[k]).Has(Item::RightAlign))
        firstRight = k;
    if (firstRight >= 0) {
      const TPos &last = pos[order[line.End - 1]];
      const int shift = std::min(wrap, totalA) - (last.A + last.LA);
      if (shift > 0)
        for (int k = firstRight; k < line.End; ++k)
          pos[order[k]].A += shift;
    }
  }

  // Into window coordinates, with the margins after the content.
  for (int i : order) {
    const TPos &q = pos[i];
    TTbrLayoutPlace &place = r.Places[i];
    place.Bounds = vertical ? QRect(q.C, q.A, q.LC, q.LA) : QRect(q.A, q.C, q.LA, q.LC);
    place.Show = true;
    place.LineSep = lineSep[i];
  }
  for (int i = 0; i < n; ++i)
    r.Places[i].OffEdge = offEdge[i];
  r.TotalSize = vertical ? QSize(totalC + m.Right, totalA + m.Bottom) : QSize(totalA + m.Right, totalC + m.Bottom);
  if (vertical)
    for (int i : order) {
      QRect &b = r.Places[i].Bounds;
      b.moveLeft(r.TotalSize.width() - b.left() - b.width());
    }

  // A popup taller than its limit scrolls; what sits under an arrow is clipped.
  const int height = r.TotalSize.height();
  if (p.MaxHeight > 0 && p.MaxHeight < height) {
    const int maxOffset = height - p.MaxHeight;
    r.ScrollOffset = std::clamp(p.ScrollOffset, 0, maxOffset);
    r.ShowUpArrow = r.ScrollOffset > 0;
    r.ShowDownArrow = r.ScrollOffset < maxOffset;
    for (int i : order) {
      TTbrLayoutPlace &place = r.Places[i];
      place.Bounds.translate(0, -r.ScrollOffset);
      const int top = place.Bounds.top(), bottom = top + place.Bounds.height();
      if ((r.ShowUpArrow && top < TbrScrollArrowHeight) ||
          (r.ShowDownArrow && bottom > p.MaxHeight - TbrScrollArrowHeight)) {
        place.Show = false;
        place.Clipped = true;
      }
    }
    r.TotalSize.setHeight(p.MaxHeight);
  }

  // A separator ending a line in a toolbar runs the whole length of the view.
  if (p.IsToolbar)
    for (int i : order) {
      if (!lineSep[i])
        continue;
      QRect &b = r.Places[i].Bounds;
      if (vertical)
        b = QRect(b.left(), 0, b.width(), r.TotalSize.height());
      else
        b = QRect(0, b.top(), r.TotalSize.width(), b.height());
    }

  // The chevron sits at the end of the available length, or after the
  // content when the content still runs past it; the view covers it.
  if (r.ChevronInUse) {
    const int total = alongOf(r.TotalSize);
    const int start = std::max(p.ChevronOffset - p.ChevronSize, total);
    if (vertical) {
      r.ChevronBounds = QRect(0, start, r.TotalSize.width(), p.ChevronSize);
      r.TotalSize.setHeight(std::max(total, start + p.ChevronSize));
    } else {
      r.ChevronBounds = QRect(start, 0, p.ChevronSize, r.TotalSize.height());
      r.TotalSize.setWidth(std::max(total, start + p.ChevronSize));
    }
  }

  if (r.BaseSize.width() == 0 || r.BaseSize.height() == 0) {
    r.BaseSize = TbrEmptyViewSize;
    r.TotalSize = r.TotalSize.expandedTo(TbrEmptyViewSize);
  }
  r.HitIndex.Build(r.Places);
  return r;
}

int ScrollStepOffset(const QList<TTbrLayoutItem> &items, const QList<TTbrLayoutPlace> &places, int maxHeight,
                     int scrollOffset, bool down) {
  const int n = int(std::min(items.size(), places.size()));
  const int lowEdge = maxHeight - TbrScrollArrowHeight;
  bool found = false;
  int edge = 0;
  for (int i = 0; i < n; ++i) {
    const TTbrLayoutPlace &place = places.at(i);
    if (!place.Clipped || items.at(i).Has(TTbrLayoutItem::Separator))
      continue;
    const int top = place.Bounds.top(), bottom = top + place.Bounds.height();
    if (down && bottom > lowEdge && (!found || bottom < edge)) {
      edge = bottom;
      found = true;
    } else if (!down && top < TbrScrollArrowHeight && (!found || top > edge)) {
      edge = top;
      found = true;
    }
  }
  if (!found)
    return -1;
  // Bringing the first item below the up arrow's edge may ask for more than
  // is left above: the offset stops at the top.
  return down ? scrollOffset + (edge - lowEdge) : std::max(0, scrollOffset - (TbrScrollArrowHeight - edge));
}

int ScrollIntoViewOffset(const QRect &bounds, int maxHeight, int scrollOffset) {
  const int lowEdge = maxHeight - TbrScrollArrowHeight;
  const int top = bounds.top(), bottom = top + bounds.height();
  if (top < TbrScrollArrowHeight)
    return scrollOffset - (TbrScrollArrowHeight - top);
  if (bottom > lowEdge)
    return scrollOffset + (bottom - lowEdge);
  return scrollOffset;
}

void TTbrHitIndex::Clear() {
  Runs_.clear();
  Order_.clear();
  Rects_.clear();
}

void TTbrHitIndex::Build(const QList<TTbrLayoutPlace> &places) {
  Clear();
  // A run goes on while each rectangle starts where the one before ended or
  // beyond, along one axis; a toolbar line or a column of menu items is one run.
  int axis = -1; // -1 not yet known (one rectangle), 0 horizontal, 1 vertical
  for (int i = 0; i < int(places.size()); ++i) {
    const TTbrLayoutPlace &place = places.at(i);
    if (!place.Show || place.Bounds.isEmpty())
      continue;
    const QRect &b = place.Bounds;
    bool joins = false;
    if (!Runs_.isEmpty()) {
      const QRect &prev = Rects_.constLast();
      const bool right = b.left() >= prev.left() + prev.width();
      const bool below = b.top() >= prev.top() + prev.height();
      if (axis == 0)
        joins = right;
      else if (axis == 1)
        joins = below;
      else if (right || below) {
        joins = true;
        axis = right ? 0 : 1;
        Runs_.last().Vertical = axis == 1;
      }
    }
    Order_.append(i);
    Rects_.append(b);
    const int at = int(Rects_.size()) - 1;
    if (joins) {
      TRun &run = Runs_.last();
      run.Bounds |= b;
      run.Last = at;
    } else {
      Runs_.append({b, false, at, at});
      axis = -1;
    }
  }
}

int TTbrHitIndex::Find(const QPoint &point) const {
  for (const TRun &run : Runs_) {
    if (!run.Bounds.contains(point))
      continue;
    // The last rectangle starting at or before the point along the run.
    int lo = run.First, hi = run.Last;
    const int key = run.Vertical ? point.y() : point.x();
    while (lo < hi) {
      const int mid = (lo + hi + 1) / 2;
      const QRect &b = Rects_.at(mid);
      if ((run.Vertical ? b.top() : b.left()) <= key)
        lo = mid;
      else
        hi = mid - 1;
    }
    if (Rects_.at(lo).contains(point))
      return Order_.at(lo);
  }
  return -1;
}

} // namespace qel::toolbars
