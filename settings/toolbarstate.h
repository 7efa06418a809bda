#pragma once
// What the main window keeps of its toolbars between runs, under
// "Software\Qel Moravine\ToolBars": one boolean per toolbar item that the
// user may show or hide (named after the item), the toolbar positions (kept
// by the toolbar framework in a subkey per toolbar) and, while the toolbars
// are locked, the dock each docked toolbar is in.
//
// The main window describes its items and toolbars in a TToolbarStateHooks;
// nothing here knows the toolbar framework's classes.

#include <QList>
#include <QString>

#include <functional>

namespace qel {

class TRegistry2000;

extern const QString kToolBarsKey; // "Software\Qel Moravine\ToolBars"

// One toolbar item that takes part in the visibility values.
struct TToolbarItemState {
  QString Name;
  std::function<bool()> Visible;
  std::function<void(bool)> SetVisible;
};

// A docked toolbar and the name of its dock.
struct TToolbarDockState {
  QString ToolbarName;
  QString DockName;
};

struct TToolbarStateHooks {
  QList<TToolbarItemState> Items;
  // The positions, saved and loaded through the toolbar framework.
  std::function<void()> SavePositions, LoadPositions;
  // The toolbars are locked (the top dock lets nothing be dragged off).
  bool ToolbarsLocked = false;
  QList<TToolbarDockState> Docked;
};

// On an open key: each item's Visible as a boolean named after it; and read
// back, true where none is stored.
void SaveToolbarItemVisibility(TRegistry2000 &registry, const QList<TToolbarItemState> &items);
void LoadToolbarItemVisibility(const TRegistry2000 &registry, const QList<TToolbarItemState> &items);
// Reads the items' visibility again from the "ToolBars" key (also used to
// undo changes made in the options dialog).
void ReloadToolbarItemVisibility(const QList<TToolbarItemState> &items);
// While the toolbars are locked: "DockedTo" in the subkey of each docked
// toolbar that has one.
void SaveToolbarDocks(const TToolbarStateHooks &hooks);

// At close: the items' visibility (on the "ToolBars" key when it exists),
// the positions, then the docks. At start: the positions, then the items'
// visibility. Registry write failures raise ERegistryException.
void SaveToolbars(const TToolbarStateHooks &hooks);
void LoadToolbars(const TToolbarStateHooks &hooks);

} // namespace qel
