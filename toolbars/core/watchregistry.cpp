#include "toolbars/core/watchregistry.h"

namespace qel::toolbars {

TWatchCodes TWatchRegistry::Install(const void *key, TWatchCallback callback, TWatchCodes codes) {
  for (TEntry &entry : Entries)
    if (entry.Key == key) {
      ++entry.References;
      return 0;
    }
  Entries.append({key, std::move(callback), 1, codes});
  TWatchCodes started = 0;
  for (int c = 0; c < WatchCodeCount; ++c)
    if (codes & (1u << c))
      if (UserCounts[c]++ == 0)
        started |= 1u << c;
  return started;
}

TWatchCodes TWatchRegistry::Remove(const void *key) {
  for (qsizetype i = 0; i < Entries.size(); ++i) {
    TEntry &entry = Entries[i];
    if (entry.Key != key)
      continue;
    if (--entry.References > 0)
      return 0;
    const TWatchCodes codes = entry.Codes;
    Entries.removeAt(i);
    TWatchCodes stopped = 0;
    for (int c = 0; c < WatchCodeCount; ++c)
      if ((codes & (1u << c)) && UserCounts[c] > 0)
        if (--UserCounts[c] == 0)
          stopped |= 1u << c;
    return stopped;
  }
  return 0;
}

void TWatchRegistry::Notify(TWatchCode code, QObject *window, QEvent *event) {
  // A snapshot, so that watchers may come and go while being called.
  const QList<TEntry> snapshot = Entries;
  for (const TEntry &entry : snapshot) {
    if (!(entry.Codes & WatchBit(code)) || References(entry.Key) == 0)
      continue;
    try {
      entry.Callback(code, window, event);
    } catch (...) {
      // One failing watcher must not keep the event from the others.
    }
  }
}

int TWatchRegistry::References(const void *key) const {
  for (const TEntry &entry : Entries)
    if (entry.Key == key)
      return entry.References;
  return 0;
}

} // namespace qel::toolbars
