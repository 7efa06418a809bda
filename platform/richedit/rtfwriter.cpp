#include "platform/richedit/rtfwriter.h"

#include "platform/richedit/formatrecords.h"
#include "platform/richedit/rtfwrite_emitter.h"
#include "platform/richedit/rtfwrite_numbering.h"
#include "platform/richedit/textprops.h"
#include "platform/richedit/units.h"

#include <QBuffer>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

namespace qel::re {

namespace {


struct FontEntry {
  QString face;
  int charset = 0;
  int pitchAndFamily = 0;
  bool operator==(const FontEntry &) const = default;
};

struct ListEntry {
  NumberingKey key;
  bool operator==(const ListEntry &) const = default;
};

int halfPoints(int twips) { return int(std::lround(twips / 10.0)); }

class DocumentWriter {
public:
  DocumentWriter(const QTextDocument &doc, const RtfWriteOptions &options) : doc_(doc), options_(options) {
    const QFont def = doc.defaultFont();
    defaultFace_ = def.family();
    defaultSizeTwips_ = def.pointSizeF() > 0 ? pointsToTwips(def.pointSizeF()) : 240;
    fonts_.push_back({defaultFace_, 0, 0});
  }

  QByteArray write();

private:
  int fontIndex(const QString &face, int charset, int pitchAndFamily);
  int colorIndex(ColorRef color);
  int listIndex(const NumberingKey &key);

  QByteArray charProps(const CharFormat &record, int *charset);
  void writeParagraphProps(RtfEmitter &w, const ParaFormat &para);
  void writeNumbering(const QTextBlock &block, const ParaFormat &para);
  void writePicture(const QTextImageFormat &format);
  // How a paragraph ends: in the body, in a table cell, or as a cell's last.
  enum class End { Body, InCell, CellEnd };
  void writeBlock(const QTextBlock &block, int blockPos, int from, int to, End end = End::Body);
  void writeFrame(const QTextFrame *frame, int from, int to);
  void writeTable(const QTextTable *table, int from, int to);
  void writeBorder(const char *side, const QList<int> &borders, int index);

  void writeHeader(RtfEmitter &out) const;

  const QTextDocument &doc_;
  RtfWriteOptions options_;
  QString defaultFace_;
  int defaultSizeTwips_ = 240;
  std::vector<FontEntry> fonts_;
  std::vector<ColorRef> colors_;  // entry i is colour table index i + 1
  std::vector<ListEntry> lists_;  // entry i is list i + 1
  NumberingCounter counter_;
  // The words of a character format, by format index.
  struct FormatWords {
    QByteArray props;
    int charset = 0;
    bool image = false;
    QString fieldInst;
    int fieldId = 0;
  };
  const FormatWords &formatWords(int index);
  std::unordered_map<int, FormatWords> formatCache_;
  // The record and words of a paragraph format, by format index.
  struct ParaWords {
    ParaFormat record;
    QByteArray props;
  };
  std::unordered_map<int, ParaWords> paraCache_;
  QString rawText_;  // the document's text, one character per position
  bool faceless_ = false;  // some text has no face of its own
  RtfEmitter body_;
};

int DocumentWriter::fontIndex(const QString &face, int charset, int pitchAndFamily) {
  const FontEntry e{face.isEmpty() ? defaultFace_ : face, charset, pitchAndFamily};
  for (size_t i = 0; i < fonts_.size(); ++i)
    if (fonts_[i] == e)
      return int(i);
  fonts_.push_back(e);
  return int(fonts_.size() - 1);
}

int DocumentWriter::colorIndex(ColorRef color) {
  for (size_t i = 0; i < colors_.size(); ++i)
    if (colors_[i] == color)
      return int(i + 1);
  colors_.push_back(color);
  return int(colors_.size());
}

int DocumentWriter::listIndex(const NumberingKey &key) {
  for (size_t i = 0; i < lists_.size(); ++i)
    if (lists_[i].key == key)
      return int(i + 1);
  lists_.push_back({key});
  return int(lists_.size());
}

// The control words of one run's character format, relative to \plain.
QByteArray DocumentWriter::charProps(const CharFormat &r, int *charset) {
  RtfEmitter w;
  const std::uint32_t e = r.effects;
  // Text without a face of its own stays without one: it takes \deff, which
  // then names no font of the table (see writeHeader).
  if (r.szFaceName.isEmpty()) faceless_ = true;
  else w.word("f", fontIndex(r.szFaceName, r.bCharSet, r.bPitchAndFamily));
  w.word("fs", halfPoints(r.yHeight > 0 ? r.yHeight : defaultSizeTwips_));
  if (e & CFE_BOLD) w.word("b");
  if (e & CFE_ITALIC) w.word("i");
  if (e & CFE_UNDERLINE) {
    switch (r.bUnderlineType) {
    case CFU_UNDERLINEWORD: w.word("ulw"); break;
    case CFU_UNDERLINEDOUBLE: w.word("uldb"); break;
    case CFU_UNDERLINEDOTTED: w.word("uld"); break;
    case CFU_UNDERLINEDASH: w.word("uldash"); break;
    case CFU_UNDERLINEDASHDOT: w.word("uldashd"); break;
    case CFU_UNDERLINEDASHDOTDOT: w.word("uldashdd"); break;
    case CFU_UNDERLINEWAVE: w.word("ulwave"); break;
    case CFU_UNDERLINETHICK: w.word("ulth"); break;
    case CFU_UNDERLINEHAIRLINE: w.word("ulhair"); break;
    default: w.word("ul"); break;
    }
  }
  if (e & CFE_STRIKEOUT) w.word("strike");
  if (e & CFE_SMALLCAPS) w.word("scaps");
  if (e & CFE_ALLCAPS) w.word("caps");
  if (e & CFE_OUTLINE) w.word("outl");
  if (e & CFE_SHADOW) w.word("shad");
  if (e & CFE_EMBOSS) w.word("embo");
  if (e & CFE_IMPRINT) w.word("impr");
  if (e & CFE_REVISED) w.word("revised");
  if (e & CFE_PROTECTED) w.word("protect");
  if (e & CFE_HIDDEN) w.word("v");
  if (e & CFE_SUPERSCRIPT) w.word("super");
  else if (e & CFE_SUBSCRIPT) w.word("sub");
  if (r.yOffset > 0) w.word("up", halfPoints(r.yOffset));
  else if (r.yOffset < 0) w.word("dn", halfPoints(-r.yOffset));
  if (!(e & CFE_AUTOCOLOR)) w.word("cf", colorIndex(r.crTextColor));
  if (!(e & CFE_AUTOBACKCOLOR)) w.word("highlight", colorIndex(r.crBackColor));
  if (r.sSpacing != 0) w.word("expndtw", r.sSpacing);
  if (r.wKerning != 0) w.word("kerning", halfPoints(r.wKerning));
  if (r.lcid != 0) w.word("lang", r.lcid);
  if (r.sStyle != 0) w.word("cs", r.sStyle);
  if (r.bAnimation != 0) w.word("animtext", r.bAnimation);
  if (r.bRevAuthor != 0) w.word("revauth", r.bRevAuthor);
  if (charset) *charset = r.bCharSet;
  return w.take();
}

void DocumentWriter::writeParagraphProps(RtfEmitter &w, const ParaFormat &p) {
  if (p.sStyle != 0) w.word("s", p.sStyle);
  if (p.bOutlineLevel != 0) w.word("outlinelevel", p.bOutlineLevel);
  if (p.wEffects & PFE_RTLPARA) w.word("rtlpar");
  switch (p.wAlignment) {
  case PFA_RIGHT: w.word("qr"); break;
  case PFA_CENTER: w.word("qc"); break;
  case PFA_JUSTIFY: w.word("qj"); break;
  default: break;
  }
  // The control's indents: the first line starts at dxStartIndent, the
  // following lines dxOffset further; RTF's \li is where the following lines
  // start and \fi the first line's indent relative to it.
  const int li = p.dxStartIndent + p.dxOffset;
  const int fi = -p.dxOffset;
  if (fi != 0) w.word("fi", fi);
  if (li != 0) w.word("li", li);
  if (p.dxRightIndent != 0) w.word("ri", p.dxRightIndent);
  if (p.dySpaceBefore != 0) w.word("sb", p.dySpaceBefore);
  if (p.dySpaceAfter != 0) w.word("sa", p.dySpaceAfter);
  switch (p.bLineSpacingRule) {
  case 1: w.word("sl", 360); w.word("slmult", 1); break;
  case 2: w.word("sl", 480); w.word("slmult", 1); break;
  case 3:
    if (p.dyLineSpacing != 0) { w.word("sl", std::abs(p.dyLineSpacing)); w.word("slmult", 0); }
    break;
  case 4:
    if (p.dyLineSpacing != 0) { w.word("sl", -std::abs(p.dyLineSpacing)); w.word("slmult", 0); }
    break;
  case 5:
    if (p.dyLineSpacing > 0) { w.word("sl", p.dyLineSpacing * 12); w.word("slmult", 1); }
    break;
  default: break;
  }
  for (int i = 0; i < qMin(p.cTabCount, MAX_TAB_STOPS); ++i) {
    const int tab = p.rgxTabs[i];
    switch (tabLeader(tab)) {
    case 1: w.word("tldot"); break;
    case 2: w.word("tlhyph"); break;
    case 3: w.word("tlul"); break;
    case 4: w.word("tlth"); break;
    case 5: w.word("tleq"); break;
    default: break;
    }
    switch (tabAlignment(tab)) {
    case 1: w.word("tqc"); break;
    case 2: w.word("tqr"); break;
    case 3: w.word("tqdec"); break;
    default: break;
    }
    w.word(tabAlignment(tab) == 4 ? "tb" : "tx", tabPositionTwips(tab));
  }
  if (p.wEffects & PFE_KEEP) w.word("keep");
  if (p.wEffects & PFE_KEEPNEXT) w.word("keepn");
  if (p.wEffects & PFE_PAGEBREAKBEFORE) w.word("pagebb");
  if (p.wEffects & PFE_NOLINENUMBER) w.word("noline");
  if (p.wEffects & PFE_NOWIDOWCONTROL) w.word("nowidctlpar");
  if (p.wEffects & PFE_DONOTHYPHEN) w.word("hyphpar", 0);
}

// Bullets and numbering, in two forms: "\lsN" with a list table for readers
// that know lists, and the "{\pntext}{\*\pn}" pair of the Windows control, so
// readers that know neither still show the bullet or number as text.
void DocumentWriter::writeNumbering(const QTextBlock &block, const ParaFormat &p) {
  const QTextBlockFormat bf = block.blockFormat();
  NumberingKey key = numberingKeyOf(bf, p);
  // Only what is written tells lists apart, so a list read back is the same
  // list: the face as written, the size in half points, the style the
  // number's texts give.
  if (key.fontFace.isEmpty()) key.fontFace = defaultFace_;
  key.fontSizeTwips = key.fontSizeTwips > 0 ? halfPoints(key.fontSizeTwips) * 10 : 0;
  if (key.numbering != PFN_BULLET && key.style != PFNS_NONUMBER) key.style = numberingStyleOfTexts(key.textBefore, key.textAfter);
  const int font = fontIndex(key.fontFace, key.fontCharset, 0);
  const QString number = counter_.next(key);
  const int list = listIndex(key);
  RtfEmitter &w = body_;
  w.word("ls", list);
  w.word("ilvl", 0);

  w.open();
  w.word("pntext");
  w.word("f", font);
  if (key.fontSizeTwips > 0) w.word("fs", halfPoints(key.fontSizeTwips));
  writeNumberText(w, number, key.fontCharset);
  w.word("tab");
  w.close();

  w.starGroup("pn");
  if (key.numbering == PFN_BULLET) {
    w.word("pnlvlblt");
  } else {
    w.word(key.style == PFNS_NONUMBER ? "pnlvlcont" : "pnlvlbody");
    w.word(pnNumberWord(key.numbering));
    w.word("pnstart", key.start);
  }
  w.word("pnf", font);
  if (key.fontSizeTwips > 0) w.word("pnfs", halfPoints(key.fontSizeTwips));
  w.word("pnindent", p.wNumberingTab);
  if (!key.textBefore.isEmpty()) {
    w.open();
    w.word("pntxtb");
    writeNumberText(w, key.textBefore, key.fontCharset);
    w.close();
  }
  if (!key.textAfter.isEmpty()) {
    w.open();
    w.word("pntxta");
    writeNumberText(w, key.textAfter, key.fontCharset);
    w.close();
  }
  w.close();
}

void DocumentWriter::writePicture(const QTextImageFormat &f) {
  QByteArray blip = f.property(PicBlip).toByteArray();
  int type = f.intProperty(PicBlipType);
  int picw = f.intProperty(PicWidth);
  int pich = f.intProperty(PicHeight);
  QImage image;
  if (!(type == PicPng || type == PicJpeg) || blip.isEmpty()) {
    // Other formats (metafiles, device bitmaps) and pictures that came in
    // without their bytes go out as PNG of the image shown.
    const QVariant res = doc_.resource(QTextDocument::ImageResource, QUrl(f.name()));
    if (res.canConvert<QImage>())
      image = res.value<QImage>();
    else if (res.canConvert<QPixmap>())
      image = res.value<QPixmap>().toImage();
    if (image.isNull() && !blip.isEmpty())
      image = QImage::fromData(blip);
    if (image.isNull())
      return;  // nothing that could be shown: leave the picture out
    blip.clear();
    QBuffer buf(&blip);
    buf.open(QIODevice::WriteOnly);
    if (!image.save(&buf, "PNG") || blip.isEmpty())
      return;
    type = PicPng;
    picw = image.width();
    pich = image.height();
  }
  if (picw <= 0 || pich <= 0) {
    const QImage probe = QImage::fromData(blip);
    picw = probe.width();
    pich = probe.height();
  }
  // Size shown in the document; the stored goal and scale are kept when they
  // still give it, so a picture nobody resized is written as it was read.
  const int shownW = f.width() > 0 ? unitsToTwips(f.width()) : pixelsToTwips(picw, kUnitsPerInch);
  const int shownH = f.height() > 0 ? unitsToTwips(f.height()) : pixelsToTwips(pich, kUnitsPerInch);
  int goalW = f.intProperty(PicGoalWidthTwips);
  int goalH = f.intProperty(PicGoalHeightTwips);
  int scaleX = f.hasProperty(PicScaleX) ? f.intProperty(PicScaleX) : 100;
  int scaleY = f.hasProperty(PicScaleY) ? f.intProperty(PicScaleY) : 100;
  if (scaleX <= 0) scaleX = 100;
  if (scaleY <= 0) scaleY = 100;
  // Readers show the goal size less the cropped margins, then scaled.
  const int cropL = f.intProperty(PicCropLeftTwips), cropT = f.intProperty(PicCropTopTwips);
  const int cropR = f.intProperty(PicCropRightTwips), cropB = f.intProperty(PicCropBottomTwips);
  auto near = [](qint64 a, qint64 b) { return std::abs(a - b) <= kTwipsPerUnit; };
  if (goalW <= 0 || goalH <= 0 || !near((qint64(goalW) - cropL - cropR) * scaleX / 100, shownW) ||
      !near((qint64(goalH) - cropT - cropB) * scaleY / 100, shownH)) {
    goalW = int(std::clamp<qint64>(qint64(shownW) + cropL + cropR, 1, 1 << 24));
    goalH = int(std::clamp<qint64>(qint64(shownH) + cropT + cropB, 1, 1 << 24));
    scaleX = scaleY = 100;
  }
  RtfEmitter &w = body_;
  w.open();
  w.word("pict");
  w.word(type == PicJpeg ? "jpegblip" : "pngblip");
  w.word("picw", picw);
  w.word("pich", pich);
  w.word("picwgoal", goalW);
  w.word("pichgoal", goalH);
  if (scaleX != 100) w.word("picscalex", scaleX);
  if (scaleY != 100) w.word("picscaley", scaleY);
  if (cropL) w.word("piccropl", cropL);
  if (cropT) w.word("piccropt", cropT);
  if (cropR) w.word("piccropr", cropR);
  if (cropB) w.word("piccropb", cropB);
  w.hexData(blip);
  w.close();
}

const DocumentWriter::FormatWords &DocumentWriter::formatWords(int index) {
  auto it = formatCache_.find(index);
  if (it != formatCache_.end()) return it->second;
  FormatWords f;
  const QTextCharFormat cf = doc_.allFormats().at(index).toCharFormat();
  f.props = charProps(charFormatFromQt(cf), &f.charset);
  f.image = cf.isImageFormat();
  f.fieldInst = cf.stringProperty(CharFieldInst);
  f.fieldId = f.fieldInst.isEmpty() ? 0 : cf.intProperty(CharFieldId);
  return formatCache_.emplace(index, std::move(f)).first->second;
}

void DocumentWriter::writeBlock(const QTextBlock &block, int blockPos, int from, int to, End end) {
  RtfEmitter &w = body_;
  // Paragraph formats are shared like character formats: each one's record
  // and words are made once.
  auto pc = paraCache_.find(block.blockFormatIndex());
  if (pc == paraCache_.end()) {
    ParaWords pw;
    pw.record = paraFormatFromQt(block.blockFormat());
    RtfEmitter props;
    writeParagraphProps(props, pw.record);
    pw.props = props.take();
    pc = paraCache_.emplace(block.blockFormatIndex(), std::move(pw)).first;
  }
  const ParaFormat &para = pc->second.record;
  w.word("pard");
  if (end != End::Body) w.word("intbl");
  if (para.wNumbering != 0)
    writeNumbering(block, para);
  else
    counter_.reset();
  w.words(pc->second.props);
  w.word("plain");

  const QByteArray *runProps = nullptr;
  int runCharset = 0;
  auto closeRun = [&] {
    if (runProps) w.close();
    runProps = nullptr;
  };
  // A field's result runs stand in "{\field{\*\fldinst{...}}{\fldrslt ...}}".
  int fieldId = 0;
  QString fieldInst;
  bool fieldOpen = false;
  auto closeField = [&] {
    closeRun();
    if (fieldOpen) {
      w.close();
      w.close();
    }
    fieldOpen = false;
  };
  auto enterField = [&](const FormatWords &f) {
    const QString &inst = f.fieldInst;
    if (fieldOpen == !inst.isEmpty() && f.fieldId == fieldId && inst == fieldInst) return;
    closeField();
    fieldId = f.fieldId;
    fieldInst = inst;
    if (inst.isEmpty()) return;
    w.open();
    w.word("field");
    // The instruction in a group of its own, as the Windows control writes
    // it: some readers find the field's kind only there.
    w.starGroup("fldinst");
    w.open();
    w.text(inst, 0);
    w.close();
    w.close();
    w.open();
    w.word("fldrslt");
    fieldOpen = true;
  };

  // Fragments follow each other: their positions are counted from the
  // block's, and their text is taken from the document's text.
  int fs = blockPos;
  for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
    const QTextFragment frag = it.fragment();
    if (!frag.isValid()) continue;
    const int length = frag.length();
    const int fe = fs + length;
    const int s = qMax(fs, from);
    const int e = qMin(fe, to);
    fs = fe;
    if (s >= e) continue;
    const QStringView text = QStringView(rawText_).mid(s, e - s);
    const int index = frag.charFormatIndex();
    const FormatWords &fw = formatWords(index);
    if (fw.image && options_.withoutObjects) continue;
    enterField(fw);
    if (fw.image) {
      closeRun();
      const QTextImageFormat img = frag.charFormat().toImageFormat();
      const QByteArray object = wellFormedObjectGroup(img.property(ObjRawGroup).toByteArray());
      // A picture or object has a character format of its own (its size
      // and font count for the line it stands in): a group gives it.
      for (QChar ch : text) {
        if (ch != QChar::ObjectReplacementCharacter) continue;
        w.open();
        w.words(fw.props);
        if (!object.isEmpty()) w.verbatim(object);
        else writePicture(img);  // a picture, or an object whose kept bytes are broken
        w.close();
      }
      continue;
    }
    if (!runProps || (runProps != &fw.props && *runProps != fw.props)) {
      closeRun();
      w.open();
      w.words(fw.props);
      runProps = &fw.props;
      runCharset = fw.charset;
    }
    w.text(text, runCharset);
  }
  closeField();

  const int breakPos = blockPos + block.length() - 1;
  const int markIndex = block.charFormatIndex();
  if (end == End::CellEnd) {
    // The cell mark ends the cell's last paragraph, also outside a selection:
    // the row keeps its cells.
    w.words(formatWords(markIndex).props);
    w.word("cell");
  } else if (breakPos >= from && breakPos < to) {
    // The paragraph mark keeps its own character format (the size of an
    // empty line).
    w.words(formatWords(markIndex).props);
    w.word("par");
    w.newline();
  }
}

void DocumentWriter::writeFrame(const QTextFrame *frame, int from, int to) {
  int next = -1;  // where the next block starts, while blocks follow each other
  for (QTextFrame::iterator it = frame->begin(); !it.atEnd(); ++it) {
    if (const QTextFrame *child = it.currentFrame()) {
      next = -1;
      if (child->lastPosition() < from || child->firstPosition() > to) continue;
      if (const auto *table = qobject_cast<const QTextTable *>(child)) writeTable(table, from, to);
      else writeFrame(child, from, to);
      continue;
    }
    const QTextBlock b = it.currentBlock();
    const int pos = next >= 0 ? next : b.position();
    next = pos + b.length();
    if (next <= from || pos >= to) continue;
    writeBlock(b, pos, from, to);
  }
}

void DocumentWriter::writeBorder(const char *side, const QList<int> &borders, int index) {
  if (borders.size() < 12) return;
  const int style = borders[index * 3], width = borders[index * 3 + 1], colour = borders[index * 3 + 2];
  if (style <= 0) return;
  RtfEmitter &w = body_;
  w.word(side);
  static const char *const styles[] = {"brdrnone", "brdrs", "brdrth", "brdrdb", "brdrdot", "brdrdash"};
  w.word(style < 6 ? styles[style] : "brdrs");
  if (width > 0) w.word("brdrw", width);
  if (colour >= 0) w.word("brdrcf", colorIndex(ColorRef(colour)));
}

// A table goes out row by row: the row's definition (cell boundaries,
// merges, borders), then each cell's paragraphs ended by \cell, then \row.
// Rows outside a selection are left out; cells added to square the table
// when it was read are not written.
void DocumentWriter::writeTable(const QTextTable *table, int from, int to) {
  RtfEmitter &w = body_;
  const QTextTableFormat tf = table->format();
  const QList<QTextLength> widths = tf.columnWidthConstraints();
  for (int r = 0; r < table->rows(); ++r) {
    const int rowStart = table->cellAt(r, 0).firstPosition() - 1;
    const int rowEnd = table->cellAt(r, table->columns() - 1).lastPosition();
    if (rowEnd < from || rowStart >= to) continue;
    counter_.reset();
    const QTextTableCellFormat first = table->cellAt(r, 0).format().toTableCellFormat();
    w.word("trowd");
    if (int v = first.intProperty(RowGapTwips)) w.word("trgaph", v);
    const int left = first.intProperty(RowLeftTwips);
    if (left) w.word("trleft", left);
    if (int v = first.intProperty(RowHeightTwips)) w.word("trrh", v);
    switch (first.intProperty(RowAlign)) {
    case 1: w.word("trqr"); break;
    case 2: w.word("trqc"); break;
    default: break;
    }
    std::vector<QTextTableCell> cells;
    int right = left;
    for (int c = 0; c < table->columns(); ++c) {
      const QTextTableCell cell = table->cellAt(r, c);
      if (cell.row() != r || cell.column() != c) continue;  // covered by a span
      const QTextTableCellFormat cf = cell.format().toTableCellFormat();
      if (cf.boolProperty(CellFiller)) continue;
      const int merge = cf.intProperty(CellMerge);
      if (merge & 1) w.word("clmgf");
      if (merge & 2) w.word("clmrg");
      if (merge & 4) w.word("clvmgf");
      if (merge & 8) w.word("clvmrg");
      switch (cf.intProperty(CellVAlign)) {
      case 1: w.word("clvertalc"); break;
      case 2: w.word("clvertalb"); break;
      default: break;
      }
      const QList<int> borders = cf.property(CellBorders).value<QList<int>>();
      writeBorder("clbrdrt", borders, 0);
      writeBorder("clbrdrl", borders, 1);
      writeBorder("clbrdrb", borders, 2);
      writeBorder("clbrdrr", borders, 3);
      if (cf.hasProperty(CellRightTwips)) {
        right = cf.intProperty(CellRightTwips);
      } else {
        // A table made here: the columns' widths, else an inch each.
        int width = 1440;
        for (int k = c; k < c + cell.columnSpan() && k < widths.size(); ++k)
          if (widths[k].type() == QTextLength::FixedLength) width = unitsToTwips(widths[k].rawValue());
        right += width;
      }
      w.word("cellx", right);
      cells.push_back(cell);
    }
    for (const QTextTableCell &cell : cells) {
      const int last = cell.lastPosition();
      QTextBlock b = doc_.findBlock(cell.firstPosition());
      while (b.isValid() && b.position() <= last) {
        const QTextBlock next = b.next();
        const bool lastOfCell = !next.isValid() || next.position() > last;
        writeBlock(b, b.position(), from, to, lastOfCell ? End::CellEnd : End::InCell);
        b = next;
      }
    }
    w.word("row");
    w.newline();
  }
  counter_.reset();
}

void DocumentWriter::writeHeader(RtfEmitter &h) const {
  h.open();
  h.word("rtf1");
  h.word("ansi");
  h.word("ansicpg", 1252);
  // \deff names the default face, or, when some text has no face of its
  // own, a number the font table leaves free, so that text reads back without one.
  h.word("deff", faceless_ ? int(fonts_.size()) : 0);
  h.word("deftab", kDefaultTabTwips);
  h.open();
  h.word("fonttbl");
  for (size_t i = 0; i < fonts_.size(); ++i) {
    const FontEntry &f = fonts_[i];
    h.open();
    h.word("f", int(i));
    static const char *const families[] = {"fnil", "froman", "fswiss", "fmodern", "fscript", "fdecor"};
    const int family = (f.pitchAndFamily >> 4) & 0x0F;
    h.word(family < 6 ? families[family] : "fnil");
    if (f.pitchAndFamily & 3) h.word("fprq", f.pitchAndFamily & 3);
    h.word("fcharset", f.charset);
    h.fontName(f.face, f.charset);
    h.raw(";");
    h.close();
  }
  h.close();
  h.newline();
  h.open();
  h.word("colortbl");
  h.raw(" ;");
  for (ColorRef c : colors_) {
    h.word("red", int(c & 0xFF));
    h.word("green", int((c >> 8) & 0xFF));
    h.word("blue", int((c >> 16) & 0xFF));
    h.raw(";");
  }
  h.close();
  h.newline();
  if (!lists_.empty()) {
    h.starGroup("listtable");
    for (size_t i = 0; i < lists_.size(); ++i) {
      const NumberingKey &k = lists_[i].key;
      const int id = int(i + 1);
      int font = 0;
      for (size_t j = 0; j < fonts_.size(); ++j)
        if (fonts_[j] == FontEntry{k.fontFace.isEmpty() ? defaultFace_ : k.fontFace, k.fontCharset, 0})
          font = int(j);
      h.open();
      h.word("list");
      h.word("listtemplateid", id);
      h.word("listsimple");
      h.open();
      h.word("listlevel");
      h.word("levelnfc", listLevelNfc(k.numbering));
      h.word("leveljc", 0);
      h.word("levelfollow", 0);
      h.word("levelstartat", k.start);
      writeLevelText(h, k);
      h.word("f", font);
      h.close();
      h.word("listid", id);
      h.close();
    }
    h.close();
    h.newline();
    h.starGroup("listoverridetable");
    for (size_t i = 0; i < lists_.size(); ++i) {
      h.open();
      h.word("listoverride");
      h.word("listid", int(i + 1));
      h.word("listoverridecount", 0);
      h.word("ls", int(i + 1));
      h.close();
    }
    h.close();
    h.newline();
  }
  h.word("viewkind", 4);
  h.word("uc", 1);
}

QByteArray DocumentWriter::write() {
  int from = 0;
  int to = doc_.characterCount();
  if (options_.selectionOnly) {
    from = qBound(0, qMin(options_.selectionStart, options_.selectionEnd), to);
    to = qBound(0, qMax(options_.selectionStart, options_.selectionEnd), to);
  }
  if (from < to) {
    rawText_ = doc_.toRawText();
    body_.reserve(rawText_.size() + rawText_.size() / 4 + 1024);
    writeFrame(doc_.rootFrame(), from, to);
  }
  RtfEmitter out;
  writeHeader(out);
  QByteArray result = out.take();
  result += body_.bytes();
  result += "}\r\n";
  return result;
}

} // namespace

QByteArray writeRtf(const QTextDocument &document, const RtfWriteOptions &options) {
  DocumentWriter writer(document, options);
  return writer.write();
}

} // namespace qel::re
