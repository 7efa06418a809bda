// Text fields of card files: the UTF-8 test and both decoders must cope with any bytes.
#include "platform/codepage.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const char *bytes = reinterpret_cast<const char *>(data);
  bool utf8 = qel::isUtf8WithNonAscii(bytes, qsizetype(size));
  QString legacy = qel::decodeLegacy(bytes, qsizetype(size));
  if (legacy.size() != qsizetype(size)) std::abort();
  bool fitted = false;
  if (qel::encodeLegacy(legacy, &fitted) != QByteArray(bytes, qsizetype(size)) || !fitted) std::abort();
  QString field = qel::decodeTextField(QByteArray(bytes, qsizetype(size)));
  if (utf8 && field.toUtf8() != QByteArray(bytes, qsizetype(size))) std::abort();
  return 0;
}
