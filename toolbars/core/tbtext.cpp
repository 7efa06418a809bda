#include "toolbars/core/tbtext.h"

#include <QList>

namespace qel::toolbars {

namespace {

// Length in UTF-16 units of the code point starting at `i`.
qsizetype CodePointLength(const QString &text, qsizetype i) {
  if (i + 1 < text.size() && text.at(i).isHighSurrogate() && text.at(i + 1).isLowSurrogate())
    return 2;
  return 1;
}

} // namespace

QString RemoveAmpersands(const QString &text) {
  qsizetype accelIndex = -1;
  return RemoveAmpersands(text, accelIndex);
}

QString RemoveAmpersands(const QString &text, qsizetype &accelIndex) {
  accelIndex = -1;
  QString result;
  result.reserve(text.size());
  qsizetype i = 0;
  while (i < text.size()) {
    if (text.at(i) == u'&') {
      ++i; // the mark goes; whatever follows it (even a second "&") stays
      if (i >= text.size())
        break;
      if (text.at(i) != u'&')
        accelIndex = result.size();
    }
    const qsizetype n = CodePointLength(text, i);
    result.append(text.mid(i, n));
    i += n;
  }
  return result;
}

QString DoubleAmpersands(const QString &text) {
  QString result = text;
  return result.replace(u'&', QStringLiteral("&&"));
}

QString TrimTrailingColonOrDots(const QString &text) {
  if (text.endsWith(QStringLiteral("...")))
    return text.left(text.size() - 3);
  if (text.endsWith(u':'))
    return text.left(text.size() - 1);
  return text;
}

char32_t AccelCharOf(const QString &caption) {
  char32_t accel = 0;
  qsizetype i = 0;
  while (i < caption.size()) {
    if (caption.at(i) == u'&') {
      ++i;
      if (i >= caption.size())
        break;
      if (caption.at(i) == u'&') {
        ++i; // a literal "&"
        continue;
      }
      const qsizetype n = CodePointLength(caption, i);
      accel = n == 2 ? QChar::surrogateToUcs4(caption.at(i), caption.at(i + 1)) : caption.at(i).unicode();
      i += n;
      continue;
    }
    i += CodePointLength(caption, i);
  }
  return accel;
}

QString ShortenWithEllipsis(const QString &text, int maxWidth, const std::function<int(const QString &)> &measure,
                            qsizetype *kept) {
  const auto keep = [&](qsizetype n) {
    if (kept)
      *kept = n;
  };
  keep(text.size());
  if (text.isEmpty() || measure(text) <= maxWidth)
    return text;
  const QString dots = QStringLiteral("...");
  // Code point boundaries after the first code point, longest start first.
  QList<qsizetype> ends;
  for (qsizetype i = CodePointLength(text, 0); i < text.size(); i += CodePointLength(text, i))
    ends.prepend(i);
  for (const qsizetype end : ends) {
    const QString candidate = text.left(end) + dots;
    if (measure(candidate) <= maxWidth) {
      keep(end);
      return candidate;
    }
  }
  keep(CodePointLength(text, 0));
  return text.left(CodePointLength(text, 0));
}

} // namespace qel::toolbars
