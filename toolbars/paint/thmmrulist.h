#pragma once
// The themed recently-used list and the item that shows its entries in a
// menu. The list's entries are themed items whose accelerator keys may
// start further along ('1' + KeyShift); the placeholder item shows the
// list's hidden container's children in its place (its children inline in
// the menu it sits in) and lets go of the list when the list goes.

#include "toolbars/core/tbmrulist.h"
#include "toolbars/paint/thmitems.h"

namespace qel::toolbars {

class TThmMRUList : public TTbrMRUList {
public:
  int KeyShift() const { return FKeyShift; }
  // A negative shift is stored as 0; every write renews the entries.
  void SetKeyShift(int shift) {
    FKeyShift = shift < 0 ? 0 : shift;
    RebuildItems();
  }

protected:
  int FirstKeyNumber() const override { return FKeyShift; }
  // Themed entries (TThmCustomItem).
  TTbrItemFactory EntryItemClass() const override;

private:
  int FKeyShift = 0;
};

class TThmMRUListItem : public TThmCustomItem {
public:
  // Shows its children in place, captioned "(Thm MRU List)" until a list is set.
  TThmMRUListItem();
  ~TThmMRUListItem() override;

  TTbrMRUList *MRUList() const { return FMRUList; }
  // Shows `list`'s entries (null: none). A list that goes is let go of.
  void SetMRUList(TTbrMRUList *list);

private:
  class TWatch : public TTbrItemNotifyHandler {
  public:
    explicit TWatch(TThmMRUListItem &owner) : Owner(owner) {}
    void ItemNotification(TTbrCustomItem *, bool, TTbrItemChangeKind, int, TTbrCustomItem *) override {}
    void ItemDestroying(TTbrCustomItem *) override;

  private:
    TThmMRUListItem &Owner;
  };
  TWatch FWatch{*this};
  TTbrMRUList *FMRUList = nullptr;
};

} // namespace qel::toolbars
