// Where the real program's window comes back at a restart, under a real
// window manager (openbox on a private X server), which puts a frame around
// it: exactly the rectangle it was closed in, restart after restart; also
// when it started minimised and was restored, and when it was maximised.

#include "tests/support/privatexserver.h"
#include "tests/app/mainwindow_fixture.h"

#include "platform/registry.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

using namespace qel;
using namespace qel::test;

namespace {

// Upper bounds only: a passing run goes on as soon as the program answers.
constexpr int kWaitMs = 60000;

bool waitFor(const std::function<bool()> &condition, int ms = kWaitMs) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > ms) return false;
    QThread::msleep(50);
  }
  return true;
}

class PlacementTest : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    if (IsSkipped()) return;
    program_ = QStringLiteral(QEL_PROGRAM_DIR) + QStringLiteral("/qel-moravine");
    for (const char *tool : {"xdotool", "openbox", "xprop", "xwininfo"})
      if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) GTEST_SKIP() << tool << " missing";
    if (!QFileInfo::exists(program_)) GTEST_SKIP() << "program not built";
    QFile::remove(RegistryHiveFile(HKEY_CURRENT_USER));
  }
  void TearDown() override {
    if (wm_.state() != QProcess::NotRunning) {
      wm_.terminate();
      wm_.waitForFinished(5000);
    }
    MainWindowTest::TearDown();
  }

  // A private X server of this size with openbox running.
  void startDesktop(const QString &size) {
    ASSERT_TRUE(x_.Start(size)) << "no Xvfb";
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert(QStringLiteral("DISPLAY"), x_.Display());
    env_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    wm_.setProcessEnvironment(env_);
    wm_.start(QStringLiteral("openbox"), {});
    ASSERT_TRUE(wm_.waitForStarted());
    ASSERT_TRUE(waitFor([&] { return !run(QStringLiteral("xdotool"), {"search", "--class", "openbox"}).isEmpty(); }))
        << "openbox did not come up";
  }
  QString run(const QString &tool, const QStringList &args) {
    QProcess p;
    p.setProcessEnvironment(env_);
    p.start(tool, args);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
  }

  static void put(const QString &key, const QString &name, int value) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Qel Moravine\\") + key, true));
    reg.WriteInteger(name, value);
    reg.CloseKey();
  }
  static QRect storedRect() {
    TRegistry reg;
    if (!reg.OpenKey(QStringLiteral("\\Software\\Qel Moravine\\StartUp"), false)) return {};
    return QRect(reg.ReadInteger(QStringLiteral("Left")), reg.ReadInteger(QStringLiteral("Top")),
                 reg.ReadInteger(QStringLiteral("Width")), reg.ReadInteger(QStringLiteral("Height")));
  }
  static int storedState() {
    TRegistry reg;
    if (!reg.OpenKey(QStringLiteral("\\Software\\Qel Moravine\\StartUp"), false)) return -1;
    return reg.ReadInteger(QStringLiteral("WindowState"));
  }
  void storeRect(const QRect &r, int state) {
    put(QStringLiteral("StartUp"), QStringLiteral("Left"), r.x());
    put(QStringLiteral("StartUp"), QStringLiteral("Top"), r.y());
    put(QStringLiteral("StartUp"), QStringLiteral("Width"), r.width());
    put(QStringLiteral("StartUp"), QStringLiteral("Height"), r.height());
    put(QStringLiteral("StartUp"), QStringLiteral("WindowState"), state);
  }

  // Starts the program and waits until the window manager holds its window
  // in `state` ("Normal", "Iconic"); returns the window's id, empty when that
  // never came.
  QString startProgram(const QString &state) {
    // A file of its own: the sample beside the program is left to other tests.
    if (file_.isEmpty()) file_ = makeCardFile(QStringLiteral("placed.qel"), {"alpha"});
    program.setProcessEnvironment(env_);
    program.start(program_, {file_});
    if (!program.waitForStarted()) return {};
    QString found;
    waitFor([&] {
      if (program.state() == QProcess::NotRunning) return true;
      found = programWindow(state);
      return !found.isEmpty();
    });
    return found;
  }
  // The window of the program with its file's caption that the window
  // manager holds in `state`; empty when there is none now. Asked anew each
  // time: the native window first found may be replaced while the program
  // settles, and a stale id answers nothing.
  QString programWindow(const QString &state) {
    const QStringList windows =
        run(QStringLiteral("xdotool"),
            {"search", "--pid", QString::number(program.processId()), "--name", "^placed - Qel Moravine"})
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &window : windows)
      if (run(QStringLiteral("xprop"), {"-id", window, "WM_STATE"}).contains("window state: " + state))
        return window;
    return {};
  }
  // Whether the program's window in `state` has its inner top left at `point`.
  bool innerTopLeftIs(const QString &state, const QPoint &point) {
    const QString window = programWindow(state);
    return !window.isEmpty() && innerTopLeft(window) == point;
  }
  // Ends the program as the desktop does (it saves its window state).
  void endProgram() {
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(kWaitMs));
    EXPECT_EQ(program.exitCode(), 0);
  }
  QPoint innerTopLeft(const QString &window) {
    const QString info = run(QStringLiteral("xwininfo"), {"-id", window});
    const auto x = QRegularExpression(QStringLiteral("Absolute upper-left X:\\s+(-?\\d+)")).match(info);
    const auto y = QRegularExpression(QStringLiteral("Absolute upper-left Y:\\s+(-?\\d+)")).match(info);
    return QPoint(x.captured(1).toInt(), y.captured(1).toInt());
  }

  QProcess program;

private:
  QString program_;
  QString file_;
  TPrivateXServer x_;
  QProcessEnvironment env_;
  QProcess wm_;
};

} // namespace

TEST_F(PlacementTest, RestartsGiveBackTheStoredRectangle) {
  startDesktop(QStringLiteral("1280x1024x24"));
  const QRect stored(300, 200, 700, 500);
  storeRect(stored, 0);
  put(QStringLiteral("Options"), QStringLiteral("SysTray"), 0);
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    const QString window = startProgram(QStringLiteral("Normal"));
    ASSERT_FALSE(window.isEmpty());
    EXPECT_TRUE(waitFor([&] { return innerTopLeftIs(QStringLiteral("Normal"), stored.topLeft()); }))
        << innerTopLeft(programWindow(QStringLiteral("Normal"))).y();
    endProgram();
    EXPECT_EQ(storedRect(), stored);
  }

  // Started minimised: minimised it is; restored, and closed, it is where it was.
  put(QStringLiteral("Options"), QStringLiteral("StartMinimized"), 1);
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    const QString window = startProgram(QStringLiteral("Iconic"));
    ASSERT_FALSE(window.isEmpty()) << "not started minimised";
    run(QStringLiteral("xdotool"), {"windowactivate", "--sync", window});
    EXPECT_TRUE(waitFor([&] { return innerTopLeftIs(QStringLiteral("Normal"), stored.topLeft()); }))
        << innerTopLeft(programWindow(QStringLiteral("Normal"))).y();
    endProgram();
    EXPECT_EQ(storedRect(), stored);
    EXPECT_EQ(storedState(), 0);
  }

  // Maximised: it comes back maximised, its normal rectangle kept.
  put(QStringLiteral("Options"), QStringLiteral("StartMinimized"), 0);
  put(QStringLiteral("StartUp"), QStringLiteral("WindowState"), 2);
  const QString window = startProgram(QStringLiteral("Normal"));
  ASSERT_FALSE(window.isEmpty());
  EXPECT_TRUE(waitFor([&] {
    return run(QStringLiteral("xprop"), {"-id", programWindow(QStringLiteral("Normal")), "_NET_WM_STATE"})
        .contains("_NET_WM_STATE_MAXIMIZED_HORZ");
  }));
  endProgram();
  EXPECT_EQ(storedState(), 2);
  EXPECT_EQ(storedRect(), stored);
}
