#include "bench/cardgen.h"

#include "cards/bodyfile.h"
#include "cards/carderror.h"

#include <QFile>

namespace qel::bench {

namespace {

const char *const kWords[] = {
    "meeting", "notes",   "project", "budget",  "recipe",   "travel",  "invoice", "contract", "garden", "repair",
    "summary", "ideas",   "contacts", "list",   "report",   "draft",   "letter",  "plan",     "review", "minutes",
    "account", "tickets", "health",  "school",  "birthday", "gift",    "car",     "house",    "loan",   "insurance",
};
const char *const kFirstNames[] = {"Anna", "Peter", "Maria", "John", "Eva", "Tomas", "Sarah", "Luis", "Olga", "Kenji"};
const char *const kLastNames[] = {"Kowalski", "Smith", "Novak", "Garcia", "Müller", "Dubois", "Rossi", "Tanaka",
                                  "Brown", "Svoboda"};
const char *const kAccented[] = {"Crème brûlée", "Café", "Señor", "Zürich", "Ålesund", "Résumé"};

template <size_t N>
const char *pick(QRandomGenerator &rng, const char *const (&array)[N]) {
  return array[rng.bounded(quint32(N))];
}

QByteArray sentence(QRandomGenerator &rng, bool rtf) {
  QByteArray out;
  int words = 5 + int(rng.bounded(12));
  for (int i = 0; i < words; ++i) {
    if (i) out += ' ';
    QByteArray w = pick(rng, kWords);
    if (rtf) {
      switch (rng.bounded(12)) {
      case 0: w = "{\\b " + w + "}"; break;
      case 1: w = "{\\i " + w + "}"; break;
      case 2: w = "{\\cf1 " + w + "}"; break;
      case 3: w = QByteArray::number(rng.bounded(100000)); break;
      default: break;
      }
    }
    out += w;
  }
  out += '.';
  return out;
}

} // namespace

QString RandomTitle(QRandomGenerator &rng, bool nonAscii) {
  QString title = QString::fromUtf8(pick(rng, kWords));
  title[0] = title[0].toUpper();
  switch (rng.bounded(5)) {
  case 0: title += ' ' + QString::fromUtf8(pick(rng, kWords)); break;
  case 1:
    title += ' ' + QString::fromUtf8(pick(rng, kFirstNames)) + ' ' + QString::fromUtf8(pick(rng, kLastNames));
    break;
  case 2: title += ' ' + QString::number(1990 + rng.bounded(50)); break;
  case 3:
    if (nonAscii) title += QStringLiteral(": ") + QString::fromUtf8(pick(rng, kAccented));
    break;
  default: title += QStringLiteral(" #%1").arg(rng.bounded(10000)); break;
  }
  return title;
}

QByteArray RandomRtfBody(QRandomGenerator &rng, int size) {
  QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\r\n"
                   "{\\colortbl ;\\red255\\green0\\blue0;}\r\n\\viewkind4\\uc1\\pard\\f0\\fs20 ";
  // About `size` bytes in all; a body too small to hold the header and some
  // text gets about `size` bytes of text behind the header, never an empty card.
  const qsizetype header = out.size();
  const qsizetype end = size >= 2 * header ? size - 8 : header + size;
  out.reserve(end + 256);
  while (out.size() < end) {
    out += sentence(rng, true);
    out += rng.bounded(4) == 0 ? "\\par\r\n" : " ";
  }
  out += "\\par\r\n}\r\n";
  return out;
}

QByteArray RandomPlainBody(QRandomGenerator &rng, int size) {
  QByteArray out;
  out.reserve(size + 128);
  while (out.size() < size) {
    out += sentence(rng, false);
    out += "\r\n";
  }
  return out;
}

void GenerateCards(TCrdList &list, const CardGenOptions &options, TBodyFile *body) {
  QRandomGenerator rng(options.seed);
  QByteArray bodies;
  qint64 position = 0;
  list.Reserve(list.Count() + options.count);
  const int bigEvery = options.bigCards > 0 ? qMax(1, options.count / options.bigCards) : 0;
  for (int i = 0; i < options.count; ++i) {
    auto card = std::make_shared<TCrd>(45000.0 + i * 0.001, QString());
    card->UID = StampToUID(card->Created);
    card->Title = RandomTitle(rng, options.nonAsciiTitles);
    if (rng.bounded(3) == 0) card->LastOpen = 45500.0 + rng.generateDouble() * 100;
    if (rng.bounded(10) == 0) card->Color = qint32(rng.bounded(0x1000000));
    if (rng.bounded(20) == 0) card->Phone = QStringLiteral("+1 555 %1").arg(rng.bounded(10000), 4, 10, QChar('0'));
    const bool big = bigEvery && i % bigEvery == bigEvery / 2;
    int size = big ? options.bigBodySize
                   : qMax(16, options.bodySize / 2 + int(rng.bounded(quint32(qMax(1, options.bodySize)))));
    card->ADR = qint32(position);
    if (body) {
      QByteArray b = options.rtf ? RandomRtfBody(rng, size) : RandomPlainBody(rng, size);
      bodies += b;
      size = int(b.size());
    }
    card->SIZ = size;
    position += size;
    list.AddCrd(std::move(card));
  }
  if (body) {
    body->reset();
    QFile f(body->path());
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bodies) != bodies.size())
      throw ECardError(QStringLiteral("Cannot write the generated body file ") + body->path());
  }
}

} // namespace qel::bench
