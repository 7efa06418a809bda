#include "platform/termination.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qel {

namespace {
int g_pipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int) {
  char c = 1;
  // Only async-signal-safe work here: wake the event loop.
  [[maybe_unused]] ssize_t n = ::write(g_pipe[1], &c, 1);
}
} // namespace

void InstallTerminationHandler(std::function<bool()> handler) {
  if (g_pipe[0] < 0) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0) return;
  }
  auto *notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, qApp, [handler] {
    char buf[16];
    while (::read(g_pipe[0], buf, sizeof buf) > 0) {
    }
    handler();
  });
  struct sigaction sa {};
  sa.sa_handler = onTerminationSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGHUP, &sa, nullptr);

  if (auto *gui = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
    QObject::connect(gui, &QGuiApplication::commitDataRequest, gui, [handler](QSessionManager &manager) {
      // Questions to the user are allowed only once the manager agrees.
      if (!manager.allowsInteraction()) return;
      const bool ends = handler();
      manager.release();
      if (!ends) manager.cancel();
    });
  }
}

} // namespace qel
