#pragma once
// Edit box items: an item that shows a text box in a toolbar or a menu.
// The box is only painted; a real editing control exists only while the
// user edits. Choosing the item starts an edit session: the view's window
// puts a line editor over the box (TTbrViewHost::RunEditSession) and feeds
// what happens to it into the session, which decides how the edit ends
// (commit and move on, commit and close the menu, drop the text, or the
// user went elsewhere) and commits the text through the item. The session's
// rules live here, without a window; the editor itself is the host's.

#include "toolbars/core/tbview.h"

#include <QString>

#include <functional>
#include <memory>

namespace qel::toolbars {

class TTbrEditItem;
class TTbrEditItemViewer;
class TTbrEditSession;

// The kind of line editor the host puts over the box.
enum class TTbrEditControlClass { tbecEdit, tbecThemedEdit };

// The case forced on an edit item's text.
enum class TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

using TTbrEditItemOptions = quint8;
enum TTbrEditItemOption : TTbrEditItemOptions {
  // A vertical toolbar keeps the edit box (else it shows the item as a button).
  tboUseEditWhenVertical = 1u << 0,
};

// May change the text being committed, or refuse it; `sender` is the viewer.
using TTbrAcceptTextEvent = std::function<void(TTbrEditItemViewer *sender, QString &newText, bool &accept)>;
// The editing control is set up and about to be shown.
using TTbrBeginEditEvent =
    std::function<void(TTbrEditItem *sender, TTbrEditItemViewer *viewer, QObject *editControl)>;

class TTbrEditItem : public TTbrCustomItem {
public:
  TTbrEditItem() = default;

  TEditCharCase CharCase() const { return FCharCase; }
  // Stores the case and applies it to the text at once.
  void SetCharCase(TEditCharCase value);
  // The label left of the box in menus.
  const QString &EditCaption() const { return FEditCaption; }
  void SetEditCaption(const QString &value);
  TTbrEditItemOptions EditOptions() const { return FEditOptions; }
  void SetEditOptions(TTbrEditItemOptions value);
  // Width of the box in pixels.
  int EditWidth() const { return FEditWidth; }
  void SetEditWidth(int value);
  // Longest text the editor takes; 0: no limit.
  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int value);
  // The committed text, in the item's case. Setting it to what it already
  // is (after the case is applied) changes nothing and tells no one.
  const QString &Text() const { return FText; }
  virtual void SetText(const QString &value);
  // Whether the typed text is committed when an edit ends because the user
  // went elsewhere (a click outside the editor, the focus gone).
  bool ExtendedAccept() const { return FAcceptOnLeave; }
  void SetExtendedAccept(bool value) { FAcceptOnLeave = value; }
  bool AcceptOnLeave() const { return FAcceptOnLeave; }
  void SetAcceptOnLeave(bool value) { FAcceptOnLeave = value; }

  const TTbrAcceptTextEvent &OnAcceptText() const { return FOnAcceptText; }
  void SetOnAcceptText(TTbrAcceptTextEvent handler) { FOnAcceptText = std::move(handler); }
  const TTbrBeginEditEvent &OnBeginEdit() const { return FOnBeginEdit; }
  void SetOnBeginEdit(TTbrBeginEditEvent handler) { FOnBeginEdit = std::move(handler); }

  // The edit box, except in a vertical view without tboUseEditWhenVertical,
  // where the item shows as a plain button.
  TTbrViewerFactory ViewerClass(TTbrView *view) const override;
  bool NeedsViewerRecreate(TTbrItemViewer *viewer) const override;
  // Tells OnBeginEdit; themed items set their editor up here first.
  virtual void FireBeginEdit(TTbrEditItemViewer *viewer, QObject *editControl);
  // An edit is over and its editor gone; `session` tells how it ended.
  virtual void EditEnded(TTbrEditItemViewer *viewer, const TTbrEditSession &session) { (void)viewer, (void)session; }
  // The editor's text changed while editing (themed items report it).
  virtual void EditTextChanged(TTbrEditItemViewer *viewer, const QString &text) { (void)viewer, (void)text; }
  // A key pressed in the editor, before the edit's own keys are looked at:
  // true takes it (neither the edit nor the editor sees it).
  virtual bool EditKeyPressed(TTbrEditItemViewer *viewer, int key, Qt::KeyboardModifiers modifiers) {
    (void)viewer, (void)key, (void)modifiers;
    return false;
  }

  // `value` in the case `charCase` asks for (the user's locale).
  static QString ApplyCharCase(const QString &value, TEditCharCase charCase);

private:
  QString FEditCaption;
  QString FText;
  TTbrAcceptTextEvent FOnAcceptText;
  TTbrBeginEditEvent FOnBeginEdit;
  TEditCharCase FCharCase = TEditCharCase::ecNormal;
  TTbrEditItemOptions FEditOptions = 0;
  int FEditWidth = 64;
  int FMaxLength = 0;
  bool FAcceptOnLeave = false;
};

class TTbrEditItemViewer : public TTbrItemViewer {
public:
  TTbrEditItemViewer(TTbrView *view, TTbrCustomItem *item, int groupLevel);
  ~TTbrEditItemViewer() override;

  TTbrEditItem *EditItem() const { return static_cast<TTbrEditItem *>(Item); }

  void MeasureSize(const TTbrTextMeasure &measure, bool bold, int &width, int &height) override;
  // Runs an edit session on the box. Reports an execution only when the
  // edit ended by closing the menu (the view's modal state is ended then),
  // and then whether the text was committed.
  bool DoExecute() override;
  int AccessibleRole() const override { return 42; } // editable text
  bool GetAccValue(QString &value) const override;
  QString GetCaptionText() const override;
  void MouseDown(Qt::KeyboardModifiers shift, bool doubleClick, int x, int y, bool &mouseDownOnMenu) override;
  void MouseUp(int x, int y, bool mouseWasDownOnMenu) override;
  bool UsesSameWidth() const override { return false; }

  // Whether the label sits left of the box: menu style with an EditCaption.
  bool EditCaptionShown() const;
  // Width the label takes before the box (0 without one): its text + 10.
  int EditCaptionWidth() const;
  // The box in the view window's client coordinates: the viewer's bounds
  // less the label.
  virtual QRect EditBoxRect() const;
  // The kind of editor made for an edit.
  virtual TTbrEditControlClass EditControlClass() const { return TTbrEditControlClass::tbecEdit; }
  // Whether the pointer at a point of the viewer (relative to its bounds)
  // shows the text cursor: inside the box, 2 pixels in.
  bool PointInEditText(int x, int y) const;
  Qt::CursorShape GetCursor(int x, int y) const override {
    return PointInEditText(x, y) ? Qt::IBeamCursor : Qt::ArrowCursor;
  }
  // The session running now, if any.
  TTbrEditSession *Session() const { return FSession; }

private:
  TTbrEditSession *FSession = nullptr;
  // Cleared when the viewer goes, so an edit that outlives it (its item
  // deleted by a handler) knows not to touch it.
  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

// Bits of TTbrEditSession::Status.
enum TTbrEditStatus : int {
  tbesEditing = 1,   // the edit goes on
  tbesMoveOn = 2,    // committed; the next item is to be selected
  tbesCloseMenu = 4, // the menu is to close
};

// One edit of an edit item: what the editor starts with, and how it ends.
// The host's editor reports into it; the viewer reads the outcome.
class TTbrEditSession {
public:
  TTbrEditSession(TTbrEditItemViewer &viewer, const QRect &editorRect);
  TTbrEditSession(const TTbrEditSession &) = delete;
  TTbrEditSession &operator=(const TTbrEditSession &) = delete;

  TTbrEditItemViewer &Viewer;
  TTbrEditItem &Item;
  // Where the editor goes, in the view window's client coordinates.
  const QRect EditorRect;

  int Status() const { return FStatus; }
  bool Editing() const { return FStatus & tbesEditing; }
  // Whether the editor should go on: still editing, the user still there
  // and the item enabled.
  bool Continues() const { return Editing() && !FLeft && Item.Enabled(); }
  bool HasLeft() const { return FLeft; }
  // The editor's text as last reported.
  const QString &Text() const { return FText; }
  // The item's text when the edit began.
  const QString &OriginalText() const { return FOriginalText; }
  // Whether the typed text was offered and accepted.
  bool Committed() const { return FCommitted; }
  // Tab came with Shift: the previous item is selected rather than the next.
  bool Backward() const { return FBackward; }

  // --- what the editor reports ---
  // The editor is set up (text, case, length limit taken from the item) and
  // about to be shown: the item's begin-edit event.
  void EditorReady(QObject *editControl);
  void TextChanged(const QString &text);
  // A key pressed in the editor. The item may take it first
  // (TTbrEditItem::EditKeyPressed). Tab, Shift+Tab, Enter and Esc end the edit
  // here (true: the editor must not see the key); other keys are the
  // editor's, except keys held with Alt and F10, which close the menu
  // (digits of the numeric keypad excepted, so Alt with them still types).
  bool KeyPressed(int key, Qt::KeyboardModifiers modifiers);
  // A key released; releasing Alt closes the menu. True when taken.
  bool KeyReleased(int key);
  // The user went elsewhere: a press outside the editor, the focus or the
  // application's activation lost. The edit ends as it stands.
  void Left();

  // Offers the text to the item: OnAcceptText may change or refuse it.
  void Commit(const QString &text);

private:
  QString FOriginalText;
  QString FText;
  int FStatus = tbesEditing;
  bool FCommitted = false;
  bool FBackward = false;
  bool FLeft = false;
};

} // namespace qel::toolbars
