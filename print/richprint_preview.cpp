// Rendering the pages of a run into page pictures for the preview.

#include "print/richprint.h"

#include "platform/uiservices.h"
#include "print/previewpages.h"
#include "print/richpreview.h"

#include <QApplication>
#include <QPainter>
#include <QPicture>
#include <QPointer>

namespace qel {

namespace {

// Ends a preview run whose pages can no longer be kept.
struct PreviewStop {};

struct WaitCursor {
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

const QString kPageFileError = QStringLiteral("Can not save the page information (MetaFiles)");

} // namespace

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

void TRichPrinter::endPreviewState() {
  pageSink_ = {};
  if (picturePainter_) picturePainter_->end();
  picturePainter_.reset();
  pagePicture_.reset();
  canvas_ = nullptr;
  previewing_ = false;
  ShowStatus(nullptr);
}

TRichPreviewForm *TRichPrinter::Preview(re::RichEditControl &re) {
  WaitCursor wait;
  try {
    SaveCompressSetting();
  } catch (const std::exception &) {
    // The switch is only remembered for the next preview.
  }
  auto store = std::make_unique<TPreviewPageStore>(CompressPreview);
  if (!store->ok()) {
    ui().messageBox(kPageFileError, applicationTitle(), MB_OK | MB_ICONERROR);
    return nullptr;
  }
  const TRichPreviewForm::Page page{QSize(UnitsToPixelsX(PaperWidth()), UnitsToPixelsY(PaperHeight())), measureUnit_,
                                    PaperWidth(), PaperHeight()};
  QPointer<TRichPreviewForm> form = new TRichPreviewForm(std::move(store), page, *printer_);
  bool pageLost = false;
  pageSink_ = [&form, &pageLost](const QPicture &picture) {
    if (!form) throw PreviewStop{};
    if (!form->addPage(picture)) {
      // No holes: building stops at the first page that cannot be kept.
      pageLost = true;
      throw PreviewStop{};
    }
  };
  QString failure;
  try {
    StartPreviewPage();
    Print(re, 1);
  } catch (const PreviewStop &) {
  } catch (const EPrinter &e) {
    failure = e.message();
  } catch (const std::exception &e) {
    failure = QString::fromUtf8(e.what());
  }
  endPreviewState();
  if (!failure.isEmpty()) {
    delete form.data();
    ui().messageBox(failure, applicationTitle(), MB_OK | MB_ICONERROR);
    return nullptr;
  }
  if (pageLost) ui().messageBox(kPageFileError, applicationTitle(), MB_OK | MB_ICONERROR);
  if (!form) return nullptr;
  if (form->store().count() == 0) {
    delete form.data();
    return nullptr;
  }
  form->finishBuilding();
  return form;
}

} // namespace qel
