// The page setup command of the rich printer, on our page setup dialog
// seeded with the component's margins, orientation, paper and printer.

#include "print/richprint.h"

#include "platform/uiservices.h"
#include "print/pagesetupdlg.h"

#include <QApplication>
#include <QPrinter>
#include <QScreen>
#include <cmath>

namespace qel {

QMargins TRichPrinter::PageSetupDialogMargins() const {
  const double k = measureUnit_ == muMillimeters ? 100 : 1000;
  return QMargins(int(std::lround(marginLeft_ * k)), int(std::lround(marginTop_ * k)),
                  int(std::lround(marginRight_ * k)), int(std::lround(marginBottom_ * k)));
}

bool TRichPrinter::PageSetup() {
  QPrinter &real = printer_->qprinter();
  if (SaveMargins) LoadSettings();
  const bool mm = measureUnit_ == muMillimeters;
  const double k = mm ? 100 : 1000;
  // The dialog holds hundredths of a millimetre or thousandths of an inch.
  const QMargins rt = PageSetupDialogMargins();
  PageSetupValues seed;
  seed.paper = real.pageLayout().pageSize();
  seed.orientation = Orientation();
  seed.margins = QMarginsF(rt.left() / k, rt.top() / k, rt.right() / k, rt.bottom() / k);
  seed.millimetres = mm;
  seed.printer = real.outputFormat() == QPrinter::NativeFormat ? real.printerName() : QString();

  TPageSetupDlg dlg(seed, pageSetupFlags_, QApplication::activeWindow());
  dlg.adjustSize();
  if (const QScreen *s = QGuiApplication::primaryScreen()) {
    const QRect g = s->availableGeometry();
    dlg.move(g.left() + (g.width() - dlg.width()) / 2, g.top() + (g.height() - dlg.height()) / 3);
  }
  const bool confirmed = ui().execDialog(dlg) == QDialog::Accepted;

  const PageSetupValues out = confirmed ? dlg.values() : seed;
  // The printer, paper and orientation first: the margins are clamped to
  // that paper.
  if (confirmed) {
    if (out.printer.isEmpty()) {
      if (real.outputFormat() != QPrinter::PdfFormat) real.setOutputFormat(QPrinter::PdfFormat);
    } else if (out.printer != real.printerName() || real.outputFormat() != QPrinter::NativeFormat) {
      real.setOutputFormat(QPrinter::NativeFormat);
      real.setPrinterName(out.printer);
    }
    real.setPageSize(out.paper);
    SetOrientation(out.orientation);
  }
  // Whether confirmed or not, the margins are set again from what the dialog
  // holds, at its precision.
  auto dialogValue = [k](double v) { return std::lround(v * k) / k; };
  SetMarginLeft(dialogValue(out.margins.left()));
  SetMarginTop(dialogValue(out.margins.top()));
  SetMarginRight(dialogValue(out.margins.right()));
  SetMarginBottom(dialogValue(out.margins.bottom()));
  ReapplyValues();
  if (SaveMargins) SaveSettings();
  return confirmed;
}

} // namespace qel
