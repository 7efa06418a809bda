// Writing and reading the index text of a large card file.
#include "bench/cardgen.h"
#include "cards/bodyfile.h"
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

// Merging a file of N cards into an open file of N cards whose titles mostly
// differ: every incoming card is looked up by title and its body copied.
void BM_IndexMerge(benchmark::State &state) {
  const int count = int(state.range(0));
  bench::CardGenOptions options;
  options.count = count;
  options.bodySize = 200;
  options.bigCards = 0;
  TBodyFile source(TempFolderPath() + QStringLiteral("bench-merge-source.~h"));
  TCrdList incoming;
  bench::GenerateCards(incoming, options, &source);
  WriteIndexFile(incoming, indexPath());
  options.seed += 1;
  for (auto _ : state) {
    state.PauseTiming();
    CurrentFileName = TempFolderPath() + QStringLiteral("bench-merge.qel");
    TCrdList list;
    bench::GenerateCards(list, options, &CurrentBodyFile());
    state.ResumeTiming();
    ReadIndexFile(list, indexPath(), &source, MergeKeepRecent);
    benchmark::DoNotOptimize(list);
    state.PauseTiming();
    list.Clear();
    state.ResumeTiming();
  }
  DeleteBodyFile();
  source.remove();
  state.SetItemsProcessed(state.iterations() * count);
}

} // namespace

BENCHMARK(BM_IndexMerge)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_IndexWrite)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndexRead)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
