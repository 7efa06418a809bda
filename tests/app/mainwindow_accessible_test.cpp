// The main window's menu bar as an accessibility client finds it, walking
// down from the window through Qt's accessibility interfaces.

#include "tests/app/mainwindow_fixture.h"
#include "tests/toolbars/menuscript.h"
#include "toolbars/core/tbview.h"
#include "toolbars/qt/tbtoolbar.h"
#include "toolbars/qt/thmwindows.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QPointer>
#include <QStatusBar>
#include <QElapsedTimer>
#include <QTest>

namespace qel::test {
namespace {

QAccessibleInterface *FindRole(QAccessibleInterface *node, QAccessible::Role role, int depth = 0) {
  if (!node || node->role() == role) return node;
  for (int i = 0; depth < 8 && i < node->childCount(); ++i)
    if (QAccessibleInterface *found = FindRole(node->child(i), role, depth + 1)) return found;
  return nullptr;
}

QStringList ChildNames(QAccessibleInterface *node) {
  QStringList names;
  for (int i = 0; node && i < node->childCount(); ++i) names << node->child(i)->text(QAccessible::Name);
  return names;
}

TEST_F(MainWindowTest, AClientFindsTheMenuBarByItsItemsAndOpensFileThroughItsAction) {
  start({});
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  QAccessibleInterface *bar = FindRole(QAccessible::queryAccessibleInterface(window.get()), QAccessible::MenuBar);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->object(), window->Toolbar_Menu);
  EXPECT_EQ(bar->text(QAccessible::Name), "Menu");
  EXPECT_EQ(ChildNames(bar), (QStringList{"File", "Edit", "Card", "Tools", "Help"}));
  QAccessibleInterface *file = bar->child(0);
  EXPECT_EQ(file->text(QAccessible::Accelerator), "Alt+f");
  ASSERT_NE(file->actionInterface(), nullptr);
  EXPECT_EQ(file->actionInterface()->actionNames().value(0), "Open");

  QStringList entries;
  QString defaultWhileOpen;
  toolbars::test::TScript script;
  script.Then([&] {
    ASSERT_EQ(file->childCount(), 1);
    QAccessibleInterface *menu = file->child(0);
    EXPECT_EQ(menu->role(), QAccessible::PopupMenu);
    EXPECT_EQ(menu->text(QAccessible::Name), "File");
    entries = ChildNames(menu);
    defaultWhileOpen = file->actionInterface()->actionNames().value(0);
    file->actionInterface()->doAction(defaultWhileOpen); // closes the menu and ends the session
  });
  script.Start();
  file->actionInterface()->doAction("Open");
  QElapsedTimer timer;
  timer.start();
  while (!(script.Done() && !toolbars::TTbrQtModalDriver::Running()) && timer.elapsed() < 30000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_TRUE(script.Done());
  EXPECT_FALSE(toolbars::TTbrQtModalDriver::Running());
  EXPECT_EQ(defaultWhileOpen, "Close");
  ASSERT_GE(entries.size(), 3);
  EXPECT_TRUE(entries[0].startsWith("New")) << entries.join(u'|').toStdString();
  EXPECT_TRUE(entries[1].startsWith("Open")) << entries.join(u'|').toStdString();
  EXPECT_EQ(entries[2], "Merge ...");
  EXPECT_EQ(window->Toolbar_Menu->View()->OpenViewerView(), nullptr);
  EXPECT_FALSE(window->Toolbar_Menu->View()->InMenuMode());
  EXPECT_TRUE(ui.prompts().empty());
}

// The action text and the action button name themselves by their captions.
TEST_F(MainWindowTest, TheActionTextAndItsButtonHaveTheirCaptionsAsNames) {
  start({});
  QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(window->Toolbar_Actions);
  ASSERT_NE(bar, nullptr);
  const QStringList names = ChildNames(bar);
  EXPECT_TRUE(names.contains("Action Text")) << names.join(u'|').toStdString();
  // With no text the button stands for going to the card of that title.
  EXPECT_TRUE(names.contains("Go to Card")) << names.join(u'|').toStdString();
  window->SetActionText(QStringLiteral("someone@example.org"));
  EXPECT_TRUE(ChildNames(bar).contains("Send eMail ...")) << ChildNames(bar).join(u'|').toStdString();
}

// The editor's right-click menu is one of the window's themed menus: a
// popup menu to accessibility clients, its hints in the status line, and
// its entries run through the editor.
TEST_F(MainWindowTest, TheEditorsRightClickMenuIsAThemedMenuWithHintsInTheStatusLine) {
  const QString path = makeCardFile(QStringLiteral("cards.qel"), {"alpha"});
  start({path});
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  TReRichEdit &editor = *window->m_Card;
  ASSERT_TRUE(editor.isVisible());
  editor.setFocus();
  editor.setSel(0, 0);

  QStringList entries;
  QString role, hint;
  QPointer<QWidget> shown;
  toolbars::test::TScript script;
  script.Then([&] {
    if (QWidget *plain = QApplication::activePopupWidget()) {
      plain->close(); // a plain menu: not what the window shows
      return;
    }
    toolbars::TThmPopupWindow *popup = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
      if (auto *p = dynamic_cast<toolbars::TThmPopupWindow *>(w); p && p->isVisible()) popup = p;
    ASSERT_NE(popup, nullptr);
    shown = popup;
    QAccessibleInterface *menu = QAccessible::queryAccessibleInterface(popup);
    ASSERT_NE(menu, nullptr);
    role = menu->role() == QAccessible::PopupMenu ? "popup menu" : "other";
    entries = ChildNames(menu);
    entries.removeAll(QString());
    QTest::keyClick(popup, Qt::Key_Up); // from nothing to the last entry
  });
  script.Then([&] {
    hint = window->StatusBar->currentMessage();
    QTest::keyClick(shown ? shown.data() : static_cast<QWidget *>(window.get()), Qt::Key_Return);
  });
  script.Start();
  const QPoint at = editor.viewport()->rect().center();
  QContextMenuEvent event(QContextMenuEvent::Keyboard, at, editor.viewport()->mapToGlobal(at));
  QApplication::sendEvent(editor.viewport(), &event);
  QElapsedTimer timer;
  timer.start();
  while (!(script.Done() && !toolbars::TTbrQtModalDriver::Running()) && timer.elapsed() < 30000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  QCoreApplication::processEvents();

  EXPECT_EQ(role, "popup menu");
  EXPECT_EQ(entries, (QStringList{"Undo", "Redo", "Cut", "Copy", "Paste", "Select All"}));
  EXPECT_EQ(hint, "Selects the whole text");
  EXPECT_EQ(editor.selLength(), editor.textLength());
  EXPECT_GT(editor.selLength(), 0);
  EXPECT_FALSE(toolbars::TTbrQtModalDriver::Running());
}

} // namespace
} // namespace qel::test
