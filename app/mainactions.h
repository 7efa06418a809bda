#pragma once
// The main window's commands: one QAction per command, named as the handlers
// refer to them, with their captions and shortcuts; and the menu tree built
// from those same action objects, so the menus and toolbars show one state.

#include <QHash>
#include <QString>
#include <QStringList>

class QAction;
class QMenuBar;
class QObject;
class QToolBar;

namespace qel {

struct ActionDef {
  const char *name;      // objectName, e.g. "a_FileOpen"
  const char *caption;
  const char *shortcut;  // QKeySequence text, empty for none
  const char *list;      // the action list it belongs to: al_List, al_Formatting, al_Navigation, al_Actions
  bool checkable = false;
};

// Every command of the main window, in the order of its action lists.
const std::vector<ActionDef> &MainActionDefs();

// The hint of a command's tool button: its caption without the accelerator
// mark and the trailing dots, and its shortcut in brackets.
QString ActionToolTip(const QAction &action);

class MainActions {
public:
  // Creates the actions as children of `owner`.
  explicit MainActions(QObject *owner);

  QAction *operator[](const QString &name) const;
  QAction *get(const QString &name) const { return (*this)[name]; }
  const QHash<QString, QAction *> &all() const { return actions_; }

  // Menu items that are not actions of their own (sub-menus, file commands
  // bound to the menu item itself); created with the menu bar.
  QAction *item(const QString &name) const { return items_.value(name); }

  // Fills the menu bar: "&File", "&Edit", "&Card", "&Tools", "&Help".
  void buildMenus(QMenuBar *bar);
  // Fills the four toolbars.
  void buildStandardToolbar(QToolBar *bar);
  void buildNavigationToolbar(QToolBar *bar);
  void buildFormattingToolbar(QToolBar *bar);
  void buildActionsToolbar(QToolBar *bar);

private:
  static void setUpToolbar(QToolBar *bar);
  QAction *menuItem(const QString &name, const QString &caption, const QString &shortcut = QString());

  QObject *owner_;
  QHash<QString, QAction *> actions_;
  QHash<QString, QAction *> items_;
};

} // namespace qel
