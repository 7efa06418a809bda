#include "toolbars/paint/framecontrols.h"

#include "platform/colorvalue.h"
#include "toolbars/core/tbtext.h"

#include <QGuiApplication>

namespace qel::toolbars {

QColor SysQColor(TSysColorIndex index) { return TColorToQColor(SysColor(index)); }
QColor ThmQColor(TColor color) { return TColorToQColor(color); }

namespace {

// One ring of an edge on the chosen sides; the rectangle loses those sides.
void Ring(TCanvas &canvas, QRect &rect, const QColor &topLeft, const QColor &bottomRight, unsigned flags) {
  if (rect.isEmpty())
    return;
  const int l = rect.left(), t = rect.top(), r = rect.right(), b = rect.bottom();
  if (flags & efBottom)
    canvas.FillRect(QRect(l, b, rect.width(), 1), bottomRight);
  if (flags & efRight)
    canvas.FillRect(QRect(r, t, 1, rect.height()), bottomRight);
  if (flags & efTop)
    canvas.FillRect(QRect(l, t, rect.width() - (flags & efRight ? 1 : 0), 1), topLeft);
  if (flags & efLeft)
    canvas.FillRect(QRect(l, t, 1, rect.height() - (flags & efBottom ? 1 : 0)), topLeft);
  rect.adjust(flags & efLeft ? 1 : 0, flags & efTop ? 1 : 0, flags & efRight ? -1 : 0, flags & efBottom ? -1 : 0);
}

} // namespace

void DrawEdge(TCanvas &canvas, QRect &rect, unsigned kind, unsigned flags) {
  QRect inner = rect;
  const QColor face = SysQColor(sciBtnFace), shadow = SysQColor(sciBtnShadow), highlight = SysQColor(sciBtnHighlight);
  const QColor light = SysQColor(sciLight), dark = SysQColor(sciDarkShadow);
  if (kind & (edRaisedOuter | edSunkenOuter)) {
    if (flags & efFlat)
      Ring(canvas, inner, shadow, shadow, flags);
    else if (kind & edRaisedOuter)
      Ring(canvas, inner, light, dark, flags);
    else
      Ring(canvas, inner, shadow, highlight, flags);
  }
  if (kind & (edRaisedInner | edSunkenInner)) {
    if (flags & efFlat)
      Ring(canvas, inner, face, face, flags);
    else if (kind & edRaisedInner)
      Ring(canvas, inner, highlight, shadow, flags);
    else
      Ring(canvas, inner, dark, light, flags);
  }
  if ((flags & efMiddle) && !inner.isEmpty())
    canvas.FillRect(inner, face);
  if (flags & efAdjust)
    rect = inner;
}

void DrawArrow(TCanvas &canvas, const QPoint &c, TArrowDirection direction, int size, const QColor &color) {
  const int s = qMax(size, 1), h = s / 2;
  QPolygon p;
  switch (direction) {
  case TArrowDirection::Up: p << QPoint(c.x() - s, c.y() + h) << QPoint(c.x() + s, c.y() + h) << QPoint(c.x(), c.y() + h - s); break;
  case TArrowDirection::Down: p << QPoint(c.x() - s, c.y() - h) << QPoint(c.x() + s, c.y() - h) << QPoint(c.x(), c.y() - h + s); break;
  case TArrowDirection::Left: p << QPoint(c.x() + h, c.y() - s) << QPoint(c.x() + h, c.y() + s) << QPoint(c.x() + h - s, c.y()); break;
  case TArrowDirection::Right: p << QPoint(c.x() - h, c.y() - s) << QPoint(c.x() - h, c.y() + s) << QPoint(c.x() - h + s, c.y()); break;
  }
  canvas.FillPolygon(p, color);
}

void DrawCaptionButton(TCanvas &canvas, const QRect &rect, TCaptionButton button, bool pushed) {
  QRect r = rect;
  DrawEdge(canvas, r, pushed ? edSunken : edRaised, efRect | efMiddle | efAdjust);
  if (pushed)
    r.translate(1, 1);
  const QColor ink = SysQColor(sciBtnText);
  // The glyph in a square a little inside the face; a small face (the small caption of a floating
  // toolbar) keeps almost all of itself for the glyph, or a cross shrinks to a blot.
  const int face = qMin(r.width(), r.height());
  const int side = face >= 10 ? face - 4 : qMax(face - 1, 3);
  const int x = r.left() + (r.width() - side) / 2, y = r.top() + (r.height() - side) / 2;
  switch (button) {
  case TCaptionButton::Close:
    if (side < 7) {
      // Strokes one pixel wide, so the two bars stay apart.
      for (int i = 0; i < side; ++i) {
        canvas.FillRect(QRect(x + i, y + i, 1, 1), ink);
        canvas.FillRect(QRect(x + side - 1 - i, y + i, 1, 1), ink);
      }
      break;
    }
    for (int i = 0; i < side; ++i) {
      canvas.FillRect(QRect(x + i, y + i, qMin(2, side - i), 1), ink);
      canvas.FillRect(QRect(x + side - 1 - i - (i + 1 < side ? 1 : 0), y + i, qMin(2, i + 1), 1), ink);
    }
    break;
  case TCaptionButton::Minimise:
    canvas.FillRect(QRect(x + 1, y + side - 2, qMax(side - 3, 2), 2), ink);
    break;
  case TCaptionButton::Maximise: {
    QRect box(x, y, side, side);
    canvas.FillRect(QRect(box.left(), box.top(), box.width(), 2), ink);
    canvas.FillRect(QRect(box.left(), box.bottom(), box.width(), 1), ink);
    canvas.FillRect(QRect(box.left(), box.top(), 1, box.height()), ink);
    canvas.FillRect(QRect(box.right(), box.top(), 1, box.height()), ink);
    break;
  }
  case TCaptionButton::Restore: {
    const int s = qMax(side * 2 / 3, 3);
    for (const QRect &box : {QRect(x + side - s, y, s, s), QRect(x, y + side - s, s, s)}) {
      canvas.FillRect(box, SysQColor(sciBtnFace));
      canvas.FillRect(QRect(box.left(), box.top(), box.width(), 2), ink);
      canvas.FillRect(QRect(box.left(), box.bottom(), box.width(), 1), ink);
      canvas.FillRect(QRect(box.left(), box.top(), 1, box.height()), ink);
      canvas.FillRect(QRect(box.right(), box.top(), 1, box.height()), ink);
    }
    break;
  }
  }
}

void DrawScrollButton(TCanvas &canvas, const QRect &rect, TArrowDirection direction, bool flat, bool pushed) {
  QRect r = rect;
  if (flat) {
    canvas.FillRect(r, SysQColor(sciBtnFace));
    Ring(canvas, r, SysQColor(sciBtnShadow), SysQColor(sciBtnShadow), efRect);
  } else {
    DrawEdge(canvas, r, pushed ? edSunken : edRaised, efRect | efMiddle | efAdjust);
  }
  const QPoint c = r.center() + (pushed ? QPoint(1, 1) : QPoint());
  DrawArrow(canvas, c, direction, qMax(qMin(r.width(), r.height()) / 4, 1), SysQColor(sciBtnText));
}

void DrawTick(TCanvas &canvas, int x, int y, const QColor &color) {
  // Three pixels tall strokes: down over the first four columns, back up over the last three.
  for (int i = 0; i < 7; ++i) {
    const int top = i < 3 ? y + i : y + 2 - (i - 2) + 2;
    canvas.FillRect(QRect(x + i, top, 1, 3), color);
  }
}

void DrawCheckButton(TCanvas &canvas, const QRect &rect, bool radio, int state) {
  const int side = qMin(13, qMin(rect.width(), rect.height()));
  QRect box(rect.left(), rect.top(), side, side);
  const bool disabled = state & cks::Disabled;
  const QColor field = disabled || (state & cks::Pushed) ? SysQColor(sciBtnFace) : SysQColor(sciWindow);
  const QColor ink = disabled ? SysQColor(sciGrayText) : SysQColor(sciWindowText);
  if (!radio) {
    DrawEdge(canvas, box, edSunken, efRect | efAdjust);
    canvas.FillRect(box, field);
    if (state & cks::Mixed)
      for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left() + (y & 1); x <= box.right(); x += 2)
          canvas.FillRect(QRect(x, y, 1, 1), SysQColor(sciBtnFace));
    if (state & (cks::Set | cks::Mixed))
      DrawTick(canvas, box.left() + (box.width() - 7) / 2, box.top() + (box.height() - 7) / 2,
               state & cks::Set ? ink : SysQColor(sciBtnShadow));
    return;
  }
  // A round button: an octagon of rings, shadow above and left, highlight below and right.
  auto octagon = [](const QRect &r, int cut) {
    return QPolygon({QPoint(r.left() + cut, r.top()), QPoint(r.right() - cut, r.top()), QPoint(r.right(), r.top() + cut),
                     QPoint(r.right(), r.bottom() - cut), QPoint(r.right() - cut, r.bottom()),
                     QPoint(r.left() + cut, r.bottom()), QPoint(r.left(), r.bottom() - cut),
                     QPoint(r.left(), r.top() + cut)});
  };
  canvas.FillPolygon(octagon(box, side / 3), SysQColor(sciBtnHighlight));
  canvas.FillPolygon(octagon(box.adjusted(0, 0, -1, -1), side / 3), SysQColor(sciBtnShadow));
  canvas.FillPolygon(octagon(box.adjusted(1, 1, -1, -1), side / 3 - 1), field);
  if (state & cks::Set) {
    const QRect dot(box.left() + side / 2 - 2, box.top() + side / 2 - 2, 4, 4);
    canvas.FillPolygon(octagon(dot, 1), ink);
  }
}

void StampGlyph(TCanvas &canvas, const QPoint &topLeft, const std::uint8_t (&rows)[8], int width, int height,
                const QColor &color) {
  width = qBound(0, width, 8);
  height = qBound(0, height, 8);
  for (int y = 0; y < height; ++y) {
    int x = 0;
    while (x < width) {
      if (!(rows[y] & (0x80 >> x))) {
        ++x;
        continue;
      }
      int end = x;
      while (end < width && (rows[y] & (0x80 >> end)))
        ++end;
      canvas.FillRect(QRect(topLeft.x() + x, topLeft.y() + y, end - x, 1), color);
      x = end;
    }
  }
}

void DrawFormattedText(TCanvas &canvas, const QString &text, const QRect &rect, unsigned flags, const QColor &color) {
  if (text.isEmpty() || !color.isValid())
    return;
  const TShownText shown = ShownText(canvas, text, flags, rect.width());
  const int width = canvas.TextWidth(shown.Text), height = canvas.TextHeight();
  const int left = (flags & TextRight)    ? rect.right() + 1 - width
                   : (flags & TextCenter) ? rect.left() + (rect.width() - width) / 2
                                          : rect.left();
  const int top = (flags & TextVCenter) ? rect.top() + (rect.height() - height) / 2 : rect.top();
  canvas.Save();
  if (!(flags & TextNoClip))
    canvas.SetClipRect(rect);
  canvas.DrawText(QRect(left, top, width, height), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
                  shown.Text, color);
  UnderlineAccelerator(canvas, shown, QPoint(left, top), height, color);
  canvas.Restore();
}

QFont SmallCaptionFont() {
  QFont font = QGuiApplication::font();
  font.setBold(true);
  return font;
}

void DrawSmallCaption(TCanvas &canvas, const QRect &rect, const QString &text, bool active) {
  canvas.FillRect(rect, SysQColor(active ? sciActiveCaption : sciInactiveCaption));
  canvas.Save();
  canvas.SetFont(SmallCaptionFont());
  DrawFormattedText(canvas, text, rect.adjusted(2, 0, -1, 0), TextVCenter | TextEndEllipsis | TextNoPrefix,
                    SysQColor(active ? sciCaptionText : sciInactiveCaptionText));
  canvas.Restore();
}

} // namespace qel::toolbars
