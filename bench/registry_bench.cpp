// The settings store: a full save and load of the settings object (each save
// locks, re-reads, writes and syncs the store), and parsing a large store.
#include "platform/registry.h"
#include "settings/options.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

void BM_OptionsSaveAndLoad(benchmark::State &state) {
  QTemporaryDir dir;
  ::setenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()).constData(), 1);
  qel::tOptions options;
  for (auto _ : state) {
    options.SaveToRegistry();
    qel::tOptions loaded;
    benchmark::DoNotOptimize(loaded.LoadFromRegistry());
  }
}
BENCHMARK(BM_OptionsSaveAndLoad)->Unit(benchmark::kMillisecond);

void BM_ParseStore(benchmark::State &state) {
  QByteArray text = "Windows Registry Editor Version 5.00\n\n";
  for (int k = 0; k < state.range(0); ++k) {
    text += "[HKEY_CURRENT_USER\\Software\\Qel Moravine\\ToolBars\\Toolbar" + QByteArray::number(k) + "]\n";
    for (int v = 0; v < 10; ++v)
      text += "\"Value" + QByteArray::number(v) + "\"=\"" + QByteArray::number(k * v) + "\"\n";
    text += "\n";
  }
  for (auto _ : state) {
    qel::RegHiveData hive = qel::RegHiveData::parse(text, "HKEY_CURRENT_USER");
    benchmark::DoNotOptimize(hive.serialize());
  }
  state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_ParseStore)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
