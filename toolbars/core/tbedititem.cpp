#include "toolbars/core/tbedititem.h"

#include "toolbars/core/tbmenuloop.h"
#include "toolbars/core/tbtext.h"

#include <QLocale>

#include <algorithm>

namespace qel::toolbars {

namespace {

TTbrItemViewer *MakeEditViewer(TTbrView *view, TTbrCustomItem *item, int groupLevel) {
  return new TTbrEditItemViewer(view, item, groupLevel);
}

// Keys of the numeric keypad's digit block (with Num Lock on or off).
bool IsKeypadDigit(int key, Qt::KeyboardModifiers modifiers) {
  if (!(modifiers & Qt::KeypadModifier))
    return false;
  if (key >= Qt::Key_0 && key <= Qt::Key_9)
    return true;
  switch (key) {
  case Qt::Key_Insert: case Qt::Key_End: case Qt::Key_Down: case Qt::Key_PageDown: case Qt::Key_Left:
  case Qt::Key_Clear: case Qt::Key_Right: case Qt::Key_Home: case Qt::Key_Up: case Qt::Key_PageUp:
    return true;
  default:
    return false;
  }
}

// Keys that never end an edit by themselves being held with Alt.
bool IsModifierKey(int key) {
  switch (key) {
  case Qt::Key_Shift: case Qt::Key_Alt: case Qt::Key_AltGr: case Qt::Key_Control: case Qt::Key_Meta:
  case Qt::Key_Super_L: case Qt::Key_Super_R: case Qt::Key_Hangul_Hanja: case Qt::Key_Kanji:
    return true;
  default:
    return false;
  }
}

} // namespace

// TTbrEditItem

QString TTbrEditItem::ApplyCharCase(const QString &value, TEditCharCase charCase) {
  switch (charCase) {
  case TEditCharCase::ecUpperCase: return QLocale().toUpper(value);
  case TEditCharCase::ecLowerCase: return QLocale().toLower(value);
  case TEditCharCase::ecNormal: break;
  }
  return value;
}

void TTbrEditItem::SetCharCase(TEditCharCase value) {
  if (FCharCase == value)
    return;
  FCharCase = value;
  SetText(FText);
}

void TTbrEditItem::SetText(const QString &value) {
  const QString text = ApplyCharCase(value, FCharCase);
  if (text == FText)
    return;
  FText = text;
  Change(false);
}

void TTbrEditItem::SetEditCaption(const QString &value) {
  if (FEditCaption == value)
    return;
  FEditCaption = value;
  Change(true);
}

void TTbrEditItem::SetEditOptions(TTbrEditItemOptions value) {
  if (FEditOptions == value)
    return;
  FEditOptions = value;
  Change(true);
}

void TTbrEditItem::SetEditWidth(int value) {
  if (FEditWidth == value)
    return;
  FEditWidth = value;
  Change(true);
}

void TTbrEditItem::SetMaxLength(int value) {
  if (FMaxLength == value)
    return;
  FMaxLength = value;
  Change(false);
}

TTbrViewerFactory TTbrEditItem::ViewerClass(TTbrView *view) const {
  if ((FEditOptions & tboUseEditWhenVertical) || !view || view->Orientation != tbvoVertical)
    return &MakeEditViewer;
  return nullptr;
}

bool TTbrEditItem::NeedsViewerRecreate(TTbrItemViewer *viewer) const {
  const bool showsBox = dynamic_cast<TTbrEditItemViewer *>(viewer) != nullptr;
  return showsBox != (ViewerClass(viewer->View) != nullptr);
}

void TTbrEditItem::FireBeginEdit(TTbrEditItemViewer *viewer, QObject *editControl) {
  if (FOnBeginEdit)
    FOnBeginEdit(this, viewer, editControl);
}

// TTbrEditItemViewer

TTbrEditItemViewer::TTbrEditItemViewer(TTbrView *view, TTbrCustomItem *item, int groupLevel)
    : TTbrItemViewer(view, item, groupLevel) {}

TTbrEditItemViewer::~TTbrEditItemViewer() { *FAlive = false; }

bool TTbrEditItemViewer::EditCaptionShown() const {
  return !IsToolbarStyle() && !EditItem()->EditCaption().isEmpty();
}

int TTbrEditItemViewer::EditCaptionWidth() const {
  if (!EditCaptionShown())
    return 0;
  const TTbrTextMeasure &measure = View->Host()->Measure();
  return measure.TextExtent(RemoveAmpersands(EditItem()->EditCaption()), false).width() + 10;
}

void TTbrEditItemViewer::MeasureSize(const TTbrTextMeasure &measure, bool bold, int &width, int &height) {
  (void)bold;
  const int textHeight = measure.TextHeight(false);
  width = EditItem()->EditWidth();
  height = textHeight;
  if (EditCaptionShown()) {
    width += measure.TextExtent(RemoveAmpersands(EditItem()->EditCaption()), false).width() + 10;
    height += (textHeight + 3) / 4;
  }
  height = std::max(height, textHeight + 7);
}

QRect TTbrEditItemViewer::EditBoxRect() const {
  // Measured by the same rule as MeasureSize and the painting, so the
  // editor covers the box the user sees.
  QRect box = BoundsRect;
  box.setLeft(box.left() + EditCaptionWidth());
  return box;
}

bool TTbrEditItemViewer::PointInEditText(int x, int y) const {
  if (!Item->Enabled())
    return false;
  const QRect box = EditBoxRect().adjusted(2, 2, -2, -2);
  return box.contains(BoundsRect.topLeft() + QPoint(x, y));
}

bool TTbrEditItemViewer::GetAccValue(QString &value) const {
  value = EditItem()->Text();
  return true;
}

QString TTbrEditItemViewer::GetCaptionText() const { return EditItem()->EditCaption(); }

void TTbrEditItemViewer::MouseDown(Qt::KeyboardModifiers shift, bool doubleClick, int x, int y,
                                   bool &mouseDownOnMenu) {
  if (!PointOnButtonPart(x, y)) {
    TTbrItemViewer::MouseDown(shift, doubleClick, x, y, mouseDownOnMenu);
    return;
  }
  if (Item->Enabled())
    View->Execute(this, true);
  else if (!View->IsPopup && !View->ParentView())
    View->EndModal();
}

void TTbrEditItemViewer::MouseUp(int x, int y, bool mouseWasDownOnMenu) {
  if (!PointOnButtonPart(x, y)) {
    TTbrItemViewer::MouseUp(x, y, mouseWasDownOnMenu);
    return;
  }
  View->CancelCapture();
  if (Item->Enabled())
    View->Execute(this, true);
  else if (!View->IsPopup && !View->ParentView())
    View->EndModal();
}

bool TTbrEditItemViewer::DoExecute() {
  View->CloseChildPopups();
  const QRect box = EditBoxRect();
  if (box.isEmpty() || FSession)
    return false;
  TTbrView *const view = View;
  const std::shared_ptr<bool> alive = FAlive;
  TTbrEditSession session(*this, box.adjusted(3, 3, -3, -3));
  FSession = &session;
  try {
    view->Host()->RunEditSession(session);
  } catch (...) {
    if (*alive)
      FSession = nullptr;
    throw;
  }
  if (!*alive)
    return false; // the item went while it was edited: nothing is left to commit to
  FSession = nullptr;
  if (session.Status() == tbesEditing && EditItem()->AcceptOnLeave())
    session.Commit(session.Text());
  if (!*alive)
    return false;
  EditItem()->EditEnded(this, session);
  if (!*alive)
    return false;

  view->Host()->Invalidate(QRect());
  view->NotifyFocusEvent();
  const int status = session.Status();
  if (!(status & tbesCloseMenu)) {
    const TTbrMenuLoop *loop = view->GetRootView()->ActiveLoop();
    if ((status & tbesMoveOn) && loop && !loop->Ended()) {
      if (TTbrItemViewer *next = view->NextSelectable(this, !session.Backward())) {
        view->Select(next, false);
        view->ScrollSelectedIntoView();
      }
    }
    return false;
  }
  view->EndModal();
  return status & tbesMoveOn;
}

// TTbrEditSession

TTbrEditSession::TTbrEditSession(TTbrEditItemViewer &viewer, const QRect &editorRect)
    : Viewer(viewer), Item(*viewer.EditItem()), EditorRect(editorRect), FOriginalText(Item.Text()),
      FText(Item.Text()) {}

void TTbrEditSession::EditorReady(QObject *editControl) { Item.FireBeginEdit(&Viewer, editControl); }

void TTbrEditSession::TextChanged(const QString &text) {
  if (text == FText)
    return;
  FText = text;
  Item.EditTextChanged(&Viewer, text);
}

bool TTbrEditSession::KeyPressed(int key, Qt::KeyboardModifiers modifiers) {
  if (!Editing())
    return false;
  if (Item.EditKeyPressed(&Viewer, key, modifiers))
    return true;
  const bool alt = modifiers & Qt::AltModifier;
  if ((alt && !IsModifierKey(key) && !IsKeypadDigit(key, modifiers)) || key == Qt::Key_F10) {
    FStatus = tbesCloseMenu;
    return true;
  }
  if (modifiers & Qt::ControlModifier)
    return false;
  switch (key) {
  case Qt::Key_Tab:
  case Qt::Key_Backtab:
    FBackward = key == Qt::Key_Backtab || (modifiers & Qt::ShiftModifier);
    FStatus = tbesMoveOn;
    Commit(FText);
    return true;
  case Qt::Key_Return:
  case Qt::Key_Enter:
    FStatus = tbesMoveOn | tbesCloseMenu;
    Commit(FText);
    return true;
  case Qt::Key_Escape:
    FStatus = 0;
    return true;
  default:
    return false;
  }
}

bool TTbrEditSession::KeyReleased(int key) {
  if (!Editing() || key != Qt::Key_Alt)
    return false;
  FStatus = tbesCloseMenu;
  return true;
}

void TTbrEditSession::Left() {
  // The status stays "editing": the viewer commits only for items that accept on leave.
  FLeft = true;
}

void TTbrEditSession::Commit(const QString &text) {
  QString newText = text;
  bool accept = true;
  if (Item.OnAcceptText())
    Item.OnAcceptText()(&Viewer, newText, accept);
  if (!accept)
    return;
  FCommitted = true;
  Item.SetText(newText);
}

} // namespace qel::toolbars
