#include "settings/fontvalue.h"

#include <QFont>

#include <cmath>

namespace qel {

TFont DefaultFont() { return TFont(); }

QString FontStyleToLetters(TFontStyles style) {
  QString s;
  if (style & fsBold) s += QLatin1Char('B');
  if (style & fsItalic) s += QLatin1Char('I');
  if (style & fsUnderline) s += QLatin1Char('U');
  if (style & fsStrikeOut) s += QLatin1Char('S');
  return s;
}

TFontStyles LettersToFontStyle(const QString &letters) {
  TFontStyles style = 0;
  if (letters.contains(QLatin1Char('B'))) style |= fsBold;
  if (letters.contains(QLatin1Char('I'))) style |= fsItalic;
  if (letters.contains(QLatin1Char('U'))) style |= fsUnderline;
  if (letters.contains(QLatin1Char('S'))) style |= fsStrikeOut;
  return style;
}

QFont FontToQFont(const TFont &font) {
  QFont f(font.Name);
  if (font.Size > 0) f.setPointSize(font.Size);
  f.setBold(font.Style & fsBold);
  f.setItalic(font.Style & fsItalic);
  f.setUnderline(font.Style & fsUnderline);
  f.setStrikeOut(font.Style & fsStrikeOut);
  return f;
}

TFont FontFromQFont(const QFont &qfont, const TFont &base) {
  TFont font = base;
  font.Name = qfont.family();
  if (qfont.pointSizeF() > 0) font.Size = int(std::lround(qfont.pointSizeF()));
  font.Style = 0;
  if (qfont.bold()) font.Style |= fsBold;
  if (qfont.italic()) font.Style |= fsItalic;
  if (qfont.underline()) font.Style |= fsUnderline;
  if (qfont.strikeOut()) font.Style |= fsStrikeOut;
  return font;
}

} // namespace qel
