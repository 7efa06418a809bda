#include "toolbars/qt/tbdockpositions.h"

#include "toolbars/qt/tbdock.h"
#include "toolbars/qt/tbdockablewindow.h"
#include "toolbars/qt/tbfloatingwindow.h"

#include <QPointer>

namespace qel::toolbars {

namespace {

TTbrWindowPosition PositionOf(const TTbrCustomDockableWindow *window) {
  TTbrWindowPosition p;
  p.Name = window->objectName();
  p.Visible = !window->isHidden();
  p.Floating = window->Floating();
  p.Docked = window->Docked();
  if (TTbrDock *dock = window->CurrentDock()) {
    p.DockName = dock->objectName();
    p.DockAllowsDrag = dock->AllowDrag();
  }
  if (TTbrDock *last = window->LastDock())
    p.LastDock = last->objectName();
  p.DockRow = window->DockRow();
  p.DockPos = window->DockPos();
  p.FloatPos = window->FloatPos;
  return p;
}

// The form's widgets of a class of ours, in creation order (the classes
// have no meta-object of their own, so findChildren cannot tell them).
template <class T> QList<T *> ChildrenOf(QWidget *form) {
  QList<T *> out;
  for (QWidget *child : form->findChildren<QWidget *>())
    if (auto *t = dynamic_cast<T *>(child))
      out.append(t);
  return out;
}

// Every dock of the form locked for the scope, released in reverse order.
class TDocksLocked {
public:
  explicit TDocksLocked(const QList<TTbrDock *> &docks) {
    for (TTbrDock *dock : docks) {
      dock->LockArrange();
      Docks.append(dock);
    }
  }
  ~TDocksLocked() {
    for (auto it = Docks.rbegin(); it != Docks.rend(); ++it)
      if (*it)
        (*it)->UnlockArrange();
  }
  TDocksLocked(const TDocksLocked &) = delete;
  TDocksLocked &operator=(const TDocksLocked &) = delete;

private:
  QList<QPointer<TTbrDock>> Docks;
};

TTbrPositionCallbacks RegistryCallbacks(TRegIniFile &ini) {
  TTbrPositionCallbacks c;
  c.ReadInteger = [&ini](const QString &section, const QString &name, int defaultValue) {
    return ini.ReadInteger(section, name, defaultValue);
  };
  c.ReadString = [&ini](const QString &section, const QString &name, const QString &defaultValue) {
    return ini.ReadString(section, name, defaultValue);
  };
  c.WriteInteger = [&ini](const QString &section, const QString &name, int value) {
    ini.WriteInteger(section, name, value);
  };
  c.WriteString = [&ini](const QString &section, const QString &name, const QString &value) {
    ini.WriteString(section, name, value);
  };
  return c;
}

} // namespace

void SaveDockablePositions(QWidget *ownerForm, const TTbrPositionCallbacks &callbacks) {
  if (!ownerForm)
    return;
  for (TTbrCustomDockableWindow *window : ChildrenOf<TTbrCustomDockableWindow>(ownerForm))
    if (SaveWindowPosition(PositionOf(window), callbacks))
      window->SaveExtraPosition(callbacks);
}

void LoadDockablePositions(QWidget *ownerForm, const TTbrPositionCallbacks &callbacks) {
  if (!ownerForm)
    return;
  const QList<TTbrDock *> docks = ChildrenOf<TTbrDock>(ownerForm);
  QList<TTbrDockEntry> entries;
  for (TTbrDock *dock : docks)
    entries.append({dock->objectName(), dock->AllowDrag()});
  TDocksLocked locked(docks);
  const QList<TTbrCustomDockableWindow *> windows = ChildrenOf<TTbrCustomDockableWindow>(ownerForm);
  for (const QPointer<TTbrCustomDockableWindow> window : windows) {
    if (!window)
      continue;
    const TTbrPositionLoad load = LoadWindowPosition(PositionOf(window), entries, int(windows.size()), callbacks);
    if (load.Skip)
      continue;
    window->setVisible(load.Visible);
    // A window that may not float keeps its place whatever the store says.
    if (load.Place == TTbrPositionLoad::Stay ||
        (load.Place == TTbrPositionLoad::Floating && window->DockMode != dmCanFloat))
      continue;
    window->SetDockRow(load.DockRow);
    window->SetDockPos(load.DockPos);
    window->FloatPos = load.FloatPos;
    if (window->Floating())
      window->ToolWindowParent()->MoveTo(load.FloatPos);
    window->LoadExtraPosition(callbacks);
    if (load.Place == TTbrPositionLoad::Docked) {
      window->SetCurrentDock(docks[load.Dock]);
    } else {
      window->FloatDockableWindow(true);
      window->KeepInWorkArea(true);
      if (window->UseLastDock() && load.LastDock >= 0 && load.LastDock < docks.size())
        window->SetLastDock(docks[load.LastDock]);
    }
    if (!window)
      continue;
    window->ArrangeSelf();
    window->PositionsLoaded();
  }
}

void SaveDockablePositionsToRegistry(QWidget *ownerForm, HKEY root, const QString &key) {
  TRegIniFile ini;
  ini.SetRootKey(root);
  if (!ini.OpenKey(key, true))
    throw ERegistryException(QStringLiteral("Failed to create key '%1'").arg(key));
  SaveDockablePositions(ownerForm, RegistryCallbacks(ini));
  ini.CloseKey();
}

void LoadDockablePositionsFromRegistry(QWidget *ownerForm, HKEY root, const QString &key) {
  TRegIniFile ini;
  ini.SetRootKey(root);
  ini.OpenKey(key, true);
  LoadDockablePositions(ownerForm, RegistryCallbacks(ini));
  ini.CloseKey();
}

} // namespace qel::toolbars
