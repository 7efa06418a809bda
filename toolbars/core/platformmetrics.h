#pragma once
// What the toolbar framework asks the desktop: the menu show delay, whether
// keyboard cues (accelerator underlines) are always shown, flat menus, the
// screen, work area and monitor rectangles, the screen's colour depth, and
// whether a compositor blends windows. The defaults below answer
// when no desktop is known (tests, or a desktop that does not say).

#include <QList>
#include <QPoint>
#include <QRect>

namespace qel::toolbars {

class TPlatformMetrics {
public:
  static constexpr int DefaultMenuShowDelay = 400;

  virtual ~TPlatformMetrics() = default;

  // Milliseconds before a submenu opens under the pointer; never negative.
  virtual int MenuShowDelay() const { return DefaultMenuShowDelay; }
  virtual bool KeyboardCuesOn() const { return true; }
  virtual bool FlatMenusOn() const { return false; }
  // Bits per pixel of the primary screen.
  virtual int ScreenColorDepth() const { return 24; }
  // True when a compositor blends windows, so that translucent windows
  // (window opacity, per-pixel alpha) show as such. Without one a fade
  // becomes a slide and popups get no drop shadow.
  virtual bool CompositorPresent() const { return false; }
  // The monitors as full and work rectangles, the primary one first.
  struct TMonitor {
    QRect Full, Work;
  };
  virtual QList<TMonitor> Monitors() const { return {{QRect(0, 0, 1024, 768), QRect(0, 0, 1024, 768)}}; }

  // The primary monitor's work area when wanted (and known), else its full rectangle.
  QRect ScreenOrWorkArea(bool workArea) const;
  bool SeveralMonitors() const;
  // With several monitors, the nearest one's work or full rectangle; else ScreenOrWorkArea.
  QRect MonitorAreaOfRect(const QRect &rect, bool workArea) const;
  QRect MonitorAreaOfPoint(const QPoint &point, bool workArea) const;
};

// Clamps a delay the desktop reports (negatives become 0).
int SanitizedMenuShowDelay(int milliseconds);

} // namespace qel::toolbars
