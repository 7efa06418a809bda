#pragma once
// Click recognition for the notification-area icon. Without a double-click
// handler a click fires at button-up; with one, it fires after the desktop's
// double-click time unless a double click came first. A double click also
// asks for the menu's default item (unless the menu opens on the left button).
// The tray feeds it button events; the clock is its TSimpleTimer.

#include "shell/simpletimer.h"

#include <functional>

namespace qel {

class TTrayClicks {
public:
  using Event = std::function<void()>;

  // doubleClickTime: the desktop's double-click time in ms, asked at each press.
  explicit TTrayClicks(std::function<unsigned()> doubleClickTime);

  Event OnClick;
  Event OnDblClick;
  Event OnPopup;       // the menu should open at the cursor
  Event OnDefaultItem; // a double click chose the menu's default item
  bool Enabled = true;  // while false every button event is ignored
  bool LeftPopup = false;

  void LeftDown();
  void LeftUp();
  void LeftDoubleClick();
  void RightDown();

  TSimpleTimer &ClickTimer() { return clickTimer_; }

private:
  void clickTimerTick();

  std::function<unsigned()> doubleClickTime_;
  TSimpleTimer clickTimer_;
  bool clickStarted_ = false;
  bool clickReady_ = false;
  bool doubleClickSeen_ = false;
};

} // namespace qel
