#pragma once
// The decisions behind floating windows, free of any window: where the
// floating frame's parts are (caption, close square, sizing bands), when a
// floating window is shown, how it is kept on the screen and snapped to
// the work area's edges, the rectangle of a frame being sized, and the
// widths at which a floating toolbar's items wrap, to which a resize snaps.

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <functional>

namespace qel::toolbars {

// Which forms a floating window stays above: its parent form (and it is
// shown only with it), or every window.
enum TTbrFloatingMode { fmOnTopOfParentForm, fmOnTopOfAllForms };

// Parts of the floating frame. The sizing bands and corners carry the
// desktop's numbers 10..17; less 10 they are the sizing loop's types.
enum TTbrFrameHit {
  FrameHitNowhere = 0,
  FrameHitClient = 1,
  FrameHitLeft = 10,
  FrameHitRight = 11,
  FrameHitTop = 12,
  FrameHitTopLeft = 13,
  FrameHitTopRight = 14,
  FrameHitBottom = 15,
  FrameHitBottomLeft = 16,
  FrameHitBottomRight = 17,
  FrameHitClose = 2001,
  FrameHitCaption = 2002,
};

// The floating frame around a window's contents: `Frame` on every side
// and a caption of `CaptionHeight` on top (0 without a caption).
struct TTbrFloatingFrame {
  QPoint Frame;
  int CaptionHeight = 0;
  bool CloseButton = true;
  bool Resizable = true;
  bool SizeFromCorners = true;

  // Contents size to the frame's outer size and back.
  QSize OuterSize(const QSize &client) const;
  QSize ClientSize(const QSize &outer) const;
  // The contents inside the frame (frame coordinates).
  QRect ClientRect(const QSize &outer) const;
  // The caption strip (less its bottom line) and the close square at its right end.
  QRect CaptionRect(const QSize &outer) const;
  QRect CloseRect(const QSize &outer) const;
  TTbrFrameHit HitTest(const QPoint &point, const QSize &outer) const;
};

// What the visibility of a floating window depends on.
struct TTbrVisibilityState {
  bool Showing = true;        // the window is not hidden on purpose
  int HideLock = 0;
  TTbrFloatingMode Mode = fmOnTopOfParentForm;
  bool HasParentForm = true;
  bool FormVisible = true;
  bool FormMinimized = false;
  bool HideWhenInactive = true;
  bool ApplicationActive = true;
};
bool VisibleByRule(const TTbrVisibilityState &state);

// Shifts `rect` back onto `workArea` (right, bottom, left, top edge, in
// that order, so a frame larger than the work area shows its top left).
// With `onlyWhenOffScreen` a frame that still touches the work area stays.
QRect KeepInWorkArea(const QRect &rect, const QRect &workArea, bool onlyWhenOffScreen);

// A frame moved to `proposed` (same size) comes to rest on a work-area
// edge it is closer to than `distance`; left and top win over right and
// bottom. Distance 0 never snaps.
QPoint SnapToWorkArea(const QRect &proposed, const QRect &workArea, int distance);

// Sizing types of the sizing loop: 0 left, 1 right, 2 top, 3 top-left,
// 4 top-right, 5 bottom, 6 bottom-left, 7 bottom-right.
bool SizesHorizontally(int type);
bool SizesVertically(int type);
bool MovesLeftEdge(int type);
bool MovesTopEdge(int type);

struct TTbrSizingLimits {
  QSize Min;           // 0: none
  QSize Max;           // 0 or less: none
};
// The start rectangle with its moving edges moved by `travel`, a too small
// or too large size undone by moving the moving edge back.
QRect SizingRect(int type, const QRect &start, const QPoint &travel, const TTbrSizingLimits &limits);

// The floating sizes of a toolbar: the contents measured without a width
// limit, then at every width at which the items wrap differently, down to
// `minWidth`. `measure` lays the contents out with the width limit given
// (0: none) and answers the size and the number of lines. A width limit
// that gives the same number of lines as the one before replaces it, so
// each entry is the narrowest of its line count.
struct TTbrMeasured {
  QSize Size;
  int Lines = 1;
};
QList<QSize> ListFloatingSizes(const std::function<TTbrMeasured(int widthLimit)> &measure, int minWidth);

// Snapping a floating toolbar's resize to its floating sizes.
class TTbrSizingSnap {
public:
  static constexpr int MaxSnapDistance = 12;

  // `outerSizes`: the floating sizes as frame sizes; `start`: the frame
  // when sizing starts; `leftFrame`: the frame's width on one side;
  // `floatWidth`: the width limit the contents have now.
  void Start(int type, const QRect &start, int leftFrame, int floatWidth, const QList<QSize> &outerSizes);
  // The rectangle the sizing loop proposes, snapped to a listed size along
  // the sizing direction, kept at its fixed edge.
  QRect Snap(const QRect &proposed);
  // The width limit the last snap asks for (0: the widest, no limit).
  int ProposedFloatWidth() const { return FFloatWidth; }
  int SnapDistance() const { return FDistance; }
  const QList<QSize> &Sizes() const { return FSizes; }

private:
  bool Vertical() const;
  int Along(const QSize &size) const { return Vertical() ? size.height() : size.width(); }
  int FType = 1;
  QRect FStart;
  int FLeftFrame = 0;
  QList<QSize> FSizes; // descending along the sizing direction
  int FDistance = MaxSnapDistance;
  int FFloatWidth = 0, FStartFloatWidth = 0;
  bool FSnapped = false;
  int FLastProposal = 0;
  int FDirection = 0; // +1 growing, -1 shrinking, 0 not yet
};

} // namespace qel::toolbars
