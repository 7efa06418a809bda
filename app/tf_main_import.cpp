// The Import and text Export commands: ".crd" card-index files, several at a time, and text
// files (delimited or paragraph-separated). Imported cards are new cards
// appended to the open file; the file name stays, the cards reach the card
// file with the next save.

#include "app/dlg_export.h"
#include "app/dlg_import.h"
#include "app/textexport.h"
#include "app/guards.h"
#include "app/progress.h"
#include "app/tf_main.h"
#include "cards/bodyfile.h"
#include "cards/carderror.h"
#include "cards/crd.h"
#include "cards/textimport.h"
#include "platform/codepage.h"
#include "platform/fileutil.h"
#include "platform/uiservices.h"

#include <QAction>
#include <QDir>
#include <QItemSelectionModel>
#include <QListView>
#include <QFileInfo>

namespace qel {

namespace {

void reportImportError(const QString &message) { ui().messageBox(message, applicationTitle(), MB_OK | MB_ICONERROR); }

} // namespace

void Tf_Main::wireImportCommands() {
  f_Import = new Tf_Import(this);
  MainActions &a = *actions_;
  a.wire(QStringLiteral("ImportMSCardfile1"), this, [this] { MSMoravine1Click(); });
  a.wire(QStringLiteral("ImportText1"), this, [this] { Textfile1Click(); });
  f_Export = new Tf_Export(this);
  f_Export->SampleLines = [this] { return ExportCards(true); };
  a.wire(QStringLiteral("ExportText1"), this, [this] { Export1Click(); });
}

void Tf_Main::AppendImportedCards(const QList<TImportCard> &cards) {
  if (cards.isEmpty()) return;
  ProgressGuard progress(QStringLiteral("Import"), int(cards.size()));
  // All bodies go to the body file with one write; no card is added unless all can be.
  TBodyBatch batch;
  std::vector<TCrdPtr> made;
  made.reserve(size_t(cards.size()));
  for (qsizetype i = 0; i < cards.size(); ++i) {
    const TImportCard &c = cards.at(i);
    TCrdPtr card = NewCrd();
    card->SetTitle(c.Title);
    if (!c.Body.isEmpty()) {
      bool fits = true;
      const QByteArray bytes = encodeLegacy(c.Body, &fits);
      if (fits) {
        batch.data() += bytes;
        batch.data() += "\r\n";
      } else {
        // Characters the code page has no byte for: the body is kept as RTF.
        m_RTFbuffer->setText(c.Body);
        batch.data() += m_RTFbuffer->streamOut(re::SF_RTF);
        m_RTFbuffer->setText(QString());
      }
    }
    batch.endBody(card.get());
    made.push_back(std::move(card));
    if ((i & 4095) == 0) progress.set(int(i));
  }
  AppendBodies(batch, CurrentBodyFile());
  AllCards.Reserve(AllCards.Count() + int(made.size()));
  for (TCrdPtr &card : made) AllCards.AddCrd(std::move(card));
}

void Tf_Main::MSMoravine1Click() {
  FileDialogOptions o;
  o.caption = QStringLiteral("Import");
  o.filter = QStringLiteral("MS Moravines (*.crd);;all files (*)");
  o.defaultSuffix = QStringLiteral("crd");
  QStringList files;
  if (!ui().openFileNames(o, files)) return;
  BusyGuard busy(*this);
  WaitCursor wait;
  StoreCurrentCard();
  bool any = false;
  for (const QString &file : files) {
    const QString path = QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath());
    if (!IsMGCFile(file)) {
      reportImportError(QStringLiteral("Probably ") + path + QStringLiteral(" is not Microsoft CRD file."));
      continue;
    }
    try {
      AppendImportedCards(ReadMGCFile(file));
      any = true;
    } catch (const ECardError &e) {
      // A bad file gives nothing; the other chosen files still import.
      reportImportError(e.message());
    }
  }
  if (!any) return;
  RefilterCards();
  FileModified = true;
  UpdateEditMenu();
  ShowEditorIfAny();
}

void Tf_Main::Textfile1Click() {
  FileDialogOptions o;
  o.caption = QStringLiteral("Import");
  o.filter = QStringLiteral("Delimited Text files (*.txt *.csv);;all files (*)");
  o.defaultSuffix = QStringLiteral("txt");
  QString file;
  if (!ui().openFileName(o, file)) return;
  if (ui().execDialog(*f_Import) != QDialog::Accepted) return;
  BusyGuard busy(*this);
  WaitCursor wait;
  try {
    StoreCurrentCard();
    const QStringList lines = TextFileLines(ReadTextFile(file));
    AppendImportedCards(f_Import->SourceType() == 1 ? ParseParagraphText(lines)
                                                    : ParseDelimitedText(lines, f_Import->Delimiter()));
  } catch (const ECardError &e) {
    reportImportError(e.message());
    return;
  }
  RefilterCards();
  FileModified = true;
  UpdateEditMenu();
  ShowEditorIfAny();
}

// ---------------------------------------------------------------- text export

QStringList Tf_Main::ExportCards(bool sample) {
  WaitCursor wait;
  StoreCurrentCard();
  const TExportLayout layout = f_Export->Layout();
  const bool selectedOnly = f_Export->SelectedOnly();
  const TCrdList &source = selectedOnly ? FilteredCards : AllCards;
  int last = source.Count() - 1;
  if (sample && last > 10) last = 10;  // the sample shows the first 11 cards
  QStringList lines;
  const QItemSelectionModel *selection = lw_List->selectionModel();
  ProgressGuard progress(QStringLiteral("Exporting..."), qMax(last, 0));
  for (int i = 0; i <= last; ++i) {
    const bool taken = !selectedOnly || (selection && selection->isRowSelected(i, QModelIndex()));
    if (taken) {
      const TCrd &card = *source.Objects(i);
      ExportCard(card.Title, PlainBodyLines(card), layout, sample, lines);
    }
    if ((i & 1023) == 0) progress.set(i);
  }
  return lines;
}

void Tf_Main::Export1Click() {
  if (AllCards.IsEmpty()) return;
  if (ui().execDialog(*f_Export) != QDialog::Accepted) return;
  FileDialogOptions o;
  o.caption = QStringLiteral("Export");
  o.filter = QStringLiteral("Text files (*.txt)");
  o.defaultSuffix = QStringLiteral("txt");
  QString file;
  if (!ui().saveFileName(o, file)) return;
  BusyGuard busy(*this);
  try {
    const QByteArray bytes = ExportFileBytes(ExportCards(false), f_Export->Layout());
    // Written beside the target and put in its place only when complete.
    QString error;
    if (!WriteFileReplacing(file, bytes, &error)) reportImportError(error);
  } catch (const ECardError &e) {
    reportImportError(e.message());
  }
}

} // namespace qel
