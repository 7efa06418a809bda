// RTF reader throughput on typical card bodies: about 1 KB each, as the
// Windows control writes them (font and colour tables, a few bold, italic and
// coloured runs, accented letters as \'hh, several paragraphs).
//   rtf_bench                      all benchmarks
// Targets: plain text >= 100 MB/s, document load >= 20 MB/s.

#include "bench/offscreenmain.h"
#include "platform/richedit/rtfreader.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

std::vector<QByteArray> makeBodies(int count) {
  static const char *const words[] = {
      "card", "index", "telephone", "address", "meeting", "Monday", "notes", "the", "of", "and", "to",
      "caf\\'e9", "r\\'e9sum\\'e9", "stra\\'dfe", "M\\'fcller", "project", "deadline", "invoice", "call",
      "back", "tomorrow", "price", "order", "delivery", "street", "city", "number", "remember", "paid"};
  std::mt19937 rng(12345);
  auto pick = [&](int n) { return int(rng() % unsigned(n)); };
  std::vector<QByteArray> bodies;
  bodies.reserve(size_t(count));
  for (int c = 0; c < count; ++c) {
    QByteArray b =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
        "{\\f1\\froman\\fprq2\\fcharset0 Times New Roman;}{\\f2\\fnil\\fcharset2 Symbol;}}\r\n"
        "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\r\n"
        "\\viewkind4\\uc1\\pard\\f0\\fs20 ";
    int sinceBreak = 0;
    while (b.size() < 1000) {
      const int kind = pick(24);
      const char *w = words[pick(int(sizeof words / sizeof *words))];
      if (kind == 0) b += "\\b " + QByteArray(w) + "\\b0  ";
      else if (kind == 1) b += "\\i " + QByteArray(w) + "\\i0  ";
      else if (kind == 2) b += "\\cf1 " + QByteArray(w) + "\\cf0  ";
      else if (kind == 3) b += "\\f1\\fs24 " + QByteArray(w) + "\\f0\\fs20  ";
      else b += QByteArray(w) + ' ';
      sinceBreak += int(qstrlen(w)) + 1;
      if (sinceBreak > 160) {
        b += "\\par\r\n";
        sinceBreak = 0;
      }
    }
    b += "\\par\r\n}\r\n";
    bodies.push_back(b);
  }
  return bodies;
}

const std::vector<QByteArray> &bodies() {
  static const std::vector<QByteArray> b = makeBodies(1000);
  return b;
}

void BM_RtfToPlainText(benchmark::State &state) {
  const auto &all = bodies();
  qint64 bytes = 0;
  QString text;
  for (auto _ : state) {
    for (const QByteArray &body : all) {
      qel::re::rtfToPlainText(body, text);
      benchmark::DoNotOptimize(text.constData());
      bytes += body.size();
    }
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_RtfToPlainText)->Unit(benchmark::kMillisecond);

void BM_RtfLoadDocument(benchmark::State &state) {
  const auto &all = bodies();
  qint64 bytes = 0;
  QTextDocument doc;
  for (auto _ : state) {
    for (const QByteArray &body : all) {
      qel::re::readRtf(body, &doc);
      benchmark::DoNotOptimize(doc.characterCount());
      bytes += body.size();
    }
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_RtfLoadDocument)->Unit(benchmark::kMillisecond);

void BM_RtfLoadFreshDocument(benchmark::State &state) {
  const auto &all = bodies();
  qint64 bytes = 0;
  for (auto _ : state) {
    for (const QByteArray &body : all) {
      QTextDocument doc;
      qel::re::readRtf(body, &doc);
      benchmark::DoNotOptimize(doc.characterCount());
      bytes += body.size();
    }
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_RtfLoadFreshDocument)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) { return qel::bench::RunBenchmarksOffscreen<QGuiApplication>(argc, argv); }
