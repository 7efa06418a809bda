#include "app/progress.h"

#include <QProgressBar>
#include <gtest/gtest.h>

#include <stdexcept>

using namespace qel;

TEST(Progress, ShowSetClose) {
  ShowProgress(QStringLiteral("Opening cards.qel"), 100);
  ASSERT_NE(f_progress, nullptr);
  EXPECT_TRUE(f_progress->isVisible());
  EXPECT_EQ(f_progress->windowTitle(), QStringLiteral("Opening cards.qel"));
  EXPECT_EQ(f_progress->size(), QSize(313, 33));
  EXPECT_EQ(f_progress->Progress->objectName(), QStringLiteral("Progress"));
  EXPECT_EQ(f_progress->Progress->geometry(), QRect(8, 8, 297, 16));
  SetProgress(45);
  EXPECT_EQ(f_progress->Progress->value(), 45);
  SetProgress(500);
  EXPECT_EQ(f_progress->position(), 100);

  // Only one window: showing again reuses it from position 0.
  Tf_progress *first = f_progress;
  ShowProgress(QStringLiteral("Saving cards.qel"), 10);
  EXPECT_EQ(f_progress, first);
  EXPECT_EQ(f_progress->position(), 0);
  EXPECT_EQ(f_progress->maximum(), 10);

  // An empty list: an empty bar, not a busy indicator.
  ShowProgress(QStringLiteral("Exporting..."), -1);
  EXPECT_EQ(f_progress->maximum(), 0);
  EXPECT_GT(f_progress->Progress->maximum(), f_progress->Progress->minimum());
  EXPECT_EQ(f_progress->Progress->value(), 0);
  SetProgress(3);
  EXPECT_EQ(f_progress->position(), 0);

  CloseProgress();
  EXPECT_EQ(f_progress, nullptr);
  SetProgress(5); // nothing shown: nothing happens
  CloseProgress();
}

TEST(Progress, GuardClosesOnEveryWayOut) {
  try {
    ProgressGuard progress(QStringLiteral("Exporting..."), 20);
    progress.set(7);
    ASSERT_NE(f_progress, nullptr);
    throw std::runtime_error("disk full");
  } catch (const std::runtime_error &) {
  }
  EXPECT_EQ(f_progress, nullptr);

  {
    ProgressGuard outer(QStringLiteral("Saving a.qel"), 100);
    outer.set(40);
    {
      ProgressGuard inner(QStringLiteral("Joining cards"), 5);
      EXPECT_EQ(f_progress->windowTitle(), QStringLiteral("Joining cards"));
    }
    ASSERT_NE(f_progress, nullptr) << "the outer command's window stays";
    EXPECT_EQ(f_progress->windowTitle(), QStringLiteral("Saving a.qel"));
    EXPECT_EQ(f_progress->maximum(), 100);
    EXPECT_EQ(f_progress->position(), 40);
  }
  EXPECT_EQ(f_progress, nullptr);
}
