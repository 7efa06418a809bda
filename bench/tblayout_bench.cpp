// Laying out a view of 500 items (target: within 1 ms) and finding the item
// under a point in it (a few runs scanned, a binary search inside one):
//   tblayout_bench
#include "toolbars/core/tblayout.h"

#include <benchmark/benchmark.h>

#include <QList>

namespace {

using namespace qel::toolbars;
using F = TTbrLayoutItem;

// 500 items of varied sizes, a separator after every seventh.
QList<TTbrLayoutItem> Items(bool menu) {
  QList<TTbrLayoutItem> items;
  for (int i = 0; i < 500; ++i) {
    if (i % 8 == 7)
      items.append({menu ? QSize(0, 9) : QSize(6, 6), std::uint16_t(F::Wanted | F::Separator)});
    else
      items.append({menu ? QSize(80 + i % 60, 20) : QSize(22 + i % 17, 22), F::Wanted});
  }
  return items;
}

void BM_WrappedToolbar(benchmark::State &state) {
  const auto items = Items(false);
  TTbrLayoutParams p;
  p.WrapOffset = 600;
  for (auto _ : state)
    benchmark::DoNotOptimize(CalculateLayout(items, p));
}
BENCHMARK(BM_WrappedToolbar)->Unit(benchmark::kMicrosecond);

void BM_ChevronToolbarByPriority(benchmark::State &state) {
  const auto items = Items(false);
  QList<int> priority;
  for (int i = 0; i < items.size(); ++i)
    priority.append((i * 7) % items.size()); // 7 and 500 share no factor
  TTbrLayoutParams p;
  p.HasChevron = true;
  p.ChevronOffset = 800;
  p.ChevronSize = 12;
  p.Priority = &priority;
  for (auto _ : state)
    benchmark::DoNotOptimize(CalculateLayout(items, p));
}
BENCHMARK(BM_ChevronToolbarByPriority)->Unit(benchmark::kMicrosecond);

void BM_ScrolledMenu(benchmark::State &state) {
  const auto items = Items(true);
  TTbrLayoutParams p;
  p.IsToolbar = false;
  p.MaxHeight = 700;
  p.ScrollOffset = 3000;
  for (auto _ : state)
    benchmark::DoNotOptimize(CalculateLayout(items, p));
}
BENCHMARK(BM_ScrolledMenu)->Unit(benchmark::kMicrosecond);

void BM_HitTest(benchmark::State &state) {
  const auto items = Items(state.range(0) == 1);
  TTbrLayoutParams p;
  p.IsToolbar = state.range(0) == 0;
  p.WrapOffset = p.IsToolbar ? 600 : 0;
  const TTbrLayoutResult r = CalculateLayout(items, p);
  int x = 0, y = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(r.HitIndex.Find(QPoint(x, y)));
    x = (x + 37) % r.TotalSize.width();
    y = (y + 53) % r.TotalSize.height();
  }
}
BENCHMARK(BM_HitTest)->Arg(0)->Arg(1)->ArgName("menu");

} // namespace

BENCHMARK_MAIN();
