#pragma once
// A light timer: an interval, an enabled flag kept apart from whether it runs
// (an interval of 0 pauses it without forgetting that it should run), an
// optional auto-disable after the first tick, and one handler.

#include <QTimer>

#include <functional>

namespace qel {

class TSimpleTimer {
public:
  using TickHandler = std::function<void()>;

  TSimpleTimer(); // 1,000 ms, no handler
  TSimpleTimer(unsigned interval, TickHandler onTimer);
  ~TSimpleTimer();
  TSimpleTimer(const TSimpleTimer &) = delete;
  TSimpleTimer &operator=(const TSimpleTimer &) = delete;

  // Starts (restarts) the timer; false when the interval is 0.
  bool StartTimer();
  // Stops the timer; clearEnabled also forgets that it should run.
  // True when it was running.
  bool StopTimer(bool clearEnabled);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned value);
  void SetOnTimer(TickHandler handler);
  bool HasHandler() const { return static_cast<bool>(onTimer_); }

  // Stop after the first tick.
  bool AutoDisable = false;

  // Whether the timer is counting now.
  bool Running() const { return timer_.isActive(); }
  // What an elapsed interval does; tests call it in place of waiting.
  void Tick();

private:
  QTimer timer_;
  unsigned interval_ = 1000;
  bool enabled_ = false;
  TickHandler onTimer_;
};

} // namespace qel
