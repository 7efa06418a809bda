#pragma once
// Deferred commands. Menus never run a command while their loop is active:
// a click is queued and runs on this thread's event loop after the input
// being handled now. Every item and viewer counts itself as a target while
// it lives; one destroyed while its command is queued turns that entry into
// a cancelled one, so the later delivery does nothing. The queue (a small
// object on the thread and the pending list) exists only while targets do.

#include <exception>
#include <functional>

namespace qel::toolbars {

class TTbrDeferredTarget {
public:
  TTbrDeferredTarget();
  TTbrDeferredTarget(const TTbrDeferredTarget &) = delete;
  TTbrDeferredTarget &operator=(const TTbrDeferredTarget &) = delete;
  virtual ~TTbrDeferredTarget();

protected:
  // What the queued command does (an item clicks; a viewer runs its default action).
  virtual void DeferredExecute(int param) = 0;
  // Cancels this target's queued commands; destruction does it too, but a
  // class may want it done before its own parts go.
  void CancelDeferred();

private:
  friend struct TTbrDeferredQueue;
};

// Queues `param` for `target` on the current thread.
void QueueDeferred(TTbrDeferredTarget *target, int param);

// For tests and diagnostics, on the current thread: live targets, queued
// entries not yet delivered (cancelled ones included), and whether the queue exists.
int DeferredLiveCount();
int DeferredPendingCount();
bool DeferredQueueExists();

// Where an exception from a deferred command, a popup handler or a click
// during shortcut dispatch goes; the caller carries on. Without a handler it
// is logged as a warning. The program installs one that shows the message.
using TToolbarExceptionHandler = std::function<void(std::exception_ptr)>;
void SetToolbarExceptionHandler(TToolbarExceptionHandler handler);
void HandleToolbarException(std::exception_ptr error);

// Runs `run`, passing any exception to HandleToolbarException.
template <typename Run> void RunGuarded(Run &&run) {
  try {
    run();
  } catch (...) {
    HandleToolbarException(std::current_exception());
  }
}

} // namespace qel::toolbars
