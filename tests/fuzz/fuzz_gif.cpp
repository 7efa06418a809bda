// GIF reading: any bytes load or raise EInvalidGraphic, never crash, and the
// first frame decodes inside its own bounds.
#include "richedit/gifimage.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
  qel::TGIFImage gif;
  try {
    gif.LoadFromData(input);
  } catch (const qel::EInvalidGraphic &) {
    return 0;
  }
  if (gif.frameCount() > 0) {
    const QImage image = gif.bitmap();
    if (!image.isNull() && (image.width() != gif.frame(0).item().width)) std::abort();
  }
  return 0;
}
