#pragma once
// The loop that moves a dockable window with the mouse. While the left
// button is held it follows the pointer, finds the dock under it (or lets
// the window float), shows where the window would go (an outline, or the
// window itself when dragging live) and applies the drop.
//
// The decisions are a state machine fed one abstract event at a time, so
// they run without a window; the driver (toolbars/qt) grabs the pointer,
// feeds the input in and carries out what the host is told. Docks are
// handed in as target records built once when the drag starts; the loop
// names them by the caller's id.

#include "toolbars/core/tbdocklayout.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace qel::toolbars {

// Whether a dockable window may float or change docks.
enum TTbrDockMode { dmCanFloat, dmCannotFloat, dmCannotFloatOrChangeDocks };

// A row of a target dock: its thickness in the low 16 bits, RowFull set when
// a FullSize window is in it.
constexpr int RowFull = 1 << 16;
constexpr int RowThicknessMask = 0xFFFF;
// The rows 0 .. LastRowIndex of a dock's last layout, as the row test reads
// them.
QList<int> DragTargetRows(const QList<TTbrDockMember> &members, const QList<TTbrDockPlace> &places, bool vertical);

// One dock the window may be dropped into.
struct TTbrDragTarget {
  int Dock = -1; // the caller's id of the dock
  bool Vertical = false;
  QRect ScreenRect;
  QSize WindowSize; // the window's size docked here (its present size in its own dock)
  QList<int> Rows;  // see DragTargetRows
};

// The candidate docks are found on a tree of the forms' controls: each node
// is a control, a dock among them when Dock >= 0.
struct TTbrDockTreeNode {
  int Dock = -1;
  TTbrDockPosition Position = dpTop;
  bool Showing = true;
  bool ContainsWindow = false; // the dragged window is inside it
  bool Accepts = false;        // a dock that accepts the window and where it can dock
  QList<TTbrDockTreeNode> Children;
};
// The docks to try, best first: the current dock (when it accepts the
// window), then the docks of each form in turn, children before their dock,
// and among siblings the top, bottom, left and right docks before other
// controls. With dmCannotFloatOrChangeDocks only the current dock.
QList<int> CandidateDocks(int currentDock, bool currentAccepts, TTbrDockMode mode,
                          const QList<TTbrDockTreeNode> &forms);

// How the window was when the drag started, and where it may go.
struct TTbrDragSetup {
  QPoint PressPoint;          // screen coordinates
  QRect OuterRect;            // the window's outer rectangle (the tool window's when floating)
  int StartDock = -1;         // the dock it is in; -1 when floating
  int StartRow = 0, StartPos = -1;
  bool SplitAllowed = false;  // the start dock lets its row be shared out anew
  TTbrDockMode Mode = dmCanFloat;
  bool FullSize = false;
  bool LiveDragging = false;  // the window itself moves, no outline
  bool UseLastDock = true;
  QSize FloatingSize;         // floating contents plus the floating frame
  int FloatFrameWidth = 0, FloatFrameHeight = 0, CaptionHeight = 0;
  QList<TTbrDragTarget> Targets; // in CandidateDocks order
};

enum class TTbrDragCursor { Saved, NoEntry, SizeWE, SizeNS };

// Where a drop into a dock puts the window.
struct TTbrDockDrop {
  int Dock = -1;
  int Row = 0;
  int Pos = 0;
  bool NewRowBefore = false;
  bool SplitDrag = false;
  bool CommitPositions = true;
  bool operator==(const TTbrDockDrop &) const = default;
};

class TTbrDragLoopHost {
public:
  virtual ~TTbrDragLoopHost() = default;
  // The dock's OnRequestDock; false keeps the window out of that dock.
  virtual bool RequestDock(int /*dock*/) { return true; }
  virtual QRect WorkAreaAt(const QPoint &point) = 0;
  virtual void SetCursor(TTbrDragCursor /*cursor*/) {}
  // Moves the outline; an empty rectangle erases it.
  virtual void ShowOutline(const QRect & /*rect*/, int /*thickness*/) {}
  // Docks the window (re-parented, rows and place set, dock laid out).
  virtual void ApplyDock(const TTbrDockDrop & /*drop*/) {}
  // Floats the window with its outer rectangle at `pos`, kept in the work area.
  virtual void ApplyFloat(const QPoint & /*pos*/) {}
};

struct TTbrDragEvent {
  enum class Kind {
    Move,        // the pointer moved to `pos`
    CtrlDown,
    CtrlUp,
    Escape,
    OtherKey,    // swallowed
    LeftPress,   // also a double click: ends without a drop
    LeftRelease, // ends with a drop
    OtherButton, // right and middle buttons: swallowed
    CaptureLost, // ends without a drop
  };
  Kind kind = Kind::Move;
  QPoint pos;
};

// How the drag ended.
struct TTbrDragEnd {
  bool Dropped = false;
  int Dock = -1;        // the dock the window ends in; -1 when floating
  int LastDock = -1;    // the dock to remember as the last one, or -1
  bool RestoreRowPos = false; // ends floating: give back the start DockRow and DockPos
  int DockRow = 0, DockPos = -1;
};

class TTbrDragLoop {
public:
  TTbrDragLoop(TTbrDragSetup setup, TTbrDragLoopHost &host);

  // The first evaluation, at the press point; a floating window does not
  // dock on it.
  void Start(bool ctrlDown);
  // Feeds one event; false once the loop has ended.
  bool Feed(const TTbrDragEvent &event);
  bool Ended() const { return FEnded; }
  const TTbrDragEnd &End() const { return FEnd; }

  // What the last evaluation found: the target's index in Targets (-1:
  // floating or nowhere) and the rectangle (empty: nowhere to go).
  int Target() const { return FTarget; }
  QRect Rect() const { return FRect; }
  bool SplitDrag() const { return FSplitDrag; }

  // The decisions, open to tests.
  static bool HitTest(const TTbrDragTarget &target, const QPoint &cursor, const QPoint &grab,
                      const QSize &outer1);
  struct RowChoice {
    int Row = 0;
    bool Inserted = false;
  };
  static RowChoice ChooseRow(const QList<int> &rows, int centre, bool fullSize);

private:
  void Evaluate();
  QRect PlaceAt(const QSize &size, const QPoint &cursor) const;
  QRect KeepReachable(QRect rect, const QRect &workArea) const;
  TTbrDockDrop DockDrop(bool live);
  void Apply(bool live);
  void Finish(bool drop);

  TTbrDragSetup S;
  TTbrDragLoopHost &H;
  QPoint FGrab;
  QSize FOuter1; // outer size - 1, the grab point's scale
  QPoint FCursor;
  bool FCtrl = false;
  bool FFirst = true;
  bool FSplitAllowed = false;
  bool FSplitDrag = false;
  int FCurrentDock = -1;
  int FRow = 0, FPos = -1;
  int FTarget = -1;
  QRect FRect;
  bool FEnded = false;
  TTbrDragEnd FEnd;
};

} // namespace qel::toolbars
