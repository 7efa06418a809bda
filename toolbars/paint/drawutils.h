#pragma once
// Rectangle and line painters of the themes, on the canvas. Colours are the
// program's colour values (system colours resolved from the palette); clNone
// paints nothing.

#include "platform/colorvalue.h"
#include "toolbars/paint/canvas.h"

#include <optional>

namespace qel::toolbars {

// True when it painted (not for clNone).
bool FillRectWithColor(TCanvas &canvas, const QRect &rect, TColor color);
// A one-pixel frame inside the rectangle. With `shrink` the rectangle is
// reduced by one pixel on each side whether or not anything was painted.
bool FrameRectWithColor(TCanvas &canvas, QRect &rect, TColor color, bool shrink);
// The two-colour 8 x 8 checker, aligned to the surface's origin: colour 1
// where x + y is even, colour 2 where it is odd.
void FillRectWithDitherPattern(TCanvas &canvas, const QRect &rect, TColor color1, TColor color2);
// A bevel: the top row and left column in the first colour, the right column
// and bottom row in the second (which owns the bottom-left and top-right
// corners). The rectangle ends one pixel smaller on each side.
void DrawFrameLines(TCanvas &canvas, QRect &rect, TColor topLeft, TColor bottomRight);
// A one-pixel line from (x1, y1) towards (x2, y2), the end point itself not
// painted (so lines drawn end to end never paint a pixel twice).
void DrawLineWithColor(TCanvas &canvas, int x1, int y1, int x2, int y2, TColor color);

// The drag frame: inverts, with a 50 % checker, the band between each
// rectangle and that rectangle shrunk by its thickness. The old frame's band
// is inverted back in the same call, so drawing the same frame twice (once
// as new, then as old) leaves the surface as it was. A missing rectangle is skipped.
void DrawHalftoneFrame(TCanvas &canvas, const std::optional<QRect> &newRect,
                       const std::optional<QRect> &oldRect, int newThickness, int oldThickness);

} // namespace qel::toolbars
