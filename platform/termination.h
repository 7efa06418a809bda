#pragma once
// The desktop asking the program to end: SIGTERM or SIGHUP (logout, shutdown)
// and the session manager's request. The handler runs on the UI thread, from
// the event loop, never inside the signal handler.

#include <functional>

namespace qel {

// Installs `handler` for SIGTERM and SIGHUP and for the session manager's
// commit request. The handler answers whether the program goes on ending
// (false: the user chose to stay, and the session manager is told to cancel
// the logout). Call once, after the application object exists.
void InstallTerminationHandler(std::function<bool()> handler);

} // namespace qel
