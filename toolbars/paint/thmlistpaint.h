#pragma once
// Painting of the list popup (its rows and its light scroll bar) and of the
// colour swatches of colour items and colour palette cells, in the classic
// look with the desktop's colours.

#include "toolbars/core/thmscrollbar.h"
#include "toolbars/core/thmtypes.h"
#include "toolbars/paint/canvas.h"

#include <QImage>

namespace qel::toolbars {

// The bar at its bounds (moved by `offset` when they are relative to a
// viewer): arrow buttons, track parts (the held one dark) and the thumb.
void PaintScrollBar(TCanvas &canvas, const TThmScrollBar &bar, const QPoint &offset = QPoint());

// One row's default painting. `clear`: fill the row (hover highlight or
// window colour); `content`: the image (if any) and the text, single line,
// vertically centred, without accelerator handling.
struct TThmListRowPaint {
  QRect Rect;
  QString Text;
  bool Hover = false;
  bool Enabled = true;
  QImage Image; // null: none
  bool Clear = true;
  bool Content = true;
};
void PaintListRow(TCanvas &canvas, const TThmListRowPaint &row);
// The rows' colours: background and text of a row, hovered or not.
QColor ListRowBackground(bool hover);
QColor ListRowText(bool hover);

// A colour item's image: nothing for no colour, else a shadow frame filled
// with the colour (menus: 2 pixels smaller); disabled, a thin sunken edge.
void PaintColorSwatch(TCanvas &canvas, const QRect &rect, TColor color, bool enabled, bool inMenu);
// The image size of a colour item.
inline QSize ColorSwatchSize(bool toolbarStyle) { return toolbarStyle ? QSize(12, 12) : QSize(16, 16); }
// A colour palette cell's image: a shadow frame, filled one pixel in with the colour when enabled.
void PaintColorCell(TCanvas &canvas, const QRect &rect, TColor color, bool enabled);

} // namespace qel::toolbars
