// The rich printer: a joined text of about 1 MB of RTF (some 300 pages)
// paginated and printed to a PDF file, with the pages and the growth of the
// resident memory during the run as counters.
//   richprint_bench
// Targets: 1 MB (and the 1.6 MB that make some 300 pages) within 5 s; the
// memory growth does not follow the page count (compare the runs).
// The preview of the same text: its first page shows within 1 s of the
// command (first_page_ms), and paging forward takes under 100 ms a page.

#include "bench/offscreenmain.h"
#include "bench/benchutil.h"
#include "bench/cardgen.h"
#include "platform/richedit/formatrecords.h"
#include "platform/richedit/richeditcontrol.h"
#include "print/richpreview.h"
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

void BM_Preview(benchmark::State &state) {
  qel::re::RichEditControl e;
  join(e, int(state.range(0)));
  qel::TPrinter printer;
  printer.setPdfFile(qel::bench::BenchWorkDir("richpreview") + QStringLiteral("out.pdf"));
  qel::TRichPrinter rp(&printer);
  rp.ShowProgress = false;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    double firstPage = -1;
    // The second page starts once the first one is stored and shown.
    rp.OnNewPage = [&](qel::TRichPrinter *p) {
      if (p->PageNumber() == 2 && firstPage < 0) firstPage = qel::bench::SecondsSince(start);
    };
    qel::TRichPreviewForm *form = rp.Preview(e);
    const double built = qel::bench::SecondsSince(start);
    if (!form) {
      state.SkipWithError("no preview");
      return;
    }
    const int pages = form->store().count();
    const auto paging = std::chrono::steady_clock::now();
    const int steps = std::min(pages - 1, 50);
    for (int i = 0; i < steps; ++i) form->nextPage();
    state.counters["pages"] = pages;
    state.counters["first_page_ms"] = firstPage * 1000;
    state.counters["built_ms"] = built * 1000;
    state.counters["page_forward_ms"] = steps > 0 ? qel::bench::SecondsSince(paging) * 1000 / steps : 0;
    form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}
BENCHMARK(BM_Preview)->Arg(1600)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv) { return qel::bench::RunBenchmarksOffscreen<QApplication>(argc, argv); }
