// The old 1.x and 2.x text reader: any bytes parse without harm, and the
// cards read, written again as a 2.x text, read back the same (times aside:
// they are written with 15 significant digits).
#include "cards/bodyfile.h"
#include "cards/crd.h"
#include "cards/oldformat.h"
#include "platform/tempfolder.h"

#include <cstdint>
#include <cstdlib>

namespace {

// The stored empty body reads as no line, as a single empty line does.
qel::ByteLines normalized(const qel::ByteLines &lines) {
  if (lines == qel::ByteLines{QByteArray("\0", 1)}) return {QByteArray()};
  return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static qel::TBodyFile body(qel::TempFolderPath() + QStringLiteral("fuzz-oldformat.~h"));
  const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
  const qel::OldCardsText read = qel::ParseOldCardsText(input);
  if (read.status != qel::OldCardsText::Read) return 0;
  for (const qel::TCard &c : read.cards)
    if (c.SL.isEmpty()) std::abort();  // every card has a body line

  body.reset();
  qel::TCrdList list;
  qel::AppendOldCards(list, read.cards, body);
  const qel::OldCardsText again = qel::ParseOldCardsText(qel::Version2Text(list, body, false));
  if (again.status != qel::OldCardsText::Read || again.cards.size() != read.cards.size()) std::abort();
  for (size_t i = 0; i < read.cards.size(); ++i) {
    const qel::TCard &a = read.cards[i], &b = again.cards[i];
    if (a.ID != b.ID || a.PhoneNr != b.PhoneNr || a.Color != b.Color || normalized(a.SL) != normalized(b.SL))
      std::abort();
  }
  return 0;
}
