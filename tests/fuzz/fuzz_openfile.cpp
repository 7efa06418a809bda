// The whole open path of a card file, as the Open command takes it: any
// bytes are probed, the entries the probe names are extracted, the index is
// read and every body range checked, into fresh state; then every card's
// body reads; an old 1.x or 2.x file is read as the open command reads it.
// Nothing may crash, and no card may point outside its body file.
#include "cards/bodyfile.h"
#include "cards/carderror.h"
#include "cards/cardfile.h"
#include "cards/oldformat.h"
#include "platform/tempfolder.h"
#include "platform/uiservices.h"
#include "zip/ziparchiver.h"

#include <QApplication>
#include <QFile>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

// Answers every prompt with cancel (the password dialog included) and shows nothing.
class SilentUi : public qel::UiServices {
public:
  int messageBox(const QString &, const QString &, unsigned) override { return qel::IDCANCEL; }
  bool inputQuery(const QString &, const QString &, QString &) override { return false; }
  bool openFileName(const qel::FileDialogOptions &, QString &, bool *) override { return false; }
  bool saveFileName(const qel::FileDialogOptions &, QString &) override { return false; }
  bool chooseColor(const QString &, QColor &) override { return false; }
  bool chooseFont(const QString &, QFont &, QColor &) override { return false; }
  bool chooseFolder(const QString &, QString &) override { return false; }
  int execDialog(QDialog &) override { return 0; }
  bool openUrl(const QString &) override { return false; }
  bool startProgram(const QString &, const QStringList &) override { return false; }
};

struct Setup {
  Setup() {
    // An encrypted entry makes the ZIP component build its password prompt
    // (answered by SilentUi): a widget, which needs an application object.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_openfile";
    static char *argv[] = {name, nullptr};
    app = new QApplication(argc, argv);
    qel::setUiServices(&ui);
    path = qel::TempFolderPath() + QStringLiteral("fuzz-open-%1.qel").arg(::getpid());
    zip.SetDLLDirectory(QStringLiteral(QEL_PROGRAM_DIR));
    if (zip.LoadUnzEngine() <= 0) std::abort();
  }
  // Never destroyed: torn down at exit, it would leave Qt's font engine
  // caches unreachable, and the leak check at exit would blame them on no input.
  QApplication *app = nullptr;
  SilentUi ui;
  QString path;
  // One component for the whole run, as in the program: the engines stay
  // loaded (unloading instrumented libraries would pull their coverage
  // counters from under the fuzzer).
  qel::TZipArchiver zip;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static Setup setup;
  {
    QFile f(setup.path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    f.write(reinterpret_cast<const char *>(data), qint64(size));
  }
  qel::TZipArchiver &zip = setup.zip;
  zip.SetPassword(QStringLiteral("fuzz"));
  const qel::tQelfileSpec probed = qel::ProbeCardsFile(setup.path, zip);
  if (probed.Kind == qel::KindOldText || probed.Kind == qel::KindOldArchive) {
    // The old formats: the one entry alone, into a private folder, then the text.
    const qel::OldCardsText read = qel::ReadOldVersionFile(setup.path, probed.Kind == qel::KindOldArchive, zip);
    for (const qel::TCard &card : read.cards)
      if (card.SL.isEmpty()) std::abort();
    return 0;
  }
  if (probed.Kind != qel::KindVersion3) return 0;
  qel::TLoadedCardFile loaded;
  const qel::LoadOutcome outcome = qel::LoadVersion3File(probed, zip, loaded);
  if (outcome.status != qel::LoadStatus::Loaded) return 0;
  const qel::TBodyFile body(loaded.bodyPath);
  const qint64 bodySize = body.size();
  for (int i = 0; i < loaded.cards.Count(); ++i) {
    const qel::TCrd &card = *loaded.cards.Objects(i);
    if (card.ADR < 0 || card.SIZ <= 0 || qint64(card.ADR) + card.SIZ > bodySize) std::abort();
    (void)qel::ReadBody(card, body);  // must not throw: every range was checked
  }
  return 0;
}
