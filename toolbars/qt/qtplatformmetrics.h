#pragma once
// The platform metrics as Qt reports them: the style's submenu delay and
// shortcut underlining, and the screens' geometry.

#include "toolbars/core/platformmetrics.h"

namespace qel::toolbars {

class TQtPlatformMetrics final : public TPlatformMetrics {
public:
  int MenuShowDelay() const override;
  bool KeyboardCuesOn() const override;
  QList<TMonitor> Monitors() const override;
};

} // namespace qel::toolbars
