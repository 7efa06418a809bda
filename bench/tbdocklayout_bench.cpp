// Laying out a dock of five toolbars (target: well under 0.1 ms), with room
// to spare and squeezed so that the chevron toolbars shrink and wrap; and a
// form of docked toolbars resized and painted (target: each step within a
// frame, 16 ms):
//   tbdocklayout_bench
#include "bench/offscreenmain.h"
#include "toolbars/core/tbdocklayout.h"

#include "toolbars/qt/tbdock.h"
#include "toolbars/qt/tbtoolbar.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QList>
#include <QPixmap>

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

// The form of the docked window program: a menu bar, three chevron toolbars
// and two more docks; each step resizes the form (alternately narrow and
// wide) and paints it.
void BM_ResizeAndPaintDockedForm(benchmark::State &state) {
  TTbrDockFrame form;
  form.SetCentralWidget(new QWidget);
  auto bar = [&](TTbrDock *dock, int row, int pos, int count) {
    auto *b = new TTbrCustomToolbar(&form);
    for (int i = 0; i < count; ++i)
    {
      auto *item = new TTbrCustomItem;
      item->SetCaption(QStringLiteral("Item %1").arg(i));
      b->Items()->Add(item);
    }
    b->SetDockRow(row);
    b->SetDockPos(pos);
    b->SetCurrentDock(dock);
    return b;
  };
  bar(form.DockTop(), 0, 0, 8)->SetMenuBar(true);
  for (int i = 0; i < 3; ++i)
    bar(form.DockTop(), 1, i * 300, 8);
  bar(form.DockBottom(), 0, 0, 4);
  bar(form.DockRight(), 0, 0, 4);
  form.resize(1000, 600);
  form.show();
  QApplication::processEvents();
  QPixmap target(1000, 600);
  bool narrow = false;
  for (auto _ : state) {
    narrow = !narrow;
    form.resize(narrow ? 450 : 1000, 600);
    form.render(&target);
  }
}
BENCHMARK(BM_ResizeAndPaintDockedForm)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) { return qel::bench::RunBenchmarksOffscreen<QApplication>(argc, argv); }
