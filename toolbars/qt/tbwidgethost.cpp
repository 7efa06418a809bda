#include "toolbars/qt/tbwidgethost.h"

#include "toolbars/core/tbview.h"
#include "toolbars/qt/qtplatformmetrics.h"
#include "toolbars/qt/tbeditsession.h"
#include "toolbars/qt/tbaccessible.h"
#include "toolbars/qt/tbpopupwindow.h"

#include <QWidget>

namespace qel::toolbars {

void TTbrQtTextMeasure::SetFont(const QFont &font) {
  Normal = font;
  Bold = font;
  Bold.setBold(true);
}

QSize TTbrQtTextMeasure::TextExtent(const QString &text, bool bold) const {
  const QFontMetrics metrics(bold ? Bold : Normal);
  return QSize(metrics.horizontalAdvance(text), metrics.height());
}

int TTbrQtTextMeasure::TextHeight(bool bold) const { return QFontMetrics(bold ? Bold : Normal).height(); }

int TTbrQtTextMeasure::ExternalLeading() const { return std::max(0, QFontMetrics(Normal).leading()); }

namespace {

TTbrTimerRouter &TimerRouter() {
  static TTbrTimerRouter router;
  return router;
}

} // namespace

void SetViewTimerRouter(TTbrTimerRouter router) { TimerRouter() = std::move(router); }

void RouteViewTimer(TTbrView *view, TTbrViewTimer timer) {
  if (!view)
    return;
  if (const TTbrTimerRouter &router = TimerRouter(); router && router(view, timer))
    return;
  view->TimerFired(timer);
}

TTbrWidgetViewHost::TTbrWidgetViewHost(QWidget *widget) : HostWidget(widget) {
  InstallToolbarAccessibility();
  TextMeasure.SetFont(widget->font());
  for (std::size_t i = 0; i < Timers.size(); ++i) {
    Timers[i].setSingleShot(false);
    QObject::connect(&Timers[i], &QTimer::timeout, widget, [this, i] {
      // The view's own timer state says whether it still runs; a timer that
      // outlived it does nothing.
      if (Hosted && Hosted->TimerRunning(TTbrViewTimer(i)))
        RouteViewTimer(Hosted, TTbrViewTimer(i));
      else
        Timers[i].stop();
    });
  }
}

TTbrWidgetViewHost::~TTbrWidgetViewHost() { StopAllTimers(); }

void TTbrWidgetViewHost::SetHostedView(TTbrView *view) {
  Hosted = view;
  if (view)
    ViewHostChanged(HostWidget);
}

void TTbrWidgetViewHost::FontChanged() { TextMeasure.SetFont(HostWidget->font()); }

QRect TTbrWidgetViewHost::ClientRect() const { return HostWidget->rect(); }

void TTbrWidgetViewHost::Invalidate(const QRect &rect) {
  if (rect.isEmpty())
    HostWidget->update();
  else
    HostWidget->update(rect.translated(ClientRect().topLeft()));
}

bool TTbrWidgetViewHost::WindowVisible() const { return HostWidget->isVisible(); }

TTbrView *TTbrWidgetViewHost::OpenPopup(TTbrView *parent, TTbrItemViewer *viewer, bool asSubmenu,
                                        bool selectFirst) {
  if (!viewer)
    return nullptr;
  TTbrPopupWindow *window = OpenPopupWindow(viewer->Item, parent, viewer, asSubmenu, selectFirst,
                                            parent && parent->Customizing, QPoint(), tbpaLeft);
  return window ? window->View() : nullptr;
}

void TTbrWidgetViewHost::ClosePopup(TTbrView *popupView) {
  if (auto *view = dynamic_cast<TTbrPopupView *>(popupView))
    delete view->Window();
}

void TTbrWidgetViewHost::StartTimer(TTbrViewTimer timer, int milliseconds) {
  Timers[std::size_t(timer)].start(std::max(0, milliseconds));
}

void TTbrWidgetViewHost::StopTimer(TTbrViewTimer timer) { Timers[std::size_t(timer)].stop(); }

void TTbrWidgetViewHost::StopAllTimers() {
  for (QTimer &timer : Timers)
    timer.stop();
}

int TTbrWidgetViewHost::MenuShowDelay() const { return PlatformMetrics().MenuShowDelay(); }

bool TTbrWidgetViewHost::KeyboardCuesOn() const { return PlatformMetrics().KeyboardCuesOn(); }

QRect TTbrWidgetViewHost::ScreenClientRect() const {
  if (!HostWidget->isVisible())
    return QRect();
  const QRect client = ClientRect();
  return QRect(HostWidget->mapToGlobal(client.topLeft()), client.size());
}

QRect TTbrWidgetViewHost::ScreenWindowRect() const {
  if (!HostWidget->isVisible())
    return QRect();
  return QRect(HostWidget->mapToGlobal(QPoint(0, 0)), HostWidget->size());
}

void TTbrWidgetViewHost::RunEditSession(TTbrEditSession &session) {
  RunEditSessionOn(HostWidget, ClientRect().topLeft(), session);
}

void TTbrWidgetViewHost::FocusEvent(int child) {
  SendAccessibleEvent(HostWidget, QAccessible::Focus, child - 1);
}

bool TTbrWidgetViewHost::WindowUsable(bool viewInMenuMode) const {
  return HostWidget->isVisible() && HostWidget->isEnabled() && (viewInMenuMode || HostWidget->isActiveWindow());
}

} // namespace qel::toolbars
