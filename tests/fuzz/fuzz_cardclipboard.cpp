// The card clipboard reader: any bytes parse without harm, and what the
// parsed cards write back, as Copy writes them, parses to the same cards.
#include "cards/cardclipboard.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
  const qel::ClipboardContents parsed = qel::ParseCardClipboard(bytes);
  // A damaged field is left empty, so such a file does not come back as it was.
  if (parsed.overlongField) return 0;
  std::vector<qel::TCrd> cards;
  cards.reserve(parsed.cards.size());
  for (const qel::ClipboardCard &c : parsed.cards) {
    // The written file carries a title per card; a title holding a line break
    // would start another line, so such cards are not part of the round trip.
    if (c.title.contains(QLatin1Char('\r')) || c.title.contains(QLatin1Char('\n'))) return 0;
    qel::TCrd &card = cards.emplace_back(0, QString());
    card.Title = c.title;
    card.Color = c.color;
    card.Phone = c.phone;
  }
  std::vector<const qel::TCrd *> order;
  for (const qel::TCrd &card : cards) order.push_back(&card);
  const bool utf8 = qel::CardClipboardNeedsUtf8(order);
  QByteArray again;
  for (size_t i = 0; i < cards.size(); ++i) qel::AppendCardClipboardBlock(again, cards[i], parsed.cards[i].body, utf8);
  const qel::ClipboardContents back = qel::ParseCardClipboard(again);
  if (back.cards.size() != parsed.cards.size()) std::abort();
  for (size_t i = 0; i < back.cards.size(); ++i) {
    const qel::ClipboardCard &was = parsed.cards[i], &now = back.cards[i];
    if (now.color != was.color || now.body != was.body || now.title != was.title || now.phone != was.phone)
      std::abort();
  }
  return 0;
}
