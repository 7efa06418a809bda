// The drag loop on real docks and toolbars: a press on a toolbar's grip
// holds the pointer; the moves, keys and the release sent to the grab move
// the toolbar to another row, a new row, another dock, or nowhere. The
// decisions themselves are tested on the state machine (tbdragloop_test).

#include "toolbars/qt/tbdock.h"
#include "toolbars/qt/tbdragdriver.h"
#include "toolbars/qt/tbtoolbar.h"

#include <QApplication>
#include <QTest>

#include <memory>

#include <gtest/gtest.h>

#include "tests/toolbars/grabbedinput.h"
#include "tests/toolbars/docktest.h"
#include "tests/toolbars/toolbartest.h"

using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

TTbrCustomToolbar *Bar(TTbrDock *dock, const QString &name, int row, int pos) {
  return DockedBar(dock, name, {name + QLatin1Char('1'), name + QLatin1Char('2'), name + QLatin1Char('3')}, row, pos);
}

QString Rows(TTbrDock *dock) { return DockRows(dock); }

QPoint Centre(const QWidget *w) { return w->mapToGlobal(w->rect().center()); }

class DragTest : public ::testing::Test {
protected:
  void SetUp() override {
    // The docks sit in a frame of their own inside the form, as in the main window.
    Form.setGeometry(100, 100, 800, 420);
    Frame.setGeometry(0, 20, 800, 400);
    Frame.SetCentralWidget(new QWidget);
    A = Bar(Top(), "A", 0, 0);
    B = Bar(Top(), "B", 0, 300);
    C = Bar(Top(), "C", 1, 0);
    Form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form));
    ASSERT_EQ(Rows(Top()), "A:0@0 B:0@300 C:1@0");
  }
  TTbrDock *Top() { return Frame.DockTop(); }
  // The grip of a window docked in a horizontal dock, half-way down.
  static QPoint Grip(TTbrCustomDockableWindow *w) { return QPoint(4, w->height() / 2); }
  // Presses the grip of `w`; `script` runs while the loop holds the pointer.
  void Drag(TTbrCustomDockableWindow *w, const std::function<void()> &script) {
    ASSERT_EQ(w->HitTest(Grip(w)), int(HitFrame));
    Started = false;
    WhenGrabbed([&] {
      Started = DragLoopRunning();
      script();
    });
    QTest::mousePress(w, Qt::LeftButton, {}, Grip(w));
    EXPECT_TRUE(Started);
    EXPECT_FALSE(DragLoopRunning());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }
  static void MoveTo(const QPoint &at) { SendGrabbedMouse(QEvent::MouseMove, at); }
  static void ReleaseAt(const QPoint &at) {
    SendGrabbedMouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
  }
  static Qt::CursorShape Cursor() {
    return QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::ArrowCursor;
  }

  TTestDesktop Desktop{QRect(0, 0, 1280, 1024)};
  QWidget Form;
  TTbrDockFrame Frame{&Form};
  TTbrCustomToolbar *A = nullptr, *B = nullptr, *C = nullptr;
  bool Started = false;
};

TEST_F(DragTest, DropsIntoAnotherRowANewRowAndAnotherDock) {
  // Into the middle of the second row: joins it, after C.
  const QPoint row1(C->mapToGlobal(QPoint(C->width() + 40, C->height() / 2)));
  Drag(A, [&] {
    MoveTo(row1);
    ReleaseAt(row1);
  });
  EXPECT_EQ(Rows(Top()), QStringLiteral("B:0@300 C:1@0 A:1@%1").arg(A->ArrangedPos));
  EXPECT_EQ(A->DockRow(), 1);
  EXPECT_EQ(A->LastDock(), Top());

  // The top quarter of the first row: a new row before it, C alone there.
  Drag(C, [&] {
    const QPoint top = Top()->mapToGlobal(QPoint(20, 1));
    MoveTo(top);
    ReleaseAt(top);
  });
  EXPECT_EQ(C->ArrangedRow, 0) << Rows(Top()).toStdString();
  EXPECT_EQ(B->ArrangedRow, 1);
  EXPECT_EQ(A->ArrangedRow, 2);

  // Onto the empty left dock: it turns upright there and leaves the top dock.
  TTbrDock *left = Frame.DockLeft();
  Drag(A, [&] {
    const QPoint at = left->mapToGlobal(QPoint(2, 100));
    MoveTo(at);
    ReleaseAt(at);
  });
  EXPECT_EQ(A->CurrentDock(), left);
  EXPECT_EQ(A->LastDock(), left);
  EXPECT_GT(A->height(), A->width());
  EXPECT_GT(left->width(), 0);
  EXPECT_FALSE(Top()->MemberWindows().contains(A));
  EXPECT_EQ(Rows(Top()), "C:0@16 B:1@300");
}

TEST_F(DragTest, AwayFromEveryDockNothingMovesAndTheCursorSaysNo) {
  A->DockMode = dmCannotFloat;
  Qt::CursorShape away = Qt::ArrowCursor;
  Drag(A, [&] {
    MoveTo(Centre(Frame.CentralWidget()));
    away = Cursor();
    ReleaseAt(Centre(Frame.CentralWidget()));
  });
  EXPECT_EQ(away, Qt::ForbiddenCursor);
  EXPECT_EQ(Rows(Top()), "A:0@0 B:0@300 C:1@0");
  EXPECT_EQ(A->CurrentDock(), Top());
}

TEST_F(DragTest, EscapeAndCtrl) {
  const QPoint row1(C->mapToGlobal(QPoint(C->width() + 40, C->height() / 2)));
  // Live: Esc leaves the window where the last move put it, rows not
  // committed; the drop is what commits them.
  Drag(A, [&] {
    MoveTo(row1);
    SendGrabbedKey(QEvent::KeyPress, Qt::Key_Escape);
    ReleaseAt(row1); // the loop is over: this goes nowhere
  });
  EXPECT_EQ(A->ArrangedRow, 1);

  // With an outline: the window stays, the outline goes.
  B->SmoothDrag = false;
  QRect outline;
  Drag(B, [&] {
    MoveTo(row1);
    for (QWidget *w : QApplication::topLevelWidgets())
      if (auto *o = dynamic_cast<TTbrDragOutline *>(w); o && o->isVisible())
        outline = o->geometry();
    SendGrabbedKey(QEvent::KeyPress, Qt::Key_Escape);
  });
  EXPECT_EQ(outline.size(), B->size());
  EXPECT_TRUE(outline.contains(row1));
  EXPECT_EQ(B->ArrangedRow, 0);
  for (QWidget *w : QApplication::topLevelWidgets())
    EXPECT_FALSE(dynamic_cast<TTbrDragOutline *>(w) && w->isVisible());

  // Ctrl keeps every dock away; let go, it docks again without a move.
  C->DockMode = dmCannotFloat;
  Qt::CursorShape withCtrl = Qt::ArrowCursor;
  const QPoint row0 = Top()->mapToGlobal(QPoint(600, A->height() / 2));
  Drag(C, [&] {
    SendGrabbedKey(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    MoveTo(row0);
    withCtrl = Cursor();
    SendGrabbedKey(QEvent::KeyRelease, Qt::Key_Control);
    ReleaseAt(row0);
  });
  EXPECT_EQ(withCtrl, Qt::ForbiddenCursor);
  EXPECT_EQ(C->ArrangedRow, 0);
}

TEST_F(DragTest, TheGripsPointerStaysAndAFloatingEndGivesBackTheStoredRowAndPlace) {
  // Row and place as stored, not as laid out (an empty row between, a place
  // past the end): a drag that ends floating gives back these.
  C->SetDockRow(5);
  C->SetDockPos(5000);
  ASSERT_EQ(C->ArrangedRow, 1);
  ASSERT_LT(C->ArrangedPos, 800);
  Drag(C, [&] {
    MoveTo(Centre(Frame.CentralWidget()));
    ReleaseAt(Centre(Frame.CentralWidget()));
  });
  ASSERT_TRUE(C->Floating());
  EXPECT_EQ(C->DockRow(), 5);
  EXPECT_EQ(C->DockPos(), 5000);

  // Dragged by its grip, the window shows the grip's pointer all the way.
  const QPoint below(Top()->mapToGlobal(QPoint(400, Top()->height() + 2)));
  Qt::CursorShape during = Qt::ArrowCursor;
  Drag(A, [&] {
    MoveTo(below);
    during = Cursor();
    ReleaseAt(below);
  });
  EXPECT_EQ(during, Qt::SizeAllCursor);
  EXPECT_EQ(A->CurrentDock(), Top());
}

TEST_F(DragTest, DocksOfFurtherFormsTakeTheWindowWhileTheFormsAreListed) {
  auto second = std::make_unique<QWidget>();
  second->setGeometry(100, 620, 600, 200);
  auto *frame = new TTbrDockFrame(second.get());
  frame->setGeometry(0, 0, 600, 200);
  frame->SetCentralWidget(new QWidget);
  second->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(second.get()));
  A->DockMode = dmCannotFloat;
  const QPoint there = frame->DockTop()->mapToGlobal(QPoint(40, 0));
  Drag(A, [&] {
    MoveTo(there);
    ReleaseAt(there);
  });
  EXPECT_EQ(A->CurrentDock(), Top());
  A->AddExtraDockForm(second.get());
  Drag(A, [&] {
    MoveTo(there);
    ReleaseAt(there);
  });
  EXPECT_EQ(A->CurrentDock(), frame->DockTop());

  // The form activated last comes first; a form that goes leaves the list.
  QWidget third;
  B->AddExtraDockForm(second.get());
  B->AddExtraDockForm(&third);
  auto activate = [](QWidget *form) {
    QEvent event(QEvent::WindowActivate);
    QCoreApplication::sendEvent(form, &event);
  };
  activate(&third);
  EXPECT_EQ(B->ExtraDockForms(), QList<QWidget *>({&third, second.get()}));
  activate(second.get());
  EXPECT_EQ(B->ExtraDockForms(), QList<QWidget *>({second.get(), &third}));
  second.reset(); // A goes with it
  EXPECT_EQ(B->ExtraDockForms(), QList<QWidget *>({&third}));
  B->RemoveExtraDockForm(&third);
  EXPECT_TRUE(B->ExtraDockForms().isEmpty());
}

} // namespace
