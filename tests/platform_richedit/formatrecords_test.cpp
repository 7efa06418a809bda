#include "platform/richedit/formatrecords.h"
#include "platform/richedit/textprops.h"
#include "platform/richedit/units.h"

#include <gtest/gtest.h>

using namespace qel::re;

TEST(Units, TwipsRoundTrip) {
  for (int t : {0, 1, 7, 15, 20, 719, 720, 1440, -360, 11520}) EXPECT_EQ(unitsToTwips(twipsToUnits(t)), t);
  EXPECT_DOUBLE_EQ(twipsToUnits(720), 48.0);
  EXPECT_EQ(pointsToTwips(10.5), 210);
  EXPECT_EQ(twipsToPixels(1440, 300), 300);
}

TEST(FormatRecords, CharacterRoundTrip) {
  CharFormat r;
  r.mask = CFM_ALL2;
  r.effects = CFE_BOLD | CFE_UNDERLINE | CFE_PROTECTED | CFE_HIDDEN | CFE_SUPERSCRIPT | CFE_SHADOW | CFE_AUTOBACKCOLOR;
  r.yHeight = 240;
  r.yOffset = 60;
  r.crTextColor = 0x0000FF;  // red
  r.bCharSet = 204;
  r.bPitchAndFamily = 0x22;
  r.szFaceName = QStringLiteral("Arial");
  r.wWeight = 700;
  r.sSpacing = 30;
  r.lcid = 1049;
  r.bUnderlineType = CFU_UNDERLINEDOUBLE;
  r.wKerning = 28;
  QTextCharFormat f;
  applyCharFormat(r, f);
  EXPECT_EQ(f.foreground().color(), QColor(255, 0, 0));
  EXPECT_TRUE(f.boolProperty(CharProtected));
  EXPECT_EQ(f.intProperty(CharUnderlineType), CFU_UNDERLINEDOUBLE);
  EXPECT_EQ(f.underlineStyle(), QTextCharFormat::SingleUnderline);
  EXPECT_DOUBLE_EQ(f.fontPointSize(), 12.0);
  const CharFormat back = charFormatFromQt(f);
  EXPECT_EQ(back.effects, r.effects);
  EXPECT_EQ(back, r);
}

TEST(FormatRecords, AutoColourClearsBrushAndMaskWritesOnlyItsMembers) {
  QTextCharFormat f;
  f.setForeground(QColor(1, 2, 3));
  f.setFontItalic(true);
  CharFormat r;
  r.mask = CFM_COLOR;
  r.effects = CFE_AUTOCOLOR;
  applyCharFormat(r, f);
  EXPECT_FALSE(f.hasProperty(QTextFormat::ForegroundBrush));
  EXPECT_TRUE(f.fontItalic());
  EXPECT_TRUE(charFormatFromQt(f).effects & CFE_AUTOCOLOR);
  // Clearing a member removes Qt's property, so equal-looking text merges.
  r.mask = CFM_ITALIC;
  r.effects = 0;
  applyCharFormat(r, f);
  EXPECT_FALSE(f.hasProperty(QTextFormat::FontItalic));
}

TEST(FormatRecords, IntersectClearsDifferingMembers) {
  CharFormat a, b;
  a.mask = b.mask = CFM_ALL2;
  a.effects = CFE_BOLD | CFE_AUTOCOLOR;
  b.effects = CFE_AUTOCOLOR;
  a.yHeight = 200;
  b.yHeight = 240;
  a.szFaceName = b.szFaceName = QStringLiteral("Arial");
  intersectCharFormat(a, b);
  EXPECT_FALSE(a.mask & CFM_BOLD);
  EXPECT_FALSE(a.mask & CFM_SIZE);
  EXPECT_TRUE(a.mask & CFM_ITALIC);
  EXPECT_TRUE(a.mask & CFM_FACE);
  EXPECT_TRUE(a.mask & CFM_COLOR);
}

TEST(FormatRecords, ParagraphRoundTrip) {
  ParaFormat r;
  r.mask = PFM_ALL2;
  r.wNumbering = PFN_BULLET;
  r.wEffects = PFE_RTLPARA | PFE_KEEPNEXT | PFE_PAGEBREAKBEFORE;
  r.dxStartIndent = 360;
  r.dxOffset = -180;
  r.dxRightIndent = 90;
  r.wAlignment = PFA_JUSTIFY;
  r.cTabCount = 3;
  r.rgxTabs[0] = makeTab(720);
  r.rgxTabs[1] = makeTab(1440, 2, 1);
  r.rgxTabs[2] = makeTab(2000, 4);
  r.dySpaceBefore = 120;
  r.dySpaceAfter = 240;
  r.bLineSpacingRule = 4;
  r.dyLineSpacing = 300;
  r.wNumberingStart = 3;
  r.wNumberingStyle = PFNS_PERIOD;
  r.wNumberingTab = 200;
  QTextBlockFormat b;
  applyParaFormat(r, b);
  EXPECT_EQ(b.layoutDirection(), Qt::RightToLeft);
  EXPECT_EQ(b.alignment(), Qt::AlignJustify);
  EXPECT_DOUBLE_EQ(b.leftMargin(), twipsToUnits(180));
  EXPECT_DOUBLE_EQ(b.textIndent(), twipsToUnits(180));
  EXPECT_EQ(b.lineHeightType(), int(QTextBlockFormat::FixedHeight));
  EXPECT_EQ(b.tabPositions().size(), 2);  // the bar tab moves no text
  EXPECT_EQ(paraFormatFromQt(b), r);

  // A relative start indent adds to the current one.
  ParaFormat rel;
  rel.mask = PFM_STARTINDENT | PFM_OFFSETINDENT;
  rel.dxStartIndent = 100;
  applyParaFormat(rel, b);
  EXPECT_EQ(paraFormatFromQt(b).dxStartIndent, 460);
  EXPECT_EQ(paraFormatFromQt(b).dxOffset, -180);
}
