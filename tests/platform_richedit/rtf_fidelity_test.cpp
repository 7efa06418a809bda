// Nothing a card holds is lost by opening and saving it: each fixture is a
// small body in the style of the writer that showed a loss; read, written and
// read again it gives the same character and paragraph records everywhere,
// and the second write gives the first write's bytes.

#include "platform/richedit/formatrecords.h"
#include "platform/richedit/rtfreader.h"
#include "platform/richedit/rtfwriter.h"
#include "platform/richedit/textprops.h"
#include "platform/richedit/units.h"
#include "tests/platform_richedit/rtfreader_helpers.h"
#include "tests/platform_richedit/rtfwriter_fixture.h"
#include "platform/richedit/richeditcontrol.h"
#include "tests/support/testenv.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QTextTable>

using namespace qel;
using namespace qel::re;

namespace {

std::string describe(const CharFormat &r) {
  return QStringLiteral("effects %1 face '%2' cs %3 pf %4 h %5 off %6 col %7 back %8 ul %9 lcid %10 style %11 rev %12")
      .arg(r.effects, 0, 16).arg(r.szFaceName).arg(r.bCharSet).arg(r.bPitchAndFamily).arg(r.yHeight)
      .arg(r.yOffset).arg(r.crTextColor, 0, 16).arg(r.crBackColor, 0, 16).arg(r.bUnderlineType).arg(r.lcid)
      .arg(r.sStyle).arg(r.bRevAuthor).toStdString();
}

std::string describe(const ParaFormat &p) {
  return QStringLiteral("align %1 start %2 offset %3 numbering %4/%5/%6/%7 style %8 outline %9 effects %10 tabs %11")
      .arg(p.wAlignment).arg(p.dxStartIndent).arg(p.dxOffset).arg(p.wNumbering).arg(p.wNumberingStart)
      .arg(p.wNumberingStyle).arg(p.wNumberingTab).arg(p.sStyle).arg(p.bOutlineLevel).arg(p.wEffects)
      .arg(p.cTabCount).toStdString();
}

// Every record the control has, position by position, and the pictures' shown sizes.
void expectSameRecords(const QTextDocument &a, const QTextDocument &b) {
  ASSERT_EQ(documentPlainText(&a), documentPlainText(&b));
  ASSERT_EQ(a.blockCount(), b.blockCount());
  for (QTextBlock x = a.begin(), y = b.begin(); x.isValid() && y.isValid(); x = x.next(), y = y.next()) {
    const ParaFormat px = paraFormatFromQt(x.blockFormat()), py = paraFormatFromQt(y.blockFormat());
    EXPECT_TRUE(px == py) << "paragraph " << x.blockNumber() << "\n  " << describe(px) << "\n  " << describe(py);
    const CharFormat mx = charFormatFromQt(x.charFormat()), my = charFormatFromQt(y.charFormat());
    EXPECT_TRUE(mx == my) << "mark of paragraph " << x.blockNumber() << "\n  " << describe(mx) << "\n  " << describe(my);
    for (int pos = x.position(); pos < x.position() + x.length() - 1; ++pos) {
      const CharFormat rx = test::charAt(a, pos), ry = test::charAt(b, pos);
      ASSERT_TRUE(rx == ry) << "position " << pos << "\n  " << describe(rx) << "\n  " << describe(ry);
    }
    for (auto ix = x.begin(), iy = y.begin(); !ix.atEnd() && !iy.atEnd(); ++ix, ++iy) {
      const QTextCharFormat fx = ix.fragment().charFormat(), fy = iy.fragment().charFormat();
      if (!fx.isImageFormat()) continue;
      ASSERT_TRUE(fy.isImageFormat());
      EXPECT_EQ(unitsToTwips(fx.toImageFormat().width()), unitsToTwips(fy.toImageFormat().width()));
      EXPECT_EQ(unitsToTwips(fx.toImageFormat().height()), unitsToTwips(fy.toImageFormat().height()));
      EXPECT_EQ(fx.property(ObjRawGroup).toByteArray(), fy.property(ObjRawGroup).toByteArray());
    }
  }
}

std::vector<const QTextTable *> tablesOf(const QTextFrame *frame) {
  std::vector<const QTextTable *> out;
  for (const QTextFrame *child : frame->childFrames()) {
    if (const auto *t = qobject_cast<const QTextTable *>(child)) out.push_back(t);
    const auto inner = tablesOf(child);
    out.insert(out.end(), inner.begin(), inner.end());
  }
  return out;
}

// The same tables: shape and every cell's and row's definition.
void expectSameTables(const QTextDocument &a, const QTextDocument &b) {
  const auto ta = tablesOf(a.rootFrame()), tb = tablesOf(b.rootFrame());
  ASSERT_EQ(ta.size(), tb.size());
  for (size_t i = 0; i < ta.size(); ++i) {
    ASSERT_EQ(ta[i]->rows(), tb[i]->rows());
    ASSERT_EQ(ta[i]->columns(), tb[i]->columns());
    EXPECT_EQ(ta[i]->firstPosition(), tb[i]->firstPosition());
    for (int r = 0; r < ta[i]->rows(); ++r)
      for (int c = 0; c < ta[i]->columns(); ++c) {
        const QTextTableCellFormat x = ta[i]->cellAt(r, c).format().toTableCellFormat();
        const QTextTableCellFormat y = tb[i]->cellAt(r, c).format().toTableCellFormat();
        for (int prop = CellRightTwips; prop <= RowAlign; ++prop)
          EXPECT_EQ(x.property(prop), y.property(prop)) << "table " << i << " cell " << r << "," << c << " property " << prop;
      }
  }
}

// Read, write, read, write: the same records and the same bytes.
void expectRoundTrip(const QByteArray &rtf) {
  const auto d1 = test::load(rtf);
  const QByteArray w1 = writeRtf(*d1);
  const auto d2 = test::load(w1);
  expectSameRecords(*d1, *d2);
  expectSameTables(*d1, *d2);
  const QByteArray w2 = writeRtf(*d2);
  EXPECT_EQ(w1, w2) << "--- first write\n" << w1.constData() << "\n--- second write\n" << w2.constData();
}

const QByteArray kPngHex = test::fixturePng().toHex();

} // namespace

// Records the reader keeps and the writer used to drop: paragraph styles and
// outline levels of headings, character styles, language, revision author,
// numbering start, and text that has no font of its own.
TEST(RtfFidelity, FormatRecordsSurviveASave) {
  const QByteArray cases[] = {
      // A word processor's heading and body styles.
      "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}"
      "{\\stylesheet{\\s0 Normal;}{\\s1\\outlinelevel1 heading 2;}{\\*\\cs15 Strong;}}\r\n"
      "\\pard\\s1\\outlinelevel1\\f0\\fs32\\lang1031 Heading\\par\r\n"
      "\\pard\\s0\\f0\\fs24\\lang1033 Body {\\cs15\\b strong}{\\revised\\revauth2  added} end\\par\r\n}",
      // Numbering that starts at 5 and a bullet list, as the Windows control writes them.
      "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}{\\f1\\fnil\\fcharset2 Symbol;}}\r\n"
      "\\pard{\\pntext\\f0 5.\\tab}{\\*\\pn\\pnlvlbody\\pnf0\\pnindent360\\pnstart5\\pndec{\\pntxta.}}\\fi-360\\li360\\f0\\fs20 five\\par\r\n"
      "{\\pntext\\f0 6.\\tab}six\\par\r\n"
      "\\pard{\\pntext\\f1\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'b7}}\\fi-200\\li200 dot\\par\r\n}",
      // A converter that writes no font table: the text has no face of its own.
      "{\\rtf1\\ansi Plain text\\par\\b bold\\b0  after\\par}",
      "{\\rtf1\\ansi\\deff3{\\fonttbl{\\f0 Arial;}}\\fs28 default face, \\f0 Arial\\par}",
  };
  for (const QByteArray &rtf : cases) {
    SCOPED_TRACE(rtf.constData());
    expectRoundTrip(rtf);
  }
  // The records themselves are what the body said.
  const auto d = test::load(cases[0]);
  EXPECT_EQ(paraFormatFromQt(d->begin().blockFormat()).sStyle, 1);
  EXPECT_EQ(paraFormatFromQt(d->begin().blockFormat()).bOutlineLevel, 1);
  EXPECT_EQ(test::charOf(*d, QStringLiteral("strong")).sStyle, 15);
  EXPECT_EQ(test::charOf(*d, QStringLiteral("added")).bRevAuthor, 2);
  EXPECT_EQ(test::charOf(*d, QStringLiteral("Heading")).lcid, 1031);
  const auto n = test::load(cases[1]);
  EXPECT_EQ(paraFormatFromQt(n->begin().blockFormat()).wNumberingStart, 5);
  EXPECT_TRUE(test::charOf(*test::load(cases[2]), QStringLiteral("Plain")).szFaceName.isEmpty());
}

// A picture keeps its own character format (size and font of its line) and a
// cropped picture its shown size, save after save.
TEST(RtfFidelity, PicturesKeepFormatAndCroppedSize) {
  const QByteArray rtf =
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}{\\f1\\fmodern Courier New;}}\r\n"
      "\\pard\\f0\\fs24 a {\\f1\\fs40\\cf0 {\\pict\\pngblip\\picw4\\pich3\\picwgoal600\\pichgoal450\\piccropl100\\piccropt50"
      "\\piccropr20\\piccropb10 " + kPngHex + "}} b "
      "{\\pict\\pngblip\\picw4\\pich3\\picwgoal600\\pichgoal450\\picscalex50\\picscaley200\\piccropl60 " + kPngHex + "}\\par}";
  expectRoundTrip(rtf);
  const auto d = test::load(rtf);
  const QString text = documentPlainText(d.get());
  const CharFormat pic = test::charAt(*d, int(text.indexOf(QChar::ObjectReplacementCharacter)));
  EXPECT_EQ(pic.szFaceName, QStringLiteral("Courier New"));
  EXPECT_EQ(pic.yHeight, 400);
  // Shown: the goal less the crops, scaled.
  const auto frags = test::fragments(*d);
  int seen = 0;
  for (const QTextFragment &f : frags) {
    if (!f.charFormat().isImageFormat()) continue;
    const QTextImageFormat img = f.charFormat().toImageFormat();
    if (seen++ == 0) {
      EXPECT_EQ(unitsToTwips(img.width()), 600 - 120);
      EXPECT_EQ(unitsToTwips(img.height()), 450 - 60);
    } else {
      EXPECT_EQ(unitsToTwips(img.width()), (600 - 60) / 2);
      EXPECT_EQ(unitsToTwips(img.height()), 900);
    }
  }
  EXPECT_EQ(seen, 2);
}

// Code pages: a charset beyond the byte range falls back to the document's
// page (Mac files), the Mac charsets name the Mac pages, and a double-byte
// character split by a group boundary or a control word is still one character.
TEST(RtfFidelity, CodePagesOfOldAndDoubleByteBodies) {
  struct Case {
    const char *name;
    QByteArray rtf;
    QString text;
  };
  const Case cases[] = {
      {"charset 256 in a Mac file", "{\\rtf1\\mac\\deff0{\\fonttbl{\\f0\\fnil\\fcharset256 Geneva;}}\\f0 caf\\'8e \\'a5\\par}",
       QStringLiteral("caf\u00e9 \u2022")},
      {"charset 256 under ansicpg10000",
       "{\\rtf1\\ansi\\ansicpg10000\\deff0{\\fonttbl{\\f0\\fnil\\fcharset256 Helvetica;}}\\f0 na\\'8fve\\par}",
       QStringLiteral("na\u00e8ve")},
      {"charset 256 in a Windows-1250 file",
       "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fnil\\fcharset300 X;}}\\f0 \\'e8\\'f8\\par}",
       QStringLiteral("\u010d\u0159")},
      {"Mac Roman charset 77", "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fcharset77 Times;}}\\f0 \\'8e\\'9a\\par}",
       QStringLiteral("\u00e9\u00f6")},
      {"Mac Japanese charset 78", "{\\rtf1\\mac\\deff0{\\fonttbl{\\f0\\fcharset78 Osaka;}}\\f0 \\'82\\'a0\\'82\\'a2\\par}",
       QStringLiteral("\u3042\u3044")},
      {"Mac Chinese charset 80 and 81",
       "{\\rtf1\\mac\\deff0{\\fonttbl{\\f0\\fcharset80 Song;}{\\f1\\fcharset81 Ming;}}\\f0 \\'c4\\'e3\\f1 \\'a7\\'41\\par}",
       QStringLiteral("\u4f60\u4f60")},
      {"lead byte split by a group", "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fcharset128 Gothic;}}\\f0 {\\'82}\\'a0{\\'82}{\\'a2}x\\par}",
       QStringLiteral("\u3042\u3044x")},
      {"lead byte before a control word", "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fcharset134 SimSun;}}\\f0 \\'c4\\b \\'e3\\b0 !\\par}",
       QStringLiteral("\u4f60!")},
      {"lead byte before a Unicode character ends alone",
       "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fcharset128 Gothic;}}\\f0 \\'82\\u65?\\par}",
       QStringLiteral("\uFFFDA")},
      {"lead byte at a paragraph end ends alone",
       "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fcharset128 Gothic;}}\\f0 a\\'82\\par b\\par}",
       QStringLiteral("a\uFFFD\nb")},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(test::textOf(c.rtf), c.text);
    expectRoundTrip(c.rtf);
  }
}

// Font names in double-byte pages are written in their own page, so a card
// keeps its fonts through every save.
TEST(RtfFidelity, DoubleByteFontNamesSurvive) {
  const QByteArray rtf =
      "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset128 \\'82\\'6c\\'82\\'72 \\'83\\'53\\'83\\'56\\'83\\'62\\'83\\'4e;}"
      "{\\f1\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}{\\f2\\fnil\\fcharset129 \\'b1\\'bc\\'b8\\'b2;}{\\f3\\fnil\\fcharset136 \\'b7\\'73\\'b2\\'d3\\'a9\\'fa\\'c5\\'e9;}}\r\n"
      "\\f0 a\\f1 b\\f2 c\\f3 d\\par}";
  const auto d = test::load(rtf);
  EXPECT_EQ(test::charOf(*d, QStringLiteral("a")).szFaceName, QStringLiteral("\uff2d\uff33 \u30b4\u30b7\u30c3\u30af"));
  EXPECT_EQ(test::charOf(*d, QStringLiteral("b")).szFaceName, QStringLiteral("\u5b8b\u4f53"));
  EXPECT_EQ(test::charOf(*d, QStringLiteral("c")).szFaceName, QStringLiteral("\uad74\ub9bc"));
  EXPECT_EQ(test::charOf(*d, QStringLiteral("d")).szFaceName, QStringLiteral("\u65b0\u7d30\u660e\u9ad4"));
  expectRoundTrip(rtf);
}

namespace {

// A table as the Windows control writes it, and one as a word processor
// writes it (borders, merged cells, the row definition repeated at \row).
const QByteArray kControlTable =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\r\n"
    "{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
    "\\viewkind4\\uc1\\pard\\f0\\fs20 Before\\par\r\n"
    "\\trowd\\trgaph108\\trleft-108\\cellx1701\\cellx3402\\cellx5103\\pard\\intbl\\b a1\\b0\\cell b1\\cell\\cf1 c1\\cf0\\cell\\row\r\n"
    "\\trowd\\trgaph108\\trleft-108\\cellx1701\\cellx3402\\cellx5103\\pard\\intbl a2\\cell b2\\par second\\cell\\cell\\row\r\n"
    "\\pard After\\par\r\n}";

const QByteArray kWordTable =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}}{\\colortbl;\\red0\\green0\\blue255;}\r\n"
    "\\trowd \\trgaph108\\trleft0\\trqc\\clvmgf\\clbrdrt\\brdrs\\brdrw10 \\clbrdrl\\brdrs\\brdrw10 \\clbrdrb\\brdrdb\\brdrw15\\brdrcf1 "
    "\\clbrdrr\\brdrs\\brdrw10 \\cellx2000\\clvertalc\\cellx4000\r\n"
    "\\pard\\plain\\intbl\\f0\\fs24 Top left\\cell Centre\\cell\\pard\\plain\\intbl{\\trowd \\trgaph108\\trleft0\\trqc\\clvmgf"
    "\\clbrdrt\\brdrs\\brdrw10 \\clbrdrl\\brdrs\\brdrw10 \\clbrdrb\\brdrdb\\brdrw15\\brdrcf1 \\clbrdrr\\brdrs\\brdrw10 "
    "\\cellx2000\\clvertalc\\cellx4000\\row}\r\n"
    "\\trowd\\trgaph108\\trleft0\\trqc\\clvmrg\\cellx2000\\cellx4000\\pard\\plain\\intbl\\f0\\fs24 \\cell {\\i under}\\cell\\row\r\n"
    "\\pard\\plain\\f0\\fs24 end\\par}";

// Hyperlink fields as the Windows control and word processors write them,
// two links side by side to the same address, and a field that is no link.
const QByteArray kFields =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl ;\\red0\\green0\\blue255;}\r\n"
    "\\pard\\f0\\fs20 See {\\field{\\*\\fldinst{HYPERLINK \"http://example.com/a?b=1\" }}{\\fldrslt{\\ul\\cf1 the site}}} and "
    "{\\field{\\*\\fldinst HYPERLINK \"mailto:x@y.z\"}{\\fldrslt mail}}{\\field{\\*\\fldinst HYPERLINK \"mailto:x@y.z\"}{\\fldrslt  again}}"
    " today {\\field{\\*\\fldinst { DATE \\\\@ \"d.M.yyyy\" }}{\\fldrslt 10.12.2026}}, "
    "{\\field{\\*\\fldinst HYPERLINK \\\\l \"Part2\"}{\\fldrslt{\\plain\\f0 inside}}}\\par}";

QString writeTemp(const QString &name, const QByteArray &data) {
  const QString path = test::freshDir(QStringLiteral("fidelity-") + name) + QLatin1Char('/') + name;
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(data);
  return path;
}

// A judge's output; empty optional when it is not installed.
std::optional<QString> judge(const QString &program, QStringList args, const QString &file) {
  if (QStandardPaths::findExecutable(program).isEmpty()) return std::nullopt;
  QProcess p;
  p.setWorkingDirectory(test::freshDir(QStringLiteral("judge-run")));
  args << file;
  p.start(program, args);
  if (!p.waitForFinished(60000)) return std::nullopt;
  EXPECT_EQ(p.exitCode(), 0) << program.toStdString() << ": " << p.readAllStandardError().constData();
  return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

// Tables are read into the document's tables and written back as RTF
// tables: cell boundaries, widths, merges, borders and the cells' formats.
TEST(RtfFidelity, TablesStayTables) {
  for (const QByteArray &rtf : {kControlTable, kWordTable}) {
    SCOPED_TRACE(rtf.constData());
    expectRoundTrip(rtf);
  }
  const auto d = test::load(kControlTable);
  EXPECT_EQ(documentPlainText(d.get()), QStringLiteral("Before\na1\tb1\tc1\na2\tb2\nsecond\t\nAfter"));
  const auto tables = tablesOf(d->rootFrame());
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0]->rows(), 2);
  EXPECT_EQ(tables[0]->columns(), 3);
  EXPECT_TRUE(test::charOf(*d, QStringLiteral("a1")).effects & CFE_BOLD);
  EXPECT_EQ(test::charOf(*d, QStringLiteral("c1")).crTextColor, 0x0000FFu);
  const QByteArray out = writeRtf(*d);
  EXPECT_TRUE(out.contains("\\trowd\\trgaph108\\trleft-108\\cellx1701\\cellx3402\\cellx5103\\pard\\intbl")) << out.constData();
  EXPECT_EQ(out.count("\\row"), 2);
  EXPECT_EQ(out.count("\\cell"), 6 + 6);  // six \cell and six \cellx
  EXPECT_FALSE(out.contains("a1}{\\f0\\fs20 \\tab")) << "cells flattened to tabs";

  const auto w = test::load(kWordTable);
  const auto wt = tablesOf(w->rootFrame());
  ASSERT_EQ(wt.size(), 1u);
  const QTextTableCellFormat topLeft = wt[0]->cellAt(0, 0).format().toTableCellFormat();
  EXPECT_EQ(topLeft.intProperty(CellMerge), 4);
  EXPECT_EQ(topLeft.intProperty(RowAlign), 2);
  EXPECT_EQ(topLeft.property(CellBorders).value<QList<int>>(), (QList<int>{1, 10, -1, 1, 10, -1, 3, 15, 0xFF0000, 1, 10, -1}));
  EXPECT_EQ(wt[0]->cellAt(0, 1).format().intProperty(CellVAlign), 1);
  EXPECT_EQ(wt[0]->cellAt(1, 0).format().intProperty(CellMerge), 8);
  const QByteArray wout = writeRtf(*w);
  EXPECT_TRUE(wout.contains("\\trowd\\trgaph108\\trqc\\clvmgf\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10"
                            "\\clbrdrb\\brdrdb\\brdrw15\\brdrcf1\\clbrdrr\\brdrs\\brdrw10\\cellx2000\\clvertalc\\cellx4000"))
      << wout.constData();

  // A card with a table keeps it through edits and saves.
  QByteArray body = kControlTable;
  for (int save = 0; save < 3; ++save) {
    QTextDocument doc;
    ASSERT_TRUE(readRtf(body, &doc));
    QTextCursor c(tablesOf(doc.rootFrame()).at(0)->cellAt(1, 2).firstCursorPosition());
    c.insertText(QStringLiteral("x"));
    body = writeRtf(doc);
  }
  const auto edited = test::load(body);
  EXPECT_EQ(documentPlainText(edited.get()), QStringLiteral("Before\na1\tb1\tc1\na2\tb2\nsecond\txxx\nAfter"));
  EXPECT_EQ(tablesOf(edited->rootFrame()).size(), 1u);

  // A table pasted into a paragraph splits it, and the paragraph keeps its format.
  QTextDocument pasted;
  test::DocBuilder(pasted).para([](ParaFormat &p) { p.wAlignment = PFA_CENTER; }).text(QStringLiteral("abcd"));
  QTextCursor at(&pasted);
  at.setPosition(2);
  ASSERT_TRUE(insertRtf("{\\rtf1\\trowd\\cellx1000\\cellx2000\\pard\\intbl 1\\cell 2\\cell\\row}", at));
  EXPECT_EQ(documentPlainText(&pasted), QStringLiteral("ab\n1\t2\ncd"));
  EXPECT_EQ(paraFormatFromQt(pasted.begin().blockFormat()).wAlignment, PFA_CENTER);
  EXPECT_EQ(tablesOf(pasted.rootFrame()).size(), 1u);

  // A selection of whole rows is written as those rows.
  const int second = tables[0]->cellAt(1, 0).firstPosition();
  RtfWriteOptions sel;
  sel.selectionOnly = true;
  sel.selectionStart = second;
  sel.selectionEnd = tables[0]->lastPosition();
  const QByteArray part = writeRtf(*d, sel);
  EXPECT_EQ(part.count("\\row"), 1) << part.constData();
  EXPECT_TRUE(part.contains("a2")) << part.constData();
  EXPECT_FALSE(part.contains("a1")) << part.constData();
}

// Fields keep their instruction and result; hyperlinks stay links, to their
// address, in the document, in our output and in the control.
TEST(RtfFidelity, FieldsAndHyperlinksSurvive) {
  expectRoundTrip(kFields);
  const auto d = test::load(kFields);
  EXPECT_EQ(documentPlainText(d.get()), QStringLiteral("See the site and mail again today 10.12.2026, inside"));
  auto formatOf = [&](const QString &text) {
    QTextCursor c(d.get());
    c.setPosition(int(documentPlainText(d.get()).indexOf(text)) + 1);
    return c.charFormat();
  };
  EXPECT_EQ(formatOf(QStringLiteral("the site")).anchorHref(), QStringLiteral("http://example.com/a?b=1"));
  EXPECT_TRUE(formatOf(QStringLiteral("the site")).isAnchor());
  EXPECT_EQ(formatOf(QStringLiteral("mail")).anchorHref(), QStringLiteral("mailto:x@y.z"));
  EXPECT_NE(formatOf(QStringLiteral("mail")).intProperty(CharFieldId), formatOf(QStringLiteral("again")).intProperty(CharFieldId));
  EXPECT_FALSE(formatOf(QStringLiteral("10.12")).isAnchor());
  EXPECT_EQ(formatOf(QStringLiteral("10.12")).stringProperty(CharFieldInst), QStringLiteral("DATE \\@ \"d.M.yyyy\""));
  EXPECT_EQ(formatOf(QStringLiteral("inside")).anchorHref(), QStringLiteral("#Part2"));
  const QByteArray out = writeRtf(*d);
  EXPECT_TRUE(out.contains("{\\field{\\*\\fldinst{HYPERLINK \"http://example.com/a?b=1\"}}{\\fldrslt{\\f1\\fs20\\ul\\cf1 the site}}}"))
      << out.constData();
  EXPECT_EQ(out.count("HYPERLINK \"mailto:x@y.z\""), 2);
  EXPECT_TRUE(out.contains("{\\*\\fldinst{DATE \\\\@ \"d.M.yyyy\"}}")) << out.constData();

  // The control offers the link's address on a click.
  RichEditControl control;
  control.setAutoUrlDetect(true);
  ASSERT_TRUE(control.streamIn(kFields, SF_RTF));
  const QString text = documentPlainText(control.document());
  const int at = int(text.indexOf(QStringLiteral("the site")));
  const auto link = control.linkAt(at + 2);
  ASSERT_TRUE(link.has_value());
  EXPECT_EQ(link->start, at);
  EXPECT_EQ(link->length, 8);
  EXPECT_EQ(control.linkTarget(link->start, link->start + link->length), QStringLiteral("http://example.com/a?b=1"));
  EXPECT_FALSE(control.linkAt(int(text.indexOf(QStringLiteral("today")))).has_value());
}

// pandoc and unrtf find our tables' cells and our links.
TEST(RtfFidelity, JudgesReadTablesAndLinks) {
  const auto table = test::load(kControlTable);
  const auto fields = test::load(kFields);
  const QString tablePath = writeTemp(QStringLiteral("table.rtf"), writeRtf(*table));
  const QString fieldsPath = writeTemp(QStringLiteral("fields.rtf"), writeRtf(*fields));
  const auto html = judge(QStringLiteral("pandoc"), {"-f", "rtf", "-t", "html"}, tablePath);
  if (!html) GTEST_SKIP() << "pandoc not installed";
  EXPECT_TRUE(html->contains(QStringLiteral("<table"))) << html->toStdString();
  for (const char *cell : {"a1", "b1", "c1", "a2", "b2", "second"})
    EXPECT_TRUE(html->contains(QStringLiteral("<td>%1").arg(QLatin1String(cell))) ||
                html->contains(QStringLiteral("<strong>%1").arg(QLatin1String(cell))) ||
                html->contains(QStringLiteral("<p>%1").arg(QLatin1String(cell))))
        << cell << "\n" << html->toStdString();
  const auto plain = judge(QStringLiteral("pandoc"), {"-f", "rtf", "-t", "plain", "--wrap=none"}, tablePath);
  ASSERT_TRUE(plain);
  EXPECT_TRUE(plain->contains(QStringLiteral("Before")) && plain->contains(QStringLiteral("After")));
  const auto links = judge(QStringLiteral("pandoc"), {"-f", "rtf", "-t", "html"}, fieldsPath);
  ASSERT_TRUE(links);
  EXPECT_TRUE(links->contains(QStringLiteral("href=\"http://example.com/a?b=1\""))) << links->toStdString();
  EXPECT_TRUE(links->contains(QStringLiteral("href=\"mailto:x@y.z\""))) << links->toStdString();
  const auto unrtf = judge(QStringLiteral("unrtf"), {"--text"}, tablePath);
  if (!unrtf) GTEST_SKIP() << "unrtf not installed";
  for (const char *cell : {"a1", "b1", "c1", "a2", "b2", "second", "After"})
    EXPECT_TRUE(unrtf->contains(QLatin1String(cell))) << cell << "\n" << unrtf->toStdString();
  const auto unrtfLinks = judge(QStringLiteral("unrtf"), {"--text"}, fieldsPath);
  ASSERT_TRUE(unrtfLinks);
  // unrtf shows a hyperlink as its address.
  EXPECT_TRUE(unrtfLinks->contains(QStringLiteral("\"http://example.com/a?b=1\""))) << unrtfLinks->toStdString();
  EXPECT_TRUE(unrtfLinks->contains(QStringLiteral("10.12.2026"))) << unrtfLinks->toStdString();
}
