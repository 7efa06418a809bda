#include "toolbars/core/tbview.h"

#include "toolbars/core/tbroutines.h"
#include "toolbars/core/tbtext.h"

#include <algorithm>

namespace qel::toolbars {

namespace {

// How deep embedded groups are shown inline in their parent's view.
constexpr int MaxGroupLevel = 10;
// Width of a toolbar combo item's arrow part.
constexpr int ComboArrowWidth = 11;
// Length a drop-down arrow adds to a toolbar button.
constexpr int DropdownArrowWidth = 8;

bool HasStyle(const TTbrCustomItem *item, int style) { return (item->ItemStyle() & style) != 0; }
bool HasOption(const TTbrCustomItem *item, int option) { return (item->EffectiveOptions() & option) != 0; }
int ChildCount(const TTbrCustomItem *item) { return item->Count(); }
TTbrCustomItem *Child(const TTbrCustomItem *item, int index) { return item->Items(index); }
TTbrCustomItem *Containing(TTbrCustomItem *item) { return TTbrCustomItem::ItemContainingItems(item); }
bool IsControl(const TTbrCustomItem *item) { return dynamic_cast<const TTbrControlItem *>(item) != nullptr; }

bool SameCharIgnoringCase(char32_t a, char32_t b) {
  return QString::fromUcs4(&a, 1).compare(QString::fromUcs4(&b, 1), Qt::CaseInsensitive) == 0;
}

char32_t FirstCodePoint(const QString &text) {
  if (text.isEmpty())
    return 0;
  if (text.size() > 1 && text.at(0).isHighSurrogate() && text.at(1).isLowSurrogate())
    return QChar::surrogateToUcs4(text.at(0), text.at(1));
  return text.at(0).unicode();
}

} // namespace

// ---------------------------------------------------------------------------
// TTbrItemViewer

TTbrItemViewer::TTbrItemViewer(TTbrView *view, TTbrCustomItem *item, int groupLevel)
    : View(view), Item(item), GroupLevel(groupLevel) {}

TTbrItemViewer::~TTbrItemViewer() = default;

bool TTbrItemViewer::IsToolbarSize() const { return View->IsToolbar || HasOption(Item, tboToolbarSize); }

bool TTbrItemViewer::IsToolbarStyle() const { return View->IsToolbar || HasOption(Item, tboToolbarStyle); }

bool TTbrItemViewer::UsesSameWidth() const {
  return HasOption(Item, tboImageAboveCaption) && HasOption(Item, tboSameWidth) && IsToolbarSize();
}

QString TTbrItemViewer::GetCaptionText() const {
  const QString caption = Item->Caption();
  const qsizetype tab = caption.indexOf(u'\t');
  return tab < 0 ? caption : caption.left(tab);
}

bool TTbrItemViewer::CaptionShown() const {
  const TTbrItemDisplayMode mode = Item->DisplayMode();
  return (!GetCaptionText().isEmpty() && (!IsToolbarSize() || Item->ImageIndex() < 0 || mode == TTbrItemDisplayMode::nbdmTextOnly ||
                                          mode == TTbrItemDisplayMode::nbdmImageAndText)) ||
         HasOption(Item, tboImageAboveCaption);
}

bool TTbrItemViewer::ImageShown() const {
  const TTbrItemDisplayMode mode = Item->DisplayMode();
  return Item->ImageIndex() >= 0 &&
         (mode == TTbrItemDisplayMode::nbdmDefault || mode == TTbrItemDisplayMode::nbdmImageAndText || (IsToolbarStyle() && mode == TTbrItemDisplayMode::nbdmTextOnlyInMenus));
}

bool TTbrItemViewer::IsRotated() const {
  return View->Orientation == tbvoVertical && !HasOption(Item, tboNoRotation) &&
         !HasOption(Item, tboImageAboveCaption);
}

TTbrImageList *TTbrItemViewer::ImageList() const {
  if (Item->Images())
    return Item->Images();
  for (const TTbrView *view = View; view; view = view->ParentView()) {
    const TTbrCustomItem *shown = view->ParentItem();
    if (!shown)
      continue;
    if (shown->SubMenuImages())
      return shown->SubMenuImages();
    if (shown->Parent() && shown->Parent()->SubMenuImages())
      return shown->Parent()->SubMenuImages();
  }
  return nullptr;
}

void TTbrItemViewer::DeferredExecute(int param) {
  // An accessibility client's default action, run after its call returned:
  // select the viewer and bring it into view; in a menu session, run it.
  const bool actionable = (Show || OffEdge || Clipped) && Item->Enabled() && HasStyle(Item, tbis::Selectable);
  if (param == 1 && !actionable)
    return;
  View->Select(this, false);
  View->ScrollSelectedIntoView();
  if (param == 1 && View->InMenuMode())
    View->ExecuteSelected(false);
}

QString TTbrItemViewer::Hint(bool showShortCuts) const {
  QString hint = Item->Hint().section(u'|', 0, 0);
  if (hint.isEmpty() && (!HasStyle(Item, tbis::Submenu) || HasStyle(Item, tbis::Combo) || !CaptionShown())) {
    hint = GetCaptionText();
    if ((hint.size() >= 2 && hint.endsWith(u':')) || (hint.size() >= 4 && hint.endsWith(QStringLiteral("..."))))
      hint = TrimTrailingColonOrDots(hint);
    hint = RemoveAmpersands(hint);
  }
  if (showShortCuts && Item->ShortCut() != 0)
    hint = QStringLiteral("%1 (%2)").arg(hint, Item->ShortCutText());
  return hint;
}

void TTbrItemViewer::MeasureSize(const TTbrTextMeasure &measure, bool bold, int &width, int &height) {
  const bool toolbarStyle = IsToolbarStyle();
  const TTbrImageList *images = ImageList();
  const QSize imageSize = images ? QSize(images->Width(), images->Height()) : QSize();
  const bool imageShown = ImageShown() && images;
  const bool rotated = IsRotated();
  width = height = toolbarStyle ? 6 : 0;
  QSize text;
  if (!toolbarStyle || CaptionShown()) {
    text = measure.TextExtent(RemoveAmpersands(GetCaptionText()), bold);
    if (text.height() == 0)
      text.setHeight(measure.TextHeight(bold));
  }
  if (toolbarStyle) {
    if (CaptionShown()) {
      if (rotated) {
        width += text.height();
        height += text.width() + 6;
      } else {
        width += text.width() + 6;
        height += text.height();
      }
    }
    if (imageShown) {
      if (rotated || HasOption(Item, tboImageAboveCaption)) {
        height += imageSize.height();
        width = std::max(width, imageSize.width() + 7);
      } else {
        width += imageSize.width() + 1;
        height = std::max(height, imageSize.height() + 6);
      }
    }
    if (HasStyle(Item, tbis::Submenu)) {
      if (HasStyle(Item, tbis::Combo))
        width += ComboArrowWidth;
      else if (HasOption(Item, tboDropdownArrow))
        (View->Orientation == tbvoVertical ? height : width) += DropdownArrowWidth;
    }
    return;
  }
  height = text.height() + measure.ExternalLeading() + 4;
  if (imageShown)
    height = std::max(height, imageSize.height() + 3);
  const int imageColumn =
      imageShown && imageSize.height() + 3 > 0 ? (imageSize.width() + 3) * height / (imageSize.height() + 3) : height;
  width = text.width() + imageColumn + 6;
  const QString shortCut = Item->ShortCutText();
  if (!shortCut.isEmpty())
    width += measure.TextExtent(shortCut, bold).width() + height - 6;
  width += height; // the submenu arrow column
}

bool TTbrItemViewer::DoExecute() {
  TTbrView *root = View->GetRootView();
  root->DoneAction = {TTbrDoneAction::ClickItem, Item, View->IsPopup, 0};
  return true;
}

void TTbrItemViewer::FireSelect(TTbrItemViewer *previous) {
  (void)previous;
  Item->FireSelect(this, true);
}

void TTbrItemViewer::Leaving() { Item->FireSelect(this, false); }

int TTbrItemViewer::AccessibleRole() const {
  if (IsControl(Item))
    return 10; // client
  if (HasStyle(Item, tbis::Separator))
    return 21; // separator
  if (View->IsPopup || (View->Style & tbvsMenuBar))
    return 12; // menu item
  return HasStyle(Item, tbis::Submenu) ? 57 /* button menu */ : 43 /* push button */;
}

bool TTbrItemViewer::GetAccValue(QString &value) const {
  (void)value;
  return false;
}

bool TTbrItemViewer::PointOnButtonPart(int x, int y) const {
  (void)y;
  if (HasStyle(Item, tbis::Combo)) {
    const int arrow = IsToolbarStyle() ? ComboArrowWidth : View->Host()->Measure().MenuCheckWidth();
    return x < BoundsRect.width() - arrow;
  }
  return !HasStyle(Item, tbis::Submenu);
}

void TTbrItemViewer::KeyDown(int &key, Qt::KeyboardModifiers shift) { (void)key, (void)shift; }

void TTbrItemViewer::LosingCapture() { Invalidate(); }

void TTbrItemViewer::Invalidate() { View->Invalidate(this); }

void TTbrItemViewer::MouseDown(Qt::KeyboardModifiers shift, bool doubleClick, int x, int y, bool &mouseDownOnMenu) {
  (void)shift;
  const bool rootToolbar = View->IsToolbar && !View->ParentView();
  if (!Item->Enabled()) {
    if (rootToolbar)
      View->EndModal();
    return;
  }
  if (!PointOnButtonPart(x, y)) {
    const bool wasOpen = View->OpenViewer() == this;
    if (!View->OpenChildPopup(false))
      return;
    if (wasOpen && rootToolbar)
      mouseDownOnMenu = true;
    if (doubleClick && !HasStyle(Item, tbis::Combo)) {
      // A double click runs the opened menu's default item.
      TTbrView *popup = View->OpenViewerView();
      for (int i = 0; popup && i < popup->ViewerCount(); ++i) {
        TTbrItemViewer *v = popup->Viewers(i);
        if (v->Show && v->Item->Enabled() && v->Item->Visible() && HasStyle(v->Item, tbis::Selectable) &&
            HasOption(v->Item, tboDefault)) {
          popup->Select(v, false);
          popup->Execute(v, true);
          break;
        }
      }
    }
    return;
  }
  if (IsToolbarStyle()) {
    View->CancelChildPopups();
    View->SetCapture(true);
    Invalidate();
  }
}

void TTbrItemViewer::MouseMove(int x, int y) { (void)x, (void)y; }

void TTbrItemViewer::MouseUp(int x, int y, bool mouseWasDownOnMenu) {
  const bool hadCapture = View->Capture();
  View->CancelCapture();
  const bool rootToolbar = View->IsToolbar && !View->ParentView();
  if (View->MouseOverSelected() && View->Selected() == this && Item->Enabled() &&
      !HasStyle(Item, tbis::ClicksTransparent)) {
    if (HasStyle(Item, tbis::Submenu) && !PointOnButtonPart(x, y)) {
      if (mouseWasDownOnMenu && rootToolbar)
        View->EndModal();
    } else if (hadCapture || !IsToolbarStyle()) {
      View->Execute(this, true);
    }
  } else if (rootToolbar) {
    View->EndModal();
  }
}

void TTbrItemViewer::MouseWheel(int delta, int x, int y) { (void)delta, (void)x, (void)y; }

void TTbrSeparatorItemViewer::MeasureSize(const TTbrTextMeasure &measure, bool bold, int &width, int &height) {
  if (IsToolbarStyle()) {
    width = height = 6;
    return;
  }
  width = 0;
  height = DivideRoundingOut(measure.TextHeight(bold) * 2, 3);
}

// ---------------------------------------------------------------------------
// TTbrView: life cycle and the viewer list

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
  }
}

TTbrView::~TTbrView() {
  destroying_ = true;
  CloseChildPopups();
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
      inserted +=
          InsertItemViewers(at + inserted, Child(group, i), groupLevel + 1, addToPriority, atPriorityEnd);
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
      // A chevron popup lists what its toolbar could not show.
      const int there = i - internalAtFront_ + ChevronParentView->internalAtFront_;
      wanted = !IsControl(item) &&
               (HasStyle(item, tbis::Separator) ||
                (there >= 0 && there < ChevronParentView->ViewerCount() && ChevronParentView->Viewers(there)->OffEdge));
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

// ---------------------------------------------------------------------------
// Selection

void TTbrView::SetMenuMode(bool on) {
  if (on)
    State |= tbvsMenuMode;
  else
    State &= ~tbvsMenuMode;
}

void TTbrView::SetCapture(bool on) {
  if (on) {
    capture_ = true;
    return;
  }
  CancelCapture();
}

void TTbrView::CancelCapture() {
  if (!capture_)
    return;
  capture_ = false;
  if (selected_)
    selected_->LosingCapture();
}

void TTbrView::Select(TTbrItemViewer *viewer, bool viaMouse) {
  TTbrItemViewer *const old = selected_;
  const bool changing = viewer != old;
  if (changing) {
    if (parentView_ && parentView_->openViewer_ && parentView_->openViewer_ != parentView_->selected_) {
      TTbrView *parent = parentView_;
      parent->Select(parent->openViewer_, viaMouse);
      parent->StopTimer(TTbrViewTimer::Open);
      parent->StopTimer(TTbrViewTimer::Close);
    }
    if (InMenuMode()) {
      if (IsToolbar || !viaMouse) {
        StopTimer(TTbrViewTimer::Close);
        if (viewer != openViewer_)
          CloseChildPopups();
      } else if (openViewer_ && !TimerRunning(TTbrViewTimer::Close)) {
        StartTimer(TTbrViewTimer::Close, host_ ? host_->MenuShowDelay() : 400);
      }
    }
    CancelCapture();
    if (old)
      old->Leaving();
    selected_ = viewer;
    selectedViaMouse_ = viaMouse;
  }

  bool over = false;
  if (viewer && mousePoint_ && ViewerFromPoint(*mousePoint_) == viewer)
    over = !capture_ ||
           viewer->PointOnButtonPart(mousePoint_->x() - viewer->BoundsRect.x(), mousePoint_->y() - viewer->BoundsRect.y());

  if (!changing) {
    if (over != mouseOverSelected_) {
      mouseOverSelected_ = over;
      if (viewer && capture_ && HasStyle(viewer->Item, tbis::RedrawOnMouseOverChange))
        Invalidate(viewer);
    }
    return;
  }
  mouseOverSelected_ = over;
  if (old && HasStyle(old->Item, tbis::RedrawOnSelChange))
    Invalidate(old);
  if (viewer) {
    if (HasStyle(viewer->Item, tbis::RedrawOnSelChange))
      Invalidate(viewer);
    viewer->FireSelect(old);
  }
  NotifyFocusEvent();

  if (!InMenuMode())
    return;
  if (IsPopup) {
    StopTimer(TTbrViewTimer::Open);
    if (viaMouse && viewer && HasStyle(viewer->Item, tbis::Submenu))
      StartTimer(TTbrViewTimer::Open, host_ ? host_->MenuShowDelay() : 400);
  } else if (viewer) {
    if (viaMouse && parentView_)
      State |= tbvsDropDownMode;
    if (State & tbvsDropDownMode) {
      if (viaMouse)
        OpenChildPopup(false);
      else if (!HasStyle(viewer->Item, tbis::NoAutoOpen))
        OpenChildPopup(true);
    }
  }
}

void TTbrView::UpdateSelection(const std::optional<QPoint> &point, bool allowNewSelection) {
  TTbrItemViewer *candidate = InMenuMode() ? selected_ : nullptr;
  const bool wasInside = State & tbvsMouseInside;
  mousePoint_ = point;
  if (point) {
    State |= tbvsMouseInside;
    if (IsPopup)
      candidate = nullptr;
    if (allowNewSelection || selected_)
      if (TTbrItemViewer *under = ViewerFromPoint(*point))
        candidate = under;
  } else {
    State &= ~tbvsMouseInside;
  }
  if (capture_)
    candidate = selected_;
  if (IsPopup && !capture_ && wasInside && !point &&
      !(candidate && HasStyle(candidate->Item, tbis::Submenu) && candidate == openViewer_))
    candidate = nullptr;
  Select(candidate, true);

  if (point && ShowUpArrow && point->y() < TbrScrollArrowHeight) {
    StopTimer(TTbrViewTimer::ScrollDown);
    StartTimer(TTbrViewTimer::ScrollUp, 100);
  } else if (point && ShowDownArrow && point->y() >= MaxHeight - TbrScrollArrowHeight) {
    StopTimer(TTbrViewTimer::ScrollUp);
    StartTimer(TTbrViewTimer::ScrollDown, 100);
  } else {
    StopTimer(TTbrViewTimer::ScrollUp);
    StopTimer(TTbrViewTimer::ScrollDown);
  }
}

TTbrItemViewer *TTbrView::NextSelectable(TTbrItemViewer *from, bool goForward) const {
  const int n = ViewerCount();
  if (n == 0)
    return nullptr;
  int i = from ? IndexOf(from) : -1;
  if (i < 0)
    i = goForward ? -1 : n;
  for (int step = 0; step < n; ++step) {
    i = goForward ? (i + 1) % n : (i - 1 + n) % n;
    TTbrItemViewer *v = Viewers(i);
    if ((v->Show || v->Clipped) && HasStyle(v->Item, tbis::Selectable) && v->Item->Visible())
      return v;
  }
  return nullptr;
}

TTbrItemViewer *TTbrView::FirstSelectable() const {
  TTbrItemViewer *first = NextSelectable(nullptr, true);
  for (TTbrItemViewer *v = first; v;) {
    if (!HasStyle(v->Item, tbis::DontSelectFirst))
      return v;
    v = NextSelectable(v, true);
    if (v == first)
      break;
  }
  return first;
}

TTbrItemViewer *TTbrView::NextViewerWithAccel(TTbrItemViewer *from, char32_t ch, bool acceleratorsOnly,
                                              bool &unique) const {
  unique = false;
  const int n = ViewerCount();
  if (n == 0)
    return nullptr;
  const auto candidate = [](const TTbrItemViewer *v) {
    return (v->Show || v->Clipped) && HasStyle(v->Item, tbis::Selectable) && v->Item->Visible() && v->CaptionShown();
  };
  // pass 0: accelerators of enabled items; 1: of disabled items; 2: first
  // characters of captions without an accelerator.
  const auto matches = [&](const TTbrItemViewer *v, int pass) {
    if (!candidate(v))
      return false;
    const QString caption = v->GetCaptionText();
    const char32_t accel = AccelCharOf(caption);
    if (pass < 2)
      return accel != 0 && v->Item->Enabled() == (pass == 0) && SameCharIgnoringCase(accel, ch);
    return accel == 0 && ch != U' ' && SameCharIgnoringCase(FirstCodePoint(RemoveAmpersands(caption)), ch);
  };
  const auto search = [&](int start, int pass) -> TTbrItemViewer * {
    int i = start;
    for (int step = 0; step < n; ++step) {
      i = (i + 1) % n;
      if (matches(Viewers(i), pass))
        return Viewers(i);
    }
    return nullptr;
  };
  const int start = from ? std::max(IndexOf(from), -1) : -1;
  const int start0 = start < 0 ? n - 1 : start;
  for (int pass = 0; pass < (acceleratorsOnly ? 2 : 3); ++pass) {
    TTbrItemViewer *found = search(start0, pass);
    if (!found)
      continue;
    unique = pass == 1 || search(IndexOf(found), pass) == found;
    return found;
  }
  return nullptr;
}

void TTbrView::ExecuteSelected(bool withPriority) {
  if (selected_ && selected_->Item->Enabled()) {
    if (!HasStyle(selected_->Item, tbis::Combo) && OpenChildPopup(true))
      return;
    if (HasStyle(selected_->Item, tbis::Selectable)) {
      Execute(selected_, withPriority);
      return;
    }
  }
  EndModal();
}

void TTbrView::Execute(TTbrItemViewer *viewer, bool withPriority) {
  if (viewer->DoExecute() && withPriority)
    GivePriority(viewer);
}

void TTbrView::GivePriority(TTbrItemViewer *viewer) {
  if (ChevronParentView) {
    const int there = IndexOf(viewer) - internalAtFront_ + ChevronParentView->internalAtFront_;
    if (there >= 0 && there < ChevronParentView->ViewerCount())
      ChevronParentView->GivePriority(ChevronParentView->Viewers(there));
  } else if (usePriorityList_) {
    const qsizetype at = priority_.indexOf(viewer);
    if (at > 0)
      priority_.move(at, 0);
    if (!validated_ || viewer->OffEdge) {
      QSize size;
      UpdatePositions(size);
    }
  }
  if (parentView_ && parentView_->openViewer_)
    parentView_->GivePriority(parentView_->openViewer_);
}

void TTbrView::ShowAccelerators(bool force) {
  const bool shown = force || !(Style & tbvsHideAccelsUntilKeyboard) || (host_ && host_->KeyboardCuesOn());
  if (shown == bool(State & tbvsAccelsShown))
    return;
  State ^= tbvsAccelsShown;
  if (host_ && host_->WindowVisible())
    for (const auto &v : viewers_)
      if (AccelCharOf(v->GetCaptionText()) != 0)
        Invalidate(v.get());
}

void TTbrView::EndModal() {
  TTbrView *root = GetRootView();
  if (root->host_)
    root->host_->EndModal();
}

void TTbrView::NotifyFocusEvent() {
  if (!(InMenuMode() || GetRootView()->InMenuMode()) || !host_ || !host_->WindowVisible())
    return;
  if (!selected_ && parentView_) {
    parentView_->NotifyFocusEvent();
    return;
  }
  int child = 0;
  if (selected_) {
    for (const auto &v : viewers_) {
      if (v->Show || v->OffEdge || v->Clipped)
        ++child;
      if (v.get() == selected_)
        break;
    }
  }
  host_->FocusEvent(child);
}

// ---------------------------------------------------------------------------
// Popups, scrolling and timers

bool TTbrView::OpenChildPopup(bool selectFirstItem) {
  StopTimer(TTbrViewTimer::Open);
  StopTimer(TTbrViewTimer::Close);
  if (selected_ != openViewer_) {
    CloseChildPopups();
    if (selected_ && selected_->Item->Enabled() && HasStyle(selected_->Item, tbis::Submenu) && host_) {
      TTbrItemViewer *opening = selected_;
      if (TTbrView *popup = host_->OpenPopup(this, opening, !IsToolbar, selectFirstItem)) {
        openViewer_ = opening;
        openViewerView_ = popup;
        if (IsToolbar) {
          State |= tbvsDropDownMode;
          Invalidate(opening);
        }
      }
    }
  }
  return openViewer_ != nullptr;
}

void TTbrView::CloseChildPopups() {
  if (openViewerView_)
    openViewerView_->CloseChildPopups();
  StopTimer(TTbrViewTimer::Close);
  if (TTbrView *popup = openViewerView_) {
    if (host_)
      host_->ClosePopup(popup);
  }
  openViewer_ = nullptr;
  openViewerView_ = nullptr;
}

void TTbrView::CancelChildPopups() {
  if (IsToolbar)
    State &= ~tbvsDropDownMode;
  CloseChildPopups();
}

void TTbrView::Scroll(bool down) {
  QList<TTbrLayoutItem> items(ViewerCount());
  QList<TTbrLayoutPlace> places(ViewerCount());
  for (int i = 0; i < ViewerCount(); ++i) {
    const TTbrItemViewer *v = Viewers(i);
    if (HasStyle(v->Item, tbis::Separator))
      items[i].Flags |= TTbrLayoutItem::Separator;
    places[i] = {v->BoundsRect, v->Show, v->OffEdge, v->Clipped, v->LineSep};
  }
  const int offset = ScrollStepOffset(items, places, MaxHeight, ScrollOffset, down);
  if (offset < 0)
    return;
  ScrollOffset = offset;
  QSize size;
  UpdatePositions(size);
}

void TTbrView::ScrollSelectedIntoView() {
  if (!selected_ || !selected_->Clipped)
    return;
  ScrollOffset = ScrollIntoViewOffset(selected_->BoundsRect, MaxHeight, ScrollOffset);
  QSize size;
  UpdatePositions(size);
}

void TTbrView::StartTimer(TTbrViewTimer timer, int milliseconds) {
  if (!IsPopup || TimerRunning(timer))
    return;
  timers_ |= 1 << int(timer);
  if (host_)
    host_->StartTimer(timer, milliseconds);
}

void TTbrView::StopTimer(TTbrViewTimer timer) {
  if (!TimerRunning(timer))
    return;
  timers_ &= ~(1 << int(timer));
  if (host_)
    host_->StopTimer(timer);
}

void TTbrView::TimerFired(TTbrViewTimer timer) {
  switch (timer) {
  case TTbrViewTimer::Open:
    StopTimer(timer);
    CloseChildPopups();
    OpenChildPopup(false);
    break;
  case TTbrViewTimer::Close:
    StopTimer(timer);
    CloseChildPopups();
    break;
  case TTbrViewTimer::ScrollUp:
  case TTbrViewTimer::ScrollDown:
    Scroll(timer == TTbrViewTimer::ScrollDown);
    break;
  }
}

// ---------------------------------------------------------------------------
// Keyboard and mouse

void TTbrView::SetToolbarSelection(bool forward) {
  Select(NextSelectable(selected_, forward), false);
  ScrollSelectedIntoView();
}

void TTbrView::KeyDown(int &key, Qt::KeyboardModifiers shift) {
  TTbrView *toolbar = GetParentToolbarView();
  const bool verticalToolbar = IsToolbar && Orientation == tbvoVertical;
  switch (key) {
  case Qt::Key_Tab:
  case Qt::Key_Backtab:
    SetToolbarSelection(key == Qt::Key_Tab && !(shift & Qt::ShiftModifier));
    break;
  case Qt::Key_Return:
  case Qt::Key_Enter:
    ExecuteSelected(true);
    break;
  case Qt::Key_Escape:
    if (parentView_)
      parentView_->CancelChildPopups();
    else
      EndModal();
    break;
  case Qt::Key_Alt:
  case Qt::Key_F10:
    EndModal();
    break;
  case Qt::Key_Home:
  case Qt::Key_End:
    Select(NextSelectable(nullptr, key == Qt::Key_Home), false);
    ScrollSelectedIntoView();
    break;
  case Qt::Key_Left:
  case Qt::Key_Right: {
    if (verticalToolbar) {
      OpenChildPopup(true);
      break;
    }
    const bool left = key == Qt::Key_Left;
    const bool horizontalToolbar = toolbar && toolbar->Orientation != tbvoVertical;
    if (left) {
      if (!horizontalToolbar) {
        if (parentView_)
          parentView_->CloseChildPopups();
      } else if (toolbar == this) {
        SetToolbarSelection(false);
      } else if (parentView_ == toolbar) {
        toolbar->SetToolbarSelection(false);
      } else if (parentView_) {
        parentView_->CloseChildPopups();
      }
    } else if (toolbar == this || !OpenChildPopup(true)) {
      if (horizontalToolbar)
        toolbar->SetToolbarSelection(true);
    }
    break;
  }
  case Qt::Key_Up:
  case Qt::Key_Down:
    if (IsPopup || verticalToolbar)
      SetToolbarSelection(key == Qt::Key_Down);
    else
      OpenChildPopup(true);
    break;
  case Qt::Key_F1: {
    for (TTbrView *view = this; view; view = view->parentView_)
      if (view->selected_ && view->selected_->Item->HelpContext() != 0) {
        GetRootView()->DoneAction = {TTbrDoneAction::Help, nullptr, false, view->selected_->Item->HelpContext()};
        EndModal();
        break;
      }
    break;
  }
  default:
    return;
  }
  key = 0;
}

TTbrItemViewer *TTbrView::ViewerUnderMouse(const QPoint &point) const {
  if (capture_)
    return selected_;
  if (selected_ && ViewerFromPoint(point) == selected_)
    return selected_;
  return nullptr;
}

void TTbrView::HandleMouseMove(const QPoint &point) {
  UpdateSelection(point, true);
  if (TTbrItemViewer *v = ViewerUnderMouse(point))
    v->MouseMove(point.x() - v->BoundsRect.x(), point.y() - v->BoundsRect.y());
}

void TTbrView::HandleMouseDown(const QPoint &point, Qt::KeyboardModifiers shift, bool doubleClick) {
  State &= ~tbvsJustOpenedAtPoint;
  UpdateSelection(point, true);
  mouseDownOnMenu_ = false;
  if (TTbrItemViewer *v = ViewerUnderMouse(point))
    v->MouseDown(shift, doubleClick, point.x() - v->BoundsRect.x(), point.y() - v->BoundsRect.y(), mouseDownOnMenu_);
}

void TTbrView::HandleMouseUp(const QPoint &point) {
  UpdateSelection(point, false);
  if (TTbrItemViewer *v = ViewerUnderMouse(point))
    v->MouseUp(point.x() - v->BoundsRect.x(), point.y() - v->BoundsRect.y(), mouseDownOnMenu_);
  else if (IsToolbar && !parentView_)
    EndModal();
  mouseDownOnMenu_ = false;
}

bool TTbrView::HandleChar(char32_t ch) {
  bool unique = false;
  TTbrItemViewer *v = NextViewerWithAccel(selected_, ch, false, unique);
  if (!v)
    return false;
  Select(v, false);
  ScrollSelectedIntoView();
  if (unique)
    ExecuteSelected(true);
  return true;
}

} // namespace qel::toolbars
