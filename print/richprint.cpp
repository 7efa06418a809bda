#include "print/richprint.h"

#include "platform/datetime.h"
#include "platform/richedit/richeditcontrol.h"
#include "print/richprntprogdlg.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QStringList>
#include <cmath>
#include <limits>

namespace qel {

namespace {

constexpr double kMmPerInch = 25.4;
// The resolution assumed when no printer can be asked.
constexpr int kFallbackDpi = 600;

// Saves a value and puts it back on every way out.
template <typename T> class Restore {
public:
  explicit Restore(T &ref) : ref_(ref), saved_(ref) {}
  ~Restore() { ref_ = saved_; }

private:
  T &ref_;
  T saved_;
};

int clampToInt(double v) {
  if (!(v > double(std::numeric_limits<int>::min()) && v < double(std::numeric_limits<int>::max()))) return 0;
  return int(v);
}

} // namespace

TRichPrinter::TRichPrinter(TPrinter *printer) : printer_(printer ? printer : &Printer()) {
  headerFont_ = QFont(QStringLiteral("Courier New"));
  headerFont_.setPointSizeF(10);
  SetOptions_Dialog(poMargins);
  constructing_ = false;
}

TRichPrinter::~TRichPrinter() {
  if (progress_) progress_->close();
}

// ---- geometry ----------------------------------------------------------------

int TRichPrinter::dpiX() const {
  const int d = hasPrinter() ? printer_->dpiX() : 0;
  return d > 0 ? d : kFallbackDpi;
}

int TRichPrinter::dpiY() const {
  const int d = hasPrinter() ? printer_->dpiY() : 0;
  return d > 0 ? d : kFallbackDpi;
}

int TRichPrinter::UnitsToPixelsX(double v) const {
  const double inches = measureUnit_ == muMillimeters ? v / kMmPerInch : v;
  return clampToInt(std::round(dpiX() * inches));
}

int TRichPrinter::UnitsToPixelsY(double v) const {
  const double inches = measureUnit_ == muMillimeters ? v / kMmPerInch : v;
  return clampToInt(std::round(dpiY() * inches));
}

double TRichPrinter::PixelsToUnitsX(double p) const {
  const double inches = p / dpiX();
  return measureUnit_ == muMillimeters ? inches * kMmPerInch : inches;
}

double TRichPrinter::PixelsToUnitsY(double p) const {
  const double inches = p / dpiY();
  return measureUnit_ == muMillimeters ? inches * kMmPerInch : inches;
}

double TRichPrinter::PaperWidth() const {
  if (!hasPrinter()) return measureUnit_ == muMillimeters ? 210 : 8.5;
  return PixelsToUnitsX(printer_->physicalSize().width());
}

double TRichPrinter::PaperHeight() const {
  if (!hasPrinter()) return measureUnit_ == muMillimeters ? 297 : 11;
  return PixelsToUnitsY(printer_->physicalSize().height());
}

double TRichPrinter::PageWidth() const {
  if (!hasPrinter()) return measureUnit_ == muMillimeters ? 198 : 8;
  return PixelsToUnitsX(printer_->pageSize().width());
}

double TRichPrinter::PageHeight() const {
  if (!hasPrinter()) return measureUnit_ == muMillimeters ? 284 : 10.5;
  return PixelsToUnitsY(printer_->pageSize().height());
}

double TRichPrinter::GutterLeft() const {
  if (!hasPrinter()) return measureUnit_ == muMillimeters ? 6 : 0.25;
  return PixelsToUnitsX(printer_->physicalOffset().x());
}

double TRichPrinter::GutterTop() const {
  if (!hasPrinter()) return measureUnit_ == muMillimeters ? 6 : 0.25;
  return PixelsToUnitsY(printer_->physicalOffset().y());
}

double TRichPrinter::GutterRight() const { return PaperWidth() - PageWidth() - GutterLeft(); }
double TRichPrinter::GutterBottom() const { return PaperHeight() - PageHeight() - GutterTop(); }

int TRichPrinter::LeftMarginPixels() const { return UnitsToPixelsX(marginLeft_ - GutterLeft()); }
int TRichPrinter::RightMarginPixels() const { return UnitsToPixelsX(marginRight_ - GutterRight()); }
int TRichPrinter::TopMarginPixels() const { return UnitsToPixelsY(marginTop_ - GutterTop()); }
int TRichPrinter::BottomMarginPixels() const {
  return std::max(UnitsToPixelsY(marginBottom_ - GutterBottom()), lineHeight_);
}

int TRichPrinter::TextWidthPixels() const {
  return clampToInt(double(UnitsToPixelsX(PageWidth())) - LeftMarginPixels() - RightMarginPixels());
}

int TRichPrinter::TextHeightPixels() const {
  return clampToInt(double(UnitsToPixelsY(PageHeight())) - TopMarginPixels() - BottomMarginPixels());
}

int TRichPrinter::ColumnInset() const { return (dpiX() / 600) * 6; }
int TRichPrinter::BorderPenWidthX() const { return (dpiX() / 600) * 2; }
int TRichPrinter::BorderPenWidthY() const { return (dpiY() / 600) * 2; }

// ---- fonts and lines -----------------------------------------------------------

QFont TRichPrinter::deviceFont() const {
  // The point size on the device's own resolution, in device pixels, so the
  // printer canvas and a page picture draw the same glyph sizes.
  QFont f = headerFont_;
  double points = headerFont_.pointSizeF();
  if (points <= 0) points = headerFont_.pixelSize() > 0 ? headerFont_.pixelSize() * 72.0 / 96.0 : 10;
  f.setPixelSize(std::max(1, int(std::lround(points * dpiY() / 72.0))));
  return f;
}

void TRichPrinter::SetFont_HeaderFooter(const QFont &font, const QColor &color) {
  headerFont_ = font;
  headerColor_ = (color.rgb() & 0xFFFFFF) == 0xFFFFFF ? QColor(Qt::black) : color;
  refreshCanvasFont();
  recomputeLineHeight();
}

void TRichPrinter::refreshCanvasFont() {
  if (!canvas_) return;
  canvas_->setFont(deviceFont());
  canvas_->setPen(headerColor_);
}

void TRichPrinter::recomputeLineHeight() {
  if (!hasPrinter() && !previewing_) {
    lineHeight_ = 10;
    lineAscent_ = 8;
    return;
  }
  const QFontMetrics fm(deviceFont());
  lineHeight_ = fm.height() + fm.leading();
  lineAscent_ = fm.ascent();
}

int TRichPrinter::CanvasTextWidth(const QString &text) const {
  return QFontMetrics(deviceFont()).horizontalAdvance(text);
}

// ---- header and footer -----------------------------------------------------------

QString TRichPrinter::FitText(const QString &text, int width) const {
  if (!hasPrinter() && !previewing_) return text;
  if (text.isEmpty() || CanvasTextWidth(text) <= width) return text;
  int upper = int(text.size()), lower = 1, probe = 0, previous = -1;
  for (;;) {
    probe = (upper + lower) / 2;
    if (probe == previous) break;
    previous = probe;
    const int w = CanvasTextWidth(text.left(probe));
    if (w > width) upper = probe;
    else if (w < width) lower = probe;
    else break;
    if (lower >= upper) break;
  }
  return text.left(probe);
}

namespace {

void ReplaceMacro(QString &text, const QString &name, const QString &value) {
  if (value.contains(name)) return;
  text.replace(name, value);
}

} // namespace

QString TRichPrinter::ExpandMacros(const QString &text) const {
  QString t = text;
  ReplaceMacro(t, QStringLiteral("{$LINE}"), QString::number(lineCount_));
  ReplaceMacro(t, QStringLiteral("{$PAGE}"), QString::number(pageNumber_));
  const TDateTime now = Now();
  ReplaceMacro(t, QStringLiteral("{$DATE}"), FormatDateTime(QStringLiteral("ddddd"), now));
  ReplaceMacro(t, QStringLiteral("{$TIME}"), FormatDateTime(QStringLiteral("tt"), now));
  ReplaceMacro(t, QStringLiteral("{$TITLE}"), Title());
  return t;
}

void TRichPrinter::WriteColumns(const QString &text) {
  const QStringList columnFormats = columnFormat_.split(QLatin1Char('|'));
  const QStringList items = text.split(QLatin1Char('|'));
  const QLocale locale;
  x_ = LeftMarginPixels();
  for (qsizetype i = 0; i < columnFormats.size(); ++i) {
    QString column = columnFormats[i];
    const QString defaultWidth = locale.toString(defaultColumnWidth_, 'f', 3);
    if (column.isEmpty()) column = QLatin1Char('<') + defaultWidth;
    else if (column == QLatin1String("<") || column == QLatin1String(">") || column == QLatin1String("^")) column += defaultWidth;
    enum { Left, Right, Centre } align = Left;
    if (column.startsWith(QLatin1Char('<'))) column.remove(0, 1);
    else if (column.startsWith(QLatin1Char('>'))) { align = Right; column.remove(0, 1); }
    else if (column.startsWith(QLatin1Char('^'))) { align = Centre; column.remove(0, 1); }
    bool ok = false;
    double width = locale.toDouble(column, &ok);
    if (!ok) width = defaultColumnWidth_;
    const int columnWidth = UnitsToPixelsX(width);

    QString t = i < items.size() ? items[i] : QString();
    if (t.contains(QLatin1String("{$"))) t = ExpandMacros(t);
    t = FitText(t, columnWidth);
    const int textWidth = CanvasTextWidth(t);
    int offset = 0;
    if (align == Right) offset = columnWidth - textWidth;
    else if (align == Centre) offset = (columnWidth - textWidth) / 2;
    const int inset = ColumnInset();
    if (textWidth < columnWidth - inset) {
      if (align == Right) offset -= inset;
      else if (align == Left) offset += inset;
    }
    // The position is the text cell's top; Qt draws at the baseline.
    if (canvas_ && !t.isEmpty()) canvas_->drawText(QPoint(x_ + offset, TopMarginPixels() + y_ + lineAscent_), t);
    x_ += columnWidth;
  }
  if (y_ >= 0 && y_ < TextHeightPixels()) NewLine();
}

int TRichPrinter::NewLine() {
  x_ = 0;
  y_ += lineHeight_;
  ++lineCount_;
  if (y_ + lineHeight_ >= TextHeightPixels()) NewPage();
  return lineCount_;
}

void TRichPrinter::DrawPageDecoration() {
  ShowStatus(QStringLiteral("Currently Printing"));
  Restore<QString> keepFormat(columnFormat_);
  if (!Header.isEmpty()) {
    refreshCanvasFont();
    recomputeLineHeight();
    const int top = TopMarginPixels();
    y_ = int(std::lround((top - lineHeight_) / 2.0)) - top;
    columnFormat_ = HeaderFormat;
    WriteColumns(Header);
    if (!logo_.isNull() && canvas_) {
      const double paperW = PaperWidth(), paperH = PaperHeight();
      const int textW = TextWidthPixels(), textH = TextHeightPixels();
      const QRect logoRect(int(std::lround(LogoLeft / paperW * textW)) + LeftMarginPixels(),
                           int(std::lround(LogoTop / paperH * textH)) + ((top - lineHeight_) / 2) + lineHeight_,
                           int(std::lround(LogoWidth / paperW * textW)), int(std::lround(LogoHeight / paperH * textH)));
      canvas_->save();
      canvas_->setPen(QPen(Qt::black, 0, Qt::DotLine));
      canvas_->setBrush(Qt::NoBrush);
      canvas_->drawRect(logoRect);
      canvas_->drawImage(logoRect, logo_);
      canvas_->restore();
    }
  }
  if (!Footer.isEmpty()) {
    refreshCanvasFont();
    recomputeLineHeight();
    y_ = ((BottomMarginPixels() - lineHeight_) / 2) + TextHeightPixels();
    columnFormat_ = FooterFormat;
    WriteColumns(Footer);
  }
  x_ = 0;
  y_ = 0;
  lineCount_ = 0;
  if (OnNewPage) OnNewPage(this);
  if (!canvas_ || !PageBorders) return;
  const int l = LeftMarginPixels(), t = TopMarginPixels(), w = TextWidthPixels(), h = TextHeightPixels();
  canvas_->save();
  // A zero width is the device's thinnest line.
  canvas_->setPen(QPen(Qt::black, BorderPenWidthY()));
  const int b = UnitsToPixelsY(BorderOffset);
  if (PageBorders & pbTop) canvas_->drawLine(l - b, t - b, l + w + b, t - b);
  if (PageBorders & pbBottom) canvas_->drawLine(l - b, t + h + 2 * b, l + w + b, t + h + 2 * b);
  canvas_->setPen(QPen(Qt::black, BorderPenWidthX()));
  const int d = UnitsToPixelsX(BorderOffset);
  if (PageBorders & pbLeft) canvas_->drawLine(l - d, t - d, l - d, t + h + 2 * d);
  if (PageBorders & pbRight) canvas_->drawLine(l + w + d, t - d, l + w + d, t + h + 2 * d);
  canvas_->restore();
}

// ---- progress ---------------------------------------------------------------------

void TRichPrinter::ShowStatus(const QString *status) {
  if (ShowProgress && (printing() || previewing_)) {
    if (!progress_) progress_ = std::make_unique<TRichPrntProgDlg>();
    if (progress_->isHidden()) progress_->show();
    if (status) progress_->lblStatus->setText(*status);
    progress_->lblTitle->setText(Title());
    progress_->lblPageNumber->setText(QString::number(pageNumber_));
    progress_->repaint();
  } else if (progress_) {
    if (progress_->isVisible()) progress_->close();
    progress_.reset();
  }
}

// ---- the run -------------------------------------------------------------------------

void TRichPrinter::BeginDoc() {
  if (SaveMargins) LoadSettings();
  if (OnBeginDoc) OnBeginDoc(this);
  if (!previewing_) {
    try {
      printer_->beginDoc();
    } catch (const EPrinter &e) {
      throw ELinePrinter(printer_->qprinter().outputFormat() == QPrinter::PdfFormat
                             ? e.message()
                             : QStringLiteral("Not be able to start the printing."));
    }
    canvas_ = printer_->canvas();
  }
  refreshCanvasFont();
  recomputeLineHeight();
  ShowStatus(previewing_ ? QStringLiteral("Preparing to Print Preview") : QStringLiteral("Preparing to Print"));
  lineCount_ = 0;
  pageNumber_ = FirstPageNumber;
  DrawPageDecoration();
}

int TRichPrinter::NewPage() {
  if (!previewing_) {
    try {
      printer_->newPage();
    } catch (const EPrinter &) {
      throw ELinePrinter(QStringLiteral("Not be able to print a new page."));
    }
  }
  ++pageNumber_;
  if (previewing_) StorePreviewPage(true);
  DrawPageDecoration();
  return pageNumber_;
}

void TRichPrinter::EndDoc() {
  ShowStatus(previewing_ ? QStringLiteral("Finished Preparing Preview") : QStringLiteral("Finished Printing"));
  auto after = [this] {
    if (previewing_) {
      StorePreviewPage(false);
      previewing_ = false;
    }
    canvas_ = nullptr;
    ShowStatus(nullptr);
    if (OnEndDoc) OnEndDoc(this);
  };
  try {
    if (!previewing_) {
      try {
        printer_->endDoc();
      } catch (const EPrinter &) {
        throw ELinePrinter(printer_->qprinter().outputFormat() == QPrinter::PdfFormat
                               ? QStringLiteral("Not be able to print to a file.")
                               : QStringLiteral("Not be able to end the printing."));
      }
    }
  } catch (...) {
    after();
    throw;
  }
  after();
}

void TRichPrinter::FormatRange() {
  const qint64 l = LeftMarginPixels(), t = TopMarginPixels(), w = TextWidthPixels(), h = TextHeightPixels();
  rcTwips_ = QRect(QPoint(int(l * 1440 / dpiX()), int(t * 1440 / dpiY())),
                   QPoint(int((l + w) * 1440 / dpiX()) - 1, int((t + h) * 1440 / dpiY()) - 1));
}

bool TRichPrinter::remainderIsBlank(int from) const {
  // What is left after a page may be only paragraph ends, blanks and form
  // feeds; such a rest gets no page of its own. Anything else is printed.
  const int len = re_->textLength();
  for (int pos = from; pos < len; ++pos) {
    const QChar c = re_->document()->characterAt(pos);
    if (!c.isSpace() && c != QChar(QChar::ParagraphSeparator)) return false;
  }
  return true;
}

void TRichPrinter::Print(re::RichEditControl &re, int firstPageNumber) {
  re_ = &re;
  FirstPageNumber = firstPageNumber;
  recomputeLineHeight();
  // Margins that leave no text area would print pages that hold nothing.
  if (TextWidthPixels() <= 0 || TextHeightPixels() <= 0)
    throw ELinePrinter(QStringLiteral("The margins leave no room for text on the page."));

  BeginDoc();
  const QSize dpi(dpiX(), dpiY());
  try {
    FormatRange();
    const int length = re.textLength();
    re.freeFormatRangeCache();
    int start = 0, next = 0, previous = 0;
    bool finished = false;
    do {
      next = re.formatRange(canvas_, rcTwips_, rcTwips_, start, -1, canvas_ != nullptr, dpi);
      previous = start;
      start = next;
      if (next < length && next != -1) {
        if (remainderIsBlank(next)) {
          finished = true;
        } else {
          NewPage();
          FormatRange();
        }
      }
    } while (next < length && next != -1 && next > previous && !finished);
    re.freeFormatRangeCache();
  } catch (...) {
    re.freeFormatRangeCache();
    if (!previewing_) printer_->abort();
    canvas_ = nullptr;
    previewing_ = false;
    ShowStatus(nullptr);
    throw;
  }
  EndDoc();
}

// ---- properties ---------------------------------------------------------------------

void TRichPrinter::SetMeasureUnit(TMeasureUnit unit) {
  if (unit == measureUnit_) return;
  measureUnit_ = unit;
  if (!constructing_) {
    const double f = unit == muInches ? 1 / kMmPerInch : kMmPerInch;
    SetMarginTop(marginTop_ * f);
    SetMarginBottom(marginBottom_ * f);
    SetMarginLeft(marginLeft_ * f);
    SetMarginRight(marginRight_ * f);
    BorderOffset *= f;
    defaultColumnWidth_ *= f;
    LogoHeight *= f;
    LogoLeft *= f;
    LogoTop *= f;
    LogoWidth *= f;
    FooterFormat = convertFormat(FooterFormat, f);
    HeaderFormat = convertFormat(HeaderFormat, f);
    ReapplyValues();
  }
  SetOptions_Dialog(optionsDialog_);
}

QString TRichPrinter::convertFormat(const QString &format, double factor) const {
  // The width of a one-column format in the new unit, right-aligned; a format
  // whose width does not read as a number is left as it is.
  const QLocale locale;
  bool ok = false;
  const double width = locale.toDouble(format.mid(1), &ok);
  if (!ok) return format;
  return QLatin1Char('>') + locale.toString(width * factor, 'f', 3).rightJustified(8);
}

void TRichPrinter::ReapplyValues() {
  if (printing()) return;
  SetMarginTop(marginTop_);
  SetMarginBottom(marginBottom_);
  SetMarginLeft(marginLeft_);
  SetMarginRight(marginRight_);
}

void TRichPrinter::SetMarginTop(double v) {
  if (printing()) throw ELinePrinter(QStringLiteral("Unable to change top margin while printing"));
  if (v < GutterTop()) v = GutterTop();
  else if (v > PaperHeight() - GutterBottom()) v = PaperHeight() - GutterBottom();
  marginTop_ = v;
}

void TRichPrinter::SetMarginBottom(double v) {
  if (printing()) throw ELinePrinter(QStringLiteral("Unable to change bottom margin while printing"));
  if (v < GutterBottom()) v = GutterBottom();
  else if (v >= PaperHeight() - GutterTop()) v = PaperHeight() - GutterTop();
  marginBottom_ = v;
}

void TRichPrinter::SetMarginLeft(double v) {
  if (printing()) throw ELinePrinter(QStringLiteral("Unable to change left margin while printing"));
  if (v < GutterLeft()) v = GutterLeft();
  else if (v > PaperWidth() - GutterRight()) v = PaperWidth() - GutterRight();
  marginLeft_ = v;
}

void TRichPrinter::SetMarginRight(double v) {
  if (printing()) throw ELinePrinter(QStringLiteral("Unable to change right margin while printing"));
  if (v < GutterRight()) v = GutterRight();
  else if (v >= PaperWidth() - GutterLeft()) v = PaperWidth() - GutterLeft();
  marginRight_ = v;
}

QString TRichPrinter::Title() const {
  return hasPrinter() ? printer_->title() : QStringLiteral("<Unknown>");
}

void TRichPrinter::SetTitle(const QString &title) {
  if (printing()) throw ELinePrinter(QStringLiteral("Unable to change title while printing"));
  if (hasPrinter()) printer_->setTitle(title);
}

QPageLayout::Orientation TRichPrinter::Orientation() const {
  return hasPrinter() ? printer_->orientation() : QPageLayout::Portrait;
}

void TRichPrinter::SetOrientation(QPageLayout::Orientation orientation) {
  if (printing()) throw ELinePrinter(QStringLiteral("Unable to change orientation while printing"));
  if (hasPrinter()) printer_->setOrientation(orientation);
}

void TRichPrinter::SetOptions_Dialog(TPageOptions options) {
  unsigned flags = 0;
  if (options & poDisableMargins) {
    flags |= PSD_DISABLEMARGINS;
    options &= ~unsigned(poMargins);
  } else if (options & poMargins) {
    flags |= PSD_MARGINS;
  }
  if (options & poDisableOrientation) flags |= PSD_DISABLEORIENTATION;
  if (options & poDisablePaper) flags |= PSD_DISABLEPAPERSIZE;
  if (options & poDisablePrinter) flags |= PSD_DISABLEPRINTER;
  flags |= measureUnit_ == muMillimeters ? PSD_INHUNDREDTHSOFMILLIMETERS : PSD_INTHOUSANDTHSOFINCHES;
  optionsDialog_ = options;
  pageSetupFlags_ = flags;
}

} // namespace qel
