#pragma once
// Saves and restores where the dockable windows of a form are: each window
// is a section named after the window (its objectName) holding the values
// of toolbars/core/tbpositions.h. A load locks every dock of the form
// first and unlocks them in reverse order at the end (also when it fails),
// so each dock lays out once with all its windows in place.
//
// The registry variant keeps each window as a subkey of `key` below `root`.

#include "platform/registry.h"
#include "toolbars/core/tbpositions.h"

#include <QWidget>

namespace qel::toolbars {

// Raise ETbrPositionError for a window (or the dock it is in) without a name.
void SaveDockablePositions(QWidget *ownerForm, const TTbrPositionCallbacks &callbacks);
void LoadDockablePositions(QWidget *ownerForm, const TTbrPositionCallbacks &callbacks);

// As above, in the registry; a key that cannot be written raises ERegistryException.
void SaveDockablePositionsToRegistry(QWidget *ownerForm, HKEY root, const QString &key);
void LoadDockablePositionsFromRegistry(QWidget *ownerForm, HKEY root, const QString &key);

} // namespace qel::toolbars
