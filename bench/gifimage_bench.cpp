// Encoding and decoding a 4000 x 3000 8-bit GIF (target: within 0.5 s each),
// for a picture of short runs and noise and for a blank one (the longest
// strings the encoder meets).
#include "richedit/gifimage.h"

#include <QImage>
#include <benchmark/benchmark.h>

namespace {

const QImage &picture() {
  static const QImage img = [] {
    QImage i(4000, 3000, QImage::Format_Indexed8);
    QVector<QRgb> table;
    for (int c = 0; c < 256; ++c) table.append(qRgb(c, 255 - c, (c * 7) & 255));
    i.setColorTable(table);
    quint32 seed = 12345;
    for (int y = 0; y < i.height(); ++y)
      for (int x = 0; x < i.width(); ++x) {
        seed = seed * 1103515245u + 12345u;
        i.scanLine(y)[x] = uchar((x / 16 + y / 12 + ((seed >> 16) & 3)) & 255);
      }
    return i;
  }();
  return img;
}

const QImage &blank() {
  static const QImage img = [] {
    QImage i(4000, 3000, QImage::Format_Indexed8);
    i.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    i.fill(0);
    return i;
  }();
  return img;
}

QByteArray encoded(const QImage &image = picture()) {
  qel::TGIFImage gif;
  gif.AddFrame(image);
  return gif.SaveToData();
}

void BM_GifEncode(benchmark::State &state) {
  for (auto _ : state) benchmark::DoNotOptimize(encoded());
}
BENCHMARK(BM_GifEncode)->Unit(benchmark::kMillisecond);

void BM_GifEncodeBlank(benchmark::State &state) {
  for (auto _ : state) benchmark::DoNotOptimize(encoded(blank()));
}
BENCHMARK(BM_GifEncodeBlank)->Unit(benchmark::kMillisecond);

void BM_GifDecode(benchmark::State &state) {
  const QByteArray gif = encoded();
  for (auto _ : state) {
    qel::TGIFImage image;
    image.LoadFromData(gif);
    benchmark::DoNotOptimize(image.bitmap());
  }
}
BENCHMARK(BM_GifDecode)->Unit(benchmark::kMillisecond);

void BM_GifDecodeBlank(benchmark::State &state) {
  const QByteArray gif = encoded(blank());
  for (auto _ : state) {
    qel::TGIFImage image;
    image.LoadFromData(gif);
    benchmark::DoNotOptimize(image.bitmap());
  }
}
BENCHMARK(BM_GifDecodeBlank)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
