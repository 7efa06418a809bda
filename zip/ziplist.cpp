// Listing an archive from its end record and central directory. The file is
// outside data: every length and offset is checked against what was read.

#include "zip/ziparchiver.h"
#include "zip/zipspanstate.h"

#include "platform/codepage.h"
#include "zip/format/zipnames.h"

#include <QFile>
#include <QFileInfo>

#include <limits>
#include <new>

namespace qel {

namespace {

using namespace zipfmt;

QString decodeName(const QByteArray &raw, std::uint16_t flags, std::uint16_t versionMadeBy, CodePageOpt codePage,
                   const QByteArray &extra) {
  const std::string utf8 = decodeEntryName(std::string_view(raw.constData(), std::size_t(raw.size())), flags,
                                           versionMadeBy, nameCodePage(codePage),
                                           std::string_view(extra.constData(), std::size_t(extra.size())));
  return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

bool readFileAt(void *context, std::uint64_t offset, void *out, std::size_t n) {
  auto *file = static_cast<QFile *>(context);
  return offset <= std::uint64_t(std::numeric_limits<qint64>::max()) && file->seek(qint64(offset)) &&
         file->read(static_cast<char *>(out), qint64(n)) == qint64(n);
}

} // namespace

NameCodePage nameCodePage(CodePageOpt codePage) {
  switch (codePage) {
  case cpNone: return NameCodePage::None;
  case cpOEM: return NameCodePage::Oem;
  default: return NameCodePage::Auto;
  }
}

bool TZipArchiver::OpenEndRecord(QFile &file, DirectoryLocation &where, bool raise, bool *spanned) {
  auto fail = [&](int id) {
    if (raise) throw EZipArchiver::CreateFromId(id, true);
    return false;
  };
  if (!file.isOpen() && !file.open(QIODevice::ReadOnly)) return fail(DS_FileOpen);
  const qint64 size = file.size();
  if (spanned) {
    *spanned = false;
    unsigned char head[8];
    if (size >= 8 && file.seek(0) && file.read(reinterpret_cast<char *>(head), 8) == 8)
      *spanned = getLe32(head) == kSpanSig && getLe32(head + 4) == kLocalSig;
  }
  switch (locateDirectory(std::uint64_t(size), &readFileAt, &file, where)) {
  case LocateResult::Found: return true;
  case LocateResult::ReadError: return fail(DS_EOCBadRead);
  case LocateResult::Zip64Damaged: return fail(DS_EOCBadRead);
  case LocateResult::NotAnArchive:
  case LocateResult::DirectoryTooLarge: break;
  }
  return fail(DS_NoValidZip);
}

bool TZipArchiver::OpenEndRecord(QFile &file, EndRecord &end, qint64 &endPos, bool raise, bool *spanned) {
  DirectoryLocation where;
  if (!OpenEndRecord(file, where, raise, spanned)) return false;
  end = where.end;
  endPos = qint64(where.endPos);
  return true;
}

QByteArray TZipArchiver::readSpannedDirectory(QFile &file, const DirectoryLocation &where) {
  span_ = std::make_unique<SpanState>();
  SpanState &s = *span_;
  s.inFileName = QFileInfo(zipFileName_).absoluteFilePath();
  s.drive = AddBackslash(QFileInfo(s.inFileName).absolutePath());
  s.lastVolumeNumber = s.volumeNumber = int(where.diskNumber);
  if (!ReadDriveInfo()) throw EZipArchiver::CreateFromIdStr(DS_DriveNoMount, s.drive);
  s.driveKind = volumes_->kind(s.drive);
  if (where.directoryDisk != where.diskNumber) {
    OpenNextVolume(int(where.directoryDisk));
  } else {
    s.in.setFileName(s.inFileName);
    if (!s.in.open(QIODevice::ReadOnly)) throw EZipArchiver::CreateFromId(DS_FileOpen, true);
  }
  if (!s.in.seek(qint64(where.directoryOffset))) throw EZipArchiver::CreateFromId(LI_ReadZipError, true);
  // Read in pieces: the recorded size is outside data, and memory grows
  // only with bytes that are really there.
  QByteArray dir;
  std::uint64_t left = where.directorySize;
  while (left > 0) {
    const qsizetype piece = qsizetype(std::min<std::uint64_t>(left, 1 << 16));
    const qsizetype at = dir.size();
    dir.resize(at + piece);
    ReadFromVolumes(dir.data() + at, piece, DS_CEHBadRead, true);
    left -= std::uint64_t(piece);
  }
  s.in.close();
  Q_UNUSED(file);
  return dir;
}

void TZipArchiver::listArchive() {
  entries_.clear();
  totalSize_ = 0;
  listedLastVolume_ = 0;
  listedFaulty_ = false;
  if (zipFileName_.isEmpty() || !QFileInfo(zipFileName_).isFile()) {
    if (OnDirUpdate) OnDirUpdate(*this);
    return;
  }
  StartWaitCursor();
  QFile file(zipFileName_);
  std::vector<ZipDirEntry> list;
  try {
    DirectoryLocation where;
    QByteArray dir;
    qint64 start = 0, shift = 0;
    bool spannedSet = false;
    EndRecord lastEnd;
    qint64 lastEndPos = 0;
    const bool found = OpenEndRecord(file, where, false);
    if ((!found || where.diskNumber != 0) && FindLastVolumeEnd(file, lastEnd, lastEndPos) && lastEnd.diskNumber != 0) {
      // The last volume of a spanned set: its directory may start on an
      // earlier volume and run on across volumes.
      spannedSet = true;
      where = DirectoryLocation{};
      where.end = lastEnd;
      where.endPos = std::uint64_t(lastEndPos);
      where.diskNumber = lastEnd.diskNumber;
      where.directoryDisk = lastEnd.directoryDisk;
      where.totalEntries = lastEnd.totalEntries;
      where.directorySize = lastEnd.directorySize;
      where.directoryOffset = lastEnd.directoryOffset;
      dir = readSpannedDirectory(file, where);
      listedLastVolume_ = lastEnd.diskNumber;
    } else {
      if (!found) OpenEndRecord(file, where, true);  // raises what is wrong
      if (where.diskNumber != 0 || where.directoryDisk != 0) throw EZipArchiver::CreateFromId(DS_NoSpan, true);
      // Where the directory must start when the archive ends the file. A
      // different recorded offset means bytes in front of the archive (or a
      // damaged record): entries are shifted by the difference.
      start = qint64(where.directoryStart);
      shift = where.shift;
      listedFaulty_ = shift != 0;
      if (shift != 0) ShowZipMessage(LI_WrongZipStruct);
      // The directory is read in one piece, bounded by the file.
      if (where.directorySize > std::uint64_t(std::numeric_limits<qsizetype>::max()) || !file.seek(start))
        throw EZipArchiver::CreateFromId(LI_ReadZipError, true);
      dir = file.read(qint64(where.directorySize));
      if (std::uint64_t(dir.size()) != where.directorySize) throw EZipArchiver::CreateFromId(DS_CEHBadRead, true);
    }
    auto *d = reinterpret_cast<const unsigned char *>(dir.constData());
    const std::size_t dirSize = std::size_t(dir.size());
    std::size_t pos = 0;

    // Every entry the directory holds is read, and their number must agree
    // with the recorded count: an archive is never listed incomplete.
    list.reserve(std::min<std::size_t>(std::size_t(where.totalEntries), dirSize / kCentralSize + 1));
    std::uint64_t read = 0;
    while (pos < dirSize) {
      if (dirSize - pos < kCentralSize) throw EZipArchiver::CreateFromId(DS_CEHBadRead, true);
      CentralHeader ch;
      if (!ch.read(d + pos, kCentralSize)) throw EZipArchiver::CreateFromId(DS_CEHWrongSig, true);
      pos += kCentralSize;
      if (dirSize - pos < ch.nameLength) throw EZipArchiver::CreateFromId(DS_CENameLen, true);
      ZipDirEntry e;
      static_cast<CentralFields &>(e) = ch;
      e.RawName = QByteArray(reinterpret_cast<const char *>(d + pos), ch.nameLength);
      pos += ch.nameLength;
      if (dirSize - pos < ch.extraLength) throw EZipArchiver::CreateFromId(LI_ReadZipError, true);
      e.ExtraData = QByteArray(reinterpret_cast<const char *>(d + pos), ch.extraLength);
      Entry64 full;
      if (!readEntry64(ch, d + pos, ch.extraLength, full)) throw EZipArchiver::CreateFromId(DS_CEExtraLen, true);
      pos += ch.extraLength;
      if (dirSize - pos < ch.commentLength) throw EZipArchiver::CreateFromId(DS_CECommentLen, true);
      e.FileComment = decodeTextField(QByteArray(reinterpret_cast<const char *>(d + pos), ch.commentLength));
      pos += ch.commentLength;
      ++read;

      // A local header must lie before the directory (in a spanned set,
      // offsets are within the entry's own volume).
      const qint64 local = qint64(full.localHeaderOffset) + shift;
      if (full.localHeaderOffset > std::uint64_t(std::numeric_limits<qint64>::max() / 2) || local < 0 ||
          (!spannedSet && local + qint64(kLocalSize) > start))
        throw EZipArchiver::CreateFromId(LI_ReadZipError, true);
      e.localHeaderOffset = ch.localHeaderOffset == 0xFFFFFFFFu ? ch.localHeaderOffset
                                                                 : std::uint32_t(std::min<qint64>(local, 0xFFFFFFFF));
      e.LocalHeaderOffset64 = std::uint64_t(local);
      e.UncompressedSize64 = full.uncompressedSize;
      e.CompressedSize64 = full.compressedSize;
      e.Encrypted = (ch.flags & kFlagEncrypted) != 0;
      e.FileName = decodeName(e.RawName, ch.flags, ch.versionMadeBy, CodePage, e.ExtraData);
      const QByteArray utf8Name = e.FileName.toUtf8();
      if (isFolderEntryName(std::string_view(utf8Name.constData(), std::size_t(utf8Name.size()))) && !UseDirOnlyEntries)
        continue;
      list.push_back(std::move(e));
      if (OnNewName) OnNewName(*this, int(list.size()) - 1, list.back());
    }
    if (!where.countAgrees(read)) throw EZipArchiver::CreateFromId(DS_CEHBadRead, true);
    entries_ = std::move(list);
  } catch (const EZipArchiver &e) {
    listedLastVolume_ = 0;
    entries_.clear();
    zipFileName_.clear();
    ReportZipError(e);
  } catch (const std::bad_alloc &) {
    listedLastVolume_ = 0;
    entries_.clear();
    zipFileName_.clear();
    ShowZipMessage(GE_NoMem);
  } catch (const std::exception &e) {
    listedLastVolume_ = 0;
    entries_.clear();
    zipFileName_.clear();
    ShowZipMessage(LI_ErrorUnknown, QString::fromUtf8(e.what()));
  }
  file.close();
  StopWaitCursor();
  if (OnDirUpdate) OnDirUpdate(*this);
}

} // namespace qel
