#pragma once
// The progress window of a search over the cards: shown, with Cancel, only
// once the command has run for a while, so quick searches flash nothing.

#include "app/progress.h"

#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <optional>

namespace qel {

class SearchProgress {
public:
  // How long a search runs before its window shows, in milliseconds.
  static inline int ShowAfterMs = 1000;

  SearchProgress(const QString &caption, int maximum) : caption_(caption), maximum_(maximum) { timer_.start(); }
  // How often at most the bar moves and a click on Cancel is looked for, in milliseconds.
  static constexpr int StepEveryMs = 10;

  // The card reached; false once Cancel was pressed.
  bool step(int position) {
    if (!window_) {
      if (timer_.elapsed() < ShowAfterMs) return true;
      window_.emplace(caption_, maximum_, true);
      shown_.invalidate();
    }
    // Not on every card: each look runs the window's events.
    if (shown_.isValid() && shown_.elapsed() < StepEveryMs) return !window_->cancelled();
    shown_.start();
    window_->set(position);
    return !window_->cancelled();
  }
  std::function<bool(int)> callback() {
    return [this](int position) { return step(position); };
  }
  // Closes the window before the search says how it ended: a message over
  // a progress bar still running reads as if the work went on. A search that
  // goes on afterwards shows it again once it has run for a while.
  void close() {
    window_.reset();
    timer_.restart();
  }

private:
  QString caption_;
  int maximum_;
  QElapsedTimer timer_;
  QElapsedTimer shown_;  // since the bar last moved
  std::optional<ProgressGuard> window_;
};

} // namespace qel
