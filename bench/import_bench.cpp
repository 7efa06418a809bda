// Importing a delimited text file of 100,000 lines into the open file, in a
// shown main window, from reading the file to the rebuilt title list; and the
// text export of 100,000 cards (~1 KB RTF bodies) in the multi-line layout:
//   import_bench
// Targets: import within 2 s, export within 3 s, progress window shown.

#include "app/dlg_export.h"
#include "app/mainstate.h"
#include "app/textexport.h"
#include "bench/cardgen.h"
#include "app/tf_main.h"
#include "cards/bodyfile.h"
#include "cards/crd.h"
#include "cards/textimport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace qel;

std::unique_ptr<Tf_Main> window;
QString textFile;

void BM_ImportDelimited100kLines(benchmark::State &state) {
  QElapsedTimer t;
  double ms = 0;
  for (auto _ : state) {
    state.PauseTiming();
    FilteredCards.Clear();
    ClearCards(AllCards);
    ResetBodyFile();
    window->RefilterCards();
    state.ResumeTiming();
    t.start();
    const QStringList lines = TextFileLines(ReadTextFile(textFile));
    window->AppendImportedCards(ParseDelimitedText(lines, QStringLiteral(";")));
    window->RefilterCards();
    QApplication::processEvents();
    ms += t.nsecsElapsed() / 1e6;
  }
  state.counters["cards"] = AllCards.Count();
  state.counters["ms_per_import"] = ms / double(state.iterations());
}
BENCHMARK(BM_ImportDelimited100kLines)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ExportMultiLine100kCards(benchmark::State &state) {
  FilteredCards.Clear();
  ClearCards(AllCards);
  ResetBodyFile();
  bench::CardGenOptions options;
  options.bigCards = 0;
  bench::GenerateCards(AllCards, options, &CurrentBodyFile());
  window->RefilterCards();
  QElapsedTimer t;
  double ms = 0;
  qint64 bytes = 0;
  for (auto _ : state) {
    t.start();
    const QByteArray out = ExportFileBytes(window->ExportCards(false), window->f_Export->Layout());
    ms += t.nsecsElapsed() / 1e6;
    bytes = out.size();
  }
  state.counters["cards"] = AllCards.Count();
  state.counters["MB_out"] = double(bytes) / 1e6;
  state.counters["ms_per_export"] = ms / double(state.iterations());
}
BENCHMARK(BM_ExportMultiLine100kCards)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char **argv) {
  QTemporaryDir home;
  for (const char *v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "TMPDIR"}) qputenv(v, home.path().toLocal8Bit());
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  window = std::make_unique<Tf_Main>();
  window->resize(1000, 700);
  window->show();
  QApplication::processEvents();
  CurrentFileName = home.path() + QStringLiteral("/bench.qel");
  ResetBodyFile();

  textFile = home.path() + QStringLiteral("/cards.csv");
  QFile f(textFile);
  f.open(QIODevice::WriteOnly);
  QByteArray text;
  for (int i = 0; i < 100000; ++i)
    text += "Contact " + QByteArray::number(i) + " M\xC3\xBCller;Street " + QByteArray::number(i % 977) +
            ";City;+49 30 " + QByteArray::number(1000000 + i) + ";notes about this contact\r\n";
  f.write(text);
  f.close();

  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  window.reset();
  FilteredCards.Clear();
  ClearCards(AllCards);
  return 0;
}
