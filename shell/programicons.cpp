#include "shell/programicons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>

namespace qel {

namespace {

// Both pictures are drawn on a 256-unit square and scaled; below 32 pixels
// the ruled lines would blur into grey, so fewer of them are drawn.

void drawCard(QPainter &p, const QRectF &r, const QColor &paper, const QColor &band, int lines, bool small) {
  const qreal radius = r.width() * 0.06;
  QPainterPath outline;
  outline.addRoundedRect(r, radius, radius);
  QLinearGradient shade(r.topLeft(), r.bottomRight());
  shade.setColorAt(0, paper.lighter(104));
  shade.setColorAt(1, paper.darker(106));
  p.fillPath(outline, shade);
  // The title band along the top of the card.
  QPainterPath top;
  const QRectF bandRect(r.left(), r.top(), r.width(), r.height() * 0.24);
  top.addRoundedRect(bandRect, radius, radius);
  top.addRect(QRectF(r.left(), bandRect.center().y(), r.width(), bandRect.height() / 2));
  p.fillPath(top.simplified(), band);
  // Ruled lines below it.
  if (lines > 0) {
    QPen rule(QColor(0x6f, 0x9f, 0xd8), small ? 12 : 5);
    rule.setCapStyle(Qt::RoundCap);
    p.setPen(rule);
    const qreal x0 = r.left() + r.width() * 0.12, x1 = r.right() - r.width() * 0.12;
    const qreal y0 = bandRect.bottom() + r.height() * 0.16;
    const qreal step = (r.bottom() - r.height() * 0.12 - y0) / std::max(1, lines - 1);
    for (int i = 0; i < lines; ++i) {
      const qreal y = y0 + step * i;
      p.drawLine(QPointF(x0, y), QPointF(i == lines - 1 ? x0 + (x1 - x0) * 0.6 : x1, y));
    }
  }
  p.setPen(QPen(QColor(0x3a, 0x3f, 0x4a), small ? 9 : 4));
  p.setBrush(Qt::NoBrush);
  p.drawPath(outline);
}

// A stack of three index cards, fanned out, filling `area` (256 units square).
void drawCardStack(QPainter &p, const QRectF &area, bool small) {
  const qreal u = area.width() / 256.0;
  auto at = [&](qreal x, qreal y, qreal w, qreal h) { return QRectF(area.left() + x * u, area.top() + y * u, w * u, h * u); };
  p.save();
  p.translate(area.center());
  p.rotate(-8);
  p.translate(-area.center());
  drawCard(p, at(46, 30, 190, 128), QColor(0xf6, 0xd8, 0x7a), QColor(0xd9, 0x8a, 0x2b), 0, small);
  p.restore();
  p.save();
  p.translate(area.center());
  p.rotate(-3);
  p.translate(-area.center());
  drawCard(p, at(34, 62, 190, 128), QColor(0xbf, 0xe3, 0xc5), QColor(0x3f, 0x9a, 0x5a), 0, small);
  p.restore();
  drawCard(p, at(20, 100, 200, 136), QColor(0xff, 0xfe, 0xf8), QColor(0xc8, 0x3a, 0x3a), small ? 2 : 3, small);
}

QImage blank(int size) {
  QImage image(std::max(1, size), std::max(1, size), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

QIcon iconOf(QImage (*draw)(int)) {
  QIcon icon;
  for (int size : kProgramIconSizes) icon.addPixmap(QPixmap::fromImage(draw(size)));
  return icon;
}

} // namespace

QImage DrawProgramIconImage(int size) {
  QImage image = blank(size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(image.width() / 256.0, image.height() / 256.0);
  drawCardStack(p, QRectF(0, 0, 256, 256), size < 32);
  return image;
}

QImage DrawCardFileIconImage(int size) {
  QImage image = blank(size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(image.width() / 256.0, image.height() / 256.0);
  const bool small = size < 32;
  // A sheet with its top right corner folded over.
  const qreal left = 36, top = 8, right = 220, bottom = 248, fold = 56;
  QPainterPath sheet;
  sheet.moveTo(left, top);
  sheet.lineTo(right - fold, top);
  sheet.lineTo(right, top + fold);
  sheet.lineTo(right, bottom);
  sheet.lineTo(left, bottom);
  sheet.closeSubpath();
  QLinearGradient paper(QPointF(left, top), QPointF(right, bottom));
  paper.setColorAt(0, QColor(0xff, 0xff, 0xff));
  paper.setColorAt(1, QColor(0xe4, 0xe8, 0xee));
  p.fillPath(sheet, paper);
  p.setPen(QPen(QColor(0x5a, 0x60, 0x6c), small ? 10 : 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(sheet);
  QPainterPath corner;
  corner.moveTo(right - fold, top);
  corner.lineTo(right - fold, top + fold);
  corner.lineTo(right, top + fold);
  corner.closeSubpath();
  p.fillPath(corner, QColor(0xc9, 0xcf, 0xd8));
  p.drawPath(corner);
  // The program's cards on the sheet.
  drawCardStack(p, QRectF(44, 92, 172, 172), small);
  return image;
}

QIcon ProgramIcon() { return iconOf(&DrawProgramIconImage); }
QIcon CardFileIcon() { return iconOf(&DrawCardFileIconImage); }

} // namespace qel
