#include "toolbars/core/tbitem.h"

#include "toolbars/core/tbaction.h"

#include <algorithm>
#include <utility>

namespace qel::toolbars {

namespace {
// Relays through embedded groups and linking items stop this deep.
constexpr int MaxRelayDepth = 10;
// Shortcut search follows at most this many LinkSubitems on one branch.
constexpr int MaxShortCutLinkDepth = 25;
// Popup handlers that keep rebuilding the tree cannot hold shortcut dispatch forever.
constexpr int MaxShortCutRestarts = 32;
constexpr TTbrItemOptions HintOnlyOptions = tboLongHintInMenuOnly | tboShowHint;
} // namespace

TTbrCustomItem::TTbrCustomItem() = default;

TTbrCustomItem::~TTbrCustomItem() {
  FDestroying = true;
  CancelDeferred();
  while (!FItems.empty())
    delete FItems.back(); // takes itself out of the list
  if (FParent)
    FParent->DetachChild(FParent->IndexOf(this));
  FActionLink.reset();
  ImagesLink.reset();
  SubMenuImagesLink.reset();
  if (FLinkSubitems)
    FLinkSubitems->FLinkParents.removeOne(this);
  FLinkSubitems = nullptr;
  // The items showing this one's children through a link let go of it.
  while (!FLinkParents.isEmpty())
    FLinkParents.first()->LinkTargetDestroying();
  // Whoever still listens hears of the end; a handler may unregister others
  // (or itself) meanwhile, so take them one by one from the live list.
  while (!FNotifyList.empty()) {
    TTbrItemNotifyHandler *handler = FNotifyList.front().Handler;
    FNotifyList.erase(FNotifyList.begin());
    RunGuarded([&] { handler->ItemDestroying(this); });
  }
}

// --- properties -------------------------------------------------------------

TTbrAction *TTbrCustomItem::Action() const { return FActionLink ? FActionLink->Action() : nullptr; }

void TTbrCustomItem::SetAction(TTbrAction *action) {
  if (action == Action())
    return;
  if (!action) {
    FActionLink.reset();
    // The click handler came from the action; it leaves with it.
    FOnClickFromAction = false;
    return;
  }
  if (!FActionLink)
    FActionLink = std::make_unique<TTbrCustomItemActionLink>(this);
  FActionLink->SetAction(action);
  ActionChange(action, action->IsLoading());
}

void TTbrCustomItem::ActionDestroying() { SetAction(nullptr); }

void TTbrCustomItem::ActionChange(TTbrAction *sender, bool checkDefaults) {
  if (!sender)
    return;
  const TTbrActionValues v = sender->Values(); // a setter below may run code that changes the action
  if (!checkDefaults || !FAutoCheck)
    FAutoCheck = v.AutoCheck;
  if (!checkDefaults || FCaption.isEmpty())
    SetCaption(v.Caption);
  if (!checkDefaults || !FChecked)
    SetChecked(v.Checked);
  if (!checkDefaults || FEnabled)
    SetEnabled(v.Enabled);
  if (!checkDefaults || FHelpContext == 0)
    FHelpContext = v.HelpContext;
  if (!checkDefaults || FHint.isEmpty())
    FHint = v.Hint;
  if (!checkDefaults || FImageIndex == -1)
    SetImageIndex(v.ImageIndex);
  if (!checkDefaults || FShortCut == 0)
    FShortCut = v.ShortCut;
  if (!checkDefaults || FVisible)
    SetVisible(v.Visible);
  if (!checkDefaults || !FOnClick) {
    FOnClick = nullptr;
    FOnClickFromAction = true;
  }
}

bool TTbrCustomItem::IsStored(TTbrActionProperty property) const {
  return !(FActionLink && FActionLink->IsLinked(property));
}

void TTbrCustomItem::SetOnClick(TTbrNotifyEvent handler) {
  FOnClick = std::move(handler);
  FOnClickFromAction = false;
}

void TTbrCustomItem::SetCaption(const QString &value) {
  if (value == FCaption)
    return;
  FCaption = value;
  Change(true);
}

void TTbrCustomItem::SetChecked(bool value) {
  if (value == FChecked)
    return;
  FChecked = value;
  Change(false);
  if (value)
    ClearGroupSiblings();
}

void TTbrCustomItem::ClearGroupSiblings() {
  if (FGroupIndex == 0 || !FParent)
    return;
  // By index: an unchecked sibling's listeners may not change the list, but
  // a stale iterator must never be what finds out.
  for (int i = 0; i < FParent->Count(); ++i) {
    TTbrCustomItem *sibling = FParent->FItems[std::size_t(i)];
    if (sibling != this && sibling->FGroupIndex == FGroupIndex)
      sibling->SetChecked(false);
  }
}

void TTbrCustomItem::SetDisplayMode(TTbrItemDisplayMode value) {
  if (value == FDisplayMode)
    return;
  FDisplayMode = value;
  Change(true);
}

void TTbrCustomItem::SetEnabled(bool value) {
  if (value == FEnabled)
    return;
  FEnabled = value;
  EnabledChanged();
}

void TTbrCustomItem::SetGroupIndex(int value) {
  if (value == FGroupIndex)
    return;
  FGroupIndex = value;
  if (FChecked)
    ClearGroupSiblings();
}

void TTbrCustomItem::SetImageIndex(int value) {
  if (value == FImageIndex)
    return;
  // Only gaining or losing an image changes the item's size.
  const bool resize = (FImageIndex < 0) != (value < 0);
  FImageIndex = value;
  Change(resize);
}

void TTbrCustomItem::SetImageList(TTbrImageList *&field, std::unique_ptr<TTbrImageChangeLink> &link,
                                  TTbrImageList *value, bool subMenu) {
  TTbrImageList *old = field;
  if (link && link->Images())
    link->Images()->UnRegisterChanges(link.get());
  field = value;
  if (!value) {
    link.reset();
  } else {
    if (!link) {
      link = std::make_unique<TTbrImageChangeLink>();
      if (subMenu)
        link->OnChange = [this] { SubMenuImagesChanged(); };
      else
        link->OnChange = [this] { ImagesChanged(); };
      link->OnListDestroying = [this, subMenu] {
        if (subMenu)
          SetSubMenuImages(nullptr);
        else
          SetImages(nullptr);
      };
    }
    link->LastWidth = value->Width();
    link->LastHeight = value->Height();
    value->RegisterChanges(link.get());
  }
  if (subMenu) {
    Notify(TTbrItemChangeKind::SubMenuImagesChanged, -1, nullptr);
  } else {
    const bool resize = !value || !old || value->Width() != old->Width() || value->Height() != old->Height();
    Change(resize);
  }
}

void TTbrCustomItem::SetImages(TTbrImageList *value) {
  if (value != FImages)
    SetImageList(FImages, ImagesLink, value, false);
}

void TTbrCustomItem::SetSubMenuImages(TTbrImageList *value) {
  if (value != FSubMenuImages)
    SetImageList(FSubMenuImages, SubMenuImagesLink, value, true);
}

void TTbrCustomItem::ImagesChanged() {
  if (!FImages || !ImagesLink)
    return;
  const bool resized = FImages->Width() != ImagesLink->LastWidth || FImages->Height() != ImagesLink->LastHeight;
  ImagesLink->LastWidth = FImages->Width();
  ImagesLink->LastHeight = FImages->Height();
  Change(resized);
}

void TTbrCustomItem::SubMenuImagesChanged() {
  if (!FSubMenuImages || !SubMenuImagesLink)
    return;
  SubMenuImagesLink->LastWidth = FSubMenuImages->Width();
  SubMenuImagesLink->LastHeight = FSubMenuImages->Height();
  Notify(TTbrItemChangeKind::SubMenuImagesChanged, -1, nullptr);
}

void TTbrCustomItem::SetInheritOptions(bool value) {
  if (value == FInheritOptions)
    return;
  FInheritOptions = value;
  RecalcEffectiveOptions();
}

void TTbrCustomItem::SetMaskOptions(TTbrItemOptions value) {
  if (value == FMaskOptions)
    return;
  FMaskOptions = value;
  RecalcEffectiveOptions();
}

void TTbrCustomItem::SetOptions(TTbrItemOptions value) {
  value = NormalizedItemOptions(value);
  if (value == FOptions)
    return;
  FOptions = value;
  RecalcEffectiveOptions();
}

void TTbrCustomItem::RecalcEffectiveOptions() {
  TTbrItemOptions options = (FInheritOptions && FParent) ? TTbrItemOptions(FParent->FEffectiveOptions & ~tboDefault) : 0;
  options = NormalizedItemOptions(TTbrItemOptions((options & ~FMaskOptions) | FOptions));
  if (options == FEffectiveOptions)
    return;
  const TTbrItemOptions changed = options ^ FEffectiveOptions;
  FEffectiveOptions = options;
  if (changed & ~HintOnlyOptions)
    Change(true);
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i]->FInheritOptions)
      FItems[i]->RecalcEffectiveOptions();
}

void TTbrCustomItem::SetVisible(bool value) {
  if (value == FVisible)
    return;
  FVisible = value;
  Change(true);
}

void TTbrCustomItem::SetName(const QString &name) {
  if (name == FName)
    return;
  FName = name;
  if (FParent)
    FParent->Notify(TTbrItemChangeKind::NameChanged, -1, this);
}

void TTbrCustomItem::SetLinkSubitems(TTbrCustomItem *value) {
  if (value == this)
    value = nullptr;
  if (value == FLinkSubitems)
    return;
  if (FLinkSubitems)
    FLinkSubitems->FLinkParents.removeOne(this);
  FLinkSubitems = value;
  if (value && !value->FLinkParents.contains(this))
    value->FLinkParents.append(this);
  Notify(TTbrItemChangeKind::SubitemsChanged, -1, nullptr);
}

void TTbrCustomItem::LinkTargetDestroying() { SetLinkSubitems(nullptr); }

ITBItemsProvider *TTbrCustomItem::ParentComponent() const {
  if (FRootOwner)
    return FRootOwner;
  return FParent ? FParent->FRootOwner : nullptr;
}

void TTbrCustomItem::SetParentComponent(TTbrCustomItem *item) {
  if (FParent)
    FParent->Remove(this);
  if (item)
    item->Add(this);
}

void TTbrCustomItem::SetParentComponent(ITBItemsProvider *provider) {
  if (FParent)
    FParent->Remove(this);
  if (provider)
    if (TTbrCustomItem *root = provider->GetItems())
      root->Add(this);
}

// --- child list -------------------------------------------------------------

TTbrCustomItem *TTbrCustomItem::Items(int index) const {
  if (index < 0 || index >= Count())
    throw ETBItemError(SItemIndexOutOfRange);
  return FItems[std::size_t(index)];
}

void TTbrCustomItem::Insert(int index, TTbrCustomItem *item) {
  if (!item)
    throw ETBItemError(SItemIndexOutOfRange);
  if (item->FParent)
    throw ETBItemError(SItemAlreadyInserted);
  if (index < 0 || index > Count())
    throw ETBItemError(SItemIndexOutOfRange);
  // An item inside itself would make the tree a loop that nothing could free.
  for (const TTbrCustomItem *up = this; up; up = up->FParent)
    if (up == item)
      throw ETBItemError(SItemAlreadyInserted);
  FItems.insert(FItems.begin() + index, item);
  item->FParent = this;
  Notify(TTbrItemChangeKind::SubitemsBeginUpdate, -1, nullptr);
  try {
    Notify(TTbrItemChangeKind::Inserted, index, item);
  } catch (...) {
    Notify(TTbrItemChangeKind::SubitemsEndUpdate, -1, nullptr);
    throw;
  }
  Notify(TTbrItemChangeKind::SubitemsEndUpdate, -1, nullptr);
  item->RecalcEffectiveOptions();
}

void TTbrCustomItem::Delete(int index) {
  TTbrCustomItem *item = Items(index);
  Notify(TTbrItemChangeKind::Deleting, index, item);
  // A listener may have moved things: take out the item wherever it is now.
  const int now = (index < Count() && FItems[std::size_t(index)] == item) ? index : IndexOf(item);
  if (now >= 0) {
    item->FParent = nullptr;
    FItems.erase(FItems.begin() + now);
  }
}

void TTbrCustomItem::DetachChild(int index) {
  if (index < 0 || index >= Count())
    return;
  // A child being destroyed leaves the list however its listeners react.
  TTbrCustomItem *item = FItems[std::size_t(index)];
  RunGuarded([&] { Notify(TTbrItemChangeKind::Deleting, index, item); });
  const int now = (index < Count() && FItems[std::size_t(index)] == item) ? index : IndexOf(item);
  if (now >= 0)
    FItems.erase(FItems.begin() + now);
  item->FParent = nullptr;
}

int TTbrCustomItem::IndexOf(const TTbrCustomItem *item) const {
  // Removal from the end (a parent freeing its children) is the common case.
  for (std::size_t i = FItems.size(); i-- > 0;)
    if (FItems[i] == item)
      return int(i);
  return -1;
}

void TTbrCustomItem::Remove(TTbrCustomItem *item) {
  const int index = IndexOf(item);
  if (index >= 0)
    Delete(index);
}

void TTbrCustomItem::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex)
    return;
  TTbrCustomItem *item = Items(curIndex);
  if (newIndex < 0 || newIndex >= Count())
    throw ETBItemError(SItemIndexOutOfRange);
  Notify(TTbrItemChangeKind::SubitemsBeginUpdate, -1, nullptr);
  try {
    Delete(curIndex);
    Insert(newIndex, item);
  } catch (...) {
    Notify(TTbrItemChangeKind::SubitemsEndUpdate, -1, nullptr);
    throw;
  }
  Notify(TTbrItemChangeKind::SubitemsEndUpdate, -1, nullptr);
}

void TTbrCustomItem::SetChildOrder(TTbrCustomItem *child, int order) {
  const int index = IndexOf(child);
  if (index >= 0)
    Move(index, order);
}

void TTbrCustomItem::GetChildren(const std::function<void(TTbrCustomItem *)> &proc) const {
  for (std::size_t i = 0; i < FItems.size(); ++i)
    proc(FItems[i]);
}

TTbrCustomItem *TTbrCustomItem::ItemContainingItems(TTbrCustomItem *item) {
  if (item && item->FLinkSubitems)
    return item->FLinkSubitems;
  return item;
}

// --- notifications ----------------------------------------------------------

void TTbrCustomItem::RegisterNotification(TTbrItemNotifyHandler *handler) {
  if (!handler)
    return;
  for (TNotifyEntry &entry : FNotifyList)
    if (entry.Handler == handler) {
      ++entry.Count;
      return;
    }
  FNotifyList.push_back({handler, 1});
}

void TTbrCustomItem::UnregisterNotification(TTbrItemNotifyHandler *handler) {
  for (std::size_t i = 0; i < FNotifyList.size(); ++i)
    if (FNotifyList[i].Handler == handler) {
      if (--FNotifyList[i].Count == 0) {
        FNotifyList.erase(FNotifyList.begin() + std::ptrdiff_t(i));
        if (FNotifyList.empty())
          FNotifyList.shrink_to_fit();
      }
      return;
    }
}

int TTbrCustomItem::NotificationCount(const TTbrItemNotifyHandler *handler) const {
  for (const TNotifyEntry &entry : FNotifyList)
    if (entry.Handler == handler)
      return entry.Count;
  return 0;
}

void TTbrCustomItem::Notify(TTbrItemChangeKind kind, int index, TTbrCustomItem *item) {
  NotifyFrom(kind, index, item, this, 0);
}

void TTbrCustomItem::NotifyFrom(TTbrItemChangeKind kind, int index, TTbrCustomItem *item, TTbrCustomItem *origin,
                                int depth) {
  // An embedded group's children show in its parent's view: the parent
  // passes the change on to whoever shows it.
  if (depth <= MaxRelayDepth && HasStyle(tbis::EmbeddedGroup) && FParent)
    FParent->NotifyFrom(kind, index, item, origin, depth + 1);
  // Likewise for embedded groups that show this item's children through a link.
  if (depth <= MaxRelayDepth && !FLinkParents.isEmpty()) {
    const QList<TTbrCustomItem *> linkParents = FLinkParents;
    for (TTbrCustomItem *link : linkParents)
      if (link != FParent && FLinkParents.contains(link) && link->HasStyle(tbis::EmbeddedGroup) &&
          link->FParent)
        link->FParent->NotifyFrom(kind, index, item, origin == this ? link : origin, depth + 1);
  }
  // A handler may unregister itself (or others) while called: step on only
  // when the entry at this place is still the one just called.
  const bool relayed = origin != this;
  std::size_t i = 0;
  while (i < FNotifyList.size()) {
    TTbrItemNotifyHandler *handler = FNotifyList[i].Handler;
    handler->ItemNotification(origin, relayed, kind, index, item);
    if (i >= FNotifyList.size())
      break;
    if (FNotifyList[i].Handler == handler)
      ++i;
  }
}

void TTbrCustomItem::Change(bool needResize) {
  if (FParent)
    FParent->Notify(needResize ? TTbrItemChangeKind::InvalidateAndResize : TTbrItemChangeKind::Invalidate, -1, this);
}

// --- commands ---------------------------------------------------------------

void TTbrCustomItem::Click() {
  if (!FEnabled)
    return;
  if (FAutoCheck && !(FActionLink && FActionLink->IsLinked(TTbrActionProperty::AutoCheck)))
    SetChecked(!FChecked);
  if (FOnClick && (!Action() || !FOnClickFromAction))
    FOnClick(this);
  else if (FActionLink)
    FActionLink->Execute();
  else if (FOnClick)
    FOnClick(this);
}

void TTbrCustomItem::DeferredExecute(int) { Click(); }

void TTbrCustomItem::FirePopup(TTbrCustomItem *sender, bool fromLink) {
  if (FOnPopup)
    FOnPopup(sender, fromLink);
  if (!HasStyle(tbis::Combo))
    Click();
}

void TTbrCustomItem::InitiateAction() {
  if (FActionLink)
    FActionLink->Update();
}

void TTbrCustomItem::FireSelect(TTbrItemViewer *viewer, bool selecting) {
  if (FOnSelect)
    FOnSelect(this, viewer, selecting);
}

QString TTbrCustomItem::ShortCutText() const {
  const qsizetype tab = FCaption.indexOf(QLatin1Char('\t'));
  if (tab >= 0)
    return FCaption.mid(tab + 1);
  return ShortCutToText(FShortCut);
}

TTbrCustomItem *TTbrCustomItem::FindItemByShortCut(TShortCut shortCut, TTbrCustomItem **topItem) {
  TTbrCustomItem *top = nullptr;
  TTbrCustomItem *found = shortCut ? FindItemByShortCutFrom(shortCut, &top, 0) : nullptr;
  if (topItem)
    *topItem = top;
  return found;
}

TTbrCustomItem *TTbrCustomItem::FindItemByShortCutFrom(TShortCut shortCut, TTbrCustomItem **topItem, int linkDepth) {
  TTbrCustomItem *container = this;
  if (FLinkSubitems) {
    container = FLinkSubitems;
    if (++linkDepth > MaxShortCutLinkDepth)
      return nullptr;
  }
  for (std::size_t i = 0; i < container->FItems.size(); ++i) {
    TTbrCustomItem *child = container->FItems[i];
    if (child->FShortCut == shortCut)
      return child;
    if (TTbrCustomItem *found = child->FindItemByShortCutFrom(shortCut, topItem, linkDepth)) {
      *topItem = child;
      return found;
    }
  }
  return nullptr;
}

bool TTbrCustomItem::DispatchShortCut(TShortCut shortCut) {
  if (!shortCut)
    return false;
  TTbrCustomItem *from = this;
  int restarts = 0;
  for (;;) {
    TTbrCustomItem *top = nullptr;
    TTbrCustomItem *found = from->FindItemByShortCut(shortCut, &top);
    if (!found) {
      // The popup handlers changed the tree under the path: search anew from the root.
      if (from == this || ++restarts > MaxShortCutRestarts)
        return false;
      from = this;
      continue;
    }
    if (!top) {
      if (!found->FEnabled)
        return false;
      RunGuarded([&] { found->Click(); });
      return true;
    }
    // One step down the path: the item opens as its popup would.
    if (!top->FEnabled)
      return false;
    TTbrCustomItem *container = ItemContainingItems(top);
    for (int i = 0; i < container->Count(); ++i)
      container->FItems[std::size_t(i)]->InitiateAction();
    if (!top->HasStyle(tbis::EmbeddedGroup)) {
      if (container != top)
        RunGuarded([&] { container->FirePopup(top, true); });
      RunGuarded([&] { top->FirePopup(top, false); });
    }
    from = top;
  }
}

// --- separator and control items ---------------------------------------------

TTbrSeparatorItem::TTbrSeparatorItem() {
  SetItemStyle(TTbrItemStyle((ItemStyle() & ~(tbis::Selectable | tbis::RedrawOnSelChange |
                                              tbis::RedrawOnMouseOverChange)) |
                             tbis::Separator | tbis::ClicksTransparent));
}

void TTbrSeparatorItem::SetBlank(bool value) {
  if (value == FBlank)
    return;
  FBlank = value;
  Change(false);
}

TTbrControlItem::TTbrControlItem() {
  SetItemStyle(TTbrItemStyle((ItemStyle() & ~tbis::Selectable) | tbis::ClicksTransparent));
}

TTbrControlItem::TTbrControlItem(QObject *control) : TTbrControlItem() { SetControl(control); }

TTbrControlItem::~TTbrControlItem() {
  QObject::disconnect(DestroyedConnection);
  // The item no longer holds the control while the control goes, so whoever
  // hears of its going finds no item for it.
  QObject *control = std::exchange(FControl, nullptr);
  if (control && !FKeepControl)
    delete control;
}

void TTbrControlItem::SetControl(QObject *control) {
  if (control == FControl)
    return;
  QObject::disconnect(DestroyedConnection);
  FControl = control;
  if (control)
    DestroyedConnection = QObject::connect(control, &QObject::destroyed, [this] { SetControl(nullptr); });
  Change(true);
}

} // namespace qel::toolbars
