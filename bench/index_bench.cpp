// Writing and reading the index text of a large card file.
#include "bench/cardgen.h"
#include "cards/indexfile.h"
#include "platform/tempfolder.h"

#include <QFile>
#include <benchmark/benchmark.h>

using namespace qel;

namespace {

const TCrdList &cards(int count) {
  static TCrdList list;
  if (list.Count() != count) {
    list.Clear();
    bench::CardGenOptions options;
    options.count = count;
    bench::GenerateCards(list, options);
  }
  return list;
}

QString indexPath() { return TempFolderPath() + QStringLiteral("bench-index.~i"); }

void BM_IndexWrite(benchmark::State &state) {
  const TCrdList &list = cards(int(state.range(0)));
  for (auto _ : state) WriteIndexFile(list, indexPath());
  state.SetItemsProcessed(state.iterations() * list.Count());
  state.counters["bytes"] = double(QFile(indexPath()).size());
}

void BM_IndexRead(benchmark::State &state) {
  WriteIndexFile(cards(int(state.range(0))), indexPath());
  for (auto _ : state) {
    TCrdList list;
    ReadIndexFile(list, indexPath(), nullptr, -1);
    if (list.Count() != state.range(0)) state.SkipWithError("cards lost");
    benchmark::DoNotOptimize(list);
    state.PauseTiming();
    list.Clear();  // releasing 100,000 records is not part of reading
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_IndexWrite)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndexRead)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
