#include "print/richpreview.h"

#include "platform/uiservices.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <cmath>

namespace qel {

namespace {

constexpr int kPanelHeight = 40;
constexpr int kRuler = 22;

int iround(double v) { return int(std::lround(v)); }

QSize primaryScreenSize() {
  const QScreen *s = QGuiApplication::primaryScreen();
  return s ? s->availableGeometry().size() : QSize(1024, 768);
}

// A cursor that goes back on every way out.
struct WaitCursor {
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

PreviewGeometry PreviewSizing(const QSize &screen, double ratio, int panelHeight, int panelGap, int panelWidth) {
  PreviewGeometry g;
  int h = iround(screen.height() * 0.95);
  int ch = h - 27;
  int p = ratio > 0 ? iround((ch * 0.98 - 87) / ratio) : iround((ch * 0.98 - 87) * 0.707);
  if (iround(p * 1.0204) > screen.width()) {
    // A page too wide for the screen: its width is held to the screen and
    // the window's height shrinks by the same factor.
    h = iround(h * (screen.width() / 1.0204) / p);
    p = iround(screen.width() * 0.98);
  }
  g.formHeight = h;
  g.clientHeight = h - 27;
  g.pageImageWidth = p;
  g.formWidth = iround(p * 1.0204);
  g.clientWidth = g.formWidth - 8;
  if (g.clientWidth < iround(g.clientWidth * 0.02) + 310) {
    g.formWidth = iround((g.clientWidth * 0.02 + 310) * 1.0204);
    g.clientWidth = g.formWidth - 8;
  }
  // Wide enough for the panel's row of controls (a large font).
  while (iround(g.clientWidth * 0.98) + 4 < panelWidth) {
    ++g.clientWidth;
    g.formWidth = g.clientWidth + 8;
  }
  g.image = QRect(iround(g.clientWidth * 0.01) + 18, iround(g.clientHeight * 0.01) + 16,
                  iround(g.clientWidth * 0.98) - 18, iround(g.clientHeight * 0.98) - panelHeight - 10);
  g.panel = QRect(0, g.image.bottom() + 1 + panelGap, g.image.width() + 22, panelHeight);
  return g;
}

// ---- the preview window ----------------------------------------------------------

TRichPreviewForm::TRichPreviewForm(std::unique_ptr<TPreviewPageStore> store, const Page &page, TPrinter &printer,
                                   const QSize &screen)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      store_(std::move(store)), page_(page), printer_(printer), screen_(screen.isEmpty() ? primaryScreenSize() : screen) {
  setObjectName(QStringLiteral("RichPreviewForm"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Print Preview (Formatting)"));

  ScrollBox1 = new QScrollArea(this);
  ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
  ScrollBox1->setFrameShape(QFrame::NoFrame);
  ScrollBox1->setAlignment(Qt::AlignCenter);
  Image1 = new QLabel;
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setScaledContents(false);
  Image1->installEventFilter(this);
  ScrollBox1->setWidget(Image1);

  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameShape(QFrame::StyledPanel);
  auto button = [this](const char *name, const QString &text, const QString &hint) {
    auto *b = new QToolButton(Panel1);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(text);
    b->setToolTip(hint);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
  };
  auto label = [this](const char *name, const QString &text) {
    auto *l = new QLabel(text, Panel1);
    l->setObjectName(QString::fromLatin1(name));
    return l;
  };
  SpeedButton1 = button("SpeedButton1", QStringLiteral("&Print..."), QStringLiteral("Printing of selection from document ['P' key]"));
  SpeedButton2 = button("SpeedButton2", QStringLiteral("+"), QStringLiteral("Zoom In"));
  SpeedButton3 = button("SpeedButton3", QStringLiteral("-"), QStringLiteral("Zoom Out"));
  b_Prev = button("b_Prev", QStringLiteral("<"), QStringLiteral("Previous page [PgUp]"));
  b_Next = button("b_Next", QStringLiteral(">"), QStringLiteral("Next page [PgDown]"));
  lbl_ZoomPercent = label("lbl_ZoomPercent", QStringLiteral("100%"));
  Label4 = label("Label4", QStringLiteral("Page:"));
  Label10 = label("Label10", QString());
  Label10->setToolTip(QStringLiteral("Total number of pages"));
  Label10->hide();
  Edit1 = new QLineEdit(Panel1);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setToolTip(QStringLiteral("Number of current page (can be changed manually) "));
  Edit1->setAlignment(Qt::AlignRight);
  Edit1->installEventFilter(this);
  connect(Edit1, &QLineEdit::textEdited, this, &TRichPreviewForm::pageNumberTyped);
  BitBtn1 = new QPushButton(QStringLiteral("&Close"), Panel1);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setToolTip(QStringLiteral("Closing this preview"));
  BitBtn1->setFocusPolicy(Qt::NoFocus);
  Label5 = new QLabel(page_.unit == muInches ? QStringLiteral("inch") : QStringLiteral("mm"), this);
  Label5->setObjectName(QStringLiteral("Label5"));

  connect(SpeedButton1, &QToolButton::clicked, this, &TRichPreviewForm::printPages);
  connect(SpeedButton2, &QToolButton::clicked, this, &TRichPreviewForm::zoomIn);
  connect(SpeedButton3, &QToolButton::clicked, this, &TRichPreviewForm::zoomOut);
  connect(b_Prev, &QToolButton::clicked, this, &TRichPreviewForm::previousPage);
  connect(b_Next, &QToolButton::clicked, this, &TRichPreviewForm::nextPage);
  connect(BitBtn1, &QPushButton::clicked, this, &QWidget::close);

  layoutControls();
  for (QWidget *child : findChildren<QWidget *>()) child->installEventFilter(this);
  updateButtons();
  // Centred on the screen.
  const QScreen *s = QGuiApplication::primaryScreen();
  const QRect avail = s ? s->availableGeometry() : QRect(QPoint(), screen_);
  move(avail.left() + std::max(0, (screen_.width() - width()) / 2), avail.top() + std::max(0, (screen_.height() - height()) / 2));
  // Pages go with the window also when the program ends with it open.
  connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { delete this; });
}

TRichPreviewForm::~TRichPreviewForm() {
  if (second_) delete second_.data();
}

void TRichPreviewForm::layoutControls() {
  // One row of controls, as high as the tallest needs (28 pixels at the usual
  // font sizes); a larger font makes the row and the panel higher.
  const std::initializer_list<QWidget *> row{SpeedButton1, SpeedButton2, SpeedButton3, lbl_ZoomPercent, b_Prev, Label4,
                                             b_Next, BitBtn1};
  int rowHeight = std::max(28, Edit1->minimumSizeHint().height());
  for (QWidget *w : row) {
    w->adjustSize();
    rowHeight = std::max(rowHeight, w->height());
  }
  // Placed from the left; the window is made as wide as the row needs.
  int x = 6;
  const int y = 4;
  auto place = [&](QWidget *w) {
    w->move(x, y + (rowHeight - w->height()) / 2);
    x += w->width() + 4;
  };
  for (QWidget *w : std::initializer_list<QWidget *>{SpeedButton1, SpeedButton2, SpeedButton3, lbl_ZoomPercent, b_Prev, Label4})
    place(w);
  const int editWidth = std::max(44, Edit1->minimumSizeHint().width());
  Edit1->setGeometry(x, y, editWidth, rowHeight);
  x += editWidth + 4;
  // Room for the page count of a long document, "(9999)".
  const int countWidth = std::max(40, Label10->fontMetrics().horizontalAdvance(QStringLiteral("(9999)")) + 4);
  Label10->setGeometry(x, y, countWidth, rowHeight);
  x += countWidth + 4;
  place(b_Next);
  const double ratio = page_.paperWidth > 0 ? page_.paperHeight / page_.paperWidth : 0;
  geom_ = PreviewSizing(screen_, ratio, std::max(kPanelHeight, rowHeight + 12), 3, x + BitBtn1->width() + 6);
  resize(geom_.clientWidth, geom_.clientHeight);
  ScrollBox1->setGeometry(geom_.image);
  Panel1->setGeometry(geom_.panel);
  BitBtn1->move(std::max(x, Panel1->width() - BitBtn1->width() - 6), y + (rowHeight - BitBtn1->height()) / 2);
  Label5->move(2, 2);
  applyZoom();
}

bool TRichPreviewForm::addPage(const QPicture &page) {
  if (!store_->store(page)) return false;
  const int n = store_->count();
  Label10->setText(QStringLiteral("(") + QString::number(n) + QStringLiteral(")"));
  if (n == 1) {
    // The first page shows at once; the rest may still be building.
    if (!isVisible()) show();
    Label10->show();
    current_ = 0;
    paintCurrent();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  updateButtons();
  return true;
}

void TRichPreviewForm::finishBuilding() {
  building_ = false;
  if (!isVisible()) show();
  Label10->show();
  Label10->setText(QStringLiteral("(") + QString::number(store_->count()) + QStringLiteral(")"));
  // Two windows when there are two pages and two windows of this width fit;
  // else this one alone, centred.
  if (store_->count() >= 2) {
    const int left = std::max(0, (screen_.width() - 2 * width()) / 2);
    if (left + 2 * width() <= screen_.width()) {
      move(left, y());
      openSecondWindow();
    }
  }
  setWindowTitle(QStringLiteral("Print Preview"));
  Edit1->setReadOnly(store_->count() <= 1);
  paintCurrent();
  updateButtons();
  update();
}

void TRichPreviewForm::openSecondWindow() {
  second_ = new TPreview2(*this);
  second_->show();
}

QImage TRichPreviewForm::renderPage(int index, const QSize &size) {
  QImage img(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  img.fill(Qt::white);
  if (index != cachedIndex_) {
    QPicture pic;
    if (!store_->load(index, pic)) return img;
    cached_ = pic;
    cachedIndex_ = index;
  }
  if (page_.pixels.isEmpty()) return img;
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.scale(double(img.width()) / page_.pixels.width(), double(img.height()) / page_.pixels.height());
  p.drawPicture(0, 0, cached_);
  return img;
}

void TRichPreviewForm::paintCurrent() {
  if (store_->count() == 0) return;
  current_ = std::clamp(current_, 0, lastIndex());
  const QSize size = zoom_ > 1.00001 ? QSize(iround(zoom_ * ScrollBox1->width()), iround(zoom_ * ScrollBox1->height()))
                                     : ScrollBox1->size();
  Image1->setPixmap(QPixmap::fromImage(renderPage(current_, size)));
  Image1->resize(size);
  if (!typing_) Edit1->setText(QString::number(current_ + 1).rightJustified(4));
  if (second_) second_->showPage(current_ + 1);
}

void TRichPreviewForm::updateButtons() {
  const int step = twoWindows() ? 2 : 1;
  b_Next->setEnabled(current_ + step <= lastIndex());
  b_Prev->setEnabled(current_ > 0);
  if (twoWindows() && store_->count() <= 2) {
    b_Next->setEnabled(false);
    b_Prev->setEnabled(false);
  }
  SpeedButton3->setEnabled(zoom_ > 1.00001);
}

void TRichPreviewForm::showPage(int index) {
  if (store_->count() == 0) return;
  current_ = std::clamp(index, 0, lastIndex());
  paintCurrent();
  updateButtons();
}

void TRichPreviewForm::nextPage() {
  const int step = twoWindows() ? 2 : 1;
  if (current_ + step <= lastIndex()) showPage(current_ + step);
}

void TRichPreviewForm::previousPage() {
  const int step = twoWindows() ? 2 : 1;
  showPage(std::max(0, current_ - step));
}

void TRichPreviewForm::firstPage() { showPage(0); }

void TRichPreviewForm::lastPage() {
  int last = lastIndex();
  if (twoWindows() && last % 2) --last;  // the last even index, its next page beside it
  showPage(last);
}

void TRichPreviewForm::pageNumberTyped() {
  bool ok = false;
  const int n = Edit1->text().trimmed().toInt(&ok);
  int index = 0;
  if (ok && n >= 1 && n <= lastIndex() + 1)
    index = twoWindows() ? (n % 2 ? n - 1 : n - 2) : n - 1;  // odd n: n and n + 1; even n: n - 1 and n
  // Rewriting the text under the user's fingers would move his caret and
  // drop his selection: what he types next would not be what he meant.
  typing_ = true;
  showPage(index);
  typing_ = false;
}

void TRichPreviewForm::zoomIn() {
  zoom_ += zoomStep_;
  applyZoom();
}

void TRichPreviewForm::zoomOut() {
  zoom_ = std::max(1.0, zoom_ - zoomStep_);
  applyZoom();
}

void TRichPreviewForm::resetZoom() {
  zoom_ = 1.0;
  applyZoom();
}

void TRichPreviewForm::applyZoom() {
  lbl_ZoomPercent->setText(QString::number(iround(zoom_ * 100)) + QLatin1Char('%'));
  Image1->setToolTip(zoom_ > 1.00001 ? QStringLiteral("Click right mouse button for original size") : QString());
  ScrollBox1->setWidgetResizable(false);
  if (store_->count() > 0) paintCurrent();
  else Image1->resize(ScrollBox1->size());
  updateButtons();
}

void TRichPreviewForm::printPages() {
  if (store_->count() == 0) return;
  QPrintDialog dlg(&printer_.qprinter(), this);
  dlg.setObjectName(QStringLiteral("PrintDialog1"));
  dlg.setMinMax(1, lastIndex() + 1);
  dlg.setFromTo(1, lastIndex() + 1);
  dlg.setOption(QAbstractPrintDialog::PrintPageRange, true);
  if (ui().execDialog(dlg) != QDialog::Accepted) return;
  int from = 1, to = lastIndex() + 1;
  if (printer_.qprinter().printRange() == QPrinter::PageRange) {
    from = std::max(1, printer_.qprinter().fromPage());
    to = std::min(lastIndex() + 1, printer_.qprinter().toPage());
  }
  try {
    printRange(from, to);
  } catch (const EPrinter &e) {
    ui().messageBox(e.message(), applicationTitle(), MB_OK | MB_ICONERROR);
  }
}

void TRichPreviewForm::printRange(int from, int to) {
  WaitCursor wait;
  const int keep = current_;
  // A page picture replays its fonts on the device it is drawn on; at the
  // resolution it was recorded at they keep their size (the output stays
  // vector graphics and text).
  struct Resolution {
    QPrinter &printer;
    const int kept;
    explicit Resolution(QPrinter &p) : printer(p), kept(p.resolution()) { p.setResolution(QPicture().logicalDpiY()); }
    ~Resolution() { printer.setResolution(kept); }
  } resolution(printer_.qprinter());
  // One job for the whole range; each page is drawn over the paper, whose
  // corner lies the printable area's offset above and left of the canvas's.
  printer_.beginDoc();
  try {
    QPainter *canvas = printer_.canvas();
    const QPoint offset = printer_.physicalOffset();
    const QSize paper = printer_.physicalSize();
    for (int n = from; n <= to; ++n) {
      if (n > from) printer_.newPage();
      QPicture pic;
      if (!store_->load(n - 1, pic)) continue;
      canvas->save();
      canvas->translate(-offset);
      if (!page_.pixels.isEmpty())
        canvas->scale(double(paper.width()) / page_.pixels.width(), double(paper.height()) / page_.pixels.height());
      canvas->drawPicture(0, 0, pic);
      canvas->restore();
    }
    printer_.endDoc();
  } catch (...) {
    printer_.abort();
    current_ = keep;
    throw;
  }
  current_ = keep;
}

// ---- painting and input ------------------------------------------------------------

void TRichPreviewForm::drawRulers(QWidget &w, const QRect &box, const QSize &imageSize) {
  if (building_ || page_.paperWidth <= 0) return;
  QPainter p(&w);
  const QColor face = w.palette().color(QPalette::Button);
  const QColor grey(0x80, 0x80, 0x80);
  QFont f(QStringLiteral("Arial"));
  f.setPointSize(7);
  p.setFont(f);
  const double s = page_.unit == muInches ? 1 : 10;
  const bool everyTick = page_.unit == muInches;
  auto ruler = [&](bool horizontal, double paper, int imageLength) {
    const QRect r = horizontal ? QRect(box.left(), box.top() - kRuler, box.width(), kRuler)
                               : QRect(box.left() - kRuler, box.top(), kRuler, box.height());
    p.fillRect(r, face);
    p.setPen(grey);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    if (horizontal) p.drawLine(r.left(), r.top() + 11, r.right(), r.top() + 11);
    else p.drawLine(r.left() + 11, r.top(), r.left() + 11, r.bottom());
    const int n = std::max(1, int(paper / s));
    const int v = iround(paper / n);
    const int spacing = iround(imageLength * (n * v / paper) / n);
    for (int i = 0; i <= n + 1; ++i) {
      const int at = i * spacing;
      p.setPen(grey);
      if (horizontal) p.drawLine(r.left() + at, r.top() + 5, r.left() + at, r.top() + 17);
      else p.drawLine(r.left() + 5, r.top() + at, r.left() + 17, r.top() + at);
      if (i == 0 || (!everyTick && i % 2)) continue;
      p.setPen(Qt::black);
      const QString label = QString::number(i * v);
      if (horizontal) p.drawText(r.left() + at + 2, r.top() + 10, label);
      else p.drawText(r.left() + 1, r.top() + at - 2, label);
    }
  };
  ruler(true, page_.paperWidth, imageSize.width());
  ruler(false, page_.paperHeight, imageSize.height());
}

void TRichPreviewForm::paintEvent(QPaintEvent *) {
  drawRulers(*this, ScrollBox1->geometry(), Image1->size());
}

void TRichPreviewForm::keyPressEvent(QKeyEvent *e) {
  switch (e->key()) {
  case Qt::Key_PageUp: if (b_Prev->isEnabled()) previousPage(); return;
  case Qt::Key_PageDown: if (b_Next->isEnabled()) nextPage(); return;
  case Qt::Key_Home: firstPage(); return;
  case Qt::Key_End: lastPage(); return;
  case Qt::Key_Left: case Qt::Key_Right: {
    QScrollBar *bar = ScrollBox1->horizontalScrollBar();
    bar->setValue(bar->value() + (e->key() == Qt::Key_Left ? -bar->singleStep() : bar->singleStep()));
    return;
  }
  case Qt::Key_Up: case Qt::Key_Down: {
    QScrollBar *bar = ScrollBox1->verticalScrollBar();
    bar->setValue(bar->value() + (e->key() == Qt::Key_Up ? -bar->singleStep() : bar->singleStep()));
    return;
  }
  case Qt::Key_L: zoomIn(); return;
  case Qt::Key_S: if (zoom_ > 1.00001) zoomOut(); return;
  case Qt::Key_P: printPages(); return;
  default: QWidget::keyPressEvent(e);
  }
}

bool TRichPreviewForm::isPreviewKey(const QObject *receiver, const QKeyEvent &k) const {
  if (k.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
  if (receiver == Edit1) {
    switch (k.key()) {
    case Qt::Key_Home: case Qt::Key_End: case Qt::Key_Left: case Qt::Key_Right: return false;  // the caret's
    default: break;
    }
  }
  switch (k.key()) {
  case Qt::Key_PageUp: case Qt::Key_PageDown: case Qt::Key_Home: case Qt::Key_End:
  case Qt::Key_Left: case Qt::Key_Right: case Qt::Key_Up: case Qt::Key_Down:
  case Qt::Key_L: case Qt::Key_S: case Qt::Key_P:
    return true;
  default: return false;
  }
}

bool TRichPreviewForm::eventFilter(QObject *watched, QEvent *e) {
  if (watched == Image1 && e->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent *>(e)->button() == Qt::RightButton) {
    resetZoom();
    return true;
  }
  if (watched == Edit1 && e->type() == QEvent::FocusOut) {
    // Left behind, the edit shows the page shown again.
    Edit1->setText(QString::number(current_ + 1).rightJustified(4));
  }
  if (e->type() == QEvent::KeyPress && watched != this && isPreviewKey(watched, *static_cast<QKeyEvent *>(e))) {
    // The window sees its keys first, whichever of its controls has the focus:
    // the scroll box would take the page and arrow keys, the page edit the letters.
    keyPressEvent(static_cast<QKeyEvent *>(e));
    return true;
  }
  return QWidget::eventFilter(watched, e);
}

void TRichPreviewForm::closeEvent(QCloseEvent *e) {
  WaitCursor wait;
  Image1->clear();
  cached_ = QPicture();
  cachedIndex_ = -1;
  if (second_) second_->close();
  QWidget::closeEvent(e);
}

// ---- the second window -------------------------------------------------------------

TPreview2::TPreview2(TRichPreviewForm &owner)
    : QWidget(&owner, Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint), owner_(owner) {
  setObjectName(QStringLiteral("Preview2"));
  setWindowTitle(QStringLiteral("next page(s)"));
  setAttribute(Qt::WA_DeleteOnClose);
  const PreviewGeometry &g = owner.geom_;
  resize(owner.size());
  scrollBox_ = g.image;
  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(g.image);
  lbl_Page = new QLabel(this);
  lbl_Page->setObjectName(QStringLiteral("lbl_Page"));
  lbl_Page->setGeometry(g.panel.left() + 8, g.panel.top() + 8, 120, 24);
  move(owner.x() + owner.frameGeometry().width(), owner.y());
}

void TPreview2::showPage(int index) {
  if (index > owner_.lastIndex()) {
    QImage blank(scrollBox_.size(), QImage::Format_RGB32);
    blank.fill(palette().color(QPalette::Window));
    Image1->setPixmap(QPixmap::fromImage(blank));
    lbl_Page->hide();
    return;
  }
  Image1->setPixmap(QPixmap::fromImage(owner_.renderPage(index, scrollBox_.size())));
  lbl_Page->setText(QStringLiteral("Page: ") + QString::number(index + 1));
  lbl_Page->show();
}

void TPreview2::paintEvent(QPaintEvent *) {
  owner_.drawRulers(*this, scrollBox_, scrollBox_.size());
}

void TPreview2::keyPressEvent(QKeyEvent *e) {
  // Keys belong to the preview window.
  owner_.activateWindow();
  owner_.keyPressEvent(e);
}

} // namespace qel
