#pragma once
// Numbered timers for the parts of an item that are not windows of their own
// (the list's scroll bar repeats its buttons and scrolls while the mouse is
// held outside the rows). Each number runs one single-shot timer; whoever
// owns the host restarts it from OnTimer when it should go on. Made on first
// use and gone with its owner, so a timer never fires into a freed viewer.

#include <QObject>

#include <functional>
#include <map>
#include <memory>

class QTimer;

namespace qel::toolbars {

class TTbrTimerHost {
public:
  TTbrTimerHost();
  ~TTbrTimerHost();
  TTbrTimerHost(const TTbrTimerHost &) = delete;
  TTbrTimerHost &operator=(const TTbrTimerHost &) = delete;

  // (Re)starts timer `id` to fire once after `milliseconds`.
  void Start(int id, int milliseconds);
  void Stop(int id);
  bool Running(int id) const;

  std::function<void(int id)> OnTimer;

private:
  std::map<int, std::unique_ptr<QTimer>> FTimers;
};

} // namespace qel::toolbars
