#include "toolbars/core/sound.h"
#include "toolbars/core/tbview.h"
#include "toolbars/paint/plainview.h"
#include "toolbars/qt/popupanimator.h"
#include "toolbars/qt/qtplatformmetrics.h"
#include "toolbars/qt/tbpopupwindow.h"

#include <QApplication>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include "tests/toolbars/toolbartest.h"


using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

// A toolbar window at a place on the screen, hosting a horizontal view.
class TBarWindow : public QWidget, public TTbrWidgetViewHost {
public:
  TBarWindow(TTbrCustomItem *root, const QPoint &at)
      : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint),
        TTbrWidgetViewHost(this), View(this, nullptr, root, true) {
    SetHostedView(&View);
    setGeometry(QRect(at, QSize(300, 24)));
    show();
    View.ValidatePositions();
  }
  void AutoSize(const QSize &size) override { resize(size); }
  TTbrView View;
};

TTbrPopupWindow *WindowOf(TTbrView *view) {
  auto *popup = dynamic_cast<TTbrPopupView *>(view);
  return popup ? popup->Window() : nullptr;
}

QRect ScreenRectOf(TTbrView &view, TTbrCustomItem *item) {
  return view.Find(item)->BoundsRect.translated(view.Host()->ScreenClientRect().topLeft());
}

class PopupWindowTest : public ::testing::Test {
protected:
  TTestDesktop Desktop{QRect(0, 0, 1024, 768), QRect(0, 0, 1024, 740)};
  TTbrRootItem Root;
};

TEST_F(PopupWindowTest, DropDownOpensBelowItsButtonAndSubmenusBesideTheirItem) {
  auto *file = Add<TSubmenuItem>(&Root, "&File");
  Add(file, "&Open");
  auto *recent = Add<TSubmenuItem>(file, "&Recent");
  Add(recent, "one.qel");
  TBarWindow bar(&Root, QPoint(100, 50));

  bar.View.Select(bar.View.Find(file), false);
  ASSERT_TRUE(bar.View.OpenChildPopup(false));
  TTbrPopupWindow *menu = WindowOf(bar.View.OpenViewerView());
  ASSERT_NE(menu, nullptr);
  EXPECT_TRUE(menu->isVisible());
  const QRect button = ScreenRectOf(bar.View, file);
  EXPECT_EQ(menu->geometry().topLeft(), QPoint(button.left(), button.bottom() + 1));
  // The window is its view's size plus the frame on every side.
  EXPECT_EQ(menu->ClientRect().size() + QSize(6, 6), menu->size());
  EXPECT_TRUE(menu->AnimationDirection() & tbadDown);
  EXPECT_EQ(menu->View()->MaxHeight, 768 - 6);

  TTbrView *menuView = menu->View();
  menuView->Select(menuView->Find(recent), false);
  ASSERT_TRUE(menuView->OpenChildPopup(false));
  TTbrPopupWindow *sub = WindowOf(menuView->OpenViewerView());
  ASSERT_NE(sub, nullptr);
  const QRect item = ScreenRectOf(*menuView, recent);
  EXPECT_EQ(sub->geometry().topLeft(), QPoint(item.right() + 1 - 3, item.top() - 3));
  EXPECT_TRUE(sub->AnimationDirection() & tbadRight);

  // Freeing a popup closes the ones opened from it first.
  QPointer<TTbrPopupWindow> watchSub(sub);
  bar.View.CloseChildPopups();
  EXPECT_TRUE(watchSub.isNull());
  EXPECT_EQ(bar.View.OpenViewerView(), nullptr);
}

TEST_F(PopupWindowTest, SubmenuWithoutRoomOnTheRightOpensOnTheLeftAndSoDoItsOwn) {
  auto *file = Add<TSubmenuItem>(&Root, "&File");
  auto *more = Add<TSubmenuItem>(file, "More and more and more");
  auto *deeper = Add<TSubmenuItem>(more, "Deeper and deeper and deeper");
  Add(deeper, "End of the line");
  TBarWindow bar(&Root, QPoint(1024 - 120, 50));

  bar.View.Select(bar.View.Find(file), false);
  ASSERT_TRUE(bar.View.OpenChildPopup(false));
  TTbrView *menu = bar.View.OpenViewerView();
  menu->Select(menu->Find(more), false);
  ASSERT_TRUE(menu->OpenChildPopup(false));
  TTbrView *second = menu->OpenViewerView();
  const QRect menuRect = WindowOf(menu)->geometry();
  const QRect secondRect = WindowOf(second)->geometry();
  EXPECT_EQ(secondRect.right(), ScreenRectOf(*menu, more).left() + 3 - 1);
  EXPECT_TRUE(second->State & tbvsOpenLeft);
  EXPECT_TRUE(WindowOf(second)->AnimationDirection() & tbadLeft);
  EXPECT_LT(secondRect.left(), menuRect.left());

  second->Select(second->Find(deeper), false);
  ASSERT_TRUE(second->OpenChildPopup(false));
  const QRect thirdRect = WindowOf(second->OpenViewerView())->geometry();
  EXPECT_LT(thirdRect.left(), secondRect.left()); // leftward again, though the right had room
  EXPECT_GE(thirdRect.left(), 0);
}

TEST_F(PopupWindowTest, PopupAtAPointFlipsLeftNearTheRightEdge) {
  Add(&Root, "Cut");
  Add(&Root, "Copy with a long caption");
  TTbrQtPopupFactory factory;
  struct TCase {
    QPoint At;
    TTbrPopupAlignment Alignment;
    bool FlipsLeft;
  } cases[] = {
      {{200, 100}, tbpaLeft, false},
      {{1010, 100}, tbpaLeft, true},
      {{1010, 100}, tbpaRight, true},
  };
  for (const TCase &c : cases) {
    TTbrView *view = factory.OpenPopupAt(&Root, c.At, c.Alignment, false);
    ASSERT_NE(view, nullptr);
    TTbrPopupWindow *window = WindowOf(view);
    const QRect r = window->geometry();
    if (c.FlipsLeft && c.Alignment == tbpaLeft)
      EXPECT_EQ(r.right() + 1, c.At.x()) << c.At.x();
    else if (c.Alignment == tbpaRight)
      EXPECT_EQ(r.right() + 1, c.At.x());
    else
      EXPECT_EQ(r.left(), c.At.x());
    EXPECT_EQ(r.top(), c.At.y());
    EXPECT_TRUE(view->State & tbvsJustOpenedAtPoint);
    EXPECT_TRUE(window->isVisible());
    QPointer<TTbrPopupWindow> watch(window);
    factory.ClosePopup(view);
    EXPECT_TRUE(watch.isNull());
  }
}

TEST_F(PopupWindowTest, AMenuTallerThanTheMonitorFitsOnItAndScrolls) {
  for (int i = 0; i < 80; ++i)
    Add(&Root, QStringLiteral("Entry %1").arg(i));
  TTbrQtPopupFactory factory;
  TTbrView *view = factory.OpenPopupAt(&Root, QPoint(100, 300), tbpaLeft, false);
  const QRect r = WindowOf(view)->geometry();
  EXPECT_LE(r.height(), 768);
  EXPECT_GE(r.top(), 0);
  EXPECT_LE(r.bottom(), 767);
  EXPECT_TRUE(view->ShowDownArrow);
  EXPECT_FALSE(view->ShowUpArrow);
  factory.ClosePopup(view);
}

TEST_F(PopupWindowTest, IgnoresRequestsToCloseFromOutside) {
  Add(&Root, "Cut");
  TTbrQtPopupFactory factory;
  TTbrView *view = factory.OpenPopupAt(&Root, QPoint(50, 50), tbpaLeft, false);
  TTbrPopupWindow *window = WindowOf(view);
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(window->isVisible());
  factory.ClosePopup(view);
}

// Records when the sound starts: whether the popup was visible by then.
class TRecordingScheme : public TSoundScheme {
public:
  TRecordingScheme() { SetSoundScheme(this); }
  ~TRecordingScheme() override { SetSoundScheme(nullptr); }
  bool HasSound(const QString &name) const override { return name == SoundMenuPopup; }
  void Play(const QString &) override {
    const auto windows = QApplication::topLevelWidgets();
    bool visible = false;
    for (QWidget *w : windows)
      visible |= dynamic_cast<TTbrPopupWindow *>(w) && w->isVisible();
    VisibleWhenPlayed.append(visible);
  }
  QList<bool> VisibleWhenPlayed;
};

TEST_F(PopupWindowTest, PopupSoundAndAnimation) {
  Add(&Root, "Cut");
  TTbrQtPopupFactory factory;
  {
    // The sound starts after the process's very first popup is shown, and
    // before every later one; this test cannot know whether another test
    // showed the first, so it checks the later order.
    TRecordingScheme scheme;
    factory.ClosePopup(factory.OpenPopupAt(&Root, QPoint(50, 50), tbpaLeft, false));
    factory.ClosePopup(factory.OpenPopupAt(&Root, QPoint(50, 50), tbpaLeft, false));
    ASSERT_EQ(scheme.VisibleWhenPlayed.size(), 2);
    EXPECT_FALSE(scheme.VisibleWhenPlayed.last());
  }
  // Without menu animation the popup is shown at once; with it the first
  // popup unrolls, unless something is selected in it already.
  TTbrView *plain = factory.OpenPopupAt(&Root, QPoint(50, 50), tbpaLeft, false);
  EXPECT_FALSE(TPopupAnimator::Instance().Running());
  factory.ClosePopup(plain);

  QApplication::setEffectEnabled(Qt::UI_General, true);
  QApplication::setEffectEnabled(Qt::UI_AnimateMenu, true);
  TTbrView *animated = factory.OpenPopupAt(&Root, QPoint(500, 50), tbpaLeft, false);
  EXPECT_TRUE(TPopupAnimator::Instance().Running());
  EXPECT_EQ(TPopupAnimator::Instance().Window(), WindowOf(animated));
  factory.ClosePopup(animated);
  EXPECT_FALSE(TPopupAnimator::Instance().Running()); // a freed popup stops its animation
  TTbrView *selected = factory.OpenPopupAt(&Root, QPoint(500, 50), tbpaLeft, true);
  EXPECT_FALSE(TPopupAnimator::Instance().Running());
  factory.ClosePopup(selected);
  QApplication::setEffectEnabled(Qt::UI_AnimateMenu, false);
}

TEST_F(PopupWindowTest, PaintsTheSelectionTheFrameAndTheScrollArrows) {
  auto *cut = Add(&Root, "C&ut");
  Add(&Root, "Copy");
  cut->SetChecked(true);
  TTbrQtPopupFactory factory;
  TTbrView *view = factory.OpenPopupAt(&Root, QPoint(50, 50), tbpaLeft, true);
  TTbrPopupWindow *window = WindowOf(view);
  ASSERT_EQ(view->Selected(), view->Find(cut));
  const QImage image = window->grab().toImage();
  const QPalette &pal = window->palette();
  const QRect selected = view->Find(cut)->BoundsRect.translated(3, 3);
  // The highlight fills the selected row except where text and the check mark are.
  EXPECT_EQ(image.pixel(selected.right() - 2, selected.top() + 1), pal.color(QPalette::Highlight).rgb());
  const QRect other = view->Find(Root.Items(1))->BoundsRect.translated(3, 3);
  EXPECT_EQ(image.pixel(other.right() - 2, other.top() + 1), pal.color(QPalette::Window).rgb());
  // Something is drawn in the caption and the check column.
  int textPixels = 0, checkPixels = 0;
  for (int y = selected.top(); y <= selected.bottom(); ++y)
    for (int x = selected.left(); x <= selected.right(); ++x)
      if (image.pixel(x, y) == pal.color(QPalette::HighlightedText).rgb())
        ++(x < selected.left() + selected.height() ? checkPixels : textPixels);
  EXPECT_GT(textPixels, 4);
  EXPECT_GT(checkPixels, 5);
  // The raised frame: its outer line light at the top left, dark at the bottom right.
  EXPECT_EQ(image.pixel(0, image.height() - 1), pal.color(QPalette::Shadow).rgb());

  // A scrolling popup shows its arrow bands.
  view->ShowDownArrow = true;
  const QImage arrows = window->grab().toImage();
  const int bandMiddle = window->height() - 3 - ScrollArrowBandHeight / 2;
  int arrowPixels = 0;
  for (int x = 0; x < window->width(); ++x)
    arrowPixels += arrows.pixel(x, bandMiddle) == pal.color(QPalette::WindowText).rgb();
  EXPECT_GT(arrowPixels, 0);
  factory.ClosePopup(view);
}

} // namespace
