#pragma once
// A dock: a strip along one edge of a form holding dockable windows in
// rows. It keeps two lists (every window that belongs here, docked or
// hidden or remembering it as its last dock; and the shown ones), lays the
// rows out (toolbars/core/tbdocklayout.h), takes the thickness the rows
// need and places each window. TTbrDockFrame puts four docks around a
// central widget the way edge-aligned controls sit on a form.

#include "toolbars/core/tbdocklayout.h"

#include <QColor>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <stdexcept>

class QPainter;

namespace qel::toolbars {

class TTbrCustomDockableWindow;
class TTbrPopupMenu;

// An operation that the object's state does not allow.
class EInvalidOperation : public std::logic_error {
public:
  using std::logic_error::logic_error;
};
inline constexpr const char *SCannotChangeDockPosition =
    "Cannot change Position of a TTbrDock if it already contains controls";
inline constexpr const char *SInvalidDockParent =
    "A TTbrDock control cannot be placed inside a tool window or another TTbrDock";

// Edges with a one-pixel bound line.
enum TTbrDockBoundLine : unsigned { blTop = 1, blBottom = 2, blLeft = 4, blRight = 8 };
using TTbrDockBoundLines = unsigned;

class TTbrDock : public QWidget {
public:
  explicit TTbrDock(QWidget *parent = nullptr, TTbrDockPosition position = dpTop);
  ~TTbrDock() override;

  TTbrDockPosition Position() const { return FPosition; }
  // Refused (EInvalidOperation) while the dock holds windows.
  void SetPosition(TTbrDockPosition position);
  bool IsVertical() const { return IsVerticalDock(FPosition); }
  bool AllowDrag() const { return FAllowDrag; }
  void SetAllowDrag(bool value);
  TTbrDockBoundLines BoundLines() const { return FBoundLines; }
  void SetBoundLines(TTbrDockBoundLines lines);
  bool FixAlign() const { return FFixAlign; }
  void SetFixAlign(bool value);
  bool LimitToOneRow() const { return FLimitToOneRow; }
  void SetLimitToOneRow(bool value);
  QColor Color() const { return FColor; }
  void SetColor(const QColor &color);
  // Shown on a right click on the dock or on one of its windows' frames.
  TTbrPopupMenu *PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TTbrPopupMenu *menu) { FPopupMenu = menu; }
  // Places the dock in `parent`; refused inside a dockable window or a dock.
  void SetDockParent(QWidget *parent);

  std::function<void(TTbrDock *sender, bool inserting, TTbrCustomDockableWindow *bar)> OnInsertRemoveBar;
  std::function<void(TTbrDock *sender, TTbrCustomDockableWindow *bar, bool &accept)> OnRequestDock;

  // Asked with the dragged window during a drag.
  virtual bool AcceptsWindows(TTbrCustomDockableWindow *window) const;

  // Layout is deferred while locked; the last unlock runs it when pending.
  void LockArrange() { ++FArrangeLock; }
  void UnlockArrange();
  void ArrangeDockedWindows();
  // The next layout pass stores the rows and offsets back into the windows.
  void SetCommitPositions() { FCommitPositions = true; }
  bool ArrangePending() const { return FArrangePending; }

  // The members: every window that belongs here, and the shown ones (sorted
  // by row and position after each pass).
  void AddMember(TTbrCustomDockableWindow *window, bool add);
  void UpdateVisibleMember(TTbrCustomDockableWindow *window, bool removing);
  const QList<TTbrCustomDockableWindow *> &MemberWindows() const { return FMembers; }
  int VisibleMemberCount() const { return int(FVisible.size()); }
  TTbrCustomDockableWindow *VisibleMember(int index) const { return FVisible.value(index); }

  // Row questions about the last layout.
  int RowSize(int row, bool *fullSize = nullptr) const;
  int RowThicknessExcept(int row, const TTbrCustomDockableWindow *window) const;
  int LastRowIndex(bool arranged) const;
  int RowAt(int offset) const;

  // The client length along the dock (bound lines excluded), never below 0.
  int ClientLength() const;
  // Thickness of the bound lines across and along.
  int NonClientWidth() const;
  int NonClientHeight() const;
  // The thickness the last layout gave the dock.
  int Thickness() const { return FThickness; }

  // The dragged window and the split flags the drag loop works with.
  TTbrCustomDockableWindow *DraggedWindow = nullptr;
  bool SplitDrag = false;
  bool SplitAllowed() const { return FSplitAllowed; }

  // Every dock the application has (the forms' edges), in creation order.
  static QList<TTbrDock *> AllDocks();

protected:
  // The dock's face under its bound lines: its colour.
  virtual void PaintBackground(QPainter &painter);
  void paintEvent(QPaintEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;
  void contextMenuEvent(QContextMenuEvent *event) override;

private:
  friend class TTbrCustomDockableWindow;
  QList<TTbrDockMember> MemberRecords() const;
  void ApplyThickness(int thickness);
  void DropMember(TTbrCustomDockableWindow *window);

  TTbrDockPosition FPosition;
  bool FAllowDrag = true;
  TTbrDockBoundLines FBoundLines = 0;
  bool FFixAlign = false;
  bool FLimitToOneRow = false;
  QColor FColor;
  TTbrPopupMenu *FPopupMenu = nullptr;
  QList<TTbrCustomDockableWindow *> FMembers;
  QList<TTbrCustomDockableWindow *> FVisible;
  int FArrangeLock = 0;
  bool FArrangePending = false;
  bool FCommitPositions = false;
  bool FSplitAllowed = false;
  int FThickness = 0;
  int FArrangedLength = -1;
};

// Four docks around a central widget: top and bottom across the whole
// width, left and right between them, the central widget in the rest.
class TTbrDockFrame : public QWidget {
public:
  // Makes each of the four docks (nullptr: the stock dock).
  using TDockMaker = TTbrDock *(*)(QWidget *parent, TTbrDockPosition position);
  explicit TTbrDockFrame(QWidget *parent = nullptr, TDockMaker makeDock = nullptr);

  TTbrDock *DockTop() const { return FTop; }
  TTbrDock *DockBottom() const { return FBottom; }
  TTbrDock *DockLeft() const { return FLeft; }
  TTbrDock *DockRight() const { return FRight; }
  TTbrDock *Dock(TTbrDockPosition position) const;
  QWidget *CentralWidget() const { return FCentral; }
  void SetCentralWidget(QWidget *widget);

  // Places the docks and the central widget for the docks' thicknesses.
  void ArrangeDocks();

protected:
  void resizeEvent(QResizeEvent *event) override;

private:
  TTbrDock *FTop, *FBottom, *FLeft, *FRight;
  QPointer<QWidget> FCentral;
  int FArranging = 0;
};

} // namespace qel::toolbars
