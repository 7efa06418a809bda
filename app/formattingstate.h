#pragma once
// What the formatting toolbar shows for a selection: which buttons are
// checked, which size item, which colours, which face. Worked out from the
// selection's format records alone, apart from the widgets that show it, so
// the toolbar can change its look without the rule changing.

#include "platform/colorvalue.h"
#include "platform/richedit/formatrecords.h"

#include <QString>
#include <QStringList>

namespace qel {

// The size items of the size button, in points.
const QList<int> &TextSizeItems();

struct FormattingState {
  bool bold = false, italic = false, underline = false;
  bool superscript = false, subscript = false;
  bool left = false, right = false, center = false;
  bool bullets = false;
  // The checked size item: its caption ("10"), or "other" for a size not in
  // the list or a selection of mixed sizes.
  QString sizeItem;
  // Known only when the whole selection has one size.
  int size = 0;
  TColor textColor = clNone;       // clNone: mixed or automatic
  TColor highlightColor = clNone;  // clNone: mixed or none
  QString fontName;                // empty: mixed

  bool operator==(const FormattingState &) const = default;
};

// The toolbar's state for a selection's character and paragraph records (a
// member whose mask bit is clear differs across the selection).
FormattingState FormattingStateOf(const re::CharFormat &chars, const re::ParaFormat &para);

} // namespace qel
