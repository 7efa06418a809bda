// The index reader: any bytes read without harm, as an open or as a merge
// whose offsets may point anywhere; what is written back reads back the same
// (times aside: a block whose time is malformed gets the time of reading).
#include "cards/bodyfile.h"
#include "cards/carderror.h"
#include "cards/crd.h"
#include "cards/indexfile.h"
#include "platform/tempfolder.h"
#include "platform/uiservices.h"

#include <cstdint>
#include <cstdlib>

namespace {

// Answers every prompt with OK / cancel and shows nothing.
class SilentUi : public qel::UiServices {
public:
  int messageBox(const QString &, const QString &, unsigned) override { return qel::IDOK; }
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
    qel::setUiServices(&ui);
    source.setPath(qel::TempFolderPath() + QStringLiteral("fuzz-index-source.~h"));
    source.reset();
    qint32 adr, siz;
    source.append(QByteArray(64, 'x'), adr, siz);
  }
  SilentUi ui;
  qel::TBodyFile source;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static Setup setup;
  if (size == 0) return 0;
  // The first byte picks opening (-1) or one of the merge rules.
  const int mode = int(data[0] % 5) - 1;
  const QByteArray input(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

  qel::TCrdList list;
  if (mode >= 0) {
    qel::CurrentFileName = QStringLiteral("fuzz-index.qel");
    qel::ResetBodyFile();
    try {
      qel::ReadIndexText(list, input, &setup.source, mode);
    } catch (const qel::ECardError &) {
      // Offsets outside the source body file: a clear error is the right end.
    }
    return 0;
  }

  qel::ReadIndexText(list, input, nullptr, -1);
  const QByteArray once = qel::IndexText(list);
  qel::TCrdList again;
  qel::ReadIndexText(again, once, nullptr, -1);
  if (again.Count() != list.Count()) std::abort();
  for (int i = 0; i < list.Count(); ++i) {
    const qel::TCrd &a = *list.Objects(i), &b = *again.Objects(i);
    if (a.Title != b.Title || a.UID != b.UID || a.PUID != b.PUID || a.Phone != b.Phone || a.ADR != b.ADR ||
        a.SIZ != b.SIZ || a.Color != b.Color)
      std::abort();
  }
  return 0;
}
