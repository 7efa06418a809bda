// The main window's menu bar as an accessibility client finds it, walking
// down from the window through Qt's accessibility interfaces.

#include "tests/app/mainwindow_fixture.h"
#include "tests/toolbars/menuscript.h"
#include "toolbars/core/tbview.h"
#include "toolbars/qt/tbtoolbar.h"

#include <QAccessible>
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

} // namespace
} // namespace qel::test
