#include "app/mainstate.h"

#include "cards/bodyfile.h"
#include "platform/instances.h"
#include "platform/uiservices.h"

#include <QFileInfo>

namespace qel {

namespace {
const QString kNewFileName = QStringLiteral("NEW.QEL");
const QString kProgramSuffix = QStringLiteral(" - Qel Moravine");
const QString kReadOnlySuffix = QStringLiteral(" - Read Only");
} // namespace

// CurrentFileName is defined by the card store (cards/crd.cpp) and AppOptions
// by the settings (settings/options.cpp): both libraries need them below the main window.
StateFlag FileModified = false;
bool CardBodyChanged = false;
int ShownCardIndex = -1;
bool EditorReady = false;
bool StartupDone = false;
// AppOptions itself is the settings object's global (settings/options.cpp).

void ResetMainState() {
  CurrentFileName = kNewFileName;
  FileModified = false;
  CardBodyChanged = false;
  ShownCardIndex = -1;
  EditorReady = false;
  StartupDone = false;
}

QString CaptionForFile(const QString &path) {
  QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
  qsizetype ext = name.indexOf(QStringLiteral(".QEL"), 0, Qt::CaseSensitive);
  if (ext >= 0) name.remove(ext, 4);
  return name + kProgramSuffix;
}

void UpdateCaption(MainWindowHooks &window, RunningInstance *instance) {
  const QString caption = CaptionForFile(CurrentFileName);
  window.setWindowCaption(caption);
  setApplicationTitle(caption);
  window.setTrayHint(caption);
  // The body file is named too, so a program starting later leaves it alone.
  if (instance)
    instance->publish(caption, InstanceFileKey(CurrentFileName), {QFileInfo(CurrentBodyFileName()).fileName()});
}

void ShowReadOnly(MainWindowHooks &window, bool flag) {
  if (flag) return;
  QString caption = window.windowCaption();
  if (!caption.endsWith(kReadOnlySuffix)) window.setWindowCaption(caption + kReadOnlySuffix);
}

FoundInstance FindInstanceWithFile(const QString &path) {
  FoundInstance result;
  if (auto record = FindInstanceByFileKey(InstanceFileKey(path))) {
    result.found = true;
    result.self = record->self;
    result.pid = record->pid;
    result.caption = record->caption;
    result.socketName = record->socketName;
  }
  return result;
}

AlreadyOpened CheckAlreadyOpened(const QString &path, bool startingUp, MainWindowHooks *window) {
  auto record = FindInstanceByFileKey(InstanceFileKey(path));
  if (!record) return AlreadyOpened::No;
  ui().messageBox(path + QStringLiteral("\n\r") + QStringLiteral("is already opened"), MB_OK | MB_ICONINFORMATION);
  if (record->self) {
    if (window) window->restoreAndBringForward();
    return AlreadyOpened::Cancelled;
  }
  SendRestoreRequest(*record);
  return startingUp ? AlreadyOpened::EndProgram : AlreadyOpened::Cancelled;
}

} // namespace qel
