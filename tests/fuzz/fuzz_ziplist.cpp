// Listing of hostile archives: the end-record search and the central
// directory walk must never read out of bounds or crash.

#include "zip/ziparchiver.h"

#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static const QString path = [] {
    char name[] = "/tmp/qel-zip-list-fuzz-XXXXXX";
    int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    return QString::fromLocal8Bit(name);
  }();
  {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    f.write(reinterpret_cast<const char *>(data), qint64(size));
  }
  for (qel::CodePageOpt cp : {qel::cpAuto, qel::cpOEM}) {
    qel::TZipArchiver zip;
    zip.Unattended = true;  // no message boxes: reports go to the error code only
    zip.UseDirOnlyEntries = cp == qel::cpOEM;
    zip.CodePage = cp;
    zip.SetZipFileName(path);
    for (const auto &e : zip.ZipContents()) {
      if (e.RawName.size() != e.nameLength || e.ExtraData.size() != e.extraLength) std::abort();
    }
  }
  return 0;
}
