#include "settings/mrulist.h"

#include "platform/registry.h"

#include <QDir>
#include <QFileInfo>

namespace qel {

void TTbrMRUList::SetHidePathExtension(bool hide) {
  if (hide == hidePathExtension_) return;
  hidePathExtension_ = hide;
  RebuildItems();
}

void TTbrMRUList::SetMaxItems(int maxItems) {
  maxItems_ = std::max(0, maxItems);
  RebuildItems();
}

int TTbrMRUList::IndexOf(const QString &name) const {
  for (int i = 0; i < Count(); ++i)
    if (items_.at(i).compare(name, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

void TTbrMRUList::Insert(int index, const QString &name) {
  items_.insert(std::clamp(index, 0, Count()), name);
  RebuildItems();
  changed();
}

void TTbrMRUList::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  items_.removeAt(index);
  RebuildItems();
  changed();
}

void TTbrMRUList::Clear() {
  for (int i = Count() - 1; i >= 0; --i) Delete(i);
}

void TTbrMRUList::Move(int from, int to) {
  if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) return;
  items_.move(from, to);
  RebuildItems();
  changed();
}

void TTbrMRUList::Put(int index, const QString &name) {
  if (index < 0 || index >= Count()) return;
  items_[index] = name;
  RebuildItems();
  changed();
}

void TTbrMRUList::AddMRUFile(const QString &fileName) {
  const QString name = AddFullPath && !fileName.isEmpty() ? QDir::cleanPath(QFileInfo(fileName).absoluteFilePath())
                                                          : fileName;
  const int i = IndexOf(name);
  if (i < 0) {
    Insert(0, name);
    return;
  }
  if (i > 0) Move(i, 0);
  Put(0, name);
}

void TTbrMRUList::LoadMRUFromRegIni(TRegIniFile &ini, const QString &section) {
  Clear();
  for (int n = 1; n <= maxItems_; ++n) {
    const QString name = ini.ReadString(section, Prefix + QString::number(n), QString());
    if (!name.isEmpty()) Add(name);
  }
}

void TTbrMRUList::SaveMRUToRegIni(TRegIniFile &ini, const QString &section) const {
  for (int n = 1; n <= maxItems_; ++n) {
    const QString ident = Prefix + QString::number(n);
    if (n <= Count())
      ini.WriteString(section, ident, items_.at(n - 1));
    else
      ini.DeleteKey(section, ident);
  }
}

void TTbrMRUList::EntryClick(int index) {
  if (index < 0 || index >= Count()) return;
  if (index > 0) Move(index, 0);
  if (OnClick) OnClick(items_.at(0));
}

void TTbrMRUList::RebuildItems() {
  while (Count() > maxItems_) {
    items_.removeLast();
    changed();
  }
  captions_.clear();
  int k = FirstKeyNumber();
  for (const QString &entry : std::as_const(items_)) {
    QChar key;
    if (k >= 0 && k < 9)
      key = QChar(u'1' + k);
    else if (k >= 9 && k < 35)
      key = QChar(u'A' + (k - 9));
    QString name = entry;
    if (hidePathExtension_) {
      const QString title = QFileInfo(entry).fileName();
      if (!title.isEmpty()) name = title;
    }
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    captions_ << (key.isNull() ? name : QLatin1Char('&') + key + QLatin1Char(' ') + name);
    ++k;
  }
}

void TTbrMRUList::changed() {
  if (OnChange) OnChange();
}

} // namespace qel
