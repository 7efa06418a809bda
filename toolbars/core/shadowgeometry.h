#pragma once
// The drop shadow beside a popup: which strips it is made of (right of and
// below the popup, and around the button that opened it), and the alpha of
// each strip's pixels, falling off away from the window with rounded corners.

#include <QList>
#include <QRect>

#include <cstdint>

namespace qel::toolbars {

enum TShadowEdge { ShadowStartCorner = 1, ShadowEndCorner = 2 };

enum class TShadowSlot { V1, H1, V2, H2, V3, H3 };

struct TShadowStrip {
  TShadowSlot Slot;
  bool Horizontal; // below a window; otherwise right of it
  QRect Bounds;
  int Edges; // TShadowEdge bits
  bool operator==(const TShadowStrip &) const = default;
};

// The strips for a popup at `window` opened from the button at `opening`
// (either may be empty), in the order V1, H1, V2, H2, V3, H3. `halve` (a
// low-colour display, or no translucency to draw with) halves the size.
// Overlapping rectangles get no shadow.
QList<TShadowStrip> ShadowLayout(const QRect &opening, const QRect &window, int size, bool halve);

// Row-major alpha values (255 opaque) of a strip of the given size.
QList<std::uint8_t> ShadowStripAlpha(bool horizontal, const QSize &size, int edges);

} // namespace qel::toolbars
