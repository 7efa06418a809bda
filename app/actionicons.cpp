#include "app/actionicons.h"

#include "toolbars/paint/pixelimagelist.h"

#include <QGuiApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

#include <functional>

namespace qel {

namespace {

// Every picture is drawn on a 16 by 16 grid and scaled to the size asked for.
using Drawing = std::function<void(QPainter &)>;

// The outlines and letters are drawn in the desktop's button text colour,
// so that they read on its toolbars, light or dark; the engine sets it for
// each picture it draws.
QColor &CurrentInk() {
  static QColor ink(0x30, 0x30, 0x30);
  return ink;
}
QColor Ink() { return CurrentInk(); }
const QColor kPaper(0xFF, 0xFF, 0xFF);
const QColor kBlue(0x2A, 0x5D, 0xB0);
const QColor kGreen(0x2E, 0x8B, 0x3A);
const QColor kRed(0xC0, 0x28, 0x28);
const QColor kYellow(0xF2, 0xC7, 0x2E);
const QColor kFolder(0xE8, 0xB8, 0x4A);

QPen pen(const QColor &c, qreal w = 1.0) {
  QPen p(c, w);
  p.setJoinStyle(Qt::RoundJoin);
  p.setCapStyle(Qt::RoundCap);
  return p;
}

void page(QPainter &p, qreal x = 3, qreal y = 1.5, qreal w = 10, qreal h = 13) {
  QPainterPath path;
  path.moveTo(x, y);
  path.lineTo(x + w - 3, y);
  path.lineTo(x + w, y + 3);
  path.lineTo(x + w, y + h);
  path.lineTo(x, y + h);
  path.closeSubpath();
  p.setPen(pen(Ink()));
  p.setBrush(kPaper);
  p.drawPath(path);
  p.drawLine(QPointF(x + w - 3, y), QPointF(x + w - 3, y + 3));
  p.drawLine(QPointF(x + w - 3, y + 3), QPointF(x + w, y + 3));
}

void textLines(QPainter &p, qreal x, qreal y, qreal w, int n, qreal step = 2) {
  p.setPen(pen(QColor(0x80, 0x80, 0x80)));
  for (int i = 0; i < n; ++i) p.drawLine(QPointF(x, y + i * step), QPointF(x + w, y + i * step));
}

void letter(QPainter &p, const QString &text, bool bold, bool italic, bool underline, const QColor &color = Ink(),
            const QRectF &box = QRectF(0, 0, 16, 16), qreal size = 12) {
  QFont f(QStringLiteral("Sans Serif"));
  f.setPixelSize(int(size));
  f.setBold(bold);
  f.setItalic(italic);
  f.setUnderline(underline);
  p.setFont(f);
  p.setPen(color);
  p.drawText(box, Qt::AlignCenter, text);
}

void magnifier(QPainter &p, qreal cx, qreal cy, qreal r) {
  p.setPen(pen(Ink(), 1.5));
  p.setBrush(QColor(0xD8, 0xE8, 0xF8));
  p.drawEllipse(QPointF(cx, cy), r, r);
  p.setPen(pen(Ink(), 2.2));
  p.drawLine(QPointF(cx + r * 0.7, cy + r * 0.7), QPointF(cx + r * 1.8, cy + r * 1.8));
}

void alignLines(QPainter &p, int align) {
  p.setPen(pen(Ink(), 1.2));
  const qreal widths[] = {12, 8, 12, 6, 10};
  for (int i = 0; i < 5; ++i) {
    qreal w = widths[i];
    qreal x = align == 0 ? 2 : align == 1 ? 8 - w / 2 : 14 - w;
    qreal y = 3 + i * 2.5;
    p.drawLine(QPointF(x, y), QPointF(x + w, y));
  }
}

void triangle(QPainter &p, qreal tipX, qreal baseX, const QColor &c) {
  QPolygonF t;
  t << QPointF(tipX, 8) << QPointF(baseX, 3) << QPointF(baseX, 13);
  p.setPen(pen(c.darker(130)));
  p.setBrush(c);
  p.drawPolygon(t);
}

void curvedArrow(QPainter &p, bool backwards) {
  p.save();
  if (!backwards) {
    p.translate(16, 0);
    p.scale(-1, 1);
  }
  QPainterPath arc;
  arc.moveTo(4, 7);
  arc.cubicTo(6, 2, 14, 3, 13, 9);
  arc.cubicTo(12.5, 12, 10, 13, 8, 13);
  p.setPen(pen(kBlue, 2));
  p.setBrush(Qt::NoBrush);
  p.drawPath(arc);
  QPolygonF head;
  head << QPointF(1.5, 4) << QPointF(7, 4.5) << QPointF(3.5, 9.5);
  p.setPen(pen(kBlue));
  p.setBrush(kBlue);
  p.drawPolygon(head);
  p.restore();
}

const QHash<QString, Drawing> &drawings() {
  static const QHash<QString, Drawing> table = {
      {QStringLiteral("a_FileNew"),
       [](QPainter &p) {
         page(p);
         p.setPen(pen(kYellow.darker(120), 1.2));
         p.drawLine(QPointF(12, 10), QPointF(12, 15));
         p.drawLine(QPointF(9.5, 12.5), QPointF(14.5, 12.5));
       }},
      {QStringLiteral("a_FileOpen"),
       [](QPainter &p) {
         p.setPen(pen(kFolder.darker(150)));
         p.setBrush(kFolder.darker(110));
         p.drawRect(QRectF(1.5, 3.5, 12, 10));
         QPolygonF front;
         front << QPointF(3.5, 6.5) << QPointF(15, 6.5) << QPointF(13, 13.5) << QPointF(1.5, 13.5);
         p.setBrush(kFolder);
         p.drawPolygon(front);
       }},
      {QStringLiteral("a_FileSave"),
       [](QPainter &p) {
         p.setPen(pen(kBlue.darker(150)));
         p.setBrush(kBlue);
         p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
         p.setBrush(kPaper);
         p.drawRect(QRectF(4, 1.5, 8, 5));
         p.setBrush(QColor(0xC8, 0xC8, 0xC8));
         p.drawRect(QRectF(4, 9.5, 8, 5));
         p.setPen(pen(kBlue.darker(150)));
         p.drawLine(QPointF(10, 2.5), QPointF(10, 5.5));
       }},
      {QStringLiteral("a_Print"),
       [](QPainter &p) {
         p.setPen(pen(Ink()));
         p.setBrush(kPaper);
         p.drawRect(QRectF(4.5, 1.5, 7, 5));
         p.setBrush(QColor(0xB0, 0xB0, 0xB8));
         p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1, 1);
         p.setBrush(kPaper);
         p.drawRect(QRectF(4.5, 10.5, 7, 4));
         p.setPen(pen(kGreen, 1.5));
         p.drawPoint(QPointF(12.5, 8.5));
       }},
      {QStringLiteral("a_FilePrintPreview"),
       [](QPainter &p) {
         page(p, 1.5, 1.5, 9, 12);
         textLines(p, 3.5, 5, 5, 3);
         magnifier(p, 10, 10, 3);
       }},
      {QStringLiteral("EditCut"),
       [](QPainter &p) {
         p.setPen(pen(Ink(), 1.2));
         p.drawLine(QPointF(5, 1.5), QPointF(10.5, 10));
         p.drawLine(QPointF(11, 1.5), QPointF(5.5, 10));
         p.setPen(pen(kRed, 1.5));
         p.setBrush(Qt::NoBrush);
         p.drawEllipse(QPointF(4.5, 12), 2.5, 2.5);
         p.drawEllipse(QPointF(11.5, 12), 2.5, 2.5);
       }},
      {QStringLiteral("EditCopy"),
       [](QPainter &p) {
         page(p, 1.5, 1.5, 8, 10);
         page(p, 6.5, 4.5, 8, 10);
         textLines(p, 8.5, 8.5, 4, 3);
       }},
      {QStringLiteral("EditPaste"),
       [](QPainter &p) {
         p.setPen(pen(kFolder.darker(170)));
         p.setBrush(kFolder.darker(115));
         p.drawRoundedRect(QRectF(2.5, 2.5, 10, 12.5), 1, 1);
         p.setBrush(QColor(0xA0, 0xA0, 0xA0));
         p.drawRect(QRectF(5, 1, 5, 3));
         page(p, 7, 6.5, 7.5, 8.5);
       }},
      {QStringLiteral("a_Undo"), [](QPainter &p) { curvedArrow(p, true); }},
      {QStringLiteral("a_Redo"), [](QPainter &p) { curvedArrow(p, false); }},
      {QStringLiteral("a_Add"),
       [](QPainter &p) {
         p.setPen(pen(Ink()));
         p.setBrush(QColor(0xFF, 0xF6, 0xC8));
         p.drawRect(QRectF(1.5, 3.5, 11, 9));
         p.setPen(pen(kRed));
         p.drawLine(QPointF(1.5, 6), QPointF(12.5, 6));
         p.setPen(pen(kGreen, 2.2));
         p.drawLine(QPointF(12.5, 9), QPointF(12.5, 15));
         p.drawLine(QPointF(9.5, 12), QPointF(15.5, 12));
       }},
      {QStringLiteral("a_DeleteList"),
       [](QPainter &p) {
         p.setPen(pen(kRed, 2.4));
         p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
         p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
       }},
      {QStringLiteral("a_CardFind"), [](QPainter &p) { magnifier(p, 6.5, 6.5, 4.5); }},
      {QStringLiteral("a_CardFindNext"),
       [](QPainter &p) {
         magnifier(p, 5.5, 5.5, 3.8);
         triangle(p, 15, 11, kGreen);
       }},
      {QStringLiteral("a_CardReplace"),
       [](QPainter &p) {
         letter(p, QStringLiteral("a"), true, false, false, kBlue, QRectF(0, 0, 9, 9), 9);
         letter(p, QStringLiteral("b"), true, false, false, kRed, QRectF(7, 7, 9, 9), 9);
         p.setPen(pen(Ink()));
         p.drawLine(QPointF(9, 3), QPointF(13, 3));
         p.drawLine(QPointF(13, 3), QPointF(13, 6));
       }},
      {QStringLiteral("a_Lock"),
       [](QPainter &p) {
         p.setPen(pen(Ink(), 1.6));
         p.setBrush(Qt::NoBrush);
         p.drawArc(QRectF(4.5, 1.5, 7, 9), 0, 180 * 16);
         p.drawLine(QPointF(4.5, 6), QPointF(4.5, 7.5));
         p.drawLine(QPointF(11.5, 6), QPointF(11.5, 7.5));
         p.setPen(pen(kFolder.darker(170)));
         p.setBrush(kYellow);
         p.drawRoundedRect(QRectF(2.5, 7.5, 11, 7), 1, 1);
         p.setPen(pen(Ink(), 1.4));
         p.drawLine(QPointF(8, 10), QPointF(8, 12));
       }},
      {QStringLiteral("ac_First"),
       [](QPainter &p) {
         p.setPen(pen(kBlue.darker(130), 1.6));
         p.drawLine(QPointF(3, 3), QPointF(3, 13));
         triangle(p, 4.5, 12, kBlue);
       }},
      {QStringLiteral("ac_Previous"), [](QPainter &p) { triangle(p, 4, 11.5, kBlue); }},
      {QStringLiteral("ac_Next"), [](QPainter &p) { triangle(p, 12, 4.5, kBlue); }},
      {QStringLiteral("ac_Last"),
       [](QPainter &p) {
         triangle(p, 11.5, 4, kBlue);
         p.setPen(pen(kBlue.darker(130), 1.6));
         p.drawLine(QPointF(13, 3), QPointF(13, 13));
       }},
      {QStringLiteral("a_Bold"), [](QPainter &p) { letter(p, QStringLiteral("B"), true, false, false); }},
      {QStringLiteral("a_Italic"), [](QPainter &p) { letter(p, QStringLiteral("I"), true, true, false); }},
      {QStringLiteral("a_Underline"), [](QPainter &p) { letter(p, QStringLiteral("U"), true, false, true); }},
      {QStringLiteral("a_Left"), [](QPainter &p) { alignLines(p, 0); }},
      {QStringLiteral("a_Center"), [](QPainter &p) { alignLines(p, 1); }},
      {QStringLiteral("a_Right"), [](QPainter &p) { alignLines(p, 2); }},
      {QStringLiteral("a_Bullets"),
       [](QPainter &p) {
         for (int i = 0; i < 3; ++i) {
           qreal y = 3.5 + i * 4.5;
           p.setPen(Qt::NoPen);
           p.setBrush(kBlue);
           p.drawEllipse(QPointF(3, y), 1.5, 1.5);
           p.setPen(pen(Ink(), 1.2));
           p.drawLine(QPointF(6.5, y), QPointF(14, y));
         }
       }},
      {QStringLiteral("a_Paragraph"),
       [](QPainter &p) {
         // A pilcrow.
         p.setPen(Qt::NoPen);
         p.setBrush(Ink());
         p.drawEllipse(QPointF(6, 5.5), 3.2, 3.2);
         p.setPen(pen(Ink(), 1.4));
         p.drawLine(QPointF(8.5, 2.5), QPointF(13.5, 2.5));
         p.drawLine(QPointF(9, 2.5), QPointF(9, 14));
         p.drawLine(QPointF(12.5, 2.5), QPointF(12.5, 14));
       }},
      {QStringLiteral("a_Superscript"),
       [](QPainter &p) {
         letter(p, QStringLiteral("x"), false, false, false, Ink(), QRectF(0, 4, 11, 12), 12);
         letter(p, QStringLiteral("2"), true, false, false, kBlue, QRectF(9, 0, 7, 8), 7);
       }},
      {QStringLiteral("a_SubScript"),
       [](QPainter &p) {
         letter(p, QStringLiteral("x"), false, false, false, Ink(), QRectF(0, 0, 11, 12), 12);
         letter(p, QStringLiteral("2"), true, false, false, kBlue, QRectF(9, 8, 7, 8), 7);
       }},
      {QStringLiteral("a_TextColor"),
       [](QPainter &p) {
         letter(p, QStringLiteral("A"), true, false, false, Ink(), QRectF(0, -1, 16, 13), 11);
         p.fillRect(QRectF(2, 12.5, 12, 3), kRed);
       }},
      {QStringLiteral("a_TextHighLight"),
       [](QPainter &p) {
         p.fillRect(QRectF(1, 11.5, 14, 4), kYellow);
         QPolygonF pen1;
         pen1 << QPointF(5, 11) << QPointF(12, 2) << QPointF(14.5, 4.5) << QPointF(7.5, 13);
         p.setPen(pen(Ink()));
         p.setBrush(QColor(0xF5, 0xEE, 0x90));
         p.drawPolygon(pen1);
       }},
      {QStringLiteral("a_FormatPainter"),
       [](QPainter &p) {
         p.setPen(pen(Ink()));
         p.setBrush(kYellow);
         p.drawRoundedRect(QRectF(1.5, 1.5, 11, 4.5), 1, 1);
         p.setPen(pen(Ink(), 1.4));
         p.drawLine(QPointF(12.5, 4), QPointF(14.5, 4));
         p.drawLine(QPointF(14.5, 4), QPointF(14.5, 8));
         p.drawLine(QPointF(14.5, 8), QPointF(8, 8));
         p.setPen(pen(Ink(), 2.4));
         p.drawLine(QPointF(8, 8), QPointF(8, 14.5));
       }},
      {QStringLiteral("a_Action"),
       [](QPainter &p) {
         QPolygonF bolt;
         bolt << QPointF(9.5, 1) << QPointF(3.5, 9) << QPointF(7.5, 9) << QPointF(6, 15) << QPointF(12.5, 6.5)
              << QPointF(8.5, 6.5);
         p.setPen(pen(kFolder.darker(170)));
         p.setBrush(kYellow);
         p.drawPolygon(bolt);
       }},
      {QStringLiteral("a_Dial"),
       [](QPainter &p) {
         QPainterPath handset;
         handset.moveTo(3, 2);
         handset.lineTo(6, 2);
         handset.lineTo(7, 5.5);
         handset.lineTo(5.2, 7);
         handset.cubicTo(6.2, 9, 7.2, 10, 9, 10.8);
         handset.lineTo(10.5, 9);
         handset.lineTo(14, 10);
         handset.lineTo(14, 13);
         handset.cubicTo(7, 14, 2, 9, 3, 2);
         p.setPen(pen(kGreen.darker(150)));
         p.setBrush(kGreen);
         p.drawPath(handset);
       }},
      {QStringLiteral("a_SendEMail"),
       [](QPainter &p) {
         p.setPen(pen(Ink()));
         p.setBrush(kPaper);
         p.drawRect(QRectF(1.5, 3.5, 13, 9));
         QPolygonF flap;
         flap << QPointF(1.5, 3.5) << QPointF(8, 9) << QPointF(14.5, 3.5);
         p.setBrush(Qt::NoBrush);
         p.drawPolyline(flap);
       }},
      {QStringLiteral("a_BrowseWWW"),
       [](QPainter &p) {
         p.setPen(pen(kBlue.darker(140)));
         p.setBrush(QColor(0xA8, 0xCC, 0xF0));
         p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
         p.setBrush(Qt::NoBrush);
         p.drawEllipse(QRectF(5, 1.5, 6, 13));
         p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
         p.drawLine(QPointF(2.8, 4.8), QPointF(13.2, 4.8));
         p.drawLine(QPointF(2.8, 11.2), QPointF(13.2, 11.2));
       }},
      {QStringLiteral("a_RunApplication"),
       [](QPainter &p) {
         p.setPen(pen(Ink()));
         p.setBrush(kPaper);
         p.drawRect(QRectF(1.5, 2.5, 13, 11));
         p.setBrush(kBlue);
         p.drawRect(QRectF(1.5, 2.5, 13, 2.5));
         p.setPen(pen(kGreen.darker(130), 1.4));
         p.drawLine(QPointF(4, 7.5), QPointF(6.5, 9.5));
         p.drawLine(QPointF(6.5, 9.5), QPointF(4, 11.5));
         p.drawLine(QPointF(8, 11.5), QPointF(11.5, 11.5));
       }},
      {QStringLiteral("a_GoToCard"),
       [](QPainter &p) {
         p.setPen(pen(Ink()));
         p.setBrush(QColor(0xFF, 0xF6, 0xC8));
         p.drawRect(QRectF(1.5, 3.5, 10, 8));
         textLines(p, 3, 6, 6, 2, 2.5);
         p.setPen(pen(kBlue.darker(120), 1.6));
         p.drawLine(QPointF(9, 13.5), QPointF(14.5, 13.5));
         p.drawLine(QPointF(12.5, 11.5), QPointF(14.5, 13.5));
         p.drawLine(QPointF(14.5, 13.5), QPointF(12.5, 15.5));
       }},
      {QStringLiteral("a_Options"),
       [](QPainter &p) {
         p.setPen(pen(Ink(), 1.2));
         for (int i = 0; i < 3; ++i) {
           qreal y = 3.5 + i * 4.5;
           p.drawLine(QPointF(2, y), QPointF(14, y));
           qreal x = i == 1 ? 10 : 5;
           p.setBrush(kBlue);
           p.drawRect(QRectF(x - 1.5, y - 1.5, 3, 3));
         }
       }},
  };
  return table;
}

// Draws on request at the size the widget asks for, in the desktop's
// colours of the moment; disabled pictures are greyed.
class DrawnIconEngine : public QIconEngine {
public:
  explicit DrawnIconEngine(Drawing drawing) : drawing_(std::move(drawing)) {}

  void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override {
    if (mode == QIcon::Disabled) {
      // Greyed as the toolbars grey a disabled picture.
      const QImage normal = pixmap(rect.size(), QIcon::Normal, state).toImage();
      painter->drawImage(rect, toolbars::DisabledImage(normal));
      return;
    }
    CurrentInk() = QGuiApplication::palette().color(QPalette::Active, QPalette::ButtonText);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setRenderHint(QPainter::TextAntialiasing, true);
    painter->translate(rect.topLeft());
    painter->scale(rect.width() / 16.0, rect.height() / 16.0);
    drawing_(*painter);
    painter->restore();
  }

  QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    paint(&p, QRect(QPoint(0, 0), size), mode, state);
    return pm;
  }

  QIconEngine *clone() const override { return new DrawnIconEngine(drawing_); }
  QString key() const override { return QStringLiteral("qel-drawn"); }

private:
  Drawing drawing_;
};

// Names of the desktop icon theme for the commands that have a usual picture.
const QHash<QString, QString> &themeNames() {
  static const QHash<QString, QString> names = {
      {QStringLiteral("a_FileNew"), QStringLiteral("document-new")},
      {QStringLiteral("a_FileOpen"), QStringLiteral("document-open")},
      {QStringLiteral("a_FileSave"), QStringLiteral("document-save")},
      {QStringLiteral("a_Print"), QStringLiteral("document-print")},
      {QStringLiteral("a_FilePrintPreview"), QStringLiteral("document-print-preview")},
      {QStringLiteral("EditCut"), QStringLiteral("edit-cut")},
      {QStringLiteral("EditCopy"), QStringLiteral("edit-copy")},
      {QStringLiteral("EditPaste"), QStringLiteral("edit-paste")},
      {QStringLiteral("a_Undo"), QStringLiteral("edit-undo")},
      {QStringLiteral("a_Redo"), QStringLiteral("edit-redo")},
      {QStringLiteral("a_DeleteList"), QStringLiteral("edit-delete")},
      {QStringLiteral("a_CardFind"), QStringLiteral("edit-find")},
      {QStringLiteral("a_CardReplace"), QStringLiteral("edit-find-replace")},
      {QStringLiteral("ac_First"), QStringLiteral("go-first")},
      {QStringLiteral("ac_Previous"), QStringLiteral("go-previous")},
      {QStringLiteral("ac_Next"), QStringLiteral("go-next")},
      {QStringLiteral("ac_Last"), QStringLiteral("go-last")},
      {QStringLiteral("a_Bold"), QStringLiteral("format-text-bold")},
      {QStringLiteral("a_Italic"), QStringLiteral("format-text-italic")},
      {QStringLiteral("a_Underline"), QStringLiteral("format-text-underline")},
      {QStringLiteral("a_Left"), QStringLiteral("format-justify-left")},
      {QStringLiteral("a_Center"), QStringLiteral("format-justify-center")},
      {QStringLiteral("a_Right"), QStringLiteral("format-justify-right")},
      {QStringLiteral("a_Options"), QStringLiteral("preferences-system")},
  };
  return names;
}

} // namespace

QIcon DrawnActionIcon(const QString &actionName) {
  auto it = drawings().constFind(actionName);
  if (it == drawings().constEnd()) return QIcon();
  return QIcon(new DrawnIconEngine(*it));
}

QIcon ActionIcon(const QString &actionName) {
  QIcon drawn = DrawnActionIcon(actionName);
  // A theme the desktop chose gives its own pictures; without one (or where
  // it has none for a command) the program's own set keeps the toolbars whole.
  const QString themeName = themeNames().value(actionName);
  if (!themeName.isEmpty() && !QIcon::themeName().isEmpty() && QIcon::themeName() != QLatin1String("hicolor") &&
      QIcon::hasThemeIcon(themeName))
    return QIcon::fromTheme(themeName);
  return drawn;
}

} // namespace qel
