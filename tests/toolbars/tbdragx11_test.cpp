// Dragging docked toolbars on a real X server: a child test process shows a
// form with docks and three toolbars on a private Xvfb and tells where they
// are when asked (key r); xdotool drags them by their grips as a user
// would. The child keeps the positions in the registry between runs.

#include "tests/support/privatexserver.h"
#include "tests/support/testenv.h"
#include "toolbars/qt/tbdock.h"
#include "toolbars/qt/tbdockpositions.h"
#include "toolbars/qt/tbtoolbar.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

#include "tests/toolbars/docktest.h"
#include "tests/toolbars/toolbartest.h"
#include "tests/toolbars/x11child.h"

using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

const QString kPositionsKey = QStringLiteral("Software\\Qel Moravine\\ToolBars");

QString Rows(TTbrDock *dock) { return DockRows(dock, QLatin1Char(',')); }

QString RectText(const QWidget *w) {
  const QPoint at = w->mapToGlobal(QPoint(0, 0));
  return QStringLiteral("%1,%2,%3,%4").arg(at.x()).arg(at.y()).arg(w->width()).arg(w->height());
}

} // namespace

// The program side; by hand:
//   xvfb-run -a -s '-screen 0 1280x1024x24' env QT_QPA_PLATFORM=xcb build/tests/test_toolbars
//     --gtest_also_run_disabled_tests --gtest_filter=DragX11Child.*
TEST(DragX11Child, DISABLED_DragsDockedToolbars) {
  // The store the test gives, kept across the runs of this child (each run
  // of the test program starts on a fresh one of its own).
  if (qEnvironmentVariableIsSet("QEL_DRAG_TEST_CONFIG"))
    qputenv("XDG_CONFIG_HOME", qgetenv("QEL_DRAG_TEST_CONFIG"));
  TTbrDockFrame form;
  form.setObjectName(QStringLiteral("DragForm"));
  form.setWindowTitle(QStringLiteral("Dragging toolbars"));
  form.SetCentralWidget(new QWidget);
  form.DockLeft()->SetFixAlign(true);
  QList<TTbrCustomToolbar *> bars;
  const struct {
    const char *name;
    int row, pos;
  } design[] = {{"A", 0, 0}, {"B", 0, 300}, {"C", 1, 0}};
  for (const auto &d : design) {
    auto *bar = new TTbrCustomToolbar(&form);
    bar->setObjectName(d.name);
    for (int i = 1; i <= 4; ++i)
      Add(bar->Items(), QStringLiteral("%1%2").arg(d.name).arg(i));
    bar->DockMode = dmCannotFloat;
    bar->SetDockRow(d.row);
    bar->SetDockPos(d.pos);
    bar->SetCurrentDock(form.DockTop());
    bars << bar;
  }
  bars[1]->SmoothDrag = false; // B drags an outline
  qel::toolbars::LoadDockablePositionsFromRegistry(&form, qel::HKEY_CURRENT_USER, kPositionsKey);

  QEventLoop wait;
  std::optional<TKeyCommands> keys(std::in_place);
  keys->On[Qt::Key_R] = [&] {
    QStringList grips;
    for (auto *bar : bars)
      grips << QStringLiteral("%1=%2").arg(bar->objectName(), RectText(bar));
    Say(QStringLiteral("NOW top=%1 left=%2 | %3 topdock=%4 leftdock=%5")
            .arg(Rows(form.DockTop()), Rows(form.DockLeft()), grips.join(' '), RectText(form.DockTop()),
                 RectText(form.DockLeft())));
  };
  keys->On[Qt::Key_Q] = [&] { wait.quit(); };

  form.setGeometry(40, 40, 900, 500);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  form.activateWindow();
  QTest::qWait(200);
  Say(QStringLiteral("READY window=%1").arg(form.winId()));
  QTimer::singleShot(120000, &wait, &QEventLoop::quit);
  wait.exec();
  keys.reset();
  qel::toolbars::SaveDockablePositionsToRegistry(&form, qel::HKEY_CURRENT_USER, kPositionsKey);
  Say(QStringLiteral("SAVED"));
}

namespace {

struct TNow {
  QString Top, Left;
  QMap<QString, QRect> Rects; // the toolbars and "topdock", "leftdock"
};

TNow Parse(const QString &line) {
  TNow now;
  now.Top = line.section(QStringLiteral("top="), 1).section(u' ', 0, 0);
  now.Left = line.section(QStringLiteral("left="), 1).section(u' ', 0, 0);
  for (const QString &word : line.section(u'|', 1).split(u' ', Qt::SkipEmptyParts)) {
    const QStringList n = word.section(u'=', 1).split(u',');
    if (n.size() == 4)
      now.Rects[word.section(u'=', 0, 0)] = QRect(n[0].toInt(), n[1].toInt(), n[2].toInt(), n[3].toInt());
  }
  return now;
}

} // namespace

TEST(DragX11, GripDragsToRowsNewRowsOtherDocksAndBackAfterARestart) {
  if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
    GTEST_SKIP() << "xdotool missing";
  qel::test::TPrivateXServer x;
  if (!x.Start(QStringLiteral("1280x1024x24")))
    GTEST_SKIP() << "no Xvfb";
  const QString config = qel::test::freshDir(QStringLiteral("tbdragx11"));
  qputenv("QEL_DRAG_TEST_CONFIG", QFile::encodeName(config));

  auto child = std::make_unique<TChild>(x.Display(), QStringLiteral("DragX11Child.DISABLED_DragsDockedToolbars"));
  ASSERT_FALSE(child->Expect(QStringLiteral("READY")).isEmpty()) << child->Process.readAllStandardError().constData();
  auto now = [&] {
    child->Xdo(Args("key r"));
    return Parse(child->Expect(QStringLiteral("NOW")));
  };
  // Presses the grip of `bar`, moves to `to` and releases there; `before`
  // runs once the button is down, `after` before it goes up.
  auto drag = [&](const QRect &bar, const QPoint &to, const QStringList &before = {},
                  const QStringList &after = {}) {
    const QPoint grip(bar.left() + 4, bar.center().y());
    child->Xdo({"mousemove", QString::number(grip.x()), QString::number(grip.y()), "mousedown", "1"});
    if (!before.isEmpty())
      child->Xdo(before);
    child->Xdo({"mousemove", QString::number(to.x()), QString::number(to.y())});
    if (!after.isEmpty())
      child->Xdo(after);
    child->Xdo({"mouseup", "1"});
  };

  TNow n = now();
  ASSERT_EQ(n.Top, "A:0@0,B:0@300,C:1@0");
  // A into the middle of the second row: after C.
  drag(n.Rects["A"], QPoint(n.Rects["C"].right() + 60, n.Rects["C"].center().y()));
  n = now();
  EXPECT_EQ(n.Top.section(',', 0, 1), "B:0@300,C:1@0");
  EXPECT_TRUE(n.Top.section(',', 2).startsWith("A:1@")) << n.Top.toStdString();
  // C into the top quarter of the first row: a row of its own before it.
  drag(n.Rects["C"], QPoint(n.Rects["topdock"].left() + 200, n.Rects["topdock"].top() + 1));
  n = now();
  EXPECT_TRUE(n.Top.startsWith("C:0@")) << n.Top.toStdString();
  EXPECT_TRUE(n.Top.contains("B:1@300")) << n.Top.toStdString();
  EXPECT_TRUE(n.Top.contains("A:2@")) << n.Top.toStdString();
  // A onto the left dock: upright.
  drag(n.Rects["A"], QPoint(n.Rects["leftdock"].left() + 2, n.Rects["leftdock"].top() + 80));
  n = now();
  EXPECT_TRUE(n.Left.startsWith("A:0@")) << n.Left.toStdString();
  EXPECT_GT(n.Rects["A"].height(), n.Rects["A"].width());
  const QString settled = n.Top + " " + n.Left;
  // Away from every dock (they cannot float), with Esc, with Ctrl held:
  // nothing moves.
  drag(n.Rects["C"], QPoint(500, 400));
  drag(n.Rects["B"], QPoint(n.Rects["topdock"].left() + 600, n.Rects["topdock"].top() + 1), {}, Args("key Escape"));
  drag(n.Rects["C"], QPoint(n.Rects["B"].right() + 60, n.Rects["B"].center().y()), Args("keydown ctrl"));
  child->Xdo(Args("keyup ctrl"));
  n = now();
  EXPECT_EQ(n.Top + " " + n.Left, settled);

  // Quit and start again: every toolbar where it was.
  child->Xdo(Args("key q"));
  EXPECT_FALSE(child->Expect(QStringLiteral("SAVED")).isEmpty());
  child = std::make_unique<TChild>(x.Display(), QStringLiteral("DragX11Child.DISABLED_DragsDockedToolbars"));
  ASSERT_FALSE(child->Expect(QStringLiteral("READY")).isEmpty());
  n = now();
  EXPECT_EQ(n.Top + " " + n.Left, settled);
  child->Xdo(Args("key q"));
  EXPECT_FALSE(child->Expect(QStringLiteral("SAVED")).isEmpty());
}
