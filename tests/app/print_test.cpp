// The print and RTF export commands of the main window, judged by the PDF
// and RTF they produce.

#include "app/dlg_exportrtf.h"
#include "app/printcards.h"
#include "app/progress.h"
#include "print/richprint.h"
#include "settings/printerstate.h"
#include "tests/app/list_fixture.h"
#include "tests/print/pdftools.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QProcess>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>
#include <QtTest/QTest>

namespace qel::test {

namespace {

QString pandocPlain(const QString &file) {
  QProcess p;
  p.start(QStringLiteral("pandoc"), {QStringLiteral("-f"), QStringLiteral("rtf"), QStringLiteral("-t"), QStringLiteral("plain"), file});
  p.waitForFinished(60000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class PrintCommandsTest : public ListWindowTest {
protected:
  void SetUp() override {
    ListWindowTest::SetUp();
    if (!havePdfTools()) GTEST_SKIP() << "pdfinfo/pdftotext not installed";
    pdf = dir + "/out.pdf";
    TRichPrinter &rp = *window->RichPrinter;
    rp.printer().setPdfFile(pdf);
    rp.printer().qprinter().setPageSize(QPageSize(QPageSize::A4));
    rp.ShowProgress = false;
    PrinterPageState().Portrait = true;
    AppOptions->HeaderText = QStringLiteral("Cards &f");
    AppOptions->FooterText = QStringLiteral("Page &p");
    AppOptions->PageBreaks = true;
  }
  void TearDown() override {
    ui.clear();
    ListWindowTest::TearDown();
  }
  void select(std::initializer_list<int> rows) {
    QItemSelectionModel *sm = window->lw_List->selectionModel();
    sm->clearSelection();
    for (int r : rows) sm->select(window->lw_List->model()->index(r, 0), QItemSelectionModel::Select);
  }
  QString pdf;
};

TEST(PrintCommandRules, HeaderMacrosAndAlignmentFormat) {
  const QString file = QStringLiteral("/home/u/cards.qel");
  struct {
    const char *text, *expected;
  } macros[] = {
      {"page &p", "page {$PAGE}"},
      {"&&f", "&f"},
      {"&f &d &t", "cards.qel {$DATE} {$TIME}"},
      {"&&h&h", "&h"},
      {"&&&p", "&{$PAGE}"},
  };
  for (const auto &m : macros)
    EXPECT_EQ(ExpandHeaderMacros(QString::fromUtf8(m.text), file), QString::fromUtf8(m.expected)) << m.text;

  TPrinter printer;
  printer.setPdfFile(QStringLiteral("unused.pdf"));
  printer.qprinter().setPageSize(QPageSize(QPageSize::A4));
  TRichPrinter rp(&printer);
  rp.SetMarginLeft(20);
  rp.SetMarginRight(20);
  EXPECT_EQ(PrinterPaperWidth(rp), 2100);
  EXPECT_EQ(PrinterPaperLength(rp), 2970);
  struct {
    int alignment;
    const char *format;
  } formats[] = {{1, ">170"}, {0, "<170"}, {2, "^170"}, {3, ""}, {-1, ""}};
  for (const auto &f : formats) EXPECT_EQ(AlignmentFormat(f.alignment, rp), QString::fromUtf8(f.format));
  rp.SetOrientation(QPageLayout::Landscape);
  EXPECT_EQ(AlignmentFormat(1, rp), QStringLiteral(">257"));
  rp.SetOrientation(QPageLayout::Portrait);
  rp.SetMeasureUnit(muInches);
  rp.SetMarginLeft(1);
  rp.SetMarginRight(1);
  EXPECT_TRUE(AlignmentFormat(1, rp).startsWith(QStringLiteral(">6.267")));  // 210 / 25.4 - 2
}

TEST_F(PrintCommandsTest, SelectedCardsGiveOnePageEachWithNumberedFooters) {
  cards({"alpha", "bravo", "charlie", "delta"});
  select({0, 2, 3});
  ui.answer(Answer::dialog(QDialog::Accepted));
  window->PrintCards(0, false);
  ASSERT_EQ(pdfPages(pdf), 3);
  const char *titles[] = {"alpha", "charlie", "delta"};
  for (int p = 1; p <= 3; ++p) {
    const QString text = pdfText(pdf, p);
    EXPECT_TRUE(text.contains(QString::fromLatin1(titles[p - 1]))) << p << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("body of ") + QString::fromLatin1(titles[p - 1]))) << p;
    EXPECT_TRUE(text.contains(QStringLiteral("Page %1").arg(p))) << p;
    EXPECT_TRUE(text.contains(QStringLiteral("Cards cards.qel"))) << p;
  }
  EXPECT_FALSE(pdfText(pdf).contains(QStringLiteral("bravo")));
}

TEST_F(PrintCommandsTest, CancelledPrintDialogPrintsNothing) {
  cards({"alpha"});
  ui.answer(Answer::dialog(QDialog::Rejected));
  window->PrintCards(1, false);
  EXPECT_FALSE(QFile::exists(pdf));
  EXPECT_TRUE(ui.allAnswered());
}

// Printer Setup keeps the chosen printer: its button reads "OK", and
// confirming it prints nothing.
TEST_F(PrintCommandsTest, PrinterSetupConfirmsWithOkAndPrintsNothing) {
  cards({"alpha"});
  QString confirm;
  ui.answer(Answer::dialog(QDialog::Accepted, [&](QDialog &d) {
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Printer Setup"));
    for (QPushButton *b : d.findChildren<QPushButton *>())
      if (b->isDefault() || b->text() == QLatin1String("OK")) confirm = b->text();
  }));
  window->PrinterSetup1Click();
  EXPECT_EQ(confirm, QStringLiteral("OK"));
  EXPECT_FALSE(QFile::exists(pdf));
  EXPECT_TRUE(ui.allAnswered());
}

TEST_F(PrintCommandsTest, AllCardsEmptyTheFilterAndTheTitleListPrintsTitles) {
  cards({"apple", "apricot", "banana"});
  window->e_record->setText(QStringLiteral("ap"));
  ASSERT_EQ(filtered().size(), 2);
  // The title list: one line per filtered title, on one page.
  ui.answer(Answer::dialog(QDialog::Accepted));
  window->PrintCards(3, false);
  ASSERT_EQ(pdfPages(pdf), 1);
  QStringList lines;
  for (const QString &l : pdfText(pdf).split(QLatin1Char('\n'))) {
    const QString t = l.trimmed();
    if (t == QLatin1String("apple") || t == QLatin1String("apricot") || t == QLatin1String("banana")) lines << t;
  }
  EXPECT_EQ(lines, (QStringList{QStringLiteral("apple"), QStringLiteral("apricot")}));

  ui.answer(Answer::dialog(QDialog::Accepted));
  window->PrintCards(2, false);
  EXPECT_TRUE(window->e_record->text().isEmpty());
  EXPECT_EQ(filtered().size(), 3);
  EXPECT_EQ(pdfPages(pdf), 3);
}

TEST_F(PrintCommandsTest, PreviewAndPageSetupUseTheRememberedPage) {
  cards({"alpha", "bravo"});
  PrinterPageState().SetMarginMm(msLeft, 40);
  QPointer<QWidget> preview;
  window->PrintCards(1, true);
  for (QWidget *w : QApplication::topLevelWidgets())
    if (w->objectName() == QLatin1String("RichPreviewForm")) preview = w;
  ASSERT_TRUE(preview);
  EXPECT_DOUBLE_EQ(window->RichPrinter->MarginLeft(), 40);
  preview->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(ui.prompts().empty());  // no print dialog for a preview

  // Page setup cancelled: nothing changes; confirmed landscape: remembered.
  ui.answer(Answer::dialog(QDialog::Rejected));
  window->PageSetup1Click();
  EXPECT_TRUE(PrinterPageState().Portrait);
  EXPECT_DOUBLE_EQ(PrinterPageState().MarginMm(msLeft), 40);
  ui.answer(Answer::dialog(QDialog::Accepted, [](QDialog &d) {
    d.findChild<QRadioButton *>(QStringLiteral("rb_Landscape"))->setChecked(true);
  }));
  window->PageSetup1Click();
  EXPECT_FALSE(PrinterPageState().Portrait);
  PrinterPageState().Portrait = true;
  PrinterPageState().SetMarginMm(msLeft, 25);
}

TEST_F(PrintCommandsTest, RtfExportHoldsTheChosenCardsInListOrder) {
  cards({"charlie", "alpha", "bravo"});
  // A picture in one card, an RTF body that does not read in another.
  window->SelectCard(0);  // alpha
  window->m_Card->setSel(-1, -1);
  window->m_Card->insertPicture(QImage(8, 8, QImage::Format_RGB32));
  CardBodyChanged = true;
  cardTitled(QStringLiteral("bravo"))->StoreBodyBytes("{\\rtf1 broken {\\b bravo text");
  const QString target = dir + "/export.rtf";
  ui.answer(Answer::dialog(QDialog::Accepted, [](QDialog &d) {
    auto &dlg = static_cast<Tdlg_Export_RTF &>(d);
    EXPECT_EQ(dlg.objects(), Tdlg_Export_RTF::All);
    dlg.chb_PageBreaks->setChecked(true);
  }));
  ui.answer(Answer::saveFile(target));
  window->RTF1Click();
  ASSERT_TRUE(QFile::exists(target));
  QFile f(target);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray rtf = f.readAll();
  EXPECT_TRUE(rtf.contains("\\pict"));
  const QString plain = pandocPlain(target);
  const qsizetype a = plain.indexOf(QStringLiteral("alpha")), b = plain.indexOf(QStringLiteral("bravo")),
                  c = plain.indexOf(QStringLiteral("charlie"));
  EXPECT_TRUE(a >= 0 && a < b && b < c) << qPrintable(plain);
  EXPECT_TRUE(plain.contains(QStringLiteral("body of alpha")));
  EXPECT_TRUE(plain.contains(QStringLiteral("bravo text"))) << qPrintable(plain);
  EXPECT_TRUE(plain.contains(QStringLiteral("body of charlie")));
  EXPECT_EQ(ui.prompts()[1].detail, QStringLiteral("Rich Text Format (*.rtf);;Text Documents (*.txt)"));
}

// While the cards are joined the progress window is modal: keys and clicks
// meant for the main window (a new card, a delete, a click in the list) do
// nothing, and the export is whole. A list that changes all the same stops
// the command with a message and writes nothing.
TEST_F(PrintCommandsTest, RtfExportJoinTakesNoInputAndNeverWritesAChangedList) {
  window->show();  // key presses and clicks need a window of the window system
  QApplication::processEvents();
  ASSERT_NE(window->windowHandle(), nullptr);
  cards({"alpha", "bravo", "charlie"});
  const QString target = dir + "/export.rtf";
  bool sent = false;
  QTimer::singleShot(0, window.get(), [&] {
    ASSERT_NE(f_progress, nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), f_progress);
    QWindow *main = window->windowHandle();
    QTest::keyClick(main, Qt::Key_N, Qt::ControlModifier);
    QTest::keyClick(main, Qt::Key_Delete);
    const QRect row = window->lw_List->visualRect(window->lw_List->model()->index(2, 0));
    QTest::mouseClick(main, Qt::LeftButton, {}, window->lw_List->viewport()->mapTo(window.get(), row.center()));
    sent = true;
  });
  ui.answer(Answer::dialog(QDialog::Accepted)).answer(Answer::saveFile(target));
  window->RTF1Click();
  EXPECT_TRUE(sent);
  EXPECT_EQ(AllCards.Count(), 3);
  EXPECT_TRUE(ui.messageTexts().isEmpty()) << qPrintable(ui.messageTexts().join('|'));
  const QString plain = pandocPlain(target);
  for (const char *title : {"alpha", "bravo", "charlie"}) EXPECT_TRUE(plain.contains(QLatin1String(title))) << title;

  // A change that gets through all the same.
  QFile::remove(target);
  QTimer::singleShot(0, window.get(), [&] { FilteredCards.Delete(1); });
  ui.answer(Answer::dialog(QDialog::Accepted)).answer(Answer::saveFile(target)).answerButton(IDOK);
  window->RTF1Click();
  EXPECT_FALSE(QFileInfo::exists(target));
  ASSERT_EQ(ui.messageTexts().size(), 1);
  EXPECT_TRUE(ui.messageTexts()[0].contains(QLatin1String("changed"))) << qPrintable(ui.messageTexts()[0]);
  EXPECT_TRUE(ui.allAnswered());
}

TEST_F(PrintCommandsTest, RtfExportCancelledOrFailedKeepsTheOldFile) {
  cards({"alpha", "bravo"});
  const QString target = dir + "/export.rtf";
  {
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("old");
  }
  auto oldContent = [&] {
    QFile f(target);
    return f.open(QIODevice::ReadOnly) && f.readAll() == "old";
  };
  // The dialog, then the file name, cancelled.
  ui.answer(Answer::dialog(QDialog::Rejected));
  window->RTF1Click();
  ui.answer(Answer::dialog(QDialog::Accepted)).answer(Answer::cancel(PromptKind::SaveFile));
  window->RTF1Click();
  EXPECT_TRUE(oldContent());
  // Cancel in the progress window while the cards are joined.
  ui.answer(Answer::dialog(QDialog::Accepted)).answer(Answer::saveFile(target));
  QTimer::singleShot(0, [] {
    if (f_progress) f_progress->b_Cancel->click();
  });
  window->RTF1Click();
  EXPECT_TRUE(oldContent());
  EXPECT_EQ(f_progress, nullptr);
  // A target that cannot be written: the user is told, nothing is replaced.
  const QString folder = dir + "/a folder.rtf";
  QDir().mkpath(folder);
  ui.answer(Answer::dialog(QDialog::Accepted)).answer(Answer::saveFile(folder)).answerButton(IDOK);
  window->RTF1Click();
  ASSERT_EQ(ui.messageTexts().size(), 1);
  EXPECT_TRUE(ui.messageTexts()[0].startsWith(QStringLiteral("Cannot write \"") + folder + QStringLiteral("\": ")))
      << qPrintable(ui.messageTexts()[0]);
  EXPECT_TRUE(QFileInfo(folder).isDir());
  EXPECT_TRUE(ui.allAnswered());
}

} // namespace qel::test

namespace qel::test {

TEST_F(PrintCommandsTest, PrintAndExportCommandsAreOffered) {
  cards({"alpha"});
  for (const char *name : {"a_Print", "a_FilePrintPreview", "a_CustomizeToolbars", "PrintSelected1", "PrintFiltered1",
                           "PrintAll1", "PrintList1", "PrintOptions1", "PageSetup1", "PrinterSetup1", "ExportRTF1"}) {
    QAction *a = window->actions()[QString::fromLatin1(name)];
    EXPECT_TRUE(MainActions::IsBuilt(a)) << name;
    EXPECT_TRUE(a->isEnabled()) << name;
  }
  // Print Options opens the options dialog on its Print page.
  QString page;
  ui.answer(Answer::dialog(QDialog::Rejected, [&](QDialog &d) {
    auto *tabs = d.findChild<QTabWidget *>(QStringLiteral("pc_Options"));
    if (tabs) page = tabs->tabText(tabs->currentIndex());
  }));
  window->actions()[QStringLiteral("PrintOptions1")]->trigger();
  EXPECT_EQ(page, QStringLiteral("Print"));
}

} // namespace qel::test
