#include "toolbars/paint/thmlistpaint.h"

#include "toolbars/paint/drawutils.h"
#include "toolbars/paint/framecontrols.h"

namespace qel::toolbars {

namespace {

// The desktop's scroll bar colour.
constexpr TColor ScrollBarColor = SysColor(TSysColorIndex(0));

void PaintArrowButton(TCanvas &canvas, const QRect &rect, TArrowDirection direction, bool enabled, bool pushed) {
  if (rect.isEmpty())
    return;
  if (enabled) {
    // Held: pushed and flat.
    DrawScrollButton(canvas, rect, direction, pushed, pushed);
    return;
  }
  QRect r = rect;
  DrawEdge(canvas, r, edRaised, efRect | efMiddle | efAdjust);
  const int size = qMax(qMin(r.width(), r.height()) / 4, 1);
  DrawArrow(canvas, r.center() + QPoint(1, 1), direction, size, SysQColor(sciBtnHighlight));
  DrawArrow(canvas, r.center(), direction, size, SysQColor(sciBtnShadow));
}

} // namespace

void PaintScrollBar(TCanvas &canvas, const TThmScrollBar &bar, const QPoint &offset) {
  const QPoint origin = bar.Bounds().topLeft() + offset;
  const auto at = [&](int zone) { return bar.Zone(zone).translated(origin); };
  const bool vertical = bar.Kind() == TThmScrollBarKind::Vertical;
  const bool enabled = bar.Enabled();
  const int held = bar.DownZone();
  PaintArrowButton(canvas, at(sbz::PrevButton), vertical ? TArrowDirection::Up : TArrowDirection::Left, enabled,
                   held == sbz::PrevButton);
  PaintArrowButton(canvas, at(sbz::NextButton), vertical ? TArrowDirection::Down : TArrowDirection::Right, enabled,
                   held == sbz::NextButton);
  FillRectWithColor(canvas, at(sbz::Empty), ScrollBarColor);
  for (int zone : {sbz::TrackBefore, sbz::TrackAfter}) {
    const QRect r = at(zone);
    if (r.isEmpty())
      continue;
    if (held == zone)
      FillRectWithColor(canvas, r, SysColor(sciDarkShadow));
    else
      FillRectWithDitherPattern(canvas, r, SysColor(sciBtnHighlight), ScrollBarColor);
  }
  QRect thumb = at(sbz::Thumb);
  if (!thumb.isEmpty())
    DrawEdge(canvas, thumb, edRaised, efRect | efMiddle | efAdjust);
}

QColor ListRowBackground(bool hover) { return SysQColor(hover ? sciHighlight : sciWindow); }
QColor ListRowText(bool hover) { return SysQColor(hover ? sciHighlightText : sciWindowText); }

void PaintListRow(TCanvas &canvas, const TThmListRowPaint &row) {
  if (row.Clear)
    canvas.FillRect(row.Rect, ListRowBackground(row.Hover));
  if (!row.Content)
    return;
  QRect r = row.Rect.adjusted(4, -1, -4, 1);
  if (!row.Image.isNull()) {
    const int top = (r.top() + r.bottom() + 1 - row.Image.height() + 1) / 2;
    QImage image = row.Image;
    if (!row.Enabled)
      image = image.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_ARGB32);
    canvas.DrawImage(QPoint(r.left(), top), image);
    r.setLeft(r.left() + row.Image.width() + 4);
  }
  canvas.DrawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, row.Text,
                  row.Enabled ? ListRowText(row.Hover) : SysQColor(sciGrayText));
}

void PaintColorSwatch(TCanvas &canvas, const QRect &rect, TColor color, bool enabled, bool inMenu) {
  if (!enabled) {
    QRect r = rect.adjusted(0, 0, 1, 1);
    DrawEdge(canvas, r, edSunkenOuter | edRaisedInner, efRect);
    return;
  }
  QRect r = inMenu ? rect.adjusted(2, 2, -2, -2) : rect;
  if (color == ThmNoColor || r.isEmpty())
    return; // no colour: an empty place
  FrameRectWithColor(canvas, r, SysColor(sciBtnShadow), true);
  FillRectWithColor(canvas, r, color);
}

void PaintColorCell(TCanvas &canvas, const QRect &rect, TColor color, bool enabled) {
  QRect r = rect;
  FrameRectWithColor(canvas, r, SysColor(sciBtnShadow), true);
  if (enabled && color != ThmNoColor)
    FillRectWithColor(canvas, r, color);
}

} // namespace qel::toolbars
