#pragma once
// Keyboard shortcuts of toolbar items: a key with its modifiers, held as
// Qt's combined key value (0 = none), and its text as menus show it.

#include <Qt>
#include <QString>

namespace qel::toolbars {

using TShortCut = int;

constexpr TShortCut MakeShortCut(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  return key | int(modifiers.toInt() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

// "Ctrl+Shift+S", "F5", "Del": the portable text of the key combination;
// empty for 0.
QString ShortCutToText(TShortCut shortCut);

} // namespace qel::toolbars
