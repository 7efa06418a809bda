// Printing and RTF export: the print commands join the cards into a hidden
// editor and hand it to the rich printer; the export saves that editor as RTF.

#include "app/colors.h"
#include "app/dlg_exportrtf.h"
#include "app/guards.h"
#include "app/printcards.h"
#include "app/tf_main.h"
#include "cards/crd.h"
#include "cards/strroutines.h"
#include "platform/fileutil.h"
#include "platform/richedit/richeditcontrol.h"
#include "platform/uiservices.h"
#include "print/richprint.h"
#include "settings/fontvalue.h"
#include "settings/options.h"
#include "settings/printerstate.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QListView>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace qel {

void Tf_Main::createRichPrinter() {
  // The program's instance of the printer component.
  RichPrinter = std::make_unique<TRichPrinter>();
  TRichPrinter &rp = *RichPrinter;
  rp.SetMarginTop(20);
  rp.SetMarginBottom(20);
  rp.SetMarginLeft(25);
  rp.SetMarginRight(20);
  rp.HeaderFormat = QStringLiteral("> 100.000");
  rp.FooterFormat = QStringLiteral("> 100.000");
  rp.PageBorders = pbTop;
  QFont font(QStringLiteral("Courier New"));
  font.setPointSize(12);
  rp.SetFont_HeaderFooter(font, Qt::red);
  rp.SetTitle(QStringLiteral("Qel Moravine"));
  rp.CompressPreview = false;
}

void Tf_Main::wirePrintCommands() {
  MainActions &a = *actions_;
  a.wire(QStringLiteral("a_Print"), this, [this] { a_PrintExecute(); });
  a.wire(QStringLiteral("a_FilePrintPreview"), this, [this] { a_FilePrintPreviewExecute(); });
  a.wire(QStringLiteral("a_CustomizeToolbars"), this, [this] { a_CustomizeToolbarsExecute(); });
  a.wire(QStringLiteral("PrintSelected1"), this, [this] { PrintCards(0, false); });
  a.wire(QStringLiteral("PrintFiltered1"), this, [this] { PrintCards(1, false); });
  a.wire(QStringLiteral("PrintAll1"), this, [this] { PrintCards(2, false); });
  a.wire(QStringLiteral("PrintList1"), this, [this] { PrintCards(3, false); });
  a.wire(QStringLiteral("PrintOptions1"), this, [this] { mPrintClick(); });
  a.wire(QStringLiteral("PageSetup1"), this, [this] { PageSetup1Click(); });
  a.wire(QStringLiteral("PrinterSetup1"), this, [this] { PrinterSetup1Click(); });
  a.wire(QStringLiteral("ExportRTF1"), this, [this] { RTF1Click(); });
}

// ---- the remembered page state and the printer ----

void Tf_Main::ApplyPrinterOptions() {
  if (!AppOptions || !RichPrinter) return;
  const tOptions &o = *AppOptions;
  TRichPrinter &rp = *RichPrinter;
  if (o.MarginUnits == 0) {
    rp.SetMeasureUnit(muMillimeters);
    PrinterPageState().SetMeasureUnit(TPrinterPageState::Millimeters);
  } else if (o.MarginUnits == 1) {
    rp.SetMeasureUnit(muInches);
    PrinterPageState().SetMeasureUnit(TPrinterPageState::Inches);
  }
  rp.PageBorders = 0;
  rp.SetOptions_Dialog(poMargins);
  if (o.HeaderLine) rp.PageBorders |= pbTop;
  if (o.FooterLine) rp.PageBorders |= pbBottom;
}

void Tf_Main::PrinterFromPageState() {
  // The window state keeps orientation and margins (in millimetres) between
  // runs; the printer takes them before every use.
  TPrinterPageState &state = PrinterPageState();
  TRichPrinter &rp = *RichPrinter;
  rp.SetOrientation(state.Portrait ? QPageLayout::Portrait : QPageLayout::Landscape);
  const double f = rp.MeasureUnit() == muInches ? 1 / 25.4 : 1;
  rp.SetMarginLeft(state.MarginMm(msLeft) * f);
  rp.SetMarginRight(state.MarginMm(msRight) * f);
  rp.SetMarginTop(state.MarginMm(msTop) * f);
  rp.SetMarginBottom(state.MarginMm(msBottom) * f);
}

void Tf_Main::PageStateFromPrinter() {
  TPrinterPageState &state = PrinterPageState();
  const TRichPrinter &rp = *RichPrinter;
  state.Portrait = rp.Orientation() == QPageLayout::Portrait;
  state.SetPortraitPaperSizeMm(QSizeF(PrinterPaperWidth(rp) / 10.0, PrinterPaperLength(rp) / 10.0));
  const double f = rp.MeasureUnit() == muInches ? 25.4 : 1;
  state.SetMarginMm(msLeft, rp.MarginLeft() * f);
  state.SetMarginMm(msRight, rp.MarginRight() * f);
  state.SetMarginMm(msTop, rp.MarginTop() * f);
  state.SetMarginMm(msBottom, rp.MarginBottom() * f);
}

// ---- printing ----

void Tf_Main::a_PrintExecute() { PrintCards(AppOptions ? AppOptions->PrintObject : 0, false); }

void Tf_Main::a_FilePrintPreviewExecute() { PrintCards(AppOptions ? AppOptions->PrintObject : 0, true); }

void Tf_Main::PrintCards(int kind, bool preview) {
  if (kind < 0 || kind > 3 || !AppOptions) return;
  BusyGuard busy(*this);
  StoreCurrentCard();
  TRichPrinter &rp = *RichPrinter;
  PrinterFromPageState();
  if (!preview) {
    QPrintDialog dlg(&rp.printer().qprinter(), this);
    dlg.setObjectName(QStringLiteral("PrintDialog"));
    if (ui().execDialog(dlg) != QDialog::Accepted) return;
    // The dialog may have changed the paper or the orientation.
    PageStateFromPrinter();
  }
  const tOptions &o = *AppOptions;
  rp.SetFont_HeaderFooter(FontToQFont(o.HeaderFooterFont), TColorToQColor(o.HeaderFooterFont.Color, QColor(Qt::black)));
  rp.Header = ExpandHeaderMacros(o.HeaderText, CurrentFileName);
  rp.Footer = ExpandHeaderMacros(o.FooterText, CurrentFileName);
  rp.HeaderFormat = AlignmentFormat(o.AlHeader, rp);
  rp.FooterFormat = AlignmentFormat(o.AlFooter, rp);

  re::RichEditControl editor;
  if (kind == 3) {
    WaitCursor wait;
    editor.setFont(lw_List->font());
    QStringList titles;
    for (int i = 0; i < FilteredCards.Count(); ++i) titles << FilteredCards.Strings(i);
    editor.setText(titles.join(QLatin1Char('\r')));
  } else {
    if (kind == 2) ClearFilter();
    rp.SetTitle(windowTitle());
    WaitCursor wait;
    if (!JoinCards(editor, kind == 0, SelectedCardIndexes(), o.PageBreaks, {&o.TitlesFont, &o.CardFont})) return;
  }
  try {
    if (preview) rp.Preview(editor);
    else rp.Print(editor, 1);
  } catch (const EPrinter &e) {
    ui().messageBox(e.message(), applicationTitle(), MB_OK | MB_ICONERROR);
  }
}

void Tf_Main::PageSetup1Click() {
  BusyGuard busy(*this);
  PrinterFromPageState();
  try {
    RichPrinter->PageSetup();
  } catch (const EPrinter &e) {
    ui().messageBox(e.message(), applicationTitle(), MB_OK | MB_ICONERROR);
  }
  // Cancelled or not, the margins come back at the dialog's precision.
  PageStateFromPrinter();
}

void Tf_Main::PrinterSetup1Click() {
  BusyGuard busy(*this);
  PrinterFromPageState();
  QPrintDialog dlg(&RichPrinter->printer().qprinter(), this);
  dlg.setObjectName(QStringLiteral("dlg_PrinterSetup"));
  dlg.setWindowTitle(QStringLiteral("Printer Setup"));
  // The dialog only keeps the printer and its settings: its button says so,
  // not "Print".
  if (auto *buttons = dlg.findChild<QDialogButtonBox *>())
    if (QPushButton *ok = buttons->button(QDialogButtonBox::Ok)) ok->setText(QStringLiteral("OK"));
  if (ui().execDialog(dlg) == QDialog::Accepted) PageStateFromPrinter();
}

// The options dialog on its Print page (3) and its Toolbars page (2).
void Tf_Main::mPrintClick() { a_OptionsExecute(3); }

void Tf_Main::a_CustomizeToolbarsExecute() { a_OptionsExecute(2); }

// ---- RTF export ----

void Tf_Main::RTF1Click() {
  BusyGuard busy(*this);
  if (!dlg_Export_RTF) dlg_Export_RTF = new Tdlg_Export_RTF(this);
  if (ui().execDialog(*dlg_Export_RTF) != QDialog::Accepted) return;
  FileDialogOptions options;
  options.caption = QStringLiteral("Save Card As");
  options.filter = QStringLiteral("Rich Text Format (*.rtf);;Text Documents (*.txt)");
  options.defaultSuffix = QStringLiteral("rtf");
  QString name;
  if (!ui().saveFileName(options, name) || name.isEmpty()) return;

  StoreCurrentCard();
  const Tdlg_Export_RTF::Objects which = dlg_Export_RTF->objects();
  if (which == Tdlg_Export_RTF::All) ClearFilter();
  re::RichEditControl editor;
  {
    WaitCursor wait;
    const tOptions *o = AppOptions;
    if (!JoinCards(editor, which == Tdlg_Export_RTF::Selected, SelectedCardIndexes(),
                   dlg_Export_RTF->chb_PageBreaks->isChecked(), {o ? &o->TitlesFont : nullptr, o ? &o->CardFont : nullptr}))
      return;  // cancelled: nothing is written
  }
  // The old file stays whole until the new one is complete.
  const QByteArray rtf = editor.streamOut(re::SF_RTF);
  QString error;
  if (!WriteFileReplacing(name, rtf, &error)) ui().messageBox(error, applicationTitle(), MB_OK | MB_ICONERROR);
}

} // namespace qel
