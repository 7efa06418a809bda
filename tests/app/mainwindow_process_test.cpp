// The real program as the desktop runs it. Two programs on one file: the
// second tells the user, hands over to the first and ends with status 0. The
// desktop asking a program with unsaved changes to end: one question, then the
// way out. Messages need their buttons pressed, so the programs run on a
// private X server (Xvfb) and xdotool presses the keys.

#include "tests/support/privatexserver.h"
#include "tests/app/mainwindow_fixture.h"

#include "platform/instances.h"
#include "platform/registry.h"
#include "settings/registry2000.h"
#include "settings/toolbarstate.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <string>
#include <unistd.h>

using namespace qel;
using namespace qel::test;

namespace {

// Upper bounds only: a passing run ends as soon as the program answers. They are
// generous because a machine busy with parallel builds can take many seconds to
// start a Qt program under a fresh X server.
constexpr int kProcessWaitMs = 60000;

// Whether the process has a handler of its own for SIGTERM, as its status
// in /proc tells.
bool catchesSigterm(qint64 pid) {
  QFile status(QStringLiteral("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return false;
  for (const QByteArray &line : status.readAll().split('\n'))
    if (line.startsWith("SigCgt:")) return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1;
  return false;
}

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
QStringList visibleWindows(const QString &xdotool, const QProcessEnvironment &env, qint64 pid) {
  QProcess search;
  search.setProcessEnvironment(env);
  search.start(xdotool, {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                         QString::number(pid)});
  search.waitForFinished(5000);
  return QString::fromUtf8(search.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void xdo(const QString &xdotool, const QProcessEnvironment &env, const QStringList &args) {
  QProcess p;
  p.setProcessEnvironment(env);
  p.start(xdotool, args);
  p.waitForFinished(5000);
}

// The program, xdotool and a private X server to run the program on, with
// the environment that puts it there: the test's own (XDG_*, TMPDIR:
// programs and test find each other's files) with the program on the server.
struct ProgramOnServer {
  const QString program = QStringLiteral(QEL_PROGRAM_DIR) + QStringLiteral("/qel-moravine");
  const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
  TPrivateXServer x;
  QProcessEnvironment env;
  // What is missing to run it; empty once the server runs.
  std::string Unavailable() {
    if (!QFileInfo::exists(program)) return "program not built";
    if (xdotool.isEmpty()) return "xdotool missing";
    if (!x.Start()) return "no Xvfb";
    env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), x.Display());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return {};
  }
};

// Starts the program on `path` and waits until it shows a window.
::testing::AssertionResult startShown(QProcess &running, const ProgramOnServer &run, const QString &path) {
  running.setProcessEnvironment(run.env);
  running.start(run.program, {path});
  if (!running.waitForStarted()) return ::testing::AssertionFailure() << "the program did not start";
  const qint64 pid = running.processId();
  // Looking at the process also takes in what it wrote, so a talkative
  // program never waits on a full pipe.
  if (!waitFor([&] { return running.waitForFinished(0) || !visibleWindows(run.xdotool, run.env, pid).isEmpty(); },
               kProcessWaitMs))
    return ::testing::AssertionFailure() << "the program showed no window";
  if (running.state() != QProcess::Running)
    return ::testing::AssertionFailure() << "the program ended before it showed a window, exit code " << running.exitCode()
                                         << ", its errors: " << running.readAllStandardError().right(4000).toStdString();
  return ::testing::AssertionSuccess();
}

} // namespace

TEST_F(MainWindowTest, SecondProgramOnTheSameFileHandsOverAndExitsWithZero) {
  ProgramOnServer run;
  if (const std::string why = run.Unavailable(); !why.empty()) GTEST_SKIP() << why;
  const QString &program = run.program, &xdotool = run.xdotool;
  const QProcessEnvironment &env = run.env;

  const QString path = makeCardFile(QStringLiteral("shared.qel"), {"alpha", "bravo"});

  QProcess first;
  first.setProcessEnvironment(env);
  first.start(program, {path});
  ASSERT_TRUE(first.waitForStarted());
  ASSERT_TRUE(waitFor(
      [&] {
        auto record = FindInstanceByFileKey(InstanceFileKey(path));
        return record && record->pid == first.processId();
      },
      kProcessWaitMs))
      << "the first program never showed the file";

  QProcess second;
  second.setProcessEnvironment(env);
  second.start(program, {path, QStringLiteral("al")});
  ASSERT_TRUE(second.waitForStarted());
  // The message is on screen and the program waits for it.
  ASSERT_TRUE(waitFor([&] { return !visibleWindows(xdotool, env, second.processId()).isEmpty() || second.state() == QProcess::NotRunning; }, kProcessWaitMs));
  ASSERT_EQ(second.state(), QProcess::Running) << "ended without telling the user";

  xdo(xdotool, env, {QStringLiteral("key"), QStringLiteral("Return")});
  ASSERT_TRUE(second.waitForFinished(kProcessWaitMs)) << "the second program did not end after the message";
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);

  // The first program goes on with the file; asked to end, it ends cleanly and leaves no body file.
  EXPECT_EQ(first.state(), QProcess::Running);
  auto record = FindInstanceByFileKey(InstanceFileKey(path));
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->pid, first.processId());
  first.terminate();
  ASSERT_TRUE(first.waitForFinished(kProcessWaitMs));
  EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(first.exitCode(), 0);
  EXPECT_FALSE(QFileInfo::exists(BodyFileName(path)));
  EXPECT_EQ(titlesOnDisk(path), (QStringList{"alpha", "bravo"}));
}

TEST_F(MainWindowTest, TerminationWithUnsavedChangesAsksOnceAndLeavesNoBodyFile) {
  ProgramOnServer run;
  if (const std::string why = run.Unavailable(); !why.empty()) GTEST_SKIP() << why;
  const QString &xdotool = run.xdotool;
  const QProcessEnvironment &env = run.env;

  const QString path = makeCardFile(QStringLiteral("ending.qel"), {"alpha", "bravo"});
  QProcess running;
  ASSERT_TRUE(startShown(running, run, path));
  // The first window may be the progress window of the open, before the body file is in place.
  ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(BodyFileName(path)); }, kProcessWaitMs));
  QThread::msleep(1000);  // mapped is not yet laid out and focused

  // Without a window manager the window sits at the top left: the editor is right of the list.
  xdo(xdotool, env, {QStringLiteral("mousemove"), QStringLiteral("500"), QStringLiteral("400"), QStringLiteral("click"),
                     QStringLiteral("1")});
  xdo(xdotool, env, {QStringLiteral("type"), QStringLiteral("unsaved words")});
  QThread::msleep(300);

  // Logout sends the signal; it may come twice while the question is up.
  const int windows = int(visibleWindows(xdotool, env, running.processId()).size());
  ::kill(pid_t(running.processId()), SIGTERM);
  ASSERT_TRUE(waitFor([&] { return int(visibleWindows(xdotool, env, running.processId()).size()) > windows; }, kProcessWaitMs))
      << "no question came; program " << (running.state() == QProcess::Running ? "running" : "ended");
  ::kill(pid_t(running.processId()), SIGTERM);
  QThread::msleep(300);
  xdo(xdotool, env, {QStringLiteral("key"), QStringLiteral("n")});  // No: end without saving
  ASSERT_TRUE(running.waitForFinished(kProcessWaitMs)) << "the program did not end after one answer";
  EXPECT_EQ(running.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(running.exitCode(), 0);
  EXPECT_FALSE(QFileInfo::exists(BodyFileName(path)));
  EXPECT_EQ(titlesOnDisk(path), (QStringList{"alpha", "bravo"}));
}

// The desktop asks a program to end while its start-up message is on the
// screen (a damaged file named on the command line): it ends at once, with
// status 0, leaving nothing in the temporary folder.
TEST_F(MainWindowTest, TerminationDuringAStartUpMessageEndsTheProgram) {
  const QString program = QStringLiteral(QEL_PROGRAM_DIR) + QStringLiteral("/qel-moravine");
  if (!QFileInfo::exists(program)) GTEST_SKIP() << "program not built";

  const QString damaged = QDir::tempPath() + QStringLiteral("/damaged.qel");
  {
    QFile f(damaged);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("PK\x03\x04 not an archive at all");
  }
  // Offscreen: the message waits for an answer all the same. Whether the
  // signal comes while it is up or just before it would be shown, the
  // program must end without an answer.
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  const QStringList before = QDir(TempFolderPath()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  QProcess running;
  running.setProcessEnvironment(env);
  running.start(program, {damaged});
  ASSERT_TRUE(running.waitForStarted());
  // Once the program catches the signal it is at its start-up message or
  // about to show it; before, the signal would end it as any other program.
  ASSERT_TRUE(waitFor([&] { return catchesSigterm(running.processId()); }, kProcessWaitMs))
      << "the program never got ready for the signal";
  ASSERT_EQ(running.state(), QProcess::Running) << "ended without showing its message";
  ::kill(pid_t(running.processId()), SIGTERM);
  ASSERT_TRUE(running.waitForFinished(kProcessWaitMs)) << "the program did not end while its message was shown";
  EXPECT_EQ(running.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(running.exitCode(), 0);
  // Nothing new is left (the program shares this test's temporary folder).
  for (const QString &name : QDir(TempFolderPath()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
    EXPECT_TRUE(before.contains(name) || name == QStringLiteral("instances")) << name.toStdString();
}

// A damaged store that hides the menu bar and its File menu: the program
// shows both all the same (Alt+F opens the File menu rather than typing into
// the filter), and writes them back shown.
TEST_F(MainWindowTest, AStoreThatHidesTheMenusLeavesThemShown) {
  ProgramOnServer run;
  if (const std::string why = run.Unavailable(); !why.empty()) GTEST_SKIP() << why;
  const QString &xdotool = run.xdotool;
  const QProcessEnvironment &env = run.env;

  const QString path = makeCardFile(QStringLiteral("menus.qel"), {"alpha"});
  {
    TRegIniFile ini;
    ini.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(ini.OpenKey(kToolBarsKey, true));
    ini.WriteString(QStringLiteral("Toolbar_Menu"), QStringLiteral("Rev"), QStringLiteral("2000"));
    ini.WriteString(QStringLiteral("Toolbar_Menu"), QStringLiteral("Visible"), QStringLiteral("0"));
    ini.CloseKey();
    TRegistry2000 reg;
    ASSERT_TRUE(reg.OpenKey(kToolBarsKey, true));
    reg.WriteBool(QStringLiteral("File1"), false);
    reg.CloseKey();
  }
  QProcess running;
  ASSERT_TRUE(startShown(running, run, path));
  QString window;
  ASSERT_TRUE(waitFor(
      [&] {
        QProcess search;
        search.setProcessEnvironment(env);
        search.start(xdotool, {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                               QStringLiteral("^menus")});
        search.waitForFinished(5000);
        window = QString::fromUtf8(search.readAllStandardOutput()).section(u'\n', 0, 0).trimmed();
        return !window.isEmpty();
      },
      kProcessWaitMs));
  // Alt+F opens the File menu and X runs its Exit entry: the program ends.
  // Without the menu the keys would type into the filter. The window takes
  // the keyboard once it is mapped; until then keys go nowhere, so it is tried again.
  bool ended = false;
  for (int attempt = 0; attempt < 20 && !ended; ++attempt) {
    xdo(xdotool, env, {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    xdo(xdotool, env, {QStringLiteral("key"), QStringLiteral("alt+f")});
    QThread::msleep(300);
    xdo(xdotool, env, {QStringLiteral("key"), QStringLiteral("x")});
    ended = running.waitForFinished(2000);
  }
  if (!ended) {
    running.terminate();
    running.waitForFinished(kProcessWaitMs);
  }
  ASSERT_TRUE(ended) << "Alt+F, X did not reach the File menu's Exit";
  EXPECT_EQ(running.exitCode(), 0);
  TRegIniFile ini;
  ini.SetRootKey(HKEY_CURRENT_USER);
  ASSERT_TRUE(ini.OpenKey(kToolBarsKey, false));
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("Toolbar_Menu"), QStringLiteral("Visible"), -1), 1);
  ini.CloseKey();
  TRegistry2000 reg;
  ASSERT_TRUE(reg.OpenKey(kToolBarsKey, false));
  bool file = false;
  EXPECT_TRUE(reg.ReadBoolIfExists(QStringLiteral("File1"), file));
  EXPECT_TRUE(file);
}
