#pragma once
// The look of the options dialog's sample (filter edit, list, card header,
// card): the predefined schemes and scheme files (".qelscheme", ini files
// with the sections "Filter", "List", "Header", "Card", each holding the five
// font keys and "Color").

#include "settings/fontvalue.h"

#include <QString>
#include <QStringList>

namespace qel {

struct TSampleLook {
  TColor Color = clWindow;
  TFont Font;
  bool operator==(const TSampleLook &) const = default;
};

struct TSchemeLooks {
  TSampleLook Filter, List, Header, Card;
  bool operator==(const TSchemeLooks &) const = default;
};

// The names offered, in order.
QStringList PredefinedSchemeNames();
// Resets the colours and the font colours and styles the schemes set, then
// applies the scheme whose name the text contains ("simple" keeps the reset).
void ApplyPredefinedScheme(const QString &text, TSchemeLooks &looks);

// Throws EIniFileException when the file cannot be written; an existing file stays whole then.
void SaveSchemeFile(const QString &fileName, const TSchemeLooks &looks);
// A section or key that is missing, or a value no sample can show (a size
// out of range, a colour that is none of ours), keeps the current look.
// False with `error` when the file cannot be read.
bool LoadSchemeFile(const QString &fileName, TSchemeLooks &looks, QString *error = nullptr);

} // namespace qel
