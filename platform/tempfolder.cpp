#include "platform/tempfolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/file.h>
#include <sys/stat.h>
#include <ctime>
#include <unistd.h>

namespace qel {

QString TempFolderPath() {
  QString path = QDir::tempPath() + QStringLiteral("/qel-moravine-") + QString::number(::getuid());
  QByteArray native = QFile::encodeName(path);
  if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
    throw std::runtime_error("Cannot create the temporary folder " + native.toStdString() + ": " + std::strerror(errno));
  struct stat st;
  if (::lstat(native.constData(), &st) != 0)
    throw std::runtime_error("Cannot examine the temporary folder " + native.toStdString());
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
    throw std::runtime_error("The temporary folder " + native.toStdString() + " is not a private folder of this user");
  if ((st.st_mode & 077) != 0 && ::chmod(native.constData(), 0700) != 0)
    throw std::runtime_error("Cannot make the temporary folder " + native.toStdString() + " private");
  return path + QLatin1Char('/');
}

int CreateExclusiveFile(const QString &path) {
  QByteArray native = QFile::encodeName(path);
  return ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

QString CreatePrivateSubFolder(const QString &prefix) {
  QString base;
  try {
    base = TempFolderPath();
  } catch (const std::runtime_error &) {
    return QString(); // callers expect an empty path, not an exception
  }
  QTemporaryDir dir(base + prefix + QStringLiteral("XXXXXX"));
  if (!dir.isValid()) return QString();
  dir.setAutoRemove(false);
  QString path = dir.path();
  ::chmod(QFile::encodeName(path).constData(), 0700);
  return path + QLatin1Char('/');
}

namespace {
int openFolder(const QString &path) {
  return ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}
} // namespace

TPrivateFolder::TPrivateFolder(const QString &prefix) {
  const QString path = CreatePrivateSubFolder(prefix);
  if (path.isEmpty()) return;
  lockFd_ = openFolder(path);
  if (lockFd_ < 0 || ::flock(lockFd_, LOCK_SH | LOCK_NB) != 0) {
    if (lockFd_ >= 0) ::close(lockFd_);
    lockFd_ = -1;
    QDir(path).removeRecursively();
    return;
  }
  path_ = path;
}

TPrivateFolder::~TPrivateFolder() {
  if (!path_.isEmpty()) QDir(path_).removeRecursively();
  if (lockFd_ >= 0) ::close(lockFd_);
}

qint64 SecondsSinceChange(const QString &path) {
  struct stat st;
  if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return -1;
  // The later of the last write and the last change of name or mode: a file
  // just renamed into place counts as new, whatever time it carries.
  const time_t changed = std::max(st.st_mtime, st.st_ctime);
  return qint64(std::time(nullptr) - changed);
}

bool IsAbandonedSubFolder(const QString &path, int minAgeSeconds) {
  const qint64 age = SecondsSinceChange(path);
  if (age < 0 || age < minAgeSeconds) return false;
  const int fd = openFolder(path);
  if (fd < 0) return false;
  const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  ::close(fd);
  return free;
}

} // namespace qel
