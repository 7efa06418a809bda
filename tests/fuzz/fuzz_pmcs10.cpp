// Hostile installer payloads: the binary-property value, the PMCS10 stream
// and its blocks must be refused cleanly, never read or written out of bounds.

#include "setup/compressstream.h"
#include "setup/filesource.h"
#include "setup/lzrw1kh.h"

#include <QBuffer>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
  try {
    qsizetype pos = 0;
    (void)qel::TFileSource::DecodeBinaryProperty(bytes, pos);
  } catch (const qel::EFileSource &) {
  }
  {
    QBuffer src, dst;
    src.setData(bytes);
    src.open(QIODevice::ReadOnly);
    dst.open(QIODevice::WriteOnly);
    try {
      qel::TCompressStream().UnpackStream(src, dst);
    } catch (const qel::ECompressStream &) {
    }
  }
  try {
    (void)qel::DecompressBlock({data, size});
  } catch (const qel::ELzrw1KHCompressor &) {
  }
  return 0;
}
