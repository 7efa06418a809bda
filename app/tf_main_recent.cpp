// The recently used files: loaded at start-up, saved when the window goes,
// shown in the File menu and under the Open button, and the last file
// reopened at start.

#include "app/mainbars.h"
#include "app/recentfiles.h"
#include "app/tf_main.h"
#include "platform/registry.h"
#include "platform/uiservices.h"
#include "settings/mrulist.h"
#include "settings/options.h"
#include "settings/windowstate.h"

#include <QFileInfo>

namespace qel {

using toolbars::TTbrCustomItem;

void AddRecentFile(const QString &path) {
  if (f_Main && f_Main->MRUList) f_Main->AddRecentFile(path);
}

void Tf_Main::makeRecentList() {
  if (MRUList) return;
  MRUList = std::make_unique<TTbrMRUList>();
  MRUList->Prefix = QStringLiteral("F");
  MRUList->SetMaxItems(6);
  MRUList->OnChange = [this] { UpdateRecentFilesMenu(); };
  MRUList->OnClick = [this](const QString &fileName) { MRUMRUItemClick(fileName); };
}

void Tf_Main::AddRecentFile(const QString &path) {
  makeRecentList();
  MRUList->AddMRUFile(path);
}

void Tf_Main::ApplyRecentFilesOptions(int maxItems) {
  makeRecentList();
  MRUList->SetMaxItems(kMRUEntriesRange.clamp(maxItems));
  if (auto *open = dynamic_cast<TBarDropdownItem *>(FindBarItem(this, QStringLiteral("b_Open"))))
    open->SetDropdown(maxItems > 0);
}

void Tf_Main::LoadRecentFiles() {
  makeRecentList();
  // The capacity first: loading reads only as many entries as the list holds.
  if (AppOptions) ApplyRecentFilesOptions(AppOptions->MRU ? AppOptions->MRUEntries : 0);
  TRegIniFile ini(kProgramKey);
  MRUList->LoadMRUFromRegIni(ini, kRecentFilesSection);
  UpdateRecentFilesMenu();
}

void Tf_Main::SaveRecentFiles() {
  if (!MRUList) return;
  TRegIniFile ini(kProgramKey);
  // Written when `ini` goes; a store that cannot be written is reported then.
  MRUList->SaveMRUToRegIni(ini, kRecentFilesSection);
}

void Tf_Main::UpdateRecentFilesMenu() {
  // One item per entry in a container of their own, shown in place in the
  // File menu and as the drop-down list of Open.
  if (!recentFiles_) {
    recentFiles_ = std::make_unique<toolbars::TTbrCustomItem>();
    recentFiles_->SetName(QStringLiteral("MRUItems"));
    if (TTbrCustomItem *group = FindBarItem(this, QStringLiteral("File_MRU"))) group->SetLinkSubitems(recentFiles_.get());
    if (TTbrCustomItem *open = FindBarItem(this, QStringLiteral("b_Open"))) open->SetLinkSubitems(recentFiles_.get());
  }
  // Items are renewed in place, and ones no longer needed hidden rather
  // than freed: a change may come from the click of one of them.
  TTbrCustomItem *items = recentFiles_.get();
  const QStringList captions = MRUList ? MRUList->Captions() : QStringList();
  while (items->Count() < captions.size()) {
    const int i = items->Count();
    auto *item = new TTbrCustomItem;
    item->SetName(QStringLiteral("MRUItem%1").arg(i + 1));
    item->SetOnClick([this, i](TTbrCustomItem *) { MRUList->EntryClick(i); });
    items->Add(item);
  }
  for (int i = 0; i < items->Count(); ++i) {
    TTbrCustomItem *item = items->Items(i);
    item->SetVisible(i < captions.size());
    if (i >= captions.size()) continue;
    item->SetCaption(captions.at(i));
    item->SetHint(MRUList->Items().value(i));
  }
  if (TTbrCustomItem *end = FindBarItem(this, QStringLiteral("File_MRUEnd"))) end->SetVisible(!captions.isEmpty());
}

void Tf_Main::ReopenLastFile() {
  QString last;
  {
    TRegIniFile ini(kProgramKey);
    last = ini.ReadString(kRecentFilesSection, QStringLiteral("F1"), QString());
  }
  // A file that is gone is passed over as a missing command-line file is; one
  // that cannot be opened has said why. Either way the program goes on with a new file.
  if (!last.isEmpty() && QFileInfo(last).isFile()) {
    if (OpenCardsFile(QFileInfo(last).absoluteFilePath(), -1) || terminateRequested()) return;
  }
  a_FileNewExecute();
}

} // namespace qel
