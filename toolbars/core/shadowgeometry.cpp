#include "toolbars/core/shadowgeometry.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>

namespace qel::toolbars {

namespace {

// Edges as left, top, right, bottom with right and bottom exclusive.
struct TEdges {
  int L, T, R, B;
  explicit TEdges(const QRect &r) : L(r.left()), T(r.top()), R(r.left() + r.width()), B(r.top() + r.height()) {}
};

QRect Ltrb(int l, int t, int r, int b) { return QRect(l, t, r - l, b - t); }

std::uint8_t CornerAlpha(int a, int b, int m) {
  const int e = ((std::max(a, b) + a + b) * 128) / m;
  return e > 254 ? 0 : std::uint8_t(255 - e);
}

} // namespace

QList<TShadowStrip> ShadowLayout(const QRect &opening, const QRect &window, int size, bool halve) {
  const int s = halve ? size / 2 : size;
  std::array<std::optional<TShadowStrip>, 6> made;
  const auto put = [&](TShadowSlot slot, bool horizontal, const QRect &bounds, int edges) {
    made[std::size_t(slot)] = TShadowStrip{slot, horizontal, bounds, edges};
  };
  const bool hasP = !opening.isEmpty(), hasR = !window.isEmpty();
  if (hasP != hasR) {
    const TEdges q(hasP ? opening : window);
    put(TShadowSlot::V1, false, Ltrb(q.R, q.T + s, q.R + s, q.B), ShadowStartCorner);
    put(TShadowSlot::H1, true, Ltrb(q.L + s, q.B, q.R + s, q.B + s), ShadowStartCorner | ShadowEndCorner);
  } else if (hasP && hasR) {
    TEdges p(opening), r(window);
    if (r.T + 2 < p.B && p.T < r.B - 2) {
      if (r.L + 2 < p.R && p.L < r.R - 2)
        return {};
      if (p.L > r.L)
        std::swap(p, r); // side by side: r is the right one
      if (p.T + s < r.T)
        put(TShadowSlot::V1, false, Ltrb(p.R, p.T + s, p.R + s, r.T), ShadowStartCorner);
      put(TShadowSlot::V2, false, Ltrb(r.R, r.T + s, r.R + s, r.B + s), ShadowStartCorner | ShadowEndCorner);
      put(TShadowSlot::H1, true, Ltrb(p.L + s, p.B, p.R, p.B + s), ShadowStartCorner);
      if (r.B < p.B)
        put(TShadowSlot::V3, false, Ltrb(p.R, r.B, p.R + s, p.B + s), ShadowStartCorner | ShadowEndCorner);
      if (p.B + s < r.B)
        put(TShadowSlot::H2, true, Ltrb(r.L + s, r.B, r.R, r.B + s), ShadowStartCorner);
      else
        put(TShadowSlot::H2, true, Ltrb(r.L, r.B, r.R, r.B + s), 0);
    } else {
      if (p.T > r.T)
        std::swap(p, r); // one above the other: r is the lower one
      if (p.L + s < r.L)
        put(TShadowSlot::H1, true, Ltrb(p.L + s, p.B, r.L, p.B + s), ShadowStartCorner);
      put(TShadowSlot::H2, true, Ltrb(r.L + s, r.B, r.R + s, r.B + s), ShadowStartCorner | ShadowEndCorner);
      put(TShadowSlot::V1, false, Ltrb(p.R, p.T + s, p.R + s, p.B), ShadowStartCorner);
      if (r.R < p.R)
        put(TShadowSlot::H3, true, Ltrb(r.R, p.B, p.R + s, p.B + s), ShadowStartCorner | ShadowEndCorner);
      if (p.R + s < r.R)
        put(TShadowSlot::V2, false, Ltrb(r.R, r.T + s, r.R + s, r.B), ShadowStartCorner);
      else
        put(TShadowSlot::V2, false, Ltrb(r.R, r.T + 1, r.R + s, r.B), 0);
    }
  }
  QList<TShadowStrip> strips;
  for (const auto &slot : made)
    if (slot)
      strips.append(*slot);
  return strips;
}

QList<std::uint8_t> ShadowStripAlpha(bool horizontal, const QSize &size, int edges) {
  const int w = std::max(size.width(), 0), h = std::max(size.height(), 0);
  QList<std::uint8_t> alpha(qsizetype(w) * h, 0);
  if (w == 0 || h == 0)
    return alpha;
  // Along the strip: its length, and the corner size (the strip's thickness).
  const int length = horizontal ? w : h, thickness = horizontal ? h : w;
  int start = (edges & ShadowStartCorner) ? thickness : 0;
  int end = (edges & ShadowEndCorner) ? thickness : 0;
  if (length < start + end) {
    if (start && end)
      start = end = length / 2;
    else if (start)
      start = length;
    else
      end = length;
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int along = horizontal ? x : y, across = horizontal ? y : x;
      std::uint8_t value;
      if (along < start) {
        // The start corner, of `start` along by the thickness across.
        const int cw = horizontal ? start : w, ch = horizontal ? h : start;
        const int m = std::max(cw, ch);
        value = horizontal ? CornerAlpha(std::abs(x - m + 1), std::abs(y + m - ch), m)
                           : CornerAlpha(std::abs(y - m + 1), std::abs(x + m - cw), m);
      } else if (along >= length - end) {
        const int cx = horizontal ? x - (length - end) : x, cy = horizontal ? y : y - (length - end);
        const int cw = horizontal ? end : w, ch = horizontal ? h : end;
        const int m = std::max(cw, ch);
        value = CornerAlpha(std::abs(cx + m - cw), std::abs(cy + m - ch), m);
      } else {
        value = std::uint8_t(255 - across * 256 / thickness);
      }
      alpha[qsizetype(y) * w + x] = value;
    }
  return alpha;
}

} // namespace qel::toolbars
