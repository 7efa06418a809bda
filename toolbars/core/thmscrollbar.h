#pragma once
// The light scroll bar of list popups: not a window of its own but an area
// its viewer paints. This is its logic: the six zones along the bar, the
// thumb (never shorter than 8 pixels), stepping by buttons and track,
// dragging the thumb over the free track, and two timers (button repeat and
// auto-scroll) that the host runs and reports back.

#include <QPoint>
#include <QRect>

#include <array>
#include <functional>

namespace qel::toolbars {

enum class TThmScrollBarKind { Horizontal, Vertical };

// Zones, in bar coordinates (origin at the bar's top-left).
namespace sbz {
enum : int { Empty = 0, PrevButton = 1, TrackBefore = 2, Thumb = 3, TrackAfter = 4, NextButton = 5, None = -1 };
}

class TThmScrollBar {
public:
  static constexpr int RepeatTimer = 1;
  static constexpr int AutoScrollTimer = 2;
  static constexpr int FirstRepeatDelay = 500;
  static constexpr int RepeatInterval = 100;

  TThmScrollBar() = default;
  virtual ~TThmScrollBar();
  TThmScrollBar(const TThmScrollBar &) = delete;
  TThmScrollBar &operator=(const TThmScrollBar &) = delete;

  QRect Bounds() const { return FBounds; }
  void SetBounds(const QRect &bounds);
  TThmScrollBarKind Kind() const { return FKind; }
  void SetKind(TThmScrollBarKind kind);
  int Range() const { return FRange; }
  // Clamped at 0; a change redraws and re-applies the position.
  void SetRange(int range);
  // 0 stands for the bar's own length.
  int PageSize() const { return FPageSize; }
  void SetPageSize(int pageSize);
  int Position() const { return FPosition; }
  // A programmatic change: clamped and stored, no events.
  void SetPosition(int position) { ApplyPosition(position, false); }
  int Increment = 1;

  // The page size in effect.
  int Page() const;
  // The highest position.
  int MaxPosition() const;
  virtual bool Enabled() const { return Page() < FRange; }

  const QRect &Zone(int zone) const { return FZones[zone]; }
  // The zone under a point in bar coordinates (sbz::None outside).
  int ZoneAt(const QPoint &point) const;
  // The zone held by the mouse (sbz::None when none).
  int DownZone() const { return FDownZone; }

  // Mouse input in bar coordinates.
  virtual void MouseDown(const QPoint &point, bool leftButton);
  virtual void MouseMove(const QPoint &point);
  virtual void MouseUp(const QPoint &point, bool leftButton);

  // What a host's timer calls when it fires. `interval` comes back as the next
  // interval (below 1 stops that timer); the bar restarts or stops it.
  void TimerFired(int id);
  virtual void TimerElapsed(int id, int &interval);

  // Scrolls by `direction` every `interval` ms until stopped or at an end.
  void StartAutoScroll(int direction, int interval);
  void StopAutoScroll();
  bool AutoScrolling() const { return FAutoScroll; }
  int AutoScrollDirection() const { return FAutoScrollDirection; }
  int AutoScrollInterval() const { return FAutoScrollInterval; }

  // Events and seams.
  std::function<void()> OnChange;
  std::function<void()> OnRedraw;
  std::function<void(int &direction, int &interval)> OnAutoScroll;
  // The host runs the timers (a zero-sized hidden window on the desktop platform).
  std::function<void(int id, int milliseconds)> StartTimer;
  std::function<void(int id)> StopTimer;

protected:
  virtual void Redraw();

private:
  void UpdateZones();
  void ApplyPosition(int position, bool userChange);
  void Step(int zone);
  void StartHostTimer(int id, int ms);
  void StopHostTimer(int id);
  int Along(const QPoint &p) const { return FKind == TThmScrollBarKind::Vertical ? p.y() : p.x(); }

  QRect FBounds;
  TThmScrollBarKind FKind = TThmScrollBarKind::Vertical;
  int FRange = 0;
  int FPageSize = 0;
  int FPosition = 0;
  std::array<QRect, 6> FZones;
  int FDownZone = sbz::None;
  QPoint FDownPoint;
  int FDownPosition = 0;
  QPoint FLastPoint;
  bool FAutoScroll = false;
  int FAutoScrollDirection = 0;
  int FAutoScrollInterval = 0;
  unsigned FRunningTimers = 0;
};

// Rounds to the nearest integer, halves to even.
int RoundHalfEven(double value);

} // namespace qel::toolbars
