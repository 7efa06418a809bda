#pragma once
// Where a popup menu opens: next to the item that opens it (below a toolbar
// button, beside a menu entry, left of a vertical toolbar), or at a point
// (a context menu), then flipped and clamped so that it stays on its monitor
// and does not cover the item's row; and the direction it unrolls in.
// Pure functions on screen rectangles; the popup window applies the result.
//
// Rectangles are QRects; "right" and "bottom" below mean the first pixel
// past the rectangle (x + width, y + height).

#include "toolbars/core/popupanimation.h"

#include <QList>
#include <QPoint>
#include <QRect>

namespace qel::toolbars {

class TPlatformMetrics;

// How a popup at a point sits against the point.
enum TTbrPopupAlignment { tbpaLeft = 0, tbpaRight = 1, tbpaCenter = 2 };

// The directions a popup unrolls in (the slide flags of the animation).
enum TTbrAnimationDirection : unsigned {
  tbadLeft = SlideFromRight, // unrolls leftward from its right edge
  tbadRight = SlideFromLeft,
  tbadDown = SlideFromTop,
  tbadUp = SlideFromBottom,
};

// What the item's placement works on (and may change).
struct TTbrPopupPlacement {
  bool PositionAsSubmenu = false; // beside the parent item rather than below it
  TTbrPopupAlignment Alignment = tbpaLeft;
  bool Opposite = false;          // submenus in this chain open to the left
  QRect MonitorRect;
  QRect ParentItemRect;           // for a popup at a point: the point, as an empty rectangle
  int NCSizeX = 0, NCSizeY = 0;   // the popup's border
  int X = 0, Y = 0, W = 0, H = 0;
  unsigned AnimDir = 0;
  bool PlayPopupSound = true;
};

// What placement needs to know of the view the popup opens from.
struct TTbrPopupParentView {
  bool Exists = false;         // false for a popup at a point
  bool Vertical = false;       // a vertical toolbar
  QList<QRect> ShownViewerRects; // its shown viewers, in screen coordinates
};

// Where the popup is first proposed, before placement (its size W x H known).
struct TTbrFirstPositionInput {
  bool AtPoint = false; // no parent view: PopupPoint with Alignment
  QPoint PopupPoint;
  TTbrPopupAlignment Alignment = tbpaLeft;
  bool PositionAsSubmenu = false;
  bool Chevron = false;                 // the overflow button's popup
  bool ChevronParentVertical = false;   // ... of a vertical toolbar
  bool ParentVertical = false;          // the parent view is a vertical toolbar
  bool DropAlignRight = false;          // menus drop right-aligned (right-to-left desktops)
  QRect ParentItemRect;
  int NCSizeX = 0, NCSizeY = 0;
  int W = 0, H = 0;
};
QPoint FirstPopupPosition(const TTbrFirstPositionInput &input);

// The monitor a popup belongs on: the parent view's own when it has one,
// else the (full, not work-area) monitor nearest the parent item or the point.
QRect PopupMonitorRect(const TPlatformMetrics &metrics, const QRect &parentViewMonitorRect,
                       const QRect &parentItemRect, bool atPoint);

// The largest popup: a chevron popup wraps its lines at the monitor width,
// any other scrolls beyond the monitor height (both less the border).
struct TTbrPopupLimits {
  int WrapOffset = 0; // 0: no wrapping
  int MaxHeight = 0;  // 0: no limit
};
TTbrPopupLimits PopupSizeLimits(const QRect &monitorRect, int ncSize, bool chevron);

// The stock placement: fits the proposed X, Y into the monitor, flipping a
// submenu to the left (answering true: the new view opens its own submenus
// leftward too) and moving a drop-down off the parent's row; sets AnimDir.
bool PlacePopup(TTbrPopupPlacement &data, const TTbrPopupParentView &parent);

} // namespace qel::toolbars
