#include "toolbars/paint/dockframe.h"

#include "toolbars/core/tbfloating.h"
#include "toolbars/paint/framecontrols.h"

namespace qel::toolbars {

namespace {

// A one-pixel raised (highlight above and left) or sunken edge just inside the rectangle.
void Edge(TCanvas &canvas, QRect rect, bool raised) {
  if (!rect.isEmpty())
    DrawEdge(canvas, rect, raised ? edRaisedInner : edSunkenOuter, efRect);
}

} // namespace

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
    Edge(canvas, all, true);
  if (!s.AllowDrag)
    return;

  const QRect close = DockedCloseRect(s.Size, s.Vertical, s.AllowDrag, s.CloseButtonWhenDocked, grip);
  if (!close.isEmpty()) {
    if (s.ClosePressed || s.CloseHot)
      Edge(canvas, close, !s.ClosePressed);
    const int shift = s.ClosePressed ? 1 : 0;
    StampGlyph(canvas,
               QPoint(close.left() + (close.width() - 8) / 2 + shift, close.top() + (close.height() - 8) / 2 + shift),
               CloseGlyph, 8, 8, c.Text);
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
      Edge(canvas, bar, true);
  }
}

void PaintChevronButton(TCanvas &canvas, const QRect &rect, bool vertical, bool hot, bool pressed, bool enabled,
                        const TDockFrameColors &c) {
  if (rect.isEmpty())
    return;
  canvas.FillRect(rect, c.Face);
  if (pressed || hot)
    Edge(canvas, rect, !pressed);
  const int shift = pressed ? 1 : 0;
  const QPoint at = vertical ? QPoint(rect.left() + 2, rect.top() + 4) : QPoint(rect.right() - 9, rect.top() + 2);
  const auto &glyph = vertical ? ChevronGlyphVertical : ChevronGlyphHorizontal;
  if (enabled) {
    StampGlyph(canvas, at + QPoint(shift, shift), glyph, 8, 8, c.Text);
  } else {
    StampGlyph(canvas, at + QPoint(1, 1), glyph, 8, 8, SysQColor(sciBtnHighlight));
    StampGlyph(canvas, at, glyph, 8, 8, SysQColor(sciBtnShadow));
  }
}

void PaintFloatingFrame(TCanvas &canvas, const TFloatingFrameState &s, const TDockFrameColors &c) {
  TTbrFloatingFrame frame;
  frame.Frame = s.Frame;
  frame.CaptionHeight = s.CaptionHeight;
  frame.CloseButton = s.CloseButton;
  const QRect all(QPoint(0, 0), s.Outer);
  const QRect client = frame.ClientRect(s.Outer);
  canvas.FillRect(QRect(all.left(), all.top(), all.width(), client.top()), c.Face);
  canvas.FillRect(QRect(all.left(), client.bottom() + 1, all.width(), all.bottom() - client.bottom()), c.Face);
  canvas.FillRect(QRect(all.left(), client.top(), client.left(), client.height()), c.Face);
  canvas.FillRect(QRect(client.right() + 1, client.top(), all.right() - client.right(), client.height()), c.Face);
  QRect edge = all;
  DrawEdge(canvas, edge, edRaised, efRect);
  const QRect caption = frame.CaptionRect(s.Outer);
  if (caption.isEmpty())
    return;
  const QRect close = frame.CloseRect(s.Outer);
  QRect strip = caption;
  if (!close.isEmpty())
    strip.setRight(close.left() - 1);
  DrawSmallCaption(canvas, strip, s.Caption, s.Active);
  if (!close.isEmpty()) {
    canvas.FillRect(close, c.Face);
    DrawCaptionButton(canvas, close.adjusted(1, 1, -1, -1), TCaptionButton::Close, s.ClosePressed);
  }
}

} // namespace qel::toolbars
