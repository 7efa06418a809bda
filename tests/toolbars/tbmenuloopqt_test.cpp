#include "toolbars/core/tbview.h"
#include "toolbars/qt/qtplatformmetrics.h"
#include "toolbars/qt/tbdock.h"
#include "toolbars/qt/tbmodaldriver.h"
#include "toolbars/qt/tbpopupmenu.h"
#include "toolbars/qt/tbpopupwindow.h"
#include "toolbars/qt/tbtoolbar.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <memory>
#include "tests/toolbars/menuscript.h"
#include "tests/toolbars/toolbartest.h"


using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

QPoint CentreOf(TTbrView *view, TTbrCustomItem *item) {
  return view->Find(item)->BoundsRect.center() + view->Host()->ScreenClientRect().topLeft();
}

// Sends mouse input to whatever top-level window lies under a screen point.
void ClickAt(const QPoint &global, Qt::MouseButton button = Qt::LeftButton) {
  QWidget *w = QApplication::widgetAt(global);
  ASSERT_NE(w, nullptr) << global.x() << "," << global.y();
  QTest::mouseClick(w, button, {}, w->mapFromGlobal(global));
}
void MoveTo(const QPoint &global) {
  // Through the window: a widget's mouse move only sets the cursor here.
  QWidget *w = QApplication::widgetAt(global);
  ASSERT_NE(w, nullptr);
  QTest::mouseMove(w->window()->windowHandle(), w->window()->mapFromGlobal(global));
}

class MenuLoopQtTest : public ::testing::Test {
protected:
  void SetUp() override {
    Main = std::make_unique<QWidget>();
    Main->setGeometry(100, 100, 500, 300);
    auto *layout = new QVBoxLayout(Main.get());
    Bar = new TTbrCustomToolbar(Main.get());
    Bar->SetMenuBar(true);
    Outside = new QPushButton(QStringLiteral("Outside"), Main.get());
    layout->addWidget(Bar);
    layout->addWidget(Outside);
    layout->addStretch();
    QObject::connect(Outside, &QPushButton::clicked, [this] { ++OutsideClicks; });

    File = Add<TSubmenuItem>(Bar->Items(), "&File");
    Open = Add(File, "&Open");
    Recent = Add<TSubmenuItem>(File, "&Recent");
    First = Add(Recent, "&first.qel");
    Add(Recent, "&second.qel");
    Edit = Add<TSubmenuItem>(Bar->Items(), "&Edit");
    Add(Edit, "&Copy");
    for (TTbrCustomItem *item : {Open, First})
      item->SetOnClick([this](TTbrCustomItem *sender) {
        Clicked << sender->Caption();
        PopupsWhenClicked << int(OpenPopups(Bar->View()).size());
      });

    Main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Main.get()));
  }
  void TearDown() override {
    Main.reset();
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
  }


  // After the loop: every grab is gone, and a click reaches a plain widget.
  void ExpectInputFree() {
    EXPECT_FALSE(TTbrQtModalDriver::Running());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
    const int before = OutsideClicks;
    QTest::mouseClick(Outside, Qt::LeftButton);
    EXPECT_EQ(OutsideClicks, before + 1);
  }

  QPoint BarCentre(TTbrCustomItem *item) { return CentreOf(Bar->View(), item); }

  // One 800 x 600 monitor (the size of the test's screen); submenus open after 30 ms.
  TTestDesktop Desktop{QRect(0, 0, 800, 600), QRect(), 30};
  std::unique_ptr<QWidget> Main;
  TTbrCustomToolbar *Bar = nullptr;
  QPushButton *Outside = nullptr;
  int OutsideClicks = 0;
  TTbrCustomItem *File, *Open, *Recent, *First, *Edit;
  QStringList Clicked;
  QList<int> PopupsWhenClicked;
};

TEST_F(MenuLoopQtTest, MouseOpensAMenuAndKeysWalkIntoASubmenuAndChoose) {
  TScript script;
  // Keys count only once the button that opened the menu is up.
  script.Then([&] { QTest::mouseRelease(Bar, Qt::LeftButton, {}, Bar->mapFromGlobal(BarCentre(File))); });
  script.Then([&] {
    ASSERT_EQ(OpenPopups(Bar->View()).size(), 1);
    EXPECT_TRUE(TTbrQtModalDriver::Running());
    EXPECT_NE(QWidget::mouseGrabber(), nullptr);
    QTest::keyClick(Bar, Qt::Key_Down); // Open
  });
  script.Then([&] { QTest::keyClick(Bar, Qt::Key_Down); }); // Recent
  script.Then([&] { QTest::keyClick(Bar, Qt::Key_Right); });
  script.Then([&] {
    ASSERT_EQ(OpenPopups(Bar->View()).size(), 2);
    TTbrView *sub = OpenPopups(Bar->View()).last()->View();
    EXPECT_EQ(sub->Selected(), sub->Find(First));
    QTest::keyClick(Bar, Qt::Key_Return);
  });
  script.Start();
  QTest::mousePress(Bar, Qt::LeftButton, {}, Bar->mapFromGlobal(BarCentre(File)));
  // The loop has ended; the command runs once, after every popup is gone.
  EXPECT_TRUE(script.Done());
  QCoreApplication::processEvents();
  EXPECT_EQ(Clicked, QStringList{"&first.qel"});
  EXPECT_EQ(PopupsWhenClicked, QList<int>{0});
  EXPECT_TRUE(OpenPopups(Bar->View()).isEmpty());
  ExpectInputFree();
}

TEST_F(MenuLoopQtTest, AltAndALetterOpensTheMenuAndEscapeClosesOneLevelAtATime) {
  TScript script;
  script.Then([&] {
    ASSERT_EQ(OpenPopups(Bar->View()).size(), 1);
    EXPECT_EQ(Bar->View()->OpenViewer(), Bar->View()->Find(File));
    QTest::keyClick(Bar, Qt::Key_R); // Recent's accelerator opens it
  });
  script.Then([&] {
    ASSERT_EQ(OpenPopups(Bar->View()).size(), 2);
    QTest::keyClick(Bar, Qt::Key_Escape);
  });
  script.Then([&] {
    EXPECT_EQ(OpenPopups(Bar->View()).size(), 1);
    EXPECT_TRUE(TTbrQtModalDriver::Running());
    QTest::keyClick(Bar, Qt::Key_Escape);
  });
  script.Then([&] {
    EXPECT_EQ(OpenPopups(Bar->View()).size(), 0);
    if (TTbrQtModalDriver::Running())
      QTest::keyClick(Bar, Qt::Key_Escape); // the bar itself, still selected, lets go
  });
  script.Start();
  QTest::keyClick(Outside, Qt::Key_F, Qt::AltModifier);
  QTest::qWait(200);
  EXPECT_TRUE(script.Done());
  EXPECT_TRUE(Clicked.isEmpty());
  ExpectInputFree();
}

TEST_F(MenuLoopQtTest, HoverOpensASubmenuByItsTimerAndAClickChooses) {
  TScript script;
  script.Then([&] { QTest::mouseRelease(Bar, Qt::LeftButton, {}, Bar->mapFromGlobal(BarCentre(File))); });
  script.Then([&] { MoveTo(CentreOf(OpenPopups(Bar->View()).first()->View(), Recent)); });
  script.Then([&] {
    ASSERT_EQ(OpenPopups(Bar->View()).size(), 2); // opened by the timer, through the loop
    MoveTo(CentreOf(OpenPopups(Bar->View()).last()->View(), First));
  });
  script.Then([&] { ClickAt(CentreOf(OpenPopups(Bar->View()).last()->View(), First)); });
  script.Start();
  QTest::mousePress(Bar, Qt::LeftButton, {}, Bar->mapFromGlobal(BarCentre(File)));
  QTest::qWait(300);
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(Clicked, QStringList{"&first.qel"});
  ExpectInputFree();
}

TEST_F(MenuLoopQtTest, AClickOutsideClosesEverythingAndReachesTheClickedWidget) {
  TScript script;
  script.Then([&] { QTest::mouseRelease(Bar, Qt::LeftButton, {}, Bar->mapFromGlobal(BarCentre(File))); });
  script.Then([&] { QTest::keyClick(Bar, Qt::Key_R); });
  script.Then([&] {
    ASSERT_EQ(OpenPopups(Bar->View()).size(), 2);
    ClickAt(Outside->mapToGlobal(Outside->rect().center()));
  });
  script.Start();
  QTest::mousePress(Bar, Qt::LeftButton, {}, Bar->mapFromGlobal(BarCentre(File)));
  QTest::qWait(300);
  EXPECT_TRUE(script.Done());
  EXPECT_TRUE(OpenPopups(Bar->View()).isEmpty());
  EXPECT_EQ(OutsideClicks, 1);
  EXPECT_TRUE(Clicked.isEmpty());
  ExpectInputFree();
}

TEST_F(MenuLoopQtTest, LosingTheApplicationEndsTheLoop) {
  TScript script;
  script.Then([&] {
    ASSERT_EQ(OpenPopups(Bar->View()).size(), 1);
    QEvent deactivate(QEvent::ApplicationDeactivate);
    QCoreApplication::sendEvent(qApp, &deactivate);
  });
  script.Start();
  QTest::mousePress(Bar, Qt::LeftButton, {}, Bar->mapFromGlobal(BarCentre(File)));
  EXPECT_TRUE(script.Done());
  EXPECT_TRUE(OpenPopups(Bar->View()).isEmpty());
  ExpectInputFree();
}

// A window of its own hosting a bar view, so that the test can destroy it
// while its menu is open.
class TBarWindow : public QWidget, public TTbrWidgetViewHost {
public:
  explicit TBarWindow(TTbrCustomItem *root)
      : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint), TTbrWidgetViewHost(this),
        View(std::make_unique<TTbrView>(this, nullptr, root, true)) {
    SetHostedView(View.get());
    setGeometry(QRect(50, 450, 300, 24));
    show();
    View->ValidatePositions();
  }
  ~TBarWindow() override {
    View->CloseChildPopups();
    SetHostedView(nullptr);
    View.reset();
  }
  std::unique_ptr<TTbrView> View;
};

TEST_F(MenuLoopQtTest, TheRootWindowGoingEndsTheLoop) {
  TTbrRootItem root;
  auto *menu = Add<TSubmenuItem>(&root, "&Menu");
  Add(menu, "&Item");
  auto *window = new TBarWindow(&root);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  TTbrView *view = window->View.get();
  view->Select(view->Find(menu), false);
  TScript script;
  script.Then([&] {
    ASSERT_NE(view->OpenViewerView(), nullptr);
    delete window;
  });
  script.Start();
  TTbrQtModalDriver driver;
  TTbrQtMenuLoopHost loopHost;
  EnterToolbarLoop(view, tbetExecuteSelected, driver, &loopHost, nullptr);
  EXPECT_TRUE(script.Done());
  for (QWidget *w : QApplication::topLevelWidgets())
    EXPECT_EQ(dynamic_cast<TTbrPopupWindow *>(w), nullptr);
  ExpectInputFree();
}

TEST_F(MenuLoopQtTest, AnErrorInAPopupHandlerEndsTheMenuAndGivesTheInputBack) {
  Edit->SetOnPopup([](TTbrCustomItem *, bool) { throw std::runtime_error("no edit menu today"); });
  TScript script;
  script.Then([&] { QTest::mouseRelease(Bar, Qt::LeftButton, {}, Bar->mapFromGlobal(BarCentre(File))); });
  script.Then([&] { QTest::keyClick(Bar, Qt::Key_Right); }); // on to Edit, whose handler throws
  script.Start();
  QTest::mousePress(Bar, Qt::LeftButton, {}, Bar->mapFromGlobal(BarCentre(File)));
  EXPECT_TRUE(script.Done());
  EXPECT_FALSE(Bar->View()->InMenuMode());
  EXPECT_TRUE(OpenPopups(Bar->View()).isEmpty());
  ExpectInputFree();
}

TEST_F(MenuLoopQtTest, ContextMenuAtAPointNearTheRightEdge) {
  TTbrPopupMenu menu;
  menu.TrackButton = TTbrPopupMenu::TTrackButton::Right;
  int popups = 0;
  menu.OnPopup = [&](TTbrPopupMenu *sender) {
    EXPECT_EQ(sender, &menu);
    ++popups;
  };
  auto *cut = Add(menu.Items(), "Cu&t");
  Add(menu.Items(), "&Paste with a long caption");
  int cuts = 0;
  cut->SetOnClick([&](TTbrCustomItem *) { ++cuts; });
  const QPoint at(790, 200);
  TScript script;
  QRect shown;
  script.Then([&] {
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows)
      if (dynamic_cast<TTbrPopupWindow *>(w) && w->isVisible())
        shown = w->geometry();
    // The release of the right button that opened it leaves it open.
    QWidget *under = QApplication::widgetAt(at + QPoint(-5, 5));
    ASSERT_NE(under, nullptr);
    QTest::mouseRelease(under, Qt::RightButton, {}, under->mapFromGlobal(at));
  });
  script.Then([&] { QTest::keyClick(Bar, Qt::Key_T); });
  script.Start();
  menu.Popup(at.x(), at.y());
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(shown.right() + 1, at.x()); // flipped left of the point
  EXPECT_EQ(shown.top(), at.y());
  EXPECT_EQ(popups, 1);
  QCoreApplication::processEvents();
  EXPECT_EQ(cuts, 1);
  EXPECT_TRUE(menu.IsShortCut(0) == false);
  ExpectInputFree();
}

// The context menu of a dock, opened by the right button, as the toolbar
// area's menu is: the release that opened it leaves it open, and a right
// click on an entry runs it.
TEST_F(MenuLoopQtTest, ADocksContextMenuRunsTheEntryClickedWithTheRightButton) {
  QWidget frame;
  frame.setGeometry(150, 450, 300, 60);
  TTbrDock &dock = *new TTbrDock(&frame, dpTop);
  dock.setGeometry(0, 0, 300, 40);
  // A dock is as high as its toolbars: one short bar, and the click beside it.
  auto *bar = new TTbrCustomToolbar(&frame);
  Add(bar->Items(), "B");
  bar->SetCurrentDock(&dock);
  frame.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
  QApplication::processEvents();
  ASSERT_GT(dock.height(), 0);
  TTbrPopupMenu menu;
  dock.SetPopupMenu(&menu);
  auto *lock = Add(menu.Items(), "&Lock the Toolbars");
  Add(menu.Items(), "&Standard");
  int locks = 0;
  lock->SetOnClick([&](TTbrCustomItem *) { ++locks; });
  const QPoint at = dock.mapToGlobal(QPoint(dock.width() - 20, dock.height() / 2));
  ASSERT_EQ(QApplication::widgetAt(at), &dock);
  TScript script;
  QPoint entry;
  script.Then([&] {
    QWidget *under = QApplication::widgetAt(at + QPoint(5, 5));
    ASSERT_NE(under, nullptr);
    QTest::mouseRelease(under, Qt::RightButton, {}, under->mapFromGlobal(at));
  });
  script.Then([&] {
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows)
      if (auto *popup = dynamic_cast<TTbrPopupWindow *>(w); popup && popup->isVisible())
        entry = CentreOf(popup->View(), lock);
    ASSERT_FALSE(entry.isNull()) << "the menu closed with the release that opened it";
    QWidget *under = QApplication::widgetAt(entry);
    ASSERT_NE(under, nullptr);
    QTest::mousePress(under, Qt::RightButton, {}, under->mapFromGlobal(entry));
  });
  script.Then([&] {
    QWidget *under = QApplication::widgetAt(entry);
    ASSERT_NE(under, nullptr);
    QTest::mouseRelease(under, Qt::RightButton, {}, under->mapFromGlobal(entry));
  });
  script.Start();
  // Through the window, which turns the right press into the context menu request.
  QTest::mousePress(frame.windowHandle(), Qt::RightButton, {}, frame.mapFromGlobal(at));
  EXPECT_TRUE(script.Done());
  QCoreApplication::processEvents();
  EXPECT_EQ(locks, 1);
  ExpectInputFree();
}

} // namespace
