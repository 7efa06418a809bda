// Laying out a dock of five toolbars (target: well under 0.1 ms), with room
// to spare and squeezed so that the chevron toolbars shrink and wrap:
//   tbdocklayout_bench
#include "toolbars/core/tbdocklayout.h"

#include <benchmark/benchmark.h>

#include <QList>

namespace {

using namespace qel::toolbars;

QList<TTbrDockMember> FiveToolbars() {
  QList<TTbrDockMember> members;
  for (int i = 0; i < 5; ++i) {
    TTbrDockMember m;
    m.DockRow = i == 0 ? 0 : 1 + i / 3;
    m.DockPos = i == 0 ? 0 : (i % 3) * 180;
    m.FullSize = i == 0; // the menu bar
    m.BaseSize = QSize(150 + 20 * i, 22);
    m.FrameSize = QSize(10, 4);
    m.ShrinkMode = i == 0 ? tbsmWrap : tbsmChevron;
    m.MinimumLength = 40;
    members.append(m);
  }
  return members;
}

void BM_DockLayout(benchmark::State &state) {
  const QList<TTbrDockMember> members = FiveToolbars();
  TTbrDockLayoutParams p;
  p.AvailableLength = int(state.range(0));
  p.MeasureShrunk = [&](int member, int) { return members[member].BaseSize; };
  for (auto _ : state)
    benchmark::DoNotOptimize(ArrangeDockedWindows(members, p));
}
BENCHMARK(BM_DockLayout)->Arg(1200)->Arg(300)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
