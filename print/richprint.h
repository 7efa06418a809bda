#pragma once
// TRichPrinter: lays the whole text of a rich-edit control out on pages with
// margins measured from the paper edge, a header and a footer line of aligned
// columns with macros, an optional logo and border lines, and prints it on
// the printer object or renders the same pages as page pictures for the
// preview.

#include "print/measureunit.h"
#include "print/printer.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QMargins>
#include <QPageLayout>
#include <QString>
#include <functional>
#include <memory>

class QPainter;
class QPicture;

namespace qel {

namespace re {
class RichEditControl;
}

class TRichPrntProgDlg;
class TRichPreviewForm;
class TRegistry;

// Every refusal and printer failure of the rich printer.
class ELinePrinter : public EPrinter {
public:
  using EPrinter::EPrinter;
};

enum TPageBorderStyle : unsigned { pbTop = 1, pbBottom = 2, pbLeft = 4, pbRight = 8 };
using TPageBorders = unsigned;  // a set of TPageBorderStyle

enum TPageSetupFlags : unsigned {
  poDisableMargins = 1,
  poMargins = 2,
  poDisableOrientation = 4,
  poDisablePaper = 8,
  poDisablePrinter = 16,
};
using TPageOptions = unsigned;  // a set of TPageSetupFlags

// The page setup dialog's flag bits, as the flags word carries them.
inline constexpr unsigned PSD_MARGINS = 0x2;
inline constexpr unsigned PSD_INTHOUSANDTHSOFINCHES = 0x4;
inline constexpr unsigned PSD_INHUNDREDTHSOFMILLIMETERS = 0x8;
inline constexpr unsigned PSD_DISABLEMARGINS = 0x10;
inline constexpr unsigned PSD_DISABLEPRINTER = 0x20;
inline constexpr unsigned PSD_DISABLEORIENTATION = 0x100;
inline constexpr unsigned PSD_DISABLEPAPERSIZE = 0x200;
inline constexpr unsigned PSD_ENABLEPAGESETUPHOOK = 0x2000;

class TRichPrinter {
public:
  using TNotifyEvent = std::function<void(TRichPrinter *)>;

  // Prints on `printer`, or on the program's Printer() when null.
  explicit TRichPrinter(TPrinter *printer = nullptr);
  ~TRichPrinter();
  TRichPrinter(const TRichPrinter &) = delete;
  TRichPrinter &operator=(const TRichPrinter &) = delete;

  TPrinter &printer() const { return *printer_; }

  // ---- runs ----
  // Prints (or, while a preview is built, renders) the whole text of `re`;
  // page numbers start at `firstPageNumber`. Throws ELinePrinter.
  void Print(re::RichEditControl &re, int firstPageNumber = 1);
  // Renders the pages of `re` into a new preview window, shown as soon as
  // its first page exists, and returns it (it deletes itself on close);
  // null when not one page could be built (the user has been told why).
  TRichPreviewForm *Preview(re::RichEditControl &re);
  // The page setup dialog; true when the user confirmed it.
  bool PageSetup();
  // The margins the page setup dialog is given: left, top, right, bottom in
  // hundredths of a millimetre or thousandths of an inch.
  QMargins PageSetupDialogMargins() const;

  void BeginDoc();
  int NewPage();
  int NewLine();
  void EndDoc();
  void WriteColumns(const QString &text);

  // ---- settings store ----
  void LoadSettings();
  void SaveSettings();
  void SaveCompressSetting();

  // ---- published properties ----
  TMeasureUnit MeasureUnit() const { return measureUnit_; }
  void SetMeasureUnit(TMeasureUnit unit);
  double MarginTop() const { return marginTop_; }
  double MarginBottom() const { return marginBottom_; }
  double MarginLeft() const { return marginLeft_; }
  double MarginRight() const { return marginRight_; }
  void SetMarginTop(double v);
  void SetMarginBottom(double v);
  void SetMarginLeft(double v);
  void SetMarginRight(double v);
  double LogoTop = 0, LogoLeft = 0, LogoWidth = 25, LogoHeight = 20;
  double BorderOffset = 2;
  QString Header = QStringLiteral("{$TITLE}");
  QString HeaderFormat = QStringLiteral(">100");
  QString Footer = QStringLiteral("Page {$PAGE}");
  QString FooterFormat = QStringLiteral(">100");
  TPageBorders PageBorders = 0;
  bool ShowProgress = true;
  // The header and footer font and its colour (a white text prints black).
  QFont Font_HeaderFooter() const { return headerFont_; }
  QColor FontColor_HeaderFooter() const { return headerColor_; }
  void SetFont_HeaderFooter(const QFont &font, const QColor &color = Qt::black);
  QPageLayout::Orientation Orientation() const;
  void SetOrientation(QPageLayout::Orientation orientation);
  QString Title() const;
  void SetTitle(const QString &title);
  double GutterTop() const;
  double GutterBottom() const;
  double GutterLeft() const;
  double GutterRight() const;
  TPageOptions Options_Dialog() const { return optionsDialog_; }
  void SetOptions_Dialog(TPageOptions options);
  unsigned PageSetupFlags() const { return pageSetupFlags_; }
  const QImage &BitmapLogo() const { return logo_; }
  void SetBitmapLogo(const QImage &image) { logo_ = image; }
  bool SaveMargins = false;
  bool CompressPreview = true;
  TNotifyEvent OnBeginDoc, OnEndDoc, OnAbortDoc, OnNewPage;
  double DefaultColumnWidth() const { return defaultColumnWidth_; }

  // ---- geometry, in MeasureUnit or device pixels ----
  int UnitsToPixelsX(double v) const;
  int UnitsToPixelsY(double v) const;
  double PixelsToUnitsX(double p) const;
  double PixelsToUnitsY(double p) const;
  double PaperWidth() const;
  double PaperHeight() const;
  double PageWidth() const;
  double PageHeight() const;
  int LeftMarginPixels() const;
  int RightMarginPixels() const;
  int TopMarginPixels() const;
  int BottomMarginPixels() const;
  int TextWidthPixels() const;
  int TextHeightPixels() const;
  int LineHeight() const { return lineHeight_; }

  // ---- run state ----
  int PageNumber() const { return pageNumber_; }
  int LineCount() const { return lineCount_; }
  bool Previewing() const { return previewing_; }
  // Inset of a column text from its column edge, and the border pen widths.
  int ColumnInset() const;
  int BorderPenWidthX() const;
  int BorderPenWidthY() const;
  // The header or footer text of one column cut to `width` pixels.
  QString FitText(const QString &text, int width) const;
  QString ExpandMacros(const QString &text) const;
  // Text width on the drawing canvas with the header font, in pixels.
  int CanvasTextWidth(const QString &text) const;
  TRichPrntProgDlg *ProgressDialog() const { return progress_.get(); }

private:
  friend class TRichPreviewForm;
  int dpiX() const;
  int dpiY() const;
  bool hasPrinter() const { return printer_->available(); }
  // Is the printer busy with a job (the margin setters refuse then)?
  bool printing() const { return printer_->printing(); }
  QFont deviceFont() const;
  void refreshCanvasFont();
  void recomputeLineHeight();
  void DrawPageDecoration();
  void ShowStatus(const QString *status);
  void ShowStatus(const QString &status) { ShowStatus(&status); }
  void FormatRange();
  void ReapplyValues();
  QString convertFormat(const QString &format, double factor) const;
  bool remainderIsBlank(int from) const;
  void StartPreviewPage();
  void StorePreviewPage(bool more);
  void endPreviewState();

  TPrinter *printer_;
  QPainter *canvas_ = nullptr;  // the printer's canvas or the page picture's
  std::unique_ptr<TRichPrntProgDlg> progress_;
  int FirstPageNumber = 1;
  re::RichEditControl *re_ = nullptr;
  int lineAscent_ = 0;
  int lineHeight_ = 10;
  QString columnFormat_;
  int x_ = 0, y_ = 0;
  int lineCount_ = 0;
  bool constructing_ = true;
  bool previewing_ = false;
  unsigned pageSetupFlags_ = 0;
  double defaultColumnWidth_ = 0;
  int pageNumber_ = 0;
  QRect rcTwips_;

  TMeasureUnit measureUnit_ = muMillimeters;
  double marginTop_ = 30, marginBottom_ = 25, marginLeft_ = 25, marginRight_ = 15;
  QFont headerFont_;
  QColor headerColor_ = Qt::black;
  TPageOptions optionsDialog_ = poMargins;
  QImage logo_;

  // Preview pages under construction, and who takes each finished one.
  std::function<void(const QPicture &)> pageSink_;
  std::unique_ptr<QPicture> pagePicture_;
  std::unique_ptr<QPainter> picturePainter_;
};

} // namespace qel
