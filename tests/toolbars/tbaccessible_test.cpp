// Toolbars and menus as accessibility clients see them, through Qt's own
// accessibility API: the menu bar and its popups, their children, names,
// roles, states and actions, and objects that outlive their viewers.

#include "toolbars/core/tbview.h"
#include "toolbars/qt/tbaccessible.h"
#include "toolbars/qt/tbmodaldriver.h"
#include "toolbars/qt/tbpopupwindow.h"
#include "toolbars/qt/tbtoolbar.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "tests/toolbars/menuscript.h"
#include "tests/toolbars/toolbartest.h"

using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

// Runs the event loop until `done` holds (or a generous bound passes).
bool WaitFor(const std::function<bool()> &done) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < 30000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

// The child of `parent` with this name; nullptr when none.
QAccessibleInterface *ChildNamed(QAccessibleInterface *parent, const QString &name) {
  for (int i = 0; parent && i < parent->childCount(); ++i)
    if (QAccessibleInterface *child = parent->child(i); child && child->text(QAccessible::Name) == name)
      return child;
  return nullptr;
}

QStringList ChildNames(QAccessibleInterface *parent) {
  QStringList names;
  for (int i = 0; parent && i < parent->childCount(); ++i)
    names << parent->child(i)->text(QAccessible::Name);
  return names;
}

QStringList Actions(QAccessibleInterface *iface) {
  QAccessibleActionInterface *actions = iface ? iface->actionInterface() : nullptr;
  return actions ? actions->actionNames() : QStringList();
}

// Ends the menu session from outside, as the application losing the input does.
void EndMenu() {
  QEvent deactivate(QEvent::ApplicationDeactivate);
  QCoreApplication::sendEvent(qApp, &deactivate);
}

void Do(QAccessibleInterface *iface, const QString &action) {
  ASSERT_NE(iface, nullptr);
  ASSERT_NE(iface->actionInterface(), nullptr);
  iface->actionInterface()->doAction(action);
}

// An item whose viewer has a value, as an edit item's has its text.
class TValueViewer : public TTbrItemViewer {
public:
  using TTbrItemViewer::TTbrItemViewer;
  bool GetAccValue(QString &value) const override {
    value = QStringLiteral("typed text");
    return true;
  }
};
class TValueItem : public TTbrCustomItem {
public:
  TTbrViewerFactory ViewerClass(TTbrView *) const override {
    return [](TTbrView *view, TTbrCustomItem *item, int level) -> TTbrItemViewer * {
      return new TValueViewer(view, item, level);
    };
  }
};

class AccessibleTest : public ::testing::Test {
protected:
  void SetUp() override {
    Main = std::make_unique<QWidget>();
    Main->setWindowTitle(QStringLiteral("Cards"));
    Main->setGeometry(100, 100, 500, 300);
    auto *layout = new QVBoxLayout(Main.get());
    Bar = new TTbrCustomToolbar(Main.get());
    Bar->setWindowTitle(QStringLiteral("Menu"));
    Bar->SetMenuBar(true);
    Tools = new TTbrCustomToolbar(Main.get());
    Tools->setWindowTitle(QStringLiteral("Tools"));
    layout->addWidget(Bar);
    layout->addWidget(Tools);
    layout->addStretch();

    File = Add<TSubmenuItem>(Bar->Items(), "&File");
    Open = Add(File, "&Open\tCtrl+O");
    Recent = Add<TSubmenuItem>(File, "&Recent");
    First = Add(Recent, "&first.qel");
    Wrap = Add(File, "&Wrap");
    Wrap->SetChecked(true);
    Locked = Add(File, "&Locked");
    Locked->SetEnabled(false);
    Edit = Add<TSubmenuItem>(Bar->Items(), "&Edit");
    Add(Edit, "&Copy");

    Bold = Add(Tools->Items(), "&Bold");
    Colours = Add<TSubmenuItem>(Tools->Items(), "Colours");
    Add(Colours, "Red");
    Filter = new QLineEdit(Tools);
    Tools->Items()->Add(new TTbrControlItem(Filter));
    Typed = Add<TValueItem>(Tools->Items(), "Find");

    for (TTbrCustomItem *item : {Open, First, Bold})
      item->SetOnClick([this](TTbrCustomItem *sender) { Clicked << sender->Caption(); });

    Main->show();
    Main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Main.get()));
  }
  void TearDown() override {
    Main.reset();
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
  }

  QAccessibleInterface *BarIface() { return QAccessible::queryAccessibleInterface(Bar); }

  TTestDesktop Desktop{QRect(0, 0, 800, 600), QRect(), 30};
  std::unique_ptr<QWidget> Main;
  TTbrCustomToolbar *Bar = nullptr, *Tools = nullptr;
  QLineEdit *Filter = nullptr;
  TTbrCustomItem *File, *Open, *Recent, *First, *Wrap, *Locked, *Edit, *Bold, *Colours, *Typed;
  QStringList Clicked;
};

TEST_F(AccessibleTest, TheMenuBarAndItsItemsAnswerAsTheWindowShowsThem) {
  QAccessibleInterface *bar = BarIface();
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->isValid());
  EXPECT_EQ(bar->role(), QAccessible::MenuBar);
  EXPECT_EQ(bar->text(QAccessible::Name), "Menu");
  EXPECT_EQ(bar->text(QAccessible::Accelerator), "Alt");
  EXPECT_EQ(bar->rect(), QRect(Bar->mapToGlobal(QPoint(0, 0)), Bar->size()));
  EXPECT_EQ(bar->state(), QAccessible::State());
  EXPECT_TRUE(Actions(bar).isEmpty());

  // The window lists the bar among its children, and the bar names it as parent.
  QAccessibleInterface *window = QAccessible::queryAccessibleInterface(Main.get());
  EXPECT_GE(window->indexOfChild(bar), 0);
  EXPECT_EQ(bar->parent(), window);

  EXPECT_EQ(ChildNames(bar), (QStringList{"File", "Edit"}));
  QAccessibleInterface *file = bar->child(0);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->role(), QAccessible::MenuItem);
  EXPECT_EQ(file->text(QAccessible::Accelerator), "Alt+f");
  EXPECT_EQ(file->parent(), bar);
  EXPECT_EQ(bar->indexOfChild(file), 0);
  EXPECT_EQ(bar->indexOfChild(bar->child(1)), 1);
  EXPECT_EQ(bar->child(2), nullptr);
  EXPECT_EQ(bar->child(0), file); // one object per viewer
  EXPECT_EQ(file->childCount(), 0);
  const QAccessible::State state = file->state();
  EXPECT_TRUE(state.hasPopup);
  EXPECT_TRUE(state.focusable);
  EXPECT_FALSE(state.hotTracked || state.focused || state.disabled || state.invisible || state.checked);
  EXPECT_EQ(Actions(file), (QStringList{"Open", QAccessibleActionInterface::setFocusAction()}));
  EXPECT_EQ(file->actionInterface()->keyBindingsForAction("Open"), QStringList{"Alt+f"});

  // Hit tests: over a viewer its object, over the bar elsewhere the bar
  // itself, outside nothing.
  const QRect fileRect = file->rect();
  EXPECT_EQ(fileRect.size(), Bar->View()->Find(File)->BoundsRect.size());
  EXPECT_EQ(bar->childAt(fileRect.center().x(), fileRect.center().y()), file);
  const QPoint empty = Bar->mapToGlobal(QPoint(Bar->width() - 2, Bar->height() / 2));
  EXPECT_EQ(bar->childAt(empty.x(), empty.y()), nullptr);
  EXPECT_EQ(bar->childAt(-50, -50), nullptr);
}

TEST_F(AccessibleTest, OpeningAMenuByItsActionAndWalkingIntoASubmenu) {
  QAccessibleInterface *file = ChildNamed(BarIface(), "File");
  ASSERT_NE(file, nullptr);
  QAccessibleInterface *recent = nullptr;
  TScript script;
  script.Then([&] {
    // The menu opened with its first item selected, in a menu session.
    ASSERT_EQ(OpenPopups(Bar->View()).size(), 1);
    EXPECT_TRUE(TTbrQtModalDriver::Running());
    ASSERT_EQ(file->childCount(), 1);
    QAccessibleInterface *menu = file->child(0);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->role(), QAccessible::PopupMenu);
    EXPECT_EQ(menu->text(QAccessible::Name), "File");
    EXPECT_EQ(menu->text(QAccessible::Accelerator), "");
    EXPECT_EQ(menu->parent(), file);
    EXPECT_EQ(file->indexOfChild(menu), 0);
    EXPECT_EQ(menu->object(), OpenPopups(Bar->View()).first());
    EXPECT_EQ(ChildNames(menu), (QStringList{"Open\tCtrl+O", "Recent", "Wrap", "Locked"}));
    EXPECT_EQ(Actions(file).value(0), "Close");
    EXPECT_TRUE(file->state().focused && file->state().hotTracked);

    QAccessibleInterface *open = menu->child(0);
    EXPECT_EQ(open->role(), QAccessible::MenuItem);
    EXPECT_EQ(open->text(QAccessible::Accelerator), "o"); // no Alt inside a menu
    EXPECT_TRUE(open->state().focused && open->state().hotTracked);
    EXPECT_EQ(Actions(open).value(0), "Execute");
    EXPECT_TRUE(ChildNamed(menu, "Wrap")->state().checked);
    QAccessibleInterface *locked = ChildNamed(menu, "Locked");
    EXPECT_TRUE(locked->state().disabled);
    EXPECT_EQ(Actions(locked), QStringList{QAccessibleActionInterface::setFocusAction()});
    recent = ChildNamed(menu, "Recent");
    ASSERT_NE(recent, nullptr);
    EXPECT_EQ(Actions(recent).value(0), "Open");
    EXPECT_FALSE(recent->state().focused);
    Do(recent, "Open"); // runs once this call has returned
    EXPECT_EQ(OpenPopups(Bar->View()).size(), 1);
  });
  script.Then([&] {
    ASSERT_EQ(OpenPopups(Bar->View()).size(), 2);
    ASSERT_EQ(recent->childCount(), 1);
    EXPECT_EQ(ChildNames(recent->child(0)), QStringList{"first.qel"});
    // The default action of an item whose submenu is open closes it, at once.
    EXPECT_EQ(Actions(recent).value(0), "Close");
    Do(recent, "Close");
    EXPECT_EQ(OpenPopups(Bar->View()).size(), 1);
    EXPECT_EQ(recent->childCount(), 0);
    EXPECT_EQ(Actions(recent).value(0), "Open");
    EXPECT_TRUE(TTbrQtModalDriver::Running());
  });
  script.Then([&] {
    // Closing the bar's menu ends the menu session too.
    Do(file, "Close");
    EXPECT_TRUE(OpenPopups(Bar->View()).isEmpty());
  });
  script.Start();
  Do(file, "Open");
  EXPECT_TRUE(OpenPopups(Bar->View()).isEmpty()); // nothing before the call returned
  EXPECT_TRUE(WaitFor([&] { return script.Done() && !TTbrQtModalDriver::Running(); }));
  EXPECT_FALSE(Bar->View()->InMenuMode());
  EXPECT_TRUE(Clicked.isEmpty());
}

TEST_F(AccessibleTest, TakingTheFocusOnTheBarStartsAMenuSessionWithoutOpeningAMenu) {
  QAccessibleInterface *edit = ChildNamed(BarIface(), "Edit");
  TScript script;
  script.Then([&] {
    EXPECT_TRUE(TTbrQtModalDriver::Running());
    EXPECT_EQ(Bar->View()->Selected(), Bar->View()->Find(Edit));
    EXPECT_TRUE(OpenPopups(Bar->View()).isEmpty());
    EXPECT_TRUE(edit->state().focused);
    EXPECT_FALSE(ChildNamed(BarIface(), "File")->state().focused);
    EndMenu();
  });
  script.Start();
  Do(edit, QAccessibleActionInterface::setFocusAction());
  EXPECT_TRUE(edit->state().hotTracked); // selected at once; the session starts after the call
  EXPECT_FALSE(TTbrQtModalDriver::Running());
  EXPECT_TRUE(WaitFor([&] { return script.Done() && !TTbrQtModalDriver::Running(); }));
  EXPECT_TRUE(Clicked.isEmpty());
}

TEST_F(AccessibleTest, ExecutingAMenuItemRunsItsCommandAfterTheMenuHasClosed) {
  TScript script;
  script.Then([&] {
    ASSERT_EQ(OpenPopups(Bar->View()).size(), 1);
    QAccessibleInterface *menu = ChildNamed(BarIface(), "File")->child(0);
    Do(ChildNamed(menu, "Open\tCtrl+O"), "Execute");
    EXPECT_TRUE(Clicked.isEmpty());
  });
  script.Start();
  Do(ChildNamed(BarIface(), "File"), "Open");
  EXPECT_TRUE(WaitFor([&] { return script.Done() && !Clicked.isEmpty(); }));
  EXPECT_EQ(Clicked, QStringList{"&Open\tCtrl+O"});
  EXPECT_TRUE(OpenPopups(Bar->View()).isEmpty());
  EXPECT_FALSE(TTbrQtModalDriver::Running());
}

TEST_F(AccessibleTest, AnObjectHeldAfterItsViewerWentAnswersAsInvalid) {
  QAccessibleInterface *open = nullptr, *menu = nullptr;
  QAccessible::Id openId = 0, menuId = 0;
  TScript script;
  script.Then([&] {
    menu = ChildNamed(BarIface(), "File")->child(0);
    ASSERT_NE(menu, nullptr);
    open = menu->child(0);
    openId = QAccessible::uniqueId(open);
    menuId = QAccessible::uniqueId(menu);
    EndMenu();
  });
  script.Start();
  Do(ChildNamed(BarIface(), "File"), "Open");
  ASSERT_TRUE(WaitFor([&] { return script.Done() && !TTbrQtModalDriver::Running(); }));
  ASSERT_NE(open, nullptr);

  // The popup and its viewers are gone; the object a client holds fails
  // every question without reaching into them.
  EXPECT_TRUE(OpenPopups(Bar->View()).isEmpty());
  EXPECT_FALSE(open->isValid());
  EXPECT_EQ(open->text(QAccessible::Name), "");
  EXPECT_EQ(open->text(QAccessible::Value), "");
  EXPECT_EQ(open->role(), QAccessible::NoRole);
  EXPECT_EQ(open->state(), QAccessible::State());
  EXPECT_EQ(open->rect(), QRect());
  EXPECT_EQ(open->parent(), nullptr);
  EXPECT_EQ(open->childCount(), 0);
  EXPECT_EQ(open->child(0), nullptr);
  EXPECT_EQ(open->window(), nullptr);
  EXPECT_TRUE(Actions(open).isEmpty());
  open->actionInterface()->doAction("Execute");
  open->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
  QCoreApplication::processEvents();
  EXPECT_TRUE(Clicked.isEmpty());
  // Then it leaves Qt's registry; a client asking by its id gets nothing,
  // like one asking for the popup window that went.
  EXPECT_TRUE(WaitFor([&] { return QAccessible::accessibleInterface(openId) == nullptr; }));
  EXPECT_EQ(QAccessible::accessibleInterface(menuId), nullptr);
  EXPECT_EQ(Bar->View()->OpenViewerView(), nullptr);
}

TEST_F(AccessibleTest, AToolbarsButtonsControlsAndValues) {
  QAccessibleInterface *tools = QAccessible::queryAccessibleInterface(Tools);
  ASSERT_NE(tools, nullptr);
  EXPECT_EQ(tools->role(), QAccessible::ToolBar);
  EXPECT_EQ(tools->text(QAccessible::Name), "Tools");
  EXPECT_EQ(tools->text(QAccessible::Accelerator), "");
  ASSERT_EQ(tools->childCount(), 4);

  QAccessibleInterface *bold = tools->child(0);
  EXPECT_EQ(bold->role(), QAccessible::PushButton);
  EXPECT_EQ(bold->text(QAccessible::Name), "Bold");
  EXPECT_EQ(bold->text(QAccessible::Accelerator), "Alt+b");
  EXPECT_EQ(Actions(bold).value(0), "Press");
  EXPECT_EQ(tools->child(1)->role(), QAccessible::ButtonMenu);
  EXPECT_EQ(Actions(tools->child(1)).value(0), "Open");
  EXPECT_EQ(tools->child(1)->text(QAccessible::Accelerator), ""); // no accelerator in its caption

  // A control item's child is the control's own object, found back by index.
  QAccessibleInterface *filter = tools->child(2);
  ASSERT_NE(filter, nullptr);
  EXPECT_EQ(filter->object(), Filter);
  EXPECT_EQ(tools->indexOfChild(filter), 2);
  const QRect filterRect = filter->rect();
  EXPECT_EQ(tools->childAt(filterRect.center().x(), filterRect.center().y()), filter);

  EXPECT_EQ(tools->child(3)->text(QAccessible::Value), "typed text");
  EXPECT_EQ(bold->text(QAccessible::Value), "");

  // Pressing a button runs its item once the call has returned.
  Do(bold, "Press");
  EXPECT_TRUE(Clicked.isEmpty());
  EXPECT_TRUE(WaitFor([&] { return !Clicked.isEmpty() && !TTbrQtModalDriver::Running(); }));
  EXPECT_EQ(Clicked, QStringList{"&Bold"});
  EXPECT_FALSE(Tools->View()->InMenuMode());
}

TEST_F(AccessibleTest, WhatAClientMayDoFollowsTheWindowAndTheLayout) {
  QAccessibleInterface *bold = QAccessible::queryAccessibleInterface(Tools)->child(0);
  Main->setEnabled(false);
  EXPECT_TRUE(Actions(bold).isEmpty());
  EXPECT_FALSE(bold->state().focusable);
  Do(bold, "Press");
  Main->setEnabled(true);
  QCoreApplication::processEvents();
  EXPECT_TRUE(Clicked.isEmpty());

  // A button the toolbar had no room for (listed by its chevron) is still a
  // child and can be pressed, but is invisible and takes no focus.
  TTbrItemViewer *viewer = Tools->View()->Find(Bold);
  viewer->Show = false;
  viewer->OffEdge = true;
  EXPECT_EQ(QAccessible::queryAccessibleInterface(Tools)->child(0), bold);
  EXPECT_TRUE(bold->state().invisible);
  EXPECT_FALSE(bold->state().focusable);
  EXPECT_EQ(Actions(bold), QStringList{"Press"});
  viewer->OffEdge = false;
  EXPECT_EQ(ChildNames(QAccessible::queryAccessibleInterface(Tools)).value(0), "Colours");
  viewer->Show = true;

  // A hidden item is listed by no view.
  Bold->SetVisible(false);
  EXPECT_EQ(ChildNames(QAccessible::queryAccessibleInterface(Tools)).value(0), "Colours");
}

TEST_F(AccessibleTest, WithoutAClientNoViewerObjectIsMade) {
  // Menus opened and walked by the keyboard make no viewer object while no
  // client asked for one. (A shown view's object stands in for the one Qt
  // makes for every widget it shows.)
  ASSERT_FALSE(QAccessible::isActive());
  TScript script;
  script.Then([&] {
    ASSERT_EQ(OpenPopups(Bar->View()).size(), 1);
    QTest::keyClick(Bar, Qt::Key_Down);
  });
  script.Then([&] { QTest::keyClick(Bar, Qt::Key_Right); }); // into Recent
  script.Then([&] {
    const QList<TTbrPopupWindow *> popups = OpenPopups(Bar->View());
    ASSERT_EQ(popups.size(), 2);
    QStringList made;
    for (TTbrView *view : {static_cast<TTbrView *>(Bar->View()), static_cast<TTbrView *>(popups[0]->View()),
                           static_cast<TTbrView *>(popups[1]->View())})
      for (int i = 0; i < view->ViewerCount(); ++i)
        if (view->Viewers(i)->AccObject)
          made << view->Viewers(i)->Item->Caption();
    EXPECT_EQ(made, QStringList());
    EndMenu();
  });
  script.Start();
  QTest::keyClick(Main.get(), Qt::Key_F, Qt::AltModifier);
  EXPECT_TRUE(WaitFor([&] { return script.Done() && !TTbrQtModalDriver::Running(); }));
}

} // namespace
