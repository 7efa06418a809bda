#include "toolbars/core/thmscrollbar.h"

#include <algorithm>
#include <cmath>

namespace qel::toolbars {

int RoundHalfEven(double value) {
  const double floor = std::floor(value);
  const double diff = value - floor;
  double result = floor;
  if (diff > 0.5 || (diff == 0.5 && std::fmod(floor, 2.0) != 0.0))
    result = floor + 1.0;
  return int(result);
}

TThmScrollBar::~TThmScrollBar() {
  // The timers belong to this bar: nothing may fire into it once it is gone.
  StopHostTimer(RepeatTimer);
  StopHostTimer(AutoScrollTimer);
}

void TThmScrollBar::SetBounds(const QRect &bounds) {
  FBounds = bounds;
  UpdateZones();
}

void TThmScrollBar::SetKind(TThmScrollBarKind kind) {
  FKind = kind;
  UpdateZones();
}

void TThmScrollBar::SetPageSize(int pageSize) {
  FPageSize = std::max(0, pageSize);
  ApplyPosition(FPosition, false);
  UpdateZones();
}

void TThmScrollBar::SetRange(int range) {
  range = std::max(0, range);
  if (range == FRange)
    return;
  FRange = range;
  UpdateZones();
  Redraw();
  ApplyPosition(FPosition, false);
}

int TThmScrollBar::Page() const {
  if (FPageSize > 0)
    return FPageSize;
  return FKind == TThmScrollBarKind::Vertical ? FBounds.height() : FBounds.width();
}

int TThmScrollBar::MaxPosition() const { return std::max(0, FRange - Page()); }

void TThmScrollBar::ApplyPosition(int position, bool userChange) {
  position = std::clamp(position, 0, MaxPosition());
  if (position == FPosition)
    return;
  FPosition = position;
  UpdateZones();
  if (userChange) {
    Redraw();
    if (OnChange)
      OnChange();
  }
}

void TThmScrollBar::UpdateZones() {
  const bool vertical = FKind == TThmScrollBarKind::Vertical;
  const int length = vertical ? FBounds.height() : FBounds.width();
  const int thickness0 = vertical ? FBounds.width() : FBounds.height();
  int thickness = thickness0;
  if (2 * thickness >= length - 2)
    thickness = std::max(0, (length - 2) / 2);
  // A span [from, to) along the bar as a rectangle across its full thickness.
  const auto span = [&](int from, int to) {
    if (to <= from)
      return QRect();
    return vertical ? QRect(0, from, thickness0, to - from) : QRect(from, 0, to - from, thickness0);
  };
  FZones.fill(QRect());
  FZones[sbz::PrevButton] = span(0, thickness);
  FZones[sbz::NextButton] = span(length - thickness, length);
  const int track = length - 2 * thickness;
  if (Enabled() && track > 12) {
    const int page = Page();
    const int thumb = RoundHalfEven(double(page) * track / FRange);
    int offset, size;
    if (thumb < 8) {
      size = 8;
      offset = RoundHalfEven(double(track - 8) * FPosition / (FRange - page));
    } else {
      size = thumb;
      offset = RoundHalfEven(double(track) * FPosition / FRange);
    }
    offset = std::clamp(offset, 0, track - size);
    FZones[sbz::TrackBefore] = span(thickness, thickness + offset);
    FZones[sbz::Thumb] = span(thickness + offset, thickness + offset + size);
    FZones[sbz::TrackAfter] = span(thickness + offset + size, length - thickness);
  } else {
    FZones[sbz::Empty] = span(thickness, length - thickness);
  }
}

int TThmScrollBar::ZoneAt(const QPoint &point) const {
  for (int zone = sbz::PrevButton; zone <= sbz::NextButton; ++zone)
    if (FZones[zone].contains(point))
      return zone;
  if (FZones[sbz::Empty].contains(point))
    return sbz::Empty;
  return sbz::None;
}

void TThmScrollBar::Step(int zone) {
  switch (zone) {
  case sbz::PrevButton: ApplyPosition(FPosition - Increment, true); break;
  case sbz::TrackBefore: ApplyPosition(FPosition - Page(), true); break;
  case sbz::TrackAfter: ApplyPosition(FPosition + Page(), true); break;
  case sbz::NextButton: ApplyPosition(FPosition + Increment, true); break;
  default: break;
  }
}

void TThmScrollBar::MouseDown(const QPoint &point, bool leftButton) {
  if (!leftButton)
    return;
  FDownZone = ZoneAt(point);
  FDownPoint = point;
  FLastPoint = point;
  FDownPosition = FPosition;
  switch (FDownZone) {
  case sbz::PrevButton:
  case sbz::TrackBefore:
  case sbz::TrackAfter:
  case sbz::NextButton:
    Step(FDownZone);
    StartHostTimer(RepeatTimer, FirstRepeatDelay);
    break;
  default: break;
  }
  Redraw();
}

void TThmScrollBar::MouseMove(const QPoint &point) {
  FLastPoint = point;
  if (FDownZone != sbz::Thumb || FRange <= 0)
    return;
  const int moved = Along(point) - Along(FDownPoint);
  const int trackStart = Along(FZones[sbz::TrackBefore].isNull() ? FZones[sbz::Thumb].topLeft()
                                                                   : FZones[sbz::TrackBefore].topLeft());
  const QRect &after = FZones[sbz::TrackAfter].isNull() ? FZones[sbz::Thumb] : FZones[sbz::TrackAfter];
  const int trackEnd = FKind == TThmScrollBarKind::Vertical ? after.bottom() + 1 : after.right() + 1;
  const int track = trackEnd - trackStart;
  const int page = Page();
  int position = FDownPosition;
  if (track > 0 && RoundHalfEven(double(track) * page / FRange) > 7)
    position += RoundHalfEven(double(moved) * FRange / track);
  else if (track > 8)
    // The thumb was drawn longer than its share: the free track maps onto the range.
    position += RoundHalfEven(double(moved) * (FRange - page) / (track - 8));
  ApplyPosition(position, true);
}

void TThmScrollBar::MouseUp(const QPoint &point, bool leftButton) {
  FLastPoint = point;
  StopHostTimer(RepeatTimer);
  if (leftButton) {
    FDownZone = sbz::None;
    Redraw();
  }
}

void TThmScrollBar::TimerFired(int id) {
  int interval = 0;
  TimerElapsed(id, interval);
  if (interval < 1) {
    StopHostTimer(id);
    if (id == AutoScrollTimer)
      FAutoScroll = false;
  } else {
    StartHostTimer(id, interval);
  }
}

void TThmScrollBar::TimerElapsed(int id, int &interval) {
  if (id == RepeatTimer) {
    const bool trackZone = FDownZone == sbz::TrackBefore || FDownZone == sbz::TrackAfter;
    const bool buttonZone = FDownZone == sbz::PrevButton || FDownZone == sbz::NextButton;
    if (!trackZone && !buttonZone)
      return;
    // The track parts shrink as the thumb comes closer: stop once it reaches the mouse.
    if (trackZone && !FZones[FDownZone].contains(FLastPoint))
      return;
    Step(FDownZone);
    interval = RepeatInterval;
  } else if (id == AutoScrollTimer) {
    if (!FAutoScroll)
      return;
    interval = FAutoScrollInterval;
    ApplyPosition(FPosition + FAutoScrollDirection, true);
    if (FPosition == 0 || FPosition == MaxPosition())
      interval = 0;
    if (OnAutoScroll)
      OnAutoScroll(FAutoScrollDirection, interval);
  }
}

void TThmScrollBar::StartAutoScroll(int direction, int interval) {
  if (direction == 0)
    return;
  FAutoScrollDirection = direction;
  FAutoScrollInterval = interval;
  if (!FAutoScroll) {
    FAutoScroll = true;
    StartHostTimer(AutoScrollTimer, interval);
  }
}

void TThmScrollBar::StopAutoScroll() {
  if (!FAutoScroll)
    return;
  FAutoScroll = false;
  StopHostTimer(AutoScrollTimer);
}

void TThmScrollBar::Redraw() {
  if (OnRedraw)
    OnRedraw();
}

void TThmScrollBar::StartHostTimer(int id, int ms) {
  FRunningTimers |= 1u << id;
  if (StartTimer)
    StartTimer(id, ms);
}

void TThmScrollBar::StopHostTimer(int id) {
  if (!(FRunningTimers & (1u << id)))
    return;
  FRunningTimers &= ~(1u << id);
  if (StopTimer)
    StopTimer(id);
}

} // namespace qel::toolbars
