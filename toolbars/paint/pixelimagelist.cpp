#include "toolbars/paint/pixelimagelist.h"

#include "toolbars/paint/framecontrols.h"

#include <QColor>

#include <algorithm>
#include <cstdlib>

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
  // One ink, the desktop's grey text, so that a greyed picture reads on a
  // light face as on a dark one. Its shape is kept by how far each pixel
  // stood out from the face: outlines and marks in full, paper and fills
  // that were near the face faintly.
  const QColor ink = SysQColor(sciGrayText);
  const int face = qGray(SysQColor(sciBtnFace).rgb());
  QImage grey = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < grey.height(); ++y) {
    auto *line = reinterpret_cast<QRgb *>(grey.scanLine(y));
    for (int x = 0; x < grey.width(); ++x) {
      const QRgb p = line[x];
      const int distance = std::abs(qGray(p) - face); // 0..255
      const int strength = std::min(255, 77 + distance * 3 / 2);
      line[x] = qRgba(ink.red(), ink.green(), ink.blue(), qAlpha(p) * strength / 255);
    }
  }
  return grey;
}

} // namespace qel::toolbars
