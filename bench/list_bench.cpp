// The filter, the title list and the current card with QEL_BENCH_CARDS cards
// (default 100,000) of realistic titles and bodies of about
// QEL_BENCH_BODY_SIZE bytes (default 1,000, RTF) in a body file, in a shown
// main window:
//   list_bench
// The keystroke and card switch benchmarks are what the user feels: a real
// key event handed to the window as the window system hands it over
// (QTest::keyClick on the window), timed until the program is idle again,
// the list and editor repainted. Each reports the median of its runs.
// Run it under a window system (bench/run-all.sh uses Xvfb); without one it
// runs offscreen.
// Targets: one keystroke in the filter within 16 ms; Down in the list to the
// next card within 5 ms.

#include "app/mainstate.h"
#include "app/tf_main.h"
#include "bench/cardgen.h"
#include "cards/bodyfile.h"
#include "cards/cardfilter.h"
#include "cards/crd.h"
#include "platform/freedmemory.h"
#include "settings/options.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <vector>

#if QEL_HAVE_XCB && QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#define QEL_BENCH_X11 1
#endif

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
  double rssBefore = 0, rssAfterCards = 0, peakAfterCards = 0;
  std::vector<int> kilobyteCards;  // filtered indices of cards with bodies of about the typical size
};

World *world = nullptr;

// Until nothing is left to do: posted events, the repaint and its flush.
void idle() {
  QAbstractEventDispatcher *d = QAbstractEventDispatcher::instance();
  while (d->processEvents(QEventLoop::AllEvents)) {
  }
}

// Minor page faults of this process so far: a fresh large block faults once a
// page when first written, which on a virtual machine costs more than the work.
double pageFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_minflt);
}

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Notes when the title list has been painted after a key: the first time
// (the user sees the new list) and the longest wait between two of its
// paints from the key on (the longest frame while the list is laid out in
// batches).
class PaintWatch : public QObject {
public:
  QElapsedTimer clock;
  double first = -1, last = 0, longestGap = 0;
  void start() {
    first = -1;
    last = 0;
    longestGap = 0;
    clock.start();
  }
  bool eventFilter(QObject *o, QEvent *e) override {
    if (e->type() != QEvent::Paint || !clock.isValid()) return QObject::eventFilter(o, e);
    // Painted once this event is handled: measured behind it.
    static_cast<QWidget *>(o)->removeEventFilter(this);
    QApplication::sendEvent(o, e);
    static_cast<QWidget *>(o)->installEventFilter(this);
    const double now = double(clock.nsecsElapsed()) / 1e6;
    if (first < 0) first = now;
    longestGap = std::max(longestGap, now - last);
    last = now;
    return true;
  }
};
PaintWatch *paints = nullptr;

// Keys sent through the X server to the window (press and release, as a
// keyboard sends them), and a round trip to the server: once it answers, the
// server has drawn every image the program sent before.
class XServer {
public:
#if QEL_BENCH_X11
  bool open() {
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    connection_ = x11 ? x11->connection() : nullptr;
    if (!connection_) return false;
    const xcb_setup_t *setup = xcb_get_setup(connection_);
    root_ = xcb_setup_roots_iterator(setup).data->root;
    min_ = setup->min_keycode;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t *map =
        xcb_get_keyboard_mapping_reply(connection_, xcb_get_keyboard_mapping(connection_, min_, quint8(count)), nullptr);
    if (!map) return false;
    perCode_ = map->keysyms_per_keycode;
    const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(map);
    keysyms_.assign(syms, syms + xcb_get_keyboard_mapping_keysyms_length(map));
    std::free(map);
    return true;
  }
  bool send(QWindow *window, Qt::Key key) {
    const xcb_keycode_t code = keycode(keysymOf(key));
    if (!connection_ || !code) return false;
    for (const quint8 type : {quint8(XCB_KEY_PRESS), quint8(XCB_KEY_RELEASE)}) {
      xcb_key_press_event_t event{};
      event.response_type = type;
      event.detail = code;
      event.time = XCB_CURRENT_TIME;
      event.root = root_;
      event.event = xcb_window_t(window->winId());
      event.child = XCB_NONE;
      event.same_screen = 1;
      xcb_send_event(connection_, 0, event.event,
                     type == XCB_KEY_PRESS ? XCB_EVENT_MASK_KEY_PRESS : XCB_EVENT_MASK_KEY_RELEASE,
                     reinterpret_cast<const char *>(&event));
    }
    xcb_flush(connection_);
    return true;
  }
  void roundTrip() {
    if (connection_) std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
  }
  bool on() const { return connection_ != nullptr; }

private:
  static xcb_keysym_t keysymOf(Qt::Key key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return xcb_keysym_t('a' + (key - Qt::Key_A));
    switch (key) {
    case Qt::Key_Space: return 0x20;
    case Qt::Key_Backspace: return 0xff08;
    case Qt::Key_Escape: return 0xff1b;
    case Qt::Key_Up: return 0xff52;
    case Qt::Key_Down: return 0xff54;
    default: return 0;
    }
  }
  xcb_keycode_t keycode(xcb_keysym_t sym) const {
    for (size_t i = 0; sym && perCode_ && i < keysyms_.size(); i += perCode_)
      if (keysyms_[i] == sym) return xcb_keycode_t(min_ + i / perCode_);
    return 0;
  }
  xcb_connection_t *connection_ = nullptr;
  xcb_window_t root_ = 0;
  xcb_keycode_t min_ = 0;
  size_t perCode_ = 0;
  std::vector<xcb_keysym_t> keysyms_;
#else
  bool open() { return false; }
  bool send(QWindow *, Qt::Key) { return false; }
  void roundTrip() {}
  bool on() const { return false; }
#endif
};
XServer *xserver = nullptr;

// Notes when the pixels of the first repaint of the list after a key are on
// the screen: the window's repaint (painting every widget due, then handing
// the image to the window system) ends, and the X server has drawn it.
class PixelsWatch : public QObject {
public:
  QElapsedTimer clock;
  double first = -1;
  void start() {
    first = -1;
    clock.start();
  }
  bool eventFilter(QObject *o, QEvent *e) override {
    if (e->type() != QEvent::UpdateRequest || !clock.isValid()) return QObject::eventFilter(o, e);
    o->removeEventFilter(this);
    QCoreApplication::sendEvent(o, e);
    o->installEventFilter(this);
    if (first < 0 && paints && paints->first >= 0) {
      if (xserver) xserver->roundTrip();
      first = double(clock.nsecsElapsed()) / 1e6;
    }
    return true;
  }
};
PixelsWatch *pixels = nullptr;

// One key pressed and released on the main window, as the window system hands
// it over (the focus widget gets it, shortcuts first), until the program is
// idle again; milliseconds. Under X11 the key goes through the X server.
double keyToIdle(Qt::Key key) {
  QElapsedTimer t;
  t.start();
  if (paints) paints->start();
  if (pixels) pixels->start();
  const bool throughServer = xserver && xserver->send(world->window->windowHandle(), key);
  if (!throughServer) QTest::keyClick(world->window->windowHandle(), key);
  // The key comes back from the server: wait until its release was handled, then until the program is idle.
  if (throughServer) {
    struct Releases : QObject {
      bool seen = false;
      bool eventFilter(QObject *, QEvent *e) override {
        if (e->type() == QEvent::KeyRelease) seen = true;
        return false;
      }
    } releases;
    qApp->installEventFilter(&releases);
    while (!releases.seen && t.nsecsElapsed() < 2000000000LL)
      QAbstractEventDispatcher::instance()->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    qApp->removeEventFilter(&releases);
  }
  idle();
  if (xserver) xserver->roundTrip();
  return double(t.nsecsElapsed()) / 1e6;
}

void setFilter(const QString &text) {
  world->window->e_record->setText(text);
  idle();
}

void setRules(bool fromStart, bool whole) {
  AppOptions->FilterFromStart = fromStart;
  AppOptions->FilterWholeWords = whole;
}

void reportMedian(benchmark::State &state, std::vector<double> &ms) {
  state.counters["median_ms"] = median(ms);
  state.counters["max_ms"] = ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end());
  state.counters["cards"] = AllCards.Count();
}

// One keystroke in the filter: from `from`, the key `key` is typed in the
// filter edit (a letter, Backspace, or Esc which clears it), timed until the
// list, the status bar and the first card's body are repainted and the
// list's batched layout is done (median_ms), until the list is first
// repainted (first_repaint_median_ms: what the user sees), and the longest
// wait between two of the list's repaints (longest_frame_median_ms).
// Watches the list's paints and the window's repaints while it lives.
struct Watching {
  PaintWatch watch;
  PixelsWatch shown;
  QWidget *viewport = world->window->lw_List->viewport();
  Watching() {
    paints = &watch;
    pixels = &shown;
    viewport->installEventFilter(&watch);
    world->window->installEventFilter(&shown);
    world->window->windowHandle()->installEventFilter(&shown);
  }
  ~Watching() {
    viewport->removeEventFilter(&watch);
    world->window->removeEventFilter(&shown);
    world->window->windowHandle()->removeEventFilter(&shown);
    paints = nullptr;
    pixels = nullptr;
  }
};

void BM_FilterKeyToRepaint(benchmark::State &state, QString from, Qt::Key key, bool fromStart, bool whole) {
  setRules(fromStart, whole);
  std::vector<double> ms, firstPaint, firstPixels, frames;
  world->window->e_record->setFocus();
  Watching watching;
  for (auto _ : state) {
    state.PauseTiming();
    setFilter(from);
    world->window->e_record->end(false);
    state.ResumeTiming();
    ms.push_back(keyToIdle(key));
    if (watching.watch.first >= 0) firstPaint.push_back(watching.watch.first);
    if (watching.shown.first >= 0) firstPixels.push_back(watching.shown.first);
    frames.push_back(watching.watch.longestGap);
  }
  state.counters["filtered"] = FilteredCards.Count();
  state.counters["first_repaint_median_ms"] = median(firstPaint);
  state.counters["first_pixels_median_ms"] = median(firstPixels);
  state.counters["first_pixels_max_ms"] = firstPixels.empty() ? 0 : *std::max_element(firstPixels.begin(), firstPixels.end());
  state.counters["through_x_server"] = xserver && xserver->on();
  state.counters["longest_frame_median_ms"] = median(frames);
  reportMedian(state, ms);
  setRules(false, false);
  setFilter(QString());
}

// Every letter a-z typed into an empty filter, each timed from the key to the
// first pixels of the new list on the screen (first_pixels: through the X
// server under X11, else to the end of the window's repaint); then a
// two-letter sequence, "e" then "r", the second key timed. Reports the
// median of each letter over the runs, the slowest letter's median and the
// worst single time, and the most page faults a letter took (median): fresh
// blocks of memory fault once a page, slow on virtual machines.
void BM_FilterEveryLetter(benchmark::State &state) {
  setRules(false, false);
  world->window->e_record->setFocus();
  Watching watching;
  std::vector<std::vector<double>> letters(26), faults(26);
  std::vector<double> second, all;
  // The peak from here on: the kernel resets it to the present size.
  setFilter(QString());
  const double before = memoryMB("VmRSS:");
  {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly)) clear.write("5");
  }
  auto firstPixels = [&](Qt::Key key) {
    keyToIdle(key);
    const double ms = watching.shown.first >= 0 ? watching.shown.first : watching.watch.first;
    all.push_back(ms);
    return ms;
  };
  for (auto _ : state) {
    for (int l = 0; l < 26; ++l) {
      state.PauseTiming();
      setFilter(QString());
      const double faultsBefore = pageFaults();
      state.ResumeTiming();
      letters[size_t(l)].push_back(firstPixels(Qt::Key(Qt::Key_A + l)));
      faults[size_t(l)].push_back(pageFaults() - faultsBefore);
    }
    state.PauseTiming();
    setFilter(QString());
    state.ResumeTiming();
    firstPixels(Qt::Key_E);
    second.push_back(firstPixels(Qt::Key_R));
  }
  double worst = 0, sum = 0, mostFaults = 0;
  char worstLetter = '?';
  for (int l = 0; l < 26; ++l) {
    const double m = median(letters[size_t(l)]);
    state.counters[std::string("letter_") + char('a' + l) + "_ms"] = m;
    mostFaults = std::max(mostFaults, median(faults[size_t(l)]));
    sum += m;
    if (m > worst) {
      worst = m;
      worstLetter = char('a' + l);
    }
  }
  state.counters["slowest_letter_median_ms"] = worst;
  state.counters["page_faults_most_of_a_letter"] = mostFaults;
  state.counters["slowest_letter"] = worstLetter;  // as its character code
  state.counters["letters_mean_of_medians_ms"] = sum / 26;
  state.counters["second_letter_er_median_ms"] = median(second);
  state.counters["worst_single_ms"] = all.empty() ? 0 : *std::max_element(all.begin(), all.end());
  state.counters["through_x_server"] = xserver && xserver->on();
  state.counters["cards"] = AllCards.Count();
  state.counters["rss_before_filtering_MB"] = before;
  state.counters["peak_rss_while_filtering_MB"] = memoryMB("VmHWM:");
  state.counters["rss_after_filtering_MB"] = memoryMB("VmRSS:");
  state.counters["growth_while_filtering_MB"] = memoryMB("VmHWM:") - before;
  setFilter(QString());
}
BENCHMARK(BM_FilterEveryLetter)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(BM_FilterKeyToRepaint, first_letter, QString(), Qt::Key_M, false, false)
    ->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK_CAPTURE(BM_FilterKeyToRepaint, narrowing, QStringLiteral("ann"), Qt::Key_A, false, false)
    ->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK_CAPTURE(BM_FilterKeyToRepaint, widening_backspace, QStringLiteral("anna"), Qt::Key_Backspace, false, false)
    ->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK_CAPTURE(BM_FilterKeyToRepaint, esc_to_all_cards, QStringLiteral("anna k"), Qt::Key_Escape, false, false)
    ->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK_CAPTURE(BM_FilterKeyToRepaint, from_start, QStringLiteral("m"), Qt::Key_E, true, false)
    ->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK_CAPTURE(BM_FilterKeyToRepaint, whole_words, QStringLiteral("ann"), Qt::Key_A, false, true)
    ->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK_CAPTURE(BM_FilterKeyToRepaint, whole_words_from_start, QStringLiteral("notes"), Qt::Key_Space, true, true)
    ->Unit(benchmark::kMillisecond)->MinTime(1);

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

// Down in the title list, from one card to the next, timed until the editor
// shows the next card's body and list, header and status bar are repainted.
// The presses walk down the list from a few places, as a user holding the key
// would (every screenful of rows one press scrolls the list).
void BM_DownKeyToRepaint(benchmark::State &state) {
  setFilter(QString());
  world->window->lw_List->setFocus();
  std::vector<double> ms;
  int walked = 0;
  size_t start = 0;
  for (auto _ : state) {
    if (walked++ % 100 == 0) {
      state.PauseTiming();
      world->window->SelectCard(world->kilobyteCards[start++ % world->kilobyteCards.size()]);
      idle();
      state.ResumeTiming();
    }
    ms.push_back(keyToIdle(Qt::Key_Down));
  }
  reportMedian(state, ms);
}
BENCHMARK(BM_DownKeyToRepaint)->Unit(benchmark::kMicrosecond)->MinTime(1);

// The same with an edit pending: the shown body is written back first.
void BM_DownKeyStoringEdit(benchmark::State &state) {
  setFilter(QString());
  world->window->lw_List->setFocus();
  std::vector<double> ms;
  int walked = 0;
  size_t start = 0;
  for (auto _ : state) {
    if (walked++ % 100 == 0) {
      state.PauseTiming();
      world->window->SelectCard(world->kilobyteCards[start++ % world->kilobyteCards.size()]);
      idle();
      state.ResumeTiming();
    }
    CardBodyChanged = true;
    ms.push_back(keyToIdle(Qt::Key_Down));
  }
  reportMedian(state, ms);
}
BENCHMARK(BM_DownKeyStoringEdit)->Unit(benchmark::kMicrosecond)->MinTime(1);

void BM_Memory(benchmark::State &state) {
  for (auto _ : state) benchmark::DoNotOptimize(memoryMB("VmRSS:"));
  // The cards were made in this process: its peak includes the generator's
  // own bodies. The open program's memory is measured by program_bench.
  state.counters["cards"] = AllCards.Count();
  state.counters["rss_empty_window_MB"] = world->rssBefore;
  state.counters["rss_with_cards_MB"] = world->rssAfterCards;
  state.counters["rss_now_MB"] = memoryMB("VmRSS:");
  state.counters["peak_rss_with_generator_MB"] = world->peakAfterCards;
}
BENCHMARK(BM_Memory)->Iterations(1);

} // namespace

int main(int argc, char **argv) {
  QTemporaryDir home;
  for (const char *v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "TMPDIR"}) qputenv(v, home.path().toLocal8Bit());
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // As the program does at its start (its memory while filtering is measured here).
  KeepLargeBlocksApart();
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);

  World w;
  world = &w;
  w.window = std::make_unique<Tf_Main>();
  w.window->resize(1000, 700);
  w.window->show();
  w.window->activateWindow();
  if (!QTest::qWaitForWindowExposed(w.window.get())) std::fprintf(stderr, "list_bench: the window was not shown\n");
  idle();
  w.rssBefore = memoryMB("VmRSS:");

  CurrentFileName = home.path() + QStringLiteral("/bench.qel");
  ResetBodyFile();
  bench::CardGenOptions options;
  bench::GenerateCards(AllCards, options, &CurrentBodyFile());
  w.window->RefilterCards();
  idle();
  w.rssAfterCards = memoryMB("VmRSS:");
  w.peakAfterCards = memoryMB("VmHWM:");
  for (int i = 0; i < FilteredCards.Count() && w.kilobyteCards.size() < 200; i += 397) {
    const qint32 siz = FilteredCards.Objects(i)->SIZ;
    if (siz >= options.bodySize * 9 / 10 && siz <= options.bodySize * 11 / 10) w.kilobyteCards.push_back(i);
  }
  if (w.kilobyteCards.empty()) w.kilobyteCards.push_back(0);

  XServer x;
  if (x.open()) xserver = &x;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  xserver = nullptr;
  w.window.reset();
  FilteredCards.Clear();
  ClearCards(AllCards);
  return 0;
}
