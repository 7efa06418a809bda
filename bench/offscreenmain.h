#pragma once
// The main of a benchmark that needs a Qt application but no screen: Qt's
// offscreen platform unless the one running it chose another.

#include <QByteArray>
#include <QtGlobal>

#include <benchmark/benchmark.h>

namespace qel::bench {

template <class TApplication> int RunBenchmarksOffscreen(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  TApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

} // namespace qel::bench
