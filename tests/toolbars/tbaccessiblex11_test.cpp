// Menus before a real accessibility client: a child test process shows a
// menu bar on a private X server with its own session bus and AT-SPI bus;
// a small client (tests/toolbars/data/atspi_menubar.py) lists the bar's
// items by name and opens a menu and runs an item through their actions,
// while the program records the accessibility events it sends.

#include "tests/support/privatexserver.h"
#include "toolbars/qt/tbpopupwindow.h"
#include "toolbars/qt/tbtoolbar.h"
#include "toolbars/qt/tbwidgethost.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "tests/toolbars/toolbartest.h"
#include "tests/toolbars/x11child.h"

using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

QStringList *RecordedEvents = nullptr;

// Keeps the menu events, and the focus events of the framework's views.
void RecordEvent(QAccessibleEvent *event) {
  if (!RecordedEvents)
    return;
  const auto nameOf = [event] {
    QAccessibleInterface *iface = event->accessibleInterface();
    return iface ? iface->text(QAccessible::Name).section(u'\t', 0, 0) : QStringLiteral("?");
  };
  switch (event->type()) {
  case QAccessible::MenuStart:
    *RecordedEvents << QStringLiteral("MenuStart");
    break;
  case QAccessible::MenuEnd:
    *RecordedEvents << QStringLiteral("MenuEnd");
    break;
  case QAccessible::PopupMenuStart:
    *RecordedEvents << QStringLiteral("PopupMenuStart:") + nameOf();
    break;
  case QAccessible::PopupMenuEnd:
    *RecordedEvents << QStringLiteral("PopupMenuEnd:") + nameOf();
    break;
  case QAccessible::Focus:
    if (dynamic_cast<TTbrWidgetViewHost *>(event->object()))
      *RecordedEvents << QStringLiteral("Focus:") + nameOf();
    break;
  default:
    break;
  }
}

// A helper process asked to end (not killed) on every way out of the test,
// so that it takes down what it started itself.
struct TEndedProcess : QProcess {
  ~TEndedProcess() override {
    if (state() == QProcess::NotRunning)
      return;
    terminate();
    if (!waitForFinished(5000))
      kill();
    waitForFinished(5000);
  }
};

QString AtSpiBusLauncher() {
  for (const char *path : {"/usr/libexec/at-spi-bus-launcher", "/usr/lib/at-spi2-core/at-spi-bus-launcher"})
    if (QFileInfo(QString::fromLatin1(path)).isExecutable())
      return QString::fromLatin1(path);
  return QString();
}

} // namespace

// The program side (by hand, on a display with an accessibility bus:
// QT_QPA_PLATFORM=xcb test_toolbars --gtest_also_run_disabled_tests
// --gtest_filter=AccessibleX11Child.*).
TEST(AccessibleX11Child, DISABLED_ShowsAMenuBarToAClient) {
  QStringList events;
  RecordedEvents = &events;
  QAccessible::installUpdateHandler(&RecordEvent);

  QWidget main;
  main.setWindowTitle(QStringLiteral("Accessible menus"));
  main.setGeometry(100, 100, 420, 300);
  auto *layout = new QVBoxLayout(&main);
  auto *bar = new TTbrCustomToolbar(&main);
  bar->setWindowTitle(QStringLiteral("Menu"));
  bar->SetMenuBar(true);
  layout->addWidget(bar);
  layout->addStretch();
  auto *file = Add<TSubmenuItem>(bar->Items(), "&File");
  auto *open = Add(file, "&Open\tCtrl+O");
  auto *recent = Add<TSubmenuItem>(file, "&Recent");
  Add(recent, "&first.qel");
  auto *edit = Add<TSubmenuItem>(bar->Items(), "&Edit");
  Add(edit, "&Copy");
  QEventLoop wait;
  open->SetOnClick([&](TTbrCustomItem *) {
    int popups = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
      popups += dynamic_cast<TTbrPopupWindow *>(w) && w->isVisible();
    Say(QStringLiteral("CLICKED Open popups=%1 events=%2").arg(popups).arg(events.join(u',')));
    wait.quit();
  });

  main.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  main.activateWindow();
  // The bridge turns accessibility on once it has found the bus.
  QElapsedTimer timer;
  timer.start();
  while ((!QAccessible::isActive() || !main.isActiveWindow()) && timer.elapsed() < kWaitMs)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  if (!QAccessible::isActive()) {
    Say(QStringLiteral("READY inactive"));
    return;
  }
  events.clear();
  Say(QStringLiteral("READY active=1 app=%1").arg(QCoreApplication::applicationName()));
  QTimer::singleShot(120000, &wait, &QEventLoop::quit);
  wait.exec();
  RecordedEvents = nullptr;
  QAccessible::installUpdateHandler(nullptr);
}

TEST(AccessibleX11, AnAtSpiClientListsTheMenuBarOpensFileAndRunsAnItem) {
  const QString dbus = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
  const QString gdbus = QStandardPaths::findExecutable(QStringLiteral("gdbus"));
  const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
  const QString launcher = AtSpiBusLauncher();
  if (dbus.isEmpty() || gdbus.isEmpty() || python.isEmpty() || launcher.isEmpty())
    GTEST_SKIP() << "needs dbus-daemon, gdbus, python3 and at-spi2-core";
  qel::test::TPrivateXServer x;
  if (!x.Start())
    GTEST_SKIP() << "no Xvfb";

  // A session bus of the test's own, and the accessibility bus on it.
  TEndedProcess session;
  session.start(dbus, {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
  ASSERT_TRUE(session.waitForStarted(10000));
  QByteArray address;
  QElapsedTimer timer;
  timer.start();
  while (!address.contains('\n') && timer.elapsed() < kWaitMs && session.state() == QProcess::Running) {
    session.waitForReadyRead(100);
    address += session.readAllStandardOutput();
  }
  address = address.trimmed();
  ASSERT_FALSE(address.isEmpty()) << session.readAllStandardError().constData();
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("DISPLAY"), x.Display());
  env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromUtf8(address));
  TEndedProcess bus;
  bus.setProcessEnvironment(env);
  bus.start(launcher, {QStringLiteral("--launch-immediately")});
  ASSERT_TRUE(bus.waitForStarted(10000));
  // A client switches accessibility on for the desktop, as a screen reader
  // does; retried until the bus launcher has taken its name.
  bool enabled = false;
  timer.restart();
  while (!enabled && timer.elapsed() < kWaitMs) {
    QProcess set;
    set.setProcessEnvironment(env);
    set.start(gdbus, {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                      QStringLiteral("org.a11y.Bus"), QStringLiteral("--object-path"), QStringLiteral("/org/a11y/bus"),
                      QStringLiteral("--method"), QStringLiteral("org.freedesktop.DBus.Properties.Set"),
                      QStringLiteral("org.a11y.Status"), QStringLiteral("IsEnabled"), QStringLiteral("<true>")});
    enabled = set.waitForFinished(10000) && set.exitStatus() == QProcess::NormalExit && set.exitCode() == 0;
    if (!enabled)
      QThread::msleep(100);
  }
  ASSERT_TRUE(enabled) << "the accessibility bus did not come up";

  const QByteArray previous = qgetenv("DBUS_SESSION_BUS_ADDRESS");
  qputenv("DBUS_SESSION_BUS_ADDRESS", address);
  TChild child(x.Display(), QStringLiteral("AccessibleX11Child.DISABLED_ShowsAMenuBarToAClient"));
  qputenv("DBUS_SESSION_BUS_ADDRESS", previous);
  const QString ready = child.Expect(QStringLiteral("READY"));
  ASSERT_TRUE(ready.startsWith(QStringLiteral("READY active=1"))) << ready.toStdString() << "\n"
                                                                  << child.Process.readAllStandardError().constData();

  QProcess client;
  client.setProcessEnvironment(env);
  client.start(python, {QStringLiteral(QEL_TEST_DATA_DIR "/atspi_menubar.py"), ready.section(u'=', 2),
                        QStringLiteral("File"), QStringLiteral("Open")});
  ASSERT_TRUE(client.waitForFinished(kWaitMs * 2));
  const QStringList said = QString::fromUtf8(client.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
  EXPECT_EQ(said, (QStringList{"MENUBAR File|Edit", "OPENED File", "MENU Open|Recent", "EXECUTED Open"}))
      << client.readAllStandardError().constData();

  // Opened from outside the menu's input: the bar's item takes the focus as
  // the session starts, the menu opens with its first item focused, and the
  // command runs once the session and its menu have ended.
  EXPECT_EQ(child.Expect(QStringLiteral("CLICKED")),
            QStringLiteral("CLICKED Open popups=0 events=Focus:File,MenuStart,PopupMenuStart:File,Focus:Open,"
                           "PopupMenuEnd:File,MenuEnd"));
  child.Process.waitForFinished(10000);
}
