#pragma once
// The test side of a window program on a private X server: this test
// program runs itself again as a child on the server, running one disabled
// test that shows the window and tells what happens on its standard output
// (lines such as "READY ...", "CLICKED ..."); xdotool presses keys and
// clicks as a user would.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMap>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace qel::toolbars::test {

// The program side tells the test what happened, one line at a time.
inline void Say(const QString &line) {
  std::printf("%s\n", line.toUtf8().constData());
  std::fflush(stdout);
}

inline QString PointText(const QPoint &p) { return QStringLiteral("%1,%2").arg(p.x()).arg(p.y()); }

inline constexpr int kWaitMs = 60000; // an upper bound: a busy machine starts Qt slowly

class TChild {
public:
  // Runs this test program again on `display`, running only the disabled
  // test `childTest` (the program side).
  TChild(const QString &display, const QString &childTest) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    Env = env;
    Process.setProcessEnvironment(env);
    Process.setProcessChannelMode(QProcess::SeparateChannels);
    Process.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--gtest_also_run_disabled_tests"),
                   QStringLiteral("--gtest_filter=") + childTest});
  }
  ~TChild() {
    if (Process.state() != QProcess::NotRunning) {
      Process.kill();
      Process.waitForFinished(5000);
    }
  }
  // The next line starting with `prefix`, waiting for it.
  QString Expect(const QString &prefix, int ms = kWaitMs) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
      while (Process.canReadLine()) {
        const QString line = QString::fromUtf8(Process.readLine()).trimmed();
        if (line.startsWith(prefix))
          return line;
        if (line.startsWith(QStringLiteral("CLICKED")) || line.startsWith(QStringLiteral("OUTSIDE")))
          Unexpected << line;
      }
      if (Process.state() == QProcess::NotRunning)
        break;
      Process.waitForReadyRead(100);
    }
    return QString();
  }
  void Xdo(const QStringList &args) {
    QProcess p;
    p.setProcessEnvironment(Env);
    p.start(QStandardPaths::findExecutable(QStringLiteral("xdotool")), args);
    p.waitForFinished(5000);
    QThread::msleep(150); // let the program answer
  }
  // Takes the places a line names ("READY file=x,y edit=x,y ..."), each
  // word after the first being name=x,y.
  void Learn(const QString &line) {
    for (const QString &part : line.split(u' ').mid(1))
      Places[part.section(u'=', 0, 0)] = part.section(u'=', 1).split(u',');
  }
  // The xdotool words that move the pointer to a learnt place.
  QStringList MoveTo(const QString &name) const {
    const QStringList at = Places.value(name);
    return {QStringLiteral("mousemove"), at.value(0), at.value(1)};
  }
  void ClickOn(const QString &name) { Xdo(MoveTo(name) << QStringLiteral("click") << QStringLiteral("1")); }
  QProcess Process;
  QProcessEnvironment Env;
  QStringList Unexpected;
  QMap<QString, QStringList> Places;
};

// The program side's event loop while the test drives it, until the test
// ends the child (two minutes at most).
inline void ServeTheTest() {
  QEventLoop wait;
  QTimer::singleShot(120000, &wait, &QEventLoop::quit);
  wait.exec();
}

inline QStringList Args(const char *text) { return QString::fromUtf8(text).split(u' '); }

// The program side's keyboard commands: a key press anywhere in the program
// runs the command given for its key, and goes no further. Installed on the
// application while it lives.
class TKeyCommands : public QObject {
public:
  TKeyCommands() { QCoreApplication::instance()->installEventFilter(this); }
  ~TKeyCommands() override { QCoreApplication::instance()->removeEventFilter(this); }
  QMap<int, std::function<void()>> On;

protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
      return false;
    const auto command = On.constFind(static_cast<QKeyEvent *>(event)->key());
    if (command == On.constEnd())
      return false;
    (*command)();
    return true;
  }
};


} // namespace qel::toolbars::test
