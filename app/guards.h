#pragma once
// Scope guards of the main window's commands: whatever way a command ends,
// the cursor, the painting of held widgets and its closing steps come back.

#include <QApplication>
#include <QWidget>

#include <utility>

namespace qel {

// The hourglass for a scope (only when asked for and when there is a GUI).
class WaitCursor {
public:
  explicit WaitCursor(bool on = true)
      : on_(on && qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr) {
    if (on_) QApplication::setOverrideCursor(Qt::WaitCursor);
  }
  ~WaitCursor() {
    if (on_) QApplication::restoreOverrideCursor();
  }
  WaitCursor(const WaitCursor &) = delete;
  WaitCursor &operator=(const WaitCursor &) = delete;

private:
  bool on_;
};

// Holds a widget's painting for a scope (the editor's and the list's BeginUpdate).
class UpdatesHeld {
public:
  explicit UpdatesHeld(QWidget *w) : w_(w), was_(w->updatesEnabled()) { w_->setUpdatesEnabled(false); }
  ~UpdatesHeld() { w_->setUpdatesEnabled(was_); }
  UpdatesHeld(const UpdatesHeld &) = delete;
  UpdatesHeld &operator=(const UpdatesHeld &) = delete;

private:
  QWidget *w_;
  bool was_;
};

// Runs a step on every way out of a scope.
template <class F>
class Finally {
public:
  explicit Finally(F f) : f_(std::move(f)) {}
  ~Finally() { f_(); }
  Finally(const Finally &) = delete;
  Finally &operator=(const Finally &) = delete;

private:
  F f_;
};

} // namespace qel
