// The print and RTF export commands' join: cards of about 1 KB of RTF joined
// into the hidden editor the printer and the export use, and the RTF export
// (join, RTF out, file written) at growing card counts.
//   printcommands_bench
// Targets: 10,000 cards joined within 3 s; the export grows linearly (see
// the Complexity line; 100,000 cards with --benchmark_filter=Export/100000).

#include "app/printcards.h"
#include "bench/benchutil.h"
#include "bench/cardgen.h"
#include "cards/bodyfile.h"
#include "cards/crd.h"
#include "platform/richedit/richeditcontrol.h"

#include <QApplication>
#include <QSaveFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void makeCards(int count) {
  qel::FilteredCards.Clear();
  qel::ClearCards(qel::AllCards);
  qel::ResetBodyFile();
  qel::bench::CardGenOptions options;
  options.count = count;
  options.bigCards = 0;
  qel::bench::GenerateCards(qel::AllCards, options, &qel::CurrentBodyFile());
  qel::FilteredCards = qel::AllCards;
}

void BM_JoinCards(benchmark::State &state) {
  makeCards(int(state.range(0)));
  for (auto _ : state) {
    qel::re::RichEditControl editor;
    qel::JoinCards(editor, false, {}, true, {});
    state.counters["chars"] = editor.textLength();
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_JoinCards)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1)->Complexity();

void BM_Export(benchmark::State &state) {
  makeCards(int(state.range(0)));
  const QString target = qel::bench::BenchWorkDir("printcommands") + QStringLiteral("export.rtf");
  for (auto _ : state) {
    qel::re::RichEditControl editor;
    qel::JoinCards(editor, false, {}, false, {});
    const QByteArray rtf = editor.streamOut(qel::re::SF_RTF);
    QSaveFile f(target);
    f.open(QIODevice::WriteOnly);
    f.write(rtf);
    f.commit();
    state.counters["rtf_MB"] = double(rtf.size()) / (1024 * 1024);
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Export)->Arg(2500)->Arg(10000)->Arg(25000)->Unit(benchmark::kMillisecond)->Iterations(1)->Complexity();
BENCHMARK(BM_Export)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv) {
  QTemporaryDir home;
  for (const char *v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "TMPDIR"}) qputenv(v, home.path().toLocal8Bit());
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  qel::CurrentFileName = home.path() + QStringLiteral("/bench.qel");
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  qel::FilteredCards.Clear();
  qel::ClearCards(qel::AllCards);
  return 0;
}
