#pragma once
// The printer object the rich printer draws on: one QPrinter (a CUPS queue,
// or a PDF file when no queue is installed or the user picks one), with the
// questions the page layout asks of a printer answered in device pixels.

#include <QPageLayout>
#include <QPoint>
#include <QSize>
#include <QString>
#include <memory>
#include <stdexcept>

class QPainter;
class QPrinter;

namespace qel {

// A printer failure; "no printer" is one.
class EPrinter : public std::runtime_error {
public:
  explicit EPrinter(const QString &message) : std::runtime_error(message.toStdString()), message_(message) {}
  QString message() const { return message_; }

private:
  QString message_;
};

class TPrinter {
public:
  TPrinter();
  virtual ~TPrinter();
  TPrinter(const TPrinter &) = delete;
  TPrinter &operator=(const TPrinter &) = delete;

  // The Qt printer behind it, for the print and page setup dialogs.
  QPrinter &qprinter() { return *printer_; }
  const QPrinter &qprinter() const { return *printer_; }

  // Whether there is a printer to ask: a PDF file always counts, a queue
  // only when it is valid. The other questions throw EPrinter without one.
  virtual bool available() const;
  // Prints into this PDF file instead of a queue.
  void setPdfFile(const QString &fileName);

  int dpiX() const;
  int dpiY() const;
  QSize physicalSize() const;    // the paper, in device pixels
  QPoint physicalOffset() const; // the printable area's top left on the paper
  QSize pageSize() const;        // the printable area (PageWidth, PageHeight)

  QString title() const;
  void setTitle(const QString &title);
  QPageLayout::Orientation orientation() const;
  void setOrientation(QPageLayout::Orientation orientation);

  bool printing() const { return painter_ != nullptr; }
  // The canvas of the running job; null while idle.
  QPainter *canvas() const { return painter_.get(); }
  // Each throws EPrinter when the device refuses.
  void beginDoc();
  void newPage();
  void endDoc();
  // Ends a job without caring whether it completes.
  void abort();

private:
  void require() const;

  std::unique_ptr<QPrinter> printer_;
  std::unique_ptr<QPainter> painter_;
};

// The program's printer, made on first use.
TPrinter &Printer();

} // namespace qel
