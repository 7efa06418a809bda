#include "app/pending.h"

#include "app/filecommands.h"
#include "app/tf_main.h"
#include "app/titlelistlook.h"
#include "cards/cardclipboard.h"
#include "cards/cardfile.h"
#include "cards/bodyfile.h"
#include "cards/crd.h"
#include "settings/options.h"
#include "settings/registry2000.h"

#include <QLineEdit>
#include <QListView>

namespace qel::pending {

namespace {
const QString kStartUpKey = QStringLiteral("Software\\Qel Moravine\\StartUp");
const QString kFirstStartValue = QStringLiteral("First start done");
} // namespace

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

QString FreeNewFileName() { return qel::FreeNewFileName(); }
bool IsNewFileName(const QString &name) { return qel::IsNewFileName(name); }
bool CurrentFileIsReadOnly() { return qel::CurrentFileIsReadOnly(); }
bool AskSaveChanges(Tf_Main &w) { return qel::AskSaveChanges(MainFileHost(w)); }
void SaveFile(Tf_Main &w) { FileSave(MainFileHost(w)); }
void NewFile(Tf_Main &w) { FileNew(MainFileHost(w)); }
bool OpenFile(Tf_Main &w, const QString &path, int mode) { return qel::OpenCardsFile(MainFileHost(w), path, mode); }
void DeleteBodyFile() { qel::DeleteBodyFile(); }
void StoreCurrentCard(Tf_Main &w) { w.StoreCurrentCard(); }
void SetDefaultTextAttributes(Tf_Main &w) { w.SetDefaultTextAttributes(); }

void Refilter(Tf_Main &w) {
  w.RebuildFilteredList();
  w.ShowEditorIfAny();
}
void ApplySortOrder(Tf_Main &w, bool sortByTitle) { w.SetListSortByTitle(sortByTitle); }
void ApplyListLook(Tf_Main &w, bool gridLines, bool flatScrollBars) {
  if (w.lw_List) ApplyTitleListLook(*w.lw_List, gridLines, flatScrollBars);
}
int SelectedCardCount(Tf_Main &w) { return w.SelectedCardCount(); }
bool CurrentCardHasNoColor(Tf_Main &w) {
  const TCrd *card = w.CurrentCard();
  return !card || card->Color == kNoColor;
}
bool CardClipboardExists() { return ClipboardFileExists(); }
void DeleteCardClipboard() { DeleteClipboardFile(); }

} // namespace qel::pending
