// Listing an archive from its end record and central directory. The file is
// outside data: every length and offset is checked against what was read.

#include "zip/ziparchiver.h"

#include "platform/codepage.h"
#include "zip/format/cp437.h"

#include <QFile>
#include <QFileInfo>

#include <new>

namespace qel {

namespace {

using namespace zipfmt;

// Longest entry name the component accepts.
constexpr std::size_t kMaxNameLength = 255;

// The system's name of an entry. UTF-8 when flag bit 11 says so; names made
// on DOS and Windows (and where the caller asks for it) are code page 437;
// the rest stays as stored, read as UTF-8 when it is valid UTF-8, else in the
// legacy single-byte code page.
QString decodeName(const QByteArray &raw, std::uint16_t flags, std::uint16_t versionMadeBy, CodePageOpt codePage) {
  std::string_view bytes(raw.constData(), std::size_t(raw.size()));
  if (isAscii(bytes)) return QString::fromLatin1(raw);
  if ((flags & kFlagUtf8) && isValidUtf8(bytes)) return QString::fromUtf8(raw);
  const unsigned host = versionMadeBy >> 8;
  const bool oem = codePage == cpOEM || (codePage == cpAuto && host == 0) || host == 6 ||
                   (host == 11 && (versionMadeBy & 0xFF) == 50);
  if (oem) {
    std::string utf8 = cp437ToUtf8(bytes);
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
  }
  return decodeTextField(raw);
}

bool isFolderEntry(const QString &name) {
  return name.isEmpty() || name.endsWith(QLatin1Char('/')) || name.endsWith(QLatin1Char('\\'));
}

} // namespace

bool TZipArchiver::OpenEndRecord(QFile &file, EndRecord &end, qint64 &endPos, bool raise, bool *spanned) {
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
  if (size < qint64(kEndSize)) return fail(DS_NoValidZip);
  // The whole tail is searched even when the last 22 bytes look like an end
  // record: they may be a record hidden at the end of the real one's comment.
  const qint64 tailSize = std::min<qint64>(size, qint64(kEndSearchSpan));
  QByteArray tail(tailSize, Qt::Uninitialized);
  if (!file.seek(size - tailSize) || file.read(tail.data(), tailSize) != tailSize) return fail(DS_EOCBadRead);
  auto *t = reinterpret_cast<const unsigned char *>(tail.constData());
  const long long at = findEndRecord(t, std::size_t(tailSize));
  if (at < 0) return fail(DS_NoValidZip);
  if (!end.read(t + at, std::size_t(tailSize - at))) return fail(DS_NoValidZip);
  endPos = size - tailSize + at;
  return true;
}

void TZipArchiver::listArchive() {
  entries_.clear();
  totalSize_ = 0;
  if (zipFileName_.isEmpty() || !QFileInfo(zipFileName_).isFile()) {
    if (OnDirUpdate) OnDirUpdate(*this);
    return;
  }
  StartWaitCursor();
  QFile file(zipFileName_);
  std::vector<ZipDirEntry> list;
  try {
    EndRecord end;
    qint64 endPos = 0;
    OpenEndRecord(file, end, endPos, true);
    if (end.diskNumber != 0 || end.directoryDisk != 0) throw EZipArchiver::CreateFromId(DS_NoSpan, true);

    // Where the directory must start when the archive ends the file. A
    // different recorded offset means bytes in front of the archive (or a
    // damaged record): entries are shifted by the difference.
    const qint64 start = endPos - qint64(end.directorySize);
    if (start < 0) throw EZipArchiver::CreateFromId(LI_ReadZipError, true);
    const qint64 shift = start - qint64(end.directoryOffset);
    if (shift != 0) ShowZipMessage(LI_WrongZipStruct);

    // The directory and the end record are read in one piece, bounded by the file.
    if (!file.seek(start)) throw EZipArchiver::CreateFromId(LI_ReadZipError, true);
    const QByteArray dir = file.read(endPos - start);
    if (dir.size() != endPos - start) throw EZipArchiver::CreateFromId(DS_CEHBadRead, true);
    auto *d = reinterpret_cast<const unsigned char *>(dir.constData());
    const std::size_t dirSize = std::size_t(dir.size());
    std::size_t pos = 0;

    list.reserve(std::min<std::size_t>(end.totalEntries, dirSize / kCentralSize + 1));
    for (unsigned i = 0; i < end.totalEntries; ++i) {
      if (dirSize - pos < kCentralSize) throw EZipArchiver::CreateFromId(DS_CEHBadRead, true);
      CentralHeader ch;
      if (!ch.read(d + pos, kCentralSize)) throw EZipArchiver::CreateFromId(DS_CEHWrongSig, true);
      pos += kCentralSize;
      if (ch.nameLength > kMaxNameLength || dirSize - pos < ch.nameLength)
        throw EZipArchiver::CreateFromId(DS_CENameLen, true);
      ZipDirEntry e;
      static_cast<CentralFields &>(e) = ch;
      e.RawName = QByteArray(reinterpret_cast<const char *>(d + pos), ch.nameLength);
      pos += ch.nameLength;
      if (dirSize - pos < ch.extraLength) throw EZipArchiver::CreateFromId(LI_ReadZipError, true);
      e.ExtraData = QByteArray(reinterpret_cast<const char *>(d + pos), ch.extraLength);
      pos += ch.extraLength;
      if (dirSize - pos < ch.commentLength) throw EZipArchiver::CreateFromId(DS_CECommentLen, true);
      e.FileComment = decodeTextField(QByteArray(reinterpret_cast<const char *>(d + pos), ch.commentLength));
      pos += ch.commentLength;

      // A local header must lie before the directory.
      const qint64 local = qint64(ch.localHeaderOffset) + shift;
      if (local < 0 || local + qint64(kLocalSize) > start) throw EZipArchiver::CreateFromId(LI_ReadZipError, true);
      e.localHeaderOffset = std::uint32_t(local);
      e.Encrypted = (ch.flags & kFlagEncrypted) != 0;
      e.FileName = decodeName(e.RawName, ch.flags, ch.versionMadeBy, CodePage);
      if (isFolderEntry(e.FileName) && !UseDirOnlyEntries) continue;
      list.push_back(std::move(e));
      if (OnNewName) OnNewName(*this, int(list.size()) - 1, list.back());
    }
    entries_ = std::move(list);
  } catch (const EZipArchiver &e) {
    entries_.clear();
    zipFileName_.clear();
    ReportZipError(e);
  } catch (const std::bad_alloc &) {
    entries_.clear();
    zipFileName_.clear();
    ShowZipMessage(GE_NoMem);
  } catch (const std::exception &e) {
    entries_.clear();
    zipFileName_.clear();
    ShowZipMessage(LI_ErrorUnknown, QString::fromUtf8(e.what()));
  }
  file.close();
  StopWaitCursor();
  if (OnDirUpdate) OnDirUpdate(*this);
}

} // namespace qel
