#pragma once
// The registry behind window watching: any number of watchers, each with a
// reference count and the kinds of event it wants, sharing one underlying
// watch per kind. The registry says when a kind gains its first user (start
// watching) and loses its last (stop); calls go to the watchers of a kind
// in registration order.

#include <QList>

#include <array>
#include <functional>

class QEvent;
class QObject;

namespace qel::toolbars {

enum class TWatchCode { ActivateApp, WindowPosChanged, PreDestroy, GetMessage };
inline constexpr int WatchCodeCount = 4;

using TWatchCodes = unsigned;
inline constexpr TWatchCodes WatchBit(TWatchCode code) { return 1u << unsigned(code); }

// `window` is the object concerned; `event` the event itself (it may be changed for GetMessage).
using TWatchCallback = std::function<void(TWatchCode code, QObject *window, QEvent *event)>;

class TWatchRegistry {
public:
  // `key` identifies the watcher: a known key only gains a reference. Answers
  // the kinds that gained their first user.
  TWatchCodes Install(const void *key, TWatchCallback callback, TWatchCodes codes);
  // Drops a reference; at none the watcher goes. Answers the kinds that lost
  // their last user. An unknown key changes nothing.
  TWatchCodes Remove(const void *key);

  // Calls every watcher of the kind, in registration order; a watcher that
  // throws is skipped over, and one removed by an earlier call is not called.
  void Notify(TWatchCode code, QObject *window, QEvent *event);

  int References(const void *key) const;
  int Users(TWatchCode code) const { return UserCounts[std::size_t(code)]; }
  bool IsEmpty() const { return Entries.isEmpty(); }

private:
  struct TEntry {
    const void *Key;
    TWatchCallback Callback;
    int References;
    TWatchCodes Codes;
  };
  QList<TEntry> Entries;
  std::array<int, WatchCodeCount> UserCounts{};
};

} // namespace qel::toolbars
