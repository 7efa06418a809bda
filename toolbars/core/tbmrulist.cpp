#include "toolbars/core/tbmrulist.h"

#include "toolbars/core/tbsettings.h"
#include "toolbars/core/tbtext.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace qel::toolbars {

namespace {

// Longer than the longest path the system accepts: a stored value this long
// names no file.
constexpr qsizetype MaxFileNameLength = 4096;

bool CanBeFileName(const QString &value) {
  return !value.isEmpty() && value.size() <= MaxFileNameLength && !value.contains(QChar(u'\0'));
}

TTbrCustomItem *NewPlainItem() { return new TTbrCustomItem; }

} // namespace

// --- TTbrMRUListStrings ---

void TTbrMRUListStrings::CheckIndex(int index, int limit) const {
  if (index < 0 || index > limit)
    throw ETBItemError(SItemIndexOutOfRange);
}

QString TTbrMRUListStrings::Get(int index) const {
  CheckIndex(index, Count() - 1);
  return FStrings.at(index);
}

int TTbrMRUListStrings::IndexOf(const QString &name) const {
  // File names differ by letter case on this system: "delta.qel" and
  // "DELTA.qel" are two files with two entries.
  for (int i = 0; i < Count(); ++i)
    if (FStrings.at(i) == name)
      return i;
  return -1;
}

void TTbrMRUListStrings::Put(int index, const QString &name) {
  CheckIndex(index, Count() - 1);
  FStrings[index] = name;
  FOwner->RebuildItems();
  Changed();
}

void TTbrMRUListStrings::Insert(int index, const QString &name) {
  CheckIndex(index, Count());
  std::unique_ptr<TTbrCustomItem> item(FOwner->EntryItemClass()());
  TTbrMRUList *owner = FOwner;
  item->SetOnClick([owner](TTbrCustomItem *sender) { owner->EntryClick(sender); });
  FOwner->Container()->Insert(index, item.get());
  item.release(); // the container owns it now
  FStrings.insert(index, name);
  FOwner->RebuildItems();
  Changed();
}

void TTbrMRUListStrings::RemoveEntry(int index) {
  TTbrCustomItem *container = FOwner->Container();
  if (index < container->Count())
    delete container->Items(index); // takes itself out of the container
  FStrings.removeAt(index);
}

void TTbrMRUListStrings::Delete(int index) {
  CheckIndex(index, Count() - 1);
  RemoveEntry(index);
  FOwner->RebuildItems();
  Changed();
}

void TTbrMRUListStrings::Clear() {
  // A change handler may itself take entries out: go on from what is left.
  for (int i = Count() - 1; i >= 0; i = std::min(i - 1, Count() - 1))
    Delete(i);
}

void TTbrMRUListStrings::Move(int curIndex, int newIndex) {
  CheckIndex(curIndex, Count() - 1);
  CheckIndex(newIndex, Count() - 1);
  if (curIndex == newIndex)
    return;
  FStrings.move(curIndex, newIndex);
  FOwner->Container()->Move(curIndex, newIndex);
  FOwner->RebuildItems();
  Changed();
}

void TTbrMRUListStrings::Assign(const QStringList &names) {
  if (&names == &FStrings) // assigning the list its own names changes nothing
    return;
  const QStringList copy = names;
  Clear();
  for (const QString &name : copy)
    Add(name);
}

void TTbrMRUListStrings::Changed() {
  if (FOwner->FLoading || !FOwner->FOnChange)
    return;
  // A copy: the handler may replace itself.
  const TTbrMRUListNotifyEvent handler = FOwner->FOnChange;
  handler(FOwner);
}

// --- TTbrMRUList ---

TTbrMRUList::TTbrMRUList()
    : FItems(std::make_unique<TTbrMRUListStrings>(this)), FContainer(std::make_unique<TTbrCustomItem>()) {}

TTbrMRUList::~TTbrMRUList() {
  FContainer.reset();
  FItems.reset();
}

TTbrItemFactory TTbrMRUList::EntryItemClass() const { return &NewPlainItem; }

void TTbrMRUList::SetHidePathExtension(bool value) {
  if (value == FHidePathExtension)
    return;
  FHidePathExtension = value;
  RebuildItems();
}

void TTbrMRUList::SetMaxItems(int value) {
  FMaxItems = std::max(0, value);
  RebuildItems();
}

void TTbrMRUList::AddMRUFile(const QString &fileName) {
  if (fileName.isEmpty())
    return;
  const QString name = FAddFullPath ? QDir::cleanPath(QFileInfo(fileName).absoluteFilePath()) : fileName;
  const int index = FItems->IndexOf(name);
  if (index < 0) {
    FItems->Insert(0, name);
    return;
  }
  if (index > 0)
    FItems->Move(index, 0);
  FItems->Put(0, name);
}

void TTbrMRUList::LoadMRUFromRegIni(const TTbrSettingsStore &store, const QString &section) {
  FItems->Clear();
  for (int n = 1; n <= FMaxItems; ++n) {
    const QString name = store.ReadString(section, FPrefix + QString::number(n), QString());
    if (CanBeFileName(name) && FItems->IndexOf(name) < 0)
      FItems->Add(name);
  }
}

void TTbrMRUList::SaveMRUToRegIni(TTbrSettingsStore &store, const QString &section) const {
  for (int n = 1; n <= FMaxItems; ++n) {
    const QString name = FPrefix + QString::number(n);
    if (n <= FItems->Count())
      store.WriteString(section, name, FItems->Get(n - 1));
    else
      store.DeleteValue(section, name);
  }
}

void TTbrMRUList::EntryClick(TTbrCustomItem *sender) {
  const int index = sender ? FContainer->IndexOf(sender) : -1;
  if (index < 0 || index >= FItems->Count())
    return;
  if (index > 0)
    FItems->Move(index, 0);
  if (!FOnClick)
    return;
  // Copies: the handler may change the list (opening the file adds it again,
  // a missing file is taken out) and with it this entry's item.
  const TTbrMRUListClickEvent handler = FOnClick;
  const QString fileName = FItems->Get(0);
  handler(this, fileName);
}

QString TTbrMRUList::EntryCaption(const QString &entry, int keyNumber, bool hideFolder) {
  QChar key;
  if (keyNumber >= 0 && keyNumber < 9)
    key = QChar(u'1' + keyNumber);
  else if (keyNumber >= 9 && keyNumber < 35)
    key = QChar(u'A' + (keyNumber - 9));
  QString name = entry;
  if (hideFolder) {
    const QString title = QFileInfo(entry).fileName();
    if (!title.isEmpty())
      name = title;
  }
  name = DoubleAmpersands(name);
  return key.isNull() ? name : QLatin1Char('&') + key + QLatin1Char(' ') + name;
}

void TTbrMRUList::RebuildItems() {
  // Each entry that falls off the end is a change of its own, as a deletion is.
  while (FItems->Count() > FMaxItems) {
    FItems->RemoveEntry(FItems->Count() - 1);
    RenewCaptions();
    FItems->Changed();
  }
  RenewCaptions();
}

void TTbrMRUList::RenewCaptions() {
  const int first = FirstKeyNumber();
  const int count = std::min(FItems->Count(), FContainer->Count());
  for (int i = 0; i < count; ++i) {
    // Past the last key the number no longer matters: keep it from overflowing.
    const int key = first > 35 - i ? 35 : first + i;
    FContainer->Items(i)->SetCaption(EntryCaption(FItems->FStrings.at(i), key, FHidePathExtension));
  }
}

} // namespace qel::toolbars
