#include "toolbars/core/tbfloating.h"

#include <algorithm>
#include <cstdlib>

namespace qel::toolbars {

// ---------------------------------------------------------------------------
// The frame

QSize TTbrFloatingFrame::OuterSize(const QSize &client) const {
  return client + QSize(2 * Frame.x(), 2 * Frame.y() + CaptionHeight);
}

QSize TTbrFloatingFrame::ClientSize(const QSize &outer) const {
  return QSize(std::max(0, outer.width() - 2 * Frame.x()), std::max(0, outer.height() - 2 * Frame.y() - CaptionHeight));
}

QRect TTbrFloatingFrame::ClientRect(const QSize &outer) const {
  return QRect(QPoint(Frame.x(), Frame.y() + CaptionHeight), ClientSize(outer));
}

QRect TTbrFloatingFrame::CaptionRect(const QSize &outer) const {
  if (CaptionHeight <= 0)
    return QRect();
  return QRect(Frame.x(), Frame.y(), ClientSize(outer).width(), CaptionHeight - 1);
}

QRect TTbrFloatingFrame::CloseRect(const QSize &outer) const {
  const QRect caption = CaptionRect(outer);
  if (caption.isEmpty() || !CloseButton)
    return QRect();
  const int side = caption.height();
  return QRect(caption.left() + caption.width() - side, caption.top(), side, side);
}

TTbrFrameHit TTbrFloatingFrame::HitTest(const QPoint &p, const QSize &outer) const {
  if (!QRect(QPoint(0, 0), outer).contains(p))
    return FrameHitNowhere;
  if (CloseRect(outer).contains(p))
    return FrameHitClose;
  if (CaptionRect(outer).contains(p))
    return FrameHitCaption;
  const int w = outer.width(), h = outer.height();
  // The right and bottom bands reach one pixel further in, over the edge
  // of the client area: they are tested before it.
  const bool top = p.y() < Frame.y(), bottom = p.y() >= h - Frame.y() - 1;
  const bool left = p.x() < Frame.x(), right = p.x() >= w - Frame.x() - 1;
  if (!Resizable || !(top || bottom || left || right))
    return ClientRect(outer).contains(p) ? FrameHitClient : FrameHitNowhere;
  const int corner = SizeFromCorners ? CaptionHeight + std::max(Frame.x(), Frame.y()) - 1 : 0;
  const bool nearLeft = p.x() < corner, nearRight = p.x() >= w - corner;
  const bool nearTop = p.y() < corner, nearBottom = p.y() >= h - corner;
  if (top)
    return nearLeft ? FrameHitTopLeft : nearRight ? FrameHitTopRight : FrameHitTop;
  if (bottom)
    return nearLeft ? FrameHitBottomLeft : nearRight ? FrameHitBottomRight : FrameHitBottom;
  if (left)
    return nearTop ? FrameHitTopLeft : nearBottom ? FrameHitBottomLeft : FrameHitLeft;
  if (right)
    return nearTop ? FrameHitTopRight : nearBottom ? FrameHitBottomRight : FrameHitRight;
  return FrameHitNowhere;
}

// ---------------------------------------------------------------------------
// Showing and placing

bool VisibleByRule(const TTbrVisibilityState &s) {
  if (!s.Showing || s.HideLock > 0)
    return false;
  if (s.Mode == fmOnTopOfParentForm && (!s.HasParentForm || !s.FormVisible || s.FormMinimized))
    return false;
  if (s.HideWhenInactive && !s.ApplicationActive)
    return false;
  return true;
}

QRect KeepInWorkArea(const QRect &rect, const QRect &work, bool onlyWhenOffScreen) {
  if (work.isEmpty() || (onlyWhenOffScreen && rect.intersects(work)))
    return rect;
  QRect r = rect;
  const int workRight = work.x() + work.width(), workBottom = work.y() + work.height();
  if (r.x() + r.width() > workRight)
    r.moveLeft(workRight - r.width());
  if (r.y() + r.height() > workBottom)
    r.moveTop(workBottom - r.height());
  if (r.x() < work.x())
    r.moveLeft(work.x());
  if (r.y() < work.y())
    r.moveTop(work.y());
  return r;
}

QPoint SnapToWorkArea(const QRect &r, const QRect &work, int distance) {
  QPoint at = r.topLeft();
  if (distance <= 0 || work.isEmpty())
    return at;
  const int workRight = work.x() + work.width(), workBottom = work.y() + work.height();
  if (std::abs(at.x() + r.width() - workRight) < distance)
    at.setX(workRight - r.width());
  if (std::abs(at.y() + r.height() - workBottom) < distance)
    at.setY(workBottom - r.height());
  if (std::abs(r.x() - work.x()) < distance)
    at.setX(work.x());
  if (std::abs(r.y() - work.y()) < distance)
    at.setY(work.y());
  return at;
}

// ---------------------------------------------------------------------------
// Sizing

bool SizesHorizontally(int type) { return type == 0 || type == 1 || type == 3 || type == 4 || type == 6 || type == 7; }
bool SizesVertically(int type) { return type >= 2 && type <= 7; }
bool MovesLeftEdge(int type) { return type == 0 || type == 3 || type == 6; }
bool MovesTopEdge(int type) { return type == 2 || type == 3 || type == 4; }

QRect SizingRect(int type, const QRect &start, const QPoint &travel, const TTbrSizingLimits &limits) {
  int l = start.x(), t = start.y(), r = start.x() + start.width(), b = start.y() + start.height();
  auto limit = [](int size, int min, int max) {
    if (max > 0)
      size = std::min(size, max);
    return std::max(size, std::max(min, 0));
  };
  if (SizesHorizontally(type)) {
    if (MovesLeftEdge(type))
      l = r - limit(r - (l + travel.x()), limits.Min.width(), limits.Max.width());
    else
      r = l + limit(r + travel.x() - l, limits.Min.width(), limits.Max.width());
  }
  if (SizesVertically(type)) {
    if (MovesTopEdge(type))
      t = b - limit(b - (t + travel.y()), limits.Min.height(), limits.Max.height());
    else
      b = t + limit(b + travel.y() - t, limits.Min.height(), limits.Max.height());
  }
  return QRect(l, t, r - l, b - t);
}

// ---------------------------------------------------------------------------
// Floating sizes of a wrapping toolbar

QList<QSize> ListFloatingSizes(const std::function<TTbrMeasured(int)> &measure, int minWidth) {
  QList<QSize> sizes;
  const TTbrMeasured unlimited = measure(0);
  sizes.append(unlimited.Size);
  int lines = 1;
  int i = unlimited.Size.width() - 1;
  while (i >= minWidth && i > 0) {
    const TTbrMeasured m = measure(i);
    const int w = m.Size.width();
    if (w > i)
      break; // nothing narrower fits
    if (w == i) {
      if (m.Lines == lines)
        sizes.last() = m.Size;
      else
        sizes.append(m.Size);
      lines = m.Lines;
      --i;
    } else {
      i = w; // the items left room: try the width they took
    }
  }
  return sizes;
}

bool TTbrSizingSnap::Vertical() const { return FType == 2 || FType == 5; }

void TTbrSizingSnap::Start(int type, const QRect &start, int leftFrame, int floatWidth,
                           const QList<QSize> &outerSizes) {
  FType = type;
  FStart = start;
  FLeftFrame = leftFrame;
  FStartFloatWidth = FFloatWidth = floatWidth;
  FSizes = outerSizes;
  FSnapped = false;
  FDirection = 0;
  FLastProposal = Along(start.size());
  std::stable_sort(FSizes.begin(), FSizes.end(),
                   [this](const QSize &a, const QSize &b) { return Along(a) > Along(b); });
  // Never so far that a neighbouring size could be reached without a snap.
  FDistance = MaxSnapDistance;
  const int at = int(FSizes.indexOf(start.size()));
  if (at >= 0) {
    if (at > 0)
      FDistance = std::min(FDistance, std::abs(Along(FSizes[at - 1]) - Along(FSizes[at])) - 1);
    if (at + 1 < FSizes.size())
      FDistance = std::min(FDistance, std::abs(Along(FSizes[at + 1]) - Along(FSizes[at])) - 1);
  }
  FDistance = std::max(0, FDistance);
}

QRect TTbrSizingSnap::Snap(const QRect &proposed) {
  if (FSizes.isEmpty())
    return proposed;
  const int startValue = Along(FStart.size());
  const int value = Along(proposed.size());
  const int direction = value > FLastProposal ? 1 : value < FLastProposal ? -1 : FDirection;
  const bool turned = FDirection != 0 && direction != FDirection;
  FLastProposal = value;
  FDirection = direction;
  if ((!FSnapped || turned) && std::abs(value - startValue) <= FDistance) {
    FFloatWidth = FStartFloatWidth;
    return FStart;
  }
  QSize chosen;
  if (direction > 0) {
    // Growing: the smallest listed size larger than the proposal.
    chosen = FSizes.first();
    for (const QSize &s : FSizes)
      if (Along(s) > value)
        chosen = s;
  } else {
    // Shrinking: the largest listed size that fits the proposal.
    chosen = FSizes.last();
    for (auto it = FSizes.rbegin(); it != FSizes.rend(); ++it)
      if (Along(*it) <= value)
        chosen = *it;
  }
  FSnapped = true;
  int widest = 0;
  for (const QSize &s : FSizes)
    widest = std::max(widest, s.width());
  FFloatWidth = chosen.width() == widest ? 0 : std::max(0, chosen.width() - 2 * FLeftFrame);
  // The fixed edges stay where they were.
  const int right = FStart.x() + FStart.width(), bottom = FStart.y() + FStart.height();
  const int left = MovesLeftEdge(FType) ? right - chosen.width() : FStart.x();
  const int top = MovesTopEdge(FType) ? bottom - chosen.height() : FStart.y();
  return QRect(QPoint(left, top), chosen);
}

} // namespace qel::toolbars
