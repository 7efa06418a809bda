#pragma once
// The installer's splash: shown while the installer starts, gone when its
// dialog becomes active.

#include <QWidget>

namespace qel {

class Tf_splash : public QWidget {
  Q_OBJECT
public:
  Tf_splash();
  // The dialog's activation takes the splash away (FormDeactivate).
  void CloseWhenActive(QWidget *dialog);
  void FormDeactivate();

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  bool cursorSet_ = false;
  friend Tf_splash *ShowSplash();
};

// Hourglass, then the splash shown and painted at once.
Tf_splash *ShowSplash();

} // namespace qel
