#include "platform/fileutil.h"
#include "platform/tempname.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace qel {

namespace {

QString errnoText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

bool fail(QString *error, const QString &message) {
  if (error) *error = message;
  return false;
}

bool writeAll(int fd, const char *data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= size_t(n);
  }
  return true;
}

// An existing target we may not write to is refused, as the desktop's own
// copy and move commands do; a missing one is fine.
bool targetRefused(const QString &to, QString *error) {
  struct stat st;
  if (::lstat(QFile::encodeName(to).constData(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) return !fail(error, QStringLiteral("\"%1\" is a folder.").arg(to));
  if (IsFileReadOnly(to)) return !fail(error, QStringLiteral("\"%1\" is read-only.").arg(to));
  return false;
}

} // namespace

qint64 FileSizeByName(const QString &path) {
  struct stat st;
  if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
  return qint64(st.st_size);
}

bool IsFileReadOnly(const QString &path) {
  QByteArray native = QFile::encodeName(path);
  struct stat st;
  if (path.isEmpty() || ::stat(native.constData(), &st) != 0) return true;
  // A file without any write permission counts as read-only even for the
  // superuser, whom access() lets write anything.
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
  return ::access(native.constData(), W_OK) != 0;
}

namespace {

// A fresh temporary file beside `to`, named by the rule the save cleanup
// knows, created with `mode` (less the umask) without following links;
// -1 with errno set when none can be made.
int createTempBeside(const QString &to, mode_t mode, QByteArray &tmp) {
  const QFileInfo info(to);
  const QByteArray folder = QFile::encodeName(info.absolutePath()) + '/';
  const std::string name = QFile::encodeName(info.fileName()).toStdString();
  for (int attempt = 0; attempt < 100; ++attempt) {
    tmp = folder + QByteArray::fromStdString(
                       TempNameBeside(name, QByteArray::number(QRandomGenerator::global()->generate(), 36).toStdString()));
    const int fd = ::open(tmp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Puts the written temporary file `fd` (`tmp`) in the place of `to`: the
// mode when `mode` is given, then every byte on the disk and the descriptor
// closed without error, then the rename and the folder's entry on the disk.
// On failure the temporary file is gone, the target untouched, and `err` the cause.
bool finishTemp(int fd, const QByteArray &tmp, const QString &to, int mode, int &err) {
  bool ok = true;
  if (mode >= 0 && ::fchmod(fd, mode_t(mode)) != 0) ok = false;
  if (ok && ::fsync(fd) != 0) ok = false;
  if (!ok) err = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && ::rename(tmp.constData(), QFile::encodeName(to).constData()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    ::unlink(tmp.constData());
    return false;
  }
  const int dir = ::open(QFile::encodeName(QFileInfo(to).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

} // namespace

bool CopyFileReplacing(const QString &from, const QString &to, QString *error) {
  const QByteArray src = QFile::encodeName(from);
  int in = ::open(src.constData(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return fail(error, QStringLiteral("Cannot open \"%1\": %2").arg(from, errnoText(errno)));
  struct stat st;
  if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(in);
    return fail(error, QStringLiteral("\"%1\" is not a file.").arg(from));
  }
  if (targetRefused(to, error)) {
    ::close(in);
    return false;
  }

  // The copy goes to a fresh file beside the target and replaces it only when
  // complete, so a failure never leaves a half-written target.
  QByteArray tmp;
  const int out = createTempBeside(to, 0600, tmp);
  if (out < 0) {
    int err = errno;
    ::close(in);
    return fail(error, QStringLiteral("Cannot create \"%1\": %2").arg(to, errnoText(err)));
  }

  bool ok = true;
  int err = 0;
  char buffer[1 << 16];
  for (;;) {
    ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ok = false;
      err = errno;
      break;
    }
    if (n == 0) break;
    if (!writeAll(out, buffer, size_t(n))) {
      ok = false;
      err = errno;
      break;
    }
  }
  ::close(in);
  if (!ok) {
    ::close(out);
    ::unlink(tmp.constData());
  } else {
    ok = finishTemp(out, tmp, to, int(st.st_mode & 07777 & ~S_ISUID & ~S_ISGID), err);
  }
  if (!ok) return fail(error, QStringLiteral("Cannot copy \"%1\" to \"%2\": %3").arg(from, to, errnoText(err)));
  return true;
}

bool WriteFileReplacing(const QString &path, const QByteArray &bytes, QString *error, int newMode) {
  // A target that is a link is replaced where it really lives, and keeps its mode.
  QString to = path;
  const QFileInfo info(path);
  if (info.isSymLink()) {
    to = info.canonicalFilePath();
    if (to.isEmpty()) to = info.symLinkTarget();
  }
  struct stat st;
  int mode = newMode;
  if (::stat(QFile::encodeName(to).constData(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return fail(error, QStringLiteral("Cannot write \"%1\": %2").arg(path, errnoText(EISDIR)));
    mode = int(st.st_mode & 07777);
  }

  QByteArray tmp;
  const int fd = createTempBeside(to, mode >= 0 ? mode_t(mode) : 0666, tmp);
  if (fd < 0) return fail(error, QStringLiteral("Cannot write \"%1\": %2").arg(path, errnoText(errno)));
  int err = 0;
  if (!writeAll(fd, bytes.constData(), size_t(bytes.size()))) {
    err = errno;
    ::close(fd);
    ::unlink(tmp.constData());
    return fail(error, QStringLiteral("Cannot write \"%1\": %2").arg(path, errnoText(err)));
  }
  if (!finishTemp(fd, tmp, to, mode, err))
    return fail(error, QStringLiteral("Cannot write \"%1\": %2").arg(path, errnoText(err)));
  return true;
}

bool RenameFileReplacing(const QString &from, const QString &to, QString *error) {
  const QByteArray src = QFile::encodeName(from);
  struct stat st;
  if (::lstat(src.constData(), &st) != 0)
    return fail(error, QStringLiteral("Cannot rename \"%1\": %2").arg(from, errnoText(errno)));
  if (targetRefused(to, error)) return false;
  if (::rename(src.constData(), QFile::encodeName(to).constData()) == 0) return true;
  if (errno != EXDEV)
    return fail(error, QStringLiteral("Cannot rename \"%1\" to \"%2\": %3").arg(from, to, errnoText(errno)));
  // Another file system: copy completely, then remove the original.
  if (!S_ISREG(st.st_mode))
    return fail(error, QStringLiteral("Cannot move \"%1\" to another file system.").arg(from));
  if (!CopyFileReplacing(from, to, error)) return false;
  if (::unlink(src.constData()) != 0)
    return fail(error, QStringLiteral("Copied \"%1\" to \"%2\" but cannot remove the original: %3")
                           .arg(from, to, errnoText(errno)));
  return true;
}

QString WriteFailureCause(const QString &folder, qint64 needed) {
  const QByteArray native = QFile::encodeName(folder);
  struct statvfs fs;
  if (::statvfs(native.constData(), &fs) == 0) {
    if (fs.f_flag & ST_RDONLY) return QString::fromLocal8Bit(std::strerror(EROFS));
    if (qint64(fs.f_bavail) * qint64(fs.f_frsize) < needed) return QString::fromLocal8Bit(std::strerror(ENOSPC));
  }
  if (::access(native.constData(), W_OK) != 0) return QString::fromLocal8Bit(std::strerror(errno));
  return QString();
}

bool MoveToTrash(const QString &path, QString *error) {
  const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  if (data.isEmpty() || !QDir::isAbsolutePath(data)) return fail(error, QStringLiteral("the desktop trash is not available"));
  const QString trash = data + QStringLiteral("/Trash");
  struct stat folder, file;
  if (::lstat(QFile::encodeName(trash).constData(), &folder) != 0 || !S_ISDIR(folder.st_mode) ||
      folder.st_uid != ::getuid())
    return fail(error, QStringLiteral("the desktop trash is not available"));
  if (::lstat(QFile::encodeName(path).constData(), &file) != 0) return fail(error, errnoText(errno));
  if (file.st_dev != folder.st_dev)
    return fail(error, QStringLiteral("the desktop trash is on another file system"));
  QString inTrash;
  if (!QFile::moveToTrash(path, &inTrash) || !inTrash.startsWith(trash + QLatin1Char('/')))
    return fail(error, QStringLiteral("the file could not be moved to the desktop trash"));
  return true;
}

QString FollowLinks(const QString &path) {
  QString current = QFileInfo(path).absoluteFilePath();
  // As many links as the system itself follows before it gives up.
  for (int hops = 0; hops < 40; ++hops) {
    const QFileInfo info(current);
    if (!info.isSymLink()) return current;
    const QByteArray native = QFile::encodeName(current);
    QByteArray target(4096, '\0');
    const ssize_t n = ::readlink(native.constData(), target.data(), size_t(target.size()));
    if (n <= 0 || n >= target.size()) break;
    target.truncate(n);
    const QString next = QFile::decodeName(target);
    current = QDir::cleanPath(QDir::isAbsolutePath(next) ? next : info.absolutePath() + QLatin1Char('/') + next);
  }
  return QFileInfo(path).absoluteFilePath();
}

} // namespace qel
