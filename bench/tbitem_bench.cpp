// The toolbar item tree: 10,000 items inserted into one parent and removed
// again, with a viewer registered for the parent's notifications (each
// insertion sends three, each removal one), removing from the end and from
// the front. Target: the whole round within 50 ms.
#include "toolbars/core/tbitem.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using namespace qel::toolbars;

class TCounter : public TTbrItemNotifyHandler {
public:
  void ItemNotification(TTbrCustomItem *, bool, TTbrItemChangeKind, int, TTbrCustomItem *) override { ++Count; }
  long Count = 0;
};

void BM_InsertAndRemove(benchmark::State &state) {
  const int count = int(state.range(0));
  const bool fromFront = state.range(1) != 0;
  std::vector<TTbrCustomItem *> items;
  for (int i = 0; i < count; ++i)
    items.push_back(new TTbrCustomItem);
  TTbrRootItem root;
  TCounter counter;
  root.RegisterNotification(&counter);
  for (auto _ : state) {
    for (TTbrCustomItem *item : items)
      root.Add(item);
    if (fromFront)
      while (root.Count())
        root.Delete(0);
    else
      while (root.Count())
        root.Delete(root.Count() - 1);
  }
  root.UnregisterNotification(&counter);
  for (TTbrCustomItem *item : items)
    delete item;
  benchmark::DoNotOptimize(counter.Count);
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_InsertAndRemove)->Args({10000, 0})->Args({10000, 1})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
