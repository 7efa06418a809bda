// Packing and unpacking a 10 MB installer payload through the PMCS10 stream.
// Goals: unpack within 0.2 s, pack within 1 s.

#include "setup/compressstream.h"

#include <QBuffer>
#include <QFile>
#include <benchmark/benchmark.h>

namespace {

// 10 MB of the built program (real machine code and data), repeated as needed.
const QByteArray &payload() {
  static QByteArray data = [] {
    QFile f(QStringLiteral(QEL_PROGRAM_DIR "/qel-moravine"));
    QByteArray d = f.open(QIODevice::ReadOnly) ? f.read(10 << 20) : QByteArray();
    if (d.isEmpty()) d = QByteArray("payload ");
    while (d.size() < (10 << 20)) d += d;
    d.truncate(10 << 20);
    return d;
  }();
  return data;
}

QByteArray pack(const QByteArray &data) {
  QBuffer src, dst;
  src.setData(data);
  src.open(QIODevice::ReadOnly);
  dst.open(QIODevice::ReadWrite);
  qel::TCompressStream().PackStream(src, dst, data.size());
  return dst.data();
}

void BM_Pack(benchmark::State &state) {
  const QByteArray &data = payload();
  for (auto _ : state) benchmark::DoNotOptimize(pack(data));
  state.SetBytesProcessed(state.iterations() * data.size());
}
BENCHMARK(BM_Pack)->Unit(benchmark::kMillisecond);

void BM_Unpack(benchmark::State &state) {
  const QByteArray stream = pack(payload());
  for (auto _ : state) {
    QBuffer src, dst;
    src.setData(stream);
    src.open(QIODevice::ReadOnly);
    dst.open(QIODevice::WriteOnly);
    qel::TCompressStream().UnpackStream(src, dst);
    benchmark::DoNotOptimize(dst.data());
  }
  state.SetBytesProcessed(state.iterations() * payload().size());
}
BENCHMARK(BM_Unpack)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
