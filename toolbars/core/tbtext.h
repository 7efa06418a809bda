#pragma once
// Caption text rules shared by toolbars and menus: "&" marks the accelerator
// character and "&&" stands for a literal "&". Texts are handled by code
// point, so a character outside the basic plane is never split.

#include <QString>

namespace qel::toolbars {

// Deletes every accelerator mark: "&&" leaves one "&", a lone "&" goes.
QString RemoveAmpersands(const QString &text);
// Every "&" becomes "&&", so the text shows as it stands.
QString DoubleAmpersands(const QString &text);
// Drops one final ":" or one final "..." (two full stops stay).
QString TrimTrailingColonOrDots(const QString &text);
// The character (code point) after the last single "&"; 0 when there is none.
char32_t AccelCharOf(const QString &caption);

} // namespace qel::toolbars
