#include "shell/simpletimer.h"

#include <algorithm>
#include <climits>

namespace qel {

TSimpleTimer::TSimpleTimer() : TSimpleTimer(1000, nullptr) {}

TSimpleTimer::TSimpleTimer(unsigned interval, TickHandler onTimer)
    : interval_(interval), onTimer_(std::move(onTimer)) {
  QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
}

TSimpleTimer::~TSimpleTimer() { timer_.stop(); }

bool TSimpleTimer::StartTimer() {
  if (interval_ == 0)
    return false;
  if (timer_.isActive())
    StopTimer(false);
  // QTimer counts in int milliseconds; longer intervals run at the longest it takes.
  timer_.start(static_cast<int>(std::min<unsigned>(interval_, INT_MAX)));
  enabled_ = true;
  return true;
}

bool TSimpleTimer::StopTimer(bool clearEnabled) {
  if (clearEnabled)
    enabled_ = false;
  const bool wasRunning = timer_.isActive();
  timer_.stop();
  return wasRunning;
}

void TSimpleTimer::SetEnabled(bool value) {
  if (value)
    StartTimer();
  else
    StopTimer(true);
}

void TSimpleTimer::SetInterval(unsigned value) {
  if (value == interval_)
    return;
  interval_ = value;
  if (!enabled_)
    return;
  if (value != 0)
    StartTimer();
  else
    StopTimer(false);
}

void TSimpleTimer::SetOnTimer(TickHandler handler) {
  onTimer_ = std::move(handler);
  if (!onTimer_ && enabled_)
    StopTimer(false);
}

void TSimpleTimer::Tick() {
  if (AutoDisable)
    StopTimer(true);
  if (onTimer_)
    onTimer_();
}

} // namespace qel
