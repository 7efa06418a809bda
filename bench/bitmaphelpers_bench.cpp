// Reducing a 4000 x 3000 24-bit photograph-like image to 8 bits (target: within 1 s each).
#include "richedit/bitmaphelpers.h"

#include <QImage>
#include <benchmark/benchmark.h>

namespace {

const QImage &photo() {
  static const QImage img = [] {
    QImage i(4000, 3000, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < i.height(); ++y) {
      QRgb *row = reinterpret_cast<QRgb *>(i.scanLine(y));
      for (int x = 0; x < i.width(); ++x) {
        seed = seed * 1103515245u + 12345u;
        const int n = int((seed >> 16) & 15);
        row[x] = qRgb((x / 16 + n) & 255, (y / 12 + n) & 255, ((x + y) / 28 + n) & 255);
      }
    }
    return i;
  }();
  return img;
}

void BM_Reduce(benchmark::State &state) {
  const auto method = qel::TColorReduction(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(qel::ReduceBitmapColors(photo(), 8, method));
}
BENCHMARK(BM_Reduce)->Arg(qel::rmHistogram)->Arg(qel::rmMedianCut)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
