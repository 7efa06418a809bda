#pragma once
// The theme manager on this desktop: what it asks the desktop (colours from
// the application palette, the screen's depth, whether the application is
// active, the small caption's height) and the desktop changes it watches (a
// new application palette, screens coming, going or changing, and the
// application being activated or deactivated).

#include "toolbars/core/thmthemes.h"

#include <QObject>

namespace qel::toolbars {

class TQtThemeSystem : public TThmSystem {
public:
  TColor ColorToRGB(TColor color) const override;
  int ScreenColorDepth() const override;
  bool FlatMenusOn() const override;
  bool ApplicationActive() const override;
  int SmallCaptionHeight() const override;
};

// While it lives the theme manager asks the desktop through a TQtThemeSystem
// and hears of its changes; one at a time.
class TQtThemeWatcher : public QObject {
public:
  TQtThemeWatcher();
  ~TQtThemeWatcher() override;

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void ScreensChanged();
  TQtThemeSystem System;
  bool Active = false;
};

} // namespace qel::toolbars
