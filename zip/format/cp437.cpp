#include "zip/format/cp437.h"

#include <cstdint>

namespace qel::zipfmt {

namespace {

const char16_t kHigh[128] = {
  0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
  0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
  0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
  0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
  0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
  0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
  0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
  0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

void appendUtf8(std::string &out, char32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

// Decodes one UTF-8 sequence at `i`; returns false (and advances one byte) on an invalid one.
bool nextUtf8(std::string_view s, std::size_t &i, char32_t &c) {
  auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char b0 = b(i);
  if (b0 < 0x80) { c = b0; ++i; return true; }
  std::size_t len;
  char32_t min;
  if ((b0 & 0xE0) == 0xC0) { len = 2; c = b0 & 0x1F; min = 0x80; }
  else if ((b0 & 0xF0) == 0xE0) { len = 3; c = b0 & 0x0F; min = 0x800; }
  else if ((b0 & 0xF8) == 0xF0) { len = 4; c = b0 & 0x07; min = 0x10000; }
  else { ++i; return false; }
  if (s.size() - i < len) { ++i; return false; }
  for (std::size_t k = 1; k < len; ++k) {
    unsigned char bk = b(i + k);
    if ((bk & 0xC0) != 0x80) { ++i; return false; }
    c = (c << 6) | (bk & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) { ++i; return false; }
  i += len;
  return true;
}

} // namespace

char32_t cp437ToUnicode(unsigned char byte) {
  return byte < 0x80 ? char32_t(byte) : char32_t(kHigh[byte - 0x80]);
}

std::string cp437ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) appendUtf8(out, cp437ToUnicode(c));
  return out;
}

std::string utf8ToCp437(std::string_view utf8, bool *allFitted) {
  std::string out;
  out.reserve(utf8.size());
  bool fitted = true;
  std::size_t i = 0;
  while (i < utf8.size()) {
    char32_t c;
    if (!nextUtf8(utf8, i, c)) { out += '_'; fitted = false; continue; }
    if (c < 0x80) { out += char(c); continue; }
    int found = -1;
    for (int k = 0; k < 128; ++k) {
      if (kHigh[k] == c) { found = k; break; }
    }
    if (found < 0) { out += '_'; fitted = false; }
    else out += char(0x80 + found);
  }
  if (allFitted) *allFitted = fitted;
  return out;
}

namespace {
// Windows-1252 bytes 0x80..0x9F; the rest is Latin-1. The five bytes the code
// page leaves undefined stay the C1 controls, so every byte round-trips.
constexpr char16_t kAnsiHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
} // namespace

char32_t ansiToUnicode(unsigned char byte) {
  return (byte >= 0x80 && byte < 0xA0) ? char32_t(kAnsiHigh[byte - 0x80]) : char32_t(byte);
}

std::string ansiToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) appendUtf8(out, ansiToUnicode(c));
  return out;
}

bool isValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  char32_t c;
  while (i < bytes.size()) {
    if (!nextUtf8(bytes, i, c)) return false;
  }
  return true;
}

bool isAscii(std::string_view bytes) {
  for (unsigned char c : bytes) {
    if (c >= 0x80) return false;
  }
  return true;
}

} // namespace qel::zipfmt
