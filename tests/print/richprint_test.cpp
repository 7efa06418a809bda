#include "print/richprint.h"

#include "platform/richedit/richeditcontrol.h"
#include "print/richprntprogdlg.h"
#include "tests/print/pdftools.h"
#include "tests/support/testenv.h"

#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPrinter>
#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

namespace {

constexpr double kPtPerMm = 72.0 / 25.4;

// A PDF printer at a given resolution, A4 portrait, with the default
// unprintable border of the PDF engine as its gutters.
struct PdfPrinter {
  explicit PdfPrinter(const QString &name, int dpi = 600) {
    file = freshDir(QStringLiteral("print")) + name + QStringLiteral(".pdf");
    printer.setPdfFile(file);
    printer.qprinter().setResolution(dpi);
    printer.qprinter().setPageSize(QPageSize(QPageSize::A4));
    printer.qprinter().setPageMargins(QMarginsF(5, 5, 5, 5), QPageLayout::Millimeter);
    printer.setOrientation(QPageLayout::Portrait);
  }
  TPrinter printer;
  QString file;
};

// The program's settings of its instance, on a PDF printer.
void programInstance(TRichPrinter &rp) {
  rp.SetMarginTop(20);
  rp.SetMarginBottom(20);
  rp.SetMarginLeft(25);
  rp.SetMarginRight(20);
  rp.HeaderFormat = QStringLiteral("> 100.000");
  rp.FooterFormat = QStringLiteral("> 100.000");
  rp.PageBorders = pbTop;
  rp.SetTitle(QStringLiteral("Qel Moravine"));
  rp.ShowProgress = false;
}

class RichPrint : public ::testing::Test {
protected:
  void SetUp() override {
    if (!havePdfTools()) GTEST_SKIP() << "pdfinfo/pdftotext not installed";
  }
};

QString lines(int from, int to) {
  QStringList l;
  for (int i = from; i <= to; ++i) l << QStringLiteral("Line%1").arg(i);
  return l.join(QLatin1Char('\r'));
}

} // namespace

TEST_F(RichPrint, EmptyTextPrintsOnePageWithHeaderFooterAndBorders) {
  PdfPrinter pdf(QStringLiteral("empty"));
  TRichPrinter rp(&pdf.printer);
  programInstance(rp);
  rp.PageBorders = pbTop | pbBottom | pbLeft | pbRight;
  rp.ShowProgress = true;
  int pagesStarted = 0;
  bool progressSeen = false;
  bool numberClear = false;
  rp.OnNewPage = [&](TRichPrinter *p) {
    ++pagesStarted;
    TRichPrntProgDlg *dlg = p->ProgressDialog();
    progressSeen = dlg && dlg->isVisible();
    // The page number stands after "Page Number:", not over its colon.
    if (dlg) {
      const QRect caption = dlg->lblPageNumDesc->geometry();
      numberClear = caption.width() >= dlg->lblPageNumDesc->sizeHint().width() &&
                    dlg->lblPageNumber->geometry().left() > caption.right();
    }
  };
  re::RichEditControl e;
  rp.Print(e, 1);
  EXPECT_EQ(pagesStarted, 1);
  EXPECT_TRUE(progressSeen);
  EXPECT_TRUE(numberClear);
  EXPECT_EQ(rp.ProgressDialog(), nullptr);  // gone after the run
  EXPECT_EQ(pdfPages(pdf.file), 1);
  const QSizeF size = pdfPageSize(pdf.file);
  EXPECT_NEAR(size.width(), 595, 2);
  EXPECT_NEAR(size.height(), 842, 2);
  const QString text = pdfText(pdf.file);
  EXPECT_TRUE(text.contains(QStringLiteral("Qel Moravine"))) << qPrintable(text);
  EXPECT_TRUE(text.contains(QStringLiteral("Page 1"))) << qPrintable(text);

  // The borders: render the PDF's page and look for the four lines.
  const QString png = pdf.file + QStringLiteral("-page");
  runTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-gray"),
                                        QStringLiteral("-png"), QStringLiteral("-singlefile"), pdf.file, png});
  QImage page(png + QStringLiteral(".png"));
  if (page.isNull()) GTEST_SKIP() << "pdftoppm not available";
  auto dark = [&](double xmm, double ymm) {
    const int x = int(std::lround(xmm * kPtPerMm)), y = int(std::lround(ymm * kPtPerMm));
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (qGray(page.pixel(x + dx, y + dy)) < 128) return true;
    return false;
  };
  // Text area: left 25, right 210 - 20, top 20, bottom 297 - 20 (the footer
  // band is at least a line). Border lines lie 2 mm outside, the bottom 4 mm.
  EXPECT_TRUE(dark(100, 20 - 2));     // top
  EXPECT_TRUE(dark(25 - 2, 150));     // left
  EXPECT_TRUE(dark(190 + 2, 150));    // right
  EXPECT_FALSE(dark(100, 150));       // nothing in the middle
  bool bottom = false;
  for (double y = 270; y < 285 && !bottom; y += 0.25) bottom = dark(100, y) && dark(60, y);
  EXPECT_TRUE(bottom);
}

TEST_F(RichPrint, TextEndingOneCharacterIntoANewPagePrintsIt) {
  PdfPrinter probe(QStringLiteral("probe"));
  TRichPrinter rp(&probe.printer);
  programInstance(rp);
  re::RichEditControl e;
  e.setText(lines(0, 199));
  rp.Print(e, 1);
  ASSERT_GT(pdfPages(probe.file), 1);
  // The last line of the first page.
  int last = -1;
  for (const PdfWord &w : pdfWords(probe.file))
    if (w.page == 1 && w.text.startsWith(QStringLiteral("Line"))) last = std::max(last, w.text.mid(4).toInt());
  ASSERT_GT(last, 10);

  for (const QString &tail : {QStringLiteral("Z"), QStringLiteral("YZ")}) {
    PdfPrinter pdf(QStringLiteral("tail") + tail);
    TRichPrinter rp2(&pdf.printer);
    programInstance(rp2);
    re::RichEditControl e2;
    e2.setText(lines(0, last) + QLatin1Char('\r') + tail);
    rp2.Print(e2, 1);
    EXPECT_EQ(pdfPages(pdf.file), 2) << qPrintable(tail);
    EXPECT_TRUE(pdfText(pdf.file, 2).contains(tail)) << qPrintable(tail);
    EXPECT_TRUE(pdfText(pdf.file, 2).contains(QStringLiteral("Page 2")));
  }
}

TEST_F(RichPrint, FormFeedsGiveOnePagePerCard) {
  struct Case {
    const char *name;
    QString text;
  } cases[] = {
      {"joined", QStringLiteral("Card one\r\f\rCard two\rsecond line\r\f\rCard three")},
      {"trailing", QStringLiteral("Card one\r\f\rCard two\rsecond line\r\f\rCard three\r\f\r\r  ")},
      {"inline", QStringLiteral("Card one\f\rCard two\fx\rCard three")},
  };
  for (const Case &c : cases) {
    PdfPrinter pdf(QString::fromLatin1(c.name));
    TRichPrinter rp(&pdf.printer);
    programInstance(rp);
    re::RichEditControl e;
    e.setText(c.text);
    rp.Print(e, 1);
    ASSERT_EQ(pdfPages(pdf.file), 3) << c.name;
    const char *cards[] = {"one", "two", "three"};
    for (int i = 0; i < 3; ++i) {
      const QString page = pdfText(pdf.file, i + 1);
      EXPECT_TRUE(page.contains(QStringLiteral("Card ") + QLatin1String(cards[i]))) << c.name << qPrintable(page);
      EXPECT_TRUE(page.contains(QStringLiteral("Page %1").arg(i + 1))) << c.name;
      EXPECT_EQ(page.count(QStringLiteral("Card ")), 1) << c.name << qPrintable(page);
    }
  }
}

TEST_F(RichPrint, TwoColumnHeaderAndFallbackWidths) {
  struct Case {
    const char *name;
    QString format;
    double titleCentre;  // mm from the paper's left edge, -1: not checked
    double pageRight;    // right edge of "Page 1", mm
  } cases[] = {
      // Centred in 50 mm from the left margin (25), right-aligned in the next 30.
      {"columns", QStringLiteral("^50|>30"), 25 + 25, 25 + 80},
      // A width that does not read falls back to the default column width (0):
      // the second column starts at the margin.
      {"fallback", QStringLiteral("^50,x|>30"), -1, 25 + 30},
  };
  for (const Case &c : cases) {
    PdfPrinter pdf(QString::fromLatin1(c.name));
    TRichPrinter rp(&pdf.printer);
    programInstance(rp);
    rp.SetTitle(QStringLiteral("Cards"));
    rp.Header = QStringLiteral("{$TITLE}|Page {$PAGE}");
    rp.HeaderFormat = c.format;
    rp.Footer.clear();
    re::RichEditControl e;
    e.setText(QStringLiteral("body"));
    rp.Print(e, 1);
    const auto words = pdfWords(pdf.file);
    const PdfWord *page = findWord(words, QStringLiteral("Page"));
    const PdfWord *one = findWord(words, QStringLiteral("1"));
    ASSERT_TRUE(page && one) << c.name;
    const double inset = 6.0 / 600 * 25.4;  // at 600 dpi
    EXPECT_NEAR(one->box.right() / kPtPerMm, c.pageRight - inset, 0.8) << c.name;
    EXPECT_LT(page->box.top() / kPtPerMm, 20) << c.name;  // in the band above the text
    if (c.titleCentre >= 0) {
      const PdfWord *title = findWord(words, QStringLiteral("Cards"));
      ASSERT_TRUE(title);
      EXPECT_NEAR(title->box.center().x() / kPtPerMm, c.titleCentre, 0.8) << c.name;
    }
  }
}

TEST_F(RichPrint, ResolutionSetsInsetAndPenWidths) {
  struct Case {
    int dpi, inset, pen;
  } cases[] = {{300, 0, 0}, {600, 6, 2}, {1200, 12, 4}};
  for (const Case &c : cases) {
    PdfPrinter pdf(QStringLiteral("dpi%1").arg(c.dpi), c.dpi);
    TRichPrinter rp(&pdf.printer);
    programInstance(rp);
    EXPECT_EQ(rp.ColumnInset(), c.inset) << c.dpi;
    EXPECT_EQ(rp.BorderPenWidthX(), c.pen) << c.dpi;
    EXPECT_EQ(rp.BorderPenWidthY(), c.pen) << c.dpi;
    re::RichEditControl e;
    rp.Print(e, 1);
    // The right-aligned footer ends the inset before the column's edge
    // (left margin 25 + column 100 mm).
    const auto words = pdfWords(pdf.file);  // the word found points into it
    const PdfWord *one = findWord(words, QStringLiteral("1"));
    ASSERT_TRUE(one) << c.dpi;
    EXPECT_NEAR(one->box.right() / kPtPerMm, 125 - c.inset * 25.4 / c.dpi, 0.5) << c.dpi;
  }
}

TEST_F(RichPrint, ObjectWiderThanTheTextAreaEnds) {
  PdfPrinter pdf(QStringLiteral("wide"));
  TRichPrinter rp(&pdf.printer);
  programInstance(rp);
  re::RichEditControl e;
  e.setText(QStringLiteral("before\rafter"));
  e.setSel(7, 7);
  e.insertPicture(QImage(3000, 3000, QImage::Format_RGB32));  // wider and taller than the page
  rp.Print(e, 1);
  const int pages = pdfPages(pdf.file);
  EXPECT_GE(pages, 2);
  EXPECT_LE(pages, 3);
  EXPECT_TRUE(pdfText(pdf.file).contains(QStringLiteral("after")));
}

TEST_F(RichPrint, MarginsWithoutTextAreaAreRefusedBeforePrinting) {
  PdfPrinter pdf(QStringLiteral("nomargins"));
  TRichPrinter rp(&pdf.printer);
  programInstance(rp);
  rp.SetMarginLeft(120);
  rp.SetMarginRight(100);
  re::RichEditControl e;
  e.setText(QStringLiteral("text"));
  try {
    rp.Print(e, 1);
    FAIL() << "printed";
  } catch (const ELinePrinter &err) {
    EXPECT_EQ(err.message(), QStringLiteral("The margins leave no room for text on the page."));
  }
  EXPECT_FALSE(pdf.printer.printing());
  EXPECT_FALSE(QFile::exists(pdf.file));
}

TEST_F(RichPrint, SettersRefuseWhilePrinting) {
  PdfPrinter pdf(QStringLiteral("refuse"));
  TRichPrinter rp(&pdf.printer);
  programInstance(rp);
  QStringList refusals;
  rp.OnNewPage = [&](TRichPrinter *p) {
    const std::function<void()> sets[] = {
        [p] { p->SetMarginTop(10); },    [p] { p->SetMarginBottom(10); },
        [p] { p->SetMarginLeft(10); },   [p] { p->SetMarginRight(10); },
        [p] { p->SetTitle(QString()); }, [p] { p->SetOrientation(QPageLayout::Landscape); },
    };
    for (const auto &set : sets) {
      try {
        set();
      } catch (const ELinePrinter &e) {
        refusals << e.message();
      }
    }
  };
  re::RichEditControl e;
  rp.Print(e, 1);
  EXPECT_EQ(refusals, (QStringList{QStringLiteral("Unable to change top margin while printing"),
                                   QStringLiteral("Unable to change bottom margin while printing"),
                                   QStringLiteral("Unable to change left margin while printing"),
                                   QStringLiteral("Unable to change right margin while printing"),
                                   QStringLiteral("Unable to change title while printing"),
                                   QStringLiteral("Unable to change orientation while printing")}));
  EXPECT_DOUBLE_EQ(rp.MarginTop(), 20);
  // After the run they are accepted again.
  rp.SetMarginTop(30);
  EXPECT_DOUBLE_EQ(rp.MarginTop(), 30);
}

TEST_F(RichPrint, PrintingToAnUnwritableFileFails) {
  PdfPrinter pdf(QStringLiteral("unwritable"));
  const QString target = freshDir(QStringLiteral("ro")) + QStringLiteral("missing/folder/x.pdf");
  pdf.printer.setPdfFile(target);
  TRichPrinter rp(&pdf.printer);
  programInstance(rp);
  re::RichEditControl e;
  try {
    rp.Print(e, 1);
    FAIL() << "printed";
  } catch (const ELinePrinter &err) {
    EXPECT_EQ(err.message(), QStringLiteral("Cannot create file \"%1\".").arg(target));
  }
  EXPECT_FALSE(pdf.printer.printing());
}

// ---- geometry, without a PDF judge ----

TEST(RichPrintGeometry, UnitSwitchRewritesFormatsAndMargins) {
  PdfPrinter pdf(QStringLiteral("unit"));
  TRichPrinter rp(&pdf.printer);
  programInstance(rp);
  rp.BorderOffset = 2;
  rp.SetMeasureUnit(muInches);
  EXPECT_EQ(rp.HeaderFormat, QStringLiteral(">   3.937"));
  EXPECT_EQ(rp.FooterFormat, QStringLiteral(">   3.937"));
  EXPECT_NEAR(rp.MarginLeft(), 25 / 25.4, 1e-9);
  EXPECT_NEAR(rp.MarginTop(), 20 / 25.4, 1e-9);
  EXPECT_NEAR(rp.BorderOffset, 2 / 25.4, 1e-12);
  EXPECT_NEAR(rp.LogoWidth, 25 / 25.4, 1e-12);
  EXPECT_EQ(rp.PageSetupFlags() & (PSD_INTHOUSANDTHSOFINCHES | PSD_INHUNDREDTHSOFMILLIMETERS), PSD_INTHOUSANDTHSOFINCHES);
  EXPECT_NEAR(rp.PaperWidth(), 8.27, 0.01);
  rp.SetMeasureUnit(muMillimeters);
  EXPECT_NEAR(rp.MarginLeft(), 25, 1e-9);
  EXPECT_EQ(rp.HeaderFormat, QStringLiteral("> 100.000"));
  // A format that does not read as a number is kept.
  rp.HeaderFormat = QStringLiteral("^50|>30");
  rp.SetMeasureUnit(muInches);
  EXPECT_EQ(rp.HeaderFormat, QStringLiteral("^50|>30"));
}

TEST(RichPrintGeometry, MarginSettersClampToGuttersAndPaper) {
  PdfPrinter pdf(QStringLiteral("clamp"));
  TRichPrinter rp(&pdf.printer);
  EXPECT_NEAR(rp.GutterTop(), 5, 0.05);
  EXPECT_NEAR(rp.GutterRight(), 5, 0.05);
  rp.SetMarginTop(1);
  EXPECT_DOUBLE_EQ(rp.MarginTop(), rp.GutterTop());
  rp.SetMarginTop(500);
  EXPECT_DOUBLE_EQ(rp.MarginTop(), rp.PaperHeight() - rp.GutterBottom());
  rp.SetMarginBottom(0);
  EXPECT_DOUBLE_EQ(rp.MarginBottom(), rp.GutterBottom());
  rp.SetMarginLeft(-3);
  EXPECT_DOUBLE_EQ(rp.MarginLeft(), rp.GutterLeft());
  rp.SetMarginRight(400);
  EXPECT_DOUBLE_EQ(rp.MarginRight(), rp.PaperWidth() - rp.GutterLeft());
  rp.SetMarginRight(17.5);
  EXPECT_DOUBLE_EQ(rp.MarginRight(), 17.5);
}

TEST(RichPrintGeometry, ConstructorDefaultsAndFlagWord) {
  PdfPrinter pdf(QStringLiteral("defaults"));
  TRichPrinter rp(&pdf.printer);
  EXPECT_EQ(rp.MeasureUnit(), muMillimeters);
  EXPECT_EQ(rp.MarginTop(), 30);
  EXPECT_EQ(rp.MarginBottom(), 25);
  EXPECT_EQ(rp.MarginLeft(), 25);
  EXPECT_EQ(rp.MarginRight(), 15);
  EXPECT_EQ(rp.Header, QStringLiteral("{$TITLE}"));
  EXPECT_EQ(rp.HeaderFormat, QStringLiteral(">100"));
  EXPECT_EQ(rp.Footer, QStringLiteral("Page {$PAGE}"));
  EXPECT_EQ(rp.Font_HeaderFooter().family(), QStringLiteral("Courier New"));
  EXPECT_EQ(rp.Options_Dialog(), TPageOptions(poMargins));
  EXPECT_EQ(rp.PageSetupFlags(), PSD_MARGINS | PSD_INHUNDREDTHSOFMILLIMETERS);
  EXPECT_TRUE(rp.CompressPreview);
  EXPECT_FALSE(rp.SaveMargins);

  struct Case {
    TPageOptions options, stored;
    unsigned flags;
  } cases[] = {
      {poDisableMargins | poMargins, poDisableMargins, PSD_DISABLEMARGINS},
      {poMargins, poMargins, PSD_MARGINS},
      {poMargins | poDisableOrientation | poDisablePaper | poDisablePrinter,
       poMargins | poDisableOrientation | poDisablePaper | poDisablePrinter,
       PSD_MARGINS | PSD_DISABLEORIENTATION | PSD_DISABLEPAPERSIZE | PSD_DISABLEPRINTER},
      {0, 0, 0},
  };
  for (const Case &c : cases) {
    rp.SetOptions_Dialog(c.options);
    EXPECT_EQ(rp.Options_Dialog(), c.stored);
    EXPECT_EQ(rp.PageSetupFlags(), c.flags | PSD_INHUNDREDTHSOFMILLIMETERS);
  }
}

TEST(RichPrintGeometry, MacrosAndFitText) {
  PdfPrinter pdf(QStringLiteral("macros"));
  TRichPrinter rp(&pdf.printer);
  rp.SetTitle(QStringLiteral("T"));
  EXPECT_EQ(rp.ExpandMacros(QStringLiteral("{$TITLE}: {$PAGE}/{$LINE} {$title}")), QStringLiteral("T: 0/0 {$title}"));
  // A value holding its own macro name is left alone.
  rp.SetTitle(QStringLiteral("x{$TITLE}"));
  EXPECT_EQ(rp.ExpandMacros(QStringLiteral("{$TITLE}")), QStringLiteral("{$TITLE}"));
  EXPECT_FALSE(rp.ExpandMacros(QStringLiteral("{$DATE} {$TIME}")).contains(QLatin1String("{$")));

  const QString text = QStringLiteral("A header text that is far too long");
  const int full = rp.CanvasTextWidth(text);
  EXPECT_EQ(rp.FitText(text, full), text);
  const QString cut = rp.FitText(text, full / 2);
  EXPECT_TRUE(text.startsWith(cut));
  EXPECT_LT(cut.size(), text.size());
  EXPECT_LE(rp.CanvasTextWidth(cut), full / 2);
  EXPECT_GT(rp.CanvasTextWidth(text.left(cut.size() + 1)), full / 2);
}

TEST(RichPrintGeometry, WithoutAPrinterTheFallbacksApply) {
  // A queue that went away: Qt itself falls back to PDF, so it is made here.
  struct NoPrinter : TPrinter {
    bool available() const override { return false; }
  } none;
  TRichPrinter rp(&none);
  EXPECT_EQ(rp.PaperWidth(), 210);
  EXPECT_EQ(rp.PaperHeight(), 297);
  EXPECT_EQ(rp.PageWidth(), 198);
  EXPECT_EQ(rp.GutterLeft(), 6);
  EXPECT_EQ(rp.Title(), QStringLiteral("<Unknown>"));
  EXPECT_EQ(rp.UnitsToPixelsX(25.4), 600);
  EXPECT_EQ(rp.LineHeight(), 10);
  rp.SetMeasureUnit(muInches);
  EXPECT_EQ(rp.PaperWidth(), 8.5);
  re::RichEditControl e;
  EXPECT_THROW(rp.Print(e, 1), ELinePrinter);
}
