#include "shell/trayclicks.h"

namespace qel {

TTrayClicks::TTrayClicks(std::function<unsigned()> doubleClickTime)
    : doubleClickTime_(std::move(doubleClickTime)),
      clickTimer_(0, [this] { clickTimerTick(); }) {}

void TTrayClicks::LeftDown() {
  if (!Enabled)
    return;
  // A double click seen with no pending click (no double-click handler then)
  // must not swallow a later click.
  if (!clickTimer_.Running())
    doubleClickSeen_ = false;
  if (OnDblClick) {
    clickTimer_.SetInterval(doubleClickTime_ ? doubleClickTime_() : 400);
    clickTimer_.SetEnabled(true);
  }
  clickStarted_ = true;
  if (LeftPopup && OnPopup)
    OnPopup();
}

void TTrayClicks::LeftUp() {
  if (!Enabled)
    return;
  if (clickStarted_) {
    clickReady_ = true;
    if (!clickTimer_.Running()) {
      clickReady_ = false;
      clickStarted_ = false;
      if (OnClick)
        OnClick();
    }
  }
  clickStarted_ = false;
}

void TTrayClicks::LeftDoubleClick() {
  if (!Enabled)
    return;
  clickReady_ = false;
  doubleClickSeen_ = true;
  if (OnDblClick)
    OnDblClick();
  if (!LeftPopup && OnDefaultItem)
    OnDefaultItem();
}

void TTrayClicks::RightDown() {
  if (Enabled && OnPopup)
    OnPopup();
}

void TTrayClicks::clickTimerTick() {
  clickTimer_.StopTimer(true);
  if (!doubleClickSeen_ && clickReady_) {
    clickReady_ = false;
    if (OnClick)
      OnClick();
  }
  doubleClickSeen_ = false;
}

} // namespace qel
