#include "toolbars/qt/popupanimator.h"

#include "toolbars/qt/qtplatformmetrics.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QRegion>
#include <QWidget>

namespace qel::toolbars {

TPopupAnimator &TPopupAnimator::Instance() {
  static QPointer<TPopupAnimator> animator;
  if (!animator) {
    animator = new TPopupAnimator;
    animator->setParent(QCoreApplication::instance()); // freed with the application
    animator->Timer.setSingleShot(true);
    QObject::connect(&animator->Timer, &QTimer::timeout, animator, [] { Instance().Tick(); });
  }
  return *animator;
}

void TPopupAnimator::Start(QWidget *window, int durationMs, bool blend, unsigned directions) {
  Finish();
  if (!window)
    return;
  Animated = window;
  const QRect client(window->mapToGlobal(QPoint(0, 0)), window->size());
  // Without a compositor the window's opacity shows nothing: slide instead.
  const bool fade = blend && PlatformMetrics().CompositorPresent();
  State.Start(durationMs, fade, directions, QCursor::pos(), client);
  if (fade) {
    window->setWindowOpacity(State.Level() / 255.0);
  } else {
    // The popup's own image slides in as a picture, seen through a growing mask.
    auto *label = new QLabel(window);
    label->setPixmap(window->grab());
    label->setGeometry(QRect(State.SlideOffset(window->size()), window->size()));
    label->show();
    label->raise();
    Snapshot = label;
    window->setMask(QRegion(-1, -1, 1, 1)); // nothing of the window visible yet
  }
  window->show();
  Clock.start();
  Timer.start(0);
}

void TPopupAnimator::Tick() {
  if (!State.Running())
    return;
  if (!Animated) {
    Finish();
    return;
  }
  const qint64 elapsed = Clock.elapsed();
  if (State.Tick(elapsed, QCursor::pos())) {
    const unsigned sequence = State.Sequence();
    QMetaObject::invokeMethod(this, [this, sequence] { Advance(sequence); }, Qt::QueuedConnection);
  }
  if (!State.Finished())
    Timer.start(State.NextDelay(elapsed));
}

void TPopupAnimator::Advance(unsigned sequence) {
  switch (State.Advance(sequence)) {
  case TPopupAnimationState::TAdvance::Ignore:
    return;
  case TPopupAnimationState::TAdvance::Finish:
    Finish(Animated);
    return;
  case TPopupAnimationState::TAdvance::Step:
    break;
  }
  if (!Animated) {
    Finish();
    return;
  }
  if (State.Blend()) {
    Animated->setWindowOpacity(State.Level() / 255.0);
  } else {
    const QRect shown(State.SlideOffset(Animated->size()), Animated->size());
    const QRect visible = shown.intersected(Animated->rect());
    Animated->setMask(visible.isEmpty() ? QRegion(-1, -1, 1, 1) : QRegion(visible));
    if (Snapshot)
      Snapshot->move(shown.topLeft());
  }
}

void TPopupAnimator::Finish(QWidget *window) {
  if (!State.Running() || (window && window != Animated))
    return;
  State.Stop();
  Timer.stop();
  QWidget *shown = Animated;
  if (shown) {
    if (State.Blend())
      shown->setWindowOpacity(1.0);
    else
      shown->clearMask();
  }
  delete Snapshot;
  Animated = nullptr;
  if (OnFinished)
    OnFinished(shown);
}

} // namespace qel::toolbars
