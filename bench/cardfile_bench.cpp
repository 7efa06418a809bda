// Opening and saving a card file of 100,000 cards (QEL_BENCH_CARDS) with bodies of about 1 KB,
// side by side with the command-line tools on the same entries: a save
// against `zip -9` of the index and body files, and the load of the saved
// file inside this process (extract, read the index, install; no program
// start and no window) against a whole `unzip -o` process to disk. Each pair
// runs in the same iteration and reports both times and their ratio (ours /
// theirs). The open as the user sees it is program_bench's
// BM_OpenToWindowShownVsUnzipToDisk.

#include "bench/cardgen.h"
#include "cards/bodyfile.h"
#include "cards/cardfile.h"
#include "cards/crd.h"
#include "zip/ziparchiver.h"

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
    QString d = QDir::tempPath() + QStringLiteral("/qel-cardfile-bench-") + QString::number(getpid());
    QDir().mkpath(d);
    return d;
  }();
  return dir;
}

QString target() { return workDir() + QStringLiteral("/cards.qel"); }

void setUp(TZipArchiver &zip) { zip.SetDLLDirectory(QStringLiteral(QEL_PROGRAM_DIR)); }

// The open file: 100,000 generated cards whose bodies are in the body file.
void ensureCards() {
  static bool done = [] {
    CurrentFileName = target();
    bench::CardGenOptions options;
    options.count = bench::DefaultCardCount();
    options.bodySize = 1000;
    options.bigCards = 0;
    ClearCards(AllCards);
    bench::GenerateCards(AllCards, options, &CurrentBodyFile());
    return true;
  }();
  (void)done;
}

double runTool(const QString &program, const QStringList &args) {
  QElapsedTimer timer;
  timer.start();
  QProcess p;
  p.setWorkingDirectory(workDir());
  p.start(program, args);
  if (!p.waitForFinished(600000) || p.exitCode() != 0) return -1;
  return double(timer.nsecsElapsed()) / 1e9;
}

void report(benchmark::State &state, double ours, double theirs, const char *tool) {
  state.counters["ours_s"] = ours;
  state.counters[std::string(tool) + "_s"] = theirs;
  state.counters["ratio"] = theirs > 0 ? ours / theirs : 0;
}

void BM_SaveVsZip9(benchmark::State &state) {
  ensureCards();
  double ours = 0, theirs = 0;
  for (auto _ : state) {
    TZipArchiver zip;
    setUp(zip);
    QElapsedTimer timer;
    timer.start();
    SaveCardsArchive(AllCards, CurrentBodyFile(), target(), zip);
    const double t = double(timer.nsecsElapsed()) / 1e9;
    ours += t;

    // The same two entries, written as loose files, zipped by the tool.
    const QString i = workDir() + "/cards.~i", h = workDir() + "/cards.~h";
    QFile::remove(workDir() + "/ref.zip");
    QFile::copy(CurrentBodyFileName(), h);
    QProcess::execute(QStringLiteral("unzip"), {"-o", "-q", target(), "cards.~i", "-d", workDir()});
    const double z = runTool(QStringLiteral("zip"), {"-9", "-q", "ref.zip", "cards.~i", "cards.~h"});
    QFile::remove(i);
    QFile::remove(h);
    theirs += z;
    state.SetIterationTime(t);
  }
  report(state, ours / double(state.iterations()), theirs / double(state.iterations()), "zip9");
}

void BM_LoadInProcessVsUnzipProcess(benchmark::State &state) {
  ensureCards();
  if (!QFile::exists(target())) {
    TZipArchiver zip;
    setUp(zip);
    SaveCardsArchive(AllCards, CurrentBodyFile(), target(), zip);
  }
  double ours = 0, theirs = 0;
  for (auto _ : state) {
    QElapsedTimer timer;
    timer.start();
    {
      TZipArchiver zip;
      setUp(zip);
      const tQelfileSpec probed = ProbeCardsFile(target(), zip);
      TLoadedCardFile loaded;
      if (LoadVersion3File(probed, zip, loaded).status != LoadStatus::Loaded) {
        state.SkipWithError("open failed");
        return;
      }
      InstallLoadedFile(loaded, target());
    }
    const double t = double(timer.nsecsElapsed()) / 1e9;
    ours += t;
    const QString out = workDir() + "/unzipped";
    QDir(out).removeRecursively();
    theirs += runTool(QStringLiteral("unzip"), {"-o", "-q", target(), "-d", out});
    QDir(out).removeRecursively();
    state.SetIterationTime(t);
  }
  if (AllCards.Count() != bench::DefaultCardCount()) state.SkipWithError("wrong card count after open");
  report(state, ours / double(state.iterations()), theirs / double(state.iterations()), "unzip");
}

} // namespace

BENCHMARK(BM_SaveVsZip9)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadInProcessVsUnzipProcess)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  ClearCards(AllCards);
  QDir(workDir()).removeRecursively();
  return 0;
}
