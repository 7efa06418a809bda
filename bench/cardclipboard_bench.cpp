// Whole cards through the card clipboard file with 100,000 generated cards of
// about 1 KB RTF bodies (~100 MB): copying all of them, and pasting them back
// into the open file, beside `cp` of the same bytes as the floor.
//   cardclipboard_bench     (QEL_BENCH_CARDS sets the card count)

#include "bench/cardgen.h"
#include "cards/bodyfile.h"
#include "cards/cardclipboard.h"
#include "cards/crd.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <benchmark/benchmark.h>

#include <unistd.h>

using namespace qel;

namespace {

QString workDir() {
  static QString dir = [] {
    QString d = QDir::tempPath() + QStringLiteral("/qel-clipboard-bench-") + QString::number(getpid());
    QDir().mkpath(d);
    return d;
  }();
  return dir;
}

std::vector<const TCrd *> &cards() {
  static std::vector<const TCrd *> all = [] {
    CurrentFileName = workDir() + QStringLiteral("/cards.qel");
    ResetBodyFile();
    bench::CardGenOptions options;
    options.bigCards = 0;
    bench::GenerateCards(AllCards, options, &CurrentBodyFile());
    std::vector<const TCrd *> v;
    for (int i = 0; i < AllCards.Count(); ++i) v.push_back(AllCards.Objects(i));
    return v;
  }();
  return all;
}

void BM_CopyAllCards(benchmark::State &state) {
  auto &all = cards();
  for (auto _ : state) WriteCardClipboard(all);
  state.counters["cards"] = double(all.size());
  state.counters["MB"] = double(QFile(ClipboardFileName()).size()) / 1e6;
}

void BM_CopyFloorCp(benchmark::State &state) {
  cards();
  WriteCardClipboard(cards());
  const QString copy = workDir() + QStringLiteral("/cp.clp");
  for (auto _ : state) QProcess::execute(QStringLiteral("cp"), {ClipboardFileName(), copy});
  QFile::remove(copy);
}

void BM_PasteAllCards(benchmark::State &state) {
  auto &all = cards();
  WriteCardClipboard(all);
  for (auto _ : state) {
    TCrdList target;
    const ClipboardContents contents = ReadCardClipboard();
    auto added = AddClipboardCards(target, contents, 46000);
    benchmark::DoNotOptimize(added);
  }
}

void BM_ReadOnly(benchmark::State &state) {
  WriteCardClipboard(cards());
  for (auto _ : state) {
    ClipboardContents contents = ReadCardClipboard();
    benchmark::DoNotOptimize(contents);
  }
}

void BM_ParseOnly(benchmark::State &state) {
  WriteCardClipboard(cards());
  QFile f(ClipboardFileName());
  f.open(QIODevice::ReadOnly);
  const QByteArray bytes = f.readAll();
  for (auto _ : state) {
    ClipboardContents contents = ParseCardClipboard(bytes);
    benchmark::DoNotOptimize(contents);
  }
}

} // namespace

BENCHMARK(BM_ParseOnly)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadOnly)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_CopyAllCards)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CopyFloorCp)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PasteAllCards)->Unit(benchmark::kMillisecond)->Iterations(2);

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  DeleteClipboardFile();
  DeleteBodyFile();
  QDir(workDir()).removeRecursively();
  return 0;
}
