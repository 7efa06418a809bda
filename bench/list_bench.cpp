// The filter, the title list and the current card with 100,000 cards of
// realistic titles and ~1 KB RTF bodies in a body file, in a shown main window:
//   list_bench
// Targets: one keystroke in the filter, from the key to the updated list and
// status bar, within 16 ms; switching to a card with a 1 KB body within 5 ms;
// the whole program with those cards open well under 200 MB.

#include "app/mainstate.h"
#include "app/tf_main.h"
#include "bench/cardgen.h"
#include "cards/bodyfile.h"
#include "cards/cardfilter.h"
#include "cards/crd.h"
#include "settings/options.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

using namespace qel;

// Resident and peak memory of this process in MB.
double memoryMB(const char *field) {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray &line : f.readAll().split('\n'))
    if (line.startsWith(field)) return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toDouble() / 1024.0;
  return -1;
}

struct World {
  std::unique_ptr<Tf_Main> window;
  double rssBefore = 0, rssAfterCards = 0;
  std::vector<int> kilobyteCards;  // filtered indices of cards with bodies of about 1 KB
};

World *world = nullptr;

void settle() { QApplication::processEvents(); }

void setFilter(const QString &text) {
  world->window->e_record->setText(text);
  settle();
}

void setRules(bool fromStart, bool whole) {
  AppOptions->FilterFromStart = fromStart;
  AppOptions->FilterWholeWords = whole;
}

// One keystroke: the filter goes from `from` to `to` (the key), timed until the
// list is laid out and painted and the status bar is updated.
void BM_FilterKeystroke(benchmark::State &state, QString from, QString to, bool fromStart, bool whole) {
  setRules(fromStart, whole);
  QElapsedTimer t;
  double refilter = 0, paint = 0;
  for (auto _ : state) {
    state.PauseTiming();
    setFilter(from);
    state.ResumeTiming();
    t.start();
    world->window->e_record->setText(to);
    refilter += t.nsecsElapsed() / 1e6;
    t.start();
    settle();
    paint += t.nsecsElapsed() / 1e6;
  }
  state.counters["filtered"] = FilteredCards.Count();
  // Where the time goes: the refilter with the first card shown, then layout and painting.
  state.counters["refilter_ms"] = refilter / double(state.iterations());
  state.counters["paint_ms"] = paint / double(state.iterations());
  setRules(false, false);
  setFilter(QString());
}
BENCHMARK_CAPTURE(BM_FilterKeystroke, first_letter, QString(), QStringLiteral("m"), false, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FilterKeystroke, narrowing, QStringLiteral("ann"), QStringLiteral("anna"), false, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FilterKeystroke, widening_backspace, QStringLiteral("anna"), QStringLiteral("ann"), false, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FilterKeystroke, clear_to_all_cards, QStringLiteral("anna k"), QString(), false, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FilterKeystroke, from_start, QStringLiteral("m"), QStringLiteral("me"), true, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FilterKeystroke, whole_words, QStringLiteral("ann"), QStringLiteral("anna"), false, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FilterKeystroke, whole_words_from_start, QStringLiteral("notes"), QStringLiteral("notes "), true, true)
    ->Unit(benchmark::kMillisecond);

// The filter alone, without the window: what the keystroke costs in the card store.
void BM_FilterOnly(benchmark::State &state) {
  TCardFilter filter;
  TCrdList out;
  filter.Apply(AllCards, QString(), {}, TListOrder::ByTitle, out);
  // Two filters in turn, neither inside the other, so every call scans all titles.
  const QStringList texts = state.range(0) == 2 ? QStringList{QString(), QString()} : QStringList{"ann", "nna"};
  int i = 0;
  for (auto _ : state) filter.Apply(AllCards, texts[i++ & 1], {false, state.range(0) == 1}, TListOrder::ByTitle, out);
  state.counters["filtered"] = out.Count();
}
// 0: a substring, 1: a whole word (both scan every title), 2: no filter (every card).
BENCHMARK(BM_FilterOnly)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The first filter after a file was opened: titles upper-cased and sorted once.
void BM_FilterFirstTime(benchmark::State &state) {
  TCardFilter filter;
  TCrdList out;
  for (auto _ : state) {
    state.PauseTiming();
    filter.Invalidate();
    state.ResumeTiming();
    filter.Apply(AllCards, QString(), {}, TListOrder::ByTitle, out);
  }
}
BENCHMARK(BM_FilterFirstTime)->Unit(benchmark::kMillisecond);

// The first letter typed after a file was opened and shown unfiltered: the
// upper-cased titles are made then, once.
void BM_FilterFirstLetterAfterOpen(benchmark::State &state) {
  TCardFilter filter;
  TCrdList out;
  for (auto _ : state) {
    state.PauseTiming();
    filter.Invalidate();
    filter.Apply(AllCards, QString(), {}, TListOrder::ByTitle, out);
    state.ResumeTiming();
    filter.Apply(AllCards, QStringLiteral("m"), {}, TListOrder::ByTitle, out);
  }
  state.counters["filtered"] = out.Count();
}
BENCHMARK(BM_FilterFirstLetterAfterOpen)->Unit(benchmark::kMillisecond);

// The refilter after a card was added, then after it was renamed, then after
// it was deleted (three list changes per iteration): the new or changed title
// is placed into the kept order, nothing is sorted again.
void BM_FilterAfterCardChanges(benchmark::State &state) {
  TCardFilter filter;
  TCrdList out;
  filter.Apply(AllCards, QString(), {}, TListOrder::ByTitle, out);
  for (auto _ : state) {
    auto card = NewCrd();
    card->Title = QStringLiteral("Meeting notes Anna 2031");
    AllCards.AddCrd(card);
    filter.Apply(AllCards, QString(), {}, TListOrder::ByTitle, out);
    AllCards.SetString(AllCards.Count() - 1, QStringLiteral("Zz renamed"));
    filter.Apply(AllCards, QString(), {}, TListOrder::ByTitle, out);
    AllCards.Delete(AllCards.Count() - 1);
    filter.Apply(AllCards, QString(), {}, TListOrder::ByTitle, out);
  }
}
BENCHMARK(BM_FilterAfterCardChanges)->Unit(benchmark::kMillisecond);

// Selecting another card: the edited body of the shown card is not stored
// (nothing changed), the 1 KB body is read from the body file, streamed into
// the editor, painted, and header, buttons and status bar follow.
void BM_SwitchCard(benchmark::State &state) {
  setFilter(QString());
  size_t i = 0;
  QElapsedTimer t;
  double select = 0, paint = 0;
  for (auto _ : state) {
    t.start();
    world->window->SelectCard(world->kilobyteCards[i++ % world->kilobyteCards.size()]);
    select += t.nsecsElapsed() / 1e6;
    t.start();
    settle();
    paint += t.nsecsElapsed() / 1e6;
  }
  // Where the time goes: selecting and loading, then laying out and painting.
  state.counters["select_ms"] = select / double(state.iterations());
  state.counters["paint_ms"] = paint / double(state.iterations());
}
BENCHMARK(BM_SwitchCard)->Unit(benchmark::kMicrosecond);

// The same with an edit pending: the shown body is written back first.
void BM_SwitchCardStoringEdit(benchmark::State &state) {
  setFilter(QString());
  size_t i = 0;
  for (auto _ : state) {
    CardBodyChanged = true;
    world->window->SelectCard(world->kilobyteCards[i++ % world->kilobyteCards.size()]);
    settle();
  }
}
BENCHMARK(BM_SwitchCardStoringEdit)->Unit(benchmark::kMicrosecond);

void BM_Memory(benchmark::State &state) {
  for (auto _ : state) benchmark::DoNotOptimize(memoryMB("VmRSS:"));
  state.counters["rss_empty_window_MB"] = world->rssBefore;
  state.counters["rss_100k_cards_MB"] = world->rssAfterCards;
  state.counters["rss_now_MB"] = memoryMB("VmRSS:");
  state.counters["peak_rss_MB"] = memoryMB("VmHWM:");
}
BENCHMARK(BM_Memory)->Iterations(1);

} // namespace

int main(int argc, char **argv) {
  QTemporaryDir home;
  for (const char *v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "TMPDIR"}) qputenv(v, home.path().toLocal8Bit());
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);

  World w;
  world = &w;
  w.window = std::make_unique<Tf_Main>();
  w.window->resize(1000, 700);
  w.window->show();
  settle();
  w.rssBefore = memoryMB("VmRSS:");

  CurrentFileName = home.path() + QStringLiteral("/bench.qel");
  ResetBodyFile();
  bench::CardGenOptions options;  // 100,000 cards, ~1 KB RTF bodies, a few big ones
  bench::GenerateCards(AllCards, options, &CurrentBodyFile());
  w.window->RefilterCards();
  settle();
  w.rssAfterCards = memoryMB("VmRSS:");
  for (int i = 0; i < FilteredCards.Count() && w.kilobyteCards.size() < 200; i += 397) {
    const qint32 siz = FilteredCards.Objects(i)->SIZ;
    if (siz >= 900 && siz <= 1100) w.kilobyteCards.push_back(i);
  }
  if (w.kilobyteCards.empty()) w.kilobyteCards.push_back(0);

  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  w.window.reset();
  FilteredCards.Clear();
  ClearCards(AllCards);
  return 0;
}
