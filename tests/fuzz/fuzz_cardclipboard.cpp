// The card clipboard reader: any bytes parse without harm, and what the
// parsed cards write back parses to the same cards.
#include "cards/cardclipboard.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
  const qel::ClipboardContents parsed = qel::ParseCardClipboard(bytes);
  QByteArray again;
  bool utf8 = false;
  for (const qel::ClipboardCard &c : parsed.cards) {
    qel::TCrd card(0, QString());
    card.Title = c.title;
    card.Color = c.color;
    card.Phone = c.phone;
    // The written file carries a title per card; a title holding a line break
    // would start another line, so such cards are not part of the round trip.
    if (c.title.contains(QLatin1Char('\r')) || c.title.contains(QLatin1Char('\n'))) return 0;
    again += qel::CardClipboardBlock(card, qel::SplitLines(c.body), utf8);
  }
  const qel::ClipboardContents back = qel::ParseCardClipboard(again);
  if (back.cards.size() != parsed.cards.size()) std::abort();
  for (size_t i = 0; i < back.cards.size(); ++i) {
    if (back.cards[i].color != parsed.cards[i].color || back.cards[i].body != parsed.cards[i].body) std::abort();
  }
  return 0;
}
