// The text the reader takes from RTF: destinations, special characters, code
// pages, \u, \bin, fields, tables, bullets, and the failure rules. Every case
// runs through the document and the direct plain-text path, which must agree.

#include "tests/platform_richedit/rtfreader_helpers.h"

#include <QTextCursor>

using namespace qel;
using qel::test::textOf;

namespace {

struct Case {
  const char *name;
  QByteArray rtf;
  QString text;
};

QString u(const char16_t *s) { return QString::fromUtf16(s); }

void runCases(const std::vector<Case> &cases) {
  for (const Case &c : cases) EXPECT_EQ(textOf(c.rtf), c.text) << c.name;
}

TEST(RtfReaderText, HeaderTablesAndSkippedDestinations) {
  runCases({
      {"tables and header",
       "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\\deftab720{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1 Symbol;}}"
       "{\\colortbl ;\\red255\\green0\\blue0;}\\viewkind4\\pard\\f0\\fs20 Hello\\par}",
       "Hello"},
      {"skipped destinations",
       "{\\rtf1{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}{\\header head}{\\footer foot}"
       "{\\footerl x}{\\headerr y}Body{\\footnote note}{\\*\\unknown hidden}{\\*\\generator gen;} end}",
       "Body end"},
      {"unknown plain control words are ignored", "{\\rtf1 a\\madeupword42 b\\zz c}", "abc"},
      {"fields show their result", "{\\rtf1 see {\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt link}} now}",
       "see link now"},
      {"field instruction without star", "{\\rtf1 {\\field{\\fldinst PAGE}{\\fldrslt 7}}}", "7"},
      {"last paragraph mark adds no paragraph", "{\\rtf1 a\\par}", "a"},
      {"two marks keep one empty paragraph", "{\\rtf1 a\\par\\par}", "a\n"},
      {"marks then formatting only", "{\\rtf1 a\\par\\pard\\plain\\f0 }", "a"},
      {"section and control-symbol line ends", "{\\rtf1 a\\sect b\\\r\nc}", "a\nb\nc"},
      {"line breaks in the source are not text", "{\\rtf1 a\r\nb\nc}", "abc"},
  });
}

TEST(RtfReaderText, SpecialCharacters) {
  runCases({
      {"tab line page", "{\\rtf1 a\\tab b\\line c\\page d}", "a\tb\nc\nd"},
      {"symbols", "{\\rtf1 1\\~2\\-3\\_4 \\\\ \\{ \\}}", u(u"1\u00a02\u00ad3\u20114 \\ { }")},
      {"dashes and bullet", "{\\rtf1 \\emdash\\endash\\bullet\\emspace\\enspace\\qmspace}",
       u(u"\u2014\u2013\u2022\u2003\u2002\u2005")},
      {"quotes", "{\\rtf1 \\lquote a\\rquote  \\ldblquote b\\rdblquote}", u(u"\u2018a\u2019 \u201cb\u201d")},
      {"marks", "{\\rtf1 \\ltrmark\\rtlmark\\zwj\\zwnj}", u(u"\u200e\u200f\u200d\u200c")},
      {"literal tab byte", "{\\rtf1 a\tb}", "a\tb"},
  });
}

TEST(RtfReaderText, CodePagesByFontCharset) {
  auto font = [](int charset, const char *bytes) {
    return QByteArray("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset") +
           QByteArray::number(charset) + " B;}}\\f1 " + bytes + "\\f0 .}";
  };
  runCases({
      {"0 uses ansicpg", font(0, "\\'e9\\'80"), u(u"\u00e9\u20ac.")},
      {"238 is 1250", font(238, "\\'9e\\'e8\\'f8"), u(u"\u017e\u010d\u0159.")},
      {"204 is 1251", font(204, "\\'c6\\'e8"), u(u"\u0416\u0438.")},
      {"161 is 1253", font(161, "\\'e1\\'e2"), u(u"\u03b1\u03b2.")},
      {"162 is 1254", font(162, "\\'f0\\'fe"), u(u"\u011f\u015f.")},
      {"177 is 1255", font(177, "\\'e0"), u(u"\u05d0.")},
      {"178 is 1256", font(178, "\\'c7"), u(u"\u0627.")},
      {"186 is 1257", font(186, "\\'e0"), u(u"\u0105.")},
      {"163 is 1258", font(163, "\\'cc"), u(u"\u0300.")},
      {"222 is 874", font(222, "\\'a1"), u(u"\u0e01.")},
      {"2 is symbol, bytes kept", font(2, "\\'b7"), u(u"\u00b7.")},
      {"128 is 932", font(128, "\\'82\\'a0\\'93\\'fa"), u(u"\u3042\u65e5.")},
      {"134 is 936", font(134, "\\'d6\\'d0"), u(u"\u4e2d.")},
      {"129 is 949", font(129, "\\'c7\\'d1"), u(u"\ud55c.")},
      {"136 is 950", font(136, "\\'a4\\'a4"), u(u"\u4e2d.")},
      {"double-byte trail byte as plain text", font(128, "\\'83X"), u(u"\u30b9.")},
      {"raw 8-bit bytes", "{\\rtf1\\ansi\\ansicpg1250 \x9e\xe8}", u(u"\u017e\u010d")},
      {"ansicpg for the default font", "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0 A;}}\\'c6}", u(u"\u0416")},
      {"cpg of a font", "{\\rtf1{\\fonttbl{\\f0\\cpg1253 A;}}\\f0\\'e1}", u(u"\u03b1")},
      {"font names decode in their charset",
       "{\\rtf1{\\fonttbl{\\f0\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\\f0 x}", "x"},
      {"invalid double-byte sequence", font(128, "\\'82"), u(u"\ufffd.")},
  });
}

TEST(RtfReaderText, UnicodeEscapes) {
  runCases({
      {"uc1 skips one byte", "{\\rtf1\\uc1 \\u8364?x}", u(u"\u20acx")},
      {"uc1 skips one hex escape", "{\\rtf1\\uc1 \\u8364\\'80x}", u(u"\u20acx")},
      {"uc2 skips two", "{\\rtf1\\uc2 \\u26085\\'93\\'fax}", u(u"\u65e5x")},
      {"uc0 skips nothing", "{\\rtf1\\uc0 \\u8364 x}", u(u"\u20acx")},
      {"negative values", "{\\rtf1 \\u-3913?}", u(u"\uf0b7")},
      {"surrogate pair joined", "{\\rtf1 \\u-10179?\\u-8704?}", u(u"\U0001F600")},
      {"lone high surrogate", "{\\rtf1 \\u-10179?x}", u(u"\ufffdx")},
      {"lone low surrogate", "{\\rtf1 \\u-8704?x}", u(u"\ufffdx")},
      {"uc is scoped to its group", "{\\rtf1 {\\uc2 \\u946 ab}\\u947 cd}", u(u"\u03b2\u03b3d")},
      {"skipping stops at a group end", "{\\rtf1\\uc3 \\u945 a}", u(u"\u03b1")},
      {"skipping counts a control word", "{\\rtf1\\uc1 \\u945\\bullet b}", u(u"\u03b1b")},
      {"structural characters are not taken", "{\\rtf1 a\\u8233?b\\u64976?c}", u(u"a\nb\ufffdc")},
  });
}

TEST(RtfReaderText, BinaryDataIsExactlyNBytes) {
  QByteArray rtf = QByteArray("{\\rtf1 a{\\*\\blob\\bin5 }{\\}") + '\0' + "}b\\bin3 x}yc}";
  EXPECT_EQ(textOf(rtf), "abc");
  EXPECT_EQ(textOf("{\\rtf1 a\\bin-5 b}"), "ab");
  EXPECT_EQ(textOf("{\\rtf1 a\\bin999999 bc"), "a");  // runs past the end: nothing more to read
}

// Tables are the document's tables: their text is a line per row with the
// cells apart by tabs, after the paragraph before the table (a table first in
// the body has an empty one) and followed by a line end.
TEST(RtfReaderText, TablesReadAsRowsOfCells) {
  runCases({
      {"windows rows", "{\\rtf1\\trowd\\cellx1000\\cellx2000\\pard\\intbl a\\cell b\\cell\\row\\intbl c\\cell d\\cell\\row}",
       "\na\tb\nc\td\n"},
      {"cells as paragraphs",
       "{\\rtf1\\trowd\\cellx1000\\cellx2000 {\\pard\\intbl x\\par}\\cell{\\pard\\intbl y\\par}\\cell\\row\\pard after}",
       "\nx\ty\nafter"},
      {"empty cells keep their place", "{\\rtf1\\pard\\intbl\\cell\\cell z\\cell\\row}", "\n\t\tz\n"},
      {"several paragraphs in a cell", "{\\rtf1 before\\par\\pard\\intbl p\\par q\\cell r\\cell\\row}", "before\np\nq\tr\n"},
      {"an empty last paragraph in a cell", "{\\rtf1\\pard\\intbl p\\par\\cell\\row}", "\np\n\n"},
      {"rows of different widths are squared", "{\\rtf1\\pard\\intbl a\\cell\\row\\intbl b\\cell c\\cell\\row}", "\na\t\nb\tc\n"},
      {"a paragraph between two tables", "{\\rtf1\\pard\\intbl a\\cell\\row\\pard mid\\par\\intbl b\\cell\\row\\pard end}",
       "\na\nmid\nb\nend"},
      {"a row never ended", "{\\rtf1 x\\par\\pard\\intbl a\\cell b", "x\na\tb\n"},
      // Paragraphs ended in a cell after its last cell mark stay in that
      // cell, with the empty paragraph after them, when the row or text ends.
      {"paragraphs after the last cell mark", "{\\rtf1\\pard\\intbl a\\cell b\\par{\\pntext}\\row\\intbl c\\cell\\row}",
       "\na\tb\n\nc\t\n"},
      {"a row cut short after a paragraph mark", "{\\rtf1\\pard\\intbl a\\par\\pntext", "\na\n\n"},
      {"a row cut short after a lone paragraph mark", "{\\rtf\\intbl\\\r\\pntext", "\n\n\n"},
      {"nested table cells stay in their cell",
       "{\\rtf1\\pard\\intbl\\itap2 n1\\nestcell n2\\nestcell{\\*\\nesttableprops\\trowd\\cellx500\\nestrow}{\\nonesttables\\par}"
       "\\pard\\intbl o\\cell\\row}",
       "\nn1\tn2\to\n"},
  });
}

TEST(RtfReaderText, BulletTextIsReadOnceWithNumbering) {
  runCases({
      {"old style bullet", "{\\rtf1{\\fonttbl{\\f1\\fcharset2 Symbol;}}\\pard{\\pntext\\f1\\'b7\\tab}"
                           "{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'b7}}\\fi-720\\li720 one\\par"
                           "{\\pntext\\f1\\'b7\\tab}two\\par}",
       "one\ntwo"},
      {"numbered", "{\\rtf1\\pard{\\pntext 1.\\tab}{\\*\\pn\\pnlvlbody\\pndec{\\pntxta .}}a\\par}", "a"},
      {"list table", "{\\rtf1{\\*\\listtable{\\list\\listid7{\\listlevel\\levelnfc23{\\leveltext\\'01\\u8226 ?;}}}}"
                     "{\\*\\listoverridetable{\\listoverride\\listid7\\ls1}}\\pard\\ls1{\\listtext \\'95\\tab}item\\par}",
       "item"},
      {"shown numbering kept without numbering", "{\\rtf1\\pard{\\pntext 1)\\tab}plain\\par}", "1)\tplain"},
      {"list text of an unknown list kept", "{\\rtf1\\pard\\ls9{\\listtext -\\tab}x\\par}", "-\tx"},
      // Shown numbering stays with the paragraph it starts in, however that
      // paragraph ends (cell mark, row end, a table starting after it).
      {"shown numbering in each cell", "{\\rtf1\\pard\\intbl{\\pntext 1)\\tab}a\\cell{\\pntext 2)\\tab}b\\cell\\row\\pard after}",
       "\n1)\ta\t2)\tb\nafter"},
      {"shown numbering ended by a row end", "{\\rtf1\\pard\\intbl a\\cell{\\pntext x}\\row}", "\na\tx\n"},
      {"shown numbering before a table", "{\\rtf1{\\pntext x}\\cell\\row}", "x\n\n"},
      {"shown numbering with damaged words before a table",
       "{\\rtf1\\ansi{]colortbl;\\retf1{\\pntext\\'d2+55\\green1\\\xff\xff\xff" "blue0;}\\cell\\row}",
       u(u"]colortbl;\u00d2+55\u00ff\u00ffblue0;\n\n")},
  });
}

TEST(RtfReaderText, PicturesAndObjectsAreOneCharacterEach) {
  const QString obj = QString(QChar::ObjectReplacementCharacter);
  runCases({
      {"picture", "{\\rtf1 a{\\pict\\pngblip 89504e47}b}", "a" + obj + "b"},
      {"shppict preferred over nonshppict",
       "{\\rtf1 a{\\*\\shppict{\\pict\\pngblip 00}}{\\nonshppict{\\pict\\wmetafile8 00}}b}", "a" + obj + "b"},
      {"nonshppict alone is read", "{\\rtf1 a{\\nonshppict{\\pict\\wmetafile8 00}}b}", "a" + obj + "b"},
      {"object shows one result", "{\\rtf1 a{\\object\\objemb{\\*\\objdata 0102}{\\result{\\pict\\wmetafile8 00} text}}b}",
       "a" + obj + "b"},
      {"object without result", "{\\rtf1 a{\\object{\\*\\objdata 01}}b}", "a" + obj + "b"},
      {"picture outside the text is not shown", "{\\rtf1 {\\header{\\pict\\pngblip 00}}x}", "x"},
  });
}

TEST(RtfReaderText, RefusesDataThatIsNotRtf) {
  for (const QByteArray &data : {QByteArray(), QByteArray("hello"), QByteArray("{\\rt"), QByteArray(" {\\rtf1 x}"),
                                 QByteArray("{\\RTF1 x}"), QByteArray("\xef\xbb\xbf{\\rtf1 x}")}) {
    QString text = QStringLiteral("old");
    EXPECT_FALSE(re::rtfToPlainText(data, text)) << data.constData();
    EXPECT_TRUE(text.isEmpty());
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("kept"));
    EXPECT_FALSE(re::readRtf(data, &doc));
    EXPECT_EQ(doc.toPlainText(), "kept");
    QTextCursor cursor(&doc);
    EXPECT_FALSE(re::insertRtf(data, cursor));
    EXPECT_EQ(doc.toPlainText(), "kept");
  }
}

TEST(RtfReaderText, TruncatedAndUnbalancedLoadWhatTheyCan) {
  runCases({
      {"truncated", "{\\rtf1 abc", "abc"},
      {"truncated in a group", "{\\rtf1 a{\\b b", "ab"},
      {"truncated in a control word", "{\\rtf1 a\\par b\\pa", "a\nb"},
      {"truncated hex escape", "{\\rtf1 a\\'e", "a"},
      {"truncated in a picture", "{\\rtf1 a{\\pict\\pngblip 8950", u(u"a\ufffc")},
      {"truncated in an object", "{\\rtf1 a{\\object{\\*\\objdata 01", u(u"a\ufffc")},
      {"truncated in the font table", "{\\rtf1{\\fonttbl{\\f0 Ari", ""},
      {"text after the document", "{\\rtf1 a}b{c}", "a"},
      {"stray closing brace", "{\\rtf1 a}}b", "a"},
      {"just the header", "{\\rtf", ""},
  });
}

TEST(RtfReaderText, EveryPrefixOfAFixtureLoadsAndAgrees) {
  const QByteArray rtf = test::readFixture("rtfread_wincontrol_1252.rtf");
  for (qsizetype n = 5; n < rtf.size(); n += 7) test::load(rtf.left(n));
}

TEST(RtfReaderText, HostileStructureStaysBounded) {
  // Deep nesting, huge numbers, a giant \bin and many tab stops.
  QByteArray deep = "{\\rtf1 " + QByteArray(200000, '{') + "x" + QByteArray(200000, '}') + "y}";
  EXPECT_EQ(textOf(deep), "xy");
  EXPECT_EQ(textOf("{\\rtf1\\fs99999999999999\\li-99999999999\\u99999999999 a\\uc999999 \\u65 bcdef}"), u(u"\ufffdA"));
}

} // namespace
