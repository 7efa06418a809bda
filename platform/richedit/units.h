#pragma once
// The one place where lengths change between twips (1/1440 inch, the unit of
// the control's format records and of RTF) and the units of the editor's
// QTextDocument (margins, indents, tab positions, image sizes).
//
// A document unit is fixed at 1/96 inch (15 twips), independent of the
// screen, so a card's layout and its RTF round-trip do not depend on the
// monitor it was edited on. Font sizes are points (twips / 20) and go through
// QTextCharFormat::setFontPointSize.

#include <QtGlobal>
#include <cmath>

namespace qel::re {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kUnitsPerInch = 96;
inline constexpr int kTwipsPerUnit = kTwipsPerInch / kUnitsPerInch;  // 15
inline constexpr int kTwipsPerPoint = 20;

// The control's default tab distance.
inline constexpr int kDefaultTabTwips = 720;

inline constexpr qreal twipsToUnits(int twips) { return qreal(twips) / kTwipsPerUnit; }
inline int unitsToTwips(qreal units) { return int(std::lround(units * kTwipsPerUnit)); }

inline constexpr qreal twipsToPoints(int twips) { return qreal(twips) / kTwipsPerPoint; }
inline int pointsToTwips(qreal points) { return int(std::lround(points * kTwipsPerPoint)); }

// Printer or screen pixels at a given resolution.
inline int twipsToPixels(int twips, int dpi) { return int(std::lround(qreal(twips) * dpi / kTwipsPerInch)); }
inline int pixelsToTwips(int pixels, int dpi) { return dpi > 0 ? int(std::lround(qreal(pixels) * kTwipsPerInch / dpi)) : 0; }

} // namespace qel::re
