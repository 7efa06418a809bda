#include "platform/richedit/rtfreader.h"

#include "platform/richedit/formatrecords.h"
#include "platform/richedit/rtfread_core.h"
#include "platform/richedit/textprops.h"
#include "platform/richedit/units.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextOption>
#include <QTextTable>
#include <QUrl>

#include <atomic>
#include <functional>

namespace qel::re {

using namespace rtf;

namespace {

struct CharStateHash {
  size_t operator()(const CharState &c) const {
    size_t h = std::hash<qint64>()((qint64(c.font) << 32) ^ (qint64(c.sizeHp) << 16) ^ c.effects);
    h ^= std::hash<qint64>()((qint64(c.fg) << 32) ^ (qint64(c.bg) << 8) ^ c.ul) * 31;
    h ^= std::hash<qint64>()((qint64(c.offsetHp) << 40) ^ (qint64(c.spacingTw) << 20) ^ c.lang) * 131;
    return h;
  }
};

struct CharRecordHash {
  size_t operator()(const CharFormat &r) const {
    size_t h = qHash(r.szFaceName);
    auto mix = [&h](quint64 v) { h = (h ^ std::hash<quint64>()(v)) * 1099511628211ull; };
    mix((quint64(r.mask) << 32) | r.effects);
    mix((quint64(quint32(r.yHeight)) << 32) | quint32(r.yOffset));
    mix((quint64(r.crTextColor) << 32) | r.crBackColor);
    mix((quint64(quint32(r.bCharSet)) << 32) | quint32(r.bPitchAndFamily));
    mix((quint64(quint32(r.wWeight)) << 32) | quint32(r.sSpacing));
    mix((quint64(quint32(r.lcid)) << 32) | quint32(r.sStyle));
    mix((quint64(quint32(r.wKerning)) << 32) | quint32(r.bUnderlineType));
    mix((quint64(quint32(r.bAnimation)) << 32) | quint32(r.bRevAuthor));
    return h;
  }
};

// Formats made from records, kept across documents: bodies of one card file
// use the same few formats, and a format Qt has seen keeps its hash.
const QTextCharFormat &cachedCharFormat(const CharFormat &record) {
  thread_local std::unordered_map<CharFormat, QTextCharFormat, CharRecordHash> cache;
  auto it = cache.find(record);
  if (it != cache.end()) return it->second;
  if (cache.size() >= 512) cache.clear();
  QTextCharFormat f;
  applyCharFormat(record, f);
  return cache.emplace(record, f).first->second;
}

QImage frameImage() {
  static const QImage frame = [] {
    QImage img(32, 32, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setPen(QColor(128, 128, 128));
    p.drawRect(0, 0, 31, 31);
    return img;
  }();
  return frame;
}

// An object's text result drawn in a frame, in the object's character format.
QImage textImage(const QString &text, const QTextCharFormat &format) {
  const QFont font = format.font();
  const QFontMetrics metrics(font);
  const QRect bounds = metrics.boundingRect(QRect(0, 0, 2000, 2000), Qt::TextWordWrap, text);
  const QSize size(std::clamp(bounds.width() + 6, 8, 2000), std::clamp(bounds.height() + 6, 8, 2000));
  QImage img(size, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setPen(QColor(128, 128, 128));
  p.drawRect(0, 0, size.width() - 1, size.height() - 1);
  p.setFont(font);
  p.setPen(Qt::black);
  p.drawText(QRect(3, 3, size.width() - 6, size.height() - 6), Qt::TextWordWrap, text);
  return img;
}

// The address of a HYPERLINK field instruction ('HYPERLINK "url" \\l "place"'
// or 'HYPERLINK url'); empty for other fields. A place in the target
// document (\l) is added as its fragment.
QString hyperlinkAddress(const QString &instruction) {
  QStringView v(instruction);
  v = v.trimmed();
  if (!v.startsWith(QLatin1String("HYPERLINK"), Qt::CaseInsensitive)) return {};
  v = v.mid(9);
  auto token = [&v]() {
    v = v.trimmed();
    QString out;
    if (v.startsWith(QLatin1Char('"'))) {
      qsizetype i = 1;
      for (; i < v.size() && v.at(i) != QLatin1Char('"'); ++i) {
        if (v.at(i) == QLatin1Char('\\') && i + 1 < v.size() && v.at(i + 1) == QLatin1Char('\\')) ++i;  // "\\" is one
        out.append(v.at(i));
      }
      v = v.mid(std::min(i + 1, v.size()));
    } else {
      qsizetype i = 0;
      while (i < v.size() && !v.at(i).isSpace()) ++i;
      out = v.left(i).toString();
      v = v.mid(i);
    }
    return out;
  };
  QString address, place;
  while (!v.trimmed().isEmpty()) {
    v = v.trimmed();
    if (v.startsWith(QLatin1String("\\l"))) {
      v = v.mid(2);
      place = token();
    } else if (v.startsWith(QLatin1Char('\\'))) {
      v = v.mid(std::min<qsizetype>(2, v.size()));  // another switch; its argument, if any, is read as one
      if (!v.trimmed().startsWith(QLatin1Char('\\'))) token();
    } else if (address.isEmpty()) {
      address = token();
    } else {
      token();
    }
  }
  if (!place.isEmpty()) address += QLatin1Char('#') + place;
  return address;
}

QString nextImageName() {
  static std::atomic<quint64> counter{0};
  return QStringLiteral("%1:%2").arg(QLatin1String(kImageResourceScheme)).arg(++counter);
}

// Builds the document: text of the current paragraph is gathered with its
// runs and written through the cursor when the paragraph ends.
class DocSink {
public:
  static constexpr bool kWantsPictures = true;

  DocSink(QTextCursor &cursor, bool whole) : cursor_(cursor), whole_(whole) {
    if (!whole_) {
      origBlock_ = cursor_.blockFormat();
      origBlockChar_ = cursor_.blockCharFormat();
    }
  }

  void setTables(const Tables *t) { t_ = t; }

  void text(const char16_t *s, qsizetype n, const CharState &cs) {
    if (runs_.empty() || lastWasObject_ || !(cs == lastCs_)) {
      runs_.push_back(Run{para_.size(), formatIndex(cs)});
      lastCs_ = cs;
      lastWasObject_ = false;
    }
    para_.append(reinterpret_cast<const QChar *>(s), n);
  }

  qsizetype paragraphOffset() const { return para_.size(); }
  // Paragraphs of a table cell were ended since its last cell mark.
  bool cellHasParagraphs() const { return table_ && !cell_.empty(); }

  void insertText(qsizetype offset, const QString &s, const CharState &cs) {
    if (s.isEmpty()) return;
    offset = std::clamp<qsizetype>(offset, 0, para_.size());
    const int fmt = formatIndex(cs);
    para_.insert(offset, s);
    std::vector<Run> runs;
    runs.reserve(runs_.size() + 2);
    bool placed = false;
    for (size_t i = 0; i < runs_.size(); ++i) {
      const Run &r = runs_[i];
      const qsizetype next = i + 1 < runs_.size() ? runs_[i + 1].start : para_.size() - s.size();
      if (r.start < offset && offset < next) {  // the run is split by the insertion
        runs.push_back(r);
        runs.push_back(Run{offset, fmt});
        runs.push_back(Run{offset + s.size(), r.format});
        placed = true;
        continue;
      }
      if (!placed && r.start >= offset) {
        runs.push_back(Run{offset, fmt});
        placed = true;
      }
      runs.push_back(Run{r.start >= offset ? r.start + s.size() : r.start, r.format});
    }
    if (!placed) runs.push_back(Run{offset, fmt});
    runs_ = std::move(runs);
    lastWasObject_ = true;  // the next text starts a run of its own
  }

  void paragraphEnd(const ParaState &pa, const CharState &mark) {
    if (table_) {
      cell_.push_back(takeParagraph(pa, mark));
      return;
    }
    flushRuns();
    cursor_.setBlockFormat(blockFormat(pa));
    cursor_.setBlockCharFormat(formats_[size_t(formatIndex(mark))]);
    if (whole_) cursor_.insertBlock();
    else cursor_.insertBlock(origBlock_, origBlockChar_);
  }

  // A table starts after the current paragraph, which the pending paragraph
  // mark (if any) ends; its rows are gathered and the table built at its end.
  void tableBegin(bool pending, const ParaState &pa, const CharState &mark) {
    flushRuns();
    // A paste keeps the format of the paragraph it lands in unless a
    // paragraph mark of its own ends it.
    if (pending || whole_) {
      cursor_.setBlockFormat(blockFormat(pa));
      cursor_.setBlockCharFormat(formats_[size_t(formatIndex(mark))]);
    }
    table_ = true;
    rows_.clear();
    row_ = Row{};
    cell_.clear();
  }

  void cellEnd(const ParaState &pa, const CharState &mark) {
    cell_.push_back(takeParagraph(pa, mark));
    row_.cells.push_back(std::move(cell_));
    cell_.clear();
  }

  void rowEnd(const RowDef &def) {
    row_.def = def;
    rows_.push_back(std::move(row_));
    row_ = Row{};
  }

  void tableEnd();

  void finish(const ParaState &pa, const CharState &mark, bool /*hadFinalMark*/) {
    flushRuns();
    if (whole_) {
      cursor_.setBlockFormat(blockFormat(pa));
      cursor_.setBlockCharFormat(formats_[size_t(formatIndex(mark))]);
    }
  }

  void picture(PictureData &&pd, const CharState &cs) {
    QTextImageFormat f = imageFormat(pd, cs);
    addObjectChar(f);
  }

  void object(QByteArray &&raw, const QString &cls, PictureData *result, const QString &resultText, qint32 w, qint32 h,
              const CharState &cs) {
    QTextImageFormat f;
    if (result) {
      f = imageFormat(*result, cs);
    } else {
      f = baseImageFormat(cs);
      const QString name = nextImageName();
      QImage shown = resultText.isEmpty() ? frameImage() : textImage(resultText, f);
      cursor_.document()->addResource(QTextDocument::ImageResource, QUrl(name), shown);
      f.setName(name);
      const bool fromText = !resultText.isEmpty();
      f.setWidth(w > 0 ? twipsToUnits(w) : fromText ? shown.width() : twipsToUnits(1440));
      f.setHeight(h > 0 ? twipsToUnits(h) : fromText ? shown.height() : twipsToUnits(1440));
    }
    if (!raw.isEmpty()) f.setProperty(ObjRawGroup, raw);
    if (!cls.isEmpty()) f.setProperty(ObjClass, cls);
    addObjectChar(f);
  }

private:
  struct Run {
    qsizetype start;
    int format;
  };
  struct Paragraph {
    QString text;
    std::vector<Run> runs;
    QTextBlockFormat block;
    int mark = 0;
  };
  struct Row {
    std::vector<std::vector<Paragraph>> cells;
    RowDef def;
  };

  Paragraph takeParagraph(const ParaState &pa, const CharState &mark) {
    Paragraph p{std::move(para_), std::move(runs_), blockFormat(pa), formatIndex(mark)};
    para_.clear();
    runs_.clear();
    lastWasObject_ = false;
    return p;
  }

  void insertRuns(QTextCursor &c, const QString &text, const std::vector<Run> &runs) {
    for (size_t i = 0; i < runs.size(); ++i) {
      const qsizetype start = runs[i].start;
      const qsizetype stop = i + 1 < runs.size() ? runs[i + 1].start : text.size();
      if (stop > start) c.insertText(QString::fromRawData(text.constData() + start, stop - start), formats_[size_t(runs[i].format)]);
    }
  }

  QTextImageFormat baseImageFormat(const CharState &cs) {
    QTextImageFormat f;
    f.merge(formats_[size_t(formatIndex(cs))]);
    return f;
  }

  QTextImageFormat imageFormat(const PictureData &pd, const CharState &cs) {
    QTextImageFormat f = baseImageFormat(cs);
    const QImage image = decodePicture(pd);
    const QSize twips = pictureSizeTwips(pd, image);
    const QString name = nextImageName();
    cursor_.document()->addResource(QTextDocument::ImageResource, QUrl(name), image.isNull() ? frameImage() : image);
    f.setName(name);
    f.setWidth(twipsToUnits(twips.width()));
    f.setHeight(twipsToUnits(twips.height()));
    f.setProperty(PicBlip, pd.data);
    f.setProperty(PicBlipType, pd.type);
    auto setIf = [&f](int prop, int value, int absent) {
      if (value != absent) f.setProperty(prop, value);
    };
    setIf(PicWidth, pd.picw, 0);
    setIf(PicHeight, pd.pich, 0);
    setIf(PicGoalWidthTwips, pd.goalW, 0);
    setIf(PicGoalHeightTwips, pd.goalH, 0);
    f.setProperty(PicScaleX, pd.scaleX);
    f.setProperty(PicScaleY, pd.scaleY);
    setIf(PicCropLeftTwips, pd.cropL, 0);
    setIf(PicCropTopTwips, pd.cropT, 0);
    setIf(PicCropRightTwips, pd.cropR, 0);
    setIf(PicCropBottomTwips, pd.cropB, 0);
    if (pd.type == PicWmf) f.setProperty(PicMetafileMapMode, pd.mapMode);
    if (pd.type == PicBitmap) {
      f.setProperty(PicBitsPerPixel, pd.bitsPerPixel);
      f.setProperty(PicBitmapPlanes, pd.planes);
      f.setProperty(PicBitmapWidthBytes, pd.widthBytes);
    }
    return f;
  }

  void addObjectChar(const QTextImageFormat &f) {
    runs_.push_back(Run{para_.size(), int(formats_.size())});
    formats_.push_back(f);
    para_.append(QChar::ObjectReplacementCharacter);
    lastWasObject_ = true;
  }

  int formatIndex(const CharState &cs) {
    auto it = charCache_.find(cs);
    if (it != charCache_.end()) return it->second;
    const int index = int(formats_.size());
    formats_.push_back(cachedCharFormat(charRecordOf(cs)));
    if (cs.field > 0 && size_t(cs.field) < t_->fields.size()) {
      // The result of a field: it keeps its instruction, and a link its address.
      QTextCharFormat &f = formats_.back();
      const QString &instruction = t_->fields[size_t(cs.field)];
      f.setProperty(CharFieldInst, instruction);
      f.setProperty(CharFieldId, cs.field);
      const QString address = hyperlinkAddress(instruction);
      if (!address.isEmpty()) {
        f.setAnchor(true);
        f.setAnchorHref(address);
      }
    }
    charCache_.emplace(cs, index);
    return index;
  }

  CharFormat charRecordOf(const CharState &cs) const {
    CharFormat r;
    r.mask = CFM_ALL2 & ~CFM_LINK;
    r.effects = cs.effects;
    if (cs.ul != CFU_UNDERLINENONE) r.effects |= CFE_UNDERLINE;
    r.bUnderlineType = cs.ul;
    r.yHeight = cs.sizeHp * 10;
    r.yOffset = cs.offsetHp * 10;
    const qint64 fg = t_->colour(cs.fg);
    if (fg < 0) r.effects |= CFE_AUTOCOLOR;
    else r.crTextColor = ColorRef((fg >> 16) & 0xFF) | ColorRef(fg & 0xFF00) | (ColorRef(fg & 0xFF) << 16);
    const qint64 bg = t_->colour(cs.bg);
    if (bg < 0) r.effects |= CFE_AUTOBACKCOLOR;
    else r.crBackColor = ColorRef((bg >> 16) & 0xFF) | ColorRef(bg & 0xFF00) | (ColorRef(bg & 0xFF) << 16);
    if (const FontEntry *font = t_->font(cs.font)) {
      r.szFaceName = font->name.left(31);
      r.bCharSet = font->charset < 0 ? 0 : font->charset;
      r.bPitchAndFamily = font->pitchFamily;
    } else {
      r.mask &= ~(CFM_FACE | CFM_CHARSET);
    }
    r.wWeight = (cs.effects & CFE_BOLD) ? 700 : 400;
    r.sSpacing = cs.spacingTw;
    r.wKerning = cs.kernHp * 10;
    r.lcid = cs.lang;
    r.sStyle = cs.style;
    r.bAnimation = cs.animation;
    r.bRevAuthor = cs.revAuthor;
    return r;
  }

  QTextBlockFormat blockFormat(const ParaState &pa) {
    for (const auto &[state, format] : blockCache_)
      if (state == pa) return format;
    QTextBlockFormat f;
    applyParaFormat(paraRecordOf(pa, *t_), f);
    const Numbering n = numberingOf(pa, *t_);
    if (n.numbering) {
      if (!n.before.isEmpty()) f.setProperty(ParaNumberTextBefore, n.before);
      if (!n.after.isEmpty()) f.setProperty(ParaNumberTextAfter, n.after);
      if (n.font >= 0) {
        if (const FontEntry *font = t_->font(n.font)) {
          f.setProperty(ParaNumberFontFace, font->name);
          f.setProperty(ParaNumberFontCharset, font->charset < 0 ? 0 : font->charset);
        }
      }
      if (n.fsHp > 0) f.setProperty(ParaNumberFontSizeTwips, n.fsHp * 10);
    }
    if (blockCache_.size() >= 64) blockCache_.erase(blockCache_.begin());
    blockCache_.emplace_back(pa, f);
    return f;
  }

  void flushRuns() {
    insertRuns(cursor_, para_, runs_);
    runs_.clear();
    para_.clear();
    lastWasObject_ = false;
  }

  QTextCursor &cursor_;
  const bool whole_;
  const Tables *t_ = nullptr;
  QTextBlockFormat origBlock_;
  QTextCharFormat origBlockChar_;
  QString para_;
  std::vector<Run> runs_;
  std::vector<QTextCharFormat> formats_;
  std::unordered_map<CharState, int, CharStateHash> charCache_;
  std::vector<std::pair<ParaState, QTextBlockFormat>> blockCache_;
  CharState lastCs_;
  bool lastWasObject_ = false;
  bool table_ = false;
  std::vector<Row> rows_;
  Row row_;
  std::vector<Paragraph> cell_;
};

QList<int> bordersOf(const CellDef &c) {
  QList<int> out;
  for (const BorderDef &b : c.borders) {
    out << b.style << b.width;
    out << (b.colour < 0 ? -1 : int((b.colour >> 16) & 0xFF) | int(b.colour & 0xFF00) | (int(b.colour & 0xFF) << 16));
  }
  return out;
}

void DocSink::tableEnd() {
  table_ = false;
  if (!cell_.empty()) {
    row_.cells.push_back(std::move(cell_));
    cell_.clear();
  }
  if (!row_.cells.empty()) rows_.push_back(std::move(row_));
  row_ = Row{};
  if (rows_.empty()) {
    cursor_.insertBlock();
    return;
  }
  int columns = 1;
  for (const Row &r : rows_) columns = std::max(columns, int(r.cells.size()));
  const RowDef &first = rows_.front().def;
  QTextTableFormat tf;
  tf.setBorder(0);
  tf.setCellSpacing(0);
  tf.setCellPadding(twipsToUnits(first.gap));
  tf.setAlignment(first.align == 2 ? Qt::AlignHCenter : first.align == 1 ? Qt::AlignRight : Qt::AlignLeft);
  if (int(first.cells.size()) == columns) {
    QList<QTextLength> widths;
    int left = first.left;
    for (const CellDef &c : first.cells) {
      widths << QTextLength(QTextLength::FixedLength, twipsToUnits(std::max(c.right - left, 15)));
      left = c.right;
    }
    tf.setColumnWidthConstraints(widths);
  }
  QTextTable *table = cursor_.insertTable(int(rows_.size()), columns, tf);
  for (int r = 0; r < int(rows_.size()); ++r) {
    const Row &row = rows_[size_t(r)];
    for (int c = 0; c < columns; ++c) {
      QTextTableCell cell = table->cellAt(r, c);
      // A cell's format and its first paragraph's mark are one character's format.
      const std::vector<Paragraph> *paras = c < int(row.cells.size()) ? &row.cells[size_t(c)] : nullptr;
      QTextTableCellFormat cf = cell.format().toTableCellFormat();
      if (paras && !paras->empty()) cf.merge(formats_[size_t(paras->front().mark)]);
      if (!paras) {
        cf.setProperty(CellFiller, true);
        cell.setFormat(cf);
        continue;
      }
      if (c == 0) {
        if (row.def.gap) cf.setProperty(RowGapTwips, row.def.gap);
        if (row.def.left) cf.setProperty(RowLeftTwips, row.def.left);
        if (row.def.height) cf.setProperty(RowHeightTwips, row.def.height);
        if (row.def.align) cf.setProperty(RowAlign, int(row.def.align));
      }
      if (c < int(row.def.cells.size())) {
        const CellDef &d = row.def.cells[size_t(c)];
        cf.setProperty(CellRightTwips, d.right);
        if (d.merge) cf.setProperty(CellMerge, int(d.merge));
        if (d.valign) {
          cf.setProperty(CellVAlign, int(d.valign));
          cf.setVerticalAlignment(d.valign == 1 ? QTextCharFormat::AlignMiddle : QTextCharFormat::AlignBottom);
        }
        bool anyBorder = false;
        for (const BorderDef &b : d.borders) anyBorder |= b.style != 0;
        if (anyBorder) {
          cf.setProperty(CellBorders, QVariant::fromValue(bordersOf(d)));
          auto show = [](const BorderDef &b, auto setWidth, auto setStyle, auto setBrush, QTextTableCellFormat &f) {
            if (b.style == 0) return;
            (f.*setWidth)(twipsToUnits(std::max<int>(b.width, 15)));
            QTextFrameFormat::BorderStyle st = QTextFrameFormat::BorderStyle_Solid;
            if (b.style == 3) st = QTextFrameFormat::BorderStyle_Double;
            else if (b.style == 4) st = QTextFrameFormat::BorderStyle_Dotted;
            else if (b.style == 5) st = QTextFrameFormat::BorderStyle_Dashed;
            (f.*setStyle)(st);
            (f.*setBrush)(b.colour < 0 ? QBrush(Qt::black) : QBrush(QColor::fromRgb(QRgb(b.colour))));
          };
          show(d.borders[0], &QTextTableCellFormat::setTopBorder, &QTextTableCellFormat::setTopBorderStyle,
               &QTextTableCellFormat::setTopBorderBrush, cf);
          show(d.borders[1], &QTextTableCellFormat::setLeftBorder, &QTextTableCellFormat::setLeftBorderStyle,
               &QTextTableCellFormat::setLeftBorderBrush, cf);
          show(d.borders[2], &QTextTableCellFormat::setBottomBorder, &QTextTableCellFormat::setBottomBorderStyle,
               &QTextTableCellFormat::setBottomBorderBrush, cf);
          show(d.borders[3], &QTextTableCellFormat::setRightBorder, &QTextTableCellFormat::setRightBorderStyle,
               &QTextTableCellFormat::setRightBorderBrush, cf);
        }
      }
      QTextCursor cc = cell.firstCursorPosition();
      for (size_t i = 0; i < paras->size(); ++i) {
        const Paragraph &p = (*paras)[i];
        if (i > 0) cc.insertBlock(p.block, formats_[size_t(p.mark)]);
        else cc.setBlockFormat(p.block);
        insertRuns(cc, p.text, p.runs);
      }
      cell.setFormat(cf);
    }
  }
  rows_.clear();
  cursor_.setPosition(table->lastPosition() + 1);
}

// Gathers only the text, as the document would hold it.
class PlainSink {
public:
  static constexpr bool kWantsPictures = false;

  explicit PlainSink(QString &out) : out_(out), to_(&out) {}

  void text(const char16_t *s, qsizetype n, const CharState &) {
    const qsizetype at = to_->size();
    to_->append(reinterpret_cast<const QChar *>(s), n);
    if (std::find(s, s + n, char16_t(0x2028)) != s + n) lineEnds(at, n);
  }
  qsizetype paragraphOffset() const { return to_->size() - paraStart_; }
  bool cellHasParagraphs() const { return to_ == &cell_ && paraStart_ > 0; }
  void insertText(qsizetype offset, const QString &s, const CharState &) {
    const qsizetype at = paraStart_ + std::clamp<qsizetype>(offset, 0, to_->size() - paraStart_);
    to_->insert(at, s);
    lineEnds(at, s.size());
  }
  void paragraphEnd(const ParaState &, const CharState &) {
    to_->append(QLatin1Char('\n'));
    paraStart_ = to_->size();
  }
  // A table reads as its rows, one line each with the cells apart by tabs,
  // after the paragraph before it and followed by a line end (the places of
  // the document's cell and table marks); it is written when it ends, as the
  // document squares it to its widest row.
  void tableBegin(bool, const ParaState &, const CharState &) {
    rows_.clear();
    row_.clear();
    cell_.clear();
    to_ = &cell_;
    paraStart_ = 0;
  }
  void cellEnd(const ParaState &, const CharState &) {
    row_.push_back(std::move(cell_));
    cell_.clear();
    paraStart_ = 0;
  }
  void rowEnd(const RowDef &) {
    rows_.push_back(std::move(row_));
    row_.clear();
  }
  void tableEnd() {
    if (!cell_.isEmpty()) row_.push_back(std::move(cell_));
    if (!row_.empty()) rows_.push_back(std::move(row_));
    cell_.clear();
    row_.clear();
    size_t columns = 1;
    for (const auto &r : rows_) columns = std::max(columns, r.size());
    for (const auto &r : rows_) {
      out_.append(QLatin1Char('\n'));
      for (size_t c = 0; c < columns; ++c) {
        if (c > 0) out_.append(QLatin1Char('\t'));
        if (c < r.size()) out_.append(r[c]);
      }
    }
    out_.append(QLatin1Char('\n'));
    rows_.clear();
    to_ = &out_;
    paraStart_ = out_.size();
  }
  void finish(const ParaState &, const CharState &, bool) {}
  void picture(PictureData &&, const CharState &) { to_->append(QChar::ObjectReplacementCharacter); }
  void object(QByteArray &&, const QString &, PictureData *, const QString &, qint32, qint32, const CharState &) {
    to_->append(QChar::ObjectReplacementCharacter);
  }

private:
  // A line break inside a paragraph reads as a line end, as in documentPlainText.
  void lineEnds(qsizetype at, qsizetype n) {
    for (qsizetype i = at; i < at + n; ++i)
      if (to_->at(i) == QChar::LineSeparator) (*to_)[i] = QLatin1Char('\n');
  }

  QString &out_;
  QString *to_;
  qsizetype paraStart_ = 0;
  std::vector<std::vector<QString>> rows_;
  std::vector<QString> row_;
  QString cell_;
};

} // namespace

bool isRtf(const char *data, qsizetype size) {
  return size >= 5 && std::memcmp(data, "{\\rtf", 5) == 0;
}

bool readRtf(const QByteArray &rtf, QTextDocument *document) {
  if (!document || !isRtf(rtf)) return false;
  const bool undo = document->isUndoRedoEnabled();
  document->setUndoRedoEnabled(false);
  document->clear();
  {
    QTextCursor cursor(document);
    // Inside an edit block the cursor does not lay out each line it touches.
    cursor.beginEditBlock();
    DocSink sink(cursor, true);
    Parser<DocSink> parser(rtf.constData(), rtf.size(), sink, true);
    sink.setTables(&parser.tables());
    parser.run();
    cursor.endEditBlock();
    // The body's default tab distance, else the control's: never one left by the previous body.
    // Setting the option lays the whole body out again, so only a change is set.
    QTextOption option = document->defaultTextOption();
    const int deftab = parser.tables().deftab > 0 ? parser.tables().deftab : kDefaultTabTwips;
    if (option.tabStopDistance() != twipsToUnits(deftab)) {
      option.setTabStopDistance(twipsToUnits(deftab));
      document->setDefaultTextOption(option);
    }
  }
  document->setUndoRedoEnabled(undo);
  return true;
}

bool insertRtf(const QByteArray &rtf, QTextCursor &cursor) {
  if (cursor.isNull() || !isRtf(rtf)) return false;
  cursor.beginEditBlock();
  cursor.removeSelectedText();
  {
    DocSink sink(cursor, false);
    Parser<DocSink> parser(rtf.constData(), rtf.size(), sink, false);
    sink.setTables(&parser.tables());
    parser.run();
  }
  cursor.endEditBlock();
  return true;
}

bool rtfToPlainText(const char *data, qsizetype size, QString &text) {
  text.clear();
  if (!isRtf(data, size)) return false;
  text.reserve(size / 2);
  PlainSink sink(text);
  Parser<PlainSink> parser(data, size, sink, true);
  parser.run();
  text.squeeze();
  return true;
}

namespace {

// The characters QTextDocument keeps where a frame (a table) and each of its
// cells start, and where it ends.
constexpr char16_t kFrameStart = 0xFDD0;
constexpr char16_t kFrameEnd = 0xFDD1;

// The marks of tables: a cell's start is a line end in the row's first
// column and a tab elsewhere; the table's end is a line end.
void tableMarks(const QTextFrame *frame, QString &text) {
  for (const QTextFrame *child : frame->childFrames()) {
    if (const auto *table = qobject_cast<const QTextTable *>(child)) {
      for (int r = 0; r < table->rows(); ++r)
        for (int c = 0; c < table->columns(); ++c) {
          const QTextTableCell cell = table->cellAt(r, c);
          const int at = cell.firstPosition() - 1;
          if (cell.row() == r && cell.column() == c && at >= 0 && at < text.size())
            text[at] = c == 0 ? QLatin1Char('\n') : QLatin1Char('\t');
        }
    }
    tableMarks(child, text);
  }
}

} // namespace

QString documentPlainText(const QTextDocument *document) {
  if (!document) return {};
  QString text = document->toRawText();
  bool frames = false;
  for (QChar &c : text) {
    const char16_t u = c.unicode();
    if (u == QChar::ParagraphSeparator || u == QChar::LineSeparator) c = QLatin1Char('\n');
    else if (u == kFrameStart || u == kFrameEnd) {
      c = QLatin1Char('\n');
      frames = true;
    }
  }
  if (frames) tableMarks(document->rootFrame(), text);
  return text;
}

} // namespace qel::re
