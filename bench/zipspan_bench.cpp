// Splitting a 100 MB archive into a set of numbered volumes and joining the
// set back, each against `cp` of the same bytes, side by side in the same
// iteration (ratio = ours / cp).

#include "zip/ziparchiver.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

using namespace qel;

namespace {

constexpr qint64 kDataSize = 100ll << 20;

QString workDir() {
  static QString dir = [] {
    QString d = QDir::tempPath() + "/qel-zipspan-bench-" + QString::number(getpid());
    QDir().mkpath(d);
    return d;
  }();
  return dir;
}

// A 100 MB archive of ten stored entries of random bytes.
const QString &archive() {
  static QString path = [] {
    using namespace zipfmt;
    QString p = workDir() + "/whole.zip";
    QFile f(p);
    if (!f.open(QIODevice::WriteOnly)) return p;
    QRandomGenerator rng(20261210);
    std::vector<unsigned char> dir;
    for (int i = 0; i < 10; ++i) {
      QByteArray data(kDataSize / 10, Qt::Uninitialized);
      rng.fillRange(reinterpret_cast<quint32 *>(data.data()), data.size() / 4);
      const QByteArray name = "part" + QByteArray::number(i) + ".bin";
      LocalHeader lh;
      lh.crc = crc32Of(data.constData(), std::size_t(data.size()));
      lh.compressedSize = lh.uncompressedSize = std::uint32_t(data.size());
      lh.nameLength = std::uint16_t(name.size());
      CentralHeader ch;
      ch.versionMadeBy = (3 << 8) | 20;
      ch.versionNeeded = 10;
      ch.crc = lh.crc;
      ch.compressedSize = ch.uncompressedSize = lh.compressedSize;
      ch.nameLength = lh.nameLength;
      ch.localHeaderOffset = std::uint32_t(f.pos());
      std::vector<unsigned char> head;
      lh.write(head);
      f.write(reinterpret_cast<const char *>(head.data()), qint64(head.size()));
      f.write(name);
      f.write(data);
      ch.write(dir);
      dir.insert(dir.end(), name.begin(), name.end());
    }
    EndRecord er;
    er.entriesOnDisk = er.totalEntries = 10;
    er.directorySize = std::uint32_t(dir.size());
    er.directoryOffset = std::uint32_t(f.pos());
    er.write(dir);
    f.write(reinterpret_cast<const char *>(dir.data()), qint64(dir.size()));
    return p;
  }();
  return path;
}

double cp(const QString &from, const QString &to) {
  std::string a = QFile::encodeName(from).toStdString(), b = QFile::encodeName(to).toStdString();
  std::vector<char *> argv{const_cast<char *>("cp"), a.data(), b.data(), nullptr};
  auto t0 = std::chrono::steady_clock::now();
  pid_t pid = 0;
  int status = -1;
  if (posix_spawnp(&pid, "cp", nullptr, nullptr, argv.data(), environ) == 0) waitpid(pid, &status, 0);
  auto t1 = std::chrono::steady_clock::now();
  return status == 0 ? std::chrono::duration<double>(t1 - t0).count() : -1;
}

void report(benchmark::State &state, const char *what, double ours, double theirs) {
  state.SetIterationTime(ours);
  state.counters["ours_s"] = ours;
  state.counters["cp_s"] = theirs;
  state.counters["ratio"] = theirs > 0 ? ours / theirs : 0;
  std::printf("%s: ours %.3f s, cp %.3f s, ratio %.3f\n", what, ours, theirs, theirs > 0 ? ours / theirs : 0.0);
}

QString freshSet() {
  const QString d = workDir() + "/set";
  QDir(d).removeRecursively();
  QDir().mkpath(d);
  return d;
}

void BM_SplitVsCp(benchmark::State &state) {
  const QString whole = archive();
  for (auto _ : state) {
    const QString set = freshSet();
    TZipArchiver zip;
    zip.Unattended = true;
    zip.MaxVolumeSize = 10ll << 20;
    auto t0 = std::chrono::steady_clock::now();
    const int r = zip.WriteSpan(whole, set + "/s.zip");
    auto t1 = std::chrono::steady_clock::now();
    if (r != 0) {
      state.SkipWithError("split failed");
      return;
    }
    report(state, "split", std::chrono::duration<double>(t1 - t0).count(), cp(whole, workDir() + "/copy.zip"));
  }
}
BENCHMARK(BM_SplitVsCp)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_JoinVsCp(benchmark::State &state) {
  const QString whole = archive();
  const QString set = freshSet();
  TZipArchiver zip;
  zip.Unattended = true;
  zip.MaxVolumeSize = 10ll << 20;
  if (zip.WriteSpan(whole, set + "/s.zip") != 0) {
    state.SkipWithError("split failed");
    return;
  }
  const QString last = set + "/" + QDir(set).entryList(QDir::Files, QDir::Name).last();
  for (auto _ : state) {
    QFile::remove(workDir() + "/joined.zip");
    QString out = workDir() + "/joined.zip";
    auto t0 = std::chrono::steady_clock::now();
    const int r = zip.ReadSpan(last, out);
    auto t1 = std::chrono::steady_clock::now();
    if (r != 0) {
      state.SkipWithError("join failed");
      return;
    }
    report(state, "join", std::chrono::duration<double>(t1 - t0).count(), cp(whole, workDir() + "/copy.zip"));
  }
}
BENCHMARK(BM_JoinVsCp)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  QDir(workDir()).removeRecursively();
  return 0;
}
