#pragma once
// The docked frame of a dockable window (border, drag grip, close button),
// the chevron button of a toolbar, and the small one-colour glyphs they draw.

#include "toolbars/core/tbdocklayout.h"
#include "toolbars/paint/canvas.h"

#include <QColor>

#include <array>
#include <cstdint>

namespace qel::toolbars {

struct TDockFrameColors {
  QColor Face = QColor(0xF0, 0xF0, 0xF0); // the window's colour
  QColor Light = Qt::white;               // button highlight
  QColor Shadow = QColor(0xA0, 0xA0, 0xA0);
  QColor Text = Qt::black; // button text: the close glyph
};

// An 8 x 8 one-colour glyph: one byte a row, the left-most pixel the top bit.
using TMonoGlyph = std::array<std::uint8_t, 8>;
inline constexpr TMonoGlyph CloseGlyph = {0x00, 0xCC, 0x78, 0x30, 0x78, 0xCC, 0x00, 0x00};
inline constexpr TMonoGlyph ChevronGlyphHorizontal = {0xCC, 0x66, 0x33, 0x66, 0xCC, 0x00, 0x00, 0x00};
inline constexpr TMonoGlyph ChevronGlyphVertical = {0x88, 0xD8, 0x70, 0x20, 0x88, 0xD8, 0x70, 0x20};
void DrawMonoGlyph(TCanvas &canvas, const TMonoGlyph &glyph, const QPoint &topLeft, const QColor &color);

// A one-pixel raised (light top-left) or sunken (light bottom-right) edge
// just inside the rectangle.
void DrawEdge(TCanvas &canvas, const QRect &rect, bool raised, const QColor &light, const QColor &shadow);

struct TDockFrameState {
  QSize Size;
  bool Vertical = false;
  bool AllowDrag = true;
  bool BorderSingle = true;
  TTbrDragHandleStyle Style = dhSingle;
  bool CloseButtonWhenDocked = false;
  bool ClosePressed = false, CloseHot = false;
};
// Everything outside the docked window's contents.
void PaintDockedFrame(TCanvas &canvas, const TDockFrameState &state, const TDockFrameColors &colors);

// A toolbar's chevron button in `rect`: a raised edge when hot, sunken when
// pressed (contents one pixel down and right), the double chevron pointing
// along the toolbar; a disabled one drawn embossed.
void PaintChevronButton(TCanvas &canvas, const QRect &rect, bool vertical, bool hot, bool pressed, bool enabled,
                        const TDockFrameColors &colors);

} // namespace qel::toolbars
