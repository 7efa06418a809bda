#pragma once
// Small graphic helpers of the editor controls: colour reduction of a bitmap
// to a BMP file of 1, 4, 8 or 24 bits per pixel, transparent stretched
// drawing, the editor's screen cursors and the icon clipboard format.

#include "platform/colorvalue.h"

#include <QByteArray>
#include <QCursor>
#include <QImage>
#include <QRect>
#include <QString>
#include <QVector>

#include <array>
#include <cstdint>
#include <stdexcept>

class QMimeData;
class QPainter;

namespace qel {

// A graphic that cannot be used ("Bitmap image is not valid") or a graphic
// operation that failed; the message is shown by the caller.
class EInvalidGraphic : public std::runtime_error {
public:
  explicit EInvalidGraphic(const QString &message) : std::runtime_error(message.toStdString()), message_(message) {}
  QString message() const { return message_; }

private:
  QString message_;
};

// A request this library does not support ("Function not yet implemented").
class ENotImplemented : public std::runtime_error {
public:
  explicit ENotImplemented(const QString &message) : std::runtime_error(message.toStdString()), message_(message) {}
  QString message() const { return message_; }

private:
  QString message_;
};

// Colour-reduction methods (stored as a byte).
enum TColorReduction : std::uint8_t {
  rmHistogram = 0,
  rmMedianCut = 1,
  rmFixed784 = 2,
  rmFixed666 = 3,
  rmChannelTriple = 4,
  rmGrayscale = 5,
};

// The method the GIF writer reduces with unless the frame is grayscale.
inline constexpr TColorReduction DefaultColorReduction = rmHistogram;

// Level tables of the fixed palettes and, for every channel value 0..255,
// the index of the nearest level (the first of two equally near levels).
const QVector<int> &ColorLevels(int levelCount);              // 4, 6, 7 or 8 levels
const std::array<std::uint8_t, 256> &NearestLevelTable(int levelCount);

// The bitmap reduced to 8 bits per pixel by `method`: an indexed image with
// the method's palette (256 entries for the fixed methods, the histogram
// and grayscale; one per box for median cut). Raises EInvalidGraphic for a
// null image.
QImage ReduceToIndexed8(const QImage &bitmap, TColorReduction method);

// The bitmap as a BMP file in memory (file header, 40-byte info header,
// palette, bottom-up rows padded to 4 bytes) of `bitsPerPixel` (1, 4, 8 or
// 24). 1 and 4 bits map every pixel to the nearest colour of the image's
// own colour table when it fits, else of the standard palette (black and
// white for 1 bit, the 16 VGA colours for 4). Raises EInvalidGraphic for a
// null image and ENotImplemented for another depth.
QByteArray ReduceBitmapColors(const QImage &bitmap, int bitsPerPixel, TColorReduction method);

// Writes an indexed (Mono or Indexed8 with a table of at most 2^bits entries)
// or RGB image as a BMP of `bitsPerPixel`; the palette is written with
// 2^bits entries (unused ones black) and `colorsUsed` (0: all) in the header.
QByteArray WriteBmp(const QImage &image, int bitsPerPixel, int colorsUsed = 0);

// Draws `srcRect` of `source` stretched (nearest neighbour) into `destRect`,
// leaving out every pixel whose RGB is `transparent` (0x00RRGGBB as QRgb).
void TransparentStretchBlt(QPainter &dest, const QRect &destRect, QRgb transparent, const QImage &source,
                           const QRect &srcRect);

// Draws a part of `bitmap` stretched onto `canvas`. A destination width or
// height below 1 takes the bitmap's size; a source width or height below 1
// takes the whole bitmap. clNone draws every pixel; clDefault leaves out the
// colour of the bottom-left pixel (white for a monochrome bitmap).
void DrawBitmapTransparent(QPainter &canvas, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh,
                           const QImage &bitmap, TColor transparent);
void DrawBitmapRectTransparent(QPainter &canvas, int dx, int dy, int dw, int dh, const QImage &bitmap,
                               const QRect &source, TColor transparent);

// Screen cursors by number: crHandPoint (14000), crDrag (14001) and the
// format painter's cursor (222). An unknown number gives the arrow.
inline constexpr int crFormatPainter = 222;
inline constexpr int crHandPoint = 14000;
inline constexpr int crDragCursor = 14001;
QCursor ScreenCursor(int id);
void SetScreenCursor(int id, const QCursor &cursor);

// The icon clipboard format.
inline constexpr char IconMimeType[] = "image/vnd.microsoft.icon";
// Puts `icon` (written as an .ico file) on `mime`; false when it cannot be written.
bool SaveIconToClipboardFormat(const QImage &icon, QMimeData &mime);
// The icon on `mime`, or a null image.
QImage LoadIconFromClipboardFormat(const QMimeData &mime);

} // namespace qel
