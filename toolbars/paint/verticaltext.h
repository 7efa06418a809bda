#pragma once
// Captions of toolbars docked at the left or right: text turned a quarter
// clockwise, reading from top to bottom, centred across its rectangle.

#include "toolbars/paint/canvas.h"

namespace qel::toolbars {

enum TDrawTextFlag : unsigned {
  TextNoPrefix = 0x1,    // "&" is shown as it stands, no accelerator
  TextEndEllipsis = 0x2, // a text too long ends in "..." within the rectangle
  TextVCenter = 0x4,     // centred along the rectangle, not at its start
  TextNoClip = 0x8,      // may paint outside the rectangle
  TextHidePrefix = 0x10, // accelerator marks removed, the accelerator not underlined
  TextCenter = 0x20,     // centred across the rectangle (horizontal text only)
  TextRight = 0x40,      // at the rectangle's right end (horizontal text only)
};

// A caption as it is drawn under `flags`: accelerator marks removed (unless
// TextNoPrefix), cut short with "..." to `extent` pixels (TextEndEllipsis),
// and the index of the accelerator character in it, or -1 when there is none
// to underline (TextHidePrefix, or cut off).
struct TShownText {
  QString Text;
  qsizetype Accel = -1;
};
TShownText ShownText(TCanvas &canvas, const QString &text, unsigned flags, int extent);

// Underlines the accelerator of `shown`, drawn with its top left at `origin`
// in a line `height` pixels high, by a one-pixel line in `color`.
void UnderlineAccelerator(TCanvas &canvas, const TShownText &shown, QPoint origin, int height, const QColor &color);

// The font for turned text: the given one with the old bitmap sans faces
// replaced by a scalable face, and outline glyphs only (they turn cleanly).
QFont MakeVerticalFont(const QFont &font);

// Draws `text` turned a quarter clockwise in `rect` with the canvas font made
// vertical: centred across the rectangle, from its top (or centred along it
// with TextVCenter), clipped to it unless TextNoClip. Unless TextNoPrefix,
// accelerator marks are removed and the accelerator character is underlined
// by a one-pixel line in the text colour (not with TextHidePrefix).
void DrawVerticalText(TCanvas &canvas, const QString &text, const QRect &rect, unsigned flags, const QColor &color);

} // namespace qel::toolbars
