// Joining a crafted spanned set: the input is cut into two volumes at a
// place its first two bytes choose, then listed and joined. Nothing may read
// or write out of bounds, hang or crash; a failed join leaves no output.

#include "zip/ziparchiver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static const QString dir = [] {
    char name[] = "/tmp/qel-zip-span-fuzz-XXXXXX";
    const char *made = mkdtemp(name);
    return QString::fromLocal8Bit(made ? made : "/tmp");
  }();
  if (size < 2) return 0;
  const std::size_t cut = std::min<std::size_t>(size - 2, std::size_t(data[0] | (data[1] << 8)));
  const char *body = reinterpret_cast<const char *>(data + 2);
  const std::size_t bodySize = size - 2;
  {
    QFile first(dir + "/f001.zip"), last(dir + "/f002.zip");
    if (!first.open(QIODevice::WriteOnly | QIODevice::Truncate) || !last.open(QIODevice::WriteOnly | QIODevice::Truncate))
      return 0;
    first.write(body, qint64(cut));
    last.write(body + cut, qint64(bodySize - cut));
  }
  qel::TZipArchiver zip;
  zip.Unattended = true;  // no message boxes: reports go to the error code only
  zip.TempDir = dir;
  zip.SetZipFileName(dir + "/f002.zip");
  QString out = dir + "/joined.zip";
  const int result = zip.ReadSpan(dir + "/f002.zip", out);
  if (result != 0 && (!out.isEmpty() || QFileInfo::exists(dir + "/joined.zip"))) std::abort();
  QFile::remove(dir + "/joined.zip");
  return 0;
}
