#include "richedit/rtfroutines.h"

#include "platform/codepage.h"
#include "platform/richedit/richeditcontrol.h"
#include "platform/richedit/rtfreader.h"
#include "richedit/richeditstrings.h"

#include <QIODevice>

namespace qel {

namespace {

const char kRtfStart[] = "{\\rtf";

QStringList plainLinesOf(const QString &text) {
  QString t = text;
  t.remove(QChar(QChar::ObjectReplacementCharacter));
  QStringList lines = t.split(QLatin1Char('\n'));
  // As the editor counts lines: the empty line after a final break is none.
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

} // namespace

bool IsPlainTextLines(const QStringList &lines) {
  return lines.isEmpty() || !lines.first().startsWith(QLatin1String(kRtfStart));
}

bool IsPlainTextLines(const QList<QByteArray> &lines) {
  return lines.isEmpty() || !lines.first().startsWith(kRtfStart);
}

void RTFToPlainLines(const QStringList &source, QStringList &target) {
  if (IsPlainTextLines(source)) {
    target = source;
    return;
  }
  // RTF is ASCII; characters beyond it in a line would be ill-formed RTF and
  // are kept as the code page has them.
  QByteArray rtf;
  for (const QString &line : source) {
    rtf += encodeLegacy(line);
    rtf += "\r\n";
  }
  QString text;
  if (!re::rtfToPlainText(rtf, text)) {
    target = source;
    return;
  }
  target = plainLinesOf(text);
}

void RTFToPlainLines(const QList<QByteArray> &source, QStringList &target) {
  if (IsPlainTextLines(source)) {
    QStringList plain;
    plain.reserve(source.size());
    for (const QByteArray &line : source) plain << decodeLegacy(line);
    target = plain;
    return;
  }
  QByteArray rtf;
  for (const QByteArray &line : source) {
    rtf += line;
    rtf += "\r\n";
  }
  QString text;
  if (!re::rtfToPlainText(rtf, text)) {
    QStringList plain;
    for (const QByteArray &line : source) plain << decodeLegacy(line);
    target = plain;
    return;
  }
  target = plainLinesOf(text);
}

bool RTFBodyToPlainBody(const char *data, qsizetype size, QByteArray &out, QStringList &lines) {
  // The bytes RTFToPlainLines reads: every line, however it ended, followed
  // by CR LF. Most bodies are that already and are read in place.
  bool asIs = size >= 2 && data[size - 2] == '\r' && data[size - 1] == '\n';
  for (qsizetype i = 0; asIs && i < size; ++i) {
    if (data[i] == '\n') {
      asIs = i > 0 && data[i - 1] == '\r';
    } else if (data[i] == '\r') {
      asIs = i + 1 < size && data[i + 1] == '\n';
    }
  }
  QByteArray joined;
  if (!asIs) {
    joined.reserve(size + 2);
    for (qsizetype i = 0; i < size; ++i) {
      const char c = data[i];
      if (c == '\r' || c == '\n') {
        joined += "\r\n";
        if (c == '\r' && i + 1 < size && data[i + 1] == '\n') ++i;
      } else {
        joined += c;
      }
    }
    if (size > 0 && data[size - 1] != '\r' && data[size - 1] != '\n') joined += "\r\n";
    data = joined.constData();
    size = joined.size();
  }

  QString text;
  if (!re::rtfToPlainText(data, size, text)) {
    // Not RTF after all: the lines are plain text in the code page.
    QStringList plain;
    qsizetype start = 0;
    for (qsizetype i = 0; i + 1 < size; ++i) {
      if (data[i] != '\r' || data[i + 1] != '\n') continue;
      plain << decodeLegacy(data + start, i - start);
      start = ++i + 1;
    }
    for (const QString &line : plain) {
      if (!fitsLegacy(line)) {
        lines = plain;
        return false;
      }
    }
    for (const QString &line : plain) out += encodeLegacy(line) + "\r\n";
    return true;
  }

  // One pass: pictures and objects leave nothing, paragraph ends become
  // CR LF, the last line gets one too (an empty paragraph after a final break
  // is no line), everything else goes into the code page or the whole body
  // is not plain after all.
  const qsizetype base = out.size();
  const qsizetype n = text.size();
  out.resize(base + 2 * n + 2);
  char *const start = out.data() + base;
  char *w = start;
  const char16_t *src = reinterpret_cast<const char16_t *>(text.constData());
  char16_t last = 0;
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t ch = src[i];
    if (ch == u'\n') {
      *w++ = '\r';
      *w++ = '\n';
    } else if (ch < 0x80) {
      *w++ = char(ch);
    } else if (ch == QChar::ObjectReplacementCharacter) {
      continue;
    } else {
      unsigned char b;
      if (!unicodeToLegacy(ch, b)) {
        out.resize(base);
        lines = plainLinesOf(text);
        return false;
      }
      *w++ = char(b);
    }
    last = ch;
  }
  if (w != start && last != u'\n') {
    *w++ = '\r';
    *w++ = '\n';
  }
  out.resize(w - out.constData());
  return true;
}

bool InsertRTFAtSelection(re::RichEditControl &editor, QIODevice &stream) {
  const QByteArray data = stream.readAll();
  if (editor.streamIn(data, re::SF_RTF | re::SFF_SELECTION)) return true;
  // Not RTF after all (or RTF the reader refused): the body goes in as text.
  editor.streamIn(NormalizePlainText(data), re::SF_TEXT | re::SFF_SELECTION);
  return false;
}

} // namespace qel
