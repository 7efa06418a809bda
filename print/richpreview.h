#pragma once
// The print preview window: one page scaled into an image with rulers, zoom,
// page navigation and printing of a page range from the stored pages; on a
// wide screen a second window (TPreview2) to its right shows the next page.

#include "print/previewpages.h"
#include "print/richprint.h"

#include <QPicture>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QToolButton;
class QFrame;

namespace qel {

// The window sizing rule: from the screen and the page ratio (height / width,
// 0 when unknown), the form's size and the page image's place; the window is
// at least as wide as the panel's controls need (`panelWidth`).
struct PreviewGeometry {
  int formHeight = 0, clientHeight = 0;
  int pageImageWidth = 0;
  int formWidth = 0, clientWidth = 0;
  QRect image;  // in the client area
  QRect panel;
};
PreviewGeometry PreviewSizing(const QSize &screen, double ratio, int panelHeight, int panelGap = 3,
                              int panelWidth = 0);

class TPreview2;

class TRichPreviewForm : public QWidget {
  Q_OBJECT
public:
  struct Page {
    QSize pixels;          // the page in printer pixels
    TMeasureUnit unit = muMillimeters;
    double paperWidth = 0, paperHeight = 0;  // in unit
  };
  // Takes the pages' store; prints on `printer`. `screen` is the screen to
  // size for (the primary screen's when empty).
  TRichPreviewForm(std::unique_ptr<TPreviewPageStore> store, const Page &page, TPrinter &printer,
                   const QSize &screen = QSize());
  ~TRichPreviewForm() override;

  // Called by the page builder: keeps a finished page. False when it cannot
  // be stored (the message is the builder's to show).
  bool addPage(const QPicture &page);
  // All pages are built: the caption says so and the pages can be browsed.
  void finishBuilding();

  TPreviewPageStore &store() { return *store_; }
  int currentIndex() const { return current_; }
  int lastIndex() const { return store_->count() - 1; }
  bool twoWindows() const { return second_ != nullptr; }
  TPreview2 *secondWindow() const { return second_; }
  double zoom() const { return zoom_; }
  const PreviewGeometry &geometryRule() const { return geom_; }

  // The commands of the buttons and keys.
  void showPage(int index);
  void nextPage();
  void previousPage();
  void firstPage();
  void lastPage();
  void zoomIn();
  void zoomOut();
  void resetZoom();
  // Asks for a page range and prints it as one job.
  void printPages();
  // Prints pages from..to (1-based) as one job; throws EPrinter.
  void printRange(int from, int to);
  // The page edit's text as the user left it: shows that page (the first
  // for any other entry) and leaves the text for him to go on typing.
  void pageNumberTyped();

  // The page image of `index` at `size` (white when it cannot be read).
  QImage renderPage(int index, const QSize &size);

  QToolButton *SpeedButton1, *SpeedButton2, *SpeedButton3, *b_Prev, *b_Next;
  QLabel *lbl_ZoomPercent, *Label4, *Label10, *Label5;
  QPushButton *BitBtn1;
  QLineEdit *Edit1;
  QScrollArea *ScrollBox1;
  QLabel *Image1;
  QFrame *Panel1;

protected:
  void paintEvent(QPaintEvent *e) override;
  void keyPressEvent(QKeyEvent *e) override;
  void closeEvent(QCloseEvent *e) override;
  bool eventFilter(QObject *watched, QEvent *e) override;

private:
  friend class TPreview2;
  // The keys the window acts on whichever of its controls has the focus
  // (but those that move the caret in the page edit when it has it).
  bool isPreviewKey(const QObject *receiver, const QKeyEvent &k) const;
  void layoutControls();
  void paintCurrent();
  void updateButtons();
  void applyZoom();
  void drawRulers(QWidget &w, const QRect &scrollBox, const QSize &imageSize);
  void openSecondWindow();

  std::unique_ptr<TPreviewPageStore> store_;
  Page page_;
  TPrinter &printer_;
  QSize screen_;
  PreviewGeometry geom_;
  bool building_ = true;
  double zoom_ = 1.0;
  double zoomStep_ = 1.0;
  int current_ = 0;
  bool typing_ = false;  // the page edit keeps its text while it is being typed
  int cachedIndex_ = -1;
  QPicture cached_;
  QPointer<TPreview2> second_;
};

class TPreview2 : public QWidget {
  Q_OBJECT
public:
  explicit TPreview2(TRichPreviewForm &owner);
  void showPage(int index);  // blank when there is no such page
  QLabel *Image1;
  QLabel *lbl_Page;

protected:
  void paintEvent(QPaintEvent *e) override;
  void keyPressEvent(QKeyEvent *e) override;

private:
  TRichPreviewForm &owner_;
  QRect scrollBox_;
};

} // namespace qel
