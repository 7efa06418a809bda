// The card-index program.

#include "app/tf_main.h"
#include "platform/termination.h"
#include "platform/uiservices.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <exception>

namespace {

// Errors that escape a command end that command with a message, never the program.
class Application : public QApplication {
public:
  using QApplication::QApplication;
  bool notify(QObject *receiver, QEvent *event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
      qel::ui().messageBox(QString::fromUtf8(e.what()), qel::applicationTitle(), qel::MB_OK | qel::MB_ICONERROR);
    } catch (...) {
      qel::ui().messageBox(QStringLiteral("Unexpected error"), qel::applicationTitle(), qel::MB_OK | qel::MB_ICONERROR);
    }
    return false;
  }
};

} // namespace

int main(int argc, char **argv) {
  Application app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Qel Moravine"));
  QApplication::setApplicationDisplayName(QString());
  QApplication::setQuitOnLastWindowClosed(true);
  qel::setApplicationTitle(QStringLiteral("Qel Moravine"));

  QStringList args = QApplication::arguments();
  args.removeFirst();
  qel::Tf_Main window(args);

  // The desktop may ask the program to end at any time. Before the event loop
  // runs there is nothing to ask about yet: the request is remembered and the
  // program ends as soon as the start-up sequence is over.
  bool looping = false;
  bool endRequested = false;
  qel::InstallTerminationHandler([&]() -> bool {
    if (!looping) {
      endRequested = true;
      return true;
    }
    if (!window.QueryEndSession()) return false;
    // A dialog left open runs an event loop of its own that would keep the
    // program from ending: it is cancelled as its Cancel button would.
    for (QWidget *w : QApplication::topLevelWidgets())
      if (auto *dialog = qobject_cast<QDialog *>(w); dialog && dialog->isVisible()) dialog->reject();
    QCoreApplication::quit();
    return true;
  });

  // The start-up sequence runs before the window appears: a program that
  // hands its file over to a running instance ends here, having shown nothing.
  window.FormShow();
  if (window.terminateRequested() || endRequested) return 0;
  window.show();
  looping = true;
  // For start-up measurements: once the window with its list is on the
  // screen (exposed by the window system) and painted whole, say so on
  // standard output and end.
  if (qEnvironmentVariable("QEL_EXIT_AFTER_STARTUP") == QLatin1String("1")) {
    auto *poll = new QTimer(&app);
    poll->setInterval(1);
    QObject::connect(poll, &QTimer::timeout, &app, [&window, poll] {
      if (!window.windowHandle() || !window.windowHandle()->isExposed()) return;
      poll->stop();
      window.repaint();
      std::fputs("qel-moravine: shown\n", stdout);
      std::fflush(stdout);
      QCoreApplication::quit();
    });
    poll->start();
  }
  return app.exec();
}
