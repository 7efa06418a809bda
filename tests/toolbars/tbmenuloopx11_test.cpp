// The menu loop on a real X server: a child test process shows a menu bar
// on a private Xvfb and tells what happens on its standard output; xdotool
// presses the keys and clicks as a user would, through the X server.

#include "tests/support/privatexserver.h"
#include "toolbars/qt/tbpopupmenu.h"
#include "toolbars/qt/tbpopupwindow.h"
#include "toolbars/qt/tbtoolbar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QThread>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <unistd.h>
#include "tests/toolbars/toolbartest.h"
#include "tests/toolbars/x11child.h"


using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

int VisiblePopups() {
  int n = 0;
  const auto windows = QApplication::topLevelWidgets();
  for (QWidget *w : windows)
    n += dynamic_cast<TTbrPopupWindow *>(w) && w->isVisible();
  return n;
}


} // namespace

// The program side, run by the test below in its own process on the X
// server (and by hand: QT_QPA_PLATFORM=xcb test_toolbars
// --gtest_also_run_disabled_tests --gtest_filter=MenuLoopX11Child.*).
TEST(MenuLoopX11Child, DISABLED_ShowsAMenuBar) {
  QWidget main;
  main.setWindowTitle(QStringLiteral("Menu loop"));
  main.setGeometry(600, 100, 420, 300); // its right edge near the screen's
  auto *layout = new QVBoxLayout(&main);
  auto *bar = new TTbrCustomToolbar(&main);
  bar->SetMenuBar(true);
  auto *outside = new QPushButton(QStringLiteral("Outside"), &main);
  layout->addWidget(bar);
  layout->addWidget(outside);
  layout->addStretch();
  QEventLoop wait;
  QObject::connect(outside, &QPushButton::clicked, [] { Say(QStringLiteral("OUTSIDE popups=%1").arg(VisiblePopups())); });

  auto *file = Add<TSubmenuItem>(bar->Items(), "&File");
  auto *open = Add(file, "&Open\tCtrl+O");
  auto *recent = Add<TSubmenuItem>(file, "&Recent");
  auto *first = Add(recent, "&first.qel");
  Add(recent, "&second.qel");
  file->Add(new TTbrSeparatorItem);
  auto *quit = Add(file, "&Quit");
  auto *edit = Add<TSubmenuItem>(bar->Items(), "&Edit");
  Add(edit, "&Copy");
  Add(edit, "&Paste")->SetEnabled(false);
  Add(edit, "&Wrap")->SetChecked(true);
  for (TTbrCustomItem *item : {open, first})
    item->SetOnClick([](TTbrCustomItem *sender) {
      Say(QStringLiteral("CLICKED %1 popups=%2 grab=%3")
              .arg(sender->Caption().section(u'\t', 0, 0))
              .arg(VisiblePopups())
              .arg(QWidget::mouseGrabber() || QWidget::keyboardGrabber() ? 1 : 0));
    });
  quit->SetOnClick([&](TTbrCustomItem *) { wait.quit(); });

  // A context menu on the right button, anywhere on the window's background.
  TTbrPopupMenu context;
  context.TrackButton = TTbrPopupMenu::TTrackButton::Right;
  Add(context.Items(), "Cu&t")->SetOnClick([](TTbrCustomItem *) {
    Say(QStringLiteral("CLICKED Cut popups=%1 grab=%2")
            .arg(VisiblePopups())
            .arg(QWidget::mouseGrabber() || QWidget::keyboardGrabber() ? 1 : 0));
  });
  Add(context.Items(), "&Paste from somewhere far away");
  context.OnPopup = [](TTbrPopupMenu *) {
    QTimer::singleShot(0, [] {
      const auto windows = QApplication::topLevelWidgets();
      for (QWidget *w : windows)
        if (dynamic_cast<TTbrPopupWindow *>(w) && w->isVisible())
          Say(QStringLiteral("POPUP %1,%2 right=%3").arg(w->x()).arg(w->y()).arg(w->geometry().right() + 1));
    });
  };
  struct TRightClick : QObject {
    TTbrPopupMenu *Menu;
    QWidget *Window;
    bool eventFilter(QObject *watched, QEvent *event) override {
      if (watched == Window && event->type() == QEvent::MouseButtonPress &&
          static_cast<QMouseEvent *>(event)->button() == Qt::RightButton) {
        const QPoint at = static_cast<QMouseEvent *>(event)->globalPosition().toPoint();
        Menu->Popup(at.x(), at.y());
        return true;
      }
      return false;
    }
  } rightClick;
  rightClick.Menu = &context;
  rightClick.Window = &main;
  main.installEventFilter(&rightClick);

  main.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  QTest::qWait(200);
  const auto centre = [&](TTbrCustomItem *item) {
    return bar->mapToGlobal(bar->View()->Find(item)->BoundsRect.center());
  };
  Say(QStringLiteral("READY file=%1 edit=%2 outside=%3")
          .arg(PointText(centre(file)), PointText(centre(edit)),
               PointText(outside->mapToGlobal(outside->rect().center()))));
  QTimer::singleShot(120000, &wait, &QEventLoop::quit);
  wait.exec();
}


TEST(MenuLoopX11, XdotoolOpensChoosesClosesAndClicksOutside) {
  if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
    GTEST_SKIP() << "xdotool missing";
  qel::test::TPrivateXServer x;
  if (!x.Start())
    GTEST_SKIP() << "no Xvfb";
  TChild child(x.Display(), QStringLiteral("MenuLoopX11Child.DISABLED_ShowsAMenuBar"));
  const QString ready = child.Expect(QStringLiteral("READY"));
  ASSERT_FALSE(ready.isEmpty()) << child.Process.readAllStandardError().constData();
  // READY file=x,y edit=x,y outside=x,y
  child.Learn(ready);

  // By mouse, then into the submenu with the arrow keys: the command runs
  // once, after every popup has gone and the grabs are released.
  child.ClickOn(QStringLiteral("file"));
  child.Xdo(Args("key Down Down Right"));
  child.Xdo(Args("key Return"));
  EXPECT_EQ(child.Expect(QStringLiteral("CLICKED"), 10000), QStringLiteral("CLICKED &first.qel popups=0 grab=0"));

  // Alt and the accelerator; Escape closes one level at a time.
  child.Xdo(Args("key alt+f"));
  child.Xdo(Args("key r"));
  child.Xdo(Args("key Escape Escape Escape"));
  child.ClickOn(QStringLiteral("outside"));
  EXPECT_EQ(child.Expect(QStringLiteral("OUTSIDE"), 10000), QStringLiteral("OUTSIDE popups=0"));

  // A click outside an open menu closes it and still reaches the button.
  child.ClickOn(QStringLiteral("file"));
  child.Xdo(Args("key Down Down Right"));
  child.ClickOn(QStringLiteral("outside"));
  EXPECT_EQ(child.Expect(QStringLiteral("OUTSIDE"), 10000), QStringLiteral("OUTSIDE popups=0"));

  // A click off every window of the program ends the menu too; nothing
  // stays grabbed afterwards.
  child.ClickOn(QStringLiteral("edit"));
  child.Xdo(Args("mousemove 900 700 click 1"));
  child.ClickOn(QStringLiteral("outside"));
  EXPECT_EQ(child.Expect(QStringLiteral("OUTSIDE"), 10000), QStringLiteral("OUTSIDE popups=0"));

  // A context menu near the right edge opens left of the point; the
  // release of the right button that opened it leaves it open.
  child.Xdo(Args("mousemove 1010 350 click 3"));
  EXPECT_EQ(child.Expect(QStringLiteral("POPUP"), 10000).section(u' ', 2), QStringLiteral("right=1010"));
  child.Xdo(Args("key t"));
  EXPECT_EQ(child.Expect(QStringLiteral("CLICKED"), 10000), QStringLiteral("CLICKED Cut popups=0 grab=0"));

  // File, Quit ends the program.
  child.Xdo(Args("key alt+f q"));
  EXPECT_TRUE(child.Process.waitForFinished(10000));
  EXPECT_TRUE(child.Unexpected.isEmpty()) << child.Unexpected.join(u'\n').toStdString();
}
