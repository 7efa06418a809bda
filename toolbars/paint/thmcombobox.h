#pragma once
// The drop-down edit box and the combo box items: an edit box with a button
// at its right that opens the item's popup (F4 in the editor opens it too),
// and the combo box, whose popup is a string list it searches as the user
// types, completing the typed text with the first string that starts with
// it; Up and Down in the editor walk the strings.

#include "toolbars/core/thmcombotext.h"
#include "toolbars/paint/thmedititem.h"
#include "toolbars/paint/thmlists.h"

#include <functional>

namespace qel::toolbars {

class TThmCustomDropDownItem : public TThmEditItem {
public:
  TThmCustomDropDownItem();
  // The whole box opens the list: no typing.
  bool DropDownList() const { return FDropDownList; }
  void SetDropDownList(bool value);

  TTbrViewerFactory ViewerClass(TTbrView *view) const override;
  // The popup always opens with its first entry selected.
  bool SelectFirstPopupItem(bool) const override { return true; }

private:
  bool FDropDownList = false;
};

class TThmDropDownItemViewer : public TThmEditItemViewer {
public:
  using TThmEditItemViewer::TThmEditItemViewer;
  TThmCustomDropDownItem *DropDownItem() const { return static_cast<TThmCustomDropDownItem *>(Item); }

  EditBoxInfo GetEditInfo() const override;
  // The system's check mark width in menus, the theme's button width on toolbars.
  int RightButtonWidth() const override;
  // A press left of the button edits; on the button (or anywhere with
  // DropDownList) it opens the list.
  bool PointOnButtonPart(int x, int y) const override;
  // A list to choose from only (DropDownList) is no text to point into.
  Qt::CursorShape GetCursor(int x, int y) const override;
  // F4 opens the list.
  bool HandleEditMessage(int key, Qt::KeyboardModifiers modifiers) override;
};

class TThmComboBoxItem;

// Sender, the text, the row (-1 for the item's own picture) and the picture to show.
using TThmCAdjustImageIndex =
    std::function<void(TThmComboBoxItem *sender, const QString &text, int index, int &imageIndex)>;

class TThmComboBoxItem : public TThmCustomDropDownItem {
public:
  TThmComboBoxItem();
  ~TThmComboBoxItem() override;

  // The list shown in the popup; the combo owns it as its only child.
  TThmStringList *List() const { return FList; }
  const QStringList &Strings() const { return FList->Strings(); }
  void SetStrings(const QStringList &strings);
  // The chosen string (-1 none).
  int ItemIndex() const { return FList->ItemIndex(); }
  bool AutoComplete() const { return FCombo.AutoComplete; }
  void SetAutoComplete(bool value) { FCombo.AutoComplete = value; }
  int MaxVisibleItems() const { return FList->MaxVisibleItems(); }
  void SetMaxVisibleItems(int value) { FList->SetMaxVisibleItems(value); }
  int MaxListWidth() const { return FList->MaxWidth(); }
  void SetMaxListWidth(int value) { FList->SetMaxWidth(value); }
  int MinListWidth() const { return FList->MinWidth(); }
  void SetMinListWidth(int value) { FList->SetMinWidth(value); }
  bool ShowListImages() const { return FList->ShowImages(); }
  void SetShowListImages(bool value) { FList->SetShowImages(value); }

  // A string of the list was clicked.
  std::function<void(TThmComboBoxItem *sender)> OnItemClick;
  TThmCAdjustImageIndex OnAdjustImageIndex;

  // The program sets the text: the list's choice follows when it opens.
  void SetText(const QString &value) override;
  void FirePopup(TTbrCustomItem *sender, bool fromLink) override;
  // Typed text is searched among the strings and completed; OnChange fires
  // with every change, also when a choice in the list changes the text.
  void DoChange(TThmEditControl *control, const QString &text) override;
  int GetImageIndex() const override;
  TTbrViewerFactory ViewerClass(TTbrView *view) const override;

  // Up (-1) or Down (+1) in the editor.
  void MoveIndex(TThmEditControl *control, int delta);

protected:
  virtual void AdjustImageIndex(const QString &text, int index, int &imageIndex);
  virtual void ListChanged();
  virtual void ListClicked();

private:
  TThmStringList *FList = nullptr;
  TThmComboText FCombo;
  bool FTyping = false;
  mutable bool FImageValid = false;
  mutable int FImageIndex = -1;
};

class TThmComboBoxItemViewer : public TThmDropDownItemViewer {
public:
  using TThmDropDownItemViewer::TThmDropDownItemViewer;
  // Up and Down walk the strings; other keys go to the drop-down handling.
  bool HandleEditMessage(int key, Qt::KeyboardModifiers modifiers) override;
};

} // namespace qel::toolbars
