#pragma once
// The control's character and paragraph format records (lengths in twips, a
// mask naming the valid members) and their mapping onto QTextCharFormat and
// QTextBlockFormat. The mapping follows textprops.h.

#include <QColor>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextFormat>
#include <cstdint>

namespace qel::re {

// A colour as the records hold it: 0x00BBGGRR.
using ColorRef = std::uint32_t;
inline ColorRef toColorRef(const QColor &c) { return ColorRef(c.red()) | (ColorRef(c.green()) << 8) | (ColorRef(c.blue()) << 16); }
inline QColor fromColorRef(ColorRef c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

// ---- character format -------------------------------------------------------
// Mask bits.
inline constexpr std::uint32_t CFM_BOLD = 0x00000001;
inline constexpr std::uint32_t CFM_ITALIC = 0x00000002;
inline constexpr std::uint32_t CFM_UNDERLINE = 0x00000004;
inline constexpr std::uint32_t CFM_STRIKEOUT = 0x00000008;
inline constexpr std::uint32_t CFM_PROTECTED = 0x00000010;
inline constexpr std::uint32_t CFM_LINK = 0x00000020;
inline constexpr std::uint32_t CFM_SMALLCAPS = 0x00000040;
inline constexpr std::uint32_t CFM_ALLCAPS = 0x00000080;
inline constexpr std::uint32_t CFM_HIDDEN = 0x00000100;
inline constexpr std::uint32_t CFM_OUTLINE = 0x00000200;
inline constexpr std::uint32_t CFM_SHADOW = 0x00000400;
inline constexpr std::uint32_t CFM_EMBOSS = 0x00000800;
inline constexpr std::uint32_t CFM_IMPRINT = 0x00001000;
inline constexpr std::uint32_t CFM_DISABLED = 0x00002000;
inline constexpr std::uint32_t CFM_REVISED = 0x00004000;
inline constexpr std::uint32_t CFM_REVAUTHOR = 0x00008000;
inline constexpr std::uint32_t CFM_SUBSCRIPT = 0x00030000;  // with CFM_SUPERSCRIPT
inline constexpr std::uint32_t CFM_SUPERSCRIPT = 0x00030000;
inline constexpr std::uint32_t CFM_ANIMATION = 0x00040000;
inline constexpr std::uint32_t CFM_STYLE = 0x00080000;
inline constexpr std::uint32_t CFM_KERNING = 0x00100000;
inline constexpr std::uint32_t CFM_SPACING = 0x00200000;
inline constexpr std::uint32_t CFM_WEIGHT = 0x00400000;
inline constexpr std::uint32_t CFM_UNDERLINETYPE = 0x00800000;
inline constexpr std::uint32_t CFM_LCID = 0x02000000;
inline constexpr std::uint32_t CFM_BACKCOLOR = 0x04000000;
inline constexpr std::uint32_t CFM_CHARSET = 0x08000000;
inline constexpr std::uint32_t CFM_OFFSET = 0x10000000;
inline constexpr std::uint32_t CFM_FACE = 0x20000000;
inline constexpr std::uint32_t CFM_COLOR = 0x40000000;
inline constexpr std::uint32_t CFM_SIZE = 0x80000000;
inline constexpr std::uint32_t CFM_ALL2 = 0xFEFFFFFF;  // every member of the record

// Effect bits.
inline constexpr std::uint32_t CFE_BOLD = 0x00000001;
inline constexpr std::uint32_t CFE_ITALIC = 0x00000002;
inline constexpr std::uint32_t CFE_UNDERLINE = 0x00000004;
inline constexpr std::uint32_t CFE_STRIKEOUT = 0x00000008;
inline constexpr std::uint32_t CFE_PROTECTED = 0x00000010;
inline constexpr std::uint32_t CFE_LINK = 0x00000020;
inline constexpr std::uint32_t CFE_SMALLCAPS = 0x00000040;
inline constexpr std::uint32_t CFE_ALLCAPS = 0x00000080;
inline constexpr std::uint32_t CFE_HIDDEN = 0x00000100;
inline constexpr std::uint32_t CFE_OUTLINE = 0x00000200;
inline constexpr std::uint32_t CFE_SHADOW = 0x00000400;
inline constexpr std::uint32_t CFE_EMBOSS = 0x00000800;
inline constexpr std::uint32_t CFE_IMPRINT = 0x00001000;
inline constexpr std::uint32_t CFE_DISABLED = 0x00002000;
inline constexpr std::uint32_t CFE_REVISED = 0x00004000;
inline constexpr std::uint32_t CFE_SUBSCRIPT = 0x00010000;
inline constexpr std::uint32_t CFE_SUPERSCRIPT = 0x00020000;
inline constexpr std::uint32_t CFE_AUTOBACKCOLOR = 0x04000000;
inline constexpr std::uint32_t CFE_AUTOCOLOR = 0x40000000;
// Effects kept in CharEffectsExtra.
inline constexpr std::uint32_t CFE_EXTRA_MASK =
    CFE_OUTLINE | CFE_SHADOW | CFE_EMBOSS | CFE_IMPRINT | CFE_DISABLED | CFE_REVISED;

// Underline types (bUnderlineType).
enum : int {
  CFU_UNDERLINENONE = 0,
  CFU_UNDERLINE = 1,
  CFU_UNDERLINEWORD = 2,
  CFU_UNDERLINEDOUBLE = 3,
  CFU_UNDERLINEDOTTED = 4,
  CFU_UNDERLINEDASH = 5,
  CFU_UNDERLINEDASHDOT = 6,
  CFU_UNDERLINEDASHDOTDOT = 7,
  CFU_UNDERLINEWAVE = 8,
  CFU_UNDERLINETHICK = 9,
  CFU_UNDERLINEHAIRLINE = 10,
};

// Scope of a character format read or write.
enum : int { SCF_DEFAULT = 0, SCF_SELECTION = 1, SCF_WORD = 2, SCF_ALL = 4 };

struct CharFormat {
  std::uint32_t mask = 0;
  std::uint32_t effects = 0;
  int yHeight = 0;          // twips
  int yOffset = 0;          // twips, positive raises
  ColorRef crTextColor = 0;
  int bCharSet = 0;
  int bPitchAndFamily = 0;
  QString szFaceName;       // at most 31 characters
  int wWeight = 0;          // 400 normal, 700 bold
  int sSpacing = 0;         // twips
  ColorRef crBackColor = 0;
  int lcid = 0;
  int sStyle = 0;
  int wKerning = 0;         // twips
  int bUnderlineType = 0;   // CFU_*
  int bAnimation = 0;
  int bRevAuthor = 0;

  bool operator==(const CharFormat &) const = default;
};

// The record of one format, every member valid.
CharFormat charFormatFromQt(const QTextCharFormat &format);
// Writes the members named by the record's mask into the format (a member can
// clear a Qt property, so callers set the result with setCharFormat rather
// than merging it).
void applyCharFormat(const CharFormat &record, QTextCharFormat &format);
// Folds another fragment's record into an accumulated one: a member that
// differs loses its mask bit (a mixed selection).
void intersectCharFormat(CharFormat &acc, const CharFormat &next);

// ---- paragraph format ------------------------------------------------------
inline constexpr std::uint32_t PFM_STARTINDENT = 0x00000001;
inline constexpr std::uint32_t PFM_RIGHTINDENT = 0x00000002;
inline constexpr std::uint32_t PFM_OFFSET = 0x00000004;
inline constexpr std::uint32_t PFM_ALIGNMENT = 0x00000008;
inline constexpr std::uint32_t PFM_TABSTOPS = 0x00000010;
inline constexpr std::uint32_t PFM_NUMBERING = 0x00000020;
inline constexpr std::uint32_t PFM_SPACEBEFORE = 0x00000040;
inline constexpr std::uint32_t PFM_SPACEAFTER = 0x00000080;
inline constexpr std::uint32_t PFM_LINESPACING = 0x00000100;
inline constexpr std::uint32_t PFM_STYLE = 0x00000400;
inline constexpr std::uint32_t PFM_BORDER = 0x00000800;
inline constexpr std::uint32_t PFM_SHADING = 0x00001000;
inline constexpr std::uint32_t PFM_NUMBERINGSTYLE = 0x00002000;
inline constexpr std::uint32_t PFM_NUMBERINGTAB = 0x00004000;
inline constexpr std::uint32_t PFM_NUMBERINGSTART = 0x00008000;
inline constexpr std::uint32_t PFM_RTLPARA = 0x00010000;
inline constexpr std::uint32_t PFM_KEEP = 0x00020000;
inline constexpr std::uint32_t PFM_KEEPNEXT = 0x00040000;
inline constexpr std::uint32_t PFM_PAGEBREAKBEFORE = 0x00080000;
inline constexpr std::uint32_t PFM_NOLINENUMBER = 0x00100000;
inline constexpr std::uint32_t PFM_NOWIDOWCONTROL = 0x00200000;
inline constexpr std::uint32_t PFM_DONOTHYPHEN = 0x00400000;
inline constexpr std::uint32_t PFM_SIDEBYSIDE = 0x00800000;
inline constexpr std::uint32_t PFM_OUTLINELEVEL = 0x02000000;
inline constexpr std::uint32_t PFM_OFFSETINDENT = 0x80000000;  // start indent is relative
// Every member of the record (PFM_OFFSETINDENT excluded: it changes meaning).
inline constexpr std::uint32_t PFM_ALL2 = 0x00000001 | 0x00000002 | 0x00000004 | 0x00000008 | 0x00000010 |
    0x00000020 | 0x00000040 | 0x00000080 | 0x00000100 | 0x00000400 | 0x00000800 | 0x00001000 |
    0x00002000 | 0x00004000 | 0x00008000 | 0x00FF0000 | 0x02000000;

// Paragraph effects (wEffects) = the PFM_ effect bits >> 16.
inline constexpr int PFE_RTLPARA = 0x0001;
inline constexpr int PFE_KEEP = 0x0002;
inline constexpr int PFE_KEEPNEXT = 0x0004;
inline constexpr int PFE_PAGEBREAKBEFORE = 0x0008;
inline constexpr int PFE_NOLINENUMBER = 0x0010;
inline constexpr int PFE_NOWIDOWCONTROL = 0x0020;
inline constexpr int PFE_DONOTHYPHEN = 0x0040;
inline constexpr int PFE_SIDEBYSIDE = 0x0080;
inline constexpr int PFE_EXTRA_MASK = PFE_KEEPNEXT | PFE_NOLINENUMBER | PFE_NOWIDOWCONTROL | PFE_DONOTHYPHEN | PFE_SIDEBYSIDE;

enum : int { PFA_LEFT = 1, PFA_RIGHT = 2, PFA_CENTER = 3, PFA_JUSTIFY = 4 };
enum : int { PFN_BULLET = 1, PFN_ARABIC = 2, PFN_LCLETTER = 3, PFN_UCLETTER = 4, PFN_LCROMAN = 5, PFN_UCROMAN = 6 };
enum : int { PFNS_PAREN = 0x000, PFNS_PARENS = 0x100, PFNS_PERIOD = 0x200, PFNS_PLAIN = 0x300, PFNS_NONUMBER = 0x400 };
inline constexpr int MAX_TAB_STOPS = 32;

struct ParaFormat {
  std::uint32_t mask = 0;
  int wNumbering = 0;
  int wEffects = 0;         // PFE_*
  int dxStartIndent = 0;    // twips, first line, from the left margin
  int dxRightIndent = 0;    // twips
  int dxOffset = 0;         // twips, following lines relative to the first
  int wAlignment = PFA_LEFT;
  int cTabCount = 0;
  int rgxTabs[MAX_TAB_STOPS] = {};
  int dySpaceBefore = 0;    // twips
  int dySpaceAfter = 0;     // twips
  int dyLineSpacing = 0;    // see ParaLineSpacingTwips
  int sStyle = 0;
  int bLineSpacingRule = 0;
  int bOutlineLevel = 0;
  int wShadingWeight = 0;
  int wShadingStyle = 0;
  int wNumberingStart = 0;
  int wNumberingStyle = 0;
  int wNumberingTab = 0;    // twips
  int wBorderSpace = 0;
  int wBorderWidth = 0;
  int wBorders = 0;

  bool operator==(const ParaFormat &) const = default;
};

ParaFormat paraFormatFromQt(const QTextBlockFormat &format);
// Writes the members named by the mask. PFM_OFFSETINDENT makes dxStartIndent
// relative to the current start indent.
void applyParaFormat(const ParaFormat &record, QTextBlockFormat &format);
void intersectParaFormat(ParaFormat &acc, const ParaFormat &next);

// Tab stop helpers for rgxTabs values.
inline int tabPositionTwips(int tab) { return tab & 0x00FFFFFF; }
inline int tabAlignment(int tab) { return (tab >> 24) & 0x0F; }
inline int tabLeader(int tab) { return (tab >> 28) & 0x0F; }
inline int makeTab(int positionTwips, int alignment = 0, int leader = 0) {
  return (positionTwips & 0x00FFFFFF) | ((alignment & 0x0F) << 24) | ((leader & 0x0F) << 28);
}

} // namespace qel::re
