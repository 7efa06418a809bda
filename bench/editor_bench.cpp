// The editor's formatting path in a shown main window:
//   editor_bench
// Targets: the selection-change handler, toolbar state included, within 2 ms
// on a 200 KB card; select all and bold on a 1 MB card within 150 ms.

#include "app/mainstate.h"
#include "app/tf_main.h"
#include "cards/bodyfile.h"
#include "cards/crd.h"
#include "platform/uiservices.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace qel;

std::unique_ptr<Tf_Main> window;

// An RTF body of about `bytes` bytes: paragraphs of mixed formatting.
QByteArray richBody(qsizetype bytes) {
  QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}{\\colortbl;\\red200\\green0\\blue0;}\\f0\\fs20 ";
  int i = 0;
  while (rtf.size() < bytes) {
    rtf += "Paragraph " + QByteArray::number(i) + " with \\b bold\\b0 , \\i italic\\i0 , \\cf1 red\\cf0  and "
           "\\f1 fixed\\f0  words, then plain text to fill the line somewhat further.\\par ";
    ++i;
  }
  return rtf + "}";
}

void showBody(const QByteArray &body) {
  window->m_Card->streamIn(body, re::SF_RTF);
  window->m_Card->setFocus();
  QApplication::processEvents();
}

void BM_SelectionChange200KB(benchmark::State &state) {
  showBody(richBody(200 * 1024));
  TReRichEdit &e = *window->m_Card;
  const int length = e.textLength();
  int at = 0;
  QElapsedTimer t;
  double ms = 0;
  for (auto _ : state) {
    at = (at + 7919) % (length - 40);
    e.setSel(at, at + 30);  // a selection across formatting runs
    t.start();
    window->m_card2SelectionChange();
    ms += t.nsecsElapsed() / 1e6;
  }
  state.counters["ms_per_change"] = ms / double(state.iterations());
}
BENCHMARK(BM_SelectionChange200KB)->Unit(benchmark::kMicrosecond)->Iterations(200);

void BM_SelectAllBold1MB(benchmark::State &state) {
  const QByteArray body = richBody(1024 * 1024);
  QElapsedTimer t;
  double ms = 0;
  QAction *bold = window->actions()[QStringLiteral("a_Bold")];
  for (auto _ : state) {
    state.PauseTiming();
    showBody(body);
    bold->setChecked(false);
    state.ResumeTiming();
    t.start();
    window->a_SelectAllCardExecute();
    bold->trigger();
    ms += t.nsecsElapsed() / 1e6;
  }
  state.counters["ms_per_select_all_bold"] = ms / double(state.iterations());
}
BENCHMARK(BM_SelectAllBold1MB)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv) {
  QTemporaryDir home;
  for (const char *v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "TMPDIR"}) qputenv(v, home.path().toLocal8Bit());
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  QtUiServices quiet;
  window = std::make_unique<Tf_Main>();
  window->resize(1000, 700);
  window->show();
  CurrentFileName = home.path() + QStringLiteral("/bench.qel");
  ResetBodyFile();
  auto card = NewCrd();
  card->Title = QStringLiteral("card");
  card->StoreBodyBytes(QByteArray());
  AllCards.AddCrd(card);
  window->RefilterCards();
  QApplication::processEvents();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  window.reset();
  FilteredCards.Clear();
  ClearCards(AllCards);
  return 0;
}
