#include "toolbars/paint/dockframe.h"

namespace qel::toolbars {

void DrawMonoGlyph(TCanvas &canvas, const TMonoGlyph &glyph, const QPoint &topLeft, const QColor &color) {
  for (int y = 0; y < 8; ++y) {
    // Runs of set bits as one line each.
    int x = 0;
    while (x < 8) {
      if (!(glyph[std::size_t(y)] & (0x80 >> x))) {
        ++x;
        continue;
      }
      int end = x;
      while (end + 1 < 8 && (glyph[std::size_t(y)] & (0x80 >> (end + 1))))
        ++end;
      canvas.DrawLine(topLeft + QPoint(x, y), topLeft + QPoint(end, y), color);
      x = end + 1;
    }
  }
}

void DrawEdge(TCanvas &canvas, const QRect &r, bool raised, const QColor &light, const QColor &shadow) {
  if (r.isEmpty())
    return;
  const QColor &topLeft = raised ? light : shadow;
  const QColor &bottomRight = raised ? shadow : light;
  canvas.DrawLine(r.topLeft(), r.topRight(), topLeft);
  canvas.DrawLine(r.topLeft(), r.bottomLeft(), topLeft);
  canvas.DrawLine(r.bottomLeft(), r.bottomRight(), bottomRight);
  canvas.DrawLine(r.topRight(), r.bottomRight(), bottomRight);
}

void PaintDockedFrame(TCanvas &canvas, const TDockFrameState &s, const TDockFrameColors &c) {
  const QRect all(QPoint(0, 0), s.Size);
  const int grip = GripSize(s.Style, s.CloseButtonWhenDocked);
  const QRect client = DockedClientRect(s.Size, s.Vertical, s.AllowDrag, grip);
  // Border and ring, then the grip zone, each filled before its lines.
  canvas.FillRect(QRect(all.left(), all.top(), all.width(), client.top()), c.Face);
  canvas.FillRect(QRect(all.left(), client.bottom() + 1, all.width(), all.bottom() - client.bottom()), c.Face);
  canvas.FillRect(QRect(all.left(), client.top(), client.left(), client.height()), c.Face);
  canvas.FillRect(QRect(client.right() + 1, client.top(), all.right() - client.right(), client.height()), c.Face);
  if (s.BorderSingle)
    DrawEdge(canvas, all, true, c.Light, c.Shadow);
  if (!s.AllowDrag)
    return;

  const QRect close = DockedCloseRect(s.Size, s.Vertical, s.AllowDrag, s.CloseButtonWhenDocked, grip);
  if (!close.isEmpty()) {
    if (s.ClosePressed)
      DrawEdge(canvas, close, false, c.Light, c.Shadow);
    else if (s.CloseHot)
      DrawEdge(canvas, close, true, c.Light, c.Shadow);
    const int shift = s.ClosePressed ? 1 : 0;
    DrawMonoGlyph(canvas, CloseGlyph,
                  QPoint(close.left() + (close.width() - 8) / 2 + shift, close.top() + (close.height() - 8) / 2 + shift),
                  c.Text);
  }
  if (s.Style == dhNone)
    return;
  // The bars run across the window, past the close button when there is one.
  const int bars = s.Style == dhDouble ? 2 : 1;
  for (int b = 0; b < bars; ++b) {
    const int at = 3 + b * 3;
    const QRect bar = s.Vertical ? QRect(QPoint(4, at), QPoint(close.isEmpty() ? s.Size.width() - 5 : close.left() - 2, at + 2))
                                 : QRect(QPoint(at, close.isEmpty() ? 4 : close.bottom() + 2), QPoint(at + 2, s.Size.height() - 5));
    if (!bar.isEmpty())
      DrawEdge(canvas, bar, true, c.Light, c.Shadow);
  }
}

void PaintChevronButton(TCanvas &canvas, const QRect &rect, bool vertical, bool hot, bool pressed, bool enabled,
                        const TDockFrameColors &c) {
  if (rect.isEmpty())
    return;
  canvas.FillRect(rect, c.Face);
  if (pressed)
    DrawEdge(canvas, rect, false, c.Light, c.Shadow);
  else if (hot)
    DrawEdge(canvas, rect, true, c.Light, c.Shadow);
  const int shift = pressed ? 1 : 0;
  const QPoint at = vertical ? QPoint(rect.left() + 2, rect.top() + 4) : QPoint(rect.right() - 9, rect.top() + 2);
  const TMonoGlyph &glyph = vertical ? ChevronGlyphVertical : ChevronGlyphHorizontal;
  if (enabled) {
    DrawMonoGlyph(canvas, glyph, at + QPoint(shift, shift), c.Text);
  } else {
    DrawMonoGlyph(canvas, glyph, at + QPoint(1, 1), c.Light);
    DrawMonoGlyph(canvas, glyph, at, c.Shadow);
  }
}

} // namespace qel::toolbars
