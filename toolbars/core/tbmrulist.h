#pragma once
// The recently used files: their names, most recent first, kept in the
// settings store (values Prefix + 1, Prefix + 2, ...) and shown as menu
// entries. The list owns a hidden container item with one child item per
// name; whatever shows the entries in a menu shows the container's children.
// Name i and child item i always belong together: every change of the names
// changes the items in the same step, and every entry item's click comes back
// to the list, which makes that file the most recent and reports it.

#include "toolbars/core/tbitem.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace qel::toolbars {

class TTbrMRUList;
class TTbrSettingsStore;

using TTbrMRUListNotifyEvent = std::function<void(TTbrMRUList *sender)>;
using TTbrMRUListClickEvent = std::function<void(TTbrMRUList *sender, const QString &fileName)>;
// Makes the item shown for one entry.
using TTbrItemFactory = TTbrCustomItem *(*)();

// The names behind TTbrMRUList::Items. A bad index throws ETBItemError.
class TTbrMRUListStrings {
public:
  explicit TTbrMRUListStrings(TTbrMRUList *owner) : FOwner(owner) {}
  TTbrMRUListStrings(const TTbrMRUListStrings &) = delete;
  TTbrMRUListStrings &operator=(const TTbrMRUListStrings &) = delete;

  int Count() const { return int(FStrings.size()); }
  QString Get(int index) const;
  QString operator[](int index) const { return Get(index); }
  const QStringList &Strings() const { return FStrings; }
  // The first entry naming the same file (names compared exactly, as the
  // file system compares them); -1 when none.
  int IndexOf(const QString &name) const;

  void Put(int index, const QString &name);
  void Insert(int index, const QString &name);
  void Add(const QString &name) { Insert(Count(), name); }
  void Delete(int index);
  // Deletes from the last entry to the first, one at a time.
  void Clear();
  void Move(int curIndex, int newIndex);
  // Replaces the entries with `names`, through Clear and Add.
  void Assign(const QStringList &names);

private:
  friend class TTbrMRUList;
  void Changed();
  // Takes out entry `index` and its item, nothing more.
  void RemoveEntry(int index);
  void CheckIndex(int index, int limit) const;

  QStringList FStrings;
  TTbrMRUList *FOwner;
};

class TTbrMRUList {
public:
  TTbrMRUList();
  virtual ~TTbrMRUList();
  TTbrMRUList(const TTbrMRUList &) = delete;
  TTbrMRUList &operator=(const TTbrMRUList &) = delete;

  // --- published properties ---
  // Names are made absolute (against the current folder) and clean before they are added.
  bool AddFullPath() const { return FAddFullPath; }
  void SetAddFullPath(bool value) { FAddFullPath = value; }
  // Captions show the file's name without its folder.
  bool HidePathExtension() const { return FHidePathExtension; }
  void SetHidePathExtension(bool value);
  int MaxItems() const { return FMaxItems; }
  // Trims the list at once (a negative capacity counts as 0) and renews the captions.
  void SetMaxItems(int value);
  TTbrMRUListStrings &Items() { return *FItems; }
  const TTbrMRUListStrings &Items() const { return *FItems; }
  void SetItems(const QStringList &names) { FItems->Assign(names); }
  const QString &Prefix() const { return FPrefix; }
  void SetPrefix(const QString &value) { FPrefix = value; }
  // After each change of the entries.
  const TTbrMRUListNotifyEvent &OnChange() const { return FOnChange; }
  void SetOnChange(TTbrMRUListNotifyEvent handler) { FOnChange = std::move(handler); }
  // An entry was chosen; it is entry 0 by then.
  const TTbrMRUListClickEvent &OnClick() const { return FOnClick; }
  void SetOnClick(TTbrMRUListClickEvent handler) { FOnClick = std::move(handler); }

  // The hidden item whose children are the entries' items.
  TTbrCustomItem *Container() const { return FContainer.get(); }

  // While the list's properties are being restored from a stored form, changes
  // are not reported.
  bool Loading() const { return FLoading; }
  void SetLoading(bool value) { FLoading = value; }

  // Puts a name at the top; a name already listed moves up rather than
  // appearing twice. An empty name is ignored.
  void AddMRUFile(const QString &fileName);
  // Replaces the entries with the values Prefix + 1 ... Prefix + MaxItems of
  // the section, skipping empty and missing values (and any that cannot be a
  // file name or repeat one already read).
  void LoadMRUFromRegIni(const TTbrSettingsStore &store, const QString &section);
  // Writes the entries as Prefix + 1 ... and deletes the values up to
  // Prefix + MaxItems that have no entry; higher numbers stay as they are.
  void SaveMRUToRegIni(TTbrSettingsStore &store, const QString &section) const;

  // What the entry items' clicks run: the chosen entry becomes the most
  // recent, then OnClick. An item that is not an entry changes nothing.
  void EntryClick(TTbrCustomItem *sender);

  // The caption of an entry: "&<key> <name>" with the key counted from
  // `keyNumber` ('1'-'9', then 'A'-'Z', then none), "&" in the name doubled,
  // and only the file's name when `hideFolder` is set.
  static QString EntryCaption(const QString &entry, int keyNumber, bool hideFolder);

protected:
  // The number the entries' accelerator keys count from.
  virtual int FirstKeyNumber() const { return 0; }
  // The item made for each entry.
  virtual TTbrItemFactory EntryItemClass() const;
  // Trims the list to MaxItems and renews every entry's caption.
  virtual void RebuildItems();

private:
  friend class TTbrMRUListStrings;
  void RenewCaptions();

  // Declared before the container so that the container (and with it the
  // entry items) goes first.
  std::unique_ptr<TTbrMRUListStrings> FItems;
  std::unique_ptr<TTbrCustomItem> FContainer;
  TTbrMRUListNotifyEvent FOnChange;
  TTbrMRUListClickEvent FOnClick;
  QString FPrefix = QStringLiteral("MRU");
  int FMaxItems = 4;
  bool FAddFullPath = true;
  bool FHidePathExtension = true;
  bool FLoading = false;
};

} // namespace qel::toolbars
