// The card-index program.

#include "app/tf_main.h"
#include "shell/programicons.h"
#include "platform/freedmemory.h"
#include "platform/termination.h"
#include "platform/uiservices.h"
#include "toolbars/paint/thmitems.h"
#include "toolbars/qt/thmqtwatcher.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <exception>

namespace {

// Errors that escape a command end that command with a message, never the
// program: commands run from the event loop and from the start-up sequence.
template <typename Run>
auto runCommand(Run &&run, decltype(run()) failed) -> decltype(run()) {
  try {
    return run();
  } catch (const std::exception &e) {
    qel::ui().messageBox(QString::fromUtf8(e.what()), qel::applicationTitle(), qel::MB_OK | qel::MB_ICONERROR);
  } catch (...) {
    qel::ui().messageBox(QStringLiteral("Unexpected error"), qel::applicationTitle(), qel::MB_OK | qel::MB_ICONERROR);
  }
  return failed;
}

class Application : public QApplication {
public:
  using QApplication::QApplication;
  bool notify(QObject *receiver, QEvent *event) override {
    return runCommand([&] { return QApplication::notify(receiver, event); }, false);
  }
};

// Every prompt answered as if cancelled, without being shown: once the
// desktop has asked the program to end during its start-up, nothing may
// wait for the user any more.
class EndingUi : public qel::QtUiServices {
public:
  int messageBox(const QString &, const QString &, unsigned flags) override {
    switch (flags & qel::MB_BUTTONMASK) {
    case qel::MB_OK: return qel::IDOK;
    case qel::MB_YESNO: return qel::IDNO;
    case qel::MB_ABORTRETRYIGNORE: return qel::IDABORT;
    default: return qel::IDCANCEL;
    }
  }
  bool inputQuery(const QString &, const QString &, QString &) override { return false; }
  bool openFileName(const qel::FileDialogOptions &, QString &, bool *) override { return false; }
  bool saveFileName(const qel::FileDialogOptions &, QString &) override { return false; }
  bool chooseColor(const QString &, QColor &) override { return false; }
  bool chooseFont(const QString &, QFont &, QColor &) override { return false; }
  bool chooseFolder(const QString &, QString &) override { return false; }
  int execDialog(QDialog &) override { return QDialog::Rejected; }
};

// Cancels every dialog on the screen, as its Cancel button would: each runs
// an event loop of its own that would keep the program from ending.
void rejectOpenDialogs() {
  for (QWidget *w : QApplication::topLevelWidgets())
    if (auto *dialog = qobject_cast<QDialog *>(w); dialog && dialog->isVisible()) dialog->reject();
}

// The themed toolbars and menus from start to end: the theme they paint
// with, its relay to them, and the desktop's changes heard.
class ThemedToolbars {
public:
  ThemedToolbars() { qel::toolbars::StartThemedItems(); }
  ~ThemedToolbars() { qel::toolbars::StopThemedItems(); }

private:
  qel::toolbars::TQtThemeWatcher watcher_;
};

} // namespace

int main(int argc, char **argv) {
  qel::KeepLargeBlocksApart();
  Application app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Qel Moravine"));
  QApplication::setApplicationDisplayName(QString());
  QApplication::setQuitOnLastWindowClosed(true);
  qel::setApplicationTitle(QStringLiteral("Qel Moravine"));
  // Every window of the program (main window, help, dialogs) shows its icon.
  QApplication::setWindowIcon(qel::ProgramIcon());

  QStringList args = QApplication::arguments();
  args.removeFirst();
  EndingUi endingUi;  // outlives the window, whose closing may still ask
  ThemedToolbars themedToolbars;  // outlives the window's toolbars
  qel::Tf_Main window(args);

  // The desktop may ask the program to end at any time. Before the event loop
  // runs there is nothing to ask about yet: the request is remembered and the
  // program ends as soon as the start-up sequence is over.
  bool looping = false;
  bool endRequested = false;
  // During start-up nothing has been changed yet: a message then on the
  // screen (a damaged file named on the command line) is cancelled, the rest
  // of the start-up asks nothing, and the program ends when it is over.
  qel::InstallTerminationHandler([&]() -> bool {
    if (!looping) {
      endRequested = true;
      qel::setUiServices(&endingUi);
      rejectOpenDialogs();
      return true;
    }
    if (!window.QueryEndSession()) return false;
    rejectOpenDialogs();
    QCoreApplication::quit();
    return true;
  });

  // The start-up sequence runs before the window appears: a program that
  // hands its file over to a running instance ends here, having shown nothing.
  runCommand([&] { window.FormShow(); return true; }, false);
  if (window.terminateRequested() || endRequested) return 0;
  // Started hidden in the tray, the window shows when the icon is clicked.
  window.ShowOnStart();
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
