#pragma once
// What the framework's widgets share as hosts of a view: text measured with
// the widget's font, repaints, the child popups the view opens (popup
// windows placed beside the viewer), the view's timers on QTimers, the
// window's place on the screen and the desktop's menu settings.
//
// A view's timers fire into the menu loop while one runs (the loop routes
// them to the view, between the input events it is fed), else straight to
// the view.

#include "toolbars/core/tbviewhost.h"
#include "toolbars/paint/thmfontsettings.h"

#include <QFont>
#include <QFontMetrics>
#include <QPointer>
#include <QTimer>

#include <array>
#include <functional>

class QWidget;

namespace qel::toolbars {

class TTbrPopupWindow;

class TTbrQtTextMeasure final : public TTbrFontTextMeasure {
public:
  explicit TTbrQtTextMeasure(const QFont &font = QFont()) { SetFont(font); }
  void SetFont(const QFont &font);
  QFont Font() const override { return Normal; }
  QSize TextExtent(const QString &text, bool bold) const override;
  int TextHeight(bool bold) const override;
  int ExternalLeading() const override;

private:
  QFont Normal, Bold;
};

// Where a fired view timer goes: a running menu loop takes it (answering
// true), else the view's own TimerFired runs. The Qt modal driver installs
// its router while it runs.
using TTbrTimerRouter = std::function<bool(TTbrView *view, TTbrViewTimer timer)>;
void SetViewTimerRouter(TTbrTimerRouter router);
void RouteViewTimer(TTbrView *view, TTbrViewTimer timer);

class TTbrWidgetViewHost : public TTbrViewHost {
public:
  explicit TTbrWidgetViewHost(QWidget *widget);
  ~TTbrWidgetViewHost() override;

  // The view this host shows (its timers fire into it).
  void SetHostedView(TTbrView *view);
  TTbrView *HostedView() const { return Hosted; }
  // The widget's font changed: measuring follows it.
  void FontChanged();

  // The widget's client area inside the widget (a popup's lies inside its border).
  virtual QRect ClientRect() const;

  void Invalidate(const QRect &rect) override;
  bool WindowVisible() const override;
  const TTbrTextMeasure &Measure() const override { return TextMeasure; }
  TTbrView *OpenPopup(TTbrView *parent, TTbrItemViewer *viewer, bool asSubmenu, bool selectFirst) override;
  void ClosePopup(TTbrView *popupView) override;
  void StartTimer(TTbrViewTimer timer, int milliseconds) override;
  void StopTimer(TTbrViewTimer timer) override;
  void StopAllTimers();
  int MenuShowDelay() const override;
  bool KeyboardCuesOn() const override;
  QRect ScreenClientRect() const override;
  QRect ScreenWindowRect() const override;
  void RunEditSession(TTbrEditSession &session) override;
  void FocusEvent(int child) override;
  bool WindowUsable(bool viewInMenuMode) const override;

  QWidget *Widget() const { return HostWidget; }

private:
  QWidget *HostWidget;
  TTbrView *Hosted = nullptr;
  TTbrQtTextMeasure TextMeasure;
  std::array<QTimer, 4> Timers;
};

} // namespace qel::toolbars
