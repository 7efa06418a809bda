#pragma once
// The rich-edit control: a QTextEdit whose methods are the operations the
// editor code expects from a rich-text edit control.
//
// Positions are QTextDocument positions: a paragraph break counts as one
// character and so does a picture or an embedded object; the text length is
// the document's character count minus one. Text getters give "\r" for each
// paragraph break. Lines are paragraphs, independent of word wrap.
//
// Character and paragraph attributes are read and written as format records
// (formatrecords.h) with twips and masks; the document keeps them as
// described in textprops.h.

#include "platform/richedit/formatrecords.h"
#include "platform/richedit/linkscan.h"

#include <QImage>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QMimeData;
class QPainter;
class QTextDocument;

namespace qel::re {

// Event mask bits: which notifications the control sends.
enum : unsigned {
  ENM_NONE = 0,
  ENM_CHANGE = 0x00000001,
  ENM_UPDATE = 0x00000002,
  ENM_SCROLL = 0x00000004,
  ENM_KEYEVENTS = 0x00010000,
  ENM_MOUSEEVENTS = 0x00020000,
  ENM_REQUESTRESIZE = 0x00040000,
  ENM_SELCHANGE = 0x00080000,
  ENM_DROPFILES = 0x00100000,
  ENM_PROTECTED = 0x00200000,
  ENM_LINK = 0x04000000,
};

// Selection type bits.
enum : int { SEL_EMPTY = 0, SEL_TEXT = 1, SEL_OBJECT = 2, SEL_MULTICHAR = 4, SEL_MULTIOBJECT = 8 };

// Stream formats and flags.
enum : int {
  SF_TEXT = 0x0001,
  SF_RTF = 0x0002,
  SF_RTFNOOBJS = 0x0003,
  SF_TEXTIZED = 0x0004,
  SF_UNICODE = 0x0010,
  SFF_PLAINRTF = 0x4000,
  SFF_SELECTION = 0x8000,
};

// Undo kinds.
enum UndoKind : int { UID_UNKNOWN = 0, UID_TYPING = 1, UID_DELETE = 2, UID_DRAGDROP = 3, UID_CUT = 4, UID_PASTE = 5 };

// Text modes.
enum : int { TM_PLAINTEXT = 1, TM_RICHTEXT = 2, TM_SINGLELEVELUNDO = 4, TM_MULTILEVELUNDO = 8 };

// Search flags.
enum : int { FR_DOWN = 1, FR_WHOLEWORD = 2, FR_MATCHCASE = 4 };

// The messages that protected-text and link notifications name.
enum : unsigned {
  WM_KEYDOWN = 0x0100,
  WM_CHAR = 0x0102,
  WM_MOUSEMOVE = 0x0200,
  WM_LBUTTONDOWN = 0x0201,
  WM_LBUTTONUP = 0x0202,
  WM_LBUTTONDBLCLK = 0x0203,
  WM_RBUTTONDOWN = 0x0204,
  WM_RBUTTONUP = 0x0205,
  WM_CUT = 0x0300,
  WM_PASTE = 0x0302,
  WM_CLEAR = 0x0303,
  WM_UNDO = 0x0304,
  EM_REPLACESEL = 0x00C2,
  EM_SETCHARFORMAT = 0x0444,
  EM_SETPARAFORMAT = 0x0447,
  EM_STREAMIN = 0x0449,
  EM_REDO = 0x0454,
  WM_DROPFILES = 0x0233,
};

inline constexpr int kDefaultMaxLength = 0xFFFFFF;

// An attempt to change protected text.
struct ProtectedChange {
  unsigned msg = 0;      // what tried to change it (WM_CHAR, WM_KEYDOWN, WM_CUT, WM_PASTE, ...)
  quintptr wParam = 0;   // for keys: the key code or character
  qintptr lParam = 0;
  int start = 0;         // range being changed
  int end = 0;
};

// A mouse event over a detected link.
struct LinkNotify {
  unsigned msg = 0;  // WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_MOUSEMOVE
  int start = 0;
  int end = 0;
};

// Reads RTF into the document at a cursor (replacing its selection). Returns
// false on input it cannot read, leaving the document as it was.
using RtfReadFunction = std::function<bool(const QByteArray &rtf, QTextCursor &cursor)>;
// Replaces a whole document with the RTF; false (document untouched) when it
// is not RTF.
using RtfDocumentReadFunction = std::function<bool(const QByteArray &rtf, QTextDocument *document)>;

// One entry of the control's context menu; an empty caption is a line
// between groups. `run` does what the entry says, through the control's own
// checks.
struct ContextMenuEntry {
  QString caption;  // with its accelerator mark
  QString hint;     // a sentence for a status line
  bool enabled = true;
  std::function<void()> run;
};

// Shows the entries at a screen point and runs the one chosen.
using ContextMenuPresenter = std::function<void(const QPoint &globalPos, const std::vector<ContextMenuEntry> &)>;

class RichEditControl : public QTextEdit {
  Q_OBJECT
public:
  explicit RichEditControl(QWidget *parent = nullptr);
  ~RichEditControl() override;

  // The RTF reader used for pastes and loads (our own by default); an empty
  // function keeps the current one.
  static void setRtfReader(RtfReadFunction insert, RtfDocumentReadFunction whole);

  // ---- text and positions ----
  int textLength() const;
  QString text() const;                      // "\r" per paragraph break
  void setText(const QString &text);         // replaces everything; "\r\n", "\r", "\n" break paragraphs
  QString textRange(int start, int end) const;  // end -1 = the end of the text
  void getSel(int &start, int &end) const;
  // Selects start..end; end -1 (or beyond the text) means the end of the
  // text; start -1 removes the selection, leaving the caret at its end.
  void setSel(int start, int end);
  int selStart() const;
  int selLength() const;
  QString selText() const;
  void scrollCaret();
  int selectionType() const;  // SEL_* bits
  // Replaces the selection with text set in the pending insertion format
  // (attributes given to an empty selection), or else the format at the
  // caret; the caret ends behind the text.
  virtual void replaceSel(const QString &text, bool canUndo = true);
  // Inserts a picture at the selection (one character).
  void insertPicture(const QImage &image);
  // The format the next inserted text gets.
  QTextCharFormat insertionFormat() const;

  // ---- lines (paragraphs) ----
  int lineCount() const;
  int lineIndex(int line) const;      // first position of the line, -1 when it does not exist; -1 = caret's line
  int lineLength(int charPos) const;  // length of the line holding the position (without its break); -1 = caret's line
  QString line(int index) const;      // without the break
  int lineFromChar(int charPos) const;  // -1 = caret

  // ---- formats ----
  CharFormat charFormat(int scope) const;  // SCF_DEFAULT, SCF_SELECTION, SCF_SELECTION | SCF_WORD
  bool setCharFormat(const CharFormat &record, int scope);
  ParaFormat paraFormat() const;
  bool setParaFormat(const ParaFormat &record);
  QTextCharFormat defaultCharFormat() const { return defaultFormat_; }

  // ---- state and options ----
  bool isModified() const;
  void setModified(bool modified);
  unsigned eventMask() const { return eventMask_; }
  unsigned setEventMask(unsigned mask);
  bool wordWrap() const;
  void setWordWrap(bool on);
  bool plainTextMode() const { return plainMode_; }
  int textMode() const;
  // Fails (false) while the control holds text, as the control does.
  bool setTextMode(int mode);
  bool selectionBar() const { return selectionBar_; }
  void setSelectionBar(bool on);
  bool hideSelection() const { return hideSelection_; }
  void setHideSelection(bool hide);
  int maxLength() const { return maxLength_; }
  void setMaxLength(int length);  // limits user input only; 0 or less: 0xFFFFFF
  QColor backgroundColor() const;
  void setBackgroundColor(const QColor &color);
  bool autoUrlDetect() const { return autoUrlDetect_; }
  void setAutoUrlDetect(bool on);
  bool wordSelection() const { return wordSelection_; }
  void setWordSelection(bool on) { wordSelection_ = on; }

  // ---- undo ----
  int undoLimit() const { return undoLimit_; }
  int setUndoLimit(int limit);  // returns the limit in effect
  bool canUndo() const;
  bool canRedo() const;
  void undo();
  void redo();
  int undoName() const;  // UndoKind of the next undo
  int redoName() const;
  void clearUndo();
  // Kind given to the undo steps made until the scope ends.
  class UndoKindScope {
  public:
    UndoKindScope(RichEditControl &c, int kind) : c_(c), old_(c.currentKind_) { c.currentKind_ = kind; }
    ~UndoKindScope() { c_.currentKind_ = old_; }
  private:
    RichEditControl &c_;
    int old_;
  };

  // Changes made until the scope ends are one undo step (one dialog's OK).
  class UndoGroup {
  public:
    explicit UndoGroup(RichEditControl &c) : cursor_(c.document()) { cursor_.beginEditBlock(); }
    ~UndoGroup() { cursor_.endEditBlock(); }
    UndoGroup(const UndoGroup &) = delete;
    UndoGroup &operator=(const UndoGroup &) = delete;
  private:
    QTextCursor cursor_;
  };

  // ---- clipboard ----
  void cut();
  void copy();
  void paste();
  bool canPaste() const;
  // Called when the control goes away: asks whether data it put on the
  // clipboard stays there.
  void releaseClipboard();

  // ---- streams ----
  // Returns false when the data is not in the given format (RTF that does
  // not read); the document is then unchanged.
  bool streamIn(const QByteArray &data, int format);
  QByteArray streamOut(int format) const;

  // ---- links ----
  // Addresses found in the text and the results of hyperlink fields, in
  // document positions.
  QList<LinkRange> links() const;
  std::optional<LinkRange> linkAt(int position) const;
  // What a link stands for: a hyperlink field's address, else its text.
  QString linkTarget(int start, int end) const;

  // ---- find ----
  // Searches start..end (end -1 = text end); FR_DOWN finds the first match,
  // otherwise the last. Returns the position or -1; foundEnd gets the end.
  int findText(const QString &what, int start, int end, int flags, int *foundEnd = nullptr) const;

  // ---- printing ----
  // Lays out the text from cpMin in the rectangle rc (twips, on the page
  // rectangle page), draws it when render is true, and returns the position
  // of the first character that did not fit (the text length when all did).
  // Each call takes at least one line, so a caller's page loop always moves.
  // A form feed in the text ends the page after it (cards joined with page
  // breaks). `targetDpi`, when valid, is the resolution the twips are drawn
  // at (a page picture recorded for a printer); else the painter's device's.
  int formatRange(QPainter *painter, const QRect &rcTwips, const QRect &pageTwips, int cpMin, int cpMax, bool render,
                  const QSize &targetDpi = QSize());
  void freeFormatRangeCache();

  // Protected text test of a range (an empty range: inside protected text).
  bool isRangeProtected(int start, int end) const;

  // ---- context menu ----
  // What the right-click menu offers now (undo, redo, the clipboard, select all).
  std::vector<ContextMenuEntry> contextMenuEntries();
  // Who shows that menu: the program's own menus; without one, a plain menu.
  void setContextMenuPresenter(ContextMenuPresenter presenter) { contextMenuPresenter_ = std::move(presenter); }

signals:
  // The steps that can be undone or redone, or their kinds, changed.
  void undoStateChanged();

protected:
  // Notifications; each runs only when its event mask bit is set.
  virtual void notifyChange() {}
  virtual void notifySelectionChange() {}
  virtual void notifyRequestResize(const QRect &) {}
  // Whether anyone takes size requests: laying out a long text after every
  // change is not free.
  virtual bool resizeRequestWanted() const { return true; }
  // Return true to allow the change; without an answer it is refused.
  virtual bool notifyProtected(const ProtectedChange &) { return false; }
  virtual void notifyLink(const LinkNotify &) {}
  // Return false to take the data off the clipboard.
  virtual bool notifySaveClipboard(int /*objects*/, int /*characters*/) { return true; }
  // Whether pasted or dropped data holds a picture, and that picture; the
  // editor controls read pictures through their own loader.
  virtual bool mimeHasPicture(const QMimeData &source) const;
  virtual QImage pictureFromMimeData(const QMimeData &source) const;

  // Asks about a change of protected text in start..end; true when allowed
  // (or nothing protected is touched).
  bool allowChange(unsigned msg, int start, int end, quintptr wParam = 0);

  void keyPressEvent(QKeyEvent *e) override;
  void inputMethodEvent(QInputMethodEvent *e) override;
  void mousePressEvent(QMouseEvent *e) override;
  void mouseMoveEvent(QMouseEvent *e) override;
  void mouseReleaseEvent(QMouseEvent *e) override;
  void dropEvent(QDropEvent *e) override;
  void contextMenuEvent(QContextMenuEvent *e) override;
  void resizeEvent(QResizeEvent *e) override;
  void showEvent(QShowEvent *e) override;
  QMimeData *createMimeDataFromSelection() const override;
  bool canInsertFromMimeData(const QMimeData *source) const override;
  void insertFromMimeData(const QMimeData *source) override;

  // The undo kind current operations get.
  int currentKind_ = UID_UNKNOWN;

private:
  friend class UndoKindScope;
  friend class SelectionBarWidget;

  QTextCharFormat formatAt(int pos) const;
  QTextCharFormat resolved(const QTextCharFormat &f) const;
  std::pair<int, int> wordRangeAt(int pos) const;
  void applyCharRecord(const CharFormat &record, int start, int end);
  void insertTextAt(QTextCursor &cursor, const QString &text, const QTextCharFormat &format);
  bool insertRtfAt(const QByteArray &rtf, QTextCursor &cursor);
  void syncNumberingLists(int fromBlock, int toBlock);
  void onContentsChanged();
  void onCursorMoved();
  void onUndoCommandAdded();
  void reportFormatsUnderUnmovedSelection(int anchor, int pos);
  void rescanLinks() const;
  void updateLinkOverlay();
  void updateSelectionPalette();
  void layoutSelectionBar();
  bool checkUserInsert(int incoming);

  QTextCharFormat defaultFormat_;
  ContextMenuPresenter contextMenuPresenter_;
  std::optional<QTextCharFormat> pending_;
  int pendingPos_ = -1;
  unsigned eventMask_ = 0;
  bool plainMode_ = false;
  bool selectionBar_ = false;
  bool hideSelection_ = true;
  int maxLength_ = kDefaultMaxLength;
  bool autoUrlDetect_ = false;
  bool wordSelection_ = true;
  int undoLimit_ = 100;
  std::vector<int> undoKinds_;  // kinds of the undo steps we offer, oldest first
  std::vector<int> redoKinds_;  // kinds of the redo steps, next last
  int suppressChange_ = 0;
  int lastHeight_ = -1;
  int lastAnchor_ = 0, lastPos_ = 0;
  mutable bool linksDirty_ = true;
  mutable QList<LinkRange> links_;
  std::optional<LinkRange> hoverLink_;
  int imageCounter_ = 0;
  const QMimeData *clipboardData_ = nullptr;
  int clipboardObjects_ = 0, clipboardChars_ = 0;
  QWidget *selectionBarWidget_ = nullptr;
  std::unique_ptr<QTextDocument> formatDoc_;
  bool formatUpdatePending_ = false;
};

} // namespace qel::re
