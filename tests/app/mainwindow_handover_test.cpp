// Two real programs on one file: the second tells the user, hands over to the
// first and ends with status 0. The "is already opened" message needs its OK
// pressed, so both run on a private X server (Xvfb) and xdotool presses Enter.

#include "tests/app/mainwindow_fixture.h"

#include "platform/instances.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <unistd.h>

using namespace qel;
using namespace qel::test;

namespace {

bool waitFor(const std::function<bool()> &condition, int ms) {
  QElapsedTimer timer;
  timer.start();
  while (!condition()) {
    if (timer.elapsed() > ms) return false;
    QThread::msleep(50);
  }
  return true;
}

// A private X server for the life of the test.
class PrivateXServer {
public:
  bool start() {
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) return false;
    // -displayfd would pick the number itself, but QProcess cannot hand a descriptor over: try free numbers.
    for (int n = 200 + int(::getpid() % 300), tries = 0; tries < 10; ++n, ++tries) {
      if (QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n))) continue;
      server_.start(xvfb, {QStringLiteral(":%1").arg(n), QStringLiteral("-screen"), QStringLiteral("0"),
                           QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
      if (!server_.waitForStarted(5000)) continue;
      const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(n);
      QElapsedTimer timer;
      timer.start();
      bool ended = false;
      while (!QFileInfo::exists(socket) && timer.elapsed() < 5000)
        if ((ended = server_.waitForFinished(50))) break;
      if (!ended && QFileInfo::exists(socket)) {
        display_ = QStringLiteral(":%1").arg(n);
        return true;
      }
      stop();
    }
    return false;
  }
  ~PrivateXServer() { stop(); }
  // Terminated, not killed: the server removes its lock file and socket itself.
  void stop() {
    if (server_.state() == QProcess::NotRunning) return;
    server_.terminate();
    if (!server_.waitForFinished(5000)) {
      server_.kill();
      server_.waitForFinished();
    }
  }
  const QString &display() const { return display_; }

private:
  QProcess server_;
  QString display_;
};

} // namespace

TEST_F(MainWindowTest, SecondProgramOnTheSameFileHandsOverAndExitsWithZero) {
  const QString program = QStringLiteral(QEL_PROGRAM_DIR) + QStringLiteral("/qel-moravine");
  const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
  if (!QFileInfo::exists(program)) GTEST_SKIP() << "program not built";
  if (xdotool.isEmpty()) GTEST_SKIP() << "xdotool missing";
  PrivateXServer x;
  if (!x.start()) GTEST_SKIP() << "no Xvfb";

  const QString path = makeCardFile(QStringLiteral("shared.qel"), {"alpha", "bravo"});
  // The programs share this test's folders (XDG_*, TMPDIR), so they find each other and the test finds them.
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("DISPLAY"), x.display());
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));

  QProcess first;
  first.setProcessEnvironment(env);
  first.start(program, {path});
  ASSERT_TRUE(first.waitForStarted());
  ASSERT_TRUE(waitFor(
      [&] {
        auto record = FindInstanceByFileKey(InstanceFileKey(path));
        return record && record->pid == first.processId();
      },
      15000))
      << "the first program never showed the file";

  QProcess second;
  second.setProcessEnvironment(env);
  second.start(program, {path, QStringLiteral("al")});
  ASSERT_TRUE(second.waitForStarted());
  // The message is on screen and the program waits for it.
  auto secondsWindows = [&] {
    QProcess search;
    search.setProcessEnvironment(env);
    search.start(xdotool, {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                           QString::number(second.processId())});
    search.waitForFinished(5000);
    return QString::fromUtf8(search.readAllStandardOutput()).trimmed();
  };
  ASSERT_TRUE(waitFor([&] { return !secondsWindows().isEmpty() || second.state() == QProcess::NotRunning; }, 15000));
  ASSERT_EQ(second.state(), QProcess::Running) << "ended without telling the user";

  QProcess press;
  press.setProcessEnvironment(env);
  press.start(xdotool, {QStringLiteral("key"), QStringLiteral("Return")});
  press.waitForFinished(5000);
  ASSERT_TRUE(second.waitForFinished(15000)) << "the second program did not end after the message";
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);

  // The first program goes on with the file; asked to end, it ends cleanly and leaves no body file.
  EXPECT_EQ(first.state(), QProcess::Running);
  auto record = FindInstanceByFileKey(InstanceFileKey(path));
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->pid, first.processId());
  first.terminate();
  ASSERT_TRUE(first.waitForFinished(15000));
  EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(first.exitCode(), 0);
  EXPECT_FALSE(QFileInfo::exists(BodyFileName(path)));
  EXPECT_EQ(titlesOnDisk(path), (QStringList{"alpha", "bravo"}));
}
