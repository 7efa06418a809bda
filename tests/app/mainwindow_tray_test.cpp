// The main window and its tray icon where the desktop has no tray (the
// offscreen platform): nothing is ever hidden out of reach.

#include "tests/app/mainwindow_fixture.h"

#include "platform/registry.h"
#include "shell/trayicon.h"

#include <QCloseEvent>
#include <QFile>
#include <QMenu>
#include <QTimer>
#include <QtTest/qtestspontaneevent.h>

using namespace qel;
using namespace qel::test;

namespace {

class TrayWindowTest : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    if (IsSkipped()) return;
    QFile::remove(RegistryHiveFile(HKEY_CURRENT_USER));
  }
  static void putOption(const char *name, bool value) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Qel Moravine\\Options"), true));
    reg.WriteBool(QString::fromLatin1(name), value);
    reg.CloseKey();
  }
};

} // namespace

TEST_F(TrayWindowTest, TheIconHasTheCaptionAsHintAndTheMenuRestoresOrCloses) {
  start({});
  ASSERT_NE(window->TrayIcon, nullptr);
  EXPECT_EQ(window->TrayIcon->Hint(), window->windowTitle());
  EXPECT_TRUE(window->TrayIcon->IconVisible());
  EXPECT_FALSE(window->TrayIcon->Icon().isNull());
  const QList<QAction *> items = window->pm_Systray->actions();
  ASSERT_EQ(items.size(), 2);
  EXPECT_EQ(items[0]->text(), QStringLiteral("Restore"));
  EXPECT_EQ(window->pm_Systray->defaultAction(), items[0]);
  EXPECT_EQ(items[1]->text(), QStringLiteral("Close"));
  EXPECT_TRUE(items[0]->isEnabled() && items[1]->isEnabled());

  window->setWindowState(Qt::WindowMinimized);
  QApplication::processEvents();
  items[0]->trigger();
  EXPECT_FALSE(window->isMinimized());
  EXPECT_TRUE(window->isVisible());

  items[1]->trigger();
  EXPECT_FALSE(window->isVisible());
}

TEST_F(TrayWindowTest, WithoutATrayMinimisingLeavesTheWindowMinimisedAndVisible) {
  putOption("SysTray", true);
  start({});
  EXPECT_TRUE(window->TrayIcon->MinimizeToTray);
  window->setWindowState(Qt::WindowMinimized);
  QApplication::processEvents();
  QApplication::processEvents();
  EXPECT_TRUE(window->isMinimized());
  EXPECT_TRUE(window->isVisible());
}

TEST_F(TrayWindowTest, WithoutATrayStartMinimizedStartsMinimisedNotHidden) {
  for (bool sysTray : {true, false}) {
    SCOPED_TRACE(sysTray);
    putOption("SysTray", sysTray);
    putOption("StartMinimized", true);
    window = std::make_unique<Tf_Main>(QStringList{});
    window->FormShow();
    EXPECT_FALSE(window->StartsInTray());
    window->ShowOnStart();
    QApplication::processEvents();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
    window.reset();
    resetCards();
  }
}

TEST_F(TrayWindowTest, CloseButtonWithMinimizeOnClosingClosesWhenNoIconShows) {
  putOption("Minimize on closing", true);
  start({});
  ASSERT_TRUE(AppOptions->MinimizeOnClosing);
  QCloseEvent close;
  QSpontaneKeyEvent::setSpontaneous(&close);  // as the window system's close button sends it
  QApplication::instance()->notify(window.get(), &close);
  EXPECT_TRUE(close.isAccepted());
}

// "Close" in the tray menu while the window is hidden in the tray closes as
// File > Exit does: the question about unsaved changes (Cancel keeps the
// program), and then the end of the program, not a process with no window.
TEST_F(TrayWindowTest, TrayCloseOfTheHiddenWindowAsksAndEndsTheProgram) {
  for (bool minimizeOnClosing : {false, true}) {
    SCOPED_TRACE(minimizeOnClosing);
    putOption("Minimize on closing", minimizeOnClosing);
    start({});
    addUnsavedCard("unsaved");
    window->hide();  // where the tray icon puts it
    QAction *close = window->pm_Systray->actions().at(1);

    ui.answerButton(IDCANCEL);
    close->trigger();
    EXPECT_EQ(ui.messageTexts().size(), 1);
    EXPECT_TRUE(ui.allAnswered());
    window->pm_Systray->actions().at(0)->trigger();  // Restore
    EXPECT_TRUE(window->isVisible());
    window->hide();

    ui.answerButton(IDNO);
    bool ended = false;
    QTimer::singleShot(0, close, [close] { close->trigger(); });
    // Only reached when the program does not end; never on a run that passes.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QApplication::exit(1); });
    guard.start(120000);
    ended = QApplication::exec() == 0;
    EXPECT_TRUE(ended) << "the program went on running";
    EXPECT_EQ(ui.messageTexts().size(), 2);
    EXPECT_TRUE(ui.allAnswered());
    window.reset();
    resetCards();
    ui.clear();
  }
}
