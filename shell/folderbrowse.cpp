#include "shell/folderbrowse.h"

#include "platform/uiservices.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace qel {

bool TFolderBrowse::Execute(QWidget * /*owner*/) {
  // An empty Directory opens the picker without a preselected folder.
  QString folder = Directory;
  if (!ui().chooseFolder(Title, folder)) return false;
  // Some pickers hand back places without a local path (network or virtual
  // locations, given as URLs): those are not a folder we can use, and the
  // current Directory stays.
  if (folder.isEmpty()) return false;
  if (folder.contains(QLatin1String("://"))) {
    const QUrl url(folder);
    if (!url.isLocalFile()) return false;
    folder = url.toLocalFile();
  }
  if (!QFileInfo(folder).isAbsolute()) return false;
  Directory = QDir::cleanPath(folder);
  return true;
}

}  // namespace qel
