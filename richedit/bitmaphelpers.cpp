#include "richedit/bitmaphelpers.h"

#include <QBuffer>
#include <QHash>
#include <QImageWriter>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace qel {

namespace {

const QString kNotValid = QStringLiteral("Bitmap image is not valid");
const QString kNotImplemented = QStringLiteral("Function not yet implemented");

struct LevelTables {
  QVector<int> levels[9];
  std::array<std::uint8_t, 256> nearest[9]{};
  LevelTables() {
    levels[4] = {0, 85, 170, 255};
    levels[6] = {0, 51, 102, 153, 204, 255};
    levels[7] = {0, 43, 85, 128, 170, 213, 255};
    levels[8] = {0, 36, 73, 109, 146, 182, 219, 255};
    for (int n : {4, 6, 7, 8}) {
      for (int v = 0; v < 256; ++v) {
        int best = 0;
        for (int i = 1; i < levels[n].size(); ++i)
          if (std::abs(levels[n][i] - v) < std::abs(levels[n][best] - v)) best = i;
        nearest[n][v] = std::uint8_t(best);
      }
    }
  }
};

const LevelTables &levelTables() {
  static const LevelTables tables;
  return tables;
}

int checkedLevelCount(int levelCount) {
  if (levelCount != 4 && levelCount != 6 && levelCount != 7 && levelCount != 8)
    throw std::invalid_argument("no level table of that size");
  return levelCount;
}

// Pixels as 0xFFRRGGBB, one row after another.
QImage rgbPixels(const QImage &bitmap) {
  return bitmap.format() == QImage::Format_RGB32 ? bitmap : bitmap.convertToFormat(QImage::Format_RGB32);
}

QImage indexedImage(int width, int height) {
  QImage out(width, height, QImage::Format_Indexed8);
  if (out.isNull()) throw EInvalidGraphic(kNotValid);
  return out;
}

// Applies `indexOf(rgb, x, y)` to every pixel; the row y counts from the top.
template <typename F> QImage mapPixels(const QImage &src, const QVector<QRgb> &palette, F indexOf) {
  QImage out = indexedImage(src.width(), src.height());
  out.setColorTable(palette);
  for (int y = 0; y < src.height(); ++y) {
    const QRgb *in = reinterpret_cast<const QRgb *>(src.constScanLine(y));
    uchar *o = out.scanLine(y);
    for (int x = 0; x < src.width(); ++x) o[x] = uchar(indexOf(in[x], x, y));
  }
  return out;
}

// Popularity: distinct colours counted with per-channel masks in a hash of
// 5,191 table_; more than 2,048 colours make the masks one bit coarser (blue,
// red, green in turn) and counting restarts.
class ColorHistogram {
public:
  static constexpr int kSlots = 5191;
  static constexpr int kMaxColors = 2048;

  struct Slot {
    QRgb rgb = 0;  // masked 0x00RRGGBB
    std::uint32_t count = 0;
    bool used = false;
    int index = 0;  // palette entry
  };

  std::vector<Slot> table_ = std::vector<Slot>(kSlots);
  QRgb mask = 0xFFFFFF;

  int find(QRgb masked) const {
    const int r = qRed(masked), g = qGreen(masked), b = qBlue(masked);
    int h = int((std::uint64_t(r + g) * std::uint64_t(b + g) * std::uint64_t(r + b)) % kSlots);
    while (table_[h].used && table_[h].rgb != masked) h = (h + 1) % kSlots;
    return h;
  }

  void count(const QImage &src) {
    static const QRgb coarser[3] = {0x0000FF, 0xFF0000, 0x00FF00};  // blue, red, green
    int turn = 0;
    for (;;) {
      std::fill(table_.begin(), table_.end(), Slot{});
      int distinct = 0;
      bool overflow = false;
      QRgb last = 0xFFFFFFFF;
      int lastSlot = -1;
      for (int y = 0; y < src.height() && !overflow; ++y) {
        const QRgb *in = reinterpret_cast<const QRgb *>(src.constScanLine(y));
        for (int x = 0; x < src.width(); ++x) {
          const QRgb c = in[x] & mask;
          if (c == last) {
            ++table_[lastSlot].count;
            continue;
          }
          const int h = find(c);
          if (!table_[h].used) {
            if (distinct == kMaxColors) {
              overflow = true;
              break;
            }
            ++distinct;
            table_[h].used = true;
            table_[h].rgb = c;
          }
          ++table_[h].count;
          last = c;
          lastSlot = h;
        }
      }
      if (!overflow) return;
      const QRgb channel = coarser[turn % 3];
      ++turn;
      mask = (mask & ~channel) | (((mask & channel) << 1) & channel);
    }
  }
};

QImage reduceHistogram(const QImage &src) {
  ColorHistogram hist;
  hist.count(src);
  std::vector<int> order;
  for (int i = 0; i < ColorHistogram::kSlots; ++i)
    if (hist.table_[i].used) order.push_back(i);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return hist.table_[a].count > hist.table_[b].count; });
  QVector<QRgb> palette(256, qRgb(128, 128, 128));
  const int used = std::min<int>(256, int(order.size()));
  for (int i = 0; i < used; ++i) {
    hist.table_[order[i]].index = i;
    palette[i] = hist.table_[order[i]].rgb | 0xFF000000;
  }
  // Every other colour once: the nearest entry by squared RGB distance.
  for (size_t i = used; i < order.size(); ++i) {
    ColorHistogram::Slot &s = hist.table_[order[i]];
    long best = -1;
    for (int p = 0; p < used; ++p) {
      const long dr = qRed(s.rgb) - qRed(palette[p]), dg = qGreen(s.rgb) - qGreen(palette[p]),
                 db = qBlue(s.rgb) - qBlue(palette[p]);
      const long d = dr * dr + dg * dg + db * db;
      if (best < 0 || d < best) {
        best = d;
        s.index = p;
      }
    }
  }
  QRgb last = 0xFFFFFFFF;
  int lastIndex = 0;
  return mapPixels(src, palette, [&](QRgb px, int, int) {
    const QRgb c = px & hist.mask;
    if (c != last) {
      last = c;
      lastIndex = hist.table_[hist.find(c)].index;
    }
    return lastIndex;
  });
}

// Median cut over a histogram of 4,096 cells (4 bits per channel).
QImage reduceMedianCut(const QImage &src) {
  auto cellOf = [](QRgb c) { return (qRed(c) >> 4) * 256 + (qGreen(c) >> 4) * 16 + (qBlue(c) >> 4); };
  auto value = [](int cell, int channel) { return channel == 0 ? cell >> 8 : channel == 1 ? (cell >> 4) & 15 : cell & 15; };
  std::vector<std::uint64_t> counts(4096, 0);
  for (int y = 0; y < src.height(); ++y) {
    const QRgb *in = reinterpret_cast<const QRgb *>(src.constScanLine(y));
    for (int x = 0; x < src.width(); ++x) ++counts[cellOf(in[x])];
  }
  struct Box {
    int lo[3] = {0, 0, 0};
    int ext[3] = {255, 255, 255};
    std::vector<int> cells;
    std::uint64_t total = 0;
  };
  std::vector<Box> boxes(1);
  for (int c = 0; c < 4096; ++c)
    if (counts[c]) {
      boxes[0].cells.push_back(c);
      boxes[0].total += counts[c];
    }
  while (boxes.size() < 256) {
    int bi = -1, ch = 0, largest = 0;
    for (size_t b = 0; b < boxes.size(); ++b) {
      if (boxes[b].cells.size() < 2) continue;
      for (int k = 0; k < 3; ++k)
        if (bi < 0 || boxes[b].ext[k] > largest) {
          bi = int(b);
          ch = k;
          largest = boxes[b].ext[k];
        }
    }
    if (bi < 0) break;
    Box &box = boxes[bi];
    std::stable_sort(box.cells.begin(), box.cells.end(),
                     [&](int a, int b) { return value(a, ch) < value(b, ch); });
    const std::uint64_t half = box.total / 2;
    std::uint64_t acc = 0;
    size_t cut = box.cells.size() - 1;
    for (size_t i = 0; i < box.cells.size(); ++i) {
      acc += counts[box.cells[i]];
      if (acc > half) {
        cut = i + 1;
        break;
      }
    }
    cut = std::clamp<size_t>(cut, 1, box.cells.size() - 1);
    Box upper;
    std::copy(box.lo, box.lo + 3, upper.lo);
    std::copy(box.ext, box.ext + 3, upper.ext);
    upper.cells.assign(box.cells.begin() + long(cut), box.cells.end());
    box.cells.resize(cut);
    const int end = box.lo[ch] + box.ext[ch];
    upper.lo[ch] = value(upper.cells.front(), ch) * 16;
    upper.ext[ch] = end - upper.lo[ch];
    box.ext[ch] = value(box.cells.back(), ch) * 16 - box.lo[ch];
    // Each half keeps its own pixel total.
    for (int c : upper.cells) upper.total += counts[c];
    box.total -= upper.total;
    boxes.push_back(std::move(upper));
  }
  QVector<QRgb> palette(int(boxes.size()), qRgb(0, 0, 0));
  std::vector<std::uint8_t> boxOfCell(4096, 0);
  for (size_t b = 0; b < boxes.size(); ++b) {
    int rgb[3] = {0, 0, 0};
    const Box &box = boxes[b];
    if (box.cells.empty()) continue;
    for (int k = 0; k < 3; ++k) {
      long sum = 0;
      for (int c : box.cells) sum += value(c, k) * 16 + 15;
      rgb[k] = int(sum / long(box.cells.size()));
    }
    if (rgb[0] <= 16 && rgb[1] <= 16 && rgb[2] <= 16) rgb[0] = rgb[1] = rgb[2] = 0;
    palette[int(b)] = qRgb(rgb[0], rgb[1], rgb[2]);
    for (int c : box.cells) boxOfCell[c] = std::uint8_t(b);
  }
  return mapPixels(src, palette, [&](QRgb px, int, int) { return boxOfCell[cellOf(px)]; });
}

QImage reduceFixed(const QImage &src, int rl, int gl, int bl) {
  const auto &t = levelTables();
  QVector<QRgb> palette(256, qRgb(0, 0, 0));
  const int gStep = bl, rStep = gl * bl;
  for (int r = 0; r < rl; ++r)
    for (int g = 0; g < gl; ++g)
      for (int b = 0; b < bl; ++b)
        palette[r * rStep + g * gStep + b] = qRgb(t.levels[rl][r], t.levels[gl][g], t.levels[bl][b]);
  return mapPixels(src, palette, [&](QRgb px, int, int) {
    return t.nearest[rl][qRed(px)] * rStep + t.nearest[gl][qGreen(px)] * gStep + t.nearest[bl][qBlue(px)];
  });
}

QImage reduceChannelTriple(const QImage &src) {
  QVector<QRgb> palette(256, qRgb(0, 0, 0));
  for (int i = 0; i < 64; ++i) {
    palette[i] = qRgb(i * 4, 0, 0);
    palette[64 + i] = qRgb(0, i * 4, 0);
    palette[128 + i] = qRgb(0, 0, i * 4);
  }
  const int h = src.height();
  return mapPixels(src, palette, [&](QRgb px, int x, int y) {
    // Rows count from the bottom, as they are stored in the bitmap.
    switch ((h - 1 - y + x) % 3) {
      case 0: return qRed(px) / 4;
      case 1: return 64 + qGreen(px) / 4;
      default: return 128 + qBlue(px) / 4;
    }
  });
}

int grayOf(QRgb px) { return (qRed(px) * 77 + qGreen(px) * 150 + qBlue(px) * 29) / 256; }

QImage reduceGrayscale(const QImage &src) {
  QVector<QRgb> palette(256);
  for (int i = 0; i < 256; ++i) palette[i] = qRgb(i, i, i);
  return mapPixels(src, palette, [](QRgb px, int, int) { return grayOf(px); });
}

const QVector<QRgb> &vgaPalette() {
  static const QVector<QRgb> vga = {
      qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
      qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
      qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
      qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
  return vga;
}

// 1 or 4 bits: each distinct colour once to the nearest entry of the image's
// own table (when it fits in the depth) or of the standard palette.
QImage reduceToTable(const QImage &bitmap, int bits) {
  QVector<QRgb> table = bitmap.colorTable();
  if (table.isEmpty() || table.size() > (1 << bits))
    table = bits == 1 ? QVector<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)} : vgaPalette();
  for (QRgb &c : table) c |= 0xFF000000;
  const QImage src = rgbPixels(bitmap);
  QHash<QRgb, int> nearest;
  return mapPixels(src, table, [&](QRgb px, int, int) {
    px |= 0xFF000000;
    auto it = nearest.constFind(px);
    if (it != nearest.constEnd()) return *it;
    int best = 0;
    long bestD = -1;
    for (int i = 0; i < table.size(); ++i) {
      const long dr = qRed(px) - qRed(table[i]), dg = qGreen(px) - qGreen(table[i]),
                 db = qBlue(px) - qBlue(table[i]);
      const long d = dr * dr + dg * dg + db * db;
      if (bestD < 0 || d < bestD) {
        bestD = d;
        best = i;
      }
    }
    nearest.insert(px, best);
    return best;
  });
}

void put16(QByteArray &b, int at, std::uint16_t v) {
  b[at] = char(v & 0xFF);
  b[at + 1] = char(v >> 8);
}
void put32(QByteArray &b, int at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xFF);
}

int ownDepth(const QImage &bitmap) {
  switch (bitmap.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB: return 1;
    case QImage::Format_Indexed8: return 8;
    default: return 24;
  }
}

QRgb bgrToRgb(TColor c) {
  const auto v = std::uint32_t(c);
  return qRgb(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

bool isMonochrome(const QImage &bitmap) {
  return bitmap.format() == QImage::Format_Mono || bitmap.format() == QImage::Format_MonoLSB;
}

} // namespace

const QVector<int> &ColorLevels(int levelCount) { return levelTables().levels[checkedLevelCount(levelCount)]; }

const std::array<std::uint8_t, 256> &NearestLevelTable(int levelCount) {
  return levelTables().nearest[checkedLevelCount(levelCount)];
}

QImage ReduceToIndexed8(const QImage &bitmap, TColorReduction method) {
  if (bitmap.isNull()) throw EInvalidGraphic(kNotValid);
  const QImage src = rgbPixels(bitmap);
  switch (method) {
    case rmHistogram: return reduceHistogram(src);
    case rmMedianCut: return reduceMedianCut(src);
    case rmFixed784: return reduceFixed(src, 7, 8, 4);
    case rmFixed666: return reduceFixed(src, 6, 6, 6);
    case rmChannelTriple: return reduceChannelTriple(src);
    case rmGrayscale: return reduceGrayscale(src);
  }
  throw ENotImplemented(kNotImplemented);
}

QByteArray WriteBmp(const QImage &image, int bitsPerPixel, int colorsUsed) {
  if (image.isNull()) throw EInvalidGraphic(kNotValid);
  if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 24)
    throw ENotImplemented(kNotImplemented);
  const std::int64_t w = image.width(), h = image.height();
  const std::int64_t rowBytes = ((w * bitsPerPixel + 31) / 32) * 4;
  const int paletteEntries = bitsPerPixel == 24 ? 0 : 1 << bitsPerPixel;
  const std::int64_t offBits = 14 + 40 + std::int64_t(paletteEntries) * 4;
  const std::int64_t size = offBits + rowBytes * h;
  if (size > std::int64_t(INT32_MAX) / 2) throw EInvalidGraphic(kNotValid);
  QByteArray out(int(size), '\0');
  out[0] = 'B';
  out[1] = 'M';
  put32(out, 2, std::uint32_t(size));
  put32(out, 10, std::uint32_t(offBits));
  put32(out, 14, 40);
  put32(out, 18, std::uint32_t(w));
  put32(out, 22, std::uint32_t(h));
  put16(out, 26, 1);
  put16(out, 28, std::uint16_t(bitsPerPixel));
  put32(out, 34, std::uint32_t(rowBytes * h));
  put32(out, 38, 2835);  // 72 dpi
  put32(out, 42, 2835);
  put32(out, 46, std::uint32_t(colorsUsed));
  char *pixels = out.data() + offBits;
  if (bitsPerPixel == 24) {
    const QImage src = rgbPixels(image);
    for (int y = 0; y < h; ++y) {
      const QRgb *in = reinterpret_cast<const QRgb *>(src.constScanLine(y));
      char *row = pixels + (h - 1 - y) * rowBytes;
      for (int x = 0; x < w; ++x) {
        row[3 * x] = char(qBlue(in[x]));
        row[3 * x + 1] = char(qGreen(in[x]));
        row[3 * x + 2] = char(qRed(in[x]));
      }
    }
    return out;
  }
  const QImage src = image.format() == QImage::Format_Indexed8 ? image : image.convertToFormat(QImage::Format_Indexed8);
  const QVector<QRgb> table = src.colorTable();
  for (int i = 0; i < std::min<int>(paletteEntries, int(table.size())); ++i) {
    char *e = out.data() + 54 + 4 * i;
    e[0] = char(qBlue(table[i]));
    e[1] = char(qGreen(table[i]));
    e[2] = char(qRed(table[i]));
  }
  const int maxIndex = paletteEntries - 1;
  for (int y = 0; y < h; ++y) {
    const uchar *in = src.constScanLine(y);
    uchar *row = reinterpret_cast<uchar *>(pixels + (h - 1 - y) * rowBytes);
    for (int x = 0; x < w; ++x) {
      const int v = std::min<int>(in[x], maxIndex);
      if (bitsPerPixel == 8)
        row[x] = uchar(v);
      else if (bitsPerPixel == 4)
        row[x / 2] |= uchar((x % 2) ? v : v << 4);
      else if (v)
        row[x / 8] |= uchar(0x80 >> (x % 8));
    }
  }
  return out;
}

QByteArray ReduceBitmapColors(const QImage &bitmap, int bitsPerPixel, TColorReduction method) {
  if (bitmap.isNull()) throw EInvalidGraphic(kNotValid);
  if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 24)
    throw ENotImplemented(kNotImplemented);
  if (ownDepth(bitmap) == bitsPerPixel && method != rmGrayscale)
    return WriteBmp(bitmap, bitsPerPixel, bitsPerPixel == 24 ? 0 : int(bitmap.colorCount()));
  if (bitsPerPixel == 1 || bitsPerPixel == 4) {
    const QImage reduced = reduceToTable(bitmap, bitsPerPixel);
    return WriteBmp(reduced, bitsPerPixel, int(reduced.colorCount()));
  }
  if (bitsPerPixel == 24) {
    if (method != rmGrayscale) return WriteBmp(bitmap, 24);
    return WriteBmp(reduceGrayscale(rgbPixels(bitmap)), 24);
  }
  const QImage reduced = ReduceToIndexed8(bitmap, method);
  return WriteBmp(reduced, 8, int(reduced.colorCount()));
}

void TransparentStretchBlt(QPainter &dest, const QRect &destRect, QRgb transparent, const QImage &source,
                           const QRect &srcRect) {
  if (source.isNull() || destRect.isEmpty()) return;
  QImage part = source.copy(srcRect).convertToFormat(QImage::Format_ARGB32);
  const QRgb key = transparent & 0xFFFFFF;
  for (int y = 0; y < part.height(); ++y) {
    QRgb *px = reinterpret_cast<QRgb *>(part.scanLine(y));
    for (int x = 0; x < part.width(); ++x)
      px[x] = (px[x] & 0xFFFFFF) == key ? 0 : (px[x] | 0xFF000000);
  }
  dest.save();
  dest.setRenderHint(QPainter::SmoothPixmapTransform, false);
  dest.setCompositionMode(QPainter::CompositionMode_SourceOver);
  dest.drawImage(destRect, part);
  dest.restore();
}

void DrawBitmapTransparent(QPainter &canvas, int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh,
                           const QImage &bitmap, TColor transparent) {
  if (bitmap.isNull()) return;
  if (dw < 1 || dh < 1) {
    dw = bitmap.width();
    dh = bitmap.height();
  }
  if (sw < 1 || sh < 1) {
    sx = sy = 0;
    sw = bitmap.width();
    sh = bitmap.height();
  }
  const QRect destRect(dx, dy, dw, dh), srcRect(sx, sy, sw, sh);
  if (transparent == clNone) {
    canvas.save();
    canvas.setRenderHint(QPainter::SmoothPixmapTransform, false);
    canvas.drawImage(destRect, bitmap, srcRect);
    canvas.restore();
    return;
  }
  QRgb key;
  if (isMonochrome(bitmap))
    key = qRgb(255, 255, 255);
  else if (transparent == clDefault)
    key = bitmap.pixel(0, bitmap.height() - 1);
  else
    key = bgrToRgb(ColorToRGB(transparent));
  TransparentStretchBlt(canvas, destRect, key, bitmap, srcRect);
}

void DrawBitmapRectTransparent(QPainter &canvas, int dx, int dy, int dw, int dh, const QImage &bitmap,
                               const QRect &source, TColor transparent) {
  DrawBitmapTransparent(canvas, dx, dy, dw, dh, source.x(), source.y(), source.width(), source.height(), bitmap,
                        transparent);
}

namespace {

QCursor formatPainterCursor() {
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setPen(QPen(Qt::black, 1));
  // I-beam
  p.drawLine(4, 6, 4, 22);
  p.drawLine(2, 6, 6, 6);
  p.drawLine(2, 22, 6, 22);
  // brush: bristles, ferrule and handle
  p.setBrush(QColor(0xFF, 0xE0, 0x60));
  p.drawRect(10, 4, 14, 6);
  p.setBrush(QColor(0x80, 0x80, 0x80));
  p.drawRect(13, 10, 8, 3);
  p.setBrush(QColor(0x90, 0x50, 0x20));
  p.drawRect(16, 13, 2, 12);
  p.end();
  return QCursor(pm, 4, 14);
}

std::map<int, QCursor> &cursorTable() {
  static std::map<int, QCursor> table = [] {
    std::map<int, QCursor> t;
    t.emplace(crHandPoint, QCursor(Qt::PointingHandCursor));
    t.emplace(crDragCursor, QCursor(Qt::DragMoveCursor));
    t.emplace(crFormatPainter, formatPainterCursor());
    return t;
  }();
  return table;
}

} // namespace

QCursor ScreenCursor(int id) {
  const auto &table = cursorTable();
  auto it = table.find(id);
  return it == table.end() ? QCursor(Qt::ArrowCursor) : it->second;
}

void SetScreenCursor(int id, const QCursor &cursor) { cursorTable()[id] = cursor; }

bool SaveIconToClipboardFormat(const QImage &icon, QMimeData &mime) {
  if (icon.isNull()) return false;
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "ico");
  if (!writer.write(icon)) return false;
  mime.setData(QString::fromLatin1(IconMimeType), data);
  return true;
}

QImage LoadIconFromClipboardFormat(const QMimeData &mime) {
  const QByteArray data = mime.data(QString::fromLatin1(IconMimeType));
  if (data.isEmpty()) return QImage();
  return QImage::fromData(data, "ICO");
}

} // namespace qel
