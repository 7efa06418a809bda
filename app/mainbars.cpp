#include "app/mainbars.h"

#include "toolbars/qt/tbqaction.h"
#include "toolbars/qt/tbtoolbar.h"

#include <QAction>
#include <QSet>
#include <QWidget>

namespace qel {

using namespace toolbars;

TBarDropdownItem::TBarDropdownItem(bool dropdown) { SetDropdown(dropdown); }

void TBarDropdownItem::SetDropdown(bool value) {
  const TTbrItemStyle style = tbis::Submenu | tbis::Combo | tbis::SubitemsEditable;
  const TTbrItemStyle wanted = value ? TTbrItemStyle(ItemStyle() | style) : TTbrItemStyle(ItemStyle() & ~style);
  if (wanted == ItemStyle()) return;
  SetItemStyle(wanted);
  // The viewers measure the arrow part anew.
  Change(true);
}

TTbrCustomItem *NewActionItem(QAction *action, const QString &name) {
  auto *item = new TThmItem;
  item->SetName(name);
  item->SetAction(TTbrQActionAdapter::For(action));
  return item;
}

TTbrCustomItem *NewSeparator() { return new TThmSeparatorItem; }

TTbrCustomItem *NewControlItem(QWidget *control) {
  auto *item = new TTbrControlItem(control);
  item->SetName(control->objectName());
  return item;
}

namespace {

void Walk(TTbrCustomItem *item, const std::function<void(TTbrCustomItem *)> &visit, QSet<TTbrCustomItem *> &path) {
  // A link may lead back up the tree: a container is walked once per path.
  TTbrCustomItem *shown = TTbrCustomItem::ItemContainingItems(item);
  if (path.contains(shown)) return;
  path.insert(shown);
  for (int i = 0; i < shown->Count(); ++i) {
    TTbrCustomItem *child = shown->Items(i);
    visit(child);
    Walk(child, visit, path);
  }
  path.remove(shown);
}

} // namespace

QList<TTbrCustomToolbar *> BarsOf(const QWidget *window) {
  QList<TTbrCustomToolbar *> bars;
  if (!window) return bars;
  if (auto *self = dynamic_cast<const TTbrCustomToolbar *>(window)) bars << const_cast<TTbrCustomToolbar *>(self);
  for (QWidget *child : window->findChildren<QWidget *>())
    if (auto *bar = dynamic_cast<TTbrCustomToolbar *>(child)) bars << bar;
  return bars;
}

void ForEachBarItem(const QWidget *window, const std::function<void(TTbrCustomItem *)> &visit) {
  for (TTbrCustomToolbar *bar : BarsOf(window)) {
    QSet<TTbrCustomItem *> path;
    Walk(bar->Items(), visit, path);
  }
}

TTbrCustomItem *FindBarItem(const QWidget *window, const QString &name) {
  TTbrCustomItem *found = nullptr;
  ForEachBarItem(window, [&](TTbrCustomItem *item) {
    if (!found && item->Name() == name) found = item;
  });
  return found;
}

} // namespace qel
