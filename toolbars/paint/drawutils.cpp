#include "toolbars/paint/drawutils.h"

#include <cstdlib>

namespace qel::toolbars {

namespace {

QImage CheckerPattern(const QColor &even, const QColor &odd) {
  QImage pattern(8, 8, QImage::Format_ARGB32);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      pattern.setPixel(x, y, ((x + y) % 2 ? odd : even).rgba());
  return pattern;
}

void InvertBand(TCanvas &canvas, const QRect &rect, int thickness, const QImage &pattern) {
  if (rect.isEmpty() || thickness <= 0)
    return;
  const int t = qMin(thickness, qMin((rect.width() + 1) / 2, (rect.height() + 1) / 2));
  // Four bands that never overlap, so each pixel is inverted once.
  const int l = rect.left(), tp = rect.top(), r = rect.right(), b = rect.bottom();
  canvas.InvertRectWithPattern(QRect(QPoint(l, tp), QPoint(r, tp + t - 1)), pattern);
  const int bottomTop = qMax(b - t + 1, tp + t);
  if (bottomTop <= b)
    canvas.InvertRectWithPattern(QRect(QPoint(l, bottomTop), QPoint(r, b)), pattern);
  const int midTop = tp + t, midBottom = bottomTop - 1;
  if (midTop > midBottom)
    return;
  canvas.InvertRectWithPattern(QRect(QPoint(l, midTop), QPoint(l + t - 1, midBottom)), pattern);
  const int rightLeft = qMax(r - t + 1, l + t);
  if (rightLeft <= r)
    canvas.InvertRectWithPattern(QRect(QPoint(rightLeft, midTop), QPoint(r, midBottom)), pattern);
}

} // namespace

bool FillRectWithColor(TCanvas &canvas, const QRect &rect, TColor color) {
  if (color == clNone)
    return false;
  canvas.FillRect(rect, TColorToQColor(color));
  return true;
}

bool FrameRectWithColor(TCanvas &canvas, QRect &rect, TColor color, bool shrink) {
  bool painted = false;
  if (color != clNone && !rect.isEmpty()) {
    const QColor c = TColorToQColor(color);
    canvas.FillRect(QRect(rect.left(), rect.top(), rect.width(), 1), c);
    canvas.FillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), c);
    canvas.FillRect(QRect(rect.left(), rect.top(), 1, rect.height()), c);
    canvas.FillRect(QRect(rect.right(), rect.top(), 1, rect.height()), c);
    painted = true;
  }
  if (shrink)
    rect.adjust(1, 1, -1, -1);
  return painted;
}

void FillRectWithDitherPattern(TCanvas &canvas, const QRect &rect, TColor color1, TColor color2) {
  canvas.FillRectWithPattern(rect, CheckerPattern(TColorToQColor(color1, Qt::black), TColorToQColor(color2, Qt::black)));
}

void DrawFrameLines(TCanvas &canvas, QRect &rect, TColor topLeft, TColor bottomRight) {
  const int l = rect.left(), t = rect.top(), r = rect.right(), b = rect.bottom();
  const QColor c1 = TColorToQColor(topLeft), c2 = TColorToQColor(bottomRight);
  if (r > l)
    canvas.DrawLine(QPoint(l, t), QPoint(r - 1, t), c1);
  if (b > t) {
    canvas.DrawLine(QPoint(l, t), QPoint(l, b - 1), c1);
    canvas.DrawLine(QPoint(r, t), QPoint(r, b - 1), c2);
  }
  canvas.DrawLine(QPoint(l, b), QPoint(r, b), c2);
  rect.adjust(1, 1, -1, -1);
}

void DrawLineWithColor(TCanvas &canvas, int x1, int y1, int x2, int y2, TColor color) {
  const int dx = x2 - x1, dy = y2 - y1;
  if (dx == 0 && dy == 0)
    return;
  // Step back one pixel along the major axis (and proportionally along the other).
  const bool xMajor = std::abs(dx) >= std::abs(dy);
  const int steps = xMajor ? std::abs(dx) : std::abs(dy);
  const double f = double(steps - 1) / steps;
  const QPoint end(x1 + int(qRound(dx * f)), y1 + int(qRound(dy * f)));
  canvas.DrawLine(QPoint(x1, y1), end, TColorToQColor(color));
}

void DrawHalftoneFrame(TCanvas &canvas, const std::optional<QRect> &newRect,
                       const std::optional<QRect> &oldRect, int newThickness, int oldThickness) {
  // Set where x + y is odd: rows alternate 0x55 and 0xAA.
  const QImage pattern = CheckerPattern(Qt::black, Qt::white);
  if (oldRect)
    InvertBand(canvas, *oldRect, oldThickness, pattern);
  if (newRect)
    InvertBand(canvas, *newRect, newThickness, pattern);
}

} // namespace qel::toolbars
