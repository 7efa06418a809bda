#pragma once
// An image list that holds its pictures: the items know an image by its
// index, the painters take the pixels from here. Every picture is kept at
// the list's size.

#include "toolbars/core/tbimagelist.h"

#include <QImage>
#include <QList>

namespace qel::toolbars {

class TTbrPixelImageList : public TTbrImageList {
public:
  explicit TTbrPixelImageList(int width = 16, int height = 16) : TTbrImageList(width, height) {}

  int Count() const override { return int(Images.size()); }
  // Appends the picture (scaled to the list's size when it differs) and
  // answers its index; a null picture still takes an index, drawn as nothing.
  int Add(const QImage &image);
  // Replaces the picture at `index`; an index out of range changes nothing.
  void Replace(int index, const QImage &image);
  // The picture at `index`; a null image for an index out of range.
  QImage Image(int index) const;

private:
  QImage Fitted(const QImage &image) const;
  QList<QImage> Images;
};

// The picture as a disabled item shows it: in the desktop's grey text, its shape kept.
QImage DisabledImage(const QImage &image);

} // namespace qel::toolbars
