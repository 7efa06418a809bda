// The recently used files: loaded at start-up, saved when the window goes,
// shown in the File menu and under the Open button, and the last file
// reopened at start.

#include "app/recentfiles.h"
#include "app/tf_main.h"
#include "platform/registry.h"
#include "platform/uiservices.h"
#include "settings/mrulist.h"
#include "settings/options.h"
#include "settings/windowstate.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>

namespace qel {

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
  if (auto *open = findChild<QToolButton *>(QStringLiteral("b_Open")))
    open->setPopupMode(maxItems > 0 ? QToolButton::MenuButtonPopup : QToolButton::DelayedPopup);
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
  qDeleteAll(recentFileItems_);
  recentFileItems_.clear();
  QMenu *file = menuBar()->findChild<QMenu *>(QStringLiteral("File1"));
  QAction *exit = actions_->item(QStringLiteral("Exit1"));
  auto *open = findChild<QToolButton *>(QStringLiteral("b_Open"));
  QMenu *dropDown = open ? open->menu() : nullptr;
  if (open && !dropDown) {
    dropDown = new QMenu(open);
    dropDown->setObjectName(QStringLiteral("pm_MRU"));
    open->setMenu(dropDown);
  }
  const QStringList captions = MRUList ? MRUList->Captions() : QStringList();
  for (int i = 0; i < captions.size(); ++i) {
    auto *item = new QAction(captions.at(i), this);
    item->setObjectName(QStringLiteral("MRUItem%1").arg(i + 1));
    item->setToolTip(MRUList->Items().value(i));
    item->setStatusTip(MRUList->Items().value(i));
    connect(item, &QAction::triggered, this, [this, i] { MRUList->EntryClick(i); });
    if (file && exit) file->insertAction(exit, item);
    if (dropDown) dropDown->addAction(item);
    recentFileItems_ << item;
  }
  if (!captions.isEmpty() && file && exit) {
    QAction *sep = new QAction(this);
    sep->setSeparator(true);
    file->insertAction(exit, sep);
    recentFileItems_ << sep;
  }
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
