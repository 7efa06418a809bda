#include "toolbars/paint/thmcombobox.h"

namespace qel::toolbars {

namespace {

int Metric(int index) { return ActiveTheme().IntegerMetric(index); }

TTbrItemViewer *MakeDropDownViewer(TTbrView *view, TTbrCustomItem *item, int groupLevel) {
  return new TThmDropDownItemViewer(view, item, groupLevel);
}

TTbrItemViewer *MakeComboViewer(TTbrView *view, TTbrCustomItem *item, int groupLevel) {
  return new TThmComboBoxItemViewer(view, item, groupLevel);
}

TTbrItemViewer *MakeButtonViewer(TTbrView *view, TTbrCustomItem *item, int groupLevel) {
  return new TThmItemViewer(view, item, groupLevel);
}

// The editor as the combo's text rules see it.
class TComboEdit final : public TThmComboEdit {
public:
  explicit TComboEdit(TThmEditControl &control) : Control(control) {}
  void SetEditText(const QString &text) override { Control.SetEditText(text); }
  void SelectText(int start, int length) override { Control.SetEditSelection(start, length); }

private:
  TThmEditControl &Control;
};

} // namespace

// ---------------------------------------------------------------------------
// Drop-down edit box

TThmCustomDropDownItem::TThmCustomDropDownItem() {
  SetItemStyle(TTbrItemStyle((ItemStyle() | tbis::Submenu | tbis::Combo | tbis::SubitemsEditable) &
                             ~tbis::DontSelectFirst));
}

void TThmCustomDropDownItem::SetDropDownList(bool value) {
  if (value == FDropDownList)
    return;
  FDropDownList = value;
  Change(false);
}

TTbrViewerFactory TThmCustomDropDownItem::ViewerClass(TTbrView *view) const {
  return ShowsEditBox(view) ? &MakeDropDownViewer : &MakeButtonViewer;
}

EditBoxInfo TThmDropDownItemViewer::GetEditInfo() const {
  EditBoxInfo info = TThmEditItemViewer::GetEditInfo();
  info.RightButton.ButtonType = 1;
  int state = 0;
  if (!Item->Enabled())
    state |= 1;
  if (View->Selected() == this)
    state |= 2;
  if (View->OpenViewer() == this)
    state |= 4;
  info.RightButton.ButtonState = state;
  return info;
}

int TThmDropDownItemViewer::RightButtonWidth() const {
  if (IsToolbarStyle())
    return Metric(65);
  return View->Host() ? View->Host()->Measure().MenuCheckWidth() : 13;
}

bool TThmDropDownItemViewer::PointOnButtonPart(int x, int y) const {
  (void)y;
  if (DropDownItem()->DropDownList())
    return false;
  return x < EditBoxRect().right() + 1 - BoundsRect.left();
}

Qt::CursorShape TThmDropDownItemViewer::GetCursor(int x, int y) const {
  return DropDownItem()->DropDownList() ? Qt::ArrowCursor : TThmEditItemViewer::GetCursor(x, y);
}

bool TThmDropDownItemViewer::HandleEditMessage(int key, Qt::KeyboardModifiers modifiers) {
  if (key != Qt::Key_F4 || (modifiers & (Qt::AltModifier | Qt::ControlModifier)))
    return TThmEditItemViewer::HandleEditMessage(key, modifiers);
  if (View->Selected() != this)
    View->Select(this, false);
  View->OpenChildPopup(true);
  return true;
}

// ---------------------------------------------------------------------------
// Combo box

TThmComboBoxItem::TThmComboBoxItem() {
  SetItemStyle(TTbrItemStyle(ItemStyle() & ~tbis::SubitemsEditable));
  FList = new TThmStringList;
  FList->SetMinWidth(64);
  FList->OnChange = [this](TThmCustomList *) {
    FImageValid = false;
    ListChanged();
  };
  FList->SetOnClick([this](TTbrCustomItem *) {
    FImageValid = false;
    ListClicked();
  });
  FList->OnAdjustImageIndex = [this](TThmCustomList *, int index, int &imageIndex) {
    AdjustImageIndex(Strings().value(index), index, imageIndex);
  };
  FCombo.OnChange = [this](const QString &text) {
    // A choice in the list (or Up and Down) is the item's text at once;
    // typed text is the editor's until the edit commits it.
    if (!FTyping && text != Text())
      TTbrEditItem::SetText(text);
    FImageValid = false;
    TThmEditItem::DoChange(nullptr, text);
  };
  FCombo.OnListIndex = [this](int index) { FList->SetItemIndex(index); };
  FCombo.BringIntoView = [this](int index) { FList->MakeVisible(index); };
  Add(FList);
}

TThmComboBoxItem::~TThmComboBoxItem() {
  FList->OnChange = nullptr;
  FCombo.OnChange = nullptr;
  FCombo.OnListIndex = nullptr;
}

void TThmComboBoxItem::SetStrings(const QStringList &strings) {
  FCombo.Strings = strings;
  FList->SetStrings(strings);
}

void TThmComboBoxItem::SetText(const QString &value) {
  TThmCustomDropDownItem::SetText(value);
  FCombo.SetText(Text());
  FImageValid = false;
}

void TThmComboBoxItem::FirePopup(TTbrCustomItem *sender, bool fromLink) {
  TThmCustomDropDownItem::FirePopup(sender, fromLink);
  FCombo.PopupOpening();
}

void TThmComboBoxItem::DoChange(TThmEditControl *control, const QString &text) {
  if (!control) {
    FCombo.DoChange(nullptr, text);
    return;
  }
  TComboEdit edit(*control);
  const bool typing = FTyping;
  FTyping = true;
  try {
    FCombo.DoChange(&edit, text);
  } catch (...) {
    FTyping = typing;
    throw;
  }
  FTyping = typing;
}

void TThmComboBoxItem::MoveIndex(TThmEditControl *control, int delta) {
  if (!control) {
    FCombo.MoveIndex(nullptr, delta);
    return;
  }
  TComboEdit edit(*control);
  FCombo.MoveIndex(&edit, delta);
}

void TThmComboBoxItem::ListChanged() { FCombo.SetListIndex(FList->ItemIndex()); }

void TThmComboBoxItem::ListClicked() {
  if (OnItemClick)
    OnItemClick(this);
}

void TThmComboBoxItem::AdjustImageIndex(const QString &text, int index, int &imageIndex) {
  if (OnAdjustImageIndex)
    OnAdjustImageIndex(this, text, index, imageIndex);
}

int TThmComboBoxItem::GetImageIndex() const {
  if (!FImageValid) {
    int imageIndex = ImageIndex();
    if (FList->ItemIndex() >= 0)
      imageIndex = FList->ItemIndex();
    const_cast<TThmComboBoxItem *>(this)->AdjustImageIndex(Text(), -1, imageIndex);
    FImageIndex = imageIndex;
    FImageValid = true;
  }
  return FImageIndex;
}

TTbrViewerFactory TThmComboBoxItem::ViewerClass(TTbrView *view) const {
  return ShowsEditBox(view) ? &MakeComboViewer : &MakeButtonViewer;
}

bool TThmComboBoxItemViewer::HandleEditMessage(int key, Qt::KeyboardModifiers modifiers) {
  auto *combo = static_cast<TThmComboBoxItem *>(Item);
  if ((key == Qt::Key_Up || key == Qt::Key_Down) && !(modifiers & (Qt::AltModifier | Qt::ControlModifier))) {
    combo->MoveIndex(EditControl(), key == Qt::Key_Up ? -1 : +1);
    return true;
  }
  return TThmDropDownItemViewer::HandleEditMessage(key, modifiers);
}

} // namespace qel::toolbars
