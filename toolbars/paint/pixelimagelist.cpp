#include "toolbars/paint/pixelimagelist.h"

#include <QColor>

namespace qel::toolbars {

QImage TTbrPixelImageList::Fitted(const QImage &image) const {
  if (image.isNull())
    return image;
  QImage fitted = image.size() == QSize(Width(), Height())
                      ? image
                      : image.scaled(Width(), Height(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
  return fitted.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

int TTbrPixelImageList::Add(const QImage &image) {
  Images.append(Fitted(image));
  Change();
  return int(Images.size()) - 1;
}

void TTbrPixelImageList::Replace(int index, const QImage &image) {
  if (index < 0 || index >= Images.size())
    return;
  Images[index] = Fitted(image);
  Change();
}

QImage TTbrPixelImageList::Image(int index) const {
  return index >= 0 && index < Images.size() ? Images.at(index) : QImage();
}

QImage DisabledImage(const QImage &image) {
  if (image.isNull())
    return image;
  QImage grey = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < grey.height(); ++y) {
    auto *line = reinterpret_cast<QRgb *>(grey.scanLine(y));
    for (int x = 0; x < grey.width(); ++x) {
      const QRgb p = line[x];
      // Lightened grey at reduced opacity reads as "not available" on any face.
      const int g = 128 + qGray(p) / 3;
      line[x] = qRgba(g, g, g, qAlpha(p) * 2 / 3);
    }
  }
  return grey;
}

} // namespace qel::toolbars
