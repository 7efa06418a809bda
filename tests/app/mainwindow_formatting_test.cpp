// The editor and formatting commands, driven through the window's own
// widgets and keys.

#include "tests/app/mainwindow_fixture.h"

#include "app/formattingbar.h"
#include "app/formattingstate.h"
#include "toolbars/paint/canvas.h"
#include "toolbars/paint/thmlists.h"
#include "toolbars/qt/tbtoolbar.h"

#include <QBuffer>
#include <QClipboard>
#include <QImage>
#include <QFontMetrics>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTest>
#include <QWheelEvent>

using namespace qel;
using namespace qel::test;

namespace {

// One card whose body is this RTF, shown in the editor with the focus.
class FormattingTest : public MainWindowTest {
protected:
  void openCard(const QByteArray &rtf) {
    const QString path = makeCardFile(QStringLiteral("cards.qel"), {"card"});
    start({path});
    window->m_Card->streamIn(rtf, re::SF_RTF);
    window->m_Card->setFocus();
    FileModified = false;
  }
  TReRichEdit &editor() { return *window->m_Card; }
  re::CharFormat charsOf(int s, int e) {
    editor().setSel(s, e);
    return editor().charFormat(re::SCF_SELECTION);
  }
};

const QByteArray kSizes =
    "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ten \\fs28 fourteen \\fs25 odd\\par second line\\par third\\par}";

} // namespace

TEST_F(FormattingTest, ToolbarFollowsTheSelectionAndMixedSizesCheckOther) {
  openCard(kSizes);
  TFontSizeItem *size = window->b_FontSize;
  editor().setSel(0, 3);  // "ten"
  EXPECT_EQ(size->checkedItem(), QStringLiteral("10"));
  toolbars::TTbrCustomItem *fourteen = size->item(QStringLiteral("14"));
  fourteen->Click();  // the size item: the selection gets 14, the button its caption
  EXPECT_EQ(charsOf(0, 3).yHeight, 280);
  EXPECT_EQ(size->text(), QStringLiteral("14"));
  EXPECT_TRUE(FileModified);

  editor().setSel(4, 12);  // "fourteen"
  EXPECT_EQ(size->checkedItem(), QStringLiteral("14"));
  size->item(QStringLiteral("9"))->Click();
  EXPECT_EQ(size->text(), QStringLiteral("9"));
  editor().setSel(0, 20);  // 9 and 12.5: mixed
  EXPECT_EQ(size->checkedItem(), QStringLiteral("other"));
  EXPECT_EQ(size->text(), QStringLiteral("9")) << "the caption stays as it was";

  // Face, bold and alignment show for the caret's text.
  QTest::keyClick(&editor(), Qt::Key_Home);
  editor().setSel(0, 3);
  QTest::keyClick(&editor(), Qt::Key_B, Qt::ControlModifier);
  EXPECT_EQ(charsOf(0, 3).effects & re::CFE_BOLD, re::CFE_BOLD);
  EXPECT_TRUE(action("a_Bold")->isChecked());
  EXPECT_EQ(charsOf(4, 12).effects & re::CFE_BOLD, 0u);
  EXPECT_FALSE(action("a_Bold")->isChecked());
  EXPECT_EQ(window->cb_Font->Text(), QStringLiteral("Arial"));
  editor().setSel(0, 3);
  QTest::keyClick(&editor(), Qt::Key_B, Qt::ControlModifier);  // off again
  EXPECT_EQ(charsOf(0, 3).effects & re::CFE_BOLD, 0u);

  action("a_Center")->trigger();
  EXPECT_EQ(editor().Paragraph().Alignment(), 2);
  EXPECT_TRUE(action("a_Center")->isChecked());
  EXPECT_FALSE(action("a_Left")->isChecked());
  action("a_Bullets")->trigger();
  EXPECT_EQ(editor().Paragraph().Numbering(), re::PFN_BULLET);
  EXPECT_EQ(editor().Paragraph().LeftIndent(), 10);
  action("a_Superscript")->trigger();
  EXPECT_EQ(editor().SelAttributes().SubscriptStyle(), 2);

  // The font combo names the selection's face and sets it.
  window->cb_Font->DoChange(nullptr, QStringLiteral("Courier"));
  EXPECT_EQ(charsOf(0, 3).szFaceName, QStringLiteral("Courier"));
}

// What the toolbar shows stays true when the text changes under an unmoved
// caret (undo, redo), and the size caption is the size of the text.
// The size on the font-size button stands apart from the buttons' captions:
// plain, smaller, dark red.
TEST_F(FormattingTest, TheFontSizeButtonShowsItsSizeSmallPlainAndDarkRed) {
  openCard(kSizes);
  const toolbars::TFontSettings &settings = window->b_FontSize->FontSettings();
  EXPECT_EQ(settings.Bold(), toolbars::TTriState::tsFalse);
  EXPECT_EQ(settings.Size(), 90);
  EXPECT_EQ(settings.Color(), clMaroon);
  // Painted so: the caption's ink is that red.
  toolbars::TTbrCustomToolbar *bar = window->Toolbar_formatting;
  bar->View()->ValidatePositions();
  const QRect place = bar->View()->Find(window->b_FontSize)->BoundsRect.translated(bar->ClientRect().topLeft());
  const QImage shot = bar->grab(place).toImage();
  int maroon = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) {
      const QColor c = shot.pixelColor(x, y);
      maroon += c.red() >= 0x60 && c.red() <= 0xA0 && c.green() < 0x30 && c.blue() < 0x30;
    }
  EXPECT_GT(maroon, 3);
}

TEST_F(FormattingTest, ToolbarFollowsUndoAndTheSizeOfTheText) {
  openCard(kSizes);
  editor().setSel(4, 12);  // "fourteen"
  EXPECT_EQ(window->b_FontSize->text(), QStringLiteral("14"));
  editor().setSel(0, 20);  // mixed: the caption stays
  EXPECT_EQ(window->b_FontSize->text(), QStringLiteral("14"));
  editor().setSel(26, 26);  // in "second line"
  action("a_Center")->trigger();
  ASSERT_TRUE(action("a_Center")->isChecked());
  QTest::keyClick(&editor(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_NE(editor().Paragraph().Alignment(), 2);
  EXPECT_FALSE(action("a_Center")->isChecked());
  QTest::keyClick(&editor(), Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(editor().Paragraph().Alignment(), 2);
  EXPECT_TRUE(action("a_Center")->isChecked());
  action("a_Undo")->trigger();
  EXPECT_FALSE(action("a_Center")->isChecked());
}

// Before any colour is picked the colour buttons' faces apply the colours
// they show.
TEST_F(FormattingTest, ColourButtonsApplyTheColourTheyShow) {
  openCard(kSizes);
  toolbars::TTbrView *bar = window->Toolbar_formatting->View();
  for (TColorButtonItem *button : {window->b_TextColor, window->b_TextHighLight}) {
    const bool text = button == window->b_TextColor;
    SCOPED_TRACE(text ? "text colour" : "highlight");
    // The bar along the bottom of the button's image shows its colour.
    toolbars::TTbrItemViewer *viewer = bar->Find(button);
    QImage image(viewer->BoundsRect.right() + 1, viewer->BoundsRect.bottom() + 1, QImage::Format_ARGB32);
    image.fill(Qt::magenta);
    {
      QPainter painter(&image);
      toolbars::TPainterCanvas canvas(painter);
      canvas.SetFont(window->Toolbar_formatting->font());
      viewer->Paint(canvas, viewer->BoundsRect, false, false, false);
    }
    const QColor shown = TColorToQColor(button->buttonColor());
    bool found = false;
    for (int y = viewer->BoundsRect.center().y(); y <= viewer->BoundsRect.bottom(); ++y)
      for (int x = viewer->BoundsRect.left(); x <= viewer->BoundsRect.right(); ++x)
        found = found || image.pixelColor(x, y) == shown;
    EXPECT_TRUE(found);
    editor().setSel(0, 3);
    button->Click();
    const re::CharFormat c = charsOf(0, 3);
    const QColor applied = re::fromColorRef(text ? c.crTextColor : c.crBackColor);
    EXPECT_EQ(shown.rgb(), applied.rgb());
    EXPECT_EQ(c.effects & (text ? re::CFE_AUTOCOLOR : re::CFE_AUTOBACKCOLOR), 0u);
  }
}

TEST_F(FormattingTest, PalettesFormatOnlyWhenTheUserChooses) {
  openCard(kSizes);
  editor().setSel(0, 3);
  const QByteArray before = editor().streamOut(re::SF_RTF);
  // While the toolbar follows the selection a palette change formats nothing.
  window->ToolbarUpdating = true;
  window->b_TextColor->setPaletteColor(0x0000FF);
  window->b_TextHighLight->setPaletteColor(0x00FFFF);
  window->ToolbarUpdating = false;
  EXPECT_EQ(editor().streamOut(re::SF_RTF), before);
  EXPECT_FALSE(FileModified);

  // A colour picked from the grid colours the selection, and the button keeps it.
  window->b_TextColor->setButtonColor(clNone);
  toolbars::TThmColorPalette *palette = window->b_TextColor->palette();
  EXPECT_EQ(palette->Name(), QStringLiteral("TextColorPalette"));
  EXPECT_EQ(window->b_TextHighLight->palette()->Name(), QStringLiteral("TextHighlightPalette"));
  palette->Model().HandleClickCell(5, 1);
  const TColor picked = palette->GetCellColor(5, 1);
  EXPECT_EQ(editor().SelAttributes().Color(), picked);
  EXPECT_EQ(window->b_TextColor->buttonColor(), picked);
  EXPECT_FALSE(window->b_TextColor->defaultItem()->Checked());
  // Its face applies the button's colour to the next selection.
  editor().setSel(4, 12);
  action("a_TextColor")->trigger();
  EXPECT_EQ(charsOf(4, 12).crTextColor, re::ColorRef(picked));

  // "Default" gives the automatic colour back.
  editor().setSel(0, 3);
  window->b_TextColor->defaultItem()->Click();
  EXPECT_EQ(editor().SelAttributes().Color(), clWindowText);
  // "Default" is checked exactly while the palette shows no colour.
  for (const TColor color : {TColor(clNone), TColor(0x0000FF), TColor(clNone)}) {
    window->ToolbarUpdating = true;
    window->b_TextColor->setPaletteColor(color);
    window->ToolbarUpdating = false;
    EXPECT_EQ(window->b_TextColor->defaultItem()->Checked(), color == clNone) << color;
  }
  // "More Colors ..." asks for a colour, starting at the palette's.
  ui.answer(Answer::pickColor(QColor(1, 2, 3)));
  window->b_TextHighLight->moreColorsItem()->Click();
  EXPECT_EQ(editor().SelAttributes().BackColor(), QColorToTColor(QColor(1, 2, 3)));
  // The selection change shows the highlight in its palette.
  editor().setSel(0, 0);
  editor().setSel(0, 3);
  EXPECT_EQ(window->b_TextHighLight->paletteColor(), QColorToTColor(QColor(1, 2, 3)));
}

// The font box's list: the screen fonts, 16 rows shown, each row 5/4 of
// the normal height with the name in its own face; a row chosen there
// becomes the selection's face.
TEST_F(FormattingTest, FontBoxListShowsNamesInTheirFacesAndAChoiceSetsTheFace) {
  openCard(kSizes);
  TFontBoxItem *fonts = window->cb_Font;
  QStringList names = fonts->Strings();
  ASSERT_FALSE(names.isEmpty());
  toolbars::TTbrView *bar = window->Toolbar_formatting->View();
  bar->Select(bar->Find(fonts), false);
  ASSERT_TRUE(bar->OpenChildPopup(true));
  toolbars::TTbrView *popup = bar->OpenViewerView();
  ASSERT_NE(popup, nullptr);
  auto *list = dynamic_cast<toolbars::TThmCustomListViewer *>(popup->Find(fonts->List()));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Logic().VisibleRows(), std::min<int>(16, names.size()));
  const int normal = QFontMetrics(window->Toolbar_formatting->font()).height() + 2;
  EXPECT_EQ(list->Logic().RowHeight(), normal * 5 / 4);
  // Rows are drawn in their own faces: the list looks different from the
  // names drawn in the menu's font.
  const auto paint = [&] {
    QImage image(list->BoundsRect.right() + 1, list->BoundsRect.bottom() + 1, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    toolbars::TPainterCanvas canvas(painter);
    canvas.SetFont(window->Toolbar_formatting->font());
    list->Paint(canvas, list->BoundsRect, false, false, false);
    return image;
  };
  const QImage ownFaces = paint();
  const toolbars::TThmLPaintEvent drawItem = fonts->List()->OnDrawItem;
  fonts->List()->OnDrawItem = nullptr;
  const QImage menuFont = paint();
  fonts->List()->OnDrawItem = drawItem;
  EXPECT_NE(ownFaces, menuFont);
  bar->CloseChildPopups();

  editor().setSel(0, 3);
  const QString chosen = names.last();
  fonts->List()->SetItemIndex(int(names.size()) - 1);
  EXPECT_EQ(fonts->Text(), chosen);
  EXPECT_EQ(charsOf(0, 3).szFaceName, chosen);
}

TEST_F(FormattingTest, FormatPainterTakesParagraphAttributesAcrossALineEnd) {
  openCard("{\\rtf1\\ansi\\qc\\b\\fs32 source\\par\\pard\\plain one\\par two\\par three\\par}");
  editor().setSel(0, 6);  // "source": bold, 16 points, centred
  action("a_FormatPainter")->trigger();
  EXPECT_EQ(editor().viewport()->cursor().shape(), Qt::BitmapCursor);
  // Within one line: the characters only.
  editor().setSel(7, 10);  // "one"
  EXPECT_EQ(charsOf(7, 10).effects & re::CFE_BOLD, re::CFE_BOLD);
  EXPECT_EQ(editor().paraFormat().wAlignment, re::PFA_LEFT);
  // Across a line end: the paragraphs too.
  editor().setSel(11, 17);  // "two\rth"
  EXPECT_EQ(charsOf(11, 14).yHeight, 320);
  editor().setSel(11, 17);
  EXPECT_EQ(editor().Paragraph().Alignment(), 2);
  EXPECT_TRUE(FileModified);
  action("a_FormatPainter")->trigger();  // off
  editor().setSel(19, 22);
  EXPECT_EQ(charsOf(19, 22).effects & re::CFE_BOLD, 0u);
  EXPECT_EQ(editor().viewport()->cursor().shape(), Qt::IBeamCursor);
}

TEST_F(FormattingTest, SortLinesAndRemoveFormatting) {
  openCard("{\\rtf1\\ansi\\b pear\\b0\\par apple\\par Banana\\par}");
  const QByteArray before = editor().streamOut(re::SF_RTF);
  ui.answerButton(IDNO);
  action("a_SortCardLines")->trigger();
  EXPECT_EQ(editor().streamOut(re::SF_RTF), before);
  EXPECT_FALSE(FileModified);
  ui.answerButton(IDYES);
  action("a_SortCardLines")->trigger();
  EXPECT_EQ(ui.messageTexts().last(),
            QStringLiteral("After card lines sorting,\r\nall text formatting will be changed to default.\r\nAre you sure to do that?"));
  EXPECT_EQ(editor().text(), QStringLiteral("apple\rBanana\rpear"));
  EXPECT_EQ(charsOf(0, -1).effects & re::CFE_BOLD, 0u);
  EXPECT_TRUE(FileModified);

  editor().streamIn("{\\rtf1\\ansi\\b bold\\b0  plain\\par}", re::SF_RTF);
  action("a_CardUnformat")->trigger();
  EXPECT_EQ(editor().text(), QStringLiteral("bold plain"));
  const re::CharFormat all = charsOf(0, -1);
  EXPECT_TRUE(all.mask & re::CFM_BOLD) << "one format throughout";
  EXPECT_EQ(all.effects & re::CFE_BOLD, 0u);
}

TEST_F(FormattingTest, DateGoesIntoTheFilterOrTheCard) {
  openCard("{\\rtf1\\ansi card\\par}");
  AppOptions->DateTimeFormat = QStringLiteral("yyyy-mm-dd");
  const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
  ASSERT_EQ(Tf_Main::DateTimeText(), today);
  // Into the filter edit: it refilters (no card has the date as its title).
  window->e_record->setFocus();
  QTest::keyClick(window->e_record, Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(window->e_record->text(), today);
  EXPECT_EQ(FilteredCards.Count(), 0);
  QTest::keyClick(window->e_record, Qt::Key_Escape);
  ASSERT_EQ(FilteredCards.Count(), 1);
  // Into the card: replaces the selection, the caret behind it.
  editor().setFocus();
  editor().setSel(0, 4);
  QTest::keyClick(&editor(), Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(editor().text(), today);
  EXPECT_EQ(editor().selLength(), 0);
  EXPECT_EQ(editor().selStart(), today.size());
  AppOptions->DateTimeFormat = QStringLiteral("Short Date");
  EXPECT_EQ(Tf_Main::DateTimeText(), FormatDateTime(QStringLiteral("ddddd"), Now()));
}

TEST_F(FormattingTest, SaveAndLoadCardFiles) {
  openCard("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Hello \\b bold\\b0  \\u322?\\u263?\\par second\\par}");
  const QString rtf = dir + "/card.rtf";
  const QString txt = dir + "/card.txt";
  ui.answer(Answer::saveFile(rtf));
  action("a_SaveCardToFile")->trigger();
  ui.answer(Answer::saveFile(txt));
  action("a_SaveCardToFile")->trigger();
  EXPECT_FALSE(QFileInfo::exists(rtf + ".tmp"));

  // The RTF, judged by another reader.
  QProcess pandoc;
  pandoc.start(QStringLiteral("pandoc"), {QStringLiteral("-f"), QStringLiteral("rtf"), QStringLiteral("-t"),
                                          QStringLiteral("plain"), rtf});
  if (!pandoc.waitForFinished(30000) || pandoc.exitCode() != 0) GTEST_SKIP() << "pandoc did not run";
  const QString judged = QString::fromUtf8(pandoc.readAllStandardOutput());
  EXPECT_TRUE(judged.contains(QString::fromUtf8("Hello bold \u0142\u0107"))) << judged.toStdString();
  EXPECT_TRUE(judged.contains(QStringLiteral("second")));

  // The text file: no RTF codes, UTF-8 for characters the code page lacks, CR LF.
  QFile t(txt);
  ASSERT_TRUE(t.open(QIODevice::ReadOnly));
  const QByteArray bytes = t.readAll();
  EXPECT_EQ(bytes, QByteArray("Hello bold \xC5\x82\xC4\x87\r\nsecond\r\n"));
  EXPECT_FALSE(bytes.contains('\\'));

  // Loading asks first when the card has text, then takes the file.
  const QString latin = dir + "/latin.txt";
  {
    QFile f(latin);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("caf\xE9\r\nline 2\r\n");
  }
  ui.answerButton(IDCANCEL);
  action("a_LoadCardFromFile")->trigger();
  EXPECT_TRUE(editor().text().startsWith(QStringLiteral("Hello")));
  // A text file's last line end ends its last line; it adds no empty one.
  for (const auto &[file, shown] : {std::pair{latin, QString::fromUtf8("caf\u00E9\rline 2")},
                                    std::pair{txt, QString::fromUtf8("Hello bold \u0142\u0107\rsecond")},
                                    std::pair{rtf, QString::fromUtf8("Hello bold \u0142\u0107\rsecond")}}) {
    ui.answerButton(IDOK).answer(Answer::openFile(file));
    action("a_LoadCardFromFile")->trigger();
    EXPECT_EQ(editor().text(), shown) << file.toStdString();
  }
  // A UTF-8 file with a byte order mark.
  {
    QFile f(latin);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("\xEF\xBB\xBFna\xC3\xAFve");
  }
  ui.answerButton(IDOK).answer(Answer::openFile(latin));
  action("a_LoadCardFromFile")->trigger();
  EXPECT_EQ(editor().text(), QString::fromUtf8("na\u00EFve"));
  EXPECT_TRUE(FileModified);
}

TEST_F(FormattingTest, InsertPictureLeavesTheClipboardAlone) {
  openCard("{\\rtf1\\ansi ab\\par}");
  QImage image(8, 6, QImage::Format_RGB32);
  image.fill(Qt::red);
  const QString png = dir + "/red.png";
  ASSERT_TRUE(image.save(png));
  QGuiApplication::clipboard()->setText(QStringLiteral("the user's text"));
  editor().setSel(1, 1);
  ui.answer(Answer::openFile(png));
  action("a_InsertPicture")->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("the user's text"));
  EXPECT_EQ(editor().textLength(), 3);  // "a", the picture, "b"
  editor().setSel(1, 2);
  EXPECT_TRUE(editor().selectionType() & re::SEL_OBJECT);
  EXPECT_TRUE(FileModified);

  // A file that is no picture says so and inserts nothing.
  const QString bad = dir + "/bad.gif";
  {
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("GIF89a garbage");
  }
  ui.answer(Answer::openFile(bad)).answerButton(IDOK);
  action("a_InsertPicture")->trigger();
  EXPECT_EQ(editor().textLength(), 3);
  EXPECT_TRUE(ui.messageTexts().last().contains(QStringLiteral("is not a picture")));
}

TEST_F(FormattingTest, WheelScrollsOneLinePerNotchAgainstItsSign) {
  QByteArray rtf = "{\\rtf1\\ansi ";
  for (int i = 0; i < 200; ++i) rtf += "line " + QByteArray::number(i) + "\\par ";
  openCard(rtf + "}");
  window->resize(600, 400);
  QApplication::processEvents();
  QScrollBar *bar = editor().verticalScrollBar();
  ASSERT_GT(bar->maximum(), 0);
  bar->setValue(bar->maximum() / 2);
  const int start = bar->value();
  const int line = editor().fontMetrics().lineSpacing();
  auto wheel = [&](int delta) {
    const QPointF at(10, 10);
    QWheelEvent e(at, editor().viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(editor().viewport(), &e);
  };
  wheel(-120);
  EXPECT_EQ(bar->value(), start + line);
  wheel(240);  // two notches up: three lines, as -240 / 80 counts
  EXPECT_EQ(bar->value(), start - 2 * line);
  wheel(60);  // less than a line's worth: nothing
  EXPECT_EQ(bar->value(), start - 2 * line);
}

TEST(FormattingState, MixedAndPlainSelections) {
  re::CharFormat c;
  c.mask = re::CFM_ALL2;
  c.yHeight = 240;
  c.effects = re::CFE_BOLD | re::CFE_AUTOCOLOR | re::CFE_AUTOBACKCOLOR;
  c.szFaceName = QStringLiteral("Arial");
  re::ParaFormat p;
  p.mask = re::PFM_ALL2;
  p.wAlignment = re::PFA_RIGHT;
  FormattingState s = FormattingStateOf(c, p);
  EXPECT_TRUE(s.bold);
  EXPECT_TRUE(s.right);
  EXPECT_EQ(s.sizeItem, QStringLiteral("12"));
  EXPECT_EQ(s.textColor, clNone);
  EXPECT_EQ(s.fontName, QStringLiteral("Arial"));
  c.mask &= ~(re::CFM_SIZE | re::CFM_FACE | re::CFM_BOLD);  // mixed
  s = FormattingStateOf(c, p);
  EXPECT_EQ(s.sizeItem, QStringLiteral("other"));
  EXPECT_FALSE(s.bold);
  EXPECT_EQ(s.fontName, QString());
  c.mask = re::CFM_ALL2;
  c.yHeight = 250;  // 12.5 points
  EXPECT_EQ(FormattingStateOf(c, p).sizeItem, QStringLiteral("other"));
  c.yHeight = 300;  // 15 points: not an item
  EXPECT_EQ(FormattingStateOf(c, p).sizeItem, QStringLiteral("other"));
}
