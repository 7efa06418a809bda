#include "toolbars/qt/windowwatch.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPlatformSurfaceEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <memory>

namespace qel::toolbars {

namespace {

class TWatchFilter final : public QObject {
public:
  TWatchRegistry Registry;
  TWatchCodes Active = 0;
  bool Suppress = false;

  void Update(TWatchCodes started, TWatchCodes stopped) {
    const bool wasFiltering = Active != 0;
    Active = (Active | started) & ~stopped;
    auto *app = QCoreApplication::instance();
    if (!app)
      return;
    if (!wasFiltering && Active)
      app->installEventFilter(this);
    else if (wasFiltering && !Active)
      app->removeEventFilter(this);
  }

  bool eventFilter(QObject *watched, QEvent *event) override {
    const auto notify = [&](TWatchCode code) {
      if (Active & WatchBit(code))
        Registry.Notify(code, watched, event);
    };
    switch (event->type()) {
    case QEvent::ApplicationActivate:
    case QEvent::ApplicationDeactivate:
      notify(TWatchCode::ActivateApp);
      break;
    case QEvent::Move:
    case QEvent::Resize:
      if (watched->isWindowType() || (watched->isWidgetType() && static_cast<QWidget *>(watched)->isWindow()))
        notify(TWatchCode::WindowPosChanged);
      break;
    case QEvent::PlatformSurface:
      if (static_cast<QPlatformSurfaceEvent *>(event)->surfaceEventType() ==
          QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed)
        notify(TWatchCode::PreDestroy);
      break;
    default:
      break;
    }
    // Every event delivered in the application passes here as well; a
    // watcher may take it out (a key that ran a command).
    const bool savedSuppress = Suppress;
    Suppress = false;
    notify(TWatchCode::GetMessage);
    const bool suppressed = Suppress;
    Suppress = savedSuppress;
    return suppressed;
  }
};

TWatchFilter &Filter() {
  static QPointer<TWatchFilter> filter;
  if (!filter) {
    filter = new TWatchFilter;
    filter->setParent(QCoreApplication::instance()); // freed with the application
  }
  return *filter;
}

} // namespace

void InstallWatchCallback(const void *key, TWatchCallback callback, TWatchCodes codes) {
  TWatchFilter &filter = Filter();
  filter.Update(filter.Registry.Install(key, std::move(callback), codes), 0);
}

void RemoveWatchCallback(const void *key) {
  TWatchFilter &filter = Filter();
  filter.Update(0, filter.Registry.Remove(key));
}

void SuppressWatchedEvent() { Filter().Suppress = true; }

bool WatchedEventSuppressed() { return Filter().Suppress; }

bool WatchActive(TWatchCode code) { return Filter().Active & WatchBit(code); }

} // namespace qel::toolbars
