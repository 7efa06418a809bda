// Docks, docked windows and toolbars as widgets: the rows after start, after
// the form is made narrower and after a toolbar is hidden and shown; the
// docks' growth direction; the docked frame and its close button; the
// toolbar's limits, minimum length, menu-bar setting, chevron, control
// items and shortcuts.

#include "toolbars/qt/tbdock.h"
#include "toolbars/qt/tbqaction.h"
#include "toolbars/qt/tbtoolbar.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "tests/toolbars/grabbedinput.h"
#include "tests/toolbars/docktest.h"
#include "tests/toolbars/toolbartest.h"

using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

// A toolbar of `count` buttons captioned "B1".."Bn", docked in `dock`.
TTbrCustomToolbar *Bar(TTbrDock *dock, const QString &name, int count, int row, int pos) {
  QStringList captions;
  for (int i = 1; i <= count; ++i)
    captions << QStringLiteral("B%1").arg(i);
  return DockedBar(dock, name, captions, row, pos);
}

QString Rows(TTbrDock *dock) { return DockRows(dock); }

class DockTest : public ::testing::Test {
protected:
  void SetUp() override {
    Frame.resize(800, 400);
    Frame.SetCentralWidget(new QWidget);
  }
  TTbrDock *Top() { return Frame.DockTop(); }
  TTestDesktop Desktop{QRect(0, 0, 1024, 768)};
  TTbrDockFrame Frame;
};

TEST_F(DockTest, EmptyDocksAreFlatAndFixAlignKeepsOnePixel) {
  EXPECT_EQ(Top()->height(), 0);
  Frame.DockLeft()->SetFixAlign(true);
  EXPECT_EQ(Frame.DockLeft()->width(), 1);
  auto *bar = Bar(Frame.DockLeft(), "A", 2, 0, 0);
  EXPECT_GT(Frame.DockLeft()->width(), 1);
  bar->hide();
  EXPECT_EQ(Frame.DockLeft()->width(), 1); // its only window hidden: empty again
}

TEST_F(DockTest, RowsAtStartNarrowerAndAfterHideAndShow) {
  auto *menu = Bar(Top(), "Menu", 4, 0, 0);
  menu->SetMenuBar(true);
  auto *a = Bar(Top(), "A", 6, 1, 0);
  auto *b = Bar(Top(), "B", 6, 1, 300);
  auto *c = Bar(Top(), "C", 6, 1, 600);
  Frame.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Frame));
  const int widthA = a->width();
  EXPECT_EQ(Rows(Top()), QStringLiteral("Menu:0@0 A:1@0 B:1@300 C:1@600"));
  EXPECT_EQ(menu->width(), Top()->width()); // full size
  EXPECT_EQ(Top()->height(), menu->height() + a->height());

  // Narrower: the gaps go first, then the last chevron toolbar shrinks to
  // its minimum and shows its chevron, then the one before it.
  Frame.resize(2 * widthA + c->GetMinimumLength() + 20, 400);
  EXPECT_EQ(a->width(), widthA);
  EXPECT_EQ(b->width(), widthA);
  EXPECT_LT(c->width(), widthA);
  EXPECT_EQ(c->width(), c->GetMinimumLength() + 20);
  EXPECT_TRUE(c->View()->Find(c->ChevronItem())->Show);
  EXPECT_TRUE(c->ChevronItem()->Enabled());
  EXPECT_FALSE(a->View()->Find(a->ChevronItem())->Show);
  Frame.resize(widthA + b->GetMinimumLength() + c->GetMinimumLength(), 400);
  EXPECT_EQ(a->width(), widthA);
  EXPECT_EQ(b->width(), b->GetMinimumLength());
  EXPECT_EQ(c->width(), c->GetMinimumLength());
  EXPECT_EQ(Rows(Top()).section(' ', 1), QStringLiteral("A:1@0 B:1@%1 C:1@%2")
                                             .arg(widthA)
                                             .arg(widthA + b->GetMinimumLength()));

  // Too narrow even for the minimums: C wraps into a row of its own.
  Frame.resize(a->GetMinimumLength() + b->GetMinimumLength() + c->GetMinimumLength() - 1, 400);
  EXPECT_EQ(c->ArrangedRow, 2);
  EXPECT_EQ(b->ArrangedRow, 1);

  // Wide again, then B hidden and shown: it comes back in its row.
  Frame.resize(1000, 400);
  EXPECT_EQ(Rows(Top()), QStringLiteral("Menu:0@0 A:1@0 B:1@300 C:1@600"));
  b->hide();
  EXPECT_EQ(Rows(Top()), QStringLiteral("Menu:0@0 A:1@0 C:1@600"));
  b->show();
  EXPECT_EQ(Rows(Top()), QStringLiteral("Menu:0@0 A:1@0 B:1@300 C:1@600"));
}

TEST_F(DockTest, AWrapMenuBarWrapsWhenNarrow) {
  auto *menu = Bar(Top(), "Menu", 12, 0, 0);
  menu->SetMenuBar(true);
  Frame.show();
  const int oneLine = menu->height();
  Frame.resize(menu->BaseContentSize().width() / 2, 400);
  EXPECT_GT(menu->height(), oneLine);
  EXPECT_EQ(Top()->height(), menu->height());
  EXPECT_EQ(menu->width(), Top()->width());
}

TEST_F(DockTest, BottomDockGrowsUpwardsAndRightDockLeftwards) {
  Frame.show();
  const QRect bottomBefore = Frame.DockBottom()->geometry();
  Bar(Frame.DockBottom(), "B1", 3, 0, 0);
  const int oneRow = Frame.DockBottom()->height();
  Bar(Frame.DockBottom(), "B2", 3, 1, 0);
  EXPECT_EQ(Frame.DockBottom()->height(), 2 * oneRow);
  EXPECT_EQ(Frame.DockBottom()->geometry().bottom(), bottomBefore.bottom());
  EXPECT_EQ(Frame.CentralWidget()->geometry().bottom() + 1, Frame.DockBottom()->y());

  Bar(Frame.DockRight(), "R1", 3, 0, 0);
  const int oneColumn = Frame.DockRight()->width();
  Bar(Frame.DockRight(), "R2", 3, 1, 0);
  EXPECT_EQ(Frame.DockRight()->width(), 2 * oneColumn);
  EXPECT_EQ(Frame.DockRight()->geometry().right(), Frame.width() - 1);
  EXPECT_EQ(Frame.CentralWidget()->geometry().right() + 1, Frame.DockRight()->x());

  // A dock outside a frame keeps its far edge itself.
  QWidget form;
  form.resize(400, 300);
  TTbrDock loose(&form, dpBottom);
  loose.setGeometry(0, 300, 400, 0);
  Bar(&loose, "L", 2, 0, 0);
  EXPECT_EQ(loose.geometry().bottom(), 299);
  EXPECT_GT(loose.height(), 0);
}

TEST_F(DockTest, TheTwoRefusals) {
  Bar(Top(), "A", 2, 0, 0);
  try {
    Top()->SetPosition(dpLeft);
    FAIL() << "no error";
  } catch (const EInvalidOperation &error) {
    EXPECT_STREQ(error.what(), "Cannot change Position of a TTbrDock if it already contains controls");
  }
  EXPECT_EQ(Top()->Position(), dpTop);
  Frame.DockLeft()->SetPosition(dpLeft); // unchanged: no error

  TTbrDock inner(nullptr, dpTop);
  try {
    inner.SetDockParent(Top());
    FAIL() << "no error";
  } catch (const EInvalidOperation &error) {
    EXPECT_STREQ(error.what(), "A TTbrDock control cannot be placed inside a tool window or another TTbrDock");
  }
  EXPECT_THROW(inner.SetDockParent(Top()->VisibleMember(0)), EInvalidOperation);
  EXPECT_NO_THROW(inner.SetDockParent(&Frame));
}

TEST_F(DockTest, DockedFrameGripAndNoGripWithoutDragging) {
  auto *bar = Bar(Top(), "A", 2, 0, 0);
  EXPECT_EQ(bar->GetDockedFrameSize(), QSize(4 + 6, 4)); // single grip
  bar->SetDragHandleStyle(dhDouble);
  EXPECT_EQ(bar->GetDockedFrameSize(), QSize(4 + 9, 4));
  bar->SetCloseButtonWhenDocked(true);
  EXPECT_EQ(bar->GetDockedFrameSize(), QSize(4 + 14, 4));
  Top()->SetAllowDrag(false);
  EXPECT_EQ(bar->GetDockedFrameSize(), QSize(4, 4));
  EXPECT_EQ(bar->ClientRect(), bar->rect().adjusted(2, 2, -2, -2));
  EXPECT_EQ(bar->HitTest(QPoint(3, 3)), int(HitClient));
  EXPECT_EQ(bar->HitTest(QPoint(1, 5)), int(HitFrame));

  auto *side = Bar(Frame.DockLeft(), "S", 2, 0, 0);
  EXPECT_EQ(side->GetDockedFrameSize(), QSize(4, 4 + 6));
  EXPECT_EQ(side->ClientRect().top(), 2 + 6);
}

TEST_F(DockTest, CloseButtonTracksThePressAndAsksFirst) {
  auto *bar = Bar(Top(), "A", 2, 0, 0);
  bar->SetCloseButtonWhenDocked(true);
  Frame.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Frame));
  const QPoint button(3 + 5, 2 + 5); // an 11-pixel square at (3, 2)
  EXPECT_EQ(bar->HitTest(button), int(HitCloseButton));
  EXPECT_EQ(bar->HitTest(QPoint(5, bar->height() - 3)), int(HitFrame));

  bool allow = false;
  int closes = 0;
  bar->OnCloseQuery = [&](TTbrCustomDockableWindow *, bool &canClose) { canClose = allow; };
  bar->OnClose = [&](TTbrCustomDockableWindow *) { ++closes; };

  // The press holds the pointer until the release; the button shows
  // pressed while the pointer is over it.
  const QPoint buttonAt = bar->mapToGlobal(button), away = bar->mapToGlobal(QPoint(40, 10));
  auto pressAndRelease = [&](const QPoint &releaseAt, QList<bool> *pressed) {
    WhenGrabbed([&] {
      if (pressed)
        *pressed << bar->ClosePressed();
      SendGrabbedMouse(QEvent::MouseMove, away);
      if (pressed)
        *pressed << bar->ClosePressed();
      SendGrabbedMouse(QEvent::MouseMove, releaseAt);
      SendGrabbedMouse(QEvent::MouseButtonRelease, releaseAt, Qt::LeftButton, Qt::NoButton);
    });
    QTest::mousePress(bar, Qt::LeftButton, {}, button);
  };
  // Released away from the button: nothing.
  QList<bool> pressed;
  pressAndRelease(away, &pressed);
  EXPECT_EQ(pressed, QList<bool>({true, false}));
  EXPECT_FALSE(bar->ClosePressed());
  EXPECT_TRUE(bar->isVisible());
  // Released on it, but the query refuses.
  pressAndRelease(buttonAt, nullptr);
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(closes, 0);
  // Allowed: hidden, then told; the dock is empty again.
  allow = true;
  pressAndRelease(buttonAt, nullptr);
  EXPECT_FALSE(bar->isVisible());
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(Top()->height(), 0);
  EXPECT_EQ(Top()->VisibleMemberCount(), 0);
  EXPECT_EQ(Top()->MemberWindows().size(), 1); // still a member: it comes back to its place
}

TEST_F(DockTest, LastDockKeepsTheMembershipWhileAway) {
  auto *bar = Bar(Top(), "A", 2, 2, 40);
  EXPECT_EQ(bar->LastDock(), Top());
  bar->SetCurrentDock(Frame.DockBottom());
  EXPECT_EQ(bar->CurrentDock(), Frame.DockBottom());
  EXPECT_EQ(bar->LastDock(), Frame.DockBottom());
  EXPECT_FALSE(Top()->MemberWindows().contains(bar));
  EXPECT_TRUE(Frame.DockBottom()->MemberWindows().contains(bar));
  EXPECT_EQ(Top()->height(), 0);
  EXPECT_GT(Frame.DockBottom()->height(), 0);

  // Off the dock onto the form: the last dock keeps it as member.
  bar->SetCurrentDock(nullptr);
  EXPECT_EQ(bar->parentWidget(), &Frame);
  EXPECT_TRUE(Frame.DockBottom()->MemberWindows().contains(bar));
  EXPECT_EQ(Frame.DockBottom()->VisibleMemberCount(), 0);
  EXPECT_EQ(Frame.DockBottom()->height(), 0);
}

TEST(Toolbar, MenuBarSettingAndChevronCaption) {
  TTbrCustomToolbar bar;
  bar.SetMenuBar(true);
  EXPECT_TRUE(bar.FullSize());
  EXPECT_EQ(bar.ShrinkMode(), tbsmWrap);
  EXPECT_FALSE(bar.CloseButton());
  EXPECT_TRUE(bar.ProcessShortCuts());
  EXPECT_TRUE(bar.View()->Style & tbvsMenuBar);
  bar.SetMenuBar(false);
  EXPECT_EQ(bar.ShrinkMode(), tbsmChevron);
  EXPECT_TRUE(bar.CloseButton());
  EXPECT_FALSE(bar.ProcessShortCuts());
  EXPECT_FALSE(bar.View()->Style & tbvsMenuBar);

  const struct {
    const char *Hint, *Caption;
  } cases[] = {{"More Buttons|", "More Buttons"}, {"Tools & more|long", "Tools && more"}, {"No bar", "No bar"}};
  for (const auto &c : cases) {
    bar.SetChevronHint(c.Hint);
    EXPECT_EQ(bar.ChevronItem()->Caption(), QString(c.Caption)) << c.Hint;
    EXPECT_EQ(bar.ChevronItem()->Hint(), QString(c.Hint));
  }
  EXPECT_EQ(bar.ChevronItem()->LinkSubitems(), bar.Items());
  EXPECT_TRUE(bar.ChevronItem()->HasStyle(tbis::Submenu));
  EXPECT_TRUE(bar.ChevronItem()->HasStyle(tbis::NoAutoOpen));
}

TEST_F(DockTest, MinimumLengthKeepsTheFirstPriorityItemAndTheChevronInside) {
  auto *bar = Bar(Top(), "A", 0, 0, 0);
  for (const char *caption : {"Wide first button", "B", "Another wide one", "C"})
    Add(bar->Items(), caption);
  bar->View()->ValidatePositions();
  const int first = bar->View()->PriorityList().value(0)->BoundsRect.width();
  EXPECT_GE(bar->GetMinimumLength(), first + 10 + 12);
  // Squeezed by its neighbour it keeps that much, and its chevron lies
  // inside the window, where it can be clicked.
  Bar(Top(), "N", 10, 0, 0);
  Frame.show();
  Frame.resize(100, 300);
  EXPECT_EQ(bar->width(), bar->GetMinimumLength());
  const TTbrItemViewer *chevron = bar->View()->Find(bar->ChevronItem());
  ASSERT_TRUE(chevron->Show);
  EXPECT_LE(chevron->BoundsRect.translated(bar->ClientRect().topLeft()).right(), bar->ClientRect().right());
}

TEST_F(DockTest, TheChevronListsTheHiddenItemsOnlyWhenTheToolbarMovesThemThere) {
  Bar(Top(), "N", 4, 0, 0);
  auto *bar = Bar(Top(), "A", 8, 0, 200); // the last of the row: it gives up length first
  Frame.show();
  Frame.resize(260, 300);
  ASSERT_GT(bar->ShrunkLength, 0);
  TTbrView *view = bar->View();
  // The entries the chevron's popup lists.
  auto listed = [&] {
    QStringList captions;
    view->ValidatePositions();
    view->Select(view->Find(bar->ChevronItem()), false);
    if (!view->OpenChildPopup(false))
      return captions;
    TTbrView *popup = view->OpenViewerView();
    for (int i = 0; popup && i < popup->ViewerCount(); ++i)
      if (popup->Viewers(i)->Show)
        captions << popup->Viewers(i)->Item->Caption();
    view->CloseChildPopups();
    view->Select(nullptr, false);
    return captions;
  };
  QStringList hidden;
  for (int i = 0; i < view->ViewerCount(); ++i)
    if (view->Viewers(i)->OffEdge)
      hidden << view->Viewers(i)->Item->Caption();
  ASSERT_FALSE(hidden.isEmpty());
  EXPECT_EQ(listed(), hidden);
  bar->SetChevronMoveItems(false);
  EXPECT_EQ(listed(), QStringList());
  bar->SetChevronMoveItems(true);
  EXPECT_EQ(listed(), hidden);

  // Measured anew, the toolbar is at its full length until the dock
  // shrinks it again.
  view->InvalidatePositions();
  EXPECT_EQ(bar->ShrunkLength, 0);
  Top()->ArrangeDockedWindows();
  EXPECT_GT(bar->ShrunkLength, 0);
}

TEST_F(DockTest, ControlItemsAreShownSizedAndMoved) {
  auto *bar = Bar(Top(), "A", 2, 0, 0);
  auto *combo = new QComboBox(bar);
  combo->addItems({QStringLiteral("Sans"), QStringLiteral("A rather long font name")});
  bar->Items()->Insert(1, new TTbrControlItem(combo));
  Frame.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Frame));
  const QRect bounds = bar->View()->Find(bar->Items()->Items(1))->BoundsRect;
  EXPECT_EQ(bounds.size(), combo->sizeHint());
  EXPECT_EQ(combo->geometry(), bounds.translated(bar->ClientRect().topLeft()));
  EXPECT_TRUE(combo->isVisible());
  EXPECT_GE(bar->height(), combo->height() + 4);
  // The button after it sits after it.
  EXPECT_GE(bar->View()->Find(bar->Items()->Items(2))->BoundsRect.left(), bounds.right());

  // A control put on the toolbar without an item gets one at the end; one
  // taken off loses it and lives on.
  auto *extra = new QLineEdit(bar);
  QCoreApplication::processEvents();
  ASSERT_EQ(bar->Items()->Count(), 4);
  EXPECT_EQ(static_cast<TTbrControlItem *>(bar->Items()->Items(3))->Control(), extra);
  EXPECT_EQ(bar->Items()->Count(), 4); // the combo kept its one item
  extra->setParent(nullptr);
  EXPECT_EQ(bar->Items()->Count(), 3);
  delete extra;
}

TEST_F(DockTest, ShortcutsRunOnceThroughTheApplicationFilter) {
  auto *bar = Bar(Top(), "A", 0, 0, 0);
  bar->SetProcessShortCuts(true);
  auto *item = Add(bar->Items(), "Bold");
  item->SetShortCut(MakeShortCut(Qt::Key_B, Qt::ControlModifier));
  int clicks = 0;
  item->SetOnClick([&](TTbrCustomItem *) { ++clicks; });
  auto *edit = new QLineEdit(Frame.CentralWidget());
  Frame.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Frame));
  Frame.activateWindow();
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_B, Qt::ControlModifier);
  QCoreApplication::processEvents();
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(edit->text().isEmpty());
  // Plain typing is left alone.
  QTest::keyClicks(edit, "b");
  EXPECT_EQ(edit->text(), QStringLiteral("b"));

  // A second toolbar with the same shortcut: the first one that has it
  // runs it, and only that one.
  auto *other = Bar(Top(), "B", 0, 0, 100);
  other->SetProcessShortCuts(true);
  auto *twin = Add(other->Items(), "Bold too");
  twin->SetShortCut(item->ShortCut());
  int twinClicks = 0;
  twin->SetOnClick([&](TTbrCustomItem *) { ++twinClicks; });
  QTest::keyClick(edit, Qt::Key_B, Qt::ControlModifier);
  QCoreApplication::processEvents();
  EXPECT_EQ(clicks + twinClicks, 2);
  EXPECT_EQ(clicks, 2);

  // An OnShortCut that takes the key comes first.
  bar->OnShortCut = [](TShortCut key) { return key == MakeShortCut(Qt::Key_B, Qt::ControlModifier); };
  QTest::keyClick(edit, Qt::Key_B, Qt::ControlModifier);
  QCoreApplication::processEvents();
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(twinClicks, 0);
}

TEST_F(DockTest, AnActionsShortcutRunsOnceWhetherQtOrTheToolbarFiresIt) {
  auto *bar = Bar(Top(), "A", 0, 0, 0);
  auto *edit = new QLineEdit(Frame.CentralWidget());
  // One action Qt knows as a shortcut of the form, one it does not.
  auto *onForm = new QAction(QStringLiteral("On form"), &Frame);
  onForm->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_J));
  Frame.addAction(onForm);
  auto *alone = new QAction(QStringLiteral("Alone"), &Frame);
  alone->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
  int formRuns = 0, aloneRuns = 0;
  QObject::connect(onForm, &QAction::triggered, [&] { ++formRuns; });
  QObject::connect(alone, &QAction::triggered, [&] { ++aloneRuns; });
  for (QAction *action : {onForm, alone}) {
    auto *item = new TTbrCustomItem;
    item->SetAction(TTbrQActionAdapter::For(action));
    bar->Items()->Add(item);
  }
  Frame.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Frame));
  Frame.activateWindow();
  edit->setFocus();
  const auto press = [&] {
    QTest::keyClick(edit, Qt::Key_J, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_L, Qt::ControlModifier);
    QCoreApplication::processEvents();
  };
  // Without the toolbar's shortcuts only Qt fires the one it knows.
  press();
  EXPECT_EQ(formRuns, 1);
  EXPECT_EQ(aloneRuns, 0);
  bar->SetProcessShortCuts(true);
  press();
  EXPECT_EQ(formRuns, 2);
  EXPECT_EQ(aloneRuns, 1);
}

// A desktop that hides underlines until the keyboard is used.
class TCuesOffDesktop : public TTestDesktop {
public:
  TCuesOffDesktop() : TTestDesktop(QRect(0, 0, 1024, 768)) {}
  bool KeyboardCuesOn() const override { return false; }
};

TEST(Toolbar, MenuBarUnderlinesFollowTheDesktopFromTheStart) {
  {
    TTestDesktop always(QRect(0, 0, 1024, 768));
    TTbrCustomToolbar bar;
    bar.SetMenuBar(true);
    bar.show();
    EXPECT_TRUE(bar.View()->State & tbvsAccelsShown); // before any menu session
  }
  TCuesOffDesktop untilKeyboard;
  TTbrCustomToolbar bar;
  bar.SetMenuBar(true);
  bar.show();
  EXPECT_FALSE(bar.View()->State & tbvsAccelsShown);
  QTest::keyPress(&bar, Qt::Key_Alt, Qt::AltModifier); // Alt shows them
  EXPECT_TRUE(bar.View()->State & tbvsAccelsShown);
  QTest::keyPress(&bar, Qt::Key_Z, Qt::AltModifier); // nothing opens: they go again
  EXPECT_FALSE(bar.View()->State & tbvsAccelsShown);
}

} // namespace
