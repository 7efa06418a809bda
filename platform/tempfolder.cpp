#include "platform/tempfolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
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

} // namespace qel
