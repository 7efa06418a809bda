#include "app/textexport.h"

#include "cards/crd.h"
#include "cards/textimport.h"
#include "platform/codepage.h"
#include "platform/richedit/rtfreader.h"

#include <algorithm>

namespace qel {

QStringList PlainBodyLines(const TCrd &card) {
  const QByteArray body = card.BodyText();
  QString text;
  if (body.startsWith("{\\rtf") && re::rtfToPlainText(body, text)) {
    text.remove(QChar(0xFFFC));  // pictures and objects leave nothing
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
  }
  return TextFileLines(decodeLegacy(body));
}

void ExportCard(const QString &title, const QStringList &body, const TExportLayout &l, bool sample, QStringList &lines) {
  const qsizetype count = sample ? qMin<qsizetype>(body.size(), 51) : body.size();
  switch (l.type) {
    case 0:
      lines.append(title);
      break;
    case 1: {
      QString s = l.bh + title + l.ah;
      for (qsizetype i = 0; i < count; ++i) {
        if (sample && s.size() > 300) s.truncate(300);
        s += l.bc + body.at(i) + l.ac;
      }
      lines.append(s);
      break;
    }
    default:
      lines.append(l.bh + title + l.ah);
      for (qsizetype i = 0; i < count; ++i) lines.append(l.bc + body.at(i) + l.ac);
      break;
  }
  if (l.line) lines.append(l.sep);
}

QByteArray ExportFileBytes(QStringList lines, const TExportLayout &layout) {
  if (layout.type == 0)
    std::stable_sort(lines.begin(), lines.end(),
                     [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
  QString text;
  for (const QString &line : lines) text += line + QStringLiteral("\r\n");
  bool fits = true;
  const QByteArray legacy = encodeLegacy(text, &fits);
  return fits ? legacy : text.toUtf8();
}

} // namespace qel
