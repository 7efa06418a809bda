#pragma once
// Glyph effects for disabled, inactive and dark-background images. Each
// works on the glyph's pixels (those not fully transparent) within
// min(glyph size, rectangle size) at the rectangle's top-left corner.

#include "platform/colorvalue.h"
#include "toolbars/paint/canvas.h"

namespace qel::toolbars {

// Not dark: the glyph as it is. Dark: bright pixels turn black, dark ones
// white, all lightened, so the glyph stands out on a dark background.
void DrawImageContrast(TCanvas &canvas, const QRect &rect, const QImage &glyph, bool dark);
// Every glyph pixel blended into `color`, `weight` (0..255) parts glyph.
void DrawImageBlended(TCanvas &canvas, const QRect &rect, const QImage &glyph, int weight, TColor color);
// The background under the glyph darkened according to the glyph's
// brightness (level 0 the strongest, 2 the faintest); the glyph's own colours are not shown.
void DrawImageFaded(TCanvas &canvas, const QRect &rect, const QImage &glyph, int level);

} // namespace qel::toolbars
