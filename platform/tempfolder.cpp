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

// The item at `path` (not following a link) is the one open as `fd`.
bool sameItem(int fd, const QString &path) {
  struct stat open, named;
  if (::fstat(fd, &open) != 0 || ::lstat(QFile::encodeName(path).constData(), &named) != 0) return false;
  return open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

int openItem(const QString &path) {
  return ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
}

// Waits for a shared lock: a start removing debris holds its exclusive lock
// only while it removes that one item.
bool lockShared(int fd) {
  while (::flock(fd, LOCK_SH) != 0)
    if (errno != EINTR) return false;
  return true;
}

} // namespace

THeldItem &THeldItem::operator=(THeldItem &&other) noexcept {
  if (this != &other) {
    release();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

void THeldItem::release() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool THeldItem::hold(const QString &path) {
  const int fd = openItem(path);
  if (fd < 0) return false;
  // Locked, and still there: a start that took it for debris a moment
  // before removed it, and this lock is on nothing anyone can find.
  if (!lockShared(fd) || !sameItem(fd, path)) {
    ::close(fd);
    return false;
  }
  release();
  fd_ = fd;
  return true;
}

bool THeldItem::holds(const QString &path) const { return fd_ >= 0 && sameItem(fd_, path); }

int CreateHeldFile(const QString &path, THeldItem &held) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    const int fd = CreateExclusiveFile(path);
    if (fd < 0) return -1;
    // The lock goes on a descriptor of its own that shares the open file:
    // closing the caller's descriptor keeps it.
    const int lockFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (lockFd >= 0 && lockShared(lockFd) && sameItem(lockFd, path)) {
      held.release();
      held.fd_ = lockFd;
      return fd;
    }
    const int err = errno;
    if (lockFd >= 0) ::close(lockFd);
    ::close(fd);
    // Taken for debris in the instant before it was locked: made anew.
    if (lockFd < 0) {
      errno = err;
      return -1;
    }
  }
  errno = EAGAIN;
  return -1;
}

bool RemoveUnheldItem(const QString &path) {
  const int fd = openItem(path);
  if (fd < 0) return false;
  bool removed = false;
  struct stat st;
  // Whoever holds it runs; while this lock is held, nobody takes it up.
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &st) == 0 && sameItem(fd, path)) {
    if (S_ISDIR(st.st_mode))
      removed = QDir(path).removeRecursively();
    else
      removed = ::unlink(QFile::encodeName(path).constData()) == 0;
  }
  ::close(fd);
  return removed;
}

TPrivateFolder::TPrivateFolder(const QString &prefix) {
  for (int attempt = 0; attempt < 16 && path_.isEmpty(); ++attempt) {
    const QString path = CreatePrivateSubFolder(prefix);
    if (path.isEmpty()) return;
    // A start may take the fresh folder for debris before it is held; then
    // another one is made.
    if (held_.hold(path)) path_ = path;
  }
}

TPrivateFolder::~TPrivateFolder() {
  if (!path_.isEmpty()) QDir(path_).removeRecursively();
  held_.release();
}

} // namespace qel
