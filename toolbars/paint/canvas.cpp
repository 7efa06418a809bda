#include "toolbars/paint/canvas.h"

#include "toolbars/core/tbtext.h"

#include <QBrush>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>

namespace qel::toolbars {

TPainterCanvas::TPainterCanvas(QPainter &painter) : Painter(painter) {}

void TPainterCanvas::FillRect(const QRect &rect, const QColor &color) { Painter.fillRect(rect, color); }

void TPainterCanvas::FillRectWithPattern(const QRect &rect, const QImage &pattern) {
  QBrush brush(pattern);
  Painter.save();
  Painter.setBrushOrigin(0, 0);
  Painter.fillRect(rect, brush);
  Painter.restore();
}

void TPainterCanvas::InvertRectWithPattern(const QRect &rect, const QImage &pattern) {
  if (rect.isEmpty())
    return;
  // White where the pattern is set, black elsewhere: a difference with white inverts.
  QImage mask(8, 8, QImage::Format_RGB32);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      mask.setPixel(x, y, qGray(pattern.pixel(x % pattern.width(), y % pattern.height())) ? 0xFFFFFFFFu : 0xFF000000u);
  Painter.save();
  Painter.setBrushOrigin(0, 0);
  Painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  Painter.fillRect(rect, QBrush(mask));
  Painter.restore();
}

void TPainterCanvas::DrawLine(const QPoint &p1, const QPoint &p2, const QColor &color) {
  Painter.save();
  Painter.setRenderHint(QPainter::Antialiasing, false);
  Painter.setPen(QPen(color, 0));
  Painter.drawLine(p1, p2);
  Painter.restore();
}

void TPainterCanvas::FillPolygon(const QPolygon &polygon, const QColor &color) {
  Painter.save();
  Painter.setRenderHint(QPainter::Antialiasing, false);
  Painter.setPen(QPen(color, 0));
  Painter.setBrush(color);
  Painter.drawPolygon(polygon);
  Painter.restore();
}

void TPainterCanvas::DrawText(const QRect &rect, int alignment, const QString &text, const QColor &color) {
  Painter.save();
  Painter.setPen(color);
  Painter.drawText(rect, alignment, text);
  Painter.restore();
}

void TPainterCanvas::DrawImage(const QPoint &topLeft, const QImage &image) { Painter.drawImage(topLeft, image); }

QImage TPainterCanvas::CopyArea(const QRect &rect) const {
  auto *image = dynamic_cast<QImage *>(Painter.device());
  if (!image)
    return {};
  return image->copy(rect).convertToFormat(QImage::Format_ARGB32);
}

void TPainterCanvas::SetFont(const QFont &font) { Painter.setFont(font); }
QFont TPainterCanvas::Font() const { return Painter.font(); }
int TPainterCanvas::TextHeight() const { return Painter.fontMetrics().height(); }
int TPainterCanvas::TextWidth(const QString &text) const { return Painter.fontMetrics().horizontalAdvance(text); }
int TPainterCanvas::TextAscent() const { return Painter.fontMetrics().ascent(); }
void TPainterCanvas::Save() { Painter.save(); }
void TPainterCanvas::Restore() { Painter.restore(); }
void TPainterCanvas::SetClipRect(const QRect &rect) { Painter.setClipRect(rect); }

void TPainterCanvas::TurnClockwise(const QPoint &origin) {
  Painter.translate(origin);
  Painter.rotate(90);
}

int CanvasTextHeight(const TCanvas &canvas) { return canvas.TextHeight(); }

int CanvasTextWidth(const TCanvas &canvas, const QString &text, bool stripAccelerators) {
  return canvas.TextWidth(stripAccelerators ? RemoveAmpersands(text) : text);
}

} // namespace qel::toolbars
