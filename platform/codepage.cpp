#include "platform/codepage.h"

#include <cstring>

#include <QStringDecoder>

namespace qel {

namespace {
// 0x80..0x9F; the rest of the code page is identical to Latin-1.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
} // namespace

char16_t legacyToUnicode(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHigh[byte - 0x80];
  return byte;
}

bool unicodeToLegacy(char16_t ch, unsigned char &byte) {
  if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) {
    byte = static_cast<unsigned char>(ch);
    return true;
  }
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] == ch) {
      byte = static_cast<unsigned char>(0x80 + i);
      return true;
    }
  }
  return false;
}

QString decodeLegacy(const char *data, qsizetype size) {
  QString out(size, Qt::Uninitialized);
  QChar *dst = out.data();
  for (qsizetype i = 0; i < size; ++i) dst[i] = QChar(legacyToUnicode(static_cast<unsigned char>(data[i])));
  return out;
}

QByteArray encodeLegacy(const QString &text, bool *allFitted) {
  QByteArray out(text.size(), Qt::Uninitialized);
  bool fitted = true;
  qsizetype n = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    char16_t ch = text.at(i).unicode();
    unsigned char b;
    if (QChar::isHighSurrogate(ch) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      ++i;  // one character, one replacement
      b = '?';
      fitted = false;
    } else if (!unicodeToLegacy(ch, b)) {
      b = '?';
      fitted = false;
    }
    out[n++] = static_cast<char>(b);
  }
  out.truncate(n);
  if (allFitted) *allFitted = fitted;
  return out;
}

bool fitsLegacy(const QString &text) {
  for (QChar c : text) {
    unsigned char b;
    if (!unicodeToLegacy(c.unicode(), b)) return false;
  }
  return true;
}

void Utf8Scan(const char *data, qsizetype size, bool &valid, bool &nonAscii) {
  const auto *p = reinterpret_cast<const unsigned char *>(data);
  valid = true;
  nonAscii = false;
  qsizetype i = 0;
  while (i < size) {
    // Runs of ASCII, the most of any index, eight bytes at a time.
    while (i + 8 <= size) {
      quint64 word;
      std::memcpy(&word, p + i, 8);
      if (word & 0x8080808080808080ull) break;
      i += 8;
    }
    if (i >= size) break;
    unsigned char c = p[i];
    if (c < 0x80) { ++i; continue; }
    nonAscii = true;
    int len;
    unsigned cp;
    if (c >= 0xC2 && c <= 0xDF) { len = 2; cp = c & 0x1F; }
    else if (c >= 0xE0 && c <= 0xEF) { len = 3; cp = c & 0x0F; }
    else if (c >= 0xF0 && c <= 0xF4) { len = 4; cp = c & 0x07; }
    else { valid = false; return; }
    if (i + len > size) { valid = false; return; }
    for (int k = 1; k < len; ++k) {
      unsigned char cc = p[i + k];
      if ((cc & 0xC0) != 0x80) { valid = false; return; }
      cp = (cp << 6) | (cc & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
      valid = false;
      return;
    }
    i += len;
  }
}

bool isUtf8WithNonAscii(const char *data, qsizetype size) {
  bool valid = false, nonAscii = false;
  Utf8Scan(data, size, valid, nonAscii);
  return valid && nonAscii;
}

QString decodeTextField(const QByteArray &bytes) {
  if (isUtf8WithNonAscii(bytes)) return QString::fromUtf8(bytes);
  return decodeLegacy(bytes);
}

QString DecodeTextFile(const QByteArray &bytes) {
  QByteArrayView data(bytes);
  const bool bom = data.startsWith("\xEF\xBB\xBF");
  if (bom) data = data.sliced(3);
  if (bom || isUtf8WithNonAscii(data.data(), data.size())) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(data);
    if (!utf8.hasError()) return text;
  }
  return decodeLegacy(data.data(), data.size());
}

} // namespace qel
