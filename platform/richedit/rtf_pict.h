#pragma once
// Pictures of RTF bodies: the bytes of a \pict group, what they are, and the
// image to show for them. Windows-written bodies hold pasted bitmaps as
// metafiles wrapping one DIB; those are unwrapped, other vector pictures
// (and anything that does not decode) give a null image, which the reader
// shows as an empty frame of the picture's size while keeping its bytes.

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace qel::re::rtf {

struct PictureData {
  int type = 0;            // PicType of textprops.h
  QByteArray data;         // the picture's bytes as stored
  int picw = 0, pich = 0;  // \picw \pich: pixels for bitmaps, 0.01 mm for metafiles
  int goalW = 0, goalH = 0;            // \picwgoal \pichgoal (twips)
  int scaleX = 100, scaleY = 100;      // percent
  int cropL = 0, cropT = 0, cropR = 0, cropB = 0;  // twips
  int mapMode = 0;                     // \wmetafileN
  int bitsPerPixel = 0, planes = 0, widthBytes = 0;  // \wbitmap
};

// The image to show, or a null image when it cannot be decoded (or would be
// unreasonably large for its data).
QImage decodePicture(const PictureData &pict);

// Shown size in twips (goal size, else the picture's own size, scaled and cropped);
// `decoded` gives the size when the RTF states none.
QSize pictureSizeTwips(const PictureData &pict, const QImage &decoded);

// Building blocks, exposed for the tests.
QImage decodeJpeg(const QByteArray &bytes);
// A device-independent bitmap (BITMAPINFO and bits, no file header).
QImage decodeDib(const char *data, qsizetype size);
// The largest DIB drawn by a Windows or enhanced metafile, as a null image when none.
QImage dibFromWmf(const QByteArray &bytes);
QImage dibFromEmf(const QByteArray &bytes);
// Device-dependent bitmap bits of \wbitmap.
QImage decodeDdb(const PictureData &pict);

} // namespace qel::re::rtf
