#include "toolbars/qt/popupanimator.h"
#include "toolbars/qt/qtplatformmetrics.h"

#include <QLabel>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace qel::toolbars;

namespace {

class PopupAnimatorTest : public ::testing::Test {
protected:
  void SetUp() override {
    TPopupAnimator::Instance().OnFinished = [this](QWidget *w) { Finished << w; };
  }
  void TearDown() override {
    TPopupAnimator::Instance().Finish();
    TPopupAnimator::Instance().OnFinished = nullptr;
  }
  static std::unique_ptr<QWidget> Popup(QPoint at = QPoint(300, 300)) {
    auto w = std::make_unique<QWidget>(nullptr, Qt::Popup);
    w->setGeometry(QRect(at, QSize(120, 80)));
    return w;
  }
  QList<QWidget *> Finished;
};

TEST_F(PopupAnimatorTest, AbandonedHalfWayLeavesTheWindowFullyShown) {
  auto popup = Popup();
  TPopupAnimator &animator = TPopupAnimator::Instance();
  animator.Start(popup.get(), 400, false, SlideFromTop);
  EXPECT_TRUE(popup->isVisible());
  EXPECT_FALSE(popup->mask().isEmpty()); // still masked: sliding
  QTest::qWait(100);
  ASSERT_TRUE(animator.Running());
  EXPECT_NE(popup->findChild<QLabel *>(), nullptr);

  animator.Finish(popup.get());
  EXPECT_FALSE(animator.Running());
  EXPECT_TRUE(popup->mask().isEmpty());
  EXPECT_EQ(popup->findChild<QLabel *>(), nullptr);
  EXPECT_EQ(Finished, QList<QWidget *>{popup.get()});
  QTest::qWait(20); // requests still queued change nothing now
  EXPECT_TRUE(popup->mask().isEmpty());
  EXPECT_EQ(Finished.size(), 1);
}

// A desktop with a compositor, installed for as long as it lives.
class Composited : public TPlatformMetrics {
public:
  Composited() { SetPlatformMetrics(this); }
  ~Composited() override { SetPlatformMetrics(nullptr); }
  bool CompositorPresent() const override { return true; }
};

TEST_F(PopupAnimatorTest, RunsToTheEndAndShowsTheWindowWhole) {
  const Composited composited;
  auto popup = Popup();
  TPopupAnimator &animator = TPopupAnimator::Instance();
  animator.Start(popup.get(), 60, true, 0);
  EXPECT_LT(popup->windowOpacity(), 0.5); // fading in
  EXPECT_TRUE(popup->mask().isEmpty());
  QTRY_VERIFY_WITH_TIMEOUT(!animator.Running(), 3000);
  EXPECT_DOUBLE_EQ(popup->windowOpacity(), 1.0);
  EXPECT_EQ(Finished, QList<QWidget *>{popup.get()});
}

TEST_F(PopupAnimatorTest, WithoutACompositorAFadeSlides) {
  // The tests' platform has no compositor: the window's opacity would show nothing.
  ASSERT_FALSE(PlatformMetrics().CompositorPresent());
  auto popup = Popup();
  TPopupAnimator &animator = TPopupAnimator::Instance();
  animator.Start(popup.get(), 400, true, SlideFromTop);
  EXPECT_DOUBLE_EQ(popup->windowOpacity(), 1.0);
  EXPECT_FALSE(popup->mask().isEmpty()); // sliding behind a mask instead
  EXPECT_NE(popup->findChild<QLabel *>(), nullptr);
  animator.Finish(popup.get());
  EXPECT_TRUE(popup->mask().isEmpty());
}

TEST_F(PopupAnimatorTest, ASecondPopupFinishesTheFirst) {
  auto first = Popup(), second = Popup(QPoint(600, 300));
  TPopupAnimator &animator = TPopupAnimator::Instance();
  animator.Start(first.get(), 400, false, SlideFromLeft | SlideFromBottom);
  animator.Finish(second.get()); // not the animated window: nothing happens
  EXPECT_TRUE(animator.Running());
  animator.Start(second.get(), 400, false, SlideFromRight);
  EXPECT_EQ(Finished, QList<QWidget *>{first.get()});
  EXPECT_TRUE(first->mask().isEmpty());
  EXPECT_EQ(animator.Window(), second.get());

  // The animated window going away ends the animation without harm.
  second.reset();
  QTRY_VERIFY_WITH_TIMEOUT(!animator.Running(), 3000);
}

} // namespace
