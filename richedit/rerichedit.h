#pragma once
// TReCustomRichEdit and TReRichEdit: the program's rich-text editor control
// (the card editor, the hidden attribute buffer, the controls that join
// cards for printing and export), built on the platform's rich-edit control.
//
// Embedded OLE objects cannot be run here: objects found in loaded RTF are
// kept by the RTF code and written back unchanged, and are shown by their
// result picture.

#include "platform/richedit/richeditcontrol.h"
#include "richedit/richeditstrings.h"
#include "richedit/reattributes.h"

#include <QMenu>
#include <QPointer>
#include <QRect>
#include <functional>
#include <memory>

class QMenu;
class QPagedPaintDevice;

namespace qel {

// The rich-edit library version bound at start: 1, 2 or 3. Features of
// version 2 and later are skipped silently under version 1. Controls read it
// when they are created.
extern int RichEditVersion;

// Clipboard format ids registered at start.
extern unsigned CF_EMBEDDEDOBJECT;  // "Embedded Object"
extern unsigned CF_LINKSOURCE;      // "Link Source"
extern unsigned CF_RTF;             // "Rich Text Format"
extern unsigned CF_RTFNOOBJS;       // "Rich Text Format Without Objects"

// Binds the control library (version 3 here) and registers the four clipboard
// formats; called once at program start.
void InitRichEditUnit();
// The registered name of a clipboard format id ("" when unknown), and the
// MIME type the desktop clipboard uses for it.
QString ClipboardFormatName(unsigned id);
QString ClipboardFormatMime(unsigned id);

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TRichLangOption : unsigned { rlAutoKeyboard = 1, rlAutoFont = 2, rlImeCancelComplete = 4, rlImeAlwaysSendNotify = 8 };
using TRichLangOptions = unsigned;
enum TSelectionTypeFlag : unsigned { stText = 1, stObject = 2, stMultiChar = 4, stMultiObject = 8 };
using TSelectionType = unsigned;
enum TSearchTypeFlag : unsigned { stWholeWord = 1, stMatchCase = 2, stBackward = 4, stSetSelection = 8 };
using TRichSearchTypes = unsigned;

struct TMessage {
  unsigned Msg = 0;
  quintptr WParam = 0;
  qintptr LParam = 0;
  qintptr Result = 0;
};

class TReCustomRichEdit;
using TNotifyEvent = std::function<void(TReCustomRichEdit *sender)>;
using TRichEditProtectChange = std::function<void(TReCustomRichEdit *sender, int startPos, int endPos, bool &allowChange)>;
using TRichEditProtectChangeEx =
    std::function<void(TReCustomRichEdit *sender, const TMessage &message, int startPos, int endPos, bool &allowChange)>;
using TRichEditResizeEvent = std::function<void(TReCustomRichEdit *sender, const QRect &rect)>;
using TRichEditSaveClipboard = std::function<void(TReCustomRichEdit *sender, int numObjects, int numChars, bool &saveClipboard)>;
using TRichEditFindErrorEvent = std::function<void(TReCustomRichEdit *sender, const QString &findText)>;
using TRichEditFindCloseEvent = std::function<void(TReCustomRichEdit *sender, QObject *dialog)>;
using TRichEditURLClickEvent = std::function<void(TReCustomRichEdit *sender, const QString &urlText, Qt::MouseButton button)>;

class TReCustomRichEdit : public re::RichEditControl {
  Q_OBJECT
public:
  explicit TReCustomRichEdit(QWidget *parent = nullptr);
  ~TReCustomRichEdit() override;

  // ---- properties ----
  bool AllowObjects() const { return allowObjects_; }
  void SetAllowObjects(bool v) { allowObjects_ = v; }
  bool AllowInPlace() const { return allowInPlace_; }
  void SetAllowInPlace(bool v) { allowInPlace_ = v; }
  bool AutoVerbMenu() const { return autoVerbMenu_; }
  void SetAutoVerbMenu(bool v) { autoVerbMenu_ = v; }
  bool AutoURLDetect() const { return autoURLDetect_; }
  void SetAutoURLDetect(bool v);
  bool HideScrollBars() const { return hideScrollBars_; }
  void SetHideScrollBars(bool v);
  bool HideSelection() const { return hideSelection(); }
  void SetHideSelection(bool v) { setHideSelection(v); }
  TRichLangOptions LangOptions() const { return langOptions_; }
  void SetLangOptions(TRichLangOptions v) { langOptions_ = v; }
  bool PlainText() const { return plainText_; }
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle v);
  bool SelectionBar() const { return selectionBar(); }
  void SetSelectionBar(bool v) { setSelectionBar(v); }
  // Stored in Lines.
  TRichStreamFormat StreamFormat() const { return lines_->StreamFormat(); }
  void SetStreamFormat(TRichStreamFormat v) { lines_->SetStreamFormat(v); }
  TRichStreamModes StreamMode() const { return lines_->StreamMode(); }
  void SetStreamMode(TRichStreamModes v) { lines_->SetStreamMode(v); }
  // Character attributes of the selection, the default (insertion)
  // attributes and the word at the caret; the selection's paragraphs.
  TReTextAttributes &SelAttributes() { return selAttributes_; }
  TReTextAttributes &DefAttributes() { return defAttributes_; }
  TReTextAttributes &WordAttributes() { return wordAttributes_; }
  TReParaAttributes &Paragraph() { return paragraph_; }
  // Line access and streaming.
  TRichEditStrings &Lines() { return *lines_; }
  const TRichEditStrings &Lines() const { return *lines_; }
  // Lines := other lines (assigns into the owned object).
  void SetLines(const QStringList &lines);
  QString Title() const { return title_; }
  void SetTitle(const QString &v) { title_ = v; }
  int UndoLimit() const { return undoLimitProp_; }
  void SetUndoLimit(int v);
  bool WantTabs() const { return !tabChangesFocus(); }
  void SetWantTabs(bool v) { setTabChangesFocus(!v); }
  bool WantReturns() const { return wantReturns_; }
  void SetWantReturns(bool v) { wantReturns_ = v; }
  bool WordSelection() const { return wordSelection(); }
  void SetWordSelection(bool v) { setWordSelection(v); }
  bool WordWrap() const { return wordWrap(); }
  void SetWordWrap(bool v);
  int MaxLength() const { return maxLengthProp_; }
  void SetMaxLength(int v);
  bool Modified() const { return isModified(); }
  void SetModified(bool v) { setModified(v); }
  bool ReadOnly() const { return isReadOnly(); }
  void SetReadOnly(bool v) { setReadOnly(v); }
  QColor Color() const { return backgroundColor(); }
  void SetColor(const QColor &c) { setBackgroundColor(c); }
  // Page area for Print in printer pixels; empty = the whole page.
  QRect PageRect;
  // Set while line access replaces text itself.
  bool LinesUpdating = false;
  int ScreenPixelsPerInch() const { return screenPixelsPerInch_; }
  QMenu *AssignedPopupMenu() const { return popupMenu_; }
  void SetPopupMenu(QMenu *menu) { popupMenu_ = menu; }
  // The menu to show: the assigned popup menu, with the object items added
  // when one embedded object is selected.
  QMenu *PopupMenu();

  // ---- selection and text ----
  int SelStart() const { return selStart(); }
  void SetSelStart(int v);   // collapses the selection, no scrolling
  int SelLength() const { return selLength(); }
  void SetSelLength(int v);  // keeps the start, scrolls
  QString SelText() const { return selText(); }
  void SetSelText(const QString &v) { replaceSel(v); }
  int GetSelTextBuf(QChar *buffer, int bufSize) const;
  QString GetTextRange(int startPos, int endPos) const { return textRange(startPos, endPos); }
  QPoint CaretPos() const;  // x = column, y = line
  int LineFromChar(int charIndex) const { return lineFromChar(charIndex); }
  TSelectionType SelectionType() const { return TSelectionType(selectionType()); }
  virtual void Clear();

  // ---- edit queries ----
  bool CanPaste() const { return canPaste(); }
  bool CanRedo() const;
  int GetUndoName() const;
  int GetRedoName() const;
  void Redo() { redo(); }
  int FindText(const QString &searchStr, int startPos, int length, TRichSearchTypes options);
  // Objects (reobjects.cpp). Insert Object needs an object server, which
  // this system does not have: it asks nothing and inserts nothing. Paste
  // Special offers the clipboard's formats in our own dialog and pastes the
  // chosen one as one paste step. Object Properties shows what the one
  // selected object is.
  bool InsertObjectDialog();
  bool PasteSpecialDialog();
  virtual bool ObjectPropertiesDialog();
  // The type name an object is shown by: its class, else "Object" (or
  // "Picture" for a picture).
  static QString ObjectTypeName(const QTextCharFormat &format);

  // ---- new virtuals ----
  virtual void TextNotFound(const QString &findText);
  virtual void RequestSize(const QRect &rect);
  virtual void SetPlainText(bool value);
  virtual void CloseFindDialog(QObject *dialog);
  // Prints the whole text on the device, page by page.
  virtual void Print(const QString &caption, QPagedPaintDevice &device);

  // ---- message-style handlers ----
  virtual void SelectionChange();
  virtual bool ProtectChange(const TMessage &message, int startPos, int endPos);
  virtual bool SaveClipboard(int numObjects, int numChars);
  virtual void URLClick(const QString &urlText, Qt::MouseButton button);

  void replaceSel(const QString &text, bool canUndo = true) override;

  // ---- events ----
  TNotifyEvent OnChange;
  TRichEditProtectChange OnProtectChange;
  TRichEditProtectChangeEx OnProtectChangeEx;
  TRichEditResizeEvent OnResizeRequest;
  TRichEditSaveClipboard OnSaveClipboard;
  TNotifyEvent OnSelectionChange;
  TRichEditFindErrorEvent OnTextNotFound;
  TRichEditFindCloseEvent OnCloseFindDialog;
  TRichEditURLClickEvent OnURLClick;

  // The link range under a pressed button (-1 = none), for tests.
  int URLClickStart() const { return urlClickStart_; }
  int URLClickEnd() const { return urlClickEnd_; }

protected:
  void notifyChange() override;
  void notifySelectionChange() override { SelectionChange(); }
  void notifyRequestResize(const QRect &r) override { RequestSize(r); }
  bool resizeRequestWanted() const override { return bool(OnResizeRequest); }
  bool notifyProtected(const re::ProtectedChange &pc) override;
  void notifyLink(const re::LinkNotify &l) override;
  bool notifySaveClipboard(int objects, int chars) override { return SaveClipboard(objects, chars); }
  bool mimeHasPicture(const QMimeData &source) const override;
  QImage pictureFromMimeData(const QMimeData &source) const override;
  void keyPressEvent(QKeyEvent *e) override;
  void changeEvent(QEvent *e) override;
  void contextMenuEvent(QContextMenuEvent *e) override;

private:
  void applyWindowSettings();
  void applyScrollBars();
  void defAttributesFromFont();

  bool allowObjects_ = true;
  bool allowInPlace_ = true;
  bool autoVerbMenu_ = true;
  bool autoURLDetect_ = true;
  bool hideScrollBars_ = true;
  TRichLangOptions langOptions_ = rlAutoFont;
  bool plainText_ = false;
  TScrollStyle scrollBars_ = ssBoth;
  QString title_;
  int undoLimitProp_ = 100;
  bool wantReturns_ = true;
  int maxLengthProp_ = 0;
  int screenPixelsPerInch_ = 96;
  int urlClickStart_ = -1, urlClickEnd_ = -1;
  Qt::MouseButton urlClickButton_ = Qt::LeftButton;
  QPointer<QMenu> popupMenu_;
  QMenu *verbMenu_ = nullptr;
  int version_ = 3;
  std::unique_ptr<TRichEditStrings> lines_;
  TReTextAttributes selAttributes_{*this, TAttributeType::Selection};
  TReTextAttributes defAttributes_{*this, TAttributeType::Default};
  TReTextAttributes wordAttributes_{*this, TAttributeType::Word};
  TReParaAttributes paragraph_{*this};
};

// Publishes everything; adds nothing.
class TReRichEdit : public TReCustomRichEdit {
  Q_OBJECT
public:
  using TReCustomRichEdit::TReCustomRichEdit;
};

} // namespace qel
