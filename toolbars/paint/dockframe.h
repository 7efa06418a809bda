#pragma once
// The docked frame of a dockable window (border, drag grip, close button),
// the chevron button of a toolbar, and the small one-colour glyphs they draw.

#include "toolbars/core/tbdocklayout.h"
#include "toolbars/paint/canvas.h"

#include <QColor>
#include <QString>

#include <cstdint>

namespace qel::toolbars {

// The edges are the desktop's (button highlight and shadow); the rest
// comes from the window.
struct TDockFrameColors {
  QColor Face = QColor(0xF0, 0xF0, 0xF0); // the window's colour
  QColor Text = Qt::black;                // button text: the glyphs
};

// 8 x 8 one-colour glyphs (stamped with StampGlyph): one byte a row, the
// left-most pixel the top bit.
inline constexpr std::uint8_t CloseGlyph[8] = {0x00, 0xCC, 0x78, 0x30, 0x78, 0xCC, 0x00, 0x00};
inline constexpr std::uint8_t ChevronGlyphHorizontal[8] = {0xCC, 0x66, 0x33, 0x66, 0xCC, 0x00, 0x00, 0x00};
inline constexpr std::uint8_t ChevronGlyphVertical[8] = {0x88, 0xD8, 0x70, 0x20, 0x88, 0xD8, 0x70, 0x20};

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

// The frame of a floating window's tool window: a raised edge, the ring
// in the window's colour, the small caption (its close square at the right
// end when shown) and a line of button face under it. `outer` is the whole
// window; `frame` the ring's width and height; `captionHeight` 0 without
// a caption.
struct TFloatingFrameState {
  QSize Outer;
  QPoint Frame;
  int CaptionHeight = 0;
  QString Caption;
  bool Active = true;
  bool CloseButton = true;
  bool ClosePressed = false;
};
void PaintFloatingFrame(TCanvas &canvas, const TFloatingFrameState &state, const TDockFrameColors &colors);
// A toolbar's chevron button in `rect`: a raised edge when hot, sunken when
// pressed (contents one pixel down and right), the double chevron pointing
// along the toolbar; a disabled one drawn embossed.
void PaintChevronButton(TCanvas &canvas, const QRect &rect, bool vertical, bool hot, bool pressed, bool enabled,
                        const TDockFrameColors &colors);

} // namespace qel::toolbars
