#include "richedit/rerichedit.h"

#include "platform/richedit/textprops.h"
#include "tests/support/testenv.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPdfWriter>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace qel;

namespace {

// Sets RichEditVersion for one test and puts it back.
struct VersionGuard {
  int old = RichEditVersion;
  explicit VersionGuard(int v) { RichEditVersion = v; }
  ~VersionGuard() { RichEditVersion = old; }
};

void key(QWidget &w, int k, const QString &text = QString()) {
  QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, text);
  QApplication::sendEvent(&w, &press);
}

void click(TReRichEdit &e, int pos, Qt::MouseButton down, Qt::MouseButton up) {
  QTextCursor c(e.document());
  c.setPosition(pos);
  const QPointF at = e.cursorRect(c).center() + QPointF(2, 0);
  QMouseEvent press(QEvent::MouseButtonPress, at, e.viewport()->mapToGlobal(at), down, down, Qt::NoModifier);
  QApplication::sendEvent(e.viewport(), &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, e.viewport()->mapToGlobal(at), up, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(e.viewport(), &release);
}

int pdfPages(const QString &file) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) return -1;
  const QByteArray pdf = f.readAll();
  return int(QString::fromLatin1(pdf).count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
}

} // namespace

TEST(ReRichEdit, Defaults) {
  TReRichEdit e;
  EXPECT_EQ(RichEditVersion, 3);
  EXPECT_TRUE(e.AllowObjects());
  EXPECT_TRUE(e.AllowInPlace());
  EXPECT_TRUE(e.AutoVerbMenu());
  EXPECT_TRUE(e.AutoURLDetect());
  EXPECT_TRUE(e.autoUrlDetect());
  EXPECT_TRUE(e.HideScrollBars());
  EXPECT_TRUE(e.HideSelection());
  EXPECT_EQ(e.LangOptions(), unsigned(rlAutoFont));
  EXPECT_FALSE(e.PlainText());
  EXPECT_EQ(e.ScrollBars(), ssBoth);
  EXPECT_TRUE(e.SelectionBar());
  EXPECT_EQ(e.StreamFormat(), TRichStreamFormat::sfDefault);
  EXPECT_EQ(e.StreamMode(), 0);
  EXPECT_TRUE(e.Title().isEmpty());
  EXPECT_EQ(e.UndoLimit(), 100);
  EXPECT_FALSE(e.WantTabs());
  EXPECT_TRUE(e.WantReturns());
  EXPECT_TRUE(e.WordSelection());
  EXPECT_TRUE(e.WordWrap());
  EXPECT_EQ(e.width(), 185);
  EXPECT_EQ(e.height(), 89);
  EXPECT_EQ(e.eventMask(), 0x42C0001u);
  EXPECT_EQ(e.MaxLength(), 0);
  EXPECT_EQ(e.maxLength(), 16777215);
  EXPECT_EQ(e.URLClickStart(), -1);
  EXPECT_EQ(e.URLClickEnd(), -1);
  EXPECT_EQ(e.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);  // word wrap
  e.SetWordWrap(false);
  EXPECT_EQ(e.horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
  e.SetHideScrollBars(false);
  EXPECT_EQ(e.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

TEST(ReRichEdit, ClipboardFormatNames) {
  InitRichEditUnit();
  EXPECT_EQ(ClipboardFormatName(CF_EMBEDDEDOBJECT), QStringLiteral("Embedded Object"));
  EXPECT_EQ(ClipboardFormatName(CF_LINKSOURCE), QStringLiteral("Link Source"));
  EXPECT_EQ(ClipboardFormatName(CF_RTF), QStringLiteral("Rich Text Format"));
  EXPECT_EQ(ClipboardFormatName(CF_RTFNOOBJS), QStringLiteral("Rich Text Format Without Objects"));
  EXPECT_EQ(ClipboardFormatMime(CF_RTF), QStringLiteral("text/rtf"));
  EXPECT_NE(CF_RTF, CF_RTFNOOBJS);
  EXPECT_TRUE(ClipboardFormatName(1).isEmpty());
}

TEST(ReRichEdit, VersionOneBranches) {
  VersionGuard v(1);
  TReRichEdit e;
  EXPECT_EQ(e.eventMask(), 0x2C0001u);  // no link notifications
  EXPECT_FALSE(e.autoUrlDetect());
  e.setFocus();
  key(e, 'A', QStringLiteral("a"));
  key(e, Qt::Key_Backspace);
  e.undo();
  EXPECT_FALSE(e.CanRedo());
  EXPECT_EQ(e.GetUndoName(), 0);
  EXPECT_EQ(e.GetRedoName(), 0);
  // Plain-text mode is only remembered.
  e.setText(QStringLiteral("x"));
  e.SetPlainText(true);
  EXPECT_TRUE(e.PlainText());
  EXPECT_FALSE(e.plainTextMode());
  EXPECT_EQ(e.text(), QStringLiteral("x"));
  // A backward search still runs downward.
  e.setText(QStringLiteral("ab ab ab"));
  EXPECT_EQ(e.FindText(QStringLiteral("ab"), 0, 8, stBackward), 0);
  // Printing ends although the text length counts CR LF.
  e.setText(QStringLiteral("one\rtwo\rthree"));
  const QString pdf = test::freshDir(QStringLiteral("v1print")) + QStringLiteral("/out.pdf");
  {
    QPdfWriter w(pdf);
    e.Print(QStringLiteral("Cards"), w);
  }
  EXPECT_EQ(pdfPages(pdf), 1);
}

TEST(ReRichEdit, FindTextOptions) {
  TReRichEdit e;
  e.setText(QStringLiteral("ab Ab ab"));
  EXPECT_EQ(e.FindText(QStringLiteral("ab"), 0, 8, stBackward), 6);
  EXPECT_EQ(e.FindText(QStringLiteral("Ab"), 0, -8, stMatchCase | stSetSelection), 3);
  EXPECT_EQ(e.selStart(), 3);
  EXPECT_EQ(e.selLength(), 2);
  EXPECT_EQ(e.FindText(QStringLiteral("b"), 0, 8, stWholeWord), -1);
}

TEST(ReRichEdit, ProtectChangeHandlers) {
  TReRichEdit e;
  e.setText(QStringLiteral("abcdef"));
  e.setSel(0, -1);
  re::CharFormat prot;
  prot.mask = re::CFM_PROTECTED;
  prot.effects = re::CFE_PROTECTED;
  e.setCharFormat(prot, re::SCF_SELECTION);
  e.setSel(3, 3);
  key(e, 'X', QStringLiteral("x"));
  EXPECT_EQ(e.text(), QStringLiteral("abcdef"));  // no handler: refused

  int plainCalls = 0;
  e.OnProtectChange = [&](TReCustomRichEdit *, int s, int en, bool &allow) {
    ++plainCalls;
    EXPECT_EQ(s, 3);
    EXPECT_EQ(en, 3);
    allow = true;
  };
  key(e, 'X', QStringLiteral("x"));
  EXPECT_EQ(e.text(), QStringLiteral("abcxdef"));
  EXPECT_EQ(plainCalls, 1);

  TMessage seen;
  e.OnProtectChangeEx = [&](TReCustomRichEdit *, const TMessage &m, int, int, bool &allow) {
    seen = m;
    allow = false;
  };
  e.setSel(0, 2);
  e.cut();
  EXPECT_EQ(e.text(), QStringLiteral("abcxdef"));
  EXPECT_EQ(seen.Msg, unsigned(re::WM_CUT));
  EXPECT_EQ(plainCalls, 1);  // the Ex handler goes first
}

TEST(ReRichEdit, UrlClickNeedsSameRangeAndButton) {
  TReRichEdit e;
  e.resize(400, 200);
  e.show();
  e.setText(QStringLiteral("go http://a.example/x and www.b.example now"));
  QApplication::processEvents();
  std::vector<std::pair<QString, Qt::MouseButton>> clicks;
  e.OnURLClick = [&](TReCustomRichEdit *, const QString &url, Qt::MouseButton b) { clicks.emplace_back(url, b); };
  click(e, 6, Qt::LeftButton, Qt::LeftButton);
  click(e, 8, Qt::RightButton, Qt::RightButton);
  click(e, 6, Qt::LeftButton, Qt::RightButton);  // other button: nothing
  ASSERT_EQ(clicks.size(), 2u);
  EXPECT_EQ(clicks[0].first, QStringLiteral("http://a.example/x"));
  EXPECT_EQ(clicks[0].second, Qt::LeftButton);
  EXPECT_EQ(clicks[1].second, Qt::RightButton);
  EXPECT_EQ(e.URLClickStart(), -1);  // every release ends the pressed range

  // Down on one link, up on the other: no click.
  e.SetAutoURLDetect(true);
  QTextCursor c(e.document());
  c.setPosition(6);
  const QPointF a = e.cursorRect(c).center() + QPointF(2, 0);
  c.setPosition(28);
  const QPointF b = e.cursorRect(c).center() + QPointF(2, 0);
  QMouseEvent press(QEvent::MouseButtonPress, a, e.viewport()->mapToGlobal(a), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(e.viewport(), &press);
  QMouseEvent release(QEvent::MouseButtonRelease, b, e.viewport()->mapToGlobal(b), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(e.viewport(), &release);
  EXPECT_EQ(clicks.size(), 2u);
  EXPECT_EQ(e.URLClickStart(), -1);
  EXPECT_FALSE(e.isModified());
}

TEST(ReRichEdit, ReplaceSelectionSelectsInsertedText) {
  TReRichEdit e;
  e.setText(QStringLiteral("[]"));
  e.setSel(1, 1);
  e.SetSelText(QStringLiteral("ab\r\ncd"));
  EXPECT_EQ(e.text(), QStringLiteral("[ab\rcd]"));
  EXPECT_EQ(e.SelStart(), 1);
  EXPECT_EQ(e.SelLength(), 5);  // CR LF is one paragraph break
  e.LinesUpdating = true;
  e.setSel(0, 0);
  e.SetSelText(QStringLiteral("<"));
  EXPECT_EQ(e.SelStart(), 1);
  EXPECT_EQ(e.SelLength(), 0);
  e.LinesUpdating = false;

  e.SetSelStart(3);
  EXPECT_EQ(e.SelLength(), 0);
  e.SetSelLength(2);
  EXPECT_EQ(e.SelText(), QStringLiteral("b\r"));
  QChar buf[8];
  EXPECT_EQ(e.GetSelTextBuf(buf, 1), 1);
  EXPECT_EQ(buf[0], QLatin1Char('b'));
  e.setSel(6, 6);
  EXPECT_EQ(e.text(), QStringLiteral("<[ab\rcd]"));
  EXPECT_EQ(e.CaretPos(), QPoint(1, 1));
}

TEST(ReRichEdit, PlainTextRestreams) {
  TReRichEdit e;
  e.setText(QStringLiteral("Bold\rline"));
  e.setSel(0, 4);
  re::CharFormat bold;
  bold.mask = re::CFM_BOLD;
  bold.effects = re::CFE_BOLD;
  e.setCharFormat(bold, re::SCF_SELECTION);
  int changes = 0;
  e.OnChange = [&](TReCustomRichEdit *) { ++changes; };
  e.SetPlainText(true);
  EXPECT_TRUE(e.PlainText());
  EXPECT_TRUE(e.plainTextMode());
  EXPECT_EQ(e.text(), QStringLiteral("Bold\rline"));
  e.setSel(0, 4);
  EXPECT_FALSE(e.charFormat(re::SCF_SELECTION).effects & re::CFE_BOLD);
  e.SetPlainText(false);
  EXPECT_FALSE(e.plainTextMode());
  EXPECT_EQ(e.text(), QStringLiteral("Bold\rline"));
  EXPECT_EQ(e.StreamFormat(), TRichStreamFormat::sfDefault);
}

TEST(ReRichEdit, SelectionBarChangeKeepsTextAndModified) {
  TReRichEdit e;
  e.setText(QStringLiteral("abc"));
  e.setFocus();
  key(e, 'D', QStringLiteral("d"));
  ASSERT_TRUE(e.Modified());
  e.SetSelectionBar(false);
  e.SetSelectionBar(true);
  EXPECT_TRUE(e.Modified());
  EXPECT_EQ(e.text(), QStringLiteral("dabc"));
  e.Clear();
  EXPECT_FALSE(e.Modified());
  EXPECT_EQ(e.textLength(), 0);
}

TEST(ReRichEdit, UndoKindsAnswer) {
  TReRichEdit e;
  e.setFocus();
  key(e, 'A', QStringLiteral("a"));
  EXPECT_EQ(e.GetUndoName(), re::UID_TYPING);
  key(e, Qt::Key_Backspace);
  EXPECT_EQ(e.GetUndoName(), re::UID_DELETE);
  e.undo();
  EXPECT_TRUE(e.CanRedo());
  EXPECT_EQ(e.GetRedoName(), re::UID_DELETE);
  e.Redo();
  EXPECT_EQ(e.GetUndoName(), re::UID_DELETE);
}

TEST(ReRichEdit, WantReturns) {
  TReRichEdit e;
  e.SetWantReturns(false);
  key(e, Qt::Key_Return, QStringLiteral("\r"));
  EXPECT_EQ(e.lineCount(), 1);
  e.SetWantReturns(true);
  key(e, Qt::Key_Return, QStringLiteral("\r"));
  EXPECT_EQ(e.lineCount(), 2);
}

TEST(ReRichEdit, VerbMenuForSelectedPicture) {
  TReRichEdit e;
  QMenu assigned;
  assigned.addAction(QStringLiteral("Cut"));
  e.SetPopupMenu(&assigned);
  e.setText(QStringLiteral("x"));
  EXPECT_EQ(e.PopupMenu(), &assigned);
  QImage img(4, 4, QImage::Format_RGB32);
  img.fill(Qt::blue);
  e.setSel(1, 1);
  e.insertPicture(img);
  e.setSel(1, 2);
  ASSERT_EQ(e.SelectionType(), unsigned(stObject));
  QMenu *m = e.PopupMenu();
  ASSERT_NE(m, &assigned);
  ASSERT_EQ(m->actions().size(), 3);
  EXPECT_EQ(m->actions()[2]->text(), QStringLiteral("Picture Properties"));
  EXPECT_EQ(assigned.actions().size(), 1);
  e.SetAutoVerbMenu(false);
  EXPECT_EQ(e.PopupMenu(), &assigned);
}

TEST(ReRichEdit, SaveClipboardEvent) {
  {
    TReRichEdit e;
    e.setText(QStringLiteral("gone"));
    e.setSel(0, -1);
    e.copy();
    e.OnSaveClipboard = [](TReCustomRichEdit *, int objects, int chars, bool &save) {
      EXPECT_EQ(objects, 0);
      EXPECT_EQ(chars, 4);
      save = false;
    };
  }
  const QMimeData *m = QApplication::clipboard()->mimeData();
  EXPECT_TRUE(!m || !m->hasText());
}

TEST(ReRichEdit, PrintStopsAtTheEnd) {
  TReRichEdit e;
  QString t;
  for (int i = 0; i < 200; ++i) t += QStringLiteral("Card line %1\r").arg(i);
  e.setText(t);
  const QString pdf = test::freshDir(QStringLiteral("print")) + QStringLiteral("/out.pdf");
  {
    QPdfWriter w(pdf);
    w.setResolution(300);
    e.Print(QStringLiteral("Cards"), w);
  }
  const int pages = pdfPages(pdf);
  EXPECT_GE(pages, 3);
  EXPECT_LE(pages, 12);
  // A page rectangle of a few lines gives more pages; still it ends.
  e.PageRect = QRect(300, 300, 1500, 300);
  const QString pdf2 = test::freshDir(QStringLiteral("print2")) + QStringLiteral("/out.pdf");
  {
    QPdfWriter w(pdf2);
    w.setResolution(300);
    e.Print(QStringLiteral("Cards"), w);
  }
  EXPECT_GT(pdfPages(pdf2), pages);
}

TEST(ReRichEdit, DefaultAttributesFollowTheFont) {
  TReRichEdit e;
  QFont f(QStringLiteral("Courier New"));
  f.setPointSize(14);
  f.setBold(true);
  e.setFont(f);
  const re::CharFormat d = e.charFormat(re::SCF_DEFAULT);
  EXPECT_EQ(d.yHeight, 280);
  EXPECT_EQ(d.szFaceName, QStringLiteral("Courier New"));
  EXPECT_TRUE(d.effects & re::CFE_BOLD);
  EXPECT_TRUE(d.effects & re::CFE_AUTOCOLOR);
  e.replaceSel(QStringLiteral("typed"));
  e.setSel(0, -1);
  EXPECT_EQ(e.charFormat(re::SCF_SELECTION).yHeight, 280);
}
