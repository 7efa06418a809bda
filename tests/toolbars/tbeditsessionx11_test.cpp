// Editing edit items on a real X server: a child test process shows a
// toolbar with an edit box and a menu holding one, on a private Xvfb, and
// tells what happens; xdotool types and clicks as a user would, so the
// keyboard and pointer grabs are the X server's own.

#include "tests/support/privatexserver.h"
#include "toolbars/core/tbedititem.h"
#include "toolbars/qt/tbpopupwindow.h"
#include "toolbars/qt/tbtoolbar.h"

#include <QApplication>
#include <QMap>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "tests/toolbars/toolbartest.h"
#include "tests/toolbars/x11child.h"

using namespace qel::toolbars;
using namespace qel::toolbars::test;

namespace {

int VisiblePopups() {
  int n = 0;
  const auto windows = QApplication::topLevelWidgets();
  for (QWidget *w : windows)
    n += dynamic_cast<TTbrPopupWindow *>(w) && w->isVisible();
  return n;
}

int Grabs() { return QWidget::mouseGrabber() || QWidget::keyboardGrabber() ? 1 : 0; }

// An edit box with a list under it that F4 opens while typing, as a font box does.
class TListEditItem : public TTbrEditItem {
public:
  TListEditItem() { SetItemStyle(ItemStyle() | tbis::Submenu | tbis::Combo); }
  bool EditKeyPressed(TTbrEditItemViewer *viewer, int key, Qt::KeyboardModifiers) override {
    if (key != Qt::Key_F4)
      return false;
    viewer->View->OpenChildPopup(true);
    return true;
  }
};

} // namespace

// The program side (by hand: QT_QPA_PLATFORM=xcb test_toolbars
// --gtest_also_run_disabled_tests --gtest_filter=EditSessionX11Child.*).
TEST(EditSessionX11Child, DISABLED_ShowsEditBoxes) {
  QWidget main;
  main.setWindowTitle(QStringLiteral("Edit boxes"));
  main.setGeometry(100, 100, 520, 260);
  auto *layout = new QVBoxLayout(&main);
  auto *bar = new TTbrCustomToolbar(&main);
  auto *outside = new QPushButton(QStringLiteral("Outside"), &main);
  layout->addWidget(bar);
  layout->addWidget(outside);
  layout->addStretch();

  Add(bar->Items(), "Before");
  auto *find = Add<TTbrEditItem>(bar->Items(), "Find");
  find->SetEditWidth(140);
  find->SetText("old");
  auto *go = Add(bar->Items(), "Go");
  auto *more = Add<TSubmenuItem>(bar->Items(), "&More");
  auto *name = Add<TTbrEditItem>(more, "Name");
  name->SetEditCaption("&Name:");
  name->SetEditWidth(100);
  Add(more, "&Other");
  auto *font = Add<TListEditItem>(bar->Items(), "Font");
  font->SetEditWidth(100);
  for (const QString &row : {QStringLiteral("Serif"), QStringLiteral("Sans"), QStringLiteral("Mono")})
    Add(font, row)->SetOnClick([row](TTbrCustomItem *) { Say(QStringLiteral("CLICKED %1 grab=%2").arg(row).arg(Grabs())); });
  for (TTbrEditItem *edit : {find, name})
    edit->SetOnAcceptText([](TTbrEditItemViewer *viewer, QString &text, bool &) {
      Say(QStringLiteral("ACCEPT %1 %2").arg(viewer->Item->Caption(), text));
    });
  go->SetOnClick([](TTbrCustomItem *) { Say(QStringLiteral("CLICKED Go grab=%1").arg(Grabs())); });
  QObject::connect(outside, &QPushButton::clicked, [&] {
    Say(QStringLiteral("OUTSIDE find=%1 name=%2 popups=%3 grab=%4")
            .arg(find->Text(), name->Text())
            .arg(VisiblePopups())
            .arg(Grabs()));
  });

  main.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  QTest::qWait(200);
  const auto centre = [&](TTbrCustomItem *item) {
    return bar->mapToGlobal(bar->View()->Find(item)->BoundsRect.center() + bar->ClientRect().topLeft());
  };
  Say(QStringLiteral("READY find=%1 more=%2 font=%3 outside=%4")
          .arg(PointText(centre(find)), PointText(centre(more)), PointText(centre(font)),
               // its right end: away from the menu, which opens over the button
               PointText(outside->mapToGlobal(QPoint(outside->width() - 20, outside->height() / 2)))));
  // Where the menu's edit box comes to be once the menu is open.
  more->SetOnPopup([&](TTbrCustomItem *, bool) {
    QTimer::singleShot(0, [&] {
      const auto windows = QApplication::topLevelWidgets();
      for (QWidget *w : windows)
        if (auto *popup = dynamic_cast<TTbrPopupWindow *>(w); popup && popup->isVisible())
          if (auto *viewer = dynamic_cast<TTbrEditItemViewer *>(popup->View()->Find(name)))
            Say(QStringLiteral("POPUP name=%1")
                    .arg(PointText(popup->mapToGlobal(viewer->EditBoxRect().center() + popup->ClientRect().topLeft()))));
    });
  });
  // Where a row of the box's list comes to be once the list is open.
  font->SetOnPopup([&](TTbrCustomItem *, bool) {
    QTimer::singleShot(0, [&] {
      const auto windows = QApplication::topLevelWidgets();
      for (QWidget *w : windows)
        if (auto *popup = dynamic_cast<TTbrPopupWindow *>(w); popup && popup->isVisible())
          if (TTbrItemViewer *viewer = popup->View()->Find(font->Items(1)))
            Say(QStringLiteral("LIST sans=%1")
                    .arg(PointText(popup->mapToGlobal(viewer->BoundsRect.center() + popup->ClientRect().topLeft()))));
    });
  });
  ServeTheTest();
}

TEST(EditSessionX11, XdotoolTypesIntoToolbarAndMenuBoxes) {
  if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
    GTEST_SKIP() << "xdotool missing";
  qel::test::TPrivateXServer x;
  if (!x.Start())
    GTEST_SKIP() << "no Xvfb";
  TChild child(x.Display(), QStringLiteral("EditSessionX11Child.DISABLED_ShowsEditBoxes"));
  const QString ready = child.Expect(QStringLiteral("READY"));
  ASSERT_FALSE(ready.isEmpty()) << child.Process.readAllStandardError().constData();
  child.Learn(ready);

  // Enter commits and the menu is gone.
  child.ClickOn(QStringLiteral("find"));
  child.Xdo(Args("type abc"));
  child.Xdo(Args("key Return"));
  EXPECT_EQ(child.Expect(QStringLiteral("ACCEPT"), 10000), QStringLiteral("ACCEPT Find abc"));

  // Tab commits and selects the next item, which Enter then runs.
  child.ClickOn(QStringLiteral("find"));
  child.Xdo(Args("type xyz"));
  child.Xdo(Args("key Tab"));
  EXPECT_EQ(child.Expect(QStringLiteral("ACCEPT"), 10000), QStringLiteral("ACCEPT Find xyz"));
  child.Xdo(Args("key Return"));
  EXPECT_EQ(child.Expect(QStringLiteral("CLICKED"), 10000), QStringLiteral("CLICKED Go grab=0"));

  // Esc drops the typed text; the menu stays until Esc again. A click
  // outside an edit drops its text too, and still reaches the button.
  child.ClickOn(QStringLiteral("find"));
  child.Xdo(Args("type qq"));
  child.Xdo(Args("key Escape Escape"));
  child.ClickOn(QStringLiteral("outside"));
  EXPECT_EQ(child.Expect(QStringLiteral("OUTSIDE"), 10000),
            QStringLiteral("OUTSIDE find=xyz name= popups=0 grab=0"));
  child.ClickOn(QStringLiteral("find"));
  child.Xdo(Args("type zz"));
  child.ClickOn(QStringLiteral("outside"));
  EXPECT_EQ(child.Expect(QStringLiteral("OUTSIDE"), 10000),
            QStringLiteral("OUTSIDE find=xyz name= popups=0 grab=0"));

  // In a menu: the box right of its label takes the keys; Enter closes every menu.
  child.ClickOn(QStringLiteral("more"));
  const QString popup = child.Expect(QStringLiteral("POPUP"), 10000);
  ASSERT_FALSE(popup.isEmpty());
  child.Learn(popup);
  child.ClickOn(QStringLiteral("name"));
  child.Xdo(Args("type hi"));
  child.Xdo(Args("key Return"));
  EXPECT_EQ(child.Expect(QStringLiteral("ACCEPT"), 10000), QStringLiteral("ACCEPT Name hi"));
  child.ClickOn(QStringLiteral("outside"));
  EXPECT_EQ(child.Expect(QStringLiteral("OUTSIDE"), 10000),
            QStringLiteral("OUTSIDE find=xyz name=hi popups=0 grab=0"));

  // A click outside the menu while its box is edited drops the text, closes
  // the menu and still reaches the button.
  child.ClickOn(QStringLiteral("more"));
  ASSERT_FALSE(child.Expect(QStringLiteral("POPUP"), 10000).isEmpty());
  child.ClickOn(QStringLiteral("name"));
  child.Xdo(Args("type zz"));
  child.ClickOn(QStringLiteral("outside"));
  EXPECT_EQ(child.Expect(QStringLiteral("OUTSIDE"), 10000),
            QStringLiteral("OUTSIDE find=xyz name=hi popups=0 grab=0"));
  EXPECT_TRUE(child.Unexpected.isEmpty()) << child.Unexpected.join(u'\n').toStdString();
}

// Typing in a box whose list is open: the first click on a row ends the
// edit and picks the row, its release going to the list as well.
TEST(EditSessionX11, AClickOnTheListOpenedWhileTypingPicksItsRow) {
  if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
    GTEST_SKIP() << "xdotool missing";
  qel::test::TPrivateXServer x;
  if (!x.Start())
    GTEST_SKIP() << "no Xvfb";
  TChild child(x.Display(), QStringLiteral("EditSessionX11Child.DISABLED_ShowsEditBoxes"));
  const QString ready = child.Expect(QStringLiteral("READY"));
  ASSERT_FALSE(ready.isEmpty()) << child.Process.readAllStandardError().constData();
  child.Learn(ready);

  child.ClickOn(QStringLiteral("font"));
  child.Xdo(Args("type Sa"));
  child.Xdo(Args("key F4"));
  const QString list = child.Expect(QStringLiteral("LIST"), 10000);
  ASSERT_FALSE(list.isEmpty());
  child.Learn(list);
  child.ClickOn(QStringLiteral("sans"));
  EXPECT_EQ(child.Expect(QStringLiteral("CLICKED"), 10000), QStringLiteral("CLICKED Sans grab=0"));
}
