// Stand-in for a running program in the instance tests.
//   qel_instance_host serve <file>          makes the body file of <file>, publishes <file>, prints "ready <id>",
//                                           then one line per event
//   qel_instance_host open <file> starting|running
//                                           runs the already-opened check and prints its outcome
// Messages are answered OK and printed; the main window is a stand-in that prints what happens to it.
#include "app/mainstate.h"
#include "cards/bodyfile.h"
#include "platform/instances.h"
#include "platform/uiservices.h"

#include <QApplication>
#include <QDialog>
#include <QTextStream>

#include <cstdio>

namespace {

void say(const QString &line) {
  std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
  std::fflush(stdout);
}

class PrintingWindow : public qel::MainWindowHooks {
public:
  QString caption;
  QString windowCaption() const override { return caption; }
  void setWindowCaption(const QString &c) override { caption = c; }
  void setTrayHint(const QString &) override {}
  void restoreAndBringForward() override { say(QStringLiteral("restored")); }
};

class AnsweringUi : public qel::UiServices {
public:
  int messageBox(const QString &text, const QString &, unsigned) override {
    say(QStringLiteral("message ") + QString(text).replace(QLatin1Char('\n'), QStringLiteral("\\n")).replace(QLatin1Char('\r'), QStringLiteral("\\r")));
    return qel::IDOK;
  }
  bool inputQuery(const QString &, const QString &, QString &) override { return false; }
  bool openFileName(const qel::FileDialogOptions &, QString &, bool *) override { return false; }
  bool saveFileName(const qel::FileDialogOptions &, QString &) override { return false; }
  bool chooseColor(const QString &, QColor &) override { return false; }
  bool chooseFont(const QString &, QFont &, QColor &) override { return false; }
  bool chooseFolder(const QString &, QString &) override { return false; }
  int execDialog(QDialog &) override { return QDialog::Rejected; }
  bool openUrl(const QString &) override { return false; }
  bool startProgram(const QString &, const QStringList &) override { return false; }
};

} // namespace

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 3) return 2;
  AnsweringUi answering;
  qel::setUiServices(&answering);
  PrintingWindow window;
  qel::RunningInstance instance;
  QObject::connect(&instance, &qel::RunningInstance::restoreRequested, [&] { window.restoreAndBringForward(); });
  QString error;
  if (!instance.start(&error)) {
    say(QStringLiteral("error ") + error);
    return 1;
  }

  if (args[1] == QLatin1String("serve")) {
    qel::CurrentFileName = args[2];
    // Its body file, as an instance with that file open has one.
    qel::ResetBodyFile();
    qel::UpdateCaption(window, &instance);
    say(QStringLiteral("ready ") + instance.id());
    return app.exec();
  }
  if (args[1] == QLatin1String("open") && args.size() >= 4) {
    qel::UpdateCaption(window, &instance);
    switch (qel::CheckAlreadyOpened(args[2], args[3] == QLatin1String("starting"), &window)) {
    case qel::AlreadyOpened::No: say(QStringLiteral("result open")); break;
    case qel::AlreadyOpened::Cancelled: say(QStringLiteral("result cancelled")); break;
    case qel::AlreadyOpened::EndProgram: say(QStringLiteral("result end")); break;
    }
    return 0;
  }
  return 2;
}
