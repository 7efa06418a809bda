// Character and paragraph attributes read from RTF, checked in the terms of
// the control's format records.

#include "platform/richedit/rtfwriter.h"
#include "tests/platform_richedit/rtfreader_helpers.h"

using namespace qel;
using namespace qel::re;
using qel::test::charOf;
using qel::test::paraOf;

namespace {

const QByteArray kCharDoc =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\froman\\fprq2\\fcharset238 Times CE;}"
    "{\\f2\\fmodern\\fprq1 Courier;}}{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\\pard "
    "plain {\\b bold}{\\i ital}{\\ul under}{\\uldb dbl}{\\ulwave wave}{\\uld dot}{\\ulw word}{\\ul\\ulnone none}"
    "{\\strike st}{\\super sup}{\\sub sb}{\\super\\nosupersub nss}{\\up6 raised}{\\dn4 lowered}{\\f1\\fs28 times}{\\f2 cour}"
    "{\\cf1 crimson}{\\cf1\\cf0 auto}{\\highlight2 hl}{\\cb1 cb}{\\chcbpat2 pat}{\\highlight2\\highlight0 nohl}"
    "{\\protect prot}{\\v hid}{\\b\\i\\ul\\cf1\\f1\\plain reset}{\\caps caps}{\\scaps small}{\\fs0 fszero}"
    "{\\b0 b0}{\\i\\i0 i0}\\par}";

TEST(RtfReaderFormat, CharacterAttributes) {
  auto doc = test::load(kCharDoc);
  const CharFormat plain = charOf(*doc, "plain");
  EXPECT_EQ(plain.szFaceName, "Arial");
  EXPECT_EQ(plain.yHeight, 240);  // 24 half-points when \fs is absent
  EXPECT_EQ(plain.bCharSet, 0);
  EXPECT_EQ(plain.bPitchAndFamily, 0x20);
  EXPECT_TRUE(plain.effects & CFE_AUTOCOLOR);
  EXPECT_TRUE(plain.effects & CFE_AUTOBACKCOLOR);
  EXPECT_EQ(plain.effects & (CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT | CFE_PROTECTED | CFE_HIDDEN), 0u);

  struct EffectCase {
    const char *text;
    std::uint32_t on;
  };
  for (const EffectCase &c : {EffectCase{"bold", CFE_BOLD}, {"ital", CFE_ITALIC}, {"st", CFE_STRIKEOUT},
                              {"sup", CFE_SUPERSCRIPT}, {"sb", CFE_SUBSCRIPT}, {"prot", CFE_PROTECTED},
                              {"hid", CFE_HIDDEN}, {"caps", CFE_ALLCAPS}, {"small", CFE_SMALLCAPS}}) {
    const CharFormat r = charOf(*doc, c.text);
    EXPECT_EQ(r.effects & c.on, c.on) << c.text;
  }
  EXPECT_EQ(charOf(*doc, "nss").effects & (CFE_SUBSCRIPT | CFE_SUPERSCRIPT), 0u);
  for (const char *off : {"reset", "b0", "i0"})
    EXPECT_EQ(charOf(*doc, off).effects & (CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE), 0u) << off;
  EXPECT_EQ(charOf(*doc, "reset").szFaceName, "Arial");
  EXPECT_TRUE(charOf(*doc, "reset").effects & CFE_AUTOCOLOR);

  struct UnderlineCase {
    const char *text;
    int type;
  };
  for (const UnderlineCase &c : {UnderlineCase{"under", CFU_UNDERLINE}, {"dbl", CFU_UNDERLINEDOUBLE},
                                 {"wave", CFU_UNDERLINEWAVE}, {"dot", CFU_UNDERLINEDOTTED},
                                 {"word", CFU_UNDERLINEWORD}, {"none", CFU_UNDERLINENONE}}) {
    const CharFormat r = charOf(*doc, c.text);
    EXPECT_EQ(r.bUnderlineType, c.type) << c.text;
    EXPECT_EQ((r.effects & CFE_UNDERLINE) != 0, c.type != CFU_UNDERLINENONE) << c.text;
  }

  EXPECT_EQ(charOf(*doc, "raised").yOffset, 60);
  EXPECT_EQ(charOf(*doc, "lowered").yOffset, -40);
  const CharFormat times = charOf(*doc, "times");
  EXPECT_EQ(times.szFaceName, "Times CE");
  EXPECT_EQ(times.bCharSet, 238);
  EXPECT_EQ(times.yHeight, 280);
  EXPECT_EQ(times.bPitchAndFamily, 0x12);
  EXPECT_EQ(charOf(*doc, "cour").bPitchAndFamily, 0x31);
  EXPECT_EQ(charOf(*doc, "fszero").yHeight, 240);

  const CharFormat red = charOf(*doc, "crimson");
  EXPECT_FALSE(red.effects & CFE_AUTOCOLOR);
  EXPECT_EQ(red.crTextColor, 0x0000FFu);  // COLORREF is 0x00BBGGRR
  EXPECT_TRUE(charOf(*doc, "auto").effects & CFE_AUTOCOLOR);
  for (auto [text, colour] : {std::pair{"hl", 0xFF0000u}, {"cb", 0x0000FFu}, {"pat", 0xFF0000u}}) {
    const CharFormat r = charOf(*doc, text);
    EXPECT_FALSE(r.effects & CFE_AUTOBACKCOLOR) << text;
    EXPECT_EQ(r.crBackColor, colour) << text;
  }
  EXPECT_TRUE(charOf(*doc, "nohl").effects & CFE_AUTOBACKCOLOR);
}

TEST(RtfReaderFormat, ColourTableEntriesWithoutComponentsAreAutomatic) {
  auto doc = test::load("{\\rtf1{\\colortbl;\\red0\\green0\\blue0;;\\red9\\green9\\blue9;}{\\cf1 black}{\\cf2 auto}{\\cf9 none}}");
  EXPECT_FALSE(charOf(*doc, "black").effects & CFE_AUTOCOLOR);
  EXPECT_EQ(charOf(*doc, "black").crTextColor, 0u);
  EXPECT_TRUE(charOf(*doc, "auto").effects & CFE_AUTOCOLOR);
  EXPECT_TRUE(charOf(*doc, "none").effects & CFE_AUTOCOLOR);
}

TEST(RtfReaderFormat, ParagraphAttributes) {
  auto doc = test::load(
      "{\\rtf1\\pard\\ql left\\par\\pard\\qr right\\par\\pard\\qc centre\\par\\pard\\qj justify\\par"
      "\\pard\\li720\\fi-360\\ri360 hanging\\par\\pard\\li720\\fi360 first\\par\\pard\\sb120\\sa240 space\\par"
      "\\pard\\sl360\\slmult1 a\\par\\pard\\sl480\\slmult1 b\\par\\pard\\sl300\\slmult0 c\\par"
      "\\pard\\sl-300\\slmult0 d\\par\\pard\\sl288\\slmult1 e\\par\\pard\\sl0 f\\par"
      "\\pard\\tx720\\tqr\\tx2880\\tqc\\tldot\\tx4320 tabs\\par\\pard\\rtlpar rtl\\par\\pard\\pagebb pb\\par"
      "\\pard before\\page after\\par\\pard\\keep\\keepn kept\\par\\pard\\lin400\\rin500 logical\\par}");
  const int expectedAlign[] = {PFA_LEFT, PFA_RIGHT, PFA_CENTER, PFA_JUSTIFY};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(paraOf(*doc, i).wAlignment, expectedAlign[i]) << i;

  // The control's indent model: \li = start + offset, \fi = -offset.
  ParaFormat p = paraOf(*doc, 4);
  EXPECT_EQ(p.dxStartIndent, 360);
  EXPECT_EQ(p.dxOffset, 360);
  EXPECT_EQ(p.dxRightIndent, 360);
  p = paraOf(*doc, 5);
  EXPECT_EQ(p.dxStartIndent, 1080);
  EXPECT_EQ(p.dxOffset, -360);
  p = paraOf(*doc, 6);
  EXPECT_EQ(p.dySpaceBefore, 120);
  EXPECT_EQ(p.dySpaceAfter, 240);

  struct Spacing {
    int block, rule, value;
  };
  for (const Spacing &s : {Spacing{7, 1, 0}, {8, 2, 0}, {9, 3, 300}, {10, 4, 300}, {11, 5, 24}, {12, 0, 0}}) {
    p = paraOf(*doc, s.block);
    EXPECT_EQ(p.bLineSpacingRule, s.rule) << s.block;
    if (s.value) {
      EXPECT_EQ(p.dyLineSpacing, s.value) << s.block;
    }
  }

  p = paraOf(*doc, 13);
  ASSERT_EQ(p.cTabCount, 3);
  EXPECT_EQ(p.rgxTabs[0], makeTab(720));
  EXPECT_EQ(p.rgxTabs[1], makeTab(2880, 2));
  EXPECT_EQ(p.rgxTabs[2], makeTab(4320, 1, 1));
  EXPECT_TRUE(paraOf(*doc, 14).wEffects & PFE_RTLPARA);
  EXPECT_EQ(doc->findBlockByNumber(14).blockFormat().layoutDirection(), Qt::RightToLeft);
  EXPECT_TRUE(paraOf(*doc, 15).wEffects & PFE_PAGEBREAKBEFORE);
  EXPECT_FALSE(paraOf(*doc, 16).wEffects & PFE_PAGEBREAKBEFORE);
  EXPECT_EQ(doc->findBlockByNumber(17).text(), "after");
  EXPECT_TRUE(paraOf(*doc, 17).wEffects & PFE_PAGEBREAKBEFORE);
  EXPECT_EQ(paraOf(*doc, 18).wEffects & (PFE_KEEP | PFE_KEEPNEXT), PFE_KEEP | PFE_KEEPNEXT);
  EXPECT_EQ(paraOf(*doc, 19).dxStartIndent, 400);
  EXPECT_EQ(paraOf(*doc, 19).dxRightIndent, 500);
  EXPECT_EQ(doc->blockCount(), 20);
}

TEST(RtfReaderFormat, LastParagraphKeepsItsFormat) {
  // Ended by the final mark, or by the end of the document.
  EXPECT_EQ(paraOf(*test::load("{\\rtf1\\pard\\qc one\\par}"), 0).wAlignment, PFA_CENTER);
  EXPECT_EQ(paraOf(*test::load("{\\rtf1\\pard\\qr one}"), 0).wAlignment, PFA_RIGHT);
  EXPECT_EQ(paraOf(*test::load("{\\rtf1\\pard\\qr one"), 0).wAlignment, PFA_RIGHT);
  auto doc = test::load("{\\rtf1\\pard\\qc a\\par\\pard\\qr b\\par}");
  EXPECT_EQ(doc->blockCount(), 2);
  EXPECT_EQ(paraOf(*doc, 1).wAlignment, PFA_RIGHT);
}

TEST(RtfReaderFormat, OldStyleBulletsAndNumbering) {
  auto doc = test::load(
      "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1\\fnil\\fcharset2 Symbol;}}"
      "\\pard{\\pntext\\f1\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent360{\\pntxtb\\'b7}}\\fi-360\\li360 dot\\par"
      "\\pard{\\pntext 3.\\tab}{\\*\\pn\\pnlvlbody\\pnf0\\pnstart3\\pndec{\\pntxta .}}num\\par"
      "\\pard{\\*\\pn\\pnlvlbody\\pnlcltr{\\pntxtb (}{\\pntxta )}}letter\\par"
      "\\pard{\\*\\pn\\pnlvlbody\\pnucrm{\\pntxta )}}roman\\par"
      "\\pard{\\*\\pn\\pnlvlbody\\pnucltr}plainnum\\par\\pard none\\par}");
  ParaFormat p = paraOf(*doc, 0);
  EXPECT_EQ(p.wNumbering, PFN_BULLET);
  EXPECT_EQ(p.wNumberingTab, 360);
  const QTextBlockFormat bullet = doc->findBlockByNumber(0).blockFormat();
  EXPECT_EQ(bullet.stringProperty(ParaNumberTextBefore), QString(QChar(0xB7)));
  EXPECT_EQ(bullet.stringProperty(ParaNumberFontFace), "Symbol");
  EXPECT_EQ(bullet.intProperty(ParaNumberFontCharset), 2);
  EXPECT_EQ(doc->findBlockByNumber(0).text(), "dot");

  p = paraOf(*doc, 1);
  EXPECT_EQ(p.wNumbering, PFN_ARABIC);
  EXPECT_EQ(p.wNumberingStart, 3);
  EXPECT_EQ(p.wNumberingStyle, PFNS_PERIOD);
  EXPECT_EQ(doc->findBlockByNumber(1).blockFormat().stringProperty(ParaNumberTextAfter), ".");
  p = paraOf(*doc, 2);
  EXPECT_EQ(p.wNumbering, PFN_LCLETTER);
  EXPECT_EQ(p.wNumberingStyle, PFNS_PARENS);
  p = paraOf(*doc, 3);
  EXPECT_EQ(p.wNumbering, PFN_UCROMAN);
  EXPECT_EQ(p.wNumberingStyle, PFNS_PAREN);
  p = paraOf(*doc, 4);
  EXPECT_EQ(p.wNumbering, PFN_UCLETTER);
  EXPECT_EQ(p.wNumberingStyle, PFNS_PLAIN);
  EXPECT_EQ(paraOf(*doc, 5).wNumbering, 0);
}

TEST(RtfReaderFormat, ListTableNumbering) {
  auto doc = test::load(
      "{\\rtf1{\\*\\listtable"
      "{\\list\\listtemplateid1{\\listlevel\\levelnfc23\\levelstartat1{\\leveltext\\'01\\u8226 ?;}{\\levelnumbers;}}"
      "{\\listlevel\\levelnfc4\\levelstartat5{\\leveltext\\'02\\'01);}{\\levelnumbers\\'01;}}\\listid10}"
      "{\\list{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}}\\listid20}}"
      "{\\*\\listoverridetable{\\listoverride\\listid10\\listoverridecount0\\ls1}{\\listoverride\\listid20\\ls2}}"
      "\\pard\\ls1{\\listtext \\'95\\tab}top\\par\\pard\\ls1\\ilvl1{\\listtext e)\\tab}sub\\par"
      "\\pard\\ls2{\\listtext 1.\\tab}num\\par}");
  EXPECT_EQ(re::documentPlainText(doc.get()), "top\nsub\nnum");
  EXPECT_EQ(paraOf(*doc, 0).wNumbering, PFN_BULLET);
  EXPECT_EQ(doc->findBlockByNumber(0).blockFormat().stringProperty(ParaNumberTextBefore), QString(QChar(0x2022)));
  ParaFormat p = paraOf(*doc, 1);
  EXPECT_EQ(p.wNumbering, PFN_LCLETTER);
  EXPECT_EQ(p.wNumberingStart, 5);
  EXPECT_EQ(p.wNumberingStyle, PFNS_PAREN);
  p = paraOf(*doc, 2);
  EXPECT_EQ(p.wNumbering, PFN_ARABIC);
  EXPECT_EQ(p.wNumberingStyle, PFNS_PERIOD);
}

TEST(RtfReaderFormat, WindowsBodyKeepsBulletsAndTextThroughSaveAndLoad) {
  // Each load and save must neither add a bullet character nor a paragraph.
  const QByteArray original = test::readFixture("rtfread_wincontrol_1250.rtf");
  auto first = test::load(original);
  QByteArray rtf = writeRtf(*first);
  for (int round = 0; round < 3; ++round) {
    auto again = test::load(rtf);
    EXPECT_EQ(re::documentPlainText(again.get()), re::documentPlainText(first.get())) << round;
    ASSERT_EQ(again->blockCount(), first->blockCount()) << round;
    for (int b = 0; b < first->blockCount(); ++b) {
      EXPECT_EQ(paraOf(*again, b).wNumbering, paraOf(*first, b).wNumbering) << round << " " << b;
      EXPECT_EQ(paraOf(*again, b).dxStartIndent, paraOf(*first, b).dxStartIndent) << round << " " << b;
    }
    rtf = writeRtf(*again);
  }
}

} // namespace
