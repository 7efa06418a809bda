#include "platform/richedit/rtfwrite_numbering.h"

#include "platform/richedit/rtfwrite_emitter.h"
#include "platform/richedit/textprops.h"

#include <QTextBlockFormat>

namespace qel::re {

namespace {

constexpr int kSymbolCharset = 2;
constexpr char16_t kSymbolBullet = 0x00B7;  // the bullet's code in the Symbol font

QString lettersOf(int value, char16_t first) {
  // 1 -> a, 26 -> z, 27 -> aa, ...
  QString s;
  int n = qMax(1, value);
  while (n > 0) {
    --n;
    s.prepend(QChar(char16_t(first + n % 26)));
    n /= 26;
  }
  return s;
}

QString romanOf(int value, bool upper) {
  static const struct { int v; const char *s; } table[] = {
      {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"},
      {50, "l"},   {40, "xl"},  {10, "x"},  {9, "ix"},   {5, "v"},   {4, "iv"}, {1, "i"}};
  QString s;
  int n = qBound(1, value, 3999);
  for (const auto &t : table)
    while (n >= t.v) {
      s += QLatin1String(t.s);
      n -= t.v;
    }
  return upper ? s.toUpper() : s;
}

} // namespace

NumberingKey numberingKeyOf(const QTextBlockFormat &bf, const ParaFormat &p) {
  NumberingKey k;
  k.numbering = p.wNumbering;
  k.style = p.wNumberingStyle;
  k.start = p.wNumberingStart > 0 ? p.wNumberingStart : 1;
  // Control characters are no part of a bullet or number text (and are not
  // written).
  auto printable = [](QString t) {
    t.removeIf([](QChar c) { return c.unicode() < 0x20; });
    return t;
  };
  k.textBefore = printable(bf.stringProperty(ParaNumberTextBefore));
  k.textAfter = printable(bf.stringProperty(ParaNumberTextAfter));
  k.fontFace = bf.stringProperty(ParaNumberFontFace);
  k.fontCharset = bf.intProperty(ParaNumberFontCharset);
  k.fontSizeTwips = bf.intProperty(ParaNumberFontSizeTwips);
  if (k.numbering == PFN_BULLET) {
    k.style = 0;
    k.start = 1;
    if (k.fontFace.isEmpty()) {
      k.fontFace = QStringLiteral("Symbol");
      k.fontCharset = kSymbolCharset;
    }
    if (k.textBefore.isEmpty())
      k.textBefore = QString(QChar(kSymbolBullet));
    k.textAfter.clear();
  } else if (k.textBefore.isEmpty() && k.textAfter.isEmpty()) {
    switch (k.style) {
    case PFNS_PAREN: k.textAfter = QStringLiteral(")"); break;
    case PFNS_PARENS: k.textBefore = QStringLiteral("("); k.textAfter = QStringLiteral(")"); break;
    case PFNS_PERIOD: k.textAfter = QStringLiteral("."); break;
    default: break;
    }
  }
  return k;
}

QString formatNumber(int numbering, int value) {
  switch (numbering) {
  case PFN_LCLETTER: return lettersOf(value, u'a');
  case PFN_UCLETTER: return lettersOf(value, u'A');
  case PFN_LCROMAN: return romanOf(value, false);
  case PFN_UCROMAN: return romanOf(value, true);
  default: return QString::number(value);
  }
}

QString NumberingCounter::next(const NumberingKey &key) {
  if (active_ && key == key_) {
    ++value_;
  } else {
    active_ = true;
    key_ = key;
    value_ = key.start;
  }
  if (key.numbering == PFN_BULLET)
    return key.textBefore;
  if (key.style == PFNS_NONUMBER)
    return QString();
  return key.textBefore + formatNumber(key.numbering, value_) + key.textAfter;
}

int numberingStyleOfTexts(const QString &before, const QString &after) {
  if (before.isEmpty() && after.isEmpty()) return PFNS_PLAIN;
  if (before == QLatin1String("(") && after == QLatin1String(")")) return PFNS_PARENS;
  if (before.isEmpty() && after == QLatin1String(")")) return PFNS_PAREN;
  return PFNS_PERIOD;
}

const char *pnNumberWord(int numbering) {
  switch (numbering) {
  case PFN_LCLETTER: return "pnlcltr";
  case PFN_UCLETTER: return "pnucltr";
  case PFN_LCROMAN: return "pnlcrm";
  case PFN_UCROMAN: return "pnucrm";
  default: return "pndec";
  }
}

int listLevelNfc(int numbering) {
  switch (numbering) {
  case PFN_BULLET: return 23;
  case PFN_LCLETTER: return 4;
  case PFN_UCLETTER: return 3;
  case PFN_LCROMAN: return 2;
  case PFN_UCROMAN: return 1;
  default: return 0;
  }
}

void writeNumberText(RtfEmitter &out, const QString &text, int charset) {
  if (charset != kSymbolCharset) {
    out.text(text, charset);
    return;
  }
  for (QChar ch : text) {
    const char16_t c = ch.unicode();
    if (c < 0x20) continue;
    if (c < 0x100) out.hexByte((unsigned char)c);
    else if (c >= 0xF000 && c <= 0xF0FF) out.hexByte((unsigned char)(c - 0xF000));
    else if (c == 0x2022) out.hexByte(0xB7);
    else out.text(QString(ch), charset);
  }
}

void writeLevelText(RtfEmitter &out, const NumberingKey &k) {
  out.open();
  out.word("leveltext");
  if (k.numbering == PFN_BULLET) {
    out.hexByte((unsigned char)qMin<qsizetype>(k.textBefore.size(), 255));
    writeNumberText(out, k.textBefore, k.fontCharset);
    out.raw(";");
    out.close();
    out.open();
    out.word("levelnumbers");
    out.raw(";");
    out.close();
    return;
  }
  const bool number = k.style != PFNS_NONUMBER;
  const qsizetype length = k.textBefore.size() + (number ? 1 : 0) + k.textAfter.size();
  out.hexByte((unsigned char)qMin<qsizetype>(length, 255));
  writeNumberText(out, k.textBefore, k.fontCharset);
  if (number) out.hexByte(0);
  writeNumberText(out, k.textAfter, k.fontCharset);
  out.raw(";");
  out.close();
  out.open();
  out.word("levelnumbers");
  if (number) out.hexByte((unsigned char)(k.textBefore.size() + 1));
  out.raw(";");
  out.close();
}

} // namespace qel::re
