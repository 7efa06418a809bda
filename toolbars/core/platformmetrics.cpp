#include "toolbars/core/platformmetrics.h"

#include <cstdint>
#include <limits>

namespace qel::toolbars {

namespace {

// Distance from a point to a rectangle (0 inside), squared.
std::int64_t DistanceSquared(const QRect &r, const QPoint &p) {
  const std::int64_t dx = p.x() < r.left() ? r.left() - p.x() : (p.x() > r.right() ? p.x() - r.right() : 0);
  const std::int64_t dy = p.y() < r.top() ? r.top() - p.y() : (p.y() > r.bottom() ? p.y() - r.bottom() : 0);
  return dx * dx + dy * dy;
}

const TPlatformMetrics::TMonitor *Nearest(const QList<TPlatformMetrics::TMonitor> &monitors,
                                          const QRect &rect) {
  // The monitor sharing the largest area with the rectangle; failing that, the closest one.
  const TPlatformMetrics::TMonitor *best = nullptr;
  std::int64_t bestArea = 0;
  for (const auto &m : monitors) {
    const QRect common = m.Full.intersected(rect);
    const std::int64_t area = common.isEmpty() ? 0 : std::int64_t(common.width()) * common.height();
    if (area > bestArea) {
      bestArea = area;
      best = &m;
    }
  }
  if (best)
    return best;
  std::int64_t bestDistance = std::numeric_limits<std::int64_t>::max();
  for (const auto &m : monitors) {
    const std::int64_t d = DistanceSquared(m.Full, rect.center());
    if (d < bestDistance) {
      bestDistance = d;
      best = &m;
    }
  }
  return best;
}

} // namespace

int SanitizedMenuShowDelay(int milliseconds) { return milliseconds < 0 ? 0 : milliseconds; }

QRect TPlatformMetrics::ScreenOrWorkArea(bool workArea) const {
  const QList<TMonitor> monitors = Monitors();
  if (monitors.isEmpty())
    return {};
  const TMonitor &primary = monitors.first();
  if (workArea && !primary.Work.isEmpty())
    return primary.Work;
  return primary.Full;
}

bool TPlatformMetrics::SeveralMonitors() const { return Monitors().size() > 1; }

QRect TPlatformMetrics::MonitorAreaOfRect(const QRect &rect, bool workArea) const {
  const QList<TMonitor> monitors = Monitors();
  if (monitors.size() < 2)
    return ScreenOrWorkArea(workArea);
  const TMonitor *m = Nearest(monitors, rect.normalized());
  return workArea && !m->Work.isEmpty() ? m->Work : m->Full;
}

QRect TPlatformMetrics::MonitorAreaOfPoint(const QPoint &point, bool workArea) const {
  return MonitorAreaOfRect(QRect(point, QSize(1, 1)), workArea);
}

} // namespace qel::toolbars
