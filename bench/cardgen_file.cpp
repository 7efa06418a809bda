// Generated card files, written by the program's own card file save.

#include "bench/cardgen.h"

#include "cards/bodyfile.h"
#include "cards/carderror.h"
#include "cards/cardfile.h"
#include "cards/crd.h"
#include "platform/tempfolder.h"
#include "zip/ziparchiver.h"

#include <QDir>

namespace qel::bench {

int DefaultCardCount() {
  bool ok = false;
  const int n = qEnvironmentVariableIntValue("QEL_BENCH_CARDS", &ok);
  return ok && n > 0 ? n : 100000;
}

int DefaultBodySize() {
  bool ok = false;
  const int n = qEnvironmentVariableIntValue("QEL_BENCH_BODY_SIZE", &ok);
  return ok && n >= 16 ? n : 1000;
}

int DefaultBigCards() {
  bool ok = false;
  const int n = qEnvironmentVariableIntValue("QEL_BENCH_BIG_CARDS", &ok);
  return ok && n >= 0 ? n : 5;
}

qint64 WriteCardFile(const QString &target, const CardGenOptions &options, const QString &password,
                     const QString &engineDir) {
  const QString work = CreatePrivateSubFolder(QStringLiteral("qelgen"));
  if (work.isEmpty()) throw ECardError(QStringLiteral("Cannot make a temporary folder"));
  struct Cleanup {
    QString dir;
    ~Cleanup() { QDir(dir).removeRecursively(); }
  } cleanup{work};

  TBodyFile body(QDir(work).filePath(QStringLiteral("cards.body")));
  TCrdList list;
  GenerateCards(list, options, &body);
  const qint64 bodyBytes = body.size();
  TZipArchiver zip;
  zip.Unattended = true;
  zip.SetDLLDirectory(engineDir);
  if (!password.isEmpty()) zip.SetPassword(password);
  SaveCardsArchive(list, body, target, zip);
  body.remove();
  ClearCards(list);
  return bodyBytes;
}

} // namespace qel::bench
