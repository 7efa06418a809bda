#include "platform/richedit/textsearch.h"

#include "platform/codepage.h"
#include "platform/richedit/richeditcontrol.h"
#include "platform/richedit/rtfreader.h"

namespace qel::re {

bool isFindWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('\''); }

qsizetype findForward(QStringView hay, QStringView needle, qsizetype from, int flags) {
  if (needle.isEmpty() || from < 0) return -1;
  const Qt::CaseSensitivity cs = (flags & FR_MATCHCASE) ? Qt::CaseSensitive : Qt::CaseInsensitive;
  for (qsizetype i = hay.indexOf(needle, from, cs); i >= 0; i = hay.indexOf(needle, i + 1, cs)) {
    if (!(flags & FR_WHOLEWORD)) return i;
    const bool before = i > 0 && isFindWordChar(hay.at(i - 1));
    const bool after = i + needle.size() < hay.size() && isFindWordChar(hay.at(i + needle.size()));
    if (!before && !after) return i;
  }
  return -1;
}

QString bodySearchText(QByteArrayView body) {
  if (body == QByteArrayView("\0\r\n", 3)) return QString();
  if (body.startsWith("{\\rtf")) {
    QString text;
    if (rtfToPlainText(body.data(), body.size(), text)) return text;
  }
  return decodeLegacy(body.data(), body.size());
}

} // namespace qel::re
