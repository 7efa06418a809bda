#pragma once
// GIF 87a/89a images of one or more frames: reading and LZW decoding into
// indexed QImages (Mono for 1 bit, Indexed8 otherwise), with the graphic
// control, comment, plain-text and application extensions and the loop block;
// encoding and writing; assignment between images, frames and QImages;
// drawing; the clipboard's "image/gif".

#include "platform/colorvalue.h"
#include "richedit/bitmaphelpers.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QStringList>
#include <QVector>

#include <cstdint>
#include <functional>
#include <memory>

class QIODevice;
class QMimeData;
class QPainter;
class QRect;

namespace qel {

// The clipboard format of a GIF: a plain GIF file, as other programs read it.
inline constexpr char GIFMimeType[] = "image/gif";

// The largest frame (width x height) that is decoded; larger ones are refused
// instead of allocating gigabytes for a hostile header.
inline constexpr std::int64_t GIFMaxFramePixels = 50'000'000;

enum TGIFVersion : std::uint8_t { gvUnknown, gv87a, gv89a };
enum TExtensionType : std::uint8_t { etGraphicControl, etPlainText, etApplication, etComment };
enum TProgressStage : std::uint8_t { psStarting, psRunning, psEnding };

inline constexpr std::uint8_t GIFGraphicControlLabel = 0xF9;
inline constexpr std::uint8_t GIFPlainTextLabel = 0x01;
inline constexpr std::uint8_t GIFApplicationLabel = 0xFF;
inline constexpr std::uint8_t GIFCommentLabel = 0xFE;

class TExtension {
public:
  TExtensionType type = etComment;
  // The fixed header bytes: graphic control block size, packed, delay (2),
  // transparent index (5 bytes after the size byte is counted in); plain
  // text 13 bytes; application 12 bytes (size 11, identifier, code).
  QByteArray header;
  QList<QByteArray> data; // one entry per data sub-block

  std::uint8_t gcPacked() const { return header.size() > 1 ? std::uint8_t(header[1]) : 0; }
  std::uint16_t gcDelay() const {
    return header.size() > 3 ? std::uint16_t(std::uint8_t(header[2]) | std::uint8_t(header[3]) << 8) : 0;
  }
  int gcTransparentIndex() const { return header.size() > 4 ? std::uint8_t(header[4]) : -1; }
};

struct TGIFData {
  QVector<QRgb> colorTable; // global colour table (0..256 entries)
  QStringList comment;
  std::uint8_t aspect = 0;
  int bitsPerPixel = 8;
  int colorResolution = 8;
};

struct TGIFItem {
  QByteArray data; // minimum code size byte, sub-blocks, terminator
  QVector<QRgb> colorTable;
  int width = 0;
  int height = 0;
  std::uint8_t packed = 0;
  int bitsPerPixel = 8;
};

class TGIFImage;

class TGIFFrame {
public:
  explicit TGIFFrame(TGIFImage *owner);

  TGIFImage *owner() const { return owner_; }
  const TGIFItem &item() const { return *item_; }

  // None: an empty frame. Another frame: shares its encoded data and copies
  // its position, bitmap, transparency, timing and comment. An image: its
  // current frame (the first when none is current). A QImage: a new bitmap
  // (a mono one stays mono); transparent pixels (an alpha of 0, or the first
  // colour table entry of alpha 0) make the frame's transparent colour.
  void Assign(std::nullptr_t);
  void Assign(const TGIFFrame &source);
  void Assign(TGIFImage &source);
  void Assign(const QImage &graphic);
  // The bitmap, with every colour table entry of the transparent colour made
  // transparent (alpha 0) when the frame has one.
  void AssignTo(QImage &dest);
  void AssignTo(TGIFImage &dest) const;
  // The decoded frame, decoded when first asked for (may raise EInvalidGraphic).
  const QImage &bitmap();
  bool hasBitmap() const { return !bitmap_.isNull(); }
  QList<TExtension> &extensions() { return extensions_; }
  const QList<TExtension> &extensions() const { return extensions_; }
  QStringList comment() const; // the first comment extension's lines

  int left = 0;
  int top = 0;
  bool interlaced = false;
  bool corrupted = false;
  bool grayscale = false;
  bool localTable = false;
  TColor transparentColor = clNone;
  int transparentIndex = -1; // as read from the file
  // Kept in the file's hundredths of a second, so long delays do not wrap.
  std::uint16_t delayHundredths = 0;
  int delay() const { return int(delayHundredths) * 10; } // milliseconds
  int disposal = 0;

private:
  friend class TGIFImage;
  void readFrameData(const QByteArray &in, qsizetype &pos, const TGIFData &global, int screenW, int screenH);
  void decode();
  void encode();

  void setComment(const QStringList &lines);
  int width() const { return item_->data.isEmpty() ? bitmap_.width() : item_->width; }
  int height() const { return item_->data.isEmpty() ? bitmap_.height() : item_->height; }

  TGIFImage *owner_;
  std::shared_ptr<TGIFItem> item_;
  QImage bitmap_;
  QList<TExtension> extensions_;
};

class TGIFImage {
public:
  TGIFImage();
  ~TGIFImage();
  TGIFImage(const TGIFImage &) = delete;
  TGIFImage &operator=(const TGIFImage &) = delete;

  // Reads `gif` as one GIF and decodes the first frame. Raises
  // EInvalidGraphic with the format's error texts.
  void LoadFromData(const QByteArray &gif);
  bool LoadFromFile(const QString &path, QString *error = nullptr);

  // Appends a frame assigned from `image` (encoded when written), makes it
  // current and returns its index.
  int AddFrame(const QImage &image);

  // None: an empty image. Another image: shares its global data and copies
  // its frames (which share their encoded data). A frame: this image holds a
  // copy of that frame alone, with its image's global table. A QImage: one
  // frame of it.
  void Assign(const TGIFImage *source);
  void Assign(const TGIFFrame &frame);
  void Assign(const QImage &bitmap);
  void AssignTo(TGIFImage &dest) const;
  // The current frame's bitmap (the first frame's when none is current), with
  // its transparency; a null image when empty.
  void AssignTo(QImage &dest);
  // Draws the current frame stretched into `rect`, leaving out its
  // transparent colour when the image is transparent.
  void Draw(QPainter &canvas, const QRect &rect);
  // Both empty, or both write the same GIF.
  bool Equals(TGIFImage &other);
  // The current frame's colour table (empty when there is none).
  QVector<QRgb> Palette();

  // The stored form inside another stream: a 4-byte little-endian length,
  // then the GIF. ReadData raises EInvalidGraphic ("Stream read error") for
  // a length the stream does not hold.
  void ReadData(QIODevice &stream);
  void WriteData(QIODevice &stream);

  // Puts the first frame's bitmap on `mime` as an image and, when every frame
  // has its encoded data, the GIF as "image/gif".
  void SaveToClipboardFormat(QMimeData &mime);
  // Reads "image/gif" (a GIF, also accepted behind a 4-byte length), else an
  // image; false when `mime` holds neither. A bad GIF raises EInvalidGraphic.
  bool LoadFromClipboardFormat(const QMimeData &mime);
  // The GIF file; raises EInvalidGraphic ("No GIF Data to write", "GIF image
  // encoding error").
  QByteArray SaveToData();
  bool SaveToFile(const QString &path, QString *error = nullptr);

  int frameCount() const { return int(frames_.size()); }
  TGIFFrame &frame(int i) { return *frames_[i]; }
  int currentFrame() const { return current_; }
  bool Empty() const;
  int Width() const;
  int Height() const;
  void SetWidth(int);
  void SetHeight(int);
  bool Transparent() const;
  // The current frame's bitmap (null when empty).
  QImage bitmap();

  const TGIFData &data() const { return *data_; }
  // Global data shared with an assigned copy is copied before it is changed.
  TGIFData &data();
  TGIFVersion version = gvUnknown;
  TColor backgroundColor = clNone;
  int repeatCount = 1;
  bool looping = false;
  bool corrupted = false;
  int screenWidth = 0;
  int screenHeight = 0;
  bool paletteModified = false;
  bool transparent = true;

  std::function<void(TProgressStage stage, int percent, const QString &message)> OnProgress;

private:
  friend class TGIFFrame;
  void reset();
  void readGIFStream(const QByteArray &in);
  TGIFFrame &appendFrame();
  void recomputeScreen();

  std::shared_ptr<TGIFData> data_;
  QList<std::shared_ptr<TGIFFrame>> frames_;
  int current_ = -1;
};

} // namespace qel
