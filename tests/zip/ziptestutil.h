#pragma once
// Small helpers shared by the ZIP tests.

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <ostream>
#include <vector>

#include "zip/format/zipstructs.h"

// Readable failure output for Qt strings.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace qel::ziptest {

inline QByteArray readAll(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

inline bool writeAll(const QString &path, const QByteArray &data) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

// The system's python (a version-manager shim starts far slower).
inline QString python() {
  return QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3") : QStringLiteral("python3");
}

// Runs a program with an argument list (no shell); its exit code, or -1.
inline int run(const QString &program, const QStringList &args, const QString &dir, QByteArray *out = nullptr) {
  QProcess p;
  p.setWorkingDirectory(dir);
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(program, args);
  // However long a loaded machine takes: the test's own time limit is the bound.
  if (!p.waitForFinished(-1)) return -1;
  if (out) *out = p.readAll();
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// One entry of a crafted archive: stored data, any field forged.
struct CraftedEntry {
  QByteArray name;
  QByteArray data;
  std::uint16_t versionMadeBy = (3 << 8) | 30;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  bool zip64 = false;                        // sizes and offset as all ones, values in a ZIP64 extra field
  std::optional<std::uint64_t> declaredSize = {}; // forged uncompressed size
  std::optional<std::uint64_t> localOffset = {};  // forged local header offset (points anywhere)
  QByteArray centralExtra = {};              // more extra data in the central header
};

struct CraftOptions {
  // A ZIP64 end record and locator, the classic counts all ones; without it
  // the classic count keeps only the low 16 bits, as some tools write it.
  bool zip64End = false;
  // With the ZIP64 end record: the classic record's size and offset of the
  // directory all ones as well, as writers that defer everything to it do.
  bool allOnes = false;
};

// Builds an archive quickly (tens of thousands of entries in milliseconds).
inline QByteArray craftArchive(const std::vector<CraftedEntry> &entries, const CraftOptions &o = {}) {
  using namespace zipfmt;
  std::vector<unsigned char> out, dir;
  out.reserve(entries.size() * 64);
  dir.reserve(entries.size() * 80);
  auto put64 = [](std::vector<unsigned char> &v, std::uint64_t x) {
    ByteWriter w(v);
    w.u32(std::uint32_t(x));
    w.u32(std::uint32_t(x >> 32));
  };
  for (const CraftedEntry &e : entries) {
    const std::uint64_t offset = e.localOffset.value_or(out.size());
    const std::uint64_t size = e.declaredSize.value_or(std::uint64_t(e.data.size()));
    LocalHeader lh;
    lh.flags = e.flags;
    lh.method = e.method;
    lh.crc = crc32Of(e.data.constData(), std::size_t(e.data.size()));
    lh.compressedSize = std::uint32_t(e.data.size());
    lh.uncompressedSize = std::uint32_t(std::min<std::uint64_t>(size, 0xFFFFFFFEu));
    lh.nameLength = std::uint16_t(e.name.size());
    CentralHeader ch;
    ch.versionMadeBy = e.versionMadeBy;
    ch.versionNeeded = e.zip64 ? 45 : 10;
    ch.flags = e.flags;
    ch.method = e.method;
    ch.crc = lh.crc;
    ch.nameLength = lh.nameLength;
    std::vector<unsigned char> extra;
    if (e.zip64) {
      ch.compressedSize = ch.uncompressedSize = ch.localHeaderOffset = 0xFFFFFFFFu;
      ByteWriter w(extra);
      w.u16(1);
      w.u16(24);
      put64(extra, size);
      put64(extra, std::uint64_t(e.data.size()));
      put64(extra, offset);
    } else {
      ch.compressedSize = lh.compressedSize;
      ch.uncompressedSize = std::uint32_t(size);
      ch.localHeaderOffset = std::uint32_t(offset);
    }
    extra.insert(extra.end(), e.centralExtra.begin(), e.centralExtra.end());
    ch.extraLength = std::uint16_t(extra.size());
    if (!e.localOffset) {
      lh.write(out);
      out.insert(out.end(), e.name.begin(), e.name.end());
      out.insert(out.end(), e.data.begin(), e.data.end());
    }
    ch.write(dir);
    dir.insert(dir.end(), e.name.begin(), e.name.end());
    dir.insert(dir.end(), extra.begin(), extra.end());
  }
  const std::uint64_t dirOffset = out.size();
  out.insert(out.end(), dir.begin(), dir.end());
  EndRecord er;
  if (o.zip64End) {
    const std::uint64_t at = out.size();
    ByteWriter w(out);
    w.u32(kZip64EndSig);
    put64(out, 44);
    w.u16(45);
    w.u16(45);
    w.u32(0);
    w.u32(0);
    put64(out, entries.size());
    put64(out, entries.size());
    put64(out, dir.size());
    put64(out, dirOffset);
    w.u32(kZip64LocatorSig);
    w.u32(0);
    put64(out, at);
    w.u32(1);
    er.entriesOnDisk = er.totalEntries = 0xFFFF;
  } else {
    er.entriesOnDisk = er.totalEntries = std::uint16_t(entries.size() & 0xFFFF);
  }
  er.directorySize = o.zip64End && o.allOnes ? 0xFFFFFFFFu : std::uint32_t(dir.size());
  er.directoryOffset = o.zip64End && o.allOnes ? 0xFFFFFFFFu : std::uint32_t(dirOffset);
  er.write(out);
  return QByteArray(reinterpret_cast<const char *>(out.data()), qsizetype(out.size()));
}

} // namespace qel::ziptest
