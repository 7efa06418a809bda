#include "shell/simpletimer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

using qel::TSimpleTimer;

TEST(SimpleTimer, IntervalZeroRefusesToStartAndPausesWithoutForgetting) {
  int ticks = 0;
  TSimpleTimer t(0, [&] { ++ticks; });
  EXPECT_FALSE(t.StartTimer());
  EXPECT_FALSE(t.Enabled());

  t.SetInterval(50);
  t.SetEnabled(true);
  EXPECT_TRUE(t.Enabled());
  EXPECT_TRUE(t.Running());

  t.SetInterval(0); // paused, still meant to run
  EXPECT_TRUE(t.Enabled());
  EXPECT_FALSE(t.Running());

  t.SetInterval(30); // a later interval restarts it
  EXPECT_TRUE(t.Running());

  t.SetEnabled(false);
  EXPECT_FALSE(t.Enabled());
  EXPECT_FALSE(t.Running());
  t.SetInterval(40); // a disabled timer stays stopped
  EXPECT_FALSE(t.Running());
}

TEST(SimpleTimer, EmptyHandlerStopsButKeepsEnabled) {
  TSimpleTimer t(50, [] {});
  ASSERT_TRUE(t.StartTimer());
  t.SetOnTimer(nullptr);
  EXPECT_FALSE(t.Running());
  EXPECT_TRUE(t.Enabled());
}

TEST(SimpleTimer, AutoDisableStopsAtFirstTickAndCallsHandler) {
  int ticks = 0;
  TSimpleTimer t(50, [&] { ++ticks; });
  t.AutoDisable = true;
  ASSERT_TRUE(t.StartTimer());
  t.Tick();
  EXPECT_EQ(ticks, 1);
  EXPECT_FALSE(t.Enabled());
  EXPECT_FALSE(t.Running());
}

TEST(SimpleTimer, DefaultIsOneSecondAndTicksFromTheEventLoop) {
  EXPECT_EQ(TSimpleTimer().Interval(), 1000u);
  int ticks = 0;
  TSimpleTimer t(5, [&] { ++ticks; });
  t.AutoDisable = true;
  t.SetEnabled(true);
  QElapsedTimer clock;
  clock.start();
  while (ticks == 0 && clock.elapsed() < 5000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(ticks, 1);
  EXPECT_FALSE(t.Running());
}
