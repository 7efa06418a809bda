// RTF writer throughput and the cost of one card switch in the editor (load a
// body, save it again) on typical 1 KB card bodies.
//   rtfwriter_bench
// Targets: writing well above the reader's document load speed (20 MB/s); a
// card switch far below 5 ms; a 1 MB body written at 150 MB/s or more
// (BM_WriteRtf1MB, with BM_ReadRtf1MB beside it for the reader's speed).

#include "bench/offscreenmain.h"
#include "bench/cardgen.h"
#include "platform/richedit/richeditcontrol.h"
#include "platform/richedit/rtfreader.h"
#include "platform/richedit/rtfwriter.h"
#include "richedit/richeditstrings.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

std::vector<QByteArray> bodies(int count) {
  QRandomGenerator rng(20261210);
  std::vector<QByteArray> out;
  for (int i = 0; i < count; ++i) out.push_back(qel::bench::RandomRtfBody(rng, 1000));
  return out;
}

void BM_WriteRtf(benchmark::State &state) {
  std::vector<std::unique_ptr<QTextDocument>> docs;
  for (const QByteArray &b : bodies(1000)) {
    docs.push_back(std::make_unique<QTextDocument>());
    qel::re::readRtf(b, docs.back().get());
  }
  qint64 bytes = 0;
  for (auto _ : state) {
    for (const auto &d : docs) {
      const QByteArray out = qel::re::writeRtf(*d);
      bytes += out.size();
      benchmark::DoNotOptimize(out.constData());
    }
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_WriteRtf)->Unit(benchmark::kMillisecond);

QByteArray bigBody() {
  QRandomGenerator rng(20261210);
  return qel::bench::RandomRtfBody(rng, 1 << 20);
}

void BM_WriteRtf1MB(benchmark::State &state) {
  QTextDocument doc;
  qel::re::readRtf(bigBody(), &doc);
  qint64 bytes = 0;
  for (auto _ : state) {
    const QByteArray out = qel::re::writeRtf(doc);
    bytes += out.size();
    benchmark::DoNotOptimize(out.constData());
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_WriteRtf1MB)->Unit(benchmark::kMillisecond);

void BM_ReadRtf1MB(benchmark::State &state) {
  const QByteArray body = bigBody();
  qint64 bytes = 0;
  for (auto _ : state) {
    QTextDocument doc;
    qel::re::readRtf(body, &doc);
    bytes += body.size();
    benchmark::DoNotOptimize(doc.characterCount());
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_ReadRtf1MB)->Unit(benchmark::kMillisecond);

void BM_CardSwitch(benchmark::State &state) {
  qel::re::RichEditControl::setRtfReader(
      [](const QByteArray &rtf, QTextCursor &c) { return qel::re::insertRtf(rtf, c); },
      [](const QByteArray &rtf, QTextDocument *d) { return qel::re::readRtf(rtf, d); });
  qel::re::RichEditControl control;
  qel::TRichEditStrings lines(control);
  const std::vector<QByteArray> b = bodies(100);
  size_t i = 0;
  for (auto _ : state) {
    lines.LoadFromBytes(b[i++ % b.size()]);
    const QByteArray out = lines.SaveToBytes();
    benchmark::DoNotOptimize(out.constData());
  }
}
BENCHMARK(BM_CardSwitch)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv) { return qel::bench::RunBenchmarksOffscreen<QApplication>(argc, argv); }
