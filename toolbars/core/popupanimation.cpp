#include "toolbars/core/popupanimation.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace qel::toolbars {

int MulDiv(int a, int b, int c) {
  if (c == 0)
    return -1;
  const std::int64_t num = std::int64_t(a) * b;
  std::int64_t den = c;
  const bool negative = (num < 0) != (den < 0);
  const std::int64_t n = num < 0 ? -num : num, d = den < 0 ? -den : den;
  std::int64_t q = (n + d / 2) / d;
  if (negative)
    q = -q;
  if (q > std::numeric_limits<int>::max() || q < std::numeric_limits<int>::min())
    return -1;
  return int(q);
}

unsigned TPopupAnimationState::Start(int durationMs, bool blend, unsigned directions, const QPoint &cursor,
                                     const QRect &clientRect) {
  Duration = durationMs;
  IsBlend = blend;
  Directions = directions;
  LastCursor = cursor;
  ClientRect = clientRect;
  CurrentLevel = blend ? 32 : 0;
  IsFinished = IsPending = false;
  IsRunning = true;
  return ++CurrentSequence;
}

int TPopupAnimationState::Progress(qint64 elapsedMs) const {
  const qint64 e = std::clamp<qint64>(elapsedMs, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
  return MulDiv(255, int(e), Duration);
}

bool TPopupAnimationState::StopTicking() {
  // The last word: always asked for, so the driver finishes the animation.
  IsFinished = true;
  IsPending = true;
  return true;
}

bool TPopupAnimationState::Tick(qint64 elapsedMs, const QPoint &cursor) {
  if (!IsRunning || IsFinished)
    return false;
  const int progress = Progress(elapsedMs);
  if (progress < 0)
    return StopTicking();
  const int step = progress & ~15;
  if (step > 240 || elapsedMs >= Duration)
    return StopTicking();
  if (cursor != LastCursor) {
    LastCursor = cursor;
    if (ClientRect.contains(cursor))
      return StopTicking(); // the user is already pointing at the popup
  }
  if (CurrentLevel < step) {
    CurrentLevel = step;
    if (!IsPending) {
      IsPending = true;
      return true;
    }
  }
  return false;
}

int TPopupAnimationState::NextDelay(qint64 elapsedMs) const {
  const int delay = MulDiv(CurrentLevel - Progress(elapsedMs) + 16, Duration, 255);
  return delay < 1 ? 1 : delay;
}

TPopupAnimationState::TAdvance TPopupAnimationState::Advance(unsigned sequence) {
  if (!IsRunning || sequence != CurrentSequence)
    return TAdvance::Ignore;
  IsPending = false;
  return IsFinished ? TAdvance::Finish : TAdvance::Step;
}

QPoint TPopupAnimationState::SlideOffset(const QSize &size) const {
  if (IsBlend)
    return {};
  const int w = size.width(), h = size.height();
  int x = 0, y = 0;
  if (Directions & SlideFromTop)
    y = MulDiv(h, CurrentLevel, 255) - h;
  else if (Directions & SlideFromBottom)
    y = h - MulDiv(h, CurrentLevel, 255);
  if (Directions & SlideFromLeft)
    x = MulDiv(w, CurrentLevel, 255) - w;
  else if (Directions & SlideFromRight)
    x = w - MulDiv(w, CurrentLevel, 255);
  return {x, y};
}

} // namespace qel::toolbars
