// Floating toolbars in their tool windows (offscreen): floating and docking
// back by a double click, the visibility rule against the form, floating
// widths of a wrapping toolbar and the positions kept for a floating one.

#include "toolbars/core/thmthemes.h"
#include "toolbars/qt/tbdock.h"
#include "toolbars/qt/tbdockpositions.h"
#include "toolbars/qt/tbdragdriver.h"
#include "toolbars/qt/tbfloatingwindow.h"
#include "toolbars/qt/tbpopupmenu.h"
#include "toolbars/qt/tbtoolbar.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include "tests/toolbars/docktest.h"
#include "tests/toolbars/grabbedinput.h"
#include "tests/toolbars/menuscript.h"
#include "tests/toolbars/toolbartest.h"

using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

void FlushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

class FloatingForm : public ::testing::Test {
protected:
  void SetUp() override {
    Form.setGeometry(100, 100, 800, 400);
    Form.SetCentralWidget(new QWidget);
    for (const char *name : {"A", "B"}) {
      auto *bar = new TTbrCustomToolbar(&Form);
      bar->setObjectName(name);
      bar->SetCaption(QStringLiteral("Bar %1").arg(name));
      for (int i = 1; i <= 6; ++i)
        Add(bar->Items(), QStringLiteral("%1%2").arg(name).arg(i));
      bar->SetDockPos(Bars.size() * 300);
      bar->SetCurrentDock(Form.DockTop());
      // The application's activity is the desktop's business; here the
      // form alone decides.
      bar->SetHideWhenInactive(false);
      Bars << bar;
    }
    Form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form));
  }
  void TearDown() override { FlushDeletes(); }
  TTestDesktop Desktop{QRect(0, 0, 1280, 1024)};
  TTbrDockFrame Form;
  QList<TTbrCustomToolbar *> Bars;
};

} // namespace

TEST_F(FloatingForm, FloatsInAToolWindowAndDocksBackWhereItWas) {
  TTbrCustomToolbar *a = Bars[0];
  a->SetDockRow(0);
  const QString before = DockRows(Form.DockTop());
  a->FloatPos = QPoint(400, 300);
  bool floatingSaid = false;
  a->OnDockChanging = [&](TTbrCustomDockableWindow *, bool floating, TTbrDock *) { floatingSaid = floating; };
  a->FloatDockableWindow(true);
  ASSERT_TRUE(a->Floating());
  EXPECT_TRUE(floatingSaid);
  EXPECT_FALSE(a->Docked());
  TTbrFloatingWindowParent *tool = a->ToolWindowParent();
  ASSERT_TRUE(tool);
  EXPECT_TRUE(tool->objectName().startsWith("NBFloatingWindowParent_"));
  EXPECT_EQ(tool->windowTitle(), "Bar A");
  EXPECT_EQ(tool->ParentForm(), &Form);
  EXPECT_EQ(tool->pos(), QPoint(400, 300));
  const TTbrFloatingFrame frame = a->FloatingFrame();
  EXPECT_EQ(tool->size(), frame.OuterSize(a->size()));
  EXPECT_EQ(a->geometry(), frame.ClientRect(tool->size()));
  EXPECT_TRUE(tool->isVisible());
  EXPECT_EQ(DockRows(Form.DockTop()), "B:0@300");
  // A caption change reaches the frame.
  a->SetCaption("Renamed");
  EXPECT_EQ(tool->windowTitle(), "Renamed");

  // A move of the frame is the window's floating position.
  tool->MoveTo(QPoint(420, 310));
  EXPECT_EQ(a->FloatPos, QPoint(420, 310));

  a->DoubleClickDock();
  FlushDeletes();
  EXPECT_FALSE(a->Floating());
  EXPECT_EQ(a->CurrentDock(), Form.DockTop());
  EXPECT_FALSE(a->ToolWindowParent());
  EXPECT_EQ(DockRows(Form.DockTop()), before);
}

TEST_F(FloatingForm, WithoutALastDockADoubleClickDocksAtTheStartOfTheDefaultDock) {
  TTbrCustomToolbar *a = Bars[0];
  Bars[1]->SetCurrentDock(Form.DockBottom());
  Bars[1]->SetDockPos(0);
  a->SetUseLastDock(false);
  a->SetDefaultDock(Form.DockBottom());
  a->FloatDockableWindow(true);
  ASSERT_TRUE(a->Floating());
  EXPECT_FALSE(a->LastDock());
  a->DoubleClickDock();
  FlushDeletes();
  EXPECT_EQ(a->CurrentDock(), Form.DockBottom());
  EXPECT_TRUE(DockRows(Form.DockBottom()).startsWith("A:0@0 B:0@")) << DockRows(Form.DockBottom()).toStdString();
  // Neither: it stays floating.
  Bars[1]->FloatDockableWindow(true);
  Bars[1]->SetUseLastDock(false);
  Bars[1]->DoubleClickDock();
  EXPECT_TRUE(Bars[1]->Floating());
}

TEST_F(FloatingForm, ShownOnlyWithItsForm) {
  TTbrCustomToolbar *a = Bars[0];
  a->FloatDockableWindow(true);
  TTbrFloatingWindowParent *tool = a->ToolWindowParent();
  ASSERT_TRUE(tool && tool->isVisible());
  Form.hide();
  EXPECT_FALSE(tool->isVisible());
  Form.show();
  EXPECT_TRUE(tool->isVisible());
  Form.showMinimized();
  EXPECT_FALSE(tool->isVisible());
  Form.showNormal();
  EXPECT_TRUE(tool->isVisible());
  // Hidden itself (its close button), the frame goes too; shown, it comes back.
  a->CloseByButton();
  EXPECT_TRUE(a->isHidden());
  EXPECT_FALSE(tool->isVisible());
  a->show();
  EXPECT_TRUE(tool->isVisible());
  // Above all forms it stays while its form is minimised.
  a->SetFloatingMode(fmOnTopOfAllForms);
  Form.showMinimized();
  EXPECT_TRUE(a->ToolWindowParent()->isVisible());
  Form.showNormal();
}

TEST_F(FloatingForm, KeepInWorkAreaBringsAnOffScreenFrameBack) {
  TTbrCustomToolbar *a = Bars[0];
  a->FloatPos = QPoint(1250, 1000);
  a->FloatDockableWindow(true);
  TTbrFloatingWindowParent *tool = a->ToolWindowParent();
  a->KeepInWorkArea(true); // still partly on the screen
  EXPECT_EQ(tool->pos(), QPoint(1250, 1000));
  a->KeepInWorkArea(false);
  EXPECT_EQ(tool->geometry().right(), 1279);
  EXPECT_EQ(tool->geometry().bottom(), 1023);
}

TEST_F(FloatingForm, FloatWidthWrapsTheItemsAtTheListedSizes) {
  TTbrCustomToolbar *a = Bars[0];
  a->FloatDockableWindow(true);
  const QList<QSize> sizes = a->ListFloatingSizes();
  ASSERT_GE(sizes.size(), 3); // one line, two, three, ... six
  EXPECT_EQ(sizes.first(), a->size());
  for (int i = 1; i < sizes.size(); ++i) {
    EXPECT_LT(sizes[i].width(), sizes[i - 1].width());
    EXPECT_GT(sizes[i].height(), sizes[i - 1].height());
  }
  // Each listed width wraps the items to exactly that width.
  for (const QSize &size : sizes.mid(1)) {
    a->SetFloatWidth(size.width());
    EXPECT_EQ(a->size(), size);
    EXPECT_EQ(a->ToolWindowParent()->size(), a->FloatingFrame().OuterSize(size));
  }
  a->SetFloatWidth(0);
  EXPECT_EQ(a->size(), sizes.first());

  // The sizing loop's steps: a drag of the right edge 40 pixels in takes
  // the next narrower size, and the width limit with it.
  const QRect start = a->ToolWindowParent()->geometry();
  a->SizingStarted(1);
  const QRect snapped = a->SnapSizingRect(start.adjusted(0, 0, -40, 0));
  EXPECT_EQ(snapped.size(), a->FloatingFrame().OuterSize(sizes[1]));
  a->ApplySizingRect(snapped);
  a->SizingEnded();
  EXPECT_EQ(a->FloatWidth(), sizes[1].width());
  EXPECT_EQ(a->ToolWindowParent()->geometry(), snapped);
}

TEST_F(FloatingForm, PositionsKeepAFloatingToolbarWithItsWidthAndLastDock) {
  TTbrCustomToolbar *a = Bars[0];
  a->FloatPos = QPoint(500, 600);
  a->FloatDockableWindow(true);
  a->SetFloatWidth(a->ListFloatingSizes().value(1).width());
  const QSize floatingSize = a->size();
  TTbrMemorySettings store;
  SaveDockablePositions(&Form, PositionCallbacks(store));
  EXPECT_EQ(store.ReadString("A", "DockedTo", ""), "+");
  EXPECT_EQ(store.ReadString("A", "FloatLeft", ""), "500");
  EXPECT_EQ(store.ReadString("A", "FloatRightX", ""), QString::number(a->FloatWidth()));
  EXPECT_EQ(store.ReadString("B", "FloatRightX", ""), "0");
  const int width = a->FloatWidth();

  // Back in its dock with no width: the load floats it again.
  a->DoubleClickDock();
  a->SetFloatWidth(0);
  FlushDeletes();
  ASSERT_FALSE(a->Floating());
  LoadDockablePositions(&Form, PositionCallbacks(store));
  ASSERT_TRUE(a->Floating());
  EXPECT_EQ(a->ToolWindowParent()->pos(), QPoint(500, 600));
  EXPECT_EQ(a->FloatWidth(), width);
  EXPECT_EQ(a->size(), floatingSize);
  EXPECT_EQ(a->LastDock(), Form.DockTop());

  // A toolbar that may not float keeps its dock whatever the store says.
  store.WriteString("B", "DockedTo", "+");
  Bars[1]->DockMode = dmCannotFloat;
  LoadDockablePositions(&Form, PositionCallbacks(store));
  EXPECT_EQ(Bars[1]->CurrentDock(), Form.DockTop());
}

namespace {

class TBeepingHost : public TTbrMenuLoopHost {
public:
  void Beep() override { ++Beeps; }
  int Beeps = 0;
};

} // namespace

TEST_F(FloatingForm, AFloatingMenuBarHearsTheMenuKeysOfTheFormOfItsDock) {
  TTbrCustomToolbar *a = Bars[0];
  a->SetMenuBar(true);
  TBeepingHost host;
  a->SetLoopHost(&host);
  a->FloatDockableWindow(true);
  ASSERT_TRUE(a->Floating());
  ASSERT_TRUE(a->isVisible());
  // Typed in the form: no item has Z, so the menu bar says so.
  QTest::keyClick(Form.CentralWidget(), Qt::Key_Z, Qt::AltModifier);
  EXPECT_EQ(host.Beeps, 1);
  // A floating bar that is no menu bar does not take them.
  Bars[1]->SetLoopHost(&host);
  Bars[1]->FloatDockableWindow(true);
  a->SetMenuBar(false);
  QTest::keyClick(Form.CentralWidget(), Qt::Key_Z, Qt::AltModifier);
  EXPECT_EQ(host.Beeps, 1);
  // Nor does a menu bar that its dock has let go.
  a->SetMenuBar(true);
  a->SetUseLastDock(false);
  EXPECT_FALSE(Form.DockTop()->MemberWindows().contains(a));
  QTest::keyClick(Form.CentralWidget(), Qt::Key_Z, Qt::AltModifier);
  EXPECT_EQ(host.Beeps, 1);
  a->SetLoopHost(nullptr);
  Bars[1]->SetLoopHost(nullptr);
}

TEST_F(FloatingForm, TheFramesBandsReachIntoTheWindowAndARightClickOnTheFrameShowsItsMenu) {
  TTbrCustomToolbar *a = Bars[0];
  a->FloatDockableWindow(true);
  TTbrFloatingWindowParent *tool = a->ToolWindowParent();
  ASSERT_TRUE(tool && tool->isVisible());
  // The window's last column and row belong to the right and bottom bands.
  const QPoint right(a->width() - 1, a->height() / 2), bottom(a->width() / 2, a->height() - 1);
  EXPECT_EQ(a->HitTest(right), int(HitFrame));
  EXPECT_EQ(a->FrameCursorAt(right), Qt::SizeHorCursor);
  EXPECT_EQ(a->FrameCursorAt(bottom), Qt::SizeVerCursor);
  EXPECT_EQ(a->HitTest(right - QPoint(1, 0)), int(HitClient));
  EXPECT_EQ(a->FrameCursorAt(right - QPoint(1, 0)), Qt::ArrowCursor);

  // A right click on the frame: the window's menu, where the click was.
  TTbrPopupMenu menu;
  Add(menu.Items(), "&Entry");
  QPoint shownAt;
  menu.OnPopup = [&](TTbrPopupMenu *sender) { shownAt = sender->PopupPoint(); };
  a->SetPopupMenu(&menu);
  const QPoint onFrame(1, tool->height() / 2);
  TScript script;
  script.Then([&] { QTest::keyClick(a, Qt::Key_E); });
  script.Start();
  QTest::mouseRelease(tool, Qt::RightButton, {}, onFrame);
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(shownAt, tool->mapToGlobal(onFrame));
  // On the items it is theirs: no menu of the window's.
  shownAt = QPoint();
  const QPoint inside = a->rect().center();
  QContextMenuEvent click(QContextMenuEvent::Mouse, inside, a->mapToGlobal(inside));
  QCoreApplication::sendEvent(a, &click);
  EXPECT_EQ(shownAt, QPoint());
  a->SetPopupMenu(nullptr);

  // A press on that column sizes the frame (it does not drag the window).
  const QRect before = tool->geometry();
  QCursor::setPos(a->mapToGlobal(right));
  bool sizing = false;
  WhenGrabbed([&] {
    sizing = DragLoopRunning();
    const QPoint in = a->mapToGlobal(right) - QPoint(60, 0);
    SendGrabbedMouse(QEvent::MouseMove, in);
    SendGrabbedMouse(QEvent::MouseButtonRelease, in, Qt::LeftButton, Qt::NoButton);
  });
  QTest::mousePress(a, Qt::LeftButton, {}, right);
  EXPECT_TRUE(sizing);
  EXPECT_EQ(tool->pos(), before.topLeft());
  EXPECT_LT(tool->width(), before.width());
}
