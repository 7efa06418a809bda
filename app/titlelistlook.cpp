#include "app/titlelistlook.h"

#include "app/cardlistmodel.h"

#include <QApplication>
#include <QListView>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleOptionSlider>

namespace qel {

namespace {

// Draws scroll bars without relief and passes everything else to the
// application's style, which also keeps measuring them.
class FlatScrollBarStyle final : public QProxyStyle {
public:
  FlatScrollBarStyle() : QProxyStyle(QApplication::style()->name()) { setObjectName(QStringLiteral("FlatScrollBarStyle")); }

  void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                          const QWidget *widget) const override {
    const auto *bar = qstyleoption_cast<const QStyleOptionSlider *>(option);
    if (control != CC_ScrollBar || !bar) {
      QProxyStyle::drawComplexControl(control, option, painter, widget);
      return;
    }
    const QPalette &pal = bar->palette;
    const bool enabled = bar->state & State_Enabled;
    painter->save();
    painter->fillRect(bar->rect, pal.color(QPalette::Window).lighter(106));
    const bool horizontal = bar->orientation == Qt::Horizontal;
    auto part = [&](SubControl sc) {
      const QRect r = subControlRect(CC_ScrollBar, bar, sc, widget);
      if (!r.isValid()) return QRect();
      const bool pressed = (bar->activeSubControls & sc) && (bar->state & State_Sunken);
      const bool hot = (bar->activeSubControls & sc) && (bar->state & State_MouseOver);
      QColor face = pal.color(QPalette::Button);
      if (pressed) face = face.darker(120);
      else if (hot) face = face.lighter(108);
      painter->fillRect(r, face);
      painter->setPen(pal.color(QPalette::Mid));
      painter->drawRect(r.adjusted(0, 0, -1, -1));
      return r;
    };
    auto arrow = [&](SubControl sc, PrimitiveElement pe) {
      const QRect r = part(sc);
      if (r.isEmpty()) return;
      QStyleOption o(*bar);
      o.rect = r.adjusted(3, 3, -3, -3);
      o.state = enabled ? State_Enabled : State_None;
      o.palette.setColor(QPalette::ButtonText, pal.color(enabled ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
      proxy()->drawPrimitive(pe, &o, painter, widget);
    };
    arrow(SC_ScrollBarSubLine, horizontal ? PE_IndicatorArrowLeft : PE_IndicatorArrowUp);
    arrow(SC_ScrollBarAddLine, horizontal ? PE_IndicatorArrowRight : PE_IndicatorArrowDown);
    if (enabled && bar->maximum > bar->minimum) part(SC_ScrollBarSlider);
    painter->restore();
  }
};

FlatScrollBarStyle *flatStyle() {
  // One for the program, gone with the application.
  static QPointer<FlatScrollBarStyle> style;
  if (!style) {
    style = new FlatScrollBarStyle;
    style->setParent(qApp);
  }
  return style;
}

} // namespace

void ApplyTitleListLook(QListView &list, bool gridLines, bool flatScrollBars) {
  if (auto *delegate = qobject_cast<TitleDelegate *>(list.itemDelegate())) delegate->setGridLines(gridLines);
  for (QScrollBar *bar : {list.verticalScrollBar(), list.horizontalScrollBar()}) {
    if (IsFlatScrollBar(*bar) == flatScrollBars) continue;
    bar->setStyle(flatScrollBars ? flatStyle() : nullptr);
  }
  list.viewport()->update();
}

bool IsFlatScrollBar(const QScrollBar &bar) {
  return bar.style() && bar.style()->objectName() == QLatin1String("FlatScrollBarStyle");
}

} // namespace qel
