// The main window on a real X server, driven by xdotool as a user drives
// it; a child test process shows the window and tells what happens.
// - On a light and on a dark desktop the toolbar pictures are drawn in the
//   desktop's button text colour and the disabled entries of the Edit menu
//   stay readable (at least 3:1), measured on what the X server shows. The
//   palette changes while the window is up: the pictures follow it.
// - The font box's list, opened while a name is typed, scrolls by its
//   scroll bar and by the wheel without ending the typing.

#include "tests/app/mainwindow_fixture.h"
#include "tests/support/privatexserver.h"
#include "tests/toolbars/thmtestpalette.h"
#include "tests/toolbars/x11child.h"

#include "app/formattingbar.h"
#include "app/mainbars.h"
#include "toolbars/core/colormath.h"
#include "toolbars/core/tbview.h"
#include "toolbars/paint/thmlists.h"
#include "toolbars/qt/tbeditsession.h"
#include "toolbars/qt/tbpopupwindow.h"
#include "toolbars/qt/tbtoolbar.h"

#include <QGuiApplication>
#include <QHash>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

using namespace qel;
using namespace qel::test;
using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

TColor ColorOf(QRgb rgb) { return TColor(qRed(rgb) | (qGreen(rgb) << 8) | (qBlue(rgb) << 16)); }

// What the X server shows now.
QImage Screen() { return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32); }

// The most frequent colour in `rect`, and the one most frequent among those
// that differ from it: background and ink of a caption or a picture.
std::pair<QRgb, QRgb> BackgroundAndInk(const QImage &image, const QRect &rect) {
  QHash<QRgb, int> count;
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x)
      ++count[image.pixel(x, y) & 0xFFFFFF];
  QRgb back = 0;
  for (auto it = count.begin(); it != count.end(); ++it)
    if (it.value() > count.value(back, -1)) back = it.key();
  QRgb ink = back;
  int most = 0;
  for (auto it = count.begin(); it != count.end(); ++it)
    if (ContrastRatio(ColorOf(it.key()), ColorOf(back)) >= 1.15 && it.value() > most) {
      most = it.value();
      ink = it.key();
    }
  return {back, ink};
}

QString Ratio(QRgb a, QRgb b) { return QString::number(ContrastRatio(ColorOf(a), ColorOf(b)), 'f', 2); }

TTbrPopupWindow *OpenPopup() {
  for (QWidget *w : QApplication::topLevelWidgets())
    if (auto *popup = dynamic_cast<TTbrPopupWindow *>(w); popup && popup->isVisible()) return popup;
  return nullptr;
}

} // namespace

// The program side: the window in the classic light palette, then in a dark
// one. It says how the Bold button's picture reads ("GLYPH <palette> <ratio>"),
// and whenever a menu is open how its disabled entries read ("MENU <palette>
// <lowest ratio> <entries>").
TEST_F(MainWindowTest, DISABLED_PaletteChild) {
  TPaletteGuard light(ClassicColors);
  const QString path = makeCardFile(QStringLiteral("palette.qel"), {"alpha", "bravo"});
  start({path});
  window->move(0, 0);
  window->e_record->setFocus();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  QTest::qWait(300);

  QString palette = QStringLiteral("light");
  auto glyph = [&] {
    TTbrCustomItem *bold = FindBarItem(window.get(), MainActions::ButtonName(QStringLiteral("a_Bold")));
    TTbrItemViewer *viewer = bold ? window->Toolbar_formatting->View()->Find(bold) : nullptr;
    if (!viewer) return Say(QStringLiteral("GLYPH none"));
    const QRect rect(window->Toolbar_formatting->mapToGlobal(viewer->BoundsRect.topLeft() +
                                                             window->Toolbar_formatting->ClientRect().topLeft()),
                     viewer->BoundsRect.size());
    const auto [back, ink] = BackgroundAndInk(Screen(), rect.adjusted(3, 3, -3, -3));
    Say(QStringLiteral("GLYPH %1 %2").arg(palette, Ratio(back, ink)));
  };
  glyph();

  bool measured = false;
  QTimer poll;
  poll.setInterval(100);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    TTbrPopupWindow *popup = OpenPopup();
    if (!popup) {
      if (measured && palette == QLatin1String("light")) {
        // The menu closed: the desktop turns dark while the window is up.
        measured = false;
        palette = QStringLiteral("dark");
        QApplication::setPalette(MakePalette(DarkColors));
        QTimer::singleShot(500, [&] { glyph(); });
      }
      return;
    }
    if (measured) return;
    measured = true;
    QTimer::singleShot(500, [&, popup] {
      if (OpenPopup() != popup) return;
      const QImage screen = Screen();
      double lowest = 100;
      QStringList entries;
      TTbrView *view = popup->View();
      for (int i = 0; i < view->ViewerCount(); ++i) {
        TTbrItemViewer *viewer = view->Viewers(i);
        if (viewer->Item->Enabled() || viewer->Item->Caption().isEmpty() || !viewer->Item->Visible()) continue;
        // The caption's part of the entry (right of the picture column).
        const QRect entry = viewer->BoundsRect.adjusted(28, 2, -20, -2);
        const QRect rect(popup->mapToGlobal(entry.topLeft() + popup->ClientRect().topLeft()), entry.size());
        const auto [back, ink] = BackgroundAndInk(screen, rect);
        lowest = std::min(lowest, ContrastRatio(ColorOf(back), ColorOf(ink)));
        entries << QString(viewer->Item->Caption()).remove(u'&').remove(u' ') + u':' + Ratio(back, ink);
      }
      Say(QStringLiteral("MENU %1 %2 %3").arg(palette, QString::number(lowest, 'f', 2), entries.join(u',')));
    });
  });
  poll.start();
  ServeTheTest();
}

TEST(MainWindowPaletteX11, PicturesAndDisabledEntriesReadOnLightAndDarkDesktops) {
  if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) GTEST_SKIP() << "xdotool missing";
  TPrivateXServer x;
  if (!x.Start()) GTEST_SKIP() << "no Xvfb";
  TChild child(x.Display(), QStringLiteral("MainWindowTest.DISABLED_PaletteChild"));
  auto ratio = [](const QString &line, int field) { return line.section(u' ', field, field).toDouble(); };

  const QString lightGlyph = child.Expect(QStringLiteral("GLYPH"));
  ASSERT_FALSE(lightGlyph.isEmpty()) << child.Process.readAllStandardError().constData();
  EXPECT_TRUE(lightGlyph.startsWith(QStringLiteral("GLYPH light"))) << lightGlyph.toStdString();
  EXPECT_GE(ratio(lightGlyph, 2), 4.5) << lightGlyph.toStdString();

  child.Xdo(Args("key alt+e"));
  const QString lightMenu = child.Expect(QStringLiteral("MENU"), 20000);
  ASSERT_FALSE(lightMenu.isEmpty()) << "Alt+E opened no menu";
  EXPECT_FALSE(lightMenu.section(u' ', 3).isEmpty()) << "no disabled entry: " << lightMenu.toStdString();
  EXPECT_GE(ratio(lightMenu, 2), 3.0) << lightMenu.toStdString();
  // Out of the menu and out of the menu bar.
  child.Xdo(Args("key Escape"));
  child.Xdo(Args("key Escape"));

  const QString darkGlyph = child.Expect(QStringLiteral("GLYPH"), 20000);
  EXPECT_TRUE(darkGlyph.startsWith(QStringLiteral("GLYPH dark"))) << darkGlyph.toStdString();
  EXPECT_GE(ratio(darkGlyph, 2), 4.5) << darkGlyph.toStdString();

  child.Xdo(Args("key alt+e"));
  const QString darkMenu = child.Expect(QStringLiteral("MENU"), 20000);
  ASSERT_FALSE(darkMenu.isEmpty()) << "Alt+E opened no menu";
  EXPECT_TRUE(darkMenu.startsWith(QStringLiteral("MENU dark"))) << darkMenu.toStdString();
  EXPECT_GE(ratio(darkMenu, 2), 3.0) << darkMenu.toStdString();
  child.Xdo(Args("key Escape"));
}

namespace {

TThmCustomListViewer *OpenList(TTbrPopupWindow *popup) {
  if (!popup) return nullptr;
  for (int i = 0; i < popup->View()->ViewerCount(); ++i)
    if (auto *list = dynamic_cast<TThmCustomListViewer *>(popup->View()->Viewers(i))) return list;
  return nullptr;
}

} // namespace

// The program side: the font box with forty names, eight rows at a time.
// "READY font=x,y", then when its list opens "LIST down=x,y rows=x,y" (the
// scroll bar's down arrow, the middle of the rows); each time the list
// scrolls "OFFSET <first row> typing=<0/1> text=<the box's text>"; when the
// list closes "CLOSED text=<text>".
TEST_F(MainWindowTest, DISABLED_FontBoxChild) {
  const QString path = makeCardFile(QStringLiteral("fonts.qel"), {"alpha"});
  start({path});
  window->move(0, 0);
  QStringList names;
  for (int i = 0; i < 40; ++i) names << QStringLiteral("Face%1").arg(i, 2, 10, QLatin1Char(u'0'));
  window->cb_Font->SetStrings(names);
  window->cb_Font->SetMaxVisibleItems(8);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  QTest::qWait(300);
  TTbrItemViewer *box = window->Toolbar_formatting->View()->Find(window->cb_Font);
  ASSERT_TRUE(box);
  const QPoint font = window->Toolbar_formatting->mapToGlobal(
      box->BoundsRect.center() - QPoint(20, 0) + window->Toolbar_formatting->ClientRect().topLeft());
  Say(QStringLiteral("READY font=%1").arg(PointText(font)));

  TThmCustomListViewer *shown = nullptr;
  int offset = -1;
  QTimer poll;
  poll.setInterval(50);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    TTbrPopupWindow *popup = OpenPopup();
    TThmCustomListViewer *list = OpenList(popup);
    if (!list) {
      if (shown) Say(QStringLiteral("CLOSED text=%1").arg(window->cb_Font->Text()));
      shown = nullptr;
      return;
    }
    TThmListViewerLogic &logic = list->Logic();
    const QPoint origin = list->BoundsRect.topLeft() + popup->ClientRect().topLeft();
    if (list != shown) {
      TThmScrollBar *bar = logic.ScrollBar();
      if (!bar || !logic.RowsHidden()) return; // not laid out yet
      shown = list;
      offset = logic.Offset();
      const QRect b = bar->Bounds();
      Say(QStringLiteral("LIST down=%1 rows=%2")
              .arg(PointText(popup->mapToGlobal(origin + QPoint(b.center().x(), b.bottom() - b.width() / 2))),
                   PointText(popup->mapToGlobal(origin + QPoint(list->BoundsRect.width() / 3, list->BoundsRect.height() / 2)))));
      return;
    }
    if (logic.Offset() != offset) {
      offset = logic.Offset();
      Say(QStringLiteral("OFFSET %1 typing=%2 text=%3")
              .arg(offset)
              .arg(IsInPlaceEditor(QApplication::focusWidget()) ? 1 : 0)
              .arg(window->cb_Font->Text()));
    }
  });
  poll.start();
  ServeTheTest();
}

TEST(MainWindowFontBoxX11, TheListScrollsWhileANameIsTyped) {
  if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) GTEST_SKIP() << "xdotool missing";
  TPrivateXServer x;
  if (!x.Start()) GTEST_SKIP() << "no Xvfb";
  TChild child(x.Display(), QStringLiteral("MainWindowTest.DISABLED_FontBoxChild"));
  const QString ready = child.Expect(QStringLiteral("READY"));
  ASSERT_FALSE(ready.isEmpty()) << child.Process.readAllStandardError().constData();
  child.Learn(ready);

  child.ClickOn(QStringLiteral("font"));
  child.Xdo(Args("type face1"));
  child.Xdo(Args("key F4"));
  const QString list = child.Expect(QStringLiteral("LIST"), 20000);
  ASSERT_FALSE(list.isEmpty()) << "F4 opened no list";
  child.Learn(list);

  // The scroll bar's arrow: one row on, still typing, the completed name kept.
  child.ClickOn(QStringLiteral("down"));
  const QString arrow = child.Expect(QStringLiteral("OFFSET"), 10000);
  EXPECT_TRUE(arrow.endsWith(QStringLiteral("typing=1 text=Face10"))) << arrow.toStdString();
  const int afterArrow = arrow.section(u' ', 1, 1).toInt();
  // The wheel over the rows: further on.
  child.Xdo(child.MoveTo(QStringLiteral("rows")) << QStringLiteral("click") << QStringLiteral("5"));
  const QString wheel = child.Expect(QStringLiteral("OFFSET"), 10000);
  EXPECT_GT(wheel.section(u' ', 1, 1).toInt(), afterArrow) << wheel.toStdString();
  EXPECT_TRUE(wheel.endsWith(QStringLiteral("typing=1 text=Face10"))) << wheel.toStdString();

  // The typing goes on where it was.
  child.Xdo(Args("type 5"));
  child.Xdo(Args("key Return"));
  EXPECT_EQ(child.Expect(QStringLiteral("CLOSED"), 10000), QStringLiteral("CLOSED text=Face15"));
}
