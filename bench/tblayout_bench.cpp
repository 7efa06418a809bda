// Laying out a view of 500 items (target: within 1 ms), alone and through a
// view of an item tree (measuring every viewer), and finding the item under a
// point in it (a few runs scanned, a binary search inside one):
//   tblayout_bench
#include "toolbars/core/tbitem.h"
#include "toolbars/core/tblayout.h"
#include "toolbars/core/tbview.h"

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

class TBenchMeasure : public TTbrTextMeasure {
public:
  QSize TextExtent(const QString &text, bool) const override { return QSize(int(text.size()) * 6, 13); }
  int TextHeight(bool) const override { return 13; }
};
class TBenchHost : public TTbrViewHost {
public:
  const TTbrTextMeasure &Measure() const override { return measure_; }

private:
  TBenchMeasure measure_;
};

// A wrapped toolbar and a scrolled menu of 500 items, laid out again from
// their item tree (viewers measured, places committed).
void BM_ViewOf500Items(benchmark::State &state) {
  const bool menu = state.range(0) == 1;
  TTbrRootItem root;
  for (int i = 0; i < 500; ++i) {
    TTbrCustomItem *item = i % 8 == 7 ? new TTbrSeparatorItem : new TTbrCustomItem;
    item->SetCaption(QStringLiteral("Item %1").arg(i));
    root.Add(item);
  }
  TBenchHost host;
  TTbrView view(&host, nullptr, &root, !menu);
  view.WrapOffset = menu ? 0 : 600;
  view.MaxHeight = menu ? 700 : 0;
  for (auto _ : state) {
    view.InvalidatePositions();
    view.ValidatePositions();
  }
}
BENCHMARK(BM_ViewOf500Items)->Arg(0)->Arg(1)->ArgName("menu")->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
