#include "app/cardactions.h"

#include <QProcess>
#include <QUrl>

namespace qel {

namespace {

bool isPhoneChar(QChar c) {
  const char16_t u = c.unicode();
  if (u >= '0' && u <= '9') return true;
  switch (u) {
    case ' ': case '#': case '(': case ')': case '*': case '+': case ',': case '-':
    case '.': case '/': case '[': case ']': case '{': case '}':
      return true;
    default:
      return false;
  }
}

bool isTokenDelimiter(QChar c) {
  const char16_t u = c.unicode();
  return u == '\t' || u == '\n' || u == '\r' || u == ' ' || u == ';';
}

// Trimming as the program's text routines do: every character up to the space goes.
QStringView trimControls(QStringView s) {
  qsizetype b = 0, e = s.size();
  while (b < e && s.at(b).unicode() <= ' ') ++b;
  while (e > b && s.at(e - 1).unicode() <= ' ') --e;
  return s.mid(b, e - b);
}

} // namespace

bool IsPhoneNumber(const QString &text, int minLength) {
  const QStringView t = trimControls(text);
  if (t.size() < minLength) return false;
  for (QChar c : t)
    if (!isPhoneChar(c)) return false;
  return true;
}

void ExtractPhoneNumber(const QString &text, int minLength, QString &result) {
  const QString work = text + QLatin1Char(' ');
  QString token;
  for (QChar c : work) {
    if (isTokenDelimiter(c)) {
      if (IsPhoneNumber(token, minLength)) break;
      token.clear();
    } else {
      token += c;
    }
  }
  if (!text.contains(QLatin1String("---"))) result = token;
}

QString LettersToKeypadDigits(const QString &text) {
  static const char digitOf[] = "22233344455566677778889999";  // A..Z
  QString out = text;
  for (QChar &c : out) {
    const char16_t u = c.unicode();
    if (u >= 'a' && u <= 'z') c = QChar(u - 'a' + 'A');
    const char16_t up = c.unicode();
    if (up >= 'A' && up <= 'Z') c = QLatin1Char(digitOf[up - 'A']);
  }
  return out;
}

bool IsURL(const QString &text) {
  for (QLatin1String prefix : {QLatin1String("HTTP:"), QLatin1String("HTTPS:"), QLatin1String("WWW.")})
    if (text.startsWith(prefix, Qt::CaseInsensitive) && text.size() > prefix.size()) return true;
  return false;
}

QString WordAtCaret(const QString &line, int start, int length) {
  if (length <= 0 || start < 0 || start >= line.size()) return QString();
  qsizetype l = start;
  qsizetype r = qMin<qsizetype>(qsizetype(start) + length, line.size());
  while (l > 0 && line.at(l - 1).unicode() > ' ') --l;
  while (r < line.size() && line.at(r).unicode() > ' ') ++r;
  return line.mid(l, r - l);
}

CardAction ActionForText(const QString &text) {
  if (IsURL(text)) return CardAction::BrowseWWW;
  if (text.indexOf(QLatin1Char('@')) >= 1) return CardAction::SendEMail;
  if (IsPhoneNumber(text, 3)) return CardAction::Dial;
  return CardAction::GoToCard;
}

QString ActionName(CardAction action) {
  switch (action) {
    case CardAction::BrowseWWW: return QStringLiteral("a_BrowseWWW");
    case CardAction::SendEMail: return QStringLiteral("a_SendEMail");
    case CardAction::Dial: return QStringLiteral("a_Dial");
    case CardAction::GoToCard: break;
  }
  return QStringLiteral("a_GoToCard");
}

QString MailtoAddress(const QString &address) {
  if (address.contains(QLatin1String("mailto:"), Qt::CaseInsensitive)) return address;
  return QStringLiteral("mailto:") + address;
}

QString TelUrl(const QString &number) {
  return QStringLiteral("tel:") + QString::fromLatin1(QUrl::toPercentEncoding(number, "+"));
}

QStringList DialCommandLine(const QString &command, const QString &number, const QString &title) {
  QStringList parts = QProcess::splitCommand(command);
  for (QString &part : parts) {
    QString out;
    for (qsizetype i = 0; i < part.size(); ++i) {
      if (part.at(i) == QLatin1Char('%') && i + 1 < part.size()) {
        const QChar what = part.at(i + 1);
        if (what == QLatin1Char('n') || what == QLatin1Char('t')) {
          out += what == QLatin1Char('n') ? number : title;
          ++i;
          continue;
        }
      }
      out += part.at(i);
    }
    part = out;
  }
  return parts;
}

} // namespace qel
