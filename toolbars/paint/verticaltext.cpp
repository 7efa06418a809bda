#include "toolbars/paint/verticaltext.h"

#include "toolbars/core/tbtext.h"

namespace qel::toolbars {

TShownText ShownText(TCanvas &canvas, const QString &text, unsigned flags, int extent) {
  TShownText shown;
  shown.Text = (flags & TextNoPrefix) ? text : RemoveAmpersands(text, shown.Accel);
  if (flags & TextHidePrefix)
    shown.Accel = -1;
  if (flags & TextEndEllipsis) {
    qsizetype kept = shown.Text.size();
    shown.Text = ShortenWithEllipsis(shown.Text, extent, [&](const QString &s) { return canvas.TextWidth(s); }, &kept);
    if (shown.Accel >= kept)
      shown.Accel = -1; // the accelerator was cut off
  }
  return shown;
}

void UnderlineAccelerator(TCanvas &canvas, const TShownText &shown, QPoint origin, int height, const QColor &color) {
  const qsizetype accel = shown.Accel;
  const QString &text = shown.Text;
  if (accel < 0)
    return;
  const qsizetype next = accel + 1 < text.size() && text.at(accel).isHighSurrogate() ? accel + 2 : accel + 1;
  const int from = origin.x() + canvas.TextWidth(text.left(accel));
  const int to = origin.x() + canvas.TextWidth(text.left(next)) - 1;
  const int y = origin.y() + qMin(canvas.TextAscent() + 1, height - 1);
  if (to >= from)
    canvas.DrawLine(QPoint(from, y), QPoint(to, y), color);
}

QFont MakeVerticalFont(const QFont &font) {
  QFont vertical = font;
  const QString family = font.family();
  if (family.compare(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0 ||
      family.compare(QLatin1String("Microsoft Sans Serif"), Qt::CaseInsensitive) == 0)
    vertical.setFamily(QStringLiteral("Arial"));
  vertical.setStyleStrategy(QFont::StyleStrategy(vertical.styleStrategy() | QFont::ForceOutline));
  return vertical;
}

void DrawVerticalText(TCanvas &canvas, const QString &text, const QRect &rect, unsigned flags, const QColor &color) {
  if (text.isEmpty())
    return;
  canvas.Save();
  canvas.SetFont(MakeVerticalFont(canvas.Font()));

  const TShownText shown = ShownText(canvas, text, flags, rect.height());
  const int length = canvas.TextWidth(shown.Text), height = canvas.TextHeight();
  // The line's top faces right: its cell spans `height` columns from `left`.
  const int left = rect.left() + (rect.width() - height) / 2;
  const int top = (flags & TextVCenter) ? rect.top() + (rect.height() - length) / 2 : rect.top();
  if (!(flags & TextNoClip))
    canvas.SetClipRect(rect);
  canvas.TurnClockwise(QPoint(left + height, top));
  canvas.DrawText(QRect(0, 0, length, height), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
                  shown.Text, color);
  UnderlineAccelerator(canvas, shown, QPoint(0, 0), height, color);
  canvas.Restore();
}

} // namespace qel::toolbars
