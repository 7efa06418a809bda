#pragma once
// The program's icon in the desktop's notification area: hint, icon (one or
// a cycling set), popup menu, click and double click, and hiding the main
// window to the tray when it is minimised. The desktop side sits behind
// ITrayHost (QSystemTrayIcon in the program, a fake in tests).
//
// Where the desktop has no tray (no tray host, the offscreen platform) the
// icon shows nowhere, so nothing is ever hidden to it: minimising minimises,
// and a window hidden in a tray that goes away is shown again.

#include "shell/simpletimer.h"
#include "shell/trayclicks.h"

#include <QIcon>
#include <QList>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>


class QWidget;

namespace qel {

// The desktop's side of one tray icon.
class ITrayHost {
public:
  enum class Activation { Click, DoubleClick, MiddleClick, Context };
  virtual ~ITrayHost() = default;
  // Whether the desktop has a notification area now.
  virtual bool Available() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual bool Visible() const = 0;
  virtual void SetToolTip(const QString &tip) = 0;
  virtual void SetIcon(const QIcon &icon) = 0;
  // The menu the desktop opens itself on the icon's context request.
  virtual void SetContextMenu(QMenu *menu) = 0;
  virtual void PopupAtCursor(QMenu *menu) = 0;

  std::function<void(Activation)> OnActivated;
  std::function<void()> OnMessageClicked;
};

// The real host: a QSystemTrayIcon.
std::unique_ptr<ITrayHost> MakeSystemTrayHost();

class TTrayIcon : public QObject {
  Q_OBJECT
public:
  // `owner` is the main window the icon stands for; null host: the system tray.
  explicit TTrayIcon(QWidget *owner, std::unique_ptr<ITrayHost> host = nullptr);
  ~TTrayIcon() override;

  using NotifyEvent = std::function<void()>;
  using CycleEvent = std::function<void(int nextIndex)>;
  using StartupEvent = std::function<void(bool &showMainForm)>;

  bool Enabled() const { return clicks_.Enabled; }
  void SetEnabled(bool value) { clicks_.Enabled = value; }
  QString Hint() const { return hint_; }
  void SetHint(const QString &value);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool value);
  // The tooltip the desktop gets: the hint cut to 127 characters, or empty.
  QString ToolTip() const;
  QIcon Icon() const { return icon_; }
  void SetIcon(const QIcon &value);
  bool IconVisible() const { return iconVisible_; }
  void SetIconVisible(bool value);
  // Whether the icon is on screen now: visible and a tray there to hold it.
  bool IconShows() const;
  QList<QIcon> IconList() const { return iconList_; }
  void SetIconList(const QList<QIcon> &list);
  int IconIndex() const { return iconIndex_; }
  void SetIconIndex(int value);
  bool CycleIcons() const { return cycleIcons_; }
  void SetCycleIcons(bool value);
  unsigned CycleInterval() const { return cycleInterval_; }
  void SetCycleInterval(unsigned value);
  QMenu *PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(QMenu *menu);
  bool LeftPopup() const { return clicks_.LeftPopup; }
  void SetLeftPopup(bool value) { clicks_.LeftPopup = value; }
  bool MinimizeToTray = false;

  NotifyEvent OnClick;
  NotifyEvent OnDblClick;
  NotifyEvent OnMinimizeToTray;
  NotifyEvent OnBalloonHintClick;
  CycleEvent OnCycle;
  StartupEvent OnStartup;

  // Shows the main window normal, raised and active.
  void ShowMainForm();
  // Hides the main window to the tray (only where a tray shows the icon).
  void HideMainWindow();
  void MinimizeToTrayNow();
  // The main window is hidden in the tray now.
  bool HiddenToTray() const { return hiddenToTray_; }
  // Once the window is made: asks OnStartup whether to show the main window.
  void Loaded();

  // What one tick of the cycle timer does (public for tests).
  void CycleTimerTick();
  // Checks that the tray is still there for a hidden window (public for tests).
  void CheckTrayStillThere();
  TTrayClicks &Clicks() { return clicks_; }
  ITrayHost &Host() { return *host_; }

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void updateTrayIcon();
  void activated(ITrayHost::Activation reason);
  void clickDefaultItem();

  QPointer<QWidget> owner_;
  std::unique_ptr<ITrayHost> host_;
  TTrayClicks clicks_;
  TSimpleTimer cycleTimer_;
  TSimpleTimer trayWatch_;
  QString hint_;
  bool showHint_ = true;
  QIcon icon_;
  bool iconVisible_ = false;
  QList<QIcon> iconList_;
  int iconIndex_ = 0;
  bool cycleIcons_ = false;
  unsigned cycleInterval_ = 0;
  QPointer<QMenu> popupMenu_;
  bool hiddenToTray_ = false;
  bool quitOnLastClosedBeforeHiding_ = true;
};

} // namespace qel
