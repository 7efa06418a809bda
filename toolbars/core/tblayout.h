#pragma once
// Where the viewers of a view go: which items are shown, their sizes, lines
// with wrapping at a given length, the overflow of a toolbar into its
// chevron, scroll arrows for a popup taller than its monitor, and the
// resulting size of the view. Works on a plain list of measured sizes and
// flags, so it needs neither items nor a window; the view (tbview.h) fills
// the list from its viewers and takes the places back.

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <cstdint>

namespace qel::toolbars {

enum TTbrOrientation { tbvoHorizontal = 0, tbvoVertical = 1, tbvoFloating = 2 };

struct TTbrMargins {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const TTbrMargins &) const = default;
};

// Height of the scroll arrow zones at the top and bottom of a scrolled popup.
constexpr int TbrScrollArrowHeight = 19;
// Thickness of a separator that ends a wrapped line.
constexpr int TbrLineSepThickness = 6;
// Size reported for a view with nothing to show.
constexpr QSize TbrEmptyViewSize(23, 22);

// One viewer as the layout sees it.
struct TTbrLayoutItem {
  enum Flag : std::uint16_t {
    Wanted = 1 << 0,      // would be shown (visible, not an embedded group's own viewer...)
    Separator = 1 << 1,   // a divider: never counted as content, may end a line
    NoLineBreak = 1 << 2, // a separator that a break inside the group before it does not force
    RightAlign = 1 << 3,  // it and all after it are pushed to the line's end
    Stretch = 1 << 4,     // stretched across the line's thickness in a toolbar
    Across = 1 << 5,      // placed side by side (toolbar, or toolbar-sized item in a menu)
    SameWidth = 1 << 6,   // takes the widest width of all such items
    Control = 1 << 7,     // hosts a control: hiding it does not enable the chevron
  };
  QSize Size; // measured width and height
  std::uint16_t Flags = Wanted;

  bool Has(Flag f) const { return (Flags & f) != 0; }
};

// Where one viewer ended up.
struct TTbrLayoutPlace {
  QRect Bounds;         // in the view window's client coordinates; empty when not laid out
  bool Show = false;    // laid out and visible
  bool OffEdge = false; // hidden because the line was too short (listed by the chevron)
  bool Clipped = false; // hidden under a popup scroll arrow (keeps its scrolled rectangle)
  bool LineSep = false; // a separator that ends a wrapped line
  bool operator==(const TTbrLayoutPlace &) const = default;
};

struct TTbrLayoutParams {
  int Orientation = tbvoHorizontal;
  bool IsToolbar = true;
  bool IsChevronPopup = false; // a popup listing a toolbar's hidden items
  bool HasChevron = false;     // the view has a chevron item (laid out apart from the list)
  int WrapOffset = 0;          // line length at which lines wrap; 0 = no wrapping
  int ChevronOffset = 0;       // length available to the line, chevron included; 0 = none
  int ChevronSize = 0;
  int MaxHeight = 0; // a popup's height limit; 0 = none
  int ScrollOffset = 0;
  TTbrMargins Margins;
  // Indices into the item list, most recently used first; when given, the
  // chevron hides from its end, else from the end of the display order.
  const QList<int> *Priority = nullptr;
};

// Shown viewers grouped in runs that are ordered along one axis, so a point
// is found by a short scan over runs and a binary search inside one.
class TTbrHitIndex {
public:
  // Index of the shown item whose rectangle holds the point, or -1.
  int Find(const QPoint &point) const;
  void Build(const QList<TTbrLayoutPlace> &places);
  void Clear();

private:
  struct TRun {
    QRect Bounds;
    bool Vertical;   // ordered by top edge, else by left edge
    int First, Last; // positions in Order_
  };
  QList<TRun> Runs_;
  QList<int> Order_;   // item indices of shown, non-empty rectangles, run by run
  QList<QRect> Rects_; // their rectangles, in the same order
};

struct TTbrLayoutResult {
  QList<TTbrLayoutPlace> Places; // one per input item
  QSize BaseSize;                // content without wrapping
  QSize TotalSize;               // the view's size
  int WrappedLines = 1;
  int ScrollOffset = 0; // limited to what the content allows
  bool ShowUpArrow = false, ShowDownArrow = false;
  bool ChevronInUse = false;   // the content did not fit before the chevron
  bool ChevronEnabled = false; // an item other than a control went into the chevron
  QRect ChevronBounds;
  TTbrHitIndex HitIndex;
};

TTbrLayoutResult CalculateLayout(const QList<TTbrLayoutItem> &items, const TTbrLayoutParams &params);

// Scroll offsets for a scrolled popup, from the places of its last layout.
// One step down brings the first clipped item below the down arrow's edge
// fully into view, one step up the last clipped item above the up arrow's
// edge, at the top at most; -1 when there is none to bring.
int ScrollStepOffset(const QList<TTbrLayoutItem> &items, const QList<TTbrLayoutPlace> &places, int maxHeight,
                     int scrollOffset, bool down);
// The offset that shows a clipped rectangle between the arrows; the offset
// itself when it needs no scrolling.
int ScrollIntoViewOffset(const QRect &bounds, int maxHeight, int scrollOffset);

} // namespace qel::toolbars
