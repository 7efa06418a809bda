#include "richedit/rtfroutines.h"

#include "platform/richedit/formatrecords.h"
#include "platform/richedit/richeditcontrol.h"
#include "platform/richedit/rtfreader.h"
#include "richedit/richeditstrings.h"

#include <gtest/gtest.h>

#include <QBuffer>

using namespace qel;
using namespace qel::re;

namespace {

void installReader() {
  RichEditControl::setRtfReader([](const QByteArray &rtf, QTextCursor &c) { return insertRtf(rtf, c); },
                                [](const QByteArray &rtf, QTextDocument *d) { return readRtf(rtf, d); });
}

} // namespace

TEST(RtfRoutines, IsPlainTextLines) {
  struct Case {
    QStringList lines;
    bool plain;
  };
  const Case cases[] = {
      {{}, true},
      {{"{\\rtf1\\ansi x}"}, false},
      {{"{\\rtf"}, false},
      {{"see {\\rtf1 in the text"}, true},  // mentions it, does not start with it
      {{" {\\rtf1"}, true},
      {{"{\\RTF1"}, true},                   // case-sensitive
      {{"plain", "{\\rtf1"}, true},          // only the first line counts
      {{""}, true},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(IsPlainTextLines(c.lines), c.plain) << c.lines.join('|').toStdString();
    QList<QByteArray> bytes;
    for (const QString &l : c.lines) bytes << l.toLatin1();
    EXPECT_EQ(IsPlainTextLines(bytes), c.plain) << c.lines.join('|').toStdString();
  }
}

TEST(RtfRoutines, RTFToPlainLines) {
  installReader();
  QStringList target{"old"};
  RTFToPlainLines(QStringList{"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}", "\\pard a {\\b bold}\\par", "\\pard\\par",
                              "\\pard c\\tab d {\\pict\\pngblip 00}\\par", "}"},
                  target);
  EXPECT_EQ(target, QStringList({"a bold", "", "c\td "}));

  RTFToPlainLines(QStringList{"plain", "lines", ""}, target);
  EXPECT_EQ(target, QStringList({"plain", "lines", ""}));
  RTFToPlainLines(QStringList{}, target);
  EXPECT_TRUE(target.isEmpty());

  // Bodies as stored: legacy code page bytes.
  RTFToPlainLines(QList<QByteArray>{"caf\xe9", "\x80"}, target);
  EXPECT_EQ(target, QStringList({QStringLiteral("caf\u00e9"), QStringLiteral("\u20ac")}));
  RTFToPlainLines(QList<QByteArray>{"{\\rtf1 \\u268\\'3f\\'e9\\par", "x\\par}"}, target);
  EXPECT_EQ(target, QStringList({QStringLiteral("\u010c\u00e9"), QStringLiteral("x")}));
  // Each paragraph is one line, however long.
  const QByteArray longText(20000, 'y');
  RTFToPlainLines(QList<QByteArray>{"{\\rtf1 " + longText + "\\par}"}, target);
  ASSERT_EQ(target.size(), 1);
  EXPECT_EQ(target[0].size(), 20000);
}

TEST(RtfRoutines, InsertRTFAtSelection) {
  installReader();
  RichEditControl editor;
  editor.setText(QStringLiteral("A--B"));
  editor.setSel(1, 3);
  QByteArray data = "skip{\\rtf1\\ansi{\\b x}}";
  QBuffer stream(&data);
  stream.open(QIODevice::ReadOnly);
  stream.seek(4);  // from the stream's current position
  EXPECT_TRUE(InsertRTFAtSelection(editor, stream));
  EXPECT_EQ(editor.text(), QStringLiteral("AxB"));
  editor.setSel(1, 2);
  EXPECT_TRUE(editor.charFormat(SCF_SELECTION).effects & CFE_BOLD);

  // Not RTF: inserted as text, line breaks and all.
  editor.setSel(3, 3);
  QByteArray plain = "see {\\rtf1 here\nnext";
  QBuffer p(&plain);
  p.open(QIODevice::ReadOnly);
  EXPECT_FALSE(InsertRTFAtSelection(editor, p));
  EXPECT_EQ(editor.text(), QStringLiteral("AxBsee {\\rtf1 here\rnext"));
}
