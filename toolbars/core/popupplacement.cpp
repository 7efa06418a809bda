#include "toolbars/core/popupplacement.h"

#include "toolbars/core/platformmetrics.h"

#include <algorithm>

namespace qel::toolbars {

namespace {

int Right(const QRect &r) { return r.x() + r.width(); }
int Bottom(const QRect &r) { return r.y() + r.height(); }

bool Intersects(int x, int y, int w, int h, const QRect &r) {
  return w > 0 && h > 0 && r.width() > 0 && r.height() > 0 && x < Right(r) && r.x() < x + w && y < Bottom(r) &&
         r.y() < y + h;
}

} // namespace

QPoint FirstPopupPosition(const TTbrFirstPositionInput &in) {
  const QRect &p = in.ParentItemRect;
  if (in.AtPoint) {
    int x = in.PopupPoint.x();
    if (in.Alignment == tbpaRight)
      x -= in.W;
    else if (in.Alignment == tbpaCenter)
      x -= in.W / 2;
    return {x, in.PopupPoint.y()};
  }
  if (in.PositionAsSubmenu)
    return {Right(p) - in.NCSizeX, p.y() - in.NCSizeY};
  if (in.Chevron)
    return in.ChevronParentVertical ? QPoint(p.x() - in.W, p.y()) : QPoint(Right(p) - in.W, Bottom(p));
  if (in.ParentVertical)
    return {p.x() - in.W, p.y()};
  return {in.DropAlignRight ? Right(p) - in.W : p.x(), Bottom(p)};
}

QRect PopupMonitorRect(const TPlatformMetrics &metrics, const QRect &parentViewMonitorRect,
                       const QRect &parentItemRect, bool atPoint) {
  if (atPoint)
    return metrics.MonitorAreaOfPoint(parentItemRect.topLeft(), false);
  if (!parentViewMonitorRect.isEmpty())
    return parentViewMonitorRect;
  return metrics.MonitorAreaOfRect(parentItemRect, false);
}

TTbrPopupLimits PopupSizeLimits(const QRect &monitorRect, int ncSize, bool chevron) {
  TTbrPopupLimits limits;
  if (chevron)
    limits.WrapOffset = std::max(1, monitorRect.width() - 2 * ncSize);
  else
    limits.MaxHeight = std::max(1, monitorRect.height() - 2 * ncSize);
  return limits;
}

bool PlacePopup(TTbrPopupPlacement &d, const TTbrPopupParentView &parent) {
  const QRect &mon = d.MonitorRect;
  const QRect &p = d.ParentItemRect;
  const bool atPoint = !parent.Exists;
  bool openLeftward = false;

  // Vertically: off the bottom, try above the parent; then keep it on the monitor.
  if (d.Y + d.H > Bottom(mon) && !parent.Vertical) {
    const int bottom = d.PositionAsSubmenu ? Bottom(p) + d.NCSizeY : p.y();
    if (bottom - d.H >= mon.y())
      d.Y = bottom - d.H;
  }
  if (d.Y + d.H > Bottom(mon))
    d.Y = Bottom(mon) - d.H;
  if (d.Y < mon.y())
    d.Y = mon.y();

  if (d.PositionAsSubmenu) {
    // Beside the parent: on the right unless the chain already opens leftward
    // or it does not fit; a leftward chain that no longer fits turns back.
    for (;;) {
      if (!d.Opposite && d.X + d.W <= Right(mon))
        break;
      const int left = (parent.Exists ? p.x() + d.NCSizeX : d.X) - d.W;
      if (d.Opposite && left < mon.x()) {
        d.Opposite = false;
        continue;
      }
      d.X = left;
      openLeftward = true;
      break;
    }
    d.X = std::max(d.X, mon.x());
  } else {
    if (atPoint && d.Alignment == tbpaRight && d.X < mon.x())
      d.X += d.W;
    if (d.X + d.W > Right(mon)) {
      if (parent.Exists || d.Alignment != tbpaLeft)
        d.X = Right(mon) - d.W;
      else
        d.X -= d.W; // a context menu flips to the left of the point
    }
    d.X = std::max(d.X, mon.x());

    // A drop-down keeps off its parent's row: the row's items stay in sight.
    // (A submenu overlaps its parent item by its border on purpose.)
    if (parent.Exists) {
      auto covered = [&](int x, int y) {
        int count = 0;
        for (const QRect &r : parent.ShownViewerRects)
          if (r.x() >= x && r.y() >= y && Right(r) <= x + d.W && Bottom(r) <= y + d.H)
            ++count;
        return count;
      };
      auto overlaps = [&] { return Intersects(d.X, d.Y, d.W, d.H, p); };
      if (parent.Vertical) {
        if (Right(p) + d.W <= Right(mon) && (covered(Right(p), d.Y) < covered(d.X, d.Y) || overlaps()))
          d.X = Right(p);
        if (overlaps()) {
          d.Y = Bottom(p) + d.H > Bottom(mon) ? p.y() - d.H : Bottom(p);
          d.Y = std::max(d.Y, mon.y());
        }
      } else {
        if (p.y() - d.H >= mon.y() && (covered(d.X, p.y() - d.H) < covered(d.X, d.Y) || overlaps()))
          d.Y = p.y() - d.H;
        if (overlaps()) {
          d.X = Right(p) + d.W > Right(mon) ? p.x() - d.W : Right(p);
          d.X = std::max(d.X, mon.x());
        }
      }
    }
  }

  // The direction it unrolls in: away from the parent item.
  d.AnimDir = 0;
  if (d.PositionAsSubmenu) {
    d.AnimDir = d.X + d.W / 2 < (p.x() + Right(p)) / 2 ? tbadLeft : tbadRight;
  } else {
    if (d.Y >= Bottom(p))
      d.AnimDir |= tbadDown;
    else if (d.Y + d.H <= p.y())
      d.AnimDir |= tbadUp;
    if (d.X >= Right(p))
      d.AnimDir |= tbadRight;
    else if (d.X + d.W <= p.x())
      d.AnimDir |= tbadLeft;
  }
  return openLeftward;
}

} // namespace qel::toolbars
