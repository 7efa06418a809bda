#include "platform/richedit/rtfwrite_emitter.h"
#include "platform/richedit/rtfwriter.h"
#include "tests/platform_richedit/rtfwriter_fixture.h"

#include <gtest/gtest.h>

#include <QTextCursor>
#include <QTextDocument>

using namespace qel;
using namespace qel::re;
using qel::test::DocBuilder;

namespace {

QByteArray bodyOf(const QByteArray &rtf) {
  // Everything after the header (from the first paragraph on).
  const qsizetype at = rtf.indexOf("\\pard");
  return at < 0 ? QByteArray() : rtf.mid(at);
}

QByteArray writeText(const QString &text, const std::function<void(CharFormat &)> &change = {}) {
  QTextDocument doc;
  DocBuilder(doc).para().text(text, change);
  return writeRtf(doc);
}

} // namespace

TEST(RtfWriterOutput, HeaderTablesAndLineRules) {
  QTextDocument doc;
  test::buildFixture(doc);
  const QByteArray rtf = writeRtf(doc);
  EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0")) << rtf.left(60).constData();
  EXPECT_TRUE(rtf.contains("{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}"));
  EXPECT_TRUE(rtf.contains("\\fcharset238 Arial CE;}"));
  EXPECT_TRUE(rtf.contains("\\fmodern\\fprq1\\fcharset0 Courier New;}"));
  EXPECT_TRUE(rtf.contains("{\\colortbl ;\\red255\\green0\\blue0;\\red255\\green255\\blue0;}"));
  EXPECT_TRUE(rtf.contains("\\uc1"));
  EXPECT_TRUE(rtf.endsWith("\\par\r\n}\r\n"));
  EXPECT_EQ(rtf.count("\\par\r\n"), doc.blockCount());
  for (char c : rtf) ASSERT_TRUE((unsigned char)c < 0x80) << "non-ASCII byte in the output";
  // Every line break is CR LF and no line starts with '<'.
  for (qsizetype i = 0; i < rtf.size(); ++i) {
    if (rtf[i] == '\n') {
      ASSERT_GT(i, 0);
      EXPECT_EQ(rtf[i - 1], '\r') << "bare LF at " << i;
      if (i + 1 < rtf.size()) {
        EXPECT_NE(rtf[i + 1], '<') << "line starting with '<' at " << i + 1;
      }
    } else if (rtf[i] == '\r') {
      EXPECT_TRUE(i + 1 < rtf.size() && rtf[i + 1] == '\n') << "bare CR at " << i;
    }
  }
  // Deterministic: the same document, and a copy of it, give the same bytes.
  EXPECT_EQ(writeRtf(doc), rtf);
  std::unique_ptr<QTextDocument> copy(doc.clone());
  EXPECT_EQ(writeRtf(*copy), rtf);
}

TEST(RtfWriterOutput, TextEscapes) {
  struct Case {
    QString text;
    int charset;
    const char *expected;
  };
  const Case cases[] = {
      {QStringLiteral("a\\b{c}d"), 0, " a\\\\b\\{c\\}d}"},
      {QStringLiteral("1st"), 0, "\\fs24 1st}"},           // a delimiter keeps the digit out of \fs
      {QStringLiteral("-x"), 0, "\\fs24 -x}"},
      {QStringLiteral("a\tb"), 0, " a\\tab b}"},
      {QStringLiteral("a\x0C" "b"), 0, " a\\page b}"},
      {QStringLiteral("a\u2028b"), 0, " a\\line b}"},
      {QStringLiteral("\u00e9t\u00e9"), 0, "\\fs24\\u233\\'e9t\\u233\\'e9}"},       // code page byte as fallback
      {QStringLiteral("\u00e9"), 238, "\\fs24\\u233\\'3f}"},                      // another charset: "?"
      {QStringLiteral("\u010c"), 0, "\\fs24\\u268\\'3f}"},                        // not in the code page
      {QStringLiteral("\u20ac"), 0, "\\fs24\\u8364\\'80}"},
      {QStringLiteral("\uFFFD"), 0, "\\fs24\\u-3\\'3f}"},                          // signed 16-bit parameter
      {QStringLiteral("\U0001F600"), 0, "\\fs24\\u-10179\\'3f\\u-8704\\'3f}"},    // surrogate pair
      {QStringLiteral("\u00a0\u00ad\u2011"), 0, "\\fs24\\~\\-\\_}"},
      {QStringLiteral("a\x01" "b"), 0, " a\\'01b}"},
      {QStringLiteral("<tag>"), 0, " <tag>}"},
  };
  for (const Case &c : cases) {
    const QByteArray rtf = writeText(c.text, [&](CharFormat &r) { r.bCharSet = c.charset; });
    EXPECT_TRUE(rtf.contains(c.expected)) << c.text.toStdString() << " -> " << bodyOf(rtf).constData();
  }
}

TEST(RtfWriterOutput, FontNamesInTheirOwnCodePage) {
  struct Case {
    QString face;
    int charset;
    const char *entry;
  };
  const Case cases[] = {
      {QStringLiteral("Cr\u00e8me"), 0, "\\fcharset0 Cr\\'e8me;}"},
      {QStringLiteral("\u010cesk\u00fd"), 238, "\\fcharset238\\'c8esk\\'fd;}"},   // Windows-1250
      {QStringLiteral("\u0395\u03bb"), 161, "\\fcharset161\\'c5\\'eb;}"},         // Windows-1253
      {QStringLiteral("a;b{c}"), 0, "\\fcharset0 a\\'3bb\\'7bc\\'7d;}"},
      {QStringLiteral("\u4e2d"), 0, "\\fcharset0\\u20013\\'3f;}"},             // not in the page: \uN
      // Double-byte pages: the name's two-byte sequences.
      {QStringLiteral("\uff2d\uff33 \u30b4\u30b7\u30c3\u30af"), 128,
       "\\fcharset128\\'82\\'6c\\'82\\'72 \\'83\\'53\\'83\\'56\\'83\\'62\\'83\\'4e;}"},  // Shift-JIS
      {QStringLiteral("\u5b8b\u4f53"), 134, "\\fcharset134\\'cb\\'ce\\'cc\\'e5;}"},              // GBK
      {QStringLiteral("\uad74\ub9bc"), 129, "\\fcharset129\\'b1\\'bc\\'b8\\'b2;}"},              // Korean
  };
  for (const Case &c : cases) {
    const QByteArray rtf = writeText(QStringLiteral("x"), [&](CharFormat &r) { r.szFaceName = c.face; r.bCharSet = c.charset; });
    EXPECT_TRUE(rtf.contains(c.entry)) << c.entry << "\n" << rtf.constData();
  }
}

TEST(RtfWriterOutput, ParagraphsBulletsAndPicture) {
  QTextDocument doc;
  test::buildFixture(doc);
  const QByteArray rtf = writeRtf(doc);
  const char *expected[] = {
      "\\pard\\qc\\plain{",
      "\\pard\\qr\\plain{",
      "\\pard\\qj\\plain{",
      "\\pard\\fi-720\\li720\\ri360\\sb120\\sa60\\plain{",
      "\\pard\\tx1440\\tqc\\tx2880\\tldot\\tqr\\tx4320\\plain{",
      "\\pard\\ls1\\ilvl0{\\pntext\\f2\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf2\\pnindent0{\\pntxtb\\'b7}}\\fi-360\\li360\\plain{",
      "{\\*\\listtable{\\list\\listtemplateid1\\listsimple{\\listlevel\\levelnfc23",
      "{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}}",
      "\\pard\\pagebb\\plain{\\f0\\fs24 After break}",
      "{\\f0\\fs24\\b bold}",
      "{\\f0\\fs24\\i italic}",
      "{\\f0\\fs24\\ul underline}",
      "{\\f0\\fs24\\uldb double}",
      "{\\f0\\fs24\\strike strike}",
      "{\\f0\\fs24\\super 2}",
      "{\\f0\\fs24\\sub 2}",
      "{\\f0\\fs24\\up6 raised}",
      "{\\f0\\fs24\\protect protected}",
      "{\\f0\\fs24\\cf1 red}",
      "{\\f0\\fs24\\highlight2 highlight}",
      "{\\f1\\fs20 Courier}",
      "{\\pict\\pngblip\\picw4\\pich3\\picwgoal60\\pichgoal45\r\n",
  };
  for (const char *e : expected) EXPECT_TRUE(rtf.contains(e)) << e << "\n---\n" << rtf.constData();
  EXPECT_TRUE(QByteArray(rtf).replace("\r\n", "").contains(test::fixturePng().toHex()));
  // The bullet is counted once per paragraph.
  EXPECT_EQ(rtf.count("{\\pntext"), 2);
}

TEST(RtfWriterOutput, NumberingTexts) {
  QTextDocument doc;
  DocBuilder b(doc);
  auto numbered = [](int kind, int style) {
    return [=](ParaFormat &p) {
      p.wNumbering = kind;
      p.wNumberingStyle = style;
      p.wNumberingStart = 1;
      p.dxOffset = 360;
    };
  };
  b.para(numbered(PFN_ARABIC, PFNS_PERIOD)).text("a");
  b.para(numbered(PFN_ARABIC, PFNS_PERIOD)).text("b");
  b.para().text("plain");
  b.para(numbered(PFN_UCROMAN, PFNS_PARENS)).text("c");
  b.para(numbered(PFN_UCROMAN, PFNS_PARENS)).text("d");
  b.para(numbered(PFN_UCROMAN, PFNS_PARENS)).text("e");
  b.para(numbered(PFN_LCLETTER, PFNS_PAREN)).text("f");
  const QByteArray rtf = writeRtf(doc);
  for (const char *e : {"{\\pntext\\f0 1.\\tab}", "{\\pntext\\f0 2.\\tab}", "{\\pntext\\f0 (I)\\tab}",
                        "{\\pntext\\f0 (III)\\tab}", "{\\pntext\\f0 a)\\tab}",
                        "{\\*\\pn\\pnlvlbody\\pndec\\pnstart1\\pnf0\\pnindent0{\\pntxta .}}",
                        "\\pnucrm\\pnstart1\\pnf0\\pnindent0{\\pntxtb (}{\\pntxta )}}",
                        "{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}"})
    EXPECT_TRUE(rtf.contains(e)) << e << "\n---\n" << rtf.constData();
  EXPECT_EQ(rtf.count("{\\list\\"), 3);
}

TEST(RtfWriterOutput, ObjectsVerbatimAndWithoutObjects) {
  const QByteArray object = "{\\object\\objemb{\\*\\objclass Paint.Picture}\\objw100\\objh100{\\*\\objdata\r\n"
                            "0102abcd\r\n<not a tag>\r\n}{\\result{\\pict\\wmetafile8 0100}}}";
  QTextDocument doc;
  DocBuilder(doc).para().text("before ").object(object).text(" middle ").picture(test::fixturePng(), 4, 3).text(" after");
  const QByteArray rtf = writeRtf(doc);
  QByteArray expectedObject = object;
  expectedObject.replace("\r\n<not", "<not");  // line starts never get a '<'
  EXPECT_TRUE(rtf.contains(expectedObject)) << rtf.constData();
  EXPECT_TRUE(rtf.contains("{\\pict\\pngblip"));

  RtfWriteOptions options;
  options.withoutObjects = true;
  const QByteArray bare = writeRtf(doc, options);
  EXPECT_FALSE(bare.contains("\\object"));
  EXPECT_FALSE(bare.contains("\\pict"));
  EXPECT_TRUE(bare.contains("{\\f0\\fs24 before  middle  after}\\f0\\fs24\\par")) << bare.constData();

  // \bin data stays as it is unless it would put a '<' at a line start.
  QByteArray binObject = "{\\object{\\*\\objdata\\bin4 \r\n<\x01\x02}}";
  QTextDocument doc2;
  DocBuilder(doc2).para().object(binObject);
  EXPECT_TRUE(writeRtf(doc2).contains("{\\object{\\*\\objdata 0d0a3c01\x02}}")) << writeRtf(doc2).constData();
  // Lone CR or LF inside a kept group become CR LF; binary data with line
  // breaks goes out as hex.
  QTextDocument doc4;
  DocBuilder(doc4).para().object("{\\object\rA\nB\r\nC{\\*\\objdata\\bin2 \r\n}}");
  EXPECT_TRUE(writeRtf(doc4).contains("{\\object\r\nA\r\nB\r\nC{\\*\\objdata 0d0a}}")) << writeRtf(doc4).constData();
  QTextDocument doc5;  // backslash + line break is \par
  DocBuilder(doc5).para().object("{\\object{\\result a\\\r<b\\\r\nc}}");
  EXPECT_TRUE(writeRtf(doc5).contains("{\\object{\\result a\\par <b\\par c}}")) << writeRtf(doc5).constData();
  QTextDocument doc3;
  DocBuilder(doc3).para().object("{\\object{\\*\\objdata\\bin3 a}b}}");  // binary data kept as it is
  EXPECT_TRUE(writeRtf(doc3).contains("{\\object{\\*\\objdata\\bin3 a}b}}"));
}

TEST(RtfWriterOutput, KeptObjectGroupsAreWholeGroups) {
  struct Case {
    QByteArray kept;
    QByteArray written;
  };
  const Case cases[] = {
      {"{\\object\\objemb{\\*\\objdata 01}}", "{\\object\\objemb{\\*\\objdata 01}}"},
      {"{\\*\\object x}", "{\\*\\object x}"},
      {"{text {\\object a}}", "{\\object a}"},                       // text before the group
      {"{\\object a} trailing}", "{\\object a}"},                   // bytes after it
      {"{\\object{\\*\\objdata 01", ""},                              // cut short
      {"{\\object a\\}b\\{c}", "{\\object a\\}b\\{c}"},          // escaped braces
      {"{\\object\\bin2 }{}", "{\\object\\bin2 }{}"},                 // braces in binary data
      {"{\\objectx a}", ""},
      {"no group", ""},
  };
  for (const Case &c : cases) EXPECT_EQ(wellFormedObjectGroup(c.kept), c.written) << c.kept.constData();
}

TEST(RtfWriterOutput, SelectionOnly) {
  QTextDocument doc;
  DocBuilder b(doc);
  b.para().text("alpha beta");
  b.para([](ParaFormat &p) { p.wAlignment = PFA_CENTER; }).text("gamma");
  b.para().text("delta");
  RtfWriteOptions o;
  o.selectionOnly = true;
  struct Case { int from, to; const char *body; };
  const Case cases[] = {
      {6, 10, "\\pard\\plain{\\f0\\fs24 beta}}\r\n"},                                    // inside one paragraph
      {6, 11, "\\pard\\plain{\\f0\\fs24 beta}\\f0\\fs24\\par\r\n}\r\n"},                  // with its break
      {6, 13, "{\\f0\\fs24 beta}\\f0\\fs24\\par\r\n\\pard\\qc\\plain{\\f0\\fs24 ga}}\r\n"},
      {13, 6, "{\\f0\\fs24 beta}\\f0\\fs24\\par\r\n\\pard\\qc\\plain{\\f0\\fs24 ga}}\r\n"},  // reversed ends
      {4, 4, "\\uc1}\r\n"},                                                             // empty
  };
  for (const Case &c : cases) {
    o.selectionStart = c.from;
    o.selectionEnd = c.to;
    const QByteArray rtf = writeRtf(doc, o);
    EXPECT_TRUE(rtf.endsWith(c.body)) << c.from << ".." << c.to << ": " << rtf.constData();
    EXPECT_TRUE(rtf.startsWith("{\\rtf1"));
  }
}
