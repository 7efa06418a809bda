#include "settings/toolbarstate.h"

#include "settings/registry2000.h"
#include "settings/windowstate.h"

namespace qel {

const QString kToolBarsKey = kProgramKey + QStringLiteral("\\ToolBars");

void SaveToolbarItemVisibility(TRegistry2000 &registry, const QList<TToolbarItemState> &items) {
  for (const TToolbarItemState &item : items)
    registry.WriteBool(item.Name, item.Visible());
}

void LoadToolbarItemVisibility(const TRegistry2000 &registry, const QList<TToolbarItemState> &items) {
  for (const TToolbarItemState &item : items) {
    bool visible = true;
    registry.ReadBoolIfExists(item.Name, visible);
    item.SetVisible(visible);
  }
}

void ReloadToolbarItemVisibility(const QList<TToolbarItemState> &items) {
  TRegistry2000 registry;
  // Without the key every item shows, as on a first start.
  registry.OpenKeyTolerant(kToolBarsKey, false);
  LoadToolbarItemVisibility(registry, items);
}

void SaveToolbarDocks(const TToolbarStateHooks &hooks) {
  if (!hooks.ToolbarsLocked)
    return;
  for (const TToolbarDockState &docked : hooks.Docked) {
    TRegistry2000 registry;
    if (!registry.OpenKeyTolerant(kToolBarsKey + QLatin1Char('\\') + docked.ToolbarName, false))
      continue;
    registry.WriteString(QStringLiteral("DockedTo"), docked.DockName);
    registry.CloseKey();
  }
}

void SaveToolbars(const TToolbarStateHooks &hooks) {
  {
    TRegistry2000 registry;
    if (registry.OpenKeyTolerant(kToolBarsKey, false)) {
      SaveToolbarItemVisibility(registry, hooks.Items);
      registry.CloseKey();
    }
  }
  if (hooks.SavePositions)
    hooks.SavePositions();
  SaveToolbarDocks(hooks);
}

void LoadToolbars(const TToolbarStateHooks &hooks) {
  if (hooks.LoadPositions)
    hooks.LoadPositions();
  ReloadToolbarItemVisibility(hooks.Items);
}

} // namespace qel
