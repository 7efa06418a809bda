// Rendering the pages of a run into page pictures for the preview.

#include "print/richprint.h"

#include <QPainter>
#include <QPicture>

namespace qel {

void TRichPrinter::StartPreviewPage() {
  previewing_ = true;
  pagePicture_ = std::make_unique<QPicture>();
  picturePainter_ = std::make_unique<QPainter>(pagePicture_.get());
  // Pages are recorded in paper coordinates; the run draws in those of the
  // printable area, as on the printer.
  const QPoint offset(UnitsToPixelsX(GutterLeft()), UnitsToPixelsY(GutterTop()));
  picturePainter_->translate(offset);
  canvas_ = picturePainter_.get();
  refreshCanvasFont();
}

void TRichPrinter::StorePreviewPage(bool more) {
  if (picturePainter_) picturePainter_->end();
  picturePainter_.reset();
  canvas_ = nullptr;
  if (pageSink_ && pagePicture_) pageSink_(*pagePicture_);
  pagePicture_.reset();
  if (more) StartPreviewPage();
}

} // namespace qel
