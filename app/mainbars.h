#pragma once
// The pieces the main window builds its menu bar, toolbars and popup menus
// from: items bound to the window's commands, the few item kinds the plain
// toolbar items lack (a submenu, a button with a drop-down part, an inline
// group), the lookup of an item by its name, and the menu-loop host that
// puts the hint of the chosen entry into the status bar.

#include "toolbars/core/tbitem.h"
#include "toolbars/paint/thmitems.h"
#include "toolbars/qt/tbmodaldriver.h"

#include <functional>

class QAction;
class QObject;
class QWidget;

namespace qel::toolbars {
class TTbrCustomToolbar;
}

namespace qel {

// An entry that opens a popup of its children.
class TBarSubmenuItem : public toolbars::TThmSubmenuItem {};

// A button that runs its command and, while it has a list, offers it in a
// drop-down part of its own (the arrow at its right).
class TBarDropdownItem : public toolbars::TThmCustomItem {
public:
  explicit TBarDropdownItem(bool dropdown = true);
  bool Dropdown() const { return HasStyle(toolbars::tbis::Submenu); }
  void SetDropdown(bool value);
};

// An item bound to `action` (caption, image, hint, shortcut, state and the
// command itself), named `name`.
toolbars::TTbrCustomItem *NewActionItem(QAction *action, const QString &name);
toolbars::TTbrCustomItem *NewSeparator();
// An item hosting `control` on a toolbar, named as the control is.
toolbars::TTbrCustomItem *NewControlItem(QWidget *control);

// The toolbars inside `window`, `window` itself first when it is one (they
// are found by type, which a plain Qt lookup cannot tell).
QList<toolbars::TTbrCustomToolbar *> BarsOf(const QWidget *window);
// Every item shown on the toolbars of `window` (its menu bar included), its
// popups' entries too, depth first; items shown through a link are visited
// where they are shown.
void ForEachBarItem(const QWidget *window, const std::function<void(toolbars::TTbrCustomItem *)> &visit);
// The first item named `name` on the toolbars of `window`; nullptr when none is.
toolbars::TTbrCustomItem *FindBarItem(const QWidget *window, const QString &name);

// The menu loop's host for the main window: the hint of the item under the
// mouse or selected in a menu goes to the status line.
class TMainLoopHost : public toolbars::TTbrQtMenuLoopHost {
public:
  explicit TMainLoopHost(std::function<void(const QString &)> showHint) : ShowStatusHint(std::move(showHint)) {}
  void SetApplicationHint(const QString &text) override {
    if (ShowStatusHint) ShowStatusHint(text);
  }

private:
  std::function<void(const QString &)> ShowStatusHint;
};

} // namespace qel
