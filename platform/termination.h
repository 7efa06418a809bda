#pragma once
// The desktop asking the program to end: SIGTERM or SIGHUP (logout, shutdown)
// and the session manager's request. The handler runs on the UI thread, from
// the event loop, never inside the signal handler.

#include <functional>

namespace qel {

// Installs `handler` for SIGTERM and SIGHUP and for the session manager's
// commit request. Call once, after the application object exists.
void InstallTerminationHandler(std::function<void()> handler);

} // namespace qel
