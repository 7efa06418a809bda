#include "platform/richedit/formatrecords.h"

#include "platform/richedit/textprops.h"
#include "platform/richedit/units.h"

#include <QBrush>
#include <QFont>
#include <QList>
#include <QTextOption>
#include <algorithm>

namespace qel::re {

namespace {

// Custom properties hold only non-default values, so fragments that look the
// same also compare equal and Qt merges them.
void setOrClear(QTextFormat &f, int prop, int value) {
  if (value == 0) f.clearProperty(prop);
  else f.setProperty(prop, value);
}
void setOrClear(QTextFormat &f, int prop, bool value) {
  if (!value) f.clearProperty(prop);
  else f.setProperty(prop, true);
}

int underlineTypeOf(const QTextCharFormat &f) {
  if (f.hasProperty(CharUnderlineType)) return f.intProperty(CharUnderlineType);
  switch (f.underlineStyle()) {
    case QTextCharFormat::NoUnderline: return f.fontUnderline() ? CFU_UNDERLINE : CFU_UNDERLINENONE;
    case QTextCharFormat::SingleUnderline: return CFU_UNDERLINE;
    case QTextCharFormat::DashUnderline: return CFU_UNDERLINEDASH;
    case QTextCharFormat::DotLine: return CFU_UNDERLINEDOTTED;
    case QTextCharFormat::DashDotLine: return CFU_UNDERLINEDASHDOT;
    case QTextCharFormat::DashDotDotLine: return CFU_UNDERLINEDASHDOTDOT;
    case QTextCharFormat::WaveUnderline:
    case QTextCharFormat::SpellCheckUnderline: return CFU_UNDERLINEWAVE;
  }
  return CFU_UNDERLINE;
}

void setUnderlineType(QTextCharFormat &f, int type) {
  QTextCharFormat::UnderlineStyle style = QTextCharFormat::SingleUnderline;
  bool qtHasIt = true;
  switch (type) {
    case CFU_UNDERLINENONE: style = QTextCharFormat::NoUnderline; break;
    case CFU_UNDERLINE: break;
    case CFU_UNDERLINEDOTTED: style = QTextCharFormat::DotLine; break;
    case CFU_UNDERLINEDASH: style = QTextCharFormat::DashUnderline; break;
    case CFU_UNDERLINEDASHDOT: style = QTextCharFormat::DashDotLine; break;
    case CFU_UNDERLINEDASHDOTDOT: style = QTextCharFormat::DashDotDotLine; break;
    case CFU_UNDERLINEWAVE: style = QTextCharFormat::WaveUnderline; break;
    default: qtHasIt = false; break;  // word, double, thick, hairline, ...: nearest is single
  }
  f.clearProperty(QTextFormat::FontUnderline);
  if (style == QTextCharFormat::NoUnderline) f.clearProperty(QTextFormat::TextUnderlineStyle);
  else f.setUnderlineStyle(style);
  if (qtHasIt) f.clearProperty(CharUnderlineType);
  else f.setProperty(CharUnderlineType, type);
}

QString faceOf(const QTextCharFormat &f) {
  const QVariant v = f.property(QTextFormat::FontFamilies);
  const QStringList l = v.toStringList();
  return l.isEmpty() ? QString() : l.first();
}

} // namespace

CharFormat charFormatFromQt(const QTextCharFormat &f) {
  CharFormat r;
  r.mask = CFM_ALL2;
  std::uint32_t e = 0;
  const int weight = f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() : int(QFont::Normal);
  if (weight >= int(QFont::DemiBold)) e |= CFE_BOLD;
  if (f.fontItalic()) e |= CFE_ITALIC;
  r.bUnderlineType = underlineTypeOf(f);
  if (r.bUnderlineType != CFU_UNDERLINENONE) e |= CFE_UNDERLINE;
  if (f.fontStrikeOut()) e |= CFE_STRIKEOUT;
  if (f.boolProperty(CharProtected)) e |= CFE_PROTECTED;
  if (f.isAnchor()) e |= CFE_LINK;
  switch (f.fontCapitalization()) {
    case QFont::SmallCaps: e |= CFE_SMALLCAPS; break;
    case QFont::AllUppercase: e |= CFE_ALLCAPS; break;
    default: break;
  }
  if (f.boolProperty(CharHidden)) e |= CFE_HIDDEN;
  e |= std::uint32_t(f.intProperty(CharEffectsExtra)) & CFE_EXTRA_MASK;
  if (f.verticalAlignment() == QTextCharFormat::AlignSubScript) e |= CFE_SUBSCRIPT;
  else if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript) e |= CFE_SUPERSCRIPT;

  if (f.boolProperty(CharAutoColor) || !f.hasProperty(QTextFormat::ForegroundBrush)) e |= CFE_AUTOCOLOR;
  else r.crTextColor = toColorRef(f.foreground().color());
  if (f.boolProperty(CharAutoBackColor) || !f.hasProperty(QTextFormat::BackgroundBrush) ||
      f.background().style() == Qt::NoBrush)
    e |= CFE_AUTOBACKCOLOR;
  else r.crBackColor = toColorRef(f.background().color());
  r.effects = e;

  r.yHeight = f.hasProperty(QTextFormat::FontPointSize) ? pointsToTwips(f.fontPointSize()) : 0;
  r.yOffset = f.intProperty(CharOffsetTwips);
  r.bCharSet = f.intProperty(CharCharset);
  r.bPitchAndFamily = f.intProperty(CharPitchAndFamily);
  r.szFaceName = faceOf(f).left(31);
  r.wWeight = weight;
  r.sSpacing = f.intProperty(CharSpacingTwips);
  r.lcid = f.intProperty(CharLcid);
  r.sStyle = f.intProperty(CharStyle);
  r.wKerning = f.intProperty(CharKerningTwips);
  r.bAnimation = f.intProperty(CharAnimation);
  r.bRevAuthor = f.intProperty(CharRevAuthor);
  return r;
}

void applyCharFormat(const CharFormat &r, QTextCharFormat &f) {
  const std::uint32_t m = r.mask;
  const std::uint32_t e = r.effects;
  if (m & CFM_BOLD) f.setFontWeight((e & CFE_BOLD) ? QFont::Bold : QFont::Normal);
  if ((m & CFM_WEIGHT) && r.wWeight > 0) f.setFontWeight(std::clamp(r.wWeight, 1, 1000));
  if (m & CFM_ITALIC) {
    if (e & CFE_ITALIC) f.setFontItalic(true);
    else f.clearProperty(QTextFormat::FontItalic);
  }
  if (m & CFM_UNDERLINETYPE) {
    const bool on = (m & CFM_UNDERLINE) ? (e & CFE_UNDERLINE) != 0 : true;
    setUnderlineType(f, on ? r.bUnderlineType : CFU_UNDERLINENONE);
  } else if (m & CFM_UNDERLINE) {
    setUnderlineType(f, (e & CFE_UNDERLINE) ? CFU_UNDERLINE : CFU_UNDERLINENONE);
  }
  if (m & CFM_STRIKEOUT) {
    if (e & CFE_STRIKEOUT) f.setFontStrikeOut(true);
    else f.clearProperty(QTextFormat::FontStrikeOut);
  }
  if (m & CFM_PROTECTED) setOrClear(f, CharProtected, (e & CFE_PROTECTED) != 0);
  if (m & CFM_HIDDEN) setOrClear(f, CharHidden, (e & CFE_HIDDEN) != 0);
  if (m & CFM_LINK) {
    if (e & CFE_LINK) f.setAnchor(true);
    else { f.clearProperty(QTextFormat::IsAnchor); f.clearProperty(QTextFormat::AnchorHref); }
  }
  if (m & (CFM_SMALLCAPS | CFM_ALLCAPS)) {
    bool small = f.fontCapitalization() == QFont::SmallCaps;
    bool all = f.fontCapitalization() == QFont::AllUppercase;
    if (m & CFM_SMALLCAPS) small = (e & CFE_SMALLCAPS) != 0;
    if (m & CFM_ALLCAPS) all = (e & CFE_ALLCAPS) != 0;
    if (all) f.setFontCapitalization(QFont::AllUppercase);
    else if (small) f.setFontCapitalization(QFont::SmallCaps);
    else f.clearProperty(QTextFormat::FontCapitalization);
  }
  if (m & CFE_EXTRA_MASK) {
    int extra = f.intProperty(CharEffectsExtra);
    extra = int((std::uint32_t(extra) & ~(m & CFE_EXTRA_MASK)) | (e & m & CFE_EXTRA_MASK));
    setOrClear(f, CharEffectsExtra, extra);
  }
  if (m & CFM_SUBSCRIPT) {
    if (e & CFE_SUBSCRIPT) f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    else if (e & CFE_SUPERSCRIPT) f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else f.clearProperty(QTextFormat::TextVerticalAlignment);
  }
  if (m & CFM_COLOR) {
    if (e & CFE_AUTOCOLOR) {
      f.setProperty(CharAutoColor, true);
      f.clearForeground();
    } else {
      f.clearProperty(CharAutoColor);
      f.setForeground(fromColorRef(r.crTextColor));
    }
  }
  if (m & CFM_BACKCOLOR) {
    if (e & CFE_AUTOBACKCOLOR) {
      f.setProperty(CharAutoBackColor, true);
      f.clearBackground();
    } else {
      f.clearProperty(CharAutoBackColor);
      f.setBackground(fromColorRef(r.crBackColor));
    }
  }
  if ((m & CFM_SIZE) && r.yHeight > 0) f.setFontPointSize(twipsToPoints(r.yHeight));
  if (m & CFM_FACE) {
    const QString face = r.szFaceName.left(31);
    if (face.isEmpty()) f.clearProperty(QTextFormat::FontFamilies);
    else f.setFontFamilies(QStringList{face});
    // The pitch has no mask bit of its own: it travels with the face.
    setOrClear(f, CharPitchAndFamily, r.bPitchAndFamily);
    if ((r.bPitchAndFamily & 3) == 1) f.setFontFixedPitch(true);
    else f.clearProperty(QTextFormat::FontFixedPitch);
  }
  if (m & CFM_CHARSET) setOrClear(f, CharCharset, r.bCharSet);
  if (m & CFM_OFFSET) setOrClear(f, CharOffsetTwips, r.yOffset);
  if (m & CFM_SPACING) {
    setOrClear(f, CharSpacingTwips, r.sSpacing);
    if (r.sSpacing == 0) {
      f.clearProperty(QTextFormat::FontLetterSpacing);
      f.clearProperty(QTextFormat::FontLetterSpacingType);
    } else {
      f.setFontLetterSpacingType(QFont::AbsoluteSpacing);
      f.setFontLetterSpacing(twipsToUnits(r.sSpacing));
    }
  }
  if (m & CFM_KERNING) setOrClear(f, CharKerningTwips, r.wKerning);
  if (m & CFM_LCID) setOrClear(f, CharLcid, r.lcid);
  if (m & CFM_STYLE) setOrClear(f, CharStyle, r.sStyle);
  if (m & CFM_ANIMATION) setOrClear(f, CharAnimation, r.bAnimation);
  if (m & CFM_REVAUTHOR) setOrClear(f, CharRevAuthor, r.bRevAuthor);
}

void intersectCharFormat(CharFormat &acc, const CharFormat &n) {
  std::uint32_t &m = acc.mask;
  m &= n.mask;
  // Single effect bits share their mask bit's value.
  m &= ~((acc.effects ^ n.effects) & 0x00007FFFu);
  if ((acc.effects ^ n.effects) & (CFE_SUBSCRIPT | CFE_SUPERSCRIPT)) m &= ~CFM_SUBSCRIPT;
  if (((acc.effects ^ n.effects) & CFE_AUTOCOLOR) ||
      (!(acc.effects & CFE_AUTOCOLOR) && acc.crTextColor != n.crTextColor))
    m &= ~CFM_COLOR;
  if (((acc.effects ^ n.effects) & CFE_AUTOBACKCOLOR) ||
      (!(acc.effects & CFE_AUTOBACKCOLOR) && acc.crBackColor != n.crBackColor))
    m &= ~CFM_BACKCOLOR;
  if (acc.yHeight != n.yHeight) m &= ~CFM_SIZE;
  if (acc.yOffset != n.yOffset) m &= ~CFM_OFFSET;
  if (acc.bCharSet != n.bCharSet) m &= ~CFM_CHARSET;
  if (acc.szFaceName != n.szFaceName || acc.bPitchAndFamily != n.bPitchAndFamily) m &= ~CFM_FACE;
  if (acc.wWeight != n.wWeight) m &= ~CFM_WEIGHT;
  if (acc.sSpacing != n.sSpacing) m &= ~CFM_SPACING;
  if (acc.lcid != n.lcid) m &= ~CFM_LCID;
  if (acc.sStyle != n.sStyle) m &= ~CFM_STYLE;
  if (acc.wKerning != n.wKerning) m &= ~CFM_KERNING;
  if (acc.bUnderlineType != n.bUnderlineType) m &= ~CFM_UNDERLINETYPE;
  if (acc.bAnimation != n.bAnimation) m &= ~CFM_ANIMATION;
  if (acc.bRevAuthor != n.bRevAuthor) m &= ~CFM_REVAUTHOR;
}

// ---- paragraphs ------------------------------------------------------------

namespace {

int alignmentOf(const QTextBlockFormat &b) {
  const Qt::Alignment a = b.alignment() & Qt::AlignHorizontal_Mask;
  if (a & Qt::AlignJustify) return PFA_JUSTIFY;
  if (a & Qt::AlignHCenter) return PFA_CENTER;
  if (a & Qt::AlignRight) return PFA_RIGHT;
  return PFA_LEFT;
}

void setQtLineHeight(QTextBlockFormat &b, int rule, int value) {
  switch (rule) {
    case 1: b.setLineHeight(150, QTextBlockFormat::ProportionalHeight); break;
    case 2: b.setLineHeight(200, QTextBlockFormat::ProportionalHeight); break;
    case 3: b.setLineHeight(twipsToUnits(value), QTextBlockFormat::MinimumHeight); break;
    case 4: b.setLineHeight(twipsToUnits(value), QTextBlockFormat::FixedHeight); break;
    case 5: b.setLineHeight(value * 5.0, QTextBlockFormat::ProportionalHeight); break;
    default:
      b.clearProperty(QTextFormat::LineHeight);
      b.clearProperty(QTextFormat::LineHeightType);
      break;
  }
}

QList<int> tabsOf(const QTextBlockFormat &b) {
  if (b.hasProperty(ParaTabsRaw)) return b.property(ParaTabsRaw).value<QList<int>>();
  QList<int> out;
  for (const QTextOption::Tab &t : b.tabPositions()) {
    int align = 0;
    switch (t.type) {
      case QTextOption::CenterTab: align = 1; break;
      case QTextOption::RightTab: align = 2; break;
      case QTextOption::DelimiterTab: align = 3; break;
      default: break;
    }
    out.append(makeTab(unitsToTwips(t.position), align));
  }
  return out;
}

} // namespace

ParaFormat paraFormatFromQt(const QTextBlockFormat &b) {
  ParaFormat r;
  r.mask = PFM_ALL2;
  r.wNumbering = b.intProperty(ParaNumbering);
  int fx = 0;
  if (b.layoutDirection() == Qt::RightToLeft) fx |= PFE_RTLPARA;
  if (b.nonBreakableLines()) fx |= PFE_KEEP;
  if (b.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore) fx |= PFE_PAGEBREAKBEFORE;
  fx |= b.intProperty(ParaEffectsExtra) & PFE_EXTRA_MASK;
  r.wEffects = fx;
  const int left = unitsToTwips(b.leftMargin());
  const int indent = unitsToTwips(b.textIndent());
  r.dxOffset = -indent;
  r.dxStartIndent = left + indent;
  r.dxRightIndent = unitsToTwips(b.rightMargin());
  r.wAlignment = alignmentOf(b);
  const QList<int> tabs = tabsOf(b);
  r.cTabCount = int(std::min<qsizetype>(tabs.size(), MAX_TAB_STOPS));
  for (int i = 0; i < r.cTabCount; ++i) r.rgxTabs[i] = tabs[i];
  r.dySpaceBefore = unitsToTwips(b.topMargin());
  r.dySpaceAfter = unitsToTwips(b.bottomMargin());
  if (b.hasProperty(ParaLineSpacingRule) || b.hasProperty(ParaLineSpacingTwips)) {
    r.bLineSpacingRule = b.intProperty(ParaLineSpacingRule);
    r.dyLineSpacing = b.intProperty(ParaLineSpacingTwips);
  } else if (b.hasProperty(QTextFormat::LineHeightType)) {
    const qreal h = b.lineHeight();
    switch (b.lineHeightType()) {
      case QTextBlockFormat::ProportionalHeight:
        if (qFuzzyCompare(h, 150.0)) r.bLineSpacingRule = 1;
        else if (qFuzzyCompare(h, 200.0)) r.bLineSpacingRule = 2;
        else if (!qFuzzyCompare(h, 100.0)) { r.bLineSpacingRule = 5; r.dyLineSpacing = int(std::lround(h / 5.0)); }
        break;
      case QTextBlockFormat::MinimumHeight: r.bLineSpacingRule = 3; r.dyLineSpacing = unitsToTwips(h); break;
      case QTextBlockFormat::FixedHeight: r.bLineSpacingRule = 4; r.dyLineSpacing = unitsToTwips(h); break;
      default: break;
    }
  }
  r.sStyle = b.intProperty(ParaStyle);
  r.bOutlineLevel = b.intProperty(ParaOutlineLevel);
  r.wShadingWeight = b.intProperty(ParaShadingWeight);
  r.wShadingStyle = b.intProperty(ParaShadingStyle);
  r.wNumberingStart = b.intProperty(ParaNumberingStart);
  r.wNumberingStyle = b.intProperty(ParaNumberingStyle);
  r.wNumberingTab = b.intProperty(ParaNumberingTabTwips);
  r.wBorderSpace = b.intProperty(ParaBorderSpace);
  r.wBorderWidth = b.intProperty(ParaBorderWidth);
  r.wBorders = b.intProperty(ParaBorders);
  return r;
}

void applyParaFormat(const ParaFormat &r, QTextBlockFormat &b) {
  const std::uint32_t m = r.mask;
  if (m & (PFM_STARTINDENT | PFM_OFFSET)) {
    const int left = unitsToTwips(b.leftMargin());
    const int indent = unitsToTwips(b.textIndent());
    int offset = -indent;
    int start = left + indent;
    if (m & PFM_STARTINDENT) start = (m & PFM_OFFSETINDENT) ? start + r.dxStartIndent : r.dxStartIndent;
    if (m & PFM_OFFSET) offset = r.dxOffset;
    if (start + offset == 0) b.clearProperty(QTextFormat::BlockLeftMargin);
    else b.setLeftMargin(twipsToUnits(start + offset));
    if (offset == 0) b.clearProperty(QTextFormat::TextIndent);
    else b.setTextIndent(twipsToUnits(-offset));
  }
  if (m & PFM_RIGHTINDENT) {
    if (r.dxRightIndent == 0) b.clearProperty(QTextFormat::BlockRightMargin);
    else b.setRightMargin(twipsToUnits(r.dxRightIndent));
  }
  if (m & PFM_ALIGNMENT) {
    switch (r.wAlignment) {
      case PFA_RIGHT: b.setAlignment(Qt::AlignRight); break;
      case PFA_CENTER: b.setAlignment(Qt::AlignHCenter); break;
      case PFA_JUSTIFY: b.setAlignment(Qt::AlignJustify); break;
      default: b.clearProperty(QTextFormat::BlockAlignment); break;
    }
  }
  if (m & PFM_TABSTOPS) {
    const int count = std::clamp(r.cTabCount, 0, MAX_TAB_STOPS);
    if (count == 0) {
      b.clearProperty(ParaTabsRaw);
      b.clearProperty(QTextFormat::TabPositions);
    } else {
      QList<int> raw;
      QList<QTextOption::Tab> tabs;
      for (int i = 0; i < count; ++i) {
        const int t = r.rgxTabs[i];
        raw.append(t);
        QTextOption::Tab qt;
        qt.position = twipsToUnits(tabPositionTwips(t));
        switch (tabAlignment(t)) {
          case 1: qt.type = QTextOption::CenterTab; break;
          case 2: qt.type = QTextOption::RightTab; break;
          case 3: qt.type = QTextOption::DelimiterTab; qt.delimiter = QLatin1Char('.'); break;
          case 4: continue;  // a bar tab draws a line, it does not move text
          default: qt.type = QTextOption::LeftTab; break;
        }
        tabs.append(qt);
      }
      b.setProperty(ParaTabsRaw, QVariant::fromValue(raw));
      b.setTabPositions(tabs);
    }
  }
  if (m & PFM_NUMBERING) setOrClear(b, ParaNumbering, r.wNumbering);
  if (m & PFM_NUMBERINGSTART) setOrClear(b, ParaNumberingStart, r.wNumberingStart);
  if (m & PFM_NUMBERINGSTYLE) setOrClear(b, ParaNumberingStyle, r.wNumberingStyle);
  if (m & PFM_NUMBERINGTAB) setOrClear(b, ParaNumberingTabTwips, r.wNumberingTab);
  if (m & PFM_SPACEBEFORE) {
    if (r.dySpaceBefore == 0) b.clearProperty(QTextFormat::BlockTopMargin);
    else b.setTopMargin(twipsToUnits(r.dySpaceBefore));
  }
  if (m & PFM_SPACEAFTER) {
    if (r.dySpaceAfter == 0) b.clearProperty(QTextFormat::BlockBottomMargin);
    else b.setBottomMargin(twipsToUnits(r.dySpaceAfter));
  }
  if (m & PFM_LINESPACING) {
    const int rule = std::clamp(r.bLineSpacingRule, 0, 5);
    setOrClear(b, ParaLineSpacingRule, rule);
    setOrClear(b, ParaLineSpacingTwips, r.dyLineSpacing);
    setQtLineHeight(b, rule, r.dyLineSpacing);
  }
  if (m & PFM_RTLPARA) {
    if (r.wEffects & PFE_RTLPARA) b.setLayoutDirection(Qt::RightToLeft);
    else b.clearProperty(QTextFormat::LayoutDirection);
  }
  if (m & PFM_KEEP) {
    if (r.wEffects & PFE_KEEP) b.setNonBreakableLines(true);
    else b.clearProperty(QTextFormat::BlockNonBreakableLines);
  }
  if (m & PFM_PAGEBREAKBEFORE) {
    if (r.wEffects & PFE_PAGEBREAKBEFORE) b.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    else b.clearProperty(QTextFormat::PageBreakPolicy);
  }
  const int extraMask = int((m >> 16) & std::uint32_t(PFE_EXTRA_MASK));
  if (extraMask) {
    const int extra = (b.intProperty(ParaEffectsExtra) & ~extraMask) | (r.wEffects & extraMask);
    setOrClear(b, ParaEffectsExtra, extra);
  }
  if (m & PFM_STYLE) setOrClear(b, ParaStyle, r.sStyle);
  if (m & PFM_OUTLINELEVEL) setOrClear(b, ParaOutlineLevel, r.bOutlineLevel);
  if (m & PFM_SHADING) {
    setOrClear(b, ParaShadingWeight, r.wShadingWeight);
    setOrClear(b, ParaShadingStyle, r.wShadingStyle);
  }
  if (m & PFM_BORDER) {
    setOrClear(b, ParaBorders, r.wBorders);
    setOrClear(b, ParaBorderSpace, r.wBorderSpace);
    setOrClear(b, ParaBorderWidth, r.wBorderWidth);
  }
}

void intersectParaFormat(ParaFormat &acc, const ParaFormat &n) {
  std::uint32_t &m = acc.mask;
  m &= n.mask;
  if (acc.wNumbering != n.wNumbering) m &= ~PFM_NUMBERING;
  m &= ~(std::uint32_t((acc.wEffects ^ n.wEffects) & 0xFF) << 16);
  if (acc.dxStartIndent != n.dxStartIndent) m &= ~PFM_STARTINDENT;
  if (acc.dxRightIndent != n.dxRightIndent) m &= ~PFM_RIGHTINDENT;
  if (acc.dxOffset != n.dxOffset) m &= ~PFM_OFFSET;
  if (acc.wAlignment != n.wAlignment) m &= ~PFM_ALIGNMENT;
  if (acc.cTabCount != n.cTabCount ||
      !std::equal(acc.rgxTabs, acc.rgxTabs + std::clamp(acc.cTabCount, 0, MAX_TAB_STOPS), n.rgxTabs))
    m &= ~PFM_TABSTOPS;
  if (acc.dySpaceBefore != n.dySpaceBefore) m &= ~PFM_SPACEBEFORE;
  if (acc.dySpaceAfter != n.dySpaceAfter) m &= ~PFM_SPACEAFTER;
  if (acc.dyLineSpacing != n.dyLineSpacing || acc.bLineSpacingRule != n.bLineSpacingRule) m &= ~PFM_LINESPACING;
  if (acc.sStyle != n.sStyle) m &= ~PFM_STYLE;
  if (acc.bOutlineLevel != n.bOutlineLevel) m &= ~PFM_OUTLINELEVEL;
  if (acc.wShadingWeight != n.wShadingWeight || acc.wShadingStyle != n.wShadingStyle) m &= ~PFM_SHADING;
  if (acc.wNumberingStart != n.wNumberingStart) m &= ~PFM_NUMBERINGSTART;
  if (acc.wNumberingStyle != n.wNumberingStyle) m &= ~PFM_NUMBERINGSTYLE;
  if (acc.wNumberingTab != n.wNumberingTab) m &= ~PFM_NUMBERINGTAB;
  if (acc.wBorders != n.wBorders || acc.wBorderSpace != n.wBorderSpace || acc.wBorderWidth != n.wBorderWidth)
    m &= ~PFM_BORDER;
}

} // namespace qel::re
