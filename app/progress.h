#pragma once
// The small window with one progress bar that long operations show while
// they run, modal to the program's windows: they take no input meanwhile. Only one exists at a time. An operation that can stop
// half-way shows it with a Cancel button and asks ProgressCancelled().

#include <QString>
#include <QWidget>

class QProgressBar;
class QPushButton;

namespace qel {

class Tf_progress : public QWidget {
  Q_OBJECT
public:
  explicit Tf_progress(QWidget *parent = nullptr);

  // A negative maximum (an empty list) counts as 0 and shows an empty bar.
  void setMaximum(int maximum);
  int maximum() const { return maximum_; }
  // Kept within 0 to the maximum.
  void setPosition(int position);
  int position() const { return position_; }

  // Shown for operations that can stop; pressing it sets cancelled().
  void setCancellable(bool on);
  bool cancelled() const { return cancelled_; }

  QProgressBar *Progress = nullptr;
  QPushButton *b_Cancel = nullptr;

private:
  bool cancelled_ = false;
  int maximum_ = 100;
  int position_ = 0;
};

// The window while one is shown, else null.
extern Tf_progress *f_progress;

// Shows the window (reusing the one already shown) with this caption, position 0 and this maximum.
void ShowProgress(const QString &caption, int maximum, bool cancellable = false);
// With a Cancel button shown, also lets a click on it through.
void SetProgress(int position);
void CloseProgress();
// True once Cancel was pressed in the window shown now.
bool ProgressCancelled();

// Shows the progress window for the life of a command and closes it on every
// way out, exceptions included. When a window was already shown by an outer
// command, that command's caption, maximum and position come back instead.
class ProgressGuard {
public:
  ProgressGuard(const QString &caption, int maximum, bool cancellable = false);
  ~ProgressGuard();
  ProgressGuard(const ProgressGuard &) = delete;
  ProgressGuard &operator=(const ProgressGuard &) = delete;

  void set(int position) { SetProgress(position); }
  bool cancelled() const { return ProgressCancelled(); }

private:
  bool hadWindow_ = false;
  QString outerCaption_;
  int outerMaximum_ = 0;
  int outerPosition_ = 0;
  bool outerCancellable_ = false;
};

} // namespace qel
