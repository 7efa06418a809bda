#pragma once
// The platform metrics as Qt reports them: the style's submenu delay and
// shortcut underlining, the screens' geometry and depth, and the X server's
// compositor.

#include "toolbars/core/platformmetrics.h"

namespace qel::toolbars {

class TQtPlatformMetrics final : public TPlatformMetrics {
public:
  int MenuShowDelay() const override;
  bool KeyboardCuesOn() const override;
  QList<TMonitor> Monitors() const override;
  int ScreenColorDepth() const override;
  bool CompositorPresent() const override;
};

// The metrics the framework's widgets ask: Qt's answers unless others were
// installed (tests fake a desktop with them).
TPlatformMetrics &PlatformMetrics();
// Installs other metrics (nullptr restores Qt's); answers the previous ones.
TPlatformMetrics *SetPlatformMetrics(TPlatformMetrics *metrics);

} // namespace qel::toolbars
