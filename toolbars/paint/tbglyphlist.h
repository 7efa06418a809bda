#pragma once
// An image list that holds its pictures: glyphs of one size, by index.

#include "toolbars/core/tbimagelist.h"

#include <QImage>
#include <QList>

namespace qel::toolbars {

class TTbrGlyphList : public TTbrImageList {
public:
  using TTbrImageList::TTbrImageList;
  int Count() const override { return int(Glyphs.size()); }
  // Appends the picture (scaled to the list's size when it differs); its index.
  int Add(const QImage &image);
  // The picture at `index`; a null image when there is none.
  QImage Glyph(int index) const;

private:
  QList<QImage> Glyphs;
};

// The picture of `list` at `index`: a null image for no list, a list that
// holds no pictures, or an index out of range.
QImage ImageListGlyph(const TTbrImageList *list, int index);

} // namespace qel::toolbars
