#pragma once
// The show animation of a popup: a fade (window opacity rising from 32 to
// 255) or a slide in from up to two edges, stepped in levels of 16 over the
// duration. The clock, the pointer and the window stay outside: a driver on
// the user-interface thread feeds them in, asks for the next step, and
// applies the level. Each animation has a sequence number, so that a step
// asked for by an earlier animation is ignored, and at most one step is
// outstanding at a time.

#include <QPoint>
#include <QRect>
#include <QSize>

namespace qel::toolbars {

enum TSlideDirection : unsigned {
  SlideFromRight = 1,
  SlideFromLeft = 2,
  SlideFromTop = 4,
  SlideFromBottom = 8,
};

// round(a x b / c), halves away from zero; -1 when c is 0.
int MulDiv(int a, int b, int c);

class TPopupAnimationState {
public:
  // Starts a new animation (the driver finishes any running one first) and
  // answers its sequence number.
  unsigned Start(int durationMs, bool blend, unsigned directions, const QPoint &cursor, const QRect &clientRect);

  // One pass of the clock at `elapsedMs` after the start with the pointer at
  // `cursor`: true when a step should be asked for now. The animation ends
  // when its time is up, or when the pointer moves into the popup.
  bool Tick(qint64 elapsedMs, const QPoint &cursor);
  // How long to wait before the next pass (at least 1 ms).
  int NextDelay(qint64 elapsedMs) const;

  enum class TAdvance { Ignore, Step, Finish };
  // A step asked for by the animation `sequence` arrived.
  TAdvance Advance(unsigned sequence);

  // Where the snapshot goes for a slide at the current level (also the
  // visible part's top-left corner); (0, 0) for a fade.
  QPoint SlideOffset(const QSize &size) const;

  bool Running() const { return IsRunning; }
  // Marks the animation over (the driver shows the final image).
  void Stop() { IsRunning = false; }
  bool Blend() const { return IsBlend; }
  bool Finished() const { return IsFinished; }
  int Level() const { return CurrentLevel; }
  unsigned Sequence() const { return CurrentSequence; }
  bool Pending() const { return IsPending; }

private:
  int Progress(qint64 elapsedMs) const;
  bool StopTicking();

  int Duration = 0;
  bool IsBlend = false;
  unsigned Directions = 0;
  QPoint LastCursor;
  QRect ClientRect;
  int CurrentLevel = 0;
  bool IsFinished = false, IsPending = false, IsRunning = false;
  unsigned CurrentSequence = 0;
};

} // namespace qel::toolbars
