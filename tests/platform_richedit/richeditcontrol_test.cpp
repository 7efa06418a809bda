#include "platform/richedit/richeditcontrol.h"
#include "platform/richedit/textprops.h"
#include "platform/richedit/units.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QPicture>
#include <QTextBlock>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace qel::re;

namespace {

// Records notifications and answers protected-text requests.
class Probe : public RichEditControl {
public:
  bool allowProtected = false;
  std::vector<ProtectedChange> protectedAsks;
  std::vector<LinkNotify> linkEvents;
  int changes = 0, selChanges = 0, resizes = 0;
  bool keepClipboard = true;
  int saveClipboardAsks = 0;

  using RichEditControl::allowChange;

protected:
  void notifyChange() override { ++changes; }
  void notifySelectionChange() override { ++selChanges; }
  void notifyRequestResize(const QRect &) override { ++resizes; }
  bool notifyProtected(const ProtectedChange &pc) override {
    protectedAsks.push_back(pc);
    return allowProtected;
  }
  void notifyLink(const LinkNotify &l) override { linkEvents.push_back(l); }
  bool notifySaveClipboard(int, int) override {
    ++saveClipboardAsks;
    return keepClipboard;
  }
};

void key(QWidget &w, int k, const QString &text = QString(), Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, k, mods, text);
  QApplication::sendEvent(&w, &press);
}

void type(QWidget &w, const QString &text) {
  for (QChar c : text) key(w, c.unicode() < 128 ? c.toUpper().unicode() : 0, QString(c));
}

QImage redImage() {
  QImage img(8, 4, QImage::Format_RGB32);
  img.fill(Qt::red);
  return img;
}

} // namespace

TEST(RichEditControl, PositionTable) {
  RichEditControl e;
  e.setText(QStringLiteral("ab\r\ncd\nef"));
  e.setSel(2, 2);
  e.replaceSel(QStringLiteral("X"));
  // "abX" | "cd" | "ef"; then a picture at the end of "cd".
  e.setSel(6, 6);
  e.insertPicture(redImage());
  ASSERT_EQ(e.text(), QStringLiteral("abX\rcd") + QChar(0xFFFC) + QStringLiteral("\ref"));
  EXPECT_EQ(e.textLength(), 10);
  EXPECT_EQ(e.lineCount(), 3);

  struct Row {
    int line, index, length;
    const char *text;
  };
  const Row rows[] = {{0, 0, 3, "abX"}, {1, 4, 3, nullptr}, {2, 8, 2, "ef"}};
  for (const Row &r : rows) {
    EXPECT_EQ(e.lineIndex(r.line), r.index) << r.line;
    EXPECT_EQ(e.lineLength(r.index), r.length) << r.line;
    EXPECT_EQ(e.lineFromChar(r.index + r.length), r.line) << r.line;
    if (r.text) { EXPECT_EQ(e.line(r.line), QString::fromLatin1(r.text)); }
  }
  EXPECT_EQ(e.lineIndex(3), -1);

  struct Sel {
    int s, e, gotS, gotE;
    const char *text;
    int type;
  };
  const Sel sels[] = {
      {0, 2, 0, 2, "ab", SEL_TEXT | SEL_MULTICHAR},
      {3, 4, 3, 4, "\r", SEL_TEXT},
      {6, 7, 6, 7, nullptr, SEL_OBJECT},
      {5, 7, 5, 7, nullptr, SEL_TEXT | SEL_OBJECT},
      {8, -1, 8, 10, "ef", SEL_TEXT | SEL_MULTICHAR},
      {0, -1, 0, 10, nullptr, SEL_TEXT | SEL_MULTICHAR | SEL_OBJECT},
      {4, 4, 4, 4, "", SEL_EMPTY},
      {9, 400, 9, 10, "f", SEL_TEXT},
  };
  for (const Sel &s : sels) {
    e.setSel(s.s, s.e);
    int gs = -2, ge = -2;
    e.getSel(gs, ge);
    EXPECT_EQ(gs, s.gotS) << s.s << ".." << s.e;
    EXPECT_EQ(ge, s.gotE) << s.s << ".." << s.e;
    EXPECT_EQ(e.selStart(), s.gotS);
    EXPECT_EQ(e.selLength(), s.gotE - s.gotS);
    if (s.text) { EXPECT_EQ(e.selText(), QString::fromLatin1(s.text)); }
    EXPECT_EQ(e.selectionType(), s.type) << s.s << ".." << s.e;
  }
  // -1 as start removes the selection, caret at its end.
  e.setSel(1, 3);
  e.setSel(-1, 0);
  EXPECT_EQ(e.selStart(), 3);
  EXPECT_EQ(e.selLength(), 0);
  EXPECT_EQ(e.textRange(2, 5), QStringLiteral("X\rc"));
  EXPECT_EQ(e.textRange(8, -1), QStringLiteral("ef"));
  EXPECT_EQ(e.textRange(20, 30), QString());
}

TEST(RichEditControl, PendingInsertionFormat) {
  RichEditControl e;
  e.setText(QStringLiteral("Hello"));
  e.setSel(5, 5);
  CharFormat bold;
  bold.mask = CFM_BOLD | CFM_SIZE;
  bold.effects = CFE_BOLD;
  bold.yHeight = 360;
  ASSERT_TRUE(e.setCharFormat(bold, SCF_SELECTION));
  // Reading the empty selection gives the waiting attributes.
  EXPECT_TRUE(e.charFormat(SCF_SELECTION).effects & CFE_BOLD);
  e.replaceSel(QStringLiteral(" World\rNext"));
  EXPECT_EQ(e.text(), QStringLiteral("Hello World\rNext"));
  e.setSel(0, 5);
  CharFormat r = e.charFormat(SCF_SELECTION);
  EXPECT_TRUE(r.mask & CFM_BOLD);
  EXPECT_FALSE(r.effects & CFE_BOLD);
  e.setSel(5, -1);
  r = e.charFormat(SCF_SELECTION);
  EXPECT_TRUE((r.mask & CFM_BOLD) && (r.effects & CFE_BOLD));
  EXPECT_EQ(r.yHeight, 360);
  // Mixed selection: the member's mask bit is cleared.
  e.setSel(3, 8);
  EXPECT_FALSE(e.charFormat(SCF_SELECTION).mask & CFM_BOLD);
  EXPECT_FALSE(e.charFormat(SCF_SELECTION).mask & CFM_SIZE);

  // Moving the caret drops the waiting attributes; text then takes the
  // character before it.
  e.setSel(2, 2);
  CharFormat italic;
  italic.mask = CFM_ITALIC;
  italic.effects = CFE_ITALIC;
  e.setCharFormat(italic, SCF_SELECTION);
  e.setSel(3, 3);
  e.replaceSel(QStringLiteral("y"));
  e.setSel(3, 4);
  EXPECT_FALSE(e.charFormat(SCF_SELECTION).effects & CFE_ITALIC);
  EXPECT_EQ(e.text().left(6), QStringLiteral("Helylo"));

  // Typing also takes the waiting attributes.
  e.setSel(0, 0);
  e.setCharFormat(italic, SCF_SELECTION);
  type(e, QStringLiteral("Q"));
  e.setSel(0, 1);
  EXPECT_EQ(e.selText(), QStringLiteral("Q"));
  EXPECT_TRUE(e.charFormat(SCF_SELECTION).effects & CFE_ITALIC);
}

TEST(RichEditControl, WordAndDefaultFormats) {
  RichEditControl e;
  e.setText(QStringLiteral("one two three"));
  e.setSel(5, 5);  // inside "two"
  CharFormat u;
  u.mask = CFM_UNDERLINE;
  u.effects = CFE_UNDERLINE;
  e.setCharFormat(u, SCF_SELECTION | SCF_WORD);
  e.setSel(4, 7);
  EXPECT_TRUE(e.charFormat(SCF_SELECTION).effects & CFE_UNDERLINE);
  e.setSel(0, 3);
  EXPECT_FALSE(e.charFormat(SCF_SELECTION).effects & CFE_UNDERLINE);

  RichEditControl empty;
  CharFormat def;
  def.mask = CFM_FACE | CFM_SIZE;
  def.szFaceName = QStringLiteral("Courier New");
  def.yHeight = 280;
  empty.setCharFormat(def, SCF_DEFAULT);
  EXPECT_EQ(empty.charFormat(SCF_DEFAULT).yHeight, 280);
  empty.replaceSel(QStringLiteral("abc"));
  empty.setSel(0, -1);
  EXPECT_EQ(empty.charFormat(SCF_SELECTION).szFaceName, QStringLiteral("Courier New"));
  EXPECT_EQ(empty.charFormat(SCF_SELECTION).yHeight, 280);
}

TEST(RichEditControl, ParagraphFormatsAndBullets) {
  RichEditControl e;
  e.setText(QStringLiteral("a\rb\rc"));
  e.setSel(0, 3);  // "a\rb": the first two paragraphs
  ParaFormat p;
  p.mask = PFM_NUMBERING | PFM_STARTINDENT | PFM_ALIGNMENT;
  p.wNumbering = PFN_BULLET;
  p.dxStartIndent = 360;
  p.wAlignment = PFA_CENTER;
  ASSERT_TRUE(e.setParaFormat(p));
  const QTextBlock a = e.document()->findBlockByNumber(0);
  const QTextBlock b = e.document()->findBlockByNumber(1);
  const QTextBlock c = e.document()->findBlockByNumber(2);
  EXPECT_EQ(a.blockFormat().intProperty(ParaNumbering), PFN_BULLET);
  EXPECT_EQ(b.blockFormat().intProperty(ParaNumbering), PFN_BULLET);
  EXPECT_EQ(c.blockFormat().intProperty(ParaNumbering), 0);
  ASSERT_NE(a.textList(), nullptr);
  EXPECT_EQ(a.textList(), b.textList());
  EXPECT_EQ(c.textList(), nullptr);
  e.setSel(0, 5);
  const ParaFormat mixed = e.paraFormat();
  EXPECT_FALSE(mixed.mask & PFM_NUMBERING);
  e.setSel(1, 1);
  EXPECT_EQ(e.paraFormat().dxStartIndent, 360);
  EXPECT_EQ(e.paraFormat().wAlignment, PFA_CENTER);
  // A selection ending at a paragraph start leaves that paragraph alone.
  e.setSel(0, 2);
  p.mask = PFM_NUMBERING;
  p.wNumbering = 0;
  e.setParaFormat(p);
  EXPECT_EQ(e.document()->findBlockByNumber(0).textList(), nullptr);
  EXPECT_NE(e.document()->findBlockByNumber(1).textList(), nullptr);
}

TEST(RichEditControl, LinesAreParagraphsUnderWordWrap) {
  RichEditControl e;
  e.resize(120, 200);
  e.setWordWrap(true);
  e.show();
  QString longLine;
  for (int i = 0; i < 40; ++i) longLine += QStringLiteral("word ");
  e.setText(longLine + QStringLiteral("\rshort"));
  e.document()->size();
  ASSERT_GT(e.document()->firstBlock().layout()->lineCount(), 3);  // wrapped on screen
  EXPECT_EQ(e.lineCount(), 2);
  EXPECT_EQ(e.lineIndex(1), int(longLine.size()) + 1);
  EXPECT_EQ(e.lineLength(10), int(longLine.size()));
  EXPECT_EQ(e.lineFromChar(150), 0);
  EXPECT_EQ(e.line(1), QStringLiteral("short"));
  e.setWordWrap(false);
  EXPECT_FALSE(e.wordWrap());
  EXPECT_EQ(e.lineCount(), 2);
}

TEST(RichEditControl, ProtectedTextRefusedAndAllowed) {
  Probe e;
  e.setEventMask(ENM_CHANGE | ENM_PROTECTED);
  e.setText(QStringLiteral("free LOCKED free"));
  e.setSel(5, 11);
  CharFormat prot;
  prot.mask = CFM_PROTECTED;
  prot.effects = CFE_PROTECTED;
  ASSERT_TRUE(e.setCharFormat(prot, SCF_SELECTION));
  const QString before = e.text();

  // Refused: typing over, deleting inside, cutting, replacing by format.
  e.setSel(7, 7);
  key(e, Qt::Key_Backspace);
  type(e, QStringLiteral("z"));
  e.setSel(4, 8);
  key(e, Qt::Key_Delete);
  e.cut();
  CharFormat bold;
  bold.mask = CFM_BOLD;
  bold.effects = CFE_BOLD;
  EXPECT_FALSE(e.setCharFormat(bold, SCF_SELECTION));
  EXPECT_EQ(e.text(), before);
  ASSERT_EQ(e.protectedAsks.size(), 5u);
  EXPECT_EQ(e.protectedAsks[0].msg, unsigned(WM_KEYDOWN));
  EXPECT_EQ(e.protectedAsks[0].start, 6);
  EXPECT_EQ(e.protectedAsks[0].end, 7);
  EXPECT_EQ(e.protectedAsks[1].msg, unsigned(WM_CHAR));
  EXPECT_EQ(e.protectedAsks[3].msg, unsigned(WM_CUT));
  EXPECT_EQ(e.protectedAsks[4].msg, unsigned(EM_SETCHARFORMAT));

  // Next to protected text is free.
  e.setSel(2, 2);
  type(e, QStringLiteral("x"));
  EXPECT_EQ(e.text(), QStringLiteral("frxee LOCKED free"));
  EXPECT_EQ(e.protectedAsks.size(), 5u);

  // A handler that allows it.
  e.allowProtected = true;
  e.setSel(8, 8);
  key(e, Qt::Key_Backspace);
  EXPECT_EQ(e.text(), QStringLiteral("frxee LCKED free"));
  EXPECT_EQ(e.protectedAsks.size(), 6u);

  // Without the event mask bit nothing is protected.
  e.allowProtected = false;
  e.setEventMask(ENM_CHANGE);
  e.setSel(8, 8);
  key(e, Qt::Key_Backspace);
  EXPECT_EQ(e.text(), QStringLiteral("frxee LKED free"));
}

TEST(RichEditControl, UndoKindsAndLimit) {
  Probe e;
  e.setFocus();
  type(e, QStringLiteral("abc"));
  EXPECT_EQ(e.undoName(), UID_TYPING);
  key(e, Qt::Key_Backspace);
  EXPECT_EQ(e.undoName(), UID_DELETE);
  e.setSel(0, 1);
  e.cut();
  EXPECT_EQ(e.text(), QStringLiteral("b"));
  EXPECT_EQ(e.undoName(), UID_CUT);
  e.setSel(1, 1);
  e.paste();
  EXPECT_EQ(e.text(), QStringLiteral("ba"));
  EXPECT_EQ(e.undoName(), UID_PASTE);

  e.undo();
  EXPECT_EQ(e.text(), QStringLiteral("b"));
  EXPECT_EQ(e.redoName(), UID_PASTE);
  EXPECT_EQ(e.undoName(), UID_CUT);
  e.undo();
  EXPECT_EQ(e.redoName(), UID_CUT);
  EXPECT_EQ(e.undoName(), UID_DELETE);
  e.redo();
  EXPECT_EQ(e.undoName(), UID_CUT);
  EXPECT_EQ(e.text(), QStringLiteral("b"));

  // Limit: only the last two steps can be undone.
  Probe l;
  l.setUndoLimit(2);
  l.setFocus();
  type(l, QStringLiteral("a"));
  key(l, Qt::Key_Backspace);
  type(l, QStringLiteral("b"));
  key(l, Qt::Key_Backspace);
  EXPECT_TRUE(l.canUndo());
  l.undo();
  EXPECT_EQ(l.text(), QStringLiteral("b"));
  l.undo();
  EXPECT_EQ(l.text(), QString());
  EXPECT_FALSE(l.canUndo());
  EXPECT_EQ(l.undoName(), UID_UNKNOWN);
  l.undo();
  EXPECT_EQ(l.text(), QString());
  EXPECT_TRUE(l.canRedo());

  // Limit 0: no undo at all.
  Probe none;
  none.setUndoLimit(0);
  type(none, QStringLiteral("q"));
  EXPECT_FALSE(none.canUndo());
}

TEST(RichEditControl, MaxLengthLimitsUserInputOnly) {
  Probe e;
  e.setMaxLength(3);
  type(e, QStringLiteral("abcd"));
  EXPECT_EQ(e.text(), QStringLiteral("abc"));
  e.replaceSel(QStringLiteral("defg"));  // programs are not limited
  EXPECT_EQ(e.text(), QStringLiteral("abcdefg"));
  e.setMaxLength(0);
  EXPECT_EQ(e.maxLength(), 0xFFFFFF);
}

TEST(RichEditControl, LinksAreAnOverlayOnly) {
  Probe e;
  e.setEventMask(ENM_LINK);
  e.setAutoUrlDetect(true);
  e.show();
  e.setText(QStringLiteral("x\rsee www.example.com, ok"));
  const int undoSteps = e.document()->availableUndoSteps();
  const auto links = e.links();
  ASSERT_EQ(links.size(), 1);
  EXPECT_EQ(links[0].start, 6);
  EXPECT_EQ(links[0].length, 15);
  QApplication::processEvents();
  EXPECT_EQ(e.extraSelections().size(), 1);
  EXPECT_EQ(e.document()->availableUndoSteps(), undoSteps);
  e.setSel(6, 7);
  EXPECT_FALSE(e.charFormat(SCF_SELECTION).effects & CFE_LINK);
  EXPECT_FALSE(e.charFormat(SCF_SELECTION).effects & CFE_UNDERLINE);
  EXPECT_FALSE(e.isModified());
  e.setAutoUrlDetect(false);
  EXPECT_TRUE(e.links().isEmpty());
}

TEST(RichEditControl, ClipboardMimeRoundTrip) {
  RichEditControl src;
  src.setText(QStringLiteral("Plain\rBold"));
  src.setSel(6, 10);
  CharFormat bold;
  bold.mask = CFM_BOLD;
  bold.effects = CFE_BOLD;
  src.setCharFormat(bold, SCF_SELECTION);
  src.setSel(0, -1);
  src.copy();
  const QMimeData *m = QApplication::clipboard()->mimeData();
  ASSERT_NE(m, nullptr);
  EXPECT_TRUE(m->hasFormat(QStringLiteral("text/plain")));
  EXPECT_TRUE(m->hasFormat(QStringLiteral("text/rtf")));
  EXPECT_FALSE(m->hasHtml());
  EXPECT_EQ(m->text(), QStringLiteral("Plain\nBold"));
  EXPECT_TRUE(m->data(QStringLiteral("text/rtf")).startsWith("{\\rtf1"));

  RichEditControl dst;
  ASSERT_TRUE(dst.canPaste());
  dst.paste();
  EXPECT_EQ(dst.text(), QStringLiteral("Plain\rBold"));
  EXPECT_EQ(dst.undoName(), UID_PASTE);
  // The RTF came in: the formatting survived.
  dst.setSel(6, 10);
  EXPECT_TRUE(dst.charFormat(SCF_SELECTION).effects & CFE_BOLD);
  dst.setSel(0, 5);
  EXPECT_FALSE(dst.charFormat(SCF_SELECTION).effects & CFE_BOLD);
  dst.undo();
  EXPECT_EQ(dst.textLength(), 0);

  // Only the selection is copied.
  src.setSel(1, 3);
  src.copy();
  RichEditControl part;
  part.paste();
  EXPECT_EQ(part.text(), QStringLiteral("la"));

  // HTML never comes in; text does.
  auto *html = new QMimeData;
  html->setHtml(QStringLiteral("<b>bold</b>"));
  html->setText(QStringLiteral("bold"));
  QApplication::clipboard()->setMimeData(html);
  RichEditControl h;
  h.paste();
  EXPECT_EQ(h.text(), QStringLiteral("bold"));
  h.setSel(0, -1);
  EXPECT_FALSE(h.charFormat(SCF_SELECTION).effects & CFE_BOLD);

  // An image pastes as one picture character.
  auto *img = new QMimeData;
  img->setImageData(redImage());
  QApplication::clipboard()->setMimeData(img);
  RichEditControl p;
  p.paste();
  EXPECT_EQ(p.textLength(), 1);
  p.setSel(0, 1);
  EXPECT_EQ(p.selectionType(), SEL_OBJECT);
}

TEST(RichEditControl, SaveClipboardHookCanTakeDataOff) {
  {
    Probe e;
    e.setText(QStringLiteral("keep"));
    e.setSel(0, -1);
    e.copy();
    e.keepClipboard = false;
    e.releaseClipboard();
    EXPECT_EQ(e.saveClipboardAsks, 1);
  }
  const QMimeData *left = QApplication::clipboard()->mimeData();
  EXPECT_TRUE(!left || !left->hasText());
}

TEST(RichEditControl, NotificationsFollowEventMask) {
  Probe e;
  e.setText(QStringLiteral("abc"));
  EXPECT_EQ(e.changes, 0);
  e.setEventMask(ENM_CHANGE | ENM_SELCHANGE | ENM_REQUESTRESIZE);
  e.setSel(1, 2);
  EXPECT_EQ(e.selChanges, 1);
  e.replaceSel(QStringLiteral("x\ry\rz"));
  EXPECT_GE(e.changes, 1);
  EXPECT_GE(e.resizes, 1);
  e.setModified(false);
  EXPECT_FALSE(e.isModified());
  type(e, QStringLiteral("q"));
  EXPECT_TRUE(e.isModified());
}

TEST(RichEditControl, StreamsPlainText) {
  RichEditControl e;
  const QByteArray in("one\r\ntwo\nthree\r\xe9");
  ASSERT_TRUE(e.streamIn(in, SF_TEXT));
  EXPECT_EQ(e.text(), QStringLiteral("one\rtwo\rthree\r\u00e9"));
  EXPECT_FALSE(e.isModified());
  EXPECT_EQ(e.streamOut(SF_TEXT), QByteArray("one\r\ntwo\r\nthree\r\n\xe9"));
  e.setSel(4, 7);
  EXPECT_EQ(e.streamOut(SF_TEXT | SFF_SELECTION), QByteArray("two"));
  ASSERT_TRUE(e.streamIn(QByteArray("2"), SF_TEXT | SFF_SELECTION));
  EXPECT_EQ(e.line(1), QStringLiteral("2"));
  // RTF that is not RTF is refused and changes nothing.
  EXPECT_FALSE(e.streamIn(QByteArray("not rtf"), SF_RTF));
  EXPECT_EQ(e.line(1), QStringLiteral("2"));
  const QByteArray rtf = e.streamOut(SF_RTF);
  EXPECT_TRUE(rtf.startsWith("{\\rtf1"));
  RichEditControl back;
  ASSERT_TRUE(back.streamIn(rtf, SF_RTF));
  EXPECT_EQ(back.text(), e.text());
  EXPECT_FALSE(back.isModified());
  EXPECT_FALSE(back.canUndo());
  EXPECT_EQ(e.streamOut(SF_TEXT | SF_UNICODE).size(), 2 * (e.textLength() + 3));
}

TEST(RichEditControl, PlainTextModeAndTextMode) {
  RichEditControl e;
  e.setText(QStringLiteral("x"));
  EXPECT_FALSE(e.setTextMode(TM_PLAINTEXT));  // only while empty
  e.setText(QString());
  ASSERT_TRUE(e.setTextMode(TM_PLAINTEXT));
  EXPECT_TRUE(e.plainTextMode());
  e.replaceSel(QStringLiteral("ab"));
  e.setSel(0, 1);
  CharFormat bold;
  bold.mask = CFM_BOLD;
  bold.effects = CFE_BOLD;
  e.setCharFormat(bold, SCF_SELECTION);
  e.setSel(1, 2);
  EXPECT_TRUE(e.charFormat(SCF_SELECTION).effects & CFE_BOLD);  // all of it
  EXPECT_FALSE(e.streamOut(SF_RTF).startsWith("{\\rtf"));
}

TEST(RichEditControl, FindText) {
  RichEditControl e;
  e.setText(QStringLiteral("cat concat Cat\rcat"));
  int end = 0;
  EXPECT_EQ(e.findText(QStringLiteral("cat"), 1, -1, FR_DOWN, &end), 7);
  EXPECT_EQ(end, 10);
  EXPECT_EQ(e.findText(QStringLiteral("cat"), 1, -1, FR_DOWN | FR_WHOLEWORD), 11);
  EXPECT_EQ(e.findText(QStringLiteral("Cat"), 0, -1, FR_DOWN | FR_MATCHCASE), 11);
  EXPECT_EQ(e.findText(QStringLiteral("cat"), 0, 14, 0), 11);  // backward: the last
  EXPECT_EQ(e.findText(QStringLiteral("dog"), 0, -1, FR_DOWN), -1);
}

TEST(RichEditControl, RtfInsertedAtTheSelectionShowsItsBullets) {
  const QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 Symbol;}}\\f0 Intro\\par"
                         "{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}\\fi-200\\li200 One\\par"
                         "{\\pntext\\f1\\'B7\\tab}Two\\par}";
  RichEditControl e;
  e.setText(QStringLiteral("Title"));
  e.setSel(5, 5);
  ASSERT_TRUE(e.streamIn(rtf, SF_RTF | SFF_SELECTION));
  QStringList bulleted;
  for (QTextBlock b = e.document()->begin(); b.isValid(); b = b.next())
    if (b.textList()) bulleted << b.text();
  EXPECT_EQ(bulleted, (QStringList{QStringLiteral("One"), QStringLiteral("Two")}));
}

TEST(RichEditControl, FormatRangeAlwaysMakesProgress) {
  RichEditControl e;
  QString t;
  for (int i = 0; i < 30; ++i) t += QStringLiteral("Line %1\r").arg(i);
  e.setText(t);
  e.setSel(0, 0);
  e.insertPicture(QImage(40, 4000, QImage::Format_RGB32));  // taller than a page
  QPicture pic;
  QPainter p(&pic);
  const QRect page(0, 0, 12240, 15840);
  const QRect small(720, 720, 5000, 1000);  // a few lines per page
  int start = 0, pages = 0;
  const int len = e.textLength();
  while (start < len && pages < 1000) {
    const int next = e.formatRange(&p, small, page, start, -1, true);
    ASSERT_GT(next, start);
    start = next;
    ++pages;
  }
  p.end();
  EXPECT_EQ(start, len);
  EXPECT_GT(pages, 5);
  EXPECT_LT(pages, 40);
  e.freeFormatRangeCache();
  // The tall picture's line fills the first page alone; the rest fits one.
  const int afterPicture = e.formatRange(nullptr, page, page, 0, -1, false);
  EXPECT_EQ(afterPicture, e.lineIndex(1));
  EXPECT_EQ(e.formatRange(nullptr, page, page, afterPicture, -1, false), len);
}

TEST(RichEditControl, OptionsKeepText) {
  RichEditControl e;
  e.setText(QStringLiteral("abc"));
  type(e, QStringLiteral("d"));
  e.setSelectionBar(true);
  e.setHideSelection(false);
  e.setBackgroundColor(QColor(10, 20, 30));
  e.setSelectionBar(false);
  EXPECT_EQ(e.backgroundColor(), QColor(10, 20, 30));
  EXPECT_EQ(e.textLength(), 4);
  EXPECT_TRUE(e.isModified());
  EXPECT_DOUBLE_EQ(e.document()->defaultTextOption().tabStopDistance(), twipsToUnits(720));
}

TEST(RichEditControl, LoadingBulletsLeavesNothingToUndo) {
  // Bullet paragraphs between plain ones, as a card's body often has them.
  const QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset2 Symbol;}}\\pard\\f0 Intro\\par"
                         "\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}\\fi-200\\li200 One\\par"
                         "{\\pntext\\f1\\'B7\\tab}Two\\par"
                         "{\\pntext\\f1\\'B7\\tab}Three\\par"
                         "\\pard Outro\\par}";
  RichEditControl e;
  ASSERT_TRUE(e.streamIn(rtf, SF_RTF));
  EXPECT_FALSE(e.canUndo());
  EXPECT_FALSE(e.isModified());
  const QByteArray loaded = e.streamOut(SF_RTF);
  e.undo();
  EXPECT_EQ(e.streamOut(SF_RTF), loaded);
}
