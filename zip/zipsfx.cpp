// Self-extracting programs: a stub program, the "MPV" header with the
// self-extractor's settings, then the archive with its offsets moved by the
// two. The stub is outside data: every offset in it is checked before use.

#include "zip/ziparchiver.h"

#include "platform/codepage.h"
#include "platform/fileutil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <stdexcept>
#include <sys/stat.h>

namespace qel {

using namespace zipfmt;

namespace {

constexpr qint64 kIconImageSize = 744;  // one 32x32 16-colour image
constexpr qint64 kIconFileSize = 766;   // its icon file: 6 + 16 bytes of header, then the image
constexpr qint64 kMaxStubSize = 64ll << 20;

// The four texts in bytes: the legacy code page when all of them fit it, else UTF-8.
QList<QByteArray> headerTexts(const QStringList &texts) {
  bool legacy = true;
  for (const QString &t : texts) legacy = legacy && fitsLegacy(t);
  QList<QByteArray> out;
  for (const QString &t : texts) out << (legacy ? encodeLegacy(t) : t.toUtf8());
  return out;
}

// Bounds-checked little-endian reads of a stub.
struct StubBytes {
  const QByteArray &b;
  bool has(qint64 at, qint64 n) const { return at >= 0 && n >= 0 && at <= b.size() && n <= b.size() - at; }
  std::uint16_t u16(qint64 at) const {
    if (!has(at, 2)) throw std::out_of_range("stub");
    return getLe16(reinterpret_cast<const unsigned char *>(b.constData()) + at);
  }
  std::uint32_t u32(qint64 at) const {
    if (!has(at, 4)) throw std::out_of_range("stub");
    return getLe32(reinterpret_cast<const unsigned char *>(b.constData()) + at);
  }
};

struct StubError {
  int code;
};

} // namespace

QByteArray TZipArchiver::SfxHeader() const {
  const QList<QByteArray> t = headerTexts({SFXCaption, SFXDefaultDir, SFXCommandLine, SFXMessage});
  qint64 size = 12;
  for (const QByteArray &x : t) {
    if (x.size() > 255) return {};
    size += x.size();
  }
  size = (size + 3) & ~qint64(3);
  std::uint8_t flags = 0;
  if (SFXOptions.contains(SFXAskCmdLine)) flags |= 0x01;
  if (SFXOptions.contains(SFXAskFiles)) flags |= 0x02;
  if (SFXOptions.contains(SFXHideOverWriteBox)) flags |= 0x04;
  if (SFXOverWriteMode == OvrAlways) flags |= 0x08;
  if (SFXOverWriteMode == OvrNever) flags |= 0x10;
  if (!SFXOptions.contains(SFXCheckSize)) flags |= 0x20;
  if (SFXOptions.contains(SFXAutoRun)) flags |= 0x40;
  if (SFXOptions.contains(SFXNoSuccessMsg)) flags |= 0x80;
  QByteArray h("MPV", 3);
  h += char(flags);
  h += char(0);
  h += char(1);
  h += char(size & 0xFF);
  h += char((size >> 8) & 0xFF);
  for (const QByteArray &x : t) {
    h += char(x.size());
    h += x;
  }
  h.append(qsizetype(size) - h.size(), '\0');
  return h;
}

// The stub: SFXPath as given (a path starting with "." is taken in the
// program's folder), else "ZIPSFX.BIN" in any letter case in the program's
// folder or DLLDirectory. Never the current folder, where anyone could plant
// the code of every program made.
QString TZipArchiver::findStub() {
  const QString programDir = QCoreApplication::applicationDirPath();
  QStringList tries;
  if (!SFXPath.isEmpty()) {
    if (QFileInfo(SFXPath).isAbsolute()) tries << SFXPath;
    else if (SFXPath.startsWith(QLatin1Char('.'))) tries << QDir(programDir).filePath(SFXPath);
  }
  for (const QString &folder : {programDir, dllDirectory_}) {
    if (folder.isEmpty()) continue;
    const QStringList found = QDir(folder).entryList({QStringLiteral("zipsfx.bin")}, QDir::Files, QDir::Name);
    for (const QString &name : found)
      if (name.compare(QLatin1String("ZIPSFX.BIN"), Qt::CaseInsensitive) == 0) tries << QDir(folder).filePath(name);
  }
  for (const QString &t : tries) {
    if (QFileInfo(t).isFile()) {
      SFXPath = t;
      return t;
    }
  }
  return {};
}

int TZipArchiver::CopyCentralDirectory(QFile &program, QFile &archive, const DirectoryLocation &where, qint64 shift) {
  try {
    if (!archive.seek(qint64(where.directoryStart))) return -2;
    for (std::uint64_t i = 0; i < where.totalEntries; ++i) {
      unsigned char head[kCentralSize];
      if (archive.read(reinterpret_cast<char *>(head), kCentralSize) != qint64(kCentralSize)) return -2;  // 11013
      CentralHeader ch;
      if (!ch.read(head, kCentralSize)) return -2;  // 11015
      const qint64 moved = qint64(ch.localHeaderOffset) + shift;
      if (ch.localHeaderOffset == 0xFFFFFFFFu || moved > qint64(0xFFFFFFFEu)) return -2;
      ch.localHeaderOffset = std::uint32_t(moved);
      std::vector<unsigned char> out;
      ch.write(out);
      if (program.write(reinterpret_cast<const char *>(out.data()), qint64(out.size())) != qint64(out.size())) return -2;  // 11029
      if (CopyFileBytes(archive, program, qint64(ch.variableSize())) != 0) return -2;  // 11042
    }
    if (!archive.seek(qint64(where.endPos) + qint64(kEndSize))) return -2;  // 11043
    EndRecord end = where.end;
    const qint64 moved = qint64(end.directoryOffset) + shift;
    if (moved > qint64(0xFFFFFFFEu)) return -2;
    end.directoryOffset = std::uint32_t(moved);
    std::vector<unsigned char> out;
    end.write(out);
    if (program.write(reinterpret_cast<const char *>(out.data()), qint64(out.size())) != qint64(out.size())) return -2;  // 11030
    if (CopyFileBytes(archive, program, end.commentLength) != 0) return -2;  // 11044
    return 0;
  } catch (...) {
    return -2;
  }
}

std::uint32_t TZipArchiver::FindStubIcon(const QByteArray &section, std::uint32_t virtualAddress, std::uint32_t rawSize,
                                         std::uint32_t resourceAddress) {
  const qint64 size = std::min<qint64>(section.size(), rawSize);
  if (resourceAddress < virtualAddress || qint64(resourceAddress - virtualAddress) >= size) return 0;
  const StubBytes b{section};
  // Three levels (type, name, language) and no more: a directory that points
  // back at itself cannot loop.
  std::function<std::uint32_t(qint64, int)> walk = [&](qint64 dir, int level) -> std::uint32_t {
    if (level > 2 || !b.has(dir, 16) || dir >= size) return 0;
    const qint64 count = qint64(b.u16(dir + 12)) + b.u16(dir + 14);
    for (qint64 k = 0; k < count; ++k) {
      const qint64 entry = dir + 16 + k * 8;
      if (!b.has(entry, 8) || entry + 8 > size) return 0;
      const std::uint32_t id = b.u32(entry), target = b.u32(entry + 4);
      if (id & 0x80000000u) continue;  // named entries are skipped
      if (level == 0 && id != 3) continue;
      if (level == 1 && id != 1) continue;
      const qint64 at = qint64(target & 0x7FFFFFFFu) + (resourceAddress - virtualAddress);
      if (target & 0x80000000u) {
        if (const std::uint32_t found = walk(at, level + 1)) return found;
        continue;
      }
      if (level != 2 || !b.has(at, 16) || at + 16 > size) continue;
      if (b.u32(at + 4) == std::uint32_t(kIconImageSize)) return b.u32(at);
    }
    return 0;
  };
  try {
    return walk(qint64(resourceAddress - virtualAddress), 0);
  } catch (const std::out_of_range &) {
    return 0;
  }
}

int TZipArchiver::ReplaceStubIcon(QFile &program, qint64 stubSize) {
  struct AtEnd {
    QFile &f;
    ~AtEnd() { f.seek(f.size()); }
  } atEnd{program};
  try {
    if (stubSize < 64 || stubSize > kMaxStubSize || !program.seek(0)) return -10;
    const QByteArray stub = program.read(stubSize);
    if (stub.size() != stubSize) return -11;
    const StubBytes b{stub};
    if (b.u16(0) != 0x5A4D) return -10;  // "MZ"
    const qint64 pe = b.u32(60);
    if (!b.has(pe, 24) || b.u32(pe) != 0x00004550u) return -10;  // "PE\0\0"
    const qint64 coff = pe + 4;
    const qint64 sections = b.u16(coff + 2);
    const qint64 optionalSize = b.u16(coff + 16);  // 224 for 32-bit stubs, 240 for 64-bit ones
    const qint64 optional = coff + 20;
    if (!b.has(optional, optionalSize) || optionalSize < 2) return -10;
    const std::uint16_t magic = b.u16(optional);
    const qint64 directories = magic == 0x20B ? optional + 112 : magic == 0x10B ? optional + 96 : -1;
    if (directories < 0 || directories + 3 * 8 > optional + optionalSize) return -10;
    const std::uint32_t resourceAddress = b.u32(directories + 2 * 8);
    const qint64 table = optional + optionalSize;
    if (!b.has(table, sections * 40)) return -10;
    for (qint64 k = 0; k < sections; ++k) {
      const qint64 sec = table + k * 40;
      if (stub.mid(sec, 8) != QByteArray(".rsrc\0\0\0", 8)) continue;
      const std::uint32_t va = b.u32(sec + 12), rawSize = b.u32(sec + 16), rawPointer = b.u32(sec + 20);
      if (!b.has(rawPointer, rawSize)) return -10;
      const std::uint32_t icon = FindStubIcon(stub.mid(rawPointer, rawSize), va, rawSize, resourceAddress);
      if (icon == 0 || icon < va) return -10;
      const qint64 offset = qint64(icon - va) + rawPointer;
      if (offset + kIconImageSize > qint64(rawPointer) + rawSize || !b.has(offset, kIconImageSize)) return -10;
      // The icon: one 32x32 image of 744 bytes right behind its 22-byte header.
      const QByteArray ico = SFXIcon;
      const StubBytes i{ico};
      if (ico.size() != kIconFileSize || i.u16(0) != 0 || i.u16(2) != 1 || i.u16(4) != 1 || ico[6] != 32 || ico[7] != 32 ||
          i.u32(14) != std::uint32_t(kIconImageSize) || i.u32(18) != 22)
        return -12;
      if (!program.seek(offset) || program.write(ico.constData() + 22, kIconImageSize) != kIconImageSize) return -11;
      return 0;
    }
    return -10;
  } catch (const std::out_of_range &) {
    return -10;
  } catch (...) {
    return -11;
  }
}

int TZipArchiver::MakeSelfExtracting() {
  int result = -9;
  const bool automatic = zipFileName_.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive) && !QFileInfo::exists(zipFileName_);
  if (!automatic && !QFileInfo(zipFileName_).isFile()) {
    ShowZipMessage(GE_NoZipSpecified);
    return result;
  }
  // The limit is on the bytes the header holds, one length byte each.
  const QByteArray header = SfxHeader();
  if (header.isEmpty()) {
    qint64 size = 12;
    for (const QByteArray &t : headerTexts({SFXCaption, SFXDefaultDir, SFXCommandLine, SFXMessage})) size += t.size();
    size = (size + 3) & ~qint64(3);
    ShowZipMessage(SF_StringTooLong,
                   QStringLiteral("\r\nSFXCaption + SFXDefaultDir + SFXCommandLine + SFXMessage = ") + QString::number(size + 1));
    return result;
  }
  const QString stubPath = findStub();
  if (stubPath.isEmpty()) {
    ShowZipMessage(SF_NoZipSFXBin);
    return result;
  }
  QString programName;
  if (automatic) {
    programName = QFileInfo(zipFileName_).absoluteFilePath();
  } else {
    const QFileInfo fi(zipFileName_);
    if (fi.suffix().compare(QLatin1String("zip"), Qt::CaseInsensitive) != 0 || fi.fileName().size() == 4) {
      ShowZipMessage(SF_InputIsNoZip);
      return result;
    }
    programName = fi.absolutePath() + QLatin1Char('/') + fi.completeBaseName() + QStringLiteral(".exe");
  }
  StartWaitCursor();

  // Written under a temporary name beside the program and renamed over it
  // only once whole: an existing program of that name stays until then.
  QTemporaryFile program(QFileInfo(programName).absolutePath() + QStringLiteral("/.") + QFileInfo(programName).fileName() +
                         QStringLiteral(".XXXXXX"));
  qint64 stubSize = -1, archiveSize = -1, finalLength = -1;
  if (!program.open()) {
    result = -1;
  } else {
    QFile stub(stubPath);
    if (!stub.open(QIODevice::ReadOnly)) {
      result = -3;
    } else {
      result = CopyFileBytes(stub, program, -1);
      stubSize = stub.size();
      stub.close();
      if (result == 0 && !SFXIcon.isEmpty()) result = ReplaceStubIcon(program, stubSize);
    }
    if (result == 0 && program.write(header) != header.size()) result = -2;
    if (result == 0) {
      if (automatic) {
        EndRecord empty;
        const qint64 at = stubSize + header.size();
        empty.directoryOffset = std::uint32_t(at);
        std::vector<unsigned char> bytes;
        empty.write(bytes);
        if (at > qint64(0xFFFFFFFEu) || program.write(reinterpret_cast<const char *>(bytes.data()), qint64(bytes.size())) != qint64(bytes.size()))
          result = -2;
      } else {
        QFile archive(zipFileName_);
        try {
          DirectoryLocation where;
          OpenEndRecord(archive, where, true);
          if (where.zip64 || where.diskNumber != 0 || !archive.seek(0)) throw EZipArchiver::CreateFromId(DS_NoValidZip, false);
          if (listedFaulty_) {
            result = CopyFileBytes(archive, program, -1);
            archiveSize = archive.size();
          } else {
            result = CopyFileBytes(archive, program, qint64(where.directoryStart));
            if (result == 0) result = CopyCentralDirectory(program, archive, where, stubSize + header.size());
            archiveSize = qint64(where.endPos) + qint64(kEndSize) + where.end.commentLength;
          }
        } catch (...) {
          result = -3;
        }
        archive.close();
      }
    }
    program.flush();
    finalLength = program.size();
  }
  if (!(automatic && result == 0)) {
    if (result == 0 && (stubSize < 0 || archiveSize < 0 || finalLength < 0 || finalLength != stubSize + archiveSize + header.size()))
      result = -9;
  }
  if (result == 0) {
    // A program: executable, as the umask allows.
    const mode_t mask = umask(0);
    umask(mask);
    ::fchmod(program.handle(), 0755 & ~mask);
    program.close();
    QString error;
    if (!RenameFileReplacing(program.fileName(), programName, &error)) {
      result = -1;
    } else {
      program.setAutoRemove(false);
      if (!automatic) {
        DeleteArchiveFile(zipFileName_, HowToDelete);
        SetZipFileName(programName);
      }
    }
  }
  StopWaitCursor();
  return result;
}

} // namespace qel
