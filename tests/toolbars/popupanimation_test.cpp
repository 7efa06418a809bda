#include "toolbars/core/popupanimation.h"

#include <gtest/gtest.h>

#include <climits>

using namespace qel::toolbars;

namespace {

using TAdvance = TPopupAnimationState::TAdvance;

const QRect Client(100, 100, 80, 120);
const QPoint Outside(10, 10);

TEST(ToolbarPopupAnimation, MulDivRoundsHalvesAwayFromZero) {
  EXPECT_EQ(MulDiv(255, 75, 150), 128); // 127.5
  EXPECT_EQ(MulDiv(-255, 75, 150), -128);
  EXPECT_EQ(MulDiv(10, 1, 3), 3);
  EXPECT_EQ(MulDiv(10, 2, 3), 7);
  EXPECT_EQ(MulDiv(1, 1, 0), -1);
  EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, 1), -1);
}

TEST(ToolbarPopupAnimation, StepsInSixteensWithOneStepOutstanding) {
  TPopupAnimationState a;
  const unsigned seq = a.Start(150, false, SlideFromTop, Outside, Client);
  EXPECT_EQ(a.Level(), 0);
  EXPECT_FALSE(a.Tick(5, Outside)); // progress 9: step 0, nothing to show yet
  EXPECT_TRUE(a.Tick(10, Outside)); // progress 17: step 16
  EXPECT_EQ(a.Level(), 16);
  EXPECT_FALSE(a.Tick(30, Outside)); // a step is outstanding: the level moves on, no second request
  EXPECT_EQ(a.Level(), 48);
  EXPECT_EQ(a.Advance(seq), TAdvance::Step);
  EXPECT_EQ(a.SlideOffset(QSize(80, 120)), QPoint(0, MulDiv(120, 48, 255) - 120));
  EXPECT_EQ(a.Advance(seq - 1), TAdvance::Ignore); // an earlier animation's request
  EXPECT_TRUE(a.Tick(60, Outside));
  EXPECT_EQ(a.Advance(seq), TAdvance::Step);
  EXPECT_GE(a.NextDelay(60), 1);
  // Time up: one last request, which finishes it.
  EXPECT_TRUE(a.Tick(150, Outside));
  EXPECT_TRUE(a.Finished());
  EXPECT_FALSE(a.Tick(160, Outside));
  EXPECT_EQ(a.Advance(seq), TAdvance::Finish);
}

TEST(ToolbarPopupAnimation, PointerIntoThePopupEndsIt) {
  TPopupAnimationState a;
  a.Start(150, true, 0, QPoint(120, 90), Client);
  EXPECT_EQ(a.Level(), 32); // a fade starts faintly visible
  EXPECT_FALSE(a.Tick(1, QPoint(120, 90)));
  EXPECT_FALSE(a.Tick(2, QPoint(20, 20))); // moved, but not onto the popup
  EXPECT_TRUE(a.Tick(3, QPoint(120, 130)));
  EXPECT_TRUE(a.Finished());
  EXPECT_EQ(a.SlideOffset(QSize(80, 120)), QPoint(0, 0));
}

TEST(ToolbarPopupAnimation, ANewAnimationOutdatesTheOld) {
  TPopupAnimationState a;
  const unsigned first = a.Start(150, false, SlideFromLeft | SlideFromBottom, Outside, Client);
  EXPECT_TRUE(a.Tick(20, Outside));
  const unsigned second = a.Start(150, false, SlideFromRight, Outside, Client);
  EXPECT_NE(first, second);
  EXPECT_EQ(a.Advance(first), TAdvance::Ignore);
  EXPECT_FALSE(a.Pending());
  // A zero duration is over at once.
  a.Start(0, false, SlideFromRight, Outside, Client);
  EXPECT_TRUE(a.Tick(0, Outside));
  EXPECT_TRUE(a.Finished());
}

TEST(ToolbarPopupAnimation, SlideOffsets) {
  struct Case {
    unsigned directions;
    int level;
    QPoint offset;
  };
  // w 100, h 50: MulDiv(100, 128, 255) = 50, MulDiv(50, 128, 255) = 25.
  const Case cases[] = {
      {SlideFromTop, 128, {0, -25}},     {SlideFromBottom, 128, {0, 25}},
      {SlideFromLeft, 128, {-50, 0}},    {SlideFromRight, 128, {50, 0}},
      {SlideFromLeft | SlideFromTop, 128, {-50, -25}}, {SlideFromRight, 0, {100, 0}},
  };
  for (const Case &c : cases) {
    TPopupAnimationState a;
    const unsigned seq = a.Start(255, false, c.directions, Outside, Client);
    // Elapsed ms equals progress with a 255 ms duration.
    if (c.level > 0) {
      a.Tick(c.level, Outside);
      a.Advance(seq);
    }
    EXPECT_EQ(a.Level(), c.level);
    EXPECT_EQ(a.SlideOffset(QSize(100, 50)), c.offset) << c.directions << " " << c.level;
  }
}

} // namespace
