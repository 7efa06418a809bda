#include "toolbars/qt/qtplatformmetrics.h"

#include "toolbars/qt/x11compositor.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>

namespace qel::toolbars {

int TQtPlatformMetrics::MenuShowDelay() const {
  if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
    return TPlatformMetrics::MenuShowDelay();
  return SanitizedMenuShowDelay(QApplication::style()->styleHint(QStyle::SH_Menu_SubMenuPopupDelay));
}

bool TQtPlatformMetrics::KeyboardCuesOn() const {
  if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
    return TPlatformMetrics::KeyboardCuesOn();
  return QApplication::style()->styleHint(QStyle::SH_UnderlineShortcut) != 0;
}

QList<TPlatformMetrics::TMonitor> TQtPlatformMetrics::Monitors() const {
  if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
    return TPlatformMetrics::Monitors();
  QList<TMonitor> monitors;
  QScreen *primary = QGuiApplication::primaryScreen();
  if (primary)
    monitors.append({primary->geometry(), primary->availableGeometry()});
  for (QScreen *screen : QGuiApplication::screens())
    if (screen != primary)
      monitors.append({screen->geometry(), screen->availableGeometry()});
  if (monitors.isEmpty())
    return TPlatformMetrics::Monitors();
  return monitors;
}

int TQtPlatformMetrics::ScreenColorDepth() const {
  auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
  QScreen *screen = app ? QGuiApplication::primaryScreen() : nullptr;
  return screen ? screen->depth() : TPlatformMetrics::ScreenColorDepth();
}

bool TQtPlatformMetrics::CompositorPresent() const {
  if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
    return TPlatformMetrics::CompositorPresent();
  // A Wayland desktop is its compositor; on X11 one may or may not run.
  if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
    return true;
  return ApplicationX11CompositorPresent();
}

namespace {

TPlatformMetrics *InstalledMetrics = nullptr;

} // namespace

TPlatformMetrics &PlatformMetrics() {
  static TQtPlatformMetrics qtMetrics;
  return InstalledMetrics ? *InstalledMetrics : qtMetrics;
}

TPlatformMetrics *SetPlatformMetrics(TPlatformMetrics *metrics) {
  TPlatformMetrics *previous = InstalledMetrics;
  InstalledMetrics = metrics;
  return previous;
}

} // namespace qel::toolbars
