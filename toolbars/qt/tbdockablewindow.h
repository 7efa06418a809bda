#pragma once
// The base of every toolbar: a window that lives docked in a TTbrDock or
// floating in a small tool window of its form. Docked, it draws its frame
// (border, drag grip and an optional close button) around its contents,
// tells the dock its sizes through the slots below, and is placed by the
// dock's layout; floating, the tool window draws the frame and caption and
// the window offers the steps of the sizing loop. It remembers its row and
// place in the dock, and its last dock while it is away.

#include "toolbars/core/tbdocklayout.h"
#include "toolbars/core/tbdragloop.h"
#include "toolbars/core/tbfloating.h"
#include "toolbars/core/tbpositions.h"
#include "toolbars/qt/tbdock.h"
#include "toolbars/qt/tbfloatingwindow.h"

#include <QColor>
#include <QPointer>
#include <QWidget>

#include <functional>

namespace qel::toolbars {


using TTbrDockableTo = unsigned; // bits 1 << TTbrDockPosition
inline constexpr TTbrDockableTo DockableToAll = 0xF;

// How the contents are laid out: for none of the two, floating, or docked.
enum TTbrDockOrientation { doNoOrient = 0, doFloating = 1, doHorizontal = 2, doVertical = 3 };

class TTbrCustomDockableWindow : public QWidget {
public:
  explicit TTbrCustomDockableWindow(QWidget *parent = nullptr);
  ~TTbrCustomDockableWindow() override;

  // --- where it is ---
  int DockRow() const { return FDockRow; }
  void SetDockRow(int row);
  int DockPos() const { return FDockPos; }
  void SetDockPos(int pos);
  TTbrDock *CurrentDock() const { return FCurrentDock; }
  // Docks the window in `dock` (none: onto its form), in the order that
  // keeps both docks' layouts and its own visibility consistent.
  void SetCurrentDock(TTbrDock *dock);
  bool Docked() const { return FCurrentDock != nullptr; }
  // Whether its parent is its tool window.
  bool Floating() const;
  TTbrDock *DefaultDock() const { return FDefaultDock; }
  void SetDefaultDock(TTbrDock *dock) { FDefaultDock = dock; }
  TTbrDock *LastDock() const { return FLastDock; }
  void SetLastDock(TTbrDock *dock);
  bool UseLastDock() const { return FUseLastDock; }
  void SetUseLastDock(bool value);
  // Further forms whose docks take the window in a drag, tried after its
  // own form's in the screen's order of forms (the one activated last
  // first). A form that is destroyed leaves the list.
  QList<QWidget *> ExtraDockForms() const;
  void AddExtraDockForm(QWidget *form);
  void RemoveExtraDockForm(QWidget *form);
  TTbrDockableTo DockableTo = DockableToAll;
  TTbrDockMode DockMode = dmCanFloat;
  // Where the window's tool window goes when it floats (left, top).
  QPoint FloatPos;
  // Dragging moves the window itself rather than an outline.
  bool SmoothDrag = true;
  // A double click on the grip lets the window float.
  bool DblClickUndock = true;
  // Set while a live drag moves the window: entering a dock then does not
  // make it the last dock (the drop does), and a tool window it leaves is
  // kept for its return.
  bool LiveDragging = false;

  // --- floating ---
  TTbrFloatingMode FloatingMode() const { return FFloatingMode; }
  void SetFloatingMode(TTbrFloatingMode mode);
  // Floating, it hides while the application is inactive.
  bool HideWhenInactive() const { return FHideWhenInactive; }
  void SetHideWhenInactive(bool value);
  // A click on the floating window activates its form.
  bool ActivateParent = true;
  // The floating frame has sizing bands (and is wider).
  bool Resizable() const { return FResizable; }
  void SetResizable(bool value);
  bool ShowCaption() const { return FShowCaption; }
  void SetShowCaption(bool value);
  // The frame's bands near a corner size both ways.
  bool SizeFromCorners = true;
  // The cursor stays on the screen while sizing.
  bool ClipCursorWhileSizing = true;
  // Floats the window in a tool window of its form (made when there is
  // none for that form), at FloatPos; false puts it onto the form.
  // Error: the window has no form.
  void FloatDockableWindow(bool floating);
  // Brings a floating window's frame back into the work area of the
  // monitor nearest it; with `onlyWhenOffScreen` only when none of it is there.
  void KeepInWorkArea(bool onlyWhenOffScreen);
  TTbrFloatingWindowParent *ToolWindowParent() const { return FToolWindow; }
  // Frees the tool window when the window is not in it (after a drag that
  // kept it for the window's return).
  void FreeUnusedToolWindow();
  // The outermost form among its parents (the tool window's form when floating).
  QWidget *ParentForm() const;
  // The floating frame's geometry as the window wants it.
  TTbrFloatingFrame FloatingFrame() const;
  // Whether a floating window should be on the screen now; shows or hides
  // the tool window accordingly.
  bool VisibleByRule() const;
  void ApplyVisibilityRule();
  // Floating and the application inactive while it stays shown.
  bool CaptionInactive() const { return FCaptionInactive; }
  // Sizes the floating frame to `outer` (screen) as the sizing loop's
  // result: accepted by the window, contents arranged, kept on the screen.
  void ApplySizingRect(const QRect &outer);

  // --- how it looks and sizes ---
  TTbrDragHandleStyle DragHandleStyle() const { return FDragHandleStyle; }
  void SetDragHandleStyle(TTbrDragHandleStyle style);
  bool CloseButton() const { return FCloseButton; }
  void SetCloseButton(bool value) { FCloseButton = value; }
  bool CloseButtonWhenDocked() const { return FCloseButtonWhenDocked; }
  void SetCloseButtonWhenDocked(bool value);
  // bsSingle (true): a raised edge around the docked window; else a flat frame.
  bool BorderSingle() const { return FBorderSingle; }
  void SetBorderSingle(bool value);
  bool FullSize() const { return FFullSize; }
  void SetFullSize(bool value);
  bool Stretch() const { return FStretch; }
  void SetStretch(bool value);
  bool AutoResize() const { return FAutoResize; }
  void SetAutoResize(bool value);
  QColor Color() const { return FColor; }
  void SetColor(const QColor &color);
  // Shown on a right click on the frame (docked or floating) or by the menu
  // key; without one a docked window shows its dock's.
  TTbrPopupMenu *PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TTbrPopupMenu *menu) { FPopupMenu = menu; }
  QString Caption() const { return windowTitle(); }
  void SetCaption(const QString &caption) { setWindowTitle(caption); }

  // --- what the dock's layout reads and writes ---
  int ShrunkLength = 0;
  int ArrangedRow = -1;
  int ArrangedPos = 0;
  int RowThickness = 0;
  bool NewRowBefore = false;

  // --- events ---
  std::function<void(TTbrCustomDockableWindow *sender, bool &canClose)> OnCloseQuery;
  std::function<void(TTbrCustomDockableWindow *sender)> OnClose;
  std::function<void(TTbrCustomDockableWindow *sender, bool floating, TTbrDock *dockingTo)> OnDockChanging;
  std::function<void(TTbrCustomDockableWindow *sender)> OnDockChanged;
  std::function<void(TTbrCustomDockableWindow *sender)> OnVisibleChanged;
  std::function<void(TTbrCustomDockableWindow *sender)> OnMove;

  // --- operations ---
  // Lays the contents out and takes the resulting size (docked: the dock
  // lays out again); deferred while sizing is locked.
  void ArrangeSelf();
  // Asks OnCloseQuery, then hides and tells OnClose.
  void CloseByButton();
  // A double click: a docked window that may float floats; a floating one
  // docks into its last dock, or at the start of its default dock's first row.
  void DoubleClickDock();
  // The size of the frame, both sides together: 4 across the dock, 4 plus
  // the grip along it while the dock allows dragging; 0 x 0 when not docked.
  virtual QSize GetDockedFrameSize() const;
  // The contents' rectangle inside the window.
  QRect ClientRect() const;
  // The frame part under a point (window coordinates): HitClient,
  // HitFrame or HitCloseButton. Floating, the sizing bands of the tool
  // window that reach into the window are its frame.
  int HitTest(const QPoint &point) const;
  // The pointer the frame shows at a point (window coordinates): size-all
  // over the docked grip, the sizing arrows over a floating frame's band,
  // else the arrow.
  Qt::CursorShape FrameCursorAt(const QPoint &point) const;
  int GripSize() const;
  bool ClosePressed() const { return FClosePressed; }
  bool CloseHot() const { return FCloseHot; }

  // --- slots for the docks, the drag and the sizing loops ---
  virtual bool CanDockAt(TTbrDock *dock) const;
  virtual bool IsDragBlockedAt(const QPoint &point) const;
  // Lays the contents out for `orientation` (moving them when `move`) and
  // answers their size; `dock` is the target dock when measuring for one.
  virtual QSize LayoutContents(bool move, TTbrDockOrientation orientation, TTbrDock *dock, bool floating) = 0;
  virtual QSize BaseContentSize() = 0;
  virtual int GetMinimumLength() { return 0; }
  virtual TTbrShrinkMode ShrinkBehaviour() const { return tbsmNone; }
  virtual void SizeAboutToChange(int width, int height) { (void)width, (void)height; }
  virtual void PaintDockedFrame(QPainter &painter);
  // Width and height of the floating frame on each side.
  virtual QPoint GetFrameMetrics() const;
  // Least and largest contents while sizing (0: none).
  virtual TTbrSizingLimits GetSizingLimits() const { return {}; }
  // The sizing loop's steps: started (type 0..7), each proposed frame
  // rectangle (screen) adjusted, the last one taken, ended.
  virtual void SizingStarted(int type) { (void)type; }
  virtual QRect SnapSizingRect(const QRect &proposed) { return proposed; }
  virtual void SizingAccepted() {}
  virtual void SizingEnded() {}
  // The tool window class of this window.
  virtual TTbrFloatingWindowParent *ToolWindowClass(QWidget *parentForm);

  // Stored positions: values of a subclass of its own, written after the
  // common ones and read before the window is placed; then told that its
  // position was loaded.
  virtual void SaveExtraPosition(const TTbrPositionCallbacks &callbacks) { (void)callbacks; }
  virtual void LoadExtraPosition(const TTbrPositionCallbacks &callbacks) { (void)callbacks; }
  virtual void PositionsLoaded() {}

  // Moves and sizes the window as its dock or its own layout places it
  // (not as a change of the user's), telling SizeAboutToChange first.
  void SetBoundsLocked(const QRect &bounds);
  int SizeLock() const { return FSizeLock; }

protected:
  TTbrDockOrientation CurrentOrientation() const;
  void paintEvent(QPaintEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;
  void leaveEvent(QEvent *event) override;
  void contextMenuEvent(QContextMenuEvent *event) override;
  void moveEvent(QMoveEvent *event) override;
  bool event(QEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;
  // The contents changed their needs: the window lays out again.
  void RequestArrange() { ArrangeSelf(); }
  // Lets a subclass react to a frame change (the contents moved).
  virtual void FrameChanged() {}

private:
  friend class TTbrDock;
  void DockChangedInternally();
  friend class TTbrFloatingWindowParent;
  // Moves the window into `newParent` (a dock, a tool window or the form).
  void ChangeParent(QWidget *newParent, TTbrDock *dock);
  void UpdateCloseHot(bool hot);

  int FDockRow = 0;
  int FDockPos = -1;
  QPointer<TTbrDock> FCurrentDock;
  QPointer<TTbrDock> FDefaultDock;
  QPointer<TTbrDock> FLastDock;
  bool FUseLastDock = true;
  TTbrDragHandleStyle FDragHandleStyle = dhSingle;
  bool FCloseButton = true;
  bool FCloseButtonWhenDocked = false;
  bool FBorderSingle = true;
  bool FFullSize = false, FStretch = false, FAutoResize = true;
  QColor FColor;
  int FBoundsLock = 0, FSizeLock = 0, FHideLock = 0, FMoveEventLock = 0;
  bool FArrangeSelfPending = false;
  bool FClosePressed = false, FCloseHot = false;
  TTbrFloatingMode FFloatingMode = fmOnTopOfParentForm;
  bool FHideWhenInactive = true, FResizable = true, FShowCaption = true;
  bool FCaptionInactive = false;
  QPointer<TTbrFloatingWindowParent> FToolWindow;
  QList<QPointer<QWidget>> FExtraDockForms;
  TTbrPopupMenu *FPopupMenu = nullptr;
};

} // namespace qel::toolbars
