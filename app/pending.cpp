#include "app/pending.h"

#include "app/tf_main.h"
#include "cards/bodyfile.h"
#include "platform/uiservices.h"
#include "settings/registry2000.h"

#include <QListView>

namespace qel::pending {

namespace {
const QString kStartUpKey = QStringLiteral("Software\\Qel Moravine\\StartUp");
const QString kFirstStartValue = QStringLiteral("First start done");
} // namespace

void LoadRecentFiles(Tf_Main &) {}
void SaveRecentFiles(Tf_Main &) {}
void ApplyRecentFilesOptions(Tf_Main &, int) {}
void ReopenLastFile(Tf_Main &w) { w.a_FileNewExecute(); }
void LoadWindowState(Tf_Main &) {}
void SaveWindowState(Tf_Main &) {}
void ShowOptionsDialog(Tf_Main &) {}
void ApplyTrayOption(Tf_Main &, bool) {}
void SetTrayHint(Tf_Main &, const QString &) {}
void ApplyPrinterOptions(Tf_Main &) {}
void CloseHelpWindows() {}

bool IsFirstStart() {
  TRegistry2000 reg;
  bool done = false;
  if (reg.OpenKeyTolerant(kStartUpKey, false)) reg.ReadBoolIfExists(kFirstStartValue, done);
  return !done;
}

void MarkStarted() {
  TRegistry2000 reg;
  if (reg.OpenKeyTolerant(kStartUpKey, true)) reg.WriteBool(kFirstStartValue, true);
}

QString FreeNewFileName() { return QStringLiteral("NEW.QEL"); }
bool IsNewFileName(const QString &name) { return name.startsWith(QLatin1String("NEW"), Qt::CaseInsensitive) && !name.contains(QLatin1Char('/')); }
bool CurrentFileIsReadOnly() { return false; }

bool AskSaveChanges(Tf_Main &) {
  if (!FileModified) return true;
  int answer = ui().messageBox(QStringLiteral("Save changes to ") + CurrentFileName + QStringLiteral(" ?"),
                               applicationTitle(), MB_YESNOCANCEL | MB_ICONQUESTION);
  // Without the card-file commands nothing can be saved yet: only No lets the window close.
  return answer == IDNO;
}

void SaveFile(Tf_Main &) {}
void NewFile(Tf_Main &w) {
  FileModified = false;
  CurrentFileName = FreeNewFileName();
  w.UpdateCaption();
}
bool OpenFile(Tf_Main &, const QString &, int) { return false; }
void DeleteBodyFile() { qel::DeleteBodyFile(); }

void Refilter(Tf_Main &w) { w.ShowEditorIfAny(); }
void ApplySortOrder(Tf_Main &, bool) {}
void ApplyListLook(Tf_Main &, bool, bool) {}
int SelectedCardCount(Tf_Main &w) {
  return w.lw_List->selectionModel() ? int(w.lw_List->selectionModel()->selectedRows().size()) : 0;
}
bool CurrentCardHasNoColor(Tf_Main &) { return true; }
bool CardClipboardExists() { return false; }
void DeleteCardClipboard() {}

} // namespace qel::pending
