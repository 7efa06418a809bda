#include "setup/fsplash.h"

#include "shell/programicons.h"
#include "platform/uiservices.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QTimer>

namespace qel {

Tf_splash::Tf_splash() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("f_splash"));
  setWindowTitle(QStringLiteral("Qel Moravine Setup"));
  setAttribute(Qt::WA_DeleteOnClose);
  setFixedSize(289, 68);
  auto *bevel = new QFrame(this);
  bevel->setFrameShape(QFrame::Panel);
  bevel->setFrameShadow(QFrame::Raised);
  bevel->setLineWidth(2);
  bevel->setGeometry(0, 0, 289, 68);
  auto *image = new QLabel(this);
  image->setObjectName(QStringLiteral("Image1"));
  image->setPixmap(QPixmap::fromImage(DrawProgramIconImage(32)));
  image->setGeometry(16, 18, 32, 32);
  auto *text = new QLabel(QStringLiteral("Starting Qel Moravine setup ..."), this);
  text->setObjectName(QStringLiteral("Label1"));
  text->setGeometry(64, 18, 210, 32);
}

void Tf_splash::CloseWhenActive(QWidget *dialog) { dialog->installEventFilter(this); }

bool Tf_splash::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::WindowActivate) {
    watched->removeEventFilter(this);
    FormDeactivate();
  } else if (event->type() == QEvent::Show) {
    // The filter sees the show before the dialog handles it, and that
    // handling still reads the payload: the splash stays until it is done.
    // Where no window manager activates the dialog, the splash goes then.
    QTimer::singleShot(0, this, [this, dialog = QPointer<QObject>(watched)] {
      if (dialog) dialog->removeEventFilter(this);
      FormDeactivate();
    });
  }
  return false;
}

void Tf_splash::FormDeactivate() {
  if (cursorSet_) {
    QApplication::restoreOverrideCursor();
    cursorSet_ = false;
  }
  close();
}

Tf_splash *ShowSplash() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  auto *splash = new Tf_splash;
  splash->cursorSet_ = true;
  CentreWindow(*splash);
  splash->show();
  splash->repaint();
  QApplication::processEvents();
  return splash;
}

} // namespace qel
