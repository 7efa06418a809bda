#include "shell/trayclicks.h"

#include <gtest/gtest.h>

#include <string>

using qel::TTrayClicks;

namespace {

// Button events are letters: d = left down, u = left up, D = double click,
// r = right down, t = the double-click time elapses (the click timer ticks).
struct ClickCase {
  const char *name;
  bool withDblHandler;
  bool leftPopup;
  bool enabled;
  const char *events;
  const char *expected; // c = click, 2 = double-click event, m = default item, p = popup
};

std::string run(const ClickCase &c) {
  std::string log;
  TTrayClicks clicks([] { return 250u; });
  clicks.Enabled = c.enabled;
  clicks.LeftPopup = c.leftPopup;
  clicks.OnClick = [&] { log += 'c'; };
  if (c.withDblHandler)
    clicks.OnDblClick = [&] { log += '2'; };
  clicks.OnDefaultItem = [&] { log += 'm'; };
  clicks.OnPopup = [&] { log += 'p'; };
  for (const char *e = c.events; *e; ++e) {
    switch (*e) {
    case 'd': clicks.LeftDown(); break;
    case 'u': clicks.LeftUp(); break;
    case 'D': clicks.LeftDoubleClick(); break;
    case 'r': clicks.RightDown(); break;
    case 't':
      if (clicks.ClickTimer().Running())
        clicks.ClickTimer().Tick();
      break;
    }
  }
  return log;
}

} // namespace

TEST(TrayClicks, RecognisesClicksAndDoubleClicks) {
  const ClickCase cases[] = {
      {"click without double-click handler fires at button-up", false, false, true, "du", "c"},
      {"click without handler, timer never involved", false, false, true, "dut", "c"},
      {"double click without handler: default item, no second click", false, false, true, "duDut", "cm"},
      {"click with handler waits for the double-click time", true, false, true, "du", ""},
      {"click with handler fires when the time elapses", true, false, true, "dut", "c"},
      {"double click with handler: no click at all", true, false, true, "duDut", "2m"},
      {"after a double click the next click is a click again", true, false, true, "duDutdut", "2mc"},
      {"left popup opens the menu on press and skips the default item", false, true, true, "duDu", "pc"},
      {"right button opens the menu", false, false, true, "r", "p"},
      {"disabled ignores everything", true, false, false, "duDutr", ""},
      {"disabled without handler ignores everything", false, false, false, "duDu", ""},
      {"up without down is no click", false, false, true, "u", ""},
  };
  for (const auto &c : cases)
    EXPECT_EQ(run(c), c.expected) << c.name;
}

TEST(TrayClicks, DoubleClickTimeIsAskedAtEachPress) {
  unsigned time = 300;
  TTrayClicks clicks([&] { return time; });
  clicks.OnDblClick = [] {};
  clicks.LeftDown();
  EXPECT_EQ(clicks.ClickTimer().Interval(), 300u);
  EXPECT_TRUE(clicks.ClickTimer().Running());
  clicks.LeftUp();
  clicks.ClickTimer().Tick();
  EXPECT_FALSE(clicks.ClickTimer().Running());
  time = 500;
  clicks.LeftDown();
  EXPECT_EQ(clicks.ClickTimer().Interval(), 500u);
}
