// The print dialog as the preview shows it through the program's real
// prompts: at any font size every control is whole, also once "Options >>"
// opens the page range and copies; and so is the preview's own panel.

#include "print/previewpages.h"
#include "print/richpreview.h"
#include "print/richprint.h"

#include "platform/uiservices.h"
#include "tests/support/testenv.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QPainter>
#include <QPicture>
#include <QPrintDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

namespace {

// The controls of `root` that stick out of their parent or are smaller than
// what they need to show what they hold (the parts inside spin and combo
// boxes and scroll areas are theirs to place).
QStringList cutOff(QWidget &root) {
  QStringList out;
  for (QWidget *w : root.findChildren<QWidget *>()) {
    if (w->isWindow() || !w->isVisibleTo(&root)) continue;
    QWidget *p = w->parentWidget();
    if (qobject_cast<QAbstractSpinBox *>(p) || qobject_cast<QComboBox *>(p) ||
        qobject_cast<QAbstractScrollArea *>(p->parentWidget()))
      continue;
    const QString name = QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(' ') + w->objectName();
    if (!QRect(QPoint(), p->size()).contains(w->geometry()))
      out << name + QStringLiteral(" outside its parent");
    const QSize need = w->minimumSizeHint();
    if (need.isValid() && (w->width() < need.width() || w->height() < need.height()))
      out << name + QStringLiteral(" smaller than it needs");
  }
  return out;
}

QPicture onePage() {
  QPicture pic;
  QPainter p(&pic);
  p.drawText(10, 20, QStringLiteral("page"));
  return pic;
}

// The application font at `points` while this lives.
struct AppFontSize {
  const QFont before = QApplication::font();
  explicit AppFontSize(int points) {
    QFont font = before;
    font.setPointSize(points);
    QApplication::setFont(font);
  }
  ~AppFontSize() { QApplication::setFont(before); }
};

// An A4 preview of `pages` pages, built, sized for a screen of `screen`.
TRichPreviewForm *builtPreview(TPrinter &printer, int pages, const QSize &screen) {
  auto *f = new TRichPreviewForm(std::make_unique<TPreviewPageStore>(false), {QSize(2480, 3508), muMillimeters, 210, 297},
                                 printer, screen);
  for (int i = 0; i < pages; ++i) f->addPage(onePage());
  f->finishBuilding();
  return f;
}

} // namespace

TEST(PrintDialog, EveryControlIsWholeAtAnyFontSizeAlsoWithTheOptionsOpen) {
  TPrinter printer;
  printer.setPdfFile(freshDir(QStringLiteral("printdialog")) + QStringLiteral("out.pdf"));
  for (int points : {9, 14}) {
    SCOPED_TRACE(points);
    const AppFontSize size(points);
    TRichPreviewForm *f = builtPreview(printer, 3, QSize(800, 1200));
    QStringList asOpened, withOptions;
    bool looked = false;
    QTimer::singleShot(0, [&] {
      auto *dialog = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      // What the user sees once the events of the opening are handled.
      (void)QTest::qWaitFor([&] { return cutOff(*dialog).isEmpty(); }, 5000);
      asOpened = cutOff(*dialog);
      QPushButton *options = nullptr;
      for (QPushButton *b : dialog->findChildren<QPushButton *>())
        if (b->text().contains(QStringLiteral("Options"))) options = b;
      ASSERT_NE(options, nullptr);
      options->click();
      // The dialog takes its new size as the layout's request is handled.
      (void)QTest::qWaitFor([&] { return cutOff(*dialog).isEmpty(); }, 5000);
      withOptions = cutOff(*dialog);
      looked = true;
      dialog->reject();
    });
    f->printPages();
    EXPECT_TRUE(looked);
    EXPECT_EQ(asOpened.join(QStringLiteral("; ")).toStdString(), "");
    EXPECT_EQ(withOptions.join(QStringLiteral("; ")).toStdString(), "");
    f->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

TEST(PreviewPanel, EveryControlIsWholeAtAnyFontSize) {
  TPrinter printer;
  for (int points : {9, 14, 20}) {
    SCOPED_TRACE(points);
    const AppFontSize size(points);
    TRichPreviewForm *f = builtPreview(printer, 12, QSize(1280, 900));
    EXPECT_EQ(cutOff(*f).join(QStringLiteral("; ")).toStdString(), "");
    f->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}
