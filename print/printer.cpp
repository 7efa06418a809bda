#include "print/printer.h"

#include <QDir>
#include <QPainter>
#include <QPrinter>

namespace qel {

TPrinter::TPrinter() : printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}

TPrinter::~TPrinter() { abort(); }

bool TPrinter::available() const {
  return printer_->outputFormat() == QPrinter::PdfFormat || printer_->isValid();
}

void TPrinter::setPdfFile(const QString &fileName) {
  printer_->setOutputFormat(QPrinter::PdfFormat);
  printer_->setOutputFileName(fileName);
}

void TPrinter::require() const {
  if (!available()) throw EPrinter(QStringLiteral("There is no default printer currently selected"));
}

int TPrinter::dpiX() const {
  require();
  return printer_->logicalDpiX();
}

int TPrinter::dpiY() const {
  require();
  return printer_->logicalDpiY();
}

QSize TPrinter::physicalSize() const {
  require();
  return printer_->paperRect(QPrinter::DevicePixel).toRect().size();
}

QPoint TPrinter::physicalOffset() const {
  require();
  return printer_->pageRect(QPrinter::DevicePixel).toRect().topLeft();
}

QSize TPrinter::pageSize() const {
  require();
  return QSize(printer_->width(), printer_->height());
}

QString TPrinter::title() const {
  require();
  return printer_->docName();
}

void TPrinter::setTitle(const QString &title) { printer_->setDocName(title); }

QPageLayout::Orientation TPrinter::orientation() const {
  require();
  return printer_->pageLayout().orientation();
}

void TPrinter::setOrientation(QPageLayout::Orientation orientation) { printer_->setPageOrientation(orientation); }

void TPrinter::beginDoc() {
  require();
  if (painter_) throw EPrinter(QStringLiteral("Printing in progress"));
  auto painter = std::make_unique<QPainter>();
  if (!painter->begin(printer_.get())) {
    // A PDF file that cannot be made is the error the user can act on.
    if (printer_->outputFormat() == QPrinter::PdfFormat)
      throw EPrinter(QStringLiteral("Cannot create file \"%1\".").arg(QDir::toNativeSeparators(printer_->outputFileName())));
    throw EPrinter(QStringLiteral("Printer is not currently printing"));
  }
  painter_ = std::move(painter);
}

void TPrinter::newPage() {
  if (!painter_) throw EPrinter(QStringLiteral("Printer is not currently printing"));
  if (!printer_->newPage()) throw EPrinter(QStringLiteral("Printer is not currently printing"));
}

void TPrinter::endDoc() {
  if (!painter_) throw EPrinter(QStringLiteral("Printer is not currently printing"));
  std::unique_ptr<QPainter> painter = std::move(painter_);
  // The PDF engine reports a file it could not write only here.
  if (!painter->end() || printer_->printerState() == QPrinter::Error) throw EPrinter(QStringLiteral("Printer is not currently printing"));
}

void TPrinter::abort() {
  if (!painter_) return;
  printer_->abort();
  painter_->end();
  painter_.reset();
}

TPrinter &Printer() {
  // Lives to the end of the process: a QPrinter must not outlive the
  // application object's clean-up in a static destructor.
  static TPrinter *printer = new TPrinter;
  return *printer;
}

} // namespace qel
