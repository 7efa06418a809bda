#pragma once
// A wrong password that the archive's one-byte cipher checks really refuse.
// The check lets a wrong password through once in 256 tries per entry, and the
// archives of the tests get fresh random headers on every run; a test that
// needs a refused password takes it from here so it never depends on chance.
// (Header-only: the test binary links the ZIP format library.)

#include "zip/format/zipcipher.h"
#include "zip/format/zipstructs.h"

#include <QFile>
#include <QString>

namespace qel::test {

inline QString WrongPasswordFor(const QString &archive) {
  QFile f(archive);
  if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("wrong");
  const QByteArray bytes = f.readAll();
  const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
  const std::size_t size = std::size_t(bytes.size());
  const long long end = zipfmt::findEndRecord(p, size);
  struct Check { const unsigned char *header; std::uint8_t byte; };
  std::vector<Check> checks;
  if (end >= 0 && std::size_t(end) + 22 <= size) {
    std::size_t at = zipfmt::getLe32(p + end + 16);
    const int entries = zipfmt::getLe16(p + end + 10);
    for (int i = 0; i < entries && at + 46 <= size && zipfmt::getLe32(p + at) == 0x02014b50; ++i) {
      const std::uint16_t flags = zipfmt::getLe16(p + at + 8), time = zipfmt::getLe16(p + at + 12);
      const std::uint32_t crc = zipfmt::getLe32(p + at + 16);
      const std::size_t local = zipfmt::getLe32(p + at + 42);
      if ((flags & 1) && local + 30 <= size) {
        const std::size_t data = local + 30 + zipfmt::getLe16(p + local + 26) + zipfmt::getLe16(p + local + 28);
        if (data + zipfmt::kCipherHeaderSize <= size) checks.push_back({p + data, zipfmt::cipherCheckByte(flags, crc, time)});
      }
      at += 46 + zipfmt::getLe16(p + at + 28) + zipfmt::getLe16(p + at + 30) + zipfmt::getLe16(p + at + 32);
    }
  }
  for (int n = 0;; ++n) {
    const QString candidate = n == 0 ? QStringLiteral("wrong") : QStringLiteral("wrong%1").arg(n);
    bool refused = true;
    for (const Check &c : checks) {
      zipfmt::ZipCipher cipher(candidate.toStdString());
      if (zipfmt::checkCipherHeader(cipher, c.byte, c.header)) refused = false;
    }
    if (refused) return candidate;
  }
}

} // namespace qel::test
