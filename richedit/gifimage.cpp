#include "richedit/gifimage.h"

#include <QFile>

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

} // namespace qel
