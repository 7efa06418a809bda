#pragma once
// The rows of a dock: which row each docked window goes to, where along the
// row it sits, which windows shrink when a row is over-full, and how thick
// the dock becomes. Works on a plain table of member records, so it needs
// neither windows nor a dock; the dock (toolbars/qt/tbdock.h) fills the
// table from its dockable windows and takes the places back.
//
// Length is the extent along the dock (the width of a top or bottom dock),
// thickness the extent across it.

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <functional>

namespace qel::toolbars {

enum TTbrDockPosition { dpTop = 0, dpBottom = 1, dpLeft = 2, dpRight = 3 };
inline bool IsVerticalDock(TTbrDockPosition position) { return position == dpLeft || position == dpRight; }

// How a docked window gives up length in an over-full row.
enum TTbrShrinkMode { tbsmNone = 0, tbsmWrap = 1, tbsmChevron = 2 };

// One member of a dock as the layout reads it.
struct TTbrDockMember {
  int DockRow = 0;
  int DockPos = -1;
  bool Visible = true; // a shown child of the dock; hidden and floating members only claim their row
  bool FullSize = false, Stretch = false, NewRowBefore = false;
  QSize BaseSize;  // the contents' size unshrunk, in the dock's orientation
  QSize FrameSize; // the docked frame's width and height (both sides together)
  TTbrShrinkMode ShrinkMode = tbsmNone;
  int MinimumLength = 0; // along the dock, frame included; 0 = none
};

// Where one member ended up.
struct TTbrDockPlace {
  int ArrangedRow = -1;
  int ArrangedPos = 0;
  int ShrunkLength = 0; // the length it was shrunk to, frame included; 0 when not shrunk
  int RowThickness = 0; // its contents' extent across the dock
  QRect Bounds;         // in the dock's client coordinates; empty for a member not shown
  bool operator==(const TTbrDockPlace &) const = default;
};

struct TTbrDockLayoutParams {
  bool Vertical = false;
  int AvailableLength = 0; // the dock's client length
  bool LimitToOneRow = false;
  // The window being dragged in this dock (an index into the members), or
  // -1; with SplitDrag it keeps its place in its row's order while the row's
  // length is shared out anew between it and its neighbours.
  int Dragged = -1;
  bool SplitDrag = false;
  // The contents' size of a shrinkable member laid out for a shrunk length
  // (frame not included); when not given, a shrunk member keeps its base size.
  std::function<QSize(int member, int shrunkLength)> MeasureShrunk;
};

struct TTbrDockLayoutResult {
  QList<TTbrDockPlace> Places; // one per member
  // The rows and offsets to store back into the members when positions are
  // committed (and the row 0 that LimitToOneRow forces in any case).
  QList<int> DockRows, DockPositions;
  // The members sorted by row and position: their order after a commit.
  QList<int> Order;
  int Thickness = 0;        // the rows' thicknesses added up; 0 when no member is shown
  bool AnyVisible = false;  // a member is a shown child of the dock
  bool SplitAllowed = false; // the dragged window shares an over-full row with others
};

TTbrDockLayoutResult ArrangeDockedWindows(const QList<TTbrDockMember> &members, const TTbrDockLayoutParams &params);

// Questions about the rows of the last layout (members and places in the
// same order).
struct TTbrRowSize {
  int Thickness = 0;     // the largest extent across the dock of the row's shown members
  bool FullSize = false; // one of them is FullSize
};
TTbrRowSize RowSize(const QList<TTbrDockMember> &members, const QList<TTbrDockPlace> &places, int row,
                    bool vertical);
// The largest RowThickness of the row's other shown members; 0 when none.
int RowThicknessExcept(const QList<TTbrDockMember> &members, const QList<TTbrDockPlace> &places, int row,
                       int except);
// The largest ArrangedRow (or, when not `arranged`, DockRow) among the
// members; -1 when there are none.
int LastRowIndex(const QList<TTbrDockMember> &members, const QList<TTbrDockPlace> &places, bool arranged);
// The row at `offset` across the dock: the first whose rows up to it are
// thicker than the offset (empty rows skipped), else one past the last row.
int RowAt(const QList<TTbrDockMember> &members, const QList<TTbrDockPlace> &places, int offset, bool vertical);
// The same walk over rows 0..lastRow whose thicknesses come from the caller
// (the dock widget measures its shown windows instead of records).
int RowAtOffset(int lastRow, const std::function<int(int row)> &rowThickness, int offset);

// The dock's thickness for its layout: the non-client thickness (bound
// lines) plus the rows, or 1 for an empty dock that keeps its place
// (FixAlign), else 0.
inline int DockThickness(const TTbrDockLayoutResult &result, int nonClient, bool fixAlign) {
  if (!result.AnyVisible)
    return fixAlign ? 1 : 0;
  return nonClient + result.Thickness;
}

// Where a dock goes when its thickness changes: the edge facing the form's
// middle moves, the one on the form's edge stays (a bottom dock grows
// upwards, a right dock leftwards).
QRect DockGeometry(TTbrDockPosition position, const QRect &present, int thickness);

// The docked frame of a dockable window: a 2-pixel border on every side and
// the drag grip on the leading edge (left in a horizontal dock, top in a
// vertical one) while the dock lets windows be dragged.
enum TTbrDragHandleStyle { dhDouble = 0, dhNone = 1, dhSingle = 2 };
constexpr int DockedBorder = 2;
int GripSize(TTbrDragHandleStyle style, bool closeButtonWhenDocked);
// Width and height of the frame, both sides together; 0 x 0 when not docked.
QSize DockedFrameSize(bool docked, bool vertical, bool allowDrag, int gripSize);
// The contents' rectangle inside a docked window of `size`.
QRect DockedClientRect(const QSize &size, bool vertical, bool allowDrag, int gripSize);
// The square of the docked close button, in window coordinates; empty
// without one.
QRect DockedCloseRect(const QSize &size, bool vertical, bool allowDrag, bool closeButtonWhenDocked, int gripSize);
// Where a point of a docked window lies: the contents (0), the frame or
// grip (HitFrame), the close button (HitCloseButton).
enum TTbrDockedHit { HitClient = 0, HitFrame = 2000, HitCloseButton = 2001, HitCaption = 2002 };
TTbrDockedHit DockedHitTest(const QPoint &point, const QSize &size, bool vertical, bool allowDrag,
                            bool closeButtonWhenDocked, int gripSize);
// Whether the point lies in the grip zone (the grip and the border before
// it), where the pointer shows that the window can be moved.
bool InGripZone(const QPoint &point, const QSize &size, bool vertical, TTbrDragHandleStyle style, int gripSize);

} // namespace qel::toolbars
