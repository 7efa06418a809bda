// A themed menu of 30 entries opened from its menu bar button to a painted
// popup: the popup made, measured, laid out, placed, shown and painted
// whole into an image, then closed (target: within one frame, 16 ms):
//   thmpopup_bench
#include "bench/offscreenmain.h"
#include "toolbars/qt/thmwindows.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>

namespace {

using namespace qel::toolbars;

void BM_ThemedMenu30EntriesOpensPainted(benchmark::State &state) {
  TThmToolbar toolbar;
  toolbar.SetMenuBar(true);
  auto *menu = new TThmSubmenuItem;
  menu->SetCaption("&Edit");
  toolbar.Items()->Add(menu);
  for (int i = 0; i < 30; ++i) {
    if (i % 8 == 7) {
      menu->Add(new TThmSeparatorItem);
      continue;
    }
    auto *entry = new TThmItem;
    entry->SetCaption(QStringLiteral("Entry &%1 of the menu").arg(i));
    entry->SetShortCut(i < 12 ? MakeShortCut(Qt::Key_A + i, Qt::ControlModifier) : 0);
    entry->SetChecked(i % 5 == 2);
    entry->SetEnabled(i % 7 != 6);
    menu->Add(entry);
  }
  toolbar.setGeometry(50, 50, 300, 24);
  toolbar.show();
  QApplication::processEvents();
  TTbrView *bar = toolbar.View();
  bar->ValidatePositions();
  TTbrItemViewer *opener = bar->Find(menu);
  for (auto _ : state) {
    TTbrPopupWindow *popup = OpenPopupWindow(menu, bar, opener, false, true, false, QPoint(), tbpaLeft);
    QImage image(popup->size(), QImage::Format_ARGB32_Premultiplied);
    popup->render(&image);
    benchmark::DoNotOptimize(image.bits());
    delete popup;
  }
}
BENCHMARK(BM_ThemedMenu30EntriesOpensPainted)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) { return qel::bench::RunBenchmarksOffscreen<QApplication>(argc, argv); }
