#pragma once
// Colour values and fonts as plain values, so the settings can be kept,
// stored and tested without any window.

#include "platform/colorvalue.h"

#include <QString>

#include <cstdint>

class QFont;

namespace qel {

// Colour values (TColor, clNone, clWindowText...) are the platform's.

// A plain colour (0x00BBGGRR) or one of the system colours (indexes 0 to 30).
inline constexpr bool IsKnownColor(TColor color) {
  return (color >= 0 && color <= 0xFFFFFF) || (color >= TColor(0xFF000000u) && color <= TColor(0xFF00001Eu));
}

// Font styles as a bit set; the bits are those of the scheme files' "FontStyle".
enum TFontStyle : unsigned {
  fsBold = 1,
  fsItalic = 2,
  fsUnderline = 4,
  fsStrikeOut = 8,
};
using TFontStyles = unsigned;
inline constexpr TFontStyles kAllFontStyles = fsBold | fsItalic | fsUnderline | fsStrikeOut;

inline constexpr int DEFAULT_CHARSET = 1;

// A font as the settings keep it.
struct TFont {
  QString Name = QStringLiteral("Sans Serif");
  int Size = 10;  // points
  TColor Color = clWindowText;
  TFontStyles Style = 0;
  int Charset = DEFAULT_CHARSET;

  void Assign(const TFont &other) { *this = other; }
  bool operator==(const TFont &) const = default;
};

// The framework's default font, taken by fonts that have no default of their own.
TFont DefaultFont();

// "B", "I", "U", "S" for the styles present, in that order.
QString FontStyleToLetters(TFontStyles style);
// Any order, anywhere in the text; lower-case letters mean nothing.
TFontStyles LettersToFontStyle(const QString &letters);

// To and from Qt's font (the character set and colour stay outside QFont).
QFont FontToQFont(const TFont &font);
// Name, size and style from `qfont`; colour and character set from `base`.
TFont FontFromQFont(const QFont &qfont, const TFont &base = TFont());

} // namespace qel
