#pragma once
// Icons of the main window's commands: the desktop's icon theme where it has
// one for the command, else a small picture drawn by the program itself at
// whatever size the toolbar asks for (no image files are shipped).

#include "shell/programicons.h"  // ProgramIcon

#include <QIcon>
#include <QString>

namespace qel {

// The icon of the command `actionName` ("a_FileOpen", "ac_Next", ...); a null
// icon for commands that have none.
QIcon ActionIcon(const QString &actionName);

// The drawn icon alone (the theme is not asked); null for unknown names.
QIcon DrawnActionIcon(const QString &actionName);

} // namespace qel
