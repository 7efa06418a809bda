#include "platform/richedit/rtf_pict.h"

#include "platform/richedit/textprops.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace qel::re::rtf {

namespace {

// A picture may not claim more pixels than this, nor more than its data
// could plausibly describe: a few bytes of garbage never make a giant image.
constexpr qint64 kMaxPixels = 64ll * 1024 * 1024;
constexpr qint64 kMaxPixelsPerByte = 2048;

bool plausibleSize(qint64 w, qint64 h, qint64 dataBytes) {
  if (w <= 0 || h <= 0 || w > 65535 || h > 65535) return false;
  const qint64 pixels = w * h;
  return pixels <= kMaxPixels && pixels <= std::max<qint64>(dataBytes, 1) * kMaxPixelsPerByte;
}

quint16 u16(const uchar *p) { return quint16(p[0] | (p[1] << 8)); }
quint32 u32(const uchar *p) { return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24); }
qint32 s32(const uchar *p) { return static_cast<qint32>(u32(p)); }

QImage readWithQt(const QByteArray &bytes, const char *format) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format);
  reader.setDecideFormatFromContent(false);
  const QSize size = reader.size();
  if (size.isValid() && !plausibleSize(size.width(), size.height(), bytes.size())) return {};
  QImage image;
  if (!reader.read(&image)) return {};
  return image;
}

// Facts of a BITMAPINFO needed to place its bits.
struct DibHeader {
  qint64 width = 0, height = 0;  // height positive
  int bitCount = 0;
  quint32 compression = 0;
  qsizetype infoBytes = 0;  // header, masks and palette
};

bool parseDibHeader(const uchar *p, qsizetype size, DibHeader &h) {
  if (size < 12) return false;
  const quint32 headerSize = u32(p);
  int paletteEntry = 4;
  qint64 colours = 0;
  if (headerSize == 12) {
    h.width = u16(p + 4);
    h.height = u16(p + 6);
    h.bitCount = u16(p + 10);
    paletteEntry = 3;
  } else if (headerSize >= 40 && headerSize <= 124 && qsizetype(headerSize) <= size) {
    h.width = s32(p + 4);
    const qint32 height = s32(p + 8);
    if (height == INT32_MIN) return false;
    h.height = height < 0 ? -qint64(height) : height;
    h.bitCount = u16(p + 14);
    h.compression = u32(p + 16);
    colours = u32(p + 32);
  } else {
    return false;
  }
  if (h.bitCount != 1 && h.bitCount != 4 && h.bitCount != 8 && h.bitCount != 16 && h.bitCount != 24 &&
      h.bitCount != 32 && !(h.bitCount == 0 && (h.compression == 4 || h.compression == 5)))
    return false;
  if (colours == 0 && h.bitCount <= 8 && h.bitCount > 0) colours = qint64(1) << h.bitCount;
  if (colours > 256 && h.bitCount <= 8) colours = 256;
  if (colours > 4096) return false;
  qsizetype masks = 0;
  if (headerSize == 40 && h.compression == 3) masks = 12;
  if (headerSize == 40 && h.compression == 6) masks = 16;
  h.infoBytes = qsizetype(headerSize) + masks + qsizetype(colours) * paletteEntry;
  return h.width > 0 && h.height > 0;
}

// BITMAPINFO + bits as the image they describe.
QImage dibImage(const uchar *info, qsizetype infoSize, const uchar *bits, qsizetype bitsSize) {
  DibHeader h;
  if (!parseDibHeader(info, infoSize, h)) return {};
  if (h.compression == 4 || h.compression == 5) {  // embedded JPEG or PNG
    QByteArray inner(reinterpret_cast<const char *>(bits), bitsSize);
    return h.compression == 4 ? decodeJpeg(inner) : readWithQt(inner, "PNG");
  }
  if (!plausibleSize(h.width, h.height, infoSize + bitsSize)) return {};
  if (h.compression == 0 || h.compression == 3 || h.compression == 6) {
    const qint64 stride = ((h.width * h.bitCount + 31) / 32) * 4;
    if (stride * h.height > bitsSize) return {};
  } else if (h.compression != 1 && h.compression != 2) {
    return {};
  }
  const qsizetype usedInfo = std::min(infoSize, h.infoBytes);
  QByteArray file;
  file.reserve(14 + usedInfo + bitsSize);
  const quint32 total = quint32(14 + usedInfo + bitsSize);
  const quint32 offset = quint32(14 + usedInfo);
  const uchar fileHeader[14] = {'B', 'M',
                                uchar(total), uchar(total >> 8), uchar(total >> 16), uchar(total >> 24),
                                0, 0, 0, 0,
                                uchar(offset), uchar(offset >> 8), uchar(offset >> 16), uchar(offset >> 24)};
  file.append(reinterpret_cast<const char *>(fileHeader), 14);
  file.append(reinterpret_cast<const char *>(info), usedInfo);
  file.append(reinterpret_cast<const char *>(bits), bitsSize);
  return readWithQt(file, "BMP");
}

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

void jpegErrorExit(j_common_ptr cinfo) {
  auto *err = reinterpret_cast<JpegError *>(cinfo->err);
  std::longjmp(err->jump, 1);
}

void jpegSilent(j_common_ptr, int) {}
void jpegNoMessage(j_common_ptr) {}

// Only plain C objects live between setjmp and longjmp; the image is the caller's.
bool decodeJpegInto(const uchar *data, unsigned long size, QImage *out) {
  jpeg_decompress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = jpegErrorExit;
  err.mgr.emit_message = jpegSilent;
  err.mgr.output_message = jpegNoMessage;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, size);
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  if (!plausibleSize(cinfo.image_width, cinfo.image_height, qint64(size))) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_start_decompress(&cinfo);
  const int w = int(cinfo.output_width), h = int(cinfo.output_height);
  const int comps = cinfo.output_components;
  if ((cmyk && comps != 4) || (!cmyk && comps != 3)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  *out = QImage(w, h, QImage::Format_RGB888);
  if (out->isNull()) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  JSAMPLE *row = static_cast<JSAMPLE *>((*cinfo.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, JDIMENSION(w * comps)));
  while (cinfo.output_scanline < cinfo.output_height) {
    const int y = int(cinfo.output_scanline);
    JSAMPROW rows[1] = {row};
    if (jpeg_read_scanlines(&cinfo, rows, 1) != 1) break;
    uchar *dst = out->scanLine(y);
    if (cmyk) {
      // Adobe writes inverted CMYK.
      for (int x = 0; x < w; ++x) {
        const int k = row[x * 4 + 3];
        dst[x * 3 + 0] = uchar(row[x * 4 + 0] * k / 255);
        dst[x * 3 + 1] = uchar(row[x * 4 + 1] * k / 255);
        dst[x * 3 + 2] = uchar(row[x * 4 + 2] * k / 255);
      }
    } else {
      std::memcpy(dst, row, size_t(w) * 3);
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

// One candidate DIB inside a metafile record.
struct DibRef {
  const uchar *info = nullptr;
  qsizetype infoSize = 0;
  const uchar *bits = nullptr;
  qsizetype bitsSize = 0;
  qint64 pixels = 0;
};

void consider(DibRef &best, const uchar *info, qsizetype infoSize, const uchar *bits, qsizetype bitsSize) {
  DibHeader h;
  if (!parseDibHeader(info, infoSize, h)) return;
  const qint64 pixels = h.width * h.height;
  if (pixels > best.pixels) best = DibRef{info, infoSize, bits, bitsSize, pixels};
}

// A DIB packed in one piece (info then bits).
void considerPacked(DibRef &best, const uchar *p, qsizetype size) {
  DibHeader h;
  if (!parseDibHeader(p, size, h) || h.infoBytes > size) return;
  consider(best, p, h.infoBytes, p + h.infoBytes, size - h.infoBytes);
}

} // namespace

QImage decodeJpeg(const QByteArray &bytes) {
  if (bytes.size() < 4) return {};
  QImage image;
  if (!decodeJpegInto(reinterpret_cast<const uchar *>(bytes.constData()), static_cast<unsigned long>(bytes.size()), &image))
    return {};
  return image;
}

QImage decodeDib(const char *data, qsizetype size) {
  const auto *p = reinterpret_cast<const uchar *>(data);
  DibHeader h;
  if (!parseDibHeader(p, size, h) || h.infoBytes > size) return {};
  return dibImage(p, h.infoBytes, p + h.infoBytes, size - h.infoBytes);
}

QImage dibFromWmf(const QByteArray &bytes) {
  const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
  const qsizetype size = bytes.size();
  qsizetype pos = 0;
  if (size >= 22 && u32(p) == 0x9AC6CDD7u) pos = 22;  // placeable header
  if (size - pos < 18) return {};
  const qsizetype headerWords = u16(p + pos + 2);
  pos += std::max<qsizetype>(headerWords, 9) * 2;
  DibRef best;
  while (pos + 6 <= size) {
    const quint32 words = u32(p + pos);
    const quint16 function = u16(p + pos + 4);
    if (words < 3 || function == 0) break;
    const qsizetype recBytes = std::min<qsizetype>(qsizetype(words) * 2, size - pos);
    const uchar *params = p + pos + 6;
    const qsizetype paramBytes = recBytes - 6;
    qsizetype dibAt = -1;
    switch (function) {
    case 0x0B41: dibAt = 20; break;  // DIBSTRETCHBLT
    case 0x0F43: dibAt = 22; break;  // STRETCHDIB
    case 0x0940: dibAt = 16; break;  // DIBBITBLT
    case 0x0D33: dibAt = 18; break;  // SETDIBTODEV
    default: break;
    }
    if (dibAt >= 0 && paramBytes > dibAt + 12) considerPacked(best, params + dibAt, paramBytes - dibAt);
    pos += recBytes;
  }
  if (!best.info) return {};
  return dibImage(best.info, best.infoSize, best.bits, best.bitsSize);
}

QImage dibFromEmf(const QByteArray &bytes) {
  const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
  const qsizetype size = bytes.size();
  if (size < 8 || u32(p) != 1) return {};
  DibRef best;
  qsizetype pos = 0;
  while (pos + 8 <= size) {
    const quint32 type = u32(p + pos);
    const quint32 recSize = u32(p + pos + 4);
    if (recSize < 8 || qsizetype(recSize) > size - pos) break;
    qsizetype at = -1;
    switch (type) {
    case 80: case 81: at = 48; break;  // SETDIBITSTODEVICE, STRETCHDIBITS
    case 76: case 77: at = 84; break;  // BITBLT, STRETCHBLT
    default: break;
    }
    if (at >= 0 && qsizetype(recSize) >= at + 16) {
      const uchar *r = p + pos;
      const quint32 offBmi = u32(r + at), cbBmi = u32(r + at + 4), offBits = u32(r + at + 8), cbBits = u32(r + at + 12);
      if (cbBmi > 0 && offBmi <= recSize && cbBmi <= recSize - offBmi && offBits <= recSize && cbBits <= recSize - offBits)
        consider(best, r + offBmi, cbBmi, r + offBits, cbBits);
    }
    if (type == 14) break;  // EOF
    pos += recSize;
  }
  if (!best.info) return {};
  return dibImage(best.info, best.infoSize, best.bits, best.bitsSize);
}

QImage decodeDdb(const PictureData &pict) {
  const qint64 w = pict.picw, h = pict.pich;
  const int bpp = pict.bitsPerPixel > 0 ? pict.bitsPerPixel : 1;
  if (!plausibleSize(w, h, pict.data.size())) return {};
  if (bpp != 1 && bpp != 8 && bpp != 24 && bpp != 32) return {};
  const qint64 minStride = (w * bpp + 7) / 8;
  qint64 stride = pict.widthBytes > 0 ? pict.widthBytes : ((w * bpp + 15) / 16) * 2;
  if (stride < minStride || stride * h > pict.data.size()) return {};
  QImage image(int(w), int(h), bpp == 1 ? QImage::Format_Mono : QImage::Format_RGB32);
  if (image.isNull()) return {};
  const auto *src = reinterpret_cast<const uchar *>(pict.data.constData());
  if (bpp == 1) {
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  }
  for (int y = 0; y < int(h); ++y) {
    const uchar *row = src + qint64(y) * stride;
    if (bpp == 1) {
      std::memcpy(image.scanLine(y), row, size_t(minStride));
      continue;
    }
    auto *dst = reinterpret_cast<QRgb *>(image.scanLine(y));
    for (int x = 0; x < int(w); ++x) {
      if (bpp == 8) dst[x] = qRgb(row[x], row[x], row[x]);
      else if (bpp == 24) dst[x] = qRgb(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
      else dst[x] = qRgb(row[x * 4 + 2], row[x * 4 + 1], row[x * 4]);
    }
  }
  return image;
}

QImage decodePicture(const PictureData &pict) {
  if (pict.data.isEmpty()) return {};
  switch (pict.type) {
  case PicPng: return readWithQt(pict.data, "PNG");
  case PicJpeg: return decodeJpeg(pict.data);
  case PicDib: return decodeDib(pict.data.constData(), pict.data.size());
  case PicWmf: return dibFromWmf(pict.data);
  case PicEmf: return dibFromEmf(pict.data);
  case PicBitmap: return decodeDdb(pict);
  default: return {};
  }
}

QSize pictureSizeTwips(const PictureData &pict, const QImage &decoded) {
  const bool metafile = pict.type == PicWmf || pict.type == PicEmf || pict.type == PicMac;
  auto own = [&](int value, int fromImage) -> qint64 {
    if (value > 0) return metafile ? qint64(value) * 1440 / 2540 : qint64(value) * 15;
    return qint64(fromImage) * 15;
  };
  qint64 w = pict.goalW > 0 ? pict.goalW : own(pict.picw, decoded.width());
  qint64 h = pict.goalH > 0 ? pict.goalH : own(pict.pich, decoded.height());
  w -= qint64(pict.cropL) + pict.cropR;
  h -= qint64(pict.cropT) + pict.cropB;
  if (pict.scaleX > 0) w = w * pict.scaleX / 100;
  if (pict.scaleY > 0) h = h * pict.scaleY / 100;
  // An unstated size falls back to a small frame; absurd ones are capped.
  if (w <= 0) w = 480;
  if (h <= 0) h = 480;
  constexpr qint64 kMax = 1440 * 200;  // 200 inches
  return QSize(int(std::min(w, kMax)), int(std::min(h, kMax)));
}

} // namespace qel::re::rtf
