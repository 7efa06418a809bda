// The ZIP engines against the command-line tools on the same 100 MB of card
// bodies, side by side: adding at level 9 against `zip -9`, extracting against
// `unzip`. Each pair runs in the same iteration and reports both times and
// their ratio (ours / theirs).

#include "bench/cardgen.h"
#include "zip/format/zipdllabi.h"

#include <QDir>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

using namespace qel::zipabi;

namespace {

constexpr std::size_t kDataSize = 100u << 20;

std::string workDir() {
  static std::string dir = [] {
    std::string d = QDir::tempPath().toStdString() + "/qel-zipengine-bench-" + std::to_string(getpid());
    QDir().mkpath(QString::fromStdString(d));
    return d;
  }();
  return dir;
}

// 100 MB of RTF card bodies in one file, as the card store's body file holds them.
const std::string &bodyFile() {
  static std::string path = [] {
    std::string p = workDir() + "/cards.~h";
    QRandomGenerator rng(20261210);
    FILE *f = std::fopen(p.c_str(), "wb");
    std::size_t written = 0;
    while (f && written < kDataSize) {
      QByteArray body = qel::bench::RandomRtfBody(rng, 600 + int(rng.bounded(1200)));
      written += std::fwrite(body.constData(), 1, std::size_t(body.size()), f);
    }
    if (f) std::fclose(f);
    return p;
  }();
  return path;
}

double runTool(std::vector<std::string> args) {
  std::vector<char *> argv;
  for (std::string &a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  auto t0 = std::chrono::steady_clock::now();
  pid_t pid = 0;
  int status = -1;
  if (posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ) == 0) waitpid(pid, &status, 0);
  auto t1 = std::chrono::steady_clock::now();
  posix_spawn_file_actions_destroy(&fa);
  if (status != 0) return -1;
  return std::chrono::duration<double>(t1 - t0).count();
}

struct Engines {
  ZipDllExecFunc zip = nullptr;
  UnzDllExecFunc unz = nullptr;
};

const Engines &engines() {
  static Engines e = [] {
    Engines x;
    if (void *z = dlopen(QEL_PROGRAM_DIR "/libzipdll.so", RTLD_NOW))
      x.zip = reinterpret_cast<ZipDllExecFunc>(dlsym(z, kZipDllExecName));
    if (void *u = dlopen(QEL_PROGRAM_DIR "/libunzdll.so", RTLD_NOW))
      x.unz = reinterpret_cast<UnzDllExecFunc>(dlsym(u, kUnzDllExecName));
    return x;
  }();
  return e;
}

double ourAdd(const std::string &archive) {
  unlink(archive.c_str());
  ZipAddFileEntry file{};
  file.fileSpec = bodyFile().c_str();
  ZipAddParams p{};
  p.level = 9;
  p.junkDirNames = kTrue;
  p.noDirEntries = kTrue;
  p.grow = kTrue;
  p.quiet = kTrue;
  p.archive = archive.c_str();
  p.fileCount = 1;
  p.files = &file;
  p.seven = kRecordSeven;
  auto t0 = std::chrono::steady_clock::now();
  int n = engines().zip(&p);
  auto t1 = std::chrono::steady_clock::now();
  return n == 1 ? std::chrono::duration<double>(t1 - t0).count() : -1;
}

double ourExtract(const std::string &archive, const std::string &dir) {
  UnzExtractParams p{};
  p.quiet = kTrue;
  p.overwrite = kTrue;
  p.archive = archive.c_str();
  p.targetDir = dir.c_str();
  p.seven = kRecordSeven;
  auto t0 = std::chrono::steady_clock::now();
  int n = engines().unz(&p);
  auto t1 = std::chrono::steady_clock::now();
  return n == 1 ? std::chrono::duration<double>(t1 - t0).count() : -1;
}

void report(benchmark::State &state, const char *what, double ours, double theirs) {
  state.SetIterationTime(ours);
  state.counters["ours_s"] = ours;
  state.counters["tool_s"] = theirs;
  state.counters["ratio"] = theirs > 0 ? ours / theirs : 0;
  std::printf("%s: ours %.3f s, tool %.3f s, ratio %.3f\n", what, ours, theirs, theirs > 0 ? ours / theirs : 0.0);
}

void BM_AddLevel9VsZip(benchmark::State &state) {
  if (!engines().zip) {
    state.SkipWithError("libzipdll.so not built");
    return;
  }
  const std::string ours = workDir() + "/ours.zip", theirs = workDir() + "/tool.zip";
  bodyFile();
  for (auto _ : state) {
    double a = ourAdd(ours);
    unlink(theirs.c_str());
    double b = runTool({"zip", "-q", "-9", "-j", theirs, bodyFile()});
    if (a < 0 || b < 0) {
      state.SkipWithError("adding failed");
      return;
    }
    report(state, "add 100 MB at level 9 vs zip -9", a, b);
  }
  state.SetBytesProcessed(state.iterations() * std::int64_t(kDataSize));
}

void BM_ExtractVsUnzip(benchmark::State &state) {
  if (!engines().unz) {
    state.SkipWithError("libunzdll.so not built");
    return;
  }
  const std::string archive = workDir() + "/tool.zip";
  if (access(archive.c_str(), R_OK) != 0) runTool({"zip", "-q", "-9", "-j", archive, bodyFile()});
  const std::string oursDir = workDir() + "/out-ours", theirsDir = workDir() + "/out-tool";
  for (auto _ : state) {
    double a = ourExtract(archive, oursDir);
    double b = runTool({"unzip", "-qq", "-o", archive, "-d", theirsDir});
    if (a < 0 || b < 0) {
      state.SkipWithError("extracting failed");
      return;
    }
    report(state, "extract 100 MB vs unzip", a, b);
  }
  state.SetBytesProcessed(state.iterations() * std::int64_t(kDataSize));
}

} // namespace

BENCHMARK(BM_AddLevel9VsZip)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExtractVsUnzip)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  QDir(QString::fromStdString(workDir())).removeRecursively();
  return 0;
}
