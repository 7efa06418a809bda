// The Import readers under hostile bytes: a ".crd" file reads whole or is
// refused with ECardError, and no more text comes out of it than the file
// holds; text files split into as many delimited cards as lines and at most
// as many paragraph cards.
#include "cards/carderror.h"
#include "cards/textimport.h"
#include "platform/codepage.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  using namespace qel;
  const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
  try {
    qsizetype text = 0;
    for (const TImportCard &card : ParseMGCData(bytes, QStringLiteral("fuzz.crd"))) text += card.Body.size();
    if (text > bytes.size()) std::abort();
  } catch (const ECardError &) {
  }
  const QStringList lines = TextFileLines(DecodeTextFile(bytes));
  const QString delimiter = lines.isEmpty() ? QStringLiteral(",") : lines.first().left(2);
  if (ParseDelimitedText(lines, delimiter).size() != lines.size()) std::abort();
  if (ParseParagraphText(lines).size() > lines.size()) std::abort();
  return 0;
}
