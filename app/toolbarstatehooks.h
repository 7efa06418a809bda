#pragma once
// The main window's toolbars as the stored toolbar state sees them
// (settings/toolbarstate.h): the items whose showing is the user's choice,
// the positions kept by the toolbar framework under the ToolBars key, and
// the docks of the docked toolbars while the top dock holds them fast.

#include "settings/toolbarstate.h"

#include <QList>

#include <functional>

class QWidget;

namespace qel {

namespace toolbars {
class TTbrCustomItem;
class TTbrDock;
} // namespace toolbars

TToolbarStateHooks ToolbarStateHooks(QWidget *form, toolbars::TTbrDock *dockTop,
                                     const QList<toolbars::TTbrCustomItem *> &items,
                                     const std::function<bool(const toolbars::TTbrCustomItem *)> &shown,
                                     const std::function<void(toolbars::TTbrCustomItem *, bool)> &show);

} // namespace qel
