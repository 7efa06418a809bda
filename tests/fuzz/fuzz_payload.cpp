// Hostile installer form data: the stream of file components must be
// refused cleanly, and what it accepts must decode without reading or
// writing out of bounds.

#include "setup/compressstream.h"
#include "setup/payload.h"

#include <QBuffer>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  try {
    const qel::TPayloadForm form(QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)));
    for (const qel::TPayloadComponent &c : form.Components()) {
      std::unique_ptr<QIODevice> in = form.OpenFileData(c.DisplayLabel);
      if (!in || !c.Compress) continue;
      QBuffer out;
      out.open(QIODevice::WriteOnly);
      try {
        qel::TCompressStream().UnpackStream(*in, out);
      } catch (const qel::ECompressStream &) {
      }
    }
  } catch (const qel::EPayload &) {
  }
  return 0;
}
