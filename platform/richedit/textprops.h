#pragma once
// How the rich-edit control keeps its character, paragraph, picture and
// object attributes inside a QTextDocument.
//
// Everything Qt has a property for uses Qt's own property; what Qt lacks is a
// custom property QTextFormat::UserProperty + n listed here. The control, the
// RTF reader and the RTF writer all go through this one mapping, so a body
// loaded and saved again keeps its attributes.
//
// Conventions shared by every user of the document:
// - Lengths in custom properties are twips (int); lengths in Qt's properties
//   are document units (see units.h); font sizes are points.
// - Text colour: a fragment has the automatic colour when CharAutoColor is true
//   or when it has no ForegroundBrush. Code that sets the automatic colour sets
//   CharAutoColor and clears ForegroundBrush; code that sets a colour sets the
//   brush and clears CharAutoColor. Highlight works the same way with
//   CharAutoBackColor and BackgroundBrush.
// - Underline: Qt's UnderlineStyle holds what it can show; CharUnderlineType
//   holds the record's underline type (CFU_*) whenever it is one Qt has no
//   style for (word, double, thick, ...), Qt's style then being the nearest.
// - Right-to-left paragraphs use Qt's LayoutDirection (Qt::RightToLeft);
//   page break before uses Qt's PageBreakPolicy (PageBreak_AlwaysBefore); keep
//   lines together uses Qt's BlockNonBreakableLines.
// - Indents: the record's first-line indent (dxStartIndent, absolute) and the
//   offset of the following lines (dxOffset, relative to the first line) map to
//   Qt's leftMargin = start + offset and textIndent = -offset.
// - Pictures and embedded objects are one character each: a QTextImageFormat
//   whose name is a document ImageResource URL ("qel-image:<n>", the decoded
//   image registered with QTextDocument::addResource) and whose width and
//   height are the shown size in document units. A picture carries the Pic*
//   properties; an embedded object additionally carries ObjRawGroup and is
//   shown by its result picture (if it has none, by an empty frame).
// - Bullets and numbering: the Para*Numbering* properties of each block are the
//   truth. The control shows them with a QTextList of its own, rebuilt from the
//   block properties (syncNumberingLists in the control); readers and writers
//   never depend on QTextList membership.

#include <QTextFormat>

namespace qel::re {

enum TextProp : int {
  // ---- character (QTextCharFormat) -----------------------------------------
  CharProtected = QTextFormat::UserProperty + 1,  // bool: protected text (CFE_PROTECTED, \protect)
  CharHidden,               // bool: hidden text (CFE_HIDDEN, \v)
  CharAutoColor,            // bool: automatic text colour (CFE_AUTOCOLOR, \cf0)
  CharAutoBackColor,        // bool: no highlight (CFE_AUTOBACKCOLOR, \highlight0 / \chcbpat0)
  CharCharset,              // int 0..255: font charset (bCharSet, \fcharsetN of the font)
  CharPitchAndFamily,       // int: bPitchAndFamily (low 2 bits pitch 0 default 1 fixed 2 variable,
                            //      high nibble family: 0x00 nil 0x10 roman 0x20 swiss 0x30 modern
                            //      0x40 script 0x50 decor)
  CharUnderlineType,        // int: underline type (CFU_*) when Qt has no style for it
  CharOffsetTwips,          // int: baseline offset in twips, positive raises (yOffset, \upN / \dnN
                            //      in half-points)
  CharSpacingTwips,         // int: character spacing in twips (sSpacing, \exptw)
  CharKerningTwips,         // int: kerning above this font size in twips (wKerning, \kerning in half-points)
  CharLcid,                 // int: language id (lcid, \langN)
  CharEffectsExtra,         // int: effect bits Qt cannot show, kept as given: CFE_OUTLINE,
                            //      CFE_SHADOW, CFE_EMBOSS, CFE_IMPRINT, CFE_DISABLED, CFE_REVISED
                            //      (CFE_LINK lives in Qt's AnchorHref/IsAnchor only when a field
                            //      made it; link detection never touches the document)
  CharStyle,                // int: character style number (sStyle, \csN)
  CharAnimation,            // int: animation type (bAnimation, \animtextN)
  CharRevAuthor,            // int: revision author index (bRevAuthor, \revauthN)
  CharFieldInst,            // QString: instruction of the field whose result this text is
                            //      (\fldinst, e.g. 'HYPERLINK "http://..."'); a HYPERLINK field's
                            //      result also has Qt's IsAnchor and AnchorHref (its address)
  CharFieldId,              // int: which field of the document (1, 2, ... in reading order), so
                            //      two fields side by side with the same instruction stay two

  // ---- pictures and objects (QTextImageFormat) -----------------------------
  PicBlip = QTextFormat::UserProperty + 0x40,  // QByteArray: original picture bytes as stored
  PicBlipType,              // int PicType: format of PicBlip
  PicWidth,                 // int: picture width in its own units (\picw: pixels for bitmaps,
                            //      0.01 mm for metafiles)
  PicHeight,                // int: picture height in its own units (\pich)
  PicGoalWidthTwips,        // int: wanted width in twips (\picwgoal)
  PicGoalHeightTwips,       // int: wanted height in twips (\pichgoal)
  PicScaleX,                // int: horizontal scale in percent (\picscalex), 100 when absent
  PicScaleY,                // int: vertical scale in percent (\picscaley), 100 when absent
  PicCropLeftTwips,         // int: \piccropl
  PicCropTopTwips,          // int: \piccropt
  PicCropRightTwips,        // int: \piccropr
  PicCropBottomTwips,       // int: \piccropb
  PicMetafileMapMode,       // int: metafile mapping mode (\wmetafileN) for PicWmf
  PicBitsPerPixel,          // int: \wbmbitspixel for PicBitmap
  PicBitmapPlanes,          // int: \wbmplanes for PicBitmap
  PicBitmapWidthBytes,      // int: \wbmwidthbytes for PicBitmap
  ObjRawGroup,              // QByteArray: the whole "{\object ...}" group exactly as read, written
                            //      back unchanged; present only on embedded objects
  ObjClass,                 // QString: the object's class (\objclass), for the verb menu caption

  // ---- paragraph (QTextBlockFormat) ----------------------------------------
  ParaLineSpacingRule = QTextFormat::UserProperty + 0x80,  // int 0..5: bLineSpacingRule
                            //      (0 single, 1 one and a half, 2 double, 3 at least, 4 exactly,
                            //      5 in twentieths of a line)
  ParaLineSpacingTwips,     // int: dyLineSpacing (twips for rules 3 and 4, twentieths of a
                            //      line for 5; \slN with \slmultN)
  ParaNumbering,            // int: wNumbering: 0 none, 1 bullet, 2 arabic, 3 lower letters,
                            //      4 upper letters, 5 lower roman, 6 upper roman
                            //      (\pnlvlblt, \pndec, \pnlcltr, \pnucltr, \pnlcrm, \pnucrm)
  ParaNumberingStart,       // int: first number (wNumberingStart, \pnstartN)
  ParaNumberingStyle,       // int: wNumberingStyle: 0x000 "1)", 0x100 "(1)", 0x200 "1.",
                            //      0x300 "1", 0x400 no number
  ParaNumberingTabTwips,    // int: distance from number to text (wNumberingTab, \pnindentN)
  ParaNumberTextBefore,     // QString: text before the number (\pntxtb); for bullets the bullet
                            //      character itself
  ParaNumberTextAfter,      // QString: text after the number (\pntxta)
  ParaNumberFontFace,       // QString: font of the number or bullet (\pnf)
  ParaNumberFontCharset,    // int: charset of that font
  ParaNumberFontSizeTwips,  // int: size of the number or bullet (\pnfs in half-points)
  ParaEffectsExtra,         // int: paragraph effect bits Qt has no property for: PFE_KEEPNEXT,
                            //      PFE_NOLINENUMBER, PFE_NOWIDOWCONTROL, PFE_DONOTHYPHEN,
                            //      PFE_SIDEBYSIDE
  ParaTabsRaw,              // QList<int>: the record's tab stops (rgxTabs: position in twips in
                            //      the low 24 bits, alignment in bits 24..27: 0 left 1 centre
                            //      2 right 3 decimal 4 bar, leader in bits 28..31: 0 none 1 dots
                            //      2 dashes 3 underline 4 thick 5 equals). Authoritative when
                            //      present; Qt's TabPositions shows them.
  ParaStyle,                // int: paragraph style number (sStyle, \sN)
  ParaOutlineLevel,         // int: bOutlineLevel (\outlinelevelN)
  ParaShadingWeight,        // int: wShadingWeight (\shadingN)
  ParaShadingStyle,         // int: wShadingStyle
  ParaBorders,              // int: wBorders
  ParaBorderSpace,          // int: wBorderSpace (twips)
  ParaBorderWidth,          // int: wBorderWidth (twips)
};

// Table cells (QTextTableCellFormat of each cell of a QTextTable): the row
// and cell definition as read, so a table is written back as it came. Row
// properties stand on the row's first cell.
enum TableProp : int {
  CellRightTwips = QTextFormat::UserProperty + 0xC0,  // int: right boundary (\cellxN)
  CellMerge,                // int: 1 \clmgf, 2 \clmrg, 4 \clvmgf, 8 \clvmrg
  CellVAlign,               // int: 0 top, 1 centre, 2 bottom
  CellBorders,              // QList<int>: style, width in twips, colour (0x00BBGGRR, -1 automatic)
                            //      for top, left, bottom, right; style 0 none, 1 single, 2 thick,
                            //      3 double, 4 dotted, 5 dashed
  CellFiller,               // bool: a cell the row did not have, added to square the table
  RowGapTwips,              // int: \trgaph
  RowLeftTwips,             // int: \trleft
  RowHeightTwips,           // int: \trrh
  RowAlign,                 // int: 0 left, 1 right, 2 centre
};

// Format of PicBlip.
enum PicType : int {
  PicNone = 0,
  PicPng = 1,     // \pngblip
  PicJpeg = 2,    // \jpegblip
  PicEmf = 3,     // \emfblip
  PicWmf = 4,     // \wmetafileN
  PicDib = 5,     // \dibitmapN (device-independent bitmap without file header)
  PicBitmap = 6,  // \wbitmapN (device-dependent bitmap bits)
  PicMac = 7,     // \macpict
};

// Prefix of the image resource names of pictures and objects.
inline constexpr const char *kImageResourceScheme = "qel-image";

} // namespace qel::re
