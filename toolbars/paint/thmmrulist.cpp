#include "toolbars/paint/thmmrulist.h"

namespace qel::toolbars {

namespace {
TTbrCustomItem *NewThemedEntry() { return new TThmCustomItem; }
} // namespace

TTbrItemFactory TThmMRUList::EntryItemClass() const { return &NewThemedEntry; }

TThmMRUListItem::TThmMRUListItem() {
  SetItemStyle(ItemStyle() | tbis::EmbeddedGroup);
  // The placeholder's own caption, with "Thm " after its first character.
  QString caption = QStringLiteral("(MRU List)");
  caption.insert(1, QStringLiteral("Thm "));
  SetCaption(caption);
}

TThmMRUListItem::~TThmMRUListItem() { SetMRUList(nullptr); }

void TThmMRUListItem::SetMRUList(TTbrMRUList *list) {
  if (list == FMRUList)
    return;
  if (FMRUList)
    FMRUList->Container()->UnregisterNotification(&FWatch);
  FMRUList = list;
  if (!list) {
    SetLinkSubitems(nullptr);
    return;
  }
  list->Container()->RegisterNotification(&FWatch);
  SetLinkSubitems(list->Container());
}

void TThmMRUListItem::TWatch::ItemDestroying(TTbrCustomItem *) {
  // The registration is gone already, and the link with the container.
  Owner.FMRUList = nullptr;
  Owner.SetLinkSubitems(nullptr);
}

} // namespace qel::toolbars
