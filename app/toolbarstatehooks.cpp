#include "app/toolbarstatehooks.h"

#include "toolbars/core/tbitem.h"
#include "toolbars/qt/tbdock.h"
#include "toolbars/qt/tbdockpositions.h"
#include "toolbars/qt/tbtoolbar.h"

#include <QPointer>

namespace qel {

TToolbarStateHooks ToolbarStateHooks(QWidget *form, toolbars::TTbrDock *dockTop,
                                     const QList<toolbars::TTbrCustomItem *> &items,
                                     const std::function<bool(const toolbars::TTbrCustomItem *)> &shown,
                                     const std::function<void(toolbars::TTbrCustomItem *, bool)> &show) {
  TToolbarStateHooks hooks;
  for (toolbars::TTbrCustomItem *item : items)
    hooks.Items << TToolbarItemState{item->Name(), [item, shown] { return shown(item); },
                                     [item, show](bool visible) { show(item, visible); }};
  QPointer<QWidget> owner(form);
  hooks.SavePositions = [owner] {
    if (owner)
      toolbars::SaveDockablePositionsToRegistry(owner, HKEY_CURRENT_USER, kToolBarsKey);
  };
  hooks.LoadPositions = [owner] {
    if (owner)
      toolbars::LoadDockablePositionsFromRegistry(owner, HKEY_CURRENT_USER, kToolBarsKey);
  };
  hooks.ToolbarsLocked = dockTop && !dockTop->AllowDrag();
  if (form)
    for (QWidget *widget : form->findChildren<QWidget *>())
      if (auto *bar = dynamic_cast<toolbars::TTbrCustomToolbar *>(widget); bar && bar->CurrentDock())
        hooks.Docked << TToolbarDockState{bar->objectName(), bar->CurrentDock()->objectName()};
  return hooks;
}

} // namespace qel
