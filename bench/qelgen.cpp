// Writes a generated card file for measurements, through the program's own
// card file save:
//   qelgen [--cards N] [--body-size BYTES] [--big-cards K] [--big-size BYTES]
//          [--plain] [--password TEXT] [--seed N] TARGET.qel
// Defaults: 100,000 cards (or QEL_BENCH_CARDS), RTF bodies of about 1,000
// bytes, 5 cards of 1 MB. Prints the card count and the body bytes written.

#include "bench/cardgen.h"
#include "cards/carderror.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: qelgen [--cards N] [--body-size BYTES] [--big-cards K] [--big-size BYTES] [--plain]\n"
               "              [--password TEXT] [--seed N] TARGET.qel\n");
  return 2;
}

} // namespace

int main(int argc, char **argv) {
  // The ZIP component sits among widgets; no screen is needed.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QStringList args = QApplication::arguments();
  qel::bench::CardGenOptions options;
  QString password, target;
  for (int i = 1; i < args.size(); ++i) {
    const QString &a = args.at(i);
    auto number = [&](int &out, int minimum) {
      bool ok = false;
      if (i + 1 >= args.size()) return false;
      out = args.at(++i).toInt(&ok);
      return ok && out >= minimum;
    };
    bool ok = true;
    if (a == QLatin1String("--cards")) ok = number(options.count, 0);
    else if (a == QLatin1String("--body-size")) ok = number(options.bodySize, 16);
    else if (a == QLatin1String("--big-cards")) ok = number(options.bigCards, 0);
    else if (a == QLatin1String("--big-size")) ok = number(options.bigBodySize, 16);
    else if (a == QLatin1String("--plain")) options.rtf = false;
    else if (a == QLatin1String("--password") && i + 1 < args.size()) password = args.at(++i);
    else if (a == QLatin1String("--seed")) {
      int seed = 0;
      ok = number(seed, 0);
      options.seed = quint32(seed);
    } else if (!a.startsWith(QLatin1String("--")) && target.isEmpty()) target = a;
    else ok = false;
    if (!ok) return usage();
  }
  if (target.isEmpty()) return usage();
  if (options.bigCards > options.count) options.bigCards = options.count;
  try {
    const qint64 bytes = qel::bench::WriteCardFile(QFileInfo(target).absoluteFilePath(), options, password,
                                                   QStringLiteral(QEL_PROGRAM_DIR));
    std::printf("%d cards, %lld body bytes\n", options.count, static_cast<long long>(bytes));
  } catch (const qel::ECardError &e) {
    std::fprintf(stderr, "qelgen: %s\n", qPrintable(e.message()));
    return 1;
  }
  return 0;
}
