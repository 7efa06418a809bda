#pragma once
// Shows a freshly opened popup with its animation: a fade through the
// window's opacity, or a slide of a snapshot of the popup from its edges,
// the visible part growing with a mask. Everything runs on the
// user-interface thread from a timer; one animation at a time, and a new
// one finishes the old first.

#include "toolbars/core/popupanimation.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

class QLabel;
class QWidget;

namespace qel::toolbars {

class TPopupAnimator final : public QObject {
public:
  // The animator of the application (made on first use).
  static TPopupAnimator &Instance();

  // Shows `window` animated over `durationMs`; `directions` are TSlideDirection
  // bits. A fade needs a compositor (PlatformMetrics); without one the
  // window slides from `directions` instead.
  void Start(QWidget *window, int durationMs, bool blend, unsigned directions);
  // Ends the running animation of `window` (of any window when null) and
  // shows the popup whole. Popups call it before they paint or hide.
  void Finish(QWidget *window = nullptr);

  bool Running() const { return State.Running(); }
  QWidget *Window() const { return Animated; }
  // Told when an animation has ended, whatever ended it.
  std::function<void(QWidget *)> OnFinished;

private:
  void Tick();
  void Advance(unsigned sequence);

  TPopupAnimationState State;
  QPointer<QWidget> Animated;
  QPointer<QLabel> Snapshot;
  QElapsedTimer Clock;
  QTimer Timer;
};

} // namespace qel::toolbars
