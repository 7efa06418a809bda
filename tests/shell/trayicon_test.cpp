#include "shell/trayicon.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QPixmap>
#include <gtest/gtest.h>

using qel::ITrayHost;
using qel::TTrayIcon;

namespace {

class FakeTrayHost : public ITrayHost {
public:
  bool available = true;
  bool visible = false;
  QString tip;
  QIcon icon;
  QMenu *menu = nullptr;
  int popups = 0;
  bool Available() const override { return available; }
  void SetVisible(bool v) override { visible = v; }
  bool Visible() const override { return visible; }
  void SetToolTip(const QString &t) override { tip = t; }
  void SetIcon(const QIcon &i) override { icon = i; }
  void SetContextMenu(QMenu *m) override { menu = m; }
  void PopupAtCursor(QMenu *) override { ++popups; }
};

QIcon coloured(Qt::GlobalColor c) {
  QPixmap p(16, 16);
  p.fill(c);
  return QIcon(p);
}

struct Fixture {
  QMainWindow window;
  FakeTrayHost *host = nullptr;
  std::unique_ptr<TTrayIcon> tray;
  Fixture() {
    auto h = std::make_unique<FakeTrayHost>();
    host = h.get();
    tray = std::make_unique<TTrayIcon>(&window, std::move(h));
  }
};

} // namespace

TEST(TrayIcon, HintIsCutTo127CharactersAndHiddenWithoutShowHint) {
  Fixture f;
  f.tray->SetHint(QString(200, QLatin1Char('x')));
  EXPECT_EQ(f.host->tip.size(), 127);
  f.tray->SetHint(QStringLiteral("Cards - Qel Moravine"));
  EXPECT_EQ(f.host->tip, QStringLiteral("Cards - Qel Moravine"));
  f.tray->SetShowHint(false);
  EXPECT_TRUE(f.host->tip.isEmpty());
}

TEST(TrayIcon, IconIndexClampsAndCyclingWraps) {
  Fixture f;
  f.tray->SetIconIndex(5); // no list: stays 0, no image taken
  EXPECT_EQ(f.tray->IconIndex(), 0);
  EXPECT_TRUE(f.host->icon.isNull());

  const QList<QIcon> list{coloured(Qt::red), coloured(Qt::green), coloured(Qt::blue)};
  f.tray->SetIconList(list);
  f.tray->SetIconIndex(9);
  EXPECT_EQ(f.tray->IconIndex(), 2);
  EXPECT_EQ(f.host->icon.cacheKey(), list[2].cacheKey());

  std::vector<int> nexts;
  f.tray->OnCycle = [&](int next) { nexts.push_back(next); };
  f.tray->CycleTimerTick(); // shows image 2, wraps to 0
  EXPECT_EQ(f.host->icon.cacheKey(), list[2].cacheKey());
  EXPECT_EQ(f.tray->IconIndex(), 0);
  f.tray->CycleTimerTick();
  EXPECT_EQ(f.host->icon.cacheKey(), list[0].cacheKey());
  EXPECT_EQ(nexts, (std::vector<int>{0, 1}));

  f.tray->SetIconList({});
  f.tray->CycleTimerTick(); // nothing to cycle through: no crash, index 0
  EXPECT_EQ(f.tray->IconIndex(), 0);
}

TEST(TrayIcon, ClickRestoresAndDoubleClickRunsTheDefaultMenuItem) {
  Fixture f;
  QMenu menu;
  int restores = 0, closes = 0;
  QAction *restore = menu.addAction(QStringLiteral("Restore"), [&] { ++restores; });
  menu.addAction(QStringLiteral("Close"), [&] { ++closes; });
  menu.setDefaultAction(restore);
  f.tray->SetPopupMenu(&menu);
  EXPECT_EQ(f.host->menu, &menu);
  int clicks = 0;
  f.tray->OnClick = [&] { ++clicks; };

  f.host->OnActivated(ITrayHost::Activation::Click);
  EXPECT_EQ(clicks, 1);
  f.host->OnActivated(ITrayHost::Activation::DoubleClick);
  EXPECT_EQ(restores, 1);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(closes, 0);

  f.tray->SetEnabled(false);
  f.host->OnActivated(ITrayHost::Activation::Click);
  f.host->OnActivated(ITrayHost::Activation::DoubleClick);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(restores, 1);
}

TEST(TrayIcon, MinimisingHidesToTheTrayOnlyWhereATrayShowsTheIcon) {
  for (bool available : {true, false}) {
    Fixture f;
    f.host->available = available;
    f.tray->SetIconVisible(true);
    f.tray->MinimizeToTray = true;
    f.window.show();
    f.window.setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_EQ(f.window.isVisible(), !available) << available;
    EXPECT_TRUE(f.host->visible);

    f.tray->ShowMainForm();
    EXPECT_TRUE(f.window.isVisible());
    EXPECT_FALSE(f.window.isMinimized());
  }
}

TEST(TrayIcon, WithoutMinimizeToTrayMinimisingOnlyMinimises) {
  Fixture f;
  f.tray->SetIconVisible(true);
  f.window.show();
  f.window.setWindowState(Qt::WindowMinimized);
  QApplication::processEvents();
  EXPECT_TRUE(f.window.isVisible());
}

TEST(TrayIcon, StartupAnswerHidesOnlyWithATray) {
  for (bool available : {true, false}) {
    Fixture f;
    f.host->available = available;
    f.tray->SetIconVisible(true);
    f.window.show();
    f.tray->OnStartup = [](bool &show) { show = false; };
    f.tray->Loaded();
    EXPECT_EQ(f.window.isVisible(), !available) << available;
    EXPECT_EQ(f.tray->HiddenToTray(), available);
    EXPECT_EQ(f.window.isMinimized(), !available);
  }
}

TEST(TrayIcon, AHiddenWindowComesBackWhenTheTrayGoesAway) {
  Fixture f;
  f.tray->SetIconVisible(true);
  f.window.show();
  f.tray->MinimizeToTrayNow();
  ASSERT_FALSE(f.window.isVisible());
  f.tray->CheckTrayStillThere();
  EXPECT_FALSE(f.window.isVisible());
  f.host->available = false;
  f.tray->CheckTrayStillThere();
  EXPECT_TRUE(f.window.isVisible());
}

TEST(TrayIcon, ClosingTheOnlyDialogWhileHiddenInTheTrayDoesNotEndTheProgram) {
  // The save question of the tray's Close is the only window while the main
  // window is hidden; its Cancel must leave the program running.
  Fixture f;
  QApplication::setQuitOnLastWindowClosed(true);
  f.tray->SetIconVisible(true);
  f.window.show();
  f.tray->MinimizeToTrayNow();
  ASSERT_TRUE(f.tray->HiddenToTray());
  EXPECT_FALSE(QApplication::quitOnLastWindowClosed());
  f.tray->MinimizeToTrayNow(); // hiding twice must not lose the setting
  f.tray->ShowMainForm();
  EXPECT_TRUE(QApplication::quitOnLastWindowClosed());
}
