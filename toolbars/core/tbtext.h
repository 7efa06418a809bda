#pragma once
// Caption text rules shared by toolbars and menus: "&" marks the accelerator
// character and "&&" stands for a literal "&". Texts are handled by code
// point, so a character outside the basic plane is never split.

#include <QString>

#include <functional>

namespace qel::toolbars {

// Deletes every accelerator mark: "&&" leaves one "&", a lone "&" goes.
QString RemoveAmpersands(const QString &text);
// The same, and `accelIndex` receives the position in the result of the
// accelerator character (the one after the last single "&"), -1 when none.
QString RemoveAmpersands(const QString &text, qsizetype &accelIndex);
// Every "&" becomes "&&", so the text shows as it stands.
QString DoubleAmpersands(const QString &text);
// Drops one final ":" or one final "..." (two full stops stay).
QString TrimTrailingColonOrDots(const QString &text);
// The character (code point) after the last single "&"; 0 when there is none.
char32_t AccelCharOf(const QString &caption);
// The text as it fits into `maxWidth` as `measure` measures it: whole when it
// fits, else its longest start (one code point at least) followed by "...",
// else its first code point alone. `kept`, when given, receives how many
// UTF-16 units of the text the result still shows.
QString ShortenWithEllipsis(const QString &text, int maxWidth, const std::function<int(const QString &)> &measure,
                            qsizetype *kept = nullptr);

} // namespace qel::toolbars
