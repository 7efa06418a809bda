// Find and replace across 100,000 cards with ~1 KB RTF bodies (and a few of
// 1 MB) in a body file, in a shown main window:
//   find_bench
// Targets: a find whose only hit is in the last card within 0.3 s; Replace All
// with 1,000 hits spread over the cards within 3 s, progress window shown.

#include "app/dlg_find.h"
#include "app/mainstate.h"
#include "app/tf_main.h"
#include "bench/benchutil.h"
#include "bench/cardgen.h"
#include "cards/bodyfile.h"
#include "cards/cardfile.h"
#include "cards/crd.h"
#include "platform/richedit/richeditcontrol.h"
#include "platform/uiservices.h"
#include "zip/ziparchiver.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

using namespace qel;

// Answers every question with No and every message with OK, and counts them.
class Answers : public QtUiServices {
public:
  int messageBox(const QString &text, const QString &, unsigned flags) override {
    last = text;
    ++count;
    return (flags & MB_BUTTONMASK) == MB_YESNO ? IDNO : IDOK;
  }
  QString last;
  int count = 0;
};

struct World {
  std::unique_ptr<Tf_Main> window;
  Answers answers;
  std::vector<TCrd *> replaceCards;  // the cards that hold the replace word
  QString archive;                   // the same cards saved, for unzip -p
};
World *world = nullptr;

void settle() { QApplication::processEvents(); }

// A card's body as RTF holding its old text and `word`.
void storeWithWord(TCrd *card, const QString &word) {
  re::RichEditControl editor;
  editor.streamIn(card->BodyText(), re::SF_RTF);
  editor.setSel(editor.textLength(), -1);
  editor.replaceSel(QStringLiteral(" ") + word + QStringLiteral(" "));
  card->StoreBodyBytes(editor.streamOut(re::SF_RTF));
}

void BM_FindOnlyHitInLastCard(benchmark::State &state) {
  Tf_Main &w = *world->window;
  QElapsedTimer t;
  double ms = 0;
  bool found = true;
  for (auto _ : state) {
    t.start();
    w.a_CardFindExecute();
    w.dlgFind->e_Find->setText(QStringLiteral("zqxjvlast"));
    w.dlgFindFind();
    settle();
    ms += t.nsecsElapsed() / 1e6;
    found = found && w.CurrentCardIndex() == FilteredCards.Count() - 1 && w.m_Card->selText() == "zqxjvlast";
  }
  state.counters["ms_per_find"] = ms / double(state.iterations());
  state.counters["found_in_last_card"] = found;
  state.counters["questions"] = world->answers.count;
}
BENCHMARK(BM_FindOnlyHitInLastCard)->Unit(benchmark::kMillisecond)->Iterations(3);

// Replace All against `unzip -p` of an archive of the same cards (the
// entries read whole, as Replace All reads every body).
void BM_ReplaceAll1000Hits(benchmark::State &state) {
  Tf_Main &w = *world->window;
  QElapsedTimer t;
  double ms = 0;
  bool all = true;
  bench::RatioTimes times;
  for (auto _ : state) {
    state.PauseTiming();
    for (TCrd *card : world->replaceCards) storeWithWord(card, QStringLiteral("qqreplaceqq"));
    world->answers.last.clear();
    state.ResumeTiming();
    t.start();
    w.a_CardReplaceExecute();
    w.dlgReplace->e_Find->setText(QStringLiteral("qqreplaceqq"));
    w.dlgReplace->e_Replace->setText(QStringLiteral("qqdoneqq"));
    w.dlgReplaceReplaceAll();
    settle();
    const double ours = double(t.nsecsElapsed()) / 1e9;
    ms += ours * 1e3;
    all = all && world->answers.last == QStringLiteral("%1 replacements has made.").arg(world->replaceCards.size());
    state.PauseTiming();
    const bench::ChildRun tool = bench::RunChild(QStringLiteral("unzip"), {QStringLiteral("-p"), world->archive});
    if (!tool.ok) {
      state.SkipWithError("unzip -p failed");
      break;
    }
    times.add(ours, tool.seconds);
    state.ResumeTiming();
  }
  state.counters["ms_per_replace_all"] = ms / double(state.iterations());
  state.counters["all_replaced"] = all;
  times.report(state, "unzip_p");
}
BENCHMARK(BM_ReplaceAll1000Hits)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv) {
  QTemporaryDir home;
  for (const char *v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "TMPDIR"}) qputenv(v, home.path().toLocal8Bit());
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);

  World w;
  world = &w;
  setUiServices(&w.answers);
  w.window = std::make_unique<Tf_Main>();
  w.window->resize(1000, 700);
  w.window->show();
  settle();

  CurrentFileName = home.path() + QStringLiteral("/bench.qel");
  ResetBodyFile();
  bench::CardGenOptions options;  // 100,000 cards, ~1 KB RTF bodies, a few big ones
  bench::GenerateCards(AllCards, options, &CurrentBodyFile());
  w.window->RefilterCards();
  settle();
  storeWithWord(FilteredCards.Objects(FilteredCards.Count() - 1), QStringLiteral("zqxjvlast"));
  const int step = qMax(1, FilteredCards.Count() / 1000);
  for (int i = step / 2; i < FilteredCards.Count() && w.replaceCards.size() < 1000; i += step)
    w.replaceCards.push_back(FilteredCards.Objects(i));
  {
    // A copy of the cards as a card file, for the tool; the open file stays as it is.
    w.archive = home.path() + QStringLiteral("/reference/cards.qel");
    QDir().mkpath(QFileInfo(w.archive).path());
    const QString bodyCopy = home.path() + QStringLiteral("/reference/body.~h");
    QFile::copy(CurrentBodyFileName(), bodyCopy);
    TBodyFile body(bodyCopy);
    TCrdList copy;
    for (int i = 0; i < AllCards.Count(); ++i) copy.AddCrd(std::make_shared<TCrd>(*AllCards.Objects(i)));
    TZipArchiver zip;
    zip.SetDLLDirectory(QStringLiteral(QEL_PROGRAM_DIR));
    SaveCardsArchive(copy, body, w.archive, zip);
  }

  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  w.window.reset();
  setUiServices(nullptr);
  FilteredCards.Clear();
  ClearCards(AllCards);
  return 0;
}
