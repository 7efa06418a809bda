#include "richedit/gifimage.h"

#include "platform/fileutil.h"

#include <QFile>
#include <QIODevice>
#include <QMimeData>
#include <QPainter>

#include <algorithm>
#include <cstring>

namespace qel {

namespace {

EInvalidGraphic GifError(const QString &text) { return EInvalidGraphic(text); }
QString StreamReadError() { return QStringLiteral("Stream read error"); }
QString WrongColors() { return QStringLiteral("Wrong number of colors; must be a power of 2"); }

TColor RgbToColor(QRgb c) { return TColor(qRed(c) | qGreen(c) << 8 | qBlue(c) << 16); }

// Bounds-checked reads from the input; a short read is "Stream read error".
QByteArray ReadBytes(const QByteArray &in, qsizetype &pos, qsizetype n) {
  if (n < 0 || in.size() - pos < n) throw GifError(StreamReadError());
  QByteArray out = in.mid(pos, n);
  pos += n;
  return out;
}
std::uint8_t ReadByte(const QByteArray &in, qsizetype &pos) {
  if (pos >= in.size()) throw GifError(StreamReadError());
  return std::uint8_t(in[pos++]);
}
int ReadWord(const QByteArray &in, qsizetype &pos) {
  const int lo = ReadByte(in, pos);
  return lo | ReadByte(in, pos) << 8;
}
QVector<QRgb> ReadColorTable(const QByteArray &in, qsizetype &pos, int bits) {
  const QByteArray raw = ReadBytes(in, pos, qsizetype(3) << bits);
  QVector<QRgb> table(1 << bits);
  for (int i = 0; i < table.size(); ++i)
    table[i] = qRgb(std::uint8_t(raw[3 * i]), std::uint8_t(raw[3 * i + 1]), std::uint8_t(raw[3 * i + 2]));
  return table;
}
// Data sub-blocks up to and including the terminator; a short one is an error.
QList<QByteArray> ReadSubBlocks(const QByteArray &in, qsizetype &pos) {
  QList<QByteArray> blocks;
  for (;;) {
    const int n = ReadByte(in, pos);
    if (n == 0) return blocks;
    blocks.append(ReadBytes(in, pos, n));
  }
}
// The next non-zero byte, or 0 at the end of the input.
std::uint8_t NextSeparator(const QByteArray &in, qsizetype &pos) {
  while (pos < in.size()) {
    const std::uint8_t b = std::uint8_t(in[pos++]);
    if (b != 0) return b;
  }
  return 0;
}
// The 4-byte little-endian length before a stored GIF.
void AppendLength(QByteArray &out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.append(char((v >> (8 * i)) & 0xFF));
}
std::uint32_t LengthAt(const QByteArray &b) {
  return std::uint32_t(std::uint8_t(b[0])) | std::uint32_t(std::uint8_t(b[1])) << 8 |
         std::uint32_t(std::uint8_t(b[2])) << 16 | std::uint32_t(std::uint8_t(b[3])) << 24;
}

int Log2Exact(int count) {
  for (int bits = 1; bits <= 8; ++bits)
    if ((1 << bits) == count) return bits;
  throw GifError(WrongColors());
}

} // namespace

// ---- frames --------------------------------------------------------------

TGIFFrame::TGIFFrame(TGIFImage *owner) : owner_(owner), item_(std::make_shared<TGIFItem>()) {}

QStringList TGIFFrame::comment() const {
  for (const TExtension &e : extensions_)
    if (e.type == etComment) {
      QStringList lines;
      for (const QByteArray &b : e.data) lines.append(QString::fromLatin1(b));
      return lines;
    }
  return {};
}

void TGIFFrame::readFrameData(const QByteArray &in, qsizetype &pos, const TGIFData &global, int screenW,
                              int screenH) {
  auto item = std::make_shared<TGIFItem>(*item_);
  left = ReadWord(in, pos);
  top = ReadWord(in, pos);
  item->width = ReadWord(in, pos);
  item->height = ReadWord(in, pos);
  item->packed = ReadByte(in, pos);
  interlaced = item->packed & 0x40;
  if (item->packed & 0x80) {
    item->bitsPerPixel = (item->packed & 7) + 1;
    item->colorTable = ReadColorTable(in, pos, item->bitsPerPixel);
    localTable = true;
  } else {
    item->colorTable = global.colorTable;
    localTable = false;
  }
  // Minimum code size and sub-blocks, copied as they stand; a sub-block cut
  // short by the end of the input marks the frame corrupted.
  const qsizetype start = pos;
  if (pos < in.size()) {
    ++pos;
    for (;;) {
      if (pos >= in.size()) {
        corrupted = true;
        break;
      }
      const int n = std::uint8_t(in[pos++]);
      if (n == 0) break;
      if (in.size() - pos < n) {
        corrupted = true;
        pos = in.size();
        break;
      }
      pos += n;
    }
  } else {
    corrupted = true;
  }
  item->data = in.mid(start, pos - start);
  if (item->width == 0) item->width = screenW;
  if (item->height == 0) item->height = screenH;
  item_ = item;

  for (const TExtension &e : extensions_) {
    if (e.type != etGraphicControl) continue;
    const int index = e.gcTransparentIndex();
    if ((e.gcPacked() & 1) && index >= 0 && index < item_->colorTable.size()) {
      transparentColor = RgbToColor(item_->colorTable[index]);
      transparentIndex = index;
    } else {
      transparentColor = clNone;
      transparentIndex = -1;
    }
    delayHundredths = std::max(delayHundredths, e.gcDelay());
    disposal = (e.gcPacked() >> 2) & 7;
  }
}

namespace {

// Bits read least-significant first across the frame's data sub-blocks.
class CodeReader {
public:
  CodeReader(const QByteArray &data, qsizetype pos) : data_(data), pos_(pos) {}
  // The next code of `size` bits, or -1 when the data runs out.
  int read(int size) {
    while (bitCount_ < size) {
      if (blockLeft_ == 0) {
        if (pos_ >= data_.size()) return -1;
        blockLeft_ = std::uint8_t(data_[pos_++]);
        if (blockLeft_ == 0) {
          pos_ = data_.size(); // the terminator: no more data
          return -1;
        }
      }
      if (pos_ >= data_.size()) return -1;
      buffer_ |= std::uint32_t(std::uint8_t(data_[pos_++])) << bitCount_;
      bitCount_ += 8;
      --blockLeft_;
    }
    const int code = int(buffer_ & ((1u << size) - 1));
    buffer_ >>= size;
    bitCount_ -= size;
    return code;
  }
  qsizetype position() const { return pos_; }

private:
  const QByteArray &data_;
  qsizetype pos_;
  int blockLeft_ = 0;
  std::uint32_t buffer_ = 0;
  int bitCount_ = 0;
};

} // namespace

void TGIFFrame::decode() {
  const TGIFItem &it = *item_;
  int dibBits;
  if (it.bitsPerPixel == 1)
    dibBits = 1;
  else if (it.bitsPerPixel >= 2 && it.bitsPerPixel <= 4)
    dibBits = 4;
  else if (it.bitsPerPixel >= 5 && it.bitsPerPixel <= 8)
    dibBits = 8;
  else
    throw GifError(WrongColors());
  const int width = it.width, height = it.height;
  if (std::int64_t(width) * std::int64_t(height) > GIFMaxFramePixels)
    throw GifError(QStringLiteral("GIF frame too large (more than %1 pixels)").arg(GIFMaxFramePixels));
  if (width <= 0 || height <= 0) {
    bitmap_ = QImage();
    return;
  }
  // The work is bounded by the data, not by what the frame declares: a code
  // takes 3 bits at least, and the k-th code after a clear stands for k
  // pixels at most (never more than 4,096). A frame larger than its data can
  // fill is damaged; a small one is still shown as far as it goes, a large
  // one is refused before a pixel of it is made.
  constexpr std::int64_t kSmallFramePixels = 1 << 16;
  const std::int64_t codes = std::int64_t(it.data.size()) * 8 / 3;
  const std::int64_t fillable =
      codes <= 4096 ? codes * (codes + 1) / 2 : std::int64_t(4096) * 4097 / 2 + (codes - 4096) * 4096;
  if (std::int64_t(width) * std::int64_t(height) > std::max(fillable, kSmallFramePixels))
    throw GifError(QStringLiteral("GIF frame damaged: its %1 bytes of data cannot make %2 x %3 pixels")
                       .arg(it.data.size())
                       .arg(width)
                       .arg(height));
  QImage image(width, height, dibBits == 1 ? QImage::Format_Mono : QImage::Format_Indexed8);
  if (image.isNull()) throw GifError(QStringLiteral("GIF frame too large (more than %1 pixels)").arg(GIFMaxFramePixels));
  QVector<QRgb> palette(1 << dibBits, qRgb(128, 128, 128));
  for (int i = 0; i < std::min<int>(palette.size(), it.colorTable.size()); ++i) palette[i] = it.colorTable[i];
  image.setColorTable(palette);
  image.fill(0);

  auto progress = [this](TProgressStage stage, int percent, const QString &msg) {
    if (owner_ && owner_->OnProgress) owner_->OnProgress(stage, percent, msg);
  };
  progress(psStarting, 0, {});

  const int paletteSize = 1 << dibBits;
  int x = 0, y = 0, pass = 0;
  static const int passStart[4] = {0, 4, 2, 1};
  static const int passStep[4] = {8, 8, 4, 2};
  const int step0 = interlaced ? 8 : 1;
  int step = step0;
  bool done = height == 0;
  auto put = [&](int index) {
    if (done) return;
    if (index >= paletteSize) index = 0; // literals beyond the colour table
    uchar *line = image.scanLine(y);
    if (dibBits == 1) {
      if (index) line[x >> 3] |= uchar(0x80 >> (x & 7));
    } else {
      line[x] = uchar(index);
    }
    if (++x < width) return;
    x = 0;
    y += step;
    while (y >= height) {
      if (!interlaced || pass >= 3) {
        done = true;
        return;
      }
      ++pass;
      y = passStart[pass];
      step = passStep[pass];
    }
  };

  const QByteArray &data = it.data;
  int minimum = data.isEmpty() ? 2 : std::uint8_t(data[0]);
  if (minimum < 2 || minimum > 9) {
    minimum = std::clamp(minimum, 2, 9);
    corrupted = true;
  }
  CodeReader reader(data, 1);
  const int clear = 1 << minimum, end = clear + 1;
  int codeSize = minimum + 1, freeCode = clear + 2;
  std::vector<std::uint16_t> prefix(4096);
  std::vector<std::uint16_t> suffix(4096);
  std::vector<std::uint16_t> stack;
  stack.reserve(4097);
  // Literals are the codes below the clear code (up to 511 when the minimum
  // code size is 9; put() sends those beyond the palette to entry 0).
  int previous = -1; // data without a leading clear code starts as after one
  const qsizetype total = std::max<qsizetype>(1, data.size());
  int counter = 0;

  while (!done) {
    const int code = reader.read(codeSize);
    if (code < 0) {
      corrupted = true; // data ends before the image is complete
      break;
    }
    if (code == clear) {
      codeSize = minimum + 1;
      freeCode = clear + 2;
      previous = -1;
      continue;
    }
    if (code == end) break;
    if (previous < 0) {
      if (code > clear) { // the first code after a clear must be a literal
        corrupted = true;
        break;
      }
      put(code);
      previous = code;
      continue;
    }
    if (code > freeCode || (code == freeCode && freeCode >= 4096)) {
      corrupted = true;
      break;
    }
    // Expand the code (or, for the next free code, the previous one).
    stack.clear();
    int c = code == freeCode ? previous : code;
    while (c >= clear + 2) {
      stack.push_back(suffix[c]);
      c = prefix[c];
      if (stack.size() > 4096) {
        corrupted = true;
        done = true;
        break;
      }
    }
    if (done) break;
    const int first = c;
    if (code == freeCode) {
      put(first);
      for (auto i = stack.rbegin(); i != stack.rend() && !done; ++i) put(*i);
      put(first);
    } else {
      put(first);
      for (auto i = stack.rbegin(); i != stack.rend() && !done; ++i) put(*i);
    }
    if (freeCode < 4096) {
      prefix[freeCode] = std::uint16_t(previous);
      suffix[freeCode] = std::uint16_t(first);
      ++freeCode;
      if (freeCode == (1 << codeSize) && codeSize < 12) ++codeSize;
    }
    previous = code;
    if (++counter % 4096 == 0) progress(psRunning, int(reader.position() * 100 / total), {});
  }
  progress(psEnding, 100, {});
  bitmap_ = image;
}

const QImage &TGIFFrame::bitmap() {
  if (bitmap_.isNull() && item_->width > 0 && item_->height > 0) {
    try {
      decode();
    } catch (const EInvalidGraphic &e) {
      if (owner_ && owner_->OnProgress) owner_->OnProgress(psEnding, 0, e.message());
      throw;
    }
  }
  return bitmap_;
}

void TGIFFrame::setComment(const QStringList &lines) {
  auto e = std::find_if(extensions_.begin(), extensions_.end(), [](const TExtension &x) { return x.type == etComment; });
  if (e == extensions_.end()) {
    extensions_.append(TExtension());
    e = extensions_.end() - 1;
    e->type = etComment;
  }
  e->data.clear();
  for (const QString &line : lines) e->data.append(line.toLatin1());
}

void TGIFFrame::Assign(std::nullptr_t) {
  item_ = std::make_shared<TGIFItem>();
  bitmap_ = QImage();
  if (owner_) owner_->recomputeScreen();
}

void TGIFFrame::Assign(const TGIFFrame &source) {
  if (&source == this) return;
  item_ = source.item_;
  left = source.left;
  top = source.top;
  interlaced = source.interlaced;
  bitmap_ = source.bitmap_;
  transparentColor = source.transparentColor;
  transparentIndex = source.transparentIndex;
  delayHundredths = source.delayHundredths;
  disposal = source.disposal;
  grayscale = source.grayscale;
  corrupted = source.corrupted;
  const QStringList lines = source.comment();
  if (!lines.isEmpty()) setComment(lines);
  // Whether the frame uses the global table means something only beside the
  // same global table; elsewhere the frame brings its own.
  const bool sameTable = owner_ && source.owner_ && owner_->data_ == source.owner_->data_;
  localTable = sameTable ? source.localTable : true;
  if (owner_) owner_->recomputeScreen();
}

void TGIFFrame::Assign(TGIFImage &source) {
  if (source.frames_.isEmpty()) return;
  const auto keep = source.frames_[source.current_ >= 0 ? source.current_ : 0]; // may be this frame's owner
  Assign(*keep);
}

void TGIFFrame::Assign(const QImage &graphic) {
  item_ = std::make_shared<TGIFItem>();
  transparentColor = clNone;
  transparentIndex = -1;
  QImage image = graphic;
  if (image.format() == QImage::Format_MonoLSB) image = image.convertToFormat(QImage::Format_Mono);
  if (image.colorCount() > 0) {
    // An indexed picture: its first entry of alpha 0 is the transparent one.
    QVector<QRgb> table = image.colorTable();
    for (QRgb &c : table) {
      if (qAlpha(c) == 0 && transparentColor == clNone) transparentColor = RgbToColor(c);
      c = qRgb(qRed(c), qGreen(c), qBlue(c));
    }
    image.setColorTable(table);
  } else if (image.hasAlphaChannel()) {
    // Transparent pixels take one key colour that no visible pixel has
    // (magenta when it is free), which becomes the transparent colour.
    image = image.convertToFormat(QImage::Format_ARGB32);
    std::vector<bool> used(1 << 24);
    bool anyTransparent = false;
    for (int y = 0; y < image.height(); ++y) {
      const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
      for (int x = 0; x < image.width(); ++x) {
        if (qAlpha(line[x]) < 128)
          anyTransparent = true;
        else
          used[line[x] & 0xFFFFFF] = true;
      }
    }
    // The next lower colour while taken; a picture that uses every colour
    // keeps magenta and shares it with the transparent pixels.
    QRgb key = 0xFF00FF;
    for (int tries = 0; used[key] && tries < (1 << 24); ++tries) key = (key + 0xFFFFFF) & 0xFFFFFF;
    if (used[key]) key = 0xFF00FF;
    QImage opaque(image.size(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
      const QRgb *from = reinterpret_cast<const QRgb *>(image.constScanLine(y));
      QRgb *to = reinterpret_cast<QRgb *>(opaque.scanLine(y));
      for (int x = 0; x < image.width(); ++x) to[x] = qAlpha(from[x]) < 128 ? (key | 0xFF000000) : (from[x] | 0xFF000000);
    }
    image = opaque;
    if (anyTransparent) transparentColor = RgbToColor(key);
  }
  bitmap_ = image;
  if (owner_) owner_->recomputeScreen();
}

void TGIFFrame::AssignTo(QImage &dest) {
  dest = bitmap();
  if (dest.isNull() || transparentColor == clNone) return;
  auto isTransparent = [this](QRgb c) { return RgbToColor(c) == transparentColor; };
  if (dest.colorCount() > 0) {
    QVector<QRgb> table = dest.colorTable();
    for (QRgb &c : table)
      if (isTransparent(c)) c = qRgba(qRed(c), qGreen(c), qBlue(c), 0);
    dest.setColorTable(table);
    return;
  }
  dest = dest.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < dest.height(); ++y) {
    QRgb *line = reinterpret_cast<QRgb *>(dest.scanLine(y));
    for (int x = 0; x < dest.width(); ++x)
      if (isTransparent(line[x])) line[x] = 0;
  }
}

void TGIFFrame::AssignTo(TGIFImage &dest) const { dest.Assign(*this); }

// ---- image ---------------------------------------------------------------

TGIFImage::TGIFImage() { reset(); }
TGIFImage::~TGIFImage() = default;

void TGIFImage::reset() {
  data_ = std::make_shared<TGIFData>();
  frames_.clear();
  corrupted = false;
  current_ = -1;
  backgroundColor = clNone;
  repeatCount = 1;
  looping = false;
  version = gvUnknown;
  screenWidth = screenHeight = 0;
}

bool TGIFImage::Empty() const {
  if (frames_.isEmpty()) return true;
  if (current_ < 0) return false;
  const TGIFFrame &f = *frames_[current_];
  return f.bitmap_.isNull() && f.item_->data.isEmpty();
}

int TGIFImage::Width() const {
  return current_ >= 0 && current_ < frames_.size() ? frames_[current_]->bitmap_.width() : 0;
}
int TGIFImage::Height() const {
  return current_ >= 0 && current_ < frames_.size() ? frames_[current_]->bitmap_.height() : 0;
}
void TGIFImage::SetWidth(int) { throw GifError(QStringLiteral("Cannot change the Size of a GIF image")); }
void TGIFImage::SetHeight(int) { throw GifError(QStringLiteral("Cannot change the Size of a GIF image")); }

bool TGIFImage::Transparent() const {
  if (!transparent) return false;
  return std::any_of(frames_.begin(), frames_.end(), [](const auto &f) { return f->transparentColor != clNone; });
}

QImage TGIFImage::bitmap() {
  if (current_ < 0 || current_ >= frames_.size()) return {};
  return frames_[current_]->bitmap();
}

TGIFData &TGIFImage::data() {
  if (data_.use_count() > 1) data_ = std::make_shared<TGIFData>(*data_);
  return *data_;
}

void TGIFImage::Assign(const TGIFImage *source) {
  if (source == this) return;
  if (!source) {
    reset();
    return;
  }
  data_ = source->data_;
  version = source->version;
  backgroundColor = source->backgroundColor;
  repeatCount = source->repeatCount;
  looping = source->looping;
  corrupted = source->corrupted;
  frames_.clear();
  for (const auto &f : source->frames_) appendFrame().Assign(*f);
  current_ = source->current_;
  screenWidth = source->screenWidth;
  screenHeight = source->screenHeight;
}

void TGIFImage::Assign(const TGIFFrame &frame) {
  // The frame may be one of ours, which reset() frees.
  const TGIFFrame keep = frame;
  const std::shared_ptr<TGIFData> from = frame.owner_ ? frame.owner_->data_ : nullptr;
  reset();
  if (from) {
    data_->aspect = from->aspect;
    data_->bitsPerPixel = from->bitsPerPixel;
    data_->colorResolution = from->colorResolution;
    data_->colorTable = from->colorTable;
  }
  appendFrame().Assign(keep);
}

void TGIFImage::Assign(const QImage &bitmap) {
  reset();
  AddFrame(bitmap);
}

void TGIFImage::AssignTo(TGIFImage &dest) const { dest.Assign(this); }

void TGIFImage::AssignTo(QImage &dest) {
  if (Empty()) {
    dest = QImage();
    return;
  }
  frames_[current_ >= 0 ? current_ : 0]->AssignTo(dest);
}

void TGIFImage::Draw(QPainter &canvas, const QRect &rect) {
  if (current_ < 0 || current_ >= frames_.size()) return;
  TGIFFrame &f = *frames_[current_];
  const QImage &image = f.bitmap();
  if (image.isNull()) return;
  if (Transparent() && f.transparentColor != clNone)
    DrawBitmapTransparent(canvas, rect.x(), rect.y(), rect.width(), rect.height(), 0, 0, image.width(), image.height(),
                          image, f.transparentColor);
  else
    canvas.drawImage(rect, image);
}

bool TGIFImage::Equals(TGIFImage &other) {
  if (&other == this) return true;
  if (Empty() || other.Empty()) return Empty() && other.Empty();
  try {
    return SaveToData() == other.SaveToData();
  } catch (const EInvalidGraphic &) {
    return false;
  }
}

QVector<QRgb> TGIFImage::Palette() {
  if (current_ < 0 || current_ >= frames_.size()) return {};
  return frames_[current_]->bitmap().colorTable();
}

void TGIFImage::ReadData(QIODevice &stream) {
  const QByteArray prefix = stream.read(4);
  if (prefix.size() != 4) throw GifError(StreamReadError());
  const std::int32_t length = std::int32_t(LengthAt(prefix));
  if (length < 0) throw GifError(StreamReadError());
  // Read in pieces: a hostile length allocates no more than the stream holds.
  QByteArray gif;
  while (gif.size() < length) {
    const QByteArray part = stream.read(std::min<qint64>(length - gif.size(), 1 << 16));
    if (part.isEmpty()) throw GifError(StreamReadError());
    gif.append(part);
  }
  LoadFromData(gif);
}

void TGIFImage::WriteData(QIODevice &stream) {
  const QByteArray gif = SaveToData();
  QByteArray out;
  AppendLength(out, std::uint32_t(gif.size()));
  out.append(gif);
  if (stream.write(out) != out.size()) throw GifError(QStringLiteral("Stream write error"));
}

void TGIFImage::SaveToClipboardFormat(QMimeData &mime) {
  if (frames_.isEmpty()) return;
  mime.setImageData(frames_[0]->bitmap());
  const bool encoded =
      std::all_of(frames_.begin(), frames_.end(), [](const auto &f) { return !f->item_->data.isEmpty(); });
  if (encoded) mime.setData(QString::fromLatin1(GIFMimeType), SaveToData());
}

bool TGIFImage::LoadFromClipboardFormat(const QMimeData &mime) {
  const QString gifType = QString::fromLatin1(GIFMimeType);
  if (mime.hasFormat(gifType)) {
    QByteArray gif = mime.data(gifType);
    // Programs that keep the stored form put a 4-byte length first.
    if (gif.left(3).toUpper() != "GIF" && gif.size() >= 4) {
      const std::uint32_t length = LengthAt(gif);
      if (length <= std::uint32_t(gif.size() - 4)) gif = gif.mid(4, qsizetype(length));
    }
    LoadFromData(gif);
    return true;
  }
  if (mime.hasImage()) {
    const QImage image = qvariant_cast<QImage>(mime.imageData());
    if (!image.isNull()) {
      Assign(image);
      return true;
    }
  }
  return false;
}

void TGIFImage::LoadFromData(const QByteArray &gif) { readGIFStream(gif); }

bool TGIFImage::LoadFromFile(const QString &path, QString *error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = file.errorString();
    return false;
  }
  try {
    LoadFromData(file.readAll());
  } catch (const EInvalidGraphic &e) {
    if (error) *error = e.message();
    return false;
  }
  return true;
}

void TGIFImage::readGIFStream(const QByteArray &in) {
  reset();
  qsizetype pos = 0;
  const QByteArray sig = ReadBytes(in, pos, 3);
  if (sig.toUpper() != "GIF") throw GifError(QStringLiteral("Unknown GIF version"));
  const QByteArray ver = ReadBytes(in, pos, 3).toLower();
  if (ver == "87a")
    version = gv87a;
  else if (ver == "89a")
    version = gv89a;
  else
    throw GifError(QStringLiteral("Unknown GIF version"));

  screenWidth = ReadWord(in, pos);
  screenHeight = ReadWord(in, pos);
  const std::uint8_t packed = ReadByte(in, pos);
  const int backgroundIndex = ReadByte(in, pos);
  data_->aspect = ReadByte(in, pos);
  data_->bitsPerPixel = (packed & 7) + 1;
  data_->colorResolution = ((packed >> 4) & 7) + 1;
  if (packed & 0x80) {
    data_->colorTable = ReadColorTable(in, pos, data_->bitsPerPixel);
    if (backgroundIndex < data_->colorTable.size()) backgroundColor = RgbToColor(data_->colorTable[backgroundIndex]);
  }

  QList<TExtension> gathered;
  std::uint8_t sep = NextSeparator(in, pos);
  while (sep != 0 && sep != ';') {
    while (sep == '!') {
      const std::uint8_t label = ReadByte(in, pos);
      TExtension ext;
      bool keep = true;
      switch (label) {
      case GIFGraphicControlLabel:
        ext.type = etGraphicControl;
        ext.header = ReadBytes(in, pos, 6); // size, packed, delay, index, terminator
        ext.header.chop(1);
        break;
      case GIFCommentLabel:
        ext.type = etComment;
        ext.data = ReadSubBlocks(in, pos);
        break;
      case GIFPlainTextLabel:
        ext.type = etPlainText;
        ext.header = ReadBytes(in, pos, 13);
        ext.data = ReadSubBlocks(in, pos);
        gathered.clear();
        keep = false;
        break;
      case GIFApplicationLabel: {
        ext.type = etApplication;
        ext.header = ReadBytes(in, pos, 12);
        ext.data = ReadSubBlocks(in, pos);
        keep = false;
        const QByteArray id = ext.header.mid(1, 11);
        if ((id == "NETSCAPE2.0" || id == "ANIMEXTS1.0") && !ext.data.isEmpty() && ext.data[0].size() >= 3 &&
            ext.data[0][0] == 1) {
          looping = true;
          repeatCount = std::min(30000, int(std::uint8_t(ext.data[0][1]) | std::uint8_t(ext.data[0][2]) << 8));
        }
        break;
      }
      default:
        throw GifError(QStringLiteral("Unrecognized extension block: %1").arg(label, 2, 16, QLatin1Char('0')));
      }
      if (keep) gathered.append(ext);
      sep = NextSeparator(in, pos);
      if (sep == 0) break;
    }
    if (sep == ',') {
      auto frame = std::make_shared<TGIFFrame>(this);
      if (!data_->colorTable.isEmpty()) frame->item_->bitsPerPixel = Log2Exact(int(data_->colorTable.size()));
      frame->extensions_ = gathered;
      gathered.clear();
      frame->readFrameData(in, pos, *data_, screenWidth, screenHeight);
      frames_.append(frame);
      sep = NextSeparator(in, pos);
      if (sep != '!' && sep != ',' && sep != ';') sep = 0;
    } else if (data_->comment.isEmpty() && !gathered.isEmpty()) {
      // Extensions not followed by an image: their comments are the image's.
      bool firstBlock = true;
      for (const TExtension &e : gathered) {
        if (e.type != etComment) continue;
        if (!firstBlock) data_->comment.append(QStringLiteral("\r\n\r\n"));
        firstBlock = false;
        for (const QByteArray &b : e.data) data_->comment.append(QString::fromLatin1(b));
      }
      gathered.clear();
    } else if (sep != 0 && sep != ';') {
      throw GifError(StreamReadError());
    }
  }

  if (!frames_.isEmpty()) {
    current_ = 0;
    try {
      frames_[0]->bitmap();
    } catch (...) {
      frames_.removeFirst();
      current_ = frames_.isEmpty() ? -1 : 0;
      throw;
    }
  }
  paletteModified = true;
}

// ---- encoding and writing ------------------------------------------------

namespace {

int BitsFor(int count) {
  int bits = 1;
  while ((1 << bits) < count) ++bits;
  return bits;
}

// Codes packed least-significant bit first into 255-byte sub-blocks.
class CodeWriter {
public:
  explicit CodeWriter(QByteArray &out) : out_(out) {}
  void write(int code, int size) {
    buffer_ |= std::uint32_t(code) << bits_;
    bits_ += size;
    while (bits_ >= 8) {
      block_.append(char(buffer_ & 0xFF));
      buffer_ >>= 8;
      bits_ -= 8;
      if (block_.size() == 255) flush();
    }
  }
  void finish() {
    if (bits_ > 0) block_.append(char(buffer_ & 0xFF));
    buffer_ = 0;
    bits_ = 0;
    if (!block_.isEmpty()) flush();
    out_.append('\0');
  }

private:
  void flush() {
    out_.append(char(block_.size()));
    out_.append(block_);
    block_.clear();
  }
  QByteArray &out_;
  QByteArray block_;
  std::uint32_t buffer_ = 0;
  int bits_ = 0;
};

void AppendWord(QByteArray &out, int v) {
  out.append(char(v & 0xFF));
  out.append(char((v >> 8) & 0xFF));
}
void AppendTable(QByteArray &out, const QVector<QRgb> &table) {
  for (QRgb c : table) {
    out.append(char(qRed(c)));
    out.append(char(qGreen(c)));
    out.append(char(qBlue(c)));
  }
}
void AppendSubBlocks(QByteArray &out, const QList<QByteArray> &blocks) {
  for (const QByteArray &b : blocks) {
    if (b.isEmpty()) continue;
    const QByteArray part = b.left(255);
    out.append(char(part.size()));
    out.append(part);
  }
  out.append('\0');
}

} // namespace

namespace {

// The LZW string table: open addressing on the pair (prefix code, pixel),
// which names one string. A quarter full at most (4,096 strings in 16,384
// slots), so a lookup probes a slot or two whatever the picture; a blank
// picture, whose strings grow one pixel at a time, costs no more than noise.
class StringTable {
public:
  StringTable() : slots_(Size, 0) {}
  // The code of the string prefix + pixel, or -1 when it is not there.
  int find(int prefix, int pixel) const {
    const std::uint32_t key = Key(prefix, pixel);
    for (std::uint32_t i = Hash(key);; i = (i + 1) & (Size - 1)) {
      const std::uint32_t slot = slots_[i];
      if (slot == 0) return -1;
      if (slot >> 12 == key) return int(slot & 0xFFF);
    }
  }
  // Adds a string that find() has just missed.
  void add(int prefix, int pixel, int code) {
    const std::uint32_t key = Key(prefix, pixel);
    std::uint32_t i = Hash(key);
    while (slots_[i] != 0) i = (i + 1) & (Size - 1);
    slots_[i] = key << 12 | std::uint32_t(code); // codes start above 0, so a slot is never 0
  }
  void clear() { std::fill(slots_.begin(), slots_.end(), 0); }

private:
  static constexpr std::uint32_t Size = 1 << 14;
  // Prefix codes are below 4,096 and pixels below 256: 20 bits.
  static std::uint32_t Key(int prefix, int pixel) { return std::uint32_t(prefix) << 8 | std::uint32_t(pixel); }
  static std::uint32_t Hash(std::uint32_t key) { return (key * 0x9E3779B1u) >> 18; }
  std::vector<std::uint32_t> slots_;
};

} // namespace

void TGIFFrame::encode() {
  if (bitmap_.isNull()) throw GifError(QStringLiteral("No GIF Data to write"));
  QImage image;
  int bitCount;
  if (bitmap_.depth() == 1) {
    image = bitmap_.convertToFormat(QImage::Format_Mono);
    bitCount = 1;
  } else if (bitmap_.format() == QImage::Format_Indexed8) {
    image = bitmap_;
    bitCount = 8;
  } else {
    image = ReduceToIndexed8(bitmap_, grayscale ? rmGrayscale : DefaultColorReduction);
    if (DefaultColorReduction == rmGrayscale) grayscale = true;
    bitCount = 8;
  }
  QVector<QRgb> table = image.colorTable();
  if (table.size() > 256 || table.isEmpty()) throw GifError(QStringLiteral("GIF image encoding error"));
  auto item = std::make_shared<TGIFItem>();
  item->width = image.width();
  item->height = image.height();
  item->bitsPerPixel = BitsFor(int(table.size()));
  table.resize(1 << item->bitsPerPixel, qRgb(0, 0, 0));
  item->colorTable = table;
  interlaced = false;

  const int minimum = std::max(3, bitCount + 1) - 1;
  QByteArray &out = item->data;
  out.append(char(minimum));
  CodeWriter writer(out);
  const int clear = 1 << minimum, end = clear + 1;
  int codeSize = minimum + 1, freeCode = clear + 2, capacity = 1 << codeSize;
  StringTable strings;
  writer.write(clear, codeSize);
  int prefix = -1;
  for (int y = 0; y < image.height(); ++y) {
    const uchar *line = image.constScanLine(y);
    for (int x = 0; x < image.width(); ++x) {
      const int pixel = bitCount == 1 ? (line[x >> 3] >> (7 - (x & 7))) & 1 : int(line[x]);
      if (prefix < 0) {
        prefix = pixel;
        continue;
      }
      // The longest string in the table wins: extend it while it is there.
      const int found = strings.find(prefix, pixel);
      if (found >= 0) {
        prefix = found;
        continue;
      }
      writer.write(prefix, codeSize);
      strings.add(prefix, pixel, freeCode);
      ++freeCode;
      prefix = pixel;
      if (freeCode > capacity && codeSize < 12) {
        capacity <<= 1;
        ++codeSize;
      } else if (freeCode > 4093) {
        writer.write(prefix, codeSize);
        writer.write(clear, codeSize);
        strings.clear();
        codeSize = minimum + 1;
        capacity = 1 << codeSize;
        freeCode = clear + 2;
        prefix = -1;
      }
    }
  }
  if (prefix >= 0) writer.write(prefix, codeSize);
  writer.write(end, codeSize);
  writer.finish();

  TGIFData &global = owner_->data();
  if (!global.colorTable.isEmpty()) {
    localTable = true;
  } else {
    global.colorTable = item->colorTable;
    global.bitsPerPixel = item->bitsPerPixel;
    localTable = false;
  }
  transparentIndex = -1; // the table is new: match the colour again
  item_ = item;
  owner_->screenWidth = std::max(owner_->screenWidth, left + item->width);
  owner_->screenHeight = std::max(owner_->screenHeight, top + item->height);
}

TGIFFrame &TGIFImage::appendFrame() {
  frames_.append(std::make_shared<TGIFFrame>(this));
  current_ = int(frames_.size()) - 1;
  if (version == gvUnknown) version = gv87a;
  if (frames_.size() > 1) version = gv89a;
  return *frames_.back();
}

int TGIFImage::AddFrame(const QImage &image) {
  appendFrame().Assign(image);
  return current_;
}

void TGIFImage::recomputeScreen() {
  int width = 0, height = 0;
  for (const auto &f : frames_) {
    width = std::max(width, f->left + f->width());
    height = std::max(height, f->top + f->height());
  }
  screenWidth = width;
  screenHeight = height;
}

QByteArray TGIFImage::SaveToData() {
  if (frames_.isEmpty()) throw GifError(QStringLiteral("No GIF Data to write"));
  TGIFVersion outVersion = gv87a;
  for (auto &f : frames_) {
    // A frame damaged on reading is written from what was decoded, so the
    // file written is well formed.
    if (f->corrupted && !f->item_->data.isEmpty()) f->bitmap();
    if (f->item_->data.isEmpty() || (f->corrupted && f->hasBitmap())) f->encode();
    // The graphic control extension follows the frame's delay, transparency
    // and disposal; the transparent index read from the file is kept while
    // the table is the file's, since a table may hold a colour twice.
    const bool needed = f->delayHundredths || f->transparentColor != clNone || f->disposal;
    auto gc = std::find_if(f->extensions_.begin(), f->extensions_.end(),
                           [](const TExtension &e) { return e.type == etGraphicControl; });
    if (needed && gc == f->extensions_.end()) {
      TExtension e;
      e.type = etGraphicControl;
      e.header = QByteArray(5, '\0');
      e.header[0] = 4;
      f->extensions_.append(e);
      gc = f->extensions_.end() - 1;
    }
    if (gc != f->extensions_.end()) {
      int index = f->transparentIndex;
      if (f->transparentColor == clNone) {
        index = -1;
      } else if (index < 0 || index >= f->item_->colorTable.size() ||
                 RgbToColor(f->item_->colorTable[index]) != f->transparentColor) {
        index = -1;
        for (int i = 0; i < f->item_->colorTable.size() && index < 0; ++i)
          if (RgbToColor(f->item_->colorTable[i]) == f->transparentColor) index = i;
      }
      std::uint8_t packed = std::uint8_t(gc->gcPacked() & ~0x1D);
      packed |= std::uint8_t((f->disposal & 7) << 2);
      if (index >= 0) packed |= 1;
      gc->header[1] = char(packed);
      gc->header[2] = char(f->delayHundredths & 0xFF);
      gc->header[3] = char(f->delayHundredths >> 8);
      gc->header[4] = char(index >= 0 ? index : 0);
    }
    f->extensions_.removeIf([](const TExtension &e) { return e.type == etComment && e.data.isEmpty(); });
    if (!f->extensions_.isEmpty()) outVersion = gv89a;
  }
  if (!data_->comment.isEmpty() || (looping && frames_.size() > 1) || frames_.size() > 1) outVersion = gv89a;
  version = outVersion;

  int width = 0, height = 0;
  for (const auto &f : frames_) {
    width = std::max(width, f->left + f->item_->width);
    height = std::max(height, f->top + f->item_->height);
  }
  if (width > 0xFFFF || height > 0xFFFF) throw GifError(QStringLiteral("GIF image encoding error"));
  screenWidth = width;
  screenHeight = height;

  QByteArray out(version == gv89a ? "GIF89a" : "GIF87a");
  AppendWord(out, width);
  AppendWord(out, height);
  const QVector<QRgb> &global = data_->colorTable;
  int backgroundIndex = 0;
  if (global.isEmpty()) {
    out.append('\0');
  } else {
    const int bits = BitsFor(int(global.size()));
    out.append(char(0x80 + (bits - 1) * 16 + (std::clamp(data_->bitsPerPixel, 1, 8) - 1)));
    for (int i = 0; i < global.size(); ++i)
      if (RgbToColor(global[i]) == backgroundColor) {
        backgroundIndex = i;
        break;
      }
  }
  out.append(char(backgroundIndex));
  out.append(char(data_->aspect));
  AppendTable(out, global);
  if (looping && frames_.size() > 1) {
    out.append(QByteArray::fromHex("21ff0b"));
    out.append("NETSCAPE2.0");
    out.append(char(3));
    out.append(char(1));
    AppendWord(out, repeatCount);
    out.append('\0');
  }
  for (const auto &f : frames_) {
    for (const TExtension &e : f->extensions_) {
      out.append('!');
      switch (e.type) {
      case etGraphicControl:
        out.append(char(GIFGraphicControlLabel));
        out.append(e.header.left(5).leftJustified(5, '\0'));
        out.append('\0');
        break;
      case etPlainText:
        out.append(char(GIFPlainTextLabel));
        out.append(e.header.left(13).leftJustified(13, '\0'));
        AppendSubBlocks(out, e.data);
        break;
      case etApplication:
        out.append(char(GIFApplicationLabel));
        out.append(e.header.left(12).leftJustified(12, '\0'));
        AppendSubBlocks(out, e.data);
        break;
      case etComment:
        out.append(char(GIFCommentLabel));
        AppendSubBlocks(out, e.data);
        break;
      }
    }
    const TGIFItem &it = *f->item_;
    out.append(',');
    AppendWord(out, f->left);
    AppendWord(out, f->top);
    AppendWord(out, it.width);
    AppendWord(out, it.height);
    std::uint8_t packed = f->interlaced ? 0x40 : 0;
    if (f->localTable) packed |= std::uint8_t(0x80 + (BitsFor(int(it.colorTable.size())) - 1));
    out.append(char(packed));
    if (f->localTable) AppendTable(out, it.colorTable);
    out.append(it.data);
  }
  if (!data_->comment.isEmpty()) {
    out.append(QByteArray::fromHex("21fe"));
    QList<QByteArray> lines;
    for (const QString &l : data_->comment) lines.append(l.toLatin1());
    AppendSubBlocks(out, lines);
  }
  out.append(';');
  return out;
}

bool TGIFImage::SaveToFile(const QString &path, QString *error) {
  try {
    const QByteArray gif = SaveToData();
    if (!WriteFileReplacing(path, gif, error)) return false;
  } catch (const EInvalidGraphic &e) {
    if (error) *error = e.message();
    return false;
  }
  return true;
}

} // namespace qel
