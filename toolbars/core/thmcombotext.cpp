#include "toolbars/core/thmcombotext.h"

#include <Qt>

#include <algorithm>

namespace qel::toolbars {

int TThmComboText::FindPrefix(const QString &text) const {
  for (int i = 0; i < Strings.size(); ++i)
    if (Strings[i].startsWith(text, Qt::CaseInsensitive))
      return i;
  return -1;
}

void TThmComboText::StoreListIndex(int index) {
  index = index < 0 ? -1 : index;
  if (index == FListIndex)
    return;
  FListIndex = index;
  if (OnListIndex)
    OnListIndex(index);
  ListChanged();
}

void TThmComboText::DoChange(TThmComboEdit *edit, QString text) {
  FText = text;
  if (OnChange)
    OnChange(text);
  if (FUpdating || Loading)
    return;
  FUpdating = true;
  QString current = text;
  if (current.isEmpty()) {
    StoreListIndex(-1);
  } else {
    const int i = FindPrefix(current);
    if (i < 0) {
      StoreListIndex(-1);
    } else {
      if (BringIntoView)
        BringIntoView(i);
      // Complete only while the user types forward: after Backspace the
      // shorter text is left as it is. The letters before the new one may
      // have taken the list's case from the completion ("d" shows as "D..."),
      // so case is ignored here as in the search.
      const bool typedForward =
          current.size() > FLastText.size() && current.startsWith(FLastText, Qt::CaseInsensitive);
      if (AutoComplete && edit && typedForward) {
        const int typed = current.size();
        current = Strings[i];
        FText = current;
        edit->SetEditText(current);
        edit->SelectText(typed, current.size() - typed);
      }
      StoreListIndex(current.compare(Strings[i], Qt::CaseInsensitive) == 0 ? i : -1);
    }
  }
  // What the user typed, not what it was completed to: the next letter typed
  // over the selected tail is then forward typing again.
  FLastText = text;
  FUpdating = false;
}

void TThmComboText::SetListIndex(int index) { StoreListIndex(index); }

void TThmComboText::ListChanged() {
  // A row chosen while the typed text is being matched must not replace the text.
  if (FUpdating || FListIndex < 0 || FListIndex >= Strings.size())
    return;
  const QString &chosen = Strings[FListIndex];
  if (FText == chosen)
    return;
  FUpdating = true;
  DoChange(nullptr, chosen); // reported only: the text is the list's now
  FUpdating = false;
}

void TThmComboText::MoveIndex(TThmComboEdit *edit, int delta) {
  if (Strings.isEmpty())
    return;
  // The index stops at the last string rather than running past it.
  int index = FListIndex + delta;
  index = index < 0 ? -1 : std::min<int>(index, Strings.size() - 1);
  StoreListIndex(index);
  if (edit) {
    edit->SetEditText(FText);
    edit->SelectText(0, FText.size());
  }
}

bool TThmComboText::EditKey(TThmComboEdit *edit, int key, bool *openList) {
  if (openList)
    *openList = false;
  switch (key) {
  case Qt::Key_F4:
    if (openList)
      *openList = true;
    return true;
  case Qt::Key_Up: MoveIndex(edit, -1); return true;
  case Qt::Key_Down: MoveIndex(edit, +1); return true;
  default: return false;
  }
}

void TThmComboText::PopupOpening() {
  FUpdating = true;
  StoreListIndex(Strings.indexOf(FText));
  FUpdating = false;
}

} // namespace qel::toolbars
