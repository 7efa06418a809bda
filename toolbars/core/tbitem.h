#pragma once
// The toolbar item tree. Every toolbar button and menu entry is an item: it
// holds its own properties and an ordered list of child items, and never
// paints itself. Whatever shows an item's children (views, popups) registers
// with that item and hears of every change through one notification channel:
// one notification per change, none when a value is set to what it already is.
//
// Ownership: an item owns its children. Deleting an item deletes its
// children (last first) and takes it out of its parent; Delete and Remove
// take a child out without freeing it.

#include "toolbars/core/popupplacement.h"
#include "toolbars/core/tbdeferred.h"
#include "toolbars/core/tbimagelist.h"
#include "toolbars/core/tbshortcut.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace qel::toolbars {

class TTbrAction;
class TTbrCustomItem;
class TTbrCustomItemActionLink;
class TTbrItemViewer;
class TTbrView;

// The one error of the item tree (and of the views built on it).
class ETBItemError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};
inline constexpr const char *SItemIndexOutOfRange = "Toolbar item index out of range";
inline constexpr const char *SItemAlreadyInserted = "Toolbar item already inserted";

// What a notification says, in this numeric order.
enum class TTbrItemChangeKind : int {
  Inserted,             // Index, Item: Item now sits at Index
  Deleting,             // Index, Item: Item is about to leave Index
  SubitemsChanged,      // the children shown for the item changed wholesale (linked subitems)
  SubitemsBeginUpdate,  // a group of changes begins
  SubitemsEndUpdate,    // ... and ends
  Invalidate,           // Item looks different; its size is unchanged
  InvalidateAndResize,  // Item's size may have changed
  RecreateViewers,      // Item wants new viewers
  NameChanged,          // Item was renamed
  SubMenuImagesChanged, // the item's SubMenuImages changed
};
inline constexpr int ItemChangeKindCount = 10;

enum class TTbrItemDisplayMode { nbdmDefault, nbdmTextOnly, nbdmTextOnlyInMenus, nbdmImageAndText };

// Item options, a 16-bit set in this bit order.
using TTbrItemOptions = quint16;
enum TTbrItemOption : TTbrItemOptions {
  tboDefault = 1u << 0,
  tboDropdownArrow = 1u << 1,
  tboImageAboveCaption = 1u << 2,
  tboLongHintInMenuOnly = 1u << 3,
  tboNoRotation = 1u << 4,
  tboSameWidth = 1u << 5,
  tboShowHint = 1u << 6,
  tboToolbarStyle = 1u << 7,
  tboToolbarSize = 1u << 8,
};
// tboToolbarSize means nothing without tboToolbarStyle: it is dropped.
constexpr TTbrItemOptions NormalizedItemOptions(TTbrItemOptions options) {
  return (options & tboToolbarStyle) ? options : TTbrItemOptions(options & ~tboToolbarSize);
}

// Behaviour flags that the item classes set in their constructors and that
// viewers, views and the menu loop read (a 16-bit set).
using TTbrItemStyle = quint16;
namespace tbis {
enum : TTbrItemStyle {
  Submenu = 1u << 0,                  // opens a popup of its children
  Selectable = 1u << 1,               // selection may land on it
  Separator = 1u << 2,                // skipped for selection; a divider for layout
  EmbeddedGroup = 1u << 3,            // its children show inline in the parent's view; notifications relayed up
  ClicksTransparent = 1u << 4,        // a press on it in the root toolbar ends the menu loop; a release runs nothing
  Combo = 1u << 5,                    // submenu with a separate arrow part; opening it does not click
  NoAutoOpen = 1u << 6,               // keyboard selection in drop-down mode does not open its popup
  SubitemsEditable = 1u << 7,         // set by submenu items
  NoLineBreak = 1u << 8,              // separator: a break inside the group before it does not force one here
  RightAlign = 1u << 9,               // it and all after it go to the line's end
  DontSelectFirst = 1u << 10,         // skipped when a popup selects its first item
  RedrawOnSelChange = 1u << 11,       // repainted when selection enters or leaves it
  RedrawOnMouseOverChange = 1u << 12, // repainted when the mouse enters or leaves it while captured
  Stretch = 1u << 13,                 // stretched across the line's thickness in toolbar layouts
};
}

// A receiver of an item's notifications (a view registers one per item it
// watches). `sender` is the item whose change it is; `relayed` is true when
// that is not the item registered with (an embedded group passing it on).
class TTbrItemNotifyHandler {
public:
  virtual ~TTbrItemNotifyHandler() = default;
  virtual void ItemNotification(TTbrCustomItem *sender, bool relayed, TTbrItemChangeKind kind, int index,
                                TTbrCustomItem *item) = 0;
  // The item registered with is being destroyed; the registration is gone
  // already. Called once per item however often the handler registered.
  virtual void ItemDestroying(TTbrCustomItem *) {}
};

// A handler made of a function, for small users and tests.
class TTbrItemNotifyFunction : public TTbrItemNotifyHandler {
public:
  using TFunction = std::function<void(TTbrCustomItem *sender, bool relayed, TTbrItemChangeKind kind, int index,
                                       TTbrCustomItem *item)>;
  explicit TTbrItemNotifyFunction(TFunction function) : Function(std::move(function)) {}
  void ItemNotification(TTbrCustomItem *sender, bool relayed, TTbrItemChangeKind kind, int index,
                        TTbrCustomItem *item) override {
    if (Function)
      Function(sender, relayed, kind, index, item);
  }

private:
  TFunction Function;
};

// What owns a root item (a toolbar, a popup menu): items added to such an
// owner go below its root.
class ITBItemsProvider {
public:
  virtual ~ITBItemsProvider() = default;
  virtual TTbrCustomItem *GetItems() = 0;
};

using TTbrNotifyEvent = std::function<void(TTbrCustomItem *sender)>;
using TTbrPopupEvent = std::function<void(TTbrCustomItem *sender, bool fromLink)>;
using TTbrSelectEvent = std::function<void(TTbrCustomItem *sender, TTbrItemViewer *viewer, bool selecting)>;

// The window an item's popup opens in; the Qt popup factory makes it.
enum TTbrPopupWindowClass : int {
  pwcStandard = 0,      // the framework's plain popup window
  pwcThemed = 1,        // a themed popup (menu, list or tool box by its item)
  pwcThemedChevron = 2, // a themed chevron popup
};

// Makes the viewer that shows an item in a view; see TTbrCustomItem::ViewerClass.
using TTbrViewerFactory = TTbrItemViewer *(*)(TTbrView *view, TTbrCustomItem *item, int groupLevel);

// The properties an action can supply to an item.
enum class TTbrActionProperty {
  AutoCheck, Caption, Checked, Enabled, HelpContext, Hint, ImageIndex, ShortCut, Visible, OnExecute,
};

class TTbrCustomItem : public TTbrDeferredTarget {
public:
  TTbrCustomItem();
  ~TTbrCustomItem() override;
  TTbrCustomItem(const TTbrCustomItem &) = delete;
  TTbrCustomItem &operator=(const TTbrCustomItem &) = delete;

  // --- published properties (defaults in the member initialisers) ---
  TTbrAction *Action() const;
  void SetAction(TTbrAction *action);
  bool AutoCheck() const { return FAutoCheck; }
  void SetAutoCheck(bool value) { FAutoCheck = value; }
  const QString &Caption() const { return FCaption; }
  void SetCaption(const QString &value);
  bool Checked() const { return FChecked; }
  void SetChecked(bool value);
  TTbrItemDisplayMode DisplayMode() const { return FDisplayMode; }
  void SetDisplayMode(TTbrItemDisplayMode value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  int GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int value);
  int HelpContext() const { return FHelpContext; }
  void SetHelpContext(int value) { FHelpContext = value; }
  const QString &Hint() const { return FHint; }
  void SetHint(const QString &value) { FHint = value; }
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value);
  TTbrImageList *Images() const { return FImages; }
  void SetImages(TTbrImageList *value);
  bool InheritOptions() const { return FInheritOptions; }
  void SetInheritOptions(bool value);
  TTbrCustomItem *LinkSubitems() const { return FLinkSubitems; }
  void SetLinkSubitems(TTbrCustomItem *value);
  TTbrItemOptions MaskOptions() const { return FMaskOptions; }
  void SetMaskOptions(TTbrItemOptions value);
  TTbrItemOptions Options() const { return FOptions; }
  void SetOptions(TTbrItemOptions value);
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut value) { FShortCut = value; }
  TTbrImageList *SubMenuImages() const { return FSubMenuImages; }
  void SetSubMenuImages(TTbrImageList *value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);

  const TTbrNotifyEvent &OnClick() const { return FOnClick; }
  void SetOnClick(TTbrNotifyEvent handler);
  const TTbrPopupEvent &OnPopup() const { return FOnPopup; }
  void SetOnPopup(TTbrPopupEvent handler) { FOnPopup = std::move(handler); }
  const TTbrSelectEvent &OnSelect() const { return FOnSelect; }
  void SetOnSelect(TTbrSelectEvent handler) { FOnSelect = std::move(handler); }

  // The component name; a new one is announced (NameChanged) through the parent.
  const QString &Name() const { return FName; }
  void SetName(const QString &name);

  // Whether a property would be written out with the item: not while an
  // action supplies it.
  bool IsStored(TTbrActionProperty property) const;

  // --- further state ---
  TTbrCustomItem *Parent() const { return FParent; }
  TTbrItemOptions EffectiveOptions() const { return FEffectiveOptions; }
  TTbrItemStyle ItemStyle() const { return FItemStyle; }
  bool HasStyle(TTbrItemStyle flags) const { return (FItemStyle & flags) != 0; }
  // Items whose LinkSubitems points here.
  const QList<TTbrCustomItem *> &LinkParents() const { return FLinkParents; }
  TTbrCustomItemActionLink *ActionLink() const { return FActionLink.get(); }
  // The toolbar or popup menu that owns a root item; for an item directly
  // below such a root, that same owner; else nil.
  ITBItemsProvider *ParentComponent() const;
  // Leaves the old parent, then goes below `item`, or below the root of `provider`.
  void SetParentComponent(TTbrCustomItem *item);
  void SetParentComponent(ITBItemsProvider *provider);
  // Marks a root item as owned by `provider` (no move).
  void SetRootOwner(ITBItemsProvider *provider) { FRootOwner = provider; }

  // --- child list ---
  int Count() const { return int(FItems.size()); }
  TTbrCustomItem *Items(int index) const;
  TTbrCustomItem *operator[](int index) const { return Items(index); }
  void Add(TTbrCustomItem *item) { Insert(Count(), item); }
  void Insert(int index, TTbrCustomItem *item);
  void Delete(int index);
  int IndexOf(const TTbrCustomItem *item) const;
  void Remove(TTbrCustomItem *item);
  void Move(int curIndex, int newIndex);
  // Form-loading order: moves the child to `order` (ignored when not a child).
  void SetChildOrder(TTbrCustomItem *child, int order);
  // Enumerates the children in order.
  void GetChildren(const std::function<void(TTbrCustomItem *)> &proc) const;
  // The item whose children are shown for `item`: its LinkSubitems when set, else itself.
  static TTbrCustomItem *ItemContainingItems(TTbrCustomItem *item);

  // --- notifications ---
  // Registering an equal handler again only counts it up; unregistering
  // counts down and drops it at zero.
  void RegisterNotification(TTbrItemNotifyHandler *handler);
  void UnregisterNotification(TTbrItemNotifyHandler *handler);
  int NotificationCount(const TTbrItemNotifyHandler *handler) const;

  // --- commands ---
  virtual void Click();
  // Clicks later, after the input being handled now: see TTbrDeferredQueue.
  void QueueClick(int param = 0) { QueueDeferred(this, param); }
  virtual void FirePopup(TTbrCustomItem *sender, bool fromLink);
  virtual void InitiateAction();
  // Tells the item's OnSelect (viewers do when selection enters or leaves it).
  void FireSelect(TTbrItemViewer *viewer, bool selecting);
  // The shortcut text shown beside the caption: the caption's text after its
  // first tab, else the text of ShortCut, else empty.
  QString ShortCutText() const;

  // Depth-first search of the children shown for this item; `topItem` gets
  // the top-level child on the path (nil when the found item is a direct
  // child). Following a LinkSubitems counts one level; a branch ends past
  // 25 such levels.
  TTbrCustomItem *FindItemByShortCut(TShortCut shortCut, TTbrCustomItem **topItem = nullptr);
  // Runs the item holding the shortcut, opening (firing OnPopup of) each
  // item on the path first; False when none is found or one is disabled.
  bool DispatchShortCut(TShortCut shortCut);

  // --- hooks for the views and popups built on the tree ---
  // Views call ItemContainingItems before listing children.
  // The view whose overflow button this item is; nil for ordinary items.
  virtual TTbrView *ChevronParentView() const { return nullptr; }
  // How a view makes this item's viewer; nil means the stock viewer
  // (TTbrItemViewer; TTbrSeparatorItemViewer for a separator item).
  virtual TTbrViewerFactory ViewerClass(TTbrView *) const { return nullptr; }
  // True when a view should make a new viewer for the item before measuring it.
  virtual bool NeedsViewerRecreate(TTbrItemViewer *) const { return false; }
  // The window class of the item's popup.
  virtual int PopupWindowClass() const { return pwcStandard; }
  // Whether the item's popup opens with its first entry selected, when the
  // opener asks for `requested`.
  virtual bool SelectFirstPopupItem(bool requested) const { return requested; }
  // Adjusts where the item's popup opens (themed items place theirs their
  // own way); true when the popup's view is to open its submenus leftward.
  virtual bool PlacePopup(TTbrPopupPlacement &data, const TTbrPopupParentView &parent) {
    return qel::toolbars::PlacePopup(data, parent);
  }

  // Everything an action link supplies, copied from the action; with
  // `checkDefaults` only into values still at their defaults.
  void ActionChange(TTbrAction *sender, bool checkDefaults);
  // Whether OnClick is the action's OnExecute (copied from the action), so
  // that a click runs the action rather than a handler of the item's own.
  bool OnClickFromAction() const { return FOnClickFromAction; }

protected:
  // Tells whoever shows this item (the parent's viewers) that it looks different.
  virtual void Change(bool needResize);
  virtual void EnabledChanged() { Change(false); }
  void Notify(TTbrItemChangeKind kind, int index, TTbrCustomItem *item);
  void SetItemStyle(TTbrItemStyle style) { FItemStyle = style; }
  void DeferredExecute(int param) override;

private:
  friend class TTbrCustomItemActionLink;
  friend class TTbrAction;
  void DetachChild(int index);
  void SetImageList(TTbrImageList *&field, std::unique_ptr<TTbrImageChangeLink> &link, TTbrImageList *value,
                    bool subMenu);
  void NotifyFrom(TTbrItemChangeKind kind, int index, TTbrCustomItem *item, TTbrCustomItem *origin, int depth);
  void RecalcEffectiveOptions();
  void ClearGroupSiblings();
  void ImagesChanged();
  void SubMenuImagesChanged();
  void LinkTargetDestroying();
  void ActionDestroying();
  TTbrCustomItem *FindItemByShortCutFrom(TShortCut shortCut, TTbrCustomItem **topItem, int linkDepth);

  struct TNotifyEntry {
    TTbrItemNotifyHandler *Handler;
    int Count;
  };

  QString FName;
  QString FCaption;
  QString FHint;
  TTbrNotifyEvent FOnClick;
  TTbrPopupEvent FOnPopup;
  TTbrSelectEvent FOnSelect;
  TTbrCustomItem *FParent = nullptr;
  TTbrCustomItem *FLinkSubitems = nullptr;
  ITBItemsProvider *FRootOwner = nullptr;
  std::vector<TTbrCustomItem *> FItems;
  std::vector<TNotifyEntry> FNotifyList;
  QList<TTbrCustomItem *> FLinkParents;
  std::unique_ptr<TTbrCustomItemActionLink> FActionLink;
  TTbrImageList *FImages = nullptr;
  TTbrImageList *FSubMenuImages = nullptr;
  std::unique_ptr<TTbrImageChangeLink> ImagesLink;
  std::unique_ptr<TTbrImageChangeLink> SubMenuImagesLink;
  int FGroupIndex = 0;
  int FHelpContext = 0;
  int FImageIndex = -1;
  TShortCut FShortCut = 0;
  TTbrItemOptions FOptions = 0;
  TTbrItemOptions FMaskOptions = 0;
  TTbrItemOptions FEffectiveOptions = 0;
  TTbrItemStyle FItemStyle = tbis::Selectable | tbis::RedrawOnSelChange | tbis::RedrawOnMouseOverChange;
  TTbrItemDisplayMode FDisplayMode = TTbrItemDisplayMode::nbdmDefault;
  bool FAutoCheck = false;
  bool FChecked = false;
  bool FEnabled = true;
  bool FVisible = true;
  bool FInheritOptions = true;
  bool FOnClickFromAction = false;
  bool FDestroying = false;
};

// The invisible root of a toolbar's or popup menu's items.
class TTbrRootItem : public TTbrCustomItem {};

// A divider between items; not selectable.
class TTbrSeparatorItem : public TTbrCustomItem {
public:
  TTbrSeparatorItem();
  // A blank separator takes its place but draws no line.
  bool Blank() const { return FBlank; }
  void SetBlank(bool value);

private:
  bool FBlank = false;
};

// Hosts an ordinary control on a toolbar. The control is freed with the
// item unless KeepControl is set; a control destroyed elsewhere is cleared.
class TTbrControlItem : public TTbrCustomItem {
public:
  TTbrControlItem();
  explicit TTbrControlItem(QObject *control);
  ~TTbrControlItem() override;
  QObject *Control() const { return FControl; }
  void SetControl(QObject *control);
  bool KeepControl() const { return FKeepControl; }
  void SetKeepControl(bool keep) { FKeepControl = keep; }

private:
  QObject *FControl = nullptr;
  QMetaObject::Connection DestroyedConnection;
  bool FKeepControl = false;
};

} // namespace qel::toolbars
