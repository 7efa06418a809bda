#pragma once
// A plain look for views: every shown viewer as text on the menu colour,
// the selection highlighted, disabled items greyed, check marks, submenu
// arrows and separator lines; the scroll arrow bands of a popup; and the
// popup's frame. The themes paint views their own way; this is what a view
// looks like without one.

#include "toolbars/paint/canvas.h"

#include <QColor>

#include <functional>

namespace qel::toolbars {

class TTbrItemViewer;
class TTbrView;

struct TPlainViewColors {
  QColor Face = QColor(0xF0, 0xF0, 0xF0);
  QColor Text = Qt::black;
  QColor Highlight = QColor(0x30, 0x8C, 0xC6);
  QColor HighlightText = Qt::white;
  QColor Disabled = QColor(0x80, 0x80, 0x80);
  QColor Shadow = QColor(0xA0, 0xA0, 0xA0); // button shadow: separators, frames
  QColor Light = Qt::white;                 // button highlight
  QColor DarkShadow = QColor(0x40, 0x40, 0x40);
  QColor Window = Qt::white;
};

// Height of a popup's scroll arrow band.
inline constexpr int ScrollArrowBandHeight = 19;

// Paints the view's shown viewers (client coordinates) over a background
// already filled, each clipped to its bounds: a viewer that paints itself
// (TTbrItemViewer::Paint) does, any other goes to `paintStock` with the same
// hot (the selection) and pushed (held down, or its popup open) state.
// `clip` limits the work to the viewers it touches (an empty rectangle: all).
using TStockViewerPainter =
    std::function<void(TCanvas &canvas, const TTbrItemViewer &viewer, bool isHover, bool isPushed)>;
void DrawViewSubitems(TCanvas &canvas, const TTbrView &view, const QRect &clip,
                      const TStockViewerPainter &paintStock = {});

// DrawViewSubitems with the plain look for the stock viewers.
void PaintViewPlain(TCanvas &canvas, const TTbrView &view, const TPlainViewColors &colors, const QRect &clip = QRect());

// The bands at the top and the bottom of a scrolling popup's client area,
// each with a small filled triangle (6 wide, 3 high) pointing up or down.
void PaintScrollArrows(TCanvas &canvas, const QRect &client, bool upArrow, bool downArrow,
                       const TPlainViewColors &colors);

// The popup's frame, `border` pixels wide inside `window`: flat (one line in
// the shadow colour, then the window colour) or raised (a two-line raised
// edge, then the face colour).
void PaintPopupFrame(TCanvas &canvas, const QRect &window, int border, bool flat, const TPlainViewColors &colors);

} // namespace qel::toolbars
