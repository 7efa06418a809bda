#include "cards/textimport.h"

#include "cards/carderror.h"
#include "cards/strroutines.h"
#include "platform/codepage.h"

#include <QFile>

namespace qel {

namespace {

constexpr qsizetype kHeaderSize = 5;
constexpr qsizetype kEntrySize = 52;
constexpr qsizetype kTitleOffset = 11;
constexpr qsizetype kTitleSize = 41;
// Larger files are no card-index files (65,535 cards of 64 KB text each fit).
constexpr qint64 kMaxCrdSize = qint64(1) << 33;

quint16 u16(const QByteArray &d, qsizetype at) {
  return quint16(quint8(d[at]) | (quint8(d[at + 1]) << 8));
}

quint32 u32(const QByteArray &d, qsizetype at) {
  return quint32(quint8(d[at])) | (quint32(quint8(d[at + 1])) << 8) | (quint32(quint8(d[at + 2])) << 16) |
         (quint32(quint8(d[at + 3])) << 24);
}

// Bytes up to the first zero byte, in the legacy code page.
QString zeroTerminated(const QByteArray &d, qsizetype at, qsizetype size) {
  const char *p = d.constData() + at;
  const qsizetype n = qstrnlen(p, size_t(size));
  return decodeLegacy(p, n);
}

[[noreturn]] void bad(const QString &fileName, const QString &what) {
  throw ECardError(QStringLiteral("%1 is not a readable MS Moravine file: %2. Nothing was imported from it.")
                       .arg(fileName, what));
}

} // namespace

bool IsMGCFile(const QString &fileName) {
  QFile f(fileName);
  if (!f.open(QIODevice::ReadOnly)) return false;
  return f.read(3) == "MGC";
}

QList<TImportCard> ParseMGCData(const QByteArray &d, const QString &fileName) {
  const qsizetype size = d.size();
  if (size < kHeaderSize || !d.startsWith("MGC")) bad(fileName, QStringLiteral("the header is missing"));
  const int count = u16(d, 3);
  if (kHeaderSize + kEntrySize * qsizetype(count) > size)
    bad(fileName, QStringLiteral("the index of %1 cards is longer than the file").arg(count));
  QList<TImportCard> cards;
  cards.reserve(count);
  // Each card's data has a place of its own in the file, so all of it
  // together is never longer than the file. Cards pointing at the same text
  // could otherwise make a few megabytes read as gigabytes of cards.
  qsizetype taken = 0;
  for (int i = 0; i < count; ++i) {
    const qsizetype entry = kHeaderSize + kEntrySize * i;
    TImportCard card;
    card.Title = zeroTerminated(d, entry + kTitleOffset, kTitleSize);
    qsizetype at = u32(d, entry + 6);
    auto need = [&](qsizetype n) {
      if (at > size || n > size - at) bad(fileName, QStringLiteral("card %1 lies outside the file").arg(i + 1));
    };
    need(2);
    const quint16 pictureSize = u16(d, at);
    at += 2;
    if (pictureSize != 0) {
      // width, height, x and y of the picture, then its bytes
      need(8);
      at += 8;
      need(pictureSize);
      at += pictureSize;
    }
    need(2);
    const quint16 length = u16(d, at);
    at += 2;
    need(length);
    taken += at + length - qsizetype(u32(d, entry + 6));
    if (taken > size) bad(fileName, QStringLiteral("its cards' data together is longer than the file"));
    card.Body = zeroTerminated(d, at, length);
    cards.append(card);
  }
  return cards;
}

QList<TImportCard> ReadMGCFile(const QString &fileName) {
  QFile f(fileName);
  if (!f.open(QIODevice::ReadOnly))
    throw ECardError(QStringLiteral("Cannot open %1: %2").arg(fileName, f.errorString()));
  if (f.size() > kMaxCrdSize) bad(fileName, QStringLiteral("it is too large"));
  const QByteArray data = f.readAll();
  if (f.error() != QFileDevice::NoError)
    throw ECardError(QStringLiteral("Cannot read %1: %2").arg(fileName, f.errorString()));
  return ParseMGCData(data, fileName);
}

QStringList TextFileLines(const QString &text) {
  QStringList lines;
  qsizetype start = 0;
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = text.at(i);
    if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
      lines.append(text.mid(start, i - start));
      if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n')) ++i;
      start = i + 1;
    }
  }
  if (start < n) lines.append(text.mid(start));
  return lines;
}

QList<TImportCard> ParseDelimitedText(const QStringList &lines, const QString &delimiter) {
  QList<TImportCard> cards;
  cards.reserve(lines.size());
  const QString crlf = QStringLiteral("\r\n");
  for (const QString &line : lines) {
    TImportCard card;
    const qsizetype at = delimiter.isEmpty() ? -1 : TextKeyIndex(line, delimiter);
    if (at < 0) {
      // No delimiter on the line: its text is the title rather than lost.
      card.Title = line;
    } else {
      card.Title = line.left(at);
      card.Body = ReplaceAll(line.mid(at + delimiter.size()), delimiter, crlf);
    }
    cards.append(card);
  }
  return cards;
}

QList<TImportCard> ParseParagraphText(const QStringList &lines) {
  QList<TImportCard> cards;
  auto blank = [](const QString &s) {
    for (QChar c : s)
      if (c.unicode() > ' ') return false;
    return true;
  };
  qsizetype i = 0;
  const qsizetype n = lines.size();
  while (i < n) {
    TImportCard card;
    card.Title = lines.at(i);
    QStringList body;
    while (i < n && !blank(lines.at(i))) body.append(lines.at(i++));
    card.Body = body.join(QStringLiteral("\r\n"));
    cards.append(card);
    ++i;  // the separating line
  }
  return cards;
}

QString ReadTextFile(const QString &fileName) {
  QFile f(fileName);
  if (!f.open(QIODevice::ReadOnly))
    throw ECardError(QStringLiteral("Cannot open %1: %2").arg(fileName, f.errorString()));
  const QByteArray data = f.readAll();
  if (f.error() != QFileDevice::NoError)
    throw ECardError(QStringLiteral("Cannot read %1: %2").arg(fileName, f.errorString()));
  return DecodeTextFile(data);
}

} // namespace qel
