// Floating toolbars on a real X server with a window manager: a child test
// process shows a form with a top dock, a themed toolbar that may float
// and one that may not; xdotool drags the first off its dock, sizes its
// floating frame, docks it by a double click on its caption, minimises and
// restores the form and closes the frame by its button, as a user would.
// The child keeps the positions in the registry between runs.

#include "tests/support/privatexserver.h"
#include "tests/support/testenv.h"
#include "toolbars/core/thmthemes.h"
#include "toolbars/paint/thmitems.h"
#include "toolbars/qt/tbdockpositions.h"
#include "toolbars/qt/tbfloatingwindow.h"
#include "toolbars/qt/thmwindows.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <optional>

#include "tests/toolbars/docktest.h"
#include "tests/toolbars/toolbartest.h"
#include "tests/toolbars/x11child.h"

using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

const QString kPositionsKey = QStringLiteral("Software\\Qel Moravine\\ToolBars");

QString RectText(const QRect &r) { return QStringLiteral("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()); }

} // namespace

// The program side; by hand (a window manager makes minimising work):
//   Xvfb :63 -screen 0 1280x1024x24 & DISPLAY=:63 openbox &
//   DISPLAY=:63 QT_QPA_PLATFORM=xcb build/tests/test_toolbars
//     --gtest_also_run_disabled_tests --gtest_filter=FloatX11Child.*
TEST(FloatX11Child, DISABLED_FloatsAToolbar) {
  if (qEnvironmentVariableIsSet("QEL_FLOAT_TEST_CONFIG"))
    qputenv("XDG_CONFIG_HOME", qgetenv("QEL_FLOAT_TEST_CONFIG"));
  StartThemedItems();
  TTbrDockFrame form(nullptr, &MakeThemedDock);
  form.setObjectName(QStringLiteral("FloatForm"));
  form.setWindowTitle(QStringLiteral("Floating toolbars"));
  form.SetCentralWidget(new QWidget);
  auto *floating = new TThmToolbar(&form);
  floating->setObjectName(QStringLiteral("F"));
  floating->SetCaption(QStringLiteral("Format"));
  for (int i = 1; i <= 8; ++i)
    Add(floating->Items(), QStringLiteral("F%1").arg(i));
  floating->SetSnapDistance(10);
  floating->SetDockPos(0);
  floating->SetCurrentDock(form.DockTop());
  auto *fixed = new TThmToolbar(&form);
  fixed->setObjectName(QStringLiteral("G"));
  for (int i = 1; i <= 3; ++i)
    Add(fixed->Items(), QStringLiteral("G%1").arg(i));
  fixed->DockMode = dmCannotFloat;
  fixed->SetDockPos(400);
  fixed->SetCurrentDock(form.DockTop());
  LoadDockablePositionsFromRegistry(&form, qel::HKEY_CURRENT_USER, kPositionsKey);

  // Tells when the floating frame shows or hides, and when the form is
  // minimised or restored.
  struct TFrameWatch : QObject {
    QWidget *Form = nullptr;
    bool eventFilter(QObject *watched, QEvent *event) override {
      if (dynamic_cast<TTbrFloatingWindowParent *>(watched) &&
          (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        Say(QStringLiteral("FRAME shown=%1").arg(event->type() == QEvent::Show ? 1 : 0));
      if (watched == Form && event->type() == QEvent::WindowStateChange)
        Say(QStringLiteral("FORM minimized=%1").arg(Form->isMinimized() ? 1 : 0));
      return false;
    }
  } frames;
  frames.Form = &form;
  qApp->installEventFilter(&frames);

  QEventLoop wait;
  std::optional<TKeyCommands> keys(std::in_place);
  keys->On[Qt::Key_R] = [&] {
    TTbrFloatingWindowParent *tool = floating->ToolWindowParent();
    Say(QStringLiteral("NOW floating=%1 visible=%2 framevisible=%3 frame=%4 bar=%5 floatwidth=%6 top=%7 topdock=%8 window=%9")
            .arg(floating->Floating() ? 1 : 0)
            .arg(floating->isHidden() ? 0 : 1)
            .arg(tool && tool->isVisible() ? 1 : 0)
            .arg(tool ? RectText(tool->geometry()) : QStringLiteral("-"))
            .arg(RectText(QRect(floating->mapToGlobal(QPoint(0, 0)), floating->size())))
            .arg(floating->FloatWidth())
            .arg(DockRows(form.DockTop(), QLatin1Char(',')))
            .arg(RectText(QRect(form.DockTop()->mapToGlobal(QPoint(0, 0)), form.DockTop()->size())))
            .arg(form.winId()));
  };
  keys->On[Qt::Key_Q] = [&] { wait.quit(); };
  // As the toolbars menu would show it again.
  keys->On[Qt::Key_S] = [&] { floating->show(); };

  form.setGeometry(40, 40, 900, 500);
  form.show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
  form.activateWindow();
  // The keys the test sends go to the focused window: say ready once the form has the focus.
  EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
  Say(QStringLiteral("READY window=%1").arg(form.winId()));
  QTimer::singleShot(180000, &wait, &QEventLoop::quit);
  wait.exec();
  keys.reset();
  qApp->removeEventFilter(&frames);
  SaveDockablePositionsToRegistry(&form, qel::HKEY_CURRENT_USER, kPositionsKey);
  Say(QStringLiteral("SAVED"));
  StopThemedItems();
}

namespace {

struct TNow {
  bool Floating = false, Visible = false, FrameVisible = false;
  QRect Frame, Bar, TopDock;
  int FloatWidth = 0;
  QString Top, Window;
};

QRect ParseRect(const QString &text) {
  const QStringList n = text.split(u',');
  return n.size() == 4 ? QRect(n[0].toInt(), n[1].toInt(), n[2].toInt(), n[3].toInt()) : QRect();
}

TNow Parse(const QString &line) {
  QMap<QString, QString> v;
  for (const QString &word : line.split(u' ', Qt::SkipEmptyParts))
    v[word.section(u'=', 0, 0)] = word.section(u'=', 1);
  TNow now;
  now.Floating = v["floating"] == "1";
  now.Visible = v["visible"] == "1";
  now.FrameVisible = v["framevisible"] == "1";
  now.Frame = ParseRect(v["frame"]);
  now.Bar = ParseRect(v["bar"]);
  now.TopDock = ParseRect(v["topdock"]);
  now.FloatWidth = v["floatwidth"].toInt();
  now.Top = v["top"];
  now.Window = v["window"];
  return now;
}

QStringList Points(const char *verb, const QPoint &p) { return {verb, QString::number(p.x()), QString::number(p.y())}; }

} // namespace

TEST(FloatX11, FloatsSizesSnapsDocksHidesWithItsFormClosesAndComesBack) {
  if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty() ||
      QStandardPaths::findExecutable(QStringLiteral("openbox")).isEmpty())
    GTEST_SKIP() << "xdotool or openbox missing";
  qel::test::TPrivateXServer x;
  if (!x.Start(QStringLiteral("1280x1024x24")))
    GTEST_SKIP() << "no Xvfb";
  // Minimising needs a window manager.
  QProcess wm;
  QProcessEnvironment wmEnv = QProcessEnvironment::systemEnvironment();
  wmEnv.insert(QStringLiteral("DISPLAY"), x.Display());
  wm.setProcessEnvironment(wmEnv);
  wm.start(QStandardPaths::findExecutable(QStringLiteral("openbox")), {});
  ASSERT_TRUE(wm.waitForStarted(10000));
  // A form mapped before openbox manages the screen never gets the focus, and the keys the test sends
  // go nowhere: wait until the window manager announces itself on the root window.
  {
    QElapsedTimer waited;
    waited.start();
    bool managed = false;
    while (!managed && waited.elapsed() < 20000) {
      QProcess xprop;
      xprop.setProcessEnvironment(wmEnv);
      xprop.start(QStandardPaths::findExecutable(QStringLiteral("xprop")), {"-root", "_NET_SUPPORTING_WM_CHECK"});
      xprop.waitForFinished(5000);
      managed = xprop.readAllStandardOutput().contains("window id");
      if (!managed)
        QThread::msleep(50);
    }
    ASSERT_TRUE(managed) << "openbox did not take the screen";
  }
  struct TStopWm {
    QProcess &P;
    ~TStopWm() {
      P.terminate();
      if (!P.waitForFinished(5000))
        P.kill();
      P.waitForFinished();
    }
  } stopWm{wm};
  const QString config = qel::test::freshDir(QStringLiteral("tbfloatx11"));
  qputenv("QEL_FLOAT_TEST_CONFIG", QFile::encodeName(config));
  const QString childTest = QStringLiteral("FloatX11Child.DISABLED_FloatsAToolbar");

  auto child = std::make_unique<TChild>(x.Display(), childTest);
  ASSERT_FALSE(child->Expect(QStringLiteral("READY")).isEmpty()) << child->Process.readAllStandardError().constData();
  auto now = [&] {
    child->Xdo(Args("key r"));
    return Parse(child->Expect(QStringLiteral("NOW")));
  };
  auto drag = [&](const QPoint &from, const QList<QPoint> &path) {
    child->Xdo(Points("mousemove", from) << "mousedown" << "1");
    for (const QPoint &p : path)
      child->Xdo(Points("mousemove", p));
    child->Xdo({"mouseup", "1"});
  };
  auto grip = [](const QRect &bar) { return QPoint(bar.left() + 4, bar.center().y()); };
  auto caption = [](const QRect &frame) { return QPoint(frame.left() + 30, frame.top() + 10); };
  auto rightBand = [](const QRect &frame) { return QPoint(frame.left() + frame.width() - 2, frame.center().y()); };

  TNow n = now();
  ASSERT_FALSE(n.Floating);
  ASSERT_TRUE(n.Top.startsWith("F:0@0")) << n.Top.toStdString();
  const QRect docked = n.Bar;

  // Off its dock: it floats in a frame with a caption above it.
  drag(grip(n.Bar), {QPoint(300, 300), QPoint(500, 400)});
  n = now();
  ASSERT_TRUE(n.Floating);
  EXPECT_TRUE(n.FrameVisible);
  EXPECT_FALSE(n.Top.contains("F:")) << n.Top.toStdString();
  EXPECT_TRUE(n.Frame.contains(n.Bar)) << n.Frame.x() << "," << n.Frame.y();
  EXPECT_GT(n.Bar.top() - n.Frame.top(), 10); // the caption
  const TNow wide = n;

  // Narrower by 40 pixels: the next width at which the items wrap, more lines.
  drag(rightBand(n.Frame), {rightBand(n.Frame) - QPoint(20, 0), rightBand(n.Frame) - QPoint(40, 0)});
  n = now();
  EXPECT_LE(n.Frame.width(), wide.Frame.width() - 40);
  EXPECT_GT(n.Frame.height(), wide.Frame.height());
  EXPECT_EQ(n.Frame.left(), wide.Frame.left());
  EXPECT_EQ(n.FloatWidth, n.Bar.width());
  EXPECT_EQ(n.Frame.width() - n.Bar.width(), wide.Frame.width() - wide.Bar.width()); // the frame hugs the items
  const TNow narrow = n;

  // Narrower still, then back to within the snap distance of the start: the start width.
  drag(rightBand(n.Frame), {rightBand(n.Frame) - QPoint(30, 0), rightBand(n.Frame) - QPoint(4, 0)});
  n = now();
  EXPECT_EQ(n.Frame, narrow.Frame);
  EXPECT_EQ(n.FloatWidth, narrow.FloatWidth);

  // Dragged by its caption to 6 pixels from the screen's left edge: it snaps to it.
  drag(caption(n.Frame), {QPoint(300, 700), caption(QRect(QPoint(6, 700), n.Frame.size()))});
  n = now();
  EXPECT_EQ(n.Frame.topLeft(), QPoint(0, 700));
  EXPECT_EQ(n.Frame.size(), narrow.Frame.size());

  // A double click on the caption docks it where it was.
  child->Xdo(Points("mousemove", caption(n.Frame)) << "click" << "--repeat" << "2" << "--delay" << "80" << "1");
  n = now();
  EXPECT_FALSE(n.Floating);
  EXPECT_FALSE(n.FrameVisible);
  EXPECT_TRUE(n.Top.startsWith("F:0@0")) << n.Top.toStdString();
  EXPECT_EQ(n.Bar, docked);

  // Floating again it has the width it was given.
  drag(grip(n.Bar), {QPoint(300, 300), QPoint(500, 300)});
  n = now();
  ASSERT_TRUE(n.Floating);
  EXPECT_EQ(n.Frame.size(), narrow.Frame.size());
  const TNow floated = n;

  // The form minimised: the frame goes; restored: it comes back, and the form stays.
  child->Xdo({"windowminimize", n.Window});
  EXPECT_FALSE(child->Expect(QStringLiteral("FRAME shown=0")).isEmpty());
  child->Xdo({"windowactivate", n.Window});
  EXPECT_FALSE(child->Expect(QStringLiteral("FORM minimized=0")).isEmpty());
  EXPECT_FALSE(child->Expect(QStringLiteral("FRAME shown=1")).isEmpty());
  n = now();
  EXPECT_TRUE(n.FrameVisible);
  EXPECT_EQ(n.Frame, floated.Frame);

  // Its close button hides it; it stays a floating toolbar.
  const QRect frame = n.Frame;
  child->Xdo(Points("mousemove", QPoint(frame.left() + frame.width() - 12, frame.top() + 10)) << "click" << "1");
  n = now();
  EXPECT_TRUE(n.Floating);
  EXPECT_FALSE(n.Visible);
  EXPECT_FALSE(n.FrameVisible);

  // Quit and start again: shown, it floats where it was with its width.
  child->Xdo(Args("key q"));
  ASSERT_FALSE(child->Expect(QStringLiteral("SAVED")).isEmpty());
  child = std::make_unique<TChild>(x.Display(), childTest);
  ASSERT_FALSE(child->Expect(QStringLiteral("READY")).isEmpty());
  n = now();
  EXPECT_TRUE(n.Floating);
  EXPECT_FALSE(n.Visible);
  child->Xdo(Args("key s"));
  n = now();
  EXPECT_TRUE(n.FrameVisible);
  EXPECT_EQ(n.Frame, frame);
  EXPECT_EQ(n.FloatWidth, narrow.FloatWidth);
  child->Xdo(Args("key q"));
  EXPECT_FALSE(child->Expect(QStringLiteral("SAVED")).isEmpty());
}
