#include "platform/richedit/rtfwrite_emitter.h"

#include "platform/codepage.h"
#include "platform/richedit/rtf_codepages.h"

#include <cctype>
#include <charconv>

namespace qel::re {

namespace {

const char kHex[] = "0123456789abcdef";

// Charsets whose \'hh bytes readers decode with the document's code page.
bool usesLegacyCodePage(int charset) { return charset == 0 || charset == 1; }

} // namespace

QByteArray wellFormedObjectGroup(const QByteArray &kept) {
  qsizetype start = -1;
  for (qsizetype at = kept.indexOf("\\object"); at >= 0; at = kept.indexOf("\\object", at + 1)) {
    // The word itself, not a longer one (\objectX is not it), right after "{"
    // (optionally "{\*").
    const qsizetype after = at + 7;
    if (after < kept.size() && std::isalpha((unsigned char)kept.at(after))) continue;
    if (at >= 1 && kept.at(at - 1) == '{') { start = at - 1; break; }
    if (at >= 3 && kept.mid(at - 3, 3) == "{\\*") { start = at - 3; break; }
  }
  if (start < 0) return QByteArray();
  const qsizetype n = kept.size();
  int depth = 0;
  qsizetype i = start;
  while (i < n) {
    const char c = kept.at(i);
    if (c == '\\' && i + 1 < n) {
      if (kept.mid(i + 1, 3) == "bin") {
        qsizetype j = i + 4;
        qint64 count = 0;
        const qsizetype digits = j;
        while (j < n && kept.at(j) >= '0' && kept.at(j) <= '9' && count < (qint64(1) << 40)) count = count * 10 + (kept.at(j++) - '0');
        if (j > digits) {
          if (j < n && kept.at(j) == ' ') ++j;
          i = qsizetype(qMin<qint64>(n, j + count));
          continue;
        }
      }
      i += 2;
      continue;
    }
    if (c == '{') ++depth;
    if (c == '}' && --depth == 0) return kept.mid(start, i + 1 - start);
    ++i;
  }
  // Cut short: not a group a reader could take as it stands.
  return QByteArray();
}

namespace {
inline bool isPlain(char16_t c) { return c >= 0x20 && c < 0x7F && c != u'\\' && c != u'{' && c != u'}'; }
} // namespace

int rtfUnicodeParam(char16_t unit) { return unit > 0x7FFF ? int(unit) - 0x10000 : int(unit); }

void RtfEmitter::word(const char *name) {
  out_ += '\\';
  out_ += name;
  pendingDelimiter_ = true;
}

void RtfEmitter::word(const char *name, int param) {
  out_ += '\\';
  out_ += name;
  char digits[16];
  const auto r = std::to_chars(digits, digits + sizeof digits, param);
  out_.append(digits, r.ptr - digits);
  pendingDelimiter_ = true;
}

void RtfEmitter::starGroup(const char *name) {
  out_ += "{\\*\\";
  out_ += name;
  pendingDelimiter_ = true;
}

void RtfEmitter::open() {
  out_ += '{';
  pendingDelimiter_ = false;
}

void RtfEmitter::close() {
  out_ += '}';
  pendingDelimiter_ = false;
}

void RtfEmitter::newline() {
  out_ += "\r\n";
  pendingDelimiter_ = false;
}

void RtfEmitter::raw(const char *s) {
  out_ += s;
  pendingDelimiter_ = false;
}

void RtfEmitter::words(const QByteArray &controlWords) {
  if (controlWords.isEmpty())
    return;
  out_ += controlWords;
  pendingDelimiter_ = true;
}

void RtfEmitter::beforeText(char first) {
  // A control word ends at the first character that is not a letter or a
  // digit; a space there is eaten by the reader. Write one whenever text
  // follows, so "-" or a digit never joins the word as its parameter.
  if (pendingDelimiter_ && first != '\\' && first != '{' && first != '}')
    out_ += ' ';
  pendingDelimiter_ = false;
}

void RtfEmitter::hexByte(unsigned char b) {
  beforeText('\\');
  out_ += "\\'";
  out_ += kHex[b >> 4];
  out_ += kHex[b & 0x0F];
}

void RtfEmitter::text(QStringView text, int charset) {
  const char16_t *u = text.utf16();
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    // Plain characters in bulk: printable ASCII but the RTF specials.
    if (isPlain(u[i])) {
      beforeText(char(u[i]));
      const qsizetype at = out_.size();
      out_.resize(at + (n - i));
      char *const start = out_.data() + at;
      char *d = start;
      while (i < n && isPlain(u[i])) *d++ = char(u[i++]);
      out_.resize(at + (d - start));
      --i;
      continue;
    }
    const char16_t c = u[i];
    switch (c) {
    case u'\\': beforeText('\\'); out_ += "\\\\"; continue;
    case u'{': beforeText('\\'); out_ += "\\{"; continue;
    case u'}': beforeText('\\'); out_ += "\\}"; continue;
    case u'\t': word("tab"); continue;
    case 0x000C: word("page"); continue;
    case 0x000B:
    case 0x2028: word("line"); continue;
    case 0x00A0: beforeText('\\'); out_ += "\\~"; pendingDelimiter_ = false; continue;
    case 0x00AD: beforeText('\\'); out_ += "\\-"; pendingDelimiter_ = false; continue;
    case 0x2011: beforeText('\\'); out_ += "\\_"; pendingDelimiter_ = false; continue;
    case 0x0000: continue;  // never part of a text; a reader would cut the body there
    default: break;
    }
    if (c >= 0x20 && c < 0x7F) {
      beforeText(char(c));
      out_ += char(c);
      continue;
    }
    if (c < 0x20 || c == 0x7F) {
      hexByte((unsigned char)c);
      continue;
    }
    word("u", rtfUnicodeParam(c));
    unsigned char b = 0;
    if (usesLegacyCodePage(charset) && !QChar::isSurrogate(c) && unicodeToLegacy(c, b) && b >= 0x80) {
      hexByte(b);
    } else {
      // "\'3f" rather than a literal "?": some readers take the character
      // after a literal fallback as part of the skipped text.
      hexByte('?');
    }
  }
}

void RtfEmitter::plainText(const QString &text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text.at(i).unicode();
    if (c == u'\\' || c == u'{' || c == u'}' || c == u';' || c < 0x20 || c == 0x7F) {
      if (c == 0) continue;
      hexByte((unsigned char)c);
      continue;
    }
    if (c < 0x7F) {
      beforeText(char(c));
      out_ += char(c);
      continue;
    }
    unsigned char b = 0;
    if (!QChar::isSurrogate(c) && unicodeToLegacy(c, b)) {
      hexByte(b);
    } else {
      word("u", rtfUnicodeParam(c));
      hexByte('?');
    }
  }
}

void RtfEmitter::fontName(const QString &name, int charset) {
  using namespace rtf;
  const int cp = codePageForCharset(charset, 1252);
  const bool multiByte = isMultiByteCodePage(cp);
  const char16_t *table = cp == kSymbolCodePage || multiByte ? nullptr : singleByteTable(cp);
  for (qsizetype i = 0; i < name.size(); ++i) {
    const char16_t c = name.at(i).unicode();
    if (c >= 0x20 && c < 0x7F && c != u'\\' && c != u'{' && c != u'}' && c != u';') {
      beforeText(char(c));
      out_ += char(c);
      continue;
    }
    if (c < 0x20) continue;
    int byte = -1;
    if (cp == kSymbolCodePage) {
      if (c < 0x100) byte = c;
      else if (c >= 0xF000 && c <= 0xF0FF) byte = c - 0xF000;
    } else if (c < 0x80) {
      byte = c;
    } else if (multiByte) {
      // Readers decode the name's bytes in the font's own page: a
      // double-byte name goes out as its two-byte sequences.
      const qsizetype n = QChar::isHighSurrogate(c) && i + 1 < name.size() ? 2 : 1;
      const QByteArray bytes = encodeMultiByte(cp, QStringView(name).mid(i, n));
      if (!bytes.isEmpty()) {
        for (char b : bytes) hexByte((unsigned char)b);
        i += n - 1;
        continue;
      }
    } else if (table) {
      for (int b = 0x80; b < 0x100; ++b)
        if (table[b] == c) {
          byte = b;
          break;
        }
    }
    if (byte >= 0) {
      hexByte((unsigned char)byte);
    } else {
      // A character the page lacks keeps its value as \uN.
      word("u", rtfUnicodeParam(c));
      hexByte('?');
    }
  }
}

void RtfEmitter::hexData(const QByteArray &data) {
  constexpr qsizetype kLine = 128;  // hex digits per line
  newline();
  qsizetype col = 0;
  out_.reserve(out_.size() + data.size() * 2 + data.size() / 64 * 2 + 4);
  for (char ch : data) {
    const auto b = (unsigned char)ch;
    out_ += kHex[b >> 4];
    out_ += kHex[b & 0x0F];
    col += 2;
    if (col == kLine) {
      out_ += "\r\n";
      col = 0;
    }
  }
  pendingDelimiter_ = false;
}

void RtfEmitter::verbatim(const QByteArray &group) {
  const qsizetype n = group.size();
  qsizetype i = 0;
  QByteArray pendingBreak;  // CR/LF bytes held until we see what follows them
  auto flushBreak = [&](char next) {
    if (!pendingBreak.isEmpty() && next != '<') {
      // Our output breaks lines with CR LF only: a lone CR or LF (which RTF
      // readers ignore like any line break) becomes a pair.
      for (qsizetype k = 0; k < pendingBreak.size(); ++k) {
        out_ += "\r\n";
        if (pendingBreak[k] == '\r' && k + 1 < pendingBreak.size() && pendingBreak[k + 1] == '\n') ++k;
      }
    }
    pendingBreak.clear();
  };
  while (i < n) {
    const char c = group.at(i);
    if (c == '\r' || c == '\n') {
      pendingBreak += c;
      ++i;
      continue;
    }
    flushBreak(c);
    if (c == '\\' && i + 1 < n) {
      // Keep "\binN" data exactly: N raw bytes follow the word.
      if (group.mid(i + 1, 3) == "bin") {
        qsizetype j = i + 4;
        const qsizetype digits = j;
        bool negative = false;
        if (j < n && group.at(j) == '-') {
          negative = true;
          ++j;
        }
        qint64 count = 0;
        while (j < n && group.at(j) >= '0' && group.at(j) <= '9' && count < (qint64(1) << 40)) {
          count = count * 10 + (group.at(j) - '0');
          ++j;
        }
        if (j > digits && !negative) {
          if (j < n && group.at(j) == ' ')
            ++j;
          const qsizetype end = qsizetype(qMin<qint64>(n, j + count));
          const QByteArray data = group.mid(j, end - j);
          if (data.contains('\n') || data.contains('\r')) {
            // Binary data with line breaks in it (which could put a '<' at
            // a line start or leave a lone CR): the same bytes as hex digits
            // (without the \bin word), which the destinations holding data
            // accept in its place.
            out_ += ' ';
            for (char b : data) {
              out_ += kHex[(unsigned char)b >> 4];
              out_ += kHex[(unsigned char)b & 0x0F];
            }
          } else {
            out_.append(group.constData() + i, end - i);
          }
          i = end;
          continue;
        }
      }
      const char next = group.at(i + 1);
      if (next == '\r' || next == '\n') {
        // A backslash before a line break means \par; spelt out, the line
        // break after it stays free to change like any other.
        out_ += "\\par ";
        i += (next == '\r' && i + 2 < n && group.at(i + 2) == '\n') ? 3 : 2;
        continue;
      }
      out_ += c;
      out_ += next;
      i += 2;
      continue;
    }
    out_ += c;
    ++i;
  }
  // A trailing line break of the group is dropped: the caller decides on
  // what follows.
  pendingDelimiter_ = false;
}

} // namespace qel::re
