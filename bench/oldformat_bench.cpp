// The old 2.x format with 100,000 cards (QEL_BENCH_CARDS) of about 1 KB:
// the export (text, then the archive beside the target) against `zip -9` of
// the same text, and the read as the Open command does it, inside this
// process (the entry alone extracted, parsed, the cards built with a fresh
// body file and installed; no program start, no window), against a whole
// `unzip -o` process on the archive. Each pair runs in the same iteration and
// reports both times and their ratio (ours / theirs).

#include "bench/cardgen.h"
#include "cards/bodyfile.h"
#include "cards/crd.h"
#include "cards/oldformat.h"
#include "zip/ziparchiver.h"

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
    QString d = QDir::tempPath() + QStringLiteral("/qel-oldformat-bench-") + QString::number(getpid());
    QDir().mkpath(d);
    return d;
  }();
  return dir;
}

QString target() { return workDir() + QStringLiteral("/old.qel"); }

void ensureCards() {
  static bool done = [] {
    CurrentFileName = workDir() + QStringLiteral("/cards.qel");
    bench::CardGenOptions options;
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

void BM_ExportVersion2VsZip9(benchmark::State &state) {
  ensureCards();
  double ours = 0, theirs = 0;
  for (auto _ : state) {
    TZipArchiver zip;
    zip.SetDLLDirectory(QStringLiteral(QEL_PROGRAM_DIR));
    QElapsedTimer timer;
    timer.start();
    ExportVersion2File(AllCards, CurrentBodyFile(), target(), zip, false);
    ours = double(timer.nsecsElapsed()) / 1e9;
    QFile text(workDir() + QStringLiteral("/old.tmp"));
    if (!text.open(QIODevice::WriteOnly)) state.SkipWithError("cannot write the text");
    text.write(Version2Text(AllCards, CurrentBodyFile(), false));
    text.close();
    QFile::remove(workDir() + QStringLiteral("/tool.zip"));
    theirs = runTool(QStringLiteral("zip"), {QStringLiteral("-9"), QStringLiteral("-q"), QStringLiteral("tool.zip"),
                                             QStringLiteral("old.tmp")});
    state.SetIterationTime(ours);
  }
  report(state, ours, theirs, "zip9");
}

void BM_ReadVersion2InProcessVsUnzipProcess(benchmark::State &state) {
  ensureCards();
  {
    TZipArchiver zip;
    zip.SetDLLDirectory(QStringLiteral(QEL_PROGRAM_DIR));
    ExportVersion2File(AllCards, CurrentBodyFile(), target(), zip, false);
  }
  double ours = 0, theirs = 0;
  for (auto _ : state) {
    TZipArchiver zip;
    zip.SetDLLDirectory(QStringLiteral(QEL_PROGRAM_DIR));
    QElapsedTimer timer;
    timer.start();
    const OldCardsText read = ReadOldVersionFile(target(), true, zip);
    ReplaceWithOldCards(read.cards, target());
    ours = double(timer.nsecsElapsed()) / 1e9;
    if (AllCards.Count() != bench::DefaultCardCount()) state.SkipWithError("cards lost");
    theirs = runTool(QStringLiteral("unzip"), {QStringLiteral("-o"), QStringLiteral("-q"), target()});
    state.SetIterationTime(ours);
  }
  report(state, ours, theirs, "unzip");
}

} // namespace

BENCHMARK(BM_ExportVersion2VsZip9)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadVersion2InProcessVsUnzipProcess)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
