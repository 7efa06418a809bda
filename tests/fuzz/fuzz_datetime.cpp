// Date patterns come from the user's options and integers from files: neither may crash.
#include "platform/datetime.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  double value = 0;
  if (size >= sizeof value) {
    std::memcpy(&value, data, sizeof value);
    data += sizeof value;
    size -= sizeof value;
  }
  QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
  (void)qel::FormatDateTime(text, value);
  (void)qel::FloatToStr(value);
  (void)qel::FloatToFixed(value, int(size % 20));
  int n;
  (void)qel::TryStrToInt(text, n);
  return 0;
}
