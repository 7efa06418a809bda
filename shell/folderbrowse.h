#pragma once

// Lets the user pick a folder, starting at the current one.

#include <QString>

class QWidget;

namespace qel {

class TFolderBrowse {
public:
  QString Directory;  // the folder shown first; after a choice, the chosen one
  QString Title;      // the text shown with the folder tree

  // True when a local folder was chosen; only then does Directory change.
  // The dialog is parented by the UI services layer (the active window).
  bool Execute(QWidget *owner);
};

}  // namespace qel
