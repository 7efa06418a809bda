#include "platform/tempfolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <mutex>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/file.h>
#include <sys/stat.h>
#include <ctime>
#include <unistd.h>

namespace qel {

namespace {

// Makes `path` a private folder of ours (creating it with mode 0700 where it
// is missing); empty when it is one, else what is wrong with it.
QString makePrivateFolder(const QString &path) {
  const QByteArray native = QFile::encodeName(path);
  if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
    return QStringLiteral("cannot be created (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)));
  struct stat st;
  if (::lstat(native.constData(), &st) != 0)
    return QStringLiteral("cannot be examined (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)));
  if (S_ISLNK(st.st_mode)) return QStringLiteral("is a link, not a folder");
  if (!S_ISDIR(st.st_mode)) return QStringLiteral("is not a folder");
  if (st.st_uid != ::getuid()) return QStringLiteral("belongs to another user");
  if ((st.st_mode & 077) != 0 && ::chmod(native.constData(), 0700) != 0)
    return QStringLiteral("cannot be made private (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)));
  return QString();
}

// The folder used in place of an unusable usual one, per system temporary
// folder, and what was wrong with the usual one.
struct Replacement {
  QString tempPath, usual, path, problem;
};

std::mutex replacementMutex;
Replacement replacement;

} // namespace

QString TempFolderPath() {
  const QString temp = QDir::tempPath();
  const QString path = temp + QStringLiteral("/qel-moravine-") + QString::number(::getuid());
  const QString why = makePrivateFolder(path);
  if (why.isEmpty()) return path + QLatin1Char('/');

  // Anyone may create that name first in a shared temporary folder. The
  // program still runs, in another folder of ours: the same one for the
  // whole run, as the body file and the card clipboard live there.
  const std::lock_guard<std::mutex> lock(replacementMutex);
  if (replacement.tempPath == temp && replacement.usual == path && makePrivateFolder(replacement.path).isEmpty())
    return replacement.path + QLatin1Char('/');
  QString chosen;
  // A few fixed names first, so later runs (and other instances) share one
  // folder; a name of chance when those are taken as well.
  for (int n = 1; n <= 4 && chosen.isEmpty(); ++n) {
    const QString candidate = path + QLatin1Char('.') + QString::number(n);
    if (makePrivateFolder(candidate).isEmpty()) chosen = candidate;
  }
  if (chosen.isEmpty()) {
    QByteArray pattern = QFile::encodeName(path + QStringLiteral(".XXXXXX"));
    if (::mkdtemp(pattern.data())) chosen = QFile::decodeName(pattern);
  }
  if (chosen.isEmpty())
    throw std::runtime_error("The temporary folder " + QFile::encodeName(path).toStdString() + " " +
                             why.toStdString() + ", and no other private folder can be made beside it");
  replacement = {temp, path, chosen,
                 QStringLiteral("The temporary folder %1 %2, so it cannot be used safely (in a shared temporary "
                                "folder, another user may have made it). The folder %3 is used instead.")
                     .arg(path, why, chosen)};
  return chosen + QLatin1Char('/');
}

QString TempFolderProblem() {
  const QString temp = QDir::tempPath();
  const QString path = temp + QStringLiteral("/qel-moravine-") + QString::number(::getuid());
  const std::lock_guard<std::mutex> lock(replacementMutex);
  return replacement.tempPath == temp && replacement.usual == path ? replacement.problem : QString();
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
