#include "platform/richedit/rtf_codepages.h"

#include "platform/codepage.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace qel::re::rtf {

int codePageForCharset(int charset, int ansiCodePage) {
  switch (charset) {
  case 0: case 1: return ansiCodePage;
  case 2: return kSymbolCodePage;
  // The Macintosh charsets name the Mac's own code pages.
  case 77: return 10000;
  case 78: return 10001;
  case 79: return 10003;
  case 80: return 10008;
  case 81: return 10002;
  case 83: return 10005;
  case 84: return 10004;
  case 85: return 10006;
  case 86: return 10081;
  case 87: return 10021;
  case 88: return 10029;
  case 89: return 10007;
  case 128: return 932;
  case 129: return 949;
  case 130: return 1361;
  case 134: return 936;
  case 136: return 950;
  case 161: return 1253;
  case 162: return 1254;
  case 163: return 1258;
  case 177: return 1255;
  case 178: return 1256;
  case 186: return 1257;
  case 204: return 1251;
  case 222: return 874;
  case 238: return 1250;
  case 254: return 437;
  case 255: return 850;
  default: return ansiCodePage;
  }
}

bool isMultiByteCodePage(int codePage) {
  switch (codePage) {
  case 932: case 936: case 949: case 950: case 1361: case 20932: case 51949: case 54936: case 65001:
  case 10001: case 10002: case 10003: case 10008:
    return true;
  default:
    return false;
  }
}

namespace {

std::string iconvName(int codePage) {
  switch (codePage) {
  case 10000: return "MACINTOSH";
  // The Mac's CJK pages are the East Asian standards with a few additions of
  // their own; the standard pages read them but for those few.
  case 10001: return "SHIFT_JIS";
  case 10002: return "BIG5";
  case 10003: return "CP949";
  case 10008: return "GB2312";
  case 10029: return "MAC-CENTRALEUROPE";
  case 10007: return "MAC-CYRILLIC";
  case 20866: return "KOI8-R";
  case 21866: return "KOI8-U";
  case 20932: return "EUC-JP";
  case 51949: return "EUC-KR";
  case 54936: return "GB18030";
  case 65001: return "UTF-8";
  case 1361: return "JOHAB";
  default: break;
  }
  if (codePage >= 28591 && codePage <= 28606) return "ISO-8859-" + std::to_string(codePage - 28590);
  return "CP" + std::to_string(codePage);
}

iconv_t openToUtf16(int codePage) {
  return ::iconv_open("UTF-16LE", iconvName(codePage).c_str());
}

const char16_t *legacyTable() {
  static const auto table = [] {
    auto t = std::make_unique<char16_t[]>(256);
    for (int b = 0; b < 256; ++b) t[b] = legacyToUnicode(static_cast<unsigned char>(b));
    return t;
  }();
  return table.get();
}

const char16_t *latin1Table() {
  static const auto table = [] {
    auto t = std::make_unique<char16_t[]>(256);
    for (int b = 0; b < 256; ++b) t[b] = char16_t(b);
    return t;
  }();
  return table.get();
}

std::unique_ptr<char16_t[]> buildTable(int codePage) {
  iconv_t cd = openToUtf16(codePage);
  if (cd == iconv_t(-1)) return nullptr;
  auto t = std::make_unique<char16_t[]>(256);
  for (int b = 0; b < 256; ++b) {
    char in = static_cast<char>(b);
    char outBuf[8];
    char *ip = &in, *op = outBuf;
    size_t il = 1, ol = sizeof outBuf;
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    size_t r = ::iconv(cd, &ip, &il, &op, &ol);
    // Pages with combining marks (1255, 1258) hold a character back until flushed.
    if (r != size_t(-1)) r = ::iconv(cd, nullptr, nullptr, &op, &ol);
    // One byte must give exactly one UTF-16 unit in a single-byte page.
    if (r == size_t(-1) || il != 0 || sizeof outBuf - ol != 2) {
      t[b] = b < 0x80 ? char16_t(b) : char16_t(0xFFFD);
    } else {
      t[b] = char16_t(static_cast<unsigned char>(outBuf[0]) | (static_cast<unsigned char>(outBuf[1]) << 8));
    }
  }
  ::iconv_close(cd);
  return t;
}

// Converters of the multi-byte pages, per thread (an iconv descriptor keeps
// state and must not be shared between threads).
struct MultiByteCache {
  struct Entry {
    int codePage = 0;
    iconv_t cd = iconv_t(-1);
  };
  Entry entries[4];
  int next = 0;
  ~MultiByteCache() {
    for (auto &e : entries)
      if (e.cd != iconv_t(-1)) ::iconv_close(e.cd);
  }
  iconv_t get(int codePage) {
    for (auto &e : entries)
      if (e.codePage == codePage) return e.cd;
    Entry &e = entries[next];
    next = (next + 1) % 4;
    if (e.cd != iconv_t(-1)) ::iconv_close(e.cd);
    e.codePage = codePage;
    e.cd = openToUtf16(codePage);
    return e.cd;
  }
};

} // namespace

const char16_t *singleByteTable(int codePage) {
  if (codePage == 1252) return legacyTable();
  if (codePage == kSymbolCodePage) return latin1Table();
  if (isMultiByteCodePage(codePage)) return nullptr;
  static std::mutex mutex;
  static std::map<int, std::unique_ptr<char16_t[]>> tables;
  std::lock_guard<std::mutex> lock(mutex);
  auto it = tables.find(codePage);
  if (it == tables.end()) {
    auto table = buildTable(codePage);
    if (!table) return legacyTable();  // a page we cannot convert reads as 1252
    it = tables.emplace(codePage, std::move(table)).first;
  }
  return it->second.get();
}

void appendMultiByte(int codePage, const char *data, qsizetype size, QString &out) {
  if (size <= 0) return;
  thread_local MultiByteCache cache;
  iconv_t cd = cache.get(codePage);
  if (cd == iconv_t(-1)) {
    const char16_t *t = legacyTable();
    for (qsizetype i = 0; i < size; ++i) out.append(QChar(t[static_cast<unsigned char>(data[i])]));
    return;
  }
  ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
  const qsizetype start = out.size();
  // At most one UTF-16 unit per byte, or two for a four-byte sequence.
  out.resize(start + size + 2);
  char *ip = const_cast<char *>(data);
  size_t il = size_t(size);
  char *base = reinterpret_cast<char *>(out.data() + start);
  char *op = base;
  size_t ol = size_t(size + 2) * 2;
  while (il > 0) {
    size_t r = ::iconv(cd, &ip, &il, &op, &ol);
    if (r != size_t(-1)) break;
    if (errno == E2BIG) {
      // Should not happen with the room reserved above; grow and go on.
      qsizetype done = (op - base) / 2;
      out.resize(out.size() + qsizetype(il) + 8);
      base = reinterpret_cast<char *>(out.data() + start);
      op = base + done * 2;
      ol = size_t(out.size() - start - done) * 2;
      continue;
    }
    // Invalid or incomplete sequence: one replacement per byte skipped.
    if (ol < 2) {
      qsizetype done = (op - base) / 2;
      out.resize(out.size() + 8);
      base = reinterpret_cast<char *>(out.data() + start);
      op = base + done * 2;
      ol = size_t(out.size() - start - done) * 2;
    }
    const char16_t rep = 0xFFFD;
    memcpy(op, &rep, 2);
    op += 2;
    ol -= 2;
    ++ip;
    --il;
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(start + (op - base) / 2);
}

bool endsWithLeadByte(int codePage, const QByteArray &bytes) {
  // Lead bytes of the double-byte pages; other pages are not split.
  bool (*isLead)(unsigned char) = nullptr;
  switch (codePage) {
  case 932: case 10001: isLead = [](unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }; break;
  case 936: case 949: case 950: case 1361: case 10002: case 10003: case 10008:
    isLead = [](unsigned char b) { return b >= 0x81 && b <= 0xFE; };
    break;
  default: return false;
  }
  qsizetype i = 0;
  const qsizetype n = bytes.size();
  while (i < n) {
    if (isLead(static_cast<unsigned char>(bytes.at(i)))) {
      if (i + 1 == n) return true;
      i += 2;
    } else {
      ++i;
    }
  }
  return false;
}

QByteArray encodeMultiByte(int codePage, QStringView text) {
  QByteArray out;
  if (text.isEmpty()) return out;
  iconv_t cd = ::iconv_open(iconvName(codePage).c_str(), "UTF-16LE");
  if (cd == iconv_t(-1)) return out;
  char *ip = reinterpret_cast<char *>(const_cast<char16_t *>(text.utf16()));
  size_t il = size_t(text.size()) * 2;
  out.resize(text.size() * 4 + 8);
  char *op = out.data();
  size_t ol = size_t(out.size());
  size_t r = ::iconv(cd, &ip, &il, &op, &ol);
  if (r != size_t(-1)) r = ::iconv(cd, nullptr, nullptr, &op, &ol);
  ::iconv_close(cd);
  // A character the page lacks (or a reversible substitution) counts as lacking.
  if (r != 0 || il != 0) return QByteArray();
  out.resize(out.size() - qsizetype(ol));
  return out;
}

} // namespace qel::re::rtf
