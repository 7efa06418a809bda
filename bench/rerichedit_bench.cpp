// The card editor control: a card switch in a shown editor (load a 1 KB RTF
// body with links, lay it out, paint it), joining cards into one control the
// way printing and export do, and paginating the joined text.
//   rerichedit_bench
// Targets: a card switch well below 5 ms; joining and paginating grow
// linearly with the number of cards.

#include "bench/offscreenmain.h"
#include "bench/cardgen.h"
#include "richedit/rerichedit.h"

#include <QApplication>
#include <QPainter>
#include <QPicture>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

std::vector<QByteArray> bodies(int count) {
  QRandomGenerator rng(20261210);
  std::vector<QByteArray> out;
  for (int i = 0; i < count; ++i) {
    QByteArray b = qel::bench::RandomRtfBody(rng, 1000);
    // A link in every body, as cards often hold one.
    b.insert(b.lastIndexOf('}'), " see www.example.org/card\\par ");
    out.push_back(b);
  }
  return out;
}

void BM_ShownCardSwitch(benchmark::State &state) {
  qel::TReRichEdit e;
  e.resize(600, 400);
  e.show();
  const std::vector<QByteArray> b = bodies(100);
  size_t i = 0;
  for (auto _ : state) {
    e.Lines().LoadFromBytes(b[i++ % b.size()]);
    e.viewport()->repaint();
    QApplication::processEvents();
  }
}
BENCHMARK(BM_ShownCardSwitch)->Unit(benchmark::kMicrosecond);

// Joins n cards: a bold title in the pending format, then the body.
void joinCards(qel::TReRichEdit &e, const std::vector<QByteArray> &b, int n) {
  e.Clear();
  qel::re::CharFormat bold;
  bold.mask = qel::re::CFM_BOLD;
  bold.effects = qel::re::CFE_BOLD;
  qel::re::CharFormat plain = bold;
  plain.effects = 0;
  for (int i = 0; i < n; ++i) {
    e.setSel(-1, -1);
    e.setSel(e.textLength(), e.textLength());
    e.setCharFormat(bold, qel::re::SCF_SELECTION);
    e.replaceSel(QStringLiteral("Card %1\r").arg(i));
    e.setSel(e.textLength(), e.textLength());
    e.setCharFormat(plain, qel::re::SCF_SELECTION);
    e.streamIn(b[size_t(i) % b.size()], qel::re::SF_RTF | qel::re::SFF_SELECTION);
  }
}

void BM_JoinCards(benchmark::State &state) {
  qel::TReRichEdit e;
  const std::vector<QByteArray> b = bodies(100);
  for (auto _ : state) joinCards(e, b, int(state.range(0)));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_JoinCards)->Arg(250)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->Complexity();

void BM_Paginate(benchmark::State &state) {
  qel::TReRichEdit e;
  joinCards(e, bodies(100), int(state.range(0)));
  const QRect page(0, 0, 12240, 15840);
  const QRect text(1440, 1440, 9360, 12960);
  for (auto _ : state) {
    int start = 0, pages = 0;
    const int len = e.textLength();
    while (start < len) {
      // One picture per page, as the preview keeps them.
      QPicture pic;
      QPainter p(&pic);
      const int next = e.formatRange(&p, text, page, start, -1, true);
      p.end();
      if (next <= start) break;
      start = next;
      ++pages;
    }
    e.freeFormatRangeCache();
    state.counters["pages"] = pages;
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Paginate)->Arg(250)->Arg(1000)->Unit(benchmark::kMillisecond)->Complexity();

} // namespace

int main(int argc, char **argv) { return qel::bench::RunBenchmarksOffscreen<QApplication>(argc, argv); }
