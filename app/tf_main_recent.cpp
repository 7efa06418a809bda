// The recently used files: loaded at start-up, saved when the window goes,
// shown in the File menu and under the Open button, and the last file
// reopened at start.

#include "app/filecommands.h"
#include "app/mainbars.h"
#include "app/recentfiles.h"
#include "app/tf_main.h"
#include "platform/registry.h"
#include "platform/uiservices.h"
#include "settings/options.h"
#include "settings/tbregsettings.h"
#include "settings/windowstate.h"
#include "toolbars/paint/thmmrulist.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

namespace qel {

using toolbars::TThmMRUListItem;
using toolbars::TTbrCustomItem;

namespace {

QString RecentFileName(const QString &path) {
  if (path.isEmpty()) return path;
  return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

void AddRecentFile(const QString &path) {
  if (f_Main && f_Main->MRUList) f_Main->AddRecentFile(path);
}

void Tf_Main::makeRecentList() {
  if (MRUList) return;
  MRUList = std::make_unique<toolbars::TThmMRUList>();
  // Names are made absolute here, before they reach the list (see AddRecentFile).
  MRUList->SetAddFullPath(false);
  MRUList->SetPrefix(QStringLiteral("F"));
  MRUList->SetMaxItems(6);
  MRUList->SetOnChange([this](toolbars::TTbrMRUList *) { UpdateRecentFilesMenu(); });
  MRUList->SetOnClick([this](toolbars::TTbrMRUList *, const QString &fileName) { MRUMRUItemClick(fileName); });
  // The File menu shows the entries in place, Open's drop-down as its list.
  for (const char *name : {"File_MRU", "bOpen_MRU"})
    if (auto *shown = dynamic_cast<TThmMRUListItem *>(FindBarItem(this, QString::fromLatin1(name))))
      shown->SetMRUList(MRUList.get());
}

void Tf_Main::AddRecentFile(const QString &path) {
  makeRecentList();
  // Always absolute and clean: a name relative to the folder of the moment
  // would open another file, or none, later.
  MRUList->AddMRUFile(RecentFileName(path));
}

void Tf_Main::ApplyRecentFilesOptions(int maxItems) {
  makeRecentList();
  MRUList->SetMaxItems(kMRUEntriesRange.clamp(maxItems));
  if (auto *open = dynamic_cast<TBarDropdownItem *>(FindBarItem(this, QStringLiteral("b_Open"))))
    open->SetDropdown(maxItems > 0);
  UpdateRecentFilesMenu();
}

void Tf_Main::LoadRecentFiles() {
  makeRecentList();
  // The capacity first: loading reads only as many entries as the list holds.
  if (AppOptions) ApplyRecentFilesOptions(AppOptions->MRU ? AppOptions->MRUEntries : 0);
  TRegIniFile ini(kProgramKey);
  TTbrRegIniSettings store(ini);
  MRUList->LoadMRUFromRegIni(store, kRecentFilesSection);
  UpdateRecentFilesMenu();
}

void Tf_Main::SaveRecentFiles() {
  if (!MRUList) return;
  TRegIniFile ini(kProgramKey);
  TTbrRegIniSettings store(ini);
  // Written when `ini` goes; a store that cannot be written is reported then.
  MRUList->SaveMRUToRegIni(store, kRecentFilesSection);
}

void Tf_Main::UpdateRecentFilesMenu() {
  if (!MRUList) return;
  // The entries are named by their place, and hint at the whole name.
  TTbrCustomItem *entries = MRUList->Container();
  for (int i = 0; i < entries->Count() && i < MRUList->Items().Count(); ++i) {
    entries->Items(i)->SetName(QStringLiteral("MRUItem%1").arg(i + 1));
    entries->Items(i)->SetHint(MRUList->Items()[i]);
  }
  if (TTbrCustomItem *end = FindBarItem(this, QStringLiteral("File_MRUEnd")))
    end->SetVisible(MRUList->Items().Count() > 0);
}

void Tf_Main::MRUMRUItemClick(const QString &fileName) {
  const bool opened = OpenRecentFile(MainFileHost(*this), fileName);
  // A name that is not absolute (written by an older version) or names a
  // file that is gone leaves the list once it has said so; one that opened
  // is on top under its absolute name by now. Later, as the click of its
  // own entry is still running.
  const bool missing = !opened && !QFileInfo::exists(fileName);
  if (!missing && !(opened && QFileInfo(fileName).isRelative())) return;
  QTimer::singleShot(0, this, [this, fileName] {
    if (!MRUList) return;
    const QStringList &names = MRUList->Items().Strings();
    if (const qsizetype at = names.indexOf(fileName); at >= 0) MRUList->Items().Delete(int(at));
  });
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
