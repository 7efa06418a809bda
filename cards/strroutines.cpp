#include "cards/strroutines.h"

namespace qel {

namespace {

bool isDelimiterAt(const QString &s, qsizetype index, const CharSet &delimiters) {
  return index < 0 || index >= s.size() || delimiters.contains(s.at(index));
}

char16_t asciiUpper(char16_t c) { return (c >= 'a' && c <= 'z') ? char16_t(c - 32) : c; }

// Index (0-based) of `key` in `text` with ASCII letters compared upper-cased; -1 when absent.
qsizetype asciiCaseIndexOf(const QString &text, const QString &key) {
  const qsizetype n = text.size(), k = key.size();
  if (k == 0 || k > n) return -1;
  const char16_t *t = reinterpret_cast<const char16_t *>(text.constData());
  const char16_t *p = reinterpret_cast<const char16_t *>(key.constData());
  for (qsizetype i = 0; i + k <= n; ++i) {
    qsizetype j = 0;
    while (j < k && asciiUpper(t[i + j]) == asciiUpper(p[j])) ++j;
    if (j == k) return i;
  }
  return -1;
}

} // namespace

int PosFrom(const QString &sub, const QString &s, bool ignoreCase, int from) {
  if (sub.isEmpty()) return 0;
  qsizetype start = from <= 1 ? 0 : qsizetype(from) - 1;
  if (start >= s.size()) return 0;
  // Per-character case folding keeps positions where upper-casing the whole
  // string could change its length.
  qsizetype at = s.indexOf(sub, start, ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive);
  return at < 0 ? 0 : int(at + 1);
}

int FindWholeWord(const QString &sub, const QString &s, const CharSet &delimiters) {
  if (sub.isEmpty()) return 0;
  int start = 1;
  for (;;) {
    int p = PosFrom(sub, s, false, start);
    if (p == 0) return 0;
    qsizetype at = p - 1;
    if (isDelimiterAt(s, at - 1, delimiters) && isDelimiterAt(s, at + sub.size(), delimiters)) return p;
    // The next candidate may start right after this one's first character,
    // so no occurrence is skipped.
    start = p + 1;
  }
}

QString ReplaceTextEx(const QString &oldText, const QString &newText, const QString &source, bool ignoreCase,
                      bool wholeWord, const CharSet &delimiters) {
  if (oldText.isEmpty()) return source;
  const Qt::CaseSensitivity cs = ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive;
  QString out;
  qsizetype copied = 0, from = 0;
  for (;;) {
    qsizetype at = source.indexOf(oldText, from, cs);
    if (at < 0) break;
    if (wholeWord && !delimiters.isEmpty() &&
        !(isDelimiterAt(source, at - 1, delimiters) && isDelimiterAt(source, at + oldText.size(), delimiters))) {
      from = at + 1;
      continue;
    }
    out += QStringView(source).mid(copied, at - copied);
    out += newText;
    copied = from = at + oldText.size();
  }
  if (copied == 0) return source;
  out += QStringView(source).mid(copied);
  return out;
}

QString ReplaceText(const QString &oldText, const QString &newText, const QString &source) {
  return ReplaceTextEx(oldText, newText, source, false, false, CharSet());
}

QString ReplaceAll(const QString &source, const QString &oldText, const QString &newText) {
  return ReplaceTextEx(oldText, newText, source, false, false, CharSet());
}

QString EscapeAmpersands(const QString &text) { return ReplaceAll(text, QStringLiteral("&"), QStringLiteral("&&")); }

qsizetype TextKeyIndex(const QString &text, const QString &key) { return asciiCaseIndexOf(text, key); }

QString TextBefore(const QString &text, const QString &key) {
  qsizetype at = asciiCaseIndexOf(text, key);
  return at < 0 ? QString() : text.left(at);
}

QString TextAfter(const QString &text, const QString &key) {
  qsizetype at = asciiCaseIndexOf(text, key);
  return at < 0 ? QString() : text.mid(at + key.size());
}

qint64 StringsByteSize(const ByteLines &lines) {
  qint64 total = 0;
  for (const QByteArray &line : lines) total += line.size() + 2;
  return total;
}

QByteArray JoinLines(const ByteLines &lines) {
  QByteArray out;
  out.reserve(qsizetype(StringsByteSize(lines)));
  for (const QByteArray &line : lines) {
    out += line;
    out += "\r\n";
  }
  return out;
}

ByteLines SplitLines(const QByteArray &text) {
  ByteLines lines;
  const char *p = text.constData();
  const qsizetype n = text.size();
  qsizetype start = 0;
  for (qsizetype i = 0; i < n; ++i) {
    char c = p[i];
    if (c != '\r' && c != '\n') continue;
    lines.append(text.mid(start, i - start));
    if (c == '\r' && i + 1 < n && p[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < n) lines.append(text.mid(start));
  return lines;
}

} // namespace qel
