#include "toolbars/core/tbtimerhost.h"

#include <QTimer>

#include <algorithm>

namespace qel::toolbars {

TTbrTimerHost::TTbrTimerHost() = default;
TTbrTimerHost::~TTbrTimerHost() = default;

void TTbrTimerHost::Start(int id, int milliseconds) {
  std::unique_ptr<QTimer> &timer = FTimers[id];
  if (!timer) {
    timer = std::make_unique<QTimer>();
    timer->setSingleShot(true);
    QObject::connect(timer.get(), &QTimer::timeout, [this, id] {
      if (OnTimer)
        OnTimer(id);
    });
  }
  timer->start(std::max(0, milliseconds));
}

void TTbrTimerHost::Stop(int id) {
  if (auto it = FTimers.find(id); it != FTimers.end())
    it->second->stop();
}

bool TTbrTimerHost::Running(int id) const {
  auto it = FTimers.find(id);
  return it != FTimers.end() && it->second->isActive();
}

} // namespace qel::toolbars
