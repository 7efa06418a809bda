#pragma once
// The framework's date and time values: TDateTime is a double counting days
// since 1899-12-30, the fraction being the local time of day.

#include <QByteArrayView>
#include <QDateTime>
#include <QString>

namespace qel {

using TDateTime = double;

TDateTime Now();
TDateTime DateTimeFromQt(const QDateTime &local);
QDateTime DateTimeToQt(TDateTime value);

// The framework's formatting with its pattern language:
// d dd ddd dddd ddddd dddddd m mm mmm mmmm yy yyyy h hh n nn s ss am/pm "quoted" 'quoted';
// m right after h or hh means minutes; ddddd is the locale's short date, dddddd its long date.
QString FormatDateTime(const QString &pattern, TDateTime value);

// Fixed-point text with `decimals` decimals, always with ".".
QString FloatToFixed(double value, int decimals);
// General float-to-text: 15 significant digits, the locale's decimal
// separator, exponent form where the framework uses it.
QString FloatToStr(double value);
// Decimal or "$" hexadecimal integer text; false on anything else or on overflow.
bool TryStrToInt(const QString &text, int &value);
// As above, `fallback` when the text is not an integer.
int StrToIntDef(const QString &text, int fallback);
// A real number as the text-file reader takes it ("." whatever the locale):
// blanks around it, an optional sign, digits with an optional fraction and
// exponent. False, leaving `value` unchanged, for anything else or for a
// value out of range.
bool TryStrToFloat(QByteArrayView text, double &value);

} // namespace qel
