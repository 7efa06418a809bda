#pragma once
// Views and item viewers. A view is the arrangement of one item's children
// in one window (a toolbar, a menu bar or a popup); it owns one viewer per
// shown item, lays them out (tblayout.h), keeps the selection and the
// mouse-over state, and turns keys and mouse events into selection changes,
// opened submenus and chosen commands. A popup's view has the view it was
// opened from as parent, so navigation walks up and down the chain. Views
// follow the item tree through its notifications and reach their window only
// through TTbrViewHost, so all of this runs without a window.

#include "toolbars/core/tbaccobject.h"
#include "toolbars/core/tbdoneaction.h"
#include "toolbars/core/tbitem.h"
#include "toolbars/core/tblayout.h"
#include "toolbars/core/tbviewhost.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace qel::toolbars {

class TCanvas;
class TTbrMenuLoop;
class TTbrView;

class TTbrItemViewer : public TTbrDeferredTarget {
public:
  TTbrItemViewer(TTbrView *view, TTbrCustomItem *item, int groupLevel);
  ~TTbrItemViewer() override;
  TTbrItemViewer(const TTbrItemViewer &) = delete;
  TTbrItemViewer &operator=(const TTbrItemViewer &) = delete;

  TTbrView *const View;
  TTbrCustomItem *const Item;
  const int GroupLevel; // nesting depth inside embedded groups; 0 for direct children
  QRect BoundsRect;     // in the view window's client coordinates
  bool Show = false;    // laid out and visible
  bool OffEdge = false; // hidden because the line was too short; listed by the chevron
  bool Clipped = false; // hidden under a popup scroll arrow
  bool NeedFullInvalidate = false;
  bool LineSep = false; // a separator that ends a wrapped line
  // The object accessibility clients were given for this viewer, if any.
  TTbrAccessibleLink *AccObject = nullptr;

  virtual void MeasureSize(const TTbrTextMeasure &measure, bool bold, int &width, int &height);
  // Records a click of the item as the root view's done action.
  virtual bool DoExecute();
  virtual void FireSelect(TTbrItemViewer *previous);
  virtual int AccessibleRole() const;
  virtual bool GetAccValue(QString &value) const;
  virtual QString GetCaptionText() const;
  virtual bool IsToolbarSize() const;
  virtual bool PointOnButtonPart(int x, int y) const;
  virtual void KeyDown(int &key, Qt::KeyboardModifiers shift);
  virtual void Leaving();
  virtual void LosingCapture();
  // Coordinates are relative to the viewer's rectangle.
  virtual void MouseDown(Qt::KeyboardModifiers shift, bool doubleClick, int x, int y, bool &mouseDownOnMenu);
  virtual void MouseMove(int x, int y);
  virtual void MouseUp(int x, int y, bool mouseWasDownOnMenu);
  virtual void MouseWheel(int delta, int x, int y);
  // The pointer over a point of the viewer (relative to its bounds).
  virtual Qt::CursorShape GetCursor(int x, int y) const {
    (void)x, (void)y;
    return Qt::ArrowCursor;
  }
  virtual bool UsesSameWidth() const;
  virtual bool IsToolbarStyle() const;
  // Paints the viewer into `clientAreaRect` (its bounds, view client
  // coordinates, clipped to them). The stock viewers leave it to the view's
  // look and answer false; viewers that draw themselves answer true.
  virtual bool Paint(TCanvas &canvas, const QRect &clientAreaRect, bool isHoverItem, bool isPushed,
                     bool useDisabledShadow) {
    (void)canvas, (void)clientAreaRect, (void)isHoverItem, (void)isPushed, (void)useDisabledShadow;
    return false;
  }

  bool CaptionShown() const;
  bool ImageShown() const;
  // Whether an accessibility client may act on the viewer: it is laid out
  // (shown, off the edge or clipped), its item enabled and selectable, and
  // its window takes input.
  bool AccActionable() const;
  bool IsRotated() const;
  // The image list the viewer draws from: the item's, else the submenu
  // images of the items shown by the views up the chain.
  TTbrImageList *ImageList() const;
  // The hint: the short part of the item's hint, else the caption without
  // a trailing colon or ellipsis and without accelerator marks.
  QString Hint(bool showShortCuts = false) const;
  // The hint at a point of the viewer (relative to its bounds) and the
  // rectangle it holds for (view client coordinates): the viewer's hint over
  // all of it, unless its parts have hints of their own.
  virtual QString HintAt(const QPoint &local, QRect &rect) const {
    (void)local;
    rect = BoundsRect;
    return Hint();
  }

protected:
  void Invalidate();
  void DeferredExecute(int param) override;
};

// A separator: 6 x 6 on toolbars, a thin band in menus.
class TTbrSeparatorItemViewer : public TTbrItemViewer {
public:
  using TTbrItemViewer::TTbrItemViewer;
  void MeasureSize(const TTbrTextMeasure &measure, bool bold, int &width, int &height) override;
  bool UsesSameWidth() const override { return false; }
};

// Bits of TTbrView::Style.
enum TTbrViewStyle : int {
  tbvsMenuBar = 1 << 0,
  tbvsHideAccelsUntilKeyboard = 1 << 1,
  tbvsShowHints = 1 << 2,
};

// Bits of TTbrView::State.
enum TTbrViewState : int {
  tbvsMenuMode = 1 << 0,
  tbvsMouseInside = 1 << 1,
  tbvsShowing = 1 << 2,
  tbvsOpenLeft = 1 << 3,
  tbvsJustOpenedAtPoint = 1 << 4,
  tbvsAccelsShown = 1 << 5,
  tbvsDropDownMode = 1 << 6,
  tbvsChildPopupClosed = 1 << 7,
};

// What kind of window shows the view (thmtypes.h vt::): its host's answer,
// 0 for no view or a view without a host.
int GetViewType(const TTbrView *view);

class TTbrView {
public:
  TTbrView(TTbrViewHost *host, TTbrView *parentView, TTbrCustomItem *parentItem, bool isToolbar,
           bool customizing = false, bool usePriorityList = false);
  virtual ~TTbrView();
  TTbrView(const TTbrView &) = delete;
  TTbrView &operator=(const TTbrView &) = delete;

  // The chain.
  TTbrViewHost *Host() const { return host_; }
  TTbrView *ParentView() const { return parentView_; }
  TTbrView *GetRootView();
  // The nearest toolbar view up the chain, this one included; nullptr when none.
  TTbrView *GetParentToolbarView();
  TTbrCustomItem *ParentItem() const { return parentItem_; }
  TTbrCustomItem *CurParentItem() const { return curParentItem_; }

  // Viewers in display order.
  int ViewerCount() const { return int(viewers_.size()); }
  TTbrItemViewer *Viewers(int index) const { return viewers_.at(std::size_t(index)).get(); }
  int IndexOf(const TTbrItemViewer *viewer) const;
  // The first viewer of the item; throws ETBItemError when there is none.
  TTbrItemViewer *Find(const TTbrCustomItem *item) const;
  int InternalViewersAtFront() const { return internalAtFront_; }
  int InternalViewersAtEnd() const { return internalAtEnd_; }
  const QList<TTbrItemViewer *> &PriorityList() const { return priority_; }
  bool UsesPriorityList() const { return usePriorityList_; }

  // Kind and state.
  const bool IsToolbar, IsPopup, Customizing;
  int Orientation = tbvoHorizontal;
  int Style = 0;
  int State = 0;
  bool InMenuMode() const { return State & tbvsMenuMode; }
  void SetMenuMode(bool on);

  // Layout limits (set by the toolbar or popup that shows the view).
  TTbrView *ChevronParentView = nullptr;
  // On a toolbar view: its chevron popup lists the items hidden off its edge.
  bool ChevronMoveItems = true;
  int ChevronOffset = 0, ChevronSize = 0;
  int WrapOffset = 0;
  int MaxHeight = 0;
  int ScrollOffset = 0;
  bool ShowUpArrow = false, ShowDownArrow = false;
  QSize BaseSize;
  QRect MonitorRect;
  bool Validated() const { return validated_; }

  // Selection.
  TTbrItemViewer *Selected() const { return selected_; }
  bool SelectedViaMouse() const { return selectedViaMouse_; }
  bool MouseOverSelected() const { return mouseOverSelected_; }
  bool Capture() const { return capture_; }
  void SetCapture(bool on);
  void CancelCapture();
  TTbrItemViewer *OpenViewer() const { return openViewer_; }
  TTbrView *OpenViewerView() const { return openViewerView_; }
  TTbrDoneAction DoneAction;            // meaningful on the root view
  // The object accessibility clients were given for this view, if any.
  TTbrAccessibleLink *AccObject = nullptr;
  quint32 BackgroundColor = 0x20000000; // the framework's default colour

  // Overridable by toolbar, popup and themed views.
  virtual void AutoSize(int width, int height);
  virtual void UpdatePositions(QSize &size);
  virtual TTbrCustomItem *GetChevronItem() const { return nullptr; }
  virtual TTbrMargins ViewMargins(int orientation) const;
  virtual TTbrCustomItem *GetMDIButtonsItem() const { return nullptr; }
  virtual TTbrCustomItem *GetMDISystemMenuItem() const { return nullptr; }
  virtual void KeyDown(int &key, Qt::KeyboardModifiers shift);
  virtual void InvalidatePositions();

  // Positions.
  bool CalculatePositions(bool commit, int orientation, int wrapOffset, int chevronOffset, int chevronSize,
                          QSize &baseSize, QSize &totalSize, int &wrappedLines);
  void ValidatePositions();
  void TryValidatePositions();
  void BeginUpdate();
  void EndUpdate();
  void RecreateAllViewers();
  void Invalidate(TTbrItemViewer *viewer);
  TTbrItemViewer *ViewerFromPoint(const QPoint &point) const;

  // Selection and navigation.
  void Select(TTbrItemViewer *viewer, bool viaMouse);
  // `point` in client coordinates when the pointer is over this view's
  // window, nullopt when it is elsewhere.
  void UpdateSelection(const std::optional<QPoint> &point, bool allowNewSelection);
  TTbrItemViewer *NextSelectable(TTbrItemViewer *from, bool goForward) const;
  TTbrItemViewer *FirstSelectable() const;
  TTbrItemViewer *NextViewerWithAccel(TTbrItemViewer *from, char32_t ch, bool acceleratorsOnly, bool &unique) const;
  void ExecuteSelected(bool withPriority);
  void Execute(TTbrItemViewer *viewer, bool withPriority);
  void GivePriority(TTbrItemViewer *viewer);
  void ShowAccelerators(bool force);
  // Ends the menu session: the loop running on the root view, if any, and
  // the root's host is told.
  void EndModal();
  // The menu loop running on this (root) view, if any.
  TTbrMenuLoop *ActiveLoop() const { return activeLoop_; }

  // Popups.
  bool OpenChildPopup(bool selectFirstItem);
  void CloseChildPopups();
  void CancelChildPopups();

  // Popup scrolling and timers.
  void Scroll(bool down);
  void ScrollSelectedIntoView();
  void TimerFired(TTbrViewTimer timer);
  void StopAllTimers();
  bool TimerRunning(TTbrViewTimer timer) const { return timers_ & (1 << int(timer)); }

  // Input as the menu loop hands it to one view of the chain; points in
  // client coordinates. The viewer under the mouse is the selection when
  // captured or when it lies under the point.
  void HandleMouseMove(const QPoint &point);
  void HandleMouseDown(const QPoint &point, Qt::KeyboardModifiers shift, bool doubleClick);
  void HandleMouseUp(const QPoint &point);
  // A typed character: the next viewer with that accelerator is selected,
  // and executed when it is the only one. False when none matched.
  bool HandleChar(char32_t ch);
  bool MouseDownOnMenu() const { return mouseDownOnMenu_; }
  // The viewer a mouse event at `point` (client coordinates) goes to: the
  // selection when this view has the capture or the selection lies there.
  TTbrItemViewer *ViewerUnderMouse(const QPoint &point) const;

  void NotifyFocusEvent();

private:
  friend class TTbrMenuLoop;
  void ItemNotification(TTbrCustomItem *sender, bool relayed, TTbrItemChangeKind kind, int index, TTbrCustomItem *item);
  void ParentItemNotification(TTbrCustomItem *sender, bool relayed, TTbrItemChangeKind kind, int index,
                              TTbrCustomItem *item);
  void UpdateCurParentItem(bool force);
  int InsertItemViewers(int at, TTbrCustomItem *item, int groupLevel, bool addToPriority, bool atPriorityEnd);
  void InsertViewersForNewItem(TTbrCustomItem *sender, int index, TTbrCustomItem *item);
  void RemoveViewersOfItem(TTbrCustomItem *item);
  void RecreateViewersOfItem(TTbrCustomItem *item);
  void RemoveViewerAt(int index);
  std::unique_ptr<TTbrItemViewer> MakeViewer(TTbrCustomItem *item, int groupLevel);
  void FreeViewers();
  void StartTimer(TTbrViewTimer timer, int milliseconds);
  void StopTimer(TTbrViewTimer timer);
  void SetToolbarSelection(bool forward);

  // The two registrations: the parent item (its linked container may
  // change) and the item whose children are shown.
  class THandler : public TTbrItemNotifyHandler {
  public:
    THandler(TTbrView *view, bool forParent) : view_(view), forParent_(forParent) {}
    void ItemNotification(TTbrCustomItem *sender, bool relayed, TTbrItemChangeKind kind, int index,
                          TTbrCustomItem *item) override;
    void ItemDestroying(TTbrCustomItem *item) override;

  private:
    TTbrView *view_;
    bool forParent_;
  };
  void ItemDestroying(TTbrCustomItem *item, bool forParent);

  THandler parentHandler_{this, true};
  THandler itemsHandler_{this, false};
  TTbrViewHost *host_;
  TTbrView *parentView_;
  TTbrCustomItem *parentItem_;
  TTbrCustomItem *curParentItem_ = nullptr;
  const bool usePriorityList_;
  std::vector<std::unique_ptr<TTbrItemViewer>> viewers_;
  int internalAtFront_ = 0, internalAtEnd_ = 0;
  QList<TTbrItemViewer *> priority_;
  TTbrItemViewer *selected_ = nullptr;
  bool selectedViaMouse_ = false, mouseOverSelected_ = false, capture_ = false;
  TTbrItemViewer *openViewer_ = nullptr;
  TTbrView *openViewerView_ = nullptr;
  int updating_ = 0;
  bool validated_ = false;
  int timers_ = 0;
  bool mouseDownOnMenu_ = false;
  std::optional<QPoint> mousePoint_; // last pointer position over this view's window
  // The last layout's hit index and the viewer behind each of its entries;
  // valid while the viewer list has not changed since.
  TTbrHitIndex hitIndex_;
  std::vector<TTbrItemViewer *> hitViewers_;
  bool hitIndexValid_ = false;
  bool destroying_ = false;
  TTbrMenuLoop *activeLoop_ = nullptr; // set by the loop while it runs on this root view
};

} // namespace qel::toolbars
