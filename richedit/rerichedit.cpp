#include "richedit/rerichedit.h"

#include "platform/richedit/textprops.h"
#include "platform/richedit/units.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QScreen>
#include <QScrollBar>
#include <QTextDocument>
#include <QTextBlock>

namespace qel {

int RichEditVersion = 3;
// Registered at start; the ids are fixed, so they hold before that too.
unsigned CF_EMBEDDEDOBJECT = 0xC001;
unsigned CF_LINKSOURCE = 0xC002;
unsigned CF_RTF = 0xC003;
unsigned CF_RTFNOOBJS = 0xC004;

namespace {

struct FormatEntry {
  unsigned id;
  const char *name;
  const char *mime;
};

// Registered formats take ids from 0xC000 on, as registered clipboard
// formats do; the desktop clipboard knows them by MIME type.
const FormatEntry kFormats[] = {
    {0xC001, "Embedded Object", "application/x-qel-embedded-object"},
    {0xC002, "Link Source", "application/x-qel-link-source"},
    {0xC003, "Rich Text Format", "text/rtf"},
    {0xC004, "Rich Text Format Without Objects", "application/x-qel-rtf-without-objects"},
};

} // namespace

void InitRichEditUnit() {
  // The control library is ours and always present: the newest version.
  RichEditVersion = 3;
  CF_EMBEDDEDOBJECT = kFormats[0].id;
  CF_LINKSOURCE = kFormats[1].id;
  CF_RTF = kFormats[2].id;
  CF_RTFNOOBJS = kFormats[3].id;
}

QString ClipboardFormatName(unsigned id) {
  for (const FormatEntry &f : kFormats)
    if (f.id == id) return QString::fromLatin1(f.name);
  return QString();
}

QString ClipboardFormatMime(unsigned id) {
  for (const FormatEntry &f : kFormats)
    if (f.id == id) return QString::fromLatin1(f.mime);
  return QString();
}

// ---- construction ----------------------------------------------------------

TReCustomRichEdit::TReCustomRichEdit(QWidget *parent) : re::RichEditControl(parent) {
  version_ = RichEditVersion;
  lines_ = std::make_unique<TRichEditStrings>(*this);
  lines_->SetVersion(version_);
  lines_->SetLinesUpdatingHook([this](bool on) { LinesUpdating = on; });
  setFocusPolicy(Qt::StrongFocus);  // TabStop
  resize(185, 89);
  if (const QScreen *s = QGuiApplication::primaryScreen()) screenPixelsPerInch_ = int(s->logicalDotsPerInchY());
  setTabChangesFocus(true);  // WantTabs False
  setSelectionBar(true);
  setHideSelection(true);
  applyWindowSettings();
  defAttributesFromFont();
}

TReCustomRichEdit::~TReCustomRichEdit() {
  // Ask about the clipboard while this object's handlers still exist.
  releaseClipboard();
  delete verbMenu_;
}

// What the control is told when its window is made: events, colour, limits,
// options, link detection, undo limit and text mode.
void TReCustomRichEdit::applyWindowSettings() {
  unsigned mask = re::ENM_CHANGE | re::ENM_SELCHANGE | re::ENM_REQUESTRESIZE | re::ENM_PROTECTED;
  if (version_ >= 2) mask |= re::ENM_LINK;
  setEventMask(mask);
  setMaxLength(maxLengthProp_ == 0 ? re::kDefaultMaxLength : maxLengthProp_);
  if (version_ >= 2) {
    setAutoUrlDetect(autoURLDetect_);
    undoLimitProp_ = setUndoLimit(undoLimitProp_);
    setTextMode((plainText_ ? re::TM_PLAINTEXT : re::TM_RICHTEXT) |
                (undoLimitProp_ < 2 ? re::TM_SINGLELEVELUNDO : re::TM_MULTILEVELUNDO));
  } else {
    setAutoUrlDetect(false);
  }
  applyScrollBars();
}

void TReCustomRichEdit::applyScrollBars() {
  const Qt::ScrollBarPolicy shown = hideScrollBars_ ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOn;
  setVerticalScrollBarPolicy((scrollBars_ == ssVertical || scrollBars_ == ssBoth) ? shown : Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(((scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) && !wordWrap()) ? shown
                                                                                                     : Qt::ScrollBarAlwaysOff);
}

void TReCustomRichEdit::defAttributesFromFont() {
  const QFont f = font();
  re::CharFormat r;
  r.mask = re::CFM_SIZE | re::CFM_BOLD | re::CFM_ITALIC | re::CFM_UNDERLINE | re::CFM_STRIKEOUT | re::CFM_FACE |
           re::CFM_COLOR;
  r.yHeight = re::pointsToTwips(f.pointSizeF() > 0 ? f.pointSizeF() : 10);
  r.szFaceName = f.family().left(31);
  r.bPitchAndFamily = f.fixedPitch() ? 1 : 0;
  r.effects = re::CFE_AUTOCOLOR;
  if (f.bold()) r.effects |= re::CFE_BOLD;
  if (f.italic()) r.effects |= re::CFE_ITALIC;
  if (f.underline()) r.effects |= re::CFE_UNDERLINE;
  if (f.strikeOut()) r.effects |= re::CFE_STRIKEOUT;
  r.mask |= re::CFM_WEIGHT;
  r.wWeight = f.weight();
  setCharFormat(r, re::SCF_DEFAULT);
}

void TReCustomRichEdit::changeEvent(QEvent *e) {
  re::RichEditControl::changeEvent(e);
  if (e->type() == QEvent::FontChange) defAttributesFromFont();
}

// ---- properties ------------------------------------------------------------

void TReCustomRichEdit::SetAutoURLDetect(bool v) {
  autoURLDetect_ = v;
  if (version_ >= 2) setAutoUrlDetect(v);
}

void TReCustomRichEdit::SetHideScrollBars(bool v) {
  hideScrollBars_ = v;
  applyScrollBars();
}

void TReCustomRichEdit::SetScrollBars(TScrollStyle v) {
  scrollBars_ = v;
  applyScrollBars();
}

void TReCustomRichEdit::SetWordWrap(bool v) {
  setWordWrap(v);
  applyScrollBars();
}

void TReCustomRichEdit::SetUndoLimit(int v) {
  undoLimitProp_ = v;
  if (version_ >= 2) undoLimitProp_ = setUndoLimit(v);
}

void TReCustomRichEdit::SetMaxLength(int v) {
  maxLengthProp_ = v;
  setMaxLength(v == 0 ? re::kDefaultMaxLength : v);
}

// ---- selection and text ----------------------------------------------------

void TReCustomRichEdit::SetSelStart(int v) {
  setSel(v, v);
}

void TReCustomRichEdit::SetSelLength(int v) {
  const int s = selStart();
  setSel(s, s + std::max(0, v));
  scrollCaret();
}

int TReCustomRichEdit::GetSelTextBuf(QChar *buffer, int bufSize) const {
  if (!buffer || bufSize <= 0) return 0;
  const QString t = selText();
  const int n = std::min<int>(bufSize, int(t.size()));
  std::copy(t.constBegin(), t.constBegin() + n, buffer);
  return n;
}

QPoint TReCustomRichEdit::CaretPos() const {
  int s = 0, e = 0;
  getSel(s, e);
  const int line = lineFromChar(e);
  return QPoint(e - lineIndex(line), line);
}

void TReCustomRichEdit::Clear() {
  // Objects have no running server here; releasing them is dropping them.
  setText(QString());
  setModified(false);
}

// The control's EM_REPLACESEL handling: the inserted text ends selected and
// the caret scrolled into view, unless the line access is doing the replace.
void TReCustomRichEdit::replaceSel(const QString &text, bool canUndo) {
  const int start = selStart();
  const bool undoable = canUndo && undoLimitProp_ > 1 && version_ >= 2 && !LinesUpdating;
  re::RichEditControl::replaceSel(text, undoable);
  if (!LinesUpdating) {
    // The caret stands behind what was inserted ("\r\n" counts once).
    const int newEnd = selStart();
    setSel(start, newEnd);
    scrollCaret();
  }
}

// ---- edit queries ----------------------------------------------------------

bool TReCustomRichEdit::CanRedo() const { return version_ >= 2 && canRedo(); }
int TReCustomRichEdit::GetUndoName() const { return version_ >= 2 ? undoName() : 0; }
int TReCustomRichEdit::GetRedoName() const { return version_ >= 2 ? redoName() : 0; }

int TReCustomRichEdit::FindText(const QString &searchStr, int startPos, int length, TRichSearchTypes options) {
  // The range in 64 bits (|INT_MIN| and a large start overflow an int),
  // clamped to the text; a start beyond the text finds nothing.
  const qint64 textEnd = textLength();
  if (qint64(startPos) > textEnd) return -1;
  const qint64 from = std::max<qint64>(startPos, 0);
  const int start = int(from);
  const int end = int(std::min(from + std::abs(qint64(length)), textEnd));
  int flags = 0;
  // Version 1 searches downward only.
  if (version_ < 2 || !(options & stBackward)) flags |= re::FR_DOWN;
  if (options & stWholeWord) flags |= re::FR_WHOLEWORD;
  if (options & stMatchCase) flags |= re::FR_MATCHCASE;
  int foundEnd = 0;
  const int found = findText(searchStr, start, end, flags, &foundEnd);
  if (found >= 0 && (options & stSetSelection)) {
    setSel(found, foundEnd);
    scrollCaret();
  }
  return found;
}

// ---- new virtuals ----------------------------------------------------------

void TReCustomRichEdit::TextNotFound(const QString &findText) {
  if (OnTextNotFound) OnTextNotFound(this, findText);
}

void TReCustomRichEdit::RequestSize(const QRect &rect) {
  if (OnResizeRequest) OnResizeRequest(this, rect);
}

void TReCustomRichEdit::CloseFindDialog(QObject *dialog) {
  if (OnCloseFindDialog) OnCloseFindDialog(this, dialog);
}

void TReCustomRichEdit::SetPlainText(bool value) {
  if (value == plainText_) return;
  if (version_ < 2) {
    plainText_ = value;
    return;
  }
  const TRichStreamFormat oldFormat = lines_->StreamFormat();
  const TRichStreamModes oldMode = lines_->StreamMode();
  lines_->SetStreamFormat(value ? TRichStreamFormat::sfPlainText : TRichStreamFormat::sfRichText);
  lines_->SetStreamMode(0);
  QByteArray saved;
  try {
    saved = lines_->SaveToBytes();
  } catch (const EOutOfResources &) {
    // Nothing could be kept: switch anyway, with what the control shows.
    saved = streamOut(re::SF_TEXT);
  }
  const unsigned mask = setEventMask(eventMask() & ~re::ENM_CHANGE);
  setText(QString());
  setTextMode((value ? re::TM_PLAINTEXT : re::TM_RICHTEXT) |
              (undoLimitProp_ < 2 ? re::TM_SINGLELEVELUNDO : re::TM_MULTILEVELUNDO));
  plainText_ = value;
  setEventMask(mask);
  try {
    lines_->LoadFromBytes(saved);
  } catch (const EOutOfResources &) {
    streamIn(saved, re::SF_TEXT);
  }
  lines_->SetStreamFormat(oldFormat);
  lines_->SetStreamMode(oldMode);
}

void TReCustomRichEdit::SetLines(const QStringList &lines) {
  lines_->Clear();
  lines_->AddStrings(lines);
}

void TReCustomRichEdit::Print(const QString &caption, QPagedPaintDevice &device) {
  if (auto *pdf = dynamic_cast<QPdfWriter *>(&device)) pdf->setTitle(caption);
  QPainter painter;
  if (!painter.begin(&device)) return;
  const int dpiX = std::max(1, device.logicalDpiX());
  const int dpiY = std::max(1, device.logicalDpiY());
  QRect rc;
  if (PageRect.isEmpty())
    rc = QRect(0, 0, re::pixelsToTwips(device.width(), dpiX), re::pixelsToTwips(device.height(), dpiY));
  else
    rc = QRect(QPoint(PageRect.left() * 1440 / dpiX, PageRect.top() * 1440 / dpiY),
               QPoint((PageRect.right() + 1) * 1440 / dpiX - 1, (PageRect.bottom() + 1) * 1440 / dpiY - 1));
  // Version 1 measured the window text, in which a paragraph break is two
  // characters; the loop below must end for either measure.
  const int length = version_ >= 2 ? textLength() : int(text().replace(QLatin1Char('\r'), QStringLiteral("\r\n")).size());
  int start = 0;
  for (;;) {
    const int next = formatRange(&painter, rc, rc, start, -1, true);
    // A page that made no progress ends the job: no endless loop of blank pages.
    if (next < 0 || next >= length || next <= start) break;
    // Nor a blank last page when the lengths disagree.
    if (formatRange(nullptr, rc, rc, next, -1, false) <= next) break;
    device.newPage();
    start = next;
  }
  freeFormatRangeCache();
  painter.end();
}

// ---- handlers --------------------------------------------------------------

void TReCustomRichEdit::notifyChange() {
  if (OnChange) OnChange(this);
}

void TReCustomRichEdit::SelectionChange() {
  if (OnSelectionChange) OnSelectionChange(this);
}

bool TReCustomRichEdit::notifyProtected(const re::ProtectedChange &pc) {
  TMessage m;
  m.Msg = pc.msg;
  m.WParam = pc.wParam;
  m.LParam = pc.lParam;
  return ProtectChange(m, pc.start, pc.end);
}

bool TReCustomRichEdit::ProtectChange(const TMessage &message, int startPos, int endPos) {
  bool allow = false;  // no handler: protected text stays as it is
  if (OnProtectChangeEx) OnProtectChangeEx(this, message, startPos, endPos, allow);
  else if (OnProtectChange) OnProtectChange(this, startPos, endPos, allow);
  return allow;
}

bool TReCustomRichEdit::SaveClipboard(int numObjects, int numChars) {
  bool save = true;
  if (OnSaveClipboard) OnSaveClipboard(this, numObjects, numChars, save);
  return save;
}

void TReCustomRichEdit::URLClick(const QString &urlText, Qt::MouseButton button) {
  if (OnURLClick) OnURLClick(this, urlText, button);
}

void TReCustomRichEdit::notifyLink(const re::LinkNotify &l) {
  switch (l.msg) {
    case re::WM_LBUTTONDOWN:
    case re::WM_RBUTTONDOWN:
      urlClickStart_ = l.start;
      urlClickEnd_ = l.end;
      urlClickButton_ = l.msg == re::WM_LBUTTONDOWN ? Qt::LeftButton : Qt::RightButton;
      break;
    case re::WM_LBUTTONUP:
    case re::WM_RBUTTONUP: {
      const Qt::MouseButton b = l.msg == re::WM_LBUTTONUP ? Qt::LeftButton : Qt::RightButton;
      const bool same = b == urlClickButton_ && l.start == urlClickStart_ && l.end == urlClickEnd_;
      urlClickStart_ = -1;
      urlClickEnd_ = -1;
      if (same) URLClick(linkTarget(l.start, l.end), b);
      break;
    }
    default:
      break;
  }
}

// ---- keys and menus --------------------------------------------------------

void TReCustomRichEdit::keyPressEvent(QKeyEvent *e) {
  if (!wantReturns_ && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
      !(e->modifiers() & Qt::ControlModifier)) {
    e->ignore();  // for the dialog's default button
    return;
  }
  re::RichEditControl::keyPressEvent(e);
}

QMenu *TReCustomRichEdit::PopupMenu() {
  delete verbMenu_;
  verbMenu_ = nullptr;
  QMenu *assigned = popupMenu_;
  if (!autoVerbMenu_ || selectionType() != re::SEL_OBJECT) return assigned;
  // The selected object: objects have no server here, so they offer no
  // verbs; the properties item remains.
  int s = 0, e = 0;
  getSel(s, e);
  QTextCursor c(document());
  c.setPosition(e);
  const QTextCharFormat f = c.charFormat();
  const QString typeName = ObjectTypeName(f);
  const QString propertiesCaption = QStringLiteral("%1 Properties").arg(typeName);
  if (assigned && !assigned->isEmpty()) {
    // A copy, so the assigned menu does not grow with every showing.
    verbMenu_ = new QMenu(this);
    verbMenu_->addActions(assigned->actions());
    verbMenu_->addSeparator();
    verbMenu_->addAction(propertiesCaption, this, [this] { ObjectPropertiesDialog(); });
    return verbMenu_;
  }
  return assigned;
}

void TReCustomRichEdit::contextMenuEvent(QContextMenuEvent *e) {
  QMenu *m = PopupMenu();
  if (m && !m->isEmpty()) {
    m->exec(e->globalPos());
    return;
  }
  re::RichEditControl::contextMenuEvent(e);
}

} // namespace qel
