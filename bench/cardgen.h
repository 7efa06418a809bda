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

struct CardGenOptions {
  int count = 100000;
  int bodySize = 1000;        // typical body size in bytes (varies by +-50%)
  int bigCards = 5;           // how many cards get a big body
  int bigBodySize = 1 << 20;  // size of those bodies
  bool rtf = true;            // RTF bodies, else plain CR LF lines
  bool nonAsciiTitles = true; // some titles with accented letters
  quint32 seed = 20261210;
};

// A title such as "Meeting notes Anna Kowalski 2031" or "Rezept: Crème brûlée 12".
QString RandomTitle(QRandomGenerator &rng, bool nonAscii = true);
// An RTF document of about `size` bytes: paragraphs with bold, italic and colour runs.
QByteArray RandomRtfBody(QRandomGenerator &rng, int size);
// Plain text lines of about `size` bytes, each ending in CR LF.
QByteArray RandomPlainBody(QRandomGenerator &rng, int size);

// Fills `list` with cards. With `body`, the bodies are written there (in one
// go) and ADR/SIZ point at them; without, ADR/SIZ are laid out as if they were.
void GenerateCards(TCrdList &list, const CardGenOptions &options, TBodyFile *body = nullptr);

} // namespace qel::bench
