#include "toolbars/qt/thmqtwatcher.h"

#include "platform/colorvalue.h"
#include "toolbars/paint/framecontrols.h"
#include "toolbars/qt/qtplatformmetrics.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>

namespace qel::toolbars {

TColor TQtThemeSystem::ColorToRGB(TColor color) const { return qel::ColorToRGB(color); }

int TQtThemeSystem::ScreenColorDepth() const { return PlatformMetrics().ScreenColorDepth(); }

bool TQtThemeSystem::FlatMenusOn() const { return PlatformMetrics().FlatMenusOn(); }

bool TQtThemeSystem::ApplicationActive() const {
  return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) &&
         QGuiApplication::applicationState() == Qt::ApplicationActive;
}

int TQtThemeSystem::SmallCaptionHeight() const {
  // The caption's text with a pixel of room above and below, as a tool window's caption has.
  return QFontMetrics(SmallCaptionFont()).height() + 2;
}

TQtThemeWatcher::TQtThemeWatcher() {
  ThemeManager().SetSystem(&System);
  Active = System.ApplicationActive();
  auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
  if (!app)
    return;
  app->installEventFilter(this);
  connect(app, &QGuiApplication::screenAdded, this, &TQtThemeWatcher::ScreensChanged);
  connect(app, &QGuiApplication::screenRemoved, this, &TQtThemeWatcher::ScreensChanged);
  connect(app, &QGuiApplication::primaryScreenChanged, this, &TQtThemeWatcher::ScreensChanged);
  connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
    const bool active = state == Qt::ApplicationActive;
    if (active != Active) {
      Active = active;
      ThemeManager().ApplicationActivated(active);
    }
  });
}

TQtThemeWatcher::~TQtThemeWatcher() { ThemeManager().SetSystem(nullptr); }

void TQtThemeWatcher::ScreensChanged() { ThemeManager().SystemChanged(); }

bool TQtThemeWatcher::eventFilter(QObject *watched, QEvent *event) {
  // Every window hears of a new palette too; the application's own event comes once.
  if (event->type() == QEvent::ApplicationPaletteChange && watched == QCoreApplication::instance())
    ThemeManager().SystemChanged();
  return false;
}

} // namespace qel::toolbars
