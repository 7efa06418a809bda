#include "print/previewpages.h"
#include "print/richpreview.h"
#include "print/richprint.h"

#include "platform/registry.h"
#include "platform/richedit/richeditcontrol.h"
#include "platform/tempfolder.h"
#include "tests/print/pdftools.h"
#include "tests/support/scriptedui.h"
#include "tests/support/testenv.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QRadioButton>
#include "print/pagesetupdlg.h"
#include <QPainter>
#include <QPicture>
#include <QTest>
#include <QWindow>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollArea>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace qel;
using namespace qel::test;

namespace {

struct PdfPrinter {
  explicit PdfPrinter(const QString &name) {
    file = freshDir(QStringLiteral("preview")) + name + QStringLiteral(".pdf");
    printer.setPdfFile(file);
    printer.qprinter().setResolution(300);
    printer.qprinter().setPageSize(QPageSize(QPageSize::A4));
    printer.qprinter().setPageMargins(QMarginsF(5, 5, 5, 5), QPageLayout::Millimeter);
    printer.setOrientation(QPageLayout::Portrait);
  }
  TPrinter printer;
  QString file;
};

void instance(TRichPrinter &rp) {
  rp.SetMarginTop(20);
  rp.SetMarginBottom(20);
  rp.SetMarginLeft(25);
  rp.SetMarginRight(20);
  rp.SetTitle(QStringLiteral("Cards"));
  rp.ShowProgress = false;
}

// Cards joined with form feeds: one page each.
QString cards(int n) {
  QStringList l;
  for (int i = 1; i <= n; ++i) l << QStringLiteral("Card%1 body").arg(i);
  return l.join(QStringLiteral("\r\f\r"));
}

void keyClick(QWidget *w, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
}

void rightClick(QWidget *w) {
  const QPointF at(5, 5);
  QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::RightButton, Qt::RightButton, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
}

void closeAndDelete(TRichPreviewForm *f) {
  f->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QStringList previewFolders() {
  return QDir(TempFolderPath()).entryList({QStringLiteral("preview-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
}

QPicture onePage(const QString &text) {
  QPicture pic;
  QPainter p(&pic);
  p.drawText(10, 20, text);
  p.end();
  return pic;
}

} // namespace

// ---- the settings store ----

TEST(RichPrintSettings, MarginsUnitAndOrientationRoundTrip) {
  PdfPrinter pdf(QStringLiteral("store"));
  {
    TRichPrinter rp(&pdf.printer);
    rp.SetMeasureUnit(muInches);
    rp.SetMarginLeft(1.25);
    rp.SetMarginTop(0.75);
    rp.SetMarginRight(0.5);
    rp.SetMarginBottom(1);
    rp.SetOrientation(QPageLayout::Landscape);
    rp.SaveSettings();
  }
  pdf.printer.setOrientation(QPageLayout::Portrait);
  TRichPrinter rp(&pdf.printer);
  rp.LoadSettings();
  EXPECT_EQ(rp.MeasureUnit(), muInches);
  EXPECT_DOUBLE_EQ(rp.MarginLeft(), 1.25);
  EXPECT_DOUBLE_EQ(rp.MarginTop(), 0.75);
  EXPECT_DOUBLE_EQ(rp.MarginRight(), 0.5);
  EXPECT_DOUBLE_EQ(rp.MarginBottom(), 1);
  EXPECT_EQ(rp.Orientation(), QPageLayout::Landscape);

  TRegistry reg;
  reg.SetRootKey(HKEY_CURRENT_USER);
  ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\RichPrint.Settings\\Marges"), false));
  EXPECT_EQ(reg.ReadString(QStringLiteral("CodeMeasurement")), QStringLiteral("0"));
  EXPECT_EQ(reg.ReadString(QStringLiteral("CodeDirection")), QStringLiteral("0"));
  EXPECT_EQ(reg.GetDataType(QStringLiteral("MarginLeft")), TRegDataType::rdBinary);
  EXPECT_EQ(reg.GetDataSize(QStringLiteral("MarginLeft")), 8);
  // A missing value and one of the wrong type keep the current margins.
  reg.DeleteValue(QStringLiteral("MarginTop"));
  reg.WriteString(QStringLiteral("MarginLeft"), QStringLiteral("oops"));
  reg.CloseKey();
  TRichPrinter again(&pdf.printer);
  again.SetMeasureUnit(muInches);
  again.SetMarginTop(1.5);
  again.SetMarginLeft(2);
  EXPECT_NO_THROW(again.LoadSettings());
  EXPECT_DOUBLE_EQ(again.MarginTop(), 1.5);
  EXPECT_DOUBLE_EQ(again.MarginLeft(), 2);
  EXPECT_DOUBLE_EQ(again.MarginRight(), 0.5);
  pdf.printer.setOrientation(QPageLayout::Portrait);
}

// ---- page setup ----

TEST(RichPrintPageSetup, DialogUnitsConfirmAndCancel) {
  PdfPrinter pdf(QStringLiteral("setup"));
  TRichPrinter rp(&pdf.printer);
  instance(rp);
  EXPECT_EQ(rp.PageSetupDialogMargins(), QMargins(2500, 2000, 2000, 2000));
  rp.SetMeasureUnit(muInches);
  rp.SetMarginLeft(1);
  EXPECT_EQ(rp.PageSetupDialogMargins().left(), 1000);
  rp.SetMeasureUnit(muMillimeters);

  ScriptedUi ui;
  // Cancel: the margins come back from the dialog's values, rounded to its
  // hundredths of a millimetre.
  rp.SetMarginLeft(25.00449);
  QMarginsF shown;
  ui.answer(Answer::dialog(QDialog::Rejected, [&](QDialog &d) {
    auto &dlg = static_cast<TPageSetupDlg &>(d);
    shown = QMarginsF(dlg.se_MarginLeft->value(), dlg.se_MarginTop->value(), dlg.se_MarginRight->value(),
                      dlg.se_MarginBottom->value());
    dlg.se_MarginLeft->setValue(40);  // then cancelled
  }));
  EXPECT_FALSE(rp.PageSetup());
  EXPECT_NEAR(shown.left(), 25, 1e-9);
  EXPECT_DOUBLE_EQ(rp.MarginLeft(), 25);
  ASSERT_EQ(ui.prompts().size(), 1u);
  EXPECT_EQ(ui.prompts()[0].detail, QStringLiteral("PageSetupDialog"));

  // Confirmed: the user's margins, paper and orientation.
  ui.answer(Answer::dialog(QDialog::Accepted, [](QDialog &d) {
    auto &dlg = static_cast<TPageSetupDlg &>(d);
    dlg.rb_Landscape->setChecked(true);
    dlg.se_MarginLeft->setValue(30);
    dlg.se_MarginTop->setValue(15);
    dlg.se_MarginRight->setValue(12.5);
    dlg.se_MarginBottom->setValue(18);
  }));
  EXPECT_TRUE(rp.PageSetup());
  EXPECT_EQ(rp.Orientation(), QPageLayout::Landscape);
  EXPECT_DOUBLE_EQ(rp.MarginLeft(), 30);
  EXPECT_DOUBLE_EQ(rp.MarginTop(), 15);
  EXPECT_DOUBLE_EQ(rp.MarginRight(), 12.5);
  EXPECT_DOUBLE_EQ(rp.MarginBottom(), 18);
  EXPECT_NEAR(rp.PaperWidth(), 297, 0.5);

  // Disabled margins and orientation cannot be changed through the dialog.
  rp.SetOptions_Dialog(poDisableMargins | poDisableOrientation);
  ui.answer(Answer::dialog(QDialog::Accepted, [](QDialog &d) {
    auto &dlg = static_cast<TPageSetupDlg &>(d);
    EXPECT_FALSE(dlg.se_MarginLeft->isEnabledTo(&dlg));
    EXPECT_FALSE(dlg.rb_Portrait->isEnabledTo(&dlg));
    EXPECT_TRUE(dlg.cb_Paper->isEnabledTo(&dlg));
    dlg.rb_Portrait->setChecked(true);
    dlg.se_MarginLeft->setValue(40);
  }));
  EXPECT_TRUE(rp.PageSetup());
  EXPECT_EQ(rp.Orientation(), QPageLayout::Landscape);
  EXPECT_DOUBLE_EQ(rp.MarginLeft(), 30);
  EXPECT_TRUE(ui.allAnswered());
}

// ---- the page store ----

TEST(PreviewPages, CompressedPagesAndTheirFolder) {
  const QString sibling = TempFolderPath() + QStringLiteral("PreviewMetafile0");
  {
    QFile f(sibling);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));  // a file that is not the preview's
  }
  QString folder;
  {
    TPreviewPageStore store(true);
    ASSERT_TRUE(store.ok());
    folder = store.folder();
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                                      QFile::WriteOther | QFile::ExeOther;
    EXPECT_FALSE(QFileInfo(folder).permissions() & others);
    ASSERT_TRUE(store.store(onePage(QStringLiteral("one"))));
    ASSERT_TRUE(store.store(onePage(QStringLiteral("two"))));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files),
              (QStringList{QStringLiteral("PreviewMetafile0.CPR"), QStringLiteral("PreviewMetafile1.CPR")}));
    QPicture back;
    ASSERT_TRUE(store.load(1, back));
    EXPECT_FALSE(back.isNull());
    EXPECT_FALSE(store.load(2, back));
    // A damaged page file reads as missing.
    QFile f(store.fileName(0));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\x78\x01garbage");
    f.close();
    EXPECT_FALSE(store.load(0, back));
  }
  EXPECT_FALSE(QDir(folder).exists());
  EXPECT_TRUE(QFile::exists(sibling));
  QFile::remove(sibling);

  QByteArray out;
  const QByteArray data(100000, 'x');
  EXPECT_TRUE(inflatePage(deflatePage(data), out));
  EXPECT_EQ(out, data);
  EXPECT_FALSE(inflatePage(deflatePage(data), out, 1000));  // beyond the limit
  EXPECT_FALSE(inflatePage(deflatePage(data).left(20), out));  // cut short
}

// ---- the window ----

TEST(PreviewSizing, PortraitAndLandscapeOnScreens) {
  struct Case {
    QSize screen;
    double ratio;
    int formHeight, pageImageWidth;
  } cases[] = {
      // Portrait A4 on a tall screen: the height decides.
      {{1920, 1080}, 297.0 / 210, 1026, int(std::lround(((1026 - 27) * 0.98 - 87) / (297.0 / 210)))},
      // Landscape on a narrow screen: the width is held to 98 % of the screen
      // and the height shrinks by the same factor.
      {{800, 1200}, 210.0 / 297, 0, 784},
      // No ratio: the A4 proportion.
      {{1920, 1080}, 0, 1026, int(std::lround(((1026 - 27) * 0.98 - 87) * 0.707))},
  };
  for (const Case &c : cases) {
    const PreviewGeometry g = PreviewSizing(c.screen, c.ratio, 40);
    EXPECT_EQ(g.pageImageWidth, c.pageImageWidth) << c.screen.width();
    if (c.formHeight) { EXPECT_EQ(g.formHeight, c.formHeight); }
    EXPECT_LE(g.formWidth, c.screen.width());
    EXPECT_LE(g.formHeight, c.screen.height());
    EXPECT_EQ(g.clientHeight, g.formHeight - 27);
    EXPECT_EQ(g.panel.top(), g.image.bottom() + 1 + 3);
  }
  const PreviewGeometry narrow = PreviewSizing({800, 1200}, 210.0 / 297, 40);
  const int unlimited = int(std::lround((1140 - 27) * 0.98 - 87) / (210.0 / 297));
  EXPECT_LT(narrow.formHeight, 1140);
  EXPECT_NEAR(double(narrow.formHeight) / 1140, (800 / 1.0204) / unlimited, 0.01);
}

class PreviewWindow : public ::testing::Test {
protected:
  TRichPreviewForm *form(int pages, const QSize &screen) {
    auto store = std::make_unique<TPreviewPageStore>(false);
    auto *f = new TRichPreviewForm(std::move(store), {QSize(2480, 3508), muMillimeters, 210, 297}, pdf.printer, screen);
    for (int i = 0; i < pages; ++i) f->addPage(onePage(QString::number(i + 1)));
    f->finishBuilding();
    return f;
  }
  PdfPrinter pdf{QStringLiteral("window")};
};

TEST_F(PreviewWindow, NavigationInOneWindow) {
  TRichPreviewForm *f = form(3, QSize(800, 1200));
  EXPECT_FALSE(f->twoWindows());
  EXPECT_EQ(f->windowTitle(), QStringLiteral("Print Preview"));
  EXPECT_EQ(f->Label10->text(), QStringLiteral("(3)"));
  EXPECT_FALSE(f->b_Prev->isEnabled());
  keyClick(f, Qt::Key_PageDown);
  EXPECT_EQ(f->currentIndex(), 1);
  EXPECT_EQ(f->Edit1->text(), QStringLiteral("   2"));
  keyClick(f, Qt::Key_End);
  EXPECT_EQ(f->currentIndex(), 2);
  EXPECT_FALSE(f->b_Next->isEnabled());
  keyClick(f, Qt::Key_PageDown);
  EXPECT_EQ(f->currentIndex(), 2);
  keyClick(f, Qt::Key_Home);
  EXPECT_EQ(f->currentIndex(), 0);
  f->Edit1->setText(QStringLiteral("3"));
  f->pageNumberTyped();
  EXPECT_EQ(f->currentIndex(), 2);
  f->Edit1->setText(QStringLiteral("9"));
  f->pageNumberTyped();
  EXPECT_EQ(f->currentIndex(), 0);
  // Zoom: L in, S out, never below 100 %.
  keyClick(f, Qt::Key_L);
  EXPECT_EQ(f->lbl_ZoomPercent->text(), QStringLiteral("200%"));
  EXPECT_GT(f->Image1->width(), f->ScrollBox1->width());
  keyClick(f, Qt::Key_S);
  keyClick(f, Qt::Key_S);
  EXPECT_EQ(f->lbl_ZoomPercent->text(), QStringLiteral("100%"));
  EXPECT_FALSE(f->SpeedButton3->isEnabled());
  keyClick(f, Qt::Key_L);
  rightClick(f->Image1);
  EXPECT_DOUBLE_EQ(f->zoom(), 1.0);
  closeAndDelete(f);
}

// Keys typed by the user arrive through the window at whichever control has
// the focus: the scroll box when the window opens, the page edit after Tab
// (where Home and End are the caret's, see below).
TEST_F(PreviewWindow, KeysWorkWhicheverControlHasTheFocus) {
  TRichPreviewForm *f = form(3, QSize(800, 1200));
  f->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(f));
  QWindow *w = f->windowHandle();
  auto type = [&](Qt::Key key) { QTest::keyClick(w, key); };
  for (bool tabbed : {false, true}) {
    SCOPED_TRACE(tabbed ? "after Tab" : "as opened");
    if (tabbed) {
      type(Qt::Key_Tab);
      ASSERT_EQ(QApplication::focusWidget(), f->Edit1);
    } else {
      ASSERT_NE(QApplication::focusWidget(), nullptr);
    }
    type(Qt::Key_PageDown);
    EXPECT_EQ(f->currentIndex(), 1);
    type(Qt::Key_PageUp);
    EXPECT_EQ(f->currentIndex(), 0);
    if (!tabbed) {
      type(Qt::Key_End);
      EXPECT_EQ(f->currentIndex(), 2);
      type(Qt::Key_Home);
      EXPECT_EQ(f->currentIndex(), 0);
    }
    type(Qt::Key_L);
    EXPECT_EQ(f->lbl_ZoomPercent->text(), QStringLiteral("200%"));
    type(Qt::Key_S);
    EXPECT_EQ(f->lbl_ZoomPercent->text(), QStringLiteral("100%"));
    EXPECT_EQ(f->Edit1->text().trimmed(), QStringLiteral("1"));
  }
  closeAndDelete(f);
}

// In the page edit the keys that edit it are its own: a number typed over
// the selection shows that page and stays as typed; Home and End move the
// caret; another entry shows the first page; the page keys still page.
TEST_F(PreviewWindow, TypingInThePageEditShowsThatPage) {
  TRichPreviewForm *f = form(4, QSize(800, 1200));
  f->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(f));
  QTest::mouseClick(f->Edit1, Qt::LeftButton);
  ASSERT_EQ(QApplication::focusWidget(), f->Edit1);
  QWindow *w = f->windowHandle();
  struct Step {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int page;          // the index shown after the key
    const char *text;  // the edit's text after it
    int caret;         // -1: not looked at
  } steps[] = {
      {Qt::Key_A, Qt::ControlModifier, 0, "   1", -1},
      {Qt::Key_4, Qt::NoModifier, 3, "4", 1},
      {Qt::Key_Home, Qt::NoModifier, 3, "4", 0},
      {Qt::Key_2, Qt::NoModifier, 0, "24", 1},  // no page 24: the first
      {Qt::Key_End, Qt::NoModifier, 0, "24", 2},
      {Qt::Key_Backspace, Qt::NoModifier, 1, "2", 1},
      {Qt::Key_Left, Qt::NoModifier, 1, "2", 0},
      {Qt::Key_Delete, Qt::NoModifier, 0, "", 0},
      {Qt::Key_3, Qt::NoModifier, 2, "3", 1},
      {Qt::Key_PageUp, Qt::NoModifier, 1, "   2", -1},
      {Qt::Key_PageDown, Qt::NoModifier, 2, "   3", -1},
  };
  for (const Step &s : steps) {
    SCOPED_TRACE(QKeySequence(s.key | s.modifiers).toString().toStdString());
    QTest::keyClick(w, s.key, s.modifiers);
    EXPECT_EQ(f->currentIndex(), s.page);
    EXPECT_EQ(f->Edit1->text(), QString::fromLatin1(s.text));
    if (s.caret >= 0) { EXPECT_EQ(f->Edit1->cursorPosition(), s.caret); }
  }
  // Left, the edit shows the page shown.
  QTest::keyClick(w, Qt::Key_2);
  QTest::keyClick(w, Qt::Key_Tab);
  EXPECT_EQ(f->Edit1->text(), QStringLiteral("   1"));
  closeAndDelete(f);
}

TEST_F(PreviewWindow, NavigationInTwoWindowsAndOnePage) {
  TRichPreviewForm *f = form(5, QSize(2400, 1000));
  ASSERT_TRUE(f->twoWindows());
  EXPECT_EQ(f->secondWindow()->lbl_Page->text(), QStringLiteral("Page: 2"));
  f->nextPage();
  EXPECT_EQ(f->currentIndex(), 2);
  EXPECT_EQ(f->secondWindow()->lbl_Page->text(), QStringLiteral("Page: 4"));
  f->nextPage();
  EXPECT_EQ(f->currentIndex(), 4);
  EXPECT_TRUE(f->secondWindow()->lbl_Page->isHidden());  // nothing after the last page
  EXPECT_FALSE(f->b_Next->isEnabled());
  f->previousPage();
  EXPECT_EQ(f->currentIndex(), 2);
  f->lastPage();
  EXPECT_EQ(f->currentIndex(), 4);
  f->Edit1->setText(QStringLiteral("4"));
  f->pageNumberTyped();
  EXPECT_EQ(f->currentIndex(), 2);  // pages 3 and 4
  f->Edit1->setText(QStringLiteral("3"));
  f->pageNumberTyped();
  EXPECT_EQ(f->currentIndex(), 2);
  closeAndDelete(f);

  TRichPreviewForm *one = form(1, QSize(2400, 1000));
  EXPECT_FALSE(one->twoWindows());
  EXPECT_TRUE(one->Edit1->isReadOnly());
  EXPECT_FALSE(one->b_Next->isEnabled());
  closeAndDelete(one);

  TRichPreviewForm *two = form(2, QSize(2400, 1000));
  ASSERT_TRUE(two->twoWindows());
  EXPECT_FALSE(two->b_Next->isEnabled());
  EXPECT_FALSE(two->b_Prev->isEnabled());
  closeAndDelete(two);
}

// ---- preview runs, judged by the PDF of the same text ----

class PreviewRun : public ::testing::Test {
protected:
  void SetUp() override {
    if (!havePdfTools()) GTEST_SKIP() << "pdfinfo/pdftotext not installed";
  }
};

TEST_F(PreviewRun, PagesMatchThePrintAndARangePrintsAsOneJob) {
  PdfPrinter pdf(QStringLiteral("same"));
  TRichPrinter rp(&pdf.printer);
  instance(rp);
  re::RichEditControl e;
  QString text = cards(3) + QStringLiteral("\r\f\r");
  for (int i = 0; i < 120; ++i) text += QStringLiteral("Long%1\r").arg(i);  // runs over a page
  e.setText(text);
  rp.Print(e, 1);
  const int printed = pdfPages(pdf.file);
  ASSERT_GE(printed, 5);

  ScriptedUi ui;
  const QStringList before = previewFolders();
  QPointer<TRichPreviewForm> f = rp.Preview(e);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->store().count(), printed);
  EXPECT_EQ(f->windowTitle(), QStringLiteral("Print Preview"));
  EXPECT_EQ(previewFolders().size(), before.size() + 1);
  // The compression switch was written; this instance does not compress.
  rp.CompressPreview = false;

  // Pages 2 to 4 from the preview: one job, three pages, the right ones.
  const QString range = freshDir(QStringLiteral("range")) + QStringLiteral("range.pdf");
  pdf.printer.setPdfFile(range);
  ui.answer(Answer::dialog(QDialog::Accepted, [](QDialog &d) {
    QPrinter *p = static_cast<QPrintDialog &>(d).printer();
    p->setPrintRange(QPrinter::PageRange);
    p->setFromTo(2, 4);
  }));
  f->showPage(1);
  keyClick(f, Qt::Key_P);
  EXPECT_EQ(f->currentIndex(), 1);
  ASSERT_EQ(pdfPages(range), 3);
  EXPECT_TRUE(pdfText(range, 1).contains(QStringLiteral("Card2")));
  EXPECT_TRUE(pdfText(range, 2).contains(QStringLiteral("Card3")));
  EXPECT_TRUE(pdfText(range, 3).contains(QStringLiteral("Long0")));
  EXPECT_TRUE(pdfText(range, 1).contains(QStringLiteral("Page 2")));

  const QString folder = f->store().folder();
  closeAndDelete(f);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(f.isNull());
  EXPECT_FALSE(QDir(folder).exists());
  EXPECT_EQ(previewFolders(), before);
}

TEST_F(PreviewRun, CompressedPagesOnlyAndTwoPreviewsApart) {
  PdfPrinter pdf(QStringLiteral("two"));
  TRichPrinter rp(&pdf.printer);
  instance(rp);
  rp.CompressPreview = true;
  re::RichEditControl e;
  e.setText(cards(2));
  ScriptedUi ui;
  QPointer<TRichPreviewForm> a = rp.Preview(e);
  QPointer<TRichPreviewForm> b = rp.Preview(e);
  ASSERT_TRUE(a && b);
  EXPECT_NE(a->store().folder(), b->store().folder());
  for (TRichPreviewForm *f : {a.data(), b.data()})
    EXPECT_EQ(QDir(f->store().folder()).entryList(QDir::Files),
              (QStringList{QStringLiteral("PreviewMetafile0.CPR"), QStringLiteral("PreviewMetafile1.CPR")}));
  a->showPage(1);  // painting leaves no uncompressed file behind
  EXPECT_EQ(QDir(a->store().folder()).entryList(QDir::Files).size(), 2);
  TRegistry reg;
  reg.SetRootKey(HKEY_CURRENT_USER);
  ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\RichPrint.Settings\\Compress"), false));
  EXPECT_EQ(reg.ReadString(QStringLiteral("CompressPreview")), QStringLiteral("1"));
  const QString bFolder = b->store().folder();
  closeAndDelete(a);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(QDir(bFolder).exists());  // closing one leaves the other's pages
  closeAndDelete(b);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(QDir(bFolder).exists());
}

TEST_F(PreviewRun, APageThatCannotBeWrittenStopsTheBuild) {
  PdfPrinter pdf(QStringLiteral("fail"));
  TRichPrinter rp(&pdf.printer);
  instance(rp);
  rp.CompressPreview = false;
  re::RichEditControl e;
  e.setText(cards(4));
  ScriptedUi ui;
  ui.answerButton(IDOK);
  // When the second page starts, its file name is taken by a folder.
  rp.OnNewPage = [](TRichPrinter *p) {
    if (p->PageNumber() != 2) return;
    const QStringList folders = previewFolders();
    for (const QString &d : folders) QDir(TempFolderPath() + d).mkdir(QStringLiteral("PreviewMetafile1"));
  };
  QPointer<TRichPreviewForm> f = rp.Preview(e);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->store().count(), 1);  // the page built so far stays viewable
  EXPECT_EQ(ui.messageTexts(), QStringList{QStringLiteral("Can not save the page information (MetaFiles)")});
  EXPECT_EQ(f->windowTitle(), QStringLiteral("Print Preview"));
  closeAndDelete(f);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
