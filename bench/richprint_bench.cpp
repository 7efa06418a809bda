// The rich printer: a joined text of about 1 MB of RTF (some 300 pages)
// paginated and printed to a PDF file, with the pages and the growth of the
// resident memory during the run as counters.
//   richprint_bench
// Targets: 1 MB (and the 1.6 MB that make some 300 pages) within 5 s; the memory growth does not follow the page count
// (compare the 256 KB and 1 MB runs).

#include "bench/benchutil.h"
#include "bench/cardgen.h"
#include "platform/richedit/formatrecords.h"
#include "platform/richedit/richeditcontrol.h"
#include "print/richprint.h"

#include <QApplication>
#include <QFile>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

#include <unistd.h>

namespace {

double residentMB() {
  QFile f(QStringLiteral("/proc/self/statm"));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  const QList<QByteArray> parts = f.readAll().split(' ');
  return parts.size() > 1 ? parts[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024 * 1024) : 0;
}

// Cards of 1 KB RTF each, joined as the print command does (a form feed line
// between cards would give one page per card; a plain join fills the pages).
void join(qel::re::RichEditControl &e, int kilobytes) {
  QRandomGenerator rng(20261210);
  for (int i = 0; i < kilobytes; ++i) {
    e.setSel(e.textLength(), e.textLength());
    e.replaceSel(QStringLiteral("Card %1\r").arg(i));
    e.setSel(e.textLength(), e.textLength());
    e.streamIn(qel::bench::RandomRtfBody(rng, 1000), qel::re::SF_RTF | qel::re::SFF_SELECTION);
  }
}

void BM_PrintToPdf(benchmark::State &state) {
  qel::re::RichEditControl e;
  join(e, int(state.range(0)));
  const QString pdf = qel::bench::BenchWorkDir("richprint") + QStringLiteral("out.pdf");
  qel::TPrinter printer;
  printer.setPdfFile(pdf);
  qel::TRichPrinter rp(&printer);
  rp.ShowProgress = false;
  int pages = 0;
  rp.OnEndDoc = [&](qel::TRichPrinter *p) { pages = p->PageNumber(); };
  double growth = 0;
  for (auto _ : state) {
    const double before = residentMB();
    rp.Print(e, 1);
    growth = residentMB() - before;
  }
  state.counters["pages"] = pages;
  state.counters["rss_growth_MB"] = growth;
  state.counters["pdf_MB"] = double(QFile(pdf).size()) / (1024 * 1024);
}
BENCHMARK(BM_PrintToPdf)->Arg(256)->Arg(1024)->Arg(1600)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
