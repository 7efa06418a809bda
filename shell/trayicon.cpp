#include "shell/trayicon.h"

#include <QApplication>
#include <algorithm>
#include <QCursor>
#include <QEvent>
#include <QMenu>
#include <QStyleHints>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

namespace qel {

namespace {

// The tooltip the desktop shows is cut where the tray protocol of old cut it.
constexpr int kMaxTipLength = 127;
// How often a window hidden to the tray checks that the tray is still there.
constexpr unsigned kTrayWatchInterval = 1000;

class SystemTrayHost : public ITrayHost {
public:
  SystemTrayHost() {
    QObject::connect(&icon_, &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason r) {
      if (!OnActivated) return;
      switch (r) {
      case QSystemTrayIcon::Trigger: OnActivated(Activation::Click); break;
      case QSystemTrayIcon::DoubleClick: OnActivated(Activation::DoubleClick); break;
      case QSystemTrayIcon::MiddleClick: OnActivated(Activation::MiddleClick); break;
      case QSystemTrayIcon::Context: OnActivated(Activation::Context); break;
      default: break;
      }
    });
    QObject::connect(&icon_, &QSystemTrayIcon::messageClicked, [this] {
      if (OnMessageClicked) OnMessageClicked();
    });
  }
  bool Available() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }
  void SetVisible(bool visible) override {
    visible_ = visible;
    // Platforms without any window system (offscreen, minimal) never get a tray.
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal"))
      icon_.setVisible(visible);
  }
  bool Visible() const override { return visible_; }
  void SetToolTip(const QString &tip) override { icon_.setToolTip(tip); }
  void SetIcon(const QIcon &icon) override { icon_.setIcon(icon); }
  void SetContextMenu(QMenu *menu) override { icon_.setContextMenu(menu); }
  void PopupAtCursor(QMenu *menu) override { menu->popup(QCursor::pos()); }

private:
  QSystemTrayIcon icon_;
  bool visible_ = false;
};

} // namespace

std::unique_ptr<ITrayHost> MakeSystemTrayHost() { return std::make_unique<SystemTrayHost>(); }

TTrayIcon::TTrayIcon(QWidget *owner, std::unique_ptr<ITrayHost> host)
    : QObject(owner), owner_(owner), host_(host ? std::move(host) : MakeSystemTrayHost()),
      clicks_([] {
        const int ms = QGuiApplication::styleHints()->mouseDoubleClickInterval();
        return ms > 0 ? static_cast<unsigned>(ms) : 400u;
      }),
      cycleTimer_(0, [this] { CycleTimerTick(); }),
      trayWatch_(kTrayWatchInterval, [this] { CheckTrayStillThere(); }) {
  clicks_.OnClick = [this] { if (OnClick) OnClick(); };
  clicks_.OnPopup = [this] { if (popupMenu_) host_->PopupAtCursor(popupMenu_); };
  clicks_.OnDefaultItem = [this] { clickDefaultItem(); };
  host_->OnActivated = [this](ITrayHost::Activation r) { activated(r); };
  host_->OnMessageClicked = [this] {
    if (clicks_.Enabled && OnBalloonHintClick) OnBalloonHintClick();
  };
  if (owner)
    owner->installEventFilter(this);
  updateTrayIcon();
}

TTrayIcon::~TTrayIcon() {
  cycleTimer_.StopTimer(true);
  trayWatch_.StopTimer(true);
  host_->SetVisible(false);
  host_->OnActivated = nullptr;
  host_->OnMessageClicked = nullptr;
}

void TTrayIcon::SetHint(const QString &value) {
  hint_ = value;
  updateTrayIcon();
}

void TTrayIcon::SetShowHint(bool value) {
  showHint_ = value;
  updateTrayIcon();
}

QString TTrayIcon::ToolTip() const { return showHint_ ? hint_.left(kMaxTipLength) : QString(); }

void TTrayIcon::SetIcon(const QIcon &value) {
  icon_ = value;
  updateTrayIcon();
}

void TTrayIcon::SetIconVisible(bool value) {
  iconVisible_ = value;
  host_->SetVisible(value);
  if (value)
    updateTrayIcon();
}

bool TTrayIcon::IconShows() const { return iconVisible_ && host_->Available(); }

void TTrayIcon::SetIconList(const QList<QIcon> &list) {
  iconList_ = list;
  SetIconIndex(0);
}

void TTrayIcon::SetIconIndex(int value) {
  // An empty list has no image to take: the index stays 0 and the icon as it is.
  if (iconList_.isEmpty()) {
    iconIndex_ = 0;
  } else {
    iconIndex_ = std::clamp(value, 0, static_cast<int>(iconList_.size()) - 1);
    icon_ = iconList_.at(iconIndex_);
  }
  updateTrayIcon();
}

void TTrayIcon::SetCycleIcons(bool value) {
  cycleIcons_ = value;
  if (value) {
    SetIconIndex(0);
    cycleTimer_.SetInterval(cycleInterval_);
    cycleTimer_.SetEnabled(true);
  } else {
    cycleTimer_.SetEnabled(false);
  }
}

void TTrayIcon::SetCycleInterval(unsigned value) {
  cycleInterval_ = value;
  SetCycleIcons(cycleIcons_);
}

void TTrayIcon::SetPopupMenu(QMenu *menu) {
  popupMenu_ = menu;
  host_->SetContextMenu(menu);
}

void TTrayIcon::CycleTimerTick() {
  if (iconList_.isEmpty())
    return;
  const int count = static_cast<int>(iconList_.size());
  iconIndex_ = std::clamp(iconIndex_, 0, count - 1);
  icon_ = iconList_.at(iconIndex_);
  const int next = iconIndex_ + 1 < count ? iconIndex_ + 1 : 0;
  if (OnCycle)
    OnCycle(next);
  iconIndex_ = next;
  updateTrayIcon();
}

void TTrayIcon::updateTrayIcon() {
  host_->SetToolTip(ToolTip());
  host_->SetIcon(icon_);
}

void TTrayIcon::activated(ITrayHost::Activation reason) {
  // The desktop reports a finished click (press and release) and a double
  // click; the menu on the context request is opened by the desktop itself.
  switch (reason) {
  case ITrayHost::Activation::Click:
    clicks_.LeftDown();
    clicks_.LeftUp();
    break;
  case ITrayHost::Activation::DoubleClick:
    clicks_.LeftDoubleClick();
    break;
  case ITrayHost::Activation::MiddleClick:
  case ITrayHost::Activation::Context:
    break;
  }
}

void TTrayIcon::clickDefaultItem() {
  if (!popupMenu_)
    return;
  if (QAction *item = popupMenu_->defaultAction())
    item->trigger();
}

void TTrayIcon::ShowMainForm() {
  if (hiddenToTray_)
    QGuiApplication::setQuitOnLastWindowClosed(quitOnLastClosedBeforeHiding_);
  hiddenToTray_ = false;
  trayWatch_.SetEnabled(false);
  if (!owner_)
    return;
  owner_->setWindowState(owner_->windowState() & ~Qt::WindowMinimized);
  owner_->show();
  owner_->raise();
  owner_->activateWindow();
}

void TTrayIcon::HideMainWindow() {
  // Hidden with no icon to bring it back, the program could not be reached.
  if (!owner_ || !host_->Available())
    return;
  // With the main window hidden, a message box or dialog is the program's
  // only window: closing it (Cancel on the save question of the tray's Close,
  // OK on an About box) must not end the program. Ending it from the tray
  // quits explicitly.
  if (!hiddenToTray_) {
    quitOnLastClosedBeforeHiding_ = QGuiApplication::quitOnLastWindowClosed();
    QGuiApplication::setQuitOnLastWindowClosed(false);
  }
  owner_->hide();
  hiddenToTray_ = true;
  trayWatch_.SetEnabled(true);
}

void TTrayIcon::MinimizeToTrayNow() {
  HideMainWindow();
  SetIconVisible(true);
}

void TTrayIcon::Loaded() {
  bool showMainForm = true;
  if (OnStartup)
    OnStartup(showMainForm);
  if (!showMainForm) {
    // Without a tray the window would be hidden for good: it starts minimised.
    if (host_->Available())
      HideMainWindow();
    else if (owner_)
      owner_->setWindowState(owner_->windowState() | Qt::WindowMinimized);
  }
  updateTrayIcon();
  SetIconVisible(iconVisible_);
  SetCycleIcons(cycleIcons_);
}

void TTrayIcon::CheckTrayStillThere() {
  if (!hiddenToTray_)
    return;
  if (!IconShows())
    ShowMainForm();
}

bool TTrayIcon::eventFilter(QObject *watched, QEvent *event) {
  if (watched == owner_ && event->type() == QEvent::WindowStateChange && MinimizeToTray &&
      owner_->isMinimized() && IconShows()) {
    if (OnMinimizeToTray)
      OnMinimizeToTray();
    // Hidden once the window system has finished minimising it.
    QTimer::singleShot(0, this, [this] {
      if (owner_ && owner_->isMinimized() && MinimizeToTray)
        MinimizeToTrayNow();
    });
  }
  return QObject::eventFilter(watched, event);
}

} // namespace qel
