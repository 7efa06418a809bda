// Opening a font list of a few hundred names again after the first time:
// measuring every row (each name in its own face, the fonts and their
// metrics kept from the first opening) and painting the 16 shown rows with
// their scroll bar into an image (target: well within a 16 ms frame):
//   thmfontlist_bench
#include "bench/offscreenmain.h"
#include "app/formattingbar.h"
#include "toolbars/core/thmlistviewer.h"
#include "toolbars/paint/thmlistpaint.h"
#include "toolbars/paint/thmlists.h"
#include "toolbars/qt/tbwidgethost.h"

#include <benchmark/benchmark.h>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <vector>

namespace {

using namespace qel::toolbars;

// The installed families, made up to 400 names with more that fall back to a default face.
QStringList FontNames() {
  QStringList names = QFontDatabase::families();
  for (int i = 0; names.size() < 400; ++i)
    names << QStringLiteral("Font Family %1").arg(i);
  return names;
}

struct TFontRow {
  QFont Font;
  int Width = 0;
  int Height = 0;
};

void BM_ReopenFontList(benchmark::State &state) {
  const QStringList names = FontNames();
  // What the first opening leaves behind: each name's font and measure.
  std::vector<TFontRow> rows;
  for (const QString &name : names) {
    TFontRow row{QFont(name, 10), 0, 0};
    const QFontMetrics metrics(row.Font);
    row.Width = ListRowWidth(metrics.horizontalAdvance(name), 0, true);
    row.Height = metrics.height() + 2;
    rows.push_back(row);
  }
  QImage image(260, 16 * 24, QImage::Format_ARGB32);
  for (auto _ : state) {
    TThmListViewerLogic viewer;
    TThmListMeasureInput input;
    input.Count = int(rows.size());
    input.TextHeight = 14;
    input.MaxVisibleItems = 16;
    input.RowWidth = [&](int i) { return rows[i].Width; };
    input.MeasureHeight = [](int &height) { height = std::max(height, 22); };
    const QSize size = viewer.Measure(input);
    viewer.Start(int(rows.size()) / 2);
    viewer.SetClientRect(QRect(QPoint(0, 0), size));
    QPainter painter(&image);
    TPainterCanvas canvas(painter);
    for (int i = viewer.Offset(); i < viewer.Offset() + viewer.VisibleRows(); ++i) {
      canvas.SetFont(rows[i].Font);
      TThmListRowPaint row;
      row.Rect = viewer.RowRect(i);
      row.Text = names[i];
      row.Hover = i == viewer.HoverIndex();
      PaintListRow(canvas, row);
    }
    PaintScrollBar(canvas, *viewer.ScrollBar());
    painter.end();
    benchmark::DoNotOptimize(image.constBits());
  }
  state.counters["rows"] = double(rows.size());
}
BENCHMARK(BM_ReopenFontList)->Unit(benchmark::kMillisecond);

// The same through the items the font box is made of: the string list with
// the font box's rows in a popup view, made anew (every row measured, the
// chosen one scrolled into view) and painted.
class TBenchHost : public TTbrViewHost {
public:
  const TTbrTextMeasure &Measure() const override { return TextMeasure; }
  int ViewTypeQuery() const override { return vt::ListPopup; }
  TTbrQtTextMeasure TextMeasure;
};

void BM_ReopenFontListItem(benchmark::State &state) {
  StartThemedItems();
  TThmSubmenuItem combo;
  auto *list = new TThmStringList;
  list->SetStrings(FontNames());
  list->SetMaxVisibleItems(16);
  combo.Add(list);
  qel::TFontNameRows rows;
  rows.Attach(list);
  list->SetItemIndex(int(list->GetCount()) / 2);
  TBenchHost host;
  QImage image(400, 16 * 30, QImage::Format_ARGB32);
  const auto open = [&] {
    TTbrView view(&host, nullptr, &combo, false);
    view.ValidatePositions();
    TTbrItemViewer *viewer = view.Find(list);
    QPainter painter(&image);
    TPainterCanvas canvas(painter);
    canvas.SetFont(host.TextMeasure.Font());
    viewer->Paint(canvas, viewer->BoundsRect, true, false, false);
  };
  open(); // the first opening makes the faces
  for (auto _ : state) {
    open();
    benchmark::DoNotOptimize(image.constBits());
  }
  state.counters["rows"] = double(list->GetCount());
}
BENCHMARK(BM_ReopenFontListItem)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) { return qel::bench::RunBenchmarksOffscreen<QGuiApplication>(argc, argv); }
