#include "platform/richedit/linkscan.h"

namespace qel::re {

namespace {

struct Prefix {
  const char *text;
  int minRest;  // characters that must follow
};

// Longest first where one prefix starts another.
const Prefix kPrefixes[] = {
    {"https://", 1}, {"http://", 1}, {"ftp://", 1}, {"file:", 1},
    {"mailto:", 1},  {"news:", 1},   {"www.", 1},
};

bool startsWithAt(const QString &text, int at, const char *prefix) {
  const int n = int(qstrlen(prefix));
  if (at + n > text.size()) return false;
  for (int i = 0; i < n; ++i)
    if (text.at(at + i).toLower() != QLatin1Char(prefix[i])) return false;
  return true;
}

bool isBreak(QChar c) {
  if (c.isSpace() || c.category() == QChar::Other_Control || c.category() == QChar::Other_Format) return true;
  switch (c.unicode()) {
    case 0xFFFC: case 0x2028: case 0x2029: case '"': case '<': case '>':
    case '{': case '}': case '|': case '\\': case '^': case '`':
      return true;
    default:
      return false;
  }
}

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

} // namespace

QList<LinkRange> findLinks(const QString &text) {
  QList<LinkRange> out;
  const int n = int(text.size());
  int i = 0;
  while (i < n) {
    const QChar c = text.at(i);
    // Only at the start of a word: a link inside "xhttp://" is no link.
    const bool wordStart = i == 0 || !isWordChar(text.at(i - 1));
    const char ch = char(c.toLower().unicode() < 128 ? c.toLower().unicode() : 0);
    if (!wordStart || (ch != 'h' && ch != 'f' && ch != 'm' && ch != 'n' && ch != 'w')) {
      ++i;
      continue;
    }
    int prefixLen = 0;
    int minRest = 0;
    for (const Prefix &p : kPrefixes) {
      if (startsWithAt(text, i, p.text)) {
        prefixLen = int(qstrlen(p.text));
        minRest = p.minRest;
        break;
      }
    }
    if (prefixLen == 0) {
      ++i;
      continue;
    }
    int end = i + prefixLen;
    while (end < n && !isBreak(text.at(end))) ++end;
    // Drop trailing punctuation and unbalanced closing brackets.
    for (;;) {
      if (end <= i + prefixLen) break;
      const QChar last = text.at(end - 1);
      if (QStringLiteral(".,;:!?'*").contains(last)) {
        --end;
        continue;
      }
      const QChar open = last == QLatin1Char(')') ? QLatin1Char('(') : last == QLatin1Char(']') ? QLatin1Char('[') : QChar();
      if (!open.isNull()) {
        const QStringView body = QStringView(text).mid(i, end - i);
        if (body.count(open) < body.count(last)) {
          --end;
          continue;
        }
      }
      break;
    }
    const int rest = end - (i + prefixLen);
    bool ok = rest >= minRest;
    // "www." wants a host name behind it.
    if (ok && prefixLen == 4 && !text.at(i + 4).isLetterOrNumber()) ok = false;
    if (ok) {
      out.append({i, end - i});
      i = end;
    } else {
      i += prefixLen;
    }
  }
  return out;
}

} // namespace qel::re
