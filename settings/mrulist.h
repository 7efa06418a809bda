#pragma once
// The recently used files: the names, most recent first, their menu captions
// and their values in the registry ("F1", "F2", ... under "MRU Items"). This
// is the list without a menu of its own: whoever shows it reads Captions()
// and reports a chosen entry through EntryClick().

#include <QString>
#include <QStringList>

#include <functional>

namespace qel {

class TRegIniFile;

class TTbrMRUList {
public:
  TTbrMRUList() = default;
  virtual ~TTbrMRUList() = default;

  bool AddFullPath = true;  // names are made absolute before they are added
  QString Prefix = QStringLiteral("MRU");
  std::function<void()> OnChange;                      // after each change of the entries
  std::function<void(const QString &)> OnClick;        // an entry was chosen

  bool HidePathExtension() const { return hidePathExtension_; }
  void SetHidePathExtension(bool hide);
  int MaxItems() const { return maxItems_; }
  // Trims the list at once; a negative capacity counts as 0.
  void SetMaxItems(int maxItems);

  // Index 0 is the most recent.
  const QStringList &Items() const { return items_; }
  int Count() const { return int(items_.size()); }
  // First entry naming the same file without regard to case; -1 when none.
  int IndexOf(const QString &name) const;
  void Insert(int index, const QString &name);
  void Add(const QString &name) { Insert(Count(), name); }
  void Delete(int index);
  void Clear();  // one entry at a time, from the last
  void Move(int from, int to);
  void Put(int index, const QString &name);

  // Puts a name at the top, in the letter case of this call.
  void AddMRUFile(const QString &fileName);
  void LoadMRUFromRegIni(TRegIniFile &ini, const QString &section);
  void SaveMRUToRegIni(TRegIniFile &ini, const QString &section) const;

  // The menu caption of each entry: "&1 name" ... "&9", "&A" ... "&Z", then
  // the name alone; "&" in a name is doubled.
  const QStringList &Captions() const { return captions_; }
  // The entry at `index` was chosen: it becomes the most recent, then OnClick.
  void EntryClick(int index);

protected:
  // The number the accelerator keys count from.
  virtual int FirstKeyNumber() const { return 0; }
  void RebuildItems();

private:
  void changed();

  QStringList items_;
  QStringList captions_;
  int maxItems_ = 4;
  bool hidePathExtension_ = true;
};

} // namespace qel
