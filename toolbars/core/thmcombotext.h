#pragma once
// The text side of a combo box item: what typing in its edit box does to the
// chosen string (incremental search, completion of the typed text with the
// completed tail selected), Up and Down through the strings, and taking a
// string chosen from the list into the text.

#include <QString>
#include <QStringList>

#include <functional>

namespace qel::toolbars {

// The edit box while it is open, as the combo logic needs it.
class TThmComboEdit {
public:
  virtual ~TThmComboEdit() = default;
  virtual void SetEditText(const QString &text) = 0;
  // Selects `length` characters from `start`.
  virtual void SelectText(int start, int length) = 0;
};

class TThmComboText {
public:
  QStringList Strings;
  bool AutoComplete = true;
  // While loading, typed changes are only reported.
  bool Loading = false;

  QString Text() const { return FText; }
  // The program set the text: kept for the next opening of the list, nothing reported.
  void SetText(const QString &text) { FText = text; }
  // The list's chosen row (-1 none).
  int ListIndex() const { return FListIndex; }

  // The text changed: typed in `edit`, or set by the program (edit null).
  void DoChange(TThmComboEdit *edit, QString text); // by value: the edit may change under it
  // The list's chosen row changed (by the list itself or the program).
  void SetListIndex(int index);
  // Up (-1) or Down (+1) in the edit box: the neighbouring string, shown and selected.
  void MoveIndex(TThmComboEdit *edit, int delta);
  // A key in the edit box: F4 asks for the list (true in `openList`), Up and
  // Down walk the strings; true when the key was used.
  bool EditKey(TThmComboEdit *edit, int key, bool *openList);
  // The list popup opens: its row is the text's position among the strings.
  void PopupOpening();
  // The first string starting with `text` (case ignored), or -1.
  int FindPrefix(const QString &text) const;

  // OnChange of the item, with its new text.
  std::function<void(const QString &text)> OnChange;
  // The list's row changed (the host moves the list item's ItemIndex).
  std::function<void(int index)> OnListIndex;
  // Each viewer of the list scrolls this row into view.
  std::function<void(int index)> BringIntoView;

private:
  void ListChanged();
  void StoreListIndex(int index);

  QString FText;
  QString FLastText;
  int FListIndex = -1;
  bool FUpdating = false;
};

} // namespace qel::toolbars
