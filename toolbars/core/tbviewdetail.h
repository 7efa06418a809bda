#pragma once
// Small helpers shared by the view and viewer sources; not for other users.

#include "toolbars/core/tbitem.h"

#include <QString>

namespace qel::toolbars::viewdetail {

// How deep embedded groups are shown inline in their parent's view.
constexpr int MaxGroupLevel = 10;
// Width of a toolbar combo item's arrow part.
constexpr int ComboArrowWidth = 11;
// Length a drop-down arrow adds to a toolbar button.
constexpr int DropdownArrowWidth = 8;

inline bool HasStyle(const TTbrCustomItem *item, int style) { return (item->ItemStyle() & style) != 0; }
inline bool HasOption(const TTbrCustomItem *item, int option) { return (item->EffectiveOptions() & option) != 0; }
inline int ChildCount(const TTbrCustomItem *item) { return item->Count(); }
inline TTbrCustomItem *Child(const TTbrCustomItem *item, int index) { return item->Items(index); }
inline TTbrCustomItem *Containing(TTbrCustomItem *item) { return TTbrCustomItem::ItemContainingItems(item); }
inline bool IsControl(const TTbrCustomItem *item) { return dynamic_cast<const TTbrControlItem *>(item) != nullptr; }

inline bool SameCharIgnoringCase(char32_t a, char32_t b) {
  return QString::fromUcs4(&a, 1).compare(QString::fromUcs4(&b, 1), Qt::CaseInsensitive) == 0;
}

inline char32_t FirstCodePoint(const QString &text) {
  if (text.isEmpty())
    return 0;
  if (text.size() > 1 && text.at(0).isHighSurrogate() && text.at(1).isLowSurrogate())
    return QChar::surrogateToUcs4(text.at(0), text.at(1));
  return text.at(0).unicode();
}

} // namespace qel::toolbars::viewdetail
