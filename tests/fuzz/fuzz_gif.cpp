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
  // A copy made before writing shares the global data and the frames'
  // encoded data; it may leave out extensions a copy does not take, but what
  // it writes holds the same frames. (Small images only: the same encoder
  // runs a second time.)
  std::int64_t pixels = 0;
  for (int i = 0; i < gif.frameCount(); ++i) pixels += std::int64_t(gif.frame(i).item().width) * gif.frame(i).item().height;
  qel::TGIFImage copy;
  if (pixels <= 1'000'000) copy.Assign(&gif);
  try {
    const QByteArray again = gif.SaveToData();
    qel::TGIFImage back;
    back.LoadFromData(again);
    if (!copy.Empty()) {
      qel::TGIFImage copyBack;
      copyBack.LoadFromData(copy.SaveToData());
      if (copyBack.frameCount() != back.frameCount() || copyBack.bitmap() != back.bitmap()) std::abort();
    }
  } catch (const qel::EInvalidGraphic &) {
  }
  return 0;
}
