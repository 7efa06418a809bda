#include "toolbars/paint/tbglyphlist.h"

namespace qel::toolbars {

int TTbrGlyphList::Add(const QImage &image) {
  QImage glyph = image.convertToFormat(QImage::Format_ARGB32);
  if (glyph.size() != QSize(Width(), Height()))
    glyph = glyph.scaled(Width(), Height(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  Glyphs.append(glyph);
  Change();
  return int(Glyphs.size() - 1);
}

QImage TTbrGlyphList::Glyph(int index) const { return index >= 0 && index < Glyphs.size() ? Glyphs.at(index) : QImage(); }

QImage ImageListGlyph(const TTbrImageList *list, int index) {
  auto *glyphs = dynamic_cast<const TTbrGlyphList *>(list);
  return glyphs ? glyphs->Glyph(index) : QImage();
}

} // namespace qel::toolbars
