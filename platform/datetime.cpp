#include "platform/datetime.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace qel {

namespace {

constexpr qint64 kMsPerDay = 86400000;
// 9999-12-31 is the last day the framework's values reach; beyond it (and for
// non-finite values) a value is not a date.
constexpr double kMaxDays = 2958466.0;
constexpr double kMinDays = -693594.0; // 0001-01-01

QDate baseDate() { return QDate(1899, 12, 30); }

// Splits a value into the calendar day and the milliseconds of that day.
bool splitValue(TDateTime value, QDate &date, qint64 &ms) {
  if (!std::isfinite(value) || value > kMaxDays || value < kMinDays) return false;
  double whole = std::trunc(value);
  double frac = std::fabs(value - whole);
  ms = std::llround(frac * double(kMsPerDay));
  date = baseDate().addDays(qint64(whole));
  if (ms >= kMsPerDay) {
    ms = 0;
    date = date.addDays(1);
  }
  return date.isValid();
}

// The first separator character of a locale format, or `fallback`.
QString separatorOf(const QString &format, QChar fallback) {
  bool quoted = false;
  for (QChar c : format) {
    if (c == QLatin1Char('\'')) {
      quoted = !quoted;
      continue;
    }
    if (quoted || c.isLetter() || c.isSpace() || c == QLatin1Char(',')) continue;
    return QString(c);
  }
  return QString(fallback);
}

QString longTimeText(const QTime &time) {
  // Qt's long time format carries the time zone; the framework's does not.
  QString format = QLocale().timeFormat(QLocale::LongFormat);
  static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
  format.remove(zone);
  return QLocale().toString(time, format.trimmed());
}

QString twoDigits(int v) { return QString::number(v).rightJustified(2, QLatin1Char('0')); }

bool startsWithCi(const QString &s, qsizetype pos, QLatin1StringView what) {
  return s.mid(pos, what.size()).compare(what, Qt::CaseInsensitive) == 0;
}

// True when an am/pm marker follows `from` outside quoted text: the hour is then
// shown on the 12-hour clock.
bool hasAmPmAfter(const QString &pattern, qsizetype from) {
  QChar quote;
  for (qsizetype i = from; i < pattern.size(); ++i) {
    QChar c = pattern[i];
    if (!quote.isNull()) {
      if (c == quote) quote = QChar();
      continue;
    }
    if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
      quote = c;
      continue;
    }
    if (startsWithCi(pattern, i, QLatin1StringView("am/pm")) || startsWithCi(pattern, i, QLatin1StringView("a/p")) ||
        startsWithCi(pattern, i, QLatin1StringView("ampm")))
      return true;
  }
  return false;
}

void appendFormatted(QString &out, const QString &pattern, const QDate &date, const QTime &time, bool hasTime) {
  const QLocale locale;
  QChar lastToken;
  qsizetype i = 0;
  const qsizetype n = pattern.size();
  auto countRun = [&](QChar upper) {
    qsizetype j = i;
    while (j < n && pattern[j].toUpper() == upper) ++j;
    qsizetype count = j - i;
    i = j;
    return count;
  };
  while (i < n) {
    QChar c = pattern[i];
    QChar upper = c.toUpper();
    if (upper >= QLatin1Char('A') && upper <= QLatin1Char('Z')) {
      if (upper == QLatin1Char('M') && lastToken == QLatin1Char('H')) upper = QLatin1Char('N');
      lastToken = upper;
    }
    switch (upper.unicode()) {
    case 'Y': {
      qsizetype count = countRun(QLatin1Char('Y'));
      if (count <= 2) out += twoDigits(date.year() % 100);
      else out += QString::number(date.year()).rightJustified(4, QLatin1Char('0'));
      break;
    }
    case 'M':
    case 'N': {
      // An "m" run after an hour was turned into the minute above; count the letters as written.
      qsizetype count = countRun(c.toUpper());
      if (upper == QLatin1Char('N')) {
        out += count == 1 ? QString::number(time.minute()) : twoDigits(time.minute());
      } else if (count == 1) {
        out += QString::number(date.month());
      } else if (count == 2) {
        out += twoDigits(date.month());
      } else if (count == 3) {
        out += locale.monthName(date.month(), QLocale::ShortFormat);
      } else {
        out += locale.monthName(date.month(), QLocale::LongFormat);
      }
      break;
    }
    case 'D': {
      qsizetype count = countRun(QLatin1Char('D'));
      switch (count) {
      case 1: out += QString::number(date.day()); break;
      case 2: out += twoDigits(date.day()); break;
      case 3: out += locale.dayName(date.dayOfWeek(), QLocale::ShortFormat); break;
      case 4: out += locale.dayName(date.dayOfWeek(), QLocale::LongFormat); break;
      case 5: out += locale.toString(date, QLocale::ShortFormat); break;
      default: out += locale.toString(date, QLocale::LongFormat); break;
      }
      break;
    }
    case 'H': {
      qsizetype at = i;
      qsizetype count = countRun(QLatin1Char('H'));
      int hour = time.hour();
      if (hasAmPmAfter(pattern, at)) {
        hour %= 12;
        if (hour == 0) hour = 12;
      }
      out += count == 1 ? QString::number(hour) : twoDigits(hour);
      break;
    }
    case 'S': {
      qsizetype count = countRun(QLatin1Char('S'));
      out += count == 1 ? QString::number(time.second()) : twoDigits(time.second());
      break;
    }
    case 'Z': {
      qsizetype count = countRun(QLatin1Char('Z'));
      out += count == 1 ? QString::number(time.msec()) : QString::number(time.msec()).rightJustified(3, QLatin1Char('0'));
      break;
    }
    case 'T': {
      qsizetype count = countRun(QLatin1Char('T'));
      out += count == 1 ? locale.toString(time, QLocale::ShortFormat) : longTimeText(time);
      break;
    }
    case 'C': {
      countRun(QLatin1Char('C'));
      out += locale.toString(date, QLocale::ShortFormat);
      if (hasTime) out += QLatin1Char(' ') + longTimeText(time);
      break;
    }
    case 'A': {
      bool pm = time.hour() >= 12;
      if (startsWithCi(pattern, i, QLatin1StringView("am/pm"))) {
        out += pattern.mid(pm ? i + 3 : i, 2); // keeps the case the pattern gives
        i += 5;
      } else if (startsWithCi(pattern, i, QLatin1StringView("a/p"))) {
        out += pattern.mid(pm ? i + 2 : i, 1);
        i += 3;
      } else if (startsWithCi(pattern, i, QLatin1StringView("ampm"))) {
        out += pm ? locale.pmText() : locale.amText();
        i += 4;
      } else {
        out += c;
        ++i;
      }
      break;
    }
    case '/':
      out += separatorOf(locale.dateFormat(QLocale::ShortFormat), QLatin1Char('/'));
      ++i;
      break;
    case ':':
      out += separatorOf(locale.timeFormat(QLocale::ShortFormat), QLatin1Char(':'));
      ++i;
      break;
    case '"':
    case '\'': {
      qsizetype end = pattern.indexOf(c, i + 1);
      if (end < 0) end = n; // an unclosed quote runs to the end
      out += pattern.mid(i + 1, end - i - 1);
      i = end + 1;
      break;
    }
    default:
      out += c;
      ++i;
      break;
    }
  }
}

} // namespace

TDateTime DateTimeFromQt(const QDateTime &local) {
  if (!local.isValid()) return 0.0;
  QDateTime l = local.toLocalTime();
  qint64 days = baseDate().daysTo(l.date());
  double frac = double(l.time().msecsSinceStartOfDay()) / double(kMsPerDay);
  // Before the base day the whole part counts back while the fraction still
  // counts forward from midnight: -1.25 is 29 December 1899, 06:00.
  return days >= 0 ? double(days) + frac : double(days) - frac;
}

QDateTime DateTimeToQt(TDateTime value) {
  QDate date;
  qint64 ms = 0;
  if (!splitValue(value, date, ms)) return QDateTime();
  return QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(ms)));
}

TDateTime Now() { return DateTimeFromQt(QDateTime::currentDateTime()); }

QString FormatDateTime(const QString &pattern, TDateTime value) {
  QDate date;
  qint64 ms = 0;
  if (!splitValue(value, date, ms)) return QString();
  QTime time = QTime::fromMSecsSinceStartOfDay(int(ms));
  QString out;
  // An empty pattern shows the short date and, when there is one, the long time.
  appendFormatted(out, pattern.isEmpty() ? QStringLiteral("c") : pattern, date, time, ms != 0);
  return out;
}

namespace {

// A finite non-zero value as 15 significant decimal digits and the power of
// ten of the first one: the precision the framework converts with.
struct Decimal15 {
  bool negative = false;
  QByteArray digits; // exactly 15 digits
  int exponent = 0;
};

Decimal15 decompose(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.14e", value);
  Decimal15 d;
  const char *p = buffer;
  d.negative = *p == '-';
  if (d.negative) ++p;
  while (*p && *p != 'e') {
    if (*p != '.') d.digits += *p;
    ++p;
  }
  d.exponent = *p == 'e' ? std::atoi(p + 1) : 0;
  return d;
}

} // namespace

QString FloatToFixed(double value, int decimals) {
  if (std::isnan(value)) return QStringLiteral("NAN");
  if (std::isinf(value)) return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
  decimals = qBound(0, decimals, 18);
  if (value == 0.0) return decimals ? QStringLiteral("0.") + QString(decimals, QLatin1Char('0')) : QStringLiteral("0");
  Decimal15 d = decompose(value);
  // Round the 15 digits (not the binary value) half away from zero, so that
  // 1.005 shows as 1.01 as the user typed it.
  int pointPos = d.exponent + 1;
  int keep = pointPos + decimals;
  QByteArray kept;
  if (keep >= 0) {
    kept = d.digits.left(keep);
    while (kept.size() < keep) kept += '0';
    char next = keep < d.digits.size() ? d.digits[keep] : '0';
    if (next >= '5') {
      int i = int(kept.size()) - 1;
      while (i >= 0 && kept[i] == '9') kept[i--] = '0';
      if (i >= 0) {
        ++kept[i];
      } else {
        kept.prepend('1');
        ++pointPos;
      }
    }
  }
  bool zero = std::all_of(kept.cbegin(), kept.cend(), [](char c) { return c == '0'; });
  QString out = d.negative && !zero ? QStringLiteral("-") : QString();
  if (kept.isEmpty()) kept = QByteArray(decimals, '0'), pointPos = 0;
  if (pointPos <= 0) {
    out += QLatin1Char('0');
    if (decimals) out += QLatin1Char('.') + QString(-pointPos, QLatin1Char('0')) + QString::fromLatin1(kept);
  } else {
    out += QString::fromLatin1(kept.left(pointPos));
    if (decimals) out += QLatin1Char('.') + QString::fromLatin1(kept.mid(pointPos));
  }
  return out;
}

QString FloatToStr(double value) {
  if (std::isnan(value)) return QStringLiteral("NAN");
  if (std::isinf(value)) return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
  if (value == 0.0) return QStringLiteral("0");
  Decimal15 d = decompose(value);
  QByteArray digits = d.digits;
  while (digits.size() > 1 && digits.endsWith('0')) digits.chop(1);

  const QString sep = QLocale().decimalPoint();
  QString out = d.negative ? QStringLiteral("-") : QString();
  // The digit count before the point decides: up to 15 of them and values
  // from 0.0001 on are written out, others in exponent form.
  int pointPos = d.exponent + 1;
  if (pointPos > 15 || pointPos < -3) {
    out += QLatin1Char(digits[0]);
    if (digits.size() > 1) out += sep + QString::fromLatin1(digits.mid(1));
    out += QLatin1Char('E') + QString::number(d.exponent);
    return out;
  }
  if (pointPos <= 0) {
    out += QLatin1Char('0') + sep + QString(-pointPos, QLatin1Char('0')) + QString::fromLatin1(digits);
    return out;
  }
  if (digits.size() <= pointPos) {
    out += QString::fromLatin1(digits) + QString(pointPos - digits.size(), QLatin1Char('0'));
    return out;
  }
  out += QString::fromLatin1(digits.left(pointPos)) + sep + QString::fromLatin1(digits.mid(pointPos));
  return out;
}

bool TryStrToInt(const QString &text, int &value) {
  qsizetype i = 0;
  const qsizetype n = text.size();
  while (i < n && text[i] == QLatin1Char(' ')) ++i; // leading blanks are allowed, trailing ones are not
  bool negative = false;
  if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
    negative = text[i] == QLatin1Char('-');
    ++i;
  }
  if (i >= n) return false;
  if (text[i] == QLatin1Char('$')) {
    // Hexadecimal text is a 32-bit pattern: "$FFFFFFFF" is -1.
    ++i;
    if (i >= n) return false;
    quint64 bits = 0;
    for (; i < n; ++i) {
      char16_t c = text[i].unicode();
      int d;
      if (c >= '0' && c <= '9') d = c - '0';
      else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
      else return false;
      bits = bits * 16 + quint64(d);
      if (bits > 0xFFFFFFFFull) return false;
    }
    quint32 word = quint32(bits);
    if (negative) word = 0u - word;
    value = qint32(word);
    return true;
  }
  qint64 magnitude = 0;
  const qint64 limit = negative ? -qint64(std::numeric_limits<int>::min()) : qint64(std::numeric_limits<int>::max());
  for (; i < n; ++i) {
    char16_t c = text[i].unicode();
    if (c < '0' || c > '9') return false;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > limit) return false;
  }
  value = int(negative ? -magnitude : magnitude);
  return true;
}

int StrToIntDef(const QString &text, int fallback) {
  int value;
  return TryStrToInt(text, value) ? value : fallback;
}

bool TryStrToFloat(QByteArrayView text, double &value) {
  text = text.trimmed();
  if (text.isEmpty()) return false;
  const char *p = text.data();
  qsizetype n = text.size();
  qsizetype i = 0;
  if (p[0] == '+' || p[0] == '-') ++i;
  // Digits with an optional fraction, then an optional exponent; nothing else.
  qsizetype digits = 0;
  while (i < n && p[i] >= '0' && p[i] <= '9') ++i, ++digits;
  if (i < n && p[i] == '.') {
    ++i;
    while (i < n && p[i] >= '0' && p[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < n && (p[i] == 'e' || p[i] == 'E')) {
    ++i;
    if (i < n && (p[i] == '+' || p[i] == '-')) ++i;
    qsizetype expDigits = 0;
    while (i < n && p[i] >= '0' && p[i] <= '9') ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != n) return false;
  // from_chars takes no "+" sign.
  const char *from = p[0] == '+' ? p + 1 : p;
  double v = 0;
  const auto [end, ec] = std::from_chars(from, p + n, v, std::chars_format::general);
  if (ec != std::errc() || end != p + n || !std::isfinite(v)) return false;
  value = v;
  return true;
}

} // namespace qel
