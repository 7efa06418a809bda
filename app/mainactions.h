#pragma once
// The main window's commands: one QAction per command, named as the handlers
// refer to them, with their captions and shortcuts; and the menu tree built
// from those same action objects, so the menus and toolbars show one state.

#include <QAction>
#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>

class QMenu;
class QObject;
class QWidget;

namespace qel::toolbars {
class TTbrCustomItem;
class TTbrPixelImageList;
} // namespace qel::toolbars

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

// A command of the main window is shown from the start but can be enabled
// only once it is built: `wire` connects it to its handler and marks it so.
// Until then it stays disabled whatever the enabling rule says, so no menu
// entry, tool button or shortcut offers a command that does nothing. Command
// groups that arrive later wire their commands the same way.
class MainActions {
public:
  // Creates the actions as children of `owner`, all disabled until wired.
  explicit MainActions(QObject *owner);

  // Connects the command (an action or a menu item) to its handler, marks it
  // built and enables it.
  template <class F>
  void wire(const QString &name, QObject *context, F handler) {
    QAction *a = get(name);
    QObject::connect(a, &QAction::triggered, context, handler);
    markBuilt(a);
  }
  // Built: wired to a handler. Only built commands are ever enabled.
  static bool IsBuilt(const QAction *action);
  // The same for a control that is a command of its own (the font combo).
  static void markBuiltWidget(QWidget *widget);
  static bool IsBuiltWidget(const QWidget *widget);
  // Every action and menu item of the window.
  QList<QAction *> commands() const;

  QAction *operator[](const QString &name) const;
  QAction *get(const QString &name) const { return (*this)[name]; }
  const QHash<QString, QAction *> &all() const { return actions_; }

  // Menu items that are not actions of their own (sub-menus, file commands
  // bound to the menu item itself); created with the menu bar.
  QAction *item(const QString &name) const { return items_.value(name); }

  // The commands' pictures; each action's "ImageIndex" names its own.
  toolbars::TTbrPixelImageList *images() const { return images_.get(); }
  // Draws the pictures anew in the desktop's colours of now (after a palette change).
  void refreshImages();

  // Fills the menu toolbar's items: "&File", "&Edit", "&Card", "&Tools", "&Help".
  void buildMenus(toolbars::TTbrCustomItem *bar);
  // Fills the tray icon's menu: "Restore" (the default item) and "Close".
  void buildTrayMenu(QMenu *menu);
  // Fill the four toolbars' items; the buttons are named as the other
  // command groups refer to them (b_Open, b_Lock, b_Bold ...).
  void buildStandardToolbar(toolbars::TTbrCustomItem *bar);
  void buildNavigationToolbar(toolbars::TTbrCustomItem *bar);
  void buildFormattingToolbar(toolbars::TTbrCustomItem *bar);
  void buildActionsToolbar(toolbars::TTbrCustomItem *bar);
  // The name of the toolbar button of a command: "b_" and the command's name
  // without its prefix ("a_FileOpen" gives "b_Open").
  static QString ButtonName(const QString &actionName);

private:
  static void markBuilt(QAction *action);
  static void keepDisabledUntilBuilt(QAction *action);
  QAction *menuItem(const QString &name, const QString &caption, const QString &shortcut = QString());

  void fillButtons(toolbars::TTbrCustomItem *bar, const std::vector<const char *> &names);

  QObject *owner_;
  std::shared_ptr<toolbars::TTbrPixelImageList> images_;
  QHash<QString, QAction *> actions_;
  QHash<QString, QAction *> items_;
};

} // namespace qel
