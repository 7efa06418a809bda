// Pictures of RTF bodies: the bytes of a \pict group of any kind decode to an
// image no larger than the data can describe, or to none; never a crash or an
// out-of-bounds read. The first byte picks the kind, the next six give the
// group's \picw, \pich, \wbitmap bits per pixel and \wbmwidthbytes.
#include "platform/richedit/rtf_pict.h"
#include "platform/richedit/textprops.h"

#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>

namespace {
int argc = 1;
char arg0[] = "fuzz_rtfpict";
char *argv[] = {arg0, nullptr};
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  new QGuiApplication(argc, argv);  // never destroyed, as in fuzz_rtfreader
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 7) return 0;
  using namespace qel::re;
  static constexpr int kinds[] = {PicPng, PicJpeg, PicEmf, PicWmf, PicDib, PicBitmap, PicMac};
  rtf::PictureData pict;
  pict.type = kinds[data[0] % 7];
  pict.picw = data[1] | (data[2] << 8);
  pict.pich = data[3] | (data[4] << 8);
  pict.bitsPerPixel = data[5];
  pict.widthBytes = data[6];
  pict.data = QByteArray(reinterpret_cast<const char *>(data + 7), qsizetype(size - 7));
  const QImage image = rtf::decodePicture(pict);
  if (!image.isNull() && qint64(image.width()) * image.height() > 64ll * 1024 * 1024) std::abort();
  const QSize shown = rtf::pictureSizeTwips(pict, image);
  if (shown.width() <= 0 || shown.height() <= 0) std::abort();
  return 0;
}
