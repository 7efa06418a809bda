#pragma once
// The program's colour values: 0x00BBGGRR, a negative value names a system
// colour by its low byte, clNone (no colour of its own) and clDefault (the
// control's default) paint nothing; and their Qt colours.

#include <QColor>
#include <cstdint>

namespace qel {

using TColor = std::int32_t;

inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clWindow = TColor(0xFF000005u);
inline constexpr TColor clWindowText = TColor(0xFF000008u);
inline constexpr TColor clBtnFace = TColor(0xFF00000Fu);
inline constexpr TColor clBtnShadow = TColor(0xFF000010u);
inline constexpr TColor clInfoBk = TColor(0xFF000018u);

// clNone and clDefault give `none`; a system colour the palette's colour.
QColor TColorToQColor(TColor color, const QColor &none = QColor());
// An invalid colour gives clNone.
TColor QColorToTColor(const QColor &color);
// The colour as 0x00BBGGRR, system colours resolved (clNone and clDefault stay as they are).
TColor ColorToRGB(TColor color);

} // namespace qel
