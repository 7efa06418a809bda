#include "toolbars/paint/verticaltext.h"

#include "toolbars/core/tbtext.h"

namespace qel::toolbars {

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

  qsizetype accel = -1;
  QString shown = (flags & TextNoPrefix) ? text : RemoveAmpersands(text, accel);
  if (flags & TextHidePrefix)
    accel = -1;
  if (flags & TextEndEllipsis) {
    qsizetype kept = shown.size();
    shown = ShortenWithEllipsis(shown, rect.height(), [&](const QString &s) { return canvas.TextWidth(s); }, &kept);
    if (accel >= kept)
      accel = -1; // the accelerator was cut off
  }

  const int length = canvas.TextWidth(shown), height = canvas.TextHeight();
  // The line's top faces right: its cell spans `height` columns from `left`.
  const int left = rect.left() + (rect.width() - height) / 2;
  const int top = (flags & TextVCenter) ? rect.top() + (rect.height() - length) / 2 : rect.top();
  if (!(flags & TextNoClip))
    canvas.SetClipRect(rect);
  canvas.TurnClockwise(QPoint(left + height, top));
  canvas.DrawText(QRect(0, 0, length, height), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
                  shown, color);
  if (accel >= 0) {
    const qsizetype next = accel + 1 < shown.size() && shown.at(accel).isHighSurrogate() ? accel + 2 : accel + 1;
    const int from = canvas.TextWidth(shown.left(accel)), to = canvas.TextWidth(shown.left(next)) - 1;
    const int y = qMin(canvas.TextAscent() + 1, height - 1);
    if (to >= from)
      canvas.DrawLine(QPoint(from, y), QPoint(to, y), color);
  }
  canvas.Restore();
}

} // namespace qel::toolbars
