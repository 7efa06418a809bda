// Docked toolbars on a real X server: a child test process shows a form
// with four docks, a menu bar and chevron toolbars on a private Xvfb and
// tells its layout and what runs on its standard output; xdotool resizes
// the form, clicks and presses the menu keys as a user would.

#include "tests/support/privatexserver.h"
#include "toolbars/qt/tbdock.h"
#include "toolbars/qt/tbpopupwindow.h"
#include "toolbars/qt/tbtoolbar.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QMap>
#include <QTest>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

#include "tests/toolbars/toolbartest.h"
#include "tests/toolbars/x11child.h"

using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

// "Name:row@offset+length" for each shown window of the dock, with "»" and
// the hidden items after one whose chevron shows.
QString DockText(TTbrDock *dock) {
  QStringList words;
  for (int i = 0; i < dock->VisibleMemberCount(); ++i) {
    auto *w = dock->VisibleMember(i);
    const int length = dock->IsVertical() ? w->height() : w->width();
    QString word = QStringLiteral("%1:%2@%3+%4").arg(w->objectName()).arg(w->ArrangedRow).arg(w->ArrangedPos).arg(length);
    if (auto *bar = dynamic_cast<TTbrCustomToolbar *>(w))
      if (bar->View()->Find(bar->ChevronItem())->Show) {
        QStringList hidden;
        for (int i = 0; i < bar->View()->ViewerCount(); ++i)
          if (bar->View()->Viewers(i)->OffEdge)
            hidden << bar->View()->Viewers(i)->Item->Caption();
        word += QStringLiteral("»") + hidden.join(u',');
      }
    words << word;
  }
  return words.join(' ');
}

class TBeepingHost : public TTbrQtMenuLoopHost {
public:
  void Beep() override { Say(QStringLiteral("BEEP")); }
};

} // namespace

// The program side, run by the test below in its own process on the X
// server, and by hand for a look at it:
//   xvfb-run -a -s '-screen 0 1280x1024x24' env QT_QPA_PLATFORM=xcb build/tests/test_toolbars
//     --gtest_also_run_disabled_tests --gtest_filter=DockX11Child.*
TEST(DockX11Child, DISABLED_ShowsDockedToolbars) {
  TTbrDockFrame form;
  form.setWindowTitle(QStringLiteral("Docked toolbars"));
  auto *edit = new QLineEdit;
  form.SetCentralWidget(edit);
  form.DockTop()->SetBoundLines(blTop | blBottom);
  TBeepingHost host;
  QEventLoop wait;

  auto said = [](const QString &what) {
    return [what](TTbrCustomItem *) {
      Say(QStringLiteral("CLICKED %1 popups=%2").arg(what).arg([] {
        int n = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
          n += dynamic_cast<TTbrPopupWindow *>(w) && w->isVisible();
        return n;
      }()));
    };
  };
  auto bar = [&](TTbrDock *dock, const QString &name, int row, int pos, const QStringList &captions) {
    auto *b = new TTbrCustomToolbar(&form);
    b->setObjectName(name);
    b->SetLoopHost(&host);
    for (const QString &caption : captions)
      Add(b->Items(), caption)->SetOnClick(said(caption));
    b->SetDockRow(row);
    b->SetDockPos(pos);
    b->SetCurrentDock(dock);
    return b;
  };

  auto *menu = bar(form.DockTop(), "Menu", 0, 0, {});
  menu->SetMenuBar(true);
  auto *file = Add<TSubmenuItem>(menu->Items(), "&File");
  Add(file, "&Open")->SetOnClick(said("Open"));
  Add(file, "&Quit")->SetOnClick([&](TTbrCustomItem *) { wait.quit(); });
  auto *view = Add<TSubmenuItem>(menu->Items(), "&View");
  Add<TSubmenuItem>(menu->Items(), "&Help");

  auto *a = bar(form.DockTop(), "A", 1, 0, {"New", "Open", "Save", "Print", "Find"});
  auto *kick = Add(a->Items(), "Kick");
  kick->SetShortCut(MakeShortCut(Qt::Key_K, Qt::ControlModifier));
  kick->SetOnClick(said("Kick"));
  a->SetProcessShortCuts(true);
  auto *b = bar(form.DockTop(), "B", 1, 260, {"Cut", "Copy", "Paste", "Undo", "Redo"});
  auto *combo = new QComboBox(b);
  combo->addItems({QStringLiteral("Sans"), QStringLiteral("Serif")});
  b->Items()->Insert(0, new TTbrControlItem(combo));
  auto *c = bar(form.DockTop(), "C", 1, 560, {"Bold", "Italic", "Under", "Left", "Centre", "Right"});
  auto *toggleB = Add(view, "Toolbar &B");
  toggleB->SetOnClick([b](TTbrCustomItem *) { b->setVisible(!b->isVisible()); });
  auto *d = bar(form.DockBottom(), "D", 0, 0, {"Status", "Zoom"});
  bar(form.DockBottom(), "E", 1, 0, {"Lower"});
  auto *r = bar(form.DockRight(), "R", 0, 0, {"R1", "R2"});
  bar(form.DockRight(), "S", 1, 0, {"S1"});
  d->SetCloseButtonWhenDocked(true);
  r->SetDragHandleStyle(dhDouble);
  (void)c;

  // The layout after every change of the form's size or of a dock.
  QTimer report;
  report.setSingleShot(true);
  QObject::connect(&report, &QTimer::timeout, [&] {
    Say(QStringLiteral("LAYOUT w=%1 top=%2 | %3 | bottom=%4,%5 right=%6,%7")
            .arg(form.width())
            .arg(form.DockTop()->height())
            .arg(DockText(form.DockTop()))
            .arg(form.DockBottom()->y())
            .arg(form.DockBottom()->height())
            .arg(form.DockRight()->x())
            .arg(form.DockRight()->width()));
  });
  struct TWatch : QObject {
    QTimer *Report;
    bool eventFilter(QObject *, QEvent *event) override {
      if (event->type() == QEvent::Resize)
        Report->start(0);
      return false;
    }
  } watch;
  watch.Report = &report;
  form.installEventFilter(&watch);
  for (TTbrDock *dock : {form.DockTop(), form.DockBottom(), form.DockRight()})
    dock->installEventFilter(&watch);

  // The chevron popup's items when it opens.
  struct TPopups : QObject {
    bool eventFilter(QObject *watched, QEvent *event) override {
      if (event->type() == QEvent::Show)
        if (auto *popup = dynamic_cast<TTbrPopupWindow *>(watched)) {
          QTimer::singleShot(0, popup, [popup] {
            QStringList shown;
            TTbrView *v = popup->View();
            v->ValidatePositions();
            for (int i = 0; i < v->ViewerCount(); ++i)
              if (v->Viewers(i)->Show)
                shown << v->Viewers(i)->Item->Caption();
            Say(QStringLiteral("POPUP %1").arg(shown.join(',')));
          });
        }
      return false;
    }
  } popups;
  qApp->installEventFilter(&popups);

  form.setGeometry(40, 40, 900, 400);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  form.activateWindow();
  edit->setFocus();
  QTest::qWait(200);
  Say(QStringLiteral("READY window=%1 combo=%2x%3").arg(form.winId()).arg(combo->width()).arg(combo->height()));
  report.start(0);
  QTimer::singleShot(120000, &wait, &QEventLoop::quit);
  wait.exec();
  qApp->removeEventFilter(&popups);
}

namespace {

// The words of a LAYOUT line for the top dock.
QMap<QString, QString> TopWindows(const QString &layout) {
  QMap<QString, QString> words;
  for (const QString &w : layout.section(u'|', 1, 1).split(u' ', Qt::SkipEmptyParts))
    words[w.section(u':', 0, 0)] = w.section(u':', 1);
  return words;
}

} // namespace

TEST(DockX11, ResizingHidingChevronAndMenuKeys) {
  if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
    GTEST_SKIP() << "xdotool missing";
  qel::test::TPrivateXServer x;
  if (!x.Start(QStringLiteral("1280x1024x24")))
    GTEST_SKIP() << "no Xvfb";
  TChild child(x.Display(), QStringLiteral("DockX11Child.DISABLED_ShowsDockedToolbars"));
  const QString ready = child.Expect(QStringLiteral("READY"));
  ASSERT_FALSE(ready.isEmpty()) << child.Process.readAllStandardError().constData();
  const QString window = ready.section(u' ', 1, 1).section(u'=', 1);
  EXPECT_NE(ready.section(u' ', 2, 2), QStringLiteral("combo=0x0"));

  // After start: the menu bar alone in row 0 over the whole width, the
  // three toolbars at their places in row 1, nothing shrunk.
  QString layout = child.Expect(QStringLiteral("LAYOUT w=900"));
  ASSERT_FALSE(layout.isEmpty());
  auto top = TopWindows(layout);
  EXPECT_EQ(top["Menu"], QStringLiteral("0@0+900"));
  EXPECT_TRUE(top["A"].startsWith(QStringLiteral("1@0+")));
  EXPECT_TRUE(top["B"].startsWith(QStringLiteral("1@260+")));
  EXPECT_TRUE(top["C"].startsWith(QStringLiteral("1@560+")));
  const int fullC = top["C"].section(u'+', 1).toInt();
  const int fullB = top["B"].section(u'+', 1).toInt();

  // Narrower: the gaps go first; then C, the last, shrinks and shows its
  // chevron, and B keeps its length.
  const int narrow = top["A"].section(u'+', 1).toInt() + fullB + fullC - 40;
  child.Xdo({QStringLiteral("windowsize"), window, QString::number(narrow), QStringLiteral("400")});
  layout = child.Expect(QStringLiteral("LAYOUT w=%1").arg(narrow));
  top = TopWindows(layout);
  const QString hiddenInC = top["C"].section(QStringLiteral("»"), 1);
  EXPECT_FALSE(hiddenInC.isEmpty()) << layout.toStdString();
  EXPECT_EQ(top["B"].section(u'+', 1).toInt(), fullB) << layout.toStdString();

  // The chevron opens a popup listing what C could not show.
  // (C's chevron sits at its right end, 2 pixels in from its border.)
  const int cLeft = top["C"].section(u'@', 1).section(u'+', 0, 0).toInt();
  const int cLength = top["C"].section(u'+', 1).section(QStringLiteral("»"), 0, 0).toInt();
  const QString cY = QString::number(layout.section(QStringLiteral("top="), 1).section(u' ', 0, 0).toInt() - 12);
  child.Xdo({QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(cLeft + cLength - 7), cY,
             QStringLiteral("click"), QStringLiteral("1")});
  const QString popup = child.Expect(QStringLiteral("POPUP"));
  EXPECT_EQ(popup, QStringLiteral("POPUP ") + hiddenInC);
  child.Xdo(Args("key Escape"));

  // Hidden by the View menu (Alt+V, B) and shown again: B returns to its row.
  child.Xdo({QStringLiteral("windowsize"), window, QStringLiteral("900"), QStringLiteral("400")});
  child.Expect(QStringLiteral("LAYOUT w=900"));
  // (A change may report its layout more than once: the last report counts.)
  const auto layoutWhere = [&](const std::function<bool(const QMap<QString, QString> &)> &wanted) {
    for (QString line = child.Expect(QStringLiteral("LAYOUT")); !line.isEmpty();
         line = child.Expect(QStringLiteral("LAYOUT")))
      if (wanted(TopWindows(line)))
        return true;
    return false;
  };
  child.Xdo(Args("key alt+v"));
  child.Xdo(Args("key b"));
  EXPECT_TRUE(layoutWhere([](const auto &top) { return !top.contains(QStringLiteral("B")); }));
  child.Xdo(Args("key alt+v"));
  child.Xdo(Args("key b"));
  EXPECT_TRUE(layoutWhere([](const auto &top) { return top.value(QStringLiteral("B")).startsWith(QStringLiteral("1@260+")); }));

  // Alt alone selects the menu bar; Down opens File, Return chooses Open, once.
  child.Xdo(Args("key alt"));
  child.Xdo(Args("key Down Return"));
  EXPECT_EQ(child.Expect(QStringLiteral("CLICKED")), QStringLiteral("CLICKED Open popups=0"));
  // F10 likewise; Escape twice closes the menu and leaves the bar.
  child.Xdo(Args("key F10"));
  child.Xdo(Args("key Down Escape Escape"));
  // Alt with a letter no item has beeps; a shortcut runs its item once.
  child.Xdo(Args("key alt+z"));
  EXPECT_EQ(child.Expect(QStringLiteral("BEEP")), QStringLiteral("BEEP"));
  child.Xdo(Args("key ctrl+k"));
  EXPECT_EQ(child.Expect(QStringLiteral("CLICKED")), QStringLiteral("CLICKED Kick popups=0"));

  // Alt+F, Q ends the program; nothing ran twice.
  child.Xdo(Args("key alt+f q"));
  EXPECT_TRUE(child.Process.waitForFinished(10000));
  EXPECT_TRUE(child.Unexpected.isEmpty()) << child.Unexpected.join(u'\n').toStdString();
}
