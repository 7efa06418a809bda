#include "toolbars/paint/glypheffects.h"

#include "toolbars/core/colormath.h"

#include <QPainter>

#include <functional>

namespace qel::toolbars {

namespace {

// The glyph cut to the area it may cover, unpremultiplied.
QImage GlyphArea(const QRect &rect, const QImage &glyph) {
  const int w = qMin(glyph.width(), rect.width()), h = qMin(glyph.height(), rect.height());
  if (w <= 0 || h <= 0)
    return {};
  return glyph.copy(0, 0, w, h).convertToFormat(QImage::Format_ARGB32);
}

// Each glyph pixel mapped to a new colour, keeping the glyph's own coverage,
// and drawn over the canvas.
void DrawMapped(TCanvas &canvas, const QRect &rect, const QImage &glyph, const std::function<TPixel(TPixel)> &map) {
  QImage area = GlyphArea(rect, glyph);
  if (area.isNull())
    return;
  for (int y = 0; y < area.height(); ++y) {
    auto *line = reinterpret_cast<TPixel *>(area.scanLine(y));
    for (int x = 0; x < area.width(); ++x)
      if (qAlpha(line[x]) != 0)
        line[x] = (map(line[x] | 0xFF000000u) & 0x00FFFFFFu) | (line[x] & 0xFF000000u);
  }
  canvas.DrawImage(rect.topLeft(), area);
}

} // namespace

void DrawImageContrast(TCanvas &canvas, const QRect &rect, const QImage &glyph, bool dark) {
  if (!dark) {
    const QImage area = GlyphArea(rect, glyph);
    if (!area.isNull())
      canvas.DrawImage(rect.topLeft(), area);
    return;
  }
  DrawMapped(canvas, rect, glyph, DarkBackgroundGlyphPixel);
}

void DrawImageBlended(TCanvas &canvas, const QRect &rect, const QImage &glyph, int weight, TColor color) {
  const TColor rgb = ColorToRGB(color);
  DrawMapped(canvas, rect, glyph, [&](TPixel p) { return BlendedGlyphPixel(p, rgb, weight); });
}

void DrawImageFaded(TCanvas &canvas, const QRect &rect, const QImage &glyph, int level) {
  const QImage area = GlyphArea(rect, glyph);
  if (area.isNull())
    return;
  const QRect target(rect.topLeft(), area.size());
  QImage background = canvas.CopyArea(target);
  if (background.isNull())
    return; // nothing to darken on a surface that cannot be read back
  // The glyph as it would show over the background decides how dark each pixel gets.
  QImage over = background;
  {
    QPainter painter(&over);
    painter.drawImage(0, 0, area);
  }
  for (int y = 0; y < background.height(); ++y) {
    auto *bg = reinterpret_cast<TPixel *>(background.scanLine(y));
    const auto *gl = reinterpret_cast<const TPixel *>(over.constScanLine(y));
    for (int x = 0; x < background.width(); ++x)
      if (gl[x] != bg[x])
        bg[x] = FadedGlyphPixel(bg[x], gl[x], level);
  }
  canvas.DrawImage(target.topLeft(), background);
}

} // namespace qel::toolbars
