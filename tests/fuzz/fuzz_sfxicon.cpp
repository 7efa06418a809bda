// Replacing the icon of a crafted stub: whatever the stub's headers and
// resource tree say, nothing is read or written outside the stub, no walk
// loops, and a refused stub is left as it was.

#include "zip/ziparchiver.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static const QString path = [] {
    char name[] = "/tmp/qel-sfx-icon-fuzz-XXXXXX";
    int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    return QString::fromLocal8Bit(name);
  }();
  static const QByteArray icon = [] {
    QByteArray ico(22, '\0');
    ico[2] = 1;
    ico[4] = 1;
    ico[6] = 32;
    ico[7] = 32;
    ico[14] = char(0xE8);
    ico[15] = 0x02;
    ico[18] = 22;
    return ico + QByteArray(744, '\x5A');
  }();
  const QByteArray stub(reinterpret_cast<const char *>(data), qsizetype(size));
  QFile program(path);
  if (!program.open(QIODevice::ReadWrite | QIODevice::Truncate)) return 0;
  program.write(stub);
  program.write("MPV-and-the-archive-behind-it");
  qel::TZipArchiver zip;
  zip.SFXIcon = icon;
  const int result = zip.ReplaceStubIcon(program, qint64(size));
  program.seek(0);
  const QByteArray after = program.readAll();
  if (after.size() != qsizetype(size) + 29) std::abort();              // nothing written beyond the stub
  if (after.mid(qsizetype(size)) != "MPV-and-the-archive-behind-it") std::abort();
  if (result != 0 && after.left(qsizetype(size)) != stub) std::abort();  // a refused stub is untouched
  return 0;
}
