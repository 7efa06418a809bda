#pragma once
// Colour values and fonts as plain values, so the settings can be kept,
// stored and tested without any window.

#include <QString>

#include <cstdint>

class QFont;

namespace qel {

// The framework's colour value: 0x00BBGGRR, or 0xFF000000 + index for a
// system colour (negative as a signed value); 0x1FFFFFFF means no colour.
using TColor = std::int32_t;

inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clWindow = TColor(0xFF000005u);
inline constexpr TColor clWindowText = TColor(0xFF000008u);
inline constexpr TColor clBtnFace = TColor(0xFF00000Fu);
inline constexpr TColor clInfoBk = TColor(0xFF000018u);

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
