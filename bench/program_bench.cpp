// The program against the tools it is built on, at QEL_BENCH_CARDS cards
// (default 100,000) with bodies of about QEL_BENCH_BODY_SIZE bytes (default
// 1,000, RTF) and QEL_BENCH_BIG_CARDS cards of 1 MB (default 5), written by the
// card file save (bench/cardgen_file.cpp):
//   - open as the user sees it: bin/qel-moravine started with the file until
//     its main window is on the screen with the titles, painted (the program
//     says so on standard output with QEL_EXIT_AFTER_STARTUP=1), against
//     `unzip -o` of the same file to disk; with the program's memory at that
//     moment, per card and against the size of the bodies, and the start-up
//     of a one-card file. Run it under a window system (bench/run-all.sh
//     uses Xvfb); without one it runs offscreen;
//   - the load of a protected file inside this process (extract, read the
//     index, install; no program start, no window) against a whole
//     `unzip -P -p` process: BM_LoadProtectedInProcessVsUnzipProcess;
//   - "convert all cards to plain text" against the same bytes through the
//     RTF-to-text path alone;
//   - save on exit: the file opened in the window, changed, and the window
//     closed with Yes to saving, against `zip -9` of the same two entries.
// Every comparison runs both sides in the same iteration; medians of at
// least five runs. Targets: open <= 1.5x unzip, RTF to text >= 100 MB/s,
// memory at 1,000,000 small cards <= 300 MB (also at its peak), save on
// exit <= 1.2x zip -9.

#include "app/filecommands.h"
#include "app/mainstate.h"
#include "app/tf_main.h"
#include "bench/benchutil.h"
#include "bench/cardgen.h"
#include "cards/bodyfile.h"
#include "cards/cardfile.h"
#include "cards/crd.h"
#include "platform/codepage.h"
#include "platform/richedit/rtfreader.h"
#include "platform/uiservices.h"
#include "richedit/rtfroutines.h"
#include "zip/ziparchiver.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>

using namespace qel;
using Clock = std::chrono::steady_clock;

namespace {

const QString kPassword = QStringLiteral("bench password");

struct Files {
  QString home;                 // private settings, runtime and temporary folder of the runs
  QString plain, secret, tiny;  // the card files
  qint64 bodyBytes = 0;
} files;

QString program() { return QStringLiteral(QEL_PROGRAM_DIR "/qel-moravine"); }

// The started programs keep their settings (the last file among them) in a
// home of their own, so the windows made in this process start empty.
QString childHome() { return files.home + QStringLiteral("/program"); }

QStringList childEnv() {
  QStringList env;
  for (const char *v : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "TMPDIR"})
    env << QString::fromLatin1(v) + QLatin1Char('=') + childHome();
  env << QStringLiteral("QEL_EXIT_AFTER_STARTUP=1");
  return env;
}

const QByteArray kShownLine = "qel-moravine: shown";

// The entries the program reads, by the tool, to standard output (thrown away).
bench::ChildRun unzipEntries(const QString &file, const QString &password = QString()) {
  QStringList args;
  if (!password.isEmpty()) args << QStringLiteral("-P") << password;
  args << QStringLiteral("-p") << file << QStringLiteral("cards.~i") << QStringLiteral("cards.~h");
  return bench::RunChild(QStringLiteral("unzip"), args);
}

// The whole file extracted by the tool to disk, as the program extracts it.
bench::ChildRun unzipToDisk(const QString &file) {
  const QString out = files.home + QStringLiteral("/unzipped");
  QDir(out).removeRecursively();
  const bench::ChildRun run =
      bench::RunChild(QStringLiteral("unzip"), {QStringLiteral("-o"), QStringLiteral("-q"), file, QStringLiteral("-d"), out});
  QDir(out).removeRecursively();
  return run;
}

// From the start of the program until its window with the file is shown.
void BM_OpenToWindowShownVsUnzipToDisk(benchmark::State &state) {
  bench::RatioTimes times;
  std::vector<double> tinyStarts, rss;
  double peak = 0;
  for (auto _ : state) {
    const bench::MarkedRun ours = bench::RunChildUntilLine(program(), {files.plain}, childEnv(), kShownLine);
    const bench::ChildRun tool = unzipToDisk(files.plain);
    const bench::MarkedRun tiny = bench::RunChildUntilLine(program(), {files.tiny}, childEnv(), kShownLine);
    if (!ours.ok || !tool.ok || !tiny.ok) {
      state.SkipWithError("the program or unzip failed");
      return;
    }
    times.add(ours.seconds, tool.seconds);
    rss.push_back(ours.rssMB);
    peak = qMax(peak, ours.peakRssMB);
    tinyStarts.push_back(tiny.seconds);
    state.SetIterationTime(ours.seconds);
  }
  times.report(state, "unzip");
  const double bodiesMB = double(files.bodyBytes) / (1 << 20);
  const double shownMB = bench::Median(rss);
  state.counters["cards"] = bench::DefaultCardCount();
  state.counters["one_card_start_median_s"] = bench::Median(tinyStarts);
  state.counters["rss_when_shown_MB"] = shownMB;
  state.counters["peak_rss_to_shown_MB"] = peak;
  state.counters["bodies_MB"] = bodiesMB;
  state.counters["card_file_MB"] = double(QFileInfo(files.plain).size()) / (1 << 20);
  state.counters["body_bytes_per_card"] = double(files.bodyBytes) / bench::DefaultCardCount();
  state.counters["rss_over_bodies"] = bodiesMB > 0 ? shownMB / bodiesMB : 0;
  state.counters["rss_bytes_per_card"] = shownMB * (1 << 20) / bench::DefaultCardCount();
}
BENCHMARK(BM_OpenToWindowShownVsUnzipToDisk)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_LoadProtectedInProcessVsUnzipProcess(benchmark::State &state) {
  if (!QFileInfo::exists(files.secret)) {
    try {
      bench::WriteCardFile(files.secret, bench::CardGenOptions(), kPassword, QStringLiteral(QEL_PROGRAM_DIR));
    } catch (const std::exception &e) {
      state.SkipWithError(e.what());
      return;
    }
  }
  bench::RatioTimes times;
  for (auto _ : state) {
    const auto start = Clock::now();
    {
      TZipArchiver zip;
      zip.Unattended = true;
      zip.SetDLLDirectory(QStringLiteral(QEL_PROGRAM_DIR));
      zip.SetPassword(kPassword);
      const tQelfileSpec probed = ProbeCardsFile(files.secret, zip);
      TLoadedCardFile loaded;
      if (LoadVersion3File(probed, zip, loaded).status != LoadStatus::Loaded) {
        state.SkipWithError("open of the protected file failed");
        return;
      }
      InstallLoadedFile(loaded, files.secret);
    }
    const double ours = bench::SecondsSince(start);
    const bench::ChildRun tool = unzipEntries(files.secret, kPassword);
    if (!tool.ok) {
      state.SkipWithError("unzip -P failed");
      return;
    }
    times.add(ours, tool.seconds);
    state.SetIterationTime(ours);
  }
  if (AllCards.Count() != bench::DefaultCardCount()) state.SkipWithError("wrong card count after open");
  times.report(state, "unzip");
  ClearCards(AllCards);
  DeleteBodyFile();
}
BENCHMARK(BM_LoadProtectedInProcessVsUnzipProcess)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// The program's command over all cards (read, convert, encode, store each
// body, then the list is rebuilt) against the RTF-to-text path alone on the
// same bytes held in memory. The command's steps are timed on their own too:
// reading the bodies as lines, RTF lines to plain lines and their encoding,
// appending the results to a body file, and rebuilding the list; and reading
// and appending all bodies with one read and one write, for comparison.
void BM_ConvertAllToPlainText(benchmark::State &state) {
  Tf_Main window;
  window.resize(1000, 700);
  window.show();
  QApplication::processEvents();
  bench::RatioTimes times;
  double readTotal = 0, linesTotal = 0, storeTotal = 0, refilterTotal = 0, readOnceTotal = 0, storeOnceTotal = 0;
  qint64 rtfBytes = 0;
  for (auto _ : state) {
    ClearCards(AllCards);
    CurrentFileName = files.home + QStringLiteral("/convert.qel");
    ResetBodyFile();
    bench::CardGenOptions options;
    bench::GenerateCards(AllCards, options, &CurrentBodyFile());
    window.RefilterCards();
    QApplication::processEvents();
    QList<QByteArray> bodies;
    rtfBytes = 0;
    for (int i = 0; i < AllCards.Count(); ++i) {
      bodies.append(ReadBody(*AllCards.Objects(i), CurrentBodyFile()));
      rtfBytes += bodies.last().size();
    }
    // The command's steps one by one, to show where its time goes.
    auto start = Clock::now();
    QList<ByteLines> bodyLines;
    for (int i = 0; i < AllCards.Count(); ++i) bodyLines.append(AllCards.Objects(i)->BodyLines());
    readTotal += bench::SecondsSince(start);
    // The same bodies from one read of the whole body file.
    start = Clock::now();
    {
      const QByteArray all = CurrentBodyFile().read(0, qint32(CurrentBodyFile().size()));
      QList<ByteLines> sliced;
      for (int i = 0; i < AllCards.Count(); ++i) {
        const TCrd &c = *AllCards.Objects(i);
        sliced.append(SplitLines(all.mid(c.ADR, c.SIZ)));
      }
      benchmark::DoNotOptimize(sliced.size());
    }
    readOnceTotal += bench::SecondsSince(start);

    start = Clock::now();
    QString text;
    for (const QByteArray &b : bodies) {
      re::rtfToPlainText(b, text);
      benchmark::DoNotOptimize(text.constData());
    }
    const double reference = bench::SecondsSince(start);

    start = Clock::now();
    QStringList lines;
    QList<ByteLines> plainLines;
    for (const ByteLines &b : bodyLines) {
      RTFToPlainLines(b, lines);
      ByteLines bytes;
      for (const QString &line : lines) bytes.append(encodeLegacy(line));
      plainLines.append(bytes);
    }
    linesTotal += bench::SecondsSince(start);
    {
      TBodyFile scratch(files.home + QStringLiteral("/scratch.body"));
      scratch.reset();
      TCrd card;
      start = Clock::now();
      for (const ByteLines &b : plainLines) AppendBodyLines(card, scratch, b);
      storeTotal += bench::SecondsSince(start);
      scratch.reset();
      // The same bodies appended with one write.
      start = Clock::now();
      QByteArray joined;
      for (const ByteLines &b : plainLines) joined += JoinLines(b);
      AppendBody(card, scratch, joined);
      storeOnceTotal += bench::SecondsSince(start);
      scratch.remove();
    }
    start = Clock::now();
    window.RefilterCards();
    QApplication::processEvents();
    refilterTotal += bench::SecondsSince(start);

    start = Clock::now();
    window.ConvertAllToPlainText();
    QApplication::processEvents();
    const double ours = bench::SecondsSince(start);
    times.add(ours, reference);
    state.SetIterationTime(ours);
  }
  times.report(state, "rtf_to_text");
  const double mb = double(rtfBytes) / 1e6, n = double(state.iterations());
  state.counters["rtf_MB"] = mb;
  state.counters["ours_MB_per_s"] = mb / state.counters["ours_s"];
  state.counters["rtf_to_text_MB_per_s"] = mb / state.counters["rtf_to_text_s"];
  state.counters["rtf_lines_MB_per_s"] = linesTotal > 0 ? mb * n / linesTotal : 0;
  state.counters["step_read_s"] = readTotal / n;
  state.counters["step_convert_s"] = linesTotal / n;
  state.counters["step_store_s"] = storeTotal / n;
  state.counters["step_refilter_s"] = refilterTotal / n;
  state.counters["read_in_one_go_s"] = readOnceTotal / n;
  state.counters["store_in_one_go_s"] = storeOnceTotal / n;
  ClearCards(AllCards);
  DeleteBodyFile();
}
BENCHMARK(BM_ConvertAllToPlainText)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

// Answers the question whether to save the changes with Yes, and every
// other message with OK.
class SaveAnswers : public QtUiServices {
public:
  int messageBox(const QString &text, const QString &, unsigned flags) override {
    asked << text;
    return (flags & MB_BUTTONMASK) == MB_YESNOCANCEL ? IDYES : IDOK;
  }
  QStringList asked;
};

// Save on exit as the user meets it: the file opened in the program's
// window and changed, then the question the window asks when it is closed
// answered Yes; timed from the question until the file is replaced. Against
// `zip -9` of the same two entries (the saved file's, extracted beforehand)
// into a new archive. Each run saves a fresh copy of the file, named alike.
void BM_SaveOnExitVsZip9(benchmark::State &state) {
  SaveAnswers answers;
  setUiServices(&answers);
  bench::RatioTimes times;
  // The engines are beside the program, not beside this benchmark.
  ZipArchiver().SetDLLDirectory(QStringLiteral(QEL_PROGRAM_DIR));
  Tf_Main window;
  window.resize(1000, 700);
  window.show();
  QApplication::processEvents();
  const QString loose = files.home + QStringLiteral("/exit/loose");
  int run = 0;
  for (auto _ : state) {
    const QString saved = files.home + QStringLiteral("/exit/%1/cards.qel").arg(run++);
    QDir().mkpath(QFileInfo(saved).path());
    if (!QFile::copy(files.plain, saved) || !window.OpenCardsFile(saved, -1)) {
      for (const QString &text : answers.asked) std::fprintf(stderr, "program_bench: %s\n", qPrintable(text));
      state.SkipWithError("the program did not open the file");
      break;
    }
    QApplication::processEvents();
    FileModified = true;
    answers.asked.clear();
    const auto start = Clock::now();
    const bool mayClose = window.FormCloseQuery();
    const double ours = bench::SecondsSince(start);
    if (!mayClose || FileModified || answers.asked.size() != 1) {
      state.SkipWithError("the file was not saved on exit");
      break;
    }

    QDir(loose).removeRecursively();
    QDir().mkpath(loose);
    bench::RunChild(QStringLiteral("unzip"), {QStringLiteral("-o"), QStringLiteral("-q"), saved, QStringLiteral("-d"), loose});
    const bench::ChildRun tool =
        bench::RunChild(QStringLiteral("zip"), {QStringLiteral("-9"), QStringLiteral("-q"), QStringLiteral("ref.zip"),
                                                QStringLiteral("cards.~i"), QStringLiteral("cards.~h")},
                        {}, loose);
    if (!tool.ok || !QFileInfo::exists(loose + QStringLiteral("/ref.zip"))) {
      state.SkipWithError("zip -9 failed");
      break;
    }
    times.add(ours, tool.seconds);
    state.SetIterationTime(ours);
  }
  times.report(state, "zip9");
  ClearCards(AllCards);
  DeleteBodyFile();
  QDir(files.home + QStringLiteral("/exit")).removeRecursively();
  setUiServices(nullptr);
}
BENCHMARK(BM_SaveOnExitVsZip9)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
  QTemporaryDir home;
  files.home = home.path();
  for (const char *v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "TMPDIR"})
    qputenv(v, files.home.toLocal8Bit());
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);

  // All files are named "cards.qel" (in their own folders) so that the
  // entries are "cards.~i" and "cards.~h" for the tool too.
  files.plain = files.home + QStringLiteral("/plain/cards.qel");
  files.secret = files.home + QStringLiteral("/secret/cards.qel");
  files.tiny = files.home + QStringLiteral("/tiny/cards.qel");
  for (const QString &f : {files.plain, files.secret, files.tiny}) QDir().mkpath(QFileInfo(f).path());
  QDir().mkpath(childHome());
  QFile::setPermissions(childHome(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  try {
    bench::CardGenOptions options;
    const QString engines = QStringLiteral(QEL_PROGRAM_DIR);
    files.bodyBytes = bench::WriteCardFile(files.plain, options, QString(), engines);
    options.count = 1;
    options.bigCards = 0;
    bench::WriteCardFile(files.tiny, options, QString(), engines);
  } catch (const std::exception &e) {
    std::fprintf(stderr, "program_bench: cannot write the card files: %s\n", e.what());
    return 1;
  }
  std::printf("%d cards, %.1f MB of bodies, card file %.1f MB\n", bench::DefaultCardCount(),
              double(files.bodyBytes) / (1 << 20), double(QFileInfo(files.plain).size()) / (1 << 20));
  std::fflush(stdout);

  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
