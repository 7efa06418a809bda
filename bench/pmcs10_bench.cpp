// Packing and unpacking a 10 MB installer payload through the PMCS10 stream.
// Goals: unpack within 0.2 s, pack within 1 s. Checking the installer's form
// data (every component's checksum) before reading it adds little to that.

#include "setup/compressstream.h"
#include "setup/payload.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
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

// The form the installer carries: the payload compressed and stored.
void BM_CheckForm(benchmark::State &state) {
  QTemporaryDir dir;
  QFile f(dir.filePath(QStringLiteral("payload.bin")));
  if (!f.open(QIODevice::WriteOnly) || f.write(payload()) != payload().size()) {
    state.SkipWithError("cannot write the payload");
    return;
  }
  f.close();
  qel::TFileSource packed(QStringLiteral("fs_packed")), stored(QStringLiteral("fs_stored"));
  packed.SetFileName(f.fileName());
  packed.DisplayLabel = QStringLiteral("packed");
  packed.SetCompress(true);
  stored.SetFileName(f.fileName());
  stored.DisplayLabel = QStringLiteral("stored");
  stored.SetStore(true);
  const QByteArray form = qel::TPayloadForm::Write({&packed, &stored});
  for (auto _ : state) benchmark::DoNotOptimize(qel::TPayloadForm(form).Components().size());
  state.SetBytesProcessed(state.iterations() * form.size());
}
BENCHMARK(BM_CheckForm)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
