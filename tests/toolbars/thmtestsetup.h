#pragma once
// Themed item tests start from one registered theme: the themed item set is
// stopped, the registry emptied, `T` registered as "Default" and the set
// started again, so each test sees the theme it asked for and no other.

#include "toolbars/core/thmthemes.h"
#include "toolbars/paint/thmitems.h"

namespace qel::toolbars::test {

template <class T> void StartThemedItemsWith() {
  StopThemedItems();
  ClearThemeRegistry();
  RegisterTheme("Default", &ThemeClassOf<T>);
  StartThemedItems();
}

} // namespace qel::toolbars::test
