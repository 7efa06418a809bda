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

bool InsertRTFAtSelection(re::RichEditControl &editor, QIODevice &stream) {
  const QByteArray data = stream.readAll();
  if (editor.streamIn(data, re::SF_RTF | re::SFF_SELECTION)) return true;
  // Not RTF after all (or RTF the reader refused): the body goes in as text.
  editor.streamIn(NormalizePlainText(data), re::SF_TEXT | re::SFF_SELECTION);
  return false;
}

} // namespace qel
