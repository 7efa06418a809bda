// RTF inserted at a cursor (paste, joining cards): the selection is replaced,
// paragraph marks carry the pasted paragraphs' formats, the paragraph the
// text ends in keeps its own, and the whole insertion is one undo step.

#include "tests/platform_richedit/rtfreader_helpers.h"

#include <QTextCursor>

using namespace qel;
using namespace qel::re;

namespace {

TEST(RtfReaderInsert, TextLandsAtTheCursorReplacingTheSelection) {
  QTextDocument doc;
  doc.setPlainText(QStringLiteral("before after"));
  QTextCursor cursor(&doc);
  cursor.setPosition(6);
  ASSERT_TRUE(insertRtf("{\\rtf1 {\\b X}}", cursor));
  EXPECT_EQ(documentPlainText(&doc), "beforeX after");
  EXPECT_TRUE(test::charAt(doc, 6).effects & CFE_BOLD);
  EXPECT_FALSE(test::charAt(doc, 7).effects & CFE_BOLD);

  cursor.setPosition(0);
  cursor.setPosition(6, QTextCursor::KeepAnchor);
  ASSERT_TRUE(insertRtf("{\\rtf1 new}", cursor));
  EXPECT_EQ(documentPlainText(&doc), "newX after");
}

TEST(RtfReaderInsert, ParagraphMarksCarryThePastedFormats) {
  QTextDocument doc;
  doc.setPlainText(QStringLiteral("ab"));
  QTextCursor cursor(&doc);
  cursor.setPosition(1);
  ASSERT_TRUE(insertRtf("{\\rtf1\\pard\\qc one\\par\\pard\\qr two}", cursor));
  EXPECT_EQ(documentPlainText(&doc), "aone\ntwob");
  ASSERT_EQ(doc.blockCount(), 2);
  EXPECT_EQ(test::paraOf(doc, 0).wAlignment, PFA_CENTER);
  EXPECT_EQ(test::paraOf(doc, 1).wAlignment, PFA_LEFT);  // its mark is the original one
}

TEST(RtfReaderInsert, JoinedCardsKeepTheirParagraphEnds) {
  QTextDocument doc;
  QTextCursor cursor(&doc);
  for (const char *card : {"{\\rtf1 first\\par}", "{\\rtf1 second\\par}"}) {
    cursor.movePosition(QTextCursor::End);
    ASSERT_TRUE(insertRtf(card, cursor));
  }
  EXPECT_EQ(documentPlainText(&doc), "first\nsecond\n");
}

TEST(RtfReaderInsert, OneUndoStepAndDistinctPictures) {
  QTextDocument doc;
  doc.setPlainText(QStringLiteral("keep"));
  QTextCursor cursor(&doc);
  cursor.movePosition(QTextCursor::End);
  const QByteArray rtf = "{\\rtf1 a\\par b{\\pict\\pngblip\\picwgoal150\\pichgoal150 0102}c\\par d}";
  ASSERT_TRUE(insertRtf(rtf, cursor));
  ASSERT_TRUE(insertRtf(rtf, cursor));
  const auto imgs = test::images(doc);
  ASSERT_EQ(imgs.size(), 2u);
  EXPECT_NE(imgs[0].name(), imgs[1].name());
  doc.undo();
  doc.undo();
  EXPECT_EQ(documentPlainText(&doc), "keep");
}

TEST(RtfReaderInsert, ReadingReplacesTheDocumentAndItsHistory) {
  QTextDocument doc;
  QTextCursor cursor(&doc);
  cursor.insertText(QStringLiteral("old text"));
  ASSERT_TRUE(readRtf("{\\rtf1 new\\par}", &doc));
  EXPECT_EQ(documentPlainText(&doc), "new");
  EXPECT_FALSE(doc.isUndoAvailable());
  EXPECT_TRUE(doc.isUndoRedoEnabled());

  // The default tab distance is the body's, else the control's 720 twips.
  ASSERT_TRUE(readRtf("{\\rtf1\\deftab360 x}", &doc));
  EXPECT_DOUBLE_EQ(doc.defaultTextOption().tabStopDistance(), 24.0);
  ASSERT_TRUE(readRtf("{\\rtf1 y}", &doc));
  EXPECT_DOUBLE_EQ(doc.defaultTextOption().tabStopDistance(), 48.0);
}

} // namespace
