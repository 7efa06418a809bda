#include "app/progress.h"

#include "platform/uiservices.h"

#include <QApplication>
#include <QGuiApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace qel {

Tf_progress *f_progress = nullptr;

Tf_progress::Tf_progress(QWidget *parent) : QWidget(parent) {
  SetDialogFrame(*this, false);  // a title only: no minimise, maximise or close
  // While a long operation lets events run (for its Cancel button), the
  // program's windows take no command, and the window stays in front of them.
  setWindowModality(Qt::ApplicationModal);
  setObjectName(QStringLiteral("f_progress"));
  setWindowTitle(QStringLiteral("Wait ..."));
  setFixedSize(313, 33);
  Progress = new QProgressBar(this);
  Progress->setObjectName(QStringLiteral("Progress"));
  Progress->setGeometry(8, 8, 297, 16);
  Progress->setTextVisible(false);
  Progress->setRange(0, 100);
  Progress->setValue(0);
  b_Cancel = new QPushButton(QStringLiteral("Cancel"), this);
  b_Cancel->setObjectName(QStringLiteral("b_Cancel"));
  b_Cancel->setGeometry(120, 32, 75, 25);
  b_Cancel->hide();
  connect(b_Cancel, &QPushButton::clicked, this, [this] { cancelled_ = true; });
}

void Tf_progress::setCancellable(bool on) {
  cancelled_ = false;
  b_Cancel->setVisible(on);
  setFixedSize(313, on ? 65 : 33);
}

void Tf_progress::setMaximum(int maximum) {
  maximum_ = qMax(0, maximum);
  position_ = qBound(0, position_, maximum_);
  // A range of 0 to 0 would make the bar a busy indicator; an empty bar is wanted.
  Progress->setRange(0, qMax(1, maximum_));
  Progress->setValue(position_);
}

void Tf_progress::setPosition(int position) {
  position_ = qBound(0, position, maximum_);
  Progress->setValue(position_);
}

void ShowProgress(const QString &caption, int maximum, bool cancellable) {
  // Without a widget application (command-line use) there is nothing to show.
  if (!qobject_cast<QApplication *>(QCoreApplication::instance())) return;
  if (!f_progress) {
    // Owned by the main window even when another program is active, so that
    // the window system keeps it in front of it.
    QWidget *owner = QApplication::activeWindow();
    for (QWidget *w : QApplication::topLevelWidgets())
      if (!owner && w->inherits("QMainWindow") && w->isVisible()) owner = w;
    f_progress = new Tf_progress(owner);
    // Gone with its parent window too: the global must not dangle.
    QObject::connect(f_progress, &QObject::destroyed, [] { f_progress = nullptr; });
  }
  f_progress->setWindowTitle(caption);
  f_progress->setCancellable(cancellable);
  f_progress->setMaximum(maximum);
  f_progress->setPosition(0);
  QScreen *screen = QApplication::activeWindow() ? QApplication::activeWindow()->screen() : QGuiApplication::primaryScreen();
  if (screen) {
    QRect area = screen->availableGeometry();
    f_progress->move(area.center() - f_progress->rect().center());
  }
  f_progress->show();
  f_progress->repaint();
}

void SetProgress(int position) {
  if (!f_progress) return;
  f_progress->setPosition(position);
  // A click on Cancel needs the events to run.
  if (f_progress->b_Cancel->isVisible()) QCoreApplication::processEvents();
}

bool ProgressCancelled() { return f_progress && f_progress->cancelled(); }

void CloseProgress() {
  delete f_progress;
  f_progress = nullptr;
}

ProgressGuard::ProgressGuard(const QString &caption, int maximum, bool cancellable) {
  if (f_progress) {
    hadWindow_ = true;
    outerCaption_ = f_progress->windowTitle();
    outerMaximum_ = f_progress->maximum();
    outerPosition_ = f_progress->position();
    outerCancellable_ = f_progress->b_Cancel->isVisible();
  }
  ShowProgress(caption, maximum, cancellable);
}

ProgressGuard::~ProgressGuard() {
  if (hadWindow_ && f_progress) {
    f_progress->setWindowTitle(outerCaption_);
    f_progress->setCancellable(outerCancellable_);
    f_progress->setMaximum(outerMaximum_);
    f_progress->setPosition(outerPosition_);
  } else {
    CloseProgress();
  }
}

} // namespace qel
