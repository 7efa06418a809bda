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
  // Frames up to the decoder's budget are legal but slow under sanitizers;
  // the small ones exercise the same code.
  std::int64_t pixels = 0;
  for (int i = 0; i < gif.frameCount(); ++i) pixels += std::int64_t(gif.frame(i).item().width) * gif.frame(i).item().height;
  if (gif.frameCount() > 0 && pixels <= 1'000'000) {
    const QImage image = gif.bitmap();
    if (!image.isNull() && (image.width() != gif.frame(0).item().width)) std::abort();
    try {
      const QByteArray again = gif.SaveToData();
      qel::TGIFImage back;
      back.LoadFromData(again);
    } catch (const qel::EInvalidGraphic &) {
    }
  }
  return 0;
}
