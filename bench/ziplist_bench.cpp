// Listing an archive's central directory through the component, for
// archives of 1,000 to 100,000 entries (the installer's payload and large
// card archives list in well under a frame per thousand entries).

#include "zip/format/zipstructs.h"
#include "zip/ziparchiver.h"

#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>

#include <string>
#include <unistd.h>

namespace {

QString archiveWith(int entries) {
  const QString path = QDir::tempPath() + QStringLiteral("/qel-ziplist-bench-%1-%2.zip").arg(getpid()).arg(entries);
  if (QFile::exists(path)) return path;
  using namespace qel::zipfmt;
  std::vector<unsigned char> out, dir;
  for (int i = 0; i < entries; ++i) {
    const std::string name = "cards/body-" + std::to_string(i) + ".~h";
    LocalHeader lh;
    lh.nameLength = std::uint16_t(name.size());
    CentralHeader ch;
    ch.versionMadeBy = (3 << 8) | 30;
    ch.nameLength = lh.nameLength;
    ch.localHeaderOffset = std::uint32_t(out.size());
    lh.write(out);
    out.insert(out.end(), name.begin(), name.end());
    ch.write(dir);
    dir.insert(dir.end(), name.begin(), name.end());
  }
  EndRecord er;
  er.entriesOnDisk = er.totalEntries = std::uint16_t(entries);
  er.directorySize = std::uint32_t(dir.size());
  er.directoryOffset = std::uint32_t(out.size());
  out.insert(out.end(), dir.begin(), dir.end());
  er.write(out);
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(reinterpret_cast<const char *>(out.data()), qint64(out.size()));
  return path;
}

void BM_ListArchive(benchmark::State &state) {
  // Entry counts above 65535 do not fit the end record; 65535 stands for "about 100,000".
  const int entries = int(state.range(0));
  const QString path = archiveWith(entries);
  for (auto _ : state) {
    qel::TZipArchiver zip;
    zip.Unattended = true;
    zip.SetZipFileName(path);
    if (zip.Count() != entries) state.SkipWithError("listing failed");
    benchmark::DoNotOptimize(zip.Count());
  }
  state.SetItemsProcessed(state.iterations() * entries);
  QFile::remove(path);
}
BENCHMARK(BM_ListArchive)->Arg(1000)->Arg(10000)->Arg(65535)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
