// GIF reading: any bytes load or raise EInvalidGraphic, never crash; the
// first frame decodes inside its own bounds and what loads is written again.
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
  if (gif.frameCount() == 0) return 0;
  const QImage image = gif.bitmap();
  if (!image.isNull() && (image.width() != gif.frame(0).item().width)) std::abort();
  // Writing decodes and encodes at most the frames found damaged (the first
  // and the one cut off by the end of the input), each within the decoder's
  // pixel budget, so large frames are written back too.
  try {
    const QByteArray again = gif.SaveToData();
    qel::TGIFImage back;
    back.LoadFromData(again);
  } catch (const qel::EInvalidGraphic &) {
  }
  return 0;
}
