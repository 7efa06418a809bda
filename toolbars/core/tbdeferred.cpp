#include "toolbars/core/tbdeferred.h"

#include <QDebug>
#include <QMetaObject>
#include <QObject>

#include <memory>
#include <stdexcept>
#include <vector>

namespace qel::toolbars {

namespace {

// A slot of the pending list: empty (reusable), queued, or cancelled (its
// delivery is still on its way, so the slot is not reused until it arrives).
struct TPendingEntry {
  enum { Empty, Queued, Cancelled } State = Empty;
  TTbrDeferredTarget *Target = nullptr;
  int Param = 0;
};

TToolbarExceptionHandler &ExceptionHandler() {
  static TToolbarExceptionHandler handler;
  return handler;
}

} // namespace

struct TTbrDeferredQueue {
  int Live = 0;
  std::unique_ptr<QObject> Receiver; // deliveries are posted to it; it goes with the queue
  std::vector<TPendingEntry> Pending;
  int Delivering = 0;
  bool FreeAfterDelivery = false;

  void Free() {
    if (Delivering > 0) {
      FreeAfterDelivery = true; // not from inside the receiver's own delivery
      return;
    }
    Receiver.reset(); // undelivered postings go with it
    Pending.clear();
    Pending.shrink_to_fit();
  }

  void Post(TTbrDeferredTarget *target, int param) {
    if (!Receiver)
      Receiver = std::make_unique<QObject>();
    FreeAfterDelivery = false;
    std::size_t slot = 0;
    while (slot < Pending.size() && Pending[slot].State != TPendingEntry::Empty)
      ++slot;
    if (slot == Pending.size())
      Pending.push_back({});
    Pending[slot] = {TPendingEntry::Queued, target, param};
    QMetaObject::invokeMethod(Receiver.get(), [this, slot] { Deliver(slot); }, Qt::QueuedConnection);
  }

  void Deliver(std::size_t slot) {
    TTbrDeferredTarget *target = nullptr;
    int param = 0;
    if (slot < Pending.size()) {
      if (Pending[slot].State == TPendingEntry::Queued) {
        target = Pending[slot].Target;
        param = Pending[slot].Param;
      }
      Pending[slot] = {};
    }
    while (!Pending.empty() && Pending.back().State == TPendingEntry::Empty)
      Pending.pop_back();
    if (!target)
      return;
    ++Delivering;
    RunGuarded([&] { target->DeferredExecute(param); });
    --Delivering;
    if (Delivering == 0 && FreeAfterDelivery) {
      FreeAfterDelivery = false;
      if (Live > 0)
        return; // a new target came while the command ran: the queue stays
      // The receiver is inside its own delivery: let it go once that returns.
      QObject *receiver = Receiver.release();
      Pending.clear();
      receiver->deleteLater();
    }
  }

  void Cancel(const TTbrDeferredTarget *target) {
    for (TPendingEntry &entry : Pending)
      if (entry.State == TPendingEntry::Queued && entry.Target == target)
        entry = {TPendingEntry::Cancelled, nullptr, 0};
  }
};

namespace {
thread_local TTbrDeferredQueue Queue;
}

TTbrDeferredTarget::TTbrDeferredTarget() { ++Queue.Live; }

TTbrDeferredTarget::~TTbrDeferredTarget() {
  Queue.Cancel(this);
  if (--Queue.Live == 0)
    Queue.Free();
}

void TTbrDeferredTarget::CancelDeferred() { Queue.Cancel(this); }

void QueueDeferred(TTbrDeferredTarget *target, int param) {
  if (target)
    Queue.Post(target, param);
}

int DeferredLiveCount() { return Queue.Live; }
int DeferredPendingCount() { return int(Queue.Pending.size()); }
bool DeferredQueueExists() { return Queue.Receiver != nullptr; }

void SetToolbarExceptionHandler(TToolbarExceptionHandler handler) { ExceptionHandler() = std::move(handler); }

void HandleToolbarException(std::exception_ptr error) {
  if (const TToolbarExceptionHandler &handler = ExceptionHandler()) {
    try {
      handler(error);
    } catch (...) {
      qWarning("Toolbar exception handler failed");
    }
    return;
  }
  try {
    std::rethrow_exception(error);
  } catch (const std::exception &e) {
    qWarning("Toolbar command failed: %s", e.what());
  } catch (...) {
    qWarning("Toolbar command failed");
  }
}

} // namespace qel::toolbars
