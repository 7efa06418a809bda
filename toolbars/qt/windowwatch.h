#pragma once
// Window watching for the docking code: application activation, window
// moves and resizes, a window about to be destroyed, and events taken from
// the queue, each reported to every watcher that asked for it. One
// application-wide event filter serves each kind while it has watchers. A
// move may be reported for both a widget and the window that hosts it.

#include "toolbars/core/watchregistry.h"

namespace qel::toolbars {

// The application-wide registry (made on first use). Codes from TWatchCode as bits.
void InstallWatchCallback(const void *key, TWatchCallback callback, TWatchCodes codes);
void RemoveWatchCallback(const void *key);
// Called from a GetMessage watcher: the event being reported is taken out,
// so no widget receives it.
void SuppressWatchedEvent();
// Whether an earlier watcher has taken the event being reported out (the
// later ones leave it alone).
bool WatchedEventSuppressed();
// Whether the application filter currently serves the kind (for tests).
bool WatchActive(TWatchCode code);

} // namespace qel::toolbars
