#include "toolbars/core/tbview.h"

#include "toolbars/core/tbmenuloop.h"
#include "toolbars/core/tbviewdetail.h"

#include <algorithm>
#include <utility>

namespace qel::toolbars {

using namespace viewdetail;

// TTbrView: life cycle and the viewer list

int GetViewType(const TTbrView *view) { return view && view->Host() ? view->Host()->ViewTypeQuery() : 0; }

TTbrView::TTbrView(TTbrViewHost *host, TTbrView *parentView, TTbrCustomItem *parentItem, bool isToolbar,
                   bool customizing, bool usePriorityList)
    : IsToolbar(isToolbar), IsPopup(!isToolbar), Customizing(customizing), host_(host), parentView_(parentView),
      parentItem_(parentItem), usePriorityList_(usePriorityList) {
  if (parentItem_)
    parentItem_->RegisterNotification(&parentHandler_);
  UpdateCurParentItem(true);
}

void TTbrView::THandler::ItemNotification(TTbrCustomItem *sender, bool relayed, TTbrItemChangeKind kind, int index,
                                          TTbrCustomItem *item) {
  if (forParent_)
    view_->ParentItemNotification(sender, relayed, kind, index, item);
  else
    view_->ItemNotification(sender, relayed, kind, index, item);
}

void TTbrView::THandler::ItemDestroying(TTbrCustomItem *item) { view_->ItemDestroying(item, forParent_); }

void TTbrView::ItemDestroying(TTbrCustomItem *item, bool forParent) {
  // The registration with the item is gone already.
  if (!forParent && item == curParentItem_) {
    CloseChildPopups();
    selected_ = nullptr;
    curParentItem_ = nullptr;
    FreeViewers();
    InvalidatePositions();
  } else if (forParent && item == parentItem_) {
    parentItem_ = nullptr;
    UpdateCurParentItem(false);
    // A menu whose item is gone has nothing left to choose from.
    if (activeLoop_)
      activeLoop_->End();
  }
}

TTbrView::~TTbrView() {
  destroying_ = true;
  if (activeLoop_)
    activeLoop_->RootDestroyed();
  CloseChildPopups();
  if (AccObject)
    std::exchange(AccObject, nullptr)->Detach();
  if (parentView_) {
    if (parentView_->IsToolbar)
      parentView_->State |= tbvsChildPopupClosed;
    if (parentView_->openViewer_)
      parentView_->Invalidate(parentView_->openViewer_);
  }
  if (curParentItem_)
    curParentItem_->UnregisterNotification(&itemsHandler_);
  if (parentItem_)
    parentItem_->UnregisterNotification(&parentHandler_);
  selected_ = nullptr;
  FreeViewers();
  if (parentView_)
    parentView_->NotifyFocusEvent();
}

TTbrView *TTbrView::GetRootView() {
  TTbrView *view = this;
  while (view->parentView_)
    view = view->parentView_;
  return view;
}

TTbrView *TTbrView::GetParentToolbarView() {
  for (TTbrView *view = this; view; view = view->parentView_)
    if (view->IsToolbar)
      return view;
  return nullptr;
}

int TTbrView::IndexOf(const TTbrItemViewer *viewer) const {
  for (std::size_t i = 0; i < viewers_.size(); ++i)
    if (viewers_[i].get() == viewer)
      return int(i);
  return -1;
}

TTbrItemViewer *TTbrView::Find(const TTbrCustomItem *item) const {
  for (const auto &v : viewers_)
    if (v->Item == item)
      return v.get();
  throw ETBItemError("An item viewer associated the specified item could not be found");
}

std::unique_ptr<TTbrItemViewer> TTbrView::MakeViewer(TTbrCustomItem *item, int groupLevel) {
  if (TTbrViewerFactory factory = item->ViewerClass(this))
    return std::unique_ptr<TTbrItemViewer>(factory(this, item, groupLevel));
  if (dynamic_cast<TTbrSeparatorItem *>(item))
    return std::make_unique<TTbrSeparatorItemViewer>(this, item, groupLevel);
  return std::make_unique<TTbrItemViewer>(this, item, groupLevel);
}

void TTbrView::UpdateCurParentItem(bool force) {
  TTbrCustomItem *now = parentItem_ ? Containing(parentItem_) : nullptr;
  if (now == curParentItem_ && !force)
    return;
  CloseChildPopups();
  // The view hears the parent item through its own registration; a linked
  // container is registered with separately.
  if (curParentItem_)
    curParentItem_->UnregisterNotification(&itemsHandler_);
  curParentItem_ = now;
  if (curParentItem_)
    curParentItem_->RegisterNotification(&itemsHandler_);
  RecreateAllViewers();
  for (const auto &v : viewers_)
    v->Item->InitiateAction();
}

void TTbrView::FreeViewers() {
  priority_.clear();
  hitIndexValid_ = false;
  viewers_.clear();
  internalAtFront_ = internalAtEnd_ = 0;
}

void TTbrView::RecreateAllViewers() {
  CloseChildPopups();
  Select(nullptr, false);
  InvalidatePositions();
  FreeViewers();
  if (TTbrCustomItem *sysMenu = GetMDISystemMenuItem())
    internalAtFront_ += InsertItemViewers(ViewerCount(), sysMenu, 0, false, true);
  if (curParentItem_)
    for (int i = 0; i < ChildCount(curParentItem_); ++i)
      InsertItemViewers(ViewerCount(), Child(curParentItem_, i), 0, true, true);
  if (TTbrCustomItem *buttons = GetMDIButtonsItem())
    for (int i = 0; i < ChildCount(buttons); ++i)
      internalAtEnd_ += InsertItemViewers(ViewerCount(), Child(buttons, i), 0, false, true);
  if (TTbrCustomItem *chevron = GetChevronItem())
    internalAtEnd_ += InsertItemViewers(ViewerCount(), chevron, 0, false, true);
}

int TTbrView::InsertItemViewers(int at, TTbrCustomItem *item, int groupLevel, bool addToPriority, bool atPriorityEnd) {
  auto viewer = MakeViewer(item, groupLevel);
  TTbrItemViewer *made = viewer.get();
  viewers_.insert(viewers_.begin() + at, std::move(viewer));
  hitIndexValid_ = false;
  if (addToPriority && usePriorityList_) {
    if (atPriorityEnd)
      priority_.append(made);
    else
      priority_.prepend(made);
  }
  int inserted = 1;
  if (HasStyle(item, tbis::EmbeddedGroup) && !Customizing && groupLevel < MaxGroupLevel) {
    TTbrCustomItem *group = Containing(item);
    for (int i = 0; i < ChildCount(group); ++i)
      inserted += InsertItemViewers(at + inserted, Child(group, i), groupLevel + 1, addToPriority, atPriorityEnd);
  }
  return inserted;
}

void TTbrView::InsertViewersForNewItem(TTbrCustomItem *sender, int index, TTbrCustomItem *item) {
  InvalidatePositions();
  const auto insertAmong = [&](int begin, int end, int level) {
    // Before the viewer of the item that follows in the same container,
    // else at the end of the run.
    TTbrCustomItem *container = Containing(sender);
    TTbrCustomItem *next = index + 1 < ChildCount(container) ? Child(container, index + 1) : nullptr;
    int at = end;
    if (next)
      for (int i = begin; i < end; ++i)
        if (viewers_[std::size_t(i)]->GroupLevel == level && viewers_[std::size_t(i)]->Item == next) {
          at = i;
          break;
        }
    InsertItemViewers(at, item, level, true, false);
  };
  if (sender == curParentItem_) {
    insertAmong(internalAtFront_, ViewerCount() - internalAtEnd_, 0);
    return;
  }
  // Inside an embedded group shown here: under each viewer of the group
  // that does not hold a viewer of the item yet.
  for (int g = 0; g < ViewerCount() - internalAtEnd_; ++g) {
    TTbrItemViewer *group = Viewers(g);
    if (group->Item != sender)
      continue;
    const int level = group->GroupLevel + 1;
    if (level > MaxGroupLevel || Customizing)
      continue;
    int end = g + 1;
    bool holds = false;
    while (end < ViewerCount() - internalAtEnd_ && Viewers(end)->GroupLevel >= level) {
      if (Viewers(end)->GroupLevel == level && Viewers(end)->Item == item)
        holds = true;
      ++end;
    }
    if (!holds)
      insertAmong(g + 1, end, level);
  }
}

void TTbrView::RemoveViewerAt(int index) {
  TTbrItemViewer *viewer = Viewers(index);
  if (openViewer_ == viewer)
    CloseChildPopups();
  if (selected_ == viewer)
    selected_ = nullptr;
  priority_.removeOne(viewer);
  hitIndexValid_ = false;
  viewers_.erase(viewers_.begin() + index);
}

void TTbrView::RemoveViewersOfItem(TTbrCustomItem *item) {
  InvalidatePositions();
  // A command chosen from the item must not run on it once it is gone.
  TTbrDoneAction &done = GetRootView()->DoneAction;
  if (done.Kind == TTbrDoneActionKind::ClickItem && done.ClickItem == item)
    done = {};
  for (int i = 0; i < ViewerCount();) {
    if (Viewers(i)->Item != item) {
      ++i;
      continue;
    }
    const int level = Viewers(i)->GroupLevel;
    int end = i + 1;
    while (end < ViewerCount() && Viewers(end)->GroupLevel > level)
      ++end;
    const int count = end - i;
    if (i < internalAtFront_)
      internalAtFront_ -= std::min(count, internalAtFront_ - i);
    else if (end > ViewerCount() - internalAtEnd_)
      internalAtEnd_ -= std::min(count, end - (ViewerCount() - internalAtEnd_));
    for (int k = end - 1; k >= i; --k)
      RemoveViewerAt(k);
  }
}

void TTbrView::RecreateViewersOfItem(TTbrCustomItem *item) {
  InvalidatePositions();
  for (int i = 0; i < ViewerCount(); ++i) {
    TTbrItemViewer *old = Viewers(i);
    if (old->Item != item)
      continue;
    if (openViewer_ == old)
      CloseChildPopups();
    auto fresh = MakeViewer(item, old->GroupLevel);
    const qsizetype place = priority_.indexOf(old);
    if (place >= 0)
      priority_[place] = fresh.get();
    if (selected_ == old)
      selected_ = fresh.get();
    viewers_[std::size_t(i)] = std::move(fresh);
    hitIndexValid_ = false;
  }
}

void TTbrView::ParentItemNotification(TTbrCustomItem *sender, bool relayed, TTbrItemChangeKind kind, int index,
                                      TTbrCustomItem *item) {
  (void)sender, (void)relayed, (void)index, (void)item;
  if (kind == TTbrItemChangeKind::SubitemsChanged) {
    UpdateCurParentItem(false);
  } else if (kind == TTbrItemChangeKind::SubMenuImagesChanged && parentItem_ != curParentItem_) {
    InvalidatePositions();
    for (TTbrView *child = openViewerView_; child; child = child->openViewerView_)
      child->InvalidatePositions();
    TryValidatePositions();
  }
}

void TTbrView::ItemNotification(TTbrCustomItem *sender, bool relayed, TTbrItemChangeKind kind, int index,
                                TTbrCustomItem *item) {
  (void)relayed;
  switch (kind) {
  case TTbrItemChangeKind::Inserted:
    InsertViewersForNewItem(sender, index, item);
    break;
  case TTbrItemChangeKind::Deleting:
    RemoveViewersOfItem(item);
    break;
  case TTbrItemChangeKind::SubitemsChanged:
    RecreateAllViewers();
    break;
  case TTbrItemChangeKind::SubitemsBeginUpdate:
    BeginUpdate();
    break;
  case TTbrItemChangeKind::SubitemsEndUpdate:
    EndUpdate();
    break;
  case TTbrItemChangeKind::Invalidate:
    for (const auto &v : viewers_)
      if (v->Item == item)
        Invalidate(v.get());
    break;
  case TTbrItemChangeKind::InvalidateAndResize:
    InvalidatePositions();
    break;
  case TTbrItemChangeKind::RecreateViewers:
    RecreateViewersOfItem(item);
    break;
  case TTbrItemChangeKind::SubMenuImagesChanged:
    InvalidatePositions();
    for (TTbrView *child = openViewerView_; child; child = child->openViewerView_)
      child->InvalidatePositions();
    break;
  default:
    return;
  }
  TryValidatePositions();
}

// ---------------------------------------------------------------------------
// Positions

TTbrMargins TTbrView::ViewMargins(int orientation) const {
  if (orientation == tbvoFloating)
    return {4, 2, 4, 1};
  return {};
}

void TTbrView::AutoSize(int width, int height) {
  if (host_)
    host_->AutoSize(QSize(width, height));
}

void TTbrView::InvalidatePositions() {
  validated_ = false;
  if (host_)
    host_->Invalidate(QRect());
}

void TTbrView::ValidatePositions() {
  if (!validated_) {
    QSize size;
    UpdatePositions(size);
  }
}

void TTbrView::TryValidatePositions() {
  if (updating_ == 0 && !destroying_)
    ValidatePositions();
}

void TTbrView::BeginUpdate() { ++updating_; }

void TTbrView::EndUpdate() {
  if (updating_ > 0 && --updating_ == 0)
    TryValidatePositions();
}

bool TTbrView::CalculatePositions(bool commit, int orientation, int wrapOffset, int chevronOffset, int chevronSize,
                                  QSize &baseSize, QSize &totalSize, int &wrappedLines) {
  const int savedOrientation = Orientation;
  Orientation = orientation;
  TTbrCustomItem *chevronItem = GetChevronItem();
  const int count = ViewerCount() - (chevronItem && ViewerCount() > 0 ? 1 : 0);
  const TTbrTextMeasure *measure = host_ ? &host_->Measure() : nullptr;

  QList<TTbrLayoutItem> items(count);
  for (int i = 0; i < count; ++i) {
    TTbrItemViewer *viewer = Viewers(i);
    TTbrCustomItem *item = viewer->Item;
    TTbrLayoutItem &li = items[i];
    bool wanted;
    if (ChevronParentView) {
      // A chevron popup lists what its toolbar could not show, when the
      // toolbar moves its hidden items there.
      const int there = i - internalAtFront_ + ChevronParentView->internalAtFront_;
      wanted = !IsControl(item) &&
               (HasStyle(item, tbis::Separator) ||
                (ChevronParentView->ChevronMoveItems && there >= 0 && there < ChevronParentView->ViewerCount() &&
                 ChevronParentView->Viewers(there)->OffEdge));
    } else if (HasStyle(item, tbis::EmbeddedGroup) && !Customizing) {
      wanted = false;
    } else if (auto *control = dynamic_cast<TTbrControlItem *>(item)) {
      wanted = control->Control() && host_ && host_->ControlShown(control->Control());
    } else {
      wanted = item->Visible();
    }
    li.Flags = 0;
    if (wanted)
      li.Flags |= TTbrLayoutItem::Wanted;
    if (HasStyle(item, tbis::Separator))
      li.Flags |= TTbrLayoutItem::Separator;
    if (HasStyle(item, tbis::NoLineBreak))
      li.Flags |= TTbrLayoutItem::NoLineBreak;
    if (HasStyle(item, tbis::RightAlign))
      li.Flags |= TTbrLayoutItem::RightAlign;
    if (HasStyle(item, tbis::Stretch))
      li.Flags |= TTbrLayoutItem::Stretch;
    if (IsControl(item))
      li.Flags |= TTbrLayoutItem::Control;
    if (!wanted)
      continue;
    if (auto *control = dynamic_cast<TTbrControlItem *>(item)) {
      li.Size = host_ ? host_->ControlSize(control->Control()) : QSize();
      continue;
    }
    if (item->NeedsViewerRecreate(viewer)) {
      auto fresh = MakeViewer(item, viewer->GroupLevel);
      if (commit) {
        const qsizetype place = priority_.indexOf(viewer);
        if (place >= 0)
          priority_[place] = fresh.get();
        if (selected_ == viewer)
          selected_ = fresh.get();
        if (openViewer_ == viewer)
          CloseChildPopups();
        viewers_[std::size_t(i)] = std::move(fresh);
        hitIndexValid_ = false;
        viewer = Viewers(i);
      } else {
        int w = 0, h = 0;
        if (measure)
          fresh->MeasureSize(*measure, HasOption(item, tboDefault), w, h);
        li.Size = QSize(w, h);
        if (fresh->UsesSameWidth())
          li.Flags |= TTbrLayoutItem::SameWidth;
        if (fresh->IsToolbarSize())
          li.Flags |= TTbrLayoutItem::Across;
        continue;
      }
    }
    int w = 0, h = 0;
    if (measure)
      viewer->MeasureSize(*measure, HasOption(item, tboDefault), w, h);
    li.Size = QSize(w, h);
    if (viewer->UsesSameWidth())
      li.Flags |= TTbrLayoutItem::SameWidth;
    if (viewer->IsToolbarSize())
      li.Flags |= TTbrLayoutItem::Across;
  }

  QList<int> priority;
  TTbrLayoutParams params;
  if (usePriorityList_) {
    priority.reserve(priority_.size());
    for (TTbrItemViewer *v : priority_) {
      const int at = IndexOf(v);
      if (at >= 0 && at < count)
        priority.append(at);
    }
    params.Priority = &priority;
  }
  params.Orientation = orientation;
  params.IsToolbar = IsToolbar;
  params.IsChevronPopup = ChevronParentView != nullptr;
  params.HasChevron = chevronItem != nullptr;
  params.WrapOffset = wrapOffset;
  params.ChevronOffset = chevronOffset;
  params.ChevronSize = chevronSize;
  params.MaxHeight = MaxHeight;
  params.ScrollOffset = ScrollOffset;
  params.Margins = ViewMargins(orientation);

  TTbrLayoutResult r = CalculateLayout(items, params);
  baseSize = r.BaseSize;
  totalSize = r.TotalSize;
  wrappedLines = r.WrappedLines;
  Orientation = savedOrientation;
  if (!commit)
    return false;

  bool changed = false;
  for (int i = 0; i < count; ++i) {
    TTbrItemViewer *v = Viewers(i);
    const TTbrLayoutPlace &p = r.Places.at(i);
    changed = changed || v->BoundsRect != p.Bounds || v->Show != p.Show || v->LineSep != p.LineSep;
    v->BoundsRect = p.Bounds;
    v->Show = p.Show;
    v->OffEdge = p.OffEdge;
    v->Clipped = p.Clipped;
    v->LineSep = p.LineSep;
  }
  if (chevronItem && count < ViewerCount()) {
    TTbrItemViewer *chevron = Viewers(count);
    const QRect bounds = r.ChevronInUse ? r.ChevronBounds : QRect();
    changed = changed || chevron->BoundsRect != bounds || chevron->Show != r.ChevronInUse;
    chevron->BoundsRect = bounds;
    chevron->Show = r.ChevronInUse;
    chevron->OffEdge = chevron->Clipped = chevron->LineSep = false;
    if (r.ChevronInUse)
      chevronItem->SetEnabled(r.ChevronEnabled);
  }
  // Controls follow their items; a hidden one goes out of sight.
  for (int i = 0; i < count && host_; ++i) {
    auto *control = dynamic_cast<TTbrControlItem *>(Viewers(i)->Item);
    if (!control || !control->Control())
      continue;
    const TTbrItemViewer *v = Viewers(i);
    if (v->Show)
      host_->SetControlBounds(control->Control(), v->BoundsRect);
    else if (v->OffEdge || v->Clipped)
      host_->SetControlBounds(control->Control(),
                              QRect(QPoint(totalSize.width(), totalSize.height()), items.at(i).Size));
  }
  ScrollOffset = r.ScrollOffset;
  ShowUpArrow = r.ShowUpArrow;
  ShowDownArrow = r.ShowDownArrow;
  hitIndex_ = std::move(r.HitIndex);
  hitViewers_.assign(std::size_t(count), nullptr);
  for (int i = 0; i < count; ++i)
    hitViewers_[std::size_t(i)] = Viewers(i);
  hitIndexValid_ = true;
  return changed;
}

void TTbrView::UpdatePositions(QSize &size) {
  int lines = 1;
  const bool changed =
      CalculatePositions(true, Orientation, WrapOffset, ChevronOffset, ChevronSize, BaseSize, size, lines);
  validated_ = true;
  AutoSize(size.width(), size.height());
  if (changed && host_)
    host_->Invalidate(QRect());
}

void TTbrView::Invalidate(TTbrItemViewer *viewer) {
  if (!viewer)
    return;
  viewer->NeedFullInvalidate = true;
  if (validated_ && viewer->Show && !viewer->BoundsRect.isEmpty() && !IsControl(viewer->Item) && host_)
    host_->Invalidate(viewer->BoundsRect);
}

TTbrItemViewer *TTbrView::ViewerFromPoint(const QPoint &point) const {
  if (hitIndexValid_) {
    if (TTbrItemViewer *chevron =
            GetChevronItem() && ViewerCount() > int(hitViewers_.size()) ? Viewers(ViewerCount() - 1) : nullptr)
      if (chevron->Show && chevron->BoundsRect.contains(point))
        return chevron;
    const int at = hitIndex_.Find(point);
    return at >= 0 ? hitViewers_[std::size_t(at)] : nullptr;
  }
  for (const auto &v : viewers_)
    if (v->Show && v->BoundsRect.contains(point))
      return v.get();
  return nullptr;
}

} // namespace qel::toolbars
