#pragma once
// Large, realistic card lists for benchmarks: titles made of words, names and
// numbers, RTF bodies with some formatting, a few big cards.

#include "cards/crd.h"

#include <QByteArray>
#include <QRandomGenerator>
#include <QString>

namespace qel {
class TBodyFile;
}

namespace qel::bench {

// The card count of a run: QEL_BENCH_CARDS, else 100,000.
int DefaultCardCount();
// The typical body size of a run: QEL_BENCH_BODY_SIZE, else 1,000 bytes.
int DefaultBodySize();
// How many cards of a run get a big body: QEL_BENCH_BIG_CARDS, else 5.
int DefaultBigCards();

struct CardGenOptions {
  int count = DefaultCardCount();
  int bodySize = DefaultBodySize();  // typical body size in bytes (varies by +-50%)
  int bigCards = DefaultBigCards();  // how many cards get a big body
  int bigBodySize = 1 << 20;  // size of those bodies
  bool rtf = true;            // RTF bodies, else plain CR LF lines
  bool nonAsciiTitles = true; // some titles with accented letters
  quint32 seed = 20261210;
};

// A title such as "Meeting notes Anna Kowalski 2031" or "Rezept: Crème brûlée 12".
QString RandomTitle(QRandomGenerator &rng, bool nonAscii = true);
// An RTF document of about `size` bytes: paragraphs with bold, italic and colour
// runs. Below twice the size of its header, about `size` bytes of text follow the header.
QByteArray RandomRtfBody(QRandomGenerator &rng, int size);
// Plain text lines of about `size` bytes, each ending in CR LF.
QByteArray RandomPlainBody(QRandomGenerator &rng, int size);

// Fills `list` with cards. With `body`, the bodies are written there (in one
// go) and ADR/SIZ point at them; without, ADR/SIZ are laid out as if they were.
void GenerateCards(TCrdList &list, const CardGenOptions &options, TBodyFile *body = nullptr);

// Writes generated cards as the card file `target` through the card file save
// (ZIP engines from `engineDir`), protected when `password` is not empty.
// Returns the total size of the bodies. Throws ECardError.
qint64 WriteCardFile(const QString &target, const CardGenOptions &options, const QString &password,
                     const QString &engineDir);

} // namespace qel::bench
