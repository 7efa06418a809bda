// Disk spanning: splitting a finished archive into a set of volumes and
// joining a set back into one archive, with the drive, volume and file
// routines under them. The volumes are outside data: every header is checked
// and every count bounded by what was read.

#include "zip/ziparchiver.h"
#include "zip/zipspanstate.h"

#include "platform/fileutil.h"
#include "platform/tempfolder.h"
#include "platform/uiservices.h"
#include "zip/format/zipcipher.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace qel {

using namespace zipfmt;

namespace {

constexpr qint64 kPiece = 8192;
// Entry data moves between volumes in larger pieces: splitting and joining
// run near the speed of copying the file.
constexpr qint64 kBulkPiece = 1 << 20;
constexpr int kMaxVolumes = 999;

bool fixedLike(VolumeKind k) { return k == VolumeKind::Fixed || k == VolumeKind::Network; }

QString threeDigits(int volume) { return QString::number(volume + 1001).right(3); }

QString diskLabel(int volume) { return QStringLiteral("PKBACK# ") + threeDigits(volume); }

// Splits a path's file name into the part before its extension and the
// extension with its dot ("" when it has none).
void splitName(const QString &path, QString &stem, QString &extension) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
  if (dot > slash + 1) {
    stem = path.left(dot);
    extension = path.mid(dot);
  } else {
    stem = path;
    extension.clear();
  }
}

// The three characters before the extension as a number (-1 when they are not one).
int numberBeforeExtension(const QString &path) {
  QString stem, ext;
  splitName(path, stem, ext);
  const QString digits = QFileInfo(stem).fileName().right(3);
  bool ok = false;
  const int n = digits.size() == 3 ? digits.toInt(&ok) : 0;
  return ok ? n : -1;
}

QString replaceNumber(const QString &path, int volume) {
  QString stem, ext;
  splitName(path, stem, ext);
  const qsizetype slash = stem.lastIndexOf(QLatin1Char('/'));
  const qsizetype keep = std::max<qsizetype>(slash + 1, stem.size() - 3);
  return stem.left(keep) + threeDigits(volume) + ext;
}

QString backslashed(const QByteArray &name) {
  QString n = QString::fromUtf8(name);
  n.replace(QLatin1Char('/'), QLatin1Char('\\'));
  return n;
}

EZipArchiver quietCancel() { return EZipArchiver::CreateFromId(DS_Canceled, false); }

} // namespace

// ---- small routines ----

QString TZipArchiver::AddBackslash(const QString &path) {
  if (path.isEmpty() || path.endsWith(QLatin1Char('/'))) return path;
  return path + QLatin1Char('/');
}

QString TZipArchiver::lastSpanVolumeFile() const {
  if (!span_ || !fixedLike(span_->driveKind)) return {};
  return numberedVolumeName(span_->outFileName, span_->volumeNumber);
}

QString TZipArchiver::numberedVolumeName(const QString &name, int volume) const {
  QString stem, ext;
  splitName(name, stem, ext);
  return stem + threeDigits(volume) + ext;
}

void TZipArchiver::ZipTrace(const QString &text) {
  if (Trace && OnMessage) OnMessage(*this, 0, text);
}

int TZipArchiver::DeleteArchiveFile(const QString &fileName, DeleteOpt how) {
  const QFileInfo fi(fileName);
  if (!fi.exists() && !fi.isSymLink()) return -1;
  const QString path = fi.absoluteFilePath();
  if (how == htdAllowUndo) {
    QString why;
    if (MoveToTrash(path, &why)) return 0;
    // Where there is no trash to take it, the file stays, and the user is told.
    message_ = QStringLiteral("%1 was not deleted: %2.").arg(path, why);
    if (!Unattended) ui().messageBox(message_, applicationTitle(), MB_OK | MB_ICONWARNING);
    if (OnMessage) OnMessage(*this, 0, message_);
    return 1;
  }
  return QFile::remove(path) ? 0 : 1;
}

QString TZipArchiver::MakeTempArchiveName(const QString &prefix, const QString &extension) {
  QString folder;
  if (!TempDir.isEmpty()) {
    TempDir = AddBackslash(TempDir);
    folder = TempDir;
  } else {
    try {
      folder = TempFolderPath();
    } catch (const std::exception &) {
      return {};
    }
  }
  for (int attempt = 0; attempt < 32; ++attempt) {
    unsigned char rnd[5];
    if (!secureRandomBytes(rnd, sizeof rnd)) return {};
    const QString name = folder + prefix + QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(rnd), 5).toHex()) +
                         extension;
    const int fd = CreateExclusiveFile(name);
    if (fd >= 0) {
      ::close(fd);
      return name;
    }
    if (errno != EEXIST) return {};
  }
  return {};
}

int TZipArchiver::CopyFileBytes(QFile &source, QFile &target, qint64 count) {
  try {
    QByteArray buffer(kPiece, Qt::Uninitialized);
    for (;;) {
      const qint64 want = count < 0 ? kPiece : std::min(kPiece, count);
      if (want == 0) return 0;
      const qint64 got = source.read(buffer.data(), want);
      if (got < 0) return -2;
      if (got > 0 && target.write(buffer.constData(), got) != got) return -2;
      if (OnProgress && span_ && span_->showProgress) OnProgress(*this, ProgressUpdate, QString(), got);
      if (count > 0) count -= got;
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
      if (count == 0 || got < want) return 0;
    }
  } catch (...) {
    return -2;
  }
}

void TZipArchiver::ClearVolume(const QString &folder) {
  // Descriptors all the way down: a link met inside is removed, never
  // followed, and a folder on another file system is left alone.
  struct Clearer {
    TZipArchiver &self;
    dev_t device;
    void clear(int dirFd, const QString &path) {
      DIR *d = fdopendir(dirFd);
      if (!d) {
        ::close(dirFd);
        return;
      }
      std::vector<std::string> names;
      while (dirent *e = readdir(d)) {
        if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.emplace_back(e->d_name);
      }
      for (const std::string &name : names) {
        struct stat st {};
        if (fstatat(dirfd(d), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        const QString full = path + QFile::decodeName(name.c_str());
        if (S_ISDIR(st.st_mode)) {
          if (st.st_dev != device) continue;
          const int sub = openat(dirfd(d), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
          if (sub < 0) continue;
          clear(sub, full + QLatin1Char('/'));
          self.ZipTrace(QStringLiteral("EraseFloopy - Removing ") + full);
          QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
          unlinkat(dirfd(d), name.c_str(), AT_REMOVEDIR);
        } else {
          self.ZipTrace(QStringLiteral("EraseFloopy - Deleting ") + full);
          unlinkat(dirfd(d), name.c_str(), 0);
        }
      }
      closedir(d);
    }
  };
  const QString root = AddBackslash(folder);
  const int fd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    ::close(fd);
    return;
  }
  Clearer{*this, st.st_dev}.clear(fd, root);
}

int TZipArchiver::FormatVolume(const QString &drive) {
  if (volumes_->kind(drive) != VolumeKind::Removable) return -3;
  return volumes_->format(drive);
}

int TZipArchiver::EraseVolume() {
  SpanState &s = *span_;
  int result = -3;
  if (FormatErase) result = FormatVolume(s.drive);
  if (result == -3) {
    if (ui().messageBox(QStringLiteral("Erase ") + s.drive, QStringLiteral("Confirm"),
                        MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
      return -2;
    ClearVolume(s.drive);
    result = 0;
  }
  if (result == 0) volumes_->setLabel(s.drive, s.volumeLabel.left(11));
  return result;
}

// ---- drives and volumes ----

void TZipArchiver::ReadDiskSpace(int which) {
  SpanState &s = *span_;
  if (which & 1) s.freeOnVolume = volumes_->freeBytes(s.drive);
  if (which & 2) s.volumeSize = volumes_->totalBytes(s.drive);
}

bool TZipArchiver::ReadDriveInfo() {
  SpanState &s = *span_;
  s.volumeSize = 0;
  s.volumeLabel.clear();
  if (!QFileInfo(s.drive).isDir()) throw EZipArchiver::CreateFromIdStr(DS_DriveNoMount, s.drive);
  if (!volumes_->present(s.drive)) return s.writing && AddOptions.contains(AddDiskSpanErase);  // an unformatted disk
  s.volumeLabel = volumes_->label(s.drive);
  ReadDiskSpace(3);
  return volumes_->kind(s.drive) == VolumeKind::Network || s.volumeSize >= 0;
}

VolumeKind TZipArchiver::AskForVolume(bool writing) {
  SpanState &s = *span_;
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  VolumeKind kind = volumes_->kind(s.drive);
  int answer = IDOK;
  while ((answer == IDOK && !ReadDriveInfo()) || s.newVolumeWanted) {
    if (fixedLike(kind)) {
      s.newVolumeWanted = false;
      break;
    }
    if (Unattended) throw EZipArchiver::CreateFromId(DS_NoUnattSpan, true);
    QString text;
    unsigned icon = 0;
    if (s.volumeNumber == -1) {
      text = LoadZipText(DS_InsertDisk, QStringLiteral("Please insert last disk in set"));
      icon = MB_ICONERROR;
    } else if (writing) {
      qint64 capacity = s.volumeSize;
      if (MaxVolumeSize > 0 && (capacity <= 0 || MaxVolumeSize < capacity)) capacity = MaxVolumeSize;
      s.lastVolumeNumber = s.volumeNumber;
      if (capacity > 0) {
        const qint64 estimate = (s.archiveSize + KeepFreeOnDisk1 + 4) / capacity;
        if (estimate > s.lastVolumeNumber) s.lastVolumeNumber = int(std::min<qint64>(estimate, kMaxVolumes));
        text = formatZipText(LoadZipText(DS_InsertVolume, QStringLiteral("Please insert disk volume %.1d of %.1d")),
                             {QString::number(s.volumeNumber + 1), QString::number(s.lastVolumeNumber + 1)});
      } else {
        text = formatZipText(LoadZipText(DS_InsertAVolume, QStringLiteral("Please insert disk volume %.1d")),
                             {QString::number(s.volumeNumber + 1)});
      }
    } else {
      text = formatZipText(LoadZipText(DS_InsertVolume, QStringLiteral("Please insert disk volume %.1d of %.1d")),
                           {QString::number(s.volumeNumber + 1), QString::number(s.lastVolumeNumber + 1)});
    }
    text += formatZipText(LoadZipText(DS_InDrive, QStringLiteral("\r\nin drive: %s")), {s.drive});
    if (OnGetNextDisk) {
      bool abortAction = false;
      OnGetNextDisk(*this, s.volumeNumber + 1, s.lastVolumeNumber + 1, s.drive, abortAction);
      answer = abortAction ? IDCANCEL : IDOK;
    } else {
      answer = ui().messageBox(text, applicationTitle(), MB_OKCANCEL | icon);
    }
    s.newVolumeWanted = false;
    if (answer == 0) throw EZipArchiver::CreateFromId(DS_NoMem, true);
    if (answer != IDOK) throw quietCancel();
    kind = volumes_->kind(s.drive);
  }
  s.driveKind = kind;
  return kind;
}

bool TZipArchiver::IsExpectedVolume(VolumeKind kind) {
  SpanState &s = *span_;
  if (fixedLike(kind) || kind == VolumeKind::CdRom) {
    s.inFileName = replaceNumber(s.inFileName, s.volumeNumber);
    return true;
  }
  return s.volumeLabel == diskLabel(s.volumeNumber);
}

void TZipArchiver::OpenNextVolume(int number) {
  SpanState &s = *span_;
  s.in.close();
  s.volumeNumber = number;
  bool first = true;
  for (;;) {
    if (!first) {
      if (fixedLike(s.driveKind)) throw EZipArchiver::CreateFromId(DS_NoInFile, true);
      ShowZipMessage(DS_NoInFile);
    }
    first = false;
    VolumeKind kind;
    do {
      s.newVolumeWanted = true;
      kind = AskForVolume(false);
    } while (!IsExpectedVolume(kind));
    s.in.setFileName(s.inFileName);
    if (s.in.open(QIODevice::ReadOnly)) return;
  }
}

// ---- writing volumes ----

void TZipArchiver::closeOutputVolume() {
  SpanState &s = *span_;
  if (!s.out.isOpen()) return;
  s.out.flush();
  if (s.archiveDate.isValid()) s.out.setFileTime(s.archiveDate, QFileDevice::FileModificationTime);
  s.out.close();
}

void TZipArchiver::WriteToVolume(const char *buffer, qint64 count, qint64 minimum) {
  SpanState &s = *span_;
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  if (cancel_) throw quietCancel();
  for (;;) {
    if (!s.out.isOpen()) {
      for (;;) {
        const VolumeKind kind = AskForVolume(true);
        if (s.volumeNumber >= kMaxVolumes) throw EZipArchiver::CreateFromId(DS_TooManyVolumes, true);
        QString name = s.outFileName;
        if (fixedLike(kind)) {
          name = numberedVolumeName(s.outFileName, s.volumeNumber);
        } else if (AddOptions.contains(AddDiskSpanErase) && (!OnGetNextDisk || s.diskAction == zdaErase)) {
          s.volumeLabel = diskLabel(s.volumeNumber);
          const int erased = EraseVolume();
          if (erased == -2) throw quietCancel();
          if (erased == -1) throw EZipArchiver::CreateFromId(DS_Canceled, true);
        }
        if (QFileInfo::exists(name)) {
          bool ok = false;
          int n = s.volumeLabel.mid(8, 3).toInt(&ok);
          if (!ok) n = 1;
          if (Unattended) throw EZipArchiver::CreateFromId(DS_NoUnattSpan, true);
          QString text;
          TZipDiskStatus status;
          if (QFileInfo(name).lastModified() == s.archiveDate && n - 1 < s.volumeNumber) {
            text = formatZipText(LoadZipText(DS_AskPrevFile, QStringLiteral("Overwrite previous disk no %d")), {QString::number(n)});
            status = zdsPreviousDisk;
          } else {
            text = formatZipText(LoadZipText(DS_AskDeleteFile, QStringLiteral("Overwrite previous file %s")), {name});
            status = zdsSameFileName;
          }
          ReadDiskSpace(3);
          status |= s.volumeSize != s.freeOnVolume ? zdsHasFiles : zdsEmpty;
          s.diskStatus = status;
          bool another = false;
          if (OnStatusDisk) {
            TZipDiskAction action = zdaOk;
            OnStatusDisk(*this, n, name, status, action);
            s.diskAction = action;
            if (action == zdaCancel) throw quietCancel();
            another = action == zdaReject;
          } else {
            const int answer = ui().messageBox(text, QStringLiteral("Confirm"), MB_YESNOCANCEL | MB_ICONWARNING | MB_DEFBUTTON2);
            if (answer != IDYES && answer != IDNO) throw quietCancel();
            another = answer == IDNO;
          }
          if (another) {
            s.bytesOnVolume = 0;
            s.newVolumeWanted = true;
            continue;
          }
        }
        s.out.setFileName(name);
        if (!s.out.open(QIODevice::WriteOnly | QIODevice::Truncate)) throw EZipArchiver::CreateFromId(DS_NoOutFile, true);
        ReadDiskSpace(1);
        qint64 free = s.freeOnVolume < 0 ? std::numeric_limits<qint64>::max() / 2 : s.freeOnVolume;
        if (MaxVolumeSize > 0 && MaxVolumeSize < free) free = MaxVolumeSize;
        if (s.volumeNumber == 0) free -= KeepFreeOnDisk1;
        if (free < MinFreeVolumeSize) {
          s.out.close();
          QFile::remove(name);
          if (Unattended) throw EZipArchiver::CreateFromId(DS_NoUnattSpan, true);
          if (OnStatusDisk) {
            TZipDiskAction action = zdaOk;
            bool ok = false;
            int n = s.volumeLabel.mid(8, 3).toInt(&ok);
            if (!ok) n = 1;
            s.diskStatus = zdsNotEnoughSpace;
            OnStatusDisk(*this, n, name, zdsNotEnoughSpace, action);
            s.diskAction = action;
            if (action == zdaCancel) throw quietCancel();
          } else {
            const int answer = ui().messageBox(LoadZipText(DS_NoDiskSpace, QStringLiteral("This disk has not enough free space available")),
                                               applicationTitle(), MB_RETRYCANCEL | MB_ICONERROR);
            if (answer == 0) throw EZipArchiver::CreateFromId(DS_NoMem, true);
            if (answer != IDRETRY) throw quietCancel();
          }
          s.bytesOnVolume = 0;
          s.newVolumeWanted = true;
          continue;
        }
        if (!fixedLike(kind) && !volumes_->setLabel(s.drive, diskLabel(s.volumeNumber)))
          throw EZipArchiver::CreateFromId(DS_NoVolume, true);
        s.freeOnVolume = free;
        s.bytesOnVolume = 0;
        break;
      }
    }
    if (minimum > 0 && minimum > s.freeOnVolume) {
      // What may not be cut never fits an empty volume: no number of new
      // volumes would help.
      if (s.bytesOnVolume == 0) throw EZipArchiver::CreateFromId(DS_NoDiskSpace, true);
      closeOutputVolume();
      s.bytesOnVolume = 0;
      s.newVolumeWanted = true;
      ++s.volumeNumber;
      continue;
    }
    const qint64 n = std::min(count, s.freeOnVolume);
    const qint64 put = n > 0 ? s.out.write(buffer, n) : 0;
    if (put != n) throw EZipArchiver::CreateFromId(DS_NoWrite, true);
    if (OnProgress && s.showProgress && n > 0) OnProgress(*this, ProgressUpdate, QString(), n);
    s.bytesOnVolume += n;
    s.freeOnVolume -= n;
    if (n == count) return;
    closeOutputVolume();
    s.freeOnVolume = 0;
    s.bytesOnVolume = 0;
    ++s.volumeNumber;
    s.newVolumeWanted = true;
    buffer += n;
    count -= n;
  }
}

void TZipArchiver::CopyToVolumes(qint64 count, int id) {
  SpanState &s = *span_;
  if (count <= 0) return;
  QByteArray piece(std::min(count, kBulkPiece), Qt::Uninitialized);
  char *buffer = piece.data();
  while (count > 0) {
    const qint64 want = std::min(count, kBulkPiece);
    if (s.in.read(buffer, want) != want) throw EZipArchiver::CreateFromId(id, true);
    WriteToVolume(buffer, want, 0);
    count -= want;
  }
}

// ---- reading volumes ----

void TZipArchiver::WriteOutput(const char *buffer, qint64 count, int id) {
  SpanState &s = *span_;
  if (count <= 0) return;
  if (s.out.write(buffer, count) != count) throw EZipArchiver::CreateFromId(id, true);
  if (OnProgress && s.showProgress) OnProgress(*this, ProgressUpdate, QString(), count);
}

void TZipArchiver::ReadFromVolumes(char *buffer, qint64 count, int id, bool mayStraddle) {
  SpanState &s = *span_;
  while (count > 0) {
    const qint64 got = s.in.read(buffer, count);
    if (got == count) return;
    if (got < 0) throw EZipArchiver::CreateFromId(id, true);
    if (s.in.atEnd() && s.volumeNumber < s.lastVolumeNumber && (got == 0 || mayStraddle)) {
      OpenNextVolume(s.volumeNumber + 1);
      buffer += got;
      count -= got;
      continue;
    }
    throw EZipArchiver::CreateFromId(id, true);
  }
}

void TZipArchiver::CopyFromVolumes(qint64 count, int id) {
  SpanState &s = *span_;
  if (count <= 0) return;
  QByteArray piece(std::min(count, kBulkPiece), Qt::Uninitialized);
  char *buffer = piece.data();
  while (count > 0) {
    const qint64 want = std::min(count, kBulkPiece);
    const qint64 got = s.in.read(buffer, want);
    if (got < 0) throw EZipArchiver::CreateFromId(id, true);
    if (got < want) {
      if (!s.in.atEnd() || s.volumeNumber >= s.lastVolumeNumber) throw EZipArchiver::CreateFromId(id, true);
      WriteOutput(buffer, got, id);
      count -= got;
      OpenNextVolume(s.volumeNumber + 1);
      continue;
    }
    WriteOutput(buffer, got, id);
    count -= got;
  }
}

bool TZipArchiver::FindLastVolumeEnd(QFile &file, EndRecord &end, qint64 &endPos) {
  if (!file.isOpen() && !file.open(QIODevice::ReadOnly)) {
    ShowZipMessage(DS_FileOpen);
    return false;
  }
  const qint64 size = file.size();
  if (size < qint64(kEndSize)) return false;
  const qint64 tailSize = std::min<qint64>(size, qint64(kEndSearchSpan));
  QByteArray tail(tailSize, Qt::Uninitialized);
  if (!file.seek(size - tailSize) || file.read(tail.data(), tailSize) != tailSize) return false;
  auto *t = reinterpret_cast<const unsigned char *>(tail.constData());
  const std::vector<std::size_t> all = endRecordCandidates(t, std::size_t(tailSize), false);
  if (all.empty() || !end.read(t + all.front(), kEndSize)) return false;
  endPos = size - tailSize + qint64(all.front());
  return true;
}

// ---- splitting ----

// Splitting and joining end the same way on an error: the message, and -7 for
// the component's own errors, -8 when memory ran out, -9 for anything else.
// Called from a catch block; rethrows what it was handed.
int TZipArchiver::ReportSpanFailure() {
  try {
    throw;
  } catch (const EZipArchiver &e) {
    ReportZipError(e);
    return -7;
  } catch (const std::bad_alloc &) {
    ShowZipMessage(GE_NoMem);
    return -8;
  } catch (const std::exception &e) {
    ShowZipMessage(DS_ErrorUnknown, QString::fromUtf8(e.what()));
    return -9;
  }
}

int TZipArchiver::WriteSpan(const QString &inFileName, const QString &outFileName) {
  const bool wasBusy = zipBusy_;
  zipBusy_ = true;
  span_ = std::make_unique<SpanState>();
  SpanState &s = *span_;
  s.drive = AddBackslash(QFileInfo(outFileName).absolutePath());
  s.volumeNumber = 0;
  s.freeOnVolume = 0;
  s.newVolumeWanted = true;
  s.bytesOnVolume = 0;
  s.inFileName = inFileName;
  s.outFileName = QFileInfo(outFileName).absoluteFilePath();
  s.writing = true;
  StartWaitCursor();
  int result = 0;
  try {
    if (!QFileInfo(inFileName).isFile()) throw EZipArchiver::CreateFromId(DS_NoInFile, true);
    s.in.setFileName(inFileName);
    DirectoryLocation where;
    OpenEndRecord(s.in, where, true);
    if (where.zip64 || where.diskNumber != 0 || where.directoryDisk != 0) throw EZipArchiver::CreateFromId(DS_NoValidZip, true);
    s.archiveDate = QFileInfo(inFileName).lastModified();
    s.archiveSize = s.in.size();

    // The directory first: sizes and offsets come from it, never from local
    // headers (a local header written with a data descriptor says 0).
    if (!s.in.seek(qint64(where.directoryStart))) throw EZipArchiver::CreateFromId(DS_FailedSeek, true);
    const QByteArray dir = s.in.read(qint64(where.directorySize));
    if (std::uint64_t(dir.size()) != where.directorySize) throw EZipArchiver::CreateFromId(DS_CEHBadRead, true);
    auto *d = reinterpret_cast<const unsigned char *>(dir.constData());
    std::vector<TMZipDataRecord> found;
    for (std::size_t pos = 0; pos < std::size_t(dir.size());) {
      CentralHeader ch;
      if (std::size_t(dir.size()) - pos < kCentralSize) throw EZipArchiver::CreateFromId(DS_CEHBadRead, true);
      if (!ch.read(d + pos, kCentralSize)) throw EZipArchiver::CreateFromId(DS_CEHWrongSig, true);
      if (std::size_t(dir.size()) - pos - kCentralSize < ch.variableSize()) throw EZipArchiver::CreateFromId(DS_CENameLen, true);
      if (ch.compressedSize == 0xFFFFFFFFu || ch.localHeaderOffset == 0xFFFFFFFFu)
        throw EZipArchiver::CreateFromId(DS_NoValidZip, true);
      TMZipDataRecord rec;
      rec.FileName = QByteArray(reinterpret_cast<const char *>(d + pos + kCentralSize), ch.nameLength);
      rec.FileNameLen = ch.nameLength;
      rec.ComprSize = ch.compressedSize;
      const qint64 local = qint64(ch.localHeaderOffset) + where.shift;
      if (local < 0 || std::uint64_t(local) + kLocalSize > where.directoryStart) throw EZipArchiver::CreateFromId(LI_ReadZipError, true);
      rec.SourceOffset = std::uint64_t(local);
      found.push_back(rec);
      pos += kCentralSize + ch.variableSize();
    }
    if (!where.countAgrees(found.size()) || found.size() > 0xFFFF) throw EZipArchiver::CreateFromId(DS_CEHBadRead, true);
    // A set needing more volumes than can be numbered is refused before anything is written.
    if (MaxVolumeSize > 0 && (s.archiveSize + KeepFreeOnDisk1 + 4) / MaxVolumeSize >= kMaxVolumes)
      throw EZipArchiver::CreateFromId(DS_TooManyVolumes, true);

    TMZipDataList list(int(found.size()));
    for (int i = 0; i < list.Count(); ++i) list.Items(i) = found[std::size_t(i)];
    std::vector<int> order(found.size());
    for (int i = 0; i < int(order.size()); ++i) order[std::size_t(i)] = i;
    std::sort(order.begin(), order.end(), [&](int a, int b) { return found[std::size_t(a)].SourceOffset < found[std::size_t(b)].SourceOffset; });

    unsigned char sig[4];
    putLe32(sig, kSpanSig);
    WriteToVolume(reinterpret_cast<const char *>(sig), 4, 0);
    s.showProgress = true;
    if (OnProgress) {
      OnProgress(*this, TotalFiles2Process, QString(), qint64(found.size()));
      OnProgress(*this, TotalSize2Process, QString(), s.archiveSize);
    }

    for (int index : order) {
      TMZipDataRecord &rec = list.Items(index);
      if (!s.in.seek(qint64(rec.SourceOffset))) throw EZipArchiver::CreateFromId(DS_FailedSeek, true);
      unsigned char head[kLocalSize];
      if (s.in.read(reinterpret_cast<char *>(head), kLocalSize) != qint64(kLocalSize)) throw EZipArchiver::CreateFromId(DS_LOHBadRead, true);
      LocalHeader lh;
      if (!lh.read(head, kLocalSize)) throw EZipArchiver::CreateFromId(DS_LOHWrongSig, true);
      const QByteArray name = s.in.read(lh.nameLength);
      if (name.size() != lh.nameLength) throw EZipArchiver::CreateFromId(DS_LONameLen, true);
      // A data descriptor is 16 bytes with its signature, 12 without.
      qint64 descriptor = 0;
      if (lh.flags & kFlagDescriptor) {
        const qint64 after = qint64(rec.SourceOffset) + qint64(kLocalSize) + lh.nameLength + lh.extraLength + rec.ComprSize;
        unsigned char first[4];
        if (!s.in.seek(after) || s.in.read(reinterpret_cast<char *>(first), 4) != 4) throw EZipArchiver::CreateFromId(DS_DataDesc, true);
        descriptor = getLe32(first) == kDescriptorSig ? 16 : 12;
        if (!s.in.seek(qint64(rec.SourceOffset) + qint64(kLocalSize) + lh.nameLength)) throw EZipArchiver::CreateFromId(DS_FailedSeek, true);
      }
      if (OnMessage) OnMessage(*this, 0, LoadZipText(GE_Copying, QStringLiteral("Copying: ")) + backslashed(name));
      if (OnProgress)
        OnProgress(*this, NewFile, backslashed(name), qint64(kLocalSize) + lh.nameLength + lh.extraLength + rec.ComprSize + descriptor);
      WriteToVolume(reinterpret_cast<const char *>(head), kLocalSize, qint64(kLocalSize) + lh.nameLength + lh.extraLength);
      rec.DiskStart = std::uint16_t(s.volumeNumber);
      rec.RelOffLocal = std::uint32_t(s.bytesOnVolume - qint64(kLocalSize));
      WriteToVolume(name.constData(), name.size(), 0);
      CopyToVolumes(lh.extraLength, DS_LOExtraLen);
      CopyToVolumes(rec.ComprSize, DS_ZipData);
      CopyToVolumes(descriptor, DS_DataDesc);
    }

    const QString central = LoadZipText(DS_CopyCentral, QStringLiteral("Central directory"));
    if (OnMessage) OnMessage(*this, 0, LoadZipText(GE_Copying, QStringLiteral("Copying: ")) + central);
    if (OnProgress) OnProgress(*this, NewFile, central, qint64(where.directorySize) + qint64(kEndSize) + where.end.commentLength);
    int directoryDisk = 0;
    qint64 directoryOffset = 0;
    std::size_t pos = 0;
    for (std::size_t i = 0; i < found.size(); ++i) {
      CentralHeader ch;
      ch.read(d + pos, kCentralSize);
      const TMZipDataRecord &rec = list.Items(list.IndexOfOffset(0, std::uint64_t(qint64(ch.localHeaderOffset) + where.shift)));
      ch.diskNumberStart = rec.DiskStart;
      ch.localHeaderOffset = rec.RelOffLocal;
      std::vector<unsigned char> head;
      ch.write(head);
      WriteToVolume(reinterpret_cast<const char *>(head.data()), qint64(kCentralSize), qint64(kCentralSize + ch.variableSize()));
      if (i == 0) {
        directoryDisk = s.volumeNumber;
        directoryOffset = s.bytesOnVolume - qint64(kCentralSize);
      }
      WriteToVolume(reinterpret_cast<const char *>(d + pos + kCentralSize), qint64(ch.variableSize()), 0);
      pos += kCentralSize + ch.variableSize();
    }
    if (found.empty()) {
      directoryDisk = s.volumeNumber;
      directoryOffset = s.bytesOnVolume;
    }

    EndRecord end = where.end;
    const QByteArray comment = [&] {
      QByteArray c;
      if (s.in.seek(qint64(where.endPos) + qint64(kEndSize))) c = s.in.read(end.commentLength);
      return c;
    }();
    if (comment.size() != end.commentLength) throw EZipArchiver::CreateFromId(DS_EOArchComLen, true);
    const qint64 minimum = qint64(kEndSize) + end.commentLength;
    end.diskNumber = std::uint16_t(!s.out.isOpen() ? s.volumeNumber : (minimum > s.freeOnVolume ? s.volumeNumber + 1 : s.volumeNumber));
    end.directoryDisk = std::uint16_t(directoryDisk);
    end.directoryOffset = std::uint32_t(directoryOffset);
    std::vector<unsigned char> record;
    end.write(record);
    WriteToVolume(reinterpret_cast<const char *>(record.data()), qint64(kEndSize), minimum);
    WriteToVolume(comment.constData(), comment.size(), 0);
    s.showProgress = false;
  } catch (const std::exception &) {
    result = ReportSpanFailure();
  }
  if (OnProgress) OnProgress(*this, EndOfBatch, QString(), 0);
  closeOutputVolume();
  s.in.close();
  zipBusy_ = wasBusy;
  StopWaitCursor();
  return result;
}

// ---- joining ----

int TZipArchiver::ReadSpan(const QString &inFileName, QString &outFilePath) {
  const bool wasBusy = unzBusy_;
  unzBusy_ = true;
  span_ = std::make_unique<SpanState>();
  SpanState &s = *span_;
  s.inFileName = QFileInfo(inFileName).absoluteFilePath();
  s.drive = AddBackslash(QFileInfo(s.inFileName).absolutePath());
  s.volumeNumber = -1;
  s.newVolumeWanted = false;
  s.showProgress = false;
  s.writing = false;
  StartWaitCursor();
  int result = 0;
  QString written;
  try {
    // Only the file this join writes is ever deleted.
    if (!outFilePath.isEmpty() && !outFilePath.endsWith(QLatin1Char('/')) && !QFileInfo(outFilePath).isDir()) {
      QString stem, ext;
      splitName(QFileInfo(outFilePath).absoluteFilePath(), stem, ext);
      outFilePath = stem + QStringLiteral(".zip");
      if (QFileInfo(outFilePath).isDir()) throw EZipArchiver::CreateFromId(DS_NoOutFile, true);
      if (QFileInfo::exists(outFilePath)) DeleteArchiveFile(outFilePath, HowToDelete);
      s.out.setFileName(outFilePath);
      if (!s.out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) throw EZipArchiver::CreateFromId(DS_NoOutFile, true);
    } else {
      outFilePath = MakeTempArchiveName(QStringLiteral("zip"), QStringLiteral(".zip"));
      if (outFilePath.isEmpty()) throw EZipArchiver::CreateFromId(DS_NoTempFile, true);
      s.out.setFileName(outFilePath);
      if (!s.out.open(QIODevice::WriteOnly | QIODevice::Truncate)) throw EZipArchiver::CreateFromId(DS_NoOutFile, true);
    }
    written = outFilePath;

    // The last volume: the one with the end record.
    VolumeKind type = VolumeKind::Removable;
    EndRecord end;
    qint64 endPos = 0;
    for (;;) {
      if (fixedLike(type)) {
        const int n = std::max(0, numberBeforeExtension(s.inFileName));
        if (n == 1) throw EZipArchiver::CreateFromId(DS_FirstInSet, true);
        throw EZipArchiver::CreateFromIdInt(DS_NotLastInSet, n);
      }
      type = AskForVolume(false);
      s.newVolumeWanted = true;
      s.in.close();
      s.in.setFileName(s.inFileName);
      if (FindLastVolumeEnd(s.in, end, endPos)) break;
    }
    s.newVolumeWanted = false;
    s.archiveDate = QFileInfo(s.inFileName).lastModified();
    s.lastVolumeNumber = end.diskNumber;
    s.volumeNumber = end.diskNumber;
    if (end.directoryDisk != s.volumeNumber) OpenNextVolume(end.directoryDisk);
    if (!s.in.seek(end.directoryOffset)) throw EZipArchiver::CreateFromId(DS_FailedSeek, true);

    TMZipDataList list(end.totalEntries);
    qint64 total = 0;
    for (int i = 0; i < list.Count(); ++i) {
      unsigned char head[kCentralSize];
      ReadFromVolumes(reinterpret_cast<char *>(head), qint64(kCentralSize), DS_CEHBadRead, false);
      CentralHeader ch;
      if (!ch.read(head, kCentralSize)) throw EZipArchiver::CreateFromId(DS_CEHWrongSig, true);
      TMZipDataRecord &rec = list.Items(i);
      rec.FileName = QByteArray(ch.nameLength, Qt::Uninitialized);
      ReadFromVolumes(rec.FileName.data(), ch.nameLength, DS_CENameLen, false);
      rec.FileNameLen = ch.nameLength;
      rec.ComprSize = ch.compressedSize;
      rec.SourceDisk = ch.diskNumberStart;
      rec.SourceOffset = ch.localHeaderOffset;
      total += ch.nameLength + qint64(ch.compressedSize) + ch.extraLength + ch.commentLength;
      QByteArray skip(ch.extraLength + ch.commentLength, Qt::Uninitialized);
      ReadFromVolumes(skip.data(), skip.size(), DS_FailedSeek, false);
    }

    OpenNextVolume(0);
    s.showProgress = true;
    if (OnProgress) {
      OnProgress(*this, TotalFiles2Process, QString(), list.Count());
      OnProgress(*this, TotalSize2Process, QString(), total);
    }
    unsigned char sig[4];
    if (s.in.read(reinterpret_cast<char *>(sig), 4) != 4 || getLe32(sig) != kSpanSig)
      throw EZipArchiver::CreateFromId(DS_ExtWrongSig, true);

    for (int i = 0; i < list.Count(); ++i) {
      if (s.in.atEnd() && s.volumeNumber < s.lastVolumeNumber) OpenNextVolume(s.volumeNumber + 1);
      const std::uint16_t atDisk = std::uint16_t(s.volumeNumber);
      const std::uint64_t atOffset = std::uint64_t(s.in.pos());
      unsigned char head[kLocalSize];
      ReadFromVolumes(reinterpret_cast<char *>(head), qint64(kLocalSize), DS_LOHBadRead, false);
      LocalHeader lh;
      if (!lh.read(head, kLocalSize)) throw EZipArchiver::CreateFromId(DS_LOHWrongSig, true);
      QByteArray name(lh.nameLength, Qt::Uninitialized);
      ReadFromVolumes(name.data(), name.size(), DS_LONameLen, false);
      TMZipDataRecord &rec = list.Items(list.IndexOfOffset(atDisk, atOffset));
      rec.DiskStart = 0;
      if (s.out.pos() > qint64(0xFFFFFFFFu)) throw EZipArchiver::CreateFromId(DS_LOHBadWrite, true);
      rec.RelOffLocal = std::uint32_t(s.out.pos());
      if (OnMessage) OnMessage(*this, 0, LoadZipText(GE_Copying, QStringLiteral("Copying: ")) + backslashed(name));
      if (OnProgress)
        OnProgress(*this, NewFile, backslashed(name),
                   qint64(rec.ComprSize) + lh.nameLength + lh.extraLength + qint64(kLocalSize) + ((lh.flags & kFlagDescriptor) ? 16 : 0));
      WriteOutput(reinterpret_cast<const char *>(head), qint64(kLocalSize), DS_LOHBadWrite);
      WriteOutput(name.constData(), name.size(), DS_LOHBadWrite);
      CopyFromVolumes(lh.extraLength, DS_LOExtraLen);
      // The size the directory gives: a local header followed by a data descriptor says 0.
      CopyFromVolumes(rec.ComprSize, DS_ZipData);
      if (lh.flags & kFlagDescriptor) {
        unsigned char first[4];
        ReadFromVolumes(reinterpret_cast<char *>(first), 4, DS_DataDesc, true);
        WriteOutput(reinterpret_cast<const char *>(first), 4, DS_DataDesc);
        CopyFromVolumes(getLe32(first) == kDescriptorSig ? 12 : 8, DS_DataDesc);
      }
    }
    s.showProgress = false;

    if (s.volumeNumber != end.directoryDisk) OpenNextVolume(end.directoryDisk);
    if (!s.in.seek(end.directoryOffset)) throw EZipArchiver::CreateFromId(DS_FailedSeek, true);
    const qint64 directoryOffset = s.out.pos();
    for (int i = 0; i < list.Count(); ++i) {
      unsigned char head[kCentralSize];
      ReadFromVolumes(reinterpret_cast<char *>(head), qint64(kCentralSize), DS_CEHBadRead, false);
      CentralHeader ch;
      if (!ch.read(head, kCentralSize)) throw EZipArchiver::CreateFromId(DS_CEHWrongSig, true);
      QByteArray name(ch.nameLength, Qt::Uninitialized);
      ReadFromVolumes(name.data(), name.size(), DS_CENameLen, false);
      const TMZipDataRecord &rec = list.Items(list.IndexOfOffset(ch.diskNumberStart, ch.localHeaderOffset));
      ch.diskNumberStart = 0;
      ch.localHeaderOffset = rec.RelOffLocal;
      std::vector<unsigned char> out;
      ch.write(out);
      WriteOutput(reinterpret_cast<const char *>(out.data()), qint64(kCentralSize), DS_CEHBadWrite);
      WriteOutput(name.constData(), name.size(), DS_CEHBadWrite);
      CopyFromVolumes(ch.extraLength, DS_CEExtraLen);
      CopyFromVolumes(ch.commentLength, DS_CECommentLen);
    }
    const qint64 directorySize = s.out.pos() - directoryOffset;

    if (s.volumeNumber != s.lastVolumeNumber) OpenNextVolume(s.lastVolumeNumber);
    if (!s.in.seek(endPos + qint64(kEndSize))) throw EZipArchiver::CreateFromId(DS_FailedSeek, true);
    EndRecord joined = end;
    joined.diskNumber = 0;
    joined.directoryDisk = 0;
    joined.entriesOnDisk = end.totalEntries;
    joined.directoryOffset = std::uint32_t(directoryOffset);
    joined.directorySize = std::uint32_t(directorySize);
    std::vector<unsigned char> record;
    joined.write(record);
    WriteOutput(reinterpret_cast<const char *>(record.data()), qint64(kEndSize), DS_EOCBadWrite);
    CopyFromVolumes(end.commentLength, DS_EOArchComLen);
  } catch (const std::exception &) {
    result = ReportSpanFailure();
  }
  if (OnProgress) OnProgress(*this, EndOfBatch, QString(), 0);
  s.in.close();
  if (s.out.isOpen()) {
    s.out.flush();
    if (result == 0 && s.archiveDate.isValid()) s.out.setFileTime(s.archiveDate, QFileDevice::FileModificationTime);
    s.out.close();
  }
  if (result != 0) {
    if (!written.isEmpty()) QFile::remove(written);
    outFilePath.clear();
  }
  unzBusy_ = wasBusy;
  StopWaitCursor();
  return result;
}

} // namespace qel
