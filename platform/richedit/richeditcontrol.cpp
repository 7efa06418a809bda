#include "platform/richedit/richeditcontrol.h"
#include "platform/richedit/textsearch.h"

#include "platform/codepage.h"
#include "platform/richedit/rtfreader.h"
#include "platform/richedit/rtfwriter.h"
#include "platform/richedit/textprops.h"
#include "platform/richedit/units.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFragment>
#include <QTextLayout>
#include <QTextList>
#include <QTimer>
#include <QUrl>
#include <algorithm>

namespace qel::re {

namespace {

// Our RTF reader, unless a test or tool puts another in its place.
RtfReadFunction &rtfReaderSlot() {
  static RtfReadFunction reader = [](const QByteArray &rtf, QTextCursor &cursor) { return insertRtf(rtf, cursor); };
  return reader;
}
RtfDocumentReadFunction &rtfDocReaderSlot() {
  static RtfDocumentReadFunction reader = [](const QByteArray &rtf, QTextDocument *doc) { return readRtf(rtf, doc); };
  return reader;
}

constexpr char16_t kParagraph = 0x2029;
constexpr char16_t kLineSep = 0x2028;
constexpr char16_t kObject = 0xFFFC;
constexpr char16_t kFrameStart = 0xFDD0;
constexpr char16_t kFrameEnd = 0xFDD1;

bool isWordChar(QChar c) { return isFindWordChar(c); }

// Our line breaks as the document holds them.
QString toDocumentText(const QString &text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c == QLatin1Char('\r')) {
      if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) ++i;
      out.append(QChar(kParagraph));
    } else if (c == QLatin1Char('\n')) {
      out.append(QChar(kParagraph));
    } else if (c == QLatin1Char('\v')) {
      out.append(QChar(kLineSep));
    } else if (c == QChar(kObject) || c.unicode() == 0) {
      // An object character without its object would break the position count.
      continue;
    } else {
      out.append(c);
    }
  }
  return out;
}

QString fromDocumentText(QString s) {
  s.replace(QChar(kParagraph), QLatin1Char('\r'));
  // The marks where a table and its cells start and where it ends break lines as well.
  s.replace(QChar(kFrameStart), QLatin1Char('\r'));
  s.replace(QChar(kFrameEnd), QLatin1Char('\r'));
  s.replace(QChar(kLineSep), QLatin1Char('\v'));
  return s;
}

bool isObjectFormat(const QTextCharFormat &f) { return f.isImageFormat(); }

QTextListFormat::Style listStyleFor(int numbering) {
  switch (numbering) {
    case PFN_ARABIC: return QTextListFormat::ListDecimal;
    case PFN_LCLETTER: return QTextListFormat::ListLowerAlpha;
    case PFN_UCLETTER: return QTextListFormat::ListUpperAlpha;
    case PFN_LCROMAN: return QTextListFormat::ListLowerRoman;
    case PFN_UCROMAN: return QTextListFormat::ListUpperRoman;
    default: return QTextListFormat::ListDisc;
  }
}

} // namespace

// The left margin strip in which a click selects the line beside it.
class SelectionBarWidget : public QWidget {
public:
  explicit SelectionBarWidget(RichEditControl *edit) : QWidget(edit), edit_(edit) {
    setCursor(Qt::ArrowCursor);
  }

protected:
  void mousePressEvent(QMouseEvent *e) override {
    if (e->button() != Qt::LeftButton) return;
    const QPoint vp(0, int(e->position().y()));
    QTextCursor c = edit_->cursorForPosition(vp);
    c.movePosition(QTextCursor::StartOfLine);
    c.movePosition(QTextCursor::EndOfLine, QTextCursor::KeepAnchor);
    if (c.position() < edit_->textLength()) c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    edit_->setTextCursor(c);
    edit_->setFocus(Qt::MouseFocusReason);
  }
  void paintEvent(QPaintEvent *) override {
    QPainter p(this);
    p.fillRect(rect(), edit_->viewport()->palette().color(QPalette::Base));
  }

private:
  RichEditControl *edit_;
};

void RichEditControl::setRtfReader(RtfReadFunction insert, RtfDocumentReadFunction whole) {
  if (insert) rtfReaderSlot() = std::move(insert);
  if (whole) rtfDocReaderSlot() = std::move(whole);
}

RichEditControl::RichEditControl(QWidget *parent) : QTextEdit(parent) {
  setAcceptRichText(false);  // our own paste path; Qt's HTML never comes in
  setUndoRedoEnabled(true);
  QTextDocument *doc = document();
  doc->setDocumentMargin(2);
  QTextOption opt = doc->defaultTextOption();
  opt.setTabStopDistance(twipsToUnits(kDefaultTabTwips));
  doc->setDefaultTextOption(opt);
  setTabStopDistance(twipsToUnits(kDefaultTabTwips));
  QFont f = font();
  defaultFormat_.setFontFamilies(QStringList{f.family()});
  defaultFormat_.setFontPointSize(f.pointSizeF() > 0 ? f.pointSizeF() : 10);
  doc->setDefaultFont(f);
  setCurrentCharFormat(defaultFormat_);

  connect(doc, &QTextDocument::contentsChanged, this, [this] { onContentsChanged(); });
  connect(doc, &QTextDocument::undoCommandAdded, this, [this] { onUndoCommandAdded(); });
  connect(this, &QTextEdit::cursorPositionChanged, this, [this] { onCursorMoved(); });
  connect(this, &QTextEdit::selectionChanged, this, [this] { onCursorMoved(); });
  connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { releaseClipboard(); });
  setMouseTracking(true);
  viewport()->setMouseTracking(true);
  updateSelectionPalette();
  clearUndo();
}

RichEditControl::~RichEditControl() { releaseClipboard(); }

// ---- text and positions ----------------------------------------------------

int RichEditControl::textLength() const { return std::max(0, document()->characterCount() - 1); }

QString RichEditControl::text() const { return textRange(0, -1); }

void RichEditControl::setText(const QString &text) {
  pending_.reset();
  QTextCursor c(document());
  c.beginEditBlock();
  c.select(QTextCursor::Document);
  c.removeSelectedText();
  c.setBlockFormat(QTextBlockFormat());
  c.setBlockCharFormat(defaultFormat_);
  c.insertText(toDocumentText(text), defaultFormat_);
  c.endEditBlock();
  // Setting the whole text starts afresh, as loading does.
  clearUndo();
  document()->setModified(false);
  QTextCursor start(document());
  setTextCursor(start);
}

QString RichEditControl::textRange(int start, int end) const {
  const int len = textLength();
  if (end < 0 || end > len) end = len;
  start = std::clamp(start, 0, len);
  if (end <= start) return QString();
  QTextCursor c(document());
  c.setPosition(start);
  c.setPosition(end, QTextCursor::KeepAnchor);
  return fromDocumentText(c.selectedText());
}

void RichEditControl::getSel(int &start, int &end) const {
  const QTextCursor c = textCursor();
  start = c.selectionStart();
  end = c.selectionEnd();
}

void RichEditControl::setSel(int start, int end) {
  const int len = textLength();
  QTextCursor c = textCursor();
  if (start < 0) {
    c.setPosition(c.selectionEnd());
  } else {
    if (end < 0 || end > len) end = len;
    start = std::min(start, len);
    c.setPosition(start);
    c.setPosition(end, QTextCursor::KeepAnchor);
  }
  setTextCursor(c);
}

int RichEditControl::selStart() const { return textCursor().selectionStart(); }
int RichEditControl::selLength() const {
  const QTextCursor c = textCursor();
  return c.selectionEnd() - c.selectionStart();
}
QString RichEditControl::selText() const {
  const QTextCursor c = textCursor();
  return textRange(c.selectionStart(), c.selectionEnd());
}

void RichEditControl::scrollCaret() { ensureCursorVisible(); }

int RichEditControl::selectionType() const {
  const QTextCursor c = textCursor();
  const int s = c.selectionStart(), e = c.selectionEnd();
  if (s == e) return SEL_EMPTY;
  int objects = 0, chars = 0;
  for (QTextBlock b = document()->findBlock(s); b.isValid() && b.position() < e; b = b.next()) {
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextFragment frag = it.fragment();
      const int fs = std::max(frag.position(), s), fe = std::min(frag.position() + frag.length(), e);
      if (fe <= fs) continue;
      if (isObjectFormat(frag.charFormat())) objects += fe - fs;
      else chars += fe - fs;
    }
    const int brk = b.position() + b.length() - 1;
    if (brk >= s && brk < e) ++chars;
  }
  int t = 0;
  if (chars > 0) t |= SEL_TEXT;
  if (chars > 1) t |= SEL_MULTICHAR;
  if (objects > 0) t |= SEL_OBJECT;
  if (objects > 1) t |= SEL_MULTIOBJECT;
  return t;
}

QTextCharFormat RichEditControl::formatAt(int pos) const {
  const QTextBlock b = document()->findBlock(pos);
  if (!b.isValid()) return QTextCharFormat();
  for (auto it = b.begin(); !it.atEnd(); ++it) {
    const QTextFragment f = it.fragment();
    if (pos >= f.position() && pos < f.position() + f.length()) return f.charFormat();
  }
  return b.charFormat();
}

QTextCharFormat RichEditControl::resolved(const QTextCharFormat &f) const {
  QTextCharFormat r = defaultFormat_;
  r.merge(f);
  // A colour of the text's own wins over the default's automatic colour
  // (the automatic flag is only ever stored as set).
  if (f.hasProperty(QTextFormat::ForegroundBrush) && !f.boolProperty(CharAutoColor)) r.clearProperty(CharAutoColor);
  if (f.hasProperty(QTextFormat::BackgroundBrush) && !f.boolProperty(CharAutoBackColor))
    r.clearProperty(CharAutoBackColor);
  return r;
}

QTextCharFormat RichEditControl::insertionFormat() const {
  const QTextCursor c = textCursor();
  if (pending_ && !c.hasSelection() && c.position() == pendingPos_) return *pending_;
  const int pos = c.selectionStart();
  const QTextBlock b = document()->findBlock(pos);
  QTextCharFormat f;
  if (pos > b.position()) f = formatAt(pos - 1);
  else if (b.length() > 1) f = formatAt(pos);
  else f = b.charFormat();
  if (f.isImageFormat()) {
    // Text typed beside a picture takes its text attributes, not the image.
    QTextCharFormat plain = f;
    plain.setObjectType(QTextFormat::NoObject);
    for (int p : {int(QTextFormat::ImageName), int(QTextFormat::ImageWidth), int(QTextFormat::ImageHeight),
                  int(PicBlip), int(PicBlipType), int(PicWidth), int(PicHeight), int(PicGoalWidthTwips),
                  int(PicGoalHeightTwips), int(PicScaleX), int(PicScaleY), int(ObjRawGroup), int(ObjClass)})
      plain.clearProperty(p);
    f = QTextCharFormat(plain);
  }
  return resolved(f);
}

void RichEditControl::insertTextAt(QTextCursor &cursor, const QString &text, const QTextCharFormat &format) {
  const QString doc = toDocumentText(text);
  if (doc.isEmpty()) return;
  cursor.insertText(doc, format);
}

void RichEditControl::replaceSel(const QString &text, bool /*canUndo*/) {
  QTextCursor c = textCursor();
  const QTextCharFormat f = plainMode_ ? defaultFormat_ : insertionFormat();
  c.beginEditBlock();
  if (c.hasSelection()) c.removeSelectedText();
  insertTextAt(c, text, f);
  c.endEditBlock();
  pending_.reset();
  setTextCursor(c);
}

void RichEditControl::insertPicture(const QImage &image) {
  if (image.isNull()) return;
  QByteArray png;
  {
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    image.save(&buf, "PNG");
  }
  // Shown at its own resolution (96 dpi when it names none).
  const int dpmX = image.dotsPerMeterX() > 0 ? image.dotsPerMeterX() : 3780;
  const int dpmY = image.dotsPerMeterY() > 0 ? image.dotsPerMeterY() : 3780;
  const int wTwips = int(std::lround(image.width() * 1440.0 / (dpmX * 0.0254)));
  const int hTwips = int(std::lround(image.height() * 1440.0 / (dpmY * 0.0254)));
  const QString name = QStringLiteral("%1:%2-%3").arg(QLatin1String(kImageResourceScheme)).arg(quintptr(this)).arg(++imageCounter_);
  document()->addResource(QTextDocument::ImageResource, QUrl(name), image);
  QTextImageFormat f;
  f.merge(insertionFormat());
  f.setObjectType(QTextFormat::ImageObject);
  f.setName(name);
  f.setWidth(twipsToUnits(wTwips));
  f.setHeight(twipsToUnits(hTwips));
  f.setProperty(PicBlip, png);
  f.setProperty(PicBlipType, int(PicPng));
  f.setProperty(PicWidth, image.width());
  f.setProperty(PicHeight, image.height());
  f.setProperty(PicGoalWidthTwips, wTwips);
  f.setProperty(PicGoalHeightTwips, hTwips);
  QTextCursor c = textCursor();
  c.beginEditBlock();
  if (c.hasSelection()) c.removeSelectedText();
  c.insertText(QString(QChar(kObject)), f);
  c.endEditBlock();
  pending_.reset();
  setTextCursor(c);
}

// ---- lines -----------------------------------------------------------------

int RichEditControl::lineCount() const { return document()->blockCount(); }

int RichEditControl::lineIndex(int line) const {
  if (line < 0) line = textCursor().block().blockNumber();
  const QTextBlock b = document()->findBlockByNumber(line);
  return b.isValid() ? b.position() : -1;
}

int RichEditControl::lineLength(int charPos) const {
  const QTextBlock b = charPos < 0 ? textCursor().block() : document()->findBlock(std::min(charPos, textLength()));
  return b.isValid() ? b.length() - 1 : 0;
}

QString RichEditControl::line(int index) const {
  const QTextBlock b = document()->findBlockByNumber(index);
  if (!b.isValid()) return QString();
  return textRange(b.position(), b.position() + b.length() - 1);
}

int RichEditControl::lineFromChar(int charPos) const {
  if (charPos < 0) charPos = textCursor().selectionStart();
  const QTextBlock b = document()->findBlock(std::min(charPos, textLength()));
  return b.isValid() ? b.blockNumber() : 0;
}

// ---- formats ---------------------------------------------------------------

std::pair<int, int> RichEditControl::wordRangeAt(int pos) const {
  const QTextBlock b = document()->findBlock(pos);
  const QString t = b.text();
  int i = pos - b.position();
  int s = i, e = i;
  while (s > 0 && isWordChar(t.at(s - 1))) --s;
  while (e < t.size() && isWordChar(t.at(e))) ++e;
  return {b.position() + s, b.position() + e};
}

CharFormat RichEditControl::charFormat(int scope) const {
  if (scope == SCF_DEFAULT) return charFormatFromQt(defaultFormat_);
  QTextCursor c = textCursor();
  int s = c.selectionStart(), e = c.selectionEnd();
  if (scope & SCF_ALL) {
    s = 0;
    e = textLength();
  } else if ((scope & SCF_WORD) && s == e) {
    std::tie(s, e) = wordRangeAt(s);
  }
  if (s == e) return charFormatFromQt(insertionFormat());
  bool first = true;
  CharFormat acc;
  // Fragments share a few formats: each format is folded in once.
  std::vector<int> seen;
  for (QTextBlock b = document()->findBlock(s); b.isValid() && b.position() < e; b = b.next()) {
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextFragment frag = it.fragment();
      if (frag.position() + frag.length() <= s || frag.position() >= e) continue;
      const int index = frag.charFormatIndex();
      if (std::find(seen.begin(), seen.end(), index) != seen.end()) continue;
      seen.push_back(index);
      const CharFormat r = charFormatFromQt(resolved(frag.charFormat()));
      if (first) acc = r, first = false;
      else intersectCharFormat(acc, r);
    }
  }
  if (first) return charFormatFromQt(insertionFormat());
  return acc;
}

void RichEditControl::applyCharRecord(const CharFormat &record, int s, int e) {
  QTextCursor c(document());
  c.beginEditBlock();
  // A record that only sets properties (bold, a size, a face...) is the same
  // as merging what it sets into every fragment: one merge over the range
  // then serves, which on a long text is far quicker than a write per
  // fragment. Each distinct format is checked once.
  QTextCharFormat delta;
  applyCharFormat(record, delta);
  bool mergeable = true;
  bool any = false;
  std::vector<int> checked;
  auto check = [&](int index, const QTextCharFormat &before) {
    if (std::find(checked.begin(), checked.end(), index) != checked.end()) return;
    checked.push_back(index);
    QTextCharFormat merged = before, applied = before;
    merged.merge(delta);
    applyCharFormat(record, applied);
    if (!(merged == applied)) mergeable = false;
  };
  for (QTextBlock b = document()->findBlock(s); mergeable && b.isValid() && b.position() < e; b = b.next()) {
    for (auto it = b.begin(); mergeable && !it.atEnd(); ++it) {
      const QTextFragment frag = it.fragment();
      if (std::min(frag.position() + frag.length(), e) <= std::max(frag.position(), s)) continue;
      any = true;
      check(frag.charFormatIndex(), frag.charFormat());
    }
    const int brk = b.position() + b.length() - 1;
    if (brk >= s && brk < e) {
      any = true;
      check(b.charFormatIndex(), b.charFormat());
    }
  }
  if (mergeable && any) {
    c.setPosition(s);
    c.setPosition(e, QTextCursor::KeepAnchor);
    c.mergeCharFormat(delta);
    c.endEditBlock();
    return;
  }
  // Collect first: changing formats re-cuts the fragments.
  struct Piece { int s, e; QTextCharFormat f; };
  std::vector<Piece> pieces;
  for (QTextBlock b = document()->findBlock(s); b.isValid() && b.position() < e; b = b.next()) {
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextFragment frag = it.fragment();
      const int fs = std::max(frag.position(), s), fe = std::min(frag.position() + frag.length(), e);
      if (fe <= fs) continue;
      QTextCharFormat f = frag.charFormat();
      applyCharFormat(record, f);
      pieces.push_back({fs, fe, f});
    }
    const int brk = b.position() + b.length() - 1;
    if (brk >= s && brk < e) {
      QTextCharFormat f = b.charFormat();
      applyCharFormat(record, f);
      pieces.push_back({brk, brk + 1, f});
    }
  }
  for (const Piece &p : pieces) {
    c.setPosition(p.s);
    c.setPosition(p.e, QTextCursor::KeepAnchor);
    c.setCharFormat(p.f);
  }
  c.endEditBlock();
}

bool RichEditControl::setCharFormat(const CharFormat &record, int scope) {
  if (scope == SCF_DEFAULT) {
    applyCharFormat(record, defaultFormat_);
    QFont f = document()->defaultFont();
    const QStringList fam = defaultFormat_.fontFamilies().toStringList();
    if (!fam.isEmpty()) f.setFamily(fam.first());
    if (defaultFormat_.fontPointSize() > 0) f.setPointSizeF(defaultFormat_.fontPointSize());
    document()->setDefaultFont(f);
    if (textLength() == 0) {
      QTextCursor c(document());
      c.setBlockCharFormat(defaultFormat_);
      setCurrentCharFormat(defaultFormat_);
    }
    return true;
  }
  QTextCursor c = textCursor();
  int s = c.selectionStart(), e = c.selectionEnd();
  if ((scope & SCF_ALL) || plainMode_) {
    s = 0;
    e = textLength();
  } else if ((scope & SCF_WORD) && s == e) {
    std::tie(s, e) = wordRangeAt(s);
  }
  if (s == e && !(scope & SCF_ALL) && !plainMode_) {
    // An empty selection: the attributes wait for the next inserted text.
    QTextCharFormat f = insertionFormat();
    applyCharFormat(record, f);
    pending_ = f;
    pendingPos_ = c.position();
    ++suppressChange_;
    QTextEdit::setCurrentCharFormat(f);
    --suppressChange_;
    return true;
  }
  if (plainMode_ && s == e) {
    applyCharFormat(record, defaultFormat_);
    return true;
  }
  if (record.mask != CFM_PROTECTED && !allowChange(EM_SETCHARFORMAT, s, e)) return false;
  UndoKindScope kind(*this, UID_UNKNOWN);
  applyCharRecord(record, s, e);
  if (plainMode_) applyCharFormat(record, defaultFormat_);
  return true;
}

ParaFormat RichEditControl::paraFormat() const {
  const QTextCursor c = textCursor();
  const int s = c.selectionStart();
  int e = c.selectionEnd();
  QTextBlock b = document()->findBlock(s);
  QTextBlock last = document()->findBlock(e);
  if (e > s && last.position() == e && last != b) last = last.previous();
  ParaFormat acc = paraFormatFromQt(b.blockFormat());
  std::vector<int> seen{b.blockFormatIndex()};  // each paragraph format folded in once
  while (b != last && b.isValid()) {
    b = b.next();
    const int index = b.blockFormatIndex();
    if (std::find(seen.begin(), seen.end(), index) != seen.end()) continue;
    seen.push_back(index);
    intersectParaFormat(acc, paraFormatFromQt(b.blockFormat()));
  }
  return acc;
}

bool RichEditControl::setParaFormat(const ParaFormat &record) {
  QTextCursor sel = textCursor();
  int s = sel.selectionStart(), e = sel.selectionEnd();
  if (plainMode_) {
    s = 0;
    e = textLength();
  }
  QTextBlock first = document()->findBlock(s);
  QTextBlock last = document()->findBlock(e);
  if (e > s && last.position() == e && last != first) last = last.previous();
  if (!allowChange(EM_SETPARAFORMAT, first.position(), last.position() + last.length() - 1)) return false;
  UndoKindScope kind(*this, UID_UNKNOWN);
  QTextCursor c(document());
  c.beginEditBlock();
  for (QTextBlock b = first; b.isValid(); b = b.next()) {
    QTextBlockFormat f = b.blockFormat();
    applyParaFormat(record, f);
    c.setPosition(b.position());
    c.setBlockFormat(f);
    if (b == last) break;
  }
  if (record.mask & (PFM_NUMBERING | PFM_NUMBERINGSTYLE | PFM_NUMBERINGSTART))
    syncNumberingLists(first.blockNumber(), last.blockNumber());
  c.endEditBlock();
  return true;
}

// Bullets and numbers are shown by Qt lists rebuilt from the paragraphs'
// numbering properties; consecutive paragraphs with the same numbering share
// one list so they count on.
void RichEditControl::syncNumberingLists(int fromBlock, int toBlock) {
  QTextDocument *doc = document();
  QTextBlock b = doc->findBlockByNumber(std::max(0, fromBlock - 1));
  const QTextBlock stop = doc->findBlockByNumber(toBlock + 1);
  QTextCursor c(doc);
  QTextList *current = nullptr;
  int currentKey = -1;
  for (; b.isValid(); b = b.next()) {
    const QTextBlockFormat bf = b.blockFormat();
    const int numbering = bf.intProperty(ParaNumbering);
    QTextList *in = b.textList();
    if (numbering == 0) {
      if (in) in->remove(b);
      current = nullptr;
      currentKey = -1;
    } else {
      const int style = bf.intProperty(ParaNumberingStyle);
      const int key = numbering * 0x10000 + style;
      if (!current || currentKey != key) {
        if (in && in->format().intProperty(ParaNumbering) * 0x10000 + in->format().intProperty(ParaNumberingStyle) == key &&
            in->itemNumber(b) == 0) {
          current = in;
        } else {
          QTextListFormat lf;
          lf.setStyle(listStyleFor(numbering));
          // Qt draws the marker left of the first line; with the hanging indent
          // of a bullet paragraph that is left of the page, so the list gets one
          // step of indent to hold it. Only the display moves: the paragraph's
          // own indents stay as read and are written back unchanged.
          lf.setIndent(1);
          lf.setProperty(ParaNumbering, numbering);
          lf.setProperty(ParaNumberingStyle, style);
          if (numbering != PFN_BULLET) {
            switch (style) {
              case PFNS_PARENS: lf.setNumberPrefix(QStringLiteral("(")); lf.setNumberSuffix(QStringLiteral(")")); break;
              case PFNS_PERIOD: lf.setNumberSuffix(QStringLiteral(".")); break;
              case PFNS_PLAIN: case PFNS_NONUMBER: lf.setNumberSuffix(QString()); break;
              default: lf.setNumberSuffix(QStringLiteral(")")); break;
            }
          }
          if (in) in->remove(b);
          c.setPosition(b.position());
          current = c.createList(lf);
          // createList rewrites the block's format; keep our properties on it.
          QTextBlockFormat nf = bf;
          nf.setObjectIndex(current->objectIndex());
          nf.setIndent(0);
          c.setBlockFormat(nf);
        }
        currentKey = key;
      } else if (in != current) {
        if (in) in->remove(b);
        current->add(b);
      }
    }
    if (stop.isValid() && b == stop) break;
  }
}

// ---- state and options -----------------------------------------------------

bool RichEditControl::isModified() const { return document()->isModified(); }
void RichEditControl::setModified(bool modified) { document()->setModified(modified); }

unsigned RichEditControl::setEventMask(unsigned mask) {
  const unsigned old = eventMask_;
  eventMask_ = mask;
  updateLinkOverlay();
  return old;
}

bool RichEditControl::wordWrap() const { return lineWrapMode() != QTextEdit::NoWrap; }
void RichEditControl::setWordWrap(bool on) { setLineWrapMode(on ? QTextEdit::WidgetWidth : QTextEdit::NoWrap); }

int RichEditControl::textMode() const {
  return (plainMode_ ? TM_PLAINTEXT : TM_RICHTEXT) | (undoLimit_ < 2 ? TM_SINGLELEVELUNDO : TM_MULTILEVELUNDO);
}

bool RichEditControl::setTextMode(int mode) {
  if (textLength() > 0) return false;
  if (mode & TM_PLAINTEXT) plainMode_ = true;
  else if (mode & TM_RICHTEXT) plainMode_ = false;
  if (mode & TM_SINGLELEVELUNDO) setUndoLimit(1);
  pending_.reset();
  return true;
}

void RichEditControl::setSelectionBar(bool on) {
  selectionBar_ = on;
  if (on && !selectionBarWidget_) selectionBarWidget_ = new SelectionBarWidget(this);
  if (selectionBarWidget_) selectionBarWidget_->setVisible(on);
  setViewportMargins(on ? 8 : 0, 0, 0, 0);
  layoutSelectionBar();
}

void RichEditControl::layoutSelectionBar() {
  if (!selectionBarWidget_) return;
  const QRect vr = viewport()->geometry();
  selectionBarWidget_->setGeometry(vr.left() - 8, vr.top(), 8, vr.height());
}

void RichEditControl::showEvent(QShowEvent *e) {
  QTextEdit::showEvent(e);
  // Links of text loaded while hidden are found when the control shows.
  updateLinkOverlay();
}

void RichEditControl::resizeEvent(QResizeEvent *e) {
  QTextEdit::resizeEvent(e);
  layoutSelectionBar();
}

void RichEditControl::setHideSelection(bool hide) {
  hideSelection_ = hide;
  updateSelectionPalette();
}

void RichEditControl::updateSelectionPalette() {
  QPalette p = palette();
  const QPalette app = QApplication::palette(this);
  if (hideSelection_) {
    p.setColor(QPalette::Inactive, QPalette::Highlight, Qt::transparent);
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Inactive, QPalette::Text));
  } else {
    p.setColor(QPalette::Inactive, QPalette::Highlight, app.color(QPalette::Inactive, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, app.color(QPalette::Inactive, QPalette::HighlightedText));
  }
  setPalette(p);
}

void RichEditControl::setMaxLength(int length) { maxLength_ = length <= 0 ? kDefaultMaxLength : length; }

QColor RichEditControl::backgroundColor() const { return viewport()->palette().color(QPalette::Base); }

void RichEditControl::setBackgroundColor(const QColor &color) {
  QPalette p = palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) p.setColor(group, QPalette::Base, color);
  setPalette(p);
  viewport()->setPalette(p);
  if (selectionBarWidget_) selectionBarWidget_->update();
}

void RichEditControl::setAutoUrlDetect(bool on) {
  autoUrlDetect_ = on;
  linksDirty_ = true;
  updateLinkOverlay();
}

// ---- notifications ---------------------------------------------------------

void RichEditControl::onContentsChanged() {
  linksDirty_ = true;
  if (autoUrlDetect_ && !formatUpdatePending_ && isVisible()) {
    formatUpdatePending_ = true;
    QTimer::singleShot(0, this, [this] {
      formatUpdatePending_ = false;
      updateLinkOverlay();
    });
  }
  if (formatDoc_) formatDoc_.reset();
  if (suppressChange_ == 0 && (eventMask_ & ENM_CHANGE)) notifyChange();
  // Lays the text out now, so a change of its height is reported at once.
  if ((eventMask_ & ENM_REQUESTRESIZE) && resizeRequestWanted()) {
    const int h = int(std::ceil(document()->size().height()));
    if (h != lastHeight_) {
      lastHeight_ = h;
      notifyRequestResize(QRect(0, 0, viewport()->width(), h));
    }
  }
}

void RichEditControl::onCursorMoved() {
  const QTextCursor c = textCursor();
  if (pending_ && (c.hasSelection() || c.position() != pendingPos_)) pending_.reset();
  if (c.anchor() == lastAnchor_ && c.position() == lastPos_) return;
  lastAnchor_ = c.anchor();
  lastPos_ = c.position();
  if (eventMask_ & ENM_SELCHANGE) notifySelectionChange();
}

// An undo or redo may change the formats of the selection without moving it;
// whoever shows those formats learns of it as of a selection change.
void RichEditControl::reportFormatsUnderUnmovedSelection(int anchor, int pos) {
  if (lastAnchor_ != anchor || lastPos_ != pos) return;  // the move was reported
  if (eventMask_ & ENM_SELCHANGE) notifySelectionChange();
}

bool RichEditControl::isRangeProtected(int s, int e) const {
  if (s > e) std::swap(s, e);
  if (s == e) {
    if (s <= 0 || s >= textLength()) return false;
    return formatAt(s - 1).boolProperty(CharProtected) && formatAt(s).boolProperty(CharProtected);
  }
  for (QTextBlock b = document()->findBlock(s); b.isValid() && b.position() < e; b = b.next()) {
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextFragment frag = it.fragment();
      if (frag.position() + frag.length() <= s || frag.position() >= e) continue;
      if (frag.charFormat().boolProperty(CharProtected)) return true;
    }
    const int brk = b.position() + b.length() - 1;
    if (brk >= s && brk < e && b.charFormat().boolProperty(CharProtected)) return true;
  }
  return false;
}

bool RichEditControl::allowChange(unsigned msg, int start, int end, quintptr wParam) {
  if (!(eventMask_ & ENM_PROTECTED)) return true;
  if (!isRangeProtected(start, end)) return true;
  ProtectedChange pc;
  pc.msg = msg;
  pc.wParam = wParam;
  pc.start = std::min(start, end);
  pc.end = std::max(start, end);
  return notifyProtected(pc);
}

// ---- user input ------------------------------------------------------------

bool RichEditControl::checkUserInsert(int incoming) {
  const int after = textLength() - selLength() + incoming;
  if (incoming > 0 && after > maxLength_) {
    QApplication::beep();
    return false;
  }
  return true;
}

void RichEditControl::keyPressEvent(QKeyEvent *e) {
  if (isReadOnly()) {
    QTextEdit::keyPressEvent(e);
    return;
  }
  if (e == QKeySequence::Undo) { undo(); e->accept(); return; }
  if (e == QKeySequence::Redo) { redo(); e->accept(); return; }
  if (e == QKeySequence::Cut) { cut(); e->accept(); return; }
  if (e == QKeySequence::Copy) { copy(); e->accept(); return; }
  if (e == QKeySequence::Paste) { paste(); e->accept(); return; }

  const QTextCursor c = textCursor();
  int s = c.selectionStart(), en = c.selectionEnd();
  const bool deleting = e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Delete ||
                        e == QKeySequence::DeleteStartOfWord || e == QKeySequence::DeleteEndOfWord ||
                        e == QKeySequence::DeleteEndOfLine || e == QKeySequence::DeleteCompleteLine;
  if (deleting) {
    if (s == en) {
      QTextCursor probe = c;
      if (e == QKeySequence::DeleteStartOfWord) probe.movePosition(QTextCursor::PreviousWord, QTextCursor::KeepAnchor);
      else if (e == QKeySequence::DeleteEndOfWord) probe.movePosition(QTextCursor::NextWord, QTextCursor::KeepAnchor);
      else if (e == QKeySequence::DeleteEndOfLine) probe.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
      else if (e->key() == Qt::Key_Backspace) probe.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor);
      else probe.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
      s = probe.selectionStart();
      en = probe.selectionEnd();
    }
    if (s == en) { e->accept(); return; }
    if (!allowChange(WM_KEYDOWN, s, en, quintptr(e->key()))) { e->accept(); return; }
    UndoKindScope kind(*this, UID_DELETE);
    QTextEdit::keyPressEvent(e);
    return;
  }
  const QString t = e->text();
  const bool isReturn = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
  const bool typing = isReturn || (!t.isEmpty() && (t.at(0).isPrint() || (t.at(0) == QLatin1Char('\t') && !tabChangesFocus())) &&
                                   !(e->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)));
  if (typing) {
    if (!allowChange(WM_CHAR, s, en, quintptr(isReturn ? '\r' : t.at(0).unicode()))) { e->accept(); return; }
    if (!checkUserInsert(isReturn ? 1 : int(t.size()))) { e->accept(); return; }
    UndoKindScope kind(*this, UID_TYPING);
    if (pending_ && !c.hasSelection() && c.position() == pendingPos_) {
      // Keep the waiting attributes for what is typed now.
      ++suppressChange_;
      QTextEdit::setCurrentCharFormat(*pending_);
      --suppressChange_;
    }
    QTextEdit::keyPressEvent(e);
    return;
  }
  QTextEdit::keyPressEvent(e);
}

void RichEditControl::inputMethodEvent(QInputMethodEvent *e) {
  if (!e->commitString().isEmpty()) {
    const QTextCursor c = textCursor();
    if (!allowChange(WM_CHAR, c.selectionStart(), c.selectionEnd()) || !checkUserInsert(int(e->commitString().size()))) {
      e->accept();
      return;
    }
  }
  UndoKindScope kind(*this, UID_TYPING);
  QTextEdit::inputMethodEvent(e);
}

void RichEditControl::mousePressEvent(QMouseEvent *e) {
  if (autoUrlDetect_ && (eventMask_ & ENM_LINK) &&
      (e->button() == Qt::LeftButton || e->button() == Qt::RightButton)) {
    const int pos = document()->documentLayout()->hitTest(
        e->position() + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value()), Qt::ExactHit);
    if (pos >= 0) {
      if (const auto link = linkAt(pos)) {
        notifyLink({e->button() == Qt::LeftButton ? WM_LBUTTONDOWN : WM_RBUTTONDOWN, link->start, link->start + link->length});
      }
    }
  }
  QTextEdit::mousePressEvent(e);
}

void RichEditControl::mouseReleaseEvent(QMouseEvent *e) {
  std::optional<LinkRange> link;
  if (autoUrlDetect_ && (eventMask_ & ENM_LINK) &&
      (e->button() == Qt::LeftButton || e->button() == Qt::RightButton)) {
    const int pos = document()->documentLayout()->hitTest(
        e->position() + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value()), Qt::ExactHit);
    if (pos >= 0) link = linkAt(pos);
  }
  QTextEdit::mouseReleaseEvent(e);
  if (link) notifyLink({e->button() == Qt::LeftButton ? WM_LBUTTONUP : WM_RBUTTONUP, link->start, link->start + link->length});
}

void RichEditControl::mouseMoveEvent(QMouseEvent *e) {
  QTextEdit::mouseMoveEvent(e);
  if (!autoUrlDetect_ || !(eventMask_ & ENM_LINK)) return;
  const int pos = document()->documentLayout()->hitTest(
      e->position() + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value()), Qt::ExactHit);
  const auto link = pos >= 0 ? linkAt(pos) : std::nullopt;
  if (link != hoverLink_) {
    hoverLink_ = link;
    viewport()->setCursor(link ? Qt::PointingHandCursor : Qt::IBeamCursor);
  }
}

void RichEditControl::dropEvent(QDropEvent *e) {
  // Moving text out of a protected range needs the same permission as
  // cutting it; without it the text is copied instead.
  if (e->source() == this && e->dropAction() == Qt::MoveAction) {
    const QTextCursor c = textCursor();
    if (c.hasSelection() && !allowChange(WM_CUT, c.selectionStart(), c.selectionEnd())) e->setDropAction(Qt::CopyAction);
  }
  UndoKindScope kind(*this, UID_DRAGDROP);
  QTextEdit::dropEvent(e);
}

std::vector<ContextMenuEntry> RichEditControl::contextMenuEntries() {
  // Undo, cut and paste go through the checks above.
  const bool ro = isReadOnly();
  const bool sel = textCursor().hasSelection();
  return {
      {tr("&Undo"), tr("Takes back the last change"), !ro && canUndo(), [this] { undo(); }},
      {tr("&Redo"), tr("Makes the last change taken back again"), !ro && canRedo(), [this] { redo(); }},
      {},
      {tr("Cu&t"), tr("Moves the selected text to the clipboard"), !ro && sel, [this] { cut(); }},
      {tr("&Copy"), tr("Copies the selected text to the clipboard"), sel, [this] { copy(); }},
      {tr("&Paste"), tr("Puts the clipboard's contents in place of the selection"), !ro && canPaste(),
       [this] { paste(); }},
      {},
      {tr("Select &All"), tr("Selects the whole text"), true, [this] { selectAll(); }},
  };
}

void RichEditControl::contextMenuEvent(QContextMenuEvent *e) {
  const std::vector<ContextMenuEntry> entries = contextMenuEntries();
  if (contextMenuPresenter_) {
    contextMenuPresenter_(e->globalPos(), entries);
    return;
  }
  QMenu menu(this);
  for (const ContextMenuEntry &entry : entries) {
    if (entry.caption.isEmpty())
      menu.addSeparator();
    else
      menu.addAction(entry.caption, this, entry.run)->setEnabled(entry.enabled);
  }
  menu.exec(e->globalPos());
}

// ---- undo ------------------------------------------------------------------

void RichEditControl::onUndoCommandAdded() {
  // One entry per undo step of the document; typing that Qt merges into the
  // step before adds none.
  undoKinds_.push_back(currentKind_);
  redoKinds_.clear();
  if (undoLimit_ > 0 && int(undoKinds_.size()) > undoLimit_)
    undoKinds_.erase(undoKinds_.begin(), undoKinds_.begin() + (int(undoKinds_.size()) - undoLimit_));
  emit undoStateChanged();
}

int RichEditControl::setUndoLimit(int limit) {
  undoLimit_ = std::max(0, limit);
  document()->setUndoRedoEnabled(undoLimit_ > 0);
  if (undoLimit_ == 0) clearUndo();
  else if (int(undoKinds_.size()) > undoLimit_)
    undoKinds_.erase(undoKinds_.begin(), undoKinds_.begin() + (int(undoKinds_.size()) - undoLimit_));
  return undoLimit_;
}

bool RichEditControl::canUndo() const { return !undoKinds_.empty() && document()->isUndoAvailable(); }
bool RichEditControl::canRedo() const { return !redoKinds_.empty() && document()->isRedoAvailable(); }

// The kinds move before the document does: whoever the document's change
// notifications reach already sees the undo and redo kinds in step.
void RichEditControl::undo() {
  if (!canUndo() || isReadOnly()) return;
  pending_.reset();
  redoKinds_.push_back(undoKinds_.back());
  undoKinds_.pop_back();
  const int anchor = lastAnchor_, pos = lastPos_;
  document()->undo();
  ensureCursorVisible();
  emit undoStateChanged();
  reportFormatsUnderUnmovedSelection(anchor, pos);
}

void RichEditControl::redo() {
  if (!canRedo() || isReadOnly()) return;
  pending_.reset();
  undoKinds_.push_back(redoKinds_.back());
  redoKinds_.pop_back();
  const int anchor = lastAnchor_, pos = lastPos_;
  document()->redo();
  ensureCursorVisible();
  emit undoStateChanged();
  reportFormatsUnderUnmovedSelection(anchor, pos);
}

int RichEditControl::undoName() const { return canUndo() ? undoKinds_.back() : UID_UNKNOWN; }
int RichEditControl::redoName() const { return canRedo() ? redoKinds_.back() : UID_UNKNOWN; }

void RichEditControl::clearUndo() {
  document()->clearUndoRedoStacks();
  undoKinds_.clear();
  redoKinds_.clear();
  emit undoStateChanged();
}

// ---- clipboard -------------------------------------------------------------

QMimeData *RichEditControl::createMimeDataFromSelection() const {
  auto *mime = new QMimeData;
  const QTextCursor c = textCursor();
  QString plain = textRange(c.selectionStart(), c.selectionEnd());
  plain.remove(QChar(kObject));
  plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  plain.replace(QLatin1Char('\v'), QLatin1Char('\n'));
  mime->setData(QStringLiteral("text/plain"), plain.toUtf8());
  if (!plainMode_) {
    RtfWriteOptions o;
    o.selectionOnly = true;
    o.selectionStart = c.selectionStart();
    o.selectionEnd = c.selectionEnd();
    mime->setData(QStringLiteral("text/rtf"), writeRtf(*document(), o));
  }
  return mime;
}

bool RichEditControl::mimeHasPicture(const QMimeData &source) const { return source.hasImage(); }

QImage RichEditControl::pictureFromMimeData(const QMimeData &source) const {
  return qvariant_cast<QImage>(source.imageData());
}

bool RichEditControl::canInsertFromMimeData(const QMimeData *source) const {
  if (!source) return false;
  if (plainMode_) return source->hasText();
  return source->hasFormat(QStringLiteral("text/rtf")) || source->hasFormat(QStringLiteral("application/rtf")) ||
         mimeHasPicture(*source) || source->hasText();
}

void RichEditControl::insertFromMimeData(const QMimeData *source) {
  if (!source || isReadOnly()) return;
  const QTextCursor c = textCursor();
  const int kindNow = currentKind_ == UID_UNKNOWN ? UID_PASTE : currentKind_;
  const unsigned msg = kindNow == UID_DRAGDROP ? WM_DROPFILES : WM_PASTE;
  if (!allowChange(msg, c.selectionStart(), c.selectionEnd())) return;
  UndoKindScope kind(*this, kindNow);
  if (!plainMode_) {
    for (const QString &type : {QStringLiteral("text/rtf"), QStringLiteral("application/rtf")}) {
      if (!source->hasFormat(type)) continue;
      const QByteArray rtf = source->data(type);
      QTextCursor at = textCursor();
      const int before = textLength() - (at.selectionEnd() - at.selectionStart());
      if (before >= maxLength_) { QApplication::beep(); return; }
      if (insertRtfAt(rtf, at)) {
        setTextCursor(at);
        return;
      }
    }
    if (mimeHasPicture(*source)) {
      const QImage img = pictureFromMimeData(*source);
      if (!img.isNull()) {
        if (!checkUserInsert(1)) return;
        insertPicture(img);
        return;
      }
    }
  }
  if (source->hasText()) {
    QString t = source->text();
    const int room = maxLength_ - (textLength() - selLength());
    if (room <= 0 && !t.isEmpty()) { QApplication::beep(); return; }
    QString doc = toDocumentText(t);
    if (doc.size() > room) doc.truncate(room);
    QTextCursor at = textCursor();
    const QTextCharFormat f = plainMode_ ? defaultFormat_ : insertionFormat();
    at.beginEditBlock();
    if (at.hasSelection()) at.removeSelectedText();
    at.insertText(doc, f);
    at.endEditBlock();
    setTextCursor(at);
  }
}

bool RichEditControl::insertRtfAt(const QByteArray &rtf, QTextCursor &cursor) {
  const RtfReadFunction &reader = rtfReaderSlot();
  if (!reader) return false;
  if (!rtf.trimmed().startsWith("{\\rtf")) return false;
  // Read into a scratch document first, so bad input leaves ours untouched.
  QTextCursor at = cursor;
  const int firstBlock = document()->findBlock(std::min(cursor.position(), cursor.anchor())).blockNumber();
  at.beginEditBlock();
  const bool ok = reader(rtf, at);
  if (ok) {
    // Bullets and numbers of the inserted paragraphs are shown as those of a
    // whole document are.
    syncNumberingLists(firstBlock, at.block().blockNumber());
  }
  at.endEditBlock();
  if (ok) cursor = at;
  return ok;
}

void RichEditControl::cut() {
  if (isReadOnly()) return;
  const QTextCursor c = textCursor();
  if (!c.hasSelection()) return;
  if (!allowChange(WM_CUT, c.selectionStart(), c.selectionEnd())) return;
  copy();
  UndoKindScope kind(*this, UID_CUT);
  QTextCursor d = textCursor();
  d.removeSelectedText();
  setTextCursor(d);
}

void RichEditControl::copy() {
  const QTextCursor c = textCursor();
  if (!c.hasSelection()) return;
  QMimeData *mime = createMimeDataFromSelection();
  const int t = selectionType();
  clipboardObjects_ = (t & SEL_OBJECT) ? ((t & SEL_MULTIOBJECT) ? 2 : 1) : 0;
  clipboardChars_ = selLength();
  QApplication::clipboard()->setMimeData(mime);
  clipboardData_ = QApplication::clipboard()->mimeData();
}

void RichEditControl::paste() {
  if (isReadOnly()) return;
  const QMimeData *m = QApplication::clipboard()->mimeData();
  if (!canInsertFromMimeData(m)) return;
  UndoKindScope kind(*this, UID_PASTE);
  insertFromMimeData(m);
  ensureCursorVisible();
}

bool RichEditControl::canPaste() const { return canInsertFromMimeData(QApplication::clipboard()->mimeData()); }

void RichEditControl::releaseClipboard() {
  if (!clipboardData_) return;
  QClipboard *cb = QApplication::clipboard();
  const bool ours = cb->mimeData() == clipboardData_;
  clipboardData_ = nullptr;
  if (!ours) return;
  if (!notifySaveClipboard(clipboardObjects_, clipboardChars_)) cb->clear();
}

// ---- streams ---------------------------------------------------------------

bool RichEditControl::streamIn(const QByteArray &data, int format) {
  const bool selection = (format & SFF_SELECTION) != 0;
  const int basic = format & 0x0F;
  const bool rtf = basic == SF_RTF || basic == SF_RTFNOOBJS;
  if (rtf && plainMode_) {
    // Plain-text mode takes no formatting; RTF is refused.
    return false;
  }
  ++suppressChange_;
  bool ok = true;
  if (rtf) {
    if (!rtfReaderSlot() || !data.trimmed().startsWith("{\\rtf")) {
      ok = false;
    } else if (selection) {
      QTextCursor at = textCursor();
      ok = insertRtfAt(data, at);
      if (ok) setTextCursor(at);
    } else {
      // The reader leaves the document untouched when it cannot read.
      ok = rtfDocReaderSlot() && rtfDocReaderSlot()(data, document());
      if (ok) {
        undoKinds_.clear();
        redoKinds_.clear();
      }
    }
  } else {
    QString t;
    if (format & SF_UNICODE) {
      t = QString::fromUtf16(reinterpret_cast<const char16_t *>(data.constData()), data.size() / 2);
    } else {
      t = decodeLegacy(data);
    }
    if (selection) {
      QTextCursor at = textCursor();
      const QTextCharFormat f = plainMode_ ? defaultFormat_ : insertionFormat();
      at.beginEditBlock();
      if (at.hasSelection()) at.removeSelectedText();
      insertTextAt(at, t, f);
      at.endEditBlock();
      setTextCursor(at);
    } else {
      const bool undoOn = document()->isUndoRedoEnabled();
      document()->setUndoRedoEnabled(false);
      setText(t);
      document()->setUndoRedoEnabled(undoOn);
      undoKinds_.clear();
      redoKinds_.clear();
    }
  }
  --suppressChange_;
  if (ok) {
    pending_.reset();
    if (!selection) {
      // Tying bullet paragraphs to their lists is part of loading: it must not
      // leave an undo step that would take a bullet off the loaded card.
      const bool undoOn = document()->isUndoRedoEnabled();
      document()->setUndoRedoEnabled(false);
      syncNumberingLists(0, document()->blockCount());
      document()->setUndoRedoEnabled(undoOn);
      document()->clearUndoRedoStacks();
      document()->setModified(false);
      setTextCursor(QTextCursor(document()));
    }
    if (eventMask_ & ENM_CHANGE) notifyChange();
    emit undoStateChanged();
  }
  return ok;
}

QByteArray RichEditControl::streamOut(int format) const {
  const bool selection = (format & SFF_SELECTION) != 0;
  const int basic = format & 0x0F;
  const QTextCursor c = textCursor();
  const int s = selection ? c.selectionStart() : 0;
  const int e = selection ? c.selectionEnd() : textLength();
  if ((basic == SF_RTF || basic == SF_RTFNOOBJS) && !plainMode_) {
    RtfWriteOptions o;
    o.selectionOnly = selection;
    o.selectionStart = s;
    o.selectionEnd = e;
    o.withoutObjects = basic == SF_RTFNOOBJS;
    return writeRtf(*document(), o);
  }
  QString t = textRange(s, e);
  t.remove(QChar(kObject));
  t.replace(QLatin1Char('\r'), QStringLiteral("\r\n"));
  if (format & SF_UNICODE) return QByteArray(reinterpret_cast<const char *>(t.utf16()), t.size() * 2);
  return encodeLegacy(t);
}

// ---- links -----------------------------------------------------------------

void RichEditControl::rescanLinks() const {
  links_.clear();
  linksDirty_ = false;
  if (!autoUrlDetect_) return;
  for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
    // Hyperlink fields first: their result text need not look like an address.
    QList<LinkRange> fields;
    QString href;
    int id = 0;
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextFragment f = it.fragment();
      const QTextCharFormat cf = f.charFormat();
      const QString h = cf.isAnchor() ? cf.anchorHref() : QString();
      const int fid = cf.intProperty(CharFieldId);
      if (h.isEmpty()) {
        href.clear();
        continue;
      }
      if (h == href && fid == id && !fields.isEmpty() && fields.back().start + fields.back().length == f.position())
        fields.back().length += f.length();
      else
        fields.append({f.position(), f.length()});
      href = h;
      id = fid;
    }
    qsizetype next = 0;
    for (const LinkRange &r : findLinks(b.text())) {
      const LinkRange at{b.position() + r.start, r.length};
      while (next < fields.size() && fields[next].start + fields[next].length <= at.start) links_.append(fields[next++]);
      if (next < fields.size() && fields[next].start < at.start + at.length) continue;  // inside a field's result
      links_.append(at);
    }
    while (next < fields.size()) links_.append(fields[next++]);
  }
}

QString RichEditControl::linkTarget(int start, int end) const {
  QTextCursor c(document());
  c.setPosition(std::clamp(start, 0, textLength()));
  c.movePosition(QTextCursor::NextCharacter);
  const QTextCharFormat cf = c.charFormat();
  if (cf.isAnchor() && !cf.anchorHref().isEmpty()) return cf.anchorHref();
  return textRange(start, end);
}

QList<LinkRange> RichEditControl::links() const {
  if (linksDirty_) rescanLinks();
  return links_;
}

std::optional<LinkRange> RichEditControl::linkAt(int position) const {
  for (const LinkRange &r : links())
    if (position >= r.start && position < r.start + r.length) return r;
  return std::nullopt;
}

void RichEditControl::updateLinkOverlay() {
  // Links are shown as extra selections: neither the document nor the undo
  // stack sees them.
  QList<QTextEdit::ExtraSelection> sels;
  if (autoUrlDetect_ && (eventMask_ & ENM_LINK)) {
    const QColor linkColor = palette().color(QPalette::Link);
    for (const LinkRange &r : links()) {
      QTextEdit::ExtraSelection s;
      s.cursor = QTextCursor(document());
      s.cursor.setPosition(r.start);
      s.cursor.setPosition(r.start + r.length, QTextCursor::KeepAnchor);
      s.format.setForeground(linkColor);
      s.format.setFontUnderline(true);
      sels.append(s);
    }
  }
  setExtraSelections(sels);
}

// ---- find ------------------------------------------------------------------

int RichEditControl::findText(const QString &what, int start, int end, int flags, int *foundEnd) const {
  if (what.isEmpty()) return -1;
  const int len = textLength();
  if (end < 0 || end > len) end = len;
  start = std::clamp(start, 0, len);
  if (start > end) std::swap(start, end);
  const QString hay = textRange(start, end);
  const QString needle = toDocumentText(what).replace(QChar(kParagraph), QLatin1Char('\r'));
  const Qt::CaseSensitivity cs = (flags & FR_MATCHCASE) ? Qt::CaseSensitive : Qt::CaseInsensitive;
  auto wholeWordOk = [&](qsizetype i) {
    if (!(flags & FR_WHOLEWORD)) return true;
    const bool before = i > 0 && isFindWordChar(hay.at(i - 1));
    const bool after = i + needle.size() < hay.size() && isFindWordChar(hay.at(i + needle.size()));
    return !before && !after;
  };
  qsizetype found = -1;
  if (flags & FR_DOWN) {
    // The same matching as the search over bodies that are not loaded.
    found = findForward(hay, needle, 0, flags);
  } else {
    for (qsizetype i = hay.lastIndexOf(needle, -1, cs); i >= 0; i = i > 0 ? hay.lastIndexOf(needle, i - 1, cs) : -1)
      if (wholeWordOk(i)) { found = i; break; }
  }
  if (found < 0) return -1;
  if (foundEnd) *foundEnd = start + int(found + needle.size());
  return start + int(found);
}

// ---- printing --------------------------------------------------------------

void RichEditControl::freeFormatRangeCache() { formatDoc_.reset(); }

int RichEditControl::formatRange(QPainter *painter, const QRect &rc, const QRect &, int cpMin, int cpMax, bool render,
                                 const QSize &targetDpi) {
  const int len = textLength();
  if (cpMax < 0 || cpMax > len) cpMax = len;
  if (cpMin >= cpMax) return len;
  cpMin = std::max(0, cpMin);
  const qreal width = std::max<qreal>(1, twipsToUnits(rc.width()));
  const qreal height = std::max<qreal>(1, twipsToUnits(rc.height()));
  if (!formatDoc_) {
    formatDoc_.reset(document()->clone());
    formatDoc_->setDocumentMargin(0);
    formatDoc_->setTextWidth(width);
  } else if (!qFuzzyCompare(formatDoc_->textWidth(), width)) {
    formatDoc_->setTextWidth(width);
  }
  QTextDocument *doc = formatDoc_.get();
  QAbstractTextDocumentLayout *layout = doc->documentLayout();
  doc->size();  // lays the document out

  QTextBlock b = doc->findBlock(cpMin);
  qreal top = -1;
  qreal bottom = 0;
  int next = cpMax;
  bool any = false;
  for (; b.isValid() && b.position() < cpMax; b = b.next()) {
    const QRectF br = layout->blockBoundingRect(b);
    QTextLayout *tl = b.layout();
    const bool breakBefore = (b.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore) && any;
    if (breakBefore) {
      next = b.position();
      break;
    }
    bool stop = false;
    for (int i = 0; i < tl->lineCount(); ++i) {
      const QTextLine line = tl->lineAt(i);
      const int lineStart = b.position() + line.textStart();
      const int lineEnd = lineStart + line.textLength();
      if (lineEnd <= cpMin && lineEnd < b.position() + b.length() - 1) continue;
      if (lineStart >= cpMax) { next = cpMax; stop = true; break; }
      const qreal lt = br.top() + line.y();
      const qreal lb = lt + line.height();
      if (top < 0) top = lt;
      if (any && lb - top > height) {
        next = std::max(lineStart, cpMin + 1);
        stop = true;
        break;
      }
      any = true;
      bottom = lb;
      // A form feed ends the page after its line; the paragraph mark that
      // ends that line goes with it, so the next page does not open with an
      // empty line.
      // A page cannot end inside a line: a form feed ends it after its line.
      if (b.text().mid(line.textStart(), line.textLength()).contains(QChar(0x0C))) {
        next = lineEnd;
        if (next == b.position() + b.length() - 1) ++next;
        stop = true;
        break;
      }
    }
    if (stop) break;
  }
  if (!any) return std::min(len, cpMin + 1);
  if (render && painter) {
    painter->save();
    const QPaintDevice *dev = painter->device();
    const int dpiX = targetDpi.isValid() ? targetDpi.width() : dev ? dev->logicalDpiX() : kUnitsPerInch;
    const int dpiY = targetDpi.isValid() ? targetDpi.height() : dev ? dev->logicalDpiY() : kUnitsPerInch;
    const qreal sx = dpiX / qreal(kUnitsPerInch);
    const qreal sy = dpiY / qreal(kUnitsPerInch);
    painter->translate(twipsToPixels(rc.left(), dpiX), twipsToPixels(rc.top(), dpiY));
    painter->scale(sx, sy);
    painter->translate(0, -top);
    const QRectF clip(0, top, width, bottom - top);
    painter->setClipRect(clip);
    QAbstractTextDocumentLayout::PaintContext ctx;
    // The lines just above and below the page touch its edges: keep them out
    // of what is drawn, not only out of sight (a PDF holds clipped text).
    constexpr qreal kEdge = 0.01;
    ctx.clip = clip.adjusted(0, kEdge, 0, -kEdge);
    ctx.palette.setColor(QPalette::Text, Qt::black);
    layout->draw(painter, ctx);
    painter->restore();
  }
  return std::min(next, len);
}

} // namespace qel::re
